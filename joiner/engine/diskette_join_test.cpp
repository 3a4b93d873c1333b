#include "joiner/engine/diskette_join.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include "common/checksum.h"
#include "common/contract.h"
#include "joiner/engine/folder_join.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::FaultyFileSystem;
using testing::listNames;
using testing::Op;
using testing::patternBytes;
using testing::readFile;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::writeFile;

const std::string kInsertFirst = "tell: Insert diskette #1 and click ok";
const std::string kNoManifestOk = "okcancel: Incorrect disk.Insert the correct one and click ok -> OK";
const std::string kNoManifestCancel =
    "okcancel: Incorrect disk.Insert the correct one and click ok -> Cancel";
const std::string kManyOk = "okcancel: More than one .vek file found..delete it and try again -> OK";
const std::string kManyCancel = "okcancel: More than one .vek file found..delete it and try again -> Cancel";
const std::string kWrongDiskOk =
    "okcancel: Incorrect disk or no diskette.Enter correct one and click ok -> OK";
const std::string kWrongDiskCancel =
    "okcancel: Incorrect disk or no diskette.Enter correct one and click ok -> Cancel";
const std::string kInsert2 = "tell: Insert diskette #2 and click OK";
const std::string kInsert3 = "tell: Insert diskette #3 and click OK";
const std::string kOverwriteYes = std::string("yesno: ") + kOverwriteQuestion + " -> Yes";

// A set of diskettes, each a folder that the test puts into drive A: in turn.
class DisketteTest : public ::testing::Test {
public:
    // Writes a split of `count` pieces across the disks as the splitter
    // would: piece k on disk k, the manifest and the extras on disk 1.
    void makeDisks(int count, const std::string& filename = "report.doc") {
        disks.clear();
        contents.clear();
        data = patternBytes(count * 700 - 123, 5);
        for (int k = 1; k <= count; ++k) {
            disks.push_back(std::make_unique<TempDir>());
            const std::size_t at = static_cast<std::size_t>(k - 1) * 700;
            writeFile(disk(k) / pieceName(filename, k), data.substr(at, 700));
        }
        ASSERT_EQ(writeManifest(systemFileSystem(), disk(1) / manifestName(filename), filename, count), 0);
        writeFile(disk(1) / "join.exe", "joiner");
        writeFile(disk(1) / "help.txt", "help");
        for (int k = 1; k <= count; ++k) contents.push_back(snapshot(k));
        insert(1);
    }
    TempDir& disk(int k) { return *disks.at(static_cast<std::size_t>(k - 1)); }
    void insert(int k) { fs.setDriveA(disk(k).path()); }
    void eject() { fs.setDriveA(std::nullopt); }
    std::vector<std::pair<std::string, std::string>> snapshot(int k) {
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& name : listNames(disk(k).path())) files.emplace_back(name, readFile(disk(k) / name));
        return files;
    }
    // Puts beside each piece the checksum file of that disk, listing its piece.
    void addChecksums(const std::string& filename = "report.doc") {
        for (int k = 1; k <= static_cast<int>(disks.size()); ++k) {
            const std::string bytes = readFile(disk(k) / pieceName(filename, k));
            PieceHash hash;
            hash.update(bytes.data(), bytes.size());
            writeFile(disk(k) / checksumName(filename), checksumLine({hash.hex(), pieceName(filename, k)}));
            contents[static_cast<std::size_t>(k - 1)] = snapshot(k);
        }
    }
    void expectDisksUntouched() {
        for (int k = 1; k <= static_cast<int>(disks.size()); ++k)
            EXPECT_EQ(snapshot(k), contents[k - 1]) << k;
    }
    // The reads leave every file of the set in place (the test may have added others).
    void expectSetKept() {
        for (int k = 1; k <= static_cast<int>(disks.size()); ++k)
            for (const auto& [name, bytes] : contents[k - 1])
                EXPECT_EQ(readFile(disk(k) / name), bytes) << name;
    }
    DisketteJoinJob job(int count, const std::string& filename = "report.doc") {
        return {manifestName(filename), filename, count};
    }
    Outcome join(const DisketteJoinJob& j) { return joinFromDiskettes(fs, prompter, j, dest.path()); }
    // Inserts disks 2 ... count while their prompts are shown.
    void insertAtPrompts(int count) {
        for (int k = 2; k <= count; ++k) prompter.onTell([this, k] { insert(k); });
    }

    FaultyFileSystem fs;
    ScriptedPrompter prompter;
    TempDir dest;
    TempDir blank;  // a disk without a split on it
    std::vector<std::unique_ptr<TempDir>> disks;
    std::vector<std::vector<std::pair<std::string, std::string>>> contents;
    std::string data;
};

