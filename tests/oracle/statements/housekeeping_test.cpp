// Trigger switches, the large rollback segment, and the data-dictionary
// queries of the DBF layout, the structure files and the structure editors.
#include "corpus.h"

using namespace corpus;

namespace {

class Triggers : public StatementsTest {
protected:
    QString status(const QString &trigger)
    {
        return value(session, QStringLiteral("select status from dba_triggers where trigger_name='") + trigger +
                                  QStringLiteral("' and table_owner='TAVO'"));
    }
};

struct TriggerCase {
    const char *trigger;
    const char *table;
    const char *off; // statement as the transfer sends it
    const char *on;
};

const TriggerCase kTriggerCases[] = {
    // Parameters: no owner, no substitution.
    {"BTKA007PAR", "KA007PAR", "ALTER TRIGGER BTKA007PAR DISABLE", "ALTER TRIGGER BTKA007PAR ENABLE"},
    {"BTPR107PAR", "PR107PAR", "ALTER TRIGGER BTPR107PAR DISABLE", "ALTER TRIGGER BTPR107PAR ENABLE"},
    {"BTPR207EXT", "PR207EXT", "ALTER TRIGGER BTPR207EXT DISABLE", "ALTER TRIGGER BTPR207EXT ENABLE"},
    // Groups: always the schema TAVO.
    {"BTKA061GRP", "KA061GRP", "ALTER TRIGGER TAVO.BTKA061GRP DISABLE", "ALTER TRIGGER TAVO.BTKA061GRP ENABLE"},
    {"BTKA060AK0", "KA060AK0", "ALTER TRIGGER TAVO.BTKA060AK0 DISABLE", "ALTER TRIGGER TAVO.BTKA060AK0 ENABLE"},
    {"BTPO061SPG", "PO061SPG", "ALTER TRIGGER TAVO.BTPO061SPG DISABLE", "ALTER TRIGGER TAVO.BTPO061SPG ENABLE"},
    {"BTKA055HC0", "KA055HC0", "ALTER TRIGGER TAVO.BTKA055HC0 DISABLE", "ALTER TRIGGER TAVO.BTKA055HC0 ENABLE"},
    {"BTPO065HC0", "PO065HC0", "ALTER TRIGGER TAVO.BTPO065HC0 DISABLE", "ALTER TRIGGER TAVO.BTPO065HC0 ENABLE"},
    {"BT055SHC", "PO055SHC", "ALTER TRIGGER TAVO.BT055SHC DISABLE", "ALTER TRIGGER TAVO.BT055SHC ENABLE"},
    {"BTKA062NHC", "KA062NHC", "ALTER TRIGGER TAVO.BTKA062NHC DISABLE", "ALTER TRIGGER TAVO.BTKA062NHC ENABLE"},
    {"BTKA055LAB", "KA055LAB", "ALTER TRIGGER TAVO.BTKA055LAB DISABLE", "ALTER TRIGGER TAVO.BTKA055LAB ENABLE"},
    {"BTKA062NHH", "KA062NHH", "ALTER TRIGGER TAVO.BTKA062NHH DISABLE", "ALTER TRIGGER TAVO.BTKA062NHH ENABLE"},
};

TEST_F(Triggers, EachSwitchStatementTurnsItsTriggerOffAndOn)
{
    for (const TriggerCase &c : kTriggerCases) {
        SCOPED_TRACE(c.trigger);
        const QString trigger = QString::fromLatin1(c.trigger);
        try {
            EXPECT_EQ(select(session,
                             QStringList{QStringLiteral("select trigger_name from dba_triggers where table_owner='") +
                                         QStringLiteral("TAVO") + QStringLiteral("' and table_name='") +
                                         QString::fromLatin1(c.table) + QStringLiteral("'")},
                             {}, {"trigger_name"}),
                      c.trigger);
            EXPECT_EQ(status(trigger), QStringLiteral("ENABLED"));
            execute(session, literal({c.off}));
            EXPECT_EQ(status(trigger), QStringLiteral("DISABLED"));
            execute(session, literal({c.on}));
            EXPECT_EQ(status(trigger), QStringLiteral("ENABLED"));
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(Triggers, DictionaryDrivenSwitchOfTheGeneralRefresh)
{
    // The general refresh looks the triggers of the table up and switches
    // each by its name alone.
    const QString owner = QStringLiteral("FAKTUR");
    const QString table = QStringLiteral("KA300CEN");
    const QStringList lookup{QStringLiteral("select trigger_name from dba_triggers where table_owner='") + owner +
                             QStringLiteral("' and table_name='") + table + QStringLiteral("'")};
    TOracleSession faktur;
    logon(faktur, QStringLiteral("FAKTUR"), QStringLiteral("FAKTUR"));
    for (const char *mode : {"DISABLE", "ENABLE"}) {
        TOracleDataSet quTmp(&faktur);
        quTmp.SQL = lookup;
        quTmp.Open();
        int n = 0;
        for (; !quTmp.Eof(); quTmp.Next(), ++n)
            execute(faktur, QStringList{QStringLiteral("alter trigger ") +
                                        quTmp.FieldByName(QStringLiteral("trigger_name")).AsString() +
                                        QStringLiteral(" ") + QLatin1String(mode)});
        quTmp.Close();
        EXPECT_EQ(n, 1);
        EXPECT_EQ(value(faktur, QStringLiteral("select status from dba_triggers where trigger_name='BTKA300CEN'")),
                  QString::fromLatin1(mode) + QStringLiteral("D"));
    }
    // A table without triggers gives no row.
    EXPECT_EQ(select(session,
                     literal({"select trigger_name from dba_triggers where table_owner='TAVO' and "
                              "table_name='KA116PAL'"}),
                     {}, {"trigger_name"}),
              "");
}

TEST_F(Triggers, ASwitchedOffTriggerLeavesTheCarriedChangeTime)
{
    // The group insert carries the exporting installation's change time; the
    // row trigger replaces it unless it is switched off.
    const QStringList insert =
        sql({"insert into tavo.ka061grp", " (SIFRA061, DESC_061, LEVEL231, CODE_061, EMPTY061, DATUMIPL, USER_IPL,",
             "  TYPE_061, STAT_061,SIFRA038)", "  values",
             " (tavo.getSequence('KA061GRP'),:DESC_061,:LEVEL231,:CODE_061,:EMPTY061,to_date(:DATUMIPL,'DD.MM.YYYY "
             "HH24:MI:SS'),:USER_IPL,",
             "  :TYPE_061,:STAT_061,:SIFRA038)"});
    const auto binds = [](const char *code) {
        return Binds{{"DESC_061", otString, QStringLiteral("Skupina")},
                     {"LEVEL231", otString, QString()},
                     {"CODE_061", otString, QString::fromLatin1(code)},
                     {"EMPTY061", otString, QString()},
                     {"DATUMIPL", otString, QStringLiteral("05.03.2016 08:15:00")},
                     {"USER_IPL", otString, QStringLiteral("IZVOR")},
                     {"TYPE_061", otString, QStringLiteral("H")},
                     {"STAT_061", otString, QStringLiteral("1")},
                     {"SIFRA038", otInteger, QVariant()}};
    };
    execute(session, literal({"ALTER TRIGGER TAVO.BTKA061GRP DISABLE"}));
    execute(session, insert, binds("G1"));
    session.Commit();
    execute(session, literal({"ALTER TRIGGER TAVO.BTKA061GRP ENABLE"}));
    execute(session, insert, binds("G2"));
    session.Commit();

    EXPECT_EQ(value(session, QStringLiteral("select to_char(datumipl,'DD.MM.YYYY HH24:MI:SS') from tavo.ka061grp "
                                            "where code_061='G1'")),
              QStringLiteral("05.03.2016 08:15:00"));
    TOracleDataSet q(&session);
    q.SQL = literal({"select datumipl from tavo.ka061grp where code_061='G2'"});
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_LT(qAbs(q.FieldByName(QStringLiteral("datumipl")).AsDateTime().secsTo(QDateTime::currentDateTime())), 120);
}

TEST_F(Triggers, LargeRollbackSegmentOnlineAndOffline)
{
    for (const char *mode : {"ONLINE", "OFFLINE"}) {
        SCOPED_TRACE(mode);
        TOracleQuery quTemporary(&session);
        quTemporary.SQL = QStringList{QStringLiteral("begin"),
                                      QStringLiteral("orna_util.activateLARGERB('") + QStringLiteral("LARGERB") +
                                          QStringLiteral("','") + QLatin1String(mode) + QStringLiteral("');"),
                                      QStringLiteral("end;")};
        EXPECT_NO_THROW(quTemporary.Execute());
    }
}

class Dictionary : public StatementsTest {};

struct ColumnCase {
    const char *owner;
    const char *table;
    const char *column;
    // data_type|data_length|data_precision|data_scale|nullable|column_id
    const char *expected;
};

const ColumnCase kColumnCases[] = {
    {"TAVO", "KA000HED", "SIFRA000", "VARCHAR2|10|||N|1"},
    {"TAVO", "KA000HED", "DOL__000", "NUMBER|22|3|0|Y|2"},
    {"TAVO", "KA000HED", "TYPE_000", "CHAR|1|||Y|4"},
    {"TAVO", "KA000HED", "DATUMIPL", "DATE|7|||Y|10"},
    {"TAVO", "KA061GRP", "SIFRA061", "NUMBER|22|10|0|N|1"},
    {"TAVO", "PR170DK0", "STOP_170", "NUMBER|22|5|2|Y|4"},
    {"TAVO", "KA055LAB", "SIFRA", "NUMBER|22|||Y|17"},
    {"TAVO", "KA007PAR", "DESCL007", "VARCHAR2|2000|||Y|8"},
    {"TAVO", "I_XML_X03", "XML__003", "CLOB|4000|||Y|3"},
    {"ORNA_UTIL", "ORNA_MOX", "IZVAJAMOX", "NUMBER|22||0|Y|5"},
    {"FAKTUR", "KA301PLA", "CODE_301", "CHAR|8|||Y|2"},
    {"FAKTUR", "KA300CEN", "CENA_300", "NUMBER|22|12|2|Y|5"},
};

TEST_F(Dictionary, ColumnValuesOfTheLayoutQuery)
{
    const QStringList text = literal(
        {"select * from all_tab_columns where owner=:upor and table_name=:tabela", "order by column_id"});
    for (const ColumnCase &c : kColumnCases) {
        SCOPED_TRACE(std::string(c.owner) + "." + c.table + "." + c.column);
        try {
            TOracleDataSet q(&session);
            q.SQL = text;
            q.DeclareVariable(QStringLiteral("upor"), otString);
            q.DeclareVariable(QStringLiteral("tabela"), otString);
            q.SetVariable(QStringLiteral("upor"), QString::fromLatin1(c.owner));
            q.SetVariable(QStringLiteral("tabela"), QString::fromLatin1(c.table));
            q.Open();
            QString found;
            int previousId = 0;
            for (; !q.Eof(); q.Next()) {
                const int id = int(q.FieldByName(QStringLiteral("column_id")).AsInteger());
                EXPECT_EQ(id, previousId + 1) << "columns in the order of column_id";
                previousId = id;
                if (q.FieldByName(QStringLiteral("column_name")).AsString() != QLatin1String(c.column))
                    continue;
                QStringList v;
                for (const char *f : {"data_type", "data_length", "data_precision", "data_scale", "nullable",
                                      "column_id"})
                    v << q.FieldByName(QString::fromLatin1(f)).AsString();
                found = v.join(u'|');
            }
            q.Close();
            EXPECT_EQ(found.toStdString(), c.expected);
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(Dictionary, ColumnCheckOfStructureFiles)
{
    struct Case {
        const char *owner, *table, *column, *count;
    };
    const Case cases[] = {
        {"TAVO", "KA060AK0", "CODE_060", "1"},
        {"TAVO", "KA060AK0", "CODE_061", "0"},
        {"FAKTUR", "KA300CEN", "CENA_300", "1"},
        {"TAVO", "KA300CEN", "CENA_300", "0"},
        {"ORNA_UTIL", "ORNA_MOX", "VRSTAMOX", "1"},
    };
    const QStringList text = literal({"select count(*) obstaja from dba_tab_columns where owner=:lastnik  and "
                                      "table_name=:tabela and column_name=:kolona"});
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.owner) + "." + c.table + "." + c.column);
        try {
            EXPECT_EQ(select(session, text,
                             {{"lastnik", otString, QString::fromLatin1(c.owner)},
                              {"tabela", otString, QString::fromLatin1(c.table)},
                              {"kolona", otString, QString::fromLatin1(c.column)}},
                             {"obstaja"}),
                      c.count);
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(Dictionary, OwnersAndTablesOfTheStructureEditors)
{
    const std::string users =
        select(session, literal({"select username from all_users", "order by userName"}), {}, {"username"});
    const QStringList list = QString::fromStdString(users).split(u'\n');
    const qsizetype f = list.indexOf(QStringLiteral("FAKTUR"));
    const qsizetype o = list.indexOf(QStringLiteral("ORNA_UTIL"));
    const qsizetype t = list.indexOf(QStringLiteral("TAVO"));
    EXPECT_TRUE(f >= 0 && o > f && t > o) << users;

    const QStringList tables =
        literal({"select table_name from all_tables where owner=:upor", "order by table_name"});
    EXPECT_EQ(select(session, tables, {{"upor", otString, QStringLiteral("FAKTUR")}}, {"table_name"}),
              rows({"KA300CEN", "KA301PLA"}));
    EXPECT_EQ(select(session, tables, {{"upor", otString, QStringLiteral("ORNA_UTIL")}}, {"table_name"}),
              rows({"ORNA_INSTALATIONS", "ORNA_MOX"}));
    EXPECT_EQ(select(session, tables, {{"upor", otString, QStringLiteral("TAVO")}}, {"table_name"}),
              rows({"I_XML_X03", "KA000HED", "KA007PAR", "KA010RES", "KA011NHC", "KA023GRP", "KA055HC0",
                    "KA055LAB", "KA060AK0", "KA061GRP", "KA062NHC", "KA062NHH", "KA116PAL", "KA900REP", "KA901RAT",
                    "KA902RPR", "KG000SS0", "KR031ORG", "PO011HC0", "PO023GRP", "PO055SHC", "PO061GRP", "PO061SPG",
                    "PO065HC0", "PO116NHC", "PR107PAR", "PR170DK0", "PR207EXT", "PR908CXR"}));
}

} // namespace
