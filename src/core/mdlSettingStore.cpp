#include "core/mdlSettingStore.h"

#include "core/RegistryRoutines.h"

namespace core {

namespace {

const char* const kSettingsRoot = "Software\\Program Settings";

RegistryRoutines sectionKey(const QString& appName, const QString& section) {
    RegistryRoutines reg;
    reg.setHkey(HKEY_CURRENT_USER);
    reg.setKeyRoot(QString::fromLatin1(kSettingsRoot) + "\\" + appName);
    reg.setSubkey(section);
    return reg;
}

} // namespace

QString SettingKeyPath(const QString& appName, const QString& section) {
    return sectionKey(appName, section).WorkingKey();
}

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    if (appName.isEmpty() || section.isEmpty() || key.isEmpty()) return defaultValue;
    const RegistryRoutines reg = sectionKey(appName, section);
    const QVariant value = reg.GetRegistryValue(key);
    if (!value.isValid()) return defaultValue;
    if (value.typeId() == QMetaType::QByteArray) return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

bool SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value) {
    if (appName.isEmpty() || section.isEmpty() || key.isEmpty()) return false;
    const RegistryRoutines reg = sectionKey(appName, section);
    // The per-user store makes its keys on first use, unlike the program's own
    // settings keys, which only the installer creates.
    if (!reg.KeyExists() && reg.CreateKey().isEmpty()) return false;
    return reg.SetRegistryValue(key, value, REG_SZ);
}

} // namespace core
