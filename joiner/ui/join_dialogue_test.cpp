// The joiner window driven through whole dialogues: the message boxes and the
// file dialog answer from a script, drive A: is a temporary folder that the
// script swaps while a box is up, and the fixed drives are temporary folders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/contract.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/dir_list_box.h"
#include "joiner/ui/join_window.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_test_support.h"

namespace brindlecut {
namespace {

using testing::exists;
using testing::FaultyFileSystem;
using testing::listNames;
using testing::patternBytes;
using testing::readFile;
using testing::ScriptedDialogs;
using testing::TempDir;
using testing::writeFile;

const std::string kOverwrite = " The file already exists.Would you want to overwrite it";
const std::string kChoose = "Choose a different directory";
const std::string kInsertFirst = "Insert diskette #1 and click ok";

class JoinDialogue : public ::testing::Test {
protected:
    void SetUp() override {
        destination_ = tmp_.mkdir("dest");
        other_ = tmp_.mkdir("other");
        fs_.setDrives({{destination_, DriveKind::Fixed, 1 << 30}, {other_, DriveKind::Fixed, 1 << 30}});
        fs_.setDriveA(std::nullopt);
        window_ = new JoinWindow(fs_, dialogs_);
        window_->show();
    }
    void TearDown() override { delete window_.data(); }

    template <typename T>
    T* find(const char* name) {
        return testing::control<T>(window_, name);
    }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    QGroupBox* frame() { return find<QGroupBox>("Frame1"); }
    DirListBox* dir() { return find<DirListBox>("Dir1"); }

    // Lets deferred deletions run, as the event loop would after the click.
    bool windowGone() {
        testing::flushDeletes();
        return window_.isNull();
    }

    // A split set in `folder`: the manifest and `pieces` pieces of `name`;
    // returns the bytes of the whole file.
    std::string writeSplitSet(const std::string& folder, const std::string& name, int pieces,
                              std::int64_t pieceSize = 1000) {
        std::string whole;
        for (int i = 1; i <= pieces; ++i) {
            const std::string piece =
                patternBytes(pieceSize - (i == pieces ? 7 : 0), static_cast<unsigned>(i));
            writeFile(pathInFolder(folder, pieceName(name, i)), piece);
            whole += piece;
        }
        writeFile(pathInFolder(folder, manifestName(name)), manifestBytes(name, pieces));
        return whole;
    }

    // Shows the frame in folder mode for the manifest in `folder`.
    void chooseFolderSource(const std::string& folder, const std::string& name) {
        dialogs_.fileAnswer(QString::fromStdString(pathInFolder(folder, manifestName(name))));
        button("hdd")->click();
    }

    TempDir tmp_;
    std::string destination_;
    std::string other_;
    FaultyFileSystem fs_;
    ScriptedDialogs dialogs_;
    QPointer<JoinWindow> window_;
};

TEST_F(JoinDialogue, FolderJoinEndToEnd) {
    const std::string source = tmp_.mkdir("source");
    const std::string whole = writeSplitSet(source, "report.doc", 3);
    chooseFolderSource(source, "report.doc");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0], "file: Please select the .vek file you wish to join|*.vek -> " +
                                     pathInFolder(source, "report.doc.inf.vek"));
    EXPECT_EQ(dialogs_.fileSuffixes, std::vector<QString>{QStringLiteral("*.vek")});
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_EQ(frame()->title(), "CHOOSE FILE DESTINATION");
    EXPECT_FALSE(button("fdd")->isEnabled());
    EXPECT_TRUE(button("hdd")->isEnabled());
    EXPECT_TRUE(button("cmdaccept")->isVisible());
    EXPECT_FALSE(button("fddaccept")->isVisible());
    EXPECT_EQ(dir()->path().toStdString(), destination_);

