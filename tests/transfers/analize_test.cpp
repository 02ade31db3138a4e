// Analyses of medical data prepared at one embedded installation and
// refreshed at another, their XML definitions (CLOBs over 4,000 characters)
// whole.
#include "../general/roundtrip_support.h"

#include "base/moxerror.h"
#include "general/manifest.h"
#include "transfers/analize.h"

#include <QFile>
#include <QFileInfo>

#include <functional>

using namespace roundtrip;

namespace {

class HookUi : public RecordingUi {
public:
    std::function<void()> naDogodke;
    void processEvents() override
    {
        if (naDogodke)
            naDogodke();
    }
};

// An XML definition of about n characters, with the Slovenian letters.
QString definicija(const QString &ime, int n)
{
    QString xml = QStringLiteral("<analiza ime=\"%1\">").arg(ime);
    for (int i = 0; xml.size() < n; ++i)
        xml += QStringLiteral("<polje st=\"%1\">Število obiskov, čas čakanja in šifra žilnega zdravljenja</polje>").arg(i);
    return xml + QStringLiteral("</analiza>");
}

class Analize : public RoundTrip {
protected:
    void SetUp() override
    {
        RoundTrip::SetUp();
        ctx.ui = &hui;
    }

    void xml(qint64 sifra, const QString &besedilo, const char *datum = "01.02.2024 10:00:00")
    {
        TOracleQuery q(&ctx.osOracle);
        q.SQL << QStringLiteral("insert into i_xml_x03 (sifrax03,type_x03,xml__003,stat_x03,datumipl,user_ipl) "
                                "values (:s,'ANALIZA',empty_clob(),'1',to_date(:d,'DD.MM.YYYY HH24:MI:SS'),'ANA') "
                                "returning xml__003 into :x");
        q.DeclareVariable("s", otInteger);
        q.DeclareVariable("d", otString);
        q.DeclareVariable("x", otCLOB);
        TLOBLocator lob(&ctx.osOracle);
        q.SetVariable("s", sifra);
        q.SetVariable("d", QString::fromLatin1(datum));
        q.SetComplexVariable("x", &lob);
        q.Execute();
        lob.Write(besedilo);
        ctx.osOracle.Commit();
    }

