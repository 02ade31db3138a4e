// The common code lists: preparation into KA000HED / KG000SS0 and their
// refresh within the frame of the fixed-layout families.
#include "transfers/sks.h"

#include "dbf/apollo.h"
#include "general/manifest.h"
#include "dbf/dbflayout.h"
#include "run/dbfops.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "base/text.h"
#include "transfers/okvir.h"

#include <QHash>

namespace {

const QStringList kPoljaGlave = {QStringLiteral("SIFRA000"), QStringLiteral("DOL__000"), QStringLiteral("DESC_000"),
                                 QStringLiteral("PROD1000"), QStringLiteral("PROD2000"), QStringLiteral("PROD3000"),
                                 QStringLiteral("PROD4000")};
const QStringList kPoljaVrednosti = {QStringLiteral("SIFRA000"), QStringLiteral("KLJUC000"),
                                     QStringLiteral("OPIS_000"), QStringLiteral("OPIS1000")};

// ---- Preparation ----------------------------------------------------------

// Copies the named columns of the current row into a new record (POPRAVI
// "*"). A text wider than its field would arrive cut: it ends the
// preparation instead.
void prepisiVrstico(TApolloDataSet &dbf, const TOracleDataSet &q, const QStringList &polja)
{
    dbf.Append();
    dbf.FieldByName(QStringLiteral("POPRAVI")).setAsString(QStringLiteral("*"));
    for (const QString &ime : polja) {
        TApolloField f = dbf.FieldByName(ime);
        const QString besedilo = q.FieldByName(ime).AsString();
        const TApolloFieldInfo &info = f.info();
        if (info.type == u'C' && moxtext::toCp1250(besedilo).size() > info.width)
            throw EMoxError(QStringLiteral("Vrednost polja ") + ime + QStringLiteral(" (") + besedilo +
                            QStringLiteral(") je daljša od širine polja ") + QString::number(info.width));
        f.setAsString(besedilo);
    }
    dbf.Post();
}

void vezi(TOracleDataSet &q, const QStringList &vrednosti)
{
    for (int i = 0; i < vrednosti.size(); ++i) {
        const QString ime = QStringLiteral("f") + QString::number(i);
        q.DeclareVariable(ime, otString);
        q.SetVariable(ime, vrednosti[i]);
    }
}

// Writes the rows of the open query into dbf; counts them in prehod.
void prepisi(TMoxContext &ctx, TOracleDataSet &q, TApolloDataSet &dbf, const QStringList &polja, int prehod,
             TIzidDruzine &izid, const TNapredekDruzine *napredek)
{
    TStevciPrehoda &s = izid.prehodi[prehod];
    for (; !q.Eof(); q.Next()) {
        prepisiVrstico(dbf, q, polja);
        ++s.prebranih;
        if (s.prebranih % 200 == 0) {
            if (napredek && napredek->prikazi)
                napredek->prikazi(prehod, s);
            if (ctx.ui)
                ctx.ui->processEvents();
        }
    }
    if (napredek && napredek->prikazi)
        napredek->prikazi(prehod, s);
}

// generirajDBF writes into the save directory; the preparation's folder
// stands in for it while the two files are made.
void generirajVMapo(TMoxContext &ctx, const QString &mapa, const QString &tabela)
{
    const QString shranjena = ctx.currSaveDir;
    TNaKoncu nazaj([&] { ctx.currSaveDir = shranjena; });
    ctx.currSaveDir = mapa;
    generirajDBF(ctx, ctx.currUserAsTavo, tabela);
}

// ---- Refresh --------------------------------------------------------------

TOpisOkvira opisSKS()
{
    TOpisOkvira o;
    o.vrsta = QStringLiteral("SKS");
    o.rezultat = QStringLiteral("SKS.rez");
    o.naslov = QStringLiteral("Skupni Šifranti");
    o.tabele = {QStringLiteral("TAVO.KA000HED"), QStringLiteral("TAVO.KG000SS0")};
    o.zPopravki = true;
    o.dialogi = true;
    o.obvestiloNapake = QStringLiteral("NAPAKA pri osveževanju SKUPNIH ŠIFRANTOV!");
    o.obvestiloVedno = false;
    o.zakljucekPreverjanja = QStringLiteral("Konec preverjanja SKUPNIH ŠIFRANTOV ");
    o.zakljucekOsvezevanja = QStringLiteral("Konec osveževanja SKUPNIH ŠIFRANTOV ");
    o.konecSporocilo = QStringLiteral("KONEC osveževanja SKUPNIH ŠIFRANTOV!");
    return o;
}

// DOL__000 of the file as the value to bind: null when blank, else a whole
// number; false when it is neither.
bool celoStevilo(const QString &besedilo, QVariant &vrednost)
{
    const QString t = besedilo.trimmed();
    if (t.isEmpty()) {
        vrednost = QVariant();
        return true;
    }
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (ok)
        vrednost = n;
    return ok;
}

// A write that failed (its commit included) leaves nothing behind; every
// earlier write of the run is committed already.
void odstrani(TMoxContext &ctx)
{
    try {
        ctx.osOracle.Rollback();
    } catch (const EMoxError &) {
        // The failure itself is what the run reports.
    }
}

class TOsvezevanjeSKS {
public:
    TOsvezevanjeSKS(TMoxContext &ctx, TOkvirOsvezevanja &o, TApolloDataSet &glave, TApolloDataSet &vrednosti)
        : m_ctx(ctx), m_o(o), m_glave(glave), m_vrednosti(vrednosti)
    {
    }
    void izvedi();

private:
    void glava();
    void vrednost();
    void naloziSeznam(const QString &sifra);
    QString polje(TApolloDataSet &t, int i) { return TApolloField(&t, i).AsString(); }

