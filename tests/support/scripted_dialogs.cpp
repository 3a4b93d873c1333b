#include "tests/support/scripted_dialogs.h"

namespace brindlecut::testing {

ScriptedDialogs& ScriptedDialogs::answer(bool yes, std::function<void()> whileShown) {
    answers_.push_back({yes, std::move(whileShown)});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::onTell(std::function<void()> whileShown) {
    tellActions_.push_back(std::move(whileShown));
    return *this;
}

ScriptedDialogs& ScriptedDialogs::fileAnswer(QString path) {
    files_.push_back(std::move(path));
    return *this;
}

void ScriptedDialogs::tell(const std::string& text) {
    shown.push_back("tell: " + text);
    texts.push_back(text);
    if (!tellActions_.empty()) {
        auto action = std::move(tellActions_.front());
        tellActions_.pop_front();
        if (action) action();
    }
}

bool ScriptedDialogs::next(const std::string& text, const char* kind, const char* yes, const char* no) {
    texts.push_back(text);
    bool result = false;
    if (answers_.empty()) {
        ++unscripted;
    } else {
        Answer a = std::move(answers_.front());
        answers_.pop_front();
        if (a.whileShown) a.whileShown();
        result = a.yes;
    }
    shown.push_back(std::string(kind) + ": " + text + " -> " + (result ? yes : no));
    return result;
}

bool ScriptedDialogs::askOkCancel(const std::string& text) { return next(text, "okcancel", "OK", "Cancel"); }

bool ScriptedDialogs::askYesNo(const std::string& text) { return next(text, "yesno", "Yes", "No"); }

bool ScriptedDialogs::progress(const std::string& item, std::int64_t done, std::int64_t) {
    progressDone.push_back(done);
    progressItems.push_back(item);
    return !(cancelAfterProgress >= 0 && static_cast<int>(progressDone.size()) > cancelAfterProgress);
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
