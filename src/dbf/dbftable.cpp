#include "dbf/dbftable.h"

#include "dbf/binio.h"
#include "base/moxerror.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QtDebug>

#include <cstring>


using namespace dbfformat;

namespace {

constexpr qsizetype kWriteBuffer = 1 << 20;    // appended bytes collected before a write
constexpr qint64 kReadChunk = 256 * 1024;      // records read at once while reading in order
constexpr qint64 kRandomChunk = 4096;          // records read at once after a jump
constexpr qint64 kMemoWindow = 64 * 1024;      // memo read-ahead

QString native(const QString &p) { return QDir::toNativeSeparators(p); }

[[noreturn]] void bad(const QString &file, const QString &what)
{
    throw EMoxError(QStringLiteral("%1: %2").arg(native(file), what));
}

qint64 blocksFor(qint64 bytes, int blockSize) { return (bytes + blockSize - 1) / blockSize; }

} // namespace

// ---------------------------------------------------------------- DbfMemoFile

QString MemoPlace::text() const
{
    if (recno != 0 && field)
        return QStringLiteral("zapis %1, polje %2").arg(recno).arg(*field);
    return QStringLiteral("blok %1").arg(block);
}

DbfMemoFile::DbfMemoFile(std::unique_ptr<dbfio::File> file) : m_file(std::move(file)) {}

DbfMemoFile::~DbfMemoFile()
{
    try {
        flush();
    } catch (const EMoxError &e) {
        qWarning("%s", e.what());
    }
}

std::unique_ptr<DbfMemoFile> DbfMemoFile::open(dbfio::FileSystem &fs, const QString &path, dbfio::OpenMode mode,
                                         dbfio::LockKind lock)
{
    std::unique_ptr<DbfMemoFile> m(new DbfMemoFile(fs.open(path, mode, lock)));
    m->m_fileSize = m->m_file->size();
    char head[8] = {};
    m->m_file->readAt(0, head, sizeof head);
    m->m_header = decodeMemoHeader(head);
    validateMemoHeader(m->m_header, m->m_fileSize, path);
    // New memos go after whatever the file holds. The header's "next free
    // block" is not trusted: behind the real end it would overwrite memos,
    // far beyond it it would grow the file by the gap.
    const uint32_t first = firstMemoBlock(m->m_header.blockSize);
    const qint64 bySize = blocksFor(m->m_fileSize, m->m_header.blockSize);
    qint64 next = qMax<qint64>(first, bySize);
    if (next > 0xFFFFFFFFll)
        bad(path, QStringLiteral("prvi prosti blok zapiskov %1 je prevelik").arg(next));
    m->m_header.nextFree = uint32_t(next);
    m->m_pendingStart = uint32_t(next);
    return m;
}

std::unique_ptr<DbfMemoFile> DbfMemoFile::create(dbfio::FileSystem &fs, const QString &path, dbfio::LockKind lock)
{
    std::unique_ptr<DbfMemoFile> m(new DbfMemoFile(fs.open(path, dbfio::OpenMode::Create, lock)));
    m->m_header.blockSize = kDefaultBlockSize;
    m->m_header.nextFree = firstMemoBlock(kDefaultBlockSize);
    const QByteArray h = encodeMemoHeader(m->m_header);
    m->m_file->writeAt(0, h.constData(), h.size());
    m->m_fileSize = h.size();
    m->m_pendingStart = m->m_header.nextFree;
    return m;
}

