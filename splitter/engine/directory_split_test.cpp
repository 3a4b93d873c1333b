#include "splitter/engine/directory_split.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "common/contract.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/forwarding_file_system.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::exists;
using testing::FaultyFileSystem;
using testing::listNames;
using testing::Op;
using testing::patternBytes;
using testing::readFile;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::writeFile;

const std::string kName = "data.bin";

class DirectorySplit : public ::testing::Test {
protected:
    DirectorySplit() : in_(tmp_.mkdir("in")), out_(tmp_.mkdir("out")) {}

    // Writes `bytes` as the source and returns the job for a split of it.
    SplitJob makeJob(const std::string& bytes, std::int64_t piecesize, bool overwrite = false,
                     const std::string& name = kName) {
        SplitJob job;
        job.sourcepath = in_ + "/" + name;
        writeFile(job.sourcepath, bytes);
        job.filename = name;
        job.filesize = static_cast<std::int64_t>(bytes.size());
        job.destfolder = out_;
        job.overwrite = overwrite;
        job.piecesize = piecesize;
        job.piececount = static_cast<int>(pieceCount(job.filesize, piecesize));
        return job;
    }

    std::string piece(std::int64_t k, const std::string& name = kName) const {
        return out_ + "/" + pieceName(name, k);
    }
    std::string manifest(const std::string& name = kName) const { return out_ + "/" + manifestName(name); }

    // Every piece holds exactly its slice of `source`, and the manifest is exact.
    void expectSplit(const SplitJob& job, const std::string& source) {
        std::string joined;
        for (std::int64_t k = 1; k <= job.piececount; ++k) {
            const PieceSpan span = pieceSpan(job.filesize, job.piecesize, k);
            const std::string bytes = readFile(piece(k, job.filename));
            ASSERT_EQ(bytes.size(), static_cast<std::size_t>(span.length)) << "piece " << k;
            joined += bytes;
        }
        EXPECT_TRUE(joined == source) << "the pieces do not add up to the source";
        EXPECT_EQ(readFile(manifest(job.filename)), manifestBytes(job.filename, job.piececount));
    }

    TempDir tmp_;
    std::string in_;
    std::string out_;
};

// --- Round trips ------------------------------------------------------------

struct Sizes {
    std::int64_t filesize;
    std::int64_t piecesize;
    int pieces;
};

void PrintTo(const Sizes& s, std::ostream* os) { *os << s.filesize << " bytes in pieces of " << s.piecesize; }

class DirectorySplitSizes : public DirectorySplit, public ::testing::WithParamInterface<Sizes> {};

TEST_P(DirectorySplitSizes, PiecesAreExactSlicesAndTheManifestComesLast) {
    const Sizes s = GetParam();
    const std::string source = patternBytes(s.filesize, static_cast<unsigned>(s.filesize));
    const SplitJob job = makeJob(source, s.piecesize);
    ASSERT_EQ(job.piececount, s.pieces);
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(systemFileSystem(), prompter, job);

    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    expectSplit(job, source);
    std::vector<std::string> expected{manifestName(kName)};
    for (int k = 1; k <= s.pieces; ++k) expected.push_back(pieceName(kName, k));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listNames(out_), expected) << "no extra or empty piece";
    // Progress counts the whole file and names the pieces in order.
    ASSERT_FALSE(prompter.progressDone.empty());
    EXPECT_EQ(prompter.progressDone.back(), s.filesize);
    EXPECT_TRUE(std::is_sorted(prompter.progressDone.begin(), prompter.progressDone.end()));
    EXPECT_EQ(prompter.progressItems.front(), pieceName(kName, 1));
    EXPECT_EQ(prompter.progressItems.back(), pieceName(kName, s.pieces));
    EXPECT_EQ(prompter.progressEnds, 1);
    EXPECT_TRUE(prompter.shown.empty()) << "the writer shows no box of its own";
}

