#include "core/Installer.h"

#include "core/AppPaths.h"
#include "core/RegistryRoutines.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace core {

namespace {

const char kSeedName[] = "registry.seed";

// The seed lists one key per line, with its hive: HKEY_LOCAL_MACHINE\SOFTWARE\...
// A line "<key>|<name>=<text>" gives a string value that a newly created key
// starts with. Blank lines and lines starting with '#' are ignored.
struct SeedKey {
    QString path;
    QList<std::pair<QString, QString>> values;
};

bool readSeed(const QString& path, QList<SeedKey>* keys) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        const QString key = bar < 0 ? line : line.left(bar).trimmed();
        auto it = std::find_if(keys->begin(), keys->end(), [&](const SeedKey& k) {
            return k.path.compare(key, Qt::CaseInsensitive) == 0;
        });
        if (it == keys->end()) it = keys->insert(keys->end(), SeedKey{key, {}});
        if (bar < 0) continue;
        const QString assignment = line.mid(bar + 1);
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0) continue;
        it->values.append({assignment.left(equals).trimmed(), assignment.mid(equals + 1)});
    }
    return file.error() == QFile::NoError;
}

bool createSeedKey(const SeedKey& key, bool withValues) {
    const QString& line = key.path;
    const qsizetype slash = line.indexOf(QLatin1Char('\\'));
    const QString hive = (slash < 0 ? line : line.left(slash)).toUpper();
    const QString path = slash < 0 ? QString() : line.mid(slash + 1);
    RegistryRoutines reg;
    if (hive == QLatin1String("HKEY_LOCAL_MACHINE") || hive == QLatin1String("HKLM"))
        reg.setHkey(HKEY_LOCAL_MACHINE);
    else if (hive == QLatin1String("HKEY_CURRENT_USER") || hive == QLatin1String("HKCU"))
        reg.setHkey(HKEY_CURRENT_USER);
    else
        return false;
    reg.setKeyRoot(path);
    reg.setSubkey(QString());
    if (reg.KeyExists()) return true; // existing keys and their values stay as they are
    if (reg.CreateKey() != QLatin1String("0")) return false;
    bool written = true;
    if (!withValues) return true;
    for (const auto& [name, text] : key.values)
        written = reg.SetRegistryValue(name, text, REG_SZ) && written;
    return written;
}

// Copies through a temporary file so that a half-copied asset never appears.
bool copyAsset(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) return false;
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) return false;
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) return false;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 16);
        if (chunk.isEmpty() && source.error() != QFile::NoError) {
            target.cancelWriting();
            return false;
        }
        if (target.write(chunk) != chunk.size()) {
            target.cancelWriting();
            return false;
        }
    }
    return target.commit();
}

void copyMissingAssets(const QString& installFolder, const QString& programFolder) {
    const QDir install(installFolder);
    QDirIterator it(installFolder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = install.relativeFilePath(from);
        if (relative == QLatin1String(kSeedName)) continue;
        const QString to = programFolder + QLatin1Char('/') + relative;
        const QFileInfo target(to);
        if (target.exists() || target.isSymLink()) continue; // the user's copy wins
        copyAsset(from, to);
    }
}

} // namespace

bool InstallFromSeed(bool withValues) {
    const QString installFolder = InstallFolder();
    QList<SeedKey> keys;
    if (!readSeed(installFolder + QLatin1Char('/') + QLatin1String(kSeedName), &keys)) return false;
    bool allKeys = true;
    for (const SeedKey& key : keys)
        allKeys = createSeedKey(key, withValues) && allKeys;
    copyMissingAssets(installFolder, ProgramFolder());
    return allKeys;
}

} // namespace core
