#include "base/moxerror.h"
#include "platform/profile.h"
#include "base/text.h"
#include "support/testenv.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

} // namespace

TEST(Profile, SettingsFileFollowsMoxIni)
{
    TestEnv env;
    EXPECT_EQ(settingsFilePath(), env.iniPath());
    writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_USER"), QStringLiteral("scott"));
    EXPECT_TRUE(QFile::exists(env.iniPath()));
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_USER"), QString()), QStringLiteral("scott"));
}

TEST(Profile, MissingFileSectionOrKeyGivesDefault)
{
    TestEnv env;
    const QString def = QStringLiteral("d:\\kalvera\\mox\\");
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), def), def);
    writeAll(env.iniPath(), "[MOX]\r\nCURR_USER=A\r\n[PL/SQL]\r\nCURR_LARGERB=RB\r\n");
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), def), def);
    EXPECT_EQ(profileString(QStringLiteral("MONITOR"), QStringLiteral("CURR_SHRANI"), QStringLiteral("N")),
              QStringLiteral("N"));
    // A key of another section is not found.
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_LARGERB"), QStringLiteral("x")),
              QStringLiteral("x"));
    // Present but empty is not missing.
    writeAll(env.iniPath(), "[MOX]\r\nCURR_REPLIKACIJA=\r\n");
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_REPLIKACIJA"), QStringLiteral("N")), QString());
}

TEST(Profile, NamesMatchWithoutCaseOfAtoZOnly)
{
    TestEnv env;
    writeAll(env.iniPath(),
             "[baza_Prod]\r\nScott=tiger\r\n[\xC8RKA]\r\n\xE8rka=1\r\n  [ MOX ]  \r\n  curr_user = ana  \r\n");
    struct Case {
        const char *section, *key, *expected;
    } cases[] = {
        {"BAZA_PROD", "SCOTT", "tiger"},
        {"baza_prod", "scott", "tiger"},
        {"Baza_pRoD", "sCoTt", "tiger"},
        {"MOX", "CURR_USER", "ana"},     // blanks around names and value
        {"\u010CRKA", "\u010Drka", "1"}, // the same letters match
        {"\u010CRKA", "\u010Crka", "-"}, // Č and č are different names
        {"\u010Drka", "\u010Drka", "-"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(profileString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("-")),
                  QString::fromUtf8(c.expected))
            << c.section << " / " << c.key;

    // Writing in other case replaces the existing key, it does not add one.
    writeProfileString(QStringLiteral("BAZA_PROD"), QStringLiteral("SCOTT"), QStringLiteral("x"));
    const QStringList lines = moxtext::readTextLines(env.iniPath());
    EXPECT_EQ(lines.count(QStringLiteral("SCOTT=x")), 1);
    EXPECT_FALSE(lines.contains(QStringLiteral("Scott=tiger")));
}

TEST(Profile, ValuesAreCutTo2047Characters)
{
    TestEnv env;
    const QString longValue = QString(3000, u'a');
    writeProfileString(QStringLiteral("S"), QStringLiteral("K"), longValue);
    EXPECT_EQ(profileString(QStringLiteral("S"), QStringLiteral("K"), QString()), QString(2047, u'a'));
    const QString exact = QString(2047, u'b');
    writeProfileString(QStringLiteral("S"), QStringLiteral("K"), exact);
    EXPECT_EQ(profileString(QStringLiteral("S"), QStringLiteral("K"), QString()), exact);
}

TEST(Profile, WritingKeepsEveryOtherLine)
{
    TestEnv env;
    writeAll(env.iniPath(), "; comment\r\n[MOX]\r\nCURR_USER=a\r\nCURR_SERVER=b\r\n\r\n[MONITOR]\r\n"
                            "CURR_SHRANI=TRZ5\r\nfree text line\r\n");

    writeProfileString(QStringLiteral("mox"), QStringLiteral("curr_server"), QStringLiteral("PROD"));
    writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_OWNER"), QStringLiteral("TAVO"));
    writeProfileString(QStringLiteral("BAZA_PROD"), QStringLiteral("SCOTT"), QStringLiteral("x"));
    writeProfileString(QStringLiteral("MONITOR"), QStringLiteral("NEW"), QStringLiteral("1"));

    EXPECT_EQ(readAll(env.iniPath()), QByteArray("; comment\r\n[MOX]\r\nCURR_USER=a\r\ncurr_server=PROD\r\n"
                                                 "CURR_OWNER=TAVO\r\n\r\n[MONITOR]\r\nCURR_SHRANI=TRZ5\r\n"
                                                 "free text line\r\nNEW=1\r\n\r\n[BAZA_PROD]\r\nSCOTT=x\r\n"));
}

TEST(Profile, FileIsCp1250)
{
    TestEnv env;
    writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), QStringLiteral("c:\\Čas\\"));
    EXPECT_EQ(readAll(env.iniPath()), QByteArray("[MOX]\r\nCURR_SAVE_DIR=c:\\\xC8" "as\\\r\n"));
    EXPECT_EQ(profileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), QString()),
              QStringLiteral("c:\\Čas\\"));
}

