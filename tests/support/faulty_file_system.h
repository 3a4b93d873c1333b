// A FileSystem for tests: passes every call to the machine's own file system,
// except that it can stand in a chosen folder for drive A: (or have no disk at
// all), report a chosen drive list, and fail any operation on demand.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"

namespace brindlecut::testing {

enum class Op {
    Info,
    List,
    OpenRead,
    Create,
    CreateNew,
    RemoveFile,
    RemoveFolder,
    Rename,
    CopyFile,
    CopyRange,
    AvailableSpace,
    Drives,
    DriveA,
    Read,
    Write,
    Size,
    Close,
    OpenWrite,
    Reserve,
    Sync,
    LinkInfo,
    CopyAttributes,
    SyncFolder,
    SyncVolume,
    MountedVolume
};

class FaultyFileSystem final : public FileSystem {
public:
    explicit FaultyFileSystem(FileSystem& inner = systemFileSystem()) : inner_(inner) {}

    // Makes calls of `op` whose path contains `pathContains` fail with `error`:
    // the first `after` matching calls pass, then `times` calls fail (-1: all).
    void failOn(Op op, Errno error, std::string pathContains = {}, int after = 0, int times = 1);
    void clearFaults() { faults_.clear(); }
    // Runs before every call, with the operation and its path (the file's path
    // for Read, Write, Size and Close; the source for CopyRange).
    std::function<void(Op, const std::string&)> beforeCall;

    // Drive A: is this folder; std::nullopt means no disk is in the drive.
    void setDriveA(std::optional<std::string> root) {
        driveA_ = std::move(root);
        fakeDriveA_ = true;
    }
    // The drive list that drives() reports.
    void setDrives(std::vector<Drive> drives) {
        drives_ = std::move(drives);
        fakeDrives_ = true;
    }
    // availableSpace() of this exact folder path reports `bytes`.
    void setAvailable(const std::string& folder, std::int64_t bytes) { available_[folder] = bytes; }

    int calls(Op op) const;

    // Used by the file wrapper.
    Errno check(Op op, const std::string& path);

    Errno info(const std::string& path, FileInfo& out) override;
    Errno linkInfo(const std::string& path, FileInfo& out) override;
    Errno copyAttributes(const std::string& from, File& to) override;
    Errno syncFolder(const std::string& folder) override;
    Errno syncVolume(const std::string& path) override;
    Errno mountedVolume(const std::string& root, std::uint64_t& volume) override;
    Errno list(const std::string& folder, std::vector<DirEntry>& out) override;
    Errno openRead(const std::string& path, std::unique_ptr<File>& out) override;
    Errno create(const std::string& path, std::unique_ptr<File>& out) override;
    Errno createNew(const std::string& path, std::unique_ptr<File>& out) override;
    Errno openWrite(const std::string& path, std::unique_ptr<File>& out) override;
    Errno reserve(File& file, std::int64_t length) override;
    Errno removeFile(const std::string& path, bool force) override;
    Errno removeFolder(const std::string& path, bool force) override;
    Errno rename(const std::string& from, const std::string& to) override;
    Errno copyFile(const std::string& from, const std::string& to) override;
    Errno copyRange(File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                    std::int64_t length) override;
    Errno availableSpace(const std::string& folder, std::int64_t& out) override;
    Errno drives(std::vector<Drive>& out) override;
    Errno driveA(std::string& root) override;

private:
    struct Fault {
        Op op;
        Errno error;
        std::string pathContains;
        int after;
        int times;
    };
    Errno wrap(Errno e, const std::string& path, std::unique_ptr<File>& out);

    FileSystem& inner_;
    std::vector<Fault> faults_;
    std::map<Op, int> calls_;
    bool fakeDriveA_ = false;
    std::optional<std::string> driveA_;
    bool fakeDrives_ = false;
    std::vector<Drive> drives_;
    std::map<std::string, std::int64_t> available_;
};

}  // namespace brindlecut::testing
