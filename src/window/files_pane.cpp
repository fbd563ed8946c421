#include "window/files_pane.h"

#include "base/vb_error.h"
#include "controls/bar_color.h"
#include "controls/switch_button.h"
#include "desktop/qt/qt_text.h"
#include "io/file_system.h"
#include "lang/translate.h"
#include "window/colors_pane.h"
#include "window/pane_host.h"
#include "window/progress_relay.h"
#include "window/twips.h"
#include "window/ui_yield.h"
#include "window/window_look.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <QEvent>

#include <algorithm>
#include <cstdint>

namespace quillon::window {

using platform::toQString;
using platform::toStdString;

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    nameControl(*label, name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// Designed rectangles of the two links, in twips.
constexpr int UrlPlace[] = {3540, 3600, 1755, 255};
constexpr int ContactPlace[] = {3600, 4260, 1515, 255};

// The pane's designed width: a wider pane keeps the links centred under their captions.
constexpr int DesignedPaneWidth = 8805;

void fitAround(QLabel& link, const int (&place)[4]) {
    placeInTwips(link, place[0], place[1], place[2], place[3]);
    if (const QWidget* pane = link.parentWidget()) {
        const int extra = pane->width() - twipsToPixels(DesignedPaneWidth, link.logicalDpiX());
        link.move(link.x() + (std::max(0, extra) + 1) / 2, link.y());
    }
    const int wanted = link.sizeHint().width();
    if (wanted <= link.width()) {
        return;
    }
    const int width =
        link.parentWidget() != nullptr ? std::min(wanted, link.parentWidget()->width()) : wanted;
    QRect grown = link.geometry();
    grown.setLeft(grown.center().x() - width / 2);
    grown.setWidth(width);
    link.setGeometry(grown);
}

QLineEdit* makePathBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    nameControl(*box, name);
    return box;
}

} // namespace

FilesPane::FilesPane(WindowServices& services, PaneHost& host, ColorsPane& colors, QWidget* parent)
    : QFrame(parent), services_(services), host_(host), colors_(colors) {
    buildControls();
    connect(BTchoseSource_, &QToolButton::clicked, this, [this] { BTchoseSource_Click(); });
    connect(BTchooseTarget_, &QToolButton::clicked, this, [this] { BTchooseTarget_Click(); });
    connect(BTopenHead_, &QToolButton::clicked, this, [this] { BTopenHead_Click(); });
    connect(BTfoot_, &QToolButton::clicked, this, [this] { BTfoot_Click(); });
    connect(BTgo_, &QPushButton::clicked, this, [this] { BTgo_Click(); });
    // Enter in any box of the pane means "Start", as the pane's only action.
    for (QLineEdit* box : {TXTsource_, TXTtarget_, TXThead_, TXTfoot_}) {
        connect(box, &QLineEdit::returnPressed, this, [this] {
            if (BTgo_->isEnabled() && BTgo_->isVisible()) {
                BTgo_->click();
            }
        });
    }
}

