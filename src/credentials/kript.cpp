#include "credentials/kript.h"

#include "base/moxerror.h"
#include "platform/profile.h"
#include "base/text.h"

#include <array>

namespace {

constexpr int kLen = 15;

// Fixed mask and offsets. Changing either makes every stored password
// unreadable.
const QString kMaska = QStringLiteral("(K)P*T+B-W.J:H;");
constexpr std::array<int, kLen> kOdmiki = {3, -5, 7, -2, 6, -4, 1, -7, 5, -3, 2, -6, 4, -1, 8};

QString sekcija(const QString &instanca) { return QStringLiteral("BAZA_") + instanca; }

} // namespace

QString TKript::pretvori(const QString &instanca, const QString &kljuc, const QString &niz, const QString &nacin)
{
    if (instanca.isEmpty())
        throw EMoxError(QStringLiteral("Ime baze (alias) je prazno: shranjenega gesla ni mogoče obdelati."));
    if (kljuc.isEmpty())
        throw EMoxError(QStringLiteral("Ime uporabnika je prazno: shranjenega gesla ni mogoče obdelati."));

    // Key material: the key text from its last character backwards, each
    // character followed by one of the alias.
    QString k;
    k.reserve(2 * kljuc.size());
    for (qsizetype i = kljuc.size(); i >= 1; --i) {
        k += kljuc.at(i - 1);
        k += instanca.at(i % instanca.size());
    }

    const bool kriptiraj = nacin == QStringLiteral("C");
    QString vhod = niz;
    if (kriptiraj && !vhod.isEmpty())
        vhod = moxtext::upperAZ((vhod + QString(kLen, u' ')).left(kLen));

    // Key stream: the key material repeated, upper-cased, 15 characters. A key
    // of two or more characters gives material of at least four, so five
    // copies always fill it; shorter keys are repeated as often as needed.
    QString tok(kLen, Qt::Uninitialized);
    for (int j = 0; j < kLen; ++j)
        tok[j] = k.at(j % k.size());
    tok = moxtext::upperAZ(tok);

    QString rezultat(vhod.size(), Qt::Uninitialized);
    for (qsizetype i = 1; i <= vhod.size(); ++i) {
        const int t = kOdmiki[i % kLen];
        const int p = int((i - 1) % kLen);
        const unsigned x = tok.at(p).unicode() ^ kMaska.at(p).unicode();
        const unsigned c = vhod.at(i - 1).unicode();
        const unsigned r = kriptiraj ? ((c + unsigned(t)) & 0xFFFFu) ^ x : ((c ^ x) - unsigned(t)) & 0xFFFFu;
        rezultat[i - 1] = QChar(char16_t(r));
    }
    if (!kriptiraj) {
        qsizetype n = rezultat.size();
        while (n > 0 && rezultat.at(n - 1).unicode() <= 32)
            --n;
        rezultat.truncate(n);
    }
    return rezultat;
}

QString TKript::kriptiraj(const QString &instanca, const QString &kljuc, const QString &niz)
{
    return pretvori(instanca, kljuc, niz, QStringLiteral("C"));
}

QString TKript::deKriptiraj(const QString &instanca, const QString &kljuc, const QString &niz)
{
    return pretvori(instanca, kljuc, niz, QStringLiteral("D"));
}

QString TKript::vzemiGeslo(const QString &instanca, const QString &upor)
{
    const QString shranjeno = profileString(sekcija(instanca), upor, QString());
    if (shranjeno.isEmpty())
        return QString();
    return deKriptiraj(instanca, upor, shranjeno);
}

void TKript::shraniGeslo(const QString &instanca, const QString &upor, const QString &uporTren, const QString &geslo)
{
    if (geslo == QStringLiteral("*"))
        return; // keep what is stored
    QString kljuc = upor;
    if (kljuc.isEmpty())
        kljuc = uporTren;
    if (kljuc.isEmpty())
        kljuc = QStringLiteral("*****");
    // Scrambled with the name it is stored under, so that reading that key
    // gives the password back (the user name is empty only when a fallback
    // name is used).
    const QString vrednost = geslo.isEmpty() ? QString() : kriptiraj(instanca, moxtext::upperAZ(kljuc), geslo);
    writeProfileString(sekcija(moxtext::upperAZ(instanca)), kljuc, vrednost);
}
