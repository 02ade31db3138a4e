#include "dbf/apollo.h"

#include "dbf/binio.h"
#include "dbf/cdx/cdx.h"
#include "dbf/dbfexpr.h"
#include "dbf/dbfio.h"
#include "dbf/dbftable.h"
#include "base/paths.h"
#include "base/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <map>

using dbfformat::Field;

namespace {

QString native(const QString &p) { return QDir::toNativeSeparators(p); }

// A name whose last part has no extension (or only a trailing point) gets ext.
QString withExtension(const QString &path, const QString &ext)
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

bool isBlank(const char *p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (p[i] != ' ' && p[i] != '\0')
            return false;
    }
    return true;
}

// Character data without trailing blanks (or the NULs some writers pad with).
QString trimmedRight(const char *p, int n)
{
    while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\0'))
        --n;
    return moxtext::fromCp1250(p, n);
}

QDate parseStoredDate(const char *p)
{
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return QDate();
        v[i] = p[i] - '0';
    }
    const int y = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    const int m = v[4] * 10 + v[5];
    const int d = v[6] * 10 + v[7];
    return QDate(y, m, d);
}

// Date (and time) texts a field may be given or hold: "DD.MM.YYYY",
// "DD.MM.YYYY HH:MI:SS", "YYYYMMDD", "YYYY-MM-DD".
QDateTime parseDateTimeText(const QString &text, bool *ok)
{
    const QString t = text.trimmed();
    *ok = true;
    if (t.isEmpty())
        return QDateTime();
    static const char *const formats[] = {"dd.MM.yyyy HH:mm:ss", "d.M.yyyy H:mm:ss", "dd.MM.yyyy HH:mm",
                                          "dd.MM.yyyy", "d.M.yyyy", "yyyyMMdd", "yyyy-MM-dd",
                                          "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss"};
    for (const char *f : formats) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid())
            return dt;
        const QDate d = QDate::fromString(t, QLatin1String(f));
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    *ok = false;
    return QDateTime();
}

} // namespace

struct TApolloDataSet::Impl {
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
            throw EMoxError(QStringLiteral("%1: %2").arg(native(table->path()), what));
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

// ---------------------------------------------------------------- TApolloField

const TApolloFieldInfo &TApolloField::info() const { return m_table->FieldInfo(m_index); }

QString TApolloField::AsString() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    switch (f.type) {
    case 'M':
    case 'G':
    case 'P': {
        const QByteArray bytes = AsBytes();
        return d.rawBlob.at(m_index) ? QString::fromLatin1(bytes) : moxtext::fromCp1250(bytes);
    }
    default:
        break;
    }
    const char *p = d.current() + f.offset;
    switch (f.type) {
    case 'D': {
        if (isBlank(p, f.width))
            return QString();
        const QDate date = parseStoredDate(p);
        return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : trimmedRight(p, f.width);
    }
    case 'N':
    case 'F':
        return trimmedRight(p, f.width).trimmed();
    case 'L':
        switch (p[0]) {
        case 'T': case 't': case 'Y': case 'y':
            return QStringLiteral("T");
        case 'F': case 'f': case 'N': case 'n':
            return QStringLiteral("F");
        default:
            return QString();
        }
    case 'I':
        return QString::number(qint32(dbfbin::getLE32(p)));
    default:
        return trimmedRight(p, f.width);
    }
}

QByteArray TApolloField::AsBytes() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'M' || f.type == 'G' || f.type == 'P') {
        if (d.mode != TApolloDataSet::Impl::Mode::Browse) {
            auto it = d.memoNew.find(m_index);
            if (it != d.memoNew.end())
                return it->second;
            if (d.mode == TApolloDataSet::Impl::Mode::Insert)
                return QByteArray();
            return d.table->readMemo(d.recno, m_index, d.original.constData());
        }
        if (d.recno == 0)
            return QByteArray();
        return d.table->readMemo(d.recno, m_index, d.current());
    }
    return QByteArray(d.current() + f.offset, f.width);
}

bool TApolloField::IsNull() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'M' || f.type == 'G' || f.type == 'P')
        return AsBytes().isEmpty();
    if (f.type == 'I')
        return false;
    return isBlank(d.current() + f.offset, f.width);
}

qint64 TApolloField::AsInteger() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'I')
        return qint32(dbfbin::getLE32(d.current() + f.offset));
    if (f.type == 'L')
        return AsString() == QLatin1String("T") ? 1 : 0;
    const QString t = AsString().trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (ok)
        return v;
    // A number with decimals is cut to its whole part, as a conversion of a
    // numeric field would do; anything else is an error.
    const double dv = t.toDouble(&ok);
    if (ok && dv >= -9.2e18 && dv <= 9.2e18)
        return qint64(dv);
    d.fail(QStringLiteral("zapis %1, polje %2: '%3' ni celo število").arg(d.recno).arg(f.name, t));
}

