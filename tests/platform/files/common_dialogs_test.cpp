#include "platform/files/common_dialogs.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

namespace quillon::platform {
namespace {

TEST(FontSizeText, ShortestDecimalWithAPointInAnyLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A comma locale must not leak into a size that ends up in CSS.
    std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(fontSizeText(10), "10");
    EXPECT_EQ(fontSizeText(8.25), "8.25");
    EXPECT_EQ(fontSizeText(8.25f), "8.25");
    EXPECT_EQ(fontSizeText(10.5), "10.5");
    EXPECT_EQ(fontSizeText(72), "72");
    EXPECT_EQ(fontSizeText(0.1f), "0.1");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FontSizeText, NonsenseSizesGiveZero) {
    EXPECT_EQ(fontSizeText(0), "0");
    EXPECT_EQ(fontSizeText(-3), "0");
    EXPECT_EQ(fontSizeText(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(fontSizeText(std::numeric_limits<double>::infinity()), "0");
}

} // namespace
} // namespace quillon::platform
