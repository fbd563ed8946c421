#include "scheme/colour_scheme.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

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

} // namespace
} // namespace quillon
