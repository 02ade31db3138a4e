// Runs the fuzz target without libFuzzer: over the files and folders named on
// the command line, then over random mutations of them.
//   fuzz_dbf_driver [--mutations N] [--seed S] FILE|DIR...
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

void runOne(const QByteArray &b) { LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(b.constData()), size_t(b.size())); }

QByteArray mutate(QByteArray b, QRandomGenerator &rng)
{
    const int edits = 1 + int(rng.bounded(8));
    for (int e = 0; e < edits; ++e) {
        const int kind = int(rng.bounded(6));
        if (b.isEmpty())
            b.append(char(rng.bounded(256)));
        const int at = int(rng.bounded(b.size()));
        switch (kind) {
        case 0: b[at] = char(rng.bounded(256)); break;                     // random byte
        case 1: b[at] = char(b[at] ^ (1 << rng.bounded(8))); break;        // flip a bit
        case 2: b.truncate(at); break;                                     // shorten
        case 3: b.insert(at, QByteArray(int(rng.bounded(16)) + 1, char(rng.bounded(256)))); break;
        case 4: b.remove(at, int(rng.bounded(16)) + 1); break;
        default: {                                                          // interesting values
            static const char vals[] = {0, 1, 0x0D, 0x1A, ' ', '*', '0', '9', char(0x7F), char(0x80), char(0xFF)};
            b[at] = vals[rng.bounded(int(sizeof vals))];
        }
        }
    }
    return b;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    long mutations = 0;
    quint32 seed = 1;
    std::vector<QByteArray> seeds;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--mutations") && i + 1 < args.size()) {
            mutations = args[++i].toLong();
        } else if (args[i] == QLatin1String("--seed") && i + 1 < args.size()) {
            seed = args[++i].toUInt();
        } else if (QFileInfo(args[i]).isDir()) {
            QDirIterator it(args[i], QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                QFile f(it.next());
                if (f.open(QIODevice::ReadOnly))
                    seeds.push_back(f.readAll());
            }
        } else {
            QFile f(args[i]);
            if (f.open(QIODevice::ReadOnly))
                seeds.push_back(f.readAll());
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no inputs\n");
        return 2;
    }
    for (const QByteArray &s : seeds)
        runOne(s);
    QRandomGenerator rng(seed);
    for (long i = 0; i < mutations; ++i)
        runOne(mutate(seeds[size_t(rng.bounded(int(seeds.size())))], rng));
    std::printf("%zu inputs, %ld mutations: no failure\n", seeds.size(), mutations);
    return 0;
}
