// The size window driven as a user would: typed sizes, picked units, clicks and
// pointer moves, with scripted message boxes and a file system that can stand
// in a folder for drive A: or fail on demand.
#include "splitter/ui/size_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <ostream>
#include <set>

#include "common/contract.h"
#include "common/widgets/hover.h"
#include "splitter/engine/diskette_split.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "tests/support/window_test_support.h"

namespace brindlecut {
namespace {

using testing::FaultyFileSystem;
using testing::Op;
using testing::ScriptedDialogs;
using testing::TempDir;

const std::string kFolderDone = "The files have been splitted successfully";
const std::string kDisketteDone = "Files have been split successfully!!";
const std::set<QString> kWindowNames = {"intro", "form1", "form2"};

std::string diskPrompt(int k, int count) {
    // The last prompt puts a blank of its own before the number's leading blank.
    return std::string("okcancel: Please insert disk #") + (k == count ? "  " : " ") + std::to_string(k) +
           " and click OK.  EXISTING DATA WILL BE ERASED IF NEED BE!! -> OK";
}

QWidget* windowNamed(const QString& name) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == name && window->isVisible()) return window;
    }
    return nullptr;
}

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// A pointer move with no mouse button down, delivered the way the platform
// delivers one: to the widget under the pointer, then on to its parents if
// that widget does not take it.
void moveOver(QWidget* target, QPoint local) {
    QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(target->mapToGlobal(local)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

class SizeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = patternBytes(3000, 7);
        testing::writeFile(temp_ / "report.doc", source_);
        out_ = temp_.mkdir("out");
        SplitJob& job = context_.job;
        job.sourcepath = temp_ / "report.doc";
        job.filename = "report.doc";
        job.filesize = 3000;
        job.sizetext = "Size : 2.9296875 KB";
        job.destfolder = out_;
        job.tofloppy = 0;
    }

    void TearDown() override {
        std::vector<QPointer<QWidget>> windows;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (kWindowNames.count(window->objectName())) windows.emplace_back(window);
        }
        for (auto& window : windows) delete window.data();
        flushDeletes();
    }

    static std::string patternBytes(std::int64_t length, unsigned seed) {
        return testing::patternBytes(length, seed);
    }

    void open() {
        QWidget* shown = context_.navigator.toSize();
        ASSERT_NE(shown, nullptr);
        window_ = shown;
        EXPECT_EQ(window_->objectName(), "form2");
        EXPECT_TRUE(window_->isVisible());
    }

    template <typename T = QWidget>
    T* child(const char* name) const {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }

    // Clicks a button as the user can: only one that is on screen and enabled.
    void press(const char* name) {
        QPushButton* b = button(name);
        ASSERT_TRUE(b->isVisible()) << name << " is not on screen";
        ASSERT_TRUE(b->isEnabled()) << name << " is disabled";
        b->click();
    }

    void enterSize(const QString& text, int unitItem) {
        child<QLineEdit>("Textsize")->setText(text);
        if (unitItem >= 0) child<QComboBox>("Combosize")->setCurrentIndex(unitItem);
    }

    void plan(const QString& text, int unitItem) {
        enterSize(text, unitItem);
        press("done");
    }

    // Which of the window's controls can be seen, by name.
    std::set<QString> visibleControls() const {
        std::set<QString> names;
        for (const ControlSpec& spec : sizeWindowLayout()) {
            QWidget* w = window_->findChild<QWidget*>(QString::fromLatin1(spec.name));
            if (w && w->isVisible()) names.insert(w->objectName());
        }
        return names;
    }
    std::set<QString> enabledControls() const {
        std::set<QString> names;
        for (const ControlSpec& spec : sizeWindowLayout()) {
            QWidget* w = window_->findChild<QWidget*>(QString::fromLatin1(spec.name));
            if (w && w->isVisible() && w->isEnabled() && spec.kind != ControlKind::Label &&
                spec.kind != ControlKind::Frame)
                names.insert(w->objectName());
        }
        return names;
    }
    // The start window is on screen as created afresh: SPLIT focused.
    static void expectFreshStartWindow() {
        QWidget* intro = windowNamed("intro");
        ASSERT_NE(intro, nullptr);
        ASSERT_NE(intro->focusWidget(), nullptr);
        EXPECT_EQ(intro->focusWidget()->objectName(), "Command1");
    }
    QString focused() const {
        return window_->focusWidget() ? window_->focusWidget()->objectName() : QString();
    }

    std::string expectedSummary(const std::string& destination, int count) const {
        return "ORIGINAL PATH           : " + context_.job.sourcepath + "\r\n\r\n " + context_.job.sizetext +
               "\r\n\r\nSPLIT DESTINATION    : " + destination +
               "\r\n\r\nNUMBER OF SPLITS     : " + std::to_string(count) + "\r\n";
    }

    void expectPlanShown(bool toDiskettes) {
        const char* armed = toDiskettes ? "fddaccept" : "accept";
        EXPECT_EQ(visibleControls(), (std::set<QString>{"Label1", "Textsize", "Combosize", "done", "Frame1",
                                                        "Label2", "change", "cancel", armed, "Command1"}));
        EXPECT_EQ(enabledControls(), (std::set<QString>{"change", "cancel", armed, "Command1"}));
        EXPECT_EQ(focused(), armed);
    }

    TempDir temp_;
    std::string source_;
    std::string out_;
    FaultyFileSystem fs_;
    ScriptedDialogs dialogs_;
    SplitterContext context_{{}, fs_, dialogs_, {}};
    QPointer<QWidget> window_;
};

