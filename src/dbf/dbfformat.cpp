#include "dbf/dbfformat.h"

#include "dbf/binio.h"
#include "base/moxerror.h"
#include "base/text.h"

#include <QDir>

#include <cstring>

namespace dbfformat {

using namespace dbfbin;

namespace {

[[noreturn]] void bad(const QString &fileName, const QString &what)
{
    throw EMoxError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), what));
}

QString hexByte(uint8_t v) { return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0')); }

} // namespace

bool isKnownVersion(uint8_t v)
{
    switch (v) {
    case 0x02: case 0x03: case 0x04: case 0x05: case 0x30: case 0x31: case 0x32: case 0x43: case 0x63:
    case 0x83: case 0x8B: case 0x8E: case 0xCB: case 0xF5: case 0xFB:
        return true;
    default:
        return false;
    }
}

bool isKnownFieldType(char t)
{
    switch (t) {
    case 'C': case 'M': case 'D': case 'N': case 'F': case 'L': case 'I': case 'G': case 'P':
        return true;
    default:
        return false;
    }
}

QByteArray encodeTableHeader(const TableHeader &h)
{
    QByteArray out(kTableHeaderSize, '\0');
    char *p = out.data();
    p[0] = char(h.version);
    p[1] = char(((h.year % 100) + 100) % 100);
    p[2] = char(h.month);
    p[3] = char(h.day);
    putLE32(p + 4, h.recordCount);
    putLE16(p + 8, h.headerLength);
    putLE16(p + 10, h.recordLength);
    p[28] = char(h.flags);
    p[29] = char(h.codePage);
    return out;
}

TableHeader decodeTableHeader(const char *data)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    TableHeader h;
    h.version = p[0];
    const int yy = p[1];
    // FoxPro stores the year mod 100, dBASE the years since 1900.
    h.year = yy >= 100 ? 1900 + yy : (yy < 80 ? 2000 + yy : 1900 + yy);
    h.month = p[2];
    h.day = p[3];
    h.recordCount = getLE32(p + 4);
    h.headerLength = getLE16(p + 8);
    h.recordLength = getLE16(p + 10);
    h.flags = p[28];
    h.codePage = p[29];
    return h;
}

QByteArray encodeFieldDescriptor(const FieldDescriptor &f)
{
    QByteArray out(kFieldDescriptorSize, '\0');
    char *p = out.data();
    std::memcpy(p, f.name.constData(), size_t(qMin<qsizetype>(f.name.size(), kMaxFieldNameLength)));
    p[11] = f.type;
    putLE32(p + 12, f.displacement);
    p[16] = char(f.width);
    p[17] = char(f.decimals);
    p[18] = char(f.flags);
    return out;
}

FieldDescriptor decodeFieldDescriptor(const char *data)
{
    FieldDescriptor f;
    const int len = int(qstrnlen(data, 11));
    f.name = QByteArray(data, len);
    f.type = data[11];
    f.displacement = getLE32(data + 12);
    f.width = uint8_t(data[16]);
    f.decimals = uint8_t(data[17]);
    f.flags = uint8_t(data[18]);
    return f;
}

TableLayout decodeTable(const QByteArray &head, qint64 fileSize, const QString &fileName)
{
    if (fileSize < kTableHeaderSize || head.size() < kTableHeaderSize)
        bad(fileName, QStringLiteral("datoteka je prekratka za tabelo DBF (%1 zlogov)").arg(fileSize));
    TableLayout t;
    TableHeader &h = t.header;
    h = decodeTableHeader(head.constData());
    if (!isKnownVersion(h.version))
        bad(fileName, QStringLiteral("ni tabela DBF (neznana oznaka vrste %1)").arg(hexByte(h.version)));
    if (h.headerLength < kTableHeaderSize + kFieldDescriptorSize)
        bad(fileName, QStringLiteral("dolžina glave %1 je premajhna").arg(h.headerLength));
    if (h.headerLength > fileSize || h.headerLength > head.size())
        bad(fileName, QStringLiteral("glava (%1 zlogov) je daljša od datoteke (%2 zlogov)").arg(h.headerLength).arg(fileSize));
    if (h.recordLength < 2)
        bad(fileName, QStringLiteral("dolžina zapisa %1 ni veljavna").arg(h.recordLength));

    // Descriptors run until the terminator; the header length may hold more
    // (a backlink, an extra byte) so the field count is never derived from it.
    const char *p = head.constData();
    int pos = kTableHeaderSize;
    int offset = 1;
    while (pos < h.headerLength && p[pos] != kHeaderTerminator) {
        const int n = t.fields.size() + 1;
        if (pos + kFieldDescriptorSize > h.headerLength)
            bad(fileName, QStringLiteral("opis polja %1 sega čez konec glave (%2 zlogov)").arg(n).arg(h.headerLength));
        if (n > kMaxFields)
            bad(fileName, QStringLiteral("preveč polj (več kot %1)").arg(kMaxFields));
        const FieldDescriptor d = decodeFieldDescriptor(p + pos);
        Field f;
        f.name = moxtext::fromCp1250(d.name);
        f.type = d.type;
        f.width = d.width;
        f.decimals = d.decimals;
        f.offset = offset;
        if (f.name.trimmed().isEmpty())
            bad(fileName, QStringLiteral("polje %1 nima imena").arg(n));
        if (f.width == 0)
            bad(fileName, QStringLiteral("polje %1 ima širino 0").arg(f.name));
        switch (f.type) {
        case 'M': case 'G': case 'P':
            if (f.width != 10 && f.width != 4)
                bad(fileName, QStringLiteral("memo polje %1 ima širino %2 (dovoljeno 4 ali 10)").arg(f.name).arg(f.width));
            t.hasMemo = true;
            break;
        case 'D':
            if (f.width != kDateWidth)
                bad(fileName, QStringLiteral("datumsko polje %1 ima širino %2 (mora biti 8)").arg(f.name).arg(f.width));
            break;
        case 'I':
            if (f.width != 4)
                bad(fileName, QStringLiteral("celoštevilsko polje %1 ima širino %2 (mora biti 4)").arg(f.name).arg(f.width));
            break;
        default:
            break;
        }
        offset += f.width;
        if (offset > h.recordLength)
            bad(fileName, QStringLiteral("polja (%1 zlogov) ne gredo v zapis dolžine %2").arg(offset).arg(h.recordLength));
        t.fields.append(f);
        pos += kFieldDescriptorSize;
    }
    // The records start where the header length says; a length that stops
    // before the terminator would have them read shifted.
    if (pos >= h.headerLength)
        bad(fileName, QStringLiteral("glava (%1 zlogov) se konča pred zaključkom seznama polj").arg(h.headerLength));
    if (t.fields.isEmpty())
        bad(fileName, QStringLiteral("tabela nima polj"));

    const qint64 need = qint64(h.headerLength) + qint64(h.recordCount) * qint64(h.recordLength);
    if (need > fileSize) {
        const qint64 room = (fileSize - h.headerLength) / h.recordLength;
        bad(fileName, QStringLiteral("število zapisov %1 sega čez konec datoteke (prostora je za %2)").arg(h.recordCount).arg(room));
    }
    return t;
}

