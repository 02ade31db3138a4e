#pragma once
// Groups and activities: the preparation that exports the groups chosen by
// the settings text (xg_grupe.str) with everything hanging off them into the
// ten group DBF files, and the refresh that applies those files at the
// receiving installation and removes the links it no longer receives.
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>

struct TMoxContext;

// Counters of the preparation, one per file, in this order.
inline const QStringList kPrehodiPripraveGrup = {
    QStringLiteral("KA061GRP"), QStringLiteral("KA060AK0"), QStringLiteral("PO061GRP"), QStringLiteral("PO061SPG"),
    QStringLiteral("PO065HC0"), QStringLiteral("PO055SHC"), QStringLiteral("KA055HC0"), QStringLiteral("KA062NHC"),
    QStringLiteral("KA055LAB"), QStringLiteral("KA062NHH")};

// Passes of the refresh, in the order they run (and of the summary).
inline const QStringList kPrehodiGrup = {
    QStringLiteral("KA061GRP"), QStringLiteral("KA060AK0"), QStringLiteral("PO061GRP"), QStringLiteral("PO061SPG"),
    QStringLiteral("KA055HC0"), QStringLiteral("PO065HC0"), QStringLiteral("PO055SHC"), QStringLiteral("KA062NHC"),
    QStringLiteral("KA055LAB"), QStringLiteral("KA062NHH")};

// Exports the groups the settings text (its lines) selects into the ten
// files of the folder zahteva.pot (the save directory when empty), which are
// emptied first. Errors end the run: shown, counted in ctx.pNapakePrenosov
// and returned in napaka. Shows "PRIPRAVA GRUP NAREJENA!" at the end unless a
// script prepares (p_autoPrepare).
TIzidDruzine pripraviGrupe(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const QStringList &nastavitve,
                           const TNapredekDruzine *napredek = nullptr);
// The same with the settings file of the folder (the script's PREPARE GRUPE).
TIzidDruzine pripraviGrupeIzDatoteke(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                                     const TNapredekDruzine *napredek = nullptr);

// Applies the ten files of the folder to the receiving installation, removes
// the links of the folder's settings-file groups that the files no longer
// hold, records the run (history "GRUPE", run log) and writes the summary
// file napGrupe.txt into the result folder. In check-only mode nothing is
// written to the database and the links that would go are only listed.
TIzidDruzine osveziGrupe(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek = nullptr);

// The summary text of a refresh: a line break, the heading, a line of "-"
// and one line per pass with its label and its four counters (the first
// three "0" when zero, the errors empty when zero).
QString povzetekGrup(const QList<TStevciPrehoda> &stevci);
