#include "oracle/embedded/database.h"

#include "oracle/embedded/ddlclock.h"
#include "oracle/embedded/keycounters.h"

#include "oracle/oravalues.h"
#include "base/moxerror.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

#include <sqlite3.h>

namespace oraembed {

namespace {

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

const char *const kCatalogSchema = R"SQL(
CREATE TABLE IF NOT EXISTS mox_info(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS mox_users(
  username TEXT PRIMARY KEY, user_id INTEGER NOT NULL, salt TEXT NOT NULL, password_hash TEXT NOT NULL,
  created TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS mox_tables(
  owner TEXT NOT NULL, table_name TEXT NOT NULL, key_column TEXT, created TEXT,
  PRIMARY KEY(owner, table_name));
CREATE TABLE IF NOT EXISTS mox_columns(
  owner TEXT NOT NULL, table_name TEXT NOT NULL, column_name TEXT NOT NULL, data_type TEXT NOT NULL,
  data_length INTEGER, data_precision INTEGER, data_scale INTEGER, nullable TEXT NOT NULL,
  column_id INTEGER NOT NULL, data_default TEXT,
  PRIMARY KEY(owner, table_name, column_name));
CREATE TABLE IF NOT EXISTS mox_constraints(
  owner TEXT NOT NULL, constraint_name TEXT NOT NULL, constraint_type TEXT NOT NULL, table_name TEXT NOT NULL,
  columns TEXT, PRIMARY KEY(owner, constraint_name));
CREATE TABLE IF NOT EXISTS mox_indexes(
  owner TEXT NOT NULL, index_name TEXT NOT NULL, table_owner TEXT NOT NULL, table_name TEXT NOT NULL,
  uniqueness TEXT NOT NULL, columns TEXT, PRIMARY KEY(owner, index_name));
CREATE TABLE IF NOT EXISTS mox_sequences(
  owner TEXT NOT NULL, sequence_name TEXT NOT NULL, last_number INTEGER NOT NULL, increment_by INTEGER NOT NULL,
  PRIMARY KEY(owner, sequence_name));
CREATE TABLE IF NOT EXISTS mox_keys(
  owner TEXT NOT NULL, name TEXT NOT NULL, last_value INTEGER NOT NULL, PRIMARY KEY(owner, name));
CREATE TABLE IF NOT EXISTS mox_triggers(
  owner TEXT NOT NULL, trigger_name TEXT NOT NULL, table_owner TEXT NOT NULL, table_name TEXT NOT NULL,
  trigger_type TEXT NOT NULL, triggering_event TEXT NOT NULL, status TEXT NOT NULL, source TEXT,
  sqlite_name TEXT NOT NULL, sqlite_sql TEXT, PRIMARY KEY(owner, trigger_name));
CREATE TABLE IF NOT EXISTS mox_views(
  owner TEXT NOT NULL, view_name TEXT NOT NULL, text TEXT NOT NULL, columns TEXT NOT NULL,
  PRIMARY KEY(owner, view_name));
CREATE TABLE IF NOT EXISTS mox_rollback_segments(
  segment_name TEXT PRIMARY KEY, owner TEXT, status TEXT NOT NULL, changed TEXT);
INSERT OR IGNORE INTO mox_info VALUES('format', '1');
INSERT OR IGNORE INTO mox_info VALUES('ddl_version', '0');
INSERT OR IGNORE INTO mox_info VALUES('next_constraint', '1');
)SQL";

ColumnInfo col(const char *name, const char *type, int length = 30)
{
    ColumnInfo c;
    c.name = QString::fromLatin1(name);
    c.dataType = QString::fromLatin1(type);
    c.length = QLatin1String(type) == QLatin1String("NUMBER") ? 22
               : QLatin1String(type) == QLatin1String("DATE") ? 7
                                                             : length;
    return c;
}

QString hashPassword(const QString &user, const QString &password, const QString &salt)
{
    // Passwords compare without regard to the case of a-z, as the logons
    // of the served system have always worked.
    QByteArray data = salt.toUtf8() + '\0' + user.toUtf8() + '\0' + password.toUpper().toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex());
}

} // namespace

bool validName(const QString &name)
{
    if (name.isEmpty() || name.size() > 30 || !name.at(0).isLetter() || name.at(0).unicode() > 127)
        return false;
    for (const QChar c : name)
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_'
              || c == u'$' || c == u'#'))
            return false;
    return true;
}

QString databaseRoot()
{
    const QString env = qEnvironmentVariable("MOX_DB_ROOT");
    if (!env.isEmpty())
        return QDir::cleanPath(env);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/mox/db");
}

