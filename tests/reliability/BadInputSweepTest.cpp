// Random point tables through the write command: empty, blank, non-numeric, signed, zero, negative, huge,
// fractional and 200-character cells, typed and saved as the operator would or put straight into the
// table. Whatever the table holds, the command either refuses with one of its messages and leaves the
// files alone, or writes a parameter file that reads back, with an identical backup. No text that reads
// as "nan" or "inf" ever reaches a file, and no value that is not finite ever reaches the model.
#include "calibration/CalibrationDialog.h"
#include "calibration/PointTable.h"
#include "fitting/NumberText.h"
#include "fitting/RoundToSingle.h"
#include "fitting/SegmentModel.h"
#include "fitting/SegmentTable.h"
#include "framework/Application.h"
#include "framework/headless/HeadlessWindow.h"
#include "platform/ConverterContract.h"
#include "platform/DeviceFileSystem.h"
#include "platform/DriverRegistry.h"
#include "records/RecordJson.h"
#include "reliability/HookedHostFileSystem.h"
#include "resources/ControlIds.h"
#include "storage/ParameterFile.h"
#include "support/TemporaryFolder.h"
#include "texts/Texts.h"
#include "worksheet/CalibrationWorksheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace slabcal {
namespace {

constexpr int SweepCases = 10'000;
constexpr std::uint32_t SweepSeed = 0x51ABCA1;

constexpr const char* ParameterFilePath = "NandFlash/ZPQ.ini";
constexpr const char* BackupFilePath = "NandFlash/BackUp/ZPQ.ini";
// Entries the calibration does not own; every write must keep them.
constexpr std::string_view ForeignEntries =
    "VORKAPELMIX\r\nSerial=SC-0042\r\nCurveA0=-0.6423\r\nGain=1.2500\r\n";

// Signals the noise-free gauge gives at the fifteen heights: a table of them reproduces the built-in model.
constexpr std::array<int, 15> ModelSignals{9894, 6990, 4140, 1921, 796, 376, 236, 8565,
                                           5180, 2342, 1265, 765,  500, 413, 346};

// A converter that opens but never delivers: the worker ends at its first read and the signal field is
// the operator's alone.
class SilentConverter final : public StreamDriver {
public:
    bool Open() override { return true; }
    int IoControl(uint32_t, uint8_t*, uint32_t, uint32_t*) override { return 0; }
    void Close() override {}
};

// What _wtoi makes of a text, as the calibration has always read cells: blanks, one sign, digits up to the
// first other character, saturated at 32 bits.
int64_t IntegerPrefix(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0)
        ++at;
    int64_t sign = 1;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        sign = text[at++] == '-' ? -1 : 1;
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min<int64_t>(value * 10 + (text[at] - '0'), int64_t{1} << 31);
    return std::clamp<int64_t>(sign * value, std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
}

using Random = std::mt19937;

int Pick(Random& random, int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random);
}
bool Chance(Random& random, double probability) {
    return std::bernoulli_distribution(probability)(random);
}

template <std::size_t Size> std::string PickOf(Random& random, const std::array<const char*, Size>& texts) {
    return texts[static_cast<std::size_t>(Pick(random, static_cast<int>(Size)))];
}

std::string Digits(Random& random, std::size_t count) {
    std::string digits;
    for (std::size_t i = 0; i < count; ++i)
        digits += static_cast<char>('0' + Pick(random, 10));
    return digits;
}

std::string LongCell(Random& random) {
    constexpr std::size_t Length = 200;
    std::string text;
    switch (Pick(random, 6)) {
    case 0:
        return Digits(random, Length);
    case 1:
        return "-" + Digits(random, Length - 1);
    case 2:
        return std::string(Length, ' ');
    case 3: // a plausible number, then junk
        text = std::to_string(1 + Pick(random, 16000));
        while (text.size() < Length)
            text += static_cast<char>(' ' + Pick(random, 95));
        return text;
    case 4: // any bytes but NUL, which no edit control holds
        while (text.size() < Length)
            text += static_cast<char>(1 + Pick(random, 255));
        return text;
    default:
        while (text.size() + 3 <= Length)
            text += "高";
        return text;
    }
}

