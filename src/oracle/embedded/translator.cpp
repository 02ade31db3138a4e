#include "oracle/embedded/translator.h"

#include "base/moxerror.h"

#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace oraembed {

namespace {

[[noreturn]] void fail(const QString &msg) { throw EMoxError(msg); }

[[noreturn]] void unsupported(const QString &what)
{
    fail(QStringLiteral("ORA-03001: unimplemented feature: %1 is not supported by the embedded engine").arg(what));
}

QString joined(const QStringList &parts) { return parts.join(u'.'); }

bool isDateLike(VType t) { return t == VType::Date; }

} // namespace

VType ColumnInfo::vtype() const
{
    if (dataType == QLatin1String("NUMBER") || dataType == QLatin1String("FLOAT"))
        return VType::Number;
    if (dataType == QLatin1String("DATE"))
        return VType::Date;
    if (dataType == QLatin1String("CLOB") || dataType == QLatin1String("LONG"))
        return VType::Clob;
    if (dataType == QLatin1String("BLOB"))
        return VType::Blob;
    return VType::Text;
}

const ColumnInfo *TableInfo::column(const QString &n) const
{
    for (const ColumnInfo &c : columns)
        if (c.name == n)
            return &c;
    return nullptr;
}

Translator::Translator(CatalogLookup &catalog, QString user) : m_cat(catalog), m_user(std::move(user)) {}

QString Translator::quote(const QString &name)
{
    QString s = name;
    s.replace(u'"', QStringLiteral("\"\""));
    return u'"' + s + u'"';
}

QString Translator::literal(const QString &text)
{
    QString s = text;
    s.replace(u'\'', QStringLiteral("''"));
    return u'\'' + s + u'\'';
}

QString Translator::coerce(const QString &v, const ColumnInfo &c, const QString &owner, const QString &table)
{
    if (v == QLatin1String("NULL"))
        return v;
    const QString ref = literal(quote(owner) + u'.' + quote(table) + u'.' + quote(c.name));
    const QString &t = c.dataType;
    if (t == QLatin1String("VARCHAR2"))
        return QStringLiteral("ora_cv(%1,%2,%3)").arg(v).arg(c.length).arg(ref);
    if (t == QLatin1String("CHAR"))
        return QStringLiteral("ora_cc(%1,%2,%3)").arg(v).arg(c.length).arg(ref);
    if (t == QLatin1String("NUMBER") || t == QLatin1String("FLOAT"))
        return QStringLiteral("ora_cn(%1,%2,%3,%4)")
            .arg(v)
            .arg(t == QLatin1String("FLOAT") ? -1 : c.precision)
            .arg(t == QLatin1String("FLOAT") ? -1 : c.scale)
            .arg(ref);
    if (t == QLatin1String("DATE"))
        return QStringLiteral("ora_cd(%1,%2)").arg(v, ref);
    if (t == QLatin1String("CLOB") || t == QLatin1String("LONG"))
        return QStringLiteral("ora_ct(%1)").arg(v);
    return v;
}

[[noreturn]] void Translator::invalidIdentifier(const QStringList &parts) const
{
    QStringList q;
    for (const QString &p : parts)
        q << quote(p);
    fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(q.join(u'.')));
}

std::shared_ptr<const TableInfo> Translator::resolveTable(const QStringList &name, bool forWrite)
{
    std::shared_ptr<const TableInfo> t;
    if (name.size() == 1) {
        t = m_cat.table(m_user, name[0]);
        if (!t)
            t = m_cat.table(QStringLiteral("SYS"), name[0]);
    } else if (name.size() == 2) {
        if (name[0] == QLatin1String("SYS") || name[0] == QLatin1String("PUBLIC"))
            t = m_cat.table(QStringLiteral("SYS"), name[1]);
        else
            t = m_cat.table(name[0], name[1]);
    }
    if (!t)
        fail(QStringLiteral("ORA-00942: table or view does not exist (%1)").arg(joined(name)));
    if (forWrite && t->dictionary)
        fail(QStringLiteral("ORA-01031: insufficient privileges (%1 is a data dictionary view)").arg(joined(name)));
    if (forWrite && !t->viewQuery.isEmpty())
        fail(QStringLiteral("ORA-01732: data manipulation operation not legal on this view (%1)").arg(joined(name)));
    return t;
}

