#include "desktop/qt/qt_settings_store.h"

#include "base/vb_error.h"
#include "desktop/qt/qt_text.h"

#include <QSettings>

#include <utility>

namespace quillon::platform {

namespace {

// QSettings reads "/" and "\" in a key as group separators; the store's sections and keys
// are plain names, so those characters are kept as themselves.
QString plainKey(std::string_view section, std::string_view key) {
    const auto escaped = [](std::string_view part) {
        QString text = toQString(part);
        text.replace(u'%', QStringLiteral("%25"));
        text.replace(u'/', QStringLiteral("%2F"));
        text.replace(u'\\', QStringLiteral("%5C"));
        return text;
    };
    return escaped(section) + u'/' + escaped(key);
}

} // namespace

QtSettingsStore::QtSettingsStore(std::string organisation) : organisation_(std::move(organisation)) {}

std::string QtSettingsStore::get(std::string_view application, std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, toQString(organisation_),
                             toQString(application));
    const QVariant value = settings.value(plainKey(section, key));
    if (!value.isValid()) {
        return std::string(defaultValue);
    }
    return toStdString(value.toString());
}

void QtSettingsStore::set(std::string_view application, std::string_view section, std::string_view key,
                          std::string_view value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, toQString(organisation_),
                       toQString(application));
    settings.setValue(plainKey(section, key), toQString(value));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        raise(vberr::PathFileAccess, toStdString(settings.fileName()));
    }
}

std::string QtSettingsStore::fileName(std::string_view application) const {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, toQString(organisation_),
                             toQString(application));
    return toStdString(settings.fileName());
}

} // namespace quillon::platform
