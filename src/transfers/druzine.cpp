#include "transfers/druzine.h"

#include "transfers/analize.h"
#include "transfers/obrazci.h"
#include "transfers/parametri.h"
#include "transfers/sks.h"

const QList<TDruzina> &druzine()
{
    // Each family adds its entry here as it lands.
    static const QList<TDruzina> seznam = {
        {QStringLiteral("SKS"), &pripraviSKS, &osveziSKS},
        {QStringLiteral("OBR"), &pripraviObrazce, &osveziObrazce},
        // PARAM: the script prepares with the screen's defaults (its filter,
        // when given, as the parameter filter).
        {QStringLiteral("PARAM"),
         [](TMoxContext &ctx, const TZahtevaDruzine &z, const TNapredekDruzine *n) {
             TIzbiraParametrov izbira;
             if (!z.filter.isEmpty())
                 izbira.filter007 = z.filter;
             return pripraviParametre(ctx, z, izbira, n);
         },
         &osveziParametre},
        // ANALIZEHC: refreshed by script; its preparation is the screen's only.
        {QStringLiteral("ANALIZEHC"), {}, &osveziAnalizeHC},
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
