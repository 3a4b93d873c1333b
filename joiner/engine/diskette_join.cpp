#include "joiner/engine/diskette_join.h"

#include <cerrno>
#include <vector>

#include "common/contract.h"
#include "common/copy.h"
#include "common/disk_errors.h"
#include "joiner/engine/folder_join.h"

namespace brindlecut {

namespace {

constexpr const char* kInsertFirst = "Insert diskette #1 and click ok";
constexpr const char* kNoManifest = "Incorrect disk.Insert the correct one and click ok";
constexpr const char* kManyManifests = "More than one .vek file found..delete it and try again";
constexpr const char* kWrongDisk = "Incorrect disk or no diskette.Enter correct one and click ok";
constexpr const char* kUnrecoverable = "Unrecoverable Error in this disk.SORRY!!";
constexpr const char* kManifestEnding = ".vek";

// The question after a failed step of the manifest read; OK repeats that step.
const char* retryQuestion(Errno error) {
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

bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// Lists the root of drive A:, counting the files whose names end in ".vek"
// (exactly: ".VEK" is not one of them) and keeping the last one met.
Errno findManifests(FileSystem& fs, int& found, std::string& name) {
    found = 0;
    std::string root;
    if (Errno e = fs.driveA(root)) return e;
    std::vector<DirEntry> entries;
    if (Errno e = fs.list(root, entries)) return e;
    for (const DirEntry& entry : entries) {
        if (entry.isDir || !endsWith(entry.name, kManifestEnding)) continue;
        ++found;
        name = entry.name;
    }
    return 0;
}

// Reads the manifest `name` from the root of drive A:. A manifest that was read
// but refused is no disk fault: it comes back in `refused` with 0.
Errno readManifestOnDisk(FileSystem& fs, const std::string& name, Manifest& manifest, Outcome& refused) {
    std::string root;
    if (Errno e = fs.driveA(root)) return e;
    refused = readManifest(fs, pathInFolder(root, name), manifest);
    if (refused.isFailed() && refused.error != 0) return refused.error;
    return 0;
}

// Whether piece `number` is on the disk in drive A:; an empty drive, like an
// unreadable one, simply does not hold it.
bool pieceOnDisk(FileSystem& fs, const std::string& filename, int number, std::string& path,
                 std::int64_t& size) {
    std::string root;
    if (fs.driveA(root) != 0) return false;
    path = pathInFolder(root, pieceName(filename, number));
    FileInfo info;
    if (fs.info(path, info) != 0 || !info.isRegular) return false;
    size = info.size;
    return true;
}

}  // namespace

Outcome readDisketteManifest(FileSystem& fs, Prompter& prompter, DisketteJoinJob& job) {
    prompter.tell(kInsertFirst);

    std::string name;
    for (;;) {
        int found = 0;
        if (Errno e = findManifests(fs, found, name)) {
            if (!prompter.askOkCancel(retryQuestion(e))) return Outcome::cancelled();
            continue;
        }
        if (found == 1) break;
        if (!prompter.askOkCancel(found == 0 ? kNoManifest : kManyManifests)) return Outcome::cancelled();
    }

    Manifest manifest;
    for (;;) {
        Outcome refused;
        if (Errno e = readManifestOnDisk(fs, name, manifest, refused)) {
            if (!prompter.askOkCancel(retryQuestion(e))) return Outcome::cancelled();
            continue;
        }
        if (refused.isFailed()) return refused;
        break;
    }
    job.manifestName = name;
    job.filename = manifest.filename;
    job.piececount = manifest.count;
    return Outcome::done();
}

Outcome joinFromDiskettes(FileSystem& fs, Prompter& prompter, const DisketteJoinJob& job,
                          const std::string& destFolder) {
    if (!isSafeFileName(job.filename) || job.piececount < 1 || job.piececount > kMaxPieces)
        return Outcome::failed("No split manifest has been read.");
    std::string destination;
    if (Outcome ready = prepareDestination(fs, prompter, destFolder, job.filename, destination);
        !ready.isDone())
        return ready;

    // Until the last piece is in, the rebuilt file is a hidden temporary one,
    // so that an early end leaves no partial file and spares an earlier one.
    RebuiltFile rebuilt(fs, destination);
    if (Errno e = rebuilt.open())
        return Outcome::failed("The rebuilt file could not be created.", destination, e);

    std::int64_t offset = 0;
    for (int i = 1; i <= job.piececount; ++i) {
        // Piece 1 comes from the disk that held the manifest, so no prompt.
        if (i > 1) prompter.tell("Insert diskette #" + std::to_string(i) + " and click OK");
        std::string path;
        std::int64_t size = 0;
        while (!pieceOnDisk(fs, job.filename, i, path, size)) {
            if (!prompter.askOkCancel(kWrongDisk)) return Outcome::cancelled();
        }
        // The splitter never writes an empty piece; one that is empty belongs
        // to a split that was cut off, and would rebuild a wrong file.
        if (size == 0) return Outcome::failed("A piece of the split file is empty.", path);
        std::string failedPath;
        Errno e = 0;
        {
            // One progress display per piece, gone again before the next disk prompt.
            ProgressTracker tracker(prompter, size);
            e = appendPiece(fs, path, rebuilt.file(), offset, tracker, failedPath);
        }
        if (e == ECANCELED) return Outcome::cancelled();
        // From the first piece on, an access error ends the join with its one
        // message, whichever side gave it.
        if (e && errorClass(e) == kAccessError) return Outcome::failed(kUnrecoverable);
        if (e && failedPath.empty())
            return Outcome::failed("The rebuilt file could not be written.", destination, e);
        if (e) return Outcome::failed("A piece could not be read.", failedPath, e);
    }
    if (Errno e = rebuilt.commit()) {
        if (errorClass(e) == kAccessError) return Outcome::failed(kUnrecoverable);
        return Outcome::failed("The rebuilt file could not be written.", destination, e);
    }
    return Outcome::done();
}

}  // namespace brindlecut
