#include "window/colors_pane.h"

#include "base/vb_error.h"
#include "desktop/qt/qt_colours.h"
#include "desktop/qt/qt_text.h"
#include "lang/translate.h"
#include "scheme/style_sheet.h"
#include "scheme/themes.h"
#include "window/twips.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QToolButton>
#include <qdrawutil.h>

#include <initializer_list>
#include <optional>

namespace quillon::window {

namespace {

using platform::toQColor;
using platform::toQString;
using platform::toStdString;

// The pane frame of the main window, and where the entry rows start inside FrameConfig.
constexpr int PaneWidth = 8805;
constexpr int PaneHeight = 5505;
constexpr int FirstRowTop = 180;
constexpr int RowPitch = 360;

constexpr std::array<const char*, SchemeEntryCount> EntryCaptions{
    "BackGround :", "Normal :", "Comment :", "String :", "Key Word :", "Other :", "Number :",
};

// The sample program of the preview, word by word: index order, which is the order the words
// are repainted in, not reading order.
struct PreviewWord {
    const char* caption;
    SchemeEntry entry;
    int left;
    int top;
};

constexpr std::array<PreviewWord, 14> PreviewWords{{
    {"'   It's my first SUB !", Comment, 60, 180},
    {"Public Sub", KeyWord, 60, 420},
    {"\"Hello World !\"", String, 1500, 900},
    {"1234", Number, 1140, 660},
    {"HelloWorld", Normal, 1200, 420},
    {"()", Other, 2280, 420},
    {"For", KeyWord, 360, 660},
    {"i", Normal, 780, 660},
    {"=", Other, 960, 660},
    {"To", KeyWord, 1680, 660},
    {"5678", Number, 1980, 660},
    {"MsgBox", Normal, 720, 900},
    {"Next", KeyWord, 360, 1140},
    {"End Sub", KeyWord, 60, 1380},
}};

constexpr double PreviewPointSize = 8.25;
constexpr std::string_view PreviewFontName = "Courier New";

template <class Widget> Widget* named(Widget* widget, const char* name, int index = -1) {
    nameControl(*widget, name, index);
    return widget;
}

// Moves to a position in twips and takes the size of the widget's text, for the controls
// that are sized to their caption.
void placeSizedToText(QWidget& widget, int left, int top) {
    const double dpi = widget.logicalDpiX();
    widget.adjustSize();
    widget.move(twipsToPixels(left, dpi), twipsToPixels(top, dpi));
}

std::int32_t buttonColour(const QPushButton& button) {
    return button.property(BackColorProperty).toInt();
}

// A graphical button shows its colour as its face; a style sheet is the one way every Qt
// style honours a face colour.
void setButtonColour(QPushButton& button, std::int32_t colour) {
    if (button.property(BackColorProperty).isValid() && buttonColour(button) == colour) {
        return;
    }
    button.setProperty(BackColorProperty, colour);
    button.setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 2px outset #a0a0a0; }"
                                        "QPushButton:pressed { border-style: inset; }")
                             .arg(toQColor(colour).name()));
}

void setColours(QWidget& widget, std::int32_t background, std::int32_t text) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, toQColor(background));
    palette.setColor(QPalette::WindowText, toQColor(text));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

// Black or white, whichever reads better on `background`.
std::int32_t contrastingText(std::int32_t background) {
    const QColor colour = toQColor(background);
    const int luma = (299 * colour.red() + 587 * colour.green() + 114 * colour.blue()) / 1000;
    return luma < 128 ? rgb(255, 255, 255) : rgb(0, 0, 0);
}

// The size text of the scheme as a point size: a loaded sheet may carry the locale's decimal
// comma and blanks around the number.
std::optional<double> pointSizeOf(const std::string& sizeText) {
    bool ok = false;
    const double points =
        toQString(sizeText).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || points <= 0) {
        return std::nullopt;
    }
    return points;
}

// A frame whose caption sits on its top border, as on the classic frames the pane was laid
// out for: the border runs at half the caption's height, so the first preview word, placed
// just below it, is never crossed by it.
class CaptionOnBorderFrame final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        // Etched, as the classic frames were; the style's own group box frame keeps a title
        // margin of its own.
        qDrawShadeRect(&painter, rect().adjusted(0, metrics.height() / 2, 0, 0), palette(), true, 1, 0);
        if (title().isEmpty()) {
            return;
        }
        const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
        painter.fillRect(caption, palette().color(QPalette::Window));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, title());
    }
};

} // namespace

