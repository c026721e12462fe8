#include "client_settings.h"

#include <comdef.h>

#include "registry_key_client.h"

const wchar_t kClientSettingsKey[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vorlane\\Kelo Print Driver";
const wchar_t kUnknownVersion[] = L"Unknown";

std::wstring readClientVersion() {
    try {
        RegistryKeyClient key;
        key.setPath(kClientSettingsKey);
        Variant version = key.value(L"Version");
        std::wstring text = version.toString();
        return text;
    } catch (...) {
        return kUnknownVersion;
    }
}

long readLanguageSetting() {
    try {
        RegistryKeyClient key;
        key.setPath(kClientSettingsKey);
        return variantAsNumber(key.value(L"language"));
    } catch (...) {
        return 0;
    }
}

void writeLanguageSetting(long language) {
    RegistryKeyClient key;
    try {
        key.setPath(kClientSettingsKey);
    } catch (const _com_error&) {
        // The installer makes the key; without it the setting gets a key of its own.
        key.setPath(L"HKEY_LOCAL_MACHINE\\SOFTWARE");
        key.createAndEnter(L"Vorlane\\Kelo Print Driver");
    }
    key.setValue(L"language", Variant(language));
}

long variantAsNumber(const VARIANT& value) {
    Variant number;
    if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_I4))) return 0;
    return number.lVal;
}
