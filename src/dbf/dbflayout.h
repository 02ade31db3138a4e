#pragma once
// The DBF field of an Oracle column: the Oracle type mapped to a DBF field
// (numbers and dates travel as text, long texts as memos).
#include <QString>

// General mapping (generirajDBF, the general structure editor), in place:
// VARCHAR2 over 255 and LONG, CLOB, BLOB become memos (M 10); INTEGER and
// NUMBER become C wide enough for every value (sirinaStevila); DATE becomes
// C 19 ("DD.MM.YYYY HH24:MI:SS"); anything else C of its own width.
void prirediTip(QString &tip, qint32 &dolz, qint32 &dec);

// The width of the character field that holds the text of every value of a
// NUMBER(dolz, dec) column: its digits (a leading zero where the scale reaches
// the precision), the sign and the decimal point. A NUMBER without precision
// (the dictionary's length 22, no scale) gets room for 40 digits and a point.
qint32 sirinaStevila(qint32 dolz, qint32 dec);

// Mapping of the master/detail structure editor: as the general one, except
// that DATE becomes D 8, types containing LONG or BLOB become memos and CLOB
// stays a character field.
void prirediTipMasterDetail(QString &tip, qint32 &dolz, qint32 &dec);
