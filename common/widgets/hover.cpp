#include "common/widgets/hover.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "common/widgets/twips.h"

namespace brindlecut {

QColor hoverColour() { return fromBgr(0x808080); }
QColor restColour() { return fromBgr(0xC0C0C0); }

QColor buttonColour(const QAbstractButton* button) { return button->palette().color(QPalette::Button); }

void setButtonColour(QAbstractButton* button, const QColor& colour) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, colour);
    button->setPalette(palette);
}

void hover(QAbstractButton* button) { setButtonColour(button, hoverColour()); }

void rest(const std::vector<QAbstractButton*>& buttons) {
    for (QAbstractButton* button : buttons) setButtonColour(button, restColour());
}

namespace {

// Watches pointer moves on one window and its listed buttons. Lives as a child
// of the window, so it goes with it.
class HoverFilter : public QObject {
public:
    HoverFilter(QWidget* window, std::vector<QAbstractButton*> buttons)
        : QObject(window), window_(window), buttons_(std::move(buttons)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Return and Enter press the focused button, as Space does. (A button
        // that presses itself on Return draws itself as the window's default
        // button in the style's highlight colour, which these windows do not have.)
        if (event->type() == QEvent::KeyPress && watched != window_) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
            static_cast<QAbstractButton*>(watched)->click();
            return true;
        }
        if (event->type() != QEvent::MouseMove) return false;
        if (watched == window_) {
            // Moves that a control ignores (a button not being dragged does) are
            // handed on to the window too; only the bare background rests.
            const auto* move = static_cast<QMouseEvent*>(event);
            if (window_->childAt(move->position().toPoint()) == nullptr) rest(buttons_);
            return false;
        }
        auto found = std::find(buttons_.begin(), buttons_.end(), watched);
        // Qt still shows a disabled button's moves to its filters; the button itself must not react.
        if (found != buttons_.end() && (*found)->isEnabled()) hover(*found);
        return false;
    }

private:
    QWidget* window_;
    std::vector<QAbstractButton*> buttons_;
};

}  // namespace

void wireHover(QWidget* window, std::vector<QAbstractButton*> buttons) {
    window->setMouseTracking(true);
    for (QAbstractButton* button : buttons) button->setMouseTracking(true);
    auto* filter = new HoverFilter(window, buttons);
    window->installEventFilter(filter);
    for (QAbstractButton* button : buttons) button->installEventFilter(filter);
}

}  // namespace brindlecut
