// Round trips of general tables between two embedded databases: prepared at
// the exporting installation, refreshed at the receiving one.
#include "roundtrip_support.h"

#include "run/dbfops.h"
#include "general/manifest.h"
#include "general/uporabapaketa.h"
#include "log/history.h"
#include "general/zaklep.h"
#include "base/moxerror.h"
#include "base/text.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace roundtrip;
using namespace std::string_literals;

namespace {

const QStringList kAktivnosti{
    "TABELA=TAVO.KA060AK0",
    "KLJUC=CODE_060 VARCHAR2",
    "AUTO=SIFRA060 begin:naslednji:=   tavo.getSequence('KA060AK0');end;",
    "STRUKTURA",
    "CODE_060,,VARCHAR2,10,,,,",
    "OPIS_060,U,VARCHAR2,60,,,,",
    "TRAJ_060,U,INTEGER,5,,,,",
    "STAT_060,U,CHAR,1,,,,",
};

class GeneralRoundTrip : public RoundTrip {
protected:
    // Activities at both installations: A1 only exported (new), A2 with
    // another description (different), A3 equal, A4 different but unmarked
    // in the DBF, R9 only at the receiving one.
    QString prepareActivities()
    {
        connect(kIzvoz);
        exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (1,'A1','Pregled',15,'1')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (2,'A2','Čiščenje zob',30,'1')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (3,'A3','Enako',null,'1')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (4,'A4','Novo ime',5,'0')"});
        const QString str = structure("KA060AK0.str", kAktivnosti);
        createDbf(str);
        EXPECT_EQ(prepareGeneralFromFile(ctx, str, "order by code_060", false), 4);
        editDbf(ctx.currSaveDir + "KA060AK0", "CODE_060", "A4", "POPRAVI", " ");

        connect(kUvoz);
        exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (502,'A2','Staro ime',30,'1')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (503,'A3','Enako',null,'1')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (504,'A4','Staro',5,'0')",
              "insert into ka060ak0 (sifra060,code_060,opis_060,traj_060,stat_060) values (509,'R9','Samo tu',1,'1')"});
        return str;
    }
};

struct Stevci {
    qint64 zapisov, novih, razlicnih, dodanih, popravljenih, napak;
};

// A file of the result folder (the report beside a result file).
QByteArray rezultat(const TMoxContext &ctx, const QString &ime)
{
    QFile f(ctx.currSaveDir + "rezultati/" + ime);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The rows of a CSV file as Python's csv module reads them (Windows-1250,
// ";"), one per line, fields joined by "|".
QString csvPython(const QString &pot)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        return "python3 not found";
    QProcess p;
    p.start(python, {"-c", "import csv,sys\n"
                           "with open(sys.argv[1], encoding='cp1250', newline='') as f:\n"
                           "    for r in csv.reader(f, delimiter=';', strict=True):\n"
                           "        sys.stdout.buffer.write(('|'.join(r) + '\\n').encode('utf-8'))\n",
                     pot});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

void expectCounters(const TOsvezevanjeStevci &c, const Stevci &e)
{
    EXPECT_EQ(c.zapisov, e.zapisov);
    EXPECT_EQ(c.novih, e.novih);
    EXPECT_EQ(c.razlicnih, e.razlicnih);
    EXPECT_EQ(c.dodanih, e.dodanih);
    EXPECT_EQ(c.popravljenih, e.popravljenih);
    EXPECT_EQ(c.napak, e.napak);
}

} // namespace

TEST_F(GeneralRoundTrip, NewDifferentEqualAndUnmarkedRecords)
{
    const QString str = prepareActivities();
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA060AK0", {"POPRAVI", "CODE_060", "OPIS_060", "TRAJ_060", "STAT_060"}),
              "*|A1|Pregled|15|1,*|A2|Čiščenje zob|30|1,*|A3|Enako||1,|A4|Novo ime|5|0");
    const QString before = rows("select sifra060,code_060,opis_060,traj_060 from ka060ak0 order by code_060");

    // Check-only: counted and listed, nothing written.
    TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, true);
    expectCounters(izid.stevci, {4, 1, 2, 0, 0, 0});
    EXPECT_EQ(izid.status, "N");
    EXPECT_EQ(rows("select sifra060,code_060,opis_060,traj_060 from ka060ak0 order by code_060"), before);
    EXPECT_EQ(resultLines("KA060AK0"),
              (QStringList{"TABELA :TAVO.KA060AK0", "NOVO:  CODE_060  A1", "POPR:  CODE_060  A2",
                           "             OPIS_060  staro:Staro ime  novo:Čiščenje zob", "POPR:  CODE_060  A4",
                           "             OPIS_060  staro:Staro  novo:Novo ime"}));
    ASSERT_FALSE(ui.questions.isEmpty());
    EXPECT_EQ(ui.questions.last(), "Konec preverjanja tabele TAVO.KA060AK0.       PREGLED?\r\n");

    // For real: the new record inserted with a number of the sequence, the
    // marked different one updated, the unmarked one left.
    izid = refreshGeneralFromFile(ctx, str, false);
    expectCounters(izid.stevci, {4, 1, 2, 1, 1, 0});
    EXPECT_EQ(rows("select code_060,opis_060,traj_060,stat_060 from ka060ak0 order by code_060"),
              "A1|Pregled|15|1,A2|Čiščenje zob|30|1,A3|Enako||1,A4|Staro|5|0,R9|Samo tu|1|1");
    EXPECT_EQ(rows("select count(*) from ka060ak0 where code_060='A1' and sifra060>=1 and sifra060 not in (502,503,504,509)"),
              "1");
    EXPECT_EQ(ui.questions.last(), "Konec osveževanja tabele TAVO.KA060AK0.       PREGLED?\r\n");

    // The log line of each run (besides the note that the package, edited
    // above, was not checked against a manifest) and the run history.
    const QStringList vse = logLines();
    EXPECT_EQ(vse.filter("datoteke niso preverjene").size(), 2) << vse.join('\n').toStdString();
    const QStringList log = vse.filter("REFRESH:");
    ASSERT_EQ(log.size(), 2);
    const QString datum = QDate::currentDate().toString("dd.MM.yyyy");
    EXPECT_EQ(log[0], datum + "  REFRESH: TAVO  TAVO.KA060AK0  INS:  UPD:  ERR:");
    EXPECT_EQ(log[1], datum + "  REFRESH: TAVO  TAVO.KA060AK0  INS:1  UPD:1  ERR:");
    // The check-only run is recorded so that replication never takes it for
    // a refresh that applied the file.
    EXPECT_EQ(rows("select vrstamox,napakemox,user_mox from orna_util.orna_mox order by datummox"),
              "TAVO.KA060AK0|P|TAVO,TAVO.KA060AK0|N|TAVO");

    // A second run finds only the unmarked difference.
    izid = refreshGeneralFromFile(ctx, str, false);
    expectCounters(izid.stevci, {4, 0, 1, 0, 0, 0});
}

