#pragma once
// The per-user settings store: string values filed by application, section and key: the
// chosen language file, the window's size and the dialogs' folders. The window supplies
// the real store, and MemorySettingsStore serves tests and runs without a window.

#include <map>
#include <string>
#include <string_view>
#include <tuple>

namespace quillon::lang {

// The application every value of the program is filed under.
inline constexpr std::string_view SettingsApplication = "Quillon Free";

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored value, or `defaultValue` when there is none.
    virtual std::string get(std::string_view application, std::string_view section, std::string_view key,
                            std::string_view defaultValue) const = 0;
    virtual void set(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view value) = 0;
};

class MemorySettingsStore final : public SettingsStore {
public:
    std::string get(std::string_view application, std::string_view section, std::string_view key,
                    std::string_view defaultValue) const override;
    void set(std::string_view application, std::string_view section, std::string_view key,
             std::string_view value) override;

private:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

} // namespace quillon::lang
