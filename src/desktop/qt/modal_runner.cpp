#include "desktop/qt/modal_runner.h"

namespace quillon::platform {

int ModalRunner::runDialog(QDialog& dialog) const {
    return runner_ ? runner_(dialog) : dialog.exec();
}

} // namespace quillon::platform
