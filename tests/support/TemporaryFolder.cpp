#include "support/TemporaryFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace slabcal {

TemporaryFolder::TemporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/slabcal-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed for " + pattern);
    path = name.data();
}

TemporaryFolder::~TemporaryFolder() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    // Tests may leave read-only folders behind; open them up so that a non-root run can clean up too.
    for (auto it = fs::recursive_directory_iterator(path, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored))
        if (it->is_directory(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

std::string TemporaryFolder::operator/(std::string_view relative) const {
    return path + "/" + std::string(relative);
}

std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteHostFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool HostFileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

} // namespace slabcal
