// The platform layer on Linux: POSIX file access, in-kernel copies with
// copy_file_range, and drives read from /proc/self/mountinfo.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/disk_errors.h"
#include "common/mounts.h"
#include "common/platform.h"

namespace brindlecut {

int errorClass(Errno error) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return kWriteProtected;
        case ENOMEDIUM:
        case ENODEV:
            return kNotReady;
        case EIO:
            return kAccessError;
        case ENOENT:
        case ENOTDIR:
            return kPathNotFound;
        default:
            return kUnknownError;
    }
}

std::string reasonText(Errno error) { return std::strerror(error); }

bool isWriteSideError(Errno error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
        case EROFS:
        case EACCES:
        case EPERM:
        case ETXTBSY:
        case ELOOP:
            return true;
        default:
            return false;
    }
}

namespace {

class PosixFile final : public File {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override {
        if (fd_ >= 0) ::close(fd_);
    }

    Errno readAt(std::int64_t offset, void* buffer, std::size_t length, std::size_t& got) override {
        got = 0;
        auto* out = static_cast<char*>(buffer);
        while (got < length) {
            ssize_t n = ::pread(fd_, out + got, length - got, offset + static_cast<std::int64_t>(got));
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        return 0;
    }

    Errno writeAt(std::int64_t offset, const void* buffer, std::size_t length) override {
        const auto* in = static_cast<const char*>(buffer);
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = ::pwrite(fd_, in + done, length - done, offset + static_cast<std::int64_t>(done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (n == 0) return ENOSPC;
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }

    Errno size(std::int64_t& out) override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return errno;
        out = st.st_size;
        return 0;
    }

    // fsync, not fdatasync: a replacement file's permissions and owner, set
    // just before, must reach the disk with its bytes.
    Errno sync() override {
        while (::fsync(fd_) != 0) {
            if (errno != EINTR) return errno;
        }
        return 0;
    }

    void startWriting(std::int64_t offset, std::int64_t length) override {
        static_cast<void>(::sync_file_range(fd_, offset, length, SYNC_FILE_RANGE_WRITE));
    }

    Errno close() override {
        if (fd_ < 0) return EBADF;
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

    int descriptor() const override { return fd_; }

private:
    int fd_;
};

Errno openWith(const std::string& path, int flags, std::unique_ptr<File>& out) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    out = std::make_unique<PosixFile>(fd);
    return 0;
}

// Sorts items by one of their strings. Through the C library's qsort on
// positions, so that each kind of item costs a few bytes and not a sorting
// algorithm of its own: the joiner travels on a disk.
template <class T>
void sortByName(std::vector<T>& items, std::string T::*name) {
    if (items.size() < 2) return;  // qsort_r must not be given the null data of an empty vector
    struct Keys {
        const std::vector<T>* items;
        std::string T::*name;
    } keys{&items, name};
    std::vector<std::size_t> order(items.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    ::qsort_r(
        order.data(), order.size(), sizeof(std::size_t),
        [](const void* a, const void* b, void* context) {
            const Keys& k = *static_cast<const Keys*>(context);
            return ((*k.items)[*static_cast<const std::size_t*>(a)].*k.name)
                .compare((*k.items)[*static_cast<const std::size_t*>(b)].*k.name);
        },
        &keys);
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (std::size_t i : order) sorted.push_back(std::move(items[i]));
    items = std::move(sorted);
}

bool readOnlyMode(const struct stat& st) { return (st.st_mode & 0222) == 0; }

void fillInfo(const struct stat& st, FileInfo& out) {
    out.isDir = S_ISDIR(st.st_mode);
    out.isRegular = S_ISREG(st.st_mode);
    out.isLink = S_ISLNK(st.st_mode);
    out.writable = !readOnlyMode(st);
    out.mode = st.st_mode & 07777;
    out.size = st.st_size;
    out.modified = st.st_mtim.tv_sec;
    out.modifiedNs = std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    out.changedNs = std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    out.device = st.st_dev;
    out.inode = st.st_ino;
}

// Opens a folder (or, for syncVolume, anything) only to flush through it.
Errno syncThrough(const std::string& path, int flags, bool wholeVolume) {
    const int fd = ::open(path.c_str(), flags | O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    Errno e = 0;
    while ((wholeVolume ? ::syncfs(fd) : ::fsync(fd)) != 0) {
        if (errno == EINTR) continue;
        e = errno;
        break;
    }
    ::close(fd);
    return e;
}

// Copies with read and write through a bounded buffer; what copyRange falls back to.
Errno copyRangeBuffered(File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                        std::int64_t length) {
    constexpr std::size_t kBuffer = 256 * 1024;
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(length, kBuffer)));
    std::int64_t done = 0;
    while (done < length) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(length - done, kBuffer));
        std::size_t got = 0;
        if (Errno e = from.readAt(fromOffset + done, buffer.data(), want, got)) return e;
        if (got == 0) return ENODATA;
        if (Errno e = to.writeAt(toOffset + done, buffer.data(), got)) return e;
        done += static_cast<std::int64_t>(got);
    }
    return 0;
}

// Stays on the volume it started on: a volume mounted inside the folder is
// not emptied with it (EXDEV).
Errno removeTree(const std::string& path, bool force, dev_t volume) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno;
    if (st.st_dev != volume) return EXDEV;
    if (!S_ISDIR(st.st_mode)) {
        if (!force && readOnlyMode(st)) return EACCES;
        return ::unlink(path.c_str()) == 0 ? 0 : errno;
    }
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return errno;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    for (const auto& name : names) {
        if (Errno e = removeTree(path + "/" + name, force, volume)) return e;
    }
    return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

// The whole text of a kernel file such as /proc/self/mountinfo ("" when it
// cannot be read). Plain reads: the joiner travels on a disk, and the stream
// classes would cost it kilobytes.
std::string kernelText(const std::string& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

// Whether the block device numbered major:minor is flagged removable; for a
// partition the flag sits on the whole disk, one folder up in /sys.
bool blockDeviceRemovable(unsigned major, unsigned minor) {
    const std::string base = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    for (const char* candidate : {"/removable", "/../removable"}) {
        const std::string flag = kernelText(base + candidate);
        if (!flag.empty()) return flag[0] == '1';
    }
    return false;
}

// The mount's own device numbers are anonymous for some file systems (btrfs),
// so the device node named as the source is asked too.
bool mountRemovable(const MountInfoEntry& mount) {
    if (blockDeviceRemovable(mount.major, mount.minor)) return true;
    struct stat st {};
    if (mount.source.rfind("/dev/", 0) == 0 && ::stat(mount.source.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
        return blockDeviceRemovable(major(st.st_rdev), minor(st.st_rdev));
    return false;
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Read afresh on every call: a disk can be inserted or pulled out between two
// questions to the user.
std::vector<Volume> mountedVolumes() {
    return volumesOf(parseMountInfo(kernelText("/proc/self/mountinfo")),
                     MountProbe{mountRemovable, isFolder});
}

class SystemFileSystem final : public FileSystem {
public:
    Errno info(const std::string& path, FileInfo& out) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return errno;
        fillInfo(st, out);
        return 0;
    }

    Errno linkInfo(const std::string& path, FileInfo& out) override {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return errno;
        fillInfo(st, out);
        return 0;
    }

    Errno list(const std::string& folder, std::vector<DirEntry>& out) override {
        out.clear();
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) return errno;
        for (;;) {
            // The stat below may leave an errno behind (a dangling link), and
            // readdir keeps it at the end of the folder: only its own counts.
            errno = 0;
            dirent* entry = ::readdir(dir);
            if (!entry) break;
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            bool isDir = entry->d_type == DT_DIR;
            bool isLink = entry->d_type == DT_LNK;
            if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
                struct stat st {};
                const std::string full =
                    folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
                if (entry->d_type == DT_UNKNOWN)
                    isLink = ::lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
                isDir = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            }
            out.push_back({name, isDir, isLink});
        }
        Errno e = errno;
        ::closedir(dir);
        if (e) return e;
        sortByName(out, &DirEntry::name);
        return 0;
    }

    Errno openRead(const std::string& path, std::unique_ptr<File>& out) override {
        return openWith(path, O_RDONLY, out);
    }

    Errno create(const std::string& path, std::unique_ptr<File>& out) override {
        return openWith(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, out);
    }

    Errno createNew(const std::string& path, std::unique_ptr<File>& out) override {
        return openWith(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, out);
    }

    Errno reserve(File& file, std::int64_t length) override {
        const int fd = file.descriptor();
        if (fd < 0 || length <= 0) return 0;
        // fallocate(2) itself, not posix_fallocate(3): where the file system
        // cannot reserve, the latter writes every block once more by hand.
        // The size stays as it is, so that a piece cut off before it was
        // filled shows short instead of full of zeros.
        while (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, length) != 0) {
            if (errno == EINTR) continue;
            if (errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL) return 0;
            return errno;
        }
        return 0;
    }

    Errno openWrite(const std::string& path, std::unique_ptr<File>& out) override {
        return openWith(path, O_WRONLY | O_NOFOLLOW, out);
    }

    Errno removeFile(const std::string& path, bool force) override {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return errno;
        if (S_ISDIR(st.st_mode)) return EISDIR;
        if (!force && readOnlyMode(st) && !S_ISLNK(st.st_mode)) return EACCES;
        return ::unlink(path.c_str()) == 0 ? 0 : errno;
    }

    Errno removeFolder(const std::string& path, bool force) override {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) return errno;
        if (!S_ISDIR(st.st_mode)) return ENOTDIR;
        return removeTree(path, force, st.st_dev);
    }

