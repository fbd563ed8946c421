#pragma once
// A self-drawn horizontal bar filled from the left edge in proportion to Value / Max,
// with a caption centred on it: a free text, or with AutoCaption the value followed by
// StrExtend. With Interactive on, a left press or drag sets the value.
//
// The bar is drawn into a retained picture only when a property that affects it is set,
// on resize, and when the mouse sets the value; painting merely shows that picture. Every
// value assignment raises Change, even when it could not draw (Max 0).

#include "base/ui_hooks.h"
#include "controls/property_bag.h"
#include "controls/vb_color.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

#include <string>

namespace quillon {

class BarColor : public QWidget, public ProgressSink {
    Q_OBJECT
    Q_PROPERTY(short Appearance READ appearance WRITE setAppearance)
    Q_PROPERTY(quint32 BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(short BorderStyle READ borderStyle WRITE setBorderStyle)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(quint32 ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(double Min READ min WRITE setMin)
    Q_PROPERTY(double Max READ max WRITE setMax)
    Q_PROPERTY(double Value READ value WRITE setValue)
    Q_PROPERTY(quint32 FillColor READ fillColor WRITE setFillColor)
    Q_PROPERTY(bool Interactive READ interactive WRITE setInteractive)
    Q_PROPERTY(QString StrExtend READ strExtend WRITE setStrExtend)
    Q_PROPERTY(bool AutoCaption READ autoCaption WRITE setAutoCaption)

public:
    explicit BarColor(QWidget* parent = nullptr);

    // 0 flat, 1 three-dimensional border; anything else raises error 380. Lays out again.
    short appearance() const { return appearance_; }
    void setAppearance(short appearance);
    // The unfilled part of the bar. Setting it clears the picture and redraws.
    VbColor backColor() const { return backColor_; }
    void setBackColor(VbColor colour);
    // 0 none, 1 single line; anything else raises error 380. Lays out again.
    short borderStyle() const { return borderStyle_; }
    void setBorderStyle(short style);

    // The text shown, suffix included.
    QString caption() const { return captionText_; }
    // Shows `text`, followed by StrExtend when AutoCaption is on, centred. No drawing and
    // no Change.
    void setCaption(const QString& text);
    void setCaption(const std::string& text) override;

    // The caption's colour; redraws.
    VbColor foreColor() const { return foreColor_; }
    void setForeColor(VbColor colour);

    // Min only bounds what the mouse can set; the bar always runs from 0 to Max. Both
    // setters redraw.
    double min() const { return min_; }
    void setMin(double min);
    double max() const override { return max_; }
    void setMax(double max) override;

    // Stored unclamped: above Max fills the whole bar, below 0 leaves it empty. Draws,
    // refreshes the caption when AutoCaption is on and raises Change.
    double value() const override { return value_; }
    void setValue(double value) override;

    // The filled part of the bar; redraws.
    VbColor fillColor() const { return fillColor_; }
    void setFillColor(VbColor colour);

    bool interactive() const { return interactive_; }
    void setInteractive(bool on);
    // The suffix of an automatic caption; redraws.
    QString strExtend() const { return strExtend_; }
    void setStrExtend(const QString& suffix);
    // Takes effect at the next value assignment.
    bool autoCaption() const { return autoCaption_; }
    void setAutoCaption(bool on);

    // The part of the control the bar is drawn on, and where the caption sits inside it.
    QRect barRect() const;
    QRect captionGeometry() const { return QRect(captionPos_, captionSize_).translated(barRect().topLeft()); }

    // Saves the properties that differ from their defaults, in declaration order; Caption
    // as shown, suffix included.
    void writeProperties(PropertyBag& bag) const;
    // Loads every property (absent ones take their defaults) without drawing: the next
    // layout draws. A bad value raises VbError and leaves the control as it was.
    void readProperties(const PropertyBag& bag);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Change();
    void DblClick();
    // X and Y are in the bar's own coordinates, inside the border.
    void MouseDown(short button, short shift, float x, float y);
    void MouseMove(short button, short shift, float x, float y);
    void MouseUp(short button, short shift, float x, float y);
    // Raised by every setter with the property's name: the state to save has changed.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int borderWidth() const;
    void layoutControl();
    void redraw() { setValue(value_); }
    void fitPicture();
    void drawBar(double value);
    void measureCaption();
    void centreCaption();
    // The value that horizontal position `x` on the bar stands for, clamped to Min..Max.
    qint32 XinValue(qint32 x) const;
    void setValueFromMouse(double x);
    QPointF barPoint(const QPointF& widgetPoint) const;

    short appearance_ = 1;
    short borderStyle_ = 1;
    VbColor backColor_ = vbcolor::ButtonFace;
    VbColor foreColor_ = vbcolor::ButtonText;
    VbColor fillColor_ = vbRgb(255, 0, 0);
    double min_ = 0;
    double max_ = 100;
    double value_ = 50;
    bool interactive_ = true;
    QString strExtend_ = QStringLiteral("%");
    bool autoCaption_ = true;

    QString captionText_ = QStringLiteral("50");
    QSize captionSize_;
    QPoint captionPos_;
    QImage picture_;
    bool loading_ = false;
};

} // namespace quillon
