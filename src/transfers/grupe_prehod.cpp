// The table pass of the group-like family refreshes and its helpers.
#include "transfers/grupe_prehod.h"

#include "dbf/apollo.h"
#include "general/values.h"
#include "oracle/oracle.h"
#include "run/schemanames.h"
#include "run/context.h"
#include "base/moxerror.h"
#include "base/text.h"

#include <optional>

using moxtext::upperAZ;

QString datumZaPrimerjavo(const QString &besedilo)
{
    QString s = besedilo.mid(6, 4) + u'.' + besedilo.mid(3, 2) + u'.' + besedilo.left(2);
    if (besedilo.size() >= 11 && besedilo.mid(11, 8) != QStringLiteral("00:00:00"))
        s += besedilo.mid(10, 9);
    return s;
}

QString nicCePrazno(const QString &besedilo)
{
    return besedilo.isEmpty() ? QStringLiteral("0") : besedilo;
}

void nastaviCeloStevilo(TOracleStatementBase &stavek, const QString &ime, const QString &besedilo)
{
    if (moxtext::trimBlanks(besedilo).isEmpty())
        stavek.SetVariable(ime, QVariant());
    else
        stavek.SetVariable(ime, vCeloStevilo(besedilo));
}

void nastaviRealnoStevilo(TOracleStatementBase &stavek, const QString &ime, const QString &besedilo)
{
    if (moxtext::trimBlanks(besedilo).isEmpty())
        stavek.SetVariable(ime, QVariant());
    else
        stavek.SetVariable(ime, vRealnoStevilo(besedilo));
}

QStringList spremenljivkeStavka(const QString &besedilo)
{
    QStringList imena;
    bool vNavednicah = false;
    for (qsizetype i = 0; i < besedilo.size(); ++i) {
        const QChar c = besedilo[i];
        if (c == u'\'') {
            vNavednicah = !vNavednicah;
            continue;
        }
        if (vNavednicah || c != u':')
            continue;
        qsizetype j = i + 1;
        while (j < besedilo.size() && (besedilo[j].isLetterOrNumber() || besedilo[j] == u'_' || besedilo[j] == u'$' ||
                                       besedilo[j] == u'#'))
            ++j;
        if (j > i + 1) {
            const QString ime = upperAZ(besedilo.mid(i + 1, j - i - 1));
            if (!imena.contains(ime))
                imena << ime;
        }
        i = j - 1;
    }
    return imena;
}

// ------------------------------------------------------------------ run state

TTekOsvezevanja::TTekOsvezevanja(TMoxContext &c, const TZahtevaDruzine &z, const TNapredekDruzine *n,
                                 const QStringList &oznake)
    : ctx(c), zahteva(z), napredek(n)
{
    for (const QString &o : oznake) {
        TStevciPrehoda s;
        s.oznaka = o;
        stevci << s;
    }
}

void TTekOsvezevanja::prikazi(int prehod)
{
    if (napredek && napredek->prikazi)
        napredek->prikazi(prehod, stevci[prehod]);
}

bool TTekOsvezevanja::lahkoVprasa() const
{
    return ctx.ui && !zahteva.brezSporocil && !ctx.pAutomatika;
}

void TTekOsvezevanja::napaka(int prehod, const QStringList &vrstice)
{
    porocilo.napaka(prehod, kljucZapisa, vrstice.join(moxtext::crlf));
    neuspeh = true;
    ++stevci[prehod].napak;
    prikazi(prehod);
    sporocila << vrstice;
}

void TTekOsvezevanja::uporabljen(int prehod)
{
    while (uporabljenih.size() <= prehod)
        uporabljenih << 0;
    ++uporabljenih[prehod];
}

