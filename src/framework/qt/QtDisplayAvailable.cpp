#include "framework/qt/QtDisplayAvailable.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

namespace {

bool IsSet(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment(name);
    return value != nullptr && *value != '\0';
}

std::vector<std::string> SplitPlatforms(std::string_view list) {
    std::vector<std::string> names;
    while (!list.empty()) {
        auto end = list.find(';');
        std::string_view entry = list.substr(0, end);
        entry = entry.substr(0, entry.find(':'));
        if (!entry.empty())
            names.emplace_back(entry);
        if (end == std::string_view::npos)
            break;
        list.remove_prefix(end + 1);
    }
    return names;
}

} // namespace

std::string RequestedQtPlatformLine(int argc, const char* const* argv, const EnvironmentLookup& environment) {
    std::string requested;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (arg.starts_with("--"))
            arg.remove_prefix(1);
        if (arg == "-platform" && i + 1 < argc && argv[i + 1] != nullptr)
            requested = argv[++i];
    }
    if (requested.empty() && IsSet(environment, "QT_QPA_PLATFORM"))
        requested = environment("QT_QPA_PLATFORM");
    return requested;
}

std::vector<std::string> RequestedQtPlatforms(int argc, const char* const* argv,
                                              const EnvironmentLookup& environment) {
    const std::string requested = RequestedQtPlatformLine(argc, argv, environment);
    if (!requested.empty())
        return SplitPlatforms(requested);

    std::vector<std::string> platforms;
    const char* session = environment("XDG_SESSION_TYPE");
    if (session != nullptr && std::string_view(session) == "wayland")
        platforms.emplace_back("wayland");
    platforms.emplace_back("xcb");
    return platforms;
}

namespace {

bool PlatformAvailable(std::string_view name, const EnvironmentLookup& environment) {
    if (name == "xcb")
        return IsSet(environment, "DISPLAY");
    if (name.starts_with("wayland"))
        return IsSet(environment, "WAYLAND_DISPLAY");
    return true;
}

} // namespace

bool QtDisplayAvailable(int argc, const char* const* argv, const EnvironmentLookup& environment) {
    for (const auto& platform : RequestedQtPlatforms(argc, argv, environment)) {
        if (PlatformAvailable(platform, environment))
            return true;
    }
    return false;
}

} // namespace slabcal