void DbfMemoFile::getBytes(qint64 off, char *out, qint64 len, const MemoPlace &where)
{
    const qint64 pendingOff = storedEnd();
    if (off >= pendingOff) {
        const qint64 rel = off - pendingOff;
        if (rel + len > m_pending.size())
            bad(path(), QStringLiteral("%1: zapisek sega čez konec datoteke").arg(where.text()));
        std::memcpy(out, m_pending.constData() + rel, size_t(len));
        return;
    }
    if (off + len > m_fileSize)
        bad(path(), QStringLiteral("%1: zapisek sega čez konec datoteke (%2 zlogov)").arg(where.text()).arg(m_fileSize));
    if (m_cacheOff >= 0 && off >= m_cacheOff && off + len <= m_cacheOff + m_cache.size()) {
        std::memcpy(out, m_cache.constData() + (off - m_cacheOff), size_t(len));
        return;
    }
    if (len > kMemoWindow / 2) {
        if (m_file->readAt(off, out, len) != len)
            bad(path(), QStringLiteral("%1: zapisek sega čez konec datoteke").arg(where.text()));
        return;
    }
    const qint64 n = qMin(kMemoWindow, m_fileSize - off);
    m_cache.resize(n);
    m_cacheOff = -1;
    if (m_file->readAt(off, m_cache.data(), n) != n)
        bad(path(), QStringLiteral("%1: zapisek sega čez konec datoteke").arg(where.text()));
    m_cacheOff = off;
    std::memcpy(out, m_cache.constData(), size_t(len));
}

QByteArray DbfMemoFile::read(uint32_t block, const MemoPlace &where)
{
    if (block == 0)
        return QByteArray();
    const int bs = m_header.blockSize;
    if (block < firstMemoBlock(m_header.blockSize))
        bad(path(), QStringLiteral("%1: kazalec zapiska %2 kaže v glavo datoteke").arg(where.text()).arg(block));
    const qint64 off = qint64(block) * bs;
    const qint64 end = qMax(m_fileSize, storedEnd() + m_pending.size());
    if (off + kMemoBlockHeaderSize > end)
        bad(path(), QStringLiteral("%1: kazalec zapiska %2 kaže čez konec datoteke").arg(where.text()).arg(block));
    char hb[kMemoBlockHeaderSize];
    getBytes(off, hb, kMemoBlockHeaderSize, where);
    const MemoBlockHeader h = decodeMemoBlockHeader(hb);
    if (qint64(h.length) > end - off - kMemoBlockHeaderSize)
        bad(path(), QStringLiteral("%1: zapisek v bloku %2 (dolžine %3) sega čez konec datoteke")
                        .arg(where.text()).arg(block).arg(h.length));
    QByteArray data(qsizetype(h.length), Qt::Uninitialized);
    getBytes(off + kMemoBlockHeaderSize, data.data(), h.length, where);
    return data;
}

uint32_t DbfMemoFile::write(uint32_t oldBlock, const QByteArray &data, uint32_t type)
{
    if (data.isEmpty())
        return 0;
    const int bs = m_header.blockSize;
    const qint64 need = blocksFor(kMemoBlockHeaderSize + data.size(), bs);
    char head[kMemoBlockHeaderSize];
    encodeMemoBlockHeader(MemoBlockHeader{type, uint32_t(data.size())}, head);
    // The memo's blocks: header, text, zeros up to the block's end.
    const auto fill = [&](char *out) {
        std::memcpy(out, head, kMemoBlockHeaderSize);
        std::memcpy(out + kMemoBlockHeaderSize, data.constData(), size_t(data.size()));
        std::memset(out + kMemoBlockHeaderSize + data.size(), 0, size_t(need * bs - kMemoBlockHeaderSize - data.size()));
    };

    // Rewrite in place when the new text fits the blocks of the old one.
    if (oldBlock >= firstMemoBlock(m_header.blockSize)) {
        const qint64 off = qint64(oldBlock) * bs;
        // The old blocks are reused only when they lie wholly on disk or wholly
        // in the pending buffer; anything doubtful gets new blocks.
        const qint64 span = need * bs;
        const bool inStored = off + span <= storedEnd() && off + kMemoBlockHeaderSize <= m_fileSize;
        const bool inPending = off >= storedEnd() && off + span <= storedEnd() + m_pending.size();
        if (inStored || inPending) {
            char hb[kMemoBlockHeaderSize];
            MemoPlace place;
            place.block = oldBlock;
            getBytes(off, hb, kMemoBlockHeaderSize, place);
            const qint64 cap = blocksFor(kMemoBlockHeaderSize + qint64(decodeMemoBlockHeader(hb).length), bs);
            if (need <= cap) {
                if (off >= storedEnd()) {
                    fill(m_pending.data() + (off - storedEnd()));
                } else {
                    QByteArray bytes(need * bs, Qt::Uninitialized);
                    fill(bytes.data());
                    m_file->writeAt(off, bytes.constData(), bytes.size());
                    m_cacheOff = -1;
                }
                return oldBlock;
            }
        }
    }

    const qint64 block = qint64(m_pendingStart) + m_pending.size() / bs;
    if (block + need > 0xFFFFFFFFll)
        bad(path(), QStringLiteral("datoteka zapiskov je polna"));
    if (m_pending.capacity() < kWriteBuffer)
        m_pending.reserve(kWriteBuffer + need * bs);
    const qsizetype at = m_pending.size();
    m_pending.resize(at + need * bs);
    fill(m_pending.data() + at);
    m_header.nextFree = uint32_t(block + need);
    m_headerDirty = true;
    if (m_pending.size() >= kWriteBuffer)
        flush();
    return uint32_t(block);
}

