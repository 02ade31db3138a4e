// mox-bench-sks [ROWS] [FOLDER]
// ROWS (default 100,000) code-list values (KG000SS0, 100 lists) carried from
// one embedded database to two others, headless: once by the common code
// lists' refresh and once by the general refresh of a structure file on the
// same table (keys SIFRA000 and KLJUC000, numbers from getSequence). Each
// refresh runs twice, with all values new and then all unchanged, and prints
// rows per second and rows per CPU second side by side. FOLDER (default: a
// temporary folder) receives the databases, the save and the log directory.
#include "benchsupport.h"
#include "general/general.h"
#include "oracle/embedded/database.h"
#include "oracle/embedded/script.h"
#include "run/context.h"
#include "base/interaction.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "automation/napredek.h"
#include "transfers/sks.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using moxbench::cpuSeconds;
using moxbench::peakMegabytes;

constexpr int kSeznamov = 100;

void report(const char *step, double seconds, double cpu, qint64 n)
{
    std::printf("%-30s %8.3f s %9.0f rows/s | cpu %8.3f s %9.0f rows/cpu-s | peak %6.1f MB\n", step, seconds,
                double(n) / seconds, cpu, double(n) / cpu, peakMegabytes());
    std::fflush(stdout);
}

void logon(TMoxContext &ctx, const QString &alias)
{
    if (ctx.osOracle.Connected())
        ctx.osOracle.setConnected(false);
    ctx.osOracle.LogonDatabase = alias;
    ctx.osOracle.LogonUsername = QStringLiteral("TAVO");
    ctx.osOracle.LogonPassword = QStringLiteral("TAVO");
    ctx.osOracle.setConnected(true);
    ctx.currServer = alias;
    ctx.currUser = QStringLiteral("TAVO");
    ctx.currPassword = QStringLiteral("TAVO");
    ctx.p_moxShrani = true;
}

void runScript(TOracleSession &s, const QString &file)
{
    TOracleQuery q(&s);
    for (const oraembed::ScriptStatement &st : oraembed::splitScript(moxtext::readTextLines(file))) {
        q.Clear();
        q.SQL << st.text;
        q.Execute();
    }
    s.Commit();
}

void makeDatabase(const QString &alias)
{
    const QString schema = QStringLiteral(MOX_SOURCE_DIR "/fixtures/schema/");
    oraembed::createDatabase(alias);
    for (const char *u : {"ORNA_UTIL", "TAVO"}) {
        const QString user = QString::fromLatin1(u);
        oraembed::createUser(alias, user, user);
        TOracleSession s;
        s.LogonDatabase = alias;
        s.LogonUsername = user;
        s.LogonPassword = user;
        s.setConnected(true);
        runScript(s, schema + user.toLower() + QStringLiteral(".sql"));
        s.setConnected(false);
    }
}

void fillLists(TOracleSession &s, qint64 rows)
{
    TOracleQuery h(&s);
    h.SQL << QStringLiteral("insert into KA000HED (SIFRA000, DOL__000, DESC_000, TYPE_000, STAT_000) "
                            "values (:s, 3, :d, 'S', '1')");
    h.DeclareVariable(QStringLiteral("s"), otString);
    h.DeclareVariable(QStringLiteral("d"), otString);
    for (int i = 0; i < kSeznamov; ++i) {
        h.SetVariable(QStringLiteral("s"), QStringLiteral("L%1").arg(i, 3, 10, QLatin1Char('0')));
        h.SetVariable(QStringLiteral("d"), QStringLiteral("Šifrant št. %1 – žilne bolezni").arg(i));
        h.Execute();
    }
    TOracleQuery q(&s);
    q.SQL << QStringLiteral("insert into KG000SS0 (ID___000, SIFRA000, KLJUC000, OPIS_000, OPIS1000, STAT_000) "
                            "values (:i, :s, :k, :o, :o1, '1')");
    q.DeclareVariable(QStringLiteral("i"), otInteger);
    for (const char *v : {"s", "k", "o", "o1"})
        q.DeclareVariable(QString::fromLatin1(v), otString);
    for (qint64 i = 1; i <= rows; ++i) {
        q.SetVariable(QStringLiteral("i"), i);
        q.SetVariable(QStringLiteral("s"), QStringLiteral("L%1").arg(i % kSeznamov, 3, 10, QLatin1Char('0')));
        q.SetVariable(QStringLiteral("k"), QStringLiteral("K%1").arg(i, 8, 10, QLatin1Char('0')));
        q.SetVariable(QStringLiteral("o"), QStringLiteral("Vrednost %1 – očesni oddelek").arg(i));
        q.SetVariable(QStringLiteral("o1"), QStringLiteral("Opis vrednosti %1 s šumniki čšž").arg(i));
        q.Execute();
    }
    s.Commit();
}