const std::set<QString> kEntryVisible = {"Label1", "Textsize", "Combosize", "done", "Command1"};
const std::set<QString> kEntryEnabled = {"Textsize", "Combosize", "done", "Command1"};

TEST_F(SizeWindowTest, LoadPlacesEveryControlAsTheTableSays) {
    open();
    EXPECT_EQ(window_->windowTitle(), "Brindlecut v1.0");
    EXPECT_EQ(window_->size(), QSize(twipsToPixels(6255, window_), twipsToPixels(6075, window_)));
    EXPECT_EQ(window_->palette().color(QPalette::Window), fromBgr(0xE0E0E0));
    EXPECT_TRUE(window_->autoFillBackground());

    ASSERT_EQ(sizeWindowLayout().size(), 11u);
    for (const ControlSpec& spec : sizeWindowLayout()) {
        SCOPED_TRACE(spec.name);
        QWidget* w = child(spec.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), twipsRect(spec.left, spec.top, spec.width, spec.height, window_));
        EXPECT_EQ(w->parentWidget()->objectName(), spec.parent ? QString::fromLatin1(spec.parent) : "form2");
        const QString caption = QString::fromLatin1(spec.caption);
        switch (spec.kind) {
            case ControlKind::Button: {
                auto* b = qobject_cast<QPushButton*>(w);
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->text(), caption);
                EXPECT_EQ(buttonColour(b), fromBgr(0xC0C0C0));
                break;
            }
            case ControlKind::Label:
                ASSERT_NE(qobject_cast<QLabel*>(w), nullptr);
                EXPECT_EQ(qobject_cast<QLabel*>(w)->text(), caption);
                // Labels and the frame let the window's light grey show through.
                EXPECT_FALSE(w->autoFillBackground());
                EXPECT_EQ(w->palette().color(QPalette::Window), fromBgr(0xE0E0E0));
                break;
            case ControlKind::Frame:
                ASSERT_NE(qobject_cast<QGroupBox*>(w), nullptr);
                EXPECT_EQ(qobject_cast<QGroupBox*>(w)->title(), caption);
                EXPECT_FALSE(w->autoFillBackground());
                EXPECT_EQ(w->palette().color(QPalette::Window), fromBgr(0xE0E0E0));
                break;
            case ControlKind::TextBox:
                EXPECT_NE(qobject_cast<QLineEdit*>(w), nullptr);
                EXPECT_EQ(w->palette().color(QPalette::Base), QColor(Qt::white));
                break;
            case ControlKind::ComboBox:
                // A drop-down combo: the user picks an item or types.
                ASSERT_NE(qobject_cast<QComboBox*>(w), nullptr);
                EXPECT_TRUE(qobject_cast<QComboBox*>(w)->isEditable());
                EXPECT_EQ(w->palette().color(QPalette::Base), QColor(Qt::white));
                break;
            default:
                ADD_FAILURE() << "unexpected kind";
        }
    }

    EXPECT_EQ(visibleControls(), kEntryVisible);
    EXPECT_EQ(enabledControls(), kEntryEnabled);
    // Label2 is not hidden itself; it waits inside the hidden frame.
    EXPECT_FALSE(child("Label2")->isHidden());
    EXPECT_EQ(focused(), "Textsize");

    auto* combo = child<QComboBox>("Combosize");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "B");
    EXPECT_EQ(combo->itemText(1), "KB");
    EXPECT_EQ(combo->itemText(2), "MB");
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(combo->currentText(), "MB");
    EXPECT_EQ(child<QLineEdit>("Textsize")->text(), "");

    for (const char* name : {"Label1", "done"}) {
        EXPECT_TRUE(child(name)->font().bold()) << name;
        EXPECT_EQ(child(name)->font().pointSize(), 8) << name;
    }
}

