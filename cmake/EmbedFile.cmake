# Turns a binary file into a C++ source defining `std::span<const uint8_t> slabcal::<SYMBOL>()`.
# Run as: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "#include <cstdint>\n#include <span>\nnamespace slabcal {\nstd::span<const uint8_t> ${SYMBOL}();\nnamespace { const uint8_t data[] = {${bytes}}; }\nstd::span<const uint8_t> ${SYMBOL}() { return data; }\n}\n")
