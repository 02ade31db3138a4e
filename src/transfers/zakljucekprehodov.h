#pragma once
// The ending of the groups-023 and pallet refreshes, which share it: the
// summary file (the message list and the summary) below the folder of the
// run, the run-log lines, the run-history row, the closing review or end
// message, and the count of failed transfers.
#include "transfers/druzine.h"

#include <QDateTime>
#include <QString>

class TTekOsvezevanja;

struct TZakljucekPrehodov {
    QString vrsta;     // history kind and name in the log ("GRUPE023", "PALETE")
    QString datoteka;  // summary file in "rezultati" below the folder ("napGrupe023.txt")
    QString povzetek;  // the summary text (begins with a line break)
    QString konec;     // end message of a run that listed nothing
    // The end message is shown in a script's run too (it is never shown in
    // unattended runs); otherwise only when no script runs the transfer.
    bool konecTudiVSkripti = false;
    // The package's export time (invalid: no manifest): recorded as the
    // package applied here when the run applied it without errors.
    QDateTime izvozeno;
};

// Ends the run: napaka is the error that stopped it early (empty when none).
// The status is "D" when anything failed or the run stopped early, "P" for a
// check-only run without errors, else "N". The summary file is offered to
// the person at the screen (napredek->prikaziRezultat) when the message list
// held lines. Returns how the run ended.
TIzidDruzine zakljuciPrehode(TTekOsvezevanja &tek, const QString &pot, const TZakljucekPrehodov &z,
                             const QString &napaka);

// One line of the summary: 16 blanks, the label, the separator and the four
// counts separated by tabs.
QString vrsticaPovzetka(const QString &oznaka, const QString &locilo, const QStringList &vrednosti);