TEST(SizeWindowDesign, TableIsTheDesign) {
    using K = ControlKind;
    const ControlSpec design[] = {
        {"Label1", K::Label, "CHOOSE THE SPLIT SIZE", 120, 480, 2655, 375, 0, nullptr},
        {"Textsize", K::TextBox, "", 2880, 480, 1335, 285, 1, nullptr},
        {"Combosize", K::ComboBox, "", 4320, 480, 735, 315, 2, nullptr},
        {"done", K::Button, "DONE", 5160, 480, 975, 255, 3, nullptr},
        {"Frame1", K::Frame, "FILE INFO", 120, 1080, 6015, 3855, 4, nullptr},
        {"Label2", K::Label, "", 120, 480, 5775, 3255, 5, "Frame1"},
        {"change", K::Button, "CHANGE", 2400, 5280, 1215, 495, 6, nullptr},
        {"accept", K::Button, "ACCEPT", 600, 5280, 1215, 495, 7, nullptr},
        {"cancel", K::Button, "CANCEL", 4200, 5280, 1335, 495, 8, nullptr},
        {"fddaccept", K::Button, "", 600, 5280, 1215, 495, 9, nullptr},
        {"Command1", K::Button, "BACK", 5160, 120, 975, 255, 10, nullptr},
    };
    testing::expectDesign(sizeWindowLayout(), design);
    EXPECT_EQ(kSizeWindowWidth, 6255);
    EXPECT_EQ(kSizeWindowHeight, 6075);
}

TEST_F(SizeWindowTest, TabOrderFollowsTheTable) {
    open();
    // The focus chain from the size box, keeping the window's own named controls.
    std::vector<QString> order;
    QWidget* start = child("Textsize");
    QWidget* w = start;
    do {
        if (w->focusPolicy() != Qt::NoFocus && w->parentWidget() &&
            (w->parentWidget() == window_ || w->parentWidget()->objectName() == "Frame1") &&
            !w->objectName().isEmpty())
            order.push_back(w->objectName());
        w = w->nextInFocusChain();
    } while (w != start && order.size() < 50);
    EXPECT_EQ(order, (std::vector<QString>{"Textsize", "Combosize", "done", "change", "accept", "cancel",
                                           "fddaccept", "Command1"}));
}

struct PlanCase {
    const char* what;
    std::int64_t filesize;
    int tofloppy;
    const char* typed;
    int unitItem;  // -1: the unit box holds typed text, not a picked item
    int count;     // pieces; 0 for a refusal
    std::int64_t piecesize;
    const char* destination;  // the summary's destination; nullptr for the job's folder
};

// Test names show the case, not the bytes of the struct.
void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.what << ": " << c.filesize << " bytes, \"" << c.typed << "\" to "
        << (c.tofloppy ? "diskettes" : "a folder");
}

class SizeWindowPlanTest : public SizeWindowTest, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(SizeWindowPlanTest, DoneShowsThePlanAndArmsTheAcceptOfTheDestination) {
    const PlanCase& c = GetParam();
    context_.job.filesize = c.filesize;
    context_.job.tofloppy = c.tofloppy;
    open();
    if (c.unitItem < 0) child<QComboBox>("Combosize")->setEditText("kb");
    plan(QString::fromLatin1(c.typed), c.unitItem);

