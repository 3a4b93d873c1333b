// The joiner's window on a user's desktop: a manifest given to the program,
// any palette and font size, and the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "common/contract.h"
#include "joiner/ui/join_window.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_test_support.h"

namespace brindlecut {
namespace {

class JoinDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        fs.setDrives({{tmp.mkdir("dest"), DriveKind::Fixed, 1 << 30}});
        testing::writeFile(tmp / "r.1", "abc");
        testing::writeFile(tmp / "r.2", "de");
        testing::writeFile(tmp / "r.inf.vek", manifestBytes("r", 2));
    }
    void TearDown() override {
        delete window.data();
        QApplication::setPalette(QPalette());
        QApplication::setFont(initialFont);
    }
    void open() {
        window = new JoinWindow(fs, dialogs);
        window->show();
    }
    QPushButton* button(const char* name) { return testing::control<QPushButton>(window, name); }
    QGroupBox* frame() { return testing::control<QGroupBox>(window, "Frame1"); }

    const QFont initialFont = QApplication::font();
    testing::TempDir tmp;
    testing::FaultyFileSystem fs;
    testing::ScriptedDialogs dialogs;
    QPointer<JoinWindow> window;
};

TEST_F(JoinDesktop, AManifestGivenToTheProgramOpensTheDestinationFrame) {
    open();
    window->openManifest(QString::fromStdString(tmp / "r.inf.vek"));
    EXPECT_TRUE(dialogs.shown.empty()) << "no file dialog, no message";
    EXPECT_TRUE(frame()->isVisible());
    EXPECT_EQ(frame()->title(), "CHOOSE FILE DESTINATION");
    EXPECT_TRUE(button("cmdaccept")->isVisible());
    EXPECT_TRUE(button("fddaccept")->isHidden());
    EXPECT_FALSE(button("fdd")->isEnabled());
    EXPECT_TRUE(button("hdd")->isEnabled());
}

// A file that is not there, or is no manifest, is told with the reason and
// the window stays at the choice of source.
TEST_F(JoinDesktop, AFileThatIsNoManifestIsToldThenTheStartState) {
    testing::writeFile(tmp / "notes.txt", "just some notes\r\nwith two lines but no count\r\n");
    const struct {
        std::string path;
        std::string told;
    } cases[] = {
        {tmp / "missing.inf.vek", "The split manifest could not be opened.\n\n" + tmp / "missing.inf.vek" +
                                      ": No such file or directory"},
        {tmp / "notes.txt",
         "The split manifest's piece count is not a whole number from 1 to 32767.\n\n" + tmp / "notes.txt"},
        {tmp.path(), "This file is not a split manifest.\n\n" + tmp.path() + ": Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        dialogs.texts.clear();
        open();
        window->openManifest(QString::fromStdString(c.path));
        EXPECT_EQ(dialogs.texts, std::vector<std::string>{c.told});
        EXPECT_FALSE(frame()->isVisible());
        EXPECT_TRUE(button("fdd")->isEnabled());
        EXPECT_TRUE(button("hdd")->isEnabled());
        delete window.data();
    }
}

TEST_F(JoinDesktop, TheWindowReadsUnderADarkPalette) {
    QApplication::setPalette(testing::darkPalette());
    open();
    testing::expectReadable(window->form());
    window->openManifest(QString::fromStdString(tmp / "r.inf.vek"));
    testing::expectReadable(window->form());
    EXPECT_TRUE(testing::drawsDarkText(button("hdd")));
    EXPECT_TRUE(testing::drawsDarkText(button("cmdaccept")));
}

TEST_F(JoinDesktop, CaptionsFitAtEveryDesktopFontSize) {
    for (int points : {8, 11, 12}) {
        SCOPED_TRACE(points);
        QFont font = initialFont;
        font.setPointSize(points);
        QApplication::setFont(font);
        open();
        window->openManifest(QString::fromStdString(tmp / "r.inf.vek"));
        testing::expectButtonCaptionsFit(window->form());
        if (points == 8) {
            EXPECT_EQ(button("fdd")->font().pointSize(), 8);
        }
        delete window.data();
    }
}

TEST_F(JoinDesktop, ReturnPressesTheFocusedButtonAndTheListsHaveNames) {
    open();
    dialogs.fileAnswer(QString::fromStdString(tmp / "r.inf.vek"));
    QTest::keyClick(button("hdd"), Qt::Key_Return);
    ASSERT_TRUE(frame()->isVisible());
    QTest::keyClick(button("cmdcancel"), Qt::Key_Enter);
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(testing::control(window, "List1")->accessibleName(), "Drives");
    EXPECT_EQ(testing::control(window, "Dir1")->accessibleName(), "Folders");
}

}  // namespace
}  // namespace brindlecut