QString catalogPath(const QString &folder) { return QDir(folder).filePath(QStringLiteral("catalog.db")); }

QString schemaPath(const QString &folder, const QString &schema)
{
    return QDir(folder).filePath(QStringLiteral("schema-%1.db").arg(schema));
}

QStringList databaseAliases()
{
    QDir root(databaseRoot());
    QStringList out;
    for (const QString &d : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (QFileInfo::exists(catalogPath(root.filePath(d))))
            out << d;
    out.sort();
    out.removeDuplicates();
    return out;
}

QString databaseFolder(const QString &alias)
{
    if (alias.isEmpty() || alias.contains(u'/') || alias.contains(u'\\') || alias == QLatin1String(".")
        || alias == QLatin1String(".."))
        return QString();
    QDir root(databaseRoot());
    if (QFileInfo::exists(catalogPath(root.filePath(alias))))
        return root.filePath(alias);
    for (const QString &d : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (d.compare(alias, Qt::CaseInsensitive) == 0 && QFileInfo::exists(catalogPath(root.filePath(d))))
            return root.filePath(d);
    return QString();
}

void execSql(sqlite3 *db, const QString &sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        fail(msg);
    }
}

namespace {

// The files of a database hold password hashes and the served data: only
// their owner may read them. SQLite gives its -wal and -shm files the
// permissions of the database file, so an empty file made private before
// SQLite first writes it keeps all three private.
void createPrivateFile(const QString &path)
{
    if (QFileInfo::exists(path))
        return;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !f.setPermissions(QFile::ReadOwner | QFile::WriteOwner))
        fail(QStringLiteral("ORA-01119: error in creating database file %1 (%2)")
                 .arg(QDir::toNativeSeparators(path), f.errorString()));
}

} // namespace

sqlite3 *openDatabaseFile(const QString &path, bool create)
{
    if (create)
        createPrivateFile(path);
    sqlite3 *db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr); // SQLite takes UTF-8 names
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        fail(QStringLiteral("ORA-01157: cannot identify/lock data file %1 (%2)").arg(QDir::toNativeSeparators(path), msg));
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // a double-quoted name that names nothing is an error, never a text
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_extended_result_codes(db, 1);
    try {
        execSql(db, QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA recursive_triggers=OFF; "
                                   "PRAGMA case_sensitive_like=ON; PRAGMA foreign_keys=OFF;"));
        // reading the header proves the file is a database
        execSql(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const EMoxError &e) {
        sqlite3_close(db);
        fail(QStringLiteral("ORA-01115: IO error reading block from file %1 (%2)")
                 .arg(QDir::toNativeSeparators(path), e.message()));
    }
    return db;
}

