#include "platform/profile.h"

#include "base/moxerror.h"
#include "base/text.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

namespace {

const QString kMarker = QStringLiteral("%MOX%");

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

// A character that can stand as itself in the file: a printable character of
// the code page (no C0/C1 controls, no DEL).
bool isPlainChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F))
        return false;
    return u < 0x80 || moxtext::isCp1250(QString(c));
}

bool isQuoted(const QString &s)
{
    return s.size() >= 2 && s.front() == s.back() && (s.front() == u'"' || s.front() == u'\'');
}

// True when the value, written as it is, reads back unchanged.
bool readsBackPlain(const QString &value)
{
    if (value.isEmpty())
        return true;
    if (isBlank(value.front()) || isBlank(value.back()) || isQuoted(value) || value.startsWith(kMarker))
        return false;
    for (QChar c : value)
        if (!isPlainChar(c))
            return false;
    return true;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// Section name of a line "[name]", or a null string when the line is no
// section header.
QString sectionOf(const QString &line)
{
    const QString t = trimBlanks(line);
    if (!t.startsWith(u'['))
        return QString();
    const qsizetype close = t.indexOf(u']');
    const QString name = trimBlanks(close < 0 ? t.mid(1) : t.mid(1, close - 1));
    return name.isNull() ? QStringLiteral("") : name;
}

// Key name of a line "key=value", or a null string for other lines (blank
// lines, comments, lines without "=").
QString keyOf(const QString &line, qsizetype *eq = nullptr)
{
    const QString t = trimBlanks(line);
    if (t.isEmpty() || t.startsWith(u';'))
        return QString();
    const qsizetype pos = line.indexOf(u'=');
    if (pos < 0)
        return QString();
    if (eq)
        *eq = pos;
    const QString key = trimBlanks(line.left(pos));
    return key.isNull() ? QStringLiteral("") : key;
}

bool sameName(const QString &a, const QString &b) { return moxtext::upperAZ(a) == moxtext::upperAZ(b); }

QString readValue(const QString &line, qsizetype eq)
{
    QString v = trimBlanks(line.mid(eq + 1));
    if (isQuoted(v))
        v = v.mid(1, v.size() - 2);
    return v;
}

// The settings file as last read. Start-up reads many keys one after another;
// the file is read once for all of them. The first section of each name is
// found in one pass; the keys of a section are gathered the first time one of
// them is asked for.
struct Posnetek {
    QString pot; // absolute path, empty when nothing is held
    qint64 velikost = -1;
    QDateTime spremenjena;
    bool zanesljiv = false; // the file was old enough when read (see veljaven)
    // The whole file: its bytes (Windows-1250, one byte a character), or for
    // a file with the UTF-8 mark its decoded text.
    QByteArray bajti;
    QString besedilo;
    bool utf8 = false;
    // The lines of the first section of each name (upper-cased by upperAZ):
    // from, to in the file's characters.
    QHash<QString, std::pair<qsizetype, qsizetype>> odseki;
    // The raw value text of the first line of each key (upper-cased), for the
    // sections asked for so far.
    QHash<QString, QHash<QString, QString>> kljuci;
};

QMutex g_zaklep;
Posnetek g_posnetek;
qint64 g_branj = 0;

// A file changed within this time before it was read may be changed again
// without its time stamp moving (file systems count time in steps, FAT in two
// seconds): such a reading is not kept.
constexpr qint64 kNegotovoMs = 2000;

bool veljaven(const Posnetek &p, const QFileInfo &fi)
{
    return p.zanesljiv && p.pot == fi.absoluteFilePath() && p.velikost == fi.size() &&
           p.spremenjena == fi.lastModified();
}

// Character i of a file's bytes or text. Line ends, blanks and "[" are the
// same in both.
inline char16_t znak(const QByteArray &t, qsizetype i) { return static_cast<unsigned char>(t.at(i)); }
inline char16_t znak(const QString &t, qsizetype i) { return t.at(i).unicode(); }
QString odsek(const QByteArray &t, qsizetype od, qsizetype do_) { return moxtext::fromCp1250(t.constData() + od, do_ - od); }
QString odsek(const QString &t, qsizetype od, qsizetype do_) { return t.mid(od, do_ - od); }

// Calls f(from, to) for each line of t between od and do_ (CR LF, LF or CR
// ends a line, as moxtext::readTextLines reads them).
template <class T, class F> void zaVsakoVrstico(const T &t, qsizetype od, qsizetype do_, F &&f)
{
    qsizetype zacetek = od;
    for (qsizetype i = od; i < do_; ++i) {
        const char16_t c = znak(t, i);
        if (c != u'\r' && c != u'\n')
            continue;
        f(zacetek, i);
        if (c == u'\r' && i + 1 < do_ && znak(t, i + 1) == u'\n')
            ++i;
        zacetek = i + 1;
    }
    if (zacetek < do_)
        f(zacetek, do_);
}

template <class T> void najdiOdseke(const T &t, Posnetek &p)
{
    QString tekoca; // the open section, null when it is not the first of its name
    zaVsakoVrstico(t, 0, t.size(), [&](qsizetype od, qsizetype do_) {
        qsizetype i = od;
        while (i < do_ && (znak(t, i) == u' ' || znak(t, i) == u'\t'))
            ++i;
        if (i == do_ || znak(t, i) != u'[')
            return;
        const QString ime = moxtext::upperAZ(sectionOf(odsek(t, od, do_)));
        if (!tekoca.isNull())
            p.odseki[tekoca].second = od;
        tekoca = QString();
        if (!p.odseki.contains(ime)) {
            p.odseki.insert(ime, {do_, t.size()});
            tekoca = ime;
        }
    });
}

template <class T> QHash<QString, QString> kljuciMed(const T &t, std::pair<qsizetype, qsizetype> obseg)
{
    QHash<QString, QString> kljuci;
    zaVsakoVrstico(t, obseg.first, obseg.second, [&](qsizetype od, qsizetype do_) {
        const QString line = odsek(t, od, do_);
        qsizetype eq = -1;
        const QString k = keyOf(line, &eq);
        if (k.isNull())
            return;
        const QString kljuc = moxtext::upperAZ(k);
        if (!kljuci.contains(kljuc))
            kljuci.insert(kljuc, readValue(line, eq));
    });
    return kljuci;
}

Posnetek preberiPosnetek(const QString &file, const QFileInfo &fi)
{
    Posnetek p;
    p.pot = fi.absoluteFilePath();
    p.velikost = fi.size();
    p.spremenjena = fi.lastModified();
    const QDateTime zdaj = QDateTime::currentDateTimeUtc();
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            throw EMoxError(QStringLiteral("Ne morem brati datoteke %1: %2").arg(file, f.errorString()));
        p.bajti = f.readAll();
    }
    ++g_branj;
    p.zanesljiv = p.spremenjena.isValid() && p.spremenjena.msecsTo(zdaj) > kNegotovoMs;
    // Decoded whole only when it is not the code page (see decodeTextFile).
    p.utf8 = p.bajti.startsWith("\xEF\xBB\xBF");
    if (p.utf8) {
        p.besedilo = moxtext::decodeTextFile(p.bajti);
        p.bajti.clear();
        najdiOdseke(p.besedilo, p);
    } else {
        najdiOdseke(p.bajti, p);
    }
    return p;
}

