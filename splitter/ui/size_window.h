// The size window `form2`, the last step of the splitter: the user types the
// piece size and its unit, DONE validates it and shows the plan, and ACCEPT
// writes the pieces into the folder or across the diskettes chosen in the
// source window. BACK returns to the source window, CANCEL to the start window.
#pragma once

#include <QWidget>
#include <span>

#include "common/widgets/twips.h"
#include "splitter/ui/splitter_context.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brindlecut {

// Client area of the window, in twips.
inline constexpr int kSizeWindowWidth = 6255;
inline constexpr int kSizeWindowHeight = 6075;

// Every control of the window as placed at design time.
std::span<const ControlSpec> sizeWindowLayout();

class SizeWindow : public QWidget {
    Q_OBJECT

public:
    explicit SizeWindow(SplitterContext& context, QWidget* parent = nullptr);

private:
    void Form_Load();
    void done_Click();
    void accept_Click();
    void fddaccept_Click();
    void change_Click();
    void cancel_Click();
    void Command1_Click();

    // The unit as the planning counts it: the index of an item picked from the
    // list, or -1 when the box holds anything else (which counts as bytes).
    int pickedUnit() const;
    // The ACCEPT button of the destination kind: `fddaccept` for diskettes.
    QPushButton* acceptOfDestination() const;

    SplitterContext& context_;
    QLabel* Label1_ = nullptr;  // "CHOOSE THE SPLIT SIZE"
    QLineEdit* Textsize_ = nullptr;
    QComboBox* Combosize_ = nullptr;
    QPushButton* done_ = nullptr;
    QGroupBox* Frame1_ = nullptr;  // "FILE INFO"
    QLabel* Label2_ = nullptr;     // the plan summary, inside Frame1
    QPushButton* change_ = nullptr;
    QPushButton* accept_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* fddaccept_ = nullptr;
    QPushButton* Command1_ = nullptr;  // BACK
};

}  // namespace brindlecut
