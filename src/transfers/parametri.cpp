// Parameters: preparation and refresh.
#include "transfers/parametri.h"

#include "dbf/apollo.h"
#include "general/manifest.h"
#include "run/dbfops.h"
#include "log/history.h"
#include "log/runlog.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "base/text.h"
#include "transfers/okvir.h"
#include "transfers/prepis.h"

#include <QDate>

#include <exception>

namespace {

const QString kKA007PAR = QStringLiteral("KA007PAR");
const QString kPR107PAR = QStringLiteral("PR107PAR");
const QString kPR207EXT = QStringLiteral("PR207EXT");

// Passes of both runs.
enum { kParametri = 0, kVrednosti = 1, kRazsiritve = 2 };

QString sql(const TMoxContext &ctx, const QStringList &vrstice)
{
    return zamenjave(vrstice.join(moxtext::crlf), QStringLiteral("SQL"), ctx);
}

bool vsi(const QString &filter)
{
    return filter.trimmed().isEmpty() || filter.trimmed() == QStringLiteral("%");
}

void zapriTabele(TMoxContext &ctx)
{
    for (TApolloDataSet *t : {&ctx.taDBF, &ctx.taDBF2, &ctx.taDBF3}) {
        try {
            t->Close();
        } catch (const EMoxError &) {
            // Closing what another run left open: nothing of it is used.
        }
    }
}

} // namespace

// ---------------------------------------------------------------- preparation

