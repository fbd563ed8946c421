#pragma once
// A line too long to hold whole (a resource blob pasted into a module, a file that is not
// code at all, an endless line on a pipe) is coloured piece by piece as it is read, in
// memory bounded by the piece size whatever the line's length.
//
// The pieces are cut where the rules cannot see the cut: before a space (never the one of
// an "& " item), before the quote that opens a string literal, after "(", always outside a
// literal. Everything the rules wrap is then wrapped as in the whole line; only the
// optimiser does not merge two tags across a cut. A comment, and a literal longer than a
// piece, are written as they arrive. Where a piece holds no such place it is cut at its
// end, and the colours there may differ from the whole line's. The text is exact in every
// case.

#include "engine/colorise.h"
#include "scheme/colour_scheme.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

class PiecewiseLineColouriser {
public:
    static constexpr std::size_t DefaultPieceSize = 256 * 1024;

    PiecewiseLineColouriser(const ColourSwitches& switches, bool optimize,
                            std::size_t pieceSize = DefaultPieceSize);

    // Starts a new line.
    void begin();
    // The next bytes of the line; appends to `out` whatever they settle.
    void feed(std::string_view bytes, std::string& out);
    // The line has ended: appends the rest of it.
    void end(std::string& out);

private:
    enum class Mode { Code, String, Comment };
    void colourPending(std::size_t length, std::string& out);
    void settlePiece(std::string& out);

    ColourSwitches switches_;
    // Pieces of code never hold the comment's apostrophe: it is found here, across pieces.
    LineColouriser code_;
    std::size_t pieceSize_;
    Mode mode_ = Mode::Code;
    std::string pending_;
    std::string coloured_;
    // Quotes of the line so far outside the comment: odd while a literal is open.
    bool oddQuotes_ = false;
    bool apostropheSeen_ = false;
    // Where pending_ may be cut (0: nowhere yet), and where the open literal began.
    std::size_t lastCut_ = 0;
    std::size_t literalStart_ = 0;
};

} // namespace quillon
