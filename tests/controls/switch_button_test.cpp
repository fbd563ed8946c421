#include "controls/switch_button.h"
#include "controls_test_support.h"

#include "engine/vb_error.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quillon {
namespace {

using test::explicitColour;
using test::shot;

constexpr VbColor TopLeftOne = vbRgb(255, 0, 0);
constexpr VbColor TopLeftTwo = vbRgb(0, 255, 0);
constexpr VbColor DownRightOne = vbRgb(0, 0, 255);
constexpr VbColor DownRightTwo = vbRgb(255, 255, 0);
constexpr VbColor Face = vbRgb(0, 255, 255);
constexpr VbColor FaceDown = vbRgb(255, 0, 255);
constexpr VbColor Ink = vbRgb(0, 0, 0);

enum class Look { Raised, Sunken, Other };

class SwitchButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        button.setFont(test::plainFont());
        button.setColorTopLeftOne(TopLeftOne);
        button.setColorTopLeftTwo(TopLeftTwo);
        button.setColorDownRightOne(DownRightOne);
        button.setColorDownRightTwo(DownRightTwo);
        button.setBackColor(Face);
        button.setBackColorDown(FaceDown);
        button.setForeColor(Ink);
        button.setCaption(QStringLiteral("Go"));
        button.resize(80, 24);
        button.show();
        button.setAboutHandler([this](SwitchButton&) { ++aboutShown; });
    }

    // Which look the bevel corners and the face show.
    Look look() {
        const QImage image = shot(button);
        const int w = image.width();
        const int h = image.height();
        const QColor corner = image.pixelColor(0, 0);
        const QColor opposite = image.pixelColor(w - 1, h - 1);
        const QColor face = image.pixelColor(3, h - 4);
        if (corner == explicitColour(TopLeftOne) && opposite == explicitColour(DownRightOne) &&
            face == explicitColour(Face)) {
            return Look::Raised;
        }
        if (corner == explicitColour(DownRightOne) && opposite == explicitColour(TopLeftOne) &&
            face == explicitColour(FaceDown)) {
            return Look::Sunken;
        }
        return Look::Other;
    }

    // Records the events as text, in the order they are raised.
    void record() {
        const auto mouse = [this](const char* name) {
            return [this, name](short b, short s, float x, float y) {
                events.push_back(std::string(name) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
                                 std::to_string(static_cast<int>(x)) + "," +
                                 std::to_string(static_cast<int>(y)));
            };
        };
        QObject::connect(&button, &SwitchButton::MouseDown, mouse("MouseDown"));
        QObject::connect(&button, &SwitchButton::MouseMove, mouse("MouseMove"));
        QObject::connect(&button, &SwitchButton::MouseUp, mouse("MouseUp"));
        QObject::connect(&button, &SwitchButton::Click, [this] { events.push_back("Click"); });
    }

    SwitchButton button;
    std::vector<std::string> events;
    int aboutShown = 0;
};

TEST_F(SwitchButtonTest, EveryPropertyIsAQtPropertyWithItsDefault) {
    SwitchButton fresh;
    struct Row {
        const char* name;
        QVariant expected;
    };
    const Row rows[] = {
        {"ForeColor", QVariant::fromValue<quint32>(0x80000012u)},
        {"Enabled", true},
        {"Font", fresh.font()},
        {"Position", 1},
        {"CaptionAuto", true},
        {"CaptionTop", fresh.captionTop()},
        {"CaptionLeft", fresh.captionLeft()},
        {"Style", 0},
        {"ColorDownRightOne", QVariant::fromValue<quint32>(0x80000015u)},
        {"ColorDownRightTwo", QVariant::fromValue<quint32>(0x80000010u)},
        {"ColorTopLeftTwo", QVariant::fromValue<quint32>(0x80000016u)},
        {"ColorTopLeftOne", QVariant::fromValue<quint32>(0x80000014u)},
        {"Caption", QStringLiteral("Caption")},
        {"BackColor", QVariant::fromValue<quint32>(0x8000000Fu)},
        {"BackColorDown", QVariant::fromValue<quint32>(0x80000005u)},
    };
    for (const Row& row : rows) {
        const int index = fresh.metaObject()->indexOfProperty(row.name);
        ASSERT_GE(index, 0) << row.name;
        EXPECT_TRUE(fresh.metaObject()->property(index).isWritable()) << row.name;
        EXPECT_EQ(fresh.property(row.name), row.expected) << row.name;
    }
    EXPECT_TRUE(fresh.setProperty("Caption", QStringLiteral("Files")));
    EXPECT_EQ(fresh.caption(), QStringLiteral("Files"));
}

