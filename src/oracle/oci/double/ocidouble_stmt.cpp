// The double's statements: prepare, bind, execute, describe, define, fetch.
#include "oracle/oci/double/ocidouble.h"
#include "oracle/oci/double/ociexport.h"

#include "oracle/oci/ocidata.h"
#include "oracle/oci/ocisqltext.h"
#include "oracle/oravalues.h"

#include <QRegularExpression>

#include <cstring>

using namespace ocidbl;

namespace {

// Rows read ahead at most to learn the result's column types.
constexpr int kDescribeRows = 100;
// The longest text a VARCHAR2 column holds; longer texts are CLOBs.
constexpr int kMaxVarchar = 4000;

enum WriteResult { Ok = 0, NullWithoutIndicator = 1405, Truncated = 1406 };

QString textOf(const QVariant &v, const Svc *svc)
{
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(v.toLongLong());
    case QMetaType::Double:
        return oravalue::numberText(v.toDouble());
    case QMetaType::QDateTime:
        return oravalue::formatDate(v.toDateTime(), svc ? svc->dateFormat : QStringLiteral("DD.MM.YYYY"));
    case QMetaType::QByteArray:
        return QString::fromLatin1(v.toByteArray().toHex().toUpper());
    default:
        return v.toString();
    }
}

// A value as a NUMBER; throws ORA-01722 for text that is none.
void numberOf(const QVariant &v, unsigned char *vnu)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return ocidata::numberFromInt(v.toLongLong(), vnu);
    case QMetaType::Double:
        return ocidata::numberFromDouble(v.toDouble(), vnu);
    case QMetaType::QDateTime:
        throw EMoxError(QStringLiteral("ORA-00932: inconsistent datatypes: expected NUMBER got DATE"));
    default:
        if (!ocidata::numberFromText(v.toString(), vnu))
            throw EMoxError(QStringLiteral("ORA-01722: invalid number"));
    }
}

QDateTime dateOf(const QVariant &v, const Svc *svc)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString();
        try {
            return oravalue::parseDate(s, svc ? svc->dateFormat : QStringLiteral("DD.MM.YYYY"));
        } catch (const EMoxError &) {
            return oravalue::parseAnyDate(s);
        }
    }
    throw EMoxError(QStringLiteral("ORA-00932: inconsistent datatypes: expected DATE got NUMBER"));
}

