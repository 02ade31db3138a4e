#include "dbf/cdx/cdxformat.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace cdxfmt {

namespace {

int bitLength(quint32 v) { return v == 0 ? 0 : 32 - std::countl_zero(v); }
quint64 mask(int bits) { return bits >= 64 ? ~quint64(0) : (quint64(1) << bits) - 1; }

// Trailing filler bytes of a key.
int trailCount(const char *key, int keyLength, char fill)
{
    int n = 0;
    while (n < keyLength && key[keyLength - 1 - n] == fill)
        ++n;
    return n;
}

} // namespace

void encodeTagHeader(const TagHeader &h, char *out)
{
    std::memset(out, 0, TagHeaderSize);
    putLE32(out + 0x000, h.root);
    putLE32(out + 0x004, h.freeList);
    putLE16(out + 0x00C, quint16(h.keyLength));
    out[0x00E] = char(h.options);
    out[0x00F] = char(Signature);
    putLE16(out + 0x1F6, h.descending ? 1 : 0);
    const int keyLen = int(h.keyExpression.size()) + 1;
    const int forLen = int(h.filterExpression.size()) + 1;
    putLE16(out + 0x1F8, quint16(forLen > 1 ? keyLen + forLen : keyLen));
    putLE16(out + 0x1FA, quint16(forLen));
    putLE16(out + 0x1FC, 0);
    putLE16(out + 0x1FE, quint16(keyLen));
    char *pool = out + PageSize;
    std::memcpy(pool, h.keyExpression.constData(), size_t(h.keyExpression.size()));
    if (forLen > 1)
        std::memcpy(pool + keyLen, h.filterExpression.constData(), size_t(h.filterExpression.size()));
}

QString decodeTagHeader(const char *in, TagHeader &h)
{
    h = TagHeader();
    h.root = getLE32(in + 0x000);
    h.freeList = getLE32(in + 0x004);
    h.keyLength = getLE16(in + 0x00C);
    h.options = quint8(in[0x00E]);
    h.descending = getLE16(in + 0x1F6) != 0;
    if (h.keyLength < 1 || h.keyLength > MaxKeyLength)
        return QStringLiteral("key length %1 is outside 1..%2").arg(h.keyLength).arg(MaxKeyLength);
    // The pool text runs up to its NUL; the stored lengths only bound it.
    const char *pool = in + PageSize;
    const int start = getLE16(in + 0x1FC);
    const int keyLen = getLE16(in + 0x1FE);
    const int forLen = getLE16(in + 0x1FA);
    if (start + keyLen > ExpressionPool)
        return QStringLiteral("key expression (%1 bytes at %2) runs past the expression area").arg(keyLen).arg(start);
    auto text = [&](int from, int len) {
        const char *p = pool + from;
        const char *end = static_cast<const char *>(std::memchr(p, 0, size_t(len)));
        return QByteArray(p, end ? int(end - p) : len);
    };
    h.keyExpression = text(start, keyLen);
    if (forLen > 1) {
        if (start + keyLen + forLen > ExpressionPool)
            return QStringLiteral("filter expression runs past the expression area");
        h.filterExpression = text(start + keyLen, forLen);
    }
    return {};
}

LeafLayout leafLayout(int keyLength, quint32 maxRecno)
{
    LeafLayout l;
    const int countBits = bitLength(quint32(keyLength));
    const int recNeed = std::max(1, bitLength(maxRecno));
    l.bytes = (recNeed + 2 * countBits + 7) / 8;
    l.dupBits = l.trailBits = countBits;
    l.recBits = 8 * l.bytes - 2 * countBits;
    if (l.recBits > 32) {
        // The record-number mask is 32 bits wide: give the spare bits to the counts.
        const int extra = l.recBits - 32;
        l.recBits = 32;
        l.dupBits += extra / 2;
        l.trailBits += extra - extra / 2;
    }
    return l;
}

