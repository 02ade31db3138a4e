// Start-up reads about a dozen keys of the settings file one after another.
// This writes a settings file of the given size (in megabytes, default 100)
// whose [MOX] section stands at its end, reads the start-up keys from it and
// prints the time, how often the file was read, and the peak memory.
//
//     mox-bench-profile [megabytes]
#include "benchsupport.h"

#include "platform/profile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("MONITOR.INI"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qUtf8Printable(file));
            return 1;
        }
        // Many sections of stored passwords, then the program's own.
        QByteArray block;
        for (int i = 0; i < 1000; ++i)
            block += "UPORABNIK" + QByteArray::number(i) + "=%MOX%%0041%0042geslo\r\n";
        qint64 written = 0;
        for (int s = 0; written < megabytes * 1024 * 1024; ++s) {
            const QByteArray header = "[BAZA" + QByteArray::number(s) + "]\r\n";
            f.write(header);
            f.write(block);
            written += header.size() + block.size();
        }
        f.write("[MOX]\r\nCURR_USER=TAVO\r\nCURR_SERVER=PROD\r\nCURR_SAVE_DIR=d:\\prenos\\\r\n"
                "[PL/SQL]\r\nCURR_LARGERB=RB1\r\n[MONITOR]\r\nCURR_SHRANI=TRZ5\r\n");
    }
    {
        // A settings file that has not just been written.
        QFile f(file);
        f.open(QIODevice::ReadWrite);
        f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600), QFileDevice::FileModificationTime);
    }

    const struct {
        const char *section, *key;
    } keys[] = {
        {"MOX", "CURR_USER"},        {"MOX", "CURR_SERVER"},
        {"MOX", "CURR_SAVE_DIR"},    {"MOX", "CURR_DIR_LOG"},
        {"MOX", "CURR_REPL_SAVE_DIR"}, {"MOX", "CURR_REPL_DIR_LOG"},
        {"MOX", "CURR_OWNER"},       {"MOX", "CURR_REPLIKACIJA"},
        {"PL/SQL", "CURR_LARGERB"},  {"MOX", "CURR_SAMO_PREVERJANJE"},
        {"MONITOR", "CURR_SHRANI"},  {"BAZA_PROD", "TAVO"},
    };
    const qint64 readsBefore = profileFileReads();
    const double cpuBefore = moxbench::cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    for (const auto &k : keys)
        profileStringFrom(file, QString::fromLatin1(k.section), QString::fromLatin1(k.key), QStringLiteral("-"));
    const double seconds = timer.nsecsElapsed() / 1e9;

    std::printf("settings file:        %.1f MB\n", QFile(file).size() / (1024.0 * 1024.0));
    std::printf("keys read:            %d\n", int(std::size(keys)));
    std::printf("times the file read:  %lld\n", static_cast<long long>(profileFileReads() - readsBefore));
    std::printf("elapsed:              %.3f s\n", seconds);
    std::printf("processor time:       %.3f s\n", moxbench::cpuSeconds() - cpuBefore);
    std::printf("peak memory:          %.1f MB\n", moxbench::peakMegabytes());
    std::printf("CURR_SHRANI:          %s\n", qUtf8Printable(profileStringFrom(file, QStringLiteral("MONITOR"),
                                                                                QStringLiteral("CURR_SHRANI"), {})));
    return 0;
}
