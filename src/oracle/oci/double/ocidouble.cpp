// The double's environment, handles, attributes, errors, logon,
// transactions and LOB calls (statements are in ocidouble_stmt.cpp).
#include "oracle/oci/double/ocidouble.h"
#include "oracle/oci/double/ociexport.h"

#include "oracle/oci/ocidata.h"

#include <QRegularExpression>

#include <atomic>
#include <map>
#include <cstring>

namespace ocidbl {

namespace {
std::atomic<quint64> g_fetchCalls{0};
}

void countFetch() { ++g_fetchCalls; }
quint64 fetchCalls() { return g_fetchCalls.load(); }

sword fail(Err *err, sb4 code, const QString &text)
{
    if (err)
        err->rec.set(code, text);
    return ERROR;
}

sword fail(Err *err, const EMoxError &e)
{
    static const QRegularExpression ora(QStringLiteral("^ORA-(\\d{5})"));
    const QRegularExpressionMatch m = ora.match(e.message());
    return fail(err, m.hasMatch() ? m.captured(1).toInt() : 20000, e.message());
}

} // namespace ocidbl

using namespace ocidbl;

namespace {

// Writes a scalar attribute of exactly its declared width.
template <class T> sword put(void *attributep, ub4 *sizep, T value)
{
    std::memcpy(attributep, &value, sizeof(T));
    if (sizep)
        *sizep = sizeof(T);
    return SUCCESS;
}

sword putText(void *attributep, ub4 *sizep, const QByteArray &text)
{
    *static_cast<const char **>(attributep) = text.constData();
    if (sizep)
        *sizep = ub4(text.size());
    return SUCCESS;
}

sword illegalAttribute(Err *err, ub4 attr)
{
    return fail(err, 24315, QStringLiteral("ORA-24315: illegal attribute type (%1)").arg(attr));
}

const OraEngineFactory &embeddedEngine()
{
    for (const OraEngineFactory &f : oraEngines())
        if (f.name == QLatin1String("embedded"))
            return f;
    return oraEngines().front();
}

QString text(const void *p, sb8 len)
{
    if (!p || len <= 0)
        return QString();
    return QString::fromUtf8(static_cast<const char *>(p), qsizetype(len));
}

} // namespace

// ------------------------------------------------------------ environment

OCI_EXPORT void OCIClientVersion(sword *major, sword *minor, sword *update, sword *patch, sword *portUpdate)
{
    // reported as 19: the attribute set of that release is what the double models
    *major = 19;
    *minor = 3;
    *update = 0;
    *patch = 0;
    *portUpdate = 0;
}

OCI_EXPORT void OCIThreadProcessInit() {}

OCI_EXPORT sword OCIEnvNlsCreate(Handle **envhpp, ub4, void *, void *(*)(void *, size_t),
                                 void *(*)(void *, void *, size_t), void (*)(void *, void *), size_t xtramemSz,
                                 void **usrmempp, ub2, ub2)
{
    if (!envhpp)
        return INVALID_HANDLE;
    *envhpp = new Env;
    if (xtramemSz && usrmempp)
        *usrmempp = nullptr;
    return SUCCESS;
}

OCI_EXPORT sword OCIHandleAlloc(const Handle *parenth, Handle **hndlpp, ub4 type, size_t, void **usrmempp)
{
    if (!as<Env>(parenth, HTYPE_ENV) || !hndlpp)
        return INVALID_HANDLE;
    if (usrmempp)
        *usrmempp = nullptr;
    switch (type) {
    case HTYPE_ERROR:
        *hndlpp = new Err;
        return SUCCESS;
    case HTYPE_SERVER:
        *hndlpp = new Server;
        return SUCCESS;
    case HTYPE_SESSION:
        *hndlpp = new Session;
        return SUCCESS;
    case HTYPE_SVCCTX: {
        auto *s = new Svc;
        s->env = static_cast<Env *>(const_cast<Handle *>(parenth));
        *hndlpp = s;
        return SUCCESS;
    }
    default:
        // statements come from OCIStmtPrepare2; bind and define handles from
        // the bind and define calls
        return INVALID_HANDLE;
    }
}

OCI_EXPORT sword OCIHandleFree(Handle *hndlp, ub4 type)
{
    auto *b = static_cast<Base *>(hndlp);
    if (!b || b->magic != kMagic || b->type != type)
        return INVALID_HANDLE;
    if (type == HTYPE_BIND || type == HTYPE_DEFINE)
        return INVALID_HANDLE; // freed with their statement
    b->magic = 0;
    delete b;
    return SUCCESS;
}

