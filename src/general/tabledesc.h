#pragma once
// The description of a general table as a structure file gives it: the table,
// its key columns, the auto-numbered column with its statement, and the
// columns to transfer with their references. razcleniStrukturo fills it from
// the lines of a structure file.
//
// A structure file is a text of CR LF lines. Lines up to the first one that
// holds "STRUKTURA" are header lines "KEYWORD=value" (TABELA, KLJUC, AUTO);
// every later line describes one column:
//   name,U,type,width,decimals,,reference code column,reference table
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

struct TMoxContext;
class TApolloDataSet;
class TOracleDataSet;

// The fixed room of a description. A file that needs more is reported, never
// cut short quietly.
inline constexpr int kMaxKljuc = 6;          // key entries stored
inline constexpr int kMaxKolone = 101;       // column entries stored
inline constexpr int kMaxKljucOsvezi = 5;    // key entries the refresh can use
inline constexpr int kMaxKoloneOsvezi = 100; // columns the refresh can use
inline constexpr int kMaxReferenc = 20;      // columns with a reference lookup

// One key column.
struct tipKljuc {
    QString imePolja; // column name
    QString tipPolja; // Oracle type, upper case
};

// One column to transfer.
struct tipKolone {
    QString imePolja;       // column name
    bool update = false;    // the refresh may update it ("U")
    QString tipPolja;       // type, upper case (INTEGER for NUMBER without decimals; MEMO)
    int dolzina = 0;        // width
    int decMest = 0;        // decimals
    int pozOd = 0;          // start in a record that lays all columns end to end (1 for the first)
    QString mKolona;        // reference: code column
    QString mTabela;        // reference: table
    // Lookup pair of a refresh run (set by pripraviIskanja, owned by the run).
    TApolloDataSet *taDBF = nullptr;
    TOracleDataSet *quOra = nullptr;
    // Keys the run has found, by the DBF's value: a code is looked up once
    // per run, not per record. Not kept (nullptr) for a reference to the
    // refreshed table itself, whose rows the run changes.
    QHash<QString, QString> *najdene = nullptr;
    // Width of the reference code column when it is a CHAR column (0 otherwise):
    // the code read from the DBF is padded to it before it is looked up.
    int mSirinaChar = 0;

    bool imaReferenco() const { return !mKolona.trimmed().isEmpty(); }
};

// The table description.
struct TTableDescription {
    QString tabela;            // TABELA as written (owner included when given)
    QVector<tipKljuc> aKljuc;  // key columns, in order (at most kMaxKljuc)
    QString poljeAuto;         // auto-numbered column, empty when none
    QString sekAuto;           // its statement, upper case
    QVector<tipKolone> aKolone; // columns, in order (at most kMaxKolone)
    // Texts of the limits the file exceeded (empty when it fits).
    QStringList presezeno;

    void clear() { *this = TTableDescription(); }
    // tabela without its owner part.
    QString tabelaBrezLastnika() const;
    // Column entry of that name (compared in upper case), or nullptr.
    const tipKolone *kolona(const QString &ime) const;
    // Key names joined by sep.
    QString kljucImena(const QString &sep) const;
};

// Owner and table of a TABELA value: "owner.table", or the connected user as
// owner when the value names no owner. Both trimmed.
void razcleniTabelo(const QString &tabela, const QString &currUser, QString &lastnik, QString &tabelaIme);

// Whether a column exists: owner, table, column.
using TObstajaKolona = std::function<bool(const QString &lastnik, const QString &tabela, const QString &kolona)>;
// Shows a message to the person at the screen.
using TSporocilo = std::function<void(const QString &besedilo)>;

// What kind of table a structure file describes, and so what it must hold.
enum class TVrstaStrukture {
    neznana,      // the caller cannot tell: the key is not required
    splosna,      // a general table (.str): the refresh finds its rows by the key, so KLJUC is required
    masterDetail, // a master/detail table (.mst): exported only, it has no key
};

// What parsing a structure file needs from its surroundings.
struct TStrukturaOkolje {
    QString currUser;                                   // owner of a table named without one
    std::function<QString(const QString &)> zamenjave;  // schema-name substitution of header values
    TObstajaKolona obstaja;                             // column check (none: every column exists)
    TSporocilo sporoci;                                 // messages (none: silent)
    TVrstaStrukture vrsta = TVrstaStrukture::neznana;   // what the file must hold
};

// Parses the lines of a structure file into opis (which is cleared first).
// Header values go through the schema-name substitution. Each key,
// auto-numbered and column name is checked with obstaja; a missing one is
// reported as "owner.table  polje: NAME  NE OBSTAJA!".
// Returns the number of columns stored, or -1 when a check failed or the file
// exceeds the fixed room of the description (each excess is reported and
// listed in opis.presezeno).
//
// A file that cannot describe a transfer raises EMoxError naming what is
// wrong, before anything is checked against the database: no TABELA line (or
// two of them), no STRUKTURA line, no column line, no key for a general
// table, a table, key, auto-numbered, column or reference name that is not an
// Oracle name (jeImeOracle, jeImeTabeleOracle), and a width or decimals that is
// not an integer or lies outside what a column can have (naming the line).
// These names are put into statements as they are; the filter and the
// auto-numbering statement are statements by design and are not checked.
int razcleniStrukturo(const QStringList &vrstice, const TStrukturaOkolje &okolje, TTableDescription &opis);

// The same on the working memo of ctx, with the column check on ctx.quDyn and
// the messages through ctx.ui.
int razcleniStrukturo(TMoxContext &ctx, TTableDescription &opis, TVrstaStrukture vrsta = TVrstaStrukture::neznana);

// The kind of a structure file by its name: ".mst" (any letter case) is a
// master/detail table, anything else a general table.
TVrstaStrukture vrstaStrukture(const QString &datoteka);

// An Oracle name as a structure file may give it: unquoted, a letter followed
// by letters, digits, "_", "$" or "#"; or in double quotes, any printable
// characters except the double quote and the point. At most 128 characters
// (quotes not counted).
bool jeImeOracle(const QString &ime);
// A table name: a name, or an owner, a point and a name.
bool jeImeTabeleOracle(const QString &ime);

// Widths and decimals a column line may give: the widest Oracle column
// (VARCHAR2 of 32767 bytes) and the scale range of NUMBER.
inline constexpr int kNajvecjaDolzina = 32767;
inline constexpr int kNajmanjDecimalk = -84;
inline constexpr int kNajvecDecimalk = 127;

// Column check against the data dictionary, on the given query object. The
// owner and table are compared in upper case. When the table argument holds
// ".", owner and table are taken from it. Database errors are raised.
bool preveriKolono(TOracleDataSet &quDyn, const QString &lastnik, const QString &tabela, const QString &kolona);

// The column check of ctx (query quDyn) as a TObstajaKolona.
TObstajaKolona preveriKolonoV(TMoxContext &ctx);
