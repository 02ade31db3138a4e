// Run history, session preparation, key numbering and installations: the
// statements of the shell and the automation run against the served schema.
#include "corpus.h"

#include "run/schemanames.h"
#include "run/runstate.h"

#include <QRegularExpression>

using namespace corpus;

namespace {

const QStringList kHistoryInsert = literal({"insert into orna_util.orna_mox",
                                            "(datummox,user_mox,vrstamox,napakemox,izvajamox)", "values",
                                            "(:datummox,:user_mox,:vrstamox,:napakemox,:izvajamox)"});

void writeHistory(TOracleSession &s, const QDateTime &when, const char *kind, const char *errors, int seconds)
{
    execute(s, kHistoryInsert,
            {{"datummox", otDate, when},
             {"user_mox", otString, QStringLiteral("TAVO")},
             {"vrstamox", otString, QString::fromUtf8(kind)},
             {"napakemox", otString, QString::fromUtf8(errors)},
             {"izvajamox", otInteger, seconds}});
}

class RunHistory : public StatementsTest {};

TEST_F(RunHistory, ServerTimeToTheMinute)
{
    TOracleDataSet q(&session);
    q.SQL = literal(
        {"select to_date(to_char(sysdate,'DD.MM.YYYY HH24:MI'),'DD.MM.YYYY HH24:MI') datum from dual  "});
    q.Open();
    ASSERT_FALSE(q.Eof());
    const QDateTime d = q.FieldByName(QStringLiteral("datum")).AsDateTime();
    const QString text = q.FieldByName(QStringLiteral("DATUM")).AsString();
    q.Close();
    EXPECT_EQ(d.time().second(), 0);
    EXPECT_LT(qAbs(d.secsTo(QDateTime::currentDateTime())), 120) << d.toString().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:00$")).match(text).hasMatch())
        << text.toStdString();
}

TEST_F(RunHistory, InsertReadsBackAndIsVisibleFromTheUtilitySchema)
{
    writeHistory(session, dt("01.03.2024 10:07:00"), "TAVO.KA060AK0", "N", 75);
    session.Commit();
    EXPECT_EQ(select(session, literal({"select * from orna_util.orna_mox"}), {},
                     {"DATUMMOX", "user_mox", "VrstaMox", "napakemox", "izvajamox"}),
              rows({"01.03.2024 10:07:00|TAVO|TAVO.KA060AK0|N|75"}));

    TOracleSession util;
    logon(util, QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"));
    EXPECT_EQ(value(util, QStringLiteral("select count(*) from orna_mox")), QStringLiteral("1"));
}

TEST_F(RunHistory, LastRefreshPerKind)
{
    // Kind, time, errors: the query gives per kind the rows at the latest
    // time of a row without errors.
    writeHistory(session, dt("01.03.2024 10:00:00"), "SKS", "N", 1);
    writeHistory(session, dt("01.03.2024 11:00:00"), "SKS", "D", 1);
    writeHistory(session, dt("01.03.2024 09:00:00"), "GRUPE", "N", 1);
    writeHistory(session, dt("02.03.2024 08:30:00"), "GRUPE", "N", 1); // two transfers in one minute
    writeHistory(session, dt("02.03.2024 08:30:00"), "GRUPE", "N", 2);
    writeHistory(session, dt("01.03.2024 12:00:00"), "OBR", "D", 1); // never without errors
    writeHistory(session, dt("28.02.2024 23:59:00"), "TAVO.KA060AK0", "N", 1);
    session.Commit();

    const QStringList query = literal(
        {"select vrstamox,to_char(datummox,'DD.MM.YYYY HH24:MI') datummox  from orna_util.orna_mox vrs  where "
         "vrstaMox in (select vrstaMox from orna_util.orna_mox group by vrstamox)        and datummox=(select "
         "max(datummox) from orna_util.orna_mox where vrstamox=vrs.vrstaMox            and napakemox='N')"});
    EXPECT_EQ(sorted(select(session, query, {}, {"vrstaMox", "datumMox"})),
              sorted(rows({"GRUPE|02.03.2024 08:30", "GRUPE|02.03.2024 08:30", "SKS|01.03.2024 10:00",
                           "TAVO.KA060AK0|28.02.2024 23:59"})));
}

class SessionAndKeys : public StatementsTest {};

const QStringList kHeaderInsert =
    sql({"insert into tavo.ka000hed (sifra000,dol__000,desc_000,type_000,prod1000,prod2000,",
         " prod3000,prod4000,stat_000,datumipl,user_ipl)",
         " values (:sifra000,:dol__000,:desc_000,'S',:prod1000,:prod2000,:prod3000,:prod4000,'1',sysdate,"
         "tavo.pckLogParam.getUser) "});

Binds headerBinds(const char *code)
{
    return {{"sifra000", otString, QString::fromUtf8(code)}, {"dol__000", otInteger, 2},
            {"desc_000", otString, QStringLiteral("Opis")},   {"prod1000", otString, QStringLiteral("1")},
            {"prod2000", otString, QString()},                {"prod3000", otString, QString()},
            {"prod4000", otString, QString()}};
}

TEST_F(SessionAndKeys, LogParamMarkerReachesTheAuditColumn)
{
    // Without the session preparation the package gives the logged-on user.
    execute(session, kHeaderInsert, headerBinds("A1"));
    session.Commit();

    TOracleDataSet quDyn1(&session);
    TRunState state;
    pripraviSejo(quDyn1, state);
    execute(session, kHeaderInsert, headerBinds("A2"));
    session.Commit();

    EXPECT_EQ(select(session, literal({"select sifra000,user_ipl from tavo.ka000hed order by sifra000"}), {},
                     {"sifra000", "user_ipl"}),
              rows({"A1|TAVO", "A2|ORN"}));
}

TEST_F(SessionAndKeys, GetSequenceBlocksGiveRisingKeysPerName)
{
    const char *names[] = {"KG000SS0", "KA007PAR", "PR107PAR", "PR207EXT", "KA901RAT", "PR908CXR", "I_XML_X03"};
    for (const char *name : names) {
        SCOPED_TRACE(name);
        const QStringList text =
            sql(QStringList{QStringLiteral("begin :naslednji:=tavo.getSequence('%1'); end;").arg(QLatin1String(name))});
        const qint64 first = block(session, text, QStringLiteral("naslednji"), otInteger).AsInteger();
        EXPECT_GE(first, 1);
        session.Rollback(); // a key once given is never given again
        const qint64 second = block(session, text, QStringLiteral("naslednji"), otInteger).AsInteger();
        EXPECT_GT(second, first);

        TOracleSession other;
        logon(other, QStringLiteral("TAVO"), QStringLiteral("TAVO"));
        EXPECT_GT(block(other, text, QStringLiteral("naslednji"), otInteger).AsInteger(), second);
    }
}

TEST_F(SessionAndKeys, GetSequenceOfOneNameDoesNotAdvanceAnother)
{
    const auto next = [&](const char *name) {
        return block(session,
                     sql(QStringList{QStringLiteral("begin :naslednji:=tavo.getSequence('%1'); end;")
                                         .arg(QLatin1String(name))}),
                     QStringLiteral("naslednji"), otInteger)
            .AsInteger();
    };
    const qint64 a1 = next("KA900REP");
    next("KA901RAT");
    next("KA901RAT");
    EXPECT_EQ(next("KA900REP"), a1 + 1);
}

class Installations : public StatementsTest {
protected:
    bool multi() const override { return true; }
};

TEST_F(Installations, LoadedInTheOrderOfUserIndex)
{
    TOracleSession util;
    logon(util, QStringLiteral("ORNA_UTIL"), QStringLiteral("ORNA_UTIL"));
    run(util, {"insert into ORNA_INSTALATIONS (USERNAME, INSTANCE, USER_TAVO, PASS_TAVO, USER_FAKTUR, PASS_FAKTUR, "
               "USERINDEX, LASTSCRIPTSTATUS) values ('TAVO', 'CORPUS', 'TAVO', 'TAVO', 'FAKTUR', 'FAKTUR', 0, 'OK')"});

    EXPECT_EQ(select(session, literal({"select * from ORNA_UTIL.ORNA_INSTALATIONS order by userIndex"}), {},
                     {"user_Tavo", "pass_Tavo", "user_Faktur", "pass_Faktur", "instance", "userIndex",
                      "LastScriptStatus"}),
              rows({"TAVO|TAVO|FAKTUR|FAKTUR|CORPUS|0|OK", "TAVO_A|TAVO_A|FAKTUR_A|FAKTUR_A|CORPUS|1|",
                    "TAVO_B|TAVO_B|FAKTUR_B|FAKTUR_B|CORPUS|2|"}));
}

TEST_F(Installations, InteractiveMappingByUserName)
{
    const QString currUser = QStringLiteral("TAVO_B");
    const QStringList q{QStringLiteral("select * from ORNA_UTIL.ORNA_INSTALATIONS where userName='") + currUser +
                        QStringLiteral("'")};
    EXPECT_EQ(select(session, q, {}, {"INSTANCE", "USER_TAVO", "USER_FAKTUR"}), rows({"CORPUS|TAVO_B|FAKTUR_B"}));
    EXPECT_EQ(select(session,
                     QStringList{QStringLiteral("select * from ORNA_UTIL.ORNA_INSTALATIONS where userName='NOBODY'")},
                     {}, {"INSTANCE"}),
              "");
}

TEST_F(Installations, InstallationLogonsAndWrongPassword)
{
    TOracleSession a;
    logon(a, QStringLiteral("TAVO_A"), QStringLiteral("TAVO_A"));
    EXPECT_TRUE(a.Connected());

    TOracleSession wrong;
    wrong.LogonUsername = QStringLiteral("TAVO_B");
    wrong.LogonPassword = QStringLiteral("TAVO_A");
    wrong.LogonDatabase = QString::fromLatin1(kAlias);
    EXPECT_THROW(wrong.setConnected(true), EMoxError);
    EXPECT_FALSE(wrong.Connected());
}

TEST_F(Installations, SubstitutedStatementsReachTheInstallationsSchemas)
{
    // Logged on as TAVO_A, statements written for TAVO and FAKTUR run in the
    // schemas of installation B once their prefixes are rewritten.
    TOracleSession a;
    logon(a, QStringLiteral("TAVO_A"), QStringLiteral("TAVO_A"));
    TRunState state;
    state.currUserAsTavo = QStringLiteral("TAVO_B");
    state.currUserAsFaktur = QStringLiteral("FAKTUR_B");

    TOracleQuery ins(&a);
    ins.SQL = QStringList{zamenjave(kHeaderInsert.join(QStringLiteral("\r\n")), QStringLiteral("SQL"), state)};
    for (const Bind &b : headerBinds("B1")) {
        ins.DeclareVariable(b.name, b.type);
        ins.SetVariable(b.name, b.value);
    }
    ins.Execute();
    TOracleQuery price(&a);
    price.SQL = QStringList{zamenjave(
        QStringLiteral("insert into faktur.ka300cen (sifra300,code_300,cena_300) values (1,'C1',12.5)"),
        QStringLiteral("SQL"), state)};
    price.Execute();
    a.Commit();

    EXPECT_EQ(value(a, QStringLiteral("select count(*) from TAVO_B.KA000HED")), QStringLiteral("1"));
    EXPECT_EQ(value(a, QStringLiteral("select count(*) from KA000HED")), QStringLiteral("0"));
    EXPECT_EQ(value(a, QStringLiteral("select cena_300 from FAKTUR_B.KA300CEN")), QStringLiteral("12.5"));
    EXPECT_EQ(value(a, QStringLiteral("select count(*) from FAKTUR_A.KA300CEN")), QStringLiteral("0"));
}

TEST_F(Installations, QualifiedColumnsOfAnotherInstallationsSchema)
{
    // The lab services query names a column by owner.table.column and the
    // tables again by their names alone; logged on as TAVO_A and rewritten
    // for TAVO_B, every name must reach TAVO_B.
    TOracleSession b;
    logon(b, QStringLiteral("TAVO_B"), QStringLiteral("TAVO_B"));
    run(b, {"insert into ka011nhc (sifra011,code_011) values (1,'S1')",
            "insert into ka062nhh (sifra062,sifra055,sifra011,kol1_062,stat_062) values (1,6,1,2,'1')"});
    TOracleSession a;
    logon(a, QStringLiteral("TAVO_A"), QStringLiteral("TAVO_A"));
    run(a, {"insert into ka011nhc (sifra011,code_011) values (1,'A1')"});

    TRunState state;
    state.currUserAsTavo = QStringLiteral("TAVO_B");
    const QString text =
        QStringLiteral("select ka062nhh.*,to_char(ka062nhh.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl,"
                       "tavo.ka011nhc.code_011 from tavo.ka062nhh ,tavo.ka011nhc \r\n"
                       "  where sifra055=:sifra055 and ka011nhc.sifra011=ka062nhh.sifra011 order by stat_062 desc");
    EXPECT_EQ(select(a, zamenjave(text, QStringLiteral("SQL"), state).split(QStringLiteral("\r\n")),
                     {{"sifra055", otInteger, 6}}, {"code_011", "kol1_062"}),
              rows({"S1|2"}));

    // The group refresh's trigger switch names the schema itself.
    execute(a, literal({"ALTER TRIGGER TAVO_B.BTKA062NHH DISABLE"}));
    EXPECT_EQ(value(a, QStringLiteral("select status from dba_triggers where table_owner='TAVO_B' and "
                                      "trigger_name='BTKA062NHH'")),
              QStringLiteral("DISABLED"));
    EXPECT_EQ(value(a, QStringLiteral("select status from dba_triggers where table_owner='TAVO_A' and "
                                      "trigger_name='BTKA062NHH'")),
              QStringLiteral("ENABLED"));
}

} // namespace
