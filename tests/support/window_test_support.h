// Helpers for the widget tests of both programs' windows: the controls by
// name, a check of the live widgets against a window's layout table, and for
// the splitter the one window on screen.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>
#include <span>
#include <vector>

#include "common/widgets/dir_list_box.h"
#include "common/widgets/hover.h"
#include "common/widgets/twips.h"

namespace brindlecut::testing {

inline const QStringList kSplitterWindows = {"intro", "form1", "form2"};

// Runs the deletions that unloading windows asked for.
inline void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The splitter windows on screen, by name.
inline QStringList windowsOnScreen() {
    flushDeletes();
    QStringList names;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (kSplitterWindows.contains(window->objectName()) && window->isVisible())
            names << window->objectName();
    }
    names.sort();
    return names;
}

// The one splitter window on screen, or nullptr when there is not exactly one.
inline QWidget* currentWindow() {
    flushDeletes();
    QWidget* found = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!kSplitterWindows.contains(window->objectName()) || !window->isVisible()) continue;
        if (found != nullptr) return nullptr;
        found = window;
    }
    return found;
}

// Closes every splitter window left over by a test.
inline void closeAllWindows() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (kSplitterWindows.contains(window->objectName())) {
            window->close();
            window->deleteLater();
        }
    }
    flushDeletes();
}

// Runs the application's event loop, does `action` in it, and gives the exit
// code once the program ends; -1 when it did not end within a few seconds.
inline int runUntilTheProgramEnds(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, qApp, [] { QCoreApplication::exit(-1); });
    giveUp.start(5000);
    return QApplication::exec();
}

template <typename T = QWidget>
T* control(QWidget* window, const char* name) {
    T* found = window ? window->findChild<T*>(QString::fromUtf8(name)) : nullptr;
    EXPECT_NE(found, nullptr) << "no control " << name;
    return found;
}

// Whether `widget` is the kind of control the table names.
inline bool isOfKind(const QWidget* widget, ControlKind kind) {
    const bool dirList = qobject_cast<const DirListBox*>(widget) != nullptr;
    switch (kind) {
        case ControlKind::Label:
            return qobject_cast<const QLabel*>(widget) != nullptr;
        case ControlKind::Button:
            return qobject_cast<const QPushButton*>(widget) != nullptr;
        case ControlKind::Frame:
            return qobject_cast<const QGroupBox*>(widget) != nullptr;
        case ControlKind::ListBox:
            return qobject_cast<const QListWidget*>(widget) != nullptr && !dirList;
        case ControlKind::DirList:
            return dirList;
        case ControlKind::TextBox:
            return qobject_cast<const QLineEdit*>(widget) != nullptr;
        case ControlKind::ComboBox:
            return qobject_cast<const QComboBox*>(widget) != nullptr;
    }
    return false;
}

inline QString captionOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(widget)) return frame->title();
    if (auto* text = qobject_cast<const QLineEdit*>(widget)) return text->text();
    return QString();
}

// A window's layout table is the design, row for row: `design` is written out
// in the test from the design, so a changed position, caption or tab order in
// the window's own table shows up here.
inline void expectDesign(std::span<const ControlSpec> table, std::span<const ControlSpec> design) {
    ASSERT_EQ(table.size(), design.size());
    for (std::size_t i = 0; i < design.size(); ++i) {
        const ControlSpec& got = table[i];
        const ControlSpec& want = design[i];
        SCOPED_TRACE(want.name);
        EXPECT_STREQ(got.name, want.name);
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_STREQ(got.caption, want.caption);
        EXPECT_EQ(QRect(got.left, got.top, got.width, got.height),
                  QRect(want.left, want.top, want.width, want.height));
        EXPECT_EQ(got.tabIndex, want.tabIndex);
        EXPECT_STREQ(got.parent ? got.parent : "", want.parent ? want.parent : "");
    }
}

