#include "drivers/simulated/SimulatedGauge.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace slabcal {
namespace {

std::uint32_t ClampedCounts(double counts) {
    if (!(counts > 0)) // also catches NaN
        return 0;
    if (counts >= SimulatedGauge::MaxCounts)
        return SimulatedGauge::MaxCounts;
    return static_cast<std::uint32_t>(std::llround(counts));
}

} // namespace

SimulatedGauge::SimulatedGauge(std::uint32_t seed) : engine(seed) {}

bool SimulatedGauge::IsValidHeight(double heightMm) {
    return std::isfinite(heightMm) && heightMm >= 0;
}

bool SimulatedGauge::IsValidNoise(double relativeSigma) {
    return std::isfinite(relativeSigma) && relativeSigma >= 0 && relativeSigma <= 1;
}

bool SimulatedGauge::IsValidConversionTime(std::chrono::microseconds time) {
    return time.count() >= 0 && time <= MaxConversionTime;
}

bool SimulatedGauge::Open() {
    PollControlFile();
    std::lock_guard guard(stateLock);
    if (status.absent || status.open)
        return false;
    status.open = true;
    return true;
}

void SimulatedGauge::Close() {
    std::lock_guard guard(stateLock);
    status.open = false;
}

int SimulatedGauge::IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                              std::uint32_t* bytesReturned) {
    PollControlFile();
    if (bytesReturned != nullptr)
        *bytesReturned = 0;
    switch (code) {
    case InitialiseCode:
        return Initialise();
    case SelectSmallRangeCode:
        return SelectRange(ConverterRange::Small);
    case SelectLargeRangeCode:
        return SelectRange(ConverterRange::Large);
    case ReadSampleCode:
        return ReadSample(output, outputLength, bytesReturned);
    default:
        return 0;
    }
}

int SimulatedGauge::Initialise() {
    std::lock_guard guard(stateLock);
    if (!status.open)
        return 0;
    if (status.initFailuresLeft > 0) {
        --status.initFailuresLeft;
        return 0;
    }
    status.range = ConverterRange::Small;
    return 1;
}

int SimulatedGauge::SelectRange(ConverterRange wanted) {
    std::lock_guard guard(stateLock);
    if (!status.open || status.rangeSwitchFailing)
        return 0;
    if (status.rangeSwitchFailuresLeft > 0) {
        --status.rangeSwitchFailuresLeft;
        return 0;
    }
    status.range = wanted;
    return 1;
}

int SimulatedGauge::ReadSample(std::uint8_t* output, std::uint32_t outputLength,
                               std::uint32_t* bytesReturned) {
    if (output == nullptr || outputLength < SampleRecordSize)
        return 0;
    std::uint32_t counts = 0;
    std::uint8_t rangeByte = 0;
    std::uint8_t sequenceByte = 0;
    std::chrono::microseconds conversionTime{};
    {
        std::lock_guard guard(stateLock);
        if (!status.open)
            return 0;
        if (readsFailFrom && recordsSinceReadFaultSet >= *readsFailFrom)
            return 0;
        ++recordsSinceReadFaultSet;
        counts = ConvertLocked();
        status.lastCounts = counts;
        ++status.recordsRead;
        rangeByte = status.range == ConverterRange::Small ? 0 : 1;
        sequenceByte = static_cast<std::uint8_t>(status.recordsRead & 0xFF);
        conversionTime = status.conversionTime;
    }
    // Outside the lock: the panel and the control file may change settings while a conversion runs.
    if (conversionTime.count() > 0)
        std::this_thread::sleep_for(conversionTime);
    const SampleRecord record = EncodeSampleRecord(counts, rangeByte, sequenceByte);
    std::copy(record.begin(), record.end(), output);
    if (bytesReturned != nullptr)
        *bytesReturned = SampleRecordSize;
    return 1;
}

std::uint32_t SimulatedGauge::ConvertLocked() {
    double counts = GaugeResponse(status.heightMm, status.range);
    // No draw without noise, so a noise-free gauge gives the model's counts exactly.
    if (status.noise > 0)
        counts *= 1.0 + status.noise * normal(engine);
    return ClampedCounts(counts);
}

void SimulatedGauge::ReseedLocked(std::uint32_t seed) {
    engine.seed(seed);
    // The distribution keeps a spare value between calls; it would leak the old sequence into the new.
    normal.reset();
}

