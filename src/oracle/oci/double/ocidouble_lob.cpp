// The double's LOB locators: length, read, write, trim, temporary LOBs.
// A locator from a RETURNING clause writes the row's LOB in place and only
// inside the transaction that returned it; one from a query reads a copy.
#include "oracle/oci/double/ocidouble.h"
#include "oracle/oci/double/ociexport.h"

#include <cstring>

using namespace ocidbl;

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