void DbfMemoFile::flush()
{
    if (!m_file)
        return;
    if (!m_pending.isEmpty()) {
        const qint64 off = storedEnd();
        m_file->writeAt(off, m_pending.constData(), m_pending.size());
        m_fileSize = qMax(m_fileSize, off + m_pending.size());
        m_pendingStart += uint32_t(m_pending.size() / m_header.blockSize);
        m_pending.resize(0); // keeps the buffer for the next memos
    }
    if (m_headerDirty) {
        char h[8] = {};
        dbfbin::putBE32(h, m_header.nextFree);
        dbfbin::putBE16(h + 6, m_header.blockSize);
        m_file->writeAt(0, h, sizeof h);
        m_headerDirty = false;
    }
}

void DbfMemoFile::sync()
{
    flush();
    m_file->sync();
}

void DbfMemoFile::zap()
{
    m_pending.clear();
    m_cache.clear();
    m_cacheOff = -1;
    m_header.nextFree = firstMemoBlock(m_header.blockSize);
    const QByteArray h = encodeMemoHeader(m_header);
    m_file->resize(0);
    m_file->writeAt(0, h.constData(), h.size());
    m_fileSize = h.size();
    m_pendingStart = m_header.nextFree;
    m_headerDirty = false;
}

// ---------------------------------------------------------------- DbfTable

QString DbfTable::memoPathFor(const QString &dbfPath)
{
    const QFileInfo fi(dbfPath);
    const QString suffix = fi.suffix();
    const bool lower = !suffix.isEmpty() && suffix == suffix.toLower() && suffix != suffix.toUpper();
    const QString base = fi.completeSuffix().isEmpty() ? dbfPath : dbfPath.left(dbfPath.size() - suffix.size() - 1);
    return base + (lower ? QStringLiteral(".fpt") : QStringLiteral(".FPT"));
}

