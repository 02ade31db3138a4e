// The main window: creation from the settings file and the command line,
// the first activation (directories, logon, installations, automation hook),
// menus following the session, the dispatch point and the housekeeping menu.
#include "app_db.h"
#include "credentials/kript.h"
#include "credentials/gui/tfmconnect.h"
#include "support/recordingui.h"
#include "log/runlog.h"
#include "base/paths.h"
#include "platform/profile.h"
#include "base/text.h"
#include "window/tfmmox.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>

using namespace apptest;

namespace {

const QString kAlias = QStringLiteral("MOXAPP");

class AppWindow : public ::testing::Test {
protected:
    TestEnv env;
    RecordingUi ui;
    QString save, log;
    QString oldCwd;

    void SetUp() override
    {
        save = moxpath::withTrailingSeparator(env.path(QStringLiteral("save")));
        log = moxpath::withTrailingSeparator(env.path(QStringLiteral("log")));
        // The marker file and script files are looked for in the working directory.
        oldCwd = QDir::currentPath();
        QDir::setCurrent(env.dir());
    }
    void TearDown() override { QDir::setCurrent(oldCwd); }

    static void ini(const QString &key, const QString &value, const QString &section = QStringLiteral("MOX"))
    {
        writeProfileString(section, key, value);
    }
    void settings(const QString &user, bool stored = false, const QString &password = QString())
    {
        ini(QStringLiteral("CURR_USER"), user);
        ini(QStringLiteral("CURR_SERVER"), kAlias);
        ini(QStringLiteral("CURR_SAVE_DIR"), save);
        ini(QStringLiteral("CURR_DIR_LOG"), log);
        if (stored) {
            ini(QStringLiteral("CURR_SHRANI"), QStringLiteral("TRZ5"), QStringLiteral("MONITOR"));
            TKript::shraniGeslo(kAlias, user, QString(), password);
        }
    }
    std::unique_ptr<TfmMOX> make(const QStringList &args = {})
    {
        auto w = std::make_unique<TfmMOX>(args);
        w->context().ui = &ui;
        return w;
    }
    static bool menusEnabled(TfmMOX &w)
    {
        return w.screens()->menuOsvezevanje()->menuAction()->isEnabled() &&
               w.screens()->menuPriprava()->menuAction()->isEnabled();
    }
    static bool anyMenuEnabled(TfmMOX &w)
    {
        return w.screens()->menuOsvezevanje()->menuAction()->isEnabled() ||
               w.screens()->menuPriprava()->menuAction()->isEnabled();
    }
    QString logText() const
    {
        QFile f(log + QStringLiteral("ORNA_SYS.LOG"));
        return f.open(QIODevice::ReadOnly) ? moxtext::fromCp1250(f.readAll()) : QString();
    }
};

} // namespace