// Writes one value into a caller's buffer of the external type dty, with
// its indicator, length and column return code. Throws EMoxError when the
// value cannot become that type.
WriteResult writeValue(const QVariant &v, ub2 dty, void *dst, sb8 cap, sb2 *ind, ub4 *len, ub2 *rcode, const Svc *svc)
{
    if (rcode)
        *rcode = 0;
    if (v.isNull() || !v.isValid()) {
        if (len)
            *len = 0;
        if (!ind) {
            if (rcode)
                *rcode = 1405;
            return NullWithoutIndicator;
        }
        *ind = IND_NULL;
        return Ok;
    }
    if (ind)
        *ind = IND_NOTNULL;
    auto *out = static_cast<unsigned char *>(dst);
    switch (dty) {
    case SQLT_VNU:
    case SQLT_NUM: {
        unsigned char vnu[kNumberSize] = {0};
        numberOf(v, vnu);
        if (dty == SQLT_VNU) {
            std::memcpy(out, vnu, size_t(std::min<sb8>(cap, vnu[0] + 1)));
            if (len)
                *len = vnu[0] + 1;
        } else {
            std::memcpy(out, vnu + 1, size_t(std::min<sb8>(cap, vnu[0])));
            if (len)
                *len = vnu[0];
        }
        return Ok;
    }
    case SQLT_INT:
    case SQLT_UIN: {
        unsigned char vnu[kNumberSize] = {0};
        numberOf(v, vnu);
        const qint64 i = qRound64(ocidata::numberToText(vnu).toDouble());
        if (cap == 8) { const qint64 x = i; std::memcpy(out, &x, 8); }
        else if (cap == 4) { const qint32 x = qint32(i); std::memcpy(out, &x, 4); }
        else if (cap == 2) { const qint16 x = qint16(i); std::memcpy(out, &x, 2); }
        else { out[0] = static_cast<unsigned char>(i); }
        if (len)
            *len = ub4(cap);
        return Ok;
    }
    case SQLT_FLT:
    case SQLT_BDOUBLE:
    case SQLT_BFLOAT: {
        unsigned char vnu[kNumberSize] = {0};
        numberOf(v, vnu);
        const double d = ocidata::numberToText(vnu).toDouble();
        if (cap == 4) { const float f = float(d); std::memcpy(out, &f, 4); }
        else std::memcpy(out, &d, 8);
        if (len)
            *len = ub4(cap);
        return Ok;
    }
    case SQLT_DAT:
        ocidata::dateToBytes(dateOf(v, svc), out);
        if (len)
            *len = kDateSize;
        return Ok;
    case SQLT_ODT:
        ocidata::dateToOciDate(dateOf(v, svc), out);
        if (len)
            *len = kOciDateSize;
        return Ok;
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ: {
        auto *b = static_cast<Base *>(*static_cast<void **>(dst));
        if (!b || b->magic != kMagic || !isStampType(b->type))
            throw EMoxError(QStringLiteral("ORA-01840: input value not long enough for date format"));
        static_cast<Stamp *>(b)->dt = dateOf(v, svc);
        static_cast<Stamp *>(b)->fsec = 0;
        if (len)
            *len = sizeof(void *);
        return Ok;
    }
    case SQLT_CLOB:
    case SQLT_BLOB: {
        // the slot holds the caller's locator
        Lob *l = as<Lob>(*static_cast<void **>(dst), DTYPE_LOB);
        if (!l)
            throw EMoxError(QStringLiteral("ORA-22275: invalid LOB locator specified"));
        auto d = std::make_shared<LobData>();
        d->kind = LobData::Value;
        d->clob = dty == SQLT_CLOB;
        if (d->clob)
            d->text = textOf(v, svc);
        else
            d->bytes = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : textOf(v, svc).toUtf8();
        l->data = d;
        if (len)
            *len = sizeof(void *);
        return Ok;
    }
    case SQLT_BIN:
    case SQLT_LBI: {
        const QByteArray b = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : textOf(v, svc).toUtf8();
        const sb8 n = std::min<sb8>(cap, b.size());
        std::memcpy(out, b.constData(), size_t(n));
        if (len)
            *len = ub4(n);
        if (n < b.size()) {
            if (ind)
                *ind = b.size() > 32767 ? sb2(-2) : sb2(b.size());
            if (rcode)
                *rcode = 1406;
            return Truncated;
        }
        return Ok;
    }
    default: {
        // text: CHR, AFC, LNG as they are; STR with a terminating zero
        const QByteArray b = textOf(v, svc).toUtf8();
        const sb8 room = dty == SQLT_STR ? cap - 1 : cap;
        const sb8 n = std::max<sb8>(0, std::min<sb8>(room, b.size()));
        std::memcpy(out, b.constData(), size_t(n));
        if (dty == SQLT_STR && cap > 0)
            out[n] = 0;
        if (len)
            *len = ub4(n);
        if (n < b.size()) {
            if (ind)
                *ind = b.size() > 32767 ? sb2(-2) : sb2(b.size());
            if (rcode)
                *rcode = 1406;
            return Truncated;
        }
        return Ok;
    }
    }
}

TOracleType typeOfDty(ub2 dty)
{
    switch (dty) {
    case SQLT_VNU:
    case SQLT_NUM:
    case SQLT_INT:
    case SQLT_UIN:
        return otInteger;
    case SQLT_FLT:
    case SQLT_BFLOAT:
    case SQLT_BDOUBLE:
        return otFloat;
    case SQLT_DAT:
    case SQLT_ODT:
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
        return otDate;
    case SQLT_CLOB:
    case SQLT_BLOB:
        return otCLOB;
    default:
        return otString;
    }
}

