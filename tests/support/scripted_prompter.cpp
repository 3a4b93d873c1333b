#include "tests/support/scripted_prompter.h"

namespace brindlecut::testing {

ScriptedPrompter& ScriptedPrompter::answer(bool yes, std::function<void()> whileShown) {
    answers_.push_back({yes, std::move(whileShown)});
    return *this;
}

ScriptedPrompter& ScriptedPrompter::onTell(std::function<void()> whileShown) {
    tellActions_.push_back(std::move(whileShown));
    return *this;
}

void ScriptedPrompter::tell(const std::string& text) {
    shown.push_back("tell: " + text);
    texts.push_back(text);
    if (!tellActions_.empty()) {
        auto action = std::move(tellActions_.front());
        tellActions_.pop_front();
        if (action) action();
    }
}

bool ScriptedPrompter::next(const std::string& text, const char* kind, const char* yes, const char* no) {
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

bool ScriptedPrompter::askOkCancel(const std::string& text) { return next(text, "okcancel", "OK", "Cancel"); }

bool ScriptedPrompter::askYesNo(const std::string& text) { return next(text, "yesno", "Yes", "No"); }

bool ScriptedPrompter::progress(const std::string& item, std::int64_t done, std::int64_t) {
    progressDone.push_back(done);
    progressItems.push_back(item);
    return !(cancelAfterProgress >= 0 && static_cast<int>(progressDone.size()) > cancelAfterProgress);
}

}  // namespace brindlecut::testing
