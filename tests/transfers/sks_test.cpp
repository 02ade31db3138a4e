// Common code lists prepared at one installation and refreshed at another, on
// one embedded database that serves two installations (TAVO_A, TAVO_B) beside
// the plain TAVO schema, which no statement may touch.
#include "transfers/dveinstalaciji.h"

#include "log/runlog.h"
#include "oracle/oracle.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "general/manifest.h"
#include "transfers/druzine.h"
#include "transfers/sks.h"

#include <QDate>
#include <QDir>
#include <QFile>

namespace {

class RecordingUi : public TInteraction {
public:
    QStringList messages;
    QStringList questions;
    int answer = mrYes;
    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        questions << text;
        return answer;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override {}
};

struct Napredek {
    QList<TStevciPrehoda> zadnji{TStevciPrehoda(), TStevciPrehoda()};
    QStringList zakljucki;
    std::function<void(int, const TStevciPrehoda &)> obZapisu;
    TNapredekDruzine n;
    Napredek(const Napredek &) = delete;
    Napredek &operator=(const Napredek &) = delete;
    Napredek()
    {
        n.prikazi = [this](int p, const TStevciPrehoda &s) {
            zadnji[p] = s;
            if (obZapisu)
                obZapisu(p, s);
        };
        n.prikaziRezultat = [this](const QString &z, const QString &) { zakljucki << z; };
    }
};

QString stevci(const TIzidDruzine &izid)
{
    QStringList out;
    for (const TStevciPrehoda &s : izid.prehodi)
        out << QStringLiteral("%1/%2/%3/%4").arg(s.prebranih).arg(s.novih).arg(s.popravkov).arg(s.napak);
    return out.join(u' ');
}

const char *const kAlias = "SKSVEC";

class Sks : public TDveInstalaciji {
protected:
    Sks() : TDveInstalaciji(kAlias) {}
    // The code lists run as from the screens here, not as a script.
    void SetUp() override
    {
        TDveInstalaciji::SetUp();
        ctx.pAutomatika = false;
        ctx.p_autoPrepare = false;
        ctx.ui = &zapisnik;
    }
    QString dbfRows(const QString &name, const QStringList &fields)
    {
        TApolloDataSet t;
        t.TableName = ctx.currSaveDir + name;
        t.Open();
        QStringList out;
        for (t.First(); !t.Eof(); t.Next()) {
            QStringList r;
            for (const QString &f : fields)
                r << t.FieldByName(f).AsString();
            out << r.join(u'|');
        }
        t.Close();
        return out.join(u',');
    }
    void editDbf(const QString &name, const QString &sifra, const QString &field, const QString &value)
    {
        TApolloDataSet t;
        t.TableName = ctx.currSaveDir + name;
        t.Open();
        for (t.First(); !t.Eof(); t.Next())
            if (t.FieldByName(QStringLiteral("SIFRA000")).AsString() == sifra) {
                t.Edit();
                t.FieldByName(field).setAsString(value);
                t.Post();
            }
        t.Close();
        odstraniManifest();
    }
    // A package edited by hand is no longer what its preparation wrote: it
    // goes on without the manifest, as packages of earlier versions do.
    void odstraniManifest() { QFile::remove(ctx.currSaveDir + QString::fromLatin1(kImeManifesta)); }
    QStringList rezultat()
    {
        return moxtext::readTextLines(ctx.currSaveDir + QStringLiteral("rezultati/SKS.rez"));
    }
    // The run history without the records of the packages applied.
    QString zgodovina()
    {
        return rows(QStringLiteral("select vrstamox, napakemox from orna_util.orna_mox where napakemox<>'K'"));
    }

