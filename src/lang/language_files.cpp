#include "lang/language_files.h"

#include "base/ascii_text.h"
#include "lang/translate.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillon::lang {

namespace fs = std::filesystem;

namespace {

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const auto folded = [](char x, char y) { return asciiLower(x) < asciiLower(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded)) {
        return true;
    }
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded)) {
        return false;
    }
    return a < b; // a stable order for names that differ only in case
}

bool hasLanguageExtension(std::string_view name) {
    if (name.size() <= LanguageFileExtension.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - LanguageFileExtension.size());
    return equalsIgnoringAsciiCase(tail, LanguageFileExtension);
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

} // namespace

std::string defaultLanguageFile(const files::ProgramFolder& programDir) {
    return programDir.find(DefaultLanguageFileName);
}

std::string startupLanguageFile(const SettingsStore& store, const files::ProgramFolder& programDir) {
    const std::string fallback = defaultLanguageFile(programDir);
    std::string stored = store.get(SettingsApplication, SettingsSection, SettingsLanguageKey, fallback);
    return isFile(stored) ? stored : fallback;
}

std::string chooseLanguage(SettingsStore& store, const files::ProgramFolder& programDir,
                           std::string_view fileName) {
    std::string path = programDir.find(fileName);
    setCurrentLanguageFile(path);
    store.set(SettingsApplication, SettingsSection, SettingsLanguageKey, path);
    return path;
}

std::vector<std::string> listLanguageFiles(const files::ProgramFolder& folder) {
    std::vector<std::string> names;
    for (const std::string& dir : folder.readFolders()) {
        std::error_code ec;
        fs::directory_iterator entry(dir, ec);
        for (const fs::directory_iterator end; !ec && entry != end; entry.increment(ec)) {
            std::string name = entry->path().filename().string();
            if (name.starts_with('.') || !hasLanguageExtension(name)) {
                continue;
            }
            std::error_code typeError;
            if (entry->is_regular_file(typeError)) {
                names.push_back(std::move(name));
            }
        }
    }
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    // The user's copy of a file and the installed one are one item: choosing it finds the user's.
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string languageHowToText(std::string_view languageFile) {
    std::string text = "Translate this file \n\n";
    text += languageFile;
    text += "\n\nand save it in the application folder like this :\nyour country's name .LNG\n\n"
            "It will apear in the translate menu";
    return text;
}

} // namespace quillon::lang
