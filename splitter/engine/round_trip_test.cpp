// The splitter's output read back by the joiner: both sides of the on-disk
// contract together, through folders and through a series of disks, compared
// byte for byte with the file that was split.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/contract.h"
#include "joiner/engine/diskette_join.h"
#include "joiner/engine/folder_join.h"
#include "splitter/engine/directory_split.h"
#include "splitter/engine/diskette_split.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::FaultyFileSystem;
using testing::listNames;
using testing::patternBytes;
using testing::readFile;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::writeFile;

// A prompter that takes no progress reports at all, as a caller without a
// progress display would be.
class Silent final : public Prompter {
public:
    void tell(const std::string&) override { ADD_FAILURE() << "no message expected"; }
    bool askOkCancel(const std::string&) override { return false; }
    bool askYesNo(const std::string&) override { return false; }
};

SplitJob folderJob(const std::string& source, const std::string& name, std::int64_t filesize,
                   std::int64_t piecesize, const std::string& destfolder) {
    SplitJob job;
    job.sourcepath = source;
    job.filename = name;
    job.filesize = filesize;
    job.destfolder = destfolder;
    job.piecesize = piecesize;
    job.piececount = static_cast<int>(pieceCount(filesize, piecesize));
    return job;
}

struct RoundTrip {
    const char* name;
    std::string filename;
    std::int64_t filesize;
    std::int64_t piecesize;
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

// After a join no piece and no manifest is left. The checksum file is the
// joiner's to delete once it checks the pieces against it; until then it may
// stay behind, and nothing else may.
void expectSetGone(const std::string& folder, const std::string& filename) {
    const std::vector<std::string> left = listNames(folder);
    EXPECT_TRUE(left.empty() || left == std::vector<std::string>{checksumName(filename)})
        << "the split set is gone after the join; left: " << ::testing::PrintToString(left);
}

class FolderRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(FolderRoundTrip, SplitThenJoinGivesTheFileBack) {
    const RoundTrip& c = GetParam();
    TempDir tmp;
    const std::string in = tmp.mkdir("in");
    const std::string pieces = tmp.mkdir("pieces");
    const std::string out = tmp.mkdir("out");
    const std::string source = patternBytes(c.filesize, static_cast<unsigned>(c.filesize));
    writeFile(in + "/" + c.filename, source);
    const SplitJob job = folderJob(in + "/" + c.filename, c.filename, c.filesize, c.piecesize, pieces);
    ScriptedPrompter splitting;
    const Outcome split = splitToFolder(systemFileSystem(), splitting, job);
    ASSERT_TRUE(split.isDone()) << split.text();
    // The pieces, the manifest and the checksum file.
    EXPECT_EQ(listNames(pieces).size(), static_cast<std::size_t>(job.piececount) + 2);

