#pragma once
// The manifest of a transfer package: MOX_MANIFEST.txt in the save directory,
// beside the files the preparations wrote there. It names the program, the
// exporting installation and, for every file of every table prepared into
// the directory, its size, record count and SHA-256, and when each table was
// prepared. A "table" is a general table (its structure file's name) or a
// family of fixed files (its history kind: SKS, OBR, GRUPE, ...). A
// preparation removes its table's lines before it writes the files and adds
// them back after the files are closed, so a table whose lines are there was
// prepared whole. Windows-1250 text, one "key=value" line each, CR LF;
// a reader skips keys it does not know.
#include <QDateTime>
#include <QMap>
#include <QString>
#include <QStringList>

struct TMoxContext;

inline constexpr const char *kImeManifesta = "MOX_MANIFEST.txt";

// One file of the package.
struct TManifestDatoteka {
    qint64 velikost = 0;
    qint64 zapisov = -1; // records of a DBF; -1 for other files
    QString sha256;      // lower-case hex
    QString tabela;      // the table (structure file name without extension) it belongs to
};

struct TManifest {
    QString verzija;   // program version
    QString alias;     // exporting database alias
    QString shema;     // exporting schema (the installation's TAVO user)
    QDateTime cas;     // when it was last written
    QMap<QString, TManifestDatoteka> datoteke; // by file name (upper case)
    QMap<QString, QDateTime> casiTabel;        // when each table was prepared, by table (upper case)

    // When the table was prepared; cas for a manifest written before the
    // per-table times were kept.
    QDateTime casTabele(const QString &tabela) const;

    // Reads the manifest of a directory; false when there is none. A
    // manifest that cannot be read raises EMoxError.
    bool preberi(const QString &mapa);
    // Writes it whole (through a save-file: never half-written).
    void zapisi(const QString &mapa) const;
};

// What a file of the package looks like now: size, SHA-256 and, for a DBF
// when zapisi is set, its record count (read by opening the table). Raises
// EMoxError when it cannot be read.
TManifestDatoteka opisiDatoteko(const QString &pot, bool zapisi = true);

// The files of a package part in a folder: the DBF and the FPT of each base
// name (file name without extension, any letter case on disk) that are there.
// Index files are left out: a refresh builds them anew from the DBF.
QStringList datotekeDela(const QString &mapa, const QStringList &osnove);

// Before a preparation writes the files of the table (the structure file's
// name without extension, or the family's kind): its lines leave the
// manifest, if there is one.
void manifestZacetekPriprave(const QString &mapa, const QString &tabela);

// After the preparation closed its files: the manifest of the folder lists
// the given files (paths) under the table, with the exporting installation
// of ctx and the time. A manifest is started when there is none.
void manifestKonecPriprave(const TMoxContext &ctx, const QString &mapa, const QString &tabela,
                           const QStringList &datoteke);
// The same for a general table: the DBF, its FPT when there is one, and the
// structure file.
void manifestKonecPriprave(const TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &dbfPot);

// What the check of a package part found.
struct TPreverjanjePaketa {
    QString opomba;     // run-log note: the folder has no manifest, nothing was checked
    QString opozorilo;  // the package was exported by the installation that now receives it
    QDateTime izvozeno; // when the table was prepared (invalid without a manifest)
};

// The check before a refresh uses the files of a table (paths, as
// datotekeDela gives them). Raises EMoxError naming the file when the table
// was not prepared whole, a file it lists is missing, or a file differs from
// the manifest.
TPreverjanjePaketa preveriDelPaketa(const TMoxContext &ctx, const QString &mapa, const QString &tabela,
                                    const QStringList &datoteke);

// A general table in the manifest: its name (the structure file's name
// without extension, upper case) and its files (the DBF, its FPT when there
// is one, the structure file).
QString tabelaStrukture(const QString &strukturnaDatoteka);
QStringList datotekeTabele(const QString &strukturnaDatoteka, const QString &dbfPot);

// Checks every file the manifest of a directory lists. Returns one line per
// problem (empty: the package is whole); raises EMoxError when there is no
// manifest or it cannot be read.
QStringList preveriMapo(const QString &mapa);
