// Groups and activities: round trips between two embedded databases
// (prepared at the exporting installation, refreshed at the receiving one).
#include "transfers/grupe.h"

#include "general/manifest.h"
#include "general/roundtrip_support.h"
#include "base/paths.h"
#include "base/text.h"

#include <QDir>
#include <QFile>

#include <algorithm>

using namespace roundtrip;

namespace {

QString urejeno(const QString &s)
{
    QStringList l = s.split(u',');
    std::sort(l.begin(), l.end());
    return l.join(u',');
}

const QStringList kTriggerji = {"BTKA061GRP", "BTKA060AK0", "BTPO061SPG", "BTKA055HC0", "BTPO065HC0",
                                "BT055SHC",   "BTKA062NHC", "BTKA055LAB", "BTKA062NHH"};

// Settings of the exporting installation: G1 with its services and only A10
// and A2 of its activities; G10 with all of its own; XG2, a code that holds
// the code of group G2, which is therefore not exported.
const QStringList kNastavitve = {"###", "G1 STORITVE", "A10", "A2", "POLJA", "X", "###", "G10", "###", "XG2"};

class GrupeRoundTrip : public RoundTrip {
protected:
    void SetUp() override
    {
        RoundTrip::SetUp();
        if (HasFatalFailure())
            return;
        izvoz();
        uvoz();
    }

    void brezTriggerjev()
    {
        for (const QString &t : kTriggerji) {
            TOracleQuery q(&ctx.osOracle);
            q.SQL << QStringLiteral("alter trigger ") + t + QStringLiteral(" disable");
            q.Execute();
        }
    }

