// The layer's objects on top of the engine interface (engine.h).
#include "oracle/oracle.h"

#include "oracle/engine.h"
#include "oracle/oravalues.h"

#include <cmath>
#include <utility>

namespace {

[[noreturn]] void notConnected() { throw EMoxError(QStringLiteral("ORA-03114: not connected to ORACLE")); }

QString bareName(const QString &name)
{
    QString n = name.trimmed();
    if (n.startsWith(u':'))
        n = n.mid(1);
    return n;
}

// A value an engine returned, as the variable's type wants it.
QVariant asVariableType(const QVariant &v, TOracleType type)
{
    if (v.isNull() || !v.isValid())
        return QVariant();
    switch (type) {
    case otInteger:
        if (v.typeId() == QMetaType::Double)
            return QVariant(qint64(qRound64(v.toDouble())));
        if (v.typeId() == QMetaType::LongLong)
            return v;
        return QVariant(TOracleValue(v).AsInteger());
    case otFloat:
        return QVariant(TOracleValue(v).AsFloat());
    case otDate:
        if (v.typeId() == QMetaType::QDateTime)
            return v;
        return QVariant(TOracleValue(v).AsDateTime());
    default:
        return v;
    }
}

} // namespace

// ------------------------------------------------------------ session

TOracleSession::TOracleSession() = default;

TOracleSession::~TOracleSession()
{
    try {
        setConnected(false);
    } catch (const EMoxError &e) {
        // logging off never fails the program's end, but the lost work is told
        qWarning("%s", qPrintable(e.message()));
    }
}

bool TOracleSession::Connected() const { return m_engine != nullptr; }

void TOracleSession::setConnected(bool on)
{
    if (on) {
        if (m_engine)
            return;
        m_engine = oraConnect(LogonDatabase.trimmed(), LogonUsername.trimmed(), LogonPassword);
        ++m_serial;
        return;
    }
    if (!m_engine)
        return;
    // Logging off commits the open transaction, as ending an Oracle session
    // does; only a program that dies loses it. A commit that fails still
    // logs off (the engine rolls back) and reports why.
    std::unique_ptr<OraEngineSession> old = std::move(m_engine);
    ++m_serial;
    old->commit();
}

void TOracleSession::Commit()
{
    if (!m_engine)
        notConnected();
    m_engine->commit();
}

void TOracleSession::Rollback()
{
    if (!m_engine)
        notConnected();
    m_engine->rollback();
}

OraEngineSession *TOracleSession::engine() const { return m_engine.get(); }

// ------------------------------------------------------------ values

