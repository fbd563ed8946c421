#include "controls/bar_color.h"
#include "controls_test_support.h"

#include "engine/vb_error.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

using test::explicitColour;
using test::sendMouse;
using test::shot;

constexpr VbColor Back = vbRgb(240, 240, 240);
constexpr VbColor Red = vbRgb(255, 0, 0);

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
        const auto mouse = [this](const char* name) {
            return [this, name](short b, short s, float x, float y) {
                events.push_back(std::string(name) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
                                 QString::number(x).toStdString() + "," + QString::number(y).toStdString());
            };
        };
        QObject::connect(&bar, &BarColor::MouseDown, mouse("MouseDown"));
        QObject::connect(&bar, &BarColor::MouseMove, mouse("MouseMove"));
        QObject::connect(&bar, &BarColor::MouseUp, mouse("MouseUp"));
        QObject::connect(&bar, &BarColor::DblClick, [this] { events.push_back("DblClick"); });
        QObject::connect(&bar, &BarColor::Change, [this] {
            events.push_back("Change " + QString::number(bar.value()).toStdString());
        });
    }

    BarColor bar;
    std::vector<std::string> events;
};

TEST(BarColorProperties, EveryPropertyIsAQtPropertyWithItsDefault) {
    BarColor fresh;
    struct Row {
        const char* name;
        QVariant expected;
    };
    const Row rows[] = {
        {"Appearance", QVariant::fromValue<short>(1)},
        {"BackColor", QVariant::fromValue<quint32>(0x8000000Fu)},
        {"BorderStyle", QVariant::fromValue<short>(1)},
        {"Caption", QStringLiteral("50")},
        {"Font", fresh.font()},
        {"ForeColor", QVariant::fromValue<quint32>(0x80000012u)},
        {"Min", 0.0},
        {"Max", 100.0},
        {"Value", 50.0},
        {"FillColor", QVariant::fromValue<quint32>(255u)},
        {"Interactive", true},
        {"StrExtend", QStringLiteral("%")},
        {"AutoCaption", true},
    };
    for (const Row& row : rows) {
        const int index = fresh.metaObject()->indexOfProperty(row.name);
        ASSERT_GE(index, 0) << row.name;
        EXPECT_TRUE(fresh.metaObject()->property(index).isWritable()) << row.name;
        EXPECT_EQ(fresh.property(row.name), row.expected) << row.name;
    }
}

TEST(BarColorProperties, ValueTakesTextThatReadsAsANumber) {
    BarColor fresh;
    EXPECT_TRUE(fresh.setProperty("Value", QStringLiteral("30")));
    EXPECT_EQ(fresh.value(), 30.0);
    EXPECT_FALSE(fresh.setProperty("Value", QStringLiteral("thirty")));
    EXPECT_EQ(fresh.value(), 30.0);
}

