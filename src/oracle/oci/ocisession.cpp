#include "oracle/oci/ocisession.h"

#include "oracle/oci/ocidata.h"
#include "oracle/oci/ocisqltext.h"
#include "oracle/oravalues.h"

#include <algorithm>
#include <cstring>

namespace ocieng {

using namespace oci;

namespace {

// Largest text a PL/SQL variable holds: the buffer of a block's text
// variables, which may come back changed.
constexpr int kPlsqlTextBytes = 32767;
// Bytes of one column of one row that the fetch buffers may take together.
constexpr qint64 kFetchBufferBytes = 8 * 1024 * 1024;
// Bytes per character of UTF-8 text at most.
constexpr int kMaxBytesPerChar = 4;

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

QByteArray utf8(const QString &s) { return s.toUtf8(); }

} // namespace

int fetchRows()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("MOX_OCI_FETCH_ROWS", &ok);
    return ok && n > 0 ? n : 500;
}

// ------------------------------------------------------------------ LOB

class OciLob : public OraEngineLob {
public:
    OciLob(OciSession *s, Handle *loc) : m_s(s), m_loc(loc) { m_s->track(this, true); }
    ~OciLob() override
    {
        if (m_s) {
            m_s->track(this, false);
            detach();
        }
    }
    void write(const QString &text) override
    {
        check();
        const Api &a = m_s->api();
        m_s->check(a.LobTrim2(m_s->svc(), m_s->err(), m_loc, 0));
        QByteArray data = utf8(text);
        if (data.isEmpty())
            return;
        ub8 bytes = ub8(data.size()), chars = 0;
        m_s->check(a.LobWrite2(m_s->svc(), m_s->err(), m_loc, &bytes, &chars, 1, data.data(), ub8(data.size()),
                               ONE_PIECE, nullptr, nullptr, CHARSET_AL32UTF8, SQLCS_IMPLICIT));
    }
    QString read() override
    {
        check();
        return QString::fromUtf8(readLob(m_s, m_loc, true));
    }
    // Frees the locator; the session is ending.
    void detach()
    {
        if (m_s && m_loc)
            m_s->api().DescriptorFree(m_loc, DTYPE_LOB);
        m_loc = nullptr;
        m_s = nullptr;
    }

    // The whole content of a LOB: text of a CLOB as UTF-8, bytes of a BLOB.
    static QByteArray readLob(OciSession *s, Handle *loc, bool clob)
    {
        const Api &a = s->api();
        ub8 len = 0;
        s->check(a.LobGetLength2(s->svc(), s->err(), loc, &len));
        QByteArray out;
        ub8 offset = 1;
        while (offset <= len) {
            const ub8 want = std::min<ub8>(len - offset + 1, 1 << 16);
            QByteArray buf(qsizetype(clob ? want * kMaxBytesPerChar : want), Qt::Uninitialized);
            ub8 bytes = clob ? 0 : want, chars = clob ? want : 0;
            const sword rc = a.LobRead2(s->svc(), s->err(), loc, &bytes, &chars, offset, buf.data(), ub8(buf.size()),
                                        ONE_PIECE, nullptr, nullptr, CHARSET_AL32UTF8, SQLCS_IMPLICIT);
            if (rc != SUCCESS && rc != NO_DATA)
                s->check(rc);
            out.append(buf.constData(), qsizetype(bytes));
            const ub8 got = clob ? chars : bytes;
            if (got == 0)
                break;
            offset += got;
        }
        return out;
    }

private:
    OciSession *m_s;
    Handle *m_loc;
    void check() const
    {
        if (!m_s || !m_loc)
            fail(QStringLiteral("ORA-03114: not connected to ORACLE"));
    }
};

// ------------------------------------------------------------------ cursor

class OciCursor : public OraEngineCursor {
public:
    explicit OciCursor(OciSession *s) : m_s(s) { m_s->track(this, true); }
    ~OciCursor() override
    {
        if (m_s) {
            m_s->track(this, false);
            detach();
        }
    }