QString TTekOsvezevanja::zapisiPorocilo(const QString &rezultatnaDatoteka, const QString &naslov,
                                        const QString &napaka)
{
    if (!napaka.isEmpty()) {
        int zadnji = 0;
        for (int i = 0; i < stevci.size(); ++i)
            if (stevci[i].prebranih > 0)
                zadnji = i;
        porocilo.napaka(zadnji, kljucZapisa, napaka);
    }
    const bool samo = zahteva.samoPreverjanje;
    porocilo.nastavi(naslov, samo);
    for (int i = 0; i < stevci.size(); ++i) {
        const TStevciPrehoda &s = stevci[i];
        porocilo.tabela(i, s.oznaka, {s.prebranih, s.novih, s.popravkov, samo ? 0 : uporabljenih.value(i), s.napak});
    }
    try {
        porocilo.zapisi(rezultatnaDatoteka);
        return QString();
    } catch (const EMoxError &e) {
        neuspeh = true;
        return e.message();
    }
}

bool TTekOsvezevanja::izvediInStej(TOracleQuery &stavek, const QString &ime, int prehod)
{
    try {
        stavek.Execute();
        ctx.osOracle.Commit();
        return true;
    } catch (const EMoxError &e) {
        const QString besedilo = ime + u':' + e.message();
        napaka(prehod, {besedilo});
        if (lahkoVprasa() && ctx.ui->pokaziSporocilo(besedilo, mtWarning, mbYes | mbNo) == mrNo)
            nadaljuj = false;
        return false;
    }
}

void TTekOsvezevanja::izvediUkaz(const QString &besedilo, int prehod)
{
    // The statement names the served schema; in a database of several
    // installations it must switch this installation's trigger.
    TOracleQuery q(&ctx.osOracle);
    q.SQL << zamenjave(besedilo, QStringLiteral("SQL"), ctx);
    try {
        q.Execute();
    } catch (const EMoxError &e) {
        napaka(prehod, {q.SQL.join(u' ') + QStringLiteral(": ") + e.message()});
        if (lahkoVprasa())
            ctx.ui->showMessage(e.message());
    }
}

// ------------------------------------------------------------------ table pass

namespace {

// One statement of a pass with what each of its variables binds from.
class TStavekPrehoda {
public:
    enum class Vir { polje, iskanje, kljucVrstice, celo, realno, nic };
    struct Spr {
        QString ime;
        Vir vir = Vir::polje;
        int indeks = -1; // field of the DBF, or the lookup
    };

    void pripravi(TOracleStatementBase &stavek, const QStringList &vrstice, const TOpisPrehoda &opis,
                  TApolloDataSet &dbf, bool zKljucemVrstice, TMoxContext &ctx)
    {
        stavek.SQL = QStringList{zamenjave(vrstice.join(moxtext::crlf), QStringLiteral("SQL"), ctx)};
        stavek.DeleteVariables();
        m_spr.clear();
        for (const QString &ime : spremenljivkeStavka(vrstice.join(u'\n'))) {
            Spr s;
            s.ime = ime;
            TOracleType tip = otString;
            for (int i = 0; i < opis.iskanja.size() && s.vir == Vir::polje; ++i)
                if (upperAZ(opis.iskanja[i].kljuc) == ime) {
                    s.vir = Vir::iskanje;
                    s.indeks = i;
                    tip = otInteger;
                }
            if (zKljucemVrstice && ime == upperAZ(opis.kljucVrstice)) {
                s.vir = Vir::kljucVrstice;
                tip = otInteger;
            } else if (s.vir == Vir::iskanje) {
            } else if (opis.vednoNull.contains(ime)) {
                s.vir = Vir::nic;
            } else if (opis.celaStevila.contains(ime)) {
                s.vir = Vir::celo;
                tip = otInteger;
            } else if (opis.realnaStevila.contains(ime)) {
                s.vir = Vir::realno;
                tip = otFloat;
            }
            if (s.vir == Vir::polje || s.vir == Vir::celo || s.vir == Vir::realno) {
                s.indeks = dbf.FieldIndex(ime);
                if (s.indeks < 0)
                    throw EMoxError(QStringLiteral("V tabeli ") + dbf.TableName + QStringLiteral(" ni polja ") + ime);
            }
            stavek.DeclareVariable(ime, tip);
            m_spr.push_back(s);
        }
    }

