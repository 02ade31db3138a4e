// Refresh of the print forms within the families' refresh frame. A form is
// found by its description, a field by its form and order number, a region by
// its form and description; new forms and regions take the next codes above
// the highest ones of the receiving database, new fields numbers from its
// sequence function. The fields and regions of a form are read through the
// index on SIFRA900 of their files right after the form.
#include "transfers/obrazci.h"

#include "dbf/apollo.h"
#include "general/values.h"
#include "oracle/oracle.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/text.h"
#include "transfers/clobstolpci.h"
#include "transfers/okvir.h"

#include <QSet>

namespace {

const QString kSql = QStringLiteral("SQL");
const QString &crlf = moxtext::crlf;

TOpisOkvira opisObrazcev()
{
    TOpisOkvira o;
    o.vrsta = QStringLiteral("OBR");
    o.rezultat = QStringLiteral("OBR.rez");
    o.naslov = QStringLiteral("OBRAZCI (KA900REP,KA901RAT,KA902RPR)");
    o.tabele = QStringList{QStringLiteral("TAVO.KA900REP"), QStringLiteral("TAVO.KA901RAT"),
                           QStringLiteral("TAVO.KA902RPR")};
    o.zPopravki = true;
    o.dialogi = true;
    o.obvestiloNapake = QStringLiteral("NAPAKA pri osveževanju OBRAZCEV!");
    o.obvestiloVedno = true;
    o.zakljucekPreverjanja = QStringLiteral("Konec preverjanja OBRAZCEV ");
    o.zakljucekOsvezevanja = QStringLiteral("Konec osveževanja OBRAZCEV ");
    o.konecSporocilo = QStringLiteral("Konec osveževanju OBRAZCEV!");
    return o;
}

// Whole-number fields (bound as integers, empty as null) and text fields of
// the statements, per table.
const QStringList kCela900{QStringLiteral("LEFT_900"), QStringLiteral("TOP_900"), QStringLiteral("RELX_900"),
                           QStringLiteral("RELY_900"), QStringLiteral("SIFRAX03")};
const QStringList kBesedila900{QStringLiteral("CODE_900"), QStringLiteral("CLASS900"), QStringLiteral("NAME_900"),
                               QStringLiteral("ACTIV900"), QStringLiteral("NAME2900"), QStringLiteral("PARAM900")};
const QStringList kCela901{QStringLiteral("AXISX901"), QStringLiteral("AXISY901"), QStringLiteral("LENG_901")};
const QStringList kBesedila901{QStringLiteral("DESC_901"), QStringLiteral("TYPE_901"), QStringLiteral("PICT_901"),
                               QStringLiteral("FONT_901"), QStringLiteral("COND_901"), QStringLiteral("DEFLT901"),
                               QStringLiteral("INFO901"),  QStringLiteral("RATID901")};
const QStringList kCela902{QStringLiteral("LEFT_902"), QStringLiteral("TOP__902"), QStringLiteral("RELX_902"),
                           QStringLiteral("RELY_902")};
const QStringList kBesedila902{QStringLiteral("INIT_902")};

// The columns compared between a file record and the row found.
const QStringList kPrimerjaj900{QStringLiteral("LEFT_900"), QStringLiteral("TOP_900"),  QStringLiteral("RELX_900"),
                                QStringLiteral("RELY_900"), QStringLiteral("SIFRAX03"), QStringLiteral("CODE_900"),
                                QStringLiteral("CLASS900"), QStringLiteral("NAME_900"), QStringLiteral("ACTIV900"),
                                QStringLiteral("NAME2900"), QStringLiteral("PARAM900")};
const QStringList kPrimerjaj901{QStringLiteral("TYPE_901"), QStringLiteral("AXISX901"), QStringLiteral("AXISY901"),
                                QStringLiteral("LENG_901"), QStringLiteral("PICT_901"), QStringLiteral("FONT_901"),
                                QStringLiteral("COND_901"), QStringLiteral("DEFLT901"), QStringLiteral("DESC_901"),
                                QStringLiteral("INFO901"),  QStringLiteral("RATID901")};
const QStringList kPrimerjaj902{QStringLiteral("INIT_902"), QStringLiteral("LEFT_902"), QStringLiteral("TOP__902"),
                                QStringLiteral("RELX_902"), QStringLiteral("RELY_902")};

QString besedilo(TApolloDataSet &t, const QString &polje)
{
    return t.FieldByName(polje).AsString();
}

// A whole number of a file's text: empty gives null; text that is not a whole
// number is an error of the record.
QVariant celoStevilo(const QString &besedilo)
{
    if (besedilo.trimmed().isEmpty())
        return QVariant();
    return QVariant(vCeloStevilo(besedilo));
}

// How the form of the fields and regions being read stands at the receiving
// installation.
enum class TStanjeObrazca {
    obstaja,     // found or inserted: its fields and regions are looked up under its code
    novPregled,  // new in check-only mode: every field and region of it is new
    neuspel,     // could not be inserted (or not recognised): its fields and regions cannot be applied
};

class TOsvezevanjeObrazcev {
public:
    TOsvezevanjeObrazcev(TMoxContext &ctx, TOkvirOsvezevanja &o, TApolloDataSet &ta900, TApolloDataSet &ta901,
                         TApolloDataSet &ta902)
        : m_ctx(ctx), m_o(o), m_ta900(ta900), m_ta901(ta901), m_ta902(ta902)
    {
    }

