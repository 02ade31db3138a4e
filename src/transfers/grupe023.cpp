// Groups 023: the code list and the preparation.
#include "transfers/grupe023.h"

#include "dbf/apollo.h"
#include "general/manifest.h"
#include "log/messages.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "base/text.h"
#include "transfers/grupe_nastavitve.h"
#include "transfers/predloge.h"
#include "transfers/prepis.h"
#include "transfers/pripravaskupno.h"

#include <QFileInfo>

namespace {

const QStringList kPoljaGrupe{QStringLiteral("SIFRA023"), QStringLiteral("CODE_023"), QStringLiteral("DESC_023"),
                              QStringLiteral("TYPE_023"), QStringLiteral("STAT_023"), QStringLiteral("USER_CRE"),
                              QStringLiteral("USER_IPL")};
const QStringList kPoljaHC{QStringLiteral("SIFRA023"), QStringLiteral("CODE_023"), QStringLiteral("SIFRA055"),
                           QStringLiteral("CODE_055"), QStringLiteral("ORDIN011"), QStringLiteral("CARD_011"),
                           QStringLiteral("INF__011"), QStringLiteral("STAT_011"), QStringLiteral("USER_IPL"),
                           QStringLiteral("USER_CRE")};
const QStringList kPoljaStoritve{QStringLiteral("SIFRA023"), QStringLiteral("CODE_023"), QStringLiteral("SIFRA011"),
                                 QStringLiteral("CODE_011"), QStringLiteral("STAT_023"), QStringLiteral("USER_CRE"),
                                 QStringLiteral("USER_IPL")};

// Adds a record: the listed fields from the row's columns of the same names,
// DATUMIPL from the row's datipl and DATUMCRE from its datumcre, both without
// a time of day at midnight.
void dodajZapis(TApolloDataSet &dbf, const TOracleDataSet &vrstica, const QStringList &polja)
{
    dbf.Append();
    try {
        for (const QString &p : polja)
            prepisiBesedilo(vrstica, dbf, p);
        nastaviBesedilo(dbf, QStringLiteral("DATUMIPL"),
                        datumBrezUre(vrstica.FieldByName(QStringLiteral("DATIPL")).AsString()));
        nastaviBesedilo(dbf, QStringLiteral("DATUMCRE"),
                        datumBrezUre(vrstica.FieldByName(QStringLiteral("DATUMCRE")).AsString()));
        dbf.Post();
    } catch (...) {
        dbf.Cancel();
        throw;
    }
}

} // namespace

QString preberiSeznam023(const QStringList &vrstice)
{
    QString s(1, u',');
    for (const QString &v : vrstice)
        s += moxtext::trimBlanks(v) + u',';
    return s;
}

QString datotekaSeznama023(const TRunState &rs)
{
    return moxpath::join(rs.currSaveDir, QStringLiteral("xg_023.str"));
}

void odpriDBF023(TMoxContext &ctx, const QString &mapa, TApolloDataSet &grp, TApolloDataSet &hc, TApolloDataSet &sto,
                 bool prazni)
{
    namestiManjkajocePredloge(ctx, mapa, QStringLiteral("GRUPE023"));
    odpriDatotekoDruzine(grp, mapa, QStringLiteral("xgk23grp.dbf"), prazni);
    odpriDatotekoDruzine(hc, mapa, QStringLiteral("xgp11hc0.dbf"), prazni);
    odpriDatotekoDruzine(sto, mapa, QStringLiteral("xgp23grp.dbf"), prazni);
}

QStringList datotekeGrup023()
{
    return {QStringLiteral("xgk23grp"), QStringLiteral("xgp11hc0"), QStringLiteral("xgp23grp")};
}

