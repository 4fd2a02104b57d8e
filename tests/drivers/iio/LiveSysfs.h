#pragma once

#define FUSE_USE_VERSION 31
#include <fuse3/fuse.h>

#include <sys/mount.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace slabcal::test {

// A sysfs look-alike served live through FUSE: <mount>/iio:device0 named "live-adc", whose in_voltage0_raw
// is made by `raw()` at each open and read from that open's own copy, as sysfs does. Mount() needs
// /dev/fuse and the right to mount; it says why when it cannot.
class LiveSysfs final {
public:
    explicit LiveSysfs(std::function<std::int64_t()> makeRaw) : raw(std::move(makeRaw)) {}
    LiveSysfs(const LiveSysfs&) = delete;
    LiveSysfs& operator=(const LiveSysfs&) = delete;
    ~LiveSysfs() {
        Unblock(); // the loop must be free to see the end
        if (loop.joinable()) {
            // Detaching the mount ends the connection, and with it the loop's wait for a request.
            fuse_exit(filesystem);
            ::umount2(mountPoint.c_str(), MNT_DETACH);
            loop.join();
            fuse_unmount(filesystem);
        }
        if (filesystem != nullptr)
            fuse_destroy(filesystem);
    }

    // Mounts on the empty folder `where` and serves from a thread of its own; "" or why it could not.
    [[nodiscard]] std::string Mount(const std::string& where) {
        if (const int probe = ::open("/dev/fuse", O_RDWR | O_CLOEXEC); probe < 0)
            return std::string("/dev/fuse: ") + std::strerror(errno);
        else
            ::close(probe);
        static const fuse_operations operations = Operations();
        char name[] = "slabcal-live-sysfs";
        char* argv[] = {name, nullptr};
        fuse_args args = FUSE_ARGS_INIT(1, argv);
        filesystem = fuse_new(&args, &operations, sizeof operations, this);
        fuse_opt_free_args(&args); // fuse_new may have copied them
        if (filesystem == nullptr || fuse_mount(filesystem, where.c_str()) != 0)
            return "cannot mount FUSE on " + where;
        mountPoint = where;
        loop = std::thread([this] { fuse_loop(filesystem); });
        return {};
    }

    // From the `count`-th read of in_voltage0_raw on (1 the first), a read never returns until Unblock, as
    // on a bus driver that hangs. The loop serves one request at a time, so everything else waits too.
    void BlockRawReadsFrom(int count) {
        const std::lock_guard guard(gateLock);
        blockFrom = count;
    }
    void Unblock() {
        const std::lock_guard guard(gateLock);
        blockFrom = 0;
        gateChanged.notify_all();
    }
    // True once a read is held, false if none is within `patience`.
    [[nodiscard]] bool WaitUntilBlocked(std::chrono::milliseconds patience) {
        std::unique_lock guard(gateLock);
        return gateChanged.wait_for(guard, patience, [&] { return held; });
    }

private:
    // Called by the loop for each read of the raw attribute's start.
    void PassGate() {
        std::unique_lock guard(gateLock);
        ++rawReads;
        if (blockFrom <= 0 || rawReads < blockFrom)
            return;
        held = true;
        gateChanged.notify_all();
        gateChanged.wait(guard, [&] { return blockFrom <= 0; });
        held = false;
    }

    static constexpr std::string_view Folder = "/iio:device0", Name = "/iio:device0/name",
                                      Raw = "/iio:device0/in_voltage0_raw";

    static fuse_operations Operations() {
        fuse_operations o{};
        o.getattr = [](const char* path, struct stat* status, fuse_file_info*) {
            *status = {};
            const std::string_view p = path;
            if (p == "/" || p == Folder) {
                status->st_mode = S_IFDIR | 0755;
            } else if (p == Name || p == Raw) {
                status->st_mode = S_IFREG | 0644;
                status->st_size = 4096; // as sysfs: a page, whatever the text
            } else {
                return -ENOENT;
            }
            return 0;
        };
        o.readdir = [](const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
                       fuse_readdir_flags) {
            const auto add = [&](const char* entry) {
                fill(buffer, entry, nullptr, 0, fuse_fill_dir_flags{});
            };
            add(".");
            add("..");
            if (std::string_view(path) == "/") {
                add("iio:device0");
            } else {
                add("name");
                add("in_voltage0_raw");
            }
            return 0;
        };
        o.open = [](const char* path, fuse_file_info* file) {
            const std::string_view p = path;
            if (p != Name && p != Raw)
                return -ENOENT;
            // Kept until the end: the kernel's last release may still be on its way when the mount goes.
            auto& self = *static_cast<LiveSysfs*>(fuse_get_context()->private_data);
            self.texts.push_back(p == Raw ? std::to_string(self.raw()) + "\n" : "live-adc\n");
            file->fh = reinterpret_cast<std::uint64_t>(&self.texts.back());
            file->direct_io = 1; // no page cache: every open comes here
            return 0;
        };
        o.read = [](const char* path, char* buffer, std::size_t size, off_t offset, fuse_file_info* file) {
            if (path == Raw && offset == 0)
                static_cast<LiveSysfs*>(fuse_get_context()->private_data)->PassGate();
            const auto& text = *reinterpret_cast<const std::string*>(file->fh);
            const std::size_t from = std::min(static_cast<std::size_t>(offset), text.size());
            const std::size_t count = std::min(size, text.size() - from);
            std::memcpy(buffer, text.data() + from, count);
            return static_cast<int>(count);
        };
        return o;
    }

    std::mutex gateLock;
    std::condition_variable gateChanged;
    int blockFrom = 0; // 0: no read is held
    int rawReads = 0;
    bool held = false;

    std::function<std::int64_t()> raw;
    std::deque<std::string> texts; // one per open; only the loop's thread touches it while mounted
    fuse* filesystem = nullptr;
    std::string mountPoint;
    std::thread loop;
};

} // namespace slabcal::test