TIzidDruzine pripraviParametre(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TIzbiraParametrov &izbira,
                               const TNapredekDruzine *napredek)
{
    TIzidDruzine izid;
    for (const QString &t : {kKA007PAR, kPR107PAR, kPR207EXT}) {
        TStevciPrehoda s;
        s.oznaka = QStringLiteral("TAVO.") + t;
        izid.prehodi << s;
    }
    auto prikazi = [&](int prehod) {
        if (napredek && napredek->prikazi)
            napredek->prikazi(prehod, izid.prehodi[prehod]);
    };
    for (int i = 0; i < izid.prehodi.size(); ++i)
        prikazi(i);

    const QString mapa = moxpath::withTrailingSeparator(zahteva.pot.isEmpty() ? ctx.currSaveDir : zahteva.pot);
    zapriTabele(ctx);
    TNaKoncu zapri([&ctx] { zapriTabele(ctx); });
    if (napredek && napredek->tece)
        napredek->tece(true);
    TNaKoncu konec([napredek] {
        if (napredek && napredek->tece)
            napredek->tece(false);
    });

    TConsoleInteraction konzola;
    TInteraction &ui = ctx.ui ? *ctx.ui : static_cast<TInteraction &>(konzola);
    TApolloDataSet *tabele[] = {&ctx.taDBF, &ctx.taDBF2, &ctx.taDBF3};
    const QString imena[] = {kKA007PAR, kPR107PAR, kPR207EXT};
    // The package's manifest lists the family again only once its files are
    // whole and closed.
    manifestZacetekPriprave(mapa, QStringLiteral("PARAMETRI"));
    for (int i = 0; i < 3; ++i)
        ustvariDBF(ctx, mapa, imena[i]);
    for (int i = 0; i < 3; ++i)
        if (!odpriDBF(*tabele[i], mapa, imena[i], QString(), ui))
            throw EMoxError(QStringLiteral("NE MOREM ODPRETI tabele: ") + imena[i]);
    ui.processEvents();

    // The value filter limits the values and, through them, the parameters;
    // the parameter filter is a whole WHERE clause of its own.
    QString pogojVrednosti, pogojParametra;
    if (!vsi(izbira.filter107)) {
        pogojVrednosti = QStringLiteral(" and ") + izbira.filter107 + u' ';
        pogojParametra = QStringLiteral(" and sifra007 in (select sifra007 from tavo.pr107par where ") +
                         izbira.filter107 + u')';
    }
    const QString klavzula = vsi(izbira.filter007)
                                 ? QStringLiteral(" where stat_007='1' ") + pogojParametra
                                 : u' ' + izbira.filter007 + QStringLiteral(" and stat_007='1' ") + pogojParametra;
    const QString pogojDefault = izbira.samoDefault ? QStringLiteral(" and depen107='0000' ") : QString();

    TOracleDataSet quPar(&ctx.osOracle), quVred(&ctx.osOracle), quRaz(&ctx.osOracle);
    quPar.SQL << sql(ctx, {QStringLiteral("select * from tavo.ka007par ") + klavzula + QStringLiteral(" order by sifra007")});
    quVred.SQL << sql(ctx, {QStringLiteral("select * from tavo.pr107par where sifra007=:sifra007 and stat_107='1' ") +
                                pogojDefault + pogojVrednosti + QStringLiteral("  order by sifra107")});
    quVred.DeclareVariable(QStringLiteral("sifra007"), otInteger);
    quRaz.SQL << sql(ctx, {QStringLiteral(
                          "select * from tavo.pr207ext where sifra107=:sifra107 and stat_207='1' order by sifra107")});
    quRaz.DeclareVariable(QStringLiteral("sifra107"), otInteger);

    static const QStringList poljaParametra{
        QStringLiteral("ATTR_007"), QStringLiteral("SIFRA007"), QStringLiteral("APP__007"), QStringLiteral("CLASS007"),
        QStringLiteral("DESC_007"), QStringLiteral("DEPEN007"), QStringLiteral("PCODE007"), QStringLiteral("DESCL007"),
        QStringLiteral("DATUMIPL"), QStringLiteral("USER_IPL")};
    static const QStringList poljaVrednosti{
        QStringLiteral("SIFRA007"), QStringLiteral("APP__007"), QStringLiteral("CLASS007"), QStringLiteral("ATTR_007"),
        QStringLiteral("DEPEN107"), QStringLiteral("WKSID107"), QStringLiteral("SIFRAX31"), QStringLiteral("USERDEF1"),
        QStringLiteral("TIP__X31"), QStringLiteral("SIFRA107"), QStringLiteral("VAL1_107"), QStringLiteral("DATUMIPL"),
        QStringLiteral("USER_IPL")};
    static const QStringList poljaRazsiritve{QStringLiteral("SIFRA107"), QStringLiteral("VAL1_207"),
                                             QStringLiteral("DATUMIPL"), QStringLiteral("USER_IPL")};

    auto dodaj = [](TApolloDataSet &dbf, const TOracleDataSet &q, const QStringList &polja) {
        dbf.Append();
        nastaviBesedilo(dbf, QStringLiteral("POPRAVI"), QStringLiteral("*"));
        for (const QString &p : polja)
            prepisiBesedilo(q, dbf, p);
        dbf.Post();
    };

    quPar.Open();
    for (; !quPar.Eof(); quPar.Next()) {
        dodaj(ctx.taDBF, quPar, poljaParametra);
        ++izid.prehodi[kParametri].prebranih;
        prikazi(kParametri);
        quVred.Close();
        quVred.SetVariable(QStringLiteral("sifra007"), quPar.FieldByName(QStringLiteral("SIFRA007")).AsInteger());
        quVred.Open();
        for (; !quVred.Eof(); quVred.Next()) {
            dodaj(ctx.taDBF2, quVred, poljaVrednosti);
            ++izid.prehodi[kVrednosti].prebranih;
            prikazi(kVrednosti);
            quRaz.Close();
            quRaz.SetVariable(QStringLiteral("sifra107"), quVred.FieldByName(QStringLiteral("SIFRA107")).AsInteger());
            quRaz.Open();
            for (; !quRaz.Eof(); quRaz.Next()) {
                dodaj(ctx.taDBF3, quRaz, poljaRazsiritve);
                ++izid.prehodi[kRazsiritve].prebranih;
                prikazi(kRazsiritve);
            }
            quRaz.Close();
        }
        quVred.Close();
        ui.processEvents();
    }
    quPar.Close();
    for (TApolloDataSet *t : tabele)
        t->Close();
    manifestKonecPriprave(ctx, mapa, QStringLiteral("PARAMETRI"),
                          datotekeDela(mapa, {kKA007PAR, kPR107PAR, kPR207EXT}));
    return izid;
}

