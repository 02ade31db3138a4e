// The template DBF files of the groups, groups 023 and pallets transfers:
// their layout table against the served schema, the files as independent
// readers see them (written by mox-dbf), and their installation into a folder
// that lacks them.
#include "transfers/predloge.h"

#include "dbf/dbflayout.h"
#include "oracle/embedded/database.h"
#include "oracle/embedded/script.h"
#include "oracle/oracle.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <map>

namespace {

const QString python = QStringLiteral("/usr/bin/python3");
const QString perl = QStringLiteral("/usr/bin/perl");

struct ProcResult {
    int code = -1;
    QByteArray out, err;
};

ProcResult run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    ProcResult r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        r.err = "did not finish";
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString moxDbf() { return TestEnv::binaryDir() + QStringLiteral("/tools/mox-dbf/mox-dbf"); }

QString readText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The files and indexes the three transfers open, as their own code names them.
const std::map<QString, QStringList> kDatoteke = {
    {"GRUPE",
     {"xgk61grp.dbf", "xgk60ak0.dbf", "xgo61grp.dbf", "xgo61spg.dbf", "xgo65hc0.dbf", "xgo55shc.dbf",
      "xgk55hc0.dbf", "xgk62nhc.dbf", "xgk55lab.dbf", "xgk62nhh.dbf"}},
    {"GRUPE023", {"xgk23grp.dbf", "xgp11hc0.dbf", "xgp23grp.dbf"}},
    {"PALETE", {"xp116pal.dbf", "xp116nhc.dbf", "xp011nhc.dbf"}},
};
const std::map<QString, QString> kIndeksi = {
    {"xgk60ak0", "code_060"},          {"xgo55shc", "coden055+code_055"}, {"xgk55hc0", "code_055"},
    {"xgk62nhc", "code_060+code_011"}, {"xgk55lab", "code_055"},          {"xgk62nhh", "code_055"},
    {"xgo61grp", "code_061,code_060"}, {"xgo61spg", "code_061,code_031"}, {"xgo65hc0", "code_061,code_055"},
    {"xp011nhc", "code_011"},
};

} // namespace

TEST(Predloge, EveryFileOfTheTransfersWithItsIndexes)
{
    std::map<QString, QString> indeksi;
    for (const auto &[druzina, datoteke] : kDatoteke) {
        SCOPED_TRACE(druzina.toStdString());
        QStringList imena;
        for (const TPredloga &p : predlogeDruzine(druzina))
            imena << p.datoteka;
        EXPECT_EQ(imena, datoteke);
    }
    for (const TPredloga &p : predloge()) {
        SCOPED_TRACE(p.datoteka.toStdString());
        EXPECT_EQ(p.polja.value(0).polje, "POPRAVI");
        EXPECT_EQ(p.polja.value(0).dolzina, 1);
        for (const TPredlogaIndeks &ix : p.indeksi)
            indeksi[ix.ime] = ix.izraz;
        // The transfers pad HC codes to 10 when they seek them, and write
        // dates of 19 characters.
        for (const tipDBFStruktura &f : p.polja) {
            if (f.polje == "CODE_055" || f.polje == "CODEN055") {
                EXPECT_EQ(f.dolzina, 10) << f.polje.toStdString();
            }
            if (f.polje.startsWith("DATUM")) {
                EXPECT_GE(f.dolzina, 19) << f.polje.toStdString();
            }
        }
    }
    EXPECT_EQ(indeksi, kIndeksi);
    ASSERT_NE(najdiPredlogo("XGK60AK0.DBF"), nullptr);
    EXPECT_EQ(najdiPredlogo("XGK60AK0.DBF")->datoteka, "xgk60ak0.dbf");
}

