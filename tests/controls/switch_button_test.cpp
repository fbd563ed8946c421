#include "controls/switch_button.h"
#include "controls_test_support.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

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
constexpr auto AllKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

enum class Look { Raised, Sunken, Other };

using Events = std::vector<std::string>;

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
        button.setForeColor(vbRgb(0, 0, 0));
        button.setCaption(QStringLiteral("Go"));
        button.resize(80, 24);
        button.show();
        button.setAboutHandler([this](SwitchButton&) { events.push_back("About"); });
    }

    // Which look the bevel corners and the face show.
    Look look() {
        const QImage image = shot(button);
        const QColor corner = image.pixelColor(0, 0);
        const QColor opposite = image.pixelColor(image.width() - 1, image.height() - 1);
        const QColor face = image.pixelColor(3, image.height() - 4);
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
        test::recordMouse(button, events);
        QObject::connect(&button, &SwitchButton::Click, [this] { events.push_back("Click"); });
    }

    void clickWith(Qt::MouseButton which, Qt::KeyboardModifiers keys = {}, QPoint at = {40, 12}) {
        QTest::mousePress(&button, which, keys, at);
        QTest::mouseRelease(&button, which, keys, at);
    }

    SwitchButton button;
    Events events;
};

TEST_F(SwitchButtonTest, BevelLinesLeaveOutTheirEndPoints) {
    button.setCaption(QString());
    button.resize(10, 8);
    const auto expected = [](int x, int y, bool raised) -> VbColor {
        if (x == 9 || y == 7) {
            return raised ? DownRightOne : TopLeftOne;
        }
        if (x == 0 || y == 0) {
            return raised ? TopLeftOne : DownRightOne;
        }
        if (x == 8 || y == 6) {
            return raised ? DownRightTwo : TopLeftTwo;
        }
        if (x == 1 || y == 1) {
            return raised ? TopLeftTwo : DownRightTwo;
        }
        return raised ? Face : FaceDown;
    };
    for (const bool raised : {true, false}) {
        button.setPosition(raised ? 1 : 0);
        const QImage image = shot(button);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 10; ++x) {
                EXPECT_EQ(image.pixelColor(x, y), explicitColour(expected(x, y, raised)))
                    << "at " << x << "," << y << (raised ? " raised" : " sunken");
            }
        }
    }
}

TEST(SwitchButtonLook, DefaultColoursComeFromThePalette) {
    SwitchButton plain;
    plain.setCaption(QString());
    plain.resize(40, 20);
    const auto expect = [&](int position,
                            std::initializer_list<std::pair<QPoint, QPalette::ColorRole>> pixels) {
        plain.setPosition(position);
        const QImage image = shot(plain);
        for (const auto& [at, role] : pixels) {
            EXPECT_EQ(image.pixelColor(at).name(), plain.palette().color(QPalette::Active, role).name())
                << at.x() << "," << at.y() << " position " << position;
        }
    };
    expect(1, {{{0, 0}, QPalette::Light},
               {{39, 19}, QPalette::Shadow},
               {{1, 1}, QPalette::Midlight},
               {{38, 18}, QPalette::Dark},
               {{2, 17}, QPalette::Button}});
    expect(0, {{{0, 0}, QPalette::Shadow}, {{2, 17}, QPalette::Base}});
}

struct StateRow {
    int style;
    int positionBefore;
    QPoint releaseAt; // on the 80 x 24 button, the far edges included
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

    QTest::mouseMove(&button, row.releaseAt);
    EXPECT_EQ(look(), Look::Sunken) << "dragging off keeps the pressed look";
    QTest::mouseRelease(&button, Qt::LeftButton, {}, row.releaseAt);
    EXPECT_EQ(button.position(), row.positionAfter);
    EXPECT_EQ(look(), row.lookAfter);
    EXPECT_EQ(clicks.count(), row.click ? 1 : 0);
}

std::string rowName(const ::testing::TestParamInfo<StateRow>& info) {
    const StateRow& row = info.param;
    return "Style" + std::to_string(row.style < 0 ? 99 : row.style) + "Position" +
           std::to_string(row.positionBefore) + "At" + std::to_string(row.releaseAt.x() + 10) + "x" +
           std::to_string(row.releaseAt.y() + 10);
}

INSTANTIATE_TEST_SUITE_P(Rows, SwitchButtonStateTable,
                         ::testing::Values(StateRow{0, 1, {40, 12}, 1, Look::Raised, true},
                                           StateRow{0, 1, {80, 12}, 1, Look::Raised, false},
                                           StateRow{0, 0, {79, 23}, 1, Look::Raised, true},
                                           StateRow{0, 0, {40, 24}, 1, Look::Raised, false},
                                           StateRow{1, 1, {0, 0}, 0, Look::Sunken, true},
                                           StateRow{1, 1, {-1, 12}, 1, Look::Raised, false},
                                           StateRow{1, 0, {40, 12}, 1, Look::Raised, true},
                                           StateRow{1, 0, {40, -1}, 0, Look::Sunken, false},
                                           StateRow{7, 1, {40, 12}, 0, Look::Sunken, true},
                                           StateRow{-1, 0, {40, 12}, 1, Look::Raised, true}),
                         rowName);

