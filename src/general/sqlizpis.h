#pragma once
// The SQL file of a check-only refresh: rezultati/TABLE.sql beside the result
// file, holding the inserts and updates the refresh would have executed for
// the same file and database, in order, each followed by commit, with the
// values it binds written as literals. A database administrator reviews it
// or runs it with SQL*Plus or "mox-db sql": a statement ends with ";" at the
// end of its line, a PL/SQL block with a line holding only "/".
//
// Forms written (both Oracle and the embedded engine run them):
// - texts in single quotes with quotes doubled, control characters as
//   chr(n), long texts in pieces joined by || over several lines (no line
//   longer than a few hundred characters, as SQL*Plus limits its lines);
//   numbers as the refresh binds them; dates as to_date('…', format) through
//   the statement's own to_date; NULL for an empty value.
// - a CLOB text that fits one literal (4000 bytes even in UTF-8) inline;
//   a longer one as a block: the insert or update with its first piece, then
//   an update per further piece appending it (C=C||'…') to the row found by
//   the key, then commit. The embedded engine runs no DECLARE section, so the
//   block holds no CLOB variable.
// - an auto-numbered column numbered when the file runs: the numbering
//   function's call or the sequence's NEXTVAL in the insert itself; for the
//   MAX( form, the first new row gets the statement's value plus one and
//   each further one the number of the row inserted before it (found by its
//   key) plus one, as the refresh numbers on from the value it read once.
#include "oracle/oracle.h"

#include "base/linefile.h"

#include <QHash>
#include <QString>
#include <QVariant>

struct TTableDescription;

// Forms of the auto-numbering statement (the AUTO line of a structure).
enum class TAvto { brez, getSequence, nextVal, max };

// The literal of a bound value of a variable of kind tip: NULL for a null or
// empty value, a number for a numeric variable (a whole number for
// otInteger, rounded as binding rounds it), a quoted text otherwise.
QString sqlLiteral(const QVariant &vrednost, TOracleType tip);

// The expression that gives a new row its number when the file runs, from the
// auto-numbering statement stavek (as the refresh runs it) of the form avto.
// A getSequence block must assign ":naslednji := <call>;" and a NEXTVAL
// statement must name "<sequence>.nextval"; another text raises EMoxError.
QString sqlStevilcenje(TAvto avto, const QString &stavek);

// rezultati/TABLE.sql for the result file rezultati/TABLE.rez.
QString sqlDatoteka(const QString &rezultatnaDatoteka);

class TSqlIzpis {
public:
    // Opens pot (replacing an older file) and writes the head: the table,
    // the time, the input DBF, how new rows are numbered. avtoStavek is the
    // auto-numbering statement as the refresh runs it. Raises EMoxError
    // ("Napaka pri pisanju v: <pot>") when the file cannot be written, and
    // for a numbering statement sqlStevilcenje cannot write.
    void odpri(const QString &pot, const TTableDescription &opis, const QString &dbf, TAvto avto,
               const QString &avtoStavek);
    bool odprta() const { return m_f.odprta(); }
    // Removes an older file at pot; EMoxError when it stays.
    static void odstrani(const QString &pot);

    // The insert ins as bound for the current record (the auto-numbered
    // column's variable is written as the numbering expression), then
    // commit. clobi: the text of each CLOB column the statement returns into
    // a locator. upd is the refresh's update with its key variables set: its
    // condition finds the new row again for the pieces of a long CLOB text.
    void vstavi(const TOracleStatementBase &ins, const TOracleStatementBase &upd,
                const QHash<QString, QString> &clobi);
    // The update upd as bound for the current record, then commit.
    void popravi(const TOracleStatementBase &upd, const QHash<QString, QString> &clobi);
    // Comment lines ("-- "), one per line of the text.
    void opomba(const QString &besedilo);
    void zapri();

private:
    void zapisi(const TOracleStatementBase &st, const TOracleStatementBase &iskanje,
                const QHash<QString, QString> &clobi, bool vstavljanje);
    void pisi(const QStringList &vrstice) { m_f.pisi(vrstice); }

    TVrsticnaDatoteka m_f;
    QHash<QString, TOracleType> m_tipi; // variable kinds by column name (upper case)
    QString m_avtoStolpec;              // upper case; empty without auto-numbering
    QString m_avtoIzraz;
    TAvto m_avto = TAvto::brez;
    QString m_prejsnjaVrstica; // MAX( form: "TABLE where <key>" of the row inserted before
};
