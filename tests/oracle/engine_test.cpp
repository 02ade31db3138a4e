// The embedded engine through the layer: the dialect, transactions, blocks,
// CLOB locators, triggers, the data dictionary and errors, each against a
// fresh database in a scratch folder.
#include "oracle_test_support.h"

#include "oracle/engine.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <thread>

using namespace oratest;

namespace {

const char *const kSchema = R"SQL(
create table ODD (
  SIFRA031 NUMBER(10) not null,
  CODE_031 VARCHAR2(10),
  NAZIV031 VARCHAR2(40),
  STAT_031 CHAR(1),
  constraint PK_ODD primary key (SIFRA031),
  constraint UQ_ODD_CODE unique (CODE_031)
)
/
create table AKT (
  SIFRA060 NUMBER(10) not null,
  CODE_060 VARCHAR2(10),
  SIFRA031 NUMBER(10),
  TRAJ_060 NUMBER(12,2),
  DATUMIPL DATE,
  USER_IPL VARCHAR2(30),
  constraint PK_AKT primary key (SIFRA060)
)
/
create table PLA (
  SIFRA301 INTEGER,
  CODE_301 CHAR(8),
  OPIS_301 LONG
)
/
create table XMLT (
  SIFRAX03 NUMBER(10) not null,
  TYPE_X03 VARCHAR2(10),
  XML__003 CLOB,
  constraint PK_XMLT primary key (SIFRAX03)
)
/
insert into ODD (SIFRA031, CODE_031, NAZIV031, STAT_031) values (1, 'INT', 'Interna', '1')
/
insert into ODD (SIFRA031, CODE_031, NAZIV031, STAT_031) values (2, 'KIR', 'Kirurgija', '0')
/
insert into AKT (SIFRA060, CODE_060, SIFRA031, TRAJ_060, DATUMIPL) values (10, 'A10', 1, 12.5, to_date('05.03.2024 10:20:30','DD.MM.YYYY HH24:MI:SS'))
/
insert into AKT (SIFRA060, CODE_060, SIFRA031, TRAJ_060, DATUMIPL) values (11, 'A11', null, -0.25, to_date('28.02.2024','DD.MM.YYYY'))
/
insert into AKT (SIFRA060, CODE_060, SIFRA031, TRAJ_060, DATUMIPL) values (12, 'A1', 3, 12, to_date('01.12.2023 23:59','DD.MM.YYYY HH24:MI'))
/
commit
)SQL";

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<Db>(QStringList{QStringLiteral("TAVO"), QStringLiteral("FAKTUR")});
        s = db->logon();
        execAll(*s, QString::fromUtf8(kSchema));
    }
    std::unique_ptr<Db> db;
    std::unique_ptr<TOracleSession> s;
};

struct QueryCase {
    const char *name;
    const char *sql;
    QStringList expected;
};

TEST_F(Engine, QueriesReturnOracleResults)
{
    const QueryCase cases[] = {
        {"dual and literals", "select 'x' a, 12 b, 12.5 c, -0.25 d from dual", {"x|12|12.5|-0.25"}},
        {"number columns in their shortest form", "select traj_060 from akt order by sifra060", {"12.5", "-0.25", "12"}},
        {"a date reads as DD.MM.YYYY HH24:MI:SS", "select datumipl from akt where sifra060=10", {"05.03.2024 10:20:30"}},
        {"to_char with each format",
         "select to_char(datumipl,'DD.MM.YYYY HH24:MI:SS'), to_char(datumipl,'DD.MM.YYYY HH24:MI'), "
         "to_char(datumipl,'DD.MM.YYYY') from akt where sifra060=10",
         {"05.03.2024 10:20:30|05.03.2024 10:20|05.03.2024"}},
        {"to_date of to_char, to the minute",
         "select to_date(to_char(datumipl,'DD.MM.YYYY HH24:MI'),'DD.MM.YYYY HH24:MI') datum from akt where sifra060=10",
         {"05.03.2024 10:20:00"}},
        {"to_date accepts one-digit fields", "select to_date('1.1.1900','DD.MM.YYYY') from dual", {"01.01.1900 00:00:00"}},
        {"dates compare as dates",
         "select code_060 from akt where datumipl >= to_date('01.01.2024','DD.MM.YYYY') order by datumipl",
         {"A11", "A10"}},
        {"dates sort as dates", "select code_060 from akt order by datumipl desc", {"A10", "A11", "A1"}},
        {"max of a date is a date", "select max(datumipl) from akt", {"05.03.2024 10:20:30"}},
        {"rtrim, upper, nvl, ||", "select rtrim('ab  ')||'|', upper('šab'), nvl(sifra031, -1) from akt where sifra060=11",
         {"ab||ŠAB|-1"}},
        {"|| treats NULL as empty", "select 'a'||null||'b' from dual", {"ab"}},
        {"instr substring test of a list",
         "select code_060 from akt where instr('A10,A11,' ,code_060||',')>0 order by code_060", {"A10", "A11"}},
        {"count, max, alias without blank", "select count(*) n, max(sifra060)zadnja from akt", {"3|12"}},
        {"group by with order by desc", "select sifra031, count(*) from akt group by sifra031 order by sifra031 desc",
         {"|1", "3|1", "1|1"}},
        {"union and a subquery with alias",
         "select code from (select code_060 code from akt where sifra060=10 union select code_031 from odd) x "
         "order by code",
         {"A10", "INT", "KIR"}},
        {"minus", "select sifra031 from odd minus select sifra031 from akt", {"2"}},
        {"in with a grouped subquery",
         "select code_031 from odd where sifra031 in (select sifra031 from akt group by sifra031)", {"INT"}},
        {"correlated subquery",
         "select code_060 from akt a where traj_060=(select max(traj_060) from akt where sifra060=a.sifra060) "
         "and sifra060=10",
         {"A10"}},
        {"owner.table and owner.table.column",
         "select tavo.akt.code_060, odd.code_031 from tavo.akt, tavo.odd where odd.sifra031=akt.sifra031",
         {"A10|INT"}},
        {"outer join with (+)",
         "select ak.code_060, odd.code_031 from akt ak, odd where odd.sifra031(+)=ak.sifra031 order by ak.code_060",
         {"A1|", "A10|INT", "A11|"}},
        {"outer join with a constant on the outer table",
         "select ak.code_060, odd.code_031 from akt ak, odd where odd.sifra031(+)=ak.sifra031 and odd.stat_031(+)='0' "
         "order by ak.code_060",
         {"A1|", "A10|", "A11|"}},
        {"two outer-joined tables",
         "select ak.code_060, o1.code_031, o2.code_031 from akt ak, odd o1, odd o2 "
         "where o1.sifra031(+)=ak.sifra031 and o2.sifra031(+)=ak.sifra031 and ak.sifra060=10",
         {"A10|INT|INT"}},
        {"like is case-sensitive", "select count(*) from odd where code_031 like 'i%'", {"0"}},
        {"like with an empty pattern selects nothing", "select count(*) from odd where (code_031 like '')", {"0"}},
        {"between and is null", "select code_060 from akt where sifra031 is null or sifra060 between 12 and 20 order by 1",
         {"A1", "A11"}},
        {"case and decode",
         "select case when stat_031='1' then 'on' else 'off' end, decode(stat_031,'1','D','N') from odd order by sifra031",
         {"on|D", "off|N"}},
        {"arithmetic keeps decimals", "select 7/2, 6/3, 0.1+0.2, mod(7,3) from dual", {"3.5|2|0.3|1"}},
        {"date arithmetic", "select to_date('28.02.2024','DD.MM.YYYY')+1 from dual", {"29.02.2024 00:00:00"}},
        {"substr, lpad, length", "select substr('abcdef',2,3), lpad('7',3,'0'), length('abc') from dual", {"bcd|007|3"}},
        {"empty text is NULL", "select nvl('', 'null') from dual", {"null"}},
        {"to_char of a number", "select to_char(12.5), to_char(3,'FM000') from dual", {"12.5|003"}},
        {"rownum limits the rows", "select count(*) from (select code_060 from akt where rownum <= 2)", {"2"}},
        {"ANSI left join", "select a.code_060, o.code_031 from akt a left join odd o on o.sifra031 = a.sifra031 "
                           "order by 1", {"A1|", "A10|INT", "A11|"}},
        {"exists", "select code_031 from odd o where exists (select 1 from akt where sifra031 = o.sifra031)", {"INT"}},
    };
    for (const QueryCase &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            EXPECT_EQ(rows(*s, QString::fromUtf8(c.sql)), c.expected) << c.sql;
        } catch (const EMoxError &e) {
            ADD_FAILURE() << c.sql << "\n" << e.what();
        }
    }
}