    // Code lists at installation A: system lists Z01 and P10 (prepared),
    // a user list X99 and an inactive list G34 (not prepared).
    void izvorA()
    {
        streze(QStringLiteral("TAVO_A"));
        exec({QStringLiteral("insert into ka000hed (sifra000,dol__000,desc_000,type_000,prod1000,stat_000) values "
                             "('Z01',3,'Države','S','ISO 3166','1')"),
              QStringLiteral("insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values "
                             "('P10',2,'Plačniki','S','1')"),
              QStringLiteral("insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values "
                             "('X99',1,'Uporabniški šifrant','U','1')"),
              QStringLiteral("insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values "
                             "('G34',1,'Opuščen','S','0')"),
              QStringLiteral("insert into kg000ss0 values (1,'Z01','SI','Slovenija','Republika Slovenija','1',"
                             "sysdate,'A')"),
              QStringLiteral("insert into kg000ss0 values (2,'Z01','HR','Hrvaška','Republika Hrvaška','1',"
                             "sysdate,'A')"),
              QStringLiteral("insert into kg000ss0 values (3,'Z01','BA','Bosna in Hercegovina',null,'1',sysdate,'A')"),
              QStringLiteral("insert into kg000ss0 values (4,'Z01','IT','Italija',null,'1',sysdate,'A')"),
              QStringLiteral("insert into kg000ss0 values (5,'Z01','AT','Avstrija',null,'0',sysdate,'A')"),
              QStringLiteral("insert into kg000ss0 values (6,'P10','1','Zavarovalnica Triglav','ZZZS','1',sysdate,'A')"),
              QStringLiteral("insert into kg000ss0 values (7,'X99','Q','Ne gre','','1',sysdate,'A')")});
    }
    // Installation B: Z01 with another description, SI equal, HR with
    // another long name, BA stored with trailing blanks in its key, IT
    // inactive with another name, DE only here; P10 missing.
    void prejemnikB()
    {
        streze(QStringLiteral("TAVO_B"));
        exec({QStringLiteral("insert into ka000hed (sifra000,dol__000,desc_000,type_000,prod1000,stat_000) values "
                             "('Z01',3,'Drzave','S','ISO 3166','1')"),
              QStringLiteral("insert into kg000ss0 values (101,'Z01','SI','Slovenija','Republika Slovenija','1',"
                             "sysdate,'B')"),
              QStringLiteral("insert into kg000ss0 values (102,'Z01','HR','Hrvaška','Republika Hrvatska','1',"
                             "sysdate,'B')"),
              QStringLiteral("insert into kg000ss0 values (103,'Z01','BA  ','Bosna',null,'1',sysdate,'B')"),
              QStringLiteral("insert into kg000ss0 values (104,'Z01','IT','Italia',null,'0',sysdate,'B')"),
              QStringLiteral("insert into kg000ss0 values (105,'Z01','DE','Nemčija',null,'1',sysdate,'B')")});
    }
    TIzidDruzine pripravi(const QString &filter)
    {
        TZahtevaDruzine z;
        z.filter = filter;
        return pripraviSKS(ctx, z, nullptr);
    }
    TIzidDruzine osvezi(bool samo, Napredek *n = nullptr)
    {
        TZahtevaDruzine z;
        z.samoPreverjanje = samo;
        return osveziSKS(ctx, z, n ? &n->n : nullptr);
    }

