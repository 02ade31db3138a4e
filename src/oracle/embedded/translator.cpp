// The translator's catalog side: value kinds of column types, quoting of
// names and texts, the conversion a written value passes through for its
// column, and how table names and qualifiers resolve.
#include "oracle/embedded/translator_p.h"

namespace oraembed {

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

} // namespace oraembed
