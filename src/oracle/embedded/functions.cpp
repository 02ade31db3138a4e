// The SQL functions the translated statements call: Oracle's built-in
// functions with Oracle's rules, the values written into typed columns, and
// the server functions each schema provides (getSequence, pckLogParam,
// activateLARGERB). A failure sets an Oracle-style error on the statement.
#include "oracle/embedded/session.h"
#include "oracle/oravalues.h"
#include "base/moxerror.h"

#include <QDateTime>
#include <QtNumeric>

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

namespace oraembed {

namespace {

using Args = sqlite3_value **;

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

bool isNull(sqlite3_value *v) { return sqlite3_value_type(v) == SQLITE_NULL; }

QString text(sqlite3_value *v)
{
    const unsigned char *p = sqlite3_value_text(v);
    return p ? QString::fromUtf8(reinterpret_cast<const char *>(p), sqlite3_value_bytes(v)) : QString();
}

void resultText(sqlite3_context *ctx, const QString &s)
{
    if (s.isEmpty()) {
        sqlite3_result_null(ctx); // Oracle has no empty strings
        return;
    }
    const QByteArray b = s.toUtf8();
    sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
}

// Oracle's NUMBER is decimal. Sums and products of doubles carry binary
// noise past the 15th significant digit (0.1 + 0.2 = 0.30000000000000004),
// so a computed value is rounded to 15 significant digits: it then equals
// the value written as a literal, as it does in Oracle.
double decimal(double d)
{
    if (d == 0 || !std::isfinite(d))
        return d;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return std::strtod(buf, nullptr);
}

// A number as Oracle turns it into text without a format (to_char(n), n||''
// and a number written into a text column): no zero before the decimal point.
QString oracleNumberText(double d)
{
    QString s = oravalue::numberText(d);
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0.")))
        s.remove(1, 1);
    return s;
}

// The text of a value as Oracle converts it implicitly.
QString valueText(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return oracleNumberText(sqlite3_value_double(v));
    default:
        return text(v);
    }
}

void resultNumber(sqlite3_context *ctx, double d)
{
    if (d == std::trunc(d) && std::fabs(d) < 9.2e18)
        sqlite3_result_int64(ctx, qint64(d));
    else
        sqlite3_result_double(ctx, d);
}

// A value read as a number the way Oracle converts: numbers as they are,
// text that holds a number, else ORA-01722.
double number(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return double(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    default: {
        double d = 0;
        if (!oravalue::parseNumber(text(v), d))
            fail(QStringLiteral("ORA-01722: invalid number ('%1')").arg(text(v)));
        return d;
    }
    }
}

qint64 integer(sqlite3_value *v) { return qint64(std::trunc(number(v))); }

// A date as the functions work with it: a wall-clock date and time (UTC
// stands for "no time zone", as Oracle's DATE has none; a local date-time
// would look up the time zone at every step and shift across a change of
// summer time).
QDateTime civil(const QDate &d, const QTime &t) { return QDateTime(d, t, Qt::UTC); }

// The stored form "YYYY-MM-DD HH24:MI:SS" read into its fields; false when
// the text is not a valid one.
bool isoFields(const QString &s, QDate &d, QTime &t)
{
    if (!oravalue::isIsoDate(s))
        return false;
    auto field = [&](int from, int len) {
        int v = 0;
        for (int i = from; i < from + len; ++i)
            v = v * 10 + (s.at(i).unicode() - u'0');
        return v;
    };
    d = QDate(field(0, 4), field(5, 2), field(8, 2));
    t = QTime(field(11, 2), field(14, 2), field(17, 2));
    return d.isValid() && t.isValid();
}

QDateTime date(sqlite3_value *v)
{
    const QString s = text(v);
    QDate d;
    QTime t;
    if (isoFields(s, d, t))
        return civil(d, t);
    const QDateTime dt = oravalue::parseAnyDate(s);
    return civil(dt.date(), dt.time());
}

void resultDate(sqlite3_context *ctx, const QDateTime &dt) { resultText(ctx, oravalue::isoText(dt)); }

EmbeddedSession *session(sqlite3_context *ctx) { return static_cast<EmbeddedSession *>(sqlite3_user_data(ctx)); }

struct Fn {
    const char *name;
    int args;
    bool deterministic;
    void (*body)(sqlite3_context *, int, Args);
};

template <void (*F)(sqlite3_context *, int, Args)>
void guarded(sqlite3_context *ctx, int n, Args a)
{
    try {
        F(ctx, n, a);
    } catch (const EMoxError &e) {
        const QByteArray b = e.message().toUtf8();
        sqlite3_result_error(ctx, b.constData(), int(b.size()));
    } catch (const std::exception &e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

// ---- dates and conversions

void fSysdate(sqlite3_context *ctx, int, Args)
{
    // The local time is the clock plus the zone's offset; looking the offset
    // up costs a file system call, so it is looked up again only after ten
    // seconds (a trigger stamps every row it writes).
    thread_local qint64 offsetMs = 0;
    thread_local qint64 offsetAt = std::numeric_limits<qint64>::min();
    const qint64 utc = QDateTime::currentMSecsSinceEpoch();
    if (utc - offsetAt > 10000 || utc < offsetAt) {
        offsetMs = qint64(QDateTime::currentDateTime().offsetFromUtc()) * 1000;
        offsetAt = utc;
    }
    // The text of a second is made once: every row a trigger stamps within
    // that second gets the same one.
    thread_local qint64 second = std::numeric_limits<qint64>::min();
    thread_local QByteArray text;
    const qint64 local = utc + offsetMs;
    const qint64 s = local >= 0 ? local / 1000 : (local - 999) / 1000;
    if (s != second) {
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(s * 1000, Qt::UTC);
        text = oravalue::isoText(civil(now.date(), now.time())).toUtf8();
        second = s;
    }
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void fUser(sqlite3_context *ctx, int, Args) { resultText(ctx, session(ctx)->user()); }

// The system writes dates as "DD.MM.YYYY HH24:MI:SS" (or its first 10 or
// 16 characters) and stores them as "YYYY-MM-DD HH24:MI:SS": the two forms
// convert by moving characters, without the general format machinery.
// Positions of the stored form's characters in the written form; -1 blank.
constexpr int kWrittenFrom[19] = {6, 7, 8, 9, -2, 3, 4, -2, 0, 1, -1, 11, 12, -3, 14, 15, -3, 17, 18};

bool isWrittenFormat(sqlite3_value *fmt, int &length)
{
    const char *f = reinterpret_cast<const char *>(sqlite3_value_text(fmt));
    if (!f)
        return false;
    const QByteArray format(f);
    if (format == "DD.MM.YYYY HH24:MI:SS")
        length = 19;
    else if (format == "DD.MM.YYYY HH24:MI")
        length = 16;
    else if (format == "DD.MM.YYYY")
        length = 10;
    else
        return false;
    return true;
}

// to_date of text written exactly in the format: the stored form, or false.
bool storedFromWritten(sqlite3_value *textValue, int length, char out[20])
{
    const char *in = reinterpret_cast<const char *>(sqlite3_value_text(textValue));
    if (!in || sqlite3_value_bytes(textValue) != length)
        return false;
    for (int i = 0; i < length; ++i) {
        const bool digit = in[i] >= '0' && in[i] <= '9';
        const char sep = i == 2 || i == 5 ? '.' : i == 10 ? ' ' : ':';
        if ((i == 2 || i == 5 || i == 10 || i == 13 || i == 16) ? in[i] != sep : !digit)
            return false;
    }
    for (int i = 0; i < 19; ++i) {
        const int from = kWrittenFrom[i];
        out[i] = from == -2 ? '-' : from == -1 ? ' ' : from == -3 ? ':' : from < length ? in[from] : '0';
    }
    out[19] = 0;
    auto n = [&](int at, int len) {
        int v = 0;
        for (int i = at; i < at + len; ++i)
            v = v * 10 + (out[i] - '0');
        return v;
    };
    return QDate::isValid(n(0, 4), n(5, 2), n(8, 2)) && n(11, 2) < 24 && n(14, 2) < 60 && n(17, 2) < 60 && n(0, 4) > 0;
}

void fToDate(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    if (isNull(a[1]))
        return resultDate(ctx, date(a[0]));
    int length = 0;
    char stored[20];
    if (isWrittenFormat(a[1], length) && storedFromWritten(a[0], length, stored))
        return sqlite3_result_text(ctx, stored, 19, SQLITE_TRANSIENT);
    const QString s = text(a[0]);
    QDate d;
    QTime t;
    // a date given where text is expected reads through its stored form
    if (!isoFields(s, d, t))
        oravalue::parseDateFields(s, text(a[1]), d, t);
    resultDate(ctx, civil(d, t));
}

void fToDateAny(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    resultDate(ctx, date(a[0]));
}

void fToCharDate(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    int length = 10;
    if ((isNull(a[1]) || isWrittenFormat(a[1], length)) && sqlite3_value_type(a[0]) == SQLITE_TEXT) {
        QDate d;
        QTime t;
        const QString s = text(a[0]);
        if (isoFields(s, d, t)) {
            // the stored form's characters moved into the written form
            char out[20];
            const QByteArray iso = s.toLatin1();
            for (int i = 0; i < 19; ++i)
                if (kWrittenFrom[i] >= 0)
                    out[kWrittenFrom[i]] = iso[i];
            out[2] = out[5] = '.';
            out[10] = ' ';
            out[13] = out[16] = ':';
            return sqlite3_result_text(ctx, out, length, SQLITE_TRANSIENT);
        }
    }
    const QString fmt = isNull(a[1]) ? QStringLiteral("DD.MM.YYYY") : text(a[1]);
    resultText(ctx, oravalue::formatDate(date(a[0]), fmt));
}

void fToCharNum(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    if (sqlite3_value_type(a[0]) == SQLITE_TEXT && isNull(a[1]))
        return resultText(ctx, text(a[0]));
    if (isNull(a[1]))
        return resultText(ctx, oracleNumberText(number(a[0])));
    resultText(ctx, oravalue::formatNumber(number(a[0]), text(a[1])));
}

void fToChar(sqlite3_context *ctx, int n, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    const int t = sqlite3_value_type(a[0]);
    if (t == SQLITE_TEXT && oravalue::isIsoDate(text(a[0])))
        return fToCharDate(ctx, n, a);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT || !(n > 1 && !isNull(a[1])))
        return fToCharNum(ctx, n, a);
    // text with a format: a date written in another form, or a number
    double d = 0;
    if (oravalue::parseNumber(text(a[0]), d))
        return resultText(ctx, oravalue::formatNumber(d, text(a[1])));
    resultText(ctx, oravalue::formatDate(date(a[0]), text(a[1])));
}

void fNumText(sqlite3_context *ctx, int, Args a)
{
    switch (sqlite3_value_type(a[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        return resultText(ctx, QString::number(sqlite3_value_int64(a[0])));
    case SQLITE_FLOAT:
        return resultText(ctx, oracleNumberText(sqlite3_value_double(a[0])));
    default:
        return resultText(ctx, text(a[0]));
    }
}

// Concatenation: NULL counts as empty text, an empty result is NULL.
void concat(sqlite3_context *ctx, int n, Args a, bool lob)
{
    QString s;
    for (int i = 0; i < n; ++i)
        if (!isNull(a[i]))
            s += valueText(a[i]);
    if (!lob && s.size() > 4000)
        fail(QStringLiteral("ORA-01489: result of string concatenation is too long"));
    resultText(ctx, s);
}

void fConcat(sqlite3_context *ctx, int n, Args a) { concat(ctx, n, a, false); }
void fConcatLob(sqlite3_context *ctx, int n, Args a) { concat(ctx, n, a, true); }

// nvl with both values evaluated (the second converted already)
void fNvl(sqlite3_context *ctx, int, Args a) { sqlite3_result_value(ctx, isNull(a[0]) ? a[1] : a[0]); }

void fToNumber(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    resultNumber(ctx, number(a[0]));
}

void fTruncDate(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    const QDateTime d = date(a[0]);
    const QString fmt = isNull(a[1]) ? QStringLiteral("DD") : text(a[1]).toUpper();
    QDate out = d.date();
    if (fmt == QLatin1String("MM") || fmt == QLatin1String("MON") || fmt == QLatin1String("MONTH"))
        out = QDate(out.year(), out.month(), 1);
    else if (fmt == QLatin1String("YYYY") || fmt == QLatin1String("YEAR") || fmt == QLatin1String("Y")
             || fmt == QLatin1String("YY"))
        out = QDate(out.year(), 1, 1);
    else if (!(fmt == QLatin1String("DD") || fmt == QLatin1String("DDD") || fmt == QLatin1String("J")))
        fail(QStringLiteral("ORA-01898: too many precision specifiers (%1)").arg(fmt));
    resultDate(ctx, civil(out, QTime(0, 0)));
}

double scaled(double v, qint64 digits, bool truncate)
{
    const double f = std::pow(10.0, double(digits));
    const double x = v * f;
    // Oracle rounds half away from zero on the decimal value; the epsilon
    // keeps 2.675 (stored as 2.67499999...) rounding up as written
    const double r = truncate ? std::trunc(x) : std::round(x + (x >= 0 ? 1e-9 : -1e-9));
    return r / f;
}

void fTrunc(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]))
        return sqlite3_result_null(ctx);
    resultNumber(ctx, scaled(number(a[0]), integer(a[1]), true));
}

void fRound(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]))
        return sqlite3_result_null(ctx);
    resultNumber(ctx, scaled(number(a[0]), integer(a[1]), false));
}

