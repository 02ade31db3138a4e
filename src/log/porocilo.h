#pragma once
// The readable report of a refresh, written beside its result file: for
// rezultati/X.rez the files rezultati/X.html (UTF-8, self-contained, no
// scripts) and rezultati/X.csv (Windows-1250, CR LF, ";" between fields,
// fields quoted where they hold ; " or a line break, a header line), and then
// rezultati/index.html, which links every report of the folder with its
// counts, newest first.
//
// The report collects the values of the rows as the refresh goes (never
// formatted text) and writes everything once, in the refresh's closing step.
// It only records: what the refresh applies, counts and writes to its result
// file does not depend on it.
//
// A report is made of tables: a general refresh has one, a family refresh
// one per pass ("TAVO.KA000HED"). Each table carries its counts and its rows:
// new rows (a key), different rows (a key and either the differing columns
// with the old and new value, or detail lines as the family wrote them) and
// errors (a key, possibly empty, and the message).
//
// CSV columns: tabela;vrsta;kljuc;stolpec;staro;novo;sporocilo, vrsta being
// NOVO, POPR or NAPAKA. A POPR row gives one line per differing column; a
// family's POPR row one line per detail line, the line in "sporocilo"; an
// error's message is in "sporocilo".
//
// The index learns each report's counts from the report itself: the head of
// every report carries
//   <meta name="mox-porocilo" content="cas=...;vrsta=...;prebranih=...;...">
// (the counts summed over its tables), read back from the first bytes of the
// file. HTML files of the folder without it are not listed.
#include <QString>
#include <QStringList>

#include <vector>

// The counts of one table of a report.
struct TStevciPorocila {
    qint64 prebranih = 0;    // records read
    qint64 novih = 0;        // new records
    qint64 razlicnih = 0;    // records that differ from their row
    qint64 uporabljenih = 0; // rows inserted or updated
    qint64 napak = 0;        // errors
};

// One differing column of a row.
struct TRazlikaStolpca {
    QString stolpec;
    QString staro;
    QString novo;
};

class TPorocilo {
public:
    // The report's heading (the table, or the family's title) and whether the
    // run only checked.
    void nastavi(const QString &naslov, bool samoPreverjanje);

    // Rows of table `tabela` (0-based; tables are added as they are named).
    void novo(int tabela, const QString &kljuc);
    void razlicno(int tabela, const QString &kljuc, std::vector<TRazlikaStolpca> razlike);
    void razlicno(int tabela, const QString &kljuc, const QStringList &podrobnosti);
    void napaka(int tabela, const QString &kljuc, const QString &sporocilo);
    // The name and counts of a table, given before writing.
    void tabela(int tabela, const QString &ime, const TStevciPorocila &stevci);

    // Writes the HTML and CSV beside the result file rezultatnaDatoteka and
    // rewrites the folder's index. Raises EMoxError "Napaka pri pisanju v: "
    // + path when a file cannot be written (an older file of that name is
    // then left as it was).
    void zapisi(const QString &rezultatnaDatoteka) const;

    // The report files of a result file: its path with .html / .csv in place
    // of its extension.
    static QString htmlPot(const QString &rezultatnaDatoteka);
    static QString csvPot(const QString &rezultatnaDatoteka);

private:
    enum class TVrsta : quint8 { novo, popravek, napaka };
    struct TVrstica {
        TVrsta vrsta;
        QString kljuc;
        QString sporocilo;                     // errors
        std::vector<TRazlikaStolpca> razlike;  // differing columns
        QStringList podrobnosti;               // a family's detail lines
    };
    struct TTabela {
        QString ime;
        TStevciPorocila stevci;
        std::vector<TVrstica> vrstice;
    };
    TTabela &tab(int tabela);
    void pisiHtml(const QString &pot, const QString &cas) const;
    void pisiCsv(const QString &pot) const;

    QString m_naslov;
    bool m_samoPreverjanje = false;
    std::vector<TTabela> m_tabele;
};

// Rewrites index.html in the folder from the reports found in it (see above).
// Raises EMoxError "Napaka pri pisanju v: " + path.
void zapisiKazaloPorocil(const QString &mapa);
