// Preparation of the print forms: the selected active forms, each followed by
// its active fields and regions, into KA900REP, KA901RAT and KA902RPR of the
// save directory.
#include "transfers/obrazci.h"

#include "dbf/apollo.h"
#include "general/manifest.h"
#include "run/dbfops.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "transfers/prepis.h"

namespace obrazci {
const QStringList kPolja900{
    QStringLiteral("SIFRA900"), QStringLiteral("DESC_900"), QStringLiteral("LEFT_900"), QStringLiteral("TOP_900"),
    QStringLiteral("RELX_900"), QStringLiteral("RELY_900"), QStringLiteral("SIFRAX03"), QStringLiteral("CODE_900"),
    QStringLiteral("CLASS900"), QStringLiteral("NAME_900"), QStringLiteral("ACTIV900"), QStringLiteral("NAME2900"),
    QStringLiteral("PARAM900")};
const QStringList kPolja901{
    QStringLiteral("SIFRA900"), QStringLiteral("SIFRA901"), QStringLiteral("TYPE_901"), QStringLiteral("AXISX901"),
    QStringLiteral("AXISY901"), QStringLiteral("LENG_901"), QStringLiteral("PICT_901"), QStringLiteral("FONT_901"),
    QStringLiteral("COND_901"), QStringLiteral("ORDIN901"), QStringLiteral("DEFLT901"), QStringLiteral("INFO901"),
    QStringLiteral("DESC_901"), QStringLiteral("RATID901")};
const QStringList kPolja902{QStringLiteral("SIFRA900"), QStringLiteral("SIFRA902"), QStringLiteral("DESC_902"),
                            QStringLiteral("INIT_902"), QStringLiteral("LEFT_902"), QStringLiteral("TOP__902"),
                            QStringLiteral("RELX_902"), QStringLiteral("RELY_902")};
} // namespace obrazci

QString pogojObrazcev(const QString &filter)
{
    const QString f = filter.trimmed();
    if (f.isEmpty() || f == QStringLiteral("%"))
        return QString();
    QStringList kode;
    for (const QString &del : f.split(u',')) {
        const QString t = del.trimmed();
        if (t.isEmpty())
            continue;
        bool ok = false;
        const qint64 koda = t.toLongLong(&ok);
        // Only plain digits: the codes go into the statement as numbers.
        for (const QChar c : t)
            ok = ok && c.isDigit();
        if (!ok)
            throw EMoxError(QStringLiteral("Filter obrazcev mora biti seznam številk obrazcev, ločenih z vejico "
                                           "(npr. 40,41), ali % za VSE: ") +
                            filter);
        kode << QString::number(koda);
    }
    if (kode.isEmpty())
        throw EMoxError(QStringLiteral("Filter obrazcev ne navaja nobene številke obrazca: ") + filter);
    return QStringLiteral("sifra900 in (") + kode.join(u',') + QStringLiteral(") and ");
}

namespace {

const QStringList kTabele{QStringLiteral("KA900REP"), QStringLiteral("KA901RAT"), QStringLiteral("KA902RPR")};

// A new record of the table with POPRAVI "*" and the listed columns of the
// query's row, each as its text (whole, or the preparation stops).
void dodajZapis(TApolloDataSet &t, const TOracleDataSet &q, const QStringList &polja)
{
    t.Append();
    try {
        nastaviBesedilo(t, QStringLiteral("POPRAVI"), QStringLiteral("*"));
        for (const QString &p : polja)
            prepisiBesedilo(q, t, p);
    } catch (const EMoxError &) {
        t.Cancel();
        throw;
    }
    t.Post();
}

} // namespace

