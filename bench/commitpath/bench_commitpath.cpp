// mox-bench-commitpath [ROWS [raw|layer]]: the commit path of the embedded engine beside
// SQLite's own, in one run. Each loop commits after every row, as a refresh
// does, and runs twice: on the raw SQLite C API (one database file, WAL,
// synchronous=NORMAL, statements prepared once) and through the Oracle layer
// on an embedded database, in alternating blocks of rows. Printed: rows per CPU second of each and the ratio
// layer / raw. A third argument runs one side only (for a profiler).
//   insert + commit                  one new row per transaction
//   key select + update + commit     a select by business code, an update of
//                                    the row found by its key
//   select + insert + commit         a select by business code that finds
//                                    nothing, then the insert (a refresh's
//                                    new rows)
#include "benchsupport.h"
#include "commitloops.h"
#include "oracle/embedded/database.h"
#include "oracle/oracle.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

using moxbench::cpuSeconds;
using moxbench::insertLoop;
using moxbench::Raw;
using moxbench::selectInsertLoop;
using moxbench::selectUpdateLoop;

// ------------------------------------------------------------ the layer

class Layer {
public:
    explicit Layer(const QString &alias) : m_ins(&m_s), m_sel(&m_s), m_upd(&m_s)
    {
        oraembed::createDatabase(alias);
        oraembed::createUser(alias, QStringLiteral("TAVO"), QStringLiteral("tavo"));
        m_s.LogonDatabase = alias;
        m_s.LogonUsername = QStringLiteral("TAVO");
        m_s.LogonPassword = QStringLiteral("tavo");
        m_s.setConnected(true);
        exec(QStringLiteral("create table KA060AK0 (SIFRA060 NUMBER(10) not null, CODE_060 VARCHAR2(20) not null, "
                            "OPIS_060 VARCHAR2(60), STAT_060 CHAR(1), DATUMIPL DATE, USER_IPL VARCHAR2(30), "
                            "constraint PK_KA060AK0 primary key (SIFRA060))"));
        exec(QStringLiteral("create unique index IX_KA060AK0_CODE on KA060AK0 (CODE_060)"));
        // the statements as the general refresh writes them
        m_ins.SQL << QStringLiteral("insert into tavo.ka060ak0 (SIFRA060, CODE_060, OPIS_060, STAT_060, DATUMIPL, USER_IPL)")
                  << QStringLiteral(" values (:SIFRA060, :CODE_060, :OPIS_060, '1', "
                                    "to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), :USER_IPL)");
        m_ins.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
        m_ins.DeclareVariable(QStringLiteral("CODE_060"), otString);
        m_ins.DeclareVariable(QStringLiteral("OPIS_060"), otString);
        m_ins.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
        m_ins.DeclareVariable(QStringLiteral("USER_IPL"), otString);
        m_ins.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("01.02.2024 10:11:12"));
        m_ins.SetVariable(QStringLiteral("USER_IPL"), QStringLiteral("ORN"));
        m_sel.SQL << QStringLiteral("select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka060ak0 ak "
                                    "where code_060=:code_060 order by stat_060 desc");
        m_sel.DeclareVariable(QStringLiteral("code_060"), otString);
        m_upd.SQL << QStringLiteral("update tavo.ka060ak0 set OPIS_060=:OPIS_060, "
                                    "DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS')")
                  << QStringLiteral(" WHERE SIFRA060=:SIFRA060");
        m_upd.DeclareVariable(QStringLiteral("OPIS_060"), otString);
        m_upd.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
        m_upd.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
        m_upd.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("02.02.2024 10:11:12"));
    }

    void insert(int key, const QString &code)
    {
        m_ins.SetVariable(QStringLiteral("SIFRA060"), key);
        m_ins.SetVariable(QStringLiteral("CODE_060"), code);
        m_ins.SetVariable(QStringLiteral("OPIS_060"), QStringLiteral("activity ") + code);
        m_ins.Execute();
        m_s.Commit();
    }
    qint64 find(const QString &code, QString *opis = nullptr)
    {
        m_sel.SetVariable(QStringLiteral("code_060"), code);
        m_sel.Open();
        qint64 key = -1;
        if (!m_sel.Eof()) {
            key = m_sel.FieldByName(QStringLiteral("SIFRA060")).AsInteger();
            if (opis)
                *opis = m_sel.FieldByName(QStringLiteral("OPIS_060")).AsString();
        }
        m_sel.Close();
        return key;
    }
    void update(qint64 key, const QString &opis)
    {
        m_upd.SetVariable(QStringLiteral("SIFRA060"), key);
        m_upd.SetVariable(QStringLiteral("OPIS_060"), opis);
        m_upd.Execute();
        m_s.Commit();
    }

