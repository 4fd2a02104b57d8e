#include "DialogFixture.h"
#include "fitting/SegmentTable.h"
#include "platform/ConverterContract.h"

#include "drivers/iio/IioConverter.h"
#include "drivers/simulated/GaugeResponse.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "texts/Texts.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace slabcal::test {
namespace {

using namespace std::chrono_literals;

// A whole calibration as the operator makes it: the probe set at each height in turn, the live signal
// saved, then the write command.
struct EndToEnd : DialogFixture {
    std::shared_ptr<SimulatedGauge> gauge = std::make_shared<SimulatedGauge>();

    void SetUp() override {
        DialogFixture::SetUp();
        gauge->SetNoise(0);
        gauge->SetConversionTime(0us);
        Drivers().Bind(ConverterDeviceName, gauge);
    }

    // Lets the worker finish two whole cycles after the probe moved and the row changed, so the field
    // shows a reading taken at the new height on the new row's range.
    void Settle() {
        const auto start = gauge->CurrentStatus().recordsRead;
        ASSERT_TRUE(window->PumpUntil([&] { return gauge->CurrentStatus().recordsRead >= start + 15; }, 10s));
    }
};

std::string Printed(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(static_cast<float>(value)));
    return text;
}

TEST_F(EndToEnd, FifteenSavesAndTheWriteCommandStoreTheFittedModelWithAnIdenticalBackup) {
    Open();
    for (int row = 0; row < points::RowCount; ++row) {
        ASSERT_TRUE(gauge->SetHeight(std::stod(std::string(points::Heights[static_cast<std::size_t>(row)]))));
        Settle();
        window->Click(ids::SavePointButton);
        EXPECT_EQ(Cell(row, points::HeightColumn), points::Heights[static_cast<std::size_t>(row)]);
        EXPECT_FALSE(Cell(row, points::SignalColumn).empty());
    }
    EXPECT_EQ(Cell(0, points::SignalColumn), "9894");
    EXPECT_EQ(Cell(7, points::SignalColumn), "8565"); // 250 mm, read on the large range

    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{std::string(texts::ConfirmSave)});
    EXPECT_EQ(window->GetText(ids::StatusLine), texts::WriteFinished);

    const std::string stored = HostFile("NandFlash/ZPQ.ini");
    EXPECT_EQ(HostFile("NandFlash/BackUp/ZPQ.ini"), stored);
    const SegmentModel defaults;
    for (std::size_t segment = 0; segment < 6; ++segment) {
        const std::size_t reference = std::min<std::size_t>(segment, 3); // 4 and 5 equal 3 by default
        EXPECT_NEAR(model.CurveA[segment], defaults.CurveA[reference], 1e-2) << segment;
        const std::string index = std::to_string(segment);
        EXPECT_NE(stored.find("\r\nCurveA" + index + "=" + Printed(model.CurveA[segment]) + "\r\n"),
                  std::string::npos);
        EXPECT_NE(stored.find("\r\nCurveB" + index + "=" + Printed(model.CurveB[segment]) + "\r\n"),
                  std::string::npos);
    }
    for (std::size_t boundary = 0; boundary < 4; ++boundary) {
        EXPECT_EQ(model.ConsRange[boundary],
                  std::stod(Cell(segments::BoundaryRows[boundary], points::SignalColumn)));
        EXPECT_NE(
            stored.find("ConsRange" + std::to_string(boundary) + "=" + Printed(model.ConsRange[boundary])),
            std::string::npos);
    }
}

// The same calibration through the Linux IIO driver: a sysfs tree whose raw attribute the test sets to
// what the probe would give at each height, as a real ADC's driver would, and the range scales the worker
// writes as the rows change range.
struct IioEndToEnd : DialogFixture {
    TemporaryFolder sysfs;

    void SetUp() override {
        DialogFixture::SetUp();
        Put("iio:device0/name", "probe-adc\n");
        Put("iio:device0/in_voltage0_raw", "0\n");
        Put("iio:device0/in_voltage_scale", "0.000149\n");
        Put("iio:device0/in_voltage_scale_available", "0.000149 0.000298 0.000596\n");
        Drivers().Bind(ConverterDeviceName,
                       MakeIioConverter({"probe-adc", 0, "0.000298", "0.000596", sysfs.Path(), {}, {}, {}}));
    }
    // Renamed into place: a sysfs attribute is never seen half written, and neither may this one be.
    void Put(const std::string& relative, const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(sysfs / relative).parent_path());
        WriteHostFile(sysfs / "next", text);
        std::filesystem::rename(sysfs / "next", sysfs / relative);
    }
};

TEST_F(IioEndToEnd, FifteenSavesThroughSysfsStoreTheModelTheProbeFollows) {
    Open();
    for (int row = 0; row < points::RowCount; ++row) {
        const double height = std::stod(std::string(points::Heights[static_cast<std::size_t>(row)]));
        const auto counts = static_cast<std::uint32_t>(
            std::lround(GaugeResponse(height, row <= 6 ? ConverterRange::Small : ConverterRange::Large)));
        Put("iio:device0/in_voltage0_raw", std::to_string(counts) + "\n");
        const std::string expected = std::to_string(counts / CountsPerSignalUnit);
        ASSERT_TRUE(window->PumpUntil([&] { return window->GetText(ids::SignalField) == expected; }, 10s))
            << "row " << row;
        window->Click(ids::SavePointButton);
        EXPECT_EQ(Cell(row, points::SignalColumn), expected);
    }
    // The worker has put the converter on the large range for rows 7 on (it writes the scale every cycle,
    // so a look may fall between its truncation and its write).
    EXPECT_TRUE(window->PumpUntil(
        [&] { return ReadHostFile(sysfs / "iio:device0/in_voltage_scale") == "0.000596"; }, 10s));

    window->Click(ids::WriteParametersButton);
    EXPECT_EQ(backend.BoxTexts(), std::vector<std::string>{std::string(texts::ConfirmSave)});
    EXPECT_EQ(window->GetText(ids::StatusLine), texts::WriteFinished);
    const SegmentModel defaults;
    for (std::size_t segment = 0; segment < 6; ++segment)
        EXPECT_NEAR(model.CurveA[segment], defaults.CurveA[std::min<std::size_t>(segment, 3)], 1e-2)
            << segment;
}

} // namespace
} // namespace slabcal::test
