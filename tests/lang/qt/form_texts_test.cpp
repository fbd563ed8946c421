#include "lang/ini_document.h"
#include "lang/qt/form_texts.h"
#include "lang/translate.h"
#include "support/test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace quillon::lang {
namespace {

// A window shaped like ours: labels, buttons with tool tips only, an indexed group, a
// frame with a title, a text box (no caption), and a menu with a numbered item, a
// separator and a plain item.
struct SmallWindow {
    SmallWindow() {
        window.setObjectName("FRMain");
        window.setWindowTitle("Quillon 2.0 Free");
        auto* frame = new QGroupBox("Advanced options", &window);
        frame->setObjectName("Frame1");
        label = new QLabel("Header text file :", frame);
        label->setObjectName("Label8");
        auto* open = new QPushButton(frame);
        open->setObjectName("BTopenHead");
        open->setToolTip("Open");
        for (int i = 0; i < 2; ++i) {
            auto* pane = new QPushButton(i == 0 ? "Files" : "Colors", &window);
            pane->setObjectName("SwitchButton");
            pane->setProperty("vbIndex", i);
            panes.push_back(pane);
        }
        auto* box = new QLineEdit("typed text", &window);
        box->setObjectName("TXTsource");
        auto* go = new QPushButton("Start", &window);
        go->setObjectName("BTgo");
        go->setToolTip("Build HTML");
        auto* all = new QCheckBox("All files", &window);
        all->setObjectName("chkAllFile");
        menu = new QMenu("MNlangue", &window);
        menu->setObjectName("MNlangue");
        auto* choice = menu->addAction("#");
        choice->setObjectName("MNlangueChoice");
        choice->setProperty("vbIndex", 0);
        auto* separator = menu->addSeparator();
        separator->setObjectName("MNlangueSep");
        other = menu->addAction("Other ...");
        other->setObjectName("MNlangueOther");
    }
    QWidget window;
    QLabel* label = nullptr;
    std::vector<QPushButton*> panes;
    QMenu* menu = nullptr;
    QAction* other = nullptr;
};

TEST(FormTexts, ExportWritesEveryNonEmptyCaptionAndToolTipAndTheMessages) {
    test::ScratchDir scratch;
    SmallWindow w;
    const std::string file = (scratch / "English.lng").string();
    ExportFormTexts(w.window, file);
    const IniDocument doc = IniDocument::load(file);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Form.Caption", "Quillon 2.0 Free"},
        {"Frame1.Caption", "Advanced options"},
        {"Label8.Caption", "Header text file :"},
        {"BTopenHead.ToolTipText", "Open"},
        {"SwitchButton(0).Caption", "Files"},
        {"SwitchButton(1).Caption", "Colors"},
        {"BTgo.Caption", "Start"},
        {"BTgo.ToolTipText", "Build HTML"},
        {"chkAllFile.Caption", "All files"},
        {"MNlangue.Caption", "MNlangue"},
        {"MNlangueChoice(0).Caption", "#"},
        {"MNlangueSep.Caption", "-"},
        {"MNlangueOther.Caption", "Other ..."},
    };
    EXPECT_EQ(doc.keys("FRMain").size(), expected.size());
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(doc.find("FRMain", key).value_or("<missing>"), value) << key;
    }
    EXPECT_FALSE(doc.find("FRMain", "TXTsource.Caption"));
    EXPECT_FALSE(doc.find("FRMain", "BTopenHead.Caption"));
    EXPECT_EQ(doc.find("MSG", "msg2").value_or(""), "Work completed !");
    EXPECT_EQ(doc.keys("MSG").size(), 11u);
}

TEST(FormTexts, ExportReplacesStaleTextsAndKeepsTheRestOfTheFile) {
    test::ScratchDir scratch;
    SmallWindow w;
    const auto file = scratch / "English.lng";
    test::writeBytes(
        file, "; my notes\r\n[FRMain]\r\nBTgo.Caption=Go!\r\nExtra.Caption=kept\r\n[Other]\r\nx=1\r\n");
    ExportFormTexts(w.window, file.string());
    const std::string text = test::readBytes(file);
    EXPECT_TRUE(text.starts_with("; my notes\r\n[FRMain]\r\nBTgo.Caption=Start\r\nExtra.Caption=kept\r\n"))
        << text;
    EXPECT_NE(text.find("[Other]\r\nx=1\r\n"), std::string::npos);
}

// An empty text can be given one, and a long one is cut as the profile functions cut it.
TEST(FormTexts, PartialTranslationLeavesOtherTextsInTheCurrentLanguage) {
    test::ScratchDir scratch;
    SmallWindow w;
    w.label->setText("");
    const auto french = scratch / "French.lng";
    test::writeBytes(french,
                     "[FRMain]\r\nForm.Caption=Quillon 2.0 Gratuit\r\nBTgo.Caption=D\xC3\xA9marrer\r\n"
                     "SwitchButton(1).Caption=Couleurs\r\nMNlangueOther.Caption=Autre ...\r\n"
                     "BTopenHead.ToolTipText=Ouvrir\r\nTXTsource.Caption=ignored\r\nLabel8.Caption=" +
                         std::string(300, 'x') + "\r\n");
    TranslateForm(w.window, french.string());
    EXPECT_EQ(CurrentLanguageFile(), french.string());
    EXPECT_EQ(w.window.windowTitle(), "Quillon 2.0 Gratuit");
    EXPECT_EQ(w.panes[0]->text(), "Files");
    EXPECT_EQ(w.panes[1]->text(), "Couleurs");
    EXPECT_EQ(w.other->text(), "Autre ...");
    EXPECT_EQ(w.label->text(), QString(254, 'x'));

    const auto german = scratch / "German.lng";
    test::writeBytes(german, "[frmain]\r\nswitchbutton(0).caption=Dateien\r\n");
    TranslateForm(w.window, german.string());
    EXPECT_EQ(w.panes[0]->text(), "Dateien");
    EXPECT_EQ(w.panes[1]->text(), "Couleurs"); // untranslated texts stay French
}

TEST(FormTexts, MissingFileChangesNothing) {
    SmallWindow w;
    TranslateForm(w.window, "/nonexistent/Nothing.lng");
    EXPECT_EQ(w.window.windowTitle(), "Quillon 2.0 Free");
    EXPECT_EQ(w.panes[1]->text(), "Colors");
    EXPECT_EQ(GetMsg("msg2"), "");
}

} // namespace
} // namespace quillon::lang
