// Print forms prepared at one installation and refreshed at another, on two
// embedded databases made from the served schema.
#include "general/manifest.h"
#include "general/roundtrip_support.h"

#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/obrazci.h"

#include <QDate>
#include <QFile>
#include <QProcess>

using namespace roundtrip;

namespace {

// A progress that records the counters and, when asked, presses "Prekini"
// after the first form.
struct Napredek {
    QList<TStevciPrehoda> zadnji{TStevciPrehoda(), TStevciPrehoda(), TStevciPrehoda()};
    QStringList zakljucki;
    TNapredekDruzine n;
    Napredek()
    {
        n.prikazi = [this](int p, const TStevciPrehoda &s) { zadnji[p] = s; };
        n.prikaziRezultat = [this](const QString &z, const QString &) { zakljucki << z; };
    }
};

QString stevci(const TStevciPrehoda &s)
{
    return QStringLiteral("%1/%2/%3/%4").arg(s.prebranih).arg(s.novih).arg(s.popravkov).arg(s.napak);
}

QString stevci(const TIzidDruzine &izid)
{
    QStringList out;
    for (const TStevciPrehoda &s : izid.prehodi)
        out << stevci(s);
    return out.join(u' ');
}

class Obrazci : public RoundTrip {
protected:
    // Forms at the exporting installation: 40 and 43 equal at the receiving
    // one, 41 with another position and a field in another font, 42 new
    // (its code belongs to another form there), 45 inactive.
    void izvoz(const QString &shema = QStringLiteral("TAVO"))
    {
        connect(kIzvoz, shema);
        ctx.currUserAsTavo = shema;
        exec({"insert into ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,code_900,"
              "class900,name_900,activ900,param900) values (40,'Napotnica za pregled',10,12,210,297,'1','NAP01',"
              "'NAPOTNICA','Napotnica','D','{GLAVA:ZZZS}')",
              "insert into ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,code_900) "
              "values (41,'Recept - zeleni',5,5,148,105,'1','REC01')",
              "insert into ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,code_900) "
              "values (42,'Izvid laboratorijskih preiskav',10,10,210,297,'1','LAB01')",
              "insert into ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,sifrax03) "
              "values (43,'Odpustno pismo',15,null,210,297,'1',7)",
              "insert into ka900rep (sifra900,desc_900,stat_900) values (45,'Star obrazec','0')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,axisx901,ordin901,stat_901,font_901) "
              "values (101,40,'Priimek in ime','C',20,1,'1','Arial 10')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,axisx901,ordin901,stat_901) "
              "values (102,40,'Datum rojstva','D',120,2,'1')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,ordin901,stat_901,font_901) "
              "values (103,41,'Zdravilo','C',1,'1','Courier 10')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,ordin901,stat_901,leng_901) "
              "values (104,42,'Preiskava','C',1,'1',40)",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,ordin901,stat_901) "
              "values (105,43,'Sprejemna diagnoza','C',1,'1')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,ordin901,stat_901) "
              "values (106,43,'Kontrolni pregled čez','C',2,'1')",
              "insert into ka901rat (sifra901,sifra900,desc_901,ordin901,stat_901) values (107,43,'Neaktivno',3,'0')",
              "insert into ka901rat (sifra901,sifra900,desc_901,ordin901,stat_901) values (108,45,'Staro',1,'1')",
              "insert into ka902rpr (sifra902,sifra900,desc_902,init_902,left_902,stat_902) "
              "values (11,40,'Glava','ZZZS - napotna listina',0,'1')",
              "insert into ka902rpr (sifra902,sifra900,desc_902,left_902,stat_902) values (12,42,'Glava',0,'1')",
              "insert into ka902rpr (sifra902,sifra900,desc_902,init_902,stat_902) "
              "values (13,43,'Podpis','Predstojnik oddelka','1')"});
    }

