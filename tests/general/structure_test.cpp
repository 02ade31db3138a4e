// Structure files: parsing into the table description, with the column check
// given as a callback, and the pure value helpers of the refresh.
#include "general/general.h"
#include "general/tabledesc.h"
#include "general/values.h"
#include "base/interaction.h"
#include "base/moxerror.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

struct Parsed {
    int result = 0;
    TTableDescription opis;
    QStringList messages;
    QStringList checked; // "owner.table.column" of every check
};

// Parses lines; columns named in missing are reported absent.
Parsed parse(const QStringList &lines, const QSet<QString> &missing = {}, const QString &user = "TAVO",
             const QString &tavo = "TAVO")
{
    Parsed p;
    TStrukturaOkolje okolje;
    okolje.currUser = user;
    // Stands in for the schema-name substitution: it sees the value with the
    // blank put in front of it.
    okolje.zamenjave = [tavo](QString s) { return s.replace(" TAVO.", " " + tavo + "."); };
    okolje.obstaja = [&](const QString &o, const QString &t, const QString &c) {
        p.checked << o + '.' + t + '.' + c;
        return !missing.contains(c);
    };
    okolje.sporoci = [&](const QString &m) { p.messages << m; };
    p.result = razcleniStrukturo(lines, okolje, p.opis);
    return p;
}

QStringList keyList(const TTableDescription &d)
{
    QStringList out;
    for (const tipKljuc &k : d.aKljuc)
        out << k.imePolja + ':' + k.tipPolja;
    return out;
}

const QStringList kExample = {
    "TABELA=TAVO.KA060AK0",
    "KLJUC=CODE_060 VARCHAR2",
    "AUTO=SIFRA060 begin:naslednji:=   tavo.getSequence('KA060AK0');end;",
    "STRUKTURA",
    "CODE_060,,VARCHAR2,10,,,,",
    "OPIS_060,U,VARCHAR2,60,,,,",
};

} // namespace

TEST(Structure, ExampleFile)
{
    const Parsed p = parse(kExample);
    EXPECT_EQ(p.result, 2);
    EXPECT_TRUE(p.messages.isEmpty());
    EXPECT_EQ(p.opis.tabela, "TAVO.KA060AK0");
    EXPECT_EQ(p.opis.tabelaBrezLastnika(), "KA060AK0");
    EXPECT_EQ(keyList(p.opis), QStringList{"CODE_060:VARCHAR2"});
    EXPECT_EQ(p.opis.poljeAuto, "SIFRA060");
    EXPECT_EQ(p.opis.sekAuto, "BEGIN:NASLEDNJI:=   TAVO.GETSEQUENCE('KA060AK0');END;");
    ASSERT_EQ(p.opis.aKolone.size(), 2);
    const tipKolone &a = p.opis.aKolone[0];
    const tipKolone &b = p.opis.aKolone[1];
    EXPECT_EQ(a.imePolja, "CODE_060");
    EXPECT_FALSE(a.update);
    EXPECT_EQ(a.tipPolja, "VARCHAR2");
    EXPECT_EQ(a.dolzina, 10);
    EXPECT_EQ(a.decMest, 0);
    EXPECT_EQ(a.pozOd, 1);
    EXPECT_TRUE(b.update);
    EXPECT_EQ(b.pozOd, 11); // 1 plus the first column's width
    // Every check refers to the TABELA line's owner and table.
    EXPECT_EQ(p.checked, (QStringList{"TAVO.KA060AK0.CODE_060", "TAVO.KA060AK0.SIFRA060", "TAVO.KA060AK0.CODE_060",
                                      "TAVO.KA060AK0.OPIS_060"}));
}

