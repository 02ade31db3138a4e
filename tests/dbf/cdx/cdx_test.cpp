// The compact compound index: building, opening, seeking, inserting,
// damaged files.
#include "dbf/cdx/cdx.h"
#include "dbf/cdx/cdxformat.h"
#include "support/testenv.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

namespace {

using Entry = std::pair<QByteArray, quint32>;
using Entries = std::vector<Entry>;

QByteArray pad(QByteArray s, int len, char fill = ' ')
{
    s.append(len - s.size(), fill);
    return s;
}

// Every (key, record) of the tag in iteration order; stops (and fails) when
// there are far more entries than expected.
Entries walk(CdxIndex &index, size_t limit = 10'000'000)
{
    Entries out;
    for (quint32 r = index.first(); r != 0; r = index.next()) {
        out.emplace_back(index.currentKey(), r);
        if (out.size() > limit) {
            ADD_FAILURE() << "iteration does not end";
            break;
        }
    }
    return out;
}

Entries sortedPadded(Entries e, int len, char fill = ' ')
{
    for (auto &[k, r] : e)
        k = pad(k, len, fill);
    std::sort(e.begin(), e.end());
    return e;
}

QByteArray randomKey(std::mt19937 &rng, int maxLen)
{
    std::uniform_int_distribution<int> len(0, maxLen), ch(0, 35);
    QByteArray k;
    const int n = len(rng);
    for (int i = 0; i < n; ++i) {
        const int c = ch(rng);
        k.append(char(c < 10 ? '0' + c : 'A' + c - 10));
    }
    return k;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// Re-decodes every node of a tag, independently of the library's reader, and
// checks what no reader we know of checks: free-space counts, bit widths,
// compression caps, sibling chains on every level, interior entries equal to
// the last entry of their child, all leaves on one level, and key order.
class TreeChecker {
public:
    TreeChecker(const QString &path, const QString &tag) : m_file(readFile(path))
    {
        const char *d = m_file.constData();
        // The tag's header offset from the directory (a single root leaf).
        const quint32 dirRoot = cdxfmt::getLE32(d);
        cdxfmt::Node dir;
        EXPECT_TRUE(cdxfmt::decodeNode(d + dirRoot, 10, ' ', dir).isEmpty());
        EXPECT_EQ(dir.attr & 3, 3);
        const QByteArray key = pad(tag.toLatin1(), 10);
        for (int i = 0; i < dir.count(); ++i)
            if (QByteArray(dir.key(i), 10) == key)
                m_header = dir.recnos[size_t(i)];
        EXPECT_NE(m_header, 0u) << "tag not in directory";
        m_keyLength = cdxfmt::getLE16(d + m_header + 0x0C);
    }

    void check()
    {
        if (m_header == 0)
            return;
        const quint32 root = cdxfmt::getLE32(m_file.constData() + m_header);
        visit(root, 0, true);
        for (const auto &level : m_levels) {
            for (size_t i = 0; i < level.size(); ++i) {
                const cdxfmt::Node &n = m_nodes.at(level[i]);
                EXPECT_EQ(n.left, i == 0 ? cdxfmt::NoPage : level[i - 1]) << "left link of " << level[i];
                EXPECT_EQ(n.right, i + 1 == level.size() ? cdxfmt::NoPage : level[i + 1]) << "right link of " << level[i];
            }
        }
    }

    size_t keyCount() const { return m_keys; }

private:
    // Returns the last (key, record) of the subtree.
    std::pair<std::string, quint32> visit(quint32 offset, int depth, bool root)
    {
        const char *page = m_file.constData() + offset;
        cdxfmt::Node n;
        EXPECT_TRUE(cdxfmt::decodeNode(page, m_keyLength, ' ', n).isEmpty()) << "node " << offset;
        EXPECT_EQ(n.isRoot(), root) << "root bit of " << offset;
        if (m_levels.size() <= size_t(depth))
            m_levels.resize(size_t(depth) + 1);
        m_levels[size_t(depth)].push_back(offset);
        m_nodes[offset] = n;
        if (n.isLeaf()) {
            if (m_leafDepth < 0)
                m_leafDepth = depth;
            EXPECT_EQ(depth, m_leafDepth) << "leaf " << offset << " on another level";
            checkLeafBytes(page, offset);
            for (int i = 0; i < n.count(); ++i) {
                std::string k(n.key(i), size_t(m_keyLength));
                if (m_keys > 0) {
                    EXPECT_LE(std::make_pair(m_last, m_lastRec), std::make_pair(k, n.recnos[size_t(i)]))
                        << "order at leaf " << offset;
                }
                m_last = k;
                m_lastRec = n.recnos[size_t(i)];
                ++m_keys;
            }
            EXPECT_TRUE(n.count() > 0 || root) << "empty leaf " << offset;
            return {m_last, m_lastRec};
        }
        EXPECT_LE(n.count(), cdxfmt::interiorCapacity(m_keyLength));
        std::pair<std::string, quint32> last;
        for (int i = 0; i < n.count(); ++i) {
            last = visit(n.children[size_t(i)], depth + 1, false);
            EXPECT_EQ(std::string(n.key(i), size_t(m_keyLength)), last.first) << "interior key in " << offset;
            EXPECT_EQ(n.recnos[size_t(i)], last.second) << "interior record in " << offset;
        }
        return last;
    }

    void checkLeafBytes(const char *page, quint32 offset)
    {
        const int count = cdxfmt::getLE16(page + 2);
        const int r = quint8(page[20]), dc = quint8(page[21]), tc = quint8(page[22]), b = quint8(page[23]);
        EXPECT_EQ(r + dc + tc, 8 * b) << "widths of " << offset;
        EXPECT_EQ(cdxfmt::getLE32(page + 14), r == 32 ? 0xFFFFFFFFu : (1u << r) - 1);
        EXPECT_EQ(quint8(page[18]), (1u << dc) - 1);
        EXPECT_EQ(quint8(page[19]), (1u << tc) - 1);
        int stored = 0, prevTrail = 0;
        for (int i = 0; i < count; ++i) {
            quint64 v = 0;
            for (int j = b - 1; j >= 0; --j)
                v = (v << 8) | quint8(page[24 + i * b + j]);
            const int dup = int((v >> r) & ((1u << dc) - 1)), trail = int((v >> (r + dc)) & ((1u << tc) - 1));
            if (i == 0) {
                EXPECT_EQ(dup, 0);
            }
            EXPECT_LE(dup, m_keyLength - std::max(trail, prevTrail)) << "entry " << i << " of " << offset;
            stored += m_keyLength - dup - trail;
            prevTrail = trail;
        }
        EXPECT_EQ(cdxfmt::getLE16(page + 12), 488 - count * b - stored) << "free bytes of " << offset;
    }

    QByteArray m_file;
    quint32 m_header = 0;
    int m_keyLength = 0;
    int m_leafDepth = -1;
    std::vector<std::vector<quint32>> m_levels;
    std::map<quint32, cdxfmt::Node> m_nodes;
    std::string m_last;
    quint32 m_lastRec = 0;
    size_t m_keys = 0;
};

void checkTree(const QString &path, const QString &tag, size_t keys)
{
    TreeChecker c(path, tag);
    c.check();
    EXPECT_EQ(c.keyCount(), keys);
}

} // namespace

TEST(Cdx, BuildAndOpenKeepKeysInOrder)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    // cp1250 bytes: 0xC8 (Č) sorts after the ASCII letters.
    const Entries keys = {{"Smetana", 4}, {"\xC8" "apek", 1}, {"Dvo\xF8" "\xE1" "k", 2}, {"", 6},
                          {"Novak", 3}, {"Ha\x9A" "ek", 5}};
    CdxIndex built = CdxIndex::build(path, QStringLiteral("name"), QStringLiteral("NAME"), 20, keys);
    EXPECT_EQ(walk(built), sortedPadded(keys, 20));
    built.close();
    checkTree(path, QStringLiteral("NAME"), keys.size());

