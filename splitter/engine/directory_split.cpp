#include "splitter/engine/directory_split.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unordered_set>
#include <vector>

#include "common/checksum.h"
#include "common/contract.h"
#include "common/copy.h"

namespace brindlecut {

namespace {

// How far back from the last reported position a failed copy is re-read to
// find out whether the source was at fault; covers one chunk of copyInChunks.
constexpr std::int64_t kProbeWindow = 64 * 1024 * 1024;
constexpr std::size_t kProbeBlock = 64 * 1024;

class FolderSplit {
public:
    FolderSplit(FileSystem& fs, Prompter& prompter, const SplitJob& job)
        : fs_(fs), prompter_(prompter), job_(job), count_(job.piececount) {}

    Outcome run();

private:
    std::string inFolder(const std::string& name) const { return pathInFolder(job_.destfolder, name); }
    std::string piecePath(std::int64_t k) const { return inFolder(pieceName(job_.filename, k)); }
    std::string manifestPath() const { return inFolder(manifestName(job_.filename)); }
    std::string checksumPath() const { return inFolder(checksumName(job_.filename)); }
    // Ends a run that has begun to change the folder: what this run wrote goes.
    Outcome stop(std::string message, const std::string& path, Errno error) {
        removeCreated();
        return Outcome::failed(std::move(message), path, error);
    }
    void removeCreated();
    Outcome prepareFolder(std::vector<std::string>& inTheWay);
    Outcome removeEarlier(const std::vector<std::string>& inTheWay);
    Outcome createPieces();
    Outcome fillPieces(File& source);
    Outcome flushPieces();
    Outcome copyFailure(File& source, std::int64_t k, Errno error, std::int64_t done);
    Outcome writeChecksums();