TEST(Structure, HeaderCases)
{
    struct Case {
        const char *name;
        QStringList header;
        QStringList keys;
        QString auto_;
        QString sek;
        QString tabela;
    };
    const Case cases[] = {
        {"keys with and without trailing comma (1)", {"TABELA=T", "KLJUC=A X,B Y"}, {"A:X", "B:Y"}, "", "", "T"},
        {"keys with and without trailing comma (2)", {"TABELA=T", "KLJUC=A X,B Y,"}, {"A:X", "B:Y"}, "", "", "T"},
        {"key type upper-cased, blanks trimmed", {"TABELA=T", "KLJUC=  A  varchar2 , B date"}, {"A:VARCHAR2", "B:DATE"}, "", "", "T"},
        {"empty key entry is skipped", {"TABELA=T", "KLJUC=A X,,B Y"}, {"A:X", "B:Y"}, "", "", "T"},
        {"no KLJUC line, no key", {"TABELA=T"}, {}, "", "", "T"},
        {"other keyword after AUTO clears it", {"TABELA=T", "AUTO=S select 1 naslednji from dual", "X=1"}, {}, "", "", "T"},
        {"empty line after AUTO clears it", {"TABELA=T", "AUTO=S select 1 naslednji from dual", ""}, {}, "", "", "T"},
        {"AUTO kept before STRUKTURA", {"TABELA=T", "AUTO=S select max(s) naslednji from t"}, {}, "S", "SELECT MAX(S) NASLEDNJI FROM T", "T"},
        {"value trimmed", {"TABELA=   T1   "}, {}, "", "", "T1"},
        {"schema prefix at the start substituted", {"TABELA=TAVO.KA060AK0"}, {}, "", "", "TAVO_B.KA060AK0"},
    };
    for (const Case &c : cases) {
        QStringList lines = c.header;
        lines << "STRUKTURA" << "A,,X,1";
        const Parsed p = parse(lines, {}, "U", "TAVO_B");
        EXPECT_EQ(keyList(p.opis), c.keys) << c.name;
        EXPECT_EQ(p.opis.poljeAuto, c.auto_) << c.name;
        EXPECT_EQ(p.opis.sekAuto, c.sek) << c.name;
        EXPECT_EQ(p.opis.tabela, c.tabela) << c.name;
    }
}

TEST(Structure, ColumnCases)
{
    struct Case {
        const char *name;
        QString line;
        QString ime;
        bool update;
        QString tip;
        int dolzina;
        int dec;
        QString mKolona;
        QString mTabela;
    };
    const Case cases[] = {
        {"only name, flag, type and width", "A,U,number,8", "A", true, "NUMBER", 8, 0, "", ""},
        {"flag other than U", "A,u,CHAR,2,,,,", "A", false, "CHAR", 2, 0, "", ""},
        {"decimals", "A,,NUMBER,9,2,,,", "A", false, "NUMBER", 9, 2, "", ""},
        {"reference", " SIFRA060 , , INTEGER , 10 , , , CODE_060 , KA060AK0 ", "SIFRA060", false, "INTEGER", 10, 0,
         "CODE_060", "KA060AK0"},
        {"long line is read whole",
         "OPIS_060,U,VARCHAR2,255,,,CODE_WITH_A_RATHER_LONG_NAME_01234567890123456789,"
         "KA060AK0_WITH_A_RATHER_LONG_NAME_0123456789012345678901234567890",
         "OPIS_060", true, "VARCHAR2", 255, 0, "CODE_WITH_A_RATHER_LONG_NAME_01234567890123456789",
         "KA060AK0_WITH_A_RATHER_LONG_NAME_0123456789012345678901234567890"},
    };
    for (const Case &c : cases) {
        const Parsed p = parse({"TABELA=T", "STRUKTURA", c.line});
        ASSERT_EQ(p.result, 1) << c.name;
        const tipKolone &k = p.opis.aKolone[0];
        EXPECT_EQ(k.imePolja, c.ime) << c.name;
        EXPECT_EQ(k.update, c.update) << c.name;
        EXPECT_EQ(k.tipPolja, c.tip) << c.name;
        EXPECT_EQ(k.dolzina, c.dolzina) << c.name;
        EXPECT_EQ(k.decMest, c.dec) << c.name;
        EXPECT_EQ(k.mKolona, c.mKolona) << c.name;
        EXPECT_EQ(k.mTabela, c.mTabela) << c.name;
    }
}