void fFloor(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    resultNumber(ctx, std::floor(number(a[0])));
}

void fCeil(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    resultNumber(ctx, std::ceil(number(a[0])));
}

void fMod(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]))
        return sqlite3_result_null(ctx);
    const double m = number(a[0]), n = number(a[1]);
    if (n == 0)
        return resultNumber(ctx, m);
    resultNumber(ctx, m - n * std::trunc(m / n));
}

void fArith(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[1]) || isNull(a[2]))
        return sqlite3_result_null(ctx);
    const QString op = text(a[0]);
    const bool ints = sqlite3_value_type(a[1]) == SQLITE_INTEGER && sqlite3_value_type(a[2]) == SQLITE_INTEGER;
    if (ints && op != QLatin1String("/")) {
        const qint64 x = sqlite3_value_int64(a[1]), y = sqlite3_value_int64(a[2]);
        qint64 r = 0;
        bool overflow = false;
        if (op == QLatin1String("+"))
            overflow = qAddOverflow(x, y, &r);
        else if (op == QLatin1String("-"))
            overflow = qSubOverflow(x, y, &r);
        else
            overflow = qMulOverflow(x, y, &r);
        if (!overflow)
            return sqlite3_result_int64(ctx, r);
    }
    const double x = number(a[1]), y = number(a[2]);
    if (op == QLatin1String("+"))
        return resultNumber(ctx, decimal(x + y));
    if (op == QLatin1String("-"))
        return resultNumber(ctx, decimal(x - y));
    if (op == QLatin1String("*"))
        return resultNumber(ctx, decimal(x * y));
    if (y == 0)
        fail(QStringLiteral("ORA-01476: divisor is equal to zero"));
    resultNumber(ctx, decimal(x / y));
}

