// The script runner against an embedded database, without the window: the
// window's side is a recording stand-in, the transfers are operations
// registered for the test.
#include "autotest.h"

#include "automation/napredek.h"
#include "automation/skripta.h"
#include "credentials/kript.h"
#include "log/history.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

const QString kAlias = QStringLiteral("AUTO");

class RecordingUi : public TInteraction {
public:
    QStringList messages;
    int pokaziSporocilo(const QString &text, TMsgDlgType, TMsgDlgButtons, int) override
    {
        messages << text;
        return mrOk;
    }
    void showMessage(const QString &text) override { messages << text; }
    void processEvents() override {}
};

// The window as the runner sees it: logs on for real (unless told not to)
// and records what it was asked.
class FakeOkno : public TSkriptaOkno {
public:
    explicit FakeOkno(TMoxContext &ctx) : m_ctx(ctx) {}

    bool prava = true;   // log on to the database
    bool headless = true;
    bool mark = false;
    QStringList prijave, oznake;
    QString naslov;
    bool meniji = false;

    bool brezOsebe() const override { return headless; }
    bool prijava(const QString &user, const QString &password, const QString &server) override
    {
        prijave << user + u'/' + password + u'@' + server;
        if (!prava)
            return true;
        TOracleSession &s = m_ctx.osOracle;
        s.setConnected(false);
        s.LogonUsername = user;
        s.LogonPassword = password;
        s.LogonDatabase = server;
        try {
            s.setConnected(true);
        } catch (const EMoxError &) {
        }
        return s.Connected();
    }
    void omogociMenije(bool on) override { meniji = on; }
    void nastaviNaslov(const QString &n) override { naslov = n; }
    bool largeRBOznacen() const override { return mark; }
    void nastaviLargeRB(bool o) override
    {
        mark = o;
        oznake << (o ? QStringLiteral("on") : QStringLiteral("off"));
    }

private:
    TMoxContext &m_ctx;
};

class Runner : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_env = std::make_unique<TestEnv>();
        s_ready = autotest::makeDb(kAlias);
        if (!s_ready)
            return;
        s_ready = autotest::user(kAlias, QStringLiteral("CODEUSER"), QStringLiteral("BIRCH47"));
        if (s_ready)
            s_ready = autotest::user(kAlias, QStringLiteral("CODEUSER2"), QStringLiteral("STORED1"));
    }
    static void TearDownTestSuite() { s_env.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_ready) << s_ready.message();
        ASSERT_TRUE(m_work.isValid());
        m_oldDir = QDir::currentPath();
        QDir::setCurrent(m_work.path());
        QDir().mkpath(QStringLiteral("save"));
        QDir().mkpath(QStringLiteral("log"));
        ctx.ui = &ui;
        ctx.currSaveDir = m_work.path() + QStringLiteral("/save/");
        ctx.currDirLog = m_work.path() + QStringLiteral("/log/");
        ctx.currLargeRBName = QStringLiteral("LARGERB");
        ctx.declRunParam = true;
        tek.odmev = [this](const QString &t) { odmev << t; };
    }

    void TearDown() override
    {
        ctx.osOracle.setConnected(false);
        QDir::setCurrent(m_oldDir);
    }

    // Runs the lines as the script file s.txt with the include list.
    int runScript(const QStringList &lines, const QString &include = QString())
    {
        autotest::writeScript(QStringLiteral("s.txt"), lines);
        ctx.runParamType = QStringLiteral("@s.txt");
        ctx.runParamvalue3 = include;
        return tek.tiAutoStartTimer();
    }

    void logon(const QString &user = QStringLiteral("TAVO"), const QString &password = QStringLiteral("TAVO"))
    {
        ctx.osOracle.LogonUsername = user;
        ctx.osOracle.LogonPassword = password;
        ctx.osOracle.LogonDatabase = kAlias;
        ctx.osOracle.setConnected(true);
    }

    QStringList rows(const QString &select)
    {
        QStringList out;
        TOracleDataSet q(&ctx.osOracle);
        q.SQL = QStringList{select};
        q.Open();
        while (!q.Eof()) {
            QStringList cols;
            for (int i = 0; i < q.FieldCount(); ++i)
                cols << q.Field(i).AsString();
            out << cols.join(u',');
            q.Next();
        }
        q.Close();
        return out;
    }

    // Registers a transfer that records its name (and runs extra): a
    // family's preparation or refresh (named as the screens name it) for the
    // runner's families, any other name at the dispatch point. A family's
    // run also records its folder in prenosi when it is not the save
    // directory.
    void record(const QString &name, std::function<void(TMoxContext &)> extra = {})
    {
        for (const char *p : {"SKS", "OBR", "PARAM", "ANALIZEHC", "GRUPE", "GRUPE023", "PALETE"}) {
            const QString postavka = QLatin1String(p);
            const bool osvezi = moxskripta::operacijaOsvezitve(postavka) == name;
            if (!osvezi && moxskripta::operacijaPriprave(postavka) != name)
                continue;
            TOperacijaDruzine op = [this, name, extra](TMoxContext &c, const TZahtevaDruzine &z,
                                                       const TNapredekDruzine *) {
                ops << name;
                prenosi << (z.pot == c.currSaveDir ? name : name + u'|' + z.pot);
                if (extra)
                    extra(c);
                return TIzidDruzine{};
            };
            auto it = std::find_if(tek.druzineSkripte.begin(), tek.druzineSkripte.end(),
                                   [&](const TDruzina &d) { return d.postavka == postavka; });
            if (it == tek.druzineSkripte.end())
                it = tek.druzineSkripte.insert(tek.druzineSkripte.end(), TDruzina{postavka, {}, {}});
            (osvezi ? it->osvezi : it->pripravi) = std::move(op);
            return;
        }
        dispatch.registerOperation(name, [this, name, extra](TMoxContext &c, const QStringList &) {
            ops << name;
            if (extra)
                extra(c);
        });
    }

    QString log() const { return autotest::readFile(m_work.path() + QStringLiteral("/log/ORNA_SYS.LOG")); }
    QString work() const { return m_work.path(); }

    static inline std::unique_ptr<TestEnv> s_env;
    static inline ::testing::AssertionResult s_ready = ::testing::AssertionFailure();

    QTemporaryDir m_work;
    QString m_oldDir;
    TMoxContext ctx;
    RecordingUi ui;
    FakeOkno okno{ctx};
    TDispatch dispatch;
    TSkriptniTek tek{ctx, dispatch, okno};
    QStringList ops, odmev, prenosi;
};

} // namespace

