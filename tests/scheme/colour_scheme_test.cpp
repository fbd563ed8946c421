#include "scheme/colour_scheme.h"
#include "scheme/style_sheet.h"
#include "scheme/themes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>

namespace quillon {
namespace {

// The contrast ratio of two colours (0x00BBGGRR) as the web's accessibility guidelines
// define it: from 1 (the same) to 21 (black on white).
double contrastRatio(std::int32_t first, std::int32_t second) {
    const auto luminance = [](std::int32_t colour) {
        const auto channel = [&](int shift) {
            const double value = ((static_cast<std::uint32_t>(colour) >> shift) & 0xFFu) / 255.0;
            return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(0) + 0.7152 * channel(8) + 0.0722 * channel(16);
    };
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

TEST(Hexa, WritesRedGreenBlueInUpperCaseAndRefusesMoreThanTwentyFourBits) {
    EXPECT_EQ(HEXA(rgb(10, 128, 0xAB)), "#0A80AB");
    test::RecordingReporter reporter;
    EXPECT_EQ(trap(reporter, "HEXA", [] { return HEXA(-1); }), "");
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0].number, 5);
}

TEST(ColourScheme, TurnedOffCategoryTakesNormalsColourAndStaysEnabledUntilRederived) {
    ColourScheme scheme = defaultColourScheme();
    SchemePaneState pane;
    for (std::size_t i = 0; i < SchemeEntryCount; ++i) {
        pane.buttonColour[i] = scheme.ConfigCouleur[i].Color;
        pane.categoryTicked[i] = true;
    }
    pane.buttonColour[String] = rgb(255, 0, 255);
    pane.categoryTicked[String] = false;
    pane.boldTicked[String] = true;
    pane.boldTicked[KeyWord] = true;
    pane.buttonColour[Number] = pane.buttonColour[Normal];
    EnregistreConfigCouleur(scheme, pane);
    EXPECT_FALSE(scheme.ConfigCouleur[String].Enabled);
    EXPECT_EQ(scheme.ConfigCouleur[String].Color, scheme.ConfigCouleur[Normal].Color);
    EXPECT_FALSE(scheme.ConfigCouleur[String].Bold);
    EXPECT_TRUE(scheme.ConfigCouleur[KeyWord].Bold);
    EXPECT_FALSE(switchesOf(scheme).string);
    EXPECT_TRUE(scheme.ConfigCouleur[Number].Enabled);
    rederiveEnabled(scheme);
    EXPECT_FALSE(scheme.ConfigCouleur[Number].Enabled);
    EXPECT_FALSE(scheme.ConfigCouleur[Normal].Enabled);
}

TEST(Themes, EveryClassOfEveryThemeReadsAtFourAndAHalfToOneOnItsBackground) {
    EXPECT_NEAR(contrastRatio(rgb(0, 0, 0), rgb(255, 255, 255)), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(rgb(119, 119, 119), rgb(255, 255, 255)), 4.48, 0.01);
    std::set<std::string_view> names;
    for (const Theme& theme : BuiltInThemes) {
        names.insert(theme.name);
        const std::int32_t background = theme.entries[Background].Color;
        for (int i = Normal; i < SchemeEntryCount; ++i) {
            const TypeCouleur& entry = theme.entries[static_cast<std::size_t>(i)];
            EXPECT_GE(contrastRatio(entry.Color, background), 4.5) << theme.name << " entry " << i;
            EXPECT_TRUE(entry.Enabled);
        }
        EXPECT_EQ(themeNamed(theme.name), &theme);
    }
    EXPECT_EQ(names.size(), BuiltInThemes.size());
    EXPECT_EQ(themeNamed("Dark"), nullptr);
    EXPECT_EQ(themeNameList(), "default, vb6, paper, dark");
    EXPECT_EQ(schemeOfTheme(*themeNamed("default")), defaultColourScheme());
}

TEST(Themes, ATakenThemeKeepsTheFontAndADarkVariantTurnsOffWhatTheSchemeTurnsOff) {
    ColourScheme scheme = defaultColourScheme();
    scheme.fontName = "Liberation Mono";
    scheme.fontSize = "12";
    applyTheme(scheme, *themeNamed("paper"));
    EXPECT_EQ(scheme.ConfigCouleur, themeNamed("paper")->entries);
    EXPECT_EQ(scheme.fontName, "Liberation Mono");
    EXPECT_EQ(scheme.fontSize, "12");

    scheme.ConfigCouleur[String] = {false, rgb(0, 0, 0), false};
    const ColourScheme dark = darkVariantOf(*themeNamed("dark"), scheme);
    EXPECT_EQ(dark.ConfigCouleur[String], (TypeCouleur{false, rgb(212, 212, 212), false}));
    EXPECT_EQ(dark.ConfigCouleur[KeyWord], themeNamed("dark")->entries[KeyWord]);
    EXPECT_EQ(dark.fontName, "Liberation Mono");
}

// The variant restates every weight: a class bold in the light scheme must not stay bold.
TEST(DarkVariant, FollowsTheRulesUnderAMediaQueryWithBodyAndPreColoursAndEveryWeightSaid) {
    ColourScheme light = defaultColourScheme();
    light.ConfigCouleur[KeyWord].Bold = true;
    ColourScheme dark = schemeOfTheme(*themeNamed("dark"));
    dark.ConfigCouleur[Number].Bold = true;
    EXPECT_EQ(pageStyleLines(light, std::nullopt), styleSheetLines(light));
    const std::vector<std::string> lines = pageStyleLines(light, dark);
    const std::size_t lightCount = styleSheetLines(light).size();
    std::string variant;
    for (std::size_t i = lightCount; i < lines.size(); ++i) {
        variant += lines[i] + "\n";
    }
    EXPECT_EQ(variant, "@media (prefers-color-scheme: dark)\n{\n"
                       "BODY\n{\nCOLOR:#D4D4D4;\nbackground:#1E1E1E;\n}\n"
                       "PRE\n{\nCOLOR:#D4D4D4;\nbackground:#1E1E1E;\n}\n"
                       ".k\n{\nCOLOR:#6CB0F0;\nfont-weight: normal;\n}\n"
                       ".c\n{\nCOLOR:#7CA668;\nfont-weight: normal;\n}\n"
                       ".o\n{\nCOLOR:#C8C8C8;\nfont-weight: normal;\n}\n"
                       ".s\n{\nCOLOR:#D69D85;\nfont-weight: normal;\n}\n"
                       ".n\n{\nCOLOR:#B5CEA8;\nfont-weight: bold;\n}\n"
                       "}\n");
}

} // namespace
} // namespace quillon
