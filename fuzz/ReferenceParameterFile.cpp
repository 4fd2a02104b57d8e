#include "ReferenceParameterFile.h"

#include <algorithm>
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

const ParameterEntry* FirstWithKey(const Entries& entries, std::string_view key) {
    for (const auto& entry : entries)
        if (entry.key == key)
            return &entry;
    return nullptr;
}

} // namespace

Entries Read(std::string_view bytes) {
    auto lines = Lines(bytes);
    Entries entries;
    if (lines.empty() || !IsSignature(lines.front()))
        return entries;
    // The gauge reads what a first line holds beyond its first 254 bytes as a line of its own.
    if (lines.front().size() > 254)
        lines.front() = lines.front().substr(254);
    else
        lines.erase(lines.begin());
    for (const auto line : lines) {
        const auto equals = line.find('=');
        if (equals != std::string_view::npos)
            entries.push_back({std::string(WithoutSpaces(line.substr(0, equals))),
                               std::string(WithoutSpaces(line.substr(equals + 1)))});
    }
    return entries;
}

Entries GaugeRead(std::string_view bytes) {
    Entries entries;
    bool first = true;
    std::size_t at = 0;
    while (at < bytes.size() && entries.size() < 49) {
        // fgets into 255 bytes: up to and with a LF, at most 254 bytes; then the text as C text up to a CR
        // or LF.
        std::string line;
        while (at < bytes.size() && line.size() < 254) {
            line += bytes[at++];
            if (line.back() == '\n')
                break;
        }
        line.resize(std::strlen(line.c_str()));
        line = line.substr(0, line.find_first_of("\r\n"));
        if (first) {
            if (!IsSignature(line))
                return entries;
            first = false;
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        // The key loses its leading blanks before it is cut to 63 characters, the value after.
        std::size_t lead = 0;
        while (lead < equals && line[lead] == ' ')
            ++lead;
        entries.push_back(
            {std::string(WithoutSpaces(line.substr(lead, std::min<std::size_t>(equals - lead, 63)))),
             std::string(WithoutSpaces(std::string_view(line).substr(equals + 1, 63)))});
    }
    return entries;
}

bool GaugeSees(std::string_view bytes, const Entries& entries, std::span<const std::string_view> keys) {
    const Entries seen = GaugeRead(bytes);
    for (const auto& key : keys) {
        const ParameterEntry* meant = FirstWithKey(entries, key);
        const ParameterEntry* read = FirstWithKey(seen, key);
        if (meant == nullptr || read == nullptr ||
            ParameterFile::ReadValue(read->value) != ParameterFile::ReadValue(meant->value))
            return false;
    }
    return true;
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
        // Kept only when the gauge reads it whole: 63 characters at most, no NUL.
        const float stored = ParameterFile::ReadValue(entry.value);
        const bool whole = entry.value.size() <= 63 && entry.value.find('\0') == std::string::npos;
        if (whole &&
            (stored == value || stored == ParameterFile::ReadValue(ParameterFile::FormatValue(value))))
            return false;
        entry.value = ParameterFile::FormatValue(value);
        return true;
    }
    entries.push_back({std::string(key), ParameterFile::FormatValue(value)});
    return true;
}

} // namespace slabcal::reference
