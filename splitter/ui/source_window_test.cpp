#include "splitter/ui/source_window.h"

#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QTest>
#include <cerrno>
#include <map>
#include <ostream>

#include "common/contract.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_test_support.h"

namespace brindlecut {
namespace {

using testing::control;
using testing::currentWindow;
using testing::Op;
using testing::windowsOnScreen;

const char* const kOverwriteQuestion = " The file already exists.Would you want to overwrite it";

void setWritten(const std::string& path, const QDateTime& when) {
    const timeval times[2] = {{static_cast<time_t>(when.toSecsSinceEpoch()), 0},
                              {static_cast<time_t>(when.toSecsSinceEpoch()), 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

// Sparse, so that sizes of gigabytes take no room.
void makeFileOfSize(const std::string& path, std::int64_t size) {
    testing::writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

// Sets the locale that numbers and dates are written in, for one test.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

class SourceWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = tmp / "report.doc";
        testing::writeFile(source, testing::patternBytes(1536));
        setWritten(source, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        drive1 = tmp.mkdir("d1");
        drive2 = tmp.mkdir("d2");
        removable = tmp.mkdir("r");
        fs.setDrives({{drive1, DriveKind::Fixed, 0},
                      {removable, DriveKind::Removable, 0},
                      {drive2, DriveKind::Fixed, 0}});
    }
    void TearDown() override { testing::closeAllWindows(); }

    // SPLIT in the start window, with `path` picked in the file dialog.
    QWidget* openFromIntro(const std::string& path) {
        context.navigator.toIntro();
        testing::flushDeletes();
        intro = currentWindow();
        dialogs.fileAnswer(QString::fromStdString(path));
        control<QPushButton>(intro, "Command1")->click();
        return currentWindow();
    }
    QWidget* open() {
        QWidget* window = openFromIntro(source);
        EXPECT_EQ(windowsOnScreen(), QStringList{"form1"});
        return window;
    }
    QPushButton* button(const char* name) { return control<QPushButton>(currentWindow(), name); }
    DirListBox* dir1() { return control<DirListBox>(currentWindow(), "Dir1"); }
    QListWidget* list1() { return control<QListWidget>(currentWindow(), "List1"); }
    QString info() { return control<QLabel>(currentWindow(), "Label2")->text(); }
    QStringList driveRows() {
        QStringList rows;
        for (int i = 0; i < list1()->count(); ++i) rows << list1()->item(i)->text();
        return rows;
    }

    testing::TempDir tmp;
    std::string source, drive1, drive2, removable;
    testing::FaultyFileSystem fs;
    testing::ScriptedDialogs dialogs;
    SplitterContext context{SplitJob(), fs, dialogs, tmp.path()};
    QWidget* intro = nullptr;
};

// Each control's state: "V" visible, "H" hidden; "E" enabled, "D" disabled;
// a letter left out is not checked.
using States = std::map<std::string, std::string>;

void expectStates(QWidget* window, const States& states) {
    ASSERT_NE(window, nullptr);
    for (const auto& [name, state] : states) {
        SCOPED_TRACE(name + " " + state);
        QWidget* widget = control(window, name.c_str());
        if (state.find('V') != std::string::npos) {
            EXPECT_TRUE(widget->isVisible());
        }
        if (state.find('H') != std::string::npos) {
            EXPECT_TRUE(widget->isHidden());
        }
        if (state.find('E') != std::string::npos) {
            EXPECT_TRUE(widget->isEnabled());
        }
        if (state.find('D') != std::string::npos) {
            EXPECT_FALSE(widget->isEnabled());
        }
    }
}

const States kDestinationQuestion = {
    {"Label2", "V"}, {"Label3", "V"}, {"Label4", "V"}, {"hdd", "VE"},      {"fdd", "VE"},    {"Dir1", "H"},
    {"done", "H"},   {"cancel", "H"}, {"List1", "H"},  {"Command1", "VE"}, {"cmdnext", "H"},
};
const States kFolderChoice = {
    {"Label2", "V"}, {"Label3", "V"},  {"Label4", "V"}, {"hdd", "VE"},      {"fdd", "VD"},     {"Dir1", "VE"},
    {"done", "VE"},  {"cancel", "VE"}, {"List1", "VE"}, {"Command1", "VE"}, {"cmdnext", "HD"},
};

TEST_F(SourceWindowTest, AfterTheLoadStep) {
    QWidget* form1 = open();
    ASSERT_NE(form1, nullptr);
    EXPECT_EQ(form1->windowTitle(), "Brindlecut v1.0");
    EXPECT_TRUE(form1->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(form1->size(), QSize(twipsToPixels(5760, form1), twipsToPixels(5970, form1)));
    EXPECT_EQ(form1->palette().color(QPalette::Window), fromBgr(0xE0E0E0));
    testing::expectLayout(form1, SourceWindow::controlTable());
    expectStates(form1, kDestinationQuestion);
    EXPECT_EQ(form1->focusWidget(), button("hdd"));
    EXPECT_EQ(dialogs.shown,
              std::vector<std::string>{"file: Select the file you want to split| -> " + source});
    EXPECT_TRUE(dialogs.texts.empty());

    // Captions of the table, but the two the load step replaces.
    for (const ControlSpec& spec : SourceWindow::controlTable()) {
        const std::string name = spec.name;
        if (name == "Label2" || name == "Label3" || name == "Dir1" || name == "List1") continue;
        SCOPED_TRACE(name);
        EXPECT_EQ(testing::captionOf(control(form1, spec.name)), QString::fromUtf8(spec.caption));
    }
    EXPECT_EQ(testing::captionOf(control(form1, "Label3")), "FILE INFORMATION");
    const struct {
        const char* name;
        int points;
        bool bold;
    } fonts[] = {{"Label2", 8, false}, {"Label3", 10, true}, {"Label4", 10, true}};
    for (const auto& font : fonts) {
        SCOPED_TRACE(font.name);
        EXPECT_EQ(control(form1, font.name)->font().pointSize(), font.points);
        EXPECT_EQ(control(form1, font.name)->font().bold(), font.bold);
    }

    EXPECT_EQ(context.job.sourcepath, source);
    EXPECT_EQ(context.job.filename, "report.doc");
    EXPECT_EQ(context.job.filesize, 1536);
    EXPECT_EQ(context.job.tofloppy, 0);
    EXPECT_EQ(context.job.sizetext, "FILE SIZE                       : 1.5  kilobytes");
    EXPECT_EQ(info().toStdString(),
              "PATH              : " + source +
                  "\r\n\r\nFILE SIZE        :1.5  kilobytes\r\n\r\nCREATED ON :" +
                  SourceWindow::fileDate(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)).toSecsSinceEpoch())
                      .toStdString());
}

TEST(SourceWindowDesign, TableIsTheDesign) {
    using K = ControlKind;
    const ControlSpec design[] = {
        {"Label2", K::Label, "Label2", 360, 840, 4815, 1935, 0, nullptr},
        {"Label3", K::Label, "fileinfo", 360, 240, 4575, 375, 1, nullptr},
        {"Label4", K::Label, "where do you want to split the files ?", 360, 2880, 4575, 255, 2, nullptr},
        {"hdd", K::Button, "HARD DRIVE", 360, 3240, 1935, 375, 3, nullptr},
        {"fdd", K::Button, "FLOPPY DISKETTE", 3360, 3240, 1815, 375, 4, nullptr},
        {"Dir1", K::DirList, "", 2880, 3840, 2295, 1890, 5, nullptr},
        {"done", K::Button, "DONE", 480, 4320, 1695, 495, 6, nullptr},
        {"cancel", K::Button, "CANCEL", 480, 5160, 1695, 495, 7, nullptr},
        {"List1", K::ListBox, "", 600, 3840, 1455, 255, 8, nullptr},
        {"Command1", K::Button, "BACK", 4320, 240, 855, 255, 9, nullptr},
        {"cmdnext", K::Button, "NEXT", 3360, 240, 735, 255, 10, nullptr},
    };
    testing::expectDesign(SourceWindow::controlTable(), design);
    EXPECT_EQ(SourceWindow::kClientWidth, 5760);
    EXPECT_EQ(SourceWindow::kClientHeight, 5970);
}

struct SizeCase {
    std::int64_t bytes;
    const char* shown;
};

// Test names show the case, not the bytes of the struct.
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.bytes << " bytes -> \"" << c.shown << '"'; }

class SizeLineTest : public SourceWindowTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SizeLineTest, NumberAndUnit) {
    LocaleScope c(QLocale::c());
    makeFileOfSize(source, GetParam().bytes);
    open();
    EXPECT_EQ(context.job.filesize, GetParam().bytes);
    EXPECT_EQ(context.job.sizetext, std::string("FILE SIZE                       : ") + GetParam().shown);
    EXPECT_TRUE(info().startsWith(
        QString::fromStdString("PATH              : " + source + "\r\n\r\nFILE SIZE        :") +
        GetParam().shown + "\r\n\r\nCREATED ON :"))
        << info().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    UnitRule, SizeLineTest,
    ::testing::Values(SizeCase{0, "0  bytes"}, SizeCase{1, "1  bytes"}, SizeCase{1024, "1024  bytes"},
                      SizeCase{1025, "1.0009765625  kilobytes"}, SizeCase{1536, "1.5  kilobytes"},
                      SizeCase{1048576, "1024  kilobytes"}, SizeCase{1572864, "1.5  megabytes"},
                      SizeCase{3000000, "2.86102294921875  megabytes"},
                      SizeCase{1073741824, "1024  megabytes"}, SizeCase{1610612736, "1.5  gigabytes"},
                      // Beyond what a 32-bit length could hold.
                      SizeCase{5368709120, "5  gigabytes"},
                      // 15 significant digits, rounded.
                      SizeCase{1073741825, "1.00000000093132  gigabytes"},
                      SizeCase{1100000000, "1.02445483207703  gigabytes"}),
    [](const auto& info) { return "Bytes" + std::to_string(info.param.bytes); });

struct LocaleCase {
    QLocale::Language language;
    QLocale::Territory territory;
    const char* size;
    const char* afternoon;
    const char* midnight;
};

void PrintTo(const LocaleCase& c, std::ostream* os) {
    *os << QLocale(c.language, c.territory).name().toStdString();
}

class LocaleTest : public SourceWindowTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(LocaleTest, SizeAndDateInTheUsersFormat) {
    LocaleScope scope(QLocale(GetParam().language, GetParam().territory));
    open();
    EXPECT_TRUE(info().contains(QString("FILE SIZE        :") + GetParam().size + "  kilobytes\r\n\r\n"))
        << info().toStdString();
    EXPECT_TRUE(info().endsWith(QString("\r\n\r\nCREATED ON :") + GetParam().afternoon))
        << info().toStdString();
    testing::closeAllWindows();

