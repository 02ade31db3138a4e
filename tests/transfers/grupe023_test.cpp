// Groups 023: the code list, and round trips between two embedded databases
// (prepared at the exporting installation, refreshed at the receiving one).
#include "transfers/grupe023.h"

#include "general/roundtrip_support.h"
#include "transfers/izpis.h"
#include "base/text.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

using namespace roundtrip;

namespace {

TEST(Grupe023Seznam, LinesBecomeACommaList)
{
    EXPECT_EQ(preberiSeznam023({"G1", "G2"}), ",G1,G2,");
    EXPECT_EQ(preberiSeznam023({" G1 ", "", "G2\t"}), ",G1,,G2,");
    EXPECT_EQ(preberiSeznam023({}), ",");
}

// Records or rows joined by "," in sorted order (the database's order of a
// join is its own).
QString urejeno(const QString &s)
{
    QStringList l = s.split(u',');
    std::sort(l.begin(), l.end());
    return l.join(u',');
}

class Grupe023RoundTrip : public RoundTrip {
protected:
    // Exporting installation: groups G1, G10 and "1" (the last not listed,
    // though "1," is a part of the list's text), with HC and service members.
    // Receiving one: HC10 and S10 missing, G1 and its member HC1 there in an
    // older state.
    void pripravi()
    {
        connect(kIzvoz);
        exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (1,'HC1','Krvna slika','1')",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (2,'HC10','Urin','1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,stat_011) values (1,'S1','Odvzem krvi','1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,stat_011) values (2,'S10','Pregled urina','1')",
              "insert into ka023grp (sifra023,code_023,desc_023,type_023,stat_023,datumcre,user_cre,datumipl,user_ipl) "
              "values (1,'G1','Laboratorij kri','L','1',to_date('01.02.2015','DD.MM.YYYY'),'ANA',"
              "to_date('05.03.2016 08:15:00','DD.MM.YYYY HH24:MI:SS'),'MARKO')",
              "insert into ka023grp (sifra023,code_023,desc_023,type_023,stat_023,datumipl) "
              "values (2,'G10','Urin in blato','L','1',to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into ka023grp (sifra023,code_023,desc_023,type_023,stat_023) values (3,'1','Koda ena','L','1')",
              "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,card_011,inf__011,stat_011,datumipl) "
              "values (1,1,1,1,5,'Opomba č','1',to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,stat_011,datumipl) "
              "values (2,1,2,2,'0',to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,stat_011,datumipl) "
              "values (3,2,2,1,'1',to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,stat_011) values (4,3,1,1,'1')",
              "insert into po023grp (idpo_023,sifra023,sifra011,stat_023,user_cre,datumipl) "
              "values (1,1,1,'1','ANA',to_date('05.03.2016','DD.MM.YYYY'))",
              "insert into po023grp (idpo_023,sifra023,sifra011,stat_023,datumipl) "
              "values (2,2,2,'1',to_date('05.03.2016','DD.MM.YYYY'))"});
        const TIzidDruzine izid = pripraviGrupe023(ctx, QString(), {"G1", "", "G10 "});
        ASSERT_EQ(izid.napaka, "");

        connect(kUvoz);
        exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (51,'HC1','Krvna slika','1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,stat_011) values (52,'S1','Odvzem krvi','1')",
              "insert into ka023grp (sifra023,code_023,desc_023,type_023,stat_023,datumipl) "
              "values (53,'G1','Staro ime','L','1',to_date('01.01.2010','DD.MM.YYYY'))",
              "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,card_011,stat_011,datumipl) "
              "values (54,53,51,9,9,'1',to_date('01.01.2010','DD.MM.YYYY'))"});
        ui.messages.clear();
    }

    QString dbf(const char *ime, const QStringList &polja) { return dbfRows(ctx.currSaveDir + ime, polja); }
    QString baza()
    {
        return rows("select code_023,desc_023,user_cre from ka023grp order by code_023") + ";" +
               rows("select g.code_023,h.code_055,p.ordin011,p.card_011,p.inf__011 from po011hc0 p,ka023grp g,ka055hc0 h "
                    "where g.sifra023=p.sifra023 and h.sifra055=p.sifra055 order by 1,2") +
               ";" +
               rows("select g.code_023,s.code_011,p.user_cre from po023grp p,ka023grp g,ka011nhc s "
                    "where g.sifra023=p.sifra023 and s.sifra011=p.sifra011 order by 1,2");
    }

    static QString stevci(const TIzidDruzine &izid)
    {
        QStringList s;
        for (const TStevciPrehoda &p : izid.prehodi)
            s << QStringLiteral("%1:%2/%3/%4/%5").arg(p.oznaka).arg(p.prebranih).arg(p.novih).arg(p.popravkov).arg(p.napak);
        return s.join(u' ');
    }
};

TEST_F(Grupe023RoundTrip, PreparationChoosesWholeCodesAndKeepsDatesWhole)
{
    pripravi();
    // Dates without a time of day at midnight, with it otherwise.
    EXPECT_EQ(dbf("xgk23grp", {"SIFRA023", "CODE_023", "DESC_023", "USER_CRE", "USER_IPL", "DATUMIPL", "DATUMCRE"}),
              "1|G1|Laboratorij kri|ANA|MARKO|05.03.2016 08:15:00|01.02.2015,2|G10|Urin in blato|||05.03.2016|");
    EXPECT_EQ(urejeno(dbf("xgp11hc0", {"CODE_023", "SIFRA055", "CODE_055", "ORDIN011", "CARD_011", "INF__011",
                                       "STAT_011", "DATUMIPL"})),
              "G10|2|HC10|1|||1|05.03.2016,G1|1|HC1|1|5|Opomba č|1|05.03.2016,G1|2|HC10|2|||0|05.03.2016");
    EXPECT_EQ(urejeno(dbf("xgp23grp", {"CODE_023", "CODE_011", "STAT_023", "USER_CRE"})), "G10|S10|1|,G1|S1|1|ANA");
    EXPECT_TRUE(ui.messages.isEmpty()); // pripravi() cleared the end message
}