    // IZVOZ: POR (new at UVOZ, a definition over 4,000 characters), AND (at
    // UVOZ with another description and definition), BOD (equal at UVOZ),
    // besides an analysis without a code and an inactive one.
    void podatki()
    {
        connect(kIzvoz);
        exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (1,'HC01','Splošna ambulanta','1')",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (2,'HC02','Diabetološka ambulanta','1')",
              "insert into pr908cxr (sifra908,sifrd908,sifra055,sifrax03,code_908,desc_908,type_908,filtr908,date_908,"
              "stat_908,datumipl,user_ipl) values (201,7,1,101,'POR','Porodniški podatki','A','spol=''Ž''',"
              "to_date('15.01.2024','DD.MM.YYYY'),'1',to_date('01.02.2024 10:00:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,type_908,date_908,stat_908,datumipl,"
              "user_ipl) values (202,2,102,'AND','Analiza diabetesa','B',to_date('16.01.2024','DD.MM.YYYY'),'1',"
              "to_date('02.02.2024 11:30:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,type_908,stat_908,datumipl,user_ipl) "
              "values (203,1,103,'BOD','Bolniški dopust','C','1',to_date('01.02.2024 10:00:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,stat_908) "
              "values (204,1,103,null,'Brez kode','1')",
              "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,stat_908) "
              "values (205,1,103,'STA','Opuščena','0')"});
        xml(101, definicija("POR", 9000));
        xml(102, definicija("AND", 5000), "02.02.2024 11:30:00");
        xml(103, QStringLiteral("<analiza ime=\"BOD\"/>"));
        connect(kUvoz);
        exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (51,'HC01','Splošna ambulanta','1')",
              "insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (52,'HC02','Diabetološka ambulanta','1')",
              "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,type_908,date_908,stat_908,datumipl,"
              "user_ipl) values (702,52,602,'AND','Stara analiza','B',to_date('16.01.2024','DD.MM.YYYY'),'1',"
              "to_date('02.02.2023 11:30:00','DD.MM.YYYY HH24:MI:SS'),'ANA')",
              "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,type_908,stat_908,datumipl,user_ipl) "
              "values (703,51,603,'BOD','Bolniški dopust','C','1',to_date('01.02.2024 10:00:00','DD.MM.YYYY HH24:MI:SS'),"
              "'ANA')"});
        xml(602, QStringLiteral("<staro/>"), "02.02.2023 11:30:00");
        xml(603, QStringLiteral("<analiza ime=\"BOD\"/>"));
    }

    TIzidDruzine pripravi(const QString &filter = QStringLiteral("%"), bool tudiUpdate = true)
    {
        connect(kIzvoz);
        TIzbiraAnaliz izbira;
        izbira.filter = filter;
        izbira.tudiUpdate = tudiUpdate;
        return pripraviAnalizeHC(ctx, TZahtevaDruzine(), izbira);
    }

    TIzidDruzine osvezi(bool samo = false)
    {
        connect(kUvoz);
        TZahtevaDruzine z;
        z.samoPreverjanje = samo;
        return osveziAnalizeHC(ctx, z);
    }

    static QString stevci(const TIzidDruzine &izid)
    {
        QStringList s;
        for (const TStevciPrehoda &p : izid.prehodi)
            s << QStringLiteral("%1/%2/%3/%4").arg(p.prebranih).arg(p.novih).arg(p.popravkov).arg(p.napak);
        return s.join(u' ');
    }

    QString analizeUvoza()
    {
        return rows("select a.code_908,a.sifra055,a.desc_908,a.type_908,a.filtr908,a.date_908,a.datumipl,a.user_ipl,"
                    "x.user_ipl from pr908cxr a, i_xml_x03 x where x.sifrax03=a.sifrax03 order by a.code_908");
    }

    QString besediloXML(const QString &koda)
    {
        TOracleDataSet q(&ctx.osOracle);
        q.SQL << QStringLiteral("select x.xml__003 from pr908cxr a, i_xml_x03 x where x.sifrax03=a.sifrax03 and "
                                "a.code_908=:k");
        q.DeclareVariable("k", otString);
        q.SetVariable("k", koda);
        q.Open();
        const QString t = q.Eof() ? QStringLiteral("(ni)") : q.FieldByName("xml__003").AsString();
        q.Close();
        return t;
    }

    HookUi hui;
};

} // namespace

TEST(AnalizeFilter, CodesAreReadAsAListNeverAsSql)
{
    struct Case {
        const char *filter;
        QStringList kode;
    } cases[] = {
        {"'POR','AND','BOD'", {"POR", "AND", "BOD"}},
        {" 'POR' , AND,,BOD, ", {"POR", "AND", "BOD"}},
        {"'O''NEIL'", {"O'NEIL"}},
        {"'X') or (1=1", {"X)or(1=1"}},
        {"", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(kodeAnaliz(QString::fromUtf8(c.filter)), c.kode) << c.filter;
    EXPECT_THROW(kodeAnaliz("'POR','AND"), EMoxError);
}

TEST_F(Analize, PreparationWritesChosenAnalysesAndWholeDefinitions)
{
    podatki();
    TIzidDruzine izid = pripravi();
    EXPECT_EQ(stevci(izid), "3/0/0/0 3/0/0/0");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "PR908CXR", {"POPRAVI", "SIFRA908", "SIFRD908", "SIFRA055", "SIFRAX03", "CODE_908",
                                                     "CODE_055", "STAT_908", "FILTR908", "DATE_908", "DATUMIPL"}),
              "*|201|7|1|101|POR|HC01|1|spol='Ž'|15.01.2024 00:00:00|01.02.2024 10:00:00,"
              "*|202||2|102|AND|HC02|1||16.01.2024 00:00:00|02.02.2024 11:30:00,"
              "*|203||1|103|BOD|HC01|1|||01.02.2024 10:00:00");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "I_XML_X03", {"POPRAVI", "SIFRAX03", "TYPE_X03", "STAT_X03", "USER_IPL"}),
              "*|101|ANALIZA|1|ANA,*|102|ANALIZA|1|ANA,*|103|ANALIZA|1|ANA");
    const QString dbfXml = dbfRows(ctx.currSaveDir + "I_XML_X03", {"XML__003"});
    EXPECT_TRUE(dbfXml.startsWith(definicija("POR", 9000) + ",")) << dbfXml.left(200).toStdString();

    // A list of codes, bound; a text that would be SQL selects nothing.
    pripravi(QStringLiteral("'POR', 'BOD'"), false);
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "PR908CXR", {"POPRAVI", "CODE_908"}), "|POR,|BOD");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "I_XML_X03", {"SIFRAX03"}), "101,103");
    izid = pripravi(QStringLiteral("'X') or (1=1"));
    EXPECT_EQ(stevci(izid), "0/0/0/0 0/0/0/0");
}