TIzidDruzine pripraviGrupe023(TMoxContext &ctx, const QString &potRun, const QStringList &seznam,
                              const TNapredekDruzine *napredek)
{
    const QString pot = moxpath::withTrailingSeparator(potRun.isEmpty() ? ctx.currSaveDir : potRun);
    TIzidDruzine izid;
    for (const QString &t : {QStringLiteral("KA023GRP"), QStringLiteral("PO011HC0"), QStringLiteral("PO023GRP")}) {
        TStevciPrehoda s;
        s.oznaka = t;
        izid.prehodi << s;
    }
    ctx.pKonec = false;
    if (napredek && napredek->tece)
        napredek->tece(true);
    TNaKoncu konec([napredek] {
        if (napredek && napredek->tece)
            napredek->tece(false);
    });

    // Every code of the list stands between two commas, so a group is chosen
    // by its whole code: G1 is not chosen by a list naming G10.
    const QString iskano = preberiSeznam023(seznam);
    auto stavek = [&ctx](const QString &besedilo) {
        return QStringList{zamenjave(besedilo, QStringLiteral("SQL"), ctx)};
    };
    const QString izbor = QStringLiteral("(select sifra023 from tavo.ka023grp where code_023 is not null and "
                                         "instr(:seznam,','||code_023||',')>0 ) ");

    TApolloDataSet grp, hc, sto;
    try {
        // The package's manifest lists the family again only once its files
        // are whole and closed.
        manifestZacetekPriprave(pot, QStringLiteral("GRUPE023"));
        odpriDBF023(ctx, pot, grp, hc, sto, true);
        struct TDel {
            QString sql;
            TApolloDataSet &dbf;
            const QStringList &polja;
        };
        const TDel deli[] = {
            {QStringLiteral("select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka023grp grp "
                            "where code_023 is not null and instr(:seznam,','||code_023||',')>0"),
             grp, kPoljaGrupe},
            {QStringLiteral("select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,"
                            "to_char(hc.datumcre,'DD.MM.YYYY HH24:MI:SS') datumcre, kat.code_055,grp.code_023  "
                            "from tavo.po011hc0 hc, tavo.ka055hc0 kat , tavo.ka023grp grp where hc.sifra023 in ") +
                 izbor + moxtext::crlf + QStringLiteral("       and kat.sifra055=hc.sifra055  and grp.sifra023=hc.sifra023"),
             hc, kPoljaHC},
            {QStringLiteral("select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,"
                            "to_char(grp.datumcre,'DD.MM.YYYY HH24:MI:SS') datumcre, hc.code_011, kat.code_023  "
                            "from tavo.po023grp grp, tavo.ka011nhc hc, tavo.ka023grp kat  where grp.sifra023 in ") +
                 izbor + moxtext::crlf + QStringLiteral("       and hc.sifra011=grp.sifra011  and kat.sifra023=grp.sifra023 "),
             sto, kPoljaStoritve},
        };
        for (int i = 0; i < 3; ++i) {
            TOracleDataSet q(&ctx.osOracle);
            q.SQL = stavek(deli[i].sql);
            // The list is bound, never pasted into the statement: a quote in
            // a code cannot change the statement.
            q.DeclareVariable(QStringLiteral("seznam"), otString);
            q.SetVariable(QStringLiteral("seznam"), iskano);
            for (q.Open(); !q.Eof(); q.Next()) {
                if (ctx.pKonec)
                    throw EMoxError(QStringLiteral("Priprava je bila prekinjena"));
                dodajZapis(deli[i].dbf, q, deli[i].polja);
                ++izid.prehodi[i].prebranih;
                if (napredek && napredek->prikazi)
                    napredek->prikazi(i, izid.prehodi[i]);
                if (ctx.ui)
                    ctx.ui->processEvents();
            }
            q.Close();
        }
        grp.Close();
        hc.Close();
        sto.Close();
        manifestKonecPriprave(ctx, pot, QStringLiteral("GRUPE023"), datotekeDela(pot, datotekeGrup023()));
        if (!ctx.p_autoPrepare)
            infoMessage(ctx, ctx.ui, QStringLiteral("KONČANA PRIPRAVA GRUP 023!"));
    } catch (const EMoxError &e) {
        for (TApolloDataSet *t : {&grp, &hc, &sto}) {
            try {
                t->Close();
            } catch (const EMoxError &) {
                // The error that ended the run is the one reported.
            }
        }
        koncajPripravoZNapako(ctx, izid, QStringLiteral("GRUPE023"), e.message());
    }
    return izid;
}

TIzidDruzine pripraviGrupe023Skripta(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                                     const TNapredekDruzine *napredek)
{
    QStringList seznam;
    if (!zahteva.filter.isEmpty()) {
        seznam = zahteva.filter.split(u'\n');
    } else {
        const QString datoteka = datotekaSeznama023(ctx);
        if (!QFileInfo(datoteka).isFile()) {
            TIzidDruzine izid;
            koncajPripravoZNapako(ctx, izid, QStringLiteral("GRUPE023"),
                                  QStringLiteral("Ni datoteke s seznamom grup 023: ") + moxpath::native(datoteka));
            return izid;
        }
        try {
            seznam = moxtext::readTextLines(datoteka);
        } catch (const EMoxError &e) {
            TIzidDruzine izid;
            koncajPripravoZNapako(ctx, izid, QStringLiteral("GRUPE023"), e.message());
            return izid;
        }
    }
    return pripraviGrupe023(ctx, zahteva.pot, seznam, napredek);
}
