#pragma once
// Parameters of the application (KA007PAR), their values (PR107PAR) and the
// values' extensions (PR207EXT): the preparation writes the chosen parameters
// with their values and extensions into three DBF files; the refresh adds to
// the receiving installation every parameter it lacks (matched on class and
// attribute), whole with its values and extensions under new keys, and never
// corrects a parameter that exists.
#include "transfers/druzine.h"

#include <QString>

struct TMoxContext;

// What the preparation screen chooses.
struct TIzbiraParametrov {
    // "%" (or empty) for every active parameter, else a whole WHERE clause
    // over KA007PAR ("where class007='X'").
    QString filter007 = QStringLiteral("%");
    // "%" (or empty) for every value, else a condition over PR107PAR; then
    // only parameters with a matching value are prepared.
    QString filter107 = QStringLiteral("%");
    bool samoDefault = false; // only default values (DEPEN107 "0000")
};

// Writes KA007PAR, PR107PAR and PR207EXT into zahteva.pot (the save
// directory when empty), replacing earlier files. The counts of the three
// files are passes 0, 1 and 2 (prebranih = records written). Errors (a file
// that cannot be made, a filter the database rejects, a value a field cannot
// hold whole) are raised as EMoxError; the files then hold what was written.
TIzidDruzine pripraviParametre(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TIzbiraParametrov &izbira,
                               const TNapredekDruzine *napredek = nullptr);

// The refresh of the three files of zahteva.pot. The row triggers of the
// three tables are switched off for the run and on again at its end, however
// it ends; a trigger that cannot be switched off is noted in the run log and
// left as it is, one that was switched off and cannot be switched on again
// is an error of the run. Passes 0, 1 and 2 count parameters, values and
// extensions. Each new parameter is one transaction: it arrives whole with
// its values and extensions, or (after any failed insertion) not at all.
TIzidDruzine osveziParametre(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                             const TNapredekDruzine *napredek = nullptr);

// The statements that switch the three tables' row triggers ("DISABLE" or
// "ENABLE"), with the schema of the installation served now.
QStringList stavkiTriggerjevParametrov(const TMoxContext &ctx, const QString &nacin);
