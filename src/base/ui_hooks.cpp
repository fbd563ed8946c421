#include "base/ui_hooks.h"

#include <cmath>

namespace quillon {

namespace detail {
YieldFunction yieldFunction = nullptr;
void* yieldContext = nullptr;
} // namespace detail

void setYieldHook(YieldFunction function, void* context) {
    detail::yieldFunction = function;
    detail::yieldContext = context;
}

long long roundHalfEven(double x) {
    return static_cast<long long>(std::nearbyint(x));
}

} // namespace quillon
