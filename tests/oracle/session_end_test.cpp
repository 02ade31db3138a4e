// How a session ends: a normal logoff (or the session object's end, as at
// the end of a command script) commits the open transaction; a process that
// dies loses it. The database folder and its files are private to their owner.
#include "oracle_test_support.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace oratest;

namespace {

const QString kCount = QStringLiteral("select count(*) from t");

TEST(SessionEnd, LastInsertBeforeTheEndIsKept)
{
    Db db;
    {
        auto s = db.logon();
        exec(*s, QStringLiteral("create table T (N NUMBER)"));
        // a script whose last line is an insert: the program ends without a commit
        exec(*s, QStringLiteral("insert into t values (1)"));
    }
    auto check = db.logon();
    EXPECT_EQ(rows(*check, kCount), QStringList{"1"});

    // the same through an explicit logoff
    exec(*check, QStringLiteral("insert into t values (2)"));
    check->setConnected(false);
    check->setConnected(true);
    EXPECT_EQ(rows(*check, kCount), QStringList{"2"});
}

#ifdef Q_OS_UNIX
TEST(SessionEnd, ProcessThatDiesLosesItsTransaction)
{
    Db db;
    {
        auto s = db.logon();
        exec(*s, QStringLiteral("create table T (N NUMBER)"));
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int status = 3;
        try {
            TOracleSession *s = db.logon().release(); // never logged off
            exec(*s, QStringLiteral("insert into t values (1)"));
            status = 0;
        } catch (...) {
        }
        _exit(status); // dies with the transaction open
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the child could not insert";
    auto s = db.logon();
    EXPECT_EQ(rows(*s, kCount), QStringList{"0"});
    exec(*s, QStringLiteral("insert into t values (2)"));
    s->Commit();
    EXPECT_EQ(rows(*s, kCount), QStringList{"1"}) << "the dead writer's lock is gone";
}

TEST(DatabaseFiles, PrivateToTheirOwner)
{
    Db db;
    auto s = db.logon();
    exec(*s, QStringLiteral("create table T (N NUMBER)"));
    exec(*s, QStringLiteral("insert into t values (1)"));
    const QString folder = oraembed::databaseFolder(db.alias());
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                        | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(folder).permissions() & others, QFile::Permissions()) << "folder";
    for (const QString &f : {oraembed::catalogPath(folder), oraembed::schemaPath(folder, QStringLiteral("TAVO")),
                             oraembed::schemaPath(folder, QStringLiteral("TAVO")) + QStringLiteral("-wal")}) {
        ASSERT_TRUE(QFileInfo::exists(f)) << f.toStdString();
        EXPECT_EQ(QFileInfo(f).permissions() & others, QFile::Permissions()) << f.toStdString();
    }
}
#endif

} // namespace
