// mox-dbf: looks into and fills the DBF files carried between installations.
//
//   mox-dbf info FILE                      header and fields, one field per line
//   mox-dbf dump FILE                      CSV (UTF-8): field names, then the records
//   mox-dbf create FILE "NAME C 10, NOTE M, DAY D"
//   mox-dbf create FILE.str | FILE.mst     the structure file's empty DBF, beside
//                                          it, exactly as the structure editors
//                                          make it (POPRAVI and the general type
//                                          mapping for .str; the master/detail
//                                          mapping and name for .mst)
//   mox-dbf append FILE                    records from CSV on standard input
//   mox-dbf seek FILE EXPRESSION KEY       first record whose key begins with KEY
//   mox-dbf seek FILE EXPRESSION --whole VALUE...
//                                          first record whose leading key fields
//                                          hold exactly these values ("A1" does
//                                          not find "A10")
//   mox-dbf verify DIR                     the files of a transfer package against
//                                          its manifest (MOX_MANIFEST.txt)
//   mox-dbf templates DIR [FAMILY] [--replace]
//                                          the template DBF files (and their
//                                          indexes) of the groups, groups 023 and
//                                          pallets transfers (FAMILY: GRUPE,
//                                          GRUPE023, PALETE; all without it) that
//                                          DIR lacks; --replace writes all anew
//
// Exit status: 0 success, 1 seek found nothing, 2 anything wrong (with a
// message naming the file on standard error).
#include "dbf/apollo.h"
#include "dbf/dbftable.h"
#include "general/dbfsupport.h"
#include "general/general.h"
#include "general/manifest.h"
#include "run/context.h"
#include "base/interaction.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/predloge.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int kNotFound = 1;
constexpr int kFailure = 2;

void out(const QString &text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
}

void err(const QString &text)
{
    const QByteArray b = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
}

QString csvField(const QString &v)
{
    if (!v.contains(QLatin1Char(',')) && !v.contains(QLatin1Char('"')) && !v.contains(QLatin1Char('\n'))
        && !v.contains(QLatin1Char('\r')))
        return v;
    QString q = v;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString csvLine(const QStringList &values)
{
    QStringList q;
    q.reserve(values.size());
    for (const QString &v : values)
        q << csvField(v);
    return q.join(QLatin1Char(',')) + QLatin1Char('\n');
}

// Splits CSV text into rows (quoted values may hold commas, quotes and line
// ends). Returns false with a message when a quote is left open.
bool parseCsv(const QString &text, QList<QStringList> &rows, QString &error)
{
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    int line = 1;
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            row << field;
            field.clear();
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            if (any || !field.isEmpty()) {
                row << field;
                rows << row;
            }
            row.clear();
            field.clear();
            any = false;
            ++line;
        } else {
            field += c;
            any = true;
        }
    }
    if (quoted) {
        error = QStringLiteral("vrstica %1: narekovaj ni zaprt").arg(line);
        return false;
    }
    if (any || !field.isEmpty()) {
        row << field;
        rows << row;
    }
    return true;
}

QString versionText(uint8_t v)
{
    switch (v) {
    case 0x03: return QStringLiteral("FoxPro / dBASE III brez zapiskov");
    case 0xF5: return QStringLiteral("FoxPro 2.x z zapiski FPT");
    case 0x30: return QStringLiteral("Visual FoxPro");
    case 0x31: return QStringLiteral("Visual FoxPro s samoštevilčenjem");
    case 0x32: return QStringLiteral("Visual FoxPro (Varchar/Blob)");
    case 0x83: return QStringLiteral("dBASE III z zapiski DBT");
    case 0x8B: return QStringLiteral("dBASE IV z zapiski DBT");
    default: return QStringLiteral("drugo");
    }
}

QString codePageText(uint8_t cp)
{
    switch (cp) {
    case 0x00: return QStringLiteral("ni določena");
    case 0x01: return QStringLiteral("437");
    case 0x02: return QStringLiteral("850");
    case 0x03: return QStringLiteral("Windows-1252");
    case 0x64: return QStringLiteral("852");
    case 0xC8: return QStringLiteral("Windows-1250");
    default: return QStringLiteral("druga");
    }
}

void openForReading(TApolloDataSet &t, const QString &file)
{
    t.TableName = file;
    t.Exclusive = false;
    t.ReadOnly = true;
    t.Open();
}

QStringList recordValues(TApolloDataSet &t)
{
    QStringList v;
    for (int i = 0; i < t.FieldCount(); ++i)
        v << t.FieldByName(t.FieldInfo(i).name).AsString();
    return v;
}

QStringList fieldNames(const TApolloDataSet &t)
{
    QStringList names;
    for (int i = 0; i < t.FieldCount(); ++i)
        names << t.FieldInfo(i).name;
    return names;
}

