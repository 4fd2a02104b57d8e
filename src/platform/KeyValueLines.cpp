#include "platform/KeyValueLines.h"

namespace slabcal {
namespace {

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string Where(std::size_t number) {
    return "line " + std::to_string(number) + ": ";
}

} // namespace

std::string KeyValueLine::NotKeyValue() const {
    return Where(number) + "expected key=value, got '" + std::string(text) + "'";
}

std::string KeyValueLine::UnknownKey() const {
    return Where(number) + "unknown key '" + std::string(key) + "'";
}

std::string KeyValueLine::BadValue() const {
    return Where(number) + "bad value '" + std::string(value) + "' for " + std::string(key);
}

bool ForEachKeyValueLine(std::string_view text, const std::function<bool(const KeyValueLine&)>& visit) {
    KeyValueLine line;
    while (!text.empty()) {
        ++line.number;
        const auto lineEnd = text.find('\n');
        line.text = Trimmed(text.substr(0, lineEnd));
        text = lineEnd == std::string_view::npos ? std::string_view{} : text.substr(lineEnd + 1);
        if (line.text.empty() || line.text.front() == '#')
            continue;
        const auto equals = line.text.find('=');
        line.hasEquals = equals != std::string_view::npos;
        line.key = line.hasEquals ? Trimmed(line.text.substr(0, equals)) : std::string_view{};
        line.value = line.hasEquals ? Trimmed(line.text.substr(equals + 1)) : std::string_view{};
        if (!visit(line))
            return false;
    }
    return true;
}

} // namespace slabcal
