#include "controls/vb_color.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(VbColor, ExplicitColoursAreRedInTheLowestByte) {
    const QPalette palette;
    EXPECT_EQ(vbRgb(1, 2, 3), 0x030201u);
    EXPECT_EQ(resolveVbColor(0x0000FFu, palette), QColor(255, 0, 0));
    EXPECT_EQ(resolveVbColor(0x00FF00u, palette), QColor(0, 255, 0));
    EXPECT_EQ(resolveVbColor(0xFF0000u, palette), QColor(0, 0, 255));
    EXPECT_EQ(resolveVbColor(0x336699u, palette), QColor(0x99, 0x66, 0x33));
}

TEST(VbColor, SystemColoursNameTheirPaletteRoleAndBadValuesAreRefused) {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(4, 5, 6));
    EXPECT_EQ(resolveVbColor(0x8000000Fu, palette), QColor(1, 2, 3));
    EXPECT_EQ(resolveVbColor(0x80000011u, palette), QColor(4, 5, 6));
    for (const VbColor good : {0u, 0xFFFFFFu, 0x80000000u, 0x80000018u, 0x8000001Eu}) {
        EXPECT_TRUE(isValidVbColor(good)) << std::hex << good;
    }
    for (const VbColor bad : {0x01000000u, 0x7F000000u, 0x80000019u, 0x8000001Fu, 0x80010005u}) {
        EXPECT_FALSE(isValidVbColor(bad)) << std::hex << bad;
        EXPECT_EQ(resolveVbColor(bad, palette), QColor(Qt::black));
    }
}

} // namespace
} // namespace quillon
