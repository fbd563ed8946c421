#pragma once
// The core's yield hook for the window. The engine calls it from inside its loops (every
// line or every tenth line); processing events that often would cost more than the
// conversion itself, so pending events are processed at most once per interval: enough for
// the window to repaint and for the stop button to be clicked, too seldom to slow the work.

#include "base/ui_hooks.h"

#include <chrono>
#include <functional>

namespace quillon::window {

class UiYield final : public YieldHook {
public:
    explicit UiYield(std::chrono::milliseconds interval = std::chrono::milliseconds(20));
    UiYield(const UiYield&) = delete;
    UiYield& operator=(const UiYield&) = delete;

    // The least time between two rounds of events.
    void setInterval(std::chrono::steady_clock::duration interval) { interval_ = interval; }

    // Runs right before pending events are processed: a conversion that keeps its results
    // to itself between yields shows them here, so what is painted is current.
    void setBeforeYield(std::function<void()> beforeYield) { beforeYield_ = std::move(beforeYield); }

    // What the core calls: processes events when the interval has passed since the last time.
    void yield() override;
    // Processes pending events now.
    void yieldNow();

    // How many times events were processed through this object.
    long long yieldsServed() const { return served_; }

private:
    std::chrono::steady_clock::duration interval_;
    std::chrono::steady_clock::time_point last_;
    std::function<void()> beforeYield_;
    bool inside_ = false;
    long long served_ = 0;
};

// Runs `beforeYield` before every yield for as long as it lives.
class BeforeYieldScope {
public:
    BeforeYieldScope(UiYield& uiYield, std::function<void()> beforeYield) : uiYield_(uiYield) {
        uiYield_.setBeforeYield(std::move(beforeYield));
    }
    ~BeforeYieldScope() { uiYield_.setBeforeYield({}); }
    BeforeYieldScope(const BeforeYieldScope&) = delete;
    BeforeYieldScope& operator=(const BeforeYieldScope&) = delete;

private:
    UiYield& uiYield_;
};

} // namespace quillon::window
