#include "log/messages.h"

#include "base/interaction.h"
#include "base/moxerror.h"
#include "base/paths.h"
#include "run/runstate.h"

#include <QDir>
#include <QFileInfo>

void infoMessage(const TRunState &rs, TInteraction *ui, const QString &niz)
{
    if (!rs.pAutomatika && ui)
        ui->showMessage(niz);
}

void FileDirName(const QString &niz, QString &fileName, QString &FileDir)
{
    const qsizetype p = moxpath::lastSeparator(niz);
    if (p < 0) {
        fileName = niz;
        FileDir.clear();
        return;
    }
    FileDir = niz.left(p + 1);
    fileName = niz.mid(p + 1, 100);
}

QString rezultatiDir(const QString &saveDir)
{
    return moxpath::withTrailingSeparator(moxpath::join(saveDir, QStringLiteral("rezultati")));
}

QString pripraviRezultatiDir(const QString &saveDir)
{
    const QString dir = rezultatiDir(saveDir);
    if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir))
        throw EMoxError(QStringLiteral("Direktorija ") + dir + QStringLiteral(" NE MOREM KREIRATI!"));
    return dir;
}

QString rezultatnaDatoteka(const QString &saveDir, const QString &ime)
{
    return rezultatiDir(saveDir) + ime + QStringLiteral(".rez");
}
