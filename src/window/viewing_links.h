#pragma once
// The buttons beside the file boxes that show the named files, and the two links of the
// Files pane with their hover colours: purple while the mouse is over a link, blue again
// once it moves over the surface of a pane, and blue at once after the home page opens.

#include "window/window_services.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <array>

class QFrame;
class QLabel;

namespace quillon::window {

class FilesPane;

// Where the links lead, read from links.ini in the program's folder.
struct LinkTargets {
    QString homePage;
    // Shown on the contact link.
    QString contact;
    // What a click opens: "mailto:" and the addresses separated by ";".
    QString mailto;
};
LinkTargets linkTargets(const files::ProgramFolder& programFolder);

class ViewingLinks : public QObject {
    Q_OBJECT

public:
    ViewingLinks(WindowServices& services, FilesPane& files, const std::array<QFrame*, 4>& panes,
                 QObject* parent);

    void BTviewVB_Click();
    void BTviewHTML_Click();
    void BTviewHead_Click();
    void BTviewFoot_Click();
    void LBLurl_Click();
    void Label5_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open(const char* procedure, const QString& target, const QString& parameters);

    WindowServices& services_;
    FilesPane& files_;
    LinkTargets targets_;
};

// Gives the link its colour, only when it differs, so moving across it repaints nothing.
void setLinkColour(QLabel& link, const QColor& colour);
QColor linkColour(const QLabel& link);
// Shows or hides the band that marks the link the keyboard is on.
void markFocus(QLabel& link, bool focused);

} // namespace quillon::window
