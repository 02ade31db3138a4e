#include "transfers/gui/paletescreen.h"

#include "run/context.h"
#include "transfers/gui/zaslondruzine.h"
#include "transfers/palete.h"
#include "ui/prikazirezultat.h"

#include <QPlainTextEdit>

using namespace zaslondruzine;

namespace {

void priprava(TMoxContext &ctx, TScreens &s)
{
    TNapredekDruzine napredek;
    napredek.tece = gumbMedTekom(s, QStringLiteral("btPripraviPalete"));
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbPrPalete"), napredek);
    pripraviPalete(ctx, QString(), vrsticeBesedila(polje<QPlainTextEdit>(s, QStringLiteral("mePalInit"))), &napredek);
}

void osvezevanje(TMoxContext &ctx, TScreens &s)
{
    TNapredekDruzine napredek;
    napredek.prikazi = stevciTabele(s, {QStringLiteral("edPal"), QStringLiteral("ed116"), QStringLiteral("ed011")},
                                    QStringLiteral("N"));
    napredek.tece = gumbMedTekom(s, QStringLiteral("btOsveziPalete"));
    // The summary file is shown without a question.
    napredek.prikaziRezultat = [](const QString &, const QString &datoteka) { prikaziDatoteko(datoteka); };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbOsvPalete"), napredek);
    osveziPalete(ctx, TZahtevaDruzine(), &napredek);
}

} // namespace

void registerPaleteScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    registriraj(dispatch, screens, moxops::pripraviPalete, &priprava);
    registriraj(dispatch, screens, moxops::osveziPalete, &osvezevanje);
}
