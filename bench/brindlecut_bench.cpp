// Measures the folder split and the folder join against the system's own
// `split -b` and `cat`, the peak memory of our work, the cost of reporting
// progress, and the size of join.exe. Run by hand on a machine that is
// otherwise idle; see README for the figures and the command.
//
// Every timed run starts with its outputs deleted, outside the timing; ours
// and theirs alternate, and which goes first changes from round to round.
// Each result is compared byte for byte with the source after its timing.
//
// Writes land in the page cache, and how fast they go depends on how much
// else is waiting there to be written: measured here, a join with two split
// sets still unwritten took up to four times as long as one with a single
// set. So each tool runs its split and then its join of that split, and
// everything of it is deleted before the other tool starts, well before the
// kernel would write it back; every timed run then finds the same state.
// Syncing before each run was tried too: the flush it starts (on a virtual
// machine, also on the host) slowed whichever run came next. What is left is
// the machine's own swing (on the virtual machine measured, a copy of the
// same bytes took either about 0.25 s or about 0.55 s, for either tool), which
// is why the figures are medians over rounds and more rounds steady them.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/contract.h"
#include "common/platform.h"
#include "common/prompter.h"
#include "joiner/engine/folder_join.h"
#include "splitter/engine/directory_split.h"
#include "splitter/engine/split_job.h"

extern char** environ;

namespace brindlecut {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kMiB = 1024 * 1024;
constexpr const char* kSourceName = "source.bin";
constexpr const char* kMemoryChildFlag = "--memory-child";

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what); }

std::string systemReason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// ---------------------------------------------------------------------------
// Files and folders of the benchmark itself (not through the engine's layer,
// so that the harness cannot hide a fault of that layer).

std::vector<std::string> namesIn(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) fail(systemReason("cannot list", folder));
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

void removeTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return;
        fail(systemReason("cannot look at", path));
    }
    if (S_ISDIR(st.st_mode)) {
        for (const auto& name : namesIn(path)) removeTree(path + "/" + name);
        if (::rmdir(path.c_str()) != 0) fail(systemReason("cannot remove", path));
    } else if (::unlink(path.c_str()) != 0) {
        fail(systemReason("cannot remove", path));
    }
}

// An empty folder at `path`, whatever was there before.
void freshFolder(const std::string& path) {
    removeTree(path);
    if (::mkdir(path.c_str(), 0755) != 0) fail(systemReason("cannot create", path));
}

std::int64_t fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) fail(systemReason("cannot look at", path));
    return st.st_size;
}

class Fd {
public:
    explicit Fd(const std::string& path, int flags = O_RDONLY)
        : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (fd_ < 0) fail(systemReason("cannot open", path));
    }
    ~Fd() { ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void readExactly(int fd, std::int64_t offset, char* buffer, std::size_t length, const std::string& path) {
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, buffer + got, length - got, offset + static_cast<std::int64_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(systemReason("cannot read", path));
        if (n == 0) fail("unexpected end of " + path);
        got += static_cast<std::size_t>(n);
    }
}

// Compares a sequence of files, taken one after the other, with the source.
// Holds two buffers of 1 MiB; the check runs outside every timing.
class SourceCompare {
public:
    explicit SourceCompare(const std::string& sourcePath)
        : sourcePath_(sourcePath),
          source_(sourcePath),
          size_(fileSize(sourcePath)),
          ours_(kMiB),
          theirs_(kMiB) {}

