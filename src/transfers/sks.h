#pragma once
// The common code lists: list headers (TAVO.KA000HED) and their values
// (TAVO.KG000SS0) carried through the DBF files KA000HED and KG000SS0.
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>

struct TMoxContext;

// The filter of the preparation as its list condition: the items between
// commas, blanks around them trimmed, each compared with "like" against the
// code of the list. Returns "(sifra000 like :f0 or sifra000 like :f1 ...)"
// and the items to bind, in order (the user's text is bound, never pasted
// into the statement). A trailing comma adds no item; an empty filter gives
// one empty item, which selects nothing.
QString pogojFiltraSKS(const QString &filter, QStringList &vrednosti);

// Preparation: the system lists whose code matches zahteva.filter (empty:
// the default "%", as a script that names no filter prepares) into KA000HED and their active values into KG000SS0, both in
// zahteva.pot (the save directory when empty), replacing files of the same
// name. In replication mode (p_replikacija) the headers of every type go;
// the values always only of system ("S") lists. prehodi[0] / prehodi[1]
// count the headers / values written. A failed query ends it with the
// database's message (the files keep what was written) as a failed run.
TIzidDruzine pripraviSKS(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek);

// Refresh: the two files of zahteva.pot applied to the installation served
// now, within the refresh frame (result file rezultati/SKS.rez, history kind
// "SKS"). Pass 0 the headers, pass 1 the values.
TIzidDruzine osveziSKS(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek);