TEST_F(Engine, ColumnNamesAreOracles)
{
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select ak.*, odd.code_031, traj_060*2, 1+2 from akt ak, odd where ak.sifra031=odd.sifra031");
    q.Open();
    QStringList names;
    for (int i = 0; i < q.FieldCount(); ++i)
        names << q.FieldName(i);
    EXPECT_EQ(names, (QStringList{"SIFRA060", "CODE_060", "SIFRA031", "TRAJ_060", "DATUMIPL", "USER_IPL", "CODE_031",
                                  "TRAJ_060*2", "1+2"}));
    EXPECT_EQ(q.FieldByName(QStringLiteral("code_031")).AsString(), QStringLiteral("INT"));
    EXPECT_THROW(q.FieldByName(QStringLiteral("NO_SUCH")), EMoxError);
}

TEST_F(Engine, LongResultReadsToItsEndAndFirstStartsAgain)
{
    // Rows already read are let go in blocks; First() then runs the query again.
    TOracleQuery ddl(s.get());
    ddl.SQL << QStringLiteral("create table dolga (n number(10))");
    ddl.Execute();
    TOracleQuery ins(s.get());
    ins.SQL << QStringLiteral("insert into dolga (n) values (:n)");
    ins.DeclareVariable(QStringLiteral("n"), otInteger);
    for (int i = 1; i <= 2500; ++i) {
        ins.SetVariable(QStringLiteral("n"), i);
        ins.Execute();
    }
    s->Commit();

    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select n from dolga where n > :od order by n");
    q.DeclareVariable(QStringLiteral("od"), otInteger);
    q.SetVariable(QStringLiteral("od"), 0);
    q.Open();
    qint64 sum = 0, count = 0, last = 0;
    for (; !q.Eof(); q.Next()) {
        last = q.FieldByName(QStringLiteral("N")).AsInteger();
        sum += last;
        ++count;
    }
    EXPECT_EQ(count, 2500);
    EXPECT_EQ(last, 2500);
    EXPECT_EQ(sum, 2500 * 2501 / 2);
    q.First();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName(QStringLiteral("N")).AsInteger(), 1);
    q.Next();
    EXPECT_EQ(q.FieldByName(QStringLiteral("N")).AsInteger(), 2);
}

TEST_F(Engine, LayerReadsValuesAndNulls)
{
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select sifra060, traj_060, datumipl, sifra031, user_ipl from akt where sifra060 = :id");
    q.DeclareVariable(QStringLiteral("ID"), otInteger);
    q.SetVariable(QStringLiteral("id"), 11);
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName(QStringLiteral("SIFRA060")).AsInteger(), 11);
    EXPECT_DOUBLE_EQ(q.FieldByName(QStringLiteral("TRAJ_060")).AsFloat(), -0.25);
    EXPECT_EQ(q.FieldByName(QStringLiteral("DATUMIPL")).AsDateTime(), QDateTime(QDate(2024, 2, 28), QTime(0, 0)));
    EXPECT_EQ(q.FieldByName(QStringLiteral("SIFRA031")).AsString(), QString());
    EXPECT_EQ(q.FieldByName(QStringLiteral("SIFRA031")).AsInteger(), 0);
    EXPECT_TRUE(q.FieldByName(QStringLiteral("USER_IPL")).IsNull());
    q.Next();
    EXPECT_TRUE(q.Eof());
    q.First();
    EXPECT_FALSE(q.Eof());
    q.Close();

    // the variable stays bound for the next opening
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("SIFRA060")).AsInteger(), 11);
    q.Close();

    // an empty result is at its end at once
    q.SetVariable(QStringLiteral("ID"), 999);
    q.Open();
    EXPECT_TRUE(q.Eof());
    q.Close();

    // a Null binds as NULL
    q.SetVariable(QStringLiteral("ID"), QVariant());
    q.Open();
    EXPECT_TRUE(q.Eof());
}

TEST_F(Engine, BindingDatesNumbersAndTexts)
{
    TOracleQuery ins(s.get());
    ins.SQL << QStringLiteral("insert into akt (sifra060, code_060, traj_060, datumipl, user_ipl)")
            << QStringLiteral(" values (:sifra060, :code_060, :traj_060, :datumipl, :user_ipl)");
    ins.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
    ins.DeclareVariable(QStringLiteral("CODE_060"), otString);
    ins.DeclareVariable(QStringLiteral("TRAJ_060"), otFloat);
    ins.DeclareVariable(QStringLiteral("DATUMIPL"), otDate);
    ins.DeclareVariable(QStringLiteral("USER_IPL"), otString);
    ins.SetVariable(QStringLiteral("SIFRA060"), 20);
    ins.SetVariable(QStringLiteral("CODE_060"), QStringLiteral("B20"));
    ins.SetVariable(QStringLiteral("TRAJ_060"), 1.239);
    ins.SetVariable(QStringLiteral("DATUMIPL"), QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)));
    ins.SetVariable(QStringLiteral("USER_IPL"), QString());
    ins.Execute();
    EXPECT_EQ(ins.RowsProcessed(), 1);
    ins.SetVariable(QStringLiteral("SIFRA060"), QStringLiteral("21"));
    ins.SetVariable(QStringLiteral("CODE_060"), QStringLiteral("B21"));
    ins.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("02.01.2023 03:04:05"));
    ins.Execute();
    // NUMBER(12,2) rounds; an empty text is NULL; a date bound as text reads the same
    EXPECT_EQ(rows(*s, QStringLiteral("select sifra060, traj_060, datumipl, nvl(user_ipl,'null') from akt where "
                                      "sifra060 >= 20 order by 1")),
              (QStringList{"20|1.24|02.01.2023 03:04:05|null", "21|1.24|02.01.2023 03:04:05|null"}));
}

