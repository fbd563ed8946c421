#include "controls/switch_button.h"
#include "controls_test_support.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

constexpr VbColor TopLeftOne = vbRgb(255, 0, 0);
constexpr VbColor TopLeftTwo = vbRgb(0, 255, 0);
constexpr VbColor DownRightOne = vbRgb(0, 0, 255);
constexpr VbColor DownRightTwo = vbRgb(255, 255, 0);
constexpr VbColor Face = vbRgb(0, 255, 255);
constexpr VbColor FaceDown = vbRgb(255, 0, 255);
constexpr auto AllKeys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

// An 80 x 24 button with a colour of its own for each of the eight bevel lines and faces.
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
        button.setCaption(QStringLiteral("Go"));
        button.resize(80, 24);
        button.show();
        button.setAboutHandler([this](SwitchButton&) { events.push_back("About"); });
    }

    bool looksSunken() { return test::shot(button).pixelColor(3, 20) == test::explicitColour(FaceDown); }

    // Records each event as "MouseDown Button Shift X,Y", "Click" or "About".
    void record() {
        for (const auto& [signal, name] : {std::pair{&SwitchButton::MouseDown, "MouseDown"},
                                           std::pair{&SwitchButton::MouseMove, "MouseMove"},
                                           std::pair{&SwitchButton::MouseUp, "MouseUp"}}) {
            QObject::connect(&button, signal, [this, name](short b, short s, float x, float y) {
                events.push_back(
                    QStringLiteral("%1 %2 %3 %4,%5").arg(name).arg(b).arg(s).arg(x).arg(y).toStdString());
            });
        }
        QObject::connect(&button, &SwitchButton::Click, [this] { events.push_back("Click"); });
    }

    SwitchButton button;
    std::vector<std::string> events;
};

// The top and left lines stop short of the far corners, which the bottom and right lines take.
TEST_F(SwitchButtonTest, BevelLinesLeaveOutTheirEndPoints) {
    button.setCaption(QString());
    button.resize(10, 8);
    const struct {
        QPoint at;
        VbColor raised;
        VbColor sunken;
    } pixels[] = {
        {{0, 0}, TopLeftOne, DownRightOne}, {{9, 0}, DownRightOne, TopLeftOne},
        {{0, 7}, DownRightOne, TopLeftOne}, {{1, 1}, TopLeftTwo, DownRightTwo},
        {{8, 1}, DownRightTwo, TopLeftTwo}, {{1, 6}, DownRightTwo, TopLeftTwo},
        {{8, 6}, DownRightTwo, TopLeftTwo}, {{2, 2}, Face, FaceDown},
    };
    for (const int position : {1, 0}) {
        button.setPosition(position);
        const QImage image = test::shot(button);
        for (const auto& p : pixels) {
            EXPECT_EQ(image.pixelColor(p.at), test::explicitColour(position == 1 ? p.raised : p.sunken))
                << "at " << p.at.x() << "," << p.at.y() << " position " << position;
        }
    }
}

// A left press always looks sunken and changes no Position; the release decides.
TEST_F(SwitchButtonTest, LeftPressThenReleaseByStyleAndPlace) {
    const struct {
        int style;
        int positionBefore;
        QPoint releaseAt; // the far edges included
        int positionAfter;
        bool click;
    } rows[] = {
        {0, 1, {40, 12}, 1, true},  {0, 1, {80, 12}, 1, false}, {0, 0, {79, 23}, 1, true},
        {0, 0, {40, 24}, 1, false}, {1, 1, {0, 0}, 0, true},    {1, 1, {-1, 12}, 1, false},
        {1, 0, {40, 12}, 1, true},  {1, 0, {40, -1}, 0, false}, {7, 1, {40, 12}, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "style " << row.style << " from " << row.positionBefore << " released at "
                     << row.releaseAt.x() << "," << row.releaseAt.y());
        button.setStyle(row.style);
        button.setPosition(row.positionBefore);
        QSignalSpy clicks(&button, &SwitchButton::Click);
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 12));
        EXPECT_EQ(button.position(), row.positionBefore);
        QTest::mouseMove(&button, row.releaseAt);
        EXPECT_TRUE(looksSunken());
        QTest::mouseRelease(&button, Qt::LeftButton, {}, row.releaseAt);
        EXPECT_EQ(button.position(), row.positionAfter);
        EXPECT_EQ(looksSunken(), row.positionAfter == 0);
        EXPECT_EQ(clicks.count(), row.click ? 1 : 0);
    }
}

TEST_F(SwitchButtonTest, EventsComeInOrderOnlyTheLeftButtonSwitchesAndShiftCtrlAltRightShowsAbout) {
    record();
    button.setStyle(1);
    QTest::mousePress(&button, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
    QTest::mouseMove(&button, QPoint(-12, 6));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::ControlModifier, QPoint(12, 6));
    QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(40, 12));
    EXPECT_EQ(button.position(), 0);
    // Shift, Ctrl and Alt with a right release show the about box, after MouseUp.
    QTest::mouseClick(&button, Qt::RightButton, AllKeys, QPoint(5, 5));
    QTest::mouseClick(&button, Qt::LeftButton, AllKeys, QPoint(5, 5));
    EXPECT_EQ(events, (std::vector<std::string>{"MouseDown 1 1 10,5", "MouseMove 1 0 -12,6", "Click",
                                                "MouseUp 1 2 12,6", "MouseDown 2 0 40,12",
                                                "MouseUp 2 0 40,12", "MouseDown 2 7 5,5", "MouseUp 2 7 5,5",
                                                "About", "MouseDown 1 7 5,5", "Click", "MouseUp 1 7 5,5"}));
}

TEST_F(SwitchButtonTest, DisabledControlLooksTheSameAndIgnoresTheMouse) {
    button.setStyle(1);
    const QImage before = test::shot(button);
    button.setEnabled(false);
    EXPECT_EQ(test::shot(button), before);
    record();
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(40, 12));
    QTest::mouseClick(&button, Qt::RightButton, AllKeys, QPoint(40, 12));
    EXPECT_TRUE(events.empty()) << "no event, not even the about box";
}

TEST(SwitchButtonClick, AHandlerMayDestroyTheButton) {
    QPointer<SwitchButton> doomed = new SwitchButton;
    doomed->resize(40, 20);
    QObject::connect(doomed, &SwitchButton::Click, [&] { delete doomed.data(); });
    QTest::mouseClick(doomed, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(doomed.isNull());
}

TEST_F(SwitchButtonTest, CaptionAutoCentresOverTheGivenPlaceAndSunkenShiftsItByOne) {
    const QSize text = button.captionGeometry().size();
    button.setCaptionTop(0);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint((80 - text.width()) / 2, (24 - text.height()) / 2));
    button.setCaptionAuto(false);
    button.setCaptionLeft(5);
    button.setCaptionTop(3);
    button.setPosition(0);
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(6, 4));
    // A new caption goes to the raised place; the bevel keeps its look until the next drawing.
    button.setCaption(QStringLiteral("Batch"));
    EXPECT_EQ(button.captionGeometry().topLeft(), QPoint(5, 3));
    EXPECT_TRUE(looksSunken());
}

} // namespace
} // namespace quillon
