#pragma once
// What a pane asks of the window it sits in: the fences around a conversion, the shared
// progress bar, pane selection and the stop request. The panes see the window only through
// this, so each stays one file of its own.

namespace quillon {
class BarColor;
class ErrorReporter;
} // namespace quillon

namespace quillon::window {

class UiYield;

class PaneHost {
public:
    virtual ~PaneHost() = default;

    // The fences of a page conversion: everything but the progress bar is disabled and the
    // pointer is the hourglass until StopWorking. `converted` false makes the bar say that
    // the page was not written instead of "Work completed !".
    virtual void StartWorking() = 0;
    virtual void StopWorking(bool converted) = 0;

    // The fence of the direct conversion: the other three panes and their buttons are
    // disabled, the Direct pane stays usable so its stop button can be clicked.
    virtual void beginDirectWork() = 0;
    virtual void endDirectWork() = 0;

    // The window's progress bar, PBC.
    virtual BarColor& progressBar() = 0;
    // The core's yield hook, through which a conversion lets the window repaint.
    virtual UiYield& uiYield() = 0;
    // Where the panes' trapped errors go: the window's standard error box.
    virtual ErrorReporter& errorReporter() = 0;

    // Brings pane `index` to the front as if its button had been clicked.
    virtual void selectPane(int index) = 0;
    virtual int shownPane() const = 0;

    virtual bool stopRequested() const = 0;
    virtual void setStopRequested(bool requested) = 0;
};

// Pane indices, the order of the pane buttons.
inline constexpr int FilesPaneIndex = 0;
inline constexpr int ColorsPaneIndex = 1;
inline constexpr int BatchPaneIndex = 2;
inline constexpr int DirectPaneIndex = 3;
inline constexpr int PaneCount = 4;

} // namespace quillon::window
