// The table object over real files: creation, writing and reading back,
// memo, dates, Zap, exclusive opening, names and field rules.
#include "dbf/apollo.h"
#include "dbf/dbfio.h"
#include "dbf/dbftable.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

// NAME C 20, NOTE M, DAY D, CODE C 5
void createSample(const QString &path)
{
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(path, 2, 4));
    t.CreateField("NAME", "C", 20, 0);
    t.CreateField("NOTE", "M", 10, 0);
    t.CreateField("DAY", "D", 8, 0);
    t.CreateField("CODE", "C", 5, 0);
    ASSERT_TRUE(t.CreateExec()) << t.LastError().toStdString();
}

} // namespace

TEST(Apollo, WritesAndReadsBackTextMemoAndDate)
{
    TestEnv env;
    const QString path = env.path("T1");
    createSample(path);
    EXPECT_TRUE(QFileInfo::exists(env.path("T1.DBF")));
    EXPECT_TRUE(QFileInfo::exists(env.path("T1.FPT")));

    {
        TApolloDataSet t;
        t.TableName = path; // no extension: .DBF is added
        t.setActive(true);
        EXPECT_EQ(t.RecordCount(), 0);
        EXPECT_TRUE(t.Eof());
        t.Append();
        t.FieldByName("name").setAsString(QStringLiteral("  Čapek Šušteršič"));
        t.FieldByName("NOTE").setAsString(QStringLiteral("prva vrstica\r\ndruga: žđćčš ŽĐĆČŠ"));
        t.FieldByName("Day").setAsString(QStringLiteral("05.11.2024"));
        t.FieldByName("CODE").setAsString(QStringLiteral("ABCDEFGH")); // cut to 5
        t.Post();
        t.Insert();
        t.FieldByName("NAME").setAsString(QStringLiteral("Novák"));
        t.Post();
        t.setActive(false);
    }

    TApolloDataSet t;
    t.TableName = env.path("t1.dbf"); // other case of the name finds the file
    t.setActive(true);
    ASSERT_EQ(t.RecordCount(), 2);
    t.First();
    ASSERT_FALSE(t.Eof());
    EXPECT_EQ(t.FieldByName("NAME").AsString(), QStringLiteral("  Čapek Šušteršič")); // leading blanks stay
    EXPECT_EQ(t.FieldByName("NOTE").AsString(), QStringLiteral("prva vrstica\r\ndruga: žđćčš ŽĐĆČŠ"));
    EXPECT_EQ(t.FieldByName("DAY").AsString(), QStringLiteral("05.11.2024"));
    EXPECT_EQ(t.FieldByName("DAY").AsDateTime(), QDateTime(QDate(2024, 11, 5), QTime(0, 0)));
    EXPECT_EQ(t.FieldByName("CODE").AsString(), QStringLiteral("ABCDE"));
    t.Next();
    ASSERT_FALSE(t.Eof());
    EXPECT_EQ(t.FieldByName("NAME").AsString(), QStringLiteral("Novák"));
    EXPECT_EQ(t.FieldByName("NOTE").AsString(), QString());
    EXPECT_TRUE(t.FieldByName("NOTE").IsNull());
    EXPECT_EQ(t.FieldByName("DAY").AsString(), QString());
    EXPECT_FALSE(t.FieldByName("DAY").AsDateTime().isValid());
    t.Next();
    EXPECT_TRUE(t.Eof());
    t.setActive(false);

    // The bytes on disk: FoxPro 2.x with memo, Windows-1250 mark, cut value
    // never spilling into the next field, EOF marker.
    const QByteArray dbf = readAll(env.path("T1.DBF"));
    ASSERT_GE(dbf.size(), 32);
    EXPECT_EQ(quint8(dbf[0]), 0xF5);
    EXPECT_EQ(quint8(dbf[29]), 0xC8);
    EXPECT_EQ(quint8(dbf[4]), 2);
    const int hl = quint8(dbf[8]) | (quint8(dbf[9]) << 8);
    const int rl = quint8(dbf[10]) | (quint8(dbf[11]) << 8);
    EXPECT_EQ(hl, 32 + 4 * 32 + 1);
    EXPECT_EQ(rl, 1 + 20 + 10 + 8 + 5);
    EXPECT_EQ(dbf.size(), hl + 2 * rl + 1);
    EXPECT_EQ(dbf.at(dbf.size() - 1), '\x1A');
    EXPECT_EQ(dbf.mid(hl + 1 + 20 + 10 + 8, 5), QByteArray("ABCDE"));
    EXPECT_EQ(dbf.mid(hl + 1 + 20, 10), QByteArray("         8")); // first memo block
}

