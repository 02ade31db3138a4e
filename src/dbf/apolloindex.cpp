#include "dbf/apollo_p.h"

#include "base/text.h"

using dbfformat::Field;
using namespace apollodetail;

// ---------------------------------------------------------------- index and seek

void TApolloDataSet::Index(const QString &indexFile, const QString &expression, const QString &condition,
                           bool unique, int options)
{
    Q_UNUSED(options);
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (!condition.trimmed().isEmpty())
        d->fail(QStringLiteral("indeks s pogojem (%1) ni podprt").arg(condition));
    if (unique)
        d->fail(QStringLiteral("enolični indeks ni podprt"));
    dbfexpr::KeyExpression e = dbfexpr::parseExpression(expression, d->table->fields());
    const QString path = d->fs->resolveCase(withExtension(indexFile, QStringLiteral(".CDX")));

    DbfTable &t = *d->table;
    const quint32 n = t.recordCount();
    bool noneDeleted = true;
    const auto collectKeys = [&] {
        std::vector<std::pair<QByteArray, quint32>> keys;
        keys.reserve(n);
        noneDeleted = true;
        for (quint32 r = 1; r <= n; ++r) {
            const char *rec = t.record(r);
            noneDeleted = noneDeleted && rec[0] != dbfformat::kDeletedFlag;
            keys.emplace_back(e.key(rec), r);
        }
        return keys;
    };
    // Only one handle may work on an index file: the old order goes first.
    d->order.close();
    d->keyExpr = dbfexpr::KeyExpression();
    d->indexPath.clear();
    auto keys = collectKeys();
    try {
        d->order = CdxIndex::build(path, e.tagName, e.indexText, e.keyLength, std::move(keys));
    } catch (const EMoxError &damaged) {
        // An index file holds nothing that the table cannot give again: one
        // that cannot take the new tag (damaged, or not an index at all) is
        // replaced by a new file. When it cannot be removed, its error stands.
        if (!QFileInfo::exists(path) || !QFile::remove(path))
            throw;
        qWarning("%s", qUtf8Printable(QStringLiteral("%1 (datoteka indeksa je narejena na novo)").arg(damaged.message())));
        d->order = CdxIndex::build(path, e.tagName, e.indexText, e.keyLength, collectKeys());
    }
    d->keyExpr = e;
    d->indexPath = path;
    d->noneDeleted = noneDeleted;
    First();
}

bool TApolloDataSet::Seek(const QString &text)
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (!d->order.isOpen())
        d->fail(QStringLiteral("iskanje brez aktivnega indeksa"));
    QByteArray prefix = moxtext::toCp1250(text);
    // Blanks past the key's width are the key's own padding.
    if (prefix.size() > d->keyExpr.keyLength && isBlank(prefix.constData() + d->keyExpr.keyLength,
                                                        int(prefix.size()) - d->keyExpr.keyLength))
        prefix.truncate(d->keyExpr.keyLength);
    return seekBytes(prefix);
}

bool TApolloDataSet::SeekFields(const QStringList &values)
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (!d->order.isOpen())
        d->fail(QStringLiteral("iskanje brez aktivnega indeksa"));
    QList<QByteArray> bytes;
    bytes.reserve(values.size());
    for (const QString &v : values)
        bytes << moxtext::toCp1250(v);
    QByteArray prefix;
    if (!d->keyExpr.leadingKey(bytes, prefix)) {
        // No key can hold these values: not found, positioned past the end.
        d->eof = true;
        d->orderSynced = false;
        return false;
    }
    return seekBytes(prefix);
}

bool TApolloDataSet::SeekExact(const QString &text)
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (!d->order.isOpen())
        d->fail(QStringLiteral("iskanje brez aktivnega indeksa"));
    QByteArray key = moxtext::toCp1250(text);
    const int n = d->keyExpr.keyLength;
    if (key.size() > n) {
        if (!isBlank(key.constData() + n, int(key.size()) - n)) {
            d->eof = true;
            d->orderSynced = false;
            return false;
        }
        key.truncate(n);
    }
    key.append(n - int(key.size()), ' ');
    return seekBytes(key);
}

bool TApolloDataSet::seekBytes(const QByteArray &prefix)
{
    quint32 r = d->order.seekPrefix(prefix);
    while (r != 0 && !ShowDeleted && d->isDeleted(r)) {
        r = d->order.next();
        if (r != 0 && !d->keyExpr.key(d->table->record(r)).startsWith(prefix))
            r = 0;
    }
    d->orderSynced = true;
    if (r == 0) {
        d->eof = true;
        return false;
    }
    d->recno = r;
    d->eof = false;
    return true;
}

void TApolloDataSet::CloseIndex()
{
    d->order.close();
    d->keyExpr = dbfexpr::KeyExpression();
    d->indexPath.clear();
    d->orderSynced = true;
}

bool TApolloDataSet::HasIndex() const { return d->order.isOpen(); }

QString TApolloDataSet::IndexExpression() const { return d->keyExpr.text; }
