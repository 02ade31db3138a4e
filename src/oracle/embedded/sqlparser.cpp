// Tokenizer and recursive-descent parser of the Oracle dialect of the embedded
// engine. What the dialect leaves out is refused with a message that names it.
#include "oracle/embedded/sqlast.h"

#include "base/moxerror.h"

#include <QSet>

namespace oraembed {

namespace {

bool identStart(QChar c) { return c.isLetter(); }
bool identPart(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'#'; }

[[noreturn]] void fail(const QString &msg) { throw EMoxError(msg); }

} // namespace

std::vector<Token> tokenize(const QString &sql)
{
    std::vector<Token> out;
    const int n = int(sql.size());
    int i = 0;
    int line = 1;
    int lineStart = 0;
    bool space = true;
    auto make = [&](Token::Kind k, int start) {
        Token t;
        t.kind = k;
        t.offset = start;
        t.line = line;
        t.column = start - lineStart + 1;
        t.spaceBefore = space;
        return t;
    };
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == u'\n') {
            ++line;
            lineStart = i + 1;
            ++i;
            space = true;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            space = true;
            continue;
        }
        if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            while (i < n && sql.at(i) != u'\n')
                ++i;
            space = true;
            continue;
        }
        if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            const int end = int(sql.indexOf(QStringLiteral("*/"), i + 2));
            const int stop = end < 0 ? n : end + 2;
            for (int k = i; k < stop; ++k)
                if (sql.at(k) == u'\n') {
                    ++line;
                    lineStart = k + 1;
                }
            i = stop;
            space = true;
            continue;
        }
        const int start = i;
        if (identStart(c)) {
            while (i < n && identPart(sql.at(i)))
                ++i;
            Token t = make(Token::Ident, start);
            t.source = sql.mid(start, i - start);
            t.text = t.source.toUpper();
            out.push_back(t);
        } else if (c == u'"') {
            const int end = int(sql.indexOf(u'"', i + 1));
            if (end < 0)
                fail(QStringLiteral("ORA-01740: missing double quote in identifier"));
            Token t = make(Token::QuotedIdent, start);
            t.text = sql.mid(i + 1, end - i - 1);
            if (t.text.isEmpty())
                fail(QStringLiteral("ORA-01741: illegal zero-length identifier"));
            t.source = sql.mid(start, end + 1 - start);
            i = end + 1;
            out.push_back(t);
        } else if (c == u'\'') {
            QString value;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar d = sql.at(i);
                if (d == u'\'') {
                    if (i + 1 < n && sql.at(i + 1) == u'\'') {
                        value += u'\'';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                if (d == u'\n') {
                    ++line;
                    lineStart = i + 1;
                }
                value += d;
                ++i;
            }
            if (!closed)
                fail(QStringLiteral("ORA-01756: quoted string not properly terminated"));
            Token t = make(Token::String, start);
            t.text = value;
            t.source = sql.mid(start, i - start);
            out.push_back(t);
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && sql.at(i + 1).isDigit())) {
            while (i < n && sql.at(i).isDigit())
                ++i;
            if (i < n && sql.at(i) == u'.' && !(i + 1 < n && sql.at(i + 1) == u'.')) {
                ++i;
                while (i < n && sql.at(i).isDigit())
                    ++i;
            }
            if (i < n && (sql.at(i) == u'e' || sql.at(i) == u'E')) {
                int k = i + 1;
                if (k < n && (sql.at(k) == u'+' || sql.at(k) == u'-'))
                    ++k;
                if (k < n && sql.at(k).isDigit()) {
                    i = k;
                    while (i < n && sql.at(i).isDigit())
                        ++i;
                }
            }
            Token t = make(Token::Number, start);
            t.source = t.text = sql.mid(start, i - start);
            out.push_back(t);
        } else if (c == u':' && [&] {
                       // ":name", also written ": name" as Oracle accepts it
                       int k = i + 1;
                       while (k < n && (sql.at(k) == u' ' || sql.at(k) == u'\t'))
                           ++k;
                       return k < n && identPart(sql.at(k));
                   }()) {
            ++i;
            while (i < n && (sql.at(i) == u' ' || sql.at(i) == u'\t'))
                ++i;
            const int nameStart = i;
            while (i < n && identPart(sql.at(i)))
                ++i;
            Token t = make(Token::Bind, start);
            t.source = sql.mid(start, i - start);
            t.text = sql.mid(nameStart, i - nameStart).toUpper();
            out.push_back(t);
        } else {
            static const char *const two[] = {"||", ":=", "<=", ">=", "<>", "!=", "^=", "=>", nullptr};
            QString op;
            if (c == u'(') {
                // the outer-join mark "(+)", blanks allowed inside
                int k = i + 1;
                while (k < n && sql.at(k).isSpace() && sql.at(k) != u'\n')
                    ++k;
                if (k < n && sql.at(k) == u'+') {
                    int m = k + 1;
                    while (m < n && sql.at(m).isSpace() && sql.at(m) != u'\n')
                        ++m;
                    if (m < n && sql.at(m) == u')') {
                        Token t = make(Token::Op, start);
                        t.text = QStringLiteral("(+)");
                        t.source = sql.mid(start, m + 1 - start);
                        out.push_back(t);
                        i = m + 1;
                        space = false;
                        continue;
                    }
                }
            }
            for (int k = 0; two[k]; ++k) {
                if (i + 1 < n && sql.at(i) == QLatin1Char(two[k][0]) && sql.at(i + 1) == QLatin1Char(two[k][1])) {
                    op = QString::fromLatin1(two[k]);
                    break;
                }
            }
            if (op.isEmpty()) {
                if (QStringLiteral("(),.;+-*/=<>@%").contains(c))
                    op = QString(c);
                else
                    fail(QStringLiteral("ORA-00911: invalid character (\"%1\" at line %2, column %3)")
                             .arg(c).arg(line).arg(start - lineStart + 1));
            }
            Token t = make(Token::Op, start);
            t.text = t.source = op;
            i += int(op.size());
            out.push_back(t);
        }
        space = false;
    }
    Token end;
    end.kind = Token::End;
    end.offset = n;
    end.line = line;
    end.column = n - lineStart + 1;
    end.spaceBefore = true;
    out.push_back(end);
    return out;
}

namespace {

const QSet<QString> &reserved()
{
    static const QSet<QString> words = {
        QStringLiteral("SELECT"), QStringLiteral("FROM"), QStringLiteral("WHERE"), QStringLiteral("GROUP"),
        QStringLiteral("ORDER"), QStringLiteral("BY"), QStringLiteral("HAVING"), QStringLiteral("UNION"),
        QStringLiteral("ALL"), QStringLiteral("MINUS"), QStringLiteral("INTERSECT"), QStringLiteral("INTO"),
        QStringLiteral("VALUES"), QStringLiteral("SET"), QStringLiteral("ON"), QStringLiteral("JOIN"),
        QStringLiteral("LEFT"), QStringLiteral("RIGHT"), QStringLiteral("INNER"), QStringLiteral("OUTER"),
        QStringLiteral("FULL"), QStringLiteral("CROSS"), QStringLiteral("NATURAL"), QStringLiteral("USING"),
        QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("NOT"), QStringLiteral("IN"),
        QStringLiteral("IS"), QStringLiteral("NULL"), QStringLiteral("LIKE"), QStringLiteral("BETWEEN"),
        QStringLiteral("EXISTS"), QStringLiteral("CASE"), QStringLiteral("WHEN"), QStringLiteral("THEN"),
        QStringLiteral("ELSE"), QStringLiteral("END"), QStringLiteral("AS"), QStringLiteral("DISTINCT"),
        QStringLiteral("UNIQUE"), QStringLiteral("FOR"), QStringLiteral("CONNECT"), QStringLiteral("START"),
        QStringLiteral("WITH"), QStringLiteral("RETURNING"), QStringLiteral("RETURN"), QStringLiteral("PRIOR"),
        QStringLiteral("ESCAPE"), QStringLiteral("ASC"), QStringLiteral("DESC"), QStringLiteral("NULLS"),
        QStringLiteral("MODEL"), QStringLiteral("PIVOT"), QStringLiteral("UNPIVOT"), QStringLiteral("FETCH"),
        QStringLiteral("OFFSET"), QStringLiteral("SAMPLE"), QStringLiteral("PARTITION"), QStringLiteral("LOG"),
    };
    return words;
}

// How deep expressions and subqueries may nest. The parser and the translator
// descend once per level, so a bound keeps a pathological statement
// (thousands of nested parentheses) from exhausting the stack, even the 1 MB
// stack of a Windows program; Oracle refuses such statements too. (SQLite
// itself gives up at about thirty nested function calls.)
constexpr int kMaxNesting = 255;

class Parser {
public:
    explicit Parser(const QString &sql) : m_sql(sql), m_t(tokenize(sql)) {}

