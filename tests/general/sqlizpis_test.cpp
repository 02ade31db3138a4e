// The SQL file of a check-only refresh: run at one copy of the receiving
// database, it leaves the same rows as the real refresh at another copy.
#include "roundtrip_support.h"

#include "general/sqlizpis.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace roundtrip;

namespace {

const char *const kUvoz2 = "UVOZ2";

const char *const kTabela = "create table KX902TST (SIFRA902 NUMBER(10), CODE_902 CHAR(6), OPIS_902 VARCHAR2(200), "
                            "CENA_902 NUMBER(9,3), KOLI_902 NUMBER(5), DATUM902 DATE, BESE_902 CLOB, "
                            "SIFRA301 NUMBER(10))";

// A text longer than a literal, with what a script reader could take for
// the end of a statement or of a block, and what SQL*Plus would substitute.
QString dolgoBesedilo(const QString &oznaka)
{
    QString s;
    for (int i = 0; s.size() < 6000; ++i)
        s += QStringLiteral("%1 %2: Čaša 'vina' & kruh; Đurđa ŽŠČ;\r\n/\r\n").arg(oznaka).arg(i);
    return s + QStringLiteral("konec");
}

struct Vrstica {
    const char *code; // null: an empty key
    const char *opis;
    const char *cena;
    const char *koli;
    const char *datum; // DD.MM.YYYY HH24:MI:SS
    QString bese;
    const char *sifra301;
};

class SqlFileRoundTrip : public RoundTrip {
protected:
    void SetUp() override
    {
        RoundTrip::SetUp();
        const QString e = makeDatabase(QString::fromLatin1(kUvoz2));
        ASSERT_TRUE(e.isEmpty()) << e.toStdString();
    }

    void insert(const Vrstica &v, int sifra)
    {
        TOracleQuery q(&ctx.osOracle);
        q.SQL << "insert into kx902tst values (:s, :c, :o, :ce, :k, to_date(:d,'DD.MM.YYYY HH24:MI:SS'), :b, :p)";
        q.DeclareVariable("s", otInteger);
        q.DeclareVariable("c", otString);
        q.DeclareVariable("o", otString);
        q.DeclareVariable("ce", otFloat);
        q.DeclareVariable("k", otInteger);
        q.DeclareVariable("d", otString);
        q.DeclareVariable("b", otString);
        q.DeclareVariable("p", otInteger);
        auto v_ = [](const char *t) { return t ? QVariant(QString::fromUtf8(t)) : QVariant(); };
        q.SetVariable("s", sifra);
        q.SetVariable("c", v_(v.code));
        q.SetVariable("o", v_(v.opis));
        q.SetVariable("ce", v_(v.cena));
        q.SetVariable("k", v_(v.koli));
        q.SetVariable("d", v_(v.datum));
        q.SetVariable("b", v.bese.isEmpty() ? QVariant() : QVariant(v.bese));
        q.SetVariable("p", v_(v.sifra301));
        q.Execute();
        ctx.osOracle.Commit();
    }

    // The receiving installation's state, the same at both copies.
    void receiving(const char *alias)
    {
        connect(alias, "FAKTUR");
        exec({"delete from kx902tst", "delete from ka301pla",
              "insert into ka301pla (sifra301,code_301,naziv301) values (70,'P1','Ima')"});
        insert({"U1", "Staro ime", "9", "9", "01.01.2020 00:00:00", "<staro/>", "70"}, 500);
        insert({"U2", "Dolgo", "1", "1", nullptr, dolgoBesedilo("staro"), nullptr}, 501);
        insert({"S1", "Enako", "1", "1", nullptr, QString(), nullptr}, 502);
        insert({"M1", "Staro", "1", "1", nullptr, QString(), nullptr}, 503);
    }

    QString all(const char *alias)
    {
        connect(alias, "FAKTUR");
        return rows("select * from kx902tst order by code_902, sifra902");
    }

    QString sqlPath() const { return ctx.currSaveDir + "rezultati" + moxpath::separator() + "KX902TST.sql"; }
};

} // namespace

