// Recursive-descent parser of the Oracle dialect of the embedded engine: the
// statement entry point and the reserved words. What the dialect leaves out
// is refused with a message that names it.
#include "oracle/embedded/sqlparser_p.h"

namespace oraembed {

const QSet<QString> &Parser::reserved()
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

std::unique_ptr<Stmt> parseStatement(const QString &sql)
{
    Parser p(sql);
    std::unique_ptr<Stmt> s = p.statement();
    if (s->kind != Stmt::CreateView)
        s->source = sql;
    return s;
}

} // namespace oraembed
