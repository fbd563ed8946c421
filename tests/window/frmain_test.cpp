// The window as a whole: start-up, layout, pane switching, the fences around a conversion,
// the error box and the yield hook.

#include "window_fixture.h"

#include "engine/ui_hooks.h"
#include "lang/ini_document.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <chrono>

namespace quillon::window::testing {
namespace {

struct Placement {
    const char* name;
    int index;
    int left, top, width, height;
};

class FRMainTest : public WindowTest {
protected:
    std::array<int, PaneCount> positions() {
        std::array<int, PaneCount> result{};
        for (int i = 0; i < PaneCount; ++i) {
            result[static_cast<std::size_t>(i)] = window->switchButton(i).position();
        }
        return result;
    }
    std::array<bool, PaneCount> panesShown() {
        std::array<bool, PaneCount> result{};
        for (int i = 0; i < PaneCount; ++i) {
            result[static_cast<std::size_t>(i)] = window->FrameSTEP(i).isVisible();
        }
        return result;
    }
    std::array<bool, PaneCount> panesEnabled() {
        std::array<bool, PaneCount> result{};
        for (int i = 0; i < PaneCount; ++i) {
            result[static_cast<std::size_t>(i)] =
                window->FrameSTEP(i).isEnabled() && window->switchButton(i).isOwnEnabled();
        }
        return result;
    }
    static Qt::CursorShape overrideCursor() {
        const QCursor* cursor = QApplication::overrideCursor();
        return cursor != nullptr ? cursor->shape() : Qt::BitmapCursor;
    }
};

TEST_F(FRMainTest, StartsOnTheFilesPaneWithItsBoxesPreset) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Quillon 2.0 Free");
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->shownPane(), FilesPaneIndex);
    EXPECT_EQ(panesShown(), (std::array<bool, PaneCount>{true, false, false, false}));
    EXPECT_EQ(positions(), (std::array<int, PaneCount>{0, 1, 1, 1}));
    EXPECT_EQ(panesEnabled(), (std::array<bool, PaneCount>{true, true, true, true}));

    EXPECT_TRUE(PBC().isVisible());
    EXPECT_EQ(PBC().caption(), "Ready");
    EXPECT_EQ(PBC().value(), 0);
    EXPECT_FALSE(PBC().autoCaption());
    EXPECT_FALSE(PBC().interactive());
    EXPECT_EQ(PBC().foreColor(), vbRgb(255, 255, 0));
    EXPECT_EQ(PBC().geometry(), pixels(240, 5400, 8535, 435));

    EXPECT_TRUE(files().TXTsource().text().isEmpty());
    EXPECT_TRUE(files().TXTtarget().text().isEmpty());
    // Preset whether or not the files are there.
    std::filesystem::remove(folder / "header.txt");
    EXPECT_EQ(files().TXThead().text().toStdString(), folder.path().string() + "/header.txt");
    EXPECT_EQ(files().TXTfoot().text().toStdString(), folder.path().string() + "/footer.txt");
    EXPECT_FALSE(direct().BTstop().isVisible());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(window->stopRequested());
}

TEST_F(FRMainTest, StartUpWritesTheMessagesIntoTheDefaultLanguageFile) {
    const std::string file = path("English.lng");
    EXPECT_EQ(lang::CurrentLanguageFile(), file);
    const lang::IniDocument doc = lang::IniDocument::load(file);
    for (const lang::IniEntry& message : lang::englishMessages()) {
        EXPECT_EQ(doc.find(lang::MessageSection, message.key), message.value) << message.key;
    }

    // A program folder that cannot be written still starts, and says nothing about it.
    window.reset();
    boxes.shown.clear();
    test::FakeFileDialogs otherDialogs("/proc");
    WindowServices readOnly{otherDialogs, colourDialog, fontDialog, boxes, opener, settings, "/proc"};
    FRMain other(readOnly);
    other.Form_Load();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(other.shownPane(), FilesPaneIndex);
}

