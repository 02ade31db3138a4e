// Pallets: the settings text, and round trips between two embedded databases
// (prepared at the exporting installation, refreshed at the receiving one).
#include "transfers/palete.h"

#include "general/manifest.h"
#include "general/roundtrip_support.h"
#include "general/uporabapaketa.h"
#include "transfers/izpis.h"
#include "base/paths.h"
#include "base/text.h"

#include <QDir>
#include <QFile>
#include <QProcess>

using namespace roundtrip;

namespace {

TEST(PaleteNastavitve, EntriesCodesAndServices)
{
    struct Primer {
        const char *ime;
        QStringList vrstice;
        QStringList kode;         // every header's code
        int stevilo;              // "###" lines
        QList<bool> storitve;     // per entry
    };
    const Primer primeri[] = {
        {"header before the first ###, then two entries",
         {"P0", "###", "P10 STORITVE   ", "ignored line", "###", "P1 x STORITVE"},
         {"P0", "P10", "P1"}, 2, {false, true, true}},
        {"no ### at all: one entry 0", {"P5 STORITVE"}, {"P5"}, 0, {true}},
        // Only trailing blanks are cut: "  ###" is an ordinary (ignored) line.
        {"blanks in front of ### are no separator", {"###", "P1", "  ###", "P2"}, {"P1"}, 1, {false, false}},
        {"a header starting with a blank has an empty code", {"###", " P3 STORITVE"}, {""}, 1, {false, true}},
        {"empty line after ### is the header", {"###", "", "P4"}, {""}, 1, {false, false}},
    };
    for (const Primer &p : primeri) {
        SCOPED_TRACE(p.ime);
        const TNastavitveGrup n = preberiNastavitvePalet(p.vrstice);
        EXPECT_EQ(n.seznamGrup, p.kode);
        EXPECT_EQ(n.stevilo, p.stevilo);
        ASSERT_EQ(n.vnosi.size(), p.storitve.size());
        for (int i = 0; i < p.storitve.size(); ++i)
            EXPECT_EQ(n.vnosi[i].storitve, p.storitve[i]) << i;
    }
    // The entry of a pallet: the first one with its exact code.
    const TNastavitveGrup n = preberiNastavitvePalet({"###", "P1", "###", "P10 STORITVE", "###", "P1 STORITVE"});
    EXPECT_FALSE(n.vnosZa("P1").storitve);
    EXPECT_TRUE(n.vnosZa("P10").storitve);

    // No limit on the number of entries; a text without "###" uses its only
    // header.
    QStringList mnogo;
    for (int i = 1; i <= 150; ++i)
        mnogo << "###" << QStringLiteral("P%1%2").arg(i).arg(i % 2 ? " STORITVE" : "");
    const TNastavitveGrup m = preberiNastavitvePalet(mnogo);
    EXPECT_EQ(m.stevilo, 150);
    EXPECT_TRUE(m.vnosZa("P149").storitve);
    EXPECT_FALSE(m.vnosZa("P150").storitve);
    EXPECT_TRUE(preberiNastavitvePalet({"P5 STORITVE"}).vnosZa("P5").storitve);
}

class PaleteRoundTrip : public RoundTrip {
protected:
    // Exporting installation: pallets P10 and P1 with their services (S1
    // shared, and written after S10), P2 without services, P3 not listed.
    // Receiving one: department D2 and tax DDV95 missing, S2 and P2 there with
    // other texts.
    void pripravi()
    {
        connect(kIzvoz);
        exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (1,'D1','Kirurgija','1')",
              "insert into kr031org (sifra031,code_031,opis_031,stat_031) values (2,'D2','Interna','1')",
              "insert into ka010res (sifra010,code_010,opis_010,stat_010) values (1,'ART1','Gaza','1')",
              "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (1,'DDV22','Splošna','1')",
              "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (2,'DDV95','Znižana','1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,sifra010,sifra170,kol__011,coef_011,datod011,datdo011,stat_011)"
              " values (1,'S10','Čiščenje rane',1,1,2,1.25,to_date('01.01.2020','DD.MM.YYYY'),"
              "to_date('31.12.2030 23:59:59','DD.MM.YYYY HH24:MI:SS'),'1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,sifra170,stat_011) values (2,'S1','Posvet',2,'1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,sifra170,stat_011) values (3,'S2','Žilni dostop',1,'1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,sifra170,stat_011) values (4,'S3','Šivanje',1,'1')",
              "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (1,'P10','Paleta za čiščenje','D','1',1)",
              "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (2,'P1','Osnovna','D','1',2)",
              "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (3,'P2','Brez storitev','N','1',1)",
              "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (4,'P3','Ni izbrana','N','1',1)",
              "insert into po116nhc (idpo_116,sifra116,sifra011) values (1,1,1)",
              "insert into po116nhc (idpo_116,sifra116,sifra011) values (2,1,2)",
              "insert into po116nhc (idpo_116,sifra116,sifra011) values (3,2,2)",
              "insert into po116nhc (idpo_116,sifra116,sifra011) values (4,2,3)",
              "insert into po116nhc (idpo_116,sifra116,sifra011) values (5,3,4)",
              "insert into po116nhc (idpo_116,sifra116,sifra011) values (6,4,4)"});
        const TIzidDruzine izid =
            pripraviPalete(ctx, QString(), {"###", "P10 STORITVE", "###", "P1 STORITVE", "###", "P2"});
        ASSERT_EQ(izid.napaka, "");
        EXPECT_EQ(izid.status, "N");

