#include "lang/ini_document.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "io/atomic_file.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>

namespace quillon::lang {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length in bytes of the first `maxChars` characters of valid UTF-8 text.
std::size_t prefixBytes(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isContinuationByte(text[i])) {
            if (chars == maxChars) {
                return i;
            }
            ++chars;
        }
    }
    return text.size();
}

bool hasBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

[[noreturn]] void refuse(std::string_view what, std::string_view name) {
    std::string text(standardDescription(vberr::InvalidCall));
    text += ": ";
    text += what;
    text += " \"";
    text += name;
    text += "\" cannot be stored in a language file";
    raiseWithText(vberr::InvalidCall, std::move(text));
}

std::string readWholeFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        return {};
    }
    if (ec) {
        raise(ec == std::errc::permission_denied ? vberr::PermissionDenied : vberr::PathFileAccess, path);
    }
    if (!fs::is_regular_file(status)) {
        // A folder, and above all a pipe, whose reading would wait for a writer forever.
        raise(vberr::PathFileAccess, path);
    }
    errno = 0;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        if (errno == ENOENT) {
            return {};
        }
        raise(errno == EACCES ? vberr::PermissionDenied : vberr::PathFileAccess, path);
    }
    std::string bytes;
    std::array<char, 65536> buffer{};
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        bytes.append(buffer.data(), got);
    }
    if (std::ferror(file.get())) {
        raise(vberr::PathFileAccess, path);
    }
    return bytes;
}

} // namespace

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument doc;
    doc.original_ = std::string(bytes);
    // Decoded as decodeToUtf8 does, with the decision kept so the file can be written
    // back in the encoding it came in.
    files::EncodingDetector detector;
    detector.feed(bytes);
    doc.encoding_ = detector.decide(true);
    const std::string decoded = files::decodeText(bytes, doc.encoding_);
    bytes = decoded;

    bool newlineSeen = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t stop = bytes.find_first_of("\r\n", pos);
        Line line;
        if (stop == bytes.npos) {
            line.text = std::string(bytes.substr(pos));
            pos = bytes.size();
        } else {
            line.text = std::string(bytes.substr(pos, stop - pos));
            if (bytes[stop] == '\r' && stop + 1 < bytes.size() && bytes[stop + 1] == '\n') {
                line.eol = "\r\n";
            } else {
                line.eol = bytes[stop] == '\r' ? "\r" : "\n";
            }
            pos = stop + line.eol.size();
            if (!newlineSeen) {
                doc.newline_ = line.eol;
                newlineSeen = true;
            }
        }

        const std::string_view text = line.text;
        std::size_t start = 0;
        while (start < text.size() && isBlank(text[start])) {
            ++start;
        }
        if (start == text.size()) {
            line.kind = Kind::Blank;
        } else if (text[start] == ';') {
            line.kind = Kind::Comment;
        } else if (text[start] == '[') {
            const std::size_t close = text.find(']', start + 1);
            if (close != text.npos) {
                const std::string_view name = trim(text.substr(start + 1, close - start - 1));
                line.kind = Kind::Header;
                line.keyBegin = static_cast<std::size_t>(name.data() - text.data());
                line.keyEnd = line.keyBegin + name.size();
            }
        } else if (const std::size_t equals = text.find('=', start); equals != text.npos) {
            const std::string_view key = trim(text.substr(start, equals - start));
            if (!key.empty()) {
                line.kind = Kind::Entry;
                line.keyBegin = static_cast<std::size_t>(key.data() - text.data());
                line.keyEnd = line.keyBegin + key.size();
                std::size_t valueBegin = equals + 1;
                while (valueBegin < text.size() && isBlank(text[valueBegin])) {
                    ++valueBegin;
                }
                std::size_t valueEnd = text.size();
                while (valueEnd > valueBegin && isBlank(text[valueEnd - 1])) {
                    --valueEnd;
                }
                line.valueBegin = valueBegin;
                line.valueEnd = valueEnd;
            }
        }

        if (line.kind == Kind::Header) {
            doc.blocks_.emplace_back();
        }
        doc.blocks_.back().lines.push_back(std::move(line));
    }

    for (std::size_t b = 0; b < doc.blocks_.size(); ++b) {
        doc.indexBlock(b);
    }
    return doc;
}

