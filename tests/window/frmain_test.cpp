// The window as a whole: start-up, layout, pane switching, the fences around a conversion,
// the error box and the yield hook.

#include "window_fixture.h"

#include "base/ui_hooks.h"

#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <chrono>

namespace quillon::window::testing {
namespace {

class FRMainTest : public WindowTest {
protected:
    std::array<int, PaneCount> positions() {
        std::array<int, PaneCount> result{};
        for (int i = 0; i < PaneCount; ++i) {
            result[static_cast<std::size_t>(i)] = window->switchButton(i).position();
        }
        return result;
    }
    Flags panesShown() {
        Flags result{};
        for (int i = 0; i < PaneCount; ++i) {
            result[static_cast<std::size_t>(i)] = window->FrameSTEP(i).isVisible();
        }
        return result;
    }
};

TEST_F(FRMainTest, StartsOnTheFilesPaneWithItsBoxesPreset) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Quillon 2.0 Free");
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(panesShown(), (Flags{true, false, false, false}));
    EXPECT_EQ(positions(), (std::array<int, PaneCount>{0, 1, 1, 1}));
    EXPECT_EQ(panesEnabled(), AllPanes);
    EXPECT_EQ(PBC().caption(), "Ready");
    // Preset whether or not the files are there.
    std::filesystem::remove(folder / "header.txt");
    EXPECT_EQ(files().TXThead().text().toStdString(), path("header.txt"));
    EXPECT_EQ(files().TXTfoot().text().toStdString(), path("footer.txt"));
    EXPECT_FALSE(direct().BTstop().isVisible());
    EXPECT_TRUE(boxes.shown.empty());

    // A program folder that cannot be written still starts, and says nothing about it.
    window.reset();
    test::FakeFileDialogs otherDialogs("/proc");
    WindowServices readOnly{otherDialogs, colourDialog, fontDialog, boxes, opener, settings, "/proc"};
    FRMain other(readOnly);
    other.Form_Load();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(other.shownPane(), FilesPaneIndex);
}

// A few controls of each pane; the rest are placed by the same code from the same kind of table.
TEST_F(FRMainTest, ControlsSitAtTheirDesignPlaces) {
    EXPECT_EQ(window->size(), pixels(0, 0, 9045, 6105).size());
    struct Placement {
        const char* name;
        int index;
        int left, top, width, height;
    };
    const Placement placements[] = {
        {"SwitchButton", 3, 3000, 60, 795, 375}, {"FrameSTEP", 2, 120, 480, 8805, 5505},
        {"BTviewHTML", -1, 8280, 600, 375, 315}, {"TXTfoot", -1, 1440, 720, 5955, 315},
        {"BTtext", 6, 1440, 2340, 435, 315},     {"TXTcss", -1, 480, 3930, 1455, 315},
        {"LSTdo", -1, 5100, 1140, 3615, 3375},   {"TXTtransform", -1, 90, 3030, 8625, 2415},
    };
    for (const Placement& p : placements) {
        SCOPED_TRACE(std::string(p.name) + "(" + std::to_string(p.index) + ")");
        EXPECT_EQ(control<QWidget>(p.name, p.index).geometry(), pixels(p.left, p.top, p.width, p.height));
    }
    EXPECT_EQ(files().TXTfoot().parentWidget()->objectName(), "Frame1");
}

TEST_F(FRMainTest, PictureButtonsShowAnIconAndLinksGrowAroundTheirCentre) {
    for (const char* name : {"BTchoseSource", "BTviewVB", "BTchooseTarget", "BTviewHTML", "BTopenHead",
                             "BTviewHead", "BTfoot", "BTviewFoot", "BTstop"}) {
        auto& button = control<QToolButton>(name);
        EXPECT_TRUE(button.text().isEmpty()) << name;
        EXPECT_FALSE(button.icon().isNull()) << name;
        EXPECT_FALSE(button.toolTip().isEmpty()) << name;
    }

    auto& url = control<QLabel>("LBLurl");
    const int centre = pixels(3540, 3600, 1755, 255).center().x();
    EXPECT_NEAR(url.geometry().center().x(), centre, 1);
    url.setText("https://a-much-longer-address.example.org/quillon/home");
    QCoreApplication::sendPostedEvents();
    EXPECT_GE(url.width(), url.sizeHint().width());
    EXPECT_NEAR(url.geometry().center().x(), centre, 1);
    EXPECT_EQ(url.geometry().top(), pixels(0, 3600, 0, 0).y());
}

TEST_F(FRMainTest, DesignFontsMapToInstalledLookAlikes) {
    const QFontInfo controls(window->font());
    EXPECT_TRUE(controls.family() == "Liberation Sans" || controls.family() == "DejaVu Sans")
        << controls.family().toStdString();
    EXPECT_DOUBLE_EQ(window->font().pointSizeF(), 8.25);
    EXPECT_EQ(QFontInfo(files().TXTsource().font()).family(), controls.family());
    const QFontInfo courier(QFont(QStringLiteral("Courier New")));
    EXPECT_TRUE(courier.family() == "Liberation Mono" || courier.family() == "DejaVu Sans Mono")
        << courier.family().toStdString();
    EXPECT_TRUE(courier.fixedPitch());
}

TEST_F(FRMainTest, PaneButtonsSwitchPanesAndMoveTheBar) {
    struct Row {
        int pane;
        bool barShown;
        QRect bar;
    };
    const QRect filesBar = pixels(240, 5400, 8535, 435);
    const Row rows[] = {
        {ColorsPaneIndex, false, filesBar}, // hidden where it was
        {FilesPaneIndex, true, filesBar},
        {BatchPaneIndex, true, pixels(5220, 5340, 3615, 255)},
        {DirectPaneIndex, false, pixels(2010, 3090, 4965, 405)},
        {DirectPaneIndex, false, pixels(2010, 3090, 4965, 405)}, // the button of the shown pane stays down
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pane);
        click(window->switchButton(row.pane));
        Flags shown{};
        shown[static_cast<std::size_t>(row.pane)] = true;
        EXPECT_EQ(panesShown(), shown);
        EXPECT_EQ(window->shownPane(), row.pane);
        for (int i = 0; i < PaneCount; ++i) {
            EXPECT_EQ(window->switchButton(i).position(), i == row.pane ? 0 : 1);
        }
        EXPECT_EQ(PBC().isVisible(), row.barShown);
        EXPECT_EQ(PBC().geometry(), row.bar);
    }
    // The bar lies in front of the pane it belongs to.
    click(window->switchButton(FilesPaneIndex));
    EXPECT_EQ(window->childAt(PBC().geometry().center()), &PBC());
}