    // Exporting installation. The rows keep the dates given here (the
    // triggers that stamp the time of change are off while they are made).
    void izvoz()
    {
        connect(kIzvoz);
        brezTriggerjev();
        exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (1,'INT','Interna klinika','1')",
              "insert into kr031org (sifra031,code_031,opis_031,stat_031) values (2,'KIR','Kirurška klinika','1')",
              "insert into ka011nhc (sifra011,code_011,opis_011) values (1,'S1','Odvzem krvi')",
              "insert into ka011nhc (sifra011,code_011,opis_011) values (2,'S10','Pregled urina')",
              "insert into ka061grp (sifra061,code_061,desc_061,type_061,stat_061,sifra038,datumipl,user_ipl) "
              "values (1,'G1','Laboratorij čšž','L','1',7,to_date('05.03.2016','DD.MM.YYYY'),'ANA')",
              "insert into ka061grp (sifra061,code_061,desc_061,type_061,stat_061,datumipl,user_ipl) "
              "values (2,'G10','Ambulanta za odrasle paciente','S','1',to_date('05.03.2016 08:15:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into ka061grp (sifra061,code_061,desc_061,type_061,stat_061) values (3,'G2','Druga','S','1')",
              // A10 comes before A1 in every group (higher status first).
              "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060,sifra031,traj_060,datumipl,user_ipl) "
              "values (1,'A10','Odvzem krvi','2',1,15,to_date('05.03.2016 08:15:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060,sifra031,datumipl) "
              "values (2,'A1','Pregled','1',2,to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060,datumipl) "
              "values (3,'A2','Posvet brez oddelka','1',to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (4,'A3','Tuja','1')",
              "insert into po061grp (idpo_061,sifra061,sifra060,datumipl) values (1,1,1,to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (2,1,2)",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (3,1,3)",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (4,2,1)",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (5,2,2)",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (6,3,4)",
              "insert into po061spg (idpo_061,sifra061,sifra031,ordr_061,perf_061,datumipl) "
              "values (1,1,1,1,'D',to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into po061spg (idpo_061,sifra061,sifra031,ordr_061) values (2,2,2,2)",
              "insert into ka062nhc (sifra062,sifra060,sifra011,kol1_062,stat_062) values (1,1,1,2,'1')",
              "insert into ka062nhc (sifra062,sifra060,sifra011,kol1_062,stat_062) values (2,1,2,1,'1')",
              "insert into ka062nhc (sifra062,sifra060,sifra011,kol1_062,stat_062) values (3,2,1,1,'1')",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055,cotxl055,datumipl) "
              "values (1,'HC1','Hemogram','1',3,to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (2,'HC2','Levkociti','1')",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (3,'HC3','Eritrociti','1')",
              // A sub-HC cycle: HC2 under HC1 and HC1 under HC2; HC3 under HC2.
              "insert into po055shc (idpo_055,sifna055,sifra055,ordin055) values (1,1,2,1)",
              "insert into po055shc (idpo_055,sifna055,sifra055,ordin055) values (2,2,1,1)",
              "insert into po055shc (idpo_055,sifna055,sifra055,ordin055) values (3,2,3,2)",
              "insert into po065hc0 (idpo_065,sifra061,sifra055,ordin065) values (1,1,1,1)",
              // G10 is of type "S": its HC link is not exported.
              "insert into po065hc0 (idpo_065,sifra061,sifra055,ordin065) values (2,2,3,1)",
              "insert into ka055lab (sifra055,izvid055,refmi055,refma055,stdec055,sifra,datumipl,user_ipl) "
              "values (1,'KRI',1.5,4.25,2,0.1,to_date('05.03.2016 08:15:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into ka062nhh (sifra062,sifra055,sifra011,kol1_062,stat_062,datumipl,user_ipl) "
              "values (1,1,1,2.5,'1',to_date('05.03.2016','DD.MM.YYYY'),'ANA')"});
        ctx.p_autoPrepare = true;
        const TIzidDruzine izid = pripraviGrupe(ctx, TZahtevaDruzine(), kNastavitve);
        ctx.p_autoPrepare = false;
        ASSERT_TRUE(izid.napaka.isEmpty()) << izid.napaka.toStdString();
        // The receiving installation keeps its own settings file.
        moxtext::writeTextLines(moxpath::join(ctx.currSaveDir, QStringLiteral("xg_grupe.str")), kNastavitve);
    }

    // Receiving installation: other internal keys; G1 older and different,
    // A10 as exported, HC1 there; links the exporter no longer has (G1-A5,
    // G1-KIR, G1-HC9) and links of a group the settings do not name (G3).
    void uvoz()
    {
        connect(kUvoz);
        brezTriggerjev();
        exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (11,'INT','Interna klinika','1')",
              "insert into kr031org (sifra031,code_031,opis_031,stat_031) values (12,'KIR','Kirurška klinika','1')",
              "insert into ka011nhc (sifra011,code_011,opis_011) values (21,'S1','Odvzem krvi')",
              "insert into ka011nhc (sifra011,code_011,opis_011) values (22,'S10','Pregled urina')",
              "insert into ka061grp (sifra061,code_061,desc_061,type_061,stat_061,datumipl) "
              "values (31,'G1','Stari opis','L','1',to_date('01.01.2015','DD.MM.YYYY'))",
              "insert into ka061grp (sifra061,code_061,desc_061,type_061,stat_061) values (33,'G3','Tretja','S','1')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060,sifra031,traj_060,datumipl,user_ipl) "
              "values (41,'A10','Odvzem krvi','2',11,15,to_date('05.03.2016 08:15:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (45,'A5','Opuščena','1')",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (51,31,41)",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (52,31,45)",
              "insert into po061grp (idpo_061,sifra061,sifra060) values (53,33,45)",
              "insert into po061spg (idpo_061,sifra061,sifra031,ordr_061) values (61,31,12,1)",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (71,'HC1','Star hemogram','1')",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (79,'HC9','Opuščen','1')",
              "insert into po065hc0 (idpo_065,sifra061,sifra055) values (81,31,79)"});
        for (const QString &t : kTriggerji)
            exec({QStringLiteral("alter trigger %1 enable").arg(t).toUtf8().constData()});
    }

    TIzidDruzine osvezi(bool samoPreverjanje = false)
    {
        TZahtevaDruzine z;
        z.samoPreverjanje = samoPreverjanje;
        return osveziGrupe(ctx, z);
    }

    QString stevci(const TIzidDruzine &izid)
    {
        QStringList s;
        for (const TStevciPrehoda &p : izid.prehodi)
            s << QStringLiteral("%1:%2/%3/%4/%5").arg(p.oznaka).arg(p.prebranih).arg(p.novih).arg(p.popravkov).arg(p.napak);
        return s.join(u' ');
    }

    QString dbf(const char *ime, const QStringList &polja)
    {
        return urejeno(dbfRows(ctx.currSaveDir + QString::fromLatin1(ime), polja));
    }

    QString povezave()
    {
        return urejeno(rows(QStringLiteral("select g.code_061,a.code_060 from po061grp p,ka061grp g,ka060ak0 a "
                                           "where g.sifra061=p.sifra061 and a.sifra060=p.sifra060")) +
                       u',' +
                       rows(QStringLiteral("select g.code_061,o.code_031 from po061spg p,ka061grp g,kr031org o "
                                           "where g.sifra061=p.sifra061 and o.sifra031=p.sifra031")) +
                       u',' +
                       rows(QStringLiteral("select g.code_061,h.code_055 from po065hc0 p,ka061grp g,ka055hc0 h "
                                           "where g.sifra061=p.sifra061 and h.sifra055=p.sifra055")));
    }
};

