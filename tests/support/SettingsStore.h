// The settings store as the tests reach it: a key under the program's root
// (or any other), and one text value read or written there.
#pragma once

#include "core/RegistryRoutines.h"

#include <QString>
#include <QVariant>
#include <QtTest>

namespace testsupport {

// The root of the program's settings keys, as the installer's seed names it.
inline const QString kSettingsRoot = QStringLiteral("SOFTWARE\\Pellory\\Corvane");

// The key `subkey` below `root` of the hive.
inline core::RegistryRoutines settingsKey(const QString& subkey, quint32 hive = core::HKEY_LOCAL_MACHINE,
                                          const QString& root = kSettingsRoot) {
    core::RegistryRoutines reg;
    reg.setHkey(hive);
    reg.setKeyRoot(root);
    reg.setSubkey(subkey);
    return reg;
}

// A value of a settings key, as text.
inline QString storedSetting(const QString& subkey, const QString& name) {
    return settingsKey(subkey).GetRegistryValue(name).toString();
}

// Writes a value into a settings key as REG_SZ; the test fails when it cannot.
inline void storeSetting(const QString& subkey, const QString& name, const QVariant& value) {
    QVERIFY(settingsKey(subkey).SetRegistryValue(name, value, core::REG_SZ));
}

} // namespace testsupport