    // The receiving installation: its own codes, an older state, a form of
    // its own under the code 42.
    void uvoz(const QString &shema = QStringLiteral("TAVO"))
    {
        connect(kUvoz, shema);
        ctx.currUserAsTavo = shema;
        exec({"insert into ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,code_900,"
              "class900,name_900,activ900,param900) values (7,'Napotnica za pregled',10,12,210,297,'1','NAP01',"
              "'NAPOTNICA','Napotnica','D','{GLAVA:ZZZS}')",
              "insert into ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,code_900) "
              "values (8,'Recept - zeleni',8,5,148,105,'1','REC01')",
              "insert into ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,sifrax03) "
              "values (9,'Odpustno pismo',15,null,210,297,'1',7)",
              "insert into ka900rep (sifra900,desc_900,stat_900) values (42,'Potrdilo o odsotnosti','1')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,axisx901,ordin901,stat_901,font_901) "
              "values (501,7,'Priimek in ime','C',20,1,'1','Arial 10')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,axisx901,ordin901,stat_901) "
              "values (502,7,'Datum rojstva','D',120,2,'1')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,ordin901,stat_901,font_901) "
              "values (503,8,'Zdravilo','C',1,'1','Courier 8')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,ordin901,stat_901) "
              "values (505,9,'Sprejemna diagnoza','C',1,'1')",
              "insert into ka901rat (sifra901,sifra900,desc_901,type_901,ordin901,stat_901,leng_901) "
              "values (600,42,'Obdobje','X',1,'1',9)",
              "insert into ka902rpr (sifra902,sifra900,desc_902,init_902,left_902,stat_902) "
              "values (51,7,'Glava','ZZZS - napotna listina',0,'1')",
              "insert into ka902rpr (sifra902,sifra900,desc_902,stat_902) values (60,42,'Glava','1')"});
    }

    TIzidDruzine pripravi(const QString &filter = QStringLiteral("%"))
    {
        TZahtevaDruzine z;
        z.filter = filter;
        return pripraviObrazce(ctx, z, nullptr);
    }

    TIzidDruzine osvezi(bool samo, Napredek *n = nullptr)
    {
        TZahtevaDruzine z;
        z.samoPreverjanje = samo;
        return osveziObrazce(ctx, z, n ? &n->n : nullptr);
    }

    QString forms()
    {
        return rows("select sifra900,desc_900,left_900,top_900,code_900,sifrax03 from ka900rep order by sifra900");
    }
    QString fields()
    {
        return rows("select sifra900,ordin901,desc_901,font_901,leng_901 from ka901rat order by sifra900,ordin901");
    }
    QString regions()
    {
        return rows("select sifra902,sifra900,desc_902,init_902 from ka902rpr order by sifra902");
    }
    QString vse() { return forms() + "\n" + fields() + "\n" + regions(); }

    void dbfPolje(const QString &tabela, const QString &kljuc, const QString &vrednost, const QString &polje,
                  const QString &novo)
    {
        editDbf(ctx.currSaveDir + tabela, kljuc, vrednost, polje, novo);
    }

    QStringList rezultat() { return resultLines(QStringLiteral("OBR")); }
    QString zgodovina()
    {
        return rows("select napakemox,count(*) from orna_util.orna_mox where vrstamox='OBR' group by napakemox "
                    "order by napakemox");
    }
};

} // namespace

TEST(ObrazciFilter, OnlyListsOfFormCodesReachTheStatement)
{
    const struct {
        const char *filter;
        const char *pogoj; // nullptr: refused
    } primeri[] = {
        {"%", ""},
        {"", ""},
        {"  %  ", ""},
        {"40,41", "sifra900 in (40,41) and "},
        {" 40 , 41 ,", "sifra900 in (40,41) and "},
        {"7", "sifra900 in (7) and "},
        {"40;delete from ka900rep", nullptr},
        {"40) or (1=1", nullptr},
        {"4a", nullptr},
        {"-1", nullptr},
        {"Z%", nullptr},
        {",", nullptr},
    };
    for (const auto &p : primeri) {
        if (p.pogoj) {
            EXPECT_EQ(pogojObrazcev(QString::fromUtf8(p.filter)), QString::fromUtf8(p.pogoj)) << p.filter;
        } else {
            EXPECT_THROW(pogojObrazcev(QString::fromUtf8(p.filter)), EMoxError) << p.filter;
        }
    }
}

