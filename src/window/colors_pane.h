#pragma once
// The "Colors" pane: edits the colour scheme (a colour button, a category box and a Bold box
// per entry), chooses the font, previews the scheme on a six-line sample, saves the scheme as
// a style sheet and loads one back, starts from a built-in theme, and holds the page options
// "Optimize size", "Use External CSS :" and "Dark variant :".
//
// The pane keeps the scheme as last captured from its controls; it captures after every colour
// choice and every tick of a box, so the scheme is always what the user sees. The font lives in
// the scheme; the font label only shows it. Every control carries its Visual Basic name as its
// object name, and members of an indexed group carry their index in the property "vbIndex", so
// the language walk can relabel them.

#include "scheme/colour_scheme.h"
#include "window/window_look.h"
#include "window/window_services.h"

#include <QFrame>

#include <QString>
#include <optional>

#include <array>
#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quillon::window {

// The Visual Basic Tag: the full path on TXTcss, the size text on LBLfont, the scheme index
// on each preview word.
inline constexpr const char* TagProperty = "Tag";
// The colour reference (0x00BBGGRR) a colour button shows.
inline constexpr const char* BackColorProperty = "BackColor";

class ColorsPane : public QFrame {
    Q_OBJECT

public:
    // Starts on the default scheme, shown; "Optimize size" ticked, no external style sheet.
    explicit ColorsPane(WindowServices& services, QWidget* parent = nullptr);

    // The scheme as last captured (EnregistreConfigCouleur) or loaded; font name and size
    // text included.
    const ColourScheme& scheme() const { return scheme_; }
    ColourScheme& scheme() { return scheme_; }

    // Shows the scheme in the controls. With `rederive`, each entry is first enabled exactly
    // when its colour differs from Normal's, as after loading a style sheet. Also shows the
    // scheme's font on the font label.
    void AfficheConfigCouleur(bool rederive);
    // Repaints the preview words and the "Example" frame from the scheme.
    void UpdateSample();
    // Captures the controls into the scheme: a category that is turned off takes the Normal
    // button's colour and loses its bold.
    void EnregistreConfigCouleur();
    // The colour chosen in the colour dialog, or `current` when the user cancelled.
    std::int32_t ChoisirCouleur(std::int32_t current);

    bool optimize() const;       // "Optimize size" ticked
    bool useExternalCss() const; // "Use External CSS :" ticked
    QString cssText() const;     // the external style sheet's file name
    QString cssPath() const;     // its full path
    // With "Dark variant :" ticked, the scheme embedded pages carry for a dark system: the
    // theme chosen beside the box, with the categories the scheme turns off turned off.
    std::optional<ColourScheme> darkScheme() const;

private:
    struct EntryRow {
        QLabel* name = nullptr;        // LBLtext, entries 0 and 1
        QCheckBox* category = nullptr; // CHKtext, entries 2 to 6
        QPushButton* colour = nullptr; // BTtext, every entry
        QCheckBox* bold = nullptr;     // CHKbold, entries 2 to 6
    };

    void buildEntryRows();
    void buildPreview();
    void buildStyleSheetControls();
    void buildFontControls();
    void buildThemeControls();

    void BTtext_Click(int index);
    void CHKtext_MouseUp();
    void CHKbold_MouseUp();
    void BTfont_Click();
    void CHKcss_Click(bool ticked);
    void BTchooseCSS_Click();
    void BTloadCSS_Click();
    void BTsaveColor_Click();
    void BTviewCSS_Click();
    void LSTtheme_Click(int index);
    void CHKdark_Click(bool ticked);

    // Capture, show without re-derivation, repaint: what every tick of a box does.
    void captureAndShow();
    // Loads `path` into the scheme and shows it; a file the reader refuses is reported and
    // changes nothing. A file that cannot be read raises to the calling handler's trap.
    void loadStyleSheet(const std::string& path);
    void showFontLabel();

    WindowServices& services_;
    ColourScheme scheme_;

    std::array<EntryRow, SchemeEntryCount> rows_{};
    std::array<QLabel*, 14> words_{};
    QGroupBox* frameConfig_ = nullptr;
    QGroupBox* frameSample_ = nullptr;
    QLabel* previewLabel_ = nullptr;
    QPushButton* loadCss_ = nullptr;
    QPushButton* saveColor_ = nullptr;
    QCheckBox* optimize_ = nullptr;
    QCheckBox* useCss_ = nullptr;
    QGroupBox* frameCss_ = nullptr;
    QLineEdit* cssBox_ = nullptr;
    QToolButton* chooseCss_ = nullptr;
    QToolButton* viewCss_ = nullptr;
    QPushButton* fontButton_ = nullptr;
    QLabel* fontLabel_ = nullptr;
    QComboBox* themeList_ = nullptr;
    QCheckBox* darkVariant_ = nullptr;
    QComboBox* darkThemeList_ = nullptr;
};

} // namespace quillon::window
