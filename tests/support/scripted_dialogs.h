// Dialogs for widget tests: the message boxes answer from a script exactly as
// ScriptedPrompter does, and the file dialog returns queued paths. Every box
// and dialog shown is recorded, in order.
#pragma once

#include <QString>
#include <deque>
#include <string>
#include <vector>

#include "common/widgets/dialogs.h"
#include "tests/support/scripted_prompter.h"

namespace brindlecut::testing {

class ScriptedDialogs final : public ScriptedAnswers<ScriptedDialogs, Dialogs> {
public:
    // Queues the path the next file dialog returns; an empty path is a
    // cancelled dialog. A dialog with nothing queued is cancelled.
    ScriptedDialogs& fileAnswer(QString path);

    // Recorded in `shown` as "file: TITLE|FILTER -> PATH" (PATH empty when
    // cancelled); file dialogs are not messages, so not in `texts`.
    QString openFile(const QString& title, const QString& filter, const QString& defaultSuffix) override;

    // File dialogs shown with nothing queued (answered as cancelled).
    int unscriptedFiles = 0;
    // Default suffixes the file dialogs were given, in order.
    std::vector<QString> fileSuffixes;

private:
    std::deque<QString> files_;
};

}  // namespace brindlecut::testing
