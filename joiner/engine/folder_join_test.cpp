#include "joiner/engine/folder_join.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "common/checksum.h"
#include "common/contract.h"
#include "tests/support/faulty_file_system.h"
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
using testing::setReadOnly;
using testing::TempDir;
using testing::writeFile;

const std::string kOverwriteYes = std::string("yesno: ") + kOverwriteQuestion + " -> Yes";
const std::string kOverwriteNo = std::string("yesno: ") + kOverwriteQuestion + " -> No";

// Cuts `data` into pieces of `pieceSize` bytes (the last one shorter).
std::vector<std::string> cut(const std::string& data, std::size_t pieceSize) {
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < data.size(); at += pieceSize) pieces.push_back(data.substr(at, pieceSize));
    return pieces;
}

// Lays a split set down in `folder` as the splitter would, and returns the
// manifest's path.
std::string writeSet(const std::string& folder, const std::string& filename,
                     const std::vector<std::string>& pieces, const std::string& manifest = {}) {
    for (std::size_t k = 0; k < pieces.size(); ++k)
        writeFile(pathInFolder(folder, pieceName(filename, static_cast<std::int64_t>(k + 1))), pieces[k]);
    const std::string path = pathInFolder(folder, manifest.empty() ? manifestName(filename) : manifest);
    EXPECT_EQ(writeManifest(systemFileSystem(), path, filename, static_cast<std::int64_t>(pieces.size())), 0);
    return path;
}

// A split set in one folder and an empty destination folder beside it.
class FolderJoinTest : public ::testing::Test {
public:
    FolderJoinJob read(const std::string& manifestPath) {
        FolderJoinJob job;
        const Outcome outcome = readFolderManifest(fs, manifestPath, job);
        EXPECT_TRUE(outcome.isDone()) << outcome.text();
        return job;
    }
    // Writes a set of `count` pieces of distinct bytes and reads its manifest.
    FolderJoinJob prepare(int count, std::size_t pieceSize = 1000,
                          const std::string& filename = "report.doc") {
        data = patternBytes(static_cast<std::int64_t>(count * pieceSize - pieceSize / 3), 7);
        pieces = cut(data, pieceSize);
        manifestPath = writeSet(source.path(), filename, pieces);
        before = listNames(source.path());
        return read(manifestPath);
    }
    Outcome join(const FolderJoinJob& job) { return joinFromFolder(fs, prompter, job, dest.path()); }
    // Nothing of the split set changed.
    void expectSetIntact() {
        EXPECT_EQ(listNames(source.path()), before);
        for (std::size_t k = 0; k < pieces.size(); ++k)
            EXPECT_EQ(readFile(source / pieceName("report.doc", static_cast<std::int64_t>(k + 1))),
                      pieces[k]);
    }

    TempDir source;
    TempDir dest;
    FaultyFileSystem fs;
    ScriptedPrompter prompter;
    std::string data;
    std::vector<std::string> pieces;
    std::string manifestPath;
    std::vector<std::string> before;
};

// ---- the manifest read -------------------------------------------------------

struct RefusedManifest {
    const char* label;
    std::string bytes;
};

void PrintTo(const RefusedManifest& m, std::ostream* os) { *os << m.label; }

class RefusedManifestTest : public ::testing::TestWithParam<RefusedManifest> {};

TEST_P(RefusedManifestTest, IsFailedNamingTheFileAndLeavesTheJobAlone) {
    TempDir dir;
    const std::string path = dir / "set.inf.vek";
    writeFile(path, GetParam().bytes);
    writeFile(dir / "x.1", "piece");
    FaultyFileSystem fs;
    FolderJoinJob job{"/earlier/e.inf.vek", "e", 4, "/earlier/"};
    const Outcome outcome = readFolderManifest(fs, path, job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, path);
    EXPECT_NE(outcome.text().find(path), std::string::npos);
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_EQ(job.manifestPath, "/earlier/e.inf.vek");
    EXPECT_EQ(job.filename, "e");
    EXPECT_EQ(job.piececount, 4);
    EXPECT_EQ(job.folder, "/earlier/");
}

INSTANTIATE_TEST_SUITE_P(
    Manifests, RefusedManifestTest,
    ::testing::Values(RefusedManifest{"EmptyName", "\r\n 1 \r\n"}, RefusedManifest{"Dot", ".\r\n 1 \r\n"},
                      RefusedManifest{"DotDot", "..\r\n 1 \r\n"}, RefusedManifest{"Slash", "../x\r\n 1 \r\n"},
                      RefusedManifest{"AbsolutePath", "/etc/passwd\r\n 1 \r\n"},
                      RefusedManifest{"Backslash", "a\\x\r\n 1 \r\n"},
                      RefusedManifest{"ControlChar", std::string("a\x01x\r\n 1 \r\n")},
                      RefusedManifest{"Tab", "a\tx\r\n 1 \r\n"}, RefusedManifest{"Zero", "x\r\n 0 \r\n"},
                      RefusedManifest{"Negative", "x\r\n -1 \r\n"},
                      RefusedManifest{"TooMany", "x\r\n 32768 \r\n"},
                      RefusedManifest{"Letters", "x\r\n abc \r\n"},
                      RefusedManifest{"Fraction", "x\r\n 1.5 \r\n"}, RefusedManifest{"NoSecondLine", "x\r\n"},
                      RefusedManifest{"Empty", ""}),
    [](const ::testing::TestParamInfo<RefusedManifest>& info) { return std::string(info.param.label); });

TEST(ReadFolderManifest, MissingFileFailsWithItsPathAndReason) {
    TempDir dir;
    FaultyFileSystem fs;
    FolderJoinJob job;
    const Outcome outcome = readFolderManifest(fs, dir / "gone.inf.vek", job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, dir / "gone.inf.vek");
    EXPECT_EQ(outcome.error, ENOENT);
    EXPECT_TRUE(job.filename.empty());
}

