#pragma once

#include "acquisition/AdResult.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace slabcal {

// The gauge's AD converter, reached through the stream driver "SPA1:". One process-wide handle: the UI
// thread opens and closes it, the sampling worker reads and switches ranges through it.

// How long the UI thread waits for the driver to open or initialise the converter. A working converter
// answers within milliseconds; one that has not answered by then is stuck in its driver (a hung bus), and
// the program goes on without it rather than hang before its window is shown.
inline constexpr std::chrono::milliseconds ConverterAnswerDeadline{3000};

// Opens "SPA1:" and keeps the handle, also when the open fails (the handle is then invalid and every later
// operation fails). A failed open, or one that has not returned within `deadline`, shows "打开 ADC
// 驱动失败!"; an open returning later is closed again at once. Never called while the device is open.
//
// For the engineer, standard error gets one line beside the operator's texts whenever the driver says
// why a call failed (StreamDriver::LastProblem): a refused open, an initialisation that failed, a read that
// ended sampling, a range that failed (once while its cause stays the same).
bool OpenDevice(std::chrono::milliseconds deadline = ConverterAnswerDeadline);
// Never waits for a driver call under way: the drivers close once it has returned.
void CloseDevice();

// Initialises the converter: up to five initialise calls, and when all five fail one sample read whose
// record is thrown away. Returns the last driver call's own result: non-zero on success, 0 on failure,
// also when the driver has not answered within `deadline`.
[[nodiscard]] int InitConverter(std::chrono::milliseconds deadline = ConverterAnswerDeadline);

[[nodiscard]] AdResult SelectSmallRange();
[[nodiscard]] AdResult SelectLargeRange();

// Why the converter's last call failed, in its driver's words; empty when it did not or the driver cannot
// say.
[[nodiscard]] std::string ConverterProblem();

// Reads `count` sample records back to back and stores their average in units of 1000 raw counts into
// *destination. On any failure *destination keeps its old value.
[[nodiscard]] AdResult ReadAverage(uint32_t* destination, int32_t count);

} // namespace slabcal
