// The embedded engine's session: logon, the attached schema files,
// transactions and savepoints, Oracle error texts for SQLite's failures, the
// table descriptions the translator asks for, sequences and LOB columns.
// Its cursors are in cursor.cpp, its DDL in session_ddl.cpp.
#include "oracle/embedded/session.h"

#include "oracle/embedded/cursor.h"
#include "oracle/embedded/database.h"
#include "oracle/embedded/keycounters.h"
#include "oracle/embedded/sqliteutil.h"
#include "oracle/oravalues.h"
#include "base/moxerror.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <atomic>

namespace oraembed {

namespace {

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

} // namespace

EmbeddedSession::EmbeddedSession(QString folder, QString alias, QString user, sqlite3 *db)
    : m_folder(std::move(folder)), m_alias(std::move(alias)), m_user(std::move(user)), m_db(db), m_clock(m_folder)
{
    m_maxAttached = sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, -1);
}

std::unique_ptr<OraEngineSession> EmbeddedSession::connect(const QString &alias, const QString &userIn,
                                                           const QString &password)
{
    const QString folder = databaseFolder(alias);
    if (folder.isEmpty())
        fail(QStringLiteral("ORA-12154: TNS:could not resolve the connect identifier specified (no database \"%1\" in %2)")
                 .arg(alias, QDir::toNativeSeparators(databaseRoot())));
    const QString user = userIn.trimmed().toUpper();
    sqlite3 *db = openDatabaseFile(catalogPath(folder), false);
    bool ok = false;
    try {
        ok = validName(user) && checkPassword(db, user, password);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    if (!ok) {
        sqlite3_close(db);
        fail(QStringLiteral("ORA-01017: invalid username/password; logon denied"));
    }
    std::unique_ptr<EmbeddedSession> s(new EmbeddedSession(folder, alias, user, db));
    s->registerFunctions();
    for (const DictionaryView &v : dictionaryViews(user)) {
        s->exec(v.sql);
        auto info = std::make_shared<TableInfo>();
        info->owner = QStringLiteral("SYS");
        info->name = v.name;
        info->columns = v.columns;
        info->dictionary = true;
        info->sqlRef = QStringLiteral("temp.") + Translator::quote(v.name);
        s->m_dictionary[v.name] = info;
    }
    s->ensureAttached({user});
    s->m_hasViews = s->catalogHas(QStringLiteral("mox_views"));
    return s;
}

bool EmbeddedSession::catalogHas(const QString &table)
{
    sqlite3_stmt *st = cached(QStringLiteral("SELECT count(*) FROM main.sqlite_master WHERE type = 'table' AND name = ?1"));
    Reset g{st};
    bindText(st, 1, table);
    return sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
}

EmbeddedSession::~EmbeddedSession()
{
    for (EmbeddedCursor *c : m_cursors)
        c->sessionClosed();
    m_cursors.clear();
    for (EmbeddedLob *l : m_lobs)
        l->m_s = nullptr;
    m_lobs.clear();
    m_pending.clear();
    for (auto &kept : m_kept)
        sqlite3_finalize(kept.second.st);
    m_kept.clear();
    saveKeys();
    for (sqlite3_stmt *st : std::as_const(m_cache))
        sqlite3_finalize(st);
    for (sqlite3_stmt *st : std::as_const(m_auxCache))
        sqlite3_finalize(st);
    if (m_inTxn || m_readHeld)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
    if (m_aux)
        sqlite3_close(m_aux);
}

std::unique_ptr<OraEngineCursor> EmbeddedSession::createCursor()
{
    auto c = std::make_unique<EmbeddedCursor>(this);
    m_cursors.insert(c.get());
    return c;
}

void EmbeddedSession::forgetCursor(EmbeddedCursor *c)
{
    m_cursors.erase(c);
    m_pending.erase(c);
}

void EmbeddedSession::trackLob(EmbeddedLob *l, bool alive)
{
    if (alive)
        m_lobs.insert(l);
    else
        m_lobs.erase(l);
}

void EmbeddedSession::cursorPending(EmbeddedCursor *c, bool pending)
{

    if (pending)
        m_pending.insert(c);
    else
        m_pending.erase(c);
}

void EmbeddedSession::keepPrepared(const QString &sql, PreparedText p)
{
    sqlite3_reset(p.st);
    sqlite3_clear_bindings(p.st);
    m_kept.emplace_front(sql, std::move(p));
    while (m_kept.size() > kKeptTexts) {
        sqlite3_finalize(m_kept.back().second.st);
        m_kept.pop_back();
    }
}

bool EmbeddedSession::takePrepared(const QString &sql, qint64 version, PreparedText &p)
{
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if (it->first != sql)
            continue;
        PreparedText found = std::move(it->second);
        m_kept.erase(it);
        if (found.version != version) { // translated before a DDL change
            sqlite3_finalize(found.st);
            return false;
        }
        p = std::move(found);
        return true;
    }
    return false;
}

