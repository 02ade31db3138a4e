#pragma once
// The settings file MONITOR.INI as the run state sees it: which keys are read
// into which fields (with their defaults), and what "Shrani" writes back.
#include <QString>

struct TRunState;

// Reads the keys of sections MOX, PL/SQL and MONITOR into the run state, in
// their fixed order, each with its default. Directories are held with the
// platform's separator.
void preberiNastavitveIzDatoteke(TRunState &rs);

// What follows showing the settings on the screens: in replication mode the
// replication directories become the working ones, and with CURR_SHRANI
// "TRZ5" (exactly) the stored password of the logon is taken.
void uveljaviNastavitve(TRunState &rs);

// Writes the MOX keys from the run state (the password always as "xxxxx").
// Throws EMoxError naming the file when it cannot be written.
void ShraniNastavitev(const TRunState &rs);

// "D" for true, "N" for false; and the reading rule: only exactly "N" is false.
QString daNe(bool on);
bool niNe(const QString &value);