// Each field is what the general type mapping makes of its source column in
// the served schema.
TEST(Predloge, FieldsFollowTheServedSchema)
{
    TestEnv env;
    oraembed::createDatabase("PREDLOGE");
    oraembed::createUser("PREDLOGE", "TAVO", "tavo");
    TOracleSession s;
    s.LogonDatabase = "PREDLOGE";
    s.LogonUsername = "TAVO";
    s.LogonPassword = "tavo";
    s.setConnected(true);
    const QString script = readText(TestEnv::sourceDir() + "/fixtures/schema/tavo.sql");
    ASSERT_FALSE(script.isEmpty());
    for (const oraembed::ScriptStatement &st : oraembed::splitScript(script.split('\n'))) {
        TOracleQuery q(&s);
        q.SQL << st.text;
        q.Execute();
    }
    TOracleDataSet col(&s);
    col.SQL << "select data_type,data_precision,data_length,data_scale from all_tab_columns"
            << "where owner='TAVO' and table_name=:tabela and column_name=:stolpec";
    col.DeclareVariable("tabela", otString);
    col.DeclareVariable("stolpec", otString);
    int preverjenih = 0;
    for (const TPredloga &p : predloge()) {
        for (int i = 0; i < p.polja.size(); ++i) {
            const tipDBFStruktura &f = p.polja.at(i);
            const QString vir = p.viri.at(i);
            SCOPED_TRACE((p.datoteka + " " + f.polje + " " + vir).toStdString());
            if (vir.isEmpty()) {
                EXPECT_EQ(f.polje, "POPRAVI");
                continue;
            }
            col.Close();
            col.SetVariable("tabela", vir.section('.', 0, 0));
            col.SetVariable("stolpec", vir.section('.', 1, 1));
            col.Open();
            ASSERT_FALSE(col.Eof()) << "the schema has no such column";
            QString tip = col.FieldByName("data_type").AsString();
            const qint64 prec = col.FieldByName("data_precision").AsInteger();
            qint32 dolz = qint32(prec >= 1 ? prec : col.FieldByName("data_length").AsInteger());
            qint32 dec = qint32(col.FieldByName("data_scale").AsInteger());
            prirediTip(tip, dolz, dec);
            EXPECT_EQ(f.tip, tip);
            EXPECT_EQ(f.dolzina, dolz);
            EXPECT_EQ(f.decimalk, dec);
            ++preverjenih;
        }
    }
    EXPECT_GT(preverjenih, 0);
}

