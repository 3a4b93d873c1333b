// The options both programs answer on the command line, --help and --version.
// They are handled before the application object exists, so they work without
// a display; everything else on the command line is left to the program.
#pragma once

namespace brindlecut {

// The version both programs report; the build checks that it matches the project's.
inline constexpr char kVersion[] = "1.0";

enum class CommandLineAction { Run, Help, Version };

// What the arguments ask for: the first --help (or -h) or --version decides;
// nothing after "--" counts as an option.
CommandLineAction commandLineAction(int argc, const char* const* argv);

struct ProgramText {
    const char* name;  // as the user types it
    const char* help;  // the whole --help text
};

extern const ProgramText kSplitterText;
extern const ProgramText kJoinerText;

// Prints the help or the version on standard output when the arguments ask for
// one of them and returns 0, the program's exit status; returns -1 when the
// program is to start.
int answerCommandLine(int argc, char** argv, const ProgramText& program);

// Leaves out the arguments that name a file called join.exe (in any case) and
// returns the new count. The file manager hands the joiner the join.exe it
// finds on disk #1 when the user opens that file; the installed joiner then
// starts as that copy would.
int withoutJoinerPaths(int argc, char** argv);

}  // namespace brindlecut
