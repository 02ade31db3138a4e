#pragma once
// The embedded engine's session: one SQLite connection whose main database
// is the catalog; schema files are attached under their schema names as
// statements need them. SQLite attaches at most ten files at once, so the
// least recently used schema that the open transaction has not touched is
// detached to make room.
//
// Transactions follow Oracle: the first write opens a transaction that stays
// open until Commit or Rollback; a failed statement undoes only itself; DDL
// commits first. Outside a transaction, statements share one SQLite read
// transaction while no connection has committed to the files since it began
// (see refreshSnapshot): taking and dropping the WAL read lock for every
// statement is the larger part of a short query's cost. Sequences and
// rollback-segment states are written through a second connection and
// committed at once, so a number handed out is never handed out again, even
// after a rollback; getSequence counters live in a file shared in memory
// (keycounters.h), with the same guarantee.
#include "oracle/embedded/ddlclock.h"
#include "oracle/embedded/sqlast.h"
#include "oracle/embedded/translator.h"
#include "oracle/engine.h"

#include <QHash>
#include <QSet>

#include <array>
#include <list>
#include <map>
#include <set>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace oraembed {

class EmbeddedCursor;
class EmbeddedLob;
class KeyCounters;

// Between the statements of a trigger in the catalog's mox_triggers.sqlite_sql.
constexpr QChar kTriggerSeparator(0x1E);

// A query's or DML statement's text parsed, translated and prepared, as a
// cursor that no longer needs it hands it back to the session.
struct PreparedText {
    std::unique_ptr<Stmt> stmt;
    Translation tr;
    QStringList columnNames;
    sqlite3_stmt *st = nullptr;
    qint64 version = -1; // the DDL version it was translated at
};

class EmbeddedSession : public OraEngineSession, public CatalogLookup {
public:
    static std::unique_ptr<OraEngineSession> connect(const QString &alias, const QString &user, const QString &password);
    ~EmbeddedSession() override;

    QString engineName() const override { return QStringLiteral("embedded"); }
    QString user() const override { return m_user; }
    void commit() override;
    void rollback() override;
    void savepoint(const QString &name);
    void rollbackTo(const QString &name);
    std::unique_ptr<OraEngineCursor> createCursor() override;
    void deleteRow(const QString &rowid) override;

    bool userExists(const QString &user) override;
    std::shared_ptr<const TableInfo> table(const QString &owner, const QString &name) override;

    // for the cursors and the SQL functions
    sqlite3 *db() const { return m_db; }
    qint64 ddlVersion();
    void prepareRead(const QSet<QString> &schemas);
    // A statement starts: outside a transaction, a read snapshot that others'
    // commits have outdated ends, so that the catalog is read as of now.
    void statementSnapshot()
    {
        if (!m_inTxn)
            refreshSnapshot(false);
    }
    void prepareWrite(const QSet<QString> &schemas);
    // SELECT ... FOR UPDATE: takes the write lock of the schemas' files for
    // the open transaction, waiting up to waitSeconds (-1: the usual wait).
    void lockForUpdate(const Translation &tr, int waitSeconds);
    void runDdl(const Stmt &s);
    sqlite3_stmt *prepare(const QString &sql);          // a new statement; throws mapped errors
    [[noreturn]] void raise(const Translation *t = nullptr, const QString &context = QString());
    QString errorText(int rc, const QString &msg, const Translation *t);
    void cursorPending(EmbeddedCursor *c, bool pending);
    // Statements of texts that cursors let go (a statement object deleted or
    // given another text), kept for the next cursor that runs the same text
    // at the same DDL version: a statement object made for each call parses
    // and prepares its text only once.
    void keepPrepared(const QString &sql, PreparedText p);
    bool takePrepared(const QString &sql, qint64 version, PreparedText &p);
    void forgetCursor(EmbeddedCursor *c);
    void trackLob(EmbeddedLob *l, bool alive);
    void afterFailure();

    QString marker(const QString &owner) const;
    void setMarker(const QString &owner, const QString &marker) { m_markers[owner] = marker; }
    // getSequence: the next number of the counter, above floor (the highest
    // key of the table of the same name, or 0)
    qint64 nextKey(const QString &owner, const QString &name, qint64 floor);
    qint64 nextval(const QString &owner, const QString &sequence);
    // NEXTVAL named at one place of a statement: one number per row, however
    // many places of the row name it
    qint64 nextvalInRow(const QString &owner, const QString &sequence, int place);
    // A statement starts running (its rows get new sequence numbers).
    void statementStarts() { ++m_statementSerial; }
    qint64 currval(const QString &owner, const QString &sequence) const;
    void setRollbackSegment(const QString &owner, const QString &name, const QString &mode);
    void writeLob(const QString &owner, const QString &table, const QString &column, qint64 rowid, const QString &text);
    QString readLob(const QString &owner, const QString &table, const QString &column, qint64 rowid);

private:
    EmbeddedSession(QString folder, QString alias, QString user, sqlite3 *db);

