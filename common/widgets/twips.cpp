#include "common/widgets/twips.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionGroupBox>
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

// Paints a frame so that its inside shows its parent's colour (the style's
// own frame fills it with a shade darker than the window): one line around
// it, through the middle of the caption, which is drawn on the frame's own
// colour. A filter rather than a subclass of QGroupBox keeps join.exe small.
class FramePainter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) return false;
        auto* frame = static_cast<QGroupBox*>(watched);
        QPainter painter(frame);
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.textAlignment = frame->alignment();
        option.subControls = QStyle::SC_GroupBoxLabel;
        option.lineWidth = 1;
        QStyle* style = frame->style();
        const QRect caption =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        QRect line = frame->rect().adjusted(0, 0, -1, -1);
        if (!option.text.isEmpty()) line.setTop(caption.center().y());
        painter.setPen(frame->palette().color(QPalette::Mid));
        painter.drawRect(line);
        if (!option.text.isEmpty()) {
            painter.fillRect(caption.adjusted(-2, 0, 2, 0), frame->palette().color(QPalette::Window));
            style->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, frame);
        }
        return true;
    }
};

constexpr int kSmallestPoints = 6;

// Makes the font of `control` smaller until `fits` says its caption shows whole.
template <typename Fits>
void shrinkUntil(QWidget* control, Fits fits) {
    QFont font = control->font();
    while (font.pointSize() > kSmallestPoints && !fits(QFontMetrics(font)))
        font.setPointSize(font.pointSize() - 1);
    if (font.pointSize() != control->font().pointSize()) control->setFont(font);
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
        case ControlKind::ListBox: {
            // The list box of every window is the drive list.
            auto* list = new QListWidget(parent);
            list->setAccessibleName(QStringLiteral("Drives"));
            return list;
        }
        case ControlKind::DirList: {
            auto* folders = new DirListBox(parent);
            folders->setAccessibleName(QStringLiteral("Folders"));
            return folders;
        }
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

QWidget* checkedControl(const std::map<QString, QWidget*>& controls, const char* name,
                        const QMetaObject& kind) {
    const auto found = controls.find(QLatin1String(name));
    if (found == controls.end() || !found->second->metaObject()->inherits(&kind))
        qFatal("no control %s of that kind", name);
    return found->second;
}

void unload(QWidget* window) {
    window->close();
    window->deleteLater();
}

void setFontOf(QWidget* control, int points, bool bold) {
    QFont font = control->font();
    font.setPointSize(points);
    font.setBold(bold);
    control->setFont(font);
}

void fitButtonCaptions(QWidget* form) {
    for (QPushButton* button : form->findChildren<QPushButton*>()) {
        const QString caption = button->text();
        // The button's frame and a little air on either side.
        shrinkUntil(button, [&](const QFontMetrics& metrics) {
            return metrics.horizontalAdvance(caption) + 8 <= button->width() &&
                   metrics.height() <= button->height();
        });
    }
}

void fitLabelCaption(QLabel* label) {
    const QString caption = label->text();
    shrinkUntil(label, [&](const QFontMetrics& metrics) {
        if (!label->wordWrap())
            return metrics.horizontalAdvance(caption) <= label->width() &&
                   metrics.height() <= label->height();
        const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 1 << 20),
                                                  Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, caption);
        return needed.width() <= label->width() && needed.height() <= label->height();
    });
}

void paintFrameFlat(QGroupBox* frame) { frame->installEventFilter(new FramePainter(frame)); }

void setWindowColour(QWidget* form) {
    // Backgrounds, the text drawn on each of them, and the shades the style
    // draws bevels and frame lines with.
    static constexpr struct {
        QPalette::ColorRole role;
        unsigned bgr;
    } kColours[] = {
        {QPalette::Window, 0xE0E0E0},
        {QPalette::WindowText, 0},
        {QPalette::Button, 0xC0C0C0},
        {QPalette::ButtonText, 0},
        {QPalette::Base, 0xFFFFFF},
        {QPalette::Text, 0},
        {QPalette::AlternateBase, 0xF0F0F0},
        {QPalette::Highlight, 0x800000},
        {QPalette::HighlightedText, 0xFFFFFF},
        {QPalette::ToolTipBase, 0xE1FFFF},
        {QPalette::ToolTipText, 0},
        {QPalette::BrightText, 0xFFFFFF},
        {QPalette::PlaceholderText, 0x787878},
        {QPalette::Light, 0xFFFFFF},
        {QPalette::Midlight, 0xE3E3E3},
        {QPalette::Mid, 0xA0A0A0},
        {QPalette::Dark, 0x808080},
        {QPalette::Shadow, 0x696969},
    };
    QPalette palette = form->palette();
    for (const auto& colour : kColours) palette.setColor(colour.role, fromBgr(colour.bgr));
    // Disabled controls grey their text.
    for (QPalette::ColorRole text : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, text, fromBgr(0x6D6D6D));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
}

QColor fromBgr(unsigned bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

}  // namespace brindlecut
