#include "transfers/gui/analizescreen.h"
#include "transfers/gui/zaslondruzine.h"

#include "general/general.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "window/screens.h"
#include "transfers/analize.h"
#include "ui/prikazirezultat.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using zaslondruzine::polje;

void priprava(TMoxContext &ctx, TScreens &s)
{
    QList<QLineEdit *> stevci{&polje<QLineEdit>(s, QStringLiteral("edAHC908")),
                              &polje<QLineEdit>(s, QStringLiteral("edAHCXML"))};
    for (QLineEdit *e : stevci)
        e->clear();
    TIzbiraAnaliz izbira;
    izbira.filter = polje<QLineEdit>(s, QStringLiteral("edAHCFilter")).text();
    izbira.tudiUpdate = polje<QCheckBox>(s, QStringLiteral("cbAHCUpdate")).isChecked();
    TNapredekDruzine napredek;
    napredek.prikazi = [stevci](int prehod, const TStevciPrehoda &st) {
        if (prehod >= 0 && prehod < stevci.size())
            stevci[prehod]->setText(QString::number(st.prebranih));
    };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbPrAnalize"), napredek);
    pripraviAnalizeHC(ctx, TZahtevaDruzine(), izbira, &napredek);
}

void osvezevanje(TMoxContext &ctx, TScreens &s)
{
    struct Stevci {
        QLineEdit *vseh, *novih, *popr, *nap;
    };
    QList<Stevci> stevci;
    for (const QString &t : {QStringLiteral("ed908"), QStringLiteral("edXML")})
        stevci << Stevci{&polje<QLineEdit>(s, t + QStringLiteral("Vseh")), &polje<QLineEdit>(s, t + QStringLiteral("Novih")),
                         &polje<QLineEdit>(s, t + QStringLiteral("Popr")), &polje<QLineEdit>(s, t + QStringLiteral("Nap"))};
    QPushButton &osvezi = polje<QPushButton>(s, QStringLiteral("btAHCOsvezi"));

    // The files are read from the save directory.
    TZahtevaDruzine zahteva;
    zahteva.samoPreverjanje = polje<QCheckBox>(s, QStringLiteral("cbAHCTest")).isChecked();

    TNapredekDruzine napredek;
    napredek.prikazi = [stevci](int prehod, const TStevciPrehoda &st) {
        if (prehod < 0 || prehod >= stevci.size())
            return;
        const Stevci &e = stevci[prehod];
        e.vseh->setText(stevecBesedilo(st.prebranih));
        e.novih->setText(stevecBesedilo(st.novih));
        e.popr->setText(stevecBesedilo(st.popravkov));
        e.nap->setText(stevecBesedilo(st.napak));
    };
    napredek.tece = [&osvezi](bool tece) { osvezi.setEnabled(!tece); };
    TInteraction *ui = ctx.ui;
    napredek.prikaziRezultat = [ui](const QString &zakljucek, const QString &datoteka) {
        if (ui)
            prikaziRezultat(zakljucek, datoteka, *ui);
    };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbOsvAnalize"), napredek);
    osveziAnalizeHC(ctx, zahteva, &napredek);
}

} // namespace

void registerAnalizeScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    auto zZasloni = [screens](void (*op)(TMoxContext &, TScreens &)) {
        return [screens, op](TMoxContext &ctx, const QStringList &) {
            TScreens *s = screens ? screens() : nullptr;
            if (!s)
                throw EMoxError(QStringLiteral("Zasloni analiz niso na voljo"));
            op(ctx, *s);
        };
    };
    dispatch.registerOperation(QString::fromLatin1(moxops::pripraviAnalizeHC), zZasloni(&priprava));
    dispatch.registerOperation(QString::fromLatin1(moxops::osveziAnalizeHC), zZasloni(&osvezevanje));
}
