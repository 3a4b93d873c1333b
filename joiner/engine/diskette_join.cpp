#include "joiner/engine/diskette_join.h"

#include <cerrno>
#include <vector>

#include "common/contract.h"
#include "common/disk_errors.h"
#include "common/drive_a.h"
#include "joiner/engine/join_steps.h"

namespace brindlecut {

namespace {

constexpr const char* kInsertFirst = "Insert diskette #1 and click ok";
constexpr const char* kNoManifest = "Incorrect disk.Insert the correct one and click ok";
constexpr const char* kManyManifests = "More than one .vek file found..delete it and try again";
constexpr const char* kWrongDisk = "Incorrect disk or no diskette.Enter correct one and click ok";
constexpr const char* kUnrecoverable = "Unrecoverable Error in this disk.SORRY!!";
constexpr const char* kManifestEnding = ".vek";

// "Insert diskette #2 and click OK" and the like.
std::string diskText(const char* before, int number, const char* after) {
    return before + std::to_string(number) + after;
}

// The question after a failed step of the manifest read; OK repeats that step.
const char* retryQuestion(Errno error) {
    // The disk answered for has gone, or another one took its place.
    if (error == kDiskChanged) return kInsertDiskQuestion;
    switch (errorClass(error)) {
        case kWriteProtected:
            return kWriteProtectedQuestion;
        case kNotReady:
        case kPathNotFound:
            return kInsertDiskQuestion;
        default:
            return kUnknownDiskQuestion;
    }
}

// Lists the root of the pinned disk, counting the files whose names end in
// ".vek" (exactly: ".VEK" is not one of them) and keeping the last one met.
Errno findManifests(FileSystem& fs, PinnedDriveA& drive, int& found, std::string& name) {
    found = 0;
    std::string root;
    if (Errno e = drive.root(root)) return e;
    std::vector<DirEntry> entries;
    if (Errno e = fs.list(root, entries)) return e;
    for (const DirEntry& entry : entries) {
        if (entry.isDir || !entry.name.ends_with(kManifestEnding)) continue;
        ++found;
        name = entry.name;
    }
    return 0;
}

// Reads the manifest `name` from the root of the pinned disk. A manifest that
// was read but refused is no disk fault: it comes back in `refused` with 0.
Errno readManifestOnDisk(FileSystem& fs, PinnedDriveA& drive, const std::string& name, Manifest& manifest,
                         Outcome& refused) {
    std::string root;
    if (Errno e = drive.root(root)) return e;
    refused = readManifest(fs, pathInFolder(root, name), manifest);
    if (refused.isFailed() && refused.error != 0) return refused.error;
    return 0;
}

// Whether piece `number` is on the pinned disk; an empty drive, like an
// unreadable one or a disk changed since the prompt, simply does not hold it.
// With a checksum file on the disk, it must list the piece, and `hash` is the
// hash it lists.
bool pieceOnDisk(FileSystem& fs, PinnedDriveA& drive, const std::string& filename, int number,
                 std::string& path, std::int64_t& size, std::string& hash) {
    std::string root;
    if (drive.root(root) != 0) return false;
    const std::string name = pieceName(filename, number);
    path = pathInFolder(root, name);
    FileInfo info;
    if (fs.info(path, info) != 0 || !info.isRegular) return false;
    size = info.size;
    std::string checksums;
    std::size_t from = 0;
    hash.clear();
    // A disk whose checksum file lists another piece is another disk of the
    // set, even when an earlier split left a piece of this name on it.
    if (readChecksumFile(fs, pathInFolder(root, checksumName(filename)), checksums) == 0)
        return !(hash = listedHashIn(checksums, name, from)).empty();
    return true;
}

}  // namespace

Outcome readDisketteManifest(FileSystem& fs, Prompter& prompter, DisketteJoinJob& job) {
    prompter.tell(kInsertFirst);

    // From each answer on, only the disk then in the drive is read.
    PinnedDriveA drive(fs);
    std::string name;
    for (;;) {
        int found = 0;
        Errno e = drive.pin();
        if (e == 0) e = findManifests(fs, drive, found, name);
        if (e) {
            if (!prompter.askOkCancel(retryQuestion(e))) return stopped();
            continue;
        }
        if (found == 1) break;
        if (!prompter.askOkCancel(found == 0 ? kNoManifest : kManyManifests)) return stopped();
    }

    Manifest manifest;
    for (;;) {
        Outcome refused;
        if (Errno e = readManifestOnDisk(fs, drive, name, manifest, refused)) {
            if (!prompter.askOkCancel(retryQuestion(e))) return stopped();
            drive.pin();
            continue;
        }
        if (refused.isFailed()) return refused;
        break;
    }
    job.manifestName = name;
    job.filename = manifest.filename;
    job.piececount = manifest.count;
    return finished();
}

Outcome joinFromDiskettes(FileSystem& fs, Prompter& prompter, const DisketteJoinJob& job,
                          const std::string& destFolder) {
    const int count = job.piececount;
    std::string destination;
    if (Outcome ready = prepareDestination(fs, prompter, destFolder, job.filename, count, destination);
        !ready.isDone())
        return ready;

    // Until the last piece is in, the rebuilt file is a hidden temporary one,
    // so that an early end leaves no partial file and spares an earlier one.
    RebuiltFile rebuilt(fs, destination);
    if (Outcome started = startRebuilt(rebuilt, destination); !started.isDone()) return started;

    // Piece 1 comes from the disk that held the manifest, so no prompt; every
    // other disk is pinned when the user has answered its prompt.
    PinnedDriveA drive(fs);
    drive.pin();
    std::int64_t offset = 0;
    std::int64_t fullSize = 0;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) {
            prompter.tell(diskText("Insert diskette #", i, " and click OK"));
            drive.pin();
        }
        std::string path;
        std::string hash;
        std::int64_t size = 0;
        while (!pieceOnDisk(fs, drive, job.filename, i, path, size, hash)) {
            if (!prompter.askOkCancel(kWrongDisk)) return stopped();
            drive.pin();
        }
        if (i == 1) fullSize = size;
        if (const char* fault = pieceSizeFault(i, count, size, fullSize)) return failure(fault, path);
        std::string failedPath;
        Errno e = 0;
        {
            // One progress display per piece, gone again before the next disk prompt.
            ProgressTracker tracker(prompter, size);
            e = appendPiece(fs, path, rebuilt.file(), offset, tracker, failedPath, hash);
        }
        if (e == kPieceDamaged)
            return Outcome::failed(diskText("The piece on disk #", i, " is damaged. Nothing was changed."),
                                   path);
        // The disk's access errors end the join with their one message; the
        // destination folder's faults name it.
        if (e && !failedPath.empty() && errorClass(e) == kAccessError) return failure(kUnrecoverable);
        if (e) return appendFailure(e, failedPath, destination);
    }
    return placeRebuilt(rebuilt, destination);
}

}  // namespace brindlecut
