#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace slabcal {

// One line of a settings file: `key=value`, blanks (space, tab, CR) around key and value allowed.
struct KeyValueLine {
    std::size_t number = 0;
    std::string_view text;  // the line, trimmed
    bool hasEquals = false; // false: not key=value at all
    std::string_view key;   // trimmed, before the first '='
    std::string_view value; // trimmed, after it

    // The settings files' messages about this line, each starting "line N: ".
    [[nodiscard]] std::string NotKeyValue() const;
    [[nodiscard]] std::string UnknownKey() const;
    [[nodiscard]] std::string BadValue() const;
};

// Calls `visit` for every line of `text` that is neither blank nor a comment ('#' first), in order, until it
// returns false; returns whether every call returned true.
bool ForEachKeyValueLine(std::string_view text, const std::function<bool(const KeyValueLine&)>& visit);

} // namespace slabcal
