// The directory split writer: cuts the source into numbered pieces in a folder
// and writes the split manifest beside them, last.
#pragma once

#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"
#include "splitter/engine/split_job.h"

namespace brindlecut {

// Reads sourcepath, filename, filesize, destfolder, overwrite, piecesize and
// piececount. Done after a complete split whose pieces, checksum file
// (`checksumName(filename)`) and manifest, and the folder's entries, are on
// stable storage (the window then says so). Failed with the file and the
// system's reason otherwise (a failed flush included, and a source that
// changed while it was being split), in which case the pieces this run created
// and its checksum file are gone and no manifest is left; Cancelled when the
// user cancelled the progress, with the same clean-up. Under `overwrite` the
// entries that bear a name of the set are removed themselves (a link is never
// followed), the earlier manifest first; without it a link bearing such a
// name refuses the split. Progress goes to `prompter`; no other box is shown.
Outcome splitToFolder(FileSystem& fs, Prompter& prompter, const SplitJob& job);

}  // namespace brindlecut
