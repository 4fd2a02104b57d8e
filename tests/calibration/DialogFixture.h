#pragma once

#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "support/FaultyFileSystem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace slabcal::test {

// A converter that opens but never delivers a sample: the worker ends silently at its first read.
class SilentDriver final : public StreamDriver {
public:
    bool Open() override { return true; }
    int IoControl(uint32_t, uint8_t*, uint32_t, uint32_t*) override { return 0; }
    void Close() override {}
};

// A calibration dialog on the headless backend over a scratch device root. The converter delivers
// nothing unless a test binds another driver, so the signal field is the operator's to type in.
struct DialogFixture : ::testing::Test {
    TemporaryFolder folder;
    FaultyFileSystem hostFiles; // passes every call through until a test injects a fault
    DeviceFileSystem files{folder.Path(), hostFiles};
    SegmentModel model;
    HeadlessBackend backend;
    Application application{"slabcal", backend}; // shows the application message box on `backend`
    std::unique_ptr<CalibrationDialog> dialog;
    HeadlessWindow* window = nullptr;

    void SetUp() override {
        Drivers().Bind(ConverterDeviceName, std::make_shared<SilentDriver>());
        std::filesystem::create_directories(folder / "NandFlash"); // the flash disk's mount point
    }
    void TearDown() override {
        dialog.reset();
        Drivers().Unbind(ConverterDeviceName);
    }

    HeadlessWindow& Open(SamplingPacing pacing = {std::chrono::milliseconds(2),
                                                  std::chrono::milliseconds(2)}) {
        dialog = std::make_unique<CalibrationDialog>(model, files, "slabcal", pacing);
        window = &static_cast<HeadlessWindow&>(dialog->Create(backend));
        return *window;
    }

    // Records `signal` at the height of `row`, as the operator would: choose the height, type, save.
    void SaveRow(int row, const std::string& signal) {
        window->Select(ids::HeightBox, row);
        window->Type(ids::SignalField, signal);
        window->Click(ids::SavePointButton);
    }

    void SaveAll(const std::vector<std::string>& signals) {
        for (int row = 0; row < static_cast<int>(signals.size()); ++row)
            SaveRow(row, signals[static_cast<std::size_t>(row)]);
    }

    [[nodiscard]] std::string Cell(int row, int column) const {
        return window->ListGetItemText(ids::PointList, row, column);
    }
    [[nodiscard]] std::string HostFile(const std::string& relative) const {
        return ReadHostFile(folder / relative);
    }
    // Puts a file under the device root behind the program's back, folders included.
    void PutHostFile(const std::string& relative, std::string_view bytes) const {
        std::filesystem::create_directories(std::filesystem::path(folder / relative).parent_path());
        WriteHostFile(folder / relative, bytes);
    }
};

// Signals the built-in segment model gives at the fifteen heights (rounded), so a calibration from them
// reproduces the model.
inline const std::vector<std::string> ModelSignals{"9894", "6990", "4140", "1921", "796",
                                                   "376",  "236",  "8565", "5180", "2342",
                                                   "1265", "765",  "500",  "413",  "346"};

} // namespace slabcal::test