// A text from one of the classes an operator, a bad edit or a broken keyboard could leave in a cell.
std::string BadText(Random& random) {
    switch (Pick(random, 10)) {
    case 0:
        return "";
    case 1:
        return PickOf(random,
                      std::array{" ", "   ", "\t", "\n", " 123", "123 ", "  +45", "\t\t7", " - 5", "1 2"});
    case 2:
        return PickOf(random,
                      std::array{"abc", "nan", "NaN", "-nan", "inf", "-inf", "Infinity", "INF", "0x1A", "x12",
                                 "一二三", "１２３", "1,5", "e5", ".", "-", "+", "信号值"});
    case 3:
        return PickOf(random, std::array{"+", "-", "+-", "--", "-+", "++"}) +
               std::to_string(Pick(random, 20000));
    case 4:
        return PickOf(random, std::array{"0", "00", "-0", "+0", "0.0", "0e5", "000000", ".0", "0.9"});
    case 5:
        return "-" + std::to_string(1 + Pick(random, 1'000'000));
    case 6:
        return PickOf(random,
                      std::array{"2147483647", "2147483648", "4294967296", "99999999999999999999", "1e39",
                                 "-1e39", "1e308", "1e400", "3.4028235e38", "3.5e38", "1e-400", "16777215",
                                 "340282356779733661637539395458142568448", "1e38"});
    case 7:
        switch (Pick(random, 3)) {
        case 0:
            return std::to_string(Pick(random, 20000)) + "." +
                   Digits(random, 1 + static_cast<std::size_t>(Pick(random, 6)));
        case 1:
            return PickOf(random, std::array{".5", "5.", "0.999", "1.5e3", "123.456e-2", "1e3", "7.e2"});
        default:
            return "0." + Digits(random, 3);
        }
    case 8:
        return LongCell(random);
    default:
        return std::to_string(1 + Pick(random, 16'777'215));
    }
}

// Near the model's signal for the row: mostly within a few per cent, now and then far enough off for the
// deviation question, now and then the same value down a whole segment.
std::string GoodSignal(Random& random, int row) {
    const double base = ModelSignals[static_cast<std::size_t>(row)];
    const double spread = Chance(random, 0.85) ? 0.02 : 0.5;
    const double factor = 1 + std::uniform_real_distribution<double>(-spread, spread)(random);
    return std::to_string(std::max<long long>(1, std::llround(base * factor)));
}

struct Outcomes {
    int declinedAtConfirmation = 0;
    int invalidRow = 0;
    int fitFailed = 0;
    int declinedAtDeviation = 0;
    int deviationQuestions = 0;
    int written = 0;
};

class BadInputSweep : public ::testing::Test {
protected:
    TemporaryFolder folder;
    HookedHostFileSystem hostFiles; // without flushes: ten thousand saves need no durability
    DeviceFileSystem files{folder.Path(), hostFiles};
    SegmentModel model;

    void SetUp() override {
        hostFiles.flushes = false;
        Drivers().Bind(ConverterDeviceName, std::make_shared<SilentConverter>());
        std::filesystem::create_directories(folder / "NandFlash");
    }
    void TearDown() override { Drivers().Unbind(ConverterDeviceName); }

    [[nodiscard]] std::string HostFile(const char* relative) const {
        return HostFileExists(folder / relative) ? ReadHostFile(folder / relative) : std::string();
    }

    // Every file under the device root, by its path below the root, with its bytes.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> AllFiles() const {
        std::vector<std::pair<std::string, std::string>> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
            const std::string relative = std::filesystem::relative(entry.path(), folder.Path()).string();
            found.emplace_back(relative, entry.is_regular_file() ? ReadHostFile(entry.path().string()) : "");
        }
        std::sort(found.begin(), found.end());
        return found;
    }
};

