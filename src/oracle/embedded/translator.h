#pragma once
// Turns parsed Oracle statements into SQLite statements: names resolve
// against the catalog (unqualified names in the logged-on user's schema),
// outer joins written with (+) become LEFT JOINs, Oracle functions map onto
// functions the engine registers on its connection, and every value written
// into a column passes through that column's type (padding, rounding, length
// and date checks).
#include "oracle/embedded/sqlast.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace oraembed {

// Value kinds the translator tracks, so that dates read back as dates.
enum class VType { Unknown, Text, Number, Date, Clob, Blob, Rowid };

struct ColumnInfo {
    QString name;
    QString dataType; // VARCHAR2, CHAR, NUMBER, FLOAT, DATE, CLOB, BLOB, LONG
    int length = 0;
    int precision = -1;
    int scale = -1;
    bool nullable = true;
    int id = 0;
    QString defaultSource; // Oracle text of the DEFAULT clause, empty when none
    VType vtype() const;
};

struct TableInfo {
    QString owner;
    QString name;
    std::vector<ColumnInfo> columns;
    QString keyColumn;   // single numeric primary-key column, or empty
    QString sqlRef;      // how SQLite names it: "OWNER"."TABLE" or temp."VIEW"
    bool dictionary = false;
    QString viewQuery;   // a view: its query (columns hold only the names)
    // Columns that enabled BEFORE INSERT / UPDATE row triggers set, with the
    // SQL of the value, in the order the triggers were created (see
    // kInsertValueMark); an update value's trigger may fire only when the
    // statement sets one of the columns in "of".
    struct TriggerValue {
        QString column;
        QString sql;
        QStringList of;
    };
    std::vector<TriggerValue> insertValues, updateValues;
    const ColumnInfo *column(const QString &name) const;
};

// A BEFORE row trigger whose body only assigns :new columns values that do
// not read the row becomes no SQLite trigger for its INSERT and UPDATE
// events: the catalog keeps one statement per event and assignment, a
// comment made of the event's mark, the column, kTriggerValueSeparator, the
// value's SQL and, for an update, kTriggerValueSeparator and the trigger's
// UPDATE OF columns. Every INSERT or UPDATE of the table writes those values
// itself, so the row is written once, where an AFTER trigger would write it
// a second time.
inline const QString kInsertValueMark = QStringLiteral("-- insert value ");
inline const QString kUpdateValueMark = QStringLiteral("-- update value ");
constexpr QChar kTriggerValueSeparator(0x1F);

// What the translator asks of the database.
class CatalogLookup {
public:
    virtual ~CatalogLookup() = default;
    virtual bool userExists(const QString &user) = 0;
    // A table of a schema, or a data-dictionary view (owner "SYS"); null when missing.
    virtual std::shared_ptr<const TableInfo> table(const QString &owner, const QString &name) = 0;
};

struct OutColumn {
    QString name;
    VType type = VType::Unknown;
    int charLength = 0; // a CHAR(n) column: n
};

struct ReturnTarget {
    QString var;      // bind name, upper-case
    VType type = VType::Unknown;
    QString column;   // the returned column when it is a plain column, else empty
};

struct Translation {
    enum Kind { Query, Dml };
    Kind kind = Query;
    QString sql;
    QSet<QString> schemas;            // schemas the statement touches
    std::vector<OutColumn> columns;   // a query's result columns
    // DML
    char dml = 0;                     // 'I', 'U', 'D'
    QString owner, table;             // the written table
    std::vector<ReturnTarget> returning; // the SQL returns rowid first, then these
};

class Translator {
public:
    Translator(CatalogLookup &catalog, QString user);

    Translation query(const Query &q);
    Translation dml(const Stmt &s);
    // "SELECT expr" for a block's assignment or call; the value kind in *type.
    Translation scalar(const Expr &e, bool asProcedure);
    // SQLite CREATE TRIGGER statements for an Oracle row trigger.
    QStringList trigger(const Stmt &s, const TableInfo &table, const QString &sqliteName);
    // A view's query, checked; its columns named by the view's column list.
    Translation view(const Stmt &createView, const QString &owner);
    // The value a column's DEFAULT gives, passed through the column's type.
    QString defaultValue(const ColumnInfo &c, const TableInfo &table);
    // CHECK constraint text for CREATE TABLE (columns unqualified).
    QString check(const Expr &e, const TableInfo &table);
    // The function a written value passes through for a column.
    static QString coerce(const QString &valueSql, const ColumnInfo &c, const QString &owner, const QString &table);

