#include "window/ui_yield.h"

#include "engine/ui_hooks.h"

#include <QCoreApplication>

namespace quillon::window {

UiYield::UiYield(std::chrono::milliseconds interval)
    : interval_(interval), last_(std::chrono::steady_clock::now()) {}

UiYield::~UiYield() {
    if (detail::yieldFunction == &UiYield::hook && detail::yieldContext == this) {
        setYieldHook(nullptr);
    }
}

void UiYield::install() {
    setYieldHook(&UiYield::hook, this);
}

void UiYield::hook(void* self) {
    static_cast<UiYield*>(self)->yield();
}

void UiYield::yield() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < interval_) {
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
    last_ = std::chrono::steady_clock::now();
}

} // namespace quillon::window
