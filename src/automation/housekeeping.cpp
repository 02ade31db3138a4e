#include "automation/housekeeping.h"

#include "log/history.h"
#include "log/runlog.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/text.h"

#include <QDate>

namespace {

// The run history holds a row for every table whose triggers this tool has
// switched off and not yet on again: written before the switch-off, deleted
// after the switch-on. A process killed in between leaves it, and the next
// refresh of the table (in any mode) or the next start-up switches them on.
const QString kOznaka = QStringLiteral("IZKLOPLJENI TRIGGERJI ");
const QString kStanjeOznake = QStringLiteral("T");

QString oznaka(const QString &owner, const QString &table)
{
    return kOznaka + moxtext::upperAZ(owner) + u'.' + moxtext::upperAZ(table);
}

QStringList triggerjiTabele(TMoxContext &ctx, const QString &owner, const QString &table)
{
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
    } catch (const EMoxError &e) {
        q.Close();
        // Raised, not only shown: a refresh must not believe the triggers
        // were switched. The message names the owner and the table as the
        // query asked for them (the statement itself binds them).
        throw EMoxError(QStringLiteral("select trigger_name from dba_triggers where table_owner='") + owner +
                        QStringLiteral("' and table_name='") + table + u'\'' + QStringLiteral("\r\n") + e.message());
    }
    return triggerji;
}

void preklopi(TMoxContext &ctx, const QStringList &triggerji, const QString &mode)
{
    TOracleQuery &st = ctx.quTemporary;
    for (const QString &trigger : triggerji) {
        st.Clear();
        st.SQL << QStringLiteral("alter trigger ") + trigger + u' ' + mode;
        st.Execute();
    }
}

void zapisiOznako(TMoxContext &ctx, const QString &owner, const QString &table)
{
    izvediNaZgodovini(ctx.osOracle,
                      QStringLiteral("insert into orna_util.orna_mox (datummox,user_mox,vrstamox,napakemox) "
                                     "values (sysdate,:user_mox,:vrstamox,:napakemox)"),
                      {{QStringLiteral("user_mox"), ctx.currUser},
                       {QStringLiteral("vrstamox"), oznaka(owner, table)},
                       {QStringLiteral("napakemox"), kStanjeOznake}});
}

void izbrisiOznako(TMoxContext &ctx, const QString &vrsta)
{
    izvediNaZgodovini(ctx.osOracle,
                      QStringLiteral("delete from orna_util.orna_mox where vrstamox=:vrstamox and napakemox=:napakemox"),
                      {{QStringLiteral("vrstamox"), vrsta}, {QStringLiteral("napakemox"), kStanjeOznake}});
}

} // namespace

QStringList vklopiPozabljeneTriggerje(TMoxContext &ctx, const QString &owner, const QString &table)
{
    if (!ctx.p_moxShrani)
        return {};
    TOracleDataSet &q = ctx.quTmp;
    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL << QStringLiteral("select distinct vrstamox from orna_util.orna_mox where napakemox=:napakemox "
                            "and vrstamox like :vzorec");
    q.DeclareVariable(QStringLiteral("napakemox"), otString);
    q.DeclareVariable(QStringLiteral("vzorec"), otString);
    q.SetVariable(QStringLiteral("napakemox"), kStanjeOznake);
    q.SetVariable(QStringLiteral("vzorec"), table.isEmpty() ? kOznaka + moxtext::upperAZ(owner) + QStringLiteral(".%")
                                                     : oznaka(owner, table));
    QStringList vrste;
    q.Open();
    while (!q.Eof()) {
        vrste << q.FieldByName(QStringLiteral("vrstamox")).AsString();
        q.Next();
    }
    q.Close();

    QStringList tabele;
    for (const QString &vrsta : vrste) {
        const QString polno = vrsta.mid(kOznaka.size());
        const qsizetype pika = polno.indexOf(u'.');
        const QString lastnik = polno.left(pika), tabela = polno.mid(pika + 1);
        preklopi(ctx, triggerjiTabele(ctx, lastnik, tabela), QStringLiteral("ENABLE"));
        izbrisiOznako(ctx, vrsta);
        tabele << polno;
        ctx.meDyn = QStringList{QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")) +
                                QStringLiteral("  TRIGGERJI: ") + polno +
                                QStringLiteral(" so bili izklopljeni od prekinjenega osveževanja; zdaj so vklopljeni")};
        DajVLog(ctx);
    }
    return tabele;
}

void preklopiTriggerje(TMoxContext &ctx, const QString &owner, const QString &table, const QString &mode)
{
    // Whatever the mode, a refresh first switches on what an interrupted one
    // left switched off.
    if (mode == QLatin1String("DISABLE"))
        vklopiPozabljeneTriggerje(ctx, owner, table);
    if (!ctx.p_replikacija && !ctx.currReplikacija)
        return;

    const QStringList triggerji = triggerjiTabele(ctx, owner, table);
    if (triggerji.isEmpty())
        return;
    if (mode == QLatin1String("DISABLE")) {
        if (ctx.p_moxShrani)
            zapisiOznako(ctx, owner, table);
        preklopi(ctx, triggerji, mode);
    } else {
        preklopi(ctx, triggerji, mode);
        if (ctx.p_moxShrani)
            izbrisiOznako(ctx, oznaka(owner, table));
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
