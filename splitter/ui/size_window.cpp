#include "splitter/ui/size_window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <iterator>

#include "common/widgets/dialogs.h"
#include "common/widgets/hover.h"
#include "splitter/engine/directory_split.h"
#include "splitter/engine/diskette_split.h"
#include "splitter/engine/plan.h"

namespace brindlecut {

namespace {

using K = ControlKind;

constexpr ControlSpec kLayout[] = {
    {"Label1", K::Label, "CHOOSE THE SPLIT SIZE", 120, 480, 2655, 375, 0, nullptr},
    {"Textsize", K::TextBox, "", 2880, 480, 1335, 285, 1, nullptr},
    {"Combosize", K::ComboBox, "", 4320, 480, 735, 315, 2, nullptr},
    {"done", K::Button, "DONE", 5160, 480, 975, 255, 3, nullptr},
    {"Frame1", K::Frame, "FILE INFO", 120, 1080, 6015, 3855, 4, nullptr},
    {"Label2", K::Label, "", 120, 480, 5775, 3255, 5, "Frame1"},
    {"change", K::Button, "CHANGE", 2400, 5280, 1215, 495, 6, nullptr},
    {"accept", K::Button, "ACCEPT", 600, 5280, 1215, 495, 7, nullptr},
    {"cancel", K::Button, "CANCEL", 4200, 5280, 1335, 495, 8, nullptr},
    // Shares the spot of `accept`; it gets its caption only when a diskette plan arms it.
    {"fddaccept", K::Button, "", 600, 5280, 1215, 495, 9, nullptr},
    {"Command1", K::Button, "BACK", 5160, 120, 975, 255, 10, nullptr},
};

constexpr int kMegabytesItem = 2;

void setWhiteField(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, Qt::white);
    widget->setPalette(palette);
}

// The size as planning reads it: the user's decimal separator counts as "."
// does, and at most one of either is allowed.
QString withDecimalPoint(QString text) {
    const QString separator = QLocale().decimalPoint();
    if (separator != QLatin1String(".")) text.replace(separator, QLatin1String("."));
    return text;
}

}  // namespace

std::span<const ControlSpec> sizeWindowLayout() { return kLayout; }

SizeWindow::SizeWindow(SplitterContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    setObjectName(QStringLiteral("form2"));
    setWindowTitle(QStringLiteral("Brindlecut v1.0"));
    // Closed from its title bar, the window unloads like every other way out of it.
    setAttribute(Qt::WA_DeleteOnClose);
    setClientSize(this, kSizeWindowWidth, kSizeWindowHeight);

    const auto controls = placeControls(this, kLayout);
    Label1_ = control<QLabel>(controls, "Label1");
    Textsize_ = control<QLineEdit>(controls, "Textsize");
    Combosize_ = control<QComboBox>(controls, "Combosize");
    done_ = control<QPushButton>(controls, "done");
    Frame1_ = control<QGroupBox>(controls, "Frame1");
    Label2_ = control<QLabel>(controls, "Label2");
    change_ = control<QPushButton>(controls, "change");
    accept_ = control<QPushButton>(controls, "accept");
    cancel_ = control<QPushButton>(controls, "cancel");
    fddaccept_ = control<QPushButton>(controls, "fddaccept");
    Command1_ = control<QPushButton>(controls, "Command1");

    setWhiteField(Textsize_);
    setWhiteField(Combosize_);
    // The summary frame shows the window's own light grey inside.
    paintFrameFlat(Frame1_);
    // Typed text must never become a fourth unit.
    Combosize_->setInsertPolicy(QComboBox::NoInsert);
    // The summary holds paths, which must not be read as markup.
    Label2_->setTextFormat(Qt::PlainText);
    // Return in the size box presses DONE while DONE can be pressed.
    connect(Textsize_, &QLineEdit::returnPressed, done_, &QPushButton::click);

    connect(done_, &QPushButton::clicked, this, &SizeWindow::done_Click);
    connect(accept_, &QPushButton::clicked, this, &SizeWindow::accept_Click);
    connect(fddaccept_, &QPushButton::clicked, this, &SizeWindow::fddaccept_Click);
    connect(change_, &QPushButton::clicked, this, &SizeWindow::change_Click);
    connect(cancel_, &QPushButton::clicked, this, &SizeWindow::cancel_Click);
    connect(Command1_, &QPushButton::clicked, this, &SizeWindow::Command1_Click);
    wireHover(this, {Command1_, done_, accept_, change_, cancel_, fddaccept_});

    Form_Load();
}