    CdxIndex index = CdxIndex::open(path, QStringLiteral("NAME"));
    EXPECT_EQ(index.keyLength(), 20);
    EXPECT_EQ(index.expression(), QStringLiteral("NAME"));
    EXPECT_EQ(index.tagName(), QStringLiteral("NAME"));
    EXPECT_EQ(walk(index), sortedPadded(keys, 20));
    EXPECT_EQ(CdxIndex::tagNames(path), QStringList{QStringLiteral("NAME")});
    EXPECT_EQ(QFileInfo(path).size() % 512, 0);
}

TEST(Cdx, SeekFindsFirstKeyWithPrefix)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 6,
                                     {{"120", 1}, {"121", 2}, {"13", 3}, {"2", 4}, {"ABC", 5}, {"AB", 6}, {"1", 7}});
    struct Case {
        const char *prefix;
        quint32 recno;
    } cases[] = {
        {"12", 1},      // "12" is absent: the first key beginning with it
        {"1", 7},       // "1" itself sorts before "12..."
        {"13", 3},
        {"14", 0},      // between keys: none
        {"", 7},        // empty: the first key
        {"120 ", 1},    // blanks of the key count
        {"120  X", 0},
        {"AB", 6},
        {"ABC", 5},
        {"ZZ", 0},      // past the end
        {"1234567", 0}, // longer than the key
    };
    for (const Case &c : cases)
        EXPECT_EQ(index.seekPrefix(c.prefix), c.recno) << "prefix '" << c.prefix << "'";

    // next() continues in key order after a seek.
    EXPECT_EQ(index.seekPrefix("12"), 1u);
    EXPECT_EQ(index.next(), 2u);
    EXPECT_EQ(index.next(), 3u);
    EXPECT_EQ(index.seekPrefix("ZZ"), 0u);
    EXPECT_EQ(index.current(), 0u);
    EXPECT_EQ(index.next(), 0u);
}

