#include "splitter/engine/directory_split.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "common/contract.h"
#include "common/copy.h"

namespace brindlecut {

namespace {

// How far back from the last reported position a failed copy is re-read to
// find out whether the source was at fault; covers one chunk of copyInChunks.
constexpr std::int64_t kProbeWindow = 16 * 1024 * 1024;
constexpr std::size_t kProbeBlock = 64 * 1024;

// Passes everything on to the user's Prompter and keeps the last position
// reported, which is where the copy that failed had started.
class WatchedPrompter final : public Prompter {
public:
    explicit WatchedPrompter(Prompter& inner) : inner_(inner) {}

    void tell(const std::string& text) override { inner_.tell(text); }
    bool askOkCancel(const std::string& text) override { return inner_.askOkCancel(text); }
    bool askYesNo(const std::string& text) override { return inner_.askYesNo(text); }
    bool progress(const std::string& item, std::int64_t done, std::int64_t total) override {
        done_ = done;
        return inner_.progress(item, done, total);
    }
    void progressEnd() override { inner_.progressEnd(); }

    std::int64_t done() const { return done_; }

private:
    Prompter& inner_;
    std::int64_t done_ = 0;
};

// Errors that only the side being written can give.
bool isWriteError(Errno e) {
    switch (e) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
        case EROFS:
        case EACCES:
        case EPERM:
        case ETXTBSY:
            return true;
        default:
            return false;
    }
}

// The piece number k when `name` is exactly the name of piece k of
// `filename`, otherwise 0.
std::int64_t pieceNumberOf(const std::string& name, const std::string& filename) {
    const std::string prefix = filename + ".";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 5 || digits[0] == '0') return 0;
    std::int64_t k = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        k = k * 10 + (c - '0');
    }
    return k;
}

class FolderSplit {
public:
    FolderSplit(FileSystem& fs, Prompter& prompter, const SplitJob& job)
        : fs_(fs), prompter_(prompter), job_(job), count_(job.piececount) {}

    Outcome run();

private:
    std::string piecePath(std::int64_t k) const {
        return pathInFolder(job_.destfolder, pieceName(job_.filename, k));
    }
    // Ends a run that has begun to change the folder: the pieces made so far go.
    Outcome stop(std::string message, const std::string& path, Errno error) {
        removeCreated();
        return Outcome::failed(std::move(message), path, error);
    }
    void removeCreated();
    Outcome prepareFolder(std::vector<std::string>& inTheWay);
    Outcome createPieces();
    Outcome fillPieces(File& source);
    Outcome copyFailure(File& source, std::int64_t k, Errno error, std::int64_t done);

    FileSystem& fs_;
    Prompter& prompter_;
    const SplitJob& job_;
    const std::int64_t count_;
    // Pieces 1 ... created_ were created or emptied by this run.
    std::int64_t created_ = 0;
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
    if (actual != job_.filesize)
        return Outcome::failed(
            "The split was not started: the file to split has changed size since it was chosen.",
            job_.sourcepath);

    std::vector<std::string> inTheWay;
    if (Outcome o = prepareFolder(inTheWay); !o.isDone()) return o;

    if (job_.overwrite) {
        for (const std::string& name : inTheWay) {
            const std::string path = pathInFolder(job_.destfolder, name);
            if (Errno e = fs_.removeFile(path, true))
                return Outcome::failed(
                    "The split was stopped: a piece of the earlier split could not be deleted.", path, e);
        }
    }

    if (Outcome o = createPieces(); !o.isDone()) return o;
    if (Outcome o = fillPieces(*source); !o.isDone()) return o;
    source->close();  // read only: nothing of ours can be lost in its close

    // The manifest goes last, so that a folder holding one always holds a whole split.
    const std::string manifestPath = pathInFolder(job_.destfolder, manifestName(job_.filename));
    if (Errno e = writeManifest(fs_, manifestPath, job_.filename, count_)) {
        fs_.removeFile(manifestPath, false);
        return stop("The split was stopped: the split manifest could not be written.", manifestPath, e);
    }
    return Outcome::done();
}

// Reads the folder once: finds the files that bear a piece's name (deleted
// later under `overwrite`) and checks there is room for the pieces.
Outcome FolderSplit::prepareFolder(std::vector<std::string>& inTheWay) {
    std::vector<DirEntry> entries;
    if (Errno e = fs_.list(job_.destfolder, entries))
        return Outcome::failed("The split was not started: the destination folder could not be read.",
                               job_.destfolder, e);
    std::int64_t replaced = 0;
    for (const DirEntry& entry : entries) {
        const std::int64_t k = pieceNumberOf(entry.name, job_.filename);
        if (k < 1 || k > count_ || entry.isDir) continue;
        inTheWay.push_back(entry.name);
        FileInfo info;
        if (fs_.info(pathInFolder(job_.destfolder, entry.name), info) == 0 && info.isRegular)
            replaced += info.size;
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

// Every piece is created empty before any byte is copied, so that a name that
// cannot be used shows up before the long copy, and no bytes of an earlier
// file of a piece's name survive. Each is closed at once: a split of
// thousands of pieces must not run into the limit on open files.
Outcome FolderSplit::createPieces() {
    for (std::int64_t k = 1; k <= count_; ++k) {
        const std::string path = piecePath(k);
        std::unique_ptr<File> piece;
        if (Errno e = fs_.create(path, piece))
            return stop("The split was stopped: a piece could not be created.", path, e);
        created_ = k;
        if (Errno e = piece->close())
            return stop("The split was stopped: a piece could not be created.", path, e);
    }
    return Outcome::done();
}

Outcome FolderSplit::fillPieces(File& source) {
    WatchedPrompter watched(prompter_);
    ProgressTracker tracker(watched, job_.filesize);
    for (std::int64_t k = 1; k <= count_; ++k) {
        const std::string path = piecePath(k);
        tracker.setItem(pieceName(job_.filename, k));
        std::unique_ptr<File> piece;
        if (Errno e = fs_.openWrite(path, piece))
            return stop("The split was stopped: a piece could not be written.", path, e);
        const PieceSpan span = pieceSpan(job_.filesize, job_.piecesize, k);
        if (Errno e = fs_.reserve(*piece, span.length)) {
            piece->close();
            return stop("The split was stopped: a piece could not be written.", path, e);
        }
        if (Errno e = copyInChunks(fs_, source, span.offset, *piece, 0, span.length, tracker)) {
            piece->close();
            if (e == ECANCELED) {
                removeCreated();
                return Outcome::cancelled();
            }
            return copyFailure(source, k, e, watched.done());
        }
        if (Errno e = piece->close())
            return stop("The split was stopped: a piece could not be written.", path, e);
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
    if (!isWriteError(error)) {
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

void FolderSplit::removeCreated() {
    for (std::int64_t k = 1; k <= created_; ++k) fs_.removeFile(piecePath(k), true);
    created_ = 0;
}

}  // namespace

Outcome splitToFolder(FileSystem& fs, Prompter& prompter, const SplitJob& job) {
    return FolderSplit(fs, prompter, job).run();
}

}  // namespace brindlecut
