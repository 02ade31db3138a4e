#include "general/manifest.h"

#include "dbf/apollo.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace {

const QString kCasFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

QString potManifesta(const QString &mapa)
{
    return QDir(moxpath::native(mapa)).filePath(QString::fromLatin1(kImeManifesta));
}

QString kljuc(const QString &ime) { return moxtext::upperAZ(ime); }

// The record count of a DBF (opening the table), -1 for other files.
qint64 zapisovDBF(const QString &pot)
{
    if (!pot.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive))
        return -1;
    TApolloDataSet t;
    t.TableName = pot.left(pot.size() - 4);
    t.Open();
    const qint64 n = t.RecordCount();
    t.Close();
    return n;
}

} // namespace

TManifestDatoteka opisiDatoteko(const QString &pot, bool zapisi)
{
    QFile f(pot);
    if (!f.open(QIODevice::ReadOnly))
        throw EMoxError(QStringLiteral("Ne morem brati datoteke %1: %2").arg(pot, f.errorString()));
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!h.addData(&f))
        throw EMoxError(QStringLiteral("Ne morem brati datoteke %1: %2").arg(pot, f.errorString()));
    TManifestDatoteka d;
    d.velikost = f.size();
    d.sha256 = QString::fromLatin1(h.result().toHex());
    if (zapisi)
        d.zapisov = zapisovDBF(pot);
    return d;
}

bool TManifest::preberi(const QString &mapa)
{
    const QString pot = potManifesta(mapa);
    if (!QFileInfo::exists(pot))
        return false;
    datoteke.clear();
    casiTabel.clear();
    int st = 0;
    for (const QString &vrstica : moxtext::readTextLines(pot)) {
        ++st;
        if (vrstica.trimmed().isEmpty() || vrstica.startsWith(u'#'))
            continue;
        const qsizetype je = vrstica.indexOf(u'=');
        if (je < 0)
            throw EMoxError(QStringLiteral("%1, vrstica %2: ni oblike ključ=vrednost").arg(pot).arg(st));
        const QString k = vrstica.left(je), v = vrstica.mid(je + 1);
        if (k == QStringLiteral("verzija"))
            verzija = v;
        else if (k == QStringLiteral("alias"))
            alias = v;
        else if (k == QStringLiteral("shema"))
            shema = v;
        else if (k == QStringLiteral("cas"))
            cas = QDateTime::fromString(v, kCasFormat);
        else if (k == QStringLiteral("tabela")) {
            // table;time
            const qsizetype pod = v.indexOf(u';');
            const QDateTime t = pod < 0 ? QDateTime() : QDateTime::fromString(v.mid(pod + 1), kCasFormat);
            if (!t.isValid())
                throw EMoxError(QStringLiteral("%1, vrstica %2: napačen čas priprave tabele").arg(pot).arg(st));
            casiTabel.insert(kljuc(v.left(pod)), t);
        }
        else if (k == QStringLiteral("datoteka")) {
            // name;table;size;records;sha256
            const QStringList p = v.split(u';');
            bool ok1 = false, ok2 = false;
            TManifestDatoteka d;
            if (p.size() == 5) {
                d.tabela = p.at(1);
                d.velikost = p.at(2).toLongLong(&ok1);
                d.zapisov = p.at(3).toLongLong(&ok2);
                d.sha256 = p.at(4);
            }
            if (!ok1 || !ok2)
                throw EMoxError(QStringLiteral("%1, vrstica %2: napačen opis datoteke").arg(pot).arg(st));
            datoteke.insert(kljuc(p.at(0)), d);
        }
    }
    return true;
}

