#include "log/porocilo.h"

#include "base/moxerror.h"
#include "base/text.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>

namespace {

const QString kIndeks = QStringLiteral("index.html");
const QByteArray kMeta = "<meta name=\"mox-porocilo\" content=\"";

// A file written whole or not at all: the text gathers in pieces of 64 KB and
// the file takes the place of an older one only when everything was written.
class TIzpis {
public:
    explicit TIzpis(const QString &pot) : m_f(pot)
    {
        if (!m_f.open(QIODevice::WriteOnly))
            napaka();
    }
    void pisi(const QByteArray &b)
    {
        m_buf += b;
        if (m_buf.size() >= 64 * 1024)
            izprazni();
    }
    void koncaj()
    {
        izprazni();
        if (!m_f.commit())
            napaka();
    }

private:
    void izprazni()
    {
        if (m_f.write(m_buf) != m_buf.size())
            napaka();
        m_buf.clear();
    }
    [[noreturn]] void napaka()
    {
        const QString razlog = m_f.errorString();
        m_f.cancelWriting();
        throw EMoxError(QStringLiteral("Napaka pri pisanju v: ") + m_f.fileName() + moxtext::crlf + razlog);
    }

    QSaveFile m_f;
    QByteArray m_buf;
};

QByteArray h(const QString &s)
{
    return s.toHtmlEscaped().toUtf8();
}

QByteArray stevilo(qint64 n)
{
    return QByteArray::number(n);
}

// A CSV field: quoted (quotes doubled) when it holds the separator, a quote
// or a line break.
QString csvPolje(const QString &s)
{
    if (!s.contains(u';') && !s.contains(u'"') && !s.contains(u'\n') && !s.contains(u'\r'))
        return s;
    QString q = s;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

const char *kSlog = "<style>\n"
                    "body{font-family:'DejaVu Sans',Arial,sans-serif;margin:1.5em;color:#222}\n"
                    "h1{font-size:1.4em}h2{font-size:1.2em;margin-top:1.6em}h3{font-size:1em}\n"
                    "table{border-collapse:collapse;margin:.4em 0 1.2em}\n"
                    "th,td{border:1px solid #bbb;padding:.2em .5em;text-align:left;vertical-align:top}\n"
                    "th{background:#eee}td.n{text-align:right}\n"
                    "td.v{white-space:pre-wrap;font-family:'DejaVu Sans Mono',monospace}\n"
                    "td.staro{background:#fbdcdc}td.novo{background:#d8f3d8}td.napaka{color:#a00000}td.cas{white-space:nowrap}\n"
                    ".opomba{color:#555}\n"
                    "</style>\n";

QByteArray glava(const QString &naslov, const QByteArray &meta)
{
    return "<!DOCTYPE html>\n<html lang=\"sl\">\n<head>\n<meta charset=\"utf-8\">\n" + meta + "<title>" + h(naslov) +
           "</title>\n" + kSlog + "</head>\n<body>\n";
}

QByteArray vrsticaStevcev(const TStevciPorocila &s)
{
    return "<td class=\"n\">" + stevilo(s.prebranih) + "</td><td class=\"n\">" + stevilo(s.novih) +
           "</td><td class=\"n\">" + stevilo(s.razlicnih) + "</td><td class=\"n\">" + stevilo(s.uporabljenih) +
           "</td><td class=\"n\">" + stevilo(s.napak) + "</td>";
}

const QByteArray kGlavaStevcev = "<th>Prebranih</th><th>Novih</th><th>Različnih</th><th>Uporabljenih</th><th>Napak</th>";

// What the index needs of one report.
struct TVnos {
    QString datoteka;
    QString naslov;
    QString cas; // ISO, sorts as text
    QString vrsta;
    TStevciPorocila stevci;
};

// The mox-porocilo meta element of a report, read from its head.
bool preberiVnos(const QString &pot, TVnos &v)
{
    QFile f(pot);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray zacetek = f.read(4096);
    const qsizetype i = zacetek.indexOf(kMeta);
    if (i < 0)
        return false;
    const qsizetype od = i + kMeta.size();
    const qsizetype konec = zacetek.indexOf('"', od);
    if (konec < 0)
        return false;
    const QString vsebina = QString::fromUtf8(zacetek.mid(od, konec - od));
    for (const QString &par : vsebina.split(u';')) {
        const qsizetype e = par.indexOf(u'=');
        if (e < 0)
            continue;
        const QString k = par.left(e);
        const QString val = par.mid(e + 1);
        if (k == QStringLiteral("cas"))
            v.cas = val;
        else if (k == QStringLiteral("vrsta"))
            v.vrsta = val;
        else if (k == QStringLiteral("prebranih"))
            v.stevci.prebranih = val.toLongLong();
        else if (k == QStringLiteral("novih"))
            v.stevci.novih = val.toLongLong();
        else if (k == QStringLiteral("razlicnih"))
            v.stevci.razlicnih = val.toLongLong();
        else if (k == QStringLiteral("uporabljenih"))
            v.stevci.uporabljenih = val.toLongLong();
        else if (k == QStringLiteral("napak"))
            v.stevci.napak = val.toLongLong();
    }
    const qsizetype t = zacetek.indexOf("<title>");
    const qsizetype tk = zacetek.indexOf("</title>");
    if (t >= 0 && tk > t) {
        // The title was escaped when written; the index escapes it again.
        QString naslov = QString::fromUtf8(zacetek.mid(t + 7, tk - t - 7));
        naslov.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        naslov.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        naslov.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        naslov.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        v.naslov = naslov;
    }
    v.datoteka = QFileInfo(pot).fileName();
    return true;
}

QByteArray povezava(const QString &datoteka)
{
    return h(QString::fromLatin1(QUrl::toPercentEncoding(datoteka)));
}

QString bazaPoti(const QString &rez)
{
    const QFileInfo fi(rez);
    const QString ime = fi.fileName();
    const qsizetype pika = ime.lastIndexOf(u'.');
    const QString osnova = pika > 0 ? ime.left(pika) : ime;
    return rez.left(rez.size() - ime.size()) + osnova;
}

} // namespace

void TPorocilo::nastavi(const QString &naslov, bool samoPreverjanje)
{
    m_naslov = naslov;
    m_samoPreverjanje = samoPreverjanje;
}

TPorocilo::TTabela &TPorocilo::tab(int tabela)
{
    const size_t i = size_t(std::max(tabela, 0));
    if (m_tabele.size() <= i)
        m_tabele.resize(i + 1);
    return m_tabele[i];
}

void TPorocilo::novo(int tabela, const QString &kljuc)
{
    tab(tabela).vrstice.push_back(TVrstica{TVrsta::novo, kljuc, {}, {}, {}});
}

void TPorocilo::razlicno(int tabela, const QString &kljuc, std::vector<TRazlikaStolpca> razlike)
{
    tab(tabela).vrstice.push_back(TVrstica{TVrsta::popravek, kljuc, {}, std::move(razlike), {}});
}

void TPorocilo::razlicno(int tabela, const QString &kljuc, const QStringList &podrobnosti)
{
    tab(tabela).vrstice.push_back(TVrstica{TVrsta::popravek, kljuc, {}, {}, podrobnosti});
}

void TPorocilo::napaka(int tabela, const QString &kljuc, const QString &sporocilo)
{
    tab(tabela).vrstice.push_back(TVrstica{TVrsta::napaka, kljuc, sporocilo, {}, {}});
}

void TPorocilo::tabela(int tabela, const QString &ime, const TStevciPorocila &stevci)
{
    TTabela &t = tab(tabela);
    t.ime = ime;
    t.stevci = stevci;
}

QString TPorocilo::htmlPot(const QString &rezultatnaDatoteka)
{
    return bazaPoti(rezultatnaDatoteka) + QStringLiteral(".html");
}

QString TPorocilo::csvPot(const QString &rezultatnaDatoteka)
{
    return bazaPoti(rezultatnaDatoteka) + QStringLiteral(".csv");
}

void TPorocilo::zapisi(const QString &rezultatnaDatoteka) const
{
    const QString cas = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    pisiHtml(htmlPot(rezultatnaDatoteka), cas);
    pisiCsv(csvPot(rezultatnaDatoteka));
    zapisiKazaloPorocil(QFileInfo(rezultatnaDatoteka).absolutePath());
}

void TPorocilo::pisiHtml(const QString &pot, const QString &cas) const
{
    TStevciPorocila vsota;
    for (const TTabela &t : m_tabele) {
        vsota.prebranih += t.stevci.prebranih;
        vsota.novih += t.stevci.novih;
        vsota.razlicnih += t.stevci.razlicnih;
        vsota.uporabljenih += t.stevci.uporabljenih;
        vsota.napak += t.stevci.napak;
    }
    const QString vrsta = m_samoPreverjanje ? QStringLiteral("preverjanje") : QStringLiteral("osvezevanje");
    const QByteArray meta = kMeta + "cas=" + cas.toUtf8() + ";vrsta=" + vrsta.toUtf8() +
                            ";prebranih=" + stevilo(vsota.prebranih) + ";novih=" + stevilo(vsota.novih) +
                            ";razlicnih=" + stevilo(vsota.razlicnih) + ";uporabljenih=" + stevilo(vsota.uporabljenih) +
                            ";napak=" + stevilo(vsota.napak) + "\">\n";

    TIzpis o(pot);
    o.pisi(glava(m_naslov, meta));
    o.pisi("<h1>" + h(m_naslov) + "</h1>\n<p class=\"opomba\">" +
           (m_samoPreverjanje ? QByteArray("Preverjanje (v bazi ni nič spremenjeno)") : QByteArray("Osveževanje")) +
           ", " + h(QDateTime::fromString(cas, Qt::ISODateWithMs).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))) +
           ". <a href=\"" + povezava(QFileInfo(csvPot(pot)).fileName()) + "\">CSV</a> · <a href=\"" +
           povezava(kIndeks) + "\">vsa poročila</a></p>\n");

    for (const TTabela &t : m_tabele) {
        // A table of its own name under a heading of the same name needs none.
        if (m_tabele.size() > 1 || t.ime != m_naslov)
            o.pisi("<h2>" + h(t.ime) + "</h2>\n");
        o.pisi("<table><tr>" + kGlavaStevcev + "</tr>\n<tr>" + vrsticaStevcev(t.stevci) + "</tr></table>\n");
        qint64 novih = 0, razlicnih = 0, napak = 0;
        for (const TVrstica &v : t.vrstice)
            (v.vrsta == TVrsta::novo ? novih : v.vrsta == TVrsta::popravek ? razlicnih : napak) += 1;

        if (novih > 0) {
            o.pisi("<h3>Novi zapisi</h3>\n<table><tr><th>Ključ</th></tr>\n");
            for (const TVrstica &v : t.vrstice)
                if (v.vrsta == TVrsta::novo)
                    o.pisi("<tr><td class=\"v\">" + h(v.kljuc) + "</td></tr>\n");
            o.pisi("</table>\n");
        }
        if (razlicnih > 0) {
            o.pisi("<h3>Različni zapisi</h3>\n<table><tr><th>Ključ</th><th>Stolpec</th><th>Staro</th><th>Novo</th>"
                   "</tr>\n");
            for (const TVrstica &v : t.vrstice) {
                if (v.vrsta != TVrsta::popravek)
                    continue;
                const qsizetype vrstic = std::max<qsizetype>(1, qsizetype(v.razlike.size()) + v.podrobnosti.size());
                QByteArray kljuc = "<td class=\"v\"";
                if (vrstic > 1)
                    kljuc += " rowspan=\"" + stevilo(vrstic) + "\"";
                kljuc += ">" + h(v.kljuc) + "</td>";
                if (v.razlike.empty() && v.podrobnosti.isEmpty())
                    o.pisi("<tr>" + kljuc + "<td colspan=\"3\"></td></tr>\n");
                bool prva = true;
                for (const TRazlikaStolpca &r : v.razlike) {
                    o.pisi("<tr>" + (prva ? kljuc : QByteArray()) + "<td>" + h(r.stolpec) + "</td><td class=\"v staro\">" +
                           h(r.staro) + "</td><td class=\"v novo\">" + h(r.novo) + "</td></tr>\n");
                    prva = false;
                }
                for (const QString &p : v.podrobnosti) {
                    o.pisi("<tr>" + (prva ? kljuc : QByteArray()) + "<td class=\"v\" colspan=\"3\">" + h(p) +
                           "</td></tr>\n");
                    prva = false;
                }
            }
            o.pisi("</table>\n");
        }
        if (napak > 0) {
            o.pisi("<h3>Napake</h3>\n<table><tr><th>Ključ</th><th>Sporočilo</th></tr>\n");
            for (const TVrstica &v : t.vrstice)
                if (v.vrsta == TVrsta::napaka)
                    o.pisi("<tr><td class=\"v\">" + h(v.kljuc) + "</td><td class=\"v napaka\">" + h(v.sporocilo) +
                           "</td></tr>\n");
            o.pisi("</table>\n");
        }
    }
    o.pisi("</body>\n</html>\n");
    o.koncaj();
}