// The value a caller's bind sends in (element 0; the double runs one
// iteration at a time). Throws EMoxError.
OraBindValue readBind(Bind &b)
{
    OraBindValue out{b.name, typeOfDty(b.dty), QVariant()};
    const void *buf = b.valuep;
    sb2 ind = b.ind ? b.ind[0] : IND_NOTNULL;
    ub4 len = b.alen ? b.alen[0] : ub4(b.valueSz);
    if (b.mode & DATA_AT_EXEC) {
        if (!b.icb)
            throw EMoxError(QStringLiteral("ORA-24369: required callbacks not registered for one or more bind handles"));
        void *p = nullptr;
        void *indp = nullptr;
        ub1 piece = ONE_PIECE;
        len = 0;
        if (b.icb(b.ictx, &b, 0, 0, &p, &len, &piece, &indp) != CONTINUE)
            throw EMoxError(QStringLiteral("ORA-01013: user requested cancel of current operation"));
        buf = p;
        ind = indp ? *static_cast<const sb2 *>(indp) : IND_NOTNULL;
    }
    if (ind == IND_NULL || !buf)
        return out;
    const auto *p = static_cast<const unsigned char *>(buf);
    switch (b.dty) {
    case SQLT_VNU: {
        out.value = ocidata::numberToVariant(p);
        out.type = out.value.typeId() == QMetaType::Double ? otFloat : otInteger;
        break;
    }
    case SQLT_INT: {
        qint64 v = 0;
        if (b.valueSz == 8) { qint64 x; std::memcpy(&x, p, 8); v = x; }
        else if (b.valueSz == 4) { qint32 x; std::memcpy(&x, p, 4); v = x; }
        else if (b.valueSz == 2) { qint16 x; std::memcpy(&x, p, 2); v = x; }
        else v = static_cast<signed char>(p[0]);
        out.value = v;
        break;
    }
    case SQLT_FLT:
    case SQLT_BDOUBLE:
    case SQLT_BFLOAT: {
        double d = 0;
        if (b.valueSz == 4) { float f; std::memcpy(&f, p, 4); d = f; }
        else std::memcpy(&d, p, 8);
        out.value = d;
        break;
    }
    case SQLT_DAT:
        out.value = ocidata::dateFromBytes(p);
        break;
    case SQLT_ODT:
        out.value = ocidata::dateFromOciDate(p);
        break;
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ: {
        const auto *b = static_cast<const Base *>(*static_cast<void *const *>(buf));
        if (!b || b->magic != kMagic || !isStampType(b->type))
            throw EMoxError(QStringLiteral("ORA-01840: input value not long enough for date format"));
        out.value = static_cast<const Stamp *>(b)->dt;
        break;
    }
    case SQLT_CLOB:
    case SQLT_BLOB: {
        Lob *l = as<Lob>(*static_cast<void *const *>(buf), DTYPE_LOB);
        if (!l)
            throw EMoxError(QStringLiteral("ORA-22275: invalid LOB locator specified"));
        const LobData &d = *l->data;
        if (d.kind == LobData::Row)
            out.value = d.row->read();
        else if (d.kind != LobData::None)
            out.value = d.clob ? QVariant(d.text) : QVariant(d.bytes);
        break;
    }
    case SQLT_STR:
        out.value = QString::fromUtf8(reinterpret_cast<const char *>(p),
                                      qsizetype(strnlen(reinterpret_cast<const char *>(p), size_t(std::max<sb8>(b.valueSz, 0)))));
        break;
    default:
        out.value = QString::fromUtf8(reinterpret_cast<const char *>(p), qsizetype(len));
        break;
    }
    return out;
}

// The next row of an open result, from the rows read ahead first.
bool nextRow(Stmt &s, std::vector<QVariant> &row)
{
    if (!s.ahead.empty()) {
        row = std::move(s.ahead.front());
        s.ahead.pop_front();
        return true;
    }
    if (s.engineDone)
        return false;
    if (!s.cursor->fetch(row)) {
        s.engineDone = true;
        return false;
    }
    return true;
}