TEST_F(BarColorTest, FirstLayoutShowsHalfFilledWithFiftyPercent) {
    EXPECT_EQ(filledColumns(), 50);
    EXPECT_EQ(bar.caption(), QStringLiteral("50%"));
    const QImage image = shot(bar);
    EXPECT_EQ(image.pixelColor(0, 0).name(), bar.palette().color(QPalette::Active, QPalette::Dark).name())
        << "sunken border";
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

TEST_F(BarColorTest, MinPlaysNoPartInTheDrawingButBoundsTheMouse) {
    bar.setMin(20);
    bar.setValue(20);
    EXPECT_EQ(filledColumns(), 20) << "a fifth of the bar, not an empty one";
    EXPECT_EQ(clickAt(0), 20.0);
    EXPECT_EQ(filledColumns(), 20);
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
}

TEST_F(BarColorTest, OtherButtonsRaiseEventsButChangeNothing) {
    record();
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

    const std::vector<std::string> expected = {
        "MouseDown 2 0 10,4", "MouseMove 2 0 80,4", "MouseUp 2 0 80,4", "MouseDown 1 0 30,4", "Change 30",
        "MouseDown 2 0 30,4", "MouseMove 3 0 70,4", "MouseUp 2 0 70,4", "MouseUp 1 0 70,4"};
    EXPECT_EQ(events, expected);
}

TEST_F(BarColorTest, HoverRaisesMouseMoveWithNoButton) {
    record();
    sendMouse(bar, QEvent::MouseMove, QPointF(12, 7), Qt::NoButton, Qt::NoButton, Qt::AltModifier);
    const std::vector<std::string> expected = {"MouseMove 0 4 10,5"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(bar.value(), 50.0);
}

TEST_F(BarColorTest, NotInteractiveRaisesEventsAndKeepsTheValue) {
    bar.setInteractive(false);
    QSignalSpy downs(&bar, &BarColor::MouseDown);
    QSignalSpy changes(&bar, &BarColor::Change);
    EXPECT_EQ(clickAt(90), 50.0);
    EXPECT_EQ(downs.count(), 1);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(BarColorTest, DoubleClickRaisesDblClickInPlaceOfTheSecondPress) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    record();
    QTest::mouseDClick(bar.windowHandle(), Qt::RightButton, {}, bar.barRect().topLeft() + QPoint(80, 4));
    // The window reports the pointer arriving before the clicks.
    std::erase_if(events, [](const std::string& event) { return event.rfind("MouseMove 0 ", 0) == 0; });
    const std::vector<std::string> expected = {"MouseDown 2 0 80,4", "MouseUp 2 0 80,4", "DblClick",
                                               "MouseUp 2 0 80,4"};
    EXPECT_EQ(events, expected);
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

TEST_F(BarColorTest, SettersThatRedrawRaiseChangeAndTheOthersDoNot) {
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
}

TEST_F(BarColorTest, OneChangePerResize) {
    QSignalSpy changes(&bar, &BarColor::Change);
    bar.resize(204, 24);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(filledColumns(), 100);
    bar.resize(54, 30);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(filledColumns(), 25);
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
    bar.setValue(50);
    EXPECT_EQ(bar.barRect(), QRect(2, 2, 100, 20));
    bar.setAppearance(0);
    EXPECT_EQ(bar.barRect(), QRect(1, 1, 102, 22));
    EXPECT_EQ(filledColumns(), 51);
    EXPECT_EQ(shot(bar).pixelColor(0, 0).name(),
              bar.palette().color(QPalette::Active, QPalette::WindowText).name());
    bar.setBorderStyle(0);
    EXPECT_EQ(bar.barRect(), QRect(0, 0, 104, 24));
    EXPECT_EQ(filledColumns(), 52);
    EXPECT_THROW(bar.setAppearance(2), VbError);
    EXPECT_THROW(bar.setBorderStyle(-1), VbError);
    EXPECT_EQ(bar.appearance(), 0);
}

TEST_F(BarColorTest, FillAndBackColoursArePainted) {
    bar.setFillColor(vbRgb(0, 128, 0));
    EXPECT_EQ(filledColumns(), 50);
    BarColor plain;
    plain.resize(104, 24);
    const QImage image = shot(plain);
    EXPECT_EQ(image.pixelColor(2, 2), explicitColour(Red));
    EXPECT_EQ(image.pixelColor(101, 2).name(),
              plain.palette().color(QPalette::Active, QPalette::Button).name());
}

TEST_F(BarColorTest, ReportsProgressAsASink) {
    ProgressSink& sink = bar;
    sink.setMax(200);
    sink.setValue(50);
    EXPECT_EQ(sink.value(), 50.0);
    EXPECT_EQ(sink.max(), 200.0);
    EXPECT_EQ(filledColumns(), 25);
    bar.setAutoCaption(false);
    sink.setCaption(std::string("Pr\xC3\xAAt"));
    EXPECT_EQ(bar.caption(), QString::fromUtf8("Pr\xC3\xAAt"));
}

TEST(BarColorPersistence, SavesInDeclarationOrderWithTheCaptionAsShown) {
    QWidget container;
    BarColor fresh(&container);
    PropertyBag empty;
    fresh.writeProperties(empty);
    EXPECT_TRUE(empty.isEmpty()) << empty.names().join(QLatin1Char(',')).toStdString();

    BarColor source(&container);
    source.setStrExtend(QStringLiteral(" lines"));
    source.setAutoCaption(false);
    source.setMax(400);
    source.setInteractive(false);
    source.setBorderStyle(0);
    source.setValue(12);
    source.setAutoCaption(true);
    source.setCaption(QStringLiteral("Ready"));
    PropertyBag bag;
    source.writeProperties(bag);
    const QStringList expected = {"BorderStyle", "Caption", "Max", "Value", "Interactive", "StrExtend"};
    EXPECT_EQ(bag.names(), expected);
    EXPECT_EQ(bag.value(QStringLiteral("Caption")), QStringLiteral("Ready lines"));

    BarColor copy(&container);
    QSignalSpy changes(&copy, &BarColor::Change);
    copy.readProperties(bag);
    EXPECT_EQ(changes.count(), 0) << "loading does not draw";
    EXPECT_EQ(copy.caption(), QStringLiteral("Ready lines"));
    PropertyBag again;
    copy.writeProperties(again);
    EXPECT_EQ(again.names(), bag.names());
    for (const QString& name : bag.names()) {
        EXPECT_EQ(again.value(name), bag.value(name)) << name.toStdString();
    }
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

TEST(BarColorPersistence, BadEntryRaisesAndChangesNothing) {
    struct Row {
        const char* name;
        QVariant stored;
        int error;
    };
    const Row rows[] = {
        {"Appearance", 3, 380},
        {"BorderStyle", 70000, 6},
        {"Max", QStringLiteral("lots"), 13},
        {"FillColor", -5, 380},
        {"Interactive", QVariant::fromValue(QSize()), 13},
    };
    BarColor bar;
    for (const Row& row : rows) {
        PropertyBag bag;
        bag.set(QStringLiteral("StrExtend"), QStringLiteral("?"));
        bag.set(QString::fromLatin1(row.name), row.stored);
        try {
            bar.readProperties(bag);
            ADD_FAILURE() << row.name << " was accepted";
        } catch (const VbError& error) {
            EXPECT_EQ(error.number(), row.error) << row.name;
        }
        EXPECT_EQ(bar.strExtend(), QStringLiteral("%"));
    }
}

} // namespace
} // namespace quillon
