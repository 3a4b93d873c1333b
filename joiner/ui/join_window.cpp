#include "joiner/ui/join_window.h"

#include <QAction>
#include <QDir>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "common/drive_folder.h"
#include "common/widgets/dir_list_box.h"
#include "common/widgets/hover.h"

namespace brindlecut {

namespace {

// The two ACCEPT buttons share one spot; the frame shows the one of the chosen source.
constexpr ControlSpec kLayout[] = {
    {"Label1", ControlKind::Label, "Label1", 1320, 240, 3375, 495, 0, nullptr},
    {"hdd", ControlKind::Button, "HARD DRIVE", 960, 840, 1575, 495, 1, nullptr},
    {"fdd", ControlKind::Button, "FLOPPY DISKETTE", 2760, 840, 1695, 495, 2, nullptr},
    {"Frame1", ControlKind::Frame, "Frame1", 960, 1800, 3495, 2535, 3, nullptr},
    {"Dir1", ControlKind::DirList, "", 1320, 240, 2055, 1890, 4, "Frame1"},
    {"cmdaccept", ControlKind::Button, "ACCEPT", 120, 840, 1095, 495, 5, "Frame1"},
    {"cmdcancel", ControlKind::Button, "CANCEL", 120, 1560, 1095, 495, 6, "Frame1"},
    {"List1", ControlKind::ListBox, "", 120, 360, 1095, 255, 7, "Frame1"},
    {"fddaccept", ControlKind::Button, "ACCEPT", 120, 840, 1095, 495, 8, "Frame1"},
};

}  // namespace

std::span<const ControlSpec> joinWindowLayout() { return kLayout; }

JoinWindow::JoinWindow(FileSystem& fs, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), fs_(fs), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kJoinCaption));
    // Unloading the joiner's only window ends the program.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowColour(this);

    mnuauthor_ = menuBar()->addMenu(QStringLiteral("Author"));
    mnuauthor_->setObjectName(QStringLiteral("mnuauthor"));
    mnudet_ = mnuauthor_->addAction(QString::fromUtf8(kCreditLine));
    mnudet_->setObjectName(QStringLiteral("mnudet"));

    form_ = new QWidget(this);
    form_->setObjectName(QStringLiteral("form"));
    setClientSize(form_, kJoinWindowWidth, kJoinWindowHeight);
    setCentralWidget(form_);

    const auto controls = placeControls(form_, kLayout);
    Label1_ = control<QLabel>(controls, "Label1");
    hdd_ = control<QPushButton>(controls, "hdd");
    fdd_ = control<QPushButton>(controls, "fdd");
    Frame1_ = control<QGroupBox>(controls, "Frame1");
    Dir1_ = control<DirListBox>(controls, "Dir1");
    cmdaccept_ = control<QPushButton>(controls, "cmdaccept");
    cmdcancel_ = control<QPushButton>(controls, "cmdcancel");
    List1_ = control<QListWidget>(controls, "List1");
    fddaccept_ = control<QPushButton>(controls, "fddaccept");

    // The frame's caption font must not reach the controls inside it, so each
    // keeps the window's font explicitly.
    for (QWidget* child :
         {static_cast<QWidget*>(Dir1_), static_cast<QWidget*>(cmdaccept_), static_cast<QWidget*>(cmdcancel_),
          static_cast<QWidget*>(List1_), static_cast<QWidget*>(fddaccept_)}) {
        QFont font = child->font();
        if (font.pointSize() > 0) font.setPointSize(font.pointSize());
        font.setBold(false);
        child->setFont(font);
    }

    // One row high: a sideways scroll bar would cover the drive's name.
    List1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    wireHover(form_, {hdd_, fdd_, cmdaccept_, fddaccept_, cmdcancel_});

    connect(hdd_, &QPushButton::clicked, this, &JoinWindow::hdd_Click);
    connect(fdd_, &QPushButton::clicked, this, &JoinWindow::fdd_Click);
    connect(List1_, &QListWidget::currentRowChanged, this, &JoinWindow::List1_Click);
    connect(cmdaccept_, &QPushButton::clicked, this, &JoinWindow::cmdaccept_Click);
    connect(fddaccept_, &QPushButton::clicked, this, &JoinWindow::fddaccept_Click);
    connect(cmdcancel_, &QPushButton::clicked, this, &JoinWindow::cmdcancel_Click);

    Form_Load();
}