TEST_F(SwitchButtonTest, EventsComeInOrderWithTheirArguments) {
    record();
    QTest::mousePress(&button, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
    QTest::mouseMove(&button, QPoint(-12, 6));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::ControlModifier, QPoint(12, 6));
    EXPECT_EQ(events, Events({"MouseDown 1 1 10,5", "MouseMove 1 0 -12,6", "Click", "MouseUp 1 2 12,6"}));

    // Only the left button presses and switches; the others raise their events.
    events.clear();
    button.setStyle(1);
    clickWith(Qt::RightButton);
    clickWith(Qt::MiddleButton);
    EXPECT_EQ(look(), Look::Raised);
    EXPECT_EQ(button.position(), 1);
    EXPECT_EQ(events, Events({"MouseDown 2 0 40,12", "MouseUp 2 0 40,12", "MouseDown 4 0 40,12",
                              "MouseUp 4 0 40,12"}));
}

TEST_F(SwitchButtonTest, DoubleClickOnASwitchIsTwoClicks) {
    button.setStyle(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    record();
    QTest::mouseDClick(button.windowHandle(), Qt::LeftButton, {}, QPoint(40, 12));
    // The window reports the pointer arriving before the clicks.
    std::erase_if(events, [](const std::string& event) { return event.starts_with("MouseMove 0 "); });
    const Events once = {"MouseDown 1 0 40,12", "Click", "MouseUp 1 0 40,12"};
    Events twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(events, twice);
    EXPECT_EQ(button.position(), 1);
    EXPECT_EQ(look(), Look::Raised);
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
    clickWith(Qt::RightButton, AllKeys);
    EXPECT_TRUE(events.empty()) << "no event, not even the about box";
    EXPECT_EQ(button.position(), 1);

    // Disabled during a press: the raised look comes back.
    button.setEnabled(true);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 12));
    ASSERT_EQ(look(), Look::Sunken);
    button.setEnabled(false);
    EXPECT_EQ(look(), Look::Raised);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 12));

    // Enabled is the control's own state, not its container's.
    QWidget container;
    auto* inner = new SwitchButton(&container);
    container.setEnabled(false);
    EXPECT_FALSE(inner->isEnabled());
    EXPECT_TRUE(inner->property("Enabled").toBool());
}

TEST_F(SwitchButtonTest, RightReleaseWithShiftCtrlAltShowsAboutAfterMouseUp) {
    record();
    clickWith(Qt::RightButton, AllKeys, QPoint(5, 5));
    EXPECT_EQ(events, Events({"MouseDown 2 7 5,5", "MouseUp 2 7 5,5", "About"}));

    events.clear();
    QTest::mouseRelease(&button, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 5));
    clickWith(Qt::LeftButton, AllKeys, QPoint(5, 5));
    EXPECT_EQ(std::count(events.begin(), events.end(), "About"), 0);
}

TEST(SwitchButtonClick, AHandlerMayDestroyTheButton) {
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

TEST_F(SwitchButtonTest, CaptionShiftsWhenSunkenAndANewOneGoesToTheRaisedPlace) {
    button.setCaptionAuto(false);
    button.setCaptionLeft(5);
    button.setCaptionTop(3);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(5, 3));
    button.setPosition(0);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(6, 4));
    button.resize(90, 30);
    EXPECT_EQ(button.captionLeft(), 5) << "without CaptionAuto a resize keeps the place";

    button.setCaption(QStringLiteral("Batch"));
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(5, 3));
    EXPECT_EQ(look(), Look::Sunken) << "the bevel keeps its look until the next drawing";
    button.setPosition(0);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(6, 4));
}

TEST_F(SwitchButtonTest, ColoursShowAtTheirOwnMomentsAndBadOnesAreRefused) {
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
    EXPECT_GT(inked, 5) << "the caption is drawn in ForeColor";

    for (const VbColor bad : {0x01000000u, 0x80000019u, 0x8000001Fu, 0xFFFFFFFFu}) {
        EXPECT_EQ(test::vbErrorOf([&] { button.setBackColor(bad); }), 380) << std::hex << bad;
        EXPECT_EQ(button.backColor(), NewFace);
    }
}

TEST(SwitchButtonPersistence, NewControlSavesOnlyItsCentredCaptionPlace) {
    QWidget container;
    SwitchButton fresh(&container);
    const PropertyBag bag = test::saved(fresh);
    EXPECT_EQ(bag.names(), QStringList({"CaptionTop", "CaptionLeft"}));
    EXPECT_EQ(bag.value(QStringLiteral("CaptionTop")), fresh.captionTop());

    fresh.resize(fresh.fontMetrics().size(0, fresh.caption()));
    fresh.setCaptionAuto(true);
    EXPECT_TRUE(test::saved(fresh).isEmpty());
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

    const PropertyBag bag = test::saved(source);
    // CaptionTop was centred while CaptionAuto was still on, so it is saved too.
    EXPECT_EQ(bag.names(), QStringList({"ForeColor", "Enabled", "Font", "Position", "CaptionAuto",
                                        "CaptionTop", "CaptionLeft", "Style", "Caption", "BackColorDown"}));
    SwitchButton copy(&container);
    test::expectLoadsBack(bag, copy);
    EXPECT_EQ(copy.captionGeometry().topLeft(), QPoint(5, source.captionTop() + 1))
        << "loading redraws sunken";

    // Colours saved as signed longs, numbers saved as text.
    PropertyBag signedBag;
    signedBag.set(QStringLiteral("BackColor"), static_cast<qint32>(0x8000000Du - 0x100000000ll));
    signedBag.set(QStringLiteral("Position"), QStringLiteral("0"));
    copy.readProperties(signedBag);
    EXPECT_EQ(copy.backColor(), 0x8000000Du);
    EXPECT_EQ(copy.position(), 0);
}

} // namespace
} // namespace quillon
