// The common code lists by command script: the real program, headless,
// prepares at one embedded database and refreshes at another; a refresh that
// records errors ends the run with status 1.
#include "automation/autotest.h"

#include "platform/profile.h"
#include "base/text.h"

#include <QDir>

namespace {

class SksProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(autotest::moxProgram()).isExecutable()) << autotest::moxProgram().toStdString();
        QDir(env.dir()).mkpath(QStringLiteral("save"));
        QDir(env.dir()).mkpath(QStringLiteral("log"));
        writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_SAVE_DIR"), env.path(QStringLiteral("save/")));
        writeProfileString(QStringLiteral("MOX"), QStringLiteral("CURR_DIR_LOG"), env.path(QStringLiteral("log/")));
    }
    autotest::Izid mox(const QStringList &lines)
    {
        autotest::writeScript(env.path(QStringLiteral("s.txt")), lines);
        return autotest::run(autotest::moxProgram(), {QStringLiteral("@s.txt")}, env.dir());
    }
    TestEnv env;
};

} // namespace

TEST_F(SksProgram, PrepareAndRefreshByScript)
{
    for (const char *a : {"SKSIZ", "SKSCI"})
        ASSERT_TRUE(autotest::makeDb(QLatin1String(a)));
    ASSERT_TRUE(autotest::sql(
        QStringLiteral("SKSIZ"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
        QStringLiteral("insert into KA000HED (SIFRA000, DOL__000, DESC_000, TYPE_000, STAT_000) "
                       "values ('S02', 1, 'Spol', 'S', '1');\n"
                       "insert into KG000SS0 (ID___000, SIFRA000, KLJUC000, OPIS_000, STAT_000) "
                       "values (1, 'S02', 'M', 'Moški', '1');\n"
                       "insert into KG000SS0 (ID___000, SIFRA000, KLJUC000, OPIS_000, STAT_000) "
                       "values (2, 'S02', 'Z', 'Ženski', '1');\n"
                       "commit;\n")));

    const autotest::Izid r = mox({QStringLiteral("CONNECT tavo tavo SKSIZ"), QStringLiteral("PREPARE SKS"),
                                  QStringLiteral("CONNECT tavo tavo SKSCI"), QStringLiteral("REFRESH SKS")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(autotest::query(QStringLiteral("SKSCI"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                              QStringLiteral("select KLJUC000, OPIS_000 from KG000SS0 order by KLJUC000")),
              (QStringList{QStringLiteral("M,Moški"), QStringLiteral("Z,Ženski")}));
    const QString log = autotest::readFile(env.path(QStringLiteral("log/ORNA_SYS.LOG")));
    EXPECT_TRUE(log.contains(QStringLiteral("TAVO.KA000HED  INS:1  UPD:  ERR:"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("TAVO.KG000SS0  INS:2  UPD:  ERR:"))) << log.toStdString();

    // A header that cannot be inserted: the run goes on unattended, and ends
    // with status 1.
    ASSERT_TRUE(autotest::sql(QStringLiteral("SKSCI"), QStringLiteral("TAVO"), QStringLiteral("TAVO"),
                              QStringLiteral("update KA000HED set STAT_000 = '0';\ncommit;\n")));
    const autotest::Izid r2 = mox({QStringLiteral("CONNECT tavo tavo SKSCI"), QStringLiteral("REFRESH SKS")});
    EXPECT_EQ(r2.status, 1) << r2.err.toStdString();
    EXPECT_TRUE(moxtext::readTextLines(env.path(QStringLiteral("save/rezultati/SKS.rez")))
                    .contains(QStringLiteral("NAPAKA: dodajanje glaveS02")));
}
