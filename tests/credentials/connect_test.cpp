// The connection dialog: its fields, the automatic logon, the connect action
// with its one failure message, the settings write and the run-history probe.
#include "credentials/kript.h"
#include "credentials/gui/tfmconnect.h"
#include "support/recordingui.h"
#include "run/context.h"
#include "platform/profile.h"
#include "base/text.h"
#include "window/app_db.h" // embedded databases for window tests

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

using namespace apptest;

namespace {

const QString kAlias = QStringLiteral("MOXCON");

class Connect : public ::testing::Test {
protected:
    TestEnv env;
    RecordingUi ui;
    TMoxContext ctx;

    void SetUp() override
    {
        ASSERT_TRUE(makeDb(kAlias));
        ctx.ui = &ui;
    }
    // Runs a statement file in the database as a user.
    void sql(const QString &user, const QString &password, const QString &text)
    {
        const QString file = env.path(QStringLiteral("stmt.sql"));
        moxtext::writeTextLines(file, {text});
        QString err;
        ASSERT_EQ(runDbTool({QStringLiteral("sql"), kAlias, user, password, file}, &err), 0) << err.toStdString();
    }
};

} // namespace

TEST_F(Connect, FieldsOnShowing)
{
    ctx.currUser = QStringLiteral("tavo");
    ctx.currPassword = QStringLiteral("tajno");
    ctx.currServer = kAlias.toLower();
    TfmConnectOn dlg(ctx);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Connect"));
    EXPECT_FALSE(dlg.cbShraniNastavitev()->isChecked());
    EXPECT_TRUE(dlg.btConnect()->isDefault());
    EXPECT_EQ(dlg.tiAuto()->interval(), 500);
    EXPECT_FALSE(dlg.tiAuto()->isActive());

    dlg.formActivate();
    EXPECT_EQ(dlg.edUser()->text(), QStringLiteral("TAVO"));      // shown upper-cased
    EXPECT_EQ(dlg.edPassword()->text(), QStringLiteral("TAJNO"));
    EXPECT_EQ(dlg.edPassword()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg.cbDatabases()->currentText(), kAlias);           // found without regard to case
    EXPECT_FALSE(dlg.tiAuto()->isActive());                        // p_autoConnect is off

    // An alias the client does not list cannot be chosen.
    ctx.currServer = QStringLiteral("NOSUCHDB");
    dlg.formActivate();
    EXPECT_EQ(dlg.cbDatabases()->currentIndex(), -1);
    EXPECT_EQ(dlg.cbDatabases()->currentText(), QString());
}

TEST_F(Connect, AutomaticLogonNeedsAPassword)
{
    ctx.currUser = QStringLiteral("TAVO");
    ctx.currServer = kAlias;
    ctx.p_autoConnect = true;
    {
        TfmConnectOn dlg(ctx);
        dlg.formActivate();
        EXPECT_FALSE(dlg.tiAuto()->isActive()); // no password: waits for the user
    }
    ctx.currPassword = QStringLiteral("TAVO");
    TfmConnectOn dlg(ctx);
    dlg.formActivate();
    EXPECT_TRUE(dlg.tiAuto()->isActive());
    ASSERT_TRUE(waitFor([&] { return ctx.osOracle.Connected(); }, 3000));
    EXPECT_FALSE(dlg.tiAuto()->isActive());
    EXPECT_TRUE(dlg.lConnect);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(Connect, ConnectActionSuccessAndFailure)
{
    TfmConnectOn dlg(ctx);
    dlg.formActivate();
    dlg.nastaviPolja(QStringLiteral("TAVO"), QStringLiteral("WRONG"), kAlias);
    dlg.btConnectClick();
    EXPECT_FALSE(dlg.lConnect);
    EXPECT_FALSE(ctx.osOracle.Connected());
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("NEDOVOLJEN DOSTOP")});
    EXPECT_EQ(ctx.currUser, QString()); // nothing copied
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    // An empty alias is tried as it is, and fails the same way.
    dlg.nastaviPolja(QStringLiteral("TAVO"), QStringLiteral("TAVO"), QStringLiteral("NOSUCHDB"));
    dlg.btConnectClick();
    EXPECT_FALSE(dlg.lConnect);
    EXPECT_EQ(ui.messages.size(), 2);

    dlg.nastaviPolja(QStringLiteral("tavo"), QStringLiteral("tavo"), kAlias);
    dlg.btConnectClick();
    EXPECT_TRUE(dlg.lConnect);
    EXPECT_TRUE(ctx.osOracle.Connected());
    EXPECT_EQ(ctx.currUser, QStringLiteral("TAVO"));
    EXPECT_EQ(ctx.currPassword, QStringLiteral("TAVO"));
    EXPECT_EQ(ctx.currServer, kAlias);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_FALSE(QFile::exists(env.iniPath())); // "Shrani nastavitev" unchecked
}

TEST_F(Connect, SaveSettingsKeepsTheStoredPassword)
{
    TKript::shraniGeslo(kAlias, QStringLiteral("TAVO"), QString(), QStringLiteral("OLD"));
    TfmConnectOn dlg(ctx);
    dlg.formActivate();
    dlg.nastaviPolja(QStringLiteral("TAVO"), QStringLiteral("TAVO"), kAlias);
    dlg.cbShraniNastavitev()->setChecked(true);
    ctx.currSaveDir = QStringLiteral("/s/");
    dlg.btConnectClick();
    ASSERT_TRUE(dlg.lConnect);
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_USER"), QString()), QStringLiteral("TAVO"));
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_SERVER"), QString()), kAlias);
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_PASSWORD"), QString()), QStringLiteral("xxxxx"));
    EXPECT_EQ(TKript::vzemiGeslo(kAlias, QStringLiteral("TAVO")), QStringLiteral("OLD"));
}

TEST_F(Connect, RunHistoryProbe)
{
    {
        TfmConnectOn dlg(ctx);
        dlg.nastaviPolja(QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"), kAlias);
        dlg.btConnectClick();
        ASSERT_TRUE(dlg.lConnect);
        EXPECT_TRUE(ctx.p_moxShrani);
    }
    // Without the table the logon still succeeds; no history can be written.
    sql(QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"), QStringLiteral("drop table ORNA_MOX;"));
    TfmConnectOn dlg(ctx);
    dlg.nastaviPolja(QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"), kAlias);
    dlg.btConnectClick();
    ASSERT_TRUE(dlg.lConnect);
    EXPECT_FALSE(ctx.p_moxShrani);
}

TEST_F(Connect, ExitLeavesTheSessionClosed)
{
    TfmConnectOn dlg(ctx);
    dlg.formActivate();
    dlg.btExitClick();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(ctx.osOracle.Connected());
}

TEST_F(Connect, HeadlessRunsTheConnectActionOnce)
{
    ctx.currUser = QStringLiteral("TAVO");
    ctx.currServer = kAlias;
    TfmConnectOn dlg(ctx);
    dlg.izvedi(); // no password
    EXPECT_FALSE(ctx.osOracle.Connected());
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("NEDOVOLJEN DOSTOP")});
    ctx.currPassword = QStringLiteral("TAVO");
    TfmConnectOn dlg2(ctx);
    dlg2.izvedi();
    EXPECT_TRUE(ctx.osOracle.Connected());
}