    void execute(const QString &sql, const std::vector<OraBindValue> &vars) override;
    bool isQuery() const override { return m_type == STMT_SELECT; }
    QStringList columnNames() const override
    {
        QStringList n;
        for (const Column &c : m_cols)
            n << c.name;
        return n;
    }
    bool fetch(std::vector<QVariant> &row) override;
    void close() override
    {
        if (m_s && m_stmt && m_open && !m_done)
            m_s->api().StmtFetch2(m_stmt, m_s->err(), 0, FETCH_NEXT, 0, DEFAULT); // cancels the cursor
        m_open = false;
        m_done = true;
        m_pos = m_count = 0;
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

    // The table a ROWID query reads, and whether the rows of its current
    // fetch hold the ROWID.
    const QString &rowidTable() const { return m_rowidTable; }
    bool holdsRowid(const QString &rowid) const
    {
        if (m_rowidTable.isEmpty() || m_cols.empty() || m_cols.front().dty != SQLT_CHR)
            return false;
        const Column &c = m_cols.front();
        const QByteArray want = utf8(rowid);
        for (ub4 r = 0; r < m_count; ++r)
            if (c.ind[r] != IND_NULL && c.rlen[r] == ub4(want.size()) &&
                std::memcmp(c.buf.constData() + qsizetype(c.size) * r, want.constData(), size_t(want.size())) == 0)
                return true;
        return false;
    }

    // Releases the statement and its buffers; the session is ending.
    void detach()
    {
        if (!m_s)
            return;
        releaseStatement();
        m_s = nullptr;
    }

private:
    struct Bind {
        QString name;
        TOracleType type = otString;
        ub2 dty = SQLT_CHR;
        QByteArray buf;
        sb2 ind = IND_NULL;
        ub4 alen = 0;
        ub2 rcode = 0;
        Handle *handle = nullptr;
        // a RETURNING target: buffers handed over in the out callback, one
        // per returned row
        bool returning = false;
        ub4 rowsReturned = 0;
        std::vector<QByteArray> rowBufs;
        std::vector<Handle *> rowLocs;
        std::vector<sb2> rowInd;
        std::vector<ub4> rowLen;
        std::vector<ub2> rowCode;
        OciSession *session = nullptr;
    };
    struct Column {
        QString name;
        ub2 type = 0;      // as described
        ub2 dty = SQLT_CHR; // as defined
        int size = 0;      // bytes per row
        QByteArray buf;
        std::vector<sb2> ind;
        std::vector<ub4> rlen;
        std::vector<ub2> rcode;
        std::vector<Handle *> locs;
        Handle *def = nullptr;
    };

    OciSession *m_s;
    Handle *m_stmt = nullptr;
    QString m_sql;
    ub2 m_type = STMT_UNKNOWN;
    std::vector<std::unique_ptr<Bind>> m_binds;
    std::vector<Column> m_cols;
    int m_arrayRows = 1;
    bool m_open = false, m_done = true;
    ub4 m_count = 0, m_pos = 0;
    int m_rows = 0;
    QString m_rowidTable;
    std::map<QString, QVariant> m_out;
    std::map<QString, std::unique_ptr<OraEngineLob>> m_lobs;

    void releaseStatement()
    {
        freeColumns();
        freeBinds();
        if (m_stmt)
            m_s->api().StmtRelease(m_stmt, m_s->err(), nullptr, 0, DEFAULT);
        m_stmt = nullptr;
        m_sql.clear();
        m_open = false;
        m_done = true;
    }
    void freeColumns()
    {
        for (Column &c : m_cols)
            for (Handle *l : c.locs)
                m_s->api().DescriptorFree(l, DTYPE_LOB);
        m_cols.clear();
    }
    void freeBinds()
    {
        for (auto &b : m_binds)
            for (Handle *l : b->rowLocs)
                if (l)
                    m_s->api().DescriptorFree(l, DTYPE_LOB);
        m_binds.clear();
    }
    void bindAll(const QStringList &names, const QStringList &returning, const std::vector<OraBindValue> &vars);
    void fillIn(Bind &b, const OraBindValue &v);
    void describeAndDefine();
    QVariant cell(Column &c, ub4 r);
    QVariant bindValue(const Bind &b, const QByteArray &buf, sb2 ind, ub4 len) const;

    static sb4 inCallback(void *ctx, Handle *, ub4, ub4, void **bufpp, ub4 *alenp, ub1 *piecep, void **indpp);
    static sb4 outCallback(void *ctx, Handle *bindp, ub4 iter, ub4 index, void **bufpp, ub4 **alenpp, ub1 *piecep,
                           void **indpp, ub2 **rcodepp);
};

void OciCursor::execute(const QString &sql, const std::vector<OraBindValue> &vars)
{
    if (!m_s)
        fail(QStringLiteral("ORA-03114: not connected to ORACLE"));
    const Api &a = m_s->api();
    close();
    m_out.clear();
    m_lobs.clear();
    m_rows = 0;
    if (!m_stmt || sql != m_sql) {
        releaseStatement();
        const QByteArray text = utf8(sql);
        m_s->check(a.StmtPrepare2(m_s->svc(), &m_stmt, m_s->err(), reinterpret_cast<const OraText *>(text.constData()),
                                  ub4(text.size()), nullptr, 0, NTV_SYNTAX, DEFAULT));
        m_sql = sql;
        ub2 type = 0;
        m_s->check(a.AttrGet(m_stmt, HTYPE_STMT, &type, nullptr, ATTR_STMT_TYPE, m_s->err()));
        m_type = type;
    }
    freeBinds();
    // DDL takes no bind variables; elsewhere every declared variable that
    // the text names is bound (binding one it does not name is an error)
    if (m_type != STMT_CREATE && m_type != STMT_DROP && m_type != STMT_ALTER)
        bindAll(ocisql::placeholders(sql), ocisql::returningTargets(sql), vars);

    const bool query = m_type == STMT_SELECT;
    m_s->check(a.StmtExecute(m_s->svc(), m_stmt, m_s->err(), query ? 0 : 1, 0, nullptr, nullptr, DEFAULT));
    if (query) {
        describeAndDefine();
        m_open = true;
        m_done = false;
        m_rowidTable.clear();
        if (!m_cols.empty() && m_cols.front().name.compare(QLatin1String("ROWID"), Qt::CaseInsensitive) == 0) {
            m_rowidTable = ocisql::firstTable(sql);
            m_s->noteRowidTable(m_rowidTable);
        }
        return;
    }
    ub4 count = 0;
    m_s->check(a.AttrGet(m_stmt, HTYPE_STMT, &count, nullptr, ATTR_ROW_COUNT, m_s->err()));
    m_rows = int(count);
    const bool block = m_type == STMT_BEGIN || m_type == STMT_DECLARE || m_type == STMT_CALL;
    for (auto &bp : m_binds) {
        Bind &b = *bp;
        if (b.returning) {
            if (b.rowsReturned == 0)
                continue;
            if (b.dty == SQLT_CLOB) {
                if (b.rowInd[0] != IND_NULL) {
                    m_lobs[b.name] = std::make_unique<OciLob>(m_s, b.rowLocs[0]);
                    b.rowLocs[0] = nullptr; // the locator object owns it now
                }
                m_out[b.name] = QVariant();
            } else {
                m_out[b.name] = bindValue(b, b.rowBufs[0], b.rowInd[0], b.rowLen[0]);
            }
        } else if (block) {
            m_out[b.name] = bindValue(b, b.buf, b.ind, b.alen);
        }
    }
}

void OciCursor::bindAll(const QStringList &names, const QStringList &returning, const std::vector<OraBindValue> &vars)
{
    const Api &a = m_s->api();
    const bool block = m_type == STMT_BEGIN || m_type == STMT_DECLARE || m_type == STMT_CALL;
    for (const QString &name : names) {
        auto v = std::find_if(vars.begin(), vars.end(), [&](const OraBindValue &x) { return x.name == name; });
        if (v == vars.end())
            continue; // the library reports a placeholder left unbound
        auto b = std::make_unique<Bind>();
        b->name = name;
        b->type = v->type;
        b->session = m_s;
        const QByteArray ph = utf8(u':' + name);
        if (returning.contains(name)) {
            b->returning = true;
            b->dty = v->type == otCLOB ? SQLT_CLOB
                     : v->type == otInteger || v->type == otFloat ? SQLT_VNU
                     : v->type == otDate                          ? SQLT_DAT
                                                                  : SQLT_CHR;
            m_s->check(a.BindByName2(m_stmt, &b->handle, m_s->err(), reinterpret_cast<const OraText *>(ph.constData()),
                                     sb4(ph.size()), nullptr, b->dty == SQLT_CLOB ? sb8(sizeof(void *)) : kPlsqlTextBytes,
                                     b->dty, nullptr, nullptr, nullptr, 0, nullptr, DATA_AT_EXEC));
            m_s->check(a.BindDynamic(b->handle, m_s->err(), b.get(), &OciCursor::inCallback, b.get(),
                                     &OciCursor::outCallback));
        } else {
            fillIn(*b, *v);
            if (block && b->dty == SQLT_CHR && b->buf.size() < kPlsqlTextBytes)
                b->buf.resize(kPlsqlTextBytes); // room for what the block assigns
            m_s->check(a.BindByName2(m_stmt, &b->handle, m_s->err(), reinterpret_cast<const OraText *>(ph.constData()),
                                     sb4(ph.size()), b->buf.data(), sb8(b->buf.size()), b->dty, &b->ind, &b->alen,
                                     &b->rcode, 0, nullptr, DEFAULT));
        }
        m_binds.push_back(std::move(b));
    }
}

void OciCursor::fillIn(Bind &b, const OraBindValue &bv)
{
    const QVariant &v = bv.value;
    auto setNull = [&](ub2 dty, int size) {
        b.dty = dty;
        b.buf = QByteArray(size, '\0');
        b.ind = IND_NULL;
        b.alen = 0;
    };
    auto setText = [&](const QString &s) {
        if (s.isEmpty())
            return setNull(SQLT_CHR, 1); // an empty text is NULL
        b.dty = SQLT_CHR;
        b.buf = utf8(s);
        b.ind = IND_NOTNULL;
        b.alen = ub4(b.buf.size());
    };
    auto setNumber = [&](const QString &text) {
        b.dty = SQLT_VNU;
        b.buf = QByteArray(kNumberSize, '\0');
        b.ind = IND_NOTNULL;
        b.alen = kNumberSize;
        unsigned char *p = reinterpret_cast<unsigned char *>(b.buf.data());
        double d = 0;
        bool isInt = false;
        qint64 iv = 0;
        if (!oravalue::parseNumber(text, d, &isInt, &iv))
            fail(QStringLiteral("ORA-01722: invalid number (:%1 = '%2')").arg(b.name, text));
        if (bv.type == otInteger)
            ocidata::numberFromInt(isInt ? iv : qRound64(d), p);
        else if (!ocidata::numberFromText(text, p))
            ocidata::numberFromDouble(d, p);
    };
    auto setDate = [&](const QDateTime &dt) {
        if (!dt.isValid())
            return setNull(SQLT_DAT, kDateSize);
        b.dty = SQLT_DAT;
        b.buf = QByteArray(kDateSize, '\0');
        ocidata::dateToBytes(dt, reinterpret_cast<unsigned char *>(b.buf.data()));
        b.ind = IND_NOTNULL;
        b.alen = kDateSize;
    };

    const bool numeric = bv.type == otInteger || bv.type == otFloat;
    if (v.isNull() || !v.isValid())
        return numeric ? setNull(SQLT_VNU, kNumberSize) : bv.type == otDate ? setNull(SQLT_DAT, kDateSize) : setNull(SQLT_CHR, 1);
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return setDate(v.toDateTime());
    case QMetaType::QDate:
        return setDate(QDateTime(v.toDate(), QTime(0, 0)));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::Bool:
        if (bv.type == otDate)
            fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected DATE got NUMBER (:%1)").arg(b.name));
        return numeric ? setNumber(QString::number(v.toLongLong())) : setText(QString::number(v.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        if (bv.type == otDate)
            fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected DATE got NUMBER (:%1)").arg(b.name));
        if (bv.type == otInteger)
            return setNumber(QString::number(qRound64(v.toDouble())));
        return numeric ? setNumber(oravalue::numberText(v.toDouble())) : setText(oravalue::numberText(v.toDouble()));
    default: {
        const QString s = v.toString();
        if (s.isEmpty())
            return numeric ? setNull(SQLT_VNU, kNumberSize) : bv.type == otDate ? setNull(SQLT_DAT, kDateSize) : setNull(SQLT_CHR, 1);
        if (numeric)
            return setNumber(s.trimmed());
        if (bv.type == otDate)
            return setDate(oravalue::parseAnyDate(s));
        return setText(s);
    }
    }
}

QVariant OciCursor::bindValue(const Bind &b, const QByteArray &buf, sb2 ind, ub4 len) const
{
    if (ind == IND_NULL)
        return QVariant();
    const auto *p = reinterpret_cast<const unsigned char *>(buf.constData());
    switch (b.dty) {
    case SQLT_VNU:
        return ocidata::numberToVariant(p);
    case SQLT_DAT:
        return ocidata::dateFromBytes(p);
    default:
        return QString::fromUtf8(buf.constData(), qsizetype(std::min<ub4>(len, ub4(buf.size()))));
    }
}

sb4 OciCursor::inCallback(void *, Handle *, ub4, ub4, void **bufpp, ub4 *alenp, ub1 *piecep, void **indpp)
{
    // a RETURNING target sends nothing in
    static sb2 nullInd = IND_NULL;
    *bufpp = nullptr;
    *alenp = 0;
    *piecep = ONE_PIECE;
    *indpp = &nullInd;
    return CONTINUE;
}

sb4 OciCursor::outCallback(void *ctx, Handle *bindp, ub4, ub4 index, void **bufpp, ub4 **alenpp, ub1 *piecep,
                           void **indpp, ub2 **rcodepp)
{
    Bind &b = *static_cast<Bind *>(ctx);
    const Api &a = b.session->api();
    if (index == 0) {
        ub4 rows = 0;
        a.AttrGet(bindp, HTYPE_BIND, &rows, nullptr, ATTR_ROWS_RETURNED, b.session->err());
        b.rowsReturned = rows;
        const size_t n = std::max<size_t>(rows, 1);
        b.rowBufs.assign(n, QByteArray());
        b.rowInd.assign(n, IND_NULL);
        b.rowLen.assign(n, 0);
        b.rowCode.assign(n, 0);
        if (b.dty == SQLT_CLOB)
            b.rowLocs.resize(std::max(b.rowLocs.size(), n), nullptr);
    }
    if (index >= b.rowInd.size())
        return ERROR;
    if (b.dty == SQLT_CLOB) {
        if (!b.rowLocs[index]) {
            Handle *loc = nullptr;
            if (a.DescriptorAlloc(b.session->env(), &loc, DTYPE_LOB, 0, nullptr) != SUCCESS)
                return ERROR;
            b.rowLocs[index] = loc;
        }
        *bufpp = b.rowLocs[index];
        b.rowLen[index] = sizeof(void *);
    } else {
        const int size = b.dty == SQLT_VNU ? kNumberSize : b.dty == SQLT_DAT ? kDateSize : kPlsqlTextBytes;
        b.rowBufs[index] = QByteArray(size, '\0');
        *bufpp = b.rowBufs[index].data();
        b.rowLen[index] = ub4(size);
    }
    *alenpp = &b.rowLen[index];
    *indpp = &b.rowInd[index];
    *rcodepp = &b.rowCode[index];
    *piecep = ONE_PIECE;
    return CONTINUE;
}

void OciCursor::describeAndDefine()
{
    const Api &a = m_s->api();
    ub4 count = 0;
    m_s->check(a.AttrGet(m_stmt, HTYPE_STMT, &count, nullptr, ATTR_PARAM_COUNT, m_s->err()));
    std::vector<Column> cols(count);
    qint64 rowBytes = 0;
    for (ub4 i = 0; i < count; ++i) {
        Handle *param = nullptr;
        m_s->check(a.ParamGet(m_stmt, HTYPE_STMT, m_s->err(), &param, i + 1));
        Column &c = cols[i];
        OraText *name = nullptr;
        ub4 nameLen = 0;
        ub2 type = 0, dataSize = 0, charSize = 0;
        m_s->check(a.AttrGet(param, DTYPE_PARAM, &name, &nameLen, ATTR_NAME, m_s->err()));
        m_s->check(a.AttrGet(param, DTYPE_PARAM, &type, nullptr, ATTR_DATA_TYPE, m_s->err()));
        m_s->check(a.AttrGet(param, DTYPE_PARAM, &dataSize, nullptr, ATTR_DATA_SIZE, m_s->err()));
        if (type == SQLT_CHR || type == SQLT_AFC)
            m_s->check(a.AttrGet(param, DTYPE_PARAM, &charSize, nullptr, ATTR_CHAR_SIZE, m_s->err()));
        c.name = QString::fromUtf8(reinterpret_cast<const char *>(name), qsizetype(nameLen));
        a.DescriptorFree(param, DTYPE_PARAM);
        c.type = type;
        switch (type) {
        case SQLT_NUM:
        case SQLT_VNU:
        case SQLT_INT:
        case SQLT_FLT:
        case SQLT_UIN:
        case SQLT_BFLOAT:
        case SQLT_BDOUBLE:
        case SQLT_IBFLOAT:
        case SQLT_IBDOUBLE:
            c.dty = SQLT_VNU;
            c.size = kNumberSize;
            break;
        case SQLT_DAT:
        case SQLT_ODT:
        case SQLT_TIMESTAMP:
        case SQLT_TIMESTAMP_TZ:
        case SQLT_TIMESTAMP_LTZ:
            c.dty = SQLT_DAT;
            c.size = kDateSize;
            break;
        case SQLT_CLOB:
        case SQLT_BLOB:
            c.dty = type;
            c.size = sizeof(void *);
            break;
        case SQLT_BIN:
            c.dty = SQLT_BIN;
            c.size = std::max<int>(dataSize, 1);
            break;
        case SQLT_LNG:
        case SQLT_LBI:
            c.dty = type == SQLT_LNG ? SQLT_CHR : SQLT_BIN;
            c.size = kPlsqlTextBytes;
            break;
        case SQLT_RDD:
        case SQLT_RID:
            c.dty = SQLT_CHR;
            c.size = 256;
            break;
        default: {
            // text: room for the declared characters in UTF-8
            const int chars = charSize > 0 ? charSize : dataSize > 0 ? dataSize : 4000;
            c.dty = SQLT_CHR;
            c.size = std::min(chars * kMaxBytesPerChar, kPlsqlTextBytes);
            break;
        }
        }
        rowBytes += c.size + qint64(sizeof(sb2) + sizeof(ub4) + sizeof(ub2));
    }
    const int arrayRows = int(std::clamp<qint64>(kFetchBufferBytes / std::max<qint64>(rowBytes, 1), 1, fetchRows()));
    // A statement run again with the same result shape keeps its buffers:
    // lookups run once per row of a refresh, and the buffers are large.
    bool same = arrayRows == m_arrayRows && cols.size() == m_cols.size();
    for (size_t i = 0; same && i < cols.size(); ++i)
        same = cols[i].dty == m_cols[i].dty && cols[i].size == m_cols[i].size;
    if (same) {
        for (size_t i = 0; i < cols.size(); ++i) {
            m_cols[i].name = cols[i].name;
            m_cols[i].type = cols[i].type;
        }
    } else {
        freeColumns();
        m_cols = std::move(cols);
        m_arrayRows = arrayRows;
    }
    for (ub4 i = 0; i < count; ++i) {
        Column &c = m_cols[i];
        const size_t n = size_t(m_arrayRows);
        if (!same) {
            c.ind.assign(n, IND_NULL);
            c.rlen.assign(n, 0);
            c.rcode.assign(n, 0);
            if (c.dty == SQLT_CLOB || c.dty == SQLT_BLOB) {
                c.locs.assign(n, nullptr);
                for (Handle *&l : c.locs)
                    m_s->check(a.DescriptorAlloc(m_s->env(), &l, DTYPE_LOB, 0, nullptr));
            } else {
                c.buf = QByteArray(qsizetype(c.size) * m_arrayRows, Qt::Uninitialized);
            }
        }
        void *value = c.locs.empty() ? static_cast<void *>(c.buf.data()) : static_cast<void *>(c.locs.data());
        m_s->check(a.DefineByPos2(m_stmt, &c.def, m_s->err(), i + 1, value, c.size, c.dty, c.ind.data(), c.rlen.data(),
                                  c.rcode.data(), DEFAULT));
    }
}

bool OciCursor::fetch(std::vector<QVariant> &row)
{
    if (!m_s || !m_open)
        return false;
    if (m_pos >= m_count) {
        if (m_done) {
            close();
            return false;
        }
        const Api &a = m_s->api();
        const sword rc = a.StmtFetch2(m_stmt, m_s->err(), ub4(m_arrayRows), FETCH_NEXT, 0, DEFAULT);
        if (rc == NO_DATA)
            m_done = true;
        else
            m_s->check(rc);
        ub4 got = 0;
        m_s->check(a.AttrGet(m_stmt, HTYPE_STMT, &got, nullptr, ATTR_ROWS_FETCHED, m_s->err()));
        m_count = got;
        m_pos = 0;
        if (m_count == 0) {
            close();
            return false;
        }
    }
    row.resize(m_cols.size());
    for (size_t i = 0; i < m_cols.size(); ++i)
        row[i] = cell(m_cols[i], m_pos);
    ++m_pos;
    return true;
}

QVariant OciCursor::cell(Column &c, ub4 r)
{
    if (c.ind[r] == IND_NULL)
        return QVariant();
    if (c.rcode[r] == 1406 || c.ind[r] > 0 || c.ind[r] == -2)
        fail(QStringLiteral("ORA-01406: fetched column value was truncated (%1)").arg(c.name));
    const auto *p = reinterpret_cast<const unsigned char *>(c.buf.constData()) + qsizetype(c.size) * r;
    switch (c.dty) {
    case SQLT_VNU:
        return ocidata::numberToVariant(p);
    case SQLT_DAT:
        return ocidata::dateFromBytes(p);
    case SQLT_CLOB:
        return QString::fromUtf8(OciLob::readLob(m_s, c.locs[r], true));
    case SQLT_BLOB:
        return OciLob::readLob(m_s, c.locs[r], false);
    case SQLT_BIN:
        return QByteArray(reinterpret_cast<const char *>(p), qsizetype(c.rlen[r]));
    default:
        return QString::fromUtf8(reinterpret_cast<const char *>(p), qsizetype(c.rlen[r]));
    }
}

// ------------------------------------------------------------------ session

OciSession::OciSession(const oci::Api &api, QString user) : m_api(&api), m_user(std::move(user)) {}

std::unique_ptr<OraEngineSession> OciSession::connect(const QString &alias, const QString &user, const QString &password)
{
    std::unique_ptr<OciSession> s(new OciSession(oci::api(), user.toUpper()));
    s->logon(alias, password);
    return s;
}

void OciSession::logon(const QString &alias, const QString &password)
{
    const Api &a = *m_api;
    const sword rc = a.EnvNlsCreate(&m_env, THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr, CHARSET_AL32UTF8,
                                    CHARSET_AL32UTF8);
    if (rc != SUCCESS || !m_env) {
        QString reason;
        if (m_env) {
            sb4 code = 0;
            OraText buf[3072] = {0};
            a.ErrorGet(m_env, 1, nullptr, &code, buf, sizeof buf, HTYPE_ENV);
            reason = QString::fromUtf8(reinterpret_cast<const char *>(buf)).trimmed();
        }
        fail(QStringLiteral("Okolja odjemalca Oracle ni mogoče ustvariti%1").arg(reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + reason));
    }
    auto alloc = [&](Handle **h, ub4 type) {
        if (a.HandleAlloc(m_env, h, type, 0, nullptr) != SUCCESS || !*h)
            fail(QStringLiteral("Odjemalec Oracle ne da ročaja vrste %1.").arg(type));
    };
    alloc(&m_err, HTYPE_ERROR);
    alloc(&m_srv, HTYPE_SERVER);
    const QByteArray link = utf8(alias);
    check(a.ServerAttach(m_srv, m_err, reinterpret_cast<const OraText *>(link.constData()), sb4(link.size()), DEFAULT));
    m_attached = true;
    alloc(&m_svc, HTYPE_SVCCTX);
    check(a.AttrSet(m_svc, HTYPE_SVCCTX, m_srv, 0, ATTR_SERVER, m_err));
    alloc(&m_sess, HTYPE_SESSION);
    QByteArray u = utf8(m_user), p = utf8(password);
    check(a.AttrSet(m_sess, HTYPE_SESSION, u.data(), ub4(u.size()), ATTR_USERNAME, m_err));
    check(a.AttrSet(m_sess, HTYPE_SESSION, p.data(), ub4(p.size()), ATTR_PASSWORD, m_err));
    check(a.AttrSet(m_svc, HTYPE_SVCCTX, m_sess, 0, ATTR_SESSION, m_err));
    check(a.SessionBegin(m_svc, m_err, m_sess, CRED_RDBMS, DEFAULT));
    m_begun = true;
    // the same date and number texts on every client
    run(QStringLiteral("ALTER SESSION SET NLS_DATE_FORMAT = 'DD.MM.YYYY' NLS_NUMERIC_CHARACTERS = '.,'"));
}

OciSession::~OciSession()
{
    for (OciCursor *c : std::set<OciCursor *>(m_cursors))
        c->detach();
    for (OciLob *l : std::set<OciLob *>(m_lobs))
        l->detach();
    m_cursors.clear();
    m_lobs.clear();
    const Api &a = *m_api;
    // A normal logoff: ending the session commits what is still open (the
    // layer has rolled back before it lets the session go).
    if (m_begun)
        a.SessionEnd(m_svc, m_err, m_sess, DEFAULT);
    if (m_attached)
        a.ServerDetach(m_srv, m_err, DEFAULT);
    if (m_sess)
        a.HandleFree(m_sess, HTYPE_SESSION);
    if (m_svc)
        a.HandleFree(m_svc, HTYPE_SVCCTX);
    if (m_srv)
        a.HandleFree(m_srv, HTYPE_SERVER);
    if (m_err)
        a.HandleFree(m_err, HTYPE_ERROR);
    if (m_env)
        a.HandleFree(m_env, HTYPE_ENV);
}

void OciSession::check(sword rc) const
{
    if (rc == SUCCESS || rc == SUCCESS_WITH_INFO)
        return;
    if (rc == INVALID_HANDLE)
        fail(QStringLiteral("Odjemalec Oracle je zavrnil neveljaven ročaj (OCI_INVALID_HANDLE)."));
    if (rc != ERROR)
        fail(QStringLiteral("Nepričakovan odgovor odjemalca Oracle (%1).").arg(rc));
    sb4 code = 0;
    OraText buf[3072] = {0};
    QString text;
    if (m_api->ErrorGet(m_err, 1, nullptr, &code, buf, sizeof buf - 1, HTYPE_ERROR) == SUCCESS)
        text = QString::fromUtf8(reinterpret_cast<const char *>(buf)).trimmed();
    if (text.isEmpty())
        text = QStringLiteral("ORA-%1").arg(code, 5, 10, QLatin1Char('0'));
    fail(text);
}

void OciSession::commit() { check(m_api->TransCommit(m_svc, m_err, DEFAULT)); }

void OciSession::rollback() { check(m_api->TransRollback(m_svc, m_err, DEFAULT)); }

std::unique_ptr<OraEngineCursor> OciSession::createCursor() { return std::make_unique<OciCursor>(this); }

void OciSession::run(const QString &sql)
{
    OciCursor c(this);
    c.execute(sql, {});
}

void OciSession::deleteRow(const QString &rowid)
{
    // the query whose fetched rows hold the ROWID names the table
    QString table = m_lastRowidTable;
    for (OciCursor *c : m_cursors)
        if (c->holdsRowid(rowid)) {
            table = c->rowidTable();
            break;
        }
    if (table.isEmpty())
        fail(QStringLiteral("ORA-01410: invalid ROWID (%1)").arg(rowid));
    OciCursor c(this);
    c.execute(QStringLiteral("DELETE FROM %1 WHERE ROWID = :RID").arg(table), {{QStringLiteral("RID"), otString, rowid}});
    if (c.rowsProcessed() == 0) // a row already gone is no success
        fail(QStringLiteral("ORA-01410: invalid ROWID (%1)").arg(rowid));
}

void OciSession::track(OciCursor *c, bool alive)
{
    if (alive)
        m_cursors.insert(c);
    else
        m_cursors.erase(c);
}

void OciSession::track(OciLob *l, bool alive)
{
    if (alive)
        m_lobs.insert(l);
    else
        m_lobs.erase(l);
}

} // namespace ocieng
