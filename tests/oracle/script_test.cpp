// Splitting scripts into statements as SQL*Plus reads them.
#include "oracle/embedded/script.h"
#include "base/moxerror.h"

#include <gtest/gtest.h>

namespace {

TEST(Script, StatementsAndBlocks)
{
    const QStringList lines = {
        "-- header",                                             // 1
        "",                                                       // 2
        "create table T (",                                       // 3
        "  A NUMBER",                                             // 4
        ");",                                                     // 5
        "create or replace trigger BT before insert on T",        // 6
        "for each row begin :new.A := 1; end;",                   // 7
        "/",                                                      // 8
        "insert into T values (1); ",                             // 9
        "begin",                                                  // 10
        "  x.y;",                                                 // 11
        "end;",                                                   // 12
        "/",                                                      // 13
        "PROMPT done",                                            // 14
        "select 1",                                               // 15
        "from dual",                                              // 16
        "/",                                                      // 17
    };
    const std::vector<oraembed::ScriptStatement> st = oraembed::splitScript(lines);
    ASSERT_EQ(st.size(), 5u);
    EXPECT_EQ(st[0].text, QStringLiteral("create table T (\n  A NUMBER\n)"));
    EXPECT_EQ(st[0].line, 3);
    EXPECT_EQ(st[1].text, QStringLiteral("create or replace trigger BT before insert on T\nfor each row begin :new.A := 1; end;"));
    EXPECT_EQ(st[1].line, 6);
    EXPECT_EQ(st[2].text, QStringLiteral("insert into T values (1)"));
    EXPECT_EQ(st[3].text, QStringLiteral("begin\n  x.y;\nend;"));
    EXPECT_EQ(st[3].line, 10);
    EXPECT_EQ(st[4].text, QStringLiteral("select 1\nfrom dual"));
}

TEST(Script, UnclosedStatementNamesItsLine)
{
    for (const QStringList &lines : {QStringList{"", "select 1 from dual"}, QStringList{"", "begin", "null;", "end;"}}) {
        try {
            oraembed::splitScript(lines);
            ADD_FAILURE() << lines.join(u'|').toStdString();
        } catch (const EMoxError &e) {
            EXPECT_TRUE(e.message().startsWith(QLatin1String("line 2"))) << e.what();
        }
    }
}

} // namespace
