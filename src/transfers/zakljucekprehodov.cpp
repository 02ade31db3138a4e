#include "transfers/zakljucekprehodov.h"

#include "general/general.h"
#include "general/uporabapaketa.h"
#include "log/history.h"
#include "log/messages.h"
#include "log/runlog.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/text.h"
#include "transfers/grupe_prehod.h"

#include <QDate>

QString vrsticaPovzetka(const QString &oznaka, const QString &locilo, const QStringList &vrednosti)
{
    return QString(16, u' ') + oznaka + locilo + vrednosti.join(u'\t') + moxtext::crlf;
}

TIzidDruzine zakljuciPrehode(TTekOsvezevanja &tek, const QString &pot, const TZakljucekPrehodov &z,
                             const QString &napaka)
{
    TMoxContext &ctx = tek.ctx;
    TIzidDruzine izid;
    izid.prehodi = tek.stevci;
    izid.napaka = napaka;
    const bool samo = tek.zahteva.samoPreverjanje;
    const bool neuspeh = tek.neuspeh || !napaka.isEmpty();
    izid.status = neuspeh ? QStringLiteral("D") : (samo ? QStringLiteral("P") : QStringLiteral("N"));

    // The error that stopped the run is listed with the others, so that the
    // summary file shows why the counts stop where they do.
    if (!napaka.isEmpty())
        tek.sporocila << QStringLiteral("NAPAKA: ") + napaka;
    const bool imaSporocila = !tek.sporocila.isEmpty();

    QStringList log;
    try {
        izid.rezultatnaDatoteka = pripraviRezultatiDir(pot) + z.datoteka;
        moxtext::writeTextLines(izid.rezultatnaDatoteka, tek.sporocila + QStringList{z.povzetek});
    } catch (const EMoxError &e) {
        izid.rezultatnaDatoteka.clear();
        log << QStringLiteral("Napaka pri pisanju v LOG datoteko: ") + e.message();
        infoMessage(ctx, ctx.ui, QStringLiteral("Napaka pri pisanju v LOG datoteko"));
    }
    // The report beside the summary file; one that cannot be written makes
    // the run a failed one.
    if (!izid.rezultatnaDatoteka.isEmpty()) {
        const QString napakaPorocila = tek.zapisiPorocilo(izid.rezultatnaDatoteka, z.vrsta, napaka);
        if (!napakaPorocila.isEmpty()) {
            izid.status = QStringLiteral("D");
            if (izid.napaka.isEmpty())
                izid.napaka = napakaPorocila;
            log << napakaPorocila;
            infoMessage(ctx, ctx.ui, napakaPorocila);
        }
    }

    qint64 novih = 0, popravkov = 0, napak = 0;
    for (const TStevciPrehoda &s : tek.stevci) {
        novih += s.novih;
        popravkov += s.popravkov;
        napak += s.napak;
    }
    // Rows counted new or corrected in a check-only run were not written.
    if (samo)
        novih = popravkov = 0;
    ctx.meDyn.clear();
    ctx.meDyn << datumBesedilo(QDate::currentDate()) + QStringLiteral(" REFRESH ") + z.vrsta + QStringLiteral(" : ") +
                     z.povzetek;
    ctx.meDyn << log;
    if (!napaka.isEmpty())
        ctx.meDyn << QStringLiteral("NAPAKA: ") + napaka;
    ctx.meDyn << logVrstica(ctx.currUser, z.vrsta, stevecBesedilo(novih), stevecBesedilo(popravkov),
                            stevecBesedilo(napak));
    DajVLog(ctx);

    try {
        shranivORNAMOX(ctx, z.vrsta, izid.status);
        if (izid.status == QStringLiteral("N"))
            zapisiUporabljeniPaket(ctx, z.vrsta, z.izvozeno);
    } catch (const EMoxError &e) {
        // The run's own work is done; a history that cannot be written is
        // reported and makes the run count as failed.
        izid.status = QStringLiteral("D");
        if (izid.napaka.isEmpty())
            izid.napaka = e.message();
        infoMessage(ctx, ctx.ui, e.message());
    }
    if (izid.status == QStringLiteral("D"))
        ++ctx.pNapakePrenosov;

    if (!ctx.pAutomatika) {
        if (imaSporocila && !izid.rezultatnaDatoteka.isEmpty()) {
            if (tek.napredek && tek.napredek->prikaziRezultat)
                tek.napredek->prikaziRezultat(z.konec, izid.rezultatnaDatoteka);
        } else if ((z.konecTudiVSkripti || !ctx.p_autoPrepare) && ctx.ui) {
            ctx.ui->showMessage(z.konec);
        }
    }
    return izid;
}
