// The machine's own drives: the list and drive A: read from the kernel's mount
// table. Where the test may mount (as root with loop devices and mke2fs), a small
// ext2 image is mounted under /media, with a blank in the folder name, as a USB
// disk would be.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/disk_errors.h"
#include "common/drive_a.h"
#include "common/mounts.h"
#include "common/platform.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::TempDir;

TEST(ErrorClass, MapsTheSystemErrorsOntoTheDisketteClasses) {
    const std::vector<std::pair<Errno, int>> cases = {
        {EACCES, kWriteProtected}, {EPERM, kWriteProtected}, {EROFS, kWriteProtected},
        {ENOMEDIUM, kNotReady},    {ENODEV, kNotReady},      {EIO, kAccessError},
        {ENOENT, kPathNotFound},   {ENOTDIR, kPathNotFound}, {ENOSPC, kUnknownError},
        {EEXIST, kUnknownError},   {EINVAL, kUnknownError},
    };
    for (const auto& [error, cls] : cases) EXPECT_EQ(errorClass(error), cls) << reasonText(error);
}

TEST(SystemDrives, RootIsAFixedDriveAndTheListIsOrdered) {
    FileSystem& fs = systemFileSystem();
    std::vector<Drive> drives;
    ASSERT_EQ(fs.drives(drives), 0);
    const auto root =
        std::find_if(drives.begin(), drives.end(), [](const Drive& d) { return d.root == "/"; });
    ASSERT_NE(root, drives.end());
    EXPECT_EQ(root->kind, DriveKind::Fixed);
    EXPECT_GT(root->available, 0);

    // Fixed drives by mount path, then the removable ones.
    const auto firstRemovable = std::find_if(drives.begin(), drives.end(),
                                             [](const Drive& d) { return d.kind == DriveKind::Removable; });
    EXPECT_TRUE(std::is_sorted(drives.begin(), firstRemovable,
                               [](const Drive& a, const Drive& b) { return a.root < b.root; }));
    EXPECT_TRUE(std::all_of(firstRemovable, drives.end(),
                            [](const Drive& d) { return d.kind == DriveKind::Removable; }));

    // Drive A: is the removable drive mounted last, or not ready when there is none.
    std::string a;
    const Errno e = fs.driveA(a);
    if (firstRemovable == drives.end()) {
        EXPECT_EQ(e, ENOMEDIUM);
        EXPECT_EQ(errorClass(e), kNotReady);
    } else {
        EXPECT_EQ(e, 0);
        EXPECT_EQ(a, drives.back().root);
    }
}

TEST(SystemDrives, MemoryFileSystemsAreNoDrives) {
    // /proc and /sys are mounted on every Linux machine; neither is a drive.
    std::vector<Drive> drives;
    ASSERT_EQ(systemFileSystem().drives(drives), 0);
    for (const auto& d : drives) {
        EXPECT_NE(d.root, "/proc");
        EXPECT_NE(d.root, "/sys");
        EXPECT_NE(d.root.rfind("/proc/", 0), 0u) << d.root;
        EXPECT_NE(d.root.rfind("/sys/", 0), 0u) << d.root;
    }
}

// Files are written only where they are named: a symbolic link bearing the
// name is refused by every way of opening for writing, and its target is left
// as it was.
TEST(SystemFiles, WritingNeverFollowsASymbolicLink) {
    TempDir tmp;
    FileSystem& fs = systemFileSystem();
    testing::writeFile(tmp / "target", "precious");
    ASSERT_EQ(::symlink((tmp / "target").c_str(), (tmp / "link").c_str()), 0);
    using Open = Errno (FileSystem::*)(const std::string&, std::unique_ptr<File>&);
    for (Open open : {&FileSystem::create, &FileSystem::createNew, &FileSystem::openWrite}) {
        std::unique_ptr<File> file;
        const Errno e = (fs.*open)(tmp / "link", file);
        EXPECT_TRUE(e == ELOOP || e == EEXIST) << reasonText(e);
        EXPECT_FALSE(file);
    }
    EXPECT_EQ(testing::readFile(tmp / "target"), "precious");

    FileInfo info;
    ASSERT_EQ(fs.linkInfo(tmp / "link", info), 0);
    EXPECT_TRUE(info.isLink);
    EXPECT_FALSE(info.isRegular);
    ASSERT_EQ(fs.info(tmp / "link", info), 0);
    EXPECT_FALSE(info.isLink);
    EXPECT_TRUE(info.isRegular);
}

// A file written aside takes the permissions of the file it replaces; a
// reservation leaves the size alone; flushing a file, its folder and its
// volume works on an ordinary folder.
TEST(SystemFiles, AttributesReservationsAndFlushes) {
    TempDir tmp;
    FileSystem& fs = systemFileSystem();
    for (mode_t mode : {0600, 0444, 0640}) {
        testing::writeFile(tmp / "old", "x");
        ASSERT_EQ(::chmod((tmp / "old").c_str(), mode), 0);
        std::unique_ptr<File> file;
        ASSERT_EQ(fs.create(tmp / "new", file), 0);
        ASSERT_EQ(fs.reserve(*file, 1 << 20), 0);
        ASSERT_EQ(fs.copyAttributes(tmp / "old", *file), 0);
        ASSERT_EQ(file->sync(), 0);
        ASSERT_EQ(file->close(), 0);
        FileInfo info;
        ASSERT_EQ(fs.info(tmp / "new", info), 0);
        EXPECT_EQ(info.mode, mode);
        EXPECT_EQ(info.size, 0) << "a reservation must not make a file look filled";
        ::chmod((tmp / "old").c_str(), 0600);
        ::chmod((tmp / "new").c_str(), 0600);
        ::unlink((tmp / "new").c_str());
    }
    EXPECT_EQ(fs.syncFolder(tmp.path()), 0);
    EXPECT_EQ(fs.syncVolume(tmp.path()), 0);
    EXPECT_EQ(fs.syncFolder(tmp / "missing"), ENOENT);
}

