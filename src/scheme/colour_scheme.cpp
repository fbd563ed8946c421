#include "scheme/colour_scheme.h"

#include "base/vb_error.h"

namespace quillon {

void InitConfigCouleur(ColourScheme& scheme) {
    static constexpr std::array<std::int32_t, SchemeEntryCount> defaults{
        rgb(0, 0, 0),     rgb(255, 255, 255), rgb(128, 128, 128), rgb(0, 255, 0),
        rgb(0, 255, 255), rgb(255, 255, 0),   rgb(255, 0, 0)};
    for (int i = 0; i < SchemeEntryCount; ++i) {
        auto& entry = scheme.ConfigCouleur[static_cast<std::size_t>(i)];
        entry.Enabled = true;
        entry.Bold = false;
        entry.Color = defaults[static_cast<std::size_t>(i)];
    }
}

ColourScheme defaultColourScheme() {
    ColourScheme scheme;
    InitConfigCouleur(scheme);
    return scheme;
}

std::string HEXA(std::int32_t colour) {
    if (colour < 0 || colour > 0xFFFFFF) {
        raise(vberr::InvalidCall);
    }
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto value = static_cast<std::uint32_t>(colour);
    std::string text = "#000000";
    for (std::size_t byte = 0; byte < 3; ++byte) {
        const unsigned part = (value >> (8 * byte)) & 0xFFu;
        text[1 + 2 * byte] = digits[part >> 4];
        text[2 + 2 * byte] = digits[part & 0xFu];
    }
    return text;
}

void EnregistreConfigCouleur(ColourScheme& scheme, const SchemePaneState& pane) {
    for (std::size_t i = 0; i < SchemeEntryCount; ++i) {
        scheme.ConfigCouleur[i].Color = pane.buttonColour[i];
    }
    for (std::size_t i = Comment; i < SchemeEntryCount; ++i) {
        auto& entry = scheme.ConfigCouleur[i];
        entry.Enabled = pane.categoryTicked[i];
        entry.Bold = pane.boldTicked[i];
        if (!entry.Enabled) {
            entry.Color = pane.buttonColour[Normal];
            entry.Bold = false;
        }
    }
}

void rederiveEnabled(ColourScheme& scheme) {
    const std::int32_t normal = scheme.ConfigCouleur[Normal].Color;
    for (auto& entry : scheme.ConfigCouleur) {
        entry.Enabled = entry.Color != normal;
    }
}

ColourSwitches switchesOf(const ColourScheme& scheme) {
    const auto& c = scheme.ConfigCouleur;
    return {c[Comment].Enabled, c[String].Enabled, c[KeyWord].Enabled, c[Other].Enabled, c[Number].Enabled};
}

} // namespace quillon