void IniDocument::indexBlock(std::size_t blockIndex) {
    Block& block = blocks_[blockIndex];
    if (blockIndex == 0) {
        // Entries before the first header belong to no section and cannot be reached.
        block.insertAt = block.lines.size();
        return;
    }
    block.insertAt = 1;
    const Line& header = block.lines.front();
    const std::string_view name =
        std::string_view(header.text).substr(header.keyBegin, header.keyEnd - header.keyBegin);
    const auto [where, isNew] = sections_.try_emplace(asciiLower(name));
    SectionIndex& section = where->second;
    if (isNew) {
        section.firstBlock = blockIndex;
        section.name = std::string(name);
        sectionOrder_.push_back(where->first);
    }
    for (std::size_t i = 1; i < block.lines.size(); ++i) {
        const Line& line = block.lines[i];
        if (line.kind == Kind::Entry || line.kind == Kind::Other) {
            block.insertAt = i + 1;
        }
        if (line.kind != Kind::Entry) {
            continue;
        }
        const std::string_view key =
            std::string_view(line.text).substr(line.keyBegin, line.keyEnd - line.keyBegin);
        const KeyRef ref{blockIndex, false, i};
        if (section.keys.try_emplace(asciiLower(key), ref).second) {
            section.order.push_back(ref);
        }
    }
}

IniDocument IniDocument::load(const std::string& path) {
    const std::string bytes = readWholeFile(path);
    IniDocument doc = parse(bytes);
    // Binary data is no language file, and is never written back as one.
    files::requireText(bytes, doc.encoding_, path);
    return doc;
}

IniDocument IniDocument::loadOrEmpty(const std::string& path) {
    try {
        return load(path);
    } catch (const std::exception&) {
        // Unreadable or too large to hold: to a reader, a file without keys.
        return {};
    }
}

const IniDocument::Line& IniDocument::lineAt(const KeyRef& ref) const {
    const Block& block = blocks_[ref.block];
    return ref.added ? block.added[ref.index] : block.lines[ref.index];
}

IniDocument::Line& IniDocument::lineAt(const KeyRef& ref) {
    Block& block = blocks_[ref.block];
    return ref.added ? block.added[ref.index] : block.lines[ref.index];
}

std::optional<std::string_view> IniDocument::find(std::string_view section, std::string_view key) const {
    const auto where = sections_.find(asciiLower(trim(section)));
    if (where == sections_.end()) {
        return std::nullopt;
    }
    const auto found = where->second.keys.find(asciiLower(trim(key)));
    if (found == where->second.keys.end()) {
        return std::nullopt;
    }
    const Line& line = lineAt(found->second);
    return std::string_view(line.text).substr(line.valueBegin, line.valueEnd - line.valueBegin);
}

std::string IniDocument::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultText) const {
    const std::optional<std::string_view> value = find(section, key);
    if (!value) {
        return std::string(defaultText);
    }
    return std::string(value->substr(0, prefixBytes(*value, MaxIniValueChars)));
}

std::vector<std::string> IniDocument::sectionNames() const {
    std::vector<std::string> names;
    names.reserve(sectionOrder_.size());
    for (const std::string& folded : sectionOrder_) {
        names.push_back(sections_.at(folded).name);
    }
    return names;
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> names;
    const auto where = sections_.find(asciiLower(trim(section)));
    if (where == sections_.end()) {
        return names;
    }
    names.reserve(where->second.order.size());
    for (const KeyRef& ref : where->second.order) {
        const Line& line = lineAt(ref);
        names.emplace_back(std::string_view(line.text).substr(line.keyBegin, line.keyEnd - line.keyBegin));
    }
    return names;
}

const IniDocument::Line* IniDocument::lastLine() const {
    for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
        if (block->insertAt < block->lines.size()) {
            return &block->lines.back();
        }
        if (!block->added.empty()) {
            return &block->added.back();
        }
        if (!block->lines.empty()) {
            return &block->lines.back();
        }
    }
    return nullptr;
}