TEST(Cdx, DuplicatesKeepRecordOrder)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    Entries keys;
    for (quint32 r : {9u, 3u, 7u, 1u, 5u})
        keys.emplace_back("SAME", r);
    keys.emplace_back("OTHER", 4);
    keys.emplace_back("", 2);
    keys.emplace_back("", 8);
    CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 8, keys);
    EXPECT_EQ(walk(index), sortedPadded(keys, 8));
    EXPECT_EQ(index.seekPrefix("SAME"), 1u);
    index.insert("SAME", 4);
    index.insert("SAME", 10);
    index.insert("SAME", 2);
    EXPECT_EQ(index.seekPrefix("SAME"), 1u);
    std::vector<quint32> same;
    for (quint32 r = index.current(); r != 0 && index.currentKey().startsWith("SAME"); r = index.next())
        same.push_back(r);
    EXPECT_EQ(same, (std::vector<quint32>{1, 2, 3, 4, 5, 7, 9, 10}));

    // Exact entries among the duplicates.
    EXPECT_TRUE(index.seekEntry("SAME", 7));
    EXPECT_EQ(index.current(), 7u);
    EXPECT_EQ(index.next(), 9u);
    EXPECT_FALSE(index.seekEntry("SAME", 6));
    EXPECT_EQ(index.current(), 7u);   // the entry that would follow
    EXPECT_FALSE(index.seekEntry("SAMEX", 1));
    EXPECT_TRUE(index.seekEntry("", 8));
    EXPECT_EQ(index.next(), 4u);      // "OTHER"
}

TEST(Cdx, BinaryKeysUseZeroFiller)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    const Entries keys = {{QByteArray("\x80\x00\x00\x02", 4), 2}, {QByteArray("\x80\x00\x00\x01", 4), 1},
                          {QByteArray("\x00\x00\x00\x00", 4), 3}, {QByteArray("\x80\x20\x20\x20", 4), 4}};
    CdxIndex index = CdxIndex::build(path, QStringLiteral("N"), QStringLiteral("N"), 4, keys, CdxKeyKind::Binary);
    index.close();
    index = CdxIndex::open(path, QStringLiteral("N"), CdxKeyKind::Binary);
    EXPECT_EQ(walk(index), sortedPadded(keys, 4, '\0'));
}

TEST(Cdx, InsertsKeepOrderAndSurviveReopen)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    std::mt19937 rng(42);
    // Cases: insert into an empty tag, into a built tag, and appends of
    // ascending keys (the pattern of records added in key order).
    for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE(variant);
        Entries all;
        if (variant == 1)
            for (quint32 r = 1; r <= 3000; ++r)
                all.emplace_back(randomKey(rng, 12), r);
        CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 12, all);
        quint32 recno = quint32(all.size());
        for (int i = 0; i < 20000; ++i) {
            ++recno;
            QByteArray key = variant == 2 ? QByteArray::number(100000 + i) : randomKey(rng, 12);
            index.insert(key, recno);
            all.emplace_back(key, recno);
        }
        const Entries expected = sortedPadded(all, 12);
        EXPECT_EQ(walk(index), expected);
        index.close();
        checkTree(path, QStringLiteral("K"), expected.size());
        index = CdxIndex::open(path, QStringLiteral("K"));
        ASSERT_EQ(walk(index), expected);
        for (size_t i = 0; i < expected.size(); i += 997) {
            const QByteArray &k = expected[i].first;
            const auto firstOfKey = std::lower_bound(expected.begin(), expected.end(), Entry(k, 0));
            EXPECT_EQ(index.seekPrefix(k), firstOfKey->second);
        }
    }
}

