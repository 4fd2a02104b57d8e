#include "storage/ParameterFile.h"

#include "fitting/NumberText.h"
#include "fitting/RoundToSingle.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>

namespace slabcal {
namespace {

constexpr char Blank = ' '; // only the space; a tab is part of the text
constexpr std::string_view LineEnd = "\r\n";
// Each ends the text of a line the gauge's reader has read.
constexpr std::string_view GaugeTextEnds{"\r\n\0", 3};

std::string_view TrimLeadingBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(Blank);
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string_view TrimTrailingBlanks(std::string_view text) {
    const auto last = text.find_last_not_of(Blank);
    return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

std::string_view TrimBlanks(std::string_view text) {
    return TrimTrailingBlanks(TrimLeadingBlanks(text));
}

// The gauge's own reader judges the signature from the first GaugeReadLimit bytes of the first line, up
// to a NUL, and from at most GaugeFieldLimit characters after its leading blanks; the same cuts here keep
// the verdict the same for any file.
bool IsSignatureLine(std::string_view line) {
    line = line.substr(0, GaugeReadLimit);
    line = line.substr(0, line.find('\0'));
    return TrimTrailingBlanks(TrimLeadingBlanks(line).substr(0, GaugeFieldLimit)) == ParameterFileSignature;
}

// One read of the gauge's reader from `position` on: up to and with the next LF, at most GaugeReadLimit
// bytes. Its text ends at the first CR, LF or NUL.
std::string_view GaugeRead(std::string_view bytes, std::size_t& position) {
    std::string_view read = bytes.substr(position, GaugeReadLimit);
    if (const auto lineFeed = read.find('\n'); lineFeed != std::string_view::npos)
        read = read.substr(0, lineFeed + 1);
    position += read.size();
    return read.substr(0, read.find_first_of(GaugeTextEnds));
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
    const std::string_view first = NextLine(bytes, position);
    if (!IsSignatureLine(first))
        return false;
    // The gauge's reader takes the bytes of a long first line beyond its first read as a line of its own.
    if (first.size() > GaugeReadLimit)
        ParseLine(first.substr(GaugeReadLimit));
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

float ParameterFile::ReadValue(std::string_view text) {
    return RoundToSingle(ReadDecimalPrefix(text.substr(0, GaugeFieldLimit)));
}

std::string ParameterFile::GaugeReadableProblem(std::string_view text) {
    if (text.size() > GaugeFieldLimit)
        return "is longer than the " + std::to_string(GaugeFieldLimit) + " characters the gauge keeps";
    if (text.find_first_of(GaugeTextEnds) != std::string_view::npos)
        return "holds a line end or a NUL byte";
    if (!text.empty() && (text.front() == Blank || text.back() == Blank))
        return "has blanks around it";
    if (!std::isfinite(ReadValue(text)))
        return "is beyond the range of single precision";
    return {};
}

std::vector<ParameterEntry> ParameterFile::GaugeEntries(std::string_view bytes) {
    std::vector<ParameterEntry> kept;
    std::size_t position = 0;
    if (bytes.empty() || !IsSignatureLine(GaugeRead(bytes, position)))
        return kept;
    while (position < bytes.size() && kept.size() < GaugeEntryLimit) {
        const std::string_view line = GaugeRead(bytes, position);
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        // The key loses its leading blanks before the cut, the value after it.
        const std::string_view key =
            TrimTrailingBlanks(TrimLeadingBlanks(line.substr(0, equals)).substr(0, GaugeFieldLimit));
        kept.push_back({std::string(key), std::string(TrimBlanks(line.substr(equals + 1, GaugeFieldLimit)))});
    }
    return kept;
}

std::vector<std::string> ParameterFile::KeysTheGaugeMisreads(std::string_view bytes,
                                                             std::span<const std::string_view> keys) const {
    const std::vector<ParameterEntry> seen = GaugeEntries(bytes);
    std::vector<std::string> misread;
    for (const std::string_view key : keys) {
        const std::string* meant = Find(key);
        const auto read = FirstWithKey(seen, key);
        if (meant == nullptr || read == seen.end() || ReadValue(read->value) != ReadValue(*meant))
            misread.emplace_back(key);
    }
    return misread;
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
    // "Reads" is as the gauge reads: "0x1000" is 0 to it and "inf" is 0 as well.
    std::string printed = FormatValue(value);
    if (IsGaugeReadableText(found->value)) {
        const float stored = ReadValue(found->value);
        if (stored == value || stored == ReadValue(printed))
            return true;
    }
    found->value = std::move(printed);
    modified = true;
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
