#pragma once
// The DBF operations the general tables take from the DBF layer, in one place:
// opening a reference table with its index, the file name of a reference or
// detail table, and the DBF of a structure file.
#include <QString>

class TApolloDataSet;
struct TMoxContext;

// Opens the table name (without extension) of the save directory on ta and
// indexes it on the expression; false (with the message shown) on failure.
bool odpriReferencniDBF(TMoxContext &ctx, TApolloDataSet &ta, const QString &ime, const QString &izraz);

// File name of a reference or detail table (the detail naming rule).
QString imeReferencnegaDBF(const QString &ime);

// The DBF of a structure file: its path without the extension of four
// characters; for a master/detail table the file name goes through the
// detail naming rule.
QString dbfZaStrukturo(const QString &strukturnaDatoteka, bool detail);