// ---- the manifest read -------------------------------------------------------

TEST_F(DisketteTest, FindsTheOneManifestAmongOtherFiles) {
    makeDisks(3);
    writeFile(disk(1) / "OTHER.VEK", "not counted");
    writeFile(disk(1) / "notes.vek.txt", "not counted");
    std::filesystem::create_directory(disk(1) / "folder.vek");
    DisketteJoinJob found;
    const Outcome outcome = readDisketteManifest(fs, prompter, found);
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(found.manifestName, "report.doc.inf.vek");
    EXPECT_EQ(found.filename, "report.doc");
    EXPECT_EQ(found.piececount, 3);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{kInsertFirst});
}

// What is in the drive at first, what the user does at each question, and
// the boxes that follow.
struct ManifestScenario {
    const char* label;
    std::function<void(DisketteTest&, FaultyFileSystem&, ScriptedPrompter&)> arrange;
    std::vector<std::string> shown;
    bool done;
};

void PrintTo(const ManifestScenario& s, std::ostream* os) { *os << s.label; }

class DisketteManifestScenarioTest : public DisketteTest,
                                     public ::testing::WithParamInterface<ManifestScenario> {};

TEST_P(DisketteManifestScenarioTest, ShowsTheQuestionsInOrder) {
    makeDisks(2);
    const ManifestScenario& s = GetParam();
    s.arrange(*this, fs, prompter);
    DisketteJoinJob found{"earlier.vek", "earlier", 9};
    const Outcome outcome = readDisketteManifest(fs, prompter, found);
    EXPECT_EQ(prompter.shown, s.shown);
    EXPECT_EQ(prompter.unscripted, 0);
    if (s.done) {
        ASSERT_TRUE(outcome.isDone()) << outcome.text();
        EXPECT_EQ(found.manifestName, "report.doc.inf.vek");
        EXPECT_EQ(found.filename, "report.doc");
        EXPECT_EQ(found.piececount, 2);
    } else {
        EXPECT_TRUE(outcome.isCancelled());
        EXPECT_EQ(found.manifestName, "earlier.vek");
        EXPECT_EQ(found.filename, "earlier");
        EXPECT_EQ(found.piececount, 9);
    }
    expectSetKept();
}

using T = DisketteTest;
using F = FaultyFileSystem;
using P = ScriptedPrompter;

