#include "base/text.h"

#include "base/moxerror.h"

#include <QByteArrayView>
#include <QFile>
#include <QHash>
#include <QStringDecoder>

namespace moxtext {
namespace {

// Characters of the bytes 0x80..0xFF. The five bytes the code page leaves
// unassigned (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1 control of the same
// value, so that every byte string round-trips.
constexpr char16_t kHigh[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

const QHash<char16_t, char> &reverseTable()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int i = 0; i < 128; ++i)
            t.insert(kHigh[i], char(0x80 + i));
        return t;
    }();
    return table;
}

inline bool encodeChar(char16_t c, char &out)
{
    if (c < 0x80) {
        out = char(c);
        return true;
    }
    const auto &t = reverseTable();
    auto it = t.constFind(c);
    if (it == t.constEnd())
        return false;
    out = it.value();
    return true;
}

} // namespace

QString upperAZ(const QString &s)
{
    QString out = s;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - 32));
    }
    return out;
}

bool isBlank(QChar c) { return c.unicode() <= 32; }

QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

QString trimBlanksLeft(const QString &s)
{
    qsizetype b = 0;
    while (b < s.size() && isBlank(s.at(b)))
        ++b;
    return s.mid(b);
}

QByteArray toCp1250(const QString &s)
{
    QByteArray out;
    out.resize(s.size());
    char *p = out.data();
    for (QChar c : s) {
        char b;
        *p++ = encodeChar(c.unicode(), b) ? b : '?';
    }
    return out;
}

QString fromCp1250(const char *data, qsizetype size)
{
    QString out(size, Qt::Uninitialized);
    QChar *p = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        *p++ = QChar(b < 0x80 ? char16_t(b) : kHigh[b - 0x80]);
    }
    return out;
}

QString fromCp1250(const QByteArray &bytes) { return fromCp1250(bytes.constData(), bytes.size()); }

bool isCp1250(const QString &s)
{
    char b;
    for (QChar c : s)
        if (!encodeChar(c.unicode(), b))
            return false;
    return true;
}

QString decodeTextFile(const QByteArray &bytes)
{
    // Editors that save "UTF-8 with signature" put these three bytes first;
    // read as the code page they would stick to the first line.
    static const QByteArray kBom("\xEF\xBB\xBF");
    if (!bytes.startsWith(kBom))
        return fromCp1250(bytes);
    const QByteArrayView rest(bytes.constData() + kBom.size(), bytes.size() - kBom.size());
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(rest);
    // A file that is not UTF-8 after all keeps its bytes as the code page.
    if (utf8.hasError())
        return fromCp1250(rest.data(), rest.size());
    return text;
}

QStringList readTextLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EMoxError(QStringLiteral("Ne morem brati datoteke %1: %2").arg(path, f.errorString()));
    const QString text = decodeTextFile(f.readAll());
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

namespace {
void writeLines(const QString &path, const QStringList &lines, QIODevice::OpenMode mode)
{
    QFile f(path);
    if (!f.open(mode))
        throw EMoxError(QStringLiteral("Ne morem pisati v datoteko %1: %2").arg(path, f.errorString()));
    QByteArray data;
    for (const QString &line : lines) {
        data += toCp1250(line);
        data += "\r\n";
    }
    if (f.write(data) != data.size() || !f.flush())
        throw EMoxError(QStringLiteral("Ne morem pisati v datoteko %1: %2").arg(path, f.errorString()));
}
} // namespace

void writeTextLines(const QString &path, const QStringList &lines)
{
    writeLines(path, lines, QIODevice::WriteOnly | QIODevice::Truncate);
}

void appendTextLines(const QString &path, const QStringList &lines)
{
    writeLines(path, lines, QIODevice::WriteOnly | QIODevice::Append);
}

} // namespace moxtext
