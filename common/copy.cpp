#include "common/copy.h"

#include <algorithm>
#include <cerrno>

namespace brindlecut {

namespace {
// Large enough that the kernel copy runs at full speed, small enough that a
// cancel is honoured within a fraction of a second.
constexpr std::int64_t kChunk = 16 * 1024 * 1024;
}  // namespace

Errno copyInChunks(FileSystem& fs, File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                   std::int64_t length, ProgressTracker& tracker) {
    std::int64_t done = 0;
    while (done < length) {
        const std::int64_t chunk = std::min(kChunk, length - done);
        if (Errno e = fs.copyRange(from, fromOffset + done, to, toOffset + done, chunk)) return e;
        done += chunk;
        if (!tracker.advance(chunk)) return ECANCELED;
    }
    return 0;
}

}  // namespace brindlecut
