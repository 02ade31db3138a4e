// Analyses of medical data: preparation and refresh.
#include "transfers/analize.h"

#include "dbf/apollo.h"
#include "general/manifest.h"
#include "run/dbfops.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "base/scopeexit.h"
#include "base/text.h"
#include "transfers/okvir.h"
#include "transfers/prepis.h"

#include <QSet>

#include <memory>

namespace {

const QString kPR908CXR = QStringLiteral("PR908CXR");
const QString kI_XML_X03 = QStringLiteral("I_XML_X03");

// Passes of both runs.
enum { kAnalize = 0, kXML = 1 };

QString sql(const TMoxContext &ctx, const QString &besedilo)
{
    return zamenjave(besedilo, QStringLiteral("SQL"), ctx);
}

void zapriTabele(TMoxContext &ctx)
{
    for (TApolloDataSet *t : {&ctx.taDBF, &ctx.taDBF2}) {
        try {
            t->Close();
        } catch (const EMoxError &) {
            // Closing what another run left open: nothing of it is used.
        }
    }
}

QString brezKoncnihPresledkov(QString s)
{
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

} // namespace

QStringList kodeAnaliz(const QString &filter)
{
    QStringList kode;
    QString koda;
    bool vNavednicah = false;
    for (qsizetype i = 0; i < filter.size(); ++i) {
        const QChar c = filter.at(i);
        if (vNavednicah) {
            if (c != u'\'')
                koda += c;
            else if (i + 1 < filter.size() && filter.at(i + 1) == u'\'')
                koda += filter.at(++i);
            else
                vNavednicah = false;
        } else if (c == u'\'') {
            vNavednicah = true;
        } else if (c == u',') {
            if (!koda.isEmpty())
                kode << koda;
            koda.clear();
        } else if (!moxtext::isBlank(c)) {
            koda += c;
        }
    }
    if (vNavednicah)
        throw EMoxError(QStringLiteral("V filtru analiz manjka zaključni narekovaj: ") + filter);
    if (!koda.isEmpty())
        kode << koda;
    return kode;
}

// ---------------------------------------------------------------- preparation

TIzidDruzine pripraviAnalizeHC(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TIzbiraAnaliz &izbira,
                               const TNapredekDruzine *napredek)
{
    TIzidDruzine izid;
    for (const QString &t : {kPR908CXR, kI_XML_X03}) {
        TStevciPrehoda s;
        s.oznaka = QStringLiteral("TAVO.") + t;
        izid.prehodi << s;
    }
    auto prikazi = [&](int prehod) {
        if (napredek && napredek->prikazi)
            napredek->prikazi(prehod, izid.prehodi[prehod]);
    };
    prikazi(kAnalize);
    prikazi(kXML);

    // The filter is read before anything is written: a list that cannot be
    // read leaves the earlier files as they were.
    const QString filter = izbira.filter.trimmed();
    const bool vse = filter.isEmpty() || filter == QStringLiteral("%");
    const QStringList kode = vse ? QStringList() : kodeAnaliz(filter);
    if (!vse && kode.isEmpty())
        throw EMoxError(QStringLiteral("Filter analiz ne navaja nobene kode: ") + filter);

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
    // The package's manifest lists the family again only once its files are
    // whole and closed.
    manifestZacetekPriprave(mapa, QStringLiteral("MEDANALIZE"));
    ustvariDBF(ctx, mapa, kPR908CXR);
    ustvariDBF(ctx, mapa, kI_XML_X03);
    if (!odpriDBF(ctx.taDBF, mapa, kPR908CXR, QString(), ui))
        throw EMoxError(QStringLiteral("NE MOREM ODPRETI tabele: ") + kPR908CXR);
    if (!odpriDBF(ctx.taDBF2, mapa, kI_XML_X03, QString(), ui))
        throw EMoxError(QStringLiteral("NE MOREM ODPRETI tabele: ") + kI_XML_X03);
    ui.processEvents();

    // The codes are bound, one variable each.
    QString pogoj;
    if (!kode.isEmpty()) {
        QStringList spremenljivke;
        for (int i = 0; i < kode.size(); ++i)
            spremenljivke << QStringLiteral(":k%1").arg(i + 1);
        pogoj = QStringLiteral("code_908 in (") + spremenljivke.join(u',') + QStringLiteral(") and");
    }
    const QString oznaka = izbira.tudiUpdate ? QStringLiteral("*") : QString();

    TOracleDataSet quAnalize(&ctx.osOracle), quXML(&ctx.osOracle);
    quAnalize.SQL << sql(ctx, QStringLiteral("select cxr.*,hc.code_055 from tavo.pr908cxr cxr, tavo.ka055hc0 hc where ") +
                                  pogoj +
                                  QStringLiteral(" stat_908='1' and code_908 IS NOT NULL  and hc.sifra055=cxr.sifra055 "
                                                 "order by sifra908"));
    for (int i = 0; i < kode.size(); ++i) {
        quAnalize.DeclareVariable(QStringLiteral("k%1").arg(i + 1), otString);
        quAnalize.SetVariable(QStringLiteral("k%1").arg(i + 1), kode[i]);
    }
    quXML.SQL << sql(ctx, QStringLiteral("select * from tavo.i_xml_x03 where sifrax03=:sifrax03 and stat_x03='1' "));
    quXML.DeclareVariable(QStringLiteral("sifrax03"), otInteger);

    static const QStringList poljaAnalize{
        QStringLiteral("SIFRA908"), QStringLiteral("SIFRD908"), QStringLiteral("SIFRA055"), QStringLiteral("SIFRAX03"),
        QStringLiteral("DESC_908"), QStringLiteral("TYPE_908"), QStringLiteral("FILTR908"), QStringLiteral("DATE_908"),
        QStringLiteral("DATUMIPL"), QStringLiteral("USER_IPL"), QStringLiteral("CODE_908"), QStringLiteral("CODE_055")};
    static const QStringList poljaXML{QStringLiteral("SIFRAX03"), QStringLiteral("TYPE_X03"), QStringLiteral("XML__003"),
                                      QStringLiteral("DATUMIPL"), QStringLiteral("USER_IPL")};

    // A definition shared by several analyses is written once.
    QSet<qint64> zapisaneXML;
    quAnalize.Open();
    for (; !quAnalize.Eof(); quAnalize.Next()) {
        ctx.taDBF.Append();
        nastaviBesedilo(ctx.taDBF, QStringLiteral("POPRAVI"), oznaka);
        for (const QString &p : poljaAnalize)
            prepisiBesedilo(quAnalize, ctx.taDBF, p);
        nastaviBesedilo(ctx.taDBF, QStringLiteral("STAT_908"), QStringLiteral("1"));
        ctx.taDBF.Post();
        ++izid.prehodi[kAnalize].prebranih;
        prikazi(kAnalize);

        const TOracleValue x03 = quAnalize.FieldByName(QStringLiteral("SIFRAX03"));
        if (!x03.IsNull() && !zapisaneXML.contains(x03.AsInteger())) {
            zapisaneXML.insert(x03.AsInteger());
            quXML.Close();
            quXML.SetVariable(QStringLiteral("sifrax03"), x03.AsInteger());
            quXML.Open();
            for (; !quXML.Eof(); quXML.Next()) {
                ctx.taDBF2.Append();
                nastaviBesedilo(ctx.taDBF2, QStringLiteral("POPRAVI"), oznaka);
                for (const QString &p : poljaXML)
                    prepisiBesedilo(quXML, ctx.taDBF2, p);
                nastaviBesedilo(ctx.taDBF2, QStringLiteral("STAT_X03"), QStringLiteral("1"));
                ctx.taDBF2.Post();
                ++izid.prehodi[kXML].prebranih;
                prikazi(kXML);
            }
            quXML.Close();
        }
        ui.processEvents();
    }
    quAnalize.Close();
    ctx.taDBF.Close();
    ctx.taDBF2.Close();
    manifestKonecPriprave(ctx, mapa, QStringLiteral("MEDANALIZE"), datotekeDela(mapa, {kPR908CXR, kI_XML_X03}));
    return izid;
}

// ---------------------------------------------------------------- refresh

namespace {

TOpisOkvira opisAnaliz()
{
    TOpisOkvira o;
    o.vrsta = QStringLiteral("MEDANALIZE");
    // A report of its own: the print-form and parameter refreshes of the same
    // script keep theirs.
    o.rezultat = QStringLiteral("ANALIZEHC.rez");
    o.naslov = QStringLiteral("ANALIZE MED.PODATKOV (PR908CXR,I_XML_X03)");
    o.tabele = {QStringLiteral("TAVO.PR908CXR"), QStringLiteral("TAVO.I_XML_X03")};
    o.zPopravki = false;
    o.predpona = QString(); // the dialog shows the database's message alone
    o.obvestiloNapake = QStringLiteral("NAPAKA pri osveževanju ANALIZ MEDICINSKIH ANALIZ!");
    o.obvestiloVedno = true;
    o.zakljucekPreverjanja = QStringLiteral("Konec preverjanja DEFINICIJ ANALIZ MED.PODATKOV ");
    o.zakljucekOsvezevanja = QStringLiteral("Konec osveževanja DEFINICIJ ANALIZ MED.PODATKOV ");
    o.konecSporocilo = QStringLiteral("Konec osveževanja !");
    return o;
}

// One XML record of the file.
struct TDefinicija {
    QString tip, besedilo, datumipl, userIpl;
};

class TOsvezevanjeAnaliz {
public:
    TOsvezevanjeAnaliz(TMoxContext &ctx, TOkvirOsvezevanja &o)
        : m_ctx(ctx), m_o(o), m_analiza(&ctx.osOracle), m_storitev(&ctx.osOracle), m_vrstica908(&ctx.osOracle),
          m_vrsticaXML(&ctx.osOracle), m_seq908(&ctx.osOracle), m_seqXML(&ctx.osOracle), m_ins908(&ctx.osOracle),
          m_upd908(&ctx.osOracle), m_insXML(&ctx.osOracle), m_updXML(&ctx.osOracle),
          m_lobIns(&ctx.osOracle, otCLOB), m_lobUpd(&ctx.osOracle, otCLOB)
    {
    }

