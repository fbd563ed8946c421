#include "lang/ini_document.h"
#include "lang/qt/form_texts.h"
#include "lang/translate.h"
#include "support/test_support.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

namespace quillon::lang {
namespace {

template <class Control> Control* named(Control* control, const char* name, int index = -1) {
    control->setObjectName(name);
    if (index >= 0) {
        control->setProperty("vbIndex", index);
    }
    return control;
}

// A window shaped like ours: a frame with a label, a button with a tool tip only, an
// indexed pair, a text box (no caption), a menu with a numbered item and a separator.
class FormTexts : public ::testing::Test {
protected:
    FormTexts() {
        window.setObjectName("FRMain");
        window.setWindowTitle("Quillon 2.0 Free");
        auto* frame = named(new QGroupBox("Advanced options", &window), "Frame1");
        label = named(new QLabel("Header text file :", frame), "Label8");
        named(new QPushButton(frame), "BTopenHead")->setToolTip("Open");
        panes[0] = named(new QPushButton("Files", &window), "SwitchButton", 0);
        panes[1] = named(new QPushButton("Colors", &window), "SwitchButton", 1);
        named(new QLineEdit("typed text", &window), "TXTsource");
        fontLabel = named(new QLabel("Courier New", &window), "LBLfont");
        fontLabel->setProperty("vbKeepText", true);
        auto* menu = named(new QMenu("MNlangue", &window), "MNlangue");
        named(menu->addAction("#"), "MNlangueChoice", 0);
        named(menu->addSeparator(), "MNlangueSep");
    }
    test::ScratchDir scratch;
    QWidget window;
    QLabel* label = nullptr;
    QLabel* fontLabel = nullptr;
    QPushButton* panes[2] = {};
};

TEST_F(FormTexts, ExportWritesEveryNonEmptyCaptionAndToolTipAndTheMessagesAndKeepsTheRest) {
    const std::string file = (scratch / "English.lng").string();
    test::writeBytes(file, "; my notes\r\n[FRMain]\r\nSwitchButton(0).Caption=Go!\r\nExtra.Caption=kept\r\n");
    ExportFormTexts(window, file);
    const IniDocument doc = IniDocument::load(file);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"SwitchButton(0).Caption", "Files"},
        {"Extra.Caption", "kept"},
        {"Form.Caption", "Quillon 2.0 Free"},
        {"Frame1.Caption", "Advanced options"},
        {"Label8.Caption", "Header text file :"},
        {"BTopenHead.ToolTipText", "Open"},
        {"SwitchButton(1).Caption", "Colors"},
        {"LBLfont.Caption", "Courier New"},
        {"MNlangue.Caption", "MNlangue"},
        {"MNlangueChoice(0).Caption", "#"},
        {"MNlangueSep.Caption", "-"},
    };
    EXPECT_EQ(doc.keys("FRMain").size(), expected.size()) << "no box contents, no empty texts";
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(doc.find("FRMain", key).value_or("<missing>"), value) << key;
    }
    EXPECT_EQ(doc.keys("MSG").size(), englishMessages().size());
    EXPECT_TRUE(test::readBytes(file).starts_with("; my notes\r\n"));
}

TEST_F(FormTexts, TranslationChangesOnlyTheTextsTheFileHoldsEmptyOnesIncluded) {
    label->setText("");
    const auto french = scratch / "French.lng";
    test::writeBytes(french,
                     "[frmain]\r\nForm.Caption=Quillon 2.0 Gratuit\r\nswitchbutton(1).caption=Couleurs\r\n"
                     "TXTsource.Caption=ignored\r\nLabel8.Caption=Fichier :\r\nLBLfont.Caption=Arial\r\n");
    TranslateForm(window, french.string());
    EXPECT_EQ(CurrentLanguageFile(), french.string());
    EXPECT_EQ(window.windowTitle(), "Quillon 2.0 Gratuit");
    EXPECT_EQ(panes[0]->text(), "Files");
    EXPECT_EQ(panes[1]->text(), "Couleurs");
    EXPECT_EQ(label->text(), "Fichier :");
    EXPECT_EQ(fontLabel->text(), "Courier New") << "a caption that shows data is never replaced";
    TranslateForm(window, "/nonexistent/Nothing.lng");
    EXPECT_EQ(panes[1]->text(), "Couleurs");
}

} // namespace
} // namespace quillon::lang
