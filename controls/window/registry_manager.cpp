#include <toolbox/ui/registry_manager.h>

#include <toolbox/os/settings_store.h>

int CTBRegistryManager::GetProfileInt(const char* section, const char* entry, int defaultValue) const {
    if (!section || !entry) return defaultValue;
    return TBGetProfileInt(section, entry, defaultValue);
}

BOOL CTBRegistryManager::WriteProfileInt(const char* section, const char* entry, int value) {
    if (!section || !*section || !entry || !*entry) return FALSE;
    return TBWriteProfileInt(section, entry, value) == 1;
}

CString CTBRegistryManager::GetProfileString(const char* section, const char* entry, const char* defaultText) const {
    if (!section || !entry) return defaultText ? defaultText : "";
    return TBGetProfileString(section, entry, defaultText);
}

BOOL CTBRegistryManager::WriteProfileString(const char* section, const char* entry, const char* value) {
    if (!section || !*section || !entry || !*entry) return FALSE;
    return TBWriteProfileString(section, entry, value ? value : "") == 1;
}