TEST(Apollo, TableWithoutMemoHasNoMemoFileAndVersion03)
{
    TestEnv env;
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(env.path("PLAIN"), 2, 1));
    t.CreateField("POPRAVI", "C", 1, 0);
    ASSERT_TRUE(t.CreateExec());
    const QByteArray dbf = readAll(env.path("PLAIN.DBF"));
    EXPECT_EQ(quint8(dbf[0]), 0x03);
    EXPECT_EQ(dbf.size(), 32 + 32 + 1 + 1);
    EXPECT_FALSE(QFileInfo::exists(env.path("PLAIN.FPT")));
}

TEST(Apollo, CreateReplacesExistingTableAndStaleMemo)
{
    TestEnv env;
    createSample(env.path("R"));
    {
        TApolloDataSet t;
        t.TableName = env.path("R");
        t.Open();
        t.Append();
        t.FieldByName("NAME").setAsString("x");
        t.Post();
        t.Close();
    }
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(env.path("R"), 2, 1));
    t.CreateField("A", "C", 3, 0);
    ASSERT_TRUE(t.CreateExec());
    EXPECT_FALSE(QFileInfo::exists(env.path("R.FPT")));
    t.TableName = env.path("R");
    t.Open();
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.FieldCount(), 1);
}

TEST(Apollo, ZapRemovesEveryRecordAndMemo)
{
    TestEnv env;
    createSample(env.path("Z"));
    TApolloDataSet t;
    t.TableName = env.path("Z");
    t.Open();
    for (int i = 0; i < 3; ++i) {
        t.Append();
        t.FieldByName("NAME").setAsString(QString::number(i));
        t.FieldByName("NOTE").setAsString(QStringLiteral("memo %1").arg(i));
        t.Post();
    }
    t.Commit();
    EXPECT_EQ(t.RecordCount(), 3);
    t.Zap();
    EXPECT_EQ(t.RecordCount(), 0);
    t.First();
    EXPECT_TRUE(t.Eof());
    t.Append();
    t.FieldByName("NOTE").setAsString(QStringLiteral("po zap"));
    t.Post();
    t.Close();
    EXPECT_EQ(readAll(env.path("Z.FPT")).size(), 512 + 64);
    t.Open();
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.FieldByName("NOTE").AsString(), QStringLiteral("po zap"));
}

TEST(Apollo, ExclusiveOpenKeepsSecondOpenerAway)
{
    TestEnv env;
    createSample(env.path("X"));
    TApolloDataSet a, b;
    a.TableName = b.TableName = env.path("X");
    a.Open();
    try {
        b.Open();
        FAIL() << "second opener got in";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("v uporabi"))) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("X.DBF"))) << e.what();
    }
    EXPECT_FALSE(b.Active());
    // Creating over a table in use fails as well and leaves it intact.
    TApolloDataSet c;
    ASSERT_TRUE(c.CreateNew(env.path("X"), 2, 1));
    c.CreateField("A", "C", 1, 0);
    EXPECT_FALSE(c.CreateExec());
    EXPECT_EQ(a.FieldCount(), 4);
    a.Close();
    b.Open();
    EXPECT_TRUE(b.Active());
}

TEST(Apollo, MissingTableAndMissingFieldRaise)
{
    TestEnv env;
    TApolloDataSet t;
    t.TableName = env.path("NONE");
    try {
        t.Open();
        FAIL();
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("NONE.DBF"))) << e.what();
    }
    createSample(env.path("F"));
    t.TableName = env.path("F");
    t.Open();
    EXPECT_THROW(t.FieldByName("NIMAM"), EMoxError);
    EXPECT_THROW(t.Seek("x"), EMoxError); // no active index
    EXPECT_THROW(t.FieldByName("NAME").setAsString("x"), EMoxError); // not in insert/edit
}

TEST(Apollo, CreateFieldRules)
{
    TestEnv env;
    struct Case {
        const char *name;
        const char *type;
        int width;
        bool ok;
    } cases[] = {
        {"1ABC", "C", 5, false},   // must begin with a letter
        {"_ABC", "C", 5, false},
        {"AB-C", "C", 5, false},
        {"ABC", "C", 0, false},    // non-positive width
        {"ABC", "C", -3, false},
        {"ABC", "C", 256, false},
        {"ABC", "X", 5, false},
        {"abc", "C", 255, true},
        {"M1", "M", 0, true},      // memo width is always 10
        {"D1", "D", 3, true},
    };
    for (const Case &c : cases) {
        TApolloDataSet t;
        ASSERT_TRUE(t.CreateNew(env.path("C"), 2, 1));
        if (c.ok) {
            EXPECT_NO_THROW(t.CreateField(c.name, c.type, c.width, 0)) << c.name;
        } else {
            EXPECT_THROW(t.CreateField(c.name, c.type, c.width, 0), EMoxError) << c.name << " " << c.width;
        }
    }
}

