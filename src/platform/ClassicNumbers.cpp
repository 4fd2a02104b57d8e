#include "platform/ClassicNumbers.h"

#include <cstdlib>
#include <locale.h>

namespace slabcal {

double ClassicStrtod(const char* text, char** end) {
    static const locale_t classic = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return ::strtod_l(text, end, classic);
}

} // namespace slabcal
