// The client-library engine through the client-library double, and the
// double's own OCI behaviour as a client sees it through the raw calls:
// handles, fetch arrays ending in OCI_NO_DATA, indicators and return codes,
// iteration counts, error records, LOB locators bound to their transaction
// and the commit of a normal logoff.
#include "oracle_test_support.h"

#include "oracle/engine.h"
#include "oracle/oci/ocidata.h"
#include "oracle/oci/ociloader.h"

#include <QLibrary>

#include <cstring>

using namespace oratest;
using namespace oci;

namespace {

// Every alias through the client library, and the library is the double.
class OciDouble : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldEngine = qgetenv("MOX_ENGINE");
        m_oldLib = qgetenv("MOX_OCI_LIB");
        qputenv("MOX_ENGINE", "oci");
        qputenv("MOX_OCI_LIB", MOX_OCI_DOUBLE);
        db = std::make_unique<Db>(QStringList{QStringLiteral("TAVO")});
        s = db->logon();
        execAll(*s, QStringLiteral("create table AKT (SIFRA060 NUMBER(10) not null, CODE_060 VARCHAR2(10), "
                                   "TRAJ_060 NUMBER(12,2), DATUMIPL DATE, XML__060 CLOB, "
                                   "constraint PK_AKT primary key (SIFRA060))"));
    }
    void TearDown() override
    {
        s.reset();
        db.reset();
        qputenv("MOX_ENGINE", m_oldEngine);
        qputenv("MOX_OCI_LIB", m_oldLib);
    }
    std::unique_ptr<Db> db;
    std::unique_ptr<TOracleSession> s;

    void insertRows(int n)
    {
        TOracleQuery q(s.get());
        q.SQL << QStringLiteral("insert into akt (sifra060, code_060, traj_060) values (:s, :c, :t)");
        q.DeclareVariable(QStringLiteral("s"), otInteger);
        q.DeclareVariable(QStringLiteral("c"), otString);
        q.DeclareVariable(QStringLiteral("t"), otFloat);
        for (int i = 1; i <= n; ++i) {
            q.SetVariable(QStringLiteral("s"), i);
            q.SetVariable(QStringLiteral("c"), QStringLiteral("K%1").arg(i));
            q.SetVariable(QStringLiteral("t"), i + 0.5);
            q.Execute();
        }
        s->Commit();
    }

private:
    QByteArray m_oldEngine, m_oldLib;
};

quint64 fetchCalls()
{
    using Fn = quint64 (*)();
    static Fn fn = reinterpret_cast<Fn>(QLibrary::resolve(QString::fromUtf8(MOX_OCI_DOUBLE), "mox_oci_double_fetch_calls"));
    return fn ? fn() : 0;
}

// A raw OCI client of the double: environment, error handle and a logged-on
// service context, made the way an ordinary client makes them.
struct RawClient {
    const Api &a = oci::api();
    Handle *env = nullptr, *err = nullptr, *srv = nullptr, *svc = nullptr, *sess = nullptr;

