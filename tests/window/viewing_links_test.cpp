#include "window/viewing_links.h"
#include "window_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace quillon::window::testing {
namespace {

using Call = test::FakeDocumentOpener::Call;
using ViewingLinksTest = WindowTest;

TEST_F(ViewingLinksTest, ViewButtonsPassTheBoxesAsTheyAre) {
    files().TXTsource().setText("/a b/Form1.frm");
    files().TXTtarget().setText("");
    for (QWidget* button : std::initializer_list<QWidget*>{&files().BTviewVB(), &files().BTviewHTML(),
                                                           &files().BTviewHead(), &files().BTviewFoot()}) {
        click(*button);
    }
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

    QTest::mouseMove(&home, home.rect().center());
    EXPECT_EQ(linkColour(home), LinkHoverColour);
    click(home);
    EXPECT_EQ(linkColour(home), LinkColour); // blue at once after opening
    QTest::mouseMove(&contact, contact.rect().center());
    click(contact);
    EXPECT_EQ(linkColour(contact), LinkHoverColour); // stays purple until the pane is crossed
    QTest::mouseMove(&files(), QPoint(5, 5));        // the pane's own surface
    EXPECT_EQ(linkColour(contact), LinkColour);
    ASSERT_EQ(opener.calls.size(), 2u);
    EXPECT_EQ(opener.calls[0].target, home.text().toStdString());
    EXPECT_EQ(opener.calls[1].target, targets.mailto.toStdString());

    // A translated caption is what opens.
    home.setText("https://example.net/fr/");
    window->viewingLinks().LBLurl_Click();
    EXPECT_EQ(opener.calls.back().target, "https://example.net/fr/");

    // Without the project data, the built-in addresses.
    const LinkTargets builtIn = linkTargets("/nonexistent");
    EXPECT_EQ(builtIn.homePage.toStdString(), HomePageAddress);
    EXPECT_EQ(builtIn.mailto.toStdString(), std::string("mailto:") + ContactAddress);
}

} // namespace
} // namespace quillon::window::testing
