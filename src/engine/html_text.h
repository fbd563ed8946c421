#pragma once
// Text written into a page: the characters HTML reserves become entities, so that a browser
// shows the text as it is and no file name or source line can add markup of its own.

#include <string>
#include <string_view>

namespace quillon {

// "&", "<" and ">"; a quote stays as it is, as the coloured lines write it.
void appendPageText(std::string_view text, std::string& out);
// The same and the quote too: for attribute values, and for text that may end up in one.
std::string attributeText(std::string_view text);

} // namespace quillon