TIzidDruzine pripraviObrazce(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    TIzidDruzine izid;
    for (const QString &t : kTabele) {
        TStevciPrehoda s;
        s.oznaka = QStringLiteral("TAVO.") + t;
        izid.prehodi << s;
    }
    auto prikazi = [&](int i) {
        if (napredek && napredek->prikazi)
            napredek->prikazi(i, izid.prehodi[i]);
    };
    for (int i = 0; i < izid.prehodi.size(); ++i)
        prikazi(i);

    // A filter that is not a list of codes is refused before any file is
    // replaced.
    const QString pogoj = pogojObrazcev(zahteva.filter);

    ctx.taDBF.Close();
    ctx.taDBF2.Close();
    ctx.taDBF3.Close();
    // The package's manifest lists the family again only once its files are
    // whole and closed.
    manifestZacetekPriprave(ctx.currSaveDir, QStringLiteral("OBR"));
    for (const QString &t : kTabele)
        ustvariDBF(ctx, ctx.currSaveDir, t);

    TApolloDataSet ta900, ta901, ta902;
    TApolloDataSet *tabele[] = {&ta900, &ta901, &ta902};
    TConsoleInteraction brezZaslona;
    TInteraction &ui = ctx.ui ? *ctx.ui : brezZaslona;
    for (int i = 0; i < 3; ++i)
        if (!odpriDBF(*tabele[i], ctx.currSaveDir, kTabele[i], QString(), ui))
            throw EMoxError(QStringLiteral("NE MOREM ODPRETI tabele: ") + kTabele[i]);

    if (napredek && napredek->tece)
        napredek->tece(true);
    // The tables are closed (and so written out) however the run ends; the
    // records written so far stay.
    TNaKoncu konec([&] {
        for (TApolloDataSet *t : tabele)
            t->Close();
        if (napredek && napredek->tece)
            napredek->tece(false);
    });
    if (ctx.ui)
        ctx.ui->processEvents();

    TOracleDataSet q900(&ctx.osOracle), q901(&ctx.osOracle), q902(&ctx.osOracle);
    q900.SQL = QStringList{zamenjave(QStringLiteral("select * from tavo.ka900rep where ") + pogoj +
                                         QStringLiteral("stat_900='1' order by sifra900"),
                                     QStringLiteral("SQL"), ctx)};
    q901.SQL = QStringList{zamenjave(
        QStringLiteral("select * from tavo.ka901rat where sifra900=:sifra900 and stat_901='1' order by sifra901"),
        QStringLiteral("SQL"), ctx)};
    q902.SQL = QStringList{zamenjave(
        QStringLiteral("select * from tavo.ka902rpr where sifra900=:sifra900 and stat_902='1' order by sifra902"),
        QStringLiteral("SQL"), ctx)};
    q901.DeclareVariable(QStringLiteral("sifra900"), otInteger);
    q902.DeclareVariable(QStringLiteral("sifra900"), otInteger);

    for (q900.Open(); !q900.Eof(); q900.Next()) {
        ++izid.prehodi[0].prebranih;
        prikazi(0);
        dodajZapis(ta900, q900, obrazci::kPolja900);
        const qint64 obrazec = q900.FieldByName(QStringLiteral("SIFRA900")).AsInteger();

        struct Podrejena {
            TOracleDataSet &q;
            TApolloDataSet &t;
            const QStringList &polja;
            int prehod;
        };
        for (const Podrejena &p : {Podrejena{q901, ta901, obrazci::kPolja901, 1},
                                   Podrejena{q902, ta902, obrazci::kPolja902, 2}}) {
            p.q.Close();
            p.q.SetVariable(QStringLiteral("sifra900"), obrazec);
            for (p.q.Open(); !p.q.Eof(); p.q.Next()) {
                ++izid.prehodi[p.prehod].prebranih;
                prikazi(p.prehod);
                dodajZapis(p.t, p.q, p.polja);
            }
            p.q.Close();
        }
        if (ctx.ui)
            ctx.ui->processEvents();
    }
    q900.Close();
    for (TApolloDataSet *t : tabele)
        t->Close();
    manifestKonecPriprave(ctx, ctx.currSaveDir, QStringLiteral("OBR"), datotekeDela(ctx.currSaveDir, kTabele));
    return izid;
}
