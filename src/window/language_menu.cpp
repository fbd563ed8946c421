#include "window/language_menu.h"

#include "base/vb_error.h"
#include "desktop/document_opener.h"
#include "desktop/qt/qt_text.h"
#include "lang/language_files.h"
#include "lang/qt/form_texts.h"
#include "lang/translate.h"
#include "window/window_look.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace quillon::window {

LanguageMenu::LanguageMenu(QWidget& window, WindowServices& services)
    : QObject(&window), window_(window), services_(services) {
    MNlangue_ = new QMenu(QStringLiteral("MNlangue"), &window);
    MNlangue_->setObjectName(QStringLiteral("MNlangue"));
    addChoice(0)->setText(QStringLiteral("#"));
    MNlangueSep_ = MNlangue_->addSeparator();
    MNlangueSep_->setObjectName(QStringLiteral("MNlangueSep"));
    MNlangueOther_ = MNlangue_->addAction(QStringLiteral("Other ..."));
    MNlangueOther_->setObjectName(QStringLiteral("MNlangueOther"));
    connect(MNlangueOther_, &QAction::triggered, this, [this] { MNlangueOther_Click(); });
}

QAction* LanguageMenu::addChoice(int index) {
    auto* action = new QAction(MNlangue_);
    action->setObjectName(QStringLiteral("MNlangueChoice"));
    action->setProperty(VbIndexProperty, index);
    MNlangue_->insertAction(MNlangueSep_, action);
    connect(action, &QAction::triggered, this, [this, index] { MNlangueChoice_Click(index); });
    MNlangueChoice_.push_back(action);
    return action;
}

void LanguageMenu::FillLanguageMenu() {
    const std::vector<std::string> files = lang::listLanguageFiles(services_.programFolder);
    for (std::size_t i = 0; i < files.size(); ++i) {
        QAction* item = i < MNlangueChoice_.size() ? MNlangueChoice_[i] : addChoice(static_cast<int>(i));
        // Plain text: a file named "R&D.lng" must not turn its "&" into a shortcut.
        item->setText(platform::toQString(files[i]).replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

void LanguageMenu::popUpUnder(QWidget& button) {
    MNlangue_->popup(button.mapToGlobal(QPoint(0, button.height())));
}

void LanguageMenu::MNlangueChoice_Click(int index) {
    trap(services_.errorReporter, "MNlangueChoice_Click", [&] {
        QString name = MNlangueChoice_.at(static_cast<std::size_t>(index))->text();
        name.replace(QStringLiteral("&&"), QStringLiteral("&"));
        const std::string file =
            lang::chooseLanguage(services_.settings, services_.programFolder, name.toStdString());
        lang::TranslateForm(window_, file);
        // The translation put the language file's own text on the first item; the file
        // names come back here.
        FillLanguageMenu();
    });
}

void LanguageMenu::MNlangueOther_Click() {
    trap(services_.errorReporter, "MNlangueOther_Click", [&] {
        const std::string& file = lang::CurrentLanguageFile();
        services_.messageBoxes.showInformation(lang::languageHowToText(file));
        services_.documentOpener.OpenDocument("notepad", platform::ShowNormal, file, "", "open", 0);
    });
}

} // namespace quillon::window
