#include "common/checksum.h"

#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace brindlecut {

namespace {

// Large enough that hashing runs at memory speed, small enough to stay in cache.
constexpr std::size_t kHashBuffer = 256 * 1024;
constexpr std::size_t kHexDigits = 32;

XXH3_state_t* stateOf(void* state) { return static_cast<XXH3_state_t*>(state); }

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

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

bool parseChecksums(const std::string& text, std::vector<ChecksumEntry>& out) {
    out.clear();
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < kHexDigits + 3 || line.compare(kHexDigits, 2, "  ") != 0) return false;
        ChecksumEntry entry{line.substr(0, kHexDigits), line.substr(kHexDigits + 2)};
        if (!std::all_of(entry.hex.begin(), entry.hex.end(), isHexDigit)) return false;
        std::transform(entry.hex.begin(), entry.hex.end(), entry.hex.begin(),
                       [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c - 'A' + 'a') : c; });
        out.push_back(std::move(entry));
    }
    return !out.empty();
}

std::string listedHash(const std::vector<ChecksumEntry>& entries, const std::string& name) {
    for (const ChecksumEntry& entry : entries)
        if (entry.name == name) return entry.hex;
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

}  // namespace brindlecut