    void izvedi();

private:
    void pripraviStavke();
    void nastavi(TOracleQuery &s, TApolloDataSet &dbf, const QStringList &cela, const QStringList &besedila,
                 const TClobStolpci &t);
    QStringList razlike(const TOracleDataSet &q, TApolloDataSet &dbf, const QStringList &stolpci);
    qint64 najvecja(const QString &sql);

    void obrazec();
    void polja(const QString &izvor);
    void polje();
    void regije(const QString &izvor);
    void regija();
    void neuporabno(int prehod, const QString &vrstica);
    void sirote(TApolloDataSet &t, int prehod, const QString &predpona, const QString &oznaka);

    TMoxContext &m_ctx;
    TOkvirOsvezevanja &m_o;
    TApolloDataSet &m_ta900, &m_ta901, &m_ta902;
    bool m_samo = false;

    TOracleDataSet m_quObrazec{&m_ctx.osOracle}, m_quPolje{&m_ctx.osOracle}, m_quRegija{&m_ctx.osOracle};
    TOracleDataSet m_quStevilka{&m_ctx.osOracle};
    TOracleQuery m_ins900{&m_ctx.osOracle}, m_ins901{&m_ctx.osOracle}, m_ins902{&m_ctx.osOracle};
    TOracleQuery m_upd900{&m_ctx.osOracle}, m_upd901{&m_ctx.osOracle}, m_upd902{&m_ctx.osOracle};
    // Text columns that are CLOBs at the receiving installation.
    TClobStolpci m_clob900{QStringLiteral("KA900REP"), QStringLiteral("SIFRA900")};
    TClobStolpci m_clob901{QStringLiteral("KA901RAT"), QStringLiteral("SIFRA901")};
    TClobStolpci m_clob902{QStringLiteral("KA902RPR"), QStringLiteral("SIFRA902")};

    qint64 m_zadnjiObrazec = 0; // the highest form code given out so far
    qint64 m_zadnjaRegija = 0;  // the highest region code given out so far