TEST_F(FRMainTest, EveryControlSitsAtItsDesignPlace) {
    EXPECT_EQ(window->size(), pixels(0, 0, 9045, 6105).size());
    const Placement placements[] = {
        {"SwitchButton", 0, 180, 60, 915, 375},      {"SwitchButton", 1, 1200, 60, 795, 375},
        {"SwitchButton", 2, 2100, 60, 795, 375},     {"SwitchButton", 3, 3000, 60, 795, 375},
        {"FrameSTEP", 0, 120, 480, 8805, 5505},      {"FrameSTEP", 1, 120, 480, 8805, 5505},
        {"FrameSTEP", 2, 120, 480, 8805, 5505},      {"FrameSTEP", 3, 120, 480, 8805, 5505},
        {"Label1", -1, 60, 240, 1905, 195},          {"TXTsource", -1, 1980, 180, 5775, 315},
        {"BTchoseSource", -1, 7860, 180, 375, 315},  {"BTviewVB", -1, 8280, 180, 375, 315},
        {"Label2", -1, 60, 660, 1875, 195},          {"TXTtarget", -1, 1980, 600, 5775, 315},
        {"BTchooseTarget", -1, 7860, 600, 375, 315}, {"BTviewHTML", -1, 8280, 600, 375, 315},
        {"Frame1", -1, 180, 1560, 8475, 1215},       {"Label8", -1, 60, 360, 1335, 195},
        {"TXThead", -1, 1440, 300, 5955, 315},       {"BTopenHead", -1, 7500, 300, 375, 315},
        {"BTviewHead", -1, 7920, 300, 375, 315},     {"Label9", -1, 60, 780, 1335, 195},
        {"TXTfoot", -1, 1440, 720, 5955, 315},       {"BTfoot", -1, 7500, 720, 375, 315},
        {"BTviewFoot", -1, 7920, 720, 375, 315},     {"Label4", -1, 60, 3300, 8670, 195},
        {"Label6", -1, 120, 3960, 8490, 195},        {"cmdTranslate", -1, 180, 4320, 1755, 495},
        {"BTgo", -1, 6900, 4320, 1755, 495},         {"TXTorigine", -1, 90, 180, 8625, 2415},
        {"Label11", -1, 120, 2700, 1410, 195},       {"Image1", -1, 1560, 2670, 240, 240},
        {"BTconvert", -1, 3900, 2640, 945, 375},     {"BTstop", -1, 6900, 2610, 405, 405},
        {"Image2", -1, 7320, 2700, 240, 240},        {"Label12", -1, 7560, 2730, 1140, 195},
        {"TXTtransform", -1, 90, 3030, 8625, 2415},
    };
    for (const Placement& p : placements) {
        SCOPED_TRACE(std::string(p.name) + "(" + std::to_string(p.index) + ")");
        EXPECT_EQ(control<QWidget>(p.name, p.index).geometry(), pixels(p.left, p.top, p.width, p.height));
    }
    // The links keep their designed place, grown around its centre when their text is longer.
    for (const Placement& p :
         {Placement{"LBLurl", -1, 3540, 3600, 1755, 255}, Placement{"Label5", -1, 3600, 4260, 1515, 255}}) {
        SCOPED_TRACE(p.name);
        const QRect designed = pixels(p.left, p.top, p.width, p.height);
        const QRect actual = control<QWidget>(p.name, p.index).geometry();
        EXPECT_EQ(actual.top(), designed.top());
        EXPECT_EQ(actual.height(), designed.height());
        EXPECT_GE(actual.width(), designed.width());
        EXPECT_NEAR(actual.center().x(), designed.center().x(), 1);
    }
    // The header and footer rows lie inside the "Advanced options" frame.
    EXPECT_EQ(files().TXThead().parentWidget()->objectName(), "Frame1");
    EXPECT_EQ(control<QWidget>("BTviewFoot").parentWidget()->objectName(), "Frame1");
}

