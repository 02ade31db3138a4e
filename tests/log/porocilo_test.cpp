#include "log/porocilo.h"

#include "base/moxerror.h"
#include "base/text.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A report of one table with a row of each kind.
TPorocilo vzorec(const QString &tabela, bool samo, const TStevciPorocila &stevci)
{
    TPorocilo p;
    p.nastavi(tabela, samo);
    p.tabela(0, tabela, stevci);
    p.novo(0, QStringLiteral("SIFRA  Čšž<1>"));
    p.razlicno(0, QStringLiteral("SIFRA  2"),
               std::vector<TRazlikaStolpca>{{QStringLiteral("NAZIV"), QStringLiteral("staro & \"ime\""),
                                             QStringLiteral("Žižek; ČŠŽ")}});
    p.napaka(0, QStringLiteral("SIFRA (3)"), QStringLiteral("ORA-00001: <unique>"));
    return p;
}

} // namespace

TEST(Porocilo, HtmlIsEscapedUtf8AndCsvIsCp1250WithCrLf)
{
    TestEnv env;
    const QString rez = env.path(QStringLiteral("KR031ORG.rez"));
    vzorec(QStringLiteral("TAVO.KR031ORG"), true, {5, 1, 1, 0, 1}).zapisi(rez);

    EXPECT_EQ(TPorocilo::htmlPot(rez), env.path(QStringLiteral("KR031ORG.html")));
    EXPECT_EQ(TPorocilo::csvPot(rez), env.path(QStringLiteral("KR031ORG.csv")));

    const QByteArray html = readAll(env.path(QStringLiteral("KR031ORG.html")));
    EXPECT_TRUE(html.contains("<meta charset=\"utf-8\">"));
    EXPECT_TRUE(html.contains("SIFRA  \xC4\x8C\xC5\xA1\xC5\xBE&lt;1&gt;")); // Čšž in UTF-8, < > escaped
    EXPECT_TRUE(html.contains("staro &amp; &quot;ime&quot;"));
    EXPECT_TRUE(html.contains("\xC5\xBD" "i\xC5\xBE" "ek; \xC4\x8C\xC5\xA0\xC5\xBD"));
    EXPECT_TRUE(html.contains("ORA-00001: &lt;unique&gt;"));
    EXPECT_TRUE(html.contains("class=\"v staro\""));
    EXPECT_FALSE(html.contains("<script"));
    EXPECT_FALSE(html.contains("http"));
    EXPECT_TRUE(html.contains("content=\"cas="));
    EXPECT_TRUE(html.contains(";vrsta=preverjanje;prebranih=5;novih=1;razlicnih=1;uporabljenih=0;napak=1\""));

    // Windows-1250: č E8, š 9A, ž 9E, Ž 8E, Č C8, Š 8A; every line ends with CR LF.
    const QByteArray csv = readAll(env.path(QStringLiteral("KR031ORG.csv")));
    const QByteArray pricakovano = "tabela;vrsta;kljuc;stolpec;staro;novo;sporocilo\r\n"
                                   "TAVO.KR031ORG;NOVO;SIFRA  \xC8\x9A\x9E<1>;;;;\r\n"
                                   "TAVO.KR031ORG;POPR;SIFRA  2;NAZIV;\"staro & \"\"ime\"\"\";\"\x8Ei\x9E" "ek; \xC8\x8A\x8E\";\r\n"
                                   "TAVO.KR031ORG;NAPAKA;SIFRA (3);;;;ORA-00001: <unique>\r\n";
    EXPECT_EQ(csv, pricakovano);
}

TEST(Porocilo, CsvQuotesSeparatorQuotesAndLineBreaks)
{
    const struct {
        const char *vrednost; // UTF-8
        QByteArray polje;     // as written
    } primeri[] = {
        {"navadno", "navadno"},
        {"a;b", "\"a;b\""},
        {"re\"k\"el", "\"re\"\"k\"\"el\""},
        {"vrstica 1\r\nvrstica 2", "\"vrstica 1\r\nvrstica 2\""},
        {"samo\nLF", "\"samo\nLF\""},
        {"", ""},
    };
    TestEnv env;
    for (const auto &p : primeri) {
        const QString rez = env.path(QStringLiteral("T.rez"));
        TPorocilo r;
        r.nastavi(QStringLiteral("T"), false);
        r.tabela(0, QStringLiteral("T"), {});
        r.napaka(0, QString(), QString::fromUtf8(p.vrednost));
        r.zapisi(rez);
        const QByteArray csv = readAll(TPorocilo::csvPot(rez));
        EXPECT_EQ(csv.mid(csv.indexOf("\r\n") + 2), "T;NAPAKA;;;;;" + p.polje + "\r\n") << p.vrednost;
    }
}

