// Split planning: from what the user typed and chose in the size window to
// either a refusal (one of seven fixed messages) or a plan with its summary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brindlecut {

enum class SizeUnit { Bytes = 0, Kilobytes = 1, Megabytes = 2 };

struct PlanInput {
    std::string sizeText;  // the size box's text, as typed
    int unitIndex = 0;     // 0 "B", 1 "KB", 2 "MB"; anything else counts as bytes
    std::int64_t filesize = 0;
    int tofloppy = 0;
    // Used only for the summary.
    std::string sourcepath;
    std::string sizetext;
    std::string destfolder;
};

// What planning decided: a plan, or the check that refused it. The window
// acts on the refusal itself ("Invalid Entry" blanks the size box, too many
// pieces hides the summary frame again), never on its message.
enum class PlanResult {
    Accepted,
    EmptySize,          // "Enter the size"
    InvalidEntry,       // "Invalid Entry"; the size box's text becomes a single blank
    NotPositive,        // "Enter a positive value"
    BiggerThanFile,     // "split size bigger than file size"
    WholeFile,          // "You are not splitting the file..Are you?"
    TooBigForDiskette,  // "split size for floppy should not be greater than 1.3 MB"
    TooManyPieces,      // "FAR TOO MANY SPLITS.SORRY!!"; the summary frame is hidden again
};

// The message that tells the user of a refusal, exactly; "" for Accepted.
const char* refusalText(PlanResult result);

struct Plan {
    PlanResult result = PlanResult::Accepted;
    // Empty when the plan is accepted; otherwise refusalText(result).
    std::string refusal;
    // Set as soon as they are computed, also when a later check refuses.
    // `piecesize` is the typed size in whole bytes, rounded down; a size too
    // large for 64 bits is held as the largest int64 value.
    std::optional<double> sizevalue;
    std::optional<std::int64_t> piecesize;
    // Only for an accepted plan.
    int piececount = 0;
    std::string summary;

    bool accepted() const { return result == PlanResult::Accepted; }
};

// The largest diskette piece, in whole bytes (1.3 MB rounded down).
inline constexpr std::int64_t kDiskettePieceLimit = 1363148;

Plan planSplit(const PlanInput& input);

// Reads a plain decimal number: optional blanks, an optional sign, digits with
// at most one ".", optional blanks. Nothing else reads as a number.
std::optional<double> parseSize(const std::string& text);

}  // namespace brindlecut
