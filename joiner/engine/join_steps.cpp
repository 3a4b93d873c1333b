#include "joiner/engine/join_steps.h"

#include <memory>

#include "common/contract.h"

namespace brindlecut {

namespace {}  // namespace

Outcome failure(const char* message, const std::string& path, Errno error) {
    Outcome outcome;
    outcome.kind = Outcome::Kind::Failed;
    outcome.message = message;
    outcome.path = path;
    outcome.error = error;
    return outcome;
}

Outcome stopped() {
    Outcome outcome;
    outcome.kind = Outcome::Kind::Cancelled;
    return outcome;
}

Outcome finished() { return {}; }

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

Outcome prepareDestination(FileSystem& fs, Prompter& prompter, const std::string& destFolder,
                           const std::string& filename, int count, std::string& destinationPath) {
    if (!isSafeFileName(filename) || count < 1 || count > kMaxPieces)
        return failure("No split manifest has been read.");
    // An empty folder path would put the rebuilt file at the root of the file system.
    if (destFolder.empty()) return failure("No destination folder has been chosen.");
    if (!checkDestination(fs, prompter, destFolder, filename, destinationPath)) return stopped();
    FileInfo info;
    if (fs.info(destinationPath, info) == 0 && info.isDir)
        return failure("A folder of that name is in the destination folder.", destinationPath, EISDIR);
    // Neither counted against the free space nor in the way of the temporary name.
    removeLeftoverOf(fs, destinationPath);
    return finished();
}

const char* pieceSizeFault(int number, int count, std::int64_t size, std::int64_t fullSize) {
    // The splitter never writes an empty piece; one that is empty belongs
    // to a split that was cut off, and would rebuild a wrong file.
    if (size == 0) return "A piece of the split file is empty.";
    if (number < count ? size != fullSize : size > fullSize)
        return "A piece of the split file has the wrong size.";
    return nullptr;
}

Outcome refusedChecksumFile(const std::string& path, Errno error) {
    return failure(
        "The checksum file cannot be read or does not list the set's pieces. Remove it to join without "
        "verification.",
        path, error);
}

Errno appendPiece(FileSystem& fs, const std::string& piecePath, File& destination, std::int64_t& offset,
                  ProgressTracker& tracker, std::string& failedPath, const std::string& expectedHash) {
    failedPath = piecePath;
    std::unique_ptr<File> piece;
    if (Errno e = fs.openRead(piecePath, piece)) return e;
    std::int64_t length = 0;
    if (Errno e = piece->size(length)) return e;
    tracker.setItem(baseName(piecePath));
    PieceHash hash;
    Errno e = copyInChunks(fs, *piece, 0, destination, offset, length, tracker,
                           expectedHash.empty() ? nullptr : &hash);
    piece->close();  // nothing was written to it, so its close has nothing to report
    if (e == 0 && !expectedHash.empty() && hash.hex() != expectedHash) return kPieceDamaged;
    if (e == 0) offset += length;
    if (e == 0 || isWriteSideError(e)) failedPath.clear();
    return e;
}

Outcome startRebuilt(RebuiltFile& rebuilt, const std::string& destination) {
    const Errno e = rebuilt.open();
    return e ? failure("The rebuilt file could not be created.", destination, e) : finished();
}

Outcome appendFailure(Errno e, const std::string& failedPath, const std::string& destination) {
    if (e == ECANCELED) return stopped();
    return failedPath.empty() ? failure(kNotWritten, destination, e)
                              : failure("A piece could not be read.", failedPath, e);
}

Outcome placeRebuilt(RebuiltFile& rebuilt, const std::string& destination) {
    const Errno e = rebuilt.commit();
    if (e == 0) return finished();
    if (!rebuilt.placed()) return failure(kNotWritten, destination, e);
    return failure("The folder could not be flushed, so the split set was kept.", destination, e);
}

}  // namespace brindlecut