    static QString quote(const QString &name);
    static QString literal(const QString &text);

private:
    struct Gen {
        QString sql;
        VType type = VType::Unknown;
        QString rowidOf; // "OWNER.TABLE" of a rowid value
        int charLength = 0; // a CHAR(n) column: n
    };
    struct ScopeTable {
        QString qualifier;      // alias, or the table name
        QString owner, table;   // base tables
        std::shared_ptr<const TableInfo> info;
        std::vector<OutColumn> cols;
        bool base = false;
        QString fromSql;        // text used in FROM
    };
    struct Scope {
        std::vector<ScopeTable> tables;
        Scope *parent = nullptr;
    };

    CatalogLookup &m_cat;
    QString m_user;
    QSet<QString> m_schemas;
    bool m_trigger = false;
    const TableInfo *m_triggerTable = nullptr;
    char m_triggerEvent = 0;        // 'I', 'U', 'D' while a trigger body is translated
    bool m_triggerNewAsRow = false; // :new.col names the row's own column (inside the row update)
    int m_triggerRowReads = 0;      // :new / :old names of the row read so far
    int m_subqueryAlias = 0;
    int m_nextvalPlaces = 0;
    int m_viewDepth = 0;        // places naming a sequence's NEXTVAL so far
    bool m_singleRow = false;       // the next block is a scalar subquery's

    // expressions (translator_expr.cpp)
    Gen expr(const Expr &e, Scope *scope);
    Gen inList(const Expr &e, Scope *scope);
    Gen caseExpr(const Expr &e, Scope *scope);
    Gen name(const Expr &e, Scope *scope);
    Gen binaryOp(const Expr &e, Scope *scope);
    Gen concat(const std::vector<Gen> &parts);
    Gen engineFunction(const Expr &e, const QString &owner, const QString &func, Scope *scope, const QString &shown);

    // built-in functions (translator_call.cpp): each group gives nothing for
    // a name it does not know
    struct CallArgs;
    Gen call(const Expr &e, Scope *scope);
    std::optional<Gen> nullFunction(const CallArgs &c);
    std::optional<Gen> conversionFunction(const CallArgs &c);
    std::optional<Gen> textFunction(const CallArgs &c);
    std::optional<Gen> numberFunction(const CallArgs &c);
    std::optional<Gen> dateFunction(const CallArgs &c);

    // queries (translator_query.cpp)
    struct BlockConditions {
        std::map<int, std::vector<const Expr *>> outerOn; // conditions with (+), by the table they outer-join
        std::vector<const Expr *> rest;                   // the other conditions
        qint64 limit = -1;                                // rows ROWNUM keeps, -1: all
    };
    QString queryText(const Query &q, Scope *parent, std::vector<OutColumn> &cols);
    QString blockText(const QueryBlock &b, Scope *parent, std::vector<OutColumn> &cols,
                      const std::vector<OrderItem> *orderBy);
    static bool dualOnly(const QueryBlock &b, const Scope &s);
    static int tableOf(const Scope &s, const Expr *n);
    static BlockConditions conditions(const QueryBlock &b, const Scope &s);
    QStringList selectList(const QueryBlock &b, Scope &s, std::vector<OutColumn> &cols, bool singleRow);
    QString joinedFrom(const QueryBlock &b, Scope &s);
    QString outerJoinedFrom(Scope &s, const std::map<int, std::vector<const Expr *>> &outerOn);
    QString rownumThenOrder(const QString &rest, const QStringList &items, const std::vector<OutColumn> &cols,
                            const std::vector<OrderItem> &orderBy, Scope &s, qint64 limit);
    QString orderText(const std::vector<OrderItem> &items, Scope *scope);
    ScopeTable fromTable(const FromItem &f, Scope *parent);

    // statements (translator_stmt.cpp)
    QString insertText(const Stmt &s, const TableInfo &info);
    void triggerValues(const TableInfo &info, const QStringList &names, QStringList &vals, QStringList &defaultCols,
                       QStringList &defaults);
    QStringList rowValues(const Stmt &s, const TableInfo &table, const QString &event);
    static QString replacedValue(const QString &statementValue, const QString &triggerValue);
    QString returningText(const Stmt &s, const TableInfo &info, Scope &scope, const QString &qualifier,
                          std::vector<ReturnTarget> &returning);

    // names (translator.cpp)
    std::shared_ptr<const TableInfo> resolveTable(const QStringList &name, bool forWrite);
    const ScopeTable *findQualifier(Scope *scope, const QStringList &qual, Scope **found = nullptr) const;
    [[noreturn]] void invalidIdentifier(const QStringList &parts) const;
};

} // namespace oraembed