void FilesPane::buildControls() {
    placeInTwips(*makeLabel(this, "Label1", "Visual Basic Source File :"), 60, 240, 1905, 195);
    TXTsource_ = makePathBox(this, "TXTsource");
    placeInTwips(*TXTsource_, 1980, 180, 5775, 315);
    BTchoseSource_ = makePictureButton(this, "BTchoseSource", QStringLiteral("open"), QStringLiteral("Open"));
    placeInTwips(*BTchoseSource_, 7860, 180, 375, 315);
    BTviewVB_ = makePictureButton(this, "BTviewVB", QStringLiteral("view-source"),
                                  QStringLiteral("View (with VB editor)"));
    placeInTwips(*BTviewVB_, 8280, 180, 375, 315);

    placeInTwips(*makeLabel(this, "Label2", "HTML Target File :"), 60, 660, 1875, 195);
    TXTtarget_ = makePathBox(this, "TXTtarget");
    placeInTwips(*TXTtarget_, 1980, 600, 5775, 315);
    BTchooseTarget_ =
        makePictureButton(this, "BTchooseTarget", QStringLiteral("save"), QStringLiteral("Save as ..."));
    placeInTwips(*BTchooseTarget_, 7860, 600, 375, 315);
    BTviewHTML_ = makePictureButton(this, "BTviewHTML", QStringLiteral("view-page"),
                                    QStringLiteral("View (with Browser)"));
    placeInTwips(*BTviewHTML_, 8280, 600, 375, 315);

    Frame1_ = new QGroupBox(QStringLiteral("Advanced options"), this);
    nameControl(*Frame1_, "Frame1");
    placeInTwips(*Frame1_, 180, 1560, 8475, 1215);
    placeInTwips(*makeLabel(Frame1_, "Label8", "Header text file :"), 60, 360, 1335, 195);
    TXThead_ = makePathBox(Frame1_, "TXThead");
    placeInTwips(*TXThead_, 1440, 300, 5955, 315);
    BTopenHead_ = makePictureButton(Frame1_, "BTopenHead", QStringLiteral("open"), QStringLiteral("Open"));
    placeInTwips(*BTopenHead_, 7500, 300, 375, 315);
    BTviewHead_ = makePictureButton(Frame1_, "BTviewHead", QStringLiteral("view-text"),
                                    QStringLiteral("View (with NotePad)"));
    placeInTwips(*BTviewHead_, 7920, 300, 375, 315);
    placeInTwips(*makeLabel(Frame1_, "Label9", "End text file :"), 60, 780, 1335, 195);
    TXTfoot_ = makePathBox(Frame1_, "TXTfoot");
    placeInTwips(*TXTfoot_, 1440, 720, 5955, 315);
    BTfoot_ = makePictureButton(Frame1_, "BTfoot", QStringLiteral("open"), QStringLiteral("Open"));
    placeInTwips(*BTfoot_, 7500, 720, 375, 315);
    BTviewFoot_ = makePictureButton(Frame1_, "BTviewFoot", QStringLiteral("view-text"),
                                    QStringLiteral("View (with NotePad)"));
    placeInTwips(*BTviewFoot_, 7920, 720, 375, 315);

    QLabel* homePage = makeLabel(this, "Label4", "Home page");
    homePage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeInTwips(*homePage, 60, 3300, 8670, 195);
    LBLurl_ = makeLinkLabel(this, "LBLurl", QString::fromLatin1(HomePageAddress));
    QLabel* comments = makeLabel(this, "Label6", "Send comments at :");
    comments->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    placeInTwips(*comments, 120, 3960, 8490, 195);
    Label5_ = makeLinkLabel(this, "Label5", QString::fromLatin1(ContactAddress));
    fitLinks();

    cmdTranslate_ = new SwitchButton(this);
    nameControl(*cmdTranslate_, "cmdTranslate");
    cmdTranslate_->setStyle(0);
    cmdTranslate_->setCaption(QStringLiteral("Translate"));
    placeInTwips(*cmdTranslate_, 180, 4320, 1755, 495);

    BTgo_ = new QPushButton(QStringLiteral("Start"), this);
    nameControl(*BTgo_, "BTgo");
    BTgo_->setToolTip(QStringLiteral("Build HTML"));
    placeInTwips(*BTgo_, 6900, 4320, 1755, 495);

    setTabOrder(TXTsource_, BTchoseSource_);
    setTabOrder(BTchoseSource_, BTviewVB_);
    setTabOrder(BTviewVB_, TXTtarget_);
    setTabOrder(TXTtarget_, BTchooseTarget_);
    setTabOrder(BTchooseTarget_, BTviewHTML_);
    setTabOrder(BTviewHTML_, TXThead_);
    setTabOrder(TXThead_, BTopenHead_);
    setTabOrder(BTopenHead_, BTviewHead_);
    setTabOrder(BTviewHead_, TXTfoot_);
    setTabOrder(TXTfoot_, BTfoot_);
    setTabOrder(BTfoot_, BTviewFoot_);
    setTabOrder(BTviewFoot_, LBLurl_);
    setTabOrder(LBLurl_, Label5_);
    setTabOrder(Label5_, cmdTranslate_);
    setTabOrder(cmdTranslate_, BTgo_);
}

void FilesPane::fitLinks() {
    fitAround(*LBLurl_, UrlPlace);
    fitAround(*Label5_, ContactPlace);
}

bool FilesPane::event(QEvent* event) {
    // A label whose text changed asks its parent for a new layout.
    if (event->type() == QEvent::LayoutRequest) {
        fitLinks();
    }
    return QFrame::event(event);
}

void FilesPane::showEvent(QShowEvent* event) {
    fitLinks();
    QFrame::showEvent(event);
}

void FilesPane::BTchoseSource_Click() {
    trap(services_.errorReporter, "BTchoseSource_Click", [&] {
        std::string title;
        std::int32_t error = 0;
        const std::string path = services_.fileDialogs.OuvrirFichier(
            platform::FileKind::Source, title, lang::dialogText(lang::dialogtext::SourceTitle), error);
        // A cancel empties the box and proposes ".html", which the validation refuses.
        setSource(toQString(path));
    });
}

