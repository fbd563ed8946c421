#pragma once
// What the desktop shell asks of this machine: file states, MIME types (Qt's shared MIME
// database), the desktop's default applications ("xdg-mime query default"), desktop files
// found on the XDG data paths, the PATH, and starting a program detached with QProcess.
//
// Programs are started directly rather than through xdg-open: xdg-open on a desktop it
// does not recognise runs the application in the foreground until it exits, and its exit
// code is the only account of a failure, so starting it detached would hide every failure
// and waiting for it would freeze the window. QDesktopServices::openUrl only reports
// whether xdg-open started.

#include "desktop/desktop_shell.h"

namespace quillon::platform {

class QtDesktop final : public Desktop {
public:
    std::string currentFolder() const override;
    PathState pathState(const std::string& absolutePath) const override;
    std::vector<std::string> mimeTypesOf(const std::string& absolutePath) const override;
    std::string defaultApplication(const std::string& mimeType) const override;
    std::optional<DesktopEntry> desktopEntry(const std::string& id) const override;
    std::string findExecutable(const std::string& program) const override;
    bool startDetached(const std::vector<std::string>& argv, const std::string& workingFolder) override;
    std::string environmentVariable(const std::string& name) const override;
    // A window of its own that closes itself away; its text is decoded as a source is.
    void showInViewer(const std::string& absolutePath) override;
};

} // namespace quillon::platform