INSTANTIATE_TEST_SUITE_P(
    Dialogue, DisketteManifestScenarioTest,
    ::testing::Values(
        ManifestScenario{"NoManifestThenInserted",
                         [](T& t, F& fs, P& p) {
                             fs.setDriveA(t.blank.path());
                             p.ok([&t] { t.insert(1); });
                         },
                         {kInsertFirst, kNoManifestOk},
                         true},
        ManifestScenario{"NoManifestTwiceThenCancel",
                         [](T& t, F&, P& p) {
                             t.insert(2);
                             p.ok().cancel();
                         },
                         {kInsertFirst, kNoManifestOk, kNoManifestCancel},
                         false},
        ManifestScenario{"CapitalEndingIsNotCounted",
                         [](T& t, F&, P& p) {
                             writeFile(t.disk(2) / "REPORT.DOC.INF.VEK", "report.doc\r\n 2 \r\n");
                             t.insert(2);
                             p.ok([&t] { t.insert(1); });
                         },
                         {kInsertFirst, kNoManifestOk},
                         true},
        ManifestScenario{"TwoManifestsThenOneRemoved",
                         [](T& t, F&, P& p) {
                             writeFile(t.disk(1) / "another.inf.vek", "another\r\n 5 \r\n");
                             p.ok([&t] { std::filesystem::remove(t.disk(1) / "another.inf.vek"); });
                         },
                         {kInsertFirst, kManyOk},
                         true},
        ManifestScenario{"TwoManifestsStillTwoThenCancel",
                         [](T& t, F&, P& p) {
                             writeFile(t.disk(1) / "another.inf.vek", "another\r\n 5 \r\n");
                             p.ok().cancel();
                         },
                         {kInsertFirst, kManyOk, kManyCancel},
                         false},
        ManifestScenario{"NoDiskThenInserted",
                         [](T& t, F&, P& p) {
                             t.eject();
                             p.ok([&t] { t.insert(1); });
                         },
                         {kInsertFirst, "okcancel: Insert diskette and click OK -> OK"},
                         true},
        ManifestScenario{"NoDiskThenCancel",
                         [](T& t, F&, P& p) {
                             t.eject();
                             p.cancel();
                         },
                         {kInsertFirst, "okcancel: Insert diskette and click OK -> Cancel"},
                         false},
        ManifestScenario{"WriteProtectedListingThenOk",
                         [](T&, F& fs, P& p) {
                             fs.failOn(Op::List, EACCES);
                             p.ok();
                         },
                         {kInsertFirst, "okcancel: Disk is write protected.Correct it and click OK -> OK"},
                         true},
        ManifestScenario{
            "WriteProtectedListingThenCancel",
            [](T&, F& fs, P& p) {
                fs.failOn(Op::List, EROFS);
                p.cancel();
            },
            {kInsertFirst, "okcancel: Disk is write protected.Correct it and click OK -> Cancel"},
            false},
        ManifestScenario{"NotReadyListingThenOk",
                         [](T&, F& fs, P& p) {
                             fs.failOn(Op::List, ENOMEDIUM);
                             p.ok();
                         },
                         {kInsertFirst, "okcancel: Insert diskette and click OK -> OK"},
                         true},
        ManifestScenario{"PathNotFoundListingThenOk",
                         [](T&, F& fs, P& p) {
                             fs.failOn(Op::List, ENOENT);
                             p.ok();
                         },
                         {kInsertFirst, "okcancel: Insert diskette and click OK -> OK"},
                         true},
        ManifestScenario{"PathNotFoundListingThenCancel",
                         [](T&, F& fs, P& p) {
                             fs.failOn(Op::List, ENOTDIR);
                             p.cancel();
                         },
                         {kInsertFirst, "okcancel: Insert diskette and click OK -> Cancel"},
                         false},
        ManifestScenario{"OtherListingFaultTwiceThenOk",
                         [](T&, F& fs, P& p) {
                             fs.failOn(Op::List, EBUSY, {}, 0, 2);
                             p.ok().ok();
                         },
                         {kInsertFirst, "okcancel: Unknown diskette error.Change it and click OK -> OK",
                          "okcancel: Unknown diskette error.Change it and click OK -> OK"},
                         true},
        ManifestScenario{"OtherListingFaultThenCancel",
                         [](T&, F& fs, P& p) {
                             fs.failOn(Op::List, EIO);
                             p.cancel();
                         },
                         {kInsertFirst, "okcancel: Unknown diskette error.Change it and click OK -> Cancel"},
                         false},
        ManifestScenario{"UnreadableManifestThenOk",
                         [](T&, F& fs, P& p) {
                             fs.failOn(Op::OpenRead, EIO, ".inf.vek");
                             p.ok();
                         },
                         {kInsertFirst, "okcancel: Unknown diskette error.Change it and click OK -> OK"},
                         true},
        ManifestScenario{
            "ManifestReadProtectedThenCancel",
            [](T&, F& fs, P& p) {
                fs.failOn(Op::OpenRead, EACCES, ".inf.vek");
                p.cancel();
            },
            {kInsertFirst, "okcancel: Disk is write protected.Correct it and click OK -> Cancel"},
            false},
        ManifestScenario{"DiskPulledBeforeTheManifestReadThenPutBack",
                         [](T& t, F& fs, P& p) {
                             auto pulled = std::make_shared<bool>(false);
                             fs.beforeCall = [&t, pulled](Op op, const std::string&) {
                                 if (op == Op::List && !*pulled) {
                                     *pulled = true;
                                     t.eject();
                                 }
                             };
                             // The listing still sees disk 1; the read meets an empty drive.
                             p.ok([&t] { t.insert(1); });
                         },
                         {kInsertFirst, "okcancel: Insert diskette and click OK -> OK"},
                         true}),
    [](const ::testing::TestParamInfo<ManifestScenario>& info) { return std::string(info.param.label); });

