#include "transfers/gui/sksscreen.h"
#include "transfers/gui/zaslondruzine.h"

#include "general/general.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "window/screens.h"
#include "transfers/sks.h"
#include "ui/prikazirezultat.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using zaslondruzine::polje;

void priprava(TMoxContext &ctx, TScreens &s)
{
    QLineEdit &glav = polje<QLineEdit>(s, QStringLiteral("edGlav"));
    QLineEdit &vred = polje<QLineEdit>(s, QStringLiteral("edVred"));
    QPushButton &gumb = polje<QPushButton>(s, QStringLiteral("btPripravaSKS"));
    glav.clear();
    vred.clear();

    // The preparation writes into the save directory.
    TZahtevaDruzine zahteva;
    zahteva.filter = polje<QLineEdit>(s, QStringLiteral("edFilterSKS")).text();

    TNapredekDruzine napredek;
    napredek.prikazi = [&glav, &vred](int prehod, const TStevciPrehoda &st) {
        (prehod == 0 ? glav : vred).setText(QString::number(st.prebranih));
    };
    napredek.tece = [&gumb](bool tece) { gumb.setEnabled(!tece); };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbPrSKS"), napredek);
    pripraviSKS(ctx, zahteva, &napredek);
}

void osvezevanje(TMoxContext &ctx, TScreens &s)
{
    struct Stevci {
        QLineEdit *st, *ins, *upd, *err;
    };
    QList<Stevci> stevci;
    for (const char *pass : {"Gl", "Vr"}) {
        const QString p = QString::fromLatin1(pass);
        stevci << Stevci{&polje<QLineEdit>(s, QStringLiteral("edSt") + p + QStringLiteral("SKS")),
                         &polje<QLineEdit>(s, QStringLiteral("edIns") + p + QStringLiteral("SKS")),
                         &polje<QLineEdit>(s, QStringLiteral("edUpd") + p + QStringLiteral("SKS")),
                         &polje<QLineEdit>(s, QStringLiteral("edErr") + p + QStringLiteral("SKS"))};
    }
    QPushButton &osvezi = polje<QPushButton>(s, QStringLiteral("btOsveziSKS"));

    // The files are read from, and the result written below, the page's
    // folder (the save directory when it is empty).
    TZahtevaDruzine zahteva;
    const QString pot = polje<QLineEdit>(s, QStringLiteral("edPotSKS")).text().trimmed();
    zahteva.pot = pot.isEmpty() ? QString() : moxpath::withTrailingSeparator(moxpath::native(pot));
    zahteva.samoPreverjanje = polje<QCheckBox>(s, QStringLiteral("cbSKSsamoPreverjanje")).isChecked();
    zahteva.brezSporocil = polje<QCheckBox>(s, QStringLiteral("cbBrez")).isChecked();

    TNapredekDruzine napredek;
    napredek.prikazi = [stevci](int prehod, const TStevciPrehoda &st) {
        if (prehod < 0 || prehod >= stevci.size())
            return;
        const Stevci &e = stevci[prehod];
        e.st->setText(stevecBesedilo(st.prebranih));
        e.ins->setText(stevecBesedilo(st.novih));
        e.upd->setText(stevecBesedilo(st.popravkov));
        e.err->setText(stevecBesedilo(st.napak));
    };
    napredek.tece = [&osvezi](bool tece) { osvezi.setEnabled(!tece); };
    TInteraction *ui = ctx.ui;
    napredek.prikaziRezultat = [ui](const QString &zakljucek, const QString &datoteka) {
        if (ui)
            prikaziRezultat(zakljucek, datoteka, *ui);
    };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbOsvSKS"), napredek);
    osveziSKS(ctx, zahteva, &napredek);
}

} // namespace

void registerSksScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    auto zZasloni = [screens](void (*op)(TMoxContext &, TScreens &)) {
        return [screens, op](TMoxContext &ctx, const QStringList &) {
            TScreens *s = screens ? screens() : nullptr;
            if (!s)
                throw EMoxError(QStringLiteral("Zasloni skupnih šifrantov niso na voljo"));
            op(ctx, *s);
        };
    };
    dispatch.registerOperation(QString::fromLatin1(moxops::pripraviSKS), zZasloni(&priprava));
    dispatch.registerOperation(QString::fromLatin1(moxops::osveziSKS), zZasloni(&osvezevanje));
}
