// The embedded engine gives Oracle's answers: each case is a statement and
// the rows (or the error) Oracle gives for it, grouped by the rule it shows.
#include "oracle_test_support.h"

using namespace oratest;

namespace {

const char *const kFixture = R"SQL(
create table NUM (N NUMBER, T VARCHAR2(10), C3 CHAR(3), C5 CHAR(5), L CLOB)
/
insert into NUM (N, T, C3, C5, L) values (1, '7', 'AB', 'AB', 'x')
/
insert into NUM (N, T, C3, C5, L) values (2, '07', 'CD', 'XY', 'y')
/
insert into NUM (N, T, C3, C5, L) values (3, '8', 'EF', 'EF', 'z')
/
create table WORD (T VARCHAR2(10))
/
insert into WORD values ('7')
/
insert into WORD values ('x')
/
create sequence SQ
/
commit
)SQL";

class Semantics : public ::testing::Test {
protected:
    void SetUp() override
    {
        s = db.logon();
        execAll(*s, QString::fromUtf8(kFixture));
    }
    Db db;
    std::unique_ptr<TOracleSession> s;
};

struct Case {
    const char *sql;
    QStringList rows; // Oracle's rows, or empty when the error is expected
    const char *error = nullptr; // the start of Oracle's error
};

void check(TOracleSession &s, const Case &c)
{
    SCOPED_TRACE(c.sql);
    QString err;
    QStringList got;
    try {
        got = rows(s, QString::fromUtf8(c.sql));
    } catch (const EMoxError &e) {
        err = e.message();
    }
    if (c.error)
        EXPECT_TRUE(err.startsWith(QLatin1String(c.error))) << "expected " << c.error << "\n got: " << err.toStdString();
    else
        EXPECT_EQ(got, c.rows) << err.toStdString();
}

TEST_F(Semantics, ImplicitConversionInComparisons)
{
    const Case cases[] = {
        {"select count(*) from dual where 10 = '10'", {"1"}},
        {"select count(*) from dual where '010' = 10", {"1"}},
        {"select n from num where t = 7 order by n", {"1", "2"}},
        {"select n from num where t in (7, 8) order by n", {"1", "2", "3"}},
        {"select count(*) from word where t = 7", {}, "ORA-01722"},
        {"select decode(1, '1', 'a', 'b') from dual", {"a"}},
        {"select decode('07', 7, 'a', 'b') from dual", {"a"}},
        {"select nvl(n, 'x') from num", {}, "ORA-01722"},
        {"select nvl(null, 5) + 1 from dual", {"6"}},
    };
    for (const Case &c : cases)
        check(*s, c);
}

TEST_F(Semantics, BlankPaddedComparison)
{
    const Case cases[] = {
        {"select count(*) from dual where 'AB' = 'AB  '", {"1"}},
        {"select count(*) from dual where 'AB' < 'AB '", {"0"}},
        {"select n from num where c3 = c5 order by n", {"1", "3"}},
        {"select count(*) from num where t = '7 '", {"0"}}, // VARCHAR2 is not padded
    };
    for (const Case &c : cases)
        check(*s, c);
}

TEST_F(Semantics, NumbersAreDecimal)
{
    const Case cases[] = {
        {"select count(*) from dual where 0.1 + 0.2 = 0.3", {"1"}},
        {"select count(*) from dual where 0.3 - 0.1 = 0.2 and 1.1 * 3 = 3.3", {"1"}},
        {"select to_char(0.5), 0.5 || '', to_char(-0.25), length(0.5) from dual", {".5|.5|-.25|2"}},
    };
    for (const Case &c : cases)
        check(*s, c);
}

TEST_F(Semantics, Rownum)
{
    const Case cases[] = {
        {"select rownum, n from num where n > 1", {"1|2", "2|3"}},
        {"select n from num where rownum = 2", {}},
        {"select n from num where rownum = 1", {"1"}},
        {"select n from num where rownum > 0 and rownum <> 3", {"1", "2"}},
        // Oracle numbers the rows before it sorts them
        {"select n from num where rownum <= 2 order by n desc", {"2", "1"}},
        {"select rownum r, n from num order by n desc", {"3|3", "2|2", "1|1"}},
    };
    for (const Case &c : cases)
        check(*s, c);
}

