#include "window/direct_pane.h"

#include "base/vb_error.h"
#include "controls/bar_color.h"
#include "desktop/qt/qt_text.h"
#include "engine/direct_conversion.h"
#include "window/colors_pane.h"
#include "window/pane_host.h"
#include "window/progress_relay.h"
#include "window/twips.h"
#include "window/ui_yield.h"
#include "window/window_look.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <string>

namespace quillon::window {

namespace {

QPlainTextEdit* makeTextBox(QWidget* parent, const char* name) {
    auto* box = new QPlainTextEdit(parent);
    nameControl(*box, name);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    return box;
}

QLabel* makeImage(QWidget* parent, const char* name, const QString& iconName) {
    auto* image = new QLabel(parent);
    nameControl(*image, name);
    image->setPixmap(projectIcon(iconName).pixmap(QSize(16, 16)));
    return image;
}

// The box's text with its lines ended by CR LF, as the source text of the conversion: the
// reading positions and percentages then count line breaks as two characters each. Read
// block by block, as toPlainText() would turn no-break spaces into plain ones.
std::string sourceTextOf(const QPlainTextEdit& box) {
    QString text;
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
        if (block != box.document()->begin()) {
            text += QStringLiteral("\r\n");
        }
        text += block.text();
    }
    return platform::toStdString(text);
}

// Characters of converted text put into TXTtransform at a time (a box takes a few
// milliseconds for this many).
constexpr qsizetype PendingPiece = 64 * 1024;

} // namespace

// Everything that is changed for the time of one conversion, and undone however it ends.
class DirectPane::Fence {
public:
    explicit Fence(DirectPane& pane) : pane_(pane) {
        pane_.converting_ = true;
        pane_.host_.beginDirectWork();
        // A second start would run inside this one; a source edited meanwhile would no
        // longer be the text being converted.
        pane_.BTconvert_->setEnabled(false);
        pane_.TXTorigine_->setReadOnly(true);
    }
    ~Fence() {
        BarColor& bar = pane_.host_.progressBar();
        bar.hide();
        bar.setCaption(QStringLiteral("Ok"));
        pane_.BTstop_->hide();
        bar.setValue(0);
        pane_.TXTorigine_->setReadOnly(false);
        pane_.BTconvert_->setEnabled(true);
        pane_.host_.endDirectWork();
        pane_.converting_ = false;
    }
    Fence(const Fence&) = delete;
    Fence& operator=(const Fence&) = delete;

private:
    DirectPane& pane_;
};

DirectPane::DirectPane(PaneHost& host, ColorsPane& colors, UiYield& uiYield, QWidget* parent)
    : QFrame(parent), host_(host), colors_(colors), uiYield_(uiYield) {
    buildControls();
    connect(BTconvert_, &QPushButton::clicked, this, [this] { BTconvert_Click(); });
    connect(BTstop_, &QToolButton::clicked, this, [this] { BTstop_Click(); });
}

void DirectPane::buildControls() {
    TXTorigine_ = makeTextBox(this, "TXTorigine");
    placeInTwips(*TXTorigine_, 90, 180, 8625, 2415);
    TXTorigine_->setPlainText(platform::toQString(directSampleText()));

    auto* source = new QLabel(QStringLiteral("Visual Basic Source"), this);
    nameControl(*source, "Label11");
    placeInTwips(*source, 120, 2700, 1410, 195);
    placeInTwips(*makeImage(this, "Image1", QStringLiteral("source-text")), 1560, 2670, 240, 240);

    BTconvert_ = new QPushButton(QStringLiteral("Convert"), this);
    nameControl(*BTconvert_, "BTconvert");
    placeInTwips(*BTconvert_, 3900, 2640, 945, 375);

    BTstop_ = makePictureButton(this, "BTstop", QStringLiteral("stop"), QStringLiteral("STOP !"));
    BTstop_->setIconSize(QSize(20, 20));
    placeInTwips(*BTstop_, 6900, 2610, 405, 405);
    BTstop_->hide();

    placeInTwips(*makeImage(this, "Image2", QStringLiteral("html-text")), 7320, 2700, 240, 240);
    auto* result = new QLabel(QStringLiteral("Colorised HTML"), this);
    nameControl(*result, "Label12");
    placeInTwips(*result, 7560, 2730, 1140, 195);

    TXTtransform_ = makeTextBox(this, "TXTtransform");
    placeInTwips(*TXTtransform_, 90, 3030, 8625, 2415);

    setTabOrder(TXTorigine_, BTconvert_);
    setTabOrder(BTconvert_, BTstop_);
    setTabOrder(BTstop_, TXTtransform_);
}

void DirectPane::BTconvert_Click() {
    if (converting_ || TXTorigine_->document()->isEmpty()) {
        return;
    }
    trap(host_.errorReporter(), "BTconvert_Click", [&] {
        const std::string text = sourceTextOf(*TXTorigine_);
        DirectConversionOptions options;
        options.switches = switchesOf(colors_.scheme());
        options.optimize = colors_.optimize();

        Fence fence(*this);
        BarColor& bar = host_.progressBar();
        bar.show();
        bar.setMax(static_cast<double>(text.size()));
        BTstop_->show();
        TXTtransform_->clear();
        pending_.clear();
        host_.setStopRequested(false);

        ProgressRelay progress(bar);
        const BeforeYieldScope showProgress(uiYield_, [&] {
            showPendingLines();
            progress.flush();
        });
        convertDirect(
            text, options, {progress, &uiYield_, host_.errorReporter()},
            [this] { return host_.stopRequested(); },
            [this](std::string_view line) {
                pending_ += platform::toQString(line);
                pending_ += u'\n';
                // Colouring outruns the box by far: a large paste is converted long before
                // the first yield, and its text would then go into the box in one piece that
                // keeps the window from repainting, and "STOP !" from answering, for as long
                // as the box takes. In pieces, the yields fall between them.
                if (pending_.size() >= PendingPiece) {
                    showPendingLines();
                }
            });
        showPendingLines();
    });
}

void DirectPane::BTstop_Click() {
    host_.setStopRequested(true);
}

void DirectPane::showPendingLines() {
    if (pending_.isEmpty()) {
        return;
    }
    QTextCursor cursor(TXTtransform_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(pending_);
    pending_.clear();
    TXTtransform_->setTextCursor(cursor);
    TXTtransform_->ensureCursorVisible();
}

} // namespace quillon::window
