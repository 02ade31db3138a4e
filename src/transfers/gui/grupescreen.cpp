#include "transfers/gui/grupescreen.h"
#include "transfers/gui/zaslondruzine.h"

#include "general/general.h"
#include "run/context.h"
#include "startup/dispatch.h"
#include "base/moxerror.h"
#include "window/screens.h"
#include "transfers/grupe.h"
#include "transfers/grupe_nastavitve.h"
#include "ui/prikazirezultat.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

using zaslondruzine::polje;
using zaslondruzine::vrsticeBesedila;

void priprava(TMoxContext &ctx, TScreens &s)
{
    const QPlainTextEdit &memo = polje<QPlainTextEdit>(s, QStringLiteral("meGrupInit"));
    QPushButton &gumb = polje<QPushButton>(s, QStringLiteral("btPripraviGrupe"));
    TNapredekDruzine napredek;
    napredek.tece = [&gumb](bool tece) { gumb.setEnabled(!tece); };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbPrGrupe"), napredek);
    pripraviGrupe(ctx, TZahtevaDruzine(), vrsticeBesedila(memo), &napredek);
}

void osvezevanje(TMoxContext &ctx, TScreens &s)
{
    // Screen fields of the passes, in the order of kPrehodiGrup.
    const QStringList predpone = {QStringLiteral("edGrupe"), QStringLiteral("edAkt"),  QStringLiteral("ed061"),
                                  QStringLiteral("ed061S"),  QStringLiteral("ed055K"), QStringLiteral("ed065"),
                                  QStringLiteral("ed055S"),  QStringLiteral("ed062"),  QStringLiteral("edLab"),
                                  QStringLiteral("edNhh")};
    struct Stevci {
        QLineEdit *vseh, *novih, *popr, *nap;
    };
    QList<Stevci> stevci;
    for (const QString &p : predpone)
        stevci << Stevci{&polje<QLineEdit>(s, p + QStringLiteral("Vseh")), &polje<QLineEdit>(s, p + QStringLiteral("Novih")),
                         &polje<QLineEdit>(s, p + QStringLiteral("Popr")), &polje<QLineEdit>(s, p + QStringLiteral("Nap"))};
    QPushButton &gumb = polje<QPushButton>(s, QStringLiteral("btOsveziGrupe"));

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
    napredek.tece = [&gumb](bool tece) { gumb.setEnabled(!tece); };
    // The summary file is shown without a question.
    napredek.prikaziRezultat = [](const QString &, const QString &datoteka) { prikaziDatoteko(datoteka); };
    zaslondruzine::dodajNapredek(s, QStringLiteral("pbOsvGrupe"), napredek);
    osveziGrupe(ctx, TZahtevaDruzine(), &napredek);

    // The preparation screen's settings end holding the settings file the
    // refresh used (or nothing).
    if (QPlainTextEdit *memo = s.control<QPlainTextEdit>(QStringLiteral("meGrupInit")))
        memo->setPlainText(naloziNastavitveGrup(ctx.currSaveDir).join(u'\n'));
}

} // namespace

void registerGrupeScreens(TDispatch &dispatch, const std::function<TScreens *()> &screens)
{
    auto zZasloni = [screens](void (*op)(TMoxContext &, TScreens &)) {
        return [screens, op](TMoxContext &ctx, const QStringList &) {
            TScreens *s = screens ? screens() : nullptr;
            if (!s)
                throw EMoxError(QStringLiteral("Zasloni grup niso na voljo"));
            op(ctx, *s);
        };
    };
    dispatch.registerOperation(QString::fromLatin1(moxops::pripraviGrupe), zZasloni(&priprava));
    dispatch.registerOperation(QString::fromLatin1(moxops::osveziGrupe), zZasloni(&osvezevanje));
}
