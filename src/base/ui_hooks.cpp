#include "base/ui_hooks.h"

#include <cmath>

namespace quillon {

long long roundHalfEven(double x) {
    return static_cast<long long>(std::nearbyint(x));
}

} // namespace quillon