TEST(Apollo, LongColumnNamesAreCutAndFoundByFullName)
{
    TestEnv env;
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(env.path("L"), 2, 2));
    t.CreateField("DESCRIPTION_LONG", "C", 10, 0);
    EXPECT_THROW(t.CreateField("DESCRIPTION_OTHER", "C", 10, 0), EMoxError); // same first ten
    ASSERT_TRUE(t.CreateExec());
    t.TableName = env.path("L");
    t.Open();
    EXPECT_EQ(t.FieldInfo(0).name, QStringLiteral("DESCRIPTIO"));
    t.Append();
    t.FieldByName("description_long").setAsString("abc");
    t.Post();
    EXPECT_EQ(t.FieldByName("DESCRIPTIO").AsString(), QStringLiteral("abc"));
}

TEST(Apollo, AsIntegerAndDateTimeOnCharacterFields)
{
    TestEnv env;
    TApolloDataSet t;
    ASSERT_TRUE(t.CreateNew(env.path("N"), 2, 2));
    t.CreateField("NUM", "C", 10, 0);
    t.CreateField("WHEN", "C", 19, 0);
    ASSERT_TRUE(t.CreateExec());
    t.TableName = env.path("N");
    t.Open();
    t.Append();
    t.FieldByName("NUM").setAsInteger(-42);
    t.FieldByName("WHEN").setAsDateTime(QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)));
    t.Post();
    EXPECT_EQ(t.FieldByName("NUM").AsInteger(), -42);
    EXPECT_EQ(t.FieldByName("WHEN").AsString(), QStringLiteral("02.01.2023 03:04:05"));
    EXPECT_EQ(t.FieldByName("WHEN").AsDateTime(), QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)));
    t.Append();
    t.FieldByName("NUM").setAsString("abc");
    t.Post();
    EXPECT_THROW(t.FieldByName("NUM").AsInteger(), EMoxError);
    t.Append();
    t.Post();
    EXPECT_EQ(t.FieldByName("NUM").AsInteger(), 0);
}

TEST(Apollo, RawBlobReadsBytesWithoutConversion)
{
    TestEnv env;
    createSample(env.path("B"));
    TApolloDataSet t;
    t.TableName = env.path("B");
    t.Open();
    t.Append();
    t.FieldByName("NOTE").setAsString(QStringLiteral("<x>č</x>"));
    t.Post();
    t.setBlobTypeRaw("NOTE");
    EXPECT_EQ(t.FieldByName("NOTE").AsBytes(), QByteArray("<x>\xE8</x>"));
    EXPECT_EQ(t.FieldByName("NOTE").AsString(), QString::fromLatin1("<x>\xE8</x>"));
}

TEST(Apollo, EditRewritesRecordAndMemo)
{
    TestEnv env;
    createSample(env.path("E"));
    TApolloDataSet t;
    t.TableName = env.path("E");
    t.Open();
    t.Append();
    t.FieldByName("NAME").setAsString("a");
    t.FieldByName("NOTE").setAsString(QString(100, QLatin1Char('x')));
    t.Post();
    t.Append();
    t.FieldByName("NAME").setAsString("b");
    t.Post();
    t.Commit();
    t.First();
    t.Edit();
    t.FieldByName("NAME").setAsString("A2");
    t.FieldByName("NOTE").setAsString("short"); // fits the old blocks
    t.Post();
    t.Close();
    EXPECT_EQ(readAll(env.path("E.FPT")).size(), 512 + 2 * 64);
    t.Open();
    EXPECT_EQ(t.FieldByName("NAME").AsString(), QStringLiteral("A2"));
    EXPECT_EQ(t.FieldByName("NOTE").AsString(), QStringLiteral("short"));
    t.Next();
    EXPECT_EQ(t.FieldByName("NAME").AsString(), QStringLiteral("b"));
}

