// The diskette join: finds the manifest on disk #1 in drive A: and rebuilds the
// file disk by disk, asking for each disk in turn.
#pragma once

#include <string>

#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"

namespace brindlecut {

struct DisketteJoinJob {
    std::string manifestName;  // the one file in the root of A: whose name ends in ".vek"
    std::string filename;      // line 1 of the manifest
    int piececount = 0;        // line 2 of the manifest
};

// The whole dialogue of FLOPPY DISKETTE, from "Insert diskette #1 and click ok"
// on; after that prompt and after each OK only the disk then in the drive is
// read. Done with `job` filled; Cancelled after a Cancel (job unchanged); Failed
// when the manifest is refused (the outcome names it).
Outcome readDisketteManifest(FileSystem& fs, Prompter& prompter, DisketteJoinJob& job);

// The whole diskette join into `destFolder`. Each disk is taken as the user
// answered its prompt (drive A: pinned until the next one); its piece must
// keep the size rule of a set and, where the disk holds a checksum file that
// lists it, match its hash. Done when the file is rebuilt (the window then
// says "files have been joined successfully"); Cancelled after a No at the
// overwrite question or a Cancel; Failed with the path and reason: an access
// error reading a disk (class 75) is exactly
// "Unrecoverable Error in this disk.SORRY!!" with no path, so text() is that
// alone, while a fault of the destination folder names the rebuilt file.
Outcome joinFromDiskettes(FileSystem& fs, Prompter& prompter, const DisketteJoinJob& job,
                          const std::string& destFolder);

}  // namespace brindlecut
