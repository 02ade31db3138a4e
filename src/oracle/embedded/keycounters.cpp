#include "oracle/embedded/keycounters.h"

#include "base/moxerror.h"

#include <QDir>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace oraembed {

// One counter. The state word is written last, with release order: a reader
// that sees kReady also sees the name and the value.
struct KeyCounters::Slot {
    qint64 value;
    quint32 state;
    quint32 length;
    char name[kNameBytes];
};
static_assert(sizeof(qint64) + 2 * sizeof(quint32) + KeyCounters::kNameBytes == 128);
static_assert(std::atomic_ref<qint64>::is_always_lock_free && std::atomic_ref<quint32>::is_always_lock_free,
              "the counters are shared between processes through lock-free atomics");

namespace {

constexpr quint32 kReady = 1;
constexpr qint64 kFileSize = qint64(KeyCounters::kSlots) * 128;

[[noreturn]] void cannotUse(const QFile &f, const QString &why)
{
    throw EMoxError(QStringLiteral("ORA-20002: getSequence: cannot use the counters file %1 (%2)")
                        .arg(QDir::toNativeSeparators(f.fileName()), why));
}

} // namespace

QString KeyCounters::fileName(const QString &folder) { return QDir(folder).filePath(QStringLiteral("keys.map")); }

KeyCounters::KeyCounters(const QString &folder) : m_file(fileName(folder))
{
    const bool existed = m_file.exists();
    if (!m_file.open(QIODevice::ReadWrite))
        cannotUse(m_file, m_file.errorString());
    if (!existed)
        m_file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    // two processes may create it at once: both only grow it to its size,
    // and zeros are free slots
    if (m_file.size() < kFileSize) {
        if (!m_file.resize(kFileSize))
            cannotUse(m_file, m_file.errorString());
        m_file.close(); // reopened, so that the mapping sees the new size
        if (!m_file.open(QIODevice::ReadWrite))
            cannotUse(m_file, m_file.errorString());
    }
    uchar *p = m_file.map(0, kFileSize); // shared with every process that maps it
    if (!p)
        cannotUse(m_file, m_file.errorString());
    if (reinterpret_cast<quintptr>(p) % alignof(Slot) != 0) {
        m_file.unmap(p);
        cannotUse(m_file, QStringLiteral("the mapping is not aligned"));
    }
    m_slots = reinterpret_cast<Slot *>(p);
}

KeyCounters::~KeyCounters()
{
    if (m_slots)
        m_file.unmap(reinterpret_cast<uchar *>(m_slots));
}

int KeyCounters::find(const QByteArray &name) const
{
    if (name.size() > kNameBytes)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        Slot &s = m_slots[i];
        if (std::atomic_ref<quint32>(s.state).load(std::memory_order_acquire) != kReady)
            continue;
        if (s.length == quint32(name.size()) && std::memcmp(s.name, name.constData(), size_t(name.size())) == 0)
            return i;
    }
    return -1;
}

int KeyCounters::add(const QByteArray &name, qint64 value)
{
    if (name.size() > kNameBytes)
        return -1;
    const int found = find(name);
    if (found >= 0)
        return found;
    for (int i = 0; i < kSlots; ++i) {
        Slot &s = m_slots[i];
        if (std::atomic_ref<quint32>(s.state).load(std::memory_order_acquire) == kReady)
            continue;
        // a slot left half written by a process that died is free again
        std::memcpy(s.name, name.constData(), size_t(name.size()));
        s.length = quint32(name.size());
        std::atomic_ref<qint64>(s.value).store(value, std::memory_order_relaxed);
        std::atomic_ref<quint32>(s.state).store(kReady, std::memory_order_release);
        return i;
    }
    return -1;
}

void KeyCounters::raise(int slot, qint64 value)
{
    std::atomic_ref<qint64> v(m_slots[slot].value);
    qint64 seen = v.load(std::memory_order_acquire);
    while (seen < value && !v.compare_exchange_weak(seen, value, std::memory_order_acq_rel)) {
    }
}

qint64 KeyCounters::next(int slot, qint64 floor)
{
    std::atomic_ref<qint64> v(m_slots[slot].value);
    qint64 seen = v.load(std::memory_order_acquire);
    qint64 mine = std::max(seen, floor) + 1;
    while (!v.compare_exchange_weak(seen, mine, std::memory_order_acq_rel))
        mine = std::max(seen, floor) + 1;
    return mine;
}

qint64 KeyCounters::value(int slot) const
{
    return std::atomic_ref<qint64>(m_slots[slot].value).load(std::memory_order_acquire);
}

} // namespace oraembed
