#include "window/direct_pane.h"

#include "base/vb_error.h"
#include "controls/bar_color.h"
#include "desktop/clipboard.h"
#include "desktop/qt/qt_text.h"
#include "engine/direct_conversion.h"
#include "window/colors_pane.h"
#include "window/pane_host.h"
#include "window/progress_relay.h"
#include "window/twips.h"
#include "window/ui_yield.h"
#include "window/window_look.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <string>

namespace quillon::window {

namespace {

// Code lines up in columns only in a fixed-pitch font.
QFont codeFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.0);
    return font;
}

QPlainTextEdit* makeTextBox(QWidget* parent, const char* name) {
    auto* box = new QPlainTextEdit(parent);
    nameControl(*box, name);
    box->setFont(codeFont());
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

// The box's text with its lines ended by `lineBreak`. Read block by block, as toPlainText()
// would turn no-break spaces into plain ones.
std::string sourceTextOf(const QPlainTextEdit& box, const QString& lineBreak) {
    QString text;
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
        if (block != box.document()->begin()) {
            text += lineBreak;
        }
        text += block.text();
    }
    return platform::toStdString(text);
}

constexpr std::array<const char*, DirectPane::ShownFormats.size()> FormatCaptions{"HTML", "BBCode",
                                                                                  "Markdown"};

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
        pane_.CBformat_->setEnabled(false);
        pane_.TXTorigine_->setReadOnly(true);
    }
    ~Fence() {
        BarColor& bar = pane_.host_.progressBar();
        bar.hide();
        bar.setCaption(QStringLiteral("Ok"));
        pane_.BTstop_->hide();
        bar.setValue(0);
        pane_.TXTorigine_->setReadOnly(false);
        pane_.CBformat_->setEnabled(true);
        pane_.BTconvert_->setEnabled(true);
        pane_.host_.endDirectWork();
        pane_.converting_ = false;
    }
    Fence(const Fence&) = delete;
    Fence& operator=(const Fence&) = delete;

private:
    DirectPane& pane_;
};

DirectPane::DirectPane(PaneHost& host, ColorsPane& colors, UiYield& uiYield, platform::Clipboard& clipboard,
                       QWidget* parent)
    : QFrame(parent), host_(host), colors_(colors), uiYield_(uiYield), clipboard_(clipboard) {
    buildControls();
    connect(BTconvert_, &QPushButton::clicked, this, [this] { BTconvert_Click(); });
    connect(BTstop_, &QToolButton::clicked, this, [this] { BTstop_Click(); });
    connect(BTcopy_, &QPushButton::clicked, this, [this] { BTcopy_Click(); });
    // Only while the pane is shown: a hidden pane's shortcuts are not active.
    auto* copyKeys = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), this);
    copyKeys->setContext(Qt::WindowShortcut);
    connect(copyKeys, &QShortcut::activated, this, [this] { BTcopy_Click(); });
    connect(CBformat_, &QComboBox::activated, this, [this] {
        // A result in the format no longer chosen would be mistaken for the new one.
        if (!TXTtransform_->document()->isEmpty()) {
            BTconvert_Click();
        }
    });
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

    BTcopy_ = new QPushButton(QStringLiteral("Copy"), this);
    nameControl(*BTcopy_, "BTcopy");
    BTcopy_->setToolTip(
        QStringLiteral("Copy in colour, to paste into a document or an e-mail (Ctrl+Shift+C)"));
    placeInTwips(*BTcopy_, 4905, 2640, 720, 375);

    buildFormatChoice();

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
    setTabOrder(BTconvert_, BTcopy_);
    setTabOrder(BTcopy_, CBformat_);
    setTabOrder(CBformat_, BTstop_);
    setTabOrder(BTstop_, TXTtransform_);
}

