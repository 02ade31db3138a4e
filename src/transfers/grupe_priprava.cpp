// Preparation of groups and activities: the groups the settings text selects,
// with their activities (and services), links, departments, HCs with their
// sub-HCs, lab descriptions and lab services, into the ten group files.
#include "transfers/grupe.h"

#include "general/manifest.h"
#include "log/runlog.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"
#include "transfers/grupe_datoteke.h"
#include "transfers/grupe_nastavitve.h"

#include <QDate>
#include <QHash>

#include <vector>

using moxtext::upperAZ;

namespace {

using D = TDatotekeGrup;

// One Oracle row held by column name (upper case), so that a query can be
// read whole before the rows are written (and before a nested query runs).
using TVrstica = QHash<QString, QString>;

std::vector<TVrstica> preberiVse(TOracleDataSet &q)
{
    std::vector<TVrstica> vrstice;
    q.Open();
    QStringList imena;
    for (int i = 0; i < q.FieldCount(); ++i)
        imena << upperAZ(q.FieldName(i));
    for (; !q.Eof(); q.Next()) {
        TVrstica v;
        for (int i = 0; i < imena.size(); ++i)
            // The first column of a name wins: "hc.*" before a joined code.
            if (!v.contains(imena[i]))
                v.insert(imena[i], q.Field(i).AsString());
        vrstice.push_back(std::move(v));
    }
    q.Close();
    return vrstice;
}

class TPripravaGrup {
public:
    TPripravaGrup(TMoxContext &ctx, const QString &mapa, const TNapredekDruzine *napredek, TIzidDruzine &izid)
        : m_ctx(ctx), m_mapa(mapa), m_napredek(napredek), m_izid(izid)
    {
    }

    void izvedi(const TNastavitveGrup &nastavitve);

private:
    void pripravi(TOracleDataSet &q, const QStringList &vrstice)
    {
        q.SQL = QStringList{zamenjave(vrstice.join(moxtext::crlf), QStringLiteral("SQL"), m_ctx)};
    }
    // Adds a record to a file: every field (but POPRAVI, left empty) from
    // the row's column of the same name, DATUMIPL from the row's date text
    // (the date alone when its time is 00:00:00, or in full with
    // datumCel), and the given values over both.
    void dodaj(D::Datoteka d, const TVrstica &vrstica, const QHash<QString, QString> &vrednosti = {},
               bool datumCel = false);
    void grupa(const TVrstica &g, const TNastavitveGrup &nastavitve);
    void pripraviHC(const QString &koda, const TVrstica &vir);
    void pripraviHCPoSifri(const QString &kljuc);
    void pripraviPodHC(const QString &kljuc);

    TMoxContext &m_ctx;
    QString m_mapa;
    const TNapredekDruzine *m_napredek;
    TIzidDruzine &m_izid;
    TDatotekeGrup m_dat;

