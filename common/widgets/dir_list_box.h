// The folder list (`Dir1`) of both programs, a directory list box: one row per
// folder, each showing the folder's name (the root row shows the root's path).
// The open folder's ancestors come first, then the open folder, then its
// subfolders, indented one step further. A single click highlights a row; a
// double click (or Enter) opens that folder and changes Path.
#pragma once

#include <QListWidget>
#include <QString>

namespace brindlecut {

// The folder the user works in, where the folder lists and the file dialog
// start: the current folder, or the home folder when the current one cannot
// be read or is the program's own folder (as when it was started from a file
// manager or its build tree).
QString startFolder();

class DirListBox : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(QString Path READ path WRITE setPath NOTIFY pathChanged)

public:
    // Each row keeps its folder's absolute path and its indent depth (0 for the root).
    static constexpr int PathRole = Qt::UserRole;
    static constexpr int DepthRole = Qt::UserRole + 1;

    // Opens the user's folder (startFolder()).
    explicit DirListBox(QWidget* parent = nullptr);

    // The open folder, as an absolute path with "/" separators ("/" for the root).
    QString path() const { return path_; }
    // Opens a folder; a path that is not a readable folder leaves Path unchanged
    // and returns false.
    bool setPath(const QString& folder);
    // The folder of the highlighted row (the open folder when none is highlighted).
    QString highlightedPath() const;
    // The folder of row `row`, for tests and keyboard handling.
    QString rowPath(int row) const;
    // Row index of the open folder.
    int openRow() const { return openRow_; }

signals:
    // The Change event: Path has changed.
    void pathChanged(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refill();
    void openRowAt(int row);

    QString path_;
    int openRow_ = -1;
};

}  // namespace brindlecut