    // Compares the whole of `path` with the source from `offset` on and
    // returns the offset after it.
    std::int64_t comparePart(const std::string& path, std::int64_t offset) {
        const std::int64_t length = fileSize(path);
        if (offset + length > size_) fail(path + " reaches past the end of the source");
        Fd part(path);
        for (std::int64_t done = 0; done < length;) {
            const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(kMiB, length - done));
            readExactly(part.get(), done, ours_.data(), chunk, path);
            readExactly(source_.get(), offset + done, theirs_.data(), chunk, sourcePath_);
            if (std::memcmp(ours_.data(), theirs_.data(), chunk) != 0)
                fail(path + " differs from the source near byte " + std::to_string(offset + done));
            done += static_cast<std::int64_t>(chunk);
        }
        return offset + length;
    }

    // The files, concatenated in order, equal the source.
    void compareWhole(const std::vector<std::string>& paths) {
        std::int64_t offset = 0;
        for (const auto& path : paths) offset = comparePart(path, offset);
        if (offset != size_)
            fail("the files end at byte " + std::to_string(offset) + " of " + std::to_string(size_));
    }

private:
    std::string sourcePath_;
    Fd source_;
    std::int64_t size_;
    std::vector<char> ours_;
    std::vector<char> theirs_;
};

// Pseudo-random bytes (xorshift64*), so that no layer can shortcut zeros or
// repeated blocks.
void makeSourceFile(const std::string& path, std::int64_t size) {
    Fd out(path, O_WRONLY | O_CREAT | O_TRUNC);
    std::vector<std::uint64_t> block(kMiB / sizeof(std::uint64_t));
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (std::int64_t done = 0; done < size;) {
        for (auto& word : block) {
            state ^= state >> 12;
            state ^= state << 25;
            state ^= state >> 27;
            word = state * 0x2545F4914F6CDD1Dull;
        }
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(kMiB, size - done));
        const char* bytes = reinterpret_cast<const char*>(block.data());
        for (std::size_t written = 0; written < chunk;) {
            const ssize_t n = ::write(out.get(), bytes + written, chunk - written);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) fail(systemReason("cannot write", path));
            written += static_cast<std::size_t>(n);
        }
        done += static_cast<std::int64_t>(chunk);
    }
    if (::fsync(out.get()) != 0) fail(systemReason("cannot flush", path));
}

// ---------------------------------------------------------------------------
// The two user interfaces the engine is given.

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
    bool progress(const std::string& item, std::int64_t done, std::int64_t total) override {
        ++calls_;
        const Clock::time_point now = Clock::now();
        if (shown_ && now - last_ < std::chrono::milliseconds(50)) return true;
        shown_ = true;
        last_ = now;
        char figures[96];
        const double percent =
            total > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 0.0;
        std::snprintf(figures, sizeof figures, ": %lld of %lld bytes (%.0f%%)", static_cast<long long>(done),
                      static_cast<long long>(total), percent);
        text_ = "Writing " + item + figures;
        ++texts_;
        return true;
    }
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

// ---------------------------------------------------------------------------
// Our split and join, as the windows start them.

SplitJob splitJobFor(const std::string& sourcePath, std::int64_t fileSize, const std::string& destFolder,
                     std::int64_t pieceBytes) {
    SplitJob job;
    job.sourcepath = sourcePath;
    job.filename = baseName(sourcePath);
    job.filesize = fileSize;
    char number[32];
    std::snprintf(number, sizeof number, "%.15g", static_cast<double>(fileSize) / static_cast<double>(kMiB));
    job.sizetext = std::string("FILE SIZE                       : ") + number + "  MB";
    job.destfolder = destFolder;
    job.tofloppy = 0;
    job.overwrite = false;  // the folder is emptied before each run, so no earlier split is there
    job.sizevalue = static_cast<double>(pieceBytes) / static_cast<double>(kMiB);
    job.piecesize = pieceBytes;
    job.piececount = static_cast<int>(pieceCount(fileSize, pieceBytes));
    return job;
}

void oursSplit(Prompter& prompter, const SplitJob& job) {
    const Outcome outcome = splitToFolder(systemFileSystem(), prompter, job);
    if (!outcome.isDone()) fail("our split did not complete: " + outcome.text());
}

