// Sampling worker figures against the simulated gauge, or the IIO driver over a sysfs tree in a scratch
// folder: cycle period and jitter, CPU while sampling, and the latency of StopSampling, both from a worker
// between reads and from one waiting on a UI call.
//
//   slabcal_bench_sampling [cycles=200] [pairs=200] [sim|iio] [conversion_ms]
//
// With a conversion time the simulated gauge converts as slowly as a real sigma-delta converter (hx711:
// 100 ms, ad7192 / ad7124 at their defaults: 400 ms): a cycle is then five conversions and the 100 ms pause.
#include "acquisition/AdcDevice.h"
#include "acquisition/SamplingView.h"
#include "acquisition/SamplingWorker.h"
#include "drivers/iio/IioConverter.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "platform/ConverterContract.h"
#include "platform/DriverRegistry.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace slabcal;
using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

// Takes every text at once and notes when each signal value arrived. Optionally holds the worker in its
// signal update until the stop token fires, as a UI thread busy in StopSampling would.
class TimingView final : public SamplingView {
public:
    explicit TimingView(bool hold = false) : holdUpdates(hold) {}

    void ShowSignalFromWorker(const std::string&, std::stop_token stop) override {
        std::unique_lock guard(lock);
        arrivals.push_back(Clock::now());
        changed.notify_all();
        if (holdUpdates) {
            std::condition_variable_any wake;
            wake.wait(guard, stop, [] { return false; });
        }
    }
    void ShowRangeErrorFromWorker(std::stop_token) override {}
    void ShowConverterLostFromWorker(const std::string&, std::stop_token) override {}

    void WaitForArrivals(std::size_t count) {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return arrivals.size() >= count; });
    }
    std::vector<Clock::time_point> Arrivals() {
        std::lock_guard guard(lock);
        return arrivals;
    }

private:
    const bool holdUpdates;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Clock::time_point> arrivals;
};

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void MeasureCycles(std::size_t cycles, Millis ideal) {
    auto view = std::make_shared<TimingView>();
    auto currentRow = std::make_shared<std::atomic<int32_t>>(3);
    SamplingWorker worker(view, currentRow);

    const double cpuBefore = CpuSeconds();
    const auto wallBefore = Clock::now();
    worker.StartSampling();
    view->WaitForArrivals(cycles + 1);
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = CpuSeconds() - cpuBefore;
    worker.StopSampling();

    const auto arrivals = view->Arrivals();
    std::vector<double> periods;
    for (std::size_t i = 1; i <= cycles; ++i)
        periods.push_back(Millis(arrivals[i] - arrivals[i - 1]).count());
    const double mean =
        std::accumulate(periods.begin(), periods.end(), 0.0) / static_cast<double>(periods.size());
    double squares = 0;
    for (double period : periods)
        squares += (period - mean) * (period - mean);
    const double deviation = std::sqrt(squares / static_cast<double>(periods.size()));

    std::printf("cycle period over %zu cycles (ideal %.2f ms = 100 ms sleep + 5 conversions)\n", cycles,
                ideal.count());
    std::printf("  mean %.3f ms (%+.3f ms over ideal), jitter (std dev) %.3f ms\n", mean,
                mean - ideal.count(), deviation);
    std::printf("  min %.3f  p50 %.3f  p99 %.3f  max %.3f ms\n",
                *std::min_element(periods.begin(), periods.end()), Percentile(periods, 0.5),
                Percentile(periods, 0.99), *std::max_element(periods.begin(), periods.end()));
    std::printf("CPU while sampling: %.3f s CPU over %.3f s wall = %.2f %% of one core\n", cpu, wall,
                100.0 * cpu / wall);
}

void MeasureStops(std::size_t pairs, bool holdUpdates) {
    auto view = std::make_shared<TimingView>(holdUpdates);
    auto currentRow = std::make_shared<std::atomic<int32_t>>(3);
    SamplingWorker worker(view, currentRow);
    std::mt19937 phase(1);
    std::uniform_int_distribution<int> delayMs(0, 110);

    std::vector<double> latencies;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        const std::size_t seen = view->Arrivals().size();
        worker.StartSampling();
        view->WaitForArrivals(seen + 1);
        // Between reads, the stop lands anywhere in the cycle; a held worker waits in its update anyway.
        if (!holdUpdates)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(phase)));
        const auto before = Clock::now();
        worker.StopSampling();
        latencies.push_back(Millis(Clock::now() - before).count());
    }
    std::printf("StopSampling latency over %zu start/stop pairs, %s\n", pairs,
                holdUpdates ? "worker waiting on its signal update" : "stop at a random point of the cycle");
    std::printf("  p50 %.3f  p99 %.3f  max %.3f ms\n", Percentile(latencies, 0.5),
                Percentile(latencies, 0.99), *std::max_element(latencies.begin(), latencies.end()));
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t cycles = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const std::size_t pairs = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
    if (cycles < 1 || pairs < 1) {
        std::fprintf(stderr, "usage: %s [cycles>=1] [pairs>=1]\n", argv[0]);
        return 2;
    }

    const bool iio = argc > 3 && std::string(argv[3]) == "iio";
    Millis ideal = std::chrono::milliseconds(100);
    std::filesystem::path sysfs;
    if (iio) {
        char folder[] = "/tmp/slabcal-bench-iio-XXXXXX";
        sysfs = ::mkdtemp(folder);
        const auto put = [&](const char* name, const char* text) {
            std::filesystem::create_directories(sysfs / "iio:device0");
            std::ofstream(sysfs / "iio:device0" / name) << text;
        };
        put("name", "probe-adc\n");
        put("in_voltage0_raw", "4140000\n");
        put("in_voltage_scale", "0.000298\n");
        put("in_voltage_scale_available", "0.000298 0.000596\n");
        IioSettings settings;
        settings.device = "probe-adc";
        settings.smallScale = "0.000298";
        settings.largeScale = "0.000596";
        settings.sysfsRoot = sysfs;
        Drivers().Bind(ConverterDeviceName, MakeIioConverter(settings));
        std::printf("driver: IIO over a sysfs tree in %s\n", sysfs.c_str());
    } else {
        auto gauge = std::make_shared<SimulatedGauge>();
        if (argc > 4)
            gauge->SetConversionTime(std::chrono::milliseconds(std::strtoul(argv[4], nullptr, 10)));
        Drivers().Bind(ConverterDeviceName, gauge);
        ideal += 5 * gauge->CurrentStatus().conversionTime;
        std::printf("driver: simulated gauge, %.0f ms a conversion\n",
                    Millis(gauge->CurrentStatus().conversionTime).count());
    }
    if (!OpenDevice() || InitConverter() == 0)
        return 1;

    MeasureCycles(cycles, ideal);
    MeasureStops(pairs, false);
    MeasureStops(pairs, true);

    CloseDevice();
    Drivers().Unbind(ConverterDeviceName);
    if (iio)
        std::filesystem::remove_all(sysfs);
    return 0;
}
