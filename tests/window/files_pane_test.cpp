// The "Files" pane: choosing the four files, the checks of "Start" in their order, the page
// "Start" writes, held against the command line's, and the buttons and links that open files
// and addresses.

#include "lang/qt/form_texts.h"
#include "window/viewing_links.h"
#include "window_fixture.h"

#include <QProcess>

#include <vector>

namespace quillon::window::testing {
namespace {

using platform::FileDialogKind;
using platform::MessageIcon;

class FilesPaneTest : public WindowTest {
protected:
    // A source, a target in the scratch folder, and the preset header and footer: "Start"
    // may go.
    void fillValidInputs(const std::string& sourceName = "form.frm") {
        std::filesystem::copy_file(test::dataDir() / "pages" / sourceName, folder / sourceName,
                                   std::filesystem::copy_options::overwrite_existing);
        files().TXTsource().setText(qs(path(sourceName)));
        files().TXTtarget().setText(qs(path(sourceName + ".html")));
    }

    // The page quillon-cli writes from the same inputs.
    std::string cliPage(const QStringList& options, const std::string& source) {
        QProcess cli;
        cli.start(qs(test::programDir() / "quillon-cli"),
                  QStringList{"page"} << options << "--header" << files().TXThead().text() << "--footer"
                                      << files().TXTfoot().text() << qs(source) << qs(path("cli.html")));
        EXPECT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return test::readBytes(path("cli.html"));
    }
};

TEST_F(FilesPaneTest, ChoosingTheFourFiles) {
    struct Row {
        const char* button;
        QLineEdit& box;
        FileDialogKind kind;
        const char* title;
        QString afterCancel; // a cancelled source or target dialog empties the box; the others keep it
    };
    const Row rows[] = {
        {"BTchooseTarget", files().TXTtarget(), FileDialogKind::Save, "Save As ...", ""},
        {"BTopenHead", files().TXThead(), FileDialogKind::Open, "Open a header File", "/t/chosen"},
        {"BTfoot", files().TXTfoot(), FileDialogKind::Open, "Open a footer File", "/t/chosen"},
        {"BTchoseSource", files().TXTsource(), FileDialogKind::Open, "Open a VB File", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        dialogs.answerPath("/t/chosen");
        click(control<QToolButton>(row.button));
        EXPECT_EQ(row.box.text(), "/t/chosen");
        EXPECT_EQ(dialogs.requests.back().kind, row.kind);
        EXPECT_EQ(dialogs.requests.back().title, row.title);
        dialogs.answerCancel();
        click(control<QToolButton>(row.button));
        EXPECT_EQ(row.box.text(), row.afterCancel);
    }
    EXPECT_TRUE(boxes.shown.empty());

    // A source proposes the page beside it; a cancel empties the source, and the page with it.
    dialogs.answerPath("/a/b.bas");
    click(control<QToolButton>("BTchoseSource"));
    EXPECT_EQ(files().TXTtarget().text(), "/a/b.bas.html");
    dialogs.answerCancel();
    click(control<QToolButton>("BTchoseSource"));
    EXPECT_EQ(files().TXTtarget().text(), ".html");
}

// The dialogs speak the window's language, and come back to the folder last chosen, next run too.
TEST_F(FilesPaneTest, TheSourceDialogSpeaksTheWindowsLanguageAndKeepsItsFolder) {
    const std::filesystem::path forms = folder / "forms";
    std::filesystem::create_directory(forms);
    dialogs.answerPath((forms / "Form1.frm").string());
    click(control<QToolButton>("BTchoseSource"));
    lang::TranslateForm(*window, (test::programDir() / "French.lng").string());
    click(control<QToolButton>("BTchoseSource"));
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].title, "Open a VB File");
    EXPECT_EQ(dialogs.requests[1].title, "Ouvrir un fichier VB");
    EXPECT_TRUE(dialogs.requests[1].filter.starts_with("Sources VB6 (")) << dialogs.requests[1].filter;
    EXPECT_EQ(dialogs.requests[1].initialFolder, forms.string());
    EXPECT_EQ(settings.get(lang::SettingsApplication, platform::FolderSection, "Source", ""), forms.string());
}

TEST_F(FilesPaneTest, StartChecksItsInputsInOrderAndPointsAtTheFirstFault) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QCheckBox& useCss = control<QCheckBox>("CHKcss");
    const auto refusedWith = [&](const char* message, QWidget* focus) {
        boxes.shown.clear();
        PBC().setCaption(QStringLiteral("untouched"));
        EXPECT_FALSE(files().BTgo_Click());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, message);
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Critical);
        EXPECT_EQ(boxes.shown[0].title, "Quillon Free");
        if (focus != nullptr) {
            EXPECT_EQ(QApplication::focusWidget(), focus) << message;
        }
        EXPECT_EQ(PBC().caption(), "untouched");
        EXPECT_FALSE(std::filesystem::exists(files().TXTtarget().text().toStdString()));
    };

    // Everything wrong at once: only the first fault is reported.
    files().TXTsource().setText(qs(path("missing.frm")));
    files().TXTtarget().setText(qs(path("page.xml")));
    click(useCss);
    files().TXThead().setText(qs(path("nohead.txt")));
    files().TXTfoot().setText(qs(path("nofoot.txt")));
    refusedWith("You must choose a Visual Basic File before !", &files().TXTsource());

    // A missing style sheet is chosen on the Colors pane, which is shown.
    fillValidInputs();
    refusedWith("You must choose a CSS File before !", nullptr);
    EXPECT_EQ(window->shownPane(), ColorsPaneIndex);
    EXPECT_EQ(window->switchButton(ColorsPaneIndex).position(), 0);
    EXPECT_EQ(window->switchButton(FilesPaneIndex).position(), 1);
    click(useCss);
    files().TXThead().setText(qs(path("header.txt")));

    // With the pane hidden, as in a batch run, the focus stays where it is.
    window->selectPane(BatchPaneIndex);
    QWidget* before = QApplication::focusWidget();
    refusedWith("You must choose a Footer File before !", before);

    // A footer present again: the page is written.
    files().TXTfoot().setText(qs(path("footer.txt")));
    boxes.shown.clear();
    EXPECT_TRUE(files().BTgo_Click());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(path("form.frm.html")));
}