    RawClient(const QString &alias, const QByteArray &user, const QByteArray &password)
    {
        EXPECT_EQ(a.EnvNlsCreate(&env, THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 873, 873), SUCCESS);
        EXPECT_EQ(a.HandleAlloc(env, &err, HTYPE_ERROR, 0, nullptr), SUCCESS);
        EXPECT_EQ(a.HandleAlloc(env, &srv, HTYPE_SERVER, 0, nullptr), SUCCESS);
        const QByteArray link = alias.toUtf8();
        EXPECT_EQ(a.ServerAttach(srv, err, reinterpret_cast<const OraText *>(link.constData()), sb4(link.size()), DEFAULT), SUCCESS);
        EXPECT_EQ(a.HandleAlloc(env, &svc, HTYPE_SVCCTX, 0, nullptr), SUCCESS);
        EXPECT_EQ(a.AttrSet(svc, HTYPE_SVCCTX, srv, 0, ATTR_SERVER, err), SUCCESS);
        EXPECT_EQ(a.HandleAlloc(env, &sess, HTYPE_SESSION, 0, nullptr), SUCCESS);
        QByteArray u = user, p = password;
        EXPECT_EQ(a.AttrSet(sess, HTYPE_SESSION, u.data(), ub4(u.size()), ATTR_USERNAME, err), SUCCESS);
        EXPECT_EQ(a.AttrSet(sess, HTYPE_SESSION, p.data(), ub4(p.size()), ATTR_PASSWORD, err), SUCCESS);
        EXPECT_EQ(a.AttrSet(svc, HTYPE_SVCCTX, sess, 0, ATTR_SESSION, err), SUCCESS);
        EXPECT_EQ(a.SessionBegin(svc, err, sess, CRED_RDBMS, DEFAULT), SUCCESS) << error().toStdString();
    }
    ~RawClient()
    {
        logoff();
        a.HandleFree(env, HTYPE_ENV);
    }
    void logoff()
    {
        if (!sess)
            return;
        a.SessionEnd(svc, err, sess, DEFAULT);
        a.ServerDetach(srv, err, DEFAULT);
        a.HandleFree(sess, HTYPE_SESSION);
        a.HandleFree(svc, HTYPE_SVCCTX);
        a.HandleFree(srv, HTYPE_SERVER);
        a.HandleFree(err, HTYPE_ERROR);
        sess = nullptr;
    }
    QString error() const
    {
        sb4 code = 0;
        OraText buf[3072] = {0};
        if (a.ErrorGet(err, 1, nullptr, &code, buf, sizeof buf, HTYPE_ERROR) != SUCCESS)
            return QString();
        return QString::fromUtf8(reinterpret_cast<const char *>(buf));
    }
    Handle *prepare(const char *sql)
    {
        Handle *st = nullptr;
        EXPECT_EQ(a.StmtPrepare2(svc, &st, err, reinterpret_cast<const OraText *>(sql), ub4(std::strlen(sql)), nullptr,
                                 0, NTV_SYNTAX, DEFAULT),
                  SUCCESS);
        return st;
    }
    sword exec(Handle *st, ub4 iters) { return a.StmtExecute(svc, st, err, iters, 0, nullptr, nullptr, DEFAULT); }
    ub4 fetched(Handle *st)
    {
        ub4 n = 0;
        EXPECT_EQ(a.AttrGet(st, HTYPE_STMT, &n, nullptr, ATTR_ROWS_FETCHED, err), SUCCESS);
        return n;
    }
};

} // namespace

TEST_F(OciDouble, LayerValuesCrossAsTheyDoOnTheEmbeddedEngine)
{
    EXPECT_EQ(s->engine()->engineName(), QStringLiteral("client library"));
    TOracleQuery ins(s.get());
    ins.SQL << QStringLiteral("insert into akt (sifra060, code_060, traj_060, datumipl) values (:s, :c, :t, :d)");
    ins.DeclareVariable(QStringLiteral("s"), otInteger);
    ins.DeclareVariable(QStringLiteral("c"), otString);
    ins.DeclareVariable(QStringLiteral("t"), otFloat);
    ins.DeclareVariable(QStringLiteral("d"), otDate);
    ins.DeclareVariable(QStringLiteral("unused"), otString); // declared, not in the text: not bound
    const struct {
        QVariant s, c, t, d;
    } rowsIn[] = {
        {1, QStringLiteral("Čšž"), -0.25, QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30))},
        {QStringLiteral("2"), QString(), QStringLiteral("12.50"), QStringLiteral("01.12.2023")},
        {qint64(3), QStringLiteral("x"), QVariant(), QVariant()},
    };
    for (const auto &r : rowsIn) {
        ins.SetVariable(QStringLiteral("s"), r.s);
        ins.SetVariable(QStringLiteral("c"), r.c);
        ins.SetVariable(QStringLiteral("t"), r.t);
        ins.SetVariable(QStringLiteral("d"), r.d);
        ins.Execute();
        EXPECT_EQ(ins.RowsProcessed(), 1);
    }
    EXPECT_EQ(rows(*s, QStringLiteral("select sifra060, code_060, traj_060, datumipl from akt order by 1")),
              (QStringList{QStringLiteral("1|Čšž|-0.25|05.03.2024 10:20:30"), QStringLiteral("2||12.5|01.12.2023 00:00:00"),
                           QStringLiteral("3|x||")}));
    // dates as text follow the session's date format set at logon
    EXPECT_EQ(rows(*s, QStringLiteral("select to_char(datumipl) from akt where sifra060 = 1")),
              QStringList{QStringLiteral("05.03.2024")});

    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select traj_060, datumipl from akt where sifra060 = 1");
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("TRAJ_060")).value().typeId(), QMetaType::Double);
    EXPECT_EQ(q.FieldByName(QStringLiteral("DATUMIPL")).value().typeId(), QMetaType::QDateTime);
    q.Close();

    // the same text again with a variable fewer: that placeholder is unbound,
    // not bound to what the earlier execution left behind
    ins.DeleteVariables();
    ins.DeclareVariable(QStringLiteral("s"), otInteger);
    ins.DeclareVariable(QStringLiteral("c"), otString);
    ins.DeclareVariable(QStringLiteral("t"), otFloat);
    ins.SetVariable(QStringLiteral("s"), 4);
    try {
        ins.Execute();
        ADD_FAILURE() << "an undeclared variable was bound";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QLatin1String("ORA-01008"))) << e.what();
    }

    TOracleQuery bad(s.get());
    bad.SQL << QStringLiteral("insert into akt (sifra060) values (:s)");
    bad.DeclareVariable(QStringLiteral("s"), otInteger);
    bad.SetVariable(QStringLiteral("s"), QStringLiteral("abc"));
    try {
        bad.Execute();
        ADD_FAILURE() << "a text that is no number was bound";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QLatin1String("ORA-01722"))) << e.what();
    }
}

