#pragma once
// Timing of a transfer: uraStart at its beginning, uraKonec for the running
// time written into the run history.
#include <QDateTime>

struct TRunState;

// p_startniCas := now.
void uraStart(TRunState &rs);

// Seconds since uraStart, from the time-of-day part of the difference only:
// whole days are dropped, milliseconds too. 0 when uraStart never ran.
int uraKonec(const TRunState &rs);
int uraKonec(const TRunState &rs, const QDateTime &now);
