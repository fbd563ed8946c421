#pragma once
// The program's texts are UTF-8 std::string; Qt's are QString.

#include <QString>

#include <string>
#include <string_view>

namespace quillon::platform {

inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toStdString(const QString& text) {
    return text.toUtf8().toStdString();
}

} // namespace quillon::platform
