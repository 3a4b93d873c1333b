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

#include "common/checksum.h"
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
        EXPECT_EQ(readFile(checksums(job.filename)), expectedChecksums(job, source));
    }

    std::string checksums(const std::string& name = kName) const { return out_ + "/" + checksumName(name); }

    // One line per piece, in piece order, each hash computed here from the source's slice.
    static std::string expectedChecksums(const SplitJob& job, const std::string& source) {
        std::string text;
        for (std::int64_t k = 1; k <= job.piececount; ++k) {
            const PieceSpan span = pieceSpan(job.filesize, job.piecesize, k);
            PieceHash hash;
            hash.update(source.data() + span.offset, static_cast<std::size_t>(span.length));
            text += checksumLine({hash.hex(), pieceName(job.filename, k)});
        }
        return text;
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
    std::vector<std::string> expected{manifestName(kName), checksumName(kName)};
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
        if (op == Op::SyncFolder) trace.push_back(path == out_ ? "flush folder" : "flush " + path);
        if (path.size() <= out_.size() || path.compare(0, out_.size() + 1, out_ + "/") != 0) return;
        const std::string name = path.substr(out_.size() + 1);
        if (op == Op::Create || op == Op::CreateNew) {
            trace.push_back("create " + name);
            mostOpen = std::max(mostOpen, ++open);
        } else if (op == Op::OpenWrite) {
            trace.push_back("open " + name);
            mostOpen = std::max(mostOpen, ++open);
        } else if (op == Op::Close) {
            --open;
            trace.push_back("close " + name);
        } else if (op == Op::Write) {
            trace.push_back("write " + name);
        } else if (op == Op::Sync) {
            trace.push_back("sync " + name);
        }
    };
    ScriptedPrompter prompter;

    ASSERT_TRUE(splitToFolder(fs, prompter, job).isDone());

    // The pieces are flushed once all are written, the checksums come after
    // the pieces and before the manifest, each flushed before it is closed,
    // and the folder is flushed last of all.
    std::vector<std::string> expected;
    for (int k = 1; k <= 5; ++k) {
        expected.push_back("create data.bin." + std::to_string(k));
        expected.push_back("close data.bin." + std::to_string(k));
    }
    for (int k = 1; k <= 5; ++k)
        for (const char* step : {"open ", "write ", "close "}) expected.push_back(step + pieceName(kName, k));
    for (int k = 1; k <= 5; ++k) expected.push_back("sync " + pieceName(kName, k));
    for (const std::string& name : {checksumName(kName), manifestName(kName)})
        for (const char* step : {"create ", "write ", "sync ", "close "}) expected.push_back(step + name);
    expected.push_back("flush folder");
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

// Without the user's agreement nothing in the way is emptied or removed: a
// file that came after the overwrite question refuses the split.
TEST_F(DirectorySplit, WithoutOverwriteAFileInTheWayRefusesTheSplitAndStays) {
    writeFile(piece(2), patternBytes(1000, 5));
    const SplitJob job = makeJob(patternBytes(25, 6), 10);
    FaultyFileSystem fs;
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(fs, prompter, job);

    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(
        outcome.message,
        "The split was not started: data.bin.2 is in the destination folder, and only files the overwrite "
        "question was answered for are replaced. Choose the folder again.");
    EXPECT_EQ(outcome.error, EEXIST);
    EXPECT_EQ(fs.calls(Op::CreateNew) + fs.calls(Op::Create) + fs.calls(Op::RemoveFile), 0);
    EXPECT_EQ(listNames(out_), std::vector<std::string>{"data.bin.2"});
    EXPECT_EQ(readFile(piece(2)), patternBytes(1000, 5));
}

