// Housekeeping commands against an embedded database: the trigger switch of
// the general refresh inside and outside replication mode, and the large
// rollback segment switched from the menu of the main window.
#include "app_db.h"
#include "automation/housekeeping.h"
#include "support/recordingui.h"
#include "log/runlog.h"
#include "base/moxerror.h"
#include "run/context.h"
#include "base/text.h"
#include "window/tfmmox.h"

#include <QAction>

using namespace apptest;

namespace {

const QString kAlias = QStringLiteral("MOXHK");

class Housekeeping : public ::testing::Test {
protected:
    TestEnv env;
    RecordingUi ui;

    void SetUp() override { ASSERT_TRUE(makeDb(kAlias)); }

    static void logon(TMoxContext &ctx, const QString &user)
    {
        ctx.osOracle.LogonUsername = user;
        ctx.osOracle.LogonPassword = user;
        ctx.osOracle.LogonDatabase = kAlias;
        ctx.osOracle.setConnected(true);
        ctx.currUser = user;
    }
    // Inserts an activity with an old change time and returns the change
    // time the row holds afterwards (the row trigger sets it to now).
    static QString insertWithOldTime(TMoxContext &ctx, int sifra)
    {
        TOracleQuery st(&ctx.osOracle);
        st.SQL << QStringLiteral("insert into TAVO.KA060AK0 (SIFRA060, CODE_060, DATUMIPL) "
                                 "values (:s, 'A', to_date('01.01.2000','DD.MM.YYYY'))");
        st.DeclareVariable(QStringLiteral("s"), otInteger);
        st.SetVariable(QStringLiteral("s"), sifra);
        st.Execute();
        ctx.osOracle.Commit();
        TOracleDataSet q(&ctx.osOracle);
        q.SQL << QStringLiteral("select to_char(DATUMIPL,'YYYY') y from TAVO.KA060AK0 where SIFRA060=:s");
        q.DeclareVariable(QStringLiteral("s"), otInteger);
        q.SetVariable(QStringLiteral("s"), sifra);
        q.Open();
        return q.FieldByName(QStringLiteral("y")).AsString();
    }
};

} // namespace

TEST_F(Housekeeping, TriggerSwitchOnlyInReplicationMode)
{
    TMoxContext ctx;
    ctx.ui = &ui;
    logon(ctx, QStringLiteral("TAVO"));
    const QString thisYear = QString::number(QDate::currentDate().year());

    // Outside replication mode nothing is switched: the trigger stamps the row.
    preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("DISABLE"));
    EXPECT_EQ(insertWithOldTime(ctx, 1), thisYear);

    // Replication by the setting, or by the script command.
    for (int mode = 0; mode < 2; ++mode) {
        ctx.currReplikacija = mode == 0;
        ctx.p_replikacija = mode == 1;
        preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("DISABLE"));
        EXPECT_EQ(insertWithOldTime(ctx, 10 + mode), QStringLiteral("2000")) << mode;
        preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("ENABLE"));
        EXPECT_EQ(insertWithOldTime(ctx, 20 + mode), thisYear) << mode;
    }

    // A table without triggers: nothing to switch, no message.
    preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA000HED"), QStringLiteral("DISABLE"));
    // Names are bound, never pasted into the statement.
    preklopiTriggerje(ctx, QStringLiteral("TAVO' or '1'='1"), QStringLiteral("KA060AK0"), QStringLiteral("DISABLE"));
    EXPECT_EQ(insertWithOldTime(ctx, 30), thisYear);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(u'|').toStdString();
}

