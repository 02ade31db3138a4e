#pragma once
// Start-up steps of the main window that need no window: the command line,
// the password of an unattended logon, the multi-installation marker file,
// the installation of the logged-on user, the directory check and the split
// of a script line.
#include <QString>
#include <QStringList>

struct TRunState;
struct TMoxContext;
class TInteraction;

// Captures the command line (without the program name): argument 1 into
// runParamType, 2 to 6 into runParamvalue1 to 5. Argument 5 replaces both the
// save and the log directory, argument 6 the log directory again. Further
// arguments are ignored. declRunParam tells whether there were any.
void zajemiArgumente(TRunState &rs, const QStringList &args);

// The script file named by a "@" argument: its characters 2 to 51.
QString imeSkripte(const QString &runParamType);

// Resolves the password of an unattended logon into geslo (which may be one
// of the run state's own fields): a password of two or more characters is
// taken as it is; otherwise the stored one for the alias and user; otherwise
// a password code "1" to "4"; otherwise geslo stays and pautoG is cleared.
void connectGeslo(TRunState &rs, const QString &instanca, const QString &upor, const QString &sGeslo, QString &geslo);

// The fixed password of a password code "1" to "4"; empty for anything else.
QString gesloKode(const QString &sGeslo);

// True when the alias is marked as serving several installations in the
// marker file ("vecInstalacij" in the working directory): the first line
// whose upper-cased text begins with ALIAS= decides, by containing "TRUE".
bool aliJeVecInstacijNaTrenutniInstanci(const QString &instanca,
                                         const QString &datoteka = QStringLiteral("vecInstalacij"));

// Maps the logged-on user to its installation (instance alias and schema
// names) from ORNA_UTIL.ORNA_INSTALATIONS in a multi-installation database.
// The user name is bound as a variable. Errors reach the caller.
void NapolniMUuser(TMoxContext &ctx);

// Ensures the directory exists: asks "Direktorij ... ne obstaja!  Generiraj ?"
// and creates it level by level on Yes. A level that cannot be created is
// reported ("Direktorija ... NE MOREM KREIRATI!") and gives false; any answer
// but Yes gives false. After a Yes the check starts again (so an empty name
// is asked about until the answer is No); without a person to answer
// (bezOsebe) a pass that creates nothing ends with false instead.
bool preveriDirektorijPot(const QString &path, TInteraction &ui, bool bezOsebe = false);

// One line of a command script split into its command word and up to three
// arguments, with the blank counting and length limits existing scripts rely
// on: a second blank after the command word empties a1, a leading blank
// empties the command.
struct TUkaz {
    QString ukaz;
    QString a1, a2, a3;
};
TUkaz razcleniUkaz(const QString &line);