    RecordingUi zapisnik; // what the run showed and asked
};

TEST_F(Sks, RoundTripBetweenInstallationsOfOneDatabase)
{
    izvorA();
    prejemnikB();

    streze(QStringLiteral("TAVO_A"));
    const TIzidDruzine priprava = pripravi(QStringLiteral("Z%, P1%"));
    EXPECT_EQ(priprava.status, QStringLiteral("N")) << priprava.napaka.toStdString();
    EXPECT_EQ(stevci(priprava), QStringLiteral("2/0/0/0 5/0/0/0"));
    EXPECT_EQ(dbfRows(QStringLiteral("KA000HED"), {QStringLiteral("POPRAVI"), QStringLiteral("SIFRA000"),
                                                   QStringLiteral("DOL__000"), QStringLiteral("DESC_000"),
                                                   QStringLiteral("PROD1000"), QStringLiteral("TYPE_000")}),
              QStringLiteral("*|P10|2|Plačniki||,*|Z01|3|Države|ISO 3166|"));
    EXPECT_EQ(dbfRows(QStringLiteral("KG000SS0"), {QStringLiteral("SIFRA000"), QStringLiteral("KLJUC000"),
                                                   QStringLiteral("OPIS_000"), QStringLiteral("OPIS1000")}),
              QStringLiteral("P10|1|Zavarovalnica Triglav|ZZZS,Z01|BA|Bosna in Hercegovina|,"
                             "Z01|HR|Hrvaška|Republika Hrvaška,Z01|IT|Italija|,Z01|SI|Slovenija|Republika Slovenija"));

    // Check-only: everything listed and counted, nothing written, history "P".
    streze(QStringLiteral("TAVO_B"));
    const QString prej = rows(QStringLiteral("select * from kg000ss0 order by id___000"));
    Napredek n;
    TIzidDruzine izid = osvezi(true, &n);
    EXPECT_EQ(stevci(izid), QStringLiteral("2/1/1/0 5/1/3/0"));
    EXPECT_EQ(n.zakljucki, QStringList{QStringLiteral("Konec preverjanja SKUPNIH ŠIFRANTOV ")});
    EXPECT_EQ(rows(QStringLiteral("select * from kg000ss0 order by id___000")), prej);
    EXPECT_EQ(rows(QStringLiteral("select count(*) from ka000hed")), QStringLiteral("1"));
    const QStringList pricakovano = {
        QStringLiteral("Skupni Šifranti"),
        QStringLiteral("NOVO: P10"),
        QStringLiteral("POPR: Z01"),
        QStringLiteral("NOVO: P10  1"),
        QStringLiteral("POPR: Z01  BA"),
        QStringLiteral("       OPIS_000 staro:Bosna  novo:Bosna in Hercegovina"),
        QStringLiteral("POPR: Z01  HR"),
        QStringLiteral("       OPIS1000 staro:Republika Hrvatska  novo:Republika Hrvaška"),
        QStringLiteral("POPR: Z01  IT"),
        QStringLiteral("       OPIS_000 staro:Italia  novo:Italija"),
    };
    EXPECT_EQ(rezultat(), pricakovano);

    // The refresh applies the same differences to TAVO_B alone.
    Napredek n2;
    izid = osvezi(false, &n2);
    EXPECT_EQ(izid.status, QStringLiteral("N")) << izid.napaka.toStdString();
    EXPECT_EQ(stevci(izid), QStringLiteral("2/1/1/0 5/1/3/0"));
    EXPECT_EQ(rezultat(), pricakovano);
    EXPECT_EQ(n2.zakljucki, QStringList{QStringLiteral("Konec osveževanja SKUPNIH ŠIFRANTOV ")});
    EXPECT_EQ(rows(QStringLiteral("select sifra000,dol__000,desc_000,type_000,prod1000,stat_000,user_ipl "
                                  "from ka000hed order by sifra000")),
              QStringLiteral("P10|2|Plačniki|S||1|TAVO_B,Z01|3|Države|S|ISO 3166|1|TAVO_B"));
    // The key stored with trailing blanks is corrected too; the inactive
    // value is corrected and active again; DE, only here, stays.
    EXPECT_EQ(rows(QStringLiteral("select sifra000,kljuc000,opis_000,opis1000,stat_000 from kg000ss0 "
                                  "order by sifra000,kljuc000")),
              QStringLiteral("P10|1|Zavarovalnica Triglav|ZZZS|1,Z01|BA  |Bosna in Hercegovina||1,"
                             "Z01|DE|Nemčija||1,Z01|HR|Hrvaška|Republika Hrvaška|1,Z01|IT|Italija||1,"
                             "Z01|SI|Slovenija|Republika Slovenija|1"));
    EXPECT_EQ(rows(QStringLiteral("select count(*) from kg000ss0 where sifra000='P10' and id___000>0")),
              QStringLiteral("1"));
    EXPECT_EQ(zgodovina(), QStringLiteral("SKS|P,SKS|N"));
    EXPECT_EQ(rows(QStringLiteral("select count(*) from orna_util.orna_mox where vrstamox='PAKET SKS' and "
                                  "napakemox='K'")),
              QStringLiteral("1"));
    EXPECT_EQ(ctx.pNapakePrenosov, 0);

    const QStringList log = moxtext::readTextLines(imeLogDatoteke(ctx));
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log.mid(log.size() - 2),
              (QStringList{datumBesedilo(QDate::currentDate()) +
                               QStringLiteral("  REFRESH: TAVO_B  TAVO.KA000HED  INS:1  UPD:1  ERR:"),
                           QString(21, u' ') + QStringLiteral("TAVO_B  TAVO.KG000SS0  INS:1  UPD:3  ERR:")}));

