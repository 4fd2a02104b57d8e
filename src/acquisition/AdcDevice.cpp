#include "acquisition/AdcDevice.h"

#include "platform/ApplicationMessageBox.h"
#include "platform/ConverterContract.h"
#include "platform/DriverRegistry.h"
#include "texts/Texts.h"

#include <array>
#include <atomic>

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

AdResult SelectRange(uint32_t code, AdResult failure) {
    const StreamHandle handle = deviceHandle.load();
    if (handle == InvalidStreamHandle)
        return AdHandleLost;
    // Only exactly TRUE counts: a driver that answers 2 has not switched.
    return Drivers().IoControl(handle, code, nullptr, 0, nullptr) == 1 ? AdOk : failure;
}

} // namespace

bool OpenDevice() {
    const StreamHandle handle = Drivers().Open(ConverterDeviceName);
    deviceHandle.store(handle);
    if (handle == InvalidStreamHandle) {
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

int InitConverter() {
    // No handle test: with an invalid handle every driver call fails and the result is 0.
    const StreamHandle handle = deviceHandle.load();
    for (int attempt = 0; attempt < InitialiseAttempts; ++attempt) {
        const int result = Drivers().IoControl(handle, InitialiseCode, nullptr, 0, nullptr);
        if (result != 0)
            return result;
    }
    // A converter that keeps refusing the initialise code may still deliver samples; one read tells.
    SampleRecord record{};
    return ReadSample(handle, record);
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
        if (ReadSample(handle, record) != 1)
            return AdReadError;
        sum += DecodeSampleRecord(record.data());
    }
    *destination = sum / static_cast<uint32_t>(count) / CountsPerSignalUnit;
    return AdOk;
}

} // namespace slabcal
