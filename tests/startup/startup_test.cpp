#include "credentials/kript.h"
#include "log/runlog.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "platform/profile.h"
#include "run/runstate.h"
#include "startup/settings.h"
#include "startup/startup.h"
#include "base/text.h"
#include "support/recordingui.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QString nat(const char *p) { return moxpath::native(QString::fromUtf8(p)); }

void pisi(const QString &key, const QString &value, const QString &section = QStringLiteral("MOX"))
{
    writeProfileString(section, key, value);
}

} // namespace

TEST(StartupSettings, DefaultsWithoutSettingsFile)
{
    TestEnv env;
    TRunState rs;
    rs.currPassword = QStringLiteral("keep");
    preberiNastavitveIzDatoteke(rs);
    uveljaviNastavitve(rs);
    EXPECT_EQ(rs.currUser, QString());
    EXPECT_EQ(rs.currServer, QString());
    EXPECT_EQ(rs.currSaveDir, nat("d:\\kalvera\\mox\\"));
    EXPECT_EQ(rs.currDirLog, nat("d:\\kalvera\\"));
    EXPECT_EQ(rs.currReplSaveDir, nat("d:\\kalvera\\repl\\"));
    EXPECT_EQ(rs.currReplDirLog, nat("d:\\kalvera\\repl\\log\\"));
    EXPECT_EQ(rs.currOwner, QString());
    EXPECT_FALSE(rs.currReplikacija);
    EXPECT_FALSE(rs.currSamoPreverjanje);
    EXPECT_EQ(rs.currLargeRBName, QStringLiteral("LARGERB"));
    EXPECT_EQ(rs.currShrani, QStringLiteral("N"));
    EXPECT_EQ(rs.currPassword, QStringLiteral("keep")); // no stored password asked
    EXPECT_FALSE(QFile::exists(env.iniPath()));          // reading writes nothing
}

TEST(StartupSettings, ValuesFromTheFile)
{
    TestEnv env;
    pisi(QStringLiteral("CURR_USER"), QStringLiteral("tavo"));
    pisi(QStringLiteral("CURR_SERVER"), QStringLiteral("prod"));
    pisi(QStringLiteral("CURR_SAVE_DIR"), QStringLiteral("/srv/mox/"));
    pisi(QStringLiteral("CURR_DIR_LOG"), QStringLiteral("c:\\log\\"));
    pisi(QStringLiteral("CURR_REPL_SAVE_DIR"), QStringLiteral("/srv/repl")); // no trailing separator
    pisi(QStringLiteral("CURR_REPL_DIR_LOG"), QStringLiteral("c:\\repl\\log"));
    pisi(QStringLiteral("CURR_OWNER"), QStringLiteral("TAVO"));
    pisi(QStringLiteral("CURR_SAMO_PREVERJANJE"), QStringLiteral("D"));
    pisi(QStringLiteral("CURR_LARGERB"), QStringLiteral("rbig"), QStringLiteral("PL/SQL"));
    TRunState rs;
    preberiNastavitveIzDatoteke(rs);
    EXPECT_EQ(rs.currUser, QStringLiteral("tavo"));      // the user keeps its case
    EXPECT_EQ(rs.currServer, QStringLiteral("PROD"));    // the alias is upper-cased
    EXPECT_EQ(rs.currSaveDir, nat("/srv/mox/"));
    EXPECT_EQ(rs.currDirLog, nat("c:\\log\\"));
    EXPECT_EQ(rs.currReplSaveDir, nat("/srv/repl/"));
    EXPECT_EQ(rs.currReplDirLog, nat("c:\\repl\\log\\"));
    EXPECT_EQ(rs.currOwner, QStringLiteral("TAVO"));
    EXPECT_TRUE(rs.currSamoPreverjanje);
    EXPECT_EQ(rs.currLargeRBName, QStringLiteral("RBIG"));
}