        connect(kUvoz);
        exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (71,'D1','Kirurgija','1')",
              "insert into ka010res (sifra010,code_010,opis_010,stat_010) values (72,'ART1','Gaza','1')",
              "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (73,'DDV22','Splošna','1')",
              "insert into ka011nhc (sifra011,code_011,opis_011,sifra170,stat_011) values (74,'S2','Staro ime',73,'1')",
              "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (75,'P2','Staro','N','1',71)"});
    }

    QString dbf(const char *ime, const QStringList &polja) { return dbfRows(ctx.currSaveDir + ime, polja); }
    QStringList povzetek() { return moxtext::readTextLines(ctx.currSaveDir + "rezultati/napPalete.txt"); }

    static QString stevci(const TIzidDruzine &izid)
    {
        QStringList s;
        for (const TStevciPrehoda &p : izid.prehodi)
            s << QStringLiteral("%1:%2/%3/%4/%5").arg(p.oznaka).arg(p.prebranih).arg(p.novih).arg(p.popravkov).arg(p.napak);
        return s.join(u' ');
    }
};

TEST_F(PaleteRoundTrip, PreparationWritesWholeCodesOnce)
{
    pripravi();
    // P3 is not listed; P1 is exported by its own line, not as a part of P10.
    EXPECT_EQ(dbf("xp116pal", {"POPRAVI", "CODE_116", "DESC_116", "SERV_116", "CODE_031"}),
              "|P10|Paleta za čiščenje|D|D1,|P1|Osnovna|D|D2,|P2|Brez storitev|N|D1");
    // P2's header lacks STORITVE: no links and no services of it.
    EXPECT_EQ(dbf("xp116nhc", {"CODE_116", "CODE_011"}), "P10|S10,P10|S1,P1|S1,P1|S2");
    // S1 comes after S10 and is written (whole-key seek); the shared S1 once.
    EXPECT_EQ(dbf("xp011nhc", {"CODE_011", "CODE_010", "CODE_170", "KOL__011", "COEF_011", "DATOD011", "DATDO011"}),
              "S10|ART1|DDV22|2|1.25|01.01.2020 00:00:00|31.12.2030 23:59:59,S1||DDV95||||,S2||DDV22||||");
    EXPECT_TRUE(ui.messages.contains("PRIPRAVA PALET NAREJENA!"));

    // A list that names no pallet still empties the files.
    EXPECT_EQ(pripraviPalete(ctx, QString(), {}).napaka, "");
    EXPECT_EQ(dbf("xp116pal", {"CODE_116"}), "");
    EXPECT_EQ(dbf("xp011nhc", {"CODE_011"}), "");
}

