#include "window/frmain.h"

#include "base/version.h"
#include "controls/bar_color.h"
#include "controls/switch_button.h"
#include "controls/vb_color.h"
#include "desktop/qt/qt_text.h"
#include "lang/language_files.h"
#include "lang/qt/form_texts.h"
#include "lang/translate.h"
#include "window/batch_files_start.h"
#include "window/batch_pane.h"
#include "window/colors_pane.h"
#include "window/direct_pane.h"
#include "window/drop_targets.h"
#include "window/files_pane.h"
#include "window/language_menu.h"
#include "window/pane_anchors.h"
#include "window/pane_layout.h"
#include "window/project_site_start.h"
#include "window/twips.h"
#include "window/viewing_links.h"
#include "window/window_look.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <cmath>
#include <string>

namespace quillon::window {

namespace {

constexpr const char* PaneCaptions[PaneCount] = {"Files", "Colors", "Batch", "Direct"};

// Pane button positions, in twips.
struct TwipsRect {
    int left, top, width, height;
};
constexpr TwipsRect PaneButtonPlaces[PaneCount] = {
    {180, 60, 915, 375}, {1200, 60, 795, 375}, {2100, 60, 795, 375}, {3000, 60, 795, 375}};
constexpr TwipsRect PanePlace{120, 480, 8805, 5505};
// Right of the pane buttons, ending where the panes end.
constexpr TwipsRect VersionPlace{4200, 120, 4725, 255};
// Where PBC goes with the "Files" and "Batch" panes, in window coordinates.
constexpr TwipsRect FilesBarPlace{240, 5400, 8535, 435};
constexpr TwipsRect BatchBarPlace{5220, 5340, 3615, 255};
// The window's inner area: a margin of 120 around pane 0 and the row of pane buttons above.
constexpr int ClientWidth = 2 * PanePlace.left + PanePlace.width;
constexpr int ClientHeight = PanePlace.height + PanePlace.top + PanePlace.left;

void place(QWidget& widget, const TwipsRect& r) {
    placeInTwips(widget, r.left, r.top, r.width, r.height);
}

// Where the window's size is kept between runs, in twips so it survives a change of screen.
constexpr std::string_view WindowSection = "WINDOW";

int storedNumber(const lang::SettingsStore& settings, std::string_view key) {
    const std::string text = settings.get(lang::SettingsApplication, WindowSection, key, "");
    bool ok = false;
    const int value = QString::fromStdString(text).toInt(&ok);
    return ok ? value : 0;
}

} // namespace

FRMain::FRMain(WindowServices services, QWidget* parent) : QWidget(parent), services_(std::move(services)) {
    buildWindow();
}

FRMain::FRMain(const ServicesFactory& makeServices, QWidget* parent)
    : QWidget(parent), services_(makeServices(*this)) {
    buildWindow();
}

FRMain::~FRMain() {
    showWaitCursor(false);
}

void FRMain::buildWindow() {
    // The dialogs come back to the folders last used, run after run, and speak the language
    // the window shows at the moment they open.
    services_.fileDialogs.keepFoldersIn(services_.settings);
    services_.fileDialogs.takeFilterWordsFrom(&lang::dialogFilterWords);
    installDesignFonts();
    nameControl(*this, "FRMain");
    setWindowTitle(QString::fromLatin1(WindowCaption));
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    // Set before any control exists, so that every control takes it from the window.
    setFont(designFont());

    for (int i = 0; i < PaneCount; ++i) {
        auto* button = new SwitchButton(this);
        nameControl(*button, "SwitchButton", i);
        button->setStyle(1);
        button->setCaption(QString::fromLatin1(PaneCaptions[i]));
        place(*button, PaneButtonPlaces[i]);
        connect(button, &SwitchButton::Click, this, [this, i] { SwitchButton_Click(i); });
        switchButtons_[static_cast<std::size_t>(i)] = button;
    }

    // The caption names the edition; which build this is shows here, as quillon-cli --version
    // prints it. The label has no name, so no language file carries or changes it.
    auto* version = new QLabel(QStringLiteral("Quillon %1").arg(QString::fromLatin1(ProgramVersion)), this);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette versionPalette = version->palette();
    versionPalette.setColor(QPalette::WindowText, QColor(0x59, 0x59, 0x59));
    version->setPalette(versionPalette);
    place(*version, VersionPlace);
    version_ = version;

    buildPanes();
    installPaneKeys();

    // Created after the panes, so it lies in front of them.
    PBC_ = new BarColor(this);
    nameControl(*PBC_, "PBC");
    PBC_->setAutoCaption(false);
    PBC_->setStrExtend(QString());
    PBC_->setInteractive(false);
    PBC_->setValue(0);
    PBC_->setForeColor(vbRgb(255, 255, 0));
    PBC_->setCaption(QStringLiteral("Ready"));
    place(*PBC_, FilesBarPlace);
}

void FRMain::buildPanes() {
    colors_ = new ColorsPane(services_, this);
    files_ = new FilesPane(services_, *this, *colors_, this);
    filesStart_ = std::make_unique<FilesPaneStart>(*files_);
    batch_ = new BatchPane(services_.documentOpener, services_.errorReporter, *filesStart_, this);
    // Owned by the pane it puts its button on.
    new ProjectSiteStart(*batch_, services_.fileDialogs, services_.errorReporter,
                         [this] { return files_->currentJob(); });
    direct_ = new DirectPane(*this, *colors_, uiYield_, services_.clipboard, this);
    languageMenu_ = new LanguageMenu(*this, services_);
    connect(&files_->cmdTranslate(), &SwitchButton::Click, this,
            [this] { languageMenu_->popUpUnder(files_->cmdTranslate()); });

    frames_ = {files_, colors_, batch_, direct_};
    viewingLinks_ = new ViewingLinks(services_, *files_, frames_, this);
    new DropTargets(*this);
    for (int i = 0; i < PaneCount; ++i) {
        QFrame& frame = *frames_[static_cast<std::size_t>(i)];
        nameControl(frame, "FrameSTEP", i);
        frame.setFrameStyle(QFrame::Box | QFrame::Sunken);
    }
}

void FRMain::Form_Load() {
    trap(services_.errorReporter, "Form_Load", [&] {
        for (int i = PaneCount - 1; i >= 0; --i) {
            QFrame& frame = FrameSTEP(i);
            frame.raise();
            place(frame, PanePlace);
        }
        panesPlaced_ = true;
        PBC_->hide();
        PBC_->raise();
        place(*PBC_, FilesBarPlace);
        PBC_->show();

        files_->TXTsource().clear();
        files_->TXTtarget().clear();

        const double dpi = logicalDpiX();
        setMinimumSize(twipsToPixels(ClientWidth, dpi), twipsToPixels(ClientHeight, dpi));
        resize(minimumSize());
        centreOnScreen();
        show();

        colors_->AfficheConfigCouleur(false);
        // Taken as the design once everything stands where start-up puts it, before any
        // language file changes a caption.
        for (int i = 0; i < PaneCount; ++i) {
            auto* layout = new PaneLayout(FrameSTEP(i));
            anchorPaneControls(*layout, i);
            layouts_[static_cast<std::size_t>(i)] = layout;
        }
        // Before anything is painted, so the window appears at once at the size it had.
        restoreSize();

        const files::ProgramFolder& folder = services_.programFolder;
        files_->TXThead().setText(platform::toQString(folder.find("header.txt")));
        files_->TXTfoot().setText(platform::toQString(folder.find("footer.txt")));

        // English.lng always carries the built-in texts, whatever was edited in it, so a
        // translator can start from a complete file.
        lang::ExportFormTexts(*this, folder.writable(lang::DefaultLanguageFileName));
        QCoreApplication::processEvents();
        lang::TranslateForm(*this, lang::startupLanguageFile(services_.settings, services_.programFolder));
        languageMenu_->FillLanguageMenu();
        QCoreApplication::processEvents();

        selectPane(FilesPaneIndex);
    });
}

void FRMain::SwitchButton_Click(int index) {
    trap(services_.errorReporter, "SwitchButton_Click", [&] {
        SwitchButton& clicked = switchButton(index);
        if (clicked.position() != 0) {
            // The button of the pane shown has just come up: it cannot be released.
            clicked.setPosition(0);
            return;
        }
        for (SwitchButton* button : switchButtons_) {
            button->setPosition(1);
        }
        clicked.setPosition(0);
        for (QFrame* frame : frames_) {
            frame->hide();
        }
        FrameSTEP(index).show();
        shownPane_ = index;
        placeProgressBar(index);
    });
}

void FRMain::installPaneKeys() {
    const auto bind = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    for (int i = 0; i < PaneCount; ++i) {
        bind(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)), [this, i] { showPaneByKey(i); });
    }
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}) {
        bind(keys, [this] { stepPane(1); });
    }
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)}) {
        bind(keys, [this] { stepPane(-1); });
    }
}

