#include "acquisition/AdcDevice.h"

#include "acquisition/CallWithin.h"
#include "platform/ApplicationMessageBox.h"
#include "platform/ConverterContract.h"
#include "platform/DriverRegistry.h"
#include "texts/Texts.h"

#include <array>
#include <atomic>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>

namespace slabcal {
namespace {

constexpr int InitialiseAttempts = 5;

// Atomic because the worker reads it while the UI thread may close the device at shutdown.
std::atomic<StreamHandle> deviceHandle{InvalidStreamHandle};

int ReadSample(StreamHandle handle, SampleRecord& record) {
    uint32_t bytesReturned = 0;
    return Drivers().IoControl(handle, ReadSampleCode, record.data(), static_cast<uint32_t>(record.size()),
                               &bytesReturned);
}

std::string ConverterName() {
    const std::string converter = Drivers().Description(ConverterDeviceName);
    return converter.empty() ? std::string(ConverterDeviceName) : converter;
}

// For the engineer beside the operator's box: which converter, and that it hung rather than refused.
void ReportNoAnswer(const char* when, std::chrono::milliseconds deadline) {
    std::cerr << "slabcal: the AD converter (" << ConverterName() << ") did not answer within "
              << deadline.count() << " ms when " << when << "; not waiting for it any longer\n";
}

// Also for the engineer: what the driver says failed (the attribute or node, the call, the error), beside
// the operator's box or status line, whose texts stay as they are. Nothing when the driver cannot say.
void ReportProblem(const char* what, const std::string& problem) {
    if (!problem.empty())
        std::cerr << "slabcal: the AD converter (" << ConverterName() << ") " << what << ": " << problem
                  << '\n';
}

void ReportProblem(const char* what) {
    ReportProblem(what, ConverterProblem());
}

// A range that keeps failing fails every cycle: its problem is told once, again only when it changes, after
// the range has been set once, or on a device opened anew.
std::mutex rangeProblemLock;
std::string rangeProblemTold; // guarded by rangeProblemLock

void ForgetRangeProblem() {
    const std::lock_guard guard(rangeProblemLock);
    rangeProblemTold.clear();
}

void ReportRangeProblem() {
    const std::lock_guard guard(rangeProblemLock);
    const std::string problem = ConverterProblem();
    if (problem == rangeProblemTold)
        return;
    rangeProblemTold = problem;
    ReportProblem("did not change its range", problem);
}

AdResult SelectRange(uint32_t code, AdResult failure) {
    const StreamHandle handle = deviceHandle.load();
    if (handle == InvalidStreamHandle)
        return AdHandleLost;
    // Only exactly TRUE counts: a driver that answers 2 has not switched.
    if (Drivers().IoControl(handle, code, nullptr, 0, nullptr) != 1) {
        ReportRangeProblem();
        return failure;
    }
    ForgetRangeProblem();
    return AdOk;
}

} // namespace

std::string ConverterProblem() {
    return Drivers().LastProblem(ConverterDeviceName);
}

bool OpenDevice(std::chrono::milliseconds deadline) {
    ForgetRangeProblem();
    const std::optional<StreamHandle> opened = CallWithin<StreamHandle>(
        deadline, InvalidStreamHandle, [] { return Drivers().Open(ConverterDeviceName); },
        [](StreamHandle late) {
            if (late != InvalidStreamHandle)
                Drivers().Close(late);
        });
    if (!opened)
        ReportNoAnswer("opened", deadline);
    const StreamHandle handle = opened.value_or(InvalidStreamHandle);
    deviceHandle.store(handle);
    if (handle == InvalidStreamHandle) {
        if (opened)
            ReportProblem("could not be opened");
        ApplicationMessageBox(texts::OpenDriverFailed);
        return false;
    }
    return true;
}

void CloseDevice() {
    const StreamHandle handle = deviceHandle.exchange(InvalidStreamHandle);
    if (handle != InvalidStreamHandle)
        Drivers().Close(handle);
}

int InitConverter(std::chrono::milliseconds deadline) {
    // No handle test: with an invalid handle every driver call fails and the result is 0.
    const StreamHandle handle = deviceHandle.load();
    const std::optional<int> result = CallWithin<int>(deadline, 0, [handle] {
        for (int attempt = 0; attempt < InitialiseAttempts; ++attempt) {
            const int answer = Drivers().IoControl(handle, InitialiseCode, nullptr, 0, nullptr);
            if (answer != 0)
                return answer;
        }
        // A converter that keeps refusing the initialise code may still deliver samples; one read tells.
        SampleRecord record{};
        return ReadSample(handle, record);
    });
    if (!result)
        ReportNoAnswer("initialised", deadline);
    else if (*result == 0 && handle != InvalidStreamHandle) // else no call reached the driver
        ReportProblem("did not initialise");
    return result.value_or(0);
}

AdResult SelectSmallRange() {
    return SelectRange(SelectSmallRangeCode, AdSmallRangeError);
}

AdResult SelectLargeRange() {
    return SelectRange(SelectLargeRangeCode, AdLargeRangeError);
}

AdResult ReadAverage(uint32_t* destination, int32_t count) {
    const StreamHandle handle = deviceHandle.load();
    if (handle == InvalidStreamHandle)
        return AdHandleLost;
    if (count < 1)
        return AdBadCount;

    // At most 2^24 per record: with the five records the tool reads the sum stays far below 2^32.
    uint32_t sum = 0;
    SampleRecord record{};
    for (int32_t i = 0; i < count; ++i) {
        if (ReadSample(handle, record) != 1) {
            ReportProblem("stopped answering");
            return AdReadError;
        }
        sum += DecodeSampleRecord(record.data());
    }
    *destination = sum / static_cast<uint32_t>(count) / CountsPerSignalUnit;
    return AdOk;
}

} // namespace slabcal
