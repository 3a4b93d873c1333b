// How the mounted file systems of a Linux machine become the program's drives.
// The parsing and the choice of what counts as a drive are kept free of I/O so
// that they can be checked on sample mountinfo text; the questions that need the
// machine (is this block device removable, is this path a folder) come in as a
// probe.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlecut {

// One line of /proc/self/mountinfo, with the octal escapes (\040 for a blank)
// undone in the paths.
struct MountInfoEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;        // folder of the file system that appears at mountPoint ("/" unless bound)
    std::string mountPoint;  // where it appears
    std::string type;        // file system type, such as "ext4" or "fuse.sshfs"
    std::string source;      // such as "/dev/sdb1"
};

// Undoes the kernel's \ooo escapes; a backslash not followed by three octal digits stays.
std::string unescapeMountField(std::string_view text);

// The lines of mountinfo text in their order; lines that do not have the
// fields of a mount are left out.
std::vector<MountInfoEntry> parseMountInfo(std::string_view text);

// What the classification needs to ask the machine.
struct MountProbe {
    // Whether the block device behind the mount is flagged removable.
    std::function<bool(const MountInfoEntry&)> removableDevice;
    // Whether the mount point is a folder (files can be bind-mounted too).
    std::function<bool(const std::string&)> isFolder;
};

struct Volume {
    std::string path;  // mount point
    bool removable = false;
};

// The mounts that are drives, in mount order: local disk file systems only (no
// pseudo, memory or network file systems, no boot partitions; the root "/" is
// always kept), no
// mount hidden under a later mount on the same path, and no bind mount of a
// file system that is already shown whole elsewhere. A volume is removable when
// its device says so or when it is mounted under /media or /run/media, where
// desktops mount USB disks whatever their flag.
std::vector<Volume> volumesOf(const std::vector<MountInfoEntry>& mounts, const MountProbe& probe);

}  // namespace brindlecut