void JoinWindow::Form_Load() {
    Label1_->setText(QString::fromUtf8(kJoinHeading));
    setFontOf(Label1_, 11, true);
    Frame1_->hide();
    fddaccept_->hide();
    fitButtonCaptions(form_);
}

void JoinWindow::hdd_Click() {
    fdd_->setEnabled(false);
    const QString path = dialogs_.openFile(QString::fromUtf8(kManifestDialogTitle), QStringLiteral("*.vek"),
                                           QStringLiteral("*.vek"));
    if (path.isEmpty()) {
        fdd_->setEnabled(true);
        return;
    }
    openManifest(path);
}

void JoinWindow::openManifest(const QString& path) {
    fdd_->setEnabled(false);
    const Outcome read = readFolderManifest(fs_, toLocal(path), folderJob_);
    if (read.isFailed()) dialogs_.tell(read.text());
    // Without a manifest, or a drive to join onto, the window goes back to the choice of source.
    if (!read.isDone() || !openDestinationFrame(Source::Folder)) fdd_->setEnabled(true);
}

void JoinWindow::fdd_Click() {
    const Outcome read = readDisketteManifest(fs_, dialogs_, disketteJob_);
    if (read.isFailed()) dialogs_.tell(read.text());
    if (!read.isDone()) return;
    openDestinationFrame(Source::Diskette);
}

bool JoinWindow::openDestinationFrame(Source source) {
    // Each opening lists the drives afresh, so a drive appears once however
    // often the source is chosen.
    List1_->clear();
    if (fs_.drives(drives_) != 0) drives_.clear();
    for (const Drive& drive : drives_) {
        if (drive.kind == DriveKind::Fixed) List1_->addItem(fromLocal(drive.root));
    }
    if (List1_->count() == 0) {
        Frame1_->hide();
        dialogs_.tell(kNoFixedDrive);
        return false;
    }

    cmdaccept_->setVisible(source == Source::Folder);
    fddaccept_->setVisible(source == Source::Diskette);
    Frame1_->show();
    Frame1_->setTitle(QString::fromUtf8(kFrameCaption));
    setFontOf(Frame1_, 7, true);
    List1_->setCurrentRow(0);
    List1_Click();
    return true;
}

void JoinWindow::List1_Click() {
    if (QListWidgetItem* item = List1_->currentItem())
        Dir1_->setPath(fromLocal(openingFolder(drives_, toLocal(item->text()), toLocal(startFolder()))));
}

void JoinWindow::cmdaccept_Click() {
    finishJoin(joinFromFolder(fs_, dialogs_, folderJob_, toLocal(Dir1_->path())), kFolderJoined);
}

void JoinWindow::fddaccept_Click() {
    finishJoin(joinFromDiskettes(fs_, dialogs_, disketteJob_, toLocal(Dir1_->path())), kDisketteJoined);
}

void JoinWindow::finishJoin(const Outcome& outcome, const char* successText) {
    if (outcome.isFailed()) {
        dialogs_.tell(outcome.text());
        return;
    }
    if (outcome.isCancelled()) return;
    if (!outcome.message.empty()) dialogs_.tell(outcome.message);
    dialogs_.tell(successText);
    close();
}

void JoinWindow::cmdcancel_Click() {
    Frame1_->hide();
    fdd_->setEnabled(true);
    hdd_->setEnabled(true);
}

}  // namespace brindlecut