void fDateAdd(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]))
        return sqlite3_result_null(ctx);
    const QDateTime d = date(a[0]);
    const qint64 secs = qint64(std::llround(number(a[1]) * 86400.0));
    resultDate(ctx, d.addSecs(secs));
}

void fDateDiff(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]))
        return sqlite3_result_null(ctx);
    const qint64 secs = date(a[1]).secsTo(date(a[0]));
    resultNumber(ctx, double(secs) / 86400.0);
}

void fAddMonths(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]))
        return sqlite3_result_null(ctx);
    const QDateTime d = date(a[0]);
    QDate nd = d.date().addMonths(int(integer(a[1])));
    if (d.date().day() == d.date().daysInMonth())
        nd = QDate(nd.year(), nd.month(), nd.daysInMonth());
    resultDate(ctx, civil(nd, d.time()));
}

void fMonthsBetween(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]))
        return sqlite3_result_null(ctx);
    const QDateTime x = date(a[0]), y = date(a[1]);
    const QDate dx = x.date(), dy = y.date();
    const int months = (dx.year() - dy.year()) * 12 + dx.month() - dy.month();
    // the same day of the month, or the last days of both months: whole months
    if (dx.day() == dy.day() || (dx.day() == dx.daysInMonth() && dy.day() == dy.daysInMonth()))
        return resultNumber(ctx, months);
    // else the difference in days counts in months of 31 days, time included
    const double days = dx.day() - dy.day() + (x.time().msecsSinceStartOfDay() - y.time().msecsSinceStartOfDay()) / 86400000.0;
    resultNumber(ctx, decimal(months + days / 31.0));
}

