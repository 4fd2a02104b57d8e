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

// A first line longer than 254 bytes: only those bytes are judged, and the gauge's reader takes the rest
// of the line as a line of its own, so an entry there is one. A write puts the bare signature in the
// line's place and that entry on a line after it.
struct LongFirstLine {
    const char* name;
    std::string line;
    Entries before; // the entries the rest of the line gives, or none without the signature
    bool signature = true;

    friend std::ostream& operator<<(std::ostream& out, const LongFirstLine& given) {
        return out << given.name;
    }
};

class LongFirstLines : public ParameterTable, public ::testing::WithParamInterface<LongFirstLine> {};

TEST_P(LongFirstLines, OnlyTheFirst254BytesAreJudgedAndTheRestOfTheLineIsALineOfItsOwn) {
    ASSERT_GT(GetParam().line.size(), 254U);
    const std::string bytes = GetParam().line + "\r\nA=1\r\n";
    const Entries parsed = Parsed(bytes);
    if (!GetParam().signature) {
        EXPECT_EQ(parsed, Entries{});
        return;
    }
    Entries expected = GetParam().before;
    expected.push_back({"A", "1"});
    EXPECT_EQ(parsed, expected);
    EXPECT_EQ(ParameterFile::GaugeEntries(bytes), expected) << "as the gauge's reader takes them";
    EXPECT_EQ(ParameterFile::GaugeEntries(table.Contents()), expected) << "and takes them after a write";
    EXPECT_TRUE(table.Contents().starts_with("VORKAPELMIX\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    BeyondByte254, LongFirstLines,
    ::testing::Values(
        LongFirstLine{"SignatureThenBlanksAndText", "VORKAPELMIX" + std::string(300, ' ') + "X", {}},
        // The signature ends at byte 254; judged as a whole, the line would read "VORKAPELMIX<43 blanks>X".
        LongFirstLine{"SignatureEndingAtByte254ThenText",
                      std::string(200, ' ') + "VORKAPELMIX" + std::string(43, ' ') + "X",
                      {}},
        LongFirstLine{
            "EntryFromByte255", "VORKAPELMIX" + std::string(243, ' ') + "Serial=4711", {{"Serial", "4711"}}},
        // Cut where the gauge's read ends: it takes "ial=4711", and so does the table.
        LongFirstLine{
            "EntryAcrossByte254", "VORKAPELMIX" + std::string(240, ' ') + "Serial=4711", {{"ial", "4711"}}},
        LongFirstLine{"SignatureAfter254Blanks", std::string(254, ' ') + "VORKAPELMIX", {}, false}),
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

// "Equal" is as the gauge reads: the longest leading decimal number of the first 63 characters (no
// hexadecimal, "inf" or "nan"), and a text it does not read whole is replaced.
TEST_F(ParameterTable, StoredTextsAreJudgedAsTheGaugeReadsThem) {
    const std::string longZero = "-" + std::string(66, '0') + ".6423"; // the gauge keeps "-000…0"
    const std::string longOne = "1" + std::string(70, '0') + "e-70";   // the gauge keeps 1e62
    const struct {
        std::string stored;
        float value;
        std::string after; // the stored text when kept
    } cases[]{
        {"abc", 0.0F, "abc"},
        {"nan", 0.0F, "nan"},
        {"inf", 0.0F, "inf"},
        {"0x1000", 0.0F, "0x1000"},
        {"0x1000", 4096.0F, "4096.0000"},
        {"796 mV", 796.0F, "796 mV"},
        {"\t776", 776.0F, "\t776"},
        {"1e39", 0.0F, "0.0000"},
        {longZero, -0.6423F, "-0.6423"},
        {longOne, 1.0F, "1.0000"},
        {"776." + std::string(60, '0'), 776.0F, "776.0000"},
        {std::string("7\0xyz", 5), 7.0F, "7.0000"},
    };
    for (const auto& c : cases) {
        ParameterFile fresh(files);
        fresh.Parse("VORKAPELMIX\r\nK=" + c.stored + "\r\n");
        ASSERT_TRUE(fresh.SetValue("K", c.value));
        EXPECT_EQ(fresh.Entries()[0].value, c.after) << c.stored;
        EXPECT_EQ(fresh.Modified(), c.after != c.stored) << c.stored;
    }
}

// The gauge's own reader: 254-byte reads, each ending at CR, LF or NUL; keys and values cut to 63
// characters (the key after its leading blanks go, the value before); 49 entries.
TEST_F(ParameterTable, TheGaugesReaderIsModelledReadByRead) {
    std::string many = "VORKAPELMIX\r\n";
    Entries first49;
    for (int i = 0; i < 60; ++i) {
        many += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
        if (i < 49)
            first49.push_back({"K" + std::to_string(i), std::to_string(i)});
    }
    const struct {
        const char* name;
        std::string bytes;
        Entries seen;
    } cases[]{
        {"empty", "", {}},
        {"no signature", "vorkapelmix\r\nA=1\r\n", {}},
        {"lone CR ends the text", "VORKAPELMIX\r\nA=1\rB=2\r\nC=3\n", {{"A", "1"}, {"C", "3"}}},
        {"NUL ends the text",
         std::string("VORKAPELMIX\r\nA=1\0B=2\r\nC=3\r\n", 27),
         {{"A", "1"}, {"C", "3"}}},
        {"a long line is read in 254-byte pieces",
         "VORKAPELMIX\r\nK=" + std::string(252, 'v') + "X=9\r\n",
         {{"K", std::string(63, 'v')}, {"X", "9"}}},
        {"a key loses its leading blanks before the cut",
         "VORKAPELMIX\r\n   " + std::string(70, 'k') + "=1\r\n",
         {{std::string(63, 'k'), "1"}}},
        {"a value is cut before its blanks go",
         "VORKAPELMIX\r\nA=" + std::string(63, ' ') + "5\r\n",
         {{"A", ""}}},
        {"49 entries", many, first49},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParameterFile::GaugeEntries(c.bytes), c.seen) << c.name;
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
