#include "desktop/qt/qt_common_dialogs.h"

#include "desktop/qt/qt_colours.h"
#include "desktop/qt/qt_text.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QPixmap>
#include <QVBoxLayout>

#include <new>

namespace quillon::platform {

const NamedColour FontDialogColours[16] = {
    {"Black", 0x000000},  {"Maroon", 0x000080},  {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080},  {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},     {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
};

namespace {

QPixmap swatch(std::int32_t colour) {
    QPixmap pixmap(24, 12);
    pixmap.fill(toQColor(colour));
    return pixmap;
}

} // namespace

FontChooserDialog::FontChooserDialog(QWidget* parent)
    : QDialog(parent), fonts_(new QFontDialog(this)), colours_(new QComboBox(this)) {
    setWindowTitle(tr("Font"));
    // The font part is Qt's own dialog shown as a plain widget, so the whole dialog can add
    // the colour list the platform's dialog lacks.
    fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setSizeGripEnabled(false);
    // Escape in the font part closes that inner dialog; it must close the whole one.
    connect(fonts_, &QDialog::rejected, this, &QDialog::reject);
    connect(fonts_, &QDialog::accepted, this, &QDialog::accept);
    for (const NamedColour& entry : FontDialogColours) {
        colours_->addItem(swatch(entry.colour), tr(entry.name), entry.colour);
    }
    auto* colourRow = new QFormLayout;
    colourRow->addRow(tr("&Color:"), colours_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);
}

void FontChooserDialog::setCurrentFont(const QFont& font) {
    fonts_->setCurrentFont(font);
}

QFont FontChooserDialog::currentFont() const {
    return fonts_->currentFont();
}

void FontChooserDialog::setCurrentColour(std::int32_t colour) {
    int index = colours_->findData(colour);
    if (index < 0) {
        colours_->addItem(swatch(colour), tr("Custom"), colour);
        index = colours_->count() - 1;
    }
    colours_->setCurrentIndex(index);
}

std::int32_t FontChooserDialog::currentColour() const {
    return colours_->currentData().toInt();
}

FontChoice fontChoiceOf(const QFont& font, std::int32_t colour) {
    FontChoice choice;
    choice.name = toStdString(font.family());
    double points = font.pointSizeF();
    if (points <= 0) {
        points = QFontInfo(font).pointSizeF();
    }
    choice.sizeText = fontSizeText(points);
    choice.bold = font.bold();
    choice.italic = font.italic();
    choice.underline = font.underline();
    choice.strikethrough = font.strikeOut();
    choice.colour = colour;
    return choice;
}

QFont fontOf(const FontChoice& choice) {
    QFont font = QApplication::font();
    font.setFamily(toQString(choice.name));
    bool ok = false;
    // A loaded sheet may carry the locale's decimal comma and blanks around the number.
    const double points =
        toQString(choice.sizeText).trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (ok && points > 0) {
        font.setPointSizeF(points);
    }
    font.setBold(choice.bold);
    font.setItalic(choice.italic);
    font.setUnderline(choice.underline);
    font.setStrikeOut(choice.strikethrough);
    return font;
}

QtCommonDialog::QtCommonDialog(QWidget* parent) : parent_(parent) {}

std::int32_t QtCommonDialog::ChoisirCouleur(std::int32_t current) {
    try {
        QColorDialog dialog(parent_);
        dialog.setCurrentColor(toQColor(current));
        if (runDialog(dialog) != QDialog::Accepted) {
            return current;
        }
        const QColor chosen =
            dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
        return fromQColor(chosen);
    } catch (...) {
        return current;
    }
}

std::optional<FontChoice> QtCommonDialog::ShowFont(const FontChoice& current) {
    try {
        FontChooserDialog dialog(parent_);
        dialog.setCurrentFont(fontOf(current));
        dialog.setCurrentColour(current.colour);
        if (runDialog(dialog) != QDialog::Accepted) {
            return std::nullopt;
        }
        return fontChoiceOf(dialog.currentFont(), dialog.currentColour());
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace quillon::platform
