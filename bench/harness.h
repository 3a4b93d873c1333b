// What every measurement of the benchmark uses: files and folders of its
// own (not through the engine's layer, so that the harness cannot hide a
// fault of that layer), byte-for-byte checks, the flush of the system tools'
// outputs, processes, timings and medians, and the peak memory of a process.
// The method is described in README (section Speed).
#pragma once

#include <fcntl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brindlecut::bench {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kMiB = 1024 * 1024;

// Throws std::runtime_error: a benchmark that cannot do what it measures stops.
[[noreturn]] void fail(const std::string& what);
// `what` `path`: the text of errno.
std::string systemReason(const std::string& what, const std::string& path);

// ---------------------------------------------------------------------------
// Files and folders.

// The names in `folder`, sorted, without "." and "..".
std::vector<std::string> namesIn(const std::string& folder);
// The paths of the files in `folder`, sorted by name.
std::vector<std::string> pathsIn(const std::string& folder);
void removeTree(const std::string& path);
// An empty folder at `path`, whatever was there before.
void freshFolder(const std::string& path);
std::int64_t fileSize(const std::string& path);
std::string readWholeFile(const std::string& path);

// Puts the files and then the folder on stable storage, as our engine flushes
// what it wrote: fdatasync of each file, fsync of the folder.
void flushFilesAndFolder(const std::vector<std::string>& files, const std::string& folder);

class Fd {
public:
    explicit Fd(const std::string& path, int flags = O_RDONLY);
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Pseudo-random bytes (xorshift64*), so that no layer can shortcut zeros or
// repeated blocks; flushed, so that no timed run writes them back.
void makeSourceFile(const std::string& path, std::int64_t size);

// Compares a sequence of files, taken one after the other, with the source.
// Holds two buffers of 1 MiB; checks run outside every timing.
class SourceCompare {
public:
    explicit SourceCompare(const std::string& sourcePath);

    // Compares the whole of `path` with the source from `offset` on and
    // returns the offset after it.
    std::int64_t comparePart(const std::string& path, std::int64_t offset);
    // The files, concatenated in order, equal the source.
    void compareWhole(const std::vector<std::string>& paths);

private:
    std::string sourcePath_;
    Fd source_;
    std::int64_t size_;
    std::vector<char> ours_;
    std::vector<char> theirs_;
};

// A folder of its own in $TMPDIR (or /tmp), removed however the run ends.
class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The folder of this program (where join.exe is built too).
std::string executableFolder();

// ---------------------------------------------------------------------------
// Processes and time.

// Runs a program (argv[0] an absolute path) and returns its exit code.
int runProcess(const std::vector<std::string>& args);

// Wall time is what the user waits for and what the ratios compare; the CPU
// time beside it (ours in this process, theirs in the children) does not
// count the waits for the disk, nor, mostly, other load on the machine, and
// so stays steadier on a shared machine.
struct Timing {
    double wall = 0;
    double cpu = 0;
    Timing& operator+=(const Timing& other) {
        wall += other.wall;
        cpu += other.cpu;
        return *this;
    }
};

enum class Who { Self, Children };
Timing measure(Who who, const std::function<void()>& work);
double median(std::vector<double> values);

// The peak resident size of this process so far (VmHWM), or -1.
std::int64_t highWaterKiB();

}  // namespace brindlecut::bench
