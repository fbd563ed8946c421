#include "controls/bar_color.h"
#include "controls_test_support.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace quillon {
namespace {

// 104 x 24 with the default three-dimensional border: the bar inside is 100 x 20, so one
// column of the bar is one unit of the default Max.
class BarColorTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.setFont(test::plainFont());
        bar.setBackColor(vbRgb(240, 240, 240));
        bar.resize(104, 24);
        bar.show();
    }

    // How many columns of the bar's top row show the fill colour.
    int filledColumns() {
        const QImage image = test::shot(bar);
        const QRect inner = bar.barRect();
        int filled = 0;
        for (int x = inner.left(); x <= inner.right(); ++x) {
            filled += image.pixelColor(x, inner.top()) == test::explicitColour(bar.fillColor()) ? 1 : 0;
        }
        return filled;
    }

    QPoint at(int x) const { return bar.barRect().topLeft() + QPoint(x, 4); }

    double clickAt(int x) {
        QTest::mouseClick(&bar, Qt::LeftButton, {}, at(x));
        return bar.value();
    }

    BarColor bar;
};

// Set through the progress-sink face, as the conversions report to it.
TEST_F(BarColorTest, FillFollowsValueOverMaxWithoutClamping) {
    ProgressSink& sink = bar;
    const struct {
        double max;
        double value;
        int columns;
        const char* caption;
    } rows[] = {
        {100, 150, 100, "150%"},  {100, -20, 0, "-20%"}, {3, 1, 33, "1%"},
        {100, 12.5, 12, "12.5%"}, {-100, 50, 0, "50%"},  {100, 1e300, 100, "1e+300%"},
    };
    for (const auto& row : rows) {
        sink.setMax(row.max);
        sink.setValue(row.value);
        EXPECT_EQ(bar.value(), row.value);
        EXPECT_EQ(filledColumns(), row.columns) << row.value << " of " << row.max;
        EXPECT_EQ(bar.caption(), QString::fromLatin1(row.caption));
    }
}

TEST_F(BarColorTest, MouseSetsTheValueRoundingHalvesToEvenAndDragsClampToMinAndMax) {
    bar.setMax(5);
    for (const auto& [column, value] :
         {std::pair{10, 0.0}, {30, 2.0}, {50, 2.0}, {70, 4.0}, {90, 4.0}, {99, 5.0}}) {
        EXPECT_EQ(clickAt(column), value) << "column " << column;
    }
    bar.setMax(100);
    bar.setMin(-10);
    QTest::mousePress(&bar, Qt::LeftButton, {}, at(24));
    EXPECT_EQ(bar.value(), 24.0);
    QTest::mouseMove(&bar, at(400));
    EXPECT_EQ(bar.value(), 100.0);
    QTest::mouseMove(&bar, at(-5));
    EXPECT_EQ(bar.value(), -5.0) << "left of the bar the value goes negative until Min";
    QTest::mouseMove(&bar, at(-50));
    EXPECT_EQ(bar.value(), -10.0);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, at(-50));
}

// The window's bars show progress only: a click on them must not change it.
TEST_F(BarColorTest, NonInteractiveBarAndOtherButtonsLeaveTheValue) {
    QTest::mouseClick(&bar, Qt::RightButton, {}, at(80));
    EXPECT_EQ(bar.value(), 50.0);
    bar.setInteractive(false);
    EXPECT_EQ(clickAt(90), 50.0);
}

TEST_F(BarColorTest, CaptionTakesTheSuffixOnlyWithAutoCaption) {
    bar.setCaption(QStringLiteral("Ready"));
    EXPECT_EQ(bar.caption(), QStringLiteral("Ready%"));
    bar.setAutoCaption(false);
    static_cast<ProgressSink&>(bar).setCaption(std::string("Pr\xC3\xAAt"));
    EXPECT_EQ(bar.caption(), QString::fromUtf8("Pr\xC3\xAAt"));
    bar.setValue(70);
    EXPECT_EQ(bar.caption(), QString::fromUtf8("Pr\xC3\xAAt"))
        << "without AutoCaption the value leaves the caption";
    bar.setAutoCaption(true);
    bar.setStrExtend(QStringLiteral(" of 100"));
    EXPECT_EQ(bar.caption(), QStringLiteral("70 of 100"));
}

TEST_F(BarColorTest, MaxZeroOrAnEmptyBarSkipsTheDrawingButNotTheCaptionOrChange) {
    QSignalSpy changes(&bar, &BarColor::Change);
    bar.setMax(0);
    bar.setValue(80);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(bar.caption(), QStringLiteral("80%"));
    EXPECT_EQ(filledColumns(), 50) << "the picture keeps its last drawing";
    EXPECT_EQ(clickAt(90), 0.0) << "with Max 0 every position is clamped to 0";
    bar.setMax(100);
    bar.resize(4, 4);
    EXPECT_EQ(clickAt(0), 0.0) << "an empty bar survives the mouse";
}

TEST_F(BarColorTest, BordersSetTheBarsAreaAndBadStylesAreRefused) {
    bar.setAppearance(0);
    EXPECT_EQ(filledColumns(), 51) << "a flat single line leaves 102 columns";
    bar.setBorderStyle(0);
    EXPECT_EQ(filledColumns(), 52);
    EXPECT_EQ(test::raised([&] { bar.setAppearance(2); }).first, 380);
    EXPECT_EQ(test::raised([&] { bar.setBorderStyle(-1); }).first, 380);
    EXPECT_EQ(bar.appearance(), 0);
}

// The window's bars show yellow text over a grey, red or blue bar: every pixel of the
// caption must read on whatever lies under it, also where the fill boundary crosses it.
TEST_F(BarColorTest, EveryCaptionPixelReadsOnTheBarUnderIt) {
    bar.resize(204, 24);
    bar.setAutoCaption(false);
    bar.setStrExtend(QString());
    bar.setForeColor(vbRgb(255, 255, 0));
    const QColor fore = test::explicitColour(bar.foreColor());
    for (const VbColor fill : {vbRgb(255, 0, 0), vbRgb(0, 0, 255), vbRgb(255, 255, 0)}) {
        bar.setFillColor(fill);
        for (const auto& [value, text] : {std::pair{0.0, "Ready"},
                                          {29.0, "29 %"},
                                          {48.0, "Work completed !"},
                                          {100.0, "Conversion failed !"}}) {
            bar.setValue(value);
            bar.setCaption(QString::fromLatin1(text));
            const QImage image = test::shot(bar);
            const QRect caption = bar.captionGeometry();
            int textPixels = 0;
            double weakest = 21;
            for (int x = caption.left(); x <= caption.right(); ++x) {
                const QColor under = image.pixelColor(x, bar.barRect().top());
                for (int y = caption.top(); y <= caption.bottom(); ++y) {
                    const QColor pixel = image.pixelColor(x, y);
                    if (pixel != under) {
                        ++textPixels;
                        weakest = std::min(weakest, contrastRatio(pixel, under));
                    }
                }
            }
            EXPECT_GT(textPixels, 20) << text;
            EXPECT_GE(weakest, 4.5) << text << " at " << value << " on fill " << std::hex << fill;
        }
    }
    EXPECT_EQ(readableOn(fore, Qt::black), fore) << "a colour that reads already is kept";
    EXPECT_EQ(bar.foreColor(), vbRgb(255, 255, 0)) << "the property keeps what was set";
}

} // namespace
} // namespace quillon