private:
    TOracleSession m_s;
    TOracleQuery m_ins;
    TOracleDataSet m_sel;
    TOracleQuery m_upd;

    void exec(const QString &sql)
    {
        TOracleQuery q(&m_s);
        q.SQL << sql;
        q.Execute();
    }
};

// One loop run on both sides in alternating blocks of rows, so that a load
// that comes and goes on a shared machine falls on both alike. Returns rows
// per CPU second of each side.
struct Pair {
    double raw = 0, layer = 0;
};

Pair alternate(int rows, bool runRaw, bool runLayer, const std::function<void(int)> &rawBody,
               const std::function<void(int)> &layerBody)
{
    constexpr int kBlock = 250;
    double rawCpu = 0, layerCpu = 0;
    for (int from = 0; from < rows; from += kBlock) {
        const int to = std::min(rows, from + kBlock);
        double t0 = cpuSeconds();
        if (runRaw)
            for (int i = from; i < to; ++i)
                rawBody(i);
        double t1 = cpuSeconds();
        if (runLayer)
            for (int i = from; i < to; ++i)
                layerBody(i);
        double t2 = cpuSeconds();
        rawCpu += t1 - t0;
        layerCpu += t2 - t1;
    }
    return {rows / std::max(1e-9, rawCpu), rows / std::max(1e-9, layerCpu)};
}

void line(const char *name, double raw, double layer)
{
    std::printf("  %-30s %10.0f %10.0f %8.2fx\n", name, raw, layer, layer / raw);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(100, QString::fromLocal8Bit(argv[1]).toInt()) : 20000;
    QTemporaryDir dir;
    qputenv("MOX_DB_ROOT", QDir(dir.path()).filePath(QStringLiteral("db")).toLocal8Bit());
    try {
        Raw raw(QDir(dir.path()).filePath(QStringLiteral("raw.db")));
        Layer layer(QStringLiteral("BENCH"));
        std::printf("commit path, %d rows per loop, one commit per row, in %s\n", rows, qPrintable(dir.path()));
        // the raw loop first, then the layer; each on its own files
        const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
        const bool runRaw = only != QLatin1String("layer"), runLayer = only != QLatin1String("raw");
        const Pair ins = alternate(rows, runRaw, runLayer, insertLoop(raw), insertLoop(layer));
        const Pair upd = alternate(rows, runRaw, runLayer, selectUpdateLoop(raw, rows), selectUpdateLoop(layer, rows));
        const Pair sel = alternate(rows, runRaw, runLayer, selectInsertLoop(raw, rows), selectInsertLoop(layer, rows));
        std::printf("  %-30s %10s %10s %9s\n", "rows per CPU second", "raw", "layer", "ratio");
        line("insert + commit", ins.raw, ins.layer);
        line("key select + update + commit", upd.raw, upd.layer);
        line("select + insert + commit", sel.raw, sel.layer);
        std::printf("  peak memory %.1f MB\n", moxbench::peakMegabytes());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "mox-bench-commitpath: %s\n", e.what());
        return 1;
    }
    return 0;
}
