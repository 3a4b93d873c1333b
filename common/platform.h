// The thin platform layer over files, folders and drives. Engines reach the
// machine only through FileSystem, so tests can hand them a temporary folder as
// drive A:, pull the disk out, or make any single operation fail with a chosen
// error. Every operation returns 0 on success or an errno value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brindlecut {

using Errno = int;

// The system's reason for an errno value, as strerror gives it.
std::string reasonText(Errno error);

// Whether only the file being written can have caused `error` (a full disk or
// quota, a file too large, a read-only or write-protected destination), so
// that a failed copy need not be blamed on the file being read.
bool isWriteSideError(Errno error);

enum class DriveKind { Fixed, Removable };

struct Drive {
    std::string root;  // mount path, such as "/" or "/media/usb"
    DriveKind kind = DriveKind::Fixed;
    std::int64_t available = 0;  // bytes available to the user
};

struct FileInfo {
    bool isDir = false;
    bool isRegular = false;
    bool isLink = false;     // a symbolic link (only linkInfo() reports one)
    bool writable = true;    // some write bit is set in the mode
    std::uint32_t mode = 0;  // permission bits (07777)
    std::int64_t size = 0;
    std::int64_t modified = 0;  // last write, seconds since the epoch
    // Last write and last change of the file's status, in nanoseconds since
    // the epoch: a file rewritten in place within one second still shows.
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    // Which file this is: two paths with the same pair name the same file.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

// Whether a file looked at twice is the same file with the same content as far
// as its status tells: same file, same size, not written to nor changed since.
inline bool unchangedSince(const FileInfo& before, const FileInfo& now) {
    return before.size == now.size && before.modifiedNs == now.modifiedNs &&
           before.changedNs == now.changedNs && before.device == now.device && before.inode == now.inode;
}

struct DirEntry {
    std::string name;
    bool isDir = false;   // a folder, or a link to one
    bool isLink = false;  // a symbolic link, whatever it points to
};

// An open file. Positions are 0-based byte offsets.
class File {
public:
    virtual ~File() = default;
    // Reads up to `length` bytes; `got` is less than `length` only at the end of the file.
    virtual Errno readAt(std::int64_t offset, void* buffer, std::size_t length, std::size_t& got) = 0;
    // Writes all `length` bytes or fails.
    virtual Errno writeAt(std::int64_t offset, const void* buffer, std::size_t length) = 0;
    virtual Errno size(std::int64_t& out) = 0;
    // Puts the file's data and status on stable storage (fsync); errors of
    // delayed writes show here at the latest.
    virtual Errno sync() = 0;
    // Asks the device to start writing bytes just written, without waiting
    // for it. Only a hint: an error of that write shows in sync().
    virtual void startWriting(std::int64_t offset, std::int64_t length) = 0;
    // Closing reports errors of delayed writes; a file is closed once.
    virtual Errno close() = 0;
    // The descriptor behind the file, or -1; lets copyRange use in-kernel copies.
    virtual int descriptor() const = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // ENOENT when nothing is there; follows symbolic links.
    virtual Errno info(const std::string& path, FileInfo& out) = 0;
    // The entry itself at `path`: a symbolic link is reported as one (isLink),
    // never followed.
    virtual Errno linkInfo(const std::string& path, FileInfo& out) = 0;
    // Names of the files and folders in `folder` ("." and ".." left out), sorted by name.
    virtual Errno list(const std::string& folder, std::vector<DirEntry>& out) = 0;
    virtual Errno openRead(const std::string& path, std::unique_ptr<File>& out) = 0;
    // The three ways of opening for writing never follow a symbolic link at
    // `path` (ELOOP): a link bearing the name of a file the programs write
    // must not send the bytes to its target. Whoever may replace such an
    // entry removes the entry itself first.
    //
    // Creates the file for writing, emptying an existing one.
    virtual Errno create(const std::string& path, std::unique_ptr<File>& out) = 0;
    // Creates a new file for writing; EEXIST if something is there already.
    virtual Errno createNew(const std::string& path, std::unique_ptr<File>& out) = 0;
    // Opens an existing file for writing without emptying it; ENOENT when it is
    // not there. Emptying an existing file is not free: on ext4 it makes the
    // file's close start writing its data back at once. A file system that
    // cannot open without emptying may create() instead, as the default does.
    virtual Errno openWrite(const std::string& path, std::unique_ptr<File>& out) { return create(path, out); }
    // Reserves room for the first `length` bytes of an open file before they
    // are copied in, so that the copy writes into blocks already allocated and
    // a full disk shows up at once. The file's size is not changed: a file cut
    // off before it was filled must not look complete. A file system that
    // cannot reserve counts as done: the copy then allocates as it goes.
    virtual Errno reserve(File& file, std::int64_t length) {
        (void)file;
        (void)length;
        return 0;
    }
    // Deletes a file. Without `force` a read-only file (no write bit in its
    // mode) is left in place and EACCES is returned.
    virtual Errno removeFile(const std::string& path, bool force) = 0;
    // Deletes a folder with everything in it; without `force` it stops with
    // EACCES at the first read-only file.
    virtual Errno removeFolder(const std::string& path, bool force) = 0;
    // Renames a file, replacing a file of the new name.
    virtual Errno rename(const std::string& from, const std::string& to) = 0;
    // Copies a file's bytes to `to`, replacing a file of that name, and puts
    // the copy on stable storage before it reports success.
    virtual Errno copyFile(const std::string& from, const std::string& to) = 0;
    // Gives `to` the permission bits of the file at `from`, and its owner and
    // group where the process may set them.
    virtual Errno copyAttributes(const std::string& from, File& to) = 0;
    // Puts a folder's entries (files created, renamed or deleted in it) on
    // stable storage.
    virtual Errno syncFolder(const std::string& folder) = 0;
    // Puts everything written to the volume that holds `path` on stable
    // storage (syncfs), as before a removable disk is taken out.
    virtual Errno syncVolume(const std::string& path) = 0;
    // Copies `length` bytes from `from` at `fromOffset` to `to` at `toOffset`,
    // in the kernel where it can. Fails with EIO-class errors as reads and writes
    // do; ENODATA when `from` ends before `length` bytes.
    virtual Errno copyRange(File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                            std::int64_t length) = 0;
    virtual Errno availableSpace(const std::string& folder, std::int64_t& out) = 0;
    // The mounted drives in a stable order: fixed ones first by mount path,
    // then removable ones in the order they were mounted.
    virtual Errno drives(std::vector<Drive>& out) = 0;
    // The root of drive A:, the removable volume mounted most recently (the
    // disk the user has just inserted); ENOMEDIUM when none is mounted.
    virtual Errno driveA(std::string& root) = 0;
    // Which volume is mounted at exactly `root` now, as a number that changes
    // when another volume takes its place; ENOMEDIUM when none is.
    virtual Errno mountedVolume(const std::string& root, std::uint64_t& volume) = 0;
};

// The machine's own file system.
FileSystem& systemFileSystem();

}  // namespace brindlecut