void fTranslate(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]) || isNull(a[1]) || isNull(a[2]))
        return sqlite3_result_null(ctx);
    const QString s = valueText(a[0]), from = valueText(a[1]), to = valueText(a[2]);
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        const qsizetype i = from.indexOf(c);
        if (i < 0)
            out += c;
        else if (i < to.size())
            out += to.at(i);
        // a character of from without a partner in to is dropped
    }
    resultText(ctx, out);
}

void fLastDay(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    const QDateTime d = date(a[0]);
    resultDate(ctx, civil(QDate(d.date().year(), d.date().month(), d.date().daysInMonth()), d.time()));
}

// ---- text

void fSubstr(sqlite3_context *ctx, int n, Args a)
{
    if (isNull(a[0]) || isNull(a[1]) || (n > 2 && isNull(a[2])))
        return sqlite3_result_null(ctx);
    const QString s = text(a[0]);
    qint64 pos = integer(a[1]);
    const qint64 len = s.size();
    if (pos == 0)
        pos = 1;
    if (pos < 0)
        pos = len + pos + 1;
    if (pos < 1 || pos > len)
        return sqlite3_result_null(ctx);
    qint64 count = len - pos + 1;
    if (n > 2) {
        const qint64 c = integer(a[2]);
        if (c < 1)
            return sqlite3_result_null(ctx);
        count = std::min(count, c);
    }
    resultText(ctx, s.mid(pos - 1, count));
}

