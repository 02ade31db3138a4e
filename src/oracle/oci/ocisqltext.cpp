#include "oracle/oci/ocisqltext.h"

#include "oracle/oci/ocidefs.h"

#include <vector>

namespace ocisql {

namespace {

struct Token {
    enum Kind { Word, Placeholder, Other, Open, Close } kind;
    QString text; // upper case for words and placeholders
    int depth;    // parentheses around the token
};

bool wordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#'; }

// Where the name of a placeholder starts when a colon stands at i - 1 (0
// when no name follows).
int nameAfterColon(const QString &sql, int i)
{
    while (i < sql.size() && (sql[i] == u' ' || sql[i] == u'\t'))
        ++i;
    return i < sql.size() && (sql[i].isLetter() || sql[i].isDigit()) ? i : 0;
}

std::vector<Token> tokens(const QString &sql)
{
    std::vector<Token> out;
    int depth = 0;
    const int n = int(sql.size());
    for (int i = 0; i < n;) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'\'') {
            for (++i; i < n; ++i)
                if (sql[i] == u'\'') {
                    if (i + 1 < n && sql[i + 1] == u'\'') {
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
            out.push_back({Token::Other, QString(), depth});
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const int end = int(sql.indexOf(QStringLiteral("*/"), i + 2));
            i = end < 0 ? n : end + 2;
        } else if (c == u':' && nameAfterColon(sql, i + 1) > 0) {
            // ":name", also written with blanks after the colon
            const int start = i = nameAfterColon(sql, i + 1);
            while (i < n && wordChar(sql[i]))
                ++i;
            out.push_back({Token::Placeholder, sql.mid(start, i - start).toUpper(), depth});
        } else if (wordChar(c) || c == u'"') {
            // a name, with its owner and quoted parts: tavo."AKT"
            const int start = i;
            while (i < n && (wordChar(sql[i]) || sql[i] == u'.' || sql[i] == u'"')) {
                if (sql[i] == u'"') {
                    ++i;
                    while (i < n && sql[i] != u'"')
                        ++i;
                }
                ++i;
            }
            out.push_back({Token::Word, sql.mid(start, i - start), depth});
        } else if (c == u'(') {
            out.push_back({Token::Open, QString(), depth++});
            ++i;
        } else if (c == u')') {
            depth = depth > 0 ? depth - 1 : 0;
            out.push_back({Token::Close, QString(), depth});
            ++i;
        } else {
            out.push_back({Token::Other, QString(c), depth});
            ++i;
        }
    }
    return out;
}

bool isWord(const Token &t, const char *w) { return t.kind == Token::Word && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0; }

} // namespace

unsigned short statementType(const QString &sql)
{
    const std::vector<Token> t = tokens(sql);
    size_t i = 0;
    while (i < t.size() && t[i].kind == Token::Open)
        ++i; // "(select ...)"
    if (i >= t.size() || t[i].kind != Token::Word)
        return oci::STMT_UNKNOWN;
    const QString w = t[i].text.toUpper();
    if (w == QLatin1String("SELECT") || w == QLatin1String("WITH"))
        return oci::STMT_SELECT;
    if (w == QLatin1String("UPDATE"))
        return oci::STMT_UPDATE;
    if (w == QLatin1String("DELETE"))
        return oci::STMT_DELETE;
    if (w == QLatin1String("INSERT"))
        return oci::STMT_INSERT;
    if (w == QLatin1String("CREATE"))
        return oci::STMT_CREATE;
    if (w == QLatin1String("DROP"))
        return oci::STMT_DROP;
    if (w == QLatin1String("ALTER"))
        return oci::STMT_ALTER;
    if (w == QLatin1String("BEGIN"))
        return oci::STMT_BEGIN;
    if (w == QLatin1String("DECLARE"))
        return oci::STMT_DECLARE;
    if (w == QLatin1String("CALL"))
        return oci::STMT_CALL;
    if (w == QLatin1String("MERGE"))
        return oci::STMT_MERGE;
    if (w == QLatin1String("ROLLBACK"))
        return oci::STMT_ROLLBACK;
    if (w == QLatin1String("COMMIT"))
        return oci::STMT_COMMIT;
    return oci::STMT_UNKNOWN;
}

QStringList placeholders(const QString &sql)
{
    QStringList out;
    for (const Token &t : tokens(sql))
        if (t.kind == Token::Placeholder && !out.contains(t.text))
            out << t.text;
    return out;
}

QStringList returningTargets(const QString &sql)
{
    const unsigned short type = statementType(sql);
    if (type != oci::STMT_INSERT && type != oci::STMT_UPDATE && type != oci::STMT_DELETE)
        return {};
    const std::vector<Token> t = tokens(sql);
    size_t i = 0;
    while (i < t.size() && !(t[i].depth == 0 && (isWord(t[i], "RETURNING") || isWord(t[i], "RETURN"))))
        ++i;
    while (i < t.size() && !(t[i].depth == 0 && isWord(t[i], "INTO")))
        ++i;
    QStringList out;
    for (; i < t.size(); ++i)
        if (t[i].kind == Token::Placeholder && !out.contains(t[i].text))
            out << t[i].text;
    return out;
}

bool isForUpdate(const QString &sql)
{
    const std::vector<Token> t = tokens(sql);
    for (size_t i = 0; i + 1 < t.size(); ++i)
        if (t[i].depth == 0 && isWord(t[i], "FOR") && isWord(t[i + 1], "UPDATE"))
            return true;
    return false;
}

QString firstTable(const QString &sql)
{
    const std::vector<Token> t = tokens(sql);
    int depth = -1; // the depth of the query's own SELECT
    for (size_t i = 0; i < t.size(); ++i) {
        if (depth < 0 && isWord(t[i], "SELECT"))
            depth = t[i].depth;
        if (depth >= 0 && t[i].depth == depth && isWord(t[i], "FROM") && i + 1 < t.size() && t[i + 1].kind == Token::Word)
            return t[i + 1].text;
    }
    return QString();
}

} // namespace ocisql
