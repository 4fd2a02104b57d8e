#pragma once

#include "platform/DeviceFileSystem.h"
#include "platform/FileResult.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

inline constexpr std::string_view ParameterFileSignature = "VORKAPELMIX";

// The limits of the gauge's own reader of the file: each read takes at most this many bytes of a line (the
// rest of a longer line comes back as a line of its own), a key or a value keeps at most this many
// characters, and only this many entries are kept.
inline constexpr std::size_t GaugeReadLimit = 254;
inline constexpr std::size_t GaugeFieldLimit = 63;
inline constexpr std::size_t GaugeEntryLimit = 49;

struct ParameterEntry {
    std::string key;
    std::string value;

    friend bool operator==(const ParameterEntry&, const ParameterEntry&) = default;
};

// The gauge's parameter file in memory, for one read-modify-write: the signature line, then key=value
// entries in file order. Entries the calibration does not set are kept whole, however many and however
// long; only blanks (character 32) around keys and values, blank lines and lines without "=" are lost.
// A key may stand more than once; only its first entry is looked up. A first line longer than the
// gauge's read gives, after those bytes, a line of its own, as the gauge's reader takes it.
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

    // Stores value as "%.4f" text in the first entry with this key, or appends one. A stored text that the
    // gauge reads whole (IsGaugeReadableText) as the same single-precision number (ReadValue), or as the
    // same number as that "%.4f" text, is kept as it is: "776" stays "776", "796 mV" stays for 796, and
    // "-0.6423" stays for -0.64231847. A value that is not finite is refused: false, and nothing changes.
    [[nodiscard]] bool SetValue(std::string_view key, float value);
    void Append(std::string key, std::string valueText);
    // Stores the text as it stands in the first entry with this key, or appends one. The caller makes sure
    // it is a value the gauge reads whole (IsGaugeReadableText).
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

    // The keys among `keys` whose number the gauge, reading `bytes` (GaugeEntries), would not take as this
    // table's first entry of the key holds it: the key is not among the entries the gauge keeps, or the
    // first entry it keeps under that key reads (ReadValue) as another number.
    [[nodiscard]] std::vector<std::string> KeysTheGaugeMisreads(std::string_view bytes,
                                                                std::span<const std::string_view> keys) const;

    // "%.4f" of the single-precision value, whatever the process's locale.
    [[nodiscard]] static std::string FormatValue(float value);
    // The number the gauge reads from a value text standing after "key=": its atof (the longest leading
    // decimal number, 0 when there is none; no hexadecimal, "inf" or "nan") of the text's first
    // GaugeFieldLimit characters, rounded to single precision.
    [[nodiscard]] static float ReadValue(std::string_view text);
    // Why the gauge would not read the value text whole as the number it shows; empty when it would:
    // at most GaugeFieldLimit characters, no blank at either end (the reader trims them), no CR, LF or NUL
    // (each ends the gauge's line), and reading (ReadValue) as a number finite in single precision. Every
    // text a save keeps or stores is one of these, and "CurveA0=" with one of them is a line far shorter
    // than GaugeReadLimit.
    [[nodiscard]] static std::string GaugeReadableProblem(std::string_view text);
    [[nodiscard]] static bool IsGaugeReadableText(std::string_view text) {
        return GaugeReadableProblem(text).empty();
    }
    // The entries the gauge's own reader takes from the file's bytes: none without the signature line;
    // then each read of a line (up to LF, at most GaugeReadLimit bytes) ends at its first CR, LF or NUL, and
    // one with a "=" is an entry: the key with its leading blanks dropped, cut to GaugeFieldLimit, its
    // trailing blanks dropped; the value cut to GaugeFieldLimit, then trimmed of blanks. At most
    // GaugeEntryLimit entries.
    [[nodiscard]] static std::vector<ParameterEntry> GaugeEntries(std::string_view bytes);

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
