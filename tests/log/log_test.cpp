#include "log/messages.h"
#include "log/runlog.h"
#include "log/timing.h"
#include "log/history.h"
#include "support/recordingui.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "run/runstate.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(RunLog, FileNameForSingleAndMultiInstallationDatabases)
{
    TRunState rs;
    rs.currDirLog = QStringLiteral("/var/log/mox/");
    EXPECT_EQ(imeLogDatoteke(rs), moxpath::native(QStringLiteral("/var/log/mox/ORNA_SYS.LOG")));
    rs.currMoreInstall = true;
    rs.currUserAsTavo = QStringLiteral("TAVO_B");
    EXPECT_EQ(imeLogDatoteke(rs), moxpath::native(QStringLiteral("/var/log/mox/MOX_TAVO_B.LOG")));

    // A directory without its trailing separator, or written with "\",
    // still holds the file; an empty one means the working directory.
    rs.currMoreInstall = false;
    const struct {
        const char *dir, *file;
    } cases[] = {{"/var/log/mox", "/var/log/mox/ORNA_SYS.LOG"},
                 {"\\var\\log\\mox\\", "/var/log/mox/ORNA_SYS.LOG"},
                 {"", "ORNA_SYS.LOG"}};
    for (const auto &c : cases) {
        rs.currDirLog = QString::fromUtf8(c.dir);
        EXPECT_EQ(imeLogDatoteke(rs), moxpath::native(QString::fromUtf8(c.file))) << c.dir;
    }
}

TEST(RunLog, MemoIsAppendedInCp1250WithCrLf)
{
    TestEnv env;
    RecordingUi ui;
    TRunState rs;
    rs.currDirLog = moxpath::withTrailingSeparator(env.dir());
    rs.meDyn = QStringList{QStringLiteral("prva črta"), QStringLiteral("druga")};
    DajVLog(rs, &ui);
    rs.meDyn = QStringList{QStringLiteral("tretja")};
    DajVLog(rs, &ui);
    EXPECT_EQ(readAll(env.path(QStringLiteral("ORNA_SYS.LOG"))), QByteArray("prva \xE8rta\r\ndruga\r\ntretja\r\n"));
    EXPECT_TRUE(ui.messages.isEmpty());

    // An empty memo still creates the file.
    rs.currMoreInstall = true;
    rs.currUserAsTavo = QStringLiteral("TAVO_A");
    rs.meDyn.clear();
    DajVLog(rs, &ui);
    EXPECT_TRUE(QFile::exists(env.path(QStringLiteral("MOX_TAVO_A.LOG"))));
}

TEST(RunLog, FailuresToCreateAndToAppend)
{
    TestEnv env;
    RecordingUi ui;
    TRunState rs;
    // A log directory that does not exist: the file cannot be created, the
    // error reaches the caller.
    rs.currDirLog = moxpath::withTrailingSeparator(env.path(QStringLiteral("missing")));
    rs.meDyn = QStringList{QStringLiteral("x")};
    EXPECT_THROW(DajVLog(rs, &ui), EMoxError);

    // A log "file" that exists but cannot be appended to (here a folder of
    // that name): reported, the caller goes on.
    rs.currDirLog = moxpath::withTrailingSeparator(env.dir());
    const QString file = env.path(QStringLiteral("ORNA_SYS.LOG"));
    ASSERT_TRUE(QDir().mkpath(file));
    EXPECT_NO_THROW(DajVLog(rs, &ui));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages.at(0), QStringLiteral("Napaka pri pisanju v: ") + moxpath::native(file));
}

TEST(RunLog, TransferLineShape)
{
    const QDate d(2024, 3, 5);
    EXPECT_EQ(logVrstica(QStringLiteral("TAVO"), QStringLiteral("ka060ak0"), QStringLiteral("3"), QStringLiteral("0"),
                         QStringLiteral("1"), false, d),
              QStringLiteral("05.03.2024  REFRESH: TAVO  KA060AK0  INS:3  UPD:0  ERR:1"));
    const QString next = logVrstica(QStringLiteral("TAVO"), QStringLiteral("KG000SS0"), QStringLiteral("1"),
                                    QStringLiteral("2"), QStringLiteral("0"), true, d);
    EXPECT_EQ(next, QString(21, u' ') + QStringLiteral("TAVO  KG000SS0  INS:1  UPD:2  ERR:0"));
}

