#include "startup/settings.h"

#include "credentials/kript.h"
#include "base/paths.h"
#include "platform/profile.h"
#include "run/runstate.h"
#include "base/text.h"

namespace {

const QString sMox = QStringLiteral("MOX");

QString beri(const QString &section, const QString &key, const QString &def)
{
    return profileString(section, key, def);
}

// Directories are held with their trailing separator (a value written
// without one still names the directory, not a prefix of file names).
QString beriDir(const QString &key, const QString &def)
{
    return moxpath::withTrailingSeparator(beri(sMox, key, def));
}

} // namespace

QString daNe(bool on) { return on ? QStringLiteral("D") : QStringLiteral("N"); }

bool niNe(const QString &value) { return value != QStringLiteral("N"); }

void preberiNastavitveIzDatoteke(TRunState &rs)
{
    rs.currUser = beri(sMox, QStringLiteral("CURR_USER"), QString());
    rs.currServer = moxtext::upperAZ(beri(sMox, QStringLiteral("CURR_SERVER"), QString()));
    rs.currSaveDir = beriDir(QStringLiteral("CURR_SAVE_DIR"), QStringLiteral("d:\\kalvera\\mox\\"));
    rs.currDirLog = beriDir(QStringLiteral("CURR_DIR_LOG"), QStringLiteral("d:\\kalvera\\"));
    rs.currReplSaveDir = beriDir(QStringLiteral("CURR_REPL_SAVE_DIR"), QStringLiteral("d:\\kalvera\\repl\\"));
    rs.currReplDirLog = beriDir(QStringLiteral("CURR_REPL_DIR_LOG"), QStringLiteral("d:\\kalvera\\repl\\log\\"));
    rs.currOwner = beri(sMox, QStringLiteral("CURR_OWNER"), QString());
    rs.currReplikacija = niNe(beri(sMox, QStringLiteral("CURR_REPLIKACIJA"), QStringLiteral("N")));
    rs.currLargeRBName = moxtext::upperAZ(beri(QStringLiteral("PL/SQL"), QStringLiteral("CURR_LARGERB"), QStringLiteral("LARGERB")));
    rs.currSamoPreverjanje = niNe(beri(sMox, QStringLiteral("CURR_SAMO_PREVERJANJE"), QStringLiteral("N")));
    rs.currShrani = beri(QStringLiteral("MONITOR"), QStringLiteral("CURR_SHRANI"), QStringLiteral("N"));
}

void uveljaviNastavitve(TRunState &rs)
{
    if (rs.currReplikacija) {
        rs.currSaveDir = rs.currReplSaveDir;
        rs.currDirLog = rs.currReplDirLog;
    }
    if (rs.currShrani == QStringLiteral("TRZ5"))
        rs.currPassword = TKript::vzemiGeslo(rs.currServer, rs.currUser);
}

void ShraniNastavitev(const TRunState &rs)
{
    writeProfileString(sMox, QStringLiteral("CURR_USER"), rs.currUser);
    writeProfileString(sMox, QStringLiteral("CURR_SERVER"), rs.currServer);
    writeProfileString(sMox, QStringLiteral("CURR_PASSWORD"), QStringLiteral("xxxxx"));
    writeProfileString(sMox, QStringLiteral("CURR_SAVE_DIR"), rs.currSaveDir);
    writeProfileString(sMox, QStringLiteral("CURR_DIR_LOG"), rs.currDirLog);
    writeProfileString(sMox, QStringLiteral("CURR_REPL_SAVE_DIR"), rs.currReplSaveDir);
    writeProfileString(sMox, QStringLiteral("CURR_REPL_DIR_LOG"), rs.currReplDirLog);
    writeProfileString(sMox, QStringLiteral("CURR_OWNER"), rs.currOwner);
    writeProfileString(sMox, QStringLiteral("CURR_SAMO_PREVERJANJE"), daNe(rs.currSamoPreverjanje));
    writeProfileString(sMox, QStringLiteral("CURR_REPLIKACIJA"), daNe(rs.currReplikacija));
}
