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

class ScriptedPrompter final : public Prompter {
public:
    struct Answer {
        bool yes = true;                  // OK or Yes; false for Cancel or No
        std::function<void()> whileShown;  // what the user does while the box is up
    };

    // Queues the answer to the next question (tell() takes no answer but may
    // take an action, see onTell).
    ScriptedPrompter& answer(bool yes, std::function<void()> whileShown = {});
    ScriptedPrompter& ok(std::function<void()> whileShown = {}) { return answer(true, std::move(whileShown)); }
    ScriptedPrompter& cancel(std::function<void()> whileShown = {}) { return answer(false, std::move(whileShown)); }
    // Runs while the next tell() message is shown.
    ScriptedPrompter& onTell(std::function<void()> whileShown);

    void tell(const std::string& text) override;
    bool askOkCancel(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    bool progress(const std::string& item, std::int64_t done, std::int64_t total) override;
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
    bool next(const std::string& text, const char* kind, const char* yes, const char* no);
    std::deque<Answer> answers_;
    std::deque<std::function<void()>> tellActions_;
};

}  // namespace brindlecut::testing
