// Analyses of medical data: lookups, key blocks, inserts and overwrites, and
// the XML definitions written through a CLOB locator.
#include "corpus.h"

using namespace corpus;

namespace {

const QStringList kAnalysisLookup =
    sql({"select sifra908,sifrax03 from tavo.pr908cxr where code_908=:code_908 and stat_908='1' "});
const QStringList kServiceLookup = sql({"select sifra055 from tavo.ka055hc0 where code_055=:code_055"});
const QStringList kAnalysisKey = sql({"begin :naslednji:=tavo.getSequence('PR908CXR'); end;"});
const QStringList kXmlKey = sql({"begin :naslednji:=tavo.getSequence('I_XML_X03'); end;"});
const QStringList kAnalysisInsert =
    sql({"insert into tavo.pr908cxr (SIFRA908,SIFRA055,SIFRAX03,DESC_908,TYPE_908,FILTR908,DATE_908,STAT_908,DATUMIPL,"
         "USER_IPL,CODE_908)  values(:SIFRA908,:SIFRA055,:SIFRAX03,:DESC_908,:TYPE_908,:FILTR908,:DATE_908,'1',:"
         "DATUMIPL,:USER_IPL,:CODE_908) "});
const QStringList kAnalysisUpdate =
    sql({"update tavo.pr908cxr set DESC_908=:DESC_908,TYPE_908=:TYPE_908,FILTR908=:FILTR908,DATE_908=:DATE_908,"
         "DATUMIPL=:DATUMIPL,USER_IPL=:USER_IPL     where sifra908=:sifra908"});
const QStringList kXmlInsert =
    sql({"insert into tavo.i_xml_x03 ( SIFRAX03, TYPE_X03, XML__003, STAT_X03,DATUMIPL, USER_IPL) values "
         "(:SIFRAX03,:TYPE_X03,empty_clob(),'1'    ,:DATUMIPL,:USER_IPL) returning XML__003 into :XML__003"});
const QStringList kXmlUpdate =
    sql({"update tavo.i_xml_x03 set TYPE_X03=:TYPE_X03, XML__003=empty_clob(),DATUMIPL=:DATUMIPL, USER_IPL=:USER_IPL  "
         "  where sifrax03=:sifrax03  returning XML__003 INTO :XML__003 "});
const QStringList kXmlSelect =
    literal({"select * from tavo.i_xml_x03 where sifrax03=:sifrax03 and stat_x03='1' "});

// A long definition with letters outside ASCII and line breaks.
QString longXml(const char *tag)
{
    QString s = QStringLiteral("<?xml version=\"1.0\"?>\r\n<analiza id=\"%1\">\r\n").arg(QLatin1String(tag));
    for (int i = 0; i < 400; ++i)
        s += QStringLiteral("  <polje st=\"%1\">Čšž ĆĐ številka %1</polje>\r\n").arg(i);
    return s + QStringLiteral("</analiza>\r\n");
}

class Analyses : public StatementsTest {
protected:
    void SetUp() override
    {
        StatementsTest::SetUp();
        run(session, {"insert into ka055hc0 (sifra055,code_055,stat_055) values (7,'HC1','1')",
                      "insert into ka055hc0 (sifra055,code_055,stat_055) values (8,'HC2','1')"});
    }

    // Writes an XML definition through the statement's CLOB locator and
    // commits, as the refresh does.
    int writeXml(const QStringList &text, qint64 key, const QString &xml)
    {
        TOracleQuery q(&session);
        q.SQL = text;
        q.DeclareVariable(QStringLiteral("sifrax03"), otInteger);
        q.DeclareVariable(QStringLiteral("type_x03"), otString);
        q.DeclareVariable(QStringLiteral("user_ipl"), otString);
        q.DeclareVariable(QStringLiteral("datumipl"), otDate);
        q.DeclareVariable(QStringLiteral("xml__003"), otCLOB);
        q.SetVariable(QStringLiteral("SIFRAX03"), key);
        q.SetVariable(QStringLiteral("TYPE_X03"), QStringLiteral("XML"));
        q.SetVariable(QStringLiteral("USER_IPL"), QStringLiteral("IZVOR"));
        q.SetVariable(QStringLiteral("DATUMIPL"), dt("05.03.2016 08:15:00"));
        TLOBLocator lob(&session, otCLOB);
        q.SetComplexVariable(QStringLiteral("XML__003"), &lob);
        q.Execute();
        lob.Write(xml);
        session.Commit();
        return q.RowsProcessed();
    }

    QString readXml(qint64 key)
    {
        TOracleDataSet q(&session);
        q.SQL = kXmlSelect;
        q.DeclareVariable(QStringLiteral("sifrax03"), otInteger);
        q.SetVariable(QStringLiteral("sifrax03"), key);
        q.Open();
        const QString text = q.Eof() ? QStringLiteral("<no row>") : q.FieldByName(QStringLiteral("XML__003")).AsString();
        q.Close();
        return text;
    }

