// Prints figures for the compact index: build of 1,000,000 keys, opening,
// random prefix seeks, iteration and inserts. Not a test: it only measures.
#include "dbf/cdx/cdx.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const quint32 n = argc > 1 ? quint32(QByteArray(argv[1]).toUInt()) : 1'000'000;
    const int keyLength = 20;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("BENCH.CDX"));

    std::mt19937 rng(1);
    std::uniform_int_distribution<int> letter('A', 'Z');
    std::vector<QByteArray> sample;
    std::vector<std::pair<QByteArray, quint32>> keys;
    keys.reserve(n);
    for (quint32 r = 1; r <= n; ++r) {
        QByteArray k(keyLength, ' ');
        for (int i = 0; i < 12; ++i)
            k[i] = char(letter(rng));
        keys.emplace_back(k, r);
        if (r % 97 == 0)
            sample.push_back(k.left(8));
    }

    QElapsedTimer t;
    t.start();
    CdxIndex index = CdxIndex::build(path, QStringLiteral("KEY"), QStringLiteral("NAME"), keyLength, std::move(keys));
    const double buildS = t.nsecsElapsed() / 1e9;
    std::printf("index build:   %u keys of %d bytes in %.3f s (file %lld bytes)\n", n, keyLength, buildS,
                QFileInfo(path).size());
    index.close();

    t.restart();
    index = CdxIndex::open(path, QStringLiteral("KEY"));
    std::printf("open:          %.3f ms\n", t.nsecsElapsed() / 1e6);

    const int seeks = 1'000'000;
    std::uniform_int_distribution<size_t> pick(0, sample.size() - 1);
    quint64 found = 0;
    t.restart();
    for (int i = 0; i < seeks; ++i)
        found += index.seekPrefix(sample[pick(rng)]) != 0;
    std::printf("seek:          %.2f us per prefix seek (%llu of %d found)\n", t.nsecsElapsed() / 1e3 / seeks,
                static_cast<unsigned long long>(found), seeks);

    t.restart();
    quint64 count = 0;
    for (quint32 r = index.first(); r != 0; r = index.next())
        ++count;
    std::printf("iteration:     %llu keys in %.3f s\n", static_cast<unsigned long long>(count), t.nsecsElapsed() / 1e9);

    const quint32 inserts = 100'000;
    t.restart();
    for (quint32 i = 1; i <= inserts; ++i) {
        QByteArray k(keyLength, ' ');
        for (int j = 0; j < 12; ++j)
            k[j] = char(letter(rng));
        index.insert(k, n + i);
    }
    const double insS = t.nsecsElapsed() / 1e9;
    std::printf("insert:        %u random keys in %.3f s (%.0f keys/s, written through)\n", inserts, insS,
                inserts / insS);
    return 0;
}
