#include "oracle/embedded/session.h"

#include "oracle/embedded/database.h"
#include "oracle/oravalues.h"
#include "base/moxerror.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <sqlite3.h>

#include <deque>

namespace oraembed {

namespace {

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

QString utf8(const unsigned char *p, int n) { return QString::fromUtf8(reinterpret_cast<const char *>(p), n); }

void bindText(sqlite3_stmt *st, int i, const QString &s)
{
    const QByteArray b = s.toUtf8();
    sqlite3_bind_text(st, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt *st, int i)
{
    const unsigned char *p = sqlite3_column_text(st, i);
    return p ? utf8(p, sqlite3_column_bytes(st, i)) : QString();
}

// Resets a statement when the scope ends.
struct Reset {
    sqlite3_stmt *st;
    ~Reset()
    {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
};

const QChar kTriggerSeparator(0x1E);

} // namespace

// ------------------------------------------------------------------ LOB

class EmbeddedLob : public OraEngineLob {
public:
    EmbeddedLob(EmbeddedSession *s, QString owner, QString table, QString column, qint64 rowid)
        : m_s(s), m_owner(std::move(owner)), m_table(std::move(table)), m_column(std::move(column)), m_rowid(rowid)
    {
        m_s->trackLob(this, true);
    }
    ~EmbeddedLob() override
    {
        if (m_s)
            m_s->trackLob(this, false);
    }
    void write(const QString &text) override
    {
        check();
        m_s->writeLob(m_owner, m_table, m_column, m_rowid, text);
    }
    QString read() override
    {
        check();
        return m_s->readLob(m_owner, m_table, m_column, m_rowid);
    }
    EmbeddedSession *m_s;

private:
    QString m_owner, m_table, m_column;
    qint64 m_rowid;
    void check() const
    {
        if (!m_s)
            fail(QStringLiteral("ORA-03114: not connected to ORACLE"));
    }
};

// ------------------------------------------------------------------ cursor

class EmbeddedCursor : public OraEngineCursor {
public:
    explicit EmbeddedCursor(EmbeddedSession *s) : m_s(s) {}
    ~EmbeddedCursor() override
    {
        finalizeAll();
        if (m_s)
            m_s->forgetCursor(this);
    }

    void execute(const QString &sql, const std::vector<OraBindValue> &vars) override;
    bool isQuery() const override { return m_isQuery; }
    QStringList columnNames() const override
    {
        QStringList n;
        for (const OutColumn &c : m_tr.columns)
            n << c.name;
        return n;
    }
    bool fetch(std::vector<QVariant> &row) override;
    void close() override
    {
        m_buffer.clear();
        if (m_pending && m_st) {
            sqlite3_reset(m_st);
            m_pending = false;
            if (m_s)
                m_s->cursorPending(this, false);
        }
    }
    int rowsProcessed() const override { return m_rows; }
    std::map<QString, QVariant> outValues() const override { return m_out; }
    std::unique_ptr<OraEngineLob> takeLob(const QString &name) override
    {
        auto it = m_lobs.find(name.toUpper());
        if (it == m_lobs.end())
            return nullptr;
        std::unique_ptr<OraEngineLob> l = std::move(it->second);
        m_lobs.erase(it);
        return l;
    }

    // The session drains a pending query before writes, rollbacks and detaches.
    void drain()
    {
        if (!m_pending)
            return;
        std::vector<QVariant> row;
        for (;;) {
            const int rc = sqlite3_step(m_st);
            if (rc == SQLITE_ROW) {
                readRow(m_st, m_tr.columns, row);
                m_buffer.push_back(row);
            } else {
                sqlite3_reset(m_st);
                m_pending = false;
                if (rc != SQLITE_DONE) {
                    m_error = m_s->errorText(rc, QString::fromUtf8(sqlite3_errmsg(m_s->db())), &m_tr);
                }
                break;
            }
        }
    }
    // The transaction ended: a FOR UPDATE query still open lost its locks;
    // rows not yet fetched can no longer be fetched (as on a server).
    void transactionEnded()
    {
        if (!m_forUpdate || !m_pending)
            return;
        sqlite3_reset(m_st);
        m_pending = false;
        m_outOfSequence = true;
    }
    void sessionClosed()
    {
        finalizeAll();
        m_s = nullptr;
    }

    static void readRow(sqlite3_stmt *st, const std::vector<OutColumn> &cols, std::vector<QVariant> &row)
    {
        const int n = sqlite3_column_count(st);
        row.resize(size_t(n));
        for (int i = 0; i < n; ++i)
            row[size_t(i)] = value(st, i, i < int(cols.size()) ? cols[size_t(i)].type : VType::Unknown);
    }
    static QVariant value(sqlite3_stmt *st, int i, VType t)
    {
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            return QVariant();
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(st, i)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(st, i));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i)));
        default: {
            const QString s = columnText(st, i);
            // a value of unknown kind in the stored date form is a date (a
            // bound date echoed back, say); text columns are never guessed
            if (t == VType::Date || (t == VType::Unknown && oravalue::isIsoDate(s))) {
                const QDateTime dt = oravalue::fromIso(s);
                if (dt.isValid())
                    return QVariant(dt);
            }
            return QVariant(s);
        }
        }
    }

private:
    struct Step {
        Translation tr;
        sqlite3_stmt *st = nullptr;
    };

    EmbeddedSession *m_s;
    QString m_sql;
    qint64 m_version = -1;
    std::unique_ptr<Stmt> m_stmt;
    Translation m_tr;
    sqlite3_stmt *m_st = nullptr;
    std::vector<Step> m_steps; // block statements, prepared on first use
    bool m_isQuery = false;
    bool m_pending = false;
    bool m_forUpdate = false;     // a SELECT ... FOR UPDATE
    bool m_outOfSequence = false; // its transaction ended before all rows were fetched
    std::deque<std::vector<QVariant>> m_buffer;
    QString m_error;
    int m_rows = 0;
    std::map<QString, QVariant> m_out;
    std::map<QString, std::unique_ptr<OraEngineLob>> m_lobs;

    void finalizeAll()
    {
        if (m_pending && m_s)
            m_s->cursorPending(this, false);
        m_pending = false;
        m_parameters.clear();
        sqlite3_finalize(m_st);
        m_st = nullptr;
        for (Step &s : m_steps)
            sqlite3_finalize(s.st);
        m_steps.clear();
    }
    void bind(sqlite3_stmt *st, const std::map<QString, OraBindValue> &vars);
    // The parameter names of a prepared statement, read once.
    const QStringList &parameterNames(sqlite3_stmt *st);
    std::vector<std::pair<sqlite3_stmt *, QStringList>> m_parameters;
    void runDml(const Translation &tr, sqlite3_stmt *st, std::map<QString, OraBindValue> &vars);
    void runBlock(std::map<QString, OraBindValue> &vars);
    void runScalarStep(size_t i, const BlockStep &bs, std::map<QString, OraBindValue> &vars);
    Step &step(size_t i, const BlockStep &bs);
};

