#include "oracle/oravalues.h"

#include "base/moxerror.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QTime>

#include <cmath>

namespace oravalue {

namespace {

const char *const kMonths[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                               "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

// One element of a format model.
struct Element {
    enum Kind { Literal, Year4, Year2, RYear2, Month, MonName, MonthName, Day, DayOfYear, Hour24, Hour12, Minute, Second,
                Meridian, Fm };
    Kind kind;
    QString text; // Literal
};

std::vector<Element> parseFormat(const QString &format)
{
    std::vector<Element> out;
    const QString f = format.toUpper();
    int i = 0;
    auto starts = [&](const char *w) { return f.mid(i).startsWith(QLatin1String(w)); };
    while (i < f.size()) {
        const QChar c = f.at(i);
        if (c == u'"') {
            const int end = int(f.indexOf(u'"', i + 1));
            const int stop = end < 0 ? int(f.size()) : end;
            out.push_back({Element::Literal, format.mid(i + 1, stop - i - 1)});
            i = stop + 1;
        } else if (!c.isLetterOrNumber()) {
            out.push_back({Element::Literal, QString(c)});
            ++i;
        } else if (starts("YYYY") || starts("RRRR")) {
            out.push_back({Element::Year4, {}});
            i += 4;
        } else if (starts("YY")) {
            out.push_back({Element::Year2, {}});
            i += 2;
        } else if (starts("RR")) {
            out.push_back({Element::RYear2, {}});
            i += 2;
        } else if (starts("MONTH")) {
            out.push_back({Element::MonthName, {}});
            i += 5;
        } else if (starts("MON")) {
            out.push_back({Element::MonName, {}});
            i += 3;
        } else if (starts("MM")) {
            out.push_back({Element::Month, {}});
            i += 2;
        } else if (starts("MI")) {
            out.push_back({Element::Minute, {}});
            i += 2;
        } else if (starts("DDD")) {
            out.push_back({Element::DayOfYear, {}});
            i += 3;
        } else if (starts("DD")) {
            out.push_back({Element::Day, {}});
            i += 2;
        } else if (starts("HH24")) {
            out.push_back({Element::Hour24, {}});
            i += 4;
        } else if (starts("HH12")) {
            out.push_back({Element::Hour12, {}});
            i += 4;
        } else if (starts("HH")) {
            out.push_back({Element::Hour12, {}});
            i += 2;
        } else if (starts("SS")) {
            out.push_back({Element::Second, {}});
            i += 2;
        } else if (starts("AM") || starts("PM")) {
            out.push_back({Element::Meridian, {}});
            i += 2;
        } else if (starts("A.M.") || starts("P.M.")) {
            out.push_back({Element::Meridian, {}});
            i += 4;
        } else if (starts("FM")) {
            out.push_back({Element::Fm, {}});
            i += 2;
        } else {
            fail(QStringLiteral("ORA-01821: date format not recognized (%1)").arg(format));
        }
    }
    return out;
}

} // namespace

QString numberText(qint64 v) { return QString::number(v); }

QString numberText(double d)
{
    if (std::isnan(d) || std::isinf(d))
        return QStringLiteral("~");
    if (d == 0)
        return QStringLiteral("0");
    if (d == std::trunc(d) && std::fabs(d) < 9.2e18)
        return QString::number(qint64(d));
    QString s = QString::number(d, 'g', 15);
    if (s.contains(u'e'))
        s = QString::number(d, 'f', QLocale::FloatingPointShortest);
    return s;
}

QString layerDateText(const QDateTime &dt)
{
    if (!dt.isValid())
        return QString();
    return dt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString isoText(const QDateTime &dt)
{
    if (!dt.isValid())
        return QString();
    const QDate d = dt.date();
    const QTime t = dt.time();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

bool isIsoDate(const QString &s)
{
    if (s.size() != 19)
        return false;
    static const char pattern[] = "dddd-dd-dd dd:dd:dd";
    for (int i = 0; i < 19; ++i) {
        const QChar c = s.at(i);
        if (pattern[i] == 'd') {
            if (c < u'0' || c > u'9')
                return false;
        } else if (c != QLatin1Char(pattern[i])) {
            return false;
        }
    }
    return true;
}

QDateTime fromIso(const QString &s)
{
    if (!isIsoDate(s))
        return QDateTime();
    auto field = [&](int from, int len) {
        int v = 0;
        for (int i = from; i < from + len; ++i)
            v = v * 10 + (s.at(i).unicode() - u'0');
        return v;
    };
    const QDate d(field(0, 4), field(5, 2), field(8, 2));
    const QTime t(field(11, 2), field(14, 2), field(17, 2));
    if (!d.isValid() || !t.isValid())
        return QDateTime();
    // Making a local date-time looks the time zone up (a file system call
    // each time); rows read one after another often carry the same dates.
    thread_local QHash<QString, QDateTime> recent;
    auto it = recent.constFind(s);
    if (it != recent.constEnd())
        return it.value();
    if (recent.size() >= 4096)
        recent.clear();
    const QDateTime dt(d, t);
    recent.insert(s, dt);
    return dt;
}

QString formatDate(const QDateTime &dt, const QString &format)
{
    const std::vector<Element> els = parseFormat(format);
    const QDate d = dt.date();
    const QTime t = dt.time();
    bool fm = false;
    QString out;
    auto num = [&](int v, int width) {
        return fm ? QString::number(v) : QString::number(v).rightJustified(width, u'0');
    };
    for (const Element &e : els) {
        switch (e.kind) {
        case Element::Literal:
            out += e.text;
            break;
        case Element::Fm:
            fm = !fm;
            break;
        case Element::Year4:
            out += QString::number(d.year()).rightJustified(4, u'0');
            break;
        case Element::Year2:
        case Element::RYear2:
            out += QString::number(d.year() % 100).rightJustified(2, u'0');
            break;
        case Element::Month:
            out += num(d.month(), 2);
            break;
        case Element::MonName:
            out += QString::fromLatin1(kMonths[d.month() - 1]).left(3);
            break;
        case Element::MonthName:
            out += fm ? QString::fromLatin1(kMonths[d.month() - 1])
                      : QString::fromLatin1(kMonths[d.month() - 1]).leftJustified(9, u' ');
            break;
        case Element::Day:
            out += num(d.day(), 2);
            break;
        case Element::DayOfYear:
            out += num(d.dayOfYear(), 3);
            break;
        case Element::Hour24:
            out += num(t.hour(), 2);
            break;
        case Element::Hour12: {
            const int h = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
            out += num(h, 2);
            break;
        }
        case Element::Minute:
            out += num(t.minute(), 2);
            break;
        case Element::Second:
            out += num(t.second(), 2);
            break;
        case Element::Meridian:
            out += t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            break;
        }
    }
    return out;
}

QDateTime parseDate(const QString &input, const QString &format)
{
    QDate date;
    QTime time;
    parseDateFields(input, format, date, time);
    return QDateTime(date, time);
}

void parseDateFields(const QString &input, const QString &format, QDate &date, QTime &time)
{
    const std::vector<Element> els = parseFormat(format);
    // a format without year or month takes today's (looked up only then:
    // the current date costs a time-zone lookup)
    auto today = [] { return QDate::currentDate(); };
    int year = 0, month = 0, day = 1, hour = 0, minute = 0, second = 0;
    bool yearGiven = false, monthGiven = false;
    for (const Element &e : els) {
        yearGiven = yearGiven || e.kind == Element::Year4 || e.kind == Element::Year2 || e.kind == Element::RYear2;
        monthGiven = monthGiven || e.kind == Element::Month || e.kind == Element::MonName
                     || e.kind == Element::MonthName || e.kind == Element::DayOfYear;
    }
    constexpr int kNotRead = -99999;
    year = kNotRead;
    if (!yearGiven || !monthGiven) {
        const QDate now = today();
        year = yearGiven ? kNotRead : now.year();
        month = monthGiven ? 0 : now.month();
    }
    int dayOfYear = 0;
    bool pm = false, hasMeridian = false, hour12 = false;
    const QString s = input;
    int i = 0;
    const int n = int(s.size());
    auto skipBlanks = [&] {
        while (i < n && s.at(i) == u' ')
            ++i;
    };
    auto readInt = [&](int maxDigits) {
        skipBlanks();
        int start = i;
        bool neg = false;
        if (i < n && s.at(i) == u'-' && maxDigits == 4) {
            neg = true;
            ++i;
            ++start;
        }
        while (i < n && i - start < maxDigits && s.at(i).isDigit())
            ++i;
        if (i == start)
            fail(QStringLiteral("ORA-01858: a non-numeric character was found where a numeric was expected"));
        const int v = s.mid(start, i - start).toInt();
        return neg ? -v : v;
    };
    skipBlanks();
    for (const Element &e : els) {
        if (i >= n)
            break; // missing trailing fields stay at their defaults
        switch (e.kind) {
        case Element::Fm:
            break;
        case Element::Literal: {
            // any punctuation or blank matches any other
            if (e.text.trimmed().isEmpty()) {
                skipBlanks();
                break;
            }
            if (i < n && !s.at(i).isLetterOrNumber()) {
                ++i;
                skipBlanks();
            } else if (i < n && e.text.size() > 1 && s.mid(i).startsWith(e.text, Qt::CaseInsensitive)) {
                i += int(e.text.size());
            } else if (i < n && e.text.at(0).isLetterOrNumber()) {
                fail(QStringLiteral("ORA-01861: literal does not match format string"));
            }
            break;
        }
        case Element::Year4:
            year = readInt(4);
            break;
        case Element::Year2:
            year = today().year() / 100 * 100 + readInt(2);
            break;
        case Element::RYear2: {
            const int start = i;
            const int v = readInt(4);
            if (i - start <= 2)
                year = v < 50 ? 2000 + v : 1900 + v;
            else
                year = v;
            break;
        }
        case Element::Month:
            month = readInt(2);
            if (month < 1 || month > 12)
                fail(QStringLiteral("ORA-01843: not a valid month"));
            break;
        case Element::MonName:
        case Element::MonthName: {
            skipBlanks();
            bool found = false;
            for (int m = 0; m < 12 && !found; ++m) {
                const QString full = QString::fromLatin1(kMonths[m]);
                if (s.mid(i).startsWith(full, Qt::CaseInsensitive)) {
                    month = m + 1;
                    i += int(full.size());
                    found = true;
                } else if (s.mid(i).startsWith(full.left(3), Qt::CaseInsensitive)) {
                    month = m + 1;
                    i += 3;
                    found = true;
                }
            }
            if (!found)
                fail(QStringLiteral("ORA-01843: not a valid month"));
            break;
        }
        case Element::Day:
            day = readInt(2);
            break;
        case Element::DayOfYear:
            dayOfYear = readInt(3);
            break;
        case Element::Hour24:
            hour = readInt(2);
            if (hour > 23)
                fail(QStringLiteral("ORA-01850: hour must be between 0 and 23"));
            break;
        case Element::Hour12:
            hour = readInt(2);
            hour12 = true;
            if (hour < 1 || hour > 12)
                fail(QStringLiteral("ORA-01849: hour must be between 1 and 12"));
            break;
        case Element::Minute:
            minute = readInt(2);
            if (minute > 59)
                fail(QStringLiteral("ORA-01851: minutes must be between 0 and 59"));
            break;
        case Element::Second:
            second = readInt(2);
            if (second > 59)
                fail(QStringLiteral("ORA-01852: seconds must be between 0 and 59"));
            break;
        case Element::Meridian:
            skipBlanks();
            hasMeridian = true;
            if (s.mid(i).startsWith(QLatin1String("PM"), Qt::CaseInsensitive)
                || s.mid(i).startsWith(QLatin1String("P.M."), Qt::CaseInsensitive))
                pm = true;
            else if (!(s.mid(i).startsWith(QLatin1String("AM"), Qt::CaseInsensitive)
                       || s.mid(i).startsWith(QLatin1String("A.M."), Qt::CaseInsensitive)))
                fail(QStringLiteral("ORA-01855: AM/A.M. or PM/P.M. required"));
            i += s.at(i + 1) == u'.' ? 4 : 2;
            break;
        }
    }
    skipBlanks();
    if (i < n)
        fail(QStringLiteral("ORA-01830: date format picture ends before converting entire input string"));
    if (hour12 && hasMeridian) {
        if (pm && hour < 12)
            hour += 12;
        if (!pm && hour == 12)
            hour = 0;
    }
    if (month == 0) // the text ended before its month
        month = today().month();
    if (year == kNotRead) // or before its year
        year = today().year();
    if (year == 0 || year < -4712 || year > 9999)
        fail(QStringLiteral("ORA-01841: (full) year must be between -4713 and +9999, and not be 0"));
    if (dayOfYear != 0) {
        const QDate jan1(year, 1, 1);
        if (dayOfYear < 1 || dayOfYear > jan1.daysInYear())
            fail(QStringLiteral("ORA-01848: day of year must be between 1 and 365 (366 for leap year)"));
        const QDate d = jan1.addDays(dayOfYear - 1);
        month = d.month();
        day = d.day();
    }
    const QDate d(year, month, 1);
    if (day < 1 || day > 31)
        fail(QStringLiteral("ORA-01847: day of month must be between 1 and last day of month"));
    if (day > d.daysInMonth())
        fail(QStringLiteral("ORA-01839: date not valid for month specified"));
    date = QDate(year, month, day);
    time = QTime(hour, minute, second);
}

QDateTime parseAnyDate(const QString &text)
{
    const QString t = text.trimmed();
    if (isIsoDate(t)) {
        const QDateTime dt = fromIso(t);
        if (dt.isValid())
            return dt;
    }
    if (t.size() >= 8 && t.size() <= 10 && t.count(u'-') == 2 && t.at(4) == u'-')
        return parseDate(t, QStringLiteral("YYYY-MM-DD"));
    if (t.contains(u'.'))
        return parseDate(t, QStringLiteral("DD.MM.YYYY HH24:MI:SS"));
    fail(QStringLiteral("ORA-01861: literal does not match format string (%1)").arg(text));
}

QString formatNumber(double v, const QString &format)
{
    QString f = format.toUpper();
    if (f.isEmpty())
        return numberText(v);
    bool fm = false;
    if (f.startsWith(QLatin1String("FM"))) {
        fm = true;
        f = f.mid(2);
    }
    for (const QChar c : f)
        if (!(c == u'9' || c == u'0' || c == u'.' || c == u',' || c == u'D' || c == u'G'))
            fail(QStringLiteral("ORA-01481: invalid number format model (%1)").arg(format));
    f.replace(u'D', u'.');
    f.replace(u'G', u',');
    const int dot = int(f.indexOf(u'.'));
    const QString intPart = dot < 0 ? f : f.left(dot);
    const QString fracPart = dot < 0 ? QString() : f.mid(dot + 1);
    const int decimals = int(fracPart.size());
    const double rounded = std::round(std::fabs(v) * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
    QString digits = QString::number(rounded, 'f', decimals);
    QString ip = digits.section(u'.', 0, 0);
    QString fp = decimals > 0 ? digits.section(u'.', 1, 1) : QString();
    const int digitSlots = int(intPart.count(u'9') + intPart.count(u'0'));
    if (ip == QLatin1String("0") && !intPart.contains(u'0'))
        ip.clear();
    if (ip.size() > digitSlots) {
        return QString(digitSlots + decimals + (decimals ? 2 : 1) + 1, u'#');
    }
    // minimum digits from the first 0 of the integer part
    const int firstZero = int(intPart.indexOf(u'0'));
    if (firstZero >= 0) {
        int minDigits = 0;
        for (int k = firstZero; k < intPart.size(); ++k)
            if (intPart.at(k) == u'0' || intPart.at(k) == u'9')
                ++minDigits;
        ip = ip.rightJustified(minDigits, u'0');
    }
    // group separators
    QString grouped;
    int di = int(ip.size()) - 1;
    for (int k = int(intPart.size()) - 1; k >= 0 && di >= 0; --k) {
        const QChar c = intPart.at(k);
        if (c == u',') {
            grouped.prepend(u',');
        } else {
            grouped.prepend(ip.at(di--));
        }
    }
    while (di >= 0)
        grouped.prepend(ip.at(di--));
    if (fm) {
        // optional fraction digits (9) drop their trailing zeros
        while (!fp.isEmpty() && fp.endsWith(u'0') && fracPart.at(fp.size() - 1) == u'9')
            fp.chop(1);
    }
    QString out = grouped;
    if (decimals > 0)
        out += u'.' + fp;
    if (v < 0 && rounded != 0)
        out.prepend(u'-');
    if (!fm) {
        const int width = int(f.size()) + 1;
        out = out.rightJustified(width, u' ');
    }
    return out;
}

bool parseNumber(const QString &text, double &out, bool *isInteger, qint64 *intOut)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const qint64 iv = t.toLongLong(&ok);
    if (ok) {
        out = double(iv);
        if (isInteger)
            *isInteger = true;
        if (intOut)
            *intOut = iv;
        return true;
    }
    for (const QChar c : t)
        if (!(c.isDigit() || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E'))
            return false;
    const double d = QLocale::c().toDouble(t, &ok);
    if (!ok)
        return false;
    out = d;
    if (isInteger)
        *isInteger = false;
    return true;
}

} // namespace oravalue
