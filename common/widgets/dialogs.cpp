#include "common/widgets/dialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <chrono>
#include <limits>

#include "common/widgets/dir_list_box.h"

namespace brindlecut {

namespace {

std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QMessageBox::StandardButton ask(QWidget* parent, const QString& title, const std::string& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton yes,
                                QMessageBox::StandardButton no) {
    QMessageBox box(QMessageBox::NoIcon, title, fromLocal(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(yes);
    // Closing the box with its window control or Escape is the negative answer.
    box.setEscapeButton(no);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString bytesText(std::int64_t bytes) { return QLocale().toString(static_cast<qlonglong>(bytes)); }

}  // namespace

struct MessageBoxDialogs::ProgressState {
    std::int64_t startedMs = 0;
    std::int64_t lastUpdateMs = std::numeric_limits<std::int64_t>::min();
    QProgressDialog* dialog = nullptr;
    bool cancelled = false;
};

MessageBoxDialogs::MessageBoxDialogs(QString title, QWidget* parent)
    : title_(std::move(title)), parent_(parent), nowMs_(steadyMs) {}

MessageBoxDialogs::~MessageBoxDialogs() { progressEnd(); }

QWidget* MessageBoxDialogs::owner() const { return parent_ ? parent_.data() : QApplication::activeWindow(); }

void MessageBoxDialogs::setProgressTiming(std::function<std::int64_t()> nowMs, int showAfterMs,
                                          int updateEveryMs) {
    nowMs_ = nowMs ? std::move(nowMs) : std::function<std::int64_t()>(steadyMs);
    showAfterMs_ = showAfterMs;
    updateEveryMs_ = updateEveryMs;
}

void MessageBoxDialogs::tell(const std::string& text) {
    ask(owner(), title_, text, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxDialogs::askOkCancel(const std::string& text) {
    return ask(owner(), title_, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
               QMessageBox::Cancel) == QMessageBox::Ok;
}

bool MessageBoxDialogs::askYesNo(const std::string& text) {
    return ask(owner(), title_, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes,
               QMessageBox::No) == QMessageBox::Yes;
}

bool MessageBoxDialogs::progress(const std::string& item, std::int64_t done, std::int64_t total) {
    const std::int64_t now = nowMs_();
    if (progress_ == nullptr) {
        progress_ = new ProgressState;
        progress_->startedMs = now;
    }
    ProgressState& state = *progress_;
    if (state.dialog != nullptr && state.dialog->wasCanceled()) state.cancelled = true;
    if (state.cancelled) return false;
    const bool dueToShow = state.dialog == nullptr && now - state.startedMs >= showAfterMs_;
    if (!dueToShow && state.lastUpdateMs != std::numeric_limits<std::int64_t>::min() &&
        now - state.lastUpdateMs < updateEveryMs_) {
        return true;
    }
    state.lastUpdateMs = now;

    if (dueToShow) {
        state.dialog = new QProgressDialog(owner());
        state.dialog->setObjectName(QStringLiteral("progress"));
        state.dialog->setWindowTitle(title_);
        state.dialog->setWindowModality(Qt::ApplicationModal);
        state.dialog->setAutoClose(false);
        state.dialog->setAutoReset(false);
        state.dialog->setMinimumDuration(0);
        state.dialog->setRange(0, 1000);
        state.dialog->setMinimumWidth(360);
    }
    if (state.dialog == nullptr) {
        // Before the dialog is up the window stays painted, but a click on it
        // must not start a second operation inside this one.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    }

    state.dialog->setLabelText(QCoreApplication::translate("MessageBoxDialogs", "%1\n%2 of %3 bytes")
                                   .arg(fromLocal(item), bytesText(done), bytesText(total)));
    state.dialog->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
    if (!state.dialog->isVisible()) state.dialog->show();
    QCoreApplication::processEvents();
    if (state.dialog->wasCanceled()) state.cancelled = true;
    return !state.cancelled;
}

void MessageBoxDialogs::progressEnd() {
    if (progress_ == nullptr) return;
    delete progress_->dialog;
    delete progress_;
    progress_ = nullptr;
}

QString MessageBoxDialogs::openFile(const QString& title, const QString& filter,
                                    const QString& defaultSuffix) {
    QFileDialog dialog(owner(), title, startFolder());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!filter.isEmpty()) dialog.setNameFilter(filter);
    QString suffix = defaultSuffix;
    if (suffix.startsWith(QLatin1String("*."))) suffix.remove(0, 2);
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QString chosen = dialog.selectedFiles().value(0);
    // Picking must never name something that is not an existing file.
    return QFileInfo(chosen).isFile() ? chosen : QString();
}

QString fromLocal(const std::string& text) {
    return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

std::string toLocal(const QString& text) { return QFile::encodeName(text).toStdString(); }

}  // namespace brindlecut
