#include "oracle/embedded/ddlclock.h"

#include <QDir>

#include <atomic>

namespace oraembed {

DdlClock::DdlClock(const QString &folder) : m_file(QDir(folder).filePath(QStringLiteral("ddl.clock")))
{
    const bool existed = m_file.exists();
    if (!m_file.open(QIODevice::ReadWrite))
        return;
    if (!existed)
        m_file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    // two processes may create it at once: both only grow it to its size,
    // which reads as zero
    if (m_file.size() < qint64(sizeof(qint64))) {
        if (!m_file.resize(sizeof(qint64)))
            return;
        m_file.close(); // reopened, so that the mapping sees the new size
        if (!m_file.open(QIODevice::ReadWrite))
            return;
    }
    uchar *p = m_file.map(0, sizeof(qint64)); // shared with every process that maps it
    if (p && reinterpret_cast<quintptr>(p) % alignof(qint64) == 0)
        m_count = reinterpret_cast<qint64 *>(p);
}

DdlClock::~DdlClock()
{
    if (m_count)
        m_file.unmap(reinterpret_cast<uchar *>(m_count));
}

qint64 DdlClock::read() const { return std::atomic_ref<qint64>(*m_count).load(std::memory_order_acquire); }

void DdlClock::tick()
{
    if (m_count)
        std::atomic_ref<qint64>(*m_count).fetch_add(1, std::memory_order_acq_rel);
}

} // namespace oraembed
