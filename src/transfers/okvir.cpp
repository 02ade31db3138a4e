#include "transfers/okvir.h"

#include "dbf/apollo.h"
#include "run/dbfops.h"
#include "general/general.h"
#include "general/manifest.h"
#include "general/uporabapaketa.h"
#include "log/history.h"
#include "log/messages.h"
#include "log/runlog.h"
#include "log/timing.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"

#include <QFileInfo>

namespace {

// An early end of the run; prikazano: the message was shown where it arose.
class EUstavitev : public EMoxError {
public:
    EUstavitev(const QString &sporocilo, bool prikazano) : EMoxError(sporocilo), m_prikazano(prikazano) {}
    bool prikazano() const { return m_prikazano; }

private:
    bool m_prikazano;
};

const QString kPrekinjeno = QStringLiteral("Osveževanje je bilo prekinjeno pred koncem datoteke");

// A message of the database as one line of the result file.
QString enaVrstica(QString s)
{
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    s.replace(u'\n', u' ');
    s.replace(u'\r', u' ');
    return s.trimmed();
}

// The key of a result line for the report: the line without its leading
// "NOVO: ", "POPR : ", "NAPAKA(900): " and the like.
QString kljucVrstice(const QString &vrstica)
{
    for (const char *p : {"NOVO", "POPR", "NAPAKA"}) {
        const qsizetype dvopicje = vrstica.indexOf(u':');
        if (vrstica.startsWith(QLatin1String(p)) && dvopicje > 0)
            return vrstica.mid(dvopicje + 1).trimmed();
    }
    return vrstica.trimmed();
}

} // namespace

TOkvirOsvezevanja::TOkvirOsvezevanja(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                                     const TNapredekDruzine *napredek, TOpisOkvira opis)
    : m_ctx(ctx), m_zahteva(zahteva), m_napredek(napredek), m_opis(std::move(opis))
{
    m_pot = moxpath::withTrailingSeparator(m_zahteva.pot.isEmpty() ? m_ctx.currSaveDir : m_zahteva.pot);
    m_predpona = m_opis.predpona;
    for (const QString &t : m_opis.tabele) {
        TStevciPrehoda s;
        s.oznaka = t;
        m_izid.prehodi.append(s);
    }
}

TOkvirOsvezevanja::~TOkvirOsvezevanja()
{
    for (TApolloDataSet *t : m_odprte) {
        try {
            t->Close();
        } catch (const EMoxError &) {
            // The family's files were only read.
        }
    }
}

TIzidDruzine TOkvirOsvezevanja::izvedi(const std::function<void(TOkvirOsvezevanja &)> &telo)
{
    try {
        zacni();
        telo(*this);
    } catch (const std::exception &e) {
        const auto *moja = dynamic_cast<const EMoxError *>(&e);
        const auto *ustavitev = dynamic_cast<const EUstavitev *>(&e);
        ustaviZgodaj(moja ? moja->message() : QString::fromLocal8Bit(e.what()), ustavitev && ustavitev->prikazano());
    }
    zakljuci();
    return m_izid;
}

void TOkvirOsvezevanja::zacni()
{
    m_izid.status = QStringLiteral("N");
    uraStart(m_ctx);
    m_ctx.pKonec = false;
    m_naprej = true;
    m_spremembe = false;
    m_samo = m_zahteva.samoPreverjanje;
    for (int i = 0; i < m_izid.prehodi.size(); ++i)
        prikazi(i);
    if (m_napredek && m_napredek->tece)
        m_napredek->tece(true);

    // A folder that is not there is a mistyped path: said, and nothing made.
    if (!QFileInfo(m_pot).isDir())
        throw EMoxError(QStringLiteral("Direktorij ") + m_pot + QStringLiteral(" ne obstaja"));
    pripraviRezultatiDir(m_pot);
    if (m_ctx.ui)
        m_ctx.ui->processEvents();
    m_izid.rezultatnaDatoteka = rezultatiDir(m_pot) + m_opis.rezultat;
    m_rez.odpri(m_izid.rezultatnaDatoteka, m_opis.dopisi);
    vrstica(m_opis.naslov);
}

