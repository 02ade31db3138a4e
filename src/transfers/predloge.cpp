#include "transfers/predloge.h"

#include "dbf/dbfio.h"
#include "log/runlog.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>

namespace {

const QString kVir = QStringLiteral(":/predloge/predloge.txt");

[[noreturn]] void napacnaVrstica(int vrstica, const QString &zakaj)
{
    throw EMoxError(QStringLiteral("Tabela predlog DBF, vrstica %1: %2").arg(vrstica).arg(zakaj));
}

bool jeIme(const QString &s)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    return re.match(s).hasMatch();
}

// The field names of a key expression ("a+b", "a,b").
QStringList poljaIzraza(const QString &izraz)
{
    static const QRegularExpression loci(QStringLiteral("[+,]"));
    QStringList out;
    for (const QString &p : izraz.split(loci))
        out << p.trimmed();
    return out;
}

// Position of a field in the template (names without regard to case), or -1.
int indeksPolja(const TPredloga &p, const QString &ime)
{
    for (int i = 0; i < p.polja.size(); ++i) {
        if (p.polja.at(i).polje.compare(ime, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// A file described without fields is a fault of the table (named at the
// line of its "datoteka").
void zakljuci(const TPredloga *p, int vrstica)
{
    if (p && p->polja.isEmpty())
        napacnaVrstica(vrstica, QStringLiteral("datoteka %1 nima polj").arg(p->datoteka));
}

} // namespace

QVector<TPredloga> preberiPredloge(const QString &besedilo)
{
    static const QRegularExpression presledki(QStringLiteral("\\s+"));
    QVector<TPredloga> out;
    const QStringList vrstice = besedilo.split(QLatin1Char('\n'));
    int zacetek = 0;
    for (int i = 0; i < vrstice.size(); ++i) {
        const int st = i + 1;
        const QString v = vrstice.at(i).trimmed();
        if (v.isEmpty() || v.startsWith(QLatin1Char('#')))
            continue;
        const QStringList t = v.split(presledki);
        TPredloga *tekoca = out.isEmpty() ? nullptr : &out.last();
        if (t.first() == QLatin1String("datoteka")) {
            if (t.size() != 3)
                napacnaVrstica(st, QStringLiteral("pričakovano: datoteka IME DRUŽINA"));
            zakljuci(tekoca, zacetek);
            for (const TPredloga &p : out) {
                if (p.datoteka.compare(t.at(1), Qt::CaseInsensitive) == 0)
                    napacnaVrstica(st, QStringLiteral("datoteka %1 je že opisana").arg(t.at(1)));
            }
            TPredloga p;
            p.datoteka = t.at(1);
            p.druzina = moxtext::upperAZ(t.at(2));
            out.append(p);
            zacetek = st;
            continue;
        }
        if (!tekoca)
            napacnaVrstica(st, QStringLiteral("pred prvo vrstico \"datoteka\""));
        if (t.first() == QLatin1String("indeks")) {
            if (t.size() != 3)
                napacnaVrstica(st, QStringLiteral("pričakovano: indeks IME IZRAZ"));
            if (!jeIme(t.at(1)))
                napacnaVrstica(st, QStringLiteral("neveljavno ime indeksa %1").arg(t.at(1)));
            tekoca->indeksi.append({t.at(1), t.at(2)});
            continue;
        }
        if (t.size() != 4)
            napacnaVrstica(st, QStringLiteral("pričakovano: POLJE VRSTA ŠIRINA VIR"));
        tipDBFStruktura f;
        f.polje = moxtext::upperAZ(t.at(0));
        f.tip = t.at(1).toUpper();
        bool ok = false;
        f.dolzina = t.at(2).toInt(&ok);
        if (!jeIme(f.polje) || f.polje.size() > 10)
            napacnaVrstica(st, QStringLiteral("neveljavno ime polja %1").arg(t.at(0)));
        if (indeksPolja(*tekoca, f.polje) >= 0)
            napacnaVrstica(st, QStringLiteral("polje %1 je že v datoteki %2").arg(f.polje, tekoca->datoteka));
        if (f.tip != QLatin1String("C") && f.tip != QLatin1String("M") && f.tip != QLatin1String("D"))
            napacnaVrstica(st, QStringLiteral("vrsta polja %1 ni C, M ali D").arg(t.at(1)));
        if (!ok || f.dolzina < 1 || f.dolzina > 255)
            napacnaVrstica(st, QStringLiteral("neveljavna širina %1").arg(t.at(2)));
        QString vir = t.at(3);
        if (vir == QLatin1String("-")) {
            vir.clear();
        } else {
            const QStringList d = vir.split(QLatin1Char('.'));
            if (d.size() != 2 || !jeIme(d.at(0)) || !jeIme(d.at(1)))
                napacnaVrstica(st, QStringLiteral("vir %1 ni oblike TABELA.STOLPEC ali -").arg(vir));
            vir = moxtext::upperAZ(vir);
        }
        tekoca->polja.append(f);
        tekoca->viri.append(vir);
    }
    zakljuci(out.isEmpty() ? nullptr : &out.last(), zacetek);
    // Every index names fields of its own file.
    for (const TPredloga &p : out) {
        for (const TPredlogaIndeks &ix : p.indeksi) {
            for (const QString &ime : poljaIzraza(ix.izraz)) {
                if (indeksPolja(p, ime) < 0)
                    throw EMoxError(QStringLiteral("Tabela predlog DBF: indeks %1 datoteke %2 navaja polje %3, ki ga ni")
                                        .arg(ix.ime, p.datoteka, ime));
            }
        }
    }
    return out;
}

const QVector<TPredloga> &predloge()
{
    static const QVector<TPredloga> vse = [] {
        QFile f(kVir);
        if (!f.open(QIODevice::ReadOnly))
            throw EMoxError(QStringLiteral("Tabela predlog DBF manjka v programu (%1)").arg(kVir));
        return preberiPredloge(QString::fromUtf8(f.readAll()));
    }();
    return vse;
}

QVector<TPredloga> predlogeDruzine(const QString &druzina)
{
    QVector<TPredloga> out;
    for (const TPredloga &p : predloge()) {
        if (druzina.isEmpty() || p.druzina.compare(druzina, Qt::CaseInsensitive) == 0)
            out.append(p);
    }
    return out;
}

const TPredloga *najdiPredlogo(const QString &datoteka)
{
    for (const TPredloga &p : predloge()) {
        if (p.datoteka.compare(datoteka, Qt::CaseInsensitive) == 0)
            return &p;
    }
    return nullptr;
}

void ustvariPredlogo(const TPredloga &predloga, const QString &mapa)
{
    const QString pot = moxpath::join(mapa, predloga.datoteka);
    TApolloDataSet t;
    if (!t.CreateNew(pot, 2, int(predloga.polja.size())))
        throw EMoxError(t.LastError());
    for (const tipDBFStruktura &f : predloga.polja)
        t.CreateField(f.polje, f.tip, f.dolzina, f.decimalk);
    if (!t.CreateExec())
        throw EMoxError(t.LastError());
    if (predloga.indeksi.isEmpty())
        return;
    t.TableName = pot;
    t.Open();
    for (const TPredlogaIndeks &ix : predloga.indeksi)
        t.Index(moxpath::join(mapa, ix.ime), ix.izraz);
    t.Close();
}

QStringList namestiPredloge(const QString &mapa, const QString &druzina, bool zamenjaj)
{
    const QVector<TPredloga> izbrane = predlogeDruzine(druzina);
    if (izbrane.isEmpty())
        throw EMoxError(QStringLiteral("Ni predlog DBF za %1").arg(druzina));
    const auto fs = dbfio::osFileSystem();
    QStringList narejene;
    for (const TPredloga &p : izbrane) {
        const QString pot = moxpath::join(mapa, p.datoteka);
        if (!zamenjaj && fs->exists(fs->resolveCase(pot)))
            continue;
        ustvariPredlogo(p, mapa);
        narejene << p.datoteka;
    }
    return narejene;
}

QStringList namestiManjkajocePredloge(TMoxContext &ctx, const QString &mapa, const QString &druzina)
{
    const QString kam = mapa.isEmpty() ? ctx.currSaveDir : mapa;
    const QStringList narejene = namestiPredloge(kam, druzina);
    if (!narejene.isEmpty()) {
        zapisiVLog(ctx, ctx.ui,
                   {datumBesedilo(QDate::currentDate()) + QStringLiteral("  PREDLOGE ") + moxtext::upperAZ(druzina)
                    + QStringLiteral(": v ") + moxpath::native(kam) + QStringLiteral(" so dodane manjkajoče datoteke ")
                    + narejene.join(QStringLiteral(", "))});
    }
    return narejene;
}
