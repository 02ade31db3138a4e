#pragma once
// Analyses of medical data (PR908CXR, one per health-care service, matched
// across installations by its code CODE_908) with their XML definitions
// (I_XML_X03, the text in the CLOB XML__003). The preparation writes the
// chosen analyses and their definitions into two DBF files (the XML text
// whole, in a memo); the refresh creates the analyses the receiving
// installation lacks and overwrites, where the file allows it, those that
// differ, mapping the service by its code CODE_055.
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>

struct TMoxContext;

// What the preparation screen chooses.
struct TIzbiraAnaliz {
    // "%" (or empty) for every active analysis with a code, else a list of
    // analysis codes ("'POR','AND','BOD'"; the quotes may be left out).
    QString filter = QStringLiteral("%");
    // Mark the records "*": the refresh may then overwrite an existing analysis.
    bool tudiUpdate = true;
};

// The codes of a filter list: items separated by ",", blanks around them and
// enclosing single quotes removed ('' inside quotes stands for one quote).
// Empty items are left out. Raises EMoxError for a quote left open.
QStringList kodeAnaliz(const QString &filter);

// Writes PR908CXR and I_XML_X03 into zahteva.pot (the save directory when
// empty), replacing earlier files. Passes 0 and 1 count the records written.
// The codes of the filter are bound, never pasted into the query. Errors are
// raised as EMoxError.
TIzidDruzine pripraviAnalizeHC(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TIzbiraAnaliz &izbira,
                               const TNapredekDruzine *napredek = nullptr);

// The refresh of the two files of zahteva.pot. Passes 0 (analyses) and 1
// (XML definitions). An analysis without its XML record in the file or whose
// service is unknown at this installation cannot be applied: counted and
// listed as an error. A new analysis and its definition are written in one
// transaction; an existing one that differs is overwritten only when its
// record carries "*"; an equal one produces nothing.
TIzidDruzine osveziAnalizeHC(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                             const TNapredekDruzine *napredek = nullptr);
