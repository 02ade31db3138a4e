// Expressions in SQLite: literals, names, operators with Oracle's type rules,
// and the engine's own server functions.
#include "oracle/embedded/translator_p.h"

#include <algorithm>

namespace oraembed {

Translator::Gen Translator::expr(const Expr &e, Scope *scope)
{
    switch (e.kind) {
    case Expr::Str:
        if (e.text.isEmpty())
            return {QStringLiteral("NULL"), VType::Text, {}};
        if (e.text.size() > 4000)
            fail(QStringLiteral("ORA-01704: string literal too long"));
        return {literal(e.text), VType::Text, {}};
    case Expr::Num: {
        QString n = e.text;
        if (n.endsWith(u'.'))
            n.chop(1);
        return {n, VType::Number, {}};
    }
    case Expr::Null:
        return {QStringLiteral("NULL"), VType::Unknown, {}};
    case Expr::Bind:
        return {u':' + e.text, VType::Unknown, {}};
    case Expr::Name:
        return name(e, scope);
    case Expr::Star:
        fail(QStringLiteral("ORA-00936: missing expression (a \"*\" outside the select list)"));
    case Expr::Call:
        return call(e, scope);
    case Expr::Unary: {
        Gen a = expr(*e.args[0], scope);
        if (e.text == QLatin1String("NOT"))
            return {QStringLiteral("(NOT %1)").arg(a.sql), VType::Number, {}};
        if (e.text == QLatin1String("-"))
            return {QStringLiteral("(-%1)").arg(a.sql), a.type == VType::Unknown ? VType::Number : a.type, {}};
        return a;
    }
    case Expr::Binary:
        return binaryOp(e, scope);
    case Expr::Subquery: {
        std::vector<OutColumn> cols;
        // a single block's item is wrapped to refuse a second row
        m_singleRow = e.query->terms.size() == 1 && e.query->terms[0].block;
        const QString q = queryText(*e.query, scope, cols);
        m_singleRow = false;
        if (cols.size() != 1)
            fail(QStringLiteral("ORA-00913: too many values"));
        return {u'(' + q + u')', cols[0].type, {}};
    }
    case Expr::Exists: {
        std::vector<OutColumn> cols;
        const QString q = queryText(*e.query, scope, cols);
        return {QStringLiteral("(%1EXISTS (%2))").arg(e.negated ? QStringLiteral("NOT ") : QString(), q),
                VType::Number, {}};
    }
    case Expr::In:
        return inList(e, scope);
    case Expr::Between: {
        Gen a = expr(*e.args[0], scope);
        Gen b = expr(*e.args[1], scope);
        Gen c = expr(*e.args[2], scope);
        if (isDateLike(a.type)) {
            if (b.type != VType::Date)
                b.sql = QStringLiteral("ora_to_date_any(%1)").arg(b.sql);
            if (c.type != VType::Date)
                c.sql = QStringLiteral("ora_to_date_any(%1)").arg(c.sql);
        }
        return {QStringLiteral("(%1 %2BETWEEN %3 AND %4)")
                    .arg(a.sql, e.negated ? QStringLiteral("NOT ") : QString(), b.sql, c.sql),
                VType::Number, {}};
    }
    case Expr::Like: {
        Gen a = expr(*e.args[0], scope);
        Gen b = expr(*e.args[1], scope);
        QString s = QStringLiteral("(%1 %2LIKE %3").arg(a.sql, e.negated ? QStringLiteral("NOT ") : QString(), b.sql);
        if (e.args.size() > 2)
            s += QStringLiteral(" ESCAPE ") + expr(*e.args[2], scope).sql;
        return {s + u')', VType::Number, {}};
    }
    case Expr::IsNull: {
        Gen a = expr(*e.args[0], scope);
        return {QStringLiteral("(%1 IS %2NULL)").arg(a.sql, e.negated ? QStringLiteral("NOT ") : QString()),
                VType::Number, {}};
    }
    case Expr::Case:
        return caseExpr(e, scope);
    case Expr::List: {
        QStringList items;
        for (const ExprP &a : e.args)
            items << expr(*a, scope).sql;
        return {u'(' + items.join(QStringLiteral(", ")) + u')', VType::Unknown, {}};
    }
    }
    fail(QStringLiteral("ORA-00936: missing expression"));
}

// x [NOT] IN (a list or a query).
Translator::Gen Translator::inList(const Expr &e, Scope *scope)
{
    Gen a = expr(*e.args[0], scope);
    QString list;
    if (e.query) {
        std::vector<OutColumn> cols;
        list = queryText(*e.query, scope, cols);
        const int width = e.args[0]->kind == Expr::List ? int(e.args[0]->args.size()) : 1;
        if (int(cols.size()) != width)
            fail(cols.size() > size_t(width) ? QStringLiteral("ORA-00913: too many values")
                                             : QStringLiteral("ORA-00947: not enough values"));
    } else {
        QStringList items;
        std::vector<Gen> gens;
        for (size_t i = 1; i < e.args.size(); ++i)
            gens.push_back(expr(*e.args[i], scope));
        // a text operand among numbers is read as a number, as in Oracle
        bool numbers = a.type == VType::Number;
        for (const Gen &g : gens)
            numbers = numbers || g.type == VType::Number;
        if (numbers && a.type == VType::Text)
            a.sql = QStringLiteral("ora_to_number(%1)").arg(a.sql);
        for (size_t i = 0; i < gens.size(); ++i) {
            Gen &g = gens[i];
            const Expr &x = *e.args[i + 1];
            if (a.charLength > 0 && x.kind == Expr::Str && !x.text.isEmpty())
                g.sql = literal(x.text.leftJustified(a.charLength, u' '));
            if (isDateLike(a.type) && g.type != VType::Date)
                g.sql = QStringLiteral("ora_to_date_any(%1)").arg(g.sql);
            else if (numbers && g.type == VType::Text)
                g.sql = QStringLiteral("ora_to_number(%1)").arg(g.sql);
            items << g.sql;
        }
        list = items.join(QStringLiteral(", "));
    }
    return {QStringLiteral("(%1 %2IN (%3))").arg(a.sql, e.negated ? QStringLiteral("NOT ") : QString(), list),
            VType::Number, {}};
}

Translator::Gen Translator::caseExpr(const Expr &e, Scope *scope)
{
    QString s = QStringLiteral("(CASE");
    size_t i = 0;
    VType t = VType::Unknown;
    if (e.hasBase)
        s += u' ' + expr(*e.args[i++], scope).sql;
    const size_t stop = e.args.size() - (e.hasElse ? 1 : 0);
    for (; i + 1 < stop; i += 2) {
        s += QStringLiteral(" WHEN ") + expr(*e.args[i], scope).sql;
        Gen r = expr(*e.args[i + 1], scope);
        if (t == VType::Unknown)
            t = r.type;
        s += QStringLiteral(" THEN ") + r.sql;
    }
    if (e.hasElse) {
        Gen r = expr(*e.args.back(), scope);
        if (t == VType::Unknown)
            t = r.type;
        s += QStringLiteral(" ELSE ") + r.sql;
    }
    return {s + QStringLiteral(" END)"), t, {}};
}

namespace {

// Joins the operands of an associative chain as a balanced tree, so that the
// nesting SQLite sees grows with the logarithm of the chain's length.
QString balanced(const QStringList &items, qsizetype from, qsizetype to, const QString &join)
{
    if (to - from == 1)
        return items[from];
    const qsizetype mid = from + (to - from) / 2;
    return u'(' + balanced(items, from, mid, join) + join + balanced(items, mid, to, join) + u')';
}

// A call of a function taking any number of arguments, nested in groups that
// stay within SQLite's limit on arguments.
QString groupedCall(const QString &fn, QStringList items)
{
    constexpr qsizetype kGroup = 100;
    while (items.size() > kGroup) {
        QStringList groups;
        for (qsizetype i = 0; i < items.size(); i += kGroup)
            groups << fn + u'(' + items.mid(i, kGroup).join(u',') + u')';
        items = groups;
    }
    return fn + u'(' + items.join(u',') + u')';
}

} // namespace

Translator::Gen Translator::concat(const std::vector<Gen> &parts)
{
    // Oracle concatenates the texts of its operands; the result is a CLOB
    // when one of them is, else text of at most 4000 characters
    QStringList items;
    bool clob = false;
    for (const Gen &g : parts) {
        clob = clob || g.type == VType::Clob;
        if (g.type == VType::Date)
            items << QStringLiteral("ora_to_char(%1)").arg(g.sql);
        else if (g.type == VType::Number)
            items << QStringLiteral("ora_num_text(%1)").arg(g.sql);
        else
            items << g.sql;
    }
    return {groupedCall(clob ? QStringLiteral("ora_concat_lob") : QStringLiteral("ora_concat"), items),
            clob ? VType::Clob : VType::Text, {}};
}

Translator::Gen Translator::binaryOp(const Expr &e, Scope *scope)
{
    const QString &op = e.text;
    if (op == QLatin1String("AND") || op == QLatin1String("OR")) {
        QStringList parts;
        for (const ExprP &x : e.args)
            parts << expr(*x, scope).sql;
        return {balanced(parts, 0, parts.size(), u' ' + op + u' '), VType::Number, {}};
    }
    if (op == QLatin1String("||")) {
        std::vector<Gen> parts;
        for (const ExprP &x : e.args)
            parts.push_back(expr(*x, scope));
        return concat(parts);
    }
    Gen a = expr(*e.args[0], scope);
    Gen b = expr(*e.args[1], scope);
    if (op == QLatin1String("=") || op == QLatin1String("<>") || op == QLatin1String("<") || op == QLatin1String("<=")
        || op == QLatin1String(">") || op == QLatin1String(">=")) {
        if (a.type == VType::Rowid && b.type != VType::Rowid)
            b.sql = QStringLiteral("ora_rowidnum(%1)").arg(b.sql);
        else if (b.type == VType::Rowid && a.type != VType::Rowid)
            a.sql = QStringLiteral("ora_rowidnum(%1)").arg(a.sql);
        if (a.type == VType::Date && b.type != VType::Date && b.type != VType::Number)
            b.sql = QStringLiteral("ora_to_date_any(%1)").arg(b.sql);
        else if (b.type == VType::Date && a.type != VType::Date && a.type != VType::Number)
            a.sql = QStringLiteral("ora_to_date_any(%1)").arg(a.sql);
        const Expr &x = *e.args[0], &y = *e.args[1];
        // a CHAR column compares with a text literal blank-padded, as in Oracle
        if (a.charLength > 0 && y.kind == Expr::Str && !y.text.isEmpty())
            b.sql = literal(y.text.leftJustified(a.charLength, u' '));
        else if (b.charLength > 0 && x.kind == Expr::Str && !x.text.isEmpty())
            a.sql = literal(x.text.leftJustified(b.charLength, u' '));
        // so do two text literals ('AB' = 'AB  '), and two CHAR values
        if (x.kind == Expr::Str && y.kind == Expr::Str && !x.text.isEmpty() && !y.text.isEmpty()) {
            const qsizetype width = std::max(x.text.size(), y.text.size());
            a.sql = literal(x.text.leftJustified(width, u' '));
            b.sql = literal(y.text.leftJustified(width, u' '));
        } else if (a.charLength > 0 && b.charLength > 0 && a.charLength != b.charLength) {
            a.sql = QStringLiteral("rtrim(%1,' ')").arg(a.sql);
            b.sql = QStringLiteral("rtrim(%1,' ')").arg(b.sql);
        }
        // a number and a text compare as numbers: the text is converted
        // (ORA-01722 when it holds no number), as Oracle does
        if (a.type == VType::Number && b.type == VType::Text)
            b.sql = QStringLiteral("ora_to_number(%1)").arg(b.sql);
        else if (b.type == VType::Number && a.type == VType::Text)
            a.sql = QStringLiteral("ora_to_number(%1)").arg(a.sql);
        if ((a.type == VType::Clob || b.type == VType::Clob) && e.args[0]->kind != Expr::Null)
            fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected - got CLOB"));
        return {QStringLiteral("(%1 %2 %3)").arg(a.sql, op, b.sql), VType::Number, {}};
    }
    if (op == QLatin1String("+") || op == QLatin1String("-")) {
        if (a.type == VType::Date && b.type == VType::Date) {
            if (op == QLatin1String("+"))
                fail(QStringLiteral("ORA-00975: date + date not allowed"));
            return {QStringLiteral("ora_date_diff(%1,%2)").arg(a.sql, b.sql), VType::Number, {}};
        }
        if (a.type == VType::Date)
            return {QStringLiteral("ora_date_add(%1,%2%3)")
                        .arg(a.sql, op == QLatin1String("-") ? QStringLiteral("-") : QString(), b.sql),
                    VType::Date, {}};
        if (b.type == VType::Date) {
            if (op == QLatin1String("-"))
                fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected NUMBER got DATE"));
            return {QStringLiteral("ora_date_add(%1,%2)").arg(b.sql, a.sql), VType::Date, {}};
        }
        return {QStringLiteral("ora_arith('%1',%2,%3)").arg(op, a.sql, b.sql), VType::Number, {}};
    }
    if (op == QLatin1String("*"))
        return {QStringLiteral("ora_arith('*',%1,%2)").arg(a.sql, b.sql), VType::Number, {}};
    if (op == QLatin1String("/"))
        return {QStringLiteral("ora_arith('/',%1,%2)").arg(a.sql, b.sql), VType::Number, {}};
    fail(QStringLiteral("ORA-00936: missing expression (operator %1)").arg(op));
}

Translator::Gen Translator::name(const Expr &e, Scope *scope)
{
    const QStringList &p = e.parts;
    const int n = int(p.size());

    if (n == 2 && p[0].startsWith(u':')) {
        // :new.col / :old.col of a trigger body
        if (!m_trigger || !m_triggerTable)
            fail(QStringLiteral("ORA-01745: invalid host/bind variable name (%1)").arg(joined(p)));
        const ColumnInfo *c = m_triggerTable->column(p[1]);
        if (!c)
            fail(QStringLiteral("PLS-00049: bad bind variable '%1'").arg(joined(p)));
        const bool isNew = p[0] == QLatin1String(":NEW");
        if (!isNew && p[0] != QLatin1String(":OLD"))
            fail(QStringLiteral("PLS-00049: bad bind variable '%1'").arg(joined(p)));
        if (isNew && m_triggerEvent == 'D')
            return {QStringLiteral("NULL"), c->vtype(), {}};
        if (!isNew && m_triggerEvent == 'I')
            return {QStringLiteral("NULL"), c->vtype(), {}};
        ++m_triggerRowReads;
        if (isNew)
            return {m_triggerNewAsRow ? quote(c->name) : QStringLiteral("NEW.") + quote(c->name), c->vtype(), {}};
        return {QStringLiteral("OLD.") + quote(c->name), c->vtype(), {}};
    }

    if (n == 1) {
        const QString &w = p[0];
        // columns first: a table may have a column of any name
        for (Scope *s = scope; s; s = s->parent)
            for (const ScopeTable &t : s->tables)
                for (const OutColumn &c : t.cols)
                    if (c.name == w)
                        return {quote(w), c.type, {}, c.charLength};
        if (w == QLatin1String("SYSDATE") || w == QLatin1String("SYSTIMESTAMP") || w == QLatin1String("CURRENT_DATE"))
            return {QStringLiteral("ora_sysdate()"), VType::Date, {}};
        if (w == QLatin1String("USER"))
            return {QStringLiteral("ora_user()"), VType::Text, {}};
        if (w == QLatin1String("ROWID")) {
            const ScopeTable *only = nullptr;
            int count = 0;
            if (scope)
                for (const ScopeTable &t : scope->tables)
                    if (t.base) {
                        only = &t;
                        ++count;
                    }
            if (count == 0)
                fail(QStringLiteral("ORA-01446: cannot select ROWID from, or sample, a view"));
            if (count > 1)
                fail(QStringLiteral("ORA-00918: column ambiguously defined (ROWID)"));
            return {quote(only->qualifier) + QStringLiteral(".rowid"), VType::Rowid, only->owner + u'.' + only->table};
        }
        if (w == QLatin1String("ROWNUM")) // the row's number in the order the rows are taken
            return {QStringLiteral("row_number() OVER ()"), VType::Number, {}};
        if (w == QLatin1String("LEVEL"))
            unsupported(QStringLiteral("CONNECT BY (LEVEL)"));
        // not a column of any table in scope: a select-list alias in ORDER
        // BY, or an unknown name that SQLite reports. SQLite matches names
        // without regard to case; a quoted "code" is no column CODE in Oracle.
        for (Scope *s = scope; s; s = s->parent)
            for (const ScopeTable &t : s->tables)
                for (const OutColumn &c : t.cols)
                    if (c.name.compare(w, Qt::CaseInsensitive) == 0)
                        invalidIdentifier(p);
        return {quote(w), VType::Unknown, {}};
    }

    if (n == 2 || n == 3) {
        const QStringList qual = p.mid(0, n - 1);
        const QString &col = p[n - 1];
        if (const ScopeTable *t = findQualifier(scope, qual)) {
            if (col == QLatin1String("ROWID")) {
                if (!t->base)
                    fail(QStringLiteral("ORA-01446: cannot select ROWID from, or sample, a view"));
                return {quote(t->qualifier) + QStringLiteral(".rowid"), VType::Rowid, t->owner + u'.' + t->table};
            }
            for (const OutColumn &c : t->cols)
                if (c.name == col)
                    return {quote(t->qualifier) + u'.' + quote(col), c.type, {}, c.charLength};
            invalidIdentifier(p);
        }
        if (col == QLatin1String("NEXTVAL") || col == QLatin1String("CURRVAL")) {
            const QString owner = n == 3 ? p[0] : m_user;
            const QString seq = p[n - 2];
            if (!m_cat.userExists(owner))
                fail(QStringLiteral("ORA-02289: sequence does not exist (%1)").arg(joined(p.mid(0, n - 1))));
            if (col == QLatin1String("CURRVAL"))
                return {QStringLiteral("ora_currval(%1,%2)").arg(literal(owner), literal(seq)), VType::Number, {}};
            // each place naming NEXTVAL is numbered: a row that names the
            // sequence twice gets one number, as in Oracle
            return {QStringLiteral("ora_nextval(%1,%2,%3)").arg(literal(owner), literal(seq)).arg(++m_nextvalPlaces),
                    VType::Number, {}};
        }
        if (p[n - 2] == QLatin1String("PCKLOGPARAM") && col == QLatin1String("GETUSER")) {
            const QString owner = n == 3 ? p[0] : m_user;
            return engineFunction(e, owner, QStringLiteral("PCKLOGPARAM.GETUSER"), scope, joined(p));
        }
        invalidIdentifier(p);
    }
    invalidIdentifier(p);
}

Translator::Gen Translator::engineFunction(const Expr &e, const QString &owner, const QString &func, Scope *scope,
                                           const QString &shown)
{
    if (!m_cat.userExists(owner))
        fail(QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(shown));
    auto args = [&](int count) {
        if (int(e.args.size()) != count)
            fail(QStringLiteral("PLS-00306: wrong number or types of arguments in call to '%1'")
                     .arg(func.section(u'.', -1)));
        QStringList out;
        for (const ExprP &a : e.args)
            out << expr(*a, scope).sql;
        return out;
    };
    if (func == QLatin1String("GETSEQUENCE")) {
        const QStringList a = args(1);
        QString keyArgs;
        if (e.args[0]->kind == Expr::Str) {
            // a name that is also a table with a numeric key: the next number
            // also stays above the keys already in the table
            auto t = m_cat.table(owner, e.args[0]->text.toUpper());
            if (t && !t->dictionary && !t->keyColumn.isEmpty()) {
                m_schemas.insert(owner);
                keyArgs = QStringLiteral(",(SELECT max(%1) FROM %2)").arg(quote(t->keyColumn), t->sqlRef);
            }
        }
        return {QStringLiteral("ora_getsequence(%1,%2%3)").arg(literal(owner), a[0], keyArgs), VType::Number, {}};
    }
    if (func == QLatin1String("PCKLOGPARAM.INITPARAM")) {
        const QStringList a = args(1);
        return {QStringLiteral("ora_initparam(%1,%2)").arg(literal(owner), a[0]), VType::Unknown, {}};
    }
    if (func == QLatin1String("PCKLOGPARAM.GETUSER")) {
        args(0);
        return {QStringLiteral("ora_getuser(%1)").arg(literal(owner)), VType::Text, {}};
    }
    if (func == QLatin1String("ACTIVATELARGERB")) {
        const QStringList a = args(2);
        return {QStringLiteral("ora_activatelargerb(%1,%2,%3)").arg(literal(owner), a[0], a[1]), VType::Unknown, {}};
    }
    fail(QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(shown));
}

} // namespace oraembed