    TMoxContext &m_ctx;
    TOkvirOsvezevanja &m_o;
    TApolloDataSet &m_glave, &m_vrednosti;
    TOracleDataSet m_iskanje{&m_ctx.osOracle};
    TOracleDataSet m_stevilka{&m_ctx.osOracle};
    TOracleQuery m_vstavi{&m_ctx.osOracle};
    TOracleQuery m_popravi{&m_ctx.osOracle};
    int m_polja[7] = {};

    // The values of one list as the value lookup finds them: by the key
    // without its trailing blanks, the row with the highest status.
    struct TVrednost {
        QString kljuc; // as stored
        QString opis, opis1;
    };
    QString m_seznam;
    bool m_seznamNalozen = false;
    QHash<QString, TVrednost> m_vrednostiSeznama;
};

QString brezKoncnihPresledkov(QString s)
{
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

void TOsvezevanjeSKS::izvedi()
{
    m_o.preveriDatoteke({QStringLiteral("KA000HED.dbf"), QStringLiteral("KG000SS0.dbf")});
    m_o.odpriDBF(m_glave, QStringLiteral("KA000HED"));
    m_o.odpriDBF(m_vrednosti, QStringLiteral("KG000SS0"));

    // Headers.
    m_iskanje.SQL = QStringList{
        m_o.stavek({QStringLiteral("select * from tavo.ka000hed where sifra000=:s000 and stat_000='1'")})};
    m_iskanje.DeclareVariable(QStringLiteral("s000"), otString);
    m_popravi.SQL = QStringList{m_o.stavek(
        {QStringLiteral("update tavo.ka000hed set dol__000=:dol__000,"),
         QStringLiteral(" desc_000=:desc_000,prod1000=:prod1000,prod2000=:prod2000,"),
         QStringLiteral(" prod3000=:prod3000,prod4000=:prod4000,user_ipl=tavo.pckLogParam.getUser,datumipl=sysdate "),
         QStringLiteral(" where sifra000=:sifra000")})};
    m_vstavi.SQL = QStringList{m_o.stavek(
        {QStringLiteral("insert into tavo.ka000hed (sifra000,dol__000,desc_000,type_000,prod1000,prod2000,"),
         QStringLiteral(" prod3000,prod4000,stat_000,datumipl,user_ipl)"),
         QStringLiteral(" values (:sifra000,:dol__000,:desc_000,'S',:prod1000,:prod2000,:prod3000,:prod4000,'1',"
                        "sysdate,tavo.pckLogParam.getUser) ")})};
    for (TOracleQuery *q : {&m_vstavi, &m_popravi}) {
        q->DeclareVariable(QStringLiteral("sifra000"), otString);
        q->DeclareVariable(QStringLiteral("dol__000"), otInteger);
        for (const char *ime : {"desc_000", "prod1000", "prod2000", "prod3000", "prod4000"})
            q->DeclareVariable(QString::fromLatin1(ime), otString);
    }
    for (int i = 0; i < kPoljaGlave.size(); ++i)
        m_polja[i] = m_glave.FieldByName(kPoljaGlave[i]).index();
    m_o.prehod(0, m_glave, [this] { glava(); });

    // Values.
    m_iskanje.Close();
    m_iskanje.DeleteVariables();
    // The values are looked up a list at a time (the file holds them by
    // list): a lookup per value compares the trimmed key of every value of
    // the list and cannot use the index.
    m_iskanje.SQL = QStringList{
        m_o.stavek({QStringLiteral("select * from tavo.kg000ss0 where sifra000=:s000 order by stat_000 desc")})};
    m_iskanje.DeclareVariable(QStringLiteral("s000"), otString);
    m_stevilka.SQL = QStringList{m_o.stavek({QStringLiteral("begin :naslednji:=tavo.getSequence('KG000SS0'); end;")})};
    m_stevilka.DeclareVariable(QStringLiteral("naslednji"), otInteger);
    m_vstavi.Clear();
    m_vstavi.SQL = QStringList{m_o.stavek(
        {QStringLiteral("insert into tavo.kg000ss0 (sifra000,kljuc000,opis_000,opis1000,stat_000,id___000,datumipl,"
                        "user_ipl) "),
         QStringLiteral(" values(:sifra000,:kljuc000,:opis_000,:opis1000,'1',:id___000,sysdate,"
                        "tavo.pckLogParam.getUser) ")})};
    m_popravi.Clear();
    m_popravi.SQL = QStringList{
        m_o.stavek({QStringLiteral("update tavo.kg000ss0 set opis_000=:opis_000,opis1000=:opis1000,stat_000='1' "),
                    QStringLiteral("  where sifra000=:sifra000 and kljuc000=:kljuc000")})};
    for (TOracleQuery *q : {&m_vstavi, &m_popravi})
        for (const char *ime : {"sifra000", "kljuc000", "opis_000", "opis1000"})
            q->DeclareVariable(QString::fromLatin1(ime), otString);
    m_vstavi.DeclareVariable(QStringLiteral("id___000"), otInteger);
    for (int i = 0; i < kPoljaVrednosti.size(); ++i)
        m_polja[i] = m_vrednosti.FieldByName(kPoljaVrednosti[i]).index();
    m_o.setPredpona(QStringLiteral("NAPAKA \r\n"));
    m_o.prehod(1, m_vrednosti, [this] { vrednost(); });
    m_iskanje.Close();
}

void TOsvezevanjeSKS::glava()
{
    QStringList f;
    for (int i = 0; i < kPoljaGlave.size(); ++i)
        f << polje(m_glave, m_polja[i]);
    const QString &sifra = f[0];

    // A DOL__000 that is not a whole number cannot be written: an error of
    // the record, never a value made up in its place.
    QVariant dol;
    if (!celoStevilo(f[1], dol)) {
        m_o.napaka(0, QStringLiteral("NAPAKA: ") + sifra + QStringLiteral(" DOL__000 ni celo število: ") + f[1],
                   QStringLiteral("DOL__000 ni celo število: ") + f[1], mtWarning);
        return;
    }

    m_iskanje.Close();
    m_iskanje.SetVariable(QStringLiteral("s000"), sifra);
    m_iskanje.Open();
    const bool nova = m_iskanje.Eof();
    if (!nova) {
        bool enako = true;
        for (int i = 1; i < kPoljaGlave.size() && enako; ++i)
            enako = m_iskanje.FieldByName(kPoljaGlave[i]).AsString() == f[i];
        m_iskanje.Close();
        if (enako)
            return;
    }
    m_iskanje.Close();

    TOracleQuery &q = nova ? m_vstavi : m_popravi;
    if (nova)
        m_o.novo(0, QStringLiteral("NOVO: ") + sifra);
    else
        m_o.popravek(0, QStringLiteral("POPR: ") + sifra);
    if (m_o.samoPreverjanje())
        return;
    try {
        q.SetVariable(QStringLiteral("sifra000"), sifra);
        q.SetVariable(QStringLiteral("dol__000"), dol);
        for (int i = 2; i < kPoljaGlave.size(); ++i)
            q.SetVariable(kPoljaGlave[i].toLower(), f[i]);
        q.Execute();
        m_ctx.osOracle.Commit();
    } catch (const EMoxError &e) {
        odstrani(m_ctx);
        if (nova)
            m_o.napaka(0, QStringLiteral("NAPAKA: dodajanje glave") + sifra, e.message(), mtInformation);
        else
            m_o.napaka(0, QStringLiteral("NAPAKA: popravljanje glave ") + sifra, e.message(), mtWarning);
    }
}

void TOsvezevanjeSKS::vrednost()
{
    const QString sifra = polje(m_vrednosti, m_polja[0]);
    const QString kljuc = polje(m_vrednosti, m_polja[1]);
    const QString opis = polje(m_vrednosti, m_polja[2]);
    const QString opis1 = polje(m_vrednosti, m_polja[3]);
    const QString oznaka = sifra + QStringLiteral("  ") + kljuc;
    m_o.setPredpona(oznaka + moxtext::crlf);

    naloziSeznam(sifra);
    const auto najdena = m_vrednostiSeznama.constFind(kljuc);
    if (najdena == m_vrednostiSeznama.constEnd()) {
        m_o.novo(1, QStringLiteral("NOVO: ") + oznaka);
        if (m_o.samoPreverjanje())
            return;
        try {
            m_stevilka.Close();
            m_stevilka.Open();
            m_stevilka.Close();
            const TOracleValue st = m_stevilka.GetVariable(QStringLiteral("naslednji"));
            if (st.IsNull() || st.AsInteger() < 1)
                throw EMoxError(QStringLiteral("AUTOMATSKO ŠTEVILČENJE NE DELA ! tavo.getSequence('KG000SS0')"));
            m_vstavi.SetVariable(QStringLiteral("sifra000"), sifra);
            m_vstavi.SetVariable(QStringLiteral("kljuc000"), kljuc);
            m_vstavi.SetVariable(QStringLiteral("opis_000"), opis);
            m_vstavi.SetVariable(QStringLiteral("opis1000"), opis1);
            m_vstavi.SetVariable(QStringLiteral("id___000"), st.AsInteger());
            m_vstavi.Execute();
            m_ctx.osOracle.Commit();
            m_vrednostiSeznama.insert(kljuc, TVrednost{kljuc, opis, opis1});
        } catch (const EMoxError &e) {
            odstrani(m_ctx);
            m_o.napaka(1, QStringLiteral("NAPAKA: dodajanje ") + oznaka, e.message(), mtWarning);
        }
        return;
    }

    // The row that wins (the active one before inactive ones) is the one
    // compared and the one corrected: its own key is bound, so a key stored
    // with trailing blanks is corrected too.
    const QString staro = najdena->opis;
    const QString staro1 = najdena->opis1;
    const QString kljucOracle = najdena->kljuc;
    if (staro == opis && staro1 == opis1)
        return;
    QStringList vrstice{QStringLiteral("POPR: ") + oznaka};
    if (staro != opis)
        vrstice << QStringLiteral("       OPIS_000 staro:") + staro + QStringLiteral("  novo:") + opis;
    if (staro1 != opis1)
        vrstice << QStringLiteral("       OPIS1000 staro:") + staro1 + QStringLiteral("  novo:") + opis1;
    m_o.popravek(1, vrstice);
    if (m_o.samoPreverjanje())
        return;
    try {
        m_popravi.SetVariable(QStringLiteral("sifra000"), sifra);
        m_popravi.SetVariable(QStringLiteral("kljuc000"), kljucOracle);
        m_popravi.SetVariable(QStringLiteral("opis_000"), opis);
        m_popravi.SetVariable(QStringLiteral("opis1000"), opis1);
        m_popravi.Execute();
        if (m_popravi.RowsProcessed() < 1)
            throw EMoxError(QStringLiteral("Vrstica ni bila popravljena"));
        m_ctx.osOracle.Commit();
        m_vrednostiSeznama.insert(kljuc, TVrednost{kljucOracle, opis, opis1});
    } catch (const EMoxError &e) {
        odstrani(m_ctx);
        m_o.napaka(1, QStringLiteral("NAPAKA: popravljanje ") + oznaka, e.message(), mtWarning);
    }
}

void TOsvezevanjeSKS::naloziSeznam(const QString &sifra)
{
    if (m_seznamNalozen && m_seznam == sifra)
        return;
    m_seznamNalozen = false;
    m_vrednostiSeznama.clear();
    m_iskanje.Close();
    m_iskanje.SetVariable(QStringLiteral("s000"), sifra);
    m_iskanje.Open();
    for (; !m_iskanje.Eof(); m_iskanje.Next()) {
        const QString kljuc = m_iskanje.FieldByName(QStringLiteral("KLJUC000")).AsString();
        const QString k = brezKoncnihPresledkov(kljuc);
        // Rows come by status, highest first: the first of a key wins.
        if (!m_vrednostiSeznama.contains(k))
            m_vrednostiSeznama.insert(k, TVrednost{kljuc, m_iskanje.FieldByName(QStringLiteral("OPIS_000")).AsString(),
                                                   m_iskanje.FieldByName(QStringLiteral("OPIS1000")).AsString()});
    }
    m_iskanje.Close();
    m_seznam = sifra;
    m_seznamNalozen = true;
}

} // namespace

QString pogojFiltraSKS(const QString &filter, QStringList &vrednosti)
{
    vrednosti.clear();
    QString ostanek = filter;
    if (!ostanek.endsWith(u','))
        ostanek += u',';
    QStringList pogoji;
    while (!ostanek.isEmpty()) {
        const qsizetype p = ostanek.indexOf(u',');
        vrednosti << ostanek.left(p).trimmed();
        pogoji << QStringLiteral("sifra000 like :f") + QString::number(vrednosti.size() - 1);
        ostanek.remove(0, p + 1);
    }
    return u'(' + pogoji.join(QStringLiteral(" or ")) + u')';
}

TIzidDruzine pripraviSKS(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    TIzidDruzine izid;
    for (const char *tabela : {"TAVO.KA000HED", "TAVO.KG000SS0"}) {
        TStevciPrehoda s;
        s.oznaka = QString::fromLatin1(tabela);
        izid.prehodi.append(s);
    }
    const QString mapa = moxpath::withTrailingSeparator(zahteva.pot.isEmpty() ? ctx.currSaveDir : zahteva.pot);
    if (napredek && napredek->prikazi) {
        napredek->prikazi(0, izid.prehodi[0]);
        napredek->prikazi(1, izid.prehodi[1]);
    }
    if (napredek && napredek->tece)
        napredek->tece(true);

    TApolloDataSet glave, vrednosti;
    TOracleDataSet q(&ctx.osOracle);
    TNaKoncu konec([&] {
        q.Close();
        glave.Close();
        vrednosti.Close();
        if (napredek && napredek->tece)
            napredek->tece(false);
    });
    try {
        // The package's manifest lists the family again only once its files
        // are whole and closed.
        manifestZacetekPriprave(mapa, QStringLiteral("SKS"));
        generirajVMapo(ctx, mapa, QStringLiteral("KA000HED"));
        generirajVMapo(ctx, mapa, QStringLiteral("KG000SS0"));
        TConsoleInteraction konzola;
        TInteraction &ui = ctx.ui ? *ctx.ui : static_cast<TInteraction &>(konzola);
        if (!odpriDBF(glave, mapa, QStringLiteral("KA000HED"), QString(), ui) ||
            !odpriDBF(vrednosti, mapa, QStringLiteral("KG000SS0"), QString(), ui)) {
            izid.status = QStringLiteral("D");
            izid.napaka = QStringLiteral("NE MOREM ODPRETI tabele");
            ++ctx.pNapakePrenosov;
            return izid;
        }
        if (ctx.ui)
            ctx.ui->processEvents();

        QStringList filtri;
        const QString pogoj =
            pogojFiltraSKS(zahteva.filter.isEmpty() ? QStringLiteral("%") : zahteva.filter, filtri);

        // The installation served now reads its own schema.
        q.SQL = QStringList{zamenjave(
            QStringList{QStringLiteral("select * from tavo.ka000hed where ") + pogoj,
                        ctx.p_replikacija ? QStringLiteral("   and stat_000='1' order by sifra000")
                                          : QStringLiteral("   and type_000='S' and stat_000='1' order by sifra000")}
                .join(moxtext::crlf),
            QStringLiteral("SQL"), ctx)};
        vezi(q, filtri);
        q.Open();
        prepisi(ctx, q, glave, kPoljaGlave, 0, izid, napredek);
        q.Close();
        q.DeleteVariables();

        q.SQL = QStringList{zamenjave(
            QStringList{QStringLiteral("select * from tavo.kg000ss0 where sifra000 in "),
                        QStringLiteral("   (select sifra000 from tavo.ka000hed where ") + pogoj +
                            QStringLiteral(" and type_000='S' and stat_000='1') "),
                        QStringLiteral("   and stat_000='1' order by sifra000,kljuc000")}
                .join(moxtext::crlf),
            QStringLiteral("SQL"), ctx)};
        vezi(q, filtri);
        q.Open();
        prepisi(ctx, q, vrednosti, kPoljaVrednosti, 1, izid, napredek);
        q.Close();
        glave.Close();
        vrednosti.Close();
        manifestKonecPriprave(ctx, mapa, QStringLiteral("SKS"),
                              datotekeDela(mapa, {QStringLiteral("KA000HED"), QStringLiteral("KG000SS0")}));
    } catch (const EMoxError &e) {
        // The files keep the records written so far; the run failed.
        izid.status = QStringLiteral("D");
        izid.napaka = e.message();
        ++ctx.pNapakePrenosov;
        if (ctx.ui)
            ctx.ui->showMessage(e.message());
    }
    return izid;
}

TIzidDruzine osveziSKS(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    // The tables outlive the frame, which closes them at the end of the run.
    TApolloDataSet glave, vrednosti;
    TOkvirOsvezevanja okvir(ctx, zahteva, napredek, opisSKS());
    return okvir.izvedi([&](TOkvirOsvezevanja &o) {
        TOsvezevanjeSKS sks(ctx, o, glave, vrednosti);
        sks.izvedi();
    });
}