QString decodeNode(const char *page, int keyLength, char fill, Node &out)
{
    out.keyLength = keyLength;
    out.attr = getLE16(page);
    out.left = getLE32(page + 4);
    out.right = getLE32(page + 8);
    out.clearEntries();
    const int count = getLE16(page + 2);
    const size_t kl = size_t(keyLength);

    if (out.isLeaf()) {
        if (count == 0)
            return {};
        const int recBits = quint8(page[20]), dupBits = quint8(page[21]), trailBits = quint8(page[22]);
        const int bytes = quint8(page[23]);
        if (bytes < 1 || bytes > 8 || recBits < 1 || recBits > 32 || dupBits > 8 || trailBits > 8
            || recBits + dupBits + trailBits > 8 * bytes)
            return QStringLiteral("leaf entry widths are impossible (record %1, duplicate %2, trailing %3 bits in %4 bytes)")
                .arg(recBits).arg(dupBits).arg(trailBits).arg(bytes);
        const int infoEnd = LeafInfoStart + count * bytes;
        if (infoEnd > PageSize)
            return QStringLiteral("leaf holds %1 keys, more than fit in a page").arg(count);
        out.keys.resize(size_t(count) * kl);
        out.recnos.resize(size_t(count));
        const quint64 recMask = mask(recBits), dupMask = mask(dupBits), trailMask = mask(trailBits);
        int keyEnd = PageSize;
        char *dst = out.keys.data();
        for (int i = 0; i < count; ++i) {
            quint64 v = 0;
            const auto *info = reinterpret_cast<const unsigned char *>(page + LeafInfoStart + i * bytes);
            for (int b = bytes - 1; b >= 0; --b)
                v = (v << 8) | info[b];
            const quint32 recno = quint32(v & recMask);
            int dup = int((v >> recBits) & dupMask);
            const int trail = int((v >> (recBits + dupBits)) & trailMask);
            if (i == 0)
                dup = 0;  // nothing to share with
            if (dup + trail > keyLength)
                return QStringLiteral("leaf entry %1 claims %2 shared and %3 trailing bytes of a %4-byte key")
                    .arg(i).arg(dup).arg(trail).arg(keyLength);
            const int stored = keyLength - dup - trail;
            keyEnd -= stored;
            if (keyEnd < infoEnd)
                return QStringLiteral("key bytes of leaf entry %1 run into the entry table").arg(i);
            if (dup > 0)
                std::memcpy(dst, dst - kl, size_t(dup));
            std::memcpy(dst + dup, page + keyEnd, size_t(stored));
            std::memset(dst + dup + stored, fill, size_t(trail));
            out.recnos[size_t(i)] = recno;
            dst += kl;
        }
        return {};
    }

    if (count == 0)
        return QStringLiteral("interior node holds no keys");
    if (count > interiorCapacity(keyLength))
        return QStringLiteral("interior node holds %1 keys, more than fit in a page").arg(count);
    out.keys.resize(size_t(count) * kl);
    out.recnos.resize(size_t(count));
    out.children.resize(size_t(count));
    const char *src = page + NodeHeaderSize;
    for (int i = 0; i < count; ++i) {
        std::memcpy(out.keys.data() + size_t(i) * kl, src, kl);
        out.recnos[size_t(i)] = getBE32(src + kl);
        out.children[size_t(i)] = getBE32(src + kl + 4);
        src += kl + 8;
    }
    return {};
}

LeafSizes leafSizes(const Node &node, char fill)
{
    const int n = node.count();
    const int kl = node.keyLength;
    LeafSizes s;
    s.dup.resize(size_t(n));
    s.trail.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        const char *k = node.key(i);
        const int trail = trailCount(k, kl, fill);
        s.trail[size_t(i)] = trail;
        int dup = 0;
        if (i > 0) {
            // Never share bytes out of either key's filler tail.
            const int cap = kl - std::max(trail, s.trail[size_t(i - 1)]);
            const char *p = node.key(i - 1);
            while (dup < cap && k[dup] == p[dup])
                ++dup;
        }
        s.dup[size_t(i)] = dup;
    }
    return s;
}

bool encodeLeaf(const Node &node, const LeafLayout &l, char fill, char *page)
{
    const int n = node.count();
    const int kl = node.keyLength;
    const LeafSizes s = leafSizes(node, fill);
    int total = 0;
    for (int i = 0; i < n; ++i)
        total += l.bytes + kl - s.dup[size_t(i)] - s.trail[size_t(i)];
    if (total > LeafArea)
        return false;

    std::memset(page, 0, PageSize);
    putLE16(page, node.attr);
    putLE16(page + 2, quint16(n));
    putLE32(page + 4, node.left);
    putLE32(page + 8, node.right);
    putLE16(page + 12, quint16(LeafArea - total));
    putLE32(page + 14, quint32(mask(l.recBits)));
    page[18] = char(mask(l.dupBits));
    page[19] = char(mask(l.trailBits));
    page[20] = char(l.recBits);
    page[21] = char(l.dupBits);
    page[22] = char(l.trailBits);
    page[23] = char(l.bytes);
    int keyEnd = PageSize;
    for (int i = 0; i < n; ++i) {
        const int dup = s.dup[size_t(i)], trail = s.trail[size_t(i)];
        const quint64 v = quint64(node.recnos[size_t(i)]) | (quint64(dup) << l.recBits)
            | (quint64(trail) << (l.recBits + l.dupBits));
        auto *info = reinterpret_cast<unsigned char *>(page + LeafInfoStart + i * l.bytes);
        for (int b = 0; b < l.bytes; ++b)
            info[b] = static_cast<unsigned char>(v >> (8 * b));
        const int stored = kl - dup - trail;
        keyEnd -= stored;
        std::memcpy(page + keyEnd, node.key(i) + dup, size_t(stored));
    }
    return true;
}

bool encodeLeaf(const Node &node, char fill, char *page)
{
    quint32 maxRec = 0;
    for (quint32 r : node.recnos)
        maxRec = std::max(maxRec, r);
    return encodeLeaf(node, leafLayout(node.keyLength, maxRec), fill, page);
}

void encodeInterior(const Node &node, char *page)
{
    const int n = node.count();
    const size_t kl = size_t(node.keyLength);
    std::memset(page, 0, PageSize);
    putLE16(page, node.attr);
    putLE16(page + 2, quint16(n));
    putLE32(page + 4, node.left);
    putLE32(page + 8, node.right);
    char *dst = page + NodeHeaderSize;
    for (int i = 0; i < n; ++i) {
        std::memcpy(dst, node.key(i), kl);
        putBE32(dst + kl, node.recnos[size_t(i)]);
        putBE32(dst + kl + 4, node.children[size_t(i)]);
        dst += kl + 8;
    }
}

} // namespace cdxfmt