    // A second run finds nothing and says so.
    zapisnik.messages.clear();
    Napredek n3;
    izid = osvezi(false, &n3);
    EXPECT_EQ(stevci(izid), QStringLiteral("2/0/0/0 5/0/0/0"));
    EXPECT_TRUE(n3.zakljucki.isEmpty());
    EXPECT_EQ(zapisnik.messages, QStringList{QStringLiteral("KONEC osveževanja SKUPNIH ŠIFRANTOV!")});
    EXPECT_EQ(rezultat(), QStringList{QStringLiteral("Skupni Šifranti")});

    // Neither the other installation nor the plain schema was touched.
    EXPECT_EQ(rows(QStringLiteral("select count(*) from tavo.ka000hed")) + u'/' +
                  rows(QStringLiteral("select count(*) from tavo.kg000ss0")),
              QStringLiteral("0/0"));
    EXPECT_EQ(rows(QStringLiteral("select desc_000 from tavo_a.ka000hed where sifra000='Z01'")),
              QStringLiteral("Države"));
}

TEST_F(Sks, FailedRecordsAreCountedListedAndTheRunGoesOn)
{
    izvorA();
    streze(QStringLiteral("TAVO_A"));
    pripravi(QStringLiteral("%"));
    // P10 exists at B only as an inactive list: it counts as new and its
    // insertion fails on the key. Z01 carries a DOL__000 that is no number.
    editDbf(QStringLiteral("KA000HED"), QStringLiteral("Z01"), QStringLiteral("DOL__000"), QStringLiteral("3x"));
    streze(QStringLiteral("TAVO_B"));
    exec({QStringLiteral("insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values "
                         "('P10',2,'Star','S','0')")});

    zapisnik.answer = mrYes;
    const TIzidDruzine izid = osvezi(false);
    EXPECT_EQ(izid.status, QStringLiteral("D"));
    EXPECT_EQ(stevci(izid), QStringLiteral("2/1/0/2 5/5/0/0"));
    const QStringList rez = rezultat();
    EXPECT_TRUE(rez.contains(QStringLiteral("NAPAKA: dodajanje glaveP10"))) << rez.join('\n').toStdString();
    EXPECT_TRUE(rez.contains(QStringLiteral("NAPAKA: Z01 DOL__000 ni celo število: 3x"))) << rez.join('\n').toStdString();
    EXPECT_EQ(zapisnik.questions.size(), 2);
    EXPECT_TRUE(zapisnik.questions.value(0).startsWith(QStringLiteral("NAPAKA \r\n")));
    // The values went on after the failed headers.
    EXPECT_EQ(rows(QStringLiteral("select count(*) from kg000ss0")), QStringLiteral("5"));
    EXPECT_EQ(rows(QStringLiteral("select sifra000 from ka000hed order by sifra000")), QStringLiteral("P10"));
    EXPECT_TRUE(zapisnik.messages.contains(QStringLiteral("NAPAKA pri osveževanju SKUPNIH ŠIFRANTOV!")));
    EXPECT_EQ(zgodovina(), QStringLiteral("SKS|D"));
    EXPECT_EQ(ctx.pNapakePrenosov, 1);
    const QStringList log = moxtext::readTextLines(imeLogDatoteke(ctx));
    EXPECT_TRUE(log.value(log.size() - 2).endsWith(QStringLiteral("TAVO.KA000HED  INS:1  UPD:  ERR:2")));
}

