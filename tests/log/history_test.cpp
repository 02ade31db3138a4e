// The run history in orna_util.orna_mox: rows written by shranivORNAMOX and
// read back by naloziZadnjeOsvezitve, against an embedded database.
#include "log/history.h"
#include "oracle/oracle_test_support.h"
#include "support/recordingui.h"
#include "log/timing.h"
#include "window/app_db.h" // embedded databases for tests
#include "run/context.h"
#include "base/text.h"

using namespace apptest;

namespace {

const QString kAlias = QStringLiteral("MOXHIST");

class History : public ::testing::Test {
protected:
    TestEnv env;
    RecordingUi ui;
    TMoxContext ctx;

    void SetUp() override
    {
        ASSERT_TRUE(makeDb(kAlias));
        ctx.ui = &ui;
        ctx.osOracle.LogonUsername = QStringLiteral("ORNA_UTIL");
        ctx.osOracle.LogonPassword = QStringLiteral("ORNA_UTIL");
        ctx.osOracle.LogonDatabase = kAlias;
        ctx.osOracle.setConnected(true);
        ctx.currUser = QStringLiteral("TAVO");
        ctx.p_moxShrani = true;
    }
    // The rows of the table, one text per row.
    QStringList rows()
    {
        return oratest::rows(ctx.osOracle,
                             QStringLiteral("select to_char(datummox,'DD.MM.YYYY HH24:MI:SS') d, user_mox, vrstamox, "
                                            "napakemox, izvajamox from orna_util.orna_mox order by vrstamox, napakemox"));
    }
    void insert(const QString &datum, const QString &vrsta, const QString &napaka)
    {
        TOracleQuery st(&ctx.osOracle);
        st.SQL << QStringLiteral("insert into orna_util.orna_mox (datummox,user_mox,vrstamox,napakemox,izvajamox) "
                                 "values (to_date(:d,'DD.MM.YYYY HH24:MI'),'X',:v,:n,0)");
        st.DeclareVariable(QStringLiteral("d"), otString);
        st.DeclareVariable(QStringLiteral("v"), otString);
        st.DeclareVariable(QStringLiteral("n"), otString);
        st.SetVariable(QStringLiteral("d"), datum);
        st.SetVariable(QStringLiteral("v"), vrsta);
        st.SetVariable(QStringLiteral("n"), napaka);
        st.Execute();
        ctx.osOracle.Commit();
    }
};

} // namespace

TEST_F(History, RowsCarryKindErrorsUserAndRunningTime)
{
    ctx.p_startniCas = QDateTime::currentDateTime().addSecs(-75);
    shranivORNAMOX(ctx, QStringLiteral("SKS"), QStringLiteral("N"));
    shranivORNAMOX(ctx, QStringLiteral("KA060AK0"), QStringLiteral("D"));
    const QStringList r = rows();
    ASSERT_EQ(r.size(), 2);
    for (const QString &row : r) {
        const QStringList f = row.split(u'|');
        EXPECT_TRUE(f.at(0).endsWith(QStringLiteral(":00"))) << row.toStdString(); // to the minute
        EXPECT_EQ(f.at(1), QStringLiteral("TAVO"));
        const int secs = f.at(4).toInt();
        EXPECT_GE(secs, 75);
        EXPECT_LE(secs, 80);
    }
    EXPECT_EQ(r.at(0).section(u'|', 2, 3), QStringLiteral("KA060AK0|D"));
    EXPECT_EQ(r.at(1).section(u'|', 2, 3), QStringLiteral("SKS|N"));
}

TEST_F(History, NothingIsWrittenOrLoadedWithoutTheTable)
{
    ctx.p_moxShrani = false;
    shranivORNAMOX(ctx, QStringLiteral("SKS"), QStringLiteral("N"));
    EXPECT_TRUE(rows().isEmpty());
    insert(QStringLiteral("01.02.2024 10:00"), QStringLiteral("SKS"), QStringLiteral("N"));
    naloziZadnjeOsvezitve(ctx);
    EXPECT_TRUE(ctx.p_aRefrZadnji.isEmpty());
    EXPECT_EQ(najdizadnjiRefresh(ctx, QStringLiteral("SKS")), QStringLiteral("1.1.1900"));
}

TEST_F(History, LastSuccessfulRefreshPerKind)
{
    insert(QStringLiteral("01.02.2024 10:00"), QStringLiteral("SKS"), QStringLiteral("N"));
    insert(QStringLiteral("03.02.2024 09:15"), QStringLiteral("SKS"), QStringLiteral("N"));
    insert(QStringLiteral("04.02.2024 08:00"), QStringLiteral("SKS"), QStringLiteral("D")); // with errors: ignored
    insert(QStringLiteral("05.02.2024 11:30"), QStringLiteral("OBR"), QStringLiteral("D")); // only errors
    insert(QStringLiteral("06.02.2024 12:00"), QStringLiteral("KA060AK0"), QStringLiteral("N"));
    insert(QStringLiteral("06.02.2024 12:00"), QStringLiteral("KA060AK0"), QStringLiteral("N")); // same minute twice
    naloziZadnjeOsvezitve(ctx);
    EXPECT_EQ(ctx.p_aRefrZadnji.size(), 3);
    EXPECT_EQ(najdizadnjiRefresh(ctx, QStringLiteral("SKS")), QStringLiteral("03.02.2024 09:15"));
    EXPECT_EQ(najdizadnjiRefresh(ctx, QStringLiteral("KA060AK0")), QStringLiteral("06.02.2024 12:00"));
    EXPECT_EQ(najdizadnjiRefresh(ctx, QStringLiteral("OBR")), QStringLiteral("1.1.1900"));

    // A second load appends after the first entries; the first still decide.
    insert(QStringLiteral("07.02.2024 07:00"), QStringLiteral("SKS"), QStringLiteral("N"));
    naloziZadnjeOsvezitve(ctx);
    EXPECT_EQ(ctx.p_aRefrZadnji.size(), 6);
    EXPECT_EQ(najdizadnjiRefresh(ctx, QStringLiteral("SKS")), QStringLiteral("03.02.2024 09:15"));
}
