// The command script's language: how lines split, which lines run under an
// include list, aliases, item lists.
#include "autotest.h"

#include "automation/skriptajezik.h"
#include "run/runstate.h"

#include <gtest/gtest.h>

using namespace moxskripta;

namespace {

struct LineCase {
    const char *line;
    const char *ukaz, *a1, *a2, *a3;
};

void check(const TUkaz &u, const LineCase &c, const QString &what)
{
    EXPECT_EQ(u.ukaz, QString::fromUtf8(c.ukaz)) << what.toStdString();
    EXPECT_EQ(u.a1, QString::fromUtf8(c.a1)) << what.toStdString();
    EXPECT_EQ(u.a2, QString::fromUtf8(c.a2)) << what.toStdString();
    EXPECT_EQ(u.a3, QString::fromUtf8(c.a3)) << what.toStdString();
}

} // namespace

TEST(ScriptLanguage, LinesSplitAsExistingScriptsExpect)
{
    const LineCase cases[] = {
        {"CONNECT u 2 db", "CONNECT", "U", "2", "DB"},
        {"connect u p", "CONNECT", "U", "P", ""},
        // A second blank after the command word empties the user and shifts
        // the rest: password U, alias P, D lost.
        {"CONNECT  U P D", "CONNECT", "", "U", "P"},
        // A blank at the start empties the command.
        {" CONNECT u p d", "", "CONNECT", "U", "P"},
        {"CONNECT", "CONNECT", "", "", ""},
        // PREPARE, REFRESH and SQL keep the rest whole, letter case kept.
        {"refresh sks", "REFRESH", "sks", "", ""},
        {"REFRESH   KA060AK0 , sks  ", "REFRESH", "KA060AK0 , sks", "", ""},
        {"PREPARE KA000HED \"where x = 'a b'\"", "PREPARE", "KA000HED \"where x = 'a b'\"", "", ""},
        {"SQL \"update t set a = 'x y'\"", "SQL", "\"update t set a = 'x y'\"", "", ""},
        // Any part of "PREPARE,REFRESH,SQL" counts.
        {"RE x y", "RE", "x y", "", ""},
        {"E,R x y", "E,R", "x y", "", ""},
        {"LARGERB off", "LARGERB", "OFF", "", ""},
        {"LARGERB", "LARGERB", "", "", ""},
        {"REPLIKACIJA", "REPLIKACIJA", "", "", ""},
        {"KOMENTAR to je opomba", "KOMENTAR", "TO", "JE", "OPOMBA"},
        // Blanks between later words are skipped.
        {"CONNECT u    p     d", "CONNECT", "U", "P", "D"},
        // Only a-z are upper-cased.
        {"connect šef geslo baza", "CONNECT", "šEF", "GESLO", "BAZA"},
        {"CONNECT\tu p", "CONNECT\tU", "P", "", ""},
    };
    for (const LineCase &c : cases)
        check(razcleniUkaz(QString::fromUtf8(c.line)), c, QString::fromUtf8(c.line));
}

TEST(ScriptLanguage, LengthLimitsOfTheRest)
{
    // The rest after the command word keeps 500 characters.
    const QString dolga = QStringLiteral("PREPARE ") + QString(600, u'x');
    EXPECT_EQ(razcleniUkaz(dolga).a1, QString(500, u'x'));

    // After the second and third word only 100 characters are kept: a third
    // word that then has no blank after it is lost.
    const TUkaz kratka = razcleniUkaz(QStringLiteral("X a b ") + QString(98, u'c'));
    EXPECT_EQ(kratka.a3, QString(98, u'C'));
    const TUkaz predolga = razcleniUkaz(QStringLiteral("X a b ") + QString(120, u'c'));
    EXPECT_EQ(predolga.a2, QStringLiteral("B"));
    EXPECT_EQ(predolga.a3, QString());
}