TEST_F(AppWindow, CreationWithoutSettingsFile)
{
    auto w = make();
    EXPECT_EQ(w->objectName(), QStringLiteral("fmMOX"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("OSVEŽEVANJE TABEL"));
    const TRunState &rs = w->runState();
    EXPECT_EQ(rs.p_nizMain, QStringLiteral("OSVEŽEVANJE TABEL"));
    EXPECT_TRUE(rs.pOrgMainCaption.startsWith(QStringLiteral("OSVEŽEVANJE TABEL     Ver."))) << rs.pOrgMainCaption.toStdString();
    EXPECT_TRUE(rs.p_prvicNaFormi);
    EXPECT_FALSE(rs.declRunParam);
    EXPECT_FALSE(rs.pAutomatika);
    EXPECT_EQ(rs.currSaveDir, moxpath::native(QStringLiteral("d:\\kalvera\\mox\\")));
    EXPECT_EQ(rs.currUserAsTavo, QStringLiteral("TAVO"));
    EXPECT_EQ(rs.currUserAsFaktur, QStringLiteral("FAKTUR"));
    EXPECT_EQ(w->screens()->currentPage(), QStringLiteral("tabStart"));
    EXPECT_FALSE(anyMenuEnabled(*w));
    EXPECT_FALSE(QFile::exists(env.iniPath()));
}

TEST_F(AppWindow, ReplicationSettingAndCommandLineDirectories)
{
    ini(QStringLiteral("CURR_SAVE_DIR"), save);
    ini(QStringLiteral("CURR_DIR_LOG"), log);
    ini(QStringLiteral("CURR_REPL_SAVE_DIR"), QStringLiteral("/repl/"));
    ini(QStringLiteral("CURR_REPL_DIR_LOG"), QStringLiteral("/repl/log/"));
    ini(QStringLiteral("CURR_REPLIKACIJA"), QString()); // empty: replication on
    {
        auto w = make();
        EXPECT_TRUE(w->runState().currReplikacija);
        EXPECT_EQ(w->runState().currSaveDir, moxpath::native(QStringLiteral("/repl/")));
        EXPECT_EQ(w->runState().currDirLog, moxpath::native(QStringLiteral("/repl/log/")));
        EXPECT_TRUE(w->screens()->control<QCheckBox>(QStringLiteral("cbNastReplikacija"))->isChecked());
    }
    {
        // The command line overrides the replication directories too.
        auto w = make({QStringLiteral("@S.TXT"), QStringLiteral("NULL"), QStringLiteral("NULL"), QStringLiteral("ALL"),
                       QStringLiteral("/five/"), QStringLiteral("/six/")});
        EXPECT_TRUE(w->runState().declRunParam);
        EXPECT_EQ(w->runState().currSaveDir, moxpath::native(QStringLiteral("/five/")));
        EXPECT_EQ(w->runState().currDirLog, moxpath::native(QStringLiteral("/six/")));
        EXPECT_FALSE(w->runState().pAutomatika);
    }
}

TEST_F(AppWindow, SaveButtonChecksDirectoriesThenWritesSettings)
{
    settings(QStringLiteral("TAVO"));
    auto w = make();
    TScreens &s = *w->screens();
    s.showSettings();
    s.edNastPotDat()->setText(env.path(QStringLiteral("new/save/")));
    s.edNastPotLog()->setText(env.path(QStringLiteral("new/log/")));

    ui.answer = mrNo; // refuse to create: nothing is saved, the screen stays
    w->btNShraniClick();
    EXPECT_EQ(ui.questions.size(), 1);
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), QString()), save);
    EXPECT_EQ(s.currentPage(), QStringLiteral("tabNastavitev"));

    ui.answer = mrYes;
    w->btNShraniClick();
    EXPECT_TRUE(QDir(env.path(QStringLiteral("new/save"))).exists());
    EXPECT_TRUE(QDir(env.path(QStringLiteral("new/log"))).exists());
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), QString()),
              moxpath::withTrailingSeparator(env.path(QStringLiteral("new/save/"))));
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_PASSWORD"), QString()), QStringLiteral("xxxxx"));
    EXPECT_EQ(w->runState().currSaveDir, moxpath::withTrailingSeparator(env.path(QStringLiteral("new/save/"))));
    EXPECT_EQ(s.currentPage(), QStringLiteral("tabStart"));
}

TEST_F(AppWindow, StartWithoutPasswordEndsWithNedovoljenDostop)
{
    ASSERT_TRUE(makeDb(kAlias));
    settings(QStringLiteral("TAVO"));
    QDir().mkpath(save);
    QDir().mkpath(log);
    auto w = make();
    QSignalSpy ended(w.get(), &TfmMOX::programEnded);
    w->show();
    ASSERT_TRUE(waitFor([&] { return ended.count() > 0; }));
    EXPECT_EQ(ended.at(0).at(0).toInt(), 2);
    EXPECT_TRUE(ui.messages.contains(QStringLiteral("NEDOVOLJEN DOSTOP")));
    EXPECT_FALSE(w->context().osOracle.Connected());
    EXPECT_FALSE(anyMenuEnabled(*w));
}

