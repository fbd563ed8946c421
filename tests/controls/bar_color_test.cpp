#include "controls/bar_color.h"
#include "controls/switch_button.h"
#include "controls_test_support.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quillon {
namespace {

using test::explicitColour;
using test::sendMouse;
using test::shot;

constexpr VbColor Back = vbRgb(240, 240, 240);

using Events = std::vector<std::string>;

// 104 x 24 with the default three-dimensional border: the bar inside is 100 x 20, so one
// column of the bar is one unit of the default Max.
class BarColorTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.setFont(test::plainFont());
        bar.setBackColor(Back);
        bar.setForeColor(vbRgb(0, 0, 0));
        bar.resize(104, 24);
        bar.show();
    }

    // How many columns from the left of the bar's top row show the fill colour; -1 when
    // the row is not a filled run followed by background.
    int filledColumns() {
        const QImage image = shot(bar);
        const QRect inner = bar.barRect();
        int filled = 0;
        while (filled < inner.width() &&
               image.pixelColor(inner.left() + filled, inner.top()) == explicitColour(bar.fillColor())) {
            ++filled;
        }
        for (int x = filled; x < inner.width(); ++x) {
            if (image.pixelColor(inner.left() + x, inner.top()) != explicitColour(Back)) {
                return -1;
            }
        }
        return filled;
    }

    // Presses the left button at column `x` of the bar, releases it, and gives the value.
    double clickAt(int x) {
        const QPoint at = bar.barRect().topLeft() + QPoint(x, 5);
        QTest::mousePress(&bar, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, at);
        return bar.value();
    }

    void record() {
        test::recordMouse(bar, events);
        QObject::connect(&bar, &BarColor::DblClick, [this] { events.push_back("DblClick"); });
        QObject::connect(&bar, &BarColor::Change, [this] {
            events.push_back("Change " + QString::number(bar.value()).toStdString());
        });
    }

    BarColor bar;
    Events events;
};

TEST(BarColorLook, NewBarIsHalfFilledRedOnTheButtonColourWithASunkenBorder) {
    BarColor plain;
    plain.resize(104, 24);
    plain.show();
    EXPECT_EQ(plain.caption(), QStringLiteral("50%")) << "the first layout draws the value";
    const QImage image = shot(plain);
    const auto role = [&](QPalette::ColorRole r) {
        return plain.palette().color(QPalette::Active, r).name();
    };
    EXPECT_EQ(image.pixelColor(0, 0).name(), role(QPalette::Dark)) << "sunken border";
    EXPECT_EQ(image.pixelColor(2, 2), explicitColour(vbRgb(255, 0, 0)));
    EXPECT_EQ(image.pixelColor(2 + 49, 2), explicitColour(vbRgb(255, 0, 0)));
    EXPECT_EQ(image.pixelColor(2 + 50, 2).name(), role(QPalette::Button));
}

TEST_F(BarColorTest, FillFollowsValueOverMaxWithoutClamping) {
    struct Row {
        double max;
        double value;
        int columns;
        const char* caption;
    };
    const Row rows[] = {
        {100, 0, 0, "0%"},        {100, 100, 100, "100%"}, {100, 150, 100, "150%"},
        {100, -20, 0, "-20%"},    {200, 50, 25, "50%"},    {3, 1, 33, "1%"},
        {100, 12.5, 12, "12.5%"}, {-100, 50, 0, "50%"},    {100, 1e300, 100, "1e+300%"},
    };
    for (const Row& row : rows) {
        bar.setMax(row.max);
        bar.setValue(row.value);
        EXPECT_EQ(bar.value(), row.value);
        EXPECT_EQ(filledColumns(), row.columns) << row.value << " of " << row.max;
        EXPECT_EQ(bar.caption(), QString::fromLatin1(row.caption));
    }
}

