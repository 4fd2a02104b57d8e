#pragma once

#include "texts/Texts.h"

#include <cstdint>
#include <string_view>

namespace slabcal {

// How far a save has come, in its order: the parameter file, its backup copy, its record. The window's
// write command and the subcommands' saves follow it alike.
enum class SaveStep : std::uint8_t {
    Store,  // the parameter file is not stored yet
    BackUp, // it is stored; its backup copy and its record are not done
    Record, // the backup copy is done (or its failure reported); the record is not
};

// What the operator is told of a save broken off by an unexpected failure (out of memory) at `step`: the
// file's failure only while it was not stored.
[[nodiscard]] constexpr std::string_view BrokenOffSaveText(SaveStep step) {
    switch (step) {
    case SaveStep::Store:
        break;
    case SaveStep::BackUp:
        return texts::StoredBackupAndRecordMissing;
    case SaveStep::Record:
        return texts::StoredRecordMissing;
    }
    return texts::ParameterFileWriteFailed;
}

} // namespace slabcal