// Returns the notice of a completed join (empty when all went well).
std::string oursJoin(Prompter& prompter, const std::string& manifestPath, const std::string& destFolder) {
    FileSystem& fs = systemFileSystem();
    FolderJoinJob job;
    const Outcome read = readFolderManifest(fs, manifestPath, job);
    if (!read.isDone()) fail("our manifest read failed: " + read.text());
    const Outcome outcome = joinFromFolder(fs, prompter, job, destFolder);
    if (!outcome.isDone()) fail("our join did not complete: " + outcome.text());
    return outcome.message;
}

// ---------------------------------------------------------------------------
// The system's tools, each timed as a whole process.

int runProcess(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (int e = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ))
        fail("cannot start " + args[0] + ": " + std::strerror(e));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) fail(systemReason("cannot wait for", args[0]));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

void systemSplit(const std::string& sourcePath, std::int64_t pieceBytes, const std::string& prefix) {
    const int code =
        runProcess({"/usr/bin/split", "-b", std::to_string(pieceBytes), "-a", "5", "-d", sourcePath, prefix});
    if (code != 0) fail("split exited with " + std::to_string(code));
}

void systemCat(const std::vector<std::string>& pieces, const std::string& outPath) {
    std::vector<std::string> args{"/bin/sh", "-c", "out=$1; shift; exec cat \"$@\" > \"$out\"", "sh",
                                  outPath};
    args.insert(args.end(), pieces.begin(), pieces.end());
    const int code = runProcess(args);
    if (code != 0) fail("cat exited with " + std::to_string(code));
}

// Wall time is what the user waits for and what the ratios compare; the CPU
// time beside it (ours in this process, theirs in the child) shows how much
// of a figure came from other load on the machine.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Timing measure(bool inChild, const std::function<void()>& work) {
    const int who = inChild ? RUSAGE_CHILDREN : RUSAGE_SELF;
    const double cpuBefore = cpuSeconds(who);
    const Clock::time_point start = Clock::now();
    work();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return {wall, cpuSeconds(who) - cpuBefore};
}

