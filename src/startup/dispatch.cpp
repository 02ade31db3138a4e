#include "startup/dispatch.h"

#include "log/messages.h"
#include "log/runlog.h"
#include "run/context.h"
#include "base/moxerror.h"

void TDispatch::registerOperation(const QString &name, TOperation op) { m_ops.insert(name, std::move(op)); }

bool TDispatch::has(const QString &name) const { return m_ops.contains(name); }

QStringList TDispatch::names() const
{
    QStringList n = m_ops.keys();
    n.sort();
    return n;
}

void obdelajDogodke(TMoxContext &ctx)
{
    if (ctx.ui)
        ctx.ui->processEvents();
}

QString niNaVoljo(const QString &name) { return name + QStringLiteral(": ni na voljo"); }

bool TDispatch::run(TMoxContext &ctx, const QString &name, const QStringList &args) const
{
    const auto it = m_ops.constFind(name);
    if (it != m_ops.constEnd() && *it) {
        (*it)(ctx, args);
        return true;
    }
    javiNiNaVoljo(ctx, name);
    return false;
}

void javiNiNaVoljo(TMoxContext &ctx, const QString &name)
{
    const QString text = niNaVoljo(name);
    try {
        zapisiVLog(ctx, ctx.ui, {datumBesedilo(QDate::currentDate()) + QStringLiteral("  ") + text});
    } catch (const EMoxError &e) {
        // The log folder is missing: the message below still tells.
        if (ctx.ui)
            ctx.ui->showMessage(e.message());
    }
    infoMessage(ctx, ctx.ui, text);
}
