#include "common/widgets/dir_list_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidgetItem>
#include <QPixmap>

namespace brindlecut {

namespace {

bool isOpenableFolder(const QFileInfo& info) {
    return info.isDir() && info.isReadable() && info.isExecutable();
}

}  // namespace

QString startFolder() {
    const QString current = QDir::currentPath();
    if (current == QCoreApplication::applicationDirPath() || !QFileInfo(current).isReadable())
        return QDir::homePath();
    return current;
}

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Only a double click opens a folder, whatever the style's single-click activation says.
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { openRowAt(row(item)); });
    setPath(startFolder());
}

bool DirListBox::setPath(const QString& folder) {
    if (folder.isEmpty()) return false;
    const QFileInfo info(folder);
    if (!isOpenableFolder(info)) return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != path_;
    path_ = clean;
    refill();
    if (changed) emit pathChanged(path_);
    return true;
}

QString DirListBox::highlightedPath() const {
    const QListWidgetItem* item = currentItem();
    if (item == nullptr || !item->isSelected()) return path_;
    return item->data(PathRole).toString();
}

QString DirListBox::rowPath(int row) const {
    const QListWidgetItem* row_ = item(row);
    return row_ ? row_->data(PathRole).toString() : QString();
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        openRowAt(currentRow());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirListBox::refill() {
    clear();
    // Each row is shifted right by its depth, so the tree shape shows without
    // icons while the row's text stays the folder's bare name: a blank picture
    // as wide as the indent stands before the name.
    const int indentStep = fontMetrics().averageCharWidth() * 2;
    auto addRow = [this, indentStep](const QString& text, const QString& folder, int depth) {
        auto* row = new QListWidgetItem(text, this);
        if (depth > 0) {
            QPixmap indent(depth * indentStep, 1);
            indent.fill(Qt::transparent);
            row->setData(Qt::DecorationRole, indent);
        }
        row->setData(PathRole, folder);
        row->setData(DepthRole, depth);
        row->setToolTip(QDir::toNativeSeparators(folder));
    };

    // Ancestors from the root down, then the open folder itself.
    const QStringList parts = path_.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    addRow(QStringLiteral("/"), QStringLiteral("/"), 0);
    QString folder;
    for (int i = 0; i < parts.size(); ++i) {
        folder += QLatin1Char('/') + parts[i];
        addRow(parts[i], folder, i + 1);
    }
    openRow_ = count() - 1;

    // Hidden folders stay out of the list, as in the desktop's own file
    // dialogs; one can still be opened by setting Path to it.
    const QDir open(path_);
    const QString prefix = path_ == QLatin1String("/") ? QString() : path_;
    const int depth = static_cast<int>(parts.size()) + 1;
    for (const QString& name : open.entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                              QDir::Name | QDir::IgnoreCase | QDir::LocaleAware)) {
        addRow(name, prefix + QLatin1Char('/') + name, depth);
    }

    setCurrentRow(openRow_);
}

void DirListBox::openRowAt(int row) {
    const QString folder = rowPath(row);
    if (!folder.isEmpty()) setPath(folder);
}

}  // namespace brindlecut
