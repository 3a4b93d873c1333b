// A Prompter for tests: answers from a script and records every text shown,
// in order, with the kind of box and the answer given.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/prompter.h"

namespace brindlecut::testing {

// The scripted answers and the record, for any interface derived from Prompter
// (the engine's, or the windows' Dialogs). `Self` is the final class, so that
// the answer() calls chain.
template <class Self, class Base>
class ScriptedAnswers : public Base {
public:
    struct Answer {
        bool yes = true;                   // OK or Yes; false for Cancel or No
        std::function<void()> whileShown;  // what the user does while the box is up
    };

    // Queues the answer to the next question (tell() takes no answer but may
    // take an action, see onTell).
    Self& answer(bool yes, std::function<void()> whileShown = {}) {
        answers_.push_back({yes, std::move(whileShown)});
        return static_cast<Self&>(*this);
    }
    Self& ok(std::function<void()> whileShown = {}) { return answer(true, std::move(whileShown)); }
    Self& cancel(std::function<void()> whileShown = {}) { return answer(false, std::move(whileShown)); }
    // Runs while the next tell() message is shown.
    Self& onTell(std::function<void()> whileShown) {
        tellActions_.push_back(std::move(whileShown));
        return static_cast<Self&>(*this);
    }

    void tell(const std::string& text) override {
        shown.push_back("tell: " + text);
        texts.push_back(text);
        if (!tellActions_.empty()) {
            auto action = std::move(tellActions_.front());
            tellActions_.pop_front();
            if (action) action();
        }
    }
    bool askOkCancel(const std::string& text) override { return next(text, "okcancel", "OK", "Cancel"); }
    bool askYesNo(const std::string& text) override { return next(text, "yesno", "Yes", "No"); }
    bool progress(const std::string& item, std::int64_t done, std::int64_t) override {
        progressDone.push_back(done);
        progressItems.push_back(item);
        return !(cancelAfterProgress >= 0 && static_cast<int>(progressDone.size()) > cancelAfterProgress);
    }
    void progressEnd() override { ++progressEnds; }

    // Each box as "tell: TEXT", "okcancel: TEXT -> OK|Cancel", "yesno: TEXT -> Yes|No".
    std::vector<std::string> shown;
    // Texts only, in order.
    std::vector<std::string> texts;
    // A question with no scripted answer is answered with Cancel/No and counted here.
    int unscripted = 0;

    // Progress reports received, and a cancel after this many of them (-1: never).
    std::vector<std::int64_t> progressDone;
    std::vector<std::string> progressItems;
    int cancelAfterProgress = -1;
    int progressEnds = 0;

private:
    bool next(const std::string& text, const char* kind, const char* yes, const char* no) {
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

    std::deque<Answer> answers_;
    std::deque<std::function<void()>> tellActions_;
};

class ScriptedPrompter final : public ScriptedAnswers<ScriptedPrompter, Prompter> {};

}  // namespace brindlecut::testing
