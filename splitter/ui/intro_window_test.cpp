#include "splitter/ui/intro_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_test_support.h"

namespace brindlecut {
namespace {

using testing::control;
using testing::currentWindow;
using testing::windowsOnScreen;

// The named size where the named font is installed; otherwise the largest size
// up to it at which the fallback font shows the caption on one line.
void expectTitleSize(QLabel* label, int points) {
    SCOPED_TRACE(label->objectName().toStdString());
    QFont font = label->font();
    EXPECT_FALSE(label->wordWrap());
    if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0) {
        EXPECT_EQ(font.pointSize(), points);
        return;
    }
    EXPECT_LE(font.pointSize(), points);
    EXPECT_LE(QFontMetrics(font).horizontalAdvance(label->text()), label->width());
    if (font.pointSize() < points) {
        font.setPointSize(font.pointSize() + 1);
        EXPECT_GT(QFontMetrics(font).horizontalAdvance(label->text()), label->width());
    }
}

class IntroWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = tmp / "report.doc";
        testing::writeFile(source, testing::patternBytes(1536));
        intro = context.navigator.toIntro();
        testing::flushDeletes();
    }
    void TearDown() override { testing::closeAllWindows(); }

    QPushButton* button(const char* name) { return control<QPushButton>(currentWindow(), name); }

    testing::TempDir tmp;
    std::string source;
    testing::FaultyFileSystem fs;
    testing::ScriptedDialogs dialogs;
    SplitterContext context{SplitJob(), fs, dialogs, tmp.path()};
    QWidget* intro = nullptr;
};

TEST_F(IntroWindowTest, ShowsItsDesignStateBelowTheMenuBar) {
    ASSERT_EQ(currentWindow(), intro);
    EXPECT_EQ(intro->objectName(), "intro");
    EXPECT_EQ(intro->windowTitle(), "Brindlecut v1.0");
    EXPECT_TRUE(intro->testAttribute(Qt::WA_DeleteOnClose));

    auto* client = control(intro, "client");
    ASSERT_NE(client, nullptr);
    auto* menuBar = static_cast<QMainWindow*>(intro)->menuBar();
    EXPECT_EQ(client->size(), QSize(twipsToPixels(5010, client), twipsToPixels(4020, client)));
    EXPECT_GE(client->y(), menuBar->geometry().bottom());
    EXPECT_EQ(intro->size(), QSize(client->width(), client->y() + client->height()));
    EXPECT_EQ(client->palette().color(QPalette::Window), fromBgr(0xE0E0E0));
    EXPECT_TRUE(client->autoFillBackground());

    testing::expectLayout(client, IntroWindow::controlTable());
    for (const ControlSpec& spec : IntroWindow::controlTable()) {
        SCOPED_TRACE(spec.name);
        QWidget* widget = control(client, spec.name);
        EXPECT_TRUE(widget->isVisible());
        EXPECT_TRUE(widget->isEnabled());
        EXPECT_EQ(testing::captionOf(widget), QString::fromUtf8(spec.caption));
    }

    const QFont title = control(client, "Label1")->font();
    EXPECT_EQ(title.family(), "Monotype Corsiva");
    EXPECT_TRUE(title.italic());
    EXPECT_FALSE(title.bold());
    expectTitleSize(control<QLabel>(client, "Label1"), 36);
    const QFont motto = control(client, "Label2")->font();
    EXPECT_EQ(motto.family(), "Script");
    EXPECT_TRUE(motto.bold());
    EXPECT_FALSE(motto.italic());
    expectTitleSize(control<QLabel>(client, "Label2"), 18);

    EXPECT_EQ(intro->focusWidget(), button("Command1"));
}

TEST(IntroWindowDesign, TableIsTheDesign) {
    using K = ControlKind;
    const ControlSpec design[] = {
        {"Label1", K::Label, "Brindlecut", 1080, 720, 3135, 975, 0, nullptr},
        {"Command1", K::Button, "SPLIT", 960, 3000, 1335, 495, 1, nullptr},
        {"Command2", K::Button, "CLOSE", 2640, 3000, 1335, 495, 2, nullptr},
        {"Label2", K::Label, "State of the art File Manager", 960, 2040, 3255, 495, 3, nullptr},
    };
    testing::expectDesign(IntroWindow::controlTable(), design);
    EXPECT_EQ(IntroWindow::kClientWidth, 5010);
    EXPECT_EQ(IntroWindow::kClientHeight, 4020);
}

TEST_F(IntroWindowTest, AuthorMenuOnlyShowsTheCreditLine) {
    auto* menu = control<QMenu>(intro, "mnuauthor");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), "Author");
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* credit = menu->actions().front();
    EXPECT_EQ(credit->objectName(), "mnudet");
    EXPECT_EQ(credit->text(), "Brindlecut v1.0 by the Brindlecut developers");

    credit->trigger();
    EXPECT_EQ(currentWindow(), intro);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(IntroWindowTest, CancelledDialogLeavesThisWindowAndSplitAsksAgain) {
    context.job.destfolder = "/kept";
    context.job.filesize = 77;
    context.job.tofloppy = 1;
    button("Command1")->click();
    EXPECT_EQ(currentWindow(), intro);
    EXPECT_EQ(dialogs.shown, std::vector<std::string>{"file: Select the file you want to split| -> "});
    EXPECT_TRUE(dialogs.texts.empty());
    EXPECT_EQ(context.job.sourcepath, "");
    EXPECT_EQ(context.job.tofloppy, 0);
    EXPECT_EQ(context.job.destfolder, "/kept");
    EXPECT_EQ(context.job.filesize, 77);

    dialogs.fileAnswer(QString::fromStdString(source));
    button("Command1")->click();
    EXPECT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(context.job.sourcepath, source);
    EXPECT_EQ(context.job.filename, "report.doc");
    EXPECT_EQ(context.job.filesize, 1536);
}