void SizeWindow::Form_Load() {
    Frame1_->hide();
    Label1_->setText(QStringLiteral("CHOOSE THE SPLIT SIZE"));
    setFontOf(Label1_, 8, true);
    for (const char* unit : {"B", "KB", "MB"}) {
        Combosize_->addItem(QString::fromLatin1(unit));
        Combosize_->setCurrentIndex(Combosize_->count() - 1);
    }
    done_->setText(QStringLiteral("DONE"));
    setFontOf(done_, 8, true);
    cancel_->hide();
    accept_->hide();
    change_->hide();
    fddaccept_->hide();
    fitButtonCaptions(this);
    fitLabelCaption(Label1_);
    // The size box is the first control in the tab order that takes the focus.
    Textsize_->setFocus();
}

void SizeWindow::done_Click() {
    SplitJob& job = context_.job;
    PlanInput input;
    input.sizeText = toLocal(withDecimalPoint(Textsize_->text()));
    input.unitIndex = pickedUnit();
    input.filesize = job.filesize;
    input.tofloppy = job.tofloppy;
    input.sourcepath = job.sourcepath;
    input.sizetext = job.sizetext;
    input.destfolder = job.destfolder;
    const Plan plan = planSplit(input);

    // Both are kept as soon as they are known, even when a later check refuses.
    if (plan.sizevalue) job.sizevalue = *plan.sizevalue;
    if (plan.piecesize) job.piecesize = *plan.piecesize;

    switch (plan.result) {
        case PlanResult::Accepted:
            break;
        case PlanResult::TooManyPieces:
            // The frame was already shown when the count turned out too large.
            setFontOf(Frame1_, 10, true);
            Frame1_->hide();
            context_.dialogs.tell(plan.refusal);
            return;
        case PlanResult::InvalidEntry:
            context_.dialogs.tell(plan.refusal);
            Textsize_->setText(QStringLiteral(" "));
            return;
        case PlanResult::EmptySize:
        case PlanResult::NotPositive:
        case PlanResult::BiggerThanFile:
        case PlanResult::WholeFile:
        case PlanResult::TooBigForDiskette:
            context_.dialogs.tell(plan.refusal);
            return;
    }

    setFontOf(Frame1_, 10, true);
    Frame1_->show();
    job.piececount = plan.piececount;
    Label2_->setText(fromLocal(plan.summary));
    setFontOf(Label2_, 8, false);

    done_->setEnabled(false);
    Textsize_->setEnabled(false);
    Combosize_->setEnabled(false);
    change_->show();
    cancel_->show();

    QPushButton* acceptButton = acceptOfDestination();
    if (acceptButton == fddaccept_) {
        fddaccept_->setText(QStringLiteral("ACCEPT"));
        fitButtonCaptions(this);
    }
    acceptButton->show();
    acceptButton->setEnabled(true);
    acceptButton->setFocus();
}

void SizeWindow::accept_Click() {
    const Outcome outcome = splitToFolder(context_.fs, context_.dialogs, context_.job);
    if (outcome.isCancelled()) return;
    if (outcome.isFailed()) {
        // The plan stays on screen so that the user can put things right and try again.
        context_.dialogs.tell(outcome.text());
        return;
    }
    context_.dialogs.tell("The files have been splitted successfully");
    context_.navigator.toIntro(this);
}

void SizeWindow::fddaccept_Click() {
    const Outcome outcome =
        splitToDiskettes(context_.fs, context_.dialogs, context_.job, context_.splitterFolder);
    if (outcome.isCancelled()) return;
    if (outcome.isFailed()) {
        context_.dialogs.tell(outcome.text());
        return;
    }
    // The window stays with the plan, ready to write another set of diskettes.
    context_.dialogs.tell("Files have been split successfully!!");
}

void SizeWindow::change_Click() {
    Textsize_->setEnabled(true);
    Textsize_->clear();
    Combosize_->setEnabled(true);
    Combosize_->setCurrentIndex(kMegabytesItem);
    done_->setEnabled(true);
    // The ACCEPT button stays in sight but cannot be used until the next plan.
    acceptOfDestination()->setEnabled(false);
    Textsize_->setFocus();
}

void SizeWindow::cancel_Click() { context_.navigator.toIntro(this); }

void SizeWindow::Command1_Click() {
    context_.job.keepsource = true;
    context_.job.shownext = true;
    context_.navigator.toSource(this);
}

int SizeWindow::pickedUnit() const {
    const int index = Combosize_->currentIndex();
    // An editable combo keeps its last picked index while the user types over it.
    if (index < 0 || Combosize_->currentText() != Combosize_->itemText(index)) return -1;
    return index;
}

QPushButton* SizeWindow::acceptOfDestination() const {
    return context_.job.tofloppy == 0 ? accept_ : fddaccept_;
}

}  // namespace brindlecut
