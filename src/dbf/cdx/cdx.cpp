#include "dbf/cdx/cdx_p.h"

#include "base/text.h"

#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <optional>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace cdxdetail;

void TagState::linkRight(quint32 leftOffset, Node &left, Node &right, quint32 rightOffset)
{
    right.attr = left.attr;
    right.left = leftOffset;
    right.right = left.right;
    left.right = rightOffset;
    if (right.right != NoPage) {
        if (!f.validNodeOffset(right.right))
            f.failNode(leftOffset, QStringLiteral("right sibling offset %1 lies outside the file").arg(hex(right.right)));
        putLE32(f.change(right.right) + 4, rightOffset);
    }
}

// Splits a leaf that no longer fits into node (kept) and right (new).
void TagState::splitLeaf(Node &node, int inserted, Node &right)
{
    const int n = node.count();
    const int kl = keyLength();
    quint32 maxRec = 0;
    for (quint32 r : node.recnos)
        maxRec = std::max(maxRec, r);
    const LeafLayout layout = leafLayout(kl, maxRec);
    const LeafSizes s = leafSizes(node, fill);
    // size of entries [0, k) as a node, and of [k, n)
    std::vector<int> prefix(size_t(n) + 1, 0);
    for (int i = 0; i < n; ++i)
        prefix[size_t(i) + 1] = prefix[size_t(i)] + layout.bytes + kl - (i == 0 ? 0 : s.dup[size_t(i)]) - s.trail[size_t(i)];
    auto leftSize = [&](int k) { return prefix[size_t(k)]; };
    auto rightSize = [&](int k) {
        return layout.bytes + kl - s.trail[size_t(k)] + (prefix[size_t(n)] - prefix[size_t(k) + 1]);
    };
    int split = -1;
    if (inserted == n - 1 && node.right == NoPage && leftSize(n - 1) <= LeafArea) {
        split = n - 1;  // appending at the end: keep the full leaf full
    } else {
        int best = INT_MAX;
        for (int k = 1; k < n; ++k) {
            const int l = leftSize(k), r = rightSize(k);
            if (l <= LeafArea && r <= LeafArea && std::max(l, r) < best) {
                best = std::max(l, r);
                split = k;
            }
        }
    }
    if (split < 0)
        f.failNode(leafOffset, QStringLiteral("cannot be split"));
    right.keyLength = kl;
    right.keys.assign(node.keys, size_t(split) * size_t(kl), std::string::npos);
    right.recnos.assign(node.recnos.begin() + split, node.recnos.end());
    node.keys.resize(size_t(split) * size_t(kl));
    node.recnos.resize(size_t(split));
}

