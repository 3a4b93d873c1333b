// The runs the benchmark times: our split and join against `split -b` and
// `cat`, each followed by a flush of what it wrote; the peak memory of our
// work; XXH3-128 hashing alone and inside copyInChunks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "common/prompter.h"

namespace brindlecut::bench {

inline constexpr const char* kSourceName = "source.bin";
inline constexpr const char* kMemoryChildFlag = "--memory-child";

// Answers every question with Yes or OK and shows nothing, as a user who
// agrees to everything would; progress is left at the interface's default.
class AgreeingPrompter : public Prompter {
public:
    void tell(const std::string& text) override { told_.push_back(text); }
    bool askOkCancel(const std::string&) override { return true; }
    bool askYesNo(const std::string&) override { return true; }
    const std::vector<std::string>& told() const { return told_; }

private:
    std::vector<std::string> told_;
};

// Does what a window's throttled progress reporter does on each call: reads
// the clock every time and, at most every 50 ms, formats the text a progress
// dialog would show.
class ReportingPrompter : public AgreeingPrompter {
public:
    bool progress(const std::string& item, std::int64_t done, std::int64_t total) override;
    void progressEnd() override { shown_ = false; }

    long calls() const { return calls_; }
    long texts() const { return texts_; }
    const std::string& lastText() const { return text_; }

private:
    Clock::time_point last_{};
    bool shown_ = false;
    std::string text_;
    long calls_ = 0;
    long texts_ = 0;
};

struct RunTimes {
    Timing split;
    Timing join;
    double total() const { return split.wall + join.wall; }
};

// One piece size: the folders, the timed runs and the checks.
class PieceSizeBench {
public:
    PieceSizeBench(const std::string& work, const std::string& tag, const std::string& sourcePath,
                   std::int64_t fileSize, std::int64_t pieceBytes);

    std::int64_t pieceBytes() const { return pieceBytes_; }
    // Whether our last split wrote a checksum file (then the engine hashes).
    bool oursWroteChecksums() const { return oursWroteChecksums_; }

    // One tool's split, then its join of that split; afterwards nothing of
    // either is left, so that the next tool starts where this one started.
    RunTimes runOurs(Prompter& prompter);
    RunTimes runTheirs();

private:
    Timing timeOursSplit(Prompter& prompter);
    Timing timeTheirsSplit();
    Timing timeOursJoin(Prompter& prompter);
    Timing timeTheirsJoin();
    void removeAll();
    void checkOursSplit();
    void checkOurChecksums(const std::vector<std::string>& pieces);
    void checkTheirsSplit();
    void checkOursJoin();
    std::vector<std::string> theirPieces() const;

    std::string sourcePath_;
    std::int64_t fileSize_;
    std::int64_t pieceBytes_;
    std::int64_t count_;
    std::string oursSplit_, oursJoinIn_, oursJoined_, theirsSplit_, theirsJoined_;
    bool oursWroteChecksums_ = false;
};

// Peak memory: a fresh process of this program (started with
// kMemoryChildFlag) runs only our split and join of each piece size, so its
// peak resident size is our work plus the bare process.
int memoryChild(int argc, char** argv);
double peakMemoryMiB(const std::string& source, const std::string& work,
                     const std::vector<std::int64_t>& sizes);

// XXH3-128 through PieceHash over a buffer in memory, in GB/s (10^9 bytes):
// the median of several passes.
double hashGigabytesPerSecond();

// The source copied whole with copyInChunks into a new file, without and with
// a PieceHash, each then flushed; and `cat` of it followed by a flush, the
// run our join stands against.
struct CopyTimes {
    Timing plain, plainFlushed;    // copyInChunks alone; then with the flush
    Timing hashed, hashedFlushed;  // copyInChunks with the hash; then with the flush
    Timing cat;                    // cat and the flush
};
class CopyBench {
public:
    CopyBench(const std::string& work, const std::string& sourcePath);
    // One round; `hashedFirst` alternates which of the two copies goes first.
    CopyTimes run(bool hashedFirst);

private:
    Timing copy(bool hashed, Timing& flushed);

    std::string sourcePath_;
    std::string folder_;
    std::string expectedHex_;
};

}  // namespace brindlecut::bench