const QStringList &EmbeddedCursor::parameterNames(sqlite3_stmt *st)
{
    for (const auto &[stmt, names] : m_parameters)
        if (stmt == st)
            return names;
    QStringList names;
    const int n = sqlite3_bind_parameter_count(st);
    for (int i = 1; i <= n; ++i) {
        const char *pn = sqlite3_bind_parameter_name(st, i);
        names << (pn ? QString::fromUtf8(pn + 1) : QString());
    }
    m_parameters.emplace_back(st, names);
    return m_parameters.back().second;
}

void EmbeddedCursor::bind(sqlite3_stmt *st, const std::map<QString, OraBindValue> &vars)
{
    const QStringList &names = parameterNames(st);
    for (int i = 1; i <= names.size(); ++i) {
        const QString &name = names[i - 1];
        auto it = vars.find(name);
        if (it == vars.end())
            fail(QStringLiteral("ORA-01008: not all variables bound (:%1)").arg(name));
        const OraBindValue &b = it->second;
        const QVariant &v = b.value;
        if (v.isNull() || !v.isValid()) {
            sqlite3_bind_null(st, i);
            continue;
        }
        switch (v.typeId()) {
        case QMetaType::QString: {
            const QString s = v.toString();
            if (s.isEmpty()) {
                sqlite3_bind_null(st, i);
            } else if (b.type == otInteger || b.type == otFloat) {
                double d = 0;
                bool isInt = false;
                qint64 iv = 0;
                if (!oravalue::parseNumber(s, d, &isInt, &iv))
                    fail(QStringLiteral("ORA-01722: invalid number (:%1 = '%2')").arg(name, s));
                if (b.type == otInteger && isInt)
                    sqlite3_bind_int64(st, i, iv);
                else if (b.type == otInteger)
                    sqlite3_bind_int64(st, i, qRound64(d));
                else
                    sqlite3_bind_double(st, i, d);
            } else if (b.type == otDate) {
                bindText(st, i, oravalue::isoText(oravalue::parseAnyDate(s)));
            } else {
                bindText(st, i, s);
            }
            break;
        }
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::Bool:
            if (b.type == otString || b.type == otCLOB)
                bindText(st, i, QString::number(v.toLongLong()));
            else
                sqlite3_bind_int64(st, i, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            if (b.type == otInteger)
                sqlite3_bind_int64(st, i, qRound64(v.toDouble()));
            else if (b.type == otString || b.type == otCLOB)
                bindText(st, i, oravalue::numberText(v.toDouble()));
            else
                sqlite3_bind_double(st, i, v.toDouble());
            break;
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            if (!dt.isValid())
                sqlite3_bind_null(st, i);
            else
                bindText(st, i, oravalue::isoText(dt));
            break;
        }
        case QMetaType::QDate:
            bindText(st, i, oravalue::isoText(QDateTime(v.toDate(), QTime(0, 0))));
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            sqlite3_bind_blob(st, i, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default:
            bindText(st, i, v.toString());
        }
    }
}

void EmbeddedCursor::runDml(const Translation &tr, sqlite3_stmt *st, std::map<QString, OraBindValue> &vars)
{
    m_s->statementStarts();
    m_s->prepareWrite(tr.schemas);
    Reset guard{st};
    bind(st, vars);
    int returned = 0;
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            if (returned++ == 0) {
                const qint64 rowid = sqlite3_column_int64(st, 0);
                for (size_t k = 0; k < tr.returning.size(); ++k) {
                    const ReturnTarget &rt = tr.returning[k];
                    const QVariant v = value(st, int(k) + 1, rt.type);
                    m_out[rt.var] = v;
                    vars[rt.var].value = v;
                    if ((rt.type == VType::Clob || rt.type == VType::Blob) && !rt.column.isEmpty())
                        m_lobs[rt.var] = std::make_unique<EmbeddedLob>(m_s, tr.owner, tr.table, rt.column, rowid);
                }
            }
            continue;
        }
        if (rc == SQLITE_DONE)
            break;
        m_s->raise(&tr);
    }
    m_rows += tr.returning.empty() ? sqlite3_changes(m_s->db()) : returned;
}

EmbeddedCursor::Step &EmbeddedCursor::step(size_t i, const BlockStep &bs)
{
    if (m_steps.size() <= i)
        m_steps.resize(i + 1);
    Step &s = m_steps[i];
    if (!s.st) {
        Translator tr(*m_s, m_s->user());
        if (bs.kind == BlockStep::Sql) {
            if (bs.stmt->kind == Stmt::Select)
                fail(QStringLiteral("ORA-03001: unimplemented feature: a query inside a block is not supported by the "
                                    "embedded engine"));
            s.tr = tr.dml(*bs.stmt);
        } else {
            s.tr = tr.scalar(*bs.expr, bs.kind == BlockStep::Call);
        }
        m_s->prepareRead(s.tr.schemas);
        s.st = m_s->prepare(s.tr.sql);
    }
    return s;
}