TEST_F(Engine, CharColumnsAreBlankPadded)
{
    exec(*s, QStringLiteral("insert into pla (sifra301, code_301) values (1, 'AB')"));
    EXPECT_EQ(rows(*s, QStringLiteral("select code_301||'|' from pla")), QStringList{"AB      |"});
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select count(*) n from pla where code_301 = :code");
    q.DeclareVariable(QStringLiteral("code"), otString);
    q.SetVariable(QStringLiteral("code"), QStringLiteral("AB      "));
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("N")).AsInteger(), 1) << "a padded key matches";
    q.Close();
    q.SetVariable(QStringLiteral("code"), QStringLiteral("AB"));
    q.Open();
    EXPECT_EQ(q.FieldByName(QStringLiteral("N")).AsInteger(), 0) << "an unpadded key does not";
    q.Close();
    // a text literal compares blank-padded with a CHAR column, as in Oracle
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from pla where code_301 = 'AB' and code_301 in ('AB', 'X')")),
              QStringList{"1"});
    exec(*s, QStringLiteral("update pla set code_301 = 'XY' where sifra301 = 1"));
    EXPECT_EQ(rows(*s, QStringLiteral("select length(code_301) from pla")), QStringList{"8"});
}

TEST_F(Engine, OpenQuerySurvivesWritesCommitsAndRollbacks)
{
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select sifra060 from akt order by sifra060");
    q.Open();
    EXPECT_EQ(q.Field(0).AsInteger(), 10);
    exec(*s, QStringLiteral("insert into akt (sifra060, code_060) values (5, 'NEW')"));
    s->Commit();
    q.Next();
    EXPECT_EQ(q.Field(0).AsInteger(), 11) << "the query reads the rows as they were when it opened";
    exec(*s, QStringLiteral("delete from akt where sifra060 = 12"));
    s->Rollback();
    q.Next();
    EXPECT_EQ(q.Field(0).AsInteger(), 12);
    q.Next();
    EXPECT_TRUE(q.Eof());
    q.First();
    EXPECT_EQ(q.Field(0).AsInteger(), 10);
}

TEST_F(Engine, TextsRunAgainByNewStatementObjectsFollowDdl)
{
    // a statement object made per call runs a text the session has prepared
    // before; after DDL the text means what the tables now are
    exec(*s, QStringLiteral("create table KT (A NUMBER)"));
    exec(*s, QStringLiteral("insert into kt values (1)"));
    const QString all = QStringLiteral("select * from kt");
    EXPECT_EQ(rows(*s, all), QStringList{"1"});
    EXPECT_EQ(rows(*s, all), QStringList{"1"});
    exec(*s, QStringLiteral("insert into kt values (2)"));
    EXPECT_EQ(rows(*s, all + QStringLiteral(" order by a")), (QStringList{"1", "2"}));
    exec(*s, QStringLiteral("alter table kt add (B VARCHAR2(5) default 'x')"));
    EXPECT_EQ(rows(*s, all + QStringLiteral(" order by a")), (QStringList{"1|x", "2|x"}));
    exec(*s, QStringLiteral("drop table kt"));
    EXPECT_TRUE(errorOf(*s, all).startsWith(QLatin1String("ORA-00942"))) << errorOf(*s, all).toStdString();
}

TEST_F(Engine, InsertFromAQuery)
{
    exec(*s, QStringLiteral("insert into pla (sifra301, code_301, opis_301) select sifra060, code_060, 'o' from akt "
                            "where sifra060 < 12"));
    EXPECT_EQ(rows(*s, QStringLiteral("select sifra301, code_301 || '|', opis_301 from pla order by 1")),
              (QStringList{"10|A10     ||o", "11|A11     ||o"}));
}

TEST_F(Engine, TransactionsBetweenTwoSessions)
{
    auto other = db->logon();
    exec(*s, QStringLiteral("insert into odd (sifra031, code_031) values (3, 'NEW')"));
    const QString count = QStringLiteral("select count(*) from tavo.odd");
    EXPECT_EQ(rows(*s, count), QStringList{"3"}) << "the session sees its own write";
    EXPECT_EQ(rows(*other, count), QStringList{"2"}) << "nothing is visible before Commit";
    s->Commit();
    EXPECT_EQ(rows(*other, count), QStringList{"3"});

    // a failed statement leaves the earlier writes in the open transaction
    exec(*s, QStringLiteral("insert into odd (sifra031, code_031) values (4, 'FOUR')"));
    EXPECT_THROW(exec(*s, QStringLiteral("insert into odd (sifra031, code_031) values (5, 'FOUR')")), EMoxError);
    EXPECT_EQ(rows(*s, count), QStringList{"4"});
    s->Rollback();
    EXPECT_EQ(rows(*s, count), QStringList{"3"}) << "Rollback undoes";

    // DDL commits the open transaction
    exec(*s, QStringLiteral("insert into odd (sifra031, code_031) values (6, 'SIX')"));
    exec(*s, QStringLiteral("create table t_ddl (a number)"));
    s->Rollback();
    EXPECT_EQ(rows(*other, count), QStringList{"4"});

    // logging off commits, as ending an Oracle session does
    exec(*s, QStringLiteral("delete from odd where sifra031 = 6"));
    s->setConnected(false);
    EXPECT_EQ(rows(*other, count), QStringList{"3"});
    s->setConnected(true);
    EXPECT_EQ(rows(*s, count), QStringList{"3"});
}

TEST_F(Engine, BlocksAssignOutVariables)
{
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("begin :naslednji:=tavo.getSequence('KG000SS0'); end;");
    q.DeclareVariable(QStringLiteral("naslednji"), otInteger);
    q.Open();
    const qint64 first = q.GetVariable(QStringLiteral("NASLEDNJI")).AsInteger();
    q.Close();
    q.Open();
    const qint64 second = q.GetVariable(QStringLiteral("naslednji")).AsInteger();
    q.Close();
    EXPECT_GE(first, 1);
    EXPECT_EQ(second, first + 1);

    // never reused: a rollback does not give the number back, nor does a new session
    s->Rollback();
    auto other = db->logon();
    TOracleDataSet q2(other.get());
    q2.SQL << QStringLiteral("begin") << QStringLiteral(":n := getSequence('KG000SS0');") << QStringLiteral("end;");
    q2.DeclareVariable(QStringLiteral("N"), otInteger);
    q2.Open();
    EXPECT_EQ(q2.GetVariable(QStringLiteral("N")).AsInteger(), second + 1);

    // a name that is a table with a numeric key continues above its keys
    EXPECT_EQ(rows(*s, QStringLiteral("select tavo.getSequence('AKT') from dual")), QStringList{"13"});
    exec(*s, QStringLiteral("insert into akt (sifra060, code_060) values (tavo.getSequence('AKT'), 'S')"));
    EXPECT_EQ(rows(*s, QStringLiteral("select sifra060 from akt where code_060='S'")), QStringList{"14"});
}