TEST_F(Semantics, SequenceAdvancesOncePerRow)
{
    const Case cases[] = {
        {"select sq.nextval, sq.nextval, sq.currval from dual", {"1|1|1"}},
        {"select n, sq.nextval - n, sq.nextval - n from num order by n", {"1|1|1", "2|1|1", "3|1|1"}},
        {"select sq.nextval from dual", {"5"}},
    };
    for (const Case &c : cases)
        check(*s, c);
    exec(*s, QStringLiteral("insert into num (n, t) select sq.nextval, sq.nextval from num where n <= 2"));
    EXPECT_EQ(rows(*s, QStringLiteral("select n, t from num where n > 3 order by n")),
              (QStringList{"6|6", "7|7"}));
}

TEST_F(Semantics, Limits)
{
    const QString longText = QString(4001, u'x');
    const QString half = QString(2001, u'y');
    const Case cases[] = {
        {"select length(rpad('x', 5000)), length(lpad('x', 5000, 'ab')) from dual", {"4000|4000"}},
        {"select n from num union select t from num", {}, "ORA-01790"},
        {"select to_date('01.01.2020','DD.MM.YYYY') from dual union all select 1 from dual", {}, "ORA-01790"},
        {"select l from num order by l", {}, "ORA-00932"},
        {"select distinct l from num", {}, "ORA-00932"},
        {"select l from num union select l from num", {}, "ORA-00932"},
        {"select count(*) from (select l from num union all select l from num)", {"6"}},
        {"select \"n\" from num", {}, "ORA-00904"},
        {"select num.\"t\" from num", {}, "ORA-00904"},
        {"select \"N\" from num where n = 1", {"1"}},
        {"select (select n from num) from dual", {}, "ORA-01427"},
        {"select (select n from num where n = 2), (select n from num where n = 9) from dual", {"2|"}},
        {"select (select n from num where rownum = 1), (select max(n) from num) from dual", {"1|3"}},
        {"select n from num a where n = (select max(n) from num where n < a.n + 1) order by n", {"1", "2", "3"}},
        {"select to_date('31.02.2016','DD.MM.YYYY') from dual", {}, "ORA-01839"},
        {"select to_date('32.01.2016','DD.MM.YYYY') from dual", {}, "ORA-01847"},
        {"select to_date('29.02.2023','DD.MM.YYYY') from dual", {}, "ORA-01839"},
        {"select to_date('05.03.2024 24:00:00','DD.MM.YYYY HH24:MI:SS') from dual", {}, "ORA-01850"},
        {"select to_date('05.03.2024 10:61','DD.MM.YYYY HH24:MI') from dual", {}, "ORA-018"},
        {"select to_char(to_date('29.02.2024 23:59:58','DD.MM.YYYY HH24:MI:SS'),'DD.MM.YYYY HH24:MI'), "
         "to_char(to_date('01.01.0999','DD.MM.YYYY')) from dual",
         {"29.02.2024 23:59|01.01.0999"}},
    };
    for (const Case &c : cases)
        check(*s, c);
    EXPECT_TRUE(errorOf(*s, QStringLiteral("select '%1' from dual").arg(longText)).startsWith(QLatin1String("ORA-01704")));
    EXPECT_EQ(rows(*s, QStringLiteral("select length('%1') from dual").arg(QString(4000, u'x'))), QStringList{"4000"});
    EXPECT_TRUE(errorOf(*s, QStringLiteral("select '%1' || '%1' from dual").arg(half)).startsWith(QLatin1String("ORA-01489")));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("update num set t = (select t from num)")).startsWith(QLatin1String("ORA-01427")));
    // a CLOB concatenates past 4000 characters
    EXPECT_EQ(rows(*s, QStringLiteral("select length(l || '%1' || '%1') from num where n = 1").arg(half)),
              QStringList{"4003"});
}

TEST_F(Semantics, FunctionsAndPseudoColumns)
{
    const Case cases[] = {
        {"select months_between(to_date('31.03.2024','DD.MM.YYYY'), to_date('29.02.2024','DD.MM.YYYY')), "
         "months_between(to_date('15.03.2024','DD.MM.YYYY'), to_date('15.01.2024','DD.MM.YYYY')), "
         "round(months_between(to_date('16.02.2024','DD.MM.YYYY'), to_date('01.02.2024','DD.MM.YYYY')), 6) from dual",
         {"1|2|0.483871"}}, // a number read through the layer keeps its 0
        {"select translate('a-b_c', '-_', '. '), translate('abc', 'ab', 'x'), translate('abc', 'abc', 'a') from dual",
         {"a.b c|xc|a"}},
        {"select translate('x', 'x', '') from dual", {""}},
        {"select to_char(to_date('01.03.2024','DD.MM.YYYY'), 'DDD'), to_date('2024 061', 'YYYY DDD') from dual",
         {"061|01.03.2024 00:00:00"}},
        {"select dummy, dual.dummy from dual", {"X|X"}},
        {"select count(*) from dual where dummy = 'X'", {"1"}},
    };
    for (const Case &c : cases)
        check(*s, c);
}