// ---------------------------------------------------------------- triggers

QStringList stavkiTriggerjevParametrov(const TMoxContext &ctx, const QString &nacin)
{
    QStringList stavki;
    for (const char *trigger : {"BTKA007PAR", "BTPR107PAR", "BTPR207EXT"})
        stavki << sql(ctx, {QStringLiteral("ALTER TRIGGER TAVO.") + QLatin1String(trigger) + u' ' + nacin});
    return stavki;
}

namespace {

// The row triggers of the three tables, switched off for the refresh: only
// those that did switch off are switched on again, and a switch-on that
// fails leaves the table without its trigger, an error of the run.
//
// While a trigger is off, the run history holds a marker row for its table
// ("IZKLOPLJENI TRIGGERJI " + owner.table, mark "T"), the same the general
// refresh keeps: a run killed in between leaves it, and the start-up switches
// that table's triggers on again (vklopiPozabljeneTriggerje).
class TTriggerjiParametrov {
public:
    explicit TTriggerjiParametrov(TMoxContext &ctx) : m_ctx(ctx), m_stavek(&ctx.osOracle) {}

    void izklopi(TOkvirOsvezevanja &o)
    {
        const QStringList stavki = stavkiTriggerjevParametrov(m_ctx, QStringLiteral("DISABLE"));
        for (int i = 0; i < stavki.size(); ++i) {
            try {
                oznaka(i, true);
                izvedi(stavki[i]);
                m_izklopljeni << i;
            } catch (const EMoxError &e) {
                try {
                    oznaka(i, false);
                } catch (const EMoxError &) {
                    // A marker left behind only switches on a trigger that is on.
                }
                // No such trigger or no privilege: the rows get the trigger's
                // work, as they would from the application.
                const QString opomba = QStringLiteral("OPOZORILO: ") + stavki[i] + QStringLiteral(" ni uspel: ") +
                                       e.message().simplified();
                o.vrstica(opomba);
                m_ctx.meDyn = QStringList{datumBesedilo(QDate::currentDate()) + QStringLiteral("  ") + opomba};
                DajVLog(m_ctx);
            }
        }
    }

    void vklopi(TOkvirOsvezevanja &o)
    {
        const QStringList stavki = stavkiTriggerjevParametrov(m_ctx, QStringLiteral("ENABLE"));
        for (int i : std::as_const(m_izklopljeni)) {
            try {
                izvedi(stavki[i]);
            } catch (const EMoxError &e) {
                const QString sporocilo = QStringLiteral("NAPAKA pri vklopu triggerja: ") + stavki[i] +
                                          QStringLiteral(" (trigger je še izklopljen)") + moxtext::crlf + e.message();
                ++o.stevci(i).napak;
                o.prikazi(i);
                o.neuspeh(sporocilo);
                o.vrstica(QStringLiteral("NAPAKA: ") + sporocilo.simplified());
                if (m_ctx.ui)
                    m_ctx.ui->showMessage(sporocilo);
                continue; // the marker stays: the start-up tries again
            }
            try {
                oznaka(i, false);
            } catch (const EMoxError &) {
                // A marker left behind only switches on a trigger that is on.
            }
        }
        m_izklopljeni.clear();
    }

private:
    void izvedi(const QString &besedilo)
    {
        m_stavek.Clear();
        m_stavek.SQL << besedilo;
        m_stavek.Execute();
    }

