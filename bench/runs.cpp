#include "bench/runs.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "common/checksum.h"
#include "common/contract.h"
#include "common/copy.h"
#include "common/platform.h"
#include "joiner/engine/folder_join.h"
#include "splitter/engine/directory_split.h"
#include "splitter/engine/split_job.h"

namespace brindlecut::bench {

bool ReportingPrompter::progress(const std::string& item, std::int64_t done, std::int64_t total) {
    ++calls_;
    const Clock::time_point now = Clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(50)) return true;
    shown_ = true;
    last_ = now;
    char figures[96];
    const double percent = total > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 0.0;
    std::snprintf(figures, sizeof figures, ": %lld of %lld bytes (%.0f%%)", static_cast<long long>(done),
                  static_cast<long long>(total), percent);
    text_ = "Writing " + item + figures;
    ++texts_;
    return true;
}

namespace {

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
// The system's tools, each a process of its own; what they wrote is then
// flushed as ours flushes what it writes.

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

std::string hashOfFile(const std::string& path) {
    std::unique_ptr<File> file;
    if (systemFileSystem().openRead(path, file) != 0) fail(systemReason("cannot open", path));
    PieceHash hash;
    if (hashRange(*file, 0, fileSize(path), hash) != 0) fail(systemReason("cannot hash", path));
    return hash.hex();
}

}  // namespace

// ---------------------------------------------------------------------------

PieceSizeBench::PieceSizeBench(const std::string& work, const std::string& tag, const std::string& sourcePath,
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

RunTimes PieceSizeBench::runOurs(Prompter& prompter) {
    RunTimes times{timeOursSplit(prompter), timeOursJoin(prompter)};
    removeAll();
    return times;
}

RunTimes PieceSizeBench::runTheirs() {
    RunTimes times{timeTheirsSplit(), timeTheirsJoin()};
    removeAll();
    return times;
}

Timing PieceSizeBench::timeOursSplit(Prompter& prompter) {
    freshFolder(oursSplit_);
    const SplitJob job = splitJobFor(sourcePath_, fileSize_, oursSplit_, pieceBytes_);
    const Timing seconds = measure(Who::Self, [&] { oursSplit(prompter, job); });
    checkOursSplit();
    return seconds;
}

// `split -b`, then fdatasync of every piece and fsync of the folder.
Timing PieceSizeBench::timeTheirsSplit() {
    freshFolder(theirsSplit_);
    const std::string prefix = theirsSplit_ + "/" + kSourceName + ".";
    const std::vector<std::string> pieces = theirPieces();
    const Timing seconds = measure(Who::Children, [&] {
        systemSplit(sourcePath_, pieceBytes_, prefix);
        flushFilesAndFolder(pieces, theirsSplit_);
    });
    checkTheirsSplit();
    return seconds;
}

// Joins a copy of the last split of ours, made of hard links, because the
// join deletes the set it joined.
Timing PieceSizeBench::timeOursJoin(Prompter& prompter) {
    freshFolder(oursJoinIn_);
    for (const auto& name : namesIn(oursSplit_)) {
        const std::string from = oursSplit_ + "/" + name, to = oursJoinIn_ + "/" + name;
        if (::link(from.c_str(), to.c_str()) != 0) fail(systemReason("cannot link", to));
    }
    freshFolder(oursJoined_);
    const std::string manifest = pathInFolder(oursJoinIn_, manifestName(kSourceName));
    std::string notice;
    const Timing seconds = measure(Who::Self, [&] { notice = oursJoin(prompter, manifest, oursJoined_); });
    if (!notice.empty()) std::cerr << "note: our join said: " << notice << "\n";
    checkOursJoin();
    // The rebuilt file goes at once, before the kernel would write it out.
    removeTree(oursJoined_);
    return seconds;
}

// `cat` of the pieces into the file, then fdatasync of it and fsync of its folder.
Timing PieceSizeBench::timeTheirsJoin() {
    const std::vector<std::string> pieces = theirPieces();
    freshFolder(theirsJoined_);
    const std::string out = theirsJoined_ + "/" + kSourceName;
    const Timing seconds = measure(Who::Children, [&] {
        systemCat(pieces, out);
        flushFilesAndFolder({out}, theirsJoined_);
    });
    SourceCompare(sourcePath_).compareWhole({out});
    removeTree(theirsJoined_);
    return seconds;
}

void PieceSizeBench::removeAll() {
    for (const auto* folder : {&oursSplit_, &oursJoinIn_, &oursJoined_, &theirsSplit_, &theirsJoined_})
        removeTree(*folder);
}

// The names `split -a 5 -d` gives: the prefix and 00000, 00001, ...
std::vector<std::string> PieceSizeBench::theirPieces() const {
    std::vector<std::string> pieces;
    for (std::int64_t k = 0; k < count_; ++k) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "%05lld", static_cast<long long>(k));
        pieces.push_back(theirsSplit_ + "/" + kSourceName + "." + suffix);
    }
    return pieces;
}

