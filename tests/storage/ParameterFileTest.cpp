#include "storage/ParameterFile.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <limits>
#include <ostream>

namespace slabcal {
namespace {

using Entries = std::vector<ParameterEntry>;

class ParameterTable : public ::testing::Test {
protected:
    Entries Parsed(std::string_view bytes) {
        table.Parse(bytes);
        return table.Entries();
    }

    TemporaryFolder root;
    DeviceFileSystem files{root.Path()};
    ParameterFile table{files};
};

TEST_F(ParameterTable, SignatureWithBlanksAroundOrAnyLineEndIsAccepted) {
    const Entries one{{"A", "1"}};
    EXPECT_EQ(Parsed("VORKAPELMIX\r\nA=1\r\n"), one);
    EXPECT_EQ(Parsed("   VORKAPELMIX   \r\nA=1\r\n"), one);
    EXPECT_EQ(Parsed("VORKAPELMIX\nA=1\n"), one);
    EXPECT_EQ(Parsed("VORKAPELMIX\rA=1\r"), one);
    EXPECT_EQ(Parsed("VORKAPELMIX\r\nA=1"), one) << "the last line needs no line end";
    EXPECT_EQ(Parsed("VORKAPELMIX"), Entries{});
}

// The gauge judges the signature from at most 63 characters after the leading blanks of the first 254
// bytes of the first line, and a NUL byte ends the text; the verdict must be the same here.
TEST_F(ParameterTable, SignatureIsJudgedAsTheGaugeJudgesIt) {
    const Entries one{{"A", "1"}};
    EXPECT_EQ(Parsed("VORKAPELMIX" + std::string(52, ' ') + "tail\r\nA=1\r\n"), one)
        << "tail beyond 63 characters";
    EXPECT_EQ(Parsed("VORKAPELMIX" + std::string(51, ' ') + "tail\r\nA=1\r\n"), Entries{});
    EXPECT_EQ(Parsed(std::string(243, ' ') + "VORKAPELMIX\r\nA=1\r\n"), one) << "signature ends at byte 254";
    EXPECT_EQ(Parsed(std::string(244, ' ') + "VORKAPELMIX\r\nA=1\r\n"), Entries{});
    EXPECT_EQ(Parsed(std::string("VORKAPELMIX\0junk\r\nA=1\r\n", 23)), one);
}

// A first line longer than 254 bytes: only those bytes are judged. The rest of that line is no entry, and
// a write puts the bare signature in the line's place.
struct LongFirstLine {
    const char* name;
    std::string line;
    bool signature;

