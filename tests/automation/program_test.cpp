// Unattended runs of the real program, headless, against embedded databases:
// what they leave in the database, the run logs, standard error and the exit
// status.
#include "autotest.h"

#include "credentials/kript.h"
#include "platform/profile.h"
#include "base/text.h"

#include <QDir>
#include <QProcess>
#include <QFileInfo>

namespace {

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(autotest::moxProgram()).isExecutable()) << autotest::moxProgram().toStdString();
        QDir(env.dir()).mkpath(QStringLiteral("save"));
        QDir(env.dir()).mkpath(QStringLiteral("log"));
        writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), env.path(QStringLiteral("save/")));
        writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_DIR_LOG"), env.path(QStringLiteral("log/")));
    }

    void script(const QStringList &lines) { autotest::writeScript(env.path(QStringLiteral("s.txt")), lines); }

    autotest::Izid mox(const QStringList &args) { return autotest::run(autotest::moxProgram(), args, env.dir()); }

    QString logFile(const QString &name) { return autotest::readFile(env.path(QStringLiteral("log/") + name)); }

    TestEnv env;
};

const QString kInsert1 = QStringLiteral("SQL \"insert into KA116PAL (SIFRA116, CODE_116) values (1, 'P1')\"");
const QString kCommit = QStringLiteral("SQL \"commit\"");
const QString kPalete = QStringLiteral("select CODE_116 from KA116PAL order by SIFRA116");

} // namespace

TEST_F(Program, ScriptRunsToItsEndAndEchoesItsLines)
{
    ASSERT_TRUE(autotest::makeDb(QStringLiteral("E2E")));
    // The first line gives the logon at start as well.
    script({QStringLiteral("CONNECT tavo tavo E2E"), QStringLiteral("# nocni prenos"), kInsert1, kCommit,
            QStringLiteral("LARGERB ON")});
    const autotest::Izid r = mox({QStringLiteral("@s.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // Every line that runs, with its number; the password hidden.
    for (const QString &l : {QStringLiteral("1: CONNECT TAVO ***** E2E"), QStringLiteral("3: ") + kInsert1,
                             QStringLiteral("4: ") + kCommit, QStringLiteral("5: LARGERB ON")})
        EXPECT_TRUE(r.err.contains(l)) << l.toStdString() << "\n" << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("2: #")));
    EXPECT_EQ(autotest::query(QStringLiteral("E2E"), QStringLiteral("TAVO"), QStringLiteral("TAVO"), kPalete),
              QStringList{QStringLiteral("P1")});
    // Switched on by the script, off after its last line.
    EXPECT_EQ(autotest::query(QStringLiteral("E2E"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                              QStringLiteral("select STATUS from DBA_ROLLBACK_SEGS where SEGMENT_NAME = 'LARGERB'")),
              QStringList{QStringLiteral("OFFLINE")});
}

TEST_F(Program, ExitStatusOfUnattendedRuns)
{
    ASSERT_TRUE(autotest::makeDb(QStringLiteral("E2E")));
    const QString bad = QStringLiteral("SQL \"insert into NEOBSTAJA values (1)\"");
    const struct {
        const char *name;
        QStringList lines;
        int status;
        const char *stderrText; // in the error output
        QStringList rows;       // KA116PAL afterwards
    } cases[] = {
        // A failed statement is reported and the run goes on: status 1.
        {"sql error",
         {QStringLiteral("CONNECT tavo tavo E2E"), bad, kInsert1, kCommit},
         1,
         "NAPAKA pri izvajanju: insert into NEOBSTAJA values (1)",
         {QStringLiteral("P1")}},
        // A missing structure file ends the run: status 2, later lines skipped.
        {"missing structure file",
         {QStringLiteral("CONNECT tavo tavo E2E"), QStringLiteral("REFRESH NIMA"), kInsert1, kCommit},
         2,
         "NIMA.str",
         {}},
        // A logon of the script that fails ends the run.
        {"failed logon in the script",
         {QStringLiteral("CONNECT tavo tavo E2E"), QStringLiteral("CONNECT tavo napacno E2E"), kInsert1, kCommit},
         2,
         "NEDOVOLJEN DOSTOP",
         {}},
        // The logon at start fails: the program ends at once.
        {"failed logon at start", {QStringLiteral("CONNECT tavo napacno E2E"), kInsert1, kCommit}, 2, "NEDOVOLJEN DOSTOP", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(autotest::sql(QStringLiteral("E2E"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                                  QStringLiteral("delete from KA116PAL;\ncommit;\n")));
        script(c.lines);
        const autotest::Izid r = mox({QStringLiteral("@s.txt")});
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.stderrText))) << r.err.toStdString();
        EXPECT_EQ(autotest::query(QStringLiteral("E2E"), QStringLiteral("TAVO"), QStringLiteral("TAVO"), kPalete),
                  c.rows);
    }
    // The statement's error is in the run log as well.
    EXPECT_TRUE(logFile(QStringLiteral("ORNA_SYS.LOG")).contains(QStringLiteral("NAPAKA pri izvajanju: insert into NEOBSTAJA")));
}

TEST_F(Program, OneLineRun)
{
    ASSERT_TRUE(autotest::makeDb(QStringLiteral("E2E")));
    // The logon of the settings file with its stored password.
    writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_USER"), QStringLiteral("TAVO"));
    writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_SERVER"), QStringLiteral("E2E"));
    writeProfileString(QStringLiteral("MONITOR"), QStringLiteral("CURR_SHRANI"), QStringLiteral("TRZ5"));
    TKript::shraniGeslo(QStringLiteral("E2E"), QStringLiteral("TAVO"), QString(), QStringLiteral("TAVO"));

    autotest::Izid r = mox({QStringLiteral("LARGERB"), QStringLiteral("ON")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("1: LARGERB ON"))) << r.err.toStdString();
    EXPECT_EQ(autotest::query(QStringLiteral("E2E"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                              QStringLiteral("select STATUS from DBA_ROLLBACK_SEGS where SEGMENT_NAME = 'LARGERB'")),
              QStringList{QStringLiteral("OFFLINE")});

    r = mox({QStringLiteral("SQL"), QStringLiteral("\"delete from NEOBSTAJA\"")});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("NAPAKA pri izvajanju: delete from NEOBSTAJA"))) << r.err.toStdString();
}