bool IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || section.find(']') != section.npos || hasBreakOrNul(section) ||
        !files::isValidUtf8(section)) {
        refuse("section", section);
    }
    if (key.empty() || key.find('=') != key.npos || key.front() == '[' || key.front() == ';' ||
        hasBreakOrNul(key) || !files::isValidUtf8(key)) {
        refuse("key", key);
    }
    if (hasBreakOrNul(value) || !files::isValidUtf8(value)) {
        refuse("the value of key", key);
    }

    auto where = sections_.find(asciiLower(section));
    if (where == sections_.end()) {
        Block block;
        if (const Line* last = lastLine(); last != nullptr && last->kind != Kind::Blank) {
            // A blank line between sections, as a person would leave one.
            block.lines.push_back(Line{{}, newline_, Kind::Blank});
        }
        Line header;
        header.text = "[" + std::string(section) + "]";
        header.eol = newline_;
        header.kind = Kind::Header;
        header.keyBegin = 1;
        header.keyEnd = 1 + section.size();
        block.lines.push_back(std::move(header));
        block.insertAt = block.lines.size();
        blocks_.push_back(std::move(block));
        where = sections_.try_emplace(asciiLower(section)).first;
        where->second.firstBlock = blocks_.size() - 1;
        where->second.name = std::string(section);
        sectionOrder_.push_back(where->first);
    }
    SectionIndex& index = where->second;

    const std::string foldedKey = asciiLower(key);
    if (const auto found = index.keys.find(foldedKey); found != index.keys.end()) {
        Line& line = lineAt(found->second);
        const std::size_t length = line.valueEnd - line.valueBegin;
        if (std::string_view(line.text).substr(line.valueBegin, length) == value) {
            return false;
        }
        line.text.replace(line.valueBegin, length, value);
        line.valueEnd = line.valueBegin + value.size();
        modified_ = true;
        return true;
    }

    Line line;
    line.text.reserve(key.size() + 1 + value.size());
    line.text.append(key).append("=").append(value);
    line.eol = newline_;
    line.kind = Kind::Entry;
    line.keyBegin = 0;
    line.keyEnd = key.size();
    line.valueBegin = key.size() + 1;
    line.valueEnd = line.text.size();
    Block& block = blocks_[index.firstBlock];
    block.added.push_back(std::move(line));
    const KeyRef ref{index.firstBlock, true, block.added.size() - 1};
    index.keys.emplace(foldedKey, ref);
    index.order.push_back(ref);
    modified_ = true;
    return true;
}

std::string IniDocument::serialiseUtf8() const {
    std::string out;
    bool openLine = false; // the last line written has no line ending yet
    const auto emit = [&](const Line& line) {
        if (openLine) {
            out += newline_;
        }
        out += line.text;
        out += line.eol;
        openLine = line.eol.empty();
    };
    for (const Block& block : blocks_) {
        for (std::size_t i = 0; i < block.insertAt; ++i) {
            emit(block.lines[i]);
        }
        for (const Line& line : block.added) {
            emit(line);
        }
        for (std::size_t i = block.insertAt; i < block.lines.size(); ++i) {
            emit(block.lines[i]);
        }
    }
    return out;
}

std::string IniDocument::serialise() const {
    if (!modified_) {
        return original_;
    }
    std::string text = serialiseUtf8();
    if (encoding_.encoding == files::TextEncoding::Utf8) {
        return encoding_.bomLength > 0 ? std::string(ByteOrderMark) + text : text;
    }
    // Kept in its encoding only while that reads back as the same text: a value with
    // characters outside the code page, or bytes that would now be taken for another
    // encoding, turn the whole file into UTF-8 instead.
    if (std::optional<std::string> kept = files::encodeText(text, encoding_);
        kept && files::decodeToUtf8(*kept) == text) {
        return *kept;
    }
    return text;
}

void IniDocument::save(const std::string& path) const {
    files::writeFileAtomically(path, serialise());
}

} // namespace quillon::lang
