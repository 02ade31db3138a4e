#pragma once
// The manifest of a transfer package: MOX_MANIFEST.txt in the save directory,
// beside the files the preparations wrote there. It names the program, the
// exporting installation and, for every file of every table prepared into
// the directory, its size, record count and SHA-256. A preparation removes
// its table's lines before it writes the files and adds them back after the
// files are closed, so a table whose lines are there was prepared whole.
// Windows-1250 text, one "key=value" line each, CR LF.
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

    // Reads the manifest of a directory; false when there is none. A
    // manifest that cannot be read raises EMoxError.
    bool preberi(const QString &mapa);
    // Writes it whole (through a save-file: never half-written).
    void zapisi(const QString &mapa) const;
};

// What a file of the package looks like now: size, SHA-256 and, for a DBF,
// its record count. Raises EMoxError when it cannot be read.
TManifestDatoteka opisiDatoteko(const QString &pot);

// Before a preparation writes the files of the table (the structure file's
// name without extension): its lines leave the manifest, if there is one.
void manifestZacetekPriprave(const QString &mapa, const QString &tabela);

// After the preparation closed its files: the manifest gets the files of the
// table (the DBF, its FPT when there is one, the structure file), with the
// exporting installation of ctx.
void manifestKonecPriprave(const TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &dbfPot);

// The check before a refresh uses the DBF of a structure file. Returns the
// note for the run log when the directory has no manifest (the package is
// not checked), else an empty text. Raises EMoxError naming the file when
// the table was not prepared whole or a file differs from the manifest.
// opozorilo receives a warning when the package was exported by the
// installation that now receives it.
QString preveriPaket(const TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &dbfPot,
                     QString &opozorilo, QDateTime *izvozeno = nullptr);

// Checks every file the manifest of a directory lists. Returns one line per
// problem (empty: the package is whole); raises EMoxError when there is no
// manifest or it cannot be read.
QStringList preveriMapo(const QString &mapa);
