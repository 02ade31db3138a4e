// Text forms of numbers and dates, and Oracle's date format models.
#include "oracle/oravalues.h"
#include "base/moxerror.h"

#include <gtest/gtest.h>

namespace {

TEST(OraValues, NumberText)
{
    const std::pair<double, const char *> cases[] = {
        {12, "12"}, {12.5, "12.5"}, {-0.25, "-0.25"}, {0, "0"}, {0.1 + 0.2, "0.3"}, {1e20, "100000000000000000000"},
        {1234567.891, "1234567.891"}, {-3, "-3"}, {0.000001, "0.000001"},
    };
    for (const auto &[v, text] : cases)
        EXPECT_EQ(oravalue::numberText(v), QString::fromLatin1(text)) << v;
}

TEST(OraValues, DateFormats)
{
    const QDateTime dt(QDate(2024, 3, 5), QTime(14, 7, 9));
    const std::pair<const char *, const char *> cases[] = {
        {"DD.MM.YYYY HH24:MI:SS", "05.03.2024 14:07:09"},
        {"DD.MM.YYYY HH24:MI", "05.03.2024 14:07"},
        {"DD.MM.YYYY", "05.03.2024"},
        {"YYYYMMDD", "20240305"},
        {"DD-MON-YY", "05-MAR-24"},
        {"HH:MI AM", "02:07 PM"},
        {"FMDD.MM.YYYY", "5.3.2024"},
        {"\"dan\" DD", "dan 05"},
    };
    for (const auto &[fmt, text] : cases)
        EXPECT_EQ(oravalue::formatDate(dt, QString::fromLatin1(fmt)), QString::fromLatin1(text)) << fmt;
    EXPECT_EQ(oravalue::layerDateText(dt), QStringLiteral("05.03.2024 14:07:09"));
    EXPECT_EQ(oravalue::isoText(dt), QStringLiteral("2024-03-05 14:07:09"));
    EXPECT_EQ(oravalue::fromIso(QStringLiteral("2024-03-05 14:07:09")), dt);
    EXPECT_THROW(oravalue::formatDate(dt, QStringLiteral("QQ")), EMoxError);
}

TEST(OraValues, ParseDates)
{
    struct Case {
        const char *text;
        const char *fmt;
        QDateTime expected;
    };
    const Case ok[] = {
        {"05.03.2024 14:07:09", "DD.MM.YYYY HH24:MI:SS", QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))},
        {"5.3.2024", "DD.MM.YYYY", QDateTime(QDate(2024, 3, 5), QTime(0, 0))},
        {"05.03.2024", "DD.MM.YYYY HH24:MI:SS", QDateTime(QDate(2024, 3, 5), QTime(0, 0))},
        {"05/03/2024 14:07", "DD.MM.YYYY HH24:MI", QDateTime(QDate(2024, 3, 5), QTime(14, 7))},
        {"1.1.1900", "DD.MM.YYYY", QDateTime(QDate(1900, 1, 1), QTime(0, 0))},
        {"29.02.2024", "DD.MM.YYYY", QDateTime(QDate(2024, 2, 29), QTime(0, 0))},
    };
    for (const Case &c : ok)
        EXPECT_EQ(oravalue::parseDate(QString::fromLatin1(c.text), QString::fromLatin1(c.fmt)), c.expected) << c.text;
    const std::pair<const char *, const char *> bad[] = {
        {"30.02.2024", "ORA-01839"}, {"32.01.2024", "ORA-01847"}, {"01.13.2024", "ORA-01843"}, {"01.01.2024 25:00", "ORA-01850"},
        {"xx.01.2024", "ORA-01858"}, {"01.01.2024 10:00:00 7", "ORA-01830"},
    };
    for (const auto &[text, code] : bad) {
        try {
            oravalue::parseDate(QString::fromLatin1(text), QStringLiteral("DD.MM.YYYY HH24:MI:SS"));
            ADD_FAILURE() << text;
        } catch (const EMoxError &e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromLatin1(code))) << text << ": " << e.what();
        }
    }
    EXPECT_EQ(oravalue::parseAnyDate(QStringLiteral("2024-03-05 14:07:09")),
              QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    EXPECT_THROW(oravalue::parseAnyDate(QStringLiteral("tomorrow")), EMoxError);
}

TEST(OraValues, NumberFormats)
{
    const std::tuple<double, const char *, const char *> cases[] = {
        {3, "FM000", "003"}, {12.5, "FM9990.00", "12.50"}, {-1.5, "FM990.9", "-1.5"}, {1234, "FM9,999", "1,234"},
        {0.5, "FM0.99", "0.5"},
    };
    for (const auto &[v, fmt, text] : cases)
        EXPECT_EQ(oravalue::formatNumber(v, QString::fromLatin1(fmt)), QString::fromLatin1(text)) << fmt;
}

} // namespace