// Every control of `table` exists under `client` with its table geometry, and
// the controls that take the focus follow each other in tab order.
inline void expectLayout(QWidget* client, std::span<const ControlSpec> table) {
    std::vector<std::pair<int, QWidget*>> byTab;
    for (const ControlSpec& spec : table) {
        SCOPED_TRACE(spec.name);
        QWidget* widget = control(client, spec.name);
        if (widget == nullptr) continue;
        EXPECT_TRUE(isOfKind(widget, spec.kind)) << widget->metaObject()->className();
        EXPECT_EQ(widget->geometry(), twipsRect(spec.left, spec.top, spec.width, spec.height, client));
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(buttonColour(button), fromBgr(0xC0C0C0));
            EXPECT_EQ(button->text(), QString::fromUtf8(spec.caption));
        }
        if (qobject_cast<QLabel*>(widget) != nullptr) {
            // Labels let the window's light grey show through.
            EXPECT_FALSE(widget->autoFillBackground());
            EXPECT_EQ(widget->palette().color(QPalette::Window), fromBgr(0xE0E0E0));
        }
        if (widget->focusPolicy() != Qt::NoFocus) byTab.emplace_back(spec.tabIndex, widget);
    }
    std::sort(byTab.begin(), byTab.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<QWidget*> expected;
    for (const auto& entry : byTab) expected.push_back(entry.second);
    // The focus chain, with the parts of compound controls left out.
    std::vector<QWidget*> chain;
    if (!expected.empty()) {
        QWidget* at = expected.front();
        do {
            if (std::find(expected.begin(), expected.end(), at) != expected.end()) chain.push_back(at);
            at = at->nextInFocusChain();
        } while (at != expected.front() && chain.size() < expected.size());
    }
    EXPECT_EQ(chain, expected);
}

// A dark desktop palette: light text on near-black backgrounds.
inline QPalette darkPalette() {
    QPalette dark;
    for (QPalette::ColorRole role :
         {QPalette::Window, QPalette::Button, QPalette::Base, QPalette::AlternateBase, QPalette::ToolTipBase,
          QPalette::Light, QPalette::Midlight, QPalette::Mid, QPalette::Dark, QPalette::Shadow})
        dark.setColor(role, QColor(0x20, 0x20, 0x24));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text,
                                     QPalette::ToolTipText, QPalette::BrightText, QPalette::HighlightedText})
        dark.setColor(role, QColor(0xEE, 0xEE, 0xEE));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x60, 0x60, 0x60));
    dark.setColor(QPalette::Highlight, QColor(0x33, 0x66, 0x99));
    return dark;
}

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
inline double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

// Every text of `window` has a colour that reads on its background, and the
// backgrounds are the window's own: light grey behind labels and frames,
// silver or mid grey buttons, white fields.
inline void expectReadable(QWidget* window) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        SCOPED_TRACE(name.toStdString());
        const QPalette p = widget->palette();
        if (qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_TRUE(p.color(QPalette::Button) == fromBgr(0xC0C0C0) ||
                        p.color(QPalette::Button) == fromBgr(0x808080));
            EXPECT_GE(contrast(p.color(QPalette::Active, QPalette::ButtonText), p.color(QPalette::Button)),
                      4.5);
            EXPECT_GE(contrast(p.color(QPalette::Disabled, QPalette::ButtonText), p.color(QPalette::Button)),
                      2.5);
        } else if (qobject_cast<QLabel*>(widget) || qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(p.color(QPalette::Window), fromBgr(0xE0E0E0));
            EXPECT_GE(contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), 4.5);
            EXPECT_GE(contrast(p.color(QPalette::Disabled, QPalette::WindowText), p.color(QPalette::Window)),
                      2.5);
        } else if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
                   qobject_cast<QListWidget*>(widget)) {
            EXPECT_EQ(p.color(QPalette::Base), QColor(Qt::white));
            EXPECT_GE(contrast(p.color(QPalette::Text), p.color(QPalette::Base)), 4.5);
            EXPECT_GE(contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), 4.5);
        }
    }
}

// Whether `button` as drawn shows dark text on its light face: some pixels
// well darker than the silver face, which a near-white caption would not give.
inline bool drawsDarkText(QWidget* button) {
    const QImage image = button->grab().toImage();
    int dark = 0;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            if (qGray(image.pixel(x, y)) < 0x80) ++dark;
    return dark > 10;
}

// Every button caption of `window` shows whole in the button's font.
inline void expectButtonCaptionsFit(QWidget* window) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QFontMetrics metrics(button->font());
        EXPECT_LE(metrics.horizontalAdvance(button->text()) + 8, button->width())
            << button->text().toStdString() << " at " << button->font().pointSize() << " pt";
        EXPECT_LE(metrics.height(), button->height());
    }
}

}  // namespace brindlecut::testing
