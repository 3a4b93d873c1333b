// The splitter's windows on a user's desktop: any palette and font size, the
// keyboard, the locale's decimal separator, files given on the command line or
// dropped on a window, and each window opening where the last one was.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <string>
#include <vector>

#include "splitter/ui/splitter_context.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_test_support.h"

namespace brindlecut {
namespace {

using testing::control;
using testing::currentWindow;
using testing::windowsOnScreen;

const std::string kBackslash =
    "The file's name holds a \"\\\", which a joiner on Windows would read as a folder separator. "
    "Rename the file and choose it again.";

class SplitterDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        source = tmp / "report.doc";
        testing::writeFile(source, testing::patternBytes(3000, 3));
        other = tmp / "other.bin";
        testing::writeFile(other, testing::patternBytes(5000, 4));
        drive = tmp.mkdir("d");
        fs.setDrives({{drive, DriveKind::Fixed, 0}});
    }
    void TearDown() override {
        testing::closeAllWindows();
        QApplication::setPalette(QPalette());
        QApplication::setFont(initialFont);
        QLocale::setDefault(QLocale::system());
    }

    QPushButton* button(const char* name) { return control<QPushButton>(currentWindow(), name); }
    // SPLIT with `path` picked, in the start window on screen or a new one.
    QWidget* startSplit(const std::string& path) {
        if (windowsOnScreen() != QStringList{"intro"}) context.navigator.toIntro();
        dialogs.fileAnswer(QString::fromStdString(path));
        button("Command1")->click();
        return currentWindow();
    }
    // The source window, then the size window with a folder plan on screen.
    void planFolderSplit() {
        startSplit(source);
        button("hdd")->click();
        button("done")->click();
        control<QLineEdit>(currentWindow(), "Textsize")->setText("1");
        control<QComboBox>(currentWindow(), "Combosize")->setCurrentIndex(1);
        button("done")->click();
        ASSERT_TRUE(control<QGroupBox>(currentWindow(), "Frame1")->isVisible());
    }
    static void drop(QWidget* window, const QList<QUrl>& urls, bool expectAccepted) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(window->width() / 2, 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        EXPECT_EQ(enter.isAccepted(), expectAccepted);
        if (!expectAccepted) return;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &dropped);
    }
    int fileDialogs() const {
        int count = 0;
        for (const std::string& shown : dialogs.shown) count += shown.rfind("file:", 0) == 0;
        return count;
    }

    const QFont initialFont = QApplication::font();
    testing::TempDir tmp;
    std::string source, other, drive;
    testing::FaultyFileSystem fs;
    testing::ScriptedDialogs dialogs;
    SplitterContext context{SplitJob(), fs, dialogs, tmp.path()};
};

TEST_F(SplitterDesktop, EveryWindowReadsUnderADarkPalette) {
    QApplication::setPalette(testing::darkPalette());
    context.navigator.toIntro();
    QWidget* intro = currentWindow();
    testing::expectReadable(intro);
    EXPECT_TRUE(testing::drawsDarkText(control(intro, "Command1")));

    startSplit(source);
    testing::expectReadable(currentWindow());
    button("hdd")->click();
    EXPECT_TRUE(testing::drawsDarkText(button("fdd"))) << "a disabled caption is still drawn dark enough";
    testing::expectReadable(currentWindow());

    button("done")->click();
    testing::expectReadable(currentWindow());
    control<QLineEdit>(currentWindow(), "Textsize")->setText("1");
    button("done")->click();
    testing::expectReadable(currentWindow());
    EXPECT_TRUE(testing::drawsDarkText(button("accept")));
}

// The summary frame is the window's light grey inside, not a darker shade.
TEST_F(SplitterDesktop, FileInfoFrameShowsTheWindowsGrey) {
    planFolderSplit();
    auto* frame = control<QGroupBox>(currentWindow(), "Frame1");
    const QImage image = frame->grab().toImage();
    const int w = image.width();
    const int h = image.height();
    for (const QPoint at :
         {QPoint(w - 4, h / 2), QPoint(w / 2, h - 4), QPoint(4, h - 4), QPoint(w - 4, h - 4)}) {
        SCOPED_TRACE(at.x());
        EXPECT_EQ(QColor(image.pixel(at)), QColor(0xE0, 0xE0, 0xE0));
    }
}

