#include "joiner/engine/folder_join.h"

#include <cerrno>
#include <vector>

#include "common/contract.h"

namespace brindlecut {

namespace {

// The longest file name most Linux file systems take.
constexpr std::size_t kNameMax = 255;
// How many taken temporary names are skipped before giving up.
constexpr int kTemporaryAttempts = 1000;

std::string piecePath(const FolderJoinJob& job, int i) { return job.pieceBase + "." + std::to_string(i); }

}  // namespace

Outcome readFolderManifest(FileSystem& fs, const std::string& manifestPath, FolderJoinJob& job) {
    Manifest manifest;
    Outcome read = readManifest(fs, manifestPath, manifest);
    if (!read.isDone()) return read;
    const std::string folder = folderOf(manifestPath);
    // A bare name came from the current folder, and so do its pieces.
    job.pieceBase = folder.empty() ? manifest.filename : pathInFolder(folder, manifest.filename);
    job.manifestPath = manifestPath;
    job.filename = manifest.filename;
    job.piececount = manifest.count;
    return Outcome::done();
}

Destination destinationFor(FileSystem& fs, const std::string& folder, const std::string& filename) {
    Destination destination{pathInFolder(folder, filename), false};
    FileInfo info;
    destination.mustAsk = fs.info(destination.path, info) == 0 && !info.isDir;
    return destination;
}

bool checkDestination(FileSystem& fs, Prompter& prompter, const std::string& folder,
                      const std::string& filename, std::string& destinationPath) {
    const Destination destination = destinationFor(fs, folder, filename);
    if (destination.mustAsk && !prompter.askYesNo(kOverwriteQuestion)) {
        prompter.tell(kChooseAnother);
        return false;
    }
    destinationPath = destination.path;
    return true;
}

Errno appendPiece(FileSystem& fs, const std::string& piecePath, File& destination, std::int64_t& offset,
                  ProgressTracker& tracker, std::string& failedPath) {
    failedPath = piecePath;
    std::unique_ptr<File> piece;
    if (Errno e = fs.openRead(piecePath, piece)) return e;
    std::int64_t length = 0;
    if (Errno e = piece->size(length)) return e;
    tracker.setItem(baseName(piecePath));
    Errno e = copyInChunks(fs, *piece, 0, destination, offset, length, tracker);
    piece->close();  // nothing was written to it, so its close has nothing to report
    switch (e) {
        case 0:
            offset += length;
            failedPath.clear();
            return 0;
        // Faults that only the file being written can cause.
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
        case EROFS:
            failedPath.clear();
            return e;
        default:
            return e;
    }
}

std::string temporaryPathFor(FileSystem& fs, const std::string& destinationPath) {
    const std::string folder = folderOf(destinationPath);
    std::string base = baseName(destinationPath);
    const std::string suffix = ".joining";
    // Room for the leading dot, the suffix and a counter of up to four digits.
    const std::size_t room = kNameMax - 1 - suffix.size() - 5;
    if (base.size() > room) base.resize(room);
    for (int attempt = 1;; ++attempt) {
        std::string path = folder;
        path += '.';
        path += base;
        path += suffix;
        if (attempt > 1) path += '-' + std::to_string(attempt);
        FileInfo info;
        if (fs.info(path, info) != 0 || attempt >= kTemporaryAttempts) return path;
    }
}

Errno RebuiltFile::open() {
    discard();
    Errno e = 0;
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        temporaryPath_ = temporaryPathFor(fs_, destinationPath_);
        e = fs_.createNew(temporaryPath_, file_);
        // Someone else took the name between the look and the create.
        if (e != EEXIST) break;
    }
    if (e) {
        file_.reset();
        temporaryPath_.clear();
        return e;
    }
    pending_ = true;
    return 0;
}

Errno RebuiltFile::commit() {
    if (!pending_) return EBADF;
    Errno e = file_->close();
    file_.reset();
    if (e == 0) e = fs_.rename(temporaryPath_, destinationPath_);
    if (e) {
        discard();
        return e;
    }
    pending_ = false;
    return 0;
}

