#include "dbf/apollo_p.h"

#include "dbf/binio.h"
#include "base/text.h"

#include <QFile>
#include <QFileInfo>

using dbfformat::Field;
using namespace apollodetail;

// ---------------------------------------------------------------- TApolloDataSet

TApolloDataSet::TApolloDataSet() : d(std::make_unique<Impl>()) {}

TApolloDataSet::~TApolloDataSet()
{
    try {
        setActive(false);
    } catch (const EMoxError &e) {
        qWarning("%s", e.what());
    }
}

void TApolloDataSet::setFileSystem(std::shared_ptr<dbfio::FileSystem> fs) { d->fs = std::move(fs); }

QString TApolloDataSet::resolvedPath() const
{
    return d->fs->resolveCase(withExtension(TableName, QStringLiteral(".DBF")));
}

DbfTable *TApolloDataSet::engine() const { return d->table.get(); }

bool TApolloDataSet::Active() const { return d->table != nullptr; }

void TApolloDataSet::setActive(bool on)
{
    if (on == Active())
        return;
    if (on) {
        if (TableName.trimmed().isEmpty())
            throw EMoxError(QStringLiteral("Ime tabele ni podano"));
        d->creating = false;
        auto table = DbfTable::open(d->fs, resolvedPath(), Exclusive, ReadOnly);
        d->infos.clear();
        for (const Field &f : table->fields())
            d->infos.append({f.name, QChar::fromLatin1(f.type), f.width, f.decimals});
        d->rawBlob = QVector<bool>(d->infos.size(), false);
        d->blank = QByteArray(table->recordLength(), ' ');
        d->table = std::move(table);
        d->blank = d->newRecord();
        d->mode = TApolloDataSet::Impl::Mode::Browse;
        First();
        return;
    }
    // Closing: a filled record that was never posted is kept, as moving to
    // another record would keep it; the files are released even when writing fails.
    std::unique_ptr<DbfTable> table;
    try {
        if (d->mode != TApolloDataSet::Impl::Mode::Browse)
            Post();
    } catch (...) {
        d->mode = TApolloDataSet::Impl::Mode::Browse;
        d->order.close();
        table = std::move(d->table);
        table->close();
        throw;
    }
    d->order.close();
    d->keyExpr = dbfexpr::KeyExpression();
    d->indexPath.clear();
    d->noneDeleted = false;
    d->recno = 0;
    d->eof = true;
    d->memoNew.clear();
    d->infos.clear();
    d->rawBlob.clear();
    table = std::move(d->table);
    table->close();
}

void TApolloDataSet::Zap()
{
    d->checkActive();
    Cancel();
    d->table->zap();
    if (d->order.isOpen())
        d->order.clear();
    d->noneDeleted = true;
    d->recno = 0;
    d->eof = true;
    d->orderSynced = true;
}

void TApolloDataSet::Insert() { Append(); }

void TApolloDataSet::Append()
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (d->table->readOnly())
        d->fail(QStringLiteral("tabela je odprta samo za branje"));
    d->buf = d->newRecord();
    d->memoNew.clear();
    d->mode = TApolloDataSet::Impl::Mode::Insert;
}

void TApolloDataSet::Edit()
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (d->table->readOnly())
        d->fail(QStringLiteral("tabela je odprta samo za branje"));
    if (d->recno == 0)
        d->fail(QStringLiteral("ni trenutnega zapisa za popravljanje"));
    d->buf = QByteArray(d->table->record(d->recno), d->table->recordLength());
    d->original = d->buf;
    d->memoNew.clear();
    d->mode = TApolloDataSet::Impl::Mode::Edit;
}

void TApolloDataSet::Post()
{
    d->checkActive();
    if (d->mode == TApolloDataSet::Impl::Mode::Browse)
        d->fail(QStringLiteral("tabela ni v načinu vnosa ali popravljanja"));
    DbfTable &t = *d->table;
    const QVector<Field> &fields = t.fields();
    const bool inserting = d->mode == TApolloDataSet::Impl::Mode::Insert;
    // Memo texts first, so that the record points at blocks that exist.
    for (const auto &[idx, bytes] : d->memoNew) {
        const Field &f = fields.at(idx);
        quint32 old = 0;
        if (!inserting)
            dbfformat::decodeMemoPointer(d->original.constData() + f.offset, f.width, old);
        if (!t.memo())
            d->fail(QStringLiteral("polje %1: tabela nima datoteke zapiskov").arg(f.name));
        const quint32 block = t.memo()->write(old, bytes, f.type == 'M' ? dbfformat::kMemoTypeText
                                                                        : dbfformat::kMemoTypePicture);
        dbfformat::encodeMemoPointer(block, d->buf.data() + f.offset, f.width);
    }
    d->memoNew.clear();
    d->mode = TApolloDataSet::Impl::Mode::Browse;
    if (inserting) {
        const quint32 r = t.append(d->buf.constData());
        d->recno = r;
        d->eof = false;
        if (d->order.isOpen()) {
            d->order.insert(d->keyExpr.key(d->buf.constData()), r);
            d->orderSynced = false;
        }
        return;
    }
    t.update(d->recno, d->buf.constData());
    if (d->order.isOpen() && d->keyExpr.key(d->buf.constData()) != d->keyExpr.key(d->original.constData())) {
        // The index file can only take new keys; a changed key rebuilds the tag.
        const quint32 keep = d->recno;
        Index(d->indexPath, d->keyExpr.text);
        d->recno = keep;
        d->eof = false;
        d->orderSynced = false;
    }
}