void createDatabase(const QString &alias)
{
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]{0,63}$"));
    if (!valid.match(alias).hasMatch())
        fail(QStringLiteral("invalid alias \"%1\": use letters, digits, \"_\", \".\" and \"-\"").arg(alias));
    if (!databaseFolder(alias).isEmpty())
        fail(QStringLiteral("database \"%1\" already exists in %2").arg(alias, QDir::toNativeSeparators(databaseRoot())));
    const QString folder = QDir(databaseRoot()).filePath(alias);
    if (!QDir().mkpath(folder)
        || !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        fail(QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder)));
    // counters left by an earlier database of the folder would skip numbers
    // of the new one's tables
    const QString keys = KeyCounters::fileName(folder);
    if (QFile::exists(keys) && !QFile::remove(keys))
        fail(QStringLiteral("cannot remove %1").arg(QDir::toNativeSeparators(keys)));
    sqlite3 *db = openDatabaseFile(catalogPath(folder), true);
    try {
        execSql(db, QString::fromLatin1(kCatalogSchema));
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

void createUser(const QString &alias, const QString &userIn, const QString &password)
{
    const QString folder = databaseFolder(alias);
    if (folder.isEmpty())
        fail(QStringLiteral("ORA-12154: TNS:could not resolve the connect identifier specified (no database \"%1\" in %2)")
                 .arg(alias, QDir::toNativeSeparators(databaseRoot())));
    const QString user = userIn.toUpper();
    if (!validName(user) || user == QLatin1String("MAIN") || user == QLatin1String("TEMP")
        || user == QLatin1String("SYS") || user == QLatin1String("PUBLIC"))
        fail(QStringLiteral("ORA-01935: missing user or role name (\"%1\" cannot be a user name)").arg(userIn));
    if (password.isEmpty())
        fail(QStringLiteral("ORA-00988: missing or invalid password(s)"));
    sqlite3 *db = openDatabaseFile(catalogPath(folder), false);
    try {
        execSql(db, QStringLiteral("BEGIN IMMEDIATE"));
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM mox_users WHERE username = ?1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, user.toUtf8().constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        const bool exists = sqlite3_column_int(st, 0) > 0;
        sqlite3_finalize(st);
        if (exists)
            fail(QStringLiteral("ORA-01920: user name '%1' conflicts with another user or role name").arg(user));
        const QString salt = QString::number(QRandomGenerator::system()->generate64(), 16);
        sqlite3_prepare_v2(db,
                           "INSERT INTO mox_users(username, user_id, salt, password_hash, created) "
                           "VALUES(?1, (SELECT ifnull(max(user_id), 100) + 1 FROM mox_users), ?2, ?3, ?4)",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, user.toUtf8().constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, salt.toUtf8().constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, hashPassword(user, password, salt).toUtf8().constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, oravalue::isoText(QDateTime::currentDateTime()).toUtf8().constData(), -1,
                          SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(db)));
        // the schema file, created empty in WAL mode
        sqlite3 *schema = openDatabaseFile(schemaPath(folder, user), true);
        sqlite3_close(schema);
        // sessions already logged on learn of the new user
        execSql(db, QStringLiteral("UPDATE mox_info SET value = value + 1 WHERE key = 'ddl_version'"));
        execSql(db, QStringLiteral("COMMIT"));
        DdlClock(folder).tick();
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
}

bool checkPassword(sqlite3 *catalog, const QString &user, const QString &password)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(catalog, "SELECT salt, password_hash FROM mox_users WHERE username = ?1", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, user.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    bool ok = false;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        const QString salt = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        const QString hash = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
        ok = hashPassword(user, password, salt) == hash;
    } else if (rc != SQLITE_DONE) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(catalog));
        sqlite3_finalize(st);
        fail(QStringLiteral("ORA-01115: IO error reading the catalog (%1)").arg(msg));
    }
    sqlite3_finalize(st);
    return ok;
}