TEST(Porocilo, FamilyPassesKeepTheirDetailLines)
{
    TestEnv env;
    const QString rez = env.path(QStringLiteral("SKS.rez"));
    TPorocilo p;
    p.nastavi(QStringLiteral("Skupni Šifranti"), false);
    p.tabela(0, QStringLiteral("TAVO.KA000HED"), {3, 1, 0, 1, 0});
    p.tabela(1, QStringLiteral("TAVO.KA000POS"), {4, 0, 1, 1, 0});
    p.novo(0, QStringLiteral("001"));
    p.razlicno(1, QStringLiteral("001 A"), QStringList{QStringLiteral("       OPIS_000 staro:x  novo:y")});
    p.zapisi(rez);
    const QByteArray csv = readAll(TPorocilo::csvPot(rez));
    EXPECT_TRUE(csv.endsWith("TAVO.KA000HED;NOVO;001;;;;\r\n"
                             "TAVO.KA000POS;POPR;001 A;;;;OPIS_000 staro:x  novo:y\r\n"));
    const QByteArray html = readAll(TPorocilo::htmlPot(rez));
    EXPECT_TRUE(html.contains("<h2>TAVO.KA000HED</h2>"));
    EXPECT_TRUE(html.contains("<h2>TAVO.KA000POS</h2>"));
    EXPECT_TRUE(html.contains("       OPIS_000 staro:x  novo:y"));
    // The counts of the passes are summed for the index.
    EXPECT_TRUE(html.contains(";prebranih=7;novih=1;razlicnih=1;uporabljenih=2;napak=0\""));
}

TEST(Porocilo, IndexListsTheFolderReportsNewestFirstWithTheirCounts)
{
    TestEnv env;
    const QString mapa = env.path(QStringLiteral("rezultati"));
    ASSERT_TRUE(QDir().mkpath(mapa));
    // An HTML file that is not a report is not listed.
    {
        QFile tuj(mapa + QStringLiteral("/tuje.html"));
        ASSERT_TRUE(tuj.open(QIODevice::WriteOnly));
        tuj.write("<html><title>tuje</title></html>");
    }
    vzorec(QStringLiteral("TAVO.STAREJSA"), true, {10, 2, 3, 0, 4}).zapisi(mapa + QStringLiteral("/STAREJSA.rez"));
    QThread::msleep(5);
    vzorec(QStringLiteral("TAVO.NOVEJŠA"), false, {20, 5, 6, 11, 0}).zapisi(mapa + QStringLiteral("/NOVEJSA.rez"));

    const QString index = QString::fromUtf8(readAll(mapa + QStringLiteral("/index.html")));
    const qsizetype novejsa = index.indexOf(QStringLiteral("href=\"NOVEJSA.html\">TAVO.NOVEJŠA</a>"));
    const qsizetype starejsa = index.indexOf(QStringLiteral("href=\"STAREJSA.html\">TAVO.STAREJSA</a>"));
    ASSERT_GE(novejsa, 0) << index.toStdString();
    ASSERT_GE(starejsa, 0);
    EXPECT_LT(novejsa, starejsa);
    EXPECT_FALSE(index.contains(QStringLiteral("tuje")));
    EXPECT_FALSE(index.contains(QStringLiteral("href=\"index.html\"")));
    const QString n = QStringLiteral("<td class=\"n\">");
    EXPECT_TRUE(index.contains(n + QStringLiteral("20</td>") + n + QStringLiteral("5</td>") + n +
                               QStringLiteral("6</td>") + n + QStringLiteral("11</td>") + n + QStringLiteral("0</td>")));
    EXPECT_TRUE(index.contains(n + QStringLiteral("10</td>") + n + QStringLiteral("2</td>") + n +
                               QStringLiteral("3</td>") + n + QStringLiteral("0</td>") + n + QStringLiteral("4</td>")));
    EXPECT_TRUE(index.contains(QStringLiteral("<a href=\"STAREJSA.csv\">")));

    // Rewritten, the older report moves to the top.
    QThread::msleep(5);
    vzorec(QStringLiteral("TAVO.STAREJSA"), true, {1, 0, 0, 0, 0}).zapisi(mapa + QStringLiteral("/STAREJSA.rez"));
    const QString index2 = QString::fromUtf8(readAll(mapa + QStringLiteral("/index.html")));
    EXPECT_LT(index2.indexOf(QStringLiteral("STAREJSA.html")), index2.indexOf(QStringLiteral("NOVEJSA.html")));
}

TEST(Porocilo, AFileThatCannotBeWrittenIsAnErrorWithItsPath)
{
    TestEnv env;
    const QString rez = env.path(QStringLiteral("ni/takega/KR031ORG.rez"));
    try {
        vzorec(QStringLiteral("TAVO.KR031ORG"), false, {}).zapisi(rez);
        FAIL() << "no error";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Napaka pri pisanju v: ") + TPorocilo::htmlPot(rez)))
            << e.message().toStdString();
    }
}
