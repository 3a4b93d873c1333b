#include "joiner/engine/folder_join.h"

namespace brindlecut {
// Placeholder until the folder join lands.
Outcome readFolderManifest(FileSystem&, const std::string& manifestPath, FolderJoinJob&) {
    return Outcome::failed("not built yet", manifestPath);
}
Destination destinationFor(FileSystem&, const std::string& folder, const std::string& filename) {
    return {folder + "/" + filename, false};
}
bool checkDestination(FileSystem&, Prompter&, const std::string&, const std::string&, std::string&) { return false; }
Errno appendPiece(FileSystem&, const std::string&, File&, std::int64_t&, ProgressTracker&, std::string&) { return 38; }
std::string temporaryPathFor(FileSystem&, const std::string& destinationPath) { return destinationPath + ".part"; }
Outcome joinFromFolder(FileSystem&, Prompter&, const FolderJoinJob&, const std::string&) {
    return Outcome::failed("not built yet");
}
}  // namespace brindlecut
