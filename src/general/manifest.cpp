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

namespace {

const QString kCasFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

QString potManifesta(const QString &mapa)
{
    return QDir(moxpath::native(mapa)).filePath(QString::fromLatin1(kImeManifesta));
}

QString kljuc(const QString &ime) { return moxtext::upperAZ(ime); }

// The files of a table in its directory: the DBF (any letter case of the
// extension), its FPT, and the structure file.
QStringList datotekeTabele(const QString &dbfPot, const QString &strukturnaDatoteka)
{
    QStringList out;
    const QFileInfo dbf(dbfPot);
    const QDir mapa = dbf.absoluteDir();
    for (const QString &ime : mapa.entryList(QDir::Files)) {
        const QString v = moxtext::upperAZ(ime);
        const QString osnova = moxtext::upperAZ(dbf.fileName());
        if (v == osnova + QStringLiteral(".DBF") || v == osnova + QStringLiteral(".FPT"))
            out << mapa.filePath(ime);
    }
    if (QFileInfo::exists(strukturnaDatoteka))
        out << strukturnaDatoteka;
    return out;
}

QString imeTabele(const QString &strukturnaDatoteka) { return kljuc(QFileInfo(strukturnaDatoteka).completeBaseName()); }

} // namespace

TManifestDatoteka opisiDatoteko(const QString &pot)
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
    if (pot.endsWith(QStringLiteral(".dbf"), Qt::CaseInsensitive)) {
        TApolloDataSet t;
        t.TableName = pot.left(pot.size() - 4);
        t.Open();
        d.zapisov = t.RecordCount();
        t.Close();
    }
    return d;
}

bool TManifest::preberi(const QString &mapa)
{
    const QString pot = potManifesta(mapa);
    if (!QFileInfo::exists(pot))
        return false;
    datoteke.clear();
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

void manifestZacetekPriprave(const QString &mapa, const QString &tabela)
{
    TManifest m;
    if (!m.preberi(mapa))
        return;
    const QString t = kljuc(tabela);
    for (auto it = m.datoteke.begin(); it != m.datoteke.end();)
        it = it->tabela == t ? m.datoteke.erase(it) : std::next(it);
    m.zapisi(mapa);
}

void manifestKonecPriprave(const TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &dbfPot)
{
    const QString mapa = QFileInfo(strukturnaDatoteka).absolutePath();
    TManifest m;
    m.preberi(mapa);
    m.verzija = QStringLiteral(MOX_VERSION);
    m.alias = moxtext::upperAZ(ctx.currServer);
    m.shema = moxtext::upperAZ(ctx.currUserAsTavo);
    m.cas = QDateTime::currentDateTime();
    const QString tabela = imeTabele(strukturnaDatoteka);
    for (const QString &pot : datotekeTabele(dbfPot, strukturnaDatoteka)) {
        TManifestDatoteka d = opisiDatoteko(pot);
        d.tabela = tabela;
        m.datoteke.insert(kljuc(QFileInfo(pot).fileName()), d);
    }
    m.zapisi(mapa);
}

QString preveriPaket(const TMoxContext &ctx, const QString &strukturnaDatoteka, const QString &dbfPot,
                     QString &opozorilo, QDateTime *izvozeno)
{
    const QString mapa = QFileInfo(strukturnaDatoteka).absolutePath();
    TManifest m;
    if (!m.preberi(mapa))
        return QStringLiteral("Paket v ") + mapa + QStringLiteral(" nima datoteke ") +
               QString::fromLatin1(kImeManifesta) + QStringLiteral(": datoteke niso preverjene");
    const QString tabela = imeTabele(strukturnaDatoteka);
    bool dbfNaSeznamu = false;
    for (auto it = m.datoteke.cbegin(); it != m.datoteke.cend(); ++it)
        if (it->tabela == tabela && it.key().endsWith(QStringLiteral(".DBF")))
            dbfNaSeznamu = true;
    if (!dbfNaSeznamu)
        throw EMoxError(QStringLiteral("Tabela ") + tabela + QStringLiteral(" ni v ") +
                        QString::fromLatin1(kImeManifesta) +
                        QStringLiteral(" paketa: njena priprava ni bila dokončana. Pripravite jo znova."));
    for (const QString &pot : datotekeTabele(dbfPot, strukturnaDatoteka)) {
        const QString ime = kljuc(QFileInfo(pot).fileName());
        const auto it = m.datoteke.constFind(ime);
        if (it == m.datoteke.cend())
            throw EMoxError(QStringLiteral("Datoteka ") + pot + QStringLiteral(" ni v ") +
                            QString::fromLatin1(kImeManifesta) + QStringLiteral(" paketa."));
        const TManifestDatoteka zdaj = opisiDatoteko(pot);
        if (zdaj.velikost != it->velikost || zdaj.sha256 != it->sha256)
            throw EMoxError(QStringLiteral("Datoteka ") + pot +
                            QStringLiteral(" ni taka, kot jo je zapisala priprava (velikost ali kontrolna vsota se "
                                           "razlikuje od ") +
                            QString::fromLatin1(kImeManifesta) + QStringLiteral(")."));
    }
    if (m.alias == moxtext::upperAZ(ctx.currServer) && m.shema == moxtext::upperAZ(ctx.currUserAsTavo))
        opozorilo = QStringLiteral("Paket tabele ") + tabela + QStringLiteral(" je bil pripravljen na tej instalaciji (") +
                    m.shema + u'@' + m.alias + QStringLiteral(").");
    if (izvozeno)
        *izvozeno = m.cas;
    return QString();
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
            const TManifestDatoteka zdaj = opisiDatoteko(d.filePath(*f));
            if (zdaj.velikost != it->velikost)
                napake << *f + QStringLiteral(": velikost %1 namesto %2").arg(zdaj.velikost).arg(it->velikost);
            else if (zdaj.sha256 != it->sha256)
                napake << *f + QStringLiteral(": kontrolna vsota se razlikuje");
            else if (zdaj.zapisov != it->zapisov)
                napake << *f + QStringLiteral(": %1 zapisov namesto %2").arg(zdaj.zapisov).arg(it->zapisov);
        } catch (const EMoxError &e) {
            napake << *f + QStringLiteral(": ") + e.message();
        }
    }
    return napake;
}