    Errno rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    Errno copyFile(const std::string& from, const std::string& to) override {
        // Creating `to` would empty `from` when both name one file.
        struct stat fromStat {
        }, toStat{};
        if (::stat(from.c_str(), &fromStat) == 0 && ::stat(to.c_str(), &toStat) == 0 &&
            fromStat.st_dev == toStat.st_dev && fromStat.st_ino == toStat.st_ino)
            return S_ISREG(fromStat.st_mode) ? 0 : EINVAL;
        std::unique_ptr<File> in, out;
        if (Errno e = openRead(from, in)) return e;
        std::int64_t length = 0;
        if (Errno e = in->size(length)) return e;
        if (Errno e = create(to, out)) return e;
        Errno e = copyRange(*in, 0, *out, 0, length);
        if (e == 0) e = out->sync();
        Errno closed = out->close();
        return e ? e : closed;
    }

    Errno copyAttributes(const std::string& from, File& to) override {
        struct stat st {};
        if (::stat(from.c_str(), &st) != 0) return errno;
        const int fd = to.descriptor();
        if (fd < 0) return EBADF;
        // Owner first: changing it may clear the set-id bits that fchmod then sets.
        // Only a privileged process may give a file away; for others it stays theirs.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0 && errno != EPERM) return errno;
        return ::fchmod(fd, st.st_mode & 07777) == 0 ? 0 : errno;
    }

