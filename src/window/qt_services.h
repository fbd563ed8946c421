#pragma once
// The window's services as the program runs it: the Qt ones, built on the window so that
// every dialog and box has it as its parent.

#include "desktop/qt/qt_platform.h"
#include "window/frmain.h"

#include <memory>
#include <string>

namespace quillon::window {

// A factory for FRMain's constructor; `platform` receives the services and must outlive
// the window's use of them.
FRMain::ServicesFactory qtServices(std::unique_ptr<platform::QtPlatform>& platform,
                                   files::ProgramFolder programFolder);

} // namespace quillon::window