void EmbeddedSession::drainPending()
{
    const std::set<EmbeddedCursor *> pending = m_pending;
    for (EmbeddedCursor *c : pending)
        c->drain();
    m_pending.clear();
}

sqlite3_stmt *EmbeddedSession::prepare(const QString &sql)
{
    sqlite3_stmt *st = nullptr;
    const QByteArray b = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, b.constData(), int(b.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        raise();
    }
    return st;
}

sqlite3_stmt *EmbeddedSession::cached(const QString &sql)
{
    auto it = m_cache.find(sql);
    if (it != m_cache.end())
        return it.value();
    sqlite3_stmt *st = prepare(sql);
    m_cache.insert(sql, st);
    return st;
}

sqlite3 *EmbeddedSession::aux()
{
    if (!m_aux)
        m_aux = openDatabaseFile(catalogPath(m_folder), false);
    return m_aux;
}

sqlite3_stmt *EmbeddedSession::auxCached(const QString &sql)
{
    auto it = m_auxCache.find(sql);
    if (it != m_auxCache.end())
        return it.value();
    sqlite3_stmt *st = nullptr;
    const QByteArray b = sql.toUtf8();
    if (sqlite3_prepare_v2(aux(), b.constData(), int(b.size()), &st, nullptr) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_aux));
        sqlite3_finalize(st);
        fail(msg);
    }
    m_auxCache.insert(sql, st);
    return st;
}

void EmbeddedSession::auxStep(const QString &sql)
{
    sqlite3_stmt *st = auxCached(sql);
    Reset g{st};
    if (sqlite3_step(st) != SQLITE_DONE)
        failAux();
}

void EmbeddedSession::failAux()
{
    fail(errorText(sqlite3_extended_errcode(m_aux), QString::fromUtf8(sqlite3_errmsg(m_aux)), nullptr));
}

void EmbeddedSession::exec(const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(m_db));
        sqlite3_free(err);
        fail(errorText(rc, msg, nullptr));
    }
}

QString EmbeddedSession::errorText(int rc, const QString &msg, const Translation *t)
{
    if (msg.startsWith(QLatin1String("ORA-")) || msg.startsWith(QLatin1String("PLS-")))
        return msg;
    const int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return QStringLiteral("ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired "
                              "(the database is locked by another session: %1)")
            .arg(msg);
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return QStringLiteral("ORA-01578: ORACLE data block corrupted (database %1: %2)")
            .arg(QDir::toNativeSeparators(m_folder), msg);
    if (primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY)
        return QStringLiteral("ORA-01115: IO error reading or writing database %1 (%2)")
            .arg(QDir::toNativeSeparators(m_folder), msg);
    const QString owner = t ? t->owner : m_user;
    static const QRegularExpression unique(QStringLiteral("^UNIQUE constraint failed: (.*)$"));
    static const QRegularExpression notNull(QStringLiteral("^NOT NULL constraint failed: ([^.]+)\\.(.+)$"));
    static const QRegularExpression check(QStringLiteral("^CHECK constraint failed: (.+)$"));
    QRegularExpressionMatch m;
    if ((m = unique.match(msg)).hasMatch()) {
        QStringList cols;
        QString table;
        for (const QString &p : m.captured(1).split(QStringLiteral(", "))) {
            table = p.section(u'.', 0, 0);
            cols << p.section(u'.', 1);
        }
        QString name;
        sqlite3_stmt *st = cached(QStringLiteral(
            "SELECT constraint_name FROM mox_constraints WHERE owner = ?1 AND table_name = ?2 AND columns = ?3 "
            "AND constraint_type IN ('P','U') UNION ALL SELECT index_name FROM mox_indexes WHERE table_owner = ?1 "
            "AND table_name = ?2 AND columns = ?3 AND uniqueness = 'UNIQUE'"));
        {
            Reset g{st};
            bindText(st, 1, owner);
            bindText(st, 2, table);
            bindText(st, 3, cols.join(u','));
            if (sqlite3_step(st) == SQLITE_ROW)
                name = columnText(st, 0);
        }
        if (name.isEmpty())
            name = QStringLiteral("SYS_C000000");
        return QStringLiteral("ORA-00001: unique constraint (%1.%2) violated").arg(owner, name);
    }
    if ((m = notNull.match(msg)).hasMatch()) {
        const QString ref = QStringLiteral("\"%1\".\"%2\".\"%3\"").arg(owner, m.captured(1), m.captured(2));
        if (t && t->dml == 'U')
            return QStringLiteral("ORA-01407: cannot update (%1) to NULL").arg(ref);
        return QStringLiteral("ORA-01400: cannot insert NULL into (%1)").arg(ref);
    }
    if ((m = check.match(msg)).hasMatch())
        return QStringLiteral("ORA-02290: check constraint (%1.%2) violated").arg(owner, m.captured(1));
    if (msg.startsWith(QLatin1String("no such table")))
        return QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(msg.section(u':', 1).trimmed());
    if (msg.startsWith(QLatin1String("no such column")))
        return QStringLiteral("ORA-00904: \"%1\": invalid identifier").arg(msg.section(u':', 1).trimmed());
    if (msg.startsWith(QLatin1String("ambiguous column name")))
        return QStringLiteral("ORA-00918: column ambiguously defined (%1)").arg(msg.section(u':', 1).trimmed());
    if (msg.startsWith(QLatin1String("misuse of aggregate")))
        return QStringLiteral("ORA-00934: group function is not allowed here");
    if (msg.contains(QLatin1String("sub-select returns")))
        return QStringLiteral("ORA-00913: too many values");
    // SQLite's own parser nests less deeply than this engine's (about thirty
    // nested function calls, a thousand levels of expression)
    if (msg.contains(QLatin1String("parser stack overflow")) || msg.startsWith(QLatin1String("Expression tree is too large")))
        return QStringLiteral("ORA-03095: expression level is too deep (%1)").arg(msg);
    if (msg.contains(QLatin1String("too many attached databases")))
        return QStringLiteral("ORA-03001: unimplemented feature: a statement naming more than %1 schemas is not "
                              "supported by the embedded engine")
            .arg(m_maxAttached);
    return QStringLiteral("ORA-00600: internal error code, arguments: [embedded], [%1]").arg(msg);
}