    FileSystem& fs_;
    Prompter& prompter_;
    const SplitJob& job_;
    const std::int64_t count_;
    FileInfo sourceAtStart_;
    // Pieces 1 ... created_ were created or emptied by this run.
    std::int64_t created_ = 0;
    bool wroteChecksums_ = false;
    bool wroteManifest_ = false;
    std::vector<ChecksumEntry> checksums_;
};

Outcome FolderSplit::run() {
    if (job_.piecesize <= 0 || count_ < 1 || count_ > kMaxPieces ||
        pieceCount(job_.filesize, job_.piecesize) != count_ || !isSafeFileName(job_.filename))
        return Outcome::failed(
            "The split was not started: the plan does not fit the file. Plan the split again.");

    std::unique_ptr<File> source;
    if (Errno e = fs_.openRead(job_.sourcepath, source))
        return Outcome::failed("The split was not started: the file to split could not be opened.",
                               job_.sourcepath, e);
    std::int64_t actual = 0;
    if (Errno e = source->size(actual))
        return Outcome::failed("The split was not started: the file to split could not be read.",
                               job_.sourcepath, e);
    if (Errno e = fs_.info(job_.sourcepath, sourceAtStart_))
        return Outcome::failed("The split was not started: the file to split could not be read.",
                               job_.sourcepath, e);
    if (actual != job_.filesize || sourceAtStart_.size != job_.filesize)
        return Outcome::failed(
            "The split was not started: the file to split has changed size since it was chosen.",
            job_.sourcepath);

    std::vector<std::string> inTheWay;
    if (Outcome o = prepareFolder(inTheWay); !o.isDone()) return o;
    if (job_.overwrite) {
        if (Outcome o = removeEarlier(inTheWay); !o.isDone()) return o;
    }

    if (Outcome o = createPieces(); !o.isDone()) return o;
    if (Outcome o = fillPieces(*source); !o.isDone()) return o;
    source->close();  // read only: nothing of ours can be lost in its close

    FileInfo sourceAtEnd;
    if (Errno e = fs_.info(job_.sourcepath, sourceAtEnd))
        return stop("The split was stopped: the file to split could not be read.", job_.sourcepath, e);
    if (!unchangedSince(sourceAtStart_, sourceAtEnd))
        return stop(
            "The split was stopped: the file to split changed while it was being split, so the pieces "
            "would match no version of it. Split it again once nothing writes to it.",
            job_.sourcepath, 0);

    if (Outcome o = writeChecksums(); !o.isDone()) return o;

    // The manifest goes last, so that a folder holding one always holds a whole split.
    if (Errno e = writeManifest(fs_, manifestPath(), job_.filename, count_)) {
        wroteManifest_ = e != ELOOP;  // a link put there meanwhile is not ours to remove
        return stop("The split was stopped: the split manifest could not be written.", manifestPath(), e);
    }
    wroteManifest_ = true;
    // The names of the new files reach the disk before success is reported.
    if (Errno e = fs_.syncFolder(job_.destfolder))
        return stop("The split was stopped: the destination folder could not be written to the disk.",
                    job_.destfolder, e);
    return Outcome::done();
}

// Reads the folder once: finds the entries that bear a name of the set
// (deleted later under `overwrite`), refuses an entry that is the file to
// split itself or a link that would be written through, and checks there is
// room for the pieces.
Outcome FolderSplit::prepareFolder(std::vector<std::string>& inTheWay) {
    std::unordered_set<std::string> names{manifestName(job_.filename), checksumName(job_.filename)};
    for (std::int64_t k = 1; k <= count_; ++k) names.insert(pieceName(job_.filename, k));

    std::vector<DirEntry> entries;
    if (Errno e = fs_.list(job_.destfolder, entries))
        return Outcome::failed("The split was not started: the destination folder could not be read.",
                               job_.destfolder, e);
    std::int64_t replaced = 0;
    for (const DirEntry& entry : entries) {
        if (names.count(entry.name) == 0) continue;
        const std::string path = inFolder(entry.name);
        FileInfo info;
        if (fs_.linkInfo(path, info) != 0) continue;  // gone since the listing
        if (info.device == sourceAtStart_.device && info.inode == sourceAtStart_.inode)
            return Outcome::failed("The split was not started: " + entry.name +
                                       " in the destination folder is the file to split itself, under "
                                       "another name. Choose another folder for the pieces.",
                                   path);
        // A folder bearing a name of the set would stop the split only after
        // an agreed overwrite had removed the earlier set: refused first.
        if (entry.isDir)
            return Outcome::failed("The split was not started: " + entry.name +
                                       " in the destination folder is a folder. Choose another folder "
                                       "for the pieces.",
                                   path, EISDIR);
        if (info.isLink && !job_.overwrite)
            return Outcome::failed("The split was not started: " + entry.name +
                                       " in the destination folder is a symbolic link, and the split "
                                       "never writes through one.",
                                   path, ELOOP);
        // Only what the user agreed to overwrite is replaced; a file that came
        // since the question (after BACK and NEXT, say) stays as it is.
        if (!job_.overwrite)
            return Outcome::failed("The split was not started: " + entry.name +
                                       " is in the destination folder, and only files the overwrite "
                                       "question was answered for are replaced. Choose the folder again.",
                                   path, EEXIST);
        inTheWay.push_back(entry.name);
        if (info.isRegular) replaced += info.size;
    }

    std::int64_t available = 0;
    if (Errno e = fs_.availableSpace(job_.destfolder, available))
        return Outcome::failed(
            "The split was not started: the free space of the destination folder could not be read.",
            job_.destfolder, e);
    const std::int64_t needed = std::max<std::int64_t>(0, job_.filesize - replaced);
    if (available < needed)
        return Outcome::failed("The split was not started: there is not enough free space in " +
                                   job_.destfolder + ". The pieces need " + std::to_string(needed) +
                                   " bytes; " + std::to_string(available) + " bytes are available.",
                               job_.destfolder, ENOSPC);
    return Outcome::done();
}

// The earlier manifest goes first, and its removal reaches the disk, before
// any piece is touched: a split cut off halfway must not leave a manifest
// that announces a set whose pieces were emptied. Entries are removed
// themselves, a link never followed.
Outcome FolderSplit::removeEarlier(const std::vector<std::string>& inTheWay) {
    const std::string manifest = manifestName(job_.filename);
    const std::string checksums = checksumName(job_.filename);
    auto remove = [&](const std::string& name) {
        const std::string path = inFolder(name);
        const Errno e = fs_.removeFile(path, true);
        if (e == 0 || e == ENOENT) return Outcome::done();
        return Outcome::failed("The split was stopped: a file of the earlier split could not be deleted.",
                               path, e);
    };
    const auto has = [&](const std::string& name) {
        return std::find(inTheWay.begin(), inTheWay.end(), name) != inTheWay.end();
    };
    for (const std::string& name : {manifest, checksums}) {
        if (!has(name)) continue;
        if (Outcome o = remove(name); !o.isDone()) return o;
    }
    if (has(manifest)) {
        if (Errno e = fs_.syncFolder(job_.destfolder))
            return Outcome::failed(
                "The split was stopped: the destination folder could not be written to the disk.",
                job_.destfolder, e);
    }
    for (const std::string& name : inTheWay) {
        if (name == manifest || name == checksums) continue;
        if (Outcome o = remove(name); !o.isDone()) return o;
    }
    return Outcome::done();
}

// Every piece is created empty before any byte is copied, so that a name that
// cannot be used shows up before the long copy, and no bytes of an earlier
// file of a piece's name survive. Each is closed at once: a split of
// thousands of pieces must not run into the limit on open files.
Outcome FolderSplit::createPieces() {
    for (std::int64_t k = 1; k <= count_; ++k) {
        const std::string path = piecePath(k);
        std::unique_ptr<File> piece;
        // Exclusively: the names were free, or freed above; whatever took one
        // since is not ours to empty.
        if (Errno e = fs_.createNew(path, piece)) {
            if (e == ELOOP || e == EEXIST)
                return stop(
                    "The split was stopped: a piece's name is taken by a symbolic link, and the "
                    "split never writes through one.",
                    path, e);
            return stop("The split was stopped: a piece could not be created.", path, e);
        }
        created_ = k;
        if (Errno e = piece->close())
            return stop("The split was stopped: a piece could not be created.", path, e);
    }
    return Outcome::done();
}

// Each piece is hashed as it is copied.
Outcome FolderSplit::fillPieces(File& source) {
    ProgressTracker tracker(prompter_, job_.filesize);
    for (std::int64_t k = 1; k <= count_; ++k) {
        const std::string path = piecePath(k);
        tracker.setItem(pieceName(job_.filename, k));
        std::unique_ptr<File> piece;
        if (Errno e = fs_.openWrite(path, piece))
            return stop("The split was stopped: a piece could not be written.", path, e);
        // Pieces are not reserved before they are filled: now that every piece
        // is flushed, a reservation (whose blocks the flush must convert) made
        // a split into 1 MiB pieces a tenth slower and a split into 64 MiB
        // pieces no faster. The free space was checked before the first piece.
        const PieceSpan span = pieceSpan(job_.filesize, job_.piecesize, k);
        PieceHash hash;
        if (Errno e = copyInChunks(fs_, source, span.offset, *piece, 0, span.length, tracker, &hash)) {
            piece->close();
            if (e == ECANCELED) {
                removeCreated();
                return Outcome::cancelled();
            }
            return copyFailure(source, k, e, tracker.done());
        }
        checksums_.push_back({hash.hex(), pieceName(job_.filename, k)});
        if (Errno e = piece->close())
            return stop("The split was stopped: a piece could not be written.", path, e);
    }
    return flushPieces();
}

// The pieces reach the disk only once all of them are written: the disk
// writes one piece while the next is copied (copyInChunks starts each
// chunk's write at once), and the flushes then find little left and share
// their journal commits. Flushing each piece right after it (or one piece
// behind) was measured: a split into 1 MiB pieces took half as long again.
Outcome FolderSplit::flushPieces() {
    for (std::int64_t k = 1; k <= count_; ++k) {
        const std::string path = piecePath(k);
        std::unique_ptr<File> piece;
        Errno e = fs_.openRead(path, piece);
        if (e == 0) e = piece->sync();
        if (e) return stop("The split was stopped: a piece could not be written to the disk.", path, e);
    }
    return Outcome::done();
}

// copyRange gives one errno for the source and the piece together; where the
// errno cannot tell, the part of the source that was being copied is read
// again to see whether the source is at fault.
Outcome FolderSplit::copyFailure(File& source, std::int64_t k, Errno error, std::int64_t done) {
    const std::string shorter =
        "The split was stopped: the file to split ended before all of its pieces were written.";
    if (error == ENODATA) return stop(shorter, job_.sourcepath, error);
    if (!isWriteSideError(error)) {
        const std::int64_t end = std::min(job_.filesize, done + kProbeWindow);
        std::vector<char> buffer(kProbeBlock);
        for (std::int64_t at = done; at < end;) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(end - at, kProbeBlock));
            std::size_t got = 0;
            if (Errno e = source.readAt(at, buffer.data(), want, got))
                return stop("The split was stopped: the file to split could not be read.", job_.sourcepath,
                            e);
            if (got < want) return stop(shorter, job_.sourcepath, ENODATA);
            at += static_cast<std::int64_t>(got);
        }
    }
    return stop("The split was stopped: a piece could not be written.", piecePath(k), error);
}