    friend std::ostream& operator<<(std::ostream& out, const LongFirstLine& given) {
        return out << given.name;
    }
};

class LongFirstLines : public ParameterTable, public ::testing::WithParamInterface<LongFirstLine> {};

TEST_P(LongFirstLines, OnlyTheFirst254BytesAreJudgedAndTheRestOfTheLineIsDropped) {
    ASSERT_GT(GetParam().line.size(), 254U);
    const Entries parsed = Parsed(GetParam().line + "\r\nA=1\r\n");
    if (GetParam().signature) {
        EXPECT_EQ(parsed, (Entries{{"A", "1"}}));
        EXPECT_EQ(table.Contents(), "VORKAPELMIX\r\nA=1\r\n");
    } else {
        EXPECT_EQ(parsed, Entries{});
    }
}

INSTANTIATE_TEST_SUITE_P(
    BeyondByte254, LongFirstLines,
    ::testing::Values(
        LongFirstLine{"SignatureThenBlanksAndText", "VORKAPELMIX" + std::string(300, ' ') + "X", true},
        // The signature ends at byte 254; judged as a whole, the line would read "VORKAPELMIX<43 blanks>X".
        LongFirstLine{"SignatureEndingAtByte254ThenText",
                      std::string(200, ' ') + "VORKAPELMIX" + std::string(43, ' ') + "X", true},
        LongFirstLine{"SignatureAfter254Blanks", std::string(254, ' ') + "VORKAPELMIX", false}),
    [](const ::testing::TestParamInfo<LongFirstLine>& lineParam) {
        return std::string(lineParam.param.name);
    });

TEST_F(ParameterTable, OtherSignaturesLeaveTheTableEmpty) {
    for (const char* first : {"vorkapelmix", "\tVORKAPELMIX", "\xEF\xBB\xBFVORKAPELMIX", "VORKAPELMIX2",
                              "VORKAPEL MIX", "", "A=1"})
        EXPECT_EQ(Parsed(std::string(first) + "\r\nA=1\r\n"), Entries{}) << first;
    EXPECT_EQ(Parsed(""), Entries{});
}

TEST_F(ParameterTable, LinesAreSplitAtTheFirstEqualsAndTrimmedOfBlanks) {
    const Entries expected{
        {"Key", "value with inner blanks"}, {"A", "B=C"}, {"", ""}, {"\tTab", "\t1"}, {"Empty", ""}};
    EXPECT_EQ(Parsed("VORKAPELMIX\r\n"
                     "   Key   =   value with inner blanks   \r\n"
                     "A=B=C\r\n"
                     "=\r\n"
                     "\tTab=\t1\r\n"
                     "Empty=\r\n"),
              expected);
}

TEST_F(ParameterTable, BlankLinesAndLinesWithoutEqualsAreDropped) {
    EXPECT_EQ(Parsed("VORKAPELMIX\r\n\r\n[Section]\r\n   \r\nA=1\r\n\r\n\r\n; comment\r\nB=2\r\n"),
              (Entries{{"A", "1"}, {"B", "2"}}));
}

TEST_F(ParameterTable, CrLfAndLoneCrOrLfEachEndALine) {
    EXPECT_EQ(Parsed("VORKAPELMIX\rA=1\rB=2\r"), (Entries{{"A", "1"}, {"B", "2"}}));
    EXPECT_EQ(Parsed("VORKAPELMIX\r\nA=1\rB=2\nC=3\r\n\n\rD=4"),
              (Entries{{"A", "1"}, {"B", "2"}, {"C", "3"}, {"D", "4"}}));
}

TEST_F(ParameterTable, LongLinesAndManyEntriesAreKeptWhole) {
    const std::string longValue(300, 'v');
    const std::string longKey(100, 'k');
    std::string bytes = "VORKAPELMIX\r\n" + longKey + "=" + longValue + "\r\n";
    for (int i = 0; i < 60; ++i)
        bytes += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    const Entries parsed = Parsed(bytes);
    ASSERT_EQ(parsed.size(), 61U);
    EXPECT_EQ(parsed[0], (ParameterEntry{longKey, longValue}));
    EXPECT_EQ(parsed[60], (ParameterEntry{"Key59", "59"}));
    EXPECT_EQ(table.Contents(), bytes) << "written back byte for byte";
}

TEST_F(ParameterTable, ValuesArePrintedWithFourDecimalsOfTheSingleValue) {
    EXPECT_EQ(ParameterFile::FormatValue(-0.6423F), "-0.6423");
    EXPECT_EQ(ParameterFile::FormatValue(4063.0F), "4063.0000");
    EXPECT_EQ(ParameterFile::FormatValue(0.0F), "0.0000");
    EXPECT_EQ(ParameterFile::FormatValue(-0.0F), "-0.0000");
    EXPECT_EQ(ParameterFile::FormatValue(1e-5F), "0.0000");
    EXPECT_EQ(ParameterFile::FormatValue(8.087F), "8.0870");
    EXPECT_EQ(ParameterFile::FormatValue(std::numeric_limits<float>::max()).size(), 44U);
    EXPECT_EQ(ParameterFile::FormatValue(std::numeric_limits<float>::lowest()).size(), 45U);
}

TEST_F(ParameterTable, StoredTextThatReadsAsTheSameValueIsKept) {
    table.Parse("VORKAPELMIX\r\nConsRange1=776\r\nConsRange2=7.76e2\r\nConsRange3= "
                "776.00001xyz\r\nCurveA0=-0.64\r\n");
    ASSERT_TRUE(table.SetValue("ConsRange1", 776.0F));
    ASSERT_TRUE(table.SetValue("ConsRange2", 776.0F));
    ASSERT_TRUE(table.SetValue("ConsRange3", 776.0F));
    EXPECT_FALSE(table.Modified());
    ASSERT_TRUE(table.SetValue("CurveA0", -0.6423F));
    EXPECT_TRUE(table.Modified());
    EXPECT_EQ(table.Entries(), (Entries{{"ConsRange1", "776"},
                                        {"ConsRange2", "7.76e2"},
                                        {"ConsRange3", "776.00001xyz"},
                                        {"CurveA0", "-0.6423"}}));
}

TEST_F(ParameterTable, StoredTextThatReadsAsThePrintedValueIsKept) {
    table.Parse("VORKAPELMIX\r\nCurveA0=-0.6423\r\nCurveA1=0.00\r\nCurveA2=-0.6423\r\n");
    ASSERT_TRUE(table.SetValue("CurveA0", -0.64231847F));
    ASSERT_TRUE(table.SetValue("CurveA1", 1e-5F));
    EXPECT_FALSE(table.Modified()) << "the file cannot hold these values more closely";
    ASSERT_TRUE(table.SetValue("CurveA2", -0.64236F));
    EXPECT_TRUE(table.Modified());
    EXPECT_EQ(table.Entries()[2].value, "-0.6424");
}

TEST_F(ParameterTable, TextThatIsNoNumberReadsAsZero) {
    table.Parse("VORKAPELMIX\r\nA=abc\r\nB=nan\r\n");
    ASSERT_TRUE(table.SetValue("A", 0.0F));
    EXPECT_FALSE(table.Modified()) << "atof gives 0 for text without a number";
    ASSERT_TRUE(table.SetValue("B", 0.0F));
    EXPECT_EQ(table.Entries()[1].value, "0.0000");
}

TEST_F(ParameterTable, FirstOfTwoEqualKeysIsUpdatedAndNewKeysAppendInOrder) {
    table.Parse("VORKAPELMIX\r\nOther=x\r\nCurveA0=1\r\nCurveA0=2\r\n");
    ASSERT_TRUE(table.SetValue("CurveA0", 3.0F));
    ASSERT_TRUE(table.SetValue("CurveB1", 4.0F));
    ASSERT_TRUE(table.SetValue("CurveA1", 5.0F));
    EXPECT_EQ(table.Entries(), (Entries{{"Other", "x"},
                                        {"CurveA0", "3.0000"},
                                        {"CurveA0", "2"},
                                        {"CurveB1", "4.0000"},
                                        {"CurveA1", "5.0000"}}));
}

TEST_F(ParameterTable, NonFiniteValuesAreRefused) {
    table.Parse("VORKAPELMIX\r\nCurveA0=1\r\n");
    for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()}) {
        EXPECT_FALSE(table.SetValue("CurveA0", bad));
        EXPECT_FALSE(table.SetValue("CurveA9", bad));
    }
    EXPECT_FALSE(table.Modified());
    EXPECT_EQ(table.Entries(), (Entries{{"CurveA0", "1"}}));
}

// What Write stores can be read back to the same table: a file never drifts from save to save.
TEST_F(ParameterTable, ContentsReadBackToTheSameEntries) {
    table.Parse("  VORKAPELMIX \n k = v \r=\rA=B=C\r\n\r\nnoequals\n x=  ");
    const Entries first = table.Entries();
    const std::string written = table.Contents();
    EXPECT_EQ(written, "VORKAPELMIX\r\nk=v\r\n=\r\nA=B=C\r\nx=\r\n");
    EXPECT_EQ(Parsed(written), first);
}

} // namespace
} // namespace slabcal
