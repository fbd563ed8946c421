// The window as a whole: start-up, layout and size, pane switching, the fences around a
// conversion and the yield hook.

#include "window_fixture.h"

#include "base/ui_hooks.h"
#include "base/version.h"

#include <algorithm>
#include <chrono>
#include <map>

namespace quillon::window::testing {
namespace {

class FRMainTest : public WindowTest {
protected:
    Flags panesShown() {
        Flags result{};
        for (int i = 0; i < PaneCount; ++i) {
            result[static_cast<std::size_t>(i)] = window->FrameSTEP(i).isVisible();
        }
        return result;
    }
    std::map<QWidget*, QRect> places() {
        std::map<QWidget*, QRect> result;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            result[control] = control->geometry();
        }
        return result;
    }
};

TEST_F(FRMainTest, StartsOnTheFilesPaneWithItsBoxesPreset) {
    EXPECT_EQ(window->windowTitle(), "Quillon 2.0 Free");
    const auto labels = window->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
        return label->isVisible() &&
               label->text() == QStringLiteral("Quillon %1").arg(quillon::ProgramVersion);
    }));
    EXPECT_EQ(panesShown(), (Flags{true, false, false, false}));
    EXPECT_EQ(PBC().caption(), "Ready");
    // Preset whether or not the files are there.
    std::filesystem::remove(folder / "header.txt");
    EXPECT_EQ(files().TXThead().text().toStdString(), path("header.txt"));
    EXPECT_EQ(files().TXTfoot().text().toStdString(), path("footer.txt"));
    EXPECT_TRUE(boxes.shown.empty());

    // A program folder that cannot be written still starts, and says nothing about it.
    window.reset();
    test::FakeFileDialogs otherDialogs("/proc");
    WindowServices readOnly{otherDialogs, colourDialog, fontDialog, boxes,
                            opener,       settings,     clipboard,  "/proc"};
    FRMain other(readOnly);
    other.Form_Load();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(other.shownPane(), FilesPaneIndex);
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

// The bar belongs to the Files and Batch panes; the button of the shown pane stays down.
TEST_F(FRMainTest, PaneButtonsSwitchPanesAndTheBarFollowsItsPane) {
    for (const auto& [pane, barShown] : {std::pair{ColorsPaneIndex, false},
                                         {FilesPaneIndex, true},
                                         {BatchPaneIndex, true},
                                         {DirectPaneIndex, false},
                                         {DirectPaneIndex, false}}) {
        SCOPED_TRACE(pane);
        click(window->switchButton(pane));
        Flags shown{};
        shown[static_cast<std::size_t>(pane)] = true;
        EXPECT_EQ(panesShown(), shown);
        EXPECT_EQ(window->shownPane(), pane);
        for (int i = 0; i < PaneCount; ++i) {
            EXPECT_EQ(window->switchButton(i).position(), i == pane ? 0 : 1);
        }
        EXPECT_EQ(PBC().isVisible(), barShown);
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

    window->StopWorking(true);
    expectUsable();
    EXPECT_EQ(PBC().caption(), "Work completed !");
    window->StartWorking();
    window->StopWorking(false);
    EXPECT_EQ(PBC().caption(), ConversionFailedCaption);

    // The message is looked up when it is shown: the current language file has the last word.
    test::writeBytes(path("English.lng"), "[MSG]\r\nmsg2=Travail fini !\r\n");
    window->StartWorking();
    window->StopWorking(true);
    EXPECT_EQ(PBC().caption(), "Travail fini !");
    EXPECT_TRUE(boxes.shown.empty());
}

// How often the hook may process events is measured in the window benchmark.
TEST_F(FRMainTest, TheYieldHookProcessesPendingEvents) {
    bool delivered = false;
    QTimer::singleShot(0, window.get(), [&] { delivered = true; });
    // The hook serves at most once per interval; the first interval may not be over yet.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!delivered && std::chrono::steady_clock::now() < deadline) {
        window->uiYield().yield();
    }
    EXPECT_TRUE(delivered);
    EXPECT_GE(window->uiYield().yieldsServed(), 1);
}

// Larger, the boxes and lists take the room and the buttons keep their size by their edge;
// back at the design size everything is where it was; the size outlives the window.
TEST_F(FRMainTest, BoxesTakeTheRoomButtonsKeepTheirPlaceAndTheSizeIsKept) {
    const QSize design = window->size();
    EXPECT_EQ(window->minimumSize(), design);
    for (int pane = 0; pane < PaneCount; ++pane) {
        window->selectPane(pane);
    }
    window->selectPane(FilesPaneIndex);
    const auto before = places();

    window->resize(design + QSize(300, 200));
    QApplication::processEvents();
    auto grew = [&](QWidget& control) { return control.size() - before.at(&control).size(); };
    auto moved = [&](QWidget& control) { return control.pos() - before.at(&control).topLeft(); };
    EXPECT_EQ(grew(files().TXTsource()), QSize(300, 0));
    EXPECT_EQ(moved(files().BTgo()), QPoint(300, 200));
    EXPECT_EQ(grew(files().BTgo()), QSize(0, 0));
    EXPECT_EQ(grew(PBC()), QSize(300, 0));
    EXPECT_EQ(grew(direct().TXTorigine()), QSize(300, 100));
    EXPECT_EQ(grew(window->batch().LSTdo()), QSize(150, 200));
    EXPECT_EQ(grew(window->batch().BTstartBatch()), QSize(0, 0));
    EXPECT_EQ(moved(window->batch().BTstartBatch()), QPoint(300, 0));

    window->resize(design);
    QApplication::processEvents();
    EXPECT_EQ(places(), before);

    window->resize(design + QSize(90, 60));
    window->close();
    window = std::make_unique<FRMain>(services);
    window->Form_Load();
    EXPECT_EQ(window->size(), design + QSize(90, 60));
}

} // namespace
} // namespace quillon::window::testing
