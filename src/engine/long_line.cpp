#include "engine/long_line.h"

#include "engine/html_text.h"

#include <algorithm>

namespace quillon {

namespace {

ColourSwitches withoutCommentSplit(ColourSwitches switches) {
    switches.comment = false;
    return switches;
}

} // namespace

PiecewiseLineColouriser::PiecewiseLineColouriser(const ColourSwitches& switches, bool optimize,
                                                 std::size_t pieceSize)
    : switches_(switches), code_(withoutCommentSplit(switches), optimize),
      pieceSize_(std::max<std::size_t>(pieceSize, 2)) {
    pending_.reserve(pieceSize_ + 1);
}

void PiecewiseLineColouriser::begin() {
    mode_ = Mode::Code;
    pending_.clear();
    oddQuotes_ = false;
    apostropheSeen_ = false;
    lastCut_ = 0;
    literalStart_ = 0;
}

void PiecewiseLineColouriser::colourPending(std::size_t length, std::string& out) {
    if (length == 0) {
        return;
    }
    const std::string_view piece(pending_.data(), length);
    coloured_.resize(LineColouriser::maxOutput(length));
    const char* end = code_.writeLine(coloured_.data(), piece);
    out.append(coloured_.data(), static_cast<std::size_t>(end - coloured_.data()));
    pending_.erase(0, length);
}

void PiecewiseLineColouriser::settlePiece(std::string& out) {
    if (switches_.string && oddQuotes_) {
        // A literal longer than what is left of the piece: the code before it, then the
        // literal as it arrives.
        colourPending(literalStart_, out);
        out += ClassTags::s.open;
        appendPageText(pending_, out);
        pending_.clear();
        mode_ = Mode::String;
    } else {
        colourPending(lastCut_ > 0 ? lastCut_ : pending_.size(), out);
    }
    lastCut_ = 0;
    literalStart_ = 0;
}

void PiecewiseLineColouriser::feed(std::string_view bytes, std::string& out) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (mode_ == Mode::Comment) {
            appendPageText(bytes.substr(i), out);
            return;
        }
        if (mode_ == Mode::String) {
            const std::size_t close = bytes.find('"', i);
            const std::string_view literal =
                bytes.substr(i, close == std::string_view::npos ? close : close - i);
            // An apostrophe inside a literal leaves the whole line without a comment.
            apostropheSeen_ = apostropheSeen_ || literal.find('\'') != std::string_view::npos;
            appendPageText(literal, out);
            if (close == std::string_view::npos) {
                return;
            }
            out += '"';
            out += ClassTags::s.close;
            oddQuotes_ = false;
            mode_ = Mode::Code;
            i = close;
            continue;
        }
        if (c == '\'' && !apostropheSeen_) {
            apostropheSeen_ = true;
            // The first apostrophe opens the comment unless a literal is open before it;
            // when one is, no later apostrophe opens one either.
            if (switches_.comment && !oddQuotes_) {
                colourPending(pending_.size(), out);
                out += ClassTags::c.open;
                out += '\'';
                mode_ = Mode::Comment;
                continue;
            }
        }
        if (!oddQuotes_) {
            const std::size_t here = pending_.size();
            if ((c == ' ' && here > 0 && pending_.back() != '&') || (c == '"' && switches_.string)) {
                lastCut_ = here;
            }
            if (c == '"') {
                literalStart_ = here;
            }
        }
        pending_ += c;
        if (c == '"') {
            oddQuotes_ = !oddQuotes_;
        } else if (c == '(' && !oddQuotes_) {
            lastCut_ = pending_.size();
        }
        if (pending_.size() >= pieceSize_) {
            settlePiece(out);
        }
    }
}

void PiecewiseLineColouriser::end(std::string& out) {
    switch (mode_) {
    case Mode::Code:
        colourPending(pending_.size(), out);
        break;
    case Mode::String:
        // The literal never closed: its tag ends with the line.
    case Mode::Comment:
        out += ClassTags::c.close;
        break;
    }
    begin();
}

} // namespace quillon
