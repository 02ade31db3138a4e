#include "oracle/oci/tnsnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tnsnames {

namespace {

QStringList parseFile(const QString &path, int depth);

QStringList parseText(const QString &text, const QString &baseDir, int depth)
{
    QStringList out;
    int parens = 0;
    QString head; // text at the outer level since the last entry
    bool ifile = false;
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'#') {
            while (i < n && text[i] != u'\n')
                ++i;
            continue;
        }
        if (c == u'(') {
            ++parens;
            continue;
        }
        if (c == u')') {
            if (parens > 0)
                --parens;
            continue;
        }
        if (parens > 0)
            continue;
        if (ifile) {
            // IFILE = path: the path runs to the end of the line
            if (c == u'\n') {
                const QString file = head.trimmed();
                head.clear();
                ifile = false;
                if (!file.isEmpty() && depth < 8) {
                    const QString p = QDir::isAbsolutePath(file) ? file : QDir(baseDir).filePath(file);
                    out += parseFile(p, depth + 1);
                }
            } else {
                head += c;
            }
            continue;
        }
        if (c == u'=') {
            const QString names = head.trimmed();
            head.clear();
            if (names.compare(QLatin1String("IFILE"), Qt::CaseInsensitive) == 0) {
                ifile = true;
                continue;
            }
            for (const QString &name : names.split(u',', Qt::SkipEmptyParts)) {
                const QString nm = name.trimmed();
                if (!nm.isEmpty() && !out.contains(nm, Qt::CaseInsensitive))
                    out << nm;
            }
            continue;
        }
        head += c;
    }
    if (ifile && !head.trimmed().isEmpty() && depth < 8) {
        const QString file = head.trimmed();
        out += parseFile(QDir::isAbsolutePath(file) ? file : QDir(baseDir).filePath(file), depth + 1);
    }
    return out;
}

QStringList parseFile(const QString &path, int depth)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return parseText(QString::fromLocal8Bit(f.readAll()), QFileInfo(path).absolutePath(), depth);
}

} // namespace

QString configDir()
{
    const QString admin = qEnvironmentVariable("TNS_ADMIN");
    if (!admin.isEmpty())
        return admin;
    const QString home = qEnvironmentVariable("ORACLE_HOME");
    if (!home.isEmpty())
        return QDir(home).filePath(QStringLiteral("network/admin"));
    return QString();
}

QStringList parse(const QString &text, const QString &baseDir) { return parseText(text, baseDir, 0); }

QStringList aliases()
{
    const QString dir = configDir();
    if (dir.isEmpty())
        return {};
    return parseFile(QDir(dir).filePath(QStringLiteral("tnsnames.ora")), 0);
}

} // namespace tnsnames
