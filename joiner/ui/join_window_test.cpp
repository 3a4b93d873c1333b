// The joiner window as it comes up (compared with its layout table) and its
// buttons' hover highlighting, driven by real pointer moves through the window
// system.
#include "joiner/ui/join_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "common/widgets/dir_list_box.h"
#include "common/widgets/hover.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_test_support.h"

namespace brindlecut {
namespace {

using testing::FaultyFileSystem;
using testing::ScriptedDialogs;
using testing::TempDir;

class JoinWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs_.setDrives({{tmp_.path(), DriveKind::Fixed, 0}});
        window_ = new JoinWindow(fs_, dialogs_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
        // The window system drops a move to where the pointer already is, so
        // each test starts with the pointer on the menu bar, away from every
        // point the tests move to.
        QWidget* bar = window_->menuBar();
        moveTo(bar, QPoint(bar->width() - 2, bar->height() / 2));
    }
    void TearDown() override { delete window_; }

    template <typename T = QWidget>
    T* find(const char* name) {
        return testing::control<T>(window_, name);
    }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }

    // Opens the destination frame in folder mode from a real split set.
    void openFolderMode() {
        testing::writeFile(tmp_ / "r.inf.vek", "r\r\n 2 \r\n");
        dialogs_.fileAnswer(QString::fromStdString(tmp_ / "r.inf.vek"));
        button("hdd")->click();
        ASSERT_TRUE(find("Frame1")->isVisible());
    }

    // A pointer move delivered to the window as the window system would, at a
    // point of `widget`.
    void moveTo(QWidget* widget, QPoint at) {
        QTest::mouseMove(window_->windowHandle(), widget->mapTo(window_, at));
        QCoreApplication::processEvents();
    }
    void moveOnto(QWidget* widget) { moveTo(widget, widget->rect().center()); }

    TempDir tmp_;
    FaultyFileSystem fs_;
    ScriptedDialogs dialogs_;
    JoinWindow* window_ = nullptr;
};

// The window's design, written out here independently of the code's table, so
// that a slip in either shows.
constexpr ControlSpec kDesign[] = {
    {"Label1", ControlKind::Label, "Label1", 1320, 240, 3375, 495, 0, nullptr},
    {"hdd", ControlKind::Button, "HARD DRIVE", 960, 840, 1575, 495, 1, nullptr},
    {"fdd", ControlKind::Button, "FLOPPY DISKETTE", 2760, 840, 1695, 495, 2, nullptr},
    {"Frame1", ControlKind::Frame, "Frame1", 960, 1800, 3495, 2535, 3, nullptr},
    {"Dir1", ControlKind::DirList, "", 1320, 240, 2055, 1890, 4, "Frame1"},
    {"cmdaccept", ControlKind::Button, "ACCEPT", 120, 840, 1095, 495, 5, "Frame1"},
    {"cmdcancel", ControlKind::Button, "CANCEL", 120, 1560, 1095, 495, 6, "Frame1"},
    {"List1", ControlKind::ListBox, "", 120, 360, 1095, 255, 7, "Frame1"},
    {"fddaccept", ControlKind::Button, "ACCEPT", 120, 840, 1095, 495, 8, "Frame1"},
};

TEST_F(JoinWindowTest, TableIsTheDesign) { testing::expectDesign(joinWindowLayout(), kDesign); }

TEST_F(JoinWindowTest, EveryControlSitsWhereTheTableSays) {
    // Kinds, places within their parents, captions, the rest colour and the tab order.
    testing::expectLayout(window_->form(), joinWindowLayout());
    for (const ControlSpec& spec : joinWindowLayout()) {
        SCOPED_TRACE(spec.name);
        const QString parentName = spec.parent ? QString::fromLatin1(spec.parent) : QStringLiteral("form");
        EXPECT_EQ(find(spec.name)->parentWidget()->objectName(), parentName);
    }
    EXPECT_EQ(button("cmdaccept")->geometry(), button("fddaccept")->geometry())
        << "the two ACCEPTs share one spot";
}

