#include "drivers/chardev/CharacterDeviceConverter.h"

#include "platform/ConverterContract.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <mutex>
#include <utility>

namespace slabcal {

CharacterDeviceConverter::CharacterDeviceConverter(std::string node, DeviceCalls& kernel)
    : path(std::move(node)), calls(kernel) {}

// No call can be under way: each holds the driver alive while it runs.
CharacterDeviceConverter::~CharacterDeviceConverter() {
    if (device >= 0)
        calls.Close(device);
}

bool CharacterDeviceConverter::Open() {
    {
        const std::lock_guard guard(lock);
        if (device >= 0 || opening) {
            lastError = EBUSY;
            return false;
        }
        opening = true;
    }
    const int opened = calls.OpenExclusive(path);
    const std::lock_guard guard(lock);
    opening = false;
    if (opened < 0) {
        lastError = -opened;
        return false;
    }
    device = opened;
    lastError = 0;
    return true;
}

void CharacterDeviceConverter::Close() {
    int closing = -1;
    {
        const std::lock_guard guard(lock);
        if (device < 0 || closeWanted)
            return;
        if (callUnderWay) {
            closeWanted = true;
            return;
        }
        closing = TakeForClosingLocked();
    }
    calls.Close(closing);
}

int CharacterDeviceConverter::TakeForClosingLocked() {
    closeWanted = false;
    return std::exchange(device, -1);
}

int CharacterDeviceConverter::OpenDescriptorLocked() {
    if (device < 0 || closeWanted) {
        lastError = EBADF;
        return -1;
    }
    return device;
}

int CharacterDeviceConverter::Refuse(int error) {
    const std::lock_guard guard(lock);
    lastError = error;
    return 0;
}

int CharacterDeviceConverter::LastError() const {
    const std::lock_guard guard(lock);
    return lastError;
}

int CharacterDeviceConverter::IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                                        std::uint32_t* bytesReturned) {
    if (bytesReturned != nullptr)
        *bytesReturned = 0;
    // A closed converter answers at once, not after a call under way that may never return.
    {
        const std::lock_guard guard(lock);
        if (OpenDescriptorLocked() < 0)
            return 0;
    }
    std::array<std::uint8_t, SampleRecordSize> record{};
    void* argument = nullptr;
    switch (code) {
    case InitialiseCode:
    case SelectSmallRangeCode:
    case SelectLargeRangeCode:
        break;
    case ReadSampleCode:
        if (output == nullptr || outputLength < SampleRecordSize)
            return Refuse(EINVAL);
        argument = record.data();
        break;
    default:
        // An arbitrary request number could mean anything to whatever driver sits behind the node.
        return Refuse(EINVAL);
    }
    const std::lock_guard order(callOrder);
    int open = -1;
    {
        const std::lock_guard guard(lock);
        open = OpenDescriptorLocked();
        if (open < 0)
            return 0;
        callUnderWay = true;
    }
    const int result = calls.Control(open, code, argument);
    int closing = -1;
    {
        const std::lock_guard guard(lock);
        callUnderWay = false;
        lastError = result < 0 ? -result : 0;
        if (closeWanted)
            closing = TakeForClosingLocked();
    }
    if (closing >= 0)
        calls.Close(closing);
    if (result < 0)
        return 0;
    if (argument != nullptr) {
        std::copy(record.begin(), record.end(), output);
        if (bytesReturned != nullptr)
            *bytesReturned = SampleRecordSize;
    }
    return 1;
}

std::shared_ptr<CharacterDeviceConverter> MakeCharacterDeviceConverter(std::string path) {
    return std::make_shared<CharacterDeviceConverter>(std::move(path));
}

} // namespace slabcal