    Binds analysis(const char *desc)
    {
        return {{"desc_908", otString, QString::fromUtf8(desc)},
                {"type_908", otString, QStringLiteral("T")},
                {"filtr908", otString, QString()},
                {"user_ipl", otString, QStringLiteral("IZVOR")},
                {"date_908", otDate, dt("01.02.2020 00:00:00")},
                {"datumipl", otDate, dt("05.03.2016 08:15:00")}};
    }
};

TEST_F(Analyses, NewAnalysisWithItsXmlDefinition)
{
    EXPECT_EQ(select(session, kAnalysisLookup, {{"code_908", otString, QStringLiteral("POR")}},
                     {"sifra908", "sifrax03"}),
              "");
    EXPECT_EQ(select(session, kServiceLookup, {{"code_055", otString, QStringLiteral("HC1")}}, {"sifra055"}), "7");
    EXPECT_EQ(select(session, kServiceLookup, {{"code_055", otString, QStringLiteral("HC9")}}, {"sifra055"}), "");

    const qint64 a = block(session, kAnalysisKey, QStringLiteral("naslednji"), otInteger).AsInteger();
    const qint64 x = block(session, kXmlKey, QStringLiteral("naslednji"), otInteger).AsInteger();
    ASSERT_GE(a, 1);
    ASSERT_GE(x, 1);

    const QString xml = longXml("POR");
    EXPECT_EQ(writeXml(kXmlInsert, x, xml), 1);
    EXPECT_EQ(readXml(x), xml);

    Binds b = analysis("Porod");
    b.push_back({"sifra908", otInteger, a});
    b.push_back({"sifra055", otInteger, 7});
    b.push_back({"sifrax03", otInteger, x});
    b.push_back({"code_908", otString, QStringLiteral("POR")});
    EXPECT_EQ(execute(session, kAnalysisInsert, b), 1);
    session.Commit();

    EXPECT_EQ(select(session, kAnalysisLookup, {{"code_908", otString, QStringLiteral("POR")}},
                     {"sifra908", "sifrax03"}),
              QStringLiteral("%1|%2").arg(a).arg(x).toStdString());
    EXPECT_EQ(select(session, literal({"select * from tavo.pr908cxr"}), {},
                     {"sifra055", "desc_908", "date_908", "stat_908", "datumipl", "user_ipl"}),
              rows({"7|Porod|01.02.2020 00:00:00|1|05.03.2016 08:15:00|IZVOR"}));
    EXPECT_EQ(select(session, literal({"select * from tavo.i_xml_x03"}), {},
                     {"type_x03", "stat_x03", "datumipl", "user_ipl"}),
              rows({"XML|1|05.03.2016 08:15:00|IZVOR"}));
}

TEST_F(Analyses, OverwriteReplacesTheWholeXmlText)
{
    run(session, {"insert into i_xml_x03 (sifrax03,type_x03,xml__003,stat_x03) values (3,'OLD',empty_clob(),'1')",
                  "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,desc_908,stat_908) values "
                  "(30,7,3,'AND','staro','1')"});
    EXPECT_EQ(writeXml(kXmlUpdate, 3, longXml("prvi")), 1);
    EXPECT_EQ(readXml(3), longXml("prvi"));
    // A shorter text leaves nothing of the longer one behind.
    EXPECT_EQ(writeXml(kXmlUpdate, 3, QStringLiteral("<a/>")), 1);
    EXPECT_EQ(readXml(3), QStringLiteral("<a/>"));
    EXPECT_EQ(select(session, kXmlSelect, {{"sifrax03", otInteger, 3}}, {"type_x03", "user_ipl"}),
              rows({"XML|IZVOR"}));

    Binds b = analysis("novo");
    b.push_back({"sifra908", otInteger, 30});
    EXPECT_EQ(execute(session, kAnalysisUpdate, b), 1);
    session.Commit();
    EXPECT_EQ(select(session, literal({"select * from tavo.pr908cxr where sifra908=30"}), {},
                     {"desc_908", "date_908", "datumipl", "user_ipl", "code_908"}),
              rows({"novo|01.02.2020 00:00:00|05.03.2016 08:15:00|IZVOR|AND"}));
}

TEST_F(Analyses, PreparationJoinsTheServiceAndSkipsRowsWithoutIt)
{
    run(session,
        {"insert into i_xml_x03 (sifrax03,type_x03,xml__003,stat_x03) values (3,'XML',empty_clob(),'1')",
         "insert into i_xml_x03 (sifrax03,type_x03,xml__003,stat_x03) values (4,'XML',empty_clob(),'0')",
         "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,stat_908) values (1,7,3,'POR','1')",
         "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,stat_908) values (2,8,4,'AND','1')",
         "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,stat_908) values (3,99,3,'BOD','1')",
         "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,stat_908) values (4,7,3,null,'1')",
         "insert into pr908cxr (sifra908,sifra055,sifrax03,code_908,stat_908) values (5,7,3,'OLD','0')"});
    struct Case {
        const char *name;
        const char *condition;
        const char *expected;
    };
    const Case cases[] = {
        {"listed codes", "code_908 in ('POR','AND') and", "1|POR|HC1,2|AND|HC2"},
        {"all", "", "1|POR|HC1,2|AND|HC2"},
        {"one code", "code_908 in ('AND') and", "2|AND|HC2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const QStringList q{QStringLiteral("select cxr.*,hc.code_055 from tavo.pr908cxr cxr, tavo.ka055hc0 hc where ") +
                                QString::fromUtf8(c.condition) +
                                QStringLiteral(" stat_908='1' and code_908 IS NOT NULL  and hc.sifra055=cxr.sifra055 "
                                               "order by sifra908")};
            EXPECT_EQ(QString::fromStdString(select(session, q, {}, {"sifra908", "code_908", "code_055"}))
                          .replace(u'\n', u','),
                      QString::fromUtf8(c.expected));
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
    EXPECT_EQ(select(session, kXmlSelect, {{"sifrax03", otInteger, 3}}, {"sifrax03", "xml__003"}), "3|");
    EXPECT_EQ(select(session, kXmlSelect, {{"sifrax03", otInteger, 4}}, {"sifrax03"}), "");
}

} // namespace
