// The machine's own file operations as the engines rely on them: listing a
// folder whatever it holds, telling two paths of one file apart from two files,
// and copying a file onto itself without emptying it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "common/platform.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

TEST(SystemList, AFolderWithADanglingLinkIsListedWhole) {
    TempDir dir;
    writeFile(dir / "a.bin.1", "piece");
    ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "broken link").c_str()), 0);
    dir.mkdir("sub");
    ASSERT_EQ(::symlink((dir / "sub").c_str(), (dir / "link to sub").c_str()), 0);

    std::vector<DirEntry> entries;
    ASSERT_EQ(systemFileSystem().list(dir.path(), entries), 0)
        << "a failed look at one link fails no listing";
    std::vector<std::string> names;
    std::vector<bool> dirs;
    for (const auto& entry : entries) {
        names.push_back(entry.name);
        dirs.push_back(entry.isDir);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a.bin.1", "broken link", "link to sub", "sub"}));
    EXPECT_EQ(dirs, (std::vector<bool>{false, false, true, true}));
}

TEST(SystemInfo, NamesTheFileSoTwoSpellingsOfOnePathMatch) {
    TempDir dir;
    const std::string folder = dir.mkdir("real");
    ASSERT_EQ(::symlink(folder.c_str(), (dir / "alias").c_str()), 0);
    writeFile(folder + "/x", "one");
    writeFile(folder + "/y", "two");
    FileInfo viaFolder, viaAlias, other;
    ASSERT_EQ(systemFileSystem().info(folder + "/x", viaFolder), 0);
    ASSERT_EQ(systemFileSystem().info(dir / "alias/x", viaAlias), 0);
    ASSERT_EQ(systemFileSystem().info(folder + "/y", other), 0);
    EXPECT_NE(viaFolder.inode, 0u);
    EXPECT_EQ(viaFolder.device, viaAlias.device);
    EXPECT_EQ(viaFolder.inode, viaAlias.inode);
    EXPECT_FALSE(viaFolder.device == other.device && viaFolder.inode == other.inode);
}

TEST(SystemCopyFile, OntoItselfLeavesTheFileWhole) {
    TempDir dir;
    const std::string folder = dir.mkdir("app");
    ASSERT_EQ(::symlink(folder.c_str(), (dir / "alias").c_str()), 0);
    writeFile(folder + "/join.exe", "the joiner");
    // The splitter started from the disk in drive A: copies its joiner onto itself.
    EXPECT_EQ(systemFileSystem().copyFile(folder + "/join.exe", dir / "alias/join.exe"), 0);
    EXPECT_EQ(readFile(folder + "/join.exe"), "the joiner");
    EXPECT_EQ(systemFileSystem().copyFile(folder + "/join.exe", folder + "/join.exe"), 0);
    EXPECT_EQ(readFile(folder + "/join.exe"), "the joiner");

    // A copy between two files still replaces the target's whole content.
    writeFile(dir / "target", std::string(100, 'x'));
    EXPECT_EQ(systemFileSystem().copyFile(folder + "/join.exe", dir / "target"), 0);
    EXPECT_EQ(readFile(dir / "target"), "the joiner");
    EXPECT_EQ(systemFileSystem().copyFile(dir / "none", dir / "target"), ENOENT);
}

}  // namespace
}  // namespace brindlecut