// Key lengths at both ends and record numbers up to 32 bits: the leaf bit
// widths and the interior capacity change with them.
TEST(Cdx, ExtremeKeyLengthsAndRecordNumbers)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    std::mt19937 rng(11);
    struct Case {
        int keyLength;
        quint32 firstRecno;
        int built, inserted;
    } cases[] = {{1, 1, 300, 300}, {1, 0xFFFFF000u, 100, 100}, {240, 1, 60, 60}, {100, 0x7FFFFFF0u, 200, 200},
                 {7, 0xFFFFFE00u, 300, 200}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.keyLength);
        Entries all;
        quint32 recno = c.firstRecno;
        auto key = [&] {
            QByteArray k = randomKey(rng, std::min(c.keyLength, 12));
            if (c.keyLength > 12)
                k = QByteArray(c.keyLength - 12, 'P') + k;   // long shared prefixes
            return k;
        };
        for (int i = 0; i < c.built; ++i)
            all.emplace_back(key(), recno++);
        CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), c.keyLength, all);
        for (int i = 0; i < c.inserted; ++i) {
            all.emplace_back(key(), recno);
            index.insert(all.back().first, recno++);
        }
        const Entries expected = sortedPadded(all, c.keyLength);
        EXPECT_EQ(walk(index), expected);
        index.close();
        checkTree(path, QStringLiteral("K"), expected.size());
    }
}

TEST(Cdx, PositionSurvivesInserts)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 4,
                                     {{"B", 1}, {"D", 2}, {"F", 3}});
    EXPECT_EQ(index.seekPrefix("D"), 2u);
    index.insert("C", 4);   // before the position
    index.insert("E", 5);   // right after it
    EXPECT_EQ(index.current(), 2u);
    EXPECT_EQ(index.next(), 5u);
    EXPECT_EQ(index.next(), 3u);
    EXPECT_EQ(index.next(), 0u);
}

TEST(Cdx, ManyKeysBuildADeepTree)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    Entries keys;
    const quint32 n = 200000;
    for (quint32 r = 1; r <= n; ++r)
        keys.emplace_back(QByteArray::number((r * 7919u) % n).rightJustified(8, '0'), r);
    const Entries expected = sortedPadded(keys, 10);
    CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 10, std::move(keys));
    index.close();
    checkTree(path, QStringLiteral("K"), expected.size());
    index = CdxIndex::open(path, QStringLiteral("K"));
    EXPECT_EQ(walk(index), expected);
    for (size_t i = 0; i < expected.size(); i += 1013)
        EXPECT_EQ(index.seekPrefix(expected[i].first.left(8)), expected[i].second);

    // At least three levels: the root is interior and so are its children.
    const QByteArray file = readFile(path);
    const quint32 root = cdxfmt::getLE32(file.constData() + 0x600);
    cdxfmt::Node node;
    ASSERT_TRUE(cdxfmt::decodeNode(file.constData() + root, 10, ' ', node).isEmpty());
    ASSERT_FALSE(node.isLeaf());
    ASSERT_TRUE(cdxfmt::decodeNode(file.constData() + node.children[0], 10, ' ', node).isEmpty());
    EXPECT_FALSE(node.isLeaf());
}

TEST(Cdx, SeveralTagsAndRebuilds)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    const Entries a = {{"X", 1}, {"Y", 2}}, b = {{"22", 1}, {"11", 2}, {"33", 3}};
    CdxIndex::build(path, QStringLiteral("A"), QStringLiteral("NAME"), 5, a);
    CdxIndex::build(path, QStringLiteral("B"), QStringLiteral("CODE+NAME"), 7, b);
    const qint64 sizeTwoTags = QFileInfo(path).size();
    // Rebuilding a tag many times reuses its pages.
    Entries big;
    for (quint32 r = 1; r <= 2000; ++r)
        big.emplace_back(QByteArray::number(r), r);
    for (int i = 0; i < 5; ++i)
        CdxIndex::build(path, QStringLiteral("a"), QStringLiteral("NAME"), 5, big);
    const qint64 sizeAfter = QFileInfo(path).size();
    CdxIndex::build(path, QStringLiteral("A"), QStringLiteral("NAME"), 5, a);
    EXPECT_LE(QFileInfo(path).size(), sizeAfter);
    EXPECT_LT(sizeAfter, sizeTwoTags + 40 * 512);

    EXPECT_EQ(CdxIndex::tagNames(path), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    CdxIndex ia = CdxIndex::open(path, QStringLiteral("A"));
    EXPECT_EQ(walk(ia), sortedPadded(a, 5));
    ia.close();
    CdxIndex ib = CdxIndex::open(path, QStringLiteral("b"));
    EXPECT_EQ(ib.expression(), QStringLiteral("CODE+NAME"));
    EXPECT_EQ(walk(ib), sortedPadded(b, 7));
    ib.close();
    EXPECT_THROW(CdxIndex::open(path, QStringLiteral("C")), EMoxError);

    // A file holding only the rebuilt tag starts afresh.
    const QString single = env.path(QStringLiteral("S.CDX"));
    CdxIndex::build(single, QStringLiteral("A"), QStringLiteral("NAME"), 5, big);
    CdxIndex::build(single, QStringLiteral("A"), QStringLiteral("NAME"), 5, a);
    EXPECT_EQ(QFileInfo(single).size(), 6 * 512);  // headers and one root each
}