constexpr std::int64_t kMiB = 1024 * 1024;

INSTANTIATE_TEST_SUITE_P(
    RoundTrips, DirectorySplitSizes,
    ::testing::Values(Sizes{10, 3, 4}, Sizes{9, 3, 3}, Sizes{2, 1, 2}, Sizes{100, 1, 100},
                      Sizes{3 * 4096 - 1, 4096, 3}, Sizes{3 * 4096, 4096, 3}, Sizes{3 * 4096 + 1, 4096, 4},
                      Sizes{1000, 999, 2}, Sizes{1363148 * 2 + 17, 1363148, 3},
                      // Pieces larger than one copy chunk, and a chunk boundary inside a piece.
                      Sizes{33 * kMiB + 3, 17 * kMiB, 2}),
    [](const ::testing::TestParamInfo<Sizes>& info) {
        return std::to_string(info.param.filesize) + "_by_" + std::to_string(info.param.piecesize);
    });

TEST_F(DirectorySplit, PiecesAreAllCreatedFirstThenFilledOneAtATimeAndTheManifestIsLast) {
    const SplitJob job = makeJob(patternBytes(50), 10);
    FaultyFileSystem fs;
    std::vector<std::string> trace;
    int open = 0;
    int mostOpen = 0;
    fs.beforeCall = [&](Op op, const std::string& path) {
        if (path.size() <= out_.size() || path.compare(0, out_.size() + 1, out_ + "/") != 0) return;
        const std::string name = path.substr(out_.size() + 1);
        if (op == Op::Create) {
            trace.push_back("create " + name);
            mostOpen = std::max(mostOpen, ++open);
        } else if (op == Op::OpenWrite) {
            trace.push_back("open " + name);
            mostOpen = std::max(mostOpen, ++open);
        } else if (op == Op::Close) {
            --open;
        } else if (op == Op::Write) {
            trace.push_back("write " + name);
        }
    };
    ScriptedPrompter prompter;

    ASSERT_TRUE(splitToFolder(fs, prompter, job).isDone());

    const std::vector<std::string> expected = {
        "create data.bin.1",     "create data.bin.2", "create data.bin.3", "create data.bin.4",
        "create data.bin.5",     "open data.bin.1",   "write data.bin.1",  "open data.bin.2",
        "write data.bin.2",      "open data.bin.3",   "write data.bin.3",  "open data.bin.4",
        "write data.bin.4",      "open data.bin.5",   "write data.bin.5",  "create data.bin.inf.vek",
        "write data.bin.inf.vek"};
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(mostOpen, 1) << "never more than one piece open";
    EXPECT_EQ(open, 0) << "every file closed";
    EXPECT_EQ(fs.calls(Op::List), 1) << "the folder is read once";
}

TEST_F(DirectorySplit, RootLikeFolderGetsNoDoubledSeparator) {
    const std::string source = patternBytes(25);
    SplitJob job = makeJob(source, 10);
    job.destfolder = out_ + "/";
    FaultyFileSystem fs;
    std::vector<std::string> paths;
    fs.beforeCall = [&](Op, const std::string& path) { paths.push_back(path); };
    ScriptedPrompter prompter;

    ASSERT_TRUE(splitToFolder(fs, prompter, job).isDone());

    expectSplit(job, source);
    EXPECT_NE(std::find(paths.begin(), paths.end(), out_ + "/data.bin.3"), paths.end());
    for (const std::string& path : paths) EXPECT_EQ(path.find("//"), std::string::npos) << path;
}

TEST_F(DirectorySplit, PiecesJoinedWithTheSystemsCatGiveTheSource) {
    const std::string source = patternBytes(12 * 1000 + 345, 3);
    const SplitJob job = makeJob(source, 1000);
    ASSERT_EQ(job.piececount, 13);
    ScriptedPrompter prompter;
    ASSERT_TRUE(splitToFolder(systemFileSystem(), prompter, job).isDone());

    std::string command = "/bin/cat";
    for (int k = 1; k <= job.piececount; ++k) command += " '" + piece(k) + "'";
    command += " > '" + tmp_ / "joined" + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_TRUE(readFile(tmp_ / "joined") == source);
}

