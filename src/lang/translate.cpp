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
    static const std::array<IniEntry, MessageCount> messages{{
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
    }};
    return messages;
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
