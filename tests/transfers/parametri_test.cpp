// Parameters prepared at one embedded installation and refreshed at another.
#include "../general/roundtrip_support.h"

#include "base/moxerror.h"
#include "transfers/parametri.h"

#include <QDate>
#include <QFile>
#include <QProcess>

#include <functional>

using namespace roundtrip;

namespace {

// Messages and questions recorded; something may happen while the run lets
// window events through (between records).
class HookUi : public RecordingUi {
public:
    std::function<void()> naDogodke;
    void processEvents() override
    {
        if (naDogodke)
            naDogodke();
    }
};

class Parametri : public RoundTrip {
protected:
    void SetUp() override
    {
        RoundTrip::SetUp();
        ctx.ui = &hui;
    }

    // IZVOZ: PRIKAZ_OPOZORIL (new at UVOZ; three values, one with an
    // extension, and an inactive one), ŠTEVILO_KOPIJ (at both, other value
    // at UVOZ), ČAS_ČAKANJA (new; one value) and an inactive parameter.
    void podatki()
    {
        connect(kIzvoz);
        exec({"insert into ka007par (sifra007,app__007,class007,attr_007,desc_007,depen007,pcode007,descl007,stat_007,"
              "user_ipl) values (1,'ORN','KLINIKA','PRIKAZ_OPOZORIL','Prikaz opozoril','N','P01','Ali naj se opozorila "
              "o alergijah prikažejo že ob sprejemu','1','ANA')",
              "insert into ka007par (sifra007,app__007,class007,attr_007,desc_007,stat_007) "
              "values (2,'ORN','KLINIKA','ŠTEVILO_KOPIJ','Število kopij izvida','1')",
              "insert into ka007par (sifra007,app__007,class007,attr_007,desc_007,stat_007) "
              "values (3,'ORN','LAB','ČAS_ČAKANJA','Čas čakanja na izvid','1')",
              "insert into ka007par (sifra007,app__007,class007,attr_007,desc_007,stat_007) "
              "values (4,'ORN','LAB','STARO','Opuščeno','0')",
              "insert into pr107par (sifra107,sifra007,app__007,class007,attr_007,depen107,wksid107,sifrax31,userdef1,"
              "tip__x31,val1_107,stat_107) values (11,1,'ORN','KLINIKA','PRIKAZ_OPOZORIL','0000',null,5,'ADMIN','N','DA','1')",
              "insert into pr107par (sifra107,sifra007,app__007,class007,attr_007,depen107,wksid107,sifrax31,val1_107,"
              "stat_107) values (12,1,'ORN','KLINIKA','PRIKAZ_OPOZORIL','0100','PC17',null,'NE','1')",
              "insert into pr107par (sifra107,sifra007,app__007,class007,attr_007,depen107,val1_107,stat_107) "
              "values (13,1,'ORN','KLINIKA','PRIKAZ_OPOZORIL','0200','Že prikazano','1')",
              "insert into pr107par (sifra107,sifra007,app__007,class007,attr_007,depen107,val1_107,stat_107) "
              "values (16,1,'ORN','KLINIKA','PRIKAZ_OPOZORIL','0300','neaktivna','0')",
              "insert into pr107par (sifra107,sifra007,app__007,class007,attr_007,depen107,val1_107,stat_107) "
              "values (14,2,'ORN','KLINIKA','ŠTEVILO_KOPIJ','0000','2','1')",
              "insert into pr107par (sifra107,sifra007,app__007,class007,attr_007,depen107,sifrax31,val1_107,stat_107) "
              "values (15,3,'ORN','LAB','ČAS_ČAKANJA','0000',30,'30','1')",
              "insert into pr207ext (sifra207,sifra107,val1_207,stat_207) values (21,12,'Razširitev za PC17','1')"});
        connect(kUvoz);
        exec({"insert into ka007par (sifra007,app__007,class007,attr_007,desc_007,stat_007) "
              "values (502,'ORN','KLINIKA','ŠTEVILO_KOPIJ','Število kopij','1')",
              "insert into pr107par (sifra107,sifra007,app__007,class007,attr_007,depen107,val1_107,stat_107) "
              "values (514,502,'ORN','KLINIKA','ŠTEVILO_KOPIJ','0000','3','1')"});
    }

