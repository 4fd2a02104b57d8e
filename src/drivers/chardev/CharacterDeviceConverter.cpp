#include "drivers/chardev/CharacterDeviceConverter.h"

#include "platform/ConverterContract.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

namespace slabcal {

CharacterDeviceConverter::CharacterDeviceConverter(std::string node, DeviceCalls& kernel)
    : path(std::move(node)), calls(kernel) {}

CharacterDeviceConverter::~CharacterDeviceConverter() {
    std::lock_guard guard(lock);
    CloseLocked();
}

bool CharacterDeviceConverter::Open() {
    std::lock_guard guard(lock);
    if (device >= 0) {
        lastError = EBUSY;
        return false;
    }
    const int opened = calls.OpenExclusive(path);
    if (opened < 0) {
        lastError = -opened;
        return false;
    }
    device = opened;
    lastError = 0;
    return true;
}

void CharacterDeviceConverter::Close() {
    std::lock_guard guard(lock);
    CloseLocked();
}

void CharacterDeviceConverter::CloseLocked() {
    if (device >= 0)
        calls.Close(device);
    device = -1;
}

int CharacterDeviceConverter::LastError() const {
    std::lock_guard guard(lock);
    return lastError;
}

int CharacterDeviceConverter::IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                                        std::uint32_t* bytesReturned) {
    if (bytesReturned != nullptr)
        *bytesReturned = 0;
    std::lock_guard guard(lock);
    if (device < 0) {
        lastError = EBADF;
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
        if (output == nullptr || outputLength < SampleRecordSize) {
            lastError = EINVAL;
            return 0;
        }
        argument = record.data();
        break;
    default:
        // An arbitrary request number could mean anything to whatever driver sits behind the node.
        lastError = EINVAL;
        return 0;
    }
    const int result = calls.Control(device, code, argument);
    if (result < 0) {
        lastError = -result;
        return 0;
    }
    lastError = 0;
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
