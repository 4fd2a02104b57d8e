#include "reliability/HeadlessCalibration.h"
#include "platform/ConverterContract.h"

#include "calibration/PointTable.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/DriverRegistry.h"
#include "resources/ControlIds.h"
#include "texts/Texts.h"

#include <array>
#include <chrono>

namespace slabcal {
namespace {

constexpr std::string_view Converter = ConverterDeviceName;

// Opens, but every read fails: the sampling worker ends quietly at its first read.
class SilentDriver final : public StreamDriver {
public:
    bool Open() override { return true; }
    int IoControl(uint32_t, uint8_t*, uint32_t, uint32_t*) override { return 0; }
    void Close() override {}
};

// What the built-in segment model gives at the fifteen heights, so that every segment fits well and no
// deviation question comes up.
constexpr std::array<const char*, points::RowCount> ModelSignals{"9894", "6990", "4140", "1921", "796",
                                                                 "376",  "236",  "8565", "5180", "2342",
                                                                 "1265", "765",  "500",  "413",  "346"};
constexpr int VariedRow = points::RowCount - 1;
constexpr int FirstVariedSignal = 338;

} // namespace

std::string ParameterFileUnder(const std::string& root) {
    return root + "/NandFlash/ZPQ.ini";
}

std::string BackupFileUnder(const std::string& root) {
    return root + "/NandFlash/BackUp/ZPQ.ini";
}

bool SaveReport::Succeeded() const {
    return boxes == std::vector<std::string>{std::string(texts::ConfirmSave)} &&
           status == texts::WriteFinished;
}

HeadlessCalibration::HeadlessCalibration(DeviceFileSystem& files) : application("slabcal", backend) {
    Drivers().Bind(Converter, std::make_shared<SilentDriver>());
    dialog = std::make_unique<CalibrationDialog>(
        model, files, "slabcal", SamplingPacing{std::chrono::milliseconds(2), std::chrono::milliseconds(2)});
    window = &static_cast<HeadlessWindow&>(dialog->Create(backend));
    for (int row = 0; row < points::RowCount; ++row)
        Record(row, ModelSignals[static_cast<std::size_t>(row)]);
}

HeadlessCalibration::~HeadlessCalibration() {
    dialog.reset();
    Drivers().Unbind(Converter);
}

void HeadlessCalibration::Record(int row, const std::string& signal) {
    window->Select(ids::HeightBox, row);
    window->Type(ids::SignalField, signal);
    window->Click(ids::SavePointButton);
}

void HeadlessCalibration::UseVariant(int variant) {
    const int step = ((variant % VariantCount) + VariantCount) % VariantCount;
    Record(VariedRow, std::to_string(FirstVariedSignal + step));
}

SaveReport HeadlessCalibration::Save() {
    window->SetText(ids::StatusLine, "");
    const std::size_t shown = backend.Boxes().size();
    window->Click(ids::WriteParametersButton);
    const std::vector<std::string> texts = backend.BoxTexts();
    SaveReport report;
    report.boxes.assign(texts.begin() + static_cast<std::ptrdiff_t>(shown), texts.end());
    report.status = window->GetText(ids::StatusLine);
    return report;
}

} // namespace slabcal