int run(qint64 rows, const QString &folder)
{
    qputenv("MOX_DB_ROOT", QDir(folder).filePath(QStringLiteral("db")).toLocal8Bit());
    qputenv("MOX_INI", QDir(folder).filePath(QStringLiteral("MONITOR.INI")).toLocal8Bit());
    const QString save = moxpath::withTrailingSeparator(QDir(folder).filePath(QStringLiteral("save")));
    const QString sksDir = moxpath::withTrailingSeparator(QDir(folder).filePath(QStringLiteral("sks")));
    const QString log = moxpath::withTrailingSeparator(QDir(folder).filePath(QStringLiteral("log")));
    for (const QString &d : {save, sksDir, log})
        QDir().mkpath(d);

    TConsoleInteraction ui;
    TMoxContext ctx;
    ctx.ui = &ui;
    ctx.pAutomatika = true;
    ctx.currSaveDir = save;
    ctx.currDirLog = log;

    std::printf("mox-bench-sks: %lld code-list values in %d lists\n", static_cast<long long>(rows), kSeznamov);
    QElapsedTimer setup;
    setup.start();
    for (const char *a : {"IZVOR", "CILJSKS", "CILJSPL"})
        makeDatabase(QString::fromLatin1(a));
    logon(ctx, QStringLiteral("IZVOR"));
    fillLists(ctx.osOracle, rows);

    // The same values as a general table.
    const QString str = save + QStringLiteral("KG000SS0.str");
    moxtext::writeTextLines(
        str, {QStringLiteral("TABELA=TAVO.KG000SS0"), QStringLiteral("KLJUC=SIFRA000 VARCHAR2,KLJUC000 VARCHAR2"),
              QStringLiteral("AUTO=ID___000 begin:naslednji:=tavo.getSequence('KG000SS0');end;"),
              QStringLiteral("STRUKTURA"), QStringLiteral("ID___000,,INTEGER,10,0,,,"),
              QStringLiteral("SIFRA000,,VARCHAR2,10,,,,"), QStringLiteral("KLJUC000,,VARCHAR2,20,,,,"),
              QStringLiteral("OPIS_000,U,VARCHAR2,60,,,,"), QStringLiteral("OPIS1000,U,VARCHAR2,255,,,,"),
              QStringLiteral("STAT_000,U,CHAR,1,,,,")});
    {
        TTableDescription opis;
        TStrukturaOkolje okolje;
        razcleniStrukturo(moxtext::readTextLines(str), okolje, opis);
        if (!kreirajDBFzaStrukturo(ctx, opis, save + QStringLiteral("KG000SS0"), false))
            return 1;
        ctx.taDBF.Close();
    }
    const qint64 splosno = prepareGeneralFromFile(ctx, str, QStringLiteral("where stat_000='1'"), false);
    TZahtevaDruzine zahteva;
    zahteva.pot = sksDir;
    const TIzidDruzine priprava = pripraviSKS(ctx, zahteva, nullptr);
    std::printf("set-up (databases, rows, both preparations) %.1f s, peak %.1f MB\n", double(setup.elapsed()) / 1000.0,
                peakMegabytes());
    if (splosno != rows || priprava.prehodi.value(1).prebranih != rows) {
        std::fprintf(stderr, "prepared %lld (general) and %lld (code lists) values, expected %lld\n",
                     static_cast<long long>(splosno), static_cast<long long>(priprava.prehodi.value(1).prebranih),
                     static_cast<long long>(rows));
        return 1;
    }

    for (const char *korak : {"new", "unchanged"}) {
        const bool novi = QByteArray(korak) == "new";
        logon(ctx, QStringLiteral("CILJSPL"));
        QElapsedTimer t;
        t.start();
        double c = cpuSeconds();
        const TOsvezevanjeIzid s = refreshGeneralFromFile(ctx, str, false);
        report(novi ? "general refresh, new" : "general refresh, unchanged", double(t.elapsed()) / 1000.0,
               cpuSeconds() - c, s.stevci.zapisov);
        if (!s.napaka.isEmpty() || s.stevci.napak != 0 || s.stevci.dodanih != (novi ? rows : 0)) {
            std::fprintf(stderr, "unexpected general refresh result %s\n", s.napaka.toLocal8Bit().constData());
            return 1;
        }

        logon(ctx, QStringLiteral("CILJSKS"));
        t.start();
        c = cpuSeconds();
        const TIzidDruzine k = osveziSKS(ctx, zahteva, nullptr);
        const TStevciPrehoda &v = k.prehodi.value(1);
        report(novi ? "code-list refresh, new" : "code-list refresh, unchanged", double(t.elapsed()) / 1000.0,
               cpuSeconds() - c, v.prebranih);
        if (k.status != QStringLiteral("N") || v.napak != 0 || v.novih != (novi ? rows : 0)) {
            std::fprintf(stderr, "unexpected code-list refresh result %s\n", k.napaka.toLocal8Bit().constData());
            return 1;
        }
    }

    // The same unchanged refresh with the unattended progress lines attached
    // (as a script run has them): what reporting progress costs.
    logon(ctx, QStringLiteral("CILJSKS"));
    int vrstic = 0;
    TNapredekBrezZaslona porocilo(QStringLiteral("SKS"), [&vrstic](const QString &) { ++vrstic; });
    const TNapredekDruzine napredek = porocilo.druzina();
    double brez = 0, z = 0;
    for (int krog = 0; krog < 3; ++krog) {
        double c = cpuSeconds();
        osveziSKS(ctx, zahteva, nullptr);
        brez += cpuSeconds() - c;
        c = cpuSeconds();
        osveziSKS(ctx, zahteva, &napredek);
        z += cpuSeconds() - c;
    }
    std::printf("code-list refresh, unchanged, with progress lines: %.3f CPU s against %.3f without (%+.1f %%, %d "
                "lines), three runs each\n",
                z, brez, brez > 0 ? (z - brez) * 100.0 / brez : 0.0, vrstic);
    ctx.osOracle.setConnected(false);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    bool ok = true;
    const qint64 rows = a.size() > 1 ? a[1].toLongLong(&ok) : 100000;
    if (!ok || rows < 1) {
        std::fputs("usage: mox-bench-sks [ROWS] [FOLDER]\n", stderr);
        return 2;
    }
    QTemporaryDir tmp;
    const QString folder = a.size() > 2 ? a[2] : tmp.path();
    if (a.size() > 2 && QDir(folder).exists() && !QDir(folder).isEmpty()) {
        std::fprintf(stderr, "%s is not empty\n", folder.toLocal8Bit().constData());
        return 2;
    }
    QDir().mkpath(folder);
    try {
        return run(rows, QDir(folder).absolutePath());
    } catch (const EMoxError &e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
}
