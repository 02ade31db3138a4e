// Oracle's built-in functions in SQLite: aggregates, NULL handling,
// conversions, texts, numbers and dates.
#include "oracle/embedded/translator_p.h"

#include <optional>

namespace oraembed {

// A built-in function's name and translated arguments.
struct Translator::CallArgs {
    QString f;
    std::vector<Gen> a;
    int n = 0;

    void need(int lo, int hi) const
    {
        if (n < lo || n > hi)
            fail(QStringLiteral("ORA-00909: invalid number of arguments (%1)").arg(f));
    }
    // the arguments, separated by commas
    QString list() const
    {
        QStringList s;
        for (const Gen &g : a)
            s << g.sql;
        return s.join(u',');
    }
    // the engine's SQL function sqlName over all the arguments
    Gen fn(const char *sqlName, VType t) const
    {
        return Gen{QString::fromLatin1(sqlName) + u'(' + list() + u')', t, {}};
    }
};

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

    if (e.starArg) {
        if (f != QLatin1String("COUNT"))
            fail(QStringLiteral("ORA-00936: missing expression (%1(*))").arg(f));
        return {QStringLiteral("count(*)"), VType::Number, {}};
    }
    CallArgs c;
    c.f = f;
    c.n = int(e.args.size());
    for (const ExprP &x : e.args)
        c.a.push_back(expr(*x, scope));
    const std::vector<Gen> &a = c.a;
    const QString distinct = e.distinct ? QStringLiteral("DISTINCT ") : QString();

