#pragma once
// The colour scheme: seven categories of source text, each with a colour, a bold flag
// and a flag saying whether the category is marked up at all, plus the font of the
// source block. Colours are Windows colour references, 0x00BBGGRR.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

enum SchemeEntry : int {
    Background = 0,
    Normal = 1,
    Comment = 2,
    String = 3,
    KeyWord = 4,
    Other = 5,
    Number = 6,
};
inline constexpr int SchemeEntryCount = 7;

struct TypeCouleur {
    bool Enabled = true;
    std::int32_t Color = 0;
    bool Bold = false;

    friend bool operator==(const TypeCouleur&, const TypeCouleur&) = default;
};

inline constexpr std::string_view DefaultFontName = "Courier New";
inline constexpr std::string_view DefaultFontSize = "10";

struct ColourScheme {
    std::array<TypeCouleur, SchemeEntryCount> ConfigCouleur{};
    std::string fontName{DefaultFontName};
    // The size in points as text, written verbatim wherever the size appears.
    std::string fontSize{DefaultFontSize};

    friend bool operator==(const ColourScheme&, const ColourScheme&) = default;
};

// The built-in defaults: every entry enabled and not bold, the default colours and font.
void InitConfigCouleur(ColourScheme& scheme);
ColourScheme defaultColourScheme();

inline constexpr std::int32_t rgb(int red, int green, int blue) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(red) |
                                     (static_cast<std::uint32_t>(green) << 8) |
                                     (static_cast<std::uint32_t>(blue) << 16));
}

// "#RRGGBB" in upper case. A value that does not fit in 24 bits raises error 5, as the
// digits cannot be placed.
std::string HEXA(std::int32_t colour);

// What the colour pane holds at the moment of capture: a colour per entry, and for the
// entries 2 to 6 whether their category box and their Bold box are ticked.
struct SchemePaneState {
    std::array<std::int32_t, SchemeEntryCount> buttonColour{};
    std::array<bool, SchemeEntryCount> categoryTicked{};
    std::array<bool, SchemeEntryCount> boldTicked{};
};

// Capture: an entry 2 to 6 that is turned off takes Normal's colour and loses its bold.
void EnregistreConfigCouleur(ColourScheme& scheme, const SchemePaneState& pane);

// Re-derivation after loading: an entry is enabled exactly when its colour differs from
// Normal's (so Normal itself always ends up off).
void rederiveEnabled(ColourScheme& scheme);

// Which steps of the colouriser run, read from the scheme's Enabled flags.
struct ColourSwitches {
    bool comment = true;
    bool string = true;
    bool keyword = true;
    bool other = true;
    bool number = true;

    friend bool operator==(const ColourSwitches&, const ColourSwitches&) = default;
};
ColourSwitches switchesOf(const ColourScheme& scheme);

} // namespace quillon
