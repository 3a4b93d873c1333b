#include "common/mounts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace brindlecut {
namespace {

// A laptop: an ext4 root, a separate /home, an EFI partition, a USB stick with
// a blank in its label under /media, an SD card mounted by hand, a bind mount
// of a folder of the root disk, snaps, kernel file systems, a network share and
// a tmpfs.
constexpr const char* kLaptop =
    "22 28 0:21 / /proc rw,relatime shared:12 - proc proc rw\n"
    "23 28 0:22 / /sys rw,relatime shared:2 - sysfs sysfs rw\n"
    "24 28 0:5 / /dev rw,nosuid shared:8 - devtmpfs udev rw,size=8000000k\n"
    "28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "30 28 8:3 / /home rw,relatime shared:20 - ext4 /dev/sda3 rw\n"
    "31 28 0:26 / /run rw,nosuid shared:5 - tmpfs tmpfs rw,size=1600000k\n"
    "40 28 7:3 / /snap/core/123 ro,nodev,relatime shared:30 - squashfs /dev/loop3 ro\n"
    "41 28 8:2 /srv/data /mnt/data rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "42 28 0:50 / /mnt/share rw,relatime shared:40 - cifs //server/share rw\n"
    "43 28 8:1 / /boot/efi rw,relatime shared:21 - vfat /dev/sda1 rw\n"
    "50 31 8:17 / /media/ann/MY\\040STICK rw,nosuid,nodev shared:60 - vfat /dev/sdb1 rw\n"
    "51 28 179:1 / /mnt/sd rw,relatime shared:61 - exfat /dev/mmcblk0p1 rw\n"
    "52 31 0:60 / /run/user/1000 rw,nosuid shared:62 - tmpfs tmpfs rw\n";

struct Machine {
    std::set<std::pair<unsigned, unsigned>> removableDevices;
    std::set<std::string> notFolders;
    MountProbe probe() const {
        return MountProbe{[this](const MountInfoEntry& m) {
                              return removableDevices.count({m.major, m.minor}) > 0;
                          },
                          [this](const std::string& path) { return notFolders.count(path) == 0; }};
    }
};

std::vector<std::string> describe(const std::vector<Volume>& volumes) {
    std::vector<std::string> out;
    for (const auto& v : volumes) out.push_back(v.path + (v.removable ? " removable" : " fixed"));
    return out;
}

TEST(ParseMountInfo, TakesEveryFieldAndUndoesEscapes) {
    const auto entries = parseMountInfo(
        "50 31 8:17 /sub\\134dir /media/ann/MY\\040STICK\\011x rw,nosuid shared:60 master:3 - vfat "
        "/dev/disk\\040one rw\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].major, 8u);
    EXPECT_EQ(entries[0].minor, 17u);
    EXPECT_EQ(entries[0].root, "/sub\\dir");
    EXPECT_EQ(entries[0].mountPoint, "/media/ann/MY STICK\tx");
    EXPECT_EQ(entries[0].type, "vfat");
    EXPECT_EQ(entries[0].source, "/dev/disk one");
}

TEST(ParseMountInfo, WithoutOptionalFieldsAndWithoutFinalNewline) {
    const auto entries = parseMountInfo("27 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].mountPoint, "/");
    EXPECT_EQ(entries[0].type, "ext4");
    EXPECT_EQ(entries[0].source, "/dev/vda");
    EXPECT_EQ(entries[0].major, 254u);
}

TEST(ParseMountInfo, SkipsLinesThatAreNotMounts) {
    const auto entries = parseMountInfo(
        "\n"
        "garbage\n"
        "1 2 8:1 / /a rw shared:1 no dash here at all\n"
        "1 2 x:y / /b rw - ext4 /dev/sdb rw\n"
        "1 2 8:1 / /c rw - ext4\n"
        "3 4 8:2 / /ok rw - ext4 /dev/sdc rw\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].mountPoint, "/ok");
}

TEST(UnescapeMountField, KeepsBackslashesThatAreNotEscapes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a\\040b", "a b"},   {"\\134", "\\"},      {"end\\04", "end\\04"}, {"x\\9999", "x\\9999"},
        {"\\040\\040", "  "}, {"tail\\", "tail\\"}, {"\\012", "\n"},        {"plain", "plain"},
    };
    for (const auto& [in, want] : cases) EXPECT_EQ(unescapeMountField(in), want) << in;
}

TEST(VolumesOf, LaptopGivesItsDisksAndMarksTheRemovableOnes) {
    Machine machine;
    machine.removableDevices = {{179, 1}};  // the SD card reader flags its card
    const auto volumes = volumesOf(parseMountInfo(kLaptop), machine.probe());
    EXPECT_EQ(describe(volumes),
              (std::vector<std::string>{"/ fixed", "/home fixed", "/media/ann/MY STICK removable",
                                        "/mnt/sd removable"}));
}

TEST(VolumesOf, RootIsNeverRemovableEvenOnAFlaggedDevice) {
    // A system started from a USB stick: erasing "drive A:" must never mean the system disk.
    Machine machine;
    machine.removableDevices = {{8, 2}};
    const auto volumes = volumesOf(parseMountInfo(kLaptop), machine.probe());
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes[0].path, "/");
    EXPECT_FALSE(volumes[0].removable);
}

TEST(VolumesOf, BindMountsOnlyWhereTheDeviceIsNotShownWhole) {
    // In a container the root is an overlay and the host's disk appears only
    // through bind mounts: a folder (/work) is a drive, a bound file is not.
    const char* container =
        "600 500 0:80 / / rw,relatime - overlay overlay rw,lowerdir=/a,upperdir=/b\n"
        "601 600 8:1 /var/lib/docker/containers/abc/hosts /etc/hosts rw - ext4 /dev/sda1 rw\n"
        "602 600 8:1 /home/ann/work /work rw - ext4 /dev/sda1 rw\n"
        "603 600 8:1 /home/ann/cache /cache rw - ext4 /dev/sda1 rw\n";
    Machine machine;
    machine.notFolders = {"/etc/hosts"};
    EXPECT_EQ(describe(volumesOf(parseMountInfo(container), machine.probe())),
              (std::vector<std::string>{"/ fixed", "/work fixed", "/cache fixed"}));

    // Btrfs subvolumes: no mount of the device has root "/", so each is kept.
    const char* btrfs =
        "28 1 0:31 /@ / rw,relatime - btrfs /dev/nvme0n1p2 rw,subvol=/@\n"
        "29 28 0:31 /@home /home rw,relatime - btrfs /dev/nvme0n1p2 rw,subvol=/@home\n";
    EXPECT_EQ(describe(volumesOf(parseMountInfo(btrfs), machine.probe())),
              (std::vector<std::string>{"/ fixed", "/home fixed"}));

    // A bind mount of a folder on a USB stick that is itself mounted whole is not a second drive.
    const char* boundStick =
        "28 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
        "50 28 8:17 / /media/ann/STICK rw - vfat /dev/sdb1 rw\n"
        "51 28 8:17 /photos /home/ann/photos rw - vfat /dev/sdb1 rw\n";
    EXPECT_EQ(describe(volumesOf(parseMountInfo(boundStick), machine.probe())),
              (std::vector<std::string>{"/ fixed", "/media/ann/STICK removable"}));
}

TEST(VolumesOf, ALaterMountOnTheSamePathHidesTheEarlierOne) {
    const char* text =
        "28 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
        "50 28 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
        "51 50 0:90 / /media/usb rw - tmpfs tmpfs rw\n"
        "52 28 8:33 / /mnt/disk rw - ext4 /dev/sdc1 rw\n"
        "53 52 8:49 / /mnt/disk rw - xfs /dev/sdd1 rw\n";
    Machine machine;
    // The stick is hidden under a tmpfs, which is no drive; /mnt/disk shows the second disk.
    EXPECT_EQ(describe(volumesOf(parseMountInfo(text), machine.probe())),
              (std::vector<std::string>{"/ fixed", "/mnt/disk fixed"}));
}

TEST(VolumesOf, KindOfFileSystemDecidesWhatIsADisk) {
    struct Case {
        const char* line;
        bool drive;
    };
    const std::vector<Case> cases = {
        {"9 1 8:33 / /mnt/x rw - ext4 /dev/sdc1 rw", true},
        {"9 1 8:33 / /mnt/x rw - xfs /dev/sdc1 rw", true},
        {"9 1 8:33 / /mnt/x rw - fuseblk /dev/sdc1 rw", true},  // NTFS through FUSE
        {"9 1 0:55 / /mnt/x rw - zfs rpool/data rw", true},
        {"9 1 0:55 / /mnt/x rw - tmpfs tmpfs rw", false},
        {"9 1 0:55 / /mnt/x rw - tmpfs /dev/fake rw", false},
        {"9 1 0:55 / /mnt/x rw - nfs4 server:/export rw", false},
        {"9 1 0:55 / /mnt/x rw - fuse.sshfs ann@host:/ rw", false},
        {"9 1 0:55 / /mnt/x rw - cgroup2 cgroup2 rw", false},
        {"9 1 0:55 / /mnt/x rw - overlay overlay rw", false},
        {"9 1 7:4 / /mnt/x ro - squashfs /dev/loop4 ro", false},
        {"9 1 0:55 / /media/x rw - proc proc rw", false},  // under /media but no disk
        {"9 1 8:1 / /boot rw - ext4 /dev/sda1 rw", false},
        {"9 1 8:1 / /boot/efi rw - vfat /dev/sda1 rw", false},
        {"9 1 8:1 / /efi rw - vfat /dev/sda1 rw", false},
        {"9 1 8:1 / /bootstrap rw - ext4 /dev/sda1 rw", true},
    };
    Machine machine;
    for (const auto& c : cases) {
        const std::string text = std::string("1 0 8:2 / / rw - ext4 /dev/sda2 rw\n") + c.line + "\n";
        const auto volumes = volumesOf(parseMountInfo(text), machine.probe());
        EXPECT_EQ(volumes.size(), c.drive ? 2u : 1u) << c.line;
    }
}

TEST(VolumesOf, MediaFoldersAreRemovableWhateverTheDeviceFlag) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"/media/ann/DISK", true}, {"/run/media/ann/DISK", true}, {"/media", false},
        {"/mnt/media/x", false},   {"/mediaplayer", false},       {"/run/mediafiles", false},
    };
    Machine machine;
    for (const auto& [path, removable] : cases) {
        const std::string text =
            "1 0 8:2 / / rw - ext4 /dev/sda2 rw\n2 1 8:33 / " + path + " rw - ext4 /dev/sdc1 rw\n";
        const auto volumes = volumesOf(parseMountInfo(text), machine.probe());
        ASSERT_EQ(volumes.size(), 2u) << path;
        EXPECT_EQ(volumes[1].removable, removable) << path;
    }
}

}  // namespace
}  // namespace brindlecut