QString TOracleValue::AsString() const
{
    if (IsNull())
        return QString();
    switch (m_value.typeId()) {
    case QMetaType::QString:
        return m_value.toString();
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(m_value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return oravalue::numberText(m_value.toDouble());
    case QMetaType::QDateTime:
        return oravalue::layerDateText(m_value.toDateTime());
    case QMetaType::QDate:
        return oravalue::layerDateText(QDateTime(m_value.toDate(), QTime(0, 0)));
    case QMetaType::QByteArray:
        return QString::fromUtf8(m_value.toByteArray());
    default:
        return m_value.toString();
    }
}

qint64 TOracleValue::AsInteger() const
{
    if (IsNull())
        return 0;
    switch (m_value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return m_value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float:
        return qRound64(m_value.toDouble());
    default: {
        const QString s = AsString();
        if (s.trimmed().isEmpty())
            return 0;
        double d = 0;
        bool isInt = false;
        qint64 iv = 0;
        if (!oravalue::parseNumber(s, d, &isInt, &iv))
            throw EMoxError(QStringLiteral("'%1' is not a valid integer value").arg(s));
        return isInt ? iv : qRound64(d);
    }
    }
}

double TOracleValue::AsFloat() const
{
    if (IsNull())
        return 0;
    switch (m_value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return m_value.toDouble();
    default: {
        const QString s = AsString();
        if (s.trimmed().isEmpty())
            return 0;
        double d = 0;
        if (!oravalue::parseNumber(s, d))
            throw EMoxError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
        return d;
    }
    }
}

QDateTime TOracleValue::AsDateTime() const
{
    if (IsNull())
        return QDateTime();
    if (m_value.typeId() == QMetaType::QDateTime)
        return m_value.toDateTime();
    if (m_value.typeId() == QMetaType::QDate)
        return QDateTime(m_value.toDate(), QTime(0, 0));
    const QString s = AsString();
    if (s.trimmed().isEmpty())
        return QDateTime();
    try {
        return oravalue::parseAnyDate(s);
    } catch (const EMoxError &) {
        throw EMoxError(QStringLiteral("'%1' is not a valid date and time").arg(s));
    }
}

// ------------------------------------------------------------ statements

TOracleStatementBase::TOracleStatementBase(TOracleSession *session) : Session(session) {}

TOracleStatementBase::~TOracleStatementBase() = default;

void TOracleStatementBase::DeleteVariables() { m_vars.clear(); }

TOracleStatementBase::Variable *TOracleStatementBase::findVariable(const QString &name)
{
    return const_cast<Variable *>(std::as_const(*this).findVariable(name));
}

const TOracleStatementBase::Variable *TOracleStatementBase::findVariable(const QString &name) const
{
    const QString n = bareName(name);
    // a name is mostly written as it was declared: the exact comparison first
    for (const Variable &v : m_vars)
        if (v.name == n)
            return &v;
    for (const Variable &v : m_vars)
        if (v.name.compare(n, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

void TOracleStatementBase::DeclareVariable(const QString &name, TOracleType type)
{
    if (Variable *v = findVariable(name)) {
        v->type = type;
        return;
    }
    Variable v;
    v.name = bareName(name);
    v.key = v.name.toUpper();
    v.type = type;
    m_vars.push_back(v);
}

void TOracleStatementBase::SetVariable(const QString &name, const QVariant &value)
{
    Variable *v = findVariable(name);
    if (!v)
        throw EMoxError(QStringLiteral("Variable :%1 is not declared").arg(bareName(name)));
    v->value = value;
    v->lob = nullptr;
}

TOracleValue TOracleStatementBase::GetVariable(const QString &name) const
{
    const Variable *v = findVariable(name);
    if (!v)
        throw EMoxError(QStringLiteral("Variable :%1 is not declared").arg(bareName(name)));
    return TOracleValue(v->value);
}

void TOracleStatementBase::SetComplexVariable(const QString &name, TLOBLocator *locator)
{
    Variable *v = findVariable(name);
    if (!v)
        throw EMoxError(QStringLiteral("Variable :%1 is not declared").arg(bareName(name)));
    v->lob = locator;
    v->value = QVariant();
}

QString TOracleStatementBase::sqlText() const { return SQL.join(QLatin1Char('\n')); }

OraEngineCursor &TOracleStatementBase::run()
{
    if (!Session || !Session->Connected())
        notConnected();
    if (!m_cursor || m_cursorSerial != Session->connectionSerial()) {
        m_cursor = Session->engine()->createCursor();
        m_cursorSerial = Session->connectionSerial();
    }
    std::vector<OraBindValue> vars;
    vars.reserve(m_vars.size());
    for (const Variable &v : m_vars)
        vars.push_back({v.key, v.type, v.lob ? QVariant() : v.value});
    m_cursor->execute(sqlText(), vars);
    const std::map<QString, QVariant> outs = m_cursor->outValues();
    for (Variable &v : m_vars) {
        const QString &key = v.key;
        auto it = outs.find(key);
        if (it != outs.end() && !v.lob)
            v.value = asVariableType(it->second, v.type);
        if (v.lob) {
            std::unique_ptr<OraEngineLob> lob = m_cursor->takeLob(key);
            if (lob)
                v.lob->setEngine(std::move(lob));
        }
    }
    return *m_cursor;
}

// ------------------------------------------------------------ query objects

struct TOracleDataSet::Impl {
    bool active = false;
    bool done = true; // the engine has no more rows
    QStringList names;
    // Rows fetched and not yet passed; rows already read are dropped in
    // blocks so that reading a large result keeps memory flat.
    std::vector<std::vector<QVariant>> rows;
    size_t pos = 0;
    bool dropped = false; // the first row is no longer held: First() runs the query again
    static constexpr size_t kKeepRows = 1000;

    int column(const QString &name) const
    {
        const QString n = name.trimmed();
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(n, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
};

TOracleDataSet::TOracleDataSet(TOracleSession *session) : TOracleStatementBase(session), d(std::make_unique<Impl>()) {}

TOracleDataSet::~TOracleDataSet() = default;

bool TOracleDataSet::Active() const { return d->active; }

void TOracleDataSet::setActive(bool on)
{
    if (!on) {
        if (m_cursor && m_cursorSerial == (Session ? Session->connectionSerial() : 0))
            m_cursor->close();
        d->active = false;
        d->done = true;
        d->rows.clear();
        d->names.clear();
        d->pos = 0;
        d->dropped = false;
        return;
    }
    if (d->active)
        return;
    d->rows.clear();
    d->names.clear();
    d->pos = 0;
    d->dropped = false;
    d->done = true;
    OraEngineCursor &c = run();
    if (c.isQuery()) {
        d->names = c.columnNames();
        d->done = false;
        std::vector<QVariant> row;
        if (c.fetch(row))
            d->rows.push_back(std::move(row));
        else
            d->done = true;
    }
    d->active = true;
}

bool TOracleDataSet::Eof() const { return !d->active || d->pos >= d->rows.size(); }

void TOracleDataSet::Next()
{
    if (Eof())
        return;
    ++d->pos;
    if (d->pos >= Impl::kKeepRows) {
        d->rows.erase(d->rows.begin(), d->rows.begin() + qsizetype(d->pos));
        d->pos = 0;
        d->dropped = true;
    }
    if (d->pos >= d->rows.size() && !d->done) {
        std::vector<QVariant> row;
        if (m_cursor->fetch(row))
            d->rows.push_back(std::move(row));
        else
            d->done = true;
    }
}

void TOracleDataSet::First()
{
    if (!d->active)
        return;
    if (!d->dropped) {
        d->pos = 0;
        return;
    }
    // The first rows were let go while reading on: run the query again with
    // the variables as they are bound.
    setActive(false);
    setActive(true);
}

TOracleValue TOracleDataSet::FieldByName(const QString &column) const
{
    if (!d->active)
        throw EMoxError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    const int i = d->column(column);
    if (i < 0)
        throw EMoxError(QStringLiteral("Field '%1' not found").arg(column));
    return Field(i);
}

int TOracleDataSet::FieldCount() const { return int(d->names.size()); }

QString TOracleDataSet::FieldName(int index) const { return d->names.value(index); }

TOracleValue TOracleDataSet::Field(int index) const
{
    if (index < 0 || index >= d->names.size())
        throw EMoxError(QStringLiteral("Field index %1 out of range").arg(index));
    if (Eof())
        return TOracleValue();
    const std::vector<QVariant> &row = d->rows[d->pos];
    return size_t(index) < row.size() ? TOracleValue(row[size_t(index)]) : TOracleValue();
}

void TOracleDataSet::Delete()
{
    if (Eof())
        throw EMoxError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!Session || !Session->Connected())
        notConnected();
    const QString rowid = Field(0).AsString();
    Session->engine()->deleteRow(rowid);
    Session->Commit();
    d->rows.erase(d->rows.begin() + qsizetype(d->pos));
    if (d->pos >= d->rows.size() && !d->done) {
        std::vector<QVariant> row;
        if (m_cursor->fetch(row))
            d->rows.push_back(std::move(row));
        else
            d->done = true;
    }
}

// ------------------------------------------------------------ statement objects

TOracleQuery::TOracleQuery(TOracleSession *session) : TOracleStatementBase(session) {}

TOracleQuery::~TOracleQuery() = default;

void TOracleQuery::Clear()
{
    SQL.clear();
    DeleteVariables();
}

void TOracleQuery::Execute()
{
    m_rowsProcessed = 0;
    OraEngineCursor &c = run();
    m_rowsProcessed = c.rowsProcessed();
    if (c.isQuery())
        c.close();
}

// ------------------------------------------------------------ LOB locators

TLOBLocator::TLOBLocator(TOracleSession *session, TOracleType type) : m_session(session) { Q_UNUSED(type); }

TLOBLocator::~TLOBLocator() = default;

void TLOBLocator::Write(const QString &text)
{
    if (!m_engine || !m_session || !m_session->Connected())
        throw EMoxError(QStringLiteral("ORA-22275: invalid LOB locator specified"));
    m_engine->write(text);
}

QString TLOBLocator::Read() const
{
    if (!m_engine || !m_session || !m_session->Connected())
        throw EMoxError(QStringLiteral("ORA-22275: invalid LOB locator specified"));
    return m_engine->read();
}

void TLOBLocator::setEngine(std::unique_ptr<OraEngineLob> lob) { m_engine = std::move(lob); }
