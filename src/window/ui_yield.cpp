#include "window/ui_yield.h"

#include "base/ui_hooks.h"

#include <QCoreApplication>

#include <ctime>

namespace quillon::window {

namespace {

// Asked once per line of a conversion: the precise clock would cost a few percent of the
// conversion, a coarse one (a few milliseconds of resolution, read without leaving the
// process's memory) next to nothing, and is still far finer than the interval.
std::chrono::steady_clock::time_point coarseNow() {
#ifdef CLOCK_MONOTONIC_COARSE
    timespec now{};
    if (::clock_gettime(CLOCK_MONOTONIC_COARSE, &now) == 0) {
        return std::chrono::steady_clock::time_point(std::chrono::seconds(now.tv_sec) +
                                                     std::chrono::nanoseconds(now.tv_nsec));
    }
#endif
    return std::chrono::steady_clock::now();
}

} // namespace

UiYield::UiYield(std::chrono::milliseconds interval) : interval_(interval), last_(coarseNow()) {}

void UiYield::yield() {
    if (coarseNow() - last_ < interval_) {
        return;
    }
    yieldNow();
}

void UiYield::yieldNow() {
    // An event handled here may itself run engine code that yields; one level of event
    // processing is enough, and deeper ones would only reorder events.
    if (inside_) {
        return;
    }
    inside_ = true;
    struct Leave {
        bool& inside;
        ~Leave() { inside = false; }
    } leave{inside_};
    if (beforeYield_) {
        beforeYield_();
    }
    QCoreApplication::processEvents();
    ++served_;
    last_ = coarseNow();
}

} // namespace quillon::window