    EXPECT_TRUE(dialogs_.shown.empty()) << dialogs_.shown.front();
    EXPECT_EQ(context_.job.piececount, c.count);
    EXPECT_EQ(context_.job.piecesize, c.piecesize);
    expectPlanShown(c.tofloppy == 1);
    const std::string destination = c.destination ? c.destination : out_;
    EXPECT_EQ(toLocal(child<QLabel>("Label2")->text()), expectedSummary(destination, c.count));
    EXPECT_TRUE(child("Frame1")->font().bold());
    EXPECT_EQ(child("Frame1")->font().pointSize(), 10);
    EXPECT_EQ(child("Label2")->font().pointSize(), 8);
    if (c.tofloppy) {
        EXPECT_EQ(button("fddaccept")->text(), "ACCEPT");
        // Both ACCEPTs share one spot: the user sees one button there.
        EXPECT_EQ(button("fddaccept")->geometry(), button("accept")->geometry());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Plans, SizeWindowPlanTest,
    ::testing::Values(PlanCase{"KbToFolder", 3000, 0, "1", 1, 3, 1024, nullptr},
                      PlanCase{"ExactDivision", 3072, 0, "1", 1, 3, 1024, nullptr},
                      PlanCase{"TypedUnitCountsAsBytes", 3000, 0, "1000", -1, 3, 1000, nullptr},
                      PlanCase{"BytesWithBlanks", 3000, 0, " 1500 ", 0, 2, 1500, nullptr},
                      PlanCase{"MostPieces", 32767, 0, "1", 0, 32767, 1, nullptr},
                      PlanCase{"DisketteAtTheLimit", 2 * 1048576, 1, "1.3", 2, 2, 1363148, "A:"},
                      PlanCase{"FolderAboveTheDisketteLimit", 2 * 1048576, 0, "1.31", 2, 2, 1373634,
                               nullptr}),
    [](const auto& info) { return std::string(info.param.what); });

struct RefusalCase {
    const char* what;
    std::int64_t filesize;
    int tofloppy;
    const char* typed;
    int unitItem;
    const char* message;
    const char* textAfter;
    std::int64_t piecesize;  // stored even though refused; -1: not reached
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.what << ": \"" << c.message << '"'; }

class SizeWindowRefusalTest : public SizeWindowTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SizeWindowRefusalTest, RefusedPlanLeavesTheWindowAsItWas) {
    const RefusalCase& c = GetParam();
    context_.job.filesize = c.filesize;
    context_.job.tofloppy = c.tofloppy;
    context_.job.piececount = 17;  // from an earlier plan
    context_.job.piecesize = -1;
    open();
    // While the message is up the entry is still as typed and the frame is not in sight.
    QString textDuringMessage = "(no message)";
    bool frameDuringMessage = true;
    dialogs_.onTell([&] {
        textDuringMessage = child<QLineEdit>("Textsize")->text();
        frameDuringMessage = child("Frame1")->isVisible();
    });
    plan(QString::fromLatin1(c.typed), c.unitItem);

