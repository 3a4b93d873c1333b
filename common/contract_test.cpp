#include "common/contract.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/disk_errors.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::TempDir;

TEST(PieceNames, AppendTheNumberOnlyAndKeepEveryDot) {
    EXPECT_EQ(pieceName("report.doc", 1), "report.doc.1");
    EXPECT_EQ(pieceName("report.doc", 11), "report.doc.11");
    EXPECT_EQ(pieceName("archive.tar.gz", 2), "archive.tar.gz.2");
    EXPECT_EQ(pieceName("x", 32767), "x.32767");
    EXPECT_EQ(manifestName("archive.tar.gz"), "archive.tar.gz.inf.vek");
}

TEST(PathInFolder, AddsOneSeparatorUnlessTheFolderEndsInOne) {
    EXPECT_EQ(pathInFolder("/", "x.1"), "/x.1");
    EXPECT_EQ(pathInFolder("/out", "x.1"), "/out/x.1");
    EXPECT_EQ(pathInFolder("/out/", "x.1"), "/out/x.1");
    EXPECT_EQ(folderOf("/data/report.doc.inf.vek"), "/data/");
    EXPECT_EQ(folderOf("/r.vek"), "/");
    EXPECT_EQ(baseName("/data/report.doc"), "report.doc");
    EXPECT_EQ(baseName("report.doc"), "report.doc");
}

struct LayoutCase {
    std::int64_t filesize;
    std::int64_t piecesize;
    std::vector<std::int64_t> lengths;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.filesize << " bytes in pieces of " << c.piecesize;
}

class PieceLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PieceLayout, PiecesTileTheFileInOrder) {
    const auto& c = GetParam();
    const std::int64_t n = pieceCount(c.filesize, c.piecesize);
    ASSERT_EQ(n, static_cast<std::int64_t>(c.lengths.size()));
    std::int64_t next = 0;
    for (std::int64_t k = 1; k <= n; ++k) {
        const PieceSpan span = pieceSpan(c.filesize, c.piecesize, k);
        EXPECT_EQ(span.offset, next) << "piece " << k;
        EXPECT_EQ(span.length, c.lengths[static_cast<std::size_t>(k - 1)]) << "piece " << k;
        next += span.length;
    }
    EXPECT_EQ(next, c.filesize);
}

INSTANTIATE_TEST_SUITE_P(
    AroundExactDivision, PieceLayout,
    ::testing::Values(LayoutCase{10, 3, {3, 3, 3, 1}}, LayoutCase{9, 3, {3, 3, 3}},
                      LayoutCase{8, 3, {3, 3, 2}}, LayoutCase{3000, 1024, {1024, 1024, 952}},
                      LayoutCase{3072, 1024, {1024, 1024, 1024}}, LayoutCase{2, 1, {1, 1}},
                      // Beyond 32-bit positions: 5 GiB in 2 GiB pieces.
                      LayoutCase{5LL << 30, 2LL << 30, {2LL << 30, 2LL << 30, 1LL << 30}}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) {
        return std::to_string(info.param.filesize) + "_by_" + std::to_string(info.param.piecesize);
    });

TEST(ManifestBytes, MatchTheWorkedExamples) {
    EXPECT_EQ(manifestBytes("a.bin", 3), std::string("a.bin\r\n 3 \r\n"));
    EXPECT_EQ(manifestBytes("a.bin", 3).size(), 12u);
    EXPECT_EQ(manifestBytes("x", 4).substr(3), std::string("\x20\x34\x20\x0d\x0a"));
    EXPECT_EQ(manifestBytes("x", 12).substr(3), std::string(" 12 \r\n"));
}

class ManifestRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(ManifestRoundTrip, NameComesBackUnchanged) {
    TempDir dir;
    const std::string name = GetParam();
    const std::string path = dir / "m.vek";
    ASSERT_EQ(writeManifest(systemFileSystem(), path, name, 12), 0);
    EXPECT_EQ(testing::readFile(path), name + "\r\n 12 \r\n");
    Manifest manifest;
    const Outcome read = readManifest(systemFileSystem(), path, manifest);
    ASSERT_TRUE(read.isDone()) << read.text();
    EXPECT_EQ(manifest.filename, name);
    EXPECT_EQ(manifest.count, 12);
}

INSTANTIATE_TEST_SUITE_P(Names, ManifestRoundTrip,
                         ::testing::Values("a, b.txt", " leading blank.txt", "trailing blank ",
                                           "archive.tar.gz", "caf\xc3\xa9 \xe2\x82\xac.doc", "no-extension",
                                           "semi;colon=equals"));

TEST(ReadManifest, AcceptsLineEndsAndBlanksAsWrittenByHand) {
    TempDir dir;
    const struct {
        std::string bytes;
        std::string filename;
        int count;
    } cases[] = {{"a.bin\r\n 3 \r\n", "a.bin", 3},
                 {"a.bin\n3\n", "a.bin", 3},
                 {"a.bin\r\n  7", "a.bin", 7},
                 {"a.bin\r\n\t32767\t\r\nextra\r\n", "a.bin", 32767}};
    for (const auto& c : cases) {
        testing::writeFile(dir / "m.vek", c.bytes);
        Manifest manifest;
        ASSERT_TRUE(readManifest(systemFileSystem(), dir / "m.vek", manifest).isDone()) << c.bytes;
        EXPECT_EQ(manifest.filename, c.filename);
        EXPECT_EQ(manifest.count, c.count);
    }
}

