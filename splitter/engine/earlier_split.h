// Whether a folder already holds files of an earlier split of the same file,
// asked before a folder split so that the user can refuse to overwrite them.
#pragma once

#include <string>

#include "common/platform.h"

namespace brindlecut {

// Whether `name` is one of the names a split of `filename` writes: a piece
// (`filename.<k>` with k >= 1 in decimal digits, no leading zero), the
// manifest or the checksum file.
bool isSplitName(const std::string& filename, const std::string& name);

// Whether any name a split of `filename` writes is taken in `folder`. Entries
// are looked at as they are, links not followed: a link bearing such a name
// is in the way as much as a file. A folder bearing one is not an earlier
// split. A folder that cannot be listed holds none.
bool earlierSplitIn(FileSystem& fs, const std::string& folder, const std::string& filename);

}  // namespace brindlecut
