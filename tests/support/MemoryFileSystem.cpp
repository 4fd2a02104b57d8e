#include "support/MemoryFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace slabcal {
namespace {

constexpr unsigned PermissionBits = 07777;
constexpr unsigned PutFolderPermissions = 0755;

// "" for a path without "/": such a path has no folder here, and calls on it fail with ENOENT.
std::string ParentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string ChildPrefix(const std::string& folder) {
    return folder == "/" ? folder : folder + "/";
}

} // namespace

MemoryFileSystem::MemoryFileSystem() {
    nodes["/"] = std::make_shared<Node>(Node{true, PutFolderPermissions, {}});
}

void MemoryFileSystem::Put(const std::string& path, std::string_view bytes, unsigned permissions) {
    std::lock_guard guard(lock);
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        nodes.try_emplace(path.substr(0, slash),
                          std::make_shared<Node>(Node{true, PutFolderPermissions, {}}));
    nodes[path] = std::make_shared<Node>(Node{false, permissions & PermissionBits, std::string(bytes)});
}

std::optional<std::string> MemoryFileSystem::Bytes(const std::string& path) const {
    std::lock_guard guard(lock);
    const auto found = nodes.find(path);
    if (found == nodes.end() || found->second->folder)
        return std::nullopt;
    return found->second->bytes;
}

std::size_t MemoryFileSystem::ChangeCount() const {
    std::lock_guard guard(lock);
    return changes;
}

std::size_t MemoryFileSystem::OpenDescriptors() const {
    std::lock_guard guard(lock);
    return descriptors.size();
}

int MemoryFileSystem::CheckParent(const std::string& path) const {
    const auto parent = nodes.find(ParentOf(path));
    if (parent == nodes.end())
        return -ENOENT;
    return parent->second->folder ? 0 : -ENOTDIR;
}

bool MemoryFileSystem::HasChildren(const std::string& path) const {
    const std::string prefix = ChildPrefix(path);
    const auto next = nodes.upper_bound(prefix);
    return next != nodes.end() && next->first.compare(0, prefix.size(), prefix) == 0;
}

MemoryFileSystem::Descriptor* MemoryFileSystem::Find(int file) {
    const auto found = descriptors.find(file);
    return found == descriptors.end() ? nullptr : &found->second;
}

int MemoryFileSystem::OpenForReading(const std::string& path) {
    std::lock_guard guard(lock);
    if (const int parent = CheckParent(path); parent < 0)
        return parent;
    const auto found = nodes.find(path);
    if (found == nodes.end())
        return -ENOENT;
    if (found->second->folder)
        return -EISDIR;
    descriptors[nextDescriptor] = Descriptor{found->second, 0, false};
    return nextDescriptor++;
}

int MemoryFileSystem::CreateNew(const std::string& path, unsigned permissions) {
    std::lock_guard guard(lock);
    if (const int parent = CheckParent(path); parent < 0)
        return parent;
    if (nodes.count(path) != 0)
        return -EEXIST;
    auto node = std::make_shared<Node>(Node{false, permissions & PermissionBits, {}});
    nodes[path] = node;
    ++changes;
    descriptors[nextDescriptor] = Descriptor{std::move(node), 0, true};
    return nextDescriptor++;
}

ssize_t MemoryFileSystem::Read(int file, void* buffer, std::size_t size) {
    std::lock_guard guard(lock);
    Descriptor* descriptor = Find(file);
    if (descriptor == nullptr || descriptor->writable)
        return -EBADF;
    if (descriptor->node->folder)
        return -EISDIR;
    const std::string& bytes = descriptor->node->bytes;
    const std::size_t count =
        descriptor->position >= bytes.size() ? 0 : std::min(size, bytes.size() - descriptor->position);
    if (count > 0)
        std::memcpy(buffer, bytes.data() + descriptor->position, count);
    descriptor->position += count;
    return static_cast<ssize_t>(count);
}

ssize_t MemoryFileSystem::Write(int file, const void* data, std::size_t size) {
    std::lock_guard guard(lock);
    Descriptor* descriptor = Find(file);
    if (descriptor == nullptr || !descriptor->writable)
        return -EBADF;
    std::string& bytes = descriptor->node->bytes;
    if (bytes.size() < descriptor->position)
        bytes.resize(descriptor->position, '\0');
    bytes.replace(descriptor->position, std::min(size, bytes.size() - descriptor->position),
                  static_cast<const char*>(data), size);
    descriptor->position += size;
    if (size > 0)
        ++changes;
    return static_cast<ssize_t>(size);
}