TEST_F(GrupeRoundTrip, PreparationSelectsWholeCodesAndWritesEachOnce)
{
    // G2 is not exported although "XG2" holds its code; G10's type "S"
    // keeps its HC link out.
    EXPECT_EQ(dbf("xgk61grp", {"CODE_061", "DATUMIPL", "SIFRA038", "POPRAVI"}),
              "G10|05.03.2016 08:15:00||,G1|05.03.2016|7|");
    // A1 is not selected by G1's list naming A10; G10 writes it after A10
    // was written, without services (G10's entry has no STORITVE).
    EXPECT_EQ(dbf("xgk60ak0", {"CODE_060", "CODE_031", "TRAJ_060", "DATUMIPL"}),
              "A10|INT|15|05.03.2016 08:15:00,A1|KIR||05.03.2016,A2|||05.03.2016");
    EXPECT_EQ(dbf("xgk62nhc", {"CODE_060", "CODE_011", "KOL1_062"}), "A10|S10|1,A10|S1|2");
    // Links carry the full date.
    EXPECT_EQ(dbf("xgo61grp", {"CODE_061", "CODE_060", "DATUMIPL"}),
              "G10|A10|05.03.2016 08:15:00,G10|A1|05.03.2016 00:00:00,G1|A10|05.03.2016 08:15:00,G1|A2|05.03.2016 00:00:00");
    EXPECT_EQ(dbf("xgo61spg", {"CODE_061", "CODE_031", "ORDR_061"}), "G10|KIR|2,G1|INT|1");
    EXPECT_EQ(dbf("xgo65hc0", {"CODE_061", "CODE_055"}), "G1|HC1");
    // The cycle writes each link once and ends.
    EXPECT_EQ(dbf("xgo55shc", {"CODEN055", "CODE_055"}), "HC1|HC2,HC2|HC1,HC2|HC3");
    EXPECT_EQ(dbf("xgk55hc0", {"CODE_055", "COTXL055"}), "HC1|3,HC2|,HC3|");
    EXPECT_EQ(dbf("xgk55lab", {"CODE_055", "REFMI055", "STDEC055", "SIFRA", "DATUMIPL"}),
              "HC1|1.5|2|0.1|05.03.2016 08:15:00");
    EXPECT_EQ(dbf("xgk62nhh", {"CODE_055", "CODE_011", "KOL1_062"}), "HC1|S1|2.5");

    // An empty settings text exports nothing but still empties the files.
    ctx.p_autoPrepare = true;
    EXPECT_EQ(pripraviGrupe(ctx, TZahtevaDruzine(), {}).status, "N");
    for (const char *f : {"xgk61grp", "xgk60ak0", "xgo55shc", "xgk62nhh"})
        EXPECT_EQ(dbfRows(ctx.currSaveDir + QString::fromLatin1(f), {"POPRAVI"}), "") << f;
}

