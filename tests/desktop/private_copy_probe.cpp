// Stands in for join.exe in the test of the private copy: it runs
// runFromPrivateCopy as join.exe does, with PROBE_REMOVABLE (when set) as the
// one removable drive, then reports what the program that goes on running sees.
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/private_copy.h"
#include "tests/support/faulty_file_system.h"

int main(int argc, char** argv) {
    brindlecut::testing::FaultyFileSystem fileSystem;
    std::vector<brindlecut::Drive> drives{{"/", brindlecut::DriveKind::Fixed, 0}};
    if (const char* removable = std::getenv("PROBE_REMOVABLE")) {
        drives.push_back({removable, brindlecut::DriveKind::Removable, 0});
    }
    fileSystem.setDrives(drives);
    brindlecut::runFromPrivateCopy(argv, fileSystem);

    char self[PATH_MAX] = "";
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) self[length] = '\0';
    char folder[PATH_MAX] = "";
    if (!getcwd(folder, sizeof folder)) folder[0] = '\0';
    std::printf("exe=%s\ncwd=%s\n", self, folder);
    for (int i = 0; i < argc; ++i) std::printf("arg=%s\n", argv[i]);
    return 0;
}