TEST_F(AppWindow, StartWithStoredPasswordLogsOnAndCreatesDirectories)
{
    ASSERT_TRUE(makeDb(kAlias));
    settings(QStringLiteral("TAVO"), true, QStringLiteral("TAVO"));
    auto w = make();
    QSignalSpy ended(w.get(), &TfmMOX::programEnded);
    QSignalSpy automation(w.get(), &TfmMOX::startAutomation);
    w->show();
    ASSERT_TRUE(waitFor([&] { return w->activationDone() && w->context().osOracle.Connected(); }))
        << ui.messages.join(u'|').toStdString();

    // The missing directories were asked about (the default answer is Yes) and made.
    ASSERT_EQ(ui.questions.size(), 2);
    EXPECT_EQ(ui.questions.at(0), QStringLiteral("Direktorij ") + save + QStringLiteral(" ne obstaja!       Generiraj ?"));
    EXPECT_TRUE(QDir(save).exists());
    EXPECT_TRUE(QDir(log).exists());

    const TRunState &rs = w->runState();
    EXPECT_TRUE(menusEnabled(*w));
    EXPECT_EQ(w->windowTitle(), rs.pOrgMainCaption + QString(7, u' ') + kAlias);
    EXPECT_EQ(rs.currUser, QStringLiteral("TAVO"));
    EXPECT_EQ(rs.currServer, kAlias);
    EXPECT_EQ(rs.currPassword, QStringLiteral("TAVO"));
    EXPECT_EQ(rs.currInstanceAs, kAlias); // block C
    EXPECT_TRUE(rs.p_autoConnect);
    EXPECT_TRUE(rs.p_prvicNaFormi);        // a start without arguments keeps it
    EXPECT_FALSE(rs.pAutomatika);
    EXPECT_FALSE(rs.currMoreInstall);
    EXPECT_EQ(automation.count(), 0);
    EXPECT_EQ(ended.count(), 0);
    ASSERT_NE(w->connectDialog(), nullptr);
    EXPECT_TRUE(w->connectDialog()->lConnect);

    // Logging off and on again through the menu command keeps the menus in step.
    w->context().osOracle.setConnected(false);
    w->runState().currPassword = QStringLiteral("WRONG");
    w->prijaviSe();
    EXPECT_FALSE(anyMenuEnabled(*w));
    w->runState().currPassword = QStringLiteral("TAVO");
    w->prijaviSe();
    EXPECT_TRUE(menusEnabled(*w));
}

TEST_F(AppWindow, ScriptRunTakesTheLogonOfItsFirstConnectLine)
{
    ASSERT_TRUE(makeDb(kAlias));
    settings(QStringLiteral("NOBODY"));
    QDir().mkpath(save);
    QDir().mkpath(log);
    TKript::shraniGeslo(kAlias, QStringLiteral("TAVO"), QString(), QStringLiteral("TAVO"));
    moxtext::writeTextLines(QStringLiteral("S.TXT"), {QStringLiteral("CONNECT tavo 2 ") + kAlias.toLower(),
                                                      QStringLiteral("REFRESH SKS")});
    auto w = make({QStringLiteral("@S.TXT")});
    QSignalSpy automation(w.get(), &TfmMOX::startAutomation);
    QSignalSpy installations(w.get(), &TfmMOX::loadInstallations);
    w->show();
    ASSERT_TRUE(waitFor([&] { return w->activationDone() && automation.count() > 0; }))
        << ui.messages.join(u'|').toStdString();
    const TRunState &rs = w->runState();
    EXPECT_TRUE(w->context().osOracle.Connected());
    EXPECT_EQ(rs.currUser, QStringLiteral("TAVO"));
    EXPECT_EQ(rs.currServer, kAlias);
    EXPECT_EQ(rs.currPassword, QStringLiteral("TAVO")); // the stored one wins over the code 2
    EXPECT_TRUE(rs.pAutomatika);
    EXPECT_FALSE(rs.p_prvicNaFormi); // block B
    EXPECT_EQ(rs.p_sl.size(), 2);    // block C did not run
    EXPECT_EQ(installations.count(), 0);
}

TEST_F(AppWindow, MissingScriptFileIsReportedAndEndsAHeadlessRun)
{
    settings(QStringLiteral("TAVO"));
    QDir().mkpath(save);
    QDir().mkpath(log);
    auto w = make({QStringLiteral("@NONE.TXT")});
    QSignalSpy ended(w.get(), &TfmMOX::programEnded);
    w->show();
    ASSERT_TRUE(waitFor([&] { return ended.count() > 0; }));
    EXPECT_EQ(ended.at(0).at(0).toInt(), 2);
    ASSERT_FALSE(ui.messages.isEmpty());
    EXPECT_TRUE(ui.messages.at(0).contains(QStringLiteral("NONE.TXT")));
}

