#include "transfers/gui/obrazciscreen.h"
#include "transfers/gui/zaslondruzine.h"

#include "general/general.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "window/screens.h"
#include "transfers/obrazci.h"
#include "ui/prikazirezultat.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using zaslondruzine::polje;

void priprava(TMoxContext &ctx, TScreens &s)
{
    QList<QLineEdit *> stevci;
    for (const char *ime : {"ed900PrObr", "ed901PrObr", "ed902PrObr"}) {
        stevci << &polje<QLineEdit>(s, QString::fromLatin1(ime));
        stevci.back()->clear();
    }
    TZahtevaDruzine zahteva;
    zahteva.filter = polje<QLineEdit>(s, QStringLiteral("edFilterObr")).text();
    TNapredekDruzine napredek;
    napredek.prikazi = [stevci](int prehod, const TStevciPrehoda &st) {
        if (prehod >= 0 && prehod < stevci.size())
            stevci[prehod]->setText(QString::number(st.prebranih));
    };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbPrObrazci"), napredek);
    pripraviObrazce(ctx, zahteva, &napredek);
}

void osvezevanje(TMoxContext &ctx, TScreens &s)
{
    struct Stevci {
        QLineEdit *st, *ins, *up, *err;
    };
    QList<Stevci> stevci;
    for (const QString &t : {QStringLiteral("900"), QStringLiteral("901"), QStringLiteral("902")})
        stevci << Stevci{&polje<QLineEdit>(s, QStringLiteral("edSt") + t), &polje<QLineEdit>(s, QStringLiteral("edIns") + t),
                         &polje<QLineEdit>(s, QStringLiteral("edUp") + t), &polje<QLineEdit>(s, QStringLiteral("edErr") + t)};
    QPushButton &osvezi = polje<QPushButton>(s, QStringLiteral("btOsveziOBR"));

    TZahtevaDruzine zahteva;
    const QString pot = polje<QLineEdit>(s, QStringLiteral("edPotOBR")).text().trimmed();
    zahteva.pot = pot.isEmpty() ? QString() : moxpath::withTrailingSeparator(moxpath::native(pot));
    zahteva.samoPreverjanje = polje<QCheckBox>(s, QStringLiteral("cbOBRsamoPreverjanje")).isChecked();

    TNapredekDruzine napredek;
    napredek.prikazi = [stevci](int prehod, const TStevciPrehoda &st) {
        if (prehod < 0 || prehod >= stevci.size())
            return;
        const Stevci &e = stevci[prehod];
        e.st->setText(stevecBesedilo(st.prebranih));
        e.ins->setText(stevecBesedilo(st.novih));
        e.up->setText(stevecBesedilo(st.popravkov));
        e.err->setText(stevecBesedilo(st.napak));
    };
    napredek.tece = [&osvezi](bool tece) { osvezi.setEnabled(!tece); };
    TInteraction *ui = ctx.ui;
    napredek.prikaziRezultat = [ui](const QString &zakljucek, const QString &datoteka) {
        if (ui)
            prikaziRezultat(zakljucek, datoteka, *ui);
    };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbOsvObrazci"), napredek);
    osveziObrazce(ctx, zahteva, &napredek);
}

} // namespace

void registerObrazciScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    auto zZasloni = [screens](void (*op)(TMoxContext &, TScreens &)) {
        return [screens, op](TMoxContext &ctx, const QStringList &) {
            TScreens *s = screens ? screens() : nullptr;
            if (!s)
                throw EMoxError(QStringLiteral("Zasloni obrazcev niso na voljo"));
            op(ctx, *s);
        };
    };
    dispatch.registerOperation(QString::fromLatin1(moxops::pripraviObrazce), zZasloni(&priprava));
    dispatch.registerOperation(QString::fromLatin1(moxops::osveziObrazce), zZasloni(&osvezevanje));
}