TEST_F(PaleteRoundTrip, RefreshInsertsWhatIsMissingAndListsWhatCannotBeApplied)
{
    pripravi();
    const QString prej = rows("select code_116,desc_116 from ka116pal order by code_116") + ";" +
                         rows("select count(*) from po116nhc") + ";" + rows("select code_011,opis_011 from ka011nhc");

    // Check-only: counted, listed, nothing written.
    TZahtevaDruzine z;
    z.samoPreverjanje = true;
    TIzidDruzine izid = osveziPalete(ctx, z, nullptr);
    // (P10 and S10 were not inserted, so their link cannot be found either.)
    EXPECT_EQ(stevci(izid), "KA116PAL:3/1/0/1 PO116NHC:4/0/0/4 KA011NHC:3/1/0/1");
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(rows("select code_116,desc_116 from ka116pal order by code_116") + ";" +
                  rows("select count(*) from po116nhc") + ";" + rows("select code_011,opis_011 from ka011nhc"),
              prej);

    // For real: P10, S10 and the link P10-S10 are inserted; P2 and S2 stay as
    // they are although the file differs.
    ui.messages.clear();
    izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "KA116PAL:3/1/0/1 PO116NHC:4/1/0/3 KA011NHC:3/1/0/1");
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(rows("select p.code_116,p.desc_116,o.code_031,p.user_ipl from ka116pal p,kr031org o "
                   "where o.sifra031=p.sifra031 order by p.code_116"),
              "P10|Paleta za čiščenje|D1|ORN,P2|Staro|D1|");
    EXPECT_EQ(rows("select s.code_011,s.opis_011,s.kol__011,s.coef_011,to_char(s.datod011,'DD.MM.YYYY HH24:MI:SS'),"
                   "to_char(s.datdo011,'DD.MM.YYYY HH24:MI:SS'),a.code_010,d.code_170 "
                   "from ka011nhc s,ka010res a,pr170dk0 d where a.sifra010(+)=s.sifra010 and d.sifra170=s.sifra170 "
                   "order by s.code_011"),
              "S10|Čiščenje rane|2|1.25|01.01.2020 00:00:00|31.12.2030 23:59:59|ART1|DDV22,S2|Staro ime||||||DDV22");
    EXPECT_EQ(rows("select p.code_116,s.code_011 from po116nhc n,ka116pal p,ka011nhc s "
                   "where p.sifra116=n.sifra116 and s.sifra011=n.sifra011"),
              "P10|S10");

    // The summary file: one line per record that could not be applied, then
    // the counts. A failed run counts among the run's failed transfers.
    const QStringList s = povzetek();
    EXPECT_EQ(s.mid(0, 6), (QStringList{"Ni oddelka D2", "Ni davka DDV95", "Ni storitve S1", "Ni storitve S1",
                                        "Ni palete P1", "Ni palete P1"}));
    const QString pas(16, u' ');
    EXPECT_EQ(s.mid(6), (QStringList{"", pas + "tabela  \t\tvseh\tnovih\tpopr\tnapak", pas + QString(68, u'-'),
                                     pas + "palete  \t\t3\t1\t0\t1", pas + "povez.  \t\t4\t1\t0\t3",
                                     pas + "storitve\t\t3\t1\t0\t1", ""}));
    EXPECT_EQ(ctx.pNapakePrenosov, 2);
    EXPECT_EQ(rows("select vrstamox,napakemox from orna_util.orna_mox order by datummox"), "PALETE|D,PALETE|D");
    const QStringList log = logLines();
    EXPECT_EQ(log.filter(" REFRESH PALETE : ").size(), 2);
    EXPECT_EQ(log.filter("REFRESH: TAVO  PALETE  INS:3  UPD:  ERR:5").size(), 1) << log.join('\n').toStdString();

    // Once the department and the tax are there, the rest goes in, and a
    // further run finds nothing new: a clean run is recorded as "N".
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (81,'D2','Interna','1')",
          "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (82,'DDV95','Znižana','1')"});
    izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "KA116PAL:3/1/0/0 PO116NHC:4/3/0/0 KA011NHC:3/1/0/0");
    EXPECT_EQ(izid.status, "N");
    izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(stevci(izid), "KA116PAL:3/0/0/0 PO116NHC:4/0/0/0 KA011NHC:3/0/0/0");
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(rows("select count(*) from po116nhc"), "4");
    EXPECT_TRUE(ui.messages.contains("KONEC osveževanja PALET !"));
    EXPECT_EQ(ctx.pNapakePrenosov, 2);
}

