// generirajDBF against a small embedded database: the dictionary's columns
// become the DBF's fields through the general type mapping.
#include "dbf/dbflayout.h"
#include "run/dbfops.h"
#include "oracle/embedded/database.h"
#include "support/recordingui.h"
#include "run/context.h"
#include "support/testenv.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

void exec(TOracleSession &s, const QString &sql)
{
    TOracleQuery q(&s);
    q.SQL << sql;
    q.Execute();
}

QStringList fieldsOf(const QString &path)
{
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    QStringList out;
    for (int i = 0; i < t.FieldCount(); ++i) {
        const TApolloFieldInfo &f = t.FieldInfo(i);
        out << QStringLiteral("%1 %2 %3").arg(f.name, f.type).arg(f.width);
    }
    return out;
}

struct Fixture {
    TestEnv env;
    RecordingUi ui;
    TMoxContext ctx;
    Fixture()
    {
        oraembed::createDatabase(QStringLiteral("GEN"));
        oraembed::createUser(QStringLiteral("GEN"), QStringLiteral("TAVO"), QStringLiteral("tavo"));
        ctx.osOracle.LogonDatabase = QStringLiteral("GEN");
        ctx.osOracle.LogonUsername = QStringLiteral("TAVO");
        ctx.osOracle.LogonPassword = QStringLiteral("tavo");
        ctx.osOracle.setConnected(true);
        ctx.ui = &ui;
        ctx.currSaveDir = env.dir() + QDir::separator();
    }
};

} // namespace

TEST(GenerirajDbf, ColumnsBecomeFieldsAfterPopravi)
{
    Fixture f;
    exec(f.ctx.osOracle, "create table KA999TST (SIFRA999 NUMBER(10), CENA_999 NUMBER(5,2), KOL__999 INTEGER, "
                         "DATUMIPL DATE, OPIS_999 VARCHAR2(255), DOLG_999 VARCHAR2(256), XML__999 CLOB, "
                         "STAT_999 CHAR(1), NNN__999 NUMBER)");
    generirajDBF(f.ctx, "TAVO", "KA999TST");
    EXPECT_TRUE(f.ui.messages.isEmpty()) << f.ui.messages.join('\n').toStdString();
    EXPECT_EQ(fieldsOf(f.env.path("KA999TST")),
              QStringList({"POPRAVI C 1", "SIFRA999 C 11", "CENA_999 C 7", "KOL__999 C 42", "DATUMIPL C 19",
                           "OPIS_999 C 255", "DOLG_999 M 10", "XML__999 M 10", "STAT_999 C 1", "NNN__999 C 42"}));
}

TEST(GenerirajDbf, Pr908cxrGetsCode055AndRunsReplaceTheFile)
{
    Fixture f;
    exec(f.ctx.osOracle, "create table PR908CXR (SIFRA908 NUMBER(10), CODE_908 VARCHAR2(20))");
    generirajDBF(f.ctx, "TAVO", "PR908CXR");
    const QString path = f.env.path("PR908CXR");
    EXPECT_EQ(fieldsOf(path), QStringList({"POPRAVI C 1", "SIFRA908 C 11", "CODE_908 C 20", "CODE_055 C 10"}));
    {
        TApolloDataSet t;
        t.TableName = path;
        t.Open();
        t.Append();
        t.FieldByName("CODE_908").setAsString("x");
        t.Post();
    }
    generirajDBF(f.ctx, "TAVO", "PR908CXR");
    TApolloDataSet t;
    t.TableName = path;
    t.Open();
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST(GenerirajDbf, UnknownTableGivesOnlyPopravi)
{
    Fixture f;
    generirajDBF(f.ctx, "TAVO", "NI_TABELE");
    EXPECT_EQ(fieldsOf(f.env.path("NI_TABELE")), QStringList({"POPRAVI C 1"}));
}

TEST(GenerirajDbf, CreationFailureIsShown)
{
    Fixture f;
    exec(f.ctx.osOracle, "create table KA998TST (SIFRA998 NUMBER(10), DOLG_998 CHAR(2000))");
    generirajDBF(f.ctx, "TAVO", "KA998TST"); // a character field of 2000 cannot be made
    EXPECT_EQ(f.ui.messages, QStringList({QStringLiteral("Neuspešno kreiranje tabele:")
                                          + QDir(f.env.dir()).filePath("KA998TST")}));
}
