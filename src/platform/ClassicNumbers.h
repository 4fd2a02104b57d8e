#pragma once

#include <string>

namespace slabcal {

// strtod in the C locale, whatever locale the process runs in: a GUI toolkit sets the process's locale
// from the environment, and under one with a decimal comma plain strtod would stop at the '.' of
// "4140.567". Every number the program reads from a text goes through here.
[[nodiscard]] double ClassicStrtod(const char* text, char** end = nullptr);

// The shortest decimal that reads back as the same double, in the C locale ("21.5", "1e-05").
[[nodiscard]] std::string ShortestDecimal(double value);

} // namespace slabcal