void EmbeddedSession::raise(const Translation *t, const QString &context)
{
    const int rc = sqlite3_extended_errcode(m_db);
    QString msg = errorText(rc, QString::fromUtf8(sqlite3_errmsg(m_db)), t);
    if (!context.isEmpty())
        msg += u'\n' + context;
    afterFailure();
    fail(msg);
}

void EmbeddedSession::afterFailure()
{
    // some failures (I/O, a full disk) end the whole transaction in SQLite
    if (m_inTxn && sqlite3_get_autocommit(m_db)) {
        m_inTxn = false;
        m_txnSchemas.clear();
        m_savepoints.clear();
    }
}

qint64 EmbeddedSession::ddlVersion()
{
    qint64 v = 0;
    if (m_clock.valid()) {
        v = m_clock.read();
    } else {
        sqlite3_stmt *st = cached(QStringLiteral("SELECT value FROM mox_info WHERE key = 'ddl_version'"));
        Reset g{st};
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            v = sqlite3_column_int64(st, 0);
        else if (rc != SQLITE_DONE)
            raise();
    }
    if (v != m_cachedVersion) {
        m_cachedVersion = v;
        m_tables.clear();
        m_users.clear();
    }
    return v;
}

bool EmbeddedSession::userExists(const QString &user)
{
    auto it = m_users.find(user);
    if (it != m_users.end())
        return it->second;
    sqlite3_stmt *st = cached(QStringLiteral("SELECT count(*) FROM mox_users WHERE username = ?1"));
    Reset g{st};
    bindText(st, 1, user);
    bool found = false;
    if (sqlite3_step(st) == SQLITE_ROW)
        found = sqlite3_column_int(st, 0) > 0;
    m_users[user] = found;
    return found;
}

