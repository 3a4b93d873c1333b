// The rebuilt file of a join while it is written: a hidden temporary file
// beside the destination that replaces it only once complete and on stable
// storage, so that a failure, a cancel or a power cut never leaves a partial
// file behind nor harms an earlier file of that name. Shared by both joins.
#pragma once

#include <memory>
#include <string>

#include "common/platform.h"

namespace brindlecut {

// The temporary name beside the destination that a join tries at its
// `attempt`-th go (from 1): the file name behind a dot, with ".joining" after
// it, and from the second go on "-" and the number.
std::string temporaryPathFor(const std::string& destinationPath, int attempt);
// Removes what an earlier join of the same file left at the first temporary
// name when it was killed: a regular file only, never a symbolic link's target.
void removeLeftoverOf(FileSystem& fs, const std::string& destinationPath);

class RebuiltFile {
public:
    RebuiltFile(FileSystem& fs, std::string destinationPath)
        : fs_(fs), destinationPath_(std::move(destinationPath)) {}
    ~RebuiltFile() { discard(); }
    RebuiltFile(const RebuiltFile&) = delete;
    RebuiltFile& operator=(const RebuiltFile&) = delete;

    // Creates the temporary file under the first temporary name that nothing
    // (not even a symbolic link) takes.
    Errno open();
    File& file() { return *file_; }
    const std::string& temporaryPath() const { return temporaryPath_; }
    // Gives the temporary file the permission bits (and owner and group) of
    // an earlier file at the destination, puts it on stable storage, closes it
    // and renames it onto the destination; on a failure of any of these the
    // temporary file is removed and an earlier file stays. Then flushes the
    // destination folder, so that the new name survives a power cut too: a
    // failure there comes back with placed() already true. Should another
    // join of the same file have taken the temporary name meanwhile (it
    // removes what it takes for a leftover), nothing is renamed or removed:
    // ESTALE, and the other join's file stays its own.
    Errno commit();
    // Whether the rebuilt file has taken its place at the destination.
    bool placed() const { return placed_; }
    // Closes and removes the temporary file, if there is one.
    void discard();

private:
    FileSystem& fs_;
    std::string destinationPath_;
    std::string temporaryPath_;
    std::unique_ptr<File> file_;
    bool pending_ = false;
    bool placed_ = false;
    // Which file the temporary name held when it was created.
    FileInfo created_;
};

}  // namespace brindlecut
