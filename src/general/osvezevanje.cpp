// Refresh of a general table: the DBF of a structure file applied to the
// receiving installation's table.
#include "general/general.h"

#include "dbf/apollo.h"
#include "general/dbfsupport.h"
#include "general/manifest.h"
#include "general/sqlizpis.h"
#include "general/uporabapaketa.h"
#include "general/values.h"
#include "general/zaklep.h"
#include "log/history.h"
#include "log/messages.h"
#include "log/porocilo.h"
#include "log/runlog.h"
#include "log/timing.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/linefile.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/text.h"


#include <optional>

using moxtext::upperAZ;

QString stevecBesedilo(qint64 n)
{
    return n == 0 ? QString() : QString::number(n);
}

namespace {

const QString kDatumFormat = QStringLiteral("'DD.MM.YYYY HH24:MI:SS'");

QString brezKoncnihPresledkov(QString s)
{
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

// The value a lookup result binds as: null when empty, else of the column's kind.
QVariant vrednostReference(const QString &sifra, const QString &typ)
{
    if (sifra.isEmpty())
        return QVariant();
    return vrednostIzDBF(sifra, false, int(sifra.size()), typ);
}

// An error that ends the run before its records with a message of its own:
// shown as it is, or not again when it was shown where it arose.
class EKonecPriprave : public EMoxError {
public:
    EKonecPriprave(const QString &sporocilo, bool prikazano) : EMoxError(sporocilo), m_prikazano(prikazano) {}
    bool prikazano() const { return m_prikazano; }

private:
    bool m_prikazano;
};

// One column of the run, with what is found once: its DBF field and how it is
// written.
struct TStolpec {
    const tipKolone *k = nullptr;
    QString ime;          // name in upper case
    int polje = -1;       // field of the input DBF
    bool memo = false;
    bool datum = false;
    bool avto = false;    // the auto-numbered column
    bool kljuc = false;   // named in the key list
    bool posodobi = false; // in the update's assignment list
    int stolpecVrstice = -1; // column of the key select's result
};

// One key, in key order (the key descriptor).
struct TKljucOpis {
    int stolpec = -1;   // index into the run's columns
    QString tipKljuca;  // type of the KLJUC line
};

class TOsvezevanje {
public:
    TOsvezevanje(TMoxContext &ctx, TTableDescription &opis, const QString &strukturnaDatoteka, bool samoPreverjanje,
                 const TOsvezevanjeNapredek *napredek, const TPreklopTriggerjev &preklopi)
        : m_ctx(ctx), m_opis(opis), m_strDatoteka(strukturnaDatoteka), m_samoPreverjanje(samoPreverjanje),
          m_napredek(napredek), m_preklopi(preklopi), m_iskanja(&ctx.osOracle)
    {
    }

    TOsvezevanjeIzid izvedi();

private:
    void pripravi();
    void pripraviAvto();
    void zgradiStavke();
    void odpriVhod();
    void zapis();
    void novZapis(bool oznacen, const QString &kljucBesedilo, const QString &napakaBesedilo);
    void obstojecZapis(bool oznacen, const QString &kljucBesedilo, const QString &napakaBesedilo);
    bool naslednjaStevilka(qint64 &stevilka);
    void nastaviPopravek();
    void odpriSql();
    void zapisiSql(bool vstavljanje);
    void zakljuciSql();
    void napakaStavka(const QString &napakaBesedilo, const QString &sporocilo);
    void napakaZapisa(const QString &napakaBesedilo, const QString &razlog);
    void izklopiTriggerje();
    void vklopiTriggerje();
    void zakljuci();
    // The run is a failed one; its first error stays its message. With
    // pokazi the operator is told at once.
    void neuspeh(const QString &sporocilo, bool pokazi = false)
    {
        m_izid.status = QStringLiteral("D");
        if (m_izid.napaka.isEmpty())
            m_izid.napaka = sporocilo;
        if (pokazi && m_ctx.ui)
            m_ctx.ui->showMessage(sporocilo);
    }
    void zapisiPorocilo();

    bool samoPreverjanje() const
    {
        if (m_napredek && m_napredek->samoPreverjanje)
            return m_napredek->samoPreverjanje();
        return m_samoPreverjanje;
    }
    void prikazi()
    {
        if (m_napredek && m_napredek->prikazi)
            m_napredek->prikazi(m_izid.stevci);
    }
    QString besedilo(const TStolpec &s) { return TApolloField(&m_ctx.taDBF, s.polje).AsString(); }
    QString memoBesedilo(const TStolpec &s)
    {
        return moxtext::fromCp1250(TApolloField(&m_ctx.taDBF, s.polje).AsBytes());
    }
    void pisiMemo(const std::vector<std::pair<int, std::unique_ptr<TLOBLocator>>> &lobi);

    TMoxContext &m_ctx;
    TTableDescription &m_opis;
    QString m_strDatoteka;
    bool m_samoPreverjanje;
    const TOsvezevanjeNapredek *m_napredek;
    const TPreklopTriggerjev &m_preklopi;
    QString m_lastnik, m_tabelaTriggerjev; // whose triggers were switched off
    bool m_triggerjiIzklopljeni = false;
    TIskanja m_iskanja;
    std::optional<TZaklepOsvezevanja> m_zaklep;
    TVrsticnaDatoteka m_rez; // the result file, rewritten by every run
    TSqlIzpis m_sql; // check-only: the statements the refresh would execute
    TPorocilo m_porocilo; // the readable report beside the result file
    TOsvezevanjeIzid m_izid;

    std::vector<TStolpec> m_stolpci;
    std::vector<TKljucOpis> m_kljuci;
    int m_popravi = -1;
    bool m_vhodOdprt = false;
    QDateTime m_izvozeno; // the package's export time of the table (invalid: no manifest)

    TAvto m_avto = TAvto::brez;
    qint64 m_maxStevilka = 0;              // MAX( form: the last number given out
    std::optional<qint64> m_cakajoca;      // the number fetched for the next insert

    // CLOB locators of the insert and the update (column index, locator).
    std::vector<std::pair<int, std::unique_ptr<TLOBLocator>>> m_lobInsert, m_lobUpdate;

    // Lookup results of the current record, per column (empty: no reference).
    std::vector<QString> m_iskano;
    bool m_zanka = true;    // cleared by "Ne" after a failed statement
    bool m_izpisano = false; // a NOVO: or POPR: line was written
};

TOsvezevanjeIzid TOsvezevanje::izvedi()
{
    uraStart(m_ctx);
    m_izid.status = QStringLiteral("N");
    try {
        // No other refresh of this table may run meanwhile: it would look up
        // the same keys and insert the same rows.
        m_zaklep.emplace(m_ctx, m_opis.tabela);
        m_zaklep->zakleni();
        izklopiTriggerje();
        pripravi();
        while (m_zanka && !m_ctx.pKonec && !m_ctx.taDBF.Eof()) {
            if (!m_ctx.taDBF.Deleted())
                zapis();
            m_ctx.taDBF.Next();
            m_ctx.quDyn.Close();
        }
        // Stopped before the end of the file ("Prekini", or numbering that
        // does not work): what was not applied makes the run a failed one.
        if (!m_ctx.taDBF.Eof() && m_izid.napaka.isEmpty()) {
            m_izid.status = QStringLiteral("D");
            m_izid.napaka = QStringLiteral("Osveževanje je bilo prekinjeno pred koncem datoteke");
            m_rez.pisi(QStringLiteral("NAPAKA: ") + m_izid.napaka);
            m_porocilo.napaka(0, QString(), m_izid.napaka);
        }
    } catch (const std::exception &e) {
        const QString sporocilo = dynamic_cast<const EMoxError *>(&e)
                                      ? static_cast<const EMoxError &>(e).message()
                                      : QString::fromLocal8Bit(e.what());
        m_izid.napaka = sporocilo;
        m_izid.status = QStringLiteral("D");
        // The error that ended the run counts among the run's errors.
        ++m_izid.stevci.napak;
        m_porocilo.napaka(0, QString(), sporocilo);
        try {
            m_rez.pisi(QStringLiteral("NAPAKA: ") + sporocilo);
        } catch (const EMoxError &) {
        }
        const auto *lastno = dynamic_cast<const EKonecPriprave *>(&e);
        if (m_ctx.ui && lastno && !lastno->prikazano())
            m_ctx.ui->showMessage(sporocilo);
        else if (m_ctx.ui && !lastno)
            m_ctx.ui->showMessage(QStringLiteral("NAPAKA pri osveževanju tabele ") + m_opis.tabela + u':' +
                                  moxtext::crlf + moxtext::crlf + sporocilo);
    }
    zakljuci();
    return m_izid;
}

void TOsvezevanje::pripravi()
{
    if (m_napredek && m_napredek->tece)
        m_napredek->tece(true);

    // The result file first, so that an early end is recorded in it.
    m_izid.rezultatnaDatoteka = rezultatnaDatoteka(m_ctx.currSaveDir, m_opis.tabelaBrezLastnika());
    pripraviRezultatiDir(m_ctx.currSaveDir);
    m_rez.odpri(m_izid.rezultatnaDatoteka);
    m_rez.pisi(QStringLiteral("TABELA :") + m_opis.tabela);
    // A script written before would repeat what this run applies or finds.
    TSqlIzpis::odstrani(sqlDatoteka(m_izid.rezultatnaDatoteka));

    // The refresh has room for 5 keys and 100 columns; a structure that needs
    // more is refused rather than matched or written in part.
    if (!m_opis.presezeno.isEmpty())
        throw EMoxError(m_opis.presezeno.join(moxtext::crlf));
    if (m_opis.aKljuc.size() > kMaxKljucOsvezi)
        throw EMoxError(QStringLiteral("PREVEČ KLJUČNIH POLJ (>%1) za osveževanje").arg(kMaxKljucOsvezi));
    if (m_opis.aKolone.size() > kMaxKoloneOsvezi)
        throw EMoxError(QStringLiteral("PREVEČ POLJ (>%1) za osveževanje").arg(kMaxKoloneOsvezi));
    if (m_opis.tabela.isEmpty())
        throw EMoxError(QStringLiteral("Strukturna datoteka nima vrstice TABELA"));

    if (!m_iskanja.pripraviIskanja(m_ctx, m_opis))
        throw EKonecPriprave(QStringLiteral("Master/Detail tabele niso pripravljene za ") + m_opis.tabela, true);

    m_izid.stevci = TOsvezevanjeStevci();
    prikazi();
    m_ctx.quInsert.Clear();
    m_ctx.quUpdate.Clear();

    pripraviAvto();
    zgradiStavke();
    odpriVhod();
    if (samoPreverjanje())
        odpriSql();
}

void TOsvezevanje::pripraviAvto()
{
    if (m_opis.poljeAuto.isEmpty())
        return;
    TOracleDataSet &q = m_ctx.quDyn1;
    q.Close();
    q.SQL.clear();
    q.DeleteVariables();
    q.SQL = QStringList{zamenjave(m_opis.sekAuto, QStringLiteral("SQL"), m_ctx)};
    const QString sek = upperAZ(m_opis.sekAuto);
    if (sek.contains(QStringLiteral("GETSEQUENCE"))) {
        m_avto = TAvto::getSequence;
        q.DeclareVariable(QStringLiteral("naslednji"), otInteger);
    } else if (sek.contains(QStringLiteral("NEXTVAL"))) {
        m_avto = TAvto::nextVal;
    } else if (sek.contains(QStringLiteral("MAX("))) {
        m_avto = TAvto::max;
        try {
            q.Open();
            m_maxStevilka = q.Eof() ? 0 : q.FieldByName(QStringLiteral("naslednji")).AsInteger();
            q.Close();
        } catch (const EMoxError &e) {
            q.Close();
            throw EKonecPriprave(QStringLiteral("Napaka v stavku za automatično šifriranje") + moxtext::crlf +
                                     moxtext::crlf + e.message(),
                                 false);
        }
    } else {
        throw EKonecPriprave(
            QStringLiteral("Stavek za automatično številčenje mora vsebovati NEXTVAL,GETSEQUENCE ali MAX!"), false);
    }
}

void TOsvezevanje::zgradiStavke()
{
    TInteraction *ui = m_ctx.ui;
    TOracleQuery &ins = m_ctx.quInsert;
    TOracleQuery &upd = m_ctx.quUpdate;
    const QString avto = upperAZ(m_opis.poljeAuto);

    QStringList kljucImena;
    for (const tipKljuc &k : m_opis.aKljuc)
        kljucImena << upperAZ(k.imePolja);

    QStringList stolpciIns, vrednostiIns, pogoj, prireditve, lobIns, lobUpd;
    if (!avto.isEmpty()) {
        stolpciIns << avto;
        vrednostiIns << u':' + avto;
        ins.DeclareVariable(avto, otInteger);
    }
    m_stolpci.clear();
    for (const tipKolone &k : m_opis.aKolone) {
        TStolpec s;
        s.k = &k;
        s.ime = upperAZ(k.imePolja);
        // CLOB texts travel whole through the memo file, whatever width the
        // structure line gives them.
        s.memo = k.tipPolja == QStringLiteral("MEMO") || k.tipPolja == QStringLiteral("CLOB");
        s.datum = k.tipPolja == QStringLiteral("DATE");
        s.avto = !avto.isEmpty() && s.ime == avto;
        s.kljuc = kljucImena.contains(s.ime);
        if (!s.avto) {
            stolpciIns << s.ime;
            if (s.datum)
                vrednostiIns << QStringLiteral("to_date(:") + s.ime + u',' + kDatumFormat + u')';
            else if (s.memo)
                vrednostiIns << QStringLiteral("empty_clob()");
            else
                vrednostiIns << u':' + s.ime;
            if (s.memo)
                lobIns << s.ime;
            else
                deklarirajSpremenljivko(ins, s.ime, k.tipPolja, ui);
        }
        if (s.kljuc) {
            // The DBF holds dates with their time of day; the full format
            // reads both that and the date alone.
            if (s.datum)
                pogoj << s.ime + QStringLiteral("=to_date(:") + s.ime + u',' + kDatumFormat + u')';
            else
                pogoj << s.ime + QStringLiteral("=:") + s.ime;
            deklarirajSpremenljivko(upd, s.ime, k.tipPolja, ui);
        } else if (k.update && !s.avto) {
            // The auto-numbered column is the receiving installation's own key
            // and is never overwritten.
            s.posodobi = true;
            if (s.datum)
                prireditve << s.ime + QStringLiteral("=to_date(:") + s.ime + u',' + kDatumFormat + u')';
            else if (s.memo)
                prireditve << s.ime + QStringLiteral("=empty_clob()");
            else
                prireditve << s.ime + QStringLiteral("=:") + s.ime;
            if (s.memo)
                lobUpd << s.ime;
            else
                deklarirajSpremenljivko(upd, s.ime, k.tipPolja, ui);
        }
        m_stolpci.push_back(s);
    }

    auto vrnitev = [](const QStringList &lobi) {
        QStringList spr;
        for (const QString &l : lobi)
            spr << u':' + l;
        return QStringLiteral(" returning ") + lobi.join(u',') + QStringLiteral(" into ") + spr.join(u',');
    };
    QStringList insSql{QStringLiteral("insert into ") + m_opis.tabela,
                       QStringLiteral(" (") + stolpciIns.join(u',') + QStringLiteral(") "),
                       QStringLiteral(" values(") + vrednostiIns.join(u',') + QStringLiteral(") ")};
    if (!lobIns.isEmpty())
        insSql << vrnitev(lobIns);
    QStringList updSql{QStringLiteral("update ") + m_opis.tabela,
                       QStringLiteral(" set ") + prireditve.join(u',') + u' ',
                       QStringLiteral("  where ") + pogoj.join(QStringLiteral(" and "))};
    if (!lobUpd.isEmpty())
        updSql << vrnitev(lobUpd);
    ins.SQL = QStringList{zamenjave(insSql.join(moxtext::crlf), QStringLiteral("SQL"), m_ctx)};
    upd.SQL = QStringList{zamenjave(updSql.join(moxtext::crlf), QStringLiteral("SQL"), m_ctx)};

    auto lokatorji = [this](TOracleQuery &stavek, const QStringList &lobi, auto &cilj) {
        cilj.clear();
        for (const QString &l : lobi) {
            auto lob = std::make_unique<TLOBLocator>(&m_ctx.osOracle, otCLOB);
            stavek.DeclareVariable(l, otCLOB);
            stavek.SetComplexVariable(l, lob.get());
            int idx = -1;
            for (size_t i = 0; i < m_stolpci.size(); ++i)
                if (m_stolpci[i].ime == l)
                    idx = int(i);
            cilj.emplace_back(idx, std::move(lob));
        }
    };
    lokatorji(ins, lobIns, m_lobInsert);
    lokatorji(upd, lobUpd, m_lobUpdate);

    // The key select and the key descriptors.
    TOracleDataSet &sel = m_ctx.quDyn;
    sel.Close();
    sel.SQL.clear();
    sel.DeleteVariables();
    m_kljuci.clear();
    QStringList pogojSel;
    for (const tipKljuc &kl : m_opis.aKljuc) {
        const QString ime = upperAZ(kl.imePolja);
        TKljucOpis ko;
        ko.tipKljuca = kl.tipPolja;
        for (size_t i = 0; i < m_stolpci.size(); ++i)
            if (m_stolpci[i].ime == ime)
                ko.stolpec = int(i);
        if (ko.stolpec < 0)
            throw EMoxError(QStringLiteral("Ključno polje ") + kl.imePolja + QStringLiteral(" ni med polji strukture"));
        if (kl.tipPolja == QStringLiteral("DATE"))
            pogojSel << ime + QStringLiteral("=to_date(:") + ime + u',' + kDatumFormat + u')';
        else
            pogojSel << ime + QStringLiteral("=:") + ime;
        const QString tipStolpca = m_stolpci[ko.stolpec].k->tipPolja;
        const bool besedilo = jeDelOd(tipStolpca, QStringLiteral("CHAR,VARCHAR2")) || jeDelOd(tipStolpca, QStringLiteral("DATE"));
        sel.DeclareVariable(ime, besedilo ? otString : otInteger);
        m_kljuci.push_back(ko);
    }
    if (!pogojSel.isEmpty())
        sel.SQL = QStringList{zamenjave(QStringLiteral("select * from ") + m_opis.tabela + QStringLiteral(" where ") +
                                            pogojSel.join(QStringLiteral(" and ")),
                                        QStringLiteral("SQL"), m_ctx)};
}

void TOsvezevanje::odpriVhod()
{
    // The package is checked against its manifest before anything of it is
    // used: a file that is not as the preparation wrote it is refused.
    // A package older than one applied here is used only when the operator
    // says so.
    const QString dbfPot = dbfZaStrukturo(m_strDatoteka, false);
    try {
        m_izvozeno = preveriPaketPredOsvezevanjem(m_ctx, moxpath::folderOf(m_strDatoteka),
                                                  tabelaStrukture(m_strDatoteka), m_opis.tabela,
                                                  datotekeTabele(m_strDatoteka, dbfPot));
    } catch (const EPaketZavrnjen &e) {
        if (!e.prikazano())
            throw;
        throw EKonecPriprave(e.message(), true);
    }

    TApolloDataSet &dbf = m_ctx.taDBF;
    dbf.Close();
    dbf.Exclusive = true;
    dbf.OEMTranslate = false;
    dbf.TableName = dbfZaStrukturo(m_strDatoteka, false);
    dbf.Open();
    m_vhodOdprt = true;
    for (TStolpec &s : m_stolpci) {
        s.polje = dbf.FieldIndex(s.k->imePolja);
        if (s.polje < 0)
            throw EMoxError(QStringLiteral("V tabeli ") + dbf.TableName + QStringLiteral(" ni polja ") + s.k->imePolja);
        if (s.memo)
            dbf.setBlobTypeRaw(s.k->imePolja);
    }
    m_izid.stevci.vDatoteki = dbf.RecordCount();
    m_popravi = dbf.FieldIndex(QStringLiteral("POPRAVI"));
    if (m_popravi < 0)
        throw EMoxError(QStringLiteral("V tabeli ") + dbf.TableName + QStringLiteral(" ni polja POPRAVI"));
    m_iskano.assign(m_stolpci.size(), QString());
    m_cakajoca.reset();
    m_zanka = true;
    dbf.First();
}

void TOsvezevanje::zapis()
{
    TOsvezevanjeStevci &st = m_izid.stevci;
    ++st.zapisov;
    if (st.zapisov % 100 == 0) {
        st.prikazanoZapisov = st.zapisov;
        m_zaklep->obnovi();
        prikazi();
        if (m_ctx.ui)
            m_ctx.ui->processEvents();
    }

    TApolloDataSet &dbf = m_ctx.taDBF;
    const bool oznacen = TApolloField(&dbf, m_popravi).AsString() == QStringLiteral("*");
    bool napaka = false;
    QString napakaBesedilo, kljucBesedilo;
    QStringList neNajdeno; // the lookups that failed, with why

    // Insert values, and the lookups of the record.
    TOracleQuery &ins = m_ctx.quInsert;
    for (size_t i = 0; i < m_stolpci.size(); ++i) {
        const TStolpec &s = m_stolpci[i];
        const tipKolone &k = *s.k;
        if (k.imaReferenco()) {
            QString razlog;
            bool neNajdena = false;
            m_iskano[i] = poisciSifro(k, besedilo(s), neNajdena, &razlog);
            if (neNajdena) {
                napaka = true;
                neNajdeno << s.ime + QStringLiteral(" (") + brezKoncnihPresledkov(besedilo(s)) + QStringLiteral("): ") +
                                 razlog;
            }
            const QVariant v = vrednostReference(m_iskano[i], k.tipPolja);
            if (!s.avto)
                ins.SetVariable(s.ime, v);
            if (s.kljuc)
                m_ctx.quUpdate.SetVariable(s.ime, v);
        } else if (!s.avto && !s.memo) {
            ins.SetVariable(s.ime, vrednostIzDBF(besedilo(s), false, k.dolzina, k.tipPolja));
        }
    }

    // Key values.
    TOracleDataSet &sel = m_ctx.quDyn;
    sel.Close();
    bool prazenKljuc = !m_kljuci.empty();
    for (const TKljucOpis &ko : m_kljuci) {
        const TStolpec &s = m_stolpci[ko.stolpec];
        const tipKolone &k = *s.k;
        QString vrednost;
        if (k.imaReferenco())
            vrednost = napaka ? brezKoncnihPresledkov(besedilo(s)) : brezKoncnihPresledkov(m_iskano[ko.stolpec]);
        else if (jeDelOd(k.tipPolja, QStringLiteral("CHAR")))
            vrednost = dopolniChar(besedilo(s), k.dolzina, k.tipPolja);
        else
            vrednost = brezKoncnihPresledkov(besedilo(s));
        if (!vrednost.trimmed().isEmpty())
            prazenKljuc = false;
        napakaBesedilo += s.ime + QStringLiteral(" (") + vrednost + QStringLiteral(") ");
        kljucBesedilo += u' ' + s.ime + QStringLiteral("  ") + vrednost;
        if (napaka)
            continue;
        if (jeDelOd(k.tipPolja, QStringLiteral("CHAR,VARCHAR2")) || jeDelOd(k.tipPolja, QStringLiteral("DATE")))
            sel.SetVariable(s.ime, vrednost);
        else
            sel.SetVariable(s.ime, vCeloStevilo(vrednost));
    }
    // A record whose reference cannot be turned into this installation's key,
    // or whose key is empty, cannot be matched: an error of the record, listed
    // with what was not found, never applied.
    if (napaka) {
        napakaZapisa(napakaBesedilo, QStringLiteral("ni najdeno: ") + neNajdeno.join(QStringLiteral("; ")));
        return;
    }
    if (prazenKljuc) {
        napakaZapisa(napakaBesedilo, QStringLiteral("prazen ključ"));
        return;
    }

    bool nov = true;
    if (!m_kljuci.empty()) {
        sel.Open();
        nov = sel.Eof();
    }
    if (nov)
        novZapis(oznacen, kljucBesedilo, napakaBesedilo);
    else
        obstojecZapis(oznacen, kljucBesedilo, napakaBesedilo);
}

bool TOsvezevanje::naslednjaStevilka(qint64 &stevilka)
{
    if (m_cakajoca) {
        stevilka = *m_cakajoca;
        return true;
    }
    TOracleDataSet &q = m_ctx.quDyn1;
    switch (m_avto) {
    case TAvto::getSequence:
        q.Close();
        q.Open();
        stevilka = q.GetVariable(QStringLiteral("naslednji")).AsInteger();
        q.Close();
        break;
    case TAvto::nextVal:
        q.Close();
        q.Open();
        stevilka = q.Eof() ? 0 : q.FieldByName(QStringLiteral("naslednji")).AsInteger();
        q.Close();
        break;
    case TAvto::max:
        // The inserts of the run are numbered on from the value read.
        stevilka = m_maxStevilka + 1;
        break;
    case TAvto::brez:
        return true;
    }
    if (stevilka < 1) {
        const QString sporocilo =
            QStringLiteral(" AUTOMATSKO ŠTEVILČENJE NE DELA !") + moxtext::crlf + moxtext::crlf + m_opis.sekAuto;
        if (m_ctx.ui)
            m_ctx.ui->showMessage(sporocilo);
        m_ctx.pKonec = true;
        // The run ends after this record: a failed run.
        ++m_izid.stevci.napak;
        m_izid.status = QStringLiteral("D");
        m_izid.napaka = sporocilo;
        m_rez.pisi(QStringLiteral("NAPAKA: ") + QStringLiteral("AUTOMATSKO ŠTEVILČENJE NE DELA ! ") + m_opis.sekAuto);
        m_porocilo.napaka(0, QString(), QStringLiteral("AUTOMATSKO ŠTEVILČENJE NE DELA ! ") + m_opis.sekAuto);
        prikazi();
        return false;
    }
    if (m_avto == TAvto::max)
        m_maxStevilka = stevilka;
    m_cakajoca = stevilka;
    return true;
}

void TOsvezevanje::pisiMemo(const std::vector<std::pair<int, std::unique_ptr<TLOBLocator>>> &lobi)
{
    for (const auto &[idx, lob] : lobi) {
        if (idx < 0)
            continue;
        const QString t = memoBesedilo(m_stolpci[idx]);
        if (!t.isEmpty())
            lob->Write(t);
    }
}

void TOsvezevanje::novZapis(bool oznacen, const QString &kljucBesedilo, const QString &napakaBesedilo)
{
    TOsvezevanjeStevci &st = m_izid.stevci;
    ++st.novih;
    m_porocilo.novo(0, kljucBesedilo.trimmed());
    if (!kljucBesedilo.isEmpty()) {
        m_rez.pisi(QStringLiteral("NOVO: ") + kljucBesedilo);
        m_izpisano = true;
    }
    if (samoPreverjanje() && oznacen)
        zapisiSql(true);
    if (samoPreverjanje() || !oznacen)
        return;
    bool izvedeno = false;
    try {
        if (m_avto != TAvto::brez) {
            qint64 stevilka = 0;
            if (!naslednjaStevilka(stevilka))
                return; // numbering does not work: the run ends after this record
            m_ctx.quInsert.SetVariable(upperAZ(m_opis.poljeAuto), stevilka);
        }
        m_ctx.quInsert.Execute();
        izvedeno = true;
        pisiMemo(m_lobInsert);
        m_ctx.osOracle.Commit();
        ++st.dodanih;
        m_cakajoca.reset();
    } catch (const EMoxError &e) {
        // A row inserted without its memo text is not kept.
        if (izvedeno)
            m_ctx.osOracle.Rollback();
        napakaStavka(napakaBesedilo, e.message());
    }
}

void TOsvezevanje::obstojecZapis(bool oznacen, const QString &kljucBesedilo, const QString &napakaBesedilo)
{
    TOracleDataSet &sel = m_ctx.quDyn;
    QStringList razlike;
    std::vector<TRazlikaStolpca> razlikePorocila;
    for (size_t i = 0; i < m_stolpci.size(); ++i) {
        TStolpec &s = m_stolpci[i];
        if (!s.posodobi)
            continue;
        const tipKolone &k = *s.k;
        if (s.stolpecVrstice < 0) {
            for (int c = 0; c < sel.FieldCount(); ++c)
                if (upperAZ(sel.FieldName(c)) == s.ime)
                    s.stolpecVrstice = c;
            if (s.stolpecVrstice < 0)
                throw EMoxError(QStringLiteral("Tabela ") + m_opis.tabela + QStringLiteral(" nima stolpca ") + s.ime);
        }
        QString staro = sel.Field(s.stolpecVrstice).AsString();
        QString novo;
        if (s.datum) {
            novo = brezKoncnihPresledkov(besedilo(s));
            staro = staro.left(novo.size());
        } else if (k.imaReferenco()) {
            novo = m_iskano[i];
        } else if (s.memo) {
            novo = memoBesedilo(s);
        } else {
            novo = besedilo(s);
            // A CHAR column comes back blank-padded; the DBF text has no
            // trailing blanks.
            if (jeDelOd(k.tipPolja, QStringLiteral("CHAR")))
                staro = brezKoncnihPresledkov(staro);
        }
        if (staro != novo) {
            razlike << QString(13, u' ') + s.ime + QStringLiteral("  staro:") + staro + QStringLiteral("  novo:") + novo;
            razlikePorocila.push_back({s.ime, staro, novo});
        }
    }
    if (razlike.isEmpty())
        return;

    TOsvezevanjeStevci &st = m_izid.stevci;
    ++st.razlicnih;
    m_porocilo.razlicno(0, kljucBesedilo.trimmed(), std::move(razlikePorocila));
    m_rez.pisi(QStringLiteral("POPR: ") + kljucBesedilo);
    for (const QString &r : razlike)
        m_rez.pisi(r);
    m_izpisano = true;
    if (!oznacen)
        return;
    if (samoPreverjanje()) {
        zapisiSql(false);
        return;
    }

    TOracleQuery &upd = m_ctx.quUpdate;
    nastaviPopravek();
    bool izvedeno = false;
    try {
        upd.Execute();
        izvedeno = true;
        pisiMemo(m_lobUpdate);
        m_ctx.osOracle.Commit();
        ++st.popravljenih;
    } catch (const EMoxError &e) {
        if (izvedeno)
            m_ctx.osOracle.Rollback();
        napakaStavka(napakaBesedilo, e.message());
    }
}

// The update's variables for the current record: the update columns, and
// the keys padded as the select matched them (a key with a reference was set
// by zapis).
void TOsvezevanje::nastaviPopravek()
{
    TOracleQuery &upd = m_ctx.quUpdate;
    for (size_t i = 0; i < m_stolpci.size(); ++i) {
        const TStolpec &s = m_stolpci[i];
        if (!s.posodobi || s.memo)
            continue;
        if (s.k->imaReferenco()) {
            upd.SetVariable(s.ime, vrednostReference(brezKoncnihPresledkov(m_iskano[i]), s.k->tipPolja));
        } else {
            upd.SetVariable(s.ime, vrednostIzDBF(besedilo(s), false, s.k->dolzina, s.k->tipPolja));
        }
    }
    for (const TKljucOpis &ko : m_kljuci) {
        const TStolpec &s = m_stolpci[ko.stolpec];
        if (!s.k->imaReferenco())
            upd.SetVariable(s.ime, vrednostIzDBF(besedilo(s), true, s.k->dolzina, s.k->tipPolja));
    }
}

// The SQL file of a check-only run, beside the result file; opened at the
// start of a run that starts check-only, or by the first record checked
// after the mode was switched on during the run.
void TOsvezevanje::odpriSql()
{
    m_sql.odpri(sqlDatoteka(m_izid.rezultatnaDatoteka), m_opis, m_ctx.taDBF.TableName, m_avto,
                zamenjave(m_opis.sekAuto, QStringLiteral("SQL"), m_ctx));
}

// The insert (or update) the refresh would execute for the current record,
// written into the SQL file with the values it binds; nothing is executed.
void TOsvezevanje::zapisiSql(bool vstavljanje)
{
    if (!m_sql.odprta())
        odpriSql();
    nastaviPopravek();
    QHash<QString, QString> clobi;
    for (const auto &[idx, lob] : vstavljanje ? m_lobInsert : m_lobUpdate)
        if (idx >= 0)
            clobi.insert(m_stolpci[idx].ime, memoBesedilo(m_stolpci[idx]));
    if (vstavljanje)
        m_sql.vstavi(m_ctx.quInsert, m_ctx.quUpdate, clobi);
    else
        m_sql.popravi(m_ctx.quUpdate, clobi);
}

// Closes the SQL file; a run that ended early says so at its end. A write
// error makes the run a failed one.
void TOsvezevanje::zakljuciSql()
{
    if (!m_sql.odprta())
        return;
    try {
        if (!m_izid.napaka.isEmpty())
            m_sql.opomba(QStringLiteral("Preverjanje se je končalo z napako; datoteka ni popolna:") + moxtext::crlf +
                         m_izid.napaka);
    } catch (const EMoxError &e) {
        neuspeh(e.message(), true);
    }
    m_sql.zapri();
}

void TOsvezevanje::napakaStavka(const QString &napakaBesedilo, const QString &sporocilo)
{
    ++m_izid.stevci.napak;
    m_izid.status = QStringLiteral("D");
    m_rez.pisi(QStringLiteral("NAPAKA: ") + napakaBesedilo + sporocilo);
    m_porocilo.napaka(0, napakaBesedilo.trimmed(), sporocilo);
    prikazi();
    // A row another session holds locked past the wait: every following row
    // would wait and fail the same way. The run stops here; the rows applied
    // so far stay committed.
    if (sporocilo.startsWith(QStringLiteral("ORA-00054")) || sporocilo.startsWith(QStringLiteral("ORA-30006"))) {
        m_zanka = false;
        m_izid.napaka = QStringLiteral("Tabela ") + m_opis.tabela +
                        QStringLiteral(" je zaklenjena v drugi seji; osveževanje je ustavljeno.") + moxtext::crlf +
                        sporocilo;
        m_rez.pisi(QStringLiteral("NAPAKA: ") + m_izid.napaka);
        m_porocilo.napaka(0, QString(), m_izid.napaka);
        if (m_ctx.ui)
            m_ctx.ui->showMessage(m_izid.napaka);
        return;
    }
    if (!m_ctx.pAutomatika && m_ctx.ui) {
        const QString &crlf = moxtext::crlf;
        const int odgovor = m_ctx.ui->pokaziSporocilo(QStringLiteral("NAPAKA ") + crlf + napakaBesedilo + crlf + crlf +
                                                          sporocilo + crlf + crlf + QStringLiteral("NADALJEVANJE?"),
                                                      mtWarning, mbYes | mbNo);
        if (odgovor == mrNo)
            m_zanka = false;
    }
}

void TOsvezevanje::napakaZapisa(const QString &napakaBesedilo, const QString &razlog)
{
    const QString besedilo = napakaBesedilo + razlog;
    m_porocilo.napaka(0, napakaBesedilo.trimmed(), razlog);
    ++m_izid.stevci.napak;
    m_izid.status = QStringLiteral("D");
    m_rez.pisi(QStringLiteral("NAPAKA: ") + besedilo);
    m_izpisano = true;
    if (m_sql.odprta())
        m_sql.opomba(QStringLiteral("NAPAKA (brez stavka): ") + besedilo);
    prikazi();
}

// Switched off only where replication asks for it (the switch itself
// decides); what was switched off is switched on again in zakljuci, whatever
// happened in between.
void TOsvezevanje::izklopiTriggerje()
{
    if (!m_preklopi)
        return;
    m_lastnik = m_ctx.currUser;
    m_tabelaTriggerjev = m_opis.tabelaBrezLastnika();
    m_triggerjiIzklopljeni = true; // a switch-off that fails half-way is undone too
    m_preklopi(m_ctx, m_lastnik, m_tabelaTriggerjev, QStringLiteral("DISABLE"));
}

void TOsvezevanje::vklopiTriggerje()
{
    if (!m_triggerjiIzklopljeni)
        return;
    m_triggerjiIzklopljeni = false;
    try {
        m_preklopi(m_ctx, m_lastnik, m_tabelaTriggerjev, QStringLiteral("ENABLE"));
    } catch (const EMoxError &e) {
        // The table is left without its triggers: an error of this refresh
        // that the operator must hear about.
        const QString sporocilo = QStringLiteral("NAPAKA pri vklopu triggerjev tabele ") + m_lastnik + u'.' +
                                  m_tabelaTriggerjev + QStringLiteral(": triggerji so še izklopljeni.") +
                                  moxtext::crlf + e.message();
        ++m_izid.stevci.napak;
        neuspeh(sporocilo);
        m_porocilo.napaka(0, QString(), sporocilo);
        try {
            m_rez.pisi(QStringLiteral("NAPAKA: ") + sporocilo);
        } catch (const EMoxError &) {
            // The message below still reaches the operator and the run log.
        }
        if (m_ctx.ui)
            m_ctx.ui->showMessage(sporocilo);
    }
}

void TOsvezevanje::zakljuci()
{
    TOsvezevanjeStevci &st = m_izid.stevci;
    try {
        m_ctx.osOracle.Commit();
    } catch (const EMoxError &e) {
        neuspeh(e.message());
    }
    m_ctx.quDyn.Close();
    try {
        m_ctx.taDBF.Close();
    } catch (const EMoxError &) {
        // The input file was only read.
    }
    vklopiTriggerje();
    if (m_zaklep) {
        try {
            m_zaklep->sprosti();
        } catch (const EMoxError &e) {
            // The lock lapses after its time; the next refresh is only held
            // back until then.
            if (m_ctx.ui)
                m_ctx.ui->showMessage(QStringLiteral("Zaklepa osveževanja tabele ") + m_opis.tabela +
                                      QStringLiteral(" ni bilo mogoče sprostiti: ") + e.message());
        }
    }
    st.prikazanoZapisov = st.zapisov;
    prikazi();
    zapisiPorocilo();
    m_rez.zapri();
    zakljuciSql();

    const bool samo = samoPreverjanje();
    if (!m_ctx.pAutomatika) {
        if (m_izpisano) {
            const QString zakljucek =
                (samo ? QStringLiteral("Konec preverjanja tabele ") : QStringLiteral("Konec osveževanja tabele ")) +
                m_opis.tabela;
            if (m_napredek && m_napredek->prikaziRezultat)
                m_napredek->prikaziRezultat(zakljucek, m_izid.rezultatnaDatoteka);
            else if (m_ctx.ui)
                m_ctx.ui->pokaziSporocilo(zakljucek + QStringLiteral(".       PREGLED?") + moxtext::crlf,
                                          mtInformation, mbYes | mbNo);
        } else if (m_ctx.ui) {
            m_ctx.ui->showMessage(QStringLiteral("Konec osveževanja ") + m_opis.tabela);
        }
    }

    m_ctx.meDyn.clear();
    m_ctx.meDyn << logVrstica(m_ctx.currUser, upperAZ(m_opis.tabela), stevecBesedilo(st.dodanih),
                              stevecBesedilo(st.popravljenih), stevecBesedilo(st.napak));
    DajVLog(m_ctx);

    if (m_napredek && m_napredek->tece)
        m_napredek->tece(false);

    if (m_izid.status == QStringLiteral("D"))
        ++m_ctx.pNapakePrenosov;
    // The history's "N" marks a refresh that applied its file without errors,
    // the time replication exports from; a check-only run applied nothing and
    // is recorded as "P" so that it never moves that time.
    const QString zgodovina = samo && m_izid.status == QStringLiteral("N") ? QStringLiteral("P") : m_izid.status;
    shranivORNAMOX(m_ctx, m_opis.tabela, zgodovina);
    if (zgodovina == QStringLiteral("N"))
        zapisiUporabljeniPaket(m_ctx, m_opis.tabela, m_izvozeno);
}

// The report beside the result file, once the counts are final. Only its
// own failure changes the run: the run is then a failed one, with the
// report's error as its message.
void TOsvezevanje::zapisiPorocilo()
{
    if (!m_rez.odprta())
        return; // the run ended before its result file was written
    const TOsvezevanjeStevci &st = m_izid.stevci;
    m_porocilo.nastavi(m_opis.tabela, samoPreverjanje());
    m_porocilo.tabela(0, m_opis.tabela, {st.zapisov, st.novih, st.razlicnih, st.dodanih + st.popravljenih, st.napak});
    try {
        m_porocilo.zapisi(m_izid.rezultatnaDatoteka);
    } catch (const EMoxError &e) {
        neuspeh(e.message(), true);
    }
}

} // namespace

TOsvezevanjeIzid osveziSplosno(TMoxContext &ctx, TTableDescription &opis, const QString &strukturnaDatoteka,
                               bool samoPreverjanje, const TOsvezevanjeNapredek *napredek,
                               const TPreklopTriggerjev &preklopi)
{
    TOsvezevanje run(ctx, opis, strukturnaDatoteka, samoPreverjanje, napredek, preklopi);
    TOsvezevanjeIzid izid = run.izvedi();
    // The lookup pairs go with the run.
    for (tipKolone &k : opis.aKolone) {
        k.taDBF = nullptr;
        k.quOra = nullptr;
        k.najdene = nullptr;
    }
    return izid;
}
