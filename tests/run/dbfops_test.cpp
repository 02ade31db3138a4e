// The shared DBF operations and the type mapping.
#include "dbf/dbflayout.h"
#include "run/dbfops.h"
#include "support/recordingui.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QString saveDirOf(const TestEnv &env) { return env.dir() + QDir::separator(); }

void makeTable(const QString &path, const QString &firstValue)
{
    TApolloDataSet t;
    RecordingUi ui;
    const QVector<tipDBFStruktura> fields = {
        {"SIFRA", "C", 10, 0}, {"OPIS", "C", 20, 0}, {"NEUPORAB", "C", 3, 0}};
    ASSERT_TRUE(kreirajDBF(t, path, fields, 2, ui)); // only the first two
    t.TableName = path;
    t.Open();
    for (const QString &v : {firstValue, QStringLiteral("12"), QStringLiteral("3")}) {
        t.Append();
        t.FieldByName("SIFRA").setAsString(v);
        t.Post();
    }
}

} // namespace

TEST(DbfOps, ImeDbf)
{
    struct Case {
        const char *name;
        bool detail;
        const char *expected;
    } cases[] = {
        {"KA060AK0", true, "KA060AK0"},
        {"A.B", true, "A."},
        {"A.B", false, "A.B"},
        {"A.B.C", true, "A."},
        {"", true, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(imeDBF(c.name, c.detail), QString::fromUtf8(c.expected)) << c.name;
}

TEST(DbfOps, KreirajCreatesFirstCountFieldsInOrder)
{
    TestEnv env;
    makeTable(env.path("KA060AK0"), "120");
    TApolloDataSet t;
    t.TableName = env.path("KA060AK0");
    t.Open();
    ASSERT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.FieldInfo(0).name, QStringLiteral("SIFRA"));
    EXPECT_EQ(t.FieldInfo(1).name, QStringLiteral("OPIS"));
    EXPECT_EQ(t.RecordCount(), 3);
}

TEST(DbfOps, KreirajReportsFailureWithItsMessage)
{
    TestEnv env;
    TApolloDataSet t;
    RecordingUi ui;
    const QString path = env.path("X");
    // A field name that does not begin with a letter, and a folder that does not exist.
    EXPECT_FALSE(kreirajDBF(t, path, {{"1X", "C", 1, 0}}, 1, ui));
    EXPECT_FALSE(kreirajDBF(t, env.path("nima/mape/X"), {{"A", "C", 1, 0}}, 1, ui));
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0], QStringLiteral("Neuspešno kreiranje tabele:") + path);
    EXPECT_EQ(ui.messages[1], QStringLiteral("Neuspešno kreiranje tabele:") + env.path("nima/mape/X"));
}

TEST(DbfOps, OdpriOpensAndIndexesSeekFindsLongerKey)
{
    TestEnv env;
    makeTable(env.path("KA060AK0"), "120");
    TApolloDataSet t;
    RecordingUi ui;
    ASSERT_TRUE(odpriDBF(t, saveDirOf(env), "KA060AK0", "SIFRA", ui));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(env.path("KA060AK0.CDX")));
    // Keys 120, 12, 3: "12" sorts before "120" (blank-padded).
    ASSERT_TRUE(t.Seek("12"));
    EXPECT_EQ(t.FieldByName("SIFRA").AsString(), QStringLiteral("12"));
    EXPECT_FALSE(t.Seek("4"));
    EXPECT_TRUE(t.Eof());
}

TEST(DbfOps, SeekOfAPrefixFindsTheLongerKey)
{
    TestEnv env;
    makeTable(env.path("P"), "120");
    TApolloDataSet t;
    t.TableName = env.path("P");
    t.Open();
    t.Go(2);
    t.Edit();
    t.FieldByName("SIFRA").setAsString("999"); // now the keys are 120, 999, 3
    t.Post();
    RecordingUi ui;
    ASSERT_TRUE(odpriDBF(t, saveDirOf(env), "P", "SIFRA", ui));
    ASSERT_TRUE(t.Seek("12"));
    EXPECT_EQ(t.FieldByName("SIFRA").AsString(), QStringLiteral("120"));
    QStringList order;
    for (t.First(); !t.Eof(); t.Next())
        order << t.FieldByName("SIFRA").AsString();
    EXPECT_EQ(order, QStringList({"120", "3", "999"}));
}