    Errno syncFolder(const std::string& folder) override {
        return syncThrough(folder.empty() ? "." : folder, O_DIRECTORY, false);
    }

    Errno syncVolume(const std::string& path) override { return syncThrough(path, 0, true); }

    Errno copyRange(File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                    std::int64_t length) override {
        const int in = from.descriptor();
        const int out = to.descriptor();
        if (in < 0 || out < 0) return copyRangeBuffered(from, fromOffset, to, toOffset, length);
        loff_t inOffset = fromOffset;
        loff_t outOffset = toOffset;
        std::int64_t left = length;
        while (left > 0) {
            const std::size_t chunk =
                static_cast<std::size_t>(std::min<std::int64_t>(left, std::int64_t{1} << 30));
            ssize_t n = ::copy_file_range(in, &inOffset, out, &outOffset, chunk, 0);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
                    return copyRangeBuffered(from, inOffset, to, outOffset, left);
                return errno;
            }
            if (n == 0) return ENODATA;
            left -= n;
        }
        return 0;
    }

    Errno availableSpace(const std::string& folder, std::int64_t& out) override {
        struct statvfs st {};
        if (::statvfs(folder.c_str(), &st) != 0) return errno;
        out = static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
        return 0;
    }

    Errno drives(std::vector<Drive>& out) override {
        out.clear();
        std::vector<Drive> removable;
        for (const Volume& volume : mountedVolumes()) {
            Drive drive{volume.path, volume.removable ? DriveKind::Removable : DriveKind::Fixed, 0};
            // A volume that cannot say how much room it has offers none.
            if (availableSpace(volume.path, drive.available) != 0) drive.available = 0;
            (volume.removable ? removable : out).push_back(std::move(drive));
        }
        sortByName(out, &Drive::root);
        // Removable volumes keep their mount order: the last of them is drive A:.
        out.insert(out.end(), removable.begin(), removable.end());
        return 0;
    }

    // The disk inserted last is the one the user means: another stick that
    // stays plugged in must not be taken for it.
    Errno driveA(std::string& root) override {
        const std::vector<Volume> volumes = mountedVolumes();
        for (auto volume = volumes.rbegin(); volume != volumes.rend(); ++volume) {
            if (volume->removable) {
                root = volume->path;
                return 0;
            }
        }
        return ENOMEDIUM;
    }

    Errno mountedVolume(const std::string& root, std::uint64_t& volume) override {
        // The last mount on a path hides the earlier ones. The device number
        // goes with the file system's own id (from its UUID where it has
        // one), so that another stick that gets the same device node is
        // another disk, and the same stick put back is the same one.
        bool found = false;
        for (const MountInfoEntry& mount : parseMountInfo(kernelText("/proc/self/mountinfo"))) {
            if (mount.mountPoint != root) continue;
            volume = makedev(mount.major, mount.minor);
            found = true;
        }
        struct statfs st {};
        if (found && ::statfs(root.c_str(), &st) == 0) {
            std::uint64_t fsid = 0;
            static_assert(sizeof(st.f_fsid) == sizeof(fsid));
            std::memcpy(&fsid, &st.f_fsid, sizeof(fsid));
            volume ^= fsid * 0x9e3779b97f4a7c15ULL;
        }
        return found ? 0 : ENOMEDIUM;
    }
};

}  // namespace

FileSystem& systemFileSystem() {
    static SystemFileSystem instance;
    return instance;
}

}  // namespace brindlecut