// mox-dbf writes the templates; python3-dbfread reads every file and gives
// the names, types and widths of the table; Perl's XBase::Index finds the one
// tag of every index file.
TEST(Predloge, IndependentReadersReadTheWrittenFiles)
{
    TestEnv env;
    const QString dir = env.path("save");
    QDir().mkpath(dir);
    const ProcResult made = run(moxDbf(), {"templates", dir});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(made.out).split('\n', Qt::SkipEmptyParts).size(), predloge().size());

    if (run(python, {"-c", "import dbfread"}).code != 0)
        GTEST_SKIP() << "python3-dbfread is not installed";
    const ProcResult r = run(python, {"-c", R"(
import dbfread, json, os, sys
d = sys.argv[1]
out = {}
for name in sorted(os.listdir(d)):
    if name.lower().endswith('.dbf'):
        t = dbfread.DBF(os.path.join(d, name), load=True)
        out[name] = {'records': len(t.records),
                     'fields': [[f.name, f.type, f.length, f.decimal_count] for f in t.fields]}
print(json.dumps(out))
)", dir});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject files = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(files.size(), predloge().size());
    for (const TPredloga &p : predloge()) {
        SCOPED_TRACE(p.datoteka.toStdString());
        const QJsonObject o = files.value(p.datoteka).toObject();
        EXPECT_EQ(o.value("records").toInt(-1), 0);
        const QJsonArray fields = o.value("fields").toArray();
        ASSERT_EQ(fields.size(), p.polja.size());
        for (int i = 0; i < fields.size(); ++i) {
            const QJsonArray f = fields.at(i).toArray();
            EXPECT_EQ(f.at(0).toString(), p.polja.at(i).polje);
            EXPECT_EQ(f.at(1).toString(), p.polja.at(i).tip);
            EXPECT_EQ(f.at(2).toInt(), p.polja.at(i).dolzina);
            EXPECT_EQ(f.at(3).toInt(), p.polja.at(i).decimalk);
        }
    }

    if (run(perl, {"-MXBase::Index", "-e1"}).code != 0)
        GTEST_SKIP() << "Perl XBase (libdbd-xbase-perl) is not installed";
    for (const auto &[ime, izraz] : kIndeksi) {
        SCOPED_TRACE(ime.toStdString());
        const QString cdx = moxpath::join(dir, ime + ".CDX");
        ASSERT_TRUE(QFileInfo::exists(cdx));
        const ProcResult tags = run(perl, {"-MXBase::Index", "-e", R"(
my $i = XBase::Index->new($ARGV[0], type => 'char') or die XBase::Index->errstr;
my @t = $i->tags;
die "tags: @t\n" unless @t == 1;
my $x = XBase::Index->new($ARGV[0], tag => $t[0], type => 'char') or die XBase::Index->errstr;
$x->prepare_select;
my @k = $x->fetch;
die "an empty file's index holds a key\n" if @k;
print $t[0];
)", cdx});
        EXPECT_EQ(tags.code, 0) << tags.err.toStdString();
    }
}

TEST(Predloge, MissingFilesAreInstalledAndLogged)
{
    TestEnv env;
    TMoxContext ctx;
    QDir().mkpath(env.path("save"));
    QDir().mkpath(env.path("log"));
    ctx.currSaveDir = moxpath::withTrailingSeparator(env.path("save"));
    ctx.currDirLog = moxpath::withTrailingSeparator(env.path("log"));
    const QString log = moxpath::join(ctx.currDirLog, "ORNA_SYS.LOG");

    // A file of the family that is there already keeps its records.
    ustvariPredlogo(*najdiPredlogo("xp116pal.dbf"), ctx.currSaveDir);
    {
        TApolloDataSet t;
        t.TableName = ctx.currSaveDir + "xp116pal.dbf";
        t.Open();
        t.Append();
        t.FieldByName("CODE_116").setAsString("P1");
        t.Post();
    }
    EXPECT_EQ(namestiManjkajocePredloge(ctx, QString(), "palete"), QStringList({"xp116nhc.dbf", "xp011nhc.dbf"}));
    const QString line = readText(log);
    EXPECT_TRUE(line.contains("PREDLOGE PALETE")) << line.toStdString();
    EXPECT_TRUE(line.contains("xp116nhc.dbf, xp011nhc.dbf")) << line.toStdString();
    EXPECT_FALSE(line.contains("xp116pal")) << line.toStdString();
    TApolloDataSet t;
    t.TableName = ctx.currSaveDir + "xp116pal.dbf";
    t.Open();
    EXPECT_EQ(t.RecordCount(), 1);
    t.Close();
    // The index file came with the file, and the transfer's own index build works on it.
    t.TableName = ctx.currSaveDir + "xp011nhc.dbf";
    t.Open();
    t.Index(ctx.currSaveDir + "xp011nhc", "code_011");
    EXPECT_FALSE(t.Seek("S1"));
    t.Close();

    // Nothing missing: nothing made, nothing logged.
    EXPECT_TRUE(namestiManjkajocePredloge(ctx, QString(), "PALETE").isEmpty());
    EXPECT_EQ(readText(log), line);
    // A family the table does not know is an error, not an empty success.
    EXPECT_THROW(namestiPredloge(ctx.currSaveDir, "SKS"), EMoxError);
    // A folder that does not exist cannot take them.
    EXPECT_THROW(namestiPredloge(env.path("nima"), "GRUPE023"), EMoxError);
}

TEST(Predloge, FaultsOfTheLayoutTableNameTheirLine)
{
    const std::map<QString, QString> primeri = {
        {"POPRAVI C 1 -", "vrstica 1"},
        {"datoteka a.dbf X\n", "nima polj"},
        {"datoteka a.dbf X\nPOPRAVI C 1 -\ndatoteka A.DBF X\nPOPRAVI C 1 -", "že opisana"},
        {"datoteka a.dbf X\nPOPRAVI C 1 -\nPOPRAVI C 2 -", "vrstica 3"},
        {"datoteka a.dbf X\nKODA N 5 T.K", "vrsta polja"},
        {"datoteka a.dbf X\nKODA C 0 T.K", "širina"},
        {"datoteka a.dbf X\nKODA C 300 T.K", "širina"},
        {"datoteka a.dbf X\nKODA C 5 TK", "TABELA.STOLPEC"},
        {"datoteka a.dbf X\nKODA C 5", "vrstica 2"},
        {"datoteka a.dbf X\nindeks a koda,ime\nKODA C 5 T.K", "navaja polje ime"},
    };
    for (const auto &[besedilo, sporocilo] : primeri) {
        SCOPED_TRACE(besedilo.toStdString());
        try {
            preberiPredloge(besedilo);
            ADD_FAILURE() << "accepted";
        } catch (const EMoxError &e) {
            EXPECT_TRUE(e.message().contains(sporocilo)) << e.message().toStdString();
        }
    }
    const QVector<TPredloga> p =
        preberiPredloge("# comment\n\ndatoteka a.dbf grupe\nindeks a koda\n  POPRAVI c 1 -\nkoda C 5 t.k_1\n");
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0].druzina, "GRUPE");
    EXPECT_EQ(p[0].viri, QStringList({"", "T.K_1"}));
    EXPECT_EQ(p[0].polja[1].polje, "KODA");
}
