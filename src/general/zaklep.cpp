#include "general/zaklep.h"

#include "log/history.h"
#include "oracle/oracle.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>

namespace {

const QString kOznaka = QStringLiteral("Z");

} // namespace

TZaklepOsvezevanja::TZaklepOsvezevanja(TMoxContext &ctx, const QString &vrsta)
    : m_ctx(ctx), m_vrsta(QStringLiteral("OSVEZEVANJE ") + moxtext::upperAZ(vrsta))
{
    // A token no other refresh has: the process, the time and a random part
    // (user_mox holds 30 characters).
    m_zeton = QStringLiteral("%1-%2-%3")
                  .arg(QCoreApplication::applicationPid())
                  .arg(QDateTime::currentMSecsSinceEpoch() % 100000000)
                  .arg(QRandomGenerator::global()->bounded(100000000u));
}

TZaklepOsvezevanja::~TZaklepOsvezevanja()
{
    if (!m_zaklenjeno)
        return;
    try {
        sprosti();
    } catch (const EMoxError &) {
        // The row goes stale and the next refresh of the table removes it.
    }
}

void TZaklepOsvezevanja::zakleni()
{
    if (!m_ctx.p_moxShrani)
        return;
    TOracleSession &seja = m_ctx.osOracle;
    // Rows of processes that died.
    izvediNaZgodovini(seja,
           QStringLiteral("delete from orna_util.orna_mox where vrstamox=:vrsta and napakemox=:oznaka and datummox < "
                          "sysdate - %1/1440")
               .arg(kZastaranjeMinut),
           {{QStringLiteral("vrsta"), m_vrsta}, {QStringLiteral("oznaka"), kOznaka}});
    izvediNaZgodovini(seja,
           QStringLiteral("insert into orna_util.orna_mox (datummox,user_mox,vrstamox,napakemox) "
                          "values (sysdate,:zeton,:vrsta,:oznaka)"),
           {{QStringLiteral("zeton"), m_zeton}, {QStringLiteral("vrsta"), m_vrsta}, {QStringLiteral("oznaka"), kOznaka}});
    m_zaklenjeno = true;
    m_obnovljeno.start();

    TOracleDataSet q(&seja);
    q.SQL << QStringLiteral("select user_mox, to_char(datummox,'DD.MM.YYYY HH24:MI:SS') cas from orna_util.orna_mox "
                            "where vrstamox=:vrsta and napakemox=:oznaka order by datummox, user_mox");
    q.DeclareVariable(QStringLiteral("vrsta"), otString);
    q.DeclareVariable(QStringLiteral("oznaka"), otString);
    q.SetVariable(QStringLiteral("vrsta"), m_vrsta);
    q.SetVariable(QStringLiteral("oznaka"), kOznaka);
    q.Open();
    const QString imetnik = q.Eof() ? m_zeton : q.FieldByName(QStringLiteral("user_mox")).AsString();
    const QString od = q.Eof() ? QString() : q.FieldByName(QStringLiteral("cas")).AsString();
    q.Close();
    if (imetnik == m_zeton)
        return;
    sprosti();
    throw EMoxError(QStringLiteral("Tabela ") + m_vrsta.mid(12) +
                    QStringLiteral(" se že osvežuje (drug proces, od ") + od +
                    QStringLiteral("); to osveževanje ni bilo izvedeno."));
}

void TZaklepOsvezevanja::obnovi()
{
    if (!m_zaklenjeno || m_obnovljeno.elapsed() < kObnovaSekund * 1000)
        return;
    m_obnovljeno.start();
    izvediNaZgodovini(m_ctx.osOracle,
           QStringLiteral("update orna_util.orna_mox set datummox=sysdate where vrstamox=:vrsta and napakemox=:oznaka "
                          "and user_mox=:zeton"),
           {{QStringLiteral("vrsta"), m_vrsta}, {QStringLiteral("oznaka"), kOznaka}, {QStringLiteral("zeton"), m_zeton}});
}

void TZaklepOsvezevanja::sprosti()
{
    if (!m_zaklenjeno)
        return;
    m_zaklenjeno = false;
    izvediNaZgodovini(m_ctx.osOracle,
           QStringLiteral("delete from orna_util.orna_mox where vrstamox=:vrsta and napakemox=:oznaka and user_mox=:zeton"),
           {{QStringLiteral("vrsta"), m_vrsta}, {QStringLiteral("oznaka"), kOznaka}, {QStringLiteral("zeton"), m_zeton}});
}
