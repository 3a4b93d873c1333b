#include "common/widgets/dir_list_box.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include "tests/support/temp_dir.h"

namespace brindlecut {
namespace {

using testing::TempDir;

QString q(const std::string& path) { return QDir::cleanPath(QString::fromStdString(path)); }

struct Row {
    QString text;
    QString path;
    int depth;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.text.toStdString() << " @" << row.depth << " " << row.path.toStdString();
}

std::vector<Row> rows(const DirListBox& list) {
    std::vector<Row> result;
    for (int i = 0; i < list.count(); ++i) {
        result.push_back(
            {list.item(i)->text(), list.rowPath(i), list.item(i)->data(DirListBox::DepthRole).toInt()});
    }
    return result;
}

// The rows expected for the open folder `open` with the given subfolder names.
std::vector<Row> expectedRows(const QString& open, const QStringList& subfolders) {
    std::vector<Row> result{{"/", "/", 0}};
    QString path;
    int depth = 0;
    for (const QString& part : open.split('/', Qt::SkipEmptyParts)) {
        path += "/" + part;
        result.push_back({part, path, ++depth});
    }
    for (const QString& name : subfolders) result.push_back({name, path + "/" + name, depth + 1});
    return result;
}

class DirListBoxTest : public ::testing::Test {
protected:
    DirListBoxTest() {
        alpha_ = q(temp_.mkdir("alpha"));
        temp_.mkdir("alpha/beta");
        temp_.mkdir("alpha/beta/deep");
        temp_.mkdir("alpha/Gamma");
        temp_.mkdir("alpha/.hidden");
        temp_.mkdir("alpha/a b");
        testing::writeFile(temp_ / "alpha/file.txt", "not a folder");
        list_.resize(300, 400);
        list_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list_));
    }

    int rowOf(const QString& path) {
        for (int i = 0; i < list_.count(); ++i) {
            if (list_.rowPath(i) == path) return i;
        }
        ADD_FAILURE() << "no row for " << path.toStdString();
        return -1;
    }

    QPoint rowCentre(int row) { return list_.visualItemRect(list_.item(row)).center(); }

    TempDir temp_;
    QString alpha_;
    DirListBox list_;
};

TEST_F(DirListBoxTest, ShowsAncestorsTheOpenFolderAndItsSubfoldersIndented) {
    ASSERT_TRUE(list_.setPath(alpha_));
    EXPECT_EQ(list_.path(), alpha_);
    // Hidden folders and files are left out; names sort without regard to case.
    EXPECT_EQ(rows(list_), expectedRows(alpha_, {"a b", "beta", "Gamma"}));
    EXPECT_EQ(list_.openRow(), rowOf(alpha_));
    EXPECT_EQ(list_.item(list_.openRow())->text(), "alpha");
    EXPECT_EQ(list_.highlightedPath(), alpha_);
}

TEST_F(DirListBoxTest, RootRowShowsTheRootPath) {
    ASSERT_TRUE(list_.setPath("/"));
    EXPECT_EQ(list_.path(), "/");
    EXPECT_EQ(list_.openRow(), 0);
    EXPECT_EQ(list_.item(0)->text(), "/");
    ASSERT_GT(list_.count(), 1);
    for (int i = 1; i < list_.count(); ++i) {
        EXPECT_EQ(list_.item(i)->data(DirListBox::DepthRole).toInt(), 1);
        EXPECT_EQ(list_.rowPath(i), "/" + list_.item(i)->text());
    }
}

TEST_F(DirListBoxTest, RefusesWhatIsNotAFolder) {
    ASSERT_TRUE(list_.setPath(alpha_));
    QSignalSpy changed(&list_, &DirListBox::pathChanged);
    for (const std::string& bad : {temp_ / "alpha/file.txt", temp_ / "missing", std::string()}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(list_.setPath(QString::fromStdString(bad)));
        EXPECT_EQ(list_.path(), alpha_);
    }
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(rows(list_), expectedRows(alpha_, {"a b", "beta", "Gamma"}));
}

