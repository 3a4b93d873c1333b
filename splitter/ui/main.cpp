// The splitter: builds the application and shows the start window.
#include <QApplication>

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
    brindlecut::showIntro(context);
    return app.exec();
}