void EmbeddedCursor::runScalarStep(size_t i, const BlockStep &bs, std::map<QString, OraBindValue> &vars)
{
    Step &s = step(i, bs);
    m_s->statementStarts();
    m_s->prepareRead(s.tr.schemas);
    Reset guard{s.st};
    bind(s.st, vars);
    const int rc = sqlite3_step(s.st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        m_s->raise(&s.tr, QStringLiteral("ORA-06512: at line %1").arg(bs.line));
    if (bs.kind == BlockStep::Assign && rc == SQLITE_ROW) {
        const QString var = bs.target.value(0);
        const QVariant v = value(s.st, 0, s.tr.columns[0].type);
        m_out[var] = v;
        vars[var].name = var;
        vars[var].value = v;
    }
}

void EmbeddedCursor::runBlock(std::map<QString, OraBindValue> &vars)
{
    // Only a block that writes rows opens a transaction; one that only calls
    // the server functions (which commit on their own) leaves none open.
    bool writes = false;
    for (const BlockStep &bs : m_stmt->steps)
        if (bs.kind == BlockStep::Sql || bs.kind == BlockStep::Commit || bs.kind == BlockStep::Rollback)
            writes = true;
    if (!writes) {
        try {
            for (size_t i = 0; i < m_stmt->steps.size(); ++i) {
                const BlockStep &bs = m_stmt->steps[i];
                if (bs.kind == BlockStep::Assign || bs.kind == BlockStep::Call)
                    runScalarStep(i, bs, vars);
            }
        } catch (...) {
            m_s->afterFailure();
            throw;
        }
        return;
    }
    m_s->prepareWrite({});
    sqlite3 *db = m_s->db();
    sqlite3_exec(db, "SAVEPOINT mox_block", nullptr, nullptr, nullptr);
    try {
        for (size_t i = 0; i < m_stmt->steps.size(); ++i) {
            const BlockStep &bs = m_stmt->steps[i];
            switch (bs.kind) {
            case BlockStep::NullStmt:
                break;
            case BlockStep::Commit:
            case BlockStep::Rollback:
                sqlite3_exec(db, "RELEASE mox_block", nullptr, nullptr, nullptr);
                if (bs.kind == BlockStep::Commit)
                    m_s->commit();
                else
                    m_s->rollback();
                m_s->prepareWrite({});
                sqlite3_exec(db, "SAVEPOINT mox_block", nullptr, nullptr, nullptr);
                break;
            case BlockStep::Sql: {
                Step &s = step(i, bs);
                runDml(s.tr, s.st, vars);
                break;
            }
            case BlockStep::Assign:
            case BlockStep::Call:
                m_s->prepareWrite(step(i, bs).tr.schemas);
                runScalarStep(i, bs, vars);
                break;
            }
        }
    } catch (...) {
        if (!sqlite3_get_autocommit(db)) {
            sqlite3_exec(db, "ROLLBACK TO mox_block", nullptr, nullptr, nullptr);
            sqlite3_exec(db, "RELEASE mox_block", nullptr, nullptr, nullptr);
        }
        m_s->afterFailure();
        throw;
    }
    sqlite3_exec(db, "RELEASE mox_block", nullptr, nullptr, nullptr);
}

void EmbeddedCursor::execute(const QString &sql, const std::vector<OraBindValue> &varList)
{
    if (!m_s)
        fail(QStringLiteral("ORA-03114: not connected to ORACLE"));
    close();
    m_out.clear();
    m_lobs.clear();
    m_error.clear();
    m_rows = 0;
    m_s->statementStarts();
    const qint64 version = m_s->ddlVersion();
    if (sql != m_sql || version != m_version || !m_stmt) {
        finalizeAll();
        m_stmt.reset();
        m_sql.clear();
        m_tr = Translation();
        std::unique_ptr<Stmt> parsed = parseStatement(sql);
        Translator tr(*m_s, m_s->user());
        switch (parsed->kind) {
        case Stmt::Select:
            m_tr = tr.query(*parsed->query);
            break;
        case Stmt::Insert:
        case Stmt::Update:
        case Stmt::Delete:
            m_tr = tr.dml(*parsed);
            break;
        default:
            break;
        }
        if (!m_tr.sql.isEmpty()) {
            m_s->prepareRead(m_tr.schemas);
            m_st = m_s->prepare(m_tr.sql);
        }
        m_stmt = std::move(parsed);
        m_sql = sql;
        m_version = version;
    }
    m_isQuery = m_stmt->kind == Stmt::Select;
    m_forUpdate = m_isQuery && m_stmt->query->forUpdate;
    m_outOfSequence = false;

    std::map<QString, OraBindValue> vars;
    for (const OraBindValue &b : varList) {
        OraBindValue u = b;
        u.name = b.name.toUpper();
        vars[u.name] = u;
    }

    switch (m_stmt->kind) {
    case Stmt::Select: {
        if (m_forUpdate)
            m_s->lockForUpdate(m_tr, m_stmt->query->forUpdateWait);
        m_s->prepareRead(m_tr.schemas);
        bind(m_st, vars);
        m_pending = true;
        m_s->cursorPending(this, true);
        // the first step runs the query now, so that its errors show on opening
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW) {
            std::vector<QVariant> row;
            readRow(m_st, m_tr.columns, row);
            m_buffer.push_back(row);
        } else {
            m_pending = false;
            m_s->cursorPending(this, false);
            sqlite3_reset(m_st);
            sqlite3_clear_bindings(m_st);
            if (rc != SQLITE_DONE) {
                m_s->raise(&m_tr);
            }
        }
        break;
    }
    case Stmt::Insert:
    case Stmt::Update:
    case Stmt::Delete:
        try {
            runDml(m_tr, m_st, vars);
        } catch (...) {
            m_s->afterFailure();
            throw;
        }
        break;
    case Stmt::Block:
        runBlock(vars);
        break;
    case Stmt::Commit:
        m_s->commit();
        break;
    case Stmt::Rollback:
        m_s->rollback();
        break;
    case Stmt::Savepoint:
        m_s->savepoint(m_stmt->name.value(0));
        break;
    case Stmt::RollbackTo:
        m_s->rollbackTo(m_stmt->name.value(0));
        break;
    default:
        m_s->runDdl(*m_stmt);
        break;
    }
}

bool EmbeddedCursor::fetch(std::vector<QVariant> &row)
{
    if (!m_buffer.empty()) {
        row = std::move(m_buffer.front());
        m_buffer.pop_front();
        return true;
    }
    if (!m_error.isEmpty()) {
        const QString e = m_error;
        m_error.clear();
        fail(e);
    }
    if (m_outOfSequence)
        fail(QStringLiteral("ORA-01002: fetch out of sequence"));
    if (!m_pending || !m_s)
        return false;
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW) {
        readRow(m_st, m_tr.columns, row);
        return true;
    }
    m_pending = false;
    m_s->cursorPending(this, false);
    if (rc != SQLITE_DONE) {
        const QString msg = m_s->errorText(rc, QString::fromUtf8(sqlite3_errmsg(m_s->db())), &m_tr);
        sqlite3_reset(m_st);
        fail(msg);
    }
    sqlite3_reset(m_st);
    sqlite3_clear_bindings(m_st);
    return false;
}

// ------------------------------------------------------------------ session

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
    for (sqlite3_stmt *st : std::as_const(m_cache))
        sqlite3_finalize(st);
    for (sqlite3_stmt *st : std::as_const(m_auxCache))
        sqlite3_finalize(st);
    if (m_inTxn)
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
}