    if (f == QLatin1String("COUNT") || f == QLatin1String("SUM") || f == QLatin1String("AVG")) {
        c.need(1, 1);
        return {f.toLower() + u'(' + distinct + a[0].sql + u')', VType::Number, {}};
    }
    if (f == QLatin1String("MAX") || f == QLatin1String("MIN")) {
        c.need(1, 1);
        return {f.toLower() + u'(' + distinct + a[0].sql + u')', a[0].type, {}};
    }
    if (e.distinct)
        fail(QStringLiteral("ORA-30482: DISTINCT option not allowed for this function (%1)").arg(f));
    if (std::optional<Gen> g = nullFunction(c))
        return *g;
    if (std::optional<Gen> g = conversionFunction(c))
        return *g;
    if (std::optional<Gen> g = textFunction(c))
        return *g;
    if (std::optional<Gen> g = numberFunction(c))
        return *g;
    if (std::optional<Gen> g = dateFunction(c))
        return *g;
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

// NVL, COALESCE, NVL2, NULLIF and DECODE.
std::optional<Translator::Gen> Translator::nullFunction(const CallArgs &c)
{
    const QString &f = c.f;
    const std::vector<Gen> &a = c.a;
    if (f == QLatin1String("NVL")) {
        c.need(2, 2);
        // the second value takes the first one's type, converted whether it
        // is used or not: nvl(n, 'x') fails for every row, as in Oracle
        if (a[0].type == VType::Number && a[1].type == VType::Text)
            return Gen{QStringLiteral("ora_nvl(%1,ora_to_number(%2))").arg(a[0].sql, a[1].sql), VType::Number, {}};
        if (a[0].type == VType::Text && a[1].type == VType::Number)
            return Gen{QStringLiteral("coalesce(%1,ora_num_text(%2))").arg(a[0].sql, a[1].sql), VType::Text, {}};
        return Gen{QStringLiteral("coalesce(%1)").arg(c.list()), a[0].type != VType::Unknown ? a[0].type : a[1].type,
                      {}};
    }
    if (f == QLatin1String("COALESCE")) {
        c.need(1, 255);
        return Gen{QStringLiteral("coalesce(%1,NULL)").arg(c.list()), a[0].type, {}};
    }
    if (f == QLatin1String("NVL2")) {
        c.need(3, 3);
        return Gen{QStringLiteral("(CASE WHEN %1 IS NOT NULL THEN %2 ELSE %3 END)").arg(a[0].sql, a[1].sql, a[2].sql),
                   a[1].type, {}};
    }
    if (f == QLatin1String("NULLIF")) {
        c.need(2, 2);
        return Gen{QStringLiteral("nullif(%1)").arg(c.list()), a[0].type, {}};
    }
    if (f == QLatin1String("DECODE")) {
        c.need(3, 255);
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
        return Gen{s + QStringLiteral(" END)"), a[2].type, {}};
    }
    return std::nullopt;
}

// TO_CHAR, TO_DATE, TO_NUMBER, TRUNC and ROUND.
std::optional<Translator::Gen> Translator::conversionFunction(const CallArgs &c)
{
    const QString &f = c.f;
    const std::vector<Gen> &a = c.a;
    const int n = c.n;
    if (f == QLatin1String("TO_CHAR")) {
        c.need(1, 2);
        const QString fmt = n > 1 ? a[1].sql : QStringLiteral("NULL");
        if (a[0].type == VType::Date)
            return Gen{QStringLiteral("ora_to_char_date(%1,%2)").arg(a[0].sql, fmt), VType::Text, {}};
        if (a[0].type == VType::Number)
            return Gen{QStringLiteral("ora_to_char_num(%1,%2)").arg(a[0].sql, fmt), VType::Text, {}};
        return Gen{QStringLiteral("ora_to_char(%1,%2)").arg(a[0].sql, fmt), VType::Text, {}};
    }
    if (f == QLatin1String("TO_DATE")) {
        c.need(1, 2);
        return Gen{QStringLiteral("ora_to_date(%1,%2)").arg(a[0].sql, n > 1 ? a[1].sql : QStringLiteral("NULL")),
                   VType::Date, {}};
    }
    if (f == QLatin1String("TO_NUMBER")) {
        c.need(1, 1);
        return c.fn("ora_to_number", VType::Number);
    }
    if (f == QLatin1String("TRUNC") || f == QLatin1String("ROUND")) {
        c.need(1, 2);
        if (a[0].type == VType::Date) {
            if (f == QLatin1String("ROUND"))
                unsupported(QStringLiteral("ROUND of a date"));
            return Gen{QStringLiteral("ora_trunc_date(%1,%2)").arg(a[0].sql, n > 1 ? a[1].sql : QStringLiteral("NULL")),
                       VType::Date, {}};
        }
        return Gen{QStringLiteral("ora_%1(%2,%3)")
                       .arg(f.toLower(), a[0].sql, n > 1 ? a[1].sql : QStringLiteral("0")),
                   VType::Number, {}};
    }
    return std::nullopt;
}

// Functions of texts, and the empty LOBs.
std::optional<Translator::Gen> Translator::textFunction(const CallArgs &c)
{
    const QString &f = c.f;
    const std::vector<Gen> &a = c.a;
    const int n = c.n;
    if (f == QLatin1String("SUBSTR")) {
        c.need(2, 3);
        return c.fn("ora_substr", VType::Text);
    }
    if (f == QLatin1String("INSTR")) {
        c.need(2, 4);
        return c.fn("ora_instr", VType::Number);
    }
    if (f == QLatin1String("LENGTH")) {
        c.need(1, 1);
        return c.fn("ora_length", VType::Number);
    }
    if (f == QLatin1String("UPPER") || f == QLatin1String("LOWER") || f == QLatin1String("INITCAP")) {
        c.need(1, 1);
        return Gen{QStringLiteral("ora_%1(%2)").arg(f.toLower(), a[0].sql), VType::Text, {}};
    }
    if (f == QLatin1String("LTRIM") || f == QLatin1String("RTRIM")) {
        c.need(1, 2);
        return Gen{QStringLiteral("nullif(%1(%2),'')").arg(f.toLower(), c.list()), VType::Text, {}};
    }
    if (f == QLatin1String("TRIM")) {
        c.need(1, 1);
        return Gen{QStringLiteral("nullif(trim(%1),'')").arg(a[0].sql), VType::Text, {}};
    }
    if (f == QLatin1String("LPAD") || f == QLatin1String("RPAD")) {
        c.need(2, 3);
        return Gen{QStringLiteral("ora_%1(%2)").arg(f.toLower(), c.list()), VType::Text, {}};
    }
    if (f == QLatin1String("REPLACE")) {
        c.need(2, 3);
        return Gen{
            QStringLiteral("ora_replace(%1,%2,%3)").arg(a[0].sql, a[1].sql, n > 2 ? a[2].sql : QStringLiteral("NULL")),
            VType::Text, {}};
    }
    if (f == QLatin1String("CONCAT")) {
        c.need(2, 2);
        return concat(a);
    }
    if (f == QLatin1String("CHR")) {
        c.need(1, 1);
        return c.fn("char", VType::Text);
    }
    if (f == QLatin1String("ASCII")) {
        c.need(1, 1);
        return c.fn("unicode", VType::Number);
    }
    if (f == QLatin1String("TRANSLATE")) {
        c.need(3, 3);
        return c.fn("ora_translate", VType::Text);
    }
    if (f == QLatin1String("EMPTY_CLOB") || f == QLatin1String("EMPTY_BLOB")) {
        c.need(0, 0);
        return Gen{f == QLatin1String("EMPTY_CLOB") ? QStringLiteral("''") : QStringLiteral("x''"),
                   f == QLatin1String("EMPTY_CLOB") ? VType::Clob : VType::Blob, {}};
    }
    return std::nullopt;
}

// Functions of numbers, and GREATEST and LEAST.
std::optional<Translator::Gen> Translator::numberFunction(const CallArgs &c)
{
    const QString &f = c.f;
    const std::vector<Gen> &a = c.a;
    const int n = c.n;
    if (f == QLatin1String("ABS")) {
        c.need(1, 1);
        return c.fn("abs", VType::Number);
    }
    if (f == QLatin1String("MOD")) {
        c.need(2, 2);
        return c.fn("ora_mod", VType::Number);
    }
    if (f == QLatin1String("SIGN")) {
        c.need(1, 1);
        return c.fn("sign", VType::Number);
    }
    if (f == QLatin1String("FLOOR") || f == QLatin1String("CEIL")) {
        c.need(1, 1);
        return Gen{QStringLiteral("ora_%1(%2)").arg(f.toLower(), a[0].sql), VType::Number, {}};
    }
    if (f == QLatin1String("POWER")) {
        c.need(2, 2);
        return c.fn("pow", VType::Number);
    }
    if (f == QLatin1String("SQRT")) {
        c.need(1, 1);
        return c.fn("sqrt", VType::Number);
    }
    if (f == QLatin1String("GREATEST") || f == QLatin1String("LEAST")) {
        c.need(1, 255);
        if (n == 1)
            return a[0];
        return Gen{QStringLiteral("%1(%2)").arg(f == QLatin1String("GREATEST") ? QStringLiteral("max")
                                                                                  : QStringLiteral("min"),
                                               c.list()),
                   a[0].type, {}};
    }
    return std::nullopt;
}

// Functions of dates.
std::optional<Translator::Gen> Translator::dateFunction(const CallArgs &c)
{
    const QString &f = c.f;
    if (f == QLatin1String("ADD_MONTHS")) {
        c.need(2, 2);
        return c.fn("ora_add_months", VType::Date);
    }
    if (f == QLatin1String("MONTHS_BETWEEN")) {
        c.need(2, 2);
        return c.fn("ora_months_between", VType::Number);
    }
    if (f == QLatin1String("LAST_DAY")) {
        c.need(1, 1);
        return c.fn("ora_last_day", VType::Date);
    }
    if (f == QLatin1String("SYSDATE")) {
        c.need(0, 0);
        return Gen{QStringLiteral("ora_sysdate()"), VType::Date, {}};
    }
    return std::nullopt;
}

} // namespace oraembed