TEST_F(SwitchButtonTest, BevelLinesLeaveOutTheirEndPoints) {
    button.setCaption(QString());
    button.resize(10, 8);
    const int w = 10;
    const int h = 8;
    const auto expected = [&](int x, int y, bool raised) -> VbColor {
        const VbColor tlOuter = raised ? TopLeftOne : DownRightOne;
        const VbColor tlInner = raised ? TopLeftTwo : DownRightTwo;
        const VbColor brOuter = raised ? DownRightOne : TopLeftOne;
        const VbColor brInner = raised ? DownRightTwo : TopLeftTwo;
        if (x == w - 1 || y == h - 1) {
            return brOuter;
        }
        if (x == 0 || y == 0) {
            return tlOuter;
        }
        if (x == w - 2 || y == h - 2) {
            return brInner;
        }
        if (x == 1 || y == 1) {
            return tlInner;
        }
        return raised ? Face : FaceDown;
    };
    for (const bool raised : {true, false}) {
        button.setPosition(raised ? 1 : 0);
        const QImage image = shot(button);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(image.pixelColor(x, y), explicitColour(expected(x, y, raised)))
                    << "at " << x << "," << y << (raised ? " raised" : " sunken");
            }
        }
    }
}

TEST_F(SwitchButtonTest, SystemColoursComeFromThePalette) {
    SwitchButton plain;
    plain.setCaption(QString());
    plain.resize(40, 20);
    const QImage image = shot(plain);
    const QPalette& pal = plain.palette();
    const auto at = [&](int x, int y) { return image.pixelColor(x, y).name().toStdString(); };
    const auto role = [&](QPalette::ColorRole r) {
        return pal.color(QPalette::Active, r).name().toStdString();
    };
    EXPECT_EQ(at(0, 0), role(QPalette::Light));
    EXPECT_EQ(at(39, 19), role(QPalette::Shadow));
    EXPECT_EQ(at(1, 1), role(QPalette::Midlight));
    EXPECT_EQ(at(38, 18), role(QPalette::Dark));
    EXPECT_EQ(at(2, 17), role(QPalette::Button));
}

struct StateRow {
    int style;
    int positionBefore;
    bool releaseInside;
    int positionAfter;
    Look lookAfter;
    bool click;
};

class SwitchButtonStateTable : public SwitchButtonTest, public ::testing::WithParamInterface<StateRow> {};

TEST_P(SwitchButtonStateTable, LeftPressThenRelease) {
    const StateRow row = GetParam();
    button.setStyle(row.style);
    button.setPosition(row.positionBefore);
    QSignalSpy clicks(&button, &SwitchButton::Click);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 12));
    EXPECT_EQ(look(), Look::Sunken) << "a left press always shows the sunken look";
    EXPECT_EQ(button.position(), row.positionBefore) << "the press alone changes no Position";

    const QPoint releaseAt = row.releaseInside ? QPoint(40, 12) : QPoint(100, 12);
    QTest::mouseMove(&button, releaseAt);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, releaseAt);
    EXPECT_EQ(button.position(), row.positionAfter);
    EXPECT_EQ(look(), row.lookAfter);
    EXPECT_EQ(clicks.count(), row.click ? 1 : 0);
}

std::string rowName(const ::testing::TestParamInfo<StateRow>& info) {
    const StateRow& row = info.param;
    return "Style" + std::to_string(row.style < 0 ? 99 : row.style) + "Position" +
           std::to_string(row.positionBefore) + (row.releaseInside ? "Inside" : "Outside");
}

INSTANTIATE_TEST_SUITE_P(Rows, SwitchButtonStateTable,
                         ::testing::Values(StateRow{0, 1, true, 1, Look::Raised, true},
                                           StateRow{0, 1, false, 1, Look::Raised, false},
                                           StateRow{0, 0, true, 1, Look::Raised, true},
                                           StateRow{0, 0, false, 1, Look::Raised, false},
                                           StateRow{1, 1, true, 0, Look::Sunken, true},
                                           StateRow{1, 1, false, 1, Look::Raised, false},
                                           StateRow{1, 0, true, 1, Look::Raised, true},
                                           StateRow{1, 0, false, 0, Look::Sunken, false},
                                           StateRow{7, 1, true, 0, Look::Sunken, true},
                                           StateRow{-1, 0, true, 1, Look::Raised, true}),
                         rowName);