double secondsOf(const std::function<void()>& work) {
    const Clock::time_point start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

// ---------------------------------------------------------------------------
// One piece size: the folders, the timed runs and the checks.

struct RunTimes {
    Timing split;
    Timing join;
    double total() const { return split.wall + join.wall; }
};

class PieceSizeBench {
public:
    PieceSizeBench(const std::string& work, const std::string& tag, const std::string& sourcePath,
                   std::int64_t fileSize, std::int64_t pieceBytes)
        : sourcePath_(sourcePath),
          fileSize_(fileSize),
          pieceBytes_(pieceBytes),
          count_(pieceCount(fileSize, pieceBytes)),
          oursSplit_(work + "/" + tag + "-ours-split"),
          oursJoinIn_(work + "/" + tag + "-ours-join-in"),
          oursJoined_(work + "/" + tag + "-ours-joined"),
          theirsSplit_(work + "/" + tag + "-theirs-split"),
          theirsJoined_(work + "/" + tag + "-theirs-joined") {}

    std::int64_t pieceBytes() const { return pieceBytes_; }

    // One tool's split, then its join of that split; afterwards nothing of
    // either is left, so that the next tool starts where this one started.
    RunTimes runOurs(Prompter& prompter) {
        RunTimes times{timeOursSplit(prompter), timeOursJoin(prompter)};
        removeAll();
        return times;
    }
    RunTimes runTheirs() {
        RunTimes times{timeTheirsSplit(), timeTheirsJoin()};
        removeAll();
        return times;
    }

private:
    Timing timeOursSplit(Prompter& prompter) {
        freshFolder(oursSplit_);
        const SplitJob job = splitJobFor(sourcePath_, fileSize_, oursSplit_, pieceBytes_);
        const Timing seconds = measure(false, [&] { oursSplit(prompter, job); });
        checkOursSplit();
        return seconds;
    }

    Timing timeTheirsSplit() {
        freshFolder(theirsSplit_);
        const std::string prefix = theirsSplit_ + "/" + kSourceName + ".";
        const Timing seconds = measure(true, [&] { systemSplit(sourcePath_, pieceBytes_, prefix); });
        checkTheirsSplit();
        return seconds;
    }

    // Joins a copy of the last split of ours, made of hard links, because the
    // join deletes the set it joined.
    Timing timeOursJoin(Prompter& prompter) {
        freshFolder(oursJoinIn_);
        for (const auto& name : namesIn(oursSplit_)) {
            const std::string from = oursSplit_ + "/" + name, to = oursJoinIn_ + "/" + name;
            if (::link(from.c_str(), to.c_str()) != 0) fail(systemReason("cannot link", to));
        }
        freshFolder(oursJoined_);
        const std::string manifest = pathInFolder(oursJoinIn_, manifestName(kSourceName));
        std::string notice;
        const Timing seconds = measure(false, [&] { notice = oursJoin(prompter, manifest, oursJoined_); });
        if (!notice.empty()) std::cerr << "note: our join said: " << notice << "\n";
        checkOursJoin();
        // The rebuilt file goes at once, before the kernel would write it out.
        removeTree(oursJoined_);
        return seconds;
    }

    Timing timeTheirsJoin() {
        std::vector<std::string> pieces;
        for (const auto& name : namesIn(theirsSplit_)) pieces.push_back(theirsSplit_ + "/" + name);
        freshFolder(theirsJoined_);
        const std::string out = theirsJoined_ + "/" + kSourceName;
        const Timing seconds = measure(true, [&] { systemCat(pieces, out); });
        SourceCompare(sourcePath_).compareWhole({out});
        removeTree(theirsJoined_);
        return seconds;
    }

    void removeAll() {
        for (const auto* folder : {&oursSplit_, &oursJoinIn_, &oursJoined_, &theirsSplit_, &theirsJoined_})
            removeTree(*folder);
    }

    // Exactly the n pieces and the manifest, the pieces together equal to the
    // source, each piece of its planned length, the manifest byte for byte.
    void checkOursSplit() {
        std::vector<std::string> expected, pieces;
        for (std::int64_t k = 1; k <= count_; ++k) {
            expected.push_back(pieceName(kSourceName, k));
            pieces.push_back(pathInFolder(oursSplit_, expected.back()));
        }
        expected.push_back(manifestName(kSourceName));
        std::sort(expected.begin(), expected.end());
        if (namesIn(oursSplit_) != expected)
            fail("our split left other files than the pieces and the manifest");
        for (std::int64_t k = 1; k <= count_; ++k) {
            if (fileSize(pieces[k - 1]) != pieceSpan(fileSize_, pieceBytes_, k).length)
                fail(pieces[k - 1] + " does not have its planned length");
        }
        SourceCompare(sourcePath_).compareWhole(pieces);
        const std::string manifestPath = pathInFolder(oursSplit_, manifestName(kSourceName));
        std::ifstream in(manifestPath, std::ios::binary);
        const std::string manifest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (manifest != manifestBytes(kSourceName, count_))
            fail(manifestPath + " is not the expected manifest");
    }

    void checkTheirsSplit() {
        std::vector<std::string> pieces;
        for (const auto& name : namesIn(theirsSplit_)) pieces.push_back(theirsSplit_ + "/" + name);
        if (static_cast<std::int64_t>(pieces.size()) != count_)
            fail("split made an unexpected number of pieces");
        SourceCompare(sourcePath_).compareWhole(pieces);
    }

    // The rebuilt file alone in its folder, equal to the source; the split set
    // gone from the folder it was joined from.
    void checkOursJoin() {
        if (namesIn(oursJoined_) != std::vector<std::string>{kSourceName})
            fail("our join left other files than " + std::string(kSourceName) + " in " + oursJoined_);
        SourceCompare(sourcePath_).compareWhole({oursJoined_ + "/" + kSourceName});
        if (!namesIn(oursJoinIn_).empty())
            std::cerr << "note: our join left files in " << oursJoinIn_ << "\n";
    }

    std::string sourcePath_;
    std::int64_t fileSize_;
    std::int64_t pieceBytes_;
    std::int64_t count_;
    std::string oursSplit_, oursJoinIn_, oursJoined_, theirsSplit_, theirsJoined_;
};

// ---------------------------------------------------------------------------
// Peak memory: a fresh process of this program runs only our split and join,
// so its peak resident size is our work plus the bare process. The process
// reads its own high-water mark (VmHWM): the rusage of a spawned child would
// also carry the parent's, which the exec hands over.

std::int64_t highWaterKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    }
    return -1;
}