void EmbeddedSession::prepareWrite(const QSet<QString> &schemas)
{
    drainPending();
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
    if (!m_inTxn)
        return;
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
    if (!m_inTxn)
        return;
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

qint64 EmbeddedSession::nextKey(const QString &owner, const QString &name, const QString &tableRef,
                                const QString &keyColumn)
{
    qint64 floor = 0;
    if (!tableRef.isEmpty()) {
        sqlite3_stmt *st = cached(QStringLiteral("SELECT max(%1) FROM %2").arg(keyColumn, tableRef));
        Reset g{st};
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
            floor = sqlite3_column_int64(st, 0);
    }
    sqlite3_stmt *st = auxCached(QStringLiteral(
        "INSERT INTO mox_keys(owner, name, last_value) VALUES(?1, ?2, ?3 + 1) "
        "ON CONFLICT(owner, name) DO UPDATE SET last_value = max(last_value, ?3) + 1 RETURNING last_value"));
    Reset g{st};
    bindText(st, 1, owner);
    bindText(st, 2, name);
    sqlite3_bind_int64(st, 3, floor);
    if (sqlite3_step(st) != SQLITE_ROW)
        fail(errorText(sqlite3_extended_errcode(m_aux), QString::fromUtf8(sqlite3_errmsg(m_aux)), nullptr));
    const qint64 v = sqlite3_column_int64(st, 0);
    while (sqlite3_step(st) == SQLITE_ROW) {
    }
    return v;
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
        fail(errorText(sqlite3_extended_errcode(m_aux), QString::fromUtf8(sqlite3_errmsg(m_aux)), nullptr));
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
        fail(errorText(sqlite3_extended_errcode(m_aux), QString::fromUtf8(sqlite3_errmsg(m_aux)), nullptr));
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

// ------------------------------------------------------------------ DDL

void EmbeddedSession::requireUser(const QString &owner)
{
    if (!userExists(owner))
        fail(QStringLiteral("ORA-01918: user '%1' does not exist").arg(owner));
}

bool EmbeddedSession::objectExists(const QString &owner, const QString &name)
{
    sqlite3_stmt *st = cached(QStringLiteral(
        "SELECT 1 FROM mox_tables WHERE owner = ?1 AND table_name = ?2 UNION ALL "
        "SELECT 1 FROM mox_sequences WHERE owner = ?1 AND sequence_name = ?2 UNION ALL "
        "SELECT 1 FROM mox_indexes WHERE owner = ?1 AND index_name = ?2 UNION ALL "
        "SELECT 1 FROM mox_constraints WHERE owner = ?1 AND constraint_name = ?2 AND constraint_type IN ('P','U')%1")
                                  .arg(m_hasViews ? QStringLiteral(" UNION ALL SELECT 1 FROM mox_views WHERE owner = ?1 "
                                                                   "AND view_name = ?2")
                                                  : QString()));
    Reset g{st};
    bindText(st, 1, owner);
    bindText(st, 2, name);
    return sqlite3_step(st) == SQLITE_ROW;
}

void EmbeddedSession::beginDdl()
{
    commit(); // DDL commits the open transaction first, as in Oracle
    drainPending();
    exec(QStringLiteral("BEGIN"));
}

template <class F> void EmbeddedSession::inDdl(F &&body)
{
    beginDdl();
    try {
        body();
    } catch (...) {
        endDdl(false);
        throw;
    }
    endDdl(true);
}

void EmbeddedSession::endDdl(bool ok)
{
    if (ok) {
        exec(QStringLiteral("UPDATE mox_info SET value = value + 1 WHERE key = 'ddl_version'"));
        exec(QStringLiteral("COMMIT"));
        m_clock.tick(); // other sessions reload what they know of the tables
    } else {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    m_tables.clear();
    m_users.clear();
    m_cachedVersion = -1;
    applySync();
}

QString EmbeddedSession::newConstraintName()
{
    sqlite3_stmt *st = cached(QStringLiteral(
        "UPDATE mox_info SET value = value + 1 WHERE key = 'next_constraint' RETURNING value - 1"));
    Reset g{st};
    qint64 n = 1;
    if (sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    while (sqlite3_step(st) == SQLITE_ROW) {
    }
    return QStringLiteral("SYS_C%1").arg(n, 6, 10, QLatin1Char('0'));
}

namespace {

struct Exec {
    EmbeddedSession *s;
    sqlite3_stmt *st = nullptr;
    Exec(EmbeddedSession *session, const QString &sql) : s(session), st(session->prepare(sql)) {}
    ~Exec() { sqlite3_finalize(st); }
    Exec &text(int i, const QString &v)
    {
        if (v.isNull())
            sqlite3_bind_null(st, i);
        else
            bindText(st, i, v);
        return *this;
    }
    Exec &num(int i, qint64 v, bool null = false)
    {
        if (null)
            sqlite3_bind_null(st, i);
        else
            sqlite3_bind_int64(st, i, v);
        return *this;
    }
    void run()
    {
        if (sqlite3_step(st) != SQLITE_DONE)
            s->raise();
    }
};

} // namespace

void EmbeddedSession::ddlCreateTable(const Stmt &s)
{
    const QString owner = ownerOf(s.table);
    const QString name = s.table.last();
    requireUser(owner);
    if (objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    QSet<QString> seen;
    for (const ColumnDef &c : s.columnDefs) {
        if (seen.contains(c.name))
            fail(QStringLiteral("ORA-00957: duplicate column name (%1)").arg(c.name));
        seen.insert(c.name);
    }
    TableInfo info;
    info.owner = owner;
    info.name = name;
    QSet<QString> pkCols;
    for (const ConstraintDef &k : s.constraints) {
        if (k.type == 'P')
            for (const QString &c : k.columns)
                pkCols.insert(c);
        for (const QString &c : k.columns)
            if (!seen.contains(c))
                fail(QStringLiteral("ORA-00904: \"%1\": invalid identifier").arg(c));
    }
    int id = 0;
    QStringList defs;
    for (const ColumnDef &c : s.columnDefs) {
        ColumnInfo ci;
        ci.name = c.name;
        ci.dataType = c.dataType;
        ci.length = c.length;
        ci.precision = c.precision;
        ci.scale = c.scale;
        ci.nullable = !c.notNull && !pkCols.contains(c.name);
        ci.id = ++id;
        ci.defaultSource = c.defaultSource;
        info.columns.push_back(ci);
        QString affinity = QStringLiteral("TEXT");
        if (c.dataType == QLatin1String("NUMBER") || c.dataType == QLatin1String("FLOAT"))
            affinity = QStringLiteral("NUMERIC");
        else if (c.dataType == QLatin1String("BLOB"))
            affinity = QStringLiteral("BLOB");
        defs << Translator::quote(c.name) + u' ' + affinity + (ci.nullable ? QString() : QStringLiteral(" NOT NULL"));
    }
    if (s.constraints.size() > 0) {
        int pks = 0;
        for (const ConstraintDef &k : s.constraints)
            pks += k.type == 'P';
        if (pks > 1)
            fail(QStringLiteral("ORA-02260: table can have only one primary key"));
    }
    Translator tr(*this, m_user);
    struct Named {
        QString name;
        char type;
        QStringList cols;
    };
    std::vector<Named> named;
    beginDdl();
    bool ok = false;
    try {
        for (const ConstraintDef &k : s.constraints) {
            const QString kname = k.name.isEmpty() ? newConstraintName() : k.name;
            if (k.type == 'P' || k.type == 'U') {
                defs << QStringLiteral("CONSTRAINT %1 %2 (%3)")
                            .arg(Translator::quote(kname), k.type == 'P' ? QStringLiteral("PRIMARY KEY")
                                                                         : QStringLiteral("UNIQUE"),
                                 [&] {
                                     QStringList q;
                                     for (const QString &c : k.columns)
                                         q << Translator::quote(c);
                                     return q.join(u',');
                                 }());
                named.push_back({kname, k.type, k.columns});
            } else if (k.type == 'C') {
                defs << QStringLiteral("CONSTRAINT %1 CHECK (%2)").arg(Translator::quote(kname), tr.check(*k.check, info));
                named.push_back({kname, 'C', k.columns});
            }
            // foreign keys are recorded by nobody and not enforced
        }
        for (const Named &n : named)
            if ((n.type == 'P' || n.type == 'U') && objectExists(owner, n.name))
                fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1)").arg(n.name));
        ensureAttached({owner});
        exec(QStringLiteral("CREATE TABLE %1.%2 (%3)")
                 .arg(Translator::quote(owner), Translator::quote(name), defs.join(QStringLiteral(", "))));
        QString keyColumn;
        for (const Named &n : named)
            if (n.type == 'P' && n.cols.size() == 1) {
                const ColumnInfo *c = info.column(n.cols[0]);
                if (c && c->dataType == QLatin1String("NUMBER"))
                    keyColumn = c->name;
            }
        Exec(this, QStringLiteral("INSERT INTO mox_tables(owner, table_name, key_column, created) VALUES(?1,?2,?3,?4)"))
            .text(1, owner)
            .text(2, name)
            .text(3, keyColumn.isEmpty() ? QString() : keyColumn)
            .text(4, oravalue::isoText(QDateTime::currentDateTime()))
            .run();
        for (const ColumnInfo &c : info.columns)
            Exec(this, QStringLiteral("INSERT INTO mox_columns(owner, table_name, column_name, data_type, data_length, "
                                      "data_precision, data_scale, nullable, column_id, data_default) "
                                      "VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)"))
                .text(1, owner)
                .text(2, name)
                .text(3, c.name)
                .text(4, c.dataType)
                .num(5, c.length)
                .num(6, c.precision, c.precision < 0)
                .num(7, c.scale, c.scale < 0)
                .text(8, c.nullable ? QStringLiteral("Y") : QStringLiteral("N"))
                .num(9, c.id)
                .text(10, c.defaultSource.isEmpty() ? QString() : c.defaultSource)
                .run();
        for (const Named &n : named)
            Exec(this, QStringLiteral("INSERT INTO mox_constraints(owner, constraint_name, constraint_type, table_name, "
                                      "columns) VALUES(?1,?2,?3,?4,?5)"))
                .text(1, owner)
                .text(2, n.name)
                .text(3, QString(QLatin1Char(n.type)))
                .text(4, name)
                .text(5, n.cols.join(u','))
                .run();
        ok = true;
    } catch (...) {
        endDdl(false);
        throw;
    }
    endDdl(ok);
}

void EmbeddedSession::ddlCreateIndex(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    const QString owner = s.name.size() > 1 ? s.name[0] : t->owner;
    const QString name = s.name.last();
    if (owner != t->owner)
        fail(QStringLiteral("ORA-03001: unimplemented feature: an index in another schema than its table is not "
                            "supported by the embedded engine"));
    if (objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    QStringList cols;
    for (const QString &c : s.columns) {
        if (!t->column(c))
            fail(QStringLiteral("ORA-00904: \"%1\": invalid identifier").arg(c));
        cols << Translator::quote(c);
    }
    inDdl([&] {
        ensureAttached({owner});
        exec(QStringLiteral("CREATE %1INDEX %2.%3 ON %4 (%5)")
                 .arg(s.unique ? QStringLiteral("UNIQUE ") : QString(), Translator::quote(owner), Translator::quote(name),
                      Translator::quote(t->name), cols.join(u',')));
        Exec(this, QStringLiteral("INSERT INTO mox_indexes(owner, index_name, table_owner, table_name, uniqueness, "
                                  "columns) VALUES(?1,?2,?3,?4,?5,?6)"))
            .text(1, owner)
            .text(2, name)
            .text(3, t->owner)
            .text(4, t->name)
            .text(5, s.unique ? QStringLiteral("UNIQUE") : QStringLiteral("NONUNIQUE"))
            .text(6, s.columns.join(u','))
            .run();
    });
}

void EmbeddedSession::ddlCreateSequence(const Stmt &s)
{
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    requireUser(owner);
    if (objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    inDdl([&] {
        Exec(this, QStringLiteral("INSERT INTO mox_sequences(owner, sequence_name, last_number, increment_by) "
                                  "VALUES(?1,?2,?3,?4)"))
            .text(1, owner)
            .text(2, name)
            .num(3, s.startWith - s.incrementBy)
            .num(4, s.incrementBy)
            .run();
    });
}

void EmbeddedSession::ddlCreateTrigger(const Stmt &s)
{
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    requireUser(owner);
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    QString oldSqliteName, oldTableOwner, oldStatus;
    bool exists = false;
    {
        sqlite3_stmt *st = cached(QStringLiteral(
            "SELECT sqlite_name, table_owner, status FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2"));
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        if (sqlite3_step(st) == SQLITE_ROW) {
            exists = true;
            oldSqliteName = columnText(st, 0);
            oldTableOwner = columnText(st, 1);
            oldStatus = columnText(st, 2);
        }
    }
    if (exists && !s.orReplace)
        fail(QStringLiteral("ORA-04081: trigger '%1' already exists").arg(name));
    const QString sqliteName = owner == t->owner ? name : owner + u'.' + name;
    Translator tr(*this, m_user);
    const QStringList statements = tr.trigger(s, *t, sqliteName);
    QString event = s.events.join(QStringLiteral(" OR "));
    const QString type = (s.before ? QStringLiteral("BEFORE") : QStringLiteral("AFTER"))
                         + (s.forEachRow ? QStringLiteral(" EACH ROW") : QStringLiteral(" STATEMENT"));
    inDdl([&] {
        if (exists) {
            ensureAttached({oldTableOwner});
            for (const QChar ev : {u'I', u'U', u'D'})
                exec(QStringLiteral("DROP TRIGGER IF EXISTS %1.%2")
                         .arg(Translator::quote(oldTableOwner), Translator::quote(oldSqliteName + u'$' + ev)));
            Exec(this, QStringLiteral("DELETE FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2"))
                .text(1, owner)
                .text(2, name)
                .run();
        }
        ensureAttached({t->owner});
        for (const QString &sql : statements)
            exec(sql);
        Exec(this, QStringLiteral("INSERT INTO mox_triggers(owner, trigger_name, table_owner, table_name, trigger_type, "
                                  "triggering_event, status, source, sqlite_name, sqlite_sql) "
                                  "VALUES(?1,?2,?3,?4,?5,?6,'ENABLED',?7,?8,?9)"))
            .text(1, owner)
            .text(2, name)
            .text(3, t->owner)
            .text(4, t->name)
            .text(5, type)
            .text(6, event)
            .text(7, s.source.trimmed())
            .text(8, sqliteName)
            .text(9, statements.join(kTriggerSeparator))
            .run();
    });
}

void EmbeddedSession::ddlAlterTrigger(const Stmt &s)
{
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    QString tableOwner, sqliteName, sql, status;
    {
        sqlite3_stmt *st = cached(QStringLiteral(
            "SELECT table_owner, sqlite_name, sqlite_sql, status FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2"));
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        if (sqlite3_step(st) != SQLITE_ROW)
            fail(QStringLiteral("ORA-04080: trigger '%1' does not exist").arg(s.name.join(u'.')));
        tableOwner = columnText(st, 0);
        sqliteName = columnText(st, 1);
        sql = columnText(st, 2);
        status = columnText(st, 3);
    }
    const QString want = s.enable ? QStringLiteral("ENABLED") : QStringLiteral("DISABLED");
    inDdl([&] {
        if (status != want) {
            ensureAttached({tableOwner});
            if (s.enable) {
                for (const QString &stmt : sql.split(kTriggerSeparator, Qt::SkipEmptyParts))
                    exec(stmt);
            } else {
                for (const QChar ev : {u'I', u'U', u'D'})
                    exec(QStringLiteral("DROP TRIGGER IF EXISTS %1.%2")
                             .arg(Translator::quote(tableOwner), Translator::quote(sqliteName + u'$' + ev)));
            }
            Exec(this, QStringLiteral("UPDATE mox_triggers SET status = ?3 WHERE owner = ?1 AND trigger_name = ?2"))
                .text(1, owner)
                .text(2, name)
                .text(3, want)
                .run();
        }
    });
}

void EmbeddedSession::ddlDrop(const Stmt &s)
{
    if (s.kind == Stmt::DropTable) {
        auto t = table(ownerOf(s.table), s.table.last());
        if (!t || t->dictionary)
            fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
        inDdl([&] {
            ensureAttached({t->owner});
            exec(QStringLiteral("DROP TABLE %1").arg(t->sqlRef));
            for (const char *sql : {"DELETE FROM mox_tables WHERE owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_columns WHERE owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_constraints WHERE owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_indexes WHERE table_owner = ?1 AND table_name = ?2",
                                    "DELETE FROM mox_triggers WHERE table_owner = ?1 AND table_name = ?2"})
                Exec(this, QString::fromLatin1(sql)).text(1, t->owner).text(2, t->name).run();
        });
        return;
    }
    const QString owner = ownerOf(s.name);
    const QString name = s.name.last();
    QString check, remove;
    if (s.kind == Stmt::DropSequence) {
        check = QStringLiteral("SELECT owner FROM mox_sequences WHERE owner = ?1 AND sequence_name = ?2");
        remove = QStringLiteral("DELETE FROM mox_sequences WHERE owner = ?1 AND sequence_name = ?2");
    } else if (s.kind == Stmt::DropIndex) {
        check = QStringLiteral("SELECT table_owner FROM mox_indexes WHERE owner = ?1 AND index_name = ?2");
        remove = QStringLiteral("DELETE FROM mox_indexes WHERE owner = ?1 AND index_name = ?2");
    } else {
        check = QStringLiteral("SELECT table_owner || '|' || sqlite_name FROM mox_triggers WHERE owner = ?1 AND "
                               "trigger_name = ?2");
        remove = QStringLiteral("DELETE FROM mox_triggers WHERE owner = ?1 AND trigger_name = ?2");
    }
    QString found;
    {
        sqlite3_stmt *st = cached(check);
        Reset g{st};
        bindText(st, 1, owner);
        bindText(st, 2, name);
        if (sqlite3_step(st) == SQLITE_ROW)
            found = columnText(st, 0);
    }
    if (found.isEmpty()) {
        if (s.kind == Stmt::DropSequence)
            fail(QStringLiteral("ORA-02289: sequence does not exist (%1)").arg(s.name.join(u'.')));
        if (s.kind == Stmt::DropIndex)
            fail(QStringLiteral("ORA-01418: specified index does not exist (%1)").arg(s.name.join(u'.')));
        fail(QStringLiteral("ORA-04080: trigger '%1' does not exist").arg(s.name.join(u'.')));
    }
    inDdl([&] {
        if (s.kind == Stmt::DropIndex) {
            ensureAttached({found});
            exec(QStringLiteral("DROP INDEX %1.%2").arg(Translator::quote(found), Translator::quote(name)));
        } else if (s.kind == Stmt::DropTrigger) {
            const QString tableOwner = found.section(u'|', 0, 0);
            const QString sqliteName = found.section(u'|', 1);
            ensureAttached({tableOwner});
            for (const QChar ev : {u'I', u'U', u'D'})
                exec(QStringLiteral("DROP TRIGGER IF EXISTS %1.%2")
                         .arg(Translator::quote(tableOwner), Translator::quote(sqliteName + u'$' + ev)));
        }
        Exec(this, remove).text(1, owner).text(2, name).run();
    });
}

void EmbeddedSession::ddlTruncate(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    inDdl([&] {
        ensureAttached({t->owner});
        exec(QStringLiteral("DELETE FROM %1").arg(t->sqlRef));
    });
}

bool EmbeddedSession::tableHasRows(const TableInfo &t, const QString &column)
{
    ensureAttached({t.owner});
    sqlite3_stmt *st = prepare(QStringLiteral("SELECT 1 FROM %1%2 LIMIT 1")
                                   .arg(t.sqlRef, column.isEmpty() ? QString()
                                                                   : QStringLiteral(" WHERE %1 IS NOT NULL")
                                                                         .arg(Translator::quote(column))));
    const bool rows = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return rows;
}

namespace {

QString affinityOf(const QString &dataType)
{
    if (dataType == QLatin1String("NUMBER") || dataType == QLatin1String("FLOAT"))
        return QStringLiteral("NUMERIC");
    if (dataType == QLatin1String("BLOB"))
        return QStringLiteral("BLOB");
    return QStringLiteral("TEXT");
}

ColumnInfo columnInfo(const ColumnDef &c, int id)
{
    ColumnInfo ci;
    ci.name = c.name;
    ci.dataType = c.dataType;
    ci.length = c.length;
    ci.precision = c.precision;
    ci.scale = c.scale;
    ci.nullable = !c.notNull;
    ci.id = id;
    ci.defaultSource = c.defaultSource;
    return ci;
}

} // namespace

void EmbeddedSession::ddlAlterTable(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->dictionary || !t->viewQuery.isEmpty())
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    if (s.alterAction == 'A')
        ddlAddColumns(s, *t);
    else if (s.alterAction == 'M')
        ddlModifyColumns(s, *t);
    else
        ddlDropColumns(s, *t);
}

void EmbeddedSession::ddlAddColumns(const Stmt &s, const TableInfo &t)
{
    QSet<QString> names;
    for (const ColumnDef &c : s.columnDefs) {
        if (t.column(c.name) || names.contains(c.name))
            fail(QStringLiteral("ORA-01430: column being added already exists in table (%1)").arg(c.name));
        names.insert(c.name);
    }
    const bool rows = tableHasRows(t);
    for (const ColumnDef &c : s.columnDefs)
        if (c.notNull && c.defaultSource.isEmpty() && rows)
            fail(QStringLiteral("ORA-01758: table must be empty to add mandatory (NOT NULL) column (%1)").arg(c.name));
    Translator tr(*this, m_user);
    inDdl([&] {
        ensureAttached({t.owner});
        int id = int(t.columns.size());
        for (const ColumnDef &c : s.columnDefs) {
            const ColumnInfo ci = columnInfo(c, ++id);
            const QString affinity = affinityOf(c.dataType);
            // SQLite adds a NOT NULL column only with a default; inserts
            // never rely on it (they write the column or NULL)
            const QString notNull = !c.notNull ? QString()
                                    : affinity == QLatin1String("TEXT") ? QStringLiteral(" NOT NULL DEFAULT ''")
                                                                        : QStringLiteral(" NOT NULL DEFAULT 0");
            exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3%4")
                     .arg(t.sqlRef, Translator::quote(c.name), affinity, notNull));
            if (!c.defaultSource.isEmpty())
                exec(QStringLiteral("UPDATE %1 SET %2 = %3")
                         .arg(t.sqlRef, Translator::quote(c.name), tr.defaultValue(ci, t)));
            Exec(this, QStringLiteral("INSERT INTO mox_columns(owner, table_name, column_name, data_type, data_length, "
                                      "data_precision, data_scale, nullable, column_id, data_default) "
                                      "VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10)"))
                .text(1, t.owner)
                .text(2, t.name)
                .text(3, ci.name)
                .text(4, ci.dataType)
                .num(5, ci.length)
                .num(6, ci.precision, ci.precision < 0)
                .num(7, ci.scale, ci.scale < 0)
                .text(8, ci.nullable ? QStringLiteral("Y") : QStringLiteral("N"))
                .num(9, ci.id)
                .text(10, ci.defaultSource.isEmpty() ? QString() : ci.defaultSource)
                .run();
        }
    });
}

void EmbeddedSession::ddlModifyColumns(const Stmt &s, const TableInfo &t)
{
    struct Change {
        ColumnInfo before, after;
        bool retype = false; // SQLite's column is made again (it is empty)
    };
    std::vector<Change> changes;
    for (const ColumnDef &c : s.columnDefs) {
        const ColumnInfo *old = t.column(c.name);
        if (!old)
            fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(Translator::quote(c.name)));
        if (c.nullGiven && c.notNull == old->nullable)
            fail(QStringLiteral("ORA-03001: unimplemented feature: changing a column between NULL and NOT NULL is not "
                                "supported by the embedded engine (%1)")
                     .arg(c.name));
        Change ch{*old, *old};
        if (!c.dataType.isEmpty()) {
            ch.after.dataType = c.dataType;
            ch.after.length = c.length;
            ch.after.precision = c.precision;
            ch.after.scale = c.scale;
        }
        if (!c.defaultSource.isEmpty())
            ch.after.defaultSource = c.defaultSource;
        const bool filled = tableHasRows(t, c.name);
        if (ch.after.dataType != old->dataType) {
            if (filled)
                fail(QStringLiteral("ORA-01439: column to be modified must be empty to change datatype (%1)").arg(c.name));
            ch.retype = affinityOf(ch.after.dataType) != affinityOf(old->dataType);
        } else if (filled && (old->dataType == QLatin1String("VARCHAR2") || old->dataType == QLatin1String("CHAR"))
                   && ch.after.length < old->length) {
            sqlite3_stmt *st = prepare(QStringLiteral("SELECT max(length(rtrim(%1,' '))) FROM %2")
                                           .arg(Translator::quote(c.name), t.sqlRef));
            const int longest = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
            sqlite3_finalize(st);
            if (longest > ch.after.length)
                fail(QStringLiteral("ORA-01441: cannot decrease column length because some value is too big (%1)")
                         .arg(c.name));
        } else if (filled && old->dataType == QLatin1String("NUMBER")
                   && ((old->precision < 0 && ch.after.precision >= 0) || ch.after.precision < old->precision
                       || ch.after.scale < old->scale)) {
            fail(QStringLiteral("ORA-01440: column to be modified must be empty to decrease precision or scale (%1)")
                     .arg(c.name));
        }
        changes.push_back(ch);
    }
    inDdl([&] {
        ensureAttached({t.owner});
        for (const Change &ch : changes) {
            const QString col = Translator::quote(ch.after.name);
            if (ch.retype) {
                exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(t.sqlRef, col));
                exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(t.sqlRef, col, affinityOf(ch.after.dataType)));
            } else if (ch.after.dataType == QLatin1String("CHAR") && ch.after.length != ch.before.length) {
                // CHAR values take the new width
                exec(QStringLiteral("UPDATE %1 SET %2 = substr(printf('%-%3s', rtrim(%2,' ')), 1, %3) WHERE %2 IS NOT NULL")
                         .arg(t.sqlRef, col)
                         .arg(ch.after.length));
            }
            Exec(this, QStringLiteral("UPDATE mox_columns SET data_type = ?4, data_length = ?5, data_precision = ?6, "
                                      "data_scale = ?7, data_default = ?8 WHERE owner = ?1 AND table_name = ?2 "
                                      "AND column_name = ?3"))
                .text(1, t.owner)
                .text(2, t.name)
                .text(3, ch.after.name)
                .text(4, ch.after.dataType)
                .num(5, ch.after.length)
                .num(6, ch.after.precision, ch.after.precision < 0)
                .num(7, ch.after.scale, ch.after.scale < 0)
                .text(8, ch.after.defaultSource.isEmpty() ? QString() : ch.after.defaultSource)
                .run();
        }
    });
}

void EmbeddedSession::ddlDropColumns(const Stmt &s, const TableInfo &t)
{
    for (const QString &c : s.columns)
        if (!t.column(c))
            fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(Translator::quote(c)));
    if (s.columns.size() >= qsizetype(t.columns.size()))
        fail(QStringLiteral("ORA-12983: cannot drop all columns in a table"));
    // SQLite drops no column that a key or an index names
    sqlite3_stmt *st = cached(QStringLiteral(
        "SELECT columns FROM mox_constraints WHERE owner = ?1 AND table_name = ?2 AND constraint_type IN ('P','U') "
        "UNION ALL SELECT columns FROM mox_indexes WHERE table_owner = ?1 AND table_name = ?2"));
    {
        Reset g{st};
        bindText(st, 1, t.owner);
        bindText(st, 2, t.name);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (const QString &c : columnText(st, 0).split(u','))
                if (s.columns.contains(c))
                    fail(QStringLiteral("ORA-03001: unimplemented feature: dropping a column of a key or an index is "
                                        "not supported by the embedded engine (%1)")
                             .arg(c));
    }
    inDdl([&] {
        ensureAttached({t.owner});
        for (const QString &c : s.columns) {
            exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(t.sqlRef, Translator::quote(c)));
            // the columns after it move up, so that column_id stays 1..n
            Exec(this, QStringLiteral("UPDATE mox_columns SET column_id = column_id - 1 WHERE owner = ?1 AND "
                                      "table_name = ?2 AND column_id > (SELECT column_id FROM mox_columns WHERE "
                                      "owner = ?1 AND table_name = ?2 AND column_name = ?3)"))
                .text(1, t.owner)
                .text(2, t.name)
                .text(3, c)
                .run();
            Exec(this, QStringLiteral("DELETE FROM mox_columns WHERE owner = ?1 AND table_name = ?2 AND column_name = ?3"))
                .text(1, t.owner)
                .text(2, t.name)
                .text(3, c)
                .run();
            if (t.keyColumn == c)
                Exec(this, QStringLiteral("UPDATE mox_tables SET key_column = NULL WHERE owner = ?1 AND table_name = ?2"))
                    .text(1, t.owner)
                    .text(2, t.name)
                    .run();
        }
    });
}

