#include "oracle/oci/ocidata.h"

#include "oracle/oravalues.h"

#include <QVariant>

#include <cstring>

namespace ocidata {

namespace {

constexpr int kMaxDigits = 20; // base-100 digits a NUMBER holds

} // namespace

bool numberFromText(const QString &text, unsigned char *vnu)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    int i = 0;
    bool negative = false;
    if (t[0] == u'-' || t[0] == u'+') {
        negative = t[0] == u'-';
        ++i;
    }
    QString intPart, fracPart;
    bool dot = false, any = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !dot) {
            dot = true;
        } else if (c.isDigit() && c.unicode() < 128) {
            (dot ? fracPart : intPart) += c;
            any = true;
        } else {
            return false;
        }
    }
    if (!any)
        return false;
    // strip leading zeros of the whole part and trailing zeros of the fraction
    while (!intPart.isEmpty() && intPart[0] == u'0')
        intPart.remove(0, 1);
    while (!fracPart.isEmpty() && fracPart.back() == u'0')
        fracPart.chop(1);
    if (intPart.isEmpty() && fracPart.isEmpty()) {
        vnu[0] = 1;
        vnu[1] = 0x80;
        return true;
    }
    // align both parts to pairs of decimal digits
    if (intPart.size() % 2)
        intPart.prepend(u'0');
    if (fracPart.size() % 2)
        fracPart.append(u'0');
    const QString all = intPart + fracPart;
    int exponent = int(intPart.size() / 2) - 1; // power of 100 of the first pair
    int digits[64];
    int n = 0;
    for (int k = 0; k + 1 < all.size() && n < 64; k += 2)
        digits[n++] = (all[k].unicode() - '0') * 10 + (all[k + 1].unicode() - '0');
    int first = 0;
    while (first < n && digits[first] == 0) {
        ++first;
        --exponent;
    }
    int last = n;
    while (last > first && digits[last - 1] == 0)
        --last;
    if (last - first > kMaxDigits)
        last = first + kMaxDigits;
    const int count = last - first;
    if (exponent > 62 || exponent < -65)
        return false;
    int p = 2;
    if (!negative) {
        vnu[1] = static_cast<unsigned char>(193 + exponent);
        for (int k = first; k < last; ++k)
            vnu[p++] = static_cast<unsigned char>(digits[k] + 1);
    } else {
        vnu[1] = static_cast<unsigned char>(~(193 + exponent) & 0xFF);
        for (int k = first; k < last; ++k)
            vnu[p++] = static_cast<unsigned char>(101 - digits[k]);
        if (count < kMaxDigits)
            vnu[p++] = 102;
    }
    vnu[0] = static_cast<unsigned char>(p - 1);
    return true;
}

void numberFromInt(qint64 v, unsigned char *vnu) { numberFromText(QString::number(v), vnu); }

void numberFromDouble(double v, unsigned char *vnu)
{
    if (!numberFromText(oravalue::numberText(v), vnu)) {
        vnu[0] = 1;
        vnu[1] = 0x80;
    }
}

QString numberToText(const unsigned char *vnu)
{
    const int len = vnu[0];
    if (len < 1 || len > 21)
        return QString();
    const unsigned char e = vnu[1];
    if (len == 1) {
        if (e == 0x80)
            return QStringLiteral("0");
        return QString();
    }
    const bool positive = e & 0x80;
    const int exponent = positive ? int(e) - 193 : int(~e & 0xFF) - 193;
    int digits[21];
    int n = 0;
    for (int k = 2; k <= len; ++k) {
        const int b = vnu[k];
        if (!positive && b == 102)
            break;
        const int d = positive ? b - 1 : 101 - b;
        if (d < 0 || d > 99)
            return QString();
        digits[n++] = d;
    }
    if (n == 0)
        return QStringLiteral("0");
    // pair k stands for 100^(exponent - k)
    QString whole, frac;
    const int intPairs = exponent + 1;
    for (int k = 0; k < std::max(intPairs, 0); ++k) {
        const int d = k < n ? digits[k] : 0;
        whole += QChar(u'0' + d / 10);
        whole += QChar(u'0' + d % 10);
    }
    for (int k = 0; k < -intPairs; ++k)
        frac += QStringLiteral("00");
    for (int k = std::max(intPairs, 0); k < n; ++k) {
        frac += QChar(u'0' + digits[k] / 10);
        frac += QChar(u'0' + digits[k] % 10);
    }
    while (!whole.isEmpty() && whole[0] == u'0')
        whole.remove(0, 1);
    while (!frac.isEmpty() && frac.back() == u'0')
        frac.chop(1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    QString out = positive ? QString() : QStringLiteral("-");
    out += whole;
    if (!frac.isEmpty())
        out += u'.' + frac;
    return out;
}

QVariant numberToVariant(const unsigned char *vnu)
{
    const QString t = numberToText(vnu);
    if (t.isEmpty())
        return QVariant();
    if (!t.contains(u'.') && t.size() <= (t.startsWith(u'-') ? 19 : 18))
        return QVariant(t.toLongLong());
    return QVariant(t.toDouble());
}

void dateToBytes(const QDateTime &dt, unsigned char *d)
{
    const QDate date = dt.date();
    const QTime time = dt.time();
    const int y = date.year();
    d[0] = static_cast<unsigned char>(y / 100 + 100);
    d[1] = static_cast<unsigned char>(y % 100 + 100);
    d[2] = static_cast<unsigned char>(date.month());
    d[3] = static_cast<unsigned char>(date.day());
    d[4] = static_cast<unsigned char>(time.hour() + 1);
    d[5] = static_cast<unsigned char>(time.minute() + 1);
    d[6] = static_cast<unsigned char>(time.second() + 1);
}

QDateTime dateFromBytes(const unsigned char *d)
{
    const int y = (int(d[0]) - 100) * 100 + (int(d[1]) - 100);
    return QDateTime(QDate(y, d[2], d[3]), QTime(d[4] - 1, d[5] - 1, d[6] - 1));
}

void dateToOciDate(const QDateTime &dt, unsigned char *o)
{
    const qint16 y = static_cast<qint16>(dt.date().year());
    std::memcpy(o, &y, 2);
    o[2] = static_cast<unsigned char>(dt.date().month());
    o[3] = static_cast<unsigned char>(dt.date().day());
    o[4] = static_cast<unsigned char>(dt.time().hour());
    o[5] = static_cast<unsigned char>(dt.time().minute());
    o[6] = static_cast<unsigned char>(dt.time().second());
    o[7] = 0;
}

QDateTime dateFromOciDate(const unsigned char *o)
{
    qint16 y = 0;
    std::memcpy(&y, o, 2);
    return QDateTime(QDate(y, o[2], o[3]), QTime(o[4], o[5], o[6]));
}

} // namespace ocidata