    TOracleDataSet m_quAkt{&m_ctx.osOracle}, m_quPovezave{&m_ctx.osOracle}, m_quOddelki{&m_ctx.osOracle},
        m_quHCPovezave{&m_ctx.osOracle}, m_quHC{&m_ctx.osOracle}, m_quStoritve{&m_ctx.osOracle},
        m_quHCPoSifri{&m_ctx.osOracle}, m_quLab{&m_ctx.osOracle}, m_quLabStoritve{&m_ctx.osOracle},
        m_quSifraHC{&m_ctx.osOracle}, m_quPodHC{&m_ctx.osOracle};
};

void TPripravaGrup::dodaj(D::Datoteka d, const TVrstica &vrstica, const QHash<QString, QString> &vrednosti,
                          bool datumCel)
{
    TApolloDataSet &ta = m_dat[d];
    ta.Append();
    for (int i = 0; i < ta.FieldCount(); ++i) {
        const QString ime = ta.FieldInfo(i).name.toUpper();
        QString v;
        if (ime == QStringLiteral("POPRAVI"))
            continue;
        if (vrednosti.contains(ime))
            v = vrednosti.value(ime);
        else if (ime == QStringLiteral("DATUMIPL"))
            v = datumCel ? vrstica.value(QStringLiteral("DATIPL")) : datumBrezUre(vrstica.value(QStringLiteral("DATIPL")));
        else if (vrstica.contains(ime))
            v = vrstica.value(ime);
        else
            throw EMoxError(QStringLiteral("Za polje ") + ime + QStringLiteral(" datoteke ") + D::ime(d) +
                            QStringLiteral(" ni stolpca v poizvedbi"));
        zapisiPolje(ta, ime, v);
    }
    ta.Post();
    TStevciPrehoda &st = m_izid.prehodi[d];
    ++st.prebranih;
    if (m_napredek && m_napredek->prikazi)
        m_napredek->prikazi(int(d), st);
}

void TPripravaGrup::izvedi(const TNastavitveGrup &nastavitve)
{
    m_dat.odpri(m_ctx, m_mapa, true);

    pripravi(m_quAkt, {QStringLiteral("select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,odd.code_031 "
                                      "from tavo.ka060ak0 ak,tavo.kr031org odd"),
                       QStringLiteral("  where sifra060 in "),
                       QStringLiteral("    ( select sifra060 from tavo.po061grp where sifra061=:grupa group by sifra060)"),
                       QStringLiteral("   and odd.sifra031(+)=ak.sifra031   order by ak.stat_060 desc")});
    m_quAkt.DeclareVariable(QStringLiteral("grupa"), otInteger);
    pripravi(m_quPovezave,
             {QStringLiteral("select code_060,to_char(datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,user_ipl from tavo.ka060ak0 "
                             "where sifra060 in "),
              QStringLiteral("(select sifra060 from tavo.po061grp where sifra061=:grupa group by sifra060) ")});
    m_quPovezave.DeclareVariable(QStringLiteral("grupa"), otInteger);
    pripravi(m_quOddelki,
             {QStringLiteral("select po.ORDR_061, po.PERF_061, po. LABG_061,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') "
                             "datipl,po.user_ipl,odd.code_031"),
              QStringLiteral("   from tavo.po061spg po,tavo.kr031org odd"),
              QStringLiteral("       where po.sifra061=:grupa and odd.sifra031=po.sifra031")});
    m_quOddelki.DeclareVariable(QStringLiteral("grupa"), otInteger);
    pripravi(m_quHCPovezave,
             {QStringLiteral("select po.ORDIN065, po.CARD_065,po.SIFRA055,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') "
                             "datipl,po.user_ipl,hc.code_055"),
              QStringLiteral("   from tavo.po065hc0 po,tavo.ka055hc0 hc"),
              QStringLiteral("       where po.sifra061=:grupa and hc.sifra055=po.sifra055")});
    m_quHCPovezave.DeclareVariable(QStringLiteral("grupa"), otInteger);
    pripravi(m_quHC, {QStringLiteral("select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka055hc0 hc"),
                      QStringLiteral("  where sifra055 in (select sifra055 from"),
                      QStringLiteral("      (select sifra055 from tavo.po065hc0 where sifra061=:grupa"),
                      QStringLiteral("       union"),
                      QStringLiteral("       select sifna055 from tavo.po055shc where sifra055 in"),
                      QStringLiteral("          (select sifra055 from tavo.po065hc0 where sifra061=:grupa)"),
                      QStringLiteral("      ) vsiHc  group by sifra055) order by stat_055 desc")});
    m_quHC.DeclareVariable(QStringLiteral("grupa"), otInteger);
    pripravi(m_quStoritve, {QStringLiteral("select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,sto.code_011 "
                                           "from tavo.ka062nhc hc,tavo.ka011nhc sto"),
                            QStringLiteral("where sifra060=:AKTIVNOST and sto.sifra011=hc.sifra011 order by stat_062 desc")});
    m_quStoritve.DeclareVariable(QStringLiteral("AKTIVNOST"), otInteger);
    pripravi(m_quHCPoSifri, {QStringLiteral("select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from "
                                            "tavo.ka055hc0 hc where hc.sifra055=:sifra055 order by stat_055 desc")});
    m_quHCPoSifri.DeclareVariable(QStringLiteral("sifra055"), otInteger);
    pripravi(m_quLab, {QStringLiteral("select lab.*,to_char(lab.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from "
                                      "tavo.ka055lab lab where sifra055=:sifra055")});
    m_quLab.DeclareVariable(QStringLiteral("sifra055"), otInteger);
    pripravi(m_quLabStoritve,
             {QStringLiteral("select ka062nhh.*,to_char(ka062nhh.datumipl,'DD.MM.YYYY HH24:MI:SS') "
                             "datipl,tavo.ka011nhc.code_011 from tavo.ka062nhh ,tavo.ka011nhc "),
              QStringLiteral("  where sifra055=:sifra055 and ka011nhc.sifra011=ka062nhh.sifra011 order by stat_062 desc")});
    m_quLabStoritve.DeclareVariable(QStringLiteral("sifra055"), otInteger);
    pripravi(m_quSifraHC, {QStringLiteral("select sifra055 from tavo.ka055hc0 where code_055=:code_055 order by stat_055 desc")});
    m_quSifraHC.DeclareVariable(QStringLiteral("code_055"), otString);
    pripravi(m_quPodHC,
             {QStringLiteral("select to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,po.user_ipl, "
                             "po.sifra055,po.ordin055,card_055,hc1.code_055 code_055,hc2.code_055  coden055"),
              QStringLiteral("from tavo.po055shc po, tavo.ka055hc0 hc1,tavo.ka055hc0 hc2"),
              QStringLiteral("where po.sifna055=:sifna055"),
              QStringLiteral("and hc1.sifra055=po.sifra055 and hc2.sifra055=po.sifna055")});
    m_quPodHC.DeclareVariable(QStringLiteral("SIFNA055"), otInteger);

    // The groups of the list, each matched as a whole item of it (a code
    // that only occurs inside a longer listed code is not selected). The list
    // is bound, never pasted into the statement text.
    TOracleDataSet grupe(&m_ctx.osOracle);
    pripravi(grupe, {QStringLiteral("select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from "
                                    "tavo.ka061grp grp where code_061 is not null and instr(:seznam ,','||code_061||',')>0")});
    grupe.DeclareVariable(QStringLiteral("seznam"), otString);
    grupe.SetVariable(QStringLiteral("seznam"), QStringLiteral(",") + nastavitve.seznamBesedilo());
    for (const TVrstica &g : preberiVse(grupe)) {
        grupa(g, nastavitve);
        if (m_ctx.ui)
            m_ctx.ui->processEvents();
    }
    m_dat.zapri();
}

void TPripravaGrup::grupa(const TVrstica &g, const TNastavitveGrup &nastavitve)
{
    const QString koda = g.value(QStringLiteral("CODE_061"));
    const qint64 sifra = g.value(QStringLiteral("SIFRA061")).toLongLong();
    if (!koda.isEmpty())
        dodaj(D::k61grp, g);

    const tipGrupaStr &vnos = nastavitve.vnosZa(koda);

    // Activities: each written once, with its services when the entry of the
    // group that writes it asks for them.
    m_quAkt.SetVariable(QStringLiteral("grupa"), sifra);
    for (const TVrstica &a : preberiVse(m_quAkt)) {
        const QString kodaAkt = a.value(QStringLiteral("CODE_060"));
        if (!aktivnostIzbrana(vnos, kodaAkt))
            continue;
        if (m_dat.najdi(D::k60ak0, {QStringLiteral("CODE_060")}, {kodaAkt}))
            continue;
        dodaj(D::k60ak0, a);
        if (!vnos.storitve)
            continue;
        m_quStoritve.SetVariable(QStringLiteral("AKTIVNOST"), a.value(QStringLiteral("SIFRA060")).toLongLong());
        for (const TVrstica &s : preberiVse(m_quStoritve)) {
            const QStringList kljuc{kodaAkt, s.value(QStringLiteral("CODE_011"))};
            if (m_dat.najdi(D::k62nhc, {QStringLiteral("CODE_060"), QStringLiteral("CODE_011")}, kljuc))
                continue;
            dodaj(D::k62nhc, s, {{QStringLiteral("CODE_060"), kodaAkt}});
        }
    }

    // Links of the selected activities, with the activity's full date.
    m_quPovezave.SetVariable(QStringLiteral("grupa"), sifra);
    for (const TVrstica &p : preberiVse(m_quPovezave))
        if (aktivnostIzbrana(vnos, p.value(QStringLiteral("CODE_060"))))
            dodaj(D::o61grp, p, {{QStringLiteral("CODE_061"), koda}}, true);

    m_quOddelki.SetVariable(QStringLiteral("grupa"), sifra);
    for (const TVrstica &o : preberiVse(m_quOddelki))
        dodaj(D::o61spg, o, {{QStringLiteral("CODE_061"), koda}});

    // Only groups of HCs ("H", "L", "T") carry HCs.
    const QString tip = g.value(QStringLiteral("TYPE_061"));
    if (tip != QStringLiteral("H") && tip != QStringLiteral("L") && tip != QStringLiteral("T"))
        return;

    m_quHC.SetVariable(QStringLiteral("grupa"), sifra);
    for (const TVrstica &hc : preberiVse(m_quHC))
        pripraviHC(hc.value(QStringLiteral("CODE_055")), hc);

    m_quHCPovezave.SetVariable(QStringLiteral("grupa"), sifra);
    for (const TVrstica &p : preberiVse(m_quHCPovezave)) {
        dodaj(D::o65hc0, p, {{QStringLiteral("CODE_061"), koda}});
        pripraviPodHC(p.value(QStringLiteral("SIFRA055")));
    }
}

void TPripravaGrup::pripraviHC(const QString &koda, const TVrstica &vir)
{
    if (m_dat.najdi(D::k55hc0, {QStringLiteral("CODE_055")}, {koda}))
        return; // with its lab row and lab services
    dodaj(D::k55hc0, vir, {{QStringLiteral("CODE_055"), koda}});

    m_quSifraHC.SetVariable(QStringLiteral("code_055"), koda);
    const std::vector<TVrstica> sifre = preberiVse(m_quSifraHC);
    if (sifre.empty())
        return;
    const qint64 sifra = sifre.front().value(QStringLiteral("SIFRA055")).toLongLong();
    m_quLab.SetVariable(QStringLiteral("sifra055"), sifra);
    const std::vector<TVrstica> lab = preberiVse(m_quLab);
    if (lab.empty())
        return; // no lab description: no lab services either
    dodaj(D::k55lab, lab.front(), {{QStringLiteral("CODE_055"), koda}});
    m_quLabStoritve.SetVariable(QStringLiteral("sifra055"), sifra);
    for (const TVrstica &s : preberiVse(m_quLabStoritve))
        dodaj(D::k62nhh, s, {{QStringLiteral("CODE_055"), koda}});
}

void TPripravaGrup::pripraviHCPoSifri(const QString &kljuc)
{
    m_quHCPoSifri.SetVariable(QStringLiteral("sifra055"), kljuc.toLongLong());
    const std::vector<TVrstica> hc = preberiVse(m_quHCPoSifri);
    if (!hc.empty())
        pripraviHC(hc.front().value(QStringLiteral("CODE_055")), hc.front());
}

void TPripravaGrup::pripraviPodHC(const QString &kljuc)
{
    pripraviHCPoSifri(kljuc);
    m_quPodHC.SetVariable(QStringLiteral("SIFNA055"), kljuc.toLongLong());
    // Read whole before going down: the query object is used again below.
    for (const TVrstica &p : preberiVse(m_quPodHC)) {
        const QStringList par{p.value(QStringLiteral("CODEN055")), p.value(QStringLiteral("CODE_055"))};
        // A link already written is skipped with everything under it, which
        // ends the descent on a cycle.
        if (m_dat.najdi(D::o55shc, {QStringLiteral("CODEN055"), QStringLiteral("CODE_055")}, par))
            continue;
        dodaj(D::o55shc, p);
        pripraviPodHC(p.value(QStringLiteral("SIFRA055")));
    }
}

} // namespace

