#pragma once
// Texts of the three pages of the help screen.
#include <QString>

namespace moxhelp {

QString klicniParametri();   // "Klicni parametri": command line and command script
QString pripravaPodatkov();  // "Priprava podatkov": preparing DBF files
QString osvezevanje();       // "Osveževanje": applying DBF files

} // namespace moxhelp