OCI_EXPORT sword OCIDescriptorAlloc(const Handle *parenth, Handle **descpp, ub4 type, size_t, void **usrmempp)
{
    if (!as<Env>(parenth, HTYPE_ENV) || !descpp)
        return INVALID_HANDLE;
    if (usrmempp)
        *usrmempp = nullptr;
    if (type == DTYPE_LOB)
        *descpp = new Lob;
    else if (type == DTYPE_ROWID)
        *descpp = new Rowid;
    else
        return INVALID_HANDLE;
    return SUCCESS;
}

OCI_EXPORT sword OCIDescriptorFree(Handle *descp, ub4 type)
{
    auto *b = static_cast<Base *>(descp);
    if (!b || b->magic != kMagic || b->type != type || (type != DTYPE_LOB && type != DTYPE_PARAM && type != DTYPE_ROWID))
        return INVALID_HANDLE;
    b->magic = 0;
    delete b;
    return SUCCESS;
}

OCI_EXPORT sword OCIErrorGet(Handle *hndlp, ub4 recordno, OraText *, sb4 *errcodep, OraText *bufp, ub4 bufsiz, ub4 type)
{
    const ErrorRecord *rec = nullptr;
    if (type == HTYPE_ERROR) {
        if (Err *e = as<Err>(hndlp, HTYPE_ERROR))
            rec = &e->rec;
    } else if (type == HTYPE_ENV) {
        if (Env *e = as<Env>(hndlp, HTYPE_ENV))
            rec = &e->error;
    }
    if (!rec)
        return INVALID_HANDLE;
    if (recordno != 1 || rec->code == 0)
        return NO_DATA;
    if (errcodep)
        *errcodep = rec->code;
    if (bufp && bufsiz > 0) {
        const ub4 n = std::min<ub4>(ub4(rec->text.size()), bufsiz - 1);
        std::memcpy(bufp, rec->text.constData(), n);
        bufp[n] = 0;
    }
    return SUCCESS;
}

OCI_EXPORT sword OCINlsNumericInfoGet(Handle *, Handle *, sb4 *val, ub2 item)
{
    if (!val)
        return ERROR;
    *val = item == NLS_CHARSET_MAXBYTESZ ? 4 : 0;
    return SUCCESS;
}

// ------------------------------------------------------------ attributes

