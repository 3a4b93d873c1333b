// The directory split writer: cuts the source into numbered pieces in a folder
// and writes the split manifest beside them, last.
#pragma once

#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"
#include "splitter/engine/split_job.h"

namespace brindlecut {

// Reads sourcepath, filename, filesize, destfolder, overwrite, piecesize and
// piececount. Done after a complete split (the window then says so); Failed
// with the file and the system's reason otherwise, in which case the pieces
// this run created are gone and no manifest was written; Cancelled when the
// user cancelled the progress, with the same clean-up. Progress goes to
// `prompter`; no other box is shown.
Outcome splitToFolder(FileSystem& fs, Prompter& prompter, const SplitJob& job);

}  // namespace brindlecut
