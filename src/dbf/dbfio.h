#pragma once
// The one seam through which the DBF engine reaches the disk. The engine only
// asks for positioned reads and writes, the size, a resize and a sync, so that
// tests and the fuzz driver can hand it files held in memory (shortened,
// flipped bytes) and the operating-system side stays small.
#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>

namespace dbfio {

enum class OpenMode {
    ReadOnly,
    ReadWrite,
    Create, // create, or empty an existing file (after the lock is held)
};

enum class LockKind {
    None,
    Shared,    // others may read, no one may hold it exclusively
    Exclusive, // no other opener at all, in this process or another
};

class File {
public:
    virtual ~File() = default;
    virtual const QString &path() const = 0;
    virtual qint64 size() = 0;
    // Reads up to len bytes at off; returns the number read (fewer at the end
    // of the file). Raises EMoxError naming the file on a read error.
    virtual qint64 readAt(qint64 off, char *buf, qint64 len) = 0;
    // Writes all len bytes at off (the file grows as needed); raises on error.
    virtual void writeAt(qint64 off, const char *buf, qint64 len) = 0;
    virtual void resize(qint64 size) = 0;
    // Forces written data to the storage device.
    virtual void sync() = 0;

    // Reads exactly len bytes or raises "<what> past the end of <file>".
    void readExact(qint64 off, char *buf, qint64 len, const QString &what);
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Raises EMoxError naming the file when it cannot be opened or locked.
    virtual std::unique_ptr<File> open(const QString &path, OpenMode mode, LockKind lock) = 0;
    virtual bool exists(const QString &path) = 0;
    virtual void remove(const QString &path) = 0; // no error when missing
    // The name of an existing file whose name differs from path only in the
    // case of its letters (files carried from other systems are often lower
    // case); path itself when it exists or nothing matches.
    virtual QString resolveCase(const QString &path) = 0;
};

// The operating system's files, locked with flock (Linux) or LockFileEx
// (Windows): both locks belong to the open file, so a second opener in the
// same process is kept away as well as another process.
std::shared_ptr<FileSystem> osFileSystem();

// Files held in memory, for tests and the fuzz driver. Locks are honoured
// between open files of the same object.
class MemoryFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const QString &path, OpenMode mode, LockKind lock) override;
    bool exists(const QString &path) override;
    void remove(const QString &path) override;
    QString resolveCase(const QString &path) override;

    void setFile(const QString &path, const QByteArray &data);
    QByteArray file(const QString &path) const;

    struct Entry {
        QByteArray data;
        int shared = 0;
        bool exclusive = false;
    };

private:
    QHash<QString, std::shared_ptr<Entry>> m_files;
};

} // namespace dbfio
