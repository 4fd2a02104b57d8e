#include "framework/qt/QtDisplayAvailable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace slabcal {
namespace {

struct Case {
    std::vector<const char*> args;
    std::map<std::string, std::string> environment;
};

bool Available(const Case& shown) {
    std::vector<const char*> argv{"slabcal"};
    argv.insert(argv.end(), shown.args.begin(), shown.args.end());
    return QtDisplayAvailable(static_cast<int>(argv.size()), argv.data(),
                              [&](const char* name) -> const char* {
                                  auto found = shown.environment.find(name);
                                  return found == shown.environment.end() ? nullptr : found->second.c_str();
                              });
}

TEST(QtDisplayAvailable, DefaultPlatformNeedsAnXDisplay) {
    EXPECT_FALSE(Available({}));
    EXPECT_FALSE(Available({{}, {{"DISPLAY", ""}}}));
    EXPECT_TRUE(Available({{}, {{"DISPLAY", ":99"}}}));
    // A Wayland session tries Wayland first and X after it.
    EXPECT_TRUE(Available({{}, {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}}}));
    EXPECT_TRUE(Available({{}, {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}}));
    EXPECT_FALSE(Available({{}, {{"XDG_SESSION_TYPE", "wayland"}}}));
}

TEST(QtDisplayAvailable, PlatformsWithoutADisplayServerAreAlwaysAvailable) {
    for (const char* platform :
         {"offscreen", "vnc", "minimal", "linuxfb", "eglfs", "offscreen:size=800x600"}) {
        EXPECT_TRUE(Available({{"-platform", platform}, {}})) << platform;
        EXPECT_TRUE(Available({{}, {{"QT_QPA_PLATFORM", platform}}})) << platform;
    }
    EXPECT_TRUE(Available({{"--platform", "offscreen"}, {}}));
}

TEST(QtDisplayAvailable, CommandLineWinsOverTheEnvironment) {
    EXPECT_FALSE(Available({{"-platform", "xcb"}, {{"QT_QPA_PLATFORM", "offscreen"}}}));
    EXPECT_TRUE(Available({{"-platform", "offscreen"}, {{"QT_QPA_PLATFORM", "xcb"}}}));
    EXPECT_FALSE(Available({{}, {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "w"}}}));
    EXPECT_TRUE(Available({{}, {{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "w"}}}));
    EXPECT_FALSE(Available({{}, {{"QT_QPA_PLATFORM", "wayland-egl"}, {"DISPLAY", ":0"}}}));
    // "-platform" as the last argument names nothing; the environment decides.
    EXPECT_TRUE(Available({{"-platform"}, {{"QT_QPA_PLATFORM", "offscreen"}}}));
}

TEST(QtDisplayAvailable, AListIsAvailableWhenAnyEntryIs) {
    EXPECT_TRUE(Available({{}, {{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", ":0"}}}));
    EXPECT_FALSE(Available({{}, {{"QT_QPA_PLATFORM", "wayland;xcb"}}}));
    EXPECT_TRUE(Available({{"-platform", "xcb;offscreen"}, {}}));
}

} // namespace
} // namespace slabcal
