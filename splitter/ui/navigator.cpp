#include "splitter/ui/navigator.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "common/widgets/twips.h"
#include "splitter/ui/intro_window.h"
#include "splitter/ui/size_window.h"
#include "splitter/ui/source_window.h"
#include "splitter/ui/splitter_context.h"

namespace brindlecut {

QWidget* Navigator::enter(QWidget* next, QWidget* from) {
    if (from != nullptr) position_ = from->pos();
    if (position_) next->move(*position_);
    next->show();
    if (from != nullptr) unload(from);
    return next;
}

QWidget* Navigator::toIntro(QWidget* from) { return enter(new IntroWindow(context_), from); }

QWidget* Navigator::toSize(QWidget* from) { return enter(new SizeWindow(context_), from); }

QWidget* Navigator::toSource(QWidget* from, const QString& file) {
    auto* window = new SourceWindow(context_);
    if (window->Form_Load(file)) return enter(window, from);
    window->deleteLater();
    // Opened from the start window, that window is still on screen and stays;
    // from anywhere else the start window takes the place of the window left.
    if (qobject_cast<IntroWindow*>(from) == nullptr) toIntro(from);
    return nullptr;
}

QWidget* Navigator::newSplit(QWidget* from, const QString& file) {
    context_.job.keepsource = false;
    context_.job.shownext = false;
    return toSource(from, file);
}

QString Navigator::droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return QString();
    const QUrl url = data->urls().front();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile()) return QString();
    return url.toLocalFile();
}

}  // namespace brindlecut