    FolderJoinJob joinJob;
    const Outcome read =
        readFolderManifest(systemFileSystem(), pieces + "/" + manifestName(c.filename), joinJob);
    ASSERT_TRUE(read.isDone()) << read.text();
    EXPECT_EQ(joinJob.filename, c.filename);
    EXPECT_EQ(joinJob.piececount, job.piececount);
    ScriptedPrompter joining;
    const Outcome joined = joinFromFolder(systemFileSystem(), joining, joinJob, out);
    ASSERT_TRUE(joined.isDone()) << joined.text();
    EXPECT_EQ(joined.message, "");
    EXPECT_TRUE(readFile(out + "/" + c.filename) == source) << "the rebuilt file differs from the source";
    EXPECT_EQ(listNames(out), std::vector<std::string>{c.filename});
    expectSetGone(pieces, c.filename);
    EXPECT_TRUE(joining.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, FolderRoundTrip,
                         ::testing::Values(RoundTrip{"OneBytePieces", "one.bin", 7, 1},
                                           RoundTrip{"TenInThrees", "report.doc", 10, 3},
                                           RoundTrip{"OneLessThanAMultiple", "less.bin", 3 * 4096 - 1, 4096},
                                           RoundTrip{"AMultiple", "exact.bin", 3 * 4096, 4096},
                                           RoundTrip{"OneMoreThanAMultiple", "more.bin", 3 * 4096 + 1, 4096},
                                           RoundTrip{"TwelvePieces", "archive.tar.gz", 12 * 100 + 1, 100},
                                           RoundTrip{"CommaAndBlanks", " a, b .txt", 2500, 1000},
                                           RoundTrip{"NonAscii", "caf\xc3\xa9 \xe2\x82\xac.doc", 2049, 1024},
                                           RoundTrip{"DiskettePieces", "big.iso", 1363148 * 2 + 17, 1363148}),
                         [](const ::testing::TestParamInfo<RoundTrip>& info) {
                             return std::string(info.param.name);
                         });

// A temporary folder in memory where one can be had: 32767 files on a disk can
// take minutes on a busy machine, in memory a second or two.
std::unique_ptr<TempDir> fastTempDir() {
    const char* saved = std::getenv("TMPDIR");
    const std::string previous = saved ? saved : "";
    if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
    auto dir = std::make_unique<TempDir>();
    if (saved)
        ::setenv("TMPDIR", previous.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    return dir;
}

TEST(FolderRoundTrip, TheLargestNumberOfPiecesComesBackWithoutProgressReports) {
    const auto tmp = fastTempDir();
    const std::string pieces = tmp->mkdir("pieces");
    const std::string out = tmp->mkdir("out");
    const std::string source = patternBytes(kMaxPieces, 7);
    writeFile(*tmp / "data.bin", source);
    const SplitJob job = folderJob(*tmp / "data.bin", "data.bin", kMaxPieces, 1, pieces);
    ASSERT_EQ(job.piececount, 32767);
    Silent silent;
    ASSERT_TRUE(splitToFolder(systemFileSystem(), silent, job).isDone());
    EXPECT_EQ(listNames(pieces).size(), 32769u);
    EXPECT_EQ(readFile(pieces + "/data.bin.inf.vek"), "data.bin\r\n 32767 \r\n");
    EXPECT_EQ(readFile(pieces + "/data.bin.32767"), source.substr(32766));

    FolderJoinJob joinJob;
    ASSERT_TRUE(readFolderManifest(systemFileSystem(), pieces + "/data.bin.inf.vek", joinJob).isDone());
    ASSERT_TRUE(joinFromFolder(systemFileSystem(), silent, joinJob, out).isDone());
    EXPECT_TRUE(readFile(out + "/data.bin") == source);
    expectSetGone(pieces, "data.bin");
}

TEST(FolderRoundTrip, ProgressReportedOrNotTheJoinGivesTheSameBytes) {
    TempDir tmp;
    const std::string source = patternBytes(5 * 1024 * 1024 + 3, 21);
    writeFile(tmp / "data.bin", source);
    std::vector<std::string> rebuilt;
    for (bool watched : {true, false}) {
        SCOPED_TRACE(watched ? "with progress" : "without progress");
        const std::string pieces = tmp.mkdir(watched ? "pieces1" : "pieces2");
        const std::string out = tmp.mkdir(watched ? "out1" : "out2");
        const SplitJob job = folderJob(tmp / "data.bin", "data.bin", static_cast<std::int64_t>(source.size()),
                                       2 * 1024 * 1024, pieces);
        Silent silent;
        ScriptedPrompter scripted;
        Prompter& prompter = watched ? static_cast<Prompter&>(scripted) : silent;
        ASSERT_TRUE(splitToFolder(systemFileSystem(), prompter, job).isDone());
        FolderJoinJob joinJob;
        ASSERT_TRUE(readFolderManifest(systemFileSystem(), pieces + "/data.bin.inf.vek", joinJob).isDone());
        ASSERT_TRUE(joinFromFolder(systemFileSystem(), prompter, joinJob, out).isDone());
        if (watched) {
            ASSERT_FALSE(scripted.progressDone.empty());
            EXPECT_EQ(scripted.progressDone.back(), static_cast<std::int64_t>(source.size()));
        }
        rebuilt.push_back(readFile(out + "/data.bin"));
    }
    EXPECT_TRUE(rebuilt[0] == source);
    EXPECT_TRUE(rebuilt[1] == source);
}

// A diskette set written by the span writer and read back by the diskette
// join, each disk a folder that the test puts into drive A: at its prompt.
TEST(DisketteRoundTrip, ThreeDisksWrittenAndReadBack) {
    TempDir tmp;
    const std::string app = tmp.mkdir("app");
    writeFile(app + "/join.exe", "the joiner");
    const std::string out = tmp.mkdir("out");
    std::vector<std::string> disks;
    for (int k = 1; k <= 3; ++k) disks.push_back(tmp.mkdir("disk" + std::to_string(k)));
    const std::string name = "a, b.txt";
    const std::string source = patternBytes(2 * 1000 + 321, 5);
    writeFile(tmp / name, source);

    FaultyFileSystem fs;
    auto insert = [&](int k) {
        const std::string& disk = disks[static_cast<std::size_t>(k - 1)];
        fs.setDriveA(disk);
        fs.setDrives({Drive{"/", DriveKind::Fixed, std::int64_t{1} << 40},
                      Drive{disk, DriveKind::Removable, std::int64_t{1} << 40}});
    };
    insert(1);
    SplitJob job = folderJob(tmp / name, name, static_cast<std::int64_t>(source.size()), 1000, "");
    job.tofloppy = 1;
    ScriptedPrompter splitting;
    splitting.ok().ok([&] { insert(2); }).ok([&] { insert(3); });
    ASSERT_TRUE(splitToDiskettes(fs, splitting, job, app).isDone());

    // The set travels; disk 3 happens to be in the drive when the joiner starts.
    ScriptedPrompter joining;
    joining.onTell([&] { insert(1); });
    DisketteJoinJob joinJob;
    ASSERT_TRUE(readDisketteManifest(fs, joining, joinJob).isDone());
    EXPECT_EQ(joinJob.filename, name);
    EXPECT_EQ(joinJob.piececount, 3);
    joining.onTell([&] { insert(2); }).onTell([&] { insert(3); });
    ASSERT_TRUE(joinFromDiskettes(fs, joining, joinJob, out).isDone());
    EXPECT_EQ(joining.texts,
              (std::vector<std::string>{"Insert diskette #1 and click ok", "Insert diskette #2 and click OK",
                                        "Insert diskette #3 and click OK"}));
    EXPECT_TRUE(readFile(out + "/" + name) == source);
    EXPECT_EQ(listNames(disks[0]), (std::vector<std::string>{"a, b.txt.1", "a, b.txt.inf.vek",
                                                             "a, b.txt.xxh128", "help.txt", "join.exe"}));
}

}  // namespace
}  // namespace brindlecut