void TOkvirOsvezevanja::preveriDatoteke(const QStringList &imena)
{
    for (const QString &ime : imena) {
        TApolloDataSet poskus;
        poskus.TableName = moxpath::join(m_pot, ime);
        if (QFileInfo::exists(poskus.resolvedPath()))
            continue;
        const QString sporocilo = QStringLiteral("Datoteka ") + m_pot + ime + QStringLiteral(" ne obstaja");
        if (m_ctx.ui)
            m_ctx.ui->showMessage(sporocilo);
        throw EUstavitev(sporocilo, true);
    }
    // The files are as the family's preparation wrote them, and the package
    // is not older than one applied here (or the operator wants it anyway).
    QStringList osnove;
    for (const QString &ime : imena)
        osnove << QFileInfo(ime).completeBaseName();
    try {
        m_izvozeno =
            preveriPaketPredOsvezevanjem(m_ctx, m_pot, m_opis.vrsta, m_opis.vrsta, datotekeDela(m_pot, osnove));
    } catch (const EPaketZavrnjen &e) {
        throw EUstavitev(e.message(), e.prikazano());
    }
}

void TOkvirOsvezevanja::odpriDBF(TApolloDataSet &tabela, const QString &ime, const QString &indeks)
{
    TConsoleInteraction konzola;
    TInteraction &ui = m_ctx.ui ? *m_ctx.ui : static_cast<TInteraction &>(konzola);
    if (!m_odprte.contains(&tabela))
        m_odprte.append(&tabela);
    if (!::odpriDBF(tabela, m_pot, ime, indeks, ui))
        throw EUstavitev(QStringLiteral("NE MOREM ODPRETI tabele: ") + ime, true);
}

QString TOkvirOsvezevanja::stavek(const QStringList &vrstice) const
{
    return zamenjave(vrstice.join(moxtext::crlf), QStringLiteral("SQL"), m_ctx);
}

bool TOkvirOsvezevanja::prehod(int prehod, TApolloDataSet &tabela, const std::function<void()> &naZapis)
{
    m_tekoci = prehod;
    stevci(prehod).vDatoteki = tabela.RecordCount();
    while (!tabela.Eof() && naprej()) {
        if (!tabela.Deleted()) {
            preberi(prehod);
            naZapis();
        }
        tabela.Next();
    }
    const bool doKonca = tabela.Eof();
    koncajPrehod(prehod, doKonca);
    return doKonca;
}

bool TOkvirOsvezevanja::naprej() const
{
    return m_naprej && !m_ctx.pKonec;
}

void TOkvirOsvezevanja::preberi(int prehod)
{
    m_tekoci = prehod;
    m_spremenjenPrehod = -1;
    ++stevci(prehod).prebranih;
    prikazi(prehod);
    if (m_ctx.ui)
        m_ctx.ui->processEvents();
}

void TOkvirOsvezevanja::koncajPrehod(int prehod, bool doKonca)
{
    if (doKonca || m_ustavljeno)
        return;
    m_ustavljeno = true;
    m_izid.status = QStringLiteral("D");
    if (m_naprej) {
        // "Prekini": the records not read were not applied.
        ++stevci(prehod).napak;
        prikazi(prehod);
        m_izid.napaka = kPrekinjeno;
        m_porocilo.napaka(prehod, QString(), kPrekinjeno);
        vrstica(QStringLiteral("NAPAKA: ") + kPrekinjeno);
    } else if (m_izid.napaka.isEmpty()) {
        m_izid.napaka = kPrekinjeno;
    }
}

void TOkvirOsvezevanja::novo(int prehod, const QString &besedilo)
{
    ++stevci(prehod).novih;
    prikazi(prehod);
    m_porocilo.novo(prehod, kljucVrstice(besedilo));
    m_spremenjenPrehod = prehod;
    vrstica(besedilo);
    m_spremembe = true;
}

void TOkvirOsvezevanja::popravek(int prehod, const QStringList &vrstice)
{
    ++stevci(prehod).popravkov;
    prikazi(prehod);
    m_porocilo.razlicno(prehod, kljucVrstice(vrstice.value(0)), vrstice.mid(1));
    m_spremenjenPrehod = prehod;
    for (const QString &v : vrstice)
        vrstica(v);
    m_spremembe = true;
}

void TOkvirOsvezevanja::vrstica(const QString &besedilo)
{
    // Each line reaches the file at once: a run that is killed keeps every
    // line it wrote.
    m_rez.pisi(besedilo);
}

