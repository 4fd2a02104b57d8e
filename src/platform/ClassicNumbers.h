#pragma once

namespace slabcal {

// strtod in the C locale, whatever locale the process runs in: a GUI toolkit sets the process's locale
// from the environment, and under one with a decimal comma plain strtod would stop at the '.' of
// "4140.567". Every number the program reads from a text goes through here.
[[nodiscard]] double ClassicStrtod(const char* text, char** end = nullptr);

} // namespace slabcal
