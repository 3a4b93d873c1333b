#include "splitter/engine/earlier_split.h"

#include <vector>

#include "common/contract.h"

namespace brindlecut {

bool isSplitName(const std::string& filename, const std::string& name) {
    if (name == manifestName(filename) || name == checksumName(filename)) return true;
    // A piece: the bare file name, a dot, then the piece number as pieceName writes it.
    if (name.size() < filename.size() + 2 || !name.starts_with(filename) || name[filename.size()] != '.')
        return false;
    const std::string number = name.substr(filename.size() + 1);
    if (number[0] == '0') return false;
    for (char c : number) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool earlierSplitIn(FileSystem& fs, const std::string& folder, const std::string& filename) {
    std::vector<DirEntry> entries;
    if (fs.list(folder, entries) != 0) return false;
    for (const DirEntry& entry : entries) {
        if ((entry.isLink || !entry.isDir) && isSplitName(filename, entry.name)) return true;
    }
    return false;
}

}  // namespace brindlecut