TEST(Structure, BlankLineEndsColumns)
{
    const Parsed p = parse({"TABELA=T", "STRUKTURA", "A,,CHAR,1", "", "B,,CHAR,1"});
    EXPECT_EQ(p.result, 1);
    ASSERT_EQ(p.opis.aKolone.size(), 1);
    EXPECT_EQ(p.opis.aKolone[0].imePolja, "A");
}

TEST(Structure, StrukturaInsideALineStartsColumns)
{
    const Parsed p = parse({"TABELA=T", "-- STRUKTURA --", "A,,CHAR,1"});
    EXPECT_EQ(p.result, 1);
}

TEST(Structure, MissingColumnsReportedAndResultMinusOne)
{
    const Parsed p = parse({"TABELA=TAVO.T", "KLJUC=K VARCHAR2", "STRUKTURA", "K,,VARCHAR2,5", "X,,CHAR,1", "Y,,CHAR,1"},
                           {"X", "K"});
    EXPECT_EQ(p.result, -1);
    // Reading goes on: all columns are stored.
    EXPECT_EQ(p.opis.aKolone.size(), 3);
    EXPECT_EQ(p.messages, (QStringList{"TAVO.T  polje: K  NE OBSTAJA!", "TAVO.T  polje: K  NE OBSTAJA!",
                                       "TAVO.T  polje: X  NE OBSTAJA!"}));
}

TEST(Structure, TableWithoutOwnerBelongsToTheConnectedUser)
{
    const Parsed p = parse({"TABELA=KA060AK0", "STRUKTURA", "A,,CHAR,1"}, {}, "TAVO_A");
    EXPECT_EQ(p.checked, QStringList{"TAVO_A.KA060AK0.A"});
}

TEST(Structure, WidthNotAnIntegerRaisesNamingTheLine)
{
    try {
        parse({"TABELA=T", "STRUKTURA", "A,,CHAR,1", "B,,CHAR,x1"});
        FAIL() << "no error";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains("vrstica 4")) << e.message().toStdString();
    }
    EXPECT_THROW(parse({"TABELA=T", "STRUKTURA", "A,,CHAR,"}), EMoxError);    // width must be present
    EXPECT_THROW(parse({"TABELA=T", "STRUKTURA", "A,,NUMBER,5,z"}), EMoxError); // decimals
}

TEST(Structure, LimitsAreReportedNotExceeded)
{
    QStringList lines{"TABELA=T", "KLJUC=K1 X,K2 X,K3 X,K4 X,K5 X,K6 X,K7 X,K8 X", "STRUKTURA"};
    for (int i = 1; i <= 103; ++i)
        lines << QStringLiteral("C%1,,CHAR,1").arg(i);
    const Parsed p = parse(lines);
    EXPECT_EQ(p.result, -1);
    EXPECT_EQ(p.opis.aKljuc.size(), kMaxKljuc);
    EXPECT_EQ(p.opis.aKolone.size(), kMaxKolone);
    // Each entry left out is named.
    EXPECT_EQ(p.opis.presezeno.size(), 2 + 2);
    EXPECT_TRUE(p.opis.presezeno[0].contains("K7"));
    EXPECT_TRUE(p.opis.presezeno[3].contains("C103"));
    EXPECT_EQ(p.messages, p.opis.presezeno);
}

TEST(Structure, ParsingClearsTheEarlierDescription)
{
    TTableDescription d;
    razcleniStrukturo({"TABELA=T", "KLJUC=A X", "AUTO=S NEXTVAL", "STRUKTURA", "A,,X,1"}, {}, d);
    razcleniStrukturo({"TABELA=U", "STRUKTURA", "B,,X,1"}, {}, d);
    EXPECT_TRUE(d.aKljuc.isEmpty());
    EXPECT_TRUE(d.poljeAuto.isEmpty());
    EXPECT_EQ(d.aKolone.size(), 1);
}