TEST_F(DirectorySplit, ProgressReportedOrNotGivesTheSameBytes) {
    const std::string source = patternBytes(3 * kMiB + 77, 11);
    SplitJob job = makeJob(source, kMiB);
    ScriptedPrompter watching;
    ASSERT_TRUE(splitToFolder(systemFileSystem(), watching, job).isDone());
    std::vector<std::string> first;
    for (int k = 1; k <= job.piececount; ++k) first.push_back(readFile(piece(k)));
    EXPECT_EQ(watching.progressDone.size(), 4u);

    class Silent final : public Prompter {
    public:
        void tell(const std::string&) override { ADD_FAILURE(); }
        bool askOkCancel(const std::string&) override { return false; }
        bool askYesNo(const std::string&) override { return false; }
    } silent;
    job.destfolder = tmp_.mkdir("second");
    ASSERT_TRUE(splitToFolder(systemFileSystem(), silent, job).isDone());
    for (int k = 1; k <= job.piececount; ++k)
        EXPECT_TRUE(readFile(job.destfolder + "/" + pieceName(kName, k)) == first[k - 1]) << k;
    EXPECT_EQ(readFile(job.destfolder + "/" + manifestName(kName)), readFile(manifest()));
}

// --- Earlier files in the folder -----------------------------------------------

TEST_F(DirectorySplit, OverwriteReplacesOnlyThePiecesOfTheNewPlan) {
    const std::string earlier = patternBytes(50, 1);
    ScriptedPrompter prompter;
    ASSERT_TRUE(splitToFolder(systemFileSystem(), prompter, makeJob(earlier, 10)).isDone());
    ASSERT_EQ(readFile(manifest()), manifestBytes(kName, 5));
    writeFile(out_ + "/keep.txt", "keep");

    const std::string source = patternBytes(25, 2);
    const SplitJob job = makeJob(source, 10, /*overwrite=*/true);
    ASSERT_TRUE(splitToFolder(systemFileSystem(), prompter, job).isDone());

    expectSplit(job, source);
    EXPECT_EQ(readFile(manifest()), "data.bin\r\n 3 \r\n");
    EXPECT_EQ(readFile(piece(4)), earlier.substr(30, 10));
    EXPECT_EQ(readFile(piece(5)), earlier.substr(40, 10));
    EXPECT_EQ(readFile(out_ + "/keep.txt"), "keep");
}

TEST_F(DirectorySplit, OverwriteDeletesReadOnlyFilesAndOnlyExactNames) {
    writeFile(piece(2), patternBytes(500, 9));
    testing::setReadOnly(piece(2));
    const std::vector<std::string> lookalikes = {"data.bin.02", "Data.bin.1", "data.bin.1.bak",
                                                 "data.bin.4",  "data.bin.",  "xdata.bin.1"};
    for (const auto& name : lookalikes) writeFile(out_ + "/" + name, name);
    const std::string source = patternBytes(25, 4);
    const SplitJob job = makeJob(source, 10, /*overwrite=*/true);
    FaultyFileSystem fs;
    std::vector<std::string> removed;
    fs.beforeCall = [&](Op op, const std::string& path) {
        if (op == Op::RemoveFile) removed.push_back(path);
    };
    ScriptedPrompter prompter;

    ASSERT_TRUE(splitToFolder(fs, prompter, job).isDone());

    expectSplit(job, source);
    EXPECT_EQ(removed, std::vector<std::string>{piece(2)});
    FileInfo info;
    ASSERT_EQ(systemFileSystem().info(piece(2), info), 0);
    EXPECT_TRUE(info.writable) << "the read-only file was deleted, not written through";
    for (const auto& name : lookalikes) EXPECT_EQ(readFile(out_ + "/" + name), name);
}

