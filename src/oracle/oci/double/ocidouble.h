#pragma once
// The client-library double: a shared library that exports the Oracle Call
// Interface functions this program (and an ordinary OCI client) calls, with
// their names, prototypes and constants, and serves the embedded database
// whose alias is the connect string. It keeps the library's rules rather
// than the embedded engine's conveniences: handles and descriptors with
// their types, iteration counts, OCI_NO_DATA at the end of a fetch,
// indicators, return lengths and column return codes, the binary NUMBER and
// DATE forms, LOB locators that can be written only in the transaction that
// returned them, and error records read with OCIErrorGet.
//
// Internal to the double; callers only see the exported functions.
#include "oracle/engine.h"
#include "oracle/oci/ocidefs.h"

#include <deque>
#include <memory>
#include <vector>

namespace ocidbl {

using namespace oci;

constexpr quint32 kMagic = 0x0C1D0B1E;

struct Base {
    explicit Base(ub4 t) : type(t) {}
    virtual ~Base() = default;
    quint32 magic = kMagic;
    ub4 type;
};

struct ErrorRecord {
    sb4 code = 0;
    QByteArray text; // UTF-8
    void set(sb4 c, const QString &t)
    {
        code = c;
        text = t.toUtf8();
    }
    void clear()
    {
        code = 0;
        text.clear();
    }
};

struct Env : Base {
    Env() : Base(HTYPE_ENV) {}
    ErrorRecord error;
};

struct Err : Base {
    Err() : Base(HTYPE_ERROR) {}
    ErrorRecord rec;
};

struct Server : Base {
    Server() : Base(HTYPE_SERVER) {}
    QString alias;
    bool attached = false;
};

struct Svc;

struct Session : Base {
    Session() : Base(HTYPE_SESSION) {}
    QString user, password;
    Svc *svc = nullptr; // the service context that began it
};

struct Svc : Base {
    Svc() : Base(HTYPE_SVCCTX) {}
    Env *env = nullptr;
    Server *server = nullptr;
    Session *session = nullptr;
    std::unique_ptr<OraEngineSession> engine;
    quint64 txn = 1;      // grows when a transaction ends
    bool dirty = false;   // a transaction is open
    QString dateFormat = QStringLiteral("DD-MON-RR");
    void endTransaction()
    {
        ++txn;
        dirty = false;
    }
};

// The content behind a LOB locator.
struct LobData {
    enum Kind { None, Row, Value, Temp } kind = None;
    bool clob = true;
    std::unique_ptr<OraEngineLob> row; // Row: the row's LOB, written in place
    Svc *svc = nullptr;
    quint64 txn = 0;                    // Row: the transaction that returned it
    QString text;                       // Value (read-only) and Temp content
    QByteArray bytes;                   // BLOB content
};

struct Lob : Base {
    Lob() : Base(DTYPE_LOB) {}
    std::shared_ptr<LobData> data = std::make_shared<LobData>();
};

// A TIMESTAMP descriptor (with or without a time zone: the double keeps
// local times and reports the offset 0).
struct Stamp : Base {
    explicit Stamp(ub4 t) : Base(t) {}
    QDateTime dt;
    ub4 fsec = 0; // nanoseconds
};

inline bool isStampType(ub4 t) { return t == DTYPE_TIMESTAMP || t == 69 || t == 70; }

// A ROWID descriptor. The embedded engine does not say which row a DML
// statement touched, so the last ROWID of a statement reads as empty text.
struct Rowid : Base {
    Rowid() : Base(DTYPE_ROWID) {}
    QByteArray text;
};

struct ColumnDesc {
    QString name;
    QByteArray nameUtf8; // what OCI_ATTR_NAME points into, kept with the statement
    ub2 type = SQLT_CHR; // as described
    ub2 size = 4000;
    sb2 precision = 0;
    sb1 scale = -127;
};

struct Param : Base {
    Param() : Base(DTYPE_PARAM) {}
    const ColumnDesc *col = nullptr; // one of its statement's columns
};

struct Stmt;

struct Bind : Base {
    Bind() : Base(HTYPE_BIND) {}
    Stmt *stmt = nullptr;
    QString name;
    void *valuep = nullptr;
    sb8 valueSz = 0;
    ub2 dty = SQLT_CHR;
    sb2 *ind = nullptr;
    ub4 *alen = nullptr;
    ub2 *rcode = nullptr;
    ub4 mode = 0;
    void *ictx = nullptr, *octx = nullptr;
    CallbackInBind icb = nullptr;
    CallbackOutBind ocb = nullptr;
    ub4 rowsReturned = 0;
};

struct Define : Base {
    Define() : Base(HTYPE_DEFINE) {}
    void *valuep = nullptr;
    sb8 valueSz = 0;
    ub2 dty = SQLT_CHR;
    sb2 *ind = nullptr;
    ub4 *rlen = nullptr;
    ub2 *rcode = nullptr;
};

struct Stmt : Base {
    Stmt() : Base(HTYPE_STMT) {}
    Svc *svc = nullptr;
    QString sql;
    ub2 stmtType = 0;
    QStringList returning;
    std::vector<std::unique_ptr<Bind>> binds;
    std::vector<std::unique_ptr<Define>> defines; // by position - 1
    std::unique_ptr<OraEngineCursor> cursor;
    quint64 cursorOf = 0; // the engine session the cursor belongs to
    std::vector<ColumnDesc> cols;
    std::deque<std::vector<QVariant>> ahead; // rows read to describe the result
    bool executed = false, open = false, engineDone = true;
    bool forUpdate = false;   // its rows are locked by the transaction of its execution
    quint64 txnOfOpen = 0;
    ub4 rowsFetched = 0;
    ub8 rowCount = 0;
    ub4 prefetch = 1;
};

// Casts a caller's handle after checking that it is one of the double's and
// of the type expected; null otherwise.
template <class T> T *as(const void *h, ub4 type)
{
    auto *b = static_cast<Base *>(const_cast<void *>(h));
    if (!b || b->magic != kMagic || b->type != type)
        return nullptr;
    return static_cast<T *>(b);
}

// Error records: sets the record and gives OCI_ERROR.
sword fail(Err *err, sb4 code, const QString &text);
// The message of an engine error as an error record ("ORA-nnnnn: ..." keeps
// its number; any other text gets 20000).
sword fail(Err *err, const EMoxError &e);

// Counts OCIStmtFetch2 calls (for the benchmark).
void countFetch();
quint64 fetchCalls();

} // namespace ocidbl
