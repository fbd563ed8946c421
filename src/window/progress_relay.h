#pragma once
// A conversion reports progress every tenth line, or every line; drawing the bar that
// often costs a good part of the conversion's own time, and only what the bar shows when the
// window repaints is ever seen. The relay keeps what the conversion reports and hands the
// latest of it to the bar when the window is about to process events, and at the end.

#include "base/ui_hooks.h"

#include <string>

namespace quillon {
class BarColor;
} // namespace quillon

namespace quillon::window {

class ProgressRelay final : public ProgressSink {
public:
    // Starts from what the bar shows now.
    explicit ProgressRelay(BarColor& bar);
    // Hands over what is still pending.
    ~ProgressRelay() override;
    ProgressRelay(const ProgressRelay&) = delete;
    ProgressRelay& operator=(const ProgressRelay&) = delete;

    double value() const override { return value_; }
    void setValue(double value) override;
    double max() const override { return max_; }
    void setMax(double max) override;
    void setCaption(const std::string& caption) override;

    // Puts the latest maximum, value and caption on the bar, if they changed.
    void flush();

private:
    BarColor& bar_;
    double value_;
    double max_;
    std::string caption_;
    bool valuePending_ = false;
    bool maxPending_ = false;
    bool captionPending_ = false;
};

} // namespace quillon::window
