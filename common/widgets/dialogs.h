// What the windows ask of the user beyond their own controls: the message boxes
// of the engine's Prompter plus the file dialog. The programs use real modal
// QMessageBox and QFileDialog; widget tests pass scripted answers.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "common/prompter.h"

namespace brindlecut {

class Dialogs : public Prompter {
public:
    // An open-file dialog that returns only an existing file; an empty string
    // when the user cancelled.
    virtual QString openFile(const QString& title, const QString& filter, const QString& defaultSuffix) = 0;
};

// Modal message boxes with no icon, titled with the program's name
// ("Brindlecut" or "join"), over `parent` (or, without one, over the window
// that is active at the time, since the splitter's windows come and go); a modal
// progress dialog for long copies.
class MessageBoxDialogs : public Dialogs {
public:
    explicit MessageBoxDialogs(QString title, QWidget* parent = nullptr);
    ~MessageBoxDialogs() override;

    void setParent(QWidget* parent) { parent_ = parent; }

    // The progress dialog appears once a long copy has run for `showAfterMs`
    // and is brought up to date at most every `updateEveryMs`; `nowMs` is a
    // steady clock in milliseconds. Tests pass their own clock.
    void setProgressTiming(std::function<std::int64_t()> nowMs, int showAfterMs = 500,
                           int updateEveryMs = 50);

    void tell(const std::string& text) override;
    bool askOkCancel(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    bool progress(const std::string& item, std::int64_t done, std::int64_t total) override;
    void progressEnd() override;
    QString openFile(const QString& title, const QString& filter, const QString& defaultSuffix) override;

private:
    QString title_;
    QWidget* owner() const;

    QPointer<QWidget> parent_;
    std::function<std::int64_t()> nowMs_;
    int showAfterMs_ = 500;
    int updateEveryMs_ = 50;
    struct ProgressState;
    ProgressState* progress_ = nullptr;
};

// Engine strings are bytes in the local 8-bit encoding (file names as the file
// system gives them); these convert for display and back.
QString fromLocal(const std::string& text);
std::string toLocal(const QString& text);

}  // namespace brindlecut
