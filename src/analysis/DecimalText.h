#pragma once

#include <string>

namespace slabcal::analysis {

// The value with `decimals` digits after a decimal point, whatever the process's locale ("6.2", never
// "6,2"); "-" for a value that is not finite.
[[nodiscard]] std::string FixedText(double value, int decimals);

} // namespace slabcal::analysis