void TagState::insert(const char *key, quint32 recno)
{
    const int kl = keyLength();
    std::vector<std::pair<quint32, Node>> path;
    std::vector<int> chosen;
    Node node;
    const quint32 leafOff = descend([&](const char *k, quint32 r) { return compareEntry(k, r, key, recno, kl) <= 0; },
                                    true, node, &path, &chosen);

    // Equal keys go after the existing ones with a lower record number.
    int at = node.count();
    {
        int lo = 0, hi = node.count();
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            if (compareEntry(node.key(mid), node.recnos[size_t(mid)], key, recno, kl) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        at = lo;
    }
    node.keys.insert(size_t(at) * size_t(kl), key, size_t(kl));
    node.recnos.insert(node.recnos.begin() + at, recno);

    // The changed node at the current level, and the new right half if it split.
    quint32 curOffset = leafOff;
    std::optional<std::pair<quint32, Node>> split;
    if (!encodeLeaf(node, fill, f.change(curOffset))) {
        Node right;
        splitLeaf(node, at, right);
        const quint32 rightOffset = f.allocPage();
        node.attr = AttrLeaf;   // a split root leaf gets a root above it
        linkRight(curOffset, node, right, rightOffset);
        if (!encodeLeaf(node, fill, f.change(curOffset)) || !encodeLeaf(right, fill, f.change(rightOffset)))
            f.failNode(curOffset, QStringLiteral("cannot be split"));
        split.emplace(rightOffset, std::move(right));
    }

    // Carry the new last keys (and the new node) up the path.
    const int cap = interiorCapacity(kl);
    Node *child = &node;
    for (int level = int(path.size()) - 1; level >= 0; --level) {
        quint32 offset = path[size_t(level)].first;
        Node &parent = path[size_t(level)].second;
        const int i = chosen[size_t(level)];
        const char *lastKey = child->key(child->count() - 1);
        const quint32 lastRec = child->recnos.back();
        bool changed = false;
        if (std::memcmp(parent.key(i), lastKey, size_t(kl)) != 0 || parent.recnos[size_t(i)] != lastRec) {
            std::memcpy(parent.keys.data() + size_t(i) * size_t(kl), lastKey, size_t(kl));
            parent.recnos[size_t(i)] = lastRec;
            changed = true;
        }
        if (split) {
            Node &r = split->second;
            parent.keys.insert(size_t(i + 1) * size_t(kl), r.key(r.count() - 1), size_t(kl));
            parent.recnos.insert(parent.recnos.begin() + i + 1, r.recnos.back());
            parent.children.insert(parent.children.begin() + i + 1, split->first);
            changed = true;
        }
        if (!changed)
            return;
        if (parent.count() <= cap) {
            encodeInterior(parent, f.change(offset));
            split.reset();
        } else {
            const int n = parent.count();
            const int k = (i + 1 == n - 1 && parent.right == NoPage) ? n - 1 : n / 2;
            Node right;
            right.keyLength = kl;
            right.keys.assign(parent.keys, size_t(k) * size_t(kl), std::string::npos);
            right.recnos.assign(parent.recnos.begin() + k, parent.recnos.end());
            right.children.assign(parent.children.begin() + k, parent.children.end());
            parent.keys.resize(size_t(k) * size_t(kl));
            parent.recnos.resize(size_t(k));
            parent.children.resize(size_t(k));
            parent.attr &= quint16(~AttrRoot);
            const quint32 rightOffset = f.allocPage();
            linkRight(offset, parent, right, rightOffset);
            encodeInterior(parent, f.change(offset));
            encodeInterior(right, f.change(rightOffset));
            split.emplace(rightOffset, std::move(right));
        }
        child = &parent;
    }

    if (split) {
        // The root split: a new root above the two halves.
        const quint32 leftOffset = path.empty() ? leafOff : path.front().first;
        Node root;
        root.keyLength = kl;
        root.attr = AttrRoot;
        root.keys.append(child->key(child->count() - 1), size_t(kl));
        root.recnos.push_back(child->recnos.back());
        root.children.push_back(leftOffset);
        Node &r = split->second;
        root.keys.append(r.key(r.count() - 1), size_t(kl));
        root.recnos.push_back(r.recnos.back());
        root.children.push_back(split->first);
        const quint32 rootOffset = f.allocPage();
        encodeInterior(root, f.change(rootOffset));
        setRoot(rootOffset);
    }
}

// ---------------------------------------------------------------------------

CdxIndex::CdxIndex() = default;
CdxIndex::~CdxIndex() = default;
CdxIndex::CdxIndex(CdxIndex &&other) noexcept = default;
CdxIndex &CdxIndex::operator=(CdxIndex &&other) noexcept = default;
CdxIndex::CdxIndex(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

CdxIndex CdxIndex::open(const QString &path, const QString &tagName, CdxKeyKind kind)
{
    auto d = std::make_unique<Impl>();
    d->name(path, tagName, kind);
    CdxFile &f = d->f;
    if (!QFileInfo(path).exists())
        f.fail(QStringLiteral("does not exist"));
    f.load();
    const QByteArray dirKey = directoryKey(d->tag);
    bool found = false;
    for (const DirEntry &e : readDirectory(f)) {
        if (e.key == dirKey) {
            d->headerOffset = e.header;
            found = true;
        }
    }
    if (!found)
        f.fail(QStringLiteral("has no tag %1").arg(d->tag));
    if (!f.validHeaderOffset(d->headerOffset))
        f.fail(QStringLiteral("header of tag %1 at offset %2 lies outside the file").arg(d->tag, hex(d->headerOffset)));
    const QString problem = decodeTagHeader(f.at(d->headerOffset), d->header);
    if (!problem.isEmpty())
        f.fail(QStringLiteral("header of tag %1 at offset %2: %3").arg(d->tag, hex(d->headerOffset), problem));
    if (!f.validNodeOffset(d->header.root))
        f.fail(QStringLiteral("root of tag %1 at offset %2 lies outside the file").arg(d->tag, hex(d->header.root)));
    return CdxIndex(std::move(d));
}

QStringList CdxIndex::tagNames(const QString &path)
{
    CdxFile f;
    f.path = path;
    if (!QFileInfo(path).exists())
        f.fail(QStringLiteral("does not exist"));
    f.load();
    QStringList names;
    for (const DirEntry &e : readDirectory(f))
        names << QString::fromLatin1(e.key).trimmed();
    return names;
}

bool CdxIndex::isOpen() const { return d != nullptr; }
void CdxIndex::close() { d.reset(); }

CdxIndex::Impl &CdxIndex::impl() const
{
    if (!d)
        throw EMoxError(QStringLiteral("No index is open"));
    return *d;
}

void CdxIndex::insert(const QByteArray &key, quint32 recno)
{
    Impl &m = impl();
    const int kl = m.keyLength();
    if (key.size() > kl)
        m.f.fail(QStringLiteral("key of record %1 is %2 bytes long, the tag's keys %3").arg(recno).arg(key.size()).arg(kl));
    if (recno == 0)
        m.f.fail(QStringLiteral("record number 0 given for a key"));
    if (m.header.options & OptFilter)
        m.f.fail(QStringLiteral("tag %1 has a filter condition; keys cannot be added to it").arg(m.tag));
    QByteArray full = key;
    full.append(kl - key.size(), m.fill);
    if ((m.header.options & OptUnique) && m.hasKey(full.constData()))
        return;  // a unique tag keeps only the first record of each key
    m.rememberPosition();
    m.insert(full.constData(), recno);
    m.f.commit();
}

void CdxIndex::flush()
{
    Impl &m = impl();
    m.f.commit();
    const int fd = m.f.file.handle();
    if (fd >= 0) {
#ifdef Q_OS_WIN
        const int rc = _commit(fd);
#else
        const int rc = ::fsync(fd);
#endif
        if (rc != 0)
            m.f.fail(QStringLiteral("cannot be written to disk"));
    }
}

quint32 CdxIndex::seekPrefix(const QByteArray &prefix)
{
    Impl &m = impl();
    const int kl = m.keyLength();
    if (prefix.size() > kl) {
        m.stale = false;
        m.pos = -1;
        return 0;
    }
    const size_t len = size_t(prefix.size());
    const char *p = prefix.constData();
    m.position([&](const char *k, quint32) { return std::memcmp(k, p, len) < 0; });
    if (m.pos < 0 || std::memcmp(m.leaf.key(m.pos), p, len) != 0) {
        m.pos = -1;
        return 0;
    }
    return m.leaf.recnos[size_t(m.pos)];
}

bool CdxIndex::seekEntry(const QByteArray &key, quint32 recno)
{
    Impl &m = impl();
    const int kl = m.keyLength();
    if (key.size() > kl) {
        m.stale = false;
        m.pos = -1;
        return false;
    }
    m.savedKey.assign(key.constData(), size_t(key.size()));
    m.savedKey.append(size_t(kl - key.size()), m.fill);
    m.savedRecno = recno;
    return m.restorePosition();
}

quint32 CdxIndex::first()
{
    Impl &m = impl();
    m.position([](const char *, quint32) { return false; });
    return current();
}

quint32 CdxIndex::next()
{
    Impl &m = impl();
    if (m.stale) {
        if (!m.restorePosition())
            return current();  // the entry is gone: the position already is on the next one
    }
    if (m.pos < 0)
        return 0;
    ++m.pos;
    m.settle();
    return current();
}

quint32 CdxIndex::current() const
{
    if (!d)
        return 0;
    if (d->stale)
        return d->savedRecno;
    return d->pos < 0 ? 0 : d->leaf.recnos[size_t(d->pos)];
}

QByteArray CdxIndex::currentKey() const
{
    if (!d)
        return {};
    if (d->stale)
        return QByteArray(d->savedKey.data(), qsizetype(d->savedKey.size()));
    return d->pos < 0 ? QByteArray() : QByteArray(d->leaf.key(d->pos), d->keyLength());
}

void CdxIndex::clear()
{
    Impl &m = impl();
    std::vector<quint32> pages;
    try {
        pages = m.f.treePages(m.header.root, m.keyLength(), m.fill);
    } catch (const EMoxError &) {
        // A damaged tree is being emptied anyway: its pages are left unused.
        pages.clear();
    }
    for (quint32 p : pages)
        m.f.freePage(p);
    m.setRoot(m.f.buildTree(nullptr, nullptr, 0, m.keyLength(), m.fill));
    m.f.commit();
    m.stale = false;
    m.pos = -1;
}

int CdxIndex::keyLength() const { return d ? d->keyLength() : 0; }
QString CdxIndex::expression() const { return d ? moxtext::fromCp1250(d->header.keyExpression) : QString(); }
QString CdxIndex::tagName() const { return d ? d->tag : QString(); }
QString CdxIndex::path() const { return d ? d->f.path : QString(); }
CdxKeyKind CdxIndex::keyKind() const { return d ? d->kind : CdxKeyKind::Character; }
