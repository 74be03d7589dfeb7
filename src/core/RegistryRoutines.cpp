#include "core/RegistryRoutines.h"

#include "core/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <vector>

namespace core {

namespace {

// Result codes of the store, the same numbers the registry itself uses.
constexpr qint32 kErrorSuccess = 0;
constexpr qint32 kErrorFileNotFound = 2;
constexpr qint32 kErrorAccessDenied = 5;
constexpr qint32 kErrorInvalidHandle = 6;
constexpr qint32 kErrorBadPathname = 161;
constexpr qint32 kErrorBadDb = 1009;

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 10000;

// Fixed row ids of the two hives in reg_keys.
constexpr qint64 kHiveLocalMachine = 1;
constexpr qint64 kHiveCurrentUser = 2;

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

// Statements of the thread's shared connection are prepared once and kept
// (defined with the connection below): start-up alone reads about a hundred
// values, and preparing each lookup again cost more than running it.
sqlite3_stmt* takeKeptStatement(sqlite3* db, const char* sql);
// Gives a statement back; false when it was not a kept one.
bool giveBackStatement(sqlite3_stmt* stmt);

// Notes a failed statement of the thread's batch, if one is open on `db`.
void noteBatchFailure(sqlite3* db);

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        m_stmt = takeKeptStatement(db, sql);
        if (m_stmt) {
            m_ok = true;
            return;
        }
        m_ok = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) == SQLITE_OK;
    }
    ~Statement() {
        if (!giveBackStatement(m_stmt)) sqlite3_finalize(m_stmt);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_ok; }
    Statement& bind(int index, qint64 value) {
        m_ok = m_ok && sqlite3_bind_int64(m_stmt, index, value) == SQLITE_OK;
        return *this;
    }
    Statement& bind(int index, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        m_ok = m_ok && sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()),
                                         SQLITE_TRANSIENT) == SQLITE_OK;
        return *this;
    }
    Statement& bindBlob(int index, const QByteArray& bytes) {
        // A zero-length blob must stay a blob, not become NULL.
        const int rc = bytes.isEmpty() ? sqlite3_bind_zeroblob(m_stmt, index, 0)
                                       : sqlite3_bind_blob(m_stmt, index, bytes.constData(),
                                                           int(bytes.size()), SQLITE_TRANSIENT);
        m_ok = m_ok && rc == SQLITE_OK;
        return *this;
    }
    // True when a row is available; `done` tells a clean end from a failure.
    bool next(bool* failed = nullptr) {
        if (!m_ok) {
            if (failed) *failed = true;
            return false;
        }
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) {
            m_ok = false;
            if (failed) *failed = true;
            noteBatchFailure(sqlite3_db_handle(m_stmt));
        }
        return false;
    }
    // Runs a statement that returns no rows.
    bool exec() {
        bool failed = false;
        while (next(&failed)) {
        }
        return !failed;
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    QString text(int column) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, column)) : QString();
    }
    QByteArray blob(int column) const {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(m_stmt, column));
        const int n = sqlite3_column_bytes(m_stmt, column);
        return p && n > 0 ? QByteArray(p, n) : QByteArray("");
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    bool m_ok = false;
};