TEST_F(GeneralRoundTrip, TheReportBesideTheResultFile)
{
    const QString str = prepareActivities();

    // Check-only: the report lists what the result file lists, with the
    // differing column's old and new value.
    refreshGeneralFromFile(ctx, str, true);
    const QString html = QString::fromUtf8(rezultat(ctx, "KA060AK0.html"));
    EXPECT_TRUE(html.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(html.contains(";vrsta=preverjanje;prebranih=4;novih=1;razlicnih=2;uporabljenih=0;napak=0\""));
    EXPECT_TRUE(html.contains("<td class=\"v staro\">Staro ime</td><td class=\"v novo\">Čiščenje zob</td>"))
        << html.toStdString();
    EXPECT_EQ(csvPython(ctx.currSaveDir + "rezultati/KA060AK0.csv").toStdString(),
              "tabela|vrsta|kljuc|stolpec|staro|novo|sporocilo\n"
              "TAVO.KA060AK0|NOVO|CODE_060  A1||||\n"
              "TAVO.KA060AK0|POPR|CODE_060  A2|OPIS_060|Staro ime|Čiščenje zob|\n"
              "TAVO.KA060AK0|POPR|CODE_060  A4|OPIS_060|Staro|Novo ime|\n"s);
    const QString index = QString::fromUtf8(rezultat(ctx, "index.html"));
    EXPECT_EQ(index.count("href=\"KA060AK0.html\""), 1);

    // For real, the report is rewritten with what was applied; a report that
    // cannot be written makes the run a failed one and changes nothing else.
    const QString rez = ctx.currSaveDir + "rezultati/KA060AK0.rez";
    ASSERT_TRUE(QFile::remove(ctx.currSaveDir + "rezultati/KA060AK0.csv"));
    ASSERT_TRUE(QDir().mkpath(ctx.currSaveDir + "rezultati/KA060AK0.csv"));
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    expectCounters(izid.stevci, {4, 1, 2, 1, 1, 0});
    EXPECT_EQ(izid.status, "D");
    EXPECT_TRUE(izid.napaka.startsWith("Napaka pri pisanju v: " + ctx.currSaveDir + "rezultati/KA060AK0.csv"))
        << izid.napaka.toStdString();
    EXPECT_TRUE(ui.messages.contains(izid.napaka));
    EXPECT_EQ(resultLines("KA060AK0"),
              (QStringList{"TABELA :TAVO.KA060AK0", "NOVO:  CODE_060  A1", "POPR:  CODE_060  A2",
                           "             OPIS_060  staro:Staro ime  novo:Čiščenje zob", "POPR:  CODE_060  A4",
                           "             OPIS_060  staro:Staro  novo:Novo ime"}));
    EXPECT_EQ(rows("select code_060,opis_060 from ka060ak0 where code_060 in ('A1','A2') order by code_060"),
              "A1|Pregled,A2|Čiščenje zob");
    EXPECT_TRUE(QString::fromUtf8(rezultat(ctx, "KA060AK0.html"))
                    .contains(";vrsta=osvezevanje;prebranih=4;novih=1;razlicnih=2;uporabljenih=2;napak=0\""));
}

TEST_F(GeneralRoundTrip, TriggersSwitchedOffAndOnAroundTheRefresh)
{
    const QString str = prepareActivities();
    QStringList calls;
    auto preklopi = [&](TMoxContext &, const QString &o, const QString &t, const QString &m) {
        calls << o + "." + t + " " + m;
    };
    refreshGeneralFromFile(ctx, str, true, preklopi);
    EXPECT_EQ(calls, (QStringList{"TAVO.KA060AK0 DISABLE", "TAVO.KA060AK0 ENABLE"}));

    // A switch-on that fails leaves the table without its triggers: an error
    // of the refresh, shown with the table, counted in the log line.
    calls.clear();
    auto vklopNeuspe = [&](TMoxContext &c, const QString &o, const QString &t, const QString &m) {
        preklopi(c, o, t, m);
        if (m == "ENABLE")
            throw EMoxError("ORA-01031: insufficient privileges");
    };
    TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false, vklopNeuspe);
    EXPECT_EQ(calls, (QStringList{"TAVO.KA060AK0 DISABLE", "TAVO.KA060AK0 ENABLE"}));
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(izid.stevci.napak, 1);
    EXPECT_EQ(izid.stevci.dodanih, 1);
    const QString sporocila = ui.messages.join('\n');
    EXPECT_TRUE(sporocila.contains("triggerji so še izklopljeni") && sporocila.contains("TAVO.KA060AK0"))
        << sporocila.toStdString();
    EXPECT_TRUE(logLines().last().endsWith("ERR:1")) << logLines().last().toStdString();
    EXPECT_EQ(rows("select napakemox,count(*) from orna_util.orna_mox group by napakemox order by napakemox"),
              "D|1,P|1");

    // Also when the run ends on an error.
    calls.clear();
    QFile::remove(ctx.currSaveDir + "KA060AK0.DBF");
    QFile::remove(ctx.currSaveDir + "KA060AK0.dbf");
    izid = refreshGeneralFromFile(ctx, str, true, preklopi);
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(calls, (QStringList{"TAVO.KA060AK0 DISABLE", "TAVO.KA060AK0 ENABLE"}));
}

