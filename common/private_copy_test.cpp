#include "common/private_copy.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::TempDir;

TEST(OnRemovableDrive, TheDeepestDriveThatHoldsThePathDecides) {
    const std::vector<Drive> drives = {
        {"/", DriveKind::Fixed, 0},
        {"/home", DriveKind::Fixed, 0},
        {"/media/usb", DriveKind::Removable, 0},
        {"/media/usb/inner", DriveKind::Fixed, 0},
        {"/run/media/ann/DISK 1", DriveKind::Removable, 0},
    };
    struct Case {
        const char* path;
        bool removable;
    };
    const Case cases[] = {
        {"/usr/bin/join.exe", false},
        {"/home/ann/join.exe", false},
        {"/media/usb/join.exe", true},
        {"/media/usb/sub/folder/join.exe", true},
        {"/media/usb", true},
        {"/media/usb2/join.exe", false},
        {"/media/usb/inner/join.exe", false},
        {"/run/media/ann/DISK 1/join.exe", true},
        {"/run/media/ann/DISK 10/join.exe", false},
    };
    for (const Case& c : cases) EXPECT_EQ(onRemovableDrive(drives, c.path), c.removable) << c.path;
    EXPECT_FALSE(onRemovableDrive({}, "/media/usb/join.exe"));
    EXPECT_TRUE(onRemovableDrive({{"/", DriveKind::Removable, 0}}, "/join.exe"));
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(MakePrivateCopy, CopiesTheProgramByteForByteIntoAFolderOnlyTheUserEnters) {
    TempDir dir;
    const std::string disk = dir.mkdir("disk");
    const std::string parent = dir.mkdir("runtime");
    const std::string bytes = testing::patternBytes(3 * 1024 * 1024 + 17);
    testing::writeFile(disk + "/join.exe", bytes);
    char copy[PATH_MAX] = "";
    ASSERT_EQ(makePrivateCopy((disk + "/join.exe").c_str(), parent.c_str(), copy, sizeof copy), 0);

    const std::vector<std::string> folders = testing::listNames(parent);
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].rfind("join-", 0), 0u);
    EXPECT_EQ(folders[0].size(), 11u);
    const std::string folder = parent + "/" + folders[0];
    EXPECT_EQ(std::string(copy), folder + "/join.exe");
    EXPECT_EQ(testing::listNames(folder), std::vector<std::string>{"join.exe"});
    EXPECT_EQ(testing::readFile(copy), bytes);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(copy) & 0077, 0u);
    EXPECT_EQ(modeOf(copy) & 0100, 0100u);

    removePrivateCopy(copy);
    EXPECT_TRUE(testing::listNames(parent).empty());
    EXPECT_EQ(testing::readFile(disk + "/join.exe"), bytes);
}

TEST(MakePrivateCopy, LeavesNothingBehindWhenItFails) {
    TempDir dir;
    const std::string parent = dir.mkdir("runtime");
    testing::writeFile(dir / "join.exe", "program");
    char copy[PATH_MAX] = "unchanged";

    EXPECT_EQ(makePrivateCopy((dir / "missing.exe").c_str(), parent.c_str(), copy, sizeof copy), ENOENT);
    EXPECT_TRUE(testing::listNames(parent).empty());
    EXPECT_EQ(
        makePrivateCopy((dir / "join.exe").c_str(), (dir / "no such folder").c_str(), copy, sizeof copy),
        ENOENT);
    EXPECT_EQ(makePrivateCopy((dir / "join.exe").c_str(), parent.c_str(), copy, parent.size() + 20),
              ENAMETOOLONG);
    EXPECT_TRUE(testing::listNames(parent).empty());
    // A folder as the program: it opens, but its bytes cannot be copied.
    EXPECT_EQ(makePrivateCopy(dir.path().c_str(), parent.c_str(), copy, sizeof copy), EINVAL);
    EXPECT_TRUE(testing::listNames(parent).empty());
}

TEST(RemovePrivateCopy, LeavesAFolderThatHoldsMoreThanTheCopy) {
    TempDir dir;
    const std::string folder = dir.mkdir("join-abcdef");
    testing::writeFile(folder + "/join.exe", "program");
    testing::writeFile(folder + "/other", "kept");
    removePrivateCopy((folder + "/join.exe").c_str());
    EXPECT_EQ(testing::listNames(folder), std::vector<std::string>{"other"});
}

TEST(PrivateCopyParent, RuntimeFolderThenTemporaryFolderThenTmp) {
    struct Case {
        const char* runtime;
        const char* temporary;
        std::string expected;
    };
    const Case cases[] = {
        {"/run/user/1000", "/var/tmp", "/run/user/1000"},
        {nullptr, "/var/tmp", "/var/tmp"},
        {"", "/var/tmp", "/var/tmp"},
        {"relative", nullptr, "/tmp"},
        {nullptr, nullptr, "/tmp"},
    };
    const char* savedRuntime = std::getenv("XDG_RUNTIME_DIR");
    const char* savedTemporary = std::getenv("TMPDIR");
    const std::string runtimeBefore = savedRuntime ? savedRuntime : "";
    const std::string temporaryBefore = savedTemporary ? savedTemporary : "";
    for (const Case& c : cases) {
        c.runtime ? setenv("XDG_RUNTIME_DIR", c.runtime, 1) : unsetenv("XDG_RUNTIME_DIR");
        c.temporary ? setenv("TMPDIR", c.temporary, 1) : unsetenv("TMPDIR");
        EXPECT_EQ(privateCopyParent(), c.expected);
    }
    savedRuntime ? setenv("XDG_RUNTIME_DIR", runtimeBefore.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    savedTemporary ? setenv("TMPDIR", temporaryBefore.c_str(), 1) : unsetenv("TMPDIR");
}

}  // namespace
}  // namespace brindlecut
