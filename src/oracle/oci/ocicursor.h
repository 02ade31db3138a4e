#pragma once
// The client-library engine's cursors and LOB locators (the session is in
// ocisession.h). A cursor keeps one prepared statement, binds the declared
// variables its text names, and fetches a query's rows in arrays.
#include "oracle/oci/ocisession.h"

#include <cstring>

namespace ocieng {

using namespace oci; // the engine's own namespace speaks the library's types

// Bytes per character of UTF-8 text at most.
constexpr int kMaxBytesPerChar = 4;

class OciLob : public OraEngineLob {
public:
    OciLob(OciSession *s, Handle *loc) : m_s(s), m_loc(loc) { m_s->track(this, true); }
    ~OciLob() override
    {
        if (m_s) {
            m_s->track(this, false);
            detach();
        }
    }
    void write(const QString &text) override
    {
        check();
        const Api &a = m_s->api();
        m_s->check(a.LobTrim2(m_s->svc(), m_s->err(), m_loc, 0));
        QByteArray data = text.toUtf8();
        if (data.isEmpty())
            return;
        ub8 bytes = ub8(data.size()), chars = 0;
        m_s->check(a.LobWrite2(m_s->svc(), m_s->err(), m_loc, &bytes, &chars, 1, data.data(), ub8(data.size()),
                               ONE_PIECE, nullptr, nullptr, CHARSET_AL32UTF8, SQLCS_IMPLICIT));
    }
    QString read() override
    {
        check();
        return QString::fromUtf8(readLob(m_s, m_loc, true));
    }
    // Frees the locator; the session is ending.
    void detach()
    {
        if (m_s && m_loc)
            m_s->api().DescriptorFree(m_loc, DTYPE_LOB);
        m_loc = nullptr;
        m_s = nullptr;
    }

    // The whole content of a LOB: text of a CLOB as UTF-8, bytes of a BLOB.
    static QByteArray readLob(OciSession *s, Handle *loc, bool clob)
    {
        const Api &a = s->api();
        ub8 len = 0;
        s->check(a.LobGetLength2(s->svc(), s->err(), loc, &len));
        QByteArray out;
        ub8 offset = 1;
        while (offset <= len) {
            const ub8 want = std::min<ub8>(len - offset + 1, 1 << 16);
            QByteArray buf(qsizetype(clob ? want * kMaxBytesPerChar : want), Qt::Uninitialized);
            ub8 bytes = clob ? 0 : want, chars = clob ? want : 0;
            const sword rc = a.LobRead2(s->svc(), s->err(), loc, &bytes, &chars, offset, buf.data(), ub8(buf.size()),
                                        ONE_PIECE, nullptr, nullptr, CHARSET_AL32UTF8, SQLCS_IMPLICIT);
            if (rc != SUCCESS && rc != NO_DATA)
                s->check(rc);
            out.append(buf.constData(), qsizetype(bytes));
            const ub8 got = clob ? chars : bytes;
            if (got == 0)
                break;
            offset += got;
        }
        return out;
    }

private:
    OciSession *m_s;
    Handle *m_loc;
    void check() const
    {
        if (!m_s || !m_loc)
            throw EMoxError(QStringLiteral("ORA-03114: not connected to ORACLE"));
    }
};

// ------------------------------------------------------------------ cursor

class OciCursor : public OraEngineCursor {
public:
    explicit OciCursor(OciSession *s) : m_s(s) { m_s->track(this, true); }
    ~OciCursor() override
    {
        if (m_s) {
            m_s->track(this, false);
            detach();
        }
    }

    void execute(const QString &sql, const std::vector<OraBindValue> &vars) override;
    bool isQuery() const override { return m_type == STMT_SELECT; }
    QStringList columnNames() const override
    {
        QStringList n;
        for (const Column &c : m_cols)
            n << c.name;
        return n;
    }
    bool fetch(std::vector<QVariant> &row) override;
    void close() override
    {
        if (m_s && m_stmt && m_open && !m_done)
            m_s->api().StmtFetch2(m_stmt, m_s->err(), 0, FETCH_NEXT, 0, DEFAULT); // cancels the cursor
        m_open = false;
        m_done = true;
        m_pos = m_count = 0;
    }
    int rowsProcessed() const override { return m_rows; }
    std::map<QString, QVariant> outValues() const override { return m_out; }
    std::unique_ptr<OraEngineLob> takeLob(const QString &name) override
    {
        auto it = m_lobs.find(name.toUpper());
        if (it == m_lobs.end())
            return nullptr;
        std::unique_ptr<OraEngineLob> l = std::move(it->second);
        m_lobs.erase(it);
        return l;
    }

