#include "common/widgets/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <vector>

#include "common/widgets/dir_list_box.h"
#include "common/widgets/hover.h"

namespace brindlecut {

namespace {

constexpr double kTwipsPerInch = 1440.0;

double logicalDpi(const QWidget* reference) {
    if (reference) return reference->logicalDpiX();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->logicalDotsPerInchX();
    return 96.0;
}

QWidget* createControl(const ControlSpec& spec, QWidget* parent) {
    const QString caption = QString::fromUtf8(spec.caption ? spec.caption : "");
    switch (spec.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(caption, parent);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, parent);
            setButtonColour(button, restColour());
            return button;
        }
        case ControlKind::Frame:
            return new QGroupBox(caption, parent);
        case ControlKind::ListBox:
            return new QListWidget(parent);
        case ControlKind::DirList:
            return new DirListBox(parent);
        case ControlKind::TextBox:
            return new QLineEdit(caption, parent);
        case ControlKind::ComboBox: {
            // A drop-down combo takes typed text as well as a picked item.
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setEditText(caption);
            return combo;
        }
    }
    return nullptr;
}

}  // namespace

int twipsToPixels(int twips, const QWidget* reference) {
    return static_cast<int>(std::lround(twips * logicalDpi(reference) / kTwipsPerInch));
}

QRect twipsRect(int left, int top, int width, int height, const QWidget* reference) {
    return QRect(twipsToPixels(left, reference), twipsToPixels(top, reference),
                 twipsToPixels(width, reference), twipsToPixels(height, reference));
}

std::map<QString, QWidget*> placeControls(QWidget* form, std::span<const ControlSpec> table) {
    std::map<QString, QWidget*> controls;
    std::vector<std::pair<int, QWidget*>> focusOrder;
    for (const ControlSpec& spec : table) {
        QWidget* parent = form;
        if (spec.parent) {
            auto frame = controls.find(QString::fromUtf8(spec.parent));
            Q_ASSERT_X(frame != controls.end(), "placeControls", "a frame must come before its controls");
            if (frame != controls.end()) parent = frame->second;
        }
        QWidget* control = createControl(spec, parent);
        control->setObjectName(QString::fromUtf8(spec.name));
        control->setGeometry(twipsRect(spec.left, spec.top, spec.width, spec.height, form));
        if (spec.tabIndex < 0) {
            control->setFocusPolicy(Qt::NoFocus);
        } else {
            focusOrder.emplace_back(spec.tabIndex, control);
        }
        controls[control->objectName()] = control;
    }
    // An insertion sort: stable, so equal tab indexes keep table order, and far
    // smaller in code than std::stable_sort for tables of a dozen controls,
    // which counts in join.exe (it has to fit on disk #1).
    for (std::size_t i = 1; i < focusOrder.size(); ++i) {
        for (std::size_t j = i; j > 0 && focusOrder[j].first < focusOrder[j - 1].first; --j) {
            std::swap(focusOrder[j], focusOrder[j - 1]);
        }
    }
    for (std::size_t i = 1; i < focusOrder.size(); ++i) {
        QWidget::setTabOrder(focusOrder[i - 1].second, focusOrder[i].second);
    }
    return controls;
}

void setClientSize(QWidget* form, int widthTwips, int heightTwips) {
    form->setFixedSize(twipsToPixels(widthTwips, form), twipsToPixels(heightTwips, form));
    setWindowColour(form);
}

void setWindowColour(QWidget* form) {
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, fromBgr(0xE0E0E0));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
}

QColor fromBgr(unsigned bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

}  // namespace brindlecut