ColorsPane::ColorsPane(WindowServices& services, QWidget* parent) : QFrame(parent), services_(services) {
    named(this, "FrameSTEP", 1);
    resize(twipsToPixels(PaneWidth, logicalDpiX()), twipsToPixels(PaneHeight, logicalDpiY()));

    buildEntryRows();
    buildPreview();
    buildStyleSheetControls();
    buildFontControls();
    buildThemeControls();

    InitConfigCouleur(scheme_);
    AfficheConfigCouleur(false);
    UpdateSample();
}

void ColorsPane::buildEntryRows() {
    frameConfig_ = named(new QGroupBox(this), "FrameConfig");
    placeInTwips(*frameConfig_, 210, 210, 3015, 2775);

    for (int i = 0; i < SchemeEntryCount; ++i) {
        EntryRow& row = rows_[static_cast<std::size_t>(i)];
        const int top = FirstRowTop + RowPitch * i;
        if (i <= Normal) {
            row.name = named(
                new QLabel(QString::fromLatin1(EntryCaptions[static_cast<std::size_t>(i)]), frameConfig_),
                "LBLtext", i);
            placeInTwips(*row.name, i == Background ? 120 : 60, top + 60, 1275, 255);
        } else {
            row.category = named(
                new QCheckBox(QString::fromLatin1(EntryCaptions[static_cast<std::size_t>(i)]), frameConfig_),
                "CHKtext", i);
            placeInTwips(*row.category, 120, top, 1290, 315);
            // Only the user's own click counts: the program sets these boxes while it shows
            // the scheme, and that must not capture the half-shown pane.
            connect(row.category, &QCheckBox::clicked, this, [this] { CHKtext_MouseUp(); });
        }

        row.colour = named(new QPushButton(frameConfig_), "BTtext", i);
        placeInTwips(*row.colour, 1440, top, 435, 315);
        connect(row.colour, &QPushButton::clicked, this, [this, i] { BTtext_Click(i); });

        if (i > Normal) {
            row.bold = named(new QCheckBox(QStringLiteral("Bold"), frameConfig_), "CHKbold", i);
            placeInTwips(*row.bold, 2040, top, 900, 315);
            connect(row.bold, &QCheckBox::clicked, this, [this] { CHKbold_MouseUp(); });
        }
    }
}

void ColorsPane::buildPreview() {
    previewLabel_ = named(new QLabel(QStringLiteral("Preview :"), this), "Label3");
    placeSizedToText(*previewLabel_, 3420, 600);

    frameSample_ = named(new CaptionOnBorderFrame(QStringLiteral("Example"), this), "FrameSample");
    placeInTwips(*frameSample_, 3420, 900, 5115, 1935);

    QFont font(toQString(PreviewFontName));
    font.setPointSizeF(PreviewPointSize);
    for (std::size_t i = 0; i < PreviewWords.size(); ++i) {
        const PreviewWord& word = PreviewWords[i];
        QLabel* label =
            named(new QLabel(QString::fromLatin1(word.caption), frameSample_), "LBL", static_cast<int>(i));
        label->setProperty(TagProperty, QString::number(word.entry));
        label->setFont(font);
        placeSizedToText(*label, word.left, word.top);
        words_[i] = label;
    }
}