TEST_F(GrupeRoundTrip, RefreshAppliesRemovesAndASecondRunChangesNothing)
{
    // Check-only: counted, nothing written, nothing removed, history "P".
    const QString prej = povezave();
    TIzidDruzine izid = osvezi(true);
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(povezave(), prej);
    EXPECT_EQ(rows("select count(*) from ka061grp"), "2");
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox"), "P");
    const QString samoStevci = stevci(izid);

    izid = osvezi();
    ASSERT_TRUE(izid.napaka.isEmpty()) << izid.napaka.toStdString();
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(stevci(izid), "KA061GRP:2/1/1/0 KA060AK0:3/2/0/0 PO061GRP:4/3/0/0 PO061SPG:2/2/0/0 KA055HC0:3/2/1/0 "
                            "PO065HC0:1/1/0/0 PO055SHC:3/3/0/0 KA062NHC:2/2/0/0 KA055LAB:1/1/0/0 KA062NHH:1/1/0/0");
    EXPECT_EQ(samoStevci, stevci(izid));

    // Values and dates as exported (the time-stamping triggers were off),
    // keys of this installation.
    EXPECT_EQ(rows("select code_061,desc_061,sifra038,to_char(datumipl,'DD.MM.YYYY HH24:MI:SS') from ka061grp "
                   "order by code_061"),
              "G1|Laboratorij čšž|7|05.03.2016 00:00:00,G10|Ambulanta za odrasle paciente||05.03.2016 08:15:00,G3|Tretja||");
    EXPECT_EQ(urejeno(rows("select a.code_060,o.code_031 from ka060ak0 a,kr031org o where o.sifra031(+)=a.sifra031")),
              "A10|INT,A1|KIR,A2|,A5|");
    EXPECT_EQ(rows("select refmi055,refma055,stdec055,sifra,sifra069 from ka055lab l,ka055hc0 h "
                   "where h.sifra055=l.sifra055 and h.code_055='HC1'"),
              "1.5|4.25|2|0.1|");
    EXPECT_EQ(rows("select desc_055 from ka055hc0 where code_055='HC1'"), "Hemogram");
    EXPECT_EQ(urejeno(rows("select p.code_055,c.code_055 from po055shc s,ka055hc0 p,ka055hc0 c "
                           "where p.sifra055=s.sifna055 and c.sifra055=s.sifra055")),
              "HC1|HC2,HC2|HC1,HC2|HC3");
    // The obsolete links of G1 are gone; G3's (not named by the settings) stay.
    EXPECT_EQ(povezave(), "G10|A1,G10|A10,G10|KIR,G1|A10,G1|A2,G1|HC1,G1|INT,G3|A5");
    // The triggers are on again.
    EXPECT_EQ(rows("select count(*) from dba_triggers where status='ENABLED' and table_name in "
                   "('KA061GRP','KA060AK0','PO061SPG','KA055HC0','PO065HC0','PO055SHC','KA062NHC','KA055LAB','KA062NHH')"),
              "9");

    // The summary file and the log line.
    const QStringList povzetek =
        moxtext::readTextLines(ctx.currSaveDir + QStringLiteral("rezultati") + moxpath::separator() + "napGrupe.txt");
    EXPECT_TRUE(povzetek.contains(QString(16, u' ') + "GRUPE      \t2\t1\t1\t")) << povzetek.join('\n').toStdString();
    EXPECT_TRUE(povzetek.contains("PO061GRP G1 A5"));
    EXPECT_TRUE(logLines().join('\n').contains(" REFRESH GRUPE : "));
    // The report beside it: per table the counts, the records under their
    // codes.
    const QStringList csv = moxtext::readTextLines(ctx.currSaveDir + "rezultati/napGrupe.csv");
    EXPECT_TRUE(csv.contains("KA061GRP;NOVO;CODE_061  G10;;;;")) << csv.join('\n').toStdString();
    QFile html(ctx.currSaveDir + "rezultati/napGrupe.html");
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_TRUE(html.readAll().contains(";vrsta=osvezevanje;prebranih=22;novih=18;razlicnih=2;uporabljenih=20;napak=0\""));

    // Nothing new and nothing removed the second time; only the HCs, which
    // are always overwritten, count as corrected.
    izid = osvezi();
    EXPECT_EQ(stevci(izid), "KA061GRP:2/0/0/0 KA060AK0:3/0/0/0 PO061GRP:4/0/0/0 PO061SPG:2/0/0/0 KA055HC0:3/0/3/0 "
                            "PO065HC0:1/0/0/0 PO055SHC:3/0/0/0 KA062NHC:2/0/0/0 KA055LAB:1/0/0/0 KA062NHH:1/0/0/0");
    EXPECT_EQ(povezave(), "G10|A1,G10|A10,G10|KIR,G1|A10,G1|A2,G1|HC1,G1|INT,G3|A5");
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox where napakemox<>'K' order by datummox"), "P,N,N");
}

