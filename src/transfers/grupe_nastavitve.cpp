#include "transfers/grupe_nastavitve.h"

#include "base/paths.h"
#include "base/text.h"

#include <QFileInfo>

using moxtext::trimBlanks;

const tipGrupaStr &TNastavitveGrup::vnosZa(const QString &grupa) const
{
    const int zadnji = qBound(0, stevilo, int(vnosi.size()) - 1);
    for (int i = 0; i < zadnji; ++i)
        if (vnosi[i].grupa == grupa)
            return vnosi[i];
    return vnosi[zadnji];
}

QString TNastavitveGrup::seznamBesedilo() const
{
    QString s;
    for (const QString &g : seznamGrup)
        s += g + u',';
    return s;
}

TNastavitveGrup preberiNastavitveGrup(const QStringList &vrstice)
{
    TNastavitveGrup n;
    n.vnosi.resize(1);
    int stevec = 0;
    bool glava = true;
    bool poPoljih = false;
    for (const QString &surova : vrstice) {
        const QString vrstica = trimBlanks(surova);
        if (vrstica == QStringLiteral("###")) {
            ++stevec;
            n.vnosi.resize(stevec + 1);
            glava = true;
            poPoljih = false;
            continue;
        }
        tipGrupaStr &vnos = n.vnosi[stevec];
        if (glava) {
            // An empty line right after "###" is the header too: the entry
            // gets an empty group code.
            vnos.storitve = vrstica.contains(QStringLiteral("STORITVE"));
            const qsizetype presledek = vrstica.indexOf(u' ');
            vnos.grupa = presledek < 0 ? vrstica : vrstica.left(presledek);
            n.seznamGrup << vnos.grupa;
            glava = false;
            continue;
        }
        if (vrstica == QStringLiteral("POLJA")) {
            poPoljih = true;
            continue;
        }
        if (!poPoljih && !vrstica.isEmpty())
            vnos.aktivnosti << vrstica;
    }
    n.stevilo = stevec;
    if (n.vnosi[stevec].grupa.isEmpty() && stevec > 0)
        --n.stevilo;
    return n;
}

QString datotekaNastavitevGrup(const QString &mapa)
{
    return moxpath::join(mapa, QStringLiteral("xg_grupe.str"));
}

QStringList naloziNastavitveGrup(const QString &mapa)
{
    const QString pot = datotekaNastavitevGrup(mapa);
    if (!QFileInfo(pot).isFile())
        return {};
    return moxtext::readTextLines(pot);
}

bool vseAktivnosti(const tipGrupaStr &vnos)
{
    return vnos.aktivnosti.isEmpty() || (vnos.aktivnosti.size() == 1 && vnos.aktivnosti.front() == QStringLiteral("*"));
}

bool aktivnostIzbrana(const tipGrupaStr &vnos, const QString &koda)
{
    return vseAktivnosti(vnos) || vnos.aktivnosti.contains(koda);
}

QString datumBrezUre(const QString &besedilo)
{
    if (besedilo.size() < 11 || besedilo.mid(11, 8) == QStringLiteral("00:00:00"))
        return besedilo.left(10);
    return besedilo.left(19);
}

QString dopolniPresledke(const QString &besedilo, int sirina)
{
    if (besedilo.size() >= sirina)
        return besedilo;
    return besedilo + QString(sirina - besedilo.size(), u' ');
}