// The getSequence counters are shared in memory through the folder's
// keys.map; the catalog keeps a copy that sessions bring up to date when they
// end. A catalog whose file is missing, older or left by another database
// never hands out a number twice or starts a new database's counters high.
TEST_F(Engine, GetSequenceCountersFileAndCatalogCopy)
{
    const QString next = QStringLiteral("select getSequence('KG000SS0') from dual");
    const QString folder = oraembed::databaseFolder(db->alias());
    const QString keys = folder + QStringLiteral("/keys.map");
    EXPECT_EQ(rows(*s, next), QStringList{"1"});
    EXPECT_EQ(rows(*s, next), QStringList{"2"});
    s->setConnected(false);

    ASSERT_TRUE(QFile::remove(keys));
    s->setConnected(true);
    EXPECT_EQ(rows(*s, next), QStringList{"3"}) << "without the file, the counter goes on from the catalog's copy";
    s->setConnected(false);

    const QString older = folder + QStringLiteral("/keys.older");
    ASSERT_TRUE(QFile::copy(keys, older));
    s->setConnected(true);
    EXPECT_EQ(rows(*s, next), QStringList{"4"});
    EXPECT_EQ(rows(*s, next), QStringList{"5"});
    s->setConnected(false);
    ASSERT_TRUE(QFile::remove(keys));
    ASSERT_TRUE(QFile::rename(older, keys));
    s->setConnected(true);
    EXPECT_EQ(rows(*s, next), QStringList{"6"}) << "an older file is raised to the catalog's copy";

    // a name too long for the file keeps its counter in the catalog
    const QString longName = QStringLiteral("select getSequence('%1') from dual").arg(QString(120, u'Ž'));
    EXPECT_EQ(rows(*s, longName), QStringList{"1"});
    auto other = db->logon();
    EXPECT_EQ(rows(*other, longName), QStringList{"2"});
    EXPECT_EQ(rows(*s, longName), QStringList{"3"});
    other.reset();
    s->setConnected(false);

    // a new database in a folder that still holds counters starts afresh
    const QString stale = QDir(oraembed::databaseRoot()).filePath(QStringLiteral("FRESH"));
    ASSERT_TRUE(QDir().mkpath(stale));
    ASSERT_TRUE(QFile::copy(keys, stale + QStringLiteral("/keys.map")));
    oraembed::createDatabase(QStringLiteral("FRESH"));
    oraembed::createUser(QStringLiteral("FRESH"), QStringLiteral("TAVO"), QStringLiteral("tavo"));
    EXPECT_EQ(rows(*logonTo(QStringLiteral("FRESH"), QStringLiteral("TAVO")), next), QStringList{"1"});
}

TEST_F(Engine, LoggingPackageAndRollbackSegment)
{
    const QString who = QStringLiteral("select tavo.pckLogParam.getUser, pckLogParam.getUser() from dual");
    EXPECT_EQ(rows(*s, who), QStringList{"TAVO|TAVO"});
    exec(*s, QStringLiteral("begin \r\n tavo.pckLogParam.initParam('ORN'); \r\nend; "));
    EXPECT_EQ(rows(*s, who), QStringList{"ORN|ORN"});
    // the marker belongs to the session
    auto other = db->logon();
    EXPECT_EQ(rows(*other, who), QStringList{"TAVO|TAVO"});

    exec(*s, QStringLiteral("begin\norna_util.activateLARGERB('LARGERB','ONLINE');\nend;").replace(
                 QStringLiteral("orna_util"), QStringLiteral("faktur")));
    EXPECT_EQ(rows(*s, QStringLiteral("select segment_name, status from dba_rollback_segs")),
              QStringList{"LARGERB|ONLINE"});
    exec(*s, QStringLiteral("begin faktur.activateLARGERB('LARGERB','OFFLINE'); end;"));
    EXPECT_EQ(rows(*s, QStringLiteral("select status from dba_rollback_segs where segment_name='LARGERB'")),
              QStringList{"OFFLINE"});
    EXPECT_NE(errorOf(*s, QStringLiteral("begin nobody.activateLARGERB('LARGERB','ONLINE'); end;")), QString());
}

TEST_F(Engine, ClobReturningPath)
{
    const QString text = QString(5000, u'x') + QStringLiteral("<čšž/>");
    TOracleQuery ins(s.get());
    ins.SQL << QStringLiteral("insert into xmlt ( SIFRAX03, TYPE_X03, XML__003) values (:SIFRAX03,:TYPE_X03,empty_clob()) "
                              "returning XML__003 into :XML__003");
    ins.DeclareVariable(QStringLiteral("sifrax03"), otInteger);
    ins.DeclareVariable(QStringLiteral("type_x03"), otString);
    ins.DeclareVariable(QStringLiteral("xml__003"), otCLOB);
    ins.SetVariable(QStringLiteral("sifrax03"), 7);
    ins.SetVariable(QStringLiteral("type_x03"), QStringLiteral("T"));
    TLOBLocator lob(s.get(), otCLOB);
    ins.SetComplexVariable(QStringLiteral("xml__003"), &lob);
    ins.Execute();
    lob.Write(text);
    s->Commit();
    auto other = db->logon();
    EXPECT_EQ(rows(*other, QStringLiteral("select xml__003 from xmlt where sifrax03=7")), QStringList{text});

    TOracleQuery upd(s.get());
    upd.SQL << QStringLiteral("update xmlt set TYPE_X03=:TYPE_X03, XML__003=empty_clob() where sifrax03=:sifrax03  "
                              "returning XML__003 INTO :XML__003 ");
    upd.DeclareVariable(QStringLiteral("sifrax03"), otInteger);
    upd.DeclareVariable(QStringLiteral("type_x03"), otString);
    upd.DeclareVariable(QStringLiteral("xml__003"), otCLOB);
    upd.SetVariable(QStringLiteral("sifrax03"), 7);
    upd.SetVariable(QStringLiteral("type_x03"), QStringLiteral("U"));
    TLOBLocator lob2(s.get(), otCLOB);
    upd.SetComplexVariable(QStringLiteral("XML__003"), &lob2);
    upd.Execute();
    EXPECT_EQ(upd.RowsProcessed(), 1);
    lob2.Write(QStringLiteral("<new/>"));
    EXPECT_EQ(lob2.Read(), QStringLiteral("<new/>"));
    s->Commit();
    EXPECT_EQ(rows(*other, QStringLiteral("select type_x03, xml__003 from xmlt")), QStringList{"U|<new/>"});

    // a locator that no statement filled cannot be written, nor one from an
    // earlier logon
    TLOBLocator unused(s.get(), otCLOB);
    EXPECT_THROW(unused.Write(QStringLiteral("x")), EMoxError);
    s->setConnected(false);
    s->setConnected(true);
    EXPECT_THROW(lob2.Write(QStringLiteral("late")), EMoxError);
}

