#include "credentials/kript.h"
#include "base/moxerror.h"
#include "platform/profile.h"
#include "base/text.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

namespace {
QString s(const char *utf8) { return QString::fromUtf8(utf8); }
} // namespace

TEST(Kript, RoundTripUpperCasesAndCutsTo15)
{
    struct Case {
        const char *alias, *user, *password, *expected;
    } cases[] = {
        {"PROD", "SCOTT", "tiger", "TIGER"},
        {"prod", "sc", "Tiger12", "TIGER12"},
        {"X", "AB", "abcdefghijklmno", "ABCDEFGHIJKLMNO"},   // exactly 15
        {"X", "AB", "abcdefghijklmnopq", "ABCDEFGHIJKLMNO"}, // 16+ cut to 15
        {"PROD", "SCOTT", "pass  ", "PASS"},                 // trailing blanks dropped
        {"PROD", "SCOTT", "a b", "A B"},
        {"TEST1", "ŽELVA", "čaj=[x]", "čAJ=[X]"},            // only a-z upper-cased
        {"PROD", "SCOTT", "x", "X"},
    };
    for (const Case &c : cases) {
        const QString k = TKript::kriptiraj(s(c.alias), s(c.user), s(c.password));
        EXPECT_EQ(k.size(), 15) << c.password;
        EXPECT_EQ(TKript::deKriptiraj(s(c.alias), s(c.user), k), s(c.expected)) << c.password;
    }
    EXPECT_EQ(TKript::kriptiraj(s("PROD"), s("SCOTT"), QString()), QString());
}

TEST(Kript, ScramblingFollowsMaskOffsetsAndKeyOrder)
{
    // Alias "AB", key "XY": key stream "YAXBYAXBYAXBYAX". Offsets used by
    // positions 1, 14 and 15 are the table's second, fifteenth and first
    // entries (-5, 8, 3).
    const QString k = TKript::kriptiraj(s("AB"), s("XY"), s("P"));
    ASSERT_EQ(k.size(), 15);
    EXPECT_EQ(k.at(0).unicode(), ((u'P' - 5) ^ (u'Y' ^ u'(')));
    EXPECT_EQ(k.at(13).unicode(), ((u' ' + 8) ^ (u'A' ^ u'H')));
    EXPECT_EQ(k.at(14).unicode(), ((u' ' + 3) ^ (u'X' ^ u';')));
}

TEST(Kript, CaseOfUserAndAliasDoesNotMatter)
{
    const QString k = TKript::kriptiraj(s("Prod"), s("Scott"), s("secret"));
    for (auto [alias, user] : {std::pair{"PROD", "SCOTT"}, {"prod", "scott"}, {"pRoD", "sCoTT"}})
        EXPECT_EQ(TKript::deKriptiraj(s(alias), s(user), k), s("SECRET")) << alias << " " << user;
    // Another user or alias does not give the password back.
    EXPECT_NE(TKript::deKriptiraj(s("PROD"), s("ADAMS"), k), s("SECRET"));
    EXPECT_NE(TKript::deKriptiraj(s("TEST"), s("SCOTT"), k), s("SECRET"));
}

TEST(Kript, EmptyAliasIsAnError)
{
    for (const QString &mode : {s("C"), s("D")}) {
        try {
            TKript::pretvori(QString(), s("SCOTT"), s("tiger"), mode);
            FAIL() << "no error";
        } catch (const EMoxError &e) {
            EXPECT_TRUE(e.message().contains(s("alias"))) << e.what();
        }
    }
    TestEnv env;
    EXPECT_THROW(TKript::shraniGeslo(QString(), s("SCOTT"), QString(), s("tiger")), EMoxError);
}

TEST(Kript, StoreAndReadThroughTheSettingsFile)
{
    TestEnv env;
    EXPECT_EQ(TKript::vzemiGeslo(s("PROD"), s("SCOTT")), QString()); // no file

    TKript::shraniGeslo(s("prod"), s("Scott"), QString(), s("tiger"));
    // Section written upper-cased, key as given; value is 15 raw characters.
    const QString stored = profileString(s("BAZA_PROD"), s("Scott"), QString());
    EXPECT_EQ(stored.size(), 15);
    EXPECT_TRUE(moxtext::readTextLines(env.iniPath()).contains(s("[BAZA_PROD]")));

    EXPECT_EQ(TKript::vzemiGeslo(s("PROD"), s("SCOTT")), s("TIGER"));
    EXPECT_EQ(TKript::vzemiGeslo(s("prod"), s("scott")), s("TIGER"));
    EXPECT_EQ(TKript::vzemiGeslo(s("PROD"), s("ADAMS")), QString());

    // "*" keeps the stored entry.
    TKript::shraniGeslo(s("PROD"), s("SCOTT"), QString(), s("*"));
    EXPECT_EQ(TKript::vzemiGeslo(s("PROD"), s("SCOTT")), s("TIGER"));

    // An empty password writes an empty value: nothing stored any more.
    TKript::shraniGeslo(s("PROD"), s("SCOTT"), QString(), QString());
    EXPECT_TRUE(moxtext::readTextLines(env.iniPath()).contains(s("SCOTT=")));
    EXPECT_EQ(TKript::vzemiGeslo(s("PROD"), s("SCOTT")), QString());
}

TEST(Kript, KeyNameFallsBackToCurrentUserThenStars)
{
    TestEnv env;
    TKript::shraniGeslo(s("PROD"), QString(), s("ADAMS"), s("pw1"));
    TKript::shraniGeslo(s("PROD"), QString(), QString(), s("pw2"));
    const QStringList lines = moxtext::readTextLines(env.iniPath());
    EXPECT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines.at(1).startsWith(s("ADAMS=")));
    EXPECT_TRUE(lines.at(2).startsWith(s("*****=")));
    // Each reads back under the name it is stored with.
    EXPECT_EQ(TKript::vzemiGeslo(s("PROD"), s("ADAMS")), s("PW1"));
    EXPECT_EQ(TKript::vzemiGeslo(s("PROD"), s("*****")), s("PW2"));
}

TEST(Kript, ManyPasswordsReadBackThroughTheFile)
{
    TestEnv env;
    // Printable ASCII and Slovenian letters in passwords, several users and
    // aliases: the scrambled values hold arbitrary codes, control
    // characters included, and must come back exactly.
    const QString chars = s(" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`{|}~čšžČŠŽ");
    const QStringList users = {s("SCOTT"), s("ab"), s("SYSTEM"), s("user_with_long_name")};
    const QStringList aliases = {s("PROD"), s("T"), s("ORCL.WORLD")};
    int n = 0;
    for (const QString &alias : aliases)
        for (const QString &user : users) {
            const QString pw = chars.mid((n * 7) % (chars.size() - 15), 1 + n % 15).trimmed() + s("x");
            TKript::shraniGeslo(alias, user, QString(), pw);
            EXPECT_EQ(TKript::vzemiGeslo(alias, user), moxtext::upperAZ(pw)) << alias.toStdString() << "/"
                                                                             << user.toStdString();
            ++n;
        }
}
