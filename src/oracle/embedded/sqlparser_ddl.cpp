// DDL statements of the Oracle dialect: CREATE, ALTER and DROP of tables,
// indexes, sequences and views.
#include "oracle/embedded/sqlparser_p.h"

namespace oraembed {

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

// PRIMARY KEY, UNIQUE or CHECK (condition) of a table or column constraint;
// false when the constraint is none of them.
bool Parser::keyOrCheck(ConstraintDef &k)
{
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
        return false;
    }
    return true;
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
        if (keyOrCheck(k)) {
            if (k.type == 'C')
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
                if (!keyOrCheck(k))
                    error(QStringLiteral("ORA-00902: invalid datatype"));
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

} // namespace oraembed