TEST_F(Engine, ReturningIntoPlainVariable)
{
    TOracleQuery ins(s.get());
    ins.SQL << QStringLiteral("insert into odd (sifra031, code_031) values (getSequence('ODD'), 'RET') "
                              "returning sifra031 into :id");
    ins.DeclareVariable(QStringLiteral("id"), otInteger);
    ins.Execute();
    EXPECT_EQ(ins.GetVariable(QStringLiteral("id")).AsInteger(), 3);
}

TEST_F(Engine, DeleteByRowidCommits)
{
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select a.rowid, a.sifra060, a.code_060 from tavo.akt a ")
          << QStringLiteral(" where sifra060 >= 10 order by sifra060 for update");
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldByName(QStringLiteral("CODE_060")).AsString(), QStringLiteral("A10"));
    q.Next();
    EXPECT_EQ(q.FieldByName(QStringLiteral("CODE_060")).AsString(), QStringLiteral("A11"));
    q.Delete();
    EXPECT_EQ(q.FieldByName(QStringLiteral("CODE_060")).AsString(), QStringLiteral("A1")) << "moves to the next row";
    q.Close();
    auto other = db->logon();
    EXPECT_EQ(rows(*other, QStringLiteral("select code_060 from akt order by sifra060")),
              (QStringList{"A10", "A1"})) << "the delete is committed at once";
    // a rowid also works in a statement of its own
    const QString rid = rows(*s, QStringLiteral("select rowid from akt where sifra060=12")).value(0);
    TOracleQuery del(s.get());
    del.SQL << QStringLiteral("delete from akt where rowid = :r");
    del.DeclareVariable(QStringLiteral("r"), otString);
    del.SetVariable(QStringLiteral("r"), rid);
    del.Execute();
    EXPECT_EQ(del.RowsProcessed(), 1);
}

TEST_F(Engine, TriggersSwitchOffAndOn)
{
    execAll(*s, QStringLiteral("create or replace trigger BTAKT before insert or update on AKT for each row "
                               "begin :new.DATUMIPL := sysdate; :new.USER_IPL := pckLogParam.getUser; end;"));
    const QString old = QStringLiteral("to_date('01.01.2000','DD.MM.YYYY')");
    exec(*s, QStringLiteral("insert into akt (sifra060, code_060, datumipl) values (30, 'T1', %1)").arg(old));
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*), max(user_ipl) from akt where sifra060=30 and datumipl > %1").arg(old)),
              QStringList{"1|TAVO"})
        << "the trigger sets the change time";

    exec(*s, QStringLiteral("alter trigger tavo.BTAKT disable"));
    EXPECT_EQ(rows(*s, QStringLiteral("select status from dba_triggers where table_owner='TAVO' and table_name='AKT'")),
              QStringList{"DISABLED"});
    exec(*s, QStringLiteral("insert into akt (sifra060, code_060, datumipl) values (31, 'T2', %1)").arg(old));
    exec(*s, QStringLiteral("update akt set datumipl = %1 where sifra060 = 30").arg(old));
    EXPECT_EQ(rows(*s, QStringLiteral("select to_char(datumipl,'DD.MM.YYYY') from akt where sifra060 in (30,31)")),
              (QStringList{"01.01.2000", "01.01.2000"}))
        << "a disabled trigger does nothing";

    exec(*s, QStringLiteral("alter trigger BTAKT enable"));
    EXPECT_EQ(rows(*s, QStringLiteral("select trigger_name, table_owner, table_name, status from dba_triggers")),
              QStringList{"BTAKT|TAVO|AKT|ENABLED"});
    exec(*s, QStringLiteral("update akt set code_060 = 'T3' where sifra060 = 31"));
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from akt where sifra060=31 and datumipl > %1").arg(old)),
              QStringList{"1"});
    EXPECT_TRUE(errorOf(*s, QStringLiteral("alter trigger NOSUCH disable")).startsWith(QLatin1String("ORA-04080")));
}

// Sessions on two threads taking numbers of one counter as fast as they can:
// every number once, none skipped.
TEST_F(Engine, GetSequenceFromTwoThreadsAtOnce)
{
    constexpr int kEach = 20000;
    auto take = [this](std::vector<qint64> &out) {
        auto own = db->logon();
        TOracleDataSet q(own.get());
        q.SQL << QStringLiteral("begin :n := getSequence('KG000SS0'); end;");
        q.DeclareVariable(QStringLiteral("n"), otInteger);
        for (int i = 0; i < kEach; ++i) {
            q.Open();
            out.push_back(q.GetVariable(QStringLiteral("n")).AsInteger());
            q.Close();
        }
    };
    std::vector<qint64> a, b;
    std::thread other([&] { take(b); });
    take(a);
    other.join();
    std::vector<qint64> all = a;
    all.insert(all.end(), b.begin(), b.end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), size_t(2 * kEach));
    for (size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(all[i], qint64(i + 1)) << "at " << i;
}

