#include "transfers/pripravaskupno.h"

#include "dbf/apollo.h"
#include "log/messages.h"
#include "log/runlog.h"
#include "run/context.h"
#include "base/paths.h"

#include <QDate>

QString seznamZaIskanje(const QStringList &kode)
{
    QString s(1, u',');
    for (const QString &k : kode)
        if (!k.isEmpty())
            s += k + u',';
    return s;
}

void odpriDatotekoDruzine(TApolloDataSet &tabela, const QString &mapa, const QString &ime, bool prazni)
{
    tabela.Close();
    tabela.TableName = moxpath::join(mapa, ime);
    tabela.Exclusive = true;
    tabela.Open();
    if (prazni)
        tabela.Zap();
    tabela.First();
}

void koncajPripravoZNapako(TMoxContext &ctx, TIzidDruzine &izid, const QString &vrsta, const QString &sporocilo)
{
    izid.status = QStringLiteral("D");
    izid.napaka = sporocilo;
    ++ctx.pNapakePrenosov;
    infoMessage(ctx, ctx.ui, sporocilo);
    ctx.meDyn.clear();
    ctx.meDyn << datumBesedilo(QDate::currentDate()) + QStringLiteral("  PREPARE: ") + ctx.currUser +
                     QStringLiteral("  ") + vrsta + QStringLiteral("  NAPAKA: ") + sporocilo;
    DajVLog(ctx);
}
