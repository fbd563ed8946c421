#pragma once
// The language menu behind the "Translate" button: one item per language file of the
// program's folder, a separator, and "Other ..." which tells how to make a new one.

#include "window/window_services.h"

#include <QObject>

#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace quillon::window {

class LanguageMenu : public QObject {
    Q_OBJECT

public:
    // The menu is a child of `window`, so the language walk relabels its items too.
    LanguageMenu(QWidget& window, WindowServices& services);

    // Lists the language files of the program's folder as the items, by file name. Items
    // are never removed, so a file deleted while the program runs keeps its item.
    void FillLanguageMenu();

    // Opens the menu under the lower left corner of `button`.
    void popUpUnder(QWidget& button);

    // Switches to the language of item `index`, remembers the choice and relabels the window.
    void MNlangueChoice_Click(int index);
    // Shows how to make a language file and opens the current one in a text editor.
    void MNlangueOther_Click();

    QMenu& menu() { return *MNlangue_; }
    const std::vector<QAction*>& choices() const { return MNlangueChoice_; }

private:
    QAction* addChoice(int index);

    QWidget& window_;
    WindowServices& services_;
    QMenu* MNlangue_ = nullptr;
    std::vector<QAction*> MNlangueChoice_;
    QAction* MNlangueSep_ = nullptr;
    QAction* MNlangueOther_ = nullptr;
};

} // namespace quillon::window