// The checksums of the pieces, in piece order, as `xxhsum -H2` prints them;
// written after the pieces and before the manifest.
Outcome FolderSplit::writeChecksums() {
    std::string text;
    for (const ChecksumEntry& entry : checksums_) text += checksumLine(entry);
    const std::string path = checksumPath();
    wroteChecksums_ = true;
    std::unique_ptr<File> file;
    Errno e = fs_.create(path, file);
    if (e == 0) {
        e = file->writeAt(0, text.data(), text.size());
        if (e == 0) e = file->sync();
        const Errno closed = file->close();
        if (e == 0) e = closed;
    } else if (e == ELOOP) {
        wroteChecksums_ = false;  // a link put there meanwhile is not ours to remove
    }
    if (e) return stop("The split was stopped: the checksum file could not be written.", path, e);
    return Outcome::done();
}

// The manifest goes first, so that the folder never holds one whose pieces
// are missing.
void FolderSplit::removeCreated() {
    if (wroteManifest_) fs_.removeFile(manifestPath(), true);
    if (wroteChecksums_) fs_.removeFile(checksumPath(), true);
    for (std::int64_t k = 1; k <= created_; ++k) fs_.removeFile(piecePath(k), true);
    wroteManifest_ = wroteChecksums_ = false;
    created_ = 0;
}

}  // namespace

Outcome splitToFolder(FileSystem& fs, Prompter& prompter, const SplitJob& job) {
    return FolderSplit(fs, prompter, job).run();
}

}  // namespace brindlecut
