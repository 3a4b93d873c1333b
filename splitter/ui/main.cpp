// The splitter: builds the application and shows the start window.
#include <QApplication>
#include <QDir>
#include <QStringList>
#include <QUrl>

#include "common/command_line.h"
#include "common/platform.h"
#include "common/widgets/dialogs.h"
#include "splitter/ui/splitter_context.h"

int main(int argc, char** argv) {
    if (const int status = brindlecut::answerCommandLine(argc, argv, brindlecut::kSplitterText); status >= 0)
        return status;
    QApplication app(argc, argv);
    // The button colours are set through the palette, which the Fusion style paints.
    QApplication::setStyle("Fusion");

    brindlecut::MessageBoxDialogs dialogs("Brindlecut");
    brindlecut::SplitterContext context{brindlecut::SplitJob(), brindlecut::systemFileSystem(), dialogs,
                                        brindlecut::toLocal(QCoreApplication::applicationDirPath())};
    // `brindlecut FILE` begins at the source window with FILE already taken.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        context.navigator.newSplit(
            nullptr,
            QUrl::fromUserInput(args.at(1), QDir::currentPath(), QUrl::AssumeLocalFile).toLocalFile());
    else
        context.navigator.toIntro();
    return app.exec();
}