void TOkvirOsvezevanja::napaka(int prehod, const QString &vrsticaNapake, const QString &sporocilo,
                               TMsgDlgType vrstaDialoga)
{
    ++stevci(prehod).napak;
    prikazi(prehod);
    m_izid.status = QStringLiteral("D");
    m_porocilo.napaka(prehod, vrsticaNapake.isEmpty() ? QString() : kljucVrstice(vrsticaNapake), enaVrstica(sporocilo));
    neuporabljen(prehod);
    vrstica(vrsticaNapake.isEmpty() ? QStringLiteral("NAPAKA: ") + enaVrstica(sporocilo) : vrsticaNapake);
    if (!vrsticaNapake.isEmpty() && !sporocilo.isEmpty())
        vrstica(QStringLiteral("        ") + enaVrstica(sporocilo));
    // An unattended run asks nobody: a dialog would hold it until someone
    // answers. It goes on as after the answer Da.
    if (m_opis.dialogi && !m_zahteva.brezSporocil && !m_ctx.pAutomatika && m_ctx.ui) {
        if (m_ctx.ui->pokaziSporocilo(m_predpona + sporocilo, vrstaDialoga, mbYes | mbNo) == mrNo)
            m_naprej = false;
    }
}

TStevciPrehoda &TOkvirOsvezevanja::stevci(int prehod)
{
    while (m_izid.prehodi.size() <= prehod)
        m_izid.prehodi.append(TStevciPrehoda());
    return m_izid.prehodi[prehod];
}

void TOkvirOsvezevanja::prikazi(int prehod)
{
    if (m_napredek && m_napredek->prikazi)
        m_napredek->prikazi(prehod, stevci(prehod));
}

void TOkvirOsvezevanja::neuspeh(const QString &napaka)
{
    m_izid.status = QStringLiteral("D");
    if (m_izid.napaka.isEmpty())
        m_izid.napaka = napaka;
}

void TOkvirOsvezevanja::ustaviZgodaj(const QString &sporocilo, bool prikazano)
{
    m_ustavljeno = true;
    m_izid.status = QStringLiteral("D");
    m_izid.napaka = sporocilo;
    // The error that ended the run counts among the errors of the pass it
    // stopped (the first one when it came before the passes).
    ++stevci(m_tekoci).napak;
    prikazi(m_tekoci);
    m_porocilo.napaka(m_tekoci, QString(), sporocilo);
    neuporabljen(m_tekoci);
    try {
        vrstica(QStringLiteral("NAPAKA: ") + enaVrstica(sporocilo));
    } catch (const EMoxError &) {
        // The message below still reaches the operator and the run log.
    }
    if (!prikazano && m_ctx.ui)
        m_ctx.ui->showMessage(sporocilo);
}

// A record listed as new or different that then failed was not applied.
void TOkvirOsvezevanja::neuporabljen(int prehod)
{
    if (m_spremenjenPrehod != prehod)
        return;
    m_spremenjenPrehod = -1;
    while (m_neuporabljenih.size() <= prehod)
        m_neuporabljenih.append(0);
    ++m_neuporabljenih[prehod];
}

// The report beside the result file, written before the history row so that
// a report that cannot be written makes the run a failed one there too; it
// changes nothing else of the run.
void TOkvirOsvezevanja::zapisiPorocilo()
{
    if (!m_rez.odprta())
        return; // the run ended before its result file was written
    m_porocilo.nastavi(m_opis.naslov.isEmpty() ? m_opis.rezultat : m_opis.naslov, m_samo);
    for (int i = 0; i < m_izid.prehodi.size(); ++i) {
        const TStevciPrehoda &s = m_izid.prehodi[i];
        const QString oznaka = s.oznaka.isEmpty() && i < m_opis.tabele.size() ? m_opis.tabele[i] : s.oznaka;
        // Applied: what was listed as new or different and did not fail.
        const qint64 uporabljenih = m_samo ? 0 : qMax<qint64>(0, s.novih + s.popravkov - m_neuporabljenih.value(i));
        m_porocilo.tabela(i, oznaka, {s.prebranih, s.novih, s.popravkov, uporabljenih, s.napak});
    }
    try {
        m_porocilo.zapisi(m_izid.rezultatnaDatoteka);
    } catch (const EMoxError &e) {
        neuspeh(e.message());
        if (m_ctx.ui)
            m_ctx.ui->showMessage(e.message());
    }
}