    setWritten(source, QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    open();
    EXPECT_TRUE(info().endsWith(QString("\r\n\r\nCREATED ON :") + GetParam().midnight))
        << info().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleTest,
                         ::testing::Values(LocaleCase{QLocale::German, QLocale::Germany, "1,5",
                                                      "05.03.24 14:07:09", "05.03.24"},
                                           LocaleCase{QLocale::English, QLocale::UnitedStates, "1.5",
                                                      "3/5/24 2:07:09 PM", "3/5/24"}),
                         [](const auto& info) {
                             const QLocale locale(info.param.language, info.param.territory);
                             return locale.name().remove('_').toStdString();
                         });

TEST_F(SourceWindowTest, CancelledDialogReturnsToTheStartWindowSilently) {
    context.job = SplitJob{"/before/file", "file", 99,   "FILE SIZE                       : 99  bytes",
                           "/dest",        1,      true, false,
                           false,          5,      10,   10};
    QWidget* window = openFromIntro("");
    EXPECT_EQ(window, intro);
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
    EXPECT_TRUE(dialogs.texts.empty());
    EXPECT_EQ(fs.calls(Op::OpenRead), 0);
    const SplitJob& job = context.job;
    EXPECT_EQ(job.sourcepath, "");
    EXPECT_EQ(job.tofloppy, 0);
    EXPECT_EQ(job.filename, "file");
    EXPECT_EQ(job.filesize, 99);
    EXPECT_EQ(job.sizetext, "FILE SIZE                       : 99  bytes");
    EXPECT_EQ(job.destfolder, "/dest");
    EXPECT_TRUE(job.overwrite);
    EXPECT_EQ(job.piececount, 10);
}

TEST_F(SourceWindowTest, CancelledDialogWithNoStartWindowShowsOne) {
    EXPECT_EQ(context.navigator.toSource(), nullptr);
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
    EXPECT_TRUE(dialogs.texts.empty());
}

struct RefusedFileCase {
    const char* name;
    Op op;
    int error;
    const char* reason;
};

void PrintTo(const RefusedFileCase& c, std::ostream* os) { *os << c.name << " (" << c.reason << ')'; }

class RefusedFileTest : public SourceWindowTest, public ::testing::WithParamInterface<RefusedFileCase> {};

TEST_P(RefusedFileTest, ReportedWithPathAndReasonThenTheStartWindow) {
    fs.failOn(GetParam().op, GetParam().error, "report.doc");
    QWidget* window = openFromIntro(source);
    EXPECT_EQ(window, intro);
    EXPECT_EQ(dialogs.texts,
              std::vector<std::string>{"The file cannot be read.\n\n" + source + ": " + GetParam().reason});
    EXPECT_EQ(context.job.filesize, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RefusedFileTest,
    ::testing::Values(RefusedFileCase{"OpenDenied", Op::OpenRead, EACCES, "Permission denied"},
                      RefusedFileCase{"OpenGone", Op::OpenRead, ENOENT, "No such file or directory"},
                      RefusedFileCase{"Measure", Op::Size, EIO, "Input/output error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SourceWindowTest, NameWithALineBreakIsRefused) {
    const std::string odd = tmp / "two\nlines";
    testing::writeFile(odd, "abc");
    QWidget* window = openFromIntro(odd);
    EXPECT_EQ(window, intro);
    EXPECT_EQ(dialogs.texts,
              std::vector<std::string>{
                  "The file's name holds a line break, which the split's information file cannot "
                  "record. Rename the file and choose it again.\n\n" +
                  odd});
    EXPECT_EQ(fs.calls(Op::OpenRead), 0);
}

TEST_F(SourceWindowTest, NameThatLooksLikeMarkupIsShownAsItIs) {
    const std::string odd = tmp / "<b>bold<i> &amp;.txt";
    testing::writeFile(odd, "abc");
    openFromIntro(odd);
    auto* label = control<QLabel>(currentWindow(), "Label2");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_TRUE(label->text().startsWith(QString::fromStdString("PATH              : " + odd + "\r\n\r\n")));
    EXPECT_EQ(context.job.filename, "<b>bold<i> &amp;.txt");
}

TEST_F(SourceWindowTest, PickingNeverWritesTheFile) {
    fs.beforeCall = [](Op op, const std::string& path) {
        EXPECT_TRUE(op != Op::Create && op != Op::CreateNew && op != Op::Write) << path;
    };
    open();
    EXPECT_EQ(testing::readFile(source), testing::patternBytes(1536));
}

TEST_F(SourceWindowTest, HardDriveListsFixedDrivesOnceAndOpensTheFirst) {
    open();
    button("hdd")->click();
    expectStates(currentWindow(), kFolderChoice);
    EXPECT_EQ(driveRows(), (QStringList{QString::fromStdString(drive1), QString::fromStdString(drive2)}));
    EXPECT_EQ(list1()->currentRow(), 0);
    EXPECT_EQ(dir1()->path().toStdString(), drive1);

    list1()->setCurrentRow(1);
    EXPECT_EQ(dir1()->path().toStdString(), drive2);

    // Clicking the selected drive again opens it afresh.
    tmp.mkdir("d2/sub");
    ASSERT_TRUE(dir1()->setPath(QString::fromStdString(drive2 + "/sub")));
    QTest::mouseClick(list1()->viewport(), Qt::LeftButton, {},
                      list1()->visualItemRect(list1()->item(1)).center());
    EXPECT_EQ(dir1()->path().toStdString(), drive2);

    button("hdd")->click();
    EXPECT_EQ(driveRows().size(), 2);
    EXPECT_EQ(dir1()->path().toStdString(), drive1);
    EXPECT_TRUE(dialogs.texts.empty());
}

TEST_F(SourceWindowTest, HardDriveWithoutAFixedDriveSaysSo) {
    fs.setDrives({{removable, DriveKind::Removable, 0}});
    open();
    button("hdd")->click();
    EXPECT_EQ(dialogs.shown.back(), "tell: No hard drive was found.");
    EXPECT_EQ(dialogs.texts.size(), 1u);
    expectStates(currentWindow(), kDestinationQuestion);
    EXPECT_EQ(list1()->count(), 0);
}

TEST_F(SourceWindowTest, CancelClosesTheFolderChoiceAndKeepsTheRows) {
    open();
    button("hdd")->click();
    button("cancel")->click();
    States states = kDestinationQuestion;
    states["cmdnext"] = "HE";
    expectStates(currentWindow(), states);
    EXPECT_EQ(driveRows().size(), 2);
    EXPECT_EQ(currentWindow()->focusWidget(), button("hdd"));
}

TEST_F(SourceWindowTest, DoneTakesTheOpenFolderAndOpensTheSizeWindow) {
    tmp.mkdir("d1/sub");
    context.job.overwrite = true;  // from an earlier split into another folder
    open();
    button("hdd")->click();
    // A single click only highlights a folder.
    const int subRow = dir1()->openRow() + 1;
    ASSERT_EQ(dir1()->item(subRow)->text(), "sub");
    dir1()->setCurrentRow(subRow);
    ASSERT_EQ(dir1()->path().toStdString(), drive1);
    button("done")->click();
    EXPECT_EQ(windowsOnScreen(), QStringList{"form2"});
    EXPECT_EQ(context.job.destfolder, drive1);
    EXPECT_FALSE(context.job.overwrite);
    EXPECT_EQ(context.job.tofloppy, 0);
    EXPECT_TRUE(dialogs.texts.empty());
}

TEST_F(SourceWindowTest, DoneLooksForAnEarlierSplitInTheOpenFolder) {
    for (const std::string& folder : {std::string("/"), drive1}) {
        SCOPED_TRACE(folder);
        fs.setDrives({{folder, DriveKind::Fixed, 0}});
        std::vector<std::string> listed;
        fs.beforeCall = [&listed](Op op, const std::string& path) {
            if (op == Op::List) listed.push_back(path);
        };
        open();
        button("hdd")->click();
        listed.clear();
        button("done")->click();
        fs.beforeCall = nullptr;
        // The root drive holds the current folder, so it opens there.
        const std::string open = folder == "/" ? QDir::currentPath().toStdString() : folder;
        EXPECT_EQ(listed, std::vector<std::string>{open});
        EXPECT_EQ(context.job.destfolder, open);
        EXPECT_EQ(windowsOnScreen(), QStringList{"form2"});
        testing::closeAllWindows();
    }
}

// Any name of an earlier split's set in the folder asks the question, the
// manifest or a later piece alone as much as the first piece.
TEST_F(SourceWindowTest, AnyFileOfAnEarlierSplitAsksBeforeOverwriting) {
    for (const char* name : {"report.doc.1", "report.doc.7", "report.doc.inf.vek", "report.doc.xxh128"}) {
        SCOPED_TRACE(name);
        testing::TempDir folder;
        fs.setDrives({{folder.path(), DriveKind::Fixed, 0}});
        testing::writeFile(folder / name, "old");
        dialogs.shown.clear();
        dialogs.texts.clear();
        open();
        button("hdd")->click();
        dialogs.answer(false);
        button("done")->click();
        EXPECT_EQ(dialogs.texts,
                  (std::vector<std::string>{kOverwriteQuestion, "Choose a different directory"}));
        EXPECT_EQ(windowsOnScreen(), QStringList{"form1"});
        EXPECT_EQ(testing::readFile(folder / name), "old");
        testing::closeAllWindows();
    }
}

TEST_F(SourceWindowTest, AChosenDriveOpensAtTheCurrentFolderOnlyWhenItHoldsIt) {
    const std::string inside = tmp.mkdir("d1/work/today");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(inside)));
    open();
    button("hdd")->click();
    EXPECT_EQ(dir1()->path().toStdString(), inside);
    list1()->setCurrentRow(1);
    EXPECT_EQ(dir1()->path().toStdString(), drive2);
    list1()->setCurrentRow(0);
    EXPECT_EQ(dir1()->path().toStdString(), inside);
    QDir::setCurrent(before);
}

TEST_F(SourceWindowTest, OverwriteQuestionNoThenYes) {
    testing::writeFile(drive1 + "/report.doc.1", "old");
    open();
    button("hdd")->click();
    dialogs.answer(false);
    button("done")->click();
    EXPECT_EQ(dialogs.shown,
              (std::vector<std::string>{"file: Select the file you want to split| -> " + source,
                                        std::string("yesno: ") + kOverwriteQuestion + " -> No",
                                        "tell: Choose a different directory"}));
    EXPECT_EQ(windowsOnScreen(), QStringList{"form1"});
    expectStates(currentWindow(), kFolderChoice);
    EXPECT_EQ(context.job.destfolder, drive1);
    EXPECT_FALSE(context.job.overwrite);

    dialogs.answer(true);
    button("done")->click();
    EXPECT_EQ(dialogs.shown.back(), std::string("yesno: ") + kOverwriteQuestion + " -> Yes");
    EXPECT_EQ(dialogs.texts.size(), 3u);
    EXPECT_EQ(windowsOnScreen(), QStringList{"form2"});
    EXPECT_TRUE(context.job.overwrite);
    EXPECT_EQ(testing::readFile(drive1 + "/report.doc.1"), "old");
}

TEST_F(SourceWindowTest, AFolderNamedLikeTheFirstPieceIsNoEarlierSplit) {
    tmp.mkdir("d1/report.doc.1");
    open();
    button("hdd")->click();
    button("done")->click();
    EXPECT_TRUE(dialogs.texts.empty());
    EXPECT_EQ(windowsOnScreen(), QStringList{"form2"});
    EXPECT_FALSE(context.job.overwrite);
}

TEST_F(SourceWindowTest, FloppyDisketteOpensTheSizeWindowAtOnce) {
    context.job.destfolder = "/earlier";
    testing::writeFile(drive1 + "/report.doc.1", "old");
    open();
    button("fdd")->click();
    EXPECT_EQ(windowsOnScreen(), QStringList{"form2"});
    EXPECT_EQ(context.job.tofloppy, 1);
    EXPECT_EQ(context.job.destfolder, "/earlier");
    EXPECT_EQ(dialogs.texts.size(), 0u);
}

TEST_F(SourceWindowTest, BackReturnsToTheStartWindow) {
    context.job.shownext = true;
    open();
    context.job.shownext = true;
    button("Command1")->click();
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
    EXPECT_FALSE(context.job.shownext);
    QWidget* start = currentWindow();
    EXPECT_EQ(start->focusWidget(), control(start, "Command1"));
}

TEST_F(SourceWindowTest, ClosingFromTheTitleBarEndsTheProgram) {
    QWidget* form1 = open();
    button("hdd")->click();
    QPointer<QWidget> watched = form1;
    EXPECT_EQ(testing::runUntilTheProgramEnds([form1] { form1->close(); }), 0);
    testing::flushDeletes();
    EXPECT_TRUE(watched.isNull());
    EXPECT_TRUE(windowsOnScreen().isEmpty());
}

// The typical run: SPLIT, the file, HARD DRIVE, a folder, DONE, 1 MB, ACCEPT,
// and back at the start window; then BACK and NEXT keep file and folder.
TEST_F(SourceWindowTest, FolderSplitThroughAllThreeWindows) {
    const std::string bytes = testing::patternBytes(2500000, 7);
    testing::writeFile(source, bytes);
    const std::string out = tmp.mkdir("d1/out");
    open();
    button("hdd")->click();
    ASSERT_TRUE(dir1()->setPath(QString::fromStdString(out)));
    button("done")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"form2"});

