#pragma once
// A test fixture of one embedded database that serves two installations
// (TAVO_A exports, TAVO_B receives) beside the plain TAVO schema, run as a
// script runs: no screen, no dialogs. streze() logs on as the installation
// served now.
#include "automation/autotest.h"
#include "oracle/oracle_test_support.h"

#include "oracle/oracle.h"
#include "run/context.h"
#include "base/paths.h"

#include <QDir>
#include <QStringList>

class TDveInstalaciji : public ::testing::Test {
protected:
    explicit TDveInstalaciji(const char *alias) : m_alias(QString::fromLatin1(alias)) {}

    void SetUp() override
    {
        ASSERT_TRUE(autotest::makeDb(m_alias, true));
        QDir().mkpath(env.path(QStringLiteral("save")));
        QDir().mkpath(env.path(QStringLiteral("log")));
        ctx.currSaveDir = moxpath::withTrailingSeparator(env.path(QStringLiteral("save")));
        ctx.currDirLog = moxpath::withTrailingSeparator(env.path(QStringLiteral("log")));
        ctx.currMoreInstall = true;
        ctx.pAutomatika = true;
        ctx.p_autoPrepare = true;
        ctx.ui = &ui;
    }
    void TearDown() override
    {
        if (ctx.osOracle.Connected())
            ctx.osOracle.setConnected(false);
    }
    void streze(const QString &user)
    {
        if (ctx.osOracle.Connected())
            ctx.osOracle.setConnected(false);
        ctx.osOracle.LogonUsername = user;
        ctx.osOracle.LogonPassword = user;
        ctx.osOracle.LogonDatabase = m_alias;
        ctx.osOracle.setConnected(true);
        ctx.currUser = user;
        ctx.currUserAsTavo = user;
        ctx.currUserAsFaktur = QString(user).replace(QStringLiteral("TAVO"), QStringLiteral("FAKTUR"));
        ctx.p_moxShrani = true;
    }
    void exec(const QStringList &statements)
    {
        TOracleQuery q(&ctx.osOracle);
        for (const QString &s : statements) {
            q.Clear();
            q.SQL << s;
            q.Execute();
        }
        ctx.osOracle.Commit();
    }
    QString rows(const QString &query) { return oratest::rows(ctx.osOracle, query).join(u','); }

    QString m_alias;
    TestEnv env;
    TConsoleInteraction ui;
    TMoxContext ctx;
};
