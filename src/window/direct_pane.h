#pragma once
// The "Direct" pane: source text pasted into one box comes out coloured in the other,
// converted in memory line by line, with progress on the window's bar and a stop button.

#include <QFrame>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace quillon::window {

class ColorsPane;
class PaneHost;
class UiYield;

class DirectPane : public QFrame {
    Q_OBJECT

public:
    DirectPane(PaneHost& host, ColorsPane& colors, UiYield& uiYield, QWidget* parent);

    // Converts the text of TXTorigine into TXTtransform. Does nothing on an empty text, or
    // while a conversion is already running.
    void BTconvert_Click();
    // Asks the running conversion to end after its current line.
    void BTstop_Click();

    bool converting() const { return converting_; }

    QPlainTextEdit& TXTorigine() { return *TXTorigine_; }
    QPlainTextEdit& TXTtransform() { return *TXTtransform_; }
    QPushButton& BTconvert() { return *BTconvert_; }
    QToolButton& BTstop() { return *BTstop_; }

private:
    class Fence;

    void buildControls();
    // Moves the lines converted since the last call into TXTtransform, caret at the end.
    void showPendingLines();

    PaneHost& host_;
    ColorsPane& colors_;
    UiYield& uiYield_;
    bool converting_ = false;
    // Converted lines not yet in TXTtransform: the box is updated when the window gets to
    // repaint, not once per line, which would cost more than the conversion.
    QString pending_;

    QPlainTextEdit* TXTorigine_ = nullptr;
    QPlainTextEdit* TXTtransform_ = nullptr;
    QPushButton* BTconvert_ = nullptr;
    QToolButton* BTstop_ = nullptr;
};

} // namespace quillon::window