TEST(Apollo, DeletedRecordsAreSkippedUnlessAsked)
{
    TestEnv env;
    createSample(env.path("D"));
    TApolloDataSet t;
    t.TableName = env.path("D");
    t.Open();
    for (const char *n : {"a", "b", "c"}) {
        t.Append();
        t.FieldByName("NAME").setAsString(n);
        t.Post();
    }
    t.Go(2);
    t.Delete();
    QStringList seen;
    for (t.First(); !t.Eof(); t.Next())
        seen << t.FieldByName("NAME").AsString();
    EXPECT_EQ(seen, QStringList({"a", "c"}));
    EXPECT_EQ(t.RecordCount(), 3);
    t.ShowDeleted = true;
    seen.clear();
    for (t.First(); !t.Eof(); t.Next())
        seen << t.FieldByName("NAME").AsString();
    EXPECT_EQ(seen, QStringList({"a", "b", "c"}));
}

TEST(Apollo, ManyRecordsCrossTheWriteBuffer)
{
    TestEnv env;
    createSample(env.path("M"));
    TApolloDataSet t;
    t.TableName = env.path("M");
    t.Open();
    const int n = 40000; // about 1.8 MB of records, 40000 memos
    for (int i = 0; i < n; ++i) {
        t.Append();
        t.FieldByName("NAME").setAsString(QString::number(i));
        t.FieldByName("NOTE").setAsString(QStringLiteral("m%1").arg(i));
        t.Post();
        if (i == 100) {
            EXPECT_EQ(t.FieldByName("NOTE").AsString(), QStringLiteral("m100"));
        }
    }
    t.Close();
    t.Open();
    ASSERT_EQ(t.RecordCount(), n);
    int i = 0;
    for (t.First(); !t.Eof(); t.Next(), ++i) {
        if (t.FieldByName("NAME").AsString() != QString::number(i)
            || t.FieldByName("NOTE").AsString() != QStringLiteral("m%1").arg(i)) {
            FAIL() << "record " << i + 1;
        }
    }
    EXPECT_EQ(i, n);
}

TEST(Apollo, TableNamesAndExtensions)
{
    TestEnv env;
    createSample(env.path("KA060AK0"));
    struct Case {
        QString tableName;
        bool opens;
    } cases[] = {
        {env.path("KA060AK0"), true},       // .DBF appended
        {env.path("KA060AK0."), true},      // a name cut after its point (imeDBF) is the same table
        {env.path("KA060AK0.DBF"), true},
        {env.path("ka060ak0.dbf"), true},   // letters of another case find the file
        {env.path("KA060AK0.X"), false},    // an extension of its own is kept
    };
    for (const Case &c : cases) {
        TApolloDataSet t;
        t.TableName = c.tableName;
        if (c.opens) {
            EXPECT_NO_THROW(t.Open()) << c.tableName.toStdString();
            EXPECT_EQ(QFileInfo(t.engine()->path()).fileName(), QStringLiteral("KA060AK0.DBF"));
        } else {
            EXPECT_THROW(t.Open(), EMoxError) << c.tableName.toStdString();
        }
    }
}

TEST(Apollo, PendingRecordIsPostedByMovingOrClosingAndDroppedByCancel)
{
    TestEnv env;
    createSample(env.path("P"));
    TApolloDataSet t;
    t.TableName = env.path("P");
    t.Open();
    t.Append();
    t.FieldByName("NAME").setAsString("kept by First");
    t.First();
    t.Append();
    t.FieldByName("NAME").setAsString("dropped");
    t.Cancel();
    t.Append();
    t.FieldByName("NAME").setAsString("kept by Close");
    t.FieldByName("NOTE").setAsString("memo too");
    t.Close();
    t.Open();
    ASSERT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.FieldByName("NAME").AsString(), QStringLiteral("kept by First"));
    t.Next();
    EXPECT_EQ(t.FieldByName("NAME").AsString(), QStringLiteral("kept by Close"));
    EXPECT_EQ(t.FieldByName("NOTE").AsString(), QStringLiteral("memo too"));
    EXPECT_THROW(t.Post(), EMoxError); // nothing to post
}

TEST(Apollo, FieldObjectsOfAClosedTableRaise)
{
    TestEnv env;
    createSample(env.path("K"));
    TApolloDataSet t;
    t.TableName = env.path("K");
    t.Open();
    TApolloField name = t.FieldByName("NAME");
    t.Close();
    EXPECT_THROW(name.AsString(), EMoxError);
    EXPECT_THROW(t.FieldInfo(0), EMoxError);
    EXPECT_THROW(t.First(), EMoxError);
    EXPECT_TRUE(t.Eof());
    t.Open();
    EXPECT_THROW(t.FieldInfo(4), EMoxError);
    EXPECT_EQ(name.AsString(), QString()); // the same field of the reopened table
}