TEST_F(Runner, ConnectResolvesPasswordsCodesAndAliases)
{
    TKript::shraniGeslo(kAlias, QStringLiteral("CODEUSER2"), QString(), QStringLiteral("STORED1"));
    TKript::shraniGeslo(kAlias, QStringLiteral("TAVO"), QString(), QStringLiteral("WRONG"));

    const struct {
        const char *line;
        const char *prijava;
        int status;
    } cases[] = {
        // A code without a stored password: the code's fixed password.
        {"CONNECT codeuser 2 AUTO", "CODEUSER/BIRCH47@AUTO", izhodBrezNapak},
        // A stored password wins over the code.
        {"CONNECT codeuser2 2 AUTO", "CODEUSER2/STORED1@AUTO", izhodBrezNapak},
        // Two or more characters are the password; the store is not asked.
        {"CONNECT tavo tavo AUTO", "TAVO/TAVO@AUTO", izhodBrezNapak},
        // Neither code nor stored: the password of the run state stays.
        {"CONNECT codeuser 9 AUTO", "CODEUSER/KEPT@AUTO", izhodPrekinjen},
        // The destination alias of the command line.
        {"CONNECT tavo tavo XXXXXD", "TAVO/TAVO@AUTO", izhodBrezNapak},
        // A wrong code fails the logon: without a person the run ends.
        {"CONNECT codeuser 1 AUTO", "CODEUSER/TOPAZ81@AUTO", izhodPrekinjen},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        okno.prijave.clear();
        ctx.currPassword = QStringLiteral("KEPT");
        ctx.runParamvalue1 = QStringLiteral("NULL");
        ctx.runParamvalue2 = kAlias;
        ctx.p_sourceBase.clear();
        const int status = runScript({QString::fromUtf8(c.line), QStringLiteral("SQL \"select 1 from dual\"")});
        EXPECT_EQ(status, c.status) << tek.zadnjaNapaka().toStdString();
        ASSERT_EQ(okno.prijave.size(), 1);
        EXPECT_EQ(okno.prijave.at(0), QString::fromUtf8(c.prijava));
        EXPECT_TRUE(ctx.p_sourceBase.isEmpty()); // "NULL" sets nothing
        if (c.status == izhodBrezNapak) {
            EXPECT_TRUE(okno.meniji);
            EXPECT_TRUE(okno.naslov.endsWith(QString(okno.prijave.at(0)).remove(QRegularExpression(QStringLiteral("/[^@]*")))))
                << okno.naslov.toStdString();
            // The line after the logon ran on that session.
            EXPECT_EQ(odmev.last(), QStringLiteral("2: SQL \"select 1 from dual\""));
        } else {
            EXPECT_TRUE(tek.zadnjaNapaka().startsWith(QStringLiteral("NEDOVOLJEN DOSTOP"))) << tek.zadnjaNapaka().toStdString();
            EXPECT_FALSE(odmev.last().startsWith(QStringLiteral("2:"))) << "the run went on after a failed logon";
        }
        odmev.clear();
    }
}