TEST_F(BarColorTest, MousePositionMapsToValueWithHalvesToEven) {
    bar.setMax(5);
    const int columns[] = {10, 30, 50, 70, 90, 99};
    const double values[] = {0, 2, 2, 4, 4, 5};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(clickAt(columns[i]), values[i]) << "column " << columns[i];
    }

    bar.setMax(100);
    const QPointF origin = bar.barRect().topLeft();
    sendMouse(bar, QEvent::MouseButtonPress, origin + QPointF(24.5, 3), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(bar.value(), 24.0);
    sendMouse(bar, QEvent::MouseMove, origin + QPointF(25.5, 3), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(bar.value(), 26.0);
    sendMouse(bar, QEvent::MouseButtonRelease, origin + QPointF(25.5, 3), Qt::LeftButton, Qt::NoButton);
}

TEST_F(BarColorTest, DraggingPastTheEdgesClampsToMinAndMax) {
    bar.setMin(-10);
    const QPoint origin = bar.barRect().topLeft();
    QTest::mousePress(&bar, Qt::LeftButton, {}, origin + QPoint(40, 5));
    EXPECT_EQ(bar.value(), 40.0);
    QTest::mouseMove(&bar, origin + QPoint(400, 5));
    EXPECT_EQ(bar.value(), 100.0);
    QTest::mouseMove(&bar, origin + QPoint(-5, 5));
    EXPECT_EQ(bar.value(), -5.0) << "left of the bar the value goes negative until Min";
    QTest::mouseMove(&bar, origin + QPoint(-50, 5));
    EXPECT_EQ(bar.value(), -10.0);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, origin + QPoint(-50, 5));
    EXPECT_EQ(filledColumns(), 0);

    // Min plays no part in the drawing.
    bar.setMin(20);
    bar.setValue(20);
    EXPECT_EQ(filledColumns(), 20) << "a fifth of the bar, not an empty one";
    EXPECT_EQ(clickAt(0), 20.0);
}

TEST_F(BarColorTest, OtherButtonsAndHoverRaiseEventsButChangeNothing) {
    record();
    sendMouse(bar, QEvent::MouseMove, QPointF(12, 7), Qt::NoButton, Qt::NoButton, Qt::AltModifier);
    const QPoint origin = bar.barRect().topLeft();
    QTest::mousePress(&bar, Qt::RightButton, {}, origin + QPoint(10, 4));
    QTest::mouseMove(&bar, origin + QPoint(80, 4));
    QTest::mouseRelease(&bar, Qt::RightButton, {}, origin + QPoint(80, 4));
    EXPECT_EQ(bar.value(), 50.0);

    QTest::mousePress(&bar, Qt::LeftButton, {}, origin + QPoint(30, 4));
    QTest::mousePress(&bar, Qt::RightButton, {}, origin + QPoint(30, 4));
    QTest::mouseMove(&bar, origin + QPoint(70, 4));
    QTest::mouseRelease(&bar, Qt::RightButton, {}, origin + QPoint(70, 4));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, origin + QPoint(70, 4));
    EXPECT_EQ(bar.value(), 30.0) << "a drag with both buttons leaves the value";

    EXPECT_EQ(events, Events({"MouseMove 0 4 10,5", "MouseDown 2 0 10,4", "MouseMove 2 0 80,4",
                              "MouseUp 2 0 80,4", "MouseDown 1 0 30,4", "Change 30", "MouseDown 2 0 30,4",
                              "MouseMove 3 0 70,4", "MouseUp 2 0 70,4", "MouseUp 1 0 70,4"}));

    // Not interactive: the events, but no value.
    bar.setInteractive(false);
    events.clear();
    EXPECT_EQ(clickAt(90), 30.0);
    EXPECT_EQ(events, Events({"MouseDown 1 0 90,5", "MouseUp 1 0 90,5"}));
}

TEST_F(BarColorTest, DoubleClickRaisesDblClickInPlaceOfTheSecondPress) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    record();
    QTest::mouseDClick(bar.windowHandle(), Qt::RightButton, {}, bar.barRect().topLeft() + QPoint(80, 4));
    // The window reports the pointer arriving before the clicks.
    std::erase_if(events, [](const std::string& event) { return event.starts_with("MouseMove 0 "); });
    EXPECT_EQ(events, Events({"MouseDown 2 0 80,4", "MouseUp 2 0 80,4", "DblClick", "MouseUp 2 0 80,4"}));
}

