#include "general/tabledesc.h"

#include "base/moxerror.h"
#include "base/text.h"

using moxtext::upperAZ;

QString TTableDescription::tabelaBrezLastnika() const
{
    const qsizetype p = tabela.indexOf(u'.');
    return p < 0 ? tabela : tabela.mid(p + 1, 100);
}

const tipKolone *TTableDescription::kolona(const QString &ime) const
{
    const QString u = upperAZ(ime.trimmed());
    for (const tipKolone &k : aKolone)
        if (upperAZ(k.imePolja) == u)
            return &k;
    return nullptr;
}

QString TTableDescription::kljucImena(const QString &sep) const
{
    QStringList imena;
    for (const tipKljuc &k : aKljuc)
        imena << k.imePolja;
    return imena.join(sep);
}

void razcleniTabelo(const QString &tabela, const QString &currUser, QString &lastnik, QString &tabelaIme)
{
    const qsizetype p = tabela.indexOf(u'.');
    if (p >= 0) {
        lastnik = tabela.left(p).trimmed();
        tabelaIme = tabela.mid(p + 1, 30).trimmed();
    } else {
        lastnik = currUser.trimmed();
        tabelaIme = tabela.trimmed();
    }
}

bool jeImeOracle(const QString &ime)
{
    constexpr qsizetype kNajdaljse = 128;
    if (ime.size() >= 2 && ime.front() == u'"' && ime.back() == u'"') {
        const QString znotraj = ime.mid(1, ime.size() - 2);
        if (znotraj.isEmpty() || znotraj.size() > kNajdaljse)
            return false;
        for (QChar c : znotraj)
            if (c == u'"' || c == u'.' || !c.isPrint())
                return false;
        return true;
    }
    if (ime.isEmpty() || ime.size() > kNajdaljse || !ime.front().isLetter())
        return false;
    for (QChar c : ime) {
        const char16_t u = c.unicode();
        const bool dovoljen = c.isLetter() || (u >= u'0' && u <= u'9') || u == u'_' || u == u'$' || u == u'#';
        if (!dovoljen)
            return false;
    }
    return true;
}

bool jeImeTabeleOracle(const QString &ime)
{
    const qsizetype p = ime.indexOf(u'.');
    if (p < 0)
        return jeImeOracle(ime);
    return jeImeOracle(ime.left(p)) && jeImeOracle(ime.mid(p + 1));
}

TVrstaStrukture vrstaStrukture(const QString &datoteka)
{
    return upperAZ(datoteka.trimmed()).endsWith(QStringLiteral(".MST")) ? TVrstaStrukture::masterDetail
                                                                          : TVrstaStrukture::splosna;
}

namespace {

const QString kStruktura = QStringLiteral("Strukturna datoteka");

[[noreturn]] void napaka(const QString &besedilo) { throw EMoxError(kStruktura + QStringLiteral(" ") + besedilo); }

[[noreturn]] void napakaVrstice(int vrstica, const QString &besedilo)
{
    throw EMoxError(kStruktura + QStringLiteral(", vrstica %1: ").arg(vrstica) + besedilo);
}

// Text before the first blank and the text after it (without a blank: the
// whole text and nothing).
void doPresledka(const QString &s, QString &pred, QString &za)
{
    const qsizetype p = s.indexOf(u' ');
    if (p < 0) {
        pred = s.trimmed();
        za.clear();
    } else {
        pred = s.left(p).trimmed();
        za = s.mid(p + 1).trimmed();
    }
}

int celoStevilo(const QString &besedilo, const QString &kaj, int vrstica, bool praznoJeNic, int od, int do_)
{
    const QString t = besedilo.trimmed();
    if (t.isEmpty() && praznoJeNic)
        return 0;
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok)
        napakaVrstice(vrstica, QStringLiteral("%1 \"%2\" ni celo število").arg(kaj, besedilo));
    if (v < od || v > do_)
        napakaVrstice(vrstica, QStringLiteral("%1 %2 ni v mejah %3..%4").arg(kaj).arg(v).arg(od).arg(do_));
    return v;
}