TEST_F(SqlFileRoundTrip, TheScriptAtOneCopyAndTheRefreshAtAnotherLeaveTheSameRows)
{
    // The exported rows: each shows a kind of value or of record.
    const Vrstica izvoz[] = {
        // new: quotes, Slovenian letters, a date with its time, negative and
        // decimal numbers, a reference that becomes the receiving key, a
        // short CLOB with a line end, "&" and ";" at a line's end
        {"N1", "O'Brien in 'drugi' – Čšž ČŠŽ đĐ", "-12.345", "-7", "01.07.2024 08:30:15",
         "kratko & 'jasno'\r\nvrstica;", "1"},
        // new: every value empty
        {"N2", nullptr, nullptr, nullptr, nullptr, QString(), nullptr},
        // new: a CLOB over 4000 characters
        {"N3", "Dolgo", "0.5", "0", "29.02.2024 00:00:00", dolgoBesedilo("novo"), nullptr},
        // an update of a row with another key here, and of a long CLOB
        {"U1", "Novo ime's", "0.001", "3", "31.12.2023 23:59:59", "<a>'x'</a>", "1"},
        {"U2", "Dolgo", "1", "1", nullptr, dolgoBesedilo("novo"), nullptr},
        // equal: nothing to do
        {"S1", "Enako", "1", "1", nullptr, QString(), nullptr},
        // different but unmarked in the file: no statement
        {"M1", "Novo", "2", "1", nullptr, QString(), nullptr},
        // errors: a payer the receiving installation lacks, an empty key
        {"E1", "Napaka", "1", "1", nullptr, QString(), "2"},
        {nullptr, "Brez kljuca", "1", "1", nullptr, QString(), nullptr},
    };
    const char *const avto[] = {
        "AUTO=SIFRA902 select max(sifra902) naslednji from faktur.kx902tst",
        // numbered on from the value read once, as the refresh does
        "AUTO=SIFRA902 select nvl(max(sifra902),0)+1 naslednji from faktur.kx902tst",
        "AUTO=SIFRA902 select faktur.sq_ka300cen.nextval naslednji from dual",
        "AUTO=SIFRA902 begin :naslednji:=tavo.getSequence('KX902TST'); end;",
    };

    for (const char *a : {kIzvoz, kUvoz, kUvoz2}) {
        connect(a, "FAKTUR");
        exec({kTabela});
    }
    connect(kIzvoz, "FAKTUR");
    exec({"insert into ka301pla (sifra301,code_301,naziv301) values (1,'P1','Ima')",
          "insert into ka301pla (sifra301,code_301,naziv301) values (2,'P2','Nima')"});
    int sifra = 0;
    for (const Vrstica &v : izvoz)
        insert(v, ++sifra);
    const QString mst = structure("KA301PLA.mst", {"TABELA=FAKTUR.KA301PLA", "STRUKTURA", "SIFRA301,,INTEGER,10,,,,",
                                                   "CODE_301,,CHAR,8,,,,"});
    createDbf(mst, true);
    ASSERT_EQ(prepareGeneralFromFile(ctx, mst, "order by sifra301", true), 2);
    QStringList lines{"TABELA=FAKTUR.KX902TST",      "KLJUC=CODE_902 CHAR",        "",
                      "STRUKTURA",                   "CODE_902,,CHAR,6,,,,",       "OPIS_902,U,VARCHAR2,200,,,,",
                      "CENA_902,U,NUMBER,9,3,,,",    "KOLI_902,U,INTEGER,5,,,,",   "DATUM902,U,DATE,19,,,,",
                      "BESE_902,U,CLOB,4000,,,,",    "SIFRA301,U,INTEGER,10,,,CODE_301,KA301PLA"};
    const QString str = structure("KX902TST.str", lines);
    createDbf(str);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, "order by code_902", false), qint64(std::size(izvoz)));
    editDbf(ctx.currSaveDir + "KX902TST", "CODE_902", "M1", "POPRAVI", " ");

    for (const char *a : avto) {
        SCOPED_TRACE(a);
        lines[2] = QString::fromLatin1(a);
        moxtext::writeTextLines(str, lines);
        receiving(kUvoz);
        receiving(kUvoz2);

        // Copy 1: checked only, then the file it wrote run by the tool.
        connect(kUvoz, "FAKTUR");
        const QString before = rows("select * from kx902tst order by code_902");
        TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, true);
        EXPECT_EQ(izid.stevci.novih, 3);
        EXPECT_EQ(izid.stevci.razlicnih, 3);
        EXPECT_EQ(izid.stevci.napak, 2);
        EXPECT_EQ(rows("select * from kx902tst order by code_902"), before);
        ASSERT_TRUE(QFile::exists(sqlPath()));
        const QStringList sql = moxtext::readTextLines(sqlPath());
        connect(kUvoz2, "FAKTUR");
        const QString e = runMoxDb({"sql", kUvoz, "FAKTUR", "FAKTUR", sqlPath()});
        ASSERT_TRUE(e.isEmpty()) << e.toStdString() << "\n" << sql.join('\n').toStdString();

        // Copy 2: refreshed for real.
        izid = refreshGeneralFromFile(ctx, str, false);
        EXPECT_EQ(izid.stevci.dodanih, 3);
        EXPECT_EQ(izid.stevci.popravljenih, 2);
        EXPECT_FALSE(QFile::exists(sqlPath())) << "a real refresh removes the file of an earlier check";

        const QString pravo = all(kUvoz2);
        EXPECT_EQ(all(kUvoz), pravo) << sql.join('\n').toStdString();
        EXPECT_TRUE(pravo.contains("O'Brien in 'drugi' – Čšž ČŠŽ đĐ|-12.345|-7|01.07.2024 08:30:15|kratko & "
                                   "'jasno'\r\nvrstica;|70"))
            << pravo.toStdString();
        EXPECT_TRUE(pravo.contains(dolgoBesedilo("novo"))) << pravo.toStdString();
        if (QString(a).contains("max(")) {
            // Highest here 503: on from 503 or from 504 (the statement's +1).
            const int prva = QString(a).contains("nvl(") ? 505 : 504;
            for (int i = 0; i < 3; ++i)
                EXPECT_TRUE(pravo.contains(QString("%1|N%2    |").arg(prva + i).arg(i + 1))) << pravo.toStdString();
        }

        // What the file holds: the statements of the five records applied,
        // nothing of the unmarked one, a note for each error.
        EXPECT_EQ(sql.filter(QRegularExpression("^insert into ")).size(), 3);
        EXPECT_EQ(sql.filter(QRegularExpression("^update FAKTUR.KX902TST$")).size(), 2);
        EXPECT_EQ(sql.filter("M1").size(), 0);
        EXPECT_EQ(sql.filter(QRegularExpression("^-- NAPAKA \\(brez stavka\\): CODE_902 \\((E1    |      )\\) ")).size(), 2);
        EXPECT_EQ(sql.filter(QRegularExpression("^commit;$")).size(), 5);
        EXPECT_EQ(sql.filter(QRegularExpression("^/$")).size(), 2) << "the two long texts";
        EXPECT_EQ(sql.first(), "-- TABELA :FAKTUR.KX902TST");
        EXPECT_EQ(sql.filter(QRegularExpression("^-- Vhodna datoteka: .*KX902TST\\.(DBF|dbf)$")).size(), 1);
    }
}