    void pripravi();
    void izvedi();

private:
    void analiza();
    void obstojeca(qint64 cilj908, qint64 ciljX03, const TDefinicija &xml);
    void nova(qint64 cilj055, const TDefinicija &xml);
    void vezi908(TOracleQuery &q);
    void veziXML(TOracleQuery &q, const TDefinicija &xml);
    void pisiXML(TLOBLocator &lob, const TDefinicija &xml);
    qint64 novKljuc(TOracleQuery &q);
    void razveljavi();
    QString polje(const char *ime) { return m_ctx.taDBF.FieldByName(QLatin1String(ime)).AsString(); }
    QString koda() { return polje("CODE_908"); }

    TMoxContext &m_ctx;
    TOkvirOsvezevanja &m_o;
    TOracleDataSet m_analiza, m_storitev, m_vrstica908, m_vrsticaXML;
    TOracleQuery m_seq908, m_seqXML, m_ins908, m_upd908, m_insXML, m_updXML;
    TLOBLocator m_lobIns, m_lobUpd;
};

// Dates of the file bound as dates: empty gives null, a text that is no date
// is an error of the record.
QVariant datum(TApolloDataSet &t, const QString &ime)
{
    TApolloField f = t.FieldByName(ime);
    if (f.AsString().trimmed().isEmpty())
        return QVariant();
    return f.AsDateTime();
}

void TOsvezevanjeAnaliz::pripravi()
{
    m_o.preveriDatoteke({kPR908CXR + QStringLiteral(".DBF"), kI_XML_X03 + QStringLiteral(".DBF")});
    m_o.odpriDBF(m_ctx.taDBF, kPR908CXR);
    m_o.odpriDBF(m_ctx.taDBF2, kI_XML_X03, QStringLiteral("SIFRAX03"));
    // The XML text comes as the bytes the preparation wrote.
    m_ctx.taDBF2.setBlobTypeRaw(QStringLiteral("XML__003"));

    m_analiza.SQL << m_o.stavek({QStringLiteral(
        "select sifra908,sifrax03 from tavo.pr908cxr where code_908=:code_908 and stat_908='1' ")});
    m_analiza.DeclareVariable(QStringLiteral("code_908"), otString);
    m_storitev.SQL << m_o.stavek({QStringLiteral("select sifra055 from tavo.ka055hc0 where code_055=:code_055")});
    m_storitev.DeclareVariable(QStringLiteral("code_055"), otString);
    // The target's rows, to compare with the file.
    m_vrstica908.SQL << m_o.stavek({QStringLiteral(
        "select desc_908,type_908,filtr908,date_908,datumipl,user_ipl from tavo.pr908cxr where sifra908=:sifra908")});
    m_vrstica908.DeclareVariable(QStringLiteral("sifra908"), otInteger);
    m_vrsticaXML.SQL << m_o.stavek(
        {QStringLiteral("select type_x03,xml__003,datumipl,user_ipl from tavo.i_xml_x03 where sifrax03=:sifrax03")});
    m_vrsticaXML.DeclareVariable(QStringLiteral("sifrax03"), otInteger);

    m_seq908.SQL << m_o.stavek({QStringLiteral("begin :naslednji:=tavo.getSequence('PR908CXR'); end;")});
    m_seq908.DeclareVariable(QStringLiteral("naslednji"), otInteger);
    m_seqXML.SQL << m_o.stavek({QStringLiteral("begin :naslednji:=tavo.getSequence('I_XML_X03'); end;")});
    m_seqXML.DeclareVariable(QStringLiteral("naslednji"), otInteger);

    m_ins908.SQL << m_o.stavek({QStringLiteral(
        "insert into tavo.pr908cxr (SIFRA908,SIFRA055,SIFRAX03,DESC_908,TYPE_908,FILTR908,DATE_908,STAT_908,DATUMIPL,"
        "USER_IPL,CODE_908)  values(:SIFRA908,:SIFRA055,:SIFRAX03,:DESC_908,:TYPE_908,:FILTR908,:DATE_908,'1',"
        ":DATUMIPL,:USER_IPL,:CODE_908) ")});
    for (const char *v : {"sifra908", "sifra055", "sifrax03"})
        m_ins908.DeclareVariable(QLatin1String(v), otInteger);
    for (const char *v : {"desc_908", "type_908", "filtr908", "user_ipl", "code_908"})
        m_ins908.DeclareVariable(QLatin1String(v), otString);
    for (const char *v : {"date_908", "datumipl"})
        m_ins908.DeclareVariable(QLatin1String(v), otDate);

    m_upd908.SQL << m_o.stavek({QStringLiteral(
        "update tavo.pr908cxr set DESC_908=:DESC_908,TYPE_908=:TYPE_908,FILTR908=:FILTR908,DATE_908=:DATE_908,"
        "DATUMIPL=:DATUMIPL,USER_IPL=:USER_IPL     where sifra908=:sifra908")});
    m_upd908.DeclareVariable(QStringLiteral("sifra908"), otInteger);
    for (const char *v : {"desc_908", "type_908", "filtr908", "user_ipl"})
        m_upd908.DeclareVariable(QLatin1String(v), otString);
    for (const char *v : {"date_908", "datumipl"})
        m_upd908.DeclareVariable(QLatin1String(v), otDate);

    m_insXML.SQL << m_o.stavek({QStringLiteral(
        "insert into tavo.i_xml_x03 ( SIFRAX03, TYPE_X03, XML__003, STAT_X03,DATUMIPL, USER_IPL) values "
        "(:SIFRAX03,:TYPE_X03,empty_clob(),'1'    ,:DATUMIPL,:USER_IPL) returning XML__003 into :XML__003")});
    m_updXML.SQL << m_o.stavek({QStringLiteral(
        "update tavo.i_xml_x03 set TYPE_X03=:TYPE_X03, XML__003=empty_clob(),DATUMIPL=:DATUMIPL, USER_IPL=:USER_IPL    "
        "where sifrax03=:sifrax03  returning XML__003 INTO :XML__003 ")});
    for (TOracleQuery *q : {&m_insXML, &m_updXML}) {
        q->DeclareVariable(QStringLiteral("sifrax03"), otInteger);
        q->DeclareVariable(QStringLiteral("type_x03"), otString);
        q->DeclareVariable(QStringLiteral("user_ipl"), otString);
        q->DeclareVariable(QStringLiteral("datumipl"), otDate);
        q->DeclareVariable(QStringLiteral("xml__003"), otCLOB);
    }
    m_insXML.SetComplexVariable(QStringLiteral("xml__003"), &m_lobIns);
    m_updXML.SetComplexVariable(QStringLiteral("xml__003"), &m_lobUpd);
}

void TOsvezevanjeAnaliz::izvedi()
{
    m_ctx.taDBF.First();
    m_o.prehod(kAnalize, m_ctx.taDBF, [this] { analiza(); });
}

qint64 TOsvezevanjeAnaliz::novKljuc(TOracleQuery &q)
{
    q.Execute();
    const qint64 kljuc = q.GetVariable(QStringLiteral("naslednji")).AsInteger();
    if (kljuc < 1)
        throw EMoxError(QStringLiteral(" AUTOMATSKO ŠTEVILČENJE NE DELA !") + moxtext::crlf + q.SQL.join(u' '));
    return kljuc;
}

void TOsvezevanjeAnaliz::razveljavi()
{
    try {
        m_ctx.osOracle.Rollback();
    } catch (const EMoxError &) {
        // The failed statement's error is the one reported.
    }
}

void TOsvezevanjeAnaliz::analiza()
{
    TStevciPrehoda &xmlStevci = m_o.stevci(kXML);
    ++xmlStevci.prebranih;
    m_o.prikazi(kXML);

    const QString koda908 = koda();
    const QString koda055 = polje("CODE_055");
    const QString x03 = polje("SIFRAX03");

    qint64 cilj908 = 0, ciljX03 = 0, cilj055 = 0;
    m_analiza.Close();
    m_analiza.SetVariable(QStringLiteral("code_908"), koda908);
    m_analiza.Open();
    if (!m_analiza.Eof()) {
        cilj908 = m_analiza.FieldByName(QStringLiteral("sifra908")).AsInteger();
        ciljX03 = m_analiza.FieldByName(QStringLiteral("sifrax03")).AsInteger();
    }
    m_analiza.Close();
    m_storitev.Close();
    m_storitev.SetVariable(QStringLiteral("code_055"), koda055);
    m_storitev.Open();
    if (!m_storitev.Eof())
        cilj055 = m_storitev.FieldByName(QStringLiteral("sifra055")).AsInteger();
    m_storitev.Close();

    // The analysis's definition in the XML file, through its index (the
    // first key that begins with the text, checked to be the same key).
    TApolloDataSet &xml = m_ctx.taDBF2;
    bool najdeno = !x03.isEmpty() && xml.Seek(x03);
    while (najdeno && !xml.Eof() && xml.Deleted() && xml.FieldByName(QStringLiteral("SIFRAX03")).AsString() == x03)
        xml.Next();
    najdeno = najdeno && !xml.Eof() && !xml.Deleted() && xml.FieldByName(QStringLiteral("SIFRAX03")).AsString() == x03;

    // What cannot be applied is an error of the record, never passed over.
    if (!najdeno) {
        m_o.napaka(kAnalize, QStringLiteral("NAPAKA : ") + koda908,
                   QStringLiteral("V datoteki I_XML_X03 ni definicije XML ") + x03);
        return;
    }
    if (cilj055 == 0) {
        m_o.napaka(kAnalize, QStringLiteral("NAPAKA : ") + koda908,
                   QStringLiteral("Storitev ") + koda055 + QStringLiteral(" ne obstaja"));
        return;
    }

    TDefinicija d;
    d.tip = xml.FieldByName(QStringLiteral("TYPE_X03")).AsString();
    d.besedilo = moxtext::fromCp1250(xml.FieldByName(QStringLiteral("XML__003")).AsBytes());
    d.datumipl = xml.FieldByName(QStringLiteral("DATUMIPL")).AsString();
    d.userIpl = xml.FieldByName(QStringLiteral("USER_IPL")).AsString();

    if (cilj908 != 0)
        obstojeca(cilj908, ciljX03, d);
    else
        nova(cilj055, d);
}

void TOsvezevanjeAnaliz::vezi908(TOracleQuery &q)
{
    for (const char *p : {"DESC_908", "TYPE_908", "FILTR908", "USER_IPL"})
        q.SetVariable(QLatin1String(p), polje(p));
    q.SetVariable(QStringLiteral("DATE_908"), datum(m_ctx.taDBF, QStringLiteral("DATE_908")));
    q.SetVariable(QStringLiteral("DATUMIPL"), datum(m_ctx.taDBF, QStringLiteral("DATUMIPL")));
}

void TOsvezevanjeAnaliz::veziXML(TOracleQuery &q, const TDefinicija &xml)
{
    q.SetVariable(QStringLiteral("TYPE_X03"), xml.tip);
    q.SetVariable(QStringLiteral("USER_IPL"), xml.userIpl);
    q.SetVariable(QStringLiteral("DATUMIPL"), datum(m_ctx.taDBF2, QStringLiteral("DATUMIPL")));
}

// The whole text into the row's new empty CLOB (an empty text leaves it empty).
void TOsvezevanjeAnaliz::pisiXML(TLOBLocator &lob, const TDefinicija &xml)
{
    if (!xml.besedilo.isEmpty())
        lob.Write(xml.besedilo);
}

void TOsvezevanjeAnaliz::obstojeca(qint64 cilj908, qint64 ciljX03, const TDefinicija &xml)
{
    const QString koda908 = koda();
    QStringList razlike908, razlikeXML;
    auto primerjaj = [](QStringList &razlike, const QString &ime, const QString &staro, const QString &novo) {
        if (staro != novo)
            razlike << QStringLiteral("       ") + ime + QStringLiteral(" staro:") + staro + QStringLiteral("  novo:") + novo;
    };

    m_vrstica908.Close();
    m_vrstica908.SetVariable(QStringLiteral("sifra908"), cilj908);
    m_vrstica908.Open();
    for (const char *p : {"DESC_908", "TYPE_908", "FILTR908", "DATE_908", "DATUMIPL", "USER_IPL"})
        primerjaj(razlike908, QLatin1String(p),
                  brezKoncnihPresledkov(m_vrstica908.FieldByName(QLatin1String(p)).AsString()), polje(p));
    m_vrstica908.Close();

    bool imaXML = false;
    m_vrsticaXML.Close();
    m_vrsticaXML.SetVariable(QStringLiteral("sifrax03"), ciljX03);
    m_vrsticaXML.Open();
    if (!m_vrsticaXML.Eof()) {
        imaXML = true;
        primerjaj(razlikeXML, QStringLiteral("TYPE_X03"),
                  brezKoncnihPresledkov(m_vrsticaXML.FieldByName(QStringLiteral("TYPE_X03")).AsString()), xml.tip);
        const QString besedilo = m_vrsticaXML.FieldByName(QStringLiteral("XML__003")).AsString();
        if (besedilo != xml.besedilo)
            razlikeXML << QStringLiteral("       XML__003 staro:%1 znakov  novo:%2 znakov")
                              .arg(besedilo.size())
                              .arg(xml.besedilo.size());
        primerjaj(razlikeXML, QStringLiteral("DATUMIPL"), m_vrsticaXML.FieldByName(QStringLiteral("DATUMIPL")).AsString(),
                  xml.datumipl);
        primerjaj(razlikeXML, QStringLiteral("USER_IPL"),
                  brezKoncnihPresledkov(m_vrsticaXML.FieldByName(QStringLiteral("USER_IPL")).AsString()), xml.userIpl);
    } else {
        razlikeXML << QStringLiteral("       XML__003 ni definicije ") + QString::number(ciljX03);
    }
    m_vrsticaXML.Close();

    // An analysis equal to its record, definition included, produces nothing.
    if (razlike908.isEmpty() && razlikeXML.isEmpty())
        return;
    const QStringList vrstice = QStringList{QStringLiteral("POPR : ") + koda908} + razlike908 + razlikeXML;
    if (!razlike908.isEmpty()) {
        m_o.popravek(kAnalize, vrstice);
        if (!razlikeXML.isEmpty()) {
            ++m_o.stevci(kXML).popravkov;
            m_o.prikazi(kXML);
        }
    } else {
        m_o.popravek(kXML, vrstice);
    }
    if (m_o.samoPreverjanje() || polje("POPRAVI") != QStringLiteral("*"))
        return;

    if (!razlike908.isEmpty()) {
        try {
            m_upd908.SetVariable(QStringLiteral("sifra908"), cilj908);
            vezi908(m_upd908);
            m_upd908.Execute();
            m_ctx.osOracle.Commit();
        } catch (const EMoxError &e) {
            razveljavi();
            m_o.napaka(kAnalize, QStringLiteral("NAPAKA : ") + koda908, e.message());
        }
    }
    if (razlikeXML.isEmpty())
        return;
    if (!imaXML) {
        // The analysis points to no definition here: there is no row to
        // overwrite, and the text would be lost.
        m_o.napaka(kXML, QStringLiteral("NAPAKA : ") + koda908 + QStringLiteral(" XML"),
                   QStringLiteral("Definicija XML ") + QString::number(ciljX03) + QStringLiteral(" ne obstaja"));
        return;
    }
    try {
        m_updXML.SetVariable(QStringLiteral("sifrax03"), ciljX03);
        veziXML(m_updXML, xml);
        m_updXML.Execute();
        // The column is empty now: the row is kept only with its whole text.
        pisiXML(m_lobUpd, xml);
        m_ctx.osOracle.Commit();
    } catch (const EMoxError &e) {
        razveljavi();
        m_o.napaka(kXML, QStringLiteral("NAPAKA : ") + koda908 + QStringLiteral(" XML"), e.message());
    }
}

void TOsvezevanjeAnaliz::nova(qint64 cilj055, const TDefinicija &xml)
{
    const QString koda908 = koda();
    m_o.novo(kAnalize, QStringLiteral("NOVO : ") + koda908 + QStringLiteral("  ") + polje("CODE_055"));
    ++m_o.stevci(kXML).novih;
    m_o.prikazi(kXML);
    if (m_o.samoPreverjanje())
        return;

    // The definition and its analysis are one transaction: neither stays
    // without the other.
    int prehod = kXML;
    try {
        const qint64 nov908 = novKljuc(m_seq908);
        const qint64 novX03 = novKljuc(m_seqXML);
        m_insXML.SetVariable(QStringLiteral("sifrax03"), novX03);
        veziXML(m_insXML, xml);
        m_insXML.Execute();
        pisiXML(m_lobIns, xml);

        prehod = kAnalize;
        m_ins908.SetVariable(QStringLiteral("SIFRA908"), nov908);
        m_ins908.SetVariable(QStringLiteral("SIFRA055"), cilj055);
        m_ins908.SetVariable(QStringLiteral("SIFRAX03"), novX03);
        m_ins908.SetVariable(QStringLiteral("CODE_908"), koda908);
        vezi908(m_ins908);
        m_ins908.Execute();
        m_ctx.osOracle.Commit();
    } catch (const EMoxError &e) {
        razveljavi();
        m_o.napaka(prehod, QStringLiteral("NAPAKA : ") + koda908 + (prehod == kXML ? QStringLiteral(" XML") : QString()),
                   e.message());
    }
}

} // namespace

TIzidDruzine osveziAnalizeHC(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    TOkvirOsvezevanja okvir(ctx, zahteva, napredek, opisAnaliz());
    return okvir.izvedi([&ctx](TOkvirOsvezevanja &o) {
        TOsvezevanjeAnaliz osvezevanje(ctx, o);
        osvezevanje.pripravi();
        osvezevanje.izvedi();
    });
}