TEST(ReadFolderManifest, FillsTheJobFromLineOneAndTheManifestsFolder) {
    struct Case {
        std::string filename;
        int count;
        std::string manifest;
    };
    const Case cases[] = {{"report.doc", 3, "report.doc.inf.vek"},
                          {"a, b.txt", 2, "a, b.txt.inf.vek"},
                          {" leading blank.txt", 12, " leading blank.txt.inf.vek"},
                          {"archive.tar.gz", 32767, "archive.tar.gz.inf.vek"},
                          {"na\xc3\xafve \xe2\x82\xac.bin", 1, "renamed by the user.vek"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filename);
        TempDir dir;
        const std::string path = writeSet(dir.path(), c.filename, {}, c.manifest);
        writeManifest(systemFileSystem(), path, c.filename, c.count);
        FaultyFileSystem fs;
        FolderJoinJob job;
        ASSERT_TRUE(readFolderManifest(fs, path, job).isDone());
        EXPECT_EQ(job.manifestPath, path);
        EXPECT_EQ(job.filename, c.filename);
        EXPECT_EQ(job.piececount, c.count);
        EXPECT_EQ(job.folder, dir.path() + "/");
    }
}

TEST(ReadFolderManifest, BareManifestNameFindsPiecesInTheCurrentFolder) {
    TempDir dir;
    writeFile(dir / "x.inf.vek", "x\r\n 2 \r\n");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    FaultyFileSystem fs;
    FolderJoinJob job;
    const Outcome outcome = readFolderManifest(fs, "x.inf.vek", job);
    std::filesystem::current_path(previous);
    ASSERT_TRUE(outcome.isDone());
    EXPECT_EQ(job.folder, "./");
}

// ---- the destination check ---------------------------------------------------

TEST(DestinationFor, JoinsFolderAndNameAndTellsWhetherToAsk) {
    TempDir dir;
    FaultyFileSystem fs;
    writeFile(dir / "there.bin", "old");
    dir.mkdir("folder.bin");
    struct Case {
        std::string folder;
        std::string filename;
        std::string path;
        bool mustAsk;
    };
    const Case cases[] = {{dir.path(), "new.bin", dir / "new.bin", false},
                          {dir.path() + "/", "new.bin", dir / "new.bin", false},
                          {dir.path(), "there.bin", dir / "there.bin", true},
                          {dir.path() + "/", "there.bin", dir / "there.bin", true},
                          {dir.path(), "folder.bin", dir / "folder.bin", false},
                          {"/", "report.doc", "/report.doc", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " " + c.filename);
        const Destination d = destinationFor(fs, c.folder, c.filename);
        EXPECT_EQ(d.path, c.path);
        EXPECT_EQ(d.mustAsk, c.mustAsk);
    }
}

TEST(CheckDestination, AsksOnlyWhenAFileIsThereAndNoRefuses) {
    TempDir dir;
    FaultyFileSystem fs;
    writeFile(dir / "there.bin", "old");
    struct Case {
        std::string filename;
        std::vector<bool> answers;
        bool accepted;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"new.bin", {}, true, {}},
        {"there.bin", {true}, true, {kOverwriteYes}},
        {"there.bin", {false}, false, {kOverwriteNo, "tell: Choose a different directory"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filename);
        ScriptedPrompter prompter;
        for (bool a : c.answers) prompter.answer(a);
        std::string path = "unchanged";
        EXPECT_EQ(checkDestination(fs, prompter, dir.path(), c.filename, path), c.accepted);
        EXPECT_EQ(path, c.accepted ? dir / c.filename : "unchanged");
        EXPECT_EQ(prompter.shown, c.shown);
        EXPECT_EQ(prompter.unscripted, 0);
    }
    EXPECT_EQ(readFile(dir / "there.bin"), "old");
}

TEST(TemporaryPathFor, IsHiddenBesideTheDestinationAndNumberedAfterTheFirst) {
    TempDir dir;
    const std::string first = temporaryPathFor(dir / "report.doc", 1);
    EXPECT_EQ(first, dir / ".report.doc.joining");
    EXPECT_EQ(temporaryPathFor(dir / "report.doc", 2), dir / ".report.doc.joining-2");
    EXPECT_EQ(temporaryPathFor(dir / "report.doc", 999), dir / ".report.doc.joining-999");

    // The longest name a file may have still leaves a usable temporary name.
    const std::string longName(255, 'n');
    const std::string longTemp = temporaryPathFor(dir / longName, 999);
    EXPECT_LE(baseName(longTemp).size(), 255u);
    writeFile(longTemp, "fits");
    EXPECT_EQ(readFile(longTemp), "fits");
}

TEST(RebuiltFile, TakesTheFirstFreeNameAndNeverWritesThroughALink) {
    TempDir dir;
    FaultyFileSystem fs;
    writeFile(dir / "target", "not ours");
    ASSERT_EQ(::symlink((dir / "target").c_str(), temporaryPathFor(dir / "report.doc", 1).c_str()), 0);
    writeFile(temporaryPathFor(dir / "report.doc", 2), "taken");
    RebuiltFile rebuilt(fs, dir / "report.doc");
    ASSERT_EQ(rebuilt.open(), 0);
    EXPECT_EQ(rebuilt.temporaryPath(), temporaryPathFor(dir / "report.doc", 3));
    ASSERT_EQ(rebuilt.file().writeAt(0, "new", 3), 0);
    ASSERT_EQ(rebuilt.commit(), 0);
    EXPECT_TRUE(rebuilt.placed());
    EXPECT_EQ(readFile(dir / "report.doc"), "new");
    EXPECT_EQ(readFile(dir / "target"), "not ours");
    EXPECT_EQ(readFile(temporaryPathFor(dir / "report.doc", 2)), "taken");
}

// ---- whole joins -------------------------------------------------------------