TEST_F(DirectorySplit, WithoutOverwriteAnEarlierFileEndsAsExactlyTheNewPiece) {
    writeFile(piece(1), patternBytes(1000, 5));
    writeFile(manifest(), "old.bin\r\n 99 \r\n");
    const std::string source = patternBytes(25, 6);
    const SplitJob job = makeJob(source, 10);
    FaultyFileSystem fs;
    ScriptedPrompter prompter;

    ASSERT_TRUE(splitToFolder(fs, prompter, job).isDone());

    EXPECT_EQ(fs.calls(Op::RemoveFile), 0);
    EXPECT_EQ(readFile(piece(1)), source.substr(0, 10));
    expectSplit(job, source);
}

TEST_F(DirectorySplit, SpaceTakenByFilesItReplacesCountsAsFree) {
    writeFile(piece(1), patternBytes(8, 1));
    writeFile(piece(3), patternBytes(10, 1));
    writeFile(piece(4), patternBytes(1000, 1));  // not a piece of the new plan: stays, frees nothing
    const std::string source = patternBytes(25, 8);
    const SplitJob job = makeJob(source, 10);
    FaultyFileSystem fs;
    ScriptedPrompter prompter;

    fs.setAvailable(out_, 6);
    const Outcome refused = splitToFolder(fs, prompter, job);
    ASSERT_TRUE(refused.isFailed());
    EXPECT_NE(refused.message.find("need 7 bytes"), std::string::npos) << refused.message;
    EXPECT_EQ(readFile(piece(1)), patternBytes(8, 1));

    fs.setAvailable(out_, 7);
    ASSERT_TRUE(splitToFolder(fs, prompter, job).isDone());
    expectSplit(job, source);
    EXPECT_EQ(readFile(piece(4)), patternBytes(1000, 1));
}

// --- Failures -------------------------------------------------------------------

