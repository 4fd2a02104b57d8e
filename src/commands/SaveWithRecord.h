#pragma once

#include "platform/DeviceFileSystem.h"
#include "records/CalibrationRecord.h"
#include "storage/StoreResult.h"

#include <functional>
#include <ostream>

namespace slabcal {

// The save every writing subcommand makes, in the write command's order: under the root's lock, the
// parameter file stored by `store`, the backup copy, then a record of `kind` that `describe` completes
// with the points and segments behind the values. Returns the exit status (see Commands.h).
[[nodiscard]] int SaveWithRecord(const DeviceFileSystem& files, const std::function<StoreResult()>& store,
                                 RecordKind kind, const std::function<void(CalibrationRecord&)>& describe,
                                 std::ostream& out, std::ostream& err);

} // namespace slabcal