TEST(FolderJoin, RoundTripsByteForByte) {
    struct Case {
        std::string filename;
        std::int64_t size;
        std::size_t pieceSize;
        std::size_t expectedPieces;
    };
    const Case cases[] = {{"one byte pieces.bin", 7, 1, 7},
                          {"report.doc", 10, 3, 4},
                          {"exact.bin", 9, 3, 3},
                          {"a, b.txt", 1001, 1000, 2},
                          {" leading blank.txt", 999, 1000, 1},
                          {"archive.tar.gz", 120, 10, 12},
                          {"na\xc3\xafve.bin", 3 * 65536 + 1, 65536, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filename);
        TempDir source, dest;
        const std::string data = patternBytes(c.size, 3);
        const auto pieces = cut(data, c.pieceSize);
        ASSERT_EQ(pieces.size(), c.expectedPieces);
        const std::string manifest = writeSet(source.path(), c.filename, pieces);
        FaultyFileSystem fs;
        ScriptedPrompter prompter;
        FolderJoinJob job;
        ASSERT_TRUE(readFolderManifest(fs, manifest, job).isDone());
        const Outcome outcome = joinFromFolder(fs, prompter, job, dest.path());
        ASSERT_TRUE(outcome.isDone()) << outcome.text();
        EXPECT_EQ(outcome.message, "");
        EXPECT_EQ(readFile(dest / c.filename), data);
        EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{c.filename});
        EXPECT_TRUE(listNames(source.path()).empty());
        EXPECT_TRUE(prompter.shown.empty());
        ASSERT_FALSE(prompter.progressDone.empty());
        EXPECT_EQ(prompter.progressDone.back(), c.size);
        EXPECT_GE(prompter.progressEnds, 1);
    }
}

TEST_F(FolderJoinTest, TwelvePiecesAreReadInNumericOrder) {
    const FolderJoinJob job = prepare(12, 100);
    std::vector<std::string> opened;
    fs.beforeCall = [&](Op op, const std::string& path) {
        // The look for a checksum file comes first and finds none.
        if (op == Op::OpenRead && !path.ends_with(".xxh128")) opened.push_back(baseName(path));
    };
    ASSERT_TRUE(join(job).isDone());
    std::vector<std::string> expected;
    for (int i = 1; i <= 12; ++i) expected.push_back("report.doc." + std::to_string(i));
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(prompter.progressItems.back(), "report.doc.12");
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

TEST_F(FolderJoinTest, RenamedManifestStillFindsThePieces) {
    prepare(3);
    const std::string renamed = source / "something else.vek";
    std::filesystem::rename(manifestPath, renamed);
    const FolderJoinJob job = read(renamed);
    ASSERT_TRUE(join(job).isDone());
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    EXPECT_TRUE(listNames(source.path()).empty());
}

TEST_F(FolderJoinTest, RootLikeDestinationFolderEndingInSeparator) {
    const FolderJoinJob job = prepare(3);
    std::vector<std::string> paths;
    fs.beforeCall = [&](Op, const std::string& path) { paths.push_back(path); };
    ASSERT_TRUE(joinFromFolder(fs, prompter, job, dest.path() + "/").isDone());
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    for (const auto& path : paths) EXPECT_EQ(path.find("//"), std::string::npos) << path;
}

TEST_F(FolderJoinTest, OverwriteNoChangesNothingThenYesGivesTheExactLength) {
    const FolderJoinJob job = prepare(3);
    const std::string earlier = patternBytes(static_cast<std::int64_t>(data.size()) * 3, 99);
    writeFile(dest / "report.doc", earlier);

    prompter.answer(false);
    const Outcome refused = join(job);
    EXPECT_TRUE(refused.isCancelled());
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{kOverwriteNo, "tell: Choose a different directory"}));
    EXPECT_EQ(readFile(dest / "report.doc"), earlier);
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    expectSetIntact();

    prompter.shown.clear();
    prompter.answer(true);
    ASSERT_TRUE(join(job).isDone());
    EXPECT_EQ(prompter.shown, std::vector<std::string>{kOverwriteYes});
    const std::string rebuilt = readFile(dest / "report.doc");
    EXPECT_EQ(rebuilt.size(), data.size());
    EXPECT_EQ(rebuilt, data);
    EXPECT_TRUE(listNames(source.path()).empty());
}

TEST_F(FolderJoinTest, MissingPieceIsNamedAndNothingChanges) {
    const FolderJoinJob job = prepare(3);
    std::filesystem::remove(source / "report.doc.2");
    before = listNames(source.path());
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, source / "report.doc.2");
    EXPECT_EQ(outcome.error, ENOENT);
    EXPECT_NE(outcome.text().find(source / "report.doc.2"), std::string::npos);
    EXPECT_TRUE(listNames(dest.path()).empty());
    EXPECT_EQ(listNames(source.path()), before);
    EXPECT_EQ(fs.calls(Op::CreateNew), 0);
}

TEST_F(FolderJoinTest, PieceThatIsAFolderIsRefused) {
    const FolderJoinJob job = prepare(3);
    std::filesystem::remove(source / "report.doc.3");
    source.mkdir("report.doc.3");
    before = listNames(source.path());
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, source / "report.doc.3");
    EXPECT_TRUE(listNames(dest.path()).empty());
    EXPECT_EQ(listNames(source.path()), before);
}

TEST_F(FolderJoinTest, EmptyPieceIsNamedAndNothingChanges) {
    const FolderJoinJob job = prepare(3);
    writeFile(source / "report.doc.2", "");
    pieces[1].clear();
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, source / "report.doc.2");
    EXPECT_NE(outcome.text().find(source / "report.doc.2"), std::string::npos);
    EXPECT_TRUE(listNames(dest.path()).empty());
    expectSetIntact();
    EXPECT_EQ(fs.calls(Op::CreateNew), 0);
}

TEST_F(FolderJoinTest, NoDestinationFolderWritesNothing) {
    const FolderJoinJob job = prepare(2);
    fs.beforeCall = [](Op op, const std::string& path) {
        EXPECT_TRUE(op != Op::CreateNew && op != Op::Create && op != Op::Rename) << path;
    };
    EXPECT_TRUE(joinFromFolder(fs, prompter, job, "").isFailed());
    EXPECT_TRUE(prompter.shown.empty());
    expectSetIntact();
}

