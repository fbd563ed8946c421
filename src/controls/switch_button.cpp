#include "controls/switch_button.h"

#include "controls/vb_mouse.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QShortcutEvent>

#include <algorithm>

namespace quillon {

namespace {

// The pixels a one-pixel line from `from` to `to` covers: like the platform's line
// drawing, the end point itself is left out, which is what gives the bevel its corners.
QRect lineBetween(QPoint from, QPoint to) {
    if (from == to) {
        return {};
    }
    if (from.y() == to.y()) {
        const int last = to.x() + (to.x() > from.x() ? -1 : 1);
        return QRect(QPoint(std::min(from.x(), last), from.y()), QPoint(std::max(from.x(), last), from.y()));
    }
    const int last = to.y() + (to.y() > from.y() ? -1 : 1);
    return QRect(QPoint(from.x(), std::min(from.y(), last)), QPoint(from.x(), std::max(from.y(), last)));
}

// An "&" a language file puts in a caption marks its Alt+letter, as on every button.
constexpr int captionTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic;

} // namespace

SwitchButton::SwitchButton(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    layoutControl();
    redraw();
}

void SwitchButton::setForeColor(VbColor colour) {
    requireValidVbColor(colour, "ForeColor");
    foreColor_ = colour;
    update();
    emit propertyChanged(QStringLiteral("ForeColor"));
}

void SwitchButton::setPosition(int position) {
    position_ = position;
    redraw();
    emit propertyChanged(QStringLiteral("Position"));
}

void SwitchButton::setCaptionAuto(bool on) {
    captionAuto_ = on;
    layoutControl();
    emit propertyChanged(QStringLiteral("CaptionAuto"));
}

void SwitchButton::setCaptionTop(int pixels) {
    captionTop_ = pixels;
    layoutControl();
    emit propertyChanged(QStringLiteral("CaptionTop"));
}

void SwitchButton::setCaptionLeft(int pixels) {
    captionLeft_ = pixels;
    layoutControl();
    emit propertyChanged(QStringLiteral("CaptionLeft"));
}

void SwitchButton::setBevelColour(VbColor& slot, VbColor colour, const char* name) {
    requireValidVbColor(colour, name);
    slot = colour;
    redraw();
    emit propertyChanged(QString::fromLatin1(name));
}

void SwitchButton::setColorDownRightOne(VbColor colour) {
    setBevelColour(colorDownRightOne_, colour, "ColorDownRightOne");
}

void SwitchButton::setColorDownRightTwo(VbColor colour) {
    setBevelColour(colorDownRightTwo_, colour, "ColorDownRightTwo");
}

void SwitchButton::setColorTopLeftTwo(VbColor colour) {
    setBevelColour(colorTopLeftTwo_, colour, "ColorTopLeftTwo");
}

void SwitchButton::setColorTopLeftOne(VbColor colour) {
    setBevelColour(colorTopLeftOne_, colour, "ColorTopLeftOne");
}

void SwitchButton::setCaption(const QString& caption) {
    caption_ = caption;
    if (mnemonicShortcut_ != 0) {
        releaseShortcut(mnemonicShortcut_);
        mnemonicShortcut_ = 0;
    }
    if (const QKeySequence mnemonic = QKeySequence::mnemonic(caption_); !mnemonic.isEmpty()) {
        mnemonicShortcut_ = grabShortcut(mnemonic);
    }
    layoutControl();
    updateGeometry();
    emit propertyChanged(QStringLiteral("Caption"));
}

void SwitchButton::setBackColor(VbColor colour) {
    requireValidVbColor(colour, "BackColor");
    backColor_ = colour;
    redraw();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void SwitchButton::setBackColorDown(VbColor colour) {
    requireValidVbColor(colour, "BackColorDown");
    backColorDown_ = colour;
    emit propertyChanged(QStringLiteral("BackColorDown"));
}

void SwitchButton::layoutControl() {
    const int w = width();
    const int h = height();
    captionSize_ = fontMetrics().size(captionTextFlags, caption_);
    if (captionAuto_) {
        captionTop_ = (h - captionSize_.height()) / 2;
        captionLeft_ = (w - captionSize_.width()) / 2;
    }
    captionPos_ = QPoint(captionLeft_, captionTop_);
    bevel_ = {
        lineBetween({0, 0}, {0, h - 1}),         // left 1
        lineBetween({w - 1, 0}, {w - 1, h}),     // right 1
        lineBetween({1, 1}, {1, h - 2}),         // left 2
        lineBetween({w - 2, 1}, {w - 2, h - 1}), // right 2
        lineBetween({0, 0}, {w - 1, 0}),         // top 1
        lineBetween({0, h - 1}, {w, h - 1}),     // down 1
        lineBetween({1, 1}, {w - 2, 1}),         // top 2
        lineBetween({1, h - 2}, {w - 2, h - 2}), // down 2
    };
    update();
}

void SwitchButton::drawLook(bool raised) {
    if (raised) {
        shown_ = {colorTopLeftOne_, colorTopLeftTwo_, colorDownRightOne_, colorDownRightTwo_, backColor_};
        captionPos_ = QPoint(captionLeft_, captionTop_);
    } else {
        shown_ = {colorDownRightOne_, colorDownRightTwo_, colorTopLeftOne_, colorTopLeftTwo_, backColorDown_};
        captionPos_ = QPoint(captionLeft_ + 1, captionTop_ + 1);
    }
    update();
}

void SwitchButton::About() {
    if (aboutHandler_) {
        aboutHandler_(*this);
        return;
    }
    QMessageBox::about(this, tr("About SwitchButton"),
                       tr("SwitchButton\nA self-drawn push button and switch, part of Quillon."));
}

QFont SwitchButton::ambientFont() const {
    return parentWidget() ? parentWidget()->font() : QApplication::font(this);
}

void SwitchButton::writeProperties(PropertyBag& bag) const {
    bag.write(QStringLiteral("ForeColor"), foreColor_, vbcolor::ButtonText);
    bag.write(QStringLiteral("Enabled"), isOwnEnabled(), true);
    bag.write(QStringLiteral("Font"), font(), ambientFont());
    bag.write(QStringLiteral("Position"), position_, 1);
    bag.write(QStringLiteral("CaptionAuto"), captionAuto_, true);
    bag.write(QStringLiteral("CaptionTop"), captionTop_, 0);
    bag.write(QStringLiteral("CaptionLeft"), captionLeft_, 0);
    bag.write(QStringLiteral("Style"), style_, 0);
    bag.write(QStringLiteral("ColorDownRightOne"), colorDownRightOne_, vbcolor::DarkShadow3D);
    bag.write(QStringLiteral("ColorDownRightTwo"), colorDownRightTwo_, vbcolor::ButtonShadow);
    bag.write(QStringLiteral("ColorTopLeftTwo"), colorTopLeftTwo_, vbcolor::Light3D);
    bag.write(QStringLiteral("ColorTopLeftOne"), colorTopLeftOne_, vbcolor::ButtonHighlight);
    bag.write(QStringLiteral("Caption"), caption_, QStringLiteral("Caption"));
    bag.write(QStringLiteral("BackColor"), backColor_, vbcolor::ButtonFace);
    bag.write(QStringLiteral("BackColorDown"), backColorDown_, vbcolor::WindowBackground);
}

void SwitchButton::readProperties(const PropertyBag& bag) {
    // Everything is read before anything is applied, so a bad entry changes nothing.
    const VbColor foreColor = bag.readColor(QStringLiteral("ForeColor"), vbcolor::ButtonText);
    const bool enabled = bag.readBool(QStringLiteral("Enabled"), true);
    const bool hasFont = bag.contains(QStringLiteral("Font"));
    const QFont font = bag.readFont(QStringLiteral("Font"), QFont());
    const int position = bag.readLong(QStringLiteral("Position"), 1);
    const bool captionAuto = bag.readBool(QStringLiteral("CaptionAuto"), true);
    const int captionTop = bag.readLong(QStringLiteral("CaptionTop"), 0);
    const int captionLeft = bag.readLong(QStringLiteral("CaptionLeft"), 0);
    const int style = bag.readLong(QStringLiteral("Style"), 0);
    const VbColor downRightOne = bag.readColor(QStringLiteral("ColorDownRightOne"), vbcolor::DarkShadow3D);
    const VbColor downRightTwo = bag.readColor(QStringLiteral("ColorDownRightTwo"), vbcolor::ButtonShadow);
    const VbColor topLeftTwo = bag.readColor(QStringLiteral("ColorTopLeftTwo"), vbcolor::Light3D);
    const VbColor topLeftOne = bag.readColor(QStringLiteral("ColorTopLeftOne"), vbcolor::ButtonHighlight);
    const QString caption = bag.readText(QStringLiteral("Caption"), QStringLiteral("Caption"));
    const VbColor backColor = bag.readColor(QStringLiteral("BackColor"), vbcolor::ButtonFace);
    const VbColor backColorDown = bag.readColor(QStringLiteral("BackColorDown"), vbcolor::WindowBackground);

    foreColor_ = foreColor;
    position_ = position;
    captionAuto_ = captionAuto;
    captionTop_ = captionTop;
    captionLeft_ = captionLeft;
    style_ = style;
    colorDownRightOne_ = downRightOne;
    colorDownRightTwo_ = downRightTwo;
    colorTopLeftTwo_ = topLeftTwo;
    colorTopLeftOne_ = topLeftOne;
    caption_ = caption;
    backColor_ = backColor;
    backColorDown_ = backColorDown;
    pressed_ = false;
    // Without a saved font the control follows its container's again.
    setFont(hasFont ? font : QFont());
    setEnabled(enabled);
    layoutControl();
    redraw();
    updateGeometry();
}

QSize SwitchButton::sizeHint() const {
    return captionSize_ + QSize(16, 10);
}

QSize SwitchButton::minimumSizeHint() const {
    return captionSize_ + QSize(6, 6);
}

void SwitchButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), resolveVbColor(shown_.face, pal));
    const std::array<VbColor, 4> pairColours = {shown_.topLeftOuter, shown_.bottomRightOuter,
                                                shown_.topLeftInner, shown_.bottomRightInner};
    for (std::size_t i = 0; i < bevel_.size(); ++i) {
        if (!bevel_[i].isEmpty()) {
            painter.fillRect(bevel_[i], resolveVbColor(pairColours[i % 4], pal));
        }
    }
    painter.setFont(font());
    painter.setPen(resolveVbColor(foreColor_, pal));
    painter.drawText(QRect(captionPos_, captionSize_), captionTextFlags, caption_);
    if (hasFocus()) {
        // The face is drawn by hand, so the keyboard's place must be too: a dotted ring
        // inside the bevel.
        painter.setPen(QPen(resolveVbColor(foreColor_, pal), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

bool SwitchButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == mnemonicShortcut_) {
        if (isEnabled()) {
            setFocus(Qt::ShortcutFocusReason);
            keyboardClick();
        }
        return true;
    }
    return QWidget::event(event);
}

void SwitchButton::keyPressEvent(QKeyEvent* event) {
    const bool pressKey =
        event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (pressKey && event->modifiers() == Qt::NoModifier && !event->isAutoRepeat() && isEnabled()) {
        keyboardClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SwitchButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void SwitchButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

// What a left click released inside does, for the keys that press the button.
void SwitchButton::keyboardClick() {
    const int before = position_;
    position_ = style_ == 0 ? 1 : (position_ != 0 ? 0 : 1);
    pressed_ = false;
    redraw();
    const QPointer<SwitchButton> self(this);
    if (position_ != before) {
        emit propertyChanged(QStringLiteral("Position"));
    }
    if (self) {
        emit Click();
    }
}

void SwitchButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControl();
}

void SwitchButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        layoutControl();
        updateGeometry();
        emit propertyChanged(QStringLiteral("Font"));
        break;
    case QEvent::EnabledChange:
        // A release that can no longer arrive must not leave the button looking pressed.
        if (!isEnabled() && pressed_) {
            pressed_ = false;
            redraw();
        }
        emit propertyChanged(QStringLiteral("Enabled"));
        break;
    default:
        break;
    }
}

