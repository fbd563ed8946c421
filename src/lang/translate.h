#pragma once
// Language files and the message table: reading single texts of an INI language
// file, the current language file, the eleven messages the workflows show and the texts
// of the file dialogs.

#include "desktop/dialog_filter.h"
#include "engine/page_writer.h"
#include "lang/ini_document.h"

#include <span>
#include <string>
#include <string_view>

namespace quillon::lang {

// The section of the messages, and its keys "msg1" to "msg11".
inline constexpr std::string_view MessageSection = "MSG";
inline constexpr int MessageCount = 11;

// The value of `key` in `section` of `file`, at most 254 characters, or `defaultText`
// when the file, the section or the key is missing. A file that cannot be read counts as
// missing: this never fails.
std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view defaultText);

// The language file in use: set by every translation and language choice, read by GetMsg.
const std::string& CurrentLanguageFile();
void setCurrentLanguageFile(std::string path);

// Message `key` ("msg1" to "msg11") from the current language file; the empty text when
// the key is missing there. Read afresh at every call, so an edited file takes effect.
std::string GetMsg(std::string_view key);

// The texts of the file dialogs, in "MSG" after the numbered messages.
namespace dialogtext {
inline constexpr std::string_view SourceTitle = "DialogSource";
inline constexpr std::string_view TargetTitle = "DialogTarget";
inline constexpr std::string_view StyleSheetTitle = "DialogStyleSheet";
inline constexpr std::string_view ProjectTitle = "DialogProject";
inline constexpr std::string_view SiteFolderTitle = "DialogSiteFolder";
inline constexpr std::string_view SourcesFilter = "FilterSources";
inline constexpr std::string_view FilesFilter = "FilterFiles";
inline constexpr std::string_view AllFilesFilter = "FilterAllFiles";
} // namespace dialogtext

// A dialog text from the current language file. A file written before these texts existed
// gives the English one, so no dialog loses its title and no filter its name.
std::string dialogText(std::string_view key);
// The filter words of the current language file, by the same rule.
platform::FilterWords dialogFilterWords();

// The built-in English messages, "msg1" first, then the dialog texts, as the "MSG" section
// of "English.lng".
std::span<const IniEntry> englishMessages();

// The key of the message that tells the user of a refusal ("msg3" to "msg7").
std::string_view messageKeyOf(Refusal refusal);

// The built-in English text of message `key`; the key itself when there is none.
std::string englishMessage(std::string_view key);

} // namespace quillon::lang