TEST_F(SplitterDesktop, CaptionsFitAtEveryDesktopFontSize) {
    for (int points : {8, 11, 12}) {
        SCOPED_TRACE(points);
        QFont font = initialFont;
        font.setPointSize(points);
        QApplication::setFont(font);
        context.navigator.toIntro();
        testing::expectButtonCaptionsFit(currentWindow());
        startSplit(source);
        button("hdd")->click();
        QWidget* form1 = currentWindow();
        testing::expectButtonCaptionsFit(form1);
        for (const char* name : {"Label3", "Label4"}) {
            auto* label = control<QLabel>(form1, name);
            const QRect needed =
                QFontMetrics(label->font())
                    .boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text());
            EXPECT_LE(needed.height(), label->height()) << name;
        }
        const QPushButton* fdd = button("fdd");
        if (points == 8) {
            EXPECT_EQ(fdd->font().pointSize(), 8) << "a caption that fits keeps the desktop's size";
        }
        button("done")->click();
        control<QLineEdit>(currentWindow(), "Textsize")->setText("1");
        button("done")->click();
        testing::expectButtonCaptionsFit(currentWindow());
        testing::closeAllWindows();
    }
}

TEST_F(SplitterDesktop, EachWindowOpensWhereTheLastOneWas) {
    context.navigator.toIntro();
    currentWindow()->move(137, 91);
    const QPoint where = currentWindow()->pos();
    dialogs.fileAnswer(QString::fromStdString(source));
    button("Command1")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(currentWindow()->pos(), where);
    currentWindow()->move(300, 200);
    button("fdd")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"form2"});
    EXPECT_EQ(currentWindow()->pos(), QPoint(300, 200));
    button("Command1")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(currentWindow()->pos(), QPoint(300, 200));
    button("Command1")->click();
    ASSERT_EQ(windowsOnScreen(), QStringList{"intro"});
    EXPECT_EQ(currentWindow()->pos(), QPoint(300, 200));
}

TEST_F(SplitterDesktop, ReturnAndEnterPressTheFocusedButton) {
    context.navigator.toIntro();
    dialogs.fileAnswer(QString::fromStdString(source));
    QTest::keyClick(button("Command1"), Qt::Key_Return);
    ASSERT_EQ(windowsOnScreen(), QStringList{"form1"});
    QTest::keyClick(button("hdd"), Qt::Key_Enter);
    EXPECT_TRUE(button("done")->isVisible());
    QTest::keyClick(button("Command1"), Qt::Key_Return);
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
}

TEST_F(SplitterDesktop, ReturnInTheSizeBoxPressesDoneWhileItCanBePressed) {
    startSplit(source);
    button("fdd")->click();
    auto* size = control<QLineEdit>(currentWindow(), "Textsize");
    size->setText("1");
    control<QComboBox>(currentWindow(), "Combosize")->setCurrentIndex(1);
    button("done")->setEnabled(false);
    QTest::keyClick(size, Qt::Key_Return);
    EXPECT_TRUE(dialogs.texts.empty());
    EXPECT_TRUE(button("fddaccept")->isHidden());
    button("done")->setEnabled(true);
    QTest::keyClick(size, Qt::Key_Enter);
    EXPECT_TRUE(button("fddaccept")->isVisible());
    EXPECT_EQ(context.job.piecesize, 1024);
    EXPECT_EQ(context.job.piececount, 3);
}