TEST_F(FilesPaneTest, StartWritesTheSamePageAsTheCommandLine) {
    fillValidInputs();
    click(files().BTgo());
    EXPECT_TRUE(boxes.shown.empty());
    const std::string page = test::readBytes(path("form.frm.html"));
    EXPECT_EQ(page, cliPage({}, path("form.frm")));
    EXPECT_EQ(PBC().caption(), "Work completed !");
    EXPECT_GT(files().LineCount(), 0);
    expectUsable();

    // "Optimize size" reaches the page.
    click(control<QCheckBox>("CHKoptimize"));
    click(files().BTgo());
    EXPECT_NE(test::readBytes(path("form.frm.html")), page);

    // A page that cannot be written is not reported as completed.
    files().TXTtarget().setText(qs(path("no/such/folder/page.html")));
    EXPECT_FALSE(files().BTgo_Click());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(boxes.shown[0].title, trapTitle(vberr::PathNotFound, "Cparti"));
    EXPECT_EQ(PBC().caption(), ConversionFailedCaption);
    expectUsable();
}

TEST_F(FilesPaneTest, StartLinksToTheChosenStyleSheetByItsAddressFromThePage) {
    fillValidInputs("module.bas");
    // A sheet of the default scheme, chosen on the Colors pane.
    std::filesystem::create_directories(folder / "sheets");
    const std::string sheet = path("sheets/my style.css");
    std::filesystem::copy_file(test::dataDir() / "stylesheets" / "default.css", sheet);
    window->selectPane(ColorsPaneIndex);
    click(control<QCheckBox>("CHKcss"));
    dialogs.answerPath(sheet);
    click(control<QToolButton>("BTchooseCSS"));
    ASSERT_EQ(window->colors().cssPath().toStdString(), sheet);

    window->selectPane(FilesPaneIndex);
    click(files().BTgo());
    EXPECT_TRUE(boxes.shown.empty());
    const std::string page = test::readBytes(path("module.bas.html"));
    EXPECT_NE(page.find("HREF=\"sheets/my%20style.css\""), std::string::npos);
    EXPECT_EQ(page,
              cliPage({QStringLiteral("--link-css"), QString::fromStdString(sheet)}, path("module.bas")));
}

TEST_F(FilesPaneTest, ALongConversionRepaintsButTakesNoInput) {
    std::string source = "Attribute VB_Name = \"Big\"\r\n";
    while (source.size() < 1'500'000) {
        source += "    If Counter(i) > 1234 Then MsgBox \"Too many: \" & i ' keep going\r\n";
    }
    test::writeBytes(folder / "big.bas", source);
    files().TXTsource().setText(qs(path("big.bas")));
    files().TXTtarget().setText(qs(path("big.bas.html")));

    QStringList captions;
    bool fencedThroughout = true;
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        captions.append(PBC().caption());
        fencedThroughout = fencedThroughout && fenced();
        // A click on a pane button meanwhile does nothing.
        click(window->switchButton(DirectPaneIndex));
    });
    sampler.start();
    const bool converted = files().BTgo_Click();
    sampler.stop();

    EXPECT_TRUE(converted);
    ASSERT_FALSE(captions.isEmpty()) << "the window got no chance to repaint";
    EXPECT_TRUE(fencedThroughout);
    // The bar showed the progress while the conversion ran.
    EXPECT_TRUE(captions.last().startsWith("Working : ")) << captions.join(u'|').toStdString();
    EXPECT_EQ(window->shownPane(), FilesPaneIndex);
    EXPECT_EQ(PBC().caption(), "Work completed !");
}

TEST_F(FilesPaneTest, ViewButtonsPassTheBoxesAsTheyAre) {
    files().TXTsource().setText("/a b/Form1.frm");
    files().TXTtarget().setText("");
    for (QWidget* button : std::initializer_list<QWidget*>{&files().BTviewVB(), &files().BTviewHTML(),
                                                           &files().BTviewHead(), &files().BTviewFoot()}) {
        click(*button);
    }
    const std::vector<test::FakeDocumentOpener::Call> expected = {
        {"/a b/Form1.frm", 10, "", "", "open", 0},
        {"", 10, "", "", "open", 0},
        {"notepad", 10, files().TXThead().text().toStdString(), "", "open", 0},
        {"notepad", 10, files().TXTfoot().text().toStdString(), "", "open", 0},
    };
    EXPECT_EQ(opener.calls, expected);
}

TEST_F(FilesPaneTest, LinksLeadWhereTheProjectDataSaysAndChangeColourWithTheMouse) {
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