    // ACCEPT pressed inside the running program: the completed join must end it.
    QTimer::singleShot(0, button("cmdaccept"), &QPushButton::click);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QApplication::exec(), 0) << "the program ends when the join is complete";

    EXPECT_EQ(dialogs_.texts, std::vector<std::string>{"Files have been joined successfully!!"});
    EXPECT_EQ(readFile(pathInFolder(destination_, "report.doc")), whole);
    EXPECT_EQ(listNames(destination_), std::vector<std::string>{"report.doc"});
    EXPECT_TRUE(listNames(source).empty()) << "the manifest and every piece are deleted";
    EXPECT_TRUE(windowGone());
}

TEST_F(JoinDialogue, OverwriteAnsweredNoThenYes) {
    const std::string source = tmp_.mkdir("source");
    const std::string whole = writeSplitSet(source, "report.doc", 2);
    const std::string earlier = patternBytes(5000, 99);  // longer than the rebuilt file
    const std::string target = pathInFolder(destination_, "report.doc");
    writeFile(target, earlier);

    chooseFolderSource(source, "report.doc");
    dialogs_.answer(false);
    button("cmdaccept")->click();

    EXPECT_EQ(dialogs_.texts, (std::vector<std::string>{kOverwrite, kChoose}));
    EXPECT_EQ(dialogs_.shown[1], "yesno: " + kOverwrite + " -> No");
    EXPECT_EQ(readFile(target), earlier);
    EXPECT_EQ(listNames(source).size(), 3u);
    EXPECT_FALSE(windowGone());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("cmdaccept")->isVisible());

    dialogs_.answer(true);
    button("cmdaccept")->click();

    EXPECT_EQ(dialogs_.texts, (std::vector<std::string>{kOverwrite, kChoose, kOverwrite,
                                                        "Files have been joined successfully!!"}));
    EXPECT_EQ(readFile(target), whole) << "the earlier file is replaced whole, not overwritten in part";
    EXPECT_TRUE(listNames(source).empty());
    EXPECT_TRUE(windowGone());
}

// Forwards to the scripted dialogs and runs `whileFileDialogUp` while the file
// dialog is up, to see the window as the user sees it behind the dialog.
class WatchedDialogs final : public Dialogs {
public:
    explicit WatchedDialogs(ScriptedDialogs& inner) : inner_(inner) {}
    std::function<void()> whileFileDialogUp;

    void tell(const std::string& text) override { inner_.tell(text); }
    bool askOkCancel(const std::string& text) override { return inner_.askOkCancel(text); }
    bool askYesNo(const std::string& text) override { return inner_.askYesNo(text); }
    QString openFile(const QString& title, const QString& filter, const QString& defaultSuffix) override {
        if (whileFileDialogUp) whileFileDialogUp();
        return inner_.openFile(title, filter, defaultSuffix);
    }

private:
    ScriptedDialogs& inner_;
};

TEST_F(JoinDialogue, FloppyIsDisabledBeforeTheFileDialogShows) {
    const std::string source = tmp_.mkdir("source");
    writeSplitSet(source, "report.doc", 2);
    WatchedDialogs watched(dialogs_);
    QPointer<JoinWindow> window = new JoinWindow(fs_, watched);
    window->show();
    auto* hdd = window->findChild<QPushButton*>(QStringLiteral("hdd"));
    auto* fdd = window->findChild<QPushButton*>(QStringLiteral("fdd"));
    std::vector<std::pair<bool, bool>> behindTheDialog;  // hdd, fdd enabled
    watched.whileFileDialogUp = [&] { behindTheDialog.emplace_back(hdd->isEnabled(), fdd->isEnabled()); };

    dialogs_.fileAnswer(QString());
    hdd->click();
    dialogs_.fileAnswer(QString::fromStdString(pathInFolder(source, manifestName("report.doc"))));
    hdd->click();

    EXPECT_EQ(behindTheDialog, (std::vector<std::pair<bool, bool>>{{true, false}, {true, false}}));
    EXPECT_FALSE(fdd->isEnabled()) << "a folder source keeps FLOPPY DISKETTE disabled";
    delete window.data();
}

