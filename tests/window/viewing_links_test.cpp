#include "window/viewing_links.h"
#include "window_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace quillon::window::testing {
namespace {

using Call = test::FakeDocumentOpener::Call;

class ViewingLinksTest : public WindowTest {
protected:
    void moveOver(QWidget& widget, QPoint at) { QTest::mouseMove(&widget, at); }
};

TEST_F(ViewingLinksTest, ViewButtonsPassTheBoxesAsTheyAre) {
    files().TXTsource().setText("/a b/Form1.frm");
    files().TXTtarget().setText("");
    opener.calls.clear();
    click(files().BTviewVB());
    click(files().BTviewHTML());
    click(files().BTviewHead());
    click(files().BTviewFoot());
    const std::vector<Call> expected = {
        {"/a b/Form1.frm", 10, "", "", "open", 0},
        {"", 10, "", "", "open", 0},
        {"notepad", 10, files().TXThead().text().toStdString(), "", "open", 0},
        {"notepad", 10, files().TXTfoot().text().toStdString(), "", "open", 0},
    };
    EXPECT_EQ(opener.calls, expected);
}

TEST_F(ViewingLinksTest, LinksLeadWhereTheProjectDataSaysAndChangeColourWithTheMouse) {
    QLabel& home = files().LBLurl();
    QLabel& contact = files().Label5();
    const LinkTargets targets = linkTargets(test::programDir().string());
    EXPECT_EQ(home.text(), targets.homePage);
    EXPECT_EQ(contact.text(), targets.contact);
    EXPECT_TRUE(targets.mailto.startsWith("mailto:" + targets.contact + ";"));

    moveOver(home, home.rect().center());
    EXPECT_EQ(linkColour(home), LinkHoverColour);
    moveOver(contact, contact.rect().center());
    EXPECT_EQ(linkColour(contact), LinkHoverColour);
    moveOver(files(), QPoint(5, 5)); // the pane's own surface
    EXPECT_EQ(linkColour(home), LinkColour);
    EXPECT_EQ(linkColour(contact), LinkColour);

    opener.calls.clear();
    moveOver(home, home.rect().center());
    click(home);
    EXPECT_EQ(linkColour(home), LinkColour); // blue at once after opening
    moveOver(contact, contact.rect().center());
    click(contact);
    EXPECT_EQ(linkColour(contact), LinkHoverColour); // stays purple until the pane is crossed
    ASSERT_EQ(opener.calls.size(), 2u);
    EXPECT_EQ(opener.calls[0].target, home.text().toStdString());
    EXPECT_EQ(opener.calls[1].target, targets.mailto.toStdString());
}

TEST_F(ViewingLinksTest, ATranslatedHomePageCaptionIsWhatOpens) {
    files().LBLurl().setText("https://example.net/fr/");
    opener.calls.clear();
    window->viewingLinks().LBLurl_Click();
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0].target, "https://example.net/fr/");
}

TEST(LinkTargetsTest, MissingDataFallsBackToTheBuiltInAddresses) {
    const LinkTargets targets = linkTargets("/nonexistent");
    EXPECT_EQ(targets.homePage.toStdString(), HomePageAddress);
    EXPECT_EQ(targets.mailto.toStdString(), std::string("mailto:") + ContactAddress);
}

} // namespace
} // namespace quillon::window::testing
