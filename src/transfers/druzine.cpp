#include "transfers/druzine.h"

#include "transfers/sks.h"

const QList<TDruzina> &druzine()
{
    // Each family adds its entry here as it lands.
    static const QList<TDruzina> seznam = {
        {QStringLiteral("SKS"), &pripraviSKS, &osveziSKS},
    };
    return seznam;
}

const TDruzina *najdiDruzino(const QString &postavka)
{
    for (const TDruzina &d : druzine())
        if (d.postavka == postavka)
            return &d;
    return nullptr;
}
