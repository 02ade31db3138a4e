#pragma once
// Operations on DBF tables that the transfers share: opening a table of the
// save directory (optionally with an index), creating an empty table from a
// field list, and the file name of a reference or detail table. They report
// failures by message and result and never raise.
#include "dbf/apollo.h"
#include "base/interaction.h"

#include <QString>
#include <QVector>

struct TMoxContext;

// Closes taDBF and opens saveDir + name (name without extension). With a
// non-empty index expression it then builds that index in the index file
// saveDir + name (saveDir is held with its trailing separator), even when the
// open failed. Shows "NE MOREM ODPRETI tabele: ..." or
// "NE MOREM KREIRATI indeksa: ..." and returns false on failure.
bool odpriDBF(TApolloDataSet &taDBF, const QString &saveDir, const QString &name, const QString &indexExpr,
              TInteraction &ui);

// Creates the table path from the first count entries of fields, replacing an
// existing file. Shows "Neuspešno kreiranje tabele:" + path and returns false
// on failure.
bool kreirajDBF(TApolloDataSet &taDBF, const QString &path, const QVector<tipDBFStruktura> &fields, int count,
                TInteraction &ui);
// The same on the main window's taDBF, reporting through its interaction.
bool kreirajDBF(TMoxContext &ctx, const QString &path, const QVector<tipDBFStruktura> &fields, int count);

// With the detail flag, a name holding "." is cut after its first "." (the
// point kept); otherwise the name is returned unchanged.
QString imeDBF(const QString &name, bool detail);

// Creates the empty table tabela in the save directory: POPRAVI C 1, then one
// field per column of upor.tabela in column order (for PR908CXR also CODE_055
// C 10 at the end), replacing an existing file. Reads the dictionary
// (stolpciTabele) and creates the file on taDBF; a failure is shown by
// kreirajDBF.
void generirajDBF(TMoxContext &ctx, const QString &upor, const QString &tabela);
