// Queries in SQLite: FROM lists and views, (+) outer joins, ROWNUM limits,
// select lists, set operators and ORDER BY.
#include "oracle/embedded/translator_p.h"

#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace oraembed {

namespace {

void splitAnd(const Expr *e, std::vector<const Expr *> &out)
{
    if (!e)
        return;
    if (e->kind == Expr::Binary && e->text == QLatin1String("AND")) {
        for (const ExprP &a : e->args)
            splitAnd(a.get(), out);
    } else {
        out.push_back(e);
    }
}

// Names of an expression, not descending into subqueries.
void collectNames(const Expr *e, std::vector<const Expr *> &out, bool onlyOuter)
{
    if (!e)
        return;
    if (e->kind == Expr::Name) {
        if (!onlyOuter || e->outer)
            out.push_back(e);
        return;
    }
    for (const ExprP &a : e->args)
        collectNames(a.get(), out, onlyOuter);
}

bool hasOuterUnder(const Expr *e, bool inOrIn)
{
    if (!e)
        return false;
    if (e->kind == Expr::Name)
        return inOrIn && e->outer;
    const bool here = inOrIn || (e->kind == Expr::Binary && e->text == QLatin1String("OR")) || e->kind == Expr::In;
    for (const ExprP &a : e->args)
        if (hasOuterUnder(a.get(), here))
            return true;
    return false;
}

bool isRownum(const Expr *e) { return e->kind == Expr::Name && e->parts.size() == 1 && e->parts[0] == QLatin1String("ROWNUM"); }

bool mentionsRownum(const Expr *e)
{
    if (!e)
        return false;
    if (isRownum(e))
        return true;
    for (const ExprP &a : e->args)
        if (mentionsRownum(a.get()))
            return true;
    return false;
}

// A condition "ROWNUM op number" (either way round): the comparison with the
// number on the right, or an empty op when e is not one.
struct RownumTest {
    QString op;
    double value = 0;
};
RownumTest rownumTest(const Expr *e)
{
    if (e->kind != Expr::Binary || e->args.size() != 2 || e->chained)
        return {};
    const Expr *l = e->args[0].get();
    const Expr *r = e->args[1].get();
    QString op = e->text;
    if (isRownum(r) && l->kind == Expr::Num) {
        std::swap(l, r);
        static const std::map<QString, QString> mirror = {
            {QStringLiteral("<"), QStringLiteral(">")}, {QStringLiteral(">"), QStringLiteral("<")},
            {QStringLiteral("<="), QStringLiteral(">=")}, {QStringLiteral(">="), QStringLiteral("<=")}};
        auto it = mirror.find(op);
        if (it != mirror.end())
            op = it->second;
    }
    if (!isRownum(l) || r->kind != Expr::Num)
        return {};
    return {op, r->text.toDouble()};
}

bool rownumHolds(const RownumTest &t, double n)
{
    if (t.op == QLatin1String("="))
        return n == t.value;
    if (t.op == QLatin1String("<>"))
        return n != t.value;
    if (t.op == QLatin1String("<"))
        return n < t.value;
    if (t.op == QLatin1String("<="))
        return n <= t.value;
    if (t.op == QLatin1String(">"))
        return n > t.value;
    return n >= t.value;
}

// Oracle numbers a row only when it passes the condition, so the rows kept
// are the first L candidates, L being one less than the first number that
// fails the tests: "ROWNUM <= 3" keeps three, "ROWNUM = 2" none. -1: all.
qint64 rownumRows(const std::vector<RownumTest> &tests)
{
    double top = 1;
    for (const RownumTest &t : tests)
        top = std::max(top, std::ceil(t.value) + 1);
    for (qint64 n = 1; n <= qint64(top); ++n)
        for (const RownumTest &t : tests)
            if (!rownumHolds(t, double(n)))
                return n - 1;
    return -1; // past every number named, the tests hold for good
}

bool hasAggregate(const Expr *e)
{
    if (!e)
        return false;
    if (e->kind == Expr::Call && e->parts.size() == 1) {
        const QString &f = e->parts[0];
        if (f == QLatin1String("COUNT") || f == QLatin1String("SUM") || f == QLatin1String("AVG")
            || f == QLatin1String("MAX") || f == QLatin1String("MIN"))
            return true;
    }
    for (const ExprP &a : e->args)
        if (hasAggregate(a.get()))
            return true;
    return false;
}

} // namespace