std::shared_ptr<const TableInfo> EmbeddedSession::table(const QString &owner, const QString &name)
{
    if (owner == QLatin1String("SYS")) {
        auto it = m_dictionary.find(name);
        return it == m_dictionary.end() ? nullptr : it->second;
    }
    const QString key = owner + u'.' + name;
    auto it = m_tables.find(key);
    if (it != m_tables.end())
        return it->second;
    std::shared_ptr<TableInfo> info;
    sqlite3_stmt *st = cached(QStringLiteral("SELECT key_column FROM mox_tables WHERE owner = ?1 AND table_name = ?2"));
    {
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        if (sqlite3_step(st) == SQLITE_ROW) {
            info = std::make_shared<TableInfo>();
            info->owner = owner;
            info->name = name;
            info->keyColumn = columnText(st, 0);
            info->sqlRef = Translator::quote(owner) + u'.' + Translator::quote(name);
        }
    }
    if (info) {
        sqlite3_stmt *cs = cached(QStringLiteral(
            "SELECT column_name, data_type, data_length, data_precision, data_scale, nullable, column_id, data_default "
            "FROM mox_columns WHERE owner = ?1 AND table_name = ?2 ORDER BY column_id"));
        Reset g{cs};
        bindText(cs, 1, owner);
        bindText(cs, 2, name);
        while (sqlite3_step(cs) == SQLITE_ROW) {
            ColumnInfo c;
            c.name = columnText(cs, 0);
            c.dataType = columnText(cs, 1);
            c.length = sqlite3_column_int(cs, 2);
            c.precision = sqlite3_column_type(cs, 3) == SQLITE_NULL ? -1 : sqlite3_column_int(cs, 3);
            c.scale = sqlite3_column_type(cs, 4) == SQLITE_NULL ? -1 : sqlite3_column_int(cs, 4);
            c.nullable = columnText(cs, 5) == QLatin1String("Y");
            c.id = sqlite3_column_int(cs, 6);
            c.defaultSource = columnText(cs, 7);
            info->columns.push_back(c);
        }
        sqlite3_stmt *ts = cached(QStringLiteral(
            "SELECT sqlite_sql FROM mox_triggers WHERE table_owner = ?1 AND table_name = ?2 AND status = 'ENABLED' "
            "ORDER BY rowid"));
        Reset tg{ts};
        bindText(ts, 1, owner);
        bindText(ts, 2, name);
        while (sqlite3_step(ts) == SQLITE_ROW)
            for (const QString &piece : columnText(ts, 0).split(kTriggerSeparator, Qt::SkipEmptyParts)) {
                const bool insert = piece.startsWith(kInsertValueMark);
                if (!insert && !piece.startsWith(kUpdateValueMark))
                    continue;
                // the column, the value's SQL and (an update's) columns of UPDATE OF
                const QString rest = piece.mid((insert ? kInsertValueMark : kUpdateValueMark).size());
                const qsizetype first = rest.indexOf(kTriggerValueSeparator);
                const qsizetype last = insert ? rest.size() : rest.lastIndexOf(kTriggerValueSeparator);
                TableInfo::TriggerValue v{rest.left(first), rest.mid(first + 1, last - first - 1), {}};
                if (!insert)
                    v.of = rest.mid(last + 1).split(u',', Qt::SkipEmptyParts);
                (insert ? info->insertValues : info->updateValues).push_back(v);
            }
    }
    if (!info && m_hasViews) {
        sqlite3_stmt *vs = cached(QStringLiteral("SELECT text, columns FROM mox_views WHERE owner = ?1 AND view_name = ?2"));
        Reset g{vs};
        bindText(vs, 1, owner);
        bindText(vs, 2, name);
        if (sqlite3_step(vs) == SQLITE_ROW) {
            info = std::make_shared<TableInfo>();
            info->owner = owner;
            info->name = name;
            info->viewQuery = columnText(vs, 0);
            int id = 0;
            for (const QString &c : columnText(vs, 1).split(u','))
                info->columns.push_back(ColumnInfo{c, QStringLiteral("VARCHAR2"), 0, -1, -1, true, ++id, {}});
        }
    }
    m_tables[key] = info;
    return info;
}

void EmbeddedSession::ensureAttached(const QSet<QString> &schemas)
{
    for (const QString &s : schemas) {
        auto it = std::find(m_attached.begin(), m_attached.end(), s);
        if (it != m_attached.end()) {
            if (it != m_attached.begin())
                m_attached.splice(m_attached.begin(), m_attached, it);
            continue;
        }
        if (!userExists(s))
            fail(QStringLiteral("ORA-01918: user '%1' does not exist").arg(s));
        while (int(m_attached.size()) >= m_maxAttached) {
            // the least recently used schema that neither this statement nor
            // the open transaction uses
            auto victim = m_attached.end();
            for (auto v = m_attached.rbegin(); v != m_attached.rend(); ++v)
                if (!schemas.contains(*v) && !m_txnSchemas.contains(*v)) {
                    victim = std::prev(v.base());
                    break;
                }
            if (victim == m_attached.end())
                fail(QStringLiteral("ORA-03001: unimplemented feature: one transaction of the embedded engine can use "
                                    "at most %1 schemas; commit before using more")
                         .arg(m_maxAttached));
            drainPending();
            endHeldRead(); // a file in a transaction cannot be detached
            m_seenHeaders.clear();
            exec(QStringLiteral("DETACH DATABASE ") + Translator::quote(*victim));
            m_attached.erase(victim);
        }
        const QString path = schemaPath(m_folder, s);
        if (!QFileInfo::exists(path))
            fail(QStringLiteral("ORA-01157: cannot identify/lock data file %1 - the schema file of %2 is missing")
                     .arg(QDir::toNativeSeparators(path), s));
        sqlite3_stmt *st = nullptr;
        const QByteArray sql = QStringLiteral("ATTACH DATABASE ?1 AS %1").arg(Translator::quote(s)).toUtf8();
        sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr);
        bindText(st, 1, path);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            raise();
        m_attached.push_front(s);
        // SQLite attaches with synchronous=FULL and changes it only outside
        // a transaction
        if (sqlite3_get_autocommit(m_db))
            exec(QStringLiteral("PRAGMA %1.synchronous=NORMAL").arg(Translator::quote(s)));
        else
            m_syncPending.insert(s);
    }
}

