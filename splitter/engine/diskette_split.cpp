#include "splitter/engine/diskette_split.h"

#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#include "common/contract.h"
#include "common/copy.h"
#include "common/disk_errors.h"

namespace brindlecut {

namespace {

constexpr const char* kJoiner = "join.exe";
constexpr const char* kHelpFile = "help.txt";

std::string diskPrompt(int k, int n) {
    // The last prompt's first literal ends in a blank of its own, so it shows two after "#".
    const std::string head = k < n ? "Please insert disk #" : "Please insert disk # ";
    return head + " " + std::to_string(k) + " and click OK.  EXISTING DATA WILL BE ERASED IF NEED BE!!";
}

std::string recoveryText(Errno error) {
    switch (errorClass(error)) {
        case kWriteProtected:
            return kWriteProtectedQuestion;
        case kNotReady:
            return kInsertDiskQuestion;
        default:
            return kUnknownDiskQuestion;
    }
}

// 1474560 -> "1,474,560"
std::string groupedDigits(std::int64_t value) {
    const std::string digits = std::to_string(value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const std::size_t left = digits.size() - i;
        if (i > 0 && digits[i - 1] != '-' && left % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Names the drive by its mount path and free space: on today's machines drive
// A: may be a USB disk holding other data, and only the user can tell.
std::string eraseQuestion(const std::string& root, std::int64_t available, std::int64_t needed) {
    return "Drive A: (" + root + ", " + groupedDigits(available) +
           " bytes free) is to be erased to make room for the next piece (" + groupedDigits(needed) +
           " bytes). Erase everything on it?";
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Something already gone is what a delete is for.
Errno deleted(Errno error) { return error == ENOENT ? 0 : error; }

Errno writeWhole(FileSystem& fs, const std::string& path, const std::string& bytes) {
    std::unique_ptr<File> file;
    if (Errno e = fs.create(path, file)) return e;
    const Errno written = file->writeAt(0, bytes.data(), bytes.size());
    const Errno closed = file->close();
    return written ? written : closed;
}

// One diskette split from the first prompt to the last piece. Every single
// operation on a disk goes through retry(), which puts the failure to the user
// and, on OK, tries the same operation again; false means the user ended the
// split there.
class DisketteWriter {
public:
    DisketteWriter(FileSystem& fs, Prompter& prompter, const SplitJob& job, std::string splitterFolder)
        : fs_(fs), prompter_(prompter), job_(job), splitterFolder_(std::move(splitterFolder)) {}

    Outcome run() {
        // A name that is no plain file name would put pieces outside the root of A:.
        if (job_.piececount < 1 || job_.piecesize <= 0 || !isSafeFileName(job_.filename) ||
            pieceCount(job_.filesize, job_.piecesize) != job_.piececount)
            return Outcome::failed("The split plan does not fit the file to split.", job_.sourcepath);
        if (Errno e = fs_.openRead(job_.sourcepath, source_))
            return Outcome::failed("The file to split could not be opened.", job_.sourcepath, e);
        std::int64_t size = 0;
        if (Errno e = source_->size(size))
            return Outcome::failed("The file to split could not be read.", job_.sourcepath, e);
        // Pieces cut from a file that has grown or shrunk since the plan would not rebuild it.
        if (size != job_.filesize)
            return Outcome::failed("The file to split has changed since it was chosen.", job_.sourcepath);
        sourceKnown_ = fs_.info(job_.sourcepath, sourceInfo_) == 0;

        for (int k = 1; k <= job_.piececount; ++k) {
            if (!disk(k)) {
                source_->close();
                return Outcome::cancelled();
            }
        }
        source_->close();
        return Outcome::done();
    }

private:
    template <class Operation>
    bool retry(Operation&& operation) {
        for (;;) {
            const Errno e = operation();
            if (e == 0) return true;
            if (e == ECANCELED) return false;  // the user cancelled the progress
            if (!prompter_.askOkCancel(recoveryText(e))) return false;
        }
    }

    // An operation on the disk in drive A:. The drive is looked up each time,
    // so that a disk changed while a question was shown is the one written.
    template <class Operation>
    bool onDriveA(Operation&& operation) {
        return retry([&]() -> Errno {
            std::string root;
            if (Errno e = fs_.driveA(root)) return e;
            return operation(root);
        });
    }

    bool disk(int k) {
        if (!prompter_.askOkCancel(diskPrompt(k, job_.piececount))) return false;
        // The disk must be in before the drive list is read: a removable disk
        // that is not mounted is not in the list at all.
        if (!onDriveA([](const std::string&) { return 0; })) return false;
        std::vector<Drive> drives;
        if (!retry([&] { return fs_.drives(drives); })) return false;
        for (const Drive& drive : drives) {
            if (drive.kind != DriveKind::Removable) continue;
            if (drive.available < job_.piecesize && !erase(drives, drive)) return false;
            if (!sweep(k)) return false;
            if (k == 1 && !addExtras()) return false;
        }
        return writePiece(k);
    }

    // Empties the root of drive A: once the user has agreed, folders first.
    bool erase(const std::vector<Drive>& drives, const Drive& shortDrive) {
        std::string root;
        std::vector<DirEntry> entries;
        if (!onDriveA([&](const std::string& r) {
                root = r;
                return fs_.list(r, entries);
            }))
            return false;
        if (entries.empty()) return true;
        std::int64_t available = shortDrive.available;
        for (const Drive& drive : drives)
            if (drive.root == root) available = drive.available;
        if (!prompter_.askYesNo(eraseQuestion(root, available, job_.piecesize))) return false;

        for (const DirEntry& entry : entries) {
            if (!entry.isDir) continue;
            if (!onDriveA([&](const std::string& r) {
                    const std::string path = pathInFolder(r, entry.name);
                    Errno e = fs_.removeFolder(path, false);
                    // A link to a folder goes as a file does.
                    if (e == ENOTDIR) e = fs_.removeFile(path, false);
                    return deleted(e);
                }))
                return false;
        }
        for (const DirEntry& entry : entries) {
            if (entry.isDir) continue;
            if (!onDriveA([&](const std::string& r) {
                    return deleted(fs_.removeFile(pathInFolder(r, entry.name), false));
                }))
                return false;
        }
        return true;
    }

    // Removes an earlier copy of this piece and every manifest, so that the
    // joiner finds exactly one ".vek" file on the set.
    bool sweep(int k) {
        const std::string piece = pieceName(job_.filename, k);
        std::vector<DirEntry> entries;
        if (!onDriveA([&](const std::string& r) { return fs_.list(r, entries); })) return false;
        for (const DirEntry& entry : entries) {
            if (entry.isDir || (entry.name != piece && !endsWith(entry.name, ".vek"))) continue;
            if (isSource(entry.name)) continue;
            if (!onDriveA([&](const std::string& r) {
                    return deleted(fs_.removeFile(pathInFolder(r, entry.name), true));
                }))
                return false;
        }
        return true;
    }

    // Whether `name` in the root of drive A: is the file being split: a source
    // on the disk whose name ends in ".vek" must not go to the sweep unasked.
    bool isSource(const std::string& name) {
        std::string root;
        FileInfo info;
        return sourceKnown_ && fs_.driveA(root) == 0 && fs_.info(pathInFolder(root, name), info) == 0 &&
               info.device == sourceInfo_.device && info.inode == sourceInfo_.inode;
    }

    bool addExtras() {
        const std::string joiner = pathInFolder(splitterFolder_, kJoiner);
        return onDriveA(
                   [&](const std::string& r) { return fs_.copyFile(joiner, pathInFolder(r, kJoiner)); }) &&
               onDriveA([&](const std::string& r) {
                   return writeManifest(fs_, pathInFolder(r, manifestName(job_.filename)), job_.filename,
                                        job_.piececount);
               }) &&
               onDriveA([&](const std::string& r) {
                   return writeWhole(fs_, pathInFolder(r, kHelpFile), helpText());
               });
    }

    bool writePiece(int k) {
        const PieceSpan span = pieceSpan(job_.filesize, job_.piecesize, k);
        const std::string name = pieceName(job_.filename, k);
        for (;;) {
            std::unique_ptr<File> piece;
            std::string path;
            if (!onDriveA([&](const std::string& r) {
                    path = pathInFolder(r, name);
                    return fs_.create(path, piece);
                }))
                return false;
            const bool copied = retry([&] {
                ProgressTracker tracker(prompter_, span.length);
                tracker.setItem(name);
                return copyInChunks(fs_, *source_, span.offset, *piece, 0, span.length, tracker);
            });
            if (!copied) {
                abandon(std::move(piece), path);
                return false;
            }
            const Errno closed = piece->close();
            if (closed == 0) return true;
            // The descriptor is released whatever close reported, so trying
            // again means writing the piece anew.
            if (!prompter_.askOkCancel(recoveryText(closed))) {
                abandon(nullptr, path);
                return false;
            }
        }
    }

    // A piece cut short would make a set that joins without complaint into a
    // wrong file; it goes when the split ends in the middle of it.
    void abandon(std::unique_ptr<File> piece, const std::string& path) {
        if (piece) piece->close();
        fs_.removeFile(path, true);
    }

    FileSystem& fs_;
    Prompter& prompter_;
    const SplitJob& job_;
    const std::string splitterFolder_;
    std::unique_ptr<File> source_;
    FileInfo sourceInfo_;
    bool sourceKnown_ = false;
};

}  // namespace

std::string helpText() {
    return "BRINDLECUT\r\n"
           "\r\n"
           "HELP FILE\r\n"
           " To join the files ,the destination machine should have either\r\n"
           " Brindlecut or VB6 installed. \r\n"
           " If so ,run join.exe to join the files\r\n";
}

Outcome splitToDiskettes(FileSystem& fs, Prompter& prompter, const SplitJob& job,
                         const std::string& splitterFolder) {
    return DisketteWriter(fs, prompter, job, splitterFolder).run();
}

}  // namespace brindlecut
