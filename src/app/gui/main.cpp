// quillon: the window. The platform services are built on the window, so that every
// dialog and message box has it as its parent.

#include "io/atomic_file.h"
#include "window/qt_services.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    // Killed during a conversion, the window leaves no temporary file behind either.
    quillon::files::removeTemporariesOnSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Free"));

    std::unique_ptr<quillon::platform::QtPlatform> platform;
    quillon::window::FRMain window(
        quillon::window::qtServices(platform, quillon::platform::applicationFolder()));
    window.Form_Load();
    return QApplication::exec();
}