// The keys of a section, gathered once.
const QHash<QString, QString> &kljuciOdseka(Posnetek &p, const QString &ime, std::pair<qsizetype, qsizetype> obseg)
{
    auto it = p.kljuci.find(ime);
    if (it != p.kljuci.end())
        return *it;
    return *p.kljuci.insert(ime, p.utf8 ? kljuciMed(p.besedilo, obseg) : kljuciMed(p.bajti, obseg));
}

void pozabi(const QString &file)
{
    const QMutexLocker zaklep(&g_zaklep);
    if (g_posnetek.pot == QFileInfo(file).absoluteFilePath())
        g_posnetek = Posnetek();
}

} // namespace

qint64 profileFileReads()
{
    const QMutexLocker zaklep(&g_zaklep);
    return g_branj;
}

QString settingsFilePath()
{
    const QString over = qEnvironmentVariable("MOX_INI");
    if (!over.isEmpty())
        return over;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("MONITOR.INI"));
}

QString encodeProfileValue(const QString &value)
{
    if (readsBackPlain(value))
        return value;
    QString out = kMarker;
    out.reserve(kMarker.size() + value.size() * 2);
    for (QChar c : value) {
        if (isPlainChar(c) && c != u'%' && c != u' ') // blanks escaped: none may end the value
            out += c;
        else
            out += u'%' + QStringLiteral("%1").arg(c.unicode(), 4, 16, QChar(u'0')).toUpper();
    }
    return out;
}

