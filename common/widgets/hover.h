// Button hover highlighting, one routine pair for all windows of both programs:
// the button under the pointer turns mid grey; a move over the window's own
// bare background turns all of the window's listed buttons back to silver.
// Colours go through the palette (QPalette::Button) so tests can read them.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <vector>

namespace brindlecut {

QColor hoverColour();  // &H808080
QColor restColour();   // &HC0C0C0

QColor buttonColour(const QAbstractButton* button);
void setButtonColour(QAbstractButton* button, const QColor& colour);

// Hover(button): that one button to the hover colour.
void hover(QAbstractButton* button);
// Rest(window): every listed button to the rest colour, in the given order,
// hidden ones included.
void rest(const std::vector<QAbstractButton*>& buttons);

// Wires the pair to pointer moves: mouse tracking on the window and the
// buttons; a move over an enabled listed button calls hover() on it, a move
// over `window`'s own background (no child under the pointer, so not over a
// label, list or frame) calls rest() on `buttons`. No leave events are used.
// The wiring belongs to `window`, which must be the widget whose own
// background the user sees (for a QMainWindow, its central widget): Qt does
// not hand a move over a bare child on to its parent. The same watch lets
// Return and Enter press the focused button, as Space does.
void wireHover(QWidget* window, std::vector<QAbstractButton*> buttons);

}  // namespace brindlecut