Translator::ScopeTable Translator::fromTable(const FromItem &f, Scope *parent)
{
    ScopeTable st;
    if (f.sub) {
        Q_UNUSED(parent);
        st.fromSql = u'(' + queryText(*f.sub, nullptr, st.cols) + u')';
        st.qualifier = f.alias.isEmpty() ? QStringLiteral("__SQ%1").arg(++m_subqueryAlias) : f.alias;
        st.fromSql += QStringLiteral(" AS ") + quote(st.qualifier);
        return st;
    }
    st.info = resolveTable(f.name, false);
    if (!st.info->viewQuery.isEmpty()) {
        // a view is its query, with names resolved in its owner's schema
        if (++m_viewDepth > 32)
            fail(QStringLiteral("ORA-01731: circular view definition encountered"));
        auto parsed = parseStatement(st.info->viewQuery);
        const QString saved = std::exchange(m_user, st.info->owner);
        const QString q = queryText(*parsed->query, nullptr, st.cols);
        m_user = saved;
        --m_viewDepth;
        // the query's columns under the view's names
        QStringList renamed;
        for (size_t i = 0; i < st.cols.size() && i < size_t(st.info->columns.size()); ++i) {
            renamed << quote(st.cols[i].name) + QStringLiteral(" AS ") + quote(st.info->columns[i].name);
            st.cols[i].name = st.info->columns[i].name;
        }
        st.fromSql = QStringLiteral("(SELECT %1 FROM (%2))").arg(renamed.join(QStringLiteral(", ")), q);
        st.qualifier = f.alias.isEmpty() ? st.info->name : f.alias;
        st.fromSql += QStringLiteral(" AS ") + quote(st.qualifier);
        return st;
    }
    st.owner = st.info->owner;
    st.table = st.info->name;
    st.base = !st.info->dictionary;
    st.qualifier = f.alias.isEmpty() ? st.info->name : f.alias;
    st.fromSql = st.info->sqlRef;
    if (!f.alias.isEmpty() || st.info->dictionary)
        st.fromSql += QStringLiteral(" AS ") + quote(st.qualifier);
    for (const ColumnInfo &c : st.info->columns)
        st.cols.push_back({c.name, c.vtype(), c.dataType == QLatin1String("CHAR") ? c.length : 0});
    if (st.base)
        m_schemas.insert(st.owner);
    return st;
}

QString Translator::orderText(const std::vector<OrderItem> &items, Scope *scope)
{
    QStringList out;
    for (const OrderItem &o : items) {
        const Gen g = expr(*o.expr, scope);
        if (g.type == VType::Clob)
            fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected - got CLOB"));
        const bool nullsFirst = o.nulls == 1 || (o.nulls == 0 && o.desc);
        out << g.sql + (o.desc ? QStringLiteral(" DESC") : QString())
                   + (nullsFirst ? QStringLiteral(" NULLS FIRST") : QStringLiteral(" NULLS LAST"));
    }
    return out.join(QStringLiteral(", "));
}

