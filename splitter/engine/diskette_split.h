// The diskette span writer: one piece per disk in drive A:, disk 1 also
// receiving the joiner, the manifest and the help text. Driven by prompts.
#pragma once

#include <string>

#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"
#include "splitter/engine/split_job.h"

namespace brindlecut {

// The exact bytes of "help.txt".
std::string helpText();

// Runs the whole diskette dialogue through `prompter`: disk prompts, the erase
// question, the retry questions. The disk the user answers a prompt with is
// the only one touched until the next prompt; when it is taken out or another
// takes its place, its prompt is shown again. Each disk also gets
// `checksumName(filename)` listing its piece, and every file and then the disk
// itself are flushed before the next prompt and before Done. `splitterFolder` is the folder of the running
// splitter, where "join.exe" is looked for. Done after the last piece (the
// window then shows "Files have been split successfully!!"); Cancelled after
// a Cancel or No anywhere; Failed before any prompt when the plan does not
// fit the file, the file name is no plain file name, or the source cannot be
// opened or has changed size, and after a disk when the source was written to
// or changed while that disk was filled (the disks written stay as they are).
Outcome splitToDiskettes(FileSystem& fs, Prompter& prompter, const SplitJob& job,
                         const std::string& splitterFolder);

}  // namespace brindlecut
