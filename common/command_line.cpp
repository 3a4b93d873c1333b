#include "common/command_line.h"

#include <strings.h>

#include <cstdio>
#include <cstring>

namespace brindlecut {

CommandLineAction commandLineAction(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0) break;
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)
            return CommandLineAction::Help;
        if (std::strcmp(argument, "--version") == 0) return CommandLineAction::Version;
    }
    return CommandLineAction::Run;
}

const ProgramText kSplitterText{
    "brindlecut",
    "Usage: brindlecut [FILE]\n"
    "Cuts a file into numbered pieces of a chosen size, in a folder or across a\n"
    "series of removable disks, with a manifest (NAME.inf.vek) from which join.exe\n"
    "puts the file back together. A disk split also puts join.exe and help.txt on\n"
    "disk #1.\n"
    "\n"
    "  FILE       the file to split; the source window opens with it loaded\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"};

const ProgramText kJoinerText{"join.exe",
                              "Usage: join.exe [MANIFEST]\n"
                              "Puts the pieces that brindlecut wrote back together.\n"
                              "\n"
                              "  MANIFEST   the manifest (NAME.inf.vek) of a split in a folder\n"
                              "  --help     show this help and exit\n"
                              "  --version  show the version and exit\n"};

int answerCommandLine(int argc, char** argv, const ProgramText& program) {
    switch (commandLineAction(argc, argv)) {
        case CommandLineAction::Help:
            std::fputs(program.help, stdout);
            break;
        case CommandLineAction::Version:
            std::fputs(program.name, stdout);
            std::fputs(" ", stdout);
            std::fputs(kVersion, stdout);
            std::fputs("\n", stdout);
            break;
        case CommandLineAction::Run:
            return -1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int withoutJoinerPaths(int argc, char** argv) {
    int kept = argc > 0 ? 1 : 0;
    for (int i = 1; i < argc; ++i) {
        const char* slash = std::strrchr(argv[i], '/');
        const char* name = slash ? slash + 1 : argv[i];
        if (strcasecmp(name, "join.exe") != 0) argv[kept++] = argv[i];
    }
    if (kept < argc) argv[kept] = nullptr;
    return kept;
}

}  // namespace brindlecut
