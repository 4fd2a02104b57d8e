#pragma once

#include "acquisition/AdcDevice.h"
#include "platform/ConverterContract.h"
#include "platform/DriverRegistry.h"
#include "platform/StreamDriver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace slabcal::test {

using Record = SampleRecord;

// A record holding `counts` in bytes 1 to 3; bytes 0 and 4 carry whatever the test puts there.
inline Record RawRecord(uint32_t counts, uint8_t byte0 = 0, uint8_t byte4 = 0) {
    return EncodeSampleRecord(counts, byte0, byte4);
}

struct DriverCall {
    uint32_t code;
    uint32_t outputLength;
    bool withOutput;
    bool withBytesReturned;
};

// A converter driver that answers from a script and records every control call. Exclusive open, like the
// real driver. Calls come from the UI thread and the worker alike, hence the lock.
class ScriptedDriver final : public StreamDriver {
public:
    struct Read {
        int result;
        Record record;
    };

    bool Open() override {
        std::lock_guard guard(lock);
        if (isOpen)
            return false;
        isOpen = true;
        ++opens;
        return true;
    }

    int IoControl(uint32_t code, uint8_t* output, uint32_t outputLength, uint32_t* bytesReturned) override {
        std::lock_guard guard(lock);
        calls.push_back({code, outputLength, output != nullptr, bytesReturned != nullptr});
        switch (code) {
        case 14:
            return Next(initResults, defaultInitResult);
        case 12: {
            const Read read = Next(reads, defaultRead);
            // The record is written even for a failed call: the caller must not use it then.
            if (output != nullptr)
                std::copy_n(read.record.begin(), std::min<uint32_t>(outputLength, 5), output);
            if (bytesReturned != nullptr)
                *bytesReturned = 5;
            return read.result;
        }
        case 8:
        case 9:
            return rangeResult;
        default:
            return 0;
        }
    }

    void Close() override {
        std::lock_guard guard(lock);
        isOpen = false;
        ++closes;
    }

    void QueueRead(int result, Record record) {
        std::lock_guard guard(lock);
        reads.push_back({result, record});
    }
    void SetDefaultRead(int result, Record record) {
        std::lock_guard guard(lock);
        defaultRead = {result, record};
    }
    void QueueInitResult(int result) {
        std::lock_guard guard(lock);
        initResults.push_back(result);
    }
    void SetRangeResult(int result) {
        std::lock_guard guard(lock);
        rangeResult = result;
    }
    void SetProblem(std::string why) {
        std::lock_guard guard(lock);
        problem = std::move(why);
    }
    std::string LastProblem() const override {
        std::lock_guard guard(lock);
        return problem;
    }

    std::vector<DriverCall> Calls() const {
        std::lock_guard guard(lock);
        return calls;
    }
    std::vector<uint32_t> Codes() const {
        std::lock_guard guard(lock);
        std::vector<uint32_t> codes;
        for (const DriverCall& call : calls)
            codes.push_back(call.code);
        return codes;
    }
    int Opens() const {
        std::lock_guard guard(lock);
        return opens;
    }
    int Closes() const {
        std::lock_guard guard(lock);
        return closes;
    }

private:
    template <typename T> static T Next(std::deque<T>& queue, const T& fallback) {
        if (queue.empty())
            return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }

    mutable std::mutex lock;
    std::vector<DriverCall> calls;
    std::deque<int> initResults;
    int defaultInitResult = 1;
    std::deque<Read> reads;
    Read defaultRead{1, RawRecord(100000)};
    int rangeResult = 1;
    std::string problem;
    bool isOpen = false;
    int opens = 0;
    int closes = 0;
};

// Binds a scripted driver to "SPA1:" for one test and leaves the device closed and unbound afterwards.
class BoundDriver final {
public:
    BoundDriver() { Drivers().Bind(ConverterDeviceName, driver); }
    ~BoundDriver() {
        CloseDevice();
        Drivers().Unbind(ConverterDeviceName);
    }
    BoundDriver(const BoundDriver&) = delete;
    BoundDriver& operator=(const BoundDriver&) = delete;

    ScriptedDriver& operator*() const { return *driver; }
    ScriptedDriver* operator->() const { return driver.get(); }

private:
    std::shared_ptr<ScriptedDriver> driver = std::make_shared<ScriptedDriver>();
};

} // namespace slabcal::test
