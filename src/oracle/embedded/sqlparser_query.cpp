// Queries of the Oracle dialect: set operators, select blocks, FROM lists,
// ORDER BY and FOR UPDATE.
#include "oracle/embedded/sqlparser_p.h"

namespace oraembed {

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

} // namespace oraembed