int MemoryFileSystem::SyncFile(int file) {
    std::lock_guard guard(lock);
    return Find(file) == nullptr ? -EBADF : 0;
}

int MemoryFileSystem::Close(int file) {
    std::lock_guard guard(lock);
    return descriptors.erase(file) == 0 ? -EBADF : 0;
}

int MemoryFileSystem::Rename(const std::string& from, const std::string& to) {
    std::lock_guard guard(lock);
    const auto source = nodes.find(from);
    if (source == nodes.end())
        return -ENOENT;
    if (const int parent = CheckParent(to); parent < 0)
        return parent;
    if (from == to)
        return 0;
    const bool folder = source->second->folder;
    if (folder && to.compare(0, ChildPrefix(from).size(), ChildPrefix(from)) == 0)
        return -EINVAL;
    if (const auto target = nodes.find(to); target != nodes.end()) {
        if (!folder && target->second->folder)
            return -EISDIR;
        if (folder && !target->second->folder)
            return -ENOTDIR;
        if (folder && HasChildren(to))
            return -ENOTEMPTY;
    }
    // A folder takes everything below it along.
    std::vector<std::pair<std::string, std::shared_ptr<Node>>> moved{{to, source->second}};
    if (folder) {
        const std::string prefix = ChildPrefix(from);
        auto below = nodes.upper_bound(prefix);
        while (below != nodes.end() && below->first.compare(0, prefix.size(), prefix) == 0) {
            moved.emplace_back(ChildPrefix(to) + below->first.substr(prefix.size()), below->second);
            below = nodes.erase(below);
        }
    }
    nodes.erase(from);
    for (auto& [path, node] : moved)
        nodes[path] = std::move(node);
    ++changes;
    return 0;
}

int MemoryFileSystem::Remove(const std::string& path) {
    std::lock_guard guard(lock);
    const auto found = nodes.find(path);
    if (found == nodes.end())
        return -ENOENT;
    if (found->second->folder)
        return -EISDIR;
    nodes.erase(found);
    ++changes;
    return 0;
}

int MemoryFileSystem::MakeFolder(const std::string& path, unsigned permissions) {
    std::lock_guard guard(lock);
    if (nodes.count(path) != 0)
        return -EEXIST;
    if (const int parent = CheckParent(path); parent < 0)
        return parent;
    nodes[path] = std::make_shared<Node>(Node{true, permissions & PermissionBits, {}});
    ++changes;
    return 0;
}

int MemoryFileSystem::Status(const std::string& path, FileStatus& status) {
    std::lock_guard guard(lock);
    const auto found = nodes.find(path);
    if (found == nodes.end())
        return -ENOENT;
    status.type = found->second->folder ? FileType::Directory : FileType::Regular;
    status.permissions = found->second->permissions;
    status.size = found->second->bytes.size();
    return 0;
}

int MemoryFileSystem::ChangePermissions(const std::string& path, unsigned permissions) {
    std::lock_guard guard(lock);
    const auto found = nodes.find(path);
    if (found == nodes.end())
        return -ENOENT;
    found->second->permissions = permissions & PermissionBits;
    ++changes;
    return 0;
}

int MemoryFileSystem::ChangeOwner(const std::string& path, std::uint32_t, std::uint32_t) {
    std::lock_guard guard(lock);
    return nodes.count(path) != 0 ? 0 : -ENOENT;
}

int MemoryFileSystem::SyncFolder(const std::string& path) {
    std::lock_guard guard(lock);
    const auto found = nodes.find(path);
    if (found == nodes.end())
        return -ENOENT;
    return found->second->folder ? 0 : -ENOTDIR;
}

int MemoryFileSystem::ListFolder(const std::string& path, std::vector<std::string>& names) {
    std::lock_guard guard(lock);
    const auto found = nodes.find(path);
    if (found == nodes.end())
        return -ENOENT;
    if (!found->second->folder)
        return -ENOTDIR;
    names.clear();
    const std::string prefix = ChildPrefix(path);
    for (auto below = nodes.upper_bound(prefix);
         below != nodes.end() && below->first.compare(0, prefix.size(), prefix) == 0; ++below)
        if (below->first.find('/', prefix.size()) == std::string::npos)
            names.push_back(below->first.substr(prefix.size()));
    return 0;
}

} // namespace slabcal
