#pragma once
// Embedded databases for the window tests, made with the fixture script
// under the TestEnv's database root, and small helpers to wait for the event
// loop.
#include "support/testenv.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

namespace apptest {

// The database tool of this build.
inline QString moxDbTool()
{
    return QDir(TestEnv::binaryDir()).filePath(QStringLiteral("tools/mox-db/mox-db"));
}

// Runs the database tool; returns its exit status (stderr in err).
inline int runDbTool(const QStringList &args, QString *err = nullptr)
{
    QProcess p;
    p.start(moxDbTool(), args);
    p.waitForFinished(60000);
    if (err)
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Makes the served schema's database under MOX_DB_ROOT; false with a
// message when the tool is missing or fails.
inline ::testing::AssertionResult makeDb(const QString &alias, bool multi = false)
{
    if (!QFileInfo(moxDbTool()).isExecutable())
        return ::testing::AssertionFailure() << "mox-db not built: " << moxDbTool().toStdString();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MOX_DB_TOOL"), moxDbTool());
    p.setProcessEnvironment(env);
    QStringList args{QDir(TestEnv::sourceDir()).filePath(QStringLiteral("fixtures/make-db.sh")), alias};
    if (multi)
        args << QStringLiteral("--multi");
    p.start(QStringLiteral("sh"), args);
    p.waitForFinished(120000);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return ::testing::AssertionFailure() << "make-db.sh failed: " << p.readAllStandardError().toStdString();
    return ::testing::AssertionSuccess();
}

// Processes events until pred holds or ms pass; returns pred's last value.
template <class P> bool waitFor(P pred, int ms = 5000)
{
    QDeadlineTimer t(ms);
    while (!pred()) {
        if (t.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace apptest