QString decodeProfileValue(const QString &stored)
{
    if (!stored.startsWith(kMarker))
        return stored;
    QString out;
    out.reserve(stored.size());
    const qsizetype n = stored.size();
    for (qsizetype i = kMarker.size(); i < n; ++i) {
        const QChar c = stored.at(i);
        if (c != u'%') {
            out += c;
            continue;
        }
        if (i + 4 >= n)
            return stored; // not our escaped form: hand it back as it is
        int code = 0;
        for (qsizetype j = 1; j <= 4; ++j) {
            const int d = hexDigit(stored.at(i + j));
            if (d < 0)
                return stored;
            code = code * 16 + d;
        }
        out += QChar(char16_t(code));
        i += 4;
    }
    return out;
}

QString profileStringFrom(const QString &file, const QString &section, const QString &key, const QString &def)
{
    const QFileInfo fi(file);
    if (!fi.isFile())
        return def;
    const QMutexLocker zaklep(&g_zaklep);
    if (!veljaven(g_posnetek, fi)) {
        try {
            g_posnetek = preberiPosnetek(file, fi);
        } catch (const EMoxError &) {
            g_posnetek = Posnetek();
            return def; // an unreadable settings file reads as a missing one
        }
    }
    const QString ime = moxtext::upperAZ(section);
    const auto sec = g_posnetek.odseki.constFind(ime);
    if (sec == g_posnetek.odseki.constEnd())
        return def;
    const QHash<QString, QString> &kljuci = kljuciOdseka(g_posnetek, ime, *sec);
    const auto val = kljuci.constFind(moxtext::upperAZ(key));
    if (val == kljuci.constEnd())
        return def;
    return decodeProfileValue(*val).left(kProfileValueMax);
}

void writeProfileStringTo(const QString &file, const QString &section, const QString &key, const QString &value)
{
    // Whatever happens below, the next read looks at the file again.
    pozabi(file);
    QStringList lines;
    if (QFileInfo::exists(file))
        lines = moxtext::readTextLines(file);

    const QString keyLine = key + u'=' + encodeProfileValue(value);

    // Find the section, then the key inside it or the place after its last
    // non-blank line.
    qsizetype secStart = -1;
    qsizetype insertAt = -1;
    qsizetype keyAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString sec = sectionOf(lines.at(i));
        if (!sec.isNull()) {
            if (secStart >= 0)
                break;
            if (sameName(sec, section)) {
                secStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (secStart < 0)
            continue;
        if (!trimBlanks(lines.at(i)).isEmpty())
            insertAt = i + 1;
        const QString k = keyOf(lines.at(i));
        if (!k.isNull() && sameName(k, key)) {
            keyAt = i;
            break;
        }
    }

    if (keyAt >= 0) {
        lines[keyAt] = keyLine;
    } else if (secStart >= 0) {
        lines.insert(insertAt, keyLine);
    } else {
        if (!lines.isEmpty() && !trimBlanks(lines.back()).isEmpty())
            lines << QString();
        lines << u'[' + section + u']' << keyLine;
    }

    const auto fail = [&file](const QString &why) {
        return EMoxError(QStringLiteral("Ne morem pisati v datoteko %1: %2").arg(file, why));
    };
    const QString dir = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(dir))
        throw fail(QStringLiteral("ni mogoče ustvariti mape %1").arg(dir));
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw fail(out.errorString());
    QByteArray data;
    for (const QString &line : lines) {
        data += moxtext::toCp1250(line);
        data += "\r\n";
    }
    if (out.write(data) != data.size() || !out.commit())
        throw fail(out.errorString());
    pozabi(file);
}

QString profileString(const QString &section, const QString &key, const QString &def)
{
    return profileStringFrom(settingsFilePath(), section, key, def);
}

void writeProfileString(const QString &section, const QString &key, const QString &value)
{
    writeProfileStringTo(settingsFilePath(), section, key, value);
}
