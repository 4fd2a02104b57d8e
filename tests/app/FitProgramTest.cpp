// `slabcal fit` as a script or an auditor runs it: after the values, the findings the curve window would
// show for the table, one a line.
#include "app/SlabcalProcess.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <sstream>

namespace slabcal {
namespace {

std::vector<std::string> FindingLines(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream text(output);
    for (std::string line; std::getline(text, line);) {
        if (line.starts_with("row ") ||
            (line.starts_with("segment ") && line.find(" (rows ") == std::string::npos))
            lines.push_back(line);
    }
    return lines;
}

TEST(FitProgram, PrintsTheFindingsAfterTheValues) {
    TemporaryFolder folder;
    const struct {
        const char* name;
        int row; // moved, from 0
        const char* height;
        std::vector<std::string> findings;
    } cases[] = {
        {"a clean table", 0, "40", {}},
        {"300 mm recorded as 330", 8, "330", {"row 9: 第9行: 偏离 10.0 %, 请重新测量"}},
        {"150 mm recorded as 158", 4, "158", {"row 5: 第5行可能偏离 5.3 %, 建议重新测量"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationPoints points = test::ModelPoints();
        points[static_cast<std::size_t>(c.row)].height = c.height;
        std::string csv = "height,signal\n";
        for (const auto& point : points)
            csv += point.height + "," + point.signal + "\n";
        WriteHostFile(folder / "points.csv", csv);
        test::SlabcalProcess program({"fit", folder / "points.csv", "--root", folder / "root"}, {}, true);
        program.EndInput();
        ASSERT_TRUE(program.WaitForEndOfOutput(std::chrono::seconds(20)));
        const int status = program.Reap();
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << program.Errors();
        const std::string& output = program.Output();
        EXPECT_EQ(FindingLines(output), c.findings) << output;
        if (!c.findings.empty()) {
            EXPECT_GT(output.find(c.findings[0]), output.find("segment 6 (rows 13-15)"))
                << "after the values";
        }
    }
}

} // namespace
} // namespace slabcal