// A split cut off at any point under `overwrite` must not leave the earlier
// manifest announcing pieces that have been emptied: it goes, with the earlier
// checksum file, and the folder is flushed, before any piece is touched.
TEST_F(DirectorySplit, UnderOverwriteTheEarlierManifestGoesBeforeAnyPieceIsTouched) {
    for (const bool fails : {true, false}) {
        SCOPED_TRACE(fails ? "cut off at piece 2" : "whole");
        ScriptedPrompter prompter;
        ASSERT_TRUE(
            splitToFolder(systemFileSystem(), prompter, makeJob(patternBytes(50, 1), 10, true)).isDone());
        ASSERT_TRUE(exists(manifest()) && exists(checksums()));
        const SplitJob job = makeJob(patternBytes(30, 2), 10, /*overwrite=*/true);
        FaultyFileSystem fs;
        std::vector<std::string> trace;
        bool setFilesAtFirstPiece = true;
        fs.beforeCall = [&](Op op, const std::string& path) {
            const std::string name = baseName(path);
            if (op == Op::RemoveFile) trace.push_back("remove " + name);
            if (op == Op::SyncFolder) trace.push_back("flush folder");
            if ((op == Op::CreateNew || op == Op::OpenWrite) && (trace.empty() || trace.back() != "create")) {
                trace.push_back("create");
                setFilesAtFirstPiece = exists(manifest()) || exists(checksums());
            }
        };
        if (fails) fs.failOn(Op::Write, EIO, "data.bin.2");

        const Outcome outcome = splitToFolder(fs, prompter, job);

        EXPECT_EQ(outcome.isDone(), !fails) << outcome.text();
        EXPECT_FALSE(setFilesAtFirstPiece) << "a cut-off split would leave the earlier manifest";
        const std::vector<std::string> first = {
            "remove data.bin.inf.vek", "remove data.bin.xxh128", "flush folder", "remove data.bin.1",
            "remove data.bin.2",       "remove data.bin.3",      "create"};
        ASSERT_GE(trace.size(), first.size());
        EXPECT_EQ(std::vector<std::string>(trace.begin(), trace.begin() + first.size()), first);
        EXPECT_EQ(exists(manifest()), !fails);
        EXPECT_EQ(exists(checksums()), !fails);
        EXPECT_EQ(readFile(piece(4)), patternBytes(50, 1).substr(30, 10)) << "not a piece of the new plan";
        if (!fails) expectSplit(job, patternBytes(30, 2));
    }
}

TEST_F(DirectorySplit, AFailedFlushOfTheFolderAfterRemovingTheEarlierManifestStopsBeforeAnyPiece) {
    writeFile(manifest(), "data.bin\r\n 3 \r\n");
    writeFile(piece(1), "earlier 1");
    const SplitJob job = makeJob(patternBytes(30, 2), 10, /*overwrite=*/true);
    FaultyFileSystem fs;
    fs.failOn(Op::SyncFolder, EIO);
    ScriptedPrompter prompter;
    const Outcome outcome = splitToFolder(fs, prompter, job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, out_);
    EXPECT_EQ(outcome.error, EIO);
    EXPECT_EQ(fs.calls(Op::Create), 0);
    EXPECT_EQ(listNames(out_), std::vector<std::string>{"data.bin.1"});
    EXPECT_EQ(readFile(piece(1)), "earlier 1");
}

