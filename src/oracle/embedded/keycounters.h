#pragma once
// The getSequence counters of an embedded database, in the file "keys.map"
// of its folder that every session of every process maps into memory.
//
// A number is handed out by one compare-and-swap on the shared counter, so
// no two sessions ever get the same number, a rollback does not give one
// back, and the numbers of all sessions follow each other without gaps, as
// they did when each number was a commit of its own to the catalog. A
// number handed out is in the operating system's page cache at once, so it
// survives a crash of the program, as a commit does.
//
// The catalog's table mox_keys keeps a copy that sessions bring up to date
// when they end: a counter that the file does not hold yet starts from it,
// and a counter the file holds is raised to it when a session first uses it,
// so a catalog restored with a newer copy never lets a number out twice.
// Whatever the counters say, getSequence keeps numbers above the keys of the
// table of the same name.
//
// Adding a counter takes the catalog's write lock (BEGIN IMMEDIATE on a
// connection to it): the lock serialises the adders of every process, and
// readers need no lock, because a slot is published by its state word only
// after its name and value are written.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace oraembed {

class KeyCounters {
public:
    static constexpr int kSlots = 2048;
    static constexpr int kNameBytes = 112;

    // Opens (or creates) the counters of a database folder. Throws EMoxError
    // when the file cannot be opened or mapped: getSequence must not hand
    // out numbers from anywhere else while other sessions use the file.
    explicit KeyCounters(const QString &folder);
    ~KeyCounters();
    KeyCounters(const KeyCounters &) = delete;
    KeyCounters &operator=(const KeyCounters &) = delete;

    static QString fileName(const QString &folder);

    // The slot of a counter ("OWNER.NAME" in UTF-8), or -1 when it has none.
    int find(const QByteArray &name) const;
    // Adds a counter that starts at value; the caller holds the catalog's
    // write lock. Returns the slot (the one another session added meanwhile,
    // if any), or -1 when every slot is taken.
    int add(const QByteArray &name, qint64 value);
    // Raises a counter to value (never lowers it).
    void raise(int slot, qint64 value);
    // The next number: one above the counter, or above floor when that is
    // higher.
    qint64 next(int slot, qint64 floor);
    qint64 value(int slot) const;

private:
    struct Slot;
    QFile m_file;
    Slot *m_slots = nullptr;
};

} // namespace oraembed
