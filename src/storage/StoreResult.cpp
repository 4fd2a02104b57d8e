#include "storage/StoreResult.h"

#include "storage/ParameterFile.h"
#include "texts/Texts.h"

namespace slabcal {
namespace {

static_assert(GaugeEntryLimit == 49 && texts::HiddenFromGauge.find("49") != std::string_view::npos,
              "the operator's text names the gauge's limit");

std::string Joined(const std::vector<std::string>& keys) {
    std::string joined;
    for (const auto& key : keys)
        joined += (joined.empty() ? "" : ", ") + key;
    return joined;
}

} // namespace

std::string StoreResult::Describe() const {
    switch (outcome) {
    case StoreOutcome::Stored:
        return "stored";
    case StoreOutcome::Unchanged:
        return "unchanged";
    case StoreOutcome::StoredNotDurable:
        return "stored, but not known to be on the disk for good: " + file.Describe();
    case StoreOutcome::NonFiniteValue:
        return "value is not a finite number the gauge reads whole";
    case StoreOutcome::LoadFailed:
        return "cannot read the parameter file: " + file.Describe();
    case StoreOutcome::WriteFailed:
        return "cannot store the parameter file: " + file.Describe();
    case StoreOutcome::HiddenFromGauge:
        return "the gauge reads no more than its first " + std::to_string(GaugeEntryLimit) +
               " entries, and the first of each key";
    }
    return "unknown";
}

std::string StoreResult::OperatorText() const {
    switch (outcome) {
    case StoreOutcome::Stored:
    case StoreOutcome::Unchanged:
        return {};
    case StoreOutcome::StoredNotDurable:
        return std::string(texts::ParameterFileNotDurable) + file.Describe();
    case StoreOutcome::HiddenFromGauge:
        return std::string(texts::HiddenFromGauge) + Joined(hiddenKeys);
    case StoreOutcome::NonFiniteValue:
    case StoreOutcome::LoadFailed:
    case StoreOutcome::WriteFailed:
        break;
    }
    return std::string(texts::ParameterFileWriteFailed);
}

std::string StoreResult::KeptAsideText() const {
    if (keptAside.empty())
        return {};
    return std::string(texts::UnrecognisedFileKept) + keptAside.substr(keptAside.find_last_of("\\/") + 1);
}

} // namespace slabcal
