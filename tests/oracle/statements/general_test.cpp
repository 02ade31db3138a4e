// General tables: the preparation query with its filter and replication
// condition, the three forms of auto-numbering, and the key select, insert
// and update statements as the general refresh builds them (CHAR keys,
// DATE columns, reference lookups, memo columns).
#include "corpus.h"

using namespace corpus;

namespace {

class GeneralTables : public StatementsTest {};

TEST_F(GeneralTables, PreparationQueryWithFilterAndReplicationCondition)
{
    run(session, {"ALTER TRIGGER TAVO.BTKA060AK0 DISABLE",
                  "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values "
                  "(1,'A1','1',to_date('01.03.2024 09:59:00','DD.MM.YYYY HH24:MI:SS'))",
                  "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values "
                  "(2,'A2','1',to_date('01.03.2024 10:00:00','DD.MM.YYYY HH24:MI:SS'))",
                  "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values "
                  "(3,'A3','0',to_date('02.03.2024','DD.MM.YYYY'))",
                  "insert into ka060ak0 (sifra060,code_060,stat_060,datumipl) values (4,'A4','1',null)",
                  "ALTER TRIGGER TAVO.BTKA060AK0 ENABLE"});
    struct Case {
        const char *name;
        const char *filter; // second line, or none
        const char *codes;
        bool anyOrder;
    };
    const Case cases[] = {
        {"no filter", nullptr, "A1,A2,A3,A4", true},
        {"where and order by", "where stat_060='1' order by code_060 desc", "A4,A2,A1", false},
        {"replication without history", " where  datumipl>= to_date('1.1.1900','DD.MM.YYYY HH24:MI')", "A1,A2,A3",
         true},
        {"replication after a filter",
         "where stat_060='1' and  datumipl>= to_date('01.03.2024 10:00','DD.MM.YYYY HH24:MI')", "A2", true},
        {"replication, date-only rows", " where  datumipl>= to_date('02.03.2024 00:00','DD.MM.YYYY HH24:MI')", "A3",
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            QStringList text{QStringLiteral("select * from ") + QStringLiteral("TAVO.KA060AK0") + QStringLiteral(" ")};
            if (c.filter)
                text << QString::fromUtf8(c.filter);
            QString got = QString::fromStdString(select(session, text, {}, {"CODE_060"})).replace(u'\n', u',');
            if (c.anyOrder) {
                QStringList l = got.split(u',');
                l.sort();
                got = l.join(u',');
            }
            EXPECT_EQ(got, QString::fromLatin1(c.codes));
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(GeneralTables, AutoNumberingStatements)
{
    // The sequence form as a block, written as the editor joins its lines
    // and upper-cased as the structure file is read.
    const QStringList getSequence{QStringLiteral("BEGIN:NASLEDNJI:=   TAVO.GETSEQUENCE('KA060AK0');END;")};
    const qint64 g1 = block(session, getSequence, QStringLiteral("naslednji"), otInteger).AsInteger();
    const qint64 g2 = block(session, getSequence, QStringLiteral("naslednji"), otInteger).AsInteger();
    EXPECT_GE(g1, 1);
    EXPECT_GT(g2, g1);

    // The sequence form as a query with the column naslednji.
    const QStringList nextval{QStringLiteral("SELECT FAKTUR.SQ_KA300CEN.NEXTVAL NASLEDNJI FROM DUAL")};
    const qint64 n1 = QString::fromStdString(select(session, nextval, {}, {"naslednji"})).toLongLong();
    const qint64 n2 = QString::fromStdString(select(session, nextval, {}, {"naslednji"})).toLongLong();
    EXPECT_GE(n1, 1);
    EXPECT_EQ(n2, n1 + 1);

    // The MAX( form, run once.
    const QStringList max{QStringLiteral("SELECT NVL(MAX(SIFRA301),0)+1 NASLEDNJI FROM FAKTUR.KA301PLA")};
    EXPECT_EQ(select(session, max, {}, {"naslednji"}), "1");
    run(session, {"insert into FAKTUR.KA301PLA (SIFRA301,CODE_301) values (41,'X')"});
    EXPECT_EQ(select(session, max, {}, {"naslednji"}), "42");
}

// Statements of the refresh of FAKTUR.KA301PLA: key CODE_301 (CHAR(8)),
// auto-numbered SIFRA301, update columns NAZIV301 and DAVST301.
const QStringList kPayerSelect{QStringLiteral("select * from FAKTUR.KA301PLA where CODE_301=:CODE_301")};
const QStringList kPayerInsert{QStringLiteral("insert into FAKTUR.KA301PLA"),
                               QStringLiteral(" (SIFRA301,CODE_301,NAZIV301,DAVST301,STAT_301) "),
                               QStringLiteral(" values(:SIFRA301,:CODE_301,:NAZIV301,:DAVST301,:STAT_301) ")};
const QStringList kPayerUpdate{QStringLiteral("update FAKTUR.KA301PLA"),
                               QStringLiteral(" set NAZIV301=:NAZIV301,DAVST301=:DAVST301 "),
                               QStringLiteral("  where CODE_301=:CODE_301")};

TEST_F(GeneralTables, CharKeyMatchesOnlyWhenPadded)
{
    EXPECT_EQ(execute(session, kPayerInsert,
                      {{"SIFRA301", otInteger, 1},
                       {"CODE_301", otString, QStringLiteral("AB")},
                       {"NAZIV301", otString, QStringLiteral("Zavod")},
                       {"DAVST301", otString, QString()},
                       {"STAT_301", otString, QStringLiteral("1")}}),
              1);
    session.Commit();

    struct Case {
        const char *bound;
        const char *expected;
    };
    const Case cases[] = {
        {"AB      ", "1|AB      |Zavod"}, // padded to the width, as the refresh binds a CHAR key
        {"AB", ""},                       // a bound text is compared without padding
        {"AB   ", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("[") + c.bound + "]");
        try {
            EXPECT_EQ(select(session, kPayerSelect, {{"CODE_301", otString, QString::fromLatin1(c.bound)}},
                             {"SIFRA301", "CODE_301", "NAZIV301"}),
                      c.expected);
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
    // A literal is compared with padding.
    EXPECT_EQ(value(session, QStringLiteral("select count(*) from FAKTUR.KA301PLA where CODE_301='AB'")),
              QStringLiteral("1"));

    EXPECT_EQ(execute(session, kPayerUpdate,
                      {{"NAZIV301", otString, QStringLiteral("Bolnišnica")},
                       {"DAVST301", otString, QStringLiteral("SI123")},
                       {"CODE_301", otString, QStringLiteral("AB      ")}}),
              1);
    EXPECT_EQ(execute(session, kPayerUpdate,
                      {{"NAZIV301", otString, QStringLiteral("x")},
                       {"DAVST301", otString, QString()},
                       {"CODE_301", otString, QStringLiteral("AB")}}),
              0);
    session.Commit();
    EXPECT_EQ(select(session, kPayerSelect, {{"CODE_301", otString, QStringLiteral("AB      ")}},
                     {"NAZIV301", "DAVST301"}),
              rows({"Bolnišnica|SI123"}));

    // The reference lookup binds the code as the reference DBF gives it back,
    // without trailing blanks.
    const QStringList lookup{QStringLiteral("select SIFRA301 SIFRA from FAKTUR.KA301PLA  where CODE_301 =:KODA")};
    EXPECT_EQ(select(session, lookup, {{"KODA", otString, QStringLiteral("AB      ")}}, {"SIFRA"}), "1");
    EXPECT_EQ(select(session, lookup, {{"KODA", otString, QStringLiteral("AB")}}, {"SIFRA"}), "");
}

TEST_F(GeneralTables, DateColumnsReferencesAndNumbers)
{
    run(session, {"insert into FAKTUR.KA301PLA (SIFRA301,CODE_301) values (7,'P7')",
                  "insert into FAKTUR.KA301PLA (SIFRA301,CODE_301) values (8,'P8')"});
    const QStringList lookup{QStringLiteral("select SIFRA301 SIFRA from FAKTUR.KA301PLA  where CODE_301 =:KODA")};
    const QStringList insert{
        QStringLiteral("insert into FAKTUR.KA300CEN"),
        QStringLiteral(" (SIFRA300,CODE_300,SIFRA301,CENA_300,DATOD300,VALUT300) "),
        QStringLiteral(
            " values(:SIFRA300,:CODE_300,:SIFRA301,:CENA_300,to_date(:DATOD300,'DD.MM.YYYY HH24:MI:SS'),:VALUT300) ")};
    const QStringList update{
        QStringLiteral("update FAKTUR.KA300CEN"),
        QStringLiteral(" set SIFRA301=:SIFRA301,CENA_300=:CENA_300,DATOD300=to_date(:DATOD300,'DD.MM.YYYY HH24:MI:SS') "),
        QStringLiteral("  where CODE_300=:CODE_300")};
    const QStringList keySelect{QStringLiteral("select * from FAKTUR.KA300CEN where CODE_300=:CODE_300")};
    const QStringList dateKeySelect{
        QStringLiteral("select * from FAKTUR.KA300CEN where CODE_300=:CODE_300 and DATOD300=to_date(:DATOD300,'DD.MM.YYYY')")};

    const qint64 payer = QString::fromStdString(
                             select(session, lookup, {{"KODA", otString, QStringLiteral("P7      ")}}, {"SIFRA"}))
                             .toLongLong();
    EXPECT_EQ(payer, 7);
    const qint64 key = QString::fromStdString(select(session, {QStringLiteral("SELECT FAKTUR.SQ_KA300CEN.NEXTVAL "
                                                                              "NASLEDNJI FROM DUAL")},
                                                     {}, {"NASLEDNJI"}))
                           .toLongLong();
    struct Case {
        const char *code;
        const char *date; // as the DBF field holds it
        double price;
        const char *stored;
    };
    const Case cases[] = {
        {"C1", "05.03.2016", 12.5, "05.03.2016 00:00:00|12.5"},
        {"C2", "05.03.2016 08:15:00", -0.25, "05.03.2016 08:15:00|-0.25"},
        {"C3", "", 100, "|100"},
    };
    qint64 next = key;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        try {
            EXPECT_EQ(execute(session, insert,
                              {{"SIFRA300", otInteger, next++},
                               {"CODE_300", otString, QString::fromLatin1(c.code)},
                               {"SIFRA301", otInteger, payer},
                               {"CENA_300", otFloat, c.price},
                               {"DATOD300", otString, *c.date ? QVariant(QString::fromLatin1(c.date)) : QVariant()},
                               {"VALUT300", otString, QStringLiteral("EUR")}}),
                      1);
            session.Commit();
            EXPECT_EQ(select(session, keySelect, {{"CODE_300", otString, QString::fromLatin1(c.code)}},
                             {"DATOD300", "CENA_300"}),
                      c.stored);
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
    // A DATE key is selected by the date alone.
    EXPECT_EQ(select(session, dateKeySelect,
                     {{"CODE_300", otString, QStringLiteral("C1")}, {"DATOD300", otString, QStringLiteral("05.03.2016")}},
                     {"CODE_300"}),
              "C1");
    EXPECT_EQ(select(session, dateKeySelect,
                     {{"CODE_300", otString, QStringLiteral("C2")}, {"DATOD300", otString, QStringLiteral("05.03.2016")}},
                     {"CODE_300"}),
              "");

    EXPECT_EQ(execute(session, update,
                      {{"SIFRA301", otInteger, 8},
                       {"CENA_300", otFloat, QVariant()},
                       {"DATOD300", otString, QStringLiteral("31.12.2023 23:59:59")},
                       {"CODE_300", otString, QStringLiteral("C1")}}),
              1);
    session.Commit();
    EXPECT_EQ(select(session, keySelect, {{"CODE_300", otString, QStringLiteral("C1")}},
                     {"SIFRA301", "CENA_300", "DATOD300", "VALUT300"}),
              rows({"8||31.12.2023 23:59:59|EUR"}));
}

TEST_F(GeneralTables, MemoColumnsGetAnEmptyClob)
{
    const QStringList insert{QStringLiteral("insert into TAVO.I_XML_X03"), QStringLiteral(" (SIFRAX03,TYPE_X03,XML__003) "),
                             QStringLiteral(" values(:SIFRAX03,:TYPE_X03,empty_clob()) ")};
    const QStringList update{QStringLiteral("update TAVO.I_XML_X03"),
                             QStringLiteral(" set TYPE_X03=:TYPE_X03,XML__003=empty_clob() "),
                             QStringLiteral("  where SIFRAX03=:SIFRAX03")};
    const qint64 key =
        block(session, {QStringLiteral("BEGIN:NASLEDNJI:=   TAVO.GETSEQUENCE('I_XML_X03');END;")},
              QStringLiteral("NASLEDNJI"), otInteger)
            .AsInteger();
    EXPECT_EQ(execute(session, insert, {{"SIFRAX03", otInteger, key}, {"TYPE_X03", otString, QStringLiteral("A")}}), 1);
    run(session, {"update i_xml_x03 set xml__003='<staro/>'"});
    EXPECT_EQ(execute(session, update, {{"TYPE_X03", otString, QStringLiteral("B")}, {"SIFRAX03", otInteger, key}}), 1);
    session.Commit();
    EXPECT_EQ(select(session, {QStringLiteral("select * from TAVO.I_XML_X03")}, {}, {"TYPE_X03", "XML__003"}),
              rows({"B|"}));
}

} // namespace