// A BEFORE INSERT or UPDATE trigger that only assigns values not read from
// the row is written by the statement itself; one that reads the row runs as
// a trigger. Both give Oracle's results: the assigned values win, a mandatory
// column the trigger fills may be left out, RETURNING sees the trigger's
// values, the statement's own value is still checked, and an UPDATE OF
// trigger fires only for the columns it names.
TEST_F(Engine, BeforeRowTriggerValues)
{
    execAll(*s, QStringLiteral("create table TRG (ID NUMBER(10) not null, D DATE not null, U VARCHAR2(30), "
                               "A NUMBER, B NUMBER)\n/\n"
                               "create trigger BTTRG before insert or update on TRG for each row "
                               "begin :new.D := sysdate; :new.U := 'TRG'; end;\n/\n"
                               "create trigger BTTRG2 before insert on TRG for each row begin :new.B := :new.A * 2; end;\n/\n"
                               "create trigger BTTRG3 before update of A on TRG for each row begin :new.B := 99; end;"));
    const QString old = QStringLiteral("to_date('01.01.2000','DD.MM.YYYY')");
    exec(*s, QStringLiteral("insert into trg (id, a) values (1, 3)"));
    exec(*s, QStringLiteral("insert into trg (id, d, u) values (2, %1, 'X')").arg(old));
    exec(*s, QStringLiteral("insert into trg (id, d, a) select 3, %1, 4 from dual").arg(old));
    TOracleQuery ret(s.get());
    ret.SQL << QStringLiteral("insert into trg (id, d) values (4, %1) returning u, to_char(d,'YYYY') into :u, :y").arg(old);
    ret.DeclareVariable(QStringLiteral("u"), otString);
    ret.DeclareVariable(QStringLiteral("y"), otString);
    ret.Execute();
    EXPECT_EQ(ret.GetVariable(QStringLiteral("u")).AsString(), QStringLiteral("TRG"));
    EXPECT_NE(ret.GetVariable(QStringLiteral("y")).AsString(), QStringLiteral("2000"));
    EXPECT_EQ(rows(*s, QStringLiteral("select id, u, a, b, case when d > %1 then 'new' else 'old' end from trg order by id")
                          .arg(old)),
              (QStringList{"1|TRG|3|6|new", "2|TRG|||new", "3|TRG|4|8|new", "4|TRG|||new"}));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("insert into trg (id, d) values (5, to_date('31.02.2016','DD.MM.YYYY'))"))
                    .startsWith(QLatin1String("ORA-01839")));

    exec(*s, QStringLiteral("update trg set d = %1, u = 'X' where id = 1").arg(old));
    exec(*s, QStringLiteral("update trg set a = 5 where id = 2"));
    TOracleQuery upd(s.get());
    upd.SQL << QStringLiteral("update trg set u = 'X' where id = 3 returning u into :u");
    upd.DeclareVariable(QStringLiteral("u"), otString);
    upd.Execute();
    EXPECT_EQ(upd.GetVariable(QStringLiteral("u")).AsString(), QStringLiteral("TRG"));
    EXPECT_EQ(rows(*s, QStringLiteral("select id, u, a, b, case when d > %1 then 'new' else 'old' end from trg "
                                      "where id < 4 order by id").arg(old)),
              (QStringList{"1|TRG|3|6|new", "2|TRG|5|99|new", "3|TRG|4|8|new"}))
        << "UPDATE OF A fires only for the update that sets A";

    exec(*s, QStringLiteral("alter trigger BTTRG disable"));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("insert into trg (id) values (6)")).startsWith(QLatin1String("ORA-01400")));
    exec(*s, QStringLiteral("update trg set u = 'Y' where id = 1"));
    EXPECT_EQ(rows(*s, QStringLiteral("select u from trg where id = 1")), QStringList{"Y"});
    exec(*s, QStringLiteral("insert into trg (id, d, u) values (7, %1, 'X')").arg(old));
    exec(*s, QStringLiteral("alter trigger BTTRG enable"));
    exec(*s, QStringLiteral("insert into trg (id, d, u) values (8, %1, 'X')").arg(old));
    EXPECT_EQ(rows(*s, QStringLiteral("select id, u from trg where id > 5 order by id")), (QStringList{"7|X", "8|TRG"}));
}

TEST_F(Engine, DictionaryViews)
{
    execAll(*s, QStringLiteral("create table DICT (N102 NUMBER(10,2), I INTEGER, V40 VARCHAR2(40) not null, "
                               "D DATE, N NUMBER, N5 NUMBER(5), C CHAR(3), L CLOB)"));
    const QStringList expected = {
        "TAVO|DICT|N102|NUMBER|22|10|2|Y|1", "TAVO|DICT|I|NUMBER|22||0|Y|2",   "TAVO|DICT|V40|VARCHAR2|40|||N|3",
        "TAVO|DICT|D|DATE|7|||Y|4",          "TAVO|DICT|N|NUMBER|22|||Y|5",    "TAVO|DICT|N5|NUMBER|22|5|0|Y|6",
        "TAVO|DICT|C|CHAR|3|||Y|7",          "TAVO|DICT|L|CLOB|4000|||Y|8",
    };
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select owner, table_name, column_name, data_type, data_length, data_precision, data_scale, "
                            "nullable, column_id from all_tab_columns where owner=:upor and table_name=:tabela")
          << QStringLiteral("order by column_id");
    q.DeclareVariable(QStringLiteral("upor"), otString);
    q.DeclareVariable(QStringLiteral("tabela"), otString);
    q.SetVariable(QStringLiteral("upor"), QStringLiteral("TAVO"));
    q.SetVariable(QStringLiteral("tabela"), QStringLiteral("DICT"));
    q.Open();
    QStringList got;
    for (; !q.Eof(); q.Next()) {
        QStringList v;
        for (int i = 0; i < q.FieldCount(); ++i)
            v << q.Field(i).AsString();
        got << v.join(u'|');
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) obstaja from dba_tab_columns where owner='TAVO' and "
                                      "table_name='DICT' and column_name='V40'")),
              QStringList{"1"});
    EXPECT_EQ(rows(*s, QStringLiteral("select username from all_users order by username")),
              (QStringList{"FAKTUR", "TAVO"}));
    EXPECT_EQ(rows(*s, QStringLiteral("select table_name from all_tables where owner='TAVO' order by table_name")),
              (QStringList{"AKT", "DICT", "ODD", "PLA", "XMLT"}));
}

TEST_F(Engine, SequencesAndOtherSchemas)
{
    auto f = db->logon(QStringLiteral("FAKTUR"));
    execAll(*f, QStringLiteral("create table KA300CEN (SIFRA300 NUMBER(10), CENA_300 NUMBER(12,2))\n/\n"
                               "create sequence SQ_KA300CEN\n/\n"
                               "insert into KA300CEN values (SQ_KA300CEN.nextval, 1.5)\n/\n"
                               "insert into faktur.KA300CEN values (faktur.SQ_KA300CEN.nextval, 2)\n/\ncommit"));
    EXPECT_EQ(rows(*s, QStringLiteral("select sifra300, cena_300 from faktur.ka300cen order by 1")),
              (QStringList{"1|1.5", "2|2"}));
    EXPECT_EQ(rows(*f, QStringLiteral("select SQ_KA300CEN.nextval naslednji from dual")), QStringList{"3"});
    EXPECT_EQ(rows(*s, QStringLiteral("select faktur.SQ_KA300CEN.nextval from dual")), QStringList{"4"});
    // a join across two schemas
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from faktur.ka300cen c, akt a where c.sifra300 = 1")),
              QStringList{"3"});
}