TEST_F(Grupe023RoundTrip, RefreshInsertsUpdatesNewerAndListsMissingCodes)
{
    pripravi();
    const QString prej = baza();

    TZahtevaDruzine z;
    z.samoPreverjanje = true;
    TIzidDruzine izid = osveziGrupe023(ctx, z, nullptr);
    // (G10 was not inserted, so its members find no group.)
    EXPECT_EQ(stevci(izid), "KA023GRP:2/1/1/0 PO011HC0:3/0/1/2 PO023GRP:2/1/0/1");
    EXPECT_EQ(baza(), prej);

    ui.messages.clear();
    izid = osveziGrupe023(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "KA023GRP:2/1/1/0 PO011HC0:3/0/1/2 PO023GRP:2/1/0/1");
    EXPECT_EQ(izid.status, "D");
    // G1 and its HC member are overwritten by the newer file; G10 is new with
    // the creation user of the session; the new service member keeps the
    // file's creation user.
    EXPECT_EQ(baza(), "G1|Laboratorij kri|,G10|Urin in blato|TAVO;G1|HC1|1|5|Opomba č;G1|S1|ANA");
    // An active member with a missing HC or service is shown; the inactive
    // one (G1 with HC10) only counted and listed.
    EXPECT_EQ(ui.messages, (QStringList{"NAPAKA : NE OBSTAJA HC HC10", "NAPAKA : NE OBSTAJA STORITEV S10"}));
    const QStringList s = moxtext::readTextLines(ctx.currSaveDir + "rezultati/napGrupe023.txt");
    const QString pas(16, u' ');
    EXPECT_EQ(s, (QStringList{"NAPAKA : NE OBSTAJA HC HC10", "NAPAKA : NE OBSTAJA HC HC10",
                              "NAPAKA : NE OBSTAJA STORITEV S10", "",
                              pas + "tabela\t             vseh\tnovih\tpopr\tnapak", pas + QString(94, u'-'),
                              pas + "KA023GRP      \t2\t1\t1\t", pas + "PO023GRP \t2\t1\t0\t1",
                              pas + "PO011HC0 \t3\t0\t1\t2", ""}));
    const QStringList log = logLines();
    EXPECT_EQ(log.filter(" REFRESH GRUPE023 : ").size(), 2);
    EXPECT_EQ(rows("select vrstamox,napakemox from orna_util.orna_mox order by datummox"), "GRUPE023|D,GRUPE023|D");

    // The rows written carry the time of this refresh, so a second refresh
    // of the same files corrects nothing.
    izid = osveziGrupe023(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "KA023GRP:2/0/0/0 PO011HC0:3/0/0/2 PO023GRP:2/0/0/1");

    // With the HC and the service there, everything applies: "N".
    exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (61,'HC10','Urin','1')",
          "insert into ka011nhc (sifra011,code_011,opis_011,stat_011) values (62,'S10','Pregled urina','1')"});
    izid = osveziGrupe023(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "KA023GRP:2/0/0/0 PO011HC0:3/2/0/0 PO023GRP:2/1/0/0");
    EXPECT_EQ(izid.status, "N");
    EXPECT_TRUE(ui.messages.contains("KONEC osveževanja GRUP !"));
}

TEST_F(Grupe023RoundTrip, FailedStatementIsCountedAndListed)
{
    pripravi();
    // An order that is no number: the update of G1's HC member fails.
    editDbf(ctx.currSaveDir + "xgp11hc0", "CODE_055", "HC1", "ORDIN011", "prvi");
    ui.answer = mrYes;
    const TIzidDruzine izid = osveziGrupe023(ctx, TZahtevaDruzine(), nullptr);
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].startsWith("PO011HC0:")) << ui.questions[0].toStdString();
    // "Da" goes on with the next records and passes.
    EXPECT_EQ(stevci(izid), "KA023GRP:2/1/1/0 PO011HC0:3/0/1/3 PO023GRP:2/1/0/1");
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(moxtext::readTextLines(ctx.currSaveDir + "rezultati/napGrupe023.txt").filter("PO011HC0:").size(), 1);

    // The report beside the summary file: the update that failed is no row
    // applied, and is listed under the record's key.
    QFile html(ctx.currSaveDir + "rezultati/napGrupe023.html");
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    EXPECT_TRUE(html.readAll().contains(";vrsta=osvezevanje;prebranih=7;novih=2;razlicnih=2;uporabljenih=3;napak=4\""));
    const QStringList csv = moxtext::readTextLines(ctx.currSaveDir + "rezultati/napGrupe023.csv");
    EXPECT_EQ(csv.filter(QRegularExpression("^PO011HC0;NAPAKA;CODE_055  HC1 CODE_023  G1;;;;\"PO011HC0:")).size(), 1) << csv.join('\n').toStdString();
    EXPECT_EQ(csv.filter(QRegularExpression("^KA023GRP;NOVO;CODE_023  G10;")).size(), 1);
}

} // namespace
