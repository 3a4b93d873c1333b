// Diskette joins against real mounts: ext2 images loop-mounted under /media
// are the sticks in drive A:, in a private mount namespace so that nothing else on
// the machine sees them and they never meet another test's. Needs the right to
// mount (CI runs as root); skipped with the reason otherwise.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/contract.h"
#include "joiner/engine/diskette_join.h"
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

constexpr const char* kMedia = "/media";

class RealSticks : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
        if (::unshare(CLONE_NEWNS) != 0) GTEST_SKIP() << "no private mount namespace: " << reasonText(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "mounts cannot be made private: " << reasonText(errno);
        struct stat st {};
        if (::stat(kMedia, &st) != 0 || !S_ISDIR(st.st_mode)) GTEST_SKIP() << "there is no /media folder";
        // A fresh /media of our own: the machine's sticks, if any, are out of sight.
        if (::mount("tmpfs", kMedia, "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0755") != 0)
            GTEST_SKIP() << "tmpfs cannot be mounted: " << reasonText(errno);
        if (std::system("command -v mke2fs >/dev/null 2>&1 && command -v mount >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "mke2fs or mount is not installed";
    }

    // Plugs in a stick named `name` holding `files`; it becomes drive A:.
    std::string plugIn(const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& files) {
        const std::string point = std::string(kMedia) + "/" + name;
        const std::string image = images / name;
        ::mkdir(point.c_str(), 0755);
        const std::string make = "truncate -s 2M '" + image + "' && mke2fs -q -F '" + image +
                                 "' >/dev/null 2>&1 && mount -o loop '" + image + "' '" + point + "'";
        EXPECT_EQ(std::system(make.c_str()), 0) << make;
        for (const auto& [file, bytes] : files) writeFile(point + "/" + file, bytes);
        return point;
    }
    void pullOut(const std::string& point) { EXPECT_EQ(::umount2(point.c_str(), MNT_DETACH), 0) << point; }

    // The pieces of a 3-disk set of report.doc.
    std::vector<std::pair<std::string, std::string>> disk(int k) {
        std::vector<std::pair<std::string, std::string>> files{
            {pieceName("report.doc", k), data.substr(static_cast<std::size_t>(k - 1) * 700, 700)}};
        if (k == 1) files.emplace_back(manifestName("report.doc"), manifestBytes("report.doc", 3));
        return files;
    }

    TempDir images;
    const std::string data = patternBytes(3 * 700 - 50, 9);
    ScriptedPrompter prompter;
    TempDir dest;
};

// The machine's file system, which runs `plug` (one more stick) at the first
// look at a mounted volume once it is armed: that is, right after the user
// answered the next disk prompt, while the disk is being pinned.
class StickPluggedInAfterThePrompt final : public testing::ForwardingFileSystem {
public:
    std::function<void()> plug;
    Errno mountedVolume(const std::string& root, std::uint64_t& volume) override {
        if (plug) {
            auto run = std::move(plug);
            plug = nullptr;
            run();
        }
        return real_.mountedVolume(root, volume);
    }
};

TEST_F(RealSticks, DiskOneIsFoundBesideAnotherStickAndThePinnedDiskIsReadToTheEnd) {
    // A stick with a set of its own was plugged in before the joiner started.
    const std::string photos = plugIn(
        "photos", {{"photos.zip.inf.vek", manifestBytes("photos.zip", 4)}, {"photos.zip.1", "not ours"}});
    std::string disk1, disk2, disk3, late;
    prompter.onTell([&] { disk1 = plugIn("disk1", disk(1)); });
    StickPluggedInAfterThePrompt fs;

    DisketteJoinJob job;
    const Outcome read = readDisketteManifest(fs, prompter, job);
    ASSERT_TRUE(read.isDone()) << read.text();
    EXPECT_EQ(job.filename, "report.doc");
    EXPECT_EQ(job.piececount, 3);

    prompter.onTell([&] {
        pullOut(disk1);
        disk2 = plugIn("disk2", disk(2));
        // Another stick, holding a file named like piece 2, comes in just
        // after the user clicked OK: drive A: now names it.
        fs.plug = [&] { late = plugIn("late", {{"report.doc.2", "wrong"}}); };
    });
    prompter.onTell([&] {
        pullOut(disk2);
        disk3 = plugIn("disk3", disk(3));
    });
    const Outcome joined = joinFromDiskettes(fs, prompter, job, dest.path());
    ASSERT_TRUE(joined.isDone()) << joined.text();
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{"tell: Insert diskette #1 and click ok",
                                                        "tell: Insert diskette #2 and click OK",
                                                        "tell: Insert diskette #3 and click OK"}));
    EXPECT_EQ(readFile(dest / "report.doc"), data);
    EXPECT_FALSE(late.empty());
    EXPECT_EQ(readFile(late + "/report.doc.2"), "wrong");
    EXPECT_EQ(readFile(photos + "/photos.zip.1"), "not ours");
}

}  // namespace
}  // namespace brindlecut
