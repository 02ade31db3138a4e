#pragma once
// The engine side of the Oracle layer. The layer's objects (oracle.h) talk
// only to these interfaces; each engine implements them:
//   - the embedded engine (oracle/embedded), an Oracle-dialect database on
//     SQLite kept in folders under MOX_DB_ROOT;
//   - the Oracle client library, loaded at run time (oracle/oci).
// The engine is chosen per alias: an alias naming an embedded database folder
// uses the embedded engine, any other alias the client library; with
// MOX_ENGINE=oci every alias uses the client library.
//
// Values cross the interface as QVariant: null, QString, qint64, double,
// QDateTime (a DATE) or QByteArray (a BLOB).
#include "oracle/oracle.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <memory>
#include <vector>

// One bound variable of a statement.
struct OraBindValue {
    QString name;          // upper-case, without ':'
    TOracleType type = otString;
    QVariant value;        // the value bound (null for Null)
};

class OraEngineLob {
public:
    virtual ~OraEngineLob() = default;
    // Replaces the LOB's content (inside the session's open transaction).
    virtual void write(const QString &text) = 0;
    virtual QString read() = 0;
};

class OraEngineCursor {
public:
    virtual ~OraEngineCursor() = default;
    // Runs the statement text with the variables. A query's result is left
    // open before its first row; other statements run to completion.
    virtual void execute(const QString &sql, const std::vector<OraBindValue> &vars) = 0;
    virtual bool isQuery() const = 0;
    virtual QStringList columnNames() const = 0;
    // The next row of an open query; false at the end (the result closes).
    virtual bool fetch(std::vector<QVariant> &row) = 0;
    virtual void close() = 0;
    virtual int rowsProcessed() const = 0;
    // Values the last execution left in variables (a block's assignments,
    // a returning clause), upper-case names.
    virtual std::map<QString, QVariant> outValues() const = 0;
    // The LOB a returning clause put into a variable, or null.
    virtual std::unique_ptr<OraEngineLob> takeLob(const QString &name) = 0;
};

class OraEngineSession {
public:
    virtual ~OraEngineSession() = default;
    virtual QString engineName() const = 0;
    virtual QString user() const = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
    virtual std::unique_ptr<OraEngineCursor> createCursor() = 0;
    // Deletes the row a ROWID value (as a query returned it) names.
    virtual void deleteRow(const QString &rowid)
    {
        Q_UNUSED(rowid);
        notSupported(QStringLiteral("deleting a row by its ROWID"));
    }

protected:
    [[noreturn]] void notSupported(const QString &what) const
    {
        throw EMoxError(QStringLiteral("%1 is not supported by the %2 engine").arg(what, engineName()));
    }
};

// One engine kind: which aliases it serves and how it logs on.
struct OraEngineFactory {
    QString name;
    // True when this engine serves the alias.
    bool (*serves)(const QString &alias) = nullptr;
    // The aliases this engine knows.
    QStringList (*aliases)() = nullptr;
    // Logs on; throws EMoxError with the database's message on failure.
    std::unique_ptr<OraEngineSession> (*connect)(const QString &alias, const QString &user,
                                                 const QString &password) = nullptr;
};

// The engines in the order they are asked: embedded first, then the client
// library.
const std::vector<OraEngineFactory> &oraEngines();

// Logs on through the engine that serves the alias.
std::unique_ptr<OraEngineSession> oraConnect(const QString &alias, const QString &user, const QString &password);
