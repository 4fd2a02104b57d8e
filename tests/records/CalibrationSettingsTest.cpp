#include "records/CalibrationSettings.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace slabcal {
namespace {

// Each line of the settings file alone: what it sets, or that it is named as not used (and sets nothing).
TEST(CalibrationSettings, ReadsEachKeyAndNamesALineItCannotUse) {
    const auto error = [](double mm, double percent) { return std::optional(PermissibleError{mm, percent}); };
    const struct {
        const char* line;
        std::optional<double> small;
        std::optional<double> large;
        std::optional<PermissibleError> permissible;
        std::optional<int> days;
        const char* problem; // empty: none
    } cases[] = {
        {"reference_tolerance = 0.02 mm", 0.02, 0.02, {}, {}, ""},
        {"reference_tolerance_large=0.05", {}, 0.05, {}, {}, ""},
        {"reference_tolerance=-0.02", {}, {}, {}, {}, "line 1: bad value '-0.02' for reference_tolerance"},
        {"permissible_error=0.5 mm + 1 %", {}, {}, error(0.5, 1), {}, ""},
        {"permissible_error=2%", {}, {}, error(0, 2), {}, ""},
        {"permissible_error=0.5", {}, {}, {}, {}, "line 1: bad value '0.5' for permissible_error"},
        {"permissible_error=1 % + nan %",
         {},
         {},
         {},
         {},
         "line 1: bad value '1 % + nan %' for permissible_error"},
        {"interval_days=365", {}, {}, {}, 365, ""},
        {"interval_days=36.5", {}, {}, {}, {}, "line 1: bad value '36.5' for interval_days"},
        {"serial", {}, {}, {}, {}, "line 1: expected key=value, got 'serial'"},
        {"seriall=1", {}, {}, {}, {}, "line 1: unknown key 'seriall'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const CalibrationSettings settings = ParseCalibrationSettings(c.line);
        EXPECT_EQ(settings.toleranceSmall, c.small);
        EXPECT_EQ(settings.toleranceLarge, c.large);
        EXPECT_EQ(settings.permissibleError, c.permissible);
        EXPECT_EQ(settings.intervalDays, c.days);
        EXPECT_EQ(settings.problems, std::string(c.problem).empty() ? std::vector<std::string>{}
                                                                    : std::vector<std::string>{c.problem});
    }
}

// No file is no settings and no problem; a file that cannot be read (a folder in its place) is a problem
// stated, never a failure.
TEST(CalibrationSettings, AMissingFileSetsNothingAndAnUnreadableOneSaysSo) {
    TemporaryFolder folder;
    const DeviceFileSystem files(folder.Path());
    EXPECT_EQ(ReadCalibrationSettings(files), CalibrationSettings{});
    WriteHostFile(folder / "slabcal.conf", "# the gauge\nserial=SG-0117\nreference=HB-03\n");
    EXPECT_EQ(ReadCalibrationSettings(files).serialNumber, "SG-0117");
    std::filesystem::remove(folder / "slabcal.conf");
    std::filesystem::create_directory(folder / "slabcal.conf");
    const CalibrationSettings unread = ReadCalibrationSettings(files);
    ASSERT_EQ(unread.problems.size(), 1U);
    EXPECT_EQ(unread.problems[0].rfind("slabcal.conf: ", 0), 0U) << unread.problems[0];
}

} // namespace
} // namespace slabcal
