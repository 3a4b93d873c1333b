// join.exe started from a removable disk (disk #1 carries a copy of it) runs
// from a private copy on the machine instead, so that the disk can be ejected
// and the next one put in while the joiner runs. The copy lies alone in a
// folder only the user can enter; the copy removes itself and its folder as
// soon as it has started (the running program keeps its image), so nothing is
// left behind however the program ends. Written with C strings and fixed
// buffers: it is part of join.exe, which has to stay small.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/platform.h"

namespace brindlecut {

// Tells the started copy which file to remove: the path of the copy itself.
inline constexpr char kPrivateCopyVariable[] = "BRINDLECUT_PRIVATE_COPY";

// Whether `path` lies on a removable drive: the drive with the longest root
// that holds the path decides.
bool onRemovableDrive(const std::vector<Drive>& drives, const char* path);

// Copies `program` into a new folder of mode 0700 under `parent`, keeping its
// file name, as a file of mode 0700; `copy` (of `size` bytes) gets the path of
// the copy. Nothing is left behind when it fails.
Errno makePrivateCopy(const char* program, const char* parent, char* copy, std::size_t size);

// Removes a copy made by makePrivateCopy and its folder.
void removePrivateCopy(const char* copy);

// The folder private copies are made in: $XDG_RUNTIME_DIR when it is set to
// an absolute path, else $TMPDIR, else /tmp.
const char* privateCopyParent();

// Called first in main. In the started copy it removes the copy and its folder
// and returns. In a program that lies on a removable drive it makes the copy
// and executes it with the same arguments, and so does not return unless that
// fails; then, or when the program lies on a fixed drive, it returns and the
// program runs from where it is. When the current folder lies on a removable
// drive too, the copy starts in the home folder, with the arguments that name
// existing files made absolute, so that nothing keeps the disk busy.
void runFromPrivateCopy(char** argv, FileSystem& fileSystem);

}  // namespace brindlecut