// Describes the result: the engine hands values, not column types, so the
// first rows are read ahead and each column takes the type of its first
// value that is not NULL (text of more than 4000 bytes makes a CLOB).
void describe(Stmt &s)
{
    s.cols.clear();
    s.ahead.clear();
    const QStringList names = s.cursor->columnNames();
    const size_t n = size_t(names.size());
    std::vector<int> first(n, -1);
    std::vector<qsizetype> longest(n, 0);
    size_t known = 0;
    for (int r = 0; r < kDescribeRows && known < n; ++r) {
        std::vector<QVariant> row;
        if (!s.cursor->fetch(row)) {
            s.engineDone = true;
            break;
        }
        for (size_t c = 0; c < n && c < row.size(); ++c) {
            if (row[c].isNull() || !row[c].isValid())
                continue;
            if (first[c] < 0) {
                first[c] = int(s.ahead.size());
                ++known;
            }
            if (row[c].typeId() == QMetaType::QString)
                longest[c] = std::max(longest[c], row[c].toString().toUtf8().size());
        }
        s.ahead.push_back(std::move(row));
    }
    for (size_t c = 0; c < n; ++c) {
        ColumnDesc d;
        d.name = names[qsizetype(c)];
        d.nameUtf8 = d.name.toUtf8();
        const QVariant v = first[c] >= 0 ? s.ahead[size_t(first[c])][c] : QVariant();
        switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Double:
            d.type = SQLT_NUM;
            d.size = 22;
            break;
        case QMetaType::QDateTime:
            d.type = SQLT_DAT;
            d.size = 7;
            d.scale = 0;
            break;
        case QMetaType::QByteArray:
            d.type = SQLT_BLOB;
            d.size = 4000;
            d.scale = 0;
            break;
        default:
            d.type = longest[c] > kMaxVarchar ? SQLT_CLOB : SQLT_CHR;
            d.size = d.type == SQLT_CLOB ? 4000 : kMaxVarchar;
            d.scale = 0;
            break;
        }
        s.cols.push_back(d);
    }
}

sword fetchInto(Stmt &s, Err *err, ub4 nrows)
{
    s.rowsFetched = 0;
    if (!s.executed || s.stmtType != STMT_SELECT)
        return fail(err, 24338, QStringLiteral("ORA-24338: statement handle not executed"));
    if (!s.open)
        return NO_DATA;
    if (s.forUpdate && s.svc->txn != s.txnOfOpen && nrows > 0) {
        // the locks went with the transaction: rows not yet fetched are gone
        s.ahead.clear();
        s.open = false;
        return fail(err, 1002, QStringLiteral("ORA-01002: fetch out of sequence"));
    }
    if (nrows == 0) {
        // a fetch of no rows cancels the cursor
        s.cursor->close();
        s.ahead.clear();
        s.open = false;
        return SUCCESS;
    }
    for (size_t c = 0; c < s.cols.size(); ++c)
        if (c >= s.defines.size() || !s.defines[c])
            return fail(err, 24374, QStringLiteral("ORA-24374: define not done before fetch or execute and fetch"));
    ub4 r = 0;
    int worst = Ok;
    try {
        std::vector<QVariant> row;
        while (r < nrows && nextRow(s, row)) {
            for (size_t c = 0; c < s.cols.size(); ++c) {
                Define &d = *s.defines[c];
                void *dst = static_cast<char *>(d.valuep) + sb8(r) * d.valueSz;
                QVariant v = c < row.size() ? row[c] : QVariant();
                // a column described as text because its first rows were all
                // NULL: a date in it keeps its time of day
                if (s.cols[c].type == SQLT_CHR && v.typeId() == QMetaType::QDateTime)
                    v = oravalue::layerDateText(v.toDateTime());
                const WriteResult w = writeValue(v, d.dty, dst, d.valueSz,
                                                 d.ind ? d.ind + r : nullptr, d.rlen ? d.rlen + r : nullptr,
                                                 d.rcode ? d.rcode + r : nullptr, s.svc);
                if (w == NullWithoutIndicator || (w == Truncated && worst == Ok))
                    worst = w;
                if (w == Truncated && !d.ind && !d.rcode)
                    worst = NullWithoutIndicator == worst ? worst : 10406; // truncation nobody can see
            }
            ++r;
        }
    } catch (const EMoxError &e) {
        s.rowsFetched = r;
        s.rowCount += r;
        return fail(err, e);
    }
    s.rowsFetched = r;
    s.rowCount += r;
    if (worst == NullWithoutIndicator)
        return fail(err, 1405, QStringLiteral("ORA-01405: fetched column value is NULL"));
    if (worst == 10406)
        return fail(err, 1406, QStringLiteral("ORA-01406: fetched column value was truncated"));
    if (r < nrows) {
        s.open = false;
        return NO_DATA; // the last rows still count: read OCI_ATTR_ROWS_FETCHED
    }
    if (worst == Truncated) {
        fail(err, 24345, QStringLiteral("ORA-24345: A Truncation or null fetch error occurred"));
        return SUCCESS_WITH_INFO;
    }
    return SUCCESS;
}

