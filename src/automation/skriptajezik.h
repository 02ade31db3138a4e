#pragma once
// The language of command scripts, apart from running it: which command a
// script line gives (comments, group lines and the include list), the
// placeholders of database aliases, and the item lists of PREPARE and
// REFRESH. Nothing here touches the database or a window.
#include "startup/startup.h" // TUkaz, razcleniUkaz

#include <QString>
#include <QStringList>
#include <QVector>

struct TRunState;

namespace moxskripta {

// Command words of the script.
inline constexpr const char *CONNECT = "CONNECT";
inline constexpr const char *LARGERB = "LARGERB";
inline constexpr const char *REFRESH = "REFRESH";
inline constexpr const char *REPLIKACIJA = "REPLIKACIJA";
inline constexpr const char *SQL = "SQL";
inline constexpr const char *PREPARE = "PREPARE";
inline constexpr const char *KOMENTAR = "KOMENTAR";

// The longest text a command line keeps after its command word.
inline constexpr qsizetype kNajdaljsiUkaz = 500;

// The command of a script line, and why it cannot run.
struct TUkazSkripte : TUkaz {
    // Empty when the line can run. Otherwise the line is an error of the run
    // and nothing of it runs: its text (after the command word) is longer
    // than kNajdaljsiUkaz, a quote it opens is not closed (a PREPARE filter,
    // the SQL statement's delimiters), or an item of a PREPARE or REFRESH
    // list names a path instead of a table (see napakaImena). Comments,
    // group lines that do not run and words that match no command never
    // carry an error.
    QString napaka;
};

// The command a script line gives, with its arguments:
//  - a line beginning with "#" is the command KOMENTAR;
//  - a group line ("/" + group + "_" + command word, then the arguments)
//    runs only when its group occurs in the include list; it is then split
//    like any line and its command is the word after the "_". The group is
//    the text between "/" and the first "_" when that "_" stands at
//    position 3 to 12 of the line, otherwise "XXX". A group line that does
//    not run is KOMENTAR. With the include list "ALL" a group line keeps its
//    "/" word, which matches no command;
//  - any other line is split by razcleniUkaz.
// The command's napaka says why the line cannot run (see TUkazSkripte).
TUkazSkripte ukazVrstice(const QString &line, const QString &currInclude);

// Why a general table's name in a PREPARE or REFRESH list cannot be used as a
// structure file's name, or empty when it can: the file is the directory
// plus the name plus ".str", so a name holding "/", "\\", ":" or ".." would
// reach outside the directory.
QString napakaImena(const QString &ime);

// The group of a group line, as ukazVrstice finds it, and the position
// (counted from 1) of its first "_" (0 when there is none).
QString skupinaVrstice(const QString &line, qsizetype *podcrtaj = nullptr);

// The alias of CONNECT: a text beginning with "XXXXXS" stands for the source
// alias of the command line, any other text beginning with "XXXXX" for the
// destination alias; other aliases stay as they are.
QString zamenjajBazo(const QString &alias, const QString &sourceBase, const QString &destBase);

// The statement of the SQL command: its argument without the first and the
// last character (the delimiters).
QString stavekSQL(const QString &a1);

// The items of a REFRESH list: the texts between the ",", trimmed. The whole
// list is read (the line's own limit bounds it), so no item is lost. Empty
// items (",,", a list of blanks) name nothing and are left out.
QStringList postavkeOsvezitve(const QString &seznam);

// One item of a PREPARE list: a family or a general table, and for a
// general table the filter given in double quotes.
struct TPostavkaPriprave {
    QString ime;
    QString filter;
    // The item was written with a double quote: it is compared whole, quote
    // and filter included, so it never names a family ("SKS "x"" is the
    // general table SKS with the filter x).
    bool sNavednico = false;
    // Why the item cannot be prepared (a filter whose closing quote is
    // missing, a name that is a path), empty when it can.
    QString napaka;
    bool operator==(const TPostavkaPriprave &o) const
    {
        return ime == o.ime && filter == o.filter && sNavednico == o.sNavednico && napaka == o.napaka;
    }
};

// The items of a PREPARE list. A list that holds a double quote is one item
// as a whole (so "A,B "filter"" is the general table A,B with that filter);
// otherwise it is split like a REFRESH list. An item with a double quote is
// the name before it and the filter between it and the next double quote,
// both trimmed; without that next quote the item's napaka says so (the
// filter is never dropped quietly), as it does for text after the closing
// quote.
QVector<TPostavkaPriprave> postavkePriprave(const QString &seznam);

// The line of a one-line run: arguments 1 to 4 joined by single blanks.
QString enovrsticniUkaz(const TRunState &rs);

// Families of table transfers; every other item is a general table.
// REFRESH knows SKS, OBR, PARAM, ANALIZEHC, GRUPE, GRUPE023, PALETE;
// PREPARE knows SKS, OBR, PARAM, GRUPE, PALETE (there GRUPE023 and
// ANALIZEHC name general tables).
bool jeDruzinaOsvezitve(const QString &ime);
bool jeDruzinaPriprave(const QString &ime);

// The operation (dispatch name) that refreshes or prepares a family.
QString operacijaOsvezitve(const QString &druzina);
QString operacijaPriprave(const QString &druzina);

// The text a script line is echoed with: its number and the line, with the
// password of a CONNECT line hidden.
QString odmevVrstice(int stevilka, const QString &line, const TUkaz &u);

} // namespace moxskripta
