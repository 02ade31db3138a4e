#pragma once
// The file engine behind a table object: one DBF file and its FPT memo file.
// Reads go through a record cache filled in large chunks; appended records and
// memos collect in memory and reach the disk in large writes (on Commit, on
// close, or when the buffer grows), so that no record costs a system call.
#include "dbf/dbfformat.h"
#include "dbf/dbfio.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>


// Where a memo is read from; put into words only when a message needs it.
struct MemoPlace {
    uint32_t recno = 0;            // 0: name the block instead
    const QString *field = nullptr;
    uint32_t block = 0;
    QString text() const;
};

// The FPT memo file of a table.
class DbfMemoFile {
public:
    static std::unique_ptr<DbfMemoFile> open(dbfio::FileSystem &fs, const QString &path, dbfio::OpenMode mode,
                                          dbfio::LockKind lock);
    // A new, empty memo file (an existing one is emptied).
    static std::unique_ptr<DbfMemoFile> create(dbfio::FileSystem &fs, const QString &path, dbfio::LockKind lock);
    ~DbfMemoFile();

    const QString &path() const { return m_file->path(); }
    uint16_t blockSize() const { return m_header.blockSize; }

    // The bytes of the memo starting at block; where names the record and
    // field for error messages. Block 0 is the empty memo.
    QByteArray read(uint32_t block, const MemoPlace &where);
    // Stores data and returns its block (0 for an empty memo). A memo that
    // still fits the blocks of oldBlock is rewritten in place.
    uint32_t write(uint32_t oldBlock, const QByteArray &data, uint32_t type = dbfformat::kMemoTypeText);

    void flush();
    void sync();
    void zap();

private:
    explicit DbfMemoFile(std::unique_ptr<dbfio::File> file);
    // Bytes [off, off+len) of the memo area, from the pending buffer, the cache
    // or the file; raises naming where when they lie past the end.
    void getBytes(qint64 off, char *out, qint64 len, const MemoPlace &where);
    qint64 storedEnd() const { return qint64(m_pendingStart) * m_header.blockSize; }

    std::unique_ptr<dbfio::File> m_file;
    dbfformat::MemoHeader m_header;
    qint64 m_fileSize = 0;       // bytes on disk
    uint32_t m_pendingStart = 0; // first block held in m_pending
    QByteArray m_pending;        // appended blocks not yet written
    QByteArray m_cache;          // read-ahead window
    qint64 m_cacheOff = -1;
    bool m_headerDirty = false;
};

class DbfTable {
public:
    // Opens a table; raises EMoxError naming the file and what is wrong.
    static std::unique_ptr<DbfTable> open(std::shared_ptr<dbfio::FileSystem> fs, const QString &path, bool exclusive,
                                          bool readOnly);
    // Creates an empty table (and its memo file when a field is a memo),
    // replacing an existing one. A memo or index file of the same name that the
    // new table would not use is removed, so it cannot be taken for the new
    // table's. Field names and widths must be valid already.
    static void create(dbfio::FileSystem &fs, const QString &path, const QVector<dbfformat::Field> &fields);

    ~DbfTable();
    // Writes what is pending; raises on a write error (the destructor does the
    // same but cannot report).
    void close();

    const QString &path() const { return m_file->path(); }
    const QVector<dbfformat::Field> &fields() const { return m_layout.fields; }
    const dbfformat::TableHeader &header() const { return m_layout.header; }
    int recordLength() const { return m_layout.header.recordLength; }
    uint32_t recordCount() const { return m_count; }
    bool readOnly() const { return m_readOnly; }
    DbfMemoFile *memo() const { return m_memo.get(); }

    // Bytes of a record (deletion flag first); valid until the next call.
    const char *record(uint32_t recno);
    uint32_t append(const char *rec);
    void update(uint32_t recno, const char *rec);

    // Memo of field (index into fields()) in the record bytes rec.
    QByteArray readMemo(uint32_t recno, int field, const char *rec);

    void flush();
    void commit(); // flush and force to disk
    void zap();

    // Memo file belonging to a table file: same name, ".FPT" (".fpt" when the
    // table's extension is lower case).
    static QString memoPathFor(const QString &dbfPath);

private:
    DbfTable() = default;
    void checkWritable() const;
    void loadChunk(uint32_t recno);

    std::shared_ptr<dbfio::FileSystem> m_fs;
    std::unique_ptr<dbfio::File> m_file;
    std::unique_ptr<DbfMemoFile> m_memo;
    dbfformat::TableLayout m_layout;
    bool m_readOnly = false;
    uint32_t m_count = 0;       // records, pending ones included
    uint32_t m_stored = 0;      // records on disk
    QByteArray m_pending;       // appended records not yet written
    QByteArray m_cache;         // records [m_cacheFirst, m_cacheFirst + m_cacheCount)
    uint32_t m_cacheFirst = 0;
    uint32_t m_cacheCount = 0;
    uint32_t m_lastRead = 0;
    bool m_headerDirty = false;
};