TEST_F(OciDouble, QueriesFetchInArrays)
{
    insertRows(250);
    qputenv("MOX_OCI_FETCH_ROWS", "100");
    const quint64 before = fetchCalls();
    const QStringList all = rows(*s, QStringLiteral("select sifra060, code_060 from akt order by sifra060"));
    const quint64 calls = fetchCalls() - before;
    qunsetenv("MOX_OCI_FETCH_ROWS");
    ASSERT_EQ(all.size(), 250);
    EXPECT_EQ(all.first(), QStringLiteral("1|K1"));
    EXPECT_EQ(all.last(), QStringLiteral("250|K250"));
    EXPECT_EQ(calls, 3u); // 100 + 100 + 50 rows, the last call ending in OCI_NO_DATA

    // an empty result and a result closed before its end
    EXPECT_TRUE(rows(*s, QStringLiteral("select 1 from akt where 1 = 0")).isEmpty());
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select sifra060 from akt order by 1");
    q.Open();
    q.Next();
    EXPECT_EQ(q.Field(0).AsInteger(), 2);
    q.Close();
    q.Open();
    EXPECT_EQ(q.Field(0).AsInteger(), 1);
}

TEST_F(OciDouble, ColumnsDescribedFromNullRowsKeepTheirValues)
{
    // the double learns a column's type from its first rows; a date after
    // more NULLs than it looks at still reads whole
    insertRows(130);
    exec(*s, QStringLiteral("update akt set datumipl = to_date('05.03.2024 10:20:30','DD.MM.YYYY HH24:MI:SS') "
                            "where sifra060 = 130"));
    const QStringList all = rows(*s, QStringLiteral("select sifra060, datumipl from akt order by sifra060"));
    ASSERT_EQ(all.size(), 130);
    EXPECT_EQ(all.last(), QStringLiteral("130|05.03.2024 10:20:30"));
}

TEST_F(OciDouble, ReturningIntoAClobLocatorAndBlocks)
{
    TOracleQuery ins(s.get());
    ins.SQL << QStringLiteral("insert into akt (sifra060, xml__060) values (:s, empty_clob()) returning xml__060 into :x");
    ins.DeclareVariable(QStringLiteral("s"), otInteger);
    ins.DeclareVariable(QStringLiteral("x"), otCLOB);
    ins.SetVariable(QStringLiteral("s"), 7);
    TLOBLocator lob(s.get(), otCLOB);
    ins.SetComplexVariable(QStringLiteral("x"), &lob);
    ins.Execute();
    const QString big = QString(5000, u'ž') + QStringLiteral("<konec/>");
    lob.Write(big);
    EXPECT_EQ(lob.Read(), big);
    s->Commit();
    // the locator came from the transaction that has now ended
    try {
        lob.Write(QStringLiteral("later"));
        ADD_FAILURE() << "a locator was written after its transaction";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QLatin1String("ORA-22990"))) << e.what();
    }
    EXPECT_EQ(rows(*s, QStringLiteral("select xml__060 from akt where sifra060 = 7")), QStringList{big});

    TOracleDataSet blk(s.get());
    blk.SQL << QStringLiteral("begin :n := :a + 1; :t := 'x' || :b; end;");
    blk.DeclareVariable(QStringLiteral("n"), otInteger);
    blk.DeclareVariable(QStringLiteral("a"), otInteger);
    blk.DeclareVariable(QStringLiteral("t"), otString);
    blk.DeclareVariable(QStringLiteral("b"), otString);
    blk.SetVariable(QStringLiteral("a"), 41);
    blk.SetVariable(QStringLiteral("b"), QStringLiteral("yz"));
    blk.Open();
    EXPECT_EQ(blk.GetVariable(QStringLiteral("n")).AsInteger(), 42);
    EXPECT_EQ(blk.GetVariable(QStringLiteral("t")).AsString(), QStringLiteral("xyz"));
    blk.Close();
}