QString Translator::blockText(const QueryBlock &b, Scope *parent, std::vector<OutColumn> &cols,
                              const std::vector<OrderItem> *orderBy)
{
    // a scalar subquery's block that could give more rows than one
    const bool singleRow = std::exchange(m_singleRow, false) && !b.distinct && b.groupBy.empty() && !b.having
                           && b.items.size() == 1 && !hasAggregate(b.items[0].expr.get());
    Scope s;
    s.parent = parent;
    for (const FromItem &f : b.from)
        s.tables.push_back(fromTable(f, parent));
    const bool onlyDual = dualOnly(b, s);
    const BlockConditions where = conditions(b, s);
    // (ROWNUM limits the rows before the single-row check would count them)
    const QStringList items = selectList(b, s, cols, singleRow && where.limit < 0);

    QString sql = QStringLiteral("SELECT ");
    if (b.distinct)
        sql += QStringLiteral("DISTINCT ");
    sql += items.join(QStringLiteral(", "));
    const qsizetype selectListEnd = sql.size();

    if (!onlyDual)
        sql += QStringLiteral(" FROM ")
               + (where.outerOn.empty() ? joinedFrom(b, s) : outerJoinedFrom(s, where.outerOn));
    if (!where.rest.empty()) {
        QStringList w;
        for (const Expr *c : where.rest)
            w << expr(*c, &s).sql;
        sql += QStringLiteral(" WHERE ") + w.join(QStringLiteral(" AND "));
    }
    if (!b.groupBy.empty()) {
        QStringList g;
        for (const ExprP &x : b.groupBy)
            g << expr(*x, &s).sql;
        sql += QStringLiteral(" GROUP BY ") + g.join(QStringLiteral(", "));
    }
    if (b.having)
        sql += QStringLiteral(" HAVING ") + expr(*b.having, &s).sql;
    if (where.limit >= 0 && orderBy && !orderBy->empty())
        return rownumThenOrder(sql.mid(selectListEnd), items, cols, *orderBy, s, where.limit);
    if (orderBy && !orderBy->empty()) {
        // names that are no table's column are left to SQLite, which
        // matches them with the select-list aliases as Oracle does
        sql += QStringLiteral(" ORDER BY ") + orderText(*orderBy, &s);
    }
    if (where.limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(where.limit);
    return sql;
}

// True when the block reads DUAL alone and names neither its column nor "*":
// DUAL is then left out of the translation.
bool Translator::dualOnly(const QueryBlock &b, const Scope &s)
{
    bool onlyDual = b.from.size() == 1 && !b.from[0].sub
                    && (b.from[0].name == QStringList{QStringLiteral("DUAL")}
                        || b.from[0].name == QStringList{QStringLiteral("SYS"), QStringLiteral("DUAL")});
    if (onlyDual && s.tables[0].base)
        onlyDual = false; // the user's own table called DUAL
    if (onlyDual) {
        // DUAL is left out of the translation unless its column is named
        std::vector<const Expr *> names;
        for (const SelectItem &it : b.items)
            collectNames(it.expr.get(), names, false);
        collectNames(b.where.get(), names, false);
        for (const Expr *n : names)
            if (n->parts.last() == QLatin1String("DUMMY"))
                onlyDual = false;
        for (const SelectItem &it : b.items)
            if (it.expr->kind == Expr::Star)
                onlyDual = false;
    }
    return onlyDual;
}

// Which table of a block a name belongs to, or -1.
int Translator::tableOf(const Scope &s, const Expr *n)
{
    const QStringList &p = n->parts;
    if (p.size() == 1) {
        int found = -1;
        for (size_t i = 0; i < s.tables.size(); ++i)
            for (const OutColumn &c : s.tables[i].cols)
                if (c.name == p[0]) {
                    if (found >= 0 && found != int(i) && n->outer)
                        fail(QStringLiteral("ORA-00918: column ambiguously defined (%1)").arg(p[0]));
                    found = int(i);
                }
        return found;
    }
    const QStringList qual = p.mid(0, p.size() - 1);
    for (size_t i = 0; i < s.tables.size(); ++i) {
        const ScopeTable &t = s.tables[i];
        if ((qual.size() == 1 && t.qualifier == qual[0])
            || (qual.size() == 2 && t.base && t.owner == qual[0] && t.table == qual[1]))
            return int(i);
    }
    return -1;
}

// Sorts a block's WHERE conditions: comparisons of ROWNUM with a number give
// the rows kept, conditions with (+) go to the ON of the table they
// outer-join, the others stay in WHERE.
Translator::BlockConditions Translator::conditions(const QueryBlock &b, const Scope &s)
{
    std::vector<const Expr *> conj;
    splitAnd(b.where.get(), conj);
    std::map<int, std::vector<const Expr *>> outerOn;
    std::vector<const Expr *> rest;
    std::vector<RownumTest> rownumTests;
    for (const Expr *c : conj) {
        const RownumTest rt = rownumTest(c);
        if (!rt.op.isEmpty()) {
            rownumTests.push_back(rt);
            continue;
        }
        if (mentionsRownum(c))
            unsupported(QStringLiteral("this use of ROWNUM (only comparisons of ROWNUM with a number, joined by AND)"));
        std::vector<const Expr *> marked;
        collectNames(c, marked, true);
        if (marked.empty()) {
            rest.push_back(c);
            continue;
        }
        if (hasOuterUnder(c, false))
            fail(QStringLiteral("ORA-01719: outer join operator (+) not allowed in operand of OR or IN"));
        std::set<int> targets;
        for (const Expr *m : marked) {
            const int t = tableOf(s, m);
            if (t < 0)
                fail(QStringLiteral("ORA-00904: \"%1\": invalid identifier").arg(joined(m->parts)));
            targets.insert(t);
        }
        if (targets.size() > 1)
            fail(QStringLiteral("ORA-01468: a predicate may reference only one outer-joined table"));
        outerOn[*targets.begin()].push_back(c);
    }
    if (!outerOn.empty())
        for (const FromItem &f : b.from)
            if (f.join != FromItem::Comma)
                fail(QStringLiteral("ORA-25156: old style outer join (+) cannot be used with ANSI joins"));
    const qint64 limit = rownumTests.empty() ? -1 : rownumRows(rownumTests);
    if (limit >= 0) {
        if (b.distinct || !b.groupBy.empty() || b.having)
            unsupported(QStringLiteral("ROWNUM together with DISTINCT or GROUP BY"));
        for (const SelectItem &it : b.items)
            if (hasAggregate(it.expr.get()))
                unsupported(QStringLiteral("ROWNUM together with an aggregate function"));
    }
    return {std::move(outerOn), std::move(rest), limit};
}

// The select list: "*" and "table.*" spread into their columns, each item
// named; singleRow wraps each item in the check that refuses a second row.
QStringList Translator::selectList(const QueryBlock &b, Scope &s, std::vector<OutColumn> &cols, bool singleRow)
{
    QStringList items;
    auto addTableCols = [&](const ScopeTable &t) {
        for (const OutColumn &c : t.cols) {
            items << quote(t.qualifier) + u'.' + quote(c.name) + QStringLiteral(" AS ") + quote(c.name);
            cols.push_back(c);
        }
    };
    for (const SelectItem &it : b.items) {
        const Expr &e = *it.expr;
        if (e.kind == Expr::Star) {
            if (e.parts.isEmpty()) {
                if (b.items.size() > 1)
                    fail(QStringLiteral("ORA-00936: missing expression (\"*\" with other select items)"));
                for (const ScopeTable &t : s.tables)
                    addTableCols(t);
            } else {
                const ScopeTable *t = nullptr;
                for (const ScopeTable &c : s.tables)
                    if ((e.parts.size() == 1 && c.qualifier == e.parts[0])
                        || (e.parts.size() == 2 && c.base && c.owner == e.parts[0] && c.table == e.parts[1]))
                        t = &c;
                if (!t)
                    fail(QStringLiteral("ORA-00904: \"%1\": invalid identifier").arg(joined(e.parts)));
                addTableCols(*t);
            }
            continue;
        }
        Gen g = expr(e, &s);
        QString colName = it.alias;
        if (colName.isEmpty()) {
            if (e.kind == Expr::Name && !e.parts.last().startsWith(u':'))
                colName = e.parts.last();
            else
                colName = it.exprText;
        }
        if (g.type == VType::Rowid) {
            g.sql = QStringLiteral("('%1.' || %2)").arg(g.rowidOf, g.sql);
            g.type = VType::Text;
        }
        if (singleRow)
            g.sql = QStringLiteral("ora_single(%1)").arg(g.sql);
        items << g.sql + QStringLiteral(" AS ") + quote(colName);
        cols.push_back({colName, g.type});
    }
    if (b.distinct)
        for (const OutColumn &c : cols)
            if (c.type == VType::Clob)
                fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected - got CLOB"));
    return items;
}

// FROM with the joins as written.
QString Translator::joinedFrom(const QueryBlock &b, Scope &s)
{
    QString from;
    for (size_t i = 0; i < b.from.size(); ++i) {
        const FromItem &f = b.from[i];
        const QString &t = s.tables[i].fromSql;
        if (i == 0) {
            from = t;
            continue;
        }
        switch (f.join) {
        case FromItem::Comma:
            from += QStringLiteral(", ") + t;
            break;
        case FromItem::Cross:
            from += QStringLiteral(" CROSS JOIN ") + t;
            break;
        case FromItem::Inner:
            from += QStringLiteral(" JOIN ") + t + QStringLiteral(" ON ") + expr(*f.on, &s).sql;
            break;
        case FromItem::Left:
            from += QStringLiteral(" LEFT JOIN ") + t + QStringLiteral(" ON ") + expr(*f.on, &s).sql;
            break;
        case FromItem::Right:
            from += QStringLiteral(" RIGHT JOIN ") + t + QStringLiteral(" ON ") + expr(*f.on, &s).sql;
            break;
        case FromItem::Full:
            from += QStringLiteral(" FULL JOIN ") + t + QStringLiteral(" ON ") + expr(*f.on, &s).sql;
            break;
        }
    }
    return from;
}

// FROM for (+) outer joins: the tables joined as usual, then each
// outer-joined table after the tables its conditions name.
QString Translator::outerJoinedFrom(Scope &s, const std::map<int, std::vector<const Expr *>> &outerOn)
{
    std::set<int> placed;
    QStringList inner;
    for (size_t i = 0; i < s.tables.size(); ++i)
        if (!outerOn.count(int(i))) {
            inner << s.tables[i].fromSql;
            placed.insert(int(i));
        }
    if (inner.isEmpty())
        fail(QStringLiteral("ORA-01416: two tables cannot be outer-joined to each other"));
    QString from = inner.join(QStringLiteral(", "));
    std::map<int, std::vector<const Expr *>> pending = outerOn;
    while (!pending.empty()) {
        bool progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            std::set<int> refs;
            for (const Expr *c : it->second) {
                std::vector<const Expr *> names;
                collectNames(c, names, false);
                for (const Expr *n : names) {
                    const int t = tableOf(s, n);
                    if (t >= 0 && t != it->first)
                        refs.insert(t);
                }
            }
            bool ready = true;
            for (int r : refs)
                if (!placed.count(r))
                    ready = false;
            if (!ready) {
                ++it;
                continue;
            }
            QStringList on;
            for (const Expr *c : it->second)
                on << expr(*c, &s).sql;
            from += QStringLiteral(" LEFT JOIN ") + s.tables[size_t(it->first)].fromSql + QStringLiteral(" ON ")
                    + on.join(QStringLiteral(" AND "));
            placed.insert(it->first);
            it = pending.erase(it);
            progress = true;
        }
        if (!progress)
            fail(QStringLiteral("ORA-01416: two tables cannot be outer-joined to each other"));
    }
    return from;
}