TEST_F(FolderJoinTest, FolderInTheWayOfTheDestinationIsRefusedWithoutAsking) {
    const FolderJoinJob job = prepare(2);
    dest.mkdir("report.doc");
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, dest / "report.doc");
    EXPECT_EQ(outcome.error, EISDIR);
    EXPECT_TRUE(prompter.shown.empty());
    expectSetIntact();
}

TEST_F(FolderJoinTest, NotEnoughRoomNamesFolderNeededAndAvailable) {
    const FolderJoinJob job = prepare(3);
    fs.setAvailable(dest.path(), static_cast<std::int64_t>(data.size()) - 1);
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, dest.path());
    EXPECT_NE(outcome.text().find(dest.path()), std::string::npos);
    EXPECT_NE(outcome.message.find(std::to_string(data.size()) + " bytes are needed"), std::string::npos);
    EXPECT_NE(outcome.message.find(std::to_string(data.size() - 1) + " bytes are available"),
              std::string::npos);
    EXPECT_TRUE(listNames(dest.path()).empty());
    expectSetIntact();

    fs.setAvailable(dest.path(), static_cast<std::int64_t>(data.size()));
    ASSERT_TRUE(join(job).isDone());
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

// Each fault, injected at its step, ends with a failure that names the right
// file, no temporary file, an earlier destination file untouched and the split
// set complete.
struct InjectedFault {
    const char* label;
    Op op;
    Errno error;
    const char* pathContains;  // "" for any path
    int after;
    const char* namedFile;  // the file the outcome names, relative to `source` or `dest`
    bool namedInDest;
};

void PrintTo(const InjectedFault& f, std::ostream* os) { *os << f.label; }

class FolderJoinFaultTest : public FolderJoinTest, public ::testing::WithParamInterface<InjectedFault> {};

TEST_P(FolderJoinFaultTest, FailsNamingTheFileAndLeavesEverythingAsItWas) {
    const InjectedFault& f = GetParam();
    const FolderJoinJob job = prepare(3);
    const std::string earlier = "earlier file, longer than nothing";
    writeFile(dest / "report.doc", earlier);
    prompter.answer(true);
    fs.failOn(f.op, f.error, f.pathContains, f.after);
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed()) << outcome.text();
    const std::string folder = f.namedInDest ? dest.path() : source.path();
    EXPECT_EQ(outcome.path, *f.namedFile ? folder + "/" + f.namedFile : folder);
    EXPECT_EQ(outcome.error, f.error);
    EXPECT_NE(outcome.text().find(reasonText(f.error)), std::string::npos);
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    EXPECT_EQ(readFile(dest / "report.doc"), earlier);
    expectSetIntact();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FolderJoinFaultTest,
    ::testing::Values(
        InjectedFault{"CheckOfPiece", Op::Info, EIO, "report.doc.2", 0, "report.doc.2", false},
        InjectedFault{"FreeSpace", Op::AvailableSpace, EIO, "", 0, "", true},
        InjectedFault{"CreateDestination", Op::CreateNew, EACCES, "", 0, "report.doc", true},
        InjectedFault{"OpenFirstPiece", Op::OpenRead, EACCES, "report.doc.1", 0, "report.doc.1", false},
        InjectedFault{"SizeOfLastPiece", Op::Size, EIO, "report.doc.3", 0, "report.doc.3", false},
        InjectedFault{"ReadMiddlePiece", Op::CopyRange, EIO, "report.doc.2", 0, "report.doc.2", false},
        InjectedFault{"WriteDestinationFull", Op::Write, ENOSPC, ".joining", 1, "report.doc", true},
        InjectedFault{"ReserveDestination", Op::Reserve, ENOSPC, ".joining", 0, "report.doc", true},
        InjectedFault{"CloseDestination", Op::Close, EIO, ".joining", 0, "report.doc", true},
        InjectedFault{"Rename", Op::Rename, EXDEV, "", 0, "report.doc", true}),
    [](const ::testing::TestParamInfo<InjectedFault>& info) { return std::string(info.param.label); });

TEST_F(FolderJoinTest, DestinationFolderThatDoesNotExistFails) {
    const FolderJoinJob job = prepare(2);
    const Outcome outcome = joinFromFolder(fs, prompter, job, dest / "not there");
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_NE(outcome.text().find(dest / "not there"), std::string::npos);
    EXPECT_FALSE(exists(dest / "not there"));
    expectSetIntact();
}

TEST_F(FolderJoinTest, PieceRemovedBetweenTheCheckAndItsReadIsNamed) {
    const FolderJoinJob job = prepare(3);
    fs.beforeCall = [&](Op op, const std::string& path) {
        if (op == Op::OpenRead && baseName(path) == "report.doc.2") std::filesystem::remove(path);
    };
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, source / "report.doc.2");
    EXPECT_EQ(outcome.error, ENOENT);
    EXPECT_TRUE(listNames(dest.path()).empty());
    EXPECT_EQ(listNames(source.path()),
              (std::vector<std::string>{"report.doc.1", "report.doc.3", "report.doc.inf.vek"}));
    EXPECT_EQ(readFile(source / "report.doc.1"), pieces[0]);
    EXPECT_EQ(readFile(source / "report.doc.3"), pieces[2]);
}