    // The form being handled.
    TStanjeObrazca m_stanje = TStanjeObrazca::obstaja;
    QString m_cilj;      // its code at the receiving installation (text)
    QString m_opisObrazca; // its description, for the lines of its fields and regions
    QSet<QString> m_obrazciDatoteke; // the form codes of the forms' file that were read
};

void TOsvezevanjeObrazcev::izvedi()
{
    m_samo = m_o.samoPreverjanje();
    pripraviStavke();
    // Codes for new forms and regions: on from the highest ones, read once.
    m_zadnjiObrazec = najvecja(QStringLiteral("select max(sifra900)zadnja from tavo.ka900rep"));
    m_zadnjaRegija = najvecja(QStringLiteral("select max(sifra902)zadnja from tavo.ka902rpr"));

    m_ta900.First();
    m_o.stevci(0).vDatoteki = m_ta900.RecordCount();
    while (!m_ta900.Eof() && m_o.naprej()) {
        m_o.preberi(0);
        obrazec();
        m_ta900.Next();
    }
    m_o.koncajPrehod(0, m_ta900.Eof());
    if (m_ta900.Eof()) {
        sirote(m_ta901, 1, QStringLiteral("NAPAKA(901): "), QStringLiteral("ORDIN901"));
        sirote(m_ta902, 2, QStringLiteral("NAPAKA(902): "), QStringLiteral("DESC_902"));
    }
}

// Fields and regions whose form is not in the forms' file are never reached
// through a form: each is counted and listed as an error of its pass.
void TOsvezevanjeObrazcev::sirote(TApolloDataSet &t, int prehod, const QString &predpona, const QString &oznaka)
{
    for (t.First(); !t.Eof(); t.Next()) {
        const QString obrazec = besedilo(t, QStringLiteral("SIFRA900"));
        if (m_obrazciDatoteke.contains(obrazec))
            continue;
        m_o.preberi(prehod);
        ++m_o.stevci(prehod).napak;
        m_o.vrstica(predpona + obrazec + QStringLiteral("  ") + besedilo(t, oznaka) + QStringLiteral(" obrazca ") +
                    obrazec + QStringLiteral(" ni v datoteki KA900REP"));
        m_o.prikazi(prehod);
    }
}

void TOsvezevanjeObrazcev::pripraviStavke()
{
    auto tekst = [this](const QStringList &vrstice) { return QStringList{m_o.stavek(vrstice)}; };
    auto deklariraj = [](TOracleStatementBase &s, const QStringList &cela, const QStringList &besedila) {
        for (const QString &c : cela)
            s.DeclareVariable(c.toLower(), otInteger);
        for (const QString &b : besedila)
            s.DeclareVariable(b.toLower(), otString);
    };

    m_quObrazec.SQL = tekst({QStringLiteral("select * from tavo.ka900rep where desc_900=:desc_900 and stat_900='1'")});
    deklariraj(m_quObrazec, {}, {QStringLiteral("desc_900")});
    m_quStevilka.SQL = tekst({QStringLiteral("begin :naslednji:=tavo.getSequence('KA901RAT'); end;")});
    deklariraj(m_quStevilka, {QStringLiteral("naslednji")}, {});
    m_quPolje.SQL = tekst({QStringLiteral(
        "select * from tavo.ka901rat where sifra900=:sifra900 and ordin901=:ordin901 and stat_901='1'")});
    deklariraj(m_quPolje, {QStringLiteral("sifra900"), QStringLiteral("ordin901")}, {});
    m_quRegija.SQL = tekst({QStringLiteral(
        "select * from tavo.ka902rpr where sifra900=:sifra900 and desc_902=:desc_902 and stat_902='1'")});
    deklariraj(m_quRegija, {QStringLiteral("sifra900")}, {QStringLiteral("desc_902")});

    m_ins900.SQL = tekst(
        {QStringLiteral("insert into tavo.ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,"
                        "SIFRAX03,CODE_900,CLASS900,NAME_900,ACTIV900,NAME2900,PARAM900) "),
         QStringLiteral(" values(:sifra900,:desc_900,:left_900,:top_900,:relx_900,:rely_900,'1',:SIFRAX03,:CODE_900,"
                        ":CLASS900,:NAME_900,:ACTIV900,:NAME2900,:PARAM900) ")});
    deklariraj(m_ins900, QStringList{QStringLiteral("SIFRA900")} + kCela900,
               QStringList{QStringLiteral("DESC_900")} + kBesedila900);
    m_upd900.SQL = tekst(
        {QStringLiteral("update tavo.ka900rep set left_900=:left_900,"),
         QStringLiteral(" top_900=:top_900,relx_900=:relx_900,rely_900=:rely_900,"),
         QStringLiteral(" SIFRAX03=:SIFRAX03,CODE_900=:CODE_900,CLASS900=:CLASS900,NAME_900=:NAME_900,"
                        "ACTIV900=:ACTIV900,NAME2900=:NAME2900,PARAM900=:PARAM900"),
         QStringLiteral(" where sifra900=:sifra900")});
    deklariraj(m_upd900, QStringList{QStringLiteral("SIFRA900")} + kCela900, kBesedila900);

    m_ins901.SQL = tekst({QStringLiteral("insert into tavo.ka901rat (sifra900,sifra901,desc_901,type_901,axisx901,"
                                         "axisy901,"),
                          QStringLiteral("leng_901,pict_901,font_901,cond_901,ordin901,stat_901,deflt901,info901,"
                                         "ratid901) "),
                          QStringLiteral("values (:sifra900,:sifra901,:desc_901,:type_901,:axisx901,:axisy901,"),
                          QStringLiteral(":leng_901,:pict_901,:font_901,:cond_901,:ordin901,'1',:deflt901,:info901,"
                                         ":ratid901) ")});
    deklariraj(m_ins901,
               QStringList{QStringLiteral("SIFRA900"), QStringLiteral("SIFRA901"), QStringLiteral("ORDIN901")} +
                   kCela901,
               kBesedila901);
    m_upd901.SQL = tekst(
        {QStringLiteral("update tavo.ka901rat set type_901=:type_901,axisx901=:axisx901,axisy901=:axisy901,"),
         QStringLiteral(" leng_901=:leng_901,pict_901=:pict_901,font_901=:font_901,cond_901=:cond_901,"),
         QStringLiteral(" deflt901=:deflt901,info901=:info901,desc_901=:desc_901 ,ratid901=:ratid901"),
         QStringLiteral(" where sifra900=:sifra900 and  sifra901=:sifra901")});
    deklariraj(m_upd901, QStringList{QStringLiteral("SIFRA900"), QStringLiteral("SIFRA901")} + kCela901,
               kBesedila901);

    m_ins902.SQL = tekst({QStringLiteral("insert into tavo.ka902rpr (sifra902,sifra900,desc_902,init_902,left_902,"
                                         "top__902,"),
                          QStringLiteral("  relx_902,rely_902,stat_902,datumipl,user_ipl) "),
                          QStringLiteral("   values(:sifra902,:sifra900,:desc_902,:init_902,:left_902,:top__902,"),
                          QStringLiteral("    :relx_902,:rely_902,'1',sysdate,'ORN') ")});
    deklariraj(m_ins902, QStringList{QStringLiteral("SIFRA902"), QStringLiteral("SIFRA900")} + kCela902,
               QStringList{QStringLiteral("DESC_902")} + kBesedila902);
    m_upd902.SQL = tekst({QStringLiteral("update tavo.ka902rpr set init_902=:init_902,left_902=:left_902,"),
                          QStringLiteral(" top__902=:top__902,relx_902=:relx_902,rely_902=:rely_902 "),
                          QStringLiteral(" where sifra900=:sifra900 and sifra902=:sifra902")});
    deklariraj(m_upd902, QStringList{QStringLiteral("SIFRA900"), QStringLiteral("SIFRA902")} + kCela902,
               kBesedila902);

    for (TClobStolpci *t : {&m_clob900, &m_clob901, &m_clob902})
        t->pripravi(m_ctx);
}

void TOsvezevanjeObrazcev::nastavi(TOracleQuery &s, TApolloDataSet &dbf, const QStringList &cela,
                                  const QStringList &besedila, const TClobStolpci &t)
{
    for (const QString &c : cela)
        s.SetVariable(c.toLower(), celoStevilo(besedilo(dbf, c)));
    for (const QString &b : besedila)
        s.SetVariable(b.toLower(), t.jeClob(b) ? QVariant() : QVariant(besedilo(dbf, b)));
}

// The columns whose text differs between the row found and the file record,
// each as a line of its old and new text.
QStringList TOsvezevanjeObrazcev::razlike(const TOracleDataSet &q, TApolloDataSet &dbf, const QStringList &stolpci)
{
    QStringList out;
    for (const QString &s : stolpci) {
        const QString staro = q.FieldByName(s).AsString();
        const QString novo = besedilo(dbf, s);
        if (staro != novo)
            out << QStringLiteral("       ") + s + QStringLiteral(" staro:") + staro + QStringLiteral("  novo:") + novo;
    }
    return out;
}

qint64 TOsvezevanjeObrazcev::najvecja(const QString &sql)
{
    TOracleDataSet q(&m_ctx.osOracle);
    q.SQL = QStringList{m_o.stavek({sql})};
    q.Open();
    const qint64 n = q.Eof() ? 0 : q.FieldByName(QStringLiteral("zadnja")).AsInteger();
    q.Close();
    return n;
}

void TOsvezevanjeObrazcev::obrazec()
{
    const QString izvor = besedilo(m_ta900, QStringLiteral("SIFRA900"));
    const QString opis = besedilo(m_ta900, QStringLiteral("DESC_900"));
    const bool oznacen = besedilo(m_ta900, QStringLiteral("POPRAVI")) == QStringLiteral("*");
    m_opisObrazca = opis;
    m_cilj = izvor;
    m_obrazciDatoteke.insert(izvor);

    if (opis.isEmpty()) {
        // A form is recognised by its description: one without it would be
        // inserted anew by every run.
        m_stanje = TStanjeObrazca::neuspel;
        m_o.napaka(0, QStringLiteral("NAPAKA(900): ") + izvor, QStringLiteral("obrazec nima opisa (DESC_900)"));
    } else {
        m_quObrazec.Close();
        m_quObrazec.SetVariable(QStringLiteral("desc_900"), opis);
        m_quObrazec.Open();
        if (m_quObrazec.Eof()) {
            m_o.novo(0, QStringLiteral("NOVO(900): ") + opis.left(20));
            if (m_samo) {
                m_stanje = TStanjeObrazca::novPregled;
            } else {
                m_cilj = QString::number(++m_zadnjiObrazec);
                m_stanje = TStanjeObrazca::obstaja;
                try {
                    m_ins900.SetVariable(QStringLiteral("sifra900"), m_zadnjiObrazec);
                    m_ins900.SetVariable(QStringLiteral("desc_900"), opis);
                    nastavi(m_ins900, m_ta900, kCela900, kBesedila900, m_clob900);
                    m_ins900.Execute();
                    m_clob900.zapisi(m_ctx, m_ta900, m_zadnjiObrazec);
                    m_ctx.osOracle.Commit();
                } catch (const EMoxError &e) {
                    m_ctx.osOracle.Rollback();
                    m_stanje = TStanjeObrazca::neuspel;
                    m_o.napaka(0, QStringLiteral("NAPAKA(900): ") + opis.left(20), e.message());
                }
            }
        } else {
            m_stanje = TStanjeObrazca::obstaja;
            m_cilj = m_quObrazec.FieldByName(QStringLiteral("sifra900")).AsString();
            const QStringList r = razlike(m_quObrazec, m_ta900, kPrimerjaj900);
            if (!r.isEmpty()) {
                m_o.popravek(0, QStringList{QStringLiteral("POPR(900): ") + m_cilj} + r);
                if (!m_samo && oznacen) {
                    try {
                        const qint64 cilj = vCeloStevilo(m_cilj);
                        m_upd900.SetVariable(QStringLiteral("sifra900"), cilj);
                        nastavi(m_upd900, m_ta900, kCela900, kBesedila900, m_clob900);
                        m_upd900.Execute();
                        m_clob900.zapisi(m_ctx, m_ta900, cilj);
                        m_ctx.osOracle.Commit();
                    } catch (const EMoxError &e) {
                        m_ctx.osOracle.Rollback();
                        m_o.napaka(0, QStringLiteral("NAPAKA(900): ") + m_cilj, e.message());
                    }
                }
            }
        }
        m_quObrazec.Close();
    }

    polja(izvor);
    regije(izvor);
}

// A field or region of a form that is not at the receiving installation:
// counted and listed as an error of its pass. The form's own error was shown
// already, so no dialog is asked for each of its records.
void TOsvezevanjeObrazcev::neuporabno(int prehod, const QString &vrstica)
{
    ++m_o.stevci(prehod).napak;
    m_o.vrstica(vrstica + QStringLiteral(" obrazca ") + m_opisObrazca + QStringLiteral(" ni v bazi"));
    m_o.prikazi(prehod);
}

// The fields (and regions) of a form follow it in their files' index on
// SIFRA900: the form's code padded with blanks to the width of the codes.
void TOsvezevanjeObrazcev::polja(const QString &izvor)
{
    if (izvor.isEmpty() || !m_ta901.Seek(izvor.leftJustified(5, u' ')))
        return;
    while (!m_ta901.Eof() && besedilo(m_ta901, QStringLiteral("SIFRA900")) == izvor) {
        m_o.preberi(1);
        polje();
        m_ta901.Next();
    }
}

void TOsvezevanjeObrazcev::polje()
{
    const QString red = besedilo(m_ta901, QStringLiteral("ORDIN901"));
    const QString oznaka = m_cilj + QStringLiteral("  ") + red;
    if (m_stanje == TStanjeObrazca::neuspel) {
        // Its form is not there: the field cannot be applied.
        neuporabno(1, QStringLiteral("NAPAKA(901): ") + oznaka);
        return;
    }
    if (m_stanje == TStanjeObrazca::novPregled) {
        m_o.novo(1, QStringLiteral("NOVO(901): ") + oznaka);
        return;
    }
    qint64 zaporedna = 0;
    try {
        if (red.trimmed().isEmpty())
            throw EMoxError(QStringLiteral("polje nima zaporedne številke (ORDIN901)"));
        zaporedna = vCeloStevilo(red);
    } catch (const EMoxError &e) {
        m_o.napaka(1, QStringLiteral("NAPAKA(901): ") + oznaka, e.message());
        return;
    }
    const bool oznacen = besedilo(m_ta901, QStringLiteral("POPRAVI")) == QStringLiteral("*");
    const qint64 cilj = vCeloStevilo(m_cilj);

    m_quPolje.Close();
    m_quPolje.SetVariable(QStringLiteral("sifra900"), cilj);
    m_quPolje.SetVariable(QStringLiteral("ordin901"), zaporedna);
    m_quPolje.Open();
    const QString privzeta = m_o.predpona();
    if (m_quPolje.Eof()) {
        m_o.novo(1, QStringLiteral("NOVO(901): ") + oznaka);
        if (!m_samo) {
            QString stevilka;
            try {
                m_quStevilka.Close();
                m_quStevilka.Open();
                const TOracleValue v = m_quStevilka.GetVariable(QStringLiteral("naslednji"));
                m_quStevilka.Close();
                stevilka = v.AsString();
                if (v.IsNull() || v.AsInteger() < 1)
                    throw EMoxError(QStringLiteral("tavo.getSequence('KA901RAT') ni dala številke"));
                m_ins901.SetVariable(QStringLiteral("sifra900"), cilj);
                m_ins901.SetVariable(QStringLiteral("sifra901"), v.AsInteger());
                m_ins901.SetVariable(QStringLiteral("ordin901"), zaporedna);
                nastavi(m_ins901, m_ta901, kCela901, kBesedila901, m_clob901);
                m_ins901.Execute();
                m_clob901.zapisi(m_ctx, m_ta901, v.AsInteger());
                m_ctx.osOracle.Commit();
            } catch (const EMoxError &e) {
                m_quStevilka.Close();
                m_ctx.osOracle.Rollback();
                m_o.setPredpona(privzeta + QStringLiteral("   900: ") + m_cilj + QStringLiteral("    901: ") +
                                stevilka + crlf + crlf);
                m_o.napaka(1, QStringLiteral("NAPAKA(901): ") + oznaka, e.message());
                m_o.setPredpona(privzeta);
            }
        }
    } else {
        const QString sifra901 = m_quPolje.FieldByName(QStringLiteral("sifra901")).AsString();
        const QStringList r = razlike(m_quPolje, m_ta901, kPrimerjaj901);
        if (!r.isEmpty()) {
            m_o.popravek(1, QStringList{QStringLiteral("POPR(901): ") + m_cilj + QStringLiteral("  ") +
                                        besedilo(m_ta901, QStringLiteral("SIFRA901"))} +
                                r);
            if (!m_samo && oznacen) {
                try {
                    const qint64 stevilka = vCeloStevilo(sifra901);
                    m_upd901.SetVariable(QStringLiteral("sifra900"), cilj);
                    m_upd901.SetVariable(QStringLiteral("sifra901"), stevilka);
                    nastavi(m_upd901, m_ta901, kCela901, kBesedila901, m_clob901);
                    m_upd901.Execute();
                    m_clob901.zapisi(m_ctx, m_ta901, stevilka);
                    m_ctx.osOracle.Commit();
                } catch (const EMoxError &e) {
                    m_ctx.osOracle.Rollback();
                    m_o.setPredpona(privzeta + QStringLiteral("   900: ") + m_cilj + QStringLiteral("    901: ") +
                                    sifra901 + crlf + crlf);
                    m_o.napaka(1, QStringLiteral("NAPAKA(901): ") + oznaka, e.message());
                    m_o.setPredpona(privzeta);
                }
            }
        }
    }
    m_quPolje.Close();
}

void TOsvezevanjeObrazcev::regije(const QString &izvor)
{
    if (izvor.isEmpty() || !m_ta902.Seek(izvor.leftJustified(5, u' ')))
        return;
    while (!m_ta902.Eof() && besedilo(m_ta902, QStringLiteral("SIFRA900")) == izvor) {
        m_o.preberi(2);
        regija();
        m_ta902.Next();
    }
}

void TOsvezevanjeObrazcev::regija()
{
    const QString opis = besedilo(m_ta902, QStringLiteral("DESC_902"));
    const QString oznaka = m_cilj + QStringLiteral("  ") + opis;
    if (m_stanje == TStanjeObrazca::neuspel) {
        neuporabno(2, QStringLiteral("NAPAKA(902): ") + oznaka);
        return;
    }
    if (m_stanje == TStanjeObrazca::novPregled) {
        m_o.novo(2, QStringLiteral("NOVO(902): ") + oznaka);
        return;
    }
    if (opis.isEmpty()) {
        // A region is recognised by its description within its form.
        m_o.napaka(2, QStringLiteral("NAPAKA(902): ") + oznaka, QStringLiteral("regija nima opisa (DESC_902)"));
        return;
    }
    const bool oznacen = besedilo(m_ta902, QStringLiteral("POPRAVI")) == QStringLiteral("*");
    const qint64 cilj = vCeloStevilo(m_cilj);

    m_quRegija.Close();
    m_quRegija.SetVariable(QStringLiteral("sifra900"), cilj);
    m_quRegija.SetVariable(QStringLiteral("desc_902"), opis);
    m_quRegija.Open();
    if (m_quRegija.Eof()) {
        m_o.novo(2, QStringLiteral("NOVO(902): ") + oznaka);
        if (!m_samo) {
            const qint64 sifra = ++m_zadnjaRegija;
            try {
                m_ins902.SetVariable(QStringLiteral("sifra902"), sifra);
                m_ins902.SetVariable(QStringLiteral("sifra900"), cilj);
                m_ins902.SetVariable(QStringLiteral("desc_902"), opis);
                nastavi(m_ins902, m_ta902, kCela902, kBesedila902, m_clob902);
                m_ins902.Execute();
                m_clob902.zapisi(m_ctx, m_ta902, sifra);
                m_ctx.osOracle.Commit();
            } catch (const EMoxError &e) {
                m_ctx.osOracle.Rollback();
                m_o.napaka(2, QStringLiteral("NAPAKA(902): ") + oznaka, e.message());
            }
        }
    } else {
        const QString sifra902 = m_quRegija.FieldByName(QStringLiteral("sifra902")).AsString();
        const QStringList r = razlike(m_quRegija, m_ta902, kPrimerjaj902);
        if (!r.isEmpty()) {
            m_o.popravek(2, QStringList{QStringLiteral("POPR(902): ") + m_cilj + QStringLiteral("  ") +
                                        besedilo(m_ta902, QStringLiteral("SIFRA902"))} +
                                r);
            if (!m_samo && oznacen) {
                try {
                    const qint64 sifra = vCeloStevilo(sifra902);
                    m_upd902.SetVariable(QStringLiteral("sifra900"), cilj);
                    m_upd902.SetVariable(QStringLiteral("sifra902"), sifra);
                    nastavi(m_upd902, m_ta902, kCela902, kBesedila902, m_clob902);
                    m_upd902.Execute();
                    m_clob902.zapisi(m_ctx, m_ta902, sifra);
                    m_ctx.osOracle.Commit();
                } catch (const EMoxError &e) {
                    m_ctx.osOracle.Rollback();
                    m_o.napaka(2, QStringLiteral("NAPAKA(902): ") + oznaka, e.message());
                }
            }
        }
    }
    m_quRegija.Close();
}

} // namespace

TIzidDruzine osveziObrazce(TMoxContext &ctx, const TZahtevaDruzine &zahteva, const TNapredekDruzine *napredek)
{
    // The tables outlive the frame, which closes them at the end of the run.
    TApolloDataSet ta900, ta901, ta902;
    TOkvirOsvezevanja okvir(ctx, zahteva, napredek, opisObrazcev());
    return okvir.izvedi([&](TOkvirOsvezevanja &o) {
        o.preveriDatoteke({QStringLiteral("KA900REP.DBF"), QStringLiteral("KA901RAT.DBF"),
                           QStringLiteral("KA902RPR.DBF")});
        o.odpriDBF(ta900, QStringLiteral("KA900REP"));
        o.odpriDBF(ta901, QStringLiteral("KA901RAT"), QStringLiteral("SIFRA900"));
        o.odpriDBF(ta902, QStringLiteral("KA902RPR"), QStringLiteral("SIFRA900"));
        TOsvezevanjeObrazcev run(ctx, o, ta900, ta901, ta902);
        run.izvedi();
    });
}