sword bindCommon(Stmt *s, Handle **bindpp, Err *err, const QString &name, void *valuep, sb8 valueSz, ub2 dty,
                 void *indp, ub4 *alenp, ub2 *rcodep, ub4 maxarrLen, ub4 mode)
{
    if (maxarrLen > 1)
        return fail(err, 24360, QStringLiteral("ORA-24360: array binds are not supported"));
    if (valueSz < 0 || valueSz > 0x7FFFFFFF)
        return fail(err, 24452, QStringLiteral("ORA-24452: value size too large"));
    if (!ocisql::placeholders(s->sql).contains(name))
        return fail(err, 1036, QStringLiteral("ORA-01036: illegal variable name/number"));
    Bind *b = nullptr;
    for (auto &x : s->binds)
        if (x->name == name)
            b = x.get(); // binding a name again replaces the earlier bind
    if (!b) {
        s->binds.push_back(std::make_unique<Bind>());
        b = s->binds.back().get();
    }
    b->stmt = s;
    b->name = name;
    b->valuep = valuep;
    b->valueSz = valueSz;
    b->dty = dty;
    b->ind = static_cast<sb2 *>(indp);
    b->alen = alenp;
    b->rcode = rcodep;
    b->mode = mode;
    b->icb = nullptr;
    b->ocb = nullptr;
    *bindpp = b;
    return SUCCESS;
}

