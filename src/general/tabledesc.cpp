#include "general/tabledesc.h"

#include "shell/moxerror.h"
#include "shell/text.h"

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

namespace {

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

int celoStevilo(const QString &besedilo, const QString &kaj, int vrstica, bool praznoJeNic)
{
    const QString t = besedilo.trimmed();
    if (t.isEmpty() && praznoJeNic)
        return 0;
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok)
        throw EMoxError(QStringLiteral("Strukturna datoteka, vrstica %1: %2 \"%3\" ni celo število")
                            .arg(vrstica)
                            .arg(kaj, besedilo));
    return v;
}

} // namespace

int razcleniStrukturo(const QStringList &vrstice, const TStrukturaOkolje &okolje, TTableDescription &opis)
{
    const TObstajaKolona &obstaja = okolje.obstaja;
    const TSporocilo &sporoci = okolje.sporoci;
    opis.clear();
    bool vseObstaja = true;
    QString lastnik, tabelaIme; // what the column checks refer to

    auto preveri = [&](const QString &kolona) {
        if (obstaja && !obstaja(lastnik, tabelaIme, kolona)) {
            vseObstaja = false;
            if (sporoci)
                sporoci(lastnik + u'.' + tabelaIme + QStringLiteral("  polje: ") + kolona +
                        QStringLiteral("  NE OBSTAJA!"));
        }
    };
    auto preseg = [&](const QString &besedilo) {
        opis.presezeno << besedilo;
        if (sporoci)
            sporoci(besedilo);
    };

    // Header lines, up to the first line holding STRUKTURA.
    int i = 0;
    for (; i < vrstice.size(); ++i) {
        const QString &vrstica = vrstice.at(i);
        if (vrstica.contains(QStringLiteral("STRUKTURA")))
            break;
        const qsizetype enacaj = vrstica.indexOf(u'=');
        const QString kljucnaBeseda = enacaj < 0 ? QString() : vrstica.left(enacaj).trimmed();
        QString vrednost = enacaj < 0 ? QString() : vrstica.mid(enacaj + 1);
        // The blank in front lets a schema prefix at the start be substituted.
        vrednost = u' ' + vrednost;
        if (okolje.zamenjave)
            vrednost = okolje.zamenjave(vrednost);
        vrednost = vrednost.trimmed();

        if (kljucnaBeseda == QStringLiteral("TABELA")) {
            opis.tabela = vrednost;
            razcleniTabelo(vrednost, okolje.currUser, lastnik, tabelaIme);
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
                if (opis.aKljuc.size() >= kMaxKljuc) {
                    preseg(QStringLiteral("PREVEČ KLJUČNIH POLJ (>%1): %2 ni upoštevano!")
                               .arg(kMaxKljuc)
                               .arg(k.imePolja));
                    continue;
                }
                opis.aKljuc << k;
                preveri(k.imePolja);
            }
        } else if (kljucnaBeseda == QStringLiteral("AUTO")) {
            QString stavek;
            doPresledka(vrednost, opis.poljeAuto, stavek);
            preveri(opis.poljeAuto);
            opis.sekAuto = upperAZ(stavek.trimmed());
        } else {
            // Any other line leaves the table without auto-numbering.
            opis.poljeAuto.clear();
            opis.sekAuto.clear();
        }
    }

    // Column lines, up to the first one without a name.
    int pozicija = 1;
    for (++i; i < vrstice.size(); ++i) {
        const int stVrstice = i + 1;
        QStringList polja = vrstice.at(i).split(u',');
        for (QString &p : polja)
            p = p.trimmed();
        while (polja.size() < 8)
            polja << QString();
        if (polja.at(0).isEmpty())
            break;
        tipKolone k;
        k.imePolja = polja.at(0);
        k.update = polja.at(1) == QStringLiteral("U");
        k.tipPolja = upperAZ(polja.at(2));
        k.dolzina = celoStevilo(polja.at(3), QStringLiteral("dolžina"), stVrstice, false);
        k.decMest = celoStevilo(polja.at(4), QStringLiteral("decimalke"), stVrstice, true);
        k.mKolona = polja.at(6);
        k.mTabela = polja.at(7);
        if (opis.aKolone.size() >= kMaxKolone) {
            preseg(QStringLiteral("PREVEČ POLJ V STRUKTURI (>%1): %2 ni upoštevano!").arg(kMaxKolone).arg(k.imePolja));
            continue;
        }
        k.pozOd = pozicija;
        pozicija += k.dolzina;
        opis.aKolone << k;
        preveri(k.imePolja);
    }

    if (!vseObstaja || !opis.presezeno.isEmpty())
        return -1;
    return int(opis.aKolone.size());
}

