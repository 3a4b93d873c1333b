#include "joiner/engine/folder_join.h"

#include <cerrno>
#include <utility>
#include <vector>

#include "common/contract.h"

namespace brindlecut {

namespace {

std::string piecePath(const FolderJoinJob& job, int i) {
    return pathInFolder(job.folder, pieceName(job.filename, i));
}

}  // namespace

Outcome readFolderManifest(FileSystem& fs, const std::string& manifestPath, FolderJoinJob& job) {
    Manifest manifest;
    Outcome read = readManifest(fs, manifestPath, manifest);
    if (!read.isDone()) return read;
    const std::string folder = folderOf(manifestPath);
    // A bare name came from the current folder, and so do its pieces.
    job.folder = folder.empty() ? "./" : folder;
    job.manifestPath = manifestPath;
    job.filename = manifest.filename;
    job.piececount = manifest.count;
    return finished();
}

Outcome joinFromFolder(FileSystem& fs, Prompter& prompter, const FolderJoinJob& job,
                       const std::string& destFolder) {
    const int count = job.piececount;
    std::string destination;
    if (Outcome ready = prepareDestination(fs, prompter, destFolder, job.filename, count, destination);
        !ready.isDone())
        return ready;

    // Every piece is looked at before anything is written, so that an
    // incomplete split set changes nothing.
    std::int64_t total = 0;
    std::int64_t fullSize = 0;
    for (int i = 1; i <= count; ++i) {
        const std::string path = piecePath(job, i);
        FileInfo info;
        if (Errno e = fs.info(path, info))
            return failure("A piece of the split file could not be found.", path, e);
        if (!info.isRegular)
            return failure("A piece of the split file is not a regular file.", path, info.isDir ? EISDIR : 0);
        if (i == 1) fullSize = info.size;
        if (const char* fault = pieceSizeFault(i, count, info.size, fullSize)) return failure(fault, path);
        total += info.size;
    }

    // With a checksum file beside the manifest, every piece must be listed in
    // it and is verified as it is appended.
    const std::string checksumPath = pathInFolder(job.folder, checksumName(job.filename));
    std::string checksums;
    const Errno unread = readChecksumFile(fs, checksumPath, checksums);
    if (unread && unread != ENOENT) return refusedChecksumFile(checksumPath, unread);
    std::size_t from = 0;
    for (int i = 1; i <= count && !unread; ++i)
        if (listedHashIn(checksums, pieceName(job.filename, i), from).empty())
            return refusedChecksumFile(checksumPath, 0);
    // A checksum file that lists a piece beyond the manifest's count tells of
    // a manifest whose count was damaged: joined, the file would come out short.
    if (!unread && !listedHashIn(checksums, pieceName(job.filename, count + 1), from).empty())
        return refusedChecksumFile(checksumPath, 0);

    // The earlier file stays until the rename, so the whole size must fit beside it.
    std::int64_t available = 0;
    if (Errno e = fs.availableSpace(destFolder, available))
        return failure("The free space in the destination folder could not be measured.", destFolder, e);
    if (available < total)
        return Outcome::failed(
            "There is not enough free space in the destination folder: " + std::to_string(total) +
                " bytes are needed, " + std::to_string(available) + " bytes are available.",
            destFolder);

    RebuiltFile rebuilt(fs, destination);
    if (Outcome started = startRebuilt(rebuilt, destination); !started.isDone()) return started;
    if (Errno e = fs.reserve(rebuilt.file(), total)) return failure(kNotWritten, destination, e);
    {
        ProgressTracker tracker(prompter, total);
        std::int64_t offset = 0;
        for (int i = 1; i <= count; ++i) {
            std::string failedPath;
            const std::string hash =
                unread ? std::string() : listedHashIn(checksums, pieceName(job.filename, i), from);
            Errno e = appendPiece(fs, piecePath(job, i), rebuilt.file(), offset, tracker, failedPath, hash);
            if (e == kPieceDamaged)
                return failure("A piece is damaged: its checksum differs. Nothing was changed.", failedPath);
            if (e) return appendFailure(e, failedPath, destination);
        }
    }
    if (Outcome placed = placeRebuilt(rebuilt, destination); !placed.isDone()) return placed;

    // Only now that the rebuilt file is on the disk under its name may the
    // split set go; a read-only file is left, as the unforced delete does,
    // and named. A file already gone (another join of the same set) counts
    // as deleted.
    FileInfo rebuiltInfo;
    const bool rebuiltKnown = fs.info(destination, rebuiltInfo) == 0;
    std::vector<std::pair<std::string, Errno>> kept;
    auto remove = [&](const std::string& path) {
        // Should the rebuilt file have taken the place of a file of the set
        // (a manifest named like the file it rebuilds, reached by another
        // spelling of its folder), it must not be deleted with it.
        if (path == destination) return;
        FileInfo info;
        if (rebuiltKnown && fs.info(path, info) == 0 && info.device == rebuiltInfo.device &&
            info.inode == rebuiltInfo.inode)
            return;
        if (Errno e = fs.removeFile(path, false); e && e != ENOENT) kept.emplace_back(path, e);
    };
    remove(job.manifestPath);
    if (!unread) remove(checksumPath);
    for (int i = 1; i <= count; ++i) remove(piecePath(job, i));
    if (kept.empty()) return finished();
    std::string notice = "The file has been rebuilt, but these files of the split set could not be deleted:";
    for (const auto& [path, e] : kept) notice += "\n" + path + ": " + reasonText(e);
    return Outcome::done(notice);
}

}  // namespace brindlecut
