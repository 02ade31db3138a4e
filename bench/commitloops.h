#pragma once
// The commit-per-row loops of the commit-path figures, and their raw SQLite
// side: one database file in WAL mode with synchronous=NORMAL, the
// statements prepared once, one commit per row. A loop body runs on any
// database object with insert(key, code), find(code[, &opis]) and
// update(key, opis): the raw one here, the Oracle layer in the benchmarks.
#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <functional>
#include <stdexcept>

namespace moxbench {

inline QString code(int i) { return QStringLiteral("A%1").arg(i + 1); }

class Raw {
public:
    explicit Raw(const QString &path)
    {
        if (sqlite3_open(path.toUtf8().constData(), &m_db) != SQLITE_OK)
            throw std::runtime_error("cannot open the raw database");
        run("PRAGMA journal_mode=WAL");
        run("PRAGMA synchronous=NORMAL");
        run("CREATE TABLE KA060AK0 (SIFRA060 NUMERIC NOT NULL PRIMARY KEY, CODE_060 TEXT NOT NULL, OPIS_060 TEXT, "
            "STAT_060 TEXT, DATUMIPL TEXT, USER_IPL TEXT)");
        run("CREATE UNIQUE INDEX IX_CODE ON KA060AK0 (CODE_060)");
        m_begin = prepare("BEGIN");
        m_commit = prepare("COMMIT");
        m_insert = prepare("INSERT INTO KA060AK0 VALUES (?1, ?2, ?3, '1', ?4, ?5)");
        m_select = prepare("SELECT SIFRA060, CODE_060, OPIS_060, STAT_060, DATUMIPL, USER_IPL FROM KA060AK0 "
                           "WHERE CODE_060 = ?1");
        m_update = prepare("UPDATE KA060AK0 SET OPIS_060 = ?1, DATUMIPL = ?2 WHERE SIFRA060 = ?3");
    }
    ~Raw()
    {
        for (sqlite3_stmt *st : {m_begin, m_commit, m_insert, m_select, m_update})
            sqlite3_finalize(st);
        sqlite3_close(m_db);
    }

    void insert(int key, const QString &code)
    {
        step(m_begin);
        const QByteArray c = code.toUtf8(), o = (QStringLiteral("activity ") + code).toUtf8();
        sqlite3_bind_int64(m_insert, 1, key);
        sqlite3_bind_text(m_insert, 2, c.constData(), int(c.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_insert, 3, o.constData(), int(o.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_insert, 4, "2024-02-01 10:11:12", -1, SQLITE_STATIC);
        sqlite3_bind_text(m_insert, 5, "ORN", -1, SQLITE_STATIC);
        step(m_insert);
        step(m_commit);
    }
    // The key of the row with the code, or -1.
    qint64 find(const QString &code, QString *opis = nullptr)
    {
        const QByteArray c = code.toUtf8();
        sqlite3_bind_text(m_select, 1, c.constData(), int(c.size()), SQLITE_TRANSIENT);
        qint64 key = -1;
        if (sqlite3_step(m_select) == SQLITE_ROW) {
            key = sqlite3_column_int64(m_select, 0);
            if (opis)
                *opis = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_select, 2)));
        }
        sqlite3_reset(m_select);
        return key;
    }
    void update(qint64 key, const QString &opis)
    {
        step(m_begin);
        const QByteArray o = opis.toUtf8();
        sqlite3_bind_text(m_update, 1, o.constData(), int(o.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_update, 2, "2024-02-02 10:11:12", -1, SQLITE_STATIC);
        sqlite3_bind_int64(m_update, 3, key);
        step(m_update);
        step(m_commit);
    }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_begin = nullptr, *m_commit = nullptr, *m_insert = nullptr, *m_select = nullptr,
                 *m_update = nullptr;

    void run(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }
    sqlite3_stmt *prepare(const char *sql)
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return st;
    }
    void step(sqlite3_stmt *st)
    {
        const int rc = sqlite3_step(st);
        sqlite3_reset(st);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }
};


template <class Db>
std::function<void(int)> insertLoop(Db &db)
{
    return [&db](int i) { db.insert(i + 1, code(i)); };
}

template <class Db>
std::function<void(int)> selectUpdateLoop(Db &db, int rows)
{
    return [&db, rows](int i) {
        QString opis;
        const qint64 key = db.find(code((i * 7919) % rows), &opis);
        if (key < 0)
            throw std::runtime_error("row not found");
        db.update(key, opis + u'*');
    };
}

template <class Db>
std::function<void(int)> selectInsertLoop(Db &db, int rows)
{
    return [&db, rows](int i) {
        const QString c = QStringLiteral("N%1").arg(i + 1);
        if (db.find(c) >= 0)
            throw std::runtime_error("a new row exists");
        db.insert(rows + i + 1, c);
    };
}

} // namespace moxbench