void TApolloDataSet::Cancel()
{
    d->mode = TApolloDataSet::Impl::Mode::Browse;
    d->memoNew.clear();
}

void TApolloDataSet::Delete()
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (d->recno == 0 || d->eof)
        d->fail(QStringLiteral("ni trenutnega zapisa za brisanje"));
    QByteArray rec(d->table->record(d->recno), d->table->recordLength());
    rec[0] = dbfformat::kDeletedFlag;
    d->table->update(d->recno, rec.constData());
    d->noneDeleted = false;
}

void TApolloDataSet::Commit()
{
    d->checkActive();
    d->table->commit();
    if (d->order.isOpen())
        d->order.flush();
}

TApolloField TApolloDataSet::FieldByName(const QString &name)
{
    d->checkActive();
    const int i = FieldIndex(name);
    if (i < 0)
        d->fail(QStringLiteral("polje %1 ne obstaja").arg(name));
    return TApolloField(this, i);
}

int TApolloDataSet::FieldCount() const { return d->infos.size(); }

const TApolloFieldInfo &TApolloDataSet::FieldInfo(int index) const
{
    if (index < 0 || index >= d->infos.size())
        d->fail(QStringLiteral("polje %1 ne obstaja (polj je %2)").arg(index + 1).arg(d->infos.size()));
    return d->infos.at(index);
}

int TApolloDataSet::FieldIndex(const QString &name) const
{
    const QString n = name.trimmed();
    for (int i = 0; i < d->infos.size(); ++i) {
        if (d->infos.at(i).name.compare(n, Qt::CaseInsensitive) == 0)
            return i;
    }
    // Field names hold ten characters: a longer column name finds the field
    // that was created from it.
    if (n.size() > dbfformat::kMaxFieldNameLength) {
        const QString cut = n.left(dbfformat::kMaxFieldNameLength);
        for (int i = 0; i < d->infos.size(); ++i) {
            if (d->infos.at(i).name.compare(cut, Qt::CaseInsensitive) == 0)
                return i;
        }
    }
    return -1;
}

void TApolloDataSet::First()
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    quint32 r = 0;
    if (d->order.isOpen()) {
        r = d->order.first();
        while (r != 0 && !ShowDeleted && d->isDeleted(r))
            r = d->order.next();
        d->orderSynced = true;
    } else {
        const quint32 n = d->table->recordCount();
        r = 1;
        while (r <= n && !ShowDeleted && d->isDeleted(r))
            ++r;
        if (r > n)
            r = 0;
    }
    d->recno = r;
    d->eof = r == 0;
}

void TApolloDataSet::Next()
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    if (d->eof)
        return;
    quint32 r = 0;
    if (d->order.isOpen()) {
        if (!d->orderSynced) {
            // Find the current record's entry again (after an insert or a jump).
            const QByteArray key = d->keyExpr.key(d->table->record(d->recno));
            quint32 x = d->order.seekPrefix(key);
            while (x != 0 && x != d->recno)
                x = d->order.next();
            d->orderSynced = true;
            if (x == 0) {
                d->eof = true;
                return;
            }
        }
        r = d->order.next();
        while (r != 0 && !ShowDeleted && d->isDeleted(r))
            r = d->order.next();
    } else {
        const quint32 n = d->table->recordCount();
        r = d->recno + 1;
        while (r <= n && !ShowDeleted && d->isDeleted(r))
            ++r;
        if (r > n)
            r = 0;
    }
    if (r == 0)
        d->eof = true; // the last record stays current
    else
        d->recno = r;
}

bool TApolloDataSet::Eof() const { return !d->table || d->eof; }

int TApolloDataSet::RecordCount() const { return d->table ? int(d->table->recordCount()) : 0; }

int TApolloDataSet::RecNo() const { return int(d->recno); }

void TApolloDataSet::Go(int recNo)
{
    d->checkActive();
    if (d->mode != TApolloDataSet::Impl::Mode::Browse)
        Post();
    d->table->record(quint32(recNo)); // raises when the record does not exist
    d->recno = quint32(recNo);
    d->eof = false;
    d->orderSynced = false;
}