void fInstr(sqlite3_context *ctx, int n, Args a)
{
    for (int i = 0; i < n; ++i)
        if (isNull(a[i]))
            return sqlite3_result_null(ctx);
    const QString s = text(a[0]), sub = text(a[1]);
    const qint64 pos = n > 2 ? integer(a[2]) : 1;
    const qint64 occ = n > 3 ? integer(a[3]) : 1;
    if (pos == 0 || occ < 1)
        fail(QStringLiteral("ORA-01428: argument '%1' is out of range").arg(pos == 0 ? pos : occ));
    qint64 found = 0;
    if (pos > 0) {
        qsizetype from = pos - 1;
        for (qint64 k = 0; k < occ; ++k) {
            const qsizetype p = s.indexOf(sub, from);
            if (p < 0) {
                found = 0;
                break;
            }
            found = p + 1;
            from = p + 1;
        }
    } else {
        qsizetype from = s.size() + pos;
        for (qint64 k = 0; k < occ; ++k) {
            if (from < 0) {
                found = 0;
                break;
            }
            const qsizetype p = s.lastIndexOf(sub, from);
            if (p < 0) {
                found = 0;
                break;
            }
            found = p + 1;
            from = p - 1;
        }
    }
    sqlite3_result_int64(ctx, found);
}

void fLength(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    QString s;
    if (sqlite3_value_type(a[0]) == SQLITE_FLOAT)
        s = oracleNumberText(sqlite3_value_double(a[0]));
    else
        s = text(a[0]);
    if (s.isEmpty())
        return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, s.size());
}

void fUpper(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    resultText(ctx, text(a[0]).toUpper());
}

void fLower(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    resultText(ctx, text(a[0]).toLower());
}

void fInitcap(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    QString s = text(a[0]).toLower();
    bool start = true;
    for (QChar &c : s) {
        if (c.isLetterOrNumber()) {
            if (start)
                c = c.toUpper();
            start = false;
        } else {
            start = true;
        }
    }
    resultText(ctx, s);
}

void pad(sqlite3_context *ctx, int n, Args a, bool left)
{
    if (isNull(a[0]) || isNull(a[1]) || (n > 2 && isNull(a[2])))
        return sqlite3_result_null(ctx);
    const QString s = text(a[0]);
    // the result is text of at most 4000 characters, as in Oracle
    const qint64 width = std::min<qint64>(integer(a[1]), 4000);
    const QString fill = n > 2 ? text(a[2]) : QStringLiteral(" ");
    if (width <= 0 || fill.isEmpty())
        return sqlite3_result_null(ctx);
    if (s.size() >= width)
        return resultText(ctx, s.left(width));
    QString f;
    while (f.size() < width - s.size())
        f += fill;
    f.truncate(width - s.size());
    resultText(ctx, left ? f + s : s + f);
}

