#pragma once
// How the core talks to whatever front end drives it: a sink for progress, a hook to
// yield to the user interface from inside long loops and the reporter of trapped errors.
// The caller of a conversion owns and passes them, so conversions on several threads share
// no mutable state.

#include "base/vb_error.h"

#include <string>

namespace quillon {

// What a conversion reports its progress to: the progress bar's Value, Max and Caption.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual double value() const = 0;
    virtual void setValue(double value) = 0;
    virtual double max() const = 0;
    virtual void setMax(double max) = 0;
    virtual void setCaption(const std::string& caption) = 0;
};

// Remembers what it was told and shows it nowhere.
class SilentProgress : public ProgressSink {
public:
    double value() const override { return value_; }
    void setValue(double value) override { value_ = value; }
    double max() const override { return max_; }
    void setMax(double max) override { max_ = max; }
    void setCaption(const std::string& caption) override { caption_ = caption; }
    const std::string& caption() const { return caption_; }

private:
    double value_ = 0;
    double max_ = 100;
    std::string caption_;
};

// Where a long loop lets the interface breathe: the window processes pending events.
class YieldHook {
public:
    virtual ~YieldHook() = default;
    virtual void yield() = 0;
};

// What a conversion needs from whoever runs it.
struct ConversionContext {
    // A plain progress sink is a context that never yields and reports to standard error.
    ConversionContext(ProgressSink& progressSink, YieldHook* yieldHook = nullptr)
        : ConversionContext(progressSink, yieldHook, stderrErrorReporter()) {}
    ConversionContext(ProgressSink& progressSink, YieldHook* yieldHook, ErrorReporter& errorReporter)
        : progress(progressSink), yield(yieldHook), reporter(errorReporter) {}

    void yieldToUi() const {
        if (yield != nullptr) {
            yield->yield();
        }
    }

    ProgressSink& progress;
    YieldHook* yield;
    ErrorReporter& reporter;
};

// The string helpers' loops still call this; they yield to nothing.
inline void yieldToUi() {}

// Rounds to the nearest whole number, halves to the even neighbour, as the captions do.
long long roundHalfEven(double x);

} // namespace quillon