bool TApolloDataSet::Deleted() const
{
    if (!d->table || d->recno == 0)
        return false;
    return d->isDeleted(d->recno);
}

bool TApolloDataSet::CreateNew(const QString &path, int tableType, int fieldCount)
{
    Q_UNUSED(tableType);
    d->creating = false;
    d->createFields.clear();
    d->lastError.clear();
    try {
        setActive(false);
    } catch (const EMoxError &e) {
        d->lastError = e.message();
        return false;
    }
    if (path.trimmed().isEmpty()) {
        d->lastError = QStringLiteral("Ime tabele ni podano");
        return false;
    }
    const QString p = withExtension(path, QStringLiteral(".DBF"));
    const QFileInfo fi(p);
    if (!QFileInfo(fi.absolutePath()).isDir() && !d->fs->exists(p)) {
        // A folder that does not exist cannot take the file (a memory file
        // system has no folders, so an existing file there is enough).
        if (dynamic_cast<dbfio::MemoryFileSystem *>(d->fs.get()) == nullptr) {
            d->lastError = QStringLiteral("Mapa %1 ne obstaja").arg(native(fi.absolutePath()));
            return false;
        }
    }
    d->createPath = d->fs->resolveCase(p);
    d->createFields.reserve(qMax(0, fieldCount));
    d->creating = true;
    return true;
}

void TApolloDataSet::CreateField(const QString &name, const QString &type, int width, int decimals)
{
    if (!d->creating)
        throw EMoxError(QStringLiteral("Polja ni mogoče dodati: tabela se ne ustvarja (CreateNew manjka)"));
    const QString n = moxtext::upperAZ(name.trimmed());
    const auto failField = [&](const QString &why) {
        throw EMoxError(QStringLiteral("%1: polje %2: %3").arg(native(d->createPath), name, why));
    };
    if (n.isEmpty())
        failField(QStringLiteral("ime polja je prazno"));
    if (!(n.at(0) >= u'A' && n.at(0) <= u'Z'))
        failField(QStringLiteral("ime polja se mora začeti s črko"));
    for (QChar c : n) {
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'))
            failField(QStringLiteral("ime polja sme imeti le črke, števke in '_'"));
    }
    // Names hold ten characters; a longer (Oracle) name is cut, and found again
    // by FieldByName under its full name.
    const QString stored = n.left(dbfformat::kMaxFieldNameLength);
    for (const Field &f : d->createFields) {
        if (f.name == stored)
            failField(QStringLiteral("polje z imenom %1 že obstaja").arg(stored));
    }
    if (d->createFields.size() >= dbfformat::kMaxFields)
        failField(QStringLiteral("tabela ima lahko največ %1 polj").arg(dbfformat::kMaxFields));
    const QString t = type.trimmed().toUpper();
    Field f;
    f.name = stored;
    f.type = t.size() == 1 ? char(t.at(0).toLatin1()) : '?';
    f.decimals = 0;
    switch (f.type) {
    case 'C':
        if (width <= 0 || width > 255)
            failField(QStringLiteral("širina %1 ni v mejah 1..255").arg(width));
        f.width = width;
        break;
    case 'M':
        f.width = dbfformat::kMemoPointerWidth;
        break;
    case 'D':
        f.width = dbfformat::kDateWidth;
        break;
    case 'L':
        f.width = 1;
        break;
    case 'N':
    case 'F':
        if (width <= 0 || width > 20)
            failField(QStringLiteral("širina %1 ni v mejah 1..20").arg(width));
        if (decimals < 0 || (decimals > 0 && decimals > width - 2))
            failField(QStringLiteral("decimalk %1 ni mogoče zapisati v širino %2").arg(decimals).arg(width));
        f.width = width;
        f.decimals = decimals;
        break;
    default:
        failField(QStringLiteral("vrsta polja '%1' ni podprta (C, M, D, N, F, L)").arg(type));
    }
    d->createFields.append(f);
}

bool TApolloDataSet::CreateExec()
{
    if (!d->creating) {
        d->lastError = QStringLiteral("Tabela se ne ustvarja (CreateNew manjka)");
        return false;
    }
    d->creating = false;
    try {
        DbfTable::create(*d->fs, d->createPath, d->createFields);
    } catch (const EMoxError &e) {
        d->lastError = e.message();
        return false;
    }
    d->createFields.clear();
    return true;
}

QString TApolloDataSet::LastError() const { return d->lastError; }

void TApolloDataSet::setBlobTypeRaw(const QString &fieldName, bool raw)
{
    d->checkActive();
    const int i = FieldIndex(fieldName);
    if (i < 0)
        d->fail(QStringLiteral("polje %1 ne obstaja").arg(fieldName));
    d->rawBlob[i] = raw;
}
