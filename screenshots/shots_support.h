// What both screenshot programs do to drive a window and save a picture of it.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/widgets/dialogs.h"

namespace brindlecut::shots {

// The folder the pictures go to, from the program's first argument.
inline QString outFolder;

// Lets deleted windows go and pending paints happen.
inline void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

template <typename T = QWidget>
T* control(QWidget* form, const char* name) {
    T* found = form->findChild<T*>(QString::fromLatin1(name));
    if (!found) throw std::runtime_error(std::string("no control ") + name);
    return found;
}

// Clicks a button as a user could: only a visible, enabled one.
inline void click(QWidget* form, const char* name) {
    QPushButton* button = control<QPushButton>(form, name);
    if (!button->isVisible() || !button->isEnabled())
        throw std::runtime_error(std::string("cannot click ") + name);
    button->click();
    settle();
}

inline void save(const QPixmap& picture, const char* file) {
    const QString path = outFolder + "/" + QString::fromLatin1(file);
    if (!picture.save(path, "PNG")) throw std::runtime_error("cannot write " + path.toStdString());
    std::printf("%s\n", qPrintable(path));
}

inline void shoot(QWidget* form, const char* file) {
    settle();
    save(form->grab(), file);
}

// The window on a piece of the desktop around it, in the application
// palette's window colour, so that a dark desktop shows as one.
inline void shootOnDesktop(QWidget* form, const char* file) {
    settle();
    const QPixmap window = form->grab();
    const int margin = 24;
    QPixmap desktop(window.width() + 2 * margin, window.height() + 2 * margin);
    desktop.fill(QApplication::palette().color(QPalette::Window));
    QPainter painter(&desktop);
    painter.drawPixmap(margin, margin, window);
    painter.end();
    save(desktop, file);
}

// The progress dialog as the user sees it, over the middle of `form`, with a
// plain title bar and border drawn in (offscreen windows have no frame).
inline void shootProgress(QWidget* form, const char* title, const char* item, const char* file) {
    MessageBoxDialogs boxes(QString::fromLatin1(title), form);
    boxes.setProgressTiming([] { return std::int64_t{0}; }, 0, 0);
    boxes.progress(item, 1572864, 2500000);
    settle();
    auto* dialog = form->findChild<QProgressDialog*>(QStringLiteral("progress"));
    if (!dialog) throw std::runtime_error("no progress dialog");
    QPixmap picture = form->grab();
    const QPixmap over = dialog->grab();
    const int titleHeight = 22;
    QPainter painter(&picture);
    const QPoint at((picture.width() - over.width()) / 2,
                    (picture.height() - over.height() - titleHeight) / 2 + titleHeight);
    const QRect bar(at.x(), at.y() - titleHeight, over.width(), titleHeight);
    painter.fillRect(bar, QColor(0, 0, 128));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(bar.adjusted(6, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, dialog->windowTitle());
    painter.drawPixmap(at, over);
    painter.setPen(QColor(64, 64, 64));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(
        QRect(bar.topLeft(), QSize(over.width(), over.height() + titleHeight)).adjusted(-1, -1, 0, 0));
    painter.end();
    save(picture, file);
    boxes.progressEnd();
}

// The body of a screenshot program's main(): the pictures go to the folder
// named by the first argument; `workFolder`, where the program laid out its
// files, is removed afterwards whatever happened.
inline int renderAll(int argc, char** argv, const char* program, const QString& workFolder,
                     void (*render)()) {
    QApplication::setStyle("Fusion");
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder for the PNG files>\n", argv[0]);
        return 2;
    }
    outFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outFolder);
    int status = 0;
    try {
        render();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        status = 1;
    }
    std::filesystem::remove_all(workFolder.toStdString());
    return status;
}

}  // namespace brindlecut::shots
