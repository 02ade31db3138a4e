// The mox-dbf program, run as people run it.
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

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
    // Whole values: a beginning is not enough.
    r = tool({"seek", file, "NAME", "--whole", "Nov"});
    EXPECT_EQ(r.code, 1);
    r = tool({"seek", file, "NAME", "--whole", QStringLiteral("Novák")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Novák,,\n"));
}

// The empty DBF of a structure file, beside it, as the structure editors make
// it: POPRAVI and the general mapping for .str, the master/detail mapping
// (dates as D) and no POPRAVI for .mst. A file that describes no transfer is
// refused with its reason.
TEST(MoxDbf, CreateFromAStructureFile)
{
    TestEnv env;
    const QStringList glava{"TABELA=TAVO.KA060AK0", "KLJUC=CODE_060 VARCHAR2", "STRUKTURA"};
    const QStringList kolone{"CODE_060,,VARCHAR2,10,,,,", "CENA_060,U,NUMBER,5,2,,,", "DATUM060,U,DATE,7,,,,"};
    struct Case {
        const char *file;
        QStringList lines;
        const char *dbf;
        const char *fields;
    } cases[] = {
        {"KA060AK0.str", glava + kolone, "KA060AK0.DBF", "\nPOPRAVI C 1 0\nCODE_060 C 10 0\nCENA_060 C 7 0\nDATUM060 C 19 0\n"},
        {"KA061AK0.mst", QStringList{"TABELA=TAVO.KA060AK0", "STRUKTURA"} + kolone, nullptr,
         "\nCODE_060 C 10 0\nCENA_060 C 7 0\nDATUM060 D 8 0\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const QString str = env.path(c.file);
        QFile f(str);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((c.lines.join("\r\n") + "\r\n").toUtf8());
        f.close();
        const QStringList before = QDir(env.dir()).entryList(QDir::Files);
        ToolResult r = tool({"create", str});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        QStringList made = QDir(env.dir()).entryList(QDir::Files);
        for (const QString &b : before)
            made.removeAll(b);
        const QStringList dbfs = made.filter(QRegularExpression("\\.dbf$", QRegularExpression::CaseInsensitiveOption));
        ASSERT_EQ(dbfs.size(), 1) << made.join(' ').toStdString();
        if (c.dbf) {
            EXPECT_EQ(dbfs.first(), c.dbf);
        }
        r = tool({"info", env.path(dbfs.first())});
        EXPECT_TRUE(r.out.contains(c.fields)) << r.out.toStdString();
    }

    const QString bad = env.path("BREZ.str");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("TABELA=TAVO.KA060AK0\r\n");
    f.close();
    const ToolResult r = tool({"create", bad});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("STRUKTURA")) << r.err.toStdString();
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
