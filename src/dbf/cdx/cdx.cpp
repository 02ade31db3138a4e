#include "dbf/cdx/cdx.h"

#include "dbf/cdx/cdxformat.h"
#include "base/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <optional>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace cdxfmt;

namespace {

// No sound tree is this deep (record numbers are 32 bits and every interior
// node holds at least two keys); a deeper descent means the nodes loop.
constexpr int MaxDepth = 64;

QString hex(quint32 offset) { return QStringLiteral("0x%1").arg(offset, 0, 16); }

int compareEntry(const char *a, quint32 ra, const char *b, quint32 rb, int keyLength)
{
    const int c = std::memcmp(a, b, size_t(keyLength));
    if (c != 0)
        return c;
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// The whole index file, held in memory while a tag is in use. Changed pages
// are marked and written back by commit().
class CdxFile {
public:
    QString path;
    QFile file;
    std::vector<char> image;
    std::vector<quint8> dirty;   // per page
    std::vector<quint32> dirtyList;  // pages marked in dirty, in marking order
    quint32 freeHead = 0;        // first page of the free-page chain, 0 = none

    [[noreturn]] void fail(const QString &what) const
    {
        throw EMoxError(QStringLiteral("Index file %1: %2").arg(QDir::toNativeSeparators(path), what));
    }
    [[noreturn]] void failNode(quint32 offset, const QString &what) const
    {
        fail(QStringLiteral("index node at offset %1: %2").arg(hex(offset), what));
    }

    quint32 size() const { return quint32(image.size()); }
    quint32 pageCount() const { return size() / PageSize; }
    const char *at(quint32 offset) const { return image.data() + offset; }
    char *change(quint32 offset, int pages = 1)
    {
        for (int i = 0; i < pages; ++i)
            markDirty(offset / PageSize + quint32(i));
        return image.data() + offset;
    }

    void markDirty(quint32 page)
    {
        if (!dirty[page]) {
            dirty[page] = 1;
            dirtyList.push_back(page);
        }
    }

    // A page offset that can hold a node (the first two pages are the
    // directory header).
    bool validNodeOffset(quint32 offset) const
    {
        return offset % PageSize == 0 && offset >= quint32(TagHeaderSize) && quint64(offset) + PageSize <= size();
    }
    bool validHeaderOffset(quint32 offset) const
    {
        return offset % PageSize == 0 && offset >= quint32(TagHeaderSize)
            && quint64(offset) + TagHeaderSize <= size();
    }

    void openFile(QIODevice::OpenMode mode)
    {
        file.setFileName(path);
        if (!file.open(mode | QIODevice::Unbuffered)) {
            if (mode & QIODevice::Truncate || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                fail(QStringLiteral("cannot be opened: %1").arg(file.errorString()));
        }
    }

    // Reads an existing file whole and checks its directory header.
    void load()
    {
        openFile(QIODevice::ReadWrite);
        const qint64 len = file.size();
        if (len < TagHeaderSize + PageSize)
            fail(QStringLiteral("is too short to be a compound index (%1 bytes)").arg(len));
        if (len > qint64(0xFFFFFE00))
            fail(QStringLiteral("is too large to be a compound index"));
        image.assign(size_t((len + PageSize - 1) / PageSize * PageSize), 0);
        if (file.read(image.data(), len) != len)
            fail(QStringLiteral("cannot be read: %1").arg(file.errorString()));
        dirty.assign(pageCount(), 0);
        dirtyList.clear();
        TagHeader dir;
        const QString problem = decodeTagHeader(at(0), dir);
        if (!problem.isEmpty())
            fail(QStringLiteral("tag directory header: %1").arg(problem));
        if (!validNodeOffset(dir.root))
            fail(QStringLiteral("tag directory root offset %1 lies outside the file").arg(hex(dir.root)));
        loadFreeList(dir.freeList);
    }

    // Keeps the free-page chain only when every link is sound; a damaged
    // chain is dropped (its pages stay unused) rather than followed.
    void loadFreeList(quint32 head)
    {
        freeHead = 0;
        std::vector<bool> seen(pageCount(), false);
        for (quint32 p = head; p != 0 && p != NoPage; p = getLE32(at(p))) {
            if (!validNodeOffset(p) || seen[p / PageSize])
                return;
            seen[p / PageSize] = true;
        }
        freeHead = head == NoPage ? 0 : head;
    }

    // Starts an empty file: the directory header only.
    void startFresh()
    {
        image.assign(size_t(TagHeaderSize), 0);
        dirty.assign(pageCount(), 0);
        dirtyList.clear();
        markDirty(0);
        markDirty(1);
        freeHead = 0;
    }

    void setFreeHead(quint32 head)
    {
        freeHead = head;
        putLE32(change(0) + 4, head);
    }

    quint32 appendPages(int pages)
    {
        const quint32 offset = size();
        if (quint64(offset) + quint64(pages) * PageSize > 0xFFFFFE00ull)
            fail(QStringLiteral("would grow beyond 4 GB"));
        image.resize(image.size() + size_t(pages) * PageSize, 0);
        dirty.resize(pageCount(), 0);
        for (quint32 p = offset / PageSize; p < pageCount(); ++p)
            markDirty(p);
        return offset;
    }

    quint32 allocPage()
    {
        if (freeHead == 0)
            return appendPages(1);
        const quint32 page = freeHead;
        const quint32 next = getLE32(at(page));
        setFreeHead(validNodeOffset(next) ? next : 0);
        std::memset(change(page), 0, PageSize);
        return page;
    }

    void freePage(quint32 page)
    {
        char *p = change(page);
        std::memset(p, 0, PageSize);
        putLE32(p, freeHead);
        setFreeHead(page);
    }

    Node readNode(quint32 offset, int keyLength, char fill) const
    {
        if (!validNodeOffset(offset))
            fail(QStringLiteral("index node offset %1 lies outside the file").arg(hex(offset)));
        Node node;
        const QString problem = decodeNode(at(offset), keyLength, fill, node);
        if (!problem.isEmpty())
            failNode(offset, problem);
        for (quint32 child : node.children)
            if (!validNodeOffset(child))
                failNode(offset, QStringLiteral("points to offset %1, outside the file").arg(hex(child)));
        if (node.left != NoPage && !validNodeOffset(node.left))
            failNode(offset, QStringLiteral("left sibling offset %1 lies outside the file").arg(hex(node.left)));
        if (node.right != NoPage && !validNodeOffset(node.right))
            failNode(offset, QStringLiteral("right sibling offset %1 lies outside the file").arg(hex(node.right)));
        return node;
    }

    // Writes every changed page to the file (and cuts the file to the image).
    void commit()
    {
        // Runs of neighbouring pages go out in one write.
        std::sort(dirtyList.begin(), dirtyList.end());
        for (size_t a = 0; a < dirtyList.size();) {
            size_t b = a + 1;
            while (b < dirtyList.size() && dirtyList[b] == dirtyList[b - 1] + 1)
                ++b;
            const qint64 offset = qint64(dirtyList[a]) * PageSize, len = qint64(b - a) * PageSize;
            if (!file.seek(offset) || file.write(image.data() + offset, len) != len)
                fail(QStringLiteral("cannot be written: %1").arg(file.errorString()));
            a = b;
        }
        for (quint32 p : dirtyList)
            dirty[p] = 0;
        dirtyList.clear();
        if (file.size() > qint64(size()) && !file.resize(size()))
            fail(QStringLiteral("cannot be written: %1").arg(file.errorString()));
    }

    // Visits every node of a tree once, depth first in key order; leaves are
    // passed to onLeaf, every page offset to onPage. A page reached twice
    // (nodes pointing in a loop or sharing a child) is an error.
    void walk(quint32 root, int keyLength, char fill, const std::function<void(const Node &)> &onLeaf,
              const std::function<void(quint32)> &onPage) const
    {
        std::vector<bool> seen(pageCount(), false);
        std::function<void(quint32, int)> visit = [&](quint32 offset, int depth) {
            if (depth > MaxDepth)
                failNode(offset, QStringLiteral("the index nodes form a loop"));
            if (!validNodeOffset(offset))
                fail(QStringLiteral("index node offset %1 lies outside the file").arg(hex(offset)));
            if (seen[offset / PageSize])
                failNode(offset, QStringLiteral("is reached twice (the index nodes form a loop)"));
            seen[offset / PageSize] = true;
            Node node = readNode(offset, keyLength, fill);
            if (onPage)
                onPage(offset);
            if (node.isLeaf()) {
                if (onLeaf)
                    onLeaf(node);
                return;
            }
            for (quint32 child : node.children)
                visit(child, depth + 1);
        };
        visit(root, 0);
    }

    // Builds a tree bottom-up from sorted entries; returns its root offset.
    quint32 buildTree(const char *keys, const quint32 *recnos, size_t n, int keyLength, char fill)
    {
        const size_t kl = size_t(keyLength);
        struct Built {
            quint32 offset;
            size_t last;  // index of the subtree's last entry
        };
        std::vector<Built> level;

        if (n == 0) {
            Node empty;
            empty.keyLength = keyLength;
            empty.attr = AttrRoot | AttrLeaf;
            const quint32 root = allocPage();
            encodeLeaf(empty, leafLayout(keyLength, 1), fill, change(root));
            return root;
        }

        // Leaves: as many entries as fit, with one layout for all.
        quint32 maxRec = 0;
        for (size_t i = 0; i < n; ++i)
            maxRec = std::max(maxRec, recnos[i]);
        const LeafLayout layout = leafLayout(keyLength, maxRec);
        std::vector<std::pair<size_t, size_t>> ranges;
        {
            size_t begin = 0;
            int used = 0, prevTrail = 0;
            for (size_t i = 0; i < n; ++i) {
                const char *k = keys + i * kl;
                int trail = 0;
                while (trail < keyLength && k[kl - 1 - size_t(trail)] == fill)
                    ++trail;
                int dup = 0;
                if (i > begin) {
                    const int cap = keyLength - std::max(trail, prevTrail);
                    const char *p = k - kl;
                    while (dup < cap && k[dup] == p[dup])
                        ++dup;
                }
                int need = layout.bytes + keyLength - dup - trail;
                if (used + need > LeafArea) {
                    ranges.emplace_back(begin, i);
                    begin = i;
                    used = 0;
                    need = layout.bytes + keyLength - trail;
                }
                used += need;
                prevTrail = trail;
            }
            ranges.emplace_back(begin, n);
        }
        const bool single = ranges.size() == 1;
        std::vector<quint32> offsets(ranges.size());
        for (quint32 &o : offsets)
            o = allocPage();
        Node node;
        node.keyLength = keyLength;
        for (size_t r = 0; r < ranges.size(); ++r) {
            const auto [b, e] = ranges[r];
            node.attr = single ? (AttrRoot | AttrLeaf) : AttrLeaf;
            node.left = r == 0 ? NoPage : offsets[r - 1];
            node.right = r + 1 == ranges.size() ? NoPage : offsets[r + 1];
            node.keys.assign(keys + b * kl, (e - b) * kl);
            node.recnos.assign(recnos + b, recnos + e);
            if (!encodeLeaf(node, layout, fill, change(offsets[r])))
                fail(QStringLiteral("internal error: leaf overflow while building"));
            level.push_back({offsets[r], e - 1});
        }

        // Interior levels: each entry is the last key of its child.
        const size_t cap = size_t(interiorCapacity(keyLength));
        node.children.clear();
        while (level.size() > 1) {
            std::vector<Built> upper;
            const size_t count = (level.size() + cap - 1) / cap;
            std::vector<quint32> offs(count);
            for (quint32 &o : offs)
                o = allocPage();
            for (size_t g = 0; g < count; ++g) {
                const size_t b = g * cap, e = std::min(level.size(), b + cap);
                node.attr = count == 1 ? AttrRoot : 0;
                node.left = g == 0 ? NoPage : offs[g - 1];
                node.right = g + 1 == count ? NoPage : offs[g + 1];
                node.keys.clear();
                node.recnos.clear();
                node.children.clear();
                for (size_t i = b; i < e; ++i) {
                    node.keys.append(keys + level[i].last * kl, kl);
                    node.recnos.push_back(recnos[level[i].last]);
                    node.children.push_back(level[i].offset);
                }
                encodeInterior(node, change(offs[g]));
                upper.push_back({offs[g], level[e - 1].last});
            }
            level.swap(upper);
        }
        return level.front().offset;
    }

    // Every page of a tree, for release.
    std::vector<quint32> treePages(quint32 root, int keyLength, char fill) const
    {
        std::vector<quint32> pages;
        walk(root, keyLength, fill, nullptr, [&](quint32 p) { pages.push_back(p); });
        return pages;
    }
};

struct DirEntry {
    QByteArray key;   // name, upper case, blank-padded to 10
    quint32 header;
};

QByteArray directoryKey(const QString &upperName)
{
    QByteArray key = upperName.toLatin1();
    key.append(DirectoryKeyLength - key.size(), ' ');
    return key;
}

std::vector<DirEntry> readDirectory(const CdxFile &f)
{
    TagHeader dir;
    decodeTagHeader(f.at(0), dir);
    std::vector<DirEntry> entries;
    f.walk(dir.root, dir.keyLength, ' ', [&](const Node &leaf) {
        for (int i = 0; i < leaf.count(); ++i)
            entries.push_back({QByteArray(leaf.key(i), dir.keyLength), leaf.recnos[size_t(i)]});
    }, nullptr);
    return entries;
}

// Writes a directory tree (and header) listing the given tags.
void writeDirectory(CdxFile &f, std::vector<DirEntry> entries)
{
    std::sort(entries.begin(), entries.end(), [](const DirEntry &a, const DirEntry &b) { return a.key < b.key; });
    std::string keys;
    std::vector<quint32> recnos;
    for (const DirEntry &e : entries) {
        keys.append(e.key.constData(), DirectoryKeyLength);
        recnos.push_back(e.header);
    }
    const quint32 root = f.buildTree(keys.data(), recnos.data(), recnos.size(), DirectoryKeyLength, ' ');
    TagHeader dir;
    dir.root = root;
    dir.freeList = f.freeHead;
    dir.keyLength = DirectoryKeyLength;
    dir.options = OptDirectory;
    encodeTagHeader(dir, f.change(0, 2));
}

QString checkedTagName(const QString &path, const QString &tagName)
{
    const QString name = moxtext::upperAZ(tagName.trimmed());
    bool ok = !name.isEmpty() && name.size() <= DirectoryKeyLength && name.at(0) >= QLatin1Char('A')
        && name.at(0) <= QLatin1Char('Z');
    for (QChar c : name)
        ok = ok && ((c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                    || c == QLatin1Char('_'));
    if (!ok)
        throw EMoxError(QStringLiteral("Index file %1: tag name \"%2\" is not valid (a letter, then letters, digits or "
                                       "underscores, at most 10)")
                            .arg(QDir::toNativeSeparators(path), tagName));
    return name;
}

} // namespace

struct CdxIndex::Impl {
    CdxFile f;
    QString tag;
    quint32 headerOffset = 0;
    TagHeader header;
    CdxKeyKind kind = CdxKeyKind::Character;
    char fill = ' ';

    // Position: an entry of a decoded leaf, or past the end (pos < 0).
    Node leaf;
    quint32 leafOffset = 0;
    int pos = -1;
    quint32 hops = 0;        // leaves stepped through since positioning
    // After a change of the tree the decoded leaf is stale; the entry at the
    // position is then found again by its key and record number.
    bool stale = false;
    std::string savedKey;
    quint32 savedRecno = 0;

    int keyLength() const { return header.keyLength; }

    void setRoot(quint32 root)
    {
        header.root = root;
        putLE32(f.change(headerOffset, 2), root);
    }

    // Descends to the leaf that holds the first entry not below the target
    // (below(key, recno) tells whether an entry lies below it) and decodes it
    // into leafOut. With toLast the last child is taken when every entry lies
    // below (for inserting past the end); otherwise that gives NoPage.
    quint32 descend(const std::function<bool(const char *, quint32)> &below, bool toLast, Node &leafOut,
                    std::vector<std::pair<quint32, Node>> *path, std::vector<int> *chosen) const
    {
        quint32 offset = header.root;
        for (int depth = 0;; ++depth) {
            if (depth > MaxDepth)
                f.failNode(header.root, QStringLiteral("the index nodes form a loop"));
            if (!path && !toLast && f.validNodeOffset(offset)) {
                // Plain descent: search the interior page in place.
                const char *page = f.at(offset);
                const int count = getLE16(page + 2);
                if (!(getLE16(page) & AttrLeaf) && count > 0 && count <= interiorCapacity(keyLength())) {
                    const size_t step = size_t(keyLength()) + 8;
                    const char *first = page + NodeHeaderSize;
                    int lo = 0, hi = count;
                    while (lo < hi) {
                        const int mid = (lo + hi) / 2;
                        const char *e = first + size_t(mid) * step;
                        if (below(e, getBE32(e + keyLength())))
                            lo = mid + 1;
                        else
                            hi = mid;
                    }
                    if (lo == count)
                        return NoPage;
                    const quint32 child = getBE32(first + size_t(lo) * step + size_t(keyLength()) + 4);
                    if (!f.validNodeOffset(child))
                        f.failNode(offset, QStringLiteral("points to offset %1, outside the file").arg(hex(child)));
                    offset = child;
                    continue;
                }
            }
            Node node = f.readNode(offset, keyLength(), fill);
            if (node.isLeaf()) {
                leafOut = std::move(node);
                return offset;
            }
            int lo = 0, hi = node.count();
            while (lo < hi) {
                const int mid = (lo + hi) / 2;
                if (below(node.key(mid), node.recnos[size_t(mid)]))
                    lo = mid + 1;
                else
                    hi = mid;
            }
            if (lo == node.count()) {
                if (!toLast)
                    return NoPage;
                lo = node.count() - 1;
            }
            const quint32 child = node.children[size_t(lo)];
            if (path) {
                path->emplace_back(offset, std::move(node));
                chosen->push_back(lo);
            }
            offset = child;
        }
    }

    // Moves to the right sibling when the position runs past a leaf.
    void settle()
    {
        while (pos >= leaf.count()) {
            if (leaf.right == NoPage) {
                pos = -1;
                return;
            }
            if (++hops > f.pageCount())
                f.failNode(leafOffset, QStringLiteral("the chain of leaf nodes forms a loop"));
            const quint32 next = leaf.right;
            leaf = f.readNode(next, keyLength(), fill);
            if (!leaf.isLeaf())
                f.failNode(next, QStringLiteral("is not a leaf but is linked as one"));
            leafOffset = next;
            pos = 0;
        }
    }

    // Positions on the first entry not below the target.
    void position(const std::function<bool(const char *, quint32)> &below)
    {
        stale = false;
        hops = 0;
        pos = -1;
        const quint32 offset = descend(below, false, leaf, nullptr, nullptr);
        if (offset == NoPage)
            return;
        leafOffset = offset;
        pos = 0;
        for (;;) {
            int lo = pos, hi = leaf.count();
            while (lo < hi) {
                const int mid = (lo + hi) / 2;
                if (below(leaf.key(mid), leaf.recnos[size_t(mid)]))
                    lo = mid + 1;
                else
                    hi = mid;
            }
            pos = lo;
            if (pos < leaf.count())
                return;
            settle();
            if (pos < 0)
                return;
        }
    }

    void rememberPosition()
    {
        if (stale || pos < 0)
            return;
        savedKey.assign(leaf.key(pos), size_t(keyLength()));
        savedRecno = leaf.recnos[size_t(pos)];
        stale = true;
    }

    // Finds the remembered entry again; true when it is still there.
    bool restorePosition()
    {
        const std::string key = savedKey;
        const quint32 recno = savedRecno;
        const int kl = keyLength();
        position([&](const char *k, quint32 r) { return compareEntry(k, r, key.data(), recno, kl) < 0; });
        return pos >= 0 && std::memcmp(leaf.key(pos), key.data(), size_t(kl)) == 0 && leaf.recnos[size_t(pos)] == recno;
    }

    // True when some entry carries exactly this key (the position stays).
    bool hasKey(const char *key) const
    {
        const size_t kl = size_t(keyLength());
        auto below = [&](const char *k, quint32) { return std::memcmp(k, key, kl) < 0; };
        Node node;
        quint32 offset = descend(below, false, node, nullptr, nullptr);
        for (int hop = 0; offset != NoPage && hop < 2; ++hop) {
            if (hop > 0)
                node = f.readNode(offset, keyLength(), fill);
            for (int i = 0; i < node.count(); ++i)
                if (!below(node.key(i), 0))
                    return std::memcmp(node.key(i), key, kl) == 0;
            offset = node.right;
        }
        return false;
    }

    void insert(const char *key, quint32 recno);
    void splitLeaf(Node &node, int inserted, Node &right);
    void linkRight(quint32 leftOffset, Node &left, Node &right, quint32 rightOffset);
};

void CdxIndex::Impl::linkRight(quint32 leftOffset, Node &left, Node &right, quint32 rightOffset)
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
void CdxIndex::Impl::splitLeaf(Node &node, int inserted, Node &right)
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

void CdxIndex::Impl::insert(const char *key, quint32 recno)
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

CdxIndex CdxIndex::build(const QString &path, const QString &tagName, const QString &expression, int keyLength,
                         std::vector<std::pair<QByteArray, quint32>> keys, CdxKeyKind kind)
{
    auto d = std::make_unique<Impl>();
    CdxFile &f = d->f;
    f.path = path;
    d->tag = checkedTagName(path, tagName);
    d->kind = kind;
    d->fill = kind == CdxKeyKind::Character ? ' ' : '\0';
    if (keyLength < 1 || keyLength > MaxKeyLength)
        f.fail(QStringLiteral("key length %1 is outside 1..%2").arg(keyLength).arg(MaxKeyLength));
    const QByteArray expr = moxtext::toCp1250(expression);
    if (expr.size() + 1 > ExpressionPool)
        f.fail(QStringLiteral("key expression is longer than %1 characters").arg(ExpressionPool - 1));

    // Keys into one block, then sorted by (key, record number).
    const size_t n = keys.size();
    const size_t kl = size_t(keyLength);
    std::string block(n * kl, d->fill);
    std::vector<quint32> recnos(n);
    for (size_t i = 0; i < n; ++i) {
        const QByteArray &k = keys[i].first;
        if (k.size() > keyLength)
            f.fail(QStringLiteral("key of record %1 is %2 bytes long, the tag's keys %3")
                       .arg(keys[i].second).arg(k.size()).arg(keyLength));
        if (keys[i].second == 0)
            f.fail(QStringLiteral("record number 0 given for a key"));
        std::memcpy(block.data() + i * kl, k.constData(), size_t(k.size()));
        recnos[i] = keys[i].second;
    }
    keys.clear();
    keys.shrink_to_fit();
    struct Item {
        quint64 head;   // first eight key bytes, big-endian, for quick comparison
        quint32 index;
    };
    std::vector<Item> order(n);
    for (size_t i = 0; i < n; ++i) {
        unsigned char b[8] = {};
        std::memcpy(b, block.data() + i * kl, std::min<size_t>(8, kl));
        order[i] = {qFromBigEndian<quint64>(b), quint32(i)};
    }
    const char *base = block.data();
    std::sort(order.begin(), order.end(), [&](const Item &a, const Item &b) {
        if (a.head != b.head)
            return a.head < b.head;
        if (kl > 8) {
            const int c = std::memcmp(base + size_t(a.index) * kl + 8, base + size_t(b.index) * kl + 8, kl - 8);
            if (c != 0)
                return c < 0;
        }
        return recnos[a.index] < recnos[b.index];
    });
    std::string sorted(n * kl, '\0');
    std::vector<quint32> sortedRec(n);
    for (size_t i = 0; i < n; ++i) {
        std::memcpy(sorted.data() + i * kl, base + size_t(order[i].index) * kl, kl);
        sortedRec[i] = recnos[order[i].index];
    }
    std::string().swap(block);
    std::vector<Item>().swap(order);

    // Place the tag in the file: a new file, a replaced tag, or a new tag.
    const QByteArray dirKey = directoryKey(d->tag);
    std::vector<DirEntry> dir;
    bool fresh = true;
    if (QFileInfo(path).exists() && QFileInfo(path).size() > 0) {
        f.load();
        dir = readDirectory(f);
        for (const DirEntry &e : dir)
            if (e.key != dirKey)
                fresh = false;
    } else {
        f.openFile(QIODevice::ReadWrite | QIODevice::Truncate);
    }
    if (fresh) {
        // Only this tag (or none): start the file anew, laid out as directory
        // header, directory root, tag header, tag nodes.
        f.startFresh();
        const quint32 dirRoot = f.appendPages(1);
        d->headerOffset = f.appendPages(2);
        f.freePage(dirRoot);
        writeDirectory(f, {{dirKey, d->headerOffset}});
    } else {
        auto it = std::find_if(dir.begin(), dir.end(), [&](const DirEntry &e) { return e.key == dirKey; });
        if (it != dir.end()) {
            d->headerOffset = it->header;
            if (!f.validHeaderOffset(d->headerOffset))
                f.fail(QStringLiteral("header of tag %1 at offset %2 lies outside the file").arg(d->tag, hex(d->headerOffset)));
            TagHeader old;
            if (decodeTagHeader(f.at(d->headerOffset), old).isEmpty()) {
                // The old tree's pages are reused. A damaged old tree is what a
                // rebuild repairs: its pages are then simply left unused.
                std::vector<quint32> pages;
                try {
                    pages = f.treePages(old.root, old.keyLength, d->fill);
                } catch (const EMoxError &) {
                    pages.clear();
                }
                for (quint32 p : pages)
                    f.freePage(p);
            }
        } else {
            TagHeader dirHeader;
            decodeTagHeader(f.at(0), dirHeader);
            d->headerOffset = f.appendPages(2);
            for (quint32 p : f.treePages(dirHeader.root, dirHeader.keyLength, ' '))
                f.freePage(p);
            dir.push_back({dirKey, d->headerOffset});
            writeDirectory(f, dir);
        }
    }

    d->header = TagHeader();
    d->header.keyLength = keyLength;
    d->header.options = OptTag;
    d->header.keyExpression = expr;
    d->header.root = f.buildTree(sorted.data(), sortedRec.data(), n, keyLength, d->fill);
    encodeTagHeader(d->header, f.change(d->headerOffset, 2));
    f.commit();
    return CdxIndex(std::move(d));
}

CdxIndex CdxIndex::open(const QString &path, const QString &tagName, CdxKeyKind kind)
{
    auto d = std::make_unique<Impl>();
    CdxFile &f = d->f;
    f.path = path;
    d->tag = checkedTagName(path, tagName);
    d->kind = kind;
    d->fill = kind == CdxKeyKind::Character ? ' ' : '\0';
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