TEST_F(FRMainTest, AConversionFencesThePanesAndShowsTheHourglass) {
    window->StartWorking();
    EXPECT_TRUE(fenced());
    EXPECT_FALSE(files().BTgo().isEnabled());
    EXPECT_FALSE(control<SwitchButton>("cmdTranslate").isEnabled());
    EXPECT_TRUE(PBC().isEnabled());
    // Clicks on the pane buttons do nothing meanwhile.
    click(window->switchButton(ColorsPaneIndex));
    EXPECT_EQ(window->shownPane(), FilesPaneIndex);

    window->StopWorking(true);
    expectUsable();
    EXPECT_EQ(PBC().caption(), "Work completed !");
    window->StartWorking();
    window->StopWorking(false);
    EXPECT_EQ(PBC().caption(), ConversionFailedCaption);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The message is looked up when it is shown: the current language file has the last word.
    lang::WriteIniString(path("English.lng"), lang::MessageSection, "msg2", "Travail fini !");
    window->StartWorking();
    window->StopWorking(true);
    EXPECT_EQ(PBC().caption(), "Travail fini !");
    lang::setCurrentLanguageFile(path("Missing.lng"));
    window->StartWorking();
    window->StopWorking(true);
    EXPECT_EQ(PBC().caption(), "");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FRMainTest, TrappedErrorsShowTheStandardBox) {
    trap("Cparti", [] { raise(vberr::FileNotFound, "/nowhere/a.frm"); });
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "ERREUR n°53 in Cparti");
    EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::Critical);
    EXPECT_EQ(boxes.shown[0].text, "File not found: /nowhere/a.frm");

    // Once the window is gone its boxes are no longer used.
    window.reset();
    trap("Cparti", [] { raise(vberr::FileNotFound); });
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(FRMainTest, TheYieldHookProcessesEventsAtMostOncePerInterval) {
    bool delivered = false;
    QTimer::singleShot(0, window.get(), [&] { delivered = true; });
    const long long before = window->uiYield().yieldsServed();
    const auto start = std::chrono::steady_clock::now();
    long long calls = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(120)) {
        window->uiYield().yield();
        ++calls;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long served = window->uiYield().yieldsServed() - before;
    EXPECT_TRUE(delivered);
    EXPECT_GE(served, 1);
    EXPECT_LE(served, elapsed / std::chrono::milliseconds(20) + 1);
    EXPECT_GT(calls, served * 100) << "most calls return at once";
}

} // namespace
} // namespace quillon::window::testing
