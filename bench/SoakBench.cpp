// Soak: the calibration dialog on the headless backend, its worker sampling the simulated gauge as fast as
// it can (conversion time 0, 1 ms + 1 ms pacing), while every 50 ms the operator saves a point, switches
// sampling off or on, or writes the parameter file to a scratch device root. Resident memory is sampled
// every 10 s; a flat curve after the warm-up means no leak on any of those paths.
//
// The headless backend keeps a record of every message box it answered (about 200 bytes a write, for the
// confirmation), which would read as growth of its own; so the dialog, its backend and the application
// object are made anew every 150 s (a quarter of a shorter run), as after a restart of the program.
// Everything else lives on.
//
//   slabcal_bench_soak [seconds=600]
#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "texts/Texts.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace slabcal;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto ActionInterval = 50ms;
constexpr auto SampleInterval = 10s;
constexpr auto LongestSession = 150s;

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when it cannot be read.
long StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return 0;
}

struct Sample {
    double seconds;
    long rssKb;
};

// Least-squares slope of the resident size over time, in kB per minute.
double SlopeKbPerMinute(const std::vector<Sample>& samples) {
    if (samples.size() < 2)
        return 0;
    double meanT = 0;
    double meanR = 0;
    for (const auto& s : samples) {
        meanT += s.seconds;
        meanR += static_cast<double>(s.rssKb);
    }
    meanT /= static_cast<double>(samples.size());
    meanR /= static_cast<double>(samples.size());
    double covariance = 0;
    double variance = 0;
    for (const auto& s : samples) {
        covariance += (s.seconds - meanT) * (static_cast<double>(s.rssKb) - meanR);
        variance += (s.seconds - meanT) * (s.seconds - meanT);
    }
    return variance > 0 ? 60 * covariance / variance : 0;
}

struct Counts {
    long saves = 0;
    long toggles = 0;
    long writes = 0;
    long writesFinished = 0;
    long sessions = 0;
    std::map<std::string, long> boxes;
};

// One run of the program: the application object, its backend and the calibration dialog on it.
struct Session {
    Session(SegmentModel& model, DeviceFileSystem& files)
        : dialog(std::make_unique<CalibrationDialog>(model, files, application.Name(),
                                                     SamplingPacing{1ms, 1ms})),
          window(static_cast<HeadlessWindow&>(dialog->Create(backend))) {}
    ~Session() { dialog.reset(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void TallyBoxes(Counts& counts) const {
        for (const auto& box : backend.Boxes())
            ++counts.boxes[box.text];
    }

    HeadlessBackend backend;
    Application application{"slabcal", backend};
    std::unique_ptr<CalibrationDialog> dialog;
    HeadlessWindow& window;
};

} // namespace

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 600;
    if (seconds < 1) {
        std::fprintf(stderr, "usage: %s [seconds>=1]\n", argv[0]);
        return 2;
    }
    const auto duration = std::chrono::seconds(seconds);
    // Allocators, thread stacks and the first file writes settle first; the curve is judged after that.
    const auto warmUp = std::min<Clock::duration>(30s, duration / 10);
    // Short runs, the sanitizer ones, still go through a few restarts.
    const auto sessionLength = std::min<Clock::duration>(LongestSession, duration / 4);

    std::string rootPattern = std::filesystem::temp_directory_path().string() + "/slabcal-soak-XXXXXX";
    if (::mkdtemp(rootPattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string root = rootPattern;
    std::filesystem::create_directories(root + "/NandFlash");

    auto gauge = std::make_shared<SimulatedGauge>();
    gauge->SetConversionTime(0us);
    Drivers().Bind(ConverterDeviceName, gauge);

    SegmentModel model;
    DeviceFileSystem files(root);
    Counts counts;
    std::vector<Sample> samples;
    long startRss = 0;
    long maxRss = 0;
    {
        auto session = std::make_unique<Session>(model, files);
        ++counts.sessions;
        const auto start = Clock::now();
        auto nextSample = start + warmUp;
        auto nextSession = start + sessionLength;
        long action = 0;
        while (Clock::now() - start < duration) {
            HeadlessWindow& window = session->window;
            CalibrationDialog& dialog = *session->dialog;
            window.PumpUntil([] { return false; }, ActionInterval);
            // Twenty actions a second round: seventeen saves, sampling off and on again, one write.
            switch (action++ % 20) {
            case 5:
            case 6:
                dialog.HandleCommand(ids::ToggleButton, Notification::Clicked); // the button is hidden
                ++counts.toggles;
                break;
            case 19:
                window.SetText(ids::StatusLine, "");
                window.Click(ids::WriteParametersButton);
                ++counts.writes;
                counts.writesFinished += window.GetText(ids::StatusLine) == texts::WriteFinished ? 1 : 0;
                break;
            default:
                window.Click(ids::SavePointButton);
                ++counts.saves;
                // The probe moves to the next height, so the next save records a sound point.
                const int row = std::clamp(dialog.CurrentRow(), 0, points::RowCount - 1);
                gauge->SetHeight(std::stod(std::string(points::Heights[static_cast<std::size_t>(row)])));
                break;
            }
            if (Clock::now() >= nextSession) {
                session->TallyBoxes(counts);
                session.reset();
                session = std::make_unique<Session>(model, files);
                ++counts.sessions;
                nextSession += sessionLength;
            }
            if (Clock::now() >= nextSample) {
                const double at = std::chrono::duration<double>(Clock::now() - start).count();
                const long rss = StatusKilobytes("VmRSS");
                if (samples.empty())
                    startRss = rss;
                maxRss = std::max(maxRss, rss);
                samples.push_back({at, rss});
                std::printf("t=%6.0f s  VmRSS %6ld kB  records %llu  saves %ld  toggles %ld  writes %ld\n",
                            at, rss, static_cast<unsigned long long>(gauge->CurrentStatus().recordsRead),
                            counts.saves, counts.toggles, counts.writes);
                std::fflush(stdout);
                nextSample += SampleInterval;
            }
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const long endRss = StatusKilobytes("VmRSS");
        maxRss = std::max(maxRss, endRss);
        samples.push_back({elapsed, endRss});
        const auto records = gauge->CurrentStatus().recordsRead;
        session->TallyBoxes(counts);
        session.reset();

        std::printf(
            "\nsoak of %.0f s (warm-up %.0f s), worker pacing 1 ms + 1 ms, conversion time 0, %ld sessions\n",
            elapsed, std::chrono::duration<double>(warmUp).count(), counts.sessions);
        std::printf("  sampling cycles %llu (%.0f per second)\n",
                    static_cast<unsigned long long>(records / 5), static_cast<double>(records / 5) / elapsed);
        std::printf("  saves %ld, toggles %ld, writes %ld (%ld reported written)\n", counts.saves,
                    counts.toggles, counts.writes, counts.writesFinished);
        for (const auto& [text, count] : counts.boxes)
            std::printf("  box \"%s\" %ld times\n", text.c_str(), count);
        std::printf("  VmRSS after warm-up %ld kB, at end %ld kB (%+ld kB), max %ld kB, VmHWM %ld kB\n",
                    startRss, endRss, endRss - startRss, maxRss, StatusKilobytes("VmHWM"));
        std::printf("  VmRSS trend after warm-up %+.2f kB per minute over %zu samples\n",
                    SlopeKbPerMinute(samples), samples.size());
    }
    Drivers().Unbind(ConverterDeviceName);
    std::filesystem::remove_all(root);
    return 0;
}
