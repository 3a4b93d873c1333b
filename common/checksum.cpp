#include "common/checksum.h"

#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace brindlecut {

namespace {

// Large enough that hashing runs at memory speed, small enough to stay in cache.
constexpr std::size_t kHashBuffer = 256 * 1024;
constexpr std::size_t kHexDigits = 32;

XXH3_state_t* stateOf(void* state) { return static_cast<XXH3_state_t*>(state); }

// A checksum file lists at most 32767 lines of a hash, two blanks and a name.
constexpr std::size_t kChecksumFileLimit = 16 * 1024 * 1024;

}  // namespace

PieceHash::PieceHash() : state_(XXH3_createState()) { XXH3_128bits_reset(stateOf(state_)); }

PieceHash::~PieceHash() { XXH3_freeState(stateOf(state_)); }

void PieceHash::update(const void* data, std::size_t length) {
    XXH3_128bits_update(stateOf(state_), data, length);
}

std::string PieceHash::hex() const {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(stateOf(state_)));
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(kHexDigits);
    for (unsigned char byte : canonical.digest) {
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
    }
    return out;
}

Errno hashRange(File& file, std::int64_t offset, std::int64_t length, PieceHash& hash) {
    std::string buffer(kHashBuffer, '\0');
    std::int64_t done = 0;
    while (done < length) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(length - done, kHashBuffer));
        std::size_t got = 0;
        if (Errno e = file.readAt(offset + done, buffer.data(), want, got)) return e;
        if (got == 0) return ENODATA;
        hash.update(buffer.data(), got);
        done += static_cast<std::int64_t>(got);
    }
    return 0;
}

std::string checksumLine(const ChecksumEntry& entry) { return entry.hex + "  " + entry.name + "\n"; }

std::string listedHashIn(const std::string& text, const std::string& name, std::size_t& from) {
    // A line is 32 hex digits, two blanks, the name and a line feed.
    const std::size_t lineSize = kHexDigits + 2 + name.size() + 1;
    for (int pass = 0; pass < 2; ++pass, from = 0) {
        for (std::size_t at = from; at < text.size();) {
            std::size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const char* line = text.data() + at;
            if (end + 1 - at == lineSize && line[kHexDigits] == ' ' && line[kHexDigits + 1] == ' ' &&
                std::memcmp(line + kHexDigits + 2, name.data(), name.size()) == 0) {
                from = end + 1;
                return text.substr(at, kHexDigits);
            }
            at = end + 1;
        }
    }
    return {};
}

Errno readSmallFile(FileSystem& fs, const std::string& path, std::size_t limit, std::string& out) {
    // A pipe or a device of that name would block the read or never end.
    FileInfo info;
    if (Errno e = fs.info(path, info)) return e;
    if (!info.isRegular) return EINVAL;
    std::unique_ptr<File> file;
    if (Errno e = fs.openRead(path, file)) return e;
    std::int64_t size = 0;
    if (Errno e = file->size(size)) return e;
    if (size < 0 || static_cast<std::uint64_t>(size) > limit) return EFBIG;
    out.assign(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    if (Errno e = file->readAt(0, out.data(), out.size(), got)) return e;
    out.resize(got);
    return 0;
}

Errno readChecksumFile(FileSystem& fs, const std::string& path, std::string& text) {
    return readSmallFile(fs, path, kChecksumFileLimit, text);
}

}  // namespace brindlecut