TEST(StartupSettings, OnlyExactlyNSwitchesReplicationOff)
{
    struct Case {
        const char *value;
        bool on;
    } cases[] = {{"N", false}, {"", true}, {"D", true}, {"n", true}, {"NE", true}};
    for (const Case &c : cases) {
        TestEnv env;
        pisi(QStringLiteral("CURR_REPLIKACIJA"), QString::fromUtf8(c.value));
        pisi(QStringLiteral("CURR_SAVE_DIR"), QStringLiteral("/a/"));
        pisi(QStringLiteral("CURR_DIR_LOG"), QStringLiteral("/a/log/"));
        pisi(QStringLiteral("CURR_REPL_SAVE_DIR"), QStringLiteral("/r/"));
        pisi(QStringLiteral("CURR_REPL_DIR_LOG"), QStringLiteral("/r/log/"));
        TRunState rs;
        preberiNastavitveIzDatoteke(rs);
        uveljaviNastavitve(rs);
        EXPECT_EQ(rs.currReplikacija, c.on) << c.value;
        EXPECT_EQ(rs.currSaveDir, c.on ? nat("/r/") : nat("/a/")) << c.value;
        EXPECT_EQ(rs.currDirLog, c.on ? nat("/r/log/") : nat("/a/log/")) << c.value;
    }
}

TEST(StartupSettings, StoredPasswordOnlyWithTrz5)
{
    struct Case {
        const char *shrani;
        const char *geslo;
    } cases[] = {{"TRZ5", "SECRET"}, {"trz5", "typed"}, {"N", "typed"}, {"TRZ5 ", "typed"}};
    for (const Case &c : cases) {
        TestEnv env;
        pisi(QStringLiteral("CURR_USER"), QStringLiteral("TAVO"));
        pisi(QStringLiteral("CURR_SERVER"), QStringLiteral("PROD"));
        pisi(QStringLiteral("CURR_SHRANI"), QString::fromUtf8(c.shrani), QStringLiteral("MONITOR"));
        TKript::shraniGeslo(QStringLiteral("PROD"), QStringLiteral("TAVO"), QString(), QStringLiteral("secret"));
        TRunState rs;
        rs.currPassword = QStringLiteral("typed");
        preberiNastavitveIzDatoteke(rs);
        uveljaviNastavitve(rs);
        EXPECT_EQ(rs.currPassword, QString::fromUtf8(c.geslo)) << c.shrani;
    }
    // TRZ5 without a stored password empties the password.
    TestEnv env;
    pisi(QStringLiteral("CURR_SHRANI"), QStringLiteral("TRZ5"), QStringLiteral("MONITOR"));
    TRunState rs;
    rs.currPassword = QStringLiteral("typed");
    preberiNastavitveIzDatoteke(rs);
    uveljaviNastavitve(rs);
    EXPECT_EQ(rs.currPassword, QString());
}

TEST(StartupSettings, SaveWritesTheMoxKeys)
{
    TestEnv env;
    TRunState rs;
    rs.currUser = QStringLiteral("TAVO");
    rs.currServer = QStringLiteral("PROD");
    rs.currPassword = QStringLiteral("never written");
    rs.currSaveDir = QStringLiteral("/s/");
    rs.currDirLog = QStringLiteral("/l/");
    rs.currReplSaveDir = QStringLiteral("/rs/");
    rs.currReplDirLog = QStringLiteral("/rl/");
    rs.currOwner = QStringLiteral("OWN");
    rs.currSamoPreverjanje = true;
    rs.currReplikacija = false;
    ShraniNastavitev(rs);
    const QStringList lines = moxtext::readTextLines(env.iniPath());
    const QStringList expected{
        QStringLiteral("[MOX]"),
        QStringLiteral("CURR_USER=TAVO"),
        QStringLiteral("CURR_SERVER=PROD"),
        QStringLiteral("CURR_PASSWORD=xxxxx"),
        QStringLiteral("CURR_SAVE_DIR=/s/"),
        QStringLiteral("CURR_DIR_LOG=/l/"),
        QStringLiteral("CURR_REPL_SAVE_DIR=/rs/"),
        QStringLiteral("CURR_REPL_DIR_LOG=/rl/"),
        QStringLiteral("CURR_OWNER=OWN"),
        QStringLiteral("CURR_SAMO_PREVERJANJE=D"),
        QStringLiteral("CURR_REPLIKACIJA=N"),
    };
    EXPECT_EQ(lines, expected);

    TRunState back;
    preberiNastavitveIzDatoteke(back);
    EXPECT_EQ(back.currSaveDir, nat("/s/"));
    EXPECT_TRUE(back.currSamoPreverjanje);
    EXPECT_FALSE(back.currReplikacija);
}

TEST(StartupSettings, FailedSaveNamesTheFile)
{
    TestEnv env;
    QDir().mkpath(env.iniPath()); // a folder where the file should be
    TRunState rs;
    try {
        ShraniNastavitev(rs);
        FAIL() << "no error";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains(env.iniPath())) << e.what();
    }
}