TEST(Structure, FilesThatCannotDescribeATransferAreRefused)
{
    using V = TVrstaStrukture;
    struct Case {
        const char *name;
        QStringList lines;
        V vrsta;
        const char *says; // part of the message
    };
    const Case cases[] = {
        {"no STRUKTURA line", {"TABELA=T", "KLJUC=A X", "A,,CHAR,1"}, V::splosna, "STRUKTURA"},
        {"no TABELA line", {"KLJUC=A X", "STRUKTURA", "A,,CHAR,1"}, V::splosna, "TABELA"},
        {"TABELA names nothing", {"TABELA=  ", "STRUKTURA", "A,,CHAR,1"}, V::neznana, "TABELA"},
        {"two TABELA lines", {"TABELA=T", "TABELA=U", "STRUKTURA", "A,,CHAR,1"}, V::neznana, "vrstica 2"},
        {"STRUKTURA is the last line", {"TABELA=T", "KLJUC=A X", "STRUKTURA"}, V::splosna, "stolpca"},
        {"blank line after STRUKTURA", {"TABELA=T", "STRUKTURA", "", "A,,CHAR,1"}, V::masterDetail, "stolpca"},
        {"general table without a key", {"TABELA=T", "STRUKTURA", "A,,CHAR,1"}, V::splosna, "KLJUC"},
        {"general table, empty KLJUC", {"TABELA=T", "KLJUC= , ", "STRUKTURA", "A,,CHAR,1"}, V::splosna, "KLJUC"},
        // Names go into statements as they are written.
        {"statement after the table",
         {"TABELA=TAVO.KA060AK0 union all select * from TAVO.KR031ORG", "KLJUC=A X", "STRUKTURA", "A,,CHAR,1"},
         V::splosna, "vrstica 1"},
        {"comment after the table", {"TABELA=T where 1=0 --", "STRUKTURA", "A,,CHAR,1"}, V::neznana, "tabela"},
        {"three-part table", {"TABELA=A.B.C", "STRUKTURA", "A,,CHAR,1"}, V::neznana, "tabela"},
        {"database link", {"TABELA=T@DRUGA", "STRUKTURA", "A,,CHAR,1"}, V::neznana, "tabela"},
        {"key with a condition", {"TABELA=T", "KLJUC=A=A or 1=1 X", "STRUKTURA", "A,,CHAR,1"}, V::splosna, "ključ"},
        {"auto-numbered column with a parenthesis",
         {"TABELA=T", "KLJUC=A X", "AUTO=S) select 1 naslednji from dual", "STRUKTURA", "A,,CHAR,1"}, V::splosna,
         "vrstica 3"},
        {"column with an expression", {"TABELA=T", "STRUKTURA", "A,,CHAR,1", "1+A,,CHAR,1"}, V::neznana, "vrstica 4"},
        {"column with a blank", {"TABELA=T", "STRUKTURA", "A B,,CHAR,1"}, V::neznana, "stolpec"},
        {"quoted column with a quote inside", {"TABELA=T", "STRUKTURA", "\"A\"\"B\",,CHAR,1"}, V::neznana, "stolpec"},
        {"reference column with a condition",
         {"TABELA=T", "STRUKTURA", "S,,INTEGER,10,,,CODE_1 or 1=1,KA001"}, V::neznana, "stolpec reference"},
        {"reference table with a path", {"TABELA=T", "STRUKTURA", "S,,INTEGER,10,,,CODE_1,../x"}, V::neznana,
         "tabela reference"},
        {"reference without its table", {"TABELA=T", "STRUKTURA", "S,,INTEGER,10,,,CODE_1,"}, V::neznana,
         "referenca"},
        {"reference without its code column", {"TABELA=T", "STRUKTURA", "S,,INTEGER,10,,,,KA001"}, V::neznana,
         "referenca"},
        // Widths a column cannot have (and that would overflow the positions).
        {"width of 2147483647", {"TABELA=T", "STRUKTURA", "A,,CHAR,2147483647"}, V::neznana, "dolžina"},
        {"width over the int range", {"TABELA=T", "STRUKTURA", "A,,CHAR,99999999999"}, V::neznana, "dolžina"},
        {"negative width", {"TABELA=T", "STRUKTURA", "A,,CHAR,-1"}, V::neznana, "dolžina"},
        {"decimals beyond a NUMBER's scale", {"TABELA=T", "STRUKTURA", "A,,NUMBER,10,128"}, V::neznana,
         "decimalke"},
    };
    for (const Case &c : cases) {
        TStrukturaOkolje okolje;
        okolje.vrsta = c.vrsta;
        int preverjanj = 0;
        okolje.obstaja = [&](const QString &, const QString &, const QString &) { return ++preverjanj > 0; };
        TTableDescription opis;
        opis.tabela = "PREJ";
        try {
            razcleniStrukturo(c.lines, okolje, opis);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const EMoxError &e) {
            EXPECT_TRUE(e.message().startsWith("Strukturna datoteka")) << c.name << ": " << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says)))
                << c.name << ": " << e.message().toStdString();
        }
        // Nothing half-read is left and the database was not asked.
        EXPECT_TRUE(opis.tabela.isEmpty() && opis.aKolone.isEmpty()) << c.name;
        EXPECT_EQ(preverjanj, 0) << c.name;
    }
}