TEST_F(SwitchButtonTest, EventsComeInOrderWithTheirArguments) {
    record();
    QTest::mousePress(&button, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
    QTest::mouseMove(&button, QPoint(12, 6));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::ControlModifier, QPoint(12, 6));
    const std::vector<std::string> expected = {"MouseDown 1 1 10,5", "MouseMove 1 0 12,6", "Click",
                                               "MouseUp 1 2 12,6"};
    EXPECT_EQ(events, expected);
}

TEST_F(SwitchButtonTest, ReleaseOnTheFarEdgesCountsAsOutside) {
    QSignalSpy clicks(&button, &SwitchButton::Click);
    for (const QPoint at : {QPoint(80, 5), QPoint(5, 24), QPoint(-1, 5), QPoint(5, -1)}) {
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(clicks.count(), 0);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(79, 23));
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(SwitchButtonTest, DoubleClickOnASwitchIsTwoClicks) {
    button.setStyle(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    record();
    QTest::mouseDClick(button.windowHandle(), Qt::LeftButton, {}, QPoint(40, 12));
    // The window reports the pointer arriving before the clicks.
    std::erase_if(events, [](const std::string& event) { return event.rfind("MouseMove 0 ", 0) == 0; });
    const std::vector<std::string> expected = {"MouseDown 1 0 40,12", "Click", "MouseUp 1 0 40,12",
                                               "MouseDown 1 0 40,12", "Click", "MouseUp 1 0 40,12"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(button.position(), 1);
    EXPECT_EQ(look(), Look::Raised);
}

TEST_F(SwitchButtonTest, PushButtonDraggedOffSpringsBackWithoutClick) {
    record();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 12));
    QTest::mouseMove(&button, QPoint(-30, 40));
    EXPECT_EQ(look(), Look::Sunken) << "dragging off keeps the pressed look";
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(-30, 40));
    EXPECT_EQ(look(), Look::Raised);
    EXPECT_EQ(button.position(), 1);
    const std::vector<std::string> expected = {"MouseDown 1 0 40,12", "MouseMove 1 0 -30,40",
                                               "MouseUp 1 0 -30,40"};
    EXPECT_EQ(events, expected);
}

TEST_F(SwitchButtonTest, OnlyTheLeftButtonPressesAndSwitches) {
    button.setStyle(1);
    record();
    for (const Qt::MouseButton other : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mousePress(&button, other, {}, QPoint(40, 12));
        EXPECT_EQ(look(), Look::Raised);
        QTest::mouseRelease(&button, other, {}, QPoint(40, 12));
        EXPECT_EQ(look(), Look::Raised);
        EXPECT_EQ(button.position(), 1);
    }
    const std::vector<std::string> expected = {"MouseDown 2 0 40,12", "MouseUp 2 0 40,12",
                                               "MouseDown 4 0 40,12", "MouseUp 4 0 40,12"};
    EXPECT_EQ(events, expected);
}

TEST_F(SwitchButtonTest, DisabledControlLooksTheSameAndIgnoresTheMouse) {
    button.setStyle(1);
    const QImage before = shot(button);
    button.setEnabled(false);
    EXPECT_EQ(shot(button), before);
    EXPECT_FALSE(button.property("Enabled").toBool());
    record();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 12));
    EXPECT_EQ(shot(button), before);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 12));
    QTest::mouseRelease(&button, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier,
                        QPoint(40, 12));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(button.position(), 1);
    EXPECT_EQ(aboutShown, 0);
}

TEST_F(SwitchButtonTest, DisablingDuringAPressRestoresTheLook) {
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 12));
    ASSERT_EQ(look(), Look::Sunken);
    button.setEnabled(false);
    EXPECT_EQ(look(), Look::Raised);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 12));
}

TEST(SwitchButtonEnabled, IsTheControlsOwnState) {
    QWidget container;
    auto* inner = new SwitchButton(&container);
    container.setEnabled(false);
    EXPECT_FALSE(inner->isEnabled());
    EXPECT_TRUE(inner->property("Enabled").toBool());
}

