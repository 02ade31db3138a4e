// Against a real Oracle database, only when MOX_ORACLE_TEST names a logon
// ("user/password@alias"); skipped otherwise. Works in a scratch table of
// its own, MOX_OCI_PROBE, which it creates and drops.
#include "oracle/engine.h"
#include "oracle/oracle.h"

#include <gtest/gtest.h>

namespace {

void run(TOracleSession &s, const QString &sql)
{
    TOracleQuery q(&s);
    q.SQL << sql;
    q.Execute();
}

} // namespace

TEST(OciRealOracle, StatementsOfTheLayer)
{
    const QString logon = qEnvironmentVariable("MOX_ORACLE_TEST");
    if (logon.isEmpty())
        GTEST_SKIP() << "MOX_ORACLE_TEST is not set (user/password@alias of a real Oracle database)";
    const qsizetype slash = logon.indexOf(u'/'), at = logon.lastIndexOf(u'@');
    ASSERT_TRUE(slash > 0 && at > slash) << "MOX_ORACLE_TEST must be user/password@alias";
    TOracleSession s;
    s.LogonUsername = logon.left(slash);
    s.LogonPassword = logon.mid(slash + 1, at - slash - 1);
    s.LogonDatabase = logon.mid(at + 1);
    s.setConnected(true);
    ASSERT_EQ(s.engine()->engineName(), QStringLiteral("client library"));

    run(s, QStringLiteral("begin execute immediate 'drop table MOX_OCI_PROBE'; exception when others then null; end;"));
    run(s, QStringLiteral("create table MOX_OCI_PROBE (ID NUMBER(10), NAZIV VARCHAR2(40), ZNESEK NUMBER(12,2), "
                          "DATUM DATE, XML CLOB)"));
    TOracleQuery ins(&s);
    ins.SQL << QStringLiteral("insert into MOX_OCI_PROBE (ID, NAZIV, ZNESEK, DATUM, XML) values (:id, :naziv, :znesek, :datum, "
                              "empty_clob()) returning XML into :xml");
    ins.DeclareVariable(QStringLiteral("id"), otInteger);
    ins.DeclareVariable(QStringLiteral("naziv"), otString);
    ins.DeclareVariable(QStringLiteral("znesek"), otFloat);
    ins.DeclareVariable(QStringLiteral("datum"), otDate);
    ins.DeclareVariable(QStringLiteral("xml"), otCLOB);
    ins.SetVariable(QStringLiteral("id"), 1);
    ins.SetVariable(QStringLiteral("naziv"), QStringLiteral("Čšž"));
    ins.SetVariable(QStringLiteral("znesek"), -0.25);
    ins.SetVariable(QStringLiteral("datum"), QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30)));
    TLOBLocator lob(&s, otCLOB);
    ins.SetComplexVariable(QStringLiteral("xml"), &lob);
    ins.Execute();
    lob.Write(QString(6000, u'ž'));
    s.Commit();

    TOracleDataSet q(&s);
    q.SQL << QStringLiteral("select ID, NAZIV, ZNESEK, DATUM, XML, to_char(DATUM) T from MOX_OCI_PROBE");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName(QStringLiteral("ID")).AsInteger(), 1);
    EXPECT_EQ(q.FieldByName(QStringLiteral("NAZIV")).AsString(), QStringLiteral("Čšž"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("ZNESEK")).AsString(), QStringLiteral("-0.25"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("DATUM")).AsString(), QStringLiteral("05.03.2024 10:20:30"));
    EXPECT_EQ(q.FieldByName(QStringLiteral("XML")).AsString(), QString(6000, u'ž'));
    EXPECT_EQ(q.FieldByName(QStringLiteral("T")).AsString(), QStringLiteral("05.03.2024"));
    q.Close();

    TOracleDataSet blk(&s);
    blk.SQL << QStringLiteral("begin :n := :a + 1; end;");
    blk.DeclareVariable(QStringLiteral("n"), otInteger);
    blk.DeclareVariable(QStringLiteral("a"), otInteger);
    blk.SetVariable(QStringLiteral("a"), 41);
    blk.Open();
    EXPECT_EQ(blk.GetVariable(QStringLiteral("n")).AsInteger(), 42);
    blk.Close();

    run(s, QStringLiteral("drop table MOX_OCI_PROBE"));
}