// Runs that stop early are failed runs: the answer Ne, "Prekini", a missing
// file. What was applied before stays; the following pass is skipped.
TEST_F(Sks, EarlyEndsAreFailedRuns)
{
    izvorA();
    streze(QStringLiteral("TAVO_A"));
    pripravi(QStringLiteral("%"));
    streze(QStringLiteral("TAVO_B"));
    exec({QStringLiteral("insert into ka000hed (sifra000,dol__000,desc_000,type_000,stat_000) values "
                         "('P10',2,'Star','S','0')")});

    // Ne after the failed P10 (the first header): Z01 and the values wait.
    zapisnik.answer = mrNo;
    TIzidDruzine izid = osvezi(false);
    EXPECT_EQ(izid.status, QStringLiteral("D"));
    EXPECT_EQ(stevci(izid), QStringLiteral("1/1/0/1 0/0/0/0"));
    EXPECT_EQ(rows(QStringLiteral("select count(*) from kg000ss0")), QStringLiteral("0"));
    EXPECT_EQ(ctx.pNapakePrenosov, 1);

    // "Prekini" during the second value: the first one stays written.
    exec({QStringLiteral("delete from ka000hed")});
    zapisnik.answer = mrYes;
    Napredek n;
    n.obZapisu = [this](int p, const TStevciPrehoda &s) {
        if (p == 1 && s.prebranih == 2)
            ctx.pKonec = true;
    };
    izid = osvezi(false, &n);
    EXPECT_EQ(izid.status, QStringLiteral("D"));
    EXPECT_EQ(stevci(izid), QStringLiteral("2/2/0/0 2/2/0/1"));
    EXPECT_EQ(rows(QStringLiteral("select count(*) from kg000ss0")), QStringLiteral("2"));
    EXPECT_EQ(rezultat().last(), QStringLiteral("NAPAKA: Osveževanje je bilo prekinjeno pred koncem datoteke"));
    EXPECT_EQ(ctx.pNapakePrenosov, 2);

    // A missing file: said, nothing written, failed.
    for (const QFileInfo &f : QDir(ctx.currSaveDir).entryInfoList({QStringLiteral("KG000SS0.*")}, QDir::Files))
        QFile::remove(f.filePath());
    exec({QStringLiteral("delete from ka000hed")});
    zapisnik.messages.clear();
    izid = osvezi(false);
    EXPECT_EQ(izid.status, QStringLiteral("D"));
    EXPECT_EQ(zapisnik.messages.value(0),
              QStringLiteral("Datoteka ") + ctx.currSaveDir + QStringLiteral("KG000SS0.dbf ne obstaja"));
    EXPECT_EQ(rows(QStringLiteral("select count(*) from ka000hed")), QStringLiteral("0"));
    EXPECT_EQ(rezultat().value(0), QStringLiteral("Skupni Šifranti"));
    EXPECT_EQ(zgodovina(), QStringLiteral("SKS|D,SKS|D,SKS|D"));
    EXPECT_EQ(ctx.pNapakePrenosov, 3);
}

// The value file need not be ordered by list, and may name a value twice:
// the second finds the row the first inserted.
TEST_F(Sks, ValuesInAnyOrderAndTwiceAreAppliedOnce)
{
    izvorA();
    streze(QStringLiteral("TAVO_A"));
    pripravi(QStringLiteral("%"));
    {
        TApolloDataSet t;
        t.TableName = ctx.currSaveDir + QStringLiteral("KG000SS0");
        t.Open();
        for (const char *v : {"Z01|SI|Slovenija", "P10|1|Zavarovalnica Triglav", "Z01|SI|Slovenija, EU"}) {
            const QStringList f = QString::fromUtf8(v).split(u'|');
            t.Append();
            t.FieldByName(QStringLiteral("SIFRA000")).setAsString(f[0]);
            t.FieldByName(QStringLiteral("KLJUC000")).setAsString(f[1]);
            t.FieldByName(QStringLiteral("OPIS_000")).setAsString(f[2]);
            t.Post();
        }
        t.Close();
        odstraniManifest();
    }
    streze(QStringLiteral("TAVO_B"));
    const TIzidDruzine izid = osvezi(false);
    EXPECT_EQ(izid.status, QStringLiteral("N")) << izid.napaka.toStdString();
    EXPECT_EQ(stevci(izid), QStringLiteral("2/2/0/0 8/5/3/0"));
    EXPECT_EQ(rows(QStringLiteral("select sifra000,kljuc000,opis_000,stat_000 from kg000ss0 "
                                  "where kljuc000 in ('SI','1') order by sifra000")),
              QStringLiteral("P10|1|Zavarovalnica Triglav|1,Z01|SI|Slovenija, EU|1"));
}