TEST(ReadManifest, RefusesWhatCannotBeJoinedSafelyAndNamesTheFile) {
    TempDir dir;
    const std::string refused[] = {"a.bin\r\n",
                                   "a.bin",
                                   "\r\n 3 \r\n",
                                   ".\r\n 3 \r\n",
                                   "..\r\n 3 \r\n",
                                   "../x\r\n 3 \r\n",
                                   "a\\b\r\n 3 \r\n",
                                   "a\tb\r\n 3 \r\n",
                                   "a.bin\r\n 0 \r\n",
                                   "a.bin\r\n -1 \r\n",
                                   "a.bin\r\n 32768 \r\n",
                                   "a.bin\r\n abc \r\n",
                                   "a.bin\r\n 3x \r\n",
                                   "a.bin\r\n 1.5 \r\n"};
    for (const auto& bytes : refused) {
        testing::writeFile(dir / "m.vek", bytes);
        Manifest manifest{"untouched", 99};
        const Outcome read = readManifest(systemFileSystem(), dir / "m.vek", manifest);
        EXPECT_TRUE(read.isFailed()) << bytes;
        EXPECT_EQ(read.path, dir / "m.vek");
        EXPECT_NE(read.text().find(dir / "m.vek"), std::string::npos);
        EXPECT_EQ(manifest.filename, "untouched");
    }
}

TEST(ReadManifest, APipeOrAFolderIsRefusedWithoutWaiting) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.vek").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir((dir / "folder.vek").c_str(), 0755), 0);
    for (const std::string name : {"pipe.vek", "folder.vek"}) {
        SCOPED_TRACE(name);
        Manifest manifest{"untouched", 99};
        const Outcome read = readManifest(systemFileSystem(), dir / name, manifest);
        ASSERT_TRUE(read.isFailed());
        EXPECT_EQ(read.path, dir / name);
        EXPECT_EQ(manifest.filename, "untouched");
    }
}

TEST(ReadManifest, AMissingFileCarriesTheSystemsReason) {
    TempDir dir;
    Manifest manifest;
    const Outcome read = readManifest(systemFileSystem(), dir / "none.vek", manifest);
    ASSERT_TRUE(read.isFailed());
    EXPECT_EQ(read.error, ENOENT);
    EXPECT_NE(read.text().find("No such file or directory"), std::string::npos);
}

TEST(WriteManifest, ReplacesAnEarlierLongerManifestAndReportsFailures) {
    TempDir dir;
    testing::writeFile(dir / "a.bin.inf.vek", std::string(100, 'x'));
    ASSERT_EQ(writeManifest(systemFileSystem(), dir / "a.bin.inf.vek", "a.bin", 3), 0);
    EXPECT_EQ(testing::readFile(dir / "a.bin.inf.vek"), "a.bin\r\n 3 \r\n");

    testing::FaultyFileSystem faulty;
    faulty.failOn(testing::Op::Write, ENOSPC);
    EXPECT_EQ(writeManifest(faulty, dir / "b.inf.vek", "b", 2), ENOSPC);
    faulty.failOn(testing::Op::Close, EIO);
    EXPECT_EQ(writeManifest(faulty, dir / "c.inf.vek", "c", 2), EIO);
}

TEST(WriteManifest, FlushesTheBytesBeforeClosingAndAFailedFlushIsAFailedWrite) {
    TempDir dir;
    testing::FaultyFileSystem faulty;
    std::vector<std::string> calls;
    faulty.beforeCall = [&](testing::Op op, const std::string&) {
        if (op == testing::Op::Write) calls.push_back("write");
        if (op == testing::Op::Sync) calls.push_back("sync");
        if (op == testing::Op::Close) calls.push_back("close");
    };
    ASSERT_EQ(writeManifest(faulty, dir / "a.inf.vek", "a", 2), 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"write", "sync", "close"}));

    calls.clear();
    faulty.failOn(testing::Op::Sync, EIO);
    EXPECT_EQ(writeManifest(faulty, dir / "b.inf.vek", "b", 2), EIO);
    EXPECT_EQ(calls, (std::vector<std::string>{"write", "sync", "close"})) << "closed after a failed flush";

    // Never written through a link bearing the manifest's name.
    testing::writeFile(dir / "target", "target");
    ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "c.inf.vek").c_str()), 0);
    EXPECT_EQ(writeManifest(systemFileSystem(), dir / "c.inf.vek", "c", 2), ELOOP);
    EXPECT_EQ(testing::readFile(dir / "target"), "target");
}

TEST(ErrorClasses, MapTheSystemsErrors) {
    const std::pair<int, int> cases[] = {{EACCES, 70}, {EPERM, 70}, {EROFS, 70},  {ENOMEDIUM, 71},
                                         {ENODEV, 71}, {EIO, 75},   {ENOENT, 76}, {ENOTDIR, 76},
                                         {ENOSPC, 0},  {EEXIST, 0}};
    for (auto [error, expected] : cases) EXPECT_EQ(errorClass(error), expected) << error;
}

TEST(OutcomeText, KeepsTheUsersTextApartFromTheDetail) {
    EXPECT_EQ(Outcome::failed("A piece could not be written.", "/out/x.2", ENOSPC).text(),
              "A piece could not be written.\n\n/out/x.2: No space left on device");
    EXPECT_EQ(Outcome::failed("Unrecoverable Error in this disk.SORRY!!").text(),
              "Unrecoverable Error in this disk.SORRY!!");
}

}  // namespace
}  // namespace brindlecut
