#pragma once
// The colour and font dialogs on Qt. Each opens on what the pane shows: the colour dialog on
// the clicked entry's colour, the font dialog on the label's font and colour.

#include "desktop/common_dialogs.h"
#include "desktop/qt/modal_runner.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPointer>

#include <optional>

class QComboBox;
class QFontDialog;

namespace quillon::platform {

// The sixteen colours of the classic font dialog's colour list, in its order.
struct NamedColour {
    const char* name;
    std::int32_t colour; // 0x00BBGGRR
};
extern const NamedColour FontDialogColours[16];

// A font dialog with the effects part: the font, underline and strike-through, and a colour.
class FontChooserDialog final : public QDialog {
    Q_OBJECT
public:
    explicit FontChooserDialog(QWidget* parent = nullptr);

    void setCurrentFont(const QFont& font);
    QFont currentFont() const;
    // A colour that is not in the list is added to it as "Custom".
    void setCurrentColour(std::int32_t colour);
    std::int32_t currentColour() const;

private:
    QFontDialog* fonts_;
    QComboBox* colours_;
};

FontChoice fontChoiceOf(const QFont& font, std::int32_t colour);
// The font a choice describes; a size text that is no number keeps the application's size.
QFont fontOf(const FontChoice& choice);

class QtCommonDialog final : public ColourDialog, public FontDialog, public ModalRunner {
public:
    explicit QtCommonDialog(QWidget* parent = nullptr);

    std::int32_t ChoisirCouleur(std::int32_t current) override;
    std::optional<FontChoice> ShowFont(const FontChoice& current) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace quillon::platform