void ColorsPane::buildStyleSheetControls() {
    loadCss_ = named(new QPushButton(QStringLiteral("Load a CSS"), this), "BTloadCSS");
    loadCss_->setToolTip(QStringLiteral("But only the CSS saved by Quillon"));
    placeInTwips(*loadCss_, 3480, 3060, 1335, 435);
    connect(loadCss_, &QPushButton::clicked, this, [this] { BTloadCSS_Click(); });

    saveColor_ = named(new QPushButton(QStringLiteral("Save as CSS"), this), "BTsaveColor");
    saveColor_->setIcon(projectIcon(QStringLiteral("save")));
    placeInTwips(*saveColor_, 7260, 3060, 1275, 435);
    connect(saveColor_, &QPushButton::clicked, this, [this] { BTsaveColor_Click(); });

    optimize_ = named(new QCheckBox(QStringLiteral("Optimize size"), this), "CHKoptimize");
    optimize_->setToolTip(QStringLiteral("10% Less Size but more work time"));
    optimize_->setChecked(true);
    placeInTwips(*optimize_, 450, 3240, 2415, 255);

    // The border is drawn first so that the controls it frames, and the box whose caption
    // sits on its top edge, lie in front of it.
    frameCss_ = named(new QGroupBox(this), "FrameCSS");
    placeInTwips(*frameCss_, 300, 3630, 2595, 855);

    useCss_ = named(new QCheckBox(QStringLiteral("Use External CSS :"), this), "CHKcss");
    placeInTwips(*useCss_, 450, 3600, 1815, 255);
    // Follows the box's value, whoever sets it, so the four controls never disagree with it.
    connect(useCss_, &QCheckBox::toggled, this, [this](bool ticked) { CHKcss_Click(ticked); });

    cssBox_ = named(new QLineEdit(this), "TXTcss");
    // The text only names the sheet; the path is in the tag. Typing would make them disagree.
    cssBox_->setReadOnly(true);
    cssBox_->setProperty(TagProperty, QString());
    placeInTwips(*cssBox_, 480, 3930, 1455, 315);

    chooseCss_ = makePictureButton(this, "BTchooseCSS", QStringLiteral("open"),
                                   QStringLiteral("Open a CSS (saved by Quillon)"));
    placeInTwips(*chooseCss_, 1980, 3930, 375, 315);
    connect(chooseCss_, &QToolButton::clicked, this, [this] { BTchooseCSS_Click(); });

    viewCss_ =
        makePictureButton(this, "BTviewCSS", QStringLiteral("view-text"), QStringLiteral("View this CSS"));
    placeInTwips(*viewCss_, 2400, 3930, 375, 315);
    connect(viewCss_, &QToolButton::clicked, this, [this] { BTviewCSS_Click(); });

    CHKcss_Click(false);
}

void ColorsPane::buildFontControls() {
    fontButton_ = named(new QPushButton(QStringLiteral("Font ..."), this), "BTfont");
    placeInTwips(*fontButton_, 3480, 3630, 735, 375);
    connect(fontButton_, &QPushButton::clicked, this, [this] { BTfont_Click(); });

    fontLabel_ = named(new QLabel(this), "LBLfont");
    // The label shows the scheme's font name, which no language file may change.
    fontLabel_->setProperty("vbKeepText", true);
    QFont font(toQString(DefaultFontName));
    font.setPointSizeF(10);
    fontLabel_->setFont(font);
    const double dpi = logicalDpiX();
    fontLabel_->move(twipsToPixels(4290, dpi), twipsToPixels(3630, dpi));
}

namespace {

// The theme lists show the display names; an item's data is its index in BuiltInThemes.
QComboBox* themeList(QWidget* parent, const char* name) {
    auto* list = named(new QComboBox(parent), name);
    for (std::size_t i = 0; i < BuiltInThemes.size(); ++i) {
        list->addItem(toQString(BuiltInThemes[i].displayName), static_cast<int>(i));
    }
    return list;
}

const Theme& themeOf(const QComboBox& list) {
    const int index = list.currentData().toInt();
    return BuiltInThemes.at(static_cast<std::size_t>(index < 0 ? 0 : index));
}

} // namespace

void ColorsPane::buildThemeControls() {
    // Next to "Load a CSS": a theme is one more scheme to start from.
    themeList_ = themeList(this, "LSTtheme");
    themeList_->setToolTip(QStringLiteral("Built-in colour schemes"));
    placeInTwips(*themeList_, 4920, 3090, 1560, 345);
    // Only the user's choice takes a theme, so choosing the shown one again takes it again.
    connect(themeList_, &QComboBox::activated, this, [this](int index) { LSTtheme_Click(index); });

    darkVariant_ = named(new QCheckBox(QStringLiteral("Dark variant :"), this), "CHKdark");
    darkVariant_->setToolTip(
        QStringLiteral("Pages also carry this theme for readers whose system is set to dark"));
    placeInTwips(*darkVariant_, 3480, 4290, 1395, 255);
    darkThemeList_ = themeList(this, "LSTdark");
    darkThemeList_->setCurrentIndex(static_cast<int>(BuiltInThemes.size()) - 1);
    placeInTwips(*darkThemeList_, 4920, 4245, 1560, 345);
    connect(darkVariant_, &QCheckBox::toggled, this, [this](bool ticked) { CHKdark_Click(ticked); });
    CHKdark_Click(false);
}

// ---------------------------------------------------------------------------------------------
// Showing and capturing the scheme

