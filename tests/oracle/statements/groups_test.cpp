// Groups and activities, groups 023: the reading queries of the preparation
// (outer joins, unions, substring tests), the lookups, existence queries,
// inserts and updates of the refresh, and the removal of obsolete links
// through rows locked "for update" and deleted by their ROWID.
#include "corpus.h"

using namespace corpus;

namespace {

// Test data shared by the reading queries: group G1 (type H) with
// activities A10 (department D1), A20 (no department) and A30 (inactive,
// department D2), departments D1 and D2, HC H6 with parent H5 and sub-HC H7,
// a lab description and lab services of H6, services of A10.
void seedGroups(TOracleSession &s)
{
    run(s, {"insert into kr031org (sifra031,code_031,stat_031) values (1,'D1','1')",
            "insert into kr031org (sifra031,code_031,stat_031) values (2,'D2','0')",
            "insert into ka060ak0 (sifra060,code_060,sifra031,stat_060) values (10,'A10',1,'1')",
            "insert into ka060ak0 (sifra060,code_060,sifra031,stat_060) values (20,'A20',null,'1')",
            "insert into ka060ak0 (sifra060,code_060,sifra031,stat_060) values (30,'A30',2,'0')",
            "insert into ka060ak0 (sifra060,code_060,sifra031,stat_060) values (40,'A40',1,'1')",
            "insert into ka061grp (sifra061,code_061,type_061,stat_061) values (1,'G1','H','1')",
            "insert into ka061grp (sifra061,code_061,type_061,stat_061) values (2,'G10','S','1')",
            "insert into ka061grp (sifra061,code_061,type_061,stat_061) values (3,'1','S','1')",
            "insert into ka061grp (sifra061,code_061,type_061,stat_061) values (4,null,'S','1')",
            "insert into po061grp (idpo_061,sifra061,sifra060) values (1,1,10)",
            "insert into po061grp (idpo_061,sifra061,sifra060) values (2,1,20)",
            "insert into po061grp (idpo_061,sifra061,sifra060) values (3,1,30)",
            "insert into po061grp (idpo_061,sifra061,sifra060) values (4,2,40)",
            "insert into po061spg (idpo_061,sifra061,sifra031,ordr_061,perf_061) values (1,1,1,1,'D')",
            "insert into po061spg (idpo_061,sifra061,sifra031,ordr_061,perf_061) values (2,1,2,2,'N')",
            "insert into ka011nhc (sifra011,code_011,stat_011) values (100,'S1','1')",
            "insert into ka011nhc (sifra011,code_011,stat_011) values (200,'S2','1')",
            "insert into ka062nhc (sifra062,sifra060,sifra011,kol1_062,stat_062) values (1,10,100,2,'1')",
            "insert into ka062nhc (sifra062,sifra060,sifra011,kol1_062,stat_062) values (2,10,200,1,'0')",
            "insert into ka055hc0 (sifra055,code_055,stat_055) values (5,'H5','1')",
            "insert into ka055hc0 (sifra055,code_055,stat_055) values (6,'H6','1')",
            "insert into ka055hc0 (sifra055,code_055,stat_055) values (7,'H7','1')",
            "insert into po065hc0 (idpo_065,sifra061,sifra055,ordin065,card_065) values (1,1,6,1,3)",
            "insert into po055shc (idpo_055,sifna055,sifra055,ordin055) values (1,5,6,1)",
            "insert into po055shc (idpo_055,sifna055,sifra055,ordin055) values (2,6,7,2)",
            "insert into ka055lab (sifra055,izvid055,refmi055,refma055,stdec055) values (6,'L',1.5,-0.25,2)",
            "insert into ka062nhh (sifra062,sifra055,sifra011,kol1_062,stat_062) values (1,6,100,0.5,'1')",
            "insert into ka062nhh (sifra062,sifra055,sifra011,kol1_062,stat_062) values (2,6,200,12,'0')"});
}

class GroupPreparation : public StatementsTest {
protected:
    void SetUp() override
    {
        StatementsTest::SetUp();
        seedGroups(session);
    }
};

struct ReadCase {
    const char *name;
    QStringList text;
    Binds binds;
    QStringList columns;
    std::string expected;
    bool anyOrder; // the statement leaves the order of (some) rows open
};

TEST_F(GroupPreparation, ReadingQueries)
{
    const ReadCase cases[] = {
        {"groups by substring test on the list",
         sql({"select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka061grp grp where code_061 "
              "is not null and instr('G1,1,' ,code_061||',')>0"}),
         {},
         {"code_061", "sifra061", "type_061"},
         rows({"1|3|S", "G1|1|H"}),
         true},
        {"activities of a group with their department, outer join",
         sql({"select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,odd.code_031 from tavo.ka060ak0 "
              "ak,tavo.kr031org odd",
              "  where sifra060 in ",
              "    ( select sifra060 from tavo.po061grp where sifra061=:grupa group by sifra060)",
              "   and odd.sifra031(+)=ak.sifra031   order by ak.stat_060 desc"}),
         {{"grupa", otInteger, 1}},
         {"code_060", "code_031", "stat_060"},
         rows({"A10|D1|1", "A20||1", "A30|D2|0"}),
         true},
        {"links of a group",
         sql({"select code_060,to_char(datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,user_ipl from tavo.ka060ak0 where "
              "sifra060 in ",
              "(select sifra060 from tavo.po061grp where sifra061=:grupa group by sifra060) "}),
         {{"grupa", otInteger, 1}},
         {"code_060"},
         rows({"A10", "A20", "A30"}),
         true},
        {"department rows of a group",
         sql({"select po.ORDR_061, po.PERF_061, po. LABG_061,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') "
              "datipl,po.user_ipl,odd.code_031",
              "   from tavo.po061spg po,tavo.kr031org odd", "       where po.sifra061=:grupa and odd.sifra031=po.sifra031"}),
         {{"grupa", otInteger, 1}},
         {"code_031", "ordr_061", "perf_061", "labg_061"},
         rows({"D1|1|D|", "D2|2|N|"}),
         true},
        {"HC links of a group",
         sql({"select po.ORDIN065, po.CARD_065,po.SIFRA055,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') "
              "datipl,po.user_ipl,hc.code_055",
              "   from tavo.po065hc0 po,tavo.ka055hc0 hc", "       where po.sifra061=:grupa and hc.sifra055=po.sifra055"}),
         {{"grupa", otInteger, 1}},
         {"code_055", "sifra055", "ordin065", "card_065"},
         rows({"H6|6|1|3"}),
         false},
        {"HCs of a group and their parents, union in a subquery",
         sql({"select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka055hc0 hc",
              "  where sifra055 in (select sifra055 from", "      (select sifra055 from tavo.po065hc0 where sifra061=:grupa",
              "       union", "       select sifna055 from tavo.po055shc where sifra055 in",
              "          (select sifra055 from tavo.po065hc0 where sifra061=:grupa)",
              "      ) vsiHc  group by sifra055) order by stat_055 desc"}),
         {{"grupa", otInteger, 1}},
         {"code_055"},
         rows({"H5", "H6"}),
         true},
        {"services of an activity",
         sql({"select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,sto.code_011 from tavo.ka062nhc "
              "hc,tavo.ka011nhc sto",
              "where sifra060=:AKTIVNOST and sto.sifra011=hc.sifra011 order by stat_062 desc"}),
         {{"AKTIVNOST", otInteger, 10}},
         {"code_011", "kol1_062", "stat_062"},
         rows({"S1|2|1", "S2|1|0"}),
         false},
        {"one HC by key",
         sql({"select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka055hc0 hc where "
              "hc.sifra055=:sifra055 order by stat_055 desc"}),
         {{"sifra055", otInteger, 6}},
         {"code_055"},
         rows({"H6"}),
         false},
        {"lab description of an HC",
         sql({"select lab.*,to_char(lab.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka055lab lab where "
              "sifra055=:sifra055"}),
         {{"sifra055", otInteger, 6}},
         {"izvid055", "refmi055", "refma055", "stdec055", "sifra069"},
         rows({"L|1.5|-0.25|2|"}),
         false},
        {"lab services of an HC, column named owner.table.column",
         sql({"select ka062nhh.*,to_char(ka062nhh.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,tavo.ka011nhc.code_011 "
              "from tavo.ka062nhh ,tavo.ka011nhc ",
              "  where sifra055=:sifra055 and ka011nhc.sifra011=ka062nhh.sifra011 order by stat_062 desc"}),
         {{"sifra055", otInteger, 6}},
         {"code_011", "kol1_062"},
         rows({"S1|0.5", "S2|12"}),
         false},
        {"HC key by code",
         sql({"select sifra055 from tavo.ka055hc0 where code_055=:code_055 order by stat_055 desc"}),
         {{"code_055", otString, QStringLiteral("H6")}},
         {"sifra055"},
         rows({"6"}),
         false},
        {"sub-HCs with the codes of both HCs",
         sql({"select to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,po.user_ipl, "
              "po.sifra055,po.ordin055,card_055,hc1.code_055 code_055,hc2.code_055  coden055",
              "from tavo.po055shc po, tavo.ka055hc0 hc1,tavo.ka055hc0 hc2", "where po.sifna055=:sifna055",
              "and hc1.sifra055=po.sifra055 and hc2.sifra055=po.sifna055"}),
         {{"SIFNA055", otInteger, 5}},
         {"sifra055", "ordin055", "code_055", "coden055"},
         rows({"6|1|H6|H5"}),
         false},
    };
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const std::string got = select(session, c.text, c.binds, c.columns);
            EXPECT_EQ(c.anyOrder ? sorted(got) : got, c.anyOrder ? sorted(c.expected) : c.expected);
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(GroupPreparation, ChangeTimeTextOfTheReadingQueries)
{
    run(session, {"ALTER TRIGGER TAVO.BTKA061GRP DISABLE",
                  "update ka061grp set datumipl=to_date('05.03.2016 08:15:00','DD.MM.YYYY HH24:MI:SS') where sifra061=1",
                  "update ka061grp set datumipl=to_date('05.03.2016','DD.MM.YYYY') where sifra061=3",
                  "ALTER TRIGGER TAVO.BTKA061GRP ENABLE"});
    EXPECT_EQ(sorted(select(session,
                            sql({"select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka061grp "
                                 "grp where code_061 is not null and instr('G1,1,' ,code_061||',')>0"}),
                            {}, {"code_061", "datipl", "datumipl"})),
              sorted(rows({"1|05.03.2016 00:00:00|05.03.2016 00:00:00", "G1|05.03.2016 08:15:00|05.03.2016 08:15:00"})));
}

// -------------------------------------------------------------- the refresh

// Binds built one after another.
struct B {
    Binds b;
    B &s(const char *name, const char *text)
    {
        b.push_back({QString::fromLatin1(name), otString, text ? QString::fromUtf8(text) : QString()});
        return *this;
    }
    B &i(const char *name, const QVariant &v)
    {
        b.push_back({QString::fromLatin1(name), otInteger, v});
        return *this;
    }
    B &f(const char *name, const QVariant &v)
    {
        b.push_back({QString::fromLatin1(name), otFloat, v});
        return *this;
    }
    operator Binds() const { return b; }
};

struct WriteCase {
    const char *table;
    const char *triggerOff; // empty: the table has no trigger
    const char *triggerOn;
    QStringList exists;
    Binds existsBinds;
    QStringList insert;
    Binds insertBinds;
    QStringList update; // empty: an existing row is never updated
    Binds updateBinds;  // the row's key is appended as KEYNAME
    const char *keyName;
    QStringList columns; // read with the existence query
    std::string afterInsert;
    std::string afterUpdate;
};

class GroupRefresh : public StatementsTest {
protected:
    void SetUp() override
    {
        StatementsTest::SetUp();
        run(session, {"insert into kr031org (sifra031,code_031,stat_031) values (1,'D1','1')",
                      "insert into kr031org (sifra031,code_031,stat_031) values (2,'D2','0')",
                      "insert into ka011nhc (sifra011,code_011,stat_011) values (100,'S1','1')",
                      "insert into ka055hc0 (sifra055,code_055,stat_055) values (905,'H5','1')",
                      "insert into ka055hc0 (sifra055,code_055,stat_055) values (906,'H6','1')",
                      "insert into ka060ak0 (sifra060,code_060,stat_060) values (910,'A10','1')",
                      "insert into ka061grp (sifra061,code_061,type_061,stat_061) values (901,'G1','H','1')"});
    }
    // Key of the first row of a lookup, 0 when there is none.
    qint64 lookup(const char *text, const char *var, const char *code)
    {
        TOracleDataSet q(&session);
        q.SQL = sql({text});
        q.DeclareVariable(QString::fromLatin1(var), otString);
        q.SetVariable(QString::fromLatin1(var), QString::fromUtf8(code));
        q.Open();
        const qint64 k = q.Eof() ? 0 : q.Field(0).AsInteger();
        q.Close();
        return k;
    }
};

TEST_F(GroupRefresh, Lookups)
{
    struct Case {
        const char *text, *var, *code;
        qint64 key;
    };
    const Case cases[] = {
        {"select sifra031 from tavo.kr031org where code_031=:code_031 and stat_031='1'", "code_031", "D1", 1},
        {"select sifra031 from tavo.kr031org where code_031=:code_031 and stat_031='1'", "code_031", "D2", 0},
        {"select sifra031 from tavo.kr031org where code_031=:code_031", "code_031", "D2", 2},
        {"select sifra031 from tavo.kr031org where code_031=:code_031", "code_031", "", 0},
        {"select sifra061 from tavo.ka061grp where code_061=:code_061", "code_061", "G1", 901},
        {"select sifra060 from tavo.ka060ak0 where code_060=:code_060", "code_060", "A10", 910},
        {"select sifra055 from tavo.ka055hc0 where code_055=:code_055", "code_055", "H6", 906},
        {"select sifra011 from tavo.ka011nhc where code_011=:code_011", "code_011", "S1", 100},
        {"select sifra011 from tavo.ka011nhc where code_011=:code_011", "code_011", "S9", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.code);
        try {
            EXPECT_EQ(lookup(c.text, c.var, c.code), c.key);
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(GroupRefresh, InsertThenUpdateEveryTable)
{
    const char *dateOld = "05.03.2016 08:15:00";
    const char *dateNew = "06.03.2016"; // a date alone, as the files may hold it
    const WriteCase cases[] = {
        {"KA061GRP", "ALTER TRIGGER TAVO.BTKA061GRP DISABLE", "ALTER TRIGGER TAVO.BTKA061GRP ENABLE",
         sql({"select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka061grp grp where "
              "code_061=:code_061 order by stat_061 desc"}),
         B().s("code_061", "G2"),
         sql({"insert into tavo.ka061grp", " (SIFRA061, DESC_061, LEVEL231, CODE_061, EMPTY061, DATUMIPL, USER_IPL,",
              "  TYPE_061, STAT_061,SIFRA038)", "  values",
              " (tavo.getSequence('KA061GRP'),:DESC_061,:LEVEL231,:CODE_061,:EMPTY061,to_date(:DATUMIPL,'DD.MM.YYYY "
              "HH24:MI:SS'),:USER_IPL,",
              "  :TYPE_061,:STAT_061,:SIFRA038)"}),
         B().s("DESC_061", "Skupina").s("LEVEL231", "1").s("CODE_061", "G2").s("EMPTY061", nullptr)
             .s("DATUMIPL", dateOld).s("USER_IPL", "IZVOR").s("TYPE_061", "L").s("STAT_061", "1").i("SIFRA038", 38),
         sql({"update tavo.ka061grp set ",
              " DESC_061=:DESC_061, LEVEL231=:LEVEL231, CODE_061=:CODE_061, EMPTY061=:EMPTY061,",
              "  DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL,TYPE_061=:TYPE_061, "
              "STAT_061=:STAT_061,SIFRA038=:SIFRA038 ",
              " WHERE SIFRA061=:SIFRA061"}),
         B().s("DESC_061", "Druga").s("LEVEL231", "2").s("CODE_061", "G2").s("EMPTY061", "D").s("DATUMIPL", dateNew)
             .s("USER_IPL", "IZVOR2").s("TYPE_061", "L").s("STAT_061", "1").i("SIFRA038", QVariant()),
         "SIFRA061",
         {"desc_061", "level231", "empty061", "type_061", "sifra038", "datipl", "user_ipl"},
         rows({"Skupina|1||L|38|05.03.2016 08:15:00|IZVOR"}),
         rows({"Druga|2|D|L||06.03.2016 00:00:00|IZVOR2"})},
        {"KA060AK0", "ALTER TRIGGER TAVO.BTKA060AK0 DISABLE", "ALTER TRIGGER TAVO.BTKA060AK0 ENABLE",
         sql({"select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka060ak0 ak where "
              "code_060=:code_060 order by stat_060 desc"}),
         B().s("code_060", "A20"),
         sql({"insert into tavo.ka060ak0",
              " (SIFRA060, TIP__060, SIFR1061, OPIS_060, TIPIZ060, DOD__060, IZVID060,",
              "  TRAJ_060, SOCT_060, CASE_060, CODE_060, SSIF_NE4, DATUMIPL, USER_IPL,",
              "  PREV_060, SIFRA031, EXSTC060, STAT_060,TR_TP060, TR_PA060, TRTPR060,",
              "  TRTEX060, TRTAD060, TEZ__060, TTER_060, INFO_060, SIFR2060)", "  values",
              " (tavo.getSequence('KA060AK0'),:TIP__060,:SIFR1061,:OPIS_060,:TIPIZ060,:DOD__060,:IZVID060,",
              "  :TRAJ_060,:SOCT_060,:CASE_060,:CODE_060,:SSIF_NE4, to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,",
              "  :PREV_060,:SIFRA031,:EXSTC060,:STAT_060,:TR_TP060, :TR_PA060, :TRTPR060,",
              "  :TRTEX060,:TRTAD060,:TEZ__060,:TTER_060,:INFO_060,:SIFR2060)"}),
         B().s("TIP__060", "T").s("SIFR1061", "61").s("OPIS_060", "Aktivnost").s("TIPIZ060", nullptr)
             .s("DOD__060", nullptr).s("IZVID060", nullptr).i("TRAJ_060", 15).s("SOCT_060", nullptr)
             .s("CASE_060", nullptr).s("CODE_060", "A20").s("SSIF_NE4", nullptr).s("DATUMIPL", dateOld)
             .s("USER_IPL", "IZVOR").s("PREV_060", nullptr).i("SIFRA031", 1).s("EXSTC060", nullptr)
             .s("STAT_060", "1").i("TR_TP060", QVariant()).i("TR_PA060", 1).i("TRTPR060", 2).i("TRTEX060", 3)
             .i("TRTAD060", 4).i("TEZ__060", 5).s("TTER_060", nullptr).s("INFO_060", "info").s("SIFR2060", ""),
         sql({"update tavo.ka060ak0 set ",
              " TIP__060=:TIP__060, SIFR1061=:SIFR1061, OPIS_060=:OPIS_060, TIPIZ060=:TIPIZ060,DOD__060=:DOD__060, "
              "IZVID060=:IZVID060,",
              " TRAJ_060=:TRAJ_060, SOCT_060=:SOCT_060, CASE_060=:CASE_060, SSIF_NE4=:SSIF_NE4,DATUMIPL=to_date(:"
              "DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL,",
              " PREV_060=:PREV_060, SIFRA031=:SIFRA031, EXSTC060=:EXSTC060, STAT_060=:STAT_060,TR_TP060=:TR_TP060, "
              "TR_PA060=:TR_PA060, TRTPR060=:TRTPR060,",
              " TRTEX060=:TRTEX060, TRTAD060=:TRTAD060, TEZ__060=:TEZ__060, TTER_060=:TTER_060, INFO_060=:INFO_060, "
              "SIFR2060=:SIFR2060",
              " WHERE SIFRA060=:SIFRA060 "}),
         B().s("TIP__060", "T").s("SIFR1061", "").s("OPIS_060", "Druga").s("TIPIZ060", nullptr).s("DOD__060", nullptr)
             .s("IZVID060", nullptr).i("TRAJ_060", 20).s("SOCT_060", nullptr).s("CASE_060", nullptr)
             .s("SSIF_NE4", nullptr).s("DATUMIPL", dateNew).s("USER_IPL", "IZVOR2").s("PREV_060", nullptr)
             .i("SIFRA031", QVariant()).s("EXSTC060", nullptr).s("STAT_060", "1").i("TR_TP060", QVariant())
             .i("TR_PA060", 1).i("TRTPR060", 2).i("TRTEX060", 3).i("TRTAD060", 4).i("TEZ__060", 5)
             .s("TTER_060", nullptr).s("INFO_060", "info").s("SIFR2060", "7"),
         "SIFRA060",
         {"opis_060", "sifr1061", "traj_060", "sifra031", "tr_tp060", "tez__060", "sifr2060", "code_060", "datipl",
          "user_ipl"},
         rows({"Aktivnost|61|15|1||5||A20|05.03.2016 08:15:00|IZVOR"}),
         rows({"Druga||20|||5|7|A20|06.03.2016 00:00:00|IZVOR2"})},
        {"PO061GRP", "", "", sql({"select * from tavo.po061grp where sifra061=:sifra061 and sifra060=:sifra060"}),
         B().i("sifra061", 901).i("sifra060", 910),
         sql({"insert into tavo.po061grp", " (SIFRA061, SIFRA060, DATUMIPL, USER_IPL,IDPO_061)", "  values",
              " (:SIFRA061,:SIFRA060,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,tavo.getSequence('PO061GRP'"
              "))"}),
         B().i("SIFRA061", 901).i("SIFRA060", 910).s("DATUMIPL", dateOld).s("USER_IPL", "IZVOR"),
         {},
         {},
         "",
         {"sifra061", "sifra060", "datumipl", "user_ipl"},
         rows({"901|910|05.03.2016 08:15:00|IZVOR"}),
         ""},
        {"PO061SPG", "ALTER TRIGGER TAVO.BTPO061SPG DISABLE", "ALTER TRIGGER TAVO.BTPO061SPG ENABLE",
         sql({"select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.po061spg po where "
              "sifra061=:sifra061 and sifra031=:sifra031"}),
         B().i("sifra061", 901).i("sifra031", 2),
         sql({"insert into tavo.po061spg",
              " (SIFRA061, SIFRA031, ORDR_061, PERF_061,LABG_061,IDPO_061,DATUMIPL,USER_IPL)", "  values",
              " (:SIFRA061,:SIFRA031,:ORDR_061,:PERF_061,:LABG_061,tavo.getSequence('PO061SPG'),to_date(:DATUMIPL,'"
              "DD.MM.YYYY HH24:MI:SS'),:USER_IPL)"}),
         B().i("SIFRA061", 901).i("SIFRA031", 2).s("ORDR_061", "3").s("PERF_061", "D").s("LABG_061", "LG")
             .s("DATUMIPL", dateOld).s("USER_IPL", "IZVOR"),
         sql({"update tavo.po061spg set",
              "ORDR_061=:ORDR_061, PERF_061=:PERF_061,LABG_061=:LABG_061,DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY "
              "HH24:MI:SS'),USER_IPL=:USER_IPL",
              "  WHERE idpo_061=:IDPO_061"}),
         B().s("ORDR_061", "").s("PERF_061", "N").s("LABG_061", nullptr).s("DATUMIPL", dateNew)
             .s("USER_IPL", "IZVOR2"),
         "IDPO_061",
         {"ordr_061", "perf_061", "labg_061", "datipl", "user_ipl"},
         rows({"3|D|LG|05.03.2016 08:15:00|IZVOR"}),
         rows({"|N||06.03.2016 00:00:00|IZVOR2"})},
        {"KA055HC0", "ALTER TRIGGER TAVO.BTKA055HC0 DISABLE", "ALTER TRIGGER TAVO.BTKA055HC0 ENABLE",
         sql({"select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka055hc0 hc where "
              "code_055=:code_055 order by stat_055 desc"}),
         B().s("code_055", "H9"),
         sql({"insert into tavo.ka055hc0",
              " (SIFRA055, KONC_055, STRU_055, DATUMIPL, USER_IPL, SIFRA000, TYPE_055,",
              "  VALID055, DESC_055, STAT_055, CODE_055, INFO_055, CRIT_055, COTX_055,", "  COTXD055, COTXL055)",
              "  values",
              " (tavo.getSequence('KA055HC0'),:KONC_055,:STRU_055,to_date(:DATUMIPL,'DD.MM.YYYY "
              "HH24:MI:SS'),:USER_IPL,:SIFRA000,:TYPE_055,",
              "  :VALID055, :DESC_055, :STAT_055, :CODE_055, :INFO_055, :CRIT_055, :COTX_055,", "  :COTXD055, :COTXL055)"}),
         B().s("KONC_055", "K").s("STRU_055", nullptr).s("DATUMIPL", dateOld).s("USER_IPL", "IZVOR")
             .s("SIFRA000", "Z1").s("TYPE_055", "H").s("VALID055", nullptr).s("DESC_055", "Hemogram")
             .s("STAT_055", "1").s("CODE_055", "H9").s("INFO_055", nullptr).s("CRIT_055", nullptr)
             .s("COTX_055", nullptr).s("COTXD055", nullptr).i("COTXL055", 4),
         sql({"update tavo.ka055hc0 set ",
              " KONC_055=:KONC_055, STRU_055=:STRU_055, DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), "
              "USER_IPL=:USER_IPL, SIFRA000=:SIFRA000, TYPE_055=:TYPE_055,",
              "  VALID055=:VALID055, DESC_055=:DESC_055, STAT_055=:STAT_055, CODE_055=:CODE_055, INFO_055=:INFO_055, "
              "CRIT_055=:CRIT_055, COTX_055=:COTX_055,",
              "  COTXD055=:COTXD055, COTXL055=:COTXL055 ", "  WHERE SIFRA055=:SIFRA055"}),
         B().s("KONC_055", "K").s("STRU_055", "S").s("DATUMIPL", dateNew).s("USER_IPL", "IZVOR2")
             .s("SIFRA000", "Z1").s("TYPE_055", "H").s("VALID055", nullptr).s("DESC_055", "Drugo")
             .s("STAT_055", "1").s("CODE_055", "H9").s("INFO_055", nullptr).s("CRIT_055", nullptr)
             .s("COTX_055", nullptr).s("COTXD055", nullptr).i("COTXL055", QVariant()),
         "SIFRA055",
         {"konc_055", "stru_055", "desc_055", "cotxl055", "datipl", "user_ipl"},
         rows({"K||Hemogram|4|05.03.2016 08:15:00|IZVOR"}),
         rows({"K|S|Drugo||06.03.2016 00:00:00|IZVOR2"})},
        {"PO065HC0", "ALTER TRIGGER TAVO.BTPO065HC0 DISABLE", "ALTER TRIGGER TAVO.BTPO065HC0 ENABLE",
         sql({"select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.po065hc0 po where "
              "sifra061=:sifra061 and sifra055=:sifra055"}),
         B().i("sifra061", 901).i("sifra055", 906),
         sql({"insert into tavo.po065hc0", " (SIFRA055, DATUMIPL, USER_IPL, SIFRA061, ORDIN065, CARD_065, IDPO_065)",
              "  values",
              " (:SIFRA055,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,:SIFRA061,:ORDIN065,:CARD_065,tavo."
              "getSequence('PO065HC0'))"}),
         B().i("SIFRA055", 906).s("DATUMIPL", dateOld).s("USER_IPL", "IZVOR").i("SIFRA061", 901).s("ORDIN065", "1")
             .s("CARD_065", "2"),
         sql({"update tavo.po065hc0 set ",
              " DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL,ORDIN065=:ORDIN065, "
              "CARD_065=:CARD_065 ",
              " WHERE IDPO_065=:IDPO_065 "}),
         B().s("DATUMIPL", dateNew).s("USER_IPL", "IZVOR2").s("ORDIN065", "5").s("CARD_065", ""),
         "IDPO_065",
         {"ordin065", "card_065", "datipl", "user_ipl"},
         rows({"1|2|05.03.2016 08:15:00|IZVOR"}),
         rows({"5||06.03.2016 00:00:00|IZVOR2"})},
        {"PO055SHC", "ALTER TRIGGER TAVO.BT055SHC DISABLE", "ALTER TRIGGER TAVO.BT055SHC ENABLE",
         sql({"select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.po055shc po where "
              "sifra055=:sifra055 and sifna055=:sifna055"}),
         B().i("sifra055", 906).i("sifna055", 905),
         sql({"insert into tavo.po055shc", " (SIFNA055,SIFRA055, DATUMIPL, USER_IPL, ORDIN055, CARD_055, IDPO_055)",
              "  values",
              " (:SIFNA055,:SIFRA055,to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),:USER_IPL,:ORDIN055,:CARD_055,tavo."
              "getSequence('PO055SHC'))"}),
         B().i("SIFNA055", 905).i("SIFRA055", 906).s("DATUMIPL", dateOld).s("USER_IPL", "IZVOR").s("ORDIN055", "1")
             .s("CARD_055", nullptr),
         sql({"update tavo.po055shc set ",
              " DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), USER_IPL=:USER_IPL, ORDIN055=:ORDIN055, "
              "CARD_055=:CARD_055",
              "  WHERE IDPO_055=:IDPO_055"}),
         B().s("DATUMIPL", dateNew).s("USER_IPL", "IZVOR2").s("ORDIN055", "2").s("CARD_055", "9"),
         "IDPO_055",
         {"ordin055", "card_055", "datipl", "user_ipl"},
         rows({"1||05.03.2016 08:15:00|IZVOR"}),
         rows({"2|9|06.03.2016 00:00:00|IZVOR2"})},
        {"KA062NHC", "ALTER TRIGGER TAVO.BTKA062NHC DISABLE", "ALTER TRIGGER TAVO.BTKA062NHC ENABLE",
         sql({"select ka.*,to_char(ka.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka062nhc ka where "
              "ka.sifra060=:sifra060 and ka.sifra011=:sifra011"}),
         B().i("sifra060", 910).i("sifra011", 100),
         sql({"insert into tavo.ka062nhc",
              " (SIFRA060,SIFRA011, KOL1_062, STAT_062,DATUMIPL, USER_IPL, SIFRA062,OBV__110,DAY__231,TYPE_231,"
              "TYPES231)",
              "  values",
              " (:SIFRA060,:SIFRA011,:KOL1_062,:STAT_062,to_date(:DATUMIPL,'DD.MM.YYYY "
              "HH24:MI:SS'),:USER_IPL,tavo.getSequence('KA062NHC'),:OBV__110,:DAY__231,:TYPE_231,:TYPES231)"}),
         B().i("SIFRA060", 910).i("SIFRA011", 100).i("KOL1_062", 2).s("STAT_062", "1").s("DATUMIPL", dateOld)
             .s("USER_IPL", "IZVOR").s("OBV__110", "D").s("DAY__231", "3").s("TYPE_231", nullptr)
             .s("TYPES231", nullptr),
         sql({"update tavo.ka062nhc set ",
              " KOL1_062=:KOL1_062, STAT_062=:STAT_062,DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY "
              "HH24:MI:SS'),USER_IPL=:USER_IPL,OBV__110=:OBV__110,DAY__231=:DAY__231,TYPE_231=:TYPE_231,TYPES231=:"
              "TYPES231",
              "  WHERE SIFRA062=:SIFRA062"}),
         B().i("KOL1_062", QVariant()).s("STAT_062", "0").s("DATUMIPL", dateNew).s("USER_IPL", "IZVOR2")
             .s("OBV__110", "N").s("DAY__231", "").s("TYPE_231", "T").s("TYPES231", nullptr),
         "SIFRA062",
         {"kol1_062", "stat_062", "obv__110", "day__231", "type_231", "datipl", "user_ipl"},
         rows({"2|1|D|3||05.03.2016 08:15:00|IZVOR"}),
         rows({"|0|N||T|06.03.2016 00:00:00|IZVOR2"})},
        {"KA055LAB", "ALTER TRIGGER TAVO.BTKA055LAB DISABLE", "ALTER TRIGGER TAVO.BTKA055LAB ENABLE",
         sql({"select ka.*,to_char(ka.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl  from tavo.ka055lab ka where "
              "ka.sifra055=:sifra055"}),
         B().i("sifra055", 906),
         sql({"insert into tavo.ka055lab (",
              "IZVID055, SSIF_GP1, REF__055, REFMI055, REFMA055, VRMIN055, VRMAX055, VRED_055, TOL__055,OPOZ_055, "
              "PREV_055, STIZP055, STDEC055, SIFRA055, RESUL055, SIFRA, INSTR, INSTRU,LAB, ULAB, TIP_IZPIS, SK_IZPIS, "
              "RSIFRA, PIKE, RED, VKLOP,RMIMO055,RMAMO055,RMIZE055,RMAZE055,SIFRA069,DATUMIPL,USER_IPL)",
              "  values (",
              ":IZVID055, :SSIF_GP1, :REF__055, :REFMI055, :REFMA055, :VRMIN055, :VRMAX055, :VRED_055, "
              ":TOL__055,:OPOZ_055, :PREV_055, :STIZP055, :STDEC055, :SIFRA055, :RESUL055, :SIFRA, :INSTR, "
              ":INSTRU,:LAB, :ULAB, :TIP_IZPIS, :SK_IZPIS, :RSIFRA, :PIKE, :RED, "
              ":VKLOP,:RMIMO055,:RMAMO055,:RMIZE055,:RMAZE055,:SIFRA069,to_date(:DATUMIPL,'DD.MM.YYYY "
              "HH24:MI:SS'),:USER_IPL)"}),
         B().s("IZVID055", "L").s("SSIF_GP1", nullptr).s("REF__055", "1-2").f("REFMI055", 1.5).f("REFMA055", -0.25)
             .f("VRMIN055", QVariant()).f("VRMAX055", 100.0).s("VRED_055", nullptr).f("TOL__055", 0.1)
             .f("OPOZ_055", QVariant()).s("PREV_055", nullptr).s("STIZP055", nullptr).i("STDEC055", 2)
             .i("SIFRA055", 906).s("RESUL055", nullptr).f("SIFRA", 12.0).f("INSTR", QVariant()).f("INSTRU", QVariant())
             .f("LAB", 1.0).f("ULAB", QVariant()).f("TIP_IZPIS", 2.0).f("SK_IZPIS", QVariant()).s("RSIFRA", "R")
             .f("PIKE", QVariant()).f("RED", 3.0).f("VKLOP", 1.0).f("RMIMO055", QVariant()).f("RMAMO055", QVariant())
             .f("RMIZE055", QVariant()).f("RMAZE055", QVariant()).i("SIFRA069", QVariant()).s("DATUMIPL", dateOld)
             .s("USER_IPL", "IZVOR"),
         sql({"update tavo.ka055lab set ",
              "IZVID055=:IZVID055, SSIF_GP1=:SSIF_GP1, REF__055=:REF__055, REFMI055=:REFMI055, REFMA055=:REFMA055, "
              "VRMIN055=:VRMIN055, VRMAX055=:VRMAX055, VRED_055=:VRED_055, TOL__055=:TOL__055,OPOZ_055=:OPOZ_055, "
              "PREV_055=:PREV_055, STIZP055=:STIZP055, STDEC055=:STDEC055, RESUL055=:RESUL055, SIFRA=:SIFRA, "
              "INSTR=:INSTR, INSTRU=:INSTRU,LAB=:LAB, ULAB=:ULAB, TIP_IZPIS=:TIP_IZPIS, SK_IZPIS=:SK_IZPIS, "
              "RSIFRA=:RSIFRA, PIKE=:PIKE, RED=:RED, "
              "VKLOP=:VKLOP,RMIMO055=:RMIMO055,RMAMO055=:RMAMO055,RMIZE055=:RMIZE055,RMAZE055=:RMAZE055,SIFRA069=:"
              "SIFRA069,DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'),USER_IPL=:USER_IPL",
              " where SIFRA055=:SIFRA055 "}),
         B().s("IZVID055", "M").s("SSIF_GP1", nullptr).s("REF__055", nullptr).f("REFMI055", QVariant())
             .f("REFMA055", 2.5).f("VRMIN055", QVariant()).f("VRMAX055", QVariant()).s("VRED_055", nullptr)
             .f("TOL__055", QVariant()).f("OPOZ_055", QVariant()).s("PREV_055", nullptr).s("STIZP055", nullptr)
             .i("STDEC055", 1).s("RESUL055", nullptr).f("SIFRA", QVariant()).f("INSTR", 4.0).f("INSTRU", QVariant())
             .f("LAB", QVariant()).f("ULAB", QVariant()).f("TIP_IZPIS", QVariant()).f("SK_IZPIS", QVariant())
             .s("RSIFRA", nullptr).f("PIKE", QVariant()).f("RED", QVariant()).f("VKLOP", QVariant())
             .f("RMIMO055", QVariant()).f("RMAMO055", QVariant()).f("RMIZE055", QVariant()).f("RMAZE055", QVariant())
             .i("SIFRA069", QVariant()).s("DATUMIPL", dateNew).s("USER_IPL", "IZVOR2"),
         "SIFRA055",
         {"izvid055", "ref__055", "refmi055", "refma055", "vrmax055", "tol__055", "stdec055", "sifra", "instr", "lab",
          "tip_izpis", "rsifra", "red", "vklop", "datipl", "user_ipl"},
         rows({"L|1-2|1.5|-0.25|100|0.1|2|12||1|2|R|3|1|05.03.2016 08:15:00|IZVOR"}),
         rows({"M|||2.5|||1||4||||||06.03.2016 00:00:00|IZVOR2"})},
        {"KA062NHH", "ALTER TRIGGER TAVO.BTKA062NHH DISABLE", "ALTER TRIGGER TAVO.BTKA062NHH ENABLE",
         sql({"select ka.*,to_char(ka.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka062nhh ka where "
              "ka.sifra055=:sifra055 and ka.sifra011=:sifra011"}),
         B().i("sifra055", 906).i("sifra011", 100),
         sql({"insert into tavo.ka062NHH",
              "(SIFRA055, SIFRA011, SIFRA062, KOL1_062, STAT_062, DATUMIPL, USER_IPL)", "  values ",
              "(:SIFRA055, :SIFRA011, tavo.getSequence('KA062NHH'), :KOL1_062, :STAT_062, to_date(:DATUMIPL,'DD.MM."
              "YYYY HH24:MI:SS'), :USER_IPL)"}),
         B().i("SIFRA055", 906).i("SIFRA011", 100).f("KOL1_062", 0.5).s("STAT_062", "1").s("DATUMIPL", dateOld)
             .s("USER_IPL", "IZVOR"),
         sql({"update tavo.ka062NHH set ",
              "KOL1_062=:KOL1_062, STAT_062=:STAT_062, DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), "
              "USER_IPL=:USER_IPL ",
              "  where SIFRA062=:SIFRA062 "}),
         B().f("KOL1_062", 1.25).s("STAT_062", "1").s("DATUMIPL", dateNew).s("USER_IPL", "IZVOR2"),
         "SIFRA062",
         {"kol1_062", "stat_062", "datipl", "user_ipl"},
         rows({"0.5|1|05.03.2016 08:15:00|IZVOR"}),
         rows({"1.25|1|06.03.2016 00:00:00|IZVOR2"})},
    };

    for (const WriteCase &c : cases) {
        SCOPED_TRACE(c.table);
        try {
            if (*c.triggerOff)
                execute(session, literal({c.triggerOff}));
            EXPECT_EQ(select(session, c.exists, c.existsBinds, c.columns), "") << "no row before the insert";
            EXPECT_EQ(execute(session, c.insert, c.insertBinds), 1);
            session.Commit();
            EXPECT_EQ(select(session, c.exists, c.existsBinds, c.columns), c.afterInsert);
            if (!c.update.isEmpty()) {
                const qint64 key = [&] {
                    TOracleDataSet q(&session);
                    q.SQL = c.exists;
                    for (const Bind &b : c.existsBinds) {
                        q.DeclareVariable(b.name, b.type);
                        q.SetVariable(b.name, b.value);
                    }
                    q.Open();
                    const qint64 k = q.Eof() ? 0 : q.FieldByName(QString::fromLatin1(c.keyName)).AsInteger();
                    q.Close();
                    return k;
                }();
                EXPECT_GE(key, 1);
                Binds ub = c.updateBinds;
                ub.push_back({QString::fromLatin1(c.keyName), otInteger, key});
                EXPECT_EQ(execute(session, c.update, ub), 1);
                session.Commit();
                EXPECT_EQ(select(session, c.exists, c.existsBinds, c.columns), c.afterUpdate);
            }
            if (*c.triggerOn)
                execute(session, literal({c.triggerOn}));
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(GroupRefresh, ObsoleteLinksAreDeletedThroughTheLockedRows)
{
    run(session, {"insert into ka060ak0 (sifra060,code_060,stat_060) values (920,'A20','1')",
                  "insert into ka060ak0 (sifra060,code_060,stat_060) values (930,'A30','1')",
                  "insert into ka061grp (sifra061,code_061,type_061,stat_061) values (902,'G2','H','1')",
                  "insert into po061grp (idpo_061,sifra061,sifra060) values (1,901,910)",
                  "insert into po061grp (idpo_061,sifra061,sifra060) values (2,901,920)",
                  "insert into po061grp (idpo_061,sifra061,sifra060) values (3,901,930)",
                  "insert into po061grp (idpo_061,sifra061,sifra060) values (4,902,920)",
                  "insert into po061spg (idpo_061,sifra061,sifra031) values (1,901,1)",
                  "insert into po061spg (idpo_061,sifra061,sifra031) values (2,901,2)",
                  "insert into po065hc0 (idpo_065,sifra061,sifra055) values (1,901,905)",
                  "insert into po065hc0 (idpo_065,sifra061,sifra055) values (2,901,906)",
                  "insert into po065hc0 (idpo_065,sifra061,sifra055) values (3,902,906)"});

    // Group key, as the removal gets it.
    EXPECT_EQ(select(session, sql({"select * from tavo.ka061grp where code_061=:KODA"}),
                     {{"KODA", otString, QStringLiteral("G1")}}, {"sifra061"}),
              "901");

    struct Case {
        const char *table;
        const char *head;
        const char *tail;
        const char *member;
        QStringList keep;
        const char *left; // what is left of the group's links (members, sorted)
        const char *check;
    };
    const Case cases[] = {
        {"PO061GRP", "select grp.rowid,grp.idpo_061,akt.code_060 from tavo.po061grp grp,tavo.ka060ak0 akt ",
         " and akt.sifra060=grp.sifra060 for update", "code_060", {"A10", "A30"}, "910,930",
         "select sifra060 from po061grp where sifra061=901 order by sifra060"},
        {"PO061SPG", "select spg.rowid,spg.*,org.code_031 from tavo.po061spg spg,tavo.kr031org org ",
         " and org.sifra031=spg.sifra031 for update", "code_031", {"D2"}, "2",
         "select sifra031 from po061spg where sifra061=901 order by sifra031"},
        {"PO065HC0", "select spg.rowid,spg.idpo_065,org.code_055 from tavo.po065hc0 spg,tavo.ka055hc0 org ",
         " and org.sifra055=spg.sifra055 for update", "code_055", {}, "",
         "select sifra055 from po065hc0 where sifra061=901 order by sifra055"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.table);
        try {
            TOracleDataSet q(&session);
            q.SQL = sql({c.head});
            q.SQL << QStringLiteral(" where sifra061=") + QString::number(901) + QString::fromLatin1(c.tail);
            q.Open();
            int visited = 0;
            while (!q.Eof()) {
                ++visited;
                if (c.keep.contains(q.FieldByName(QString::fromLatin1(c.member)).AsString()))
                    q.Next();
                else
                    q.Delete();
            }
            q.Close();
            EXPECT_EQ(visited, c.table == std::string("PO061GRP") ? 3 : 2);
            // Each deletion is committed at once: another session sees it.
            TOracleSession other;
            logon(other, QStringLiteral("TAVO"), QStringLiteral("TAVO"));
            TOracleDataSet r(&other);
            r.SQL = literal({c.check});
            r.Open();
            QStringList left;
            for (; !r.Eof(); r.Next())
                left << r.Field(0).AsString();
            r.Close();
            EXPECT_EQ(left.join(u','), QString::fromLatin1(c.left));
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
    // Links of the other group stay.
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from po061grp where sifra061=902")), QStringLiteral("1"));
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from po065hc0 where sifra061=902")), QStringLiteral("1"));
}

// ---------------------------------------------------------------- groups 023

class Groups023 : public StatementsTest {
protected:
    void SetUp() override
    {
        StatementsTest::SetUp();
        run(session,
            {"insert into ka055hc0 (sifra055,code_055,stat_055) values (6,'H6','1')",
             "insert into ka011nhc (sifra011,code_011,stat_011) values (100,'S1','1')",
             "insert into ka023grp (sifra023,code_023,desc_023,stat_023,datumcre,user_cre) values "
             "(901,'G1','prva','1',to_date('01.01.2020','DD.MM.YYYY'),'U1')",
             "insert into ka023grp (sifra023,code_023,desc_023,stat_023) values (902,'G10','deseta','1')",
             "insert into ka023grp (sifra023,code_023,desc_023,stat_023) values (903,'1','ena','1')",
             "insert into po011hc0 (idpo_011,sifra023,sifra055,ordin011,card_011,stat_011,datumcre) values "
             "(901,901,6,1,2,'1',to_date('02.01.2020 10:30:00','DD.MM.YYYY HH24:MI:SS'))",
             "insert into po023grp (idpo_023,sifra023,sifra011,stat_023,user_cre) values (901,901,100,'1','U2')"});
    }
};

TEST_F(Groups023, PreparationQueries)
{
    const QString list = QStringLiteral(",G1,G2,");
    EXPECT_EQ(sorted(select(session,
                            sql(QStringList{QStringLiteral("select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') "
                                                           "datipl from tavo.ka023grp grp where code_023 is not null "
                                                           "and instr('") +
                                            list + QStringLiteral("' ,code_023||',')>0")}),
                            {}, {"code_023", "desc_023", "user_cre", "datumcre"})),
              sorted(rows({"1|ena||", "G1|prva|U1|01.01.2020 00:00:00"})));
    EXPECT_EQ(select(session,
                     sql(QStringList{QStringLiteral("select hc.*,to_char(hc.datumipl,'DD.MM.YYYY HH24:MI:SS') "
                                                    "datipl,to_char(hc.datumcre,'DD.MM.YYYY HH24:MI:SS') datumcre, "
                                                    "kat.code_055,grp.code_023  from tavo.po011hc0 hc, tavo.ka055hc0 "
                                                    "kat , tavo.ka023grp grp where hc.sifra023 in (select sifra023 from "
                                                    "tavo.ka023grp where instr('") +
                                         list + QStringLiteral("' ,code_023||',')>0 ) ") +
                                         QStringLiteral("       and kat.sifra055=hc.sifra055  and grp.sifra023=hc.sifra023")}),
                     {}, {"code_023", "code_055", "ordin011", "card_011", "stat_011", "datumcre"}),
              rows({"G1|H6|1|2|1|02.01.2020 10:30:00"}));
    EXPECT_EQ(select(session,
                     sql(QStringList{QStringLiteral("select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') "
                                                    "datipl,to_char(grp.datumcre,'DD.MM.YYYY HH24:MI:SS') datumcre, "
                                                    "hc.code_011, kat.code_023  from tavo.po023grp grp, tavo.ka011nhc "
                                                    "hc, tavo.ka023grp kat  where grp.sifra023 in (select sifra023 from "
                                                    "tavo.ka023grp where instr('") +
                                         list + QStringLiteral("' ,code_023||',')>0 ) ") +
                                         QStringLiteral("       and hc.sifra011=grp.sifra011  and kat.sifra023=grp.sifra023 ")}),
                     {}, {"code_023", "code_011", "stat_023", "user_cre"}),
              rows({"G1|S1|1|U2"}));
}

TEST_F(Groups023, RefreshStatements)
{
    const QStringList exists = sql({"select grp.*,to_char(grp.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from "
                                    "tavo.ka023grp grp where code_023=:code_023"});
    const QStringList insert = sql({"insert into tavo.ka023grp",
                                    " (SIFRA023, DESC_023, CODE_023, STAT_023, TYPE_023,DATUMCRE,USER_CRE)", "  values",
                                    " (tavo.getSequence('KA023GRP'),:DESC_023,:CODE_023,:STAT_023, "
                                    ":TYPE_023,sysdate,tavo.pckLogParam.getUser)"});
    const QStringList update = sql({"update tavo.ka023grp set ", "  DESC_023=:DESC_023, TYPE_023=:TYPE_023, STAT_023=:STAT_023,",
                                    "  DATUMIPL=sysdate, USER_IPL=tavo.pckLogParam.getUser ", " WHERE SIFRA023=:SIFRA023"});
    EXPECT_EQ(select(session, exists, {{"code_023", otString, QStringLiteral("G5")}}, {"code_023"}), "");
    EXPECT_EQ(execute(session, insert,
                      B().s("DESC_023", "peta").s("CODE_023", "G5").s("STAT_023", "1").s("TYPE_023", "T")),
              1);
    session.Commit();
    EXPECT_EQ(select(session, exists, {{"code_023", otString, QStringLiteral("G5")}},
                     {"desc_023", "type_023", "user_cre", "datipl"}),
              rows({"peta|T|TAVO|"}));
    EXPECT_EQ(execute(session, update, B().s("DESC_023", "nova").s("TYPE_023", "T").s("STAT_023", "0").i("SIFRA023", 901)),
              1);
    session.Commit();
    EXPECT_EQ(select(session, exists, {{"code_023", otString, QStringLiteral("G1")}},
                     {"desc_023", "stat_023", "user_ipl"}),
              rows({"nova|0|TAVO"}));

    const QStringList groupLookup = sql({"select sifra023 from tavo.ka023grp where code_023=:code_023"});
    const QStringList hcLookup = sql({"select sifra055 from tavo.ka055hc0 where code_055=:code_055"});
    const QStringList serviceLookup = sql({"select sifra011 from tavo.ka011nhc where code_011=:code_011"});
    EXPECT_EQ(select(session, groupLookup, {{"code_023", otString, QStringLiteral("G10")}}, {"sifra023"}), "902");
    EXPECT_EQ(select(session, hcLookup, {{"code_055", otString, QStringLiteral("H6")}}, {"sifra055"}), "6");
    EXPECT_EQ(select(session, serviceLookup, {{"code_011", otString, QStringLiteral("S1")}}, {"sifra011"}), "100");

    const QStringList hcExists = sql({"select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl  from "
                                      "tavo.po011hc0 po where po.sifra023=:sifra023 and po.sifra055=:SIFRA055"});
    const QStringList hcInsert = sql({"insert into tavo.po011hc0",
                                      " (IDPO_011, SIFRA023, SIFRA055, ORDIN011, CARD_011, INF__011, STAT_011, "
                                      "DATUMCRE,USER_CRE)",
                                      "  values",
                                      " (tavo.getSequence('PO011HC0'),:SIFRA023,:SIFRA055,:ORDIN011,:CARD_011,:INF__011,:"
                                      "STAT_011,sysdate,tavo.pckLogParam.getUser)"});
    const QStringList hcUpdate = sql({"update tavo.po011hc0 set ",
                                      "  ORDIN011=:ORDIN011, CARD_011=:CARD_011,INF__011=:INF__011,STAT_011=:STAT_011",
                                      " WHERE IDPO_011=:IDPO_011"});
    const Binds g2h6{{"sifra023", otInteger, 902}, {"SIFRA055", otInteger, 6}};
    EXPECT_EQ(select(session, hcExists, g2h6, {"idpo_011"}), "");
    EXPECT_EQ(execute(session, hcInsert,
                      B().i("SIFRA023", 902).i("SIFRA055", 6).i("ORDIN011", 4).i("CARD_011", QVariant())
                          .s("INF__011", "info").s("STAT_011", "1")),
              1);
    session.Commit();
    EXPECT_EQ(select(session, hcExists, g2h6, {"ordin011", "card_011", "inf__011", "user_cre"}),
              rows({"4||info|TAVO"}));
    EXPECT_EQ(execute(session, hcUpdate,
                      B().i("ORDIN011", 5).i("CARD_011", 7).s("INF__011", nullptr).s("STAT_011", "0").i("IDPO_011", 901)),
              1);
    session.Commit();
    EXPECT_EQ(select(session, hcExists, {{"sifra023", otInteger, 901}, {"SIFRA055", otInteger, 6}},
                     {"ordin011", "card_011", "inf__011", "stat_011"}),
              rows({"5|7||0"}));

    const QStringList svcExists = sql({"select po.*,to_char(po.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl  from "
                                       "tavo.po023grp po where po.sifra023=:sifra023 and po.sifra011=:SIFRA011"});
    const QStringList svcInsert = sql({"insert into tavo.po023grp",
                                       " (IDPO_023, SIFRA023, SIFRA011, STAT_023, DATUMCRE,USER_CRE)", "  values",
                                       " (tavo.getSequence('PO023GRP'),:SIFRA023,:SIFRA011,:STAT_023,sysdate,:USER_CRE)"});
    const QStringList svcUpdate = sql({"update tavo.po023grp set ", "  STAT_023=:STAT_023", " WHERE IDPO_023=:IDPO_023"});
    EXPECT_EQ(execute(session, svcInsert,
                      B().i("SIFRA023", 902).i("SIFRA011", 100).s("STAT_023", "1").s("USER_CRE", "IZVOR")),
              1);
    EXPECT_EQ(execute(session, svcUpdate, B().s("STAT_023", "0").i("IDPO_023", 901)), 1);
    session.Commit();
    EXPECT_EQ(select(session, svcExists, {{"sifra023", otInteger, 902}, {"SIFRA011", otInteger, 100}},
                     {"stat_023", "user_cre"}),
              rows({"1|IZVOR"}));
    EXPECT_EQ(select(session, svcExists, {{"sifra023", otInteger, 901}, {"SIFRA011", otInteger, 100}},
                     {"stat_023", "user_cre"}),
              rows({"0|U2"}));
}

} // namespace