TEST_F(DisketteTest, OkAfterAFailedManifestReadRepeatsOnlyTheRead) {
    makeDisks(2);
    fs.failOn(Op::OpenRead, EIO, ".inf.vek", 0, 2);
    prompter.ok().ok();
    DisketteJoinJob found;
    ASSERT_TRUE(readDisketteManifest(fs, prompter, found).isDone());
    EXPECT_EQ(fs.calls(Op::List), 1);
    EXPECT_EQ(fs.calls(Op::OpenRead), 3);
    EXPECT_EQ(prompter.shown.size(), 3u);
}

TEST_F(DisketteTest, RefusedManifestIsNamedAndTheJobStays) {
    const std::vector<std::string> refused = {"../evil\r\n 2 \r\n", "\r\n 2 \r\n", "x\r\n 0 \r\n",
                                              "x\r\n 32768 \r\n", "x\r\n abc \r\n"};
    makeDisks(2);
    for (const auto& bytes : refused) {
        SCOPED_TRACE(bytes);
        writeFile(disk(1) / "report.doc.inf.vek", bytes);
        ScriptedPrompter p;
        DisketteJoinJob found{"earlier.vek", "earlier", 9};
        const Outcome outcome = readDisketteManifest(fs, p, found);
        ASSERT_TRUE(outcome.isFailed());
        EXPECT_EQ(outcome.path, disk(1) / "report.doc.inf.vek");
        EXPECT_NE(outcome.text().find(disk(1) / "report.doc.inf.vek"), std::string::npos);
        EXPECT_EQ(p.shown, std::vector<std::string>{kInsertFirst});
        EXPECT_EQ(found.filename, "earlier");
        EXPECT_EQ(found.piececount, 9);
    }
}

// ---- the join ----------------------------------------------------------------

TEST_F(DisketteTest, OnePieceNeedsNoPrompt) {
    makeDisks(1);
    const Outcome outcome = join(job(1));
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    expectDisksUntouched();
}

TEST_F(DisketteTest, ThreePiecesPromptForDisksTwoAndThree) {
    makeDisks(3);
    insertAtPrompts(3);
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{kInsert2, kInsert3}));
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    EXPECT_EQ(prompter.progressItems,
              (std::vector<std::string>{"report.doc.1", "report.doc.2", "report.doc.3"}));
    // One progress display per piece, closed before the next prompt.
    EXPECT_EQ(prompter.progressEnds, 3);
    expectDisksUntouched();
}

TEST_F(DisketteTest, ReadAndJoinFromTheDisksEndToEnd) {
    makeDisks(3, "a, b.txt");
    DisketteJoinJob found;
    ASSERT_TRUE(readDisketteManifest(fs, prompter, found).isDone());
    insertAtPrompts(3);
    ASSERT_TRUE(joinFromDiskettes(fs, prompter, found, dest.path() + "/").isDone());
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{kInsertFirst, kInsert2, kInsert3}));
    EXPECT_EQ(readFile(dest / "a, b.txt"), data);
    expectDisksUntouched();
}

TEST_F(DisketteTest, WrongDiskForPieceTwoAsksUntilTheRightOne) {
    makeDisks(3);
    prompter.onTell([] {});  // disk 1 stays in for piece 2
    prompter.onTell([this] { insert(3); });
    prompter.ok([this] { insert(3); }).ok([this] { insert(2); });
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{kInsert2, kWrongDiskOk, kWrongDiskOk, kInsert3}));
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

TEST_F(DisketteTest, NoDiskForPieceOneAsksWithoutAnInsertPrompt) {
    makeDisks(2);
    eject();
    prompter.ok([this] { insert(1); });
    insertAtPrompts(2);
    ASSERT_TRUE(join(job(2)).isDone());
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{kWrongDiskOk, kInsert2}));
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