    // The table a ROWID query reads, and whether the rows of its current
    // fetch hold the ROWID.
    const QString &rowidTable() const { return m_rowidTable; }
    bool holdsRowid(const QString &rowid) const
    {
        if (m_rowidTable.isEmpty() || m_cols.empty() || m_cols.front().dty != SQLT_CHR)
            return false;
        const Column &c = m_cols.front();
        const QByteArray want = rowid.toUtf8();
        for (ub4 r = 0; r < m_count; ++r)
            if (c.ind[r] != IND_NULL && c.rlen[r] == ub4(want.size()) &&
                std::memcmp(c.buf.constData() + qsizetype(c.size) * r, want.constData(), size_t(want.size())) == 0)
                return true;
        return false;
    }

    // Releases the statement and its buffers; the session is ending.
    void detach()
    {
        if (!m_s)
            return;
        releaseStatement();
        m_s = nullptr;
    }

private:
    struct Bind {
        QString name;
        TOracleType type = otString;
        ub2 dty = SQLT_CHR;
        QByteArray buf;
        sb2 ind = IND_NULL;
        ub4 alen = 0;
        ub2 rcode = 0;
        Handle *handle = nullptr;
        // a RETURNING target: buffers handed over in the out callback, one
        // per returned row
        bool returning = false;
        ub4 rowsReturned = 0;
        std::vector<QByteArray> rowBufs;
        std::vector<Handle *> rowLocs;
        std::vector<sb2> rowInd;
        std::vector<ub4> rowLen;
        std::vector<ub2> rowCode;
        OciSession *session = nullptr;
    };
    struct Column {
        QString name;
        ub2 type = 0;      // as described
        ub2 dty = SQLT_CHR; // as defined
        int size = 0;      // bytes per row
        QByteArray buf;
        std::vector<sb2> ind;
        std::vector<ub4> rlen;
        std::vector<ub2> rcode;
        std::vector<Handle *> locs;
        Handle *def = nullptr;
    };

    OciSession *m_s;
    Handle *m_stmt = nullptr;
    QString m_sql;
    QStringList m_bound; // the placeholders bound at the last execution
    ub2 m_type = STMT_UNKNOWN;
    std::vector<std::unique_ptr<Bind>> m_binds;
    std::vector<Column> m_cols;
    int m_arrayRows = 1;
    bool m_open = false, m_done = true;
    ub4 m_count = 0, m_pos = 0;
    int m_rows = 0;
    QString m_rowidTable;
    std::map<QString, QVariant> m_out;
    std::map<QString, std::unique_ptr<OraEngineLob>> m_lobs;

    void releaseStatement()
    {
        freeColumns();
        freeBinds();
        if (m_stmt)
            m_s->api().StmtRelease(m_stmt, m_s->err(), nullptr, 0, DEFAULT);
        m_stmt = nullptr;
        m_sql.clear();
        m_bound.clear();
        m_open = false;
        m_done = true;
    }
    void freeColumns()
    {
        for (Column &c : m_cols)
            for (Handle *l : c.locs)
                m_s->api().DescriptorFree(l, DTYPE_LOB);
        m_cols.clear();
    }
    void freeBinds()
    {
        for (auto &b : m_binds)
            for (Handle *l : b->rowLocs)
                if (l)
                    m_s->api().DescriptorFree(l, DTYPE_LOB);
        m_binds.clear();
    }
    void bindAll(const QStringList &names, const QStringList &returning, const std::vector<OraBindValue> &vars);
    void fillIn(Bind &b, const OraBindValue &v);
    void describeAndDefine();
    QVariant cell(Column &c, ub4 r);
    QVariant bindValue(const Bind &b, const QByteArray &buf, sb2 ind, ub4 len) const;

    static sb4 inCallback(void *ctx, Handle *, ub4, ub4, void **bufpp, ub4 *alenp, ub1 *piecep, void **indpp);
    static sb4 outCallback(void *ctx, Handle *bindp, ub4 iter, ub4 index, void **bufpp, ub4 **alenpp, ub1 *piecep,
                           void **indpp, ub2 **rcodepp);
};

} // namespace ocieng