TEST_F(AppWindow, MultiInstallationDatabase)
{
    ASSERT_TRUE(makeDb(kAlias, true));
    moxtext::writeTextLines(QStringLiteral("vecInstalacij"), {kAlias + QStringLiteral("=TRUE")});
    settings(QStringLiteral("TAVO_B"), true, QStringLiteral("TAVO_B"));
    QDir().mkpath(save);
    QDir().mkpath(log);
    auto w = make();
    w->show();
    ASSERT_TRUE(waitFor([&] { return w->activationDone() && w->context().osOracle.Connected(); }))
        << ui.messages.join(u'|').toStdString();
    const TRunState &rs = w->runState();
    EXPECT_TRUE(rs.currMoreInstall);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("OSVEŽEVANJE TABEL  TAVO_B@") + kAlias + QStringLiteral("  (MULTIUSER) "));
    // NapolniMUuser found the user's installation.
    EXPECT_EQ(rs.currUserAsTavo, QStringLiteral("TAVO_B"));
    EXPECT_EQ(rs.currUserAsFaktur, QStringLiteral("FAKTUR_B"));
    EXPECT_EQ(rs.currInstanceAs, kAlias);
}

TEST_F(AppWindow, DispatchPoint)
{
    settings(QStringLiteral("TAVO"));
    QDir().mkpath(log);
    auto w = make();
    w->runState().currDirLog = log;

    EXPECT_FALSE(w->runOperation(QStringLiteral("osveziSKS")));
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("osveziSKS: ni na voljo")});
    EXPECT_TRUE(logText().contains(QStringLiteral("osveziSKS: ni na voljo")));

    // Unattended: only the log line.
    w->runState().pAutomatika = true;
    EXPECT_FALSE(w->runOperation(QStringLiteral("osveziOBR")));
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(logText().contains(QStringLiteral("osveziOBR: ni na voljo")));

    QString seen;
    w->dispatch().registerOperation(QStringLiteral("osveziSKS"), [&](TMoxContext &ctx, const QStringList &) {
        seen = ctx.currUser;
    });
    w->dispatch().registerOperation(QStringLiteral("pada"), [](TMoxContext &, const QStringList &) {
        throw EMoxError(QStringLiteral("ORA-00942: table or view does not exist"));
    });
    EXPECT_TRUE(w->runOperation(QStringLiteral("osveziSKS")));
    EXPECT_EQ(seen, QStringLiteral("TAVO"));
    EXPECT_FALSE(w->runOperation(QStringLiteral("pada")));
    EXPECT_EQ(ui.messages.last(), QStringLiteral("ORA-00942: table or view does not exist"));
    // The main window registers the trigger switches of the general refresh.
    EXPECT_TRUE(w->dispatch().has(QStringLiteral("preklopiTriggerje:DISABLE")));
    EXPECT_TRUE(w->dispatch().has(QStringLiteral("preklopiTriggerje:ENABLE")));
}

TEST_F(AppWindow, ProgramHeadlessWithoutPasswordExitsWithStatus2)
{
    ASSERT_TRUE(makeDb(kAlias));
    settings(QStringLiteral("TAVO"));
    QDir().mkpath(save);
    QDir().mkpath(log);
    const QString program = QDir(TestEnv::binaryDir()).filePath(QStringLiteral("src/app/mox"));
    ASSERT_TRUE(QFileInfo(program).isExecutable()) << program.toStdString();
    QProcess p;
    QProcessEnvironment pe = QProcessEnvironment::systemEnvironment();
    pe.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(pe);
    p.setWorkingDirectory(env.dir());
    p.start(program, {});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains(QStringLiteral("NEDOVOLJEN DOSTOP")));
    // The dialog text is in the run log as well.
    EXPECT_TRUE(logText().contains(QStringLiteral("NEDOVOLJEN DOSTOP")));
}
