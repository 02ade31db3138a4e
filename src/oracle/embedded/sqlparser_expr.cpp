// Expressions of the Oracle dialect: conditions, operators, literals, names and
// calls.
#include "oracle/embedded/sqlparser_p.h"

namespace oraembed {

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
    if (word("EXISTS"))
        return exists();
    ExprP left = additive();
    int links = 0;
    for (;;) {
        const QString cmp = comparisonOperator();
        if (!cmp.isEmpty()) {
            ++m_p;
            deeper(links);
            if (word("ANY") || word("SOME") || word("ALL"))
                unsupported(QStringLiteral("a comparison with ANY, SOME or ALL"));
            left = binary(cmp, std::move(left), additive());
            continue;
        }
        const int save = m_p;
        const bool neg = acceptWord("NOT");
        if (acceptWord("IN")) {
            deeper(links);
            left = inList(std::move(left), neg);
            continue;
        }
        if (acceptWord("BETWEEN")) {
            deeper(links);
            left = between(std::move(left), neg);
            continue;
        }
        if (acceptWord("LIKE")) {
            deeper(links);
            left = like(std::move(left), neg);
            continue;
        }
        if (neg) {
            m_p = save;
            break;
        }
        if (acceptWord("IS")) {
            deeper(links);
            left = isNull(std::move(left));
            continue;
        }
        break;
    }
    return left;
}

ExprP Parser::exists()
{
    const Token &at = cur();
    ++m_p;
    expectOp("(", "ORA-00936: missing expression");
    auto e = newExpr(Expr::Exists, at);
    e->query = query();
    expectClose();
    e->tokEnd = m_p;
    return e;
}

// The comparison operator at the current token ("!=" and "^=" as "<>"), or an
// empty text when there is none.
QString Parser::comparisonOperator() const
{
    static const char *const cmp[] = {"=", "<>", "!=", "^=", "<", "<=", ">", ">=", nullptr};
    for (int k = 0; cmp[k]; ++k) {
        if (op(cmp[k])) {
            const QString o = cur().text;
            if (o == QLatin1String("!=") || o == QLatin1String("^="))
                return QStringLiteral("<>");
            return o;
        }
    }
    return QString();
}

ExprP Parser::conditionOn(Expr::Kind kind, ExprP left, bool negated)
{
    auto e = std::make_unique<Expr>();
    e->kind = kind;
    e->negated = negated;
    e->line = left->line;
    e->column = left->column;
    e->tokBegin = left->tokBegin;
    e->args.push_back(std::move(left));
    return e;
}

// After IN: a parenthesised query or list of at most 1000 expressions.
ExprP Parser::inList(ExprP left, bool negated)
{
    auto e = conditionOn(Expr::In, std::move(left), negated);
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
    return e;
}

ExprP Parser::between(ExprP left, bool negated)
{
    auto e = conditionOn(Expr::Between, std::move(left), negated);
    e->args.push_back(additive());
    expectWord("AND", "ORA-00905: missing keyword");
    e->args.push_back(additive());
    e->tokEnd = m_p;
    return e;
}

ExprP Parser::like(ExprP left, bool negated)
{
    auto e = conditionOn(Expr::Like, std::move(left), negated);
    e->args.push_back(additive());
    if (acceptWord("ESCAPE"))
        e->args.push_back(additive());
    e->tokEnd = m_p;
    return e;
}

// After IS: [NOT] NULL.
ExprP Parser::isNull(ExprP left)
{
    auto e = conditionOn(Expr::IsNull, std::move(left), false);
    e->negated = acceptWord("NOT");
    expectWord("NULL", "ORA-00908: missing NULL keyword");
    e->tokEnd = m_p;
    return e;
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
        if (at.isOp("("))
            return parenthesised(at);
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
        if (at.text == QLatin1String("CASE"))
            return caseExpr(at);
        if (at.text == QLatin1String("DATE") && peek().kind == Token::String)
            return dateLiteral(at);
        if (reserved().contains(at.text) && at.text != QLatin1String("LOG"))
            error(QStringLiteral("ORA-00936: missing expression"));
    }
    return nameOrCall(at);
}

// "(": a scalar subquery, a list of expressions, or an expression in
// parentheses.
ExprP Parser::parenthesised(const Token &at)
{
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

ExprP Parser::caseExpr(const Token &at)
{
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

// ANSI date literal: DATE 'YYYY-MM-DD', read as TO_DATE('...', 'YYYY-MM-DD').
ExprP Parser::dateLiteral(const Token &at)
{
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

// A name chain, a call, or owner.table.*
ExprP Parser::nameOrCall(const Token &at)
{
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
    if (op("("))
        return callExpr(at, parts);
    auto e = newExpr(Expr::Name, at);
    e->parts = parts;
    if (acceptOp("(+)"))
        e->outer = true;
    e->tokEnd = m_p;
    return e;
}

// A function's argument list: DISTINCT or ALL, then * or the arguments.
ExprP Parser::callExpr(const Token &at, const QStringList &parts)
{
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

} // namespace oraembed