// The file's form: lines ended by CR LF in Windows-1250, none long, every
// statement ended at a line's end.
TEST_F(SqlFileRoundTrip, TheFileIsWindows1250LinesOfAReadableLength)
{
    connect(kIzvoz, "FAKTUR");
    exec({kTabela});
    insert({"A1", "Čšž 'x'", "1.5", "2", "01.02.2024 03:04:05", dolgoBesedilo("a"), nullptr}, 1);
    const QString str = structure("KX902TST.str", {"TABELA=FAKTUR.KX902TST", "KLJUC=CODE_902 CHAR", "STRUKTURA",
                                                   "CODE_902,,CHAR,6,,,,", "OPIS_902,U,VARCHAR2,200,,,,",
                                                   "CENA_902,U,NUMBER,9,3,,,", "DATUM902,U,DATE,19,,,,",
                                                   "BESE_902,U,CLOB,4000,,,,"});
    createDbf(str);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, QString(), false), 1);
    connect(kUvoz, "FAKTUR");
    exec({kTabela});
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, true);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();

    QFile f(sqlPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray b = f.readAll();
    EXPECT_TRUE(b.contains(QByteArray("'\xC8\x9A\x9E ''x'''")));                  // 'Čšž ''x'''
    EXPECT_TRUE(b.contains("to_date('01.02.2024 03:04:05','DD.MM.YYYY HH24:MI:SS')"));
    EXPECT_TRUE(b.contains("chr(13)||chr(10)"));
    EXPECT_EQ(b.count("\n"), b.count("\r\n"));
    EXPECT_TRUE(b.endsWith("\r\n/\r\n"));
    for (const QByteArray &l : b.split('\n'))
        EXPECT_LT(l.size(), 500) << l.constData();
    EXPECT_TRUE(b.contains("\r\nSET DEFINE OFF\r\n"));
}