TEST_F(DisketteTest, CancelAtEachPromptRemovesTheTemporaryFileAndSparesAnEarlierOne) {
    struct Case {
        const char* label;
        std::function<void(DisketteTest&)> script;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"piece 1",
         [](DisketteTest& t) {
             t.eject();
             t.prompter.cancel();
         },
         {kOverwriteYes, kWrongDiskCancel}},
        {"piece 2",
         [](DisketteTest& t) {
             t.prompter.onTell([] {});
             t.prompter.cancel();
         },
         {kOverwriteYes, kInsert2, kWrongDiskCancel}},
        {"piece 3 after a wrong disk",
         [](DisketteTest& t) {
             t.prompter.onTell([&t] { t.insert(2); });
             t.prompter.onTell([] {});
             t.prompter.ok().cancel();
         },
         {kOverwriteYes, kInsert2, kInsert3, kWrongDiskOk, kWrongDiskCancel}},
    };
    makeDisks(3);
    const std::string earlier = "an earlier report, left alone";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        writeFile(dest / "report.doc", earlier);
        insert(1);
        prompter = ScriptedPrompter();
        prompter.answer(true);
        c.script(*this);
        EXPECT_TRUE(join(job(3)).isCancelled());
        EXPECT_EQ(prompter.shown, c.shown);
        EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
        EXPECT_EQ(readFile(dest / "report.doc"), earlier);
        expectDisksUntouched();
    }
}