TEST(ScriptLanguage, GroupLinesAndIncludeLists)
{
    struct Case {
        const char *line;
        const char *include;
        LineCase expect;
    };
    const Case cases[] = {
        // Group B occurs in AB: a REFRESH of the family SKS with a directory,
        // the words upper-cased.
        {"/B_REFRESH sks d:\\prenos\\", "AB", {"", "REFRESH", "SKS", "D:\\PRENOS\\", ""}},
        {"/B_REFRESH sks", "C", {"", "KOMENTAR", "", "", ""}},
        // Groups match with their letter case.
        {"/b_REFRESH sks", "AB", {"", "KOMENTAR", "", "", ""}},
        // With "ALL" a group line keeps its "/" word and runs nothing.
        {"/B_REFRESH sks", "ALL", {"", "/B_REFRESH", "SKS", "", ""}},
        // "all" is no "ALL": group "B" is not in it.
        {"/B_REFRESH sks", "all", {"", "KOMENTAR", "", "", ""}},
        // The group ends at the first "_" when it stands at position 3 to 12.
        {"/ABCDEFGHIJ_REFRESH x", "ABCDEFGHIJ", {"", "REFRESH", "X", "", ""}},
        {"/ABCDEFGHIJK_REFRESH x", "ABCDEFGHIJK", {"", "KOMENTAR", "", "", ""}},
        // From position 13 on the group is "XXX".
        {"/ABCDEFGHIJK_REFRESH x", "XXX", {"", "REFRESH", "X", "", ""}},
        {"/NOUNDERSCORE x", "XXX", {"", "/NOUNDERSCORE", "X", "", ""}},
        // An empty group is in no list.
        {"/_REFRESH x", "AB", {"", "KOMENTAR", "", "", ""}},
        // On a group line SQL gets its first word only, upper-cased.
        {"/A_SQL \"delete from t\"", "A", {"", "SQL", "\"DELETE", "FROM", "T\""}},
        {"/A_PREPARE ka000hed,sks d:\\x\\", "A", {"", "PREPARE", "KA000HED,SKS", "D:\\X\\", ""}},
        // Comments, whatever the include list.
        {"#REFRESH SKS", "ALL", {"", "KOMENTAR", "", "", ""}},
        {"#/A_REFRESH SKS", "A", {"", "KOMENTAR", "", "", ""}},
        // Ordinary lines ignore the include list.
        {"REFRESH sks", "A", {"", "REFRESH", "sks", "", ""}},
    };
    for (const Case &c : cases) {
        const TUkaz u = ukazVrstice(QString::fromUtf8(c.line), QString::fromUtf8(c.include));
        check(u, c.expect, QString::fromUtf8(c.line) + QStringLiteral(" / ") + QString::fromUtf8(c.include));
    }
}