void EmbeddedSession::applySync()
{
    if (m_syncPending.isEmpty() || !sqlite3_get_autocommit(m_db))
        return;
    const QSet<QString> pending = m_syncPending;
    m_syncPending.clear();
    for (const QString &s : pending)
        if (std::find(m_attached.begin(), m_attached.end(), s) != m_attached.end())
            exec(QStringLiteral("PRAGMA %1.synchronous=NORMAL").arg(Translator::quote(s)));
}

void EmbeddedSession::prepareRead(const QSet<QString> &schemas)
{
    ensureAttached(schemas);
    if (m_inTxn)
        m_txnSchemas.unite(schemas);
    else
        refreshSnapshot(true);
}

// The WAL index of an attached file: the shared memory every connection to
// the file maps, whose first 48 bytes (the index header) every commit to the
// file changes. It stays mapped while the file is attached (SQLite maps it
// when it attaches the file and reads its schema). Null when it cannot be
// had.
const volatile char *EmbeddedSession::walIndex(const QByteArray &schema) const
{
    sqlite3_file *f = nullptr;
    if (sqlite3_file_control(m_db, schema.constData(), SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f ||
        !f->pMethods || f->pMethods->iVersion < 2 || !f->pMethods->xShmMap)
        return nullptr;
    void volatile *region = nullptr;
    if (f->pMethods->xShmMap(f, 0, 32768, 0, &region) != SQLITE_OK)
        return nullptr;
    return static_cast<const volatile char *>(region);
}

namespace {

void readHeader(const volatile char *walIndex, std::array<char, 48> &header)
{
    std::atomic_thread_fence(std::memory_order_acquire);
    for (size_t i = 0; i < header.size(); ++i)
        header[i] = walIndex[i];
}

} // namespace

bool EmbeddedSession::filesChanged() const
{
    if (m_seenHeaders.size() != m_attached.size() + 1)
        return true; // a schema was attached since
    std::array<char, 48> now;
    for (const SeenHeader &h : m_seenHeaders) {
        if (!h.walIndex)
            return true;
        readHeader(h.walIndex, now);
        if (now != h.header)
            return true;
    }
    return false;
}

// Outside a transaction a statement sees what was committed before it
// started. The read transaction of the statements before it is kept while
// no connection has committed to the catalog or an attached schema since it
// began (the WAL index headers in shared memory are as they were: a memory
// read, no lock); otherwise it ends and a new one begins. A pending query
// keeps the snapshot it reads until it is drained or closed, as SQLite does
// for any statement, so no new read transaction begins while one is open.
// The first read after a write, commit or rollback runs on its own (a read
// followed by a write gains nothing from a kept snapshot); the second begins
// one. Checked once per statement; begin false only ends an outdated one.
void EmbeddedSession::refreshSnapshot(bool begin)
{
    if (m_readHeld && sqlite3_get_autocommit(m_db))
        m_readHeld = false; // a failure ended it
    if (m_readHeld && (m_checkedStatement != m_statementSerial || m_seenHeaders.size() != m_attached.size() + 1)) {
        m_checkedStatement = m_statementSerial;
        if (filesChanged())
            endHeldRead();
    }
    if (m_readHeld || !begin || !m_pending.empty())
        return;
    if (m_plainRead == m_statementSerial)
        return;
    if (m_plainReads < kPlainReads) {
        ++m_plainReads;
        m_plainRead = m_statementSerial;
        return;
    }
    m_checkedStatement = m_statementSerial;
    if (m_seenHeaders.size() != m_attached.size() + 1) {
        m_seenHeaders.clear();
        m_seenHeaders.push_back({QByteArrayLiteral("main"), nullptr, {}});
        for (const QString &s : m_attached)
            m_seenHeaders.push_back({s.toUtf8(), nullptr, {}});
        for (SeenHeader &h : m_seenHeaders)
            h.walIndex = walIndex(h.schema);
    }
    // the headers are read before the read transaction takes its snapshot,
    // so that a commit in between shows as a change at the next statement
    for (SeenHeader &h : m_seenHeaders)
        if (h.walIndex)
            readHeader(h.walIndex, h.header);
    sqlite3_stmt *st = cached(QStringLiteral("BEGIN"));
    Reset g{st};
    if (sqlite3_step(st) == SQLITE_DONE)
        m_readHeld = true;
}

void EmbeddedSession::endHeldRead()
{
    if (!m_readHeld)
        return;
    m_readHeld = false;
    if (!sqlite3_get_autocommit(m_db)) {
        // a read-only transaction: its end only drops the read locks
        sqlite3_stmt *st = cached(QStringLiteral("COMMIT"));
        Reset g{st};
        sqlite3_step(st);
    }
    applySync();
}

void EmbeddedSession::prepareWrite(const QSet<QString> &schemas)
{
    drainPending();
    endHeldRead(); // a write waits for other writers only from a fresh transaction
    m_plainRead = 0;
    m_plainReads = 0;
    ensureAttached(schemas);
    if (!m_inTxn) {
        sqlite3_stmt *st = cached(QStringLiteral("BEGIN"));
        Reset g{st};
        if (sqlite3_step(st) != SQLITE_DONE)
            raise();
        m_inTxn = true;
    }
    m_txnSchemas.unite(schemas);
}

void EmbeddedSession::transactionEnds()
{
    const std::set<EmbeddedCursor *> pending = m_pending;
    for (EmbeddedCursor *c : pending)
        c->transactionEnded();
}

void EmbeddedSession::lockForUpdate(const Translation &tr, int waitSeconds)
{
    // A write that changes nothing takes the write lock of each schema file
    // the query reads: the file's user version written back unchanged.
    // SQLite locks files, not rows: the lock keeps every other writer of the
    // schema waiting until this transaction ends. The versions are read
    // before the transaction, so that its first step is the write and a
    // wait for another writer's commit cannot end on an outdated snapshot.
    ensureAttached(tr.schemas);
    std::map<QString, qint64> versions;
    for (const QString &schema : tr.schemas) {
        sqlite3_stmt *st = cached(QStringLiteral("PRAGMA %1.user_version").arg(Translator::quote(schema)));
        Reset g{st};
        versions[schema] = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    }
    const bool fresh = !m_inTxn;
    prepareWrite(tr.schemas);
    sqlite3_busy_timeout(m_db, waitSeconds < 0 ? kBusyTimeoutMs : waitSeconds * 1000);
    try {
        for (const auto &[schema, version] : versions) {
            sqlite3_stmt *st = cached(QStringLiteral("PRAGMA %1.user_version = %2").arg(Translator::quote(schema)).arg(version));
            Reset g{st};
            if (sqlite3_step(st) != SQLITE_DONE)
                raise();
        }
    } catch (...) {
        sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
        if (fresh) // nothing was written: end the transaction the lock began
            rollback();
        throw;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
}

void EmbeddedSession::commit()
{
    m_plainRead = 0;
    m_plainReads = 0;
    if (!m_inTxn) {
        endHeldRead();
        return;
    }
    transactionEnds();
    sqlite3_stmt *st = cached(QStringLiteral("COMMIT"));
    Reset g{st};
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) {
        if (sqlite3_get_autocommit(m_db)) {
            m_inTxn = false;
            m_txnSchemas.clear();
        }
        raise();
    }
    m_inTxn = false;
    m_txnSchemas.clear();
    m_savepoints.clear();
    applySync();
}

void EmbeddedSession::rollback()
{
    m_plainRead = 0;
    m_plainReads = 0;
    if (!m_inTxn) {
        endHeldRead();
        return;
    }
    transactionEnds();
    drainPending();
    sqlite3_stmt *st = cached(QStringLiteral("ROLLBACK"));
    Reset g{st};
    sqlite3_step(st);
    m_inTxn = false;
    m_txnSchemas.clear();
    m_savepoints.clear();
    applySync();
}

void EmbeddedSession::savepoint(const QString &name)
{
    prepareWrite({});
    exec(QStringLiteral("SAVEPOINT ") + Translator::quote(QStringLiteral("SP_") + name));
    // a name given again moves the savepoint to now
    m_savepoints.removeAll(name);
    m_savepoints << name;
}

void EmbeddedSession::rollbackTo(const QString &name)
{
    const qsizetype at = m_savepoints.indexOf(name);
    if (!m_inTxn || at < 0)
        fail(QStringLiteral("ORA-01086: savepoint '%1' never established in this session or is invalid").arg(name));
    drainPending();
    exec(QStringLiteral("ROLLBACK TO ") + Translator::quote(QStringLiteral("SP_") + name));
    // the savepoint stays; those set after it are gone
    m_savepoints = m_savepoints.mid(0, at + 1);
}

void EmbeddedSession::deleteRow(const QString &rowid)
{
    // "OWNER.TABLE.n" as a query selected it
    const QStringList p = rowid.split(u'.');
    bool ok = false;
    const qint64 n = p.size() == 3 ? p[2].toLongLong(&ok) : 0;
    if (!ok)
        fail(QStringLiteral("ORA-01410: invalid ROWID (%1)").arg(rowid));
    statementSnapshot();
    auto t = table(p[0], p[1]);
    if (!t)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1.%2)").arg(p[0], p[1]));
    prepareWrite({p[0]});
    sqlite3_stmt *st = cached(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(t->sqlRef));
    Reset g{st};
    sqlite3_bind_int64(st, 1, n);
    if (sqlite3_step(st) != SQLITE_DONE) {
        Translation tr;
        tr.owner = p[0];
        raise(&tr);
    }
}

