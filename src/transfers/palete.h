#pragma once
// Pallets: named bundles of services (KA116PAL, linked to their services
// KA011NHC through PO116NHC, owned by a department KR031ORG). The preparation
// writes the pallets chosen by the pallet settings text (xp_palet.str) into
// xp116pal.dbf, xp116nhc.dbf and xp011nhc.dbf; the refresh inserts what the
// receiving installation lacks and never changes a row it has.
#include "transfers/druzine.h"
#include "transfers/grupe_nastavitve.h"

#include <QString>
#include <QStringList>

class TApolloDataSet;
struct TMoxContext;
struct TRunState;

// The pallet settings text. Lines are compared with their trailing blanks
// cut (leading blanks stay: "  ###" is no separator). "###" starts an entry;
// the line after it (or the text's first line) is the entry's header: the
// pallet code is the text before its first blank (empty when the line starts
// with one), and "STORITVE" anywhere exports the pallet with its services.
// Every other line is ignored. Entry 0 is the header before the first "###";
// stevilo is the number of "###" lines (no limit); seznamGrup holds every
// header's code.
TNastavitveGrup preberiNastavitvePalet(const QStringList &vrstice);

// The pallet settings file of the save directory: currSaveDir + "xp_palet.str".
QString datotekaNastavitevPalet(const TRunState &rs);

// Opens xp116pal.dbf, xp116nhc.dbf and xp011nhc.dbf of the folder (template
// files missing there are installed first, with a line in the run log),
// builds the index xp011nhc on "code_011", empties the three when prazni is
// set and stands each on its first record. Errors are raised.
void odpriDBFPalete(TMoxContext &ctx, const QString &mapa, TApolloDataSet &pal, TApolloDataSet &pov,
                    TApolloDataSet &sto, bool prazni);
// The three files without their extension, as the package's manifest lists
// them under PALETE.
QStringList datotekePalet();

// The preparation: the pallets whose codes the settings text names (whole
// codes, not parts of longer ones) into the three files of folder pot (the
// save directory when empty), which are emptied first; missing template
// files are installed. Errors end the run: shown, counted in
// ctx.pNapakePrenosov and returned in napaka (the records written so far
// stay). Shows "PRIPRAVA PALET NAREJENA!" at the end unless a script runs it.
TIzidDruzine pripraviPalete(TMoxContext &ctx, const QString &pot, const QStringList &nastavitve,
                            const TNapredekDruzine *napredek = nullptr);

// The preparation as the command script runs it: the settings text is read
// from the save directory's xp_palet.str (zahteva.filter, when given, is
// taken as the text instead); a missing file is an error of the run.
TIzidDruzine pripraviPaleteSkripta(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                                   const TNapredekDruzine *napredek);

// The refresh: passes over the three files of zahteva.pot (the save
// directory when empty) insert the pallets (KA116PAL), the services
// (KA011NHC) and then the links (PO116NHC) the database lacks; an existing
// row is left as it is. The counters keep the order pallets, links, services. A record whose
// department, pallet, service, article or tax is missing is counted as an
// error and listed. The summary goes into rezultati/napPalete.txt below the
// folder and into the run log, the run-history row is "PALETE".
TIzidDruzine osveziPalete(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek);

// The summary of a pallet refresh: a line break, the heading, a line of 68
// "-", and a line per pass with its label and counts ("0" for none).
QString povzetekPalet(const QList<TStevciPrehoda> &prehodi);
