// Fixed window layouts as data. Each window has one table of its controls
// (name, kind, caption, position and size in twips, tab order); placeControls
// creates, names (objectName) and places each one, and tests compare the live
// widgets with the same table.
#pragma once

#include <QString>
#include <QWidget>
#include <map>
#include <span>

namespace brindlecut {

enum class ControlKind { Label, Button, Frame, ListBox, DirList, TextBox, ComboBox };

struct ControlSpec {
    const char* name;  // objectName, the control's name
    ControlKind kind;
    const char* caption;           // label/button/frame text; "" for none
    int left, top, width, height;  // twips, relative to the parent's client area
    int tabIndex;                  // -1: takes no focus
    const char* parent;            // name of the frame that holds it, or nullptr for the window
};

// Pixels for a length in twips: 15 twips per pixel at 96 dots per inch, scaled
// with the screen's logical DPI.
int twipsToPixels(int twips, const QWidget* reference = nullptr);
QRect twipsRect(int left, int top, int width, int height, const QWidget* reference = nullptr);

// Creates every control of `table` on `form` (or inside the frame it names,
// which must come earlier in the table), sets objectName, caption, geometry,
// the rest colour on buttons, and the tab order by tabIndex. Returns the
// controls by name. Labels take word wrap; frames are QGroupBox.
std::map<QString, QWidget*> placeControls(QWidget* form, std::span<const ControlSpec> table);

// Sets the window's client-area size from twips and its background colour.
void setClientSize(QWidget* form, int widthTwips, int heightTwips);
// Background of every window: &HE0E0E0.
void setWindowColour(QWidget* form);

// A colour given as &HBBGGRR.
QColor fromBgr(unsigned bgr);

}  // namespace brindlecut
