#include "log/history.h"

#include "log/timing.h"
#include "run/context.h"

void shranivORNAMOX(TMoxContext &ctx, const QString &vrsta, const QString &napaka)
{
    if (!ctx.p_moxShrani)
        return;

    // The server's time, to the minute.
    TOracleDataSet &q = ctx.quDyn1;
    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL << QStringLiteral(
        "select to_date(to_char(sysdate,'DD.MM.YYYY HH24:MI'),'DD.MM.YYYY HH24:MI') datum from dual  ");
    q.Open();
    const QDateTime datum = q.FieldByName(QStringLiteral("datum")).AsDateTime();
    q.Close();

    TOracleQuery &ins = ctx.quUpdateOrna_mox;
    ins.Clear();
    ins.SQL << QStringLiteral("insert into orna_util.orna_mox")
            << QStringLiteral("(datummox,user_mox,vrstamox,napakemox,izvajamox)") << QStringLiteral("values")
            << QStringLiteral("(:datummox,:user_mox,:vrstamox,:napakemox,:izvajamox)");
    ins.DeclareVariable(QStringLiteral("datummox"), otDate);
    ins.DeclareVariable(QStringLiteral("user_mox"), otString);
    ins.DeclareVariable(QStringLiteral("vrstamox"), otString);
    ins.DeclareVariable(QStringLiteral("napakemox"), otString);
    ins.DeclareVariable(QStringLiteral("izvajamox"), otInteger);
    ins.SetVariable(QStringLiteral("datummox"), datum);
    ins.SetVariable(QStringLiteral("user_mox"), ctx.currUser);
    ins.SetVariable(QStringLiteral("vrstamox"), vrsta);
    ins.SetVariable(QStringLiteral("napakemox"), napaka);
    ins.SetVariable(QStringLiteral("izvajamox"), qint64(uraKonec(ctx)));
    ins.Execute();
    ctx.osOracle.Commit();
}

void izvediNaZgodovini(TOracleSession &seja, const QString &sql,
                       const QList<std::pair<QString, QVariant>> &spremenljivke)
{
    TOracleQuery st(&seja);
    st.SQL << sql;
    for (const auto &[ime, vrednost] : spremenljivke) {
        st.DeclareVariable(ime, otString);
        st.SetVariable(ime, vrednost);
    }
    st.Execute();
    seja.Commit();
}

void naloziZadnjeOsvezitve(TMoxContext &ctx)
{
    if (!ctx.p_moxShrani)
        return;
    TOracleDataSet &q = ctx.quDyn1;
    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL << QStringLiteral(
        "select vrstamox,to_char(datummox,'DD.MM.YYYY HH24:MI') datummox  from orna_util.orna_mox vrs  where "
        "vrstaMox in (select vrstaMox from orna_util.orna_mox group by vrstamox)        and datummox=(select "
        "max(datummox) from orna_util.orna_mox where vrstamox=vrs.vrstaMox            and napakemox='N')");
    q.Open();
    while (!q.Eof()) {
        ctx.p_aRefrZadnji.append(TRefrZadnji{q.FieldByName(QStringLiteral("vrstaMox")).AsString(),
                                             q.FieldByName(QStringLiteral("datumMox")).AsString()});
        q.Next();
    }
    q.Close();
}