// argv: --memory-child <source> <work folder> <result file> <piece bytes>...
int memoryChild(int argc, char** argv) {
    if (argc < 6) return 2;
    const std::string source = argv[2], work = argv[3], result = argv[4];
    const std::int64_t before = highWaterKiB();
    FileSystem& fs = systemFileSystem();
    FileInfo info;
    if (fs.info(source, info) != 0) return 3;
    AgreeingPrompter prompter;
    for (int i = 5; i < argc; ++i) {
        const std::string split = work + "/split-" + std::to_string(i),
                          joined = work + "/joined-" + std::to_string(i);
        const std::int64_t pieceBytes = std::stoll(argv[i]);
        oursSplit(prompter, splitJobFor(source, info.size, split, pieceBytes));
        oursJoin(prompter, pathInFolder(split, manifestName(kSourceName)), joined);
    }
    const std::int64_t after = highWaterKiB();
    std::cerr << "memory: " << before << " KiB before our work, " << after << " KiB at the peak\n";
    std::ofstream(result) << after << "\n";
    return 0;
}

double peakMemoryMiB(const std::string& source, const std::string& work,
                     const std::vector<std::int64_t>& sizes) {
    const std::string result = work + "/peak-kib";
    std::vector<std::string> args{"/proc/self/exe", kMemoryChildFlag, source, work, result};
    std::vector<std::string> joined;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        args.push_back(std::to_string(sizes[i]));
        const std::string index = std::to_string(i + 5);
        freshFolder(work + "/split-" + index);
        freshFolder(work + "/joined-" + index);
        joined.push_back(work + "/joined-" + index + "/" + kSourceName);
    }
    if (runProcess(args) != 0) fail("the memory measurement did not complete");
    for (const auto& path : joined) SourceCompare(source).compareWhole({path});
    std::int64_t peakKiB = -1;
    std::ifstream(result) >> peakKiB;
    if (peakKiB <= 0) fail("the memory measurement gave no figure");
    return static_cast<double>(peakKiB) / 1024.0;
}

// ---------------------------------------------------------------------------

std::string executableFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    const std::string whole(path);
    const std::size_t slash = whole.rfind('/');
    return slash == std::string::npos ? "." : whole.substr(0, slash);
}

struct Options {
    std::int64_t sizeMiB = 512;
    int rounds = 5;
};

[[noreturn]] void usage(const char* program) {
    std::cerr
        << "usage: " << program << " [--size-mib N] [--rounds N]\n"
        << "  makes an N MiB test file (default 512) in $TMPDIR or /tmp and compares our split and\n"
        << "  join with split -b and cat over N rounds (default 5); results on stdout, details on stderr\n";
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--size-mib" || arg == "--rounds") && i + 1 < argc) {
            char* end = nullptr;
            const long long value = std::strtoll(argv[++i], &end, 10);
            if (*end != '\0' || value < 1) usage(argv[0]);
            if (arg == "--size-mib")
                options.sizeMiB = value;
            else
                options.rounds = static_cast<int>(std::min<long long>(value, 1000));
        } else {
            usage(argv[0]);
        }
    }
    return options;
}

std::string makeWorkFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brindlecut-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) fail(systemReason("cannot create a folder like", pattern));
    return pattern;
}

