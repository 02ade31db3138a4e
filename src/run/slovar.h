#pragma once
// The columns of a table as the data dictionary describes them, in column
// order: the one query the structure editors and the DBF generation share.
#include <QString>
#include <QVector>

class TOracleSession;

struct TStolpecSlovarja {
    QString ime;            // column_name
    QString tip;            // data_type
    bool imaNatancnost = false;
    qint64 natancnost = 0;  // data_precision (when imaNatancnost)
    qint64 decimalk = 0;    // data_scale (0 when null)
    QString decimalkBesedilo; // data_scale as text (empty when null)
    qint64 dolzina = 0;     // data_length
    QString dolzinaBesedilo; // data_length as text
    QString nullable;       // "Y" or "N"
};

// The columns of owner.table; none for a table the dictionary does not know.
// Errors of the query are raised.
QVector<TStolpecSlovarja> stolpciTabele(TOracleSession &seja, const QString &lastnik, const QString &tabela);
