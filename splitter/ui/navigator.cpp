#include "splitter/ui/navigator.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "common/widgets/twips.h"
#include "splitter/ui/intro_window.h"
#include "splitter/ui/size_window.h"
#include "splitter/ui/source_window.h"
#include "splitter/ui/splitter_context.h"

namespace brindlecut {

namespace {

// Watches one window for a drag that carries one local file; its drop begins
// a new split of that file.
class FileDrops final : public QObject {
public:
    FileDrops(QWidget* window, Navigator& navigator)
        : QObject(window), window_(window), navigator_(navigator) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            if (!Navigator::droppedFile(drag->mimeData()).isEmpty()) drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString file = Navigator::droppedFile(drop->mimeData());
            if (file.isEmpty()) return true;
            drop->acceptProposedAction();
            navigator_.newSplit(window_, file);
            return true;
        }
        return false;
    }

private:
    QWidget* window_;
    Navigator& navigator_;
};

}  // namespace

void Navigator::acceptFileDrops(QWidget* window) {
    window->setAcceptDrops(true);
    window->installEventFilter(new FileDrops(window, *this));
}

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
