#pragma once

#include "platform/DeviceFileSystem.h"
#include "platform/FileResult.h"

#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

inline constexpr std::string_view ParameterFileSignature = "VORKAPELMIX";

struct ParameterEntry {
    std::string key;
    std::string value;

    friend bool operator==(const ParameterEntry&, const ParameterEntry&) = default;
};

// The gauge's parameter file in memory, for one read-modify-write: the signature line, then key=value
// entries in file order. Entries the calibration does not set are kept whole, however many and however
// long; only blanks (character 32) around keys and values, blank lines and lines without "=" are lost.
// A key may stand more than once; only its first entry is looked up.
class ParameterFile final {
public:
    explicit ParameterFile(const DeviceFileSystem& deviceFiles);

    // Empties the table, binds it to the device path and reads the file. A missing file reads as empty
    // (the next write creates it). A file that exists but cannot be read is a failure, and the table then
    // refuses to write, so entries that could not be read are never overwritten.
    [[nodiscard]] FileResult Load(std::string devicePath);
    // The parsing half of Load: the whole file's bytes. A first line other than the signature leaves the
    // table empty, so the next write replaces the whole file, and returns false (empty bytes are fine).
    bool Parse(std::string_view bytes);
    // One line without its line end: the key before the first "=", the value after it, blanks trimmed.
    void ParseLine(std::string_view line);

    // Stores value as "%.4f" text in the first entry with this key, or appends one. A stored text that
    // reads (as atof would) as the same single-precision number, or as the same number as that "%.4f"
    // text, is kept as it is: "776" stays "776", and "-0.6423" stays for -0.64231847.
    // A value that is not finite is refused: false, and nothing changes.
    [[nodiscard]] bool SetValue(std::string_view key, float value);
    void Append(std::string key, std::string valueText);
    // Stores the text as it stands in the first entry with this key, or appends one. The caller makes sure
    // it is a value the gauge can read (IsStorableText).
    void SetText(std::string_view key, std::string text);
    // The value text of the first entry with this key; nothing when there is none.
    [[nodiscard]] const std::string* Find(std::string_view key) const;

    // Replaces the file atomically with the table. Writes nothing, successfully, when the table is empty.
    [[nodiscard]] FileResult Write();
    // Write, when and only when an entry was added or changed since the last successful write.
    [[nodiscard]] FileResult Flush();

    // The bytes Write stores: the signature and every entry, each line ended by CR LF.
    [[nodiscard]] std::string Contents() const;
    [[nodiscard]] const std::vector<ParameterEntry>& Entries() const { return entries; }
    [[nodiscard]] bool Modified() const { return modified; }
    [[nodiscard]] const std::string& Path() const { return path; }
    // Load found a file whose first line is not the signature: its entries are not in the table, and the
    // next write would replace them all.
    [[nodiscard]] bool Unrecognised() const { return unrecognised; }
    // The bytes the last Load read (empty for a missing file).
    [[nodiscard]] const std::string& LoadedBytes() const { return loadedBytes; }

    // "%.4f" of the single-precision value, whatever the process's locale.
    [[nodiscard]] static std::string FormatValue(float value);
    // atof of the text in the C locale, rounded to single precision.
    [[nodiscard]] static float ReadValue(const std::string& text);
    // A value text the gauge reads as the number it shows: a whole decimal number in the C locale (sign,
    // digits, fraction, exponent; no blanks, nothing after it) that is finite in single precision.
    [[nodiscard]] static bool IsStorableText(std::string_view text);

private:
    const DeviceFileSystem& files;
    std::vector<ParameterEntry> entries;
    std::string path;
    std::string loadedBytes;
    FileResult loaded;
    bool bound = false;
    bool modified = false;
    bool unrecognised = false;
};

} // namespace slabcal
