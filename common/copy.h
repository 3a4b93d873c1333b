// Long copies in chunks, so that progress can be shown and a cancel honoured
// between them while each chunk still moves in the kernel.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "common/checksum.h"
#include "common/platform.h"
#include "common/prompter.h"

namespace brindlecut {

// Counts the bytes of one long operation (a whole split or join) and reports
// them to the user's Prompter.
class ProgressTracker {
public:
    ProgressTracker(Prompter& prompter, std::int64_t total) : prompter_(prompter), total_(total) {}
    ~ProgressTracker() { prompter_.progressEnd(); }
    ProgressTracker(const ProgressTracker&) = delete;
    ProgressTracker& operator=(const ProgressTracker&) = delete;

    void setItem(std::string item) { item_ = std::move(item); }
    // Adds `bytes` to the count; false when the user asked to cancel.
    bool advance(std::int64_t bytes) {
        done_ += bytes;
        return prompter_.progress(item_, done_, total_);
    }
    // The bytes counted so far: where a copy that failed had got to.
    std::int64_t done() const { return done_; }

private:
    Prompter& prompter_;
    std::string item_;
    std::int64_t done_ = 0;
    std::int64_t total_;
};

// The size of the next chunk after one of `chunk` bytes took `took`: chunks
// are sized to take about a tenth of a second, so that a slow stick never
// freezes the window for long and a fast disk still moves large chunks.
std::int64_t nextChunk(std::int64_t chunk, std::chrono::nanoseconds took);

// Copies `length` bytes with fs.copyRange in chunks, advancing `tracker` after
// each. With `hash`, the bytes copied are hashed too, read back from `from`
// right after each chunk while they are still in the page cache, so that the
// copy itself stays in the kernel. Returns ECANCELED when the user cancelled.
Errno copyInChunks(FileSystem& fs, File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                   std::int64_t length, ProgressTracker& tracker, PieceHash* hash = nullptr);

}  // namespace brindlecut