    TIzidDruzine pripravi(const TIzbiraParametrov &izbira = TIzbiraParametrov())
    {
        connect(kIzvoz);
        return pripraviParametre(ctx, TZahtevaDruzine(), izbira);
    }

    TIzidDruzine osvezi(bool samo = false)
    {
        connect(kUvoz);
        TZahtevaDruzine z;
        z.samoPreverjanje = samo;
        return osveziParametre(ctx, z);
    }

    QString stanjeTriggerjev()
    {
        return rows("select trigger_name,status from dba_triggers where trigger_name in "
                    "('BTKA007PAR','BTPR107PAR','BTPR207EXT') order by trigger_name");
    }

    QString stevci(const TIzidDruzine &izid)
    {
        QStringList s;
        for (const TStevciPrehoda &p : izid.prehodi)
            s << QStringLiteral("%1/%2/%3").arg(p.prebranih).arg(p.novih).arg(p.napak);
        return s.join(u' ');
    }

    QString parametriUvoza()
    {
        return rows("select p.attr_007,p.desc_007,p.descl007,p.user_ipl,v.depen107,v.wksid107,v.sifrax31,v.val1_107,"
                    "e.val1_207 from ka007par p, pr107par v, pr207ext e where v.sifra007=p.sifra007 and "
                    "e.sifra107(+)=v.sifra107 order by p.attr_007,v.depen107");
    }

    HookUi hui;
};

const QString kEnabled = "BTKA007PAR|ENABLED,BTPR107PAR|ENABLED,BTPR207EXT|ENABLED";

} // namespace

TEST_F(Parametri, PreparationWritesTheChosenParametersWithValuesAndExtensions)
{
    podatki();
    const TIzidDruzine izid = pripravi();
    EXPECT_EQ(stevci(izid), "3/0/0 5/0/0 1/0/0");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA007PAR", {"POPRAVI", "SIFRA007", "CLASS007", "ATTR_007", "DESCL007", "STAT_007"}),
              "*|1|KLINIKA|PRIKAZ_OPOZORIL|Ali naj se opozorila o alergijah prikažejo že ob sprejemu|,"
              "*|2|KLINIKA|ŠTEVILO_KOPIJ||,*|3|LAB|ČAS_ČAKANJA||");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "PR107PAR", {"SIFRA007", "SIFRA107", "DEPEN107", "SIFRAX31", "VAL1_107"}),
              "1|11|0000|5|DA,1|12|0100||NE,1|13|0200||Že prikazano,2|14|0000||2,3|15|0000|30|30");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "PR207EXT", {"POPRAVI", "SIFRA107", "SIFRA207", "VAL1_207"}),
              "*|12||Razširitev za PC17");

    // The filters and the default-only box.
    struct Case {
        TIzbiraParametrov izbira;
        const char *parametri, *vrednosti;
    } cases[] = {
        {{"where class007='LAB'", "%", false}, "ČAS_ČAKANJA", "15"},
        {{"%", "depen107='0100'", false}, "PRIKAZ_OPOZORIL", "12"},
        {{"", "", true}, "PRIKAZ_OPOZORIL,ŠTEVILO_KOPIJ,ČAS_ČAKANJA", "11,14,15"},
    };
    for (const Case &c : cases) {
        pripravi(c.izbira);
        EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA007PAR", {"ATTR_007"}), c.parametri) << c.izbira.filter107.toStdString();
        EXPECT_EQ(dbfRows(ctx.currSaveDir + "PR107PAR", {"SIFRA107"}), c.vrednosti) << c.izbira.filter107.toStdString();
    }
    // A filter the database rejects ends the preparation with its message.
    EXPECT_THROW(pripravi({"where no_such_column=1", "%", false}), EMoxError);
}

