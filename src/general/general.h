#pragma once
// General tables: the preparation that exports a table described by a
// structure file into its DBF, and the refresh that applies such a DBF at
// another installation. Engine code without widgets: the screens and the
// command script pass their inputs as parameters and follow the run through
// the progress objects below.
#include "general/tabledesc.h"

#include <QString>

#include <functional>

struct TMoxContext;

// --- Preparation ---

// What a preparation shows while it runs.
struct TPripravaNapredek {
    // Rows written so far; called every 100 rows and at the end.
    std::function<void(qint64 zapisov)> prikazi;
    // The table description as the structure file was read for this run.
    std::function<void(const TTableDescription &)> prebrano;
};

// Exports the rows of opis.tabela into the DBF dbfPot (a path without
// extension; the file must exist with a field per column and, unless detail,
// the field POPRAVI). filter is the SQL text after the table name ("where ...
// order by ..."); in replication mode (ctx.p_replikacija) and when the table
// has a DATUMIPL column, the condition on the time of the last refresh is
// added to it (before its ORDER BY) and the extended text is left in filter.
// With detail set no record gets a POPRAVI value. Clears nothing of
// ctx.pKonec; stops between rows when it is set. Returns the rows written.
// Errors (missing DBF, a column the DBF or the query lacks, a query the
// database rejects) are raised as EMoxError.
qint64 pripraviSplosno(TMoxContext &ctx, const TTableDescription &opis, const QString &dbfPot, QString &filter,
                       bool detail, const TPripravaNapredek *napredek = nullptr);

// The filter with the replication condition "datumipl>= to_date('cas',
// 'DD.MM.YYYY HH24:MI')": after the WHERE conditions and before a trailing
// ORDER BY clause; " where " is used when the filter has no condition yet.
QString dodajPogojReplikacije(const QString &filter, const QString &cas);

// --- Refresh ---

// Transfer counters of a refresh.
struct TOsvezevanjeStevci {
    qint64 zapisov = 0;      // records read
    qint64 novih = 0;        // records without a matching row
    qint64 razlicnih = 0;    // records whose update columns differ from the row
    qint64 dodanih = 0;      // inserts that succeeded
    qint64 popravljenih = 0; // updates that succeeded
    qint64 napak = 0;        // inserts and updates that failed
    // What the records-read field shows: updated every 100 records and at the end.
    qint64 prikazanoZapisov = 0;
    // Records of the input file, deleted ones included (0 until it is open).
    qint64 vDatoteki = 0;
};

// A counter's text on the screen and in the log line: empty while zero.
QString stevecBesedilo(qint64 n);

// What a refresh shows and asks while it runs. Every member may be empty.
struct TOsvezevanjeNapredek {
    // Shows the counters (all six fields; cleared at the start).
    std::function<void(const TOsvezevanjeStevci &)> prikazi;
    // Check-only mode, read at every record (the screen's box). When empty
    // the samoPreverjanje argument of osveziSplosno holds.
    std::function<bool()> samoPreverjanje;
    // true when the run starts ("Osveži" off, "Prekini" on), false at its end.
    std::function<void(bool)> tece;
    // The closing review: ask (closing text + ".       PREGLED?") and show the
    // result file on Yes. When empty the question is asked through ctx.ui and
    // nothing is shown.
    std::function<void(const QString &zakljucek, const QString &datoteka)> prikaziRezultat;
};

// How a refresh run ended.
struct TOsvezevanjeIzid {
    TOsvezevanjeStevci stevci;
    QString status = QStringLiteral("N"); // "D" once a statement failed or the run ended on an error
    QString rezultatnaDatoteka;           // the result file written
    QString napaka;                       // the error that ended the run early, else empty
};

// Switches a table's triggers: (owner, table, "DISABLE" or "ENABLE"). Errors
// are raised.
using TPreklopTriggerjev = std::function<void(TMoxContext &ctx, const QString &lastnik, const QString &tabela,
                                              const QString &nacin)>;

// Applies the DBF of the structure file strukturnaDatoteka (its path without
// the ".str") to opis.tabela. With preklopi the table's triggers
// (ctx.currUser's table) are switched off before the run and on again at its
// end, however it ended; a switch-on that fails is an error of the run, shown
// with the table whose triggers stay off. Writes the result file, the log line and the
// run-history row; a check-only run also writes the statements the refresh
// would execute into rezultati/TABLE.sql (general/sqlizpis.h), which a real
// refresh removes. Errors that end the run early (input file missing, a field
// it lacks, a value that does not convert, an unusable auto-numbering
// statement, a reference DBF that cannot be opened) are shown, written into
// the result file, and the closing steps still run with status "D"; nothing
// is raised for them. Errors of the run history reach the caller. A run that
// stops before the end of its file, a record whose reference or key cannot be
// found, and a failed statement make the status "D" and count in napak. The
// run-history row is "N" only for a refresh that applied its file without
// errors, "P" for a check-only run without errors, "D" otherwise.
TOsvezevanjeIzid osveziSplosno(TMoxContext &ctx, TTableDescription &opis, const QString &strukturnaDatoteka,
                               bool samoPreverjanje, const TOsvezevanjeNapredek *napredek = nullptr,
                               const TPreklopTriggerjev &preklopi = {});

// --- Structure files ---

// Loads the structure file into the working memo (ctx.meDyn) and parses it
// into opis; the column checks run on ctx.quDyn. Returns razcleniStrukturo's
// result. A file that cannot be read raises EMoxError.
int naloziStrukturo(TMoxContext &ctx, const QString &strukturnaDatoteka, TTableDescription &opis);

// The refresh side of reading a structure file: naloziStrukturo, then
// ctx.currTabela := the table without its owner.
int preberiStrukturo(TMoxContext &ctx, const QString &strukturnaDatoteka, TTableDescription &opis);

// Creates (or replaces) the empty DBF of a structure on ctx.taDBF: a field per
// column with the type mapping of general tables (of master/detail tables
// with detail, without POPRAVI), and POPRAVI in front otherwise. dbfPot is a
// path without extension. False, with the message shown, on failure.
bool kreirajDBFzaStrukturo(TMoxContext &ctx, const TTableDescription &opis, const QString &dbfPot, bool detail);

// --- Entry points of the command script ---

// PREPARE of a general table: reads the structure file (with this
// installation's schema names), makes its directory the save directory, and
// prepares the table with the filter (master/detail mode with detail). The
// filter as the run extended it (replication) is left in filterIzid when
// given. Returns the rows written; errors are raised.
qint64 prepareGeneralFromFile(TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &filter,
                              bool detail, const TPripravaNapredek *napredek = nullptr,
                              QString *filterIzid = nullptr);

// REFRESH of a general table: reads the structure file (with this
// installation's schema names) and refreshes, the triggers switched by
// preklopi around the run as osveziSplosno does.
TOsvezevanjeIzid refreshGeneralFromFile(TMoxContext &ctx, const QString &strukturnaDatoteka, bool samoPreverjanje,
                                        const TPreklopTriggerjev &preklopi = {},
                                        const TOsvezevanjeNapredek *napredek = nullptr);
