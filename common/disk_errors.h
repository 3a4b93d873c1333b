// The classes of failure that the disk dialogues of both programs tell apart,
// and the texts they share. Which errno values fall in which class is the
// platform's business (platform_linux.cpp).
#pragma once

#include "common/platform.h"

namespace brindlecut {

inline constexpr int kWriteProtected = 70;  // permission denied, read-only medium or item
inline constexpr int kNotReady = 71;        // no disk in the drive
inline constexpr int kAccessError = 75;     // path/file access error (I/O error)
inline constexpr int kPathNotFound = 76;    // path not found
inline constexpr int kUnknownError = 0;

// Maps an errno value onto the classes above (kUnknownError for the rest).
int errorClass(Errno error);

// The retry questions of the disk dialogues; OK repeats what failed.
inline constexpr const char* kWriteProtectedQuestion = "Disk is write protected.Correct it and click OK";
inline constexpr const char* kInsertDiskQuestion = "Insert diskette and click OK";
inline constexpr const char* kUnknownDiskQuestion = "Unknown diskette error.Change it and click OK";

}  // namespace brindlecut