TEST(StartupCommandLine, ArgumentsAndDirectoryOverrides)
{
    struct Case {
        const char *name;
        QStringList args;
        const char *save;
        const char *log;
    } cases[] = {
        {"none", {}, "/set/", "/set/log/"},
        {"four", {"@s.txt", "A", "B", "ALL"}, "/set/", "/set/log/"},
        {"five: both from 5", {"@s.txt", "A", "B", "ALL", "/five/"}, "/five/", "/five/"},
        {"six: save from 5, log from 6", {"@s.txt", "A", "B", "ALL", "/five/", "/six/"}, "/five/", "/six/"},
        {"seven: the rest is ignored", {"@s.txt", "A", "B", "ALL", "/five/", "/six/", "/seven/"}, "/five/", "/six/"},
        {"without trailing separators", {"@s.txt", "A", "B", "ALL", "/five", "\\six"}, "/five/", "/six/"},
    };
    for (const Case &c : cases) {
        TRunState rs;
        rs.currSaveDir = QStringLiteral("/set/");
        rs.currDirLog = QStringLiteral("/set/log/");
        zajemiArgumente(rs, c.args);
        EXPECT_EQ(rs.declRunParam, !c.args.isEmpty()) << c.name;
        EXPECT_EQ(rs.runParamType, c.args.value(0)) << c.name;
        EXPECT_EQ(rs.runParamvalue1, c.args.value(1)) << c.name;
        EXPECT_EQ(rs.runParamvalue3, c.args.value(3)) << c.name;
        EXPECT_EQ(rs.runParamvalue5, c.args.value(5)) << c.name;
        EXPECT_EQ(rs.currSaveDir, nat(c.save)) << c.name;
        EXPECT_EQ(rs.currDirLog, nat(c.log)) << c.name;
    }
    EXPECT_EQ(imeSkripte(QStringLiteral("@MU_NOC.TXT")), QStringLiteral("MU_NOC.TXT"));
    EXPECT_EQ(imeSkripte(QStringLiteral("@") + QString(60, u'x')), QString(50, u'x'));
}

TEST(StartupLogon, ConnectGeslo)
{
    TestEnv env;
    TKript::shraniGeslo(QStringLiteral("DB"), QStringLiteral("STORED"), QString(), QStringLiteral("fromstore"));
    struct Case {
        const char *name, *user, *sGeslo, *geslo;
        bool pautoG;
    } cases[] = {
        {"long password used unchanged", "STORED", "xy", "xy", true},
        {"stored password wins over the code", "STORED", "2", "FROMSTORE", true},
        {"code 1", "U", "1", "TOPAZ81", true},
        {"code 2", "U", "2", "BIRCH47", true},
        {"code 3", "U", "3", "LAMP1987", true},
        {"code 4", "U", "4", "ROSE1964", true},
        {"another single character", "U", "5", "before", false},
        {"empty", "U", "", "before", false},
        {"empty, stored", "STORED", "", "FROMSTORE", true},
    };
    for (const Case &c : cases) {
        TRunState rs;
        rs.currPassword = QStringLiteral("before");
        connectGeslo(rs, QStringLiteral("DB"), QString::fromUtf8(c.user), QString::fromUtf8(c.sGeslo), rs.currPassword);
        EXPECT_EQ(rs.currPassword, QString::fromUtf8(c.geslo)) << c.name;
        EXPECT_EQ(rs.pautoG, c.pautoG) << c.name;
    }
}

TEST(StartupLogon, MultiInstallationMarkerFile)
{
    TestEnv env;
    const QString file = env.path(QStringLiteral("vecInstalacij"));
    EXPECT_FALSE(aliJeVecInstacijNaTrenutniInstanci(QStringLiteral("PROD"), file)); // no file
    moxtext::writeTextLines(file, {QStringLiteral("PROD=false"), QStringLiteral("PROD=TRUE"),
                                   QStringLiteral("multi=True"), QStringLiteral("TRUEDB=no"),
                                   QStringLiteral("PRODX=TRUE")});
    struct Case {
        const char *alias;
        bool multi;
    } cases[] = {
        {"PROD", false},   // the first line decides
        {"multi", true},   // compared upper-cased
        {"TRUEDB", true},  // an alias holding TRUE counts whatever follows
        {"PRODX", true},
        {"OTHER", false},
        {"PRO", false},    // the key is the alias followed by "="
    };
    for (const Case &c : cases)
        EXPECT_EQ(aliJeVecInstacijNaTrenutniInstanci(QString::fromUtf8(c.alias), file), c.multi) << c.alias;
}