    QWidget* form2 = currentWindow();
    control<QLineEdit>(form2, "Textsize")->setText("1");
    control<QPushButton>(form2, "done")->click();
    control<QPushButton>(form2, "Command1")->click();  // BACK
    ASSERT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(dialogs.shown.size(), 1u) << "no second file dialog";
    button("cmdnext")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"form2"});

    form2 = currentWindow();
    control<QLineEdit>(form2, "Textsize")->setText("1");
    control<QPushButton>(form2, "done")->click();
    EXPECT_TRUE(control<QLabel>(form2, "Label2")->text().contains("NUMBER OF SPLITS     : 3"));
    control<QPushButton>(form2, "accept")->click();
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
    EXPECT_EQ(dialogs.texts, std::vector<std::string>{"The files have been splitted successfully"});
    EXPECT_EQ(testing::listNames(out),
              (std::vector<std::string>{"report.doc.1", "report.doc.2", "report.doc.3", "report.doc.inf.vek",
                                        "report.doc.xxh128"}));
    EXPECT_EQ(testing::readFile(out + "/report.doc.1"), bytes.substr(0, 1048576));
    EXPECT_EQ(testing::readFile(out + "/report.doc.2"), bytes.substr(1048576, 1048576));
    EXPECT_EQ(testing::readFile(out + "/report.doc.3"), bytes.substr(2097152));
    EXPECT_EQ(testing::readFile(out + "/report.doc.inf.vek"), "report.doc\r\n 3 \r\n");
}

