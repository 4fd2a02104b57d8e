#pragma once

#include "acquisition/AdResult.h"

#include <cstdint>

namespace slabcal {

// The gauge's AD converter, reached through the stream driver "SPA1:". One process-wide handle: the UI
// thread opens and closes it, the sampling worker reads and switches ranges through it.

// Opens "SPA1:" and keeps the handle, also when the open fails (the handle is then invalid and every later
// operation fails). A failed open shows "打开 ADC 驱动失败!". Never called while the device is open.
bool OpenDevice();
void CloseDevice();

// Initialises the converter: up to five initialise calls, and when all five fail one sample read whose
// record is thrown away. Returns the last driver call's own result: non-zero on success, 0 on failure.
[[nodiscard]] int InitConverter();

[[nodiscard]] AdResult SelectSmallRange();
[[nodiscard]] AdResult SelectLargeRange();

// Reads `count` sample records back to back and stores their average in units of 1000 raw counts into
// *destination. On any failure *destination keeps its old value.
[[nodiscard]] AdResult ReadAverage(uint32_t* destination, int32_t count);

} // namespace slabcal
