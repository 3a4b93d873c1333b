// What both screenshot programs do to drive a window and save a picture of it.
#pragma once

#include <QCoreApplication>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <cstdio>
#include <stdexcept>
#include <string>

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

}  // namespace brindlecut::shots
