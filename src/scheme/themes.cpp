#include "scheme/themes.h"

#include <algorithm>

namespace quillon {

namespace {

constexpr TypeCouleur plain(int red, int green, int blue) {
    return {true, rgb(red, green, blue), false};
}
constexpr TypeCouleur bold(int red, int green, int blue) {
    return {true, rgb(red, green, blue), true};
}

} // namespace

// Entries in scheme order: Background, Normal, Comment, String, Key Word, Other, Number.
// Every category reads at 4.5:1 or better on its theme's background.
const std::array<Theme, 4> BuiltInThemes{{
    {"default",
     "Default",
     {plain(0, 0, 0), plain(255, 255, 255), plain(128, 128, 128), plain(0, 255, 0), plain(0, 255, 255),
      plain(255, 255, 0), plain(255, 0, 0)}},
    // The Visual Basic editor itself shows strings, numbers and operators as plain text.
    {"vb6",
     "VB6 IDE",
     {plain(255, 255, 255), plain(0, 0, 0), plain(0, 128, 0), plain(0, 0, 0), plain(0, 0, 128),
      plain(0, 0, 0), plain(0, 0, 0)}},
    // Dark ink only, so that it prints on any printer and pastes well into documents.
    {"paper",
     "Paper",
     {plain(255, 255, 255), plain(0, 0, 0), plain(95, 99, 104), plain(163, 21, 21), bold(0, 0, 192),
      plain(64, 64, 64), plain(11, 110, 79)}},
    {"dark",
     "Dark",
     {plain(30, 30, 30), plain(212, 212, 212), plain(124, 166, 104), plain(214, 157, 133),
      plain(108, 176, 240), plain(200, 200, 200), plain(181, 206, 168)}},
}};

const Theme* themeNamed(std::string_view name) {
    const auto* found = std::find_if(BuiltInThemes.begin(), BuiltInThemes.end(),
                                     [&](const Theme& theme) { return theme.name == name; });
    return found == BuiltInThemes.end() ? nullptr : &*found;
}

std::string themeNameList() {
    std::string list;
    for (const Theme& theme : BuiltInThemes) {
        list += list.empty() ? "" : ", ";
        list += theme.name;
    }
    return list;
}

void applyTheme(ColourScheme& scheme, const Theme& theme) {
    scheme.ConfigCouleur = theme.entries;
}

ColourScheme schemeOfTheme(const Theme& theme) {
    ColourScheme scheme;
    applyTheme(scheme, theme);
    return scheme;
}

ColourScheme darkVariantOf(const Theme& theme, const ColourScheme& scheme) {
    ColourScheme dark = scheme;
    applyTheme(dark, theme);
    for (std::size_t i = Comment; i < SchemeEntryCount; ++i) {
        if (!scheme.ConfigCouleur[i].Enabled) {
            dark.ConfigCouleur[i] = {false, dark.ConfigCouleur[Normal].Color, false};
        }
    }
    return dark;
}

} // namespace quillon
