#pragma once

#include "platform/DeviceFileSystem.h"
#include "records/CalibrationRecord.h"
#include "storage/StoreResult.h"
#include "worksheet/SaveFace.h"

#include <functional>

namespace slabcal {

// The end of every save, in the order the operator has always met it: the parameter file stored by
// `store`; a file the gauge could not read kept aside; the backup copy; "文件写入完毕"; then the record of
// the save, which `describe` fills beyond what the store itself says. A parameter file that was not stored
// is never reported as written and is not backed up; a record that cannot be stored costs the record only.
[[nodiscard]] WriteOutcome SaveAndRecord(const DeviceFileSystem& files,
                                         const std::function<StoreResult()>& store, RecordKind kind,
                                         const std::function<void(CalibrationRecord&)>& describe,
                                         SaveFace& face);

} // namespace slabcal
