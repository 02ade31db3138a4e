#pragma once
// Tokens and syntax tree of the Oracle dialect the embedded engine accepts.
// The lexer (sqllexer.cpp) and parser (sqlparser*.cpp) build the tree; the
// translator (translator*.cpp) turns it into SQLite statements; the engine
// runs DDL and blocks from it directly.
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace oraembed {

struct Token {
    enum Kind { End, Ident, QuotedIdent, String, Number, Bind, Op };
    Kind kind = End;
    QString text;   // Ident: upper-cased; QuotedIdent/String: unquoted value;
                    // Bind: upper-cased name without ':'; Op: the symbol
    QString source; // the characters as written
    int offset = 0; // position in the statement text
    int line = 1;
    int column = 1;
    bool spaceBefore = false;

    bool isWord(const char *w) const { return kind == Ident && text == QLatin1String(w); }
    bool isOp(const char *o) const { return kind == Op && text == QLatin1String(o); }
};

// Splits a statement into tokens. Throws EMoxError on an unterminated string
// or quoted name, or a character outside the dialect.
std::vector<Token> tokenize(const QString &sql);

struct Query;

struct Expr {
    enum Kind {
        Str,      // text: the value
        Num,      // text: the number as written
        Null,
        Bind,     // text: upper-case name
        Name,     // parts: a name chain (column, alias.column, owner.table.column, seq.nextval ...)
        Star,     // parts: qualifier chain (empty for a bare *)
        Call,     // parts: function name chain; args; distinct; starArg
        Unary,    // text: "-", "+", "NOT", "PRIOR"; args[0]
        Binary,   // text: operator ("OR","AND","=","<>","<","<=",">",">=","+","-","*","/","||"); args[0..1],
                  // or the whole chain of an AND, OR or || (chained)
        Subquery, // query
        Exists,   // query; negated
        In,       // args[0] the operand, then the list items; or query; negated
        Between,  // args[0..2]; negated
        Like,     // args[0..1], optional args[2] escape; negated
        IsNull,   // args[0]; negated
        Case,     // hasBase: args[0] is the base; then when/then pairs; hasElse: last is else
        List,     // a parenthesised list of expressions: args
    };
    Kind kind = Null;
    QString text;
    QStringList parts;
    std::vector<std::unique_ptr<Expr>> args;
    std::unique_ptr<Query> query;
    bool negated = false;
    bool outer = false;   // a name followed by (+)
    bool distinct = false;
    bool starArg = false; // count(*)
    bool hasBase = false;
    bool hasElse = false;
    bool parenCall = false; // a call written with an argument list
    bool chained = false;   // Binary AND, OR or ||: args holds the whole chain
    int tokBegin = 0;     // token range in the statement, for column names
    int tokEnd = 0;
    int line = 1;
    int column = 1;
};
using ExprP = std::unique_ptr<Expr>;

struct SelectItem {
    ExprP expr;
    QString alias;      // empty when none
    bool aliasQuoted = false;
    QString exprText;   // the item as written: upper-cased outside quotes, blanks removed
};

struct Query;

struct FromItem {
    QStringList name;              // [owner.]table
    std::unique_ptr<Query> sub;    // or a subquery
    QString alias;
    enum Join { Comma, Inner, Left, Right, Full, Cross } join = Comma;
    ExprP on;
    int line = 1;
    int column = 1;
};

struct QueryBlock {
    bool distinct = false;
    std::vector<SelectItem> items;
    std::vector<FromItem> from;
    ExprP where;
    std::vector<ExprP> groupBy;
    ExprP having;
};

struct OrderItem {
    ExprP expr;
    bool desc = false;
    int nulls = 0; // 0 default, 1 first, 2 last
};

// A query: one block, or a parenthesised query, followed by set operators.
struct Query {
    struct Term {
        QString op; // "" for the first, else "UNION", "UNION ALL", "MINUS", "INTERSECT"
        std::unique_ptr<QueryBlock> block;
        std::unique_ptr<Query> paren;
    };
    std::vector<Term> terms;
    std::vector<OrderItem> orderBy;
    bool forUpdate = false;
    int forUpdateWait = -1; // seconds FOR UPDATE waits for a lock: -1 the engine's wait, 0 NOWAIT
};

struct ColumnDef {
    QString name;
    QString dataType;   // VARCHAR2, CHAR, NUMBER, DATE, CLOB, BLOB, LONG, FLOAT
    int length = 0;     // data_length
    int precision = -1; // -1: none
    int scale = -1;     // -1: none
    bool notNull = false;
    bool nullGiven = false; // NULL or NOT NULL written
    ExprP defaultValue;
    QString defaultSource;
};

struct ConstraintDef {
    QString name;       // empty: generated
    char type = 'U';    // 'P' primary key, 'U' unique, 'C' check, 'R' foreign key (not enforced)
    QStringList columns;
    ExprP check;
};

struct Stmt;

// One statement of an anonymous block or a trigger body.
struct BlockStep {
    enum Kind { Assign, Call, NullStmt, Sql, Commit, Rollback };
    Kind kind = NullStmt;
    QStringList target;  // Assign: bind name (one part) or [NEW|OLD, column] in a trigger
    bool targetIsBind = true;
    ExprP expr;          // Assign value, or the call
    std::unique_ptr<Stmt> stmt;
    int line = 1;
    int column = 1;
};

struct Stmt {
    enum Kind {
        Select, Insert, Update, Delete, Block,
        CreateTable, CreateIndex, CreateSequence, CreateTrigger,
        AlterTrigger, DropTable, DropIndex, DropSequence, DropTrigger, Truncate,
        Commit, Rollback, Savepoint, RollbackTo, AlterTable, CreateView, DropView
    };
    Kind kind = Select;

    std::unique_ptr<Query> query; // Select, Insert ... select, or a view's query

    QStringList table;            // target of DML/DDL: [owner.]name
    QString alias;
    QStringList columns;          // insert column list / index columns
    std::vector<ExprP> values;    // insert values
    std::vector<std::pair<QString, ExprP>> sets; // update assignments
    ExprP where;
    std::vector<ExprP> returning;
    QStringList returnInto;       // bind names

    std::vector<ColumnDef> columnDefs;
    std::vector<ConstraintDef> constraints;

    QStringList name;             // index / sequence / trigger name: [owner.]name
    bool unique = false;          // create unique index
    bool orReplace = false;
    qint64 startWith = 1;
    qint64 incrementBy = 1;

    // trigger
    bool before = true;
    bool forEachRow = false;
    QStringList events;           // INSERT, UPDATE, DELETE
    QStringList updateOf;
    bool enable = true;           // alter trigger
    char alterAction = 0;         // alter table: 'A' add, 'M' modify, 'D' drop (columns)

    std::vector<BlockStep> steps; // block, trigger body
    QString source;               // the statement text as given (a view: its query)
};

// Parses one statement (without the closing ";" of a plain statement; a
// block keeps its "end;"). Throws EMoxError with an Oracle-style message.
std::unique_ptr<Stmt> parseStatement(const QString &sql);

} // namespace oraembed
