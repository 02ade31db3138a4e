#pragma once
// What the parts of the table object share: the state behind TApolloDataSet
// and a few small helpers for paths and field texts.
#include "dbf/apollo.h"

#include "dbf/cdx/cdx.h"
#include "dbf/dbfexpr.h"
#include "dbf/dbfio.h"
#include "dbf/dbftable.h"
#include "base/paths.h"

#include <QDir>

#include <cstring>
#include <map>

namespace apollodetail {

inline QString native(const QString &p) { return QDir::toNativeSeparators(p); }

// A name whose last part has no extension (or only a trailing point) gets ext.
inline QString withExtension(const QString &path, const QString &ext)
{
    QString p = moxpath::native(path.trimmed());
    const qsizetype sep = moxpath::lastSeparator(p);
    QString name = p.mid(sep + 1);
    if (name.contains(QLatin1Char('.')) && !name.endsWith(QLatin1Char('.')))
        return p;
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return p.left(sep + 1) + name + ext;
}

// True when the bytes hold only blanks (or NULs).
inline bool isBlank(const char *p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (p[i] != ' ' && p[i] != '\0')
            return false;
    }
    return true;
}

} // namespace apollodetail

struct TApolloDataSet::Impl {
    using Field = dbfformat::Field;

    std::shared_ptr<dbfio::FileSystem> fs = dbfio::osFileSystem();
    std::unique_ptr<DbfTable> table;
    QVector<TApolloFieldInfo> infos;
    QVector<bool> rawBlob;

    enum class Mode { Browse, Insert, Edit } mode = Mode::Browse;
    quint32 recno = 0;   // current physical record, 0 when none
    bool eof = true;
    QByteArray buf;      // the record being inserted or changed
    QByteArray original; // the record as it was before Edit
    std::map<int, QByteArray> memoNew; // memo texts assigned in Insert/Edit
    QByteArray blank;    // an empty record, read while there is no current one

    // Active order
    CdxIndex order;
    dbfexpr::KeyExpression keyExpr;
    QString indexPath;
    bool orderSynced = true; // the index position is on the current record
    // Known to hold no record marked deleted (found while building the index,
    // kept by appends, lost by Delete): index moves then need not read records.
    bool noneDeleted = false;

    // Table creation
    bool creating = false;
    QString createPath;
    QVector<Field> createFields;
    QString lastError;

    QString tablePath() const { return table ? table->path() : QString(); }

    [[noreturn]] void fail(const QString &what) const
    {
        if (table)
            throw EMoxError(QStringLiteral("%1: %2").arg(apollodetail::native(table->path()), what));
        throw EMoxError(what);
    }

    void checkActive() const
    {
        if (!table)
            throw EMoxError(QStringLiteral("Tabela ni odprta"));
    }

    const char *current()
    {
        if (mode != Mode::Browse)
            return buf.constData();
        if (recno == 0)
            return blank.constData();
        return table->record(recno);
    }

    // A field of the open table; a field object kept past Close (or from
    // another table's layout) raises instead of reading freed memory.
    const Field &field(int i) const
    {
        checkActive();
        if (i < 0 || i >= table->fields().size())
            fail(QStringLiteral("polje %1 ne obstaja").arg(i + 1));
        return table->fields().at(i);
    }

    bool isDeleted(quint32 r) { return !noneDeleted && table->record(r)[0] == dbfformat::kDeletedFlag; }

    QByteArray newRecord() const
    {
        QByteArray r(table->recordLength(), ' ');
        for (const Field &f : table->fields()) {
            if (f.type == 'I' || ((f.type == 'M' || f.type == 'G' || f.type == 'P') && f.width == 4))
                std::memset(r.data() + f.offset, 0, size_t(f.width));
        }
        return r;
    }
};
