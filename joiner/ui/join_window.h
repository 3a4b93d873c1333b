// The joiner's only window `Form1`: it asks where the split files are (a
// manifest in a folder, or a set of diskettes in drive A:), then opens the
// destination frame, where the user picks a fixed drive and a folder and
// presses ACCEPT to rebuild the file. A completed join closes the window, and
// with it the program.
#pragma once

#include <QMainWindow>
#include <span>
#include <vector>

#include "common/platform.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/twips.h"
#include "joiner/engine/diskette_join.h"
#include "joiner/engine/folder_join.h"

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace brindlecut {

class DirListBox;

// Client area of the window, in twips.
inline constexpr int kJoinWindowWidth = 5280;
inline constexpr int kJoinWindowHeight = 4725;

inline constexpr const char* kJoinCaption = "Brindlecut - join";
inline constexpr const char* kJoinHeading = "  Where are the split files?  ";
inline constexpr const char* kFrameCaption = "CHOOSE FILE DESTINATION";
inline constexpr const char* kManifestDialogTitle = "Please select the .vek file you wish to join";
inline constexpr const char* kCreditLine = "Brindlecut v1.0 by the Brindlecut developers";
inline constexpr const char* kFolderJoined = "Files have been joined successfully!!";
inline constexpr const char* kDisketteJoined = "files have been joined successfully";
inline constexpr const char* kNoFixedDrive = "No fixed drive was found to hold the joined file.";

// Every control of the window as placed at design time.
std::span<const ControlSpec> joinWindowLayout();

class JoinWindow : public QMainWindow {
    Q_OBJECT

public:
    // The window deletes itself when closed; create it with new.
    JoinWindow(FileSystem& fs, Dialogs& dialogs, QWidget* parent = nullptr);

    // The client area, which holds the controls and whose bare background rests the buttons.
    QWidget* form() const { return form_; }

    // HARD DRIVE on a manifest already chosen (given to the program, or opened
    // from the file manager): reads it and opens the destination frame; a file
    // that cannot be read or is no manifest is told, and the window stays at
    // the choice of source.
    void openManifest(const QString& path);

private:
    enum class Source { Folder, Diskette };

    void Form_Load();
    void hdd_Click();
    void fdd_Click();
    void List1_Click();
    void cmdaccept_Click();
    void fddaccept_Click();
    void cmdcancel_Click();

    // Shows the frame with the ACCEPT of `source` and the fixed drives; false
    // (after saying so) when there is no fixed drive to offer.
    bool openDestinationFrame(Source source);
    // Tells what a finished join has to say and, once the file is rebuilt, ends the program.
    void finishJoin(const Outcome& outcome, const char* successText);

    FileSystem& fs_;
    // Every drive, removable ones too, as the destination frame found them: a
    // drive opens at the current folder only when no other drive holds it.
    std::vector<Drive> drives_;
    Dialogs& dialogs_;
    FolderJoinJob folderJob_;
    DisketteJoinJob disketteJob_;

    QWidget* form_ = nullptr;
    QLabel* Label1_ = nullptr;  // "  Where are the split files?  "
    QPushButton* hdd_ = nullptr;
    QPushButton* fdd_ = nullptr;
    QGroupBox* Frame1_ = nullptr;  // the destination frame, "CHOOSE FILE DESTINATION"
    DirListBox* Dir1_ = nullptr;   // the folder list
    QPushButton* cmdaccept_ = nullptr;
    QPushButton* cmdcancel_ = nullptr;
    QListWidget* List1_ = nullptr;  // the drive list
    QPushButton* fddaccept_ = nullptr;
    QMenu* mnuauthor_ = nullptr;
    QAction* mnudet_ = nullptr;
};

}  // namespace brindlecut
