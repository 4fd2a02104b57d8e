#pragma once

#include "platform/FileSystem.h"
#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace slabcal {

enum class FileCall : std::uint8_t {
    OpenForReading,
    CreateNew,
    Read,
    Write,
    SyncFile,
    Close,
    Rename,
    Remove,
    MakeFolder,
    Status,
    ChangePermissions,
    ChangeOwner,
    SyncFolder,
    ListFolder,
};

[[nodiscard]] std::string_view FileCallName(FileCall call);

enum class FaultKind : std::uint8_t {
    Error,      // the call does nothing and returns -error (Close still releases the descriptor)
    ShortWrite, // a Write stores and reports only the first half of its bytes, at least one: slow, not full
    ZeroWrite,  // a Write stores nothing and returns 0
    Throw,      // the call does nothing and throws std::bad_alloc: memory running out during that step
};

enum class Repeat : std::uint8_t { Once, FromThenOn };

// Which call to spoil: the call-th (from 1) of the counted calls, counting every call or only those of one
// kind. Write faults meet only Write calls; a non-Write call in their place goes through unharmed.
// Built in one expression: FaultPlan::Failing(ENOSPC).AtCall(3).OnlyCalls(FileCall::Write).FromThenOn().
struct FaultPlan {
    std::size_t call = 1;
    Repeat repeat = Repeat::Once;
    std::optional<FileCall> only;
    FaultKind kind = FaultKind::Error;
    int error = EIO;

    [[nodiscard]] static FaultPlan Failing(int errorNumber);
    [[nodiscard]] static FaultPlan ShortWrites();
    [[nodiscard]] static FaultPlan ZeroWrites();
    [[nodiscard]] static FaultPlan Throwing();
    [[nodiscard]] FaultPlan AtCall(std::size_t callNumber) const;
    [[nodiscard]] FaultPlan OnlyCalls(FileCall counted) const;
    [[nodiscard]] FaultPlan FromThenOn() const;
};

struct RecordedCall {
    FileCall call;
    std::string path;   // empty for calls on a descriptor
    std::string target; // where a Rename goes
    bool faulted = false;
};

// A FileSystem that passes every call to another one (the host's by default), records it, and spoils the
// calls a FaultPlan names. Sweeps run a save once clean to learn its number of calls, then once per call.
class FaultyFileSystem final : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& innerFiles = HostFileSystem());

    void Inject(const FaultPlan& plan);
    // No more faults; the record and the counts stay.
    void Heal();
    // Forgets the record and the counts, and the fault with them.
    void Reset();

    [[nodiscard]] std::size_t CallCount() const;
    [[nodiscard]] std::size_t CallCount(FileCall call) const;
    [[nodiscard]] std::size_t FaultCount() const;
    [[nodiscard]] std::vector<RecordedCall> Calls() const;

    [[nodiscard]] int OpenForReading(const std::string& path) override;
    [[nodiscard]] int CreateNew(const std::string& path, unsigned permissions) override;
    [[nodiscard]] ssize_t Read(int file, void* buffer, std::size_t size) override;
    [[nodiscard]] ssize_t Write(int file, const void* data, std::size_t size) override;
    [[nodiscard]] int SyncFile(int file) override;
    int Close(int file) override;
    [[nodiscard]] int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;
    [[nodiscard]] int MakeFolder(const std::string& path, unsigned permissions) override;
    [[nodiscard]] int Status(const std::string& path, FileStatus& status) override;
    [[nodiscard]] int ChangePermissions(const std::string& path, unsigned permissions) override;
    [[nodiscard]] int ChangeOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) override;
    [[nodiscard]] int SyncFolder(const std::string& path) override;
    [[nodiscard]] int ListFolder(const std::string& path, std::vector<std::string>& names) override;

private:
    struct Spoil {
        FaultKind kind;
        int error;
    };
    // Records the call and tells whether the plan spoils it, and how.
    [[nodiscard]] std::optional<Spoil> Enter(FileCall call, std::string path, std::string target = {});

    FileSystem& inner;
    mutable std::mutex lock;
    std::optional<FaultPlan> plan;
    std::size_t counted = 0;
    std::size_t faults = 0;
    std::vector<RecordedCall> record;
};

} // namespace slabcal
