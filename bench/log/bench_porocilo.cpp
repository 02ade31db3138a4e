// The report of a refresh of a large table: this collects the given number
// of records (default 100,000), half new and half different in three columns
// with Slovenian texts, writes the report and prints the time of collecting
// and of writing, the sizes of the files and the peak memory.
//
//     mox-bench-porocilo [records]
#include "benchsupport.h"

#include "log/porocilo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 zapisov = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100000;
    QTemporaryDir dir;
    const QString rez = dir.filePath(QStringLiteral("KR031ORG.rez"));
    const double zacetniMB = moxbench::peakMegabytes();

    QElapsedTimer ura;
    ura.start();
    TPorocilo p;
    p.nastavi(QStringLiteral("TAVO.KR031ORG"), true);
    for (qint64 i = 0; i < zapisov; ++i) {
        const QString kljuc = QStringLiteral("SIFR_031  ") + QString::number(100000 + i);
        if (i % 2 == 0) {
            p.novo(0, kljuc);
            continue;
        }
        std::vector<TRazlikaStolpca> r;
        for (const char *stolpec : {"NAZIV031", "OPIS_031", "NASL_031"})
            r.push_back({QString::fromLatin1(stolpec), QStringLiteral("Očesni oddelek ") + QString::number(i),
                         QStringLiteral("Otroški oddelek; \"žarek\" ") + QString::number(i)});
        p.razlicno(0, kljuc, std::move(r));
    }
    p.tabela(0, QStringLiteral("TAVO.KR031ORG"), {zapisov, (zapisov + 1) / 2, zapisov / 2, 0, 0});
    const qint64 zbiranje = ura.restart();
    const double poZbiranjuMB = moxbench::peakMegabytes();
    p.zapisi(rez);
    const qint64 pisanje = ura.elapsed();

    std::printf("records:            %lld (half new, half different in 3 columns)\n", static_cast<long long>(zapisov));
    std::printf("collecting:         %lld ms\n", static_cast<long long>(zbiranje));
    std::printf("writing:            %lld ms (HTML, CSV, index)\n", static_cast<long long>(pisanje));
    std::printf("HTML:               %.1f MB\n", double(QFileInfo(TPorocilo::htmlPot(rez)).size()) / 1048576.0);
    std::printf("CSV:                %.1f MB\n", double(QFileInfo(TPorocilo::csvPot(rez)).size()) / 1048576.0);
    std::printf("peak memory:        %.1f MB at start, %.1f MB after collecting, %.1f MB after writing\n", zacetniMB,
                poZbiranjuMB, moxbench::peakMegabytes());
    std::printf("processor time:     %.2f s\n", moxbench::cpuSeconds());
    return 0;
}