void fLpad(sqlite3_context *ctx, int n, Args a) { pad(ctx, n, a, true); }
void fRpad(sqlite3_context *ctx, int n, Args a) { pad(ctx, n, a, false); }

void fReplace(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    QString s = text(a[0]);
    if (isNull(a[1]))
        return resultText(ctx, s);
    s.replace(text(a[1]), isNull(a[2]) ? QString() : text(a[2]));
    resultText(ctx, s);
}

void fRowidNum(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    if (sqlite3_value_type(a[0]) == SQLITE_INTEGER)
        return sqlite3_result_int64(ctx, sqlite3_value_int64(a[0]));
    bool ok = false;
    const qint64 n = text(a[0]).section(u'.', -1).toLongLong(&ok);
    if (!ok)
        fail(QStringLiteral("ORA-01410: invalid ROWID (%1)").arg(text(a[0])));
    sqlite3_result_int64(ctx, n);
}

// ---- values written into columns

QString columnRef(sqlite3_value *v) { return text(v); }

// Characters (UTF-16 units, as QString counts them) of UTF-8 text.
qint64 utf16Length(const unsigned char *p, int bytes)
{
    qint64 n = 0;
    for (int i = 0; i < bytes; ++i)
        if ((p[i] & 0xC0) != 0x80)
            n += p[i] >= 0xF0 ? 2 : 1;
    return n;
}

void fCv(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    if (sqlite3_value_type(a[0]) == SQLITE_TEXT) {
        // the common case, a text that fits, passes as it is
        const unsigned char *p = sqlite3_value_text(a[0]);
        const int bytes = sqlite3_value_bytes(a[0]);
        if (bytes == 0)
            return sqlite3_result_null(ctx);
        if (utf16Length(p, bytes) <= sqlite3_value_int64(a[1]))
            return sqlite3_result_value(ctx, a[0]);
    }
    QString s;
    switch (sqlite3_value_type(a[0])) {
    case SQLITE_INTEGER:
        s = QString::number(sqlite3_value_int64(a[0]));
        break;
    case SQLITE_FLOAT:
        s = oracleNumberText(sqlite3_value_double(a[0]));
        break;
    default:
        s = text(a[0]);
    }
    const qint64 max = sqlite3_value_int64(a[1]);
    if (s.size() > max)
        fail(QStringLiteral("ORA-12899: value too large for column %1 (actual: %2, maximum: %3)")
                 .arg(columnRef(a[2]))
                 .arg(s.size())
                 .arg(max));
    resultText(ctx, s);
}

void fCc(sqlite3_context *ctx, int n, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    Q_UNUSED(n);
    QString s;
    if (sqlite3_value_type(a[0]) == SQLITE_INTEGER)
        s = QString::number(sqlite3_value_int64(a[0]));
    else if (sqlite3_value_type(a[0]) == SQLITE_FLOAT)
        s = oracleNumberText(sqlite3_value_double(a[0]));
    else
        s = text(a[0]);
    const qint64 max = sqlite3_value_int64(a[1]);
    if (s.isEmpty())
        return sqlite3_result_null(ctx);
    if (s.size() > max) {
        // Oracle drops trailing blanks that do not fit a CHAR column
        QString t = s;
        while (t.size() > max && t.endsWith(u' '))
            t.chop(1);
        if (t.size() > max)
            fail(QStringLiteral("ORA-12899: value too large for column %1 (actual: %2, maximum: %3)")
                     .arg(columnRef(a[2]))
                     .arg(s.size())
                     .arg(max));
        s = t;
    }
    resultText(ctx, s.leftJustified(int(max), u' '));
}

