#pragma once
// The parser of the embedded engine's Oracle dialect, shared by the files
// that hold its parts: expressions (sqlparser_expr.cpp), queries
// (sqlparser_query.cpp), DML (sqlparser_dml.cpp), DDL (sqlparser_ddl.cpp),
// PL/SQL blocks and triggers (sqlparser_plsql.cpp), and the statement entry
// point (sqlparser.cpp). The tokens come from the lexer (sqllexer.cpp).
// Private to those files.
#include "oracle/embedded/sqlast.h"

#include "base/moxerror.h"

#include <QSet>

namespace oraembed {

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
    [[noreturn]] static void fail(const QString &msg) { throw EMoxError(msg); }
    // Words that cannot stand as a name or an alias.
    static const QSet<QString> &reserved();

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

    // expressions (sqlparser_expr.cpp)
    ExprP expr() { return orExpr(); }
    ExprP orExpr();
    ExprP andExpr();
    ExprP notExpr();
    ExprP comparison();
    ExprP additive();
    ExprP multiplicative();
    ExprP unary();
    ExprP primary();
    // parts of comparison()
    ExprP exists();
    QString comparisonOperator() const;
    // IN, BETWEEN, LIKE and IS NULL take the operand before them
    ExprP conditionOn(Expr::Kind kind, ExprP left, bool negated);
    ExprP inList(ExprP left, bool negated);
    ExprP between(ExprP left, bool negated);
    ExprP like(ExprP left, bool negated);
    ExprP isNull(ExprP left);
    // parts of primary()
    ExprP parenthesised(const Token &at);
    ExprP caseExpr(const Token &at);
    ExprP dateLiteral(const Token &at);
    ExprP nameOrCall(const Token &at);
    ExprP callExpr(const Token &at, const QStringList &parts);
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

    // queries (sqlparser_query.cpp)
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

    // statements (sqlparser.cpp)
    std::unique_ptr<Stmt> dmlOrQuery();

    // DML (sqlparser_dml.cpp)
    std::unique_ptr<Stmt> insertStmt();
    std::unique_ptr<Stmt> updateStmt();
    std::unique_ptr<Stmt> deleteStmt();
    void multiSet(Stmt &s);
    void whereClause(Stmt &s);
    void returningClause(Stmt &s);

    // DDL (sqlparser_ddl.cpp)
    std::unique_ptr<Stmt> createStmt();
    std::unique_ptr<Stmt> createTable();
    std::unique_ptr<Stmt> createIndex(bool unique);
    std::unique_ptr<Stmt> createSequence();
    std::unique_ptr<Stmt> alterStmt();
    std::unique_ptr<Stmt> dropStmt();
    void skipStorageClauses();
    void columnType(ColumnDef &c);
    ColumnDef columnDef(Stmt &s, bool typeOptional);
    bool keyOrCheck(ConstraintDef &k);
    std::unique_ptr<Stmt> alterTable();
    std::unique_ptr<Stmt> createView(bool orReplace);

    // PL/SQL blocks and triggers (sqlparser_plsql.cpp)
    std::unique_ptr<Stmt> blockStmt();
    std::unique_ptr<Stmt> createTrigger(bool orReplace);
    void blockBody(std::vector<BlockStep> &steps, bool trigger);

    // number literals
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

} // namespace oraembed