TEST_F(Analize, NewAnalysesCreatedDifferentOnesOverwrittenEqualOnesLeft)
{
    podatki();
    pripravi();
    connect(kUvoz);
    const QString prej = analizeUvoza();

    // Check-only: counted and listed, nothing written.
    TIzidDruzine izid = osvezi(true);
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(stevci(izid), "3/1/1/0 3/1/1/0");
    EXPECT_EQ(analizeUvoza(), prej);
    const QStringList preverjanje = resultLines("ANALIZEHC");
    ASSERT_GE(preverjanje.size(), 3);
    EXPECT_EQ(preverjanje.mid(0, 3), (QStringList{"ANALIZE MED.PODATKOV (PR908CXR,I_XML_X03)", "NOVO : POR  HC01",
                                                  "POPR : AND"}));
    EXPECT_TRUE(preverjanje.contains("       DESC_908 staro:Stara analiza  novo:Analiza diabetesa"));

    // For real.
    izid = osvezi();
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(stevci(izid), "3/1/1/0 3/1/1/0");
    EXPECT_EQ(analizeUvoza(),
              "AND|52|Analiza diabetesa|B||16.01.2024 00:00:00|02.02.2024 11:30:00|ANA|ANA,"
              "BOD|51|Bolniški dopust|C|||01.02.2024 10:00:00|ANA|ANA,"
              "POR|51|Porodniški podatki|A|spol='Ž'|15.01.2024 00:00:00|01.02.2024 10:00:00|ANA|ANA");
    // The definitions whole, over 4,000 characters; the new one under a key
    // of this installation.
    EXPECT_EQ(besediloXML("POR"), definicija("POR", 9000));
    EXPECT_EQ(besediloXML("AND"), definicija("AND", 5000));
    EXPECT_EQ(rows("select count(*) from pr908cxr where code_908='POR' and sifra908<>201 and sifrax03<>101"), "1");
    EXPECT_EQ(rows("select count(*) from i_xml_x03"), "3");
    EXPECT_EQ(rows("select vrstamox,napakemox from orna_util.orna_mox where napakemox<>'K' order by datummox"),
              "MEDANALIZE|P,MEDANALIZE|N");
    // The package applied is recorded apart (check-only runs record none).
    EXPECT_EQ(rows("select count(*) from orna_util.orna_mox where vrstamox='PAKET MEDANALIZE' and napakemox='K'"), "1");
    EXPECT_TRUE(logLines().last().endsWith("TAVO.I_XML_X03  INS:1  ERR:")) << logLines().last().toStdString();

    // A second run finds nothing.
    izid = osvezi();
    EXPECT_EQ(stevci(izid), "3/0/0/0 3/0/0/0");
    EXPECT_EQ(resultLines("ANALIZEHC"), QStringList{"ANALIZE MED.PODATKOV (PR908CXR,I_XML_X03)"});
    EXPECT_EQ(hui.messages.last(), "Konec osveževanja !");
}