bool IsModelFinite(const SegmentModel& model) {
    auto finite = [](const auto& values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    return finite(model.CurveA) && finite(model.CurveB) && finite(model.ConsRange);
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// One case: a fresh dialog, as after a restart, over the same device root and the same model.
struct SweepCase {
    HeadlessBackend backend;
    Application application{"slabcal", backend};
    std::shared_ptr<CalibrationWorksheet> worksheet;
    std::unique_ptr<CalibrationDialog> dialog;
    HeadlessWindow* window = nullptr;
    bool savedNonFinite = false;

    SweepCase(SegmentModel& model, DeviceFileSystem& files) {
        const SamplingPacing pacing{std::chrono::milliseconds(1), std::chrono::milliseconds(1)};
        worksheet = std::make_shared<CalibrationWorksheet>(model, files);
        dialog = std::make_unique<CalibrationDialog>(worksheet, "slabcal", pacing);
        window = &static_cast<HeadlessWindow&>(dialog->Create(backend));
    }

    void Save(int row, const std::string& signal, const SegmentModel& model) {
        window->Select(ids::HeightBox, row);
        window->Type(ids::SignalField, signal);
        window->Click(ids::SavePointButton);
        savedNonFinite = savedNonFinite || !IsModelFinite(model);
    }
    // A text put into the table behind the save-point command's back; the cells show it.
    void Put(int row, int column, const std::string& text) const {
        WorksheetState state = worksheet->State();
        WorksheetRow& put = state.rows[static_cast<std::size_t>(row)];
        (column == points::HeightColumn ? put.point.height : put.point.signal) = text;
        put.measuredOn = segments::RangeOfRow(row);
        worksheet->Replace(state);
    }
    [[nodiscard]] std::string Cell(int row, int column) const {
        return window->ListGetItemText(ids::PointList, row, column);
    }

    // What the table says, for the failure report.
    [[nodiscard]] std::string Describe() const {
        std::ostringstream out;
        for (int row = 0; row < points::RowCount; ++row)
            out << "  row " << row + 1 << ": height \"" << Cell(row, points::HeightColumn) << "\" signal \""
                << Cell(row, points::SignalColumn) << "\"\n";
        for (const auto& box : backend.Boxes())
            out << "  box " << box << '\n';
        return out.str();
    }

    // The row the write command must refuse first: a height or signal that does not read as a positive
    // integer, or a boundary signal that single precision cannot hold.
    [[nodiscard]] std::optional<int> ExpectedInvalidRow() const {
        for (int row = 0; row < points::RowCount; ++row) {
            const std::string signal = Cell(row, points::SignalColumn);
            if (IntegerPrefix(Cell(row, points::HeightColumn)) <= 0 || IntegerPrefix(signal) <= 0)
                return row;
            if (segments::BoundaryIndexOfRow(row) && !std::isfinite(RoundToSingle(ReadDecimalPrefix(signal))))
                return row;
        }
        return std::nullopt;
    }
    // The first segment whose signals are all the same number: no line goes through it.
    [[nodiscard]] std::optional<int> ExpectedUnfittableSegment() const {
        for (int segment = 0; segment < static_cast<int>(segments::Table.size()); ++segment) {
            const auto [first, count] = segments::Table[static_cast<std::size_t>(segment)];
            const int64_t signal = IntegerPrefix(Cell(first, points::SignalColumn));
            bool allEqual = true;
            for (int row = first + 1; row < first + count; ++row)
                allEqual = allEqual && IntegerPrefix(Cell(row, points::SignalColumn)) == signal;
            if (allEqual)
                return segment;
        }
        return std::nullopt;
    }
};

// Fills the table of `sweep` from `random`: saved row by row as the operator does, written straight into the
// cells, or only partly recorded; some cells get a text from the bad classes.
void FillTable(Random& random, SweepCase& sweep, const SegmentModel& model) {
    const int badCells =
        std::array{0, 0, 0, 0, 1, 1, 2, 3, 5, 30}[static_cast<std::size_t>(Pick(random, 10))];
    std::array<std::array<bool, 2>, 15> bad{};
    for (int i = 0; i < badCells; ++i)
        bad[static_cast<std::size_t>(Pick(random, 15))][static_cast<std::size_t>(Pick(random, 2))] = true;
    std::array<std::string, 15> signals;
    for (int row = 0; row < points::RowCount; ++row)
        signals[static_cast<std::size_t>(row)] =
            bad[static_cast<std::size_t>(row)][1] ? BadText(random) : GoodSignal(random, row);
    if (Chance(random, 0.04)) { // one segment measured without moving the probe
        const auto [first, count] = segments::Table[static_cast<std::size_t>(Pick(random, 6))];
        for (int row = first + 1; row < first + count; ++row)
            signals[static_cast<std::size_t>(row)] = signals[static_cast<std::size_t>(first)];
    }

    const int mode = Pick(random, 10);
    if (mode < 7) { // saved, then now and then a height cell edited behind the dialog's back
        for (int row = 0; row < points::RowCount; ++row)
            sweep.Save(row, signals[static_cast<std::size_t>(row)], model);
        for (int row = 0; row < points::RowCount; ++row)
            if (bad[static_cast<std::size_t>(row)][0])
                sweep.Put(row, points::HeightColumn, BadText(random));
    } else if (mode < 9) { // written straight into the cells: the boundaries stay as earlier saves left them
        for (int row = 0; row < points::RowCount; ++row) {
            const auto index = static_cast<std::size_t>(row);
            sweep.Put(row, points::HeightColumn,
                      bad[index][0] ? BadText(random) : std::string(points::Heights[index]));
            sweep.Put(row, points::SignalColumn, signals[index]);
        }
    } else { // some rows never recorded, some recorded twice, in any order
        for (int i = Pick(random, 20); i > 0; --i) {
            const int row = Pick(random, 15);
            sweep.Save(row, signals[static_cast<std::size_t>(row)], model);
        }
    }
}

// Found by the sweep: a boundary signal beyond single precision ("1e39" reads as 1 for the fit) used to
// put an infinity into the model's boundary signals.
TEST_F(BadInputSweep, ABoundarySignalBeyondSinglePrecisionStaysOutOfTheModelAndItsRowIsRefused) {
    WriteHostFile(folder / ParameterFilePath, ForeignEntries);
    for (const std::string& text : std::vector<std::string>{"1e39", "1e400", std::string(60, '9')}) {
        SweepCase sweep(model, files);
        for (int row = 0; row < points::RowCount; ++row)
            sweep.Save(row, std::to_string(ModelSignals[static_cast<std::size_t>(row)]), model);
        sweep.Save(10, text, model);
        EXPECT_EQ(model.ConsRange[2], 1265) << text; // the value of the save before
        sweep.window->Click(ids::WriteParametersButton);
        EXPECT_EQ(sweep.backend.BoxTexts(),
                  (std::vector<std::string>{std::string(texts::ConfirmSave), "第11行数据无效"}));
        EXPECT_EQ(HostFile(ParameterFilePath), ForeignEntries);
        EXPECT_FALSE(HostFileExists(folder / BackupFilePath));
    }
}

TEST_F(BadInputSweep, EveryTableIsRefusedWithItsMessageOrWrittenSoThatItReadsBack) {
    WriteHostFile(folder / ParameterFilePath, ForeignEntries);
    Random random(SweepSeed);
    Outcomes outcomes;
    const std::string invalidRowPrefix = std::string(texts::InvalidRowPrefix);

    for (int index = 0; index < SweepCases; ++index) {
        SweepCase sweep(model, files);
        FillTable(random, sweep, model);
        const bool confirm = Chance(random, 0.92);
        sweep.backend.QueueAnswer(confirm ? IdYes : IdNo);
        for (int segment = 0; segment < 6; ++segment)
            sweep.backend.QueueAnswer(Chance(random, 0.6) ? IdYes : IdNo);

        const SegmentModel modelBefore = model;
        const std::string fileBefore = HostFile(ParameterFilePath);
        const std::string backupBefore = HostFile(BackupFilePath);
        const auto expectedInvalidRow = sweep.ExpectedInvalidRow();
        const auto expectedUnfittable = sweep.ExpectedUnfittableSegment();
        sweep.window->Click(ids::WriteParametersButton);

        const auto boxes = sweep.backend.Boxes();
        const bool written = sweep.window->GetText(ids::StatusLine) == texts::WriteFinished;
        EXPECT_FALSE(sweep.savedNonFinite) << "a save put a value that is not finite into the model";
        EXPECT_TRUE(IsModelFinite(model));
        bool succeeded = false;
        if (boxes.empty()) {
            ADD_FAILURE() << "the write command asked nothing";
        } else if (boxes[0].text != texts::ConfirmSave || boxes[0].caption != texts::NoticeCaption ||
                   boxes[0].buttons != MessageBoxButtons::YesNo) {
            ADD_FAILURE() << "the first box is not the confirmation";
        } else if (!confirm) {
            ++outcomes.declinedAtConfirmation;
            EXPECT_EQ(boxes.size(), 1U);
            EXPECT_EQ(model, modelBefore);
        } else {
            std::size_t next = 1;
            for (; next < boxes.size() && boxes[next].text == texts::DeviationTooLarge; ++next) {
                EXPECT_EQ(boxes[next].caption, texts::NoticeCaption);
                EXPECT_EQ(boxes[next].buttons, MessageBoxButtons::YesNo);
                ++outcomes.deviationQuestions;
            }
            if (next > 1 && boxes[next - 1].answer == IdNo) {
                ++outcomes.declinedAtDeviation;
                EXPECT_EQ(next, boxes.size());
                EXPECT_FALSE(expectedInvalidRow);
            } else if (next < boxes.size()) {
                // One notice ends the command; nothing is written.
                EXPECT_EQ(next + 1, boxes.size());
                const MessageBoxRecord& notice = boxes[next];
                EXPECT_EQ(notice.caption, texts::NoticeCaption);
                EXPECT_EQ(notice.buttons, MessageBoxButtons::Ok);
                if (notice.text.ends_with(texts::InvalidRowSuffix)) {
                    ++outcomes.invalidRow;
                    EXPECT_EQ(next, 1U) << "a table with an invalid row reached the fit";
                    EXPECT_TRUE(expectedInvalidRow);
                    if (expectedInvalidRow) {
                        EXPECT_EQ(notice.text, invalidRowPrefix + std::to_string(*expectedInvalidRow + 1) +
                                                   std::string(texts::InvalidRowSuffix));
                    }
                } else if (notice.text.ends_with(texts::FitFailedSuffix)) {
                    ++outcomes.fitFailed;
                    EXPECT_FALSE(expectedInvalidRow);
                    EXPECT_TRUE(expectedUnfittable);
                    if (expectedUnfittable) {
                        EXPECT_EQ(notice.text, invalidRowPrefix + std::to_string(*expectedUnfittable + 1) +
                                                   std::string(texts::FitFailedSuffix));
                    }
                } else {
                    ADD_FAILURE() << "unknown message " << notice;
                }
            } else {
                succeeded = true;
                ++outcomes.written;
                EXPECT_FALSE(expectedInvalidRow);
                EXPECT_FALSE(expectedUnfittable);
            }
        }
        EXPECT_EQ(written, succeeded);

        const std::string fileAfter = HostFile(ParameterFilePath);
        if (written) {
            ParameterFile table(files);
            table.Parse(fileAfter);
            const auto& entries = table.Entries();
            EXPECT_GE(entries.size(), 18U) << fileAfter;
            if (entries.size() >= 3) {
                EXPECT_EQ(entries[0], (ParameterEntry{"Serial", "SC-0042"}));
                EXPECT_EQ(entries[2], (ParameterEntry{"Gain", "1.2500"}));
            }
            auto expectStored = [&](const std::string& key, double value) {
                auto entry =
                    std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.key == key; });
                ASSERT_NE(entry, entries.end()) << key;
                const double single = RoundToSingle(value);
                EXPECT_NEAR(ParameterFile::ReadValue(entry->value), single, 5e-5 + 1e-6 * std::fabs(single))
                    << key << "=" << entry->value;
            };
            for (std::size_t i = 0; i < 6; ++i) {
                expectStored("CurveA" + std::to_string(i), model.CurveA[i]);
                expectStored("CurveB" + std::to_string(i), model.CurveB[i]);
            }
            for (std::size_t i = 0; i < 4; ++i)
                expectStored("ConsRange" + std::to_string(i), model.ConsRange[i]);
            EXPECT_EQ(HostFile(BackupFilePath), fileAfter);
        } else {
            EXPECT_EQ(fileAfter, fileBefore);
            EXPECT_EQ(HostFile(BackupFilePath), backupBefore);
        }

        // Nothing on the disk but the file, its backup, the records of the saves and their folders: no
        // leftover temporary file, and no text a gauge would read as "nan" or "inf". A record holds the
        // cells as typed, so only its values are looked at.
        const std::vector<std::string> expectedNames{"NandFlash", "NandFlash/BackUp",
                                                     "NandFlash/BackUp/ZPQ.ini", "NandFlash/ZPQ.ini",
                                                     "NandFlash/Calibration"};
        // A write leaves exactly one record, anything else none; each is removed once looked at.
        int records = 0;
        for (const auto& [name, bytes] : AllFiles()) {
            if (name.starts_with("NandFlash/Calibration/") && name.ends_with(".json")) {
                ++records;
                const auto record = ParseRecord(bytes);
                ASSERT_TRUE(std::holds_alternative<CalibrationRecord>(record)) << name;
                for (const auto& value : std::get<CalibrationRecord>(record).values)
                    EXPECT_TRUE(ParameterFile::IsGaugeReadableText(value.after))
                        << name << ": " << value.after;
                std::filesystem::remove(folder / name);
                continue;
            }
            EXPECT_NE(std::find(expectedNames.begin(), expectedNames.end(), name), expectedNames.end())
                << name;
            const std::string lowered = Lowered(bytes);
            EXPECT_EQ(lowered.find("nan"), std::string::npos) << name << ":\n" << bytes;
            EXPECT_EQ(lowered.find("inf"), std::string::npos) << name << ":\n" << bytes;
        }

        EXPECT_EQ(records, written ? 1 : 0);

        if (HasFailure()) {
            ADD_FAILURE() << "case " << index << " of seed " << SweepSeed << ":\n" << sweep.Describe();
            return;
        }
    }

    std::cout << "bad input sweep: " << SweepCases << " cases, " << outcomes.declinedAtConfirmation
              << " declined at the confirmation, " << outcomes.invalidRow << " invalid rows, "
              << outcomes.fitFailed << " fit failures, " << outcomes.deviationQuestions
              << " deviation questions (" << outcomes.declinedAtDeviation << " declined), "
              << outcomes.written << " written\n";
    // The sweep reaches every way the command can end, or it proves little.
    EXPECT_GE(outcomes.declinedAtConfirmation, 100);
    EXPECT_GE(outcomes.invalidRow, 1000);
    EXPECT_GE(outcomes.fitFailed, 50);
    EXPECT_GE(outcomes.declinedAtDeviation, 100);
    EXPECT_GE(outcomes.written, 1000);
}

} // namespace
} // namespace slabcal