int cmdInfo(const QString &file)
{
    TApolloDataSet t;
    openForReading(t, file);
    const auto &h = t.engine()->header();
    QString s;
    s += QStringLiteral("Datoteka: %1\n").arg(QDir::toNativeSeparators(t.engine()->path()));
    s += QStringLiteral("Vrsta: 0x%1 (%2)\n").arg(h.version, 2, 16, QLatin1Char('0')).arg(versionText(h.version));
    s += QStringLiteral("Kodna stran: 0x%1 (%2)\n").arg(h.codePage, 2, 16, QLatin1Char('0')).arg(codePageText(h.codePage));
    s += QStringLiteral("Zadnja sprememba: %1\n").arg(h.lastUpdate().isValid() ? h.lastUpdate().toString(QStringLiteral("dd.MM.yyyy")) : QStringLiteral("?"));
    s += QStringLiteral("Zapisov: %1\n").arg(t.RecordCount());
    s += QStringLiteral("Polj: %1\n").arg(t.FieldCount());
    for (int i = 0; i < t.FieldCount(); ++i) {
        const TApolloFieldInfo &f = t.FieldInfo(i);
        s += QStringLiteral("%1 %2 %3 %4\n").arg(f.name, f.type).arg(f.width).arg(f.decimals);
    }
    out(s);
    return 0;
}

int cmdDump(const QString &file)
{
    TApolloDataSet t;
    openForReading(t, file);
    out(csvLine(fieldNames(t)));
    QString chunk;
    for (t.First(); !t.Eof(); t.Next()) {
        chunk += csvLine(recordValues(t));
        if (chunk.size() > 65536) {
            out(chunk);
            chunk.clear();
        }
    }
    out(chunk);
    return 0;
}

int cmdCreate(const QString &file, const QString &fieldList)
{
    TApolloDataSet t;
    if (!t.CreateNew(file, 2, 0))
        throw EMoxError(t.LastError());
    const QStringList items = fieldList.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (items.isEmpty())
        throw EMoxError(QStringLiteral("%1: seznam polj je prazen").arg(file));
    for (const QString &item : items) {
        const QStringList p = item.simplified().split(QLatin1Char(' '));
        if (p.size() < 2 || p.size() > 4)
            throw EMoxError(QStringLiteral("%1: polje \"%2\" naj ima obliko IME VRSTA [ŠIRINA [DECIMALKE]]")
                                .arg(file, item.trimmed()));
        bool okW = true, okD = true;
        const int width = p.size() > 2 ? p.at(2).toInt(&okW) : 0;
        const int dec = p.size() > 3 ? p.at(3).toInt(&okD) : 0;
        if (!okW || !okD)
            throw EMoxError(QStringLiteral("%1: polje \"%2\": širina in decimalke so števila").arg(file, item.trimmed()));
        const QString type = p.at(1).toUpper();
        if (p.size() == 2 && (type == QLatin1String("C") || type == QLatin1String("N")))
            throw EMoxError(QStringLiteral("%1: polje %2 nima širine").arg(file, p.at(0)));
        t.CreateField(p.at(0), type, width, dec);
    }
    if (!t.CreateExec())
        throw EMoxError(t.LastError());
    return 0;
}

int cmdAppend(const QString &file)
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        throw EMoxError(QStringLiteral("%1: ne morem brati standardnega vhoda").arg(file));
    const QString text = QString::fromUtf8(in.readAll());
    QList<QStringList> rows;
    QString error;
    if (!parseCsv(text, rows, error))
        throw EMoxError(QStringLiteral("%1: standardni vhod, %2").arg(file, error));
    if (rows.isEmpty())
        throw EMoxError(QStringLiteral("%1: na vhodu ni vrstice z imeni polj").arg(file));

    TApolloDataSet t;
    t.TableName = file;
    t.Open();
    QVector<int> columns;
    for (const QString &name : rows.first()) {
        const int i = t.FieldIndex(name.trimmed());
        if (i < 0)
            throw EMoxError(QStringLiteral("%1: polje %2 ne obstaja").arg(file, name));
        columns << i;
    }
    for (int r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows.at(r);
        if (row.size() != columns.size())
            throw EMoxError(QStringLiteral("%1: vrstica %2 vhoda ima %3 vrednosti, pričakovanih je %4")
                                .arg(file).arg(r + 1).arg(row.size()).arg(columns.size()));
        t.Append();
        for (int c = 0; c < columns.size(); ++c)
            t.FieldByName(t.FieldInfo(columns.at(c)).name).setAsString(row.at(c));
        t.Post();
    }
    t.Commit();
    t.Close();
    return 0;
}

// With whole set, keys holds one value per leading field of the expression,
// each compared whole (padded to its field's width); else keys[0] is a prefix.
int cmdSeek(const QString &file, const QString &expression, const QStringList &keys, bool whole)
{
    TApolloDataSet t;
    openForReading(t, file);
    // The index goes into the table's own compound index file: same name, .CDX.
    const QString table = t.engine()->path();
    const QFileInfo fi(table);
    const QString base = fi.suffix().isEmpty() ? table : table.left(table.size() - fi.suffix().size() - 1);
    const bool lower = !fi.suffix().isEmpty() && fi.suffix() == fi.suffix().toLower();
    t.Index(base + (lower ? QStringLiteral(".cdx") : QStringLiteral(".CDX")), expression);
    if (!(whole ? t.SeekFields(keys) : t.Seek(keys.value(0))))
        return kNotFound;
    out(csvLine(recordValues(t)));
    return 0;
}

