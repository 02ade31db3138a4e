#pragma once
// The Oracle session and statement layer: one session, query objects that
// return rows, statement objects that do not, and CLOB locators. Every failure
// raises EMoxError whose message is the database's own text.
//
// Values read as text follow one form for every engine: a DATE reads as
// "DD.MM.YYYY HH24:MI:SS", a number in its shortest exact form with "." as
// decimal separator ("12", "12.5", "-0.25"), NULL as empty text (or zero).
#include "base/moxerror.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

class OraEngineSession;   // engine side of a session (oracle/engine.h)
class OraEngineCursor;    // engine side of a prepared statement
class OraEngineLob;       // engine side of a LOB locator

// Variable types of DeclareVariable.
enum TOracleType { otString, otInteger, otFloat, otDate, otCLOB };

class TOracleSession {
public:
    TOracleSession();
    ~TOracleSession();
    TOracleSession(const TOracleSession &) = delete;
    TOracleSession &operator=(const TOracleSession &) = delete;

    QString LogonUsername;
    QString LogonPassword;
    QString LogonDatabase;

    bool Connected() const;
    // false logs off, committing the open transaction as an Oracle session's
    // end does; true logs on with the Logon fields (raises on failure).
    void setConnected(bool on);

    void Commit();
    void Rollback();

    // Engine side; null while not connected. For the layer's own objects.
    OraEngineSession *engine() const;
    // Grows with every logon and logoff, so that statement objects notice
    // that their engine-side cursor belongs to an earlier connection.
    quint64 connectionSerial() const { return m_serial; }

private:
    std::unique_ptr<OraEngineSession> m_engine;
    quint64 m_serial = 0;
};

// The database aliases the client knows, sorted, without duplicates.
QStringList oracleAliasList();

// One column value of the current row, or a variable's value.
class TOracleValue {
public:
    TOracleValue() = default;
    explicit TOracleValue(QVariant v) : m_value(std::move(v)) {}
    bool IsNull() const { return m_value.isNull() || !m_value.isValid(); }
    QString AsString() const;       // the layer's text form
    qint64 AsInteger() const;       // NULL gives 0
    double AsFloat() const;         // NULL gives 0
    QDateTime AsDateTime() const;   // NULL gives an invalid date-time
    const QVariant &value() const { return m_value; }

private:
    QVariant m_value; // null, QString, qint64, double or QDateTime
};

class TLOBLocator;

// What query and statement objects share: SQL text and bind variables.
class TOracleStatementBase {
public:
    explicit TOracleStatementBase(TOracleSession *session);
    virtual ~TOracleStatementBase();
    TOracleStatementBase(const TOracleStatementBase &) = delete;
    TOracleStatementBase &operator=(const TOracleStatementBase &) = delete;

    TOracleSession *Session;
    // SQL text as a list of lines; sent joined with line ends, unchanged.
    QStringList SQL;

    void DeleteVariables();
    // Declares ":name"; names match without regard to case.
    void DeclareVariable(const QString &name, TOracleType type);
    // Binds a value: QString, int/qint64, double, QDateTime, or a null
    // QVariant() for Null. Stays bound until changed.
    void SetVariable(const QString &name, const QVariant &value);
    // Value an executed statement or block left in a variable.
    TOracleValue GetVariable(const QString &name) const;
    void SetComplexVariable(const QString &name, TLOBLocator *locator);

protected:
    struct Variable {
        QString name; // as declared
        QString key;  // upper case, as the engines name it
        TOracleType type = otString;
        QVariant value;
        TLOBLocator *lob = nullptr;
    };
    std::vector<Variable> m_vars;
    Variable *findVariable(const QString &name);
    const Variable *findVariable(const QString &name) const;
    QString sqlText() const;

    // The engine-side cursor, made on first use on the session's connection.
    std::unique_ptr<OraEngineCursor> m_cursor;
    quint64 m_cursorSerial = 0;
    // Runs the SQL text with the bound variables; afterwards the variables
    // hold what the statement left in them and CLOB locators are set.
    OraEngineCursor &run();
};

// A query object: opened, read row by row, closed.
class TOracleDataSet : public TOracleStatementBase {
public:
    explicit TOracleDataSet(TOracleSession *session);
    ~TOracleDataSet() override;

    bool Active() const;
    // true executes and makes the first row current; false closes.
    void setActive(bool on);
    void Open() { setActive(true); }
    void Close() { setActive(false); }

    bool Eof() const;
    void Next();
    void First();

    // Column of the current row; a name the result lacks raises an error.
    TOracleValue FieldByName(const QString &column) const;
    int FieldCount() const;
    QString FieldName(int index) const;
    TOracleValue Field(int index) const;

    // Deletes the row whose ROWID is the first column of the current row and
    // commits at once; moves to the next row.
    void Delete();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A statement object: executed without a result set.
class TOracleQuery : public TOracleStatementBase {
public:
    explicit TOracleQuery(TOracleSession *session);
    ~TOracleQuery() override;

    // Removes the SQL text and the variables.
    void Clear();
    void Execute();
    // Rows written by the last Execute.
    int RowsProcessed() const { return m_rowsProcessed; }

private:
    int m_rowsProcessed = 0;
};

// A CLOB locator: bound as the target of a "returning ... into :var" clause;
// after Execute, Write stores the text into that row's CLOB.
class TLOBLocator {
public:
    TLOBLocator(TOracleSession *session, TOracleType type = otCLOB);
    ~TLOBLocator();
    TLOBLocator(const TLOBLocator &) = delete;
    TLOBLocator &operator=(const TLOBLocator &) = delete;

    void Write(const QString &text);
    QString Read() const;

    // Engine side, set by the statement that returned into this locator.
    OraEngineLob *engine() const { return m_engine.get(); }
    void setEngine(std::unique_ptr<OraEngineLob> lob);
    TOracleSession *session() const { return m_session; }

private:
    TOracleSession *m_session;
    std::unique_ptr<OraEngineLob> m_engine;
};