void EmbeddedSession::ensureViewCatalog()
{
    exec(QStringLiteral("CREATE TABLE IF NOT EXISTS main.mox_views(owner TEXT NOT NULL, view_name TEXT NOT NULL, "
                        "text TEXT NOT NULL, columns TEXT NOT NULL, PRIMARY KEY(owner, view_name))"));
    m_hasViews = true;
}

void EmbeddedSession::ddlCreateView(const Stmt &s)
{
    const QString owner = ownerOf(s.table);
    const QString name = s.table.last();
    requireUser(owner);
    auto existing = table(owner, name);
    if (existing && (existing->viewQuery.isEmpty() || !s.orReplace))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    if (!existing && objectExists(owner, name))
        fail(QStringLiteral("ORA-00955: name is already used by an existing object (%1.%2)").arg(owner, name));
    Translator tr(*this, m_user);
    const Translation checked = tr.view(s, owner);
    QStringList columns;
    for (const OutColumn &c : checked.columns)
        columns << c.name;
    inDdl([&] {
        ensureViewCatalog();
        Exec(this, QStringLiteral("DELETE FROM mox_views WHERE owner = ?1 AND view_name = ?2")).text(1, owner).text(2, name).run();
        Exec(this, QStringLiteral("INSERT INTO mox_views(owner, view_name, text, columns) VALUES(?1,?2,?3,?4)"))
            .text(1, owner)
            .text(2, name)
            .text(3, s.source)
            .text(4, columns.join(u','))
            .run();
    });
}

