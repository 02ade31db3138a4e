#pragma once
// Values of the general refresh: statement variable kinds by column type, a
// DBF field turned into a statement value, blank padding of CHAR values, and
// the reference lookups that turn an internal key of the exporting
// installation into the receiving one's through a business code.
#include "general/tabledesc.h"
#include "oracle/oracle.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class TApolloDataSet;
class TInteraction;
struct TMoxContext;

// True when typ is a non-empty part of the text seznam ("CHAR" is part of
// "CHAR,VARCHAR2"; "VARCHAR" too).
bool jeDelOd(const QString &typ, const QString &seznam);

// The value padded with blanks to the declared width for types other than
// VARCHAR… (CHAR columns compare with all their blanks).
QString dopolniChar(const QString &vrednost, int dolzina, const QString &typ);

// Text to number: blanks around it are dropped, empty gives 0, anything that
// is not a number raises EMoxError. Real numbers accept "." and ",".
qint64 vCeloStevilo(const QString &besedilo);
double vRealnoStevilo(const QString &besedilo);

// The statement variable kind for a column type; an unknown type is shown
// ("NAPAČEN TIP : " + type) through ui and gives text.
TOracleType tipSpremenljivke(const QString &typ, TInteraction *ui);
void deklarirajSpremenljivko(TOracleStatementBase &stavek, const QString &ime, const QString &typ,
                             TInteraction *ui);

// The value a DBF field text binds as for a column type: null for an empty
// number or date, an integer for INTEGER, a real number for NUMBER, the date
// text for DATE, and otherwise the first width characters (padded with
// dopolniChar when pad is set).
QVariant vrednostIzDBF(const QString &besedilo, bool pad, int dolzina, const QString &typ);

// Binds the variable ime of the statement from the field of the same name of
// the DBF's current record.
void nastaviIzDBF(TOracleStatementBase &stavek, TApolloDataSet &dbf, const QString &ime, bool pad, int dolzina,
                  const QString &typ);

// The lookup pairs of one refresh run: the reference tables' DBFs and the
// Oracle queries on the reference tables. Made by pripraviIskanja, released
// (DBFs closed) when the object goes.
class TIskanja {
public:
    explicit TIskanja(TOracleSession *seja);
    ~TIskanja();
    TIskanja(const TIskanja &) = delete;
    TIskanja &operator=(const TIskanja &) = delete;

    // Prepares the lookups of every column with a reference (of the first
    // kMaxKoloneOsvezi columns) and stores the pair in the column entry.
    // False when a reference DBF cannot be opened and indexed (the message is
    // shown by odpriDBF) or when more than kMaxReferenc columns carry a
    // reference ("PREVEČ MASTER/DETAIL polj (>20)").
    bool pripraviIskanja(TMoxContext &ctx, TTableDescription &opis);

private:
    struct Par {
        std::unique_ptr<TApolloDataSet> ta;
        std::unique_ptr<TOracleDataSet> qu;
        std::unique_ptr<QHash<QString, QString>> najdene;
    };
    TOracleSession *m_seja;
    std::vector<Par> m_pari;
};

// The lookup for the current record of dbf (the main DBF): the receiving
// database's key for the column's value, empty when the value is empty.
// Sets napaka when the value is missing from the reference DBF or the
// receiving database lacks its code; never clears it. razlog, when given,
// receives what was not found.
QString poisciSifro(const tipKolone &k, TApolloDataSet &dbf, bool &napaka);
QString poisciSifro(const tipKolone &k, const QString &vrednost, bool &napaka, QString *razlog = nullptr);