TEST(DbfOps, OdpriMissingTableShowsBothMessages)
{
    TestEnv env;
    TApolloDataSet t;
    RecordingUi ui;
    EXPECT_FALSE(odpriDBF(t, saveDirOf(env), "NIMAM", "SIFRA", ui));
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_TRUE(ui.messages[0].startsWith(QStringLiteral("NE MOREM ODPRETI tabele: NIMAM napaka: "))) << ui.messages[0].toStdString();
    EXPECT_EQ(ui.messages[1], QStringLiteral("NE MOREM KREIRATI indeksa: NIMAM (SIFRA)"));
}

TEST(DbfOps, OdpriBadIndexExpression)
{
    TestEnv env;
    makeTable(env.path("T"), "1");
    TApolloDataSet t;
    RecordingUi ui;
    EXPECT_FALSE(odpriDBF(t, saveDirOf(env), "T", "SIFRA+NIMA", ui));
    EXPECT_EQ(ui.messages, QStringList({QStringLiteral("NE MOREM KREIRATI indeksa: T (SIFRA+NIMA)")}));
    EXPECT_TRUE(t.Active());
    ui.messages.clear();
    EXPECT_TRUE(odpriDBF(t, saveDirOf(env), "T", "", ui));
    EXPECT_FALSE(t.HasIndex());
}

TEST(DbfOps, CompositeIndexJoinsFixedWidthTexts)
{
    TestEnv env;
    TApolloDataSet t;
    RecordingUi ui;
    ASSERT_TRUE(kreirajDBF(t, env.path("G"), {{"GRP", "C", 3, 0}, {"CLAN", "C", 4, 0}}, 2, ui));
    t.TableName = env.path("G");
    t.Open();
    const char *rows[][2] = {{"B", "1"}, {"A", "22"}, {"A", "1"}, {"AB", "0"}};
    for (auto &r : rows) {
        t.Append();
        t.FieldByName("GRP").setAsString(r[0]);
        t.FieldByName("CLAN").setAsString(r[1]);
        t.Post();
    }
    ASSERT_TRUE(odpriDBF(t, saveDirOf(env), "G", "grp+clan", ui));
    QStringList order;
    for (t.First(); !t.Eof(); t.Next())
        order << t.FieldByName("GRP").AsString() + "/" + t.FieldByName("CLAN").AsString();
    EXPECT_EQ(order, QStringList({"A/1", "A/22", "AB/0", "B/1"}));
    ASSERT_TRUE(t.Seek("A  22"));
    EXPECT_EQ(t.RecNo(), 2);
    ASSERT_TRUE(t.Seek("A  "));
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_FALSE(t.Seek("A  3"));
    // Appending while the index is active keeps it current.
    t.Append();
    t.FieldByName("GRP").setAsString("A");
    t.FieldByName("CLAN").setAsString("0");
    t.Post();
    ASSERT_TRUE(t.Seek("A  "));
    EXPECT_EQ(t.RecNo(), 5);
    t.Next();
    EXPECT_EQ(t.RecNo(), 3);
}

