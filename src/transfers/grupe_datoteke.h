#pragma once
// The ten DBF files of the groups transfer in a folder: a group (xgk61grp)
// with its activities (xgk60ak0), group-activity links (xgo61grp),
// department rows (xgo61spg), HC links (xgo65hc0), sub-HC links (xgo55shc),
// HCs (xgk55hc0), activity services (xgk62nhc), lab descriptions (xgk55lab)
// and lab services (xgk62nhh).
#include "dbf/apollo.h"

#include <QString>
#include <QStringList>

#include <array>

struct TMoxContext;

class TDatotekeGrup {
public:
    enum Datoteka { k61grp, k60ak0, o61grp, o61spg, o65hc0, o55shc, k55hc0, k62nhc, k55lab, k62nhh, steviloDatotek };

    // File name of a file ("xgk61grp.dbf").
    static QString ime(Datoteka d);
    // The index the files are opened with (name of the index file and
    // expression); an empty expression for the files without one.
    static QString indeksIme(Datoteka d);
    // The ten file names without extension, as the package's manifest lists
    // them under GRUPE.
    static QStringList osnove();
    static QString indeksIzraz(Datoteka d);

    // Opens the ten files of the folder (closing each first; templates that
    // are missing are put there first and the run log says so), builds their
    // indexes, empties every file when prazno is set, and positions each on
    // its first record. Errors are raised (EMoxError naming the file).
    void odpri(TMoxContext &ctx, const QString &mapa, bool prazno);
    void zapri();

    TApolloDataSet &operator[](Datoteka d) { return m_ta[size_t(d)]; }

    // Whole-key presence in the active index: each value padded to its
    // field's width (polja, in the order of the index expression), so a code
    // never finds a longer code that begins with it; fewer values than key
    // fields find any record with those leading fields. A value longer than
    // its field is refused (it could not have been written whole).
    bool najdi(Datoteka d, const QStringList &polja, const QStringList &vrednosti);
    // The padded key of such values.
    QString kljuc(Datoteka d, const QStringList &polja, const QStringList &vrednosti);

private:
    std::array<TApolloDataSet, steviloDatotek> m_ta;
};

// Writes a text into a character field of the current (new) record; a text
// longer than the field, or with characters the file's code page lacks, is
// refused, never cut or changed.
void zapisiPolje(TApolloDataSet &ta, const QString &polje, const QString &besedilo);