TEST_F(Parametri, NewParametersArriveWholeExistingOnesAreLeft)
{
    podatki();
    pripravi();

    // Check-only: only the parameters are listed and counted; nothing is
    // written and the triggers are left alone.
    QStringList medTekom;
    hui.naDogodke = [&] { medTekom << stanjeTriggerjev(); };
    TIzidDruzine izid = osvezi(true);
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(stevci(izid), "3/2/0 0/0/0 0/0/0");
    EXPECT_EQ(resultLines("PARAM"), (QStringList{"PARAMETRI (KA007PAR,PR107PAR,PR207EXT)",
                                                 "NOVO(007): PRIKAZ_OPOZORIL  KLINIKA", "NOVO(007): ČAS_ČAKANJA  LAB"}));
    EXPECT_EQ(rows("select count(*) from ka007par"), "1");
    EXPECT_EQ(medTekom.filter("DISABLED").size(), 0);

    // For real: the new parameters with their values and the extension,
    // under keys of this installation; the existing one untouched.
    medTekom.clear();
    QStringList oznakeMedTekom;
    hui.naDogodke = [&] {
        medTekom << stanjeTriggerjev();
        oznakeMedTekom << rows("select vrstamox from orna_util.orna_mox where napakemox='T' order by vrstamox");
    };
    izid = osvezi();
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(stevci(izid), "3/2/0 4/4/0 1/1/0");
    EXPECT_EQ(parametriUvoza(),
              "PRIKAZ_OPOZORIL|Prikaz opozoril|Ali naj se opozorila o alergijah prikažejo že ob sprejemu|ORN|0000||5|DA|,"
              "PRIKAZ_OPOZORIL|Prikaz opozoril|Ali naj se opozorila o alergijah prikažejo že ob sprejemu|ORN|0100|PC17||NE|"
              "Razširitev za PC17,"
              "PRIKAZ_OPOZORIL|Prikaz opozoril|Ali naj se opozorila o alergijah prikažejo že ob sprejemu|ORN|0200|||"
              "Že prikazano|,"
              "ČAS_ČAKANJA|Čas čakanja na izvid||ORN|0000||30|30|,"
              "ŠTEVILO_KOPIJ|Število kopij|||0000|||3|");
    // Keys from the sequences, none taken from the file.
    EXPECT_EQ(rows("select count(*) from ka007par where sifra007 in (1,3)"), "0");
    EXPECT_EQ(rows("select count(*) from pr107par where sifra107 in (11,12,13,15)"), "0");
    EXPECT_EQ(rows("select count(*) from pr207ext e, pr107par v where e.sifra107=v.sifra107 and v.val1_107='NE'"), "1");
    EXPECT_EQ(resultLines("PARAM"),
              (QStringList{"PARAMETRI (KA007PAR,PR107PAR,PR207EXT)", "NOVO(007): PRIKAZ_OPOZORIL  KLINIKA",
                           "NOVO(107): PRIKAZ_OPOZORIL  DA", "NOVO(107): PRIKAZ_OPOZORIL  NE",
                           "NOVO(107): PRIKAZ_OPOZORIL  Že prikazano", "NOVO(007): ČAS_ČAKANJA  LAB",
                           "NOVO(107): ČAS_ČAKANJA  30"}));
    // The triggers were off while the rows went in, and are on again.
    EXPECT_TRUE(medTekom.contains("BTKA007PAR|DISABLED,BTPR107PAR|DISABLED,BTPR207EXT|DISABLED"))
        << medTekom.join('\n').toStdString();
    EXPECT_EQ(stanjeTriggerjev(), kEnabled);
    // While they were off, the run history named their tables for the
    // start-up's repair of a run that dies; the markers went with the run.
    EXPECT_TRUE(oznakeMedTekom.contains("IZKLOPLJENI TRIGGERJI TAVO.KA007PAR,IZKLOPLJENI TRIGGERJI TAVO.PR107PAR,"
                                        "IZKLOPLJENI TRIGGERJI TAVO.PR207EXT"))
        << oznakeMedTekom.join('\n').toStdString();

    const QString datum = QDate::currentDate().toString("dd.MM.yyyy");
    const QStringList log = logLines();
    ASSERT_GE(log.size(), 3);
    EXPECT_EQ(log.mid(log.size() - 3),
              (QStringList{datum + "  REFRESH: TAVO  TAVO.KA007PAR  INS:2  ERR:",
                           QString(21, ' ') + "TAVO  TAVO.PR107PAR  INS:4  ERR:",
                           QString(21, ' ') + "TAVO  TAVO.PR207EXT  INS:1  ERR:"}));
    EXPECT_EQ(rows("select vrstamox,napakemox from orna_util.orna_mox where napakemox<>'K' order by datummox"),
              "PARAMETRI|P,PARAMETRI|N");
    // The package applied is recorded apart (check-only runs record none).
    EXPECT_EQ(rows("select count(*) from orna_util.orna_mox where vrstamox='PAKET PARAMETRI' and napakemox='K'"), "1");
    EXPECT_EQ(hui.questions, QStringList{});

    // A second run finds nothing new.
    izid = osvezi();
    EXPECT_EQ(stevci(izid), "3/0/0 0/0/0 0/0/0");
    EXPECT_EQ(hui.messages.last(), "Konec osveževanju PARAMETROV!");
}

