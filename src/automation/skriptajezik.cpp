#include "automation/skriptajezik.h"

#include "run/runstate.h"
#include "base/text.h"

namespace moxskripta {

namespace {

// The next item of a list: the text before the first ",", trimmed; the list
// goes on after that ",". Without a "," the item is the whole list and the
// list ends.
QString naslednja(QString &seznam)
{
    const qsizetype p = seznam.indexOf(u',');
    if (p < 0) {
        const QString postavka = moxtext::trimBlanks(seznam);
        seznam.clear();
        return postavka;
    }
    const QString postavka = moxtext::trimBlanks(seznam.left(p));
    seznam = seznam.mid(p + 1);
    return postavka;
}

const QString kNiIzveden = QStringLiteral("; ukaz ni izveden");

// The text a line keeps after its command word, as razcleniUkaz cuts it.
qsizetype dolzinaZaUkazom(const QString &line)
{
    const qsizetype p = line.indexOf(u' ');
    if (p < 0)
        return 0;
    qsizetype e = line.size();
    while (e > p + 1 && moxtext::isBlank(line.at(e - 1)))
        --e;
    return e - (p + 1);
}

bool jeUkaz(const QString &ukaz)
{
    for (const char *b : {CONNECT, LARGERB, REFRESH, REPLIKACIJA, SQL, PREPARE})
        if (ukaz == QLatin1String(b))
            return true;
    return false;
}

// Why the command cannot run, or empty.
QString napakaUkaza(const QString &line, const TUkaz &u)
{
    if (dolzinaZaUkazom(line) > kNajdaljsiUkaz)
        return QStringLiteral("Vrstica je predolga: za ukazom %1 je več kot %2 znakov").arg(u.ukaz).arg(kNajdaljsiUkaz) +
               kNiIzveden;
    if (u.ukaz == QLatin1String(SQL)) {
        const QString &a = u.a1;
        const bool narekovaj = !a.isEmpty() && (a.front() == u'"' || a.front() == u'\'');
        if (narekovaj && (a.size() < 2 || a.back() != a.front()))
            return QStringLiteral("Stavek SQL nima zaključnega narekovaja (") + a.front() + u')' + kNiIzveden;
    } else if (u.ukaz == QLatin1String(PREPARE)) {
        for (const TPostavkaPriprave &p : postavkePriprave(u.a1))
            if (!p.napaka.isEmpty())
                return p.napaka + kNiIzveden;
    } else if (u.ukaz == QLatin1String(REFRESH)) {
        for (const QString &p : postavkeOsvezitve(u.a1)) {
            const QString n = jeDruzinaOsvezitve(p) ? QString() : napakaImena(p);
            if (!n.isEmpty())
                return n + kNiIzveden;
        }
    }
    return QString();
}

} // namespace

QString napakaImena(const QString &ime)
{
    bool pot = ime.contains(QStringLiteral(".."));
    for (const QChar c : {u'/', u'\\', u':'})
        pot = pot || ime.contains(c);
    if (!pot)
        return QString();
    return QStringLiteral("Ime tabele \"%1\" ni dovoljeno: ime ne sme vsebovati poti").arg(ime);
}

QString skupinaVrstice(const QString &line, qsizetype *podcrtaj)
{
    const qsizetype u = line.indexOf(u'_') + 1; // position from 1, 0 when missing
    if (podcrtaj)
        *podcrtaj = u;
    if (u > 1 && u < 13)
        return line.mid(1, u - 2);
    return QStringLiteral("XXX");
}

TUkazSkripte ukazVrstice(const QString &line, const QString &currInclude)
{
    TUkazSkripte r;
    if (line.startsWith(u'#')) {
        r.ukaz = QString::fromLatin1(KOMENTAR);
        return r;
    }
    if (!line.startsWith(u'/') || currInclude == QStringLiteral("ALL")) {
        static_cast<TUkaz &>(r) = razcleniUkaz(line);
    } else {
        qsizetype u = 0;
        const QString skupina = skupinaVrstice(line, &u);
        // An empty group is found in no include list.
        if (skupina.isEmpty() || !currInclude.contains(skupina)) {
            r.ukaz = QString::fromLatin1(KOMENTAR);
            return r;
        }
        static_cast<TUkaz &>(r) = razcleniUkaz(line);
        r.ukaz = r.ukaz.mid(u, 30);
    }
    if (jeUkaz(r.ukaz))
        r.napaka = napakaUkaza(line, r);
    return r;
}

QString zamenjajBazo(const QString &alias, const QString &sourceBase, const QString &destBase)
{
    if (!alias.startsWith(QStringLiteral("XXXXX")))
        return alias;
    return alias.startsWith(QStringLiteral("XXXXXS")) ? sourceBase : destBase;
}

QString stavekSQL(const QString &a1)
{
    if (a1.size() < 2)
        return QString();
    return a1.mid(1, a1.size() - 2);
}

QStringList postavkeOsvezitve(const QString &seznam)
{
    QString s = seznam;
    if (!s.endsWith(u','))
        s += u',';
    QStringList out;
    while (!s.isEmpty()) {
        const QString postavka = naslednja(s);
        if (!postavka.isEmpty())
            out << postavka;
    }
    return out;
}

QVector<TPostavkaPriprave> postavkePriprave(const QString &seznam)
{
    QString s = seznam;
    if (!s.contains(u'"') && !s.endsWith(u','))
        s += u',';
    QVector<TPostavkaPriprave> out;
    while (!s.isEmpty()) {
        QString postavka;
        if (s.contains(u'"')) {
            postavka = s;
            s.clear();
        } else {
            postavka = naslednja(s);
        }
        TPostavkaPriprave p;
        const qsizetype q1 = postavka.indexOf(u'"');
        if (q1 >= 0) {
            p.sNavednico = true;
            const qsizetype q2 = postavka.indexOf(u'"', q1 + 1);
            p.ime = moxtext::trimBlanks(postavka.left(q1));
            if (p.ime.isEmpty()) {
                p.napaka = QStringLiteral("Filter nima imena tabele: ") + postavka;
            } else if (q2 < 0) {
                // Without its closing quote the filter's end is unknown:
                // preparing the whole table instead is never right.
                p.napaka = QStringLiteral("Filter za %1 nima zaključnega narekovaja (\")").arg(p.ime);
            } else {
                p.filter = moxtext::trimBlanks(postavka.mid(q1 + 1, q2 - q1 - 1));
                const QString zatem = moxtext::trimBlanks(postavka.mid(q2 + 1));
                if (!zatem.isEmpty())
                    p.napaka = QStringLiteral("Za filtrom za %1 je še besedilo: %2").arg(p.ime, zatem);
            }
        } else {
            p.ime = postavka;
        }
        if (p.napaka.isEmpty() && !jeDruzinaPriprave(p.ime))
            p.napaka = napakaImena(p.ime);
        if (!p.ime.isEmpty() || !p.napaka.isEmpty())
            out << p;
    }
    return out;
}

QString enovrsticniUkaz(const TRunState &rs)
{
    return rs.runParamType + u' ' + rs.runParamvalue1 + u' ' + rs.runParamvalue2 + u' ' + rs.runParamvalue3;
}

bool jeDruzinaOsvezitve(const QString &ime) { return !operacijaOsvezitve(ime).isEmpty(); }

bool jeDruzinaPriprave(const QString &ime) { return !operacijaPriprave(ime).isEmpty(); }

// The names are those the screens run (moxops in shell/screens.h).
QString operacijaOsvezitve(const QString &druzina)
{
    static const struct {
        const char *druzina, *operacija;
    } tabela[] = {{"SKS", "osveziSKS"},           {"OBR", "osveziObrazce"},   {"PARAM", "osveziParametre"},
                  {"ANALIZEHC", "osveziAnalizeHC"}, {"GRUPE", "osveziGrupe"}, {"GRUPE023", "osveziGrupe023"},
                  {"PALETE", "osveziPalete"}};
    for (const auto &t : tabela)
        if (druzina == QLatin1String(t.druzina))
            return QString::fromLatin1(t.operacija);
    return QString();
}

QString operacijaPriprave(const QString &druzina)
{
    static const struct {
        const char *druzina, *operacija;
    } tabela[] = {{"SKS", "pripraviSKS"},
                  {"OBR", "pripraviObrazce"},
                  {"PARAM", "pripraviParametre"},
                  {"GRUPE", "pripraviGrupe"},
                  {"PALETE", "pripraviPalete"}};
    for (const auto &t : tabela)
        if (druzina == QLatin1String(t.druzina))
            return QString::fromLatin1(t.operacija);
    return QString();
}

QString odmevVrstice(int stevilka, const QString &line, const TUkaz &u)
{
    QString besedilo = line;
    // A password of a CONNECT line does not go into job logs; a one-character
    // password code may.
    if (u.ukaz == QLatin1String(CONNECT) && u.a2.size() > 1) {
        besedilo = u.ukaz + u' ' + u.a1 + QStringLiteral(" ***** ") + u.a3;
    }
    return QStringLiteral("%1: %2").arg(stevilka).arg(besedilo);
}

} // namespace moxskripta
