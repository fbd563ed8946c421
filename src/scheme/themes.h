#pragma once
// The built-in themes: ready-made colour schemes the user starts from. A theme sets the
// colour and bold flag of the seven entries; what it gives can be edited and saved as a
// style sheet like any scheme.

#include "scheme/colour_scheme.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

struct Theme {
    std::string_view name;        // on the command line: "default", "vb6", "paper", "dark"
    std::string_view displayName; // in the window's list: "Default", "VB6 IDE", ...
    std::array<TypeCouleur, SchemeEntryCount> entries;
};

// The program's own default first, then "VB6 IDE", "Paper" and "Dark".
extern const std::array<Theme, 4> BuiltInThemes;

// Null for a name that is no theme's (names are exact, lower case).
const Theme* themeNamed(std::string_view name);

// "default, vb6, paper, dark", for the usage error of an unknown name.
std::string themeNameList();

// Takes the theme's colours, bold flags and Enabled flags; the font stays as it is, so a
// font the user chose survives a change of theme.
void applyTheme(ColourScheme& scheme, const Theme& theme);

// The theme with the default font.
ColourScheme schemeOfTheme(const Theme& theme);

// The scheme of a page's dark variant: the theme, with the categories that `scheme` turns
// off turned off the same way (Normal's colour, not bold), and `scheme`'s font.
ColourScheme darkVariantOf(const Theme& theme, const ColourScheme& scheme);

} // namespace quillon
