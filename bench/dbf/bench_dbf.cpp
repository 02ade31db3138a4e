// mox-bench-dbf [RECORDS] [FOLDER]
// Builds a table of RECORDS (default 1,000,000) records with ten character
// fields and one memo, then times: append and post, sequential read of every
// field and memo, building an index on one field, random Seek. Prints the
// figures and the peak memory after each step.
#include "benchsupport.h"
#include "dbf/apollo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// Processor time says more than the clock on the wall on a busy machine.
using moxbench::cpuSeconds;
using moxbench::peakMegabytes;

// The key of record i: a number spread over the whole range, so that the
// index build really sorts.
QString keyOf(quint32 i, quint32 n)
{
    const quint64 spread = (quint64(i) * 2654435761u) % n;
    return QStringLiteral("%1").arg(spread, 10, 10, QLatin1Char('0'));
}


void report(const char *step, double seconds, double cpu, quint32 n, const char *goal)
{
    std::printf("%-18s %8.3f s %11.0f rec/s | cpu %8.3f s %11.0f rec/s | peak %6.1f MB  (goal: %s)\n", step,
                seconds, n / seconds, cpu, n / cpu, peakMegabytes(), goal);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const quint32 n = args.size() > 1 ? args.at(1).toUInt() : 1000000u;
    QTemporaryDir tmp;
    const QString dir = args.size() > 2 ? args.at(2) : tmp.path();
    const QString path = QDir(dir).filePath(QStringLiteral("BENCH.DBF"));
    if (n == 0) {
        std::fprintf(stderr, "usage: mox-bench-dbf [RECORDS] [FOLDER]\n");
        return 2;
    }
    std::printf("%u records, ten C fields and one memo, in %s\n", n, qPrintable(QDir::toNativeSeparators(path)));

    try {
        const int widths[10] = {10, 20, 30, 10, 8, 15, 25, 5, 12, 40};
        TApolloDataSet t;
        if (!t.CreateNew(path, 2, 11))
            throw EMoxError(t.LastError());
        for (int f = 0; f < 10; ++f)
            t.CreateField(QStringLiteral("F%1").arg(f), QStringLiteral("C"), widths[f], 0);
        t.CreateField(QStringLiteral("NOTE"), QStringLiteral("M"), 10, 0);
        if (!t.CreateExec())
            throw EMoxError(t.LastError());

        // Values prepared once, so that the figures measure the table.
        const QString texts[10] = {QString(), QStringLiteral("Čapek Šušteršič"), QStringLiteral("Ljubljana, Zaloška cesta 2"),
                                   QStringLiteral("1"), QStringLiteral("20240101"), QStringLiteral("opis"),
                                   QStringLiteral("daljši opis z žđćčš"), QStringLiteral("A"), QStringLiteral("12345.67"),
                                   QStringLiteral("besedilo, ki zapolni večino širine polja")};
        const QString memo = QStringLiteral("Zapisek s šumniki: čćžšđ, in še nekaj besedila.");

        t.TableName = path;
        t.Open();
        std::vector<TApolloField> fields;
        for (int f = 0; f < 10; ++f)
            fields.push_back(t.FieldByName(QStringLiteral("F%1").arg(f)));
        TApolloField note = t.FieldByName(QStringLiteral("NOTE"));

        QElapsedTimer timer;
        timer.start();
        double cpu = cpuSeconds();
        for (quint32 i = 0; i < n; ++i) {
            t.Append();
            fields[0].setAsString(keyOf(i, n));
            for (int f = 1; f < 10; ++f)
                fields[size_t(f)].setAsString(texts[f]);
            note.setAsString(memo);
            t.Post();
        }
        t.Commit();
        report("append + post", timer.nsecsElapsed() / 1e9, cpuSeconds() - cpu, n, ">= 500000 records/s");
        t.Close();

        t.Open();
        timer.restart();
        cpu = cpuSeconds();
        quint64 chars = 0;
        quint32 read = 0;
        for (t.First(); !t.Eof(); t.Next()) {
            for (int f = 0; f < 10; ++f)
                chars += quint64(fields[size_t(f)].AsString().size());
            chars += quint64(note.AsString().size());
            ++read;
        }
        report("sequential read", timer.nsecsElapsed() / 1e9, cpuSeconds() - cpu, read, ">= 1000000 records/s");
        if (read != n)
            throw EMoxError(QStringLiteral("read %1 records of %2").arg(read).arg(n));

        timer.restart();
        cpu = cpuSeconds();
        t.Index(QDir(dir).filePath(QStringLiteral("BENCH")), QStringLiteral("F0"));
        report("index build", timer.nsecsElapsed() / 1e9, cpuSeconds() - cpu, n, "<= 2 s");

        const int seeks = 200000;
        QRandomGenerator rng(7);
        std::vector<QString> keys;
        keys.reserve(seeks);
        for (int i = 0; i < seeks; ++i)
            keys.push_back(keyOf(rng.bounded(n), n));
        timer.restart();
        cpu = cpuSeconds();
        int found = 0;
        for (const QString &k : keys)
            found += t.Seek(k) ? 1 : 0;
        std::printf("%-18s %8.3f us per Seek | cpu %8.3f us | %d of %d found | peak %6.1f MB  (goal: <= 10 us)\n",
                    "random Seek", timer.nsecsElapsed() / 1e3 / seeks, (cpuSeconds() - cpu) * 1e6 / seeks, found,
                    seeks, peakMegabytes());
        timer.restart();
        cpu = cpuSeconds();
        for (int i = 0; i < seeks; ++i) {
            t.Seek(keys[size_t(i)]);
            chars += quint64(fields[1].AsString().size());
        }
        std::printf("%-18s %8.3f us per Seek | cpu %8.3f us (with one field read)\n", "Seek + read",
                    timer.nsecsElapsed() / 1e3 / seeks, (cpuSeconds() - cpu) * 1e6 / seeks);
        t.Close();
        std::printf("files: %.1f MB table, %.1f MB memo, %.1f MB index (checksum %llu)\n",
                    QFileInfo(path).size() / 1048576.0,
                    QFileInfo(QDir(dir).filePath(QStringLiteral("BENCH.FPT"))).size() / 1048576.0,
                    QFileInfo(QDir(dir).filePath(QStringLiteral("BENCH.CDX"))).size() / 1048576.0,
                    static_cast<unsigned long long>(chars));
    } catch (const EMoxError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
