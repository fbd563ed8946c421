#include "lang/translate.h"

#include <array>
#include <utility>

namespace quillon::lang {

namespace {

std::string& currentLanguageFile() {
    static std::string path;
    return path;
}

} // namespace

std::string ReadIniString(const std::string& file, std::string_view section, std::string_view key,
                          std::string_view defaultText) {
    return IniDocument::loadOrEmpty(file).readString(section, key, defaultText);
}

const std::string& CurrentLanguageFile() {
    return currentLanguageFile();
}

void setCurrentLanguageFile(std::string path) {
    currentLanguageFile() = std::move(path);
}

std::string GetMsg(std::string_view key) {
    return ReadIniString(CurrentLanguageFile(), MessageSection, key, "");
}

std::span<const IniEntry> englishMessages() {
    static const auto messages = std::to_array<IniEntry>({
        {"msg1", "Open a footer File"},
        {"msg2", "Work completed !"},
        {"msg3", "You must choose a Visual Basic File before !"},
        {"msg4", "You must choose a HTML File before !"},
        {"msg5", "You must choose a CSS File before !"},
        {"msg6", "You must choose a Header File before !"},
        {"msg7", "You must choose a Footer File before !"},
        {"msg8", "Choose Style"},
        {"msg9", "Open a header File"},
        {"msg10", "Save Style"},
        {"msg11", "Convert this files :"},
        {std::string(dialogtext::SourceTitle), "Open a VB File"},
        {std::string(dialogtext::TargetTitle), "Save As ..."},
        {std::string(dialogtext::StyleSheetTitle), "Choose a CSS"},
        {std::string(dialogtext::ProjectTitle), "Open a VB Project"},
        {std::string(dialogtext::SiteFolderTitle), "Folder of the site"},
        {std::string(dialogtext::SourcesFilter), "VB6 sources"},
        {std::string(dialogtext::FilesFilter), "%1 Files"},
        {std::string(dialogtext::AllFilesFilter), "All files"},
    });
    return messages;
}

std::string dialogText(std::string_view key) {
    return ReadIniString(CurrentLanguageFile(), MessageSection, key, englishMessage(key));
}

platform::FilterWords dialogFilterWords() {
    const IniDocument file = IniDocument::loadOrEmpty(CurrentLanguageFile());
    const auto read = [&](std::string_view key) {
        return file.readString(MessageSection, key, englishMessage(key));
    };
    return {read(dialogtext::SourcesFilter), read(dialogtext::FilesFilter), read(dialogtext::AllFilesFilter)};
}

std::string_view messageKeyOf(Refusal refusal) {
    switch (refusal) {
    case Refusal::SourceMissing:
        return "msg3";
    case Refusal::TargetNotHtm:
        return "msg4";
    case Refusal::LinkedSheetMissing:
        return "msg5";
    case Refusal::HeaderMissing:
        return "msg6";
    case Refusal::FooterMissing:
        return "msg7";
    }
    return "msg3";
}

std::string englishMessage(std::string_view key) {
    for (const auto& entry : englishMessages()) {
        if (entry.key == key) {
            return entry.value;
        }
    }
    return std::string(key);
}

} // namespace quillon::lang