TEST_F(DisketteTest, AcceptAgainAfterAnEarlyEndAsksNoOverwriteQuestion) {
    makeDisks(2);
    prompter.onTell([] {});
    prompter.cancel();
    EXPECT_TRUE(join(job(2)).isCancelled());
    EXPECT_TRUE(listNames(dest.path()).empty());

    prompter = ScriptedPrompter();
    insert(1);
    insertAtPrompts(2);
    ASSERT_TRUE(join(job(2)).isDone());
    EXPECT_EQ(prompter.shown, std::vector<std::string>{kInsert2});
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

TEST_F(DisketteTest, OverwriteNoRefusesWithoutTouchingTheDrive) {
    makeDisks(2);
    writeFile(dest / "report.doc", "earlier");
    prompter.answer(false);
    EXPECT_TRUE(join(job(2)).isCancelled());
    EXPECT_EQ(prompter.shown,
              (std::vector<std::string>{std::string("yesno: ") + kOverwriteQuestion + " -> No",
                                        "tell: Choose a different directory"}));
    EXPECT_EQ(readFile(dest / "report.doc"), "earlier");
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    EXPECT_EQ(fs.calls(Op::DriveA), 0);
}

TEST_F(DisketteTest, CancelOfTheProgressAtEachPieceRemovesTheTemporaryFile) {
    makeDisks(3);
    for (int cancelAt : {0, 1, 2}) {
        SCOPED_TRACE(cancelAt);
        insert(1);
        prompter = ScriptedPrompter();
        insertAtPrompts(3);
        prompter.cancelAfterProgress = cancelAt;
        EXPECT_TRUE(join(job(3)).isCancelled());
        EXPECT_EQ(prompter.progressItems.back(), "report.doc." + std::to_string(cancelAt + 1));
        // Nothing is said after a cancel.
        EXPECT_EQ(prompter.shown.size(), static_cast<std::size_t>(cancelAt));
        EXPECT_TRUE(listNames(dest.path()).empty());
        expectDisksUntouched();
    }
}

TEST_F(DisketteTest, AccessErrorReadingADiskIsUnrecoverableOneInTheDestinationIsNamed) {
    struct Case {
        const char* label;
        Op op;
        const char* pathContains;
        bool onDisk;  // the disk's fault: only "Unrecoverable Error in this disk.SORRY!!"
    };
    // A kernel copy that fails with EIO cannot tell which side failed; the
    // disk is blamed, as it is the likelier one.
    const Case cases[] = {{"reading piece 1", Op::CopyRange, "report.doc.1", true},
                          {"reading piece 2", Op::CopyRange, "report.doc.2", true},
                          {"opening piece 2", Op::OpenRead, "report.doc.2", true},
                          {"copying into the rebuilt file", Op::Write, ".joining", true},
                          {"flushing the rebuilt file", Op::Sync, ".joining", false},
                          {"closing the rebuilt file", Op::Close, ".joining", false},
                          {"renaming the rebuilt file", Op::Rename, "", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        makeDisks(2);
        prompter = ScriptedPrompter();
        insertAtPrompts(2);
        fs.clearFaults();
        fs.failOn(c.op, EIO, c.pathContains);
        writeFile(dest / "report.doc", "earlier");
        prompter.answer(true);
        const Outcome outcome = join(job(2));
        ASSERT_TRUE(outcome.isFailed());
        if (c.onDisk) {
            EXPECT_EQ(outcome.text(), "Unrecoverable Error in this disk.SORRY!!");
            EXPECT_EQ(outcome.path, "");
            EXPECT_EQ(outcome.error, 0);
        } else {
            EXPECT_EQ(outcome.message, "The rebuilt file could not be written.");
            EXPECT_EQ(outcome.path, dest / "report.doc");
            EXPECT_EQ(outcome.error, EIO);
        }
        EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
        EXPECT_EQ(readFile(dest / "report.doc"), "earlier");
    }
}

// Failures other than an access error name the file and the system's reason.
struct JoinFault {
    const char* label;
    Op op;
    Errno error;
    const char* pathContains;
    int after;
    bool namesPiece;  // the piece on disk 2; otherwise the destination
};

void PrintTo(const JoinFault& f, std::ostream* os) { *os << f.label; }

class DisketteJoinFaultTest : public DisketteTest, public ::testing::WithParamInterface<JoinFault> {};

TEST_P(DisketteJoinFaultTest, FailsWithPathAndReason) {
    const JoinFault& f = GetParam();
    makeDisks(3);
    insertAtPrompts(3);
    fs.failOn(f.op, f.error, f.pathContains, f.after);
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isFailed()) << outcome.text();
    EXPECT_EQ(outcome.path, f.namesPiece ? disk(2) / "report.doc.2" : dest / "report.doc");
    EXPECT_EQ(outcome.error, f.error);
    EXPECT_NE(outcome.text().find(reasonText(f.error)), std::string::npos);
    EXPECT_TRUE(listNames(dest.path()).empty());
    expectDisksUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DisketteJoinFaultTest,
    ::testing::Values(JoinFault{"CreateDestination", Op::CreateNew, EACCES, "", 0, false},
                      JoinFault{"OpenPiece", Op::OpenRead, EACCES, "report.doc.2", 0, true},
                      JoinFault{"SizeOfPiece", Op::Size, EBADF, "report.doc.2", 0, true},
                      JoinFault{"ReadPieceNotFound", Op::CopyRange, ENOENT, "report.doc.2", 0, true},
                      JoinFault{"WriteDestination", Op::Write, ENOSPC, ".joining", 1, false},
                      JoinFault{"CloseDestination", Op::Close, EDQUOT, ".joining", 0, false},
                      JoinFault{"Rename", Op::Rename, EXDEV, "", 0, false},
                      JoinFault{"FlushDestination", Op::Sync, ENOSPC, ".joining", 0, false}),
    [](const ::testing::TestParamInfo<JoinFault>& info) { return std::string(info.param.label); });

TEST_F(DisketteTest, EmptyPieceIsNamedAndNoFileIsLeft) {
    makeDisks(3);
    writeFile(disk(2) / "report.doc.2", "");
    insertAtPrompts(3);
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.path, disk(2) / "report.doc.2");
    EXPECT_EQ(prompter.shown, std::vector<std::string>{kInsert2});
    EXPECT_TRUE(listNames(dest.path()).empty());
}

TEST_F(DisketteTest, NoDestinationFolderWritesNothing) {
    makeDisks(1);
    fs.beforeCall = [](Op op, const std::string& path) {
        EXPECT_TRUE(op != Op::CreateNew && op != Op::Create && op != Op::Rename) << path;
    };
    EXPECT_TRUE(joinFromDiskettes(fs, prompter, job(1), "").isFailed());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DisketteTest, JobWithoutManifestDoesNothing) {
    makeDisks(1);
    EXPECT_TRUE(join(DisketteJoinJob{}).isFailed());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(listNames(dest.path()).empty());
}

