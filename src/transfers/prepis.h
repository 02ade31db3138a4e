#pragma once
// Copying a prepared row into a DBF record: every value travels whole. A text
// the field cannot hold whole (too wide, or with characters the file's code
// page lacks) stops the preparation instead of being written cut.
#include <QString>

class TOracleDataSet;
class TApolloDataSet;

// Sets the field ime of the current DBF record (in insert mode) to the text of
// the column of the same name of the current row. Raises EMoxError naming the
// table, the field and the value when the text cannot be held whole.
void prepisiBesedilo(const TOracleDataSet &vrstica, TApolloDataSet &dbf, const QString &ime);

// The same for a text from elsewhere.
void nastaviBesedilo(TApolloDataSet &dbf, const QString &ime, const QString &besedilo);

struct TMoxContext;

// Makes the empty DBF of the table tabela of the installation's application
// schema (the TAVO schema of the installation served now) in the folder mapa
// with generirajDBF, replacing an earlier file and its memo and index files.
// Raises EMoxError when the old file cannot be removed or the new one was not
// made (the reason was shown by the creation).
void ustvariDBF(TMoxContext &ctx, const QString &mapa, const QString &tabela);
