#include "window/qt_services.h"

#include <utility>

namespace quillon::window {

FRMain::ServicesFactory qtServices(std::unique_ptr<platform::QtPlatform>& platform,
                                   std::string programFolder) {
    return [&platform, folder = std::move(programFolder)](QWidget& self) {
        platform = std::make_unique<platform::QtPlatform>(&self, folder);
        return WindowServices{platform->fileDialogs(),
                              platform->colourDialog(),
                              platform->fontDialog(),
                              platform->messageBoxes(),
                              platform->documentOpener(),
                              platform->settingsStore(),
                              folder};
    };
}

} // namespace quillon::window