// Entries in the destination that bear a name of the set and are links, or
// the source itself under another name.
struct EntryCase {
    const char* name;
    bool overwrite;
    // Makes the entry; gets the destination folder, the source and a file outside.
    std::function<void(const std::string& out, const std::string& source, const std::string& outside)>
        arrange;
    const char* entry;  // the name it bears
    const char* says;   // nullptr: the split is done
    int error;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class DestinationEntries : public DirectorySplit, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(DestinationEntries, AreNeverWrittenThroughAndTheSourceIsNeverTouched) {
    const EntryCase& c = GetParam();
    const std::string source = patternBytes(30, 4);
    const SplitJob job = makeJob(source, 10, c.overwrite);
    const std::string outside = tmp_ / "outside.txt";
    writeFile(outside, "outside");
    c.arrange(out_, job.sourcepath, outside);
    const std::vector<std::string> before = listNames(out_);
    FaultyFileSystem fs;
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(fs, prompter, job);

    EXPECT_TRUE(readFile(job.sourcepath) == source) << "the source was written to";
    EXPECT_EQ(readFile(outside), "outside") << "a link was written through";
    if (!c.says) {
        ASSERT_TRUE(outcome.isDone()) << outcome.text();
        expectSplit(job, source);
        FileInfo info;
        ASSERT_EQ(systemFileSystem().linkInfo(out_ + "/" + c.entry, info), 0);
        EXPECT_TRUE(info.isRegular && !info.isLink) << "the entry itself was replaced";
        return;
    }
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_NE(outcome.message.find(c.says), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find(c.entry), std::string::npos) << outcome.message;
    EXPECT_EQ(outcome.path, out_ + "/" + c.entry);
    EXPECT_EQ(outcome.error, c.error);
    EXPECT_EQ(fs.calls(Op::Create), 0) << "refused before anything was changed";
    EXPECT_EQ(fs.calls(Op::RemoveFile), 0) << "refused before anything was changed";
    EXPECT_EQ(listNames(out_), before);
}

const auto kSymlinkTo = [](const char* entry, bool toSource) {
    return [entry, toSource](const std::string& out, const std::string& source, const std::string& outside) {
        ASSERT_EQ(::symlink((toSource ? source : outside).c_str(), (out + "/" + entry).c_str()), 0);
    };
};
const auto kHardLinkOfSource = [](const char* entry) {
    return [entry](const std::string& out, const std::string& source, const std::string&) {
        ASSERT_EQ(::link(source.c_str(), (out + "/" + entry).c_str()), 0);
    };
};
constexpr const char* kIsALink = "is a symbolic link";
constexpr const char* kIsTheSource = "is the file to split itself";

INSTANTIATE_TEST_SUITE_P(
    LinksAndTheSource, DestinationEntries,
    ::testing::Values(
        EntryCase{"LinkAsPiece2", false, kSymlinkTo("data.bin.2", false), "data.bin.2", kIsALink, ELOOP},
        EntryCase{"LinkToTheSourceAsPiece3", false, kSymlinkTo("data.bin.3", true), "data.bin.3", kIsALink,
                  ELOOP},
        EntryCase{"LinkAsChecksumFile", false, kSymlinkTo("data.bin.xxh128", false), "data.bin.xxh128",
                  kIsALink, ELOOP},
        EntryCase{"LinkAsManifest", false, kSymlinkTo("data.bin.inf.vek", true), "data.bin.inf.vek", kIsALink,
                  ELOOP},
        EntryCase{"LinkAsPiece2UnderOverwrite", true, kSymlinkTo("data.bin.2", false), "data.bin.2", nullptr,
                  0},
        EntryCase{"LinkToTheSourceAsManifestUnderOverwrite", true, kSymlinkTo("data.bin.inf.vek", true),
                  "data.bin.inf.vek", nullptr, 0},
        EntryCase{"DanglingLinkAsPiece1UnderOverwrite", true,
                  [](const std::string& out, const std::string&, const std::string&) {
                      ASSERT_EQ(::symlink("/nonexistent/x", (out + "/data.bin.1").c_str()), 0);
                  },
                  "data.bin.1", nullptr, 0},
        EntryCase{"SourceAsPiece2", false, kHardLinkOfSource("data.bin.2"), "data.bin.2", kIsTheSource, 0},
        EntryCase{"SourceAsPiece2UnderOverwrite", true, kHardLinkOfSource("data.bin.2"), "data.bin.2",
                  kIsTheSource, 0},
        EntryCase{"SourceAsManifestUnderOverwrite", true, kHardLinkOfSource("data.bin.inf.vek"),
                  "data.bin.inf.vek", kIsTheSource, 0}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return std::string(info.param.name); });

// The checksum file is the one a standard tool reads: xxhsum checks the set
// with it, and finds a piece changed afterwards.
TEST_F(DirectorySplit, TheChecksumFileIsAcceptedByXxhsumAndCatchesADamagedPiece) {
    if (std::system("command -v xxhsum >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xxhsum is not installed (scripts/setup installs the package xxhash)";
    const std::string source = patternBytes(5 * 1000 + 7, 31);
    const SplitJob job = makeJob(source, 1000);
    ScriptedPrompter prompter;
    ASSERT_TRUE(splitToFolder(systemFileSystem(), prompter, job).isDone());
    const std::string check = "cd '" + out_ + "' && xxhsum -c data.bin.xxh128 >/dev/null 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << readFile(checksums());

    std::string damaged = readFile(piece(4));
    damaged[500] = static_cast<char>(damaged[500] ^ 1);
    writeFile(piece(4), damaged);
    EXPECT_NE(std::system(check.c_str()), 0) << "xxhsum took a damaged piece";
}

TEST_F(DirectorySplit, SpaceTakenByFilesItReplacesCountsAsFree) {
    writeFile(piece(1), patternBytes(8, 1));
    writeFile(piece(3), patternBytes(10, 1));
    writeFile(piece(4), patternBytes(1000, 1));  // not a piece of the new plan: stays, frees nothing
    const std::string source = patternBytes(25, 8);
    const SplitJob job = makeJob(source, 10, /*overwrite=*/true);
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
    const char* says = nullptr;  // a part of the message
    // A name the failure leaves in the folder that the run did not make (a
    // link put there by someone else during the split).
    const char* leftBehind = nullptr;
    bool sourceKept = true;  // the source still holds its bytes afterwards
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
    const std::string original = patternBytes(45, 12);
    SplitJob job = makeJob(original, 10, c.earlierPieces);
    FaultyFileSystem fs;
    c.arrange(fs, job, out_);
    std::vector<std::string> before = listNames(out_);
    if (c.leftBehind) {
        before.push_back(c.leftBehind);
        std::sort(before.begin(), before.end());
    }
    ScriptedPrompter prompter;

    const Outcome outcome = splitToFolder(fs, prompter, job);

    ASSERT_TRUE(outcome.isFailed()) << outcome.text();
    EXPECT_EQ(outcome.path, c.path(job));
    EXPECT_EQ(outcome.error, c.error) << outcome.text();
    EXPECT_FALSE(outcome.message.empty());
    if (c.says) {
        EXPECT_NE(outcome.message.find(c.says), std::string::npos) << outcome.message;
    }
    EXPECT_NE(outcome.text().find(outcome.path), std::string::npos);
    EXPECT_FALSE(exists(manifest())) << "no manifest after a failure";
    EXPECT_FALSE(exists(checksums())) << "no checksum file after a failure";
    if (c.sourceKept) {
        EXPECT_TRUE(readFile(in_ + "/" + kName) == original) << "the source was written to";
    }
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
const auto kChecksums = [](const SplitJob& job) {
    return pathInFolder(job.destfolder, checksumName(job.filename));
};

// Makes the source look written long ago, so that a change during the split
// shows in its times even when the clock has not moved on since it was made.
void ageSource(const SplitJob& job) {
    const timespec times[2] = {{946684800, 0}, {946684800, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, job.sourcepath.c_str(), times, 0), 0);
}

// Runs `change` once, right before the first call of `op` on a path holding `name`.
template <class Change>
void beforeFirst(FaultyFileSystem& fs, Op op, std::string name, Change change) {
    auto done = std::make_shared<bool>(false);
    fs.beforeCall = [=](Op o, const std::string& path) {
        if (o != op || *done || path.find(name) == std::string::npos) return;
        *done = true;
        change();
    };
}
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
        FaultCase{"CreateOfPiece2", [](auto& fs, auto&, auto&) { fs.failOn(Op::CreateNew, EACCES, "data.bin.2"); },
                  [](const SplitJob& job) { return pieceOf(job, 2); }, EACCES},
        FaultCase{"CreateOfLastPiece",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::CreateNew, EDQUOT, "data.bin.5"); },
                  [](const SplitJob& job) { return pieceOf(job, 5); }, EDQUOT},
        FaultCase{"CloseOfNewPiece2", [](auto& fs, auto&, auto&) { fs.failOn(Op::Close, EIO, "data.bin.2"); },
                  [](const SplitJob& job) { return pieceOf(job, 2); }, EIO},
        FaultCase{"ReopenOfPiece3",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::OpenWrite, EMFILE, "data.bin.3"); },
                  [](const SplitJob& job) { return pieceOf(job, 3); }, EMFILE},
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
                  kSource, ENODATA, false, nullptr, nullptr, /*sourceKept=*/false},
        FaultCase{"CreateOfManifest",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Create, EACCES, ".inf.vek"); }, kManifest, EACCES},
        FaultCase{"WriteOfManifest", [](auto& fs, auto&, auto&) { fs.failOn(Op::Write, EIO, ".inf.vek"); },
                  kManifest, EIO},
        FaultCase{"CloseOfManifest", [](auto& fs, auto&, auto&) { fs.failOn(Op::Close, EIO, ".inf.vek"); },
                  kManifest, EIO},
        // A flush that fails is a write that failed: nothing may be reported done.
        FaultCase{"FlushOfPiece3", [](auto& fs, auto&, auto&) { fs.failOn(Op::Sync, EIO, "data.bin.3"); },
                  [](const SplitJob& job) { return pieceOf(job, 3); }, EIO},
        FaultCase{"FlushOfLastPiece",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Sync, ENOSPC, "data.bin.5"); },
                  [](const SplitJob& job) { return pieceOf(job, 5); }, ENOSPC},
        FaultCase{"CreateOfChecksums",
                  [](auto& fs, auto&, auto&) { fs.failOn(Op::Create, EACCES, ".xxh128"); }, kChecksums, EACCES},
        FaultCase{"WriteOfChecksums", [](auto& fs, auto&, auto&) { fs.failOn(Op::Write, ENOSPC, ".xxh128"); },
                  kChecksums, ENOSPC},
        FaultCase{"FlushOfChecksums", [](auto& fs, auto&, auto&) { fs.failOn(Op::Sync, EIO, ".xxh128"); },
                  kChecksums, EIO},
        FaultCase{"FlushOfManifest", [](auto& fs, auto&, auto&) { fs.failOn(Op::Sync, EIO, ".inf.vek"); },
                  kManifest, EIO},
        FaultCase{"FlushOfFolder", [](auto& fs, auto&, auto&) { fs.failOn(Op::SyncFolder, EIO); }, kFolder,
                  EIO},
        FaultCase{.name = "SourceRewrittenInPlace",
                  .arrange =
                      [](auto& fs, auto& job, auto&) {
                          ageSource(job);
                          const std::string source = job.sourcepath;
                          beforeFirst(fs, Op::Write, "data.bin.3", [source] {
                              const int fd = ::open(source.c_str(), O_WRONLY);
                              ASSERT_GE(fd, 0);
                              ASSERT_EQ(::pwrite(fd, "#", 1, 0), 1);
                              ::close(fd);
                          });
                      },
                  .path = kSource,
                  .error = 0,
                  .says = "the file to split changed while it was being split",
                  .sourceKept = false},
        FaultCase{.name = "SourceGrown",
                  .arrange =
                      [](auto& fs, auto& job, auto&) {
                          ageSource(job);
                          const std::string source = job.sourcepath;
                          beforeFirst(fs, Op::Write, "data.bin.2", [source] {
                              const int fd = ::open(source.c_str(), O_WRONLY | O_APPEND);
                              ASSERT_GE(fd, 0);
                              ASSERT_EQ(::write(fd, "more", 4), 4);
                              ::close(fd);
                          });
                      },
                  .path = kSource,
                  .error = 0,
                  .says = "the file to split changed while it was being split",
                  .sourceKept = false},
        FaultCase{.name = "SourceTouchedOnly",
                  .arrange =
                      [](auto& fs, auto& job, auto&) {
                          ageSource(job);
                          const std::string source = job.sourcepath;
                          beforeFirst(fs, Op::Sync, "data.bin.5", [source] {
                              // Rewritten with the same bytes: only its times tell.
                              ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), nullptr, 0), 0);
                          });
                      },
                  .path = kSource,
                  .error = 0,
                  .says = "the file to split changed while it was being split"},
        // A link to the source put in place of piece 2 after the folder was read.
        FaultCase{.name = "LinkPutInPlaceOfPiece2",
                  .arrange =
                      [](auto& fs, auto& job, auto& out) {
                          const std::string source = job.sourcepath;
                          const std::string link = out + "/data.bin.2";
                          beforeFirst(fs, Op::CreateNew, "data.bin.2", [source, link] {
                              ASSERT_EQ(::symlink(source.c_str(), link.c_str()), 0);
                          });
                      },
                  .path = [](const SplitJob& job) { return pieceOf(job, 2); },
                  .error = EEXIST,
                  .says = "symbolic link",
                  .leftBehind = "data.bin.2"}),
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
    writeFile(piece(2), "earlier");  // replaced by this run (the user agreed), so it goes too
    const SplitJob job = makeJob(patternBytes(45, 3), 10, /*overwrite=*/true);
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