TIzidDruzine pripraviGrupe(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const QStringList &nastavitve,
                           const TNapredekDruzine *napredek)
{
    TIzidDruzine izid;
    for (const QString &t : kPrehodiPripraveGrup) {
        TStevciPrehoda s;
        s.oznaka = t;
        izid.prehodi << s;
    }
    const QString mapa = zahteva.pot.isEmpty() ? ctx.currSaveDir : zahteva.pot;
    if (napredek && napredek->tece)
        napredek->tece(true);
    try {
        // The package's manifest lists the family again only once its files
        // are whole and closed.
        manifestZacetekPriprave(mapa, QStringLiteral("GRUPE"));
        {
            TPripravaGrup priprava(ctx, mapa, napredek, izid);
            priprava.izvedi(preberiNastavitveGrup(nastavitve));
        }
        manifestKonecPriprave(ctx, mapa, QStringLiteral("GRUPE"), datotekeDela(mapa, TDatotekeGrup::osnove()));
    } catch (const EMoxError &e) {
        izid.status = QStringLiteral("D");
        izid.napaka = e.message();
    }
    if (napredek && napredek->tece)
        napredek->tece(false);
    if (!izid.napaka.isEmpty()) {
        // The files hold part of a preparation: a failed run, in the run log
        // also when nobody is at the screen.
        ++ctx.pNapakePrenosov;
        zapisiVLog(ctx, ctx.ui,
                   {datumBesedilo(QDate::currentDate()) + QStringLiteral("  PRIPRAVA GRUPE: NAPAKA ") + izid.napaka});
        if (ctx.ui && !ctx.pAutomatika)
            ctx.ui->showMessage(QStringLiteral("NAPAKA pri pripravi grup:") + moxtext::crlf + moxtext::crlf + izid.napaka);
    } else if (!ctx.p_autoPrepare && ctx.ui) {
        ctx.ui->showMessage(QStringLiteral("PRIPRAVA GRUP NAREJENA!"));
    }
    return izid;
}

TIzidDruzine pripraviGrupeIzDatoteke(TMoxContext &ctx, const TZahtevaDruzine &zahteva,
                                     const TNapredekDruzine *napredek)
{
    const QString mapa = zahteva.pot.isEmpty() ? ctx.currSaveDir : zahteva.pot;
    QStringList nastavitve;
    try {
        nastavitve = naloziNastavitveGrup(mapa);
    } catch (const EMoxError &e) {
        TIzidDruzine izid;
        izid.status = QStringLiteral("D");
        izid.napaka = e.message();
        ++ctx.pNapakePrenosov;
        zapisiVLog(ctx, ctx.ui,
                   {datumBesedilo(QDate::currentDate()) + QStringLiteral("  PRIPRAVA GRUPE: NAPAKA ") + izid.napaka});
        if (ctx.ui && !ctx.pAutomatika)
            ctx.ui->showMessage(e.message());
        return izid;
    }
    return pripraviGrupe(ctx, zahteva, nastavitve, napredek);
}