void FRMain::showPaneByKey(int index) {
    // A pane button fenced off by a running conversion is as closed to the keys as to the mouse.
    if (index != shownPane_ && switchButton(index).isEnabled()) {
        selectPane(index);
    }
}

void FRMain::stepPane(int direction) {
    for (int step = 1; step < PaneCount; ++step) {
        const int index = ((shownPane_ + direction * step) % PaneCount + PaneCount) % PaneCount;
        if (switchButton(index).isEnabled()) {
            selectPane(index);
            return;
        }
    }
}

void FRMain::placeProgressBar(int pane) {
    PBC_->hide();
    const double dpi = logicalDpiX();
    const int extraWidth = std::max(0, width() - twipsToPixels(ClientWidth, dpi));
    const int extraHeight = std::max(0, height() - twipsToPixels(ClientHeight, dpi));
    // Follows the controls of its pane as they follow a larger window.
    auto placeBar = [&](const TwipsRect& design, double move, double grow, double down) {
        place(*PBC_, design);
        PBC_->setGeometry(PBC_->x() + static_cast<int>(extraWidth * move),
                          PBC_->y() + static_cast<int>(extraHeight * down),
                          PBC_->width() + static_cast<int>(extraWidth * grow), PBC_->height());
    };
    switch (pane) {
    case FilesPaneIndex:
        placeBar(FilesBarPlace, 0.0, 1.0, 1.0);
        PBC_->show();
        break;
    case BatchPaneIndex:
        placeBar(BatchBarPlace, 0.5, 0.5, 1.0);
        PBC_->show();
        break;
    case DirectPaneIndex: {
        // Shown by the direct conversion while it runs.
        const QRect place = direct_->progressBarPlace();
        PBC_->setGeometry(QRect(direct_->mapTo(this, place.topLeft()), place.size()));
        break;
    }
    default:
        break;
    }
}

