#include "common/widgets/twips.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <array>
#include <cmath>

#include "common/widgets/dir_list_box.h"
#include "common/widgets/hover.h"

namespace brindlecut {
namespace {

// Pixels expected at the window's own DPI: exact figures at the usual 96 dots
// per inch (15 twips a pixel), scaled otherwise.
int expectedPixels(int pixelsAt96, const QWidget& reference) {
    return static_cast<int>(std::lround(pixelsAt96 * reference.logicalDpiX() / 96.0));
}

TEST(Twips, FifteenTwipsPerPixelScaledWithTheScreen) {
    QWidget form;
    struct Case {
        int twips, pixelsAt96;
    };
    for (const Case c : {Case{0, 0}, Case{15, 1}, Case{1440, 96}, Case{4725, 315}, Case{5280, 352},
                         Case{7, 0}, Case{8, 1}, Case{-150, -10}}) {
        SCOPED_TRACE(c.twips);
        const int expected = form.logicalDpiX() == 96
                                 ? c.pixelsAt96
                                 : static_cast<int>(std::lround(c.twips * form.logicalDpiX() / 1440.0));
        EXPECT_EQ(twipsToPixels(c.twips, &form), expected);
        EXPECT_EQ(twipsToPixels(c.twips), expected);
    }
    EXPECT_EQ(twipsRect(150, 300, 1200, 450, &form),
              QRect(expectedPixels(10, form), expectedPixels(20, form), expectedPixels(80, form),
                    expectedPixels(30, form)));
}

TEST(Twips, ColoursAreGivenBlueGreenRed) {
    EXPECT_EQ(fromBgr(0x0080FF), QColor(255, 128, 0));
    EXPECT_EQ(fromBgr(0xE0E0E0), QColor(224, 224, 224));
    EXPECT_EQ(fromBgr(0x123456), QColor(0x56, 0x34, 0x12));
}

// Tab indexes out of table order, a frame holding two controls, one of each kind.
constexpr std::array<ControlSpec, 9> kTable{{
    {"Label1", ControlKind::Label, "A label that is long enough to wrap", 150, 150, 1500, 450, -1, nullptr},
    {"Command1", ControlKind::Button, "BACK", 150, 750, 1200, 450, 3, nullptr},
    {"Frame1", ControlKind::Frame, "FILE INFO", 1800, 150, 3000, 2400, -1, nullptr},
    {"cmdaccept", ControlKind::Button, "ACCEPT", 150, 300, 900, 450, 1, "Frame1"},
    {"Dir1", ControlKind::DirList, "", 150, 900, 2700, 1200, 0, "Frame1"},
    {"List1", ControlKind::ListBox, "", 150, 1350, 1500, 900, 4, nullptr},
    {"Textsize", ControlKind::TextBox, "", 150, 2400, 1200, 315, 2, nullptr},
    {"Combosize", ControlKind::ComboBox, "Combo1", 1500, 2400, 735, 315, 5, nullptr},
    {"cmdnext", ControlKind::Button, "NEXT", 3000, 2700, 1200, 450, 6, nullptr},
}};

template <typename T>
T* as(QWidget* widget) {
    return qobject_cast<T*>(widget);
}

TEST(PlaceControls, CreatesNamesAndPlacesEachControlOfTheTable) {
    QWidget form;
    const auto controls = placeControls(&form, kTable);
    ASSERT_EQ(controls.size(), kTable.size());
    for (const ControlSpec& spec : kTable) {
        SCOPED_TRACE(spec.name);
        QWidget* control = controls.at(QString::fromUtf8(spec.name));
        EXPECT_EQ(control->objectName(), spec.name);
        EXPECT_EQ(control, form.findChild<QWidget*>(spec.name));
        EXPECT_EQ(control->geometry(), twipsRect(spec.left, spec.top, spec.width, spec.height, &form));
        QWidget* parent = spec.parent ? controls.at(spec.parent) : &form;
        EXPECT_EQ(control->parentWidget(), parent);
        EXPECT_EQ(control->focusPolicy() == Qt::NoFocus, spec.tabIndex < 0);
        switch (spec.kind) {
            case ControlKind::Label:
                ASSERT_TRUE(as<QLabel>(control));
                EXPECT_EQ(as<QLabel>(control)->text(), spec.caption);
                EXPECT_TRUE(as<QLabel>(control)->wordWrap());
                break;
            case ControlKind::Button:
                ASSERT_TRUE(as<QPushButton>(control));
                EXPECT_EQ(as<QPushButton>(control)->text(), spec.caption);
                EXPECT_EQ(buttonColour(as<QPushButton>(control)), QColor(192, 192, 192));
                break;
            case ControlKind::Frame:
                ASSERT_TRUE(as<QGroupBox>(control));
                EXPECT_EQ(as<QGroupBox>(control)->title(), spec.caption);
                break;
            case ControlKind::ListBox:
                ASSERT_TRUE(as<QListWidget>(control));
                EXPECT_FALSE(as<DirListBox>(control));
                break;
            case ControlKind::DirList:
                EXPECT_TRUE(as<DirListBox>(control));
                break;
            case ControlKind::TextBox:
                ASSERT_TRUE(as<QLineEdit>(control));
                EXPECT_EQ(as<QLineEdit>(control)->text(), spec.caption);
                break;
            case ControlKind::ComboBox:
                ASSERT_TRUE(as<QComboBox>(control));
                EXPECT_EQ(as<QComboBox>(control)->currentText(), spec.caption);
                break;
        }
    }
}

TEST(PlaceControls, TabOrderFollowsTabIndex) {
    QWidget form;
    const auto controls = placeControls(&form, kTable);
    const QStringList expected{"Dir1", "cmdaccept", "Textsize", "Command1", "List1", "Combosize", "cmdnext"};
    // Walk the focus chain from the first control and keep the ones that take focus by tab.
    QStringList order;
    QWidget* widget = controls.at("Dir1");
    for (int guard = 0; guard < 100 && order.size() < expected.size(); ++guard) {
        if ((widget->focusPolicy() & Qt::TabFocus) && !widget->objectName().isEmpty() &&
            controls.count(widget->objectName()) && !order.contains(widget->objectName())) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(order, expected);
}

TEST(PlaceControls, WindowTakesItsClientSizeAndBackground) {
    QWidget form;
    setClientSize(&form, 5280, 4725);
    EXPECT_EQ(form.size(), QSize(twipsToPixels(5280, &form), twipsToPixels(4725, &form)));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_TRUE(form.autoFillBackground());

    QWidget other;
    EXPECT_NE(other.palette().color(QPalette::Window), QColor(224, 224, 224));
    setWindowColour(&other);
    EXPECT_EQ(other.palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_TRUE(other.autoFillBackground());
}

}  // namespace
}  // namespace brindlecut
