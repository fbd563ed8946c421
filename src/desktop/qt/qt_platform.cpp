#include "desktop/qt/qt_platform.h"

#include <utility>

namespace quillon::platform {

QtPlatform::QtPlatform(QWidget* window, std::string folder)
    : fileDialogs_(window, std::move(folder)), commonDialog_(window), messageBoxes_(window), shell_(desktop_),
      opener_(shell_, messageBoxes_) {}

} // namespace quillon::platform
