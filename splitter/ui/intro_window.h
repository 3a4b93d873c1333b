// The start window `intro`: names the program and offers SPLIT, which begins a
// new split in the source window, and CLOSE, which ends the program. Every
// finished, cancelled or abandoned path through the splitter comes back here.
// It holds no data and shows its design state each time it is created.
#pragma once

#include <QMainWindow>
#include <QPushButton>
#include <span>

#include "common/widgets/twips.h"
#include "splitter/ui/splitter_context.h"

namespace brindlecut {

class IntroWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit IntroWindow(SplitterContext& context);

    // The layout of the client area below the menu bar, in twips.
    static std::span<const ControlSpec> controlTable();
    static constexpr int kClientWidth = 5010;
    static constexpr int kClientHeight = 4020;
    // What the "Author" menu's only item says.
    static constexpr const char* kCreditLine = "Brindlecut v1.0 by the Brindlecut developers";

private:
    void Command1_Click();
    void Command2_Click();
    void mnudet_Click();

    SplitterContext& context_;
    QPushButton* Command1_ = nullptr;  // SPLIT
    QPushButton* Command2_ = nullptr;  // CLOSE
};

}  // namespace brindlecut
