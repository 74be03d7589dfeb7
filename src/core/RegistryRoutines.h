// The settings store, addressed as a registry: a root key, a key path with
// backslashes, values with names that compare case-insensitively and keep
// their type and exact bytes. Backed by one SQLite database shared by every
// running copy of the program; each call is one transaction, no key stays
// open between calls, and no member throws: failures come back as results.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>

namespace core {

constexpr quint32 HKEY_CLASSES_ROOT = 0x80000000u;
constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr quint32 HKEY_USERS = 0x80000003u;

constexpr int REG_SZ = 1;
constexpr int REG_EXPAND_SZ = 2;
constexpr int REG_BINARY = 3;
constexpr int REG_DWORD = 4;
constexpr int REG_MULTI_SZ = 7;

// Values read come back as a QVariant: invalid (no value: "" as text, 0 as a
// number), QString, qint32 or QByteArray.
class RegistryRoutines {
public:
    RegistryRoutines();

    quint32 hkey() const { return m_hkey; }
    void setHkey(quint32 root) { m_hkey = root; }
    QString KeyRoot() const { return m_keyRoot; }
    void setKeyRoot(const QString& path) { m_keyRoot = path; }
    QString Subkey() const { return m_subkey; }
    void setSubkey(const QString& name) { m_subkey = name; }

    bool KeyExists() const;
    // "0" on success, "" on failure. An empty name means Subkey.
    QString CreateKey(const QString& keyName = QString()) const;
    // 0 when deleted, else the store's error code (2 when missing, 5 when it has subkeys).
    qint32 DeleteKey(const QString& keyName) const;
    // 0 when deleted, 2 when the key or value does not exist.
    qint32 DeleteValue(const QString& valueName) const;
    QStringList EnumRegistryKeys(quint32 root, const QString& keyPath) const;
    QList<std::pair<QString, QVariant>> EnumRegistryValues(quint32 root, const QString& keyPath) const;
    QVariant GetRegistryValue(const QString& valueName, const QVariant& defaultValue = QVariant()) const;
    // False when the working key does not exist, the write failed or the type code is unknown.
    bool SetRegistryValue(const QString& valueName, const QVariant& value, int typeCode) const;
    // Remote machines are never reachable: "Error!" and False.
    QVariant ReadRemoteRegistryValue(const QString& machine, quint32 root, const QString& valueName,
                                     const QString& keyPath = QString()) const;
    bool WriteRemoteRegistryValue(const QString& machine, quint32 root, const QString& valueName,
                                  const QVariant& value, int typeCode,
                                  const QString& keyPath = QString()) const;
    static QString TrimNull(QString& text);

    // The working key: KeyRoot, a backslash, Subkey.
    QString WorkingKey() const;

private:
    quint32 m_hkey = HKEY_LOCAL_MACHINE;
    QString m_keyRoot;
    QString m_subkey;
};

// Makes every call this thread makes on the store while it lives one
// transaction: Commit stores all of their writes, or none when any of them
// failed (a missing key included) or the commit itself fails. Without Commit
// nothing is stored. A batch opened inside another is a part of that one.
class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    bool Commit();
    // Why the batch failed, in the store's words; "" when a write into a
    // missing key failed it.
    QString ErrorText() const { return m_error; }

private:
    bool m_owner = false;
    bool m_nested = false;
    QString m_error;
};

// Whether the settings store at RegistryFile() can be used. A missing file is
// usable (it is created on first use). An existing file that is not a
// readable settings store gives False and, in `message`, a text for the user;
// such a file is never written, replaced or recreated: every member then
// simply fails.
bool RegistryStoreUsable(QString* message = nullptr);

} // namespace core