TEST(Profile, FailedWriteNamesTheFile)
{
    TestEnv env;
    // A folder standing where the file should be cannot be written as a file.
    const QString file = env.path(QStringLiteral("MONITOR.INI"));
    ASSERT_TRUE(QDir().mkpath(file));
    try {
        writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_USER"), QStringLiteral("a"));
        FAIL() << "no error raised";
    } catch (const EMoxError &e) {
        EXPECT_TRUE(e.message().contains(file)) << e.what();
    }
}

TEST(Profile, EveryCharacterCodeReadsBackExactly)
{
    TestEnv env;
    // All 65536 codes, in values of 15 characters like the stored passwords.
    for (int start = 0; start < 65536; start += 15 * 64) {
        for (int k = 0; k < 64; ++k) {
            QString v;
            for (int i = 0; i < 15; ++i)
                v += QChar(char16_t((start + k * 15 + i) & 0xFFFF));
            const QString key = QStringLiteral("U%1").arg(k);
            writeProfileString(QStringLiteral("BAZA_X"), key, v);
        }
        for (int k = 0; k < 64; ++k) {
            QString v;
            for (int i = 0; i < 15; ++i)
                v += QChar(char16_t((start + k * 15 + i) & 0xFFFF));
            ASSERT_EQ(profileString(QStringLiteral("BAZA_X"), QStringLiteral("U%1").arg(k), QStringLiteral("?")), v)
                << "codes from " << start + k * 15;
        }
    }
    // The file stays one line per key.
    const QStringList lines = moxtext::readTextLines(env.iniPath());
    EXPECT_EQ(lines.size(), 1 + 64);
}

TEST(Profile, EscapedFormOnlyWhenNeeded)
{
    struct Case {
        QString value;
        bool plain;
    } cases[] = {
        {QStringLiteral("d:\\kalvera\\mox\\"), true},
        {QStringLiteral("a=b;[c]"), true},
        {QStringLiteral("100% Čas"), true},
        {QString(), true},
        {QStringLiteral(" lead"), false},
        {QStringLiteral("trail "), false},
        {QStringLiteral("\"quoted\""), false},
        {QStringLiteral("'q'"), false},
        {QStringLiteral("%MOX%abc"), false},
        {QStringLiteral("a\r\nb"), false},
        {QStringLiteral("\u4E2D"), false},
        {QString(QChar(u'\x81')), false},
    };
    for (const Case &c : cases) {
        const QString stored = encodeProfileValue(c.value);
        EXPECT_EQ(stored == c.value, c.plain) << c.value.toStdString();
        EXPECT_EQ(decodeProfileValue(stored), c.value) << c.value.toStdString();
    }
    // Values written by other tools read as they are, even near the marker.
    for (const char *other : {"%MOX", "%MOX%%zz", "%MOX%%12", "%mox%%0041", "50%"})
        EXPECT_EQ(decodeProfileValue(QString::fromLatin1(other)), QString::fromLatin1(other));
    EXPECT_EQ(decodeProfileValue(QStringLiteral("%MOX%A%0020B%0025")), QStringLiteral("A B%"));
}

TEST(Profile, QuotesAndBlanksAroundPlainValuesAreDropped)
{
    TestEnv env;
    writeAll(env.iniPath(), "[S]\r\na=\"x y\"\r\nb=  z  \r\nc='\r\n");
    EXPECT_EQ(profileString(QStringLiteral("S"), QStringLiteral("a"), QString()), QStringLiteral("x y"));
    EXPECT_EQ(profileString(QStringLiteral("S"), QStringLiteral("b"), QString()), QStringLiteral("z"));
    EXPECT_EQ(profileString(QStringLiteral("S"), QStringLiteral("c"), QString()), QStringLiteral("'"));
}

