// The folder join: reads a split manifest, checks the destination, appends the
// pieces into the rebuilt file, verifying them against the set's checksum
// file when there is one, and removes the split set.
#pragma once

#include <string>

#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"
#include "joiner/engine/join_steps.h"
#include "joiner/engine/rebuilt_file.h"

namespace brindlecut {

struct FolderJoinJob {
    std::string manifestPath;  // as the file dialog returned it
    std::string filename;      // line 1 of the manifest
    int piececount = 0;        // line 2 of the manifest
    std::string folder;        // the manifest's folder, which holds the pieces ("./" for a bare name)
};

// Fills `job` from the manifest at `manifestPath`; Failed (naming the file)
// when it cannot be read or is refused. On failure `job` is left unchanged.
Outcome readFolderManifest(FileSystem& fs, const std::string& manifestPath, FolderJoinJob& job);

// The whole folder join after the user pressed ACCEPT with `destFolder` open.
// Cancelled when the overwrite question was answered No (kChooseAnother has
// then been shown) or the progress was cancelled; Failed with the file and
// reason, before anything is written when the set breaks the size rule or
// its checksum file cannot be trusted, and with nothing changed when a piece
// does not match its hash; Done when the file is rebuilt and on the disk,
// with a notice naming any file of the split set that could not be deleted.
Outcome joinFromFolder(FileSystem& fs, Prompter& prompter, const FolderJoinJob& job,
                       const std::string& destFolder);

}  // namespace brindlecut