void EmbeddedSession::ddlDropView(const Stmt &s)
{
    auto t = table(ownerOf(s.table), s.table.last());
    if (!t || t->viewQuery.isEmpty())
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(s.table.join(u'.')));
    inDdl([&] {
        Exec(this, QStringLiteral("DELETE FROM mox_views WHERE owner = ?1 AND view_name = ?2"))
            .text(1, t->owner)
            .text(2, t->name)
            .run();
    });
}

void EmbeddedSession::runDdl(const Stmt &s)
{
    switch (s.kind) {
    case Stmt::CreateTable:
        ddlCreateTable(s);
        break;
    case Stmt::CreateIndex:
        ddlCreateIndex(s);
        break;
    case Stmt::CreateSequence:
        ddlCreateSequence(s);
        break;
    case Stmt::CreateTrigger:
        ddlCreateTrigger(s);
        break;
    case Stmt::AlterTrigger:
        ddlAlterTrigger(s);
        break;
    case Stmt::DropTable:
    case Stmt::DropIndex:
    case Stmt::DropSequence:
    case Stmt::DropTrigger:
        ddlDrop(s);
        break;
    case Stmt::Truncate:
        ddlTruncate(s);
        break;
    case Stmt::AlterTable:
        ddlAlterTable(s);
        break;
    case Stmt::CreateView:
        ddlCreateView(s);
        break;
    case Stmt::DropView:
        ddlDropView(s);
        break;
    default:
        fail(QStringLiteral("ORA-00900: invalid SQL statement"));
    }
}

} // namespace oraembed
