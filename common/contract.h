// The on-disk contract between the splitter and the joiner: how pieces and the
// split manifest are named, where each piece's bytes come from, and the two-line
// manifest itself. Both programs use only these functions for names and for the
// manifest, so the two sides cannot drift apart.
#pragma once

#include <cstdint>
#include <string>

#include "common/outcome.h"
#include "common/platform.h"

namespace brindlecut {

inline constexpr char kSeparator = '/';
inline constexpr int kMaxPieces = 32767;

// "report.doc", 12 -> "report.doc.12": the number is only ever appended.
std::string pieceName(const std::string& filename, std::int64_t k);
// "report.doc" -> "report.doc.inf.vek".
std::string manifestName(const std::string& filename);
// "report.doc" -> "report.doc.xxh128": the checksums of the pieces, beside the manifest.
std::string checksumName(const std::string& filename);
// The folder, a separator unless the folder already ends in one, then the name.
std::string pathInFolder(const std::string& folder, const std::string& name);
// The part of a path after its last separator.
std::string baseName(const std::string& path);
// A path up to and including its last separator ("" when there is none).
std::string folderOf(const std::string& path);

// Number of pieces: the file size divided by the piece size, rounded up.
std::int64_t pieceCount(std::int64_t filesize, std::int64_t piecesize);

// Where piece k (1 ... n) lies in the source: `offset` is 0-based.
struct PieceSpan {
    std::int64_t offset = 0;
    std::int64_t length = 0;
};
PieceSpan pieceSpan(std::int64_t filesize, std::int64_t piecesize, std::int64_t k);

// The manifest's exact bytes: the file name, CR LF, a blank, the count, a blank, CR LF.
std::string manifestBytes(const std::string& filename, std::int64_t count);
// Creates or replaces the manifest at `path` (never through a symbolic link)
// and puts it on stable storage before closing it.
Errno writeManifest(FileSystem& fs, const std::string& path, const std::string& filename, std::int64_t count);

struct Manifest {
    std::string filename;  // line 1, whole
    int count = 0;         // line 2, blanks around it removed
};

// Reads a manifest and refuses one that cannot be joined safely: line 1 empty,
// "." or "..", or holding a separator ("/" or "\") or a control character, or a
// line 2 that is not a whole number from 1 to 32767. The outcome names the file.
Outcome readManifest(FileSystem& fs, const std::string& path, Manifest& out);

// Whether a name can be used as a file name in a folder the user chose, without
// reaching outside it.
bool isSafeFileName(const std::string& name);

}  // namespace brindlecut
