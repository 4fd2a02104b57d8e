#include "ReferenceParameterFile.h"

#include <cstring>

namespace slabcal::reference {
namespace {

std::string_view WithoutSpaces(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.substr(begin, end - begin);
}

std::vector<std::string_view> Lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.push_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

// The gauge reads the first line into a 255-byte buffer as C text and looks at 63 characters after the
// leading blanks.
bool IsSignature(std::string_view line) {
    std::string text(line.substr(0, 254));
    text.resize(std::strlen(text.c_str()));
    std::size_t blanks = 0;
    while (blanks < text.size() && text[blanks] == ' ')
        ++blanks;
    text = text.substr(blanks, 63);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text == "VORKAPELMIX";
}

} // namespace

Entries Read(std::string_view bytes) {
    const auto lines = Lines(bytes);
    Entries entries;
    if (lines.empty() || !IsSignature(lines.front()))
        return entries;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto equals = lines[i].find('=');
        if (equals != std::string_view::npos)
            entries.push_back({std::string(WithoutSpaces(lines[i].substr(0, equals))),
                               std::string(WithoutSpaces(lines[i].substr(equals + 1)))});
    }
    return entries;
}

std::string Write(const Entries& entries) {
    std::string bytes = "VORKAPELMIX\r\n";
    for (const auto& entry : entries)
        bytes += entry.key + "=" + entry.value + "\r\n";
    return bytes;
}

bool Set(Entries& entries, std::string_view key, float value) {
    for (auto& entry : entries) {
        if (entry.key != key)
            continue;
        const float stored = ParameterFile::ReadValue(entry.value);
        if (stored == value || stored == ParameterFile::ReadValue(ParameterFile::FormatValue(value)))
            return false;
        entry.value = ParameterFile::FormatValue(value);
        return true;
    }
    entries.push_back({std::string(key), ParameterFile::FormatValue(value)});
    return true;
}

} // namespace slabcal::reference
