#pragma once
// The "Files" pane: one source file becomes one page, with a header and a footer file.
// The four boxes are the inputs of "Start", read afresh at every start; the batch run fills
// the source and target boxes itself and goes through the same start.

#include "engine/page_writer.h"
#include "window/window_services.h"

#include <QFrame>

#include <optional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quillon {
class SwitchButton;
} // namespace quillon

namespace quillon::window {

class ColorsPane;
class PaneHost;

// What the two link labels show and open.
inline constexpr char HomePageAddress[] = "https://quillon.example.org/";
inline constexpr char ContactAddress[] = "quillon@example.org";

class FilesPane : public QFrame {
    Q_OBJECT

public:
    FilesPane(WindowServices& services, PaneHost& host, ColorsPane& colors, QWidget* parent);

    // The choosing buttons.
    void BTchoseSource_Click();
    void BTchooseTarget_Click();
    void BTopenHead_Click();
    void BTfoot_Click();

    // True when the inputs allow a conversion; otherwise shows why, moves the focus to the
    // box at fault (when this pane is shown) and returns false.
    bool OnPeutYaller();

    // Validates, then converts with the window fenced. True when the page was written.
    bool BTgo_Click();

    // The line count of the most recent page conversion; kept when a start is refused.
    long LineCount() const { return LineCount_; }
    // Why the last start's page writer failed; nothing when it did not run or did not fail.
    const std::optional<VbError>& lastError() const { return lastError_; }

    // The page job the boxes and the Colors pane describe now.
    PageJob currentJob() const;
    // The full path of the style sheet to link to, when pages link to one.
    std::optional<std::string> linkedStyleSheetPath() const;

    QLineEdit& TXTsource() { return *TXTsource_; }
    QLineEdit& TXTtarget() { return *TXTtarget_; }
    QLineEdit& TXThead() { return *TXThead_; }
    QLineEdit& TXTfoot() { return *TXTfoot_; }
    QPushButton& BTgo() { return *BTgo_; }
    // The viewing buttons and the two links, whose handlers open what they name.
    QToolButton& BTviewVB() { return *BTviewVB_; }
    QToolButton& BTviewHTML() { return *BTviewHTML_; }
    QToolButton& BTviewHead() { return *BTviewHead_; }
    QToolButton& BTviewFoot() { return *BTviewFoot_; }
    QLabel& LBLurl() { return *LBLurl_; }
    QLabel& Label5() { return *Label5_; }
    // The language button: its Click pops up the language menu.
    SwitchButton& cmdTranslate() { return *cmdTranslate_; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void focusBox(QLineEdit& box);
    // A link's text may be longer than its designed rectangle (a translated address): the
    // label then grows to its text, around the same centre.
    void fitLinks();

    WindowServices& services_;
    PaneHost& host_;
    ColorsPane& colors_;
    long LineCount_ = 0;
    std::optional<VbError> lastError_;

    QLineEdit* TXTsource_ = nullptr;
    QLineEdit* TXTtarget_ = nullptr;
    QGroupBox* Frame1_ = nullptr;
    QLineEdit* TXThead_ = nullptr;
    QLineEdit* TXTfoot_ = nullptr;
    QToolButton* BTchoseSource_ = nullptr;
    QToolButton* BTviewVB_ = nullptr;
    QToolButton* BTchooseTarget_ = nullptr;
    QToolButton* BTviewHTML_ = nullptr;
    QToolButton* BTopenHead_ = nullptr;
    QToolButton* BTviewHead_ = nullptr;
    QToolButton* BTfoot_ = nullptr;
    QToolButton* BTviewFoot_ = nullptr;
    QLabel* LBLurl_ = nullptr;
    QLabel* Label5_ = nullptr;
    SwitchButton* cmdTranslate_ = nullptr;
    QPushButton* BTgo_ = nullptr;
};

} // namespace quillon::window
