#include "log/runlog.h"

#include "run/context.h"
#include "base/interaction.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "run/runstate.h"
#include "base/text.h"

#include <QFile>
#include <QFileInfo>

QString imeLogDatoteke(const TRunState &rs)
{
    const QString ime = rs.currMoreInstall ? QStringLiteral("MOX_") + rs.currUserAsTavo + QStringLiteral(".LOG")
                                           : QStringLiteral("ORNA_SYS.LOG");
    // A log directory given without its trailing separator (command line,
    // hand-edited settings) still takes the file inside it.
    return moxpath::join(rs.currDirLog, ime);
}

void zapisiVLog(const TRunState &rs, TInteraction *ui, const QStringList &lines)
{
    const QString file = imeLogDatoteke(rs);
    if (!QFileInfo::exists(file)) {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            throw EMoxError(QStringLiteral("Ne morem ustvariti datoteke %1: %2").arg(file, f.errorString()));
    }
    try {
        moxtext::appendTextLines(file, lines);
    } catch (const EMoxError &) {
        if (ui)
            ui->showMessage(QStringLiteral("Napaka pri pisanju v: ") + file);
    }
}

void DajVLog(const TRunState &rs, TInteraction *ui) { zapisiVLog(rs, ui, rs.meDyn); }

void DajVLog(TMoxContext &ctx) { DajVLog(ctx, ctx.ui); }

QString datumBesedilo(const QDate &d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }

QString logVrstica(const QString &user, const QString &tabela, const QString &ins, const QString &upd,
                   const QString &err, bool nadaljevanje, const QDate &datum)
{
    const QString zacetek = nadaljevanje ? QString(21, u' ') : datumBesedilo(datum) + QStringLiteral("  REFRESH:") + u' ';
    return zacetek + user + QStringLiteral("  ") + moxtext::upperAZ(tabela) + QStringLiteral("  INS:") + ins +
           QStringLiteral("  UPD:") + upd + QStringLiteral("  ERR:") + err;
}
