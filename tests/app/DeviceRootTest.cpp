#include "app/DeviceRoot.h"

#include "platform/DeviceFileSystem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace slabcal {
namespace {

TEST(PrepareDeviceRoot, MakesBothFoldersOrNamesThePathThatIsNoFolder) {
    TemporaryFolder folder;
    const std::string file = folder / "file";
    const std::string flashIsFile = folder / "flash-is-file";
    WriteHostFile(file, "kept");
    std::filesystem::create_directory(flashIsFile);
    WriteHostFile(flashIsFile + "/NandFlash", "kept");
    const std::string notFolder = ": mkdir: Not a directory";

    const struct {
        std::string root;
        std::optional<std::string> error;
    } cases[] = {
        {folder / "new/a/b", std::nullopt},
        {file, "cannot use the device root " + file + notFolder},
        {"/dev/null", "cannot use the device root /dev/null" + notFolder},
        {flashIsFile,
         "cannot use the device root " + flashIsFile + ": " + flashIsFile + "/NandFlash" + notFolder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(PrepareDeviceRoot(DeviceFileSystem(c.root)), c.error);
        EXPECT_EQ(std::filesystem::is_directory(c.root + "/NandFlash"), !c.error);
    }
    EXPECT_EQ(ReadHostFile(file), "kept");
    EXPECT_EQ(ReadHostFile(flashIsFile + "/NandFlash"), "kept");
}

} // namespace
} // namespace slabcal
