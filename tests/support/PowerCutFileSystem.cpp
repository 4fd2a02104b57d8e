#include "support/PowerCutFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace slabcal {
namespace {

constexpr unsigned FolderPermissions = 0755;
constexpr unsigned FilePermissions = 0644;
// 2^16 images per cut is far more than a save ever leaves pending; more means a test went wrong.
constexpr std::size_t MaxPendingChanges = 16;

std::vector<std::string> Elements(const std::string& path) {
    std::vector<std::string> elements;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find('/', start), path.size());
        if (end > start)
            elements.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return elements;
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

} // namespace

std::optional<std::string> DiskImage::File(const std::string& path) const {
    const auto found = files.find(path);
    if (found == files.end())
        return std::nullopt;
    return found->second;
}

PowerCutFileSystem::PowerCutFileSystem() {
    Start({});
}

void PowerCutFileSystem::Start(const DiskImage& disk) {
    nodes.assign(1, Node{true, FolderPermissions, {}, {}, {}});
    changes.clear();
    descriptors.clear();
    calls = 0;
    cutAt.reset();

    // Folders first, parents before children (the set is sorted), then the files, with any folder they need.
    auto folderOf = [this](const std::vector<std::string>& elements, std::size_t count) {
        NodeId folder = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto found = nodes[folder].names.find(elements[i]);
            if (found != nodes[folder].names.end()) {
                folder = found->second;
                continue;
            }
            const NodeId made = NewNode(true, FolderPermissions);
            nodes[folder].names[elements[i]] = made;
            folder = made;
        }
        return folder;
    };
    for (const auto& path : disk.folders) {
        const auto elements = Elements(path);
        (void)folderOf(elements, elements.size());
    }
    for (const auto& [path, bytes] : disk.files) {
        const auto elements = Elements(path);
        if (elements.empty())
            throw std::invalid_argument("a file needs a name: " + path);
        const NodeId folder = folderOf(elements, elements.size() - 1);
        const NodeId file = NewNode(false, FilePermissions);
        nodes[file].bytes = bytes;
        nodes[file].synced = bytes;
        nodes[folder].names[elements.back()] = file;
    }
    diskNames.clear();
    for (NodeId id = 0; id < nodes.size(); ++id)
        if (nodes[id].folder)
            diskNames[id] = nodes[id].names;
}

void PowerCutFileSystem::CutAfter(std::size_t more) {
    cutAt = calls + more;
}

bool PowerCutFileSystem::PowerIsOff() const {
    return cutAt && calls >= *cutAt;
}

bool PowerCutFileSystem::Powered() {
    if (PowerIsOff())
        return false;
    ++calls;
    return true;
}

PowerCutFileSystem::NodeId PowerCutFileSystem::NewNode(bool folder, unsigned permissions) {
    nodes.push_back(Node{folder, permissions, {}, {}, {}});
    return nodes.size() - 1;
}

std::optional<PowerCutFileSystem::NodeId> PowerCutFileSystem::Find(const std::string& path) const {
    NodeId at = 0;
    for (const auto& element : Elements(path)) {
        if (!nodes[at].folder)
            return std::nullopt;
        const auto found = nodes[at].names.find(element);
        if (found == nodes[at].names.end())
            return std::nullopt;
        at = found->second;
    }
    return at;
}

int PowerCutFileSystem::PlaceOf(const std::string& path, Place& place) const {
    auto elements = Elements(path);
    if (elements.empty())
        return -EBUSY; // the root itself
    place.name = elements.back();
    elements.pop_back();
    std::string parent;
    for (const auto& element : elements)
        parent += "/" + element;
    const auto folder = Find(parent.empty() ? "/" : parent);
    if (!folder)
        return -ENOENT;
    if (!nodes[*folder].folder)
        return -ENOTDIR;
    place.folder = *folder;
    return 0;
}

int PowerCutFileSystem::EnterPath(const std::string& path, NodeId& node, Kind kind) {
    if (!Powered())
        return -EIO;
    const auto found = Find(path);
    if (!found)
        return -ENOENT;
    if (kind == Kind::Folder && !nodes[*found].folder)
        return -ENOTDIR;
    if (kind == Kind::File && nodes[*found].folder)
        return -EISDIR;
    node = *found;
    return 0;
}

