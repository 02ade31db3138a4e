#include "dbf/dbfio.h"

#include "base/moxerror.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dbfio {

void File::readExact(qint64 off, char *buf, qint64 len, const QString &what)
{
    if (readAt(off, buf, len) != len)
        throw EMoxError(QStringLiteral("%1: %2 sega čez konec datoteke").arg(path(), what));
}

namespace {

QString nativeName(const QString &path) { return QDir::toNativeSeparators(path); }

[[noreturn]] void raiseOpen(const QString &path, const QString &why)
{
    throw EMoxError(QStringLiteral("Ne morem odpreti datoteke %1: %2").arg(nativeName(path), why));
}

[[noreturn]] void raiseLocked(const QString &path)
{
    throw EMoxError(QStringLiteral("Datoteka %1 je v uporabi (odprta izključno).").arg(nativeName(path)));
}

#ifdef Q_OS_WIN

QString lastErrorText() { return qt_error_string(int(GetLastError())); }

class OsFile : public File {
public:
    OsFile(QString path, HANDLE h) : m_path(std::move(path)), m_h(h) {}
    ~OsFile() override
    {
        if (m_locked) {
            OVERLAPPED ov{};
            UnlockFileEx(m_h, 0, MAXDWORD, MAXDWORD, &ov);
        }
        CloseHandle(m_h);
    }
    const QString &path() const override { return m_path; }
    qint64 size() override
    {
        LARGE_INTEGER s;
        if (!GetFileSizeEx(m_h, &s))
            throw EMoxError(QStringLiteral("Napaka pri branju datoteke %1: %2").arg(nativeName(m_path), lastErrorText()));
        return s.QuadPart;
    }
    qint64 readAt(qint64 off, char *buf, qint64 len) override
    {
        qint64 done = 0;
        while (done < len) {
            OVERLAPPED ov{};
            const qint64 pos = off + done;
            ov.Offset = DWORD(pos);
            ov.OffsetHigh = DWORD(pos >> 32);
            DWORD got = 0;
            const DWORD want = DWORD(qMin<qint64>(len - done, 1 << 30));
            if (!ReadFile(m_h, buf + done, want, &got, &ov)) {
                if (GetLastError() == ERROR_HANDLE_EOF)
                    break;
                throw EMoxError(QStringLiteral("Napaka pri branju datoteke %1: %2").arg(nativeName(m_path), lastErrorText()));
            }
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }
    void writeAt(qint64 off, const char *buf, qint64 len) override
    {
        qint64 done = 0;
        while (done < len) {
            OVERLAPPED ov{};
            const qint64 pos = off + done;
            ov.Offset = DWORD(pos);
            ov.OffsetHigh = DWORD(pos >> 32);
            DWORD put = 0;
            const DWORD want = DWORD(qMin<qint64>(len - done, 1 << 30));
            if (!WriteFile(m_h, buf + done, want, &put, &ov) || put == 0)
                throw EMoxError(QStringLiteral("Napaka pri pisanju datoteke %1: %2").arg(nativeName(m_path), lastErrorText()));
            done += put;
        }
    }
    void resize(qint64 size) override
    {
        LARGE_INTEGER s;
        s.QuadPart = size;
        if (!SetFilePointerEx(m_h, s, nullptr, FILE_BEGIN) || !SetEndOfFile(m_h))
            throw EMoxError(QStringLiteral("Napaka pri pisanju datoteke %1: %2").arg(nativeName(m_path), lastErrorText()));
    }
    void sync() override { FlushFileBuffers(m_h); }
    bool lock(LockKind kind)
    {
        if (kind == LockKind::None)
            return true;
        OVERLAPPED ov{};
        DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
        if (kind == LockKind::Exclusive)
            flags |= LOCKFILE_EXCLUSIVE_LOCK;
        m_locked = LockFileEx(m_h, flags, 0, MAXDWORD, MAXDWORD, &ov);
        return m_locked;
    }

private:
    QString m_path;
    HANDLE m_h;
    bool m_locked = false;
};

#else

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

class OsFile : public File {
public:
    OsFile(QString path, int fd) : m_path(std::move(path)), m_fd(fd) {}
    ~OsFile() override { ::close(m_fd); } // closing the descriptor drops its flock
    const QString &path() const override { return m_path; }
    qint64 size() override
    {
        struct stat st;
        if (::fstat(m_fd, &st) != 0)
            throw EMoxError(QStringLiteral("Napaka pri branju datoteke %1: %2").arg(nativeName(m_path), errnoText(errno)));
        return qint64(st.st_size);
    }
    qint64 readAt(qint64 off, char *buf, qint64 len) override
    {
        qint64 done = 0;
        while (done < len) {
            const ssize_t n = ::pread(m_fd, buf + done, size_t(len - done), off_t(off + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw EMoxError(QStringLiteral("Napaka pri branju datoteke %1: %2").arg(nativeName(m_path), errnoText(errno)));
            }
            if (n == 0)
                break;
            done += n;
        }
        return done;
    }
    void writeAt(qint64 off, const char *buf, qint64 len) override
    {
        qint64 done = 0;
        while (done < len) {
            const ssize_t n = ::pwrite(m_fd, buf + done, size_t(len - done), off_t(off + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw EMoxError(QStringLiteral("Napaka pri pisanju datoteke %1: %2").arg(nativeName(m_path), errnoText(errno)));
            }
            done += n;
        }
    }
    void resize(qint64 size) override
    {
        if (::ftruncate(m_fd, off_t(size)) != 0)
            throw EMoxError(QStringLiteral("Napaka pri pisanju datoteke %1: %2").arg(nativeName(m_path), errnoText(errno)));
    }
    void sync() override
    {
#if defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0
        ::fdatasync(m_fd);
#else
        ::fsync(m_fd);
#endif
    }
    // flock locks belong to the open file description: a second open() of the
    // same file, even in this process, conflicts with them.
    bool lock(LockKind kind)
    {
        if (kind == LockKind::None)
            return true;
        const int op = (kind == LockKind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
        while (::flock(m_fd, op) != 0) {
            if (errno != EINTR)
                return false;
        }
        return true;
    }

private:
    QString m_path;
    int m_fd;
};

#endif

class OsFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const QString &path, OpenMode mode, LockKind lock) override
    {
#ifdef Q_OS_WIN
        const DWORD access = mode == OpenMode::ReadOnly ? GENERIC_READ : (GENERIC_READ | GENERIC_WRITE);
        const DWORD disposition = mode == OpenMode::Create ? OPEN_ALWAYS : OPEN_EXISTING;
        HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(nativeName(path).utf16()), access,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            raiseOpen(path, lastErrorText());
        auto f = std::make_unique<OsFile>(path, h);
#else
        int flags = O_CLOEXEC;
        flags |= mode == OpenMode::ReadOnly ? O_RDONLY : O_RDWR;
        if (mode == OpenMode::Create)
            flags |= O_CREAT;
        int fd;
        do {
            fd = ::open(QFile::encodeName(path).constData(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            raiseOpen(path, errnoText(errno));
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            raiseOpen(path, QStringLiteral("to je mapa"));
        }
        auto f = std::make_unique<OsFile>(path, fd);
#endif
        if (!f->lock(lock))
            raiseLocked(path);
        // An existing file is emptied only once nobody else holds it.
        if (mode == OpenMode::Create)
            f->resize(0);
        return f;
    }

    bool exists(const QString &path) override
    {
        const QFileInfo fi(path);
        return fi.exists() && !fi.isDir();
    }

    void remove(const QString &path) override
    {
        if (QFileInfo::exists(path) && !QFile::remove(path))
            throw EMoxError(QStringLiteral("Ne morem zbrisati datoteke %1").arg(nativeName(path)));
    }

    QString resolveCase(const QString &path) override
    {
        if (QFileInfo::exists(path))
            return path;
        const QFileInfo fi(path);
        const QDir dir = fi.dir();
        const QString name = fi.fileName();
        const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &e : entries) {
            if (e.compare(name, Qt::CaseInsensitive) == 0)
                return dir.filePath(e);
        }
        return path;
    }
};

// A file held in memory; shares its bytes with the file system's entry.
class MemoryFile : public File {
public:
    MemoryFile(QString path, std::shared_ptr<MemoryFileSystem::Entry> e, LockKind lock)
        : m_path(std::move(path)), m_e(std::move(e)), m_lock(lock)
    {
    }
    ~MemoryFile() override
    {
        if (m_lock == LockKind::Exclusive)
            m_e->exclusive = false;
        else if (m_lock == LockKind::Shared)
            --m_e->shared;
    }
    const QString &path() const override { return m_path; }
    qint64 size() override { return m_e->data.size(); }
    qint64 readAt(qint64 off, char *buf, qint64 len) override
    {
        if (off < 0 || off >= m_e->data.size() || len <= 0)
            return 0;
        const qint64 n = qMin(len, m_e->data.size() - off);
        std::memcpy(buf, m_e->data.constData() + off, size_t(n));
        return n;
    }
    void writeAt(qint64 off, const char *buf, qint64 len) override
    {
        if (off + len > m_e->data.size())
            m_e->data.resize(off + len, '\0');
        std::memcpy(m_e->data.data() + off, buf, size_t(len));
    }
    void resize(qint64 size) override { m_e->data.resize(size, '\0'); }
    void sync() override {}

private:
    QString m_path;
    std::shared_ptr<MemoryFileSystem::Entry> m_e;
    LockKind m_lock;
};

} // namespace

std::shared_ptr<FileSystem> osFileSystem()
{
    return std::make_shared<OsFileSystem>();
}

std::unique_ptr<File> MemoryFileSystem::open(const QString &path, OpenMode mode, LockKind lock)
{
    auto it = m_files.find(path);
    if (it == m_files.end()) {
        if (mode != OpenMode::Create)
            raiseOpen(path, QStringLiteral("datoteka ne obstaja"));
        it = m_files.insert(path, std::make_shared<Entry>());
    }
    auto e = it.value();
    if (e->exclusive || (lock == LockKind::Exclusive && e->shared > 0))
        raiseLocked(path);
    if (lock == LockKind::Exclusive)
        e->exclusive = true;
    else if (lock == LockKind::Shared)
        ++e->shared;
    if (mode == OpenMode::Create)
        e->data.clear();
    return std::make_unique<MemoryFile>(path, e, lock);
}

bool MemoryFileSystem::exists(const QString &path) { return m_files.contains(path); }

void MemoryFileSystem::remove(const QString &path) { m_files.remove(path); }

QString MemoryFileSystem::resolveCase(const QString &path)
{
    if (m_files.contains(path))
        return path;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (it.key().compare(path, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return path;
}

void MemoryFileSystem::setFile(const QString &path, const QByteArray &data)
{
    auto &e = m_files[path];
    if (!e)
        e = std::make_shared<Entry>();
    e->data = data;
}

QByteArray MemoryFileSystem::file(const QString &path) const
{
    auto it = m_files.constFind(path);
    return it == m_files.cend() ? QByteArray() : it.value()->data;
}

} // namespace dbfio