QDateTime TApolloField::AsDateTime() const
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (f.type == 'D') {
        const char *p = d.current() + f.offset;
        if (isBlank(p, f.width))
            return QDateTime();
        const QDate date = parseStoredDate(p);
        if (!date.isValid())
            d.fail(QStringLiteral("zapis %1, polje %2: '%3' ni datum").arg(d.recno).arg(f.name, trimmedRight(p, f.width)));
        return QDateTime(date, QTime(0, 0));
    }
    bool ok = false;
    const QString t = AsString();
    const QDateTime dt = parseDateTimeText(t, &ok);
    if (!ok)
        d.fail(QStringLiteral("zapis %1, polje %2: '%3' ni datum").arg(d.recno).arg(f.name, t.trimmed()));
    return dt;
}

void TApolloField::setAsBytes(const QByteArray &bytes)
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (d.mode == TApolloDataSet::Impl::Mode::Browse)
        d.fail(QStringLiteral("polja %1 ni mogoče spremeniti: tabela ni v načinu vnosa ali popravljanja").arg(f.name));
    if (f.type == 'M' || f.type == 'G' || f.type == 'P') {
        d.memoNew[m_index] = bytes;
        return;
    }
    char *p = d.buf.data() + f.offset;
    const int n = int(qMin<qsizetype>(bytes.size(), f.width));
    std::memcpy(p, bytes.constData(), size_t(n));
    std::memset(p + n, ' ', size_t(f.width - n));
}

void TApolloField::setAsString(const QString &text)
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (d.mode == TApolloDataSet::Impl::Mode::Browse)
        d.fail(QStringLiteral("polja %1 ni mogoče spremeniti: tabela ni v načinu vnosa ali popravljanja").arg(f.name));
    char *p = d.buf.data() + f.offset;
    switch (f.type) {
    case 'M':
    case 'G':
    case 'P':
        d.memoNew[m_index] = d.rawBlob.at(m_index) ? text.toLatin1() : moxtext::toCp1250(text);
        return;
    case 'D': {
        bool ok = false;
        const QDateTime dt = parseDateTimeText(text, &ok);
        if (!ok)
            d.fail(QStringLiteral("polje %1: '%2' ni datum").arg(f.name, text));
        if (!dt.isValid())
            std::memset(p, ' ', 8);
        else
            std::memcpy(p, dt.date().toString(QStringLiteral("yyyyMMdd")).toLatin1().constData(), 8);
        return;
    }
    case 'N':
    case 'F': {
        const QString t = text.trimmed();
        bool ok = t.isEmpty();
        if (!ok)
            t.toDouble(&ok);
        if (!ok)
            d.fail(QStringLiteral("polje %1: '%2' ni število").arg(f.name, text));
        if (t.size() > f.width)
            d.fail(QStringLiteral("polje %1: število '%2' je daljše od širine polja %3").arg(f.name, t).arg(f.width));
        std::memset(p, ' ', size_t(f.width));
        std::memcpy(p + f.width - t.size(), t.toLatin1().constData(), size_t(t.size()));
        return;
    }
    case 'L': {
        const QString t = text.trimmed().toUpper();
        p[0] = t.isEmpty() ? ' ' : ((t == QLatin1String("T") || t == QLatin1String("Y") || t == QLatin1String("1")
                                     || t == QLatin1String("TRUE")) ? 'T' : 'F');
        return;
    }
    case 'I': {
        bool ok = false;
        const QString t = text.trimmed();
        const qint64 v = t.isEmpty() ? 0 : t.toLongLong(&ok);
        if ((!ok && !t.isEmpty()) || v < INT32_MIN || v > INT32_MAX)
            d.fail(QStringLiteral("polje %1: '%2' ni celo število").arg(f.name, text));
        dbfbin::putLE32(p, uint32_t(qint32(v)));
        return;
    }
    default: {
        // Cut to the width: a long value never spills into the next field.
        const QByteArray bytes = moxtext::toCp1250(text);
        const int n = int(qMin<qsizetype>(bytes.size(), f.width));
        std::memcpy(p, bytes.constData(), size_t(n));
        std::memset(p + n, ' ', size_t(f.width - n));
        return;
    }
    }
}

void TApolloField::setAsInteger(qint64 value)
{
    setAsString(QString::number(value));
}

void TApolloField::setAsDateTime(const QDateTime &value)
{
    auto &d = *m_table->d;
    const Field &f = d.field(m_index);
    if (!value.isValid()) {
        setAsString(QString());
        return;
    }
    if (f.type == 'D') {
        setAsString(value.date().toString(QStringLiteral("dd.MM.yyyy")));
        return;
    }
    const bool withTime = f.type != 'C' || f.width >= 19;
    setAsString(value.toString(withTime ? QStringLiteral("dd.MM.yyyy HH:mm:ss") : QStringLiteral("dd.MM.yyyy")));
}

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
