#include "dbf/cdx/cdx_p.h"

#include "base/text.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>

using namespace cdxdetail;

// Builds a tree bottom-up from sorted entries; returns its root offset.
quint32 CdxFile::buildTree(const char *keys, const quint32 *recnos, size_t n, int keyLength, char fill)
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

CdxIndex CdxIndex::build(const QString &path, const QString &tagName, const QString &expression, int keyLength,
                         std::vector<std::pair<QByteArray, quint32>> keys, CdxKeyKind kind)
{
    auto d = std::make_unique<Impl>();
    d->name(path, tagName, kind);
    CdxFile &f = d->f;
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
