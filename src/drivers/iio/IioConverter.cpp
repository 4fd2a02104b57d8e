#include "drivers/iio/IioConverter.h"

#include "drivers/iio/IioDeviceFolder.h"
#include "drivers/iio/IioText.h"
#include "platform/ConverterContract.h"
#include "platform/TransientFailure.h"

#include <algorithm>
#include <cerrno>
#include <utility>

namespace slabcal {
IioConverter::IioConverter(IioSettings chosen, SysfsFiles& sysfs)
    : settings(std::move(chosen)), files(sysfs) {}

bool IioConverter::Open() {
    const std::unique_lock guard(callLock, std::try_to_lock);
    if (!guard.owns_lock())
        return Fail("busy: an earlier call has not returned");
    if (isOpen.load())
        return Fail("already open");
    ClearProblem();
    std::string why;
    const auto folder = FindIioDeviceFolder(settings.sysfsRoot, settings.device, files, why);
    if (!folder)
        return Fail(std::move(why));
    deviceFolder = *folder;
    if (settings.samplingFrequency) {
        const std::string path = Files().samplingFrequency;
        if (const auto written = files.Write(path, *settings.samplingFrequency); written.error != 0)
            return Fail(DescribeSysfsFailure(path, written.call, written.error));
    }
    // A channel that cannot give a conversion now is no converter to calibrate with.
    if (!ReadOffsetLocked() || !ReadRawLocked())
        return false;
    isOpen.store(true);
    return true;
}

// Nothing to release but the flag; a call under way finishes on its own.
void IioConverter::Close() {
    isOpen.store(false);
}

std::string IioConverter::LastProblem() const {
    const std::lock_guard guard(problemLock);
    return problem;
}

int IioConverter::IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                            std::uint32_t* bytesReturned) {
    if (bytesReturned != nullptr)
        *bytesReturned = 0;
    const std::lock_guard guard(callLock);
    ClearProblem();
    if (!isOpen.load())
        return Fail("not open");
    switch (code) {
    case InitialiseCode:
        return ReadOffsetLocked() && ReadRawLocked() ? 1 : 0;
    case SelectSmallRangeCode:
        return SelectScaleLocked(settings.smallScale);
    case SelectLargeRangeCode:
        return SelectScaleLocked(settings.largeScale);
    case ReadSampleCode:
        return ReadSampleLocked(output, outputLength, bytesReturned);
    default:
        return Fail("unknown control code " + std::to_string(code));
    }
}

void IioConverter::ClearProblem() {
    const std::lock_guard guard(problemLock);
    problem.clear();
}

int IioConverter::Fail(std::string why) {
    const std::lock_guard guard(problemLock);
    problem = std::move(why);
    return 0;
}

IioChannelFiles IioConverter::Files() const {
    return ChannelFiles(deviceFolder, settings.channel, settings.negativeChannel);
}

// The offset can change with the device's setup (a bipolar mode, a range), so it is read again whenever
// the converter is set up: at open, at each initialise and after each range.
bool IioConverter::ReadOffsetLocked() {
    const std::string path = Files().offset;
    const SysfsFiles::ReadResult read = files.Read(path);
    if (read.error == ENOENT) {
        offset = 0; // the ABI leaves the attribute out when the offset is 0
        return true;
    }
    if (read.error != 0) {
        Fail(DescribeSysfsFailure(path, read.call, read.error));
        return false;
    }
    const auto value = ParseDecimal(read.text);
    if (!value) {
        Fail(path + ": not a number: '" + std::string(TrimmedText(read.text)) + "'");
        return false;
    }
    offset = *value;
    return true;
}

std::optional<std::int64_t> IioConverter::ReadRawLocked() {
    const std::string path = Files().raw;
    SysfsFiles::ReadResult read;
    const RetriedCall tried = RetryTransient([&] {
        read = files.Read(path);
        return read.error;
    });
    if (read.error != 0) {
        Fail(DescribeSysfsFailure(path, read.call, read.error) + AttemptsNote(tried));
        return std::nullopt;
    }
    const auto raw = ParseRawValue(read.text);
    if (!raw)
        Fail(path + ": not an integer: '" + std::string(TrimmedText(read.text)) + "'");
    return raw;
}

int IioConverter::ReadSampleLocked(std::uint8_t* output, std::uint32_t outputLength,
                                   std::uint32_t* bytesReturned) {
    if (output == nullptr || outputLength < SampleRecordSize)
        return Fail("no room for a sample record");
    const auto raw = ReadRawLocked();
    if (!raw)
        return 0;
    const std::uint32_t counts = GaugeCounts(*raw, offset, settings.polarity);
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
    const auto wanted = ParseDecimal(text);
    if (!wanted)
        return Fail("scale '" + text + "' is not a number");

    const IioChannelFiles channel = Files();
    // A converter of one gain has one range: both codes leave it as it is.
    if (HasFixedScale(channel))
        return 1;
    const SysfsFiles::ReadResult available = files.Read(channel.scaleAvailable);
    if (available.error != 0)
        return Fail(DescribeSysfsFailure(channel.scaleAvailable, available.call, available.error));
    const auto offered = ParseScaleChoices(available.text);
    if (!offered)
        return Fail(channel.scaleAvailable + ": not a list or range of scales");
    if (!offered->Offers(*wanted))
        return Fail(channel.scaleAvailable + ": scale " + text + " is not one of '" +
                    std::string(TrimmedText(available.text)) + "'");

    SysfsFiles::WriteResult written;
    const RetriedCall tried = RetryTransient([&] {
        written = files.Write(channel.scale, text);
        return written.error;
    });
    if (written.error != 0)
        return Fail(DescribeSysfsFailure(channel.scale, written.call, written.error) + AttemptsNote(tried));
    const SysfsFiles::ReadResult readBack = files.Read(channel.scale);
    if (readBack.error != 0)
        return Fail(DescribeSysfsFailure(channel.scale, readBack.call, readBack.error));
    const auto taken = ParseDecimal(readBack.text);
    if (!taken || *taken != *wanted)
        return Fail(channel.scale + " reads '" + std::string(TrimmedText(readBack.text)) +
                    "' after writing " + text);
    return ReadOffsetLocked() ? 1 : 0;
}

std::shared_ptr<IioConverter> MakeIioConverter(const IioSettings& settings) {
    return std::make_shared<IioConverter>(settings);
}

} // namespace slabcal