    // Writes (or removes) the marker of table i while its trigger is off.
    void oznaka(int i, bool zapisi)
    {
        if (!m_ctx.p_moxShrani)
            return;
        static const char *const tabele[] = {"KA007PAR", "PR107PAR", "PR207EXT"};
        const QString vrsta = QStringLiteral("IZKLOPLJENI TRIGGERJI ") + moxtext::upperAZ(m_ctx.currUserAsTavo) + u'.' +
                              QLatin1String(tabele[i]);
        if (zapisi)
            izvediNaZgodovini(m_ctx.osOracle,
                              QStringLiteral("insert into orna_util.orna_mox (datummox,user_mox,vrstamox,napakemox) "
                                             "values (sysdate,:user_mox,:vrstamox,:napakemox)"),
                              {{QStringLiteral("user_mox"), m_ctx.currUser},
                               {QStringLiteral("vrstamox"), vrsta},
                               {QStringLiteral("napakemox"), QStringLiteral("T")}});
        else
            izvediNaZgodovini(m_ctx.osOracle,
                              QStringLiteral("delete from orna_util.orna_mox where vrstamox=:vrstamox and "
                                             "napakemox=:napakemox"),
                              {{QStringLiteral("vrstamox"), vrsta}, {QStringLiteral("napakemox"), QStringLiteral("T")}});
    }

    TMoxContext &m_ctx;
    TOracleQuery m_stavek;
    QList<int> m_izklopljeni;
};

TOpisOkvira opisParametrov()
{
    TOpisOkvira o;
    o.vrsta = QStringLiteral("PARAMETRI");
    // A report of its own: the print-form and analysis refreshes of the same
    // script keep theirs.
    o.rezultat = QStringLiteral("PARAM.rez");
    o.naslov = QStringLiteral("PARAMETRI (KA007PAR,PR107PAR,PR207EXT)");
    o.tabele = {QStringLiteral("TAVO.KA007PAR"), QStringLiteral("TAVO.PR107PAR"), QStringLiteral("TAVO.PR207EXT")};
    o.zPopravki = false;
    o.obvestiloNapake = QStringLiteral("NAPAKA pri osveževanju PARAMETROV!");
    o.obvestiloVedno = true;
    o.zakljucekPreverjanja = QStringLiteral("Konec preverjanja PARAMETROV ");
    o.zakljucekOsvezevanja = QStringLiteral("Konec osveževanja PARAMETROV ");
    o.konecSporocilo = QStringLiteral("Konec osveževanju PARAMETROV!");
    return o;
}

// The refresh's passes: parameters in file order, each new one with its
// values and their extensions as one transaction.
class TOsvezevanjeParametrov {
public:
    TOsvezevanjeParametrov(TMoxContext &ctx, TOkvirOsvezevanja &o)
        : m_ctx(ctx), m_o(o), m_stevilo(&ctx.osOracle), m_seq{TOracleQuery(&ctx.osOracle), TOracleQuery(&ctx.osOracle),
                                                              TOracleQuery(&ctx.osOracle)},
          m_insPar(&ctx.osOracle), m_insVred(&ctx.osOracle), m_insRaz(&ctx.osOracle)
    {
    }

    void pripravi();
    void izvedi();

private:
    void parameter();
    void vrednost(qint64 novParameter, bool &napaka);
    void razsiritve(const QString &sifra107, qint64 novaVrednost, bool &napaka);
    qint64 novKljuc(int prehod);
    QString polje(TApolloDataSet &t, const char *ime) { return t.FieldByName(QLatin1String(ime)).AsString(); }