TEST_F(Obrazci, PreparedFormsRefreshedNewDifferentAndEqual)
{
    izvoz();
    TIzidDruzine p = pripravi();
    EXPECT_EQ(stevci(p), "4/0/0/0 6/0/0/0 3/0/0/0");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA900REP", {"POPRAVI", "SIFRA900", "DESC_900", "TOP_900", "SIFRAX03"}),
              "*|40|Napotnica za pregled|12|,*|41|Recept - zeleni|5|,*|42|Izvid laboratorijskih preiskav|10|,"
              "*|43|Odpustno pismo||7");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA901RAT", {"SIFRA900", "SIFRA901", "ORDIN901", "DESC_901"}),
              "40|101|1|Priimek in ime,40|102|2|Datum rojstva,41|103|1|Zdravilo,42|104|1|Preiskava,"
              "43|105|1|Sprejemna diagnoza,43|106|2|Kontrolni pregled čez");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA902RPR", {"SIFRA900", "SIFRA902", "DESC_902"}),
              "40|11|Glava,42|12|Glava,43|13|Podpis");

    uvoz();
    const QString prej = vse();

    // Check-only: counted and listed, nothing written; the fields and the
    // region of the new form are new, even though the form's code in the
    // file belongs to another form here.
    Napredek n;
    TIzidDruzine izid = osvezi(true, &n);
    EXPECT_EQ(stevci(izid), "4/1/1/0 6/2/1/0 3/2/0/0");
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(vse(), prej);
    EXPECT_EQ(rezultat(), (QStringList{"OBRAZCI (KA900REP,KA901RAT,KA902RPR)", "POPR(900): 8",
                                       "       LEFT_900 staro:8  novo:5", "POPR(901): 8  103",
                                       "       FONT_901 staro:Courier 8  novo:Courier 10",
                                       "NOVO(900): Izvid laboratorijski", "NOVO(901): 42  1", "NOVO(902): 42  Glava",
                                       "NOVO(901): 9  2", "NOVO(902): 9  Podpis"}));
    EXPECT_EQ(n.zakljucki, QStringList{"Konec preverjanja OBRAZCEV "});
    EXPECT_EQ(stevci(n.zadnji[1]), "6/2/1/0");

    // For real: the new form takes the code above the highest (42), its
    // field a number of the sequence, the regions codes above the highest.
    izid = osvezi(false, &n);
    EXPECT_EQ(stevci(izid), "4/1/1/0 6/2/1/0 3/2/0/0");
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(forms(), "7|Napotnica za pregled|10|12|NAP01|,8|Recept - zeleni|5|5|REC01|,9|Odpustno pismo|15|||7,"
                       "42|Potrdilo o odsotnosti||||,43|Izvid laboratorijskih preiskav|10|10|LAB01|");
    EXPECT_EQ(fields(), "7|1|Priimek in ime|Arial 10|,7|2|Datum rojstva||,8|1|Zdravilo|Courier 10|,"
                        "9|1|Sprejemna diagnoza||,9|2|Kontrolni pregled čez||,42|1|Obdobje||9,43|1|Preiskava||40");
    EXPECT_EQ(regions(), "51|7|Glava|ZZZS - napotna listina,60|42|Glava|,61|43|Glava|,"
                         "62|9|Podpis|Predstojnik oddelka");
    // An empty whole number travels as null (not 0).
    EXPECT_EQ(rows("select left_902,top__902 from ka902rpr where sifra902=62"), "|");
    // The new fields' numbers are the receiving database's own.
    EXPECT_EQ(rows("select count(*) from ka901rat where sifra901 in (101,102,103,104,105,106)"), "0");
    EXPECT_EQ(rows("select count(*) from ka901rat"), "7");
    EXPECT_EQ(rezultat().mid(5, 3), (QStringList{"NOVO(900): Izvid laboratorijski", "NOVO(901): 43  1",
                                                 "NOVO(902): 43  Glava"}));
    EXPECT_EQ(n.zakljucki.last(), "Konec osveževanja OBRAZCEV ");

    // History "P" for the check, "N" for the refresh; one log line per table.
    EXPECT_EQ(zgodovina(), "N|1,P|1");
    const QStringList log = logLines();
    ASSERT_EQ(log.size(), 6);
    const QString datum = QDate::currentDate().toString("dd.MM.yyyy");
    EXPECT_EQ(log.mid(3), (QStringList{datum + "  REFRESH: TAVO  TAVO.KA900REP  INS:1  UPD:1  ERR:",
                                       QString(21, ' ') + "TAVO  TAVO.KA901RAT  INS:2  UPD:1  ERR:",
                                       QString(21, ' ') + "TAVO  TAVO.KA902RPR  INS:2  UPD:  ERR:"}));

    // A second run finds nothing and offers no review.
    ui.messages.clear();
    izid = osvezi(false, &n);
    EXPECT_EQ(stevci(izid), "4/0/0/0 6/0/0/0 3/0/0/0");
    EXPECT_EQ(ui.messages, QStringList{"Konec osveževanju OBRAZCEV!"});
    EXPECT_EQ(rezultat(), QStringList{"OBRAZCI (KA900REP,KA901RAT,KA902RPR)"});
}

