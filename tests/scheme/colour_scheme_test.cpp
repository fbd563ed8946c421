#include "scheme/colour_scheme.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(Hexa, WritesRedGreenBlueInUpperCase) {
    EXPECT_EQ(HEXA(0), "#000000");
    EXPECT_EQ(HEXA(255), "#FF0000");
    EXPECT_EQ(HEXA(16711680), "#0000FF");
    EXPECT_EQ(HEXA(rgb(10, 128, 0xAB)), "#0A80AB");
}

TEST(Hexa, RefusesValuesBeyondTwentyFourBits) {
    EXPECT_THROW(HEXA(-1), VbError);
    EXPECT_THROW(HEXA(0x1000000), VbError);
    test::RecordingReporter reporter;
    EXPECT_EQ(trap("HEXA", [] { return HEXA(-1); }), "");
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0].number, 5);
    EXPECT_EQ(reporter.errors[0].procedure, "HEXA");
}

SchemePaneState paneOf(const ColourScheme& scheme) {
    SchemePaneState pane;
    for (std::size_t i = 0; i < SchemeEntryCount; ++i) {
        pane.buttonColour[i] = scheme.ConfigCouleur[i].Color;
        pane.categoryTicked[i] = scheme.ConfigCouleur[i].Enabled;
        pane.boldTicked[i] = scheme.ConfigCouleur[i].Bold;
    }
    return pane;
}

TEST(ColourScheme, CaptureGivesATurnedOffCategoryNormalsColourAndNoBold) {
    ColourScheme scheme = defaultColourScheme();
    SchemePaneState pane = paneOf(scheme);
    pane.buttonColour[String] = rgb(255, 0, 255);
    pane.categoryTicked[String] = false;
    pane.boldTicked[String] = true;
    pane.boldTicked[KeyWord] = true;
    EnregistreConfigCouleur(scheme, pane);
    EXPECT_FALSE(scheme.ConfigCouleur[String].Enabled);
    EXPECT_EQ(scheme.ConfigCouleur[String].Color, rgb(255, 255, 255));
    EXPECT_FALSE(scheme.ConfigCouleur[String].Bold);
    EXPECT_TRUE(scheme.ConfigCouleur[KeyWord].Bold);
    EXPECT_FALSE(switchesOf(scheme).string);
}

TEST(ColourScheme, SameColourAsNormalStaysEnabledUntilRederived) {
    ColourScheme scheme = defaultColourScheme();
    SchemePaneState pane = paneOf(scheme);
    pane.buttonColour[Number] = pane.buttonColour[Normal];
    EnregistreConfigCouleur(scheme, pane);
    EXPECT_TRUE(scheme.ConfigCouleur[Number].Enabled);
    rederiveEnabled(scheme);
    EXPECT_FALSE(scheme.ConfigCouleur[Number].Enabled);
    EXPECT_FALSE(scheme.ConfigCouleur[Normal].Enabled);
    EXPECT_TRUE(scheme.ConfigCouleur[Background].Enabled);
    EXPECT_TRUE(scheme.ConfigCouleur[KeyWord].Enabled);
}

} // namespace
} // namespace quillon
