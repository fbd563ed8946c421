#pragma once
// A self-drawn three-dimensional button: a caption on a coloured face inside a bevel of
// eight one-pixel lines, shown raised or sunken. Style 0 makes it a push button that
// springs back on release; any other Style makes it a switch that flips its Position on
// every click, which is how the main window builds its pane tabs.
//
// What is on screen is kept apart from the properties on purpose: between a press and
// its release the button looks sunken whatever its Position, a new caption goes to the
// raised place without touching the bevel, and BackColorDown shows only at the next
// sunken drawing.

#include "controls/property_bag.h"
#include "controls/vb_color.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

namespace quillon {

class SwitchButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(quint32 ForeColor READ foreColor WRITE setForeColor)
    Q_PROPERTY(bool Enabled READ isOwnEnabled WRITE setEnabled)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(int Position READ position WRITE setPosition)
    Q_PROPERTY(bool CaptionAuto READ captionAuto WRITE setCaptionAuto)
    Q_PROPERTY(int CaptionTop READ captionTop WRITE setCaptionTop)
    Q_PROPERTY(int CaptionLeft READ captionLeft WRITE setCaptionLeft)
    Q_PROPERTY(int Style READ style WRITE setStyle)
    Q_PROPERTY(quint32 ColorDownRightOne READ colorDownRightOne WRITE setColorDownRightOne)
    Q_PROPERTY(quint32 ColorDownRightTwo READ colorDownRightTwo WRITE setColorDownRightTwo)
    Q_PROPERTY(quint32 ColorTopLeftTwo READ colorTopLeftTwo WRITE setColorTopLeftTwo)
    Q_PROPERTY(quint32 ColorTopLeftOne READ colorTopLeftOne WRITE setColorTopLeftOne)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(quint32 BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(quint32 BackColorDown READ backColorDown WRITE setBackColorDown)

public:
    // Shows the about box; installed so that tests and embedders never block on a modal.
    using AboutHandler = std::function<void(SwitchButton&)>;

    explicit SwitchButton(QWidget* parent = nullptr);

    // The caption's colour changes at once; nothing is laid out or redrawn.
    VbColor foreColor() const { return foreColor_; }
    void setForeColor(VbColor colour);

    // The control's own enabled state, whatever its container's. Set through
    // QWidget::setEnabled; a disabled control reacts to no mouse action and looks the same.
    bool isOwnEnabled() const { return !testAttribute(Qt::WA_ForceDisabled); }

    // 1 (or any value but 0) raised, 0 sunken. Setting it redraws and raises no event.
    int position() const { return position_; }
    void setPosition(int position);

    // On: the layout centres the caption and overwrites CaptionTop and CaptionLeft.
    bool captionAuto() const { return captionAuto_; }
    void setCaptionAuto(bool on);
    int captionTop() const { return captionTop_; }
    void setCaptionTop(int pixels);
    int captionLeft() const { return captionLeft_; }
    void setCaptionLeft(int pixels);

    // 0 push button, anything else a switch.
    int style() const { return style_; }
    void setStyle(int style) {
        style_ = style;
        emit propertyChanged(QStringLiteral("Style"));
    }

    // Bevel colours; each setter redraws. An invalid colour raises error 380.
    VbColor colorDownRightOne() const { return colorDownRightOne_; }
    void setColorDownRightOne(VbColor colour);
    VbColor colorDownRightTwo() const { return colorDownRightTwo_; }
    void setColorDownRightTwo(VbColor colour);
    VbColor colorTopLeftTwo() const { return colorTopLeftTwo_; }
    void setColorTopLeftTwo(VbColor colour);
    VbColor colorTopLeftOne() const { return colorTopLeftOne_; }
    void setColorTopLeftOne(VbColor colour);

    // Lays out again: the caption goes to its raised place, the bevel keeps its look.
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);

    // The raised face; setting it redraws.
    VbColor backColor() const { return backColor_; }
    void setBackColor(VbColor colour);
    // The sunken face; it shows from the next sunken drawing on.
    VbColor backColorDown() const { return backColorDown_; }
    void setBackColorDown(VbColor colour);

    // Where the caption is drawn now, in the control's pixels.
    QRect captionGeometry() const { return QRect(captionPos_, captionSize_); }

    void About();
    // An empty handler restores the built-in message box.
    void setAboutHandler(AboutHandler handler) { aboutHandler_ = std::move(handler); }

    // Saves the properties that differ from their defaults, in declaration order.
    void writeProperties(PropertyBag& bag) const;
    // Loads every property (absent ones take their defaults), then lays out and redraws.
    // A bad value raises VbError and leaves the control as it was.
    void readProperties(const PropertyBag& bag);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void MouseDown(short button, short shift, float x, float y);
    void MouseMove(short button, short shift, float x, float y);
    void MouseUp(short button, short shift, float x, float y);
    void Click();
    // Raised by every setter with the property's name: the state to save has changed.
    void propertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The colours on screen of the four line pairs and the face.
    struct Look {
        VbColor topLeftOuter;
        VbColor topLeftInner;
        VbColor bottomRightOuter;
        VbColor bottomRightInner;
        VbColor face;
    };

    void layoutControl();
    void keyboardClick();
    void redraw() { drawLook(position_ != 0); }
    void drawLook(bool raised);
    void setBevelColour(VbColor& slot, VbColor colour, const char* name);
    QFont ambientFont() const;

    QString caption_ = QStringLiteral("Caption");
    VbColor foreColor_ = vbcolor::ButtonText;
    int position_ = 1;
    bool captionAuto_ = true;
    int captionTop_ = 0;
    int captionLeft_ = 0;
    int style_ = 0;
    VbColor colorDownRightOne_ = vbcolor::DarkShadow3D;
    VbColor colorDownRightTwo_ = vbcolor::ButtonShadow;
    VbColor colorTopLeftTwo_ = vbcolor::Light3D;
    VbColor colorTopLeftOne_ = vbcolor::ButtonHighlight;
    VbColor backColor_ = vbcolor::ButtonFace;
    VbColor backColorDown_ = vbcolor::WindowBackground;

    Look shown_{};
    QPoint captionPos_;
    // Cached by the layout: the caption's size and the eight bevel lines in stacking order
    // (left 1, right 1, left 2, right 2, top 1, down 1, top 2, down 2).
    QSize captionSize_;
    std::array<QRect, 8> bevel_{};
    bool pressed_ = false;
    int mnemonicShortcut_ = 0;
    AboutHandler aboutHandler_;
};

} // namespace quillon
