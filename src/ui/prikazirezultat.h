#pragma once
// The closing review of a refresh and the direct showing of a summary file,
// both in the result viewer.
#include <QString>

class TInteraction;

namespace moxui {

// True on Qt's offscreen and minimal platforms: nobody looks at the screen,
// so modal viewers are not shown (their content is still loaded).
bool jeBrezZaslona();

} // namespace moxui

// Asks closing text + ".       PREGLED?" (information, Da/Ne); on Da creates
// a result viewer, loads the file's lines and shows it modally. A file that
// cannot be read raises EMoxError naming it (callers that guard this show
// their own message). Callers ask only when the run is not unattended.
void prikaziRezultat(const QString &zakljucek, const QString &pot, TInteraction &ui);

// Shows a text file in a new result viewer without asking (summary files of
// the group, groups-023 and pallet refreshes). Raises EMoxError when the file
// cannot be read.
void prikaziDatoteko(const QString &pot);
