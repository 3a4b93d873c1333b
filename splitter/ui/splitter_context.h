// What the splitter's windows share for the whole run of the program: the split
// job, the file system, the dialogs, the folder of the running splitter
// (where "join.exe" is looked for) and the navigator that moves between the
// windows. Owned by main(); each window holds a reference.
#pragma once

#include <string>

#include "common/platform.h"
#include "common/widgets/dialogs.h"
#include "splitter/engine/split_job.h"
#include "splitter/ui/navigator.h"

namespace brindlecut {

struct SplitterContext {
    SplitJob job;
    FileSystem& fs;
    Dialogs& dialogs;
    std::string splitterFolder;
    Navigator navigator{*this};
};

}  // namespace brindlecut