TEST_F(GeneralRoundTrip, ErrorsOutsideTheStatementsEndTheRunWithStatusD)
{
    struct Case {
        const char *name;
        std::function<void(GeneralRoundTrip &, const QString &str)> spoil;
        const char *inMessage;
    };
    const Case cases[] = {
        {"input file missing",
         [](GeneralRoundTrip &t, const QString &) {
             QFile::remove(t.ctx.currSaveDir + "KA060AK0.DBF");
             QFile::remove(t.ctx.currSaveDir + "KA060AK0.dbf");
         },
         "KA060AK0"},
        {"a field the file lacks",
         [](GeneralRoundTrip &, const QString &str) {
             QStringList l = moxtext::readTextLines(str);
             l << "SOCT_060,U,VARCHAR2,10,,,,";
             moxtext::writeTextLines(str, l);
         },
         "SOCT_060"},
        {"a number that does not convert",
         [](GeneralRoundTrip &t, const QString &) {
             t.editDbf(t.ctx.currSaveDir + "KA060AK0", "CODE_060", "A2", "TRAJ_060", "3x");
         },
         "3x"},
        {"more keys than the refresh can match on",
         [](GeneralRoundTrip &, const QString &str) {
             QStringList l = kAktivnosti;
             l[1] = "KLJUC=CODE_060 VARCHAR2,OPIS_060 VARCHAR2,TRAJ_060 NUMBER,STAT_060 CHAR,TIP__060 VARCHAR2,"
                    "DOD__060 VARCHAR2";
             moxtext::writeTextLines(str, l);
         },
         "PREVEČ KLJUČNIH POLJ (>5)"},
    };
    const QString str = prepareActivities();
    const QString dbf = ctx.currSaveDir + "KA060AK0.DBF";
    const QString kopija = env.path("KA060AK0.kopija");
    ASSERT_TRUE(QFile::copy(QFile::exists(dbf) ? dbf : ctx.currSaveDir + "KA060AK0.dbf", kopija));
    int runsD = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(dbf);
        QFile::remove(ctx.currSaveDir + "KA060AK0.dbf");
        ASSERT_TRUE(QFile::copy(kopija, dbf));
        moxtext::writeTextLines(str, kAktivnosti);
        c.spoil(*this, str);
        QFile::remove(ctx.currSaveDir + kImeManifesta);
        ui.messages.clear();
        const int logBefore = int(logLines().filter("REFRESH:").size());

        const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
        EXPECT_EQ(izid.status, "D");
        EXPECT_TRUE(izid.napaka.contains(c.inMessage)) << izid.napaka.toStdString();
        EXPECT_TRUE(ui.messages.join('\n').contains(c.inMessage)) << ui.messages.join('\n').toStdString();
        const QStringList rez = resultLines("KA060AK0");
        ASSERT_FALSE(rez.isEmpty());
        EXPECT_EQ(rez.first(), "TABELA :TAVO.KA060AK0");
        EXPECT_TRUE(rez.last().startsWith("NAPAKA: ")) << rez.last().toStdString();
        EXPECT_EQ(logLines().filter("REFRESH:").size(), logBefore + 1);
        EXPECT_EQ(rows("select count(*) from orna_util.orna_mox where napakemox='D'"), QString::number(++runsD));
        // The report lists the error that ended the run.
        const QString csv = moxtext::fromCp1250(rezultat(ctx, "KA060AK0.csv"));
        EXPECT_TRUE(csv.contains(";NAPAKA;;;;;") && csv.contains(c.inMessage)) << csv.toStdString();
    }
}

TEST_F(GeneralRoundTrip, EarlyEndsShowTheirOwnMessageOnce)
{
    struct Case {
        const char *name;
        int line;         // line of the structure replaced
        const char *text; // by this
        const char *message; // the first message shown, in full or (ending in "*") its start
    };
    const Case cases[] = {
        {"auto-numbering statement of no known form", 2, "AUTO=SIFRA060 select 1 naslednji from dual",
         "Stavek za automatično številčenje mora vsebovati NEXTVAL,GETSEQUENCE ali MAX!"},
        {"MAX( statement the database rejects", 2,
         "AUTO=SIFRA060 select max(nicnic) naslednji from tavo.ka060ak0",
         "Napaka v stavku za automatično šifriranje\r\n\r\n*"},
        // odpriDBF has told what it could not open; nothing is added to it.
        {"reference table missing", 6, "TRAJ_060,U,INTEGER,5,,,CODE_999,KA999XXX", "NE MOREM ODPRETI tabele: *"},
    };
    const QString str = prepareActivities();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList l = kAktivnosti;
        l[c.line] = QString::fromUtf8(c.text);
        moxtext::writeTextLines(str, l);
        ui.messages.clear();
        const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
        EXPECT_EQ(izid.status, "D");
        EXPECT_EQ(izid.stevci.zapisov, 0);
        ASSERT_FALSE(ui.messages.isEmpty());
        const QString pricakovano = QString::fromUtf8(c.message);
        if (pricakovano.endsWith('*')) {
            EXPECT_TRUE(ui.messages.first().startsWith(pricakovano.chopped(1))) << ui.messages.first().toStdString();
            EXPECT_GT(ui.messages.first().size(), pricakovano.size() - 1);
        } else {
            EXPECT_EQ(ui.messages.first(), pricakovano);
        }
        // Nothing is put around it or added to it; the closing notice follows.
        EXPECT_EQ(ui.messages.last(), "Konec osveževanja TAVO.KA060AK0");
        for (const QString &m : ui.messages) {
            EXPECT_FALSE(m.contains("NAPAKA pri osveževanju")) << m.toStdString();
            EXPECT_FALSE(m.contains("niso pripravljene")) << m.toStdString();
        }
    }
}

TEST_F(GeneralRoundTrip, OrderByFilterInReplicationMode)
{
    connect(kIzvoz);
    exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
          "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values "
          "(1,'A1','1',to_date('01.03.2024 09:59:00','DD.MM.YYYY HH24:MI:SS'))",
          "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values "
          "(2,'A2','1',to_date('01.03.2024 10:00:00','DD.MM.YYYY HH24:MI:SS'))",
          "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values "
          "(3,'A3','1',to_date('05.03.2024 08:00:00','DD.MM.YYYY HH24:MI:SS'))",
          "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values "
          "(4,'A4','0',to_date('05.03.2024 08:00:00','DD.MM.YYYY HH24:MI:SS'))"});
    const QString str = structure("KA060AK0.str", kAktivnosti);
    createDbf(str);
    ctx.p_replikacija = true;
    ctx.p_aRefrZadnji = {{"TAVO.KA060AK0", "01.03.2024 10:00"}};
    TTableDescription opis;
    naloziStrukturo(ctx, str, opis);
    QString filter = "where stat_060='1' order by code_060 desc";
    EXPECT_EQ(pripraviSplosno(ctx, opis, ctx.currSaveDir + "KA060AK0", filter, false), 2);
    EXPECT_EQ(filter, "where stat_060='1'  and  datumipl>= to_date('01.03.2024 10:00','DD.MM.YYYY HH24:MI') "
                      "order by code_060 desc");
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA060AK0", {"CODE_060"}), "A3,A2");
}

