#include "common/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brindlecut {
namespace {

// argv as main() gets it: the strings, then a null pointer.
struct Arguments {
    explicit Arguments(std::vector<std::string> list) : strings(std::move(list)) {
        for (std::string& s : strings) pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(strings.size()); }
    std::vector<std::string> strings;
    std::vector<char*> pointers;
};

TEST(CommandLineAction, TheFirstHelpOrVersionDecidesAndNothingAfterDoubleDash) {
    struct Case {
        std::vector<std::string> args;
        CommandLineAction expected;
    };
    const Case cases[] = {
        {{"join.exe"}, CommandLineAction::Run},
        {{"join.exe", "/data/report.doc.inf.vek"}, CommandLineAction::Run},
        {{"brindlecut", "--help"}, CommandLineAction::Help},
        {{"brindlecut", "-h"}, CommandLineAction::Help},
        {{"brindlecut", "--version"}, CommandLineAction::Version},
        {{"brindlecut", "report.doc", "--version"}, CommandLineAction::Version},
        {{"brindlecut", "--version", "--help"}, CommandLineAction::Version},
        {{"brindlecut", "--help", "--version"}, CommandLineAction::Help},
        {{"brindlecut", "--", "--help"}, CommandLineAction::Run},
        {{"brindlecut", "-platform", "offscreen"}, CommandLineAction::Run},
        {{"brindlecut", "--helpme"}, CommandLineAction::Run},
        {{"brindlecut", "-v"}, CommandLineAction::Run},
    };
    for (const Case& c : cases) {
        Arguments a(c.args);
        EXPECT_EQ(commandLineAction(a.argc(), a.pointers.data()), c.expected) << c.args.back();
    }
}

TEST(AnswerCommandLine, PrintsTheVersionOrTheHelpAndEndsWithStatusZero) {
    struct Case {
        const ProgramText* program;
        std::vector<std::string> args;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {&kSplitterText, {"brindlecut", "--version"}, 0, "brindlecut 1.0\n"},
        {&kJoinerText, {"join.exe", "--version"}, 0, "join.exe 1.0\n"},
        {&kSplitterText, {"brindlecut", "--help"}, 0, kSplitterText.help},
        {&kJoinerText, {"join.exe", "-h"}, 0, kJoinerText.help},
        {&kSplitterText, {"brindlecut", "report.doc"}, -1, ""},
        {&kJoinerText, {"join.exe"}, -1, ""},
    };
    for (const Case& c : cases) {
        Arguments a(c.args);
        ::testing::internal::CaptureStdout();
        const int status = answerCommandLine(a.argc(), a.pointers.data(), *c.program);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.output) << c.args.back();
        EXPECT_EQ(status, c.status) << c.args.back();
    }
}

TEST(AnswerCommandLine, HelpTextsNameTheProgramAndEveryOption) {
    EXPECT_EQ(std::string(kSplitterText.help).rfind("Usage: brindlecut [FILE]\n", 0), 0u);
    EXPECT_EQ(std::string(kJoinerText.help).rfind("Usage: join.exe [MANIFEST]\n", 0), 0u);
    for (const ProgramText* text : {&kSplitterText, &kJoinerText}) {
        const std::string help = text->help;
        EXPECT_NE(help.find("\n  --help     show this help and exit\n"), std::string::npos) << text->name;
        EXPECT_NE(help.find("\n  --version  show the version and exit\n"), std::string::npos) << text->name;
        EXPECT_EQ(help.back(), '\n');
    }
}

TEST(WithoutJoinerPaths, DropsEveryArgumentNamingJoinExeAndKeepsTheOrderOfTheRest) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> kept;
    };
    const Case cases[] = {
        {{"join.exe"}, {"join.exe"}},
        {{"join.exe", "/media/usb/join.exe"}, {"join.exe"}},
        {{"join.exe", "/media/usb/JOIN.EXE"}, {"join.exe"}},
        {{"join.exe", "join.exe"}, {"join.exe"}},
        {{"join.exe", "/data/a.inf.vek"}, {"join.exe", "/data/a.inf.vek"}},
        {{"join.exe", "-style", "/m/join.exe", "fusion"}, {"join.exe", "-style", "fusion"}},
        {{"join.exe", "/data/join.exe.inf.vek", "/m/join.exe/x"},
         {"join.exe", "/data/join.exe.inf.vek", "/m/join.exe/x"}},
        {{"join.exe", "/data/myjoin.exe"}, {"join.exe", "/data/myjoin.exe"}},
    };
    for (const Case& c : cases) {
        Arguments a(c.args);
        const int argc = withoutJoinerPaths(a.argc(), a.pointers.data());
        std::vector<std::string> kept(a.pointers.begin(), a.pointers.begin() + argc);
        EXPECT_EQ(kept, c.kept) << c.args.back();
        EXPECT_EQ(a.pointers[static_cast<std::size_t>(argc)], nullptr) << c.args.back();
    }
}

}  // namespace
}  // namespace brindlecut