    std::unique_ptr<Stmt> statement();

private:
    const QString &m_sql;
    std::vector<Token> m_t;
    int m_p = 0;
    int m_depth = 0;

    // Counts one level of nesting for as long as it lives.
    struct Nesting {
        Parser &p;
        explicit Nesting(Parser &parser) : p(parser)
        {
            if (++p.m_depth > kMaxNesting)
                p.tooDeep();
        }
        ~Nesting() { --p.m_depth; }
        Nesting(const Nesting &) = delete;
        Nesting &operator=(const Nesting &) = delete;
    };

    const Token &cur() const { return m_t[size_t(m_p)]; }
    const Token &peek(int k = 1) const
    {
        const size_t i = size_t(m_p + k);
        return i < m_t.size() ? m_t[i] : m_t.back();
    }
    bool atEnd() const { return cur().kind == Token::End; }
    bool word(const char *w) const { return cur().isWord(w); }
    bool op(const char *o) const { return cur().isOp(o); }
    bool acceptWord(const char *w)
    {
        if (word(w)) {
            ++m_p;
            return true;
        }
        return false;
    }
    bool acceptOp(const char *o)
    {
        if (op(o)) {
            ++m_p;
            return true;
        }
        return false;
    }

    QString where(const Token &t) const
    {
        if (t.kind == Token::End)
            return QStringLiteral(" (at the end of the statement)");
        return QStringLiteral(" (line %1, column %2: \"%3\")").arg(t.line).arg(t.column).arg(t.source);
    }
    [[noreturn]] void error(const QString &ora) const { fail(ora + where(cur())); }
    [[noreturn]] void tooDeep() const
    {
        error(QStringLiteral("ORA-03095: expression level is too deep, maximum %1").arg(kMaxNesting));
    }
    // One more operator of a left-nested chain (a + b - c ...): each nests the
    // expression one level deeper.
    void deeper(int &links) const
    {
        if (m_depth + ++links > kMaxNesting)
            tooDeep();
    }
    [[noreturn]] void unsupported(const QString &what) const
    {
        fail(QStringLiteral("ORA-03001: unimplemented feature: %1 is not supported by the embedded engine").arg(what)
             + where(cur()));
    }
    void expectWord(const char *w, const char *ora)
    {
        if (!acceptWord(w))
            error(QString::fromLatin1(ora));
    }
    void expectOp(const char *o, const char *ora)
    {
        if (!acceptOp(o))
            error(QString::fromLatin1(ora));
    }
    void expectClose() { expectOp(")", "ORA-00907: missing right parenthesis"); }

    bool isIdent() const { return cur().kind == Token::Ident || cur().kind == Token::QuotedIdent; }
    bool isAliasToken() const
    {
        if (cur().kind == Token::QuotedIdent)
            return true;
        return cur().kind == Token::Ident && !reserved().contains(cur().text);
    }
    // An identifier: upper-cased when unquoted, as written when quoted.
    QString ident(const char *ora = "ORA-00904: invalid identifier")
    {
        if (cur().kind == Token::Ident) {
            if (reserved().contains(cur().text))
                error(QString::fromLatin1(ora));
            return m_t[size_t(m_p++)].text;
        }
        if (cur().kind == Token::QuotedIdent)
            return m_t[size_t(m_p++)].text;
        error(QString::fromLatin1(ora));
    }
    QStringList dottedName(const char *ora = "ORA-00903: invalid table name")
    {
        QStringList parts;
        parts << ident(ora);
        while (op(".") && (peek().kind == Token::Ident || peek().kind == Token::QuotedIdent)) {
            ++m_p;
            parts << ident(ora);
        }
        if (op("@"))
            unsupported(QStringLiteral("a database link"));
        return parts;
    }

    QString textOf(int from, int to) const
    {
        QString s;
        for (int i = from; i < to; ++i) {
            const Token &t = m_t[size_t(i)];
            if (t.kind == Token::String || t.kind == Token::QuotedIdent)
                s += t.source;
            else
                s += t.source.toUpper();
        }
        return s;
    }

    // expressions
    ExprP expr() { return orExpr(); }
    ExprP orExpr();
    ExprP andExpr();
    ExprP notExpr();
    ExprP comparison();
    ExprP additive();
    ExprP multiplicative();
    ExprP unary();
    ExprP primary();
    ExprP newExpr(Expr::Kind k, const Token &at)
    {
        auto e = std::make_unique<Expr>();
        e->kind = k;
        e->line = at.line;
        e->column = at.column;
        e->tokBegin = int(&at - m_t.data());
        return e;
    }
    // AND, OR and || chains are one node with all their operands, so that a
    // long chain is flat rather than as deep as it is long.
    ExprP chain(const QString &opText, ExprP e, ExprP next)
    {
        if (e->kind == Expr::Binary && e->text == opText && e->chained) {
            e->tokEnd = next->tokEnd;
            e->args.push_back(std::move(next));
            return e;
        }
        ExprP c = binary(opText, std::move(e), std::move(next));
        c->chained = true;
        return c;
    }
    ExprP binary(const QString &opText, ExprP a, ExprP b)
    {
        auto e = std::make_unique<Expr>();
        e->kind = Expr::Binary;
        e->text = opText;
        e->line = a->line;
        e->column = a->column;
        e->tokBegin = a->tokBegin;
        e->tokEnd = b->tokEnd;
        e->args.push_back(std::move(a));
        e->args.push_back(std::move(b));
        return e;
    }

    // queries
    bool queryStarts() const { return word("SELECT") || (op("(") && queryAhead()); }
    bool queryAhead() const
    {
        int k = 0;
        while (peek(k).isOp("("))
            ++k;
        return peek(k).isWord("SELECT") || peek(k).isWord("WITH");
    }
    std::unique_ptr<Query> query();
    std::unique_ptr<QueryBlock> block();
    void fromList(QueryBlock &b);
    FromItem fromItem();
    std::vector<OrderItem> orderBy();

