// A whole calibration through the dialog on the simulated gauge, noise on, with a settings file and the
// operator's entries, then its certificate read back with pdftotext.
#include "analysis/DecimalText.h"
#include "calibration/DialogFixture.h"
#include "certificate/CertificateCommand.h"
#include "drivers/simulated/SimulatedGauge.h"
#include "records/RecordStore.h"
#include "storage/WriteSegmentModel.h"
#include "support/FormatOneRecord.h"
#include "texts/Texts.h"

#include <cstdlib>
#include <sstream>

namespace slabcal::test {
namespace {

using namespace std::chrono_literals;

// pdftotext's reading of the PDF, one string per page; nothing when poppler-utils is missing.
std::optional<std::vector<std::string>> PdfPages(const std::string& pdf) {
    if (std::system("command -v pdftotext > /dev/null 2>&1") != 0)
        return std::nullopt;
    if (std::system(("pdftotext -layout '" + pdf + "' '" + pdf + ".txt'").c_str()) != 0)
        return std::vector<std::string>{};
    std::vector<std::string> pages;
    std::istringstream text(ReadHostFile(pdf + ".txt"));
    for (std::string page; std::getline(text, page, '\f');)
        if (!page.empty())
            pages.push_back(page);
    return pages;
}

// The line of the page text that starts with the row's number and its reference height.
std::string RowLine(const std::string& page, const PointAssessment& point) {
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string row;
        std::string height;
        words >> row >> height;
        if (row == std::to_string(point.row + 1) &&
            std::to_string(static_cast<int>(point.referenceHeight)) == height)
            return line;
    }
    return {};
}

struct CalibratedCertificate : DialogFixture {
    std::shared_ptr<SimulatedGauge> gauge = std::make_shared<SimulatedGauge>();

    void SetUp() override {
        DialogFixture::SetUp();
        gauge->SetNoise(0.001);
        gauge->SetConversionTime(0us);
        Drivers().Bind(ConverterDeviceName, gauge);
    }
    std::string Certificate(const std::string& record, const std::string& name) {
        std::ostringstream out;
        std::ostringstream err;
        const std::string pdf = folder / name;
        EXPECT_EQ(RunCertificate(record, pdf, files, out, err), 0) << err.str();
        return pdf;
    }
};

TEST_F(CalibratedCertificate, StatesEveryRowAsFoundAsLeftWithUAndADecisionOnNumberedPages) {
    PutHostFile("slabcal.conf",
                "serial=SG-0117\nreference=HB-SET-03\nreference_certificate=CAL-2025-0456\n"
                "reference_tolerance=0.02\npermissible_error=0.5 mm + 1 %\ninterval_days=365\n");
    PutHostFile("slabcal-operator.conf", "operator=王五\ntemperature=21.5\n");
    std::string old = "VORKAPELMIX\r\n";
    const auto texts = SegmentModelTexts(SegmentModel{});
    for (std::size_t index = 0; index < texts.size(); ++index)
        old += std::string(SegmentModelKeys[index]) + "=" + texts[index] + "\r\n";
    PutHostFile("NandFlash/ZPQ.ini", old);
    Open();
    for (int row = 0; row < points::RowCount; ++row) {
        ASSERT_TRUE(gauge->SetHeight(std::stod(std::string(points::Heights[static_cast<std::size_t>(row)]))));
        // Twelve whole cycles at the new height: the ten signals the spread is taken from are all its own.
        const auto start = gauge->CurrentStatus().recordsRead;
        ASSERT_TRUE(window->PumpUntil([&] { return gauge->CurrentStatus().recordsRead >= start + 60; }, 10s));
        window->Click(ids::SavePointButton);
    }
    window->Click(ids::WriteParametersButton);
    ASSERT_EQ(window->GetText(ids::StatusLine), texts::WriteFinished);

    std::vector<ListedRecord> records;
    ASSERT_TRUE(ListRecords(files, records).Succeeded());
    ASSERT_EQ(records.size(), 1U);
    const auto& record = std::get<CalibrationRecord>(records[0].record);
    EXPECT_EQ(record.formatVersion, 2);
    EXPECT_EQ(record.conditions, (CalibrationConditions{"王五", 21.5, std::nullopt}));
    ASSERT_EQ(record.assessment.size(), 15U);
    for (std::size_t row = 0; row < record.spreads.size(); ++row)
        ASSERT_TRUE(record.spreads[row]) << row;
    EXPECT_GT(record.spreads[0]->standardDeviation, 0) << "noise on";
    const std::string number = "SG-0117-" + records[0].name.substr(0, records[0].name.size() - 5);

    const auto pages = PdfPages(Certificate(records[0].name, "certificate.pdf"));
    if (!pages)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    ASSERT_GE(pages->size(), 2U);
    for (std::size_t index = 0; index < pages->size(); ++index) {
        EXPECT_NE((*pages)[index].find("证书编号: " + number), std::string::npos) << index;
        // pdftotext leaves out the blanks between Chinese characters and digits.
        std::string page = (*pages)[index];
        std::erase(page, ' ');
        EXPECT_NE(page.find("第" + std::to_string(index + 1) + "页共" + std::to_string(pages->size()) + "页"),
                  std::string::npos)
            << page;
    }
    const std::string& first = pages->front();
    for (const char* stated : {"SG-0117", "HB-SET-03", "CAL-2025-0456", "王五", "21.5 °C", "总体判定: 合格"})
        EXPECT_NE(first.find(stated), std::string::npos) << stated;
    for (const PointAssessment& point : record.assessment) {
        SCOPED_TRACE(point.row + 1);
        const std::string line = RowLine(first, point);
        ASSERT_FALSE(line.empty()) << first;
        const auto fixed = [](double value) { return analysis::FixedText(value, 2); };
        const double found = *point.asFound - point.referenceHeight;
        const std::string expected =
            analysis::FixedText(point.signal, 0) + " " + fixed(*point.asFound) + " " + fixed(found) + " " +
            fixed(found / point.referenceHeight * 100) + " " + fixed(point.asLeft) + " " +
            fixed(point.AsLeftError()) + " " + fixed(point.AsLeftError() / point.referenceHeight * 100) +
            " " + fixed(point.expanded) + " " + (point.decision == Decision::Pass ? "合格" : "?");
        std::istringstream words(line);
        std::string word;
        std::string cells;
        words >> word >> word; // the row and its height
        while (words >> word)
            cells += (cells.empty() ? "" : " ") + word;
        EXPECT_EQ(cells, expected);
    }

    // The same record as a program of format 1 left it: still certified, saying what it cannot state.
    PutHostFile("NandFlash/Calibration/" + records[0].name,
                FormatOneRecord(HostFile("NandFlash/Calibration/" + records[0].name)));
    const auto formatOne = PdfPages(Certificate(records[0].name, "format1.pdf"));
    ASSERT_TRUE(formatOne && !formatOne->empty());
    EXPECT_NE(formatOne->front().find("本记录为格式 1"), std::string::npos);
    EXPECT_NE(formatOne->front().find("仪器编号: —"), std::string::npos);
    EXPECT_NE(RowLine(formatOne->front(), record.assessment[0]).find(" — "), std::string::npos);
}

} // namespace
} // namespace slabcal::test