TEST_F(BarColorTest, CaptionTakesTheSuffixOnlyWithAutoCaption) {
    QSignalSpy changes(&bar, &BarColor::Change);
    const QImage before = shot(bar);
    bar.setCaption(QStringLiteral("Ready"));
    EXPECT_EQ(bar.caption(), QStringLiteral("Ready%"));
    const QImage withSuffix = shot(bar);
    bar.setAutoCaption(false);
    EXPECT_EQ(shot(bar), withSuffix) << "AutoCaption alone changes nothing on screen";
    EXPECT_EQ(bar.caption(), QStringLiteral("Ready%"));
    bar.setCaption(QStringLiteral("Ready"));
    EXPECT_EQ(bar.caption(), QStringLiteral("Ready"));
    EXPECT_EQ(changes.count(), 0) << "a caption is not a value";
    EXPECT_NE(shot(bar), before);

    bar.setValue(70);
    EXPECT_EQ(bar.caption(), QStringLiteral("Ready")) << "without AutoCaption the value leaves the caption";
    bar.setAutoCaption(true);
    bar.setStrExtend(QStringLiteral(" of 100"));
    EXPECT_EQ(bar.caption(), QStringLiteral("70 of 100"));
}

TEST_F(BarColorTest, SettersThatRedrawAndResizesRaiseOneChangeEach) {
    QSignalSpy changes(&bar, &BarColor::Change);
    bar.setMin(1);
    bar.setMax(90);
    bar.setFillColor(vbRgb(0, 0, 255));
    bar.setForeColor(vbRgb(1, 1, 1));
    bar.setStrExtend(QStringLiteral("!"));
    bar.setBackColor(Back);
    bar.setAppearance(0);
    bar.setBorderStyle(0);
    QFont bigger = test::plainFont();
    bigger.setPixelSize(13);
    bar.setFont(bigger);
    EXPECT_EQ(changes.count(), 9);
    bar.setInteractive(false);
    bar.setAutoCaption(false);
    bar.setCaption(QStringLiteral("x"));
    EXPECT_EQ(changes.count(), 9);

    bar.setMax(100);
    changes.clear();
    bar.resize(208, 24);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(filledColumns(), 104);
    bar.resize(52, 30);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(filledColumns(), 26);
}

TEST_F(BarColorTest, MaxZeroSkipsTheDrawingButNotTheCaptionOrChange) {
    QSignalSpy changes(&bar, &BarColor::Change);
    bar.setMax(0);
    EXPECT_EQ(changes.count(), 1);
    bar.setValue(80);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(bar.caption(), QStringLiteral("80%"));
    EXPECT_EQ(filledColumns(), 50) << "the picture keeps its last drawing";
    EXPECT_EQ(clickAt(90), 0.0) << "with Max 0 every position is clamped to 0";
    bar.resize(204, 24);
    EXPECT_EQ(filledColumns(), 50);
    bar.setMax(100);
    EXPECT_EQ(filledColumns(), 0);
}

TEST_F(BarColorTest, EmptyBarSurvivesTheMouseAndValues) {
    bar.resize(4, 4);
    EXPECT_TRUE(bar.barRect().isEmpty());
    EXPECT_EQ(clickAt(0), 0.0);
    bar.setValue(30);
    EXPECT_EQ(bar.caption(), QStringLiteral("30%"));
    EXPECT_FALSE(shot(bar).isNull());
}

TEST_F(BarColorTest, BordersSetTheBarsArea) {
    EXPECT_EQ(bar.barRect(), QRect(2, 2, 100, 20));
    EXPECT_EQ(filledColumns(), 50);
    bar.setAppearance(0);
    EXPECT_EQ(bar.barRect(), QRect(1, 1, 102, 22));
    EXPECT_EQ(filledColumns(), 51);
    EXPECT_EQ(shot(bar).pixelColor(0, 0).name(),
              bar.palette().color(QPalette::Active, QPalette::WindowText).name());
    bar.setBorderStyle(0);
    EXPECT_EQ(bar.barRect(), QRect(0, 0, 104, 24));
    EXPECT_EQ(filledColumns(), 52);
    EXPECT_EQ(test::vbErrorOf([&] { bar.setAppearance(2); }), 380);
    EXPECT_EQ(test::vbErrorOf([&] { bar.setBorderStyle(-1); }), 380);
    EXPECT_EQ(bar.appearance(), 0);
}