TEST(StartupDirectories, ExistingMissingAndRefused)
{
    TestEnv env;
    RecordingUi ui;
    EXPECT_TRUE(preveriDirektorijPot(env.dir(), ui));
    EXPECT_TRUE(ui.questions.isEmpty());

    // Yes creates every missing level.
    const QString deep = env.path(QStringLiteral("a/b/c/"));
    EXPECT_TRUE(preveriDirektorijPot(deep, ui));
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_EQ(ui.questions.at(0), QStringLiteral("Direktorij ") + deep + QStringLiteral(" ne obstaja!       Generiraj ?"));
    EXPECT_TRUE(QDir(deep).exists());

    // The last level without a trailing separator is created too.
    EXPECT_TRUE(preveriDirektorijPot(env.path(QStringLiteral("x/y")), ui));
    EXPECT_TRUE(QDir(env.path(QStringLiteral("x/y"))).exists());

    // No leaves it missing.
    ui.answer = mrNo;
    EXPECT_FALSE(preveriDirektorijPot(env.path(QStringLiteral("n/")), ui));
    EXPECT_FALSE(QDir(env.path(QStringLiteral("n"))).exists());

    // A level that cannot be created (a file stands in its way).
    ui.answer = mrYes;
    moxtext::writeTextLines(env.path(QStringLiteral("file")), {});
    const QString blocked = env.path(QStringLiteral("file/sub/"));
    EXPECT_FALSE(preveriDirektorijPot(blocked, ui));
    ASSERT_FALSE(ui.messages.isEmpty());
    EXPECT_EQ(ui.messages.last(),
              QStringLiteral("Direktorija ") + env.path(QStringLiteral("file/")) + QStringLiteral(" NE MOREM KREIRATI!"));
}

TEST(StartupDirectories, EmptyNameIsAskedAgainUntilNo)
{
    // A person: asked again after each Yes.
    class TwoYes : public RecordingUi {
    public:
        int pokaziSporocilo(const QString &text, TMsgDlgType k, TMsgDlgButtons b, int h) override
        {
            RecordingUi::pokaziSporocilo(text, k, b, h);
            return questions.size() < 3 ? mrYes : mrNo;
        }
    } ui;
    EXPECT_FALSE(preveriDirektorijPot(QString(), ui));
    EXPECT_EQ(ui.questions.size(), 3);

    // Nobody to answer: the default Yes would ask forever, so one pass ends it.
    RecordingUi headless;
    EXPECT_FALSE(preveriDirektorijPot(QString(), headless, true));
    EXPECT_EQ(headless.questions.size(), 1);
}

TEST(StartupScriptLine, RazcleniUkaz)
{
    struct Case {
        const char *line, *ukaz, *a1, *a2, *a3;
    } cases[] = {
        {"CONNECT u 2 db", "CONNECT", "U", "2", "DB"},
        {"connect  U P D", "CONNECT", "", "U", "P"},   // a second blank empties a1
        {" CONNECT u", "", "CONNECT", "U", ""},         // a leading blank empties the command
        {"REFRESH sks, KA060AK0", "REFRESH", "sks, KA060AK0", "", ""},
        {"PREPARE KA000HED \"where x=1\"", "PREPARE", "KA000HED \"where x=1\"", "", ""},
        {"SQL \"update t set a=1\"", "SQL", "\"update t set a=1\"", "", ""},
        {"LARGERB off", "LARGERB", "OFF", "", ""},
        {"REPLIKACIJA", "REPLIKACIJA", "", "", ""},
        {"CONNECT a    b     c   d", "CONNECT", "A", "B", "C"},
        {"", "", "", "", ""},
    };
    for (const Case &c : cases) {
        const TUkaz u = razcleniUkaz(QString::fromUtf8(c.line));
        EXPECT_EQ(u.ukaz, QString::fromUtf8(c.ukaz)) << c.line;
        EXPECT_EQ(u.a1, QString::fromUtf8(c.a1)) << c.line;
        EXPECT_EQ(u.a2, QString::fromUtf8(c.a2)) << c.line;
        EXPECT_EQ(u.a3, QString::fromUtf8(c.a3)) << c.line;
    }
}