// The family's package checks itself: the preparation lists its files (the
// XML memo file too) under MEDANALIZE, a refresh refuses a changed memo file
// naming it before anything is written, and a whole package is applied and
// recorded at the receiving installation with its export time.
TEST_F(Analize, TheFamilysPackageIsCheckedAgainstItsManifest)
{
    podatki();
    pripravi();
    TManifest m;
    ASSERT_TRUE(m.preberi(ctx.currSaveDir));
    QStringList datoteke;
    for (auto it = m.datoteke.cbegin(); it != m.datoteke.cend(); ++it)
        if (it->tabela == "MEDANALIZE")
            datoteke << it.key();
    EXPECT_EQ(datoteke, (QStringList{"I_XML_X03.DBF", "I_XML_X03.FPT", "PR908CXR.DBF"}));
    ASSERT_TRUE(m.casiTabel.contains("MEDANALIZE"));

    // One byte of a definition changed in the memo file.
    const QString fpt = datotekeDela(ctx.currSaveDir, {"I_XML_X03"}).filter(".fpt", Qt::CaseInsensitive).value(0);
    ASSERT_FALSE(fpt.isEmpty());
    QByteArray izvirnik;
    {
        QFile f(fpt);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        izvirnik = f.readAll();
        const qsizetype i = izvirnik.indexOf("<analiza ime=\"POR\"");
        ASSERT_GE(i, 0);
        f.seek(i + 1);
        f.write("A");
    }
    connect(kUvoz);
    const QString prej = analizeUvoza();
    TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_TRUE(izid.napaka.contains(QFileInfo(fpt).fileName()) && izid.napaka.contains(kImeManifesta))
        << izid.napaka.toStdString();
    EXPECT_EQ(analizeUvoza(), prej);
    EXPECT_EQ(resultLines("ANALIZEHC").last(), "NAPAKA: " + izid.napaka);
    EXPECT_TRUE(hui.messages.contains(izid.napaka));
    EXPECT_EQ(rows("select count(*) from orna_util.orna_mox where napakemox='K'"), "0");

    // As the preparation wrote it: applied, and the package recorded.
    {
        QFile f(fpt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(izvirnik);
    }
    izid = osvezi();
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(stevci(izid), "3/1/1/0 3/1/1/0");
    EXPECT_EQ(rows("select to_char(datummox,'DD.MM.YYYY HH24:MI:SS') from orna_util.orna_mox "
                   "where vrstamox='PAKET MEDANALIZE' and napakemox='K'"),
              m.casTabele("MEDANALIZE").toString("dd.MM.yyyy HH:mm:ss"));

    // The same package made older than the one applied: refused unattended
    // and after Ne (not shown again after the answer); the run is a failed
    // one with the reason in the result file, and nothing is written.
    m.preberi(ctx.currSaveDir);
    m.casiTabel["MEDANALIZE"] = m.casTabele("MEDANALIZE").addSecs(-60);
    m.zapisi(ctx.currSaveDir);
    exec({"delete from pr908cxr where code_908='POR'"});
    for (const bool avtomatika : {true, false}) {
        SCOPED_TRACE(avtomatika ? "unattended" : "Ne");
        hui.questions.clear();
        hui.messages.clear();
        hui.answer = mrNo;
        ctx.pAutomatika = avtomatika;
        izid = osvezi();
        ctx.pAutomatika = false;
        EXPECT_EQ(izid.status, "D");
        EXPECT_TRUE(izid.napaka.startsWith("Paket tabele MEDANALIZE je bil pripravljen")) << izid.napaka.toStdString();
        EXPECT_TRUE(resultLines("ANALIZEHC").contains("NAPAKA: " + izid.napaka))
            << resultLines("ANALIZEHC").join('\n').toStdString();
        EXPECT_EQ(hui.questions.filter("Ga vseeno uporabim?").size(), avtomatika ? 0 : 1);
        if (!avtomatika) {
            EXPECT_TRUE(hui.messages.filter("pred paketom").isEmpty()) << hui.messages.join('\n').toStdString();
        }
        EXPECT_EQ(rows("select count(*) from pr908cxr where code_908='POR'"), "0");
    }
}

TEST_F(Analize, UnmarkedFileCreatesButOverwritesNothing)
{
    podatki();
    pripravi(QStringLiteral("%"), false);
    connect(kUvoz);
    const QString staraAnd = rows("select desc_908 from pr908cxr where code_908='AND'");
    const TIzidDruzine izid = osvezi();
    EXPECT_EQ(stevci(izid), "3/1/1/0 3/1/1/0");
    EXPECT_EQ(rows("select desc_908 from pr908cxr where code_908='AND'"), staraAnd);
    EXPECT_EQ(besediloXML("AND"), "<staro/>");
    EXPECT_EQ(besediloXML("POR"), definicija("POR", 9000));
}

TEST_F(Analize, RecordsThatCannotBeAppliedAreCountedListedAndTheRunGoesOn)
{
    podatki();
    connect(kIzvoz);
    // A service this installation lacks.
    exec({"insert into ka055hc0 (sifra055,code_055,desc_055,stat_055) values (9,'HC09','Očesna ambulanta','1')",
          "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,stat_908) "
          "values (200,9,103,'NOS','Očesni pregledi','1')"});
    pripravi();
    // A date that does not convert: the new analysis and its definition
    // stay out together.
    editDbf(ctx.currSaveDir + "PR908CXR", "CODE_908", "POR", "DATE_908", "15.13.2024");

    const TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(ctx.pNapakePrenosov, 1);
    EXPECT_EQ(stevci(izid), "4/1/1/2 4/1/1/0");
    EXPECT_EQ(rows("select code_908 from pr908cxr order by code_908"), "AND,BOD");
    EXPECT_EQ(rows("select count(*) from i_xml_x03"), "2");
    EXPECT_EQ(rows("select desc_908 from pr908cxr where code_908='AND'"), "Analiza diabetesa");
    const QStringList rez = resultLines("ANALIZEHC");
    EXPECT_TRUE(rez.contains("NAPAKA : NOS")) << rez.join('\n').toStdString();
    EXPECT_TRUE(rez.contains("NAPAKA : POR")) << rez.join('\n').toStdString();
    // The dialogs show the message alone (no prefix).
    ASSERT_EQ(hui.questions.size(), 2);
    EXPECT_EQ(hui.questions[0], "Storitev HC09 ne obstaja");
    EXPECT_TRUE(hui.messages.contains("NAPAKA pri osveževanju ANALIZ MEDICINSKIH ANALIZ!"));
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox"), "D");
}

TEST_F(Analize, PrekiniEndsTheRunAsFailed)
{
    podatki();
    pripravi();
    int dogodkov = 0;
    hui.naDogodke = [&] {
        if (++dogodkov == 2)
            ctx.pKonec = true;
    };
    const TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(izid.prehodi[0].prebranih, 1);
    // The record being read when "Prekini" came is finished; none after it.
    EXPECT_EQ(rows("select code_908 from pr908cxr order by code_908"), "AND,BOD,POR");
    EXPECT_EQ(rows("select desc_908 from pr908cxr where code_908='AND'"), "Stara analiza");
    EXPECT_TRUE(resultLines("ANALIZEHC").contains("NAPAKA: Osveževanje je bilo prekinjeno pred koncem datoteke"));
}

TEST_F(Analize, TextTheFileCannotHoldWholeStopsThePreparation)
{
    podatki();
    connect(kIzvoz);
    // A character the file's code page lacks would arrive as "?".
    exec({"update i_xml_x03 set xml__003='<analiza ime=\"BOD\">→</analiza>' where sifrax03=103"});
    try {
        pripravi();
        FAIL() << "the preparation went on";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains("XML__003")) << e.message().toStdString();
    }
}
