// quillon [FILE...]: the window. The platform services are built on the window, so that
// every dialog and message box has it as its parent.

#include "base/version.h"
#include "io/atomic_file.h"
#include "io/program_folder.h"
#include "window/qt_services.h"
#include "window/start_files.h"

#include <QApplication>
#include <QStringList>

#include <memory>

int main(int argc, char** argv) {
    // Killed during a conversion, the window leaves no temporary file behind either.
    quillon::files::removeTemporariesOnSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Free"));
    // The one version of the project, as quillon-cli --version prints it; the caption keeps
    // its own words.
    QApplication::setApplicationVersion(QString::fromLatin1(quillon::ProgramVersion));

    std::unique_ptr<quillon::platform::QtPlatform> platform;
    quillon::window::FRMain window(quillon::window::qtServices(
        platform, quillon::files::programFolderOf(quillon::platform::applicationFolder())));
    window.Form_Load();
    // Qt has taken its own options out of the arguments; the rest name files.
    quillon::window::openStartFiles(window, QApplication::arguments().mid(1));
    return QApplication::exec();
}
