// The write command end to end on the host disk: confirmation (answered at once), the six fits, the
// parameter file replaced with its fsyncs, the backup copy replaced with its fsyncs. Each run changes one
// signal so the file really is rewritten. Prints p50 / p99 / max in milliseconds.
#include "calibration/CalibrationDialog.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "texts/Texts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace slabcal;

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    // Under the build folder, on the same disk as the project: /tmp may be a RAM disk.
    const std::filesystem::path root = std::filesystem::absolute(argc > 2 ? argv[2] : "write-bench-root");
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "NandFlash");

    Drivers().Unbind(ConverterDeviceName);
    HeadlessBackend backend;
    Application application("slabcal", backend);
    DeviceFileSystem files(root.string());
    SegmentModel model;
    CalibrationDialog dialog(model, files, "slabcal");
    auto& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
    const char* signals[] = {"9894", "6990", "4140", "1921", "796", "376", "236", "8565",
                             "5180", "2342", "1265", "765",  "500", "413", "346"};
    for (int row = 0; row < 15; ++row) {
        window.Select(ids::HeightBox, row);
        window.Type(ids::SignalField, signals[row]);
        window.Click(ids::SavePointButton);
    }

    std::vector<double> milliseconds;
    for (int run = 0; run < runs; ++run) {
        window.ListSetItemText(ids::PointList, 1, 2, run % 2 == 0 ? "6990" : "6991");
        window.SetText(ids::StatusLine, "");
        const auto start = std::chrono::steady_clock::now();
        window.Click(ids::WriteParametersButton);
        const auto stop = std::chrono::steady_clock::now();
        if (window.GetText(ids::StatusLine) != texts::WriteFinished) {
            std::fprintf(stderr, "run %d: the write command did not finish\n", run);
            return 1;
        }
        milliseconds.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    auto at = [&](double fraction) {
        return milliseconds[std::min(milliseconds.size() - 1,
                                     static_cast<std::size_t>(fraction * milliseconds.size()))];
    };
    std::printf("write command, %d runs on %s: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", runs,
                root.string().c_str(), at(0.50), at(0.99), milliseconds.back());
    dialog.DestroyWindow();
    std::filesystem::remove_all(root);
    return 0;
}