TEST_F(FolderJoinTest, FilesThatCannotBeDeletedAreNamedInOneNotice) {
    const FolderJoinJob job = prepare(4);
    setReadOnly(manifestPath);
    setReadOnly(source / "report.doc.2");
    fs.failOn(Op::RemoveFile, EBUSY, "report.doc.4");
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(outcome.message,
              "The file has been rebuilt, but these files of the split set could not be deleted:\n" +
                  manifestPath + ": " + reasonText(EACCES) + "\n" + (source / "report.doc.2") + ": " +
                  reasonText(EACCES) + "\n" + (source / "report.doc.4") + ": " + reasonText(EBUSY));
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    EXPECT_EQ(listNames(source.path()),
              (std::vector<std::string>{"report.doc.2", "report.doc.4", "report.doc.inf.vek"}));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(FolderJoinTest, DeletesTheManifestBeforeThePiecesAndOnlyAfterTheRename) {
    const FolderJoinJob job = prepare(3);
    std::vector<std::string> steps;
    fs.beforeCall = [&](Op op, const std::string& path) {
        if (op == Op::Rename) steps.push_back("rename " + baseName(path));
        if (op == Op::RemoveFile) steps.push_back("remove " + baseName(path));
    };
    ASSERT_TRUE(join(job).isDone());
    EXPECT_EQ(steps, (std::vector<std::string>{"rename report.doc", "remove report.doc.inf.vek",
                                               "remove report.doc.1", "remove report.doc.2",
                                               "remove report.doc.3"}));
}

TEST_F(FolderJoinTest, CancelAtFirstMiddleAndLastPieceLeavesEverythingAsItWas) {
    const FolderJoinJob job = prepare(5);
    const std::string earlier = "an earlier report";
    writeFile(dest / "report.doc", earlier);
    for (int cancelAt : {0, 2, 4}) {
        SCOPED_TRACE(cancelAt);
        ScriptedPrompter cancelling;
        cancelling.answer(true);
        cancelling.cancelAfterProgress = cancelAt;
        const Outcome outcome = joinFromFolder(fs, cancelling, job, dest.path());
        EXPECT_TRUE(outcome.isCancelled());
        EXPECT_EQ(cancelling.shown, std::vector<std::string>{kOverwriteYes});
        EXPECT_EQ(cancelling.progressItems.back(), "report.doc." + std::to_string(cancelAt + 1));
        EXPECT_GE(cancelling.progressEnds, 1);
        EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
        EXPECT_EQ(readFile(dest / "report.doc"), earlier);
        expectSetIntact();
    }
}

TEST_F(FolderJoinTest, JoinIntoTheFolderOfTheSetLeavesOnlyTheRebuiltFile) {
    const FolderJoinJob job = prepare(3);
    ASSERT_TRUE(joinFromFolder(fs, prompter, job, source.path()).isDone());
    EXPECT_EQ(listNames(source.path()), std::vector<std::string>{"report.doc"});
    EXPECT_EQ(readFile(source / "report.doc"), data);
}

TEST(FolderJoin, RebuiltFileThatTakesTheManifestsPlaceIsNotDeletedWithIt) {
    TempDir dir;
    const std::string data = patternBytes(50, 4);
    const std::string manifest = writeSet(dir.path(), "data.vek", cut(data, 20), "data.vek");
    FaultyFileSystem fs;
    ScriptedPrompter prompter;
    prompter.answer(true);
    FolderJoinJob job;
    ASSERT_TRUE(readFolderManifest(fs, manifest, job).isDone());
    ASSERT_TRUE(joinFromFolder(fs, prompter, job, dir.path()).isDone());
    EXPECT_EQ(prompter.shown, std::vector<std::string>{kOverwriteYes});
    EXPECT_EQ(listNames(dir.path()), std::vector<std::string>{"data.vek"});
    EXPECT_EQ(readFile(dir / "data.vek"), data);
}

TEST(FolderJoin, RebuiltFileInTheManifestsPlaceSurvivesAnotherSpellingOfTheFolder) {
    TempDir dir;
    const std::string real = dir.mkdir("real");
    ASSERT_EQ(::symlink(real.c_str(), (dir / "alias").c_str()), 0);
    const std::string data = patternBytes(50, 4);
    const std::string manifest = writeSet(real, "data.vek", cut(data, 20), "data.vek");
    FaultyFileSystem fs;
    ScriptedPrompter prompter;
    prompter.answer(true);
    FolderJoinJob job;
    ASSERT_TRUE(readFolderManifest(fs, manifest, job).isDone());
    // The folder list gives the folder by a link, the file dialog by its own path.
    const Outcome outcome = joinFromFolder(fs, prompter, job, dir / "alias");
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(listNames(real), std::vector<std::string>{"data.vek"});
    EXPECT_EQ(readFile(real + "/data.vek"), data);
}

TEST_F(FolderJoinTest, JobWithoutManifestDoesNothing) {
    prepare(2);
    const Outcome outcome = join(FolderJoinJob{});
    EXPECT_TRUE(outcome.isFailed());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(listNames(dest.path()).empty());
    expectSetIntact();
}

TEST(FolderJoin, SetCutBySystemSplitJoinsBackExactly) {
    TempDir source, dest;
    const std::string data = patternBytes(100000, 11);
    writeFile(source / "original.bin", data);
    const std::string command = "cd '" + source.path() + "' && /usr/bin/split -b 7000 original.bin cut.";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::filesystem::remove(source / "original.bin");
    // split names its pieces cut.aa, cut.ab, ... in order.
    const auto names = listNames(source.path());
    ASSERT_EQ(names.size(), 15u);
    for (std::size_t k = 0; k < names.size(); ++k)
        std::filesystem::rename(source / names[k],
                                source / pieceName("original.bin", static_cast<std::int64_t>(k + 1)));
    ASSERT_EQ(writeManifest(systemFileSystem(), source / "original.bin.inf.vek", "original.bin", 15), 0);

    FaultyFileSystem fs;
    ScriptedPrompter prompter;
    FolderJoinJob job;
    ASSERT_TRUE(readFolderManifest(fs, source / "original.bin.inf.vek", job).isDone());
    ASSERT_TRUE(joinFromFolder(fs, prompter, job, dest.path()).isDone());
    EXPECT_EQ(readFile(dest / "original.bin"), data);
    EXPECT_TRUE(listNames(source.path()).empty());
}

TEST(AppendPiece, AppendsAtTheOffsetAndNamesOnlyAPieceFault) {
    TempDir dir;
    FaultyFileSystem fs;
    ScriptedPrompter prompter;
    writeFile(dir / "p.1", "first");
    writeFile(dir / "p.2", "second");
    std::unique_ptr<File> out;
    ASSERT_EQ(fs.create(dir / "out", out), 0);
    ProgressTracker tracker(prompter, 11);
    std::int64_t offset = 0;
    std::string failed = "stale";
    ASSERT_EQ(appendPiece(fs, dir / "p.1", *out, offset, tracker, failed), 0);
    EXPECT_EQ(offset, 5);
    EXPECT_EQ(failed, "");
    ASSERT_EQ(appendPiece(fs, dir / "p.2", *out, offset, tracker, failed), 0);
    EXPECT_EQ(offset, 11);

    EXPECT_EQ(appendPiece(fs, dir / "p.3", *out, offset, tracker, failed), ENOENT);
    EXPECT_EQ(failed, dir / "p.3");
    fs.failOn(Op::Write, ENOSPC, dir / "out");
    EXPECT_EQ(appendPiece(fs, dir / "p.1", *out, offset, tracker, failed), ENOSPC);
    EXPECT_EQ(failed, "");
    EXPECT_EQ(offset, 11);
    ASSERT_EQ(out->close(), 0);
    EXPECT_EQ(readFile(dir / "out"), "firstsecond");
    EXPECT_EQ(prompter.progressItems, (std::vector<std::string>{"p.1", "p.2"}));
    EXPECT_EQ(prompter.progressDone, (std::vector<std::int64_t>{5, 11}));
}

}  // namespace
}  // namespace brindlecut

