// The cost of one code-12 read on the IIO converter: open, read and close of the raw attribute, the number
// parsed and saturated, the record filled. The attributes are plain files in a temporary folder, so this is
// the converter's own cost plus the file system's, without a kernel driver's conversion time. Prints the
// mean and the p50 / p99 of batches, in microseconds per read.
//
//   slabcal_bench_iio [reads=10000]
#include "drivers/iio/IioConverter.h"
#include "platform/ConverterContract.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace slabcal;

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

int main(int argc, char** argv) {
    const long reads = argc > 1 ? std::atol(argv[1]) : 10000;
    if (reads < 100) {
        std::fprintf(stderr, "usage: %s [reads>=100]\n", argv[0]);
        return 2;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "slabcal-iio-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path root = pattern;
    const std::filesystem::path device = root / "iio:device0";
    std::filesystem::create_directories(device);
    WriteFile(device / "name", "probe-adc\n");
    WriteFile(device / "in_voltage0_raw", "1193046\n");

    IioSettings settings;
    settings.device = "probe-adc";
    settings.sysfsRoot = root.string();
    IioConverter converter(settings);
    if (!converter.Open()) {
        std::fprintf(stderr, "open failed: %s\n", converter.LastProblem().c_str());
        return 1;
    }

    std::array<std::uint8_t, SampleRecordSize> record{};
    std::uint32_t bytesReturned = 0;
    for (int i = 0; i < 1000; ++i) // warm-up: the dentry and page caches
        (void)converter.IoControl(ReadSampleCode, record.data(), SampleRecordSize, &bytesReturned);

    constexpr long batch = 100;
    std::vector<double> batchMeans;
    long failures = 0;
    const auto start = Clock::now();
    for (long done = 0; done < reads; done += batch) {
        const auto batchStart = Clock::now();
        for (long i = 0; i < batch; ++i)
            if (converter.IoControl(ReadSampleCode, record.data(), SampleRecordSize, &bytesReturned) != 1)
                ++failures;
        batchMeans.push_back(Micros(Clock::now() - batchStart).count() / batch);
    }
    const double total = Micros(Clock::now() - start).count();
    const long measured = static_cast<long>(batchMeans.size()) * batch;
    converter.Close();
    std::filesystem::remove_all(root);

    std::sort(batchMeans.begin(), batchMeans.end());
    std::printf("IIO code-12 read over %ld reads (attribute files in %s)\n", measured,
                std::filesystem::temp_directory_path().c_str());
    std::printf("  mean %.2f us per read; batches of %ld: p50 %.2f  p99 %.2f us per read\n", total / measured,
                batch, batchMeans[batchMeans.size() / 2], batchMeans[batchMeans.size() * 99 / 100]);
    if (failures != 0) {
        std::printf("  %ld reads failed\n", failures);
        return 1;
    }
    return 0;
}