void setSessionParameter(Svc &svc, const QString &sql)
{
    static const QRegularExpression fmt(QStringLiteral("NLS_DATE_FORMAT\\s*=\\s*'([^']*)'"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = fmt.match(sql);
    if (m.hasMatch())
        svc.dateFormat = m.captured(1);
}

bool isAlterSession(const QString &sql)
{
    static const QRegularExpression re(QStringLiteral("^\\s*ALTER\\s+SESSION\\s+SET\\s"), QRegularExpression::CaseInsensitiveOption);
    return re.match(sql).hasMatch();
}

} // namespace

OCI_EXPORT sword OCIStmtPrepare2(Handle *svchp, Handle **stmtp, Handle *errhp, const OraText *stmt, ub4 stmtLen,
                                 const OraText *, ub4, ub4, ub4)
{
    Svc *svc = as<Svc>(svchp, HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!svc || !err || !stmtp || !stmt)
        return INVALID_HANDLE;
    auto *s = new Stmt;
    s->svc = svc;
    s->sql = QString::fromUtf8(reinterpret_cast<const char *>(stmt), qsizetype(stmtLen));
    s->stmtType = ocisql::statementType(s->sql);
    s->returning = ocisql::returningTargets(s->sql);
    s->forUpdate = s->stmtType == STMT_SELECT && ocisql::isForUpdate(s->sql);
    *stmtp = s;
    return SUCCESS;
}

OCI_EXPORT sword OCIStmtRelease(Handle *stmtp, Handle *, const OraText *, ub4, ub4)
{
    Stmt *s = as<Stmt>(stmtp, HTYPE_STMT);
    if (!s)
        return INVALID_HANDLE;
    s->magic = 0;
    for (auto &b : s->binds)
        b->magic = 0;
    for (auto &d : s->defines)
        if (d)
            d->magic = 0;
    delete s;
    return SUCCESS;
}

OCI_EXPORT sword OCIBindByName2(Handle *stmtp, Handle **bindpp, Handle *errhp, const OraText *placeholder,
                                sb4 placehLen, void *valuep, sb8 valueSz, ub2 dty, void *indp, ub4 *alenp,
                                ub2 *rcodep, ub4 maxarrLen, ub4 *, ub4 mode)
{
    Stmt *s = as<Stmt>(stmtp, HTYPE_STMT);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!s || !err || !bindpp || !placeholder)
        return INVALID_HANDLE;
    QString name = placehLen < 0 ? QString::fromUtf8(reinterpret_cast<const char *>(placeholder))
                                 : QString::fromUtf8(reinterpret_cast<const char *>(placeholder), placehLen);
    name = name.trimmed();
    if (name.startsWith(u':'))
        name.remove(0, 1);
    if (!name.startsWith(u'"'))
        name = name.toUpper();
    return bindCommon(s, bindpp, err, name, valuep, valueSz, dty, indp, alenp, rcodep, maxarrLen, mode);
}

OCI_EXPORT sword OCIBindByPos2(Handle *stmtp, Handle **bindpp, Handle *errhp, ub4 position, void *valuep, sb8 valueSz,
                               ub2 dty, void *indp, ub4 *alenp, ub2 *rcodep, ub4 maxarrLen, ub4 *, ub4 mode)
{
    Stmt *s = as<Stmt>(stmtp, HTYPE_STMT);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!s || !err || !bindpp)
        return INVALID_HANDLE;
    const QStringList names = ocisql::placeholders(s->sql);
    if (position < 1 || position > ub4(names.size()))
        return fail(err, 1036, QStringLiteral("ORA-01036: illegal variable name/number"));
    return bindCommon(s, bindpp, err, names[qsizetype(position - 1)], valuep, valueSz, dty, indp, alenp, rcodep,
                      maxarrLen, mode);
}

OCI_EXPORT sword OCIBindDynamic(Handle *bindp, Handle *errhp, void *ictxp, CallbackInBind icbfp, void *octxp,
                                CallbackOutBind ocbfp)
{
    Bind *b = as<Bind>(bindp, HTYPE_BIND);
    if (!b || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    b->ictx = ictxp;
    b->icb = icbfp;
    b->octx = octxp;
    b->ocb = ocbfp;
    return SUCCESS;
}

OCI_EXPORT sword OCIDefineByPos2(Handle *stmtp, Handle **defnpp, Handle *errhp, ub4 position, void *valuep,
                                 sb8 valueSz, ub2 dty, void *indp, ub4 *rlenp, ub2 *rcodep, ub4 mode)
{
    Stmt *s = as<Stmt>(stmtp, HTYPE_STMT);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!s || !err || !defnpp)
        return INVALID_HANDLE;
    if (position < 1)
        return fail(err, 1007, QStringLiteral("ORA-01007: variable not in select list"));
    if (mode != DEFAULT)
        return fail(err, 24301, QStringLiteral("ORA-24301: dynamic defines are not supported"));
    if (valueSz < 0 || valueSz > 0x7FFFFFFF)
        return fail(err, 24452, QStringLiteral("ORA-24452: value size too large"));
    if (s->defines.size() < position)
        s->defines.resize(position);
    auto &d = s->defines[position - 1];
    if (!d)
        d = std::make_unique<Define>();
    d->valuep = valuep;
    d->valueSz = valueSz;
    d->dty = dty;
    d->ind = static_cast<sb2 *>(indp);
    d->rlen = rlenp;
    d->rcode = rcodep;
    *defnpp = d.get();
    return SUCCESS;
}