void RebuiltFile::discard() {
    if (file_) file_->close();
    file_.reset();
    if (pending_) fs_.removeFile(temporaryPath_, true);
    pending_ = false;
}

Outcome prepareDestination(FileSystem& fs, Prompter& prompter, const std::string& destFolder,
                           const std::string& filename, std::string& destinationPath) {
    // An empty folder path would put the rebuilt file at the root of the file system.
    if (destFolder.empty()) return Outcome::failed("No destination folder has been chosen.");
    if (!checkDestination(fs, prompter, destFolder, filename, destinationPath)) return Outcome::cancelled();
    FileInfo info;
    if (fs.info(destinationPath, info) == 0 && info.isDir)
        return Outcome::failed("A folder of that name is in the destination folder.", destinationPath,
                               EISDIR);
    return Outcome::done();
}

Outcome joinFromFolder(FileSystem& fs, Prompter& prompter, const FolderJoinJob& job,
                       const std::string& destFolder) {
    if (!isSafeFileName(job.filename) || job.piececount < 1 || job.piececount > kMaxPieces)
        return Outcome::failed("No split manifest has been read.", job.manifestPath);
    std::string destination;
    if (Outcome ready = prepareDestination(fs, prompter, destFolder, job.filename, destination);
        !ready.isDone())
        return ready;

    // Every piece is looked at before anything is written, so that an
    // incomplete split set changes nothing.
    std::int64_t total = 0;
    for (int i = 1; i <= job.piececount; ++i) {
        const std::string path = piecePath(job, i);
        FileInfo info;
        if (Errno e = fs.info(path, info))
            return Outcome::failed("A piece of the split file could not be found.", path, e);
        if (!info.isRegular)
            return Outcome::failed("A piece of the split file is not a regular file.", path,
                                   info.isDir ? EISDIR : 0);
        // The splitter never writes an empty piece; one that is empty belongs
        // to a split that was cut off, and would rebuild a wrong file.
        if (info.size == 0) return Outcome::failed("A piece of the split file is empty.", path);
        total += info.size;
    }

    // The earlier file stays until the rename, so the whole size must fit beside it.
    std::int64_t available = 0;
    if (Errno e = fs.availableSpace(destFolder, available))
        return Outcome::failed("The free space in the destination folder could not be measured.", destFolder,
                               e);
    if (available < total)
        return Outcome::failed(
            "There is not enough free space in the destination folder: " + std::to_string(total) +
                " bytes are needed, " + std::to_string(available) + " bytes are available.",
            destFolder);

    RebuiltFile rebuilt(fs, destination);
    if (Errno e = rebuilt.open())
        return Outcome::failed("The rebuilt file could not be created.", destination, e);
    if (Errno e = fs.reserve(rebuilt.file(), total))
        return Outcome::failed("The rebuilt file could not be written.", destination, e);
    {
        ProgressTracker tracker(prompter, total);
        std::int64_t offset = 0;
        for (int i = 1; i <= job.piececount; ++i) {
            std::string failedPath;
            Errno e = appendPiece(fs, piecePath(job, i), rebuilt.file(), offset, tracker, failedPath);
            if (e == ECANCELED) return Outcome::cancelled();
            if (e && failedPath.empty())
                return Outcome::failed("The rebuilt file could not be written.", destination, e);
            if (e) return Outcome::failed("A piece could not be read.", failedPath, e);
        }
    }
    if (Errno e = rebuilt.commit())
        return Outcome::failed("The rebuilt file could not be written.", destination, e);

    // Only now that the rebuilt file is in place may the split set go; a
    // read-only file is left, as the unforced delete does, and named.
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
        if (Errno e = fs.removeFile(path, false)) kept.emplace_back(path, e);
    };
    remove(job.manifestPath);
    for (int i = 1; i <= job.piececount; ++i) remove(piecePath(job, i));
    if (kept.empty()) return Outcome::done();
    std::string notice = "The file has been rebuilt, but these files of the split set could not be deleted:";
    for (const auto& [path, e] : kept) notice += "\n" + path + ": " + reasonText(e);
    return Outcome::done(notice);
}

}  // namespace brindlecut
