#include "tests/support/scripted_dialogs.h"

namespace brindlecut::testing {

ScriptedDialogs& ScriptedDialogs::fileAnswer(QString path) {
    files_.push_back(std::move(path));
    return *this;
}

QString ScriptedDialogs::openFile(const QString& title, const QString& filter, const QString& defaultSuffix) {
    QString path;
    if (files_.empty()) {
        ++unscriptedFiles;
    } else {
        path = std::move(files_.front());
        files_.pop_front();
    }
    fileSuffixes.push_back(defaultSuffix);
    shown.push_back("file: " + toLocal(title) + "|" + toLocal(filter) + " -> " + toLocal(path));
    return path;
}

}  // namespace brindlecut::testing