// Removes the work folder however the run ends.
class WorkFolder {
public:
    WorkFolder() : path_(makeWorkFolder()) {}
    ~WorkFolder() {
        try {
            removeTree(path_);
        } catch (const std::exception& e) {
            std::cerr << "brindlecut_bench: " << e.what() << "\n";
        }
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The timing of whole runs is only as exact as the disk is steady; the time
// one reporter call takes, times the calls a run makes, bounds the cost from
// the other side.
void reportProgressCallCost(long callsPerRun) {
    ReportingPrompter reporter;
    constexpr long kCalls = 1000000;
    const std::string item = pieceName(kSourceName, 1);
    const double seconds = secondsOf([&] {
        for (long i = 0; i < kCalls; ++i) reporter.progress(item, i, kCalls);
    });
    std::fprintf(stderr, "one progress call: %.0f ns, so %.3f ms per split+join\n", seconds / kCalls * 1e9,
                 seconds / kCalls * static_cast<double>(callsPerRun) * 1e3);
}

void printRatio(const char* label, const std::vector<double>& ratios) {
    std::printf("%s: %.2f\n", label, median(ratios));
}

int runBench(const Options& options) {
    const Clock::time_point started = Clock::now();
    WorkFolder work;
    const std::int64_t size = options.sizeMiB * kMiB;
    const std::string source = work.path() + "/" + kSourceName;
    std::cerr << "work folder " << work.path() << ", test file " << options.sizeMiB << " MiB, "
              << options.rounds << " rounds\n";
    makeSourceFile(source, size);

    // A plan always has at least two pieces; a small test file gets halves
    // instead of 64 MiB pieces.
    std::int64_t large = 64 * kMiB;
    if (large * 2 > size) {
        large = (size + 1) / 2;
        std::cerr << "note: the file is too small for two 64 MiB pieces; using " << large << " byte pieces\n";
    }
    const std::int64_t small = std::min<std::int64_t>(kMiB, (size + 1) / 2);
    if (pieceCount(size, small) > kMaxPieces)
        fail("the file needs more than " + std::to_string(kMaxPieces) + " pieces of 1 MiB");
    PieceSizeBench benches[] = {{work.path(), "large", source, size, large},
                                {work.path(), "small", source, size, small}};

    AgreeingPrompter agreeing;
    ReportingPrompter reporting;

    // Warm-up: each tool once, untimed, so that both run from warm caches.
    for (auto& bench : benches) {
        bench.runOurs(agreeing);
        bench.runTheirs();
        bench.runOurs(reporting);
    }
    if (!agreeing.told().empty()) std::cerr << "note: our engine told: " << agreeing.told().front() << "\n";

    std::vector<double> splitRatios[2], joinRatios[2], cpuRatios[4], progressCosts, progressCpuCosts;
    long progressCalls = 0, progressTexts = 0;
    for (int round = 0; round < options.rounds; ++round) {
        const bool oursFirst = round % 2 == 0;
        for (int b = 0; b < 2; ++b) {
            PieceSizeBench& bench = benches[b];
            RunTimes ours, theirs;
            if (oursFirst) {
                ours = bench.runOurs(agreeing);
                theirs = bench.runTheirs();
            } else {
                theirs = bench.runTheirs();
                ours = bench.runOurs(agreeing);
            }
            splitRatios[b].push_back(theirs.split.wall / ours.split.wall);
            joinRatios[b].push_back(theirs.join.wall / ours.join.wall);
            cpuRatios[2 * b].push_back(theirs.split.cpu / ours.split.cpu);
            cpuRatios[2 * b + 1].push_back(theirs.join.cpu / ours.join.cpu);
            std::fprintf(
                stderr,
                "round %d, %lld byte pieces: split ours %.3f s (cpu %.3f), split -b %.3f s (cpu %.3f), "
                "ratio %.2f; join ours %.3f s (cpu %.3f), cat %.3f s (cpu %.3f), ratio %.2f\n",
                round + 1, static_cast<long long>(bench.pieceBytes()), ours.split.wall, ours.split.cpu,
                theirs.split.wall, theirs.split.cpu, splitRatios[b].back(), ours.join.wall, ours.join.cpu,
                theirs.join.wall, theirs.join.cpu, joinRatios[b].back());
        }

        // Progress reporting, on the small pieces where it is called most:
        // split and join without and with a reporter, in the order A B B A
        // (or B A A B), so that a drift of the machine's speed cancels out.
        PieceSizeBench& bench = benches[1];
        const long callsBefore = reporting.calls(), textsBefore = reporting.texts();
        double plain = 0, withProgress = 0, plainCpu = 0, withProgressCpu = 0;
        for (int turn = 0; turn < 4; ++turn) {
            const bool reported = (turn == 1 || turn == 2) == oursFirst;
            const RunTimes times = reported ? bench.runOurs(reporting) : bench.runOurs(agreeing);
            (reported ? withProgress : plain) += times.total();
            (reported ? withProgressCpu : plainCpu) += times.split.cpu + times.join.cpu;
        }
        progressCpuCosts.push_back((withProgressCpu / plainCpu - 1.0) * 100.0);
        progressCalls = (reporting.calls() - callsBefore) / 2;
        progressTexts = (reporting.texts() - textsBefore) / 2;
        progressCosts.push_back((withProgress / plain - 1.0) * 100.0);
        std::fprintf(
            stderr,
            "round %d: 2 x split+join without progress %.3f s (cpu %.3f), with progress %.3f s (cpu %.3f), "
            "cost %.1f%% (cpu %.1f%%)\n",
            round + 1, plain, plainCpu, withProgress, withProgressCpu, progressCosts.back(),
            progressCpuCosts.back());
    }
    std::fprintf(stderr,
                 "cpu time ratios (medians): split %.2f, join %.2f, split small %.2f, join small %.2f\n",
                 median(cpuRatios[0]), median(cpuRatios[1]), median(cpuRatios[2]), median(cpuRatios[3]));
    std::fprintf(stderr, "progress cost in cpu time (median): %.1f%%\n", median(progressCpuCosts));
    std::cerr << "progress calls per split+join: " << progressCalls << ", texts formatted: " << progressTexts
              << " (last: \"" << reporting.lastText() << "\")\n";
    reportProgressCallCost(progressCalls);

    const std::string memoryWork = work.path() + "/memory";
    freshFolder(memoryWork);
    const double peak = peakMemoryMiB(source, memoryWork, {large, small});
    removeTree(memoryWork);

    const std::string joinExe = executableFolder() + "/join.exe";
    struct stat joinStat {};
    const bool joinBuilt = ::stat(joinExe.c_str(), &joinStat) == 0 && S_ISREG(joinStat.st_mode);

    printRatio("split ratio", splitRatios[0]);
    printRatio("join ratio", joinRatios[0]);
    printRatio("split ratio small", splitRatios[1]);
    printRatio("join ratio small", joinRatios[1]);
    std::printf("peak rss MiB: %.1f\n", peak);
    std::printf("progress cost: %.1f%%\n", median(progressCosts));
    if (joinBuilt)
        std::printf("join.exe bytes: %lld\n", static_cast<long long>(joinStat.st_size));
    else
        std::printf("join.exe bytes: not built\n");
    std::fflush(stdout);
    std::fprintf(stderr, "whole run: %.1f s\n",
                 std::chrono::duration<double>(Clock::now() - started).count());
    return 0;
}

}  // namespace
}  // namespace brindlecut

int main(int argc, char** argv) {
    try {
        if (argc > 1 && std::string(argv[1]) == brindlecut::kMemoryChildFlag)
            return brindlecut::memoryChild(argc, argv);
        return brindlecut::runBench(brindlecut::parseOptions(argc, argv));
    } catch (const std::exception& e) {
        std::cerr << "brindlecut_bench: " << e.what() << "\n";
        return 1;
    }
}
