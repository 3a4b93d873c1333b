#include "common/private_copy.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace brindlecut {

namespace {

// Whether `root` is the path itself or one of the folders on its way.
bool holds(const std::string& root, const char* path) {
    if (std::strlen(path) < root.size() || std::memcmp(path, root.data(), root.size()) != 0) return false;
    const char next = path[root.size()];
    return next == '\0' || next == '/' || root.back() == '/';
}

Errno copyBytes(const char* from, const char* to) {
    const int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    Errno error = 0;
    const int out = open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700);
    if (out < 0) {
        error = errno;
    } else {
        for (;;) {
            const ssize_t sent = sendfile(out, in, nullptr, 1 << 20);
            if (sent == 0) break;
            if (sent < 0 && errno != EINTR) {
                error = errno;
                break;
            }
        }
        if (close(out) != 0 && error == 0) error = errno;
    }
    close(in);
    return error;
}

}  // namespace

bool onRemovableDrive(const std::vector<Drive>& drives, const char* path) {
    const Drive* best = nullptr;
    for (const Drive& drive : drives) {
        if (!drive.root.empty() && holds(drive.root, path) &&
            (!best || drive.root.size() > best->root.size())) {
            best = &drive;
        }
    }
    return best && best->kind == DriveKind::Removable;
}

Errno makePrivateCopy(const char* program, const char* parent, char* copy, std::size_t size) {
    static constexpr char kFolder[] = "/join-XXXXXX";
    const char* slash = std::strrchr(program, '/');
    const char* name = slash ? slash + 1 : program;
    const std::size_t parentLength = std::strlen(parent);
    const std::size_t folderLength = parentLength + sizeof kFolder - 1;
    const std::size_t nameLength = std::strlen(name);
    if (folderLength + 1 + nameLength >= size) return ENAMETOOLONG;
    std::memmove(copy, parent, parentLength);
    std::memmove(copy + parentLength, kFolder, sizeof kFolder);
    if (!mkdtemp(copy)) return errno;  // made with mode 0700
    copy[folderLength] = '/';
    std::memmove(copy + folderLength + 1, name, nameLength + 1);
    const Errno error = copyBytes(program, copy);
    if (error) removePrivateCopy(copy);
    return error;
}

void removePrivateCopy(const char* copy) {
    unlink(copy);
    char folder[PATH_MAX];
    const char* slash = std::strrchr(copy, '/');
    const std::size_t length = slash ? static_cast<std::size_t>(slash - copy) : 0;
    if (length == 0 || length >= sizeof folder) return;
    std::memmove(folder, copy, length);
    folder[length] = '\0';
    rmdir(folder);
}

const char* privateCopyParent() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        if (value && value[0] == '/') return value;
    }
    return "/tmp";
}

void runFromPrivateCopy(char** argv, FileSystem& fileSystem) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return;
    self[length] = '\0';
    if (const char* copy = std::getenv(kPrivateCopyVariable)) {
        // Only the copy itself is removed, whatever the variable says.
        if (std::strcmp(copy, self) == 0) removePrivateCopy(self);
        return;
    }
    std::vector<Drive> drives;
    if (fileSystem.drives(drives) != 0 || !onRemovableDrive(drives, self)) return;
    char copy[PATH_MAX];
    if (makePrivateCopy(self, privateCopyParent(), copy, sizeof copy) != 0) return;
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) && onRemovableDrive(drives, folder)) {
        for (char** argument = argv + 1; *argument; ++argument) {
            if (**argument == '-') continue;
            if (char* absolute = realpath(*argument, nullptr)) *argument = absolute;
        }
        const char* home = std::getenv("HOME");
        if ((!home || chdir(home) != 0) && chdir("/") != 0) {
            removePrivateCopy(copy);
            return;
        }
    }
    setenv(kPrivateCopyVariable, copy, 1);
    execv(copy, argv);
    // A temporary folder that does not let programs run: run from the disk
    // (the variable, left set, is read only at the start).
    removePrivateCopy(copy);
}

}  // namespace brindlecut