TEST_F(GeneralRoundTrip, KeysOfCharNumberAndDateType)
{
    // CHAR key with the MAX( form: payers.
    connect(kIzvoz, "FAKTUR");
    exec({"insert into ka301pla (sifra301,code_301,naziv301,stat_301) values (1,'P1','Zavarovalnica','1')",
          "insert into ka301pla (sifra301,code_301,naziv301,stat_301) values (2,'P2','Občina','1')"});
    const QString placniki = structure("KA301PLA.str", {"TABELA=FAKTUR.KA301PLA", "KLJUC=CODE_301 CHAR",
                                                        "AUTO=SIFRA301 select max(sifra301) naslednji from faktur.ka301pla",
                                                        "STRUKTURA", "CODE_301,,CHAR,8,,,,", "NAZIV301,U,VARCHAR2,60,,,,",
                                                        "STAT_301,U,CHAR,1,,,,"});
    createDbf(placniki);
    EXPECT_EQ(prepareGeneralFromFile(ctx, placniki, "order by code_301", false), 2);

    // DATE key with the NEXTVAL form: prices by code and start date.
    exec({"insert into ka300cen (sifra300,code_300,cena_300,valut300,datod300) values "
          "(1,'C1',12.5,'EUR',to_date('01.01.2024','DD.MM.YYYY'))",
          "insert into ka300cen (sifra300,code_300,cena_300,valut300,datod300) values "
          "(2,'C2',14,'EUR',to_date('01.07.2024 08:30:00','DD.MM.YYYY HH24:MI:SS'))"});
    const QString cene = structure("KA300CEN.str", {"TABELA=FAKTUR.KA300CEN", "KLJUC=CODE_300 VARCHAR2,DATOD300 DATE",
                                                    "AUTO=SIFRA300 select faktur.sq_ka300cen.nextval naslednji from dual",
                                                    "STRUKTURA", "CODE_300,,VARCHAR2,10,,,,", "DATOD300,,DATE,19,,,,",
                                                    "CENA_300,U,NUMBER,13,2,,,", "VALUT300,U,VARCHAR2,3,,,,"});
    createDbf(cene);
    EXPECT_EQ(prepareGeneralFromFile(ctx, cene, QString(), false), 2);

    // NUMBER key without auto-numbering: print forms keyed by their number.
    connect(kIzvoz, "TAVO");
    exec({"insert into ka900rep (sifra900,desc_900,stat_900) values (40,'Izvid','1')",
          "insert into ka900rep (sifra900,desc_900,stat_900) values (41,'Napotnica','1')"});
    const QString obrazci = structure("KA900REP.str", {"TABELA=TAVO.KA900REP", "KLJUC=SIFRA900 NUMBER", "STRUKTURA",
                                                       "SIFRA900,,INTEGER,5,,,,", "DESC_900,U,VARCHAR2,60,,,,"});
    createDbf(obrazci);
    EXPECT_EQ(prepareGeneralFromFile(ctx, obrazci, QString(), false), 2);

    connect(kUvoz, "FAKTUR");
    exec({"insert into ka301pla (sifra301,code_301,naziv301,stat_301) values (10,'P2','Staro','1')",
          "insert into ka300cen (sifra300,code_300,cena_300,valut300,datod300) values "
          "(100,'C1',10,'EUR',to_date('01.01.2024','DD.MM.YYYY'))"});
    TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, placniki, false);
    expectCounters(izid.stevci, {2, 1, 1, 1, 1, 0});
    // The MAX( form numbers on from the highest key.
    EXPECT_EQ(rows("select sifra301,code_301,naziv301 from ka301pla order by sifra301"),
              "10|P2      |Občina,11|P1      |Zavarovalnica");
    // Equal after the refresh: the padded CHAR value is not a difference.
    izid = refreshGeneralFromFile(ctx, placniki, false);
    expectCounters(izid.stevci, {2, 0, 0, 0, 0, 0});

    izid = refreshGeneralFromFile(ctx, cene, false);
    expectCounters(izid.stevci, {2, 1, 1, 1, 1, 0});
    EXPECT_EQ(rows("select code_300,to_char(datod300,'DD.MM.YYYY HH24:MI:SS'),cena_300 from ka300cen order by datod300"),
              "C1|01.01.2024 00:00:00|12.5,C2|01.07.2024 08:30:00|14");
    izid = refreshGeneralFromFile(ctx, cene, false);
    expectCounters(izid.stevci, {2, 0, 0, 0, 0, 0});

    connect(kUvoz, "TAVO");
    exec({"insert into ka900rep (sifra900,desc_900,stat_900) values (41,'Stara','1')"});
    izid = refreshGeneralFromFile(ctx, obrazci, false);
    expectCounters(izid.stevci, {2, 1, 1, 1, 1, 0});
    EXPECT_EQ(rows("select sifra900,desc_900 from ka900rep order by sifra900"), "40|Izvid,41|Napotnica");
}

TEST_F(GeneralRoundTrip, ReferencesThroughAMasterDetailTableWithMissingCodes)
{
    connect(kIzvoz, "FAKTUR");
    exec({"insert into ka301pla (sifra301,code_301,naziv301) values (1,'P1','Ima')",
          "insert into ka301pla (sifra301,code_301,naziv301) values (2,'P2','Nima')",
          "insert into ka300cen (sifra300,code_300,sifra301,cena_300) values (1,'C1',1,10)",
          "insert into ka300cen (sifra300,code_300,sifra301,cena_300) values (2,'C2',2,20)",
          "insert into ka300cen (sifra300,code_300,sifra301,cena_300) values (3,'C3',null,30)",
          "insert into ka300cen (sifra300,code_300,sifra301,cena_300) values (4,'C4',99,40)",
          "insert into ka301pla (sifra301,code_301,naziv301) values (120,'P120','Drug')",
          "insert into ka300cen (sifra300,code_300,sifra301,cena_300) values (5,'C5',12,50)"});
    // The master/detail table of payers: key and code only.
    const QString mst = structure("KA301PLA.mst", {"TABELA=FAKTUR.KA301PLA", "STRUKTURA", "SIFRA301,,INTEGER,10,,,,",
                                                   "CODE_301,,CHAR,8,,,,"});
    createDbf(mst, true);
    EXPECT_EQ(prepareGeneralFromFile(ctx, mst, "order by sifra301", true), 3);
    // No POPRAVI in a master/detail table.
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KA301PLA", {"SIFRA301", "CODE_301"}), "1|P1,2|P2,120|P120");

    const QString cene = structure("KA300CEN.str", {"TABELA=FAKTUR.KA300CEN", "KLJUC=CODE_300 VARCHAR2",
                                                    "AUTO=SIFRA300 select faktur.sq_ka300cen.nextval naslednji from dual",
                                                    "STRUKTURA", "CODE_300,,VARCHAR2,10,,,,",
                                                    "SIFRA301,U,INTEGER,10,,,CODE_301,KA301PLA",
                                                    "CENA_300,U,NUMBER,13,2,,,"});
    createDbf(cene);
    EXPECT_EQ(prepareGeneralFromFile(ctx, cene, "order by code_300", false), 5);

    connect(kUvoz, "FAKTUR");
    exec({"insert into ka301pla (sifra301,code_301,naziv301) values (70,'P1','Ima')",
          "insert into ka301pla (sifra301,code_301,naziv301) values (71,'P120','Drug')"});
    // C2 (payer P2 unknown here), C4 (payer 99 not in the master/detail
    // table) and C5 (payer 12, of which the master/detail table has only
    // 120) cannot be applied: errors of their records, listed with what was
    // not found, in check-only mode too. C3 has no payer.
    const QStringList napake{"NAPAKA: CODE_300 (C2) ni najdeno: SIFRA301 (2): CODE_301=P2 ni v KA301PLA",
                             "NAPAKA: CODE_300 (C4) ni najdeno: SIFRA301 (99): ni v KA301PLA.DBF",
                             "NAPAKA: CODE_300 (C5) ni najdeno: SIFRA301 (12): ni v KA301PLA.DBF"};
    for (bool samo : {true, false}) {
        SCOPED_TRACE(samo ? "check-only" : "refresh");
        const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, cene, samo);
        expectCounters(izid.stevci, {5, 2, 0, samo ? 0 : 2, 0, 3});
        EXPECT_EQ(izid.status, "D");
        EXPECT_EQ(resultLines("KA300CEN"), (QStringList{"TABELA :FAKTUR.KA300CEN", "NOVO:  CODE_300  C1", napake[0],
                                                        "NOVO:  CODE_300  C3", napake[1], napake[2]}));
        EXPECT_TRUE(logLines().last().endsWith("ERR:3")) << logLines().last().toStdString();
    }
    EXPECT_EQ(rows("select code_300,sifra301,cena_300 from ka300cen order by code_300"), "C1|70|10,C3||30");
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox order by datummox"), "D,D");
}

