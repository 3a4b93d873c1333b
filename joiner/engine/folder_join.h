// The folder join: reads a split manifest, checks the destination, appends the
// pieces into the rebuilt file and removes the split set. The destination check
// and the piece append are shared with the diskette join.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/copy.h"
#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"
#include "common/texts.h"

namespace brindlecut {

struct FolderJoinJob {
    std::string manifestPath;  // as the file dialog returned it
    std::string filename;      // line 1 of the manifest
    int piececount = 0;        // line 2 of the manifest
    std::string pieceBase;     // the manifest's folder joined with filename; piece i is pieceBase + "." + i
};

// Fills `job` from the manifest at `manifestPath`; Failed (naming the file)
// when it cannot be read or is refused. On failure `job` is left unchanged.
Outcome readFolderManifest(FileSystem& fs, const std::string& manifestPath, FolderJoinJob& job);

struct Destination {
    std::string path;      // the folder joined with the file name
    bool mustAsk = false;  // a file is already there: ask kOverwriteQuestion first
};
Destination destinationFor(FileSystem& fs, const std::string& folder, const std::string& filename);

// The destination check with its dialogue: asks before overwriting; on No
// tells kChooseAnother and returns false.
bool checkDestination(FileSystem& fs, Prompter& prompter, const std::string& folder,
                      const std::string& filename, std::string& destinationPath);

// What both joins check before writing anything: a destination folder was
// chosen, the destination check passed (Cancelled after No), and no folder
// stands at the destination's name. Done with `destinationPath` set.
Outcome prepareDestination(FileSystem& fs, Prompter& prompter, const std::string& destFolder,
                           const std::string& filename, std::string& destinationPath);

// Appends the whole piece at `piecePath` to `destination` at `offset`, which
// then points past it. Errors carry the errno (ECANCELED when the user
// cancelled the progress); `failedPath` names the piece, or is left empty when
// the fault lay in writing the destination.
Errno appendPiece(FileSystem& fs, const std::string& piecePath, File& destination, std::int64_t& offset,
                  ProgressTracker& tracker, std::string& failedPath);

// A temporary file name in `folder` for the rebuilt file, unused at the moment.
std::string temporaryPathFor(FileSystem& fs, const std::string& destinationPath);

// The rebuilt file while it is written: a hidden temporary file beside the
// destination that replaces it only once complete, so that a failure or a
// cancel never leaves a partial file behind nor harms an earlier file of that
// name. Removed when dropped before commit(). Shared by both joins.
class RebuiltFile {
public:
    RebuiltFile(FileSystem& fs, std::string destinationPath)
        : fs_(fs), destinationPath_(std::move(destinationPath)) {}
    ~RebuiltFile() { discard(); }
    RebuiltFile(const RebuiltFile&) = delete;
    RebuiltFile& operator=(const RebuiltFile&) = delete;

    // Creates the temporary file.
    Errno open();
    File& file() { return *file_; }
    const std::string& temporaryPath() const { return temporaryPath_; }
    // Closes the temporary file and renames it onto the destination; on a
    // failure the temporary file is removed.
    Errno commit();
    // Closes and removes the temporary file, if there is one.
    void discard();

private:
    FileSystem& fs_;
    std::string destinationPath_;
    std::string temporaryPath_;
    std::unique_ptr<File> file_;
    bool pending_ = false;
};

// The whole folder join after the user pressed ACCEPT with `destFolder` open.
// Cancelled when the overwrite question was answered No (kChooseAnother has
// then been shown) or the progress was cancelled; Failed with the file and
// reason; Done when the file is rebuilt, with a notice naming any file of the
// split set that could not be deleted.
Outcome joinFromFolder(FileSystem& fs, Prompter& prompter, const FolderJoinJob& job,
                       const std::string& destFolder);

}  // namespace brindlecut
