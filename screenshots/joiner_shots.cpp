// Renders the joiner's window in each of its states, offscreen, into PNG files
// in the folder named by the first argument: as it comes up, with the
// destination frame opened for a folder and for diskettes, with a button under
// the pointer, and with the progress dialog of a long join over it. The window
// is driven as a user would drive it, with the file dialog and the disk prompts
// answered from a script.
#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "common/contract.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/dir_list_box.h"
#include "common/widgets/hover.h"
#include "joiner/ui/join_window.h"
#include "screenshots/shots_support.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace brindlecut;
using namespace brindlecut::shots;

// A fixed place rather than a fresh temporary folder, so that the paths shown
// in the pictures are the same on every run.
QString kRoot;

void writeSet(const std::string& folder, int pieces) {
    for (int i = 1; i <= pieces; ++i) {
        testing::writeFile(pathInFolder(folder, pieceName("report.doc", i)), testing::patternBytes(1000, i));
    }
    testing::writeFile(pathInFolder(folder, manifestName("report.doc")), manifestBytes("report.doc", pieces));
}

void run() {
    std::filesystem::remove_all(kRoot.toStdString());
    const QString pieces = kRoot + "/pieces";
    const QString joined = kRoot + "/joined";
    const QString disk1 = kRoot + "/disk1";
    for (const QString& folder : {pieces, joined, disk1}) QDir().mkpath(folder);
    writeSet(pieces.toStdString(), 3);
    writeSet(disk1.toStdString(), 1);

    testing::FaultyFileSystem fs;
    fs.setDrives({Drive{kRoot.toStdString(), DriveKind::Fixed, 40000000000}});
    fs.setDriveA(std::nullopt);
    testing::ScriptedDialogs dialogs;

    auto* form = new JoinWindow(fs, dialogs);
    form->show();
    shoot(form, "joiner_start.png");

    dialogs.fileAnswer(pieces + "/report.doc.inf.vek");
    click(form, "hdd");
    control<DirListBox>(form, "Dir1")->setPath(joined);
    shoot(form, "joiner_folder.png");

    hover(control<QPushButton>(form, "cmdaccept"));
    shoot(form, "joiner_hover.png");
    shootProgress(form, "join", "report.doc", "joiner_progress.png");
    rest({control<QPushButton>(form, "cmdaccept")});

    click(form, "cmdcancel");
    dialogs.onTell([&] { fs.setDriveA(disk1.toStdString()); });
    click(form, "fdd");
    control<DirListBox>(form, "Dir1")->setPath(joined);
    shoot(form, "joiner_diskette.png");

    if (dialogs.texts != std::vector<std::string>{"Insert diskette #1 and click ok"}) {
        throw std::runtime_error("unexpected message: " + dialogs.texts.back());
    }
    form->close();
    settle();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kRoot = QDir::tempPath() + "/brindlecut-joiner-screenshots";
    return renderAll(argc, argv, "joiner_shots", kRoot, run);
}
