// mox-bench-oracle [ROWS]: figures of the embedded engine through the layer,
// in a scratch database:
//   insert + commit                     one row per transaction
//   key select + update + commit        a select by a bound business code, an
//                                       update of the row found, a commit
// Each loop runs ROWS times (default 100000) and prints rows per second and
// the peak resident memory after each quarter, so that growth shows. Rows per
// CPU second is the figure for one core when the machine is shared.
#include "benchsupport.h"
#include "oracle/embedded/database.h"
#include "oracle/oracle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>


#include <algorithm>
#include <cstdio>

namespace {

using moxbench::cpuSeconds;

double peakMb() { return moxbench::peakMegabytes(); }

void exec(TOracleSession &s, const QString &sql)
{
    TOracleQuery q(&s);
    q.SQL << sql;
    q.Execute();
}

template <typename F>
void loop(const char *name, int rows, F body)
{
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    std::printf("%s\n", name);
    for (int i = 0; i < rows; ++i) {
        body(i);
        if ((i + 1) % (rows / 4 > 0 ? rows / 4 : 1) == 0)
            std::printf("  %7d rows  %8.0f rows/s  %8.0f rows per CPU second  peak memory %.1f MB\n", i + 1,
                        (i + 1) / (t.nsecsElapsed() / 1e9), (i + 1) / std::max(1e-9, cpuSeconds() - cpu0), peakMb());
    }
    const double wall = t.nsecsElapsed() / 1e9;
    const double cpu = std::max(1e-9, cpuSeconds() - cpu0);
    std::printf("  total %.2f s wall, %.2f s CPU: %.0f rows/s, %.0f rows per CPU second\n", wall, cpu, rows / wall,
                rows / cpu);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 100000;
    QTemporaryDir dir;
    qputenv("MOX_DB_ROOT", dir.path().toLocal8Bit());
    try {
        oraembed::createDatabase(QStringLiteral("BENCH"));
        oraembed::createUser(QStringLiteral("BENCH"), QStringLiteral("TAVO"), QStringLiteral("tavo"));
        TOracleSession s;
        s.LogonDatabase = QStringLiteral("BENCH");
        s.LogonUsername = QStringLiteral("TAVO");
        s.LogonPassword = QStringLiteral("tavo");
        s.setConnected(true);
        exec(s, QStringLiteral("create table KA060AK0 (SIFRA060 NUMBER(10) not null, CODE_060 VARCHAR2(20) not null, "
                               "OPIS_060 VARCHAR2(60), STAT_060 CHAR(1), DATUMIPL DATE, USER_IPL VARCHAR2(30), "
                               "constraint PK_KA060AK0 primary key (SIFRA060))"));
        exec(s, QStringLiteral("create unique index IX_KA060AK0_CODE on KA060AK0 (CODE_060)"));
        std::printf("embedded engine, %d rows per loop, database in %s\n", rows, qPrintable(dir.path()));

        TOracleQuery ins(&s);
        ins.SQL << QStringLiteral("insert into tavo.ka060ak0 (SIFRA060, CODE_060, OPIS_060, STAT_060, DATUMIPL, USER_IPL)")
                << QStringLiteral(" values (:SIFRA060, :CODE_060, :OPIS_060, '1', to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), :USER_IPL)");
        ins.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
        ins.DeclareVariable(QStringLiteral("CODE_060"), otString);
        ins.DeclareVariable(QStringLiteral("OPIS_060"), otString);
        ins.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
        ins.DeclareVariable(QStringLiteral("USER_IPL"), otString);
        ins.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("01.02.2024 10:11:12"));
        ins.SetVariable(QStringLiteral("USER_IPL"), QStringLiteral("ORN"));
        loop("insert + commit", rows, [&](int i) {
            ins.SetVariable(QStringLiteral("SIFRA060"), i + 1);
            ins.SetVariable(QStringLiteral("CODE_060"), QStringLiteral("A%1").arg(i + 1));
            ins.SetVariable(QStringLiteral("OPIS_060"), QStringLiteral("activity %1").arg(i + 1));
            ins.Execute();
            s.Commit();
        });

        TOracleDataSet sel(&s);
        sel.SQL << QStringLiteral("select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka060ak0 ak "
                                  "where code_060=:code_060 order by stat_060 desc");
        sel.DeclareVariable(QStringLiteral("code_060"), otString);
        TOracleQuery upd(&s);
        upd.SQL << QStringLiteral("update tavo.ka060ak0 set OPIS_060=:OPIS_060, DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS')")
                << QStringLiteral(" WHERE SIFRA060=:SIFRA060");
        upd.DeclareVariable(QStringLiteral("OPIS_060"), otString);
        upd.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
        upd.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
        upd.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("02.02.2024 10:11:12"));
        loop("key select + update + commit", rows, [&](int i) {
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
    } catch (const EMoxError &e) {
        std::fprintf(stderr, "mox-bench-oracle: %s\n", e.what());
        return 1;
    }
    return 0;
}
