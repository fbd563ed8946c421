#pragma once
// Sources in the code pages of other countries, made for the tests from UTF-8 text of our
// own: the phrases under data/encodings, one file per language, named
// "<code page>.<language>.txt", put into Visual Basic forms and turned by iconv into the
// bytes the author's Windows would have saved.

#include "io/text_decoding.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iconv.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::test {

// `utf8` in the iconv code page `encoding`; throws when a character has no place there.
inline std::string encodeAs(std::string_view utf8, const std::string& encoding) {
    const iconv_t cd = ::iconv_open(encoding.c_str(), "UTF-8");
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = ::iconv(cd, &in, &inLeft, &o, &outLeft);
    ::iconv(cd, nullptr, nullptr, &o, &outLeft);
    ::iconv_close(cd);
    if (cd == reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1)) ||
        result == static_cast<std::size_t>(-1)) {
        throw std::runtime_error("cannot write the text in " + encoding);
    }
    out.resize(out.size() - outLeft);
    return out;
}

struct PhraseFile {
    std::string label;    // the code page as people call it: "big5", "windows-1256"
    std::string encoding; // the iconv name of what Windows writes for it
    std::string language;
    std::vector<std::string> phrases;
};

inline std::vector<PhraseFile> phraseFiles() {
    std::vector<PhraseFile> files;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir() / "encodings")) {
        const std::string name = entry.path().filename().string();
        const std::size_t dot = name.find('.');
        PhraseFile file;
        file.label = name.substr(0, dot);
        // Windows writes Big5 and Shift-JIS as its own code pages 950 and 932.
        file.encoding = file.label == "big5" ? "CP950" : file.label == "shift_jis" ? "CP932" : file.label;
        file.language = entry.path().stem().string().substr(dot + 1);
        std::istringstream text(readBytes(entry.path()));
        for (std::string phrase; std::getline(text, phrase);) {
            if (!phrase.empty()) {
                file.phrases.push_back(phrase);
            }
        }
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(), [](const PhraseFile& a, const PhraseFile& b) {
        return a.label + a.language < b.label + b.language;
    });
    return files;
}

inline PhraseFile phrasesOf(const std::string& label) {
    for (PhraseFile& file : phraseFiles()) {
        if (file.label == label) {
            return file;
        }
    }
    throw std::runtime_error("no phrases in " + label);
}

// A form as the development environment saves it, with `count` of the phrases (picked by
// `seed`) in its captions, comments and messages; `charset` is its font's, when it has one.
inline std::string vb6Form(const std::vector<std::string>& phrases, std::size_t count, std::size_t seed,
                           int charset = -1) {
    std::vector<std::string> pick;
    for (std::size_t i = 0; i < count; ++i) {
        pick.push_back(phrases[(seed * 7 + i * 5) % phrases.size()]);
    }
    std::string form =
        "VERSION 5.00\r\nBegin VB.Form frmMain\r\n   Caption         =   \"" + pick[0] + "\"\r\n";
    if (charset >= 0) {
        form +=
            "   BeginProperty Font\r\n      Name            =   \"Tahoma\"\r\n      Charset         =   " +
            std::to_string(charset) + "\r\n   EndProperty\r\n";
    }
    form += "   Begin VB.Label lblInfo\r\n      Caption         =   \"" + pick[count > 1 ? 1 : 0] +
            "\"\r\n   End\r\nEnd\r\nAttribute VB_Name = \"frmMain\"\r\nOption Explicit\r\n\r\n";
    for (std::size_t i = 0; i < count; ++i) {
        form += "' " + pick[i] + "\r\nPrivate Sub Command" + std::to_string(i) + "_Click()\r\n";
        form += "    If MsgBox(\"" + pick[(i + 1) % count] +
                "\", vbYesNo) = vbYes Then lblInfo.Caption = \"" + pick[i] + "\"\r\nEnd Sub\r\n\r\n";
    }
    return form;
}

} // namespace quillon::test
