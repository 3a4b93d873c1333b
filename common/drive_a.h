// Drive A: held to one disk from one disk prompt to the next. Between two
// prompts the user may plug in a second stick or pull the first: the disk the
// user answered the prompt for is the only one written or read, and a change
// shows up as kDiskChanged so that the dialogue can ask for the disk again.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform.h"

namespace brindlecut {

// The pinned disk has gone, or another volume is mounted in its place.
inline constexpr Errno kDiskChanged = ESTALE;

class PinnedDriveA {
public:
    explicit PinnedDriveA(FileSystem& fs) : fs_(fs) {}

    // Takes the disk now in drive A: (the volume mounted last) as the one the
    // user has just inserted; ENOMEDIUM when there is none.
    Errno pin();
    // The pinned disk's root; kDiskChanged when it has gone or changed since
    // pin(), ENOMEDIUM before any pin().
    Errno root(std::string& out);
    bool pinned() const { return pinned_; }
    void release() { pinned_ = false; }

private:
    FileSystem& fs_;
    bool pinned_ = false;
    std::string root_;
    std::uint64_t volume_ = 0;
};

}  // namespace brindlecut
