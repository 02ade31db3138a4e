// Statements in SQLite: INSERT, UPDATE and DELETE with RETURNING, block steps,
// triggers, column defaults and CHECK constraints.
#include "oracle/embedded/translator_p.h"

#include <algorithm>

namespace oraembed {

namespace {

// The column of a written table, or ORA-00904.
const ColumnInfo &columnOf(const TableInfo &info, const QString &n)
{
    const ColumnInfo *c = info.column(n);
    if (!c)
        fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(Translator::quote(n)));
    return *c;
}

} // namespace

// "SELECT expr" for a block's assignment or call.
Translation Translator::scalar(const Expr &e, bool asProcedure)
{
    m_schemas.clear();
    Translation t;
    t.kind = Translation::Query;
    Scope s;
    if (asProcedure && e.kind == Expr::Name) {
        // a procedure called without an argument list
        Expr c;
        c.kind = Expr::Call;
        c.parts = e.parts;
        Gen g = call(c, &s);
        t.sql = QStringLiteral("SELECT ") + g.sql;
        t.columns.push_back({QStringLiteral("VALUE"), g.type});
    } else {
        Gen g = expr(e, &s);
        if (g.type == VType::Rowid)
            g.sql = QStringLiteral("('%1.' || %2)").arg(g.rowidOf, g.sql);
        t.sql = QStringLiteral("SELECT ") + g.sql;
        t.columns.push_back({QStringLiteral("VALUE"), g.type});
    }
    t.schemas = m_schemas;
    return t;
}

Translation Translator::dml(const Stmt &s)
{
    m_schemas.clear();
    Translation t;
    t.kind = Translation::Dml;
    auto info = resolveTable(s.table, true);
    t.owner = info->owner;
    t.table = info->name;
    m_schemas.insert(info->owner);

    Scope scope;
    ScopeTable st;
    st.qualifier = s.alias.isEmpty() ? info->name : s.alias;
    st.owner = info->owner;
    st.table = info->name;
    st.base = true;
    st.info = info;
    for (const ColumnInfo &c : info->columns)
        st.cols.push_back({c.name, c.vtype(), c.dataType == QLatin1String("CHAR") ? c.length : 0});
    scope.tables.push_back(st);

    if (s.kind == Stmt::Insert) {
        t.dml = 'I';
        t.sql = insertText(s, *info);
    } else if (s.kind == Stmt::Update) {
        t.dml = 'U';
        QStringList cols, vals;
        for (const auto &[col, value] : s.sets) {
            const ColumnInfo &c = columnOf(*info, col);
            if (cols.contains(col))
                fail(QStringLiteral("ORA-00957: duplicate column name (%1)").arg(col));
            cols << col;
            const Gen g = expr(*value, &scope);
            vals << coerce(g.sql, c, info->owner, info->name);
        }
        // the values of BEFORE UPDATE row triggers that fire for these columns
        const QStringList setByStatement = cols;
        for (const TableInfo::TriggerValue &v : info->updateValues) {
            if (!v.of.isEmpty() && std::none_of(v.of.begin(), v.of.end(),
                                                [&](const QString &c) { return setByStatement.contains(c); }))
                continue;
            const qsizetype at = cols.indexOf(v.column);
            if (at >= 0) {
                vals[at] = replacedValue(vals[at], v.sql);
            } else {
                cols << v.column;
                vals << v.sql;
            }
        }
        QStringList sets;
        for (qsizetype i = 0; i < cols.size(); ++i)
            sets << quote(cols[i]) + QStringLiteral(" = ") + vals[i];
        t.sql = QStringLiteral("UPDATE %1 AS %2 SET %3").arg(info->sqlRef, quote(st.qualifier), sets.join(u','));
        if (s.where)
            t.sql += QStringLiteral(" WHERE ") + expr(*s.where, &scope).sql;
    } else {
        t.dml = 'D';
        t.sql = QStringLiteral("DELETE FROM %1 AS %2").arg(info->sqlRef, quote(st.qualifier));
        if (s.where)
            t.sql += QStringLiteral(" WHERE ") + expr(*s.where, &scope).sql;
    }
    if (!s.returning.empty())
        t.sql += returningText(s, *info, scope, st.qualifier, t.returning);
    t.schemas = m_schemas;
    return t;
}