// A block with ROWNUM and ORDER BY: rest is the block's text after its
// select list.
QString Translator::rownumThenOrder(const QString &rest, const QStringList &items, const std::vector<OutColumn> &cols,
                                    const std::vector<OrderItem> &orderBy, Scope &s, qint64 limit)
{
    // Oracle numbers the rows before it sorts them: the first rows are
    // taken, then sorted. The select items and sort keys come out of an
    // inner query that takes the rows; the outer one sorts them.
    QStringList inner, outer, keys;
    for (int i = 0; i < items.size(); ++i) {
        const QString item = items[i];
        const qsizetype as = item.lastIndexOf(QStringLiteral(" AS "));
        inner << item.left(as) + QStringLiteral(" AS \"__c%1\"").arg(i + 1);
        outer << QStringLiteral("\"__c%1\"").arg(i + 1) + item.mid(as);
    }
    for (size_t k = 0; k < orderBy.size(); ++k) {
        const OrderItem &o = orderBy[k];
        QString key;
        if (o.expr->kind == Expr::Num) {
            const int pos = o.expr->text.toInt();
            if (pos < 1 || pos > items.size())
                fail(QStringLiteral("ORA-01785: ORDER BY item must be the number of a SELECT-list expression"));
            key = QStringLiteral("\"__c%1\"").arg(pos);
        } else {
            for (size_t i = 0; i < cols.size() && key.isEmpty(); ++i)
                if (o.expr->kind == Expr::Name && o.expr->parts.size() == 1 && cols[i].name == o.expr->parts[0]
                    && tableOf(s, o.expr.get()) < 0)
                    key = QStringLiteral("\"__c%1\"").arg(i + 1);
            if (key.isEmpty()) {
                inner << expr(*o.expr, &s).sql + QStringLiteral(" AS \"__o%1\"").arg(k + 1);
                key = QStringLiteral("\"__o%1\"").arg(k + 1);
            }
        }
        const bool nullsFirst = o.nulls == 1 || (o.nulls == 0 && o.desc);
        keys << key + (o.desc ? QStringLiteral(" DESC") : QString())
                    + (nullsFirst ? QStringLiteral(" NULLS FIRST") : QStringLiteral(" NULLS LAST"));
    }
    // (materialized, so that SQLite takes the rows in their own order
    // rather than in the order the sort wants)
    return QStringLiteral("WITH \"__ROWNUM\" AS MATERIALIZED (SELECT %2%3 LIMIT %4) SELECT %1 FROM \"__ROWNUM\" "
                          "ORDER BY %5")
        .arg(outer.join(QStringLiteral(", ")), inner.join(QStringLiteral(", ")), rest)
        .arg(limit)
        .arg(keys.join(QStringLiteral(", ")));
}

