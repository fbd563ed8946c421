#pragma once
// An INI file held in memory, for the language files. It reads the way the Windows
// private-profile functions do (sections and keys matched without regard to case, the
// first of duplicated keys wins, values read back cut to 254 characters) and writes
// without disturbing anything it was not asked to change: a changed value is replaced
// inside its own line, and every other line keeps its bytes, its order and its line
// ending. A new key goes after the last entry of its section, a new section at the end.
//
// Text is UTF-8 in memory. A file is decoded with decodeToUtf8, so language files saved
// in Windows-1252, Windows-1256, Big5 or any other code page keep their letters; such a
// file is written back in its code page as long as everything in it still fits and reads
// back the same, so its untouched lines stay byte for byte, and is otherwise rewritten as
// UTF-8 (its texts unchanged, only their encoding).

#include "io/text_decoding.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillon::lang {

// A value read back holds at most this many characters (the profile functions' buffer of
// 255 includes the terminator).
inline constexpr std::size_t MaxIniValueChars = 254;

struct IniEntry {
    std::string key;
    std::string value;
};

class IniDocument {
public:
    IniDocument() = default;

    // Parses the bytes of a file. Never fails: lines that are neither a section header,
    // an entry ("key=value") nor a comment are kept but carry nothing.
    static IniDocument parse(std::string_view bytes);

    // A missing file gives an empty document. Anything else at the path that cannot be
    // read as a file (no permission, a folder, a pipe) raises VbError (70 permission
    // denied, 75 otherwise), so a later save can never replace content that was not seen;
    // a file with a NUL byte raises 321 "Not a text file: PATH".
    static IniDocument load(const std::string& path);
    // As load(), but a file that cannot be read also gives an empty document: for readers,
    // to whom an unreadable language file is one without keys.
    static IniDocument loadOrEmpty(const std::string& path);

    // The whole value of the first entry `key` in `section`, or nothing. Names are trimmed
    // of surrounding blanks and compared without regard to ASCII case.
    std::optional<std::string_view> find(std::string_view section, std::string_view key) const;

    // The profile-function read: the value cut to MaxIniValueChars characters, or
    // `defaultText` (whole) when the section or key is missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultText) const;

    // Names as written in the file, first occurrence only, in file order.
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keys(std::string_view section) const;

    // Sets one value; returns whether the document changed. Raises VbError 5 when the
    // section, key or value cannot be stored so as to read back the same: a section name
    // that is empty or holds "]", a key that is empty, holds "=" or starts with "[" or
    // ";", a line break or NUL anywhere, or text that is not valid UTF-8.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    // True once a set() has changed something since parsing.
    bool modified() const { return modified_; }

    // The bytes of the file as it now stands: exactly the bytes parsed while nothing has
    // changed, whatever they were (a file that mixes encodings included).
    std::string serialise() const;
    // The text of the file as it now stands, in UTF-8, byte-order mark left out.
    std::string text() const { return serialiseUtf8(); }
    // Writes serialise() to `path` through writeFileAtomically: the old file is replaced
    // whole or not at all. Raises VbError on failure.
    void save(const std::string& path) const;

private:
    enum class Kind : unsigned char { Blank, Comment, Header, Entry, Other };

    struct Line {
        std::string text;     // without its line ending
        std::string_view eol; // "\r\n", "\n", "\r" or "" for a last line without one
        Kind kind = Kind::Other;
        std::size_t keyBegin = 0; // for Header: the name; for Entry: the key
        std::size_t keyEnd = 0;
        std::size_t valueBegin = 0;
        std::size_t valueEnd = 0;
    };

    // The lines before the first header, or one section: its header and the lines up to
    // the next header. Keys added by set() are kept apart and written after the section's
    // last entry, so adding never shifts the lines that the index points at.
    struct Block {
        std::vector<Line> lines;
        std::size_t insertAt = 0;
        std::vector<Line> added;
    };

    struct KeyRef {
        std::size_t block = 0;
        bool added = false;
        std::size_t index = 0;
    };

    struct SectionIndex {
        std::string name; // as first written
        std::size_t firstBlock = 0;
        std::unordered_map<std::string, KeyRef> keys; // by lower-case key
        std::vector<KeyRef> order;
    };

    const Line& lineAt(const KeyRef& ref) const;
    Line& lineAt(const KeyRef& ref);
    const Line* lastLine() const;
    void indexBlock(std::size_t blockIndex);
    std::string serialiseUtf8() const;

    std::vector<Block> blocks_{1};
    std::unordered_map<std::string, SectionIndex> sections_; // by lower-case name
    std::vector<std::string> sectionOrder_;                  // lower-case names
    std::string_view newline_ = "\r\n";
    files::EncodingDecision encoding_;
    // The bytes as read, given back while modified_ is false: a file whose lines are in
    // two encodings (a UTF-8 mark over a Windows-1252 line) has no one encoding to be
    // written back in, and a file nobody changed must not change.
    std::string original_;
    bool modified_ = false;
};

} // namespace quillon::lang