void ColorsPane::AfficheConfigCouleur(bool rederive) {
    trap(services_.errorReporter, "AfficheConfigCouleur", [&] {
        if (rederive) {
            rederiveEnabled(scheme_);
        }
        for (int i = 0; i < SchemeEntryCount; ++i) {
            setButtonColour(*rows_[static_cast<std::size_t>(i)].colour,
                            scheme_.ConfigCouleur[static_cast<std::size_t>(i)].Color);
        }
        for (int i = Comment; i < SchemeEntryCount; ++i) {
            const EntryRow& row = rows_[static_cast<std::size_t>(i)];
            const TypeCouleur& entry = scheme_.ConfigCouleur[static_cast<std::size_t>(i)];
            // A hidden Bold box is cleared, but the entry keeps its flag until the next capture.
            row.bold->setChecked(entry.Bold && entry.Enabled);
            row.category->setChecked(entry.Enabled);
            row.colour->setVisible(entry.Enabled);
            row.bold->setVisible(entry.Enabled);
        }
        showFontLabel();
    });
}

void ColorsPane::UpdateSample() {
    trap(services_.errorReporter, "UpdateSample", [&] {
        const std::int32_t background = scheme_.ConfigCouleur[Background].Color;
        for (QLabel* word : words_) {
            const int index = word->property(TagProperty).toInt();
            if (index < 0 || index >= SchemeEntryCount) {
                quillon::raise(vberr::InvalidCall);
            }
            const TypeCouleur& entry = scheme_.ConfigCouleur[static_cast<std::size_t>(index)];
            setColours(*word, background, entry.Color);
            if (word->font().bold() != entry.Bold) {
                QFont font = word->font();
                font.setBold(entry.Bold);
                word->setFont(font);
                word->adjustSize();
            }
        }
        const std::int32_t frameColour = buttonColour(*rows_[Background].colour);
        setColours(*frameSample_, frameColour, contrastingText(frameColour));
    });
}

void ColorsPane::EnregistreConfigCouleur() {
    trap(services_.errorReporter, "EnregistreConfigCouleur", [&] {
        SchemePaneState pane;
        for (std::size_t i = 0; i < SchemeEntryCount; ++i) {
            const EntryRow& row = rows_[i];
            pane.buttonColour[i] = buttonColour(*row.colour);
            pane.categoryTicked[i] = row.category != nullptr && row.category->isChecked();
            pane.boldTicked[i] = row.bold != nullptr && row.bold->isChecked();
        }
        quillon::EnregistreConfigCouleur(scheme_, pane);
    });
}

std::int32_t ColorsPane::ChoisirCouleur(std::int32_t current) {
    return services_.colourDialog.ChoisirCouleur(current);
}

void ColorsPane::captureAndShow() {
    EnregistreConfigCouleur();
    AfficheConfigCouleur(false);
    UpdateSample();
}

void ColorsPane::showFontLabel() {
    const QString name = toQString(scheme_.fontName);
    const QString size = toQString(scheme_.fontSize);
    if (fontLabel_->text() == name && fontLabel_->property(TagProperty).toString() == size) {
        return;
    }
    fontLabel_->setText(name);
    fontLabel_->setProperty(TagProperty, size);
    QFont font = fontLabel_->font();
    font.setFamily(name);
    if (const auto points = pointSizeOf(scheme_.fontSize)) {
        font.setPointSizeF(*points);
    }
    fontLabel_->setFont(font);
    fontLabel_->adjustSize();
}

// ---------------------------------------------------------------------------------------------
// Handlers

void ColorsPane::BTtext_Click(int index) {
    trap(services_.errorReporter, "BTtext_Click", [&] {
        QPushButton& button = *rows_[static_cast<std::size_t>(index)].colour;
        setButtonColour(button, ChoisirCouleur(buttonColour(button)));
        EnregistreConfigCouleur();
        UpdateSample();
    });
}

void ColorsPane::CHKtext_MouseUp() {
    trap(services_.errorReporter, "CHKtext_MouseUp", [&] { captureAndShow(); });
}

void ColorsPane::CHKbold_MouseUp() {
    trap(services_.errorReporter, "CHKbold_MouseUp", [&] { captureAndShow(); });
}