void fCn(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    double d = 0;
    bool isInt = false;
    qint64 iv = 0;
    switch (sqlite3_value_type(a[0])) {
    case SQLITE_INTEGER:
        iv = sqlite3_value_int64(a[0]);
        d = double(iv);
        isInt = true;
        break;
    case SQLITE_FLOAT:
        d = sqlite3_value_double(a[0]);
        break;
    default: {
        const QString s = text(a[0]);
        if (s.trimmed().isEmpty())
            return sqlite3_result_null(ctx);
        if (!oravalue::parseNumber(s, d, &isInt, &iv))
            fail(QStringLiteral("ORA-01722: invalid number ('%1' for column %2)").arg(s, columnRef(a[3])));
    }
    }
    const qint64 precision = sqlite3_value_int64(a[1]);
    const qint64 scale = sqlite3_value_int64(a[2]);
    if (scale >= 0 && !isInt)
        d = scaled(d, scale, false);
    if (precision > 0) {
        const double limit = std::pow(10.0, double(precision - std::max<qint64>(scale, 0)));
        if (std::fabs(isInt ? double(iv) : d) >= limit)
            fail(QStringLiteral("ORA-01438: value larger than specified precision allowed for this column (%1)")
                     .arg(columnRef(a[3])));
    }
    if (isInt && (scale >= 0 || precision < 0))
        return sqlite3_result_int64(ctx, iv);
    resultNumber(ctx, d);
}

void fCd(sqlite3_context *ctx, int, Args a)
{
    if (isNull(a[0]))
        return sqlite3_result_null(ctx);
    const int type = sqlite3_value_type(a[0]);
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT)
        fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected DATE got NUMBER (column %1)").arg(columnRef(a[1])));
    const QString s = text(a[0]);
    if (s.trimmed().isEmpty())
        return sqlite3_result_null(ctx);
    QDate d;
    QTime t;
    if (isoFields(s, d, t))
        return sqlite3_result_value(ctx, a[0]);
    resultDate(ctx, oravalue::parseAnyDate(s));
}

void fCt(sqlite3_context *ctx, int, Args a)
{
    switch (sqlite3_value_type(a[0])) {
    case SQLITE_NULL:
        return sqlite3_result_null(ctx);
    case SQLITE_INTEGER:
        return resultText(ctx, QString::number(sqlite3_value_int64(a[0])));
    case SQLITE_FLOAT:
        return resultText(ctx, oracleNumberText(sqlite3_value_double(a[0])));
    default: {
        // an empty LOB (empty_clob()) stays empty, not null
        const QByteArray b(reinterpret_cast<const char *>(sqlite3_value_text(a[0])), sqlite3_value_bytes(a[0]));
        sqlite3_result_text(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    }
    }
}

// ---- server functions of the schemas

void fGetSequence(sqlite3_context *ctx, int n, Args a)
{
    if (isNull(a[1]))
        fail(QStringLiteral("ORA-20002: getSequence: the name is empty"));
    const QString owner = text(a[0]);
    const QString name = text(a[1]).trimmed().toUpper();
    if (name.isEmpty())
        fail(QStringLiteral("ORA-20002: getSequence: the name is empty"));
    // the third argument: the highest key of the table of the same name
    const qint64 floor = n > 2 && !isNull(a[2]) ? sqlite3_value_int64(a[2]) : 0;
    sqlite3_result_int64(ctx, session(ctx)->nextKey(owner, name, floor));
}

void fNextval(sqlite3_context *ctx, int, Args a)
{
    sqlite3_result_int64(ctx, session(ctx)->nextvalInRow(text(a[0]), text(a[1]), int(sqlite3_value_int(a[2]))));
}

// ora_single: the value of a scalar subquery's only row; a second row is
// Oracle's error
struct Single {
    sqlite3_value *value;
    bool seen;
};

void singleStep(sqlite3_context *ctx, int, Args a)
{
    auto *st = static_cast<Single *>(sqlite3_aggregate_context(ctx, sizeof(Single)));
    if (!st)
        return sqlite3_result_error_nomem(ctx);
    if (st->seen) {
        static const char msg[] = "ORA-01427: single-row subquery returns more than one row";
        return sqlite3_result_error(ctx, msg, -1);
    }
    st->seen = true;
    st->value = sqlite3_value_dup(a[0]);
}

void singleFinal(sqlite3_context *ctx)
{
    auto *st = static_cast<Single *>(sqlite3_aggregate_context(ctx, 0));
    if (!st || !st->value)
        return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, st->value);
    sqlite3_value_free(st->value);
    st->value = nullptr;
}

void fCurrval(sqlite3_context *ctx, int, Args a)
{
    sqlite3_result_int64(ctx, session(ctx)->currval(text(a[0]), text(a[1])));
}