QStringList TOkvirOsvezevanja::logVrstice() const
{
    QStringList v;
    for (int i = 0; i < m_izid.prehodi.size(); ++i) {
        const TStevciPrehoda &s = m_izid.prehodi[i];
        const QString oznaka = s.oznaka.isEmpty() && i < m_opis.tabele.size() ? m_opis.tabele[i] : s.oznaka;
        if (m_opis.zPopravki) {
            v << logVrstica(m_ctx.currUser, oznaka, stevecBesedilo(s.novih), stevecBesedilo(s.popravkov),
                            stevecBesedilo(s.napak), i > 0);
        } else {
            const QString zacetek = i > 0 ? QString(21, u' ')
                                          : datumBesedilo(QDate::currentDate()) + QStringLiteral("  REFRESH:") + u' ';
            v << zacetek + m_ctx.currUser + QStringLiteral("  ") + moxtext::upperAZ(oznaka) + QStringLiteral("  INS:") +
                     stevecBesedilo(s.novih) + QStringLiteral("  ERR:") + stevecBesedilo(s.napak);
        }
    }
    return v;
}

void TOkvirOsvezevanja::zakljuci()
{
    for (int i = 0; i < m_izid.prehodi.size(); ++i)
        prikazi(i);

    bool napake = false;
    for (const TStevciPrehoda &s : m_izid.prehodi)
        napake = napake || s.napak > 0;
    if (napake) {
        m_izid.status = QStringLiteral("D");
        if (!m_opis.obvestiloNapake.isEmpty()) {
            // Unattended, the notice goes to the result file instead of a box
            // that would wait for someone to close it.
            if (m_ctx.pAutomatika && m_opis.obvestiloVedno) {
                try {
                    vrstica(m_opis.obvestiloNapake);
                } catch (const EMoxError &) {
                }
            } else {
                infoMessage(m_ctx, m_ctx.ui, m_opis.obvestiloNapake);
            }
        }
    }

    // "N" marks a refresh that applied its files without errors, the time
    // replication exports from; a check-only run applied nothing and is
    // recorded as "P" so that it never moves that time.
    zapisiPorocilo();
    const bool neuspesno = m_izid.status == QStringLiteral("D");
    const QString zgodovina = neuspesno ? QStringLiteral("D") : m_samo ? QStringLiteral("P") : QStringLiteral("N");
    try {
        shranivORNAMOX(m_ctx, m_opis.vrsta, zgodovina);
        if (zgodovina == QStringLiteral("N"))
            zapisiUporabljeniPaket(m_ctx, m_opis.vrsta, m_izvozeno);
    } catch (const EMoxError &e) {
        neuspeh(e.message());
        try {
            vrstica(QStringLiteral("NAPAKA: ") + enaVrstica(e.message()));
        } catch (const EMoxError &) {
        }
        if (m_ctx.ui)
            m_ctx.ui->showMessage(e.message());
    }
    m_ctx.meDyn.clear();
    m_ctx.meDyn << logVrstice();
    try {
        DajVLog(m_ctx);
    } catch (const EMoxError &e) {
        // A run whose log line is missing is not a successful one.
        neuspeh(e.message());
        if (m_ctx.ui)
            m_ctx.ui->showMessage(e.message());
    }
    m_rez.zapri();
    if (m_izid.status == QStringLiteral("D"))
        ++m_ctx.pNapakePrenosov;

    for (TApolloDataSet *t : m_odprte) {
        try {
            t->Close();
        } catch (const EMoxError &) {
        }
    }
    m_odprte.clear();

    if (!m_ctx.pAutomatika) {
        if (m_spremembe) {
            const QString zakljucek = m_samo ? m_opis.zakljucekPreverjanja : m_opis.zakljucekOsvezevanja;
            if (m_napredek && m_napredek->prikaziRezultat)
                m_napredek->prikaziRezultat(zakljucek, m_izid.rezultatnaDatoteka);
        } else if (!m_opis.konecSporocilo.isEmpty() && m_ctx.ui) {
            m_ctx.ui->showMessage(m_opis.konecSporocilo);
        }
    }
    if (m_napredek && m_napredek->tece)
        m_napredek->tece(false);
}