TEST_F(Runner, SqlWithAndWithoutErrors)
{
    const int status = runScript({
        QStringLiteral("CONNECT tavo tavo AUTO"),
        QStringLiteral("SQL \"insert into KA116PAL (SIFRA116, CODE_116, DESC_116) values (901, 'P1', 'a b c')\""),
        QStringLiteral("SQL \"insert into NEOBSTAJA values (1)\""),
        // The run goes on after the error.
        // Any two characters delimit the statement.
        QStringLiteral("SQL #insert into KA116PAL (SIFRA116, CODE_116) values (902, 'P2')#"),
        QStringLiteral("SQL \"insert into KA116PAL (SIFRA116, CODE_116) values (903, 'P3')\""),
        QStringLiteral("SQL \"commit\""),
    });
    EXPECT_EQ(status, izhodNapakePrenosov);
    EXPECT_EQ(tek.napakeUkazov(), 1);
    EXPECT_TRUE(ui.messages.contains(QStringLiteral("NAPAKA pri izvajanju: insert into NEOBSTAJA values (1)")))
        << ui.messages.join(u'\n').toStdString();
    EXPECT_EQ(rows(QStringLiteral("select SIFRA116, CODE_116, DESC_116 from KA116PAL where SIFRA116 > 900 order by 1")),
              (QStringList{QStringLiteral("901,P1,a b c"), QStringLiteral("902,P2,"), QStringLiteral("903,P3,")}));
    // The database's own text reaches the echo.
    EXPECT_TRUE(odmev.join(u'\n').contains(QStringLiteral("NEOBSTAJA")));
}

TEST_F(Runner, LargeRollbackSegmentSwitchedOffAfterTheLastLine)
{
    const QString stanje = QStringLiteral("select STATUS from DBA_ROLLBACK_SEGS where SEGMENT_NAME = 'LARGERB'");

    // Switched on and never off: off after the last line.
    EXPECT_EQ(runScript({QStringLiteral("CONNECT tavo tavo AUTO"), QStringLiteral("LARGERB ON")}), izhodBrezNapak);
    EXPECT_EQ(rows(stanje), QStringList{QStringLiteral("OFFLINE")});
    EXPECT_FALSE(okno.mark);
    EXPECT_TRUE(okno.oznake.contains(QStringLiteral("on")));

    // Switched off by the script: nothing more at the end. (Outside a run
    // with arguments each switch says what it did.)
    ctx.declRunParam = false;
    ui.messages.clear();
    EXPECT_EQ(runScript({QStringLiteral("LARGERB ON"), QStringLiteral("SQL \"select 1 from dual\""),
                         QStringLiteral("LARGERB off")}),
              izhodBrezNapak);
    EXPECT_EQ(ui.messages,
              (QStringList{QStringLiteral("LARGE RB is ONLINE"), QStringLiteral("LARGE RB is OFFLINE")}));
    EXPECT_EQ(rows(stanje), QStringList{QStringLiteral("OFFLINE")});
    ctx.declRunParam = true;
    ui.messages.clear();

    // Without a session both switches fail; the one at the end still
    // switches off (not on, as the unchecked mark would have it).
    ctx.osOracle.setConnected(false);
    EXPECT_EQ(runScript({QStringLiteral("LARGERB ON")}), izhodNapakePrenosov);
    EXPECT_EQ(ui.messages, (QStringList{QStringLiteral("ERROR ON PUTING LARGE RB ONLINE"),
                                        QStringLiteral("ERROR ON PUTING LARGE RB OFFLINE")}));
}