TEST_F(Engine, DataDefinition)
{
    execAll(*s, QStringLiteral("create table D (A NUMBER, S VARCHAR2(5) default 'x', T DATE default sysdate)\n/\n"
                               "create unique index UX_D on D (A)\n/\n"
                               "insert into D (A) values (1)"));
    EXPECT_EQ(rows(*s, QStringLiteral("select a, s, count(t) from d group by a, s")), QStringList{"1|x|1"})
        << "defaults fill the columns an insert leaves out";
    EXPECT_TRUE(errorOf(*s, QStringLiteral("insert into d (a) values (1)"))
                    .startsWith(QLatin1String("ORA-00001: unique constraint (TAVO.UX_D) violated")));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("create table d (x number)")).startsWith(QLatin1String("ORA-00955")));
    exec(*s, QStringLiteral("truncate table d"));
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from d")), QStringList{"0"});
    exec(*s, QStringLiteral("drop index ux_d"));
    exec(*s, QStringLiteral("insert into d (a) values (1)"));
    exec(*s, QStringLiteral("insert into d (a) values (1)"));
    exec(*s, QStringLiteral("create sequence SQ start with 10 increment by 5"));
    EXPECT_EQ(rows(*s, QStringLiteral("select sq.nextval, sq.currval from dual")), QStringList{"10|10"});
    EXPECT_EQ(rows(*s, QStringLiteral("select sq.nextval from dual")), QStringList{"15"});
    exec(*s, QStringLiteral("drop sequence sq"));
    exec(*s, QStringLiteral("drop table d"));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("select * from d")).startsWith(QLatin1String("ORA-00942")));
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from all_tab_columns where table_name = 'D'")), QStringList{"0"});
}

TEST_F(Engine, ErrorsCarryDatabaseText)
{
    struct ErrorCase {
        const char *name;
        const char *sql;
        const char *starts;
    };
    const ErrorCase cases[] = {
        {"unique key", "insert into odd (sifra031, code_031) values (9, 'INT')",
         "ORA-00001: unique constraint (TAVO.UQ_ODD_CODE) violated"},
        {"primary key", "insert into odd (sifra031, code_031) values (1, 'NEW')",
         "ORA-00001: unique constraint (TAVO.PK_ODD) violated"},
        {"missing table", "select * from nosuch", "ORA-00942: table or view does not exist"},
        {"missing owner", "select * from nobody.akt", "ORA-00942: table or view does not exist"},
        {"missing column", "select nosuch from akt", "ORA-00904"},
        {"not null", "insert into odd (code_031) values ('X')", "ORA-01400: cannot insert NULL into (\"TAVO\".\"ODD\".\"SIFRA031\")"},
        {"too long", "insert into odd (sifra031, code_031) values (9, 'ABCDEFGHIJK')",
         "ORA-12899: value too large for column \"TAVO\".\"ODD\".\"CODE_031\" (actual: 11, maximum: 10)"},
        {"not a number", "insert into odd (sifra031) values ('abc')", "ORA-01722: invalid number"},
        {"precision", "insert into akt (sifra060, traj_060) values (99, 12345678901.5)", "ORA-01438"},
        {"bad date", "select to_date('32.01.2024','DD.MM.YYYY') from dual", "ORA-01847"},
        {"division by zero", "select 1/0 from dual", "ORA-01476: divisor is equal to zero"},
        {"unbound variable", "select * from akt where sifra060 = :nobody", "ORA-01008: not all variables bound"},
        {"syntax", "select from akt", "ORA-00936"},
        {"not ended", "select * from akt akt2 akt3", "ORA-00933"},
        {"outside the dialect: CONNECT BY", "select sifra060 from akt connect by prior sifra060 = sifra031",
         "ORA-03001: unimplemented feature: CONNECT BY"},
        {"outside the dialect: MERGE", "merge into akt using odd on (1=1) when matched then update set code_060='x'",
         "ORA-03001: unimplemented feature: MERGE"},
        {"outside the dialect: a function", "select regexp_like(code_060, 'A') from akt",
         "ORA-03001: unimplemented feature: the function REGEXP_LIKE"},
        {"unknown function", "select nosuchfn(1) from dual", "ORA-00904: \"NOSUCHFN\": invalid identifier"},
        {"missing sequence", "select nosuch.nextval from dual", "ORA-02289: sequence does not exist"},
        {"unknown procedure", "begin tavo.nosuch(1); end;", "PLS-00201"},
        {"a block with IF", "begin if 1=1 then null; end if; end;", "ORA-03001: unimplemented feature"},
    };
    for (const ErrorCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString msg = errorOf(*s, QString::fromUtf8(c.sql));
        EXPECT_TRUE(msg.startsWith(QString::fromUtf8(c.starts))) << c.sql << "\n gave: " << msg.toStdString();
    }
}

TEST(EngineLogon, FailuresAreClear)
{
    Db db;
    TOracleSession s;
    s.LogonDatabase = db.alias();
    s.LogonUsername = QStringLiteral("TAVO");
    s.LogonPassword = QStringLiteral("wrong");
    try {
        s.setConnected(true);
        ADD_FAILURE() << "a wrong password logs on";
    } catch (const EMoxError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("ORA-01017: invalid username/password; logon denied"));
    }
    EXPECT_FALSE(s.Connected());
    s.LogonUsername = QStringLiteral("NOBODY");
    EXPECT_THROW(s.setConnected(true), EMoxError);
    // passwords compare without regard to case, user names too
    s.LogonUsername = QStringLiteral("tavo");
    s.LogonPassword = QStringLiteral("TAVO");
    s.setConnected(true);
    EXPECT_TRUE(s.Connected());
    s.setConnected(false);

    s.LogonDatabase = QStringLiteral("NOSUCHDB");
    try {
        s.setConnected(true);
        ADD_FAILURE() << "a missing database logs on";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().startsWith(QLatin1String("ORA-12154"))) << e.what();
        EXPECT_TRUE(e.message().contains(QLatin1String("NOSUCHDB"))) << e.what();
    }

    // a statement on a session that is not connected
    TOracleQuery q(&s);
    q.SQL << QStringLiteral("select 1 from dual");
    EXPECT_THROW(q.Execute(), EMoxError);
}

TEST(EngineLogon, CorruptCatalogIsReported)
{
    Db db;
    const QString catalog = oraembed::catalogPath(oraembed::databaseFolder(db.alias()));
    QFile f(catalog);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(8192, 'z'));
    f.close();
    QFile::remove(catalog + QStringLiteral("-wal"));
    QFile::remove(catalog + QStringLiteral("-shm"));
    try {
        db.logon();
        ADD_FAILURE() << "a corrupt catalog logs on";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("catalog.db"))) << e.what();
    }
}

TEST(EngineAliases, SortedFoldersWithACatalog)
{
    TestEnv env;
    oraembed::createDatabase(QStringLiteral("ZETA"));
    oraembed::createDatabase(QStringLiteral("ALFA"));
    QDir(env.dbRoot()).mkpath(QStringLiteral("NOTADB"));
    EXPECT_EQ(oracleAliasList(), (QStringList{"ALFA", "ZETA"}));
    EXPECT_THROW(oraembed::createDatabase(QStringLiteral("ALFA")), EMoxError);
}