    // statements
    std::unique_ptr<Stmt> insertStmt();
    std::unique_ptr<Stmt> updateStmt();
    std::unique_ptr<Stmt> deleteStmt();
    void multiSet(Stmt &s);
    void returningClause(Stmt &s);
    std::unique_ptr<Stmt> createStmt();
    std::unique_ptr<Stmt> createTable();
    std::unique_ptr<Stmt> createIndex(bool unique);
    std::unique_ptr<Stmt> createSequence();
    std::unique_ptr<Stmt> createTrigger(bool orReplace);
    std::unique_ptr<Stmt> alterStmt();
    std::unique_ptr<Stmt> dropStmt();
    std::unique_ptr<Stmt> blockStmt();
    void blockBody(std::vector<BlockStep> &steps, bool trigger);
    std::unique_ptr<Stmt> dmlOrQuery();
    void skipStorageClauses();
    void columnType(ColumnDef &c);
    ColumnDef columnDef(Stmt &s, bool typeOptional);
    std::unique_ptr<Stmt> alterTable();
    std::unique_ptr<Stmt> createView(bool orReplace);
    int intLiteral()
    {
        if (cur().kind != Token::Number)
            error(QStringLiteral("ORA-01722: invalid number"));
        bool ok = false;
        const int v = cur().text.toInt(&ok);
        if (!ok)
            error(QStringLiteral("ORA-01722: invalid number"));
        ++m_p;
        return v;
    }
    qint64 signedLiteral()
    {
        bool neg = acceptOp("-");
        if (!neg)
            acceptOp("+");
        if (cur().kind != Token::Number)
            error(QStringLiteral("ORA-01722: invalid number"));
        bool ok = false;
        const qint64 v = cur().text.toLongLong(&ok);
        if (!ok)
            error(QStringLiteral("ORA-01722: invalid number"));
        ++m_p;
        return neg ? -v : v;
    }
};

ExprP Parser::orExpr()
{
    Nesting level(*this);
    ExprP e = andExpr();
    while (word("OR")) {
        ++m_p;
        e = chain(QStringLiteral("OR"), std::move(e), andExpr());
    }
    return e;
}

ExprP Parser::andExpr()
{
    ExprP e = notExpr();
    while (word("AND")) {
        ++m_p;
        e = chain(QStringLiteral("AND"), std::move(e), notExpr());
    }
    return e;
}

ExprP Parser::notExpr()
{
    if (word("NOT")) {
        Nesting level(*this);
        const Token &at = cur();
        ++m_p;
        auto e = newExpr(Expr::Unary, at);
        e->text = QStringLiteral("NOT");
        e->args.push_back(notExpr());
        e->tokEnd = e->args[0]->tokEnd;
        return e;
    }
    return comparison();
}

ExprP Parser::comparison()
{
    if (word("EXISTS")) {
        const Token &at = cur();
        ++m_p;
        expectOp("(", "ORA-00936: missing expression");
        auto e = newExpr(Expr::Exists, at);
        e->query = query();
        expectClose();
        e->tokEnd = m_p;
        return e;
    }
    ExprP left = additive();
    int links = 0;
    for (;;) {
        static const char *const cmp[] = {"=", "<>", "!=", "^=", "<", "<=", ">", ">=", nullptr};
        bool matched = false;
        for (int k = 0; cmp[k]; ++k) {
            if (op(cmp[k])) {
                QString o = cur().text;
                if (o == QLatin1String("!=") || o == QLatin1String("^="))
                    o = QStringLiteral("<>");
                ++m_p;
                deeper(links);
                if (word("ANY") || word("SOME") || word("ALL"))
                    unsupported(QStringLiteral("a comparison with ANY, SOME or ALL"));
                left = binary(o, std::move(left), additive());
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        bool neg = false;
        const int save = m_p;
        if (word("NOT")) {
            neg = true;
            ++m_p;
        }
        if (word("IN")) {
            ++m_p;
            deeper(links);
            auto e = std::make_unique<Expr>();
            e->kind = Expr::In;
            e->negated = neg;
            e->line = left->line;
            e->column = left->column;
            e->tokBegin = left->tokBegin;
            e->args.push_back(std::move(left));
            expectOp("(", "ORA-00936: missing expression");
            if (queryStarts()) {
                e->query = query();
            } else {
                do
                    e->args.push_back(expr());
                while (acceptOp(","));
                if (e->args.size() > 1001)
                    fail(QStringLiteral("ORA-01795: maximum number of expressions in a list is 1000"));
            }
            expectClose();
            e->tokEnd = m_p;
            left = std::move(e);
            continue;
        }
        if (word("BETWEEN")) {
            ++m_p;
            deeper(links);
            auto e = std::make_unique<Expr>();
            e->kind = Expr::Between;
            e->negated = neg;
            e->line = left->line;
            e->column = left->column;
            e->tokBegin = left->tokBegin;
            e->args.push_back(std::move(left));
            e->args.push_back(additive());
            expectWord("AND", "ORA-00905: missing keyword");
            e->args.push_back(additive());
            e->tokEnd = m_p;
            left = std::move(e);
            continue;
        }
        if (word("LIKE")) {
            ++m_p;
            deeper(links);
            auto e = std::make_unique<Expr>();
            e->kind = Expr::Like;
            e->negated = neg;
            e->line = left->line;
            e->column = left->column;
            e->tokBegin = left->tokBegin;
            e->args.push_back(std::move(left));
            e->args.push_back(additive());
            if (acceptWord("ESCAPE"))
                e->args.push_back(additive());
            e->tokEnd = m_p;
            left = std::move(e);
            continue;
        }
        if (neg) {
            m_p = save;
            break;
        }
        if (word("IS")) {
            ++m_p;
            deeper(links);
            auto e = std::make_unique<Expr>();
            e->kind = Expr::IsNull;
            e->negated = acceptWord("NOT");
            expectWord("NULL", "ORA-00908: missing NULL keyword");
            e->line = left->line;
            e->column = left->column;
            e->tokBegin = left->tokBegin;
            e->args.push_back(std::move(left));
            e->tokEnd = m_p;
            left = std::move(e);
            continue;
        }
        break;
    }
    return left;
}

ExprP Parser::additive()
{
    ExprP e = multiplicative();
    int links = 0;
    for (;;) {
        if (op("+") || op("-") || op("||")) {
            const QString o = cur().text;
            ++m_p;
            // a || extends the chain it follows; anything else wraps e
            if (!(o == QLatin1String("||") && e->kind == Expr::Binary && e->text == o && e->chained))
                deeper(links);
            if (o == QLatin1String("||"))
                e = chain(o, std::move(e), multiplicative());
            else
                e = binary(o, std::move(e), multiplicative());
        } else {
            return e;
        }
    }
}

ExprP Parser::multiplicative()
{
    ExprP e = unary();
    int links = 0;
    for (;;) {
        if (op("*") || op("/")) {
            const QString o = cur().text;
            ++m_p;
            deeper(links);
            e = binary(o, std::move(e), unary());
        } else {
            return e;
        }
    }
}

ExprP Parser::unary()
{
    if (op("-") || op("+")) {
        Nesting level(*this);
        const Token &at = cur();
        ++m_p;
        auto e = newExpr(Expr::Unary, at);
        e->text = at.text;
        e->args.push_back(unary());
        e->tokEnd = e->args[0]->tokEnd;
        return e;
    }
    if (word("PRIOR"))
        unsupported(QStringLiteral("CONNECT BY ... PRIOR"));
    return primary();
}

ExprP Parser::primary()
{
    const Token &at = cur();
    switch (at.kind) {
    case Token::String: {
        ++m_p;
        auto e = newExpr(Expr::Str, at);
        e->text = at.text;
        e->tokEnd = m_p;
        return e;
    }
    case Token::Number: {
        ++m_p;
        auto e = newExpr(Expr::Num, at);
        e->text = at.text;
        e->tokEnd = m_p;
        return e;
    }
    case Token::Bind: {
        ++m_p;
        if (op(".") && (peek().kind == Token::Ident || peek().kind == Token::QuotedIdent)) {
            // :new.column / :old.column of a trigger body
            auto e = newExpr(Expr::Name, at);
            e->parts << QLatin1Char(':') + at.text;
            ++m_p;
            e->parts << ident();
            e->tokEnd = m_p;
            return e;
        }
        auto e = newExpr(Expr::Bind, at);
        e->text = at.text;
        e->tokEnd = m_p;
        return e;
    }
    case Token::Op:
        if (at.isOp("(")) {
            ++m_p;
            if (queryStarts()) {
                auto e = newExpr(Expr::Subquery, at);
                e->query = query();
                expectClose();
                e->tokEnd = m_p;
                return e;
            }
            ExprP first = expr();
            if (op(",")) {
                auto e = newExpr(Expr::List, at);
                e->args.push_back(std::move(first));
                while (acceptOp(","))
                    e->args.push_back(expr());
                expectClose();
                e->tokEnd = m_p;
                return e;
            }
            expectClose();
            first->tokBegin = int(&at - m_t.data());
            first->tokEnd = m_p;
            return first;
        }
        if (at.isOp("*")) {
            ++m_p;
            auto e = newExpr(Expr::Star, at);
            e->tokEnd = m_p;
            return e;
        }
        error(QStringLiteral("ORA-00936: missing expression"));
    case Token::Ident:
    case Token::QuotedIdent:
        break;
    case Token::End:
        error(QStringLiteral("ORA-00936: missing expression"));
    }

    if (at.kind == Token::Ident) {
        if (at.text == QLatin1String("NULL")) {
            ++m_p;
            auto e = newExpr(Expr::Null, at);
            e->tokEnd = m_p;
            return e;
        }
        if (at.text == QLatin1String("CASE")) {
            ++m_p;
            auto e = newExpr(Expr::Case, at);
            if (!word("WHEN")) {
                e->hasBase = true;
                e->args.push_back(expr());
            }
            if (!word("WHEN"))
                error(QStringLiteral("ORA-00905: missing keyword"));
            while (acceptWord("WHEN")) {
                e->args.push_back(expr());
                expectWord("THEN", "ORA-00905: missing keyword");
                e->args.push_back(expr());
            }
            if (acceptWord("ELSE")) {
                e->hasElse = true;
                e->args.push_back(expr());
            }
            expectWord("END", "ORA-00905: missing keyword");
            e->tokEnd = m_p;
            return e;
        }
        if (at.text == QLatin1String("DATE") && peek().kind == Token::String) {
            // ANSI date literal: DATE 'YYYY-MM-DD'
            ++m_p;
            auto e = newExpr(Expr::Call, at);
            e->parts << QStringLiteral("TO_DATE");
            e->parenCall = true;
            auto s = newExpr(Expr::Str, cur());
            s->text = cur().text;
            ++m_p;
            auto f = newExpr(Expr::Str, at);
            f->text = QStringLiteral("YYYY-MM-DD");
            e->args.push_back(std::move(s));
            e->args.push_back(std::move(f));
            e->tokEnd = m_p;
            return e;
        }
        if (reserved().contains(at.text) && at.text != QLatin1String("LOG"))
            error(QStringLiteral("ORA-00936: missing expression"));
    }

    // a name chain, a call, or owner.table.*
    QStringList parts;
    parts << ident();
    while (op(".")) {
        if (peek().isOp("*")) {
            m_p += 2;
            auto e = newExpr(Expr::Star, at);
            e->parts = parts;
            e->tokEnd = m_p;
            return e;
        }
        ++m_p;
        parts << ident();
    }
    if (op("(")) {
        ++m_p;
        auto e = newExpr(Expr::Call, at);
        e->parts = parts;
        e->parenCall = true;
        if (!op(")")) {
            if (acceptWord("DISTINCT") || acceptWord("UNIQUE"))
                e->distinct = true;
            else
                acceptWord("ALL");
            if (op("*") && peek().isOp(")")) {
                ++m_p;
                e->starArg = true;
            } else {
                do {
                    if (peek().isOp("=>"))
                        unsupported(QStringLiteral("a named argument (=>)"));
                    e->args.push_back(expr());
                } while (acceptOp(","));
            }
        }
        expectClose();
        if (word("OVER"))
            unsupported(QStringLiteral("an analytic function (OVER)"));
        if (word("KEEP"))
            unsupported(QStringLiteral("KEEP (DENSE_RANK ...)"));
        e->tokEnd = m_p;
        return e;
    }
    auto e = newExpr(Expr::Name, at);
    e->parts = parts;
    if (acceptOp("(+)"))
        e->outer = true;
    e->tokEnd = m_p;
    return e;
}

std::unique_ptr<Query> Parser::query()
{
    Nesting level(*this);
    if (word("WITH"))
        unsupported(QStringLiteral("the WITH clause"));
    auto q = std::make_unique<Query>();
    QString opText;
    for (;;) {
        Query::Term term;
        term.op = opText;
        if (op("(")) {
            ++m_p;
            term.paren = query();
            expectClose();
        } else if (word("SELECT")) {
            term.block = block();
        } else {
            error(QStringLiteral("ORA-00928: missing SELECT keyword"));
        }
        q->terms.push_back(std::move(term));
        if (acceptWord("UNION")) {
            opText = acceptWord("ALL") ? QStringLiteral("UNION ALL") : QStringLiteral("UNION");
        } else if (acceptWord("MINUS")) {
            opText = QStringLiteral("MINUS");
        } else if (acceptWord("INTERSECT")) {
            opText = QStringLiteral("INTERSECT");
        } else {
            break;
        }
    }
    if (word("ORDER") && peek().isWord("BY")) {
        m_p += 2;
        q->orderBy = orderBy();
    }
    if (word("FOR") && peek().isWord("UPDATE")) {
        m_p += 2;
        q->forUpdate = true;
        if (acceptWord("OF")) {
            do
                dottedName("ORA-00904: invalid identifier");
            while (acceptOp(","));
        }
        if (acceptWord("NOWAIT")) {
            q->forUpdateWait = 0;
        } else if (acceptWord("WAIT")) {
            q->forUpdateWait = intLiteral();
        } else if (word("SKIP")) {
            unsupported(QStringLiteral("FOR UPDATE SKIP LOCKED"));
        }
    }
    return q;
}

std::vector<OrderItem> Parser::orderBy()
{
    std::vector<OrderItem> items;
    if (word("SIBLINGS"))
        unsupported(QStringLiteral("ORDER SIBLINGS BY"));
    do {
        OrderItem it;
        it.expr = expr();
        if (acceptWord("DESC"))
            it.desc = true;
        else
            acceptWord("ASC");
        if (acceptWord("NULLS")) {
            if (acceptWord("FIRST"))
                it.nulls = 1;
            else if (acceptWord("LAST"))
                it.nulls = 2;
            else
                error(QStringLiteral("ORA-00905: missing keyword"));
        }
        items.push_back(std::move(it));
    } while (acceptOp(","));
    return items;
}

std::unique_ptr<QueryBlock> Parser::block()
{
    expectWord("SELECT", "ORA-00928: missing SELECT keyword");
    auto b = std::make_unique<QueryBlock>();
    if (acceptWord("DISTINCT") || acceptWord("UNIQUE"))
        b->distinct = true;
    else
        acceptWord("ALL");
    if (cur().kind == Token::Op && cur().text == QLatin1String("/") )
        error(QStringLiteral("ORA-00936: missing expression"));
    do {
        SelectItem it;
        const int from = m_p;
        it.expr = expr();
        it.exprText = textOf(from, m_p);
        if (acceptWord("AS")) {
            it.aliasQuoted = cur().kind == Token::QuotedIdent;
            it.alias = ident("ORA-00923: FROM keyword not found where expected");
        } else if (isAliasToken()) {
            it.aliasQuoted = cur().kind == Token::QuotedIdent;
            it.alias = ident();
        }
        b->items.push_back(std::move(it));
    } while (acceptOp(","));
    if (word("INTO"))
        unsupported(QStringLiteral("SELECT ... INTO"));
    expectWord("FROM", "ORA-00923: FROM keyword not found where expected");
    fromList(*b);
    if (acceptWord("WHERE"))
        b->where = expr();
    if (word("CONNECT") || word("START"))
        unsupported(QStringLiteral("CONNECT BY"));
    if (word("GROUP") && peek().isWord("BY")) {
        m_p += 2;
        if (word("ROLLUP") || word("CUBE") || word("GROUPING"))
            unsupported(QStringLiteral("GROUP BY ") + cur().text);
        do
            b->groupBy.push_back(expr());
        while (acceptOp(","));
    }
    if (acceptWord("HAVING"))
        b->having = expr();
    if (word("MODEL"))
        unsupported(QStringLiteral("the MODEL clause"));
    return b;
}

void Parser::fromList(QueryBlock &b)
{
    b.from.push_back(fromItem());
    for (;;) {
        if (acceptOp(",")) {
            b.from.push_back(fromItem());
            continue;
        }
        FromItem::Join j;
        if (word("JOIN")) {
            j = FromItem::Inner;
        } else if (word("INNER") && peek().isWord("JOIN")) {
            ++m_p;
            j = FromItem::Inner;
        } else if (word("LEFT") || word("RIGHT") || word("FULL")) {
            j = word("LEFT") ? FromItem::Left : word("RIGHT") ? FromItem::Right : FromItem::Full;
            ++m_p;
            acceptWord("OUTER");
            if (!word("JOIN"))
                error(QStringLiteral("ORA-00905: missing keyword"));
        } else if (word("CROSS") && peek().isWord("JOIN")) {
            ++m_p;
            j = FromItem::Cross;
        } else if (word("NATURAL")) {
            unsupported(QStringLiteral("NATURAL JOIN"));
        } else {
            return;
        }
        expectWord("JOIN", "ORA-00905: missing keyword");
        FromItem it = fromItem();
        it.join = j;
        if (j != FromItem::Cross) {
            if (word("USING"))
                unsupported(QStringLiteral("JOIN ... USING"));
            expectWord("ON", "ORA-00905: missing keyword");
            it.on = expr();
        }
        b.from.push_back(std::move(it));
    }
}

FromItem Parser::fromItem()
{
    FromItem it;
    it.line = cur().line;
    it.column = cur().column;
    if (op("(")) {
        ++m_p;
        if (!queryStarts() && !word("SELECT"))
            unsupported(QStringLiteral("a parenthesised join"));
        it.sub = query();
        expectClose();
    } else {
        if (word("TABLE") && peek().isOp("("))
            unsupported(QStringLiteral("TABLE() collections"));
        if (word("LATERAL"))
            unsupported(QStringLiteral("LATERAL"));
        it.name = dottedName();
        if (it.name.size() > 2)
            error(QStringLiteral("ORA-00933: SQL command not properly ended"));
    }
    if (word("SAMPLE") || word("PARTITION"))
        unsupported(cur().text);
    if (isAliasToken())
        it.alias = ident();
    return it;
}

void Parser::returningClause(Stmt &s)
{
    if (!(word("RETURNING") || word("RETURN")))
        return;
    ++m_p;
    do
        s.returning.push_back(expr());
    while (acceptOp(","));
    if (word("BULK"))
        unsupported(QStringLiteral("RETURNING BULK COLLECT"));
    expectWord("INTO", "ORA-00925: missing INTO keyword");
    do {
        if (cur().kind != Token::Bind)
            error(QStringLiteral("ORA-01745: invalid host/bind variable name"));
        s.returnInto << cur().text;
        ++m_p;
    } while (acceptOp(","));
    if (s.returnInto.size() != int(s.returning.size()))
        error(s.returnInto.size() < int(s.returning.size()) ? QStringLiteral("ORA-00947: not enough values")
                                                          : QStringLiteral("ORA-00913: too many values"));
}

std::unique_ptr<Stmt> Parser::insertStmt()
{
    ++m_p; // INSERT
    if (word("ALL") || word("FIRST"))
        unsupported(QStringLiteral("multi-table INSERT"));
    expectWord("INTO", "ORA-00925: missing INTO keyword");
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::Insert;
    s->table = dottedName();
    if (isAliasToken() && !word("VALUES"))
        s->alias = ident();
    if (op("(") && !queryAhead()) {
        ++m_p;
        do
            s->columns << dottedName("ORA-00904: invalid identifier").last();
        while (acceptOp(","));
        expectClose();
    }
    if (acceptWord("VALUES")) {
        expectOp("(", "ORA-00926: missing VALUES keyword");
        do
            s->values.push_back(expr());
        while (acceptOp(","));
        expectClose();
        returningClause(*s);
    } else if (queryStarts()) {
        s->query = query();
    } else {
        error(QStringLiteral("ORA-00926: missing VALUES keyword"));
    }
    return s;
}

std::unique_ptr<Stmt> Parser::updateStmt()
{
    ++m_p; // UPDATE
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::Update;
    s->table = dottedName();
    if (isAliasToken())
        s->alias = ident();
    expectWord("SET", "ORA-00971: missing SET keyword");
    do {
        if (op("(")) {
            multiSet(*s);
            continue;
        }
        const QStringList col = dottedName("ORA-00904: invalid identifier");
        if (col.size() > 1 && !s->alias.isEmpty() && col.first() != s->alias && col.size() == 2)
            error(QStringLiteral("ORA-00904: \"%1\".\"%2\": invalid identifier").arg(col[0], col[1]));
        expectOp("=", "ORA-00927: missing equal sign");
        s->sets.emplace_back(col.last(), expr());
    } while (acceptOp(","));
    if (acceptWord("WHERE")) {
        if (word("CURRENT"))
            unsupported(QStringLiteral("WHERE CURRENT OF"));
        s->where = expr();
    }
    returningClause(*s);
    return s;
}

// SET (a, b) = (SELECT x, y ...): each column gets a scalar subquery of its
// own select item, read again from the same tokens.
void Parser::multiSet(Stmt &s)
{
    const Token &at = cur();
    expectOp("(", "ORA-00906: missing left parenthesis");
    QStringList cols;
    do
        cols << dottedName("ORA-00904: invalid identifier").last();
    while (acceptOp(","));
    expectClose();
    expectOp("=", "ORA-00927: missing equal sign");
    expectOp("(", "ORA-01767: UPDATE ... SET expression must be a subquery");
    if (!queryStarts())
        error(QStringLiteral("ORA-01767: UPDATE ... SET expression must be a subquery"));
    const int start = m_p;
    for (int k = 0; k < cols.size(); ++k) {
        m_p = start;
        auto e = newExpr(Expr::Subquery, at);
        e->query = query();
        if (e->query->terms.size() != 1 || !e->query->terms[0].block)
            unsupported(QStringLiteral("UPDATE ... SET (columns) = (a query with UNION or MINUS)"));
        std::vector<SelectItem> &items = e->query->terms[0].block->items;
        for (const SelectItem &it : items)
            if (it.expr->kind == Expr::Star)
                unsupported(QStringLiteral("UPDATE ... SET (columns) = (SELECT * ...)"));
        if (items.size() != size_t(cols.size()))
            error(items.size() < size_t(cols.size()) ? QStringLiteral("ORA-00947: not enough values")
                                                     : QStringLiteral("ORA-00913: too many values"));
        SelectItem item = std::move(items[size_t(k)]);
        items.clear();
        items.push_back(std::move(item));
        e->tokEnd = m_p;
        s.sets.emplace_back(cols[k], std::move(e));
    }
    expectClose();
}

std::unique_ptr<Stmt> Parser::deleteStmt()
{
    ++m_p; // DELETE
    acceptWord("FROM");
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::Delete;
    s->table = dottedName();
    if (isAliasToken())
        s->alias = ident();
    if (acceptWord("WHERE")) {
        if (word("CURRENT"))
            unsupported(QStringLiteral("WHERE CURRENT OF"));
        s->where = expr();
    }
    returningClause(*s);
    return s;
}

void Parser::columnType(ColumnDef &c)
{
    const QString t = ident("ORA-00902: invalid datatype");
    auto optLen = [&](int dflt) {
        int len = dflt;
        if (acceptOp("(")) {
            len = intLiteral();
            if (!acceptWord("BYTE"))
                acceptWord("CHAR");
            expectClose();
        }
        return len;
    };
    if (t == QLatin1String("VARCHAR2") || t == QLatin1String("VARCHAR") || t == QLatin1String("NVARCHAR2")) {
        c.dataType = QStringLiteral("VARCHAR2");
        if (!op("("))
            error(QStringLiteral("ORA-00906: missing left parenthesis"));
        c.length = optLen(1);
        if (c.length < 1 || c.length > 4000)
            error(QStringLiteral("ORA-00910: specified length too long for its datatype"));
    } else if (t == QLatin1String("CHAR") || t == QLatin1String("NCHAR") || t == QLatin1String("CHARACTER")) {
        c.dataType = QStringLiteral("CHAR");
        c.length = optLen(1);
        if (c.length < 1 || c.length > 2000)
            error(QStringLiteral("ORA-00910: specified length too long for its datatype"));
    } else if (t == QLatin1String("NUMBER") || t == QLatin1String("NUMERIC") || t == QLatin1String("DECIMAL")) {
        c.dataType = QStringLiteral("NUMBER");
        c.length = 22;
        if (acceptOp("(")) {
            if (acceptOp("*"))
                c.precision = -1;
            else
                c.precision = intLiteral();
            if (acceptOp(","))
                c.scale = int(signedLiteral());
            else if (c.precision >= 0)
                c.scale = 0;
            expectClose();
            if (c.precision == 0 || c.precision > 38)
                error(QStringLiteral("ORA-01727: numeric precision specifier is out of range (1 to 38)"));
        }
    } else if (t == QLatin1String("INTEGER") || t == QLatin1String("INT") || t == QLatin1String("SMALLINT")) {
        c.dataType = QStringLiteral("NUMBER");
        c.length = 22;
        c.scale = 0;
    } else if (t == QLatin1String("FLOAT")) {
        c.dataType = QStringLiteral("FLOAT");
        c.length = 22;
        c.precision = 126;
        if (acceptOp("(")) {
            c.precision = intLiteral();
            expectClose();
        }
    } else if (t == QLatin1String("DATE")) {
        c.dataType = QStringLiteral("DATE");
        c.length = 7;
    } else if (t == QLatin1String("CLOB") || t == QLatin1String("NCLOB")) {
        c.dataType = QStringLiteral("CLOB");
        c.length = 4000;
    } else if (t == QLatin1String("BLOB")) {
        c.dataType = QStringLiteral("BLOB");
        c.length = 4000;
    } else if (t == QLatin1String("LONG")) {
        if (word("RAW"))
            unsupported(QStringLiteral("the LONG RAW type"));
        c.dataType = QStringLiteral("LONG");
        c.length = 0;
    } else {
        m_p--;
        unsupported(QStringLiteral("the type ") + t);
    }
}

void Parser::skipStorageClauses()
{
    static const QSet<QString> words = {
        QStringLiteral("TABLESPACE"), QStringLiteral("STORAGE"), QStringLiteral("PCTFREE"), QStringLiteral("PCTUSED"),
        QStringLiteral("INITRANS"), QStringLiteral("MAXTRANS"), QStringLiteral("LOGGING"), QStringLiteral("NOLOGGING"),
        QStringLiteral("COMPRESS"), QStringLiteral("NOCOMPRESS"), QStringLiteral("CACHE"), QStringLiteral("NOCACHE"),
        QStringLiteral("MONITORING"), QStringLiteral("NOMONITORING"), QStringLiteral("PARALLEL"),
        QStringLiteral("NOPARALLEL"), QStringLiteral("COMPUTE"), QStringLiteral("STATISTICS"),
        QStringLiteral("ONLINE"), QStringLiteral("REVERSE"), QStringLiteral("NOSORT"), QStringLiteral("ENABLE"),
        QStringLiteral("ROW"), QStringLiteral("MOVEMENT"), QStringLiteral("SEGMENT"), QStringLiteral("CREATION"),
        QStringLiteral("IMMEDIATE"), QStringLiteral("DEFERRED"), QStringLiteral("USING"), QStringLiteral("INDEX"),
    };
    while (cur().kind == Token::Ident && words.contains(cur().text)) {
        ++m_p;
        while (cur().kind == Token::Ident && !words.contains(cur().text))
            ++m_p;
        if (cur().kind == Token::Number)
            ++m_p;
        if (op("(")) {
            int depth = 0;
            do {
                if (op("("))
                    ++depth;
                else if (op(")"))
                    --depth;
                ++m_p;
            } while (depth > 0 && !atEnd());
        }
    }
}

std::unique_ptr<Stmt> Parser::createTable()
{
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::CreateTable;
    s->table = dottedName();
    if (word("AS"))
        unsupported(QStringLiteral("CREATE TABLE ... AS SELECT"));
    expectOp("(", "ORA-00906: missing left parenthesis");
    auto constraintBody = [&](ConstraintDef &k) {
        if (acceptWord("PRIMARY")) {
            expectWord("KEY", "ORA-00905: missing keyword");
            k.type = 'P';
        } else if (acceptWord("UNIQUE")) {
            k.type = 'U';
        } else if (acceptWord("CHECK")) {
            k.type = 'C';
            expectOp("(", "ORA-00906: missing left parenthesis");
            k.check = expr();
            expectClose();
            return;
        } else if (acceptWord("FOREIGN")) {
            expectWord("KEY", "ORA-00905: missing keyword");
            k.type = 'R';
        } else {
            error(QStringLiteral("ORA-00902: invalid datatype"));
        }
        expectOp("(", "ORA-00906: missing left parenthesis");
        do
            k.columns << ident();
        while (acceptOp(","));
        expectClose();
        if (k.type == 'R') {
            expectWord("REFERENCES", "ORA-00905: missing keyword");
            dottedName();
            if (acceptOp("(")) {
                do
                    ident();
                while (acceptOp(","));
                expectClose();
            }
            if (acceptWord("ON")) {
                expectWord("DELETE", "ORA-00905: missing keyword");
                if (!acceptWord("CASCADE")) {
                    expectWord("SET", "ORA-00905: missing keyword");
                    expectWord("NULL", "ORA-00905: missing keyword");
                }
            }
        }
        skipStorageClauses();
    };
    do {
        if (word("CONSTRAINT") || word("PRIMARY") || word("UNIQUE") || word("CHECK") || word("FOREIGN")) {
            ConstraintDef k;
            if (acceptWord("CONSTRAINT"))
                k.name = ident();
            constraintBody(k);
            s->constraints.push_back(std::move(k));
            continue;
        }
        s->columnDefs.push_back(columnDef(*s, false));
    } while (acceptOp(","));
    expectClose();
    skipStorageClauses();
    return s;
}

// A column of CREATE TABLE or ALTER TABLE ... ADD/MODIFY: name, type (which
// MODIFY may leave out), default, NULL or NOT NULL, and column constraints.
ColumnDef Parser::columnDef(Stmt &stmt, bool typeOptional)
{
    Stmt *s = &stmt;
    ColumnDef c;
    c.name = ident();
    if (!typeOptional || !(word("DEFAULT") || word("NOT") || word("NULL") || op(",") || op(")") || atEnd()))
        columnType(c);
    {
        for (;;) {
            if (acceptWord("DEFAULT")) {
                const int from = m_p;
                c.defaultValue = additive();
                c.defaultSource = textOf(from, m_p);
            } else if (word("NOT") && peek().isWord("NULL")) {
                m_p += 2;
                c.notNull = true;
                c.nullGiven = true;
            } else if (acceptWord("NULL")) {
                c.nullGiven = true;
            } else if (word("CONSTRAINT") || word("PRIMARY") || word("UNIQUE") || word("CHECK")
                       || word("REFERENCES")) {
                ConstraintDef k;
                if (acceptWord("CONSTRAINT"))
                    k.name = ident();
                if (word("NOT") && peek().isWord("NULL")) {
                    m_p += 2;
                    c.notNull = true;
                    continue;
                }
                if (acceptWord("REFERENCES")) {
                    dottedName();
                    if (acceptOp("(")) {
                        ident();
                        expectClose();
                    }
                    continue;
                }
                if (acceptWord("PRIMARY")) {
                    expectWord("KEY", "ORA-00905: missing keyword");
                    k.type = 'P';
                } else if (acceptWord("UNIQUE")) {
                    k.type = 'U';
                } else if (acceptWord("CHECK")) {
                    k.type = 'C';
                    expectOp("(", "ORA-00906: missing left parenthesis");
                    k.check = expr();
                    expectClose();
                } else {
                    error(QStringLiteral("ORA-00902: invalid datatype"));
                }
                k.columns << c.name;
                skipStorageClauses();
                s->constraints.push_back(std::move(k));
            } else {
                break;
            }
        }
    }
    return c;
}

std::unique_ptr<Stmt> Parser::createIndex(bool unique)
{
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::CreateIndex;
    s->unique = unique;
    s->name = dottedName("ORA-00953: missing or invalid index name");
    expectWord("ON", "ORA-00969: missing ON keyword");
    s->table = dottedName();
    expectOp("(", "ORA-00906: missing left parenthesis");
    do {
        if (cur().kind != Token::Ident && cur().kind != Token::QuotedIdent)
            unsupported(QStringLiteral("a function-based index"));
        s->columns << ident();
        if (op("(") || op("||") || op("+"))
            unsupported(QStringLiteral("a function-based index"));
        if (!acceptWord("ASC"))
            acceptWord("DESC");
    } while (acceptOp(","));
    expectClose();
    skipStorageClauses();
    return s;
}

std::unique_ptr<Stmt> Parser::createSequence()
{
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::CreateSequence;
    s->name = dottedName("ORA-02277: invalid sequence name");
    bool startGiven = false;
    for (;;) {
        if (acceptWord("START")) {
            expectWord("WITH", "ORA-00905: missing keyword");
            s->startWith = signedLiteral();
            startGiven = true;
        } else if (acceptWord("INCREMENT")) {
            expectWord("BY", "ORA-00905: missing keyword");
            s->incrementBy = signedLiteral();
            if (s->incrementBy == 0)
                error(QStringLiteral("ORA-04002: INCREMENT must be a non-zero integer"));
        } else if (acceptWord("MINVALUE") || acceptWord("MAXVALUE") || acceptWord("CACHE")) {
            signedLiteral();
        } else if (acceptWord("NOMINVALUE") || acceptWord("NOMAXVALUE") || acceptWord("NOCACHE")
                   || acceptWord("NOCYCLE") || acceptWord("ORDER") || acceptWord("NOORDER")) {
        } else if (word("CYCLE")) {
            unsupported(QStringLiteral("a cycling sequence"));
        } else {
            break;
        }
    }
    if (!startGiven && s->incrementBy < 0)
        s->startWith = -1;
    return s;
}

void Parser::blockBody(std::vector<BlockStep> &steps, bool trigger)
{
    // after BEGIN, up to and including END [name] ;
    for (;;) {
        if (atEnd())
            fail(QStringLiteral("ORA-06550: line %1, column %2:\nPLS-00103: Encountered the symbol \"end-of-file\"")
                     .arg(cur().line)
                     .arg(cur().column));
        if (acceptWord("END")) {
            if (cur().kind == Token::Ident && !op(";"))
                ++m_p;
            acceptOp(";");
            return;
        }
        BlockStep st;
        st.line = cur().line;
        st.column = cur().column;
        static const QSet<QString> plsql = {
            QStringLiteral("IF"),      QStringLiteral("LOOP"),   QStringLiteral("FOR"),   QStringLiteral("WHILE"),
            QStringLiteral("EXCEPTION"), QStringLiteral("DECLARE"), QStringLiteral("RAISE"), QStringLiteral("RETURN"),
            QStringLiteral("GOTO"),    QStringLiteral("EXIT"),   QStringLiteral("CASE"),  QStringLiteral("OPEN"),
            QStringLiteral("FETCH"),   QStringLiteral("CLOSE"),  QStringLiteral("EXECUTE"), QStringLiteral("BEGIN"),
            QStringLiteral("SAVEPOINT"), QStringLiteral("LOCK"),  QStringLiteral("MERGE"),
        };
        if (cur().kind == Token::Ident && plsql.contains(cur().text))
            unsupported(QStringLiteral("the PL/SQL statement ") + cur().text + QStringLiteral(" in a block"));
        if (acceptWord("NULL")) {
            st.kind = BlockStep::NullStmt;
        } else if (!trigger && word("COMMIT")) {
            ++m_p;
            acceptWord("WORK");
            st.kind = BlockStep::Commit;
        } else if (!trigger && word("ROLLBACK")) {
            ++m_p;
            acceptWord("WORK");
            st.kind = BlockStep::Rollback;
        } else if (!trigger && (word("INSERT") || word("UPDATE") || word("DELETE"))) {
            st.kind = BlockStep::Sql;
            st.stmt = dmlOrQuery();
        } else if (word("SELECT")) {
            unsupported(QStringLiteral("SELECT ... INTO in a block"));
        } else if (cur().kind == Token::Bind) {
            st.kind = BlockStep::Assign;
            const Token &t = cur();
            ++m_p;
            if (acceptOp(".")) {
                st.targetIsBind = false;
                st.target << t.text << ident();
                if (!trigger || (t.text != QLatin1String("NEW")))
                    fail(QStringLiteral("ORA-04082: NEW or OLD references not allowed in table level triggers")
                         + where(t));
            } else {
                if (trigger)
                    fail(QStringLiteral("ORA-04089: bind variables other than :NEW and :OLD are not allowed in triggers")
                         + where(t));
                st.target << t.text;
            }
            expectOp(":=", "PLS-00103: Encountered a symbol when expecting :=");
            st.expr = expr();
        } else if (cur().kind == Token::Ident || cur().kind == Token::QuotedIdent) {
            const Token &t = cur();
            if (peek().isOp(":=") || (peek().isOp(".") && peek(3).isOp(":=")))
                unsupported(QStringLiteral("a local PL/SQL variable (") + t.source + QLatin1Char(')'));
            st.kind = BlockStep::Call;
            st.expr = primary();
            if (st.expr->kind != Expr::Call && st.expr->kind != Expr::Name)
                fail(QStringLiteral("ORA-06550: line %1, column %2:\nPLS-00103: Encountered the symbol \"%3\"")
                         .arg(t.line)
                         .arg(t.column)
                         .arg(t.source));
        } else {
            fail(QStringLiteral("ORA-06550: line %1, column %2:\nPLS-00103: Encountered the symbol \"%3\"")
                     .arg(cur().line)
                     .arg(cur().column)
                     .arg(cur().source));
        }
        if (!acceptOp(";"))
            fail(QStringLiteral("ORA-06550: line %1, column %2:\nPLS-00103: Encountered the symbol \"%3\" when "
                                "expecting \";\"")
                     .arg(cur().line)
                     .arg(cur().column)
                     .arg(cur().kind == Token::End ? QStringLiteral("end-of-file") : cur().source));
        steps.push_back(std::move(st));
    }
}

std::unique_ptr<Stmt> Parser::createTrigger(bool orReplace)
{
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::CreateTrigger;
    s->orReplace = orReplace;
    s->name = dottedName("ORA-04070: invalid trigger name");
    if (acceptWord("BEFORE"))
        s->before = true;
    else if (acceptWord("AFTER"))
        s->before = false;
    else if (word("INSTEAD"))
        unsupported(QStringLiteral("an INSTEAD OF trigger"));
    else
        error(QStringLiteral("ORA-00969: missing ON keyword"));
    do {
        if (acceptWord("INSERT")) {
            s->events << QStringLiteral("INSERT");
        } else if (acceptWord("UPDATE")) {
            s->events << QStringLiteral("UPDATE");
            if (acceptWord("OF")) {
                do
                    s->updateOf << ident();
                while (acceptOp(","));
            }
        } else if (acceptWord("DELETE")) {
            s->events << QStringLiteral("DELETE");
        } else {
            unsupported(QStringLiteral("a trigger on ") + cur().source);
        }
    } while (acceptWord("OR"));
    expectWord("ON", "ORA-00969: missing ON keyword");
    s->table = dottedName();
    if (word("REFERENCING"))
        unsupported(QStringLiteral("REFERENCING in a trigger"));
    if (acceptWord("FOR")) {
        expectWord("EACH", "ORA-00905: missing keyword");
        expectWord("ROW", "ORA-00905: missing keyword");
        s->forEachRow = true;
    }
    if (word("WHEN"))
        unsupported(QStringLiteral("a trigger WHEN condition"));
    if (word("DECLARE"))
        unsupported(QStringLiteral("declarations in a trigger body"));
    expectWord("BEGIN", "PLS-00103: Encountered a symbol when expecting BEGIN");
    blockBody(s->steps, true);
    if (!s->forEachRow)
        for (const BlockStep &st : s->steps)
            if (st.kind == BlockStep::Assign)
                fail(QStringLiteral("ORA-04082: NEW or OLD references not allowed in table level triggers"));
    return s;
}

std::unique_ptr<Stmt> Parser::createStmt()
{
    ++m_p; // CREATE
    bool orReplace = false;
    if (acceptWord("OR")) {
        expectWord("REPLACE", "ORA-00922: missing or invalid option");
        orReplace = true;
    }
    if (acceptWord("TABLE"))
        return createTable();
    if (word("GLOBAL"))
        unsupported(QStringLiteral("temporary tables"));
    if (acceptWord("UNIQUE")) {
        expectWord("INDEX", "ORA-00901: invalid CREATE command");
        return createIndex(true);
    }
    if (acceptWord("INDEX"))
        return createIndex(false);
    if (word("BITMAP"))
        unsupported(QStringLiteral("bitmap indexes"));
    if (acceptWord("SEQUENCE"))
        return createSequence();
    if (acceptWord("TRIGGER"))
        return createTrigger(orReplace);
    if (acceptWord("VIEW"))
        return createView(orReplace);
    if (cur().kind == Token::Ident)
        unsupported(QStringLiteral("CREATE ") + cur().text);
    error(QStringLiteral("ORA-00901: invalid CREATE command"));
}

std::unique_ptr<Stmt> Parser::createView(bool orReplace)
{
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::CreateView;
    s->orReplace = orReplace;
    s->table = dottedName();
    if (acceptOp("(")) {
        do
            s->columns << ident();
        while (acceptOp(","));
        expectClose();
    }
    expectWord("AS", "ORA-00905: missing keyword");
    const int from = m_p;
    s->query = query();
    if (word("WITH"))
        unsupported(QStringLiteral("WITH CHECK OPTION or WITH READ ONLY"));
    // the view keeps its query as written
    s->source = m_sql.mid(m_t[size_t(from)].offset, cur().offset - m_t[size_t(from)].offset).trimmed();
    return s;
}

std::unique_ptr<Stmt> Parser::alterTable()
{
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::AlterTable;
    s->table = dottedName();
    auto columns = [&](bool typeOptional) {
        if (acceptOp("(")) {
            do
                s->columnDefs.push_back(columnDef(*s, typeOptional));
            while (acceptOp(","));
            expectClose();
        } else {
            s->columnDefs.push_back(columnDef(*s, typeOptional));
        }
    };
    if (acceptWord("ADD")) {
        s->alterAction = 'A';
        if (word("CONSTRAINT") || word("PRIMARY") || word("UNIQUE") || word("CHECK") || word("FOREIGN"))
            unsupported(QStringLiteral("ALTER TABLE ... ADD CONSTRAINT"));
        columns(false);
    } else if (acceptWord("MODIFY")) {
        s->alterAction = 'M';
        columns(true);
    } else if (acceptWord("DROP")) {
        s->alterAction = 'D';
        if (acceptWord("COLUMN")) {
            s->columns << ident();
        } else if (acceptOp("(")) {
            do
                s->columns << ident();
            while (acceptOp(","));
            expectClose();
        } else {
            unsupported(QStringLiteral("ALTER TABLE ... DROP ") + cur().source);
        }
    } else if (cur().kind == Token::Ident) {
        unsupported(QStringLiteral("ALTER TABLE ... ") + cur().text);
    } else {
        error(QStringLiteral("ORA-01735: invalid ALTER TABLE option"));
    }
    if (!s->constraints.empty())
        unsupported(QStringLiteral("a constraint in ALTER TABLE"));
    return s;
}

std::unique_ptr<Stmt> Parser::alterStmt()
{
    ++m_p; // ALTER
    if (acceptWord("TABLE"))
        return alterTable();
    if (acceptWord("TRIGGER")) {
        auto s = std::make_unique<Stmt>();
        s->kind = Stmt::AlterTrigger;
        s->name = dottedName("ORA-04070: invalid trigger name");
        if (acceptWord("ENABLE"))
            s->enable = true;
        else if (acceptWord("DISABLE"))
            s->enable = false;
        else if (word("COMPILE"))
            unsupported(QStringLiteral("ALTER TRIGGER ... COMPILE"));
        else
            error(QStringLiteral("ORA-00922: missing or invalid option"));
        return s;
    }
    if (cur().kind == Token::Ident)
        unsupported(QStringLiteral("ALTER ") + cur().text);
    error(QStringLiteral("ORA-00940: invalid ALTER command"));
}

std::unique_ptr<Stmt> Parser::dropStmt()
{
    ++m_p; // DROP
    auto s = std::make_unique<Stmt>();
    if (acceptWord("TABLE")) {
        s->kind = Stmt::DropTable;
        s->table = dottedName();
        if (acceptWord("CASCADE"))
            expectWord("CONSTRAINTS", "ORA-00905: missing keyword");
        acceptWord("PURGE");
    } else if (acceptWord("INDEX")) {
        s->kind = Stmt::DropIndex;
        s->name = dottedName("ORA-00953: missing or invalid index name");
    } else if (acceptWord("SEQUENCE")) {
        s->kind = Stmt::DropSequence;
        s->name = dottedName("ORA-02277: invalid sequence name");
    } else if (acceptWord("TRIGGER")) {
        s->kind = Stmt::DropTrigger;
        s->name = dottedName("ORA-04070: invalid trigger name");
    } else if (acceptWord("VIEW")) {
        s->kind = Stmt::DropView;
        s->table = dottedName();
    } else if (cur().kind == Token::Ident) {
        unsupported(QStringLiteral("DROP ") + cur().text);
    } else {
        error(QStringLiteral("ORA-00950: invalid DROP option"));
    }
    return s;
}

std::unique_ptr<Stmt> Parser::blockStmt()
{
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::Block;
    if (word("DECLARE"))
        unsupported(QStringLiteral("a DECLARE section"));
    expectWord("BEGIN", "ORA-00900: invalid SQL statement");
    blockBody(s->steps, false);
    return s;
}

std::unique_ptr<Stmt> Parser::dmlOrQuery()
{
    if (word("INSERT"))
        return insertStmt();
    if (word("UPDATE"))
        return updateStmt();
    if (word("DELETE"))
        return deleteStmt();
    auto s = std::make_unique<Stmt>();
    s->kind = Stmt::Select;
    s->query = query();
    return s;
}

std::unique_ptr<Stmt> Parser::statement()
{
    std::unique_ptr<Stmt> s;
    if (atEnd())
        fail(QStringLiteral("ORA-00900: invalid SQL statement"));
    if (word("SELECT") || word("WITH") || (op("(") && queryAhead())) {
        s = dmlOrQuery();
    } else if (word("INSERT") || word("UPDATE") || word("DELETE")) {
        s = dmlOrQuery();
    } else if (word("BEGIN") || word("DECLARE")) {
        s = blockStmt(); // a block keeps its own "end;"
        if (!atEnd())
            error(QStringLiteral("ORA-06550: PLS-00103: Encountered a symbol after the end of the block"));
        return s;
    } else if (word("CREATE")) {
        s = createStmt();
        if (s->kind == Stmt::CreateTrigger) {
            if (!atEnd())
                error(QStringLiteral("ORA-06550: PLS-00103: Encountered a symbol after the end of the trigger"));
            return s;
        }
    } else if (word("ALTER")) {
        s = alterStmt();
    } else if (word("DROP")) {
        s = dropStmt();
    } else if (acceptWord("TRUNCATE")) {
        expectWord("TABLE", "ORA-03290: invalid truncate command - missing CLUSTER or TABLE keyword");
        s = std::make_unique<Stmt>();
        s->kind = Stmt::Truncate;
        s->table = dottedName();
    } else if (acceptWord("COMMIT")) {
        acceptWord("WORK");
        s = std::make_unique<Stmt>();
        s->kind = Stmt::Commit;
    } else if (acceptWord("ROLLBACK")) {
        acceptWord("WORK");
        s = std::make_unique<Stmt>();
        s->kind = Stmt::Rollback;
        if (acceptWord("TO")) {
            acceptWord("SAVEPOINT");
            s->kind = Stmt::RollbackTo;
            s->name << ident("ORA-02181: invalid option to ROLLBACK WORK");
        }
    } else if (acceptWord("SAVEPOINT")) {
        s = std::make_unique<Stmt>();
        s->kind = Stmt::Savepoint;
        s->name << ident("ORA-00931: missing identifier");
    } else if (word("MERGE") || word("GRANT") || word("REVOKE") || word("LOCK")
               || word("COMMENT") || word("RENAME") || word("EXPLAIN") || word("CALL") || word("EXEC")
               || word("EXECUTE") || word("SET") || word("ANALYZE") || word("FLASHBACK") || word("PURGE")) {
        unsupported(cur().text);
    } else {
        error(QStringLiteral("ORA-00900: invalid SQL statement"));
    }
    // a plain statement may carry one closing ";" (as scripts write it)
    acceptOp(";");
    if (!atEnd()) {
        if (word("CONNECT") || word("START"))
            unsupported(QStringLiteral("CONNECT BY"));
        error(QStringLiteral("ORA-00933: SQL command not properly ended"));
    }
    return s;
}

} // namespace

std::unique_ptr<Stmt> parseStatement(const QString &sql)
{
    Parser p(sql);
    std::unique_ptr<Stmt> s = p.statement();
    if (s->kind != Stmt::CreateView)
        s->source = sql;
    return s;
}

} // namespace oraembed