    EXPECT_EQ(dialogs_.shown, std::vector<std::string>{std::string("tell: ") + c.message});
    EXPECT_EQ(toLocal(textDuringMessage), c.typed);
    EXPECT_FALSE(frameDuringMessage);
    EXPECT_EQ(toLocal(child<QLineEdit>("Textsize")->text()), c.textAfter);
    EXPECT_EQ(context_.job.piececount, 17);
    EXPECT_EQ(context_.job.piecesize, c.piecesize);
    EXPECT_EQ(visibleControls(), kEntryVisible);
    EXPECT_EQ(enabledControls(), kEntryEnabled);
    EXPECT_EQ(child<QComboBox>("Combosize")->currentIndex(), c.unitItem);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, SizeWindowRefusalTest,
    ::testing::Values(
        RefusalCase{"Empty", 3000, 0, "", 2, "Enter the size", "", -1},
        RefusalCase{"SingleBlank", 3000, 0, " ", 2, "Invalid Entry", " ", -1},
        RefusalCase{"TwoPoints", 3000, 0, "1.2.3", 2, "Invalid Entry", " ", -1},
        RefusalCase{"Letters", 3000, 0, "12a", 1, "Invalid Entry", " ", -1},
        RefusalCase{"Zero", 3000, 0, "0", 2, "Enter a positive value", "0", -1},
        RefusalCase{"Negative", 3000, 0, "-5", 2, "Enter a positive value", "-5", -1},
        RefusalCase{"Bigger", 1000, 0, "1001", 0, "split size bigger than file size", "1001", 1001},
        RefusalCase{"Equal", 1000, 0, "1000", 0, "You are not splitting the file..Are you?", "1000", 1000},
        RefusalCase{"DisketteAboveLimit", 2 * 1048576, 1, "1.31", 2,
                    "split size for floppy should not be greater than 1.3 MB", "1.31", 1373634},
        RefusalCase{"TooManyPieces", 40000, 0, "1", 0, "FAR TOO MANY SPLITS.SORRY!!", "1", 1}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SizeWindowTest, TooManyPiecesAfterChangeHidesTheOldSummaryAndKeepsTheCount) {
    context_.job.filesize = 40000;
    open();
    plan("10", 1);
    ASSERT_EQ(context_.job.piececount, 4);
    press("change");
    plan("1", 0);

    EXPECT_EQ(dialogs_.texts, std::vector<std::string>{"FAR TOO MANY SPLITS.SORRY!!"});
    EXPECT_EQ(context_.job.piececount, 4);
    EXPECT_EQ(context_.job.piecesize, 1);
    // The frame goes; CHANGE, CANCEL and the disabled ACCEPT stay, DONE stays usable.
    EXPECT_EQ(visibleControls(), (std::set<QString>{"Label1", "Textsize", "Combosize", "done", "change",
                                                    "cancel", "accept", "Command1"}));
    EXPECT_EQ(enabledControls(),
              (std::set<QString>{"Textsize", "Combosize", "done", "change", "cancel", "Command1"}));
}

TEST_F(SizeWindowTest, ClosingFromTheTitleBarUnloadsItAndEndsTheProgram) {
    open();
    plan("1", 1);
    QTimer::singleShot(0, qApp, [this] { window_->close(); });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, qApp, [] { QCoreApplication::exit(-1); });
    giveUp.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    flushDeletes();
    EXPECT_TRUE(window_.isNull());
    EXPECT_EQ(windowNamed("intro"), nullptr);
    EXPECT_TRUE(testing::listNames(out_).empty());
}

TEST_F(SizeWindowTest, InvalidEntryBlankIsRefusedAgainOnTheNextDone) {
    open();
    plan("1..", 2);
    press("done");
    EXPECT_EQ(dialogs_.texts, (std::vector<std::string>{"Invalid Entry", "Invalid Entry"}));
    EXPECT_EQ(child<QLineEdit>("Textsize")->text(), " ");
}

class SizeWindowChangeTest : public SizeWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(SizeWindowChangeTest, ChangeReturnsToEntryWithTheAcceptVisibleButDisabled) {
    const int tofloppy = GetParam();
    const char* armed = tofloppy ? "fddaccept" : "accept";
    context_.job.tofloppy = tofloppy;
    open();
    plan("1", 1);
    const QString summary = child<QLabel>("Label2")->text();
    press("change");

    EXPECT_EQ(child<QLineEdit>("Textsize")->text(), "");
    EXPECT_EQ(child<QComboBox>("Combosize")->currentIndex(), 2);
    EXPECT_EQ(child<QComboBox>("Combosize")->currentText(), "MB");
    EXPECT_EQ(visibleControls(), (std::set<QString>{"Label1", "Textsize", "Combosize", "done", "Frame1",
                                                    "Label2", "change", "cancel", armed, "Command1"}));
    EXPECT_EQ(enabledControls(),
              (std::set<QString>{"Textsize", "Combosize", "done", "change", "cancel", "Command1"}));
    EXPECT_EQ(child<QLabel>("Label2")->text(), summary);
    EXPECT_EQ(focused(), "Textsize");

    // The next plan replaces the summary and makes ACCEPT usable again.
    plan("1500", 0);
    expectPlanShown(tofloppy == 1);
    EXPECT_EQ(context_.job.piececount, 2);
    EXPECT_EQ(toLocal(child<QLabel>("Label2")->text()), expectedSummary(tofloppy ? "A:" : out_, 2));
    EXPECT_TRUE(dialogs_.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Destinations, SizeWindowChangeTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "Diskettes" : "Folder"; });

