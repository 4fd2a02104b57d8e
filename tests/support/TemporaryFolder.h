#pragma once

#include <string>
#include <string_view>

namespace slabcal {

// A fresh folder under the system's temporary folder, removed with everything in it when the object goes.
class TemporaryFolder final {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    [[nodiscard]] const std::string& Path() const { return path; }
    // Path() + "/" + relative.
    [[nodiscard]] std::string operator/(std::string_view relative) const;

private:
    std::string path;
};

// Small host-side helpers for tests that look at files behind the code's back.
[[nodiscard]] std::string ReadHostFile(const std::string& path);
void WriteHostFile(const std::string& path, std::string_view bytes);
[[nodiscard]] bool HostFileExists(const std::string& path);

} // namespace slabcal