TEST_F(JoinDialogue, CancelledFileDialogRestoresBothSources) {
    dialogs_.fileAnswer(QString());
    button("hdd")->click();

    EXPECT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_TRUE(dialogs_.texts.empty());
    EXPECT_TRUE(button("hdd")->isEnabled());
    EXPECT_TRUE(button("fdd")->isEnabled());
    EXPECT_FALSE(frame()->isVisible());
}

struct RefusedManifest {
    const char* label;
    std::string bytes;
    std::string expectedMessage;
};

class RefusedManifests : public JoinDialogue, public ::testing::WithParamInterface<RefusedManifest> {};

TEST_P(RefusedManifests, AreNamedInAMessageAndFloppyComesBack) {
    const std::string source = tmp_.mkdir("source");
    const std::string manifest = pathInFolder(source, "bad.inf.vek");
    if (!GetParam().bytes.empty() || std::string(GetParam().label) == "empty")
        writeFile(manifest, GetParam().bytes);

    dialogs_.fileAnswer(QString::fromStdString(manifest));
    button("hdd")->click();

    ASSERT_EQ(dialogs_.texts.size(), 1u);
    const std::string& message = dialogs_.texts[0];
    EXPECT_EQ(message.rfind(GetParam().expectedMessage, 0), 0u) << message;
    EXPECT_NE(message.find(manifest), std::string::npos) << "the message names the file: " << message;
    EXPECT_TRUE(button("fdd")->isEnabled());
    EXPECT_TRUE(button("hdd")->isEnabled());
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(listNames(source).size(), std::string(GetParam().label) == "missing" ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Joiner, RefusedManifests,
    ::testing::Values(
        RefusedManifest{"missing", "", "The split manifest could not be opened."},
        RefusedManifest{"empty", "", "The split manifest has no piece count on its second line."},
        RefusedManifest{"no_count", "report.doc\r\n",
                        "The split manifest has no piece count on its second line."},
        RefusedManifest{"escapes_folder", "../report.doc\r\n 2 \r\n",
                        "The split manifest names a file that cannot be rebuilt safely."},
        RefusedManifest{"count_not_a_number", "report.doc\r\n two \r\n",
                        "The split manifest's piece count is not a whole number from 1 to 32767."}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(JoinDialogue, ARefusedManifestAfterAGoodOneKeepsTheEarlierSet) {
    const std::string source = tmp_.mkdir("source");
    const std::string whole = writeSplitSet(source, "report.doc", 2);
    chooseFolderSource(source, "report.doc");
    ASSERT_TRUE(frame()->isVisible());

    const std::string bad = pathInFolder(source, "bad.inf.vek");
    writeFile(bad, "x\r\n");
    dialogs_.fileAnswer(QString::fromStdString(bad));
    button("hdd")->click();
    ASSERT_EQ(dialogs_.texts.size(), 1u);

    button("cmdaccept")->click();
    EXPECT_EQ(dialogs_.texts.back(), "Files have been joined successfully!!");
    EXPECT_EQ(readFile(pathInFolder(destination_, "report.doc")), whole);
    EXPECT_EQ(listNames(source), std::vector<std::string>{"bad.inf.vek"}) << "only the joined set is deleted";
}

// Diskettes: each disk is a folder; the scripted answers swap them in drive A:.
class DisketteDialogue : public JoinDialogue {
protected:
    void SetUp() override {
        JoinDialogue::SetUp();
        for (int i = 1; i <= 3; ++i) disks_.push_back(tmp_.mkdir("disk" + std::to_string(i)));
        std::string whole;
        for (int i = 1; i <= 3; ++i) {
            const std::string piece = patternBytes(i == 3 ? 700 : 1457, static_cast<unsigned>(10 + i));
            writeFile(pathInFolder(disks_[i - 1], pieceName("report.doc", i)), piece);
            whole += piece;
        }
        writeFile(pathInFolder(disks_[0], manifestName("report.doc")), manifestBytes("report.doc", 3));
        writeFile(pathInFolder(disks_[0], "join.exe"), "joiner");
        whole_ = whole;
    }
    std::function<void()> insert(int disk) {
        return [this, disk] { fs_.setDriveA(disks_[disk - 1]); };
    }
    // FLOPPY DISKETTE with disk #1 put in while its prompt is up.
    void chooseDisketteSource() {
        dialogs_.onTell(insert(1));
        button("fdd")->click();
    }

    std::vector<std::string> disks_;
    std::string whole_;
};

TEST_F(DisketteDialogue, ThreeDisksEndToEnd) {
    chooseDisketteSource();
    EXPECT_EQ(dialogs_.texts, std::vector<std::string>{kInsertFirst});
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_EQ(frame()->title(), "CHOOSE FILE DESTINATION");
    EXPECT_TRUE(button("fddaccept")->isVisible());
    EXPECT_FALSE(button("cmdaccept")->isVisible());
    EXPECT_TRUE(button("fdd")->isEnabled());
    EXPECT_TRUE(button("hdd")->isEnabled());

    // Disk #2 is late: the first check finds disk #1 still in the drive.
    dialogs_.onTell({}).onTell(insert(3));  // "Insert diskette #2": the wrong disk goes in
    dialogs_.ok(insert(2));                 // "Incorrect disk": the right one this time
    dialogs_.onTell(insert(3));             // "Insert diskette #3"
    button("fddaccept")->click();

    EXPECT_EQ(dialogs_.texts, (std::vector<std::string>{
                                  kInsertFirst, "Insert diskette #2 and click OK",
                                  "Incorrect disk or no diskette.Enter correct one and click ok",
                                  "Insert diskette #3 and click OK", "files have been joined successfully"}));
    EXPECT_EQ(readFile(pathInFolder(destination_, "report.doc")), whole_);
    EXPECT_EQ(listNames(disks_[0]),
              (std::vector<std::string>{"join.exe", "report.doc.1", "report.doc.inf.vek"}))
        << "a diskette join deletes nothing";
    EXPECT_EQ(listNames(disks_[2]), std::vector<std::string>{"report.doc.3"});
    EXPECT_TRUE(windowGone());
}

TEST_F(DisketteDialogue, CancelAtAMissingDiskLeavesTheWindowInDisketteMode) {
    chooseDisketteSource();
    dialogs_.onTell({}).cancel();  // disk #2 never comes
    button("fddaccept")->click();

    EXPECT_EQ(dialogs_.texts.back(), "Incorrect disk or no diskette.Enter correct one and click ok");
    EXPECT_FALSE(windowGone());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("fddaccept")->isVisible());
}

TEST_F(DisketteDialogue, AnUnreadableDiskIsToldAndTheWindowStays) {
    chooseDisketteSource();
    fs_.failOn(testing::Op::CopyRange, EIO, "report.doc.2", 0, -1);
    dialogs_.onTell(insert(2));
    button("fddaccept")->click();

    EXPECT_EQ(dialogs_.texts.back(), "Unrecoverable Error in this disk.SORRY!!")
        << ::testing::PrintToString(dialogs_.shown);
    EXPECT_EQ(dialogs_.texts.size(), 3u);
    EXPECT_FALSE(windowGone());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("fddaccept")->isVisible());
}

TEST_F(DisketteDialogue, ACancelledFileDialogLeavesDisketteModeAsItWas) {
    chooseDisketteSource();
    dialogs_.fileAnswer(QString());
    button("hdd")->click();

    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("fddaccept")->isVisible());
    EXPECT_FALSE(button("cmdaccept")->isVisible());
    EXPECT_TRUE(button("fdd")->isEnabled());
    EXPECT_EQ(dialogs_.texts, std::vector<std::string>{kInsertFirst});

    dialogs_.onTell(insert(2)).onTell(insert(3));
    button("fddaccept")->click();
    EXPECT_TRUE(readFile(pathInFolder(destination_, "report.doc")) == whole_)
        << "the diskette join still runs";
}

