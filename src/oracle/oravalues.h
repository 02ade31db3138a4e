#pragma once
// Value conversions shared by the layer and the embedded engine: the text
// form of numbers and dates, and Oracle's date format models as to_char and
// to_date use them ("DD.MM.YYYY HH24:MI:SS", "DD.MM.YYYY HH24:MI",
// "DD.MM.YYYY" and the other elements listed at formatDate).
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace oravalue {

// Shortest exact text of a number, "." as decimal separator, no exponent:
// "12", "12.5", "-0.25". Binary noise past 15 significant digits is dropped.
QString numberText(double d);
QString numberText(qint64 v);

// Date-time as the layer reads it: "DD.MM.YYYY HH24:MI:SS".
QString layerDateText(const QDateTime &dt);

// How the embedded engine stores dates: "YYYY-MM-DD HH24:MI:SS" (sorts and
// compares as a date).
QString isoText(const QDateTime &dt);
// Reads the stored form; an invalid date-time when text is not one.
QDateTime fromIso(const QString &text);
bool isIsoDate(const QString &text);

// to_char of a date with an Oracle format model. Elements: YYYY, RRRR, YY,
// RR, MM, MON, MONTH, DD, HH24, HH12, HH, MI, SS, AM/PM, FM, punctuation and
// "quoted text". Throws EMoxError (ORA-01821) on an unknown element.
QString formatDate(const QDateTime &dt, const QString &format);

// to_date: reads text with a format model (the same elements). Lenient as
// Oracle: one- or two-digit fields, any punctuation between fields, missing
// trailing fields are zero. Throws EMoxError with Oracle's message.
QDateTime parseDate(const QString &text, const QString &format);
// The same into a date and a time of day, without the cost of a local
// date-time (which looks up the time zone).
void parseDateFields(const QString &text, const QString &format, QDate &date, QTime &time);

// Reads a date written in any of the forms this system writes: the stored
// form, "DD.MM.YYYY HH24:MI:SS", "DD.MM.YYYY HH24:MI", "DD.MM.YYYY".
// Throws EMoxError (ORA-01861) when it is none of them.
QDateTime parseAnyDate(const QString &text);

// to_char of a number with a format model of 9, 0, ".", ",", "FM"; an empty
// format gives numberText.
QString formatNumber(double v, const QString &format);

// Reads a number written as text (blanks around it allowed). False when it
// is not a number.
bool parseNumber(const QString &text, double &out, bool *isInteger = nullptr, qint64 *intOut = nullptr);

} // namespace oravalue
