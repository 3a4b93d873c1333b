#include "joiner/engine/diskette_join.h"

namespace brindlecut {
// Placeholder until the diskette join lands.
Outcome readDisketteManifest(FileSystem&, Prompter&, DisketteJoinJob&) { return Outcome::failed("not built yet"); }
Outcome joinFromDiskettes(FileSystem&, Prompter&, const DisketteJoinJob&, const std::string&) {
    return Outcome::failed("not built yet");
}
}  // namespace brindlecut