TEST_F(DisketteDialogue, NoDiskAndCancelKeepsTheFrameClosed) {
    dialogs_.cancel();  // "Insert diskette and click OK" with the drive still empty
    button("fdd")->click();

    EXPECT_EQ(dialogs_.texts, (std::vector<std::string>{kInsertFirst, "Insert diskette and click OK"}));
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_TRUE(button("fdd")->isEnabled());
}

TEST_F(DisketteDialogue, CancelThenTheOtherSourceShowsItsOwnAccept) {
    chooseDisketteSource();
    ASSERT_TRUE(button("fddaccept")->isVisible());
    button("cmdcancel")->click();
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_TRUE(button("fdd")->isEnabled());
    EXPECT_TRUE(button("hdd")->isEnabled());

    const std::string source = tmp_.mkdir("source");
    writeSplitSet(source, "report.doc", 2);
    chooseFolderSource(source, "report.doc");
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("cmdaccept")->isVisible());
    EXPECT_FALSE(button("fddaccept")->isVisible());
    EXPECT_FALSE(button("fdd")->isEnabled());

    button("cmdcancel")->click();
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_TRUE(button("fdd")->isEnabled());
    EXPECT_TRUE(button("hdd")->isEnabled());

    chooseDisketteSource();
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("fddaccept")->isVisible());
    EXPECT_FALSE(button("cmdaccept")->isVisible());
}

