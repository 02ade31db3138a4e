// Tokenizer of the Oracle dialect of the embedded engine.
#include "oracle/embedded/sqlast.h"

#include "base/moxerror.h"

namespace oraembed {

namespace {

bool identStart(QChar c) { return c.isLetter(); }
bool identPart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#'; }

[[noreturn]] void fail(const QString &msg) { throw EMoxError(msg); }

// Reads a statement's text from left to right, one token at a time, keeping
// the line and column of each token for messages.
class Lexer {
public:
    explicit Lexer(const QString &sql) : m_sql(sql), m_n(int(sql.size())) {}

    std::vector<Token> run();

private:
    const QString &m_sql;
    const int m_n;
    int m_i = 0;
    int m_line = 1;
    int m_lineStart = 0;
    bool m_space = true; // blanks or a comment before the next token
    std::vector<Token> m_out;

    QChar at(int k) const { return m_sql.at(k); }
    Token make(Token::Kind k, int start) const
    {
        Token t;
        t.kind = k;
        t.offset = start;
        t.line = m_line;
        t.column = start - m_lineStart + 1;
        t.spaceBefore = m_space;
        return t;
    }
    bool skipBlankOrComment();
    void word(int start);
    void quotedName(int start);
    void string(int start);
    void number(int start);
    bool bindAhead() const;
    void bind(int start);
    bool outerJoinMark(int start);
    void op(int start);
};

std::vector<Token> Lexer::run()
{
    while (m_i < m_n) {
        if (skipBlankOrComment())
            continue;
        const QChar c = at(m_i);
        const int start = m_i;
        if (identStart(c))
            word(start);
        else if (c == u'"')
            quotedName(start);
        else if (c == u'\'')
            string(start);
        else if (c.isDigit() || (c == u'.' && m_i + 1 < m_n && at(m_i + 1).isDigit()))
            number(start);
        else if (c == u':' && bindAhead())
            bind(start);
        else if (!(c == u'(' && outerJoinMark(start)))
            op(start);
        m_space = false;
    }
    Token end;
    end.kind = Token::End;
    end.offset = m_n;
    end.line = m_line;
    end.column = m_n - m_lineStart + 1;
    end.spaceBefore = true;
    m_out.push_back(end);
    return std::move(m_out);
}

// Line breaks, blanks, "--" comments and "/* */" comments.
bool Lexer::skipBlankOrComment()
{
    const QChar c = at(m_i);
    if (c == u'\n') {
        ++m_line;
        m_lineStart = m_i + 1;
        ++m_i;
        m_space = true;
        return true;
    }
    if (c.isSpace()) {
        ++m_i;
        m_space = true;
        return true;
    }
    if (c == u'-' && m_i + 1 < m_n && at(m_i + 1) == u'-') {
        while (m_i < m_n && at(m_i) != u'\n')
            ++m_i;
        m_space = true;
        return true;
    }
    if (c == u'/' && m_i + 1 < m_n && at(m_i + 1) == u'*') {
        const int end = int(m_sql.indexOf(QStringLiteral("*/"), m_i + 2));
        const int stop = end < 0 ? m_n : end + 2;
        for (int k = m_i; k < stop; ++k)
            if (at(k) == u'\n') {
                ++m_line;
                m_lineStart = k + 1;
            }
        m_i = stop;
        m_space = true;
        return true;
    }
    return false;
}

void Lexer::word(int start)
{
    while (m_i < m_n && identPart(at(m_i)))
        ++m_i;
    Token t = make(Token::Ident, start);
    t.source = m_sql.mid(start, m_i - start);
    t.text = t.source.toUpper();
    m_out.push_back(t);
}

void Lexer::quotedName(int start)
{
    const int end = int(m_sql.indexOf(u'"', m_i + 1));
    if (end < 0)
        fail(QStringLiteral("ORA-01740: missing double quote in identifier"));
    Token t = make(Token::QuotedIdent, start);
    t.text = m_sql.mid(m_i + 1, end - m_i - 1);
    if (t.text.isEmpty())
        fail(QStringLiteral("ORA-01741: illegal zero-length identifier"));
    t.source = m_sql.mid(start, end + 1 - start);
    m_i = end + 1;
    m_out.push_back(t);
}

// A text literal; '' stands for one quote, and the text may span lines.
void Lexer::string(int start)
{
    QString value;
    ++m_i;
    bool closed = false;
    while (m_i < m_n) {
        const QChar d = at(m_i);
        if (d == u'\'') {
            if (m_i + 1 < m_n && at(m_i + 1) == u'\'') {
                value += u'\'';
                m_i += 2;
                continue;
            }
            closed = true;
            ++m_i;
            break;
        }
        if (d == u'\n') {
            ++m_line;
            m_lineStart = m_i + 1;
        }
        value += d;
        ++m_i;
    }
    if (!closed)
        fail(QStringLiteral("ORA-01756: quoted string not properly terminated"));
    Token t = make(Token::String, start);
    t.text = value;
    t.source = m_sql.mid(start, m_i - start);
    m_out.push_back(t);
}

// Digits with an optional fraction and exponent; "1..2" stops before "..".
void Lexer::number(int start)
{
    while (m_i < m_n && at(m_i).isDigit())
        ++m_i;
    if (m_i < m_n && at(m_i) == u'.' && !(m_i + 1 < m_n && at(m_i + 1) == u'.')) {
        ++m_i;
        while (m_i < m_n && at(m_i).isDigit())
            ++m_i;
    }
    if (m_i < m_n && (at(m_i) == u'e' || at(m_i) == u'E')) {
        int k = m_i + 1;
        if (k < m_n && (at(k) == u'+' || at(k) == u'-'))
            ++k;
        if (k < m_n && at(k).isDigit()) {
            m_i = k;
            while (m_i < m_n && at(m_i).isDigit())
                ++m_i;
        }
    }
    Token t = make(Token::Number, start);
    t.source = t.text = m_sql.mid(start, m_i - start);
    m_out.push_back(t);
}

// ":name", also written ": name" as Oracle accepts it
bool Lexer::bindAhead() const
{
    int k = m_i + 1;
    while (k < m_n && (at(k) == u' ' || at(k) == u'\t'))
        ++k;
    return k < m_n && identPart(at(k));
}

void Lexer::bind(int start)
{
    ++m_i;
    while (m_i < m_n && (at(m_i) == u' ' || at(m_i) == u'\t'))
        ++m_i;
    const int nameStart = m_i;
    while (m_i < m_n && identPart(at(m_i)))
        ++m_i;
    Token t = make(Token::Bind, start);
    t.source = m_sql.mid(start, m_i - start);
    t.text = m_sql.mid(nameStart, m_i - nameStart).toUpper();
    m_out.push_back(t);
}

// The outer-join mark "(+)", blanks allowed inside: one token when it is
// there, else nothing is read.
bool Lexer::outerJoinMark(int start)
{
    int k = m_i + 1;
    while (k < m_n && at(k).isSpace() && at(k) != u'\n')
        ++k;
    if (k < m_n && at(k) == u'+') {
        int m = k + 1;
        while (m < m_n && at(m).isSpace() && at(m) != u'\n')
            ++m;
        if (m < m_n && at(m) == u')') {
            Token t = make(Token::Op, start);
            t.text = QStringLiteral("(+)");
            t.source = m_sql.mid(start, m + 1 - start);
            m_out.push_back(t);
            m_i = m + 1;
            return true;
        }
    }
    return false;
}

// An operator or punctuation of one or two characters.
void Lexer::op(int start)
{
    static const char *const two[] = {"||", ":=", "<=", ">=", "<>", "!=", "^=", "=>", nullptr};
    const QChar c = at(m_i);
    QString op;
    for (int k = 0; two[k]; ++k) {
        if (m_i + 1 < m_n && at(m_i) == QLatin1Char(two[k][0]) && at(m_i + 1) == QLatin1Char(two[k][1])) {
            op = QString::fromLatin1(two[k]);
            break;
        }
    }
    if (op.isEmpty()) {
        if (QStringLiteral("(),.;+-*/=<>@%").contains(c))
            op = QString(c);
        else
            fail(QStringLiteral("ORA-00911: invalid character (\"%1\" at line %2, column %3)")
                     .arg(c)
                     .arg(m_line)
                     .arg(start - m_lineStart + 1));
    }
    Token t = make(Token::Op, start);
    t.text = t.source = op;
    m_i += int(op.size());
    m_out.push_back(t);
}

} // namespace

std::vector<Token> tokenize(const QString &sql)
{
    return Lexer(sql).run();
}

} // namespace oraembed
