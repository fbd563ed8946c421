#include "scheme/style_sheet.h"

#include "base/ascii_text.h"
#include "io/atomic_file.h"
#include "io/file_system.h"

#include <array>
#include <iterator>
#include <optional>
#include <string_view>

namespace quillon {

namespace {

struct ClassBlock {
    const char* selector;
    SchemeEntry entry;
};

// The order of the blocks in the file, which the reader depends on.
constexpr std::array<ClassBlock, 5> ClassBlocks{{
    {".k", KeyWord},
    {".c", Comment},
    {".o", Other},
    {".s", String},
    {".n", Number},
}};

// Byte offset of the character at 0-based index `index` (the line's size when it has
// fewer characters). The file's positions count characters, and a font name need not be
// ASCII.
std::size_t offsetOfCharacter(std::string_view line, std::size_t index) {
    std::size_t offset = 0;
    while (index > 0 && offset < line.size()) {
        ++offset;
        while (offset < line.size() && (static_cast<unsigned char>(line[offset]) & 0xC0) == 0x80) {
            ++offset;
        }
        --index;
    }
    return offset;
}

// Characters `first` (1-based) to `first + count - 1`, or fewer when the line ends sooner.
std::string_view middle(std::string_view line, std::size_t first, std::size_t count) {
    const std::size_t begin = offsetOfCharacter(line, first - 1);
    const std::size_t end = begin + offsetOfCharacter(line.substr(begin), count);
    return line.substr(begin, end - begin);
}

// Six digits RRGGBB, upper or lower case, to the colour reference 0x00BBGGRR.
std::optional<std::int32_t> colourFromDigits(std::string_view digits) {
    if (digits.size() != 6) {
        return std::nullopt;
    }
    std::int32_t colour = 0;
    for (std::size_t part = 0; part < 3; ++part) {
        const int high = hexDigitValue(digits[2 * part]);
        const int low = hexDigitValue(digits[2 * part + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        colour |= (high * 16 + low) << (8 * part);
    }
    return colour;
}

class LineCursor {
public:
    explicit LineCursor(const std::vector<std::string_view>& lines) : lines_(lines) {}
    std::optional<std::string_view> next() {
        if (index_ >= lines_.size()) {
            return std::nullopt;
        }
        return lines_[index_++];
    }

private:
    const std::vector<std::string_view>& lines_;
    std::size_t index_ = 0;
};

// The positional reading. Any fault gives nullopt; `scheme` is only the starting point.
std::optional<ColourScheme> readSheet(const std::vector<std::string_view>& lines, ColourScheme scheme) {
    LineCursor cursor(lines);
    const auto first = cursor.next();
    if (!first || *first != "PRE") {
        return std::nullopt;
    }
    if (!cursor.next()) {
        return std::nullopt;
    }
    const auto colourAt = [&cursor](std::size_t position) -> std::optional<std::int32_t> {
        const auto line = cursor.next();
        if (!line) {
            return std::nullopt;
        }
        return colourFromDigits(middle(*line, position, 6));
    };

    const auto normal = colourAt(8);
    if (!normal) {
        return std::nullopt;
    }
    scheme.ConfigCouleur[Normal].Color = *normal;
    const auto background = colourAt(13);
    if (!background) {
        return std::nullopt;
    }
    scheme.ConfigCouleur[Background].Color = *background;

    const auto fontLine = cursor.next();
    if (!fontLine) {
        return std::nullopt;
    }
    const std::size_t nameStart = offsetOfCharacter(*fontLine, 12);
    const std::size_t nameEnd = fontLine->rfind(';');
    if (nameEnd == std::string_view::npos || nameEnd < nameStart) {
        return std::nullopt;
    }
    const std::string_view fontName = fontLine->substr(nameStart, nameEnd - nameStart);
    if (!isSafeFontName(fontName)) {
        return std::nullopt;
    }
    scheme.fontName = std::string(fontName);

    const auto sizeLine = cursor.next();
    if (!sizeLine) {
        return std::nullopt;
    }
    const std::size_t sizeStart = offsetOfCharacter(*sizeLine, 10);
    const std::size_t sizeEnd = sizeLine->rfind("pt;");
    if (sizeEnd == std::string_view::npos || sizeEnd < sizeStart) {
        return std::nullopt;
    }
    const std::string_view fontSize = sizeLine->substr(sizeStart, sizeEnd - sizeStart);
    if (!isFontSizeText(fontSize)) {
        return std::nullopt;
    }
    scheme.fontSize = std::string(fontSize);

    // "}" of the PRE rule; each later block starts with its class line and "{".
    std::size_t skip = 3;
    for (const ClassBlock& block : ClassBlocks) {
        for (; skip > 0; --skip) {
            if (!cursor.next()) {
                return std::nullopt;
            }
        }
        skip = 2;
        auto& entry = scheme.ConfigCouleur[block.entry];
        const auto colour = colourAt(8);
        if (!colour) {
            return std::nullopt;
        }
        entry.Color = *colour;
        // Anything but the closing "}" right after the colour is taken as the bold line.
        const auto afterColour = cursor.next();
        if (!afterColour) {
            return std::nullopt;
        }
        entry.Bold = *afterColour != "}";
        if (entry.Bold && !cursor.next()) {
            return std::nullopt;
        }
    }
    return scheme;
}

} // namespace

bool isFontSizeText(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (text.size() > 16) {
        return false;
    }
    bool separator = false;
    bool digit = false;
    bool nonZero = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
            nonZero = nonZero || c != '0';
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
        } else {
            return false;
        }
    }
    return digit && nonZero;
}

bool isSafeFontName(std::string_view name) {
    if (name.find_first_of("<>{}") != std::string_view::npos || name.find("/*") != std::string_view::npos ||
        name.find("*/") != std::string_view::npos) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
        // U+0080 to U+009F, the C1 controls.
        if (byte == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) < 0xA0) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> styleSheetLines(const ColourScheme& scheme) {
    const auto& entries = scheme.ConfigCouleur;
    std::vector<std::string> lines{
        "PRE",
        "{",
        "COLOR:" + HEXA(entries[Normal].Color) + ";",
        "background:" + HEXA(entries[Background].Color) + ";",
        "font-family:" + scheme.fontName + ";",
        "font-size:" + scheme.fontSize + "pt;",
        "}",
    };
    for (const ClassBlock& block : ClassBlocks) {
        const TypeCouleur& entry = entries[block.entry];
        lines.emplace_back(block.selector);
        lines.emplace_back("{");
        lines.push_back("COLOR:" + HEXA(entry.Color) + ";");
        if (entry.Bold) {
            lines.emplace_back("font-weight: bold;");
        }
        lines.emplace_back("}");
    }
    return lines;
}

std::vector<std::string> darkVariantLines(const ColourScheme& dark) {
    const auto& entries = dark.ConfigCouleur;
    std::vector<std::string> lines{"@media (prefers-color-scheme: dark)", "{"};
    // The BODY line's colours are attributes, which any rule overrides.
    for (const char* selector : {"BODY", "PRE"}) {
        lines.emplace_back(selector);
        lines.emplace_back("{");
        lines.push_back("COLOR:" + HEXA(entries[Normal].Color) + ";");
        lines.push_back("background:" + HEXA(entries[Background].Color) + ";");
        lines.emplace_back("}");
    }
    for (const ClassBlock& block : ClassBlocks) {
        const TypeCouleur& entry = entries[block.entry];
        lines.emplace_back(block.selector);
        lines.emplace_back("{");
        lines.push_back("COLOR:" + HEXA(entry.Color) + ";");
        // Always said, so that a class bold in the light scheme is not bold in the dark one
        // unless the dark one says so.
        lines.emplace_back(entry.Bold ? "font-weight: bold;" : "font-weight: normal;");
        lines.emplace_back("}");
    }
    lines.emplace_back("}");
    return lines;
}

std::vector<std::string> pageStyleLines(const ColourScheme& scheme, const std::optional<ColourScheme>& dark) {
    std::vector<std::string> lines = styleSheetLines(scheme);
    if (dark) {
        std::vector<std::string> variant = darkVariantLines(*dark);
        lines.insert(lines.end(), std::make_move_iterator(variant.begin()),
                     std::make_move_iterator(variant.end()));
    }
    return lines;
}

void SaveCoulorInFile(const std::string& path, const ColourScheme& scheme) {
    std::string content;
    for (const std::string& line : styleSheetLines(scheme)) {
        content += line;
        content += "\r\n";
    }
    files::writeFileAtomically(path, content);
}

std::string notValidStyleSheetMessage(const std::string& path) {
    return path + " is not a valid CSS for Quillon !";
}

StyleSheetLoad LoadCoulorFromFile(const std::string& path, ColourScheme& scheme) {
    const files::TextPrefix prefix = files::readTextPrefix(path, StyleSheetReadLimit);
    const std::vector<std::string_view> lines = files::splitTextLines(prefix.text);
    std::optional<ColourScheme> read = readSheet(lines, scheme);
    if (!read) {
        return {StyleSheetStatus::NotValid, notValidStyleSheetMessage(path)};
    }
    rederiveEnabled(*read);
    scheme = std::move(*read);
    return {StyleSheetStatus::Loaded, {}};
}

} // namespace quillon
