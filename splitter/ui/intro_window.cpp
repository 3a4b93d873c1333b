#include "splitter/ui/intro_window.h"

#include <QAction>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>

#include "common/widgets/hover.h"

namespace brindlecut {

namespace {

constexpr ControlSpec kControls[] = {
    {"Label1", ControlKind::Label, "Brindlecut", 1080, 720, 3135, 975, 0, nullptr},
    {"Command1", ControlKind::Button, "SPLIT", 960, 3000, 1335, 495, 1, nullptr},
    {"Command2", ControlKind::Button, "CLOSE", 2640, 3000, 1335, 495, 2, nullptr},
    {"Label2", ControlKind::Label, "State of the art File Manager", 960, 2040, 3255, 495, 3, nullptr},
};

// The named fonts are narrow script faces. Where one is not installed the
// system's fallback is wider, so it is made smaller until the caption fits on
// its one line instead of being cut off.
void setTitleFont(QLabel* label, const QFont& font) {
    label->setWordWrap(false);
    label->setFont(font);
    fitLabelCaption(label);
}

}  // namespace

std::span<const ControlSpec> IntroWindow::controlTable() { return kControls; }

IntroWindow::IntroWindow(SplitterContext& context) : context_(context) {
    setObjectName("intro");
    setWindowTitle("Brindlecut v1.0");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowColour(this);

    QMenu* mnuauthor = menuBar()->addMenu("Author");
    mnuauthor->setObjectName("mnuauthor");
    QAction* mnudet = mnuauthor->addAction(kCreditLine);
    mnudet->setObjectName("mnudet");
    connect(mnudet, &QAction::triggered, this, &IntroWindow::mnudet_Click);

    // The table's positions count from the top of the client area, which lies
    // below the menu bar, so the controls live on a central widget of that size.
    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);
    setClientSize(client, kClientWidth, kClientHeight);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const auto controls = placeControls(client, kControls);
    Command1_ = control<QPushButton>(controls, "Command1");
    Command2_ = control<QPushButton>(controls, "Command2");

    QFont title("Monotype Corsiva", 36);
    title.setItalic(true);
    title.setWeight(QFont::Normal);
    setTitleFont(control<QLabel>(controls, "Label1"), title);
    QFont motto("Script", 18);
    motto.setBold(true);
    setTitleFont(control<QLabel>(controls, "Label2"), motto);

    connect(Command1_, &QPushButton::clicked, this, &IntroWindow::Command1_Click);
    connect(Command2_, &QPushButton::clicked, this, &IntroWindow::Command2_Click);
    wireHover(client, {Command1_, Command2_});
    fitButtonCaptions(client);
    context_.navigator.acceptFileDrops(this);

    Command1_->setFocus();
}

// SPLIT begins a new split. When the source window's load step ends it (no
// file taken), this window stays on screen and SPLIT can be pressed again.
void IntroWindow::Command1_Click() { context_.navigator.newSplit(this); }

void IntroWindow::Command2_Click() { close(); }

// The menu only shows the credit line.
void IntroWindow::mnudet_Click() {}

}  // namespace brindlecut
