// Pallets: preparation queries with outer joins and the refresh's lookups
// and inserts, sent exactly as written (no schema-name substitution).
#include "corpus.h"

using namespace corpus;

namespace {

class Pallets : public StatementsTest {
protected:
    void SetUp() override
    {
        StatementsTest::SetUp();
        run(session,
            {"insert into kr031org (sifra031,code_031,stat_031) values (1,'D1','1')",
             "insert into ka010res (sifra010,code_010) values (1,'ART1')",
             "insert into pr170dk0 (sifra170,code_170,stop_170) values (1,'DDV',22)",
             "insert into ka011nhc (sifra011,code_011,opis_011,kol__011,sifra010,sifra170,coef_011,stat_011) values "
             "(901,'S1','prva',2,1,1,1.5,'1')",
             "insert into ka011nhc (sifra011,code_011,opis_011,stat_011) values (902,'S2','druga','1')",
             "insert into ka116pal (sifra116,code_116,desc_116,sifra031,stat_116) values (901,'P1','paleta',1,'1')",
             "insert into ka116pal (sifra116,code_116,desc_116,sifra031,stat_116) values (902,'P10','brez oddelka',"
             "null,'1')",
             "insert into ka116pal (sifra116,code_116,desc_116,sifra031,stat_116) values (903,'P2','druga',1,'1')",
             "insert into po116nhc (idpo_116,sifra116,sifra011) values (901,901,901)",
             "insert into po116nhc (idpo_116,sifra116,sifra011) values (902,901,902)",
             "insert into po116nhc (idpo_116,sifra116,sifra011) values (903,901,999)"});
    }
};

TEST_F(Pallets, PreparationQueriesWithOuterJoins)
{
    // Pallets of the list P1,P10, with their department's code or none.
    EXPECT_EQ(sorted(select(session,
                            literal({"select pal.*,odd.code_031 from tavo.ka116pal pal,tavo.kr031org odd",
                                     "  where instr('P1,P10,' ,code_116||',')>0", "   and odd.sifra031(+)=pal.sifra031 "}),
                            {}, {"code_116", "desc_116", "code_031"})),
              sorted(rows({"P1|paleta|D1", "P10|brez oddelka|"})));

    // Links of a pallet, also one whose service is gone.
    EXPECT_EQ(sorted(select(session,
                            literal({"select pov.*,sto.code_011 from tavo.po116nhc pov,tavo.ka011nhc sto",
                                     "  where sifra116=:PALETA and ", "       sto.sifra011(+)=pov.sifra011 "}),
                            {{"PALETA", otInteger, 901}}, {"sifra011", "code_011"})),
              sorted(rows({"901|S1", "902|S2", "999|"})));

    // Services of a pallet with their article and tax codes, or none.
    EXPECT_EQ(sorted(select(session,
                            literal({"select sto.*,art.code_010,dav.code_170 from tavo.ka011nhc sto,tavo.ka010res "
                                     "art,tavo.pr170dk0 dav",
                                     " where sifra011 in (select sifra011 from tavo.po116nhc where sifra116=:PALETA "
                                     "group by sifra011) ",
                                     "      and art.sifra010(+)=sto.sifra010 and dav.sifra170(+)=sto.sifra170 "}),
                            {{"PALETA", otInteger, 901}},
                            {"code_011", "opis_011", "kol__011", "coef_011", "code_010", "code_170"})),
              sorted(rows({"S1|prva|2|1.5|ART1|DDV", "S2|druga||||"})));
}

TEST_F(Pallets, RefreshLookups)
{
    struct Case {
        const char *text, *var, *code, *key;
    };
    const Case cases[] = {
        {"select sifra031 from tavo.kr031org where code_031=:code_031", "code_031", "D1", "1"},
        {"select sifra031 from tavo.kr031org where code_031=:code_031", "code_031", "", ""},
        {"select sifra011 from tavo.ka011nhc where code_011=:code_011", "code_011", "S2", "902"},
        {"select sifra116 from tavo.ka116pal where code_116=:code_116", "code_116", "P10", "902"},
        {"select sifra170 from tavo.pr170dk0 where code_170=:code_170", "code_170", "DDV", "1"},
        {"select sifra170 from tavo.pr170dk0 where code_170=:code_170", "code_170", "", ""},
        {"select sifra010 from tavo.ka010res where code_010=:code_010", "code_010", "ART1", "1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.code);
        try {
            EXPECT_EQ(select(session, literal({c.text}), {{c.var, otString, QString::fromUtf8(c.code)}},
                             {QString::fromLatin1(c.var).replace(QStringLiteral("code_"), QStringLiteral("sifra"))}),
                      c.key);
        } catch (const EMoxError &e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(Pallets, RefreshInserts)
{
    // A new pallet; the last variable is written with a blank after its colon.
    EXPECT_EQ(select(session, literal({"select * from tavo.ka116pal where code_116=:code_116"}),
                     {{"code_116", otString, QStringLiteral("P7")}}, {"sifra116"}),
              "");
    EXPECT_EQ(execute(session,
                      literal({"insert into tavo.ka116pal",
                               " (SIFRA116, DATUMIPL, USER_IPL, CODE_116, DESC_116, SERV_116, STAT_116, SIFRA031)",
                               "  values",
                               " (tavo.getSequence('KA116PAL'),sysdate,'ORN',:CODE_116,:DESC_116,:SERV_116,:STAT_116,: "
                               "SIFRA031)"}),
                      {{"CODE_116", otString, QStringLiteral("P7")},
                       {"DESC_116", otString, QStringLiteral("sedma")},
                       {"SERV_116", otString, QStringLiteral("D")},
                       {"STAT_116", otString, QStringLiteral("1")},
                       {"SIFRA031", otInteger, 1}}),
              1);
    session.Commit();
    EXPECT_EQ(select(session, literal({"select * from tavo.ka116pal where code_116=:code_116"}),
                     {{"code_116", otString, QStringLiteral("P7")}}, {"desc_116", "serv_116", "sifra031", "user_ipl"}),
              rows({"sedma|D|1|ORN"}));

    // A new link.
    const QStringList linkExists = literal({"select * from tavo.po116nhc where sifra116=:sifra116 and sifra011=:sifra011"});
    const Binds link{{"sifra116", otInteger, 903}, {"sifra011", otInteger, 901}};
    EXPECT_EQ(select(session, linkExists, link, {"idpo_116"}), "");
    EXPECT_EQ(execute(session,
                      literal({"insert into tavo.po116nhc", " (SIFRA116, SIFRA011, IDPO_116)", "  values",
                               " (:SIFRA116,:SIFRA011,tavo.getSequence('PO116NHC'))"}),
                      link),
              1);
    session.Commit();
    EXPECT_EQ(select(session, linkExists, link, {"sifra116", "sifra011"}), rows({"903|901"}));

    // A new service, with and without an article.
    const QStringList insert = literal(
        {"insert into tavo.ka011nhc",
         " (SIFRA011, TYPE_011, OPIS_011, SSIF_K05, KOL__011, SSIF_P23, SIFRA081,",
         "  SSIF_P11, SSIF_Z07, CODE_011, SIFRA170, SSIF_Z17, COEF_011, SIFRA013,",
         "  KONTO011, DATUMIPL, USER_IPL, DATOD011, DATDO011, SSIF_Z68, SSIF_Z67,",
         "  DODOP011, DEJOB011, SIFRA010, STAT_011, DECL_011, SSIF_P20, INFO_011)",
         "  values",
         " (tavo.getSequence('KA011NHC'),:TYPE_011,:OPIS_011,:SSIF_K05,:KOL__011,:SSIF_P23,:SIFRA081,",
         "  :SSIF_P11, :SSIF_Z07,:CODE_011,:SIFRA170,:SSIF_Z17,:COEF_011,:SIFRA013,",
         "  :KONTO011,sysdate,'ORN',:DATOD011,:DATDO011,:SSIF_Z68,:SSIF_Z67,",
         "  :DODOP011,:DEJOB011,:SIFRA010,:STAT_011,:DECL_011,:SSIF_P20,:INFO_011 )"});
    const auto service = [](const char *code, const QVariant &article) {
        Binds b;
        for (const char *name : {"TYPE_011", "SSIF_K05", "SSIF_P23", "SSIF_P11", "SSIF_Z07", "SSIF_Z17", "KONTO011",
                                 "SSIF_Z68", "SSIF_Z67", "DODOP011", "DEJOB011", "DECL_011", "SSIF_P20", "INFO_011"})
            b.push_back({QString::fromLatin1(name), otString, QString()});
        b.push_back({QStringLiteral("OPIS_011"), otString, QStringLiteral("nova storitev")});
        b.push_back({QStringLiteral("CODE_011"), otString, QString::fromLatin1(code)});
        b.push_back({QStringLiteral("SIFRA081"), otString, QStringLiteral("81")});
        b.push_back({QStringLiteral("SIFRA013"), otString, QString()});
        b.push_back({QStringLiteral("COEF_011"), otString, QStringLiteral("0.25")});
        b.push_back({QStringLiteral("STAT_011"), otString, QStringLiteral("1")});
        b.push_back({QStringLiteral("KOL__011"), otInteger, 3});
        b.push_back({QStringLiteral("DATOD011"), otDate, dt("01.01.2024 00:00:00")});
        b.push_back({QStringLiteral("DATDO011"), otDate, QVariant()});
        b.push_back({QStringLiteral("SIFRA170"), otInteger, 1});
        b.push_back({QStringLiteral("SIFRA010"), otInteger, article});
        return b;
    };
    const QStringList exists = literal({"select * from tavo.ka011nhc where code_011=:code_011"});
    EXPECT_EQ(select(session, exists, {{"code_011", otString, QStringLiteral("S7")}}, {"sifra011"}), "");
    EXPECT_EQ(execute(session, insert, service("S7", 1)), 1);
    EXPECT_EQ(execute(session, insert, service("S8", QVariant())), 1);
    session.Commit();
    const QStringList cols{"code_011", "opis_011", "kol__011", "sifra081", "coef_011", "datod011",
                           "datdo011", "sifra010", "sifra170", "user_ipl"};
    EXPECT_EQ(select(session, exists, {{"code_011", otString, QStringLiteral("S7")}}, cols),
              rows({"S7|nova storitev|3|81|0.25|01.01.2024 00:00:00||1|1|ORN"}));
    EXPECT_EQ(select(session, exists, {{"code_011", otString, QStringLiteral("S8")}}, cols),
              rows({"S8|nova storitev|3|81|0.25|01.01.2024 00:00:00|||1|ORN"}));
}

} // namespace
