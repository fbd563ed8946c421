#include "controls/bar_color.h"

#include "base/vb_error.h"
#include "controls/vb_mouse.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillon {

namespace {

constexpr int InvalidPropertyValue = 380;
constexpr int captionTextFlags = Qt::AlignLeft | Qt::AlignTop;

void requireZeroOrOne(short value, const char* property) {
    if (value != 0 && value != 1) {
        raiseWithText(InvalidPropertyValue, std::string("Invalid property value: ") + property);
    }
}

// Rounds halves to the even neighbour; empty when the result would not fit in 32 bits,
// where the assignment it feeds is skipped.
std::optional<qint32> roundedLong(double x) {
    if (!(x >= -2147483648.5 && x < 2147483647.5)) {
        return std::nullopt;
    }
    return static_cast<qint32>(std::nearbyint(x));
}

QString valueText(double value) {
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        return QString::number(static_cast<qint64>(value));
    }
    return QString::number(value, 'g', 15);
}

} // namespace

BarColor::BarColor(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    measureCaption();
    centreCaption();
}

int BarColor::borderWidth() const {
    if (borderStyle_ == 0) {
        return 0;
    }
    return appearance_ == 0 ? 1 : 2;
}

QRect BarColor::barRect() const {
    const int b = borderWidth();
    return QRect(b, b, std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
}

void BarColor::setAppearance(short appearance) {
    requireZeroOrOne(appearance, "Appearance");
    appearance_ = appearance;
    layoutControl();
    emit propertyChanged(QStringLiteral("Appearance"));
}

void BarColor::setBackColor(VbColor colour) {
    requireValidVbColor(colour, "BackColor");
    backColor_ = colour;
    // A new background wipes what was drawn, as on any drawing surface.
    picture_.fill(resolveVbColor(backColor_, palette()));
    redraw();
    emit propertyChanged(QStringLiteral("BackColor"));
}

void BarColor::setBorderStyle(short style) {
    requireZeroOrOne(style, "BorderStyle");
    borderStyle_ = style;
    layoutControl();
    emit propertyChanged(QStringLiteral("BorderStyle"));
}

void BarColor::setCaption(const QString& text) {
    captionText_ = autoCaption_ ? text + strExtend_ : text;
    measureCaption();
    centreCaption();
    update();
    emit propertyChanged(QStringLiteral("Caption"));
}

void BarColor::setCaption(const std::string& text) {
    setCaption(QString::fromStdString(text));
}

void BarColor::setForeColor(VbColor colour) {
    requireValidVbColor(colour, "ForeColor");
    foreColor_ = colour;
    redraw();
    emit propertyChanged(QStringLiteral("ForeColor"));
}

void BarColor::setMin(double min) {
    min_ = min;
    redraw();
    emit propertyChanged(QStringLiteral("Min"));
}

void BarColor::setMax(double max) {
    max_ = max;
    redraw();
    emit propertyChanged(QStringLiteral("Max"));
}

void BarColor::setValue(double value) {
    value_ = value;
    drawBar(value);
    if (autoCaption_) {
        captionText_ = valueText(value) + strExtend_;
        measureCaption();
        centreCaption();
    }
    update();
    const QPointer<BarColor> self(this);
    emit Change();
    if (self) {
        emit propertyChanged(QStringLiteral("Value"));
    }
}

void BarColor::setFillColor(VbColor colour) {
    requireValidVbColor(colour, "FillColor");
    fillColor_ = colour;
    redraw();
    emit propertyChanged(QStringLiteral("FillColor"));
}

void BarColor::setInteractive(bool on) {
    interactive_ = on;
    emit propertyChanged(QStringLiteral("Interactive"));
}

void BarColor::setStrExtend(const QString& suffix) {
    strExtend_ = suffix;
    redraw();
    emit propertyChanged(QStringLiteral("StrExtend"));
}

void BarColor::setAutoCaption(bool on) {
    autoCaption_ = on;
    emit propertyChanged(QStringLiteral("AutoCaption"));
}

void BarColor::layoutControl() {
    fitPicture();
    centreCaption();
    redraw();
}

void BarColor::fitPicture() {
    const QSize size = barRect().size();
    if (picture_.size() == size) {
        return;
    }
    QImage fresh(size, QImage::Format_RGB32);
    if (!fresh.isNull()) {
        fresh.fill(resolveVbColor(backColor_, palette()));
        if (!picture_.isNull()) {
            QPainter painter(&fresh);
            painter.drawImage(0, 0, picture_);
        }
    }
    picture_ = fresh;
}

void BarColor::drawBar(double value) {
    fitPicture();
    // With Max 0 (or a value that is not a number) there is no proportion to draw; the
    // picture keeps what it had.
    if (max_ == 0 || picture_.isNull()) {
        return;
    }
    const double filled = picture_.width() * (value / max_);
    if (std::isnan(filled)) {
        return;
    }
    const int width = picture_.width();
    const int boundary =
        static_cast<int>(std::nearbyint(std::clamp(filled, 0.0, static_cast<double>(width))));
    QPainter painter(&picture_);
    painter.fillRect(QRect(boundary, 0, width - boundary, picture_.height()),
                     resolveVbColor(backColor_, palette()));
    painter.fillRect(QRect(0, 0, boundary, picture_.height()), resolveVbColor(fillColor_, palette()));
}

void BarColor::measureCaption() {
    captionSize_ = fontMetrics().size(0, captionText_);
}

void BarColor::centreCaption() {
    const QSize bar = barRect().size();
    captionPos_ =
        QPoint((bar.width() - captionSize_.width()) / 2, (bar.height() - captionSize_.height()) / 2);
}

qint32 BarColor::XinValue(qint32 x) const {
    qint32 result = 0;
    const int width = barRect().width();
    if (width != 0) {
        if (const auto r = roundedLong(max_ * (static_cast<double>(x) / width))) {
            result = *r;
        }
    }
    if (result > max_) {
        if (const auto r = roundedLong(max_)) {
            result = *r;
        }
    }
    if (result < min_) {
        if (const auto r = roundedLong(min_)) {
            result = *r;
        }
    }
    return result;
}

void BarColor::setValueFromMouse(double x) {
    if (const auto column = roundedLong(x)) {
        setValue(XinValue(*column));
    }
}

QPointF BarColor::barPoint(const QPointF& widgetPoint) const {
    return widgetPoint - QPointF(barRect().topLeft());
}

void BarColor::writeProperties(PropertyBag& bag) const {
    bag.write(QStringLiteral("Appearance"), appearance_, short{1});
    bag.write(QStringLiteral("BackColor"), backColor_, vbcolor::ButtonFace);
    bag.write(QStringLiteral("BorderStyle"), borderStyle_, short{1});
    bag.write(QStringLiteral("Caption"), captionText_, QStringLiteral("50"));
    bag.write(QStringLiteral("Font"), font(),
              parentWidget() ? parentWidget()->font() : QApplication::font(this));
    bag.write(QStringLiteral("ForeColor"), foreColor_, vbcolor::ButtonText);
    bag.write(QStringLiteral("Min"), min_, 0.0);
    bag.write(QStringLiteral("Max"), max_, 100.0);
    bag.write(QStringLiteral("Value"), value_, 50.0);
    bag.write(QStringLiteral("FillColor"), fillColor_, vbRgb(255, 0, 0));
    bag.write(QStringLiteral("Interactive"), interactive_, true);
    bag.write(QStringLiteral("StrExtend"), strExtend_, QStringLiteral("%"));
    bag.write(QStringLiteral("AutoCaption"), autoCaption_, true);
}

void BarColor::readProperties(const PropertyBag& bag) {
    // Everything is read before anything is applied, so a bad entry changes nothing.
    const short appearance = bag.readInteger(QStringLiteral("Appearance"), 1);
    requireZeroOrOne(appearance, "Appearance");
    const VbColor backColor = bag.readColor(QStringLiteral("BackColor"), vbcolor::ButtonFace);
    const short borderStyle = bag.readInteger(QStringLiteral("BorderStyle"), 1);
    requireZeroOrOne(borderStyle, "BorderStyle");
    const QString caption = bag.readText(QStringLiteral("Caption"), QStringLiteral("50"));
    const bool hasFont = bag.contains(QStringLiteral("Font"));
    const QFont font = bag.readFont(QStringLiteral("Font"), QFont());
    const VbColor foreColor = bag.readColor(QStringLiteral("ForeColor"), vbcolor::ButtonText);
    const double min = bag.readNumber(QStringLiteral("Min"), 0);
    const double max = bag.readNumber(QStringLiteral("Max"), 100);
    const double value = bag.readNumber(QStringLiteral("Value"), 50);
    const VbColor fillColor = bag.readColor(QStringLiteral("FillColor"), vbRgb(255, 0, 0));
    const bool interactive = bag.readBool(QStringLiteral("Interactive"), true);
    const QString strExtend = bag.readText(QStringLiteral("StrExtend"), QStringLiteral("%"));
    const bool autoCaption = bag.readBool(QStringLiteral("AutoCaption"), true);

    appearance_ = appearance;
    backColor_ = backColor;
    borderStyle_ = borderStyle;
    captionText_ = caption;
    foreColor_ = foreColor;
    min_ = min;
    max_ = max;
    value_ = value;
    fillColor_ = fillColor;
    interactive_ = interactive;
    strExtend_ = strExtend;
    autoCaption_ = autoCaption;
    loading_ = true;
    // Without a saved font the control follows its container's again.
    setFont(hasFont ? font : QFont());
    loading_ = false;
    measureCaption();
    centreCaption();
    updateGeometry();
    update();
}

QSize BarColor::sizeHint() const {
    const int frame = 2 * borderWidth();
    return QSize(std::max(100, captionSize_.width() + frame + 8), captionSize_.height() + frame + 4);
}

QSize BarColor::minimumSizeHint() const {
    const int frame = 2 * borderWidth();
    return QSize(frame + 10, captionSize_.height() + frame);
}

void BarColor::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const int w = width();
    const int h = height();
    const auto edge = [&](int x, int y, int width, int height, VbColor colour) {
        if (width > 0 && height > 0) {
            painter.fillRect(QRect(x, y, width, height), resolveVbColor(colour, pal));
        }
    };
    if (borderWidth() == 1) {
        edge(0, 0, w, 1, vbcolor::WindowFrame);
        edge(0, 0, 1, h, vbcolor::WindowFrame);
        edge(0, h - 1, w, 1, vbcolor::WindowFrame);
        edge(w - 1, 0, 1, h, vbcolor::WindowFrame);
    } else if (borderWidth() == 2) {
        // A sunken well: shadow above and left, light below and right.
        edge(0, 0, w - 1, 1, vbcolor::ButtonShadow);
        edge(0, 0, 1, h - 1, vbcolor::ButtonShadow);
        edge(0, h - 1, w, 1, vbcolor::ButtonHighlight);
        edge(w - 1, 0, 1, h, vbcolor::ButtonHighlight);
        edge(1, 1, w - 3, 1, vbcolor::DarkShadow3D);
        edge(1, 1, 1, h - 3, vbcolor::DarkShadow3D);
        edge(1, h - 2, w - 2, 1, vbcolor::Light3D);
        edge(w - 2, 1, 1, h - 2, vbcolor::Light3D);
    }
    const QRect bar = barRect();
    if (bar.isEmpty()) {
        return;
    }
    painter.fillRect(bar, resolveVbColor(backColor_, pal));
    painter.drawImage(bar.topLeft(), picture_);
    painter.setFont(font());
    const QColor textColour = resolveVbColor(foreColor_, pal);
    const QRect captionArea(bar.topLeft() + captionPos_, captionSize_);
    // The caption is the only feedback of a run, so each stretch of it is drawn in a shade
    // of ForeColor that reads on the colour under it, filled or not.
    const int first = std::max(0, captionPos_.x());
    const int last = std::min(picture_.width(), captionPos_.x() + captionSize_.width());
    const auto shownColourAt = [&](int column) {
        return column < picture_.width() && !picture_.isNull() ? QColor(picture_.pixel(column, 0))
                                                               : resolveVbColor(backColor_, pal);
    };
    int runStart = first;
    while (runStart < last) {
        const QColor under = shownColourAt(runStart);
        int runEnd = runStart + 1;
        while (runEnd < last && shownColourAt(runEnd) == under) {
            ++runEnd;
        }
        painter.setClipRect(
            QRect(bar.left() + runStart, bar.top(), runEnd - runStart, bar.height()).intersected(bar));
        painter.setPen(readableOn(textColour, under));
        painter.drawText(captionArea, captionTextFlags, captionText_);
        runStart = runEnd;
    }
}

void BarColor::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControl();
}

void BarColor::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureCaption();
        if (!loading_) {
            layoutControl();
            emit propertyChanged(QStringLiteral("Font"));
        }
        updateGeometry();
    }
}

void BarColor::mousePressEvent(QMouseEvent* event) {
    const QPointF at = barPoint(event->position());
    const short button = vbButton(event->button());
    const QPointer<BarColor> self(this);
    emit MouseDown(button, vbShift(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    if (self && interactive_ && button == 1 && isEnabled()) {
        setValueFromMouse(at.x());
    }
}

void BarColor::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = barPoint(event->position());
    const short buttons = vbButtons(event->buttons());
    const QPointer<BarColor> self(this);
    emit MouseMove(buttons, vbShift(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    if (self && interactive_ && buttons == 1 && isEnabled()) {
        setValueFromMouse(at.x());
    }
}

void BarColor::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = barPoint(event->position());
    emit MouseUp(vbButton(event->button()), vbShift(event->modifiers()), static_cast<float>(at.x()),
                 static_cast<float>(at.y()));
}

void BarColor::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
    emit DblClick();
}

} // namespace quillon
