#include "transfers/gui/parametriscreen.h"
#include "transfers/gui/zaslondruzine.h"

#include "general/general.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "window/screens.h"
#include "transfers/parametri.h"
#include "ui/prikazirezultat.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using zaslondruzine::polje;

const QString kTabele[] = {QStringLiteral("007"), QStringLiteral("107"), QStringLiteral("207")};

void priprava(TMoxContext &ctx, TScreens &s)
{
    QList<QLineEdit *> stevci;
    for (const QString &t : kTabele) {
        stevci << &polje<QLineEdit>(s, QStringLiteral("ed") + t + QStringLiteral("PrPar"));
        stevci.back()->clear();
    }
    TIzbiraParametrov izbira;
    izbira.filter007 = polje<QLineEdit>(s, QStringLiteral("edFilterPar")).text();
    izbira.filter107 = polje<QLineEdit>(s, QStringLiteral("edFIlter107")).text();
    izbira.samoDefault = polje<QCheckBox>(s, QStringLiteral("cbSamoDef")).isChecked();
    TNapredekDruzine napredek;
    napredek.prikazi = [stevci](int prehod, const TStevciPrehoda &st) {
        if (prehod >= 0 && prehod < stevci.size())
            stevci[prehod]->setText(QString::number(st.prebranih));
    };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbPrParametri"), napredek);
    pripraviParametre(ctx, TZahtevaDruzine(), izbira, &napredek);
}

void osvezevanje(TMoxContext &ctx, TScreens &s)
{
    struct Stevci {
        QLineEdit *st, *ins, *err;
    };
    QList<Stevci> stevci;
    for (const QString &t : kTabele)
        stevci << Stevci{&polje<QLineEdit>(s, QStringLiteral("edSt") + t), &polje<QLineEdit>(s, QStringLiteral("edIns") + t),
                         &polje<QLineEdit>(s, QStringLiteral("edErr") + t)};
    QPushButton &osvezi = polje<QPushButton>(s, QStringLiteral("btOsveziParam"));

    // The parameter files are found in the folder of the print-form refresh
    // page (this page has no folder of its own).
    TZahtevaDruzine zahteva;
    const QString pot = polje<QLineEdit>(s, QStringLiteral("edPotOBR")).text().trimmed();
    zahteva.pot = pot.isEmpty() ? QString() : moxpath::withTrailingSeparator(moxpath::native(pot));
    zahteva.samoPreverjanje = polje<QCheckBox>(s, QStringLiteral("cbOsveziParametri")).isChecked();

    TNapredekDruzine napredek;
    napredek.prikazi = [stevci](int prehod, const TStevciPrehoda &st) {
        if (prehod < 0 || prehod >= stevci.size())
            return;
        const Stevci &e = stevci[prehod];
        e.st->setText(stevecBesedilo(st.prebranih));
        e.ins->setText(stevecBesedilo(st.novih));
        e.err->setText(stevecBesedilo(st.napak));
    };
    napredek.tece = [&osvezi](bool tece) { osvezi.setEnabled(!tece); };
    TInteraction *ui = ctx.ui;
    napredek.prikaziRezultat = [ui](const QString &zakljucek, const QString &datoteka) {
        if (ui)
            prikaziRezultat(zakljucek, datoteka, *ui);
    };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbOsvParametri"), napredek);
    osveziParametre(ctx, zahteva, &napredek);
}

} // namespace

void registerParametriScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    auto zZasloni = [screens](void (*op)(TMoxContext &, TScreens &)) {
        return [screens, op](TMoxContext &ctx, const QStringList &) {
            TScreens *s = screens ? screens() : nullptr;
            if (!s)
                throw EMoxError(QStringLiteral("Zasloni parametrov niso na voljo"));
            op(ctx, *s);
        };
    };
    dispatch.registerOperation(QString::fromLatin1(moxops::pripraviParametre), zZasloni(&priprava));
    dispatch.registerOperation(QString::fromLatin1(moxops::osveziParametre), zZasloni(&osvezevanje));
}
