// Pallets: the settings text and the preparation.
#include "transfers/palete.h"

#include "dbf/apollo.h"
#include "general/manifest.h"
#include "log/messages.h"
#include "log/runlog.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "base/text.h"
#include "transfers/pripravaskupno.h"
#include "transfers/predloge.h"
#include "transfers/prepis.h"

#include <QDate>
#include <QFileInfo>

namespace {

QString brezKoncnihPresledkov(const QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && moxtext::isBlank(s[n - 1]))
        --n;
    return s.left(n);
}

// The fields of xp011nhc.dbf that come from the service's own row.
const QStringList kPoljaStoritve{
    QStringLiteral("TYPE_011"), QStringLiteral("CODE_011"), QStringLiteral("OPIS_011"), QStringLiteral("SSIF_K05"),
    QStringLiteral("KOL__011"), QStringLiteral("SSIF_P23"), QStringLiteral("SIFRA081"), QStringLiteral("SSIF_P11"),
    QStringLiteral("SSIF_Z07"), QStringLiteral("CODE_170"), QStringLiteral("SSIF_Z17"), QStringLiteral("COEF_011"),
    QStringLiteral("SIFRA013"), QStringLiteral("KONTO011"), QStringLiteral("DATOD011"), QStringLiteral("DATDO011"),
    QStringLiteral("SSIF_Z68"), QStringLiteral("SSIF_Z67"), QStringLiteral("DODOP011"), QStringLiteral("DEJOB011"),
    QStringLiteral("CODE_010"), QStringLiteral("STAT_011"), QStringLiteral("DECL_011"), QStringLiteral("SSIF_P20"),
    QStringLiteral("INFO_011")};

const QStringList kPoljaPalete{QStringLiteral("CODE_116"), QStringLiteral("DESC_116"), QStringLiteral("SERV_116"),
                               QStringLiteral("STAT_116"), QStringLiteral("CODE_031")};

// Lets the window repaint its counters between pallets.
void processEvents(TMoxContext &ctx)
{
    if (ctx.ui)
        ctx.ui->processEvents();
}

QString stavek(TMoxContext &ctx, const QStringList &vrstice)
{
    return zamenjave(vrstice.join(moxtext::crlf), QStringLiteral("SQL"), ctx);
}

// Adds a record whose fields take the texts of the row's columns of the same
// names (POPRAVI stays empty).
void dodajIzVrstice(TApolloDataSet &dbf, const TOracleDataSet &vrstica, const QStringList &polja)
{
    dbf.Append();
    try {
        for (const QString &p : polja)
            prepisiBesedilo(vrstica, dbf, p);
        dbf.Post();
    } catch (...) {
        dbf.Cancel();
        throw;
    }
}

} // namespace

TNastavitveGrup preberiNastavitvePalet(const QStringList &vrstice)
{
    TNastavitveGrup n;
    n.vnosi.resize(1);
    int stevec = 0;
    bool glava = true;
    for (const QString &surova : vrstice) {
        const QString vrstica = brezKoncnihPresledkov(surova);
        if (vrstica == QStringLiteral("###")) {
            ++stevec;
            n.vnosi.resize(stevec + 1);
            glava = true;
            continue;
        }
        if (!glava)
            continue;
        tipGrupaStr &vnos = n.vnosi[stevec];
        vnos.storitve = vrstica.contains(QStringLiteral("STORITVE"));
        qsizetype konec = 0;
        while (konec < vrstica.size() && !moxtext::isBlank(vrstica[konec]))
            ++konec;
        vnos.grupa = vrstica.left(konec);
        n.seznamGrup << vnos.grupa;
        glava = false;
    }
    n.stevilo = stevec;
    return n;
}

void odpriDBFPalete(TMoxContext &ctx, const QString &mapa, TApolloDataSet &pal, TApolloDataSet &pov,
                    TApolloDataSet &sto, bool prazni)
{
    namestiManjkajocePredloge(ctx, mapa, QStringLiteral("PALETE"));
    odpriDatotekoDruzine(pal, mapa, QStringLiteral("xp116pal.dbf"), prazni);
    odpriDatotekoDruzine(pov, mapa, QStringLiteral("xp116nhc.dbf"), prazni);
    odpriDatotekoDruzine(sto, mapa, QStringLiteral("xp011nhc.dbf"), prazni);
    // The index is built anew at every opening, over what the file holds.
    sto.Index(moxpath::join(mapa, QStringLiteral("xp011nhc")), QStringLiteral("code_011"));
    sto.First();
}

QStringList datotekePalet()
{
    return {QStringLiteral("xp116pal"), QStringLiteral("xp116nhc"), QStringLiteral("xp011nhc")};
}

QString datotekaNastavitevPalet(const TRunState &rs)
{
    return moxpath::join(rs.currSaveDir, QStringLiteral("xp_palet.str"));
}