TEST_F(FRMainTest, CaptionsAndToolTipsAreTheDesignTexts) {
    const char* paneCaptions[] = {"Files", "Colors", "Batch", "Direct"};
    for (int i = 0; i < PaneCount; ++i) {
        EXPECT_EQ(window->switchButton(i).caption(), paneCaptions[i]);
        EXPECT_EQ(window->switchButton(i).style(), 1);
        EXPECT_EQ(window->FrameSTEP(i).objectName(), "FrameSTEP");
        EXPECT_EQ(vbIndexOf(window->FrameSTEP(i)), i);
    }
    EXPECT_EQ(control<QLabel>("Label1").text(), "Visual Basic Source File :");
    EXPECT_EQ(control<QLabel>("Label2").text(), "HTML Target File :");
    EXPECT_EQ(control<QGroupBox>("Frame1").title(), "Advanced options");
    EXPECT_EQ(control<QLabel>("Label8").text(), "Header text file :");
    EXPECT_EQ(control<QLabel>("Label9").text(), "End text file :");
    EXPECT_EQ(control<QLabel>("Label4").text(), "Home page");
    EXPECT_EQ(control<QLabel>("Label6").text(), "Send comments at :");
    EXPECT_EQ(control<QLabel>("LBLurl").text(), HomePageAddress);
    EXPECT_EQ(control<QLabel>("Label5").text(), ContactAddress);
    EXPECT_EQ(control<SwitchButton>("cmdTranslate").caption(), "Translate");
    EXPECT_EQ(control<SwitchButton>("cmdTranslate").style(), 0);
    EXPECT_EQ(control<QPushButton>("BTgo").text(), "Start");
    EXPECT_EQ(control<QPushButton>("BTgo").toolTip(), "Build HTML");
    EXPECT_EQ(control<QLabel>("Label11").text(), "Visual Basic Source");
    EXPECT_EQ(control<QLabel>("Label12").text(), "Colorised HTML");
    EXPECT_EQ(control<QPushButton>("BTconvert").text(), "Convert");

    const std::pair<const char*, const char*> toolTips[] = {
        {"BTchoseSource", "Open"},
        {"BTviewVB", "View (with VB editor)"},
        {"BTchooseTarget", "Save as ..."},
        {"BTviewHTML", "View (with Browser)"},
        {"BTopenHead", "Open"},
        {"BTviewHead", "View (with NotePad)"},
        {"BTfoot", "Open"},
        {"BTviewFoot", "View (with NotePad)"},
        {"BTstop", "STOP !"},
    };
    for (const auto& [name, tip] : toolTips) {
        SCOPED_TRACE(name);
        auto& button = control<QToolButton>(name);
        EXPECT_EQ(button.toolTip(), tip);
        EXPECT_TRUE(button.text().isEmpty());
        EXPECT_FALSE(button.icon().isNull());
    }

    // The links look like links.
    for (const char* name : {"LBLurl", "Label5"}) {
        auto& link = control<QLabel>(name);
        EXPECT_TRUE(link.font().underline());
        EXPECT_EQ(link.palette().color(QPalette::WindowText), LinkColour);
        EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
    }

    // A link longer than its rectangle grows around the same centre.
    auto& url = control<QLabel>("LBLurl");
    const int centre = url.geometry().center().x();
    url.setText("https://a-much-longer-address.example.org/quillon/home");
    QCoreApplication::sendPostedEvents();
    EXPECT_GE(url.width(), url.sizeHint().width());
    EXPECT_NEAR(url.geometry().center().x(), centre, 1);
    EXPECT_EQ(url.y(), pixels(0, 3600, 0, 0).y());

    // The language walk relabels controls after start-up.
    control<QPushButton>("BTgo").setText("Démarrer");
    window->switchButton(1).setCaption("Couleurs");
    EXPECT_EQ(window->switchButton(1).caption(), "Couleurs");
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
    click(window->switchButton(ColorsPaneIndex));
    EXPECT_EQ(panesShown(), (std::array<bool, PaneCount>{false, true, false, false}));
    EXPECT_EQ(positions(), (std::array<int, PaneCount>{1, 0, 1, 1}));
    EXPECT_FALSE(PBC().isVisible());
    EXPECT_EQ(PBC().geometry(), pixels(240, 5400, 8535, 435)) << "left where it was";

    click(window->switchButton(FilesPaneIndex));
    EXPECT_EQ(panesShown(), (std::array<bool, PaneCount>{true, false, false, false}));
    EXPECT_TRUE(PBC().isVisible());
    EXPECT_EQ(PBC().geometry(), pixels(240, 5400, 8535, 435));

    click(window->switchButton(BatchPaneIndex));
    EXPECT_EQ(panesShown(), (std::array<bool, PaneCount>{false, false, true, false}));
    EXPECT_EQ(positions(), (std::array<int, PaneCount>{1, 1, 0, 1}));
    EXPECT_TRUE(PBC().isVisible());
    EXPECT_EQ(PBC().geometry(), pixels(5220, 5340, 3615, 255));

    click(window->switchButton(DirectPaneIndex));
    EXPECT_EQ(panesShown(), (std::array<bool, PaneCount>{false, false, false, true}));
    EXPECT_FALSE(PBC().isVisible());
    EXPECT_EQ(PBC().geometry(), pixels(2010, 3090, 4965, 405));

    // The button of the pane shown cannot be released.
    click(window->switchButton(DirectPaneIndex));
    EXPECT_EQ(panesShown(), (std::array<bool, PaneCount>{false, false, false, true}));
    EXPECT_EQ(positions(), (std::array<int, PaneCount>{1, 1, 1, 0}));
    EXPECT_EQ(window->shownPane(), DirectPaneIndex);

    // The bar lies in front of the pane it belongs to.
    click(window->switchButton(FilesPaneIndex));
    EXPECT_EQ(window->childAt(PBC().geometry().center()), &PBC());
}

TEST_F(FRMainTest, AConversionFencesThePanesAndShowsTheHourglass) {
    window->StartWorking();
    EXPECT_EQ(panesEnabled(), (std::array<bool, PaneCount>{false, false, false, false}));
    EXPECT_FALSE(files().BTgo().isEnabled());
    EXPECT_FALSE(control<SwitchButton>("cmdTranslate").isEnabled());
    EXPECT_TRUE(PBC().isEnabled());
    EXPECT_EQ(overrideCursor(), Qt::WaitCursor);

    // Clicks on the pane buttons do nothing meanwhile.
    click(window->switchButton(ColorsPaneIndex));
    EXPECT_EQ(window->shownPane(), FilesPaneIndex);

    window->StopWorking(true);
    EXPECT_EQ(panesEnabled(), (std::array<bool, PaneCount>{true, true, true, true}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
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
        yieldToUi();
        ++calls;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long served = window->uiYield().yieldsServed() - before;
    EXPECT_TRUE(delivered);
    EXPECT_GE(served, 1);
    EXPECT_LE(served, elapsed / std::chrono::milliseconds(20) + 1);
    EXPECT_GT(calls, served * 100) << "most calls return at once";

    // Gone with the window.
    window.reset();
    yieldToUi();
}

} // namespace
} // namespace quillon::window::testing
