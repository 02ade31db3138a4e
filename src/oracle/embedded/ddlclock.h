#pragma once
// The DDL clock of an embedded database: a counter in the small file
// "ddl.clock" of the database folder that every session maps into memory.
// A DDL statement ticks it after its commit; a session reads it before each
// statement (a memory read, no system call) and reloads the table
// descriptions it holds when the count has moved. Reading the count from the
// catalog instead would lock and unlock the catalog file for every statement.
#include <QFile>
#include <QString>

namespace oraembed {

class DdlClock {
public:
    // Opens (or creates) the clock of a database folder. When the file cannot
    // be mapped, the clock is not valid and the caller reads the catalog.
    explicit DdlClock(const QString &folder);
    ~DdlClock();
    DdlClock(const DdlClock &) = delete;
    DdlClock &operator=(const DdlClock &) = delete;

    bool valid() const { return m_count != nullptr; }
    qint64 read() const;
    void tick();

private:
    QFile m_file;
    qint64 *m_count = nullptr;
};

} // namespace oraembed
