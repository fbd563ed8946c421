#pragma once
// The "Direct" pane: source text pasted into one box comes out coloured in the other,
// converted in memory line by line, with progress on the window's bar and a stop button.
// The result box shows HTML, BBCode or Markdown; "Copy" puts the coloured source on the
// clipboard in the formats other programs paste.

#include "engine/output_formats.h"

#include <QFrame>
#include <QRect>
#include <QString>

#include <array>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace quillon::platform {
class Clipboard;
}

namespace quillon::window {

class ColorsPane;
class PaneHost;
class UiYield;

class DirectPane : public QFrame {
    Q_OBJECT

public:
    // The formats the result box can show, in the order of CBformat's entries.
    static constexpr std::array<OutputFormat, 3> ShownFormats{OutputFormat::Html, OutputFormat::BbCode,
                                                              OutputFormat::Markdown};

    DirectPane(PaneHost& host, ColorsPane& colors, UiYield& uiYield, platform::Clipboard& clipboard,
               QWidget* parent);

    // Converts the text of TXTorigine into TXTtransform. Does nothing on an empty text, or
    // while a conversion is already running.
    void BTconvert_Click();
    // Asks the running conversion to end after its current line.
    void BTstop_Click();
    // Puts the source, coloured with the current scheme, on the clipboard as inline-styled
    // HTML, as RTF and as the plain text. Also Ctrl+Shift+C.
    void BTcopy_Click();

    // Where the progress bar goes while a conversion runs, in the pane's coordinates: the
    // free part of the row between the source's caption and "Convert", so that it covers
    // no button in any language or size.
    QRect progressBarPlace() const;

    OutputFormat shownFormat() const;

    bool converting() const { return converting_; }

    QPlainTextEdit& TXTorigine() { return *TXTorigine_; }
    QPlainTextEdit& TXTtransform() { return *TXTtransform_; }
    QPushButton& BTconvert() { return *BTconvert_; }
    QToolButton& BTstop() { return *BTstop_; }
    QPushButton& BTcopy() { return *BTcopy_; }
    QComboBox& CBformat() { return *CBformat_; }

private:
    class Fence;

    void buildControls();
    void buildFormatChoice();
    // Moves the lines converted since the last call into TXTtransform, caret at the end.
    void showPendingLines();

    PaneHost& host_;
    ColorsPane& colors_;
    UiYield& uiYield_;
    platform::Clipboard& clipboard_;
    bool converting_ = false;
    // Converted lines not yet in TXTtransform: the box is updated when the window gets to
    // repaint, not once per line, which would cost more than the conversion.
    QString pending_;

    QPlainTextEdit* TXTorigine_ = nullptr;
    QPlainTextEdit* TXTtransform_ = nullptr;
    QPushButton* BTconvert_ = nullptr;
    QToolButton* BTstop_ = nullptr;
    QPushButton* BTcopy_ = nullptr;
    QComboBox* CBformat_ = nullptr;
};

} // namespace quillon::window
