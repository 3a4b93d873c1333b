// Outcome of an engine operation: done, cancelled by the user, or failed.
// The engine never shows anything itself beyond the prompts of its Prompter;
// the window turns an outcome into a message box. The user's text (`message`)
// is kept apart from the technical detail (the path and the system's reason).
#pragma once

#include <string>

namespace brindlecut {

struct Outcome {
    enum class Kind { Done, Cancelled, Failed };

    Kind kind = Kind::Done;
    // Failed: what went wrong, in the user's words. Done: an optional notice
    // (for example files that could not be deleted after a join).
    std::string message;
    std::string path;  // the file or folder concerned, if any
    int error = 0;     // errno of the failure, 0 if none

    static Outcome done(std::string notice = {});
    static Outcome cancelled();
    static Outcome failed(std::string message, std::string path = {}, int error = 0);

    bool isDone() const { return kind == Kind::Done; }
    bool isCancelled() const { return kind == Kind::Cancelled; }
    bool isFailed() const { return kind == Kind::Failed; }

    // The message followed by the path and the system's reason, one per line,
    // as a message box shows it.
    std::string text() const;
};

}  // namespace brindlecut