// As the size window's BACK leaves the job: the file kept, NEXT offered.
class KeptSourceTest : public SourceWindowTest {
protected:
    void SetUp() override {
        SourceWindowTest::SetUp();
        open();
        button("fdd")->click();
        testing::closeAllWindows();
        context.job.keepsource = true;
        context.job.shownext = true;
        dialogs.shown.clear();
    }
};

TEST_F(KeptSourceTest, NoDialogSameFileFreshDateAndNext) {
    LocaleScope scope(QLocale(QLocale::German, QLocale::Germany));
    // What the file has become since is not measured again, but its date is read afresh.
    testing::writeFile(source, "x");
    setWritten(source, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
    ASSERT_NE(context.navigator.toSource(), nullptr);
    EXPECT_TRUE(dialogs.shown.empty());
    States states = kDestinationQuestion;
    states["cmdnext"] = "VE";
    expectStates(currentWindow(), states);
    EXPECT_EQ(info().toStdString(),
              "PATH              : " + source +
                  "\r\n\r\nFILE SIZE        :1,5  kilobytes\r\n\r\nCREATED ON :02.01.25 03:04:05");
    EXPECT_EQ(context.job.filesize, 1536);
}

TEST_F(KeptSourceTest, NextGoesOnWithTheDiskettesChosenBefore) {
    ASSERT_EQ(context.job.tofloppy, 1);
    context.navigator.toSource();
    button("cmdnext")->click();
    EXPECT_EQ(windowsOnScreen(), QStringList{"form2"});
    EXPECT_EQ(context.job.tofloppy, 1);
}

TEST_F(KeptSourceTest, NextGoesOnWithTheFolderChosenBefore) {
    context.job.keepsource = false;
    dialogs.fileAnswer(QString::fromStdString(source));
    context.navigator.toSource();
    button("hdd")->click();
    button("done")->click();
    testing::closeAllWindows();
    context.job.keepsource = true;
    context.navigator.toSource();
    button("cmdnext")->click();
    EXPECT_EQ(windowsOnScreen(), QStringList{"form2"});
    EXPECT_EQ(context.job.tofloppy, 0);
    EXPECT_EQ(context.job.destfolder, drive1);
}

TEST_F(KeptSourceTest, NextIsDisabledInTheFolderChoiceAndBackAfterCancel) {
    context.navigator.toSource();
    button("hdd")->click();
    States states = kFolderChoice;
    states["cmdnext"] = "VD";
    expectStates(currentWindow(), states);
    button("cancel")->click();
    expectStates(currentWindow(), {{"cmdnext", "VE"}, {"fdd", "VE"}, {"done", "H"}});
}

TEST_F(KeptSourceTest, GoneFileShowsNoDate) {
    ASSERT_EQ(::unlink(source.c_str()), 0);
    ASSERT_NE(context.navigator.toSource(), nullptr);
    EXPECT_EQ(info().toStdString(),
              "PATH              : " + source + "\r\n\r\nFILE SIZE        :1.5  kilobytes\r\n\r\n");
    EXPECT_TRUE(dialogs.texts.empty());
}

class SourceHoverTest : public KeptSourceTest {
protected:
    void SetUp() override {
        KeptSourceTest::SetUp();
        window = context.navigator.toSource();
        ASSERT_NE(window, nullptr);
        background = QPoint(twipsToPixels(150, window), twipsToPixels(150, window));
        ASSERT_EQ(window->childAt(background), nullptr);
        moveToBackground();
    }
    void moveOnto(QWidget* widget) { QTest::mouseMove(widget, widget->rect().center()); }
    void moveToBackground() { QTest::mouseMove(window, background); }
    QColor colour(const char* name) { return buttonColour(button(name)); }

    QWidget* window = nullptr;
    QPoint background;
};

TEST_F(SourceHoverTest, NextDarkensAndTheBackgroundRestoresIt) {
    moveOnto(button("cmdnext"));
    EXPECT_EQ(colour("cmdnext"), hoverColour());
    for (const char* other : {"Command1", "hdd", "fdd", "cancel", "done"})
        EXPECT_EQ(colour(other), restColour());
    moveToBackground();
    EXPECT_EQ(colour("cmdnext"), restColour());
}

TEST_F(SourceHoverTest, LabelsListsAndLeavingKeepTheColour) {
    button("hdd")->click();
    moveOnto(button("done"));
    for (const char* name : {"Label2", "Label3", "Label4", "List1", "Dir1"}) {
        moveOnto(control(window, name));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(control(window, name), &leave);
    }
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(window, &leave);
    EXPECT_EQ(colour("done"), hoverColour());
    moveToBackground();
    EXPECT_EQ(colour("done"), restColour());
}

TEST_F(SourceHoverTest, EveryButtonInTurnAndHiddenOnesRest) {
    button("hdd")->click();
    for (const char* name : {"Command1", "hdd", "cancel", "done"}) moveOnto(button(name));
    for (const char* name : {"Command1", "hdd", "cancel", "done"})
        EXPECT_EQ(colour(name), hoverColour()) << name;
    button("cancel")->click();
    ASSERT_TRUE(button("done")->isHidden());
    EXPECT_EQ(colour("done"), hoverColour());
    moveToBackground();
    for (const char* name : {"Command1", "cmdnext", "hdd", "fdd", "cancel", "done"}) {
        EXPECT_EQ(colour(name), restColour()) << name;
    }
}

TEST_F(SourceHoverTest, DisabledButtonsDoNotReact) {
    button("hdd")->click();
    moveOnto(button("fdd"));
    moveOnto(button("cmdnext"));
    EXPECT_EQ(colour("fdd"), restColour());
    EXPECT_EQ(colour("cmdnext"), restColour());
}

}  // namespace
}  // namespace brindlecut