TEST_F(GeneralRoundTrip, FailedInsertKeepsItsNumberForTheNext)
{
    struct Case {
        const char *name;
        const char *avto;
    };
    const Case cases[] = {
        {"MAX(", "AUTO=SIFRA301 select max(sifra301) naslednji from faktur.ka301pla"},
        {"NEXTVAL", "AUTO=SIFRA301 select faktur.sq_ka300cen.nextval naslednji from dual"},
        {"GETSEQUENCE", "AUTO=SIFRA301 begin :naslednji:=tavo.getSequence('KA301PLA'); end;"},
    };
    connect(kIzvoz, "FAKTUR");
    exec({"insert into ka301pla (sifra301,code_301,naziv301,datumipl) values (1,'P1','Prvi',sysdate)",
          "insert into ka301pla (sifra301,code_301,naziv301,datumipl) values (2,'P2','Drugi',sysdate)",
          "insert into ka301pla (sifra301,code_301,naziv301,datumipl) values (3,'P3','Tretji',sysdate)"});
    QStringList lines{"TABELA=FAKTUR.KA301PLA", "KLJUC=CODE_301 CHAR", "", "STRUKTURA", "CODE_301,,CHAR,8,,,,",
                      "NAZIV301,U,VARCHAR2,60,,,,", "DATUMIPL,U,DATE,19,,,,"};
    const QString str = structure("KA301PLA.str", lines);
    createDbf(str);
    EXPECT_EQ(prepareGeneralFromFile(ctx, str, "order by sifra301", false), 3);
    // The first record's date cannot be converted by the database.
    editDbf(ctx.currSaveDir + "KA301PLA", "CODE_301", "P1", "DATUMIPL", "99.99.2024 00:00:00");

    connect(kUvoz, "FAKTUR");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        exec({"delete from ka301pla", "insert into ka301pla (sifra301,code_301,naziv301) values (40,'X','Obstojeci')"});
        lines[2] = QString::fromLatin1(c.avto);
        moxtext::writeTextLines(str, lines);
        ui.questions.clear();
        const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
        expectCounters(izid.stevci, {3, 3, 0, 2, 0, 1});
        EXPECT_EQ(izid.status, "D");
        // The failure was asked about and answered Yes: the run went on.
        ASSERT_EQ(ui.questions.size(), 2);
        EXPECT_TRUE(ui.questions[0].startsWith("NAPAKA \r\nCODE_301 (P1      ) ")) << ui.questions[0].toStdString();
        EXPECT_TRUE(ui.questions[0].endsWith("\r\n\r\nNADALJEVANJE?"));
        // P2 got the number P1 could not use, P3 the one after it.
        const QStringList r = rows("select sifra301,code_301 from ka301pla where sifra301<>40 order by sifra301").split(',');
        ASSERT_EQ(r.size(), 2) << r.join(' ').toStdString();
        const qint64 p2 = r[0].section('|', 0, 0).toLongLong();
        const qint64 p3 = r[1].section('|', 0, 0).toLongLong();
        EXPECT_EQ(r[0].section('|', 1), "P2      ");
        EXPECT_EQ(r[1].section('|', 1), "P3      ");
        EXPECT_GE(p2, 1);
        if (QString(c.name) == "MAX(") {
            EXPECT_EQ(p2, 41);
        }
        EXPECT_GT(p3, p2);
        if (QString(c.name) != "GETSEQUENCE") {
            EXPECT_EQ(p3, p2 + 1);
        }
        const QStringList rez = resultLines("KA301PLA");
        ASSERT_EQ(rez.size(), 5);
        EXPECT_EQ(rez[1], "NOVO:  CODE_301  P1      ");
        EXPECT_TRUE(rez[2].startsWith("NAPAKA: CODE_301 (P1      ) ")) << rez[2].toStdString();
        EXPECT_EQ(rez[3], "NOVO:  CODE_301  P2      ");
    }
}

TEST_F(GeneralRoundTrip, AnsweringNoEndsTheRunAfterTheFailedRecord)
{
    connect(kIzvoz, "FAKTUR");
    exec({"insert into ka301pla (sifra301,code_301,naziv301,datumipl) values (1,'P1','Prvi',sysdate)",
          "insert into ka301pla (sifra301,code_301,naziv301,datumipl) values (2,'P2','Drugi',sysdate)"});
    const QString str = structure("KA301PLA.str", {"TABELA=FAKTUR.KA301PLA", "KLJUC=CODE_301 CHAR",
                                                   "AUTO=SIFRA301 select max(sifra301) naslednji from faktur.ka301pla",
                                                   "STRUKTURA", "CODE_301,,CHAR,8,,,,", "DATUMIPL,U,DATE,19,,,,"});
    createDbf(str);
    prepareGeneralFromFile(ctx, str, "order by sifra301", false);
    editDbf(ctx.currSaveDir + "KA301PLA", "CODE_301", "P1", "DATUMIPL", "99.99.2024 00:00:00");
    connect(kUvoz, "FAKTUR");
    ui.answer = mrNo;
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    expectCounters(izid.stevci, {1, 1, 0, 0, 0, 1});
    EXPECT_EQ(logLines().last().section("REFRESH:", 1), " FAKTUR  FAKTUR.KA301PLA  INS:  UPD:  ERR:1");
}

