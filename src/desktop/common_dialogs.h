#pragma once
// The colour and font dialogs of the colour pane.

#include <cstdint>
#include <optional>
#include <string>

namespace quillon::platform {

class ColourDialog {
public:
    virtual ~ColourDialog() = default;
    // ChoisirCouleur: the colour the user chose (0x00BBGGRR), or `current` when the user
    // cancelled or the dialog failed. The dialog opens on `current`, the colour of the
    // clicked entry.
    virtual std::int32_t ChoisirCouleur(std::int32_t current) = 0;
};

// What the font dialog gives back. Only the name and the size reach the colour scheme; the
// rest only changes how the font label looks.
struct FontChoice {
    std::string name;
    std::string sizeText; // fontSizeText() of the size in points: "10", "8.25"
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    std::int32_t colour = 0; // 0x00BBGGRR

    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

class FontDialog {
public:
    virtual ~FontDialog() = default;
    // ShowFont: the user's choice, or nothing when the user cancelled or the dialog failed.
    // The dialog opens on `current`, the font the label shows.
    virtual std::optional<FontChoice> ShowFont(const FontChoice& current) = 0;
};

// A point size as the scheme and the style sheets carry it: the shortest decimal form,
// always with a "." whatever the user's locale, since the text ends up in CSS.
std::string fontSizeText(double points);

} // namespace quillon::platform
