// The group settings text and the small text rules of the group files.
#include "transfers/grupe.h"
#include "transfers/grupe_nastavitve.h"
#include "transfers/grupe_prehod.h"

#include "oracle/oracle.h"

#include <gtest/gtest.h>

namespace {

QStringList vrstice(const char *besedilo) { return QString::fromUtf8(besedilo).split(u'\n'); }

TEST(GrupeNastavitve, EntriesHeadersActivitiesAndPolja)
{
    const TNastavitveGrup n = preberiNastavitveGrup(vrstice("###\n  K12 STORITVE  \nA100\n\n A200 \nPOLJA\nX9\n"
                                                             "###\nK15 opis skupine\nPOLJA\n###\n"));
    // Three "###": entries 1..3; the last one has no code, so the count is 2.
    ASSERT_EQ(n.vnosi.size(), 4);
    EXPECT_EQ(n.stevilo, 2);
    EXPECT_EQ(n.vnosi[1].grupa, QStringLiteral("K12"));
    EXPECT_TRUE(n.vnosi[1].storitve);
    EXPECT_EQ(n.vnosi[1].aktivnosti, (QStringList{QStringLiteral("A100"), QStringLiteral("A200")}));
    EXPECT_EQ(n.vnosi[2].grupa, QStringLiteral("K15"));
    EXPECT_FALSE(n.vnosi[2].storitve);
    EXPECT_TRUE(n.vnosi[2].aktivnosti.isEmpty());
    EXPECT_EQ(n.seznamBesedilo(), QStringLiteral("K12,K15,,"));
    EXPECT_EQ(&n.vnosZa(QStringLiteral("K15")), &n.vnosi[2]);
    EXPECT_EQ(&n.vnosZa(QStringLiteral("K12")), &n.vnosi[1]);
    // A group no header names uses the last entry.
    EXPECT_EQ(&n.vnosZa(QStringLiteral("K1")), &n.vnosi[2]);
}

TEST(GrupeNastavitve, EmptyHeaderAndTextsWithoutHashes)
{
    // An empty line right after "###" is the header: the next line is an activity.
    TNastavitveGrup n = preberiNastavitveGrup(vrstice("###\n\nA1\n###\nG2\n"));
    EXPECT_EQ(n.vnosi[1].grupa, QString());
    EXPECT_EQ(n.vnosi[1].aktivnosti, QStringList{QStringLiteral("A1")});
    EXPECT_EQ(n.stevilo, 2);

    // No "###": the single header fills entry 0, which the group then uses.
    n = preberiNastavitveGrup(vrstice("G7 STORITVE\nA1\n"));
    EXPECT_EQ(n.stevilo, 0);
    EXPECT_EQ(n.vnosZa(QStringLiteral("G7")).aktivnosti, QStringList{QStringLiteral("A1")});
    EXPECT_TRUE(n.vnosZa(QStringLiteral("G7")).storitve);

    // An empty text: no groups at all.
    n = preberiNastavitveGrup({});
    EXPECT_TRUE(n.seznamGrup.isEmpty());
    EXPECT_EQ(n.stevilo, 0);
}

TEST(GrupeNastavitve, MoreThan99EntriesAreKept)
{
    QStringList t;
    for (int i = 1; i <= 150; ++i)
        t << QStringLiteral("###") << QStringLiteral("G%1").arg(i) << QStringLiteral("A%1").arg(i);
    const TNastavitveGrup n = preberiNastavitveGrup(t);
    EXPECT_EQ(n.stevilo, 150);
    EXPECT_EQ(n.vnosZa(QStringLiteral("G120")).aktivnosti, QStringList{QStringLiteral("A120")});
}

TEST(GrupeNastavitve, ActivityMembershipIsByWholeItem)
{
    tipGrupaStr e;
    EXPECT_TRUE(aktivnostIzbrana(e, QStringLiteral("A1"))); // none listed: all
    e.aktivnosti = {QStringLiteral("*")};
    EXPECT_TRUE(aktivnostIzbrana(e, QStringLiteral("A1")));
    e.aktivnosti = {QStringLiteral("A10"), QStringLiteral("B2")};
    EXPECT_FALSE(aktivnostIzbrana(e, QStringLiteral("A1")));
    EXPECT_FALSE(aktivnostIzbrana(e, QStringLiteral("B")));
    EXPECT_TRUE(aktivnostIzbrana(e, QStringLiteral("A10")));
    EXPECT_TRUE(aktivnostIzbrana(e, QStringLiteral("B2")));
}

TEST(GrupeNastavitve, DateAndPaddingRules)
{
    const struct {
        const char *vhod, *brezUre, *primerjava;
    } primeri[] = {
        {"05.03.2016 00:00:00", "05.03.2016", "2016.03.05"},
        {"05.03.2016 08:15:00", "05.03.2016 08:15:00", "2016.03.05 08:15:00"},
        {"05.03.2016", "05.03.2016", "2016.03.05"},
        {"", "", ".."},
    };
    for (const auto &p : primeri) {
        EXPECT_EQ(datumBrezUre(QString::fromLatin1(p.vhod)), QString::fromLatin1(p.brezUre)) << p.vhod;
        EXPECT_EQ(datumZaPrimerjavo(QString::fromLatin1(p.vhod)), QString::fromLatin1(p.primerjava)) << p.vhod;
    }
    // A date alone and the same date at midnight compare equal; a later day
    // is later even when the earlier one has a time.
    EXPECT_EQ(datumZaPrimerjavo(QStringLiteral("05.03.2016")), datumZaPrimerjavo(QStringLiteral("05.03.2016 00:00:00")));
    EXPECT_LT(datumZaPrimerjavo(QStringLiteral("31.12.2015 23:59:59")), datumZaPrimerjavo(QStringLiteral("01.01.2016")));
    EXPECT_LT(datumZaPrimerjavo(QStringLiteral("05.03.2016")), datumZaPrimerjavo(QStringLiteral("05.03.2016 00:00:01")));

    EXPECT_EQ(dopolniPresledke(QStringLiteral("A1"), 5), QStringLiteral("A1   "));
    EXPECT_EQ(dopolniPresledke(QStringLiteral("ABCDEF"), 5), QStringLiteral("ABCDEF"));
    EXPECT_EQ(nicCePrazno(QString()), QStringLiteral("0"));
    EXPECT_EQ(nicCePrazno(QStringLiteral("7")), QStringLiteral("7"));
}

TEST(GrupeNastavitve, UpdateRules)
{
    using P = TPraviloPosodobitve;
    const struct {
        P pravilo;
        const char *vrstica, *zapis, *uporabnikVrstice, *uporabnikZapisa;
        bool posodobi;
    } primeri[] = {
        {P::novejsi, "01.01.2016", "05.03.2016", "A", "A", true},
        {P::novejsi, "05.03.2016 00:00:00", "05.03.2016", "A", "A", false}, // the same date
        {P::novejsi, "05.03.2016 08:15:00", "05.03.2016", "A", "A", false}, // the row is newer
        {P::vedno, "05.03.2016 08:15:00", "01.01.2000", "A", "A", true},
        {P::razlicenDatum, "05.03.2016 08:15:00", "05.03.2016", "A", "A", true}, // older record too
        {P::razlicenDatum, "05.03.2016 00:00:00", "05.03.2016", "A", "B", false},
        {P::razlicenDatumUporabnik, "05.03.2016 00:00:00", "05.03.2016", "A", "A", false},
        {P::razlicenDatumUporabnik, "05.03.2016 00:00:00", "05.03.2016", "A", "B", true},
        {P::razlicenDatumUporabnik, "06.03.2016", "05.03.2016", "A", "A", true},
        {P::nikoli, "01.01.2000", "05.03.2016", "A", "B", false},
    };
    for (const auto &p : primeri)
        EXPECT_EQ(posodobiPoPravilu(p.pravilo, QString::fromLatin1(p.vrstica), QString::fromLatin1(p.zapis),
                                    QString::fromLatin1(p.uporabnikVrstice), QString::fromLatin1(p.uporabnikZapisa)),
                  p.posodobi)
            << int(p.pravilo) << ' ' << p.vrstica << ' ' << p.zapis;
}

TEST(GrupeNastavitve, StatementVariablesSkipQuotedTexts)
{
    EXPECT_EQ(spremenljivkeStavka(QStringLiteral(
                  "update t set A=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), b=:b where c=:Datumipl and d=:SIFRA_1")),
              (QStringList{QStringLiteral("DATUMIPL"), QStringLiteral("B"), QStringLiteral("SIFRA_1")}));
}

TEST(GrupeNastavitve, NumbersBindNullWhenEmptyAndRefuseText)
{
    TOracleQuery q(nullptr);
    q.DeclareVariable(QStringLiteral("X"), otInteger);
    q.DeclareVariable(QStringLiteral("Y"), otFloat);
    nastaviCeloStevilo(q, QStringLiteral("X"), QString());
    EXPECT_TRUE(q.GetVariable(QStringLiteral("X")).IsNull());
    nastaviCeloStevilo(q, QStringLiteral("X"), QStringLiteral("42"));
    EXPECT_EQ(q.GetVariable(QStringLiteral("X")).AsInteger(), 42);
    nastaviRealnoStevilo(q, QStringLiteral("Y"), QStringLiteral("12.5"));
    EXPECT_DOUBLE_EQ(q.GetVariable(QStringLiteral("Y")).AsFloat(), 12.5);
    nastaviRealnoStevilo(q, QStringLiteral("Y"), QStringLiteral("0,25"));
    EXPECT_DOUBLE_EQ(q.GetVariable(QStringLiteral("Y")).AsFloat(), 0.25);
    EXPECT_THROW(nastaviCeloStevilo(q, QStringLiteral("X"), QStringLiteral("12a")), EMoxError);
}

TEST(GrupeNastavitve, SummaryLayout)
{
    QList<TStevciPrehoda> st;
    for (const QString &t : kPrehodiGrup) {
        TStevciPrehoda s;
        s.oznaka = t;
        st << s;
    }
    st[0].prebranih = 3; // KA061GRP
    st[0].novih = 1;
    st[4].prebranih = 2; // KA055HC0
    st[4].napak = 1;
    const QStringList v = povzetekGrup(st).split(QStringLiteral("\r\n"));
    ASSERT_EQ(v.size(), 14);
    EXPECT_EQ(v[0], QString());
    EXPECT_EQ(v[1], QString(16, u' ') + QStringLiteral("tabela\t             vseh\tnovih\tpopr\tnapak"));
    EXPECT_EQ(v[2], QString(16, u' ') + QString(94, u'-'));
    EXPECT_EQ(v[3], QString(16, u' ') + QStringLiteral("GRUPE      \t3\t1\t0\t"));
    EXPECT_EQ(v[4], QString(16, u' ') + QStringLiteral("AKTIVNOSTI \t0\t0\t0\t"));
    // The summary's order puts the HCs fourth, with one more tab.
    EXPECT_EQ(v[6], QString(16, u' ') + QStringLiteral("HC-ji      \t\t2\t0\t0\t1"));
    EXPECT_EQ(v[7], QString(16, u' ') + QStringLiteral("PO061SPG \t0\t0\t0\t"));
    EXPECT_EQ(v[13], QString());
}

} // namespace
