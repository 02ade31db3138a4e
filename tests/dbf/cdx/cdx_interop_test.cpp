// Our index files as an independent reader sees them: Perl's XBase::Index
// (index_dump, from libdbd-xbase-perl) walks the tag directory and each tag.
#include "dbf/cdx/cdx.h"
#include "support/testenv.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

using Entries = std::vector<std::pair<QByteArray, quint32>>;

const QString perl = QStringLiteral("/usr/bin/perl");
const QString indexDump = QStringLiteral("/usr/bin/index_dump");

bool perlXBaseAvailable()
{
    if (!QFileInfo::exists(perl) || !QFileInfo::exists(indexDump))
        return false;
    QProcess p;
    p.start(perl, {QStringLiteral("-MXBase::Index"), QStringLiteral("-e1")});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs index_dump and returns its lines as (key, record number); the tool
// prints the key without its trailing blanks, a space, then the number.
Entries dump(const QStringList &args, QByteArray *raw = nullptr)
{
    QProcess p;
    p.start(perl, QStringList{indexDump, QStringLiteral("--type"), QStringLiteral("char")} + args);
    EXPECT_TRUE(p.waitForFinished(120000));
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(p.exitCode(), 0) << err.constData();
    EXPECT_TRUE(err.isEmpty()) << err.constData();
    const QByteArray out = p.readAllStandardOutput();
    if (raw)
        *raw = out;
    Entries lines;
    for (const QByteArray &line : out.split('\n')) {
        if (line.isEmpty())
            continue;
        const int sp = int(line.lastIndexOf(' '));
        lines.emplace_back(line.left(sp), sp < 0 ? 0 : line.mid(sp + 1).toUInt());
    }
    return lines;
}

Entries ours(CdxIndex &index)
{
    Entries out;
    for (quint32 r = index.first(); r != 0; r = index.next()) {
        QByteArray key = index.currentKey();
        while (key.endsWith(' '))
            key.chop(1);
        out.emplace_back(key, r);
    }
    return out;
}

} // namespace

TEST(CdxInterop, PerlXBaseWalksOurTags)
{
    if (!perlXBaseAvailable())
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    TestEnv env;
    const QString path = env.path(QStringLiteral("T.CDX"));

    // CODE: built, then grown by inserts into a tree of several levels.
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> num(0, 999999);
    Entries code;
    for (quint32 r = 1; r <= 4000; ++r)
        code.emplace_back(QByteArray::number(num(rng)), r);
    CdxIndex index = CdxIndex::build(path, QStringLiteral("CODE"), QStringLiteral("CODE"), 8, code);
    for (quint32 r = 4001; r <= 7000; ++r)
        index.insert(QByteArray::number(num(rng)), r);
    index.insert("", 7001);   // an all-blank key
    index.close();
    // NAME: Windows-1250 names, duplicates; LONG: long keys sharing long prefixes.
    const Entries names = {{"\xC8" "apek", 1}, {"Dvo\xF8\xE1k", 2}, {"Novak", 3}, {"Smetana", 4},
                           {"Ha\x9A" "ek", 5}, {"Novak", 6}, {"\x8E" "i\x9E" "ek", 7}};
    CdxIndex::build(path, QStringLiteral("NAME"), QStringLiteral("NAME"), 20, names).close();
    Entries longKeys;
    for (quint32 r = 1; r <= 500; ++r)
        longKeys.emplace_back(QByteArray(150, 'L') + QByteArray::number(r * 13 % 500), r);
    CdxIndex::build(path, QStringLiteral("LONG"), QStringLiteral("A+B"), 200, longKeys).close();

    QByteArray listing;
    dump({path}, &listing);
    EXPECT_EQ(listing, QByteArray("CODE\nLONG\nNAME\n"));

    const std::map<QString, size_t> counts = {
        {QStringLiteral("CODE"), 7001}, {QStringLiteral("NAME"), names.size()}, {QStringLiteral("LONG"), 500}};
    for (const QString &tag : CdxIndex::tagNames(path)) {
        SCOPED_TRACE(tag.toStdString());
        CdxIndex ix = CdxIndex::open(path, tag);
        const Entries mine = ours(ix);
        EXPECT_EQ(mine.size(), counts.at(tag));
        EXPECT_EQ(dump({QStringLiteral("--tag"), tag, path}), mine);
    }

    // Prefix positioning agrees with the reader's own start position.
    CdxIndex ix = CdxIndex::open(path, QStringLiteral("CODE"));
    for (const char *prefix : {"12", "5", "99", "0", "100"}) {
        SCOPED_TRACE(prefix);
        const Entries from = dump({QStringLiteral("--tag"), QStringLiteral("CODE"), QStringLiteral("--start"),
                                   QString::fromLatin1(prefix), path});
        ASSERT_FALSE(from.empty());
        const quint32 found = ix.seekPrefix(prefix);
        EXPECT_EQ(found, from.front().first.startsWith(prefix) ? from.front().second : 0u);
    }
}