TEST_F(Runner, ReplikacijaChangesDirectoriesAndLoadsLastRefreshTimes)
{
    ASSERT_TRUE(autotest::sql(kAlias, QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"),
                              QStringLiteral("delete from ORNA_MOX;\n"
                                             "insert into ORNA_MOX (DATUMMOX, USER_MOX, VRSTAMOX, NAPAKEMOX, IZVAJAMOX) "
                                             "values (to_date('01.02.2024 10:30','DD.MM.YYYY HH24:MI'), 'TAVO', 'SKS', 'N', 5);\n"
                                             "insert into ORNA_MOX (DATUMMOX, USER_MOX, VRSTAMOX, NAPAKEMOX, IZVAJAMOX) "
                                             "values (to_date('03.02.2024 08:00','DD.MM.YYYY HH24:MI'), 'TAVO', 'SKS', 'D', 5);\n"
                                             "commit;\n")));
    ctx.currReplSaveDir = work() + QStringLiteral("/repl/");
    ctx.currReplDirLog = work() + QStringLiteral("/repl/log/");
    ctx.p_moxShrani = true; // the connection dialog's probe, which the stand-in does not make

    EXPECT_EQ(runScript({QStringLiteral("CONNECT tavo tavo AUTO"), QStringLiteral("REPLIKACIJA")}), izhodBrezNapak);
    EXPECT_TRUE(ctx.p_replikacija);
    EXPECT_EQ(ctx.currSaveDir, work() + QStringLiteral("/repl/"));
    EXPECT_EQ(ctx.currDirLog, work() + QStringLiteral("/repl/log/"));
    // The last refresh without errors.
    EXPECT_EQ(najdizadnjiRefresh(ctx, QStringLiteral("SKS")), QStringLiteral("01.02.2024 10:30"));

    // The next run starts outside replication mode; the directories stay.
    EXPECT_EQ(runScript({QStringLiteral("SQL \"select 1 from dual\"")}), izhodBrezNapak);
    EXPECT_FALSE(ctx.p_replikacija);
    EXPECT_EQ(ctx.currSaveDir, work() + QStringLiteral("/repl/"));
}

