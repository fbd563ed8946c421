#pragma once
// The program's window: four panes stacked on top of each other, one shown at a time, the
// row of pane buttons above them, and the progress bar PBC that moves from pane to pane.
// The window owns what is shared by the panes (the fences around a conversion, the pane
// switch, the stop request) and the core's yield hook and error reporter; each
// pane is a class of its own.

#include "base/vb_error.h"
#include "desktop/message_boxes.h"
#include "window/pane_host.h"
#include "window/ui_yield.h"
#include "window/window_services.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QFrame;
class QResizeEvent;

namespace quillon {
class BarColor;
class SwitchButton;
} // namespace quillon

namespace quillon::window {

class BatchPane;
class ColorsPane;
class FilesPaneStart;
class DirectPane;
class FilesPane;
class LanguageMenu;
class PaneLayout;
class ViewingLinks;

// The window's caption, and what the bar says after a page could not be written.
inline constexpr char WindowCaption[] = "Quillon 2.0 Free";
inline constexpr char ConversionFailedCaption[] = "Conversion failed !";

class FRMain : public QWidget, public PaneHost {
    Q_OBJECT

public:
    explicit FRMain(WindowServices services, QWidget* parent = nullptr);
    // For services that want the window as the parent of their dialogs: `makeServices` is
    // called with the window before any pane is built.
    using ServicesFactory = std::function<WindowServices(QWidget& window)>;
    explicit FRMain(const ServicesFactory& makeServices, QWidget* parent = nullptr);
    ~FRMain() override;
    FRMain(const FRMain&) = delete;
    FRMain& operator=(const FRMain&) = delete;

    // Start-up: lays the panes out, sizes and shows the window, presets the boxes and
    // selects the "Files" pane.
    void Form_Load();

    // The pane buttons' click: shows pane `index` when its button has just gone down; a
    // click on the button of the pane already shown leaves it down.
    void SwitchButton_Click(int index);

    // PaneHost
    void StartWorking() override;
    void StopWorking(bool converted) override;
    void beginDirectWork() override;
    void endDirectWork() override;
    BarColor& progressBar() override { return *PBC_; }
    void selectPane(int index) override;
    int shownPane() const override { return shownPane_; }
    bool stopRequested() const override { return StopRequested_; }
    void setStopRequested(bool requested) override { StopRequested_ = requested; }

    const WindowServices& services() const { return services_; }
    FilesPane& files() { return *files_; }
    ColorsPane& colors() { return *colors_; }
    BatchPane& batch() { return *batch_; }
    ViewingLinks& viewingLinks() { return *viewingLinks_; }
    DirectPane& direct() { return *direct_; }
    LanguageMenu& languageMenu() { return *languageMenu_; }
    QFrame& FrameSTEP(int index) { return *frames_.at(static_cast<std::size_t>(index)); }
    SwitchButton& switchButton(int index) { return *switchButtons_.at(static_cast<std::size_t>(index)); }
    UiYield& uiYield() override { return uiYield_; }
    ErrorReporter& errorReporter() override { return services_.errorReporter; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildWindow();
    void buildPanes();
    void placeProgressBar(int pane);
    // Puts the panes, the bar and the version where the window's size asks.
    void placeForSize();
    // The window's size from the last run, or the design size.
    void restoreSize();
    void centreOnScreen();
    void storeSize();
    // Ctrl+1..4 show a pane; Ctrl+Tab and Ctrl+PgDn go to the next, with Shift or PgUp back.
    void installPaneKeys();
    void showPaneByKey(int index);
    void stepPane(int direction);
    // Disables or enables the panes and pane buttons from `first` to `last`.
    void fencePanes(int first, int last, bool enabled);
    void showWaitCursor(bool on);

    WindowServices services_;
    UiYield uiYield_;

    std::array<SwitchButton*, PaneCount> switchButtons_{};
    std::array<QFrame*, PaneCount> frames_{};
    FilesPane* files_ = nullptr;
    ColorsPane* colors_ = nullptr;
    DirectPane* direct_ = nullptr;
    LanguageMenu* languageMenu_ = nullptr;
    std::unique_ptr<FilesPaneStart> filesStart_;
    BatchPane* batch_ = nullptr;
    ViewingLinks* viewingLinks_ = nullptr;
    BarColor* PBC_ = nullptr;
    QWidget* version_ = nullptr;
    std::array<PaneLayout*, PaneCount> layouts_{};
    bool panesPlaced_ = false;

    int shownPane_ = -1;
    bool StopRequested_ = false;
    bool waitCursorShown_ = false;
};

} // namespace quillon::window
