#pragma once
// Helpers of the automation tests: embedded databases made with the fixture
// script and the database tool of this build, and runs of the real program.
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace autotest {

inline QString dbTool() { return QDir(TestEnv::binaryDir()).filePath(QStringLiteral("tools/mox-db/mox-db")); }
inline QString dbfTool() { return QDir(TestEnv::binaryDir()).filePath(QStringLiteral("tools/mox-dbf/mox-dbf")); }
inline QString moxProgram() { return QDir(TestEnv::binaryDir()).filePath(QStringLiteral("src/app/mox")); }

// Runs a program to its end; gives its exit code (-1 when it crashed or did
// not end in time) and its standard error.
struct Izid {
    int status = -1;
    QString out, err;
};

inline Izid run(const QString &program, const QStringList &args, const QString &workDir = QString(),
                int timeoutMs = 120000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("MOX_DB_TOOL"), dbTool());
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    Izid r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    if (p.exitStatus() == QProcess::NormalExit)
        r.status = p.exitCode();
    return r;
}

// The served schema's database under MOX_DB_ROOT.
inline ::testing::AssertionResult makeDb(const QString &alias, bool multi = false)
{
    if (!QFileInfo(dbTool()).isExecutable())
        return ::testing::AssertionFailure() << "mox-db not built: " << dbTool().toStdString();
    QStringList args{QDir(TestEnv::sourceDir()).filePath(QStringLiteral("fixtures/make-db.sh")), alias};
    if (multi)
        args << QStringLiteral("--multi");
    const Izid r = run(QStringLiteral("sh"), args);
    if (r.status != 0)
        return ::testing::AssertionFailure() << "make-db.sh failed: " << r.err.toStdString();
    return ::testing::AssertionSuccess();
}

// Runs SQL statements (";"-terminated) as the user.
inline ::testing::AssertionResult sql(const QString &alias, const QString &user, const QString &password,
                                      const QString &statements)
{
    QTemporaryFile f;
    if (!f.open())
        return ::testing::AssertionFailure() << "no temporary file";
    f.write(statements.toUtf8());
    f.close();
    const Izid r = run(dbTool(), {QStringLiteral("sql"), alias, user, password, f.fileName()});
    if (r.status != 0)
        return ::testing::AssertionFailure() << "mox-db sql failed: " << r.err.toStdString();
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult user(const QString &alias, const QString &name, const QString &password)
{
    const Izid r = run(dbTool(), {QStringLiteral("user"), alias, name, password});
    if (r.status != 0)
        return ::testing::AssertionFailure() << "mox-db user failed: " << r.err.toStdString();
    return ::testing::AssertionSuccess();
}

// The rows of a query as the tool prints them, without the heading line.
inline QStringList query(const QString &alias, const QString &user, const QString &password, const QString &select)
{
    const Izid r = run(dbTool(), {QStringLiteral("query"), alias, user, password, select});
    QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    for (QString &l : lines)
        l = l.trimmed();
    if (!lines.isEmpty())
        lines.removeFirst();
    return lines;
}

// A text file of CR LF lines.
inline void writeScript(const QString &path, const QStringList &lines)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QString &l : lines)
        f.write(l.toLocal8Bit() + "\r\n");
}

inline QString readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(f.readAll());
}

} // namespace autotest