QString EmbeddedSession::marker(const QString &owner) const
{
    auto it = m_markers.find(owner);
    return it == m_markers.end() ? QString() : it->second;
}

qint64 EmbeddedSession::nextKey(const QString &owner, const QString &name, qint64 floor)
{
    const int slot = keySlot(owner, name);
    if (slot >= 0)
        return m_keys->next(slot, floor);
    // A name too long for the counters file, or a file whose every slot is
    // taken: the counter is a row of the catalog, and each number a commit.
    // Neither case changes while the database lives, so every session of
    // every process takes the same path for the name.
    sqlite3_stmt *st = auxCached(QStringLiteral(
        "INSERT INTO mox_keys(owner, name, last_value) VALUES(?1, ?2, ?3 + 1) "
        "ON CONFLICT(owner, name) DO UPDATE SET last_value = max(last_value, ?3) + 1 RETURNING last_value"));
    Reset g{st};
    bindText(st, 1, owner);
    bindText(st, 2, name);
    sqlite3_bind_int64(st, 3, floor);
    if (sqlite3_step(st) != SQLITE_ROW)
        failAux();
    const qint64 v = sqlite3_column_int64(st, 0);
    while (sqlite3_step(st) == SQLITE_ROW) {
    }
    return v;
}

int EmbeddedSession::keySlot(const QString &owner, const QString &name)
{
    const QString key = owner + u'.' + name;
    auto it = m_keySlots.constFind(key);
    if (it != m_keySlots.cend())
        return it.value();
    if (!m_keys)
        m_keys = std::make_unique<KeyCounters>(m_folder);
    // Under the catalog's write lock, which also keeps other adders out: the
    // catalog's copy starts a new counter and raises one the file holds.
    auxStep(QStringLiteral("BEGIN IMMEDIATE"));
    int slot = -1;
    try {
        sqlite3_stmt *st = auxCached(QStringLiteral("SELECT last_value FROM mox_keys WHERE owner = ?1 AND name = ?2"));
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            failAux();
        const qint64 saved = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
        const QByteArray utf8 = key.toUtf8();
        slot = m_keys->find(utf8);
        if (slot >= 0)
            m_keys->raise(slot, saved);
        else
            slot = m_keys->add(utf8, saved);
        auxStep(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(m_aux, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    m_keySlots.insert(key, slot);
    return slot;
}

void EmbeddedSession::saveKeys() noexcept
{
    if (!m_keys || !m_aux)
        return;
    // The file holds the counters; this copy only lets a catalog restored
    // without the file, or with an older one, start where the file stood.
    // A session that cannot write it loses nothing, so it ends quietly.
    try {
        auxStep(QStringLiteral("BEGIN IMMEDIATE"));
        sqlite3_stmt *st = auxCached(QStringLiteral(
            "INSERT INTO mox_keys(owner, name, last_value) VALUES(?1, ?2, ?3) "
            "ON CONFLICT(owner, name) DO UPDATE SET last_value = max(last_value, ?3)"));
        for (auto it = m_keySlots.cbegin(); it != m_keySlots.cend(); ++it) {
            if (it.value() < 0)
                continue;
            const qsizetype dot = it.key().indexOf(u'.');
            Reset g{st};
            bindText(st, 1, it.key().left(dot));
            bindText(st, 2, it.key().mid(dot + 1));
            sqlite3_bind_int64(st, 3, m_keys->value(it.value()));
            if (sqlite3_step(st) != SQLITE_DONE)
                failAux();
        }
        auxStep(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(m_aux, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

qint64 EmbeddedSession::nextval(const QString &owner, const QString &sequence)
{
    sqlite3_stmt *st = auxCached(QStringLiteral(
        "UPDATE mox_sequences SET last_number = last_number + increment_by WHERE owner = ?1 AND sequence_name = ?2 "
        "RETURNING last_number"));
    Reset g{st};
    bindText(st, 1, owner);
    bindText(st, 2, sequence);
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        fail(QStringLiteral("ORA-02289: sequence does not exist (%1.%2)").arg(owner, sequence));
    if (rc != SQLITE_ROW)
        failAux();
    const qint64 v = sqlite3_column_int64(st, 0);
    while (sqlite3_step(st) == SQLITE_ROW) {
    }
    m_currval[owner + u'.' + sequence] = v;
    return v;
}

qint64 EmbeddedSession::nextvalInRow(const QString &owner, const QString &sequence, int place)
{
    // A place read twice means SQLite has moved on to the next row.
    RowNumber &r = m_rowNumbers[owner + u'.' + sequence];
    if (r.statement == m_statementSerial && !r.places.contains(place)) {
        r.places.insert(place);
        return r.value;
    }
    r.value = nextval(owner, sequence);
    r.statement = m_statementSerial;
    r.places = {place};
    return r.value;
}

qint64 EmbeddedSession::currval(const QString &owner, const QString &sequence) const
{
    auto it = m_currval.find(owner + u'.' + sequence);
    if (it == m_currval.end())
        fail(QStringLiteral("ORA-08002: sequence %1.CURRVAL is not yet defined in this session").arg(sequence));
    return it->second;
}

void EmbeddedSession::setRollbackSegment(const QString &owner, const QString &name, const QString &mode)
{
    const QString m = mode.trimmed().toUpper();
    if (m != QLatin1String("ONLINE") && m != QLatin1String("OFFLINE"))
        fail(QStringLiteral("ORA-20001: %1.activateLARGERB: the mode must be ONLINE or OFFLINE, not '%2'").arg(owner, mode));
    if (name.trimmed().isEmpty())
        fail(QStringLiteral("ORA-01534: rollback segment '' doesn't exist"));
    sqlite3_stmt *st = auxCached(QStringLiteral(
        "INSERT INTO mox_rollback_segments(segment_name, owner, status, changed) VALUES(?1, 'PUBLIC', ?2, ?3) "
        "ON CONFLICT(segment_name) DO UPDATE SET status = excluded.status, changed = excluded.changed"));
    Reset g{st};
    bindText(st, 1, name.trimmed().toUpper());
    bindText(st, 2, m);
    bindText(st, 3, oravalue::isoText(QDateTime::currentDateTime()));
    if (sqlite3_step(st) != SQLITE_DONE)
        failAux();
}

void EmbeddedSession::writeLob(const QString &owner, const QString &tableName, const QString &column, qint64 rowid,
                               const QString &text)
{
    prepareWrite({owner});
    sqlite3_stmt *st = cached(QStringLiteral("UPDATE %1.%2 SET %3 = ?1 WHERE rowid = ?2")
                                  .arg(Translator::quote(owner), Translator::quote(tableName), Translator::quote(column)));
    Reset g{st};
    bindText(st, 1, text);
    sqlite3_bind_int64(st, 2, rowid);
    if (sqlite3_step(st) != SQLITE_DONE)
        raise();
    if (sqlite3_changes(m_db) == 0)
        fail(QStringLiteral("ORA-22275: invalid LOB locator specified (the row no longer exists)"));
}

QString EmbeddedSession::readLob(const QString &owner, const QString &tableName, const QString &column, qint64 rowid)
{
    prepareRead({owner});
    sqlite3_stmt *st = cached(QStringLiteral("SELECT %3 FROM %1.%2 WHERE rowid = ?1")
                                  .arg(Translator::quote(owner), Translator::quote(tableName), Translator::quote(column)));
    Reset g{st};
    sqlite3_bind_int64(st, 1, rowid);
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW)
        return columnText(st, 0);
    if (rc == SQLITE_DONE)
        fail(QStringLiteral("ORA-22275: invalid LOB locator specified (the row no longer exists)"));
    raise();
}

} // namespace oraembed