std::unique_ptr<DbfTable> DbfTable::open(std::shared_ptr<dbfio::FileSystem> fs, const QString &path, bool exclusive,
                                         bool readOnly)
{
    std::unique_ptr<DbfTable> t(new DbfTable);
    t->m_fs = fs;
    t->m_readOnly = readOnly;
    const auto lock = exclusive ? dbfio::LockKind::Exclusive : dbfio::LockKind::Shared;
    const auto mode = readOnly ? dbfio::OpenMode::ReadOnly : dbfio::OpenMode::ReadWrite;
    t->m_file = fs->open(path, mode, lock);
    const qint64 size = t->m_file->size();
    QByteArray head(qMin<qint64>(size, kTableHeaderSize), '\0');
    t->m_file->readAt(0, head.data(), head.size());
    if (head.size() >= kTableHeaderSize) {
        const qint64 hl = dbfbin::getLE16(head.constData() + 8);
        if (hl > head.size() && hl <= size) {
            head.resize(hl);
            t->m_file->readAt(0, head.data(), hl);
        }
    }
    t->m_layout = decodeTable(head, size, path);
    t->m_count = t->m_stored = t->m_layout.header.recordCount;

    const uint8_t v = t->m_layout.header.version;
    if (t->m_layout.hasMemo && v != 0x83 && v != 0x8B) {
        const QString memoPath = fs->resolveCase(memoPathFor(path));
        if (!fs->exists(memoPath))
            bad(path, QStringLiteral("manjka datoteka zapiskov %1").arg(native(memoPath)));
        t->m_memo = DbfMemoFile::open(*fs, memoPath, mode, lock);
    }
    return t;
}

void DbfTable::create(dbfio::FileSystem &fs, const QString &path, const QVector<Field> &fields)
{
    if (fields.isEmpty())
        bad(path, QStringLiteral("tabela nima polj"));
    if (fields.size() > kMaxFields)
        bad(path, QStringLiteral("preveč polj (%1, največ %2)").arg(fields.size()).arg(kMaxFields));
    QVector<Field> laid = fields;
    int offset = 1;
    bool memo = false;
    for (Field &f : laid) {
        f.offset = offset;
        offset += f.width;
        memo = memo || f.type == 'M';
    }
    if (offset > 0xFFFF)
        bad(path, QStringLiteral("zapis je predolg (%1 zlogov)").arg(offset));

    // The table file is locked before anything is emptied or removed.
    auto file = fs.open(path, dbfio::OpenMode::Create, dbfio::LockKind::Exclusive);
    QByteArray bytes = encodeNewTable(laid, QDate::currentDate());
    bytes += kEofMarker;
    file->writeAt(0, bytes.constData(), bytes.size());

    const QString memoPath = fs.resolveCase(memoPathFor(path));
    if (memo)
        DbfMemoFile::create(fs, memoPath, dbfio::LockKind::Exclusive);
    else
        fs.remove(memoPath);
    const QString base = memoPath.left(memoPath.size() - 4);
    const QString cdxPath = fs.resolveCase(base + (memoPath.endsWith(QLatin1String(".fpt")) ? QStringLiteral(".cdx")
                                                                                             : QStringLiteral(".CDX")));
    fs.remove(cdxPath);
}

DbfTable::~DbfTable()
{
    try {
        flush();
    } catch (const EMoxError &e) {
        qWarning("%s", e.what());
    }
}

void DbfTable::close()
{
    flush();
    m_memo.reset();
    m_file.reset();
}

void DbfTable::checkWritable() const
{
    if (m_readOnly)
        bad(path(), QStringLiteral("tabela je odprta samo za branje"));
}

void DbfTable::loadChunk(uint32_t recno)
{
    const int len = recordLength();
    const bool inOrder = recno == m_lastRead + 1 || recno == m_cacheFirst + m_cacheCount;
    qint64 n = qMax<qint64>(1, (inOrder ? kReadChunk : kRandomChunk) / len);
    n = qMin<qint64>(n, qint64(m_stored) - recno + 1);
    m_cacheCount = 0;
    m_cache.resize(n * len);
    const qint64 off = m_layout.header.headerLength + qint64(recno - 1) * len;
    m_file->readExact(off, m_cache.data(), n * len, QStringLiteral("zapis %1").arg(recno));
    m_cacheFirst = recno;
    m_cacheCount = uint32_t(n);
}

