#pragma once
// The line step and the tag optimiser written the slow, literal way: one whole-word scan
// per keyword, a number pass, one replacement per punctuation item, and the optimiser's
// recursion over rebuilt strings. It is the reference the fast single-pass code is held
// against, so keep it a word-for-word reading of the rules, not clever.

#include "scheme/colour_scheme.h"

#include <string>
#include <string_view>

namespace quillon::literal {

std::string lineStep(std::string_view line, const ColourSwitches& switches);
std::string OptimizeTag(const std::string& text);

} // namespace quillon::literal