// Exactly the n pieces, the manifest and (when the engine hashes) the checksum
// file; the pieces together equal to the source, each piece of its planned
// length, the manifest byte for byte, the checksums those of the pieces.
void PieceSizeBench::checkOursSplit() {
    std::vector<std::string> expected, pieces;
    for (std::int64_t k = 1; k <= count_; ++k) {
        expected.push_back(pieceName(kSourceName, k));
        pieces.push_back(pathInFolder(oursSplit_, expected.back()));
    }
    expected.push_back(manifestName(kSourceName));
    const std::vector<std::string> names = namesIn(oursSplit_);
    oursWroteChecksums_ = std::find(names.begin(), names.end(), checksumName(kSourceName)) != names.end();
    if (oursWroteChecksums_) expected.push_back(checksumName(kSourceName));
    std::sort(expected.begin(), expected.end());
    if (names != expected) fail("our split left other files than the pieces, the manifest and the checksums");
    for (std::int64_t k = 1; k <= count_; ++k) {
        if (fileSize(pieces[k - 1]) != pieceSpan(fileSize_, pieceBytes_, k).length)
            fail(pieces[k - 1] + " does not have its planned length");
    }
    SourceCompare(sourcePath_).compareWhole(pieces);
    const std::string manifestPath = pathInFolder(oursSplit_, manifestName(kSourceName));
    if (readWholeFile(manifestPath) != manifestBytes(kSourceName, count_))
        fail(manifestPath + " is not the expected manifest");
    if (oursWroteChecksums_) checkOurChecksums(pieces);
}

// The checksum file lists every piece, in order, with the hash of its bytes.
void PieceSizeBench::checkOurChecksums(const std::vector<std::string>& pieces) {
    const std::string path = pathInFolder(oursSplit_, checksumName(kSourceName));
    std::string expected;
    for (std::int64_t k = 1; k <= count_; ++k)
        expected += checksumLine({hashOfFile(pieces[k - 1]), pieceName(kSourceName, k)});
    if (readWholeFile(path) != expected) fail(path + " does not list the hashes of the pieces");
}

void PieceSizeBench::checkTheirsSplit() {
    const std::vector<std::string> pieces = theirPieces();
    if (pathsIn(theirsSplit_) != pieces) fail("split made other pieces than expected");
    SourceCompare(sourcePath_).compareWhole(pieces);
}

// The rebuilt file alone in its folder, equal to the source; the split set
// gone from the folder it was joined from.
void PieceSizeBench::checkOursJoin() {
    if (namesIn(oursJoined_) != std::vector<std::string>{kSourceName})
        fail("our join left other files than " + std::string(kSourceName) + " in " + oursJoined_);
    SourceCompare(sourcePath_).compareWhole({oursJoined_ + "/" + kSourceName});
    if (!namesIn(oursJoinIn_).empty()) std::cerr << "note: our join left files in " << oursJoinIn_ << "\n";
}

