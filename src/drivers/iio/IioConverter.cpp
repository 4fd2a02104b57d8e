#include "drivers/iio/IioConverter.h"

#include "drivers/iio/IioDeviceFolder.h"
#include "drivers/iio/IioText.h"
#include "platform/ConverterContract.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace slabcal {
namespace {

std::string FileName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

std::string Describe(const std::string& path, int error) {
    return FileName(path) + ": " + std::generic_category().message(error);
}

} // namespace

IioConverter::IioConverter(IioSettings chosen, SysfsFiles& sysfs)
    : settings(std::move(chosen)), files(sysfs) {}

bool IioConverter::Open() {
    std::lock_guard guard(lock);
    if (isOpen) {
        problem = "already open";
        return false;
    }
    problem.clear();
    const auto folder = FindIioDeviceFolder(settings.sysfsRoot, settings.device, files, problem);
    if (!folder)
        return false;
    deviceFolder = *folder;
    // A channel that cannot give a conversion now is no converter to calibrate with.
    if (!ReadRawLocked())
        return false;
    isOpen = true;
    return true;
}

void IioConverter::Close() {
    std::lock_guard guard(lock);
    isOpen = false;
}

std::string IioConverter::LastProblem() const {
    std::lock_guard guard(lock);
    return problem;
}

int IioConverter::IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                            std::uint32_t* bytesReturned) {
    if (bytesReturned != nullptr)
        *bytesReturned = 0;
    std::lock_guard guard(lock);
    problem.clear();
    if (!isOpen)
        return FailLocked("not open");
    switch (code) {
    case InitialiseCode:
        return ReadRawLocked() ? 1 : 0;
    case SelectSmallRangeCode:
        return SelectScaleLocked(settings.smallScale);
    case SelectLargeRangeCode:
        return SelectScaleLocked(settings.largeScale);
    case ReadSampleCode:
        return ReadSampleLocked(output, outputLength, bytesReturned);
    default:
        return FailLocked("unknown control code " + std::to_string(code));
    }
}

int IioConverter::FailLocked(std::string why) {
    problem = std::move(why);
    return 0;
}

std::optional<std::int64_t> IioConverter::ReadRawLocked() {
    const std::string path = ChannelFiles(deviceFolder, settings.channel).raw;
    const SysfsFiles::ReadResult read = files.Read(path);
    if (read.error != 0) {
        FailLocked(Describe(path, read.error));
        return std::nullopt;
    }
    const auto raw = ParseRawValue(read.text);
    if (!raw)
        FailLocked(FileName(path) + ": not an integer: '" + std::string(TrimmedText(read.text)) + "'");
    return raw;
}

int IioConverter::ReadSampleLocked(std::uint8_t* output, std::uint32_t outputLength,
                                   std::uint32_t* bytesReturned) {
    if (output == nullptr || outputLength < SampleRecordSize)
        return FailLocked("no room for a sample record");
    const auto raw = ReadRawLocked();
    if (!raw)
        return 0;
    const std::uint32_t counts = SaturatedCounts(*raw);
    const SampleRecord record = EncodeSampleRecord(counts);
    std::copy(record.begin(), record.end(), output);
    if (bytesReturned != nullptr)
        *bytesReturned = SampleRecordSize;
    return 1;
}

// A range is only as good as the scale the device really took: the value must be one it offers, and what
// it reports afterwards must be that value, or the counts would be read on a range the tool does not know.
int IioConverter::SelectScaleLocked(const std::optional<std::string>& scale) {
    if (!scale)
        return 1;
    const std::string text(TrimmedText(*scale));
    const auto wanted = ParseScale(text);
    if (!wanted)
        return FailLocked("scale '" + text + "' is not a number");

    const IioChannelFiles channel = ChannelFiles(deviceFolder, settings.channel);
    const SysfsFiles::ReadResult available = files.Read(channel.scaleAvailable);
    if (available.error != 0)
        return FailLocked(Describe(channel.scaleAvailable, available.error));
    const auto offered = ParseScaleList(available.text);
    if (!offered)
        return FailLocked(FileName(channel.scaleAvailable) + ": not a list of scales");
    if (std::find(offered->begin(), offered->end(), *wanted) == offered->end())
        return FailLocked("scale " + text + " is not one of " + std::string(TrimmedText(available.text)));

    if (const int error = files.Write(channel.scale, text); error != 0)
        return FailLocked(Describe(channel.scale, error));
    const SysfsFiles::ReadResult readBack = files.Read(channel.scale);
    if (readBack.error != 0)
        return FailLocked(Describe(channel.scale, readBack.error));
    const auto taken = ParseScale(readBack.text);
    if (!taken || *taken != *wanted)
        return FailLocked(FileName(channel.scale) + " reads '" + std::string(TrimmedText(readBack.text)) +
                          "' after writing " + text);
    return 1;
}

std::shared_ptr<IioConverter> MakeIioConverter(const IioSettings& settings) {
    return std::make_shared<IioConverter>(settings);
}

} // namespace slabcal