void fInitParam(sqlite3_context *ctx, int, Args a)
{
    session(ctx)->setMarker(text(a[0]), isNull(a[1]) ? QString() : text(a[1]));
    sqlite3_result_null(ctx);
}

void fGetUser(sqlite3_context *ctx, int, Args a)
{
    const QString m = session(ctx)->marker(text(a[0]));
    resultText(ctx, m.isEmpty() ? session(ctx)->user() : m);
}

void fActivateLargeRb(sqlite3_context *ctx, int, Args a)
{
    session(ctx)->setRollbackSegment(text(a[0]), text(a[1]), text(a[2]));
    sqlite3_result_null(ctx);
}

} // namespace

void EmbeddedSession::registerFunctions()
{
    static const Fn fns[] = {
        {"ora_sysdate", 0, false, guarded<fSysdate>},
        {"ora_user", 0, false, guarded<fUser>},
        {"ora_to_date", 2, true, guarded<fToDate>},
        {"ora_to_date_any", 1, true, guarded<fToDateAny>},
        {"ora_to_char", 1, true, guarded<fToChar>},
        {"ora_to_char", 2, true, guarded<fToChar>},
        {"ora_to_char_date", 2, true, guarded<fToCharDate>},
        {"ora_to_char_num", 2, true, guarded<fToCharNum>},
        {"ora_num_text", 1, true, guarded<fNumText>},
        {"ora_concat", -1, true, guarded<fConcat>},
        {"ora_concat_lob", -1, true, guarded<fConcatLob>},
        {"ora_to_number", 1, true, guarded<fToNumber>},
        {"ora_nvl", 2, true, guarded<fNvl>},
        {"ora_trunc_date", 2, true, guarded<fTruncDate>},
        {"ora_trunc", 2, true, guarded<fTrunc>},
        {"ora_round", 2, true, guarded<fRound>},
        {"ora_floor", 1, true, guarded<fFloor>},
        {"ora_ceil", 1, true, guarded<fCeil>},
        {"ora_mod", 2, true, guarded<fMod>},
        {"ora_arith", 3, true, guarded<fArith>},
        {"ora_date_add", 2, true, guarded<fDateAdd>},
        {"ora_date_diff", 2, true, guarded<fDateDiff>},
        {"ora_add_months", 2, true, guarded<fAddMonths>},
        {"ora_last_day", 1, true, guarded<fLastDay>},
        {"ora_months_between", 2, true, guarded<fMonthsBetween>},
        {"ora_translate", 3, true, guarded<fTranslate>},
        {"ora_substr", 2, true, guarded<fSubstr>},
        {"ora_substr", 3, true, guarded<fSubstr>},
        {"ora_instr", -1, true, guarded<fInstr>},
        {"ora_length", 1, true, guarded<fLength>},
        {"ora_upper", 1, true, guarded<fUpper>},
        {"ora_lower", 1, true, guarded<fLower>},
        {"ora_initcap", 1, true, guarded<fInitcap>},
        {"ora_lpad", -1, true, guarded<fLpad>},
        {"ora_rpad", -1, true, guarded<fRpad>},
        {"ora_replace", 3, true, guarded<fReplace>},
        {"ora_rowidnum", 1, true, guarded<fRowidNum>},
        {"ora_cv", 3, true, guarded<fCv>},
        {"ora_cc", 3, true, guarded<fCc>},
        {"ora_cn", 4, true, guarded<fCn>},
        {"ora_cd", 2, true, guarded<fCd>},
        {"ora_ct", 1, true, guarded<fCt>},
        {"ora_getsequence", -1, false, guarded<fGetSequence>},
        {"ora_nextval", 3, false, guarded<fNextval>},
        {"ora_currval", 2, false, guarded<fCurrval>},
        {"ora_initparam", 2, false, guarded<fInitParam>},
        {"ora_getuser", 1, false, guarded<fGetUser>},
        {"ora_activatelargerb", 3, false, guarded<fActivateLargeRb>},
    };
    for (const Fn &f : fns)
        sqlite3_create_function_v2(m_db, f.name, f.args,
                                   SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0), this, f.body, nullptr,
                                   nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "ora_single", 1, SQLITE_UTF8, this, nullptr, singleStep, singleFinal, nullptr);
}

} // namespace oraembed
