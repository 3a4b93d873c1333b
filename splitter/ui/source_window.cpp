#include "splitter/ui/source_window.h"

#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QLocale>
#include <memory>

#include "common/contract.h"
#include "common/drive_folder.h"
#include "common/outcome.h"
#include "common/texts.h"
#include "common/widgets/hover.h"
#include "splitter/engine/earlier_split.h"

namespace brindlecut {

namespace {

constexpr ControlSpec kControls[] = {
    {"Label2", ControlKind::Label, "Label2", 360, 840, 4815, 1935, 0, nullptr},
    {"Label3", ControlKind::Label, "fileinfo", 360, 240, 4575, 375, 1, nullptr},
    {"Label4", ControlKind::Label, "where do you want to split the files ?", 360, 2880, 4575, 255, 2,
     nullptr},
    {"hdd", ControlKind::Button, "HARD DRIVE", 360, 3240, 1935, 375, 3, nullptr},
    {"fdd", ControlKind::Button, "FLOPPY DISKETTE", 3360, 3240, 1815, 375, 4, nullptr},
    {"Dir1", ControlKind::DirList, "", 2880, 3840, 2295, 1890, 5, nullptr},
    {"done", ControlKind::Button, "DONE", 480, 4320, 1695, 495, 6, nullptr},
    {"cancel", ControlKind::Button, "CANCEL", 480, 5160, 1695, 495, 7, nullptr},
    {"List1", ControlKind::ListBox, "", 600, 3840, 1455, 255, 8, nullptr},
    {"Command1", ControlKind::Button, "BACK", 4320, 240, 855, 255, 9, nullptr},
    {"cmdnext", ControlKind::Button, "NEXT", 3360, 240, 735, 255, 10, nullptr},
};

constexpr const char* kDialogTitle = "Select the file you want to split";
constexpr const char* kNoHardDrive = "No hard drive was found.";
constexpr const char* kUnreadable = "The file cannot be read.";
constexpr const char* kBackslash =
    "The file's name holds a \"\\\", which a joiner on Windows would read as a folder separator. "
    "Rename the file and choose it again.";
constexpr const char* kLineBreak =
    "The file's name holds a line break, which the split's information file cannot record. "
    "Rename the file and choose it again.";

}  // namespace

std::span<const ControlSpec> SourceWindow::controlTable() { return kControls; }

QString SourceWindow::sizeNumber(double value) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

QString SourceWindow::sizeWithUnit(std::int64_t filesize) {
    const double bytes = static_cast<double>(filesize);
    const double k = bytes / 1024;
    const double m = bytes / 1024 / 1024;
    const double g = bytes / 1024 / 1024 / 1024;
    if (g > 1) return sizeNumber(g) + "  gigabytes";
    if (m > 1) return sizeNumber(m) + "  megabytes";
    if (k > 1) return sizeNumber(k) + "  kilobytes";
    return sizeNumber(bytes) + "  bytes";
}

QString SourceWindow::fileDate(std::int64_t secondsSinceEpoch) {
    const QDateTime written = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    const QLocale locale;
    QString text = locale.toString(written.date(), QLocale::ShortFormat);
    if (written.time() != QTime(0, 0)) {
        // The user's long time without the time zone Qt's long format adds.
        QString format = locale.timeFormat(QLocale::LongFormat);
        QString withoutZone;
        bool quoted = false;
        for (QChar c : format) {
            if (c == '\'') quoted = !quoted;
            if (quoted || c != 't') withoutZone += c;
        }
        text += ' ' + locale.toString(written.time(), withoutZone.trimmed());
    }
    return text;
}

SourceWindow::SourceWindow(SplitterContext& context) : context_(context) {
    setObjectName("form1");
    setWindowTitle("Brindlecut v1.0");
    setAttribute(Qt::WA_DeleteOnClose);
    setClientSize(this, kClientWidth, kClientHeight);

    const auto controls = placeControls(this, kControls);
    Label2_ = control<QLabel>(controls, "Label2");
    Label3_ = control<QLabel>(controls, "Label3");
    Label4_ = control<QLabel>(controls, "Label4");
    hdd_ = control<QPushButton>(controls, "hdd");
    fdd_ = control<QPushButton>(controls, "fdd");
    Dir1_ = control<DirListBox>(controls, "Dir1");
    done_ = control<QPushButton>(controls, "done");
    cancel_ = control<QPushButton>(controls, "cancel");
    List1_ = control<QListWidget>(controls, "List1");
    Command1_ = control<QPushButton>(controls, "Command1");
    cmdnext_ = control<QPushButton>(controls, "cmdnext");
    // The drive list is one row high: room for a row and the up and down arrows, none for a
    // sideways scroll bar.
    List1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A file name is shown as it is, never read as markup.
    Label2_->setTextFormat(Qt::PlainText);

    connect(hdd_, &QPushButton::clicked, this, &SourceWindow::hdd_Click);
    // A click on the row already selected opens that drive afresh too.
    connect(List1_, &QListWidget::currentRowChanged, this, &SourceWindow::List1_Click);
    connect(List1_, &QListWidget::itemClicked, this, &SourceWindow::List1_Click);
    connect(done_, &QPushButton::clicked, this, &SourceWindow::done_Click);
    connect(cancel_, &QPushButton::clicked, this, &SourceWindow::cancel_Click);
    connect(fdd_, &QPushButton::clicked, this, &SourceWindow::fdd_Click);
    connect(cmdnext_, &QPushButton::clicked, this, &SourceWindow::cmdnext_Click);
    connect(Command1_, &QPushButton::clicked, this, &SourceWindow::Command1_Click);
    wireHover(this, {Command1_, cmdnext_, hdd_, fdd_, cancel_, done_});
    context_.navigator.acceptFileDrops(this);
}

bool SourceWindow::Form_Load(const QString& file) {
    for (QWidget* control : std::initializer_list<QWidget*>{Label2_, Label3_, Label4_, hdd_, fdd_, List1_,
                                                            Dir1_, done_, cancel_, cmdnext_}) {
        control->hide();
    }
    SplitJob& job = context_.job;
    if (!job.keepsource) {
        // The destination is chosen afresh for a new file; after BACK from the
        // size window the earlier choice stays, so that NEXT goes on with it.
        job.tofloppy = 0;

        const QString picked =
            file.isEmpty() ? context_.dialogs.openFile(kDialogTitle, QString(), QString()) : file;
        job.sourcepath = toLocal(picked);
        const std::string name = baseName(job.sourcepath);
        if (name.empty()) return false;
        job.filename = name;
        // A joiner on Windows would take the part before a "\" for a folder.
        if (name.find('\\') != std::string::npos) {
            context_.dialogs.tell(Outcome::failed(kBackslash, job.sourcepath).text());
            return false;
        }
        // The manifest records the name on a line of its own.
        if (name.find_first_of("\r\n") != std::string::npos) {
            context_.dialogs.tell(Outcome::failed(kLineBreak, job.sourcepath).text());
            return false;
        }
        // Opened for reading only, so that picking a file never creates or changes one.
        std::unique_ptr<File> file;
        std::int64_t length = 0;
        Errno error = context_.fs.openRead(job.sourcepath, file);
        if (error == 0) {
            error = file->size(length);
            const Errno closing = file->close();
            if (error == 0) error = closing;
        }
        if (error != 0) {
            context_.dialogs.tell(Outcome::failed(kUnreadable, job.sourcepath, error).text());
            return false;
        }
        job.filesize = length;
    }

    if (job.shownext) {
        cmdnext_->show();
        cmdnext_->setEnabled(true);
    }
    Label3_->show();
    Label3_->setText("FILE INFORMATION");
    setFontOf(Label3_, 10, true);
    Label2_->show();
    setFontOf(Label2_, 8, false);

    const QString size = sizeWithUnit(job.filesize);
    job.sizetext = toLocal("FILE SIZE                       : " + size);
    // Lines are broken with CR LF, as in the size window's plan summary.
    QString info =
        "PATH              : " + fromLocal(job.sourcepath) + "\r\n\r\nFILE SIZE        :" + size + "\r\n\r\n";
    // A file that has gone since it was picked shows no date; the split reports it.
    FileInfo written;
    if (context_.fs.info(job.sourcepath, written) == 0) info += "CREATED ON :" + fileDate(written.modified);
    Label2_->setText(info);

    Label4_->show();
    setFontOf(Label4_, 10, true);
    hdd_->show();
    fdd_->show();
    fitButtonCaptions(this);
    fitLabelCaption(Label3_);
    fitLabelCaption(Label4_);
    hdd_->setFocus();
    return true;
}

void SourceWindow::hdd_Click() {
    if (context_.fs.drives(allDrives_) != 0) allDrives_.clear();
    std::vector<Drive> drives = allDrives_;
    std::erase_if(drives, [](const Drive& drive) { return drive.kind != DriveKind::Fixed; });
    if (drives.empty()) {
        context_.dialogs.tell(kNoHardDrive);
        return;
    }
    cmdnext_->setEnabled(false);
    fdd_->setEnabled(false);
    Dir1_->show();
    List1_->show();
    // Emptied first, so that each drive shows once however often HARD DRIVE is pressed.
    List1_->clear();
    for (const Drive& drive : drives) List1_->addItem(fromLocal(drive.root));
    List1_->setCurrentRow(0);
    List1_Click();
    done_->show();
    cancel_->show();
}

void SourceWindow::List1_Click() {
    if (QListWidgetItem* row = List1_->currentItem())
        Dir1_->setPath(fromLocal(openingFolder(allDrives_, toLocal(row->text()), toLocal(startFolder()))));
}

void SourceWindow::done_Click() {
    SplitJob& job = context_.job;
    job.destfolder = toLocal(Dir1_->path());
    if (earlierSplitIn(context_.fs, job.destfolder, job.filename)) {
        if (!context_.dialogs.askYesNo(kOverwriteQuestion)) {
            job.overwrite = false;
            context_.dialogs.tell(kChooseAnother);
            return;
        }
        job.overwrite = true;
    } else {
        // The answer belongs to the folder just taken, so a later split into
        // another folder never replaces files the user was not asked about.
        job.overwrite = false;
    }
    job.tofloppy = 0;
    context_.navigator.toSize(this);
}

void SourceWindow::cancel_Click() {
    cmdnext_->setEnabled(true);
    List1_->hide();
    Dir1_->hide();
    done_->hide();
    cancel_->hide();
    fdd_->setEnabled(true);
    hdd_->setFocus();
}

void SourceWindow::fdd_Click() {
    cmdnext_->setEnabled(false);
    context_.job.tofloppy = 1;
    context_.navigator.toSize(this);
}

void SourceWindow::cmdnext_Click() { context_.navigator.toSize(this); }

void SourceWindow::Command1_Click() {
    context_.job.shownext = false;
    context_.navigator.toIntro(this);
}

}  // namespace brindlecut
