// mox-bench-commitpath [ROWS [raw|layer]]: the commit path of the embedded engine beside
// SQLite's own, in one run. Each loop commits after every row, as a refresh
// does, and runs twice: on the raw SQLite C API (one database file, WAL,
// synchronous=NORMAL, statements prepared once) and through the Oracle layer
// on an embedded database, in alternating blocks of rows. Printed: rows per CPU second of each and the ratio
// layer / raw. A third argument runs one side only (for a profiler).
//   insert + commit                  one new row per transaction
//   key select + update + commit     a select by business code, an update of
//                                    the row found by its key
//   select + insert + commit         a select by business code that finds
//                                    nothing, then the insert (a refresh's
//                                    new rows)
#include "benchsupport.h"
#include "oracle/embedded/database.h"
#include "oracle/oracle.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

using moxbench::cpuSeconds;

QString code(int i) { return QStringLiteral("A%1").arg(i + 1); }

// ------------------------------------------------------------ raw SQLite

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

// ------------------------------------------------------------ the layer

class Layer {
public:
    explicit Layer(const QString &alias) : m_ins(&m_s), m_sel(&m_s), m_upd(&m_s)
    {
        oraembed::createDatabase(alias);
        oraembed::createUser(alias, QStringLiteral("TAVO"), QStringLiteral("tavo"));
        m_s.LogonDatabase = alias;
        m_s.LogonUsername = QStringLiteral("TAVO");
        m_s.LogonPassword = QStringLiteral("tavo");
        m_s.setConnected(true);
        exec(QStringLiteral("create table KA060AK0 (SIFRA060 NUMBER(10) not null, CODE_060 VARCHAR2(20) not null, "
                            "OPIS_060 VARCHAR2(60), STAT_060 CHAR(1), DATUMIPL DATE, USER_IPL VARCHAR2(30), "
                            "constraint PK_KA060AK0 primary key (SIFRA060))"));
        exec(QStringLiteral("create unique index IX_KA060AK0_CODE on KA060AK0 (CODE_060)"));
        // the statements as the general refresh writes them
        m_ins.SQL << QStringLiteral("insert into tavo.ka060ak0 (SIFRA060, CODE_060, OPIS_060, STAT_060, DATUMIPL, USER_IPL)")
                  << QStringLiteral(" values (:SIFRA060, :CODE_060, :OPIS_060, '1', "
                                    "to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS'), :USER_IPL)");
        m_ins.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
        m_ins.DeclareVariable(QStringLiteral("CODE_060"), otString);
        m_ins.DeclareVariable(QStringLiteral("OPIS_060"), otString);
        m_ins.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
        m_ins.DeclareVariable(QStringLiteral("USER_IPL"), otString);
        m_ins.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("01.02.2024 10:11:12"));
        m_ins.SetVariable(QStringLiteral("USER_IPL"), QStringLiteral("ORN"));
        m_sel.SQL << QStringLiteral("select ak.*,to_char(ak.datumipl,'DD.MM.YYYY HH24:MI:SS') datipl from tavo.ka060ak0 ak "
                                    "where code_060=:code_060 order by stat_060 desc");
        m_sel.DeclareVariable(QStringLiteral("code_060"), otString);
        m_upd.SQL << QStringLiteral("update tavo.ka060ak0 set OPIS_060=:OPIS_060, "
                                    "DATUMIPL=to_date(:DATUMIPL,'DD.MM.YYYY HH24:MI:SS')")
                  << QStringLiteral(" WHERE SIFRA060=:SIFRA060");
        m_upd.DeclareVariable(QStringLiteral("OPIS_060"), otString);
        m_upd.DeclareVariable(QStringLiteral("DATUMIPL"), otString);
        m_upd.DeclareVariable(QStringLiteral("SIFRA060"), otInteger);
        m_upd.SetVariable(QStringLiteral("DATUMIPL"), QStringLiteral("02.02.2024 10:11:12"));
    }

    void insert(int key, const QString &code)
    {
        m_ins.SetVariable(QStringLiteral("SIFRA060"), key);
        m_ins.SetVariable(QStringLiteral("CODE_060"), code);
        m_ins.SetVariable(QStringLiteral("OPIS_060"), QStringLiteral("activity ") + code);
        m_ins.Execute();
        m_s.Commit();
    }
    qint64 find(const QString &code, QString *opis = nullptr)
    {
        m_sel.SetVariable(QStringLiteral("code_060"), code);
        m_sel.Open();
        qint64 key = -1;
        if (!m_sel.Eof()) {
            key = m_sel.FieldByName(QStringLiteral("SIFRA060")).AsInteger();
            if (opis)
                *opis = m_sel.FieldByName(QStringLiteral("OPIS_060")).AsString();
        }
        m_sel.Close();
        return key;
    }
    void update(qint64 key, const QString &opis)
    {
        m_upd.SetVariable(QStringLiteral("SIFRA060"), key);
        m_upd.SetVariable(QStringLiteral("OPIS_060"), opis);
        m_upd.Execute();
        m_s.Commit();
    }