// ---------------------------------------------------------------------------
// The process reads its own high-water mark (VmHWM): the rusage of a spawned
// child would also carry the parent's, which the exec hands over.

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
// Hashing.

// 64 MiB, larger than any cache, hashed in steps of 256 KiB as hashRange
// does; the median of seven passes.
double hashGigabytesPerSecond() {
    constexpr std::size_t kBuffer = 64 * kMiB;
    constexpr std::size_t kStep = 256 * 1024;
    std::vector<std::uint64_t> words(kBuffer / sizeof(std::uint64_t));
    std::uint64_t state = 0x2545F4914F6CDD1Dull;
    for (auto& word : words) {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        word = state * 0x9E3779B97F4A7C15ull;
    }
    const char* bytes = reinterpret_cast<const char*>(words.data());
    std::vector<double> rates;
    std::string first;
    for (int pass = 0; pass < 7; ++pass) {
        PieceHash hash;
        const Timing t = measure(Who::Self, [&] {
            for (std::size_t at = 0; at < kBuffer; at += kStep) hash.update(bytes + at, kStep);
        });
        // The same bytes give the same hash every pass.
        if (pass == 0) first = hash.hex();
        if (hash.hex() != first) fail("hashing the same bytes gave two different hashes");
        rates.push_back(static_cast<double>(kBuffer) / t.wall / 1e9);
    }
    std::fprintf(stderr, "hash from memory: best %.2f GB/s, median %.2f GB/s\n",
                 *std::max_element(rates.begin(), rates.end()), median(rates));
    return median(rates);
}

CopyBench::CopyBench(const std::string& work, const std::string& sourcePath)
    : sourcePath_(sourcePath), folder_(work + "/copy"), expectedHex_(hashOfFile(sourcePath)) {}

CopyTimes CopyBench::run(bool hashedFirst) {
    CopyTimes times;
    for (int turn = 0; turn < 2; ++turn) {
        if ((turn == 0) == hashedFirst)
            times.hashed = copy(true, times.hashedFlushed);
        else
            times.plain = copy(false, times.plainFlushed);
    }
    freshFolder(folder_);
    const std::string out = folder_ + "/" + kSourceName;
    times.cat = measure(Who::Children, [&] {
        systemCat({sourcePath_}, out);
        flushFilesAndFolder({out}, folder_);
    });
    SourceCompare(sourcePath_).compareWhole({out});
    removeTree(folder_);
    return times;
}

// Returns the time of copyInChunks alone; `flushed` gets that of the copy
// and the flush of the file and its folder together.
Timing CopyBench::copy(bool hashed, Timing& flushed) {
    freshFolder(folder_);
    const std::string out = folder_ + "/" + kSourceName;
    FileSystem& fs = systemFileSystem();
    AgreeingPrompter prompter;
    PieceHash hash;
    Timing copied;
    flushed = measure(Who::Self, [&] {
        copied = measure(Who::Self, [&] {
            std::unique_ptr<File> from, to;
            if (fs.openRead(sourcePath_, from) != 0) fail(systemReason("cannot open", sourcePath_));
            if (fs.createNew(out, to) != 0) fail(systemReason("cannot create", out));
            std::int64_t length = 0;
            if (from->size(length) != 0) fail(systemReason("cannot look at", sourcePath_));
            ProgressTracker tracker(prompter, length);
            if (Errno e = copyInChunks(fs, *from, 0, *to, 0, length, tracker, hashed ? &hash : nullptr)) {
                errno = e;
                fail(systemReason("cannot copy to", out));
            }
            if (to->close() != 0) fail(systemReason("cannot close", out));
        });
        flushFilesAndFolder({out}, folder_);
    });
    SourceCompare(sourcePath_).compareWhole({out});
    if (hashed && hash.hex() != expectedHex_) fail("copyInChunks hashed other bytes than it copied");
    removeTree(folder_);
    return copied;
}

}  // namespace brindlecut::bench
