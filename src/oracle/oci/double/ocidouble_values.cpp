// The double's value helpers: NUMBER conversions, TIMESTAMP descriptors
// and ROWID text.
#include "oracle/oci/double/ocidouble.h"
#include "oracle/oci/double/ociexport.h"

#include "oracle/oci/ocidata.h"

#include <cstring>
#include <map>

using namespace ocidbl;

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
