// join.exe: shows the joiner's only window; closing it ends the program.
#include <QApplication>
#include <QFileInfo>

#include "common/command_line.h"
#include "common/platform.h"
#include "common/private_copy.h"
#include "common/widgets/dialogs.h"
#include "joiner/ui/join_window.h"

int main(int argc, char** argv) {
    if (const int status = brindlecut::answerCommandLine(argc, argv, brindlecut::kJoinerText); status >= 0)
        return status;
    brindlecut::runFromPrivateCopy(argv, brindlecut::systemFileSystem());
    argc = brindlecut::withoutJoinerPaths(argc, argv);
    QApplication app(argc, argv);
    // The buttons' background colours show only in a style that paints the palette.
    QApplication::setStyle(QStringLiteral("Fusion"));

    brindlecut::MessageBoxDialogs dialogs(QStringLiteral("join"));
    auto* window = new brindlecut::JoinWindow(brindlecut::systemFileSystem(), dialogs);
    dialogs.setParent(window);
    window->show();
    // `join.exe MANIFEST`, as the file manager opens a manifest: HARD DRIVE on that file.
    if (argc > 1) window->openManifest(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    return app.exec();
}