const char *DbfTable::record(uint32_t recno)
{
    if (recno == 0 || recno > m_count)
        bad(path(), QStringLiteral("zapis %1 ne obstaja (zapisov je %2)").arg(recno).arg(m_count));
    const int len = recordLength();
    if (recno > m_stored)
        return m_pending.constData() + qint64(recno - m_stored - 1) * len;
    if (!(recno >= m_cacheFirst && recno < m_cacheFirst + m_cacheCount))
        loadChunk(recno);
    m_lastRead = recno;
    return m_cache.constData() + qint64(recno - m_cacheFirst) * len;
}

uint32_t DbfTable::append(const char *rec)
{
    checkWritable();
    if (m_count == 0xFFFFFFFFu)
        bad(path(), QStringLiteral("tabela je polna"));
    const int len = recordLength();
    if (m_pending.capacity() < kWriteBuffer)
        m_pending.reserve(kWriteBuffer + len);
    m_pending.append(rec, len);
    ++m_count;
    m_headerDirty = true;
    if (m_pending.size() >= kWriteBuffer)
        flush();
    return m_count;
}

void DbfTable::update(uint32_t recno, const char *rec)
{
    checkWritable();
    if (recno == 0 || recno > m_count)
        bad(path(), QStringLiteral("zapis %1 ne obstaja (zapisov je %2)").arg(recno).arg(m_count));
    const int len = recordLength();
    if (recno > m_stored) {
        std::memcpy(m_pending.data() + qint64(recno - m_stored - 1) * len, rec, size_t(len));
    } else {
        m_file->writeAt(m_layout.header.headerLength + qint64(recno - 1) * len, rec, len);
        if (recno >= m_cacheFirst && recno < m_cacheFirst + m_cacheCount)
            std::memcpy(m_cache.data() + qint64(recno - m_cacheFirst) * len, rec, size_t(len));
    }
    m_headerDirty = true;
}

QByteArray DbfTable::readMemo(uint32_t recno, int field, const char *rec)
{
    const Field &f = m_layout.fields.at(field);
    MemoPlace where;
    where.recno = recno;
    where.field = &f.name;
    if (!m_memo)
        bad(path(), QStringLiteral("%1: zapiski v datoteki DBT niso podprti").arg(where.text()));
    uint32_t block = 0;
    if (!decodeMemoPointer(rec + f.offset, f.width, block))
        bad(path(), QStringLiteral("%1: kazalec zapiska ni veljaven").arg(where.text()));
    return m_memo->read(block, where);
}

void DbfTable::flush()
{
    if (!m_file)
        return;
    // Memo blocks reach the disk before the records that point to them.
    if (m_memo)
        m_memo->flush();
    const int len = recordLength();
    if (!m_pending.isEmpty()) {
        m_pending.append(kEofMarker);
        m_file->writeAt(m_layout.header.headerLength + qint64(m_stored) * len, m_pending.constData(), m_pending.size());
        m_stored = m_count;
        m_pending.resize(0); // keeps the buffer for the next records
    }
    if (m_headerDirty) {
        const QDate today = QDate::currentDate();
        m_layout.header.year = today.year();
        m_layout.header.month = today.month();
        m_layout.header.day = today.day();
        m_layout.header.recordCount = m_count;
        const QByteArray h = encodeTableHeader(m_layout.header);
        m_file->writeAt(1, h.constData() + 1, 7); // date and record count only
        m_headerDirty = false;
    }
}

void DbfTable::commit()
{
    flush();
    if (m_memo)
        m_memo->sync();
    m_file->sync();
}

void DbfTable::zap()
{
    checkWritable();
    m_pending.clear();
    m_cache.clear();
    m_cacheCount = 0;
    m_count = m_stored = 0;
    const qint64 hl = m_layout.header.headerLength;
    m_file->resize(hl);
    const char eof = kEofMarker;
    m_file->writeAt(hl, &eof, 1);
    m_headerDirty = true;
    if (m_memo)
        m_memo->zap();
    flush();
}

