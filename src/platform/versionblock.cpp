#include "platform/versionblock.h"

#include <QStringList>

#include <algorithm>
#include <functional>

namespace moxversion {
namespace {

// ---- little-endian helpers -------------------------------------------------

quint16 rd16(QByteArrayView d, qsizetype pos)
{
    return quint16(quint8(d[pos]) | (quint8(d[pos + 1]) << 8));
}

quint32 rd32(QByteArrayView d, qsizetype pos)
{
    return quint32(rd16(d, pos)) | (quint32(rd16(d, pos + 2)) << 16);
}

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void put32(QByteArray &b, quint32 v)
{
    put16(b, quint16(v & 0xFFFF));
    put16(b, quint16(v >> 16));
}

void set16(QByteArray &b, qsizetype pos, quint16 v)
{
    b[pos] = char(v & 0xFF);
    b[pos + 1] = char(v >> 8);
}

void putText(QByteArray &b, const QString &s)
{
    for (QChar c : s)
        put16(b, c.unicode());
    put16(b, 0);
}

void pad4(QByteArray &b)
{
    while (b.size() % 4)
        b.append('\0');
}

constexpr quint32 kFixedSignature = 0xFEEF04BD;
constexpr qsizetype kFixedSize = 52;
constexpr quint16 kText = 1, kBinary = 0;

const QString kRootKey = QStringLiteral("VS_VERSION_INFO");

// ---- building --------------------------------------------------------------

// One node: header, key, value, children; each part starts 32-bit aligned
// relative to the node (nodes themselves start aligned).
QByteArray node(const QString &key, quint16 type, const QByteArray &value, quint16 valueLength,
                const QList<QByteArray> &children = {})
{
    QByteArray b;
    put16(b, 0); // length, set at the end
    put16(b, valueLength);
    put16(b, type);
    putText(b, key);
    pad4(b);
    b += value;
    for (const QByteArray &child : children) {
        pad4(b);
        b += child;
    }
    set16(b, 0, quint16(b.size()));
    return b;
}

QByteArray stringNode(const QString &name, const QString &value)
{
    QByteArray v;
    putText(v, value);
    return node(name, kText, v, quint16(value.size() + 1));
}

std::pair<quint32, quint32> versionNumbers(const QString &text)
{
    const QStringList parts = text.split(u'.');
    quint16 n[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && i < parts.size(); ++i) {
        bool ok = false;
        const uint v = parts.at(i).trimmed().toUInt(&ok);
        n[i] = ok ? quint16(v) : 0;
    }
    return {(quint32(n[0]) << 16) | n[1], (quint32(n[2]) << 16) | n[3]};
}

// ---- reading ---------------------------------------------------------------

struct Node {
    QString key;
    quint16 type = 0;
    quint16 valueLength = 0;
    QByteArrayView value;
    QList<Node> children;
    qsizetype length = 0;
};

// Reads the node at pos (inside [0, limit) of d); base is the start of the
// whole block, against which alignment is counted.
bool parseNode(QByteArrayView d, qsizetype base, qsizetype pos, qsizetype limit, Node &out, int depth = 0)
{
    if (depth > 8 || pos + 6 > limit)
        return false;
    const quint16 length = rd16(d, pos);
    if (length < 6 || pos + length > limit)
        return false;
    const qsizetype end = pos + length;
    out.length = length;
    out.valueLength = rd16(d, pos + 2);
    out.type = rd16(d, pos + 4);
    const auto align = [base](qsizetype p) { return base + ((p - base + 3) & ~qsizetype(3)); };

    qsizetype p = pos + 6;
    out.key.clear();
    for (;;) {
        if (p + 2 > end)
            return false;
        const quint16 c = rd16(d, p);
        p += 2;
        if (c == 0)
            break;
        out.key += QChar(char16_t(c));
    }
    p = align(p);
    const qsizetype valueBytes = out.type == kText ? qsizetype(out.valueLength) * 2 : out.valueLength;
    const qsizetype valueEnd = std::min(end, p + valueBytes);
    out.value = p < valueEnd ? d.sliced(p, valueEnd - p) : QByteArrayView();
    p = align(valueEnd);
    out.children.clear();
    while (p + 6 <= end) {
        Node child;
        if (!parseNode(d, base, p, end, child, depth + 1))
            break;
        out.children << child;
        p = align(p + child.length);
    }
    return true;
}

QString textValue(QByteArrayView v)
{
    QString s;
    for (qsizetype i = 0; i + 1 < v.size(); i += 2) {
        const quint16 c = rd16(v, i);
        if (c == 0)
            break;
        s += QChar(char16_t(c));
    }
    return s;
}

bool sameKey(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

const Node *childNamed(const Node &n, const QString &key)
{
    for (const Node &c : n.children)
        if (sameKey(c.key, key))
            return &c;
    return nullptr;
}

// A well-formed root: the right key, a fixed part of the right size and
// signature (or none).
std::optional<Node> parseRoot(QByteArrayView d)
{
    Node root;
    if (!parseNode(d, 0, 0, d.size(), root) || root.key != kRootKey)
        return std::nullopt;
    if (root.valueLength != 0) {
        if (root.valueLength != kFixedSize || root.value.size() != kFixedSize || rd32(root.value, 0) != kFixedSignature)
            return std::nullopt;
    }
    return root;
}

} // namespace

QByteArray buildVersionBlock(const VersionBlockContent &content)
{
    const auto [ms, ls] = versionNumbers(content.numericVersion);
    QByteArray fixed;
    put32(fixed, kFixedSignature);
    put32(fixed, 0x00010000); // structure version
    put32(fixed, ms);         // file version
    put32(fixed, ls);
    put32(fixed, ms);         // product version
    put32(fixed, ls);
    put32(fixed, 0x3F);       // flags mask
    put32(fixed, 0);          // flags
    put32(fixed, 0x00040004); // 32-bit Windows
    put32(fixed, 1);          // application
    put32(fixed, 0);          // subtype
    put32(fixed, 0);          // date
    put32(fixed, 0);

    QList<QByteArray> strings;
    for (const auto &[name, value] : content.strings)
        strings << stringNode(name, value);
    const QString tableKey =
        QStringLiteral("%1%2").arg(content.language, 4, 16, QChar(u'0')).arg(content.codePage, 4, 16, QChar(u'0'));
    const QByteArray table = node(tableKey, kText, {}, 0, strings);
    const QByteArray stringInfo = node(QStringLiteral("StringFileInfo"), kText, {}, 0, {table});

    QByteArray translation;
    put16(translation, content.language);
    put16(translation, content.codePage);
    const QByteArray var = node(QStringLiteral("Translation"), kBinary, translation, 4);
    const QByteArray varInfo = node(QStringLiteral("VarFileInfo"), kText, {}, 0, {var});

    return node(kRootKey, kBinary, fixed, kFixedSize, {stringInfo, varInfo});
}

QString VersionBlock::value(const QString &table, const QString &name) const
{
    for (const auto &[key, strings] : tables) {
        if (!sameKey(key, table))
            continue;
        for (const auto &[n, v] : strings)
            if (sameKey(n, name))
                return v.isNull() ? QStringLiteral("") : v;
    }
    return QString();
}

std::optional<VersionBlock> parseVersionBlock(QByteArrayView data)
{
    const std::optional<Node> root = parseRoot(data);
    if (!root)
        return std::nullopt;
    VersionBlock block;
    if (const Node *varInfo = childNamed(*root, QStringLiteral("VarFileInfo"))) {
        if (const Node *var = childNamed(*varInfo, QStringLiteral("Translation"))) {
            for (qsizetype i = 0; i + 4 <= var->value.size(); i += 4)
                block.translations << ((quint32(rd16(var->value, i)) << 16) | rd16(var->value, i + 2));
        }
    }
    if (const Node *stringInfo = childNamed(*root, QStringLiteral("StringFileInfo"))) {
        for (const Node &table : stringInfo->children) {
            QList<std::pair<QString, QString>> strings;
            for (const Node &s : table.children)
                strings.append({s.key, textValue(s.value)});
            block.tables.append({table.key, strings});
        }
    }
    return block;
}

bool isPeFile(QByteArrayView f)
{
    if (f.size() < 0x40 || f[0] != 'M' || f[1] != 'Z')
        return false;
    const quint32 pe = rd32(f, 0x3C);
    return qsizetype(pe) + 24 <= f.size() && f.sliced(pe, 4) == QByteArrayView("PE\0\0", 4);
}

QByteArrayView peVersionResource(QByteArrayView f)
{
    if (!isPeFile(f))
        return {};
    const qsizetype pe = rd32(f, 0x3C);
    const qsizetype coff = pe + 4;
    const quint16 sections = rd16(f, coff + 2);
    const quint16 optSize = rd16(f, coff + 16);
    const qsizetype opt = coff + 20;
    if (optSize < 2 || opt + optSize > f.size())
        return {};
    const quint16 magic = rd16(f, opt);
    qsizetype dirCountAt, dirsAt;
    if (magic == 0x10B) { // PE32
        dirCountAt = opt + 92;
        dirsAt = opt + 96;
    } else if (magic == 0x20B) { // PE32+
        dirCountAt = opt + 108;
        dirsAt = opt + 112;
    } else {
        return {};
    }
    constexpr int kResourceDir = 2;
    if (dirsAt + (kResourceDir + 1) * 8 > opt + optSize || rd32(f, dirCountAt) <= kResourceDir)
        return {};
    const quint32 resRva = rd32(f, dirsAt + kResourceDir * 8);
    if (resRva == 0)
        return {};

    // Section table: turns an address in the loaded image into a file offset.
    const qsizetype secTable = opt + optSize;
    if (secTable + qsizetype(sections) * 40 > f.size())
        return {};
    const auto toOffset = [&](quint32 rva, quint32 size) -> qsizetype {
        for (int i = 0; i < sections; ++i) {
            const qsizetype s = secTable + i * 40;
            const quint32 va = rd32(f, s + 12);
            const quint32 rawSize = rd32(f, s + 16);
            const quint32 raw = rd32(f, s + 20);
            const quint32 vsize = std::max(rd32(f, s + 8), rawSize);
            if (rva >= va && quint64(rva) + size <= quint64(va) + vsize) {
                const quint64 off = quint64(raw) + (rva - va);
                if (quint64(rva - va) + size > rawSize || off + size > quint64(f.size()))
                    return -1;
                return qsizetype(off);
            }
        }
        return -1;
    };

    const qsizetype root = toOffset(resRva, 16);
    if (root < 0)
        return {};
    // Directory entry of the given id (or the first one when id is 0) at a
    // directory; returns the entry's offset word.
    const auto entry = [&](qsizetype dir, quint32 id, quint32 &target) -> bool {
        if (dir + 16 > f.size())
            return false;
        const int named = rd16(f, dir + 12);
        const int ids = rd16(f, dir + 14);
        const qsizetype first = dir + 16;
        if (first + qsizetype(named + ids) * 8 > f.size())
            return false;
        for (int i = 0; i < named + ids; ++i) {
            const quint32 name = rd32(f, first + i * 8);
            if (id == 0 || (i >= named && name == id)) {
                target = rd32(f, first + i * 8 + 4);
                return true;
            }
        }
        return false;
    };
    constexpr quint32 kSubdir = 0x80000000u;
    constexpr quint32 kRtVersion = 16;
    quint32 t = 0;
    if (!entry(root, kRtVersion, t) || !(t & kSubdir))
        return {};
    if (!entry(root + (t & ~kSubdir), 0, t) || !(t & kSubdir)) // first name
        return {};
    if (!entry(root + (t & ~kSubdir), 0, t) || (t & kSubdir)) // first language
        return {};
    const qsizetype dataEntry = root + t;
    if (dataEntry + 16 > f.size())
        return {};
    const quint32 rva = rd32(f, dataEntry);
    const quint32 size = rd32(f, dataEntry + 4);
    const qsizetype off = size ? toOffset(rva, size) : -1;
    if (off < 0)
        return {};
    return f.sliced(off, size);
}

QByteArrayView embeddedVersionBlock(QByteArrayView f)
{
    // The root key in UTF-16LE, made here rather than written as a literal so
    // that this program's own code holds no copy of it.
    QByteArray needle;
    for (QChar c : kRootKey)
        put16(needle, c.unicode());
    const std::boyer_moore_horspool_searcher searcher(needle.cbegin(), needle.cend());
    auto it = f.cbegin();
    for (;;) {
        it = std::search(it, f.cend(), searcher);
        if (it == f.cend())
            return {};
        const qsizetype keyAt = it - f.cbegin();
        if (keyAt >= 6) {
            const QByteArrayView rest = f.sliced(keyAt - 6);
            if (parseRoot(rest))
                return rest.first(rd16(rest, 0));
        }
        ++it;
    }
}

} // namespace moxversion
