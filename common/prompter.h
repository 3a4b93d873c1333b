// The engine's small user interface: the only way the split and join engines
// talk to the user. The programs pass modal message boxes; tests pass scripted
// answers and read back the exact sequence of texts shown.
#pragma once

#include <cstdint>
#include <string>

namespace brindlecut {

class Prompter {
public:
    virtual ~Prompter() = default;

    // A message with an OK button only.
    virtual void tell(const std::string& text) = 0;
    // A question with OK and Cancel; true for OK. Closing the box is Cancel.
    virtual bool askOkCancel(const std::string& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;

    // Progress of long copies: `item` is the name of the piece or file being
    // written, `done` of `total` bytes. Returns false when the user asked to
    // cancel. Called between chunks; implementations throttle it themselves.
    virtual bool progress(const std::string& item, std::int64_t done, std::int64_t total) {
        (void)item;
        (void)done;
        (void)total;
        return true;
    }
    // The long copy has ended (done, failed or cancelled).
    virtual void progressEnd() {}
};

}  // namespace brindlecut