TEST_F(SizeWindowTest, FolderSplitWritesThePiecesAndReturnsToTheStartWindow) {
    open();
    plan("1", 1);
    press("accept");
    flushDeletes();

    EXPECT_EQ(dialogs_.shown, std::vector<std::string>{"tell: " + kFolderDone});
    EXPECT_EQ(testing::listNames(out_),
              (std::vector<std::string>{"report.doc.1", "report.doc.2", "report.doc.3", "report.doc.inf.vek",
                                        "report.doc.xxh128"}));
    EXPECT_EQ(testing::readFile(out_ + "/report.doc.1"), source_.substr(0, 1024));
    EXPECT_EQ(testing::readFile(out_ + "/report.doc.2"), source_.substr(1024, 1024));
    EXPECT_EQ(testing::readFile(out_ + "/report.doc.3"), source_.substr(2048));
    EXPECT_EQ(testing::readFile(out_ + "/report.doc.inf.vek"), manifestBytes("report.doc", 3));
    EXPECT_TRUE(window_.isNull()) << "the size window must be unloaded";
    expectFreshStartWindow();
}

TEST_F(SizeWindowTest, FailedFolderSplitSaysWhyAndKeepsThePlan) {
    fs_.failOn(Op::Create, EACCES, "report.doc.2", 0, -1);
    fs_.failOn(Op::CreateNew, EACCES, "report.doc.2", 0, -1);
    open();
    plan("1", 1);
    press("accept");
    flushDeletes();

    ASSERT_EQ(dialogs_.texts.size(), 1u);
    const std::string& text = dialogs_.texts.front();
    const std::string tail = out_ + "/report.doc.2: " + reasonText(EACCES);
    EXPECT_NE(text, kFolderDone);
    EXPECT_TRUE(text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
        << text;
    ASSERT_FALSE(window_.isNull());
    expectPlanShown(false);
    EXPECT_EQ(windowNamed("intro"), nullptr);
    EXPECT_FALSE(testing::exists(out_ + "/report.doc.inf.vek"));

    // Once the cause is gone the same plan goes through.
    fs_.clearFaults();
    press("accept");
    flushDeletes();
    EXPECT_EQ(dialogs_.texts.back(), kFolderDone);
    EXPECT_TRUE(window_.isNull());
}

TEST_F(SizeWindowTest, CancelledFolderSplitShowsNothingAndKeepsThePlan) {
    source_ = patternBytes(3 << 20, 3);
    testing::writeFile(context_.job.sourcepath, source_);
    context_.job.filesize = 3 << 20;
    dialogs_.cancelAfterProgress = 0;
    open();
    plan("1", 2);
    press("accept");
    flushDeletes();

    ASSERT_FALSE(dialogs_.progressDone.empty()) << "a split of 3 MB reports its progress";
    EXPECT_TRUE(dialogs_.texts.empty());
    ASSERT_FALSE(window_.isNull());
    expectPlanShown(false);
    EXPECT_TRUE(testing::listNames(out_).empty());
}

TEST_F(SizeWindowTest, CancelAfterAPlanWritesNothingAndReturnsToTheStartWindow) {
    open();
    plan("1", 1);
    press("cancel");
    flushDeletes();
    EXPECT_TRUE(window_.isNull());
    expectFreshStartWindow();
    EXPECT_TRUE(testing::listNames(out_).empty());
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(SizeWindowTest, BackKeepsTheSourceAndOffersNext) {
    open();
    plan("1", 1);
    press("Command1");
    flushDeletes();
    EXPECT_TRUE(context_.job.keepsource);
    EXPECT_TRUE(context_.job.shownext);
    EXPECT_TRUE(window_.isNull());
    QWidget* source = windowNamed("form1");
    ASSERT_NE(source, nullptr);
    // The file picked before is kept: no file dialog.
    EXPECT_EQ(dialogs_.unscriptedFiles, 0);
    EXPECT_TRUE(dialogs_.shown.empty());

    // NEXT there opens a fresh size window.
    QPushButton* next = source->findChild<QPushButton*>("cmdnext");
    ASSERT_NE(next, nullptr);
    ASSERT_TRUE(next->isVisible() && next->isEnabled());
    next->click();
    flushDeletes();
    window_ = windowNamed("form2");
    ASSERT_FALSE(window_.isNull());
    EXPECT_EQ(child<QLineEdit>("Textsize")->text(), "");
    EXPECT_EQ(child<QComboBox>("Combosize")->currentText(), "MB");
    EXPECT_EQ(visibleControls(), kEntryVisible);
}

class SizeWindowDisketteTest : public SizeWindowTest {
protected:
    void SetUp() override {
        SizeWindowTest::SetUp();
        context_.job.tofloppy = 1;
        context_.splitterFolder = temp_.mkdir("program");
        joiner_ = patternBytes(700, 11);
        testing::writeFile(context_.splitterFolder + "/join.exe", joiner_);
        for (int k = 1; k <= 3; ++k) disks_.push_back(temp_.mkdir("disk" + std::to_string(k)));
        insert(0);
    }

    // Puts disk `index` into drive A:, a removable drive with room to spare.
    void insert(std::size_t index) {
        fs_.setDriveA(disks_[index]);
        fs_.setDrives({Drive{disks_[index], DriveKind::Removable, 1 << 30}});
        fs_.setAvailable(disks_[index], 1 << 30);
    }

    std::string joiner_;
    std::vector<std::string> disks_;
};

TEST_F(SizeWindowDisketteTest, DisketteSplitFillsEachDiskAndTheWindowStays) {
    open();
    plan("1", 1);
    for (std::size_t k = 0; k < 3; ++k) dialogs_.ok([this, k] { insert(k); });
    press("fddaccept");
    flushDeletes();

    EXPECT_EQ(dialogs_.shown, (std::vector<std::string>{diskPrompt(1, 3), diskPrompt(2, 3), diskPrompt(3, 3),
                                                        "tell: " + kDisketteDone}));
    EXPECT_EQ(testing::listNames(disks_[0]),
              (std::vector<std::string>{"help.txt", "join.exe", "report.doc.1", "report.doc.inf.vek",
                                        "report.doc.xxh128"}));
    EXPECT_EQ(testing::readFile(disks_[0] + "/report.doc.1"), source_.substr(0, 1024));
    EXPECT_EQ(testing::readFile(disks_[0] + "/join.exe"), joiner_);
    EXPECT_EQ(testing::readFile(disks_[0] + "/report.doc.inf.vek"), manifestBytes("report.doc", 3));
    EXPECT_EQ(testing::readFile(disks_[0] + "/help.txt"), helpText());
    EXPECT_EQ(testing::listNames(disks_[1]), (std::vector<std::string>{"report.doc.2", "report.doc.xxh128"}));
    EXPECT_EQ(testing::readFile(disks_[1] + "/report.doc.2"), source_.substr(1024, 1024));
    EXPECT_EQ(testing::listNames(disks_[2]), (std::vector<std::string>{"report.doc.3", "report.doc.xxh128"}));
    EXPECT_EQ(testing::readFile(disks_[2] + "/report.doc.3"), source_.substr(2048));

    ASSERT_FALSE(window_.isNull());
    expectPlanShown(true);
    EXPECT_EQ(windowNamed("intro"), nullptr);
}

TEST_F(SizeWindowDisketteTest, CancelAtADiskPromptShowsNothingMore) {
    open();
    plan("1", 1);
    dialogs_.ok([this] { insert(0); }).cancel();
    press("fddaccept");
    flushDeletes();

    ASSERT_EQ(dialogs_.shown.size(), 2u);
    EXPECT_EQ(dialogs_.shown[0], diskPrompt(1, 3));
    EXPECT_EQ(dialogs_.shown[1].substr(dialogs_.shown[1].size() - 10), " -> Cancel");
    ASSERT_FALSE(window_.isNull());
    expectPlanShown(true);
    // The finished first disk stays as written.
    EXPECT_EQ(testing::readFile(disks_[0] + "/report.doc.1"), source_.substr(0, 1024));
}

TEST_F(SizeWindowDisketteTest, UnreadableSourceIsReportedAndThePlanStays) {
    fs_.failOn(Op::OpenRead, EACCES, "report.doc", 0, -1);
    open();
    plan("1", 1);
    dialogs_.ok().ok().ok();
    press("fddaccept");
    flushDeletes();

    ASSERT_FALSE(dialogs_.texts.empty());
    const std::string& last = dialogs_.texts.back();
    EXPECT_NE(last, kDisketteDone);
    EXPECT_NE(last.find(context_.job.sourcepath), std::string::npos) << last;
    EXPECT_NE(last.find(reasonText(EACCES)), std::string::npos) << last;
    EXPECT_TRUE(testing::listNames(disks_[0]).empty());
    ASSERT_FALSE(window_.isNull());
    expectPlanShown(true);
}

// Hover: each step moves the pointer over one place; afterwards exactly the
// buttons named are mid grey and every other listed button is silver.
struct HoverStep {
    const char* over;  // a control's name, or "" for the window's bare background
    std::set<QString> highlighted;
};
struct HoverCase {
    const char* what;
    bool withPlan;
    std::vector<HoverStep> steps;
};

void PrintTo(const HoverCase& c, std::ostream* os) { *os << c.what << " (" << c.steps.size() << " moves)"; }

class SizeWindowHoverTest : public SizeWindowTest, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(SizeWindowHoverTest, ButtonsDarkenUnderThePointerAndRestOnTheBackground) {
    const HoverCase& c = GetParam();
    open();
    if (c.withPlan) plan("1", 1);
    const char* buttons[] = {"Command1", "done", "accept", "change", "cancel", "fddaccept"};
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const HoverStep& step = c.steps[i];
        SCOPED_TRACE(::testing::Message() << "step " << i << " over '" << step.over << "'");
        if (*step.over) {
            QWidget* target = child(step.over);
            moveOver(target, target->rect().center());
        } else {
            moveOver(window_, QPoint(3, 3));
        }
        for (const char* name : buttons) {
            EXPECT_EQ(buttonColour(button(name)), step.highlighted.count(name) ? hoverColour() : restColour())
                << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Moves, SizeWindowHoverTest,
    ::testing::Values(
        HoverCase{"OntoAButtonAndBack", false, {{"", {}}, {"done", {"done"}}, {"done", {"done"}}, {"", {}}}},
        HoverCase{"LabelAndTextBoxDoNotRest",
                  false,
                  {{"done", {"done"}},
                   {"Label1", {"done"}},
                   {"Textsize", {"done"}},
                   {"Combosize", {"done"}},
                   {"", {}}}},
        HoverCase{
            "JumpBetweenButtons", false, {{"done", {"done"}}, {"Command1", {"done", "Command1"}}, {"", {}}}},
        HoverCase{
            "DisabledButtonDoesNotReact", true, {{"done", {}}, {"change", {"change"}}, {"done", {"change"}}}},
        HoverCase{"FrameAndSummaryDoNotRest",
                  true,
                  {{"accept", {"accept"}}, {"Label2", {"accept"}}, {"Frame1", {"accept"}}, {"", {}}}},
        HoverCase{"PlanButtons",
                  true,
                  {{"accept", {"accept"}},
                   {"change", {"accept", "change"}},
                   {"cancel", {"accept", "change", "cancel"}},
                   {"", {}}}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(SizeWindowTest, RestAlsoRecoloursTheHiddenAccept) {
    open();
    plan("1", 1);
    QPushButton* hidden = button("fddaccept");
    ASSERT_FALSE(hidden->isVisible());
    setButtonColour(hidden, hoverColour());
    moveOver(window_, QPoint(3, 3));
    EXPECT_EQ(buttonColour(hidden), restColour());
}

TEST_F(SizeWindowTest, ClicksAndMessagesLeaveTheColourAlone) {
    open();
    QPushButton* done = button("done");
    moveOver(done, done->rect().center());
    press("done");  // empty size box: a message box
    ASSERT_EQ(dialogs_.texts, std::vector<std::string>{"Enter the size"});
    EXPECT_EQ(buttonColour(done), hoverColour());

    plan("1", 1);
    QPushButton* change = button("change");
    moveOver(change, change->rect().center());
    press("change");
    EXPECT_EQ(buttonColour(change), hoverColour());
    // DONE was disabled in between and kept its colour.
    EXPECT_EQ(buttonColour(done), hoverColour());
}

}  // namespace
}  // namespace brindlecut
