// Common code lists, print forms and parameters: the preparation queries and
// the refresh statements as the transfers send them.
#include "corpus.h"

#include "run/schemanames.h"
#include "run/runstate.h"

using namespace corpus;

namespace {

// ---------------------------------------------------------------- code lists

const QStringList kHeaderLookup = sql({"select * from tavo.ka000hed where sifra000=:s000 and stat_000='1'"});
const QStringList kHeaderUpdate =
    sql({"update tavo.ka000hed set dol__000=:dol__000,", " desc_000=:desc_000,prod1000=:prod1000,prod2000=:prod2000,",
         " prod3000=:prod3000,prod4000=:prod4000,user_ipl=tavo.pckLogParam.getUser,datumipl=sysdate ",
         " where sifra000=:sifra000"});
const QStringList kHeaderInsert =
    sql({"insert into tavo.ka000hed (sifra000,dol__000,desc_000,type_000,prod1000,prod2000,",
         " prod3000,prod4000,stat_000,datumipl,user_ipl)",
         " values (:sifra000,:dol__000,:desc_000,'S',:prod1000,:prod2000,:prod3000,:prod4000,'1',sysdate,"
         "tavo.pckLogParam.getUser) "});
const QStringList kValueLookup = sql({"select * from tavo.kg000ss0 where sifra000=:s000 and rTrim(kljuc000)=:kljuc000 "
                                      "order by stat_000 desc"});
const QStringList kValueNumber = sql({"begin :naslednji:=tavo.getSequence('KG000SS0'); end;"});
const QStringList kValueInsert =
    sql({"insert into tavo.kg000ss0 (sifra000,kljuc000,opis_000,opis1000,stat_000,id___000,datumipl,user_ipl) ",
         " values(:sifra000,:kljuc000,:opis_000,:opis1000,'1',:id___000,sysdate,tavo.pckLogParam.getUser) "});
const QStringList kValueUpdate = sql({"update tavo.kg000ss0 set opis_000=:opis_000,opis1000=:opis1000,stat_000='1' ",
                                      "  where sifra000=:sifra000 and kljuc000=:kljuc000"});

Binds header(const char *code, int dol, const char *desc)
{
    return {{"sifra000", otString, QString::fromUtf8(code)}, {"dol__000", otInteger, dol},
            {"desc_000", otString, QString::fromUtf8(desc)}, {"prod1000", otString, QStringLiteral("P1")},
            {"prod2000", otString, QString()},               {"prod3000", otString, QString()},
            {"prod4000", otString, QStringLiteral("P4")}};
}

class CodeLists : public StatementsTest {
protected:
    void addValue(const char *code, const char *key, const char *opis)
    {
        const qint64 id = block(session, kValueNumber, QStringLiteral("naslednji"), otInteger).AsInteger();
        execute(session, kValueInsert,
                {{"sifra000", otString, QString::fromUtf8(code)},
                 {"kljuc000", otString, QString::fromUtf8(key)},
                 {"opis_000", otString, QString::fromUtf8(opis)},
                 {"opis1000", otString, QString()},
                 {"id___000", otInteger, id}});
        session.Commit();
    }
};

TEST_F(CodeLists, HeaderInsertLookupAndCorrection)
{
    EXPECT_EQ(execute(session, kHeaderInsert, header("Z1", 3, "Šifrant ž")), 1);
    session.Commit();
    const QStringList cols{"sifra000", "dol__000", "desc_000", "type_000", "prod1000", "prod2000", "prod4000",
                           "stat_000", "user_ipl"};
    EXPECT_EQ(select(session, kHeaderLookup, {{"s000", otString, QStringLiteral("Z1")}}, cols),
              rows({"Z1|3|Šifrant ž|S|P1||P4|1|TAVO"}));

    TOracleDataSet quDyn1(&session);
    pripraviSejo(quDyn1, TRunState());
    EXPECT_EQ(execute(session, kHeaderUpdate, header("Z1", 4, "Drugi")), 1);
    session.Commit();
    EXPECT_EQ(select(session, kHeaderLookup, {{"s000", otString, QStringLiteral("Z1")}}, cols),
              rows({"Z1|4|Drugi|S|P1||P4|1|ORN"}));
    EXPECT_EQ(select(session, kHeaderLookup, {{"s000", otString, QStringLiteral("Z2")}}, cols), "");
}

TEST_F(CodeLists, InsertOfAnInactiveHeadersCodeFailsAndLeavesTheTransactionOpen)
{
    run(session, {"insert into ka000hed (sifra000,type_000,stat_000) values ('Z5','S','0')"});
    // Not found among active headers, so the refresh inserts, and the code is
    // the table's key.
    EXPECT_EQ(select(session, kHeaderLookup, {{"s000", otString, QStringLiteral("Z5")}}, {"sifra000"}), "");
    execute(session, kHeaderInsert, header("Z6", 1, "prej"));
    try {
        execute(session, kHeaderInsert, header("Z5", 1, "x"));
        ADD_FAILURE() << "duplicate key accepted";
    } catch (const EMoxError &e) {
        EXPECT_FALSE(e.message().trimmed().isEmpty());
    }
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from ka000hed where sifra000='Z6'")),
              QStringLiteral("1"));
    session.Rollback();
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from ka000hed")), QStringLiteral("1"));
}

