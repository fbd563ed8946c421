// quillon: the window. The platform services are built on the window, so that every
// dialog and message box has it as its parent.

#include "platform/qt/qt_platform.h"
#include "window/frmain.h"

#include <QApplication>

#include <memory>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Free"));

    const std::string programFolder = quillon::platform::applicationFolder();
    std::unique_ptr<quillon::platform::QtPlatform> platform;
    quillon::window::FRMain window([&](QWidget& self) {
        platform = std::make_unique<quillon::platform::QtPlatform>(&self, programFolder);
        return quillon::window::WindowServices{platform->fileDialogs(),
                                               platform->colourDialog(),
                                               platform->fontDialog(),
                                               platform->messageBoxes(),
                                               platform->documentOpener(),
                                               platform->settingsStore(),
                                               programFolder};
    });
    window.Form_Load();
    return QApplication::exec();
}
