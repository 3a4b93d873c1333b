#include "splitter/engine/diskette_split.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#include "common/checksum.h"
#include "common/contract.h"
#include "common/copy.h"
#include "common/disk_errors.h"
#include "common/drive_a.h"

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

// Something already gone is what a delete is for.
Errno deleted(Errno error) { return error == ENOENT ? 0 : error; }

// Creates (or empties) the file, never through a link, writes `bytes` and
// flushes them before closing.
Errno writeWhole(FileSystem& fs, const std::string& path, const std::string& bytes) {
    std::unique_ptr<File> file;
    if (Errno e = fs.create(path, file)) return e;
    Errno e = file->writeAt(0, bytes.data(), bytes.size());
    if (e == 0) e = file->sync();
    const Errno closed = file->close();
    return e ? e : closed;
}

// One diskette split from the first prompt to the last piece. Every single
// operation on a disk goes through retry(), which puts the failure to the user
// and, on OK, tries the same operation again; false means the user ended the
// split there, or (with changed_ set) that the disk was taken out or replaced,
// and the current disk's prompt is shown again.
class DisketteWriter {
public:
    DisketteWriter(FileSystem& fs, Prompter& prompter, const SplitJob& job, std::string splitterFolder)
        : fs_(fs), prompter_(prompter), job_(job), splitterFolder_(std::move(splitterFolder)), drive_(fs) {}

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
            // Checked after every disk, so that a file written to meanwhile
            // stops the split before the user feeds it more disks.
            if (sourceChanged()) {
                source_->close();
                return Outcome::failed(
                    "The file to split changed while it was being split, so the disks written so far match "
                    "no version of it. Split it again once nothing writes to it.",
                    job_.sourcepath);
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
            if (e == kDiskChanged) {
                changed_ = true;
                return false;
            }
            if (!prompter_.askOkCancel(recoveryText(e))) return false;
        }
    }

    // An operation on the disk the user answered the prompt for, and on no
    // other: a second stick plugged in meanwhile is never touched.
    template <class Operation>
    bool onDisk(Operation&& operation) {
        return retry([&]() -> Errno {
            std::string root;
            if (Errno e = drive_.root(root)) return e;
            return operation(root);
        });
    }

    // Asks for disk k and fills it; asks again while the disk is taken out or
    // replaced before it is done.
    bool disk(int k) {
        for (;;) {
            changed_ = false;
            drive_.release();
            if (!prompter_.askOkCancel(diskPrompt(k, job_.piececount))) return false;
            // A disk that is not in the drive, or not mounted, cannot be pinned.
            if (retry([&] { return drive_.pin(); }) && fill(k)) return true;
            if (!changed_) return false;
        }
    }

    bool fill(int k) {
        std::vector<Drive> drives;
        if (!retry([&] { return fs_.drives(drives); })) return false;
        std::string root;
        if (!onDisk([&](const std::string& r) {
                root = r;
                return 0;
            }))
            return false;
        // The erase and the sweep act on the pinned disk alone, and only
        // when it is a removable drive; its own free space decides the erase.
        const auto listed = std::find_if(drives.begin(), drives.end(), [&](const Drive& d) {
            return d.kind == DriveKind::Removable && d.root == root;
        });
        const bool removable = listed != drives.end();
        if (removable) {
            if (listed->available < job_.piecesize && !erase(k, listed->available)) return false;
            if (!sweep(k)) return false;
        }
        // A flush that fails may have lost any of the disk's new files, so
        // OK writes them all again before the next flush.
        for (;;) {
            if (k == 1 && removable && !addExtras()) return false;
            if (!writePiece(k)) return false;
            // The flush, on the pinned disk: a disk taken out before it asks for the disk again.
            Errno flushed = 0;
            if (!onDisk([&](const std::string& r) {
                    flushed = fs_.syncVolume(r);
                    return 0;
                }))
                return false;
            if (flushed == 0) return true;
            if (!prompter_.askOkCancel(recoveryText(flushed))) return false;
        }
    }

    // Empties the root of the disk once the user has agreed, folders first.
    bool erase(int k, std::int64_t available) {
        std::string root;
        std::vector<DirEntry> entries;
        if (!onDisk([&](const std::string& r) {
                root = r;
                return fs_.list(r, entries);
            }))
            return false;
        if (entries.empty()) return true;
        // The room this disk's piece actually takes: the last one is shorter.
        const std::int64_t needed = pieceSpan(job_.filesize, job_.piecesize, k).length;
        if (!prompter_.askYesNo(eraseQuestion(root, available, needed))) return false;

        for (const DirEntry& entry : entries) {
            if (!entry.isDir) continue;
            if (!onDisk([&](const std::string& r) {
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
            if (!onDisk([&](const std::string& r) {
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
        std::string root;
        if (!onDisk([&](const std::string& r) {
                root = r;
                return fs_.list(r, entries);
            }))
            return false;
        for (const DirEntry& entry : entries) {
            if (entry.isDir || (entry.name != piece && !entry.name.ends_with(".vek"))) continue;
            if (isSource(pathInFolder(root, entry.name))) continue;
            if (!onDisk([&](const std::string& r) {
                    return deleted(fs_.removeFile(pathInFolder(r, entry.name), true));
                }))
                return false;
        }
        return true;
    }

    bool sourceChanged() {
        FileInfo now;
        return sourceKnown_ && (fs_.info(job_.sourcepath, now) != 0 || !unchangedSince(sourceInfo_, now));
    }

    // Whether `path` on the disk is the file being split: a source on the
    // disk whose name ends in ".vek" must not go to the sweep unasked.
    bool isSource(const std::string& path) {
        FileInfo info;
        return sourceKnown_ && fs_.info(path, info) == 0 && info.device == sourceInfo_.device &&
               info.inode == sourceInfo_.inode;
    }

    bool addExtras() {
        const std::string joiner = pathInFolder(splitterFolder_, kJoiner);
        return onDisk([&](const std::string& r) { return fs_.copyFile(joiner, pathInFolder(r, kJoiner)); }) &&
               onDisk([&](const std::string& r) {
                   return writeManifest(fs_, pathInFolder(r, manifestName(job_.filename)), job_.filename,
                                        job_.piececount);
               }) &&
               onDisk([&](const std::string& r) {
                   return writeWhole(fs_, pathInFolder(r, kHelpFile), helpText());
               });
    }

    // Writes piece k, hashed as it is copied and flushed before it is
    // closed, then the checksum file that lists it.
    bool writePiece(int k) {
        const PieceSpan span = pieceSpan(job_.filesize, job_.piecesize, k);
        const std::string name = pieceName(job_.filename, k);
        std::string hex;
        for (;;) {
            std::unique_ptr<File> piece;
            std::string path;
            if (!onDisk([&](const std::string& r) {
                    path = pathInFolder(r, name);
                    return fs_.create(path, piece);
                }))
                return false;
            std::unique_ptr<PieceHash> hash;
            // A disk swapped at a question about the copy is asked for again.
            const bool copied = onDisk([&](const std::string&) {
                hash = std::make_unique<PieceHash>();
                ProgressTracker tracker(prompter_, span.length);
                tracker.setItem(name);
                return copyInChunks(fs_, *source_, span.offset, *piece, 0, span.length, tracker, hash.get());
            });
            if (!copied) {
                abandon(std::move(piece), path);
                return false;
            }
            // A failed flush may have dropped the bytes it could not write,
            // and the descriptor is released whatever close reported: either
            // way trying again means writing the piece anew.
            Errno e = piece->sync();
            const Errno closed = piece->close();
            if (e == 0) e = closed;
            if (e == 0) {
                hex = hash->hex();
                break;
            }
            if (!prompter_.askOkCancel(recoveryText(e))) {
                abandon(nullptr, path);
                return false;
            }
        }
        const std::string line = checksumLine({hex, name});
        return onDisk([&](const std::string& r) {
            return writeWhole(fs_, pathInFolder(r, checksumName(job_.filename)), line);
        });
    }

    // A piece cut short would make a set that joins without complaint into a
    // wrong file; it goes when the split ends in the middle of it, unless
    // the disk it was on has gone meanwhile.
    void abandon(std::unique_ptr<File> piece, const std::string& path) {
        if (piece) piece->close();
        std::string root;
        if (drive_.root(root) == 0) fs_.removeFile(path, true);
    }

    FileSystem& fs_;
    Prompter& prompter_;
    const SplitJob& job_;
    const std::string splitterFolder_;
    PinnedDriveA drive_;
    bool changed_ = false;
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