TIzidDruzine pripraviPalete(TMoxContext &ctx, const QString &potRun, const QStringList &nastavitve,
                            const TNapredekDruzine *napredek)
{
    const QString pot = moxpath::withTrailingSeparator(potRun.isEmpty() ? ctx.currSaveDir : potRun);
    TIzidDruzine izid;
    for (const QString &t : {QStringLiteral("KA116PAL"), QStringLiteral("PO116NHC"), QStringLiteral("KA011NHC")}) {
        TStevciPrehoda s;
        s.oznaka = t;
        izid.prehodi << s;
    }
    auto zapisan = [&](int prehod) {
        ++izid.prehodi[prehod].prebranih;
        if (napredek && napredek->prikazi)
            napredek->prikazi(prehod, izid.prehodi[prehod]);
    };
    ctx.pKonec = false;
    if (napredek && napredek->tece)
        napredek->tece(true);
    TNaKoncu konec([&] {
        if (napredek && napredek->tece)
            napredek->tece(false);
    });

    TApolloDataSet pal, pov, sto;
    try {
        const TNastavitveGrup nast = preberiNastavitvePalet(nastavitve);
        // The package's manifest lists the family again only once its files
        // are whole and closed.
        manifestZacetekPriprave(pot, QStringLiteral("PALETE"));
        odpriDBFPalete(ctx, pot, pal, pov, sto, true);

        TOracleDataSet qPal(&ctx.osOracle), qPov(&ctx.osOracle), qSto(&ctx.osOracle);
        qPov.SQL = QStringList{stavek(ctx, {QStringLiteral("select pov.*,sto.code_011 from tavo.po116nhc pov,tavo.ka011nhc sto"),
                                            QStringLiteral("  where sifra116=:PALETA and "),
                                            QStringLiteral("       sto.sifra011(+)=pov.sifra011 ")})};
        qPov.DeclareVariable(QStringLiteral("PALETA"), otInteger);
        qSto.SQL = QStringList{stavek(
            ctx,
            {QStringLiteral("select sto.*,art.code_010,dav.code_170 from tavo.ka011nhc sto,tavo.ka010res art,tavo.pr170dk0 dav"),
             QStringLiteral(" where sifra011 in (select sifra011 from tavo.po116nhc where sifra116=:PALETA group by sifra011) "),
             QStringLiteral("      and art.sifra010(+)=sto.sifra010 and dav.sifra170(+)=sto.sifra170 ")})};
        qSto.DeclareVariable(QStringLiteral("PALETA"), otInteger);
        // A pallet is chosen when its whole code is an item of the list; the
        // list travels as a bound text, never as a part of the statement.
        qPal.SQL = QStringList{stavek(ctx, {QStringLiteral("select pal.*,odd.code_031 from tavo.ka116pal pal,tavo.kr031org odd"),
                                            QStringLiteral("  where code_116 is not null and instr(:seznam,','||code_116||',')>0"),
                                            QStringLiteral("   and odd.sifra031(+)=pal.sifra031 ")})};
        qPal.DeclareVariable(QStringLiteral("seznam"), otString);
        qPal.SetVariable(QStringLiteral("seznam"), seznamZaIskanje(nast.seznamGrup));

        for (qPal.Open(); !qPal.Eof(); qPal.Next()) {
            if (ctx.pKonec)
                throw EMoxError(QStringLiteral("Priprava je bila prekinjena"));
            dodajIzVrstice(pal, qPal, kPoljaPalete);
            zapisan(0);
            const QString koda = qPal.FieldByName(QStringLiteral("CODE_116")).AsString();
            if (!nast.vnosZa(koda).storitve) {
                processEvents(ctx);
                continue;
            }
            const qint64 kljuc = qPal.FieldByName(QStringLiteral("SIFRA116")).AsInteger();
            qPov.Close();
            qPov.SetVariable(QStringLiteral("PALETA"), kljuc);
            for (qPov.Open(); !qPov.Eof(); qPov.Next()) {
                pov.Append();
                try {
                    nastaviBesedilo(pov, QStringLiteral("CODE_116"), koda);
                    prepisiBesedilo(qPov, pov, QStringLiteral("CODE_011"));
                    pov.Post();
                } catch (...) {
                    pov.Cancel();
                    throw;
                }
                zapisan(1);
            }
            qPov.Close();
            qSto.Close();
            qSto.SetVariable(QStringLiteral("PALETA"), kljuc);
            for (qSto.Open(); !qSto.Eof(); qSto.Next()) {
                // A service shared by several pallets is written once; the
                // whole code is sought, so S1 is not taken for S10.
                const QString storitev = qSto.FieldByName(QStringLiteral("CODE_011")).AsString();
                if (sto.SeekExact(storitev))
                    continue;
                dodajIzVrstice(sto, qSto, kPoljaStoritve);
                zapisan(2);
            }
            qSto.Close();
            processEvents(ctx);
        }
        qPal.Close();
        pal.Close();
        pov.Close();
        sto.Close();
        manifestKonecPriprave(ctx, pot, QStringLiteral("PALETE"), datotekeDela(pot, datotekePalet()));
        if (!ctx.p_autoPrepare)
            infoMessage(ctx, ctx.ui, QStringLiteral("PRIPRAVA PALET NAREJENA!"));
    } catch (const EMoxError &e) {
        for (TApolloDataSet *t : {&pal, &pov, &sto}) {
            try {
                t->Close();
            } catch (const EMoxError &) {
                // The error that ended the run is the one reported.
            }
        }
        koncajPripravoZNapako(ctx, izid, QStringLiteral("PALETE"), e.message());
    }
    return izid;
}

TIzidDruzine pripraviPaleteSkripta(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    QStringList nastavitve;
    if (!zahteva.filter.isEmpty()) {
        nastavitve = zahteva.filter.split(u'\n');
    } else {
        const QString datoteka = datotekaNastavitevPalet(ctx);
        // Unattended, a missing settings file is a mistake of the set-up, not
        // a wish to export nothing.
        if (!QFileInfo(datoteka).isFile()) {
            TIzidDruzine izid;
            koncajPripravoZNapako(ctx, izid, QStringLiteral("PALETE"),
                                  QStringLiteral("Ni datoteke z nastavitvami palet: ") + moxpath::native(datoteka));
            return izid;
        }
        try {
            nastavitve = moxtext::readTextLines(datoteka);
        } catch (const EMoxError &e) {
            TIzidDruzine izid;
            koncajPripravoZNapako(ctx, izid, QStringLiteral("PALETE"), e.message());
            return izid;
        }
    }
    return pripraviPalete(ctx, zahteva.pot, nastavitve, napredek);
}
