#include "dbf/dbflayout.h"

#include <algorithm>


namespace {

// Steps 1 and 2, shared by both mappings; true when the type is settled.
bool mapNumbersAndLongTexts(QString &tip, qint32 &dolz, qint32 &dec)
{
    if (tip == QLatin1String("VARCHAR2") && dolz > 255)
        tip = QStringLiteral("LONG");
    if (tip == QLatin1String("INTEGER") || tip == QLatin1String("NUMBER")) {
        dolz = sirinaStevila(dolz, dec);
        tip = QStringLiteral("C");
        dec = 0;
        return true;
    }
    return false;
}

void toMemo(QString &tip, qint32 &dolz, qint32 &dec)
{
    tip = QStringLiteral("M");
    dolz = 10;
    dec = 0;
}

} // namespace

qint32 sirinaStevila(qint32 dolz, qint32 dec)
{
    // A number without a declared precision is shown with the dictionary's
    // data length (22 bytes); its text can hold up to 40 digits.
    constexpr qint32 kNeomejeno = 22;
    constexpr qint64 kNajvecMest = 40;
    // Counted wide: a width or scale read from a file may be anything an
    // int holds, and the sum must not overflow.
    const qint64 d = dec;
    qint64 mest;
    bool pika = d > 0;
    if (dolz == kNeomejeno && dec == 0) {
        mest = kNajvecMest;
        pika = true; // and may have a decimal point
    } else if (d < 0) {
        mest = qint64(dolz) - d; // a negative scale rounds to tens, hundreds, ...
    } else {
        mest = qMax<qint64>(dolz, d + 1); // "0.05" for NUMBER(2,2): a leading zero
    }
    // The sign and the decimal point; never wider than a character field.
    return qint32(std::clamp<qint64>(mest + 1 + (pika ? 1 : 0), 1, 254));
}

void prirediTip(QString &tip, qint32 &dolz, qint32 &dec)
{
    if (mapNumbersAndLongTexts(tip, dolz, dec))
        return;
    if (tip == QLatin1String("DATE")) {
        tip = QStringLiteral("C");
        dolz = 19;
        dec = 0;
        return;
    }
    // A type that is part of the list text counts (LONG, CLOB, BLOB in practice).
    if (!tip.isEmpty() && QStringLiteral("LONG,CLOB,BLOB").contains(tip)) {
        toMemo(tip, dolz, dec);
        return;
    }
    tip = QStringLiteral("C");
}

void prirediTipMasterDetail(QString &tip, qint32 &dolz, qint32 &dec)
{
    if (mapNumbersAndLongTexts(tip, dolz, dec))
        return;
    if (tip == QLatin1String("DATE")) {
        tip = QStringLiteral("D");
        dolz = 8;
        dec = 0;
        return;
    }
    if (tip.contains(QLatin1String("LONG")) || tip.contains(QLatin1String("BLOB"))) {
        toMemo(tip, dolz, dec);
        return;
    }
    tip = QStringLiteral("C");
}