// A refresh killed between switching the triggers off and on leaves them
// recorded in the run history; the next refresh of the table, in any mode,
// switches them on, deletes the record and says so in the run log.
TEST_F(Housekeeping, TriggersLeftOffByAKilledRefreshAreSwitchedOnByTheNext)
{
    TMoxContext ctx;
    ctx.ui = &ui;
    ctx.currDirLog = env.dir() + QStringLiteral("/");
    logon(ctx, QStringLiteral("TAVO"));
    ctx.p_moxShrani = true;
    auto zapisi = [&ctx] {
        TOracleDataSet q(&ctx.osOracle);
        q.SQL << QStringLiteral("select vrstamox from orna_util.orna_mox where napakemox='T'");
        q.Open();
        QStringList out;
        for (; !q.Eof(); q.Next())
            out << q.FieldByName(QStringLiteral("vrstamox")).AsString();
        return out;
    };

    ctx.currReplikacija = true;
    preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("DISABLE"));
    EXPECT_EQ(zapisi(), QStringList{QStringLiteral("IZKLOPLJENI TRIGGERJI TAVO.KA060AK0")});
    // ... the process dies here; the next refresh runs in normal mode.
    ctx.currReplikacija = false;
    preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("DISABLE"));
    EXPECT_EQ(insertWithOldTime(ctx, 1), QString::number(QDate::currentDate().year()));
    EXPECT_TRUE(zapisi().isEmpty());
    EXPECT_TRUE(moxtext::readTextLines(imeLogDatoteke(ctx)).join(u'\n').contains(
        QStringLiteral("TRIGGERJI: TAVO.KA060AK0 so bili izklopljeni")));

    // A refresh that ends normally leaves no record; start-up finds nothing.
    ctx.currReplikacija = true;
    preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("DISABLE"));
    preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("ENABLE"));
    EXPECT_TRUE(zapisi().isEmpty());
    EXPECT_TRUE(vklopiPozabljeneTriggerje(ctx, QStringLiteral("TAVO")).isEmpty());

    // Start-up at the installation switches on every table of its user.
    preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("DISABLE"));
    EXPECT_EQ(vklopiPozabljeneTriggerje(ctx, QStringLiteral("TAVO")), QStringList{QStringLiteral("TAVO.KA060AK0")});
    EXPECT_EQ(insertWithOldTime(ctx, 2), QString::number(QDate::currentDate().year()));
}

TEST_F(Housekeeping, UnreadableTriggerListShowsTheQueryWithTheNames)
{
    TMoxContext ctx; // no session: the trigger list cannot be read
    ctx.ui = &ui;
    ctx.currReplikacija = true;
    try {
        preklopiTriggerje(ctx, QStringLiteral("TAVO"), QStringLiteral("KA060AK0"), QStringLiteral("ENABLE"));
        FAIL() << "an unreadable trigger list must be raised";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral(
            "select trigger_name from dba_triggers where table_owner='TAVO' and table_name='KA060AK0'\r\n")))
            << e.message().toStdString();
    }
}

TEST_F(Housekeeping, GeneralRefreshSwitchesThroughTheDispatchPoint)
{
    TMoxContext ctx;
    ctx.ui = &ui;
    logon(ctx, QStringLiteral("TAVO"));
    ctx.currReplikacija = true;
    ctx.currTabela = QStringLiteral("KA060AK0");
    TDispatch d;
    registerHousekeeping(d);
    ASSERT_TRUE(d.run(ctx, QStringLiteral("preklopiTriggerje:DISABLE")));
    EXPECT_EQ(insertWithOldTime(ctx, 1), QStringLiteral("2000"));
    ASSERT_TRUE(d.run(ctx, QStringLiteral("preklopiTriggerje:ENABLE")));
    EXPECT_EQ(insertWithOldTime(ctx, 2), QString::number(QDate::currentDate().year()));
}

TEST_F(Housekeeping, LargeRollbackSegmentFromTheMenu)
{
    TfmMOX w({});
    w.context().ui = &ui;
    logon(w.context(), QStringLiteral("ORNA_UTIL"));
    QAction *mark = w.screens()->mmActivateLargeRB();
    ASSERT_NE(mark, nullptr);
    EXPECT_FALSE(mark->isChecked()); // unchecked at every start

    mark->trigger();
    EXPECT_TRUE(mark->isChecked());
    mark->trigger();
    EXPECT_FALSE(mark->isChecked());
    EXPECT_EQ(ui.messages, (QStringList{QStringLiteral("LARGE RB is ONLINE"), QStringLiteral("LARGE RB is OFFLINE")}));

    // Started with arguments: no success message.
    ui.messages.clear();
    w.runState().declRunParam = true;
    mark->trigger();
    EXPECT_TRUE(mark->isChecked());
    EXPECT_TRUE(ui.messages.isEmpty());
    mark->trigger();

    // A failure is shown in every run and leaves the mark.
    w.runState().pAutomatika = true;
    w.context().osOracle.setConnected(false);
    mark->trigger();
    EXPECT_FALSE(mark->isChecked());
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("ERROR ON PUTING LARGE RB ONLINE")});
}
