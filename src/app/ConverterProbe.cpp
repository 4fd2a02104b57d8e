#include "app/ConverterProbe.h"

#include "acquisition/AdcDevice.h"
#include "acquisition/SamplingWorker.h"
#include "acquisition/ThreadCensus.h"
#include "commands/Commands.h"
#include "platform/ConverterContract.h"
#include "platform/DriverRegistry.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace slabcal {
namespace {

using Clock = std::chrono::steady_clock;

// Far beyond the slowest converter's cycle (five conversions of 400 ms and the pauses): a converter that
// has given nothing by then is stuck in its driver.
constexpr std::chrono::seconds ProbeCycleBound{10};

// The worker's view as lines of text. Every call comes from the worker's thread.
class ProbeView final : public SamplingView {
public:
    ProbeView(std::ostream& output, int wanted) : out(output), count(wanted), last(Clock::now()) {}

    void ShowSignalFromWorker(const std::string& text, std::stop_token) override {
        const std::lock_guard guard(lock);
        const auto now = Clock::now();
        ++cycles;
        out << "cycle " << cycles << "  signal " << text << "  "
            << std::chrono::duration_cast<std::chrono::milliseconds>(now - last).count() << " ms"
            << std::endl;
        last = now;
        if (cycles >= count)
            End(Outcome::Done);
        changed.notify_all();
    }
    void ShowRangeErrorFromWorker(std::stop_token) override {
        const std::lock_guard guard(lock);
        const std::string why = ConverterProblem();
        out << "cycle " << cycles
            << "  range not set: " << (why.empty() ? "the driver does not say why" : why) << std::endl;
    }
    void ShowConverterLostFromWorker(const std::string& why, std::stop_token) override {
        const std::lock_guard guard(lock);
        out << "cycle " << cycles + 1
            << "  converter lost: " << (why.empty() ? "the driver does not say why" : why) << std::endl;
        End(Outcome::Lost);
    }

    enum class Outcome { Running, Done, Lost, Silent };
    // Waits until the wanted cycles are read, the converter is lost, or no cycle ends within the bound.
    Outcome Wait() {
        std::unique_lock guard(lock);
        while (outcome == Outcome::Running) {
            const int seen = cycles;
            if (!changed.wait_for(guard, ProbeCycleBound,
                                  [&] { return outcome != Outcome::Running || cycles != seen; }))
                return Outcome::Silent;
        }
        return outcome;
    }

private:
    void End(Outcome how) {
        if (outcome == Outcome::Running)
            outcome = how;
        changed.notify_all();
    }

    std::ostream& out;
    const int count;
    std::mutex lock;
    std::condition_variable changed;
    Clock::time_point last;
    int cycles = 0;
    Outcome outcome = Outcome::Running;
};

} // namespace

int RunProbe(const PortOptions& port, const ProbeOptions& probe, std::ostream& out, std::ostream& err) {
    const MadeDriver converter = port.driver->make(port.driverRequest);
    if (!converter.error.empty()) {
        err << "slabcal: " << converter.error << '\n';
        return exit_status::Refused;
    }
    Drivers().Unbind(ConverterDeviceName);
    if (converter.driver)
        Drivers().Bind(ConverterDeviceName, converter.driver, converter.description);
    out << "converter: "
        << (converter.description.empty() ? std::string(port.driver->form) : converter.description) << ", "
        << (probe.range == ConverterRange::Small ? "small" : "large") << " range, " << probe.count
        << " cycles" << std::endl;

    if (!OpenDevice()) {
        err << "slabcal: the converter could not be opened\n";
        return exit_status::Failed;
    }
    if (InitConverter() == 0)
        out << "initialise: failed: " << ConverterProblem() << " (the window goes on; so does the probe)"
            << std::endl;

    // The window's worker sets the range after each cycle's reads, so its first cycle reads on whatever
    // range the converter had; the probe sets it first, so that every line it prints is on the range asked.
    const AdResult range = probe.range == ConverterRange::Small ? SelectSmallRange() : SelectLargeRange();
    if (range != AdOk)
        out << "range not set: " << ConverterProblem() << std::endl;
    // A row of the range asked for: the worker picks the range from the row, as it does in the window.
    const auto row = std::make_shared<std::atomic<int32_t>>(
        probe.range == ConverterRange::Small ? 0 : LastSmallRangeRow + 1);
    const auto view = std::make_shared<ProbeView>(out, probe.count);
    ProbeView::Outcome outcome = ProbeView::Outcome::Silent;
    {
        SamplingWorker worker(view, row);
        if (worker.StartSampling())
            outcome = view->Wait();
        worker.StopSampling();
    }
    CloseDevice();
    Drivers().Unbind(ConverterDeviceName);
    switch (outcome) {
    case ProbeView::Outcome::Done:
        return ThreadCensus::EndOfProgram(exit_status::Success);
    case ProbeView::Outcome::Silent:
        err << "slabcal: the converter gave no signal within " << ProbeCycleBound.count() << " s\n";
        break;
    case ProbeView::Outcome::Lost:
    case ProbeView::Outcome::Running:
        err << "slabcal: the converter stopped answering\n";
        break;
    }
    return ThreadCensus::EndOfProgram(exit_status::Failed);
}

} // namespace slabcal