void FRMain::selectPane(int index) {
    switchButton(index).setPosition(0);
    SwitchButton_Click(index);
}

void FRMain::StartWorking() {
    trap(services_.errorReporter, "StartWorking", [&] {
        showWaitCursor(true);
        fencePanes(0, PaneCount - 1, false);
    });
}

void FRMain::StopWorking(bool converted) {
    trap(services_.errorReporter, "StopWorking", [&] {
        PBC_->setCaption(converted ? platform::toQString(lang::GetMsg("msg2"))
                                   : QString::fromLatin1(ConversionFailedCaption));
        showWaitCursor(false);
        fencePanes(0, PaneCount - 1, true);
    });
}

void FRMain::beginDirectWork() {
    showWaitCursor(true);
    fencePanes(0, DirectPaneIndex - 1, false);
}

void FRMain::endDirectWork() {
    showWaitCursor(false);
    fencePanes(0, DirectPaneIndex - 1, true);
}

void FRMain::fencePanes(int first, int last, bool enabled) {
    for (int i = first; i <= last; ++i) {
        FrameSTEP(i).setEnabled(enabled);
        switchButton(i).setEnabled(enabled);
    }
}

void FRMain::showWaitCursor(bool on) {
    if (on == waitCursorShown_) {
        return;
    }
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    waitCursorShown_ = on;
}

void FRMain::restoreSize() {
    const double dpi = logicalDpiX();
    const QSize stored(twipsToPixels(storedNumber(services_.settings, "Width"), dpi),
                       twipsToPixels(storedNumber(services_.settings, "Height"), dpi));
    if (stored.width() > width() || stored.height() > height()) {
        resize(stored.expandedTo(minimumSize()));
        centreOnScreen();
    }
    if (storedNumber(services_.settings, "Maximized") != 0) {
        showMaximized();
    }
}

void FRMain::centreOnScreen() {
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void FRMain::storeSize() {
    // The size to come back to, not the screen's, when the window was maximised.
    const QSize size = isMaximized() ? normalGeometry().size() : this->size();
    const double twipsPerPixel = 1440.0 / logicalDpiX();
    auto store = [&](std::string_view key, int value) {
        services_.settings.set(lang::SettingsApplication, WindowSection, key, std::to_string(value));
    };
    store("Width", static_cast<int>(std::lround(size.width() * twipsPerPixel)));
    store("Height", static_cast<int>(std::lround(size.height() * twipsPerPixel)));
    store("Maximized", isMaximized() ? 1 : 0);
}

void FRMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeForSize();
}

void FRMain::placeForSize() {
    if (!panesPlaced_) {
        return;
    }
    const double dpi = logicalDpiX();
    const int extraWidth = std::max(0, width() - twipsToPixels(ClientWidth, dpi));
    const int extraHeight = std::max(0, height() - twipsToPixels(ClientHeight, dpi));
    for (int i = 0; i < PaneCount; ++i) {
        QFrame& frame = FrameSTEP(i);
        place(frame, PanePlace);
        frame.resize(frame.width() + extraWidth, frame.height() + extraHeight);
        // A hidden pane hears of its new size only when shown; its controls follow now.
        if (PaneLayout* layout = layouts_[static_cast<std::size_t>(i)]) {
            layout->apply();
        }
    }
    place(*version_, VersionPlace);
    version_->move(version_->x() + extraWidth, version_->y());
    const bool barShown = !PBC_->isHidden();
    placeProgressBar(shownPane_);
    PBC_->setVisible(barShown);
}

void FRMain::closeEvent(QCloseEvent* event) {
    storeSize();
    // A direct conversion still running would go on behind a closed window.
    if (direct_->converting()) {
        StopRequested_ = true;
    }
    event->accept();
}

} // namespace quillon::window