TEST_F(Semantics, Savepoints)
{
    exec(*s, QStringLiteral("insert into word values ('a')"));
    exec(*s, QStringLiteral("savepoint one"));
    exec(*s, QStringLiteral("insert into word values ('b')"));
    exec(*s, QStringLiteral("savepoint two"));
    exec(*s, QStringLiteral("insert into word values ('c')"));
    exec(*s, QStringLiteral("rollback to savepoint one"));
    EXPECT_EQ(rows(*s, QStringLiteral("select t from word order by t")), (QStringList{"7", "a", "x"}));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("rollback to two")).startsWith(QLatin1String("ORA-01086")))
        << "a savepoint set after the one rolled back to is gone";
    exec(*s, QStringLiteral("insert into word values ('d')"));
    exec(*s, QStringLiteral("rollback to one")); // the savepoint stays
    exec(*s, QStringLiteral("commit"));
    EXPECT_EQ(rows(*s, QStringLiteral("select t from word order by t")), (QStringList{"7", "a", "x"}));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("rollback to one")).startsWith(QLatin1String("ORA-01086")))
        << "a commit ends the savepoints";
    EXPECT_TRUE(errorOf(*s, QStringLiteral("rollback to nosuch"))
                    .startsWith(QLatin1String("ORA-01086: savepoint 'NOSUCH' never established")));
}

TEST_F(Semantics, UpdateSetColumnsFromASubquery)
{
    exec(*s, QStringLiteral("update num a set (t, c3) = (select t || '!', 'Z' || n from num b where b.n = a.n + 1) "
                            "where n < 3"));
    EXPECT_EQ(rows(*s, QStringLiteral("select n, t, c3 from num order by n")),
              (QStringList{"1|07!|Z2 ", "2|8!|Z3 ", "3|8|EF "}));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("update num set (t, c3) = (select t from num where n = 1)"))
                    .startsWith(QLatin1String("ORA-00947")));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("update num set (t) = (select t from num)")).startsWith(QLatin1String("ORA-01427")));
}

TEST_F(Semantics, AlterTableColumns)
{
    execAll(*s, QStringLiteral("create table ALT (ID NUMBER(5) not null, NAME VARCHAR2(10), KEEP CHAR(2), "
                               "constraint PK_ALT primary key (ID))\n/\n"
                               "insert into alt (id, name, keep) values (1, 'first', 'k')\n/\n"
                               "alter table alt add (STATUS CHAR(1) default '1' not null, NOTE VARCHAR2(20))\n/\n"
                               "alter table alt modify (NAME VARCHAR2(30), KEEP CHAR(4))\n/\n"
                               "alter table alt modify NOTE NUMBER(5,1)\n/\n"
                               "insert into alt (id, name, note) values (2, 'second', 2.25)"));
    EXPECT_EQ(rows(*s, QStringLiteral("select id, name, keep || '|', status, note from alt order by id")),
              (QStringList{"1|first|k   ||1|", "2|second|||1|2.3"}));
    EXPECT_EQ(rows(*s, QStringLiteral("select column_name, data_type, data_length, nullable, column_id from "
                                      "user_tab_columns where table_name = 'ALT' order by column_id")),
              (QStringList{"ID|NUMBER|22|N|1", "NAME|VARCHAR2|30|Y|2", "KEEP|CHAR|4|Y|3", "STATUS|CHAR|1|N|4",
                           "NOTE|NUMBER|22|Y|5"}));
    const Case cases[] = {
        {"insert into alt (id, status) values (3, null)", {}, "ORA-01400"},
        {"alter table alt add (NAME VARCHAR2(5))", {}, "ORA-01430"},
        {"alter table alt add (MUST VARCHAR2(5) not null)", {}, "ORA-01758"},
        {"alter table alt modify (NAME VARCHAR2(5))", {}, "ORA-01441"},
        {"alter table alt modify (NAME NUMBER)", {}, "ORA-01439"},
        {"alter table alt modify (NOSUCH NUMBER)", {}, "ORA-00904"},
        {"alter table alt drop column id", {}, "ORA-03001"},
    };
    for (const Case &c : cases)
        check(*s, c);
    execAll(*s, QStringLiteral("alter table alt drop column keep\n/\nalter table alt drop (note)"));
    EXPECT_EQ(rows(*s, QStringLiteral("select * from alt where id = 1")), QStringList{"1|first|1"});
    EXPECT_EQ(rows(*s, QStringLiteral("select column_name, column_id from user_tab_columns where table_name = 'ALT' "
                                      "order by column_id")),
              (QStringList{"ID|1", "NAME|2", "STATUS|3"}));
    // a mandatory column added to an empty table: an insert that leaves it out fails
    execAll(*s, QStringLiteral("create table EMPTY1 (A NUMBER)\n/\nalter table empty1 add (B VARCHAR2(3) not null)"));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("insert into empty1 (a) values (1)")).startsWith(QLatin1String("ORA-01400")));
}

