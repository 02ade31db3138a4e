#include "transfers/gui/zaslondruzine.h"

#include "general/general.h"
#include "startup/dispatch.h"
#include "window/screen_widgets.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace zaslondruzine {

QStringList vrsticeBesedila(const QPlainTextEdit &memo)
{
    QString t = memo.toPlainText();
    if (t.endsWith(u'\n'))
        t.chop(1);
    return t.isEmpty() ? QStringList() : t.split(u'\n');
}

std::function<void(int, const TStevciPrehoda &)> stevciTabele(TScreens &s, const QStringList &predpone,
                                                               const QString &novih)
{
    struct Vrstica {
        QLineEdit *vseh, *novih, *popr, *nap;
    };
    QList<Vrstica> vrstice;
    for (const QString &p : predpone) {
        Vrstica v{&polje<QLineEdit>(s, p + QStringLiteral("Vseh")), &polje<QLineEdit>(s, p + novih),
                  &polje<QLineEdit>(s, p + QStringLiteral("Popr")), &polje<QLineEdit>(s, p + QStringLiteral("Nap"))};
        for (QLineEdit *e : {v.vseh, v.novih, v.popr, v.nap})
            e->clear();
        vrstice << v;
    }
    return [vrstice](int prehod, const TStevciPrehoda &st) {
        if (prehod < 0 || prehod >= vrstice.size())
            return;
        const Vrstica &v = vrstice[prehod];
        v.vseh->setText(stevecBesedilo(st.prebranih));
        v.novih->setText(stevecBesedilo(st.novih));
        v.popr->setText(stevecBesedilo(st.popravkov));
        v.nap->setText(stevecBesedilo(st.napak));
    };
}

std::function<void(bool)> gumbMedTekom(TScreens &s, const QString &gumb)
{
    QPushButton *b = &polje<QPushButton>(s, gumb);
    return [b](bool tece) { b->setEnabled(!tece); };
}

void dodajNapredek(TScreens &s, const QString &bar, TNapredekDruzine &napredek)
{
    QProgressBar *b = &polje<QProgressBar>(s, bar);
    auto prikazi = std::move(napredek.prikazi);
    napredek.prikazi = [b, prikazi](int prehod, const TStevciPrehoda &st) {
        if (prikazi)
            prikazi(prehod, st);
        moxscreens::pokaziNapredek(*b, st.prebranih, st.vDatoteki);
    };
    auto tece = std::move(napredek.tece);
    napredek.tece = [b, tece](bool t) {
        if (tece)
            tece(t);
        if (t) {
            b->setRange(0, 1);
            b->setValue(0);
        } else {
            moxscreens::koncajNapredek(*b);
        }
    };
}

void registriraj(TDispatch &dispatch, const std::function<TScreens *()> &screens, const char *ime,
                 void (*op)(TMoxContext &, TScreens &))
{
    dispatch.registerOperation(QString::fromLatin1(ime), [screens, op](TMoxContext &ctx, const QStringList &) {
        TScreens *s = screens ? screens() : nullptr;
        if (!s)
            throw EMoxError(QStringLiteral("Zasloni niso na voljo"));
        op(ctx, *s);
    });
}

} // namespace zaslondruzine
