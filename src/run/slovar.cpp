#include "run/slovar.h"

#include "base/scopeexit.h"
#include "oracle/oracle.h"

QVector<TStolpecSlovarja> stolpciTabele(TOracleSession &seja, const QString &lastnik, const QString &tabela)
{
    TOracleDataSet q(&seja);
    q.SQL << QStringLiteral("select * from all_tab_columns where owner=:upor and table_name=:tabela")
          << QStringLiteral("order by column_id");
    q.DeclareVariable(QStringLiteral("upor"), otString);
    q.DeclareVariable(QStringLiteral("tabela"), otString);
    q.SetVariable(QStringLiteral("upor"), lastnik);
    q.SetVariable(QStringLiteral("tabela"), tabela);
    q.Open();
    TNaKoncu zapri([&q] { q.Close(); });

    QVector<TStolpecSlovarja> stolpci;
    for (; !q.Eof(); q.Next()) {
        TStolpecSlovarja s;
        s.ime = q.FieldByName(QStringLiteral("column_name")).AsString();
        s.tip = q.FieldByName(QStringLiteral("data_type")).AsString();
        const TOracleValue precision = q.FieldByName(QStringLiteral("data_precision"));
        s.imaNatancnost = !precision.IsNull();
        s.natancnost = s.imaNatancnost ? precision.AsInteger() : 0;
        const TOracleValue scale = q.FieldByName(QStringLiteral("data_scale"));
        s.decimalk = scale.AsInteger();
        s.decimalkBesedilo = scale.AsString();
        const TOracleValue length = q.FieldByName(QStringLiteral("data_length"));
        s.dolzina = length.AsInteger();
        s.dolzinaBesedilo = length.AsString();
        s.nullable = q.FieldByName(QStringLiteral("nullable")).AsString();
        stolpci << s;
    }
    return stolpci;
}