namespace brindlecut {
namespace {

// ---- durability, confined writes, cut-off and damaged sets -------------------

const std::string kDamaged = "A piece is damaged: its checksum differs. Nothing was changed.";
const std::string kWrongSize = "A piece of the split file has the wrong size.";
const std::string kChecksumRefused =
    "The checksum file cannot be read or does not list the set's pieces. Remove it to join without "
    "verification.";

// The checksum file that the splitter writes beside the manifest, in the
// order given (pieces numbered from 1).
std::string checksumText(const std::string& filename, const std::vector<std::string>& pieces,
                         const std::vector<int>& order = {}) {
    std::vector<int> numbers = order;
    if (numbers.empty())
        for (std::size_t k = 1; k <= pieces.size(); ++k) numbers.push_back(static_cast<int>(k));
    std::string text;
    for (int k : numbers) {
        PieceHash hash;
        hash.update(pieces[static_cast<std::size_t>(k - 1)].data(),
                    pieces[static_cast<std::size_t>(k - 1)].size());
        text += checksumLine({hash.hex(), pieceName(filename, k)});
    }
    return text;
}

// A set with its checksum file, an earlier file at the destination, and a
// record of every call the join makes.
class VerifiedJoinTest : public FolderJoinTest {
public:
    FolderJoinJob prepareVerified(int count, std::size_t pieceSize = 1000) {
        FolderJoinJob job = prepare(count, pieceSize);
        writeFile(source / "report.doc.xxh128", checksumText("report.doc", pieces));
        before = listNames(source.path());
        return job;
    }
    // Nothing changed: the set with its checksum file, the earlier file, and
    // no temporary file left.
    void expectNothingChanged(const std::string& earlier) {
        expectSetIntact();
        EXPECT_TRUE(exists(source / "report.doc.xxh128"));
        EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
        EXPECT_EQ(readFile(dest / "report.doc"), earlier);
    }
};

struct Damage {
    const char* label;
    int piece;  // 1-based
    std::function<void(std::string&)> change;
    const std::string* message;
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.label; }

class DamagedPieceTest : public VerifiedJoinTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedPieceTest, IsRefusedNamingThePieceAndNothingIsDeletedOrReplaced) {
    const Damage& d = GetParam();
    const FolderJoinJob job = prepareVerified(4);
    const std::string earlier = "an earlier report";
    writeFile(dest / "report.doc", earlier);
    const std::string name = pieceName("report.doc", d.piece);
    std::string& bytes = pieces[static_cast<std::size_t>(d.piece - 1)];
    d.change(bytes);
    writeFile(source / name, bytes);
    prompter.answer(true);
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed()) << outcome.text();
    EXPECT_EQ(outcome.message, *d.message);
    EXPECT_EQ(outcome.path, source / name);
    EXPECT_EQ(outcome.error, 0);
    EXPECT_EQ(fs.calls(Op::Rename), 0);
    EXPECT_EQ(fs.calls(Op::RemoveFile), d.message == &kDamaged ? 1 : 0);  // the temporary file only
    expectNothingChanged(earlier);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, DamagedPieceTest,
    ::testing::Values(Damage{"FlippedBitInTheFirst", 1, [](std::string& b) { b[0] ^= 1; }, &kDamaged},
                      Damage{"FlippedBitInTheMiddle", 2, [](std::string& b) { b[517] ^= 0x10; }, &kDamaged},
                      Damage{"FlippedBitInTheLast", 4, [](std::string& b) { b.back() ^= 0x80; }, &kDamaged},
                      Damage{"ZeroFilledTailOfAMiddleOne", 3,
                             [](std::string& b) { std::fill(b.begin() + 600, b.end(), '\0'); }, &kDamaged},
                      Damage{"ZeroFilledTailOfTheLast", 4,
                             [](std::string& b) { std::fill(b.begin() + 10, b.end(), '\0'); }, &kDamaged},
                      Damage{"MiddleOneCutShort", 2, [](std::string& b) { b.resize(400); }, &kWrongSize},
                      Damage{"LastOneCutShort", 4, [](std::string& b) { b.resize(b.size() - 1); }, &kDamaged},
                      Damage{"LastOneLongerThanTheFirst", 4, [](std::string& b) { b.resize(1001, 'x'); },
                             &kWrongSize}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.label); });