TEST_F(GrupeRoundTrip, FailedStatementsAndLookupsAreCountedAndListed)
{
    // G10's description no longer fits; department KIR is missing here.
    exec({"alter table ka061grp modify desc_061 varchar2(20)", "delete from po061spg", "delete from kr031org where code_031='KIR'"});
    ui.answer = mrYes;
    TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(izid.prehodi[0].napak, 1);        // the insert of G10
    EXPECT_EQ(izid.prehodi[1].napak, 1);        // A1: "Ni oddelka KIR"
    EXPECT_EQ(izid.prehodi[3].napak, 1);        // G10-KIR
    ASSERT_FALSE(ui.questions.isEmpty());
    EXPECT_TRUE(ui.questions.front().startsWith("GRUPE:")) << ui.questions.front().toStdString();
    const QString povzetek = moxtext::readTextLines(ctx.currSaveDir + "rezultati/napGrupe.txt").join('\n');
    EXPECT_TRUE(povzetek.contains("Ni oddelka KIR"));
    EXPECT_TRUE(povzetek.contains(QString(16, u' ') + "GRUPE      \t2\t1\t1\t1"));
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox"), "D");
    EXPECT_EQ(ctx.pNapakePrenosov, 1);

    // "Ne" to the first error: nothing more is applied, later counters stay 0.
    exec({"delete from ka060ak0 where code_060<>'A10' and code_060<>'A5'"});
    ui.questions.clear();
    ui.answer = mrNo;
    izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(ui.questions.size(), 1);
    EXPECT_EQ(izid.prehodi[1].prebranih, 0);
    EXPECT_EQ(rows("select count(*) from ka060ak0"), "2");
}

TEST_F(GrupeRoundTrip, ManyObsoleteLinksAreAllRemoved)
{
    // More obsolete links than one fetch brings: each deletion commits, so
    // the rows are read whole before the first goes.
    QStringList stavki;
    for (int i = 0; i < 300; ++i) {
        stavki << QStringLiteral("insert into ka060ak0 (sifra060,code_060,stat_060) values (%1,'X%1','1')").arg(1000 + i);
        stavki << QStringLiteral("insert into po061grp (idpo_061,sifra061,sifra060) values (%1,31,%1)").arg(1000 + i);
    }
    TOracleQuery q(&ctx.osOracle);
    for (const QString &s : stavki) {
        q.Clear();
        q.SQL << s;
        q.Execute();
    }
    ctx.osOracle.Commit();
    const TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(rows("select count(*) from po061grp where sifra061=31"), "2");
}

TEST_F(GrupeRoundTrip, AValueTheFileCannotHoldWholeFailsThePreparation)
{
    connect(kIzvoz);
    exec({"update ka060ak0 set info_060='Smer \u2192 levo' where code_060='A10'"});
    const int prej = ctx.pNapakePrenosov;
    const TIzidDruzine izid = pripraviGrupe(ctx, TZahtevaDruzine(), kNastavitve);
    EXPECT_EQ(izid.status, "D");
    EXPECT_TRUE(izid.napaka.contains("INFO_060")) << izid.napaka.toStdString();
    EXPECT_EQ(ctx.pNapakePrenosov, prej + 1);
    EXPECT_FALSE(ui.messages.contains("PRIPRAVA GRUP NAREJENA!"));
    EXPECT_TRUE(logLines().join('\n').contains("PRIPRAVA GRUPE: NAPAKA"));
}

TEST_F(GrupeRoundTrip, MissingFileEndsTheRunAsAFailure)
{
    // The package lists the ten files under GRUPE.
    TManifest m;
    ASSERT_TRUE(m.preberi(ctx.currSaveDir));
    int datotek = 0;
    for (const TManifestDatoteka &d : m.datoteke)
        datotek += d.tabela == "GRUPE";
    EXPECT_EQ(datotek, 10);

    // A template is put back when missing, so an unreadable file stands in.
    // Against the manifest it is refused by name before any file is read.
    QFile f(ctx.currSaveDir + "xgo61spg.dbf");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("not a dbf");
    f.close();
    TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_TRUE(izid.napaka.contains("xgo61spg.dbf") && izid.napaka.contains(kImeManifesta))
        << izid.napaka.toStdString();
    // Without the manifest (a package edited by hand) the file fails to open.
    QFile::remove(ctx.currSaveDir + kImeManifesta);
    izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_FALSE(izid.napaka.isEmpty());
    EXPECT_FALSE(izid.napaka.contains(kImeManifesta)) << izid.napaka.toStdString();
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox"), "D,D");
    EXPECT_TRUE(logLines().join('\n').contains("NAPAKA"));
}

} // namespace
