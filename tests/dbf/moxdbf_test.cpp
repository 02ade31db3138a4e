// The mox-dbf program, run as people run it.
#include "support/testenv.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct ToolResult {
    int code = -1;
    QString out, err;
};

ToolResult tool(const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
    p.start(QStringLiteral(MOX_DBF_TOOL), args);
    p.write(input);
    p.closeWriteChannel();
    ToolResult r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(MoxDbf, CreateAppendDumpInfoSeek)
{
    TestEnv env;
    const QString file = env.path("T.DBF");
    ToolResult r = tool({"create", file, "NAME C 10, NOTE M, DAY D"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    const QByteArray csv = "note,NAME,day\n"
                           "\"dve\r\nvrstici, in \"\"narekovaj\"\"\",Čapek,05.11.2024\n"
                           ",Novák,\n"
                           "x,Žužek-predolgo,\n";
    r = tool({"append", file}, csv);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    r = tool({"dump", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("NAME,NOTE,DAY\n"
                                    "Čapek,\"dve\r\nvrstici, in \"\"narekovaj\"\"\",05.11.2024\n"
                                    "Novák,,\n"
                                    "Žužek-pred,x,\n"));

    r = tool({"info", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("0xf5")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("0xc8")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Zapisov: 3"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\nNAME C 10 0\nNOTE M 10 0\nDAY D 8 0\n"))) << r.out.toStdString();

    r = tool({"seek", file, "NAME", "Nov"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Novák,,\n"));
    EXPECT_TRUE(QFile::exists(env.path("T.CDX")));
    r = tool({"seek", file, "NAME", "Q"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(MoxDbf, DeletedRecordsAreLeftOutOfDump)
{
    TestEnv env;
    const QString file = env.path("D.DBF");
    ASSERT_EQ(tool({"create", file, "A C 3"}).code, 0);
    ASSERT_EQ(tool({"append", file}, "A\n1\n2\n3\n").code, 0);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 first = 32 + 32 + 1;
    f.seek(first + 4); // record 2 (record length 4)
    f.write("*");
    f.close();
    const ToolResult r = tool({"dump", file});
    EXPECT_EQ(r.out, QStringLiteral("A\n1\n3\n"));
}

TEST(MoxDbf, FailuresNameTheFileAndExitNonZero)
{
    TestEnv env;
    struct Case {
        QStringList args;
        QByteArray input;
        QString inMessage;
    } cases[] = {
        {{"dump", env.path("NONE.DBF")}, {}, "NONE.DBF"},
        {{"info", env.path("NONE")}, {}, "NONE.DBF"},
        {{"create", env.path("B.DBF"), "1A C 3"}, {}, "B.DBF"},
        {{"create", env.path("B.DBF"), "A Q 3"}, {}, "B.DBF"},
        {{"create", env.path("B.DBF"), "A C"}, {}, "B.DBF"},
        {{"append", env.path("NONE.DBF")}, "A\n1\n", "NONE.DBF"},
    };
    for (const Case &c : cases) {
        const ToolResult r = tool(c.args, c.input);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.inMessage)) << r.err.toStdString();
    }
    ASSERT_EQ(tool({"create", env.path("G.DBF"), "A C 3"}).code, 0);
    ToolResult r = tool({"append", env.path("G.DBF")}, "B\n1\n");
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("G.DBF") && r.err.contains("B")) << r.err.toStdString();
    r = tool({"append", env.path("G.DBF")}, "A\n\"open\n");
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("G.DBF")) << r.err.toStdString();
    r = tool({"bogus"});
    EXPECT_EQ(r.code, 2);
}
