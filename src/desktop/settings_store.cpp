#include "desktop/settings_store.h"

namespace quillon::lang {

std::string MemorySettingsStore::get(std::string_view application, std::string_view section,
                                     std::string_view key, std::string_view defaultValue) const {
    const auto found =
        values_.find(std::tuple(std::string(application), std::string(section), std::string(key)));
    return found == values_.end() ? std::string(defaultValue) : found->second;
}

void MemorySettingsStore::set(std::string_view application, std::string_view section, std::string_view key,
                              std::string_view value) {
    values_[std::tuple(std::string(application), std::string(section), std::string(key))] =
        std::string(value);
}

} // namespace quillon::lang
