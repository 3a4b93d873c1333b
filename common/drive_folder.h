// Where the folder lists open when the user chooses a drive.
#pragma once

#include <string>
#include <vector>

#include "common/platform.h"

namespace brindlecut {

// The folder a drive opens at when the user chooses it: the current folder
// when it lies on that drive (no other drive is mounted deeper on its way),
// otherwise the drive's root.
std::string openingFolder(const std::vector<Drive>& drives, const std::string& root,
                          const std::string& currentFolder);

}  // namespace brindlecut
