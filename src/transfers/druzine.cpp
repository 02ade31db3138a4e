#include "transfers/druzine.h"

#include "transfers/analize.h"
#include "transfers/grupe.h"
#include "transfers/grupe023.h"
#include "transfers/palete.h"
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
        // GRUPE: the script prepares with the folder's xg_grupe.str.
        {QStringLiteral("GRUPE"), &pripraviGrupeIzDatoteke, &osveziGrupe},
        // GRUPE023: the script refreshes; its preparation (reading the saved
        // list xg_023.str) is there for runs that ask for it.
        {QStringLiteral("GRUPE023"), &pripraviGrupe023Skripta, &osveziGrupe023},
        // PALETE: the script prepares with the save directory's xp_palet.str.
        {QStringLiteral("PALETE"), &pripraviPaleteSkripta, &osveziPalete},
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