void TManifest::zapisi(const QString &mapa) const
{
    QStringList vrstice{QStringLiteral("# Paket prenosa: datoteke, kot jih je zapisala priprava"),
                        QStringLiteral("verzija=") + verzija, QStringLiteral("alias=") + alias,
                        QStringLiteral("shema=") + shema, QStringLiteral("cas=") + cas.toString(kCasFormat)};
    for (auto it = casiTabel.cbegin(); it != casiTabel.cend(); ++it)
        vrstice << QStringLiteral("tabela=%1;%2").arg(it.key(), it->toString(kCasFormat));
    for (auto it = datoteke.cbegin(); it != datoteke.cend(); ++it)
        vrstice << QStringLiteral("datoteka=%1;%2;%3;%4;%5")
                       .arg(it.key(), it->tabela)
                       .arg(it->velikost)
                       .arg(it->zapisov)
                       .arg(it->sha256);
    const QString pot = potManifesta(mapa);
    QSaveFile f(pot);
    QByteArray b;
    for (const QString &v : vrstice)
        b += moxtext::toCp1250(v) + "\r\n";
    if (!f.open(QIODevice::WriteOnly) || f.write(b) != b.size() || !f.commit())
        throw EMoxError(QStringLiteral("Napaka pri pisanju v: ") + pot);
}

QDateTime TManifest::casTabele(const QString &tabela) const
{
    return casiTabel.value(kljuc(tabela), cas);
}

QStringList datotekeDela(const QString &mapa, const QStringList &osnove)
{
    const QDir d(moxpath::native(mapa));
    QSet<QString> iskane;
    for (const QString &o : osnove)
        for (const char *konc : {".DBF", ".FPT"})
            iskane.insert(kljuc(o) + QLatin1String(konc));
    QStringList out;
    for (const QString &ime : d.entryList(QDir::Files, QDir::Name))
        if (iskane.contains(kljuc(ime)))
            out << d.filePath(ime);
    return out;
}

QString tabelaStrukture(const QString &strukturnaDatoteka)
{
    return kljuc(QFileInfo(strukturnaDatoteka).completeBaseName());
}

QStringList datotekeTabele(const QString &strukturnaDatoteka, const QString &dbfPot)
{
    const QFileInfo dbf(dbfPot);
    QStringList out = datotekeDela(dbf.absolutePath(), {dbf.fileName()});
    if (QFileInfo::exists(strukturnaDatoteka))
        out << strukturnaDatoteka;
    return out;
}

void manifestZacetekPriprave(const QString &mapa, const QString &tabela)
{
    TManifest m;
    if (!m.preberi(mapa))
        return;
    const QString t = kljuc(tabela);
    for (auto it = m.datoteke.begin(); it != m.datoteke.end();)
        it = it->tabela == t ? m.datoteke.erase(it) : std::next(it);
    m.casiTabel.remove(t);
    m.zapisi(mapa);
}

void manifestKonecPriprave(const TMoxContext &ctx, const QString &mapa, const QString &tabela,
                           const QStringList &datoteke)
{
    TManifest m;
    m.preberi(mapa);
    m.verzija = QStringLiteral(MOX_VERSION);
    m.alias = moxtext::upperAZ(ctx.currServer);
    m.shema = moxtext::upperAZ(ctx.currUserAsTavo);
    // Whole seconds: the time is written and compared as text to the second.
    QDateTime zdaj = QDateTime::currentDateTime();
    zdaj.setTime(QTime(zdaj.time().hour(), zdaj.time().minute(), zdaj.time().second()));
    m.cas = zdaj;
    const QString t = kljuc(tabela);
    m.casiTabel.insert(t, zdaj);
    for (const QString &pot : datoteke) {
        TManifestDatoteka d = opisiDatoteko(pot);
        d.tabela = t;
        m.datoteke.insert(kljuc(QFileInfo(pot).fileName()), d);
    }
    m.zapisi(mapa);
}

void manifestKonecPriprave(const TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &dbfPot)
{
    manifestKonecPriprave(ctx, QFileInfo(strukturnaDatoteka).absolutePath(), tabelaStrukture(strukturnaDatoteka),
                          datotekeTabele(strukturnaDatoteka, dbfPot));
}