void DirectPane::buildFormatChoice() {
    CBformat_ = new QComboBox(this);
    nameControl(*CBformat_, "CBformat");
    CBformat_->setToolTip(QStringLiteral("Format of the converted text"));
    // The entries' captions are named actions, so the language files carry them as they
    // carry every caption.
    for (std::size_t i = 0; i < ShownFormats.size(); ++i) {
        auto* caption = new QAction(QString::fromLatin1(FormatCaptions[i]), CBformat_);
        nameControl(*caption, "CBformatItem", static_cast<int>(i));
        CBformat_->addItem(caption->text());
        connect(caption, &QAction::changed, CBformat_,
                [this, caption, i] { CBformat_->setItemText(static_cast<int>(i), caption->text()); });
    }
    placeInTwips(*CBformat_, 5670, 2655, 1215, 345);
}

OutputFormat DirectPane::shownFormat() const {
    const int index = std::clamp(CBformat_->currentIndex(), 0, static_cast<int>(ShownFormats.size()) - 1);
    return ShownFormats[static_cast<std::size_t>(index)];
}

QRect DirectPane::progressBarPlace() const {
    const QRect convert = BTconvert_->geometry();
    int left = 0;
    for (const QWidget* control : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect place = control->geometry();
        const bool inRow = place.bottom() >= convert.top() && place.top() <= convert.bottom();
        if (!control->isHidden() && inRow && place.right() < convert.left()) {
            left = std::max(left, place.right() + 1);
        }
    }
    const int gap = twipsToPixels(60, logicalDpiX());
    return {QPoint(left + gap, convert.top()), QPoint(convert.left() - gap - 1, convert.bottom())};
}

void DirectPane::BTconvert_Click() {
    if (converting_ || TXTorigine_->document()->isEmpty()) {
        return;
    }
    trap(host_.errorReporter(), "BTconvert_Click", [&] {
        // Lines ended by CR LF: the reading positions and percentages count line breaks as
        // two characters each.
        const std::string text = sourceTextOf(*TXTorigine_, QStringLiteral("\r\n"));
        DirectConversionOptions options;
        options.switches = switchesOf(colors_.scheme());
        options.optimize = colors_.optimize();
        FormattedOutput output(shownFormat(), colors_.scheme(), "\n");
        std::string piece;
        const auto addPiece = [&] {
            pending_ += platform::toQString(piece);
            piece.clear();
        };

        Fence fence(*this);
        BarColor& bar = host_.progressBar();
        const QRect place = progressBarPlace();
        bar.setGeometry(QRect(mapTo(bar.parentWidget(), place.topLeft()), place.size()));
        bar.show();
        bar.setMax(static_cast<double>(text.size()));
        BTstop_->show();
        TXTtransform_->clear();
        pending_.clear();
        host_.setStopRequested(false);
        output.begin(piece);
        addPiece();

        ProgressRelay progress(bar);
        const BeforeYieldScope showProgress(uiYield_, [&] {
            showPendingLines();
            progress.flush();
        });
        convertDirect(
            text, options, {progress, &uiYield_, host_.errorReporter()},
            [this] { return host_.stopRequested(); },
            [&](std::string_view line) {
                output.feed(line, piece);
                output.endLine(piece);
                addPiece();
                // Colouring outruns the box by far: a large paste is converted long before
                // the first yield, and its text would then go into the box in one piece that
                // keeps the window from repainting, and "STOP !" from answering, for as long
                // as the box takes. In pieces, the yields fall between them.
                if (pending_.size() >= PendingPiece) {
                    showPendingLines();
                }
            });
        output.end(piece);
        addPiece();
        showPendingLines();
    });
}

void DirectPane::BTstop_Click() {
    host_.setStopRequested(true);
}

void DirectPane::BTcopy_Click() {
    if (TXTorigine_->document()->isEmpty()) {
        return;
    }
    trap(host_.errorReporter(), "BTcopy_Click", [&] {
        const QString lineBreak(QLatin1Char('\n'));
        platform::ClipboardContent content;
        content.plainText = sourceTextOf(*TXTorigine_, lineBreak);
        const ColourScheme& scheme = colors_.scheme();
        content.html =
            formatText(content.plainText, OutputFormat::HtmlInline, scheme, colors_.optimize(), "\n");
        content.rtf = formatText(content.plainText, OutputFormat::Rtf, scheme, colors_.optimize(), "\n");
        clipboard_.put(content);
    });
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
