// mox-bench-general [ROWS] [FOLDER]
// A general table of ROWS (default 100,000) activities (KA060AK0) with one
// reference column (SIFRA031, a department, through the master/detail table
// KR031ORG) carried between two embedded databases made from the served
// schema, headless. Times the preparation at the exporting installation, the
// refresh of ROWS new records at the receiving one and the refresh of the
// same ROWS records again (all unchanged), and prints rows per second and
// the peak memory after each step. Within the refresh of new rows it runs the
// raw SQLite select + insert + commit loop of mox-bench-commitpath on ROWS
// rows, a hundred rows after every hundred records, and prints the ratio of
// their rows per CPU second. The two refreshes run in three rounds (the
// received rows deleted between them); the last line gives the medians.
// FOLDER (default: a temporary folder) receives the databases, the save and
// the log directory.
#include "benchsupport.h"
#include "commitloops.h"
#include "general/dbfsupport.h"
#include "general/general.h"
#include "oracle/embedded/database.h"
#include "oracle/embedded/script.h"
#include "run/context.h"
#include "base/interaction.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>


namespace {

using moxbench::cpuSeconds;
using moxbench::peakMegabytes;

void report(const char *step, double seconds, double cpu, qint64 n, const char *goal)
{
    std::printf("%-22s %8.3f s %9.0f rows/s | cpu %8.3f s %9.0f rows/s | peak %6.1f MB  (goal: %s)\n", step,
                seconds, double(n) / seconds, cpu, double(n) / cpu, peakMegabytes(), goal);
    std::fflush(stdout);
}

constexpr int kOddelkov = 400;

// The refresh lets events through every hundred records: here that runs a
// slice of the raw loop, so that the two loops share every stretch of the
// machine's speed, which drifts by a third while a run goes on. The slices'
// CPU and wall time are kept apart.
class TRezineSurovega : public TConsoleInteraction {
public:
    std::function<void()> rezina;
    double cpu = 0;  // seconds of the slices so far
    qint64 ms = 0;
    void processEvents() override
    {
        if (!rezina)
            return;
        QElapsedTimer t;
        t.start();
        const double c0 = moxbench::cpuSeconds();
        rezina();
        cpu += moxbench::cpuSeconds() - c0;
        ms += t.elapsed();
    }
};
constexpr int kRounds = 3;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void logon(TMoxContext &ctx, const QString &alias)
{
    if (ctx.osOracle.Connected())
        ctx.osOracle.setConnected(false);
    ctx.osOracle.LogonDatabase = alias;
    ctx.osOracle.LogonUsername = QStringLiteral("TAVO");
    ctx.osOracle.LogonPassword = QStringLiteral("TAVO");
    ctx.osOracle.setConnected(true);
    ctx.currServer = alias;
    ctx.currUser = QStringLiteral("TAVO");
    ctx.currPassword = QStringLiteral("TAVO");
    ctx.p_moxShrani = true;
}

void runScript(TOracleSession &s, const QString &file)
{
    TOracleQuery q(&s);
    for (const oraembed::ScriptStatement &st : oraembed::splitScript(moxtext::readTextLines(file))) {
        q.Clear();
        q.SQL << st.text;
        q.Execute();
    }
    s.Commit();
}

// A database with the served schema: users TAVO and ORNA_UTIL.
void makeDatabase(const QString &alias)
{
    const QString schema = QStringLiteral(MOX_SOURCE_DIR "/fixtures/schema/");
    oraembed::createDatabase(alias);
    for (const char *u : {"ORNA_UTIL", "TAVO"}) {
        const QString user = QString::fromLatin1(u);
        oraembed::createUser(alias, user, user);
        TOracleSession s;
        s.LogonDatabase = alias;
        s.LogonUsername = user;
        s.LogonPassword = user;
        s.setConnected(true);
        runScript(s, schema + user.toLower() + QStringLiteral(".sql"));
        s.setConnected(false);
    }
}

// Departments under keys from first on, the same codes on both sides.
void fillDepartments(TOracleSession &s, qint64 first)
{
    TOracleQuery q(&s);
    q.SQL << QStringLiteral("insert into KR031ORG (SIFRA031, CODE_031, OPIS_031, STAT_031) "
                            "values (:s, :c, :o, '1')");
    q.DeclareVariable(QStringLiteral("s"), otInteger);
    q.DeclareVariable(QStringLiteral("c"), otString);
    q.DeclareVariable(QStringLiteral("o"), otString);
    for (int i = 0; i < kOddelkov; ++i) {
        q.SetVariable(QStringLiteral("s"), first + i);
        q.SetVariable(QStringLiteral("c"), QStringLiteral("OD%1").arg(i, 4, 10, QLatin1Char('0')));
        q.SetVariable(QStringLiteral("o"), QStringLiteral("Oddelek št. %1 – žilna kirurgija").arg(i));
        q.Execute();
    }
    s.Commit();
}

void fillActivities(TOracleSession &s, qint64 rows)
{
    TOracleQuery q(&s);
    q.SQL << QStringLiteral("insert into KA060AK0 (SIFRA060, CODE_060, OPIS_060, TIP__060, TRAJ_060, SIFRA031, "
                            "STAT_060) values (:s, :c, :o, 'A', :t, :d, '1')");
    for (const char *v : {"s", "t", "d"})
        q.DeclareVariable(QString::fromLatin1(v), otInteger);
    for (const char *v : {"c", "o"})
        q.DeclareVariable(QString::fromLatin1(v), otString);
    for (qint64 i = 1; i <= rows; ++i) {
        q.SetVariable(QStringLiteral("s"), i);
        q.SetVariable(QStringLiteral("c"), QStringLiteral("AK%1").arg(i, 8, 10, QLatin1Char('0')));
        q.SetVariable(QStringLiteral("o"), QStringLiteral("Ambulantni pregled – očesni oddelek %1").arg(i));
        q.SetVariable(QStringLiteral("t"), 10 + i % 50);
        q.SetVariable(QStringLiteral("d"), 1 + (i * 7919) % kOddelkov);
        q.Execute();
    }
    s.Commit();
}

QString writeStructure(const QString &dir, const QString &name, const QStringList &lines)
{
    const QString path = dir + name;
    moxtext::writeTextLines(path, lines);
    return path;
}

bool makeDbf(TMoxContext &ctx, const QString &strPath, bool detail)
{
    TTableDescription opis;
    TStrukturaOkolje okolje;
    razcleniStrukturo(moxtext::readTextLines(strPath), okolje, opis);
    const bool ok = kreirajDBFzaStrukturo(ctx, opis, dbfZaStrukturo(strPath, detail), detail);
    ctx.taDBF.Close();
    return ok;
}

int run(qint64 rows, const QString &folder)
{
    qputenv("MOX_DB_ROOT", QDir(folder).filePath(QStringLiteral("db")).toLocal8Bit());
    qputenv("MOX_INI", QDir(folder).filePath(QStringLiteral("MONITOR.INI")).toLocal8Bit());
    const QString save = moxpath::withTrailingSeparator(QDir(folder).filePath(QStringLiteral("save")));
    const QString log = moxpath::withTrailingSeparator(QDir(folder).filePath(QStringLiteral("log")));
    QDir().mkpath(save);
    QDir().mkpath(log);

    TRezineSurovega ui;
    TMoxContext ctx;
    ctx.ui = &ui;
    ctx.pAutomatika = true;
    ctx.currSaveDir = save;
    ctx.currDirLog = log;

    std::printf("mox-bench-general: %lld rows of KA060AK0, one reference column (KR031ORG, %d rows)\n",
                static_cast<long long>(rows), kOddelkov);
    QElapsedTimer setup;
    setup.start();
    makeDatabase(QStringLiteral("IZVOR"));
    makeDatabase(QStringLiteral("CILJ"));
    logon(ctx, QStringLiteral("IZVOR"));
    fillDepartments(ctx.osOracle, 1);
    fillActivities(ctx.osOracle, rows);
    logon(ctx, QStringLiteral("CILJ"));
    fillDepartments(ctx.osOracle, 5001);

    const QString mst = writeStructure(save, QStringLiteral("KR031ORG.mst"),
                                       {QStringLiteral("TABELA=TAVO.KR031ORG"), QStringLiteral("STRUKTURA"),
                                        QStringLiteral("SIFRA031,,INTEGER,10,,,,"),
                                        QStringLiteral("CODE_031,,VARCHAR2,10,,,,")});
    const QString str = writeStructure(
        save, QStringLiteral("KA060AK0.str"),
        {QStringLiteral("TABELA=TAVO.KA060AK0"), QStringLiteral("KLJUC=CODE_060 VARCHAR2"),
         QStringLiteral("AUTO=SIFRA060 begin:naslednji:=   tavo.getSequence('KA060AK0');end;"),
         QStringLiteral("STRUKTURA"), QStringLiteral("SIFRA060,,INTEGER,10,0,,,"),
         QStringLiteral("CODE_060,U,VARCHAR2,10,,,,"), QStringLiteral("OPIS_060,U,VARCHAR2,60,,,,"),
         QStringLiteral("TIP__060,U,VARCHAR2,5,,,,"), QStringLiteral("TRAJ_060,U,INTEGER,5,0,,,"),
         QStringLiteral("SIFRA031,U,INTEGER,10,0,,CODE_031,KR031ORG"), QStringLiteral("STAT_060,,CHAR,1,,,,")});
    if (!makeDbf(ctx, mst, true) || !makeDbf(ctx, str, false))
        return 1;
    std::printf("set-up (databases, rows, DBFs) %.1f s, peak %.1f MB\n", double(setup.elapsed()) / 1000.0,
                peakMegabytes());

    // Preparation at the exporting installation: the reference table, then the table.
    logon(ctx, QStringLiteral("IZVOR"));
    prepareGeneralFromFile(ctx, mst, QString(), true);
    QElapsedTimer t;
    t.start();
    double c = cpuSeconds();
    const qint64 prepared = prepareGeneralFromFile(ctx, str, QString(), false);
    report("preparation", double(t.elapsed()) / 1000.0, cpuSeconds() - c, prepared, ">= 100000 rows/s");
    if (prepared != rows) {
        std::fprintf(stderr, "prepared %lld rows, expected %lld\n", static_cast<long long>(prepared),
                     static_cast<long long>(rows));
        return 1;
    }

    // Refreshes at the receiving installation.
    logon(ctx, QStringLiteral("CILJ"));
    double refreshCpu = 0; // of the last refresh, without the raw loop's slices
    auto refresh = [&](const char *step, const char *goal, qint64 expectInserted) {
        QElapsedTimer tt;
        tt.start();
        const double cc = cpuSeconds(), sliceCpu = ui.cpu;
        const qint64 sliceMs = ui.ms;
        const TOsvezevanjeIzid izid = refreshGeneralFromFile(ctx, str, false);
        refreshCpu = cpuSeconds() - cc - (ui.cpu - sliceCpu);
        report(step, double(tt.elapsed() - (ui.ms - sliceMs)) / 1000.0, refreshCpu, izid.stevci.zapisov, goal);
        const TOsvezevanjeStevci &s = izid.stevci;
        std::printf("%-22s read %lld, new %lld, different %lld, inserted %lld, updated %lld, errors %lld\n", "",
                    static_cast<long long>(s.zapisov), static_cast<long long>(s.novih),
                    static_cast<long long>(s.razlicnih), static_cast<long long>(s.dodanih),
                    static_cast<long long>(s.popravljenih), static_cast<long long>(s.napak));
        if (!izid.napaka.isEmpty() || s.zapisov != rows || s.dodanih != expectInserted || s.razlicnih != 0 ||
            s.napak != 0) {
            std::fprintf(stderr, "unexpected refresh result %s\n", izid.napaka.toLocal8Bit().constData());
            return false;
        }
        return true;
    };
    // The raw loop on its own file, in slices between the refresh's records
    // (TRezineSurovega): as many raw rows as the refresh has records, a
    // hundred at a time. Three rounds; the median of them is the figure.
    moxbench::Raw raw(QDir(folder).filePath(QStringLiteral("raw.db")));
    const int rawRows = int(std::min<qint64>(rows, 1000000));
    const std::function<void(int)> rawLoop = moxbench::selectInsertLoop(raw, kRounds * rawRows);
    std::vector<double> ratios, unchanged;
    for (int round = 0; round < kRounds; ++round) {
        if (round > 0) { // the received rows go, so that the next refresh finds them new again
            TOracleQuery del(&ctx.osOracle);
            del.SQL << QStringLiteral("delete from KA060AK0");
            del.Execute();
            ctx.osOracle.Commit();
        }
        int next = round * rawRows;
        const int end = next + rawRows;
        ui.rezina = [&] {
            for (int k = 0; k < 100 && next < end; ++k)
                rawLoop(next++);
        };
        const double rawCpu0 = ui.cpu;
        const bool ok = refresh("refresh, new rows", ">= 0.5x raw select + insert + commit", rows);
        while (ok && next < end) // the refresh's last records, with fewer than a hundred after them
            ui.processEvents();
        ui.rezina = nullptr;
        if (!ok)
            return 1;
        const double newRate = double(rows) / std::max(1e-9, refreshCpu);
        const double rawRate = double(rawRows) / std::max(1e-9, ui.cpu - rawCpu0);
        ratios.push_back(newRate / rawRate);
        std::printf("%-22s %9.0f rows/s cpu raw select + insert + commit; refresh of new rows %.2fx  (goal: >= 0.5x)\n",
                    "raw SQLite", rawRate, newRate / rawRate);
        if (!refresh("refresh, unchanged rows", ">= 100000 rows/s", 0))
            return 1;
        unchanged.push_back(double(rows) / std::max(1e-9, refreshCpu));
    }
    std::printf("median of %d rounds: refresh of new rows %.2fx raw (goal: >= 0.5x), unchanged rows %.0f rows/s cpu "
                "(goal: >= 100000)\n",
                kRounds, median(ratios), median(unchanged));
    ctx.osOracle.setConnected(false);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    bool ok = true;
    const qint64 rows = a.size() > 1 ? a[1].toLongLong(&ok) : 100000;
    if (!ok || rows < 1) {
        std::fputs("usage: mox-bench-general [ROWS] [FOLDER]\n", stderr);
        return 2;
    }
    QTemporaryDir tmp;
    QString folder = a.size() > 2 ? a[2] : tmp.path();
    if (a.size() > 2 && QDir(folder).exists() && !QDir(folder).isEmpty()) {
        std::fprintf(stderr, "%s is not empty\n", folder.toLocal8Bit().constData());
        return 2;
    }
    QDir().mkpath(folder);
    try {
        return run(rows, QDir(folder).absolutePath());
    } catch (const EMoxError &e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
}
