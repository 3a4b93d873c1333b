#include "common/widgets/hover.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "common/widgets/twips.h"

namespace brindlecut {
namespace {

// A window with every situation of the hover rule: buttons on the window, a
// disabled and a hidden one, a label, a list, and a frame holding two buttons.
constexpr std::array<ControlSpec, 10> kTable{{
    {"one", ControlKind::Button, "ONE", 150, 150, 1200, 450, 0, nullptr},
    {"two", ControlKind::Button, "TWO", 1500, 150, 1200, 450, 1, nullptr},
    {"off", ControlKind::Button, "OFF", 2850, 150, 1200, 450, 2, nullptr},
    {"hid", ControlKind::Button, "HID", 150, 2400, 1200, 300, 3, nullptr},
    {"Label1", ControlKind::Label, "A label", 150, 900, 1500, 450, -1, nullptr},
    {"List1", ControlKind::ListBox, "", 150, 1500, 1500, 690, 4, nullptr},
    {"Frame1", ControlKind::Frame, "FRAME", 1800, 900, 2400, 1500, -1, nullptr},
    {"fone", ControlKind::Button, "F1", 150, 300, 900, 450, 5, "Frame1"},
    {"ftwo", ControlKind::Button, "F2", 1200, 300, 900, 450, 6, "Frame1"},
    {"Dir1", ControlKind::DirList, "", 4350, 900, 150, 1500, 7, nullptr},
}};
const std::vector<std::string> kButtons{"one", "two", "off", "hid", "fone", "ftwo"};

// A colour that neither operation ever sets, to see what was left alone.
const QColor kPreset(10, 200, 30);

class HoverWindow {
public:
    HoverWindow() {
        setClientSize(&form_, 4800, 3000);
        controls_ = placeControls(&form_, kTable);
        for (const std::string& name : kButtons) buttons_.push_back(button(name));
        button("off")->setEnabled(false);
        button("hid")->hide();
        wireHover(&form_, buttons_);
        form_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form_));
    }

    QAbstractButton* button(const std::string& name) {
        return qobject_cast<QAbstractButton*>(controls_.at(QString::fromStdString(name)));
    }

    // Moves the pointer over a place of the window, through the window system
    // as a real pointer would, so Qt picks the widget under it.
    void moveTo(const std::string& place) {
        QPoint point;
        if (place == "background") {
            point = QPoint(form_.width() - 5, form_.height() - 5);
        } else if (place == "frame background") {
            QWidget* frame = controls_.at("Frame1");
            point = frame->mapTo(&form_, QPoint(frame->width() / 2, frame->height() - 8));
        } else {
            QWidget* target = controls_.at(QString::fromStdString(place));
            point = target->mapTo(&form_, target->rect().center());
        }
        // Qt drops a move to where the pointer already is, so each move lands
        // a pixel beside the last one.
        static int moves = 0;
        point.rx() += moves++ % 3 - 1;
        ASSERT_EQ(place == "background", form_.childAt(point) == nullptr) << place;
        QTest::mouseMove(form_.windowHandle(), point);
    }

    // One letter per listed button: H hover, R rest, P the preset colour, ? other.
    std::string colours() {
        std::string letters;
        for (QAbstractButton* b : buttons_) {
            const QColor c = buttonColour(b);
            letters += c == hoverColour() ? 'H' : c == restColour() ? 'R' : c == kPreset ? 'P' : '?';
        }
        return letters;
    }

    QWidget form_;
    std::map<QString, QWidget*> controls_;
    std::vector<QAbstractButton*> buttons_;
};

struct HoverCase {
    const char* title;
    std::vector<std::string> presets;  // buttons set to kPreset before the moves
    std::vector<std::string> moves;
    const char* expected;  // one, two, off, hid, fone, ftwo
};

class HoverMoves : public ::testing::TestWithParam<HoverCase> {};

TEST_P(HoverMoves, LeaveTheColoursExpected) {
    const HoverCase& c = GetParam();
    HoverWindow window;
    EXPECT_EQ(window.colours(), "RRRRRR");
    for (const std::string& name : c.presets) setButtonColour(window.button(name), kPreset);
    for (const std::string& place : c.moves) window.moveTo(place);
    EXPECT_EQ(window.colours(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Hover, HoverMoves,
    ::testing::Values(
        HoverCase{"background_to_button", {}, {"background", "one"}, "HRRRRR"},
        HoverCase{"background_button_background", {}, {"background", "one", "background"}, "RRRRRR"},
        HoverCase{"repeated_moves_over_a_button", {}, {"one", "one", "one"}, "HRRRRR"},
        HoverCase{"button_to_label", {}, {"one", "Label1"}, "HRRRRR"},
        HoverCase{"button_to_list", {}, {"one", "List1"}, "HRRRRR"},
        HoverCase{"button_to_folder_list", {}, {"one", "Dir1"}, "HRRRRR"},
        HoverCase{"button_to_frame_background", {}, {"one", "frame background"}, "HRRRRR"},
        HoverCase{"button_to_button", {}, {"one", "two"}, "HHRRRR"},
        HoverCase{"across_the_frame", {}, {"fone", "frame background", "ftwo"}, "RRRRHH"},
        HoverCase{
            "across_the_frame_then_out", {}, {"fone", "frame background", "ftwo", "background"}, "RRRRRR"},
        HoverCase{"disabled_button_not_highlighted", {"off"}, {"one", "off"}, "HRPRRR"},
        HoverCase{"disabled_button_not_rested_by_its_own_moves", {"off"}, {"off", "off"}, "RRPRRR"},
        HoverCase{"rest_recolours_hidden_and_disabled", {"hid", "off"}, {"two", "background"}, "RRRRRR"}),
    [](const ::testing::TestParamInfo<HoverCase>& info) { return std::string(info.param.title); });

TEST(Hover, ClickLeavesTheHighlight) {
    HoverWindow window;
    window.moveTo("one");
    QTest::mouseClick(window.button("one"), Qt::LeftButton);
    EXPECT_EQ(window.colours(), "HRRRRR");
}

TEST(Hover, RestGoesThroughTheButtonsInTheGivenOrder) {
    std::vector<std::unique_ptr<QPushButton>> owned;
    std::vector<QAbstractButton*> buttons;
    QStringList seen;
    class Recorder : public QObject {
    public:
        explicit Recorder(QStringList& seen) : seen_(seen) {}
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::PaletteChange) seen_ << watched->objectName();
            return false;
        }
        QStringList& seen_;
    } recorder(seen);
    for (const char* name : {"c", "a", "b"}) {
        owned.push_back(std::make_unique<QPushButton>(name));
        owned.back()->setObjectName(name);
        hover(owned.back().get());
        owned.back()->installEventFilter(&recorder);
        buttons.push_back(owned.back().get());
    }
    rest(buttons);
    EXPECT_EQ(seen, (QStringList{"c", "a", "b"}));
    for (QAbstractButton* b : buttons) EXPECT_EQ(buttonColour(b), QColor(192, 192, 192));
}

TEST(Hover, ColoursAreMidGreyAndSilver) {
    EXPECT_EQ(hoverColour(), QColor(128, 128, 128));
    EXPECT_EQ(restColour(), QColor(192, 192, 192));
    QPushButton button;
    hover(&button);
    EXPECT_EQ(button.palette().color(QPalette::Button), QColor(128, 128, 128));
}

}  // namespace
}  // namespace brindlecut
