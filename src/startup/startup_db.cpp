#include "startup/startup.h"

#include "run/context.h"

// The start-up step that reads the database, apart from the rest so that
// callers without a session link without the Oracle layer.
void NapolniMUuser(TMoxContext &ctx)
{
    ctx.currInstanceAs = ctx.currServer;
    ctx.currUserAsTavo = QStringLiteral("TAVO");
    ctx.currUserAsFaktur = QStringLiteral("FAKTUR");
    if (!ctx.currMoreInstall)
        return;
    TOracleDataSet &q = ctx.quDyn1;
    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL << QStringLiteral("select * from ORNA_UTIL.ORNA_INSTALATIONS where userName=:userName");
    q.DeclareVariable(QStringLiteral("userName"), otString);
    q.SetVariable(QStringLiteral("userName"), ctx.currUser);
    q.Open();
    if (!q.Eof()) {
        ctx.currInstanceAs = q.FieldByName(QStringLiteral("INSTANCE")).AsString();
        ctx.currUserAsTavo = q.FieldByName(QStringLiteral("USER_TAVO")).AsString();
        ctx.currUserAsFaktur = q.FieldByName(QStringLiteral("USER_FAKTUR")).AsString();
    }
    q.Close();
}
