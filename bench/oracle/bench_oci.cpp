// mox-bench-oci [ROWS]: the embedded engine and the client-library engine
// (through the client-library double, which serves the same embedded
// database) side by side in one run, the same loops on each:
//   insert + commit                     one row per transaction
//   key select + update + commit        a select by a bound business code, an
//                                       update of the row found, a commit
//   read all rows                       one query over the ROWS rows
// and, for the client-library engine, how many OCIStmtFetch2 calls the
// query over all rows took (against a real server each is a round trip;
// MOX_OCI_FETCH_ROWS sets the rows one call asks for).
#include "benchsupport.h"
#include "oracle/embedded/database.h"
#include "oracle/oracle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLibrary>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

void exec(TOracleSession &s, const QString &sql)
{
    TOracleQuery q(&s);
    q.SQL << sql;
    q.Execute();
}

// Runs body `times` times; the figures count `rows` rows.
template <typename F> void loop(const char *engine, const char *name, int rows, F body, int times = -1)
{
    QElapsedTimer t;
    t.start();
    const double cpu0 = moxbench::cpuSeconds();
    for (int i = 0; i < (times < 0 ? rows : times); ++i)
        body(i);
    const double wall = t.nsecsElapsed() / 1e9;
    const double cpu = std::max(1e-9, moxbench::cpuSeconds() - cpu0);
    std::printf("  %-15s %-30s %7d rows  %8.0f rows/s  %8.0f rows per CPU second  peak memory %.1f MB\n", engine, name,
                rows, rows / wall, rows / cpu, moxbench::peakMegabytes());
    std::fflush(stdout);
}

quint64 fetchCalls()
{
    using Fn = quint64 (*)();
    static Fn fn = reinterpret_cast<Fn>(QLibrary::resolve(QString::fromUtf8(MOX_OCI_DOUBLE), "mox_oci_double_fetch_calls"));
    return fn ? fn() : 0;
}

void runEngine(const char *engine, const QString &table, int rows)
{
    TOracleSession s;
    s.LogonDatabase = QStringLiteral("BENCH");
    s.LogonUsername = QStringLiteral("TAVO");
    s.LogonPassword = QStringLiteral("tavo");
    s.setConnected(true);
    exec(s, QStringLiteral("create table %1 (SIFRA060 NUMBER(10) not null, CODE_060 VARCHAR2(20) not null, "
                           "OPIS_060 VARCHAR2(60), STAT_060 CHAR(1), DATUMIPL DATE, USER_IPL VARCHAR2(30), "
                           "constraint PK_%1 primary key (SIFRA060))")
                .arg(table));
    exec(s, QStringLiteral("create unique index IX_%1_CODE on %1 (CODE_060)").arg(table));

    TOracleQuery ins(&s);
    ins.SQL << QStringLiteral("insert into tavo.%1 (SIFRA060, CODE_060, OPIS_060, STAT_060, DATUMIPL, USER_IPL)").arg(table)
            << QStringLiteral(" values (:SIFRA060, :CODE_060, :OPIS_060, '1', to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), :USER_IPL)");
    ins.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
    ins.DeclareVariable(QStringLiteral("CODE_060"), otString);
    ins.DeclareVariable(QStringLiteral("OPIS_060"), otString);
    ins.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
    ins.DeclareVariable(QStringLiteral("USER_IPL"), otString);
    ins.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("01.02.2024 10:11:12"));
    ins.SetVariable(QStringLiteral("USER_IPL"), QStringLiteral("ORN"));
    loop(engine, "insert + commit", rows, [&](int i) {
        ins.SetVariable(QStringLiteral("SIFRA060"), i + 1);
        ins.SetVariable(QStringLiteral("CODE_060"), QStringLiteral("A%1").arg(i + 1));
        ins.SetVariable(QStringLiteral("OPIS_060"), QStringLiteral("activity %1").arg(i + 1));
        ins.Execute();
        s.Commit();
    });

    TOracleDataSet sel(&s);
    sel.SQL << QStringLiteral("select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.%1 ak "
                              "where code_060=:code_060 order by stat_060 desc")
                   .arg(table);
    sel.DeclareVariable(QStringLiteral("code_060"), otString);
    TOracleQuery upd(&s);
    upd.SQL << QStringLiteral("update tavo.%1 set OPIS_060=:OPIS_060, DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS')").arg(table)
            << QStringLiteral(" WHERE SIFRA060=:SIFRA060");
    upd.DeclareVariable(QStringLiteral("OPIS_060"), otString);
    upd.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
    upd.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
    upd.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("02.02.2024 10:11:12"));
    loop(engine, "key select + update + commit", rows, [&](int i) {
        sel.SetVariable(QStringLiteral("code_060"), QStringLiteral("A%1").arg((i * 7919) % rows + 1));
        sel.Open();
        if (sel.Eof())
            throw EMoxError(QStringLiteral("row not found"));
        upd.SetVariable(QStringLiteral("SIFRA060"), sel.FieldByName(QStringLiteral("SIFRA060")).AsInteger());
        upd.SetVariable(QStringLiteral("OPIS_060"), sel.FieldByName(QStringLiteral("OPIS_060")).AsString() + u'*');
        sel.Close();
        upd.Execute();
        s.Commit();
    });

    TOracleDataSet all(&s);
    all.SQL << QStringLiteral("select * from tavo.%1").arg(table);
    const quint64 calls0 = fetchCalls();
    int read = 0;
    loop(engine, "read all rows", rows, [&](int) {
        for (all.Open(); !all.Eof(); all.Next())
            ++read;
        all.Close();
    }, 1);
    if (read != rows)
        throw EMoxError(QStringLiteral("read %1 rows of %2").arg(read).arg(rows));
    const quint64 calls = fetchCalls() - calls0;
    if (calls > 0)
        std::printf("  %-15s fetch calls for %d rows: %llu (%.0f rows per call)\n", engine, rows,
                    static_cast<unsigned long long>(calls), double(rows) / double(calls));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100000;
    QTemporaryDir dir;
    qputenv("MOX_DB_ROOT", dir.path().toLocal8Bit());
    qputenv("MOX_OCI_LIB", MOX_OCI_DOUBLE);
    try {
        oraembed::createDatabase(QStringLiteral("BENCH"));
        oraembed::createUser(QStringLiteral("BENCH"), QStringLiteral("TAVO"), QStringLiteral("tavo"));
        std::printf("%d rows per loop, database in %s, client library %s\n", rows, qPrintable(dir.path()), MOX_OCI_DOUBLE);
        qputenv("MOX_ENGINE", "embedded");
        runEngine("embedded", QStringLiteral("KA060EMB"), rows);
        qputenv("MOX_ENGINE", "oci");
        runEngine("client library", QStringLiteral("KA060OCI"), rows);
    } catch (const EMoxError &e) {
        std::fprintf(stderr, "mox-bench-oci: %s\n", e.what());
        return 1;
    }
    return 0;
}