TEST(Timing, WholeDaysAndMillisecondsAreDropped)
{
    const QDateTime start(QDate(2024, 1, 10), QTime(8, 0, 0, 0), Qt::UTC);
    struct Case {
        const char *name;
        QDateTime now;
        int seconds;
    } cases[] = {
        {"same instant", start, 0},
        {"ninety seconds and a half", start.addMSecs(90500), 90},
        {"one hour", start.addSecs(3600), 3600},
        {"twenty-five hours", start.addSecs(25 * 3600), 3600},
        {"two days and two seconds", start.addDays(2).addSecs(2), 2},
    };
    TRunState rs;
    rs.p_startniCas = start;
    for (const Case &c : cases)
        EXPECT_EQ(uraKonec(rs, c.now), c.seconds) << c.name;

    TRunState never;
    EXPECT_EQ(uraKonec(never), 0);
    uraStart(never);
    EXPECT_TRUE(never.p_startniCas.isValid());
    EXPECT_LE(uraKonec(never), 1);
}

TEST(History, LastRefreshLookup)
{
    TRunState rs;
    EXPECT_EQ(najdizadnjiRefresh(rs, QStringLiteral("SKS")), QStringLiteral("1.1.1900"));
    rs.p_aRefrZadnji = {{QStringLiteral("SKS"), QStringLiteral("01.02.2024 10:00")},
                        {QStringLiteral("KA060AK0"), QStringLiteral("03.02.2024 11:30")},
                        {QStringLiteral("SKS"), QStringLiteral("05.02.2024 12:00")}};
    struct Case {
        const char *vrsta;
        const char *datum;
    } cases[] = {
        {"SKS", "01.02.2024 10:00"},        // the first entry decides
        {"KA060AK0", "03.02.2024 11:30"},
        {"ka060ak0", "1.1.1900"},           // kinds compare exactly
        {"OBR", "1.1.1900"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(najdizadnjiRefresh(rs, QString::fromUtf8(c.vrsta)), QString::fromUtf8(c.datum)) << c.vrsta;

    // Every entry is kept: more than the old fixed table of 200 places.
    for (int i = 0; i < 250; ++i)
        rs.p_aRefrZadnji.append({QStringLiteral("T%1").arg(i), QStringLiteral("d%1").arg(i)});
    EXPECT_EQ(najdizadnjiRefresh(rs, QStringLiteral("T249")), QStringLiteral("d249"));
}

TEST(Messages, InfoMessageIsSilentInUnattendedRuns)
{
    RecordingUi ui;
    TRunState rs;
    infoMessage(rs, &ui, QStringLiteral("a"));
    rs.pAutomatika = true;
    infoMessage(rs, &ui, QStringLiteral("b"));
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("a")});
}

TEST(Messages, FileDirName)
{
    struct Case {
        QString niz, fileName, dir;
    } cases[] = {
        {QStringLiteral("KA060AK0.str"), QStringLiteral("KA060AK0.str"), QString()},
        {QStringLiteral("d:\\kalvera\\mox\\KA060AK0.str"), QStringLiteral("KA060AK0.str"), QStringLiteral("d:\\kalvera\\mox\\")},
        {QStringLiteral("/srv/mox/a.str"), QStringLiteral("a.str"), QStringLiteral("/srv/mox/")},
        {QStringLiteral("/srv/mox/"), QString(), QStringLiteral("/srv/mox/")},
        {QStringLiteral("/x/") + QString(120, u'n'), QString(100, u'n'), QStringLiteral("/x/")},
    };
    for (const Case &c : cases) {
        QString f = QStringLiteral("old"), d = QStringLiteral("old");
        FileDirName(c.niz, f, d);
        EXPECT_EQ(f, c.fileName) << c.niz.toStdString();
        EXPECT_EQ(d, c.dir) << c.niz.toStdString();
    }
}

TEST(Messages, ResultFolder)
{
    TestEnv env;
    const QString save = moxpath::withTrailingSeparator(env.dir());
    const QString dir = rezultatiDir(save);
    EXPECT_EQ(dir, save + QStringLiteral("rezultati") + moxpath::separator());
    EXPECT_FALSE(QDir(dir).exists());
    EXPECT_EQ(pripraviRezultatiDir(save), dir);
    EXPECT_TRUE(QDir(dir).exists());
    EXPECT_EQ(rezultatnaDatoteka(save, QStringLiteral("SKS")), dir + QStringLiteral("SKS.rez"));
}