bool mounted(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    std::ostringstream text;
    text << in.rdbuf();
    for (const auto& m : parseMountInfo(text.str()))
        if (m.mountPoint == path) return true;
    return false;
}

std::string shellQuoted(const std::string& path) { return "'" + path + "'"; }

// An ext2 image on a loop device, mounted at a folder that the test chooses.
class LoopDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
        if (std::system("command -v mke2fs >/dev/null 2>&1 && command -v mount >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "mke2fs or mount is not installed";
        image_ = images_ / "disk.img";
        const std::string make = "truncate -s 2M " + shellQuoted(image_) + " && mke2fs -q -F " +
                                 shellQuoted(image_) + " >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) GTEST_SKIP() << "cannot make an ext2 image with mke2fs";
    }
    void TearDown() override {
        for (const auto& point : points_) {
            for (int i = 0; i < 5 && mounted(point); ++i)
                std::system(("umount " + shellQuoted(point)).c_str());
            ::rmdir(point.c_str());
        }
    }
    // Mounts the image at `point` (created first); false when the system refuses.
    bool mountAt(const std::string& point) {
        ::mkdir(point.c_str(), 0755);
        points_.push_back(point);
        const std::string cmd =
            "mount -o loop " + shellQuoted(image_) + " " + shellQuoted(point) + " >/dev/null 2>&1";
        return std::system(cmd.c_str()) == 0 && mounted(point);
    }

    TempDir images_;
    std::string image_;
    std::vector<std::string> points_;
};

TEST_F(LoopDisk, UnderMediaWithABlankInItsNameItIsRemovableAndCanBeDriveA) {
    const std::string point = "/media/brindlecut test " + std::to_string(::getpid());
    if (!mountAt(point)) GTEST_SKIP() << "mount -o loop is not permitted here";
    FileSystem& fs = systemFileSystem();
    std::vector<Drive> drives;
    ASSERT_EQ(fs.drives(drives), 0);
    const auto it =
        std::find_if(drives.begin(), drives.end(), [&](const Drive& d) { return d.root == point; });
    ASSERT_NE(it, drives.end()) << "the mount at " << point << " is not listed";
    EXPECT_EQ(it->kind, DriveKind::Removable);
    // mke2fs keeps 5% for root; about 1.8 MB is left on a 2 MB image.
    EXPECT_GT(it->available, 1'000'000);
    EXPECT_LT(it->available, 2 * 1024 * 1024);

    std::string a;
    ASSERT_EQ(fs.driveA(a), 0);
    EXPECT_EQ(a, drives.back().root);

    // Pulled out: it leaves the list at once.
    std::system(("umount " + shellQuoted(point)).c_str());
    ASSERT_EQ(fs.drives(drives), 0);
    EXPECT_TRUE(std::none_of(drives.begin(), drives.end(), [&](const Drive& d) { return d.root == point; }));
}

// A second stick plugged in while the first is pinned: drive A: names the new
// one, but the pinned disk stays the one the user answered the prompt for,
// until it is pulled or another volume is mounted in its place.
TEST_F(LoopDisk, APinnedDiskStaysDriveAUntilItIsPulledOrReplaced) {
    const std::string first = "/media/brindlecut first " + std::to_string(::getpid());
    const std::string second = "/media/brindlecut second " + std::to_string(::getpid());
    if (!mountAt(first)) GTEST_SKIP() << "mount -o loop is not permitted here";
    FileSystem& fs = systemFileSystem();
    PinnedDriveA drive(fs);
    ASSERT_EQ(drive.pin(), 0);
    std::string root;
    ASSERT_EQ(drive.root(root), 0);
    EXPECT_EQ(root, first);

    ASSERT_TRUE(mountAt(second));
    std::string a;
    ASSERT_EQ(fs.driveA(a), 0);
    EXPECT_EQ(a, second) << "the stick plugged in last is drive A:";
    ASSERT_EQ(drive.root(root), 0);
    EXPECT_EQ(root, first) << "the pinned disk does not move to the new stick";

    // Pulled: gone. Another disk in its place: changed. The same disk put
    // back: the pinned disk again.
    std::system(("umount " + shellQuoted(first)).c_str());
    EXPECT_EQ(drive.root(root), kDiskChanged);
    const std::string image = image_;
    image_ = images_ / "other.img";
    ASSERT_EQ(std::system(("truncate -s 2M " + shellQuoted(image_) + " && mke2fs -q -F " +
                           shellQuoted(image_) + " >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_TRUE(mountAt(first));
    EXPECT_EQ(drive.root(root), kDiskChanged);
    std::system(("umount " + shellQuoted(first)).c_str());
    image_ = image;
    ASSERT_TRUE(mountAt(first));
    ASSERT_EQ(drive.root(root), 0);
    EXPECT_EQ(root, first);
}

TEST_F(LoopDisk, OutsideMediaAFixedDiskIsAFixedDrive) {
    const std::string point = images_ / "disk";
    if (!mountAt(point)) GTEST_SKIP() << "mount -o loop is not permitted here";
    std::vector<Drive> drives;
    ASSERT_EQ(systemFileSystem().drives(drives), 0);
    const auto it =
        std::find_if(drives.begin(), drives.end(), [&](const Drive& d) { return d.root == point; });
    ASSERT_NE(it, drives.end());
    // Loop devices are not flagged removable.
    EXPECT_EQ(it->kind, DriveKind::Fixed);
}

}  // namespace
}  // namespace brindlecut
