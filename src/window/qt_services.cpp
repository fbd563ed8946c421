#include "window/qt_services.h"

#include <utility>

namespace quillon::window {

FRMain::ServicesFactory qtServices(std::unique_ptr<platform::QtPlatform>& platform,
                                   files::ProgramFolder programFolder) {
    return [&platform, folder = std::move(programFolder)](QWidget& self) {
        platform = std::make_unique<platform::QtPlatform>(&self, folder.userFolder());
        return WindowServices{platform->fileDialogs(),    platform->colourDialog(),
                              platform->fontDialog(),     platform->messageBoxes(),
                              platform->documentOpener(), platform->settingsStore(),
                              platform->clipboard(),      folder};
    };
}

} // namespace quillon::window