TEST_F(PaleteRoundTrip, FailedStatementAskedAndNoStopsTheRun)
{
    pripravi();
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (81,'D2','Interna','1')",
          "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (82,'DDV95','Znižana','1')"});
    // A quantity that is no number cannot be applied.
    editDbf(ctx.currSaveDir + "xp011nhc", "CODE_011", "S10", "KOL__011", "dva");
    ui.answer = mrNo;
    const TIzidDruzine izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].startsWith("STORITVE:")) << ui.questions[0].toStdString();
    // The services are read in the order of their index (S1, S10, S2): S1
    // is inserted, "Ne" at S10 ends the pass and leaves the links unread.
    EXPECT_EQ(stevci(izid), "KA116PAL:3/2/0/0 PO116NHC:0/0/0/0 KA011NHC:2/2/0/1");
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(rows("select code_011 from ka011nhc order by code_011"), "S1,S2");
}

TEST_F(PaleteRoundTrip, MissingFilesAreInstalledAndScriptNeedsItsSettingsFile)
{
    // No template files in the folder: they are installed, empty, and the
    // refresh reads nothing.
    connect(kUvoz);
    const TIzidDruzine izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(izid.napaka, "");
    EXPECT_TRUE(QFile::exists(ctx.currSaveDir + "xp011nhc.dbf"));
    EXPECT_EQ(stevci(izid), "KA116PAL:0/0/0/0 PO116NHC:0/0/0/0 KA011NHC:0/0/0/0");

    // A script preparation without xp_palet.str fails (status 1 of the
    // script); with it, the file's pallets are prepared.
    ctx.p_autoPrepare = true;
    TIzidDruzine p = pripraviPaleteSkripta(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(p.status, "D");
    EXPECT_TRUE(p.napaka.startsWith("Ni datoteke z nastavitvami palet: ")) << p.napaka.toStdString();
    EXPECT_EQ(ctx.pNapakePrenosov, 1);
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (1,'D1','Kirurgija','1')",
          "insert into ka116pal (sifra116,code_116,desc_116,serv_116,stat_116,sifra031) values (1,'P''1','Narekovaj','N','1',1)"});
    moxtext::writeTextLines(datotekaNastavitevPalet(ctx), {"###", "P'1"});
    p = pripraviPaleteSkripta(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(p.status, "N");
    // A quote in a code is data, not a part of the statement.
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "xp116pal", {"CODE_116"}), "P'1");
}

} // namespace

