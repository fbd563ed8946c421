#pragma once
// The style-sheet file: the colour scheme saved as the small style sheet that pages link
// to, and the reader that loads such a file back.
//
// The reader is positional: it does not parse style-sheet syntax but expects exactly the
// line layout the writer produces, and calls anything else not valid.

#include "scheme/colour_scheme.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The rule lines, 27 to 32 of them: the PRE rule, then the classes k, c, o, s, n, each
// with its colour and, when bold, "font-weight: bold;". Pages embed exactly these lines in
// their style block. A colour beyond 24 bits raises 5 (see HEXA).
std::vector<std::string> styleSheetLines(const ColourScheme& scheme);

// A second scheme for readers whose system is set to dark: the colours of the BODY, of PRE
// and of the five classes under "@media (prefers-color-scheme: dark)", each class with its
// font weight said either way. The font stays the first scheme's.
std::vector<std::string> darkVariantLines(const ColourScheme& dark);

// The rules a page embeds: styleSheetLines(), then the dark variant when there is one.
std::vector<std::string> pageStyleLines(const ColourScheme& scheme, const std::optional<ColourScheme>& dark);

// Writes the scheme as it is (the pane captures itself first) to `path`, each line ended by
// CR LF, replacing any file there. The old file is only replaced by a complete new one; on
// failure it is untouched and a VbError is raised naming the path.
void SaveCoulorInFile(const std::string& path, const ColourScheme& scheme);

enum class StyleSheetStatus {
    Loaded,   // the scheme holds the file's colours, bold flags and font; Enabled re-derived
    NotValid, // the scheme is exactly as it was
};

struct StyleSheetLoad {
    StyleSheetStatus status = StyleSheetStatus::NotValid;
    // For NotValid: path + " is not a valid CSS for Quillon !", for the message box.
    std::string message;

    bool loaded() const noexcept { return status == StyleSheetStatus::Loaded; }
};

// path + " is not a valid CSS for Quillon !"
std::string notValidStyleSheetMessage(const std::string& path);

// Reads a style sheet written by SaveCoulorInFile into `scheme`, all or nothing: only a
// file read to the end of its last block without fault changes the scheme, and then the
// Enabled flags are re-derived from the colours (rederiveEnabled). A file that cannot be
// opened or read is not handled here: it raises its VbError (53 file not found, 75 a folder,
// ...) for the caller's trap, and the scheme is unchanged.
//
// Not valid besides what a positional reading rejects: a font name holding "<", ">", "{",
// "}", "/*", "*/" or a control character (it would break out of a page's style block), or
// a file whose blocks do not lie within its first StyleSheetReadLimit bytes.
StyleSheetLoad LoadCoulorFromFile(const std::string& path, ColourScheme& scheme);

// A font name that cannot end its rule, the style block or the page's comment around it:
// no "<", ">", "{", "}", "/*", "*/" and no control character.
bool isSafeFontName(std::string_view name);

// A size the font label can take: a positive decimal number, "." or "," before its
// fraction (the font dialog writes the size by the locale's rules), blanks around allowed.
bool isFontSizeText(std::string_view text);

// How much of a file the reader looks at: far more than any sheet the writer produces.
inline constexpr std::size_t StyleSheetReadLimit = 64 * 1024;

} // namespace quillon