void ColorsPane::BTfont_Click() {
    // A cancel, or a failing dialog, changes nothing and says nothing.
    try {
        const QFont shown = fontLabel_->font();
        const platform::FontChoice current{
            scheme_.fontName,
            scheme_.fontSize,
            shown.bold(),
            shown.italic(),
            shown.underline(),
            shown.strikeOut(),
            platform::fromQColor(fontLabel_->palette().color(QPalette::WindowText))};
        const std::optional<platform::FontChoice> choice = services_.fontDialog.ShowFont(current);
        // The name and size go into every page's style block: a name that could end the
        // block, or a size that is no number, is not taken.
        if (!choice || !isSafeFontName(choice->name) || !isFontSizeText(choice->sizeText)) {
            return;
        }
        scheme_.fontName = choice->name;
        scheme_.fontSize = choice->sizeText;
        showFontLabel();
        QFont font = fontLabel_->font();
        font.setBold(choice->bold);
        font.setItalic(choice->italic);
        font.setUnderline(choice->underline);
        font.setStrikeOut(choice->strikethrough);
        fontLabel_->setFont(font);
        QPalette palette = fontLabel_->palette();
        palette.setColor(QPalette::WindowText, toQColor(choice->colour));
        fontLabel_->setPalette(palette);
        fontLabel_->adjustSize();
    } catch (...) {
    }
}

void ColorsPane::CHKcss_Click(bool ticked) {
    trap(services_.errorReporter, "CHKcss_Click", [&] {
        for (QWidget* control : std::initializer_list<QWidget*>{cssBox_, chooseCss_, viewCss_, frameCss_}) {
            control->setVisible(ticked);
        }
    });
}

void ColorsPane::BTchooseCSS_Click() {
    trap(services_.errorReporter, "BTchooseCSS_Click", [&] {
        std::string fileTitle;
        std::int32_t errorCode = 0;
        const std::string path = services_.fileDialogs.OuvrirFichier(
            platform::FileKind::StyleSheet, fileTitle, lang::dialogText(lang::dialogtext::StyleSheetTitle),
            errorCode);
        // A cancel leaves both empty: no external sheet is chosen any more.
        cssBox_->setText(toQString(fileTitle));
        cssBox_->setProperty(TagProperty, toQString(path));
        if (!path.empty()) {
            loadStyleSheet(path);
        }
    });
}

void ColorsPane::BTloadCSS_Click() {
    trap(services_.errorReporter, "BTloadCSS_Click", [&] {
        std::string fileTitle;
        std::int32_t errorCode = 0;
        const std::string path = services_.fileDialogs.OuvrirFichier(
            platform::FileKind::StyleSheet, fileTitle, lang::GetMsg("msg8"), errorCode);
        if (!path.empty()) {
            loadStyleSheet(path);
        }
    });
}

void ColorsPane::BTsaveColor_Click() {
    trap(services_.errorReporter, "BTsaveColor_Click", [&] {
        std::string fileTitle;
        std::int32_t errorCode = 0;
        const std::string path = services_.fileDialogs.EnregistrerFichier(
            platform::FileKind::StyleSheet, fileTitle, lang::GetMsg("msg10"), errorCode);
        if (path.empty()) {
            return;
        }
        EnregistreConfigCouleur();
        trap(services_.errorReporter, "SaveCoulorInFile", [&] { SaveCoulorInFile(path, scheme_); });
    });
}

void ColorsPane::BTviewCSS_Click() {
    trap(services_.errorReporter, "BTviewCSS_Click", [&] {
        services_.documentOpener.OpenDocument("notepad", platform::ShowDefault, toStdString(cssPath()), "",
                                              "open", 0);
    });
}

void ColorsPane::LSTtheme_Click(int index) {
    trap(services_.errorReporter, "LSTtheme_Click", [&] {
        applyTheme(scheme_, BuiltInThemes.at(static_cast<std::size_t>(themeList_->itemData(index).toInt())));
        AfficheConfigCouleur(false);
        UpdateSample();
    });
}

void ColorsPane::CHKdark_Click(bool ticked) {
    darkThemeList_->setEnabled(ticked);
}

void ColorsPane::loadStyleSheet(const std::string& path) {
    const StyleSheetLoad result = LoadCoulorFromFile(path, scheme_);
    if (!result.loaded()) {
        services_.messageBoxes.showRefusal(result.message);
        return;
    }
    AfficheConfigCouleur(true);
    UpdateSample();
}

// ---------------------------------------------------------------------------------------------
// Options read by the page writer

bool ColorsPane::optimize() const {
    return optimize_->isChecked();
}

bool ColorsPane::useExternalCss() const {
    return useCss_->isChecked();
}

QString ColorsPane::cssText() const {
    return cssBox_->text();
}

QString ColorsPane::cssPath() const {
    return cssBox_->property(TagProperty).toString();
}

std::optional<ColourScheme> ColorsPane::darkScheme() const {
    if (!darkVariant_->isChecked()) {
        return std::nullopt;
    }
    return darkVariantOf(themeOf(*darkThemeList_), scheme_);
}

} // namespace quillon::window
