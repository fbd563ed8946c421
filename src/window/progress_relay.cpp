#include "window/progress_relay.h"

#include "controls/bar_color.h"

namespace quillon::window {

ProgressRelay::ProgressRelay(BarColor& bar) : bar_(bar), value_(bar.value()), max_(bar.max()) {}

ProgressRelay::~ProgressRelay() {
    flush();
}

void ProgressRelay::setValue(double value) {
    value_ = value;
    valuePending_ = true;
}

void ProgressRelay::setMax(double max) {
    max_ = max;
    maxPending_ = true;
}

void ProgressRelay::setCaption(const std::string& caption) {
    caption_ = caption;
    captionPending_ = true;
}

void ProgressRelay::flush() {
    // The bar is drawn from its maximum and value; the caption is laid over it.
    if (maxPending_) {
        maxPending_ = false;
        bar_.setMax(max_);
    }
    if (valuePending_) {
        valuePending_ = false;
        bar_.setValue(value_);
    }
    if (captionPending_) {
        captionPending_ = false;
        bar_.setCaption(caption_);
    }
}

} // namespace quillon::window