bool execSql(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void noteOwnWrite(sqlite3* db);

// The batch open on this thread (RegistryBatch): the calls' transactions
// are parts of its one transaction.
struct BatchState {
    sqlite3* db = nullptr;
    bool failed = false;
    QString error;
};
thread_local BatchState t_batch;

void noteBatchFailure(sqlite3* db) {
    if (!db || t_batch.db != db) return;
    t_batch.failed = true;
    if (t_batch.error.isEmpty()) t_batch.error = QString::fromUtf8(sqlite3_errmsg(db));
}

// One transaction; rolled back unless committed. Inside a batch it is a part
// of the batch's: a write left uncommitted fails the whole batch.
class Transaction {
public:
    Transaction(sqlite3* db, bool write) : m_db(db), m_write(write) {
        m_inBatch = db && t_batch.db == db;
        m_open = m_inBatch || execSql(db, write ? "BEGIN IMMEDIATE" : "BEGIN");
    }
    ~Transaction() {
        if (!m_open) return;
        if (!m_inBatch)
            execSql(m_db, "ROLLBACK");
        else if (m_write)
            t_batch.failed = true;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool ok() const { return m_open; }
    bool commit() {
        if (!m_open) return false;
        m_open = false;
        if (m_inBatch) return true;
        if (execSql(m_db, "COMMIT")) {
            if (m_write) noteOwnWrite(m_db);
            return true;
        }
        execSql(m_db, "ROLLBACK");
        return false;
    }

private:
    sqlite3* m_db;
    bool m_write;
    bool m_inBatch = false;
    bool m_open = false;
};

QString fold(const QString& name) {
    return name.toCaseFolded();
}

// Reads the first bytes of an existing store without SQLite: a file that is
// not a database at all is never handed to it.
bool headerLooksRight(const QString& path, QString* reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    if (file.size() == 0) return true; // an empty file is an empty database
    static const QByteArray magic("SQLite format 3\0", 16);
    if (file.read(16) != magic) {
        *reason = QStringLiteral("the file is not a settings database");
        return false;
    }
    return true;
}

std::optional<qint64> pragmaInt(sqlite3* db, const char* sql) {
    Statement st(db, sql);
    if (!st.next()) return std::nullopt;
    return st.integer(0);
}

bool createSchema(sqlite3* db, QString* reason) {
    // WAL lets a reader and a writer in two running copies work at once.
    execSql(db, "PRAGMA journal_mode=WAL");
    Transaction tx(db, true);
    if (!tx.ok()) {
        *reason = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    // Another copy may have created it while we waited for the lock.
    const auto version = pragmaInt(db, "PRAGMA user_version");
    const auto tables = pragmaInt(db, "SELECT count(*) FROM sqlite_master");
    if (!version || !tables) {
        *reason = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    if (*version == kSchemaVersion) return true;
    if (*tables != 0) {
        *reason = QStringLiteral("the file is a database of another kind");
        return false;
    }
    const bool ok =
        execSql(db, "CREATE TABLE reg_keys("
                    "id INTEGER PRIMARY KEY, parent INTEGER, name TEXT NOT NULL, fold TEXT NOT NULL);"
                    "CREATE UNIQUE INDEX reg_keys_child ON reg_keys(parent, fold);"
                    "CREATE TABLE reg_values("
                    "id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,"
                    " fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
                    " UNIQUE(key, fold));"
                    "INSERT INTO reg_keys(id, parent, name, fold) VALUES"
                    " (1, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine'),"
                    " (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user');"
                    "PRAGMA user_version=1;");
    if (!ok || !tx.commit()) {
        *reason = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    return true;
}

// Opens the store, creating the file, its folder and the schema when the
// file is missing. An existing file that is not our store is left alone.
Db openStore(QString* reasonOut = nullptr) {
    QString reason;
    QString& why = reasonOut ? *reasonOut : reason;
    const QString path = RegistryFile();
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (!exists && info.isSymLink()) {
        why = QStringLiteral("the link points to a missing file");
        return nullptr;
    }
    if (exists) {
        if (info.isDir()) {
            why = QStringLiteral("it is a folder");
            return nullptr;
        }
        if (!headerLooksRight(path, &why)) return nullptr;
    } else if (!QDir().mkpath(info.absolutePath())) {
        why = QStringLiteral("its folder cannot be created");
        return nullptr;
    }

    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE);
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK) {
        why = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        return nullptr;
    }
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    // Closing must not fold the log into a file that may not be ours or may be
    // damaged; a connection that found the store sound switches this back.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);

    const auto version = pragmaInt(db.get(), "PRAGMA user_version");
    if (!version) {
        why = QString::fromUtf8(sqlite3_errmsg(db.get()));
        return nullptr;
    }
    if (*version != kSchemaVersion) {
        if (*version != 0) {
            why = QStringLiteral("the file is a database of another kind");
            return nullptr;
        }
        // Only an empty database becomes a store; someone else's is not touched.
        const auto tables = pragmaInt(db.get(), "SELECT count(*) FROM sqlite_master");
        if (!tables || *tables != 0) {
            why = tables ? QStringLiteral("the file is a database of another kind")
                         : QString::fromUtf8(sqlite3_errmsg(db.get()));
            return nullptr;
        }
        if (!createSchema(db.get(), &why)) return nullptr;
    }
    execSql(db.get(), "PRAGMA synchronous=NORMAL");
    return db;
}

// Whether every page of the store reads back sound.
bool storeIsSound(sqlite3* db, QString* reason = nullptr) {
    Statement st(db, "PRAGMA quick_check(1)");
    if (!st.next()) {
        if (reason) *reason = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    const QString answer = st.text(0);
    if (answer != QLatin1String("ok")) {
        if (reason) *reason = answer;
        return false;
    }
    return true;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    qint64 mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino, st.st_size,
                        qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// One connection per thread, kept between calls: opening the store for every
// call would replay its log each time. It is opened again, and the whole file
// checked again, whenever the store's path or file changes under it.
struct SharedConnection {
    QString path;
    FileIdentity identity;
    Db db;

    // The kept statements of `db`. One in use is not handed out again (a
    // nested lookup of the same kind prepares its own).
    struct Kept {
        const char* sql;
        sqlite3_stmt* stmt;
        bool inUse;
    };
    std::vector<Kept> kept;

    // Before `db` closes: statements in use are finalized by their users
    // when they give them back and find them gone.
    void dropStatements() {
        for (const Kept& k : kept)
            if (!k.inUse) sqlite3_finalize(k.stmt);
        kept.clear();
    }

    // At the end of the thread the log is folded into the store, so that the
    // file alone holds every setting, unless the file changed under us.
    ~SharedConnection() {
        dropStatements();
        if (db && identityOf(path) == identity)
            sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    }
};
thread_local SharedConnection t_connection;

sqlite3_stmt* takeKeptStatement(sqlite3* db, const char* sql) {
    if (!db || t_connection.db.get() != db) return nullptr;
    for (SharedConnection::Kept& k : t_connection.kept) {
        if (k.sql != sql && std::strcmp(k.sql, sql) != 0) continue;
        if (k.inUse) return nullptr;
        k.inUse = true;
        return k.stmt;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    t_connection.kept.push_back({sql, stmt, true});
    return stmt;
}

bool giveBackStatement(sqlite3_stmt* stmt) {
    if (!stmt) return false;
    for (SharedConnection::Kept& k : t_connection.kept) {
        if (k.stmt != stmt) continue;
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        k.inUse = false;
        return true;
    }
    return false;
}

// A commit may fold the log into the store file (automatic checkpoint), which
// changes the file's size and time. That change is our own: without taking
// note of it, the next call would reopen and recheck the store, and each
// reopen replays the whole log and folds it in again, so every later call
// would pay for a full reopen and a sync.
void noteOwnWrite(sqlite3* db) {
    if (t_connection.db.get() != db) return;
    if (const auto identity = identityOf(t_connection.path)) t_connection.identity = *identity;
}

sqlite3* sharedStore() {
    // A batch keeps its connection to the end, whatever happens to the file.
    if (t_batch.db) return t_batch.db;
    const QString path = RegistryFile();
    const auto identity = identityOf(path);
    if (t_connection.db && identity && t_connection.path == path && t_connection.identity == *identity)
        return t_connection.db.get();
    t_connection.dropStatements();
    t_connection.db.reset();
    Db db = openStore();
    const auto opened = identityOf(path);
    if (!db || !opened) return nullptr;
    {
        // A damaged store is neither read nor written into.
        Transaction tx(db.get(), false);
        if (!tx.ok() || !storeIsSound(db.get())) return nullptr;
    }
    t_connection.path = path;
    t_connection.identity = *opened;
    t_connection.db = std::move(db);
    return t_connection.db.get();
}

std::optional<qint64> hiveId(quint32 root) {
    if (root == HKEY_LOCAL_MACHINE) return kHiveLocalMachine;
    if (root == HKEY_CURRENT_USER) return kHiveCurrentUser;
    return std::nullopt;
}

// A key path below a hive: names separated by single backslashes. A leading
// or trailing backslash is ignored ("a\" is "a"); an empty name inside the
// path makes it invalid.
std::optional<QStringList> splitPath(const QString& path) {
    QString p = path;
    if (p.startsWith(QLatin1Char('\\'))) p.remove(0, 1);
    if (p.endsWith(QLatin1Char('\\'))) p.chop(1);
    if (p.isEmpty()) return QStringList();
    QStringList parts = p.split(QLatin1Char('\\'));
    for (const QString& part : parts)
        if (part.isEmpty()) return std::nullopt;
    return parts;
}

enum class Lookup { Found, Missing, Failed };

Lookup findChild(sqlite3* db, qint64 parent, const QString& name, qint64* id) {
    Statement st(db, "SELECT id FROM reg_keys WHERE parent = ?1 AND fold = ?2");
    st.bind(1, parent).bind(2, fold(name));
    bool failed = false;
    if (st.next(&failed)) {
        *id = st.integer(0);
        return Lookup::Found;
    }
    return failed ? Lookup::Failed : Lookup::Missing;
}

Lookup findKey(sqlite3* db, qint64 hive, const QStringList& parts, qint64* id) {
    qint64 current = hive;
    for (const QString& part : parts) {
        const Lookup found = findChild(db, current, part, &current);
        if (found != Lookup::Found) return found;
    }
    *id = current;
    return Lookup::Found;
}

struct StoredValue {
    int type = 0;
    QByteArray data;
};

Lookup findValue(sqlite3* db, qint64 key, const QString& name, StoredValue* value) {
    Statement st(db, "SELECT type, data FROM reg_values WHERE key = ?1 AND fold = ?2");
    st.bind(1, key).bind(2, fold(name));
    bool failed = false;
    if (st.next(&failed)) {
        value->type = int(st.integer(0));
        value->data = st.blob(1);
        return Lookup::Found;
    }
    return failed ? Lookup::Failed : Lookup::Missing;
}

// %NAME% references replaced by the environment; unknown names stay as written.
QString expandEnvironment(const QString& text) {
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%')) {
            const qsizetype end = text.indexOf(QLatin1Char('%'), i + 1);
            if (end > i + 1) {
                const QString name = text.mid(i + 1, end - i - 1);
                if (qEnvironmentVariableIsSet(name.toLocal8Bit().constData())) {
                    out += qEnvironmentVariable(name.toLocal8Bit().constData());
                    i = end + 1;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}

QString withoutTerminator(const QByteArray& data) {
    QByteArray bytes = data;
    if (bytes.endsWith('\0')) bytes.chop(1);
    return QString::fromUtf8(bytes);
}

// The data of a value as the caller sees it. `forEnumeration` applies the
// listing's conversions: empty texts, binary as hexadecimal, lists with commas.
QVariant convertData(const StoredValue& value, const QVariant& defaultValue, bool forEnumeration) {
    const QByteArray& data = value.data;
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        if (data.isEmpty()) return forEnumeration ? QVariant(QString(QLatin1String(""))) : defaultValue;
        const QString text = withoutTerminator(data);
        return value.type == REG_EXPAND_SZ ? expandEnvironment(text) : text;
    }
    case REG_BINARY:
        if (forEnumeration) return QString::fromLatin1(data.toHex(' ').toUpper());
        return data;
    case REG_DWORD: {
        if (data.size() != 4) return defaultValue;
        quint32 v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | quint8(data.at(i));
        return qint32(v);
    }
    case REG_MULTI_SZ: {
        QByteArray bytes = data;
        if (bytes.endsWith(QByteArray("\0\0", 2)))
            bytes.chop(2);
        else if (bytes.endsWith('\0'))
            bytes.chop(1);
        if (bytes.isEmpty() || bytes.startsWith('\0')) return defaultValue;
        QString text = QString::fromUtf8(bytes);
        if (forEnumeration) text.replace(QChar(0), QLatin1Char(','));
        return text;
    }
    default:
        return defaultValue;
    }
}

std::optional<QString> valueToText(const QVariant& value) {
    if (!value.isValid()) return QString();
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Float:
        return QString::number(value.toFloat(), 'g', 7);
    default:
        if (value.canConvert<QString>()) return value.toString();
        return std::nullopt;
    }
}

std::optional<qint32> valueToInt32(const QVariant& value) {
    qint64 wide = 0;
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return 0;
    case QMetaType::Bool:
        return value.toBool() ? -1 : 0; // the system's own True is -1
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = std::nearbyint(value.toDouble());
        if (!std::isfinite(d) || d < double(std::numeric_limits<qint32>::min()) ||
            d > double(std::numeric_limits<quint32>::max()))
            return std::nullopt;
        wide = qint64(d);
        break;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        bool ok = false;
        wide = value.toString().trimmed().toLongLong(&ok);
        if (!ok) return std::nullopt;
        break;
    }
    default: {
        bool ok = false;
        wide = value.toLongLong(&ok);
        if (!ok) {
            const quint64 u = value.toULongLong(&ok);
            if (!ok || u > std::numeric_limits<quint32>::max()) return std::nullopt;
            wide = qint64(u);
        }
    }
    }
    // The full unsigned range is accepted: a DWORD is 32 bits either way.
    if (wide < std::numeric_limits<qint32>::min() || wide > qint64(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return qint32(quint32(wide));
}

// The bytes of a value for the type code, or nothing when the value does not
// convert or the code is not one the store knows.
std::optional<QByteArray> encodeValue(const QVariant& value, int typeCode) {
    switch (typeCode) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
        const auto text = valueToText(value);
        if (!text) return std::nullopt;
        QByteArray bytes = text->toUtf8();
        bytes.append('\0');
        return bytes;
    }
    case REG_BINARY:
        if (!value.isValid()) return QByteArray("");
        if (value.metaType().id() == QMetaType::QByteArray) return value.toByteArray();
        if (value.metaType().id() == QMetaType::QString) return value.toString().toUtf8();
        return std::nullopt;
    case REG_DWORD: {
        const auto number = valueToInt32(value);
        if (!number) return std::nullopt;
        const quint32 v = quint32(*number);
        QByteArray bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = char((v >> (8 * i)) & 0xFF);
        return bytes;
    }
    default:
        return std::nullopt;
    }
}

// One call's access to a key: the shared connection, the call's transaction
// (rolled back unless committed) and the key's row when it exists.
class KeyAccess {
public:
    KeyAccess(quint32 root, const QString& keyPath, bool write) {
        const auto hive = hiveId(root);
        if (!hive) {
            m_error = kErrorInvalidHandle;
            return;
        }
        const auto parts = splitPath(keyPath);
        if (!parts) {
            m_error = kErrorBadPathname;
            return;
        }
        m_isHive = parts->isEmpty();
        m_db = sharedStore();
        if (!m_db) return;
        m_tx.emplace(m_db, write);
        if (!m_tx->ok()) return;
        const Lookup found = findKey(m_db, *hive, *parts, &m_key);
        m_error = found == Lookup::Found     ? kErrorSuccess
                  : found == Lookup::Missing ? kErrorFileNotFound
                                             : kErrorBadDb;
    }

    bool found() const { return m_error == kErrorSuccess; }
    // The store's code for why the key is not at hand (0 when it is).
    qint32 error() const { return m_error; }
    bool isHive() const { return m_isHive; }
    sqlite3* db() const { return m_db; }
    qint64 key() const { return m_key; }
    bool commit() { return m_tx && m_tx->commit(); }

private:
    qint32 m_error = kErrorBadDb;
    bool m_isHive = false;
    sqlite3* m_db = nullptr;
    std::optional<Transaction> m_tx;
    qint64 m_key = 0;
};

// Reads one value below a hive; nullopt when the key or value is missing or
// the store fails.
std::optional<StoredValue> readValue(quint32 root, const QString& keyPath, const QString& valueName) {
    const KeyAccess access(root, keyPath, false);
    StoredValue value;
    if (!access.found() || findValue(access.db(), access.key(), valueName, &value) != Lookup::Found)
        return std::nullopt;
    return value;
}

bool writeValue(quint32 root, const QString& keyPath, const QString& valueName, const QVariant& value,
                int typeCode) {
    const auto bytes = encodeValue(value, typeCode);
    if (!bytes) return false;
    KeyAccess access(root, keyPath, true);
    if (!access.found()) return false;
    // The stored spelling of an existing name is kept.
    Statement st(access.db(),
                 "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                 " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    st.bind(1, access.key())
        .bind(2, valueName)
        .bind(3, fold(valueName))
        .bind(4, typeCode)
        .bindBlob(5, *bytes);
    return st.exec() && access.commit();
}

} // namespace

RegistryRoutines::RegistryRoutines() = default;

QString RegistryRoutines::WorkingKey() const {
    return m_keyRoot + QLatin1Char('\\') + m_subkey;
}

bool RegistryRoutines::KeyExists() const {
    return KeyAccess(m_hkey, WorkingKey(), false).found();
}

QString RegistryRoutines::CreateKey(const QString& keyName) const {
    const QString name = keyName.isEmpty() ? m_subkey : keyName;
    const auto hive = hiveId(m_hkey);
    const auto parts = splitPath(m_keyRoot + QLatin1Char('\\') + name);
    if (!hive || !parts) return QString();
    sqlite3* const db = sharedStore();
    if (!db) return QString();
    Transaction tx(db, true);
    if (!tx.ok()) return QString();
    qint64 current = *hive;
    for (const QString& part : *parts) {
        const Lookup found = findChild(db, current, part, &current);
        if (found == Lookup::Failed) return QString();
        if (found == Lookup::Missing) {
            Statement st(db, "INSERT INTO reg_keys(parent, name, fold) VALUES(?1, ?2, ?3)");
            st.bind(1, current).bind(2, part).bind(3, fold(part));
            if (!st.exec()) return QString();
            current = sqlite3_last_insert_rowid(db);
        }
    }
    return tx.commit() ? QStringLiteral("0") : QString();
}

qint32 RegistryRoutines::DeleteKey(const QString& keyName) const {
    KeyAccess access(m_hkey, m_keyRoot + QLatin1Char('\\') + keyName, true);
    if (!access.found()) return access.error();
    if (access.isHive()) return kErrorAccessDenied; // a hive itself is never deleted
    sqlite3* const db = access.db();
    Statement children(db, "SELECT 1 FROM reg_keys WHERE parent = ?1 LIMIT 1");
    children.bind(1, access.key());
    bool failed = false;
    if (children.next(&failed)) return kErrorAccessDenied;
    if (failed) return kErrorBadDb;
    Statement values(db, "DELETE FROM reg_values WHERE key = ?1");
    Statement self(db, "DELETE FROM reg_keys WHERE id = ?1");
    values.bind(1, access.key());
    self.bind(1, access.key());
    if (!values.exec() || !self.exec() || !access.commit()) return kErrorBadDb;
    return kErrorSuccess;
}

qint32 RegistryRoutines::DeleteValue(const QString& valueName) const {
    KeyAccess access(m_hkey, WorkingKey(), true);
    if (!access.found()) return access.error();
    Statement st(access.db(), "DELETE FROM reg_values WHERE key = ?1 AND fold = ?2");
    st.bind(1, access.key()).bind(2, fold(valueName));
    if (!st.exec()) return kErrorBadDb;
    if (sqlite3_changes(access.db()) == 0) return kErrorFileNotFound;
    return access.commit() ? kErrorSuccess : kErrorBadDb;
}

QStringList RegistryRoutines::EnumRegistryKeys(quint32 root, const QString& keyPath) const {
    QStringList names;
    const KeyAccess access(root, keyPath, false);
    if (!access.found()) return names;
    Statement st(access.db(), "SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY fold, id");
    st.bind(1, access.key());
    while (st.next())
        names.append(st.text(0));
    return names;
}

QList<std::pair<QString, QVariant>> RegistryRoutines::EnumRegistryValues(quint32 root,
                                                                         const QString& keyPath) const {
    QList<std::pair<QString, QVariant>> values;
    const KeyAccess access(root, keyPath, false);
    if (!access.found()) return values;
    // In the order the values were first written.
    Statement st(access.db(), "SELECT name, type, data FROM reg_values WHERE key = ?1 ORDER BY id");
    st.bind(1, access.key());
    while (st.next()) {
        StoredValue value{int(st.integer(1)), st.blob(2)};
        values.append({st.text(0), convertData(value, QVariant(), true)});
    }
    return values;
}

QVariant RegistryRoutines::GetRegistryValue(const QString& valueName, const QVariant& defaultValue) const {
    const auto value = readValue(m_hkey, WorkingKey(), valueName);
    if (!value) return defaultValue;
    return convertData(*value, defaultValue, false);
}

bool RegistryRoutines::SetRegistryValue(const QString& valueName, const QVariant& value, int typeCode) const {
    return writeValue(m_hkey, WorkingKey(), valueName, value, typeCode);
}

QVariant RegistryRoutines::ReadRemoteRegistryValue(const QString&, quint32, const QString&,
                                                   const QString&) const {
    // No remote registry service exists here: the connection always fails.
    return QStringLiteral("Error!");
}

bool RegistryRoutines::WriteRemoteRegistryValue(const QString&, quint32, const QString&, const QVariant&, int,
                                                const QString&) const {
    return false;
}

QString RegistryRoutines::TrimNull(QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) text.truncate(nul);
    return text;
}

RegistryBatch::RegistryBatch() {
    if (t_batch.db) { // within another batch: a part of that one
        m_nested = true;
        return;
    }
    sqlite3* const db = sharedStore();
    if (!db) {
        m_error = QStringLiteral("the settings store cannot be opened");
        return;
    }
    if (!execSql(db, "BEGIN IMMEDIATE")) {
        m_error = QString::fromUtf8(sqlite3_errmsg(db));
        return;
    }
    t_batch = BatchState{db, false, QString()};
    m_owner = true;
}

RegistryBatch::~RegistryBatch() {
    if (!m_owner) return;
    execSql(t_batch.db, "ROLLBACK");
    t_batch = BatchState{};
}

bool RegistryBatch::Commit() {
    if (m_nested) return !t_batch.failed;
    if (!m_owner) return false;
    sqlite3* const db = t_batch.db;
    const BatchState state = t_batch;
    t_batch = BatchState{};
    m_owner = false;
    if (state.failed) {
        execSql(db, "ROLLBACK");
        m_error = state.error;
        return false;
    }
    if (!execSql(db, "COMMIT")) {
        m_error = QString::fromUtf8(sqlite3_errmsg(db));
        execSql(db, "ROLLBACK");
        return false;
    }
    noteOwnWrite(db);
    return true;
}

bool RegistryStoreUsable(QString* message) {
    const QString path = RegistryFile();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return true;
    // The thread's shared connection checks the whole store when it opens;
    // it is the one every later call uses, so the check is not made twice.
    if (sharedStore()) return true;
    QString reason;
    bool usable = false;
    {
        Db db = openStore(&reason);
        if (db) {
            Transaction tx(db.get(), false);
            usable = tx.ok() && storeIsSound(db.get(), &reason);
            if (!tx.ok()) reason = QString::fromUtf8(sqlite3_errmsg(db.get()));
        }
    }
    if (!usable && message) {
        *message =
            QStringLiteral("The settings store %1 cannot be read: %2. It has been left as it is; move it "
                           "away or restore it, then start Corvane again.")
                .arg(QDir::toNativeSeparators(path), reason);
    }
    return usable;
}

} // namespace core
