#include "app/WindowPlugin.h"

#include "framework/Application.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace slabcal {
namespace {

// Where the plugin may be, relative to the program's folder (set by the build).
constexpr const char* PluginBeside = SLABCAL_WINDOW_PLUGIN_BESIDE;
constexpr const char* PluginInstalled = SLABCAL_WINDOW_PLUGIN_INSTALLED;

} // namespace

int RunWindowPlugin(int argc, char** argv, std::ostream& err) {
    const std::string intro =
        ProgramNameFromPath(argc > 0 ? argv[0] : "slabcal") + ": cannot load the window: ";
    // The program's own file, never the working folder or the library path: only its own plugin is loaded.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        err << intro << "/proc/self/exe: " << error.message() << '\n';
        return 2;
    }
    std::filesystem::path plugin = program.parent_path() / PluginBeside;
    if (!std::filesystem::exists(plugin, error))
        plugin = (program.parent_path() / PluginInstalled).lexically_normal();
    void* loaded = ::dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto* entry = loaded == nullptr
                      ? nullptr
                      : reinterpret_cast<decltype(&SlabcalWindowMain)>(::dlsym(loaded, "SlabcalWindowMain"));
    if (entry == nullptr) {
        const char* why = ::dlerror();
        err << intro << (why != nullptr ? why : plugin.string() + ": no entry SlabcalWindowMain") << '\n';
        return 2;
    }
    // Never unloaded: Qt leaves handlers that run at the process's exit.
    return entry(argc, argv);
}

} // namespace slabcal