TEST_F(GeneralRoundTrip, MemoColumnsCarryTheirText)
{
    connect(kIzvoz);
    exec({"insert into i_xml_x03 (sifrax03,type_x03,xml__003) values (1,'A','<a>Čašo žganja</a>')",
          "insert into i_xml_x03 (sifrax03,type_x03,xml__003) values (2,'B',null)",
          "insert into i_xml_x03 (sifrax03,type_x03,xml__003) values (3,'C','<c/>')"});
    const QString str = structure("I_XML_X03.str", {"TABELA=TAVO.I_XML_X03", "KLJUC=SIFRAX03 NUMBER", "STRUKTURA",
                                                    "SIFRAX03,,INTEGER,10,,,,", "TYPE_X03,U,VARCHAR2,10,,,,",
                                                    "XML__003,U,MEMO,10,,,,"});
    createDbf(str);
    EXPECT_EQ(prepareGeneralFromFile(ctx, str, QString(), false), 3);
    connect(kUvoz);
    exec({"insert into i_xml_x03 (sifrax03,type_x03,xml__003) values (3,'C','<staro/>')"});
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    expectCounters(izid.stevci, {3, 2, 1, 2, 1, 0});
    EXPECT_EQ(rows("select sifrax03,type_x03,xml__003 from i_xml_x03 order by sifrax03"),
              "1|A|<a>Čašo žganja</a>,2|B|,3|C|<c/>");
}

// A general table without a key could never find its rows again: every
// refresh would insert them anew. Such a structure file is refused by the
// preparation and the refresh alike.
TEST_F(GeneralRoundTrip, GeneralTableWithoutKeyIsRefused)
{
    connect(kIzvoz);
    exec({"insert into ka900rep (sifra900,desc_900) values (1,'Ena')"});
    const QString str = structure("KA900REP.str", {"TABELA=TAVO.KA900REP", "STRUKTURA", "SIFRA900,,INTEGER,5,,,,",
                                                   "DESC_900,U,VARCHAR2,60,,,,"});
    try {
        prepareGeneralFromFile(ctx, str, "order by sifra900", false);
        FAIL() << "a general table without a key must be refused";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains("KLJUC")) << e.message().toStdString();
    }
    connect(kUvoz);
    EXPECT_THROW(refreshGeneralFromFile(ctx, str, false), EMoxError);
    EXPECT_EQ(rows("select count(*) from ka900rep"), "0");
}

// Every value a column holds arrives whole: a CHAR key wider than 17
// characters is found, negative and full-width numbers keep every digit, and
// a CLOB longer than the width its structure line gives arrives whole and is
// not counted as different once it is there.
TEST_F(GeneralRoundTrip, ValuesTravelWhole)
{
    const char *tabela = "create table KX900TST (CODE_900 CHAR(30), STEV_900 NUMBER(5), CENA_900 NUMBER(5,2), "
                         "MALO_900 NUMBER(2,2), BESE_900 CLOB)";
    const QString dolgo = QString("Čaša ").repeated(1000) + "konec";
    connect(kIzvoz);
    exec({tabela});
    {
        TOracleQuery q(&ctx.osOracle);
        q.SQL << "insert into KX900TST values ('AB', -12345, -999.99, -0.99, :b)";
        q.DeclareVariable("b", otString);
        q.SetVariable("b", dolgo);
        q.Execute();
        ctx.osOracle.Commit();
    }
    exec({"insert into KX900TST values ('CD', 99999, 999.99, 0.05, 'kratko')"});
    const QString str = structure("KX900TST.str", {"TABELA=TAVO.KX900TST", "KLJUC=CODE_900 CHAR", "STRUKTURA",
                                                   "CODE_900,,CHAR,30,,,,", "STEV_900,U,NUMBER,5,0,,,",
                                                   "CENA_900,U,NUMBER,5,2,,,", "MALO_900,U,NUMBER,2,2,,,",
                                                   "BESE_900,U,CLOB,4000,,,,"});
    createDbf(str);
    EXPECT_EQ(prepareGeneralFromFile(ctx, str, "order by code_900", false), 2);

    connect(kUvoz);
    exec({tabela, "insert into KX900TST values ('AB', 1, 1, 0.01, 'staro')"});
    TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    expectCounters(izid.stevci, {2, 1, 1, 1, 1, 0});
    const QString vrstice = rows("select rtrim(code_900),stev_900,cena_900*100,malo_900*100,length(bese_900) "
                                 "from KX900TST order by code_900");
    EXPECT_EQ(vrstice, QString("AB|-12345|-99999|-99|%1,CD|99999|99999|5|6").arg(dolgo.size()))
        << vrstice.toStdString();
    EXPECT_EQ(rows("select count(*) from KX900TST where bese_900 like '%konec'"), "1");

    // Nothing is different the second time: no duplicate key, no CLOB cut.
    izid = refreshGeneralFromFile(ctx, str, false);
    expectCounters(izid.stevci, {2, 0, 0, 0, 0, 0});
    EXPECT_EQ(rows("select count(*) from KX900TST"), "2");
}

// A DBF made with the narrower number fields of earlier versions is still
// read, but a value it cannot hold whole stops the preparation with a message
// naming it; nothing is written cut.
TEST_F(GeneralRoundTrip, ValueThatDoesNotFitItsFieldStopsThePreparation)
{
    connect(kIzvoz);
    exec({"create table KX901TST (CODE_901 VARCHAR2(5), STEV_901 NUMBER(5))",
          "insert into KX901TST values ('A', 12345)", "insert into KX901TST values ('B', -12345)"});
    const QString str = structure("KX901TST.str", {"TABELA=TAVO.KX901TST", "KLJUC=CODE_901 VARCHAR2", "STRUKTURA",
                                                   "CODE_901,,VARCHAR2,5,,,,", "STEV_901,U,NUMBER,5,0,,,"});
    ASSERT_TRUE(kreirajDBF(ctx, ctx.currSaveDir + "KX901TST",
                           {{"POPRAVI", "C", 1, 0}, {"CODE_901", "C", 5, 0}, {"STEV_901", "C", 5, 0}}, 3));
    ctx.taDBF.Close();
    try {
        prepareGeneralFromFile(ctx, str, "order by code_901", false);
        FAIL() << "the cut value must stop the preparation";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains("-12345") && e.message().contains("STEV_901")) << e.message().toStdString();
    }
    EXPECT_EQ(dbfRows(ctx.currSaveDir + "KX901TST", {"CODE_901", "STEV_901"}), "A|12345");
}