TEST_F(JoinDialogue, DriveListHoldsTheFixedDrivesOnceAndMovesTheFolderList) {
    const std::string removable = tmp_.mkdir("usb");
    fs_.setDrives({{destination_, DriveKind::Fixed, 0},
                   {removable, DriveKind::Removable, 0},
                   {other_, DriveKind::Fixed, 0}});
    const std::string source = tmp_.mkdir("source");
    writeSplitSet(source, "report.doc", 2);
    auto* list = find<QListWidget>("List1");

    for (int opening = 0; opening < 2; ++opening) {
        chooseFolderSource(source, "report.doc");
        ASSERT_EQ(list->count(), 2) << "opening " << opening;
        EXPECT_EQ(list->item(0)->text().toStdString(), destination_);
        EXPECT_EQ(list->item(1)->text().toStdString(), other_);
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_EQ(dir()->path().toStdString(), destination_);

        list->setCurrentRow(1);
        EXPECT_EQ(dir()->path().toStdString(), other_);
        button("cmdcancel")->click();
        EXPECT_EQ(list->count(), 2) << "CANCEL resets nothing but the frame and the two sources";
    }
}

TEST_F(JoinDialogue, AChosenDriveOpensAtTheCurrentFolderOnlyWhenItHoldsIt) {
    fs_.setDrives({{destination_, DriveKind::Fixed, 0}, {other_, DriveKind::Fixed, 0}});
    const std::string inside = pathInFolder(destination_, "today");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(inside)));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(inside)));
    const std::string source = tmp_.mkdir("source");
    writeSplitSet(source, "report.doc", 2);
    chooseFolderSource(source, "report.doc");
    auto* list = find<QListWidget>("List1");
    EXPECT_EQ(dir()->path().toStdString(), inside);
    list->setCurrentRow(1);
    EXPECT_EQ(dir()->path().toStdString(), other_);
    list->setCurrentRow(0);
    EXPECT_EQ(dir()->path().toStdString(), inside);
    QDir::setCurrent(before);
}

TEST_F(JoinDialogue, NoFixedDriveIsToldAndTheFrameStaysClosed) {
    fs_.setDrives({{tmp_.mkdir("usb"), DriveKind::Removable, 0}});
    const std::string source = tmp_.mkdir("source");
    writeSplitSet(source, "report.doc", 2);
    chooseFolderSource(source, "report.doc");

    EXPECT_EQ(dialogs_.texts, std::vector<std::string>{kNoFixedDrive});
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_TRUE(button("fdd")->isEnabled());
    EXPECT_TRUE(button("hdd")->isEnabled());
}

