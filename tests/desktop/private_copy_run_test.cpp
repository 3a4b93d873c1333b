// join.exe started from a removable disk: the probe program is put on a
// folder that counts as a removable drive and run from there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::TempDir;

// Runs `program` in `folder` with the environment changes and the arguments
// given, and returns what it prints.
std::string run(const std::string& program, const std::string& folder,
                const std::vector<std::string>& environment, const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], 1);
        close(pipeEnds[0]);
        if (chdir(folder.c_str()) != 0) _exit(90);
        for (const std::string& setting : environment) {
            const std::size_t equals = setting.find('=');
            if (equals == std::string::npos) {
                unsetenv(setting.c_str());
            } else {
                setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
            }
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(91);
    }
    close(pipeEnds[1]);
    std::string output;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(got));
    close(pipeEnds[0]);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return output;
}

struct PrivateCopyRun : ::testing::Test {
    PrivateCopyRun() {
        disk = dir.mkdir("disk");
        runtime = dir.mkdir("runtime");
        home = dir.mkdir("home");
        program = disk + "/join.exe";
        testing::writeFile(program, testing::readFile(BRINDLECUT_PROBE));
        EXPECT_EQ(chmod(program.c_str(), 0755), 0);
        testing::writeFile(disk + "/report.doc.inf.vek", "report.doc\r\n2\r\n");
    }
    std::vector<std::string> environment(bool removable) const {
        return {removable ? "PROBE_REMOVABLE=" + disk : "PROBE_REMOVABLE", "XDG_RUNTIME_DIR=" + runtime,
                "HOME=" + home, "BRINDLECUT_PRIVATE_COPY"};
    }
    TempDir dir;
    std::string disk, runtime, home, program;
};

TEST_F(PrivateCopyRun, FromARemovableDiskRunsFromACopyThatIsGoneOnceItRuns) {
    const std::string output = run(program, disk, environment(true),
                                   {"join.exe", "report.doc.inf.vek", "-style", "fusion", "missing"});
    const std::string prefix = "exe=" + runtime + "/join-";
    ASSERT_EQ(output.rfind(prefix, 0), 0u) << output;
    // join-XXXXXX/join.exe, and the kernel marks the file as removed.
    EXPECT_EQ(output.substr(prefix.size() + 6, 20), "/join.exe (deleted)\n") << output;
    EXPECT_NE(output.find("\ncwd=" + home + "\n"), std::string::npos) << output;
    EXPECT_NE(output.find("\narg=join.exe\narg=" + disk +
                          "/report.doc.inf.vek\narg=-style\narg=fusion\narg=missing\n"),
              std::string::npos)
        << output;
    EXPECT_TRUE(testing::listNames(runtime).empty());
    EXPECT_EQ(testing::listNames(disk), (std::vector<std::string>{"join.exe", "report.doc.inf.vek"}));
}

TEST_F(PrivateCopyRun, FromARemovableDiskStartedElsewhereKeepsTheFolderAndTheArguments) {
    const std::string output = run(program, home, environment(true), {"join.exe", "report.doc.inf.vek"});
    EXPECT_EQ(output.rfind("exe=" + runtime + "/join-", 0), 0u) << output;
    EXPECT_NE(output.find("\ncwd=" + home + "\narg=join.exe\narg=report.doc.inf.vek\n"), std::string::npos)
        << output;
    EXPECT_TRUE(testing::listNames(runtime).empty());
}

TEST_F(PrivateCopyRun, FromAFixedDriveRunsWhereItIs) {
    const std::string output = run(program, disk, environment(false), {"join.exe", "report.doc.inf.vek"});
    EXPECT_EQ(output, "exe=" + program + "\ncwd=" + disk + "\narg=join.exe\narg=report.doc.inf.vek\n");
    EXPECT_TRUE(testing::listNames(runtime).empty());
}

TEST_F(PrivateCopyRun, AVariableThatNamesAnotherFileRemovesNothing) {
    const std::string other = dir / "other.exe";
    testing::writeFile(other, "keep");
    std::vector<std::string> settings = environment(false);
    settings.back() = "BRINDLECUT_PRIVATE_COPY=" + other;
    run(program, disk, settings, {"join.exe"});
    EXPECT_TRUE(testing::exists(other));
    EXPECT_TRUE(testing::exists(program));
}

TEST_F(PrivateCopyRun, ATemporaryFolderThatCannotBeWrittenLeavesItRunningFromTheDisk) {
    std::vector<std::string> settings = environment(true);
    settings[1] = "XDG_RUNTIME_DIR=" + dir / "no such folder";
    settings[2] = "HOME=" + home;
    const std::string output = run(program, disk, settings, {"join.exe"});
    EXPECT_EQ(output, "exe=" + program + "\ncwd=" + disk + "\narg=join.exe\n");
}

}  // namespace
}  // namespace brindlecut