TEST_F(Program, TwoInstallationsWriteTheirOwnLogs)
{
    const QString alias = QStringLiteral("MULTI");
    ASSERT_TRUE(autotest::makeDb(alias));
    for (const char *u : {"A", "B"}) {
        const QString name = QLatin1String(u);
        ASSERT_TRUE(autotest::user(alias, name, QStringLiteral("P") + name));
        ASSERT_TRUE(autotest::sql(alias, name, QStringLiteral("P") + name,
                                  autotest::readFile(TestEnv::sourceDir() + QStringLiteral("/fixtures/schema/tavo.sql"))));
    }
    // Inserted in the reverse of their order.
    ASSERT_TRUE(autotest::sql(
        alias, QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"),
        QStringLiteral("insert into ORNA_INSTALATIONS (USERNAME, INSTANCE, USER_TAVO, PASS_TAVO, USER_FAKTUR, PASS_FAKTUR, "
                       "USERINDEX) values ('A', 'MULTI', 'A', 'PA', 'FA', 'PFA', 2);\n"
                       "insert into ORNA_INSTALATIONS (USERNAME, INSTANCE, USER_TAVO, PASS_TAVO, USER_FAKTUR, PASS_FAKTUR, "
                       "USERINDEX) values ('B', 'MULTI', 'B', 'PB', 'FB', 'PFB', 1);\ncommit;\n")));
    moxtext::writeTextLines(env.path(QStringLiteral("vecInstalacij")), {QStringLiteral("MULTI=TRUE")});

    script({QStringLiteral("CONNECT TAVO TAVO MULTI"),
            QStringLiteral("SQL \"insert into KA116PAL (SIFRA116, CODE_116) values (7, 'X')\""), kCommit,
            QStringLiteral("SQL \"insert into NEOBSTAJA values (1)\"")});
    const autotest::Izid r = mox({QStringLiteral("@s.txt")});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();

    // In the order of userIndex.
    const qsizetype prva = r.err.indexOf(QStringLiteral("-- 1/2: B@MULTI"));
    const qsizetype druga = r.err.indexOf(QStringLiteral("-- 2/2: A@MULTI"));
    EXPECT_GE(prva, 0) << r.err.toStdString();
    EXPECT_GT(druga, prva) << r.err.toStdString();

    // Each installation's schema got its row, through its own user.
    for (const char *u : {"A", "B"}) {
        const QString name = QLatin1String(u);
        EXPECT_EQ(autotest::query(alias, name, QStringLiteral("P") + name, kPalete), QStringList{QStringLiteral("X")})
            << u;
        EXPECT_TRUE(logFile(QStringLiteral("MOX_") + name + QStringLiteral(".LOG"))
                        .contains(QStringLiteral("NAPAKA pri izvajanju: insert into NEOBSTAJA")))
            << u;
    }
    // Nothing went into the schema the script names.
    EXPECT_TRUE(autotest::query(alias, QStringLiteral("TAVO"), QStringLiteral("TAVO"), kPalete).isEmpty());
}

