// The client-library engine's pieces that need no library: the binary
// NUMBER and DATE forms, what is read from a statement's text, the
// tnsnames.ora aliases and where the library is looked for.
#include "oracle/oci/ocidata.h"
#include "oracle/oci/ocidefs.h"
#include "oracle/oci/ociloader.h"
#include "oracle/oci/ocisqltext.h"
#include "oracle/oci/tnsnames.h"
#include "oracle/embedded/database.h"
#include "oracle/oracle.h"

#include "support/testenv.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray vnuOf(const QString &text)
{
    unsigned char b[oci::kNumberSize] = {0};
    if (!ocidata::numberFromText(text, b))
        return QByteArray("invalid");
    return QByteArray(reinterpret_cast<const char *>(b), b[0] + 1);
}

struct EnvGuard {
    EnvGuard(const char *name, const QByteArray &value) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace

TEST(OciNumber, KnownEncodings)
{
    // bytes the library uses for these values
    EXPECT_EQ(vnuOf(QStringLiteral("0")).toHex(), "0180");
    EXPECT_EQ(vnuOf(QStringLiteral("1")).toHex(), "02c102");
    EXPECT_EQ(vnuOf(QStringLiteral("100")).toHex(), "02c202");
    EXPECT_EQ(vnuOf(QStringLiteral("123.45")).toHex(), "04c202182e");
    EXPECT_EQ(vnuOf(QStringLiteral("-1")).toHex(), "033e6466");
    EXPECT_EQ(vnuOf(QStringLiteral("12a")), QByteArray("invalid"));
    EXPECT_EQ(vnuOf(QStringLiteral("")), QByteArray("invalid"));
}

TEST(OciNumber, TextRoundTripAndLayerValues)
{
    const struct {
        const char *in, *text;
        QVariant value;
    } cases[] = {
        {"12", "12", QVariant(qint64(12))},
        {"-0.25", "-0.25", QVariant(-0.25)},
        {"12.50", "12.5", QVariant(12.5)},
        {"0.0001", "0.0001", QVariant(0.0001)},
        {"-123456.789", "-123456.789", QVariant(-123456.789)},
        {"1000000", "1000000", QVariant(qint64(1000000))},
        {"999999999999999999", "999999999999999999", QVariant(qint64(999999999999999999LL))},
        {"-9876543210", "-9876543210", QVariant(qint64(-9876543210LL))},
        {"+7", "7", QVariant(qint64(7))},
        {"  3.  ", "3", QVariant(qint64(3))},
        {".5", "0.5", QVariant(0.5)},
        {"-0", "0", QVariant(qint64(0))},
    };
    for (const auto &c : cases) {
        unsigned char b[oci::kNumberSize] = {0};
        ASSERT_TRUE(ocidata::numberFromText(QString::fromLatin1(c.in), b)) << c.in;
        EXPECT_EQ(ocidata::numberToText(b), QString::fromLatin1(c.text)) << c.in;
        const QVariant v = ocidata::numberToVariant(b);
        EXPECT_EQ(v.typeId(), c.value.typeId()) << c.in;
        EXPECT_EQ(v, c.value) << c.in;
    }
    unsigned char b[oci::kNumberSize] = {0};
    ocidata::numberFromDouble(0.1, b);
    EXPECT_EQ(ocidata::numberToText(b), QStringLiteral("0.1")); // the shortest text, not the binary noise
    ocidata::numberFromInt(-42, b);
    EXPECT_EQ(ocidata::numberToText(b), QStringLiteral("-42"));
    const unsigned char bad[] = {3, 0xC1, 0xFF, 0x02};
    EXPECT_TRUE(ocidata::numberToText(bad).isEmpty());
}

TEST(OciDate, SevenBytesAndOciDate)
{
    // 30-NOV-1992 3:17 PM
    const QDateTime dt(QDate(1992, 11, 30), QTime(15, 17, 0));
    unsigned char d[oci::kDateSize] = {0};
    ocidata::dateToBytes(dt, d);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(d), 7).toHex(), QByteArray("77c00b1e101201"));
    EXPECT_EQ(ocidata::dateFromBytes(d), dt);

    const QDateTime late(QDate(2024, 2, 29), QTime(23, 59, 59));
    unsigned char o[oci::kOciDateSize] = {0};
    ocidata::dateToOciDate(late, o);
    EXPECT_EQ(o[2], 2);
    EXPECT_EQ(o[3], 29);
    EXPECT_EQ(o[4], 23);
    EXPECT_EQ(ocidata::dateFromOciDate(o), late);
}

