#include "common/drive_folder.h"

namespace brindlecut {

namespace {

// Whether `path` is `root` or lies inside it.
bool liesIn(const std::string& path, const std::string& root) {
    if (root.empty() || path.compare(0, root.size(), root) != 0) return false;
    return path.size() == root.size() || root.back() == '/' || path[root.size()] == '/';
}

}  // namespace

std::string openingFolder(const std::vector<Drive>& drives, const std::string& root,
                          const std::string& currentFolder) {
    const Drive* holder = nullptr;
    for (const Drive& drive : drives) {
        if (liesIn(currentFolder, drive.root) && (!holder || drive.root.size() > holder->root.size()))
            holder = &drive;
    }
    return holder && holder->root == root ? currentFolder : root;
}

}  // namespace brindlecut