TEST_F(JoinWindowTest, AfterLoad) {
    EXPECT_EQ(window_->objectName(), "Form1");
    EXPECT_EQ(window_->windowTitle(), "Brindlecut - join");
    EXPECT_EQ(window_->form()->size(), QSize(twipsToPixels(5280, window_), twipsToPixels(4725, window_)));
    EXPECT_EQ(window_->form()->palette().color(QPalette::Window), QColor(224, 224, 224));

    auto* heading = find<QLabel>("Label1");
    EXPECT_EQ(heading->text(), "  Where are the split files?  ");
    EXPECT_EQ(heading->font().pointSize(), 11);
    EXPECT_TRUE(heading->font().bold());
    EXPECT_EQ(heading->palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_TRUE(heading->isVisible());

    EXPECT_TRUE(button("hdd")->isVisible());
    EXPECT_TRUE(button("fdd")->isVisible());
    EXPECT_TRUE(button("hdd")->isEnabled());
    EXPECT_TRUE(button("fdd")->isEnabled());

    auto* frame = find<QGroupBox>("Frame1");
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(frame->title(), "Frame1");
    EXPECT_EQ(frame->palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_FALSE(button("cmdaccept")->isHidden()) << "keeps its design visibility inside the hidden frame";
    EXPECT_TRUE(button("fddaccept")->isHidden());
    EXPECT_FALSE(button("cmdaccept")->isVisible());

    auto* menu = find<QMenu>("mnuauthor");
    EXPECT_EQ(menu->title(), "Author");
    auto* credit = find<QAction>("mnudet");
    EXPECT_EQ(credit->text(), "Brindlecut v1.0 by the Brindlecut developers");
    EXPECT_EQ(menu->actions(), QList<QAction*>{credit});
}

TEST_F(JoinWindowTest, OpenedFrameCaptionFontStaysOnTheCaption) {
    openFolderMode();
    auto* frame = find<QGroupBox>("Frame1");
    EXPECT_EQ(frame->title(), "CHOOSE FILE DESTINATION");
    EXPECT_EQ(frame->font().pointSize(), 7);
    EXPECT_TRUE(frame->font().bold());
    // The frame's font is its caption's alone: nothing inside the frame takes it.
    for (const char* name : {"Dir1", "cmdaccept", "cmdcancel", "List1", "fddaccept"}) {
        EXPECT_FALSE(find(name)->font().bold()) << name;
        EXPECT_EQ(find(name)->font().pointSize(), button("hdd")->font().pointSize()) << name;
    }
    EXPECT_EQ(window_->windowTitle(), "Brindlecut - join");
}

const QColor kHover(128, 128, 128);
const QColor kRest(192, 192, 192);

TEST_F(JoinWindowTest, FrameBackgroundDoesNotRestTheButtons) {
    openFolderMode();
    QWidget* frame = find("Frame1");
    QPushButton* accept = button("cmdaccept");
    QPushButton* cancel = button("cmdcancel");

    moveOnto(accept);
    EXPECT_EQ(buttonColour(accept), kHover);
    // Between ACCEPT and CANCEL, on the frame's own background.
    const QPoint between(accept->geometry().center().x(), (accept->geometry().bottom() + cancel->y()) / 2);
    ASSERT_EQ(frame->childAt(between), nullptr);
    moveTo(frame, between);
    EXPECT_EQ(buttonColour(accept), kHover);
    moveOnto(cancel);
    EXPECT_EQ(buttonColour(accept), kHover);
    EXPECT_EQ(buttonColour(cancel), kHover);

    // Out of the frame onto the window's bare background.
    const QPoint outside(frame->x() - 5, frame->y() + frame->height() / 2);
    ASSERT_EQ(window_->form()->childAt(outside), nullptr);
    moveTo(window_->form(), outside);
    for (const char* name : {"hdd", "fdd", "cmdaccept", "fddaccept", "cmdcancel"}) {
        EXPECT_EQ(buttonColour(button(name)), kRest) << name;
    }
}

TEST_F(JoinWindowTest, LabelListsAndMenuDoNotRestTheButtons) {
    openFolderMode();
    button("fdd")->setEnabled(true);
    moveOnto(button("fdd"));
    ASSERT_EQ(buttonColour(button("fdd")), kHover);
    for (const char* name : {"Label1", "List1", "Dir1"}) {
        moveOnto(find(name));
        EXPECT_EQ(buttonColour(button("fdd")), kHover) << name;
    }
    moveOnto(window_->menuBar());
    EXPECT_EQ(buttonColour(button("fdd")), kHover);
}

TEST_F(JoinWindowTest, JumpingBetweenButtonsLeavesBothHighlighted) {
    moveOnto(button("hdd"));
    moveOnto(button("fdd"));
    EXPECT_EQ(buttonColour(button("hdd")), kHover);
    EXPECT_EQ(buttonColour(button("fdd")), kHover);
    moveTo(window_->form(), QPoint(3, 3));
    EXPECT_EQ(buttonColour(button("hdd")), kRest);
    EXPECT_EQ(buttonColour(button("fdd")), kRest);
}

TEST_F(JoinWindowTest, RestRecoloursHiddenButtonsToo) {
    setButtonColour(button("fddaccept"), kHover);
    setButtonColour(button("cmdaccept"), kHover);
    moveTo(window_->form(), QPoint(3, 3));
    EXPECT_EQ(buttonColour(button("fddaccept")), kRest);
    EXPECT_EQ(buttonColour(button("cmdaccept")), kRest);
}

TEST_F(JoinWindowTest, DisabledButtonKeepsItsColourAndAClickChangesNone) {
    openFolderMode();
    ASSERT_FALSE(button("fdd")->isEnabled());
    moveOnto(button("fdd"));
    EXPECT_EQ(buttonColour(button("fdd")), kRest);

    // HARD DRIVE clicked while highlighted, its dialog cancelled: still mid grey.
    moveOnto(button("hdd"));
    dialogs_.fileAnswer(QString());
    QTest::mouseClick(button("hdd"), Qt::LeftButton);
    ASSERT_EQ(dialogs_.shown.size(), 2u);
    EXPECT_EQ(buttonColour(button("hdd")), kHover);
}

}  // namespace
}  // namespace brindlecut
