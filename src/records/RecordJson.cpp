#include "records/RecordJson.h"

#include "storage/WriteSegmentModel.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <stdexcept>

namespace slabcal {
namespace {

// Fields keep the order they are written in, so a record reads top to bottom.
using Json = nlohmann::ordered_json;
// Read back with objects that find a field in logarithmic time: ordered_json looks fields up one by one,
// which made a damaged record of many fields cost seconds.
using ParsedJson = nlohmann::json;

// A record nests three levels deep (the record, its lists, their entries); the bound leaves a later format
// room to nest deeper and still be reported by its version, and stops a file of brackets at once.
constexpr int MaxNesting = 64;

// A field that is missing, of the wrong type or out of range.
struct Invalid : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const ParsedJson& Field(const ParsedJson& object, const char* name) {
    const auto found = object.find(name); // end() for anything but an object
    if (found == object.end())
        throw Invalid(std::string("no \"") + name + "\"");
    return *found;
}

double Number(const ParsedJson& object, const char* name) {
    const ParsedJson& value = Field(object, name);
    if (!value.is_number() || !std::isfinite(value.get<double>()))
        throw Invalid(std::string("\"") + name + "\" is not a finite number");
    return value.get<double>();
}

std::string Text(const ParsedJson& object, const char* name) {
    const ParsedJson& value = Field(object, name);
    if (!value.is_string())
        throw Invalid(std::string("\"") + name + "\" is not a text");
    return value.get<std::string>();
}

bool Flag(const ParsedJson& object, const char* name) {
    const ParsedJson& value = Field(object, name);
    if (!value.is_boolean())
        throw Invalid(std::string("\"") + name + "\" is not true or false");
    return value.get<bool>();
}

const ParsedJson& List(const ParsedJson& object, const char* name, std::size_t size) {
    const ParsedJson& value = Field(object, name);
    if (!value.is_array() || value.size() != size)
        throw Invalid(std::string("\"") + name + "\" is not a list of " + std::to_string(size));
    return value;
}

bool IsHexDigest(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::string_view RangeName(ConverterRange range) {
    return range == ConverterRange::Small ? "small" : "large";
}

ConverterRange RangeFromName(const std::string& name) {
    if (name != "small" && name != "large")
        throw Invalid("a point's \"range\" is neither \"small\" nor \"large\"");
    return name == "small" ? ConverterRange::Small : ConverterRange::Large;
}

CalibrationRecord FromJson(const ParsedJson& json) {
    CalibrationRecord record;
    record.programVersion = Text(json, "programVersion");
    record.time = Text(json, "time");
    const auto kind = RecordKindFromName(Text(json, "kind"));
    if (!kind)
        throw Invalid("unknown \"kind\"");
    record.kind = *kind;
    const ParsedJson& points = List(json, "points", record.points.size());
    for (std::size_t row = 0; row < record.points.size(); ++row) {
        record.points[row] = {Text(points[row], "height"), Text(points[row], "signal")};
        if (points[row].contains("range"))
            record.measuredOn[row] = RangeFromName(Text(points[row], "range"));
    }
    const ParsedJson& boundaries = List(json, "boundarySignals", record.boundarySignals.size());
    for (std::size_t index = 0; index < record.boundarySignals.size(); ++index) {
        if (!boundaries[index].is_number() || !std::isfinite(boundaries[index].get<double>()))
            throw Invalid("a boundary signal is not a finite number");
        record.boundarySignals[index] = boundaries[index].get<double>();
    }
    if (!RecordsASave(record.kind)) {
        const ParsedJson& row = Field(json, "currentRow");
        if (!row.is_number_integer() || row.get<long long>() < -1 ||
            row.get<long long>() > CalibrationRowCount)
            throw Invalid("\"currentRow\" is not a row from -1 to 15");
        record.currentRow = static_cast<std::int32_t>(row.get<long long>());
        return record;
    }
    const ParsedJson& segments = List(json, "segments", record.segments.size());
    for (std::size_t index = 0; index < record.segments.size(); ++index) {
        const ParsedJson& segment = segments[index];
        record.segments[index] = {{Number(segment, "slope"), Number(segment, "intercept"),
                                   Number(segment, "sumSquares"), Number(segment, "sumAbs"),
                                   Number(segment, "maxAbs")},
                                  Flag(segment, "forced")};
    }
    const ParsedJson& values = List(json, "values", SegmentModelKeys.size());
    for (std::size_t index = 0; index < SegmentModelKeys.size(); ++index) {
        StoredValue value{Text(values[index], "key"), std::nullopt, Text(values[index], "new")};
        if (value.key != SegmentModelKeys[index])
            throw Invalid("value " + std::to_string(index + 1) + " is not " +
                          std::string(SegmentModelKeys[index]));
        if (!Field(values[index], "old").is_null())
            value.before = Text(values[index], "old");
        record.values.push_back(std::move(value));
    }
    record.parameterFileSha256 = Text(json, "parameterFileSha256");
    if (!IsHexDigest(record.parameterFileSha256))
        throw Invalid("\"parameterFileSha256\" is not 64 hexadecimal digits");
    const std::string backup = Text(json, "backup");
    if (backup != "copied" && backup != "failed")
        throw Invalid("\"backup\" is neither \"copied\" nor \"failed\"");
    record.backedUp = backup == "copied";
    if (record.kind == RecordKind::Restore)
        record.restoredFrom = Text(json, "restoredFrom");
    return record;
}

} // namespace

std::string RecordToJson(const CalibrationRecord& record) {
    Json points = Json::array();
    for (std::size_t row = 0; row < record.points.size(); ++row) {
        Json point{{"height", record.points[row].height}, {"signal", record.points[row].signal}};
        if (const auto& range = record.measuredOn[row])
            point["range"] = RangeName(*range);
        points.push_back(std::move(point));
    }
    Json segments = Json::array();
    for (const auto& segment : record.segments)
        segments.push_back({{"slope", segment.fit.slope},
                            {"intercept", segment.fit.intercept},
                            {"sumSquares", segment.fit.sumSquares},
                            {"sumAbs", segment.fit.sumAbs},
                            {"maxAbs", segment.fit.maxAbs},
                            {"forced", segment.forced}});
    Json values = Json::array();
    for (const auto& value : record.values)
        values.push_back({{"key", value.key},
                          {"old", value.before ? Json(*value.before) : Json(nullptr)},
                          {"new", value.after}});
    Json json = Json::object();
    json["formatVersion"] = record.formatVersion;
    json["programVersion"] = record.programVersion;
    json["time"] = record.time;
    json["kind"] = std::string(RecordKindName(record.kind));
    if (record.kind == RecordKind::Restore)
        json["restoredFrom"] = record.restoredFrom;
    json["points"] = std::move(points);
    if (!RecordsASave(record.kind)) {
        json["currentRow"] = record.currentRow.value_or(0);
        json["boundarySignals"] = record.boundarySignals;
        return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    }
    json["segments"] = std::move(segments);
    json["boundarySignals"] = record.boundarySignals;
    json["values"] = std::move(values);
    json["parameterFileSha256"] = record.parameterFileSha256;
    json["backup"] = record.backedUp ? "copied" : "failed";
    return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

RecordError OversizedRecord() {
    return {RecordProblem::Damaged, "larger than " + std::to_string(MaxRecordBytes) + " bytes"};
}

RecordOrError ParseRecord(std::string_view text) {
    if (text.size() > MaxRecordBytes)
        return OversizedRecord();
    struct TooDeep {};
    const auto bounded = [](int depth, ParsedJson::parse_event_t event, ParsedJson&) {
        if ((event == ParsedJson::parse_event_t::object_start ||
             event == ParsedJson::parse_event_t::array_start) &&
            depth >= MaxNesting)
            throw TooDeep{};
        return true;
    };
    ParsedJson json;
    try {
        json = ParsedJson::parse(text, bounded, false);
    } catch (const TooDeep&) {
        return RecordError{RecordProblem::Damaged, "nested deeper than " + std::to_string(MaxNesting)};
    }
    if (json.is_discarded())
        return RecordError{RecordProblem::Damaged, "not JSON"};
    try {
        const ParsedJson& version = Field(json, "formatVersion");
        if (!version.is_number_integer() || version.get<long long>() < 1)
            throw Invalid("\"formatVersion\" is not a positive whole number");
        if (version.get<long long>() > RecordFormatVersion)
            return RecordError{RecordProblem::NewerVersion,
                               "format version " + std::to_string(version.get<long long>()) +
                                   ", newer than this program's " + std::to_string(RecordFormatVersion)};
        return FromJson(json);
    } catch (const std::exception& error) {
        return RecordError{RecordProblem::Damaged, error.what()};
    }
}

} // namespace slabcal
