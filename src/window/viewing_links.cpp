#include "window/viewing_links.h"

#include "base/vb_error.h"
#include "desktop/document_opener.h"
#include "desktop/qt/qt_text.h"
#include "lang/translate.h"
#include "window/files_pane.h"
#include "window/window_look.h"

#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>

namespace quillon::window {

LinkTargets linkTargets(const files::ProgramFolder& programFolder) {
    const std::string file = programFolder.find("links.ini");
    auto read = [&](std::string_view key, std::string_view fallback) {
        return platform::toQString(lang::ReadIniString(file, "Links", key, fallback));
    };
    LinkTargets targets;
    targets.homePage = read("HomePage", HomePageAddress);
    targets.contact = read("Contact", ContactAddress);
    targets.mailto = QStringLiteral("mailto:") + targets.contact;
    const QString second = read("Contact2", "");
    if (!second.isEmpty()) {
        targets.mailto += QLatin1Char(';') + second;
    }
    return targets;
}

void setLinkColour(QLabel& link, const QColor& colour) {
    if (linkColour(link) == colour) {
        return;
    }
    QPalette palette = link.palette();
    palette.setColor(QPalette::WindowText, colour);
    link.setPalette(palette);
}

void markFocus(QLabel& link, bool focused) {
    // A label draws no focus ring of its own: a pale band behind the text shows where the
    // keyboard is, and the link keeps its colours on it.
    QPalette palette = link.palette();
    palette.setColor(QPalette::Window, LinkFocusBackground);
    link.setPalette(palette);
    link.setAutoFillBackground(focused);
}

QColor linkColour(const QLabel& link) {
    return link.palette().color(QPalette::WindowText);
}

ViewingLinks::ViewingLinks(WindowServices& services, FilesPane& files, const std::array<QFrame*, 4>& panes,
                           QObject* parent)
    : QObject(parent), services_(services), files_(files), targets_(linkTargets(services.programFolder)) {
    files_.LBLurl().setText(targets_.homePage);
    files_.Label5().setText(targets_.contact);
    connect(&files_.BTviewVB(), &QToolButton::clicked, this, [this] { BTviewVB_Click(); });
    connect(&files_.BTviewHTML(), &QToolButton::clicked, this, [this] { BTviewHTML_Click(); });
    connect(&files_.BTviewHead(), &QToolButton::clicked, this, [this] { BTviewHead_Click(); });
    connect(&files_.BTviewFoot(), &QToolButton::clicked, this, [this] { BTviewFoot_Click(); });
    for (QWidget* watched :
         {static_cast<QWidget*>(&files_.LBLurl()), static_cast<QWidget*>(&files_.Label5())}) {
        watched->setMouseTracking(true);
        watched->setFocusPolicy(Qt::StrongFocus);
        watched->installEventFilter(this);
    }
    for (QFrame* pane : panes) {
        pane->setMouseTracking(true);
        pane->installEventFilter(this);
    }
}

void ViewingLinks::open(const char* procedure, const QString& target, const QString& parameters) {
    trap(services_.errorReporter, procedure, [&] {
        // The box's text goes as it is: the opener reports a missing file itself.
        services_.documentOpener.OpenDocument(platform::toStdString(target), platform::ShowDefault,
                                              platform::toStdString(parameters), "", "open", 0);
    });
}

void ViewingLinks::BTviewVB_Click() {
    open("BTviewVB_Click", files_.TXTsource().text(), {});
}
void ViewingLinks::BTviewHTML_Click() {
    open("BTviewHTML_Click", files_.TXTtarget().text(), {});
}
void ViewingLinks::BTviewHead_Click() {
    open("BTviewHead_Click", QStringLiteral("notepad"), files_.TXThead().text());
}
void ViewingLinks::BTviewFoot_Click() {
    open("BTviewFoot_Click", QStringLiteral("notepad"), files_.TXTfoot().text());
}

void ViewingLinks::LBLurl_Click() {
    // The caption is what opens, so a language file may point the link elsewhere.
    open("LBLurl_Click", files_.LBLurl().text(), {});
    setLinkColour(files_.LBLurl(), LinkColour);
}

void ViewingLinks::Label5_Click() {
    open("Label5_Click", targets_.mailto, {});
}

bool ViewingLinks::eventFilter(QObject* watched, QEvent* event) {
    QLabel& home = files_.LBLurl();
    QLabel& contact = files_.Label5();
    if (event->type() == QEvent::MouseMove) {
        if (watched == &home || watched == &contact) {
            setLinkColour(*static_cast<QLabel*>(watched), LinkHoverColour);
            return true; // the pane under the link must not see this move as its own
        }
        // Only the pane's own surface: a move over a child control reaches the child.
        setLinkColour(home, LinkColour);
        setLinkColour(contact, LinkColour);
    } else if ((event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) &&
               (watched == &home || watched == &contact)) {
        markFocus(*static_cast<QLabel*>(watched), event->type() == QEvent::FocusIn);
    } else if (event->type() == QEvent::KeyPress && (watched == &home || watched == &contact)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == &home) {
                LBLurl_Click();
            } else {
                Label5_Click();
            }
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == &home) {
            LBLurl_Click();
            return true;
        }
        if (watched == &contact) {
            Label5_Click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillon::window
