#include "common/outcome.h"

#include "common/platform.h"

namespace brindlecut {

Outcome Outcome::done(std::string notice) { return {Kind::Done, std::move(notice), {}, 0}; }

Outcome Outcome::cancelled() { return {Kind::Cancelled, {}, {}, 0}; }

Outcome Outcome::failed(std::string message, std::string path, int error) {
    return {Kind::Failed, std::move(message), std::move(path), error};
}

std::string Outcome::text() const {
    std::string out = message;
    if (!path.empty() || error != 0) {
        out += "\n\n";
        out += path;
        if (error != 0) {
            if (!path.empty()) out += ": ";
            out += reasonText(error);
        }
    }
    return out;
}

}  // namespace brindlecut