TEST_F(CodeLists, WritesAreSeenByAnotherSessionOnlyAfterCommit)
{
    TOracleSession other;
    logon(other, QStringLiteral("TAVO"), QStringLiteral("TAVO"));
    const auto seen = [&](const char *code) {
        return select(other, kHeaderLookup, {{"s000", otString, QString::fromLatin1(code)}}, {"sifra000"});
    };
    execute(session, kHeaderInsert, header("V1", 1, "a"));
    EXPECT_EQ(seen("V1"), "");
    session.Commit();
    EXPECT_EQ(seen("V1"), "V1");

    execute(session, kHeaderUpdate, header("V1", 2, "b"));
    execute(session, kHeaderInsert, header("V2", 1, "c"));
    EXPECT_EQ(select(other, kHeaderLookup, {{"s000", otString, QStringLiteral("V1")}}, {"dol__000"}), "1");
    session.Rollback();
    EXPECT_EQ(select(session, kHeaderLookup, {{"s000", otString, QStringLiteral("V1")}}, {"dol__000"}), "1");
    EXPECT_EQ(seen("V2"), "");
}

TEST_F(CodeLists, ValueLookupPrefersTheActiveRowAndIgnoresTrailingBlanks)
{
    run(session, {"insert into kg000ss0 (id___000,sifra000,kljuc000,opis_000,stat_000) values (901,'Z1','K1','staro','0')",
                  "insert into kg000ss0 (id___000,sifra000,kljuc000,opis_000,stat_000) values (902,'Z1','K1','novo','1')",
                  "insert into kg000ss0 (id___000,sifra000,kljuc000,opis_000,stat_000) values (903,'Z1','K2  ','dolg','1')"});
    const QStringList cols{"kljuc000", "opis_000", "stat_000"};
    EXPECT_EQ(select(session, kValueLookup,
                     {{"s000", otString, QStringLiteral("Z1")}, {"kljuc000", otString, QStringLiteral("K1")}}, cols),
              rows({"K1|novo|1", "K1|staro|0"}));
    EXPECT_EQ(select(session, kValueLookup,
                     {{"s000", otString, QStringLiteral("Z1")}, {"kljuc000", otString, QStringLiteral("K2")}}, cols),
              rows({"K2  |dolg|1"}));

    // The correction compares the key exactly: the blank-padded key is not
    // reached, and that is no error.
    const Binds k2{{"sifra000", otString, QStringLiteral("Z1")},
                   {"kljuc000", otString, QStringLiteral("K2")},
                   {"opis_000", otString, QStringLiteral("x")},
                   {"opis1000", otString, QString()}};
    EXPECT_EQ(execute(session, kValueUpdate, k2), 0);
    // The key K1 has an active and an inactive row; both are corrected and
    // become active.
    const Binds k1{{"sifra000", otString, QStringLiteral("Z1")},
                   {"kljuc000", otString, QStringLiteral("K1")},
                   {"opis_000", otString, QStringLiteral("popravljeno")},
                   {"opis1000", otString, QStringLiteral("dolgi opis")}};
    EXPECT_EQ(execute(session, kValueUpdate, k1), 2);
    session.Commit();
    EXPECT_EQ(select(session, literal({"select * from tavo.kg000ss0 where kljuc000='K1' order by id___000"}), {},
                     {"id___000", "opis_000", "opis1000", "stat_000"}),
              rows({"901|popravljeno|dolgi opis|1", "902|popravljeno|dolgi opis|1"}));
}

