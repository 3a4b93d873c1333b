// The steps that the folder join and the diskette join share: the destination
// check, the preparation of the destination, the size rule of a split set,
// the checksum file, the piece append and the placing of the rebuilt file.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>

#include "common/checksum.h"
#include "common/copy.h"
#include "common/outcome.h"
#include "common/platform.h"
#include "common/prompter.h"
#include "common/texts.h"
#include "joiner/engine/rebuilt_file.h"

namespace brindlecut {

// A piece whose bytes do not match the hash its checksum file lists.
inline constexpr Errno kPieceDamaged = EBADMSG;

// A failed outcome with one of the joins' fixed texts; built in one place
// rather than at every refusal, which keeps join.exe small.
Outcome failure(const char* message, const std::string& path = {}, Errno error = 0);
// Outcome::cancelled() and Outcome::done(), likewise made in one place.
Outcome stopped();
Outcome finished();

inline constexpr const char* kNotWritten = "The rebuilt file could not be written.";

struct Destination {
    std::string path;      // the folder joined with the file name
    bool mustAsk = false;  // a file is already there: ask kOverwriteQuestion first
};
Destination destinationFor(FileSystem& fs, const std::string& folder, const std::string& filename);

// The destination check with its dialogue: asks before overwriting; on No
// tells kChooseAnother and returns false.
bool checkDestination(FileSystem& fs, Prompter& prompter, const std::string& folder,
                      const std::string& filename, std::string& destinationPath);

// What both joins check before writing anything: a manifest of `count`
// pieces of `filename` was read, a destination folder was chosen, the
// destination check passed (Cancelled after No), and no folder stands at the
// destination's name. Done with `destinationPath` set, and the temporary file
// that a killed join of the same file left behind removed.
Outcome prepareDestination(FileSystem& fs, Prompter& prompter, const std::string& destFolder,
                           const std::string& filename, int count, std::string& destinationPath);
// Creates the rebuilt file's temporary file: Done, or Failed naming the destination.
Outcome startRebuilt(RebuiltFile& rebuilt, const std::string& destination);

// The size rule of a split set of `count` pieces: none is empty, pieces 2 to
// count-1 hold `fullSize` bytes, the size of piece 1, and the last one no
// more. A set cut off while it was split, or a piece cut short on its way,
// breaks it. The refusal's text, or nullptr when piece `number` keeps it.
const char* pieceSizeFault(int number, int count, std::int64_t size, std::int64_t fullSize);

// The refusal of a checksum file that cannot be read (`error`) or does not
// list every piece (0).
Outcome refusedChecksumFile(const std::string& path, Errno error);

// Appends the whole piece at `piecePath` to `destination` at `offset`, which
// then points past it; with `expectedHash`, the piece is hashed as it is
// copied and kPieceDamaged returned when the hashes differ. Errors carry the
// errno (ECANCELED when the user cancelled the progress); `failedPath` names
// the piece, or is left empty when the fault lay in writing the destination.
Errno appendPiece(FileSystem& fs, const std::string& piecePath, File& destination, std::int64_t& offset,
                  ProgressTracker& tracker, std::string& failedPath, const std::string& expectedHash = {});

// The outcome of a piece append that failed with `e` (see appendPiece):
// Cancelled, or Failed naming the destination or the piece.
Outcome appendFailure(Errno e, const std::string& failedPath, const std::string& destination);

// Puts the complete rebuilt file in place (see RebuiltFile::commit): Done, or
// Failed naming the destination with the reason.
Outcome placeRebuilt(RebuiltFile& rebuilt, const std::string& destination);

}  // namespace brindlecut
