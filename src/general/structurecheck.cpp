// The column check against the data dictionary and the parser on the main
// window's working memo.
#include "general/tabledesc.h"

#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/text.h"

using moxtext::upperAZ;

bool preveriKolono(TOracleDataSet &quDyn, const QString &lastnik, const QString &tabela, const QString &kolona)
{
    QString l = lastnik, t = tabela;
    if (tabela.contains(u'.'))
        razcleniTabelo(tabela, lastnik, l, t);
    quDyn.Close();
    quDyn.SQL.clear();
    quDyn.DeleteVariables();
    quDyn.SQL << QStringLiteral("select count(*) obstaja from dba_tab_columns where owner=:lastnik  and "
                                "table_name=:tabela and column_name=:kolona");
    quDyn.DeclareVariable(QStringLiteral("lastnik"), otString);
    quDyn.DeclareVariable(QStringLiteral("tabela"), otString);
    quDyn.DeclareVariable(QStringLiteral("kolona"), otString);
    quDyn.SetVariable(QStringLiteral("lastnik"), upperAZ(l.trimmed()));
    quDyn.SetVariable(QStringLiteral("tabela"), upperAZ(t.trimmed()));
    quDyn.SetVariable(QStringLiteral("kolona"), upperAZ(kolona.trimmed()));
    quDyn.Open();
    const bool obstaja = quDyn.FieldByName(QStringLiteral("obstaja")).AsInteger() == 1;
    quDyn.Close();
    return obstaja;
}

TObstajaKolona preveriKolonoV(TMoxContext &ctx)
{
    return [&ctx](const QString &lastnik, const QString &tabela, const QString &kolona) {
        return preveriKolono(ctx.quDyn, lastnik, tabela, kolona);
    };
}

int razcleniStrukturo(TMoxContext &ctx, TTableDescription &opis, TVrstaStrukture vrsta)
{
    TSporocilo sporoci = [&ctx](const QString &s) {
        if (ctx.ui)
            ctx.ui->showMessage(s);
    };
    TStrukturaOkolje okolje;
    okolje.currUser = ctx.currUser;
    okolje.zamenjave = [&ctx](const QString &s) { return zamenjave(s, QStringLiteral("SQL"), ctx); };
    okolje.obstaja = preveriKolonoV(ctx);
    okolje.sporoci = sporoci;
    okolje.vrsta = vrsta;
    return razcleniStrukturo(ctx.meDyn, okolje, opis);
}
