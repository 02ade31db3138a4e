// mox-demo-tool: the two steps of the demo that an administrator does by hand
// at the screens, done without a window.
//
//   mox-demo-tool dbf FILE...
//       creates the empty DBF of each structure file as the structure editors
//       do when they save it: FILE.str gets POPRAVI and a field per column
//       (general type mapping), FILE.mst a field per column (master/detail
//       type mapping), named by the detail rule.
//   mox-demo-tool detail ALIAS USER PASSWORD FILE.mst
//       prepares a master/detail table at the installation ALIAS, as the
//       preparation screen does with "Detail tabela" ticked (the command
//       script has no way to tick it).
//
// Messages go to standard error; exit status 0 on success, 1 on failure,
// 2 for a wrong command line.
#include "general/dbfsupport.h"
#include "general/general.h"
#include "shell/context.h"
#include "shell/interaction.h"
#include "shell/moxerror.h"
#include "shell/paths.h"
#include "shell/text.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

void err(const QString &text) { std::fprintf(stderr, "mox-demo-tool: %s\n", text.toLocal8Bit().constData()); }

// Every message to standard error; every question takes its default button.
// Remembers whether anything was said.
class ConsoleUi : public TConsoleInteraction {
public:
    bool shown = false;
    void showMessage(const QString &text) override
    {
        TConsoleInteraction::showMessage(text);
        shown = true;
    }
};

int usage()
{
    std::fputs("usage: mox-demo-tool dbf FILE...\n"
               "       mox-demo-tool detail ALIAS USER PASSWORD FILE.mst\n",
               stderr);
    return 2;
}

bool jeMst(const QString &file) { return file.right(4).compare(QStringLiteral(".mst"), Qt::CaseInsensitive) == 0; }

int kreiraj(const QStringList &files)
{
    ConsoleUi ui;
    TMoxContext ctx;
    ctx.ui = &ui;
    ctx.pAutomatika = true;
    for (const QString &f : files) {
        const QString pot = moxpath::native(f);
        const bool detail = jeMst(pot);
        TTableDescription opis;
        TStrukturaOkolje okolje; // the DBF follows the file: no column checks
        try {
            if (razcleniStrukturo(moxtext::readTextLines(pot), okolje, opis) < 0) {
                err(pot + QStringLiteral(": ") + opis.presezeno.join(QStringLiteral("; ")));
                return 1;
            }
        } catch (const EMoxError &e) {
            err(pot + QStringLiteral(": ") + e.message());
            return 1;
        }
        if (!kreirajDBFzaStrukturo(ctx, opis, dbfZaStrukturo(pot, detail), detail))
            return 1;
        ctx.taDBF.Close();
    }
    return 0;
}

int detail(const QStringList &a)
{
    ConsoleUi ui;
    TMoxContext ctx;
    ctx.ui = &ui;
    ctx.pAutomatika = true;
    try {
        ctx.osOracle.LogonDatabase = a[0];
        ctx.osOracle.LogonUsername = a[1];
        ctx.osOracle.LogonPassword = a[2];
        ctx.osOracle.setConnected(true);
        ctx.currServer = a[0];
        ctx.currUser = a[1];
        ctx.currPassword = a[2];
        const qint64 n = prepareGeneralFromFile(ctx, a[3], QString(), true);
        std::printf("%s: %lld\n", qPrintable(a[3]), static_cast<long long>(n));
        ctx.osOracle.setConnected(false);
    } catch (const EMoxError &e) {
        err(e.message());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList a = app.arguments();
    a.removeFirst();
    if (a.isEmpty())
        return usage();
    const QString cmd = a.takeFirst();
    if (cmd == QLatin1String("dbf") && !a.isEmpty())
        return kreiraj(a);
    if (cmd == QLatin1String("detail") && a.size() == 4 && jeMst(a[3]))
        return detail(a);
    return usage();
}