TEST_F(DirListBoxTest, SingleClickOnlyHighlights) {
    ASSERT_TRUE(list_.setPath(alpha_));
    QSignalSpy changed(&list_, &DirListBox::pathChanged);
    const int beta = rowOf(alpha_ + "/beta");
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, rowCentre(beta));
    EXPECT_EQ(list_.path(), alpha_);
    EXPECT_EQ(list_.highlightedPath(), alpha_ + "/beta");
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(rows(list_), expectedRows(alpha_, {"a b", "beta", "Gamma"}));
}

TEST_F(DirListBoxTest, DoubleClickOpensAndSignalsTheChange) {
    ASSERT_TRUE(list_.setPath(alpha_));
    QSignalSpy changed(&list_, &DirListBox::pathChanged);
    const int beta = rowOf(alpha_ + "/beta");
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, rowCentre(beta));
    QTest::mouseDClick(list_.viewport(), Qt::LeftButton, {}, rowCentre(beta));
    EXPECT_EQ(list_.path(), alpha_ + "/beta");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), alpha_ + "/beta");
    EXPECT_EQ(rows(list_), expectedRows(alpha_ + "/beta", {"deep"}));

    // Up again through an ancestor row.
    const int temp = rowOf(q(temp_.path()));
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, rowCentre(temp));
    QTest::mouseDClick(list_.viewport(), Qt::LeftButton, {}, rowCentre(temp));
    EXPECT_EQ(list_.path(), q(temp_.path()));
    EXPECT_EQ(rows(list_), expectedRows(q(temp_.path()), {"alpha"}));
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(DirListBoxTest, EnterOpensTheHighlightedRow) {
    ASSERT_TRUE(list_.setPath(alpha_));
    QSignalSpy changed(&list_, &DirListBox::pathChanged);
    list_.setCurrentRow(rowOf(alpha_ + "/Gamma"));
    QTest::keyClick(&list_, Qt::Key_Return);
    EXPECT_EQ(list_.path(), alpha_ + "/Gamma");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(rows(list_), expectedRows(alpha_ + "/Gamma", {}));
}

TEST_F(DirListBoxTest, PathIsAReadWriteProperty) {
    QSignalSpy changed(&list_, &DirListBox::pathChanged);
    EXPECT_TRUE(list_.setProperty("Path", alpha_ + "/beta/../beta/"));
    EXPECT_EQ(list_.property("Path").toString(), alpha_ + "/beta");
    EXPECT_EQ(changed.count(), 1);
    // Opening the folder already open is no change.
    EXPECT_TRUE(list_.setProperty("Path", alpha_ + "/beta"));
    EXPECT_EQ(changed.count(), 1);
    list_.setProperty("Path", QString::fromStdString(temp_ / "alpha/file.txt"));
    EXPECT_EQ(list_.property("Path").toString(), alpha_ + "/beta");
    EXPECT_EQ(changed.count(), 1);
}

// The folder lists and the file dialog start where the user works: the
// current folder, but never the folder of the program itself (a program
// started from its build tree, or from a launcher that runs it there).
TEST(StartFolder, TheCurrentFolderOrHomeNeverTheProgramsOwn) {
    const QString before = QDir::currentPath();
    TempDir work;
    const QString workPath = QString::fromStdString(work.path());
    const struct {
        QString current;
        QString expected;
    } cases[] = {
        {workPath, workPath},
        {QCoreApplication::applicationDirPath(), QDir::homePath()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current.toStdString());
        ASSERT_TRUE(QDir::setCurrent(c.current));
        EXPECT_EQ(startFolder(), c.expected);
        EXPECT_EQ(DirListBox().path(), QDir::cleanPath(c.expected));
    }
    QDir::setCurrent(before);
}

}  // namespace
}  // namespace brindlecut
