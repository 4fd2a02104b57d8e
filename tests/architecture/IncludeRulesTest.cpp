// The layers as a test: every folder under src/ that holds a README says on its "May use:" line which
// other folders it may include from, and no source file includes from any other. A folder may always use
// itself; "everything" allows all, "nothing" none.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace slabcal {
namespace {

namespace fs = std::filesystem;

const fs::path SourceRoot = fs::path(SLABCAL_SOURCE_DIR) / "src";

struct FolderRules {
    bool everything = false;
    std::set<std::string> mayUse;
};

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The "May use:" paragraph of a README: the backquoted folder names up to the next blank line.
std::optional<FolderRules> RulesOf(const fs::path& readme) {
    const std::string text = ReadWhole(readme);
    const auto start = text.find("May use:");
    if (start == std::string::npos)
        return std::nullopt;
    const auto end = text.find("\n\n", start);
    const std::string paragraph = text.substr(start, end == std::string::npos ? end : end - start);
    FolderRules rules;
    rules.everything = paragraph.find("May use: everything") != std::string::npos;
    static const std::regex quoted("`([a-z]+(/[a-z]+)*)`");
    for (auto it = std::sregex_iterator(paragraph.begin(), paragraph.end(), quoted);
         it != std::sregex_iterator(); ++it)
        rules.mayUse.insert((*it)[1].str());
    return rules;
}

// Every folder under src/ with a README, by its path relative to src/ ("framework/qt").
std::map<std::string, fs::path> Folders() {
    std::map<std::string, fs::path> folders;
    for (const auto& entry : fs::recursive_directory_iterator(SourceRoot))
        if (entry.is_regular_file() && entry.path().filename() == "README.md")
            folders[fs::relative(entry.path().parent_path(), SourceRoot).generic_string()] = entry.path();
    return folders;
}

// The folder an include names: the longest known folder its directory lies in.
std::string FolderOfInclude(const std::string& include, const std::map<std::string, fs::path>& folders) {
    std::string folder = fs::path(include).parent_path().generic_string();
    while (!folder.empty() && folders.count(folder) == 0)
        folder = fs::path(folder).parent_path().generic_string();
    return folder;
}

TEST(IncludeRules, EveryFolderIncludesOnlyWhatItsReadmeAllows) {
    const auto folders = Folders();
    ASSERT_GT(folders.size(), 10U) << "no README found under " << SourceRoot;
    static const std::regex include(R"re(#include "([a-z]+/[^"]+)")re");
    int checked = 0;
    for (const auto& [folder, readme] : folders) {
        const auto rules = RulesOf(readme);
        bool hasSources = false;
        for (const auto& entry : fs::directory_iterator(readme.parent_path())) {
            const auto extension = entry.path().extension();
            if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
                continue;
            hasSources = true;
            const std::string source = ReadWhole(entry.path());
            for (auto it = std::sregex_iterator(source.begin(), source.end(), include);
                 it != std::sregex_iterator(); ++it) {
                const std::string used = FolderOfInclude((*it)[1].str(), folders);
                ++checked;
                if (used.empty() || used == folder ||
                    (rules && (rules->everything || rules->mayUse.count(used) != 0)))
                    continue;
                ADD_FAILURE() << "src/" << folder << "/" << entry.path().filename().string() << " includes "
                              << (*it)[1].str() << ", but src/" << folder << "/README.md does not name `"
                              << used << "` on its \"May use:\" line";
            }
        }
        EXPECT_TRUE(!hasSources || rules) << "src/" << folder << "/README.md has no \"May use:\" line";
    }
    EXPECT_GT(checked, 100) << "the include pattern found almost nothing";
}

// A name on a "May use:" line that is no folder is a typo that would let nothing through.
TEST(IncludeRules, EveryFolderNamedOnAMayUseLineExists) {
    const auto folders = Folders();
    for (const auto& [folder, readme] : folders) {
        const auto rules = RulesOf(readme);
        for (const auto& used : rules ? rules->mayUse : std::set<std::string>{}) {
            EXPECT_EQ(folders.count(used), 1U) << "src/" << folder << "/README.md names `" << used << "`";
        }
    }
}

} // namespace
} // namespace slabcal
