#include "base/ui_hooks.h"

namespace quillon {

// Worked out here rather than with nearbyint, so that the command line needs no maths
// library: one library fewer for the loader to map at every start.
long long roundHalfEven(double x) {
    // From 2^52 up every double is a whole number already.
    if (!(x < 4503599627370496.0 && x > -4503599627370496.0)) {
        return static_cast<long long>(x);
    }
    const auto whole = static_cast<long long>(x);           // toward zero
    const double fraction = x - static_cast<double>(whole); // exact below 2^52
    const bool odd = (whole & 1) != 0;
    if (fraction > 0.5 || (fraction == 0.5 && odd)) {
        return whole + 1;
    }
    if (fraction < -0.5 || (fraction == -0.5 && odd)) {
        return whole - 1;
    }
    return whole;
}

} // namespace quillon
