// Diskette splits against real mounts, so that the error classes come from the
// kernel rather than from a fake: a 1.44 MB tmpfs mounted under a temporary
// folder is the disk in drive A:, remounted read-only for a write-protected
// disk, unmounted for an empty drive, and filled up for a full one. Needs the
// right to mount (CI runs as root); skipped with the reason otherwise.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/contract.h"
#include "common/mounts.h"
#include "splitter/engine/diskette_split.h"
#include "tests/support/forwarding_file_system.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::listNames;
using testing::patternBytes;
using testing::readFile;
using testing::ScriptedPrompter;
using testing::TempDir;
using testing::writeFile;

using Names = std::vector<std::string>;

const std::string kDisk1 = "Please insert disk # 1 and click OK.  EXISTING DATA WILL BE ERASED IF NEED BE!!";
const std::string kLastDisk2 =
    "Please insert disk #  2 and click OK.  EXISTING DATA WILL BE ERASED IF NEED BE!!";
const std::string kProtected = "Disk is write protected.Correct it and click OK";
const std::string kInsert = "Insert diskette and click OK";
const std::string kUnknown = "Unknown diskette error.Change it and click OK";

std::string okCancel(const std::string& text, bool ok) {
    return "okcancel: " + text + (ok ? " -> OK" : " -> Cancel");
}

bool mounted(const std::string& point) {
    std::ifstream in("/proc/self/mountinfo");
    std::ostringstream text;
    text << in.rdbuf();
    for (const auto& entry : parseMountInfo(text.str()))
        if (entry.mountPoint == point) return true;
    return false;
}

constexpr const char* kDiskOptions = "size=1440k,mode=0755";

Errno mountDisk(const std::string& point) {
    return ::mount("tmpfs", point.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, kDiskOptions) == 0 ? 0 : errno;
}

Errno remount(const std::string& point, bool readOnly) {
    const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    return ::mount("tmpfs", point.c_str(), "tmpfs", flags, kDiskOptions) == 0 ? 0 : errno;
}

void unmount(const std::string& point) {
    if (::umount2(point.c_str(), 0) != 0) ::umount2(point.c_str(), MNT_DETACH);
}

// The machine's file system, with drive A: being the tmpfs folder while, and
// only while, something is mounted there, as a USB disk is.
class MountedDriveA final : public testing::ForwardingFileSystem {
public:
    explicit MountedDriveA(std::string point) : point_(std::move(point)) {}

    Errno drives(std::vector<Drive>& out) override {
        out = {Drive{"/", DriveKind::Fixed, 0}};
        real_.availableSpace("/", out[0].available);
        if (mounted(point_)) {
            Drive a{point_, DriveKind::Removable, 0};
            if (Errno e = real_.availableSpace(point_, a.available)) return e;
            out.push_back(a);
        }
        return 0;
    }
    Errno driveA(std::string& root) override {
        if (!mounted(point_)) return ENOMEDIUM;
        root = point_;
        return 0;
    }

private:
    std::string point_;
};

class RealDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mount(2) needs root, and this test runs as uid " << ::geteuid();
        point_ = tmp_.mkdir("a");
        if (Errno e = mountDisk(point_))
            GTEST_SKIP() << "mount(2) of a tmpfs is not permitted here: " << reasonText(e);
        unmount(point_);
        app_ = tmp_.mkdir("app");
        writeFile(app_ + "/join.exe", patternBytes(5000, 3));
    }
    void TearDown() override {
        // Disks mounted over one another come off one by one.
        for (int i = 0; i < 10 && !point_.empty() && mounted(point_); ++i) unmount(point_);
    }

    SplitJob job(std::int64_t filesize, std::int64_t piecesize) {
        source_ = patternBytes(filesize, 11);
        writeFile(tmp_ / "a.bin", source_);
        SplitJob j;
        j.sourcepath = tmp_ / "a.bin";
        j.filename = "a.bin";
        j.filesize = filesize;
        j.tofloppy = 1;
        j.piecesize = piecesize;
        j.piececount = static_cast<int>(pieceCount(filesize, piecesize));
        return j;
    }

    // Copies what is on the disk now into a folder of its own, as taking the disk out would keep it.
    std::string keep(const std::string& name) {
        const std::string folder = tmp_.mkdir(name);
        for (const auto& file : listNames(point_))
            writeFile(folder + "/" + file, readFile(point_ + "/" + file));
        return folder;
    }

    TempDir tmp_;
    std::string point_;
    std::string app_;
    std::string source_;
    ScriptedPrompter prompter_;
};

