// The client-library engine's cursors: prepare, bind, execute, describe,
// define and fetch in arrays; PL/SQL out variables and RETURNING targets.
#include "oracle/oci/ocicursor.h"

#include "oracle/oci/ocidata.h"
#include "oracle/oci/ocisqltext.h"
#include "oracle/oravalues.h"

#include <algorithm>

namespace ocieng {

using namespace oci;

namespace {

// Largest text a PL/SQL variable holds: the buffer of a block's text
// variables, which may come back changed.
constexpr int kPlsqlTextBytes = 32767;
// Bytes the fetch buffers of one query may take together.
constexpr qint64 kFetchBufferBytes = 8 * 1024 * 1024;

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

QByteArray utf8(const QString &s) { return s.toUtf8(); }

} // namespace

void OciCursor::execute(const QString &sql, const std::vector<OraBindValue> &vars)
{
    if (!m_s)
        fail(QStringLiteral("ORA-03114: not connected to ORACLE"));
    const Api &a = m_s->api();
    close();
    m_out.clear();
    m_lobs.clear();
    m_rows = 0;
    // the placeholders bound this time: every declared variable the text
    // names (DDL takes none; binding a name the text lacks is an error)
    const QStringList placeholders = ocisql::placeholders(sql);
    QStringList bound;
    const ub2 kind = ocisql::statementType(sql);
    if (kind != STMT_CREATE && kind != STMT_DROP && kind != STMT_ALTER)
        for (const QString &name : placeholders)
            if (std::any_of(vars.begin(), vars.end(), [&](const OraBindValue &x) { return x.name == name; }))
                bound << name;
    // a bind the statement keeps must never point at a freed buffer: with
    // fewer variables than last time the statement is prepared anew
    if (m_stmt && (sql != m_sql || bound != m_bound))
        releaseStatement();
    if (!m_stmt) {
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
    bindAll(bound, ocisql::returningTargets(sql), vars);
    m_bound = bound;

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

} // namespace ocieng