TEST_F(OciDouble, DeleteByRowidOfTheQuery)
{
    insertRows(3);
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select a.rowid, a.sifra060 from akt a where sifra060 >= 2 order by sifra060 for update");
    q.Open();
    EXPECT_EQ(q.Field(1).AsInteger(), 2);
    q.Delete();
    EXPECT_EQ(q.Field(1).AsInteger(), 3);
    q.Close();
    EXPECT_EQ(rows(*s, QStringLiteral("select sifra060 from akt order by 1")), (QStringList{QStringLiteral("1"), QStringLiteral("3")}));

    // a ROWID query of another table in between; a row already gone is an error
    exec(*s, QStringLiteral("create table ODD (SIFRA031 NUMBER(10))"));
    exec(*s, QStringLiteral("insert into odd values (5)"));
    s->Commit();
    TOracleDataSet q2(s.get());
    q2.SQL << QStringLiteral("select rowid, sifra060 from akt order by sifra060");
    q2.Open();
    EXPECT_EQ(rows(*s, QStringLiteral("select rowid, sifra031 from odd")).size(), 1);
    q2.Delete();
    EXPECT_EQ(rows(*s, QStringLiteral("select sifra060 from akt order by 1")), QStringList{QStringLiteral("3")});
    try {
        s->engine()->deleteRow(q2.Field(0).AsString());
        s->engine()->deleteRow(q2.Field(0).AsString());
        ADD_FAILURE() << "deleting a row that is gone succeeded";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QLatin1String("ORA-01410"))) << e.what();
    }
    s->Rollback();
}

TEST_F(OciDouble, ErrorsAndLogonFailures)
{
    // the database's own text, as the embedded engine words it
    EXPECT_TRUE(errorOf(*s, QStringLiteral("select * from nothere")).startsWith(QLatin1String("ORA-00942"))) << errorOf(*s, QStringLiteral("select * from nothere")).toStdString();
    TOracleSession other;
    other.LogonDatabase = db->alias();
    other.LogonUsername = QStringLiteral("TAVO");
    other.LogonPassword = QStringLiteral("wrong");
    try {
        other.setConnected(true);
        ADD_FAILURE() << "a wrong password logs on";
    } catch (const EMoxError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("ORA-01017: invalid username/password; logon denied"));
    }
    other.LogonDatabase = QStringLiteral("NOSUCHDB");
    try {
        other.setConnected(true);
        ADD_FAILURE() << "an unknown alias logs on";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QLatin1String("ORA-12154"))) << e.what();
        EXPECT_TRUE(e.message().contains(QLatin1String("NOSUCHDB"))) << e.what();
    }
}

