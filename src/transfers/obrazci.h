#pragma once
// Print forms: the forms (KA900REP) with their fields (KA901RAT) and regions
// (KA902RPR). The preparation writes the selected active forms with their
// active fields and regions into three DBF files of the save directory; the
// refresh applies them to the receiving installation, where a form is found
// by its description, a field by its form and order number and a region by
// its form and description (internal keys differ between installations).
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>

// The condition of the preparation's form query for a filter: empty for "%"
// or an empty filter (every active form), otherwise "sifra900 in (40,41) and "
// for a comma-separated list of form codes (blanks around the codes and
// empty items are ignored). Anything else is refused with an EMoxError: the
// filter is never pasted into the statement as it was typed.
QString pogojObrazcev(const QString &filter);

// The preparation: zahteva.filter as above; the files are written into the
// save directory (ctx.currSaveDir), replacing older ones. The counts of
// forms, fields and regions written are reported as passes 0, 1, 2.
// Errors end it with an EMoxError; the files keep the records written so far.
TIzidDruzine pripraviObrazce(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek);

// The refresh within the families' refresh frame: KA900REP.DBF, KA901RAT.DBF
// and KA902RPR.DBF of zahteva.pot (the save directory when empty); result
// file "rezultati/OBR.rez" below the same folder; history kind "OBR".
TIzidDruzine osveziObrazce(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek);

namespace obrazci {
// The fields the transfer carries, per table, besides POPRAVI (the same list
// for the preparation and the refresh).
extern const QStringList kPolja900;
extern const QStringList kPolja901;
extern const QStringList kPolja902;
} // namespace obrazci