TEST(Structure, NamesOracleAcceptsAndTablesWithoutKeys)
{
    using V = TVrstaStrukture;
    struct Case {
        const char *name;
        QStringList lines;
        V vrsta;
    };
    const Case cases[] = {
        // A master/detail table has no key; a caller that cannot tell the
        // kind does not ask for one.
        {"master/detail without a key", {"TABELA=TAVO.KA010RES", "STRUKTURA", "SIFRA010,,INTEGER,10,,,,"}, V::masterDetail},
        {"kind not known, no key", {"TABELA=T", "STRUKTURA", "A,,CHAR,1"}, V::neznana},
        {"lower case, $ and #", {"TABELA=tavo.ka$060#", "KLJUC=code_060 varchar2", "STRUKTURA", "code_060,,CHAR,1"},
         V::splosna},
        {"quoted names",
         {"TABELA=\"tavo\".\"Moja tabela\"", "KLJUC=\"Šifra1\" VARCHAR2", "STRUKTURA", "\"Šifra 1\",,VARCHAR2,5,,,,",
          "\"Šifra1\",,VARCHAR2,5,,,,"},
         V::splosna},
        {"letters of the code page", {"TABELA=T", "KLJUC=ŠIFRA X", "STRUKTURA", "ŠIFRA,,CHAR,1"}, V::splosna},
        {"widths and decimals at their limits",
         {"TABELA=T", "KLJUC=A X", "STRUKTURA", "A,,VARCHAR2,32767", "B,,NUMBER,38,-84", "C,,NUMBER,38,127",
          "D,,LONG,0"},
         V::splosna},
    };
    for (const Case &c : cases) {
        TStrukturaOkolje okolje;
        okolje.vrsta = c.vrsta;
        TTableDescription opis;
        EXPECT_NO_THROW(EXPECT_GE(razcleniStrukturo(c.lines, okolje, opis), 1) << c.name) << c.name;
    }
    EXPECT_EQ(vrstaStrukture("C:\\prenos\\KA010RES.MST"), V::masterDetail);
    EXPECT_EQ(vrstaStrukture("/prenos/ka010res.mst"), V::masterDetail);
    EXPECT_EQ(vrstaStrukture("/prenos/mst/KA060AK0.str"), V::splosna);
}

// --- Values ---

TEST(Values, DopolniChar)
{
    struct Case {
        QString v;
        int w;
        QString t;
        QString out;
    };
    const Case cases[] = {
        {"AB", 5, "CHAR", "AB   "},
        {"AB", 30, "CHAR", "AB" + QString(28, ' ')},
        {"AB", 19, "CHAR", "AB" + QString(17, ' ')},
        {"AB", 30, "VARCHAR2", "AB"},
        {"ABCDE", 5, "CHAR", "ABCDE"},
        {"ABCDEF", 5, "CHAR", "ABCDEF"},
        {"AB", 5, "NUMBER", "AB   "},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dopolniChar(c.v, c.w, c.t), c.out) << c.v.toStdString() << ' ' << c.w << ' ' << c.t.toStdString();
}

