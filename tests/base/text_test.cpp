#include "base/paths.h"
#include "base/text.h"
#include "base/moxerror.h"
#include "support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace moxtext;

TEST(Text, UpperCaseMapsOnlyAtoZ)
{
    EXPECT_EQ(upperAZ(QStringLiteral("abc xyz čšž äß 1")), QStringLiteral("ABC XYZ čšž äß 1"));
}

TEST(Text, EveryByteRoundTripsThroughCp1250)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString decoded = fromCp1250(all);
    ASSERT_EQ(decoded.size(), 256);
    EXPECT_EQ(toCp1250(decoded), all);
    EXPECT_TRUE(isCp1250(decoded));
}

TEST(Text, SlovenianLettersAndUnknownCharacters)
{
    EXPECT_EQ(toCp1250(QStringLiteral("ČŠŽčšž€")), QByteArray("\xC8\x8A\x8E\xE8\x9A\x9E\x80"));
    // A character outside the code page becomes '?', never dropped.
    EXPECT_EQ(toCp1250(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
    EXPECT_FALSE(isCp1250(QStringLiteral("\u4E2D")));
}

TEST(Text, TextFilesAreCp1250WithCrLf)
{
    TestEnv env;
    const QString file = env.path(QStringLiteral("t.txt"));
    writeTextLines(file, {QStringLiteral("Čas"), QString()});
    appendTextLines(file, {QStringLiteral("žaba")});
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\xC8" "as\r\n\r\n\x9E" "aba\r\n"));
    EXPECT_EQ(readTextLines(file), (QStringList{QStringLiteral("Čas"), QString(), QStringLiteral("žaba")}));
    EXPECT_THROW(readTextLines(env.path(QStringLiteral("missing.txt"))), EMoxError);
}

TEST(Text, FilesSavedWithTheUtf8MarkReadWithoutIt)
{
    TestEnv env;
    const QString file = env.path(QStringLiteral("bom.txt"));
    const struct {
        const char *name;
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"script with the mark", QByteArray("\xEF\xBB\xBF" "CONNECT tavo 2 db\r\nREFRESH SKS\r\n"),
         {QStringLiteral("CONNECT tavo 2 db"), QStringLiteral("REFRESH SKS")}},
        // After the mark the file is UTF-8.
        {"UTF-8 letters", QByteArray("\xEF\xBB\xBF" "\xC4\x8C" "as\n\xC5\xBE"), {QStringLiteral("Čas"), QStringLiteral("ž")}},
        {"only the mark", QByteArray("\xEF\xBB\xBF"), {}},
        // Not UTF-8 after the mark: the code page, the mark still dropped.
        {"code page after the mark", QByteArray("\xEF\xBB\xBF" "\xC8" "as"), {QStringLiteral("Čas")}},
        // Without the mark those bytes are ordinary letters of the code page.
        {"mark-like text further on", QByteArray("x\r\n\xEF\xBB\xBF"), {QStringLiteral("x"), QStringLiteral("ď»ż")}},
    };
    for (const auto &c : cases) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        EXPECT_EQ(readTextLines(file), c.lines) << c.name;
    }
}

TEST(Paths, SeparatorsAndTrailingSeparator)
{
    const QChar s = moxpath::separator();
    EXPECT_EQ(moxpath::native(QStringLiteral("a\\b/c")), QStringLiteral("a%1b%1c").arg(s));
    EXPECT_EQ(moxpath::withTrailingSeparator(QStringLiteral("d:\\x")), QStringLiteral("d:%1x%1").arg(s));
    EXPECT_EQ(moxpath::withTrailingSeparator(QStringLiteral("/x//")), QStringLiteral("%1x%1").arg(s));
    EXPECT_EQ(moxpath::withTrailingSeparator(QString()), QString());
    EXPECT_EQ(moxpath::join(QStringLiteral("/a/"), QStringLiteral("\\b.txt")), QStringLiteral("%1a%1b.txt").arg(s));
    EXPECT_EQ(moxpath::lastSeparator(QStringLiteral("a\\b/c")), 3);
}
