// DML statements of the Oracle dialect: INSERT, UPDATE, DELETE and their
// RETURNING clause.
#include "oracle/embedded/sqlparser_p.h"

namespace oraembed {

// The WHERE of UPDATE and DELETE.
void Parser::whereClause(Stmt &s)
{
    if (acceptWord("WHERE")) {
        if (word("CURRENT"))
            unsupported(QStringLiteral("WHERE CURRENT OF"));
        s.where = expr();
    }
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
    whereClause(*s);
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
    whereClause(*s);
    returningClause(*s);
    return s;
}

} // namespace oraembed