// INSERT with VALUES or a query: every value passes through its column's
// type, and the columns left out get their defaults (a mandatory one NULL).
QString Translator::insertText(const Stmt &s, const TableInfo &info)
{
    Scope empty;
    QStringList names = s.columns;
    if (names.isEmpty())
        for (const ColumnInfo &c : info.columns)
            names << c.name;
    QSet<QString> seen;
    for (const QString &n : names) {
        columnOf(info, n);
        if (seen.contains(n))
            fail(QStringLiteral("ORA-00957: duplicate column name (%1)").arg(n));
        seen.insert(n);
    }
    QStringList cols;
    for (const QString &n : names)
        cols << quote(n);
    QStringList defaults, defaultCols;
    for (const ColumnInfo &c : info.columns) {
        if (seen.contains(c.name))
            continue;
        if (!c.defaultSource.isEmpty()) {
            defaultCols << quote(c.name);
            defaults << defaultValue(c, info);
        } else if (!c.nullable) {
            // a mandatory column left out is NULL (ORA-01400), never a
            // default SQLite keeps for a column added by ALTER TABLE
            defaultCols << quote(c.name);
            defaults << QStringLiteral("NULL");
        }
    }
    if (!s.values.empty() || !s.query) {
        if (s.values.size() < size_t(names.size()))
            fail(QStringLiteral("ORA-00947: not enough values"));
        if (s.values.size() > size_t(names.size()))
            fail(QStringLiteral("ORA-00913: too many values"));
        QStringList vals;
        for (size_t i = 0; i < s.values.size(); ++i) {
            const Gen g = expr(*s.values[i], &empty);
            vals << coerce(g.sql, columnOf(info, names[int(i)]), info.owner, info.name);
        }
        triggerValues(info, names, vals, defaultCols, defaults);
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(info.sqlRef, (cols + defaultCols).join(u','), (vals + defaults).join(u','));
    }
    std::vector<OutColumn> qc;
    const QString q = queryText(*s.query, nullptr, qc);
    if (qc.size() < size_t(names.size()))
        fail(QStringLiteral("ORA-00947: not enough values"));
    if (qc.size() > size_t(names.size()))
        fail(QStringLiteral("ORA-00913: too many values"));
    QStringList srcCols, vals;
    for (int i = 0; i < names.size(); ++i) {
        const QString src = quote(QStringLiteral("__%1").arg(i + 1));
        srcCols << src;
        vals << coerce(src, columnOf(info, names[i]), info.owner, info.name);
    }
    triggerValues(info, names, vals, defaultCols, defaults);
    return QStringLiteral("WITH \"__SRC\"(%1) AS (%2) INSERT INTO %3 (%4) SELECT %5 FROM \"__SRC\"")
        .arg(srcCols.join(u','), q, info.sqlRef, (cols + defaultCols).join(u','), (vals + defaults).join(u','));
}

// The values BEFORE INSERT row triggers give (TableInfo::insertValues)
// replace those of the statement, which are still computed, so that their
// errors and sequence numbers stay as the trigger would find them.
void Translator::triggerValues(const TableInfo &info, const QStringList &names, QStringList &vals,
                               QStringList &defaultCols, QStringList &defaults)
{
    for (const TableInfo::TriggerValue &v : info.insertValues) {
        const qsizetype at = names.indexOf(v.column);
        if (at >= 0) {
            vals[at] = replacedValue(vals[at], v.sql);
            continue;
        }
        const qsizetype d = defaultCols.indexOf(quote(v.column));
        if (d >= 0) {
            defaults[d] = replacedValue(defaults[d], v.sql);
        } else {
            defaultCols << quote(v.column);
            defaults << v.sql;
        }
    }
}

QString Translator::replacedValue(const QString &statementValue, const QString &triggerValue)
{
    return QStringLiteral("CASE WHEN (%1) IS NULL THEN (%2) ELSE (%2) END").arg(statementValue, triggerValue);
}

// RETURNING: the row's rowid first (for LOB locators), then the values for
// the bind variables, whose kinds go to returning.
QString Translator::returningText(const Stmt &s, const TableInfo &info, Scope &scope, const QString &qualifier,
                                  std::vector<ReturnTarget> &returning)
{
    QStringList ret{QStringLiteral("rowid")};
    for (size_t i = 0; i < s.returning.size(); ++i) {
        const Expr &e = *s.returning[i];
        ReturnTarget rt;
        rt.var = s.returnInto[int(i)];
        if (e.kind == Expr::Name && (e.parts.size() == 1 || (e.parts.size() == 2 && e.parts[0] == qualifier))) {
            const ColumnInfo &c = columnOf(info, e.parts.last());
            rt.column = c.name;
            rt.type = c.vtype();
            ret << quote(c.name);
        } else {
            const Gen g = expr(e, &scope);
            rt.type = g.type;
            ret << g.sql;
        }
        returning.push_back(rt);
    }
    return QStringLiteral(" RETURNING ") + ret.join(u',');
}

