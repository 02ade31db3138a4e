#pragma once
// The embedded engine's cursors and the LOB locators they hand out. A cursor
// parses and translates its statement once and keeps the prepared SQLite
// statement until the text or the catalog's DDL version changes, then hands
// it to the session for the next cursor with that text; a query's rows are
// fetched one by one from SQLite. Private to the embedded engine.
#include "oracle/embedded/session.h"

#include <deque>

namespace oraembed {

// A CLOB or BLOB column of one row, returned by INSERT ... RETURNING.
class EmbeddedLob : public OraEngineLob {
public:
    EmbeddedLob(EmbeddedSession *s, QString owner, QString table, QString column, qint64 rowid);
    ~EmbeddedLob() override;
    void write(const QString &text) override;
    QString read() override;
    EmbeddedSession *m_s; // null once the session has ended

private:
    QString m_owner, m_table, m_column;
    qint64 m_rowid;
    void check() const;
};

class EmbeddedCursor : public OraEngineCursor {
public:
    explicit EmbeddedCursor(EmbeddedSession *s) : m_s(s) {}
    ~EmbeddedCursor() override;

    void execute(const QString &sql, const std::vector<OraBindValue> &vars) override;
    bool isQuery() const override { return m_isQuery; }
    QStringList columnNames() const override;
    bool fetch(std::vector<QVariant> &row) override;
    void close() override;
    int rowsProcessed() const override { return m_rows; }
    std::map<QString, QVariant> outValues() const override { return m_out; }
    std::unique_ptr<OraEngineLob> takeLob(const QString &name) override;

    // The session drains a pending query before writes, rollbacks and detaches.
    void drain();
    // The transaction ended: a FOR UPDATE query still open lost its locks;
    // rows not yet fetched can no longer be fetched (as on a server).
    void transactionEnded();
    void sessionClosed();

    static void readRow(sqlite3_stmt *st, const std::vector<OutColumn> &cols, std::vector<QVariant> &row);
    static QVariant value(sqlite3_stmt *st, int i, VType t);

private:
    struct Step {
        Translation tr;
        sqlite3_stmt *st = nullptr;
    };

    EmbeddedSession *m_s;
    QString m_sql;
    qint64 m_version = -1;
    std::unique_ptr<Stmt> m_stmt;
    Translation m_tr;
    QStringList m_columnNames; // of m_tr, made once per translation
    sqlite3_stmt *m_st = nullptr;
    std::vector<Step> m_steps; // block statements, prepared on first use
    bool m_isQuery = false;
    bool m_pending = false;
    bool m_forUpdate = false;     // a SELECT ... FOR UPDATE
    bool m_outOfSequence = false; // its transaction ended before all rows were fetched
    std::deque<std::vector<QVariant>> m_buffer;
    QString m_error;
    int m_rows = 0;
    std::map<QString, QVariant> m_out;
    std::map<QString, std::unique_ptr<OraEngineLob>> m_lobs;

    void finalizeAll();
    // Hands a query's or DML statement's prepared text back to the session.
    void keepPrepared();
    void prepareStatement(const QString &sql, qint64 version);
    void openQuery(const std::map<QString, OraBindValue> &vars);
    void bind(sqlite3_stmt *st, const std::map<QString, OraBindValue> &vars);
    // The parameter names of a prepared statement, read once.
    const QStringList &parameterNames(sqlite3_stmt *st);
    std::vector<std::pair<sqlite3_stmt *, QStringList>> m_parameters;
    void runDml(const Translation &tr, sqlite3_stmt *st, std::map<QString, OraBindValue> &vars);
    void runBlock(std::map<QString, OraBindValue> &vars);
    void runScalarStep(size_t i, const BlockStep &bs, std::map<QString, OraBindValue> &vars);
    Step &step(size_t i, const BlockStep &bs);
};

} // namespace oraembed