    // Binds every variable from the current record, the looked-up keys and
    // the key of the record's row.
    void povezi(TOracleStatementBase &stavek, TApolloDataSet &dbf, const std::vector<std::optional<qint64>> &kljuci,
                qint64 kljucVrstice) const
    {
        for (const Spr &s : m_spr) {
            switch (s.vir) {
            case Vir::iskanje:
                stavek.SetVariable(s.ime, kljuci[size_t(s.indeks)] ? QVariant(*kljuci[size_t(s.indeks)]) : QVariant());
                break;
            case Vir::kljucVrstice:
                stavek.SetVariable(s.ime, kljucVrstice);
                break;
            case Vir::nic:
                stavek.SetVariable(s.ime, QVariant());
                break;
            case Vir::celo:
                nastaviCeloStevilo(stavek, s.ime, TApolloField(&dbf, s.indeks).AsString());
                break;
            case Vir::realno:
                nastaviRealnoStevilo(stavek, s.ime, TApolloField(&dbf, s.indeks).AsString());
                break;
            case Vir::polje:
                stavek.SetVariable(s.ime, TApolloField(&dbf, s.indeks).AsString());
                break;
            }
        }
    }

private:
    std::vector<Spr> m_spr;
};

// The fields that name a record in the report: its own code, else the codes
// it is looked up by, else the fields its existence query binds.
QStringList poljaKljuca(const TOpisPrehoda &opis, TApolloDataSet &dbf)
{
    if (!opis.kodaVrstice.isEmpty() && dbf.FieldIndex(opis.kodaVrstice) >= 0)
        return {opis.kodaVrstice};
    QStringList polja;
    for (const TIskanjeKode &i : opis.iskanja)
        polja << i.polje;
    if (polja.isEmpty())
        for (const QString &s : spremenljivkeStavka(opis.obstoj.join(u' ')))
            if (dbf.FieldIndex(s) >= 0)
                polja << s;
    polja.removeDuplicates();
    return polja;
}

// The key of a record in the report: each key field's name and value.
QString kljucZapisa(const QStringList &polja, TApolloDataSet &dbf)
{
    QStringList deli;
    for (const QString &p : polja)
        deli << p + QStringLiteral("  ") + TApolloField(&dbf, dbf.FieldIndex(p)).AsString().trimmed();
    return deli.join(u' ');
}

} // namespace

bool posodobiPoPravilu(TPraviloPosodobitve pravilo, const QString &datumVrstice, const QString &datumZapisa,
                       const QString &uporabnikVrstice, const QString &uporabnikZapisa)
{
    const QString v = datumZaPrimerjavo(datumVrstice);
    const QString z = datumZaPrimerjavo(datumZapisa);
    switch (pravilo) {
    case TPraviloPosodobitve::novejsi:
        return v < z;
    case TPraviloPosodobitve::vedno:
        return true;
    case TPraviloPosodobitve::razlicenDatum:
        return v != z;
    case TPraviloPosodobitve::razlicenDatumUporabnik:
        return v != z || uporabnikVrstice != uporabnikZapisa;
    case TPraviloPosodobitve::nikoli:
        return false;
    }
    return false;
}

