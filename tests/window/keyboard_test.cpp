// The window without a mouse: pane keys, the self-drawn buttons and links under Space and
// Enter, Alt+letter on an "&" caption, and Enter in a Files box as "Start".

#include "window_fixture.h"

namespace quillon::window::testing {
namespace {

class KeyboardTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void keys(QWidget& target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&target, key, modifiers);
    }
};

TEST_F(KeyboardTest, PaneKeysSwitchPanesAndSkipFencedOnes) {
    QWidget& box = files().TXTsource();
    box.setFocus();
    keys(box, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(window->shownPane(), BatchPaneIndex);
    keys(*QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(window->shownPane(), DirectPaneIndex);
    keys(*QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier); // wraps to the first
    EXPECT_EQ(window->shownPane(), FilesPaneIndex);
    keys(*QApplication::focusWidget(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->shownPane(), DirectPaneIndex);
    keys(*QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(window->shownPane(), BatchPaneIndex);

    // While a conversion runs the pane buttons are fenced: the keys find nowhere to go.
    keys(*QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(window->shownPane(), ColorsPaneIndex);
    window->StartWorking();
    keys(*window, Qt::Key_1, Qt::ControlModifier);
    keys(*window, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(window->shownPane(), ColorsPaneIndex);
    window->StopWorking(true);
}

TEST_F(KeyboardTest, SelfDrawnButtonsAndLinksTakeFocusAndAnswerSpaceAndEnter) {
    SwitchButton& colors = window->switchButton(ColorsPaneIndex);
    EXPECT_EQ(colors.focusPolicy(), Qt::StrongFocus);
    colors.setFocus();
    keys(colors, Qt::Key_Space);
    EXPECT_EQ(window->shownPane(), ColorsPaneIndex);
    SwitchButton& batch = window->switchButton(BatchPaneIndex);
    batch.setFocus();
    keys(batch, Qt::Key_Return);
    EXPECT_EQ(window->shownPane(), BatchPaneIndex);

    // A pane button under Alt+letter where its caption has "&".
    window->switchButton(DirectPaneIndex).setCaption("&Direct");
    keys(*QApplication::focusWidget(), Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(window->shownPane(), DirectPaneIndex);
    // The focus ring is drawn in the face, and goes with the focus.
    SwitchButton& direct = window->switchButton(DirectPaneIndex);
    ASSERT_TRUE(direct.hasFocus());
    const QImage focused = direct.grab().toImage();
    direct.clearFocus();
    EXPECT_NE(direct.grab().toImage(), focused);

    click(window->switchButton(FilesPaneIndex));
    for (QLabel* link : {&files().LBLurl(), &files().Label5()}) {
        link->setFocus();
        EXPECT_TRUE(link->hasFocus());
        EXPECT_TRUE(link->autoFillBackground()); // the band that marks it
        keys(*link, Qt::Key_Enter);
    }
    ASSERT_EQ(opener.calls.size(), 2u);
    EXPECT_EQ(opener.calls[0].target, files().LBLurl().text().toStdString());
    EXPECT_TRUE(opener.calls[1].target.starts_with("mailto:"));
}

TEST_F(KeyboardTest, EnterInAFilesBoxPressesStart) {
    std::filesystem::copy_file(test::dataDir() / "pages" / "form.frm", folder / "form.frm");
    files().TXTsource().setText(qs(path("form.frm")));
    files().TXTtarget().setText(qs(path("form.html")));
    files().TXTfoot().setFocus();
    keys(files().TXTfoot(), Qt::Key_Return);
    EXPECT_TRUE(std::filesystem::exists(folder / "form.html"));
    EXPECT_EQ(PBC().caption(), "Work completed !");
}

} // namespace
} // namespace quillon::window::testing