TEST_F(OciDouble, RawFetchEndsInNoDataWithTheLastRows)
{
    insertRows(5);
    RawClient c(db->alias(), "TAVO", "tavo");
    Handle *st = c.prepare("select sifra060, code_060 from akt order by sifra060");
    ub2 type = 0;
    EXPECT_EQ(c.a.AttrGet(st, HTYPE_STMT, &type, nullptr, ATTR_STMT_TYPE, c.err), SUCCESS);
    EXPECT_EQ(type, STMT_SELECT);
    ASSERT_EQ(c.exec(st, 0), SUCCESS);
    ub4 cols = 0;
    EXPECT_EQ(c.a.AttrGet(st, HTYPE_STMT, &cols, nullptr, ATTR_PARAM_COUNT, c.err), SUCCESS);
    ASSERT_EQ(cols, 2u);
    Handle *p = nullptr;
    ASSERT_EQ(c.a.ParamGet(st, HTYPE_STMT, c.err, &p, 2), SUCCESS);
    ub2 dt = 0;
    const char *name = nullptr;
    ub4 nameLen = 0;
    EXPECT_EQ(c.a.AttrGet(p, DTYPE_PARAM, &dt, nullptr, ATTR_DATA_TYPE, c.err), SUCCESS);
    EXPECT_EQ(c.a.AttrGet(p, HTYPE_DESCRIBE, &name, &nameLen, ATTR_NAME, c.err), SUCCESS);
    EXPECT_EQ(dt, SQLT_CHR);
    EXPECT_EQ(QByteArray(name, int(nameLen)), QByteArray("CODE_060"));
    c.a.DescriptorFree(p, DTYPE_PARAM);
    EXPECT_EQ(c.a.ParamGet(st, HTYPE_STMT, c.err, &p, 3), ERROR);
    EXPECT_TRUE(c.error().startsWith(QLatin1String("ORA-24334")));

    // no define yet: the fetch is refused
    EXPECT_EQ(c.a.StmtFetch2(st, c.err, 1, FETCH_NEXT, 0, DEFAULT), ERROR);

    unsigned char num[3][kNumberSize];
    char text[3][2]; // too short for "K1"
    sb2 nind[3], tind[3];
    ub4 nlen[3], tlen[3];
    ub2 ncode[3], tcode[3];
    Handle *d1 = nullptr, *d2 = nullptr;
    ASSERT_EQ(c.a.DefineByPos2(st, &d1, c.err, 1, num, kNumberSize, SQLT_VNU, nind, nlen, ncode, DEFAULT), SUCCESS);
    ASSERT_EQ(c.a.DefineByPos2(st, &d2, c.err, 2, text, 2, SQLT_CHR, tind, tlen, tcode, DEFAULT), SUCCESS);
    // "K1".."K3" fit; a truncation would show in the indicator and the return code
    EXPECT_EQ(c.a.StmtFetch2(st, c.err, 3, FETCH_NEXT, 0, DEFAULT), SUCCESS);
    EXPECT_EQ(c.fetched(st), 3u);
    EXPECT_EQ(ocidata::numberToText(num[2]), QStringLiteral("3"));
    EXPECT_EQ(QByteArray(text[2], int(tlen[2])), QByteArray("K3"));
    EXPECT_EQ(tind[2], 0);
    EXPECT_EQ(c.a.StmtFetch2(st, c.err, 3, FETCH_NEXT, 0, DEFAULT), NO_DATA);
    EXPECT_EQ(c.fetched(st), 2u);
    EXPECT_EQ(ocidata::numberToText(num[1]), QStringLiteral("5"));
    EXPECT_EQ(c.a.StmtFetch2(st, c.err, 3, FETCH_NEXT, 0, DEFAULT), NO_DATA);
    EXPECT_EQ(c.fetched(st), 0u);
    c.a.StmtRelease(st, c.err, nullptr, 0, DEFAULT);

    // truncation and NULL: with indicators a warning, without an error
    Handle *st2 = c.prepare("select code_060 || 'xyz', traj_060, datumipl from akt where sifra060 = 1");
    ASSERT_EQ(c.exec(st2, 0), SUCCESS);
    char small[4];
    sb2 ind = 0, dind = 0;
    ub4 len = 0;
    ub2 code = 0;
    unsigned char tnum[kNumberSize];
    unsigned char date[kDateSize];
    ASSERT_EQ(c.a.DefineByPos2(st2, &d1, c.err, 1, small, 4, SQLT_CHR, &ind, &len, &code, DEFAULT), SUCCESS);
    ASSERT_EQ(c.a.DefineByPos2(st2, &d2, c.err, 2, tnum, kNumberSize, SQLT_VNU, nullptr, nullptr, nullptr, DEFAULT), SUCCESS);
    Handle *d3 = nullptr;
    ASSERT_EQ(c.a.DefineByPos2(st2, &d3, c.err, 3, date, kDateSize, SQLT_DAT, &dind, nullptr, nullptr, DEFAULT), SUCCESS);
    EXPECT_EQ(c.a.StmtFetch2(st2, c.err, 1, FETCH_NEXT, 0, DEFAULT), SUCCESS_WITH_INFO);
    EXPECT_EQ(ind, 5);    // the full length
    EXPECT_EQ(code, 1406);
    EXPECT_EQ(QByteArray(small, int(len)), QByteArray("K1xy"));
    EXPECT_EQ(dind, -1);  // DATUMIPL is NULL
    c.a.StmtRelease(st2, c.err, nullptr, 0, DEFAULT);

    Handle *st3 = c.prepare("select datumipl from akt where sifra060 = 1");
    ASSERT_EQ(c.exec(st3, 0), SUCCESS);
    ASSERT_EQ(c.a.DefineByPos2(st3, &d1, c.err, 1, date, kDateSize, SQLT_DAT, nullptr, nullptr, nullptr, DEFAULT), SUCCESS);
    EXPECT_EQ(c.a.StmtFetch2(st3, c.err, 1, FETCH_NEXT, 0, DEFAULT), ERROR);
    EXPECT_TRUE(c.error().startsWith(QLatin1String("ORA-01405"))) << c.error().toStdString();
    c.a.StmtRelease(st3, c.err, nullptr, 0, DEFAULT);

    // the rows of a FOR UPDATE query not fetched before the commit are gone with its locks
    Handle *st4 = c.prepare("select sifra060 from akt order by 1 for update");
    ASSERT_EQ(c.exec(st4, 0), SUCCESS);
    ASSERT_EQ(c.a.DefineByPos2(st4, &d1, c.err, 1, num, kNumberSize, SQLT_VNU, nind, nlen, ncode, DEFAULT), SUCCESS);
    EXPECT_EQ(c.a.StmtFetch2(st4, c.err, 2, FETCH_NEXT, 0, DEFAULT), SUCCESS);
    ASSERT_EQ(c.a.TransCommit(c.svc, c.err, DEFAULT), SUCCESS);
    EXPECT_EQ(c.a.StmtFetch2(st4, c.err, 2, FETCH_NEXT, 0, DEFAULT), ERROR);
    EXPECT_TRUE(c.error().startsWith(QLatin1String("ORA-01002"))) << c.error().toStdString();
    c.a.StmtRelease(st4, c.err, nullptr, 0, DEFAULT);
}