struct FaultCase {
    const char* name;
    // Sets up the fault; gets the file system, the job and the fixture's folders.
    std::function<void(FaultyFileSystem&, SplitJob&, const std::string& out)> arrange;
    // The file the outcome must name, from the job.
    std::function<std::string(const SplitJob&)> path;
    int error;
    bool earlierPieces = false;  // the folder holds pieces 1 to 3 of an earlier split
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class DirectorySplitFaults : public DirectorySplit, public ::testing::WithParamInterface<FaultCase> {};

std::string pieceOf(const SplitJob& job, int k) {
    return pathInFolder(job.destfolder, pieceName(job.filename, k));
}

TEST_P(DirectorySplitFaults, StopsCleansUpAndNamesTheFile) {
    const FaultCase& c = GetParam();
    writeFile(out_ + "/keep.txt", "keep");
    if (c.earlierPieces) {
        for (int k = 1; k <= 3; ++k) writeFile(piece(k), "earlier " + std::to_string(k));
    }
    const std::vector<std::string> before = listNames(out_);
    SplitJob job = makeJob(patternBytes(45, 12), 10, c.earlierPieces);
    FaultyFileSystem fs;
    c.arrange(fs, job, out_);
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(fs, prompter, job);

    ASSERT_TRUE(outcome.isFailed()) << outcome.text();
    EXPECT_EQ(outcome.path, c.path(job));
    EXPECT_EQ(outcome.error, c.error) << outcome.text();
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_NE(outcome.text().find(outcome.path), std::string::npos);
    EXPECT_FALSE(exists(manifest())) << "no manifest after a failure";
    std::vector<std::string> after = listNames(out_);
    if (c.earlierPieces) {
        // Deleting stopped at piece 2: piece 1 of the earlier split is gone, the rest untouched.
        EXPECT_EQ(after, (std::vector<std::string>{"data.bin.2", "data.bin.3", "keep.txt"}));
        EXPECT_EQ(readFile(piece(3)), "earlier 3");
    } else {
        EXPECT_EQ(after, before) << "every piece this run created is gone";
    }
    EXPECT_EQ(readFile(out_ + "/keep.txt"), "keep");
    EXPECT_TRUE(prompter.shown.empty());
}

const auto kSource = [](const SplitJob& job) { return job.sourcepath; };
const auto kFolder = [](const SplitJob& job) { return job.destfolder; };
const auto kManifest = [](const SplitJob& job) {
    return pathInFolder(job.destfolder, manifestName(job.filename));
};

INSTANTIATE_TEST_SUITE_P(
    EachStep, DirectorySplitFaults,
    ::testing::Values(
        FaultCase{"SourceCannotBeOpened",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::OpenRead, EACCES, "in/data.bin"); }, kSource, EACCES},
        FaultCase{"SourceSizeChanged", [](auto&, auto& job, auto&) { job.filesize += 1; }, kSource, 0},
        FaultCase{"FolderCannotBeRead", [](auto& fs, auto&, auto&) { fs.failOn(Op::List, EIO); }, kFolder, EIO},
        FaultCase{"FolderMissing", [](auto&, auto& job, auto& out) { job.destfolder = out + "/gone"; },
                  kFolder, ENOENT},
        FaultCase{"NotEnoughSpace", [](auto& fs, auto&, auto& out) { fs.setAvailable(out, 44); }, kFolder,
                  ENOSPC},
        FaultCase{"SpaceCannotBeRead", [](auto& fs, auto&, auto&) { fs.failOn(Op::AvailableSpace, EIO); },
                  kFolder, EIO},
        FaultCase{"DeleteUnderOverwrite",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::RemoveFile, EPERM, "data.bin.2"); },
                  [](const SplitJob& job) { return pieceOf(job, 2); }, EPERM, true},
        FaultCase{"CreateOfPiece2", [](auto& fs, auto&, auto&) { fs.failOn(Op::Create, EACCES, "data.bin.2"); },
                  [](const SplitJob& job) { return pieceOf(job, 2); }, EACCES},
        FaultCase{"CreateOfLastPiece",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Create, EDQUOT, "data.bin.5"); },
                  [](const SplitJob& job) { return pieceOf(job, 5); }, EDQUOT},
        FaultCase{"CloseOfNewPiece2", [](auto& fs, auto&, auto&) { fs.failOn(Op::Close, EIO, "data.bin.2"); },
                  [](const SplitJob& job) { return pieceOf(job, 2); }, EIO},
        FaultCase{"ReopenOfPiece3",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::OpenWrite, EMFILE, "data.bin.3"); },
                  [](const SplitJob& job) { return pieceOf(job, 3); }, EMFILE},
        FaultCase{"ReserveForPiece3",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Reserve, ENOSPC, "data.bin.3"); },
                  [](const SplitJob& job) { return pieceOf(job, 3); }, ENOSPC},
        FaultCase{"WriteOfPiece3", [](auto& fs, auto&, auto&) { fs.failOn(Op::Write, ENOSPC, "data.bin.3"); },
                  [](const SplitJob& job) { return pieceOf(job, 3); }, ENOSPC},
        FaultCase{"WriteOfPiece3WithIOError",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Write, EIO, "data.bin.3"); },
                  [](const SplitJob& job) { return pieceOf(job, 3); }, EIO},
        FaultCase{"CloseOfFilledPiece3",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Close, EIO, "data.bin.3", 1); },
                  [](const SplitJob& job) { return pieceOf(job, 3); }, EIO},
        FaultCase{"ReadOfSource",
                  [](auto& fs, auto&, auto&) {
                      // A bad spot in the source fails the copy and every read after it.
                      fs.failOn(Op::CopyRange, EIO, "in/data.bin", 2, -1);
                      fs.failOn(Op::Read, EIO, "in/data.bin", 0, -1);
                  },
                  kSource, EIO},
        FaultCase{"SourceEndsEarly",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::CopyRange, ENODATA, "in/data.bin", 3); }, kSource,
                  ENODATA},
        FaultCase{"SourceShrinksDuringTheSplit",
                  [](auto& fs, auto& job, auto&) {
                      const std::string source = job.sourcepath;
                      fs.beforeCall = [source](Op op, const std::string& path) {
                          if (op == Op::Write && path.find("data.bin.2") != std::string::npos) {
                              ASSERT_EQ(::truncate(source.c_str(), 15), 0);
                          }
                      };
                  },
                  kSource, ENODATA},
        FaultCase{"CreateOfManifest",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Create, EACCES, ".inf.vek"); }, kManifest, EACCES},
        FaultCase{"WriteOfManifest", [](auto& fs, auto&, auto&) { fs.failOn(Op::Write, EIO, ".inf.vek"); },
                  kManifest, EIO},
        FaultCase{"CloseOfManifest", [](auto& fs, auto&, auto&) { fs.failOn(Op::Close, EIO, ".inf.vek"); },
                  kManifest, EIO}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST_F(DirectorySplit, NotEnoughSpaceIsRefusedBeforeAnythingIsCreated) {
    const SplitJob job = makeJob(patternBytes(3000), 1000);
    FaultyFileSystem fs;
    fs.setAvailable(out_, 2999);
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(fs, prompter, job);

    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(fs.calls(Op::Create), 0);
    EXPECT_NE(outcome.message.find(out_), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("3000 bytes"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("2999 bytes"), std::string::npos) << outcome.message;

    fs.setAvailable(out_, 3000);
    EXPECT_TRUE(splitToFolder(fs, prompter, job).isDone());
}

TEST_F(DirectorySplit, ACopyErrorTheSourceDoesNotRepeatIsThePieces) {
    const SplitJob job = makeJob(patternBytes(45), 10);
    FaultyFileSystem fs;
    fs.failOn(Op::CopyRange, EIO, "in/data.bin", 1);
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(fs, prompter, job);

    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, piece(2));
    EXPECT_EQ(outcome.error, EIO);
    EXPECT_EQ(listNames(out_), std::vector<std::string>{});
}