bool SimulatedGauge::SetHeight(double heightMm) {
    if (!IsValidHeight(heightMm))
        return false;
    std::lock_guard guard(stateLock);
    status.heightMm = heightMm;
    return true;
}

bool SimulatedGauge::SetNoise(double relativeSigma) {
    if (!IsValidNoise(relativeSigma))
        return false;
    std::lock_guard guard(stateLock);
    status.noise = relativeSigma;
    return true;
}

void SimulatedGauge::SetSeed(std::uint32_t seed) {
    std::lock_guard guard(stateLock);
    ReseedLocked(seed);
}

bool SimulatedGauge::SetConversionTime(std::chrono::microseconds time) {
    if (!IsValidConversionTime(time))
        return false;
    std::lock_guard guard(stateLock);
    status.conversionTime = time;
    return true;
}

void SimulatedGauge::FailInitialisations(std::uint32_t count) {
    std::lock_guard guard(stateLock);
    status.initFailuresLeft = count;
}

void SimulatedGauge::FailReadsFrom(std::optional<std::uint64_t> firstFailing) {
    std::lock_guard guard(stateLock);
    readsFailFrom = firstFailing;
    recordsSinceReadFaultSet = 0;
}

void SimulatedGauge::SetRangeSwitchFailing(bool failing) {
    std::lock_guard guard(stateLock);
    status.rangeSwitchFailing = failing;
}

void SimulatedGauge::FailRangeSwitches(std::uint32_t count) {
    std::lock_guard guard(stateLock);
    status.rangeSwitchFailuresLeft = count;
}

void SimulatedGauge::SetAbsent(bool absent) {
    std::lock_guard guard(stateLock);
    status.absent = absent;
}

void SimulatedGauge::ClearFaults() {
    std::lock_guard guard(stateLock);
    status.absent = false;
    status.initFailuresLeft = 0;
    status.rangeSwitchFailing = false;
    status.rangeSwitchFailuresLeft = 0;
    readsFailFrom.reset();
    recordsSinceReadFaultSet = 0;
}

void SimulatedGauge::Apply(const SimControl& control) {
    std::lock_guard guard(stateLock);
    if (control.heightMm && IsValidHeight(*control.heightMm))
        status.heightMm = *control.heightMm;
    if (control.noise && IsValidNoise(*control.noise))
        status.noise = *control.noise;
    if (control.seed)
        ReseedLocked(*control.seed);
    if (control.conversionTime && IsValidConversionTime(*control.conversionTime))
        status.conversionTime = *control.conversionTime;
    if (control.initFailures)
        status.initFailuresLeft = *control.initFailures;
    if (control.readsFailFrom) {
        readsFailFrom = *control.readsFailFrom;
        recordsSinceReadFaultSet = 0;
    }
    if (control.rangeSwitchFailing)
        status.rangeSwitchFailing = *control.rangeSwitchFailing;
    if (control.rangeSwitchFailures)
        status.rangeSwitchFailuresLeft = *control.rangeSwitchFailures;
    if (control.absent)
        status.absent = *control.absent;
}

void SimulatedGauge::WatchControlFile(std::filesystem::path file, std::chrono::milliseconds minimumInterval,
                                      std::ostream& problems) {
    std::lock_guard guard(controlLock);
    controlFile = std::make_unique<SimControlFile>(std::move(file), minimumInterval, problems);
    if (auto control = controlFile->Poll())
        Apply(*control);
}

// The file is looked at from the driver's own calls rather than by a watcher thread: the sampling worker
// calls every ~100 ms while it runs, which is exactly when a change matters, and no extra thread has to be
// started, paced and stopped with the gauge.
void SimulatedGauge::PollControlFile() {
    std::lock_guard guard(controlLock);
    if (!controlFile)
        return;
    if (auto control = controlFile->Poll())
        Apply(*control);
}

SimulatedGauge::Status SimulatedGauge::CurrentStatus() const {
    std::lock_guard guard(stateLock);
    Status snapshot = status;
    if (readsFailFrom)
        snapshot.recordsBeforeReadFailure =
            *readsFailFrom > recordsSinceReadFaultSet ? *readsFailFrom - recordsSinceReadFaultSet : 0;
    return snapshot;
}

} // namespace slabcal
