#include "splitter/engine/diskette_split.h"

namespace brindlecut {
// Placeholder until the diskette writer lands.
std::string helpText() { return {}; }
Outcome splitToDiskettes(FileSystem&, Prompter&, const SplitJob&, const std::string&) {
    return Outcome::failed("not built yet");
}
}  // namespace brindlecut