namespace {

// Dates the file back, as a settings file that has not changed for a while.
void makeOld(const QString &path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600), QFileDevice::FileModificationTime));
}

QString read(const char *section, const char *key)
{
    return profileString(QString::fromLatin1(section), QString::fromLatin1(key), QStringLiteral("-"));
}

} // namespace

TEST(Profile, ALargeFileIsReadOnceForManyKeys)
{
    TestEnv env;
    QByteArray big;
    for (int s = 0; s < 200; ++s) {
        big += "[S" + QByteArray::number(s) + "]\r\n";
        for (int k = 0; k < 100; ++k)
            big += "K" + QByteArray::number(k) + "=" + QByteArray::number(s * 1000 + k) + "\r\n";
    }
    // A later section of the same name and a later key of the same name do
    // not count.
    big += "[S1]\r\nK1=later\r\n[s2]\r\nk2=later\r\n";
    writeAll(env.iniPath(), big);
    makeOld(env.iniPath());

    const qint64 before = profileFileReads();
    for (int s = 0; s < 200; s += 7)
        for (int k = 0; k < 100; k += 13)
            EXPECT_EQ(profileString(QStringLiteral("s%1").arg(s), QStringLiteral("k%1").arg(k), QString()),
                      QString::number(s * 1000 + k));
    EXPECT_EQ(read("S1", "K1"), QStringLiteral("1001"));
    EXPECT_EQ(read("S2", "K2"), QStringLiteral("2002"));
    EXPECT_EQ(read("S2", "K100"), QStringLiteral("-"));
    EXPECT_EQ(read("S200", "K1"), QStringLiteral("-"));
    EXPECT_EQ(profileFileReads() - before, 1);
}

TEST(Profile, AChangedFileIsReadAgain)
{
    TestEnv env;
    writeAll(env.iniPath(), "[MOX]\r\nCURR_USER=ana\r\n");
    makeOld(env.iniPath());
    EXPECT_EQ(read("MOX", "CURR_USER"), QStringLiteral("ana"));

    // Changed by another program: same size, new time stamp.
    writeAll(env.iniPath(), "[MOX]\r\nCURR_USER=eva\r\n");
    EXPECT_EQ(read("MOX", "CURR_USER"), QStringLiteral("eva"));
    // Changed again at once, same size: the stamp may not have moved, the
    // fresh file is still read again.
    writeAll(env.iniPath(), "[MOX]\r\nCURR_USER=iva\r\n");
    EXPECT_EQ(read("MOX", "CURR_USER"), QStringLiteral("iva"));

    // Written through the settings functions.
    makeOld(env.iniPath());
    EXPECT_EQ(read("MOX", "CURR_USER"), QStringLiteral("iva"));
    writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_USER"), QStringLiteral("ola"));
    makeOld(env.iniPath());
    EXPECT_EQ(read("MOX", "CURR_USER"), QStringLiteral("ola"));

    // Removed: every key reads as missing.
    ASSERT_TRUE(QFile::remove(env.iniPath()));
    EXPECT_EQ(read("MOX", "CURR_USER"), QStringLiteral("-"));
}

TEST(Profile, AFileSavedWithTheUtf8MarkReadsFromItsFirstLine)
{
    TestEnv env;
    writeAll(env.iniPath(), "\xEF\xBB\xBF[MOX]\r\nCURR_SAVE_DIR=c:\\\xC4\x8C" "as\\\r\n");
    EXPECT_EQ(read("MOX", "CURR_SAVE_DIR"), QStringLiteral("c:\\Čas\\"));
    makeOld(env.iniPath());
    EXPECT_EQ(read("MOX", "CURR_SAVE_DIR"), QStringLiteral("c:\\Čas\\"));
    // Written back in the code page, without the mark.
    writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_USER"), QStringLiteral("ana"));
    EXPECT_EQ(readAll(env.iniPath()), QByteArray("[MOX]\r\nCURR_SAVE_DIR=c:\\\xC8" "as\\\r\nCURR_USER=ana\r\n"));
}