TPreverjanjePaketa preveriDelPaketa(const TMoxContext &ctx, const QString &mapa, const QString &tabela,
                                    const QStringList &datoteke)
{
    TPreverjanjePaketa izid;
    TManifest m;
    if (!m.preberi(mapa)) {
        izid.opomba = QStringLiteral("Paket v ") + mapa + QStringLiteral(" nima datoteke ") +
                      QString::fromLatin1(kImeManifesta) + QStringLiteral(": datoteke niso preverjene");
        return izid;
    }
    const QString t = kljuc(tabela);
    const QString imeManifesta = QString::fromLatin1(kImeManifesta);
    QMap<QString, QString> naDisku; // upper-case name -> path
    for (const QString &pot : datoteke)
        naDisku.insert(kljuc(QFileInfo(pot).fileName()), pot);
    bool dbfNaSeznamu = false;
    for (auto it = m.datoteke.cbegin(); it != m.datoteke.cend(); ++it) {
        if (it->tabela != t)
            continue;
        dbfNaSeznamu = dbfNaSeznamu || it.key().endsWith(QStringLiteral(".DBF"));
        if (!naDisku.contains(it.key()))
            throw EMoxError(QStringLiteral("Datoteka ") + QDir(moxpath::native(mapa)).filePath(it.key()) +
                            QStringLiteral(" paketa tabele ") + t + QStringLiteral(" manjka (navaja jo ") +
                            imeManifesta + QStringLiteral(")."));
    }
    if (!dbfNaSeznamu)
        throw EMoxError(QStringLiteral("Tabela ") + t + QStringLiteral(" ni v ") + imeManifesta +
                        QStringLiteral(" paketa: njena priprava ni bila dokončana. Pripravite jo znova."));
    for (auto f = naDisku.cbegin(); f != naDisku.cend(); ++f) {
        const auto it = m.datoteke.constFind(f.key());
        if (it == m.datoteke.cend() || it->tabela != t)
            throw EMoxError(QStringLiteral("Datoteka ") + *f + QStringLiteral(" ni v ") + imeManifesta +
                            QStringLiteral(" paketa."));
        // The bytes only: a damaged table is refused as a changed file
        // before anything tries to open it.
        const TManifestDatoteka zdaj = opisiDatoteko(*f, false);
        if (zdaj.velikost != it->velikost || zdaj.sha256 != it->sha256)
            throw EMoxError(QStringLiteral("Datoteka ") + *f +
                            QStringLiteral(" ni taka, kot jo je zapisala priprava (velikost ali kontrolna vsota se "
                                           "razlikuje od ") +
                            imeManifesta + QStringLiteral(")."));
    }
    if (m.alias == moxtext::upperAZ(ctx.currServer) && m.shema == moxtext::upperAZ(ctx.currUserAsTavo))
        izid.opozorilo = QStringLiteral("Paket tabele ") + t +
                         QStringLiteral(" je bil pripravljen na tej instalaciji (") + m.shema + u'@' + m.alias +
                         QStringLiteral(").");
    izid.izvozeno = m.casTabele(t);
    return izid;
}

QStringList preveriMapo(const QString &mapa)
{
    TManifest m;
    if (!m.preberi(mapa))
        throw EMoxError(QStringLiteral("V ") + mapa + QStringLiteral(" ni datoteke ") + QString::fromLatin1(kImeManifesta));
    QStringList napake;
    const QDir d(moxpath::native(mapa));
    QMap<QString, QString> naDisku; // upper-case name -> real name
    for (const QString &ime : d.entryList(QDir::Files))
        naDisku.insert(kljuc(ime), ime);
    for (auto it = m.datoteke.cbegin(); it != m.datoteke.cend(); ++it) {
        const auto f = naDisku.constFind(it.key());
        if (f == naDisku.cend()) {
            napake << it.key() + QStringLiteral(": manjka");
            continue;
        }
        try {
            const TManifestDatoteka zdaj = opisiDatoteko(d.filePath(*f), false);
            if (zdaj.velikost != it->velikost)
                napake << *f + QStringLiteral(": velikost %1 namesto %2").arg(zdaj.velikost).arg(it->velikost);
            else if (zdaj.sha256 != it->sha256)
                napake << *f + QStringLiteral(": kontrolna vsota se razlikuje");
            else if (const qint64 n = zapisovDBF(d.filePath(*f)); n != it->zapisov)
                napake << *f + QStringLiteral(": %1 zapisov namesto %2").arg(n).arg(it->zapisov);
        } catch (const EMoxError &e) {
            napake << *f + QStringLiteral(": ") + e.message();
        }
    }
    return napake;
}
