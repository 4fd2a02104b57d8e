#include "support/FaultyFileSystem.h"

#include <algorithm>
#include <new>

namespace slabcal {

std::string_view FileCallName(FileCall call) {
    switch (call) {
    case FileCall::OpenForReading:
        return "OpenForReading";
    case FileCall::CreateNew:
        return "CreateNew";
    case FileCall::Read:
        return "Read";
    case FileCall::Write:
        return "Write";
    case FileCall::SyncFile:
        return "SyncFile";
    case FileCall::Close:
        return "Close";
    case FileCall::Rename:
        return "Rename";
    case FileCall::Remove:
        return "Remove";
    case FileCall::MakeFolder:
        return "MakeFolder";
    case FileCall::Status:
        return "Status";
    case FileCall::ChangePermissions:
        return "ChangePermissions";
    case FileCall::ChangeOwner:
        return "ChangeOwner";
    case FileCall::SyncFolder:
        return "SyncFolder";
    case FileCall::ListFolder:
        return "ListFolder";
    }
    return "?";
}

FaultPlan FaultPlan::Failing(int errorNumber) {
    FaultPlan plan;
    plan.error = errorNumber;
    return plan;
}

FaultPlan FaultPlan::ShortWrites() {
    FaultPlan plan;
    plan.kind = FaultKind::ShortWrite;
    return plan;
}

FaultPlan FaultPlan::ZeroWrites() {
    FaultPlan plan;
    plan.kind = FaultKind::ZeroWrite;
    return plan;
}

FaultPlan FaultPlan::Throwing() {
    FaultPlan plan;
    plan.kind = FaultKind::Throw;
    return plan;
}

FaultPlan FaultPlan::AtCall(std::size_t callNumber) const {
    FaultPlan plan = *this;
    plan.call = callNumber;
    return plan;
}

FaultPlan FaultPlan::OnlyCalls(FileCall counted) const {
    FaultPlan plan = *this;
    plan.only = counted;
    return plan;
}

FaultPlan FaultPlan::FromThenOn() const {
    FaultPlan plan = *this;
    plan.repeat = Repeat::FromThenOn;
    return plan;
}

FaultyFileSystem::FaultyFileSystem(FileSystem& innerFiles) : inner(innerFiles) {}

void FaultyFileSystem::Inject(const FaultPlan& newPlan) {
    std::lock_guard guard(lock);
    plan = newPlan;
    counted = 0;
}

void FaultyFileSystem::Heal() {
    std::lock_guard guard(lock);
    plan.reset();
}

void FaultyFileSystem::Reset() {
    std::lock_guard guard(lock);
    plan.reset();
    counted = 0;
    faults = 0;
    record.clear();
}

std::size_t FaultyFileSystem::CallCount() const {
    std::lock_guard guard(lock);
    return record.size();
}

std::size_t FaultyFileSystem::CallCount(FileCall call) const {
    std::lock_guard guard(lock);
    return static_cast<std::size_t>(std::count_if(
        record.begin(), record.end(), [call](const RecordedCall& made) { return made.call == call; }));
}

std::size_t FaultyFileSystem::FaultCount() const {
    std::lock_guard guard(lock);
    return faults;
}

std::vector<RecordedCall> FaultyFileSystem::Calls() const {
    std::lock_guard guard(lock);
    return record;
}

std::optional<FaultyFileSystem::Spoil> FaultyFileSystem::Enter(FileCall call, std::string path,
                                                               std::string target) {
    std::lock_guard guard(lock);
    record.push_back({call, std::move(path), std::move(target), false});
    if (!plan || (plan->only && *plan->only != call))
        return std::nullopt;
    ++counted;
    const bool due = plan->repeat == Repeat::Once ? counted == plan->call : counted >= plan->call;
    const bool writeFault = plan->kind == FaultKind::ShortWrite || plan->kind == FaultKind::ZeroWrite;
    if (!due || (writeFault && call != FileCall::Write))
        return std::nullopt;
    record.back().faulted = true;
    ++faults;
    if (plan->kind == FaultKind::Throw)
        throw std::bad_alloc();
    return Spoil{plan->kind, plan->error};
}

int FaultyFileSystem::OpenForReading(const std::string& path) {
    if (const auto fault = Enter(FileCall::OpenForReading, path))
        return -fault->error;
    return inner.OpenForReading(path);
}

int FaultyFileSystem::CreateNew(const std::string& path, unsigned permissions) {
    if (const auto fault = Enter(FileCall::CreateNew, path))
        return -fault->error;
    return inner.CreateNew(path, permissions);
}

ssize_t FaultyFileSystem::Read(int file, void* buffer, std::size_t size) {
    if (const auto fault = Enter(FileCall::Read, {}))
        return -fault->error;
    return inner.Read(file, buffer, size);
}

ssize_t FaultyFileSystem::Write(int file, const void* data, std::size_t size) {
    const auto fault = Enter(FileCall::Write, {});
    if (!fault)
        return inner.Write(file, data, size);
    switch (fault->kind) {
    case FaultKind::Error:
        return -fault->error;
    case FaultKind::ShortWrite:
        return inner.Write(file, data, size < 2 ? size : size / 2);
    case FaultKind::ZeroWrite:
        return 0;
    case FaultKind::Throw: // thrown by Enter
        break;
    }
    return -EIO;
}

int FaultyFileSystem::SyncFile(int file) {
    if (const auto fault = Enter(FileCall::SyncFile, {}))
        return -fault->error;
    return inner.SyncFile(file);
}

int FaultyFileSystem::Close(int file) {
    const auto fault = Enter(FileCall::Close, {});
    const int closed = inner.Close(file);
    return fault ? -fault->error : closed;
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
    if (const auto fault = Enter(FileCall::Rename, from, to))
        return -fault->error;
    return inner.Rename(from, to);
}

int FaultyFileSystem::Remove(const std::string& path) {
    if (const auto fault = Enter(FileCall::Remove, path))
        return -fault->error;
    return inner.Remove(path);
}

int FaultyFileSystem::MakeFolder(const std::string& path, unsigned permissions) {
    if (const auto fault = Enter(FileCall::MakeFolder, path))
        return -fault->error;
    return inner.MakeFolder(path, permissions);
}

int FaultyFileSystem::Status(const std::string& path, FileStatus& status) {
    if (const auto fault = Enter(FileCall::Status, path))
        return -fault->error;
    return inner.Status(path, status);
}

int FaultyFileSystem::ChangePermissions(const std::string& path, unsigned permissions) {
    if (const auto fault = Enter(FileCall::ChangePermissions, path))
        return -fault->error;
    return inner.ChangePermissions(path, permissions);
}

int FaultyFileSystem::ChangeOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) {
    if (const auto fault = Enter(FileCall::ChangeOwner, path))
        return -fault->error;
    return inner.ChangeOwner(path, owner, group);
}

int FaultyFileSystem::SyncFolder(const std::string& path) {
    if (const auto fault = Enter(FileCall::SyncFolder, path))
        return -fault->error;
    return inner.SyncFolder(path);
}

int FaultyFileSystem::ListFolder(const std::string& path, std::vector<std::string>& names) {
    if (const auto fault = Enter(FileCall::ListFolder, path))
        return -fault->error;
    return inner.ListFolder(path, names);
}

} // namespace slabcal
