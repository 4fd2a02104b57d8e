#include "storage/StoreResult.h"

namespace slabcal {

std::string StoreResult::Describe() const {
    switch (outcome) {
    case StoreOutcome::Stored:
        return "stored";
    case StoreOutcome::Unchanged:
        return "unchanged";
    case StoreOutcome::NonFiniteValue:
        return "value is not a finite number";
    case StoreOutcome::LoadFailed:
        return "cannot read the parameter file: " + file.Describe();
    case StoreOutcome::WriteFailed:
        return "cannot store the parameter file: " + file.Describe();
    }
    return "unknown";
}

} // namespace slabcal
