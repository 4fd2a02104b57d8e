#include "storage/ParameterFile.h"

#include "fitting/RoundToSingle.h"
#include "platform/ClassicNumbers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace slabcal {
namespace {

constexpr char Blank = ' '; // only the space; a tab is part of the text
constexpr std::string_view LineEnd = "\r\n";
// The gauge's own reader judges the signature from the first 254 bytes of the first line and from at
// most 63 characters after its leading blanks; the same cuts here keep the verdict the same for any file.
constexpr std::size_t SignatureReadLimit = 254;
constexpr std::size_t SignatureFieldLimit = 63;

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(Blank);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(Blank);
    return text.substr(first, last - first + 1);
}

bool IsSignatureLine(std::string_view line) {
    line = line.substr(0, std::min(line.size(), SignatureReadLimit));
    line = line.substr(0, line.find('\0'));
    const auto first = line.find_first_not_of(Blank);
    line = first == std::string_view::npos ? std::string_view{} : line.substr(first);
    line = line.substr(0, std::min(line.size(), SignatureFieldLimit));
    return TrimBlanks(line) == ParameterFileSignature;
}

// The next line and the position after its end. CR, LF and CR LF each end a line.
std::string_view NextLine(std::string_view bytes, std::size_t& position) {
    const auto end = bytes.find_first_of(LineEnd, position);
    const std::string_view line =
        bytes.substr(position, end == std::string_view::npos ? std::string_view::npos : end - position);
    if (end == std::string_view::npos)
        position = bytes.size();
    else if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
        position = end + 2;
    else
        position = end + 1;
    return line;
}

// The first entry with the key (only the first is ever looked up), or the end.
template <typename Entries> auto FirstWithKey(Entries& entries, std::string_view key) {
    return std::find_if(entries.begin(), entries.end(),
                        [key](const ParameterEntry& entry) { return entry.key == key; });
}

} // namespace

ParameterFile::ParameterFile(const DeviceFileSystem& deviceFiles) : files(deviceFiles) {}

FileResult ParameterFile::Load(std::string devicePath) {
    entries.clear();
    modified = false;
    unrecognised = false;
    bound = true;
    path = std::move(devicePath);
    loadedBytes.clear();
    loaded = files.ReadFile(path, loadedBytes);
    if (!loaded && loaded.step == FileStep::Open && loaded.error == ENOENT)
        loaded = FileResult::Success();
    if (loaded)
        unrecognised = !Parse(loadedBytes);
    return loaded;
}

bool ParameterFile::Parse(std::string_view bytes) {
    entries.clear();
    if (bytes.empty())
        return true;
    std::size_t position = 0;
    if (!IsSignatureLine(NextLine(bytes, position)))
        return false;
    while (position < bytes.size())
        ParseLine(NextLine(bytes, position));
    return true;
}

void ParameterFile::ParseLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos)
        return;
    entries.push_back(
        {std::string(TrimBlanks(line.substr(0, equals))), std::string(TrimBlanks(line.substr(equals + 1)))});
}

std::string ParameterFile::FormatValue(float value) {
    // Wide enough for "-340282346638528859811704183484516925440.0000".
    std::array<char, 64> text{};
    const auto printed = std::to_chars(text.data(), text.data() + text.size(), static_cast<double>(value),
                                       std::chars_format::fixed, 4);
    return {text.data(), printed.ptr};
}

float ParameterFile::ReadValue(const std::string& text) {
    return RoundToSingle(ClassicStrtod(text.c_str()));
}

bool ParameterFile::IsStorableText(std::string_view text) {
    const std::string copy(text);
    if (copy.empty() || copy.find_first_not_of("+-0123456789.eE") != std::string::npos)
        return false;
    char* end = nullptr;
    const double value = ClassicStrtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(RoundToSingle(value));
}

const std::string* ParameterFile::Find(std::string_view key) const {
    auto found = FirstWithKey(entries, key);
    return found == entries.end() ? nullptr : &found->value;
}

void ParameterFile::SetText(std::string_view key, std::string text) {
    auto found = FirstWithKey(entries, key);
    if (found == entries.end()) {
        Append(std::string(key), std::move(text));
    } else if (found->value != text) {
        found->value = std::move(text);
        modified = true;
    }
}

bool ParameterFile::SetValue(std::string_view key, float value) {
    if (!std::isfinite(value))
        return false;
    auto found = FirstWithKey(entries, key);
    if (found == entries.end()) {
        Append(std::string(key), FormatValue(value));
        return true;
    }
    // The file holds four decimals, so a value with more is stored rounded; a stored text that reads as
    // that rounded text does already hold the value, and saving the same value again leaves the file alone.
    std::string printed = FormatValue(value);
    const float stored = ReadValue(found->value);
    if (stored != value && stored != ReadValue(printed)) {
        found->value = std::move(printed);
        modified = true;
    }
    return true;
}

void ParameterFile::Append(std::string key, std::string valueText) {
    entries.push_back({std::move(key), std::move(valueText)});
    modified = true;
}

std::string ParameterFile::Contents() const {
    std::string bytes(ParameterFileSignature);
    bytes += LineEnd;
    for (const auto& entry : entries) {
        bytes += entry.key;
        bytes += '=';
        bytes += entry.value;
        bytes += LineEnd;
    }
    return bytes;
}

FileResult ParameterFile::Write() {
    if (!bound)
        return FileResult::Failure(FileStep::Path, EINVAL);
    if (!loaded)
        return loaded;
    if (entries.empty())
        return FileResult::Success();
    FileResult written = files.ReplaceFile(path, Contents());
    if (written)
        modified = false;
    return written;
}

FileResult ParameterFile::Flush() {
    return modified ? Write() : FileResult::Success();
}

} // namespace slabcal