TEST_F(DirectorySplit, ARunRefusesAPlanThatDoesNotFitTheFile) {
    SplitJob job = makeJob(patternBytes(45), 10);
    job.piececount = 4;
    ScriptedPrompter prompter;
    EXPECT_TRUE(splitToFolder(systemFileSystem(), prompter, job).isFailed());
    job.piececount = 5;
    job.piecesize = 0;
    EXPECT_TRUE(splitToFolder(systemFileSystem(), prompter, job).isFailed());
    EXPECT_EQ(listNames(out_), std::vector<std::string>{});
}

// --- Cancel ---------------------------------------------------------------------

class DirectorySplitCancel : public DirectorySplit, public ::testing::WithParamInterface<int> {};

TEST_P(DirectorySplitCancel, RemovesThePiecesAndWritesNoManifest) {
    writeFile(out_ + "/keep.txt", "keep");
    writeFile(piece(2), "earlier");  // emptied by this run, so it goes too
    const SplitJob job = makeJob(patternBytes(45, 3), 10);
    ScriptedPrompter prompter;
    prompter.cancelAfterProgress = GetParam();

    const Outcome outcome = splitToFolder(systemFileSystem(), prompter, job);

    EXPECT_TRUE(outcome.isCancelled()) << outcome.text();
    EXPECT_EQ(static_cast<int>(prompter.progressDone.size()), GetParam() + 1) << "stops at the cancel";
    EXPECT_EQ(listNames(out_), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(prompter.progressEnds, 1);
    EXPECT_TRUE(prompter.shown.empty()) << "no message follows a cancel";
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, DirectorySplitCancel, ::testing::Values(0, 2, 4));

// --- Files of 2 GiB and more ----------------------------------------------------

// Passes everything to the machine's file system but copies only the data of
// sparse files, leaving their holes as holes, so that files of several GiB
// can be split in a moment.
class HoleKeepingFileSystem final : public testing::ForwardingFileSystem {
public:
    FileSystem& fs = systemFileSystem();
    std::int64_t copied = 0;

    Errno copyRange(File& from, std::int64_t fromOffset, File& to, std::int64_t toOffset,
                    std::int64_t length) override {
        const int in = from.descriptor();
        const std::int64_t end = fromOffset + length;
        std::int64_t at = fromOffset;
        while (at < end) {
            const off_t data = ::lseek(in, at, SEEK_DATA);
            if (data < 0 || data >= end) break;
            const off_t hole = std::min<off_t>(::lseek(in, data, SEEK_HOLE), end);
            if (Errno e = fs.copyRange(from, data, to, toOffset + (data - fromOffset), hole - data)) return e;
            copied += hole - data;
            at = hole;
        }
        return ::ftruncate(to.descriptor(), toOffset + length) == 0 ? 0 : errno;
    }
};

TEST_F(DirectorySplit, SplitsAFileOfThreeGiBIntoGiBPieces) {
    constexpr std::int64_t kGiB = 1024 * kMiB;
    SplitJob job = makeJob("", kGiB);
    job.filesize = 3 * kGiB + 5;
    job.piececount = 4;
    {
        const int fd = ::open(job.sourcepath.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        if (::ftruncate(fd, job.filesize) != 0) {
            ::close(fd);
            GTEST_SKIP() << "the temporary folder cannot hold a 3 GiB file";
        }
        ::close(fd);
    }
    struct stat st {};
    ASSERT_EQ(::stat(job.sourcepath.c_str(), &st), 0);
    if (st.st_blocks * 512 > kMiB) GTEST_SKIP() << "the temporary folder does not keep files sparse";
    const std::vector<std::int64_t> marks = {0, kGiB - 1, kGiB, 2 * kGiB + 12345, 3 * kGiB - 1, 3 * kGiB + 4};
    {
        const int fd = ::open(job.sourcepath.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        for (std::size_t i = 0; i < marks.size(); ++i) {
            const char mark = static_cast<char>('A' + i);
            ASSERT_EQ(::pwrite(fd, &mark, 1, marks[i]), 1);
        }
        ::close(fd);
    }
    HoleKeepingFileSystem fs;
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(fs, prompter, job);

    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    for (int k = 1; k <= 4; ++k) {
        FileInfo info;
        ASSERT_EQ(systemFileSystem().info(piece(k), info), 0);
        EXPECT_EQ(info.size, k < 4 ? kGiB : 5) << k;
    }
    // The marks, and zeros beside them, land at their places in the pieces.
    std::vector<std::pair<std::int64_t, char>> samples;
    for (std::size_t i = 0; i < marks.size(); ++i) samples.push_back({marks[i], static_cast<char>('A' + i)});
    for (std::int64_t at :
         {std::int64_t{1}, kGiB - 2, kGiB + 1, 2 * kGiB + 12344, 2 * kGiB + 12346, 3 * kGiB + 3})
        samples.push_back({at, 0});
    for (const auto& [at, expected] : samples) {
        const int fd = ::open(piece(at / kGiB + 1).c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        char got = 1;
        EXPECT_EQ(::pread(fd, &got, 1, at % kGiB), 1);
        EXPECT_EQ(got, expected) << "at " << at;
        ::close(fd);
    }
    EXPECT_EQ(readFile(manifest()), "data.bin\r\n 4 \r\n");
    EXPECT_EQ(prompter.progressDone.back(), job.filesize);
}

}  // namespace
}  // namespace brindlecut
