#pragma once

#include "calibration/CalibrationDialog.h"
#include "fitting/SegmentModel.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessBackend.h"
#include "platform/DeviceFileSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace slabcal {

class HeadlessWindow;

// The device paths the write command stores to, as host paths below a device root.
[[nodiscard]] std::string ParameterFileUnder(const std::string& root);
[[nodiscard]] std::string BackupFileUnder(const std::string& root);

// What the operator saw of one press of "参数写入文件".
struct SaveReport {
    std::vector<std::string> boxes; // the texts of its message boxes in order, the confirmation first
    std::string status;             // the status line afterwards; empty when the command did not set it

    // Only the confirmation, and the status line says the files were written.
    [[nodiscard]] bool Succeeded() const;
};

// A calibration dialog on the headless backend over a device disk, its fifteen points recorded from the
// built-in segment model, so that the write command can be pressed again and again by a test or by the
// save loop that a kill test shoots at. The converter is bound to a driver that never delivers, so no
// live signal interferes. Every question is answered Yes.
class HeadlessCalibration final {
public:
    // How many different point tables UseVariant offers; each stores other values.
    static constexpr int VariantCount = 16;

    explicit HeadlessCalibration(DeviceFileSystem& files);
    ~HeadlessCalibration();
    HeadlessCalibration(const HeadlessCalibration&) = delete;
    HeadlessCalibration& operator=(const HeadlessCalibration&) = delete;

    // Records the last height's signal anew, one of VariantCount values (taken modulo VariantCount).
    void UseVariant(int variant);
    // Empties the status line, presses the write button and reports what followed.
    [[nodiscard]] SaveReport Save();

private:
    void Record(int row, const std::string& signal);

    SegmentModel model;
    HeadlessBackend backend;
    Application application;
    std::unique_ptr<CalibrationDialog> dialog;
    HeadlessWindow* window = nullptr;
};

} // namespace slabcal