int PowerCutFileSystem::EnterDescriptor(int file, OpenFile*& open) {
    if (!Powered())
        return -EIO;
    const auto found = descriptors.find(file);
    if (found == descriptors.end())
        return -EBADF;
    open = &found->second;
    return 0;
}

int PowerCutFileSystem::EnterNewName(const std::string& path, Place& place) {
    if (!Powered())
        return -EIO;
    if (const int placed = PlaceOf(path, place); placed < 0)
        return placed == -EBUSY ? -EEXIST : placed;
    return nodes[place.folder].names.contains(place.name) ? -EEXIST : 0;
}

void PowerCutFileSystem::Link(const Place& place, NodeId node) {
    nodes[place.folder].names[place.name] = node;
    changes.push_back({std::nullopt, std::pair{place.folder, place.name}, node});
}

int PowerCutFileSystem::OpenForReading(const std::string& path) {
    NodeId node = 0;
    if (const int entered = EnterPath(path, node, Kind::File); entered < 0)
        return entered;
    descriptors[nextDescriptor] = OpenFile{node, false, 0};
    return nextDescriptor++;
}

int PowerCutFileSystem::CreateNew(const std::string& path, unsigned permissions) {
    Place place;
    if (const int entered = EnterNewName(path, place); entered < 0)
        return entered;
    const NodeId file = NewNode(false, permissions);
    Link(place, file);
    descriptors[nextDescriptor] = OpenFile{file, true, 0};
    return nextDescriptor++;
}

ssize_t PowerCutFileSystem::Read(int file, void* buffer, std::size_t size) {
    OpenFile* open = nullptr;
    if (const int entered = EnterDescriptor(file, open); entered < 0)
        return entered;
    const std::string& bytes = nodes[open->node].bytes;
    const std::size_t count =
        open->position >= bytes.size() ? 0 : std::min(size, bytes.size() - open->position);
    if (count > 0)
        std::memcpy(buffer, bytes.data() + open->position, count);
    open->position += count;
    return static_cast<ssize_t>(count);
}

ssize_t PowerCutFileSystem::Write(int file, const void* data, std::size_t size) {
    OpenFile* open = nullptr;
    if (const int entered = EnterDescriptor(file, open); entered < 0)
        return entered;
    if (!open->writable)
        return -EBADF;
    std::string& bytes = nodes[open->node].bytes;
    if (bytes.size() < open->position + size)
        bytes.resize(open->position + size);
    bytes.replace(open->position, size, static_cast<const char*>(data), size);
    open->position += size;
    return static_cast<ssize_t>(size);
}

int PowerCutFileSystem::SyncFile(int file) {
    OpenFile* open = nullptr;
    if (const int entered = EnterDescriptor(file, open); entered < 0)
        return entered;
    nodes[open->node].synced = nodes[open->node].bytes;
    return 0;
}

int PowerCutFileSystem::Close(int file) {
    // A descriptor is released even when the call fails, the power cut included.
    const bool known = descriptors.erase(file) > 0;
    if (!Powered())
        return -EIO;
    return known ? 0 : -EBADF;
}

int PowerCutFileSystem::Rename(const std::string& from, const std::string& to) {
    if (!Powered())
        return -EIO;
    Place source;
    Place target;
    if (const int placed = PlaceOf(from, source); placed < 0)
        return placed;
    if (const int placed = PlaceOf(to, target); placed < 0)
        return placed;
    const auto moving = nodes[source.folder].names.find(source.name);
    if (moving == nodes[source.folder].names.end())
        return -ENOENT;
    const NodeId node = moving->second;
    if (const auto replaced = nodes[target.folder].names.find(target.name);
        replaced != nodes[target.folder].names.end() && nodes[replaced->second].folder != nodes[node].folder)
        return nodes[replaced->second].folder ? -EISDIR : -ENOTDIR;
    nodes[source.folder].names.erase(source.name);
    nodes[target.folder].names[target.name] = node;
    changes.push_back({std::pair{source.folder, source.name}, std::pair{target.folder, target.name}, node});
    return 0;
}

int PowerCutFileSystem::Remove(const std::string& path) {
    NodeId node = 0;
    if (const int entered = EnterPath(path, node, Kind::File); entered < 0)
        return entered;
    Place place;
    (void)PlaceOf(path, place);
    changes.push_back({std::pair{place.folder, place.name}, std::nullopt, node});
    nodes[place.folder].names.erase(place.name);
    return 0;
}

