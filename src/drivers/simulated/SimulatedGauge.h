#pragma once

#include "drivers/simulated/GaugeResponse.h"
#include "drivers/simulated/SimControl.h"
#include "drivers/simulated/SimControlFile.h"
#include "platform/ConverterContract.h"
#include "platform/StreamDriver.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <random>

namespace slabcal {

// The "SPA1:" driver of a board with a probe over a slab, simulated: each sample record is converted from
// the probe height through the gauge's default segment model (GaugeResponse) on the selected range, with
// Gaussian noise relative to the signal and a conversion time, and clamped to the converter's 24 bits.
//
// Control codes: 14 initialises (returns 1) and puts the converter on the small range; 8 and 9 select the
// small and large range (return 1); 12 fills a 5-byte record: byte 0 the range in force (0 small, 1
// large), bytes 1-3 the 24-bit counts most significant first, byte 4 the low byte of a running record
// number; it refuses (returns 0) a missing or shorter buffer. Any other code returns 0. At power-up the
// converter is on the small range and the probe at 40 mm, the first calibration height. A closed driver
// answers every code with 0.
//
// Every setter may be called from any thread while another samples; one mutex guards the state, and the
// conversion time is slept outside it, so a setter never waits for a conversion.
class SimulatedGauge final : public StreamDriver {
public:
    static constexpr std::uint32_t DefaultSeed = 5489;
    static constexpr double DefaultNoise = 0.001;
    static constexpr double PowerUpHeightMm = 40;
    static constexpr std::chrono::microseconds DefaultConversionTime{2000};
    static constexpr std::chrono::microseconds MaxConversionTime{10'000'000};
    static constexpr std::uint32_t MaxCounts = MaxSampleCounts;

    // What the simulator panel shows: the settings in force and what the converter last produced.
    struct Status {
        double heightMm = PowerUpHeightMm;
        double noise = DefaultNoise;
        std::chrono::microseconds conversionTime = DefaultConversionTime;
        ConverterRange range = ConverterRange::Small;
        bool open = false;
        std::uint32_t lastCounts = 0;
        std::uint64_t recordsRead = 0;
        bool absent = false;
        std::uint32_t initFailuresLeft = 0;
        // How many more records succeed before reads fail; nullopt when reads do not fail.
        std::optional<std::uint64_t> recordsBeforeReadFailure;
        bool rangeSwitchFailing = false;
        std::uint32_t rangeSwitchFailuresLeft = 0;
    };

    explicit SimulatedGauge(std::uint32_t seed = DefaultSeed);

    [[nodiscard]] bool Open() override;
    int IoControl(std::uint32_t code, std::uint8_t* output, std::uint32_t outputLength,
                  std::uint32_t* bytesReturned) override;
    void Close() override;

    [[nodiscard]] static bool IsValidHeight(double heightMm);
    [[nodiscard]] static bool IsValidNoise(double relativeSigma);
    [[nodiscard]] static bool IsValidConversionTime(std::chrono::microseconds time);

    // The probe and the converter. A value the matching IsValid... refuses is ignored (result false).
    bool SetHeight(double heightMm);
    bool SetNoise(double relativeSigma);
    // Restarts the noise sequence: the same seed gives the same records again.
    void SetSeed(std::uint32_t seed);
    bool SetConversionTime(std::chrono::microseconds time);

    // Injected faults. Counts are of the calls still to come.
    void FailInitialisations(std::uint32_t count);
    // Records numbered from 0 at this call; the record `firstFailing` and all after it fail. nullopt: none.
    void FailReadsFrom(std::optional<std::uint64_t> firstFailing);
    void SetRangeSwitchFailing(bool failing);
    void FailRangeSwitches(std::uint32_t count);
    // While absent, Open fails as on a board without the driver; an open handle keeps working.
    void SetAbsent(bool absent);
    void ClearFaults();

    // Applies a control file's settings under one lock, so a sampling call never sees half of them.
    void Apply(const SimControl& control);

    // From now on the driver calls (and PollControlFile) pick up `file` whenever it changes, looking at
    // it at most once per `minimumInterval`; it is looked at once right away. Replaces an earlier file.
    void WatchControlFile(std::filesystem::path file,
                          std::chrono::milliseconds minimumInterval = SimControlFile::DefaultPollInterval,
                          std::ostream& problems = std::cerr);
    // For a caller that wants a changed control file shown while nothing samples (the simulator panel).
    void PollControlFile();

    [[nodiscard]] Status CurrentStatus() const;

private:
    [[nodiscard]] int Initialise();
    [[nodiscard]] int SelectRange(ConverterRange wanted);
    [[nodiscard]] int ReadSample(std::uint8_t* output, std::uint32_t outputLength,
                                 std::uint32_t* bytesReturned);
    [[nodiscard]] std::uint32_t ConvertLocked();
    void ReseedLocked(std::uint32_t seed);

    // Held while a control file is looked at and applied; always taken before stateLock, never inside it.
    std::mutex controlLock;
    std::unique_ptr<SimControlFile> controlFile;

    mutable std::mutex stateLock;
    Status status;
    std::uint64_t recordsSinceReadFaultSet = 0;
    std::optional<std::uint64_t> readsFailFrom;
    std::mt19937 engine;
    std::normal_distribution<double> normal;
};

} // namespace slabcal
