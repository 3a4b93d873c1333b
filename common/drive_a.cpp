#include "common/drive_a.h"

#include <cerrno>

namespace brindlecut {

Errno PinnedDriveA::pin() {
    pinned_ = false;
    std::string root;
    if (Errno e = fs_.driveA(root)) return e;
    std::uint64_t volume = 0;
    if (Errno e = fs_.mountedVolume(root, volume)) return e;
    root_ = std::move(root);
    volume_ = volume;
    pinned_ = true;
    return 0;
}

Errno PinnedDriveA::root(std::string& out) {
    if (!pinned_) return ENOMEDIUM;
    std::uint64_t volume = 0;
    const Errno e = fs_.mountedVolume(root_, volume);
    if (e == ENOMEDIUM || (e == 0 && volume != volume_)) return kDiskChanged;
    if (e) return e;
    out = root_;
    return 0;
}

}  // namespace brindlecut
