// Dialogs for widget tests: the message boxes answer from a script exactly as
// ScriptedPrompter does, and the file dialog returns queued paths. Every box
// and dialog shown is recorded, in order.
#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/widgets/dialogs.h"

namespace brindlecut::testing {

class ScriptedDialogs final : public Dialogs {
public:
    struct Answer {
        bool yes = true;                   // OK or Yes; false for Cancel or No
        std::function<void()> whileShown;  // what the user does while the box is up
    };

    // Queues the answer to the next question (tell() takes no answer but may
    // take an action, see onTell).
    ScriptedDialogs& answer(bool yes, std::function<void()> whileShown = {});
    ScriptedDialogs& ok(std::function<void()> whileShown = {}) { return answer(true, std::move(whileShown)); }
    ScriptedDialogs& cancel(std::function<void()> whileShown = {}) {
        return answer(false, std::move(whileShown));
    }
    // Runs while the next tell() message is shown.
    ScriptedDialogs& onTell(std::function<void()> whileShown);
    // Queues the path the next file dialog returns; an empty path is a
    // cancelled dialog. A dialog with nothing queued is cancelled.
    ScriptedDialogs& fileAnswer(QString path);

    void tell(const std::string& text) override;
    bool askOkCancel(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    bool progress(const std::string& item, std::int64_t done, std::int64_t total) override;
    void progressEnd() override { ++progressEnds; }
    QString openFile(const QString& title, const QString& filter, const QString& defaultSuffix) override;

    // Each box as "tell: TEXT", "okcancel: TEXT -> OK|Cancel", "yesno: TEXT -> Yes|No",
    // each file dialog as "file: TITLE|FILTER -> PATH" (PATH empty when cancelled).
    std::vector<std::string> shown;
    // Message texts only, in order (file dialogs are not messages).
    std::vector<std::string> texts;
    // A question with no scripted answer is answered with Cancel/No and counted here.
    int unscripted = 0;
    // File dialogs shown with nothing queued (answered as cancelled).
    int unscriptedFiles = 0;
    // Default suffixes the file dialogs were given, in order.
    std::vector<QString> fileSuffixes;

    // Progress reports received, and a cancel after this many of them (-1: never).
    std::vector<std::int64_t> progressDone;
    std::vector<std::string> progressItems;
    int cancelAfterProgress = -1;
    int progressEnds = 0;

private:
    bool next(const std::string& text, const char* kind, const char* yes, const char* no);
    std::deque<Answer> answers_;
    std::deque<std::function<void()>> tellActions_;
    std::deque<QString> files_;
};

}  // namespace brindlecut::testing
