#pragma once

#include <optional>
#include <string>

namespace slabcal {

// Why Qt cannot start with these arguments and this environment, decided before any Qt object exists (Qt
// would abort): no display, or no plugin for the platform asked for. Nothing when it can start.
[[nodiscard]] std::optional<std::string> QtStartProblem(int argc, const char* const* argv);

} // namespace slabcal
