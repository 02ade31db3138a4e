#include "base/paths.h"

#include <QDir>

namespace moxpath {

QChar separator() { return QDir::separator(); }

bool isSeparator(QChar c) { return c == u'\\' || c == u'/'; }

QString native(const QString &path)
{
    QString out = path;
    const QChar sep = separator();
    for (QChar &c : out)
        if (isSeparator(c))
            c = sep;
    return out;
}

QString withTrailingSeparator(const QString &dir)
{
    if (dir.isEmpty())
        return dir;
    QString out = native(dir);
    while (out.size() > 1 && isSeparator(out.back()) && isSeparator(out.at(out.size() - 2)))
        out.chop(1);
    if (!isSeparator(out.back()))
        out += separator();
    return out;
}

QString join(const QString &dir, const QString &name)
{
    if (dir.isEmpty())
        return native(name);
    QString n = native(name);
    while (!n.isEmpty() && isSeparator(n.front()))
        n.remove(0, 1);
    return withTrailingSeparator(dir) + n;
}

qsizetype lastSeparator(const QString &path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isSeparator(path.at(i)))
            return i;
    return -1;
}

QString folderOf(const QString &path)
{
    const qsizetype p = lastSeparator(path);
    return p < 0 ? QString() : withTrailingSeparator(path.left(p + 1));
}

} // namespace moxpath
