#pragma once
// Template DBF files of the groups, groups 023 and pallets transfers. These
// transfers open and empty their files but never create them: the files come
// with the installation, and a missing one is put into the folder from the
// layout table predloge.txt (compiled in as a resource), which says for every
// field the Oracle column it is derived from.
#include "dbf/apollo.h"

#include <QString>
#include <QStringList>
#include <QVector>

struct TMoxContext;

// An index tag that the transfers build over a template file.
struct TPredlogaIndeks {
    QString ime;    // index file without extension ("xgk60ak0": xgk60ak0.CDX)
    QString izraz;  // key expression as the transfers pass it ("code_061,code_060")
};

// The layout of one template file.
struct TPredloga {
    QString datoteka;                 // file name as the transfers open it ("xgk60ak0.dbf")
    QString druzina;                  // script item of the family: GRUPE, GRUPE023, PALETE
    QVector<tipDBFStruktura> polja;   // fields in order, POPRAVI first
    QStringList viri;                 // per field: the source column "TABLE.COLUMN", empty for none
    QVector<TPredlogaIndeks> indeksi;
};

// Every template, in the order of the table.
const QVector<TPredloga> &predloge();
// The templates of one family (GRUPE, GRUPE023, PALETE; without regard to
// case); an empty name gives all of them.
QVector<TPredloga> predlogeDruzine(const QString &druzina);
// The template of a file name (without regard to case), or nullptr.
const TPredloga *najdiPredlogo(const QString &datoteka);

// Reads a layout table in the form of predloge.txt; raises EMoxError naming
// the line at fault. (predloge() reads the built-in table with it.)
QVector<TPredloga> preberiPredloge(const QString &besedilo);

// Creates the empty file of the template in folder, replacing one that is
// there, and builds its index tags. Raises EMoxError when the file cannot be
// made.
void ustvariPredlogo(const TPredloga &predloga, const QString &mapa);

// Creates the templates of the family (all of them for an empty name) whose
// DBF file is not in folder; with zamenjaj also those that are, replacing
// them. Returns the names of the files made. Raises EMoxError.
QStringList namestiPredloge(const QString &mapa, const QString &druzina, bool zamenjaj = false);

// As namestiPredloge without replacing, for a transfer about to open its
// files: when it makes any, it writes a line naming them into the run log.
QStringList namestiManjkajocePredloge(TMoxContext &ctx, const QString &mapa, const QString &druzina);
