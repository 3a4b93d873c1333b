// Fixed window layouts as data. Each window has one table of its controls
// (name, kind, caption, position and size in twips, tab order); placeControls
// creates, names (objectName) and places each one, and tests compare the live
// widgets with the same table.
#pragma once

#include <QGroupBox>
#include <QLabel>
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

// The control `name` of what placeControls returned, as the kind of widget the
// window uses it as. A name that is not in the table, or a control of another
// kind, is a slip in the window's code and stops the program at once.
// What control<T> checks: the control `name` when it is a `kind`; stops the program otherwise.
QWidget* checkedControl(const std::map<QString, QWidget*>& controls, const char* name,
                        const QMetaObject& kind);
template <typename T>
T* control(const std::map<QString, QWidget*>& controls, const char* name) {
    return static_cast<T*>(checkedControl(controls, name, T::staticMetaObject));
}

// Unloads a window: it closes and is deleted once the event that unloaded it is
// handled, so a window may unload itself from one of its own handlers.
void unload(QWidget* window);

// The control's font at `points`, bold or not.
void setFontOf(QWidget* control, int points, bool bold);
// Captions that fit their controls at any desktop font: where the caption of
// a button or a label would be cut at the control's font, the font is made
// smaller until it shows whole (not below 6 points). Every button under `form`:
void fitButtonCaptions(QWidget* form);
// A label that wraps its words must fit its height; one that does not, its width.
void fitLabelCaption(QLabel* label);

// Draws `frame` as one line around a field of its parent's colour, where the
// style would fill it with a darker shade.
void paintFrameFlat(QGroupBox* frame);

// Sets the window's client-area size from twips and its background colour.
void setClientSize(QWidget* form, int widthTwips, int heightTwips);
// The colours of every window, whatever the desktop's palette: the light grey
// &HE0E0E0 behind the window and its labels and frames, silver buttons, white
// fields, and black text on all of them (grey on disabled controls), so that a
// dark or high-contrast desktop leaves every caption readable.
void setWindowColour(QWidget* form);

// A colour given as &HBBGGRR.
QColor fromBgr(unsigned bgr);

}  // namespace brindlecut