void TPorocilo::pisiCsv(const QString &pot) const
{
    TIzpis o(pot);
    auto vrstica = [&o](const QStringList &polja) {
        QStringList q;
        for (const QString &p : polja)
            q << csvPolje(p);
        o.pisi(moxtext::toCp1250(q.join(u';')) + "\r\n");
    };
    vrstica({QStringLiteral("tabela"), QStringLiteral("vrsta"), QStringLiteral("kljuc"), QStringLiteral("stolpec"),
             QStringLiteral("staro"), QStringLiteral("novo"), QStringLiteral("sporocilo")});
    const QString novo = QStringLiteral("NOVO"), popr = QStringLiteral("POPR"), napaka = QStringLiteral("NAPAKA");
    for (const TTabela &t : m_tabele) {
        for (const TVrstica &v : t.vrstice) {
            switch (v.vrsta) {
            case TVrsta::novo:
                vrstica({t.ime, novo, v.kljuc, {}, {}, {}, {}});
                break;
            case TVrsta::popravek:
                if (v.razlike.empty() && v.podrobnosti.isEmpty())
                    vrstica({t.ime, popr, v.kljuc, {}, {}, {}, {}});
                for (const TRazlikaStolpca &r : v.razlike)
                    vrstica({t.ime, popr, v.kljuc, r.stolpec, r.staro, r.novo, {}});
                for (const QString &p : v.podrobnosti)
                    vrstica({t.ime, popr, v.kljuc, {}, {}, {}, p.trimmed()});
                break;
            case TVrsta::napaka:
                vrstica({t.ime, napaka, v.kljuc, {}, {}, {}, v.sporocilo});
                break;
            }
        }
    }
    o.koncaj();
}