OCI_EXPORT sword OCIParamGet(const Handle *hndlp, ub4 htype, Handle *errhp, Handle **parmdpp, ub4 pos)
{
    Stmt *s = as<Stmt>(hndlp, HTYPE_STMT);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (htype != HTYPE_STMT || !s || !err || !parmdpp)
        return INVALID_HANDLE;
    if (!s->executed)
        return fail(err, 24338, QStringLiteral("ORA-24338: statement handle not executed"));
    if (pos < 1 || pos > s->cols.size())
        return fail(err, 24334, QStringLiteral("ORA-24334: no descriptor for this position"));
    auto *p = new Param;
    p->col = &s->cols[pos - 1];
    *parmdpp = p;
    return SUCCESS;
}

OCI_EXPORT sword OCIStmtExecute(Handle *svchp, Handle *stmtp, Handle *errhp, ub4 iters, ub4, const Handle *, Handle *,
                                ub4 mode)
{
    Svc *svc = as<Svc>(svchp, HTYPE_SVCCTX);
    Stmt *s = as<Stmt>(stmtp, HTYPE_STMT);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!svc || !s || !err)
        return INVALID_HANDLE;
    if (!svc->engine)
        return fail(err, 3114, QStringLiteral("ORA-03114: not connected to ORACLE"));
    const bool query = s->stmtType == STMT_SELECT;
    if (iters == 0 && !query)
        return fail(err, 24333, QStringLiteral("ORA-24333: zero iteration count"));
    if (iters > 1 && !query)
        return fail(err, 24360, QStringLiteral("ORA-24360: array execution is not supported"));
    if (mode & PARSE_ONLY)
        return SUCCESS;
    s->svc = svc;
    s->executed = false;
    s->open = false;
    s->rowCount = 0;
    s->rowsFetched = 0;
    s->cols.clear();
    s->ahead.clear();
    if (s->stmtType == STMT_ALTER && isAlterSession(s->sql)) {
        // session parameters: the engine follows fixed formats; the date
        // format is kept for dates the double turns into text
        setSessionParameter(*svc, s->sql);
        s->executed = true;
        return SUCCESS;
    }
    try {
        if (!s->cursor || s->cursorOf != quintptr(svc->engine.get())) {
            s->cursor = svc->engine->createCursor();
            s->cursorOf = quintptr(svc->engine.get());
        }
        std::vector<OraBindValue> vars;
        for (auto &b : s->binds) {
            if (s->returning.contains(b->name))
                vars.push_back({b->name, typeOfDty(b->dty), QVariant()});
            else
                vars.push_back(readBind(*b));
        }
        s->cursor->execute(s->sql, vars);
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
    s->executed = true;
    if (query) {
        try {
            s->engineDone = false;
            describe(*s);
        } catch (const EMoxError &e) {
            return fail(err, e);
        }
        s->open = !(mode & DESCRIBE_ONLY);
        s->txnOfOpen = svc->txn;
        if (iters > 0 && s->open) {
            const sword rc = fetchInto(*s, err, iters);
            if (rc == NO_DATA && s->rowsFetched == 0)
                return NO_DATA;
            return rc == NO_DATA ? SUCCESS : rc;
        }
        return SUCCESS;
    }
    s->rowCount = ub8(std::max(0, s->cursor->rowsProcessed()));
    const std::map<QString, QVariant> outs = s->cursor->outValues();
    const bool block = s->stmtType == STMT_BEGIN || s->stmtType == STMT_DECLARE || s->stmtType == STMT_CALL;
    try {
        for (auto &bp : s->binds) {
            Bind &b = *bp;
            const auto it = outs.find(b.name);
            if (s->returning.contains(b.name)) {
                const ub4 rows = it != outs.end() ? 1 : 0;
                b.rowsReturned = rows;
                std::unique_ptr<OraEngineLob> lob = s->cursor->takeLob(b.name);
                auto store = [&](void *buf, ub4 cap, sb2 *ind, ub4 *len, ub2 *rcode) {
                    if (b.dty == SQLT_CLOB || b.dty == SQLT_BLOB) {
                        Lob *l = as<Lob>(buf, DTYPE_LOB);
                        if (!l)
                            throw EMoxError(QStringLiteral("ORA-22275: invalid LOB locator specified"));
                        if (!lob) {
                            if (ind)
                                *ind = IND_NULL;
                            return;
                        }
                        auto d = std::make_shared<LobData>();
                        d->kind = LobData::Row;
                        d->clob = b.dty == SQLT_CLOB;
                        d->row = std::move(lob);
                        d->svc = svc;
                        d->txn = svc->txn;
                        l->data = d;
                        if (ind)
                            *ind = IND_NOTNULL;
                        if (len)
                            *len = sizeof(void *);
                        return;
                    }
                    writeValue(rows ? it->second : QVariant(), b.dty, buf, cap, ind, len, rcode, svc);
                };
                if (b.mode & DATA_AT_EXEC) {
                    if (!b.ocb)
                        throw EMoxError(QStringLiteral("ORA-24369: required callbacks not registered for one or more bind handles"));
                    void *buf = nullptr;
                    ub4 *alenp = nullptr;
                    ub1 piece = ONE_PIECE;
                    void *indp = nullptr;
                    ub2 *rcodep = nullptr;
                    if (b.ocb(b.octx, &b, 0, 0, &buf, &alenp, &piece, &indp, &rcodep) != CONTINUE)
                        throw EMoxError(QStringLiteral("ORA-01013: user requested cancel of current operation"));
                    if (rows && buf)
                        store(buf, alenp ? *alenp : ub4(b.valueSz), static_cast<sb2 *>(indp), alenp, rcodep);
                    else if (indp)
                        *static_cast<sb2 *>(indp) = IND_NULL;
                } else if (b.valuep) {
                    // a static bind of a single returned row
                    void *buf = (b.dty == SQLT_CLOB || b.dty == SQLT_BLOB) ? *static_cast<void **>(b.valuep) : b.valuep;
                    store(buf, ub4(b.valueSz), b.ind, b.alen, b.rcode);
                }
            } else if (block && it != outs.end() && b.valuep) {
                writeValue(it->second, b.dty, b.valuep, b.valueSz, b.ind, b.alen, b.rcode, svc);
            }
        }
        switch (s->stmtType) {
        case STMT_CREATE:
        case STMT_DROP:
        case STMT_ALTER:
        case STMT_COMMIT:
        case STMT_ROLLBACK:
            svc->endTransaction(); // DDL commits, and so do these
            break;
        default:
            svc->dirty = true;
        }
        if (mode & COMMIT_ON_SUCCESS) {
            svc->engine->commit();
            svc->endTransaction();
        }
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
    return SUCCESS;
}

OCI_EXPORT sword OCIStmtFetch2(Handle *stmtp, Handle *errhp, ub4 nrows, ub2 orientation, sb4, ub4)
{
    Stmt *s = as<Stmt>(stmtp, HTYPE_STMT);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!s || !err)
        return INVALID_HANDLE;
    countFetch();
    if (orientation != FETCH_NEXT && orientation != 0)
        return fail(err, 24391, QStringLiteral("ORA-24391: invalid fetch operation (only OCI_FETCH_NEXT)"));
    return fetchInto(*s, err, nrows);
}

// Implicit results of a PL/SQL block: the embedded engine returns none.
OCI_EXPORT sword OCIStmtGetNextResult(Handle *stmthp, Handle *errhp, void **result, ub4 *, ub4)
{
    if (!as<Stmt>(stmthp, HTYPE_STMT) || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    if (result)
        *result = nullptr;
    return NO_DATA;
}
