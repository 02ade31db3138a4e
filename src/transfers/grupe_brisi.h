#pragma once
// Removal of group links the exporting installation no longer sends: for the
// groups named in the receiving installation's settings file, the links in
// PO061GRP, PO061SPG and PO065HC0 that the link files do not hold.
#include <QString>
#include <QStringList>

class TTekOsvezevanja;
class TDatotekeGrup;

// Passes whose error counters take a failed removal of their table's links
// (indexes into the refresh's passes).
struct TPrehodiPovezav {
    int po061grp = -1;
    int po061spg = -1;
    int po065hc0 = -1;
};

// The link files of dat must be open (dat.odpri); their link indexes
// ("code_061,code_060", "code_061,code_031", "code_061,code_055") are built
// here. A group whose file holds no link of a kind keeps all its links of
// that kind. The rows to go are read whole before the first is deleted (a
// locking cursor cannot be fetched from after a commit); each deletion is
// committed at once. In check-only mode nothing is deleted. Returns one line
// per link removed (or, check-only, to be removed).
QStringList brisiOdvecnePovezave(TTekOsvezevanja &tek, TDatotekeGrup &dat, const QString &mapa,
                                 const QStringList &nastavitve, const TPrehodiPovezav &prehodi);
