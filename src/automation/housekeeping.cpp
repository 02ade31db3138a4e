#include "automation/housekeeping.h"

#include "shell/context.h"
#include "shell/dispatch.h"

void preklopiTriggerje(TMoxContext &ctx, const QString &owner, const QString &table, const QString &mode)
{
    if (!ctx.p_replikacija && !ctx.currReplikacija)
        return;

    TOracleDataSet &q = ctx.quTmp;
    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL << QStringLiteral("select trigger_name from dba_triggers where table_owner=:owner and table_name=:tabela");
    q.DeclareVariable(QStringLiteral("owner"), otString);
    q.DeclareVariable(QStringLiteral("tabela"), otString);
    q.SetVariable(QStringLiteral("owner"), owner);
    q.SetVariable(QStringLiteral("tabela"), table);
    QStringList triggerji;
    try {
        q.Open();
        while (!q.Eof()) {
            triggerji << q.FieldByName(QStringLiteral("trigger_name")).AsString();
            q.Next();
        }
        q.Close();
    } catch (const EMoxError &) {
        q.Close();
        // The message names the owner and the table as the query asked for
        // them (the statement itself binds them).
        if (ctx.ui)
            ctx.ui->showMessage(QStringLiteral("select trigger_name from dba_triggers where table_owner='") + owner +
                                QStringLiteral("' and table_name='") + table + u'\'');
        return;
    }

    TOracleQuery &st = ctx.quTemporary;
    for (const QString &trigger : triggerji) {
        st.Clear();
        st.SQL << QStringLiteral("alter trigger ") + trigger + u' ' + mode;
        st.Execute();
    }
}

bool activateLargeRB(TMoxContext &ctx, bool &oznaceno)
{
    const QString mode = oznaceno ? QStringLiteral("OFFLINE") : QStringLiteral("ONLINE");
    TOracleQuery &st = ctx.quTemporary;
    try {
        st.Clear();
        st.SQL << QStringLiteral("begin") << QStringLiteral("orna_util.activateLARGERB(:ime,:nacin);")
               << QStringLiteral("end;");
        st.DeclareVariable(QStringLiteral("ime"), otString);
        st.DeclareVariable(QStringLiteral("nacin"), otString);
        st.SetVariable(QStringLiteral("ime"), ctx.currLargeRBName);
        st.SetVariable(QStringLiteral("nacin"), mode);
        st.Execute();
    } catch (const EMoxError &) {
        if (ctx.ui)
            ctx.ui->showMessage(QStringLiteral("ERROR ON PUTING LARGE RB ") + mode);
        return false;
    }
    oznaceno = !oznaceno;
    if (!ctx.declRunParam && ctx.ui)
        ctx.ui->showMessage(QStringLiteral("LARGE RB is ") + mode);
    return true;
}

// The names the general refresh screen runs (moxops in shell/screens.h).
void registerHousekeeping(TDispatch &dispatch)
{
    dispatch.registerOperation(QStringLiteral("preklopiTriggerje:DISABLE"), [](TMoxContext &ctx, const QStringList &) {
        preklopiTriggerje(ctx, ctx.currUser, ctx.currTabela, QStringLiteral("DISABLE"));
    });
    dispatch.registerOperation(QStringLiteral("preklopiTriggerje:ENABLE"), [](TMoxContext &ctx, const QStringList &) {
        preklopiTriggerje(ctx, ctx.currUser, ctx.currTabela, QStringLiteral("ENABLE"));
    });
}