// ---- verified disks, the size rule, drive A: pinned --------------------------

struct DiskDamage {
    const char* label;
    int disk;
    std::function<void(std::string&)> change;
    const char* message;
};

void PrintTo(const DiskDamage& d, std::ostream* os) { *os << d.label; }

class DisketteDamageTest : public DisketteTest, public ::testing::WithParamInterface<DiskDamage> {};

TEST_P(DisketteDamageTest, EndsTheJoinNamingTheDiskAndChangesNothing) {
    const DiskDamage& d = GetParam();
    makeDisks(3);
    addChecksums();
    const std::string name = pieceName("report.doc", d.disk);
    std::string bytes = readFile(disk(d.disk) / name);
    d.change(bytes);
    writeFile(disk(d.disk) / name, bytes);
    contents[static_cast<std::size_t>(d.disk - 1)] = snapshot(d.disk);
    writeFile(dest / "report.doc", "earlier");
    prompter.answer(true);
    insertAtPrompts(3);
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isFailed()) << outcome.text();
    EXPECT_EQ(outcome.message, d.message);
    EXPECT_EQ(outcome.path, disk(d.disk) / name);
    EXPECT_EQ(outcome.error, 0);
    std::vector<std::string> shown{kOverwriteYes};
    for (int k = 2; k <= d.disk; ++k)
        shown.push_back("tell: Insert diskette #" + std::to_string(k) + " and click OK");
    EXPECT_EQ(prompter.shown, shown);
    EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
    EXPECT_EQ(readFile(dest / "report.doc"), "earlier");
    expectDisksUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Disks, DisketteDamageTest,
    ::testing::Values(DiskDamage{"FlippedBitOnDisk1", 1, [](std::string& b) { b[3] ^= 4; },
                                 "The piece on disk #1 is damaged. Nothing was changed."},
                      DiskDamage{"FlippedBitOnDisk2", 2, [](std::string& b) { b[699] ^= 1; },
                                 "The piece on disk #2 is damaged. Nothing was changed."},
                      DiskDamage{"ZeroFilledTailOnDisk2", 2,
                                 [](std::string& b) { std::fill(b.begin() + 300, b.end(), '\0'); },
                                 "The piece on disk #2 is damaged. Nothing was changed."},
                      DiskDamage{"ZeroFilledTailOnTheLastDisk", 3,
                                 [](std::string& b) { std::fill(b.begin() + 100, b.end(), '\0'); },
                                 "The piece on disk #3 is damaged. Nothing was changed."},
                      DiskDamage{"LastPieceCutShort", 3, [](std::string& b) { b.pop_back(); },
                                 "The piece on disk #3 is damaged. Nothing was changed."},
                      DiskDamage{"PieceOnDisk2CutShort", 2, [](std::string& b) { b.resize(500); },
                                 "A piece of the split file has the wrong size."},
                      DiskDamage{"LastPieceLongerThanTheFirst", 3, [](std::string& b) { b.resize(701, 'x'); },
                                 "A piece of the split file has the wrong size."}),
    [](const ::testing::TestParamInfo<DiskDamage>& info) { return std::string(info.param.label); });

TEST_F(DisketteTest, CutShortPieceWithoutChecksumFileIsRefusedByItsSize) {
    makeDisks(3);
    writeFile(disk(2) / "report.doc.2", data.substr(700, 699));
    contents[1] = snapshot(2);
    insertAtPrompts(3);
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.message, "A piece of the split file has the wrong size.");
    EXPECT_EQ(outcome.path, disk(2) / "report.doc.2");
    EXPECT_TRUE(listNames(dest.path()).empty());
    expectDisksUntouched();
}