TEST(Cdx, ClearRemovesEveryKey)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    Entries keys;
    for (quint32 r = 1; r <= 5000; ++r)
        keys.emplace_back(QByteArray::number(r), r);
    CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 6, keys);
    const qint64 size = QFileInfo(path).size();
    index.clear();
    EXPECT_EQ(index.first(), 0u);
    EXPECT_EQ(index.seekPrefix(""), 0u);
    index.insert("7", 1);
    index.close();
    index = CdxIndex::open(path, QStringLiteral("K"));
    EXPECT_EQ(walk(index), (Entries{{pad("7", 6), 1}}));
    // Refill: the freed pages are used again.
    for (quint32 r = 2; r <= 5000; ++r)
        index.insert(QByteArray::number(r), r);
    checkTree(path, QStringLiteral("K"), 5000);
    EXPECT_LE(QFileInfo(path).size(), size + 80 * 512);
}

TEST(Cdx, BadInputIsRejected)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    EXPECT_THROW(CdxIndex::build(path, QStringLiteral("1ABC"), QStringLiteral("X"), 4, {}), EMoxError);
    EXPECT_THROW(CdxIndex::build(path, QStringLiteral("TOOLONGNAME"), QStringLiteral("X"), 4, {}), EMoxError);
    EXPECT_THROW(CdxIndex::build(path, QStringLiteral("A"), QStringLiteral("X"), 0, {}), EMoxError);
    EXPECT_THROW(CdxIndex::build(path, QStringLiteral("A"), QStringLiteral("X"), 241, {}), EMoxError);
    EXPECT_THROW(CdxIndex::build(path, QStringLiteral("A"), QStringLiteral("X"), 2, {{"ABC", 1}}), EMoxError);
    EXPECT_THROW(CdxIndex::build(path, QStringLiteral("A"), QStringLiteral("X"), 2, {{"AB", 0}}), EMoxError);
    CdxIndex index = CdxIndex::build(path, QStringLiteral("A"), QStringLiteral("X"), 2, {{"AB", 1}});
    EXPECT_THROW(index.insert("ABC", 2), EMoxError);
    CdxIndex none;
    EXPECT_THROW(none.first(), EMoxError);
    EXPECT_THROW(CdxIndex::open(env.path(QStringLiteral("MISSING.CDX")), QStringLiteral("A")), EMoxError);
}