TEST(Values, Numbers)
{
    EXPECT_EQ(vCeloStevilo(" 12 "), 12);
    EXPECT_EQ(vCeloStevilo(""), 0);
    EXPECT_EQ(vCeloStevilo("   "), 0);
    EXPECT_EQ(vCeloStevilo("-7"), -7);
    EXPECT_THROW(vCeloStevilo("12.5"), EMoxError);
    EXPECT_THROW(vCeloStevilo("1x"), EMoxError);
    EXPECT_DOUBLE_EQ(vRealnoStevilo("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(vRealnoStevilo("12,5"), 12.5);
    EXPECT_DOUBLE_EQ(vRealnoStevilo(" "), 0);
    EXPECT_THROW(vRealnoStevilo("abc"), EMoxError);
}

namespace {
class Ui : public TInteraction {
public:
    QStringList messages;
    int pokaziSporocilo(const QString &t, TMsgDlgType, TMsgDlgButtons, int) override
    {
        messages << t;
        return mrYes;
    }
    void showMessage(const QString &t) override { messages << t; }
    void processEvents() override {}
};
} // namespace

TEST(Values, VariableKinds)
{
    struct Case {
        QString typ;
        TOracleType kind;
        bool message;
    };
    const Case cases[] = {
        {"CHAR", otString, false},   {"VARCHAR2", otString, false}, {"INTEGER", otInteger, false},
        {"NUMBER", otFloat, false},  {"DATE", otString, false},     {"CLOB", otString, false},
        {"BLOB", otString, false},   {"RAW", otString, true},       {"", otString, true},
    };
    for (const Case &c : cases) {
        Ui ui;
        EXPECT_EQ(tipSpremenljivke(c.typ, &ui), c.kind) << c.typ.toStdString();
        EXPECT_EQ(ui.messages, c.message ? QStringList{"NAPAČEN TIP : " + c.typ} : QStringList())
            << c.typ.toStdString();
    }
}

TEST(Values, BindValues)
{
    EXPECT_TRUE(vrednostIzDBF("", false, 10, "NUMBER").isNull());
    EXPECT_TRUE(vrednostIzDBF("", false, 10, "INTEGER").isNull());
    EXPECT_EQ(vrednostIzDBF("12", false, 10, "INTEGER"), QVariant(qint64(12)));
    EXPECT_EQ(vrednostIzDBF("12.5", false, 10, "NUMBER"), QVariant(12.5));
    EXPECT_TRUE(vrednostIzDBF("", false, 19, "DATE").isNull());
    EXPECT_EQ(vrednostIzDBF("01.02.2020 10:11:12", false, 19, "DATE"), QVariant(QString("01.02.2020 10:11:12")));
    EXPECT_EQ(vrednostIzDBF("ABCDEF", false, 4, "VARCHAR2"), QVariant(QString("ABCD")));
    EXPECT_EQ(vrednostIzDBF("AB", true, 4, "CHAR"), QVariant(QString("AB  ")));
    EXPECT_EQ(vrednostIzDBF("", false, 4, "VARCHAR2"), QVariant(QString("")));
    EXPECT_THROW(vrednostIzDBF("x", false, 4, "INTEGER"), EMoxError);
}

TEST(Replication, ConditionGoesBeforeOrderBy)
{
    const QString t = "01.02.2020 10:11";
    const QString cond = " datumipl>= to_date('01.02.2020 10:11','DD.MM.YYYY HH24:MI')";
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {"", " where " + cond},
        {"where stat_060='1'", "where stat_060='1' and " + cond},
        {"where stat_060='1' order by code_060", "where stat_060='1'  and " + cond + " order by code_060"},
        {"WHERE a=1 ORDER  BY b", "WHERE a=1  and " + cond + " ORDER  BY b"},
        {"order by code_060", " where " + cond + " order by code_060"},
        {"where a in (select x from y order by x)", "where a in (select x from y order by x) and " + cond},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dodajPogojReplikacije(c.in, t), c.out) << c.in.toStdString();
}
