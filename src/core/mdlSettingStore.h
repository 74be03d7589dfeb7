// The per-user settings store: small values an application keeps per user,
// addressed by application name, section and key. It lives under
// HKEY_CURRENT_USER in the same registry database as the other settings.
#pragma once

#include <QString>

namespace core {

// The key that holds a section's values:
// "Software\Program Settings\<appName>\<section>" under HKEY_CURRENT_USER.
QString SettingKeyPath(const QString& appName, const QString& section);

// The stored text, or `defaultValue` when the value (or its key) is missing.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());

// Stores the value as text, creating the section's key when missing.
// False when the store cannot be written.
bool SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value);

} // namespace core
