// libFuzzer target for the compact index reader (and the writer working on
// what it read). An input is either a whole file (first byte odd) or a list
// of byte patches to a sound three-level index (first byte even): two bytes
// of position, one byte of value each. Whatever the bytes, the index must end
// with a result or an EMoxError: no crash, no hang, no sanitizer report.
//
// Build with clang: cmake -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
//   -DMOX_FUZZ=ON, then run: fuzz_cdx -max_total_time=600 CORPUS_DIR
#include "dbf/cdx/cdx.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstring>

namespace {

QString scratch(const char *name)
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("mox-cdx-fuzz-%1-%2").arg(QCoreApplication::applicationPid()).arg(QLatin1String(name)));
}

const QByteArray &soundIndex()
{
    static const QByteArray bytes = [] {
        const QString path = scratch("base.cdx");
        std::vector<std::pair<QByteArray, quint32>> keys;
        for (quint32 r = 1; r <= 3000; ++r)
            keys.emplace_back(QByteArray::number(r * 31 % 3001), r);
        CdxIndex index = CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 6, keys);
        for (quint32 r = 3001; r <= 3400; ++r)
            index.insert(QByteArray::number(r * 7 % 5003), r);
        index.close();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QByteArray all = f.readAll();
        f.close();
        QFile::remove(path);
        return all;
    }();
    return bytes;
}

void exercise(const QString &path)
{
    CdxIndex::tagNames(path);
    CdxIndex index = CdxIndex::open(path, QStringLiteral("K"));
    int n = 0;
    for (quint32 r = index.first(); r != 0 && n < 100000; r = index.next())
        ++n;
    index.seekPrefix("12");
    index.seekPrefix("");
    index.insert("1", 9000);
    index.insert("99999", 9001);
    n = 0;
    for (quint32 r = index.first(); r != 0 && n < 100000; r = index.next())
        ++n;
    index.close();
    CdxIndex::build(path, QStringLiteral("L"), QStringLiteral("L"), 4, {{"A", 1}, {"B", 2}});
    CdxIndex::build(path, QStringLiteral("K"), QStringLiteral("K"), 6, {{"A", 1}});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray file;
    if (size > 0 && (data[0] & 1)) {
        file = QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    } else {
        file = soundIndex();
        for (size_t i = 1; i + 3 <= size; i += 3) {
            const quint32 pos = (quint32(data[i]) << 8 | data[i + 1]) * quint32(file.size()) >> 16;
            file[qsizetype(pos)] = char(data[i + 2]);
        }
    }
    static const QString path = scratch("input.cdx");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(file);
    }
    try {
        exercise(path);
    } catch (const EMoxError &) {
    }
    return 0;
}