// A run that stops early is a failed run: numbering that gives no number
// ends it after the record, counts the error and records "D".
TEST_F(GeneralRoundTrip, AutoNumberingFailureIsAFailedRun)
{
    const QString str = prepareActivities();
    QStringList l = kAktivnosti;
    l[2] = "AUTO=SIFRA060 select 0 naslednji from dual where 'NEXTVAL' is not null";
    moxtext::writeTextLines(str, l);
    const int napakPrej = ctx.pNapakePrenosov;
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(izid.stevci.napak, 1);
    EXPECT_EQ(izid.stevci.dodanih, 0);
    EXPECT_EQ(ctx.pNapakePrenosov, napakPrej + 1);
    EXPECT_TRUE(logLines().last().endsWith("ERR:1")) << logLines().last().toStdString();
    EXPECT_EQ(rows("select napakemox from orna_util.orna_mox"), "D");
    EXPECT_TRUE(resultLines("KA060AK0").last().startsWith("NAPAKA: AUTOMATSKO")) << resultLines("KA060AK0").join('\n').toStdString();
}

// Two refreshes of one table at one installation never run at once: the
// second is refused while the first holds the table, and a lock left by a
// process that died lapses.
TEST_F(GeneralRoundTrip, ASecondRefreshOfTheTableIsRefusedWhileTheFirstRuns)
{
    const QString str = prepareActivities();
    const QString pred = rows("select code_060 from ka060ak0 order by code_060");

    TMoxContext drugi; // another process's session at the same installation
    drugi.osOracle.LogonUsername = "TAVO";
    drugi.osOracle.LogonPassword = "TAVO";
    drugi.osOracle.LogonDatabase = kUvoz;
    drugi.osOracle.setConnected(true);
    drugi.currUser = "TAVO";
    drugi.p_moxShrani = true;
    {
        TZaklepOsvezevanja zaklep(drugi, "TAVO.KA060AK0");
        zaklep.zakleni();
        const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
        EXPECT_EQ(izid.status, "D");
        EXPECT_TRUE(izid.napaka.contains("se že osvežuje")) << izid.napaka.toStdString();
        EXPECT_EQ(izid.stevci.zapisov, 0);
        EXPECT_EQ(rows("select code_060 from ka060ak0 order by code_060"), pred);
    }

    // A lock nobody renewed for longer than its time belonged to a process
    // that died.
    exec({"insert into orna_util.orna_mox (datummox,user_mox,vrstamox,napakemox) values "
          "(sysdate - 1/24, 'mrtev', 'OSVEZEVANJE TAVO.KA060AK0', 'Z')"});
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(izid.stevci.dodanih, 1);
    EXPECT_EQ(rows("select count(*) from orna_util.orna_mox where napakemox='Z'"), "0");
}

// The package checks itself: the preparation lists its files in the
// manifest, the refresh refuses a file that is not as the preparation wrote
// it (or a table whose preparation did not finish), and the check of a whole
// directory (mox-dbf verify) names each file that differs.
TEST_F(GeneralRoundTrip, ThePackageIsCheckedAgainstItsManifest)
{
    connect(kIzvoz);
    exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (1,'A1','Prvi','1')"});
    const QString str = structure("KA060AK0.str", kAktivnosti);
    createDbf(str);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, QString(), false), 1);
    TManifest m;
    ASSERT_TRUE(m.preberi(ctx.currSaveDir));
    EXPECT_EQ(m.alias, kIzvoz);
    EXPECT_EQ(m.datoteke.value("KA060AK0.DBF").zapisov, 1);
    EXPECT_TRUE(m.datoteke.contains("KA060AK0.STR"));
    EXPECT_TRUE(preveriMapo(ctx.currSaveDir).isEmpty()) << preveriMapo(ctx.currSaveDir).join('\n').toStdString();

    // One byte of the DBF changed after the preparation: refused, nothing applied.
    {
        QFile f(ctx.currSaveDir + "KA060AK0.DBF");
        if (!f.exists())
            f.setFileName(ctx.currSaveDir + "KA060AK0.dbf");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray b = f.readAll();
        const qsizetype i = b.indexOf("Prvi");
        ASSERT_GT(i, 0);
        f.seek(i);
        f.write("X");
    }
    EXPECT_EQ(preveriMapo(ctx.currSaveDir).size(), 1);
    connect(kUvoz);
    TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    EXPECT_EQ(izid.status, "D");
    EXPECT_TRUE(izid.napaka.contains("KA060AK0") && izid.napaka.contains(kImeManifesta)) << izid.napaka.toStdString();
    EXPECT_EQ(rows("select count(*) from ka060ak0"), "0");

    // A preparation that did not finish leaves its table out of the manifest.
    manifestZacetekPriprave(ctx.currSaveDir, "KA060AK0");
    izid = refreshGeneralFromFile(ctx, str, false);
    EXPECT_TRUE(izid.napaka.contains("ni bila dokončana")) << izid.napaka.toStdString();

    // Prepared again, whole: applied.
    connect(kIzvoz);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, QString(), false), 1);
    connect(kUvoz);
    izid = refreshGeneralFromFile(ctx, str, false);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(rows("select code_060 from ka060ak0"), "A1");
}

