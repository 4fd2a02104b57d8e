// The write command end to end on the host disk: confirmation (answered at once), the six fits, the
// parameter file replaced with its fsyncs, the backup copy replaced with its fsyncs, the record of the save
// stored with its fsyncs. Each run changes one signal so the file really is rewritten. Prints p50 / p99 /
// max in milliseconds. In the same run, alternating with it, the same steps without the record (the fits,
// the store and the backup called as the command calls them), so the record's cost is the difference.
#include "calibration/CalibrationDialog.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "storage/BackUpParameterFile.h"
#include "storage/WriteSegmentModel.h"
#include "support/KeepingFace.h"
#include "texts/Texts.h"
#include "worksheet/CalibrationWorksheet.h"

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
    const auto worksheet = std::make_shared<CalibrationWorksheet>(model, files);
    CalibrationDialog dialog(worksheet, "slabcal");
    auto& window = static_cast<HeadlessWindow&>(dialog.Create(backend));
    const char* signals[] = {"9894", "6990", "4140", "1921", "796", "376", "236", "8565",
                             "5180", "2342", "1265", "765",  "500", "413", "346"};
    for (int row = 0; row < 15; ++row) {
        window.Select(ids::HeightBox, row);
        window.Type(ids::SignalField, signals[row]);
        window.Click(ids::SavePointButton);
    }

    std::vector<double> milliseconds;
    std::vector<double> withoutRecord;
    for (int run = 0; run < runs; ++run) {
        worksheet->SavePoint(1, "50", run % 2 == 0 ? "6990" : "6991");
        window.SetText(ids::StatusLine, "");
        const auto start = std::chrono::steady_clock::now();
        window.Click(ids::WriteParametersButton);
        const auto stop = std::chrono::steady_clock::now();
        const auto shown = backend.BoxTexts();
        if (window.GetText(ids::StatusLine) != texts::WriteFinished ||
            std::count(shown.begin(), shown.end(), std::string(texts::RecordSaveFailed)) > 0) {
            std::fprintf(stderr, "run %d: the write command did not finish\n", run);
            return 1;
        }
        milliseconds.push_back(std::chrono::duration<double, std::milli>(stop - start).count());

        worksheet->SavePoint(1, "50", run % 2 == 0 ? "6991" : "6990");
        test::KeepingFace keeping;
        const auto bareStart = std::chrono::steady_clock::now();
        const bool stored = worksheet->ComputeModel(keeping) && WriteSegmentModel(model, files).Succeeded() &&
                            BackUpParameterFile(files).Copied();
        const auto bareStop = std::chrono::steady_clock::now();
        if (!stored) {
            std::fprintf(stderr, "run %d: the save without the record failed\n", run);
            return 1;
        }
        withoutRecord.push_back(std::chrono::duration<double, std::milli>(bareStop - bareStart).count());
    }
    auto at = [](std::vector<double>& values, double fraction) {
        std::sort(values.begin(), values.end());
        return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * values.size()))];
    };
    const double p50 = at(milliseconds, 0.50);
    const double bareP50 = at(withoutRecord, 0.50);
    std::printf("write command, %d runs on %s: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", runs,
                root.string().c_str(), p50, at(milliseconds, 0.99), milliseconds.back());
    std::printf(
        "the same steps without the record: p50 %.2f ms, p99 %.2f ms; the record adds %.2f ms to p50\n",
        bareP50, at(withoutRecord, 0.99), p50 - bareP50);
    dialog.DestroyWindow();
    std::filesystem::remove_all(root);
    return 0;
}