// Damaged files: every reader path either works or raises an error that
// names the file; nothing crashes or loops.
TEST(Cdx, DamagedFilesGiveClearErrors)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    Entries keys;
    for (quint32 r = 1; r <= 3000; ++r)
        keys.emplace_back(QByteArray::number(r * 31 % 3001).rightJustified(6, '0'), r);
    CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 6, keys);
    const QByteArray good = readFile(path);
    // Layout of a new file: directory header 0x000, directory root 0x400,
    // tag header 0x600, first leaf 0xA00, the root last.
    const quint32 root = cdxfmt::getLE32(good.constData() + 0x600);
    cdxfmt::Node rootNode;
    ASSERT_TRUE(cdxfmt::decodeNode(good.constData() + root, 6, ' ', rootNode).isEmpty());
    ASSERT_FALSE(rootNode.isLeaf());
    const quint32 firstChild = rootNode.children[0];

    auto set32 = [](QByteArray &d, quint32 at, quint32 v) { cdxfmt::putLE32(d.data() + at, v); };
    auto setBE32 = [](QByteArray &d, quint32 at, quint32 v) { cdxfmt::putBE32(d.data() + at, v); };
    struct Case {
        const char *name;
        std::function<void(QByteArray &)> damage;
        const char *expect;   // part of the message
    };
    const std::vector<Case> cases = {
        {"not an index", [](QByteArray &d) { d = QByteArray(3000, 'x'); }, ""},
        {"truncated", [](QByteArray &d) { d.truncate(700); }, "too short"},
        {"cut inside the tree", [&](QByteArray &d) { d.truncate(int(root)); }, "outside the file"},
        {"root outside", [&](QByteArray &d) { set32(d, 0x600, 0x7FFFFE00); }, "outside the file"},
        {"root in header", [&](QByteArray &d) { set32(d, 0x600, 0x200); }, "outside the file"},
        {"directory root outside", [&](QByteArray &d) { set32(d, 0, 0x10000000); }, "outside the file"},
        {"directory key length", [&](QByteArray &d) { cdxfmt::putLE16(d.data() + 0x0C, 0); }, "key length"},
        {"tag key length", [&](QByteArray &d) { cdxfmt::putLE16(d.data() + 0x60C, 500); }, "key length"},
        {"child loops to root", [&](QByteArray &d) { setBE32(d, root + 12 + 6 + 4, root); }, "loop"},
        {"child outside", [&](QByteArray &d) { setBE32(d, root + 12 + 6 + 4, 0xFFFFF000); }, "outside the file"},
        {"child misaligned", [&](QByteArray &d) { setBE32(d, root + 12 + 6 + 4, 0xA10); }, "outside the file"},
        {"interior count too big", [&](QByteArray &d) { cdxfmt::putLE16(d.data() + root + 2, 400); }, "more than fit"},
        {"interior count zero", [&](QByteArray &d) { cdxfmt::putLE16(d.data() + root + 2, 0); }, "no keys"},
        {"leaf count too big", [&](QByteArray &d) { cdxfmt::putLE16(d.data() + firstChild + 2, 0xFFFF); }, "offset"},
        {"leaf widths", [&](QByteArray &d) { d[int(firstChild) + 23] = 0; }, "impossible"},
        {"leaf widths sum", [&](QByteArray &d) { d[int(firstChild) + 20] = 30; }, "impossible"},
        {"leaf counts exceed key", [&](QByteArray &d) {
             // every entry claims the maximal trailing count
             const int b = d[int(firstChild) + 23];
             for (int i = 1; i < 5; ++i)
                 d[int(firstChild) + 24 + i * b + b - 1] = char(0xFF);
         }, "trailing"},
        {"leaf chain loops", [&](QByteArray &d) { set32(d, firstChild + 8, firstChild); }, "loop"},
        {"leaf chain to interior", [&](QByteArray &d) { set32(d, firstChild + 8, root); }, "not a leaf"},
        {"sibling outside", [&](QByteArray &d) { set32(d, firstChild + 8, 0x12345600); }, "outside the file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bad = good;
        c.damage(bad);
        writeFile(path, bad);
        bool raised = false;
        try {
            CdxIndex index = CdxIndex::open(path, QStringLiteral("K"));
            walk(index, 10000);
            index.seekPrefix("0015");
            index.seekPrefix("9");
            index.insert("000000", 5000);
            walk(index, 10000);
        } catch (const EMoxError &e) {
            raised = true;
            EXPECT_TRUE(e.message().contains(QStringLiteral("T.CDX"))) << e.what();
            EXPECT_TRUE(e.message().contains(QLatin1String(c.expect))) << e.what();
        }
        EXPECT_TRUE(raised);
    }
}

// Random damage: whatever the bytes, the readers end with a result or an error.
TEST(Cdx, RandomDamageNeverCrashes)
{
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));
    Entries keys;
    for (quint32 r = 1; r <= 2000; ++r)
        keys.emplace_back(QByteArray::number(r * 17 % 2003), r);
    CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 5, keys);
    const QByteArray good = readFile(path);
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        QByteArray bad = good;
        std::uniform_int_distribution<int> pos(0, int(bad.size()) - 1), byte(0, 255);
        for (int i = 0; i < 1 + round % 20; ++i)
            bad[pos(rng)] = char(byte(rng));
        writeFile(path, bad);
        try {
            CdxIndex index = CdxIndex::open(path, QStringLiteral("K"));
            walk(index, 100000);
            index.seekPrefix("12");
            index.insert("1", 3000);
            walk(index, 100000);
        } catch (const EMoxError &) {
        }
    }
}
