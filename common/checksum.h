// Checksums of the pieces of a set: XXH3 with 128 bits, written in the format
// that `xxhsum -H2` prints, so that a set can be checked with `xxhsum -c` too.
// The hashing is Debian's libxxhash, linked as a shared library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/platform.h"

namespace brindlecut {

// An XXH3-128 hash computed as the bytes stream past.
class PieceHash {
public:
    PieceHash();
    ~PieceHash();
    PieceHash(const PieceHash&) = delete;
    PieceHash& operator=(const PieceHash&) = delete;

    void update(const void* data, std::size_t length);
    // The hash of everything so far: 32 lowercase hex digits, as xxhsum prints it.
    std::string hex() const;

private:
    void* state_;
};

// Hashes `length` bytes of `file` from `offset` (0-based); ENODATA when the
// file ends before them.
Errno hashRange(File& file, std::int64_t offset, std::int64_t length, PieceHash& hash);

struct ChecksumEntry {
    std::string hex;   // 32 lowercase hex digits
    std::string name;  // the piece's file name, without folder
};

// One line of a checksum file: the hash, two blanks, the name, a line feed.
std::string checksumLine(const ChecksumEntry& entry);
// The hash that the text of a checksum file lists for the piece `name`, as
// written there (xxhsum writes lower-case digits, as PieceHash::hex() gives
// them); "" when it lists none. Lines of another form are passed over. The
// search starts at `from` and, when nothing is found there, once more at the
// start; `from` is then moved past the line found, so that a file that lists
// the pieces in order is read once for the whole set.
std::string listedHashIn(const std::string& text, const std::string& name, std::size_t& from);

// Reads a small text file whole (a checksum file); EFBIG above `limit` bytes,
// EINVAL for anything but a regular file (a pipe would block the read).
Errno readSmallFile(FileSystem& fs, const std::string& path, std::size_t limit, std::string& out);
// Reads the checksum file at `path` into `text`; ENOENT when there is none.
Errno readChecksumFile(FileSystem& fs, const std::string& path, std::string& text);

}  // namespace brindlecut
