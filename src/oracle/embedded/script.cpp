#include "oracle/embedded/script.h"

#include "base/moxerror.h"

#include <QRegularExpression>

namespace oraembed {

namespace {

// The first words of a text, upper-cased.
QStringList leadingWords(const QString &text, int count)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z_][A-Za-z0-9_$#]*"));
    QStringList out;
    auto it = word.globalMatch(text);
    while (it.hasNext() && out.size() < count)
        out << it.next().captured(0).toUpper();
    return out;
}

bool isBlockStart(const QString &text)
{
    const QStringList w = leadingWords(text, 4);
    if (w.isEmpty())
        return false;
    if (w[0] == QLatin1String("BEGIN") || w[0] == QLatin1String("DECLARE"))
        return true;
    if (w[0] != QLatin1String("CREATE"))
        return false;
    int i = 1;
    if (w.value(1) == QLatin1String("OR") && w.value(2) == QLatin1String("REPLACE"))
        i = 3;
    const QString kind = w.value(i);
    return kind == QLatin1String("TRIGGER") || kind == QLatin1String("PROCEDURE") || kind == QLatin1String("FUNCTION")
           || kind == QLatin1String("PACKAGE") || kind == QLatin1String("TYPE");
}

bool isPlusCommand(const QString &trimmed)
{
    const QString first = trimmed.section(u' ', 0, 0).toUpper();
    static const QStringList commands = {QStringLiteral("REM"),    QStringLiteral("REMARK"), QStringLiteral("PROMPT"),
                                         QStringLiteral("SET"),    QStringLiteral("SPOOL"),  QStringLiteral("WHENEVER"),
                                         QStringLiteral("SHOW"),   QStringLiteral("EXIT"),   QStringLiteral("QUIT")};
    return commands.contains(first);
}

} // namespace

std::vector<ScriptStatement> splitScript(const QStringList &lines)
{
    std::vector<ScriptStatement> out;
    QString text;
    int start = 0;
    for (int n = 0; n < lines.size(); ++n) {
        const QString &line = lines[n];
        const QString trimmed = line.trimmed();
        if (text.isEmpty()) {
            if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("--")) || trimmed == QLatin1String("/")
                || isPlusCommand(trimmed))
                continue;
            start = n + 1;
        }
        if (trimmed == QLatin1String("/")) {
            QString t = text.trimmed();
            if (!isBlockStart(t) && t.endsWith(u';'))
                t.chop(1);
            out.push_back({t, start});
            text.clear();
            continue;
        }
        text += line + u'\n';
        if (!isBlockStart(text) && trimmed.endsWith(u';')) {
            QString t = text.trimmed();
            t.chop(1);
            out.push_back({t.trimmed(), start});
            text.clear();
        }
    }
    if (!text.trimmed().isEmpty()) {
        if (isBlockStart(text))
            throw EMoxError(QStringLiteral("line %1: the block does not end with a line holding only \"/\"").arg(start));
        throw EMoxError(QStringLiteral("line %1: the statement does not end with \";\"").arg(start));
    }
    return out;
}

} // namespace oraembed