TEST_F(Parametri, FailedInsertionLeavesNothingOfItsParameter)
{
    podatki();
    pripravi();
    // A value whose number cannot be bound whole.
    editDbf(ctx.currSaveDir + "PR107PAR", "SIFRA107", "12", "SIFRAX31", "12.5");

    const TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(stevci(izid), "3/2/0 4/4/1 1/1/0");
    EXPECT_EQ(ctx.pNapakePrenosov, 1);
    // The failed parameter is gone whole; the run went on with the next one.
    EXPECT_EQ(rows("select attr_007 from ka007par order by attr_007"), "ČAS_ČAKANJA,ŠTEVILO_KOPIJ");
    EXPECT_EQ(rows("select count(*) from pr107par"), "2");
    EXPECT_EQ(rows("select count(*) from pr207ext"), "0");
    const QStringList rez = resultLines("PARAM");
    EXPECT_TRUE(rez.contains("NAPAKA(107): PRIKAZ_OPOZORIL  NE")) << rez.join('\n').toStdString();
    ASSERT_EQ(hui.questions.size(), 1);
    EXPECT_TRUE(hui.questions[0].startsWith("NAPAKA \r\n")) << hui.questions[0].toStdString();
    EXPECT_TRUE(hui.messages.contains("NAPAKA pri osveževanju PARAMETROV!"));
    EXPECT_TRUE(logLines().filter("TAVO.PR107PAR").last().endsWith("INS:4  ERR:1"));
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox"), "D");
    EXPECT_EQ(stanjeTriggerjev(), kEnabled);
}

TEST_F(Parametri, NoAndPrekiniTakeEffectBeforeTheNextParameter)
{
    podatki();
    pripravi();
    editDbf(ctx.currSaveDir + "PR107PAR", "SIFRA107", "12", "SIFRAX31", "12x");

    // "Ne" to the error dialog: the parameter ends (rolled back), no further
    // parameter is read.
    hui.answer = mrNo;
    TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(stevci(izid), "1/1/0 3/3/1 1/1/0");
    EXPECT_EQ(rows("select attr_007 from ka007par"), "ŠTEVILO_KOPIJ");

    // "Prekini" while the first parameter's values go in: that parameter
    // arrives whole, the run stops before the next one and is a failed one.
    pripravi();
    hui.answer = mrYes;
    // (The first window events run before the passes, the second after the
    // first parameter was read.)
    int dogodkov = 0;
    hui.naDogodke = [&] {
        if (++dogodkov == 2)
            ctx.pKonec = true;
    };
    izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(izid.prehodi[0].prebranih, 1);
    EXPECT_EQ(rows("select count(*) from pr107par v, ka007par p where v.sifra007=p.sifra007 and "
                   "p.attr_007='PRIKAZ_OPOZORIL'"),
              "3");
    EXPECT_EQ(rows("select count(*) from ka007par where attr_007='ČAS_ČAKANJA'"), "0");
    EXPECT_TRUE(resultLines("PARAM").contains("NAPAKA: Osveževanje je bilo prekinjeno pred koncem datoteke"));
    EXPECT_EQ(stanjeTriggerjev(), kEnabled);
}

