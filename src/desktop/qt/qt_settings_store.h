#pragma once
// The per-user settings store on QSettings: the file
// "$XDG_CONFIG_HOME/Quillon Free/<application>.conf", one group per section.

#include "desktop/settings_store.h"

#include <string>
#include <string_view>

namespace quillon::platform {

class QtSettingsStore final : public lang::SettingsStore {
public:
    explicit QtSettingsStore(std::string organisation = "Quillon Free");

    std::string get(std::string_view application, std::string_view section, std::string_view key,
                    std::string_view defaultValue) const override;
    // A value that cannot be written raises error 75 naming the settings file.
    void set(std::string_view application, std::string_view section, std::string_view key,
             std::string_view value) override;

    // Where the values of `application` are kept.
    std::string fileName(std::string_view application) const;

private:
    std::string organisation_;
};

} // namespace quillon::platform