TEST(SksFilter, ConditionBindsEachItem)
{
    struct Primer {
        const char *filter;
        const char *pogoj;
        QStringList vrednosti;
    };
    const Primer primeri[] = {
        {"Z%,P1%,G34", "(sifra000 like :f0 or sifra000 like :f1 or sifra000 like :f2)", {"Z%", "P1%", "G34"}},
        {"%", "(sifra000 like :f0)", {"%"}},
        {"", "(sifra000 like :f0)", {""}},
        {" Z% , P1% ,", "(sifra000 like :f0 or sifra000 like :f1)", {"Z%", "P1%"}},
        {"A',B", "(sifra000 like :f0 or sifra000 like :f1)", {"A'", "B"}},
    };
    for (const Primer &p : primeri) {
        QStringList v;
        EXPECT_EQ(pogojFiltraSKS(QString::fromUtf8(p.filter), v), QString::fromLatin1(p.pogoj)) << p.filter;
        EXPECT_EQ(v, p.vrednosti) << p.filter;
    }
}

TEST_F(Sks, FilterAndReplicationChooseTheLists)
{
    streze(QStringLiteral("TAVO_A"));
    exec({QStringLiteral("insert into ka000hed (sifra000,type_000,stat_000) values ('Z01','S','1')"),
          QStringLiteral("insert into ka000hed (sifra000,type_000,stat_000) values ('Z02','S','1')"),
          QStringLiteral("insert into ka000hed (sifra000,type_000,stat_000) values ('P10','S','1')"),
          QStringLiteral("insert into ka000hed (sifra000,type_000,stat_000) values ('P20','S','1')"),
          QStringLiteral("insert into ka000hed (sifra000,type_000,stat_000) values ('G34','S','1')"),
          QStringLiteral("insert into ka000hed (sifra000,type_000,stat_000) values ('G345','S','1')"),
          QStringLiteral("insert into ka000hed (sifra000,type_000,stat_000) values ('U01','U','1')"),
          QStringLiteral("insert into kg000ss0 values (1,'Z01','A','a',null,'1',sysdate,'A')"),
          QStringLiteral("insert into kg000ss0 values (2,'U01','B','b',null,'1',sysdate,'A')")});
    struct Primer {
        const char *filter;
        bool replikacija;
        const char *glave;
        const char *vrednosti;
    };
    const Primer primeri[] = {
        {"Z%,P1%,G34", false, "G34,P10,Z01,Z02", "Z01"},
        {"%", false, "G34,G345,P10,P20,Z01,Z02", "Z01"},
        {" P1% , G34 ,", false, "G34,P10", ""},
        // No filter (a script names none): the default "%".
        {"", false, "G34,G345,P10,P20,Z01,Z02", "Z01"},
        {",", false, "", ""},
        {"Z01' or '1'='1", false, "", ""},
        {"%", true, "G34,G345,P10,P20,U01,Z01,Z02", "Z01"},
    };
    for (const Primer &p : primeri) {
        ctx.p_replikacija = p.replikacija;
        const TIzidDruzine izid = pripravi(QString::fromUtf8(p.filter));
        EXPECT_EQ(izid.status, QStringLiteral("N")) << p.filter << izid.napaka.toStdString();
        EXPECT_EQ(dbfRows(QStringLiteral("KA000HED"), {QStringLiteral("SIFRA000")}), QString::fromLatin1(p.glave))
            << p.filter;
        EXPECT_EQ(dbfRows(QStringLiteral("KG000SS0"), {QStringLiteral("SIFRA000")}), QString::fromLatin1(p.vrednosti))
            << p.filter;
    }
}

TEST(SksDruzina, ScriptItemRunsTheFamily)
{
    const TDruzina *d = najdiDruzino(QStringLiteral("SKS"));
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->pripravi && d->osvezi);
}

} // namespace