const Translator::ScopeTable *Translator::findQualifier(Scope *scope, const QStringList &qual, Scope **found) const
{
    for (Scope *s = scope; s; s = s->parent) {
        for (const ScopeTable &t : s->tables) {
            bool match = false;
            if (qual.size() == 1)
                match = t.qualifier == qual[0];
            else if (qual.size() == 2)
                match = t.base && t.owner == qual[0] && t.table == qual[1];
            if (match) {
                if (found)
                    *found = s;
                return &t;
            }
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- expressions

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
    case Expr::In: {
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
    case Expr::Case: {
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
    case Expr::List: {
        QStringList items;
        for (const ExprP &a : e.args)
            items << expr(*a, scope).sql;
        return {u'(' + items.join(QStringLiteral(", ")) + u')', VType::Unknown, {}};
    }
    }
    fail(QStringLiteral("ORA-00936: missing expression"));
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
                keyArgs = QStringLiteral(",%1,%2").arg(literal(t->sqlRef), literal(quote(t->keyColumn)));
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

Translator::Gen Translator::call(const Expr &e, Scope *scope)
{
    const QStringList &p = e.parts;
    const QString f = p.last();
    if (p.size() == 2) {
        if (p[0] == QLatin1String("PCKLOGPARAM"))
            return engineFunction(e, m_user, QStringLiteral("PCKLOGPARAM.") + f, scope, joined(p));
        return engineFunction(e, p[0], f, scope, joined(p));
    }
    if (p.size() == 3) {
        if (p[1] == QLatin1String("PCKLOGPARAM"))
            return engineFunction(e, p[0], QStringLiteral("PCKLOGPARAM.") + f, scope, joined(p));
        fail(QStringLiteral("PLS-00201: identifier '%1' must be declared").arg(joined(p)));
    }
    if (p.size() != 1)
        invalidIdentifier(p);

    if (f == QLatin1String("GETSEQUENCE") || f == QLatin1String("ACTIVATELARGERB"))
        return engineFunction(e, m_user, f, scope, f);

    const int n = int(e.args.size());
    auto need = [&](int lo, int hi) {
        if (n < lo || n > hi)
            fail(QStringLiteral("ORA-00909: invalid number of arguments (%1)").arg(f));
    };
    std::vector<Gen> a;
    if (e.starArg) {
        if (f != QLatin1String("COUNT"))
            fail(QStringLiteral("ORA-00936: missing expression (%1(*))").arg(f));
        return {QStringLiteral("count(*)"), VType::Number, {}};
    }
    for (const ExprP &x : e.args)
        a.push_back(expr(*x, scope));
    auto list = [&](size_t from = 0) {
        QStringList s;
        for (size_t i = from; i < a.size(); ++i)
            s << a[i].sql;
        return s.join(u',');
    };
    auto fn = [&](const char *sqlName, VType t) { return Gen{QString::fromLatin1(sqlName) + u'(' + list() + u')', t, {}}; };
    const QString distinct = e.distinct ? QStringLiteral("DISTINCT ") : QString();

    if (f == QLatin1String("COUNT") || f == QLatin1String("SUM") || f == QLatin1String("AVG")) {
        need(1, 1);
        return {f.toLower() + u'(' + distinct + a[0].sql + u')', VType::Number, {}};
    }
    if (f == QLatin1String("MAX") || f == QLatin1String("MIN")) {
        need(1, 1);
        return {f.toLower() + u'(' + distinct + a[0].sql + u')', a[0].type, {}};
    }
    if (e.distinct)
        fail(QStringLiteral("ORA-30482: DISTINCT option not allowed for this function (%1)").arg(f));
    if (f == QLatin1String("NVL")) {
        need(2, 2);
        // the second value takes the first one's type, converted whether it
        // is used or not: nvl(n, 'x') fails for every row, as in Oracle
        if (a[0].type == VType::Number && a[1].type == VType::Text)
            return {QStringLiteral("ora_nvl(%1,ora_to_number(%2))").arg(a[0].sql, a[1].sql), VType::Number, {}};
        if (a[0].type == VType::Text && a[1].type == VType::Number)
            return {QStringLiteral("coalesce(%1,ora_num_text(%2))").arg(a[0].sql, a[1].sql), VType::Text, {}};
        return {QStringLiteral("coalesce(%1)").arg(list()), a[0].type != VType::Unknown ? a[0].type : a[1].type, {}};
    }
    if (f == QLatin1String("COALESCE")) {
        need(1, 255);
        return {QStringLiteral("coalesce(%1,NULL)").arg(list()), a[0].type, {}};
    }
    if (f == QLatin1String("NVL2")) {
        need(3, 3);
        return {QStringLiteral("(CASE WHEN %1 IS NOT NULL THEN %2 ELSE %3 END)").arg(a[0].sql, a[1].sql, a[2].sql),
                a[1].type, {}};
    }
    if (f == QLatin1String("NULLIF")) {
        need(2, 2);
        return {QStringLiteral("nullif(%1)").arg(list()), a[0].type, {}};
    }
    if (f == QLatin1String("DECODE")) {
        need(3, 255);
        // the value and every search value compare in the type of the first
        // search value: decode(1, '1', ...) compares texts
        const VType searchType = a[1].type;
        QString value = a[0].sql;
        if (searchType == VType::Text && a[0].type == VType::Number)
            value = QStringLiteral("ora_num_text(%1)").arg(value);
        else if (searchType == VType::Number && a[0].type == VType::Text)
            value = QStringLiteral("ora_to_number(%1)").arg(value);
        QString s = QStringLiteral("(CASE");
        size_t i = 1;
        for (; i + 1 < a.size(); i += 2) {
            QString search = a[i].sql;
            if (searchType == VType::Number && a[i].type == VType::Text)
                search = QStringLiteral("ora_to_number(%1)").arg(search);
            else if (searchType == VType::Text && a[i].type == VType::Number)
                search = QStringLiteral("ora_num_text(%1)").arg(search);
            s += QStringLiteral(" WHEN %1 IS %2 THEN %3").arg(value, search, a[i + 1].sql);
        }
        if (i < a.size())
            s += QStringLiteral(" ELSE ") + a[i].sql;
        return {s + QStringLiteral(" END)"), a[2].type, {}};
    }
    if (f == QLatin1String("TO_CHAR")) {
        need(1, 2);
        const QString fmt = n > 1 ? a[1].sql : QStringLiteral("NULL");
        if (a[0].type == VType::Date)
            return {QStringLiteral("ora_to_char_date(%1,%2)").arg(a[0].sql, fmt), VType::Text, {}};
        if (a[0].type == VType::Number)
            return {QStringLiteral("ora_to_char_num(%1,%2)").arg(a[0].sql, fmt), VType::Text, {}};
        return {QStringLiteral("ora_to_char(%1,%2)").arg(a[0].sql, fmt), VType::Text, {}};
    }
    if (f == QLatin1String("TO_DATE")) {
        need(1, 2);
        return {QStringLiteral("ora_to_date(%1,%2)").arg(a[0].sql, n > 1 ? a[1].sql : QStringLiteral("NULL")),
                VType::Date, {}};
    }
    if (f == QLatin1String("TO_NUMBER")) {
        need(1, 1);
        return fn("ora_to_number", VType::Number);
    }
    if (f == QLatin1String("TRUNC") || f == QLatin1String("ROUND")) {
        need(1, 2);
        if (a[0].type == VType::Date) {
            if (f == QLatin1String("ROUND"))
                unsupported(QStringLiteral("ROUND of a date"));
            return {QStringLiteral("ora_trunc_date(%1,%2)").arg(a[0].sql, n > 1 ? a[1].sql : QStringLiteral("NULL")),
                    VType::Date, {}};
        }
        return {QStringLiteral("ora_%1(%2,%3)")
                    .arg(f.toLower(), a[0].sql, n > 1 ? a[1].sql : QStringLiteral("0")),
                VType::Number, {}};
    }
    if (f == QLatin1String("SUBSTR")) {
        need(2, 3);
        return fn("ora_substr", VType::Text);
    }
    if (f == QLatin1String("INSTR")) {
        need(2, 4);
        return fn("ora_instr", VType::Number);
    }
    if (f == QLatin1String("LENGTH")) {
        need(1, 1);
        return fn("ora_length", VType::Number);
    }
    if (f == QLatin1String("UPPER") || f == QLatin1String("LOWER") || f == QLatin1String("INITCAP")) {
        need(1, 1);
        return {QStringLiteral("ora_%1(%2)").arg(f.toLower(), a[0].sql), VType::Text, {}};
    }
    if (f == QLatin1String("LTRIM") || f == QLatin1String("RTRIM")) {
        need(1, 2);
        return {QStringLiteral("nullif(%1(%2),'')").arg(f.toLower(), list()), VType::Text, {}};
    }
    if (f == QLatin1String("TRIM")) {
        need(1, 1);
        return {QStringLiteral("nullif(trim(%1),'')").arg(a[0].sql), VType::Text, {}};
    }
    if (f == QLatin1String("LPAD") || f == QLatin1String("RPAD")) {
        need(2, 3);
        return {QStringLiteral("ora_%1(%2)").arg(f.toLower(), list()), VType::Text, {}};
    }
    if (f == QLatin1String("REPLACE")) {
        need(2, 3);
        return {QStringLiteral("ora_replace(%1,%2,%3)").arg(a[0].sql, a[1].sql, n > 2 ? a[2].sql : QStringLiteral("NULL")),
                VType::Text, {}};
    }
    if (f == QLatin1String("CONCAT")) {
        need(2, 2);
        return concat(a);
    }
    if (f == QLatin1String("CHR")) {
        need(1, 1);
        return fn("char", VType::Text);
    }
    if (f == QLatin1String("ASCII")) {
        need(1, 1);
        return fn("unicode", VType::Number);
    }
    if (f == QLatin1String("ABS")) {
        need(1, 1);
        return fn("abs", VType::Number);
    }
    if (f == QLatin1String("MOD")) {
        need(2, 2);
        return fn("ora_mod", VType::Number);
    }
    if (f == QLatin1String("SIGN")) {
        need(1, 1);
        return fn("sign", VType::Number);
    }
    if (f == QLatin1String("FLOOR") || f == QLatin1String("CEIL")) {
        need(1, 1);
        return {QStringLiteral("ora_%1(%2)").arg(f.toLower(), a[0].sql), VType::Number, {}};
    }
    if (f == QLatin1String("POWER")) {
        need(2, 2);
        return fn("pow", VType::Number);
    }
    if (f == QLatin1String("SQRT")) {
        need(1, 1);
        return fn("sqrt", VType::Number);
    }
    if (f == QLatin1String("GREATEST") || f == QLatin1String("LEAST")) {
        need(1, 255);
        if (n == 1)
            return a[0];
        return {QStringLiteral("%1(%2)").arg(f == QLatin1String("GREATEST") ? QStringLiteral("max")
                                                                               : QStringLiteral("min"),
                                            list()),
                a[0].type, {}};
    }
    if (f == QLatin1String("ADD_MONTHS")) {
        need(2, 2);
        return fn("ora_add_months", VType::Date);
    }
    if (f == QLatin1String("MONTHS_BETWEEN")) {
        need(2, 2);
        return fn("ora_months_between", VType::Number);
    }
    if (f == QLatin1String("TRANSLATE")) {
        need(3, 3);
        return fn("ora_translate", VType::Text);
    }
    if (f == QLatin1String("LAST_DAY")) {
        need(1, 1);
        return fn("ora_last_day", VType::Date);
    }
    if (f == QLatin1String("EMPTY_CLOB") || f == QLatin1String("EMPTY_BLOB")) {
        need(0, 0);
        return {f == QLatin1String("EMPTY_CLOB") ? QStringLiteral("''") : QStringLiteral("x''"),
                f == QLatin1String("EMPTY_CLOB") ? VType::Clob : VType::Blob, {}};
    }
    if (f == QLatin1String("SYSDATE")) {
        need(0, 0);
        return {QStringLiteral("ora_sysdate()"), VType::Date, {}};
    }
    static const QSet<QString> known = {
        QStringLiteral("LISTAGG"), QStringLiteral("REGEXP_LIKE"), QStringLiteral("REGEXP_SUBSTR"),
        QStringLiteral("REGEXP_REPLACE"), QStringLiteral("REGEXP_INSTR"),
        QStringLiteral("NEXT_DAY"), QStringLiteral("SOUNDEX"), QStringLiteral("ROW_NUMBER"),
        QStringLiteral("RANK"), QStringLiteral("DENSE_RANK"), QStringLiteral("SYS_GUID"), QStringLiteral("DUMP"),
        QStringLiteral("VSIZE"), QStringLiteral("EXTRACT"), QStringLiteral("CAST"), QStringLiteral("TO_TIMESTAMP"),
        QStringLiteral("STDDEV"), QStringLiteral("VARIANCE"), QStringLiteral("MEDIAN"), QStringLiteral("USERENV"),
        QStringLiteral("SYS_CONTEXT"), QStringLiteral("LNNVL"), QStringLiteral("WM_CONCAT"),
    };
    if (known.contains(f))
        unsupported(QStringLiteral("the function ") + f);
    fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(quote(f)));
}

// ---------------------------------------------------------------- queries

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
    bool onlyDual = b.from.size() == 1 && !b.from[0].sub
                    && (b.from[0].name == QStringList{QStringLiteral("DUAL")}
                        || b.from[0].name == QStringList{QStringLiteral("SYS"), QStringLiteral("DUAL")});
    for (const FromItem &f : b.from)
        s.tables.push_back(fromTable(f, parent));
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

    // which table of this block a name belongs to, or -1
    auto tableOf = [&](const Expr *n) -> int {
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
    };

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
            const int t = tableOf(m);
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

    // select list
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
        if (singleRow && limit < 0) // (ROWNUM limits the rows before the check would count them)
            g.sql = QStringLiteral("ora_single(%1)").arg(g.sql);
        items << g.sql + QStringLiteral(" AS ") + quote(colName);
        cols.push_back({colName, g.type});
    }
    if (b.distinct)
        for (const OutColumn &c : cols)
            if (c.type == VType::Clob)
                fail(QStringLiteral("ORA-00932: inconsistent datatypes: expected - got CLOB"));

    QString sql = QStringLiteral("SELECT ");
    if (b.distinct)
        sql += QStringLiteral("DISTINCT ");
    sql += items.join(QStringLiteral(", "));
    const qsizetype selectListEnd = sql.size();

    if (!onlyDual) {
        QString from;
        if (outerOn.empty()) {
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
        } else {
            // the tables joined as usual, then each outer-joined table after
            // the tables its conditions name
            std::set<int> placed;
            QStringList inner;
            for (size_t i = 0; i < s.tables.size(); ++i)
                if (!outerOn.count(int(i))) {
                    inner << s.tables[i].fromSql;
                    placed.insert(int(i));
                }
            if (inner.isEmpty())
                fail(QStringLiteral("ORA-01416: two tables cannot be outer-joined to each other"));
            from = inner.join(QStringLiteral(", "));
            std::map<int, std::vector<const Expr *>> pending = outerOn;
            while (!pending.empty()) {
                bool progress = false;
                for (auto it = pending.begin(); it != pending.end();) {
                    std::set<int> refs;
                    for (const Expr *c : it->second) {
                        std::vector<const Expr *> names;
                        collectNames(c, names, false);
                        for (const Expr *n : names) {
                            const int t = tableOf(n);
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
        }
        sql += QStringLiteral(" FROM ") + from;
    }
    if (!rest.empty()) {
        QStringList w;
        for (const Expr *c : rest)
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
    if (limit >= 0 && orderBy && !orderBy->empty()) {
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
        for (size_t k = 0; k < orderBy->size(); ++k) {
            const OrderItem &o = (*orderBy)[k];
            QString key;
            if (o.expr->kind == Expr::Num) {
                const int pos = o.expr->text.toInt();
                if (pos < 1 || pos > items.size())
                    fail(QStringLiteral("ORA-01785: ORDER BY item must be the number of a SELECT-list expression"));
                key = QStringLiteral("\"__c%1\"").arg(pos);
            } else {
                for (size_t i = 0; i < cols.size() && key.isEmpty(); ++i)
                    if (o.expr->kind == Expr::Name && o.expr->parts.size() == 1 && cols[i].name == o.expr->parts[0]
                        && tableOf(o.expr.get()) < 0)
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
        const QString rest = sql.mid(selectListEnd);
        // (materialized, so that SQLite takes the rows in their own order
        // rather than in the order the sort wants)
        return QStringLiteral("WITH \"__ROWNUM\" AS MATERIALIZED (SELECT %2%3 LIMIT %4) SELECT %1 FROM \"__ROWNUM\" "
                              "ORDER BY %5")
            .arg(outer.join(QStringLiteral(", ")), inner.join(QStringLiteral(", ")), rest)
            .arg(limit)
            .arg(keys.join(QStringLiteral(", ")));
    }
    if (orderBy && !orderBy->empty()) {
        // names that are no table's column are left to SQLite, which
        // matches them with the select-list aliases as Oracle does
        sql += QStringLiteral(" ORDER BY ") + orderText(*orderBy, &s);
    }
    if (limit >= 0)
        sql += QStringLiteral(" LIMIT %1").arg(limit);
    return sql;
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
    Scope empty;

    auto columnOf = [&](const QString &n) -> const ColumnInfo & {
        const ColumnInfo *c = info->column(n);
        if (!c)
            fail(QStringLiteral("ORA-00904: %1: invalid identifier").arg(quote(n)));
        return *c;
    };

    if (s.kind == Stmt::Insert) {
        t.dml = 'I';
        QStringList names = s.columns;
        if (names.isEmpty())
            for (const ColumnInfo &c : info->columns)
                names << c.name;
        QSet<QString> seen;
        for (const QString &n : names) {
            columnOf(n);
            if (seen.contains(n))
                fail(QStringLiteral("ORA-00957: duplicate column name (%1)").arg(n));
            seen.insert(n);
        }
        QStringList cols;
        for (const QString &n : names)
            cols << quote(n);
        QStringList defaults, defaultCols;
        for (const ColumnInfo &c : info->columns) {
            if (seen.contains(c.name))
                continue;
            if (!c.defaultSource.isEmpty()) {
                defaultCols << quote(c.name);
                defaults << defaultValue(c, *info);
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
                vals << coerce(g.sql, columnOf(names[int(i)]), info->owner, info->name);
            }
            t.sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                        .arg(info->sqlRef, (cols + defaultCols).join(u','), (vals + defaults).join(u','));
        } else {
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
                vals << coerce(src, columnOf(names[i]), info->owner, info->name);
            }
            t.sql = QStringLiteral("WITH \"__SRC\"(%1) AS (%2) INSERT INTO %3 (%4) SELECT %5 FROM \"__SRC\"")
                        .arg(srcCols.join(u','), q, info->sqlRef, (cols + defaultCols).join(u','),
                             (vals + defaults).join(u','));
        }
    } else if (s.kind == Stmt::Update) {
        t.dml = 'U';
        QStringList sets;
        QSet<QString> seen;
        for (const auto &[col, value] : s.sets) {
            const ColumnInfo &c = columnOf(col);
            if (seen.contains(col))
                fail(QStringLiteral("ORA-00957: duplicate column name (%1)").arg(col));
            seen.insert(col);
            const Gen g = expr(*value, &scope);
            sets << quote(col) + QStringLiteral(" = ") + coerce(g.sql, c, info->owner, info->name);
        }
        t.sql = QStringLiteral("UPDATE %1 AS %2 SET %3").arg(info->sqlRef, quote(st.qualifier), sets.join(u','));
        if (s.where)
            t.sql += QStringLiteral(" WHERE ") + expr(*s.where, &scope).sql;
    } else {
        t.dml = 'D';
        t.sql = QStringLiteral("DELETE FROM %1 AS %2").arg(info->sqlRef, quote(st.qualifier));
        if (s.where)
            t.sql += QStringLiteral(" WHERE ") + expr(*s.where, &scope).sql;
    }
    if (!s.returning.empty()) {
        QStringList ret{QStringLiteral("rowid")};
        for (size_t i = 0; i < s.returning.size(); ++i) {
            const Expr &e = *s.returning[i];
            ReturnTarget rt;
            rt.var = s.returnInto[int(i)];
            if (e.kind == Expr::Name && (e.parts.size() == 1 || (e.parts.size() == 2 && e.parts[0] == st.qualifier))) {
                const ColumnInfo &c = columnOf(e.parts.last());
                rt.column = c.name;
                rt.type = c.vtype();
                ret << quote(c.name);
            } else {
                const Gen g = expr(e, &scope);
                rt.type = g.type;
                ret << g.sql;
            }
            t.returning.push_back(rt);
        }
        t.sql += QStringLiteral(" RETURNING ") + ret.join(u',');
    }
    t.schemas = m_schemas;
    return t;
}

QString Translator::defaultValue(const ColumnInfo &c, const TableInfo &table)
{
    auto parsed = parseStatement(QStringLiteral("SELECT ") + c.defaultSource + QStringLiteral(" FROM DUAL"));
    Scope empty;
    const Gen g = expr(*parsed->query->terms[0].block->items[0].expr, &empty);
    return coerce(g.sql, c, table.owner, table.name);
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
