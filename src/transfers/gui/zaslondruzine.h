#pragma once
// What the family screens of groups 023 and pallets share: finding a field of
// the screens, the lines of a settings memo, and the counters of a refresh
// screen's table (one row of four fields per pass).
#include "base/moxerror.h"
#include "window/screens.h"
#include "transfers/druzine.h"

#include <QString>
#include <QStringList>

#include <functional>

class QPlainTextEdit;
class TDispatch;

namespace zaslondruzine {

// The memo's text as lines; a line break at the very end adds no empty line.
QStringList vrsticeBesedila(const QPlainTextEdit &memo);

// Shows the counters of each pass in the fields predpona + "Vseh", + novih,
// + "Popr", + "Nap" of its row (predpone in the order of the passes); the
// fields are cleared first. A missing field raises EMoxError.
std::function<void(int, const TStevciPrehoda &)> stevciTabele(TScreens &s, const QStringList &predpone,
                                                               const QString &novih);

// The button is off while the run goes on.
std::function<void(bool)> gumbMedTekom(TScreens &s, const QString &gumb);

// Adds the screen's progress bar bar (an object name, pb…) to a run's
// progress: the records read of the pass that runs of its DBF's record
// count, a busy bar while that is not known. What the run showed before is
// kept. A missing bar raises EMoxError.
void dodajNapredek(TScreens &s, const QString &bar, TNapredekDruzine &napredek);

// Registers op under the operation name; it runs with the main window's
// screens (an error when there are none).
void registriraj(TDispatch &dispatch, const std::function<TScreens *()> &screens, const char *ime,
                 void (*op)(TMoxContext &, TScreens &));

// A control of the screens by name; a missing one raises EMoxError.
template <class T> T &polje(TScreens &s, const QString &ime) { return s.polje<T>(ime); }

} // namespace zaslondruzine
