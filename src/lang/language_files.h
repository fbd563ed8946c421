#pragma once
// Where the language files are and which one is in use: the default file, the choice
// remembered between runs, the list behind the language menu and the how-to text of its
// "Other ..." item.

#include "desktop/settings_store.h"
#include "io/program_folder.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillon::lang {

// The settings-store entry that remembers the chosen language file.
inline constexpr std::string_view SettingsSection = "FILES";
inline constexpr std::string_view SettingsLanguageKey = "LNG";

inline constexpr std::string_view DefaultLanguageFileName = "English.lng";
inline constexpr std::string_view LanguageFileExtension = ".lng";

// "English.lng" in the program's folder (the user's copy first, when installed).
std::string defaultLanguageFile(const files::ProgramFolder& programDir);

// The language file to apply at start-up: the stored choice while a file still exists at
// that path, otherwise the default file.
std::string startupLanguageFile(const SettingsStore& store, const files::ProgramFolder& programDir);

// A choice from the language menu: makes `fileName` in the program's folder (the user's
// copy first) the current language file, remembers it in the store, and returns its path.
std::string chooseLanguage(SettingsStore& store, const files::ProgramFolder& programDir,
                           std::string_view fileName);

// The names (no folder) of the language files in the program's folder, sorted without
// regard to case; installed, those of the user's folder and of the installed data, each
// name once.
// The extension is matched without regard to case, as a translator told to save under
// ".LNG" expects; hidden files and folders are left out. A folder that cannot be listed
// gives what could be listed, possibly nothing.
std::vector<std::string> listLanguageFiles(const files::ProgramFolder& folder);

// The text of the "Other ..." message box for the current language file.
std::string languageHowToText(std::string_view languageFile);

} // namespace quillon::lang