// A file that cannot be written is an error of the run, with the path.
TEST_F(SqlFileRoundTrip, AFileThatCannotBeWrittenIsAnErrorOfTheRun)
{
    connect(kIzvoz, "FAKTUR");
    exec({kTabela});
    insert({"A1", "x", "1", "1", nullptr, QString(), nullptr}, 1);
    const QString str = structure("KX902TST.str", {"TABELA=FAKTUR.KX902TST", "KLJUC=CODE_902 CHAR", "STRUKTURA",
                                                   "CODE_902,,CHAR,6,,,,", "OPIS_902,U,VARCHAR2,200,,,,"});
    createDbf(str);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, QString(), false), 1);
    connect(kUvoz, "FAKTUR");
    exec({kTabela});
    // A folder where the file goes: neither removed nor replaced.
    ASSERT_TRUE(QDir().mkpath(sqlPath()));
    for (bool samo : {true, false}) {
        SCOPED_TRACE(samo ? "check-only" : "refresh");
        const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, samo);
        EXPECT_EQ(izid.status, "D");
        EXPECT_TRUE(izid.napaka.startsWith("Napaka pri pisanju v: " + sqlPath())) << izid.napaka.toStdString();
    }
    EXPECT_EQ(rows("select count(*) from kx902tst"), "0");
}

// A check-only run that ends early says so at the end of its file: the
// statements before it stay, the rest is missing.
TEST_F(SqlFileRoundTrip, ARunThatEndsEarlySaysSoAtTheEndOfItsFile)
{
    connect(kIzvoz, "FAKTUR");
    exec({kTabela});
    insert({"A1", "x", "1", "1", nullptr, QString(), nullptr}, 1);
    insert({"B1", "y", "2", "1", nullptr, QString(), nullptr}, 2);
    const QString str = structure("KX902TST.str", {"TABELA=FAKTUR.KX902TST", "KLJUC=CODE_902 CHAR", "STRUKTURA",
                                                   "CODE_902,,CHAR,6,,,,", "CENA_902,U,NUMBER,9,3,,,"});
    createDbf(str);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, "order by code_902", false), 2);
    editDbf(ctx.currSaveDir + "KX902TST", "CODE_902", "B1", "CENA_902", "3x");
    connect(kUvoz, "FAKTUR");
    exec({kTabela});
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, true);
    EXPECT_EQ(izid.status, "D");
    const QStringList sql = moxtext::readTextLines(sqlPath());
    ASSERT_GE(sql.size(), 3);
    EXPECT_EQ(sql.filter(QRegularExpression("^ values\\('A1',1\\);$")).size(), 1) << sql.join('\n').toStdString();
    EXPECT_EQ(sql.filter("B1").size(), 0);
    EXPECT_EQ(sql[sql.size() - 2], "-- Preverjanje se je končalo z napako; datoteka ni popolna:");
    EXPECT_TRUE(sql.last().startsWith("-- ") && sql.last().contains("3x")) << sql.last().toStdString();
}

// The numbering expression of each form; a form the file cannot write is
// refused rather than numbered now.
TEST(SqlStevilcenje, EachFormNumbersWhenTheFileRuns)
{
    EXPECT_EQ(sqlStevilcenje(TAvto::getSequence, "begin :naslednji :=   tavo.getSequence('KA060AK0');end;"),
              "tavo.getSequence('KA060AK0')");
    EXPECT_EQ(sqlStevilcenje(TAvto::nextVal, "select FAKTUR.SQ_KA300CEN.NEXTVAL naslednji from dual"),
              "FAKTUR.SQ_KA300CEN.NEXTVAL");
    EXPECT_EQ(sqlStevilcenje(TAvto::max, "select max(sifra301) naslednji from faktur.ka301pla;"),
              "(select nvl(max(naslednji),0)+1 from (select max(sifra301) naslednji from faktur.ka301pla))");
    EXPECT_THROW(sqlStevilcenje(TAvto::getSequence, "begin tavo.stevilka('X', :naslednji); end;"), EMoxError);
}
