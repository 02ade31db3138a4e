#pragma once
// Schema-name substitution: statements are written for the schemas TAVO and
// FAKTUR; before a text is set into a statement object, their prefixes are
// rewritten into the current installation's schema names.
#include <QString>

struct TRunState;
class TOracleDataSet;

// Replaces each occurrence of prefix (matched without regard to the case of
// a-z) that follows one of the characters "*. (=,<>" by replacement. A prefix
// at the very start of the text, directly after a previous occurrence or
// after a line break stays as it is.
QString zamenjajShemo(QString text, QString prefix, const QString &replacement);

// "TAVO." and "FAKTUR." become the installation's schema names.
QString zamenjave(const QString &niz, const QString &tip, const TRunState &state);

// Runs the block that initialises the application schema's logging package
// for the session; every error is ignored (a database without the package
// still works). Does nothing while the session is not connected.
void pripraviSejo(TOracleDataSet &quDyn1, const TRunState &state);
