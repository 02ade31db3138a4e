#pragma once
// Groups 023: groups of HCs and services (KA023GRP, with their HC members
// PO011HC0 and service members PO023GRP). The preparation writes the groups
// named by a list of codes into xgk23grp.dbf, xgp11hc0.dbf and xgp23grp.dbf;
// the refresh inserts what the receiving installation lacks and updates the
// rows whose file record is newer.
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>

class TApolloDataSet;
struct TMoxContext;
struct TRunState;

// The group list of the code lines: each line trimmed and followed by a
// comma, all joined, one comma in front (G1 and G2 give ",G1,G2,"; an empty
// line adds a lone comma). Groups are chosen by whole codes of the list.
QString preberiSeznam023(const QStringList &vrstice);

// The saved code list of the save directory: currSaveDir + "xg_023.str".
QString datotekaSeznama023(const TRunState &rs);

// Opens the three files of the folder (template files missing there are
// installed first, with a line in the run log), empties them when prazni is
// set and stands each on its first record. Errors are raised.
void odpriDBF023(TMoxContext &ctx, const QString &mapa, TApolloDataSet &grp, TApolloDataSet &hc,
                 TApolloDataSet &sto, bool prazni);
// The three files without their extension, as the package's manifest lists
// them under GRUPE023.
QStringList datotekeGrup023();

// The preparation: the groups whose codes are lines of the list, with their
// HC and service members, into the three files of folder pot (the save
// directory when empty), which are emptied first. Errors end the run: shown,
// counted in ctx.pNapakePrenosov and returned in napaka (the records written
// so far stay). Shows "KONČANA PRIPRAVA GRUP 023!" unless a script runs it.
TIzidDruzine pripraviGrupe023(TMoxContext &ctx, const QString &pot, const QStringList &seznam,
                              const TNapredekDruzine *napredek = nullptr);

// The preparation as a script would run it: the list of zahteva.filter (one
// code per line), else the saved list xg_023.str; a missing file is an error.
TIzidDruzine pripraviGrupe023Skripta(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                                     const TNapredekDruzine *napredek);

// The refresh: passes KA023GRP, PO011HC0 and PO023GRP over the files of
// zahteva.pot (the save directory when empty). Missing rows are inserted,
// rows older than their record updated; a record whose group, HC or service
// is missing is counted as an error, listed and, for an active member, shown.
// The summary goes into rezultati/napGrupe023.txt below the folder and into
// the run log; the run-history row is "GRUPE023".
TIzidDruzine osveziGrupe023(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek);

// The summary: a line break, the heading, a line of 94 "-", and the lines of
// KA023GRP, PO023GRP and PO011HC0 (passes 0, 2 and 1) with their counts; the
// errors stay empty when there were none.
QString povzetekGrup023(const QList<TStevciPrehoda> &prehodi);
