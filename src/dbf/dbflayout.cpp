#include "dbf/dbflayout.h"


namespace {

// Steps 1 and 2, shared by both mappings; true when the type is settled.
bool mapNumbersAndLongTexts(QString &tip, qint32 &dolz, qint32 &dec)
{
    if (tip == QLatin1String("VARCHAR2") && dolz > 255)
        tip = QStringLiteral("LONG");
    if (tip == QLatin1String("INTEGER") || tip == QLatin1String("NUMBER")) {
        if (dec != 0)
            dolz += 1; // room for the decimal point
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