TEST(PrirediTip, GeneralAndMasterDetailMappings)
{
    struct Case {
        const char *tip;
        int dolz, dec;
        const char *gTip;
        int gDolz;
        const char *mTip;
        int mDolz;
    } cases[] = {
        // Numbers: digits, the sign and the decimal point ("-12345", "-999.99").
        {"NUMBER", 10, 0, "C", 11, "C", 11},
        {"NUMBER", 10, 2, "C", 12, "C", 12},
        {"NUMBER", 5, 2, "C", 7, "C", 7},
        {"NUMBER", 2, 2, "C", 5, "C", 5},      // "-0.99"
        {"NUMBER", 3, 5, "C", 8, "C", 8},      // "-0.00123"
        {"NUMBER", 5, -2, "C", 8, "C", 8},     // "-9999900"
        {"NUMBER", 22, 0, "C", 42, "C", 42},   // no precision: 40 digits and a point
        {"INTEGER", 22, 0, "C", 42, "C", 42},
        // Widths no column has: no overflow, never wider than a character field.
        {"NUMBER", 2147483647, 0, "C", 254, "C", 254},
        {"NUMBER", 2147483647, 2147483647, "C", 254, "C", 254},
        {"NUMBER", 10, -2147483647 - 1, "C", 254, "C", 254},
        {"INTEGER", -2147483647 - 1, 0, "C", 2, "C", 2},
        {"DATE", 7, 0, "C", 19, "D", 8},
        {"VARCHAR2", 40, 0, "C", 40, "C", 40},
        {"VARCHAR2", 255, 0, "C", 255, "C", 255},
        {"VARCHAR2", 256, 0, "M", 10, "M", 10},
        {"VARCHAR2", 2000, 0, "M", 10, "M", 10},
        {"CLOB", 4000, 0, "M", 10, "C", 4000},
        {"BLOB", 4000, 0, "M", 10, "M", 10},
        {"LONG", 0, 0, "M", 10, "M", 10},
        {"LONG RAW", 0, 0, "C", 0, "M", 10},
        {"CHAR", 3, 0, "C", 3, "C", 3},
        {"RAW", 16, 0, "C", 16, "C", 16},
    };
    for (const Case &c : cases) {
        QString t = c.tip;
        qint32 l = c.dolz, d = c.dec;
        prirediTip(t, l, d);
        EXPECT_EQ(t, QString(c.gTip)) << c.tip << " " << c.dolz;
        EXPECT_EQ(l, c.gDolz) << c.tip << " " << c.dolz;
        EXPECT_EQ(d, 0) << c.tip;
        t = c.tip;
        l = c.dolz;
        d = c.dec;
        prirediTipMasterDetail(t, l, d);
        EXPECT_EQ(t, QString(c.mTip)) << c.tip << " " << c.dolz;
        EXPECT_EQ(l, c.mDolz) << c.tip << " " << c.dolz;
    }
}

TEST(DbfOps, SeekAndIndexOrderSkipDeletedRecords)
{
    TestEnv env;
    makeTable(env.path("DEL"), "120"); // keys 120, 12, 3
    TApolloDataSet t;
    t.TableName = env.path("DEL");
    t.Open();
    t.Go(1);
    t.Delete(); // deleted before the index is built
    RecordingUi ui;
    ASSERT_TRUE(odpriDBF(t, saveDirOf(env), "DEL", "SIFRA", ui));
    ASSERT_TRUE(t.Seek("12"));
    EXPECT_EQ(t.RecNo(), 2);
    t.Delete(); // and one while the index is active
    EXPECT_FALSE(t.Seek("12"));
    ASSERT_TRUE(t.Seek("3"));
    QStringList order;
    for (t.First(); !t.Eof(); t.Next())
        order << t.FieldByName("SIFRA").AsString();
    EXPECT_EQ(order, QStringList({"3"}));
}

TEST(DbfOps, DamagedIndexFileIsBuiltAnew)
{
    TestEnv env;
    makeTable(env.path("IX"), "120");
    for (const QByteArray &junk : {QByteArray("not an index"), QByteArray(4096, '\xFF')}) {
        QFile f(env.path("IX.CDX"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(junk);
        f.close();
        TApolloDataSet t;
        RecordingUi ui;
        ASSERT_TRUE(odpriDBF(t, saveDirOf(env), "IX", "SIFRA", ui)) << ui.messages.join('\n').toStdString();
        EXPECT_TRUE(t.Seek("3"));
        EXPECT_EQ(t.RecNo(), 3);
    }
}

TEST(DbfOps, ActiveIndexFollowsEditsZapAndAppends)
{
    TestEnv env;
    makeTable(env.path("AI"), "120"); // keys 120, 12, 3
    TApolloDataSet t;
    RecordingUi ui;
    ASSERT_TRUE(odpriDBF(t, saveDirOf(env), "AI", "SIFRA", ui));
    ASSERT_TRUE(t.Seek("3"));
    t.Edit();
    t.FieldByName("SIFRA").setAsString("007"); // a changed key moves in the order
    t.Post();
    EXPECT_FALSE(t.Seek("3"));
    ASSERT_TRUE(t.Seek("007"));
    EXPECT_EQ(t.RecNo(), 3);
    t.Next();
    EXPECT_EQ(t.FieldByName("SIFRA").AsString(), QStringLiteral("12"));

    t.Zap();
    EXPECT_FALSE(t.Seek("1"));
    t.First();
    EXPECT_TRUE(t.Eof());
    t.Append();
    t.FieldByName("SIFRA").setAsString("55");
    t.Post();
    ASSERT_TRUE(t.Seek("5"));
    EXPECT_EQ(t.RecNo(), 1);
}
