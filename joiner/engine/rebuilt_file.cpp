#include "joiner/engine/rebuilt_file.h"

#include <cerrno>

#include "common/contract.h"

namespace brindlecut {

namespace {

// The longest file name most Linux file systems take.
constexpr std::size_t kNameMax = 255;
// How many taken temporary names are skipped before giving up.
constexpr int kTemporaryAttempts = 1000;

}  // namespace

std::string temporaryPathFor(const std::string& destinationPath, int attempt) {
    std::string path = folderOf(destinationPath);
    path += '.';
    // Room for the leading dot, the suffix and a counter of up to four digits.
    path += baseName(destinationPath).substr(0, kNameMax - 1 - 8 - 5);
    path += ".joining";
    if (attempt > 1) {
        path += '-';
        path += std::to_string(attempt);
    }
    return path;
}

void removeLeftoverOf(FileSystem& fs, const std::string& destinationPath) {
    const std::string path = temporaryPathFor(destinationPath, 1);
    FileInfo info;
    if (fs.linkInfo(path, info) == 0 && info.isRegular && !info.isLink) fs.removeFile(path, true);
}

Errno RebuiltFile::open() {
    discard();
    placed_ = false;
    Errno e = EEXIST;
    // Whatever stands at a name, even a symbolic link, makes the create fail.
    for (int attempt = 1; e == EEXIST && attempt <= kTemporaryAttempts; ++attempt) {
        temporaryPath_ = temporaryPathFor(destinationPath_, attempt);
        e = fs_.createNew(temporaryPath_, file_);
    }
    pending_ = e == 0;
    if (e == 0) e = fs_.linkInfo(temporaryPath_, created_);
    if (e) {
        discard();
        temporaryPath_.clear();
    }
    return e;
}

Errno RebuiltFile::commit() {
    if (!pending_) return EBADF;
    // An overwritten file keeps who may read it; a symbolic link in its place
    // is replaced, never followed.
    FileInfo earlier;
    Errno e = 0;
    if (fs_.linkInfo(destinationPath_, earlier) == 0 && earlier.isRegular && !earlier.isLink)
        e = fs_.copyAttributes(destinationPath_, *file_);
    // The bytes are on the disk before the name points at them.
    if (e == 0) e = file_->sync();
    const Errno closed = file_->close();
    if (e == 0) e = closed;
    file_.reset();
    FileInfo now;
    if (e == 0 && (fs_.linkInfo(temporaryPath_, now) != 0 || now.inode != created_.inode ||
                   now.device != created_.device)) {
        pending_ = false;
        return ESTALE;
    }
    if (e == 0) e = fs_.rename(temporaryPath_, destinationPath_);
    if (e) {
        discard();
        return e;
    }
    pending_ = false;
    placed_ = true;
    return fs_.syncFolder(folderOf(destinationPath_));
}

void RebuiltFile::discard() {
    if (file_) file_->close();
    file_.reset();
    // Only our own file goes: another join of the same file may have taken
    // the name over meanwhile.
    FileInfo now;
    if (pending_ && fs_.linkInfo(temporaryPath_, now) == 0 && now.inode == created_.inode &&
        now.device == created_.device)
        fs_.removeFile(temporaryPath_, true);
    pending_ = false;
}

}  // namespace brindlecut
