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
// on. Done with `job` filled; Cancelled after a Cancel (job unchanged); Failed
// when the manifest is refused (the outcome names it).
Outcome readDisketteManifest(FileSystem& fs, Prompter& prompter, DisketteJoinJob& job);

// The whole diskette join into `destFolder`. Done when the file is rebuilt (the
// window then says "files have been joined successfully"); Cancelled after a
// No at the overwrite question or a Cancel; Failed with the path and reason
// (for an access error, class 75, the outcome is exactly
// "Unrecoverable Error in this disk.SORRY!!" with no path, so text() is that alone).
Outcome joinFromDiskettes(FileSystem& fs, Prompter& prompter, const DisketteJoinJob& job,
                          const std::string& destFolder);

}  // namespace brindlecut