TEST_F(BarColorTest, ReportsProgressAsASink) {
    ProgressSink& sink = bar;
    sink.setMax(200);
    sink.setValue(50);
    EXPECT_EQ(filledColumns(), 25);
    bar.setAutoCaption(false);
    sink.setCaption(std::string("Pr\xC3\xAAt"));
    EXPECT_EQ(bar.caption(), QString::fromUtf8("Pr\xC3\xAAt"));
}

TEST(BarColorPersistence, SavesInDeclarationOrderWithTheCaptionAsShown) {
    QWidget container;
    BarColor fresh(&container);
    EXPECT_TRUE(test::saved(fresh).isEmpty());

    BarColor source(&container);
    source.setStrExtend(QStringLiteral(" lines"));
    source.setAutoCaption(false);
    source.setMax(400);
    source.setInteractive(false);
    source.setBorderStyle(0);
    source.setValue(12);
    source.setAutoCaption(true);
    source.setCaption(QStringLiteral("Ready"));
    const PropertyBag bag = test::saved(source);
    EXPECT_EQ(bag.names(),
              QStringList({"BorderStyle", "Caption", "Max", "Value", "Interactive", "StrExtend"}));
    EXPECT_EQ(bag.value(QStringLiteral("Caption")), QStringLiteral("Ready lines"));

    BarColor copy(&container);
    QSignalSpy changes(&copy, &BarColor::Change);
    test::expectLoadsBack(bag, copy);
    EXPECT_EQ(changes.count(), 0) << "loading does not draw";
    EXPECT_EQ(copy.caption(), QStringLiteral("Ready lines"));
}

TEST(BarColorPersistence, LoadedControlDrawsAtItsFirstLayout) {
    PropertyBag bag;
    bag.set(QStringLiteral("Value"), QStringLiteral("25"));
    bag.set(QStringLiteral("FillColor"), 0xFF00);
    BarColor bar;
    bar.readProperties(bag);
    QSignalSpy changes(&bar, &BarColor::Change);
    bar.resize(104, 24);
    bar.show();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(bar.caption(), QStringLiteral("25%"));
    const QImage image = shot(bar);
    EXPECT_EQ(image.pixelColor(2 + 24, 2), explicitColour(vbRgb(0, 255, 0)));
    EXPECT_NE(image.pixelColor(2 + 25, 2), explicitColour(vbRgb(0, 255, 0)));
}

// The reader is shared; each control adds checks of its own (Appearance, colours).
TEST(ControlPersistence, BadEntryRaisesNamingThePropertyAndChangesNothing) {
    SwitchButton button;
    BarColor bar;
    const auto loadButton = [&](const PropertyBag& bag) { button.readProperties(bag); };
    const auto loadBar = [&](const PropertyBag& bag) { bar.readProperties(bag); };
    struct Row {
        std::function<void(const PropertyBag&)> load;
        const char* name;
        QVariant stored;
        int error;
    };
    const Row rows[] = {
        {loadButton, "BackColor", QStringLiteral("red"), 13},
        {loadButton, "ColorTopLeftOne", QVariant::fromValue<quint32>(0x80000040u), 380},
        {loadButton, "Position", 1e12, 6},
        {loadButton, "Font", QVariant::fromValue(QSize(1, 1)), 13},
        {loadButton, "Enabled", QStringLiteral("maybe"), 13},
        {loadBar, "Appearance", 3, 380},
        {loadBar, "BorderStyle", 70000, 6},
        {loadBar, "Max", QStringLiteral("lots"), 13},
        {loadBar, "FillColor", -5, 380},
        {loadBar, "Interactive", QVariant::fromValue(QSize()), 13},
    };
    for (const Row& row : rows) {
        PropertyBag bag;
        bag.set(QStringLiteral("Caption"), QStringLiteral("Lost"));
        bag.set(QStringLiteral("StrExtend"), QStringLiteral("?"));
        bag.set(QString::fromLatin1(row.name), row.stored);
        std::string what;
        EXPECT_EQ(test::vbErrorOf([&] { row.load(bag); }, &what), row.error) << row.name;
        EXPECT_NE(what.find(row.name), std::string::npos) << what;
        EXPECT_EQ(button.caption(), QStringLiteral("Caption"));
        EXPECT_EQ(bar.strExtend(), QStringLiteral("%"));
    }
}

} // namespace
} // namespace quillon
