// The mox-db tool, run as a program: its four command forms, script reading
// and its exit status.
#include "support/testenv.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun moxdb(const QStringList &args)
{
    QProcess p;
    p.start(TestEnv::binaryDir() + QStringLiteral("/tools/mox-db/mox-db"), args);
    p.waitForFinished(60000);
    ToolRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void writeFile(const QString &path, const QByteArray &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(MoxDb, CommandForms)
{
    TestEnv env;
    EXPECT_EQ(moxdb({"create", "DEMO"}).code, 0);
    EXPECT_EQ(moxdb({"user", "DEMO", "TAVO", "secret"}).code, 0);
    writeFile(env.path("s.sql"), "-- a comment line\r\n"
                                 "create table T (\r\n  N NUMBER(10),\r\n  S VARCHAR2(20),\r\n  D DATE\r\n);\r\n"
                                 "create or replace trigger BT before insert on T for each row\r\n"
                                 "begin\r\n  :new.S := upper(:new.S);\r\nend;\r\n/\r\n"
                                 "insert into T values (1, 'a,b', to_date('02.03.2024','DD.MM.YYYY'));\r\n"
                                 "insert into T values (2, 'say \"x\"', null);\r\n"
                                 "begin\r\n  null;\r\nend;\r\n/\r\n");
    ToolRun r = moxdb({"sql", "DEMO", "tavo", "secret", env.path("s.sql")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = moxdb({"query", "DEMO", "TAVO", "secret", "select n, s, d from t order by n"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("N,S,D\n1,\"A,B\",02.03.2024 00:00:00\n2,\"SAY \"\"X\"\"\",\n"));
}

TEST(MoxDb, FailuresExitNonZeroWithAMessage)
{
    TestEnv env;
    ASSERT_EQ(moxdb({"create", "DEMO"}).code, 0);
    ASSERT_EQ(moxdb({"user", "DEMO", "TAVO", "t"}).code, 0);

    ToolRun r = moxdb({"create", "DEMO"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("already exists"))) << r.err.toStdString();

    r = moxdb({"user", "DEMO", "TAVO", "t"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("ORA-01920"))) << r.err.toStdString();

    r = moxdb({"query", "DEMO", "TAVO", "wrong", "select 1 from dual"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("ORA-01017"))) << r.err.toStdString();

    r = moxdb({"query", "NODB", "TAVO", "t", "select 1 from dual"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("NODB"))) << r.err.toStdString();

    r = moxdb({"query", "DEMO"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QLatin1String("usage"))) << r.err.toStdString();

    // a script stops at its first error, names the line, and commits nothing
    writeFile(env.path("bad.sql"), "create table T (N NUMBER);\n"
                                   "insert into T values (1);\n"
                                   "\n"
                                   "insert into NOSUCH values (2);\n"
                                   "insert into T values (3);\n");
    r = moxdb({"sql", "DEMO", "TAVO", "t", env.path("bad.sql")});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("line 4"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QLatin1String("ORA-00942"))) << r.err.toStdString();
    r = moxdb({"query", "DEMO", "TAVO", "t", "select count(*) n from t"});
    EXPECT_EQ(r.out, QStringLiteral("N\n0\n"));

    writeFile(env.path("open.sql"), "begin\n  null;\nend;\n");
    r = moxdb({"sql", "DEMO", "TAVO", "t", env.path("open.sql")});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(QLatin1String("line 1"))) << r.err.toStdString();
}

TEST(MoxDb, TwoProcessesOnOneDatabase)
{
    TestEnv env;
    ASSERT_EQ(moxdb({"create", "DEMO"}).code, 0);
    ASSERT_EQ(moxdb({"user", "DEMO", "TAVO", "t"}).code, 0);
    writeFile(env.path("t.sql"), "create table T (P VARCHAR2(1), N NUMBER);\n");
    ASSERT_EQ(moxdb({"sql", "DEMO", "TAVO", "t", env.path("t.sql")}).code, 0);
    QByteArray a, b;
    for (int i = 0; i < 300; ++i) {
        a += QByteArray("insert into T values ('a', getSequence('T'));\ncommit;\n");
        b += QByteArray("insert into T values ('b', getSequence('T'));\ncommit;\n");
    }
    writeFile(env.path("a.sql"), a);
    writeFile(env.path("b.sql"), b);
    QProcess pa, pb;
    const QString tool = TestEnv::binaryDir() + QStringLiteral("/tools/mox-db/mox-db");
    pa.start(tool, {"sql", "DEMO", "TAVO", "t", env.path("a.sql")});
    pb.start(tool, {"sql", "DEMO", "TAVO", "t", env.path("b.sql")});
    ASSERT_TRUE(pa.waitForFinished(120000));
    ASSERT_TRUE(pb.waitForFinished(120000));
    EXPECT_EQ(pa.exitCode(), 0) << pa.readAllStandardError().toStdString();
    EXPECT_EQ(pb.exitCode(), 0) << pb.readAllStandardError().toStdString();
    const ToolRun r = moxdb({"query", "DEMO", "TAVO", "t", "select p, count(*), count(distinct n) from t group by p order by p"});
    EXPECT_EQ(r.out, QStringLiteral("P,COUNT(*),COUNT(DISTINCTN)\na,300,300\nb,300,300\n")) << r.err.toStdString();
    const ToolRun keys = moxdb({"query", "DEMO", "TAVO", "t", "select count(distinct n), max(n) from t"});
    EXPECT_EQ(keys.out, QStringLiteral("COUNT(DISTINCTN),MAX(N)\n600,600\n")) << "getSequence never hands out a number twice";
}

} // namespace
