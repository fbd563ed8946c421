#include "desktop/qt/qt_settings_store.h"

#include "base/vb_error.h"

#include <QString>

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* App = "Quillon Free";

TEST(QtSettingsStore, KeepsValuesApartByApplicationSectionAndKeyInTheUsersConfigurationFolder) {
    QtSettingsStore store;
    const std::string chosen = "/opt/quillon/Fran\xC3\xA7"
                               "ais.lng";
    EXPECT_EQ(store.get(App, "FILES", "LNG", "/opt/quillon/English.lng"), "/opt/quillon/English.lng");
    store.set(App, "FILES", "LNG", chosen);
    store.set(App, "FILES/LNG", "K", "sub");
    store.set("Other App", "FILES", "LNG", "other");
    store.set(App, "A", "Empty", "");
    EXPECT_EQ(QtSettingsStore().get(App, "FILES", "LNG", ""), chosen);
    EXPECT_EQ(store.get(App, "FILES/LNG", "K", ""), "sub");
    EXPECT_EQ(store.get("Other App", "FILES", "LNG", ""), "other");
    EXPECT_EQ(store.get(App, "A", "Empty", "default"), "") << "an empty value is a value";
    EXPECT_EQ(store.fileName(App), (fs::path(qEnvironmentVariable("XDG_CONFIG_HOME").toStdString()) /
                                    "Quillon Free" / "Quillon Free.conf")
                                       .string());
}

TEST(QtSettingsStore, AValueThatCannotBeWrittenRaisesError75NamingTheFile) {
    QtSettingsStore store("Quillon Unwritable");
    const fs::path file = store.fileName(App);
    // A folder where the file should be cannot be replaced, whatever the permissions.
    fs::create_directories(file);
    try {
        store.set(App, "FILES", "LNG", "/x");
        ADD_FAILURE() << "no error raised";
    } catch (const VbError& error) {
        EXPECT_EQ(error.number(), 75);
        EXPECT_NE(error.description().find(file.string()), std::string::npos) << error.description();
    }
    fs::remove_all(file.parent_path());
}

} // namespace
} // namespace quillon::platform