TEST(OciSqlText, PlaceholdersReturningAndTables)
{
    EXPECT_EQ(ocisql::placeholders(QStringLiteral("select :a, ':b', \":c\" from t -- :d\n where x = :A and y=:e_1 /* :f */")),
              (QStringList{QStringLiteral("A"), QStringLiteral("E_1")}));
    EXPECT_EQ(ocisql::placeholders(QStringLiteral("begin :n:=tavo.getSequence('X'); end;")), QStringList{QStringLiteral("N")});
    EXPECT_EQ(ocisql::placeholders(QStringLiteral("values (:a,: b)")), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(ocisql::returningTargets(QStringLiteral("insert into x (a, c) values (:a, empty_clob()) returning c into :lob")),
              QStringList{QStringLiteral("LOB")});
    EXPECT_EQ(ocisql::returningTargets(QStringLiteral("update x set c = empty_clob() where a = :a return c, d into :l, :m")),
              (QStringList{QStringLiteral("L"), QStringLiteral("M")}));
    EXPECT_TRUE(ocisql::returningTargets(QStringLiteral("select a into :x from t")).isEmpty());
    EXPECT_EQ(ocisql::firstTable(QStringLiteral("select a.rowid, (select 1 from dual) from tavo.akt a where 1=1")),
              QStringLiteral("tavo.akt"));
    EXPECT_EQ(ocisql::firstTable(QStringLiteral("SELECT ROWID FROM \"X\".T FOR UPDATE")), QStringLiteral("\"X\".T"));
    EXPECT_TRUE(ocisql::isForUpdate(QStringLiteral("select n from t where x = 'for update' for update nowait")));
    EXPECT_FALSE(ocisql::isForUpdate(QStringLiteral("select n from t where x = 'for update'")));

    const struct {
        const char *sql;
        unsigned short type;
    } kinds[] = {
        {"select 1 from dual", oci::STMT_SELECT},  {"  (select 1 from dual)", oci::STMT_SELECT},
        {"with x as (select 1 a from dual) select a from x", oci::STMT_SELECT},
        {"Insert into t values (1)", oci::STMT_INSERT}, {"update t set a=1", oci::STMT_UPDATE},
        {"delete t", oci::STMT_DELETE},            {"begin null; end;", oci::STMT_BEGIN},
        {"declare x number; begin null; end;", oci::STMT_DECLARE}, {"create table t (a number)", oci::STMT_CREATE},
        {"drop table t", oci::STMT_DROP},          {"alter session set nls_date_format='DD.MM.YYYY'", oci::STMT_ALTER},
        {"commit", oci::STMT_COMMIT},              {"truncate table t", oci::STMT_UNKNOWN},
        {"-- a note\nselect 1 from dual", oci::STMT_SELECT},
    };
    for (const auto &k : kinds)
        EXPECT_EQ(ocisql::statementType(QString::fromLatin1(k.sql)), k.type) << k.sql;
}

TEST(TnsNames, AliasesOfTheConfiguration)
{
    TestEnv env;
    QDir().mkpath(env.path(QStringLiteral("admin")));
    QFile more(env.path(QStringLiteral("admin/more.ora")));
    ASSERT_TRUE(more.open(QIODevice::WriteOnly));
    more.write("EXTRA = (DESCRIPTION = (ADDRESS = (PROTOCOL = TCP)(HOST = h)(PORT = 1521)))\n");
    more.close();
    QFile f(env.path(QStringLiteral("admin/tnsnames.ora")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# hospital databases\n"
            "BOLNICA =\n"
            "  (DESCRIPTION =\n"
            "    (ADDRESS_LIST = (ADDRESS = (PROTOCOL = TCP)(HOST = db1)(PORT = 1521)))\n"
            "    (CONNECT_DATA = (SERVICE_NAME = bol.world))  # SERVICE = x\n"
            "  )\n"
            "test.world, TEST2=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=t)(PORT=1521))(CONNECT_DATA=(SID=T)))\n"
            "IFILE = more.ora\n");
    f.close();
    EnvGuard admin("TNS_ADMIN", QDir::toNativeSeparators(env.path(QStringLiteral("admin"))).toLocal8Bit());
    EXPECT_EQ(tnsnames::aliases(), (QStringList{QStringLiteral("BOLNICA"), QStringLiteral("test.world"),
                                                QStringLiteral("TEST2"), QStringLiteral("EXTRA")}));
    // the connection dialog's list: these and the embedded databases, sorted
    oraembed::createDatabase(QStringLiteral("CILJ"));
    EXPECT_EQ(oracleAliasList(), (QStringList{QStringLiteral("BOLNICA"), QStringLiteral("CILJ"), QStringLiteral("EXTRA"),
                                              QStringLiteral("TEST2"), QStringLiteral("test.world")}));

    // without TNS_ADMIN: ORACLE_HOME/network/admin; with neither: nothing
    EnvGuard noAdmin("TNS_ADMIN", QByteArray());
    {
        EnvGuard home("ORACLE_HOME", env.dir().toLocal8Bit());
        EXPECT_EQ(QDir::cleanPath(tnsnames::configDir()), QDir::cleanPath(env.path(QStringLiteral("network/admin"))));
        EXPECT_TRUE(tnsnames::aliases().isEmpty());
    }
    EnvGuard noHome("ORACLE_HOME", QByteArray());
    EXPECT_TRUE(tnsnames::configDir().isEmpty());
}

TEST(OciLoader, WhereTheLibraryIsLookedFor)
{
    {
        EnvGuard lib("MOX_OCI_LIB", QByteArray("/somewhere/libclntsh.so.19.1"));
        EXPECT_EQ(oci::libraryCandidates(), QStringList{QStringLiteral("/somewhere/libclntsh.so.19.1")});
    }
    EnvGuard lib("MOX_OCI_LIB", QByteArray());
    EnvGuard home("ORACLE_HOME", QByteArray("/u01/app/oracle/product/19c"));
    const QStringList c = oci::libraryCandidates();
#if defined(Q_OS_WIN)
    EXPECT_EQ(c.first(), QStringLiteral("oci.dll"));
    EXPECT_TRUE(c.contains(QStringLiteral("/u01/app/oracle/product/19c/bin/oci.dll")));
#else
    ASSERT_FALSE(c.isEmpty());
    EXPECT_TRUE(c.first().startsWith(QLatin1String("libclntsh.")));
    EXPECT_TRUE(c.contains(QStringLiteral("/u01/app/oracle/product/19c/lib/") + c.first()));
#endif
}
