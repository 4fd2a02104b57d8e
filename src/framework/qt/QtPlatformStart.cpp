#include "framework/qt/QtPlatformStart.h"

#include "framework/qt/Utf8.h"
#include "texts/Texts.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QLibraryInfo>
#include <QPluginLoader>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

namespace slabcal {
namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Joined(const std::vector<std::string>& names, std::string_view separator) {
    std::string joined;
    for (const auto& name : names)
        joined += (joined.empty() ? "" : std::string(separator)) + name;
    return joined;
}

std::string FirstLine(const QString& text) {
    return ToUtf8(text.section(QLatin1Char('\n'), 0, 0).trimmed());
}

// The frame buffer linuxfb opens: its fb= option, else /dev/fb0.
std::string FrameBufferDevice(std::string_view platform) {
    for (const auto& entry : QString::fromStdString(std::string(platform)).split(QLatin1Char(';'))) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        if (parts.front().compare(QLatin1String("linuxfb"), Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& option : parts.mid(1))
            if (option.startsWith(QLatin1String("fb=")))
                return ToUtf8(option.mid(3));
    }
    return "/dev/fb0";
}

// What the platform itself needs: a device on the board's platforms, a display server elsewhere.
std::string_view PlatformHint(const std::vector<std::string>& platforms) {
    const std::string first = platforms.empty() ? std::string() : Lower(platforms.front());
    if (first == "linuxfb")
        return texts::LinuxFbHint;
    if (first == "eglfs")
        return texts::EglFsHint;
    return texts::QtPlatformHint;
}

std::string CannotStart(const std::vector<std::string>& platforms, const std::string& reason) {
    return "cannot start the Qt platform \"" + Joined(platforms, ";") + "\": " + reason + "; " +
           std::string(PlatformHint(platforms));
}

// Qt matches platform names to the keys in a plugin's metadata, ignoring case; reading the metadata does
// not load the library.
void AddPlatformKeys(const QJsonObject& metaData, std::set<std::string>& keys) {
    if (!metaData.value(QLatin1String("IID"))
             .toString()
             .startsWith(QLatin1String("org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface")))
        return;
    const auto declared = metaData.value(QLatin1String("MetaData")).toObject().value(QLatin1String("Keys"));
    for (const auto& key : declared.toArray())
        keys.insert(Lower(ToUtf8(key.toString())));
}

// The folders QGuiApplication searches: the one given directly, then "platforms" under each library path.
std::vector<QString> PlatformPluginFolders(int argc, const char* const* argv,
                                           const EnvironmentLookup& environment) {
    QString direct;
    if (const char* value = environment("QT_QPA_PLATFORM_PLUGIN_PATH"))
        direct = QString::fromLocal8Bit(value);
    for (int i = 1; i + 1 < argc; ++i) {
        std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (arg.starts_with("--"))
            arg.remove_prefix(1);
        if (arg == "-platformpluginpath" && argv[i + 1] != nullptr)
            direct = QString::fromLocal8Bit(argv[++i]);
    }
    QStringList libraryPaths;
    if (!direct.isEmpty())
        libraryPaths << direct;
    if (const char* value = environment("QT_PLUGIN_PATH"))
        libraryPaths << QString::fromLocal8Bit(value).split(QDir::listSeparator(), Qt::SkipEmptyParts);
    libraryPaths << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    std::error_code error;
    if (const auto program = std::filesystem::read_symlink("/proc/self/exe", error); !error)
        libraryPaths << QString::fromStdString(program.parent_path().string());

    std::vector<QString> folders;
    if (!direct.isEmpty())
        folders.push_back(direct);
    for (const auto& path : libraryPaths)
        folders.push_back(path + QLatin1String("/platforms"));
    return folders;
}

// A message Qt gave while QApplication was being built, copied so that it can be passed on afterwards.
struct HeldMessage {
    QtMsgType type = QtDebugMsg;
    std::string category;
    std::string file;
    std::string function;
    int line = 0;
    QString text;
};

// What the message handler, a plain function, works with while QApplication is being built.
struct Starting {
    std::mutex mutex;
    bool active = false;
    QtMessageHandler previous = nullptr;
    std::string program;
    std::vector<std::string> platforms;
    std::string requestedPlatform;
    std::vector<HeldMessage> held;
};

Starting& StartingState() {
    static Starting state;
    return state;
}

const char* NullIfEmpty(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

// How well a message says why the platform did not start: a platform's own warning best
// ("qt.qpa.xcb: could not connect to display :97"), then the plugin loader's ("could not find the Qt
// platform plugin"), anything else not at all.
int Telling(const HeldMessage& message) {
    if (message.type != QtWarningMsg && message.type != QtCriticalMsg)
        return 0;
    const std::string_view category = message.category;
    if (category == "qt.qpa.plugin")
        return 1;
    return category.starts_with("qt.qpa.") ? 2 : 0;
}

// The held message that best says why the platform did not start, else `fallback`'s first line.
std::string BestReason(const Starting& state, const QString& fallback) {
    std::string reason = FirstLine(fallback);
    int best = 0;
    for (const auto& message : state.held) {
        if (const int telling = Telling(message); telling > best) {
            best = telling;
            reason = FirstLine(message.text);
        }
    }
    return reason;
}

void HoldBack(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    Starting& state = StartingState();
    std::unique_lock lock(state.mutex);
    if (!state.active) { // another thread, just after the construction
        const QtMessageHandler previous = state.previous;
        lock.unlock();
        if (previous != nullptr)
            previous(type, context, text);
        return;
    }
    if (type != QtFatalMsg) {
        state.held.push_back({type, context.category != nullptr ? context.category : "",
                              context.file != nullptr ? context.file : "",
                              context.function != nullptr ? context.function : "", context.line, text});
        return;
    }
    // Qt aborts once this returns. Its fatal text only says that no platform plugin could be initialised;
    // the messages held back say why.
    const std::string line =
        state.program + ": " + CannotStart(state.platforms, BestReason(state, text)) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(2);
}

} // namespace

std::optional<std::string> MissingQtPlatformPlugin(int argc, const char* const* argv,
                                                   const EnvironmentLookup& environment) {
    std::set<std::string> available;
    for (const auto& plugin : QPluginLoader::staticPlugins())
        AddPlatformKeys(plugin.metaData(), available);
    for (const auto& folder : PlatformPluginFolders(argc, argv, environment)) {
        for (const auto& entry : QDir(folder).entryInfoList(QDir::Files)) {
            if (QLibrary::isLibrary(entry.fileName()))
                AddPlatformKeys(QPluginLoader(entry.absoluteFilePath()).metaData(), available);
        }
    }
    const auto platforms = RequestedQtPlatforms(argc, argv, environment);
    for (const auto& platform : platforms) {
        if (available.contains(Lower(platform)))
            return std::nullopt;
    }
    const std::vector<std::string> names(available.begin(), available.end());
    return CannotStart(platforms, "there is no plugin for it (available: " +
                                      (names.empty() ? "none" : Joined(names, ", ")) + ")");
}

std::unique_ptr<QApplication> StartQtApplication(int& argc, char** argv, const std::string& programName) {
    Starting& state = StartingState();
    {
        std::lock_guard lock(state.mutex);
        state.program = programName;
        const EnvironmentLookup environment = [](const char* name) -> const char* {
            return std::getenv(name);
        };
        state.platforms = RequestedQtPlatforms(argc, argv, environment);
        state.requestedPlatform = RequestedQtPlatformLine(argc, argv, environment);
        state.held.clear();
        state.active = true;
        state.previous = qInstallMessageHandler(HoldBack);
    }
    auto application = std::make_unique<QApplication>(argc, argv);
    std::vector<HeldMessage> held;
    std::string noScreen;
    {
        std::lock_guard lock(state.mutex);
        // linuxfb without a usable frame buffer starts without any screen, and the first window would
        // crash: that is a platform that did not start.
        if (QGuiApplication::primaryScreen() == nullptr) {
            std::string reason = BestReason(state, FromUtf8(texts::NoScreen));
            if (PlatformHint(state.platforms) == texts::LinuxFbHint)
                reason = "frame buffer " + FrameBufferDevice(state.requestedPlatform) + ": " + reason;
            noScreen = CannotStart(state.platforms, reason);
        }
        qInstallMessageHandler(state.previous);
        state.active = false;
        held.swap(state.held);
    }
    if (!noScreen.empty()) {
        // As for a platform that did not start at all: tearing the application down would only run the
        // platform's own clean-up (which leaks its input handlers), and nothing of the program is open yet
        // that the kernel would not close.
        std::fputs((programName + ": " + noScreen + "\n").c_str(), stderr);
        std::fflush(stderr);
        std::fflush(stdout);
        std::_Exit(2);
    }
    if (state.previous != nullptr) {
        for (const auto& message : held) {
            const QMessageLogContext context(NullIfEmpty(message.file), message.line,
                                             NullIfEmpty(message.function), NullIfEmpty(message.category));
            state.previous(message.type, context, message.text);
        }
    }
    return application;
}

} // namespace slabcal