TEST_F(IntroWindowTest, SplitBeginsANewSplitAfterAnEarlierBack) {
    // As the size window's BACK leaves the job.
    context.job.keepsource = true;
    context.job.shownext = true;
    context.job.sourcepath = "/earlier/file";
    dialogs.fileAnswer(QString::fromStdString(source));
    button("Command1")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_FALSE(context.job.keepsource);
    EXPECT_FALSE(context.job.shownext);
    EXPECT_EQ(context.job.sourcepath, source);
    EXPECT_TRUE(control(currentWindow(), "cmdnext")->isHidden());
}

TEST_F(IntroWindowTest, CloseEndsTheProgram) {
    QPointer<QWidget> watched = intro;
    EXPECT_EQ(testing::runUntilTheProgramEnds([this] { button("Command2")->click(); }), 0);
    testing::flushDeletes();
    EXPECT_TRUE(watched.isNull());
    EXPECT_TRUE(windowsOnScreen().isEmpty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(IntroWindowTest, ClosingFromTheTitleBarEndsTheProgram) {
    QPointer<QWidget> watched = intro;
    EXPECT_EQ(testing::runUntilTheProgramEnds([this] { intro->close(); }), 0);
    testing::flushDeletes();
    EXPECT_TRUE(watched.isNull());
}

TEST_F(IntroWindowTest, ShownAfreshEachTime) {
    dialogs.fileAnswer(QString::fromStdString(source));
    button("Command1")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"form1"});
    control<QPushButton>(currentWindow(), "Command1")->click();  // BACK
    ASSERT_EQ(windowsOnScreen(), QStringList{"intro"});
    QWidget* again = currentWindow();
    EXPECT_EQ(again->focusWidget(), control(again, "Command1"));
    for (const char* name : {"Command1", "Command2"}) {
        EXPECT_EQ(buttonColour(control<QPushButton>(again, name)), restColour());
    }
}

// Hover, with real pointer moves delivered through the window.
class IntroHoverTest : public IntroWindowTest {
protected:
    void SetUp() override {
        IntroWindowTest::SetUp();
        client = control(intro, "client");
        split = button("Command1");
        close = button("Command2");
        // The background between the title and the motto.
        background = QPoint(twipsToPixels(300, client), twipsToPixels(300, client));
        ASSERT_EQ(client->childAt(background), nullptr);
        QTest::mouseMove(client, background);
    }
    void moveOnto(QWidget* widget) { QTest::mouseMove(widget, widget->rect().center()); }
    void moveToBackground() { QTest::mouseMove(client, background); }

    QWidget* client = nullptr;
    QPushButton* split = nullptr;
    QPushButton* close = nullptr;
    QPoint background;
};

TEST_F(IntroHoverTest, ButtonDarkensAndTheBackgroundRestoresIt) {
    moveOnto(split);
    EXPECT_EQ(buttonColour(split), hoverColour());
    EXPECT_EQ(buttonColour(close), restColour());
    moveToBackground();
    EXPECT_EQ(buttonColour(split), restColour());
}

TEST_F(IntroHoverTest, LabelsDoNotRestore) {
    moveOnto(close);
    moveOnto(control(client, "Label1"));
    moveOnto(control(client, "Label2"));
    // Out of the window: the platform reports only that the pointer left.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(intro, &leave);
    EXPECT_EQ(buttonColour(close), hoverColour());
    moveToBackground();
    EXPECT_EQ(buttonColour(close), restColour());
}

TEST_F(IntroHoverTest, JumpingBetweenButtonsLeavesBothDark) {
    moveOnto(split);
    moveOnto(close);
    EXPECT_EQ(buttonColour(split), hoverColour());
    EXPECT_EQ(buttonColour(close), hoverColour());
    moveToBackground();
    EXPECT_EQ(buttonColour(split), restColour());
    EXPECT_EQ(buttonColour(close), restColour());
}

TEST_F(IntroHoverTest, ClickKeepsTheColour) {
    moveOnto(split);
    // The file dialog is cancelled, so this window stays.
    QTest::mouseClick(split, Qt::LeftButton);
    ASSERT_EQ(currentWindow(), intro);
    EXPECT_EQ(buttonColour(split), hoverColour());
}

TEST_F(IntroHoverTest, DisabledButtonDoesNotReact) {
    split->setEnabled(false);
    moveOnto(split);
    EXPECT_EQ(buttonColour(split), restColour());
}

}  // namespace
}  // namespace brindlecut
