// The embedded engine's cursors: statements parsed, translated and prepared
// once, bind values converted to what the columns hold, queries fetched row
// by row, DML with RETURNING, and anonymous blocks run step by step.
#include "oracle/embedded/cursor.h"

#include "oracle/embedded/sqliteutil.h"
#include "oracle/oravalues.h"
#include "base/moxerror.h"

#include <QDateTime>

namespace oraembed {

namespace {

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

} // namespace

// ------------------------------------------------------------------ LOB

EmbeddedLob::EmbeddedLob(EmbeddedSession *s, QString owner, QString table, QString column, qint64 rowid)
    : m_s(s), m_owner(std::move(owner)), m_table(std::move(table)), m_column(std::move(column)), m_rowid(rowid)
{
    m_s->trackLob(this, true);
}

EmbeddedLob::~EmbeddedLob()
{
    if (m_s)
        m_s->trackLob(this, false);
}

void EmbeddedLob::write(const QString &text)
{
    check();
    m_s->writeLob(m_owner, m_table, m_column, m_rowid, text);
}

QString EmbeddedLob::read()
{
    check();
    return m_s->readLob(m_owner, m_table, m_column, m_rowid);
}

void EmbeddedLob::check() const
{
    if (!m_s)
        fail(QStringLiteral("ORA-03114: not connected to ORACLE"));
}

// ------------------------------------------------------------------ cursor

EmbeddedCursor::~EmbeddedCursor()
{
    keepPrepared();
    finalizeAll();
    if (m_s)
        m_s->forgetCursor(this);
}

QStringList EmbeddedCursor::columnNames() const { return m_columnNames; }

void EmbeddedCursor::close()
{
    m_buffer.clear();
    if (m_pending && m_st) {
        sqlite3_reset(m_st);
        m_pending = false;
        if (m_s)
            m_s->cursorPending(this, false);
    }
}

std::unique_ptr<OraEngineLob> EmbeddedCursor::takeLob(const QString &name)
{
    auto it = m_lobs.find(name.toUpper());
    if (it == m_lobs.end())
        return nullptr;
    std::unique_ptr<OraEngineLob> l = std::move(it->second);
    m_lobs.erase(it);
    return l;
}

void EmbeddedCursor::drain()
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

void EmbeddedCursor::transactionEnded()
{
    if (!m_forUpdate || !m_pending)
        return;
    sqlite3_reset(m_st);
    m_pending = false;
    m_outOfSequence = true;
}

void EmbeddedCursor::sessionClosed()
{
    finalizeAll();
    m_s = nullptr;
}

void EmbeddedCursor::readRow(sqlite3_stmt *st, const std::vector<OutColumn> &cols, std::vector<QVariant> &row)
{
    const int n = sqlite3_column_count(st);
    row.resize(size_t(n));
    for (int i = 0; i < n; ++i)
        row[size_t(i)] = value(st, i, i < int(cols.size()) ? cols[size_t(i)].type : VType::Unknown);
}

QVariant EmbeddedCursor::value(sqlite3_stmt *st, int i, VType t)
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

void EmbeddedCursor::keepPrepared()
{
    if (!m_s || !m_stmt || !m_st || !m_steps.empty())
        return;
    close();
    PreparedText p;
    p.stmt = std::move(m_stmt);
    p.tr = std::move(m_tr);
    p.columnNames = std::move(m_columnNames);
    p.st = m_st;
    p.version = m_version;
    m_st = nullptr;
    m_parameters.clear();
    m_s->keepPrepared(m_sql, std::move(p));
}

void EmbeddedCursor::finalizeAll()
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
    m_s->statementSnapshot();
    const qint64 version = m_s->ddlVersion();
    if (sql != m_sql || version != m_version || !m_stmt)
        prepareStatement(sql, version);
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
    case Stmt::Select:
        openQuery(vars);
        break;
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

// Parses a new statement text (or the same text after a DDL change) and
// prepares the SQLite statement of a query or DML; the other statements run
// from their syntax tree.
void EmbeddedCursor::prepareStatement(const QString &sql, qint64 version)
{
    keepPrepared();
    finalizeAll();
    m_stmt.reset();
    m_sql.clear();
    m_tr = Translation();
    m_columnNames.clear();
    PreparedText kept;
    if (m_s->takePrepared(sql, version, kept)) {
        m_stmt = std::move(kept.stmt);
        m_tr = std::move(kept.tr);
        m_columnNames = std::move(kept.columnNames);
        m_st = kept.st;
        m_sql = sql;
        m_version = version;
        return;
    }
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
    for (const OutColumn &c : m_tr.columns)
        m_columnNames << c.name;
    m_stmt = std::move(parsed);
    m_sql = sql;
    m_version = version;
}

// Opens a query: FOR UPDATE takes its locks, and the first row is read now so
// that the query's errors show on opening.
void EmbeddedCursor::openQuery(const std::map<QString, OraBindValue> &vars)
{
    if (m_forUpdate)
        m_s->lockForUpdate(m_tr, m_stmt->query->forUpdateWait);
    m_s->prepareRead(m_tr.schemas);
    bind(m_st, vars);
    m_pending = true;
    m_s->cursorPending(this, true);
    const int rc = sqlite3_step(m_st);
    if (rc == SQLITE_ROW) {
        std::vector<QVariant> row;
        readRow(m_st, m_tr.columns, row);
        m_buffer.push_back(std::move(row));
    } else {
        m_pending = false;
        m_s->cursorPending(this, false);
        sqlite3_reset(m_st);
        sqlite3_clear_bindings(m_st);
        if (rc != SQLITE_DONE) {
            m_s->raise(&m_tr);
        }
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

} // namespace oraembed
