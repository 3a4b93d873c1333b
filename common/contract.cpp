#include "common/contract.h"

#include <cerrno>
#include <charconv>

namespace brindlecut {

std::string pieceName(const std::string& filename, std::int64_t k) {
    return filename + "." + std::to_string(k);
}

std::string manifestName(const std::string& filename) { return filename + ".inf.vek"; }

std::string checksumName(const std::string& filename) { return filename + ".xxh128"; }

std::string pathInFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == kSeparator) return folder + name;
    return folder + kSeparator + name;
}

std::string baseName(const std::string& path) {
    const auto at = path.rfind(kSeparator);
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string folderOf(const std::string& path) {
    const auto at = path.rfind(kSeparator);
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::int64_t pieceCount(std::int64_t filesize, std::int64_t piecesize) {
    if (piecesize <= 0) return 0;
    return filesize / piecesize + (filesize % piecesize != 0 ? 1 : 0);
}

PieceSpan pieceSpan(std::int64_t filesize, std::int64_t piecesize, std::int64_t k) {
    const std::int64_t n = pieceCount(filesize, piecesize);
    const std::int64_t offset = (k - 1) * piecesize;
    const std::int64_t length = k < n ? piecesize : filesize - (n - 1) * piecesize;
    return {offset, length};
}

std::string manifestBytes(const std::string& filename, std::int64_t count) {
    return filename + "\r\n " + std::to_string(count) + " \r\n";
}

Errno writeManifest(FileSystem& fs, const std::string& path, const std::string& filename,
                    std::int64_t count) {
    const std::string bytes = manifestBytes(filename, count);
    std::unique_ptr<File> file;
    if (Errno e = fs.create(path, file)) return e;
    // Flushed before it is closed: the manifest says a set is whole, so it
    // must not reach the disk later than the pieces it announces.
    Errno e = file->writeAt(0, bytes.data(), bytes.size());
    if (e == 0) e = file->sync();
    Errno closed = file->close();
    return e ? e : closed;
}

bool isSafeFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) return false;
    }
    return true;
}

namespace {

// Splits off one text line ended by CR LF, LF or the end of the text.
bool takeLine(const std::string& text, std::size_t& at, std::string& line) {
    if (at >= text.size()) return false;
    auto end = text.find('\n', at);
    std::size_t next = end == std::string::npos ? text.size() : end + 1;
    if (end == std::string::npos) end = text.size();
    line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = next;
    return true;
}

std::string trimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

Outcome readManifest(FileSystem& fs, const std::string& path, Manifest& out) {
    // A manifest is two short lines; anything much larger is not one.
    constexpr std::int64_t kLargest = 64 * 1024;
    // Opening a pipe or a device would wait for a writer that never comes.
    FileInfo info;
    if (fs.info(path, info) == 0 && !info.isRegular)
        return Outcome::failed("This file is not a split manifest.", path, info.isDir ? EISDIR : 0);
    std::unique_ptr<File> file;
    if (Errno e = fs.openRead(path, file))
        return Outcome::failed("The split manifest could not be opened.", path, e);
    std::int64_t size = 0;
    if (Errno e = file->size(size)) return Outcome::failed("The split manifest could not be read.", path, e);
    if (size > kLargest) return Outcome::failed("This file is not a split manifest.", path);
    std::string text(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    if (Errno e = file->readAt(0, text.data(), text.size(), got))
        return Outcome::failed("The split manifest could not be read.", path, e);
    text.resize(got);
    file->close();

    std::size_t at = 0;
    std::string first, second;
    if (!takeLine(text, at, first) || !takeLine(text, at, second))
        return Outcome::failed("The split manifest has no piece count on its second line.", path);
    if (!isSafeFileName(first))
        return Outcome::failed("The split manifest names a file that cannot be rebuilt safely.", path);
    const std::string digits = trimBlanks(second);
    int count = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || digits[0] == '-' ||
        digits[0] == '+' || count < 1 || count > kMaxPieces)
        return Outcome::failed("The split manifest's piece count is not a whole number from 1 to 32767.",
                               path);
    out.filename = first;
    out.count = count;
    return Outcome::done();
}

}  // namespace brindlecut