QString Translator::defaultValue(const ColumnInfo &c, const TableInfo &table)
{
    auto parsed = parseStatement(QStringLiteral("SELECT ") + c.defaultSource + QStringLiteral(" FROM DUAL"));
    Scope empty;
    const Gen g = expr(*parsed->query->terms[0].block->items[0].expr, &empty);
    return coerce(g.sql, c, table.owner, table.name);
}

QString Translator::check(const Expr &e, const TableInfo &table)
{
    Scope scope;
    ScopeTable st;
    st.qualifier = table.name;
    for (const ColumnInfo &c : table.columns)
        st.cols.push_back({c.name, c.vtype()});
    scope.tables.push_back(st);
    return expr(e, &scope).sql;
}

// The INSERT or UPDATE event of a row trigger as the values its assignments
// give (kInsertValueMark, kUpdateValueMark), or nothing when the body does
// more than assign values that do not read the row.
QStringList Translator::rowValues(const Stmt &s, const TableInfo &table, const QString &event)
{
    const bool update = event == QLatin1String("UPDATE");
    QStringList out;
    for (const BlockStep &st : s.steps) {
        if (st.kind != BlockStep::Assign)
            return {};
        const ColumnInfo *c = table.column(st.target.value(1));
        if (!c)
            fail(QStringLiteral("PLS-00049: bad bind variable 'NEW.%1'").arg(st.target.value(1)));
        m_triggerNewAsRow = false;
        m_triggerRowReads = 0;
        Scope scope;
        const Gen g = expr(*st.expr, &scope);
        if (m_triggerRowReads > 0)
            return {};
        QString piece = (update ? kUpdateValueMark : kInsertValueMark) + c->name + kTriggerValueSeparator +
                        coerce(g.sql, *c, table.owner, table.name);
        if (update)
            piece += kTriggerValueSeparator + s.updateOf.join(u',');
        out << piece;
    }
    return out;
}

QStringList Translator::trigger(const Stmt &s, const TableInfo &table, const QString &sqliteName)
{
    QStringList out;
    bool assigns = false;
    for (const BlockStep &st : s.steps)
        if (st.kind == BlockStep::Assign)
            assigns = true;
    if (assigns && !s.before)
        fail(QStringLiteral("ORA-04084: cannot change NEW values for this trigger type"));
    m_trigger = true;
    m_triggerTable = &table;
    for (const QString &ev : s.events) {
        m_triggerEvent = ev.at(0).toLatin1();
        if ((ev == QLatin1String("INSERT") || ev == QLatin1String("UPDATE")) && s.forEachRow) {
            const QStringList values = rowValues(s, table, ev);
            if (!values.isEmpty()) {
                out << values;
                continue;
            }
        }
        QStringList body;
        for (const BlockStep &st : s.steps) {
            if (st.kind == BlockStep::Assign) {
                if (ev == QLatin1String("DELETE"))
                    continue;
                const ColumnInfo *c = table.column(st.target.value(1));
                if (!c)
                    fail(QStringLiteral("PLS-00049: bad bind variable 'NEW.%1'").arg(st.target.value(1)));
                m_triggerNewAsRow = true;
                Scope scope;
                const Gen g = expr(*st.expr, &scope);
                body << QStringLiteral("UPDATE %1 SET %2 = %3 WHERE rowid = NEW.rowid;")
                            .arg(quote(table.name), quote(c->name), coerce(g.sql, *c, table.owner, table.name));
            } else if (st.kind == BlockStep::Call) {
                m_triggerNewAsRow = false;
                Scope scope;
                Gen g;
                if (st.expr->kind == Expr::Name) {
                    Expr c;
                    c.kind = Expr::Call;
                    c.parts = st.expr->parts;
                    g = call(c, &scope);
                } else {
                    g = expr(*st.expr, &scope);
                }
                body << QStringLiteral("SELECT %1;").arg(g.sql);
            }
        }
        if (body.isEmpty())
            continue;
        QString event = ev;
        if (ev == QLatin1String("UPDATE") && !s.updateOf.isEmpty()) {
            QStringList cols;
            for (const QString &c : s.updateOf) {
                if (!table.column(c))
                    fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(quote(c)));
                cols << quote(c);
            }
            event += QStringLiteral(" OF ") + cols.join(u',');
        }
        out << QStringLiteral("CREATE TRIGGER %1.%2 AFTER %3 ON %4 FOR EACH ROW BEGIN %5 END")
                   .arg(quote(table.owner), quote(sqliteName + u'$' + ev.at(0)), event, quote(table.name),
                        body.join(u' '));
    }
    m_trigger = false;
    m_triggerTable = nullptr;
    return out;
}

} // namespace oraembed
