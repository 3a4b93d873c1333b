// What the splitter's windows share for the whole run of the program: the split
// job, the file system, the dialogs, and the folder of the running splitter
// (where "join.exe" is looked for). Owned by main(); each window holds a reference.
#pragma once

#include <string>

#include "common/platform.h"
#include "common/widgets/dialogs.h"
#include "splitter/engine/split_job.h"

namespace brindlecut {

struct SplitterContext {
    SplitJob job;
    FileSystem& fs;
    Dialogs& dialogs;
    std::string splitterFolder;
};

// Moving between windows: the current window calls one of these, which creates
// the next window afresh (running its load step) and shows it, not modal; the
// caller then unloads itself (close() and deleteLater()), so exactly one
// splitter window exists at a time. Each returns the new window; showSource
// returns nullptr when its load step ended it (the file dialog cancelled, or the
// file refused with a message), and then makes sure the start window is on screen.
QWidget* showIntro(SplitterContext& context);   // start window `intro`
QWidget* showSource(SplitterContext& context);  // source window `form1`
QWidget* showSize(SplitterContext& context);    // size window `form2`

}  // namespace brindlecut
