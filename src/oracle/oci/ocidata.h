#pragma once
// The client library's binary value formats, shared by the engine and the
// test double: NUMBER in its variable-length form (SQLT_VNU: a length byte,
// an exponent byte and base-100 digits), DATE as 7 bytes (SQLT_DAT: century
// and year +100, hour, minute and second +1) and the OCIDate struct
// (SQLT_ODT: a signed 16-bit year, then month, day, hour, minute, second).
#include <QDateTime>
#include <QString>

namespace ocidata {

// A number written as decimal text ("-12.5", "0.001", "1e3" is not accepted)
// into 22 bytes; false when the text is no number. Digits past the 40th
// significant one are cut off.
bool numberFromText(const QString &text, unsigned char *vnu);
void numberFromInt(qint64 v, unsigned char *vnu);
void numberFromDouble(double v, unsigned char *vnu);
// The exact decimal text of a number ("12", "-0.25"); empty when the bytes
// are no valid number.
QString numberToText(const unsigned char *vnu);
// The number as the layer holds it: qint64 when it is whole and fits in 18
// digits, otherwise double. An invalid QVariant for invalid bytes.
QVariant numberToVariant(const unsigned char *vnu);

void dateToBytes(const QDateTime &dt, unsigned char *dat7);
QDateTime dateFromBytes(const unsigned char *dat7);
void dateToOciDate(const QDateTime &dt, unsigned char *odt8);
QDateTime dateFromOciDate(const unsigned char *odt8);

} // namespace ocidata