    TMoxContext &m_ctx;
    TOkvirOsvezevanja &m_o;
    TOracleDataSet m_stevilo;
    TOracleQuery m_seq[3];
    TOracleQuery m_insPar, m_insVred, m_insRaz;
};

void TOsvezevanjeParametrov::pripravi()
{
    m_o.preveriDatoteke({kKA007PAR + QStringLiteral(".DBF"), kPR107PAR + QStringLiteral(".DBF"),
                         kPR207EXT + QStringLiteral(".DBF")});
    m_o.odpriDBF(m_ctx.taDBF, kKA007PAR);
    m_o.odpriDBF(m_ctx.taDBF2, kPR107PAR, QStringLiteral("SIFRA007"));
    m_o.odpriDBF(m_ctx.taDBF3, kPR207EXT, QStringLiteral("SIFRA107"));

    m_stevilo.SQL << m_o.stavek({QStringLiteral("select count(*) vseh from tavo.ka007par where class007=:class007 and "
                                                "attr_007=:attr_007 and stat_007='1'")});
    m_stevilo.DeclareVariable(QStringLiteral("attr_007"), otString);
    m_stevilo.DeclareVariable(QStringLiteral("class007"), otString);

    const QString tabele[] = {kKA007PAR, kPR107PAR, kPR207EXT};
    for (int i = 0; i < 3; ++i) {
        m_seq[i].SQL << m_o.stavek(
            {QStringLiteral("begin :naslednji:=tavo.getSequence('") + tabele[i] + QStringLiteral("'); end;")});
        m_seq[i].DeclareVariable(QStringLiteral("naslednji"), otInteger);
    }

    m_insPar.SQL << m_o.stavek({QStringLiteral("insert into tavo.ka007par (SIFRA007, APP__007, CLASS007, ATTR_007, "
                                               "DESC_007, DEPEN007, PCODE007, DESCL007, STAT_007,USER_IPL,DATUMIPL) "),
                                QStringLiteral(" values(:SIFRA007,:APP__007,:CLASS007,:ATTR_007,:DESC_007,:DEPEN007,"
                                               ":PCODE007,:DESCL007, '1','ORN',sysdate) ")});
    m_insPar.DeclareVariable(QStringLiteral("sifra007"), otInteger);
    for (const char *v : {"class007", "app__007", "attr_007", "desc_007", "depen007", "pcode007", "descl007"})
        m_insPar.DeclareVariable(QLatin1String(v), otString);

    m_insVred.SQL << m_o.stavek(
        {QStringLiteral("insert into tavo.pr107par (SIFRA007, APP__007, CLASS007, ATTR_007, DEPEN107, WKSID107, SIFRAX31,"),
         QStringLiteral("USERDEF1, VAL1_107, TIP__X31, SIFRA107, DATUMIPL, USER_IPL, STAT_107) "),
         QStringLiteral("values (:SIFRA007,:APP__007,:CLASS007,:ATTR_007,:DEPEN107,:WKSID107,:SIFRAX31,"),
         QStringLiteral(":USERDEF1,:VAL1_107,:TIP__X31,:SIFRA107,sysdate,'ORN','1') ")});
    for (const char *v : {"sifra007", "sifrax31", "sifra107"})
        m_insVred.DeclareVariable(QLatin1String(v), otInteger);
    for (const char *v : {"app__007", "class007", "attr_007", "depen107", "wksid107", "userdef1", "val1_107", "tip__x31"})
        m_insVred.DeclareVariable(QLatin1String(v), otString);

    m_insRaz.SQL << m_o.stavek({QStringLiteral("insert into tavo.pr207ext (SIFRA207, VAL1_207, SIFRA107, "
                                               "STAT_207,USER_IPL,DATUMIPL)"),
                                QStringLiteral("   values(:SIFRA207,:VAL1_207,:SIFRA107,'1','ORN',sysdate)")});
    m_insRaz.DeclareVariable(QStringLiteral("sifra207"), otInteger);
    m_insRaz.DeclareVariable(QStringLiteral("val1_207"), otString);
    // The value's key is a number: bound as one.
    m_insRaz.DeclareVariable(QStringLiteral("sifra107"), otInteger);
}

void TOsvezevanjeParametrov::izvedi()
{
    m_ctx.taDBF.First();
    m_o.prehod(kParametri, m_ctx.taDBF, [this] { parameter(); });
}

// A new key from the table's sequence function; a function that gives no
// usable key is an error of the insertion that needed it.
qint64 TOsvezevanjeParametrov::novKljuc(int prehod)
{
    TOracleQuery &q = m_seq[prehod];
    q.Execute();
    const qint64 kljuc = q.GetVariable(QStringLiteral("naslednji")).AsInteger();
    if (kljuc < 1)
        throw EMoxError(QStringLiteral(" AUTOMATSKO ŠTEVILČENJE NE DELA !") + moxtext::crlf + q.SQL.join(u' '));
    return kljuc;
}

void TOsvezevanjeParametrov::parameter()
{
    TApolloDataSet &par = m_ctx.taDBF;
    const QString atribut = polje(par, "ATTR_007");
    const QString razred = polje(par, "CLASS007");

    m_stevilo.Close();
    m_stevilo.SetVariable(QStringLiteral("attr_007"), atribut);
    m_stevilo.SetVariable(QStringLiteral("class007"), razred);
    m_stevilo.Open();
    const qint64 vseh = m_stevilo.FieldByName(QStringLiteral("vseh")).AsInteger();
    m_stevilo.Close();
    if (vseh != 0)
        return; // the parameter exists: it is never corrected

    const QString oznaka = atribut + QStringLiteral("  ") + razred;
    m_o.novo(kParametri, QStringLiteral("NOVO(007): ") + oznaka);
    if (m_o.samoPreverjanje())
        return;

    bool napaka = false;
    qint64 novKljucParametra = 0;
    try {
        novKljucParametra = novKljuc(kParametri);
        m_insPar.SetVariable(QStringLiteral("sifra007"), novKljucParametra);
        m_insPar.SetVariable(QStringLiteral("attr_007"), atribut);
        m_insPar.SetVariable(QStringLiteral("class007"), razred);
        for (const char *p : {"APP__007", "DESC_007", "DEPEN007", "PCODE007", "DESCL007"})
            m_insPar.SetVariable(QLatin1String(p), polje(par, p));
        m_insPar.Execute();
    } catch (const EMoxError &e) {
        napaka = true;
        m_o.napaka(kParametri, QStringLiteral("NAPAKA(007): ") + oznaka, e.message());
    }

    // The values of the parameter, found through the index on SIFRA007. The
    // seek finds the first key that begins with the text; a key such as
    // "120" after a missing "12" ends the loop at once (blanks pad the keys
    // and sort before digits, so "12" comes before "120").
    const QString sifra007 = polje(par, "SIFRA007");
    TApolloDataSet &vred = m_ctx.taDBF2;
    if (!sifra007.isEmpty() && vred.Seek(sifra007)) {
        while (!vred.Eof() && polje(vred, "SIFRA007") == sifra007) {
            if (!vred.Deleted())
                vrednost(novKljucParametra, napaka);
            vred.Next();
        }
    }

    // The parameter arrives whole or not at all.
    try {
        if (napaka)
            m_ctx.osOracle.Rollback();
        else
            m_ctx.osOracle.Commit();
    } catch (const EMoxError &e) {
        m_o.napaka(kParametri, QStringLiteral("NAPAKA(007): ") + oznaka, e.message());
        try {
            m_ctx.osOracle.Rollback();
        } catch (const EMoxError &) {
            // Nothing of the parameter was committed.
        }
    }
}

void TOsvezevanjeParametrov::vrednost(qint64 novParameter, bool &napaka)
{
    TApolloDataSet &vred = m_ctx.taDBF2;
    m_o.preberi(kVrednosti);
    const QString sifra107 = polje(vred, "SIFRA107");
    const QString oznaka = polje(vred, "ATTR_007") + QStringLiteral("  ") + polje(vred, "VAL1_107");
    m_o.novo(kVrednosti, QStringLiteral("NOVO(107): ") + oznaka);

    qint64 novaVrednost = 0;
    try {
        novaVrednost = novKljuc(kVrednosti);
        m_insVred.SetVariable(QStringLiteral("sifra007"), novParameter);
        m_insVred.SetVariable(QStringLiteral("sifra107"), novaVrednost);
        for (const char *p :
             {"APP__007", "CLASS007", "ATTR_007", "DEPEN107", "WKSID107", "USERDEF1", "TIP__X31", "VAL1_107"})
            m_insVred.SetVariable(QLatin1String(p), polje(vred, p));
        // A whole number, or null when the field is empty; anything else
        // (decimals included) is refused rather than cut.
        const QString x31 = polje(vred, "SIFRAX31").trimmed();
        bool celo = true;
        const qint64 vrednostX31 = x31.isEmpty() ? 0 : x31.toLongLong(&celo);
        if (!celo)
            throw EMoxError(QStringLiteral("SIFRAX31: '") + x31 + QStringLiteral("' ni celo število"));
        m_insVred.SetVariable(QStringLiteral("sifrax31"), x31.isEmpty() ? QVariant() : QVariant(vrednostX31));
        m_insVred.Execute();
    } catch (const EMoxError &e) {
        napaka = true;
        m_o.napaka(kVrednosti, QStringLiteral("NAPAKA(107): ") + oznaka, e.message());
    }
    razsiritve(sifra107, novaVrednost, napaka);
}

// Every extension of the value travels with it (the index holds them in a row).
void TOsvezevanjeParametrov::razsiritve(const QString &sifra107, qint64 novaVrednost, bool &napaka)
{
    TApolloDataSet &raz = m_ctx.taDBF3;
    if (sifra107.isEmpty() || !raz.Seek(sifra107))
        return;
    for (; !raz.Eof() && polje(raz, "SIFRA107") == sifra107; raz.Next()) {
        if (raz.Deleted())
            continue;
        TStevciPrehoda &s = m_o.stevci(kRazsiritve);
        ++s.prebranih;
        ++s.novih;
        m_o.prikazi(kRazsiritve);
        try {
            m_insRaz.SetVariable(QStringLiteral("sifra207"), novKljuc(kRazsiritve));
            m_insRaz.SetVariable(QStringLiteral("sifra107"), novaVrednost);
            m_insRaz.SetVariable(QStringLiteral("val1_207"), polje(raz, "VAL1_207"));
            m_insRaz.Execute();
        } catch (const EMoxError &e) {
            napaka = true;
            m_o.napaka(kRazsiritve, QStringLiteral("NAPAKA(207): ") + sifra107 + QStringLiteral("  ") + polje(raz, "VAL1_207"),
                       e.message());
        }
    }
}

} // namespace

// ---------------------------------------------------------------- refresh

TIzidDruzine osveziParametre(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    TOkvirOsvezevanja okvir(ctx, zahteva, napredek, opisParametrov());
    return okvir.izvedi([&ctx](TOkvirOsvezevanja &o) {
        TOsvezevanjeParametrov osvezevanje(ctx, o);
        osvezevanje.pripravi();
        // A check-only run writes nothing: the triggers, which every session
        // of the database shares, stay as they are.
        if (o.samoPreverjanje()) {
            osvezevanje.izvedi();
            return;
        }
        TTriggerjiParametrov triggerji(ctx);
        triggerji.izklopi(o);
        std::exception_ptr napaka;
        try {
            osvezevanje.izvedi();
        } catch (...) {
            napaka = std::current_exception();
        }
        // On again before the run is recorded, however the passes ended.
        try {
            ctx.osOracle.Rollback(); // nothing of a parameter left half-way stays open
        } catch (const EMoxError &) {
        }
        triggerji.vklopi(o);
        if (napaka)
            std::rethrow_exception(napaka);
    });
}
