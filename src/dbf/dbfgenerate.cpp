// generirajDBF lives apart from the type mapping so that programs which use
// only the mapping do not pull in the Oracle layer.
#include "dbf/dbflayout.h"

#include "dbf/dbfops.h"
#include "shell/context.h"
#include "shell/paths.h"

void generirajDBF(TMoxContext &ctx, const QString &upor, const QString &tabela)
{
    TOracleDataSet &q = ctx.quCol;
    q.Close();
    q.DeleteVariables();
    q.SQL.clear();
    q.SQL << QStringLiteral("select * from all_tab_columns where owner=:upor and table_name=:tabela")
          << QStringLiteral("order by column_id");
    q.DeclareVariable(QStringLiteral("upor"), otString);
    q.DeclareVariable(QStringLiteral("tabela"), otString);
    q.SetVariable(QStringLiteral("upor"), upor);
    q.SetVariable(QStringLiteral("tabela"), tabela);
    q.Open();

    QVector<tipDBFStruktura> polja;
    polja.reserve(251);
    polja.append({QStringLiteral("POPRAVI"), QStringLiteral("C"), 1, 0});
    for (; !q.Eof(); q.Next()) {
        QString tip = q.FieldByName(QStringLiteral("data_type")).AsString();
        const qint64 precision = q.FieldByName(QStringLiteral("data_precision")).AsInteger();
        qint32 dolz = qint32(precision >= 1 ? precision : q.FieldByName(QStringLiteral("data_length")).AsInteger());
        qint32 dec = qint32(q.FieldByName(QStringLiteral("data_scale")).AsInteger());
        prirediTip(tip, dolz, dec);
        polja.append({q.FieldByName(QStringLiteral("column_name")).AsString(), tip, dolz, dec});
    }
    q.Close();
    if (tabela == QLatin1String("PR908CXR"))
        polja.append({QStringLiteral("CODE_055"), QStringLiteral("C"), 10, 0});
    kreirajDBF(ctx, moxpath::join(ctx.currSaveDir, tabela), polja, int(polja.size()));
}