OCI_EXPORT sword OCIAttrGet(const Handle *trgthndlp, ub4 trghndltyp, void *attributep, ub4 *sizep, ub4 attrtype,
                            Handle *errhp)
{
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    const auto *base = static_cast<const Base *>(trgthndlp);
    if (!base || base->magic != kMagic || !attributep)
        return INVALID_HANDLE;
    if (trghndltyp == HTYPE_DESCRIBE)
        trghndltyp = DTYPE_PARAM; // column parameters are read either way
    if (base->type != trghndltyp)
        return INVALID_HANDLE;
    switch (trghndltyp) {
    case HTYPE_ENV:
        if (attrtype == ATTR_CHARSET_ID || attrtype == ATTR_NCHARSET_ID)
            return put<ub2>(attributep, sizep, CHARSET_AL32UTF8);
        break;
    case HTYPE_ERROR:
        if (attrtype == ATTR_ERROR_IS_RECOVERABLE)
            return put<boolean>(attributep, sizep, 0);
        break;
    case HTYPE_SERVER: {
        const auto *s = static_cast<const Server *>(base);
        if (attrtype == ATTR_SERVER_STATUS)
            return put<ub4>(attributep, sizep, s->attached ? SERVER_NORMAL : 0);
        if (attrtype == ATTR_CHARSET_ID)
            return put<ub2>(attributep, sizep, CHARSET_AL32UTF8);
        break;
    }
    case HTYPE_SVCCTX: {
        const auto *s = static_cast<const Svc *>(base);
        if (attrtype == ATTR_SERVER)
            return put<void *>(attributep, sizep, s->server);
        if (attrtype == ATTR_SESSION)
            return put<void *>(attributep, sizep, s->session);
        if (attrtype == ATTR_ENV)
            return put<void *>(attributep, sizep, s->env);
        if (attrtype == ATTR_CALL_TIMEOUT || attrtype == ATTR_STMTCACHESIZE)
            return put<ub4>(attributep, sizep, 0);
        break;
    }
    case HTYPE_SESSION:
        if (attrtype == ATTR_TRANSACTION_IN_PROGRESS) {
            // the service context that carries this session knows
            const Svc *svc = static_cast<const Session *>(base)->svc;
            return put<boolean>(attributep, sizep, svc && svc->engine && svc->dirty ? 1 : 0);
        }
        break;
    case HTYPE_STMT: {
        const auto *s = static_cast<const Stmt *>(base);
        switch (attrtype) {
        case ATTR_STMT_TYPE:
            return put<ub2>(attributep, sizep, s->stmtType);
        case ATTR_STMT_IS_RETURNING:
            return put<ub1>(attributep, sizep, s->returning.isEmpty() ? 0 : 1);
        case ATTR_PARAM_COUNT:
            if (!s->executed)
                return fail(err, 24338, QStringLiteral("ORA-24338: statement handle not executed"));
            return put<ub4>(attributep, sizep, ub4(s->cols.size()));
        case ATTR_ROW_COUNT:
            return put<ub4>(attributep, sizep, ub4(s->rowCount));
        case ATTR_UB8_ROW_COUNT:
            return put<ub8>(attributep, sizep, s->rowCount);
        case ATTR_ROWS_FETCHED:
            return put<ub4>(attributep, sizep, s->rowsFetched);
        case ATTR_PREFETCH_ROWS:
            return put<ub4>(attributep, sizep, s->prefetch);
        case ATTR_PARSE_ERROR_OFFSET:
            return put<ub2>(attributep, sizep, 0);
        case ATTR_ROWID: {
            Rowid *r = as<Rowid>(attributep, DTYPE_ROWID);
            if (!r)
                r = as<Rowid>(*static_cast<void **>(attributep), DTYPE_ROWID);
            if (!r)
                return INVALID_HANDLE;
            r->text.clear();
            return SUCCESS;
        }
        case ATTR_SQL_ID: {
            static const QByteArray none;
            return putText(attributep, sizep, none);
        }
        case ATTR_STATEMENT: {
            static thread_local QByteArray t;
            t = s->sql.toUtf8();
            return putText(attributep, sizep, t);
        }
        default:
            break;
        }
        break;
    }
    case HTYPE_BIND:
        if (attrtype == ATTR_ROWS_RETURNED)
            return put<ub4>(attributep, sizep, static_cast<const Bind *>(base)->rowsReturned);
        break;
    case DTYPE_PARAM: {
        const ColumnDesc &c = *static_cast<const Param *>(base)->col;
        switch (attrtype) {
        case ATTR_NAME:
            return putText(attributep, sizep, c.nameUtf8);
        case ATTR_DATA_TYPE:
            return put<ub2>(attributep, sizep, c.type);
        case ATTR_DATA_SIZE:
            return put<ub2>(attributep, sizep, c.size);
        case ATTR_CHAR_SIZE:
            return put<ub2>(attributep, sizep, c.type == SQLT_CHR || c.type == SQLT_AFC ? c.size : 0);
        case ATTR_PRECISION:
            return put<sb2>(attributep, sizep, c.precision);
        case ATTR_SCALE:
            return put<sb1>(attributep, sizep, c.scale);
        case ATTR_IS_NULL:
            return put<ub1>(attributep, sizep, 1);
        case ATTR_CHARSET_FORM:
            return put<ub1>(attributep, sizep, SQLCS_IMPLICIT);
        case ATTR_CHARSET_ID:
            return put<ub2>(attributep, sizep, CHARSET_AL32UTF8);
        case ATTR_CHAR_USED:
            return put<ub1>(attributep, sizep, 1);
        case ATTR_JSON_COL:
            return put<ub1>(attributep, sizep, 0);
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return illegalAttribute(err, attrtype);
}

OCI_EXPORT sword OCIAttrSet(Handle *trgthndlp, ub4 trghndltyp, void *attributep, ub4 size, ub4 attrtype, Handle *errhp)
{
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    auto *base = static_cast<Base *>(trgthndlp);
    if (!base || base->magic != kMagic || base->type != trghndltyp)
        return INVALID_HANDLE;
    switch (trghndltyp) {
    case HTYPE_SVCCTX: {
        auto *s = static_cast<Svc *>(base);
        if (attrtype == ATTR_SERVER) {
            s->server = as<Server>(attributep, HTYPE_SERVER);
            return s->server ? SUCCESS : INVALID_HANDLE;
        }
        if (attrtype == ATTR_SESSION) {
            s->session = as<Session>(attributep, HTYPE_SESSION);
            return s->session ? SUCCESS : INVALID_HANDLE;
        }
        if (attrtype == ATTR_TRANS || attrtype == ATTR_STMTCACHESIZE || attrtype == ATTR_CALL_TIMEOUT)
            return SUCCESS;
        break;
    }
    case HTYPE_SESSION: {
        auto *s = static_cast<Session *>(base);
        if (attrtype == ATTR_USERNAME) {
            s->user = text(attributep, size);
            return SUCCESS;
        }
        if (attrtype == ATTR_PASSWORD) {
            s->password = text(attributep, size);
            return SUCCESS;
        }
        if (attrtype == ATTR_DRIVER_NAME || (attrtype >= 366 && attrtype <= 368) || attrtype == 278 || attrtype == 288)
            return SUCCESS; // driver name, module, action, client info, identifier, edition
        break;
    }
    case HTYPE_STMT:
        if (attrtype == ATTR_PREFETCH_ROWS) {
            static_cast<Stmt *>(base)->prefetch = *static_cast<ub4 *>(attributep);
            return SUCCESS;
        }
        if (attrtype == ATTR_PREFETCH_MEMORY)
            return SUCCESS;
        break;
    case HTYPE_BIND:
    case HTYPE_DEFINE:
        if (attrtype == ATTR_MAXDATA_SIZE || attrtype == ATTR_CHARSET_FORM || attrtype == ATTR_CHARSET_ID ||
            attrtype == ATTR_LOBPREFETCH_LENGTH)
            return SUCCESS;
        break;
    case DTYPE_LOB:
        if (attrtype == ATTR_LOBEMPTY) {
            auto *l = static_cast<Lob *>(base);
            l->data = std::make_shared<LobData>();
            l->data->kind = LobData::Temp;
            return SUCCESS;
        }
        break;
    default:
        break;
    }
    return illegalAttribute(err, attrtype);
}

// ------------------------------------------------------------ logon

OCI_EXPORT sword OCIServerAttach(Handle *srvhp, Handle *errhp, const OraText *dblink, sb4 dblinkLen, ub4)
{
    Server *s = as<Server>(srvhp, HTYPE_SERVER);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!s || !err)
        return INVALID_HANDLE;
    const QString alias = dblinkLen < 0 ? QString::fromUtf8(reinterpret_cast<const char *>(dblink))
                                        : text(dblink, dblinkLen);
    bool known = false;
    for (const QString &a : embeddedEngine().aliases())
        known = known || a.compare(alias.trimmed(), Qt::CaseInsensitive) == 0;
    if (!known)
        return fail(err, 12154,
                    QStringLiteral("ORA-12154: TNS:could not resolve the connect identifier specified (\"%1\")").arg(alias));
    s->alias = alias.trimmed();
    s->attached = true;
    return SUCCESS;
}

OCI_EXPORT sword OCIServerDetach(Handle *srvhp, Handle *, ub4)
{
    Server *s = as<Server>(srvhp, HTYPE_SERVER);
    if (!s)
        return INVALID_HANDLE;
    s->attached = false;
    return SUCCESS;
}

OCI_EXPORT sword OCISessionBegin(Handle *svchp, Handle *errhp, Handle *usrhp, ub4 credt, ub4)
{
    Svc *svc = as<Svc>(svchp, HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    Session *sess = as<Session>(usrhp, HTYPE_SESSION);
    if (!svc || !err || !sess)
        return INVALID_HANDLE;
    if (!svc->server || !svc->server->attached)
        return fail(err, 3114, QStringLiteral("ORA-03114: not connected to ORACLE"));
    if (credt != CRED_RDBMS)
        return fail(err, 1017, QStringLiteral("ORA-01017: invalid username/password; logon denied"));
    try {
        svc->engine = embeddedEngine().connect(svc->server->alias, sess->user, sess->password);
        svc->session = sess;
        sess->svc = svc;
        svc->endTransaction();
        return SUCCESS;
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
}

OCI_EXPORT sword OCISessionEnd(Handle *svchp, Handle *errhp, Handle *, ub4)
{
    Svc *svc = as<Svc>(svchp, HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!svc || !err)
        return INVALID_HANDLE;
    if (!svc->engine)
        return fail(err, 3114, QStringLiteral("ORA-03114: not connected to ORACLE"));
    try {
        // ending a session commits its open transaction
        svc->engine->commit();
    } catch (const EMoxError &e) {
        svc->engine.reset();
        return fail(err, e);
    }
    svc->engine.reset();
    svc->endTransaction();
    return SUCCESS;
}

// ------------------------------------------------------------ transactions

OCI_EXPORT sword OCITransCommit(Handle *svchp, Handle *errhp, ub4)
{
    Svc *svc = as<Svc>(svchp, HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!svc || !err)
        return INVALID_HANDLE;
    if (!svc->engine)
        return fail(err, 3114, QStringLiteral("ORA-03114: not connected to ORACLE"));
    try {
        svc->engine->commit();
        svc->endTransaction();
        return SUCCESS;
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
}

OCI_EXPORT sword OCITransRollback(Handle *svchp, Handle *errhp, ub4)
{
    Svc *svc = as<Svc>(svchp, HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    if (!svc || !err)
        return INVALID_HANDLE;
    if (!svc->engine)
        return fail(err, 3114, QStringLiteral("ORA-03114: not connected to ORACLE"));
    try {
        svc->engine->rollback();
        svc->endTransaction();
        return SUCCESS;
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
}

// ------------------------------------------------------------ LOBs

namespace {

// The locator's content as UTF-8 (CLOB) or bytes (BLOB); throws EMoxError.
QByteArray lobBytes(const LobData &d)
{
    switch (d.kind) {
    case LobData::Row:
        return d.row->read().toUtf8();
    case LobData::Value:
    case LobData::Temp:
        return d.clob ? d.text.toUtf8() : d.bytes;
    default:
        throw EMoxError(QStringLiteral("ORA-22275: invalid LOB locator specified"));
    }
}

QString lobText(const LobData &d) { return d.kind == LobData::Row ? d.row->read() : d.text; }

// Checks that a locator may be written now.
void checkWritable(const LobData &d)
{
    if (d.kind == LobData::Row) {
        if (!d.svc || !d.svc->engine || d.txn != d.svc->txn)
            throw EMoxError(QStringLiteral("ORA-22990: LOB locators cannot span transactions"));
        return;
    }
    if (d.kind == LobData::Value)
        throw EMoxError(QStringLiteral("ORA-22920: row containing the LOB value is not locked"));
    if (d.kind == LobData::None)
        throw EMoxError(QStringLiteral("ORA-22275: invalid LOB locator specified"));
}

void storeText(LobData &d, const QString &t)
{
    if (d.kind == LobData::Row)
        d.row->write(t);
    else
        d.text = t;
}

} // namespace

OCI_EXPORT sword OCILobGetLength2(Handle *svchp, Handle *errhp, Handle *locp, ub8 *lenp)
{
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !err || !l || !lenp)
        return INVALID_HANDLE;
    if (l->data->kind == LobData::None)
        return INVALID_HANDLE;
    try {
        // characters of a CLOB, bytes of a BLOB
        *lenp = l->data->clob ? ub8(lobText(*l->data).size()) : ub8(lobBytes(*l->data).size());
        return SUCCESS;
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
}

OCI_EXPORT sword OCILobRead2(Handle *svchp, Handle *errhp, Handle *locp, ub8 *byteAmtp, ub8 *charAmtp, ub8 offset,
                             void *bufp, ub8 bufl, ub1 piece, void *, void *cbfp, ub2, ub1)
{
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !err || !l || !byteAmtp || !bufp)
        return INVALID_HANDLE;
    if (piece != ONE_PIECE || cbfp)
        return fail(err, 24801, QStringLiteral("ORA-24801: illegal parameter value in OCI lob function"));
    if (offset < 1)
        return fail(err, 24801, QStringLiteral("ORA-24801: illegal parameter value in OCI lob function"));
    try {
        if (l->data->clob) {
            const QString t = lobText(*l->data);
            if (offset > ub8(t.size())) {
                *byteAmtp = 0;
                if (charAmtp)
                    *charAmtp = 0;
                return NO_DATA;
            }
            // characters wanted: char amount, or (when it is 0) as many as the byte amount allows
            ub8 chars = charAmtp && *charAmtp ? *charAmtp : *byteAmtp;
            if (chars == 0)
                chars = ub8(t.size());
            QString part = t.mid(qsizetype(offset - 1), qsizetype(std::min<ub8>(chars, ub8(t.size()) - offset + 1)));
            QByteArray bytes = part.toUtf8();
            // as many whole characters as fit the buffer
            while (ub8(bytes.size()) > bufl && !part.isEmpty()) {
                part.chop(part.size() > 1 && part.back().isLowSurrogate() ? 2 : 1);
                bytes = part.toUtf8();
            }
            if (part.isEmpty() && !t.isEmpty())
                return fail(err, 24827, QStringLiteral("ORA-24827: buffer too small for the character amount"));
            std::memcpy(bufp, bytes.constData(), size_t(bytes.size()));
            *byteAmtp = ub8(bytes.size());
            if (charAmtp)
                *charAmtp = ub8(part.size());
            return SUCCESS;
        }
        const QByteArray all = lobBytes(*l->data);
        if (offset > ub8(all.size())) {
            *byteAmtp = 0;
            return NO_DATA;
        }
        const ub8 n = std::min({*byteAmtp ? *byteAmtp : ub8(all.size()), bufl, ub8(all.size()) - offset + 1});
        std::memcpy(bufp, all.constData() + offset - 1, size_t(n));
        *byteAmtp = n;
        return SUCCESS;
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
}

OCI_EXPORT sword OCILobWrite2(Handle *svchp, Handle *errhp, Handle *locp, ub8 *byteAmtp, ub8 *charAmtp, ub8 offset,
                              void *bufp, ub8 buflen, ub1 piece, void *, void *cbfp, ub2, ub1)
{
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !err || !l || !byteAmtp || !bufp)
        return INVALID_HANDLE;
    if (piece != ONE_PIECE || cbfp || offset < 1)
        return fail(err, 24801, QStringLiteral("ORA-24801: illegal parameter value in OCI lob function"));
    try {
        checkWritable(*l->data);
        LobData &d = *l->data;
        if (!d.clob) {
            QByteArray all = d.bytes;
            const QByteArray in(static_cast<const char *>(bufp), qsizetype(std::min(*byteAmtp, buflen)));
            if (ub8(all.size()) < offset - 1)
                all.append(QByteArray(qsizetype(offset - 1 - ub8(all.size())), '\0'));
            all.replace(qsizetype(offset - 1), in.size(), in);
            d.bytes = all;
            *byteAmtp = ub8(in.size());
            return SUCCESS;
        }
        // byte amount when given, else the whole buffer; the char amount counts characters
        const ub8 nbytes = *byteAmtp ? std::min(*byteAmtp, buflen) : buflen;
        QString in = QString::fromUtf8(static_cast<const char *>(bufp), qsizetype(nbytes));
        if ((!byteAmtp || *byteAmtp == 0) && charAmtp && *charAmtp)
            in.truncate(qsizetype(*charAmtp));
        QString all = lobText(d);
        if (ub8(all.size()) < offset - 1)
            all.append(QString(qsizetype(offset - 1 - ub8(all.size())), u' '));
        all.replace(qsizetype(offset - 1), in.size(), in);
        storeText(d, all);
        *byteAmtp = ub8(in.toUtf8().size());
        if (charAmtp)
            *charAmtp = ub8(in.size());
        return SUCCESS;
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
}

OCI_EXPORT sword OCILobTrim2(Handle *svchp, Handle *errhp, Handle *locp, ub8 newlen)
{
    Err *err = as<Err>(errhp, HTYPE_ERROR);
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !err || !l)
        return INVALID_HANDLE;
    if (l->data->kind == LobData::None)
        return INVALID_HANDLE; // a locator never initialised
    try {
        checkWritable(*l->data);
        LobData &d = *l->data;
        if (d.clob)
            storeText(d, lobText(d).left(qsizetype(newlen)));
        else
            d.bytes.truncate(qsizetype(newlen));
        return SUCCESS;
    } catch (const EMoxError &e) {
        return fail(err, e);
    }
}

OCI_EXPORT sword OCILobCreateTemporary(Handle *svchp, Handle *errhp, Handle *locp, ub2, ub1, ub1 lobtype, boolean,
                                       ub2)
{
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !as<Err>(errhp, HTYPE_ERROR) || !l)
        return INVALID_HANDLE;
    l->data = std::make_shared<LobData>();
    l->data->kind = LobData::Temp;
    l->data->clob = lobtype != TEMP_BLOB;
    return SUCCESS;
}

OCI_EXPORT sword OCILobFreeTemporary(Handle *svchp, Handle *errhp, Handle *locp)
{
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !as<Err>(errhp, HTYPE_ERROR) || !l)
        return INVALID_HANDLE;
    l->data = std::make_shared<LobData>();
    return SUCCESS;
}

OCI_EXPORT sword OCILobIsTemporary(Handle *, Handle *errhp, Handle *locp, boolean *isTemporary)
{
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Err>(errhp, HTYPE_ERROR) || !l || !isTemporary)
        return INVALID_HANDLE;
    *isTemporary = l->data->kind == LobData::Temp ? 1 : 0;
    return SUCCESS;
}

OCI_EXPORT sword OCILobLocatorIsInit(Handle *, Handle *errhp, const Handle *locp, boolean *isInitialized)
{
    Lob *l = as<Lob>(locp, DTYPE_LOB);
    if (!as<Err>(errhp, HTYPE_ERROR) || !l || !isInitialized)
        return INVALID_HANDLE;
    *isInitialized = l->data->kind != LobData::None ? 1 : 0;
    return SUCCESS;
}

// ------------------------------------------------------------ numbers

OCI_EXPORT sword OCINumberFromInt(Handle *, const void *inum, uword inumLength, uword flag, void *number)
{
    if (!inum || !number)
        return ERROR;
    qint64 v = 0;
    if (flag == NUMBER_SIGNED) {
        if (inumLength == 8) v = *static_cast<const qint64 *>(inum);
        else if (inumLength == 4) v = *static_cast<const qint32 *>(inum);
        else if (inumLength == 2) v = *static_cast<const qint16 *>(inum);
        else v = *static_cast<const qint8 *>(inum);
        ocidata::numberFromInt(v, static_cast<unsigned char *>(number));
    } else {
        quint64 u = 0;
        if (inumLength == 8) u = *static_cast<const quint64 *>(inum);
        else if (inumLength == 4) u = *static_cast<const quint32 *>(inum);
        else if (inumLength == 2) u = *static_cast<const quint16 *>(inum);
        else u = *static_cast<const quint8 *>(inum);
        ocidata::numberFromText(QString::number(u), static_cast<unsigned char *>(number));
    }
    return SUCCESS;
}

OCI_EXPORT sword OCINumberFromReal(Handle *, const void *rnum, uword rnumLength, void *number)
{
    if (!rnum || !number)
        return ERROR;
    const double d = rnumLength == 4 ? double(*static_cast<const float *>(rnum)) : *static_cast<const double *>(rnum);
    ocidata::numberFromDouble(d, static_cast<unsigned char *>(number));
    return SUCCESS;
}

OCI_EXPORT sword OCINumberToInt(Handle *, const void *number, uword rslLength, uword, void *rsl)
{
    if (!number || !rsl)
        return ERROR;
    const QString t = ocidata::numberToText(static_cast<const unsigned char *>(number));
    const qint64 v = qRound64(t.toDouble());
    if (rslLength == 8) *static_cast<qint64 *>(rsl) = v;
    else if (rslLength == 4) *static_cast<qint32 *>(rsl) = qint32(v);
    else if (rslLength == 2) *static_cast<qint16 *>(rsl) = qint16(v);
    else *static_cast<qint8 *>(rsl) = qint8(v);
    return SUCCESS;
}

OCI_EXPORT sword OCINumberToReal(Handle *, const void *number, uword rslLength, void *rsl)
{
    if (!number || !rsl)
        return ERROR;
    const double d = ocidata::numberToText(static_cast<const unsigned char *>(number)).toDouble();
    if (rslLength == 4)
        *static_cast<float *>(rsl) = float(d);
    else
        *static_cast<double *>(rsl) = d;
    return SUCCESS;
}

// ------------------------------------------------------------ thread keys

OCI_EXPORT sword OCIThreadKeyInit(Handle *, Handle *, void **key, void (*)(void *))
{
    *key = new void *(nullptr);
    return SUCCESS;
}

OCI_EXPORT sword OCIThreadKeyDestroy(Handle *, Handle *, void **key)
{
    delete static_cast<void **>(*key);
    *key = nullptr;
    return SUCCESS;
}

OCI_EXPORT sword OCIThreadKeyGet(Handle *, Handle *, void *key, void **value)
{
    // one value per key: the double serves one thread at a time
    *value = *static_cast<void **>(key);
    return SUCCESS;
}

OCI_EXPORT sword OCIThreadKeySet(Handle *, Handle *, void *key, void *value)
{
    *static_cast<void **>(key) = value;
    return SUCCESS;
}

// ------------------------------------------------------------ the double's own

// OCIStmtFetch2 calls since the library was loaded.
OCI_EXPORT quint64 mox_oci_double_fetch_calls() { return fetchCalls(); }

// The server's release: reported as 19.3 (the release whose attributes the
// double models).
OCI_EXPORT sword OCIServerRelease2(Handle *hndlp, Handle *errhp, OraText *bufp, ub4 bufsz, ub1, ub4 *version, ub4)
{
    if (!hndlp || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    if (version)
        *version = (19u << 24) | (3u << 16);
    if (bufp && bufsz > 0) {
        const QByteArray banner("Oracle Database 19c (the client-library double of the embedded engine)");
        const ub4 n = std::min<ub4>(ub4(banner.size()), bufsz - 1);
        std::memcpy(bufp, banner.constData(), n);
        bufp[n] = 0;
    }
    return SUCCESS;
}

OCI_EXPORT sword OCIPing(Handle *svchp, Handle *errhp, ub4)
{
    Svc *svc = as<Svc>(svchp, HTYPE_SVCCTX);
    if (!svc || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    return svc->engine ? SUCCESS : fail(as<Err>(errhp, HTYPE_ERROR), 3114, QStringLiteral("ORA-03114: not connected to ORACLE"));
}

// ------------------------------------------------------------ timestamps

namespace {
// Arrays of descriptors handed out, by the caller's array: their length.
std::map<void **, ub4> g_descriptorArrays;

Stamp *stampOf(const void *h)
{
    auto *b = static_cast<Base *>(const_cast<void *>(h));
    return b && b->magic == kMagic && isStampType(b->type) ? static_cast<Stamp *>(b) : nullptr;
}
} // namespace

OCI_EXPORT sword OCIArrayDescriptorAlloc(const Handle *parenth, void **descpp, ub4 type, ub4 arraySize, size_t,
                                         void **usrmempp)
{
    if (!as<Env>(parenth, HTYPE_ENV) || !descpp || !isStampType(type))
        return INVALID_HANDLE;
    if (usrmempp)
        *usrmempp = nullptr;
    for (ub4 i = 0; i < arraySize; ++i)
        descpp[i] = new Stamp(type);
    g_descriptorArrays[descpp] = arraySize;
    return SUCCESS;
}

OCI_EXPORT sword OCIArrayDescriptorFree(void **descp, ub4 type)
{
    auto it = g_descriptorArrays.find(descp);
    if (it == g_descriptorArrays.end() || !isStampType(type))
        return INVALID_HANDLE;
    for (ub4 i = 0; i < it->second; ++i) {
        if (Stamp *st = stampOf(descp[i])) {
            st->magic = 0;
            delete st;
        }
    }
    g_descriptorArrays.erase(it);
    return SUCCESS;
}

OCI_EXPORT sword OCIDateTimeConstruct(Handle *, Handle *errhp, Handle *datetime, sb2 yr, ub1 mnth, ub1 dy, ub1 hr,
                                      ub1 mm, ub1 ss, ub4 fsec, const OraText *, size_t)
{
    Stamp *st = stampOf(datetime);
    if (!st || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    const QDateTime dt(QDate(yr, mnth, dy), QTime(hr, mm, ss));
    if (!dt.isValid())
        return fail(as<Err>(errhp, HTYPE_ERROR), 1858, QStringLiteral("ORA-01858: a non-numeric character was found where a numeric was expected"));
    st->dt = dt;
    st->fsec = fsec;
    return SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetDate(Handle *, Handle *errhp, const Handle *datetime, sb2 *yr, ub1 *mnth, ub1 *dy)
{
    Stamp *st = stampOf(datetime);
    if (!st || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    *yr = sb2(st->dt.date().year());
    *mnth = ub1(st->dt.date().month());
    *dy = ub1(st->dt.date().day());
    return SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetTime(Handle *, Handle *errhp, Handle *datetime, ub1 *hr, ub1 *mm, ub1 *ss, ub4 *fsec)
{
    Stamp *st = stampOf(datetime);
    if (!st || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    *hr = ub1(st->dt.time().hour());
    *mm = ub1(st->dt.time().minute());
    *ss = ub1(st->dt.time().second());
    *fsec = st->fsec;
    return SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetTimeZoneOffset(Handle *, Handle *errhp, const Handle *datetime, sb1 *hr, sb1 *mm)
{
    if (!stampOf(datetime) || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    *hr = 0;
    *mm = 0;
    return SUCCESS;
}

OCI_EXPORT sword OCIRowidToChar(Handle *rowidDesc, OraText *outbfp, ub2 *outbflp, Handle *errhp)
{
    Rowid *r = as<Rowid>(rowidDesc, DTYPE_ROWID);
    if (!r || !outbflp || !as<Err>(errhp, HTYPE_ERROR))
        return INVALID_HANDLE;
    const ub2 n = ub2(std::min<qsizetype>(r->text.size(), *outbflp));
    if (outbfp)
        std::memcpy(outbfp, r->text.constData(), n);
    *outbflp = n;
    return SUCCESS;
}

OCI_EXPORT sword OCILobGetChunkSize(Handle *svchp, Handle *errhp, Handle *locp, ub4 *chunksizep)
{
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !as<Err>(errhp, HTYPE_ERROR) || !as<Lob>(locp, DTYPE_LOB) || !chunksizep)
        return INVALID_HANDLE;
    *chunksizep = 8132;
    return SUCCESS;
}

OCI_EXPORT sword OCILobOpen(Handle *svchp, Handle *errhp, Handle *locp, ub1)
{
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !as<Err>(errhp, HTYPE_ERROR) || !as<Lob>(locp, DTYPE_LOB))
        return INVALID_HANDLE;
    return SUCCESS;
}

OCI_EXPORT sword OCILobClose(Handle *svchp, Handle *errhp, Handle *locp)
{
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !as<Err>(errhp, HTYPE_ERROR) || !as<Lob>(locp, DTYPE_LOB))
        return INVALID_HANDLE;
    return SUCCESS;
}

OCI_EXPORT sword OCILobIsOpen(Handle *svchp, Handle *errhp, Handle *locp, boolean *flag)
{
    if (!as<Svc>(svchp, HTYPE_SVCCTX) || !as<Err>(errhp, HTYPE_ERROR) || !as<Lob>(locp, DTYPE_LOB) || !flag)
        return INVALID_HANDLE;
    *flag = 0;
    return SUCCESS;
}