// The empty DBF of a structure file, as the structure editors make it when
// they save the file: nothing is checked against a database.
int cmdCreateFromStructure(const QString &file)
{
    const QString pot = moxpath::native(file);
    const bool detail = pot.endsWith(QStringLiteral(".mst"), Qt::CaseInsensitive);
    TTableDescription opis;
    TStrukturaOkolje okolje;
    okolje.vrsta = detail ? TVrstaStrukture::masterDetail : TVrstaStrukture::splosna;
    if (razcleniStrukturo(moxtext::readTextLines(pot), okolje, opis) < 0 || !opis.presezeno.isEmpty()) {
        err(pot + QStringLiteral(": ") + opis.presezeno.join(QStringLiteral("; ")));
        return kFailure;
    }
    TConsoleInteraction ui;
    TMoxContext ctx;
    ctx.ui = &ui;
    ctx.pAutomatika = true;
    if (!kreirajDBFzaStrukturo(ctx, opis, dbfZaStrukturo(pot, detail), detail))
        return kFailure;
    ctx.taDBF.Close();
    return 0;
}

bool jeStrukturnaDatoteka(const QString &file)
{
    return file.endsWith(QStringLiteral(".str"), Qt::CaseInsensitive) ||
           file.endsWith(QStringLiteral(".mst"), Qt::CaseInsensitive);
}

// Exit status 0 when every file is as the preparation wrote it, else 2 with
// one line per file that is not.
int cmdVerify(const QString &dir)
{
    const QStringList napake = preveriMapo(dir);
    for (const QString &n : napake)
        err(n);
    if (!napake.isEmpty())
        return kFailure;
    out(QStringLiteral("Paket v %1 je cel.\n").arg(dir));
    return 0;
}

// Writes the templates DIR lacks (all of them with --replace) and names them.
int cmdTemplates(const QString &dir, QStringList rest)
{
    const bool replace = rest.removeAll(QStringLiteral("--replace")) > 0;
    if (rest.size() > 1)
        return kFailure;
    const QStringList made = namestiPredloge(dir, rest.value(0), replace);
    for (const QString &name : made)
        out(QStringLiteral("%1\n").arg(moxpath::join(dir, name)));
    return 0;
}

int usage()
{
    err(QStringLiteral(
        "Uporaba:\n"
        "  mox-dbf info DATOTEKA\n"
        "  mox-dbf dump DATOTEKA\n"
        "  mox-dbf create DATOTEKA \"IME C 10, OPOMBA M, DAN D\"\n"
        "  mox-dbf create STRUKTURA.str | STRUKTURA.mst\n"
        "  mox-dbf append DATOTEKA   (CSV na standardnem vhodu, prva vrstica imena polj)\n"
        "  mox-dbf seek DATOTEKA IZRAZ KLJUČ\n"
        "  mox-dbf seek DATOTEKA IZRAZ --whole VREDNOST...\n"
        "  mox-dbf verify MAPA\n"
        "  mox-dbf templates MAPA [GRUPE|GRUPE023|PALETE] [--replace]"));
    return kFailure;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString cmd = args.at(0);
    const QString file = args.at(1);
    try {
        if (cmd == QLatin1String("info") && args.size() == 2)
            return cmdInfo(file);
        if (cmd == QLatin1String("dump") && args.size() == 2)
            return cmdDump(file);
        if (cmd == QLatin1String("create") && args.size() == 3)
            return cmdCreate(file, args.at(2));
        if (cmd == QLatin1String("create") && args.size() == 2 && jeStrukturnaDatoteka(file))
            return cmdCreateFromStructure(file);
        if (cmd == QLatin1String("append") && args.size() == 2)
            return cmdAppend(file);
        if (cmd == QLatin1String("verify") && args.size() == 2)
            return cmdVerify(file);
        if (cmd == QLatin1String("templates") && args.size() <= 4) {
            const int rc = cmdTemplates(file, args.mid(2));
            return rc == kFailure ? usage() : rc;
        }
        if (cmd == QLatin1String("seek") && args.size() == 4)
            return cmdSeek(file, args.at(2), {args.at(3)}, false);
        if (cmd == QLatin1String("seek") && args.size() >= 5 && args.at(3) == QLatin1String("--whole"))
            return cmdSeek(file, args.at(2), args.mid(4), true);
        return usage();
    } catch (const EMoxError &e) {
        err(e.message());
        return kFailure;
    } catch (const std::exception &e) {
        err(QStringLiteral("%1: %2").arg(file, QString::fromLocal8Bit(e.what())));
        return kFailure;
    }
}
