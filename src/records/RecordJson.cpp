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

// A number or null.
std::optional<double> OptionalNumber(const ParsedJson& object, const char* name) {
    if (Field(object, name).is_null())
        return std::nullopt;
    return Number(object, name);
}

Json OptionalJson(const std::optional<double>& value) {
    return value ? Json(*value) : Json(nullptr);
}

// A whole number from `low` to `high`.
std::int32_t Whole(const ParsedJson& object, const char* name, long long low, long long high) {
    const ParsedJson& value = Field(object, name);
    if (!value.is_number_integer() || value.get<long long>() < low || value.get<long long>() > high)
        throw Invalid(std::string("\"") + name + "\" is not a whole number from " + std::to_string(low) +
                      " to " + std::to_string(high));
    return static_cast<std::int32_t>(value.get<long long>());
}

Json SettingsJson(const CalibrationSettings& settings) {
    Json problems = Json::array();
    for (const auto& problem : settings.problems)
        problems.push_back(problem);
    const auto& error = settings.permissibleError;
    return {
        {"serial", settings.serialNumber},
        {"reference", settings.referenceSet},
        {"referenceCertificate", settings.referenceCertificate},
        {"toleranceSmallMm", OptionalJson(settings.toleranceSmall)},
        {"toleranceLargeMm", OptionalJson(settings.toleranceLarge)},
        {"permissibleError", error ? Json{{"mm", error->mm}, {"percent", error->percent}} : Json(nullptr)},
        {"intervalDays", settings.intervalDays ? Json(*settings.intervalDays) : Json(nullptr)},
        {"problems", std::move(problems)}};
}

CalibrationSettings SettingsFromJson(const ParsedJson& json) {
    CalibrationSettings settings;
    settings.serialNumber = Text(json, "serial");
    settings.referenceSet = Text(json, "reference");
    settings.referenceCertificate = Text(json, "referenceCertificate");
    settings.toleranceSmall = OptionalNumber(json, "toleranceSmallMm");
    settings.toleranceLarge = OptionalNumber(json, "toleranceLargeMm");
    if (const ParsedJson& error = Field(json, "permissibleError"); !error.is_null())
        settings.permissibleError = PermissibleError{Number(error, "mm"), Number(error, "percent")};
    if (!Field(json, "intervalDays").is_null())
        settings.intervalDays = Whole(json, "intervalDays", 1, 3660);
    const ParsedJson& problems = Field(json, "problems");
    if (!problems.is_array())
        throw Invalid("\"problems\" is not a list");
    for (const ParsedJson& problem : problems) {
        if (!problem.is_string())
            throw Invalid("a settings problem is not a text");
        settings.problems.push_back(problem.get<std::string>());
    }
    return settings;
}

Json AssessmentJson(const PointAssessment& point) {
    return {{"row", point.row + 1},
            {"referenceHeight", point.referenceHeight},
            {"signal", point.signal},
            {"asFound", OptionalJson(point.asFound)},
            {"asLeft", point.asLeft},
            {"segment", point.segment + 1},
            {"sensitivity", point.sensitivity},
            {"uReference", OptionalJson(point.uReference)},
            {"uRepeatability", OptionalJson(point.uRepeatability)},
            {"uResolution", point.uResolution},
            {"uFit", point.uFit},
            {"expanded", point.expanded},
            {"decision", std::string(DecisionName(point.decision))}};
}

PointAssessment AssessmentFromJson(const ParsedJson& json) {
    PointAssessment point;
    point.row = Whole(json, "row", 1, CalibrationRowCount) - 1;
    point.referenceHeight = Number(json, "referenceHeight");
    point.signal = Number(json, "signal");
    point.asFound = OptionalNumber(json, "asFound");
    point.asLeft = Number(json, "asLeft");
    point.segment = Whole(json, "segment", 1, segments::Count) - 1;
    point.sensitivity = Number(json, "sensitivity");
    point.uReference = OptionalNumber(json, "uReference");
    point.uRepeatability = OptionalNumber(json, "uRepeatability");
    point.uResolution = Number(json, "uResolution");
    point.uFit = Number(json, "uFit");
    point.expanded = Number(json, "expanded");
    const auto decision = DecisionFromName(Text(json, "decision"));
    if (!decision)
        throw Invalid("unknown \"decision\"");
    point.decision = *decision;
    return point;
}

ConverterRange RangeFromName(const std::string& name) {
    if (name != "small" && name != "large")
        throw Invalid("a point's \"range\" is neither \"small\" nor \"large\"");
    return name == "small" ? ConverterRange::Small : ConverterRange::Large;
}

CalibrationRecord FromJson(const ParsedJson& json, int formatVersion) {
    CalibrationRecord record;
    record.formatVersion = formatVersion;
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
        if (points[row].contains("spread")) {
            const ParsedJson& spread = Field(points[row], "spread");
            record.spreads[row] =
                SignalSpread{Whole(spread, "samples", 2, 1000000), Number(spread, "standardDeviation")};
        }
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
    if (formatVersion < 2)
        return record;
    record.settings = SettingsFromJson(Field(json, "settings"));
    const ParsedJson& conditions = Field(json, "conditions");
    record.conditions = {Text(conditions, "operator"), OptionalNumber(conditions, "temperatureC"),
                         OptionalNumber(conditions, "humidityPercent")};
    const ParsedJson& assessment = Field(json, "assessment");
    if (!assessment.is_array() || assessment.size() > CalibrationRowCount)
        throw Invalid("\"assessment\" is not a list of at most 15");
    for (const ParsedJson& point : assessment)
        record.assessment.push_back(AssessmentFromJson(point));
    return record;
}

} // namespace

std::string RecordToJson(const CalibrationRecord& record) {
    Json points = Json::array();
    for (std::size_t row = 0; row < record.points.size(); ++row) {
        Json point{{"height", record.points[row].height}, {"signal", record.points[row].signal}};
        if (const auto& range = record.measuredOn[row])
            point["range"] = RangeName(*range);
        if (const auto& spread = record.spreads[row])
            point["spread"] = {{"samples", spread->samples},
                               {"standardDeviation", spread->standardDeviation}};
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
    if (record.formatVersion >= 2) {
        json["settings"] = SettingsJson(record.settings);
        json["conditions"] = {{"operator", record.conditions.operatorName},
                              {"temperatureC", OptionalJson(record.conditions.temperature)},
                              {"humidityPercent", OptionalJson(record.conditions.humidity)}};
        Json assessment = Json::array();
        for (const PointAssessment& point : record.assessment)
            assessment.push_back(AssessmentJson(point));
        json["assessment"] = std::move(assessment);
    }
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
        return FromJson(json, static_cast<int>(version.get<long long>()));
    } catch (const std::exception& error) {
        return RecordError{RecordProblem::Damaged, error.what()};
    }
}

} // namespace slabcal