TEST_F(OciDouble, RawIterationsErrorRecordsAndLogoffCommits)
{
    RawClient c(db->alias(), "tavo", "TAVO");
    Handle *st = c.prepare("insert into akt (sifra060, code_060) values (:s, :c)");
    EXPECT_EQ(c.exec(st, 0), ERROR); // a DML statement runs at least once
    EXPECT_TRUE(c.error().startsWith(QLatin1String("ORA-24333")));
    sb4 code = 0;
    OraText buf[100];
    EXPECT_EQ(c.a.ErrorGet(c.err, 2, nullptr, &code, buf, sizeof buf, HTYPE_ERROR), NO_DATA);

    // a placeholder the text does not have
    Handle *b = nullptr;
    unsigned char num[kNumberSize];
    ocidata::numberFromInt(9, num);
    sb2 ind = 0;
    ub4 alen = kNumberSize;
    EXPECT_EQ(c.a.BindByName2(st, &b, c.err, reinterpret_cast<const OraText *>(":x"), 2, num, kNumberSize, SQLT_VNU,
                              &ind, &alen, nullptr, 0, nullptr, DEFAULT),
              ERROR);
    EXPECT_TRUE(c.error().startsWith(QLatin1String("ORA-01036")));
    ASSERT_EQ(c.a.BindByName2(st, &b, c.err, reinterpret_cast<const OraText *>(":s"), 2, num, kNumberSize, SQLT_VNU,
                              &ind, &alen, nullptr, 0, nullptr, DEFAULT),
              SUCCESS);
    // :c left unbound: the database says so
    EXPECT_EQ(c.exec(st, 1), ERROR);
    EXPECT_TRUE(c.error().startsWith(QLatin1String("ORA-01008"))) << c.error().toStdString();
    char txt[] = "abc";
    ub4 tlen = 3;
    ASSERT_EQ(c.a.BindByName2(st, &b, c.err, reinterpret_cast<const OraText *>(":C"), 2, txt, 3, SQLT_CHR, &ind,
                              &tlen, nullptr, 0, nullptr, DEFAULT),
              SUCCESS);
    ASSERT_EQ(c.exec(st, 1), SUCCESS) << c.error().toStdString();
    ub4 count = 0;
    EXPECT_EQ(c.a.AttrGet(st, HTYPE_STMT, &count, nullptr, ATTR_ROW_COUNT, c.err), SUCCESS);
    EXPECT_EQ(count, 1u);
    boolean open = 0;
    EXPECT_EQ(c.a.AttrGet(c.sess, HTYPE_SESSION, &open, nullptr, ATTR_TRANSACTION_IN_PROGRESS, c.err), SUCCESS);
    EXPECT_EQ(open, 1); // what a client reads to roll back before it logs off
    c.a.StmtRelease(st, c.err, nullptr, 0, DEFAULT);
    // ending the session commits the open transaction
    c.logoff();
    EXPECT_EQ(rows(*s, QStringLiteral("select code_060 from akt where sifra060 = 9")), QStringList{QStringLiteral("abc")});
}