TEST_F(DisketteTest, VerifiedDisksAndDisksWithoutChecksumFileJoinAlike) {
    for (bool verified : {true, false}) {
        SCOPED_TRACE(verified);
        makeDisks(3);
        if (verified) addChecksums();
        prompter = ScriptedPrompter();
        insertAtPrompts(3);
        std::filesystem::remove(dest / "report.doc");
        const Outcome outcome = join(job(3));
        ASSERT_TRUE(outcome.isDone()) << outcome.text();
        EXPECT_EQ(prompter.shown, (std::vector<std::string>{kInsert2, kInsert3}));
        EXPECT_EQ(readFile(dest / "report.doc"), data);
        EXPECT_EQ(listNames(dest.path()), std::vector<std::string>{"report.doc"});
        expectDisksUntouched();
    }
}

// A stick reused for disk 2 still holds piece 3 of an earlier split of the
// same file. Its checksum file lists only piece 2, so at the prompt for
// disk #3 it is the wrong disk, not a source of piece 3.
TEST_F(DisketteTest, AStalePieceOnAnotherDiskOfTheSetIsAWrongDisk) {
    makeDisks(3);
    addChecksums();
    writeFile(disk(2) / "report.doc.3", std::string(700 - 123, 'x'));  // fits the size rule
    prompter.onTell([this] { insert(2); });
    prompter.onTell([] {});  // disk 2 stays in for piece 3
    prompter.ok([this] { insert(3); });
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{kInsert2, kInsert3, kWrongDiskOk}));
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

TEST_F(DisketteTest, DiskOneFoundWhenAnotherStickWasInDriveABeforeThePrompt) {
    makeDisks(2);
    writeFile(blank / "photos.zip.inf.vek", "photos.zip\r\n 4 \r\n");
    fs.setDriveA(blank.path());
    prompter.onTell([this] { insert(1); });
    DisketteJoinJob found;
    const Outcome outcome = readDisketteManifest(fs, prompter, found);
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(found.filename, "report.doc");
    EXPECT_EQ(prompter.shown, std::vector<std::string>{kInsertFirst});
}

TEST_F(DisketteTest, ManifestReadAsksAgainWhenTheDiskChangesAfterThePrompt) {
    makeDisks(2);
    // Right after the prompt was answered, another stick takes drive A:.
    bool swapped = false;
    fs.beforeCall = [&](Op op, const std::string&) {
        if (op == Op::List && !swapped) {
            swapped = true;
            fs.setDriveA(blank.path());
        }
    };
    // The listing of disk 1 still runs; reading its manifest meets the change.
    prompter.ok([this] { insert(1); });
    DisketteJoinJob found;
    const Outcome outcome = readDisketteManifest(fs, prompter, found);
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(prompter.shown,
              (std::vector<std::string>{kInsertFirst, "okcancel: Insert diskette and click OK -> OK"}));
    EXPECT_EQ(found.filename, "report.doc");
}

TEST_F(DisketteTest, DiskChangedAfterItsPromptIsAWrongDiskUntilAnsweredAgain) {
    makeDisks(3);
    // Another disk holding a piece of that name takes drive A: right after
    // the prompt for disk 2 was answered.
    TempDir other;
    writeFile(other / "report.doc.2", patternBytes(700, 77));
    bool atDisk2 = false;
    bool changed = false;
    prompter.onTell([&] {
        insert(2);
        atDisk2 = true;
    });
    prompter.onTell([this] { insert(3); });
    fs.beforeCall = [&](Op op, const std::string&) {
        if (op == Op::MountedVolume && atDisk2 && !changed) {
            changed = true;
            fs.setDriveA(other.path());
        }
    };
    prompter.ok([this] { insert(2); });
    const Outcome outcome = join(job(3));
    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{kInsert2, kWrongDiskOk, kInsert3}));
    // Nothing of the disk that came in unasked was read.
    EXPECT_EQ(readFile(dest / "report.doc"), data);
}

TEST_F(DisketteTest, DestinationFolderFlushFailureNamesItAndKeepsTheDisks) {
    makeDisks(2);
    insertAtPrompts(2);
    fs.failOn(Op::SyncFolder, EIO);
    const Outcome outcome = join(job(2));
    ASSERT_TRUE(outcome.isFailed());
    EXPECT_EQ(outcome.message, "The folder could not be flushed, so the split set was kept.");
    EXPECT_EQ(outcome.path, dest / "report.doc");
    EXPECT_EQ(outcome.error, EIO);
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    expectDisksUntouched();
}

}  // namespace
}  // namespace brindlecut