TEST_F(SwitchButtonTest, RightReleaseWithShiftCtrlAltShowsAboutAfterMouseUp) {
    record();
    button.setAboutHandler([this](SwitchButton&) { events.push_back("About"); });
    const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    QTest::mousePress(&button, Qt::RightButton, all, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::RightButton, all, QPoint(5, 5));
    const std::vector<std::string> expected = {"MouseDown 2 7 5,5", "MouseUp 2 7 5,5", "About"};
    EXPECT_EQ(events, expected);

    events.clear();
    QTest::mouseRelease(&button, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 5));
    QTest::mousePress(&button, Qt::LeftButton, all, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, all, QPoint(5, 5));
    for (const std::string& event : events) {
        EXPECT_NE(event, "About");
    }
}

TEST_F(SwitchButtonTest, AClickHandlerMayDestroyTheButton) {
    auto* doomed = new SwitchButton;
    doomed->resize(40, 20);
    bool destroyedSeen = false;
    QObject::connect(doomed, &SwitchButton::Click, [&] { delete doomed; });
    QObject::connect(doomed, &QObject::destroyed, [&] { destroyedSeen = true; });
    QTest::mousePress(doomed, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(doomed, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(destroyedSeen);
}

TEST_F(SwitchButtonTest, CaptionAutoCentresAndOverridesTheGivenPlace) {
    const QSize text = button.captionGeometry().size();
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint((80 - text.width()) / 2, (24 - text.height()) / 2));
    const QImage before = shot(button);
    button.setCaptionTop(0);
    button.setCaptionLeft(0);
    EXPECT_EQ(button.captionTop(), (24 - text.height()) / 2);
    EXPECT_EQ(shot(button), before) << "with CaptionAuto the caption stays centred";

    // Wider than the control: the halving drops the fraction towards zero.
    button.setCaption(QStringLiteral("A caption far wider than the button"));
    const int wide = button.captionGeometry().width();
    ASSERT_GT(wide, 80);
    EXPECT_EQ(button.captionLeft(), (80 - wide) / 2);
}

TEST_F(SwitchButtonTest, CaptionPlaceIsGivenWithoutCaptionAutoAndShiftsWhenSunken) {
    button.setCaptionAuto(false);
    button.setCaptionLeft(5);
    button.setCaptionTop(3);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(5, 3));
    button.setPosition(0);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(6, 4));
    button.resize(90, 30);
    EXPECT_EQ(button.captionLeft(), 5);
}

TEST_F(SwitchButtonTest, NewCaptionOnASunkenButtonGoesToTheRaisedPlace) {
    button.setStyle(1);
    button.setPosition(0);
    const QPoint sunkenPlace = button.captionGeometry().topLeft();
    EXPECT_EQ(sunkenPlace, QPoint(button.captionLeft() + 1, button.captionTop() + 1));
    button.setCaption(QStringLiteral("Batch"));
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(button.captionLeft(), button.captionTop()));
    EXPECT_EQ(look(), Look::Sunken) << "the bevel keeps its look until the next drawing";
    button.setPosition(0);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(button.captionLeft() + 1, button.captionTop() + 1));
}

TEST_F(SwitchButtonTest, BackColoursShowAtTheirOwnMoments) {
    constexpr VbColor NewFace = vbRgb(10, 20, 30);
    constexpr VbColor NewFaceDown = vbRgb(40, 50, 60);
    button.setBackColor(NewFace);
    EXPECT_EQ(shot(button).pixelColor(3, 20), explicitColour(NewFace)) << "a raised button repaints at once";

    button.setPosition(0);
    button.setBackColorDown(NewFaceDown);
    EXPECT_EQ(shot(button).pixelColor(3, 20), explicitColour(FaceDown))
        << "shown only at the next sunken drawing";
    button.setPosition(0);
    EXPECT_EQ(shot(button).pixelColor(3, 20), explicitColour(NewFaceDown));
}