TEST_F(Runner, GroupLinesRunUnderTheIncludeList)
{
    for (const char *op : {"osveziSKS", "osveziPalete", "pripraviObrazce"})
        record(QLatin1String(op));
    const QStringList script{
        QStringLiteral("/A_REFRESH sks d:\\prenos\\"),
        QStringLiteral("/B_REFRESH palete"),
        QStringLiteral("/AB_PREPARE obr"),
        QStringLiteral("#REFRESH SKS"),
        QStringLiteral("REFRESH SKS"),
        QStringLiteral("KOMENTAR REFRESH SKS"),
    };
    // The folder of the line, as the platform writes it.
    const QString kPrenos = QStringLiteral("osveziSKS|") + moxpath::native(QStringLiteral("D:\\PRENOS\\"));
    const struct {
        const char *include;
        QStringList prenosi;
    } cases[] = {
        {"A", {kPrenos, QStringLiteral("osveziSKS")}},
        {"AB", {kPrenos, QStringLiteral("osveziPalete"), QStringLiteral("pripraviObrazce"), QStringLiteral("osveziSKS")}},
        {"ALL", {QStringLiteral("osveziSKS")}},
        {"", {QStringLiteral("osveziSKS")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.include);
        prenosi.clear();
        EXPECT_EQ(runScript(script, QString::fromUtf8(c.include)), izhodBrezNapak);
        EXPECT_EQ(prenosi, c.prenosi);
        EXPECT_EQ(ctx.currInclude, QString::fromUtf8(c.include));
    }
}

TEST_F(Runner, ItemsWithoutAnOperationAreReportedInTheLogAndSkipped)
{
    record(QStringLiteral("osveziObrazce"));
    tek.druzineSkripte.removeIf([](const TDruzina &d) { return d.postavka != QLatin1String("OBR"); });
    // The run goes on after them, and ends with status 1: a transfer it
    // could not make is not a success.
    EXPECT_EQ(runScript({QStringLiteral("REFRESH SKS, OBR"), QStringLiteral("PREPARE PALETE")}), izhodNapakePrenosov);
    EXPECT_EQ(ops, QStringList{QStringLiteral("osveziObrazce")});
    const QString l = log();
    for (const char *op : {"osveziSKS", "pripraviPalete"})
        EXPECT_TRUE(l.contains(QLatin1String(op) + QStringLiteral(": ni na voljo"))) << op << l.toStdString();
    EXPECT_FALSE(l.contains(QStringLiteral("osveziObrazce")));
    EXPECT_TRUE(odmev.contains(QStringLiteral("osveziSKS: ni na voljo")));
}

// General tables run the engine itself (their round trips are the program
// tests); here only what the runner decides: the structure file of an item,
// its filter, and that an error of the table's run ends the script.
TEST_F(Runner, GeneralTablesWithStructureFilesAndFilters)
{
    record(QStringLiteral("osveziSKS"));
    record(QStringLiteral("pripraviSKS"));
    const QString save = QDir::fromNativeSeparators(ctx.currSaveDir);
    struct Case {
        const char *line;
        const char *napaka; // part of the error that ended the run: the structure file
    } cases[] = {
        {"REFRESH NIMA, SKS", "NIMA.str"},
        {"PREPARE KA000HED \" where STAT_000 = '1' \"", "KA000HED.str"},
        // Only the whole item, quote and filter included, is compared with
        // the families: a family's name with a filter names a general table.
        {"PREPARE SKS \"where 1 = 1\"", "SKS.str"},
        {"PREPARE KA010RES.mst", "KA010RES.mst"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        ops.clear();
        ctx.currSaveDir = save;
        EXPECT_EQ(runScript({QString::fromUtf8(c.line), QStringLiteral("REFRESH SKS")}), izhodPrekinjen);
        EXPECT_TRUE(tek.zadnjaNapaka().contains(QLatin1String(c.napaka))) << tek.zadnjaNapaka().toStdString();
        EXPECT_TRUE(ops.isEmpty()) << ops.join(u' ').toStdString();
        EXPECT_FALSE(ctx.p_autoPrepare);
    }

    // The family without a filter is the family.
    ops.clear();
    EXPECT_EQ(runScript({QStringLiteral("PREPARE SKS")}), izhodBrezNapak) << tek.zadnjaNapaka().toStdString();
    EXPECT_EQ(ops, QStringList{QStringLiteral("pripraviSKS")});
}

// A line that cannot run as written runs not at all and makes the run end
// with status 1; the lines after it still run.
TEST_F(Runner, LinesThatCannotRunAreErrorsOfTheRun)
{
    record(QStringLiteral("osveziSKS"));
    const char *lines[] = {"PREPARE KA000HED \"where x = 'a'", "REFRESH ../../x", "SQL \"delete from t"};
    for (const char *line : lines) {
        SCOPED_TRACE(line);
        ops.clear();
        EXPECT_EQ(runScript({QString::fromUtf8(line), QStringLiteral("REFRESH SKS")}), izhodNapakePrenosov);
        EXPECT_EQ(tek.napakeUkazov(), 1);
        EXPECT_EQ(ops, QStringList{QStringLiteral("osveziSKS")});
        EXPECT_FALSE(odmev.filter(QStringLiteral("NAPAKA v vrstici 1 skripte: ")).isEmpty())
            << odmev.join(u'|').toStdString();
    }
}

TEST_F(Runner, ExitStatusOfTheRun)
{
    record(QStringLiteral("osveziSKS"), [](TMoxContext &c) { ++c.pNapakePrenosov; });
    record(QStringLiteral("osveziObrazce"));
    record(QStringLiteral("osveziPalete"), [](TMoxContext &) { throw EMoxError(QStringLiteral("Ne najdem datoteke KA116PAL.DBF")); });

    EXPECT_EQ(runScript({QStringLiteral("REFRESH OBR")}), izhodBrezNapak);
    EXPECT_EQ(runScript({QStringLiteral("REFRESH SKS,OBR")}), izhodNapakePrenosov);
    // A transfer's error that it does not handle ends the run.
    ops.clear();
    EXPECT_EQ(runScript({QStringLiteral("REFRESH PALETE"), QStringLiteral("REFRESH OBR")}), izhodPrekinjen);
    EXPECT_EQ(tek.zadnjaNapaka(), QStringLiteral("Ne najdem datoteke KA116PAL.DBF"));
    EXPECT_EQ(ops, QStringList{QStringLiteral("osveziPalete")});
    // A missing script file.
    ctx.runParamType = QStringLiteral("@ni.txt");
    EXPECT_EQ(tek.tiAutoStartTimer(), izhodPrekinjen);
    EXPECT_TRUE(tek.zadnjaNapaka().contains(QStringLiteral("ni.txt")));
    // Without a session and arguments nothing runs.
    ctx.declRunParam = false;
    ops.clear();
    EXPECT_EQ(runScript({QStringLiteral("REFRESH OBR")}), izhodBrezNapak);
    EXPECT_TRUE(ops.isEmpty());
}

TEST_F(Runner, OneLineRun)
{
    logon();
    record(QStringLiteral("osveziSKS"));
    ctx.runParamType = QStringLiteral("SQL");
    ctx.runParamvalue1 = QStringLiteral("\"insert into KA116PAL (SIFRA116, CODE_116) values (950, 'EN')\"");
    EXPECT_EQ(tek.tiAutoStartTimer(), izhodBrezNapak);
    EXPECT_EQ(rows(QStringLiteral("select CODE_116 from KA116PAL where SIFRA116 = 950")), QStringList{QStringLiteral("EN")});
    EXPECT_EQ(ctx.p_sl, QStringList{QStringLiteral("SQL \"insert into KA116PAL (SIFRA116, CODE_116) values (950, 'EN')\"  ")});

    ctx.runParamType = QStringLiteral("REFRESH");
    ctx.runParamvalue1 = QStringLiteral("SKS,");
    EXPECT_EQ(tek.tiAutoStartTimer(), izhodBrezNapak);
    EXPECT_EQ(ops, QStringList{QStringLiteral("osveziSKS")});
}

TEST_F(Runner, EveryInstallationRunsTheScriptWithItsSchemas)
{
    okno.prava = false;
    ctx.currMoreInstall = true;
    ctx.currUser = QStringLiteral("ZACETNI");
    ctx.currServer = QStringLiteral("ZACETNA");
    ctx.currPassword = QStringLiteral("GESLO0");
    tek.nastaviInstalacije({
        TInstalacija{QStringLiteral("A"), QStringLiteral("PA"), QStringLiteral("FA"), QStringLiteral("PFA"), kAlias,
                     QStringLiteral("1"), QString()},
        TInstalacija{QStringLiteral("B"), QStringLiteral("PB"), QStringLiteral("FB"), QStringLiteral("PFB"),
                     QStringLiteral("DRUGA"), QStringLiteral("2"), QString()},
    });
    QStringList sheme;
    record(QStringLiteral("osveziSKS"), [&](TMoxContext &c) {
        sheme << c.currUserAsTavo + u'/' + c.currUserAsFaktur + u'@' + c.currInstanceAs;
    });
    EXPECT_EQ(runScript({QStringLiteral("CONNECT TAVO geslo KAJKOLI"), QStringLiteral("REFRESH SKS"),
                         QStringLiteral("CONNECT faktur geslo KAJKOLI"), QStringLiteral("CONNECT scott 2 KAJKOLI")}),
              izhodBrezNapak);
    // The alias of every CONNECT is the installation's; TAVO and FAKTUR are
    // its schemas with their passwords; another user keeps its password.
    EXPECT_EQ(okno.prijave, (QStringList{QStringLiteral("A/PA@AUTO"), QStringLiteral("FA/PFA@AUTO"),
                                         QStringLiteral("SCOTT/BIRCH47@AUTO"), QStringLiteral("B/PB@DRUGA"),
                                         QStringLiteral("FB/PFB@DRUGA"), QStringLiteral("SCOTT/BIRCH47@DRUGA")}));
    EXPECT_EQ(sheme, (QStringList{QStringLiteral("A/FA@AUTO"), QStringLiteral("B/FB@DRUGA")}));
    EXPECT_TRUE(odmev.contains(QStringLiteral("-- 2/2: B@DRUGA")));
    // The logon of before the run is back.
    EXPECT_EQ(ctx.currUser, QStringLiteral("ZACETNI"));
    EXPECT_EQ(ctx.currServer, QStringLiteral("ZACETNA"));
    EXPECT_EQ(ctx.currPassword, QStringLiteral("GESLO0"));

    // No installations: nothing runs.
    okno.prijave.clear();
    tek.nastaviInstalacije({});
    EXPECT_EQ(runScript({QStringLiteral("CONNECT TAVO geslo X")}), izhodBrezNapak);
    EXPECT_TRUE(okno.prijave.isEmpty());
}

TEST_F(Runner, InstallationsLoadInUserIndexOrderWithoutALimit)
{
    QString sql = QStringLiteral("delete from ORNA_INSTALATIONS;\n");
    // Inserted in the reverse of their order; more than the 200 the old arrays held.
    for (int i = 205; i >= 1; --i)
        sql += QStringLiteral("insert into ORNA_INSTALATIONS (USERNAME, INSTANCE, USER_TAVO, PASS_TAVO, USER_FAKTUR, "
                              "PASS_FAKTUR, USERINDEX, LASTSCRIPTSTATUS) values ('U%1', 'I%1', 'T%1', 'PT%1', 'F%1', "
                              "'PF%1', %1, 'OK');\n")
                   .arg(i);
    sql += QStringLiteral("commit;\n");
    ASSERT_TRUE(autotest::sql(kAlias, QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"), sql));
    logon();
    const QVector<TInstalacija> v = naloziInstalacije(ctx);
    ASSERT_EQ(v.size(), 205);
    EXPECT_EQ(v.at(0).userTavo, QStringLiteral("T1"));
    EXPECT_EQ(v.at(0).passTavo, QStringLiteral("PT1"));
    EXPECT_EQ(v.at(0).userFaktur, QStringLiteral("F1"));
    EXPECT_EQ(v.at(0).passFaktur, QStringLiteral("PF1"));
    EXPECT_EQ(v.at(0).instance, QStringLiteral("I1"));
    EXPECT_EQ(v.at(0).scriptStatus, QStringLiteral("OK"));
    EXPECT_EQ(v.at(204).userTavo, QStringLiteral("T205"));
    for (qsizetype i = 1; i < v.size(); ++i)
        EXPECT_LT(v.at(i - 1).userIndex.toInt(), v.at(i).userIndex.toInt());
    EXPECT_FALSE(ctx.quDyn.Active());
}

// Progress of long work without a screen: the table, records done of the
// file's, the rate; at most one line per interval.
TEST(NapredekBrezZaslona, LinesNameTheTableTheCountsAndTheRate)
{
    EXPECT_EQ(TNapredekBrezZaslona::vrstica(QStringLiteral("KA060AK0"), 2500, 10000, 500),
              QStringLiteral("   KA060AK0: 2500 od 10000 (25 %) zapisov, 5000 na sekundo"));
    EXPECT_EQ(TNapredekBrezZaslona::vrstica(QStringLiteral("KR031ORG"), 300, 0, 0),
              QStringLiteral("   KR031ORG: 300 zapisov"));

    QStringList vrstice;
    TNapredekBrezZaslona redko(QStringLiteral("T"), [&](const QString &v) { vrstice << v; }, 3600000);
    const TOsvezevanjeNapredek n = redko.osvezevanje();
    TOsvezevanjeStevci c;
    c.prikazanoZapisov = 100;
    n.prikazi(c);
    EXPECT_TRUE(vrstice.isEmpty());
    TNapredekBrezZaslona vsakic(QStringLiteral("T"), [&](const QString &v) { vrstice << v; }, 0);
    const TPripravaNapredek p = vsakic.priprava();
    p.prikazi(100);
    p.prikazi(200);
    EXPECT_EQ(vrstice.size(), 2);

    // A family's pass names its table and gives the total of its file.
    vrstice.clear();
    const TNapredekDruzine d = vsakic.druzina();
    TStevciPrehoda st;
    st.oznaka = QStringLiteral("TAVO.KG000SS0");
    st.prebranih = 5;
    st.vDatoteki = 20;
    d.prikazi(1, st);
    ASSERT_EQ(vrstice.size(), 1);
    EXPECT_TRUE(vrstice.at(0).startsWith(QStringLiteral("   T TAVO.KG000SS0: 5 od 20 (25 %) zapisov"))) << vrstice.at(0).toStdString();

    // The interval can be set for a run (the demo asks for short ones).
    qputenv("MOX_NAPREDEK_MS", "250");
    EXPECT_EQ(TNapredekBrezZaslona::privzetiRazmikMs(), 250);
    qputenv("MOX_NAPREDEK_MS", "kmalu");
    EXPECT_EQ(TNapredekBrezZaslona::privzetiRazmikMs(), 5000);
    qunsetenv("MOX_NAPREDEK_MS");
    EXPECT_EQ(TNapredekBrezZaslona::privzetiRazmikMs(), 5000);
}