void FilesPane::setSource(const QString& path) {
    TXTsource_->setText(path);
    TXTtarget_->setText(path + QStringLiteral(".html"));
}

void FilesPane::BTchooseTarget_Click() {
    trap(services_.errorReporter, "BTchooseTarget_Click", [&] {
        std::string title;
        std::int32_t error = 0;
        const std::string path = services_.fileDialogs.EnregistrerFichier(
            platform::FileKind::Page, title, lang::dialogText(lang::dialogtext::TargetTitle), error);
        TXTtarget_->setText(toQString(path));
    });
}

void FilesPane::BTopenHead_Click() {
    trap(services_.errorReporter, "BTopenHead_Click", [&] {
        std::string title;
        std::int32_t error = 0;
        const std::string path =
            services_.fileDialogs.OuvrirFichier(platform::FileKind::Text, title, lang::GetMsg("msg9"), error);
        if (!path.empty()) {
            TXThead_->setText(toQString(path));
        }
    });
}

void FilesPane::BTfoot_Click() {
    trap(services_.errorReporter, "BTfoot_Click", [&] {
        std::string title;
        std::int32_t error = 0;
        const std::string path =
            services_.fileDialogs.OuvrirFichier(platform::FileKind::Text, title, lang::GetMsg("msg1"), error);
        if (!path.empty()) {
            TXTfoot_->setText(toQString(path));
        }
    });
}

PageJob FilesPane::currentJob() const {
    PageJob job;
    job.source = toStdString(TXTsource_->text());
    job.target = toStdString(TXTtarget_->text());
    job.header = toStdString(TXThead_->text());
    job.footer = toStdString(TXTfoot_->text());
    job.optimize = colors_.optimize();
    job.scheme = colors_.scheme();
    job.darkScheme = colors_.darkScheme();
    if (const std::optional<std::string> sheet = linkedStyleSheetPath()) {
        job.linkedStyleSheet = files::linkFromPage(*sheet, job.target).href;
        job.otherInputs.push_back(*sheet);
    }
    return job;
}

std::optional<std::string> FilesPane::linkedStyleSheetPath() const {
    if (!colors_.useExternalCss()) {
        return std::nullopt;
    }
    return toStdString(colors_.cssPath());
}

void FilesPane::focusBox(QLineEdit& box) {
    // During a batch run this pane is hidden and the focus stays where it is.
    if (box.isVisible() && box.isEnabled()) {
        box.setFocus(Qt::OtherFocusReason);
    }
}

bool FilesPane::OnPeutYaller() {
    return trap(services_.errorReporter, "OnPeutYaller", [&] {
        const std::optional<Refusal> refusal = refusalOf(currentJob(), linkedStyleSheetPath());
        if (!refusal) {
            return true;
        }
        services_.messageBoxes.showRefusal(lang::GetMsg(lang::messageKeyOf(*refusal)));
        switch (*refusal) {
        case Refusal::SourceMissing:
            focusBox(*TXTsource_);
            break;
        case Refusal::TargetNotHtm:
            focusBox(*TXTtarget_);
            break;
        case Refusal::LinkedSheetMissing:
            host_.selectPane(ColorsPaneIndex);
            QCoreApplication::processEvents();
            break;
        case Refusal::HeaderMissing:
            focusBox(*TXThead_);
            break;
        case Refusal::FooterMissing:
            focusBox(*TXTfoot_);
            break;
        }
        return false;
    });
}

bool FilesPane::BTgo_Click() {
    lastError_.reset();
    if (!OnPeutYaller()) {
        return false;
    }
    const PageJob job = currentJob();
    const std::optional<std::string> sheet = linkedStyleSheetPath();
    if (sheet && !files::linkFromPage(*sheet, job.target).found) {
        services_.messageBoxes.MsgBox(job.target + ": warning: the linked style sheet " + *sheet +
                                          " is not where the page looks for it",
                                      platform::MessageIcon::Exclamation);
    }
    host_.StartWorking();
    PageOutcome outcome;
    {
        ProgressRelay progress(host_.progressBar());
        const BeforeYieldScope showProgress(host_.uiYield(), [&progress] { progress.flush(); });
        outcome = Cparti(job, {progress, &host_.uiYield(), services_.errorReporter});
    }
    LineCount_ = outcome.LineCount;
    lastError_ = outcome.error;
    host_.StopWorking(outcome.converted);
    return outcome.converted;
}

} // namespace quillon::window
