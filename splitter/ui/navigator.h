// Which splitter window follows which. A window never creates another: it asks
// the navigator for the next one, which creates it afresh (running its load
// step), opens it where the current one was, shows it (not modal) and then
// unloads the current one, so that exactly one splitter window exists at a time.
#pragma once

#include <QPoint>
#include <QString>
#include <optional>

class QMimeData;
class QWidget;

namespace brindlecut {

struct SplitterContext;

class Navigator {
public:
    explicit Navigator(SplitterContext& context) : context_(context) {}
    Navigator(const Navigator&) = delete;
    Navigator& operator=(const Navigator&) = delete;

    // Each returns the window now on screen in place of `from` (nullptr when
    // the program starts).
    QWidget* toIntro(QWidget* from = nullptr);  // start window `intro`
    QWidget* toSize(QWidget* from = nullptr);   // size window `form2`
    // The source window `form1`, with the file the split job holds when
    // `keepsource` is set, otherwise with `file`, or with the file picked in
    // its file dialog when `file` is empty. Returns nullptr when its load step
    // ended it (no file taken, or the file refused with a message): then the
    // start window is on screen, `from` itself when it is the start window.
    QWidget* toSource(QWidget* from = nullptr, const QString& file = QString());
    // A new split (SPLIT, or a file given to the program or dropped on a
    // window): the file is asked for, or taken from `file`, afresh, and NEXT is
    // not offered, whatever an earlier split of this run left behind.
    QWidget* newSplit(QWidget* from = nullptr, const QString& file = QString());

    // The one local file that a drag carries, or "" when it carries anything else.
    static QString droppedFile(const QMimeData* data);
    // Lets `window` take a file dropped on it: the drop begins a new split of
    // that file, as newSplit(window, file) does.
    void acceptFileDrops(QWidget* window);

private:
    QWidget* enter(QWidget* next, QWidget* from);

    SplitterContext& context_;
    // Where the last window was on screen, for the next one.
    std::optional<QPoint> position_;
};

}  // namespace brindlecut
