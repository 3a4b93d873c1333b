#include "splitter/engine/earlier_split.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::FaultyFileSystem;
using testing::TempDir;
using testing::writeFile;

TEST(SplitNames, ThePiecesTheManifestAndTheChecksumOnly) {
    const struct {
        const char* name;
        bool taken;
    } cases[] = {
        {"report.doc.1", true},           {"report.doc.2", true},
        {"report.doc.10", true},          {"report.doc.32768", true},
        {"report.doc.99999999999", true}, {"report.doc.inf.vek", true},
        {"report.doc.xxh128", true},      {"report.doc", false},
        {"report.doc.", false},           {"report.doc.0", false},
        {"report.doc.01", false},         {"report.doc.1a", false},
        {"report.doc.-1", false},         {"report.doc.+1", false},
        {"report.doc.1.bak", false},      {"report.doc.inf", false},
        {"report.doc.vek", false},        {"report.doc.xxh64", false},
        {"report.docx.1", false},         {"Report.doc.1", false},
        {"xreport.doc.1", false},         {"report.doc.inf.vek.1", false},
        {"other.doc.1", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isSplitName("report.doc", c.name), c.taken) << c.name;
}

class EarlierSplit : public ::testing::Test {
protected:
    FaultyFileSystem fs;
    TempDir tmp;
};

TEST_F(EarlierSplit, AnyNameOfTheSetCounts) {
    for (const char* name :
         {"report.doc.1", "report.doc.3", "report.doc.12", "report.doc.inf.vek", "report.doc.xxh128"}) {
        TempDir folder;
        writeFile(folder / "unrelated.txt", "x");
        EXPECT_FALSE(earlierSplitIn(fs, folder.path(), "report.doc")) << name;
        writeFile(folder / name, "old");
        EXPECT_TRUE(earlierSplitIn(fs, folder.path(), "report.doc")) << name;
        EXPECT_FALSE(earlierSplitIn(fs, folder.path(), "other.doc")) << name;
    }
}

TEST_F(EarlierSplit, NamesOutsideTheSetDoNot) {
    for (const char* name :
         {"report.doc", "report.doc.0", "report.doc.01", "report.doc.1.bak", "report.doc.inf"})
        writeFile(tmp / name, "x");
    EXPECT_FALSE(earlierSplitIn(fs, tmp.path(), "report.doc"));
}

TEST_F(EarlierSplit, AFolderOfThatNameIsNoEarlierSplit) {
    tmp.mkdir("report.doc.2");
    tmp.mkdir("report.doc.inf.vek");
    EXPECT_FALSE(earlierSplitIn(fs, tmp.path(), "report.doc"));
}

// Links are looked at, not followed: wherever one points, and whether its
// target exists or not, its name is taken.
TEST_F(EarlierSplit, ALinkBearingSuchANameIsTaken) {
    const std::string target = tmp.mkdir("target");
    const struct {
        const char* name;
        std::string pointsTo;
    } cases[] = {
        {"report.doc.4", target},
        {"report.doc.inf.vek", target + "/nothing-here"},
        {"report.doc.xxh128", tmp / "unrelated"},
    };
    writeFile(tmp / "unrelated", "x");
    for (const auto& c : cases) {
        TempDir folder;
        ASSERT_EQ(::symlink(c.pointsTo.c_str(), (folder / c.name).c_str()), 0) << c.name;
        EXPECT_TRUE(earlierSplitIn(fs, folder.path(), "report.doc")) << c.name;
    }
}

TEST_F(EarlierSplit, AFolderThatCannotBeListedHoldsNone) {
    writeFile(tmp / "report.doc.1", "old");
    fs.failOn(testing::Op::List, EACCES);
    EXPECT_FALSE(earlierSplitIn(fs, tmp.path(), "report.doc"));
    EXPECT_TRUE(earlierSplitIn(fs, tmp.path(), "report.doc"));
    EXPECT_FALSE(earlierSplitIn(fs, tmp / "missing", "report.doc"));
}

}  // namespace
}  // namespace brindlecut
