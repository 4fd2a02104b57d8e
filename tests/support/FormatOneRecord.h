#pragma once

#include <string>

namespace slabcal::test {

// A record's JSON as a program of record format 1 wrote it: the format version 1, no settings, conditions
// or assessment, no spread on any point.
inline std::string FormatOneRecord(std::string json) {
    if (const auto settings = json.find(",\n  \"settings\""); settings != std::string::npos)
        json = json.substr(0, settings) + "\n}\n";
    if (const auto version = json.find("\"formatVersion\": 2"); version != std::string::npos)
        json.replace(version, 18, "\"formatVersion\": 1");
    for (auto spread = json.find(",\n      \"spread\""); spread != std::string::npos;
         spread = json.find(",\n      \"spread\""))
        json.erase(spread, json.find('}', spread) + 1 - spread);
    return json;
}

} // namespace slabcal::test
