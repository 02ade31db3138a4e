#pragma once
// What the parts of the compact index share: the in-memory image of an index
// file, the tag directory helpers and the state of one open tag. Only the
// index's own source files include this header.
#include "dbf/cdx/cdx.h"

#include "dbf/cdx/cdxformat.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace cdxdetail {

using namespace cdxfmt;

// No sound tree is this deep (record numbers are 32 bits and every interior
// node holds at least two keys); a deeper descent means the nodes loop.
constexpr int MaxDepth = 64;

inline QString hex(quint32 offset) { return QStringLiteral("0x%1").arg(offset, 0, 16); }

inline int compareEntry(const char *a, quint32 ra, const char *b, quint32 rb, int keyLength)
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
    // Nodes decoded from the image as it is now, by offset: seeks decode each
    // page they pass once, not on every seek. Any change of the image empties
    // it.
    mutable std::unordered_map<quint32, Node> decoded;
    static constexpr size_t MaxDecoded = 256;

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
        decoded.clear();
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
        decoded.clear();
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
        if (const auto known = decoded.find(offset); known != decoded.end())
            return known->second;
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
        if (decoded.size() >= MaxDecoded)
            decoded.clear();
        decoded.emplace(offset, node);
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
    quint32 buildTree(const char *keys, const quint32 *recnos, size_t n, int keyLength, char fill);

    // Every page of a tree, for release.
    std::vector<quint32> treePages(quint32 root, int keyLength, char fill) const
    {
        std::vector<quint32> pages;
        walk(root, keyLength, fill, nullptr, [&](quint32 p) { pages.push_back(p); });
        return pages;
    }
};

// One entry of the tag directory: a tag name and the offset of its header.
struct DirEntry {
    QByteArray key;   // name, upper case, blank-padded to 10
    quint32 header;
};

// The directory key of a tag name (upper case, blank-padded).
QByteArray directoryKey(const QString &upperName);
// The tags listed in the directory of a loaded file.
std::vector<DirEntry> readDirectory(const CdxFile &f);
// Writes a directory tree (and header) listing the given tags.
void writeDirectory(CdxFile &f, std::vector<DirEntry> entries);
// The tag name upper case, or an error when it is not a valid name.
QString checkedTagName(const QString &path, const QString &tagName);

// One open tag: its header, the file image and the position in key order.
struct TagState {
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

    // Names the file and tag this state is for (the tag name checked and
    // upper case) and sets the key filler of the kind.
    void name(const QString &path, const QString &tagName, CdxKeyKind keyKind)
    {
        f.path = path;
        tag = checkedTagName(path, tagName);
        kind = keyKind;
        fill = keyKind == CdxKeyKind::Character ? ' ' : '\0';
    }

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

} // namespace cdxdetail

struct CdxIndex::Impl : cdxdetail::TagState {
};
