// Renders each of the splitter's windows in each of its states, offscreen, into
// PNG files in the folder named by the first argument. The windows are driven
// as a user would drive them, with the file dialog answered from a script, so
// that every picture shows a state the program really reaches.
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "common/platform.h"
#include "common/widgets/dialogs.h"
#include "common/widgets/dir_list_box.h"
#include "screenshots/shots_support.h"
#include "splitter/ui/splitter_context.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace brindlecut;
using namespace brindlecut::shots;

// A fixed place rather than a fresh temporary folder, so that the paths shown
// in the pictures are the same on every run.
QString kRoot;

QWidget* window(const char* name) {
    settle();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
    }
    throw std::runtime_error(std::string("window not on screen: ") + name);
}

void typeSize(QWidget* form, const char* size, int unitItem) {
    control<QLineEdit>(form, "Textsize")->setText(QString::fromLatin1(size));
    control<QComboBox>(form, "Combosize")->setCurrentIndex(unitItem);
}

void run() {
    std::filesystem::remove_all(kRoot.toStdString());
    const QString data = kRoot + "/documents";
    const QString out = kRoot + "/pieces";
    QDir().mkpath(data);
    QDir().mkpath(out);
    QDir().mkpath(kRoot + "/pictures");
    const QString source = data + "/report.doc";
    testing::writeFile(source.toStdString(), testing::patternBytes(2500000));
    {
        QFile file(source);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)), QFileDevice::FileModificationTime);
    }

    testing::FaultyFileSystem fs;
    fs.setDrives({Drive{kRoot.toStdString(), DriveKind::Fixed, 40000000000}});
    testing::ScriptedDialogs dialogs;
    SplitterContext context{SplitJob{}, fs, dialogs, kRoot.toStdString()};

    context.navigator.toIntro();
    QWidget* intro = window("intro");
    shoot(intro, "splitter_start.png");

    dialogs.fileAnswer(source);
    click(intro, "Command1");
    QWidget* form1 = window("form1");
    shoot(form1, "splitter_source.png");

    click(form1, "hdd");
    control<DirListBox>(form1, "Dir1")->setPath(out);
    shoot(form1, "splitter_source_folder.png");

    click(form1, "done");
    QWidget* form2 = window("form2");
    shoot(form2, "splitter_size.png");

    typeSize(form2, "1", 2);
    click(form2, "done");
    shoot(form2, "splitter_size_folder_plan.png");
    shootProgress(form2, "Brindlecut", "report.doc.2", "splitter_progress.png");

    click(form2, "change");
    shoot(form2, "splitter_size_change.png");

    click(form2, "Command1");
    form1 = window("form1");
    shoot(form1, "splitter_source_next.png");

    click(form1, "fdd");
    form2 = window("form2");
    typeSize(form2, "1.3", 2);
    click(form2, "done");
    shoot(form2, "splitter_size_diskette_plan.png");

    // Under a dark desktop palette the windows keep their own colours and text.
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    settle();
    QApplication::setPalette(QPalette(QColor(0x2A, 0x2A, 0x2E)));
    context.job.keepsource = false;
    context.navigator.toIntro();
    intro = window("intro");
    dialogs.fileAnswer(source);
    click(intro, "Command1");
    form1 = window("form1");
    click(form1, "hdd");
    control<DirListBox>(form1, "Dir1")->setPath(out);
    shootOnDesktop(form1, "splitter_source_dark.png");

    if (!dialogs.texts.empty()) throw std::runtime_error("unexpected message: " + dialogs.texts.front());
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    settle();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kRoot = QDir::tempPath() + "/brindlecut-screenshots";
    return renderAll(argc, argv, "splitter_shots", kRoot, run);
}
