#include "startup/startup.h"

#include "credentials/kript.h"
#include "base/interaction.h"
#include "base/paths.h"
#include "run/runstate.h"
#include "base/text.h"

#include <QDir>
#include <QFileInfo>

void zajemiArgumente(TRunState &rs, const QStringList &args)
{
    rs.declRunParam = !args.isEmpty();
    QString *polja[] = {&rs.runParamType,   &rs.runParamvalue1, &rs.runParamvalue2,
                        &rs.runParamvalue3, &rs.runParamvalue4, &rs.runParamvalue5};
    for (int i = 0; i < 6; ++i)
        *polja[i] = i < args.size() ? args.at(i) : QString();
    // Directories are held with their trailing separator: file names are
    // appended to them directly.
    if (args.size() >= 5) {
        rs.currSaveDir = moxpath::withTrailingSeparator(rs.runParamvalue4);
        rs.currDirLog = moxpath::withTrailingSeparator(rs.runParamvalue4);
    }
    if (args.size() >= 6)
        rs.currDirLog = moxpath::withTrailingSeparator(rs.runParamvalue5);
}

QString imeSkripte(const QString &runParamType) { return runParamType.mid(1, 50); }

QString gesloKode(const QString &sGeslo)
{
    if (sGeslo == QStringLiteral("1"))
        return QStringLiteral("TOPAZ81");
    if (sGeslo == QStringLiteral("2"))
        return QStringLiteral("BIRCH47");
    if (sGeslo == QStringLiteral("3"))
        return QStringLiteral("LAMP1987");
    if (sGeslo == QStringLiteral("4"))
        return QStringLiteral("ROSE1964");
    return QString();
}

void connectGeslo(TRunState &rs, const QString &instanca, const QString &upor, const QString &sGeslo, QString &geslo)
{
    if (sGeslo.size() > 1) {
        geslo = sGeslo;
        rs.pautoG = true;
        return;
    }
    rs.pautoG = true;
    const QString shranjeno = TKript::vzemiGeslo(instanca, upor);
    if (!shranjeno.isEmpty()) {
        geslo = shranjeno;
        return;
    }
    const QString fiksno = gesloKode(sGeslo);
    if (!fiksno.isEmpty()) {
        geslo = fiksno;
        return;
    }
    rs.pautoG = false;
}

bool aliJeVecInstacijNaTrenutniInstanci(const QString &instanca, const QString &datoteka)
{
    const QString kljuc = moxtext::upperAZ(instanca) + u'=';
    if (!QFileInfo::exists(datoteka))
        return false;
    const QStringList lines = moxtext::readTextLines(datoteka);
    for (const QString &line : lines) {
        const QString upper = moxtext::upperAZ(line);
        if (upper.startsWith(kljuc))
            return upper.contains(QStringLiteral("TRUE"));
    }
    return false;
}

namespace {

bool jeDirektorij(const QString &path) { return !path.isEmpty() && QFileInfo(moxpath::native(path)).isDir(); }

} // namespace

bool preveriDirektorijPot(const QString &path, TInteraction &ui, bool bezOsebe)
{
    for (;;) {
        if (jeDirektorij(path))
            return true;
        const int odgovor = ui.pokaziSporocilo(QStringLiteral("Direktorij ") + path +
                                                   QStringLiteral(" ne obstaja!       Generiraj ?"),
                                               mtWarning, mbYes | mbNo, 0);
        if (odgovor != mrYes)
            return false;
        bool ustvarjeno = false;
        QString prefix;
        for (qsizetype i = 0; i < path.size(); ++i) {
            const QChar c = path.at(i);
            prefix += c;
            if (!moxpath::isSeparator(c) && i != path.size() - 1)
                continue;
            const QString dir = moxpath::native(prefix);
            if (QFileInfo(dir).isDir())
                continue;
            if (!QDir().mkdir(dir)) {
                ui.showMessage(QStringLiteral("Direktorija ") + prefix + QStringLiteral(" NE MOREM KREIRATI!"));
                return false;
            }
            ustvarjeno = true;
        }
        if (bezOsebe && !ustvarjeno && !jeDirektorij(path))
            return false;
    }
}

namespace {

// The text before the first blank and the text after it (at most limit
// characters). Without a blank the word is empty and the rest is the text.
void odcepi(const QString &s, qsizetype limit, QString &beseda, QString &ostanek)
{
    const qsizetype p = s.indexOf(u' ');
    if (p < 0) {
        beseda.clear();
        ostanek = s.left(limit);
        return;
    }
    beseda = s.left(p);
    ostanek = s.mid(p + 1, limit);
}

} // namespace

TUkaz razcleniUkaz(const QString &line)
{
    TUkaz u;
    QString s = line + u' ';
    QString beseda, ostanek;
    odcepi(s, 500, beseda, ostanek);
    u.ukaz = moxtext::upperAZ(moxtext::trimBlanks(beseda));
    s = ostanek;
    if (!u.ukaz.isEmpty() && QStringLiteral("PREPARE,REFRESH,SQL").contains(u.ukaz)) {
        u.a1 = moxtext::trimBlanks(s);
        return u;
    }
    odcepi(s, 500, beseda, ostanek);
    u.a1 = moxtext::upperAZ(moxtext::trimBlanks(beseda));
    s = ostanek;
    QString *dalje[] = {&u.a2, &u.a3};
    for (QString *a : dalje) {
        if (moxtext::trimBlanksLeft(s).isEmpty())
            break;
        s = moxtext::trimBlanksLeft(s);
        odcepi(s, 100, beseda, ostanek);
        *a = moxtext::upperAZ(moxtext::trimBlanks(beseda));
        s = ostanek;
    }
    return u;
}