// Without a checksum file only the sizes tell a cut-off set: checked for
// every piece before anything is written.
TEST_F(FolderJoinTest, CutOffSetsAreRefusedNamingTheOddPieceBeforeAnythingIsWritten) {
    struct Case {
        const char* label;
        int piece;
        std::size_t size;
    };
    const Case cases[] = {{"second of four cut short", 2, 400},
                          {"third of four one byte longer", 3, 1001},
                          {"first of four cut short", 1, 999},
                          {"last longer than the others", 4, 1001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const FolderJoinJob job = prepare(4);
        pieces[static_cast<std::size_t>(c.piece - 1)].resize(c.size, 'x');
        const std::string name = pieceName("report.doc", c.piece);
        writeFile(source / name, pieces[static_cast<std::size_t>(c.piece - 1)]);
        FaultyFileSystem counting;
        const Outcome outcome = joinFromFolder(counting, prompter, job, dest.path());
        ASSERT_TRUE(outcome.isFailed());
        EXPECT_EQ(outcome.message, kWrongSize);
        // A first piece cut short makes the second the odd one out.
        EXPECT_EQ(outcome.path, source / (c.piece == 1 ? pieceName("report.doc", 2) : name));
        EXPECT_EQ(counting.calls(Op::CreateNew), 0);
        EXPECT_EQ(counting.calls(Op::RemoveFile), 0);
        EXPECT_TRUE(listNames(dest.path()).empty());
        expectSetIntact();
    }
}

TEST_F(VerifiedJoinTest, VerifiedSetJoinsAndItsChecksumFileGoesWithIt) {
    struct Case {
        const char* label;
        std::vector<int> order;
        std::string extra;
    };
    // xxhsum -H2 report.doc.* lists the pieces in the shell's order.
    const Case cases[] = {
        {"in piece order", {}, ""},
        {"in the order of a shell pattern", {1, 10, 11, 12, 2, 3, 4, 5, 6, 7, 8, 9}, ""},
        {"with other files listed too", {}, "0123456789abcdef0123456789abcdef  notes.txt\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const FolderJoinJob job = prepare(12, 100);
        writeFile(source / "report.doc.xxh128", c.extra + checksumText("report.doc", pieces, c.order));
        std::vector<std::string> removed;
        fs.beforeCall = [&](Op op, const std::string& path) {
            if (op == Op::RemoveFile) removed.push_back(baseName(path));
        };
        ScriptedPrompter quiet;
        quiet.answer(true);
        const Outcome outcome = joinFromFolder(fs, quiet, job, dest.path());
        ASSERT_TRUE(outcome.isDone()) << outcome.text();
        EXPECT_EQ(outcome.message, "");
        EXPECT_EQ(readFile(dest / "report.doc"), data);
        EXPECT_TRUE(listNames(source.path()).empty());
        ASSERT_GE(removed.size(), 3u);
        EXPECT_EQ(removed[0], "report.doc.inf.vek");
        EXPECT_EQ(removed[1], "report.doc.xxh128");
        EXPECT_EQ(removed[2], "report.doc.1");
        fs.beforeCall = nullptr;
    }
}

TEST_F(VerifiedJoinTest, ChecksumFileThatCannotBeTrustedRefusesTheJoinNamingIt) {
    struct Case {
        const char* label;
        std::function<void(VerifiedJoinTest&)> arrange;
        Errno error;
    };
    const Case cases[] = {
        {"empty", [](VerifiedJoinTest& t) { writeFile(t.source / "report.doc.xxh128", ""); }, 0},
        {"one piece missing",
         [](VerifiedJoinTest& t) {
             writeFile(t.source / "report.doc.xxh128", checksumText("report.doc", t.pieces, {1, 3}));
         },
         0},
        // The manifest's count was damaged (4 to 3): the set would join short.
        {"a piece beyond the manifest's count",
         [](VerifiedJoinTest& t) {
             writeFile(t.source / "report.doc.xxh128",
                       checksumText("report.doc", t.pieces) + std::string(32, '0') + "  report.doc.4\n");
         },
         0},
        {"not a checksum file",
         [](VerifiedJoinTest& t) { writeFile(t.source / "report.doc.xxh128", "hello\n"); }, 0},
        {"hashes cut off",
         [](VerifiedJoinTest& t) {
             std::string text = checksumText("report.doc", t.pieces);
             text.erase(text.find("  report.doc.2") - 5, 5);
             writeFile(t.source / "report.doc.xxh128", text);
         },
         0},
        {"unreadable", [](VerifiedJoinTest& t) { t.fs.failOn(Op::OpenRead, EACCES, ".xxh128"); }, EACCES},
        {"read fails", [](VerifiedJoinTest& t) { t.fs.failOn(Op::Read, EIO, ".xxh128"); }, EIO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const FolderJoinJob job = prepareVerified(3);
        fs.clearFaults();
        c.arrange(*this);
        before = listNames(source.path());
        const std::string checksums = readFile(source / "report.doc.xxh128");
        const int creates = fs.calls(Op::CreateNew);
        const Outcome outcome = join(job);
        ASSERT_TRUE(outcome.isFailed());
        EXPECT_EQ(outcome.message, kChecksumRefused);
        EXPECT_EQ(outcome.path, source / "report.doc.xxh128");
        EXPECT_EQ(outcome.error, c.error);
        EXPECT_EQ(fs.calls(Op::CreateNew), creates);
        EXPECT_TRUE(listNames(dest.path()).empty());
        expectSetIntact();
        EXPECT_EQ(readFile(source / "report.doc.xxh128"), checksums);
    }
}

TEST_F(FolderJoinTest, FlushRenameFlushFolderThenDelete) {
    const FolderJoinJob job = prepare(2);
    writeFile(dest / "report.doc", "earlier");
    prompter.answer(true);
    std::vector<std::string> steps;
    fs.beforeCall = [&](Op op, const std::string& path) {
        const std::string name = baseName(path);
        if (op == Op::CopyAttributes) steps.push_back("attributes " + name);
        if (op == Op::Sync) steps.push_back("sync " + name);
        if (op == Op::Close && name.ends_with(".joining")) steps.push_back("close " + name);
        if (op == Op::Rename) steps.push_back("rename " + name);
        if (op == Op::SyncFolder) steps.push_back("sync folder " + path);
        if (op == Op::RemoveFile) steps.push_back("remove " + name);
    };
    ASSERT_TRUE(join(job).isDone());
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "attributes .report.doc.joining", "sync .report.doc.joining",
                         "close .report.doc.joining", "rename report.doc", "sync folder " + dest.path() + "/",
                         "remove report.doc.inf.vek", "remove report.doc.1", "remove report.doc.2"}));
}

