#include "window/pane_layout.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace quillon::window {

namespace {

// The room kept between a widened control and the one it pushes along.
constexpr int RowGap = 4;
// A box or list narrower than this has given up too much for its neighbour's caption.
constexpr int NarrowestBox = 40;

// The caption as drawn: "&" marks the mnemonic and is not shown, "&&" shows one "&".
QString shownText(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

int lineWidth(const QWidget& control, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        widest = std::max(widest, control.fontMetrics().horizontalAdvance(line));
    }
    return widest;
}

bool givesWayToTheLeft(const QWidget& control) {
    return qobject_cast<const QLineEdit*>(&control) != nullptr ||
           qobject_cast<const QAbstractScrollArea*>(&control) != nullptr;
}

int share(int extra, double part) {
    return static_cast<int>(std::lround(extra * part));
}

} // namespace

int captionWidth(const QWidget& control) {
    const QStyle& style = *control.style();
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        if (label->text().isEmpty()) {
            return 0;
        }
        const QString text = label->textFormat() == Qt::PlainText ? label->text() : shownText(label->text());
        return lineWidth(control, text) + 2 * label->margin() + 2 * label->frameWidth();
    }
    if (qobject_cast<const QCheckBox*>(&control) != nullptr ||
        qobject_cast<const QRadioButton*>(&control) != nullptr) {
        const auto& box = static_cast<const QAbstractButton&>(control);
        if (box.text().isEmpty()) {
            return 0;
        }
        const bool round = qobject_cast<const QRadioButton*>(&control) != nullptr;
        const int indicator = style.pixelMetric(
            round ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, nullptr, &box);
        const int spacing = style.pixelMetric(
            round ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, nullptr, &box);
        return indicator + spacing + lineWidth(control, shownText(box.text())) + 2;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        if (button->text().isEmpty()) {
            return 0;
        }
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        // The style draws the face inside its frame; the text may use the whole of it.
        return lineWidth(control, shownText(button->text())) + icon +
               2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    }
    return 0;
}

PaneLayout::PaneLayout(QWidget& pane) : QObject(&pane), pane_(pane), designSize_(pane.size()) {
    record(pane);
}

void PaneLayout::record(QWidget& container) {
    container.installEventFilter(this);
    for (QWidget* control : container.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control->isWindow()) {
            continue;
        }
        items_.push_back({control, control->geometry(), StayPut, StayPut});
        if (auto* box = qobject_cast<QGroupBox*>(control)) {
            record(*box);
        }
    }
}

void PaneLayout::follow(const QString& name, Follow horizontal, Follow vertical) {
    for (Item& item : items_) {
        if (!item.control.isNull() && item.control->objectName() == name) {
            item.horizontal = horizontal;
            item.vertical = vertical;
        }
    }
}

void PaneLayout::apply() {
    if (applying_) {
        return;
    }
    applying_ = true;
    const int extraWidth = std::max(0, pane_.width() - designSize_.width());
    const int extraHeight = std::max(0, pane_.height() - designSize_.height());
    std::vector<QWidget*> containers;
    for (Item& item : items_) {
        if (item.control.isNull()) {
            continue;
        }
        QRect place = item.design;
        place.translate(share(extraWidth, item.horizontal.move), share(extraHeight, item.vertical.move));
        place.setWidth(place.width() + share(extraWidth, item.horizontal.grow));
        place.setHeight(place.height() + share(extraHeight, item.vertical.grow));
        item.control->setGeometry(place);
        QWidget* parent = item.control->parentWidget();
        if (std::find(containers.begin(), containers.end(), parent) == containers.end()) {
            containers.push_back(parent);
        }
    }
    for (QWidget* container : containers) {
        std::vector<Item*> siblings;
        for (Item& item : items_) {
            if (!item.control.isNull() && item.control->parentWidget() == container) {
                siblings.push_back(&item);
            }
        }
        fitRow(siblings, container->contentsRect().right() - 1);
    }
    applying_ = false;
}

void PaneLayout::fitRow(std::vector<Item*>& siblings, int limit) {
    std::sort(siblings.begin(), siblings.end(),
              [](const Item* a, const Item* b) { return a->control->x() < b->control->x(); });
    for (Item* item : siblings) {
        QWidget& control = *item->control;
        const int wanted = captionWidth(control);
        if (wanted <= control.width()) {
            continue;
        }
        const QRect before = control.geometry();
        QRect grown = before;
        grown.setWidth(wanted);

        // What lies to the right on the same row, nearest first.
        std::vector<QWidget*> row;
        for (Item* other : siblings) {
            const QRect place = other->control->geometry();
            if (other != item && place.left() > before.left() && place.left() >= before.right() - 1 &&
                place.top() <= grown.bottom() && place.bottom() >= grown.top() &&
                qobject_cast<QGroupBox*>(other->control.data()) == nullptr) {
                row.push_back(other->control);
            }
        }
        std::sort(row.begin(), row.end(), [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });

        std::vector<std::pair<QWidget*, QRect>> moves;
        int edge = grown.right() + 1;
        bool fits = edge <= limit;
        for (QWidget* next : row) {
            QRect place = next->geometry();
            if (place.left() >= edge + RowGap) {
                break;
            }
            if (givesWayToTheLeft(*next)) {
                place.setLeft(edge + RowGap);
                fits = place.width() >= NarrowestBox;
                moves.emplace_back(next, place);
                break;
            }
            place.moveLeft(edge + RowGap);
            edge = place.right() + 1;
            fits = edge <= limit;
            moves.emplace_back(next, place);
        }

        if (fits) {
            control.setGeometry(grown);
            for (const auto& [next, place] : moves) {
                next->setGeometry(place);
            }
            continue;
        }
        // No room to the right: grow to the left when the row is free there, as a control
        // at the right end of its row does.
        int leftEdge = 0;
        for (Item* other : siblings) {
            const QRect place = other->control->geometry();
            if (other != item && place.right() < before.left() && place.top() <= before.bottom() &&
                place.bottom() >= before.top() &&
                qobject_cast<QGroupBox*>(other->control.data()) == nullptr) {
                leftEdge = std::max(leftEdge, place.right() + 1 + RowGap);
            }
        }
        if (before.right() + 1 - wanted >= leftEdge) {
            grown.moveRight(before.right());
            control.setGeometry(grown);
            continue;
        }
        // No room on the row at all: a label takes the width it has up to its neighbour and
        // wraps, anything else takes what is left of the row.
        int room = limit - before.left();
        for (QWidget* next : row) {
            room = std::min(room, next->x() - RowGap - before.left());
        }
        room = std::max(room, before.width());
        QRect narrowed = before;
        narrowed.setWidth(room);
        if (auto* label = qobject_cast<QLabel*>(&control)) {
            label->setWordWrap(true);
            narrowed.setHeight(std::max(before.height(), label->heightForWidth(room)));
        }
        control.setGeometry(narrowed);
    }
}

bool PaneLayout::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::LayoutRequest:
    case QEvent::Show:
        apply();
        break;
    case QEvent::Resize:
        if (watched == &pane_) {
            apply();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillon::window