TEST_F(JoinDialogue, AFailedJoinIsReportedAndAcceptCanBePressedAgain) {
    const std::string source = tmp_.mkdir("source");
    const std::string whole = writeSplitSet(source, "report.doc", 3);
    chooseFolderSource(source, "report.doc");
    fs_.failOn(testing::Op::OpenRead, EIO, "report.doc.2");

    button("cmdaccept")->click();
    ASSERT_EQ(dialogs_.texts.size(), 1u);
    EXPECT_NE(dialogs_.texts[0].find(pathInFolder(source, "report.doc.2")), std::string::npos)
        << dialogs_.texts[0];
    EXPECT_NE(dialogs_.texts[0].find(reasonText(EIO)), std::string::npos) << dialogs_.texts[0];
    EXPECT_EQ(listNames(source).size(), 4u) << "nothing of the set is deleted";
    EXPECT_FALSE(exists(pathInFolder(destination_, "report.doc")));
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("cmdaccept")->isVisible());

    button("cmdaccept")->click();
    EXPECT_EQ(dialogs_.texts.back(), "Files have been joined successfully!!");
    EXPECT_EQ(readFile(pathInFolder(destination_, "report.doc")), whole);
    EXPECT_TRUE(windowGone());
}

TEST_F(JoinDialogue, ACancelledJoinSaysNothingAndAcceptCanBePressedAgain) {
    const std::string source = tmp_.mkdir("source");
    const std::string whole = writeSplitSet(source, "report.doc", 3);
    const std::string target = pathInFolder(destination_, "report.doc");
    const std::string earlier = patternBytes(5000, 99);
    writeFile(target, earlier);
    chooseFolderSource(source, "report.doc");
    dialogs_.answer(true);  // overwrite
    dialogs_.cancelAfterProgress = 0;

    button("cmdaccept")->click();
    ASSERT_FALSE(dialogs_.progressDone.empty()) << "the join reports its progress";
    EXPECT_EQ(dialogs_.texts, std::vector<std::string>{kOverwrite}) << "no message follows a cancel";
    EXPECT_EQ(readFile(target), earlier);
    EXPECT_EQ(listNames(source).size(), 4u);
    EXPECT_FALSE(windowGone());
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_TRUE(button("cmdaccept")->isVisible());

    dialogs_.cancelAfterProgress = -1;
    dialogs_.answer(true);
    button("cmdaccept")->click();
    EXPECT_EQ(dialogs_.texts.back(), "Files have been joined successfully!!");
    EXPECT_EQ(readFile(target), whole);
    EXPECT_TRUE(windowGone());
}

TEST_F(JoinDialogue, APieceThatCannotBeDeletedIsToldBeforeTheSuccess) {
    const std::string source = tmp_.mkdir("source");
    const std::string whole = writeSplitSet(source, "report.doc", 3);
    testing::setReadOnly(pathInFolder(source, "report.doc.2"));
    chooseFolderSource(source, "report.doc");

    button("cmdaccept")->click();
    ASSERT_EQ(dialogs_.texts.size(), 2u);
    EXPECT_NE(dialogs_.texts[0].find(pathInFolder(source, "report.doc.2")), std::string::npos)
        << dialogs_.texts[0];
    EXPECT_EQ(dialogs_.texts[1], "Files have been joined successfully!!");
    EXPECT_EQ(readFile(pathInFolder(destination_, "report.doc")), whole);
    EXPECT_EQ(listNames(source), std::vector<std::string>{"report.doc.2"});
    EXPECT_TRUE(windowGone());
}

TEST_F(JoinDialogue, JoinIntoAnotherFolderOpenedInTheFolderList) {
    const std::string source = tmp_.mkdir("source");
    const std::string whole = writeSplitSet(source, "report.doc", 12, 100);
    const std::string inner = tmp_.mkdir("dest/inner");
    chooseFolderSource(source, "report.doc");
    ASSERT_TRUE(dir()->setPath(QString::fromStdString(inner)));

    button("cmdaccept")->click();
    EXPECT_EQ(readFile(pathInFolder(inner, "report.doc")), whole) << "piece 10 follows piece 9";
    EXPECT_FALSE(exists(pathInFolder(destination_, "report.doc")));
}

}  // namespace
}  // namespace brindlecut