TEST_F(Obrazci, FilterPreparesTheListedActiveForms)
{
    izvoz();
    EXPECT_EQ(stevci(pripravi("43, 45,41")), "2/0/0/0 3/0/0/0 1/0/0/0");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA900REP", {"SIFRA900"}), "41,43");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA901RAT", {"SIFRA901"}), "103,105,106");

    // A filter that is not a list of codes leaves the files as they were.
    EXPECT_THROW(pripravi("41 or 1=1"), EMoxError);
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA900REP", {"SIFRA900"}), "41,43");
}

TEST_F(Obrazci, UnmarkedRecordsAreListedButLeftAlone)
{
    izvoz();
    pripravi();
    dbfPolje("KA900REP", "SIFRA900", "41", "POPRAVI", "");
    dbfPolje("KA901RAT", "SIFRA901", "103", "POPRAVI", "");
    uvoz();
    TIzidDruzine izid = osvezi(false);
    EXPECT_EQ(stevci(izid), "4/1/1/0 6/2/1/0 3/2/0/0");
    EXPECT_EQ(rows("select left_900 from ka900rep where sifra900=8"), "8");
    EXPECT_EQ(rows("select font_901 from ka901rat where sifra901=503"), "Courier 8");
    // New rows go in whatever their mark.
    dbfPolje("KA901RAT", "SIFRA901", "103", "ORDIN901", "5");
    izid = osvezi(false);
    EXPECT_EQ(rows("select desc_901,font_901 from ka901rat where sifra900=8 and ordin901=5"), "Zdravilo|Courier 10");
}

// Fields and regions whose form record is gone from the forms' file (a
// package edited by hand) are not dropped silently.
TEST_F(Obrazci, FieldsAndRegionsWithoutTheirFormAreErrors)
{
    izvoz();
    pripravi();
    {
        TApolloDataSet t;
        t.TableName = ctx.currSaveDir + "KA900REP";
        t.Open();
        for (t.First(); !t.Eof(); t.Next())
            if (t.FieldByName("SIFRA900").AsString() == "42")
                t.Delete();
        t.Close();
        // Edited by hand: no longer what the preparation wrote.
        QFile::remove(ctx.currSaveDir + kImeManifesta);
    }
    uvoz();
    TIzidDruzine izid = osvezi(false);
    EXPECT_EQ(stevci(izid), "3/0/1/0 6/1/1/1 3/1/0/1");
    EXPECT_EQ(izid.status, "D");
    const QStringList rez = rezultat();
    EXPECT_TRUE(rez.contains("NAPAKA(901): 42  1 obrazca 42 ni v datoteki KA900REP")) << rez.join('\n').toStdString();
    EXPECT_TRUE(rez.contains("NAPAKA(902): 42  Glava obrazca 42 ni v datoteki KA900REP")) << rez.join('\n').toStdString();
    EXPECT_EQ(rows("select count(*) from ka901rat where desc_901='Preiskava'"), "0");
}