QByteArray encodeNewTable(const QVector<Field> &fields, const QDate &today)
{
    TableHeader h;
    bool memo = false;
    int recLen = 1;
    for (const Field &f : fields) {
        memo = memo || f.type == 'M';
        recLen += f.width;
    }
    h.version = memo ? kVersionFoxProMemo : kVersionFoxBase;
    h.year = today.year();
    h.month = today.month();
    h.day = today.day();
    h.recordCount = 0;
    h.headerLength = uint16_t(kTableHeaderSize + kFieldDescriptorSize * fields.size() + 1);
    h.recordLength = uint16_t(recLen);
    h.flags = 0;
    h.codePage = kCodePage1250;
    QByteArray out = encodeTableHeader(h);
    for (const Field &f : fields) {
        FieldDescriptor d;
        d.name = moxtext::toCp1250(f.name);
        d.type = f.type;
        d.displacement = uint32_t(f.offset);
        d.width = uint8_t(f.width);
        d.decimals = uint8_t(f.decimals);
        out += encodeFieldDescriptor(d);
    }
    out += kHeaderTerminator;
    return out;
}

QByteArray encodeMemoHeader(const MemoHeader &h)
{
    QByteArray out(kMemoHeaderSize, '\0');
    putBE32(out.data(), h.nextFree);
    putBE16(out.data() + 6, h.blockSize);
    return out;
}

MemoHeader decodeMemoHeader(const char *data)
{
    MemoHeader h;
    h.nextFree = getBE32(data);
    h.blockSize = getBE16(data + 6);
    return h;
}

void validateMemoHeader(const MemoHeader &h, qint64 fileSize, const QString &fileName)
{
    if (fileSize < kMemoHeaderSize)
        bad(fileName, QStringLiteral("datoteka je prekratka za glavo datoteke zapiskov (%1 zlogov)").arg(fileSize));
    if (h.blockSize == 0)
        bad(fileName, QStringLiteral("velikost bloka zapiskov je 0"));
}

void encodeMemoBlockHeader(const MemoBlockHeader &h, char *out)
{
    putBE32(out, h.type);
    putBE32(out + 4, h.length);
}

MemoBlockHeader decodeMemoBlockHeader(const char *data)
{
    MemoBlockHeader h;
    h.type = getBE32(data);
    h.length = getBE32(data + 4);
    return h;
}

bool decodeMemoPointer(const char *data, int width, uint32_t &block)
{
    block = 0;
    if (width == 4) {
        block = getLE32(data);
        return true;
    }
    if (width != kMemoPointerWidth)
        return false;
    uint64_t v = 0;
    bool digits = false;
    for (int i = 0; i < width; ++i) {
        const char c = data[i];
        if (c == ' ' || c == '\0') {
            if (digits && i + 1 < width && data[i + 1] >= '0' && data[i + 1] <= '9')
                return false; // blank between digits
            continue;
        }
        if (c < '0' || c > '9')
            return false;
        digits = true;
        v = v * 10 + uint64_t(c - '0');
        if (v > 0xFFFFFFFFull)
            return false;
    }
    block = uint32_t(v);
    return true;
}

void encodeMemoPointer(uint32_t block, char *out, int width)
{
    if (width == 4) {
        putLE32(out, block);
        return;
    }
    std::memset(out, ' ', size_t(width));
    if (block == 0)
        return;
    char digits[16];
    int n = 0;
    while (block > 0) {
        digits[n++] = char('0' + block % 10);
        block /= 10;
    }
    for (int i = 0; i < n && i < width; ++i)
        out[width - 1 - i] = digits[i];
}

} // namespace dbfformat
