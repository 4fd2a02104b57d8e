#include "drivers/chardev/CharacterDeviceConverter.h"

#include "platform/ConverterContract.h"
#include "platform/TransientFailure.h"

#include <slabcal/spa1.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

namespace slabcal {

static_assert(sizeof(spa1_sample) == SampleRecordSize);

namespace {

struct Request {
    unsigned long number;
    std::string_view name;
};

// The kernel's request for each of the converter's codes; none for any other code.
std::optional<Request> RequestOf(std::uint32_t code) {
    switch (code) {
    case InitialiseCode:
        return Request{SPA1_INITIALISE, "SPA1_INITIALISE"};
    case SelectSmallRangeCode:
        return Request{SPA1_SELECT_SMALL_RANGE, "SPA1_SELECT_SMALL_RANGE"};
    case SelectLargeRangeCode:
        return Request{SPA1_SELECT_LARGE_RANGE, "SPA1_SELECT_LARGE_RANGE"};
    case ReadSampleCode:
        return Request{SPA1_READ_SAMPLE, "SPA1_READ_SAMPLE"};
    default:
        return std::nullopt;
    }
}

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

// Why the open failed, in the words of the step that refused it.
std::string OpenProblem(const std::string& path, int error) {
    if (error == ENODEV)
        return path + ": open: not a character device";
    if (error == EWOULDBLOCK)
        return path + ": flock: another process holds the converter";
    return path + ": open: " + ErrorText(error);
}

} // namespace

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
            RefuseLocked(path + ": already open, or a call on it has not returned");
            return false;
        }
        opening = true;
    }
    const int opened = calls.OpenExclusive(path);
    const std::lock_guard guard(lock);
    opening = false;
    if (opened < 0) {
        RefuseLocked(OpenProblem(path, -opened));
        return false;
    }
    device = opened;
    lastProblem.clear();
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
        RefuseLocked(path + ": not open");
        return -1;
    }
    return device;
}

int CharacterDeviceConverter::Refuse(std::string why) {
    const std::lock_guard guard(lock);
    RefuseLocked(std::move(why));
    return 0;
}

void CharacterDeviceConverter::RefuseLocked(std::string why) {
    lastProblem = std::move(why);
}

std::string CharacterDeviceConverter::LastProblem() const {
    const std::lock_guard guard(lock);
    return lastProblem;
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
    // An arbitrary request number could mean anything to whatever driver sits behind the node.
    const std::optional<Request> request = RequestOf(code);
    if (!request)
        return Refuse("unknown control code " + std::to_string(code));
    spa1_sample record{};
    void* argument = nullptr;
    if (code == ReadSampleCode) {
        if (output == nullptr || outputLength < SampleRecordSize)
            return Refuse("no room for a sample record");
        argument = &record;
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
    const RetriedCall tried = RetryTransient([&] {
        const int result = calls.Control(open, request->number, argument);
        return result < 0 ? -result : 0;
    });
    int closing = -1;
    {
        const std::lock_guard guard(lock);
        callUnderWay = false;
        if (tried.error != 0)
            RefuseLocked(path + ": ioctl " + std::string(request->name) + ": " + ErrorText(tried.error) +
                         AttemptsNote(tried));
        else
            lastProblem.clear();
        if (closeWanted)
            closing = TakeForClosingLocked();
    }
    if (closing >= 0)
        calls.Close(closing);
    if (tried.error != 0)
        return 0;
    if (argument != nullptr) {
        std::copy(std::begin(record.bytes), std::end(record.bytes), output);
        if (bytesReturned != nullptr)
            *bytesReturned = SampleRecordSize;
    }
    return 1;
}

std::shared_ptr<CharacterDeviceConverter> MakeCharacterDeviceConverter(std::string path) {
    return std::make_shared<CharacterDeviceConverter>(std::move(path));
}

} // namespace slabcal
