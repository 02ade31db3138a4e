#include "run/dbfops.h"

#include "run/context.h"
#include "base/paths.h"

#include <QtDebug>

namespace {

// The message texts are the system's own; the engine's reason for a failure
// that the message does not carry goes to the diagnostic output.
void note(const QString &reason)
{
    if (!reason.isEmpty())
        qWarning("%s", qUtf8Printable(reason));
}

// Without an interaction the messages go to standard error.
TInteraction &interactionOf(TMoxContext &ctx, TConsoleInteraction &fallback)
{
    return ctx.ui ? *ctx.ui : fallback;
}

} // namespace

bool odpriDBF(TApolloDataSet &taDBF, const QString &saveDir, const QString &name, const QString &indexExpr,
              TInteraction &ui)
{
    bool ok = true;
    try {
        taDBF.setActive(false);
    } catch (const EMoxError &e) {
        note(e.message());
    }
    taDBF.TableName = moxpath::join(saveDir, name);
    try {
        taDBF.setActive(true);
    } catch (const EMoxError &e) {
        ui.showMessage(QStringLiteral("NE MOREM ODPRETI tabele: ") + name + QStringLiteral(" napaka: ") + e.message());
        ok = false;
    }
    if (!indexExpr.isEmpty()) {
        try {
            taDBF.Index(saveDir + name, indexExpr, QString(), false, 0);
        } catch (const EMoxError &e) {
            note(e.message());
            ui.showMessage(QStringLiteral("NE MOREM KREIRATI indeksa: ") + name + QStringLiteral(" (") + indexExpr
                           + QStringLiteral(")"));
            ok = false;
        }
    }
    return ok;
}

bool kreirajDBF(TApolloDataSet &taDBF, const QString &path, const QVector<tipDBFStruktura> &fields, int count,
                TInteraction &ui)
{
    const QString message = QStringLiteral("Neuspešno kreiranje tabele:") + path;
    if (!taDBF.CreateNew(path, 2, count)) {
        note(taDBF.LastError());
        ui.showMessage(message);
        return false;
    }
    try {
        const int n = qMin(count, int(fields.size()));
        for (int i = 0; i < n; ++i) {
            const tipDBFStruktura &f = fields.at(i);
            taDBF.CreateField(f.polje, f.tip, f.dolzina, f.decimalk);
        }
    } catch (const EMoxError &e) {
        note(e.message());
        ui.showMessage(message);
        return false;
    }
    if (!taDBF.CreateExec()) {
        note(taDBF.LastError());
        ui.showMessage(message);
        return false;
    }
    return true;
}

bool kreirajDBF(TMoxContext &ctx, const QString &path, const QVector<tipDBFStruktura> &fields, int count)
{
    TConsoleInteraction fallback;
    return kreirajDBF(ctx.taDBF, path, fields, count, interactionOf(ctx, fallback));
}

QString imeDBF(const QString &name, bool detail)
{
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (detail && dot >= 0)
        return name.left(dot + 1);
    return name;
}
