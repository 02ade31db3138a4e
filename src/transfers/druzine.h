#pragma once
// The fixed-layout transfers ("families": common code lists, print forms,
// parameters, medical-data analyses, groups, groups 023, pallets) as engine
// operations. The screens and the command script both run them through the
// functions below; none of them touches a widget. What a run shows while it
// works (counters, the closing review) goes through TNapredekDruzine, the
// questions and messages through ctx.ui.
#include <QList>
#include <QString>

#include <functional>

struct TMoxContext;

// What one run of a family transfer takes.
struct TZahtevaDruzine {
    // Folder of the DBF files and of the result file ("rezultati" below it)
    // of a refresh; ends with a path separator. Empty: the save directory.
    QString pot;
    bool samoPreverjanje = false; // check-only: nothing is written to the database
    bool brezSporocil = false;    // no error dialogs (errors still go to the result file)
    QString filter;               // the preparation's filter or selection, where the family has one
};

// Counters of one pass (one DBF file / one table) of a run.
struct TStevciPrehoda {
    QString oznaka;          // the table, as in the log line ("TAVO.KA000HED")
    qint64 prebranih = 0;    // records read (preparation: records written)
    qint64 novih = 0;        // new records
    qint64 popravkov = 0;    // corrected records
    qint64 napak = 0;        // records that could not be applied
    qint64 vDatoteki = 0;    // records of the pass's DBF, deleted ones included (0: not known)
};

// What a run shows while it works. Every member may be empty.
struct TNapredekDruzine {
    // The counters of pass `prehod` (0-based) changed; called per record.
    std::function<void(int prehod, const TStevciPrehoda &)> prikazi;
    // true when the run starts (start button off), false at its end.
    std::function<void(bool)> tece;
    // The closing review of a run that found differences: offer the result
    // file with the closing text. Empty: nothing is offered.
    std::function<void(const QString &zakljucek, const QString &datoteka)> prikaziRezultat;
};

// How a run ended.
struct TIzidDruzine {
    QList<TStevciPrehoda> prehodi;
    QString status = QStringLiteral("N"); // history flag: "D" once anything failed or the run stopped early
    QString rezultatnaDatoteka;           // the result file written (refresh)
    QString napaka;                       // the error that ended the run early, else empty
};

using TOperacijaDruzine =
    std::function<TIzidDruzine(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)>;

// A family as the command script names it ("SKS", "OBR", ...), with its
// preparation and refresh (either may be empty where the family has none).
struct TDruzina {
    QString postavka;
    TOperacijaDruzine pripravi;
    TOperacijaDruzine osvezi;
};

// The families built into the program, in the order of the menus.
const QList<TDruzina> &druzine();
// The family of a script item (upper case), or nullptr.
const TDruzina *najdiDruzino(const QString &postavka);