TEST_F(FolderJoinTest, FailedFlushOfTheRebuiltFileLeavesTheSetAndTheEarlierFile) {
    for (Op op : {Op::Sync, Op::CopyAttributes}) {
        SCOPED_TRACE(static_cast<int>(op));
        const FolderJoinJob job = prepare(3);
        writeFile(dest / "report.doc", "earlier");
        prompter.answer(true);
        fs.clearFaults();
        fs.failOn(op, EIO);
        const Outcome outcome = join(job);
        ASSERT_TRUE(outcome.isFailed());
        EXPECT_EQ(outcome.message, "The rebuilt file could not be written.");
        EXPECT_EQ(outcome.path, dest / "report.doc");
        EXPECT_EQ(outcome.error, EIO);
        EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
        EXPECT_EQ(readFile(dest / "report.doc"), "earlier");
        expectSetIntact();
    }
}

TEST_F(FolderJoinTest, FailedFlushOfTheFolderKeepsTheSetBesideTheRebuiltFile) {
    const FolderJoinJob job = prepare(3);
    writeFile(dest / "report.doc", "earlier");
    prompter.answer(true);
    fs.failOn(Op::SyncFolder, EIO);
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.message, "The folder could not be flushed, so the split set was kept.");
    EXPECT_EQ(outcome.path, dest / "report.doc");
    EXPECT_EQ(outcome.error, EIO);
    // The rename had been done: the file is complete, and nothing was deleted.
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    EXPECT_EQ(fs.calls(Op::RemoveFile), 0);
    expectSetIntact();
}

TEST_F(FolderJoinTest, AnOverwrittenFileKeepsItsPermissionsANewOneGetsTheDefault) {
    TempDir probe;
    writeFile(probe / "new", "");
    struct stat fresh {};
    ASSERT_EQ(::stat((probe / "new").c_str(), &fresh), 0);
    struct Case {
        const char* label;
        int mode;  // -1: no earlier file
        int expected;
    };
    const Case cases[] = {{"private", 0600, 0600},
                          {"read-only", 0444, 0444},
                          {"group may read", 0640, 0640},
                          {"executable", 0750, 0750},
                          {"no earlier file", -1, static_cast<int>(fresh.st_mode & 07777)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const FolderJoinJob job = prepare(2);
        std::filesystem::remove(dest / "report.doc");
        ScriptedPrompter answering;
        if (c.mode >= 0) {
            writeFile(dest / "report.doc", "earlier");
            ASSERT_EQ(::chmod((dest / "report.doc").c_str(), static_cast<mode_t>(c.mode)), 0);
            answering.answer(true);
        }
        ASSERT_TRUE(joinFromFolder(fs, answering, job, dest.path()).isDone());
        struct stat st {};
        ASSERT_EQ(::stat((dest / "report.doc").c_str(), &st), 0);
        EXPECT_EQ(static_cast<int>(st.st_mode & 07777), c.expected);
        EXPECT_EQ(readFile(dest / "report.doc"), data);
    }
}

TEST_F(FolderJoinTest, LeftoverOfAKilledJoinIsRemovedBeforeTheFreeSpaceIsMeasured) {
    const FolderJoinJob job = prepare(3);
    const std::string leftover = dest / ".report.doc.joining";
    writeFile(leftover, patternBytes(5000, 2));
    std::vector<std::string> steps;
    fs.beforeCall = [&](Op op, const std::string& path) {
        if (op == Op::RemoveFile && path == leftover) steps.push_back("remove leftover");
        if (op == Op::AvailableSpace) steps.push_back("free space");
        if (op == Op::CreateNew) steps.push_back("create " + baseName(path));
    };
    ASSERT_TRUE(join(job).isDone());
    EXPECT_EQ(steps,
              (std::vector<std::string>{"remove leftover", "free space", "create .report.doc.joining"}));
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

// A second join of the same file takes the first one's temporary file for a
// leftover, removes it and starts its own under the same name. The first join
// must then neither rename the second one's unfinished file into place nor
// delete the set.
TEST_F(FolderJoinTest, TemporaryNameTakenByAnotherJoinIsNeitherRenamedNorRemoved) {
    const FolderJoinJob job = prepare(3);
    writeFile(dest / "report.doc", "earlier");
    prompter.answer(true);
    const std::string temporary = dest / ".report.doc.joining";
    bool taken = false;
    fs.beforeCall = [&](Op op, const std::string&) {
        if (op != Op::CopyAttributes || taken) return;
        taken = true;
        std::filesystem::remove(temporary);
        writeFile(temporary, "the other join's unfinished file");
    };
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.message, "The rebuilt file could not be written.");
    EXPECT_EQ(outcome.error, ESTALE);
    EXPECT_EQ(readFile(dest / "report.doc"), "earlier");
    EXPECT_EQ(readFile(temporary), "the other join's unfinished file");
    expectSetIntact();
}

TEST_F(FolderJoinTest, LinkAtTheTemporaryNameIsNeitherFollowedNorRemoved) {
    const FolderJoinJob job = prepare(3);
    TempDir elsewhere;
    writeFile(elsewhere / "precious", "keep me");
    const std::string link = dest / ".report.doc.joining";
    ASSERT_EQ(::symlink((elsewhere / "precious").c_str(), link.c_str()), 0);
    ASSERT_TRUE(join(job).isDone());
    EXPECT_EQ(readFile(elsewhere / "precious"), "keep me");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    EXPECT_EQ(listNames(dest.path()), (std::vector<std::string>{".report.doc.joining", "report.doc"}));
}

TEST_F(FolderJoinTest, FilesAlreadyGoneWhenTheSetIsDeletedCountAsDeleted) {
    const FolderJoinJob job = prepare(3);
    // Another join of the same set deletes them first.
    fs.beforeCall = [&](Op op, const std::string& path) {
        if (op == Op::RemoveFile && (baseName(path) == "report.doc.2" || path == manifestPath))
            std::filesystem::remove(path);
    };
    const Outcome outcome = join(job);
    ASSERT_TRUE(outcome.isDone());
    EXPECT_EQ(outcome.message, "");
    EXPECT_TRUE(listNames(source.path()).empty());
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

}  // namespace
}  // namespace brindlecut