TEST_F(Obrazci, FailedStatementsAreCountedListedAndTheRunGoesOn)
{
    izvoz();
    pripravi();
    // The new form 42 cannot be inserted (its left position exceeds the
    // column), form 41's correction fails the same way, and a field has a
    // position that is not a number.
    dbfPolje("KA900REP", "SIFRA900", "42", "LEFT_900", "999999");
    dbfPolje("KA900REP", "SIFRA900", "41", "LEFT_900", "999999");
    dbfPolje("KA901RAT", "SIFRA901", "106", "AXISX901", "x1");
    uvoz();

    TIzidDruzine izid = osvezi(false);
    // Form 42 failed: its field and region are errors, never rows without
    // their form.
    EXPECT_EQ(stevci(izid), "4/1/1/2 6/1/1/2 3/1/0/1");
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(rows("select count(*) from ka900rep where desc_900 like 'Izvid%'"), "0");
    EXPECT_EQ(rows("select count(*) from ka901rat where desc_901 in ('Preiskava','Kontrolni pregled čez')"), "0");
    EXPECT_EQ(rows("select count(*) from ka902rpr where sifra900 not in (7,9,42)"), "0");
    // The other forms went on: form 41's field corrected, 43's region added.
    EXPECT_EQ(rows("select font_901 from ka901rat where sifra901=503"), "Courier 10");
    EXPECT_EQ(rows("select desc_902 from ka902rpr where sifra900=9"), "Podpis");

    const QStringList rez = rezultat();
    EXPECT_TRUE(rez.contains("NAPAKA(900): Izvid laboratorijski")) << rez.join('\n').toStdString();
    EXPECT_TRUE(rez.contains("NAPAKA(900): 8")) << rez.join('\n').toStdString();
    EXPECT_TRUE(rez.contains("NAPAKA(901): 9  2")) << rez.join('\n').toStdString();
    EXPECT_EQ(rez.filter("ni v bazi").size(), 2) << rez.join('\n').toStdString();
    // One dialog per failed statement (not per record of a failed form), the
    // notice at the end, history "D", the run's errors counted.
    EXPECT_EQ(ui.questions.size(), 3) << ui.questions.join('\n').toStdString();
    EXPECT_TRUE(ui.questions[0].startsWith("NAPAKA \r\nORA-01438")) << ui.questions[0].toStdString();
    EXPECT_TRUE(ui.questions[2].startsWith("NAPAKA \r\n   900: 9    901: ")) << ui.questions[2].toStdString();
    EXPECT_TRUE(ui.messages.contains("NAPAKA pri osveževanju OBRAZCEV!"));
    EXPECT_EQ(zgodovina(), "D|1");
    EXPECT_EQ(ctx.pNapakePrenosov, 1);
    EXPECT_TRUE(logLines().filter("TAVO.KA900REP").last().endsWith("ERR:2"));

    // "Ne" ends the run after the form being handled.
    ui.answer = mrNo;
    ui.questions.clear();
    exec({"delete from ka901rat where sifra901=503"});
    izid = osvezi(false);
    EXPECT_EQ(izid.prehodi[0].prebranih, 2);
    EXPECT_EQ(ui.questions.size(), 1);
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(rows("select count(*) from ka901rat where sifra900=8"), "1"); // form 41's field, after the form
}

TEST_F(Obrazci, AbortAndMissingFilesEndTheRunAsFailed)
{
    izvoz();
    pripravi();
    uvoz();

    // "Prekini" pressed while the first form is handled.
    struct Prekini : RecordingUi {
        TMoxContext *ctx = nullptr;
        int klicev = 0;
        // The first call comes before the passes, the second with the first form.
        void processEvents() override
        {
            if (++klicev >= 2)
                ctx->pKonec = true;
        }
    } prekini;
    prekini.ctx = &ctx;
    ctx.ui = &prekini;
    TIzidDruzine izid = osvezi(false);
    ctx.ui = &ui;
    EXPECT_EQ(izid.prehodi[0].prebranih, 1);
    EXPECT_EQ(izid.status, "D");
    EXPECT_FALSE(izid.napaka.isEmpty());
    EXPECT_TRUE(rezultat().last().startsWith("NAPAKA: ")) << rezultat().join('\n').toStdString();
    EXPECT_EQ(zgodovina(), "D|1");

    // A missing file: nothing written, the run failed.
    const QString prej = vse();
    QFile::remove(ctx.currSaveDir + "KA902RPR.DBF");
    ui.messages.clear();
    izid = osvezi(false);
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(vse(), prej);
    EXPECT_TRUE(ui.messages.contains("Datoteka " + ctx.currSaveDir + "KA902RPR.DBF ne obstaja"))
        << ui.messages.join('\n').toStdString();
    EXPECT_EQ(zgodovina(), "D|2");
    EXPECT_EQ(ctx.pNapakePrenosov, 2);
}