void zapisiKazaloPorocil(const QString &mapa)
{
    const QDir dir(mapa);
    std::vector<TVnos> vnosi;
    for (const QString &ime : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        if (ime.compare(kIndeks, Qt::CaseInsensitive) == 0)
            continue;
        TVnos v;
        if (preberiVnos(dir.filePath(ime), v))
            vnosi.push_back(std::move(v));
    }
    std::sort(vnosi.begin(), vnosi.end(), [](const TVnos &a, const TVnos &b) {
        return a.cas != b.cas ? a.cas > b.cas : a.datoteka < b.datoteka;
    });

    TIzpis o(dir.filePath(kIndeks));
    o.pisi(glava(QStringLiteral("Poročila osveževanja"), QByteArray()));
    o.pisi("<h1>Poročila osveževanja</h1>\n<table><tr><th>Poročilo</th><th>Vrsta</th><th>Čas</th>" + kGlavaStevcev +
           "<th>CSV</th></tr>\n");
    for (const TVnos &v : vnosi) {
        const QString csv = QFileInfo(v.datoteka).completeBaseName() + QStringLiteral(".csv");
        const QString vrsta = v.vrsta == QStringLiteral("preverjanje") ? QStringLiteral("preverjanje")
                                                                       : QStringLiteral("osveževanje");
        const QDateTime cas = QDateTime::fromString(v.cas, Qt::ISODateWithMs);
        o.pisi("<tr><td><a href=\"" + povezava(v.datoteka) + "\">" + h(v.naslov.isEmpty() ? v.datoteka : v.naslov) +
               "</a></td><td>" + h(vrsta) + "</td><td class=\"cas\">" +
               h(cas.isValid() ? cas.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")) : v.cas) + "</td>" +
               vrsticaStevcev(v.stevci) + "<td>" +
               (dir.exists(csv) ? "<a href=\"" + povezava(csv) + "\">" + h(csv) + "</a>" : QByteArray()) +
               "</td></tr>\n");
    }
    o.pisi("</table>\n</body>\n</html>\n");
    o.koncaj();
}
