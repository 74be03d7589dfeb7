// Faults of the settings store for tests, made from inside the database so
// they hold for root as well: writes of values are refused with SQLite's own
// read-only error, all of them or only those of one value name (a store that
// fails part way through a save).
#pragma once

#include "core/AppPaths.h"

#include <QFile>
#include <QString>

#include <sqlite3.h>

namespace testsupport {

inline bool ExecOnStore(const QString& sql) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(core::RegistryFile()).constData(), &db, SQLITE_OPEN_READWRITE,
                              nullptr) == SQLITE_OK;
    ok = ok && sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    return ok;
}

// Every write of a value fails from now on; with a name, only writes of that value.
inline bool RefuseStoreWrites(const QString& valueName = QString()) {
    const QString when =
        valueName.isEmpty() ? QStringLiteral("1") : QStringLiteral("NEW.name = '%1'").arg(valueName);
    const QString raise =
        QStringLiteral("BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END;");
    return ExecOnStore(QStringLiteral("CREATE TRIGGER refuse_insert BEFORE INSERT ON reg_values WHEN %1 %2"
                                      "CREATE TRIGGER refuse_update BEFORE UPDATE ON reg_values WHEN %1 %2")
                           .arg(when, raise));
}

inline bool AllowStoreWrites() {
    return ExecOnStore(QStringLiteral("DROP TRIGGER refuse_insert; DROP TRIGGER refuse_update;"));
}

} // namespace testsupport
