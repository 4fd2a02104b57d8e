#include "drivers/simulated/SimControlFile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace slabcal {
namespace {

// Closes the descriptor on every way out of a look.
class Descriptor final {
public:
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int Get() const { return fd; }

private:
    int fd;
};

} // namespace

SimControlFile::SimControlFile(std::filesystem::path path, std::chrono::milliseconds interval,
                               std::ostream& problemStream)
    : file(std::move(path)), minimumInterval(interval), problems(problemStream) {}

std::optional<SimControl> SimControlFile::Poll() {
    const auto now = std::chrono::steady_clock::now();
    if (lastLook && now - *lastLook < minimumInterval)
        return std::nullopt;
    lastLook = now;
    return Look();
}

void SimControlFile::Report(const std::string& problem) {
    if (problem == lastReported)
        return;
    lastReported = problem;
    problems << "sim-control " << file.string() << ": " << problem << std::endl;
}

std::optional<SimControl> SimControlFile::Look() {
    // Non-blocking, so a FIFO put in the file's place cannot hang the driver call; the type is checked on
    // the open descriptor, so the file cannot be swapped between the check and the read.
    const Descriptor descriptor(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (descriptor.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            lastReported.clear();
        else
            Report(std::string("cannot be opened: ") + std::strerror(errno));
        lastStamp = {};
        lastText.clear();
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(descriptor.Get(), &info) != 0) {
        Report(std::string("cannot be examined: ") + std::strerror(errno));
        return std::nullopt;
    }
    const Stamp stamp{true,
                      static_cast<unsigned long long>(info.st_dev),
                      static_cast<unsigned long long>(info.st_ino),
                      static_cast<long long>(info.st_size),
                      static_cast<long long>(info.st_mtim.tv_sec),
                      static_cast<long long>(info.st_mtim.tv_nsec)};
    if (!S_ISREG(info.st_mode)) {
        Report("not a regular file, ignored");
        return std::nullopt;
    }

    std::string text;
    std::array<char, 4096> chunk{};
    for (;;) {
        const ssize_t got = ::read(descriptor.Get(), chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            Report(std::string("cannot be read: ") + std::strerror(errno));
            return std::nullopt;
        }
        if (got == 0)
            break;
        text.append(chunk.data(), static_cast<std::size_t>(got));
        if (text.size() > MaxFileSize) {
            Report("larger than " + std::to_string(MaxFileSize) + " bytes, ignored");
            return std::nullopt;
        }
    }
    lastReported.clear();

    if (stamp == lastStamp && text == lastText)
        return std::nullopt;
    lastStamp = stamp;
    lastText = std::move(text);

    std::vector<std::string> lineProblems;
    SimControl control = ParseSimControl(lastText, lineProblems);
    for (const auto& problem : lineProblems)
        problems << "sim-control " << file.string() << ": " << problem << " (ignored)" << std::endl;
    return control;
}

} // namespace slabcal
