// The source window `form1`: its load step asks for the file to split and shows
// the file's path, size and date; the user then chooses where the pieces go
// (FLOPPY DISKETTE, or HARD DRIVE with a drive, a folder and DONE) and the
// window hands the split job over to the size window. BACK returns to the
// start window. Only the split job outlives the window.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/widgets/dir_list_box.h"
#include "common/widgets/twips.h"
#include "splitter/ui/splitter_context.h"

namespace brindlecut {

class SourceWindow : public QWidget {
    Q_OBJECT

public:
    explicit SourceWindow(SplitterContext& context);

    static std::span<const ControlSpec> controlTable();
    static constexpr int kClientWidth = 5760;
    static constexpr int kClientHeight = 5970;

    // The size written as the platform's default conversion of a double: at
    // most 15 significant digits, no trailing zeros, no grouping, the user's
    // decimal separator.
    static QString sizeNumber(double value);
    // The number and the unit text of a file size ("1.5  kilobytes").
    static QString sizeWithUnit(std::int64_t filesize);
    // A file's last-write time in the user's short date and long time, the
    // time left out at midnight.
    static QString fileDate(std::int64_t secondsSinceEpoch);

    // The load step, with `file` instead of the file dialog when it is not
    // empty. Returns false when the window ends in it (no file taken, or the
    // file refused with a message); the navigator then leaves it.
    bool Form_Load(const QString& file = QString());

private:
    void hdd_Click();
    void List1_Click();
    void done_Click();
    void cancel_Click();
    void fdd_Click();
    void cmdnext_Click();
    void Command1_Click();

    SplitterContext& context_;
    // Every drive, removable ones too, as HARD DRIVE found them: a drive opens
    // at the current folder only when no other drive holds it.
    std::vector<Drive> allDrives_;
    QLabel* Label2_ = nullptr;  // the file information
    QLabel* Label3_ = nullptr;  // "FILE INFORMATION"
    QLabel* Label4_ = nullptr;  // "where do you want to split the files ?"
    QPushButton* hdd_ = nullptr;
    QPushButton* fdd_ = nullptr;
    DirListBox* Dir1_ = nullptr;  // the folder list
    QPushButton* done_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QListWidget* List1_ = nullptr;     // the drive list
    QPushButton* Command1_ = nullptr;  // BACK
    QPushButton* cmdnext_ = nullptr;
};

}  // namespace brindlecut