// The receiving installation remembers the package it applied. A package of
// the table older than that one is used only when somebody says so (never in
// an unattended run); the same package again goes on without a question; a
// check-only run asks too but records nothing. The records never reach what
// replication reads of the last refreshes.
TEST_F(GeneralRoundTrip, AnOlderPackageIsUsedOnlyWhenSomebodySaysSo)
{
    connect(kIzvoz);
    exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (1,'A1','Prvi','1')"});
    const QString str = structure("KA060AK0.str", kAktivnosti);
    createDbf(str);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, QString(), false), 1);
    TManifest m;
    ASSERT_TRUE(m.preberi(ctx.currSaveDir));
    ASSERT_TRUE(m.casiTabel.contains("KA060AK0"));
    const QDateTime izvozeno = m.casTabele("KA060AK0");
    const QString cas = izvozeno.toString("dd.MM.yyyy HH:mm:ss");
    auto paketi = [&] {
        return rows("select to_char(datummox,'DD.MM.YYYY HH24:MI:SS') from orna_util.orna_mox "
                    "where vrstamox='PAKET TAVO.KA060AK0' and napakemox='K' order by datummox");
    };

    connect(kUvoz);
    TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    ASSERT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(paketi(), cas);
    // The same package again: no question, one record.
    izid = refreshGeneralFromFile(ctx, str, false);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_TRUE(ui.questions.filter("pred paketom").isEmpty()) << ui.questions.join('\n').toStdString();
    EXPECT_EQ(paketi(), cas);

    // The package made older than the one applied.
    exec({"delete from ka060ak0"});
    const QDateTime starejsi = izvozeno.addSecs(-3600);
    m.casiTabel["KA060AK0"] = starejsi;
    m.zapisi(ctx.currSaveDir);
    const QString vprasanje = "Paket tabele KA060AK0 je bil pripravljen " + starejsi.toString("dd.MM.yyyy HH:mm:ss") +
                              ", pred paketom, ki je bil na tej instalaciji že uporabljen (pripravljen " + cas +
                              "). Ga vseeno uporabim?";
    struct Primer {
        const char *ime;
        bool avtomatika, zaslon;
        int odgovor;
        bool samoPreverjanje;
        const char *status, *vrstice, *zgodovina;
        bool vprasano;
    };
    const Primer primeri[] = {
        {"unattended: refused without a question", true, true, mrYes, false, "D", "0", "D", false},
        {"nobody at the screen: refused", false, false, mrYes, false, "D", "0", "D", false},
        {"Ne: refused", false, true, mrNo, false, "D", "0", "D", true},
        {"check-only, Da: checked, nothing recorded", false, true, mrYes, true, "N", "0", "P", true},
        {"Da: applied", false, true, mrYes, false, "N", "1", "N", true},
    };
    for (const Primer &p : primeri) {
        SCOPED_TRACE(p.ime);
        ui.questions.clear();
        ui.answer = p.odgovor;
        ctx.pAutomatika = p.avtomatika;
        ctx.ui = p.zaslon ? &ui : nullptr;
        const int napakPrej = ctx.pNapakePrenosov;
        auto zgodovina = [&] {
            return rows(QString("select count(*) from orna_util.orna_mox where vrstamox='TAVO.KA060AK0' "
                                "and napakemox='%1'").arg(p.zgodovina)).toInt();
        };
        const int zgodovinaPrej = zgodovina();
        izid = refreshGeneralFromFile(ctx, str, p.samoPreverjanje);
        ctx.pAutomatika = false;
        ctx.ui = &ui;
        EXPECT_EQ(izid.status, p.status) << izid.napaka.toStdString();
        EXPECT_EQ(rows("select count(*) from ka060ak0"), p.vrstice);
        EXPECT_EQ(zgodovina(), zgodovinaPrej + 1);
        EXPECT_EQ(ui.questions.contains(vprasanje), p.vprasano) << ui.questions.join('\n').toStdString();
        if (QString(p.status) == "D") {
            EXPECT_TRUE(izid.napaka.contains("pred paketom")) << izid.napaka.toStdString();
            EXPECT_EQ(izid.stevci.napak, 1);
            EXPECT_EQ(ctx.pNapakePrenosov, napakPrej + 1);
            EXPECT_TRUE(resultLines("KA060AK0").last().startsWith("NAPAKA: Paket tabele KA060AK0"))
                << resultLines("KA060AK0").join('\n').toStdString();
        }
        // The newest package applied stays what later packages are compared with.
        EXPECT_EQ(zadnjiUporabljeniPaket(ctx, "TAVO.KA060AK0"), izvozeno);
    }

    // What replication reads of the last refreshes knows nothing of the records.
    ctx.p_aRefrZadnji.clear();
    naloziZadnjeOsvezitve(ctx);
    ASSERT_FALSE(ctx.p_aRefrZadnji.isEmpty());
    for (const TRefrZadnji &z : ctx.p_aRefrZadnji)
        EXPECT_EQ(z.vrsta, "TAVO.KA060AK0");
}

// A manifest written before the per-table times were kept (and one with a
// key this version does not know) still verifies; its time stands for the
// table's export time.
TEST_F(GeneralRoundTrip, AManifestWithoutPerTableTimesStillVerifies)
{
    connect(kIzvoz);
    exec({"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
          "insert into ka060ak0 (sifra060,code_060,opis_060,stat_060) values (1,'A1','Prvi','1')"});
    const QString str = structure("KA060AK0.str", kAktivnosti);
    createDbf(str);
    ASSERT_EQ(prepareGeneralFromFile(ctx, str, QString(), false), 1);
    const QString pot = ctx.currSaveDir + kImeManifesta;
    QStringList vrstice = moxtext::readTextLines(pot);
    const QRegularExpression casTabele("^tabela=KA060AK0;\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$");
    ASSERT_EQ(vrstice.filter(casTabele).size(), 1)
        << vrstice.join('\n').toStdString();
    vrstice.removeIf([](const QString &v) { return v.startsWith("tabela="); });
    vrstice << "prihodnji_kljuc=karkoli";
    moxtext::writeTextLines(pot, vrstice);

    EXPECT_TRUE(preveriMapo(ctx.currSaveDir).isEmpty()) << preveriMapo(ctx.currSaveDir).join('\n').toStdString();
    TManifest m;
    ASSERT_TRUE(m.preberi(ctx.currSaveDir));
    EXPECT_TRUE(m.casiTabel.isEmpty());
    const TPreverjanjePaketa p =
        preveriDelPaketa(ctx, ctx.currSaveDir, "KA060AK0", datotekeTabele(str, ctx.currSaveDir + "KA060AK0"));
    EXPECT_EQ(p.izvozeno, m.cas);

    connect(kUvoz);
    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    EXPECT_EQ(izid.status, "N") << izid.napaka.toStdString();
    EXPECT_EQ(zadnjiUporabljeniPaket(ctx, "TAVO.KA060AK0"), m.cas);
}

// A table another session holds locked past the engine's wait: the refresh
// stops at the first row that fails so (one error, not one per row); what it
// applied before stays.
TEST_F(GeneralRoundTrip, ALockHeldPastTheWaitStopsTheRefresh)
{
    const QString str = prepareActivities();
    TMoxContext drugi;
    drugi.osOracle.LogonUsername = "TAVO";
    drugi.osOracle.LogonPassword = "TAVO";
    drugi.osOracle.LogonDatabase = kUvoz;
    drugi.osOracle.setConnected(true);
    TOracleQuery st(&drugi.osOracle);
    st.SQL << "update ka060ak0 set opis_060='Drugi' where code_060='R9'"; // held, not committed
    st.Execute();

    const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
    drugi.osOracle.Rollback();
    EXPECT_EQ(izid.status, "D");
    EXPECT_EQ(izid.stevci.napak, 1);
    EXPECT_TRUE(izid.napaka.contains("zaklenjena") && izid.napaka.contains("ORA-00054")) << izid.napaka.toStdString();
    EXPECT_EQ(izid.stevci.dodanih + izid.stevci.popravljenih, 0);
}
