#include "general/uporabapaketa.h"

#include "general/manifest.h"
#include "log/history.h"
#include "log/runlog.h"
#include "oracle/oracle.h"
#include "run/context.h"
#include "base/text.h"

namespace {

const QString kOznaka = QStringLiteral("K");
const QString kCasFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");
const QString kCasOracle = QStringLiteral("'DD.MM.YYYY HH24:MI:SS'");

} // namespace

bool zavrnitevPrikazana(const std::exception &e)
{
    const auto *z = dynamic_cast<const EPaketZavrnjen *>(&e);
    return z && z->prikazano();
}

QString vrstaPaketa(const QString &vrsta)
{
    return QStringLiteral("PAKET ") + vrsta;
}

QDateTime zadnjiUporabljeniPaket(TMoxContext &ctx, const QString &vrsta)
{
    if (!ctx.p_moxShrani)
        return QDateTime();
    // A query of its own: the refresh's shared queries may hold statements
    // it still needs.
    TOracleDataSet q(&ctx.osOracle);
    q.SQL << QStringLiteral("select to_char(max(datummox),%1) cas from orna_util.orna_mox "
                            "where vrstamox=:vrsta and napakemox=:oznaka")
                 .arg(kCasOracle);
    q.DeclareVariable(QStringLiteral("vrsta"), otString);
    q.DeclareVariable(QStringLiteral("oznaka"), otString);
    q.SetVariable(QStringLiteral("vrsta"), vrstaPaketa(vrsta));
    q.SetVariable(QStringLiteral("oznaka"), kOznaka);
    q.Open();
    const QString cas = q.Eof() ? QString() : q.FieldByName(QStringLiteral("cas")).AsString();
    q.Close();
    return QDateTime::fromString(cas, kCasFormat);
}

void zapisiUporabljeniPaket(TMoxContext &ctx, const QString &vrsta, const QDateTime &izvozeno)
{
    if (!ctx.p_moxShrani || !izvozeno.isValid())
        return;
    const QString v = vrstaPaketa(vrsta);
    const QString cas = izvozeno.toString(kCasFormat);
    izvediNaZgodovini(ctx.osOracle,
                      QStringLiteral("delete from orna_util.orna_mox where vrstamox=:vrsta and napakemox=:oznaka "
                                     "and datummox <= to_date(:cas,%1)")
                          .arg(kCasOracle),
                      {{QStringLiteral("vrsta"), v},
                       {QStringLiteral("oznaka"), kOznaka},
                       {QStringLiteral("cas"), cas}});
    izvediNaZgodovini(ctx.osOracle,
                      QStringLiteral("insert into orna_util.orna_mox (datummox,user_mox,vrstamox,napakemox) "
                                     "values (to_date(:cas,%1),:uporabnik,:vrsta,:oznaka)")
                          .arg(kCasOracle),
                      {{QStringLiteral("cas"), cas},
                       {QStringLiteral("uporabnik"), ctx.currUser},
                       {QStringLiteral("vrsta"), v},
                       {QStringLiteral("oznaka"), kOznaka}});
}

QDateTime preveriPaketPredOsvezevanjem(TMoxContext &ctx, const QString &mapa, const QString &tabela,
                                       const QString &vrsta, const QStringList &datoteke)
{
    TPreverjanjePaketa p;
    try {
        p = preveriDelPaketa(ctx, mapa, tabela, datoteke);
    } catch (const EMoxError &e) {
        throw EPaketZavrnjen(e.message(), false);
    }
    if (!p.opomba.isEmpty()) {
        ctx.meDyn = QStringList{p.opomba};
        DajVLog(ctx);
    }
    if (!p.opozorilo.isEmpty() && ctx.ui)
        ctx.ui->showMessage(p.opozorilo);
    if (!p.izvozeno.isValid())
        return p.izvozeno;

    const QDateTime zadnji = zadnjiUporabljeniPaket(ctx, vrsta);
    if (!zadnji.isValid() || p.izvozeno >= zadnji)
        return p.izvozeno;
    const QString ime = moxtext::upperAZ(tabela);
    const QString starejsi =
        QStringLiteral("Paket tabele ") + ime + QStringLiteral(" je bil pripravljen ") +
        p.izvozeno.toString(kCasFormat) +
        QStringLiteral(", pred paketom, ki je bil na tej instalaciji že uporabljen (pripravljen ") +
        zadnji.toString(kCasFormat) + QStringLiteral(").");
    // Nobody to ask: an older package would undo what the newer one brought.
    if (ctx.pAutomatika || !ctx.ui)
        throw EPaketZavrnjen(starejsi + QStringLiteral(" Starejši paket ni bil uporabljen."), false);
    if (ctx.ui->pokaziSporocilo(starejsi + QStringLiteral(" Ga vseeno uporabim?"), mtWarning, mbYes | mbNo) != mrYes)
        throw EPaketZavrnjen(starejsi + QStringLiteral(" Starejši paket ni bil uporabljen."), true);
    return p.izvozeno;
}