TEST_F(CodeLists, ValueInsertTakesItsNumberFromTheSequence)
{
    addValue("Z1", "A", "prvi");
    addValue("Z1", "B", "drugi");
    EXPECT_EQ(select(session, literal({"select * from tavo.kg000ss0 order by id___000"}), {},
                     {"sifra000", "kljuc000", "opis_000", "stat_000", "user_ipl"}),
              rows({"Z1|A|prvi|1|TAVO", "Z1|B|drugi|1|TAVO"}));
    const QString ids = QString::fromStdString(
        select(session, literal({"select id___000 from tavo.kg000ss0 order by kljuc000"}), {}, {"id___000"}));
    const QStringList two = ids.split(u'\n');
    ASSERT_EQ(two.size(), 2);
    EXPECT_GE(two[0].toLongLong(), 1);
    EXPECT_GT(two[1].toLongLong(), two[0].toLongLong());
}

TEST_F(CodeLists, PreparationQueriesSelectByTheFilterCondition)
{
    run(session, {"insert into ka000hed (sifra000,type_000,stat_000) values ('Z1','S','1')",
                  "insert into ka000hed (sifra000,type_000,stat_000) values ('Z2','S','1')",
                  "insert into ka000hed (sifra000,type_000,stat_000) values ('P12','S','1')",
                  "insert into ka000hed (sifra000,type_000,stat_000) values ('P2','S','1')",
                  "insert into ka000hed (sifra000,type_000,stat_000) values ('G34','S','1')",
                  "insert into ka000hed (sifra000,type_000,stat_000) values ('G345','S','1')",
                  "insert into ka000hed (sifra000,type_000,stat_000) values ('Z9','U','1')",
                  "insert into ka000hed (sifra000,type_000,stat_000) values ('Z8','S','0')",
                  "insert into kg000ss0 (id___000,sifra000,kljuc000,stat_000) values (1,'Z1','B','1')",
                  "insert into kg000ss0 (id___000,sifra000,kljuc000,stat_000) values (2,'Z1','A','1')",
                  "insert into kg000ss0 (id___000,sifra000,kljuc000,stat_000) values (3,'Z1','C','0')",
                  "insert into kg000ss0 (id___000,sifra000,kljuc000,stat_000) values (4,'Z9','A','1')",
                  "insert into kg000ss0 (id___000,sifra000,kljuc000,stat_000) values (5,'G34','A','1')"});
    struct Case {
        const char *name;
        const char *condition;
        bool replication;
        const char *headers; // sifra000 in order, joined by ","
        const char *values;  // sifra000/kljuc000 in order
    };
    const Case cases[] = {
        {"list of patterns", "(sifra000 like 'Z%' or sifra000 like 'P1%' or sifra000 like 'G34')", false,
         "G34,P12,Z1,Z2", "G34/A,Z1/A,Z1/B"},
        {"all", "(sifra000 like '%')", false, "G34,G345,P12,P2,Z1,Z2", "G34/A,Z1/A,Z1/B"},
        {"empty filter selects nothing", "(sifra000 like '')", false, "", ""},
        {"replication takes every type", "(sifra000 like 'Z%')", true, "Z1,Z2,Z9", "Z1/A,Z1/B"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString cond = QString::fromUtf8(c.condition);
        const QStringList headers{QStringLiteral("select * from tavo.ka000hed where ") + cond,
                                  c.replication ? QStringLiteral("   and stat_000='1' order by sifra000")
                                                : QStringLiteral("   and type_000='S' and stat_000='1' order by sifra000")};
        const QStringList values{QStringLiteral("select * from tavo.kg000ss0 where sifra000 in "),
                                 QStringLiteral("   (select sifra000 from tavo.ka000hed where ") + cond +
                                     QStringLiteral(" and type_000='S' and stat_000='1') "),
                                 QStringLiteral("   and stat_000='1' order by sifra000,kljuc000")};
        try {
            EXPECT_EQ(QString::fromStdString(select(session, headers, {}, {"sifra000"})).replace(u'\n', u','),
                      QString::fromUtf8(c.headers));
            EXPECT_EQ(QString::fromStdString(select(session, values, {}, {"SIFRA000", "KLJUC000"}))
                          .replace(u'\n', u',')
                          .replace(u'|', u'/'),
                      QString::fromUtf8(c.values));
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

// --------------------------------------------------------------- print forms

const QStringList kFormLookup = sql({"select * from tavo.ka900rep where desc_900=:desc_900 and stat_900='1'"});
const QStringList kFormMax = sql({"select max(sifra900)zadnja from tavo.ka900rep"});
const QStringList kRegionMax = sql({"select max(sifra902)zadnja from tavo.ka902rpr"});
const QStringList kFieldNumber = sql({"begin :naslednji:=tavo.getSequence('KA901RAT'); end;"});
const QStringList kFieldLookup =
    sql({"select * from tavo.ka901rat where sifra900=:sifra900 and ordin901=:ordin901 and stat_901='1'"});
const QStringList kRegionLookup =
    sql({"select * from tavo.ka902rpr where sifra900=:sifra900 and desc_902=:desc_902 and stat_902='1'"});
const QStringList kFormInsert =
    sql({"insert into tavo.ka900rep (sifra900,desc_900,left_900,top_900,relx_900,rely_900,stat_900,SIFRAX03,CODE_900,"
         "CLASS900,NAME_900,ACTIV900,NAME2900,PARAM900) ",
         " values(:sifra900,:desc_900,:left_900,:top_900,:relx_900,:rely_900,'1',:SIFRAX03,:CODE_900,:CLASS900,:NAME_"
         "900,:ACTIV900,:NAME2900,:PARAM900) "});
const QStringList kFieldInsert =
    sql({"insert into tavo.ka901rat (sifra900,sifra901,desc_901,type_901,axisx901,axisy901,",
         "leng_901,pict_901,font_901,cond_901,ordin901,stat_901,deflt901,info901,ratid901) ",
         "values (:sifra900,:sifra901,:desc_901,:type_901,:axisx901,:axisy901,",
         ":leng_901,:pict_901,:font_901,:cond_901,:ordin901,'1',:deflt901,:info901,:ratid901) "});
const QStringList kRegionInsert = sql({"insert into tavo.ka902rpr (sifra902,sifra900,desc_902,init_902,left_902,top__902,",
                                       "  relx_902,rely_902,stat_902,datumipl,user_ipl) ",
                                       "   values(:sifra902,:sifra900,:desc_902,:init_902,:left_902,:top__902,",
                                       "    :relx_902,:rely_902,'1',sysdate,'ORN') "});
const QStringList kFormUpdate = sql(
    {"update tavo.ka900rep set left_900=:left_900,", " top_900=:top_900,relx_900=:relx_900,rely_900=:rely_900,",
     " SIFRAX03=:SIFRAX03,CODE_900=:CODE_900,CLASS900=:CLASS900,NAME_900=:NAME_900,ACTIV900=:ACTIV900,NAME2900=:"
     "NAME2900,PARAM900=:PARAM900",
     " where sifra900=:sifra900"});
const QStringList kFieldUpdate =
    sql({"update tavo.ka901rat set type_901=:type_901,axisx901=:axisx901,axisy901=:axisy901,",
         " leng_901=:leng_901,pict_901=:pict_901,font_901=:font_901,cond_901=:cond_901,",
         " deflt901=:deflt901,info901=:info901,desc_901=:desc_901 ,ratid901=:ratid901",
         " where sifra900=:sifra900 and  sifra901=:sifra901"});
const QStringList kRegionUpdate = sql({"update tavo.ka902rpr set init_902=:init_902,left_902=:left_902,",
                                       " top__902=:top__902,relx_902=:relx_902,rely_902=:rely_902 ",
                                       " where sifra900=:sifra900 and sifra902=:sifra902"});

Binds form(qint64 code, const char *desc, const QVariant &left)
{
    Binds b{{"sifra900", otInteger, code},
            {"left_900", otInteger, left},
            {"top_900", otInteger, 20},
            {"relx_900", otInteger, QVariant()},
            {"rely_900", otInteger, QVariant()},
            {"sifrax03", otInteger, QVariant()},
            {"code_900", otString, QStringLiteral("F")},
            {"class900", otString, QStringLiteral("C")},
            {"name_900", otString, QStringLiteral("Ime")},
            {"activ900", otString, QStringLiteral("D")},
            {"name2900", otString, QString()},
            {"param900", otString, QStringLiteral("a=1")}};
    if (desc)
        b.push_back({"desc_900", otString, QString::fromUtf8(desc)});
    return b;
}

Binds field(qint64 form, qint64 number, const QVariant &ordin, const char *type)
{
    Binds b{{"sifra900", otInteger, form},         {"sifra901", otInteger, number},
            {"desc_901", otString, QStringLiteral("Polje")}, {"type_901", otString, QString::fromUtf8(type)},
            {"axisx901", otInteger, 1},            {"axisy901", otInteger, 2},
            {"leng_901", otInteger, QVariant()},   {"pict_901", otString, QString()},
            {"font_901", otString, QStringLiteral("Arial")}, {"cond_901", otString, QString()},
            {"deflt901", otString, QString()},     {"info901", otString, QString()},
            {"ratid901", otString, QStringLiteral("R1")}};
    if (ordin.isValid())
        b.push_back({"ordin901", otInteger, ordin});
    return b;
}

Binds region(qint64 form, qint64 code, const char *desc, const char *init)
{
    Binds b{{"sifra902", otInteger, code},         {"sifra900", otInteger, form},
            {"init_902", otString, QString::fromUtf8(init)}, {"left_902", otInteger, 5},
            {"top__902", otInteger, QVariant()},   {"relx_902", otInteger, 7},
            {"rely_902", otInteger, 8}};
    if (desc)
        b.push_back({"desc_902", otString, QString::fromUtf8(desc)});
    return b;
}

class PrintForms : public StatementsTest {};

TEST_F(PrintForms, HighestCodesOfAnEmptyAndAFilledTable)
{
    TOracleDataSet q(&session);
    q.SQL = kFormMax;
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_TRUE(q.FieldByName(QStringLiteral("zadnja")).IsNull());
    EXPECT_EQ(q.FieldByName(QStringLiteral("zadnja")).AsInteger(), 0);
    q.Close();

    execute(session, kFormInsert, form(40, "Izvid", 10));
    execute(session, kFormInsert, form(41, "Napotnica", 10));
    execute(session, kRegionInsert, region(41, 7, "Glava", ""));
    session.Commit();
    EXPECT_EQ(select(session, kFormMax, {}, {"zadnja"}), "41");
    EXPECT_EQ(select(session, kRegionMax, {}, {"ZADNJA"}), "7");
}

TEST_F(PrintForms, FormFieldAndRegionRoundTrip)
{
    EXPECT_EQ(execute(session, kFormInsert, form(40, "Izvid", QVariant())), 1);
    const qint64 number = block(session, kFieldNumber, QStringLiteral("naslednji"), otInteger).AsInteger();
    EXPECT_EQ(execute(session, kFieldInsert, field(40, number, 3, "T")), 1);
    EXPECT_EQ(execute(session, kRegionInsert, region(40, 1, "Glava", "init")), 1);
    session.Commit();

    EXPECT_EQ(select(session, kFormLookup, {{"desc_900", otString, QStringLiteral("Izvid")}},
                     {"sifra900", "left_900", "top_900", "relx_900", "stat_900", "param900"}),
              rows({"40||20||1|a=1"}));
    EXPECT_EQ(select(session, kFieldLookup, {{"sifra900", otInteger, 40}, {"ordin901", otInteger, 3}},
                     {"sifra901", "type_901", "axisx901", "leng_901", "font_901", "stat_901"}),
              QStringLiteral("%1|T|1||Arial|1").arg(number).toStdString());
    EXPECT_EQ(select(session, kRegionLookup,
                     {{"sifra900", otInteger, 40}, {"desc_902", otString, QStringLiteral("Glava")}},
                     {"sifra902", "init_902", "left_902", "top__902", "stat_902", "user_ipl"}),
              rows({"1|init|5||1|ORN"}));

    EXPECT_EQ(execute(session, kFormUpdate, form(40, nullptr, 11)), 1);
    EXPECT_EQ(execute(session, kFieldUpdate, field(40, number, QVariant(), "N")), 1);
    EXPECT_EQ(execute(session, kRegionUpdate, region(40, 1, nullptr, "drugo")), 1);
    session.Commit();
    EXPECT_EQ(select(session, kFormLookup, {{"desc_900", otString, QStringLiteral("Izvid")}}, {"left_900"}), "11");
    EXPECT_EQ(select(session, kFieldLookup, {{"sifra900", otInteger, 40}, {"ordin901", otInteger, 3}}, {"type_901"}),
              "N");
    EXPECT_EQ(select(session, kRegionLookup,
                     {{"sifra900", otInteger, 40}, {"desc_902", otString, QStringLiteral("Glava")}}, {"init_902"}),
              "drugo");
}

TEST_F(PrintForms, PreparationQueries)
{
    for (qint64 code : {40, 41, 42})
        execute(session, kFormInsert, form(code, "F", 1));
    run(session, {"update ka900rep set stat_900='0' where sifra900=42",
                  "insert into ka901rat (sifra901,sifra900,ordin901,stat_901) values (3,40,1,'1')",
                  "insert into ka901rat (sifra901,sifra900,ordin901,stat_901) values (1,40,2,'1')",
                  "insert into ka901rat (sifra901,sifra900,ordin901,stat_901) values (2,40,3,'0')",
                  "insert into ka902rpr (sifra902,sifra900,stat_902) values (5,41,'1')"});
    EXPECT_EQ(select(session, literal({"select * from tavo.ka900rep where sifra900 in (40,41) and stat_900='1' order by "
                                       "sifra900"}),
                     {}, {"sifra900"}),
              rows({"40", "41"}));
    EXPECT_EQ(select(session, literal({"select * from tavo.ka900rep where stat_900='1' order by sifra900"}), {},
                     {"sifra900"}),
              rows({"40", "41"}));
    EXPECT_EQ(select(session,
                     literal({"select * from tavo.ka901rat where sifra900=:sifra900 and stat_901='1' order by sifra901"}),
                     {{"sifra900", otInteger, 40}}, {"sifra901", "ordin901"}),
              rows({"1|2", "3|1"}));
    EXPECT_EQ(select(session,
                     literal({"select * from tavo.ka902rpr where sifra900=:sifra900 and stat_902='1' order by sifra902"}),
                     {{"sifra900", otInteger, 41}}, {"sifra902"}),
              "5");
}

// ---------------------------------------------------------------- parameters

const QStringList kParamCount = sql({"select count(*) vseh from tavo.ka007par where class007=:class007 and "
                                     "attr_007=:attr_007 and stat_007='1'"});
const QStringList kParamKey = sql({"begin :naslednji:=tavo.getSequence('KA007PAR'); end;"});
const QStringList kValueKey = sql({"begin :naslednji:=tavo.getSequence('PR107PAR'); end;"});
const QStringList kExtKey = sql({"begin :naslednji:=tavo.getSequence('PR207EXT'); end;"});
const QStringList kParamInsert =
    sql({"insert into tavo.ka007par (SIFRA007, APP__007, CLASS007, ATTR_007, DESC_007, DEPEN007, PCODE007, DESCL007, "
         "STAT_007,USER_IPL,DATUMIPL) ",
         " values(:SIFRA007,:APP__007,:CLASS007,:ATTR_007,:DESC_007,:DEPEN007,:PCODE007,:DESCL007, '1','ORN',sysdate) "});
const QStringList kParamValueInsert =
    sql({"insert into tavo.pr107par (SIFRA007, APP__007, CLASS007, ATTR_007, DEPEN107, WKSID107, SIFRAX31,",
         "USERDEF1, VAL1_107, TIP__X31, SIFRA107, DATUMIPL, USER_IPL, STAT_107) ",
         "values (:SIFRA007,:APP__007,:CLASS007,:ATTR_007,:DEPEN107,:WKSID107,:SIFRAX31,",
         ":USERDEF1,:VAL1_107,:TIP__X31,:SIFRA107,sysdate,'ORN','1') "});
const QStringList kExtInsert = sql({"insert into tavo.pr207ext (SIFRA207, VAL1_207, SIFRA107, STAT_207,USER_IPL,DATUMIPL)",
                                    "   values(:SIFRA207,:VAL1_207,:SIFRA107,'1','ORN',sysdate)"});

class Parameters : public StatementsTest {
protected:
    qint64 key(const QStringList &blockText)
    {
        return block(session, blockText, QStringLiteral("naslednji"), otInteger).AsInteger();
    }
    // A parameter with values (dependency of each) and an extension on the
    // first value; returns the parameter's key.
    qint64 addParameter(const char *cls, const char *attr, std::initializer_list<const char *> depens)
    {
        const qint64 p = key(kParamKey);
        execute(session, kParamInsert,
                {{"sifra007", otInteger, p},
                 {"class007", otString, QString::fromUtf8(cls)},
                 {"app__007", otString, QStringLiteral("APP")},
                 {"attr_007", otString, QString::fromUtf8(attr)},
                 {"desc_007", otString, QStringLiteral("opis")},
                 {"depen007", otString, QString()},
                 {"pcode007", otString, QString()},
                 {"descl007", otString, QString(300, u'd')}});
        bool first = true;
        for (const char *d : depens) {
            const qint64 v = key(kValueKey);
            execute(session, kParamValueInsert,
                    {{"sifra007", otInteger, p},
                     {"sifrax31", otInteger, QVariant()},
                     {"sifra107", otInteger, v},
                     {"app__007", otString, QStringLiteral("APP")},
                     {"class007", otString, QString::fromUtf8(cls)},
                     {"attr_007", otString, QString::fromUtf8(attr)},
                     {"depen107", otString, QString::fromUtf8(d)},
                     {"wksid107", otString, QString()},
                     {"userdef1", otString, QString()},
                     {"tip__x31", otString, QString()},
                     {"val1_107", otString, QStringLiteral("vrednost")}});
            if (first) {
                // The extension's value key is a text variable bound with an integer.
                execute(session, kExtInsert,
                        {{"sifra207", otInteger, key(kExtKey)},
                         {"val1_207", otString, QStringLiteral("razširitev")},
                         {"sifra107", otString, v}});
                first = false;
            }
        }
        return p;
    }
};

TEST_F(Parameters, NewParameterArrivesWholeOrNotAtAll)
{
    const Binds ab{{"class007", otString, QStringLiteral("K")}, {"attr_007", otString, QStringLiteral("A")}};
    EXPECT_EQ(select(session, kParamCount, ab, {"vseh"}), "0");

    addParameter("K", "A", {"0000", "0001", "0002"});
    session.Rollback();
    EXPECT_EQ(select(session, kParamCount, ab, {"vseh"}), "0");
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from pr107par")), QStringLiteral("0"));
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from pr207ext")), QStringLiteral("0"));

    const qint64 p = addParameter("K", "A", {"0000", "0001", "0002"});
    session.Commit();
    EXPECT_EQ(select(session, kParamCount, ab, {"VSEH"}), "1");
    EXPECT_EQ(select(session, literal({"select * from tavo.ka007par"}), {},
                     {"class007", "attr_007", "stat_007", "user_ipl"}),
              rows({"K|A|1|ORN"}));
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from pr107par where sifra007=%1 and stat_107='1' and "
                                            "user_ipl='ORN'")
                                 .arg(p)),
              QStringLiteral("3"));
    EXPECT_EQ(select(session,
                     literal({"select e.val1_207, e.stat_207 from pr207ext e, pr107par v where v.sifra107=e.sifra107 "
                              "and v.depen107='0000'"}),
                     {}, {"val1_207", "stat_207"}),
              rows({"razširitev|1"}));
}

TEST_F(Parameters, PreparationQueries)
{
    const qint64 a = addParameter("K", "A", {"0000", "0001"});
    const qint64 b = addParameter("K", "B", {"0001"});
    addParameter("L", "C", {"0000"});
    session.Commit();

    struct Case {
        const char *name;
        QString clause;
        const char *parameters; // attr_007 in order
    };
    const Case cases[] = {
        {"all", QStringLiteral(" where stat_007='1' "), "A,B,C"},
        {"whole where clause", QStringLiteral(" where class007='K' and stat_007='1' "), "A,B"},
        {"value filter", QStringLiteral(" where stat_007='1'  and sifra007 in (select sifra007 from pr107par where "
                                        "depen107='0000')"),
         "A,C"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const QStringList q{QStringLiteral("select * from tavo.ka007par ") + c.clause +
                                QStringLiteral(" order by sifra007")};
            EXPECT_EQ(QString::fromStdString(select(session, q, {}, {"attr_007"})).replace(u'\n', u','),
                      QString::fromUtf8(c.parameters));
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }

    const auto values = [&](qint64 p, const QString &conditions) {
        return select(session,
                      QStringList{QStringLiteral("select * from tavo.pr107par where sifra007=:sifra007 and "
                                                 "stat_107='1' ") +
                                  conditions + QStringLiteral("  order by sifra107")},
                      {{"sifra007", otInteger, p}}, {"depen107"});
    };
    EXPECT_EQ(values(a, QString()), rows({"0000", "0001"}));
    EXPECT_EQ(values(a, QStringLiteral(" and depen107='0000' ")), "0000");
    EXPECT_EQ(values(b, QStringLiteral(" and depen107='0000' ")), "");
    EXPECT_EQ(values(a, QStringLiteral(" and depen107<>'0000' ")), "0001");

    const QString firstValue = value(session, QStringLiteral("select min(sifra107) from pr107par where sifra007=%1").arg(a));
    EXPECT_EQ(select(session,
                     literal({"select * from tavo.pr207ext where sifra107=:sifra107 and stat_207='1' order by sifra107"}),
                     {{"sifra107", otInteger, firstValue.toLongLong()}}, {"val1_207"}),
              "razširitev");
}

} // namespace