std::string grouped(std::int64_t value) {
    std::string digits = std::to_string(value), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

TEST_F(RealDisk, ReadOnlyDiskIsWriteProtectedAndAnUnmountedOneIsNotReady) {
    const SplitJob j = job(1'200'000, 700'000);  // 700,000 + 500,000 bytes
    ASSERT_EQ(mountDisk(point_), 0);
    writeFile(point_ + "/old.dat", patternBytes(1'000'000, 5));  // leaves less than a piece free
    ASSERT_EQ(remount(point_, true), 0);
    std::int64_t available = 0;
    ASSERT_EQ(systemFileSystem().availableSpace(point_, available), 0);
    ASSERT_LT(available, 700'000);

    std::string disk1;
    prompter_.ok()
        .answer(true)                                       // erase question
        .ok([&] { ASSERT_EQ(remount(point_, false), 0); })  // the tab is slid back
        .ok([&] {
            disk1 = keep("disk1");
            unmount(point_);  // disk 1 out, nothing in
        })
        .ok([&] { ASSERT_EQ(mountDisk(point_), 0); });
    MountedDriveA fs(point_);
    const Outcome outcome = splitToDiskettes(fs, prompter_, j, app_);
    ASSERT_TRUE(outcome.isDone()) << outcome.text();

    EXPECT_EQ(prompter_.shown,
              (std::vector<std::string>{
                  okCancel(kDisk1, true),
                  "yesno: Drive A: (" + point_ + ", " + grouped(available) +
                      " bytes free) is to be erased to make room for the next piece (700,000 bytes). Erase "
                      "everything on it? -> Yes",
                  okCancel(kProtected, true), okCancel(kLastDisk2, true), okCancel(kInsert, true)}));
    EXPECT_EQ(listNames(disk1), (Names{"a.bin.1", "a.bin.inf.vek", "a.bin.xxh128", "help.txt", "join.exe"}));
    EXPECT_EQ(readFile(disk1 + "/a.bin.inf.vek"), "a.bin\r\n 2 \r\n");
    EXPECT_EQ(readFile(disk1 + "/help.txt"), helpText());
    EXPECT_EQ(readFile(disk1 + "/join.exe"), readFile(app_ + "/join.exe"));
    EXPECT_EQ(listNames(point_), (Names{"a.bin.2", "a.bin.xxh128"}));
    EXPECT_TRUE(readFile(disk1 + "/a.bin.1") + readFile(point_ + "/a.bin.2") == source_);
}

TEST_F(RealDisk, ReadOnlyDiskAndCancelEndsTheSplit) {
    const SplitJob j = job(1'200'000, 700'000);
    ASSERT_EQ(mountDisk(point_), 0);
    ASSERT_EQ(remount(point_, true), 0);
    prompter_.ok().cancel();
    MountedDriveA fs(point_);
    EXPECT_TRUE(splitToDiskettes(fs, prompter_, j, app_).isCancelled());
    EXPECT_EQ(prompter_.shown,
              (std::vector<std::string>{okCancel(kDisk1, true), okCancel(kProtected, false)}));
    EXPECT_EQ(listNames(point_), Names{});
}

TEST_F(RealDisk, EmptyDriveAndCancelEndsTheSplit) {
    const SplitJob j = job(1'200'000, 700'000);
    prompter_.ok().cancel();
    MountedDriveA fs(point_);
    EXPECT_TRUE(splitToDiskettes(fs, prompter_, j, app_).isCancelled());
    EXPECT_EQ(prompter_.shown, (std::vector<std::string>{okCancel(kDisk1, true), okCancel(kInsert, false)}));
    EXPECT_EQ(listNames(point_), Names{});  // nothing written into the bare mount folder
}

TEST_F(RealDisk, AFullDiskIsAnUnknownErrorAndCancelTakesTheCutPieceAway) {
    // A piece of 1,500,000 bytes does not fit on 1,474,560.
    const SplitJob j = job(3'000'000, 1'500'000);
    ASSERT_EQ(mountDisk(point_), 0);
    std::vector<std::string> onDiskWhenAsked;
    prompter_.ok().cancel([&] { onDiskWhenAsked = listNames(point_); });
    MountedDriveA fs(point_);
    EXPECT_TRUE(splitToDiskettes(fs, prompter_, j, app_).isCancelled());
    EXPECT_EQ(prompter_.shown, (std::vector<std::string>{okCancel(kDisk1, true), okCancel(kUnknown, false)}));
    EXPECT_EQ(onDiskWhenAsked, (Names{"a.bin.1", "a.bin.inf.vek", "help.txt", "join.exe"}));
    EXPECT_EQ(listNames(point_), (Names{"a.bin.inf.vek", "help.txt", "join.exe"}));
}

// Two removable volumes under /media, as a desktop mounts sticks, in a mount
// namespace of the test's own so that no other test or program sees them:
// drive A: is the machine's own lookup, not a stand-in.
class TwoSticks : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mount(2) needs root, and this test runs as uid " << ::geteuid();
        if (::unshare(CLONE_NEWNS) != 0)
            GTEST_SKIP() << "a mount namespace of its own is not permitted here: " << reasonText(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "mounts cannot be made private here: " << reasonText(errno);
        ::mkdir("/media", 0755);
        // A fresh /media, seen only in this namespace.
        if (::mount("tmpfs", "/media", "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") != 0)
            GTEST_SKIP() << "mount(2) of a tmpfs is not permitted here: " << reasonText(errno);
        mediaMounted_ = true;
        if (std::system("command -v mke2fs >/dev/null 2>&1") != 0) GTEST_SKIP() << "mke2fs is not installed";
        ::mkdir(kDisk, 0755);
        ::mkdir(kPhotos, 0755);
        app_ = tmp_.mkdir("app");
        writeFile(app_ + "/join.exe", patternBytes(5000, 3));
    }
    void TearDown() override {
        for (const char* point : {kDisk, kPhotos})
            for (int i = 0; i < 10 && mounted(point); ++i) unmount(point);
        if (mediaMounted_) unmount("/media");
    }

    // Mounts a fresh 2 MB ext2 stick at `point`, as a desktop mounts a USB disk.
    ::testing::AssertionResult plugIn(const char* point) {
        const std::string image = tmp_ / ("stick" + std::to_string(++sticks_) + ".img");
        const std::string command = "truncate -s 2M '" + image + "' && mke2fs -q -F '" + image +
                                    "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + point +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0 || !mounted(point))
            return ::testing::AssertionFailure() << "cannot mount an ext2 image at " << point;
        return ::testing::AssertionSuccess();
    }

    // A file of 1,200,000 bytes, split for disks into 700,000 + 500,000, on a
    // stick at kDisk too full for a piece, so that the erase question comes.
    SplitJob prepare(const std::string& source) {
        writeFile(tmp_ / "a.bin", source);
        SplitJob job;
        job.sourcepath = tmp_ / "a.bin";
        job.filename = "a.bin";
        job.filesize = 1'200'000;
        job.tofloppy = 1;
        job.piecesize = 700'000;
        job.piececount = 2;
        EXPECT_TRUE(plugIn(kDisk));
        writeFile(std::string(kDisk) + "/old.dat", patternBytes(1'400'000, 5));
        return job;
    }

    int sticks_ = 0;
    static constexpr const char* kDisk = "/media/disk";
    static constexpr const char* kPhotos = "/media/photos";
    TempDir tmp_;
    std::string app_;
    bool mediaMounted_ = false;
    ScriptedPrompter prompter_;
};

// The stick plugged in while the erase question about disk 1 is up becomes
// the newest removable volume, which is what drive A: means at a prompt; but
// disk 1 was pinned when the user answered its prompt, so the erase, the
// sweep, the extras and piece 1 all go to disk 1, and the stick keeps its
// "photos.zip.inf.vek". Disk 2, mounted at its own prompt, takes piece 2.
TEST_F(TwoSticks, AStickPluggedInWhileDiskOneIsPinnedIsNeverTouched) {
    const std::string source = patternBytes(1'200'000, 11);
    const SplitJob job = prepare(source);
    if (HasFailure()) return;
    std::int64_t available = 0;
    ASSERT_EQ(systemFileSystem().availableSpace(kDisk, available), 0);
    ASSERT_LT(available, 700'000) << "too little room for a piece: the erase question comes";

    std::string disk1;
    prompter_.ok()
        .answer(true,
                [&] {
                    ASSERT_TRUE(plugIn(kPhotos));
                    writeFile(std::string(kPhotos) + "/photos.zip.inf.vek", "not ours");
                    writeFile(std::string(kPhotos) + "/photos.zip.1", "not ours either");
                    std::string a;
                    ASSERT_EQ(systemFileSystem().driveA(a), 0);
                    ASSERT_EQ(a, kPhotos) << "the stick plugged in last is what drive A: names";
                })
        .ok([&] {
            disk1 = tmp_.mkdir("disk1");
            for (const auto& file : listNames(kDisk))
                writeFile(disk1 + "/" + file, readFile(std::string(kDisk) + "/" + file));
            unmount(kDisk);
            ASSERT_TRUE(plugIn(kDisk));  // disk 2, the newest volume now
        });

    const Outcome outcome = splitToDiskettes(systemFileSystem(), prompter_, job, app_);

    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    ASSERT_EQ(prompter_.shown.size(), 3u);
    EXPECT_EQ(prompter_.shown[0], okCancel(kDisk1, true));
    EXPECT_EQ(prompter_.shown[1].rfind("yesno: Drive A: (/media/disk, ", 0), 0u) << prompter_.shown[1];
    EXPECT_EQ(prompter_.shown[2], okCancel(kLastDisk2, true));
    EXPECT_EQ(listNames(kPhotos), (Names{"lost+found", "photos.zip.1", "photos.zip.inf.vek"}));
    EXPECT_EQ(readFile(std::string(kPhotos) + "/photos.zip.inf.vek"), "not ours");
    EXPECT_EQ(listNames(disk1), (Names{"a.bin.1", "a.bin.inf.vek", "a.bin.xxh128", "help.txt", "join.exe"}));
    EXPECT_EQ(listNames(kDisk), (Names{"a.bin.2", "a.bin.xxh128", "lost+found"}));
    EXPECT_TRUE(readFile(disk1 + "/a.bin.1") + readFile(std::string(kDisk) + "/a.bin.2") == source);
}

// A disk pulled while a question about it is up, and another mounted in its
// place: the disk's prompt comes again, and the disk answered then gets the
// whole of disk 1.
TEST_F(TwoSticks, ADiskReplacedWhileAQuestionIsUpIsAskedForAgain) {
    const std::string source = patternBytes(1'200'000, 12);
    const SplitJob job = prepare(source);
    if (HasFailure()) return;

    prompter_.ok()
        .answer(true,
                [&] {
                    unmount(kDisk);
                    ASSERT_TRUE(plugIn(kDisk));  // another disk at the same place
                    writeFile(std::string(kDisk) + "/notes.txt", "notes");
                })
        .ok()
        .ok([&] {
            unmount(kDisk);
            ASSERT_TRUE(plugIn(kDisk));
        });

    const Outcome outcome = splitToDiskettes(systemFileSystem(), prompter_, job, app_);

    ASSERT_TRUE(outcome.isDone()) << outcome.text();
    ASSERT_EQ(prompter_.shown.size(), 4u);
    EXPECT_EQ(prompter_.shown[0], okCancel(kDisk1, true));
    EXPECT_EQ(prompter_.shown[2], okCancel(kDisk1, true)) << "asked for again";
    EXPECT_EQ(prompter_.shown[3], okCancel(kLastDisk2, true));
    EXPECT_EQ(listNames(kDisk), (Names{"a.bin.2", "a.bin.xxh128", "lost+found"}));
}

}  // namespace
}  // namespace brindlecut