int PowerCutFileSystem::MakeFolder(const std::string& path, unsigned permissions) {
    Place place;
    if (const int entered = EnterNewName(path, place); entered < 0)
        return entered;
    Link(place, NewNode(true, permissions));
    return 0;
}

int PowerCutFileSystem::Status(const std::string& path, FileStatus& status) {
    NodeId node = 0;
    if (const int entered = EnterPath(path, node, Kind::Any); entered < 0)
        return entered;
    status.type = nodes[node].folder ? FileType::Directory : FileType::Regular;
    status.permissions = nodes[node].permissions;
    status.size = nodes[node].bytes.size();
    return 0;
}

int PowerCutFileSystem::ChangePermissions(const std::string& path, unsigned permissions) {
    NodeId node = 0;
    if (const int entered = EnterPath(path, node, Kind::Any); entered < 0)
        return entered;
    nodes[node].permissions = permissions & 07777U;
    return 0;
}

int PowerCutFileSystem::ChangeOwner(const std::string& path, std::uint32_t, std::uint32_t) {
    NodeId node = 0;
    return EnterPath(path, node, Kind::Any);
}

int PowerCutFileSystem::SyncFolder(const std::string& path) {
    NodeId folder = 0;
    if (const int entered = EnterPath(path, folder, Kind::Folder); entered < 0)
        return entered;
    for (auto& change : changes) {
        if (change.from && change.from->first == folder)
            change.fromFlushed = true;
        if (change.to && change.to->first == folder)
            change.toFlushed = true;
    }
    return 0;
}

int PowerCutFileSystem::ListFolder(const std::string& path, std::vector<std::string>& names) {
    NodeId folder = 0;
    if (const int entered = EnterPath(path, folder, Kind::Folder); entered < 0)
        return entered;
    names.clear();
    for (const auto& entry : nodes[folder].names)
        names.push_back(entry.first);
    return 0;
}

void PowerCutFileSystem::Collect(const std::map<NodeId, Names>& disk, NodeId folder, const std::string& path,
                                 DiskImage& image) const {
    const auto names = disk.find(folder);
    if (names == disk.end())
        return;
    for (const auto& [name, node] : names->second) {
        const std::string child = Join(path, name);
        if (nodes[node].folder) {
            // A folder cannot stand inside itself; a broken model must not loop for ever.
            if (!image.folders.insert(child).second || child.size() > 4096)
                throw std::logic_error("folder cycle at " + child);
            Collect(disk, node, child, image);
        } else {
            image.files[child] = nodes[node].synced;
        }
    }
}

DiskImage PowerCutFileSystem::Visible() const {
    // The bytes as written, not as flushed.
    DiskImage image;
    std::vector<std::pair<std::string, NodeId>> pending{{"/", 0}};
    while (!pending.empty()) {
        const auto [path, folder] = pending.back();
        pending.pop_back();
        for (const auto& [name, node] : nodes[folder].names) {
            const std::string child = Join(path, name);
            if (nodes[node].folder) {
                image.folders.insert(child);
                pending.emplace_back(child, node);
            } else {
                image.files[child] = nodes[node].bytes;
            }
        }
    }
    return image;
}

std::vector<DiskImage> PowerCutFileSystem::PossibleDisks() const {
    std::vector<std::size_t> uncertain;
    for (std::size_t i = 0; i < changes.size(); ++i)
        if (!changes[i].Certain())
            uncertain.push_back(i);
    if (uncertain.size() > MaxPendingChanges)
        throw std::length_error("too many changes pending to list every disk");

    std::vector<DiskImage> images;
    for (std::size_t subset = 0; subset < (std::size_t{1} << uncertain.size()); ++subset) {
        std::map<NodeId, Names> disk = diskNames;
        std::size_t next = 0;
        for (std::size_t i = 0; i < changes.size(); ++i) {
            const NameChange& change = changes[i];
            bool reached = change.Certain();
            if (!reached) {
                reached = (subset >> next & 1U) != 0;
                ++next;
            }
            if (!reached)
                continue;
            if (change.from)
                disk[change.from->first].erase(change.from->second);
            if (change.to)
                disk[change.to->first][change.to->second] = change.node;
        }
        DiskImage image;
        Collect(disk, 0, "/", image);
        if (std::find(images.begin(), images.end(), image) == images.end())
            images.push_back(std::move(image));
    }
    return images;
}

} // namespace slabcal
