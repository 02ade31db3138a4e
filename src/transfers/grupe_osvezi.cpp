// Refresh of groups and activities: the ten table passes in their order, the
// removal of links no longer sent, the run history, the summary file
// napGrupe.txt and the run log.
#include "transfers/grupe.h"

#include "general/manifest.h"
#include "general/uporabapaketa.h"
#include "log/history.h"
#include "log/messages.h"
#include "log/runlog.h"
#include "log/timing.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/grupe_brisi.h"
#include "transfers/grupe_datoteke.h"
#include "transfers/grupe_nastavitve.h"
#include "transfers/grupe_prehod.h"
#include "transfers/grupe_tabele.h"

#include <QDate>
#include <QFile>

namespace {

using D = TDatotekeGrup;

// The file of each pass, in the order of kPrehodiGrup.
constexpr D::Datoteka kDatotekaPrehoda[] = {D::k61grp, D::k60ak0, D::o61grp, D::o61spg, D::k55hc0,
                                            D::o65hc0, D::o55shc, D::k62nhc, D::k55lab, D::k62nhh};

// Writes the message list (each item followed by CR LF) in Windows-1250.
bool zapisiSeznam(const QString &pot, const QStringList &vrstice)
{
    QFile f(pot);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray b;
    for (const QString &v : vrstice)
        b += moxtext::toCp1250(v) + "\r\n";
    return f.write(b) == b.size() && f.flush();
}

} // namespace

TIzidDruzine osveziGrupe(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    const QString mapa = zahteva.pot.isEmpty() ? ctx.currSaveDir : zahteva.pot;
    TTekOsvezevanja tek(ctx, zahteva, napredek, kPrehodiGrup);
    TIzidDruzine izid;
    uraStart(ctx);
    if (napredek && napredek->tece)
        napredek->tece(true);
    for (int i = 0; i < tek.stevci.size(); ++i)
        tek.prikazi(i);

    QStringList odstranjene;
    int prehod = 0;
    QDateTime izvozeno;
    try {
        // Before any file is read (or a missing one put there from the
        // templates).
        izvozeno = preveriPaketPredOsvezevanjem(ctx, mapa, QStringLiteral("GRUPE"), QStringLiteral("GRUPE"),
                                                datotekeDela(mapa, TDatotekeGrup::osnove()));
        TDatotekeGrup dat;
        dat.odpri(ctx, mapa, false);
        const QList<TOpisPrehoda> &prehodi = prehodiGrup();
        for (; prehod < prehodi.size() && tek.nadaljuj; ++prehod) {
            // The session may have gone while the groups were applied; the
            // next database access ends the run with its error.
            if (prehod == 1 && !ctx.osOracle.Connected() && tek.lahkoVprasa())
                ctx.ui->showMessage(QStringLiteral("NOT CONNECTED"));
            osveziPrehod(tek, prehod, prehodi[prehod], dat[kDatotekaPrehoda[prehod]]);
        }
        prehod = 0;
        const TPrehodiPovezav povezave{2, 3, 5};
        odstranjene = brisiOdvecnePovezave(tek, dat, mapa, naloziNastavitveGrup(mapa), povezave);
        dat.zapri();
    } catch (const std::exception &e) {
        // A missing file, a statement the database refuses to prepare, a
        // failing lookup query: the run ends here, a failed one.
        izid.napaka = dynamic_cast<const EMoxError *>(&e) ? static_cast<const EMoxError &>(e).message()
                                                          : QString::fromLocal8Bit(e.what());
        tek.napaka(qMin(prehod, int(tek.stevci.size()) - 1), {QStringLiteral("NAPAKA: ") + izid.napaka});
        if (tek.lahkoVprasa() && !zavrnitevPrikazana(e))
            ctx.ui->showMessage(QStringLiteral("NAPAKA pri osveževanju grup:") + moxtext::crlf + moxtext::crlf +
                                izid.napaka);
    }
    if (!tek.nadaljuj) {
        tek.neuspeh = true;
        tek.sporocila << QStringLiteral("Osveževanje je bilo prekinjeno: ostali zapisi niso bili obdelani.");
    }

    izid.prehodi = tek.stevci;
    izid.status = tek.neuspeh ? QStringLiteral("D") : QStringLiteral("N");
    // "N" marks a refresh that applied its files whole (replication exports
    // from its time); a check-only run without errors is "P".
    const QString zgodovina =
        zahteva.samoPreverjanje && izid.status == QStringLiteral("N") ? QStringLiteral("P") : izid.status;
    try {
        shranivORNAMOX(ctx, QStringLiteral("GRUPE"), zgodovina);
        if (zgodovina == QStringLiteral("N"))
            zapisiUporabljeniPaket(ctx, QStringLiteral("GRUPE"), izvozeno);
    } catch (const EMoxError &e) {
        izid.status = QStringLiteral("D");
        tek.sporocila << QStringLiteral("Zapisa v zgodovino osveževanj ni bilo mogoče narediti: ") + e.message();
        if (tek.lahkoVprasa())
            ctx.ui->showMessage(e.message());
    }

    const bool imaSporocila = !tek.sporocila.isEmpty() || !odstranjene.isEmpty();
    const QString povzetek = povzetekGrup(tek.stevci);
    QStringList datoteka = tek.sporocila;
    datoteka << povzetek;
    if (!odstranjene.isEmpty()) {
        datoteka << (zahteva.samoPreverjanje ? QStringLiteral("Povezave, ki bi bile odstranjene:")
                                             : QStringLiteral("Odstranjene povezave:"));
        datoteka << odstranjene;
    }
    try {
        izid.rezultatnaDatoteka = pripraviRezultatiDir(mapa) + QStringLiteral("napGrupe.txt");
    } catch (const EMoxError &) {
        izid.rezultatnaDatoteka = moxpath::join(mapa, QStringLiteral("napGrupe.txt"));
    }
    bool zapisano = zapisiSeznam(izid.rezultatnaDatoteka, datoteka);
    const QString napakaPorocila = tek.zapisiPorocilo(
        izid.rezultatnaDatoteka, QStringLiteral("Grupe"),
        tek.nadaljuj ? QString() : QStringLiteral("Osveževanje je bilo prekinjeno: ostali zapisi niso bili obdelani."));
    if (!napakaPorocila.isEmpty()) {
        izid.status = QStringLiteral("D");
        if (izid.napaka.isEmpty())
            izid.napaka = napakaPorocila;
        if (tek.lahkoVprasa())
            ctx.ui->showMessage(napakaPorocila);
    }
    if (!zapisano && tek.lahkoVprasa())
        ctx.ui->showMessage(QStringLiteral("Napaka pri pisanju v LOG datoteko"));

    ctx.meDyn.clear();
    ctx.meDyn << datumBesedilo(QDate::currentDate()) + QStringLiteral(" REFRESH GRUPE : ") + povzetek;
    if (!izid.napaka.isEmpty())
        ctx.meDyn << QString(21, u' ') + QStringLiteral("NAPAKA: ") + izid.napaka;
    DajVLog(ctx);

    if (izid.status == QStringLiteral("D"))
        ++ctx.pNapakePrenosov;
    if (napredek && napredek->tece)
        napredek->tece(false);

    if (!ctx.pAutomatika) {
        if (imaSporocila && zapisano) {
            if (napredek && napredek->prikaziRezultat)
                napredek->prikaziRezultat(QString(), izid.rezultatnaDatoteka);
        } else if (!ctx.p_autoPrepare && ctx.ui) {
            ctx.ui->showMessage(QStringLiteral("KONEC osveževanja GRUP !"));
        }
    }
    return izid;
}