TEST_F(SplitterDesktop, SizeBoxTakesTheLocalesDecimalSeparator) {
    const struct {
        QLocale::Language language;
        const char* typed;
        const char* refusal;  // nullptr: planned with 1536-byte pieces
    } cases[] = {
        {QLocale::German, "1,5", nullptr},           {QLocale::German, "1.5", nullptr},
        {QLocale::German, "1,5,0", "Invalid Entry"}, {QLocale::German, "1,5.0", "Invalid Entry"},
        {QLocale::English, "1.5", nullptr},          {QLocale::English, "1,5", "Invalid Entry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QLocale::setDefault(QLocale(c.language));
        dialogs.texts.clear();
        context.job.piecesize = 0;
        startSplit(source);
        button("fdd")->click();
        control<QLineEdit>(currentWindow(), "Textsize")->setText(c.typed);
        control<QComboBox>(currentWindow(), "Combosize")->setCurrentIndex(1);
        button("done")->click();
        if (c.refusal) {
            EXPECT_EQ(dialogs.texts, std::vector<std::string>{c.refusal});
        } else {
            EXPECT_TRUE(dialogs.texts.empty());
            EXPECT_EQ(context.job.piecesize, 1536);
            EXPECT_EQ(context.job.piececount, 2);
        }
        testing::closeAllWindows();
    }
}

TEST_F(SplitterDesktop, DriveAndFolderListsHaveAccessibleNames) {
    startSplit(source);
    EXPECT_EQ(control(currentWindow(), "List1")->accessibleName(), "Drives");
    EXPECT_EQ(control(currentWindow(), "Dir1")->accessibleName(), "Folders");
}

TEST_F(SplitterDesktop, AFileGivenToTheProgramIsLoadedWithoutTheDialog) {
    ASSERT_NE(context.navigator.newSplit(nullptr, QString::fromStdString(source)), nullptr);
    EXPECT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(fileDialogs(), 0);
    EXPECT_EQ(context.job.sourcepath, source);
    EXPECT_EQ(context.job.filename, "report.doc");
    EXPECT_EQ(context.job.filesize, 3000);
    EXPECT_TRUE(control<QLabel>(currentWindow(), "Label2")
                    ->text()
                    .startsWith(QString::fromStdString("PATH              : " + source)));
}

TEST_F(SplitterDesktop, AFileThatCannotBeReadIsToldThenTheStartWindow) {
    const std::string missing = tmp / "missing.doc";
    EXPECT_EQ(context.navigator.newSplit(nullptr, QString::fromStdString(missing)), nullptr);
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_EQ(dialogs.texts[0].rfind("The file cannot be read.\n\n" + missing, 0), 0u) << dialogs.texts[0];
    EXPECT_EQ(fileDialogs(), 0);
}

TEST_F(SplitterDesktop, ANameWithABackslashIsRefusedWhenPicked) {
    const std::string odd = tmp / "a\\b.doc";
    testing::writeFile(odd, "abc");
    QWidget* shown = startSplit(odd);
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
    EXPECT_EQ(shown->objectName(), "intro");
    EXPECT_EQ(dialogs.texts, std::vector<std::string>{kBackslash + "\n\n" + odd});
    EXPECT_EQ(fs.calls(testing::Op::OpenRead), 0);
    // From the command line it ends the same way.
    dialogs.texts.clear();
    testing::closeAllWindows();
    EXPECT_EQ(context.navigator.newSplit(nullptr, QString::fromStdString(odd)), nullptr);
    EXPECT_EQ(dialogs.texts, std::vector<std::string>{kBackslash + "\n\n" + odd});
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
}

TEST_F(SplitterDesktop, AFileDroppedOnTheStartWindowBeginsItsSplit) {
    context.navigator.toIntro();
    QWidget* intro = currentWindow();
    // Two files, or a folder, are not taken.
    drop(intro,
         {QUrl::fromLocalFile(QString::fromStdString(source)),
          QUrl::fromLocalFile(QString::fromStdString(other))},
         false);
    drop(intro, {QUrl::fromLocalFile(QString::fromStdString(drive))}, false);
    EXPECT_EQ(windowsOnScreen(), QStringList{"intro"});
    drop(intro, {QUrl::fromLocalFile(QString::fromStdString(source))}, true);
    EXPECT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(context.job.sourcepath, source);
    EXPECT_EQ(fileDialogs(), 0);
}

TEST_F(SplitterDesktop, AFileDroppedOnTheSourceWindowBeginsANewSplit) {
    startSplit(source);
    button("fdd")->click();
    button("Command1")->click();  // BACK: the source window offers NEXT
    ASSERT_TRUE(button("cmdnext")->isVisible());
    drop(currentWindow(), {QUrl::fromLocalFile(QString::fromStdString(other))}, true);
    EXPECT_EQ(windowsOnScreen(), QStringList{"form1"});
    EXPECT_EQ(context.job.sourcepath, other);
    EXPECT_EQ(context.job.filesize, 5000);
    EXPECT_TRUE(button("cmdnext")->isHidden());
    EXPECT_FALSE(context.job.keepsource);
    EXPECT_EQ(fileDialogs(), 1);
}

}  // namespace
}  // namespace brindlecut
