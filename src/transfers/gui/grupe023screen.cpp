#include "transfers/gui/grupe023screen.h"

#include "run/context.h"
#include "transfers/grupe023.h"
#include "transfers/gui/zaslondruzine.h"
#include "ui/prikazirezultat.h"

#include <QPlainTextEdit>

using namespace zaslondruzine;

namespace {

void priprava(TMoxContext &ctx, TScreens &s)
{
    TNapredekDruzine napredek;
    napredek.tece = gumbMedTekom(s, QStringLiteral("btPripraviGrupe023"));
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbPrGrupe023"), napredek);
    pripraviGrupe023(ctx, QString(), vrsticeBesedila(polje<QPlainTextEdit>(s, QStringLiteral("meGrupInit023"))),
                     &napredek);
}

void osvezevanje(TMoxContext &ctx, TScreens &s)
{
    TNapredekDruzine napredek;
    // Rows of the passes: groups, HC members, service members.
    napredek.prikazi = stevciTabele(s, {QStringLiteral("ed023"), QStringLiteral("edPo011"), QStringLiteral("edPo023")},
                                    QStringLiteral("Novih"));
    napredek.tece = gumbMedTekom(s, QStringLiteral("btOsveziGrupe023"));
    // The summary file is shown without a question.
    napredek.prikaziRezultat = [](const QString &, const QString &datoteka) { prikaziDatoteko(datoteka); };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbOsvGrupe023"), napredek);
    osveziGrupe023(ctx, TZahtevaDruzine(), &napredek);
}

} // namespace

void registerGrupe023Screens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    registriraj(dispatch, screens, moxops::pripraviGrupe023, &priprava);
    registriraj(dispatch, screens, moxops::osveziGrupe023, &osvezevanje);
}
