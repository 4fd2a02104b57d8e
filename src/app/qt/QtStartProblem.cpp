#include "app/qt/QtStartProblem.h"

#include "framework/qt/QtDisplayAvailable.h"
#include "framework/qt/QtPlatformStart.h"
#include "texts/Texts.h"

#include <cstdlib>

namespace slabcal {

std::optional<std::string> QtStartProblem(int argc, const char* const* argv) {
    const EnvironmentLookup environment = [](const char* variable) -> const char* {
        return std::getenv(variable);
    };
    if (!QtDisplayAvailable(argc, argv, environment))
        return std::string(texts::NoDisplay);
    return MissingQtPlatformPlugin(argc, argv, environment);
}

} // namespace slabcal
