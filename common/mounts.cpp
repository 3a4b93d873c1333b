#include "common/mounts.h"

#include <algorithm>
#include <set>
#include <utility>

namespace brindlecut {

namespace {

// File systems that hold no user's disk: kernel views, memory, images of
// packages, unions, and file systems reached over a network. A plain table:
// the joiner carries this code on a disk, and a set of strings built at start
// would cost it a kilobyte.
constexpr std::string_view kNotDisks[] = {
    "autofs",
    "binfmt_misc",
    "bpf",
    "cgroup",
    "cgroup2",
    "configfs",
    "debugfs",
    "devpts",
    "devtmpfs",
    "efivarfs",
    "fusectl",
    "hugetlbfs",
    "mqueue",
    "nsfs",
    "overlay",
    "proc",
    "pstore",
    "ramfs",
    "rootfs",
    "rpc_pipefs",
    "securityfs",
    "selinuxfs",
    "squashfs",
    "sysfs",
    "tmpfs",
    "tracefs",
    "nfsd",
    "fuse.portal",
    "fuse.gvfsd-fuse",
    "fuse.lxcfs",
    "nfs",
    "nfs4",
    "cifs",
    "smb3",
    "smbfs",
    "9p",
    "ceph",
    "glusterfs",
    "fuse.sshfs",
    "fuse.rclone",
    "afs",
    "virtiofs",
};

bool notADisk(std::string_view type) {
    for (std::string_view name : kNotDisks)
        if (name == type) return true;
    return false;
}

// Disk file systems whose source is not a /dev path (pools and subvolumes).
bool diskWithoutDevicePath(std::string_view type) { return type == "zfs" || type == "bcachefs"; }

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The partitions the machine starts from hold no user's files; desktops hide them too.
bool bootPartition(std::string_view path) {
    return path == "/boot" || path == "/efi" || startsWith(path, "/boot/");
}

bool isOctal(char c) { return c >= '0' && c <= '7'; }

std::vector<std::string_view> splitBlanks(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == ' ') ++at;
        if (at >= line.size()) break;
        const std::size_t end = std::min(line.find(' ', at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

bool parseNumber(std::string_view digits, unsigned& out) {
    out = 0;
    if (digits.empty()) return false;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

bool parseDevice(std::string_view text, unsigned& major, unsigned& minor) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) return false;
    return parseNumber(text.substr(0, colon), major) && parseNumber(text.substr(colon + 1), minor);
}

}  // namespace

std::string unescapeMountField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) && isOctal(text[i + 2]) &&
            isOctal(text[i + 3])) {
            out += static_cast<char>(((text[i + 1] - '0') << 6) | ((text[i + 2] - '0') << 3) |
                                     (text[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::vector<MountInfoEntry> parseMountInfo(std::string_view text) {
    std::vector<MountInfoEntry> entries;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        const auto fields = splitBlanks(line);
        if (fields.size() < 9) continue;
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") ++dash;
        if (dash + 2 >= fields.size()) continue;
        MountInfoEntry entry;
        if (!parseDevice(fields[2], entry.major, entry.minor)) continue;
        entry.root = unescapeMountField(fields[3]);
        entry.mountPoint = unescapeMountField(fields[4]);
        entry.type = unescapeMountField(fields[dash + 1]);
        entry.source = unescapeMountField(fields[dash + 2]);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<Volume> volumesOf(const std::vector<MountInfoEntry>& mounts, const MountProbe& probe) {
    // A device shown whole somewhere makes its other mounts (root other than "/")
    // bind mounts of folders already reachable.
    std::set<std::pair<unsigned, unsigned>> shownWhole;
    for (const auto& mount : mounts) {
        if (mount.root == "/") shownWhole.insert({mount.major, mount.minor});
    }

    std::vector<Volume> volumes;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        const MountInfoEntry& mount = mounts[i];
        bool hidden = false;
        for (std::size_t later = i + 1; later < mounts.size() && !hidden; ++later)
            hidden = mounts[later].mountPoint == mount.mountPoint;
        if (hidden) continue;

        const bool systemRoot = mount.mountPoint == "/";
        if (!systemRoot) {
            if (bootPartition(mount.mountPoint)) continue;
            if (notADisk(mount.type)) continue;
            if (!startsWith(mount.source, "/dev/") && !diskWithoutDevicePath(mount.type)) continue;
            if (mount.root != "/" && shownWhole.count({mount.major, mount.minor})) continue;
        }
        if (probe.isFolder && !probe.isFolder(mount.mountPoint)) continue;

        Volume volume{mount.mountPoint, false};
        volume.removable = !systemRoot && (startsWith(mount.mountPoint, "/media/") ||
                                           startsWith(mount.mountPoint, "/run/media/") ||
                                           (probe.removableDevice && probe.removableDevice(mount)));
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

}  // namespace brindlecut
