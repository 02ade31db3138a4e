// The client-library engine's session: logon, transactions, logoff.
#include "oracle/oci/ocisession.h"

#include "oracle/oci/ocicursor.h"

namespace ocieng {

using namespace oci;

namespace {

[[noreturn]] void fail(const QString &m) { throw EMoxError(m); }

QByteArray utf8(const QString &s) { return s.toUtf8(); }

} // namespace

int fetchRows()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("MOX_OCI_FETCH_ROWS", &ok);
    return ok && n > 0 ? n : 500;
}

OciSession::OciSession(const oci::Api &api, QString user) : m_api(&api), m_user(std::move(user)) {}

std::unique_ptr<OraEngineSession> OciSession::connect(const QString &alias, const QString &user, const QString &password)
{
    std::unique_ptr<OciSession> s(new OciSession(oci::api(), user.toUpper()));
    s->logon(alias, password);
    return s;
}

void OciSession::logon(const QString &alias, const QString &password)
{
    const Api &a = *m_api;
    const sword rc = a.EnvNlsCreate(&m_env, THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr, CHARSET_AL32UTF8,
                                    CHARSET_AL32UTF8);
    if (rc != SUCCESS || !m_env) {
        QString reason;
        if (m_env) {
            sb4 code = 0;
            OraText buf[3072] = {0};
            a.ErrorGet(m_env, 1, nullptr, &code, buf, sizeof buf, HTYPE_ENV);
            reason = QString::fromUtf8(reinterpret_cast<const char *>(buf)).trimmed();
        }
        fail(QStringLiteral("Okolja odjemalca Oracle ni mogoče ustvariti%1").arg(reason.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + reason));
    }
    auto alloc = [&](Handle **h, ub4 type) {
        if (a.HandleAlloc(m_env, h, type, 0, nullptr) != SUCCESS || !*h)
            fail(QStringLiteral("Odjemalec Oracle ne da ročaja vrste %1.").arg(type));
    };
    alloc(&m_err, HTYPE_ERROR);
    alloc(&m_srv, HTYPE_SERVER);
    const QByteArray link = utf8(alias);
    check(a.ServerAttach(m_srv, m_err, reinterpret_cast<const OraText *>(link.constData()), sb4(link.size()), DEFAULT));
    m_attached = true;
    alloc(&m_svc, HTYPE_SVCCTX);
    check(a.AttrSet(m_svc, HTYPE_SVCCTX, m_srv, 0, ATTR_SERVER, m_err));
    alloc(&m_sess, HTYPE_SESSION);
    QByteArray u = utf8(m_user), p = utf8(password);
    check(a.AttrSet(m_sess, HTYPE_SESSION, u.data(), ub4(u.size()), ATTR_USERNAME, m_err));
    check(a.AttrSet(m_sess, HTYPE_SESSION, p.data(), ub4(p.size()), ATTR_PASSWORD, m_err));
    check(a.AttrSet(m_svc, HTYPE_SVCCTX, m_sess, 0, ATTR_SESSION, m_err));
    check(a.SessionBegin(m_svc, m_err, m_sess, CRED_RDBMS, DEFAULT));
    m_begun = true;
    // the same date and number texts on every client
    run(QStringLiteral("ALTER SESSION SET NLS_DATE_FORMAT = 'DD.MM.YYYY' NLS_NUMERIC_CHARACTERS = '.,'"));
}

OciSession::~OciSession()
{
    for (OciCursor *c : std::set<OciCursor *>(m_cursors))
        c->detach();
    for (OciLob *l : std::set<OciLob *>(m_lobs))
        l->detach();
    m_cursors.clear();
    m_lobs.clear();
    const Api &a = *m_api;
    // A normal logoff: ending the session commits what is still open (the
    // layer has rolled back before it lets the session go).
    if (m_begun)
        a.SessionEnd(m_svc, m_err, m_sess, DEFAULT);
    if (m_attached)
        a.ServerDetach(m_srv, m_err, DEFAULT);
    if (m_sess)
        a.HandleFree(m_sess, HTYPE_SESSION);
    if (m_svc)
        a.HandleFree(m_svc, HTYPE_SVCCTX);
    if (m_srv)
        a.HandleFree(m_srv, HTYPE_SERVER);
    if (m_err)
        a.HandleFree(m_err, HTYPE_ERROR);
    if (m_env)
        a.HandleFree(m_env, HTYPE_ENV);
}

void OciSession::check(sword rc) const
{
    if (rc == SUCCESS || rc == SUCCESS_WITH_INFO)
        return;
    if (rc == INVALID_HANDLE)
        fail(QStringLiteral("Odjemalec Oracle je zavrnil neveljaven ročaj (OCI_INVALID_HANDLE)."));
    if (rc != ERROR)
        fail(QStringLiteral("Nepričakovan odgovor odjemalca Oracle (%1).").arg(rc));
    sb4 code = 0;
    OraText buf[3072] = {0};
    QString text;
    if (m_api->ErrorGet(m_err, 1, nullptr, &code, buf, sizeof buf - 1, HTYPE_ERROR) == SUCCESS)
        text = QString::fromUtf8(reinterpret_cast<const char *>(buf)).trimmed();
    if (text.isEmpty())
        text = QStringLiteral("ORA-%1").arg(code, 5, 10, QLatin1Char('0'));
    fail(text);
}

void OciSession::commit() { check(m_api->TransCommit(m_svc, m_err, DEFAULT)); }

void OciSession::rollback() { check(m_api->TransRollback(m_svc, m_err, DEFAULT)); }

std::unique_ptr<OraEngineCursor> OciSession::createCursor() { return std::make_unique<OciCursor>(this); }

void OciSession::run(const QString &sql)
{
    OciCursor c(this);
    c.execute(sql, {});
}

void OciSession::deleteRow(const QString &rowid)
{
    // the query whose fetched rows hold the ROWID names the table
    QString table = m_lastRowidTable;
    for (OciCursor *c : m_cursors)
        if (c->holdsRowid(rowid)) {
            table = c->rowidTable();
            break;
        }
    if (table.isEmpty())
        fail(QStringLiteral("ORA-01410: invalid ROWID (%1)").arg(rowid));
    OciCursor c(this);
    c.execute(QStringLiteral("DELETE FROM %1 WHERE ROWID = :RID").arg(table), {{QStringLiteral("RID"), otString, rowid}});
    if (c.rowsProcessed() == 0) // a row already gone is no success
        fail(QStringLiteral("ORA-01410: invalid ROWID (%1)").arg(rowid));
}

void OciSession::track(OciCursor *c, bool alive)
{
    if (alive)
        m_cursors.insert(c);
    else
        m_cursors.erase(c);
}

void OciSession::track(OciLob *l, bool alive)
{
    if (alive)
        m_lobs.insert(l);
    else
        m_lobs.erase(l);
}

} // namespace ocieng