TEST(EngineSchemas, MoreSchemasThanSqliteAttaches)
{
    QStringList users;
    for (int i = 1; i <= 22; ++i)
        users << QStringLiteral("U%1").arg(i, 2, 10, QLatin1Char('0'));
    Db db(users);
    auto s = db.logon(users[0]);
    for (const QString &u : users)
        exec(*s, QStringLiteral("create table %1.T (N NUMBER, NAME VARCHAR2(10))").arg(u));
    // one transaction writes each schema in turn, committing as a refresh does
    for (int round = 0; round < 2; ++round)
        for (const QString &u : users) {
            exec(*s, QStringLiteral("insert into %1.t values (%2, '%1')").arg(u).arg(round));
            s->Commit();
        }
    for (const QString &u : users)
        EXPECT_EQ(rows(*s, QStringLiteral("select count(*), max(name) from %1.t").arg(u)), QStringList{"2|" + u});
    // a transaction that spans eight schemas before it rolls back
    for (int i = 0; i < 8; ++i)
        exec(*s, QStringLiteral("insert into %1.t values (9, 'x')").arg(users[i * 3]));
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from u22.t")), QStringList{"3"});
    s->Rollback();
    for (const QString &u : users)
        EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from %1.t").arg(u)), QStringList{"2"});
    // more than the attach limit in one transaction is refused clearly
    for (const QString &u : users.mid(0, 10))
        exec(*s, QStringLiteral("insert into %1.t values (9, 'x')").arg(u));
    const QString msg = errorOf(*s, QStringLiteral("insert into u11.t values (9, 'x')"));
    EXPECT_TRUE(msg.startsWith(QLatin1String("ORA-03001"))) << msg.toStdString();
    s->Commit();
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from u11.t")), QStringList{"2"});
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from u10.t")), QStringList{"3"});
    // one query over three schemas
    EXPECT_EQ(rows(*s, QStringLiteral("select count(*) from u03.t a, u13.t b, u22.t c where a.n = b.n and b.n = c.n")),
              QStringList{"2"});
}

TEST(EngineConcurrency, ForUpdateLocksUntilTheTransactionEnds)
{
    // SQLite locks a schema's file, not rows: FOR UPDATE takes the write lock
    // of the schemas it reads until its transaction ends
    Db db;
    auto a = db.logon();
    auto b = db.logon();
    execAll(*a, QStringLiteral("create table T (N NUMBER)\n/\ninsert into t values (1)\n/\ninsert into t values (2)\n/\ncommit"));
    EXPECT_EQ(rows(*a, QStringLiteral("select n from t where n = 1 for update")), QStringList{"1"});
    const QString nowait = errorOf(*b, QStringLiteral("select n from t where n = 1 for update nowait"));
    EXPECT_TRUE(nowait.startsWith(QLatin1String("ORA-00054: resource busy and acquire with NOWAIT specified"))) << nowait.toStdString();
    EXPECT_TRUE(errorOf(*b, QStringLiteral("select n from t for update wait 1")).startsWith(QLatin1String("ORA-00054")));
    EXPECT_EQ(rows(*b, QStringLiteral("select count(*) from t")), QStringList{"2"}) << "readers are not held up";

    // a plain FOR UPDATE waits for the lock
    std::thread committer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        a->Commit();
    });
    QString waited = errorOf(*b, QStringLiteral("select n from t where n = 2 for update"));
    committer.join();
    EXPECT_EQ(waited, QString());
    EXPECT_TRUE(errorOf(*a, QStringLiteral("select n from t for update nowait")).startsWith(QLatin1String("ORA-00054")));
    b->Rollback();
    EXPECT_EQ(rows(*a, QStringLiteral("select count(*) from t for update nowait")), QStringList{"2"});
    a->Rollback();
}

TEST(EngineConcurrency, FetchAfterCommitOfForUpdateIsOutOfSequence)
{
    // Rows the client has fetched already stay readable; fetching past them
    // after the transaction ended is Oracle's ORA-01002.
    Db db;
    auto s = db.logon();
    exec(*s, QStringLiteral("create table T (N NUMBER)"));
    TOracleQuery ins(s.get());
    ins.SQL << QStringLiteral("insert into t values (:n)");
    ins.DeclareVariable(QStringLiteral("n"), otInteger);
    const int total = 3000; // more than a client fetches ahead
    for (int i = 1; i <= total; ++i) {
        ins.SetVariable(QStringLiteral("n"), i);
        ins.Execute();
    }
    s->Commit();
    TOracleDataSet q(s.get());
    q.SQL << QStringLiteral("select n from t order by n for update");
    q.Open();
    EXPECT_EQ(q.Field(0).AsInteger(), 1);
    s->Commit();
    int read = 1;
    QString error;
    try {
        for (q.Next(); !q.Eof(); q.Next())
            EXPECT_EQ(q.Field(0).AsInteger(), ++read);
    } catch (const EMoxError &e) {
        error = e.message();
    }
    EXPECT_LT(read, total);
    EXPECT_EQ(error, QStringLiteral("ORA-01002: fetch out of sequence"));
    q.Close();
    // a plain query reads on after a commit
    TOracleDataSet plain(s.get());
    plain.SQL << QStringLiteral("select n from t order by n");
    plain.Open();
    s->Commit();
    plain.Next();
    EXPECT_EQ(plain.Field(0).AsInteger(), 2);
}

TEST(EngineConcurrency, SecondWriterWaitsForTheFirst)
{
    Db db;
    auto a = db.logon();
    auto b = db.logon();
    exec(*a, QStringLiteral("create table T (N NUMBER)"));
    exec(*a, QStringLiteral("insert into T values (1)")); // a holds the write lock
    std::thread committer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        a->Commit();
    });
    exec(*b, QStringLiteral("insert into T values (2)")); // waits until a commits
    committer.join();
    b->Commit();
    EXPECT_EQ(rows(*a, QStringLiteral("select count(*) from t")), QStringList{"2"});
}

TEST(EngineConcurrency, ReadsBetweenStatementsSeeOthersCommits)
{
    // Outside a transaction a session keeps its read snapshot from one
    // statement to the next while nobody commits; a commit of another
    // session, a table it creates, and a writer it waits for all show.
    Db db;
    auto a = db.logon();
    auto b = db.logon();
    const QString count = QStringLiteral("select count(*) from t");
    exec(*a, QStringLiteral("create table T (N NUMBER)"));
    EXPECT_EQ(rows(*b, count), QStringList{"0"});
    EXPECT_EQ(rows(*b, count), QStringList{"0"});
    exec(*a, QStringLiteral("insert into t values (1)"));
    EXPECT_EQ(rows(*b, count), QStringList{"0"}) << "not committed yet";
    a->Commit();
    EXPECT_EQ(rows(*b, count), QStringList{"1"});
    exec(*a, QStringLiteral("create table U (N NUMBER)"));
    EXPECT_EQ(rows(*b, QStringLiteral("select count(*) from u")), QStringList{"0"});

    // a write after reads waits for the other writer's commit
    exec(*a, QStringLiteral("insert into t values (2)"));
    EXPECT_EQ(rows(*b, count), QStringList{"1"});
    std::thread committer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        a->Commit();
    });
    const QString waited = errorOf(*b, QStringLiteral("insert into t values (3)"));
    committer.join();
    EXPECT_EQ(waited, QString());
    b->Commit();
    EXPECT_EQ(rows(*a, count), QStringList{"3"});
}

} // namespace