// A name that goes into statements must be an Oracle name.
void zahtevajIme(const QString &ime, const QString &kaj, int vrstica, bool tabela = false)
{
    if (!(tabela ? jeImeTabeleOracle(ime) : jeImeOracle(ime)))
        napakaVrstice(vrstica, QStringLiteral("%1 \"%2\" ni dovoljeno ime v bazi Oracle").arg(kaj, ime));
}

} // namespace

namespace {

int razcleni(const QStringList &vrstice, const TStrukturaOkolje &okolje, TTableDescription &opis)
{
    const TObstajaKolona &obstaja = okolje.obstaja;
    const TSporocilo &sporoci = okolje.sporoci;

    auto preseg = [&](const QString &besedilo) {
        opis.presezeno << besedilo;
        if (sporoci)
            sporoci(besedilo);
    };

    qsizetype struktura = -1;
    for (qsizetype i = 0; i < vrstice.size() && struktura < 0; ++i)
        if (vrstice.at(i).contains(QStringLiteral("STRUKTURA")))
            struktura = i;
    if (struktura < 0)
        napaka(QStringLiteral("nima vrstice STRUKTURA"));

    // Names checked against the table, in the order of the file. The checks
    // run once the whole file is known to be sound.
    QStringList preveriti;

    // Header lines, up to the first line holding STRUKTURA.
    int tabelVrstic = 0;
    for (qsizetype i = 0; i < struktura; ++i) {
        const QString &vrstica = vrstice.at(i);
        const int stVrstice = int(i + 1);
        const qsizetype enacaj = vrstica.indexOf(u'=');
        const QString kljucnaBeseda = enacaj < 0 ? QString() : vrstica.left(enacaj).trimmed();
        QString vrednost = enacaj < 0 ? QString() : vrstica.mid(enacaj + 1);
        // The blank in front lets a schema prefix at the start be substituted.
        vrednost = u' ' + vrednost;
        if (okolje.zamenjave)
            vrednost = okolje.zamenjave(vrednost);
        vrednost = vrednost.trimmed();

        if (kljucnaBeseda == QStringLiteral("TABELA")) {
            // One file, one table: a second TABELA line would leave it open
            // which table the rows go to.
            if (++tabelVrstic > 1)
                napakaVrstice(stVrstice, QStringLiteral("druga vrstica TABELA"));
            if (vrednost.isEmpty())
                napakaVrstice(stVrstice, QStringLiteral("vrstica TABELA ne imenuje tabele"));
            zahtevajIme(vrednost, QStringLiteral("tabela"), stVrstice, true);
            opis.tabela = vrednost;
        } else if (kljucnaBeseda == QStringLiteral("KLJUC")) {
            const QStringList vnosi = vrednost.split(u',');
            for (const QString &v : vnosi) {
                const QString vnos = v.trimmed();
                if (vnos.isEmpty())
                    continue; // "A X,B Y," and "A X,,B Y" give the same two keys
                tipKljuc k;
                QString tip;
                doPresledka(vnos, k.imePolja, tip);
                k.tipPolja = upperAZ(tip.trimmed());
                zahtevajIme(k.imePolja, QStringLiteral("ključ"), stVrstice);
                if (opis.aKljuc.size() >= kMaxKljuc) {
                    preseg(QStringLiteral("PREVEČ KLJUČNIH POLJ (>%1): %2 ni upoštevano!")
                               .arg(kMaxKljuc)
                               .arg(k.imePolja));
                    continue;
                }
                opis.aKljuc << k;
                preveriti << k.imePolja;
            }
        } else if (kljucnaBeseda == QStringLiteral("AUTO")) {
            QString stavek;
            doPresledka(vrednost, opis.poljeAuto, stavek);
            if (!opis.poljeAuto.isEmpty()) {
                zahtevajIme(opis.poljeAuto, QStringLiteral("avtomatsko številčeno polje"), stVrstice);
                preveriti << opis.poljeAuto;
            }
            opis.sekAuto = upperAZ(stavek.trimmed());
        } else {
            // Any other line leaves the table without auto-numbering.
            opis.poljeAuto.clear();
            opis.sekAuto.clear();
        }
    }
    if (opis.tabela.isEmpty())
        napaka(QStringLiteral("nima vrstice TABELA"));
    if (okolje.vrsta == TVrstaStrukture::splosna && opis.aKljuc.isEmpty())
        napaka(QStringLiteral("nima ključa (vrstica KLJUC): osveževanje ne bi našlo obstoječih vrstic"));

    // Column lines, up to the first one without a name.
    int pozicija = 1;
    int vrsticStolpcev = 0;
    for (qsizetype i = struktura + 1; i < vrstice.size(); ++i) {
        const int stVrstice = int(i + 1);
        QStringList polja = vrstice.at(i).split(u',');
        for (QString &p : polja)
            p = p.trimmed();
        while (polja.size() < 8)
            polja << QString();
        if (polja.at(0).isEmpty())
            break;
        ++vrsticStolpcev;
        tipKolone k;
        k.imePolja = polja.at(0);
        zahtevajIme(k.imePolja, QStringLiteral("stolpec"), stVrstice);
        k.update = polja.at(1) == QStringLiteral("U");
        k.tipPolja = upperAZ(polja.at(2));
        k.dolzina = celoStevilo(polja.at(3), QStringLiteral("dolžina"), stVrstice, false, 0, kNajvecjaDolzina);
        k.decMest = celoStevilo(polja.at(4), QStringLiteral("decimalke"), stVrstice, true, kNajmanjDecimalk,
                                kNajvecDecimalk);
        k.mKolona = polja.at(6);
        k.mTabela = polja.at(7);
        if (k.mKolona.isEmpty() != k.mTabela.isEmpty())
            napakaVrstice(stVrstice, QStringLiteral("referenca potrebuje stolpec šifre in tabelo"));
        if (!k.mKolona.isEmpty()) {
            zahtevajIme(k.mKolona, QStringLiteral("stolpec reference"), stVrstice);
            zahtevajIme(k.mTabela, QStringLiteral("tabela reference"), stVrstice, true);
        }
        if (opis.aKolone.size() >= kMaxKolone) {
            preseg(QStringLiteral("PREVEČ POLJ V STRUKTURI (>%1): %2 ni upoštevano!").arg(kMaxKolone).arg(k.imePolja));
            continue;
        }
        k.pozOd = pozicija;
        pozicija += k.dolzina;
        opis.aKolone << k;
        preveriti << k.imePolja;
    }
    if (vrsticStolpcev == 0)
        napaka(QStringLiteral("nima nobenega stolpca za vrstico STRUKTURA"));

    bool vseObstaja = true;
    if (obstaja) {
        QString lastnik, tabelaIme;
        razcleniTabelo(opis.tabela, okolje.currUser, lastnik, tabelaIme);
        for (const QString &kolona : preveriti) {
            if (obstaja(lastnik, tabelaIme, kolona))
                continue;
            vseObstaja = false;
            if (sporoci)
                sporoci(lastnik + u'.' + tabelaIme + QStringLiteral("  polje: ") + kolona +
                        QStringLiteral("  NE OBSTAJA!"));
        }
    }

    if (!vseObstaja || !opis.presezeno.isEmpty())
        return -1;
    return int(opis.aKolone.size());
}

} // namespace

int razcleniStrukturo(const QStringList &vrstice, const TStrukturaOkolje &okolje, TTableDescription &opis)
{
    opis.clear();
    try {
        return razcleni(vrstice, okolje, opis);
    } catch (...) {
        // A refused file leaves no half-read description behind.
        opis.clear();
        throw;
    }
}