void SwitchButton::mousePressEvent(QMouseEvent* event) {
    const short button = vbButton(event->button());
    const QPointer<SwitchButton> self(this);
    const QPointF at = event->position();
    emit MouseDown(button, vbShift(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    if (!self) {
        return;
    }
    if (button == 1 && isEnabled()) {
        pressed_ = true;
        drawLook(false);
    }
}

void SwitchButton::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    emit MouseMove(vbButtons(event->buttons()), vbShift(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
}

void SwitchButton::mouseReleaseEvent(QMouseEvent* event) {
    const short button = vbButton(event->button());
    const short shift = vbShift(event->modifiers());
    const auto x = static_cast<float>(event->position().x());
    const auto y = static_cast<float>(event->position().y());
    const QPointer<SwitchButton> self(this);
    if (button == 1) {
        pressed_ = false;
        const bool inside =
            x >= 0 && x < static_cast<float>(width()) && y >= 0 && y < static_cast<float>(height());
        const int before = position_;
        bool click = false;
        if (style_ == 0) {
            position_ = 1;
            click = inside;
        } else if (inside) {
            position_ = position_ != 0 ? 0 : 1;
            click = true;
        }
        redraw();
        if (position_ != before) {
            emit propertyChanged(QStringLiteral("Position"));
        }
        if (self && click) {
            emit Click();
        }
        if (!self) {
            return;
        }
    }
    emit MouseUp(button, shift, x, y);
    if (self && button == 2 && shift == 7) {
        About();
    }
}

} // namespace quillon
