#include "run/schemanames.h"
#include "run/runstate.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    const char *name;
    const char *tavo;
    const char *in;
    const char *out;
};

const Case kCases[] = {
    {"lower-case prefix is upper-cased", "TAVO", "select * from tavo.x", "select * from TAVO.x"},
    {"after parenthesis and comma", "TAVO2", "select f(TAVO.a),TAVO.b from dual", "select f(TAVO2.a),TAVO2.b from dual"},
    {"after letter stays", "TAVO2", "select xTAVO.a from dual", "select xTAVO.a from dual"},
    {"at the very start stays", "TAVO2", "TAVO.a", "TAVO.a"},
    {"at start of a later line stays", "TAVO2", "select 1\r\nTAVO.a", "select 1\r\nTAVO.a"},
    {"directly after a previous occurrence stays", "T2", " TAVO.TAVO.a", " T2.TAVO.a"},
    {"operators and star", "T2", "a=TAVO.x<TAVO.y>TAVO.z*TAVO.w", "a=T2.x<T2.y>T2.z*T2.w"},
    {"utility schema untouched", "T2", " ORNA_UTIL.orna_mox", " ORNA_UTIL.orna_mox"},
};
} // namespace

TEST(SchemaNames, ZamenjaveCases)
{
    for (const Case &c : kCases) {
        TRunState rs;
        rs.currUserAsTavo = QString::fromUtf8(c.tavo);
        EXPECT_EQ(zamenjave(QString::fromUtf8(c.in), QStringLiteral("SQL"), rs), QString::fromUtf8(c.out)) << c.name;
    }
}

TEST(SchemaNames, FakturPrefix)
{
    TRunState rs;
    rs.currUserAsFaktur = QStringLiteral("FAKTUR3");
    EXPECT_EQ(zamenjave(QStringLiteral("select * from faktur.t, TAVO.u"), QStringLiteral("SQL"), rs),
              QStringLiteral("select * from FAKTUR3.t, TAVO.u"));
}