TEST_F(SwitchButtonTest, ForeColorRepaintsTheCaption) {
    constexpr VbColor Green = vbRgb(0, 128, 0);
    button.setForeColor(Green);
    const QImage image = shot(button);
    const QRect caption = button.captionGeometry();
    int inked = 0;
    for (int y = caption.top(); y <= caption.bottom(); ++y) {
        for (int x = caption.left(); x <= caption.right(); ++x) {
            inked += image.pixelColor(x, y) == explicitColour(Green) ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 5);
}

TEST_F(SwitchButtonTest, InvalidColourIsRefusedAndKeepsTheOldOne) {
    for (const VbColor bad : {0x01000000u, 0x80000019u, 0x8000001Fu, 0xFFFFFFFFu}) {
        try {
            button.setBackColor(bad);
            ADD_FAILURE() << std::hex << bad << " was accepted";
        } catch (const VbError& error) {
            EXPECT_EQ(error.number(), 380);
        }
        EXPECT_EQ(button.backColor(), Face);
    }
}

TEST(SwitchButtonPersistence, NewControlSavesOnlyItsCentredCaptionPlace) {
    QWidget container;
    SwitchButton fresh(&container);
    PropertyBag bag;
    fresh.writeProperties(bag);
    EXPECT_EQ(bag.names(), QStringList({"CaptionTop", "CaptionLeft"}));
    EXPECT_EQ(bag.value(QStringLiteral("CaptionTop")), fresh.captionTop());

    fresh.resize(fresh.fontMetrics().size(0, fresh.caption()));
    fresh.setCaptionAuto(true);
    PropertyBag tight;
    fresh.writeProperties(tight);
    EXPECT_TRUE(tight.isEmpty()) << tight.names().join(QLatin1Char(',')).toStdString();
}

TEST(SwitchButtonPersistence, SavesChangedPropertiesInDeclarationOrderAndLoadsThemBack) {
    QWidget container;
    container.setFont(test::plainFont());
    SwitchButton source(&container);
    source.setCaption(QStringLiteral("Files"));
    source.setBackColorDown(vbRgb(1, 2, 3));
    source.setStyle(1);
    source.setPosition(0);
    source.setCaptionAuto(false);
    source.setCaptionLeft(4);
    QFont bold = test::plainFont();
    bold.setBold(true);
    source.setFont(bold);
    source.setEnabled(false);
    source.setForeColor(vbRgb(9, 9, 9));

    PropertyBag bag;
    source.writeProperties(bag);
    const QStringList expected = {"ForeColor",  "Enabled",     "Font",  "Position", "CaptionAuto",
                                  "CaptionTop", "CaptionLeft", "Style", "Caption",  "BackColorDown"};
    // CaptionTop was centred while CaptionAuto was still on, so it is saved too.
    EXPECT_EQ(bag.names(), expected);

    SwitchButton copy(&container);
    copy.readProperties(bag);
    PropertyBag again;
    copy.writeProperties(again);
    EXPECT_EQ(again.names(), bag.names());
    for (const QString& name : bag.names()) {
        EXPECT_EQ(again.value(name), bag.value(name)) << name.toStdString();
    }
    EXPECT_EQ(copy.captionGeometry().topLeft(), QPoint(5, source.captionTop() + 1))
        << "loading redraws sunken";
}

TEST(SwitchButtonPersistence, BadEntryRaisesAndChangesNothing) {
    SwitchButton button;
    button.setCaption(QStringLiteral("Keep"));
    struct Row {
        const char* name;
        QVariant stored;
        int error;
    };
    const Row rows[] = {
        {"BackColor", QStringLiteral("red"), 13},
        {"ColorTopLeftOne", QVariant::fromValue<quint32>(0x80000040u), 380},
        {"Position", 1e12, 6},
        {"Font", QVariant::fromValue(QSize(1, 1)), 13},
        {"Enabled", QStringLiteral("maybe"), 13},
    };
    for (const Row& row : rows) {
        PropertyBag bag;
        bag.set(QStringLiteral("Caption"), QStringLiteral("Lost"));
        bag.set(QString::fromLatin1(row.name), row.stored);
        try {
            button.readProperties(bag);
            ADD_FAILURE() << row.name << " was accepted";
        } catch (const VbError& error) {
            EXPECT_EQ(error.number(), row.error) << row.name;
            EXPECT_NE(std::string(error.what()).find(row.name), std::string::npos) << error.what();
        }
        EXPECT_EQ(button.caption(), QStringLiteral("Keep"));
    }
}

TEST(SwitchButtonPersistence, ColoursSavedAsSignedLongsLoadBack) {
    PropertyBag bag;
    bag.set(QStringLiteral("BackColor"), static_cast<qint32>(0x8000000Du - 0x100000000ll));
    bag.set(QStringLiteral("Position"), QStringLiteral("0"));
    SwitchButton button;
    button.readProperties(bag);
    EXPECT_EQ(button.backColor(), 0x8000000Du);
    EXPECT_EQ(button.position(), 0);
}

} // namespace
} // namespace quillon
