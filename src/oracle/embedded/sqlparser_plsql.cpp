// PL/SQL of the Oracle dialect: anonymous blocks and row triggers, with the few
// statements their bodies may hold.
#include "oracle/embedded/sqlparser_p.h"

namespace oraembed {

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

} // namespace oraembed