std::vector<DictionaryView> dictionaryViews(const QString &user)
{
    std::vector<DictionaryView> v;
    const QString u = Translator::literal(user);
    auto tabColumns = [&](bool withOwner) {
        std::vector<ColumnInfo> c;
        if (withOwner)
            c.push_back(col("OWNER", "VARCHAR2"));
        for (const ColumnInfo &x : {col("TABLE_NAME", "VARCHAR2"), col("COLUMN_NAME", "VARCHAR2"),
                                    col("DATA_TYPE", "VARCHAR2"), col("DATA_LENGTH", "NUMBER"),
                                    col("DATA_PRECISION", "NUMBER"), col("DATA_SCALE", "NUMBER"),
                                    col("NULLABLE", "VARCHAR2", 1), col("COLUMN_ID", "NUMBER"),
                                    col("DATA_DEFAULT", "LONG", 0), col("CHAR_LENGTH", "NUMBER")})
            c.push_back(x);
        return c;
    };
    const QString tabColSelect = QStringLiteral(
        "table_name AS TABLE_NAME, column_name AS COLUMN_NAME, data_type AS DATA_TYPE, "
        "data_length AS DATA_LENGTH, data_precision AS DATA_PRECISION, data_scale AS DATA_SCALE, "
        "nullable AS NULLABLE, column_id AS COLUMN_ID, data_default AS DATA_DEFAULT, "
        "CASE WHEN data_type IN ('VARCHAR2','CHAR') THEN data_length ELSE 0 END AS CHAR_LENGTH "
        "FROM main.mox_columns");
    v.push_back({QStringLiteral("DUAL"), QStringLiteral("SELECT 'X' AS DUMMY"), {col("DUMMY", "VARCHAR2", 1)}});
    const std::vector<ColumnInfo> users = {col("USERNAME", "VARCHAR2"), col("USER_ID", "NUMBER"), col("CREATED", "DATE")};
    const QString usersSql = QStringLiteral("SELECT username AS USERNAME, user_id AS USER_ID, created AS CREATED FROM main.mox_users");
    v.push_back({QStringLiteral("ALL_USERS"), usersSql, users});
    v.push_back({QStringLiteral("DBA_USERS"), usersSql, users});
    const std::vector<ColumnInfo> tables = {col("OWNER", "VARCHAR2"), col("TABLE_NAME", "VARCHAR2"),
                                            col("TABLESPACE_NAME", "VARCHAR2"), col("NUM_ROWS", "NUMBER")};
    const QString tablesSql = QStringLiteral("SELECT owner AS OWNER, table_name AS TABLE_NAME, 'USERS' AS TABLESPACE_NAME, "
                                             "NULL AS NUM_ROWS FROM main.mox_tables");
    v.push_back({QStringLiteral("ALL_TABLES"), tablesSql, tables});
    v.push_back({QStringLiteral("DBA_TABLES"), tablesSql, tables});
    v.push_back({QStringLiteral("USER_TABLES"),
                 QStringLiteral("SELECT table_name AS TABLE_NAME, 'USERS' AS TABLESPACE_NAME, NULL AS NUM_ROWS "
                                "FROM main.mox_tables WHERE owner = %1")
                     .arg(u),
                 {col("TABLE_NAME", "VARCHAR2"), col("TABLESPACE_NAME", "VARCHAR2"), col("NUM_ROWS", "NUMBER")}});
    v.push_back({QStringLiteral("ALL_TAB_COLUMNS"), QStringLiteral("SELECT owner AS OWNER, ") + tabColSelect,
                 tabColumns(true)});
    v.push_back({QStringLiteral("DBA_TAB_COLUMNS"), QStringLiteral("SELECT owner AS OWNER, ") + tabColSelect,
                 tabColumns(true)});
    v.push_back({QStringLiteral("USER_TAB_COLUMNS"),
                 QStringLiteral("SELECT ") + tabColSelect + QStringLiteral(" WHERE owner = ") + u, tabColumns(false)});
    const std::vector<ColumnInfo> trig = {col("OWNER", "VARCHAR2"),          col("TRIGGER_NAME", "VARCHAR2"),
                                          col("TRIGGER_TYPE", "VARCHAR2", 16), col("TRIGGERING_EVENT", "VARCHAR2", 227),
                                          col("TABLE_OWNER", "VARCHAR2"),      col("BASE_OBJECT_TYPE", "VARCHAR2", 16),
                                          col("TABLE_NAME", "VARCHAR2"),       col("STATUS", "VARCHAR2", 8),
                                          col("TRIGGER_BODY", "LONG", 0)};
    const QString trigSql = QStringLiteral(
        "SELECT owner AS OWNER, trigger_name AS TRIGGER_NAME, trigger_type AS TRIGGER_TYPE, "
        "triggering_event AS TRIGGERING_EVENT, table_owner AS TABLE_OWNER, 'TABLE' AS BASE_OBJECT_TYPE, "
        "table_name AS TABLE_NAME, status AS STATUS, source AS TRIGGER_BODY FROM main.mox_triggers");
    v.push_back({QStringLiteral("DBA_TRIGGERS"), trigSql, trig});
    v.push_back({QStringLiteral("ALL_TRIGGERS"), trigSql, trig});
    v.push_back({QStringLiteral("USER_TRIGGERS"), trigSql + QStringLiteral(" WHERE owner = ") + u, trig});
    const std::vector<ColumnInfo> seq = {col("SEQUENCE_OWNER", "VARCHAR2"), col("SEQUENCE_NAME", "VARCHAR2"),
                                         col("INCREMENT_BY", "NUMBER"), col("LAST_NUMBER", "NUMBER")};
    const QString seqSql = QStringLiteral(
        "SELECT owner AS SEQUENCE_OWNER, sequence_name AS SEQUENCE_NAME, increment_by AS INCREMENT_BY, "
        "last_number + increment_by AS LAST_NUMBER FROM main.mox_sequences");
    v.push_back({QStringLiteral("ALL_SEQUENCES"), seqSql, seq});
    v.push_back({QStringLiteral("DBA_SEQUENCES"), seqSql, seq});
    v.push_back({QStringLiteral("USER_SEQUENCES"), seqSql + QStringLiteral(" WHERE owner = ") + u, seq});
    v.push_back({QStringLiteral("DBA_ROLLBACK_SEGS"),
                 QStringLiteral("SELECT segment_name AS SEGMENT_NAME, owner AS OWNER, status AS STATUS "
                                "FROM main.mox_rollback_segments"),
                 {col("SEGMENT_NAME", "VARCHAR2"), col("OWNER", "VARCHAR2", 6), col("STATUS", "VARCHAR2", 16)}});
    for (DictionaryView &d : v) {
        d.sql = QStringLiteral("CREATE TEMP VIEW %1 AS %2").arg(Translator::quote(d.name), d.sql);
        int id = 0;
        for (ColumnInfo &c : d.columns)
            c.id = ++id;
    }
    return v;
}

} // namespace oraembed