    QString m_folder, m_alias, m_user;
    sqlite3 *m_db = nullptr;
    sqlite3 *m_aux = nullptr;
    int m_maxAttached = 10;
    std::list<QString> m_attached; // most recently used first
    bool m_inTxn = false;
    // Outside a transaction: a read transaction kept open between statements,
    // and the WAL index headers of the files as they were when it began.
    bool m_readHeld = false;
    struct SeenHeader {
        QByteArray schema;
        const volatile char *walIndex = nullptr; // null: cannot be watched
        std::array<char, 48> header{};
    };
    std::vector<SeenHeader> m_seenHeaders; // main and the attached schemas; emptied by a detach
    quint64 m_checkedStatement = 0;        // the statement whose start compared them
    // Reads since the last write run on their own, up to kPlainReads of
    // them: a refresh reads once or twice for a record before it writes it,
    // and a read transaction begun for those reads would only be ended by
    // the write.
    quint64 m_plainRead = 0; // the statement of the last such read
    int m_plainReads = 0;    // how many since the last write
    static constexpr int kPlainReads = 2;
    void refreshSnapshot(bool begin);
    void endHeldRead();
    bool filesChanged() const;
    const volatile char *walIndex(const QByteArray &schema) const;
    bool m_hasViews = false; // the catalog has the view table (older ones do not)
    bool catalogHas(const QString &table);
    QSet<QString> m_txnSchemas;
    QStringList m_savepoints; // of the open transaction, oldest first
    QSet<QString> m_syncPending; // attached inside a transaction: synchronous set after it ends
    void applySync();
    std::set<EmbeddedCursor *> m_cursors;
    std::set<EmbeddedCursor *> m_pending;
    std::set<EmbeddedLob *> m_lobs; // locators handed out, told when the session ends
    std::map<QString, QString> m_markers;
    std::map<QString, qint64> m_currval;
    struct RowNumber {
        quint64 statement = 0;
        QSet<int> places; // places of the current row that have read it
        qint64 value = 0;
    };
    std::map<QString, RowNumber> m_rowNumbers;
    quint64 m_statementSerial = 0;
    std::list<std::pair<QString, PreparedText>> m_kept; // most recently kept first
    static constexpr size_t kKeptTexts = 32;
    QHash<QString, sqlite3_stmt *> m_cache;    // internal statements on the main connection
    QHash<QString, sqlite3_stmt *> m_auxCache; // on the second connection
    qint64 m_cachedVersion = -1;
    DdlClock m_clock;
    std::map<QString, std::shared_ptr<const TableInfo>> m_tables;
    std::map<QString, bool> m_users;
    std::map<QString, std::shared_ptr<const TableInfo>> m_dictionary;

    sqlite3_stmt *cached(const QString &sql);
    sqlite3_stmt *auxCached(const QString &sql);
    sqlite3 *aux();
    void auxStep(const QString &sql); // a statement without rows on the second connection
    [[noreturn]] void failAux();
    std::unique_ptr<KeyCounters> m_keys; // mapped at the first getSequence
    QHash<QString, int> m_keySlots;      // "OWNER.NAME": its slot, -1 for a counter kept in the catalog
    int keySlot(const QString &owner, const QString &name);
    // Brings the catalog's copy of the counters this session used up to date.
    void saveKeys() noexcept;
    void exec(const QString &sql);
    void ensureAttached(const QSet<QString> &schemas);
    void drainPending();
    void transactionEnds();
    void beginDdl();
    void endDdl(bool ok);
    // Runs one DDL statement's changes in their own transaction: committed
    // with a new DDL version when body returns, rolled back when it raises.
    template <class F> void inDdl(F &&body);
    QString newConstraintName();
    void ddlCreateTable(const Stmt &s);
    // a constraint of CREATE TABLE as the catalog records it
    struct NamedConstraint {
        QString name;
        char type;
        QStringList cols;
    };
    QStringList tableColumns(const Stmt &s, TableInfo &info);
    std::vector<NamedConstraint> constraintClauses(const Stmt &s, const TableInfo &info, QStringList &defs);
    void writeTableCatalog(const TableInfo &info, const std::vector<NamedConstraint> &named);
    void insertColumnRow(const QString &owner, const QString &table, const ColumnInfo &c);
    void dropSqliteTriggers(const QString &tableOwner, const QString &sqliteName);
    void ddlCreateIndex(const Stmt &s);
    void ddlCreateSequence(const Stmt &s);
    void ddlCreateTrigger(const Stmt &s);
    void ddlAlterTrigger(const Stmt &s);
    void ddlDrop(const Stmt &s);
    void ddlTruncate(const Stmt &s);
    void ddlAlterTable(const Stmt &s);
    void ddlAddColumns(const Stmt &s, const TableInfo &t);
    void ddlModifyColumns(const Stmt &s, const TableInfo &t);
    void ddlDropColumns(const Stmt &s, const TableInfo &t);
    void ddlCreateView(const Stmt &s);
    void ddlDropView(const Stmt &s);
    void ensureViewCatalog();
    bool tableHasRows(const TableInfo &t, const QString &column = QString());
    QString ownerOf(const QStringList &name) const { return name.size() > 1 ? name[0] : m_user; }
    void requireUser(const QString &owner);
    bool objectExists(const QString &owner, const QString &name);
    void registerFunctions();
};

} // namespace oraembed
