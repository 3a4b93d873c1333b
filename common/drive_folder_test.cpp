#include "common/drive_folder.h"

#include <gtest/gtest.h>

namespace brindlecut {
namespace {

TEST(OpeningFolder, IsTheCurrentFolderOnlyOnTheDriveThatHoldsIt) {
    const std::vector<Drive> drives = {
        {"/", DriveKind::Fixed, 0}, {"/home", DriveKind::Fixed, 0}, {"/media/usb", DriveKind::Removable, 0}};
    const struct {
        const char* root;
        const char* current;
        const char* opens;
    } cases[] = {
        {"/", "/work/main", "/work/main"},
        {"/home", "/work/main", "/home"},
        {"/", "/home/ann/docs", "/"},  // /home is a drive of its own
        {"/home", "/home/ann/docs", "/home/ann/docs"},
        {"/home", "/home", "/home"},
        {"/home", "/homework/x", "/home"},  // a longer name is not inside /home
        {"/", "/homework/x", "/homework/x"},
        {"/", "/media/usb/pieces", "/"},  // the current folder lies on the removable drive
        {"/media/usb", "/media/usb/pieces", "/media/usb/pieces"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(openingFolder(drives, c.root, c.current), c.opens) << c.root << " " << c.current;
}

TEST(OpeningFolder, IsTheRootWhenTheDriveListDoesNotHoldTheCurrentFolder) {
    EXPECT_EQ(openingFolder({{"/data", DriveKind::Fixed, 0}}, "/data", "/work"), "/data");
    EXPECT_EQ(openingFolder({}, "/data", "/data/x"), "/data");
}

}  // namespace
}  // namespace brindlecut
