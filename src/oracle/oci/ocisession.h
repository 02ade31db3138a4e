#pragma once
// The engine for real Oracle databases: the layer's session, cursors and
// CLOB locators on the Oracle client library (loaded by ociloader).
//
// Logon attaches to the net service name (a tnsnames.ora alias or an Easy
// Connect string "host:port/service"), begins a session with user and
// password in an environment whose text is UTF-8 (AL32UTF8), and sets the
// session's date format to "DD.MM.YYYY" and its decimal separator to "." so
// that dates and numbers read as text are the same on every client.
//
// Queries fetch rows in arrays; how many rows one fetch call brings is
// MOX_OCI_FETCH_ROWS (default 500), lowered when the row is wide so that the
// buffers stay within a few megabytes. NUMBER columns cross in the
// library's binary number form and DATE columns in its 7-byte form, so no
// conversion depends on the client's language settings.
#include "oracle/engine.h"
#include "oracle/oci/ociloader.h"

#include <set>

namespace ocieng {

class OciCursor;
class OciLob;

class OciSession : public OraEngineSession {
public:
    static std::unique_ptr<OraEngineSession> connect(const QString &alias, const QString &user, const QString &password);
    ~OciSession() override;

    QString engineName() const override { return QStringLiteral("client library"); }
    QString user() const override { return m_user; }
    void commit() override;
    void rollback() override;
    std::unique_ptr<OraEngineCursor> createCursor() override;
    void deleteRow(const QString &rowid) override;

    // for the cursors and locators
    const oci::Api &api() const { return *m_api; }
    oci::Handle *env() const { return m_env; }
    oci::Handle *err() const { return m_err; }
    oci::Handle *svc() const { return m_svc; }
    // Raises EMoxError with the library's message when rc is a failure.
    void check(oci::sword rc) const;
    void track(OciCursor *c, bool alive);
    void track(OciLob *l, bool alive);
    // The table of the latest query that selected a ROWID first: Delete of a
    // query object deletes from the table of the query whose rows hold the
    // ROWID, or else from this one.
    void noteRowidTable(const QString &table) { m_lastRowidTable = table; }

private:
    OciSession(const oci::Api &api, QString user);
    void logon(const QString &alias, const QString &password);
    void run(const QString &sql);

    const oci::Api *m_api;
    QString m_user;
    oci::Handle *m_env = nullptr;
    oci::Handle *m_err = nullptr;
    oci::Handle *m_srv = nullptr;
    oci::Handle *m_svc = nullptr;
    oci::Handle *m_sess = nullptr;
    bool m_attached = false, m_begun = false;
    std::set<OciCursor *> m_cursors;
    std::set<OciLob *> m_lobs;
    QString m_lastRowidTable;
};

// Rows one fetch call asks for (MOX_OCI_FETCH_ROWS, default 500).
int fetchRows();

} // namespace ocieng