TEST_F(Parametri, TriggerSwitches)
{
    podatki();
    pripravi();
    connect(kUvoz);
    // A trigger that is not there cannot be switched off: noted, and the run
    // goes on; nothing tries to switch it on.
    exec({"drop trigger BTPR107PAR"});
    // One that disappears during the run cannot be switched on again: an
    // error of the run, shown and counted with its table.
    bool izbrisan = false;
    hui.naDogodke = [&] {
        if (!izbrisan && rows("select status from dba_triggers where trigger_name='BTPR207EXT'") == "DISABLED") {
            izbrisan = true;
            exec({"drop trigger BTPR207EXT"});
        }
    };
    const TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(stevci(izid), "3/2/0 4/4/0 1/1/1");
    EXPECT_EQ(rows("select count(*) from ka007par"), "3");
    const QStringList rez = resultLines("PARAM");
    EXPECT_EQ(rez.filter("OPOZORILO: ALTER TRIGGER TAVO.BTPR107PAR DISABLE").size(), 1) << rez.join('\n').toStdString();
    EXPECT_EQ(rez.filter("NAPAKA: NAPAKA pri vklopu triggerja: ALTER TRIGGER TAVO.BTPR207EXT ENABLE").size(), 1)
        << rez.join('\n').toStdString();
    EXPECT_EQ(hui.messages.filter("NAPAKA pri vklopu triggerja: ALTER TRIGGER TAVO.BTPR207EXT ENABLE").size(), 1);
    EXPECT_EQ(rows("select trigger_name,status from dba_triggers where trigger_name like 'BT%PAR' or "
                   "trigger_name like 'BTPR207%' order by 1"),
              "BTKA007PAR|ENABLED");
    // The table whose trigger could not be switched on keeps its marker for
    // the start-up's repair.
    EXPECT_EQ(rows("select vrstamox,napakemox from orna_util.orna_mox order by napakemox"),
              "PARAMETRI|D,IZKLOPLJENI TRIGGERJI TAVO.PR207EXT|T");
    EXPECT_EQ(logLines().filter("OPOZORILO: ALTER TRIGGER TAVO.BTPR107PAR DISABLE").size(), 1);
}

TEST_F(Parametri, MissingFileStopsTheRunBeforeTheDatabase)
{
    podatki();
    pripravi();
    ASSERT_TRUE(QFile::remove(ctx.currSaveDir + "PR207EXT.DBF") || QFile::remove(ctx.currSaveDir + "PR207EXT.dbf"));
    QStringList medTekom;
    hui.naDogodke = [&] { medTekom << stanjeTriggerjev(); };
    const TIzidDruzine izid = osvezi();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(ctx.pNapakePrenosov, 1);
    EXPECT_EQ(hui.messages.filter(" ne obstaja").size(), 1);
    EXPECT_EQ(rows("select count(*) from ka007par"), "1");
    EXPECT_EQ(medTekom.filter("DISABLED").size(), 0);
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox"), "D");
}

TEST_F(Parametri, EachInstallationGetsItsOwnRowsAndTriggerSwitches)
{
    // The receiving database serves a second installation, TAVO_B; the
    // session stays logged on as TAVO.
    const QString orodje = TestEnv::binaryDir() + QStringLiteral("/tools/mox-db/mox-db");
    for (const QStringList &args :
         {QStringList{"user", kUvoz, "TAVO_B", "TAVO_B"},
          QStringList{"sql", kUvoz, "TAVO_B", "TAVO_B", TestEnv::sourceDir() + "/fixtures/schema/tavo.sql"}}) {
        QProcess p;
        p.start(orodje, args);
        ASSERT_TRUE(p.waitForFinished(120000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    podatki();
    pripravi();

    connect(kUvoz);
    ctx.currUserAsTavo = QStringLiteral("TAVO_B");
    const QString stanje = "select owner,status from dba_triggers where trigger_name='BTKA007PAR' order by owner";
    QStringList medTekom;
    hui.naDogodke = [&] { medTekom << rows(stanje); };
    TZahtevaDruzine z;
    const TIzidDruzine izid = osveziParametre(ctx, z);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(stevci(izid), "3/3/0 5/5/0 1/1/0");
    EXPECT_EQ(rows("select attr_007 from tavo_b.ka007par order by attr_007"),
              "PRIKAZ_OPOZORIL,ČAS_ČAKANJA,ŠTEVILO_KOPIJ");
    EXPECT_EQ(rows("select count(*) from tavo_b.pr207ext"), "1");
    // The other installation's schema is untouched, its triggers never off.
    EXPECT_EQ(rows("select attr_007 from tavo.ka007par"), "ŠTEVILO_KOPIJ");
    EXPECT_TRUE(medTekom.contains("TAVO|ENABLED,TAVO_B|DISABLED")) << medTekom.join('\n').toStdString();
    EXPECT_EQ(medTekom.filter("TAVO|DISABLED").size(), 0);
    EXPECT_EQ(rows(stanje), "TAVO|ENABLED,TAVO_B|ENABLED");
}