// The pallet package checks itself: the preparation lists its three files
// under PALETE (mox-dbf verify finds the folder whole), a changed file is
// refused naming it with nothing written, a whole package is applied and
// recorded, the same package again goes on without a question, and an older
// one is refused in an unattended run and asked about otherwise.
TEST_F(PaleteRoundTrip, ThePackageIsCheckedAndAnOlderOneAskedAbout)
{
    pripravi();
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (81,'D2','Interna','1')",
          "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (82,'DDV95','Znižana','1')"});
    TManifest m;
    ASSERT_TRUE(m.preberi(ctx.currSaveDir));
    QStringList datoteke;
    for (auto it = m.datoteke.cbegin(); it != m.datoteke.cend(); ++it)
        if (it->tabela == "PALETE")
            datoteke << it.key();
    EXPECT_EQ(datoteke, (QStringList{"XP011NHC.DBF", "XP116NHC.DBF", "XP116PAL.DBF"}));
    const QDateTime izvozeno = m.casTabele("PALETE");
    ASSERT_TRUE(m.casiTabel.contains("PALETE"));
    auto verify = [&] {
        QProcess p;
        p.start(TestEnv::binaryDir() + "/tools/mox-dbf/mox-dbf", {"verify", ctx.currSaveDir});
        p.waitForFinished();
        return QString::number(p.exitCode()) + " " + QString::fromUtf8(p.readAllStandardError()).trimmed();
    };
    EXPECT_EQ(verify(), "0 ");

    // One byte of a file changed: refused naming it, nothing written.
    const QString pal = ctx.currSaveDir + "xp116pal.dbf";
    QByteArray izvirnik;
    {
        QFile f(pal);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        izvirnik = f.readAll();
        const qsizetype i = izvirnik.indexOf("Osnovna");
        ASSERT_GT(i, 0);
        f.seek(i);
        f.write("X");
    }
    EXPECT_EQ(verify(), "2 xp116pal.dbf: kontrolna vsota se razlikuje");
    const QString prej = rows("select count(*) from ka116pal") + ";" + rows("select count(*) from ka011nhc");
    TIzidDruzine izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(izid.status, "D");
    EXPECT_TRUE(izid.napaka.contains("xp116pal.dbf") && izid.napaka.contains(kImeManifesta))
        << izid.napaka.toStdString();
    EXPECT_EQ(rows("select count(*) from ka116pal") + ";" + rows("select count(*) from ka011nhc"), prej);
    EXPECT_TRUE(povzetek().contains("NAPAKA: " + izid.napaka));
    {
        QFile f(pal);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(izvirnik);
    }

    // Whole: applied and recorded; the same package again goes on.
    for (int krog = 0; krog < 2; ++krog) {
        izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
        EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
        EXPECT_EQ(zadnjiUporabljeniPaket(ctx, "PALETE"), izvozeno);
    }
    EXPECT_EQ(rows("select count(*) from po116nhc"), "4");
    EXPECT_TRUE(ui.questions.filter("pred paketom").isEmpty());

    // The package made older than the one applied; the links gone meanwhile.
    m.casiTabel["PALETE"] = izvozeno.addDays(-1);
    m.zapisi(ctx.currSaveDir);
    exec({"delete from po116nhc"});
    const QString vprasanje = "Paket tabele PALETE je bil pripravljen " +
                              izvozeno.addDays(-1).toString("dd.MM.yyyy HH:mm:ss") +
                              ", pred paketom, ki je bil na tej instalaciji že uporabljen (pripravljen " +
                              izvozeno.toString("dd.MM.yyyy HH:mm:ss") + "). Ga vseeno uporabim?";
    struct Primer {
        const char *ime;
        bool avtomatika;
        int odgovor;
        const char *status, *povezav;
        bool vprasano;
    };
    const Primer primeri[] = {
        {"unattended: refused without a question", true, mrYes, "D", "0", false},
        {"Ne: refused", false, mrNo, "D", "0", true},
        {"Da: applied", false, mrYes, "N", "4", true},
    };
    for (const Primer &p : primeri) {
        SCOPED_TRACE(p.ime);
        ui.questions.clear();
        ui.messages.clear();
        ui.answer = p.odgovor;
        ctx.pAutomatika = p.avtomatika;
        izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
        ctx.pAutomatika = false;
        EXPECT_EQ(izid.status, p.status) << izid.napaka.toStdString();
        EXPECT_EQ(rows("select count(*) from po116nhc"), p.povezav);
        EXPECT_EQ(ui.questions, p.vprasano ? QStringList{vprasanje} : QStringList());
        if (QString(p.status) == "D") {
            EXPECT_TRUE(izid.napaka.contains("pred paketom")) << izid.napaka.toStdString();
            EXPECT_TRUE(povzetek().contains("NAPAKA: " + izid.napaka));
            // The answer Ne was the operator's own: no message repeats it.
            EXPECT_TRUE(ui.messages.filter("pred paketom").isEmpty());
        }
        EXPECT_EQ(zadnjiUporabljeniPaket(ctx, "PALETE"), izvozeno);
    }
}

// A package refreshed at the installation that exported it is warned about;
// a folder without a manifest goes on as before, with a note in the run log
// that it was not checked.
TEST_F(PaleteRoundTrip, ThePackageOfThisInstallationIsWarnedAboutAndOneWithoutManifestNoted)
{
    pripravi();
    connect(kIzvoz);
    ui.messages.clear();
    TIzidDruzine izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(ui.messages.filter("Paket tabele PALETE je bil pripravljen na tej instalaciji").size(), 1)
        << ui.messages.join('\n').toStdString();
    EXPECT_TRUE(logLines().filter("niso preverjene").isEmpty());

    connect(kUvoz);
    exec({"insert into kr031org (sifra031,code_031,opis_031,stat_031) values (81,'D2','Interna','1')",
          "insert into pr170dk0 (sifra170,code_170,opis_170,stat_170) values (82,'DDV95','Znižana','1')"});
    ASSERT_TRUE(QFile::remove(ctx.currSaveDir + kImeManifesta));
    ui.messages.clear();
    izid = osveziPalete(ctx, TZahtevaDruzine(), nullptr);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_TRUE(ui.messages.filter("na tej instalaciji").isEmpty());
    EXPECT_EQ(logLines().filter("nima datoteke MOX_MANIFEST.txt: datoteke niso preverjene").size(), 1)
        << logLines().join('\n').toStdString();
    // Nothing to record without the package's export time.
    EXPECT_EQ(rows("select count(*) from orna_util.orna_mox where napakemox='K'"), "0");
}
