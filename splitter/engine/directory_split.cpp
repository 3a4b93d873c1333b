#include "splitter/engine/directory_split.h"

namespace brindlecut {
// Placeholder until the directory writer lands.
Outcome splitToFolder(FileSystem&, Prompter&, const SplitJob&) { return Outcome::failed("not built yet"); }
}  // namespace brindlecut