TEST_F(Program, GeneralTableCarriedBetweenInstallations)
{
    for (const char *a : {"IZVOR", "CILJ"})
        ASSERT_TRUE(autotest::makeDb(QLatin1String(a)));
    ASSERT_TRUE(autotest::sql(
        QStringLiteral("IZVOR"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
        QStringLiteral("insert into KR031ORG (SIFRA031, CODE_031, OPIS_031, STAT_031) values (1, 'ORG1', 'Prvi', '1');\n"
                       "insert into KR031ORG (SIFRA031, CODE_031, OPIS_031, STAT_031) values (2, 'ORG2', 'Drugi', '1');\n"
                       "insert into KR031ORG (SIFRA031, CODE_031, OPIS_031, STAT_031) values (3, 'ORG3', 'Tretji', '0');\n"
                       "commit;\n")));
    const QString save = env.path(QStringLiteral("save/"));
    moxtext::writeTextLines(save + QStringLiteral("KR031ORG.str"),
                            {QStringLiteral("TABELA=TAVO.KR031ORG"), QStringLiteral("KLJUC=CODE_031 VARCHAR2"),
                             QStringLiteral("AUTO=SIFRA031 begin:naslednji:=   tavo.getSequence('KR031ORG');end;"),
                             QStringLiteral("STRUKTURA"), QStringLiteral("SIFRA031,,INTEGER,10,0,,,"),
                             QStringLiteral("CODE_031,U,VARCHAR2,10,,,,"), QStringLiteral("OPIS_031,U,VARCHAR2,60,,,,"),
                             QStringLiteral("STAT_031,,CHAR,1,,,,")});

    // Without its DBF the refresh records an error: status 1.
    script({QStringLiteral("CONNECT tavo tavo CILJ"), QStringLiteral("REFRESH KR031ORG")});
    autotest::Izid r = mox({QStringLiteral("@s.txt")});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();

    // The empty DBF as the structure editor leaves it.
    r = autotest::run(autotest::dbfTool(),
                      {QStringLiteral("create"), save + QStringLiteral("KR031ORG.DBF"),
                       QStringLiteral("POPRAVI C 1, SIFRA031 C 11, CODE_031 C 10, OPIS_031 C 60, STAT_031 C 1")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    script({QStringLiteral("CONNECT tavo tavo IZVOR"), QStringLiteral("PREPARE KR031ORG \"where STAT_031='1'\""),
            QStringLiteral("CONNECT tavo tavo CILJ"), QStringLiteral("REFRESH KR031ORG")});
    r = mox({QStringLiteral("@s.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(autotest::query(QStringLiteral("CILJ"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                              QStringLiteral("select CODE_031, OPIS_031 from KR031ORG order by CODE_031")),
              (QStringList{QStringLiteral("ORG1,Prvi"), QStringLiteral("ORG2,Drugi")}));
    EXPECT_TRUE(logFile(QStringLiteral("ORNA_SYS.LOG")).contains(QStringLiteral("KR031ORG  INS:2")));
}

// Each installation of a database that serves several prepares and refreshes
// its own schema's rows: the structure file is read anew for every item with
// the installation's schema names.
TEST_F(Program, EachInstallationPreparesItsOwnRows)
{
    const QString alias = QStringLiteral("MULTI2");
    ASSERT_TRUE(autotest::makeDb(alias));
    for (const char *u : {"A", "B"}) {
        const QString name = QLatin1String(u);
        ASSERT_TRUE(autotest::user(alias, name, QStringLiteral("P") + name));
        ASSERT_TRUE(autotest::sql(alias, name, QStringLiteral("P") + name,
                                  autotest::readFile(TestEnv::sourceDir() + QStringLiteral("/fixtures/schema/tavo.sql")) +
                                      QStringLiteral("\ninsert into KR031ORG (SIFRA031, CODE_031, OPIS_031, STAT_031) "
                                                     "values (1, 'ORG_%1', 'Samo %1', '1');\ncommit;\n")
                                          .arg(name)));
    }
    ASSERT_TRUE(autotest::sql(
        alias, QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"),
        QStringLiteral("insert into ORNA_INSTALATIONS (USERNAME, INSTANCE, USER_TAVO, PASS_TAVO, USER_FAKTUR, PASS_FAKTUR, "
                       "USERINDEX) values ('A', 'MULTI2', 'A', 'PA', 'FA', 'PFA', 1);\n"
                       "insert into ORNA_INSTALATIONS (USERNAME, INSTANCE, USER_TAVO, PASS_TAVO, USER_FAKTUR, PASS_FAKTUR, "
                       "USERINDEX) values ('B', 'MULTI2', 'B', 'PB', 'FB', 'PFB', 2);\ncommit;\n")));
    moxtext::writeTextLines(env.path(QStringLiteral("vecInstalacij")), {QStringLiteral("MULTI2=TRUE")});
    const QString save = env.path(QStringLiteral("save/"));
    moxtext::writeTextLines(save + QStringLiteral("KR031ORG.str"),
                            {QStringLiteral("TABELA=TAVO.KR031ORG"), QStringLiteral("KLJUC=CODE_031 VARCHAR2"),
                             QStringLiteral("AUTO=SIFRA031 begin:naslednji:=   tavo.getSequence('KR031ORG');end;"),
                             QStringLiteral("STRUKTURA"), QStringLiteral("SIFRA031,,INTEGER,10,0,,,"),
                             QStringLiteral("CODE_031,U,VARCHAR2,10,,,,"), QStringLiteral("OPIS_031,U,VARCHAR2,60,,,,"),
                             QStringLiteral("STAT_031,,CHAR,1,,,,")});
    autotest::Izid r = autotest::run(autotest::dbfTool(),
                                     {QStringLiteral("create"), save + QStringLiteral("KR031ORG.DBF"),
                                      QStringLiteral("POPRAVI C 1, SIFRA031 C 11, CODE_031 C 10, OPIS_031 C 60, STAT_031 C 1")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    script({QStringLiteral("CONNECT TAVO TAVO MULTI2"), QStringLiteral("PREPARE KR031ORG"),
            QStringLiteral("REFRESH KR031ORG")});
    r = mox({QStringLiteral("@s.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    for (const char *u : {"A", "B"}) {
        const QString name = QLatin1String(u);
        EXPECT_EQ(autotest::query(alias, name, QStringLiteral("P") + name,
                                  QStringLiteral("select CODE_031 from KR031ORG order by CODE_031")),
                  QStringList{QStringLiteral("ORG_") + name})
            << u;
    }
}

// A command script whose last line changes a row keeps the change: the
// session ends normally, which commits.
TEST_F(Program, LastSqlLineOfAScriptIsKept)
{
    ASSERT_TRUE(autotest::makeDb(QStringLiteral("ZADNJA")));
    script({QStringLiteral("CONNECT TAVO TAVO ZADNJA"), kInsert1});
    const autotest::Izid r = mox({QStringLiteral("@s.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(autotest::query(QStringLiteral("ZADNJA"), QStringLiteral("TAVO"), QStringLiteral("TAVO"), kPalete),
              QStringList{QStringLiteral("P1")});
}

// Two processes refreshing the same table at once leave no duplicate: the
// second waits for nothing and is refused while the first runs, or finds
// every row the first inserted.
TEST_F(Program, TwoRefreshesOfOneTableAtOnceLeaveNoDuplicate)
{
    for (const char *a : {"IZVOR2", "CILJ2"})
        ASSERT_TRUE(autotest::makeDb(QLatin1String(a)));
    QString vstavi;
    for (int i = 1; i <= 3000; ++i)
        vstavi += QStringLiteral("insert into KR031ORG (SIFRA031, CODE_031, OPIS_031, STAT_031) values (%1, 'O%1', 'Oddelek %1', '1');\n")
                      .arg(i);
    ASSERT_TRUE(autotest::sql(QStringLiteral("IZVOR2"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                              vstavi + QStringLiteral("commit;\n")));
    const QString save = env.path(QStringLiteral("save/"));
    moxtext::writeTextLines(save + QStringLiteral("KR031ORG.str"),
                            {QStringLiteral("TABELA=TAVO.KR031ORG"), QStringLiteral("KLJUC=CODE_031 VARCHAR2"),
                             QStringLiteral("AUTO=SIFRA031 begin:naslednji:=   tavo.getSequence('KR031ORG');end;"),
                             QStringLiteral("STRUKTURA"), QStringLiteral("SIFRA031,,INTEGER,10,0,,,"),
                             QStringLiteral("CODE_031,U,VARCHAR2,10,,,,"), QStringLiteral("OPIS_031,U,VARCHAR2,60,,,,"),
                             QStringLiteral("STAT_031,,CHAR,1,,,,")});
    autotest::Izid r = autotest::run(autotest::dbfTool(), {QStringLiteral("create"), save + QStringLiteral("KR031ORG.str")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    script({QStringLiteral("CONNECT TAVO TAVO IZVOR2"), QStringLiteral("PREPARE KR031ORG")});
    r = mox({QStringLiteral("@s.txt")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    script({QStringLiteral("CONNECT TAVO TAVO CILJ2"), QStringLiteral("REFRESH KR031ORG")});
    QProcess prvi, drugi;
    for (QProcess *p : {&prvi, &drugi}) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(e);
        p->setWorkingDirectory(env.dir());
        p->start(autotest::moxProgram(), {QStringLiteral("@s.txt")});
    }
    for (QProcess *p : {&prvi, &drugi}) {
        ASSERT_TRUE(p->waitForFinished(180000));
        EXPECT_LE(p->exitCode(), 1) << p->readAllStandardError().toStdString();
    }
    EXPECT_EQ(autotest::query(QStringLiteral("CILJ2"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                              QStringLiteral("select count(*), count(distinct CODE_031) from KR031ORG")),
              QStringList{QStringLiteral("3000,3000")});
}

TEST_F(Program, InstallationsThatCannotBeReadStopTheRun)
{
    ASSERT_TRUE(autotest::makeDb(QStringLiteral("MULTI")));
    ASSERT_TRUE(autotest::sql(QStringLiteral("MULTI"), QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"),
                              QStringLiteral("drop table ORNA_INSTALATIONS;\n")));
    moxtext::writeTextLines(env.path(QStringLiteral("vecInstalacij")), {QStringLiteral("MULTI=TRUE")});
    script({QStringLiteral("CONNECT TAVO TAVO MULTI"), kInsert1, kCommit});
    const autotest::Izid r = mox({QStringLiteral("@s.txt")});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("ORNA_INSTALATIONS"))) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("1: CONNECT"))) << "the script ran";
}
