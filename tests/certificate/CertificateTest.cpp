#include "certificate/Certificate.h"
#include "certificate/CertificateCommand.h"
#include "records/RecordStore.h"
#include "storage/WriteSegmentModel.h"
#include "support/ModelPoints.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace slabcal {
namespace {

CertificateContent ModelCertificate() {
    CertificateContent content;
    content.time = "2026-12-07T12:00:00Z";
    content.version = "1.0.0";
    content.recordName = "20261207T120000Z.json";
    content.points = test::ModelPoints();
    content.values = {"-0.6422",   "-0.4605",  "-0.3915",   "-0.3625", "-0.3625", "-0.3625",
                      "9.5974",    "8.0870",   "7.6199",    "8.8041",  "8.8041",  "8.8041",
                      "4140.0000", "797.0000", "1266.0000", "500.0000"};
    content.forced[4] = true;
    content.checksum = std::string(64, 'a');
    return content;
}

// pdftotext's reading of the PDF, or nothing when poppler-utils is missing.
std::optional<std::string> PdfText(const std::filesystem::path& pdf) {
    if (std::system("command -v pdftotext > /dev/null 2>&1") != 0)
        return std::nullopt;
    const auto text = pdf.string() + ".txt";
    if (std::system(("pdftotext -layout '" + pdf.string() + "' '" + text + "'").c_str()) != 0)
        return std::string();
    return ReadHostFile(text);
}

TEST(Certificate, HoldsThePointsAndTheSixteenValuesAsText) {
    TemporaryFolder folder;
    const CertificateContent content = ModelCertificate();
    const std::filesystem::path pdf = folder / "certificate.pdf";
    ASSERT_EQ(WriteCertificate(content, pdf.string()), "");
    ASSERT_EQ(ReadHostFile(pdf).rfind("%PDF-", 0), 0U);
    if (const char* keep = std::getenv("SLABCAL_SCREENSHOT_DIR"))
        std::filesystem::copy_file(pdf, std::filesystem::path(keep) / "certificate.pdf",
                                   std::filesystem::copy_options::overwrite_existing);
    const auto text = PdfText(pdf);
    if (!text)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    for (const auto& point : content.points) {
        EXPECT_NE(text->find(point.signal), std::string::npos) << point.signal;
        EXPECT_NE(text->find(point.height), std::string::npos) << point.height;
    }
    for (const auto& value : content.values)
        EXPECT_NE(text->find(value), std::string::npos) << value;
    EXPECT_NE(text->find(content.checksum), std::string::npos);
    EXPECT_NE(text->find("楼板厚度仪标定证书"), std::string::npos);
    EXPECT_NE(text->find("签名"), std::string::npos);
}

TEST(Certificate, AFolderThatCannotBeWrittenLeavesNoFile) {
    TemporaryFolder folder;
    const std::filesystem::path pdf = std::filesystem::path(folder / "missing-folder") / "certificate.pdf";
    const std::string error = WriteCertificate(ModelCertificate(), pdf.string());
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

// A record on the device disk, as the write command leaves one.
RecordWriteResult WriteModelRecord(const DeviceFileSystem& files) {
    CalibrationRecord record;
    record.time = "2026-12-07T12:00:00Z";
    record.points = test::ModelPoints();
    const CertificateContent content = ModelCertificate();
    for (std::size_t index = 0; index < SegmentModelKeys.size(); ++index)
        record.values.push_back({std::string(SegmentModelKeys[index]), std::nullopt, content.values[index]});
    record.parameterFileSha256 = content.checksum;
    return WriteRecord(files, record);
}

// The subcommand: a record on the device disk gives its certificate; a missing one is one line, status 2,
// and no file.
TEST(CertificateCommand, WritesTheCertificateOfARecordAndRefusesAMissingOne) {
    TemporaryFolder folder;
    DeviceFileSystem files(folder.Path());
    const RecordWriteResult written = WriteModelRecord(files);
    ASSERT_TRUE(written.Succeeded());

    std::ostringstream out;
    std::ostringstream err;
    const std::string pdf = folder / "certificate.pdf";
    EXPECT_EQ(RunCertificate(written.name, pdf, files, out, err), 0) << err.str();
    EXPECT_EQ(ReadHostFile(pdf).rfind("%PDF-", 0), 0U);

    const std::string missing = folder / "missing.pdf";
    EXPECT_EQ(RunCertificate("20200101T000000Z", missing, files, out, err), 2);
    EXPECT_EQ(err.str(), "slabcal: no record named 20200101T000000Z.json; no certificate written\n");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// Root writing a certificate over another user's private file: it stays theirs and private.
TEST(CertificateCommand, KeepsTheOwnerAndModeOfAnotherUsersFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file away needs root";
    TemporaryFolder folder;
    DeviceFileSystem files(folder.Path());
    const RecordWriteResult written = WriteModelRecord(files);
    ASSERT_TRUE(written.Succeeded());
    const std::string theirs = folder / "theirs.pdf";
    WriteHostFile(theirs, "old");
    constexpr uid_t User = 4242;
    ASSERT_EQ(::chown(theirs.c_str(), User, User), 0);
    ASSERT_EQ(::chmod(theirs.c_str(), 0600), 0);

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCertificate(written.name, theirs, files, out, err), 0) << err.str();
    EXPECT_EQ(ReadHostFile(theirs).rfind("%PDF-", 0), 0U);
    struct stat node {};
    ASSERT_EQ(::stat(theirs.c_str(), &node), 0);
    EXPECT_EQ(node.st_uid, User);
    EXPECT_EQ(node.st_gid, User);
    EXPECT_EQ(node.st_mode & 07777, 0600U);
}

} // namespace
} // namespace slabcal