TEST(ScriptLanguage, AliasPlaceholders)
{
    const struct {
        const char *alias, *expect;
    } cases[] = {
        {"XXXXXS", "IZVOR"}, {"XXXXXSOURCE", "IZVOR"}, {"XXXXXD", "CILJ"}, {"XXXXX", "CILJ"},
        {"XXXX", "XXXX"},    {"PROD", "PROD"},         {"", ""},           {"xxxxxs", "xxxxxs"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(zamenjajBazo(QString::fromUtf8(c.alias), QStringLiteral("IZVOR"), QStringLiteral("CILJ")),
                  QString::fromUtf8(c.expect))
            << c.alias;
}

TEST(ScriptLanguage, RefreshLists)
{
    const struct {
        QString list;
        QStringList items;
    } cases[] = {
        {QStringLiteral("SKS,OBR"), {QStringLiteral("SKS"), QStringLiteral("OBR")}},
        {QStringLiteral("sks"), {QStringLiteral("sks")}},
        {QStringLiteral(" SKS , KA060AK0 ,"), {QStringLiteral("SKS"), QStringLiteral("KA060AK0")}},
        {QStringLiteral("A,,B"), {QStringLiteral("A"), QStringLiteral("B")}},
        {QString(), {}},
        {QStringLiteral("  "), {}},
        // A long list loses no item.
        {QStringLiteral("A,") + QString(50, u'B') + u',' + QString(60, u'C') + QStringLiteral(",D"),
         {QStringLiteral("A"), QString(50, u'B'), QString(60, u'C'), QStringLiteral("D")}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(postavkeOsvezitve(c.list), c.items) << c.list.toStdString();
}

TEST(ScriptLanguage, PrepareListsAndFilters)
{
    const auto P = [](const QString &ime, const QString &filter = {}, bool sNavednico = false) {
        TPostavkaPriprave p;
        p.ime = ime;
        p.filter = filter;
        p.sNavednico = sNavednico;
        return p;
    };
    const struct {
        QString list;
        QVector<TPostavkaPriprave> items;
    } cases[] = {
        {QStringLiteral("SKS,OBR"), {P(QStringLiteral("SKS")), P(QStringLiteral("OBR"))}},
        {QStringLiteral("KA000HED \" where SIFRA000 > 10 \""),
         {P(QStringLiteral("KA000HED"), QStringLiteral("where SIFRA000 > 10"), true)}},
        // With a double quote the whole list is one general table.
        {QStringLiteral("A,B \"where x=1\""), {P(QStringLiteral("A,B"), QStringLiteral("where x=1"), true)}},
        {QStringLiteral("T \"\""), {P(QStringLiteral("T"), {}, true)}},
        // A family's name with a quote is a general table of that name.
        {QStringLiteral("SKS \"x\""), {P(QStringLiteral("SKS"), QStringLiteral("x"), true)}},
        {QStringLiteral("GRUPE023,ANALIZEHC"), {P(QStringLiteral("GRUPE023")), P(QStringLiteral("ANALIZEHC"))}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(postavkePriprave(c.list), c.items) << c.list.toStdString();

    // Without its closing quote the item carries the error and no filter.
    const QVector<TPostavkaPriprave> odprt = postavkePriprave(QStringLiteral("T \"where a=1"));
    ASSERT_EQ(odprt.size(), 1);
    EXPECT_EQ(odprt[0].ime, QStringLiteral("T"));
    EXPECT_TRUE(odprt[0].filter.isEmpty());
    EXPECT_FALSE(odprt[0].napaka.isEmpty());
}

TEST(ScriptLanguage, LinesThatCannotRunSayWhy)
{
    const QString dolgFilter = QStringLiteral("PREPARE KA000HED \"where code_000 = 'A'") + QString(480, u' ') +
                               QStringLiteral("\"");
    const struct {
        QString line;
        QString include;
        const char *says; // part of the error; empty: the line runs
    } cases[] = {
        // A filter whose quote is not closed would export the whole table.
        {QStringLiteral("PREPARE KA000HED \"where code_000 = 'A'"), {}, "narekovaja"},
        {QStringLiteral("PREPARE KA000HED \"where code_000 = 'A'\" and 1=1"), {}, "še besedilo"},
        {QStringLiteral("PREPARE \"where code_000 = 'A'\""), {}, "imena tabele"},
        // The closing quote beyond the 500 characters a line keeps.
        {dolgFilter, {}, "predolga"},
        {QStringLiteral("REFRESH ") + QString(501, u'A'), {}, "predolga"},
        {QStringLiteral("CONNECT u p ") + QString(500, u'D'), {}, "predolga"},
        {QStringLiteral("SQL \"delete from t"), {}, "narekovaja"},
        {QStringLiteral("SQL 'x"), {}, "narekovaja"},
        {QStringLiteral("SQL \""), {}, "narekovaja"},
        // A group line's SQL keeps its first word only: never a statement.
        {QStringLiteral("/A_SQL \"delete from t\""), QStringLiteral("A"), "narekovaja"},
        // Items that name a path instead of a table.
        {QStringLiteral("REFRESH ../../x"), {}, "../../x"},
        {QStringLiteral("REFRESH SKS,a/b"), {}, "a/b"},
        {QStringLiteral("REFRESH x\\y"), {}, "poti"},
        {QStringLiteral("REFRESH c:x"), {}, "poti"},
        {QStringLiteral("PREPARE ..\\x"), {}, "poti"},
        {QStringLiteral("PREPARE ../x \"where a=1\""), {}, "poti"},
        {QStringLiteral("/A_REFRESH ..,SKS d:\\prenos\\"), QStringLiteral("A"), "poti"},
        // These run.
        {QStringLiteral("PREPARE KA000HED \"where code_000 = 'A'\"  "), {}, ""},
        {QStringLiteral("REFRESH ") + QString(500, u'A') + QStringLiteral("   "), {}, ""},
        {QStringLiteral("REFRESH KA060AK0.X,SKS"), {}, ""},
        {QStringLiteral("SQL \"delete from t\""), {}, ""},
        {QStringLiteral("SQL (delete from t)"), {}, ""},
        {QStringLiteral("/A_REFRESH sks d:\\prenos\\"), QStringLiteral("A"), ""},
        // Comments, group lines that do not run and unknown words never fail.
        {QStringLiteral("# REFRESH ../x ") + QString(600, u'x'), {}, ""},
        {QStringLiteral("/B_REFRESH ../x"), QStringLiteral("A"), ""},
        {QStringLiteral("NAPISI ") + QString(600, u'x'), {}, ""},
    };
    for (const auto &c : cases) {
        const TUkazSkripte u = ukazVrstice(c.line, c.include);
        const QString what = c.line.left(60);
        if (*c.says == 0) {
            EXPECT_TRUE(u.napaka.isEmpty()) << what.toStdString() << ": " << u.napaka.toStdString();
        } else {
            EXPECT_TRUE(u.napaka.contains(QString::fromUtf8(c.says))) << what.toStdString() << ": "
                                                                      << u.napaka.toStdString();
            EXPECT_TRUE(u.napaka.endsWith(QStringLiteral("ukaz ni izveden"))) << what.toStdString();
        }
    }
}

TEST(ScriptLanguage, FamiliesOfEachCommand)
{
    for (const char *d : {"SKS", "OBR", "PARAM", "ANALIZEHC", "GRUPE", "GRUPE023", "PALETE"})
        EXPECT_TRUE(jeDruzinaOsvezitve(QLatin1String(d))) << d;
    for (const char *d : {"SKS", "OBR", "PARAM", "GRUPE", "PALETE"})
        EXPECT_TRUE(jeDruzinaPriprave(QLatin1String(d))) << d;
    // In PREPARE these two name general tables; letter case counts.
    for (const char *d : {"GRUPE023", "ANALIZEHC", "sks", "KA060AK0"})
        EXPECT_FALSE(jeDruzinaPriprave(QLatin1String(d))) << d;
    EXPECT_FALSE(jeDruzinaOsvezitve(QStringLiteral("sks")));
    EXPECT_EQ(operacijaOsvezitve(QStringLiteral("GRUPE023")), QStringLiteral("osveziGrupe023"));
    EXPECT_EQ(operacijaPriprave(QStringLiteral("PALETE")), QStringLiteral("pripraviPalete"));
}

TEST(ScriptLanguage, SqlStatementOneLineRunAndEcho)
{
    EXPECT_EQ(stavekSQL(QStringLiteral("\"select 1 from dual\"")), QStringLiteral("select 1 from dual"));
    EXPECT_EQ(stavekSQL(QStringLiteral("'x'")), QStringLiteral("x"));
    EXPECT_EQ(stavekSQL(QStringLiteral("x")), QString());

    TRunState rs;
    rs.runParamType = QStringLiteral("CONNECT");
    rs.runParamvalue1 = QStringLiteral("u");
    rs.runParamvalue2 = QStringLiteral("2");
    rs.runParamvalue3 = QStringLiteral("db");
    EXPECT_EQ(enovrsticniUkaz(rs), QStringLiteral("CONNECT u 2 db"));

    const QString geslo = QStringLiteral("CONNECT tavo skrito db");
    EXPECT_EQ(odmevVrstice(3, geslo, razcleniUkaz(geslo)), QStringLiteral("3: CONNECT TAVO ***** DB"));
    const QString koda = QStringLiteral("CONNECT tavo 2 db");
    EXPECT_EQ(odmevVrstice(1, koda, razcleniUkaz(koda)), QStringLiteral("1: CONNECT tavo 2 db"));
}