TEST_F(Semantics, Views)
{
    auto other = db.logon(QStringLiteral("TAVO"));
    execAll(*s, QStringLiteral("create view BIG (NUM, TXT) as select n, t from num where n > 1\n/\n"
                               "create or replace view BIG (NUM, TXT) as select n, t from num where n >= 2"));
    const Case cases[] = {
        {"select num, txt from big order by num", {"2|07", "3|8"}},
        {"select b.txt from tavo.big b where b.num = 3", {"8"}},
        {"select count(*) from big, num where big.num = num.n", {"2"}},
        {"insert into big values (9, 'x')", {}, "ORA-01732"},
        {"create view big as select 1 x from dual", {}, "ORA-00955"},
        {"create view num as select 1 x from dual", {}, "ORA-00955"},
        {"create view v2 (a) as select 1, 2 from dual", {}, "ORA-01730"},
    };
    for (const Case &c : cases)
        check(*s, c);
    EXPECT_EQ(rows(*other, QStringLiteral("select count(*) from big")), QStringList{"2"}) << "another session sees it";
    exec(*s, QStringLiteral("drop view big"));
    EXPECT_TRUE(errorOf(*s, QStringLiteral("select * from big")).startsWith(QLatin1String("ORA-00942")));
}

TEST_F(Semantics, ComplexStatementsFailCleanly)
{
    // long flat chains are fine, as in Oracle
    const QString ors = QStringLiteral("select count(*) from dual where ")
                        + QStringList(8000, QStringLiteral("1 = 2")).join(QStringLiteral(" or ")) + QStringLiteral(" or 1 = 1");
    EXPECT_EQ(rows(*s, ors), QStringList{"1"});
    const QString concat = QStringLiteral("select length(") + QStringList(500, QStringLiteral("'ab'")).join(QStringLiteral("||"))
                           + QStringLiteral(") from dual");
    EXPECT_EQ(rows(*s, concat), QStringList{"1000"});
    // deep nesting is refused with Oracle's error, never a crash
    struct Deep {
        const char *name;
        QString sql;
    };
    const Deep deep[] = {
        {"parentheses", QStringLiteral("select %1 1 %2 from dual").arg(QString(20000, u'('), QString(20000, u')'))},
        {"unary minus", QStringLiteral("select %1 1 from dual").arg(QStringList(20000, QStringLiteral("-")).join(u' '))},
        {"a long sum", QStringLiteral("select %1 from dual").arg(QStringList(20000, QStringLiteral("1")).join(u'+'))},
        {"nested calls", QStringLiteral("select %1 1 %2 from dual")
                             .arg(QString(QStringLiteral("nvl(")).repeated(5000), QString(QStringLiteral(",2)")).repeated(5000))},
        {"nested subqueries", QStringLiteral("select %1 1 %2 from dual")
                                  .arg(QString(QStringLiteral("(select ")).repeated(5000),
                                       QString(QStringLiteral(" from dual)")).repeated(5000))},
    };
    for (const Deep &d : deep) {
        SCOPED_TRACE(d.name);
        EXPECT_TRUE(errorOf(*s, d.sql).startsWith(QLatin1String("ORA-03095: expression level is too deep")))
            << errorOf(*s, d.sql).left(200).toStdString();
    }
    const QString longList = QStringLiteral("select 1 from dual where 1 in (%1)")
                                 .arg(QStringList(1001, QStringLiteral("1")).join(u','));
    EXPECT_TRUE(errorOf(*s, longList).startsWith(QLatin1String("ORA-01795")));
}

} // namespace
