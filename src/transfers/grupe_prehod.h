#pragma once
// The refresh steps the group-like families share (groups, groups 023,
// pallets): the run state of one refresh, the table pass that applies one DBF
// file to its Oracle table (code lookups, existence query, insert or update
// by the table's rule, the table's trigger switched off around the writes),
// and the small helpers of those passes.
#include "log/porocilo.h"
#include "transfers/druzine.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

struct TMoxContext;
class TApolloDataSet;
class TOracleStatementBase;
class TOracleQuery;

// --- Helpers ---

// "YYYY.MM.DD" from "DD.MM.YYYY[ HH:MI:SS]", with " HH:MI:SS" appended when
// the text has a time other than 00:00:00: such texts compare as dates when
// compared as strings.
QString datumZaPrimerjavo(const QString &besedilo);
// "0" for an empty text, else the text.
QString nicCePrazno(const QString &besedilo);
// Binds the variable to the integer (or real) value of the text, or to null
// when the text is empty. A text that is not a number raises EMoxError; real
// numbers accept "." and "," as the decimal separator.
void nastaviCeloStevilo(TOracleStatementBase &stavek, const QString &ime, const QString &besedilo);
void nastaviRealnoStevilo(TOracleStatementBase &stavek, const QString &ime, const QString &besedilo);
// The bind variables a statement text names (":name", outside quoted texts),
// upper-cased, each once, in order of appearance.
QStringList spremenljivkeStavka(const QString &besedilo);

// --- Run state ---

// What one refresh of a family carries from pass to pass.
class TTekOsvezevanja {
public:
    TTekOsvezevanja(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek,
                    const QStringList &oznake);

    TMoxContext &ctx;
    const TZahtevaDruzine &zahteva;
    const TNapredekDruzine *napredek;

    // Cleared by "Ne" after a failed statement (or "Prekini"): later records
    // and passes read nothing.
    bool nadaljuj = true;
    // A code lookup failed ("D" of the error flag).
    bool napakaIskanja = false;
    // Anything failed: a lookup, a statement, a trigger switch, a stop.
    bool neuspeh = false;
    // One line per failed lookup and statement, then what the family adds.
    QStringList sporocila;
    // Per pass, in the order of the passes.
    QList<TStevciPrehoda> stevci;
    // Check-only: per table, the codes of records counted as new.
    QHash<QString, QSet<QString>> noveKode;

    // Shows the counters of a pass.
    void prikazi(int prehod);
    // Executes the prepared write and commits. On an error: one more error
    // of the pass, the dialog (table name + ":" + the database's message,
    // Yes/No; "Ne" stops the run) when lahkoVprasa, the same text as a line
    // of the message list. Returns whether it succeeded.
    bool izvediInStej(TOracleQuery &stavek, const QString &ime, int prehod);
    // Runs a housekeeping statement (a trigger switch) with this
    // installation's schema names. A failure is shown, listed, counted as an
    // error of the pass and the run goes on.
    void izvediUkaz(const QString &besedilo, int prehod);
    // Whether a dialog may be shown: there is somebody to answer it (not an
    // unattended run, dialogs not switched off). Without one the run goes on
    // as after "Da"; every error is still counted and listed.
    bool lahkoVprasa() const;
    // Adds an error line of the pass: counted, listed, shown.
    void napaka(int prehod, const QStringList &vrstice);

    // The readable report beside the summary file: the records counted new,
    // corrected or failed under the key of the record being applied
    // (kljucZapisa, empty between records), and per pass the rows written.
    TPorocilo porocilo;
    QString kljucZapisa;
    QList<qint64> uporabljenih;
    void uporabljen(int prehod);
    // Writes the report beside the summary file under the heading naslov;
    // napaka, the error that stopped the run and was not listed as an error
    // of a pass, goes to the last pass that read records. Returns the
    // report's write error (the run is then a failed one), else empty.
    QString zapisiPorocilo(const QString &rezultatnaDatoteka, const QString &naslov, const QString &napaka);
};

// --- Table pass ---

// A code lookup of a record: the code field's text turned into the
// receiving database's key.
struct TIskanjeKode {
    QString polje;      // DBF field holding the code
    QString kljuc;      // the statement variable the key binds to
    QString sql;        // the lookup query (one text variable)
    QString sporocilo;  // line of a failed lookup, followed by the code
    bool praznoJeNull = false; // an empty code binds null and is not looked up
};

// When an existing row is overwritten by its file record.
enum class TPraviloPosodobitve {
    novejsi,             // the record's date is later than the row's
    vedno,               // always
    razlicenDatum,       // the dates differ
    razlicenDatumUporabnik, // the dates differ, or equal dates and another USER_IPL
    nikoli,              // never (the link exists: nothing to change)
};

// Whether an existing row is overwritten by its record under the rule, from
// the row's and the record's dates of change (compared by
// datumZaPrimerjavo) and their USER_IPL.
bool posodobiPoPravilu(TPraviloPosodobitve pravilo, const QString &datumVrstice, const QString &datumZapisa,
                       const QString &uporabnikVrstice, const QString &uporabnikZapisa);

// One table of a family refresh.
struct TOpisPrehoda {
    QString tabela;         // the table as the statements name it (KA061GRP)
    QString imeNapake;      // name in statement errors ("GRUPE")
    QString preskociPrazno; // a record whose field is empty is skipped uncounted
    QList<TIskanjeKode> iskanja;
    QStringList obstoj;     // existence query: the first row is the record's row
    QStringList posodobi;   // update (empty: never updated)
    QStringList vstavi;     // insert
    QString kljucVrstice;   // the row's column that keys the update
    TPraviloPosodobitve pravilo = TPraviloPosodobitve::novejsi;
    QString trigger;        // the trigger switched off around the writes (empty: none)
    QSet<QString> celaStevila;  // variables bound with nastaviCeloStevilo
    QSet<QString> realnaStevila; // variables bound with nastaviRealnoStevilo
    QSet<QString> vednoNull;    // variables always bound to null
    // The field holding the record's own code (by which later passes look
    // the row up); a check-only run notes the codes it counts as new.
    QString kodaVrstice;
    // Per lookup (by its key variable), the table the code names when an
    // earlier pass of the run refreshes it: in a check-only run a code that
    // pass counted as new is taken as found (the real run would have
    // inserted it by then).
    QHash<QString, QString> tabeleIskanj;
    // Name in the errors of the update, when it differs from imeNapake.
    QString imeNapakePosodobitve;
    // Called for a record whose lookups failed, with the lines listed for it
    // (a family may also show them).
    std::function<void(TApolloDataSet &dbf, const QStringList &manjka)> obManjkajocih;
};

// Applies the open DBF dbf to the table, from its first record to its end,
// as pass number prehod of the run (counters, messages and stop as the run
// state holds them). Statements pass through the installation's schema
// names. In check-only mode nothing is written and no trigger is switched.
// Errors the pass cannot go on after (a statement that cannot be prepared, a
// field the file lacks) are raised; the trigger is switched on again first.
void osveziPrehod(TTekOsvezevanja &tek, int prehod, const TOpisPrehoda &opis, TApolloDataSet &dbf);
