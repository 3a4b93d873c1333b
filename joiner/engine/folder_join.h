// The folder join: reads a split manifest, checks the destination, appends the
// pieces into the rebuilt file and removes the split set. The destination check
// and the piece append are shared with the diskette join.
#pragma once

#include <cstdint>
#include <string>

#include "common/copy.h"
#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"

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

inline constexpr const char* kOverwriteQuestion = " The file already exists.Would you want to overwrite it";
inline constexpr const char* kChooseAnother = "Choose a different directory";

struct Destination {
    std::string path;         // the folder joined with the file name
    bool mustAsk = false;     // a file is already there: ask kOverwriteQuestion first
};
Destination destinationFor(FileSystem& fs, const std::string& folder, const std::string& filename);

// The destination check with its dialogue: asks before overwriting; on No
// tells kChooseAnother and returns false.
bool checkDestination(FileSystem& fs, Prompter& prompter, const std::string& folder,
                      const std::string& filename, std::string& destinationPath);

// Appends the whole piece at `piecePath` to `destination` at `offset`, which
// then points past it. Errors carry the errno; `failedPath` names the file.
Errno appendPiece(FileSystem& fs, const std::string& piecePath, File& destination, std::int64_t& offset,
                  ProgressTracker& tracker, std::string& failedPath);

// A temporary file name in `folder` for the rebuilt file, unused at the moment.
std::string temporaryPathFor(FileSystem& fs, const std::string& destinationPath);

// The whole folder join after the user pressed ACCEPT with `destFolder` open.
// Cancelled when the overwrite question was answered No (kChooseAnother has
// then been shown) or the progress was cancelled; Failed with the file and
// reason; Done when the file is rebuilt, with a notice naming any file of the
// split set that could not be deleted.
Outcome joinFromFolder(FileSystem& fs, Prompter& prompter, const FolderJoinJob& job,
                       const std::string& destFolder);

}  // namespace brindlecut