QString Translator::queryText(const Query &q, Scope *parent, std::vector<OutColumn> &cols)
{
    if (q.terms.size() == 1) {
        const Query::Term &t = q.terms[0];
        if (t.block)
            return blockText(*t.block, parent, cols, &q.orderBy);
        QString inner = queryText(*t.paren, parent, cols);
        if (q.orderBy.empty())
            return inner;
        Scope s;
        s.parent = parent;
        ScopeTable st;
        st.cols = cols;
        s.tables.push_back(st);
        return QStringLiteral("SELECT * FROM (%1) ORDER BY %2").arg(inner, orderText(q.orderBy, &s));
    }
    QString sql;
    for (size_t i = 0; i < q.terms.size(); ++i) {
        const Query::Term &t = q.terms[i];
        std::vector<OutColumn> c;
        QString text;
        if (t.block)
            text = blockText(*t.block, parent, c, nullptr);
        else
            text = QStringLiteral("SELECT * FROM (%1)").arg(queryText(*t.paren, parent, c));
        if (i == 0) {
            cols = c;
        } else {
            if (c.size() != cols.size())
                fail(QStringLiteral("ORA-01789: query block has incorrect number of result columns"));
            for (size_t k = 0; k < c.size(); ++k) {
                auto kind = [](VType t) { return t == VType::Clob ? VType::Text : t; };
                if (cols[k].type != VType::Unknown && c[k].type != VType::Unknown && kind(cols[k].type) != kind(c[k].type)
                    && cols[k].type != VType::Rowid && c[k].type != VType::Rowid)
                    fail(QStringLiteral("ORA-01790: expression must have same datatype as corresponding expression"));
                if ((cols[k].type == VType::Clob || c[k].type == VType::Clob) && t.op != QLatin1String("UNION ALL"))
                    fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected - got CLOB"));
                if (cols[k].type == VType::Unknown)
                    cols[k].type = c[k].type;
            }
            sql += u' ' + (t.op == QLatin1String("MINUS") ? QStringLiteral("EXCEPT") : t.op) + u' ';
        }
        sql += text;
    }
    if (!q.orderBy.empty()) {
        Scope s;
        ScopeTable st;
        st.cols = cols;
        s.tables.push_back(st);
        sql += QStringLiteral(" ORDER BY ") + orderText(q.orderBy, &s);
    }
    return sql;
}

Translation Translator::query(const Query &q)
{
    m_schemas.clear();
    Translation t;
    t.kind = Translation::Query;
    t.sql = queryText(q, nullptr, t.columns);
    t.schemas = m_schemas;
    return t;
}

Translation Translator::view(const Stmt &s, const QString &owner)
{
    const QString saved = std::exchange(m_user, owner);
    Translation t = query(*s.query);
    m_user = saved;
    if (!s.columns.isEmpty()) {
        if (s.columns.size() != qsizetype(t.columns.size()))
            fail(QStringLiteral("ORA-01730: invalid number of column names specified"));
        for (size_t i = 0; i < t.columns.size(); ++i)
            t.columns[i].name = s.columns[qsizetype(i)];
    }
    QSet<QString> seen;
    for (const OutColumn &c : t.columns) {
        if (seen.contains(c.name))
            fail(QStringLiteral("ORA-00957: duplicate column name (%1)").arg(c.name));
        seen.insert(c.name);
    }
    return t;
}

} // namespace oraembed
