#pragma once
// The two walks over a window's controls: writing its texts into a language file, and
// putting a language file's texts onto it.
//
// A control takes part through its name (objectName, the name translators see in the
// keys), an optional index ("vbIndex" property, for controls that share a name), and the
// texts it has: a caption and a tool tip. Keys are "Form.Caption" for the window, then
// Name.Caption, Name.ToolTipText, or Name(Index).Caption, Name(Index).ToolTipText.
// A control whose caption shows data rather than words (the font label shows the
// scheme's font name) sets the property "vbKeepText": the export still writes its caption,
// as it writes every caption, but no language file replaces it.

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QObject;
class QWidget;

namespace quillon::lang {

struct ControlText {
    QObject* control = nullptr;
    std::string key;     // e.g. "SwitchButton(0).Caption"
    bool caption = true; // false: the tool tip
    // False for a caption that shows data ("vbKeepText"): exported, never replaced.
    bool replaceable = true;
};

// The texts of the window's controls in the window's control order (creation order,
// depth first). Every named control with a caption, the menu items included, gives its
// caption key, and every named widget its tool-tip key, whether the text is empty or not.
std::vector<ControlText> formTextSlots(QWidget& window);

QString textOf(const ControlText& slot);
void setTextOf(const ControlText& slot, const QString& text);

// Writes "Form.Caption" and every non-empty caption and tool tip into the window's section
// (the window's objectName) of `file`, and the English messages into its "MSG" section, with
// one read and one write of the file. Keys already there are replaced in place; the rest of
// the file stays as it was. Never reports an error: a file that cannot be written is passed
// over.
void ExportFormTexts(QWidget& window, const std::string& file);

// Makes `file` the current language file and relabels the window from it; a key missing
// from the file (or a missing file) leaves that text as it is.
void TranslateForm(QWidget& window, const std::string& file);

} // namespace quillon::lang
