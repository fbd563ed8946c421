#include "desktop/qt/qt_settings_store.h"

#include "base/vb_error.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* App = "Quillon Free";

TEST(QtSettingsStore, KeepsTheLanguageChoiceInTheUsersConfigurationFolder) {
    QtSettingsStore store;
    const std::string chosen = "/opt/quillon/Fran\xC3\xA7"
                               "ais.lng";
    EXPECT_EQ(store.get(App, "FILES", "LNG", "/opt/quillon/English.lng"), "/opt/quillon/English.lng");
    store.set(App, "FILES", "LNG", chosen);
    EXPECT_EQ(QtSettingsStore().get(App, "FILES", "LNG", ""), chosen);

    const fs::path expected = fs::path(qEnvironmentVariable("XDG_CONFIG_HOME").toStdString()) /
                              "Quillon Free" / "Quillon Free.conf";
    EXPECT_EQ(store.fileName(App), expected.string());
    EXPECT_TRUE(fs::exists(expected));
}

TEST(QtSettingsStore, SectionsAndKeysAreKeptApart) {
    QtSettingsStore store;
    store.set(App, "A", "K", "1");
    store.set(App, "B", "K", "2");
    store.set(App, "A/B", "K", "3");
    store.set(App, "A", "B/K", "4");
    store.set("Other App", "A", "K", "5");
    EXPECT_EQ(store.get(App, "A", "K", ""), "1");
    EXPECT_EQ(store.get(App, "B", "K", ""), "2");
    EXPECT_EQ(store.get(App, "A/B", "K", ""), "3");
    EXPECT_EQ(store.get(App, "A", "B/K", ""), "4");
    EXPECT_EQ(store.get("Other App", "A", "K", ""), "5");
    // An empty value is a value, not a missing one.
    store.set(App, "A", "Empty", "");
    EXPECT_EQ(store.get(App, "A", "Empty", "default"), "");
}

TEST(QtSettingsStore, AValueThatCannotBeWrittenRaisesError75) {
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
