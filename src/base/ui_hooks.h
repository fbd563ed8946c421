#pragma once
// How the core talks to whatever front end drives it: a hook to yield to the user
// interface from inside long loops, and a sink for progress. Both do nothing until a
// front end installs its own, so the command line pays nothing for them.

#include <string>

namespace quillon {

using YieldFunction = void (*)(void* context);

// Installs the function the core calls where a long loop lets the interface breathe.
// The window installs a throttled one; passing nullptr removes it. Not thread-safe: the
// hook is installed once, before any conversion starts.
void setYieldHook(YieldFunction function, void* context = nullptr);

namespace detail {
extern YieldFunction yieldFunction;
extern void* yieldContext;
} // namespace detail

inline void yieldToUi() {
    if (detail::yieldFunction != nullptr) {
        detail::yieldFunction(detail::yieldContext);
    }
}

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

// Rounds to the nearest whole number, halves to the even neighbour, as the captions do.
long long roundHalfEven(double x);

} // namespace quillon