// A form's template kept as a CLOB at both installations travels whole: over
// 4,000 characters, with Slovenian letters, inserted and corrected.
TEST_F(Obrazci, ClobTemplateTravelsWhole)
{
    const char *clob[] = {"drop table ka900rep",
                          "create table KA900REP (SIFRA900 NUMBER(5) not null, DESC_900 VARCHAR2(60), "
                          "LEFT_900 NUMBER(5), TOP_900 NUMBER(5), RELX_900 NUMBER(5), RELY_900 NUMBER(5), "
                          "STAT_900 CHAR(1), SIFRAX03 NUMBER(10), CODE_900 VARCHAR2(20), CLASS900 VARCHAR2(20), "
                          "NAME_900 VARCHAR2(60), ACTIV900 VARCHAR2(1), NAME2900 VARCHAR2(60), PARAM900 CLOB, "
                          "DATUMIPL DATE, USER_IPL VARCHAR2(30), constraint PK_KA900REP primary key (SIFRA900))"};
    QString predloga;
    for (int i = 0; predloga.size() < 6000; ++i)
        predloga += QStringLiteral("{POLJE%1:čšž ČŠŽ besedilo obrazca}").arg(i);

    connect(kIzvoz);
    exec({clob[0], clob[1]});
    {
        TOracleQuery q(&ctx.osOracle);
        q.SQL << "insert into ka900rep (sifra900,desc_900,stat_900,param900) values (7,'Predloga',"
                 "'1',empty_clob()) returning param900 into :p";
        TLOBLocator lob(&ctx.osOracle, otCLOB);
        q.DeclareVariable("p", otCLOB);
        q.SetComplexVariable("p", &lob);
        q.Execute();
        lob.Write(predloga);
        ctx.osOracle.Commit();
    }
    EXPECT_EQ(stevci(pripravi()), "1/0/0/0 0/0/0/0 0/0/0/0");

    connect(kUvoz);
    exec({clob[0], clob[1]});
    TIzidDruzine izid = osvezi(false);
    EXPECT_EQ(stevci(izid), "1/1/0/0 0/0/0/0 0/0/0/0");
    EXPECT_EQ(rows("select param900 from ka900rep"), predloga);
    // The first form of an installation without forms gets the code 1.
    EXPECT_EQ(rows("select sifra900 from ka900rep"), "1");

    // Equal: nothing to do; changed at the source: corrected whole.
    EXPECT_EQ(stevci(osvezi(false)), "1/0/0/0 0/0/0/0 0/0/0/0");
    exec({"update ka900rep set param900='kratko'"});
    EXPECT_EQ(stevci(osvezi(false)), "1/0/1/0 0/0/0/0 0/0/0/0");
    EXPECT_EQ(rows("select param900 from ka900rep"), predloga);
}

// In databases that serve several installations the preparation reads and
// the refresh writes the schema of the installation served now.
TEST_F(Obrazci, EachInstallationUsesItsOwnSchema)
{
    const QString orodje = TestEnv::binaryDir() + QStringLiteral("/tools/mox-db/mox-db");
    for (const char *alias : {kIzvoz, kUvoz}) {
        for (const QStringList &args :
             {QStringList{"user", alias, "TAVO_B", "TAVO_B"},
              QStringList{"sql", alias, "TAVO_B", "TAVO_B", TestEnv::sourceDir() + "/fixtures/schema/tavo.sql"}}) {
            QProcess p;
            p.start(orodje, args);
            ASSERT_TRUE(p.waitForFinished(120000));
            ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        }
    }
    izvoz(QStringLiteral("TAVO_B"));
    EXPECT_EQ(stevci(pripravi()), "4/0/0/0 6/0/0/0 3/0/0/0");
    uvoz(QStringLiteral("TAVO_B"));
    TIzidDruzine izid = osvezi(false);
    EXPECT_EQ(stevci(izid), "4/1/1/0 6/2/1/0 3/2/0/0");
    EXPECT_EQ(rows("select count(*) from ka900rep where desc_900 like 'Izvid%'"), "1");

    // The installation's TAVO schema of the other installation is untouched.
    connect(kUvoz, QStringLiteral("TAVO"));
    EXPECT_EQ(rows("select count(*) from ka900rep"), "0");
    EXPECT_EQ(rows("select count(*) from ka901rat"), "0");
}