void osveziPrehod(TTekOsvezevanja &tek, int prehod, const TOpisPrehoda &opis, TApolloDataSet &dbf)
{
    TMoxContext &ctx = tek.ctx;
    TStevciPrehoda &st = tek.stevci[prehod];
    const bool samo = tek.zahteva.samoPreverjanje;

    // Statements are prepared once per pass and only re-bound per record.
    struct TIskalnik {
        std::unique_ptr<TOracleDataSet> q;
        QString spremenljivka;
        int polje = -1;
    };
    std::vector<TIskalnik> iskalniki;
    for (const TIskanjeKode &i : opis.iskanja) {
        TIskalnik is;
        is.q = std::make_unique<TOracleDataSet>(&ctx.osOracle);
        is.q->SQL = QStringList{zamenjave(i.sql, QStringLiteral("SQL"), ctx)};
        const QStringList spr = spremenljivkeStavka(i.sql);
        if (spr.size() != 1)
            throw EMoxError(QStringLiteral("Iskanje šifre nima ene spremenljivke: ") + i.sql);
        is.spremenljivka = spr.front();
        is.q->DeclareVariable(is.spremenljivka, otString);
        is.polje = dbf.FieldIndex(i.polje);
        if (is.polje < 0)
            throw EMoxError(QStringLiteral("V tabeli ") + dbf.TableName + QStringLiteral(" ni polja ") + i.polje);
        iskalniki.push_back(std::move(is));
    }
    TOracleDataSet obstoj(&ctx.osOracle);
    TOracleQuery vstavi(&ctx.osOracle), posodobi(&ctx.osOracle);
    TStavekPrehoda sObstoj, sVstavi, sPosodobi;
    sObstoj.pripravi(obstoj, opis.obstoj, opis, dbf, false, ctx);
    sVstavi.pripravi(vstavi, opis.vstavi, opis, dbf, false, ctx);
    if (!opis.posodobi.isEmpty())
        sPosodobi.pripravi(posodobi, opis.posodobi, opis, dbf, true, ctx);
    const int poljePreskoci = opis.preskociPrazno.isEmpty() ? -1 : dbf.FieldIndex(opis.preskociPrazno);
    const int poljeKode = opis.kodaVrstice.isEmpty() ? -1 : dbf.FieldIndex(opis.kodaVrstice);
    const QStringList poljaKljucaZapisa = poljaKljuca(opis, dbf);
    const int poljeDatum = dbf.FieldIndex(QStringLiteral("DATUMIPL"));
    const int poljeUporabnik = dbf.FieldIndex(QStringLiteral("USER_IPL"));

    const bool preklop = !samo && !opis.trigger.isEmpty();
    if (preklop)
        tek.izvediUkaz(QStringLiteral("ALTER TRIGGER TAVO.") + opis.trigger + QStringLiteral(" DISABLE"), prehod);
    auto vklopi = [&] {
        if (preklop)
            tek.izvediUkaz(QStringLiteral("ALTER TRIGGER TAVO.") + opis.trigger + QStringLiteral(" ENABLE"), prehod);
    };

    try {
        std::vector<std::optional<qint64>> kljuci(iskalniki.size());
        st.vDatoteki = dbf.RecordCount();
        for (dbf.First(); tek.nadaljuj && !dbf.Eof(); dbf.Next()) {
            if (ctx.pKonec) {
                tek.nadaljuj = false;
                break;
            }
            if (dbf.Deleted())
                continue;
            if (poljePreskoci >= 0 && TApolloField(&dbf, poljePreskoci).AsString().isEmpty())
                continue;
            ++st.prebranih;
            tek.prikazi(prehod);
            tek.kljucZapisa = kljucZapisa(poljaKljucaZapisa, dbf);

            // The codes of the record in the receiving database.
            QStringList manjka;
            for (size_t i = 0; i < iskalniki.size(); ++i) {
                const TIskanjeKode &opisIskanja = opis.iskanja[int(i)];
                const QString koda = TApolloField(&dbf, iskalniki[i].polje).AsString();
                kljuci[i].reset();
                if (opisIskanja.praznoJeNull && koda.isEmpty())
                    continue;
                TOracleDataSet &q = *iskalniki[i].q;
                q.Close();
                q.SetVariable(iskalniki[i].spremenljivka, koda);
                q.Open();
                if (!q.Eof())
                    kljuci[i] = q.Field(0).AsInteger();
                else if (samo && tek.noveKode.value(opis.tabeleIskanj.value(opisIskanja.kljuc)).contains(koda))
                    kljuci[i] = 0; // would have been inserted: no row of it exists yet
                else
                    manjka << opisIskanja.sporocilo + koda;
                q.Close();
            }
            if (!manjka.isEmpty()) {
                tek.napakaIskanja = true;
                tek.napaka(prehod, manjka);
                if (opis.obManjkajocih)
                    opis.obManjkajocih(dbf, manjka);
                continue;
            }

            obstoj.Close();
            sObstoj.povezi(obstoj, dbf, kljuci, 0);
            obstoj.Open();
            try {
                if (obstoj.Eof()) {
                    ++st.novih;
                    tek.prikazi(prehod);
                    tek.porocilo.novo(prehod, tek.kljucZapisa);
                    if (samo && poljeKode >= 0)
                        tek.noveKode[opis.tabela].insert(TApolloField(&dbf, poljeKode).AsString());
                    if (!samo) {
                        sVstavi.povezi(vstavi, dbf, kljuci, 0);
                        if (tek.izvediInStej(vstavi, opis.imeNapake, prehod))
                            tek.uporabljen(prehod);
                    }
                } else {
                    const QString datumZapisa = poljeDatum >= 0 ? TApolloField(&dbf, poljeDatum).AsString() : QString();
                    const QString uporabnik = poljeUporabnik >= 0 ? TApolloField(&dbf, poljeUporabnik).AsString() : QString();
                    const bool imaDatum = opis.pravilo != TPraviloPosodobitve::vedno &&
                                          opis.pravilo != TPraviloPosodobitve::nikoli;
                    const QString datumVrstice =
                        imaDatum ? obstoj.FieldByName(QStringLiteral("DATIPL")).AsString() : QString();
                    const QString uporabnikVrstice = opis.pravilo == TPraviloPosodobitve::razlicenDatumUporabnik
                                                         ? obstoj.FieldByName(QStringLiteral("USER_IPL")).AsString()
                                                         : QString();
                    if (posodobiPoPravilu(opis.pravilo, datumVrstice, datumZapisa, uporabnikVrstice, uporabnik)) {
                        ++st.popravkov;
                        tek.prikazi(prehod);
                        std::vector<TRazlikaStolpca> razlike;
                        if (imaDatum)
                            razlike.push_back({QStringLiteral("DATUMIPL"), datumVrstice, datumZapisa});
                        if (uporabnikVrstice != uporabnik &&
                            opis.pravilo == TPraviloPosodobitve::razlicenDatumUporabnik)
                            razlike.push_back({QStringLiteral("USER_IPL"), uporabnikVrstice, uporabnik});
                        tek.porocilo.razlicno(prehod, tek.kljucZapisa, std::move(razlike));
                        if (!samo) {
                            const qint64 kljuc = obstoj.FieldByName(opis.kljucVrstice).AsInteger();
                            sPosodobi.povezi(posodobi, dbf, kljuci, kljuc);
                            if (tek.izvediInStej(posodobi,
                                                 opis.imeNapakePosodobitve.isEmpty() ? opis.imeNapake
                                                                                     : opis.imeNapakePosodobitve,
                                                 prehod))
                                tek.uporabljen(prehod);
                        }
                    }
                }
            } catch (const EMoxError &e) {
                // A value of the record that does not convert: the record
                // cannot be applied; it is an error of the record, listed.
                obstoj.Close();
                const QString besedilo = opis.imeNapake + u':' + e.message();
                tek.napaka(prehod, {besedilo});
                if (tek.lahkoVprasa() && ctx.ui->pokaziSporocilo(besedilo, mtWarning, mbYes | mbNo) == mrNo)
                    tek.nadaljuj = false;
            }
            obstoj.Close();
            if (ctx.ui)
                ctx.ui->processEvents();
        }
    } catch (...) {
        vklopi();
        throw;
    }
    tek.kljucZapisa.clear();
    vklopi();
}
