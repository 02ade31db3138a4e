// The double's environment, handles, attributes, errors, logon and
// transactions (statements: ocidouble_stmt.cpp, LOBs: ocidouble_lob.cpp,
// value helpers: ocidouble_values.cpp).
#include "oracle/oci/double/ocidouble.h"
#include "oracle/oci/double/ociexport.h"

#include "oracle/oci/ocidata.h"

#include <QRegularExpression>

#include <atomic>
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
