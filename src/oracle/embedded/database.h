#pragma once
// Embedded databases on disk. The root folder is MOX_DB_ROOT (default: the
// platform's data folder + "/mox/db"); each alias is one folder in it holding
//   catalog.db        users and passwords, table and column descriptions,
//                     constraints, sequences, a copy of the getSequence
//                     counters, triggers, rollback-segment states
//   schema-NAME.db    the tables of the schema (user) NAME
//   ddl.clock         the count of DDL changes (ddlclock.h)
//   keys.map          the getSequence counters (keycounters.h)
// Every file runs in WAL journal mode with synchronous=NORMAL: a commit is
// atomic and survives a crash of the program; after a power failure or an
// operating-system crash the last commits may be missing, but the file is
// never corrupt. Full fsync per commit would cap a refresh, which commits
// after every row, at the disk's flush rate; the rows are reference data
// that a refresh can load again.
#include "oracle/embedded/translator.h"

#include <QString>
#include <QStringList>

struct sqlite3;

namespace oraembed {

// The database root folder.
QString databaseRoot();
// The aliases: folders of the root holding a catalog, sorted.
QStringList databaseAliases();
// The folder of an alias (matched without regard to case when there is no
// exact match), or an empty text when there is none.
QString databaseFolder(const QString &alias);
QString catalogPath(const QString &folder);
QString schemaPath(const QString &folder, const QString &schema);

// "mox-db create": a new empty database. Throws EMoxError.
void createDatabase(const QString &alias);
// "mox-db user": a new user with its (empty) schema. Throws EMoxError.
void createUser(const QString &alias, const QString &user, const QString &password);

// True when the password is the user's (false for an unknown user).
bool checkPassword(sqlite3 *catalog, const QString &user, const QString &password);

// True for a valid unquoted schema or object name (letters, digits, _ $ #).
bool validName(const QString &name);

// Opens a SQLite file with the engine's settings (WAL, synchronous=NORMAL,
// busy timeout, no recursive triggers, case-sensitive LIKE). Throws
// EMoxError naming the file.
sqlite3 *openDatabaseFile(const QString &path, bool create);
// Runs statements without results; throws EMoxError with SQLite's message.
void execSql(sqlite3 *db, const QString &sql);

// Time a second session waits for a lock before it gives up.
constexpr int kBusyTimeoutMs = 10000;

// The data dictionary views: their SQL on the catalog, and their columns.
struct DictionaryView {
    QString name;
    QString sql;               // CREATE TEMP VIEW statement
    std::vector<ColumnInfo> columns;
};
std::vector<DictionaryView> dictionaryViews(const QString &user);

} // namespace oraembed