private:
    TOracleSession m_s;
    TOracleQuery m_ins;
    TOracleDataSet m_sel;
    TOracleQuery m_upd;

    void exec(const QString &sql)
    {
        TOracleQuery q(&m_s);
        q.SQL << sql;
        q.Execute();
    }
};

// One loop run on both sides in alternating blocks of rows, so that a load
// that comes and goes on a shared machine falls on both alike. Returns rows
// per CPU second of each side.
struct Pair {
    double raw = 0, layer = 0;
};

Pair alternate(int rows, bool runRaw, bool runLayer, const std::function<void(int)> &rawBody,
               const std::function<void(int)> &layerBody)
{
    constexpr int kBlock = 250;
    double rawCpu = 0, layerCpu = 0;
    for (int from = 0; from < rows; from += kBlock) {
        const int to = std::min(rows, from + kBlock);
        double t0 = cpuSeconds();
        if (runRaw)
            for (int i = from; i < to; ++i)
                rawBody(i);
        double t1 = cpuSeconds();
        if (runLayer)
            for (int i = from; i < to; ++i)
                layerBody(i);
        double t2 = cpuSeconds();
        rawCpu += t1 - t0;
        layerCpu += t2 - t1;
    }
    return {rows / std::max(1e-9, rawCpu), rows / std::max(1e-9, layerCpu)};
}

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

void line(const char *name, double raw, double layer)
{
    std::printf("  %-30s %10.0f %10.0f %8.2fx\n", name, raw, layer, layer / raw);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(100, QString::fromLocal8Bit(argv[1]).toInt()) : 20000;
    QTemporaryDir dir;
    qputenv("MOX_DB_ROOT", QDir(dir.path()).filePath(QStringLiteral("db")).toLocal8Bit());
    try {
        Raw raw(QDir(dir.path()).filePath(QStringLiteral("raw.db")));
        Layer layer(QStringLiteral("BENCH"));
        std::printf("commit path, %d rows per loop, one commit per row, in %s\n", rows, qPrintable(dir.path()));
        // the raw loop first, then the layer; each on its own files
        const QString only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
        const bool runRaw = only != QLatin1String("layer"), runLayer = only != QLatin1String("raw");
        const Pair ins = alternate(rows, runRaw, runLayer, insertLoop(raw), insertLoop(layer));
        const Pair upd = alternate(rows, runRaw, runLayer, selectUpdateLoop(raw, rows), selectUpdateLoop(layer, rows));
        const Pair sel = alternate(rows, runRaw, runLayer, selectInsertLoop(raw, rows), selectInsertLoop(layer, rows));
        std::printf("  %-30s %10s %10s %9s\n", "rows per CPU second", "raw", "layer", "ratio");
        line("insert + commit", ins.raw, ins.layer);
        line("key select + update + commit", upd.raw, upd.layer);
        line("select + insert + commit", sel.raw, sel.layer);
        std::printf("  peak memory %.1f MB\n", moxbench::peakMegabytes());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "mox-bench-commitpath: %s\n", e.what());
        return 1;
    }
    return 0;
}
