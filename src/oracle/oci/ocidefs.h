#pragma once
// Our own declarations of the Oracle Call Interface: the C types, the
// constants and the prototypes of the functions this program calls. The
// client library is loaded at run time, so no vendor header is needed to
// build; the widths below are those of the library's C interface (ub4 is
// 32 bits on every platform, never a long).
#include <cstddef>
#include <cstdint>

namespace oci {

using ub1 = unsigned char;
using sb1 = signed char;
using ub2 = unsigned short;
using sb2 = short;
using ub4 = unsigned int;
using sb4 = int;
using ub8 = unsigned long long;
using sb8 = long long;
using sword = int;
using uword = unsigned int;
using boolean = int;
using OraText = unsigned char;

// Handles and descriptors are opaque to the caller.
using Handle = void;

// return codes
constexpr sword SUCCESS = 0;
constexpr sword SUCCESS_WITH_INFO = 1;
constexpr sword NEED_DATA = 99;
constexpr sword NO_DATA = 100;
constexpr sword ERROR = -1;
constexpr sword INVALID_HANDLE = -2;
constexpr sword STILL_EXECUTING = -3123;
constexpr sb4 CONTINUE = -24200;

// handle types
constexpr ub4 HTYPE_ENV = 1;
constexpr ub4 HTYPE_ERROR = 2;
constexpr ub4 HTYPE_SVCCTX = 3;
constexpr ub4 HTYPE_STMT = 4;
constexpr ub4 HTYPE_BIND = 5;
constexpr ub4 HTYPE_DEFINE = 6;
constexpr ub4 HTYPE_DESCRIBE = 7;
constexpr ub4 HTYPE_SERVER = 8;
constexpr ub4 HTYPE_SESSION = 9;
constexpr ub4 HTYPE_TRANS = 10;

// descriptor types
constexpr ub4 DTYPE_LOB = 50;
constexpr ub4 DTYPE_PARAM = 53;
constexpr ub4 DTYPE_ROWID = 54;
constexpr ub4 DTYPE_TIMESTAMP = 68;

// modes
constexpr ub4 DEFAULT = 0;
constexpr ub4 THREADED = 0x1;
constexpr ub4 OBJECT = 0x2;
constexpr ub4 CRED_RDBMS = 1;
constexpr ub4 CRED_EXT = 2;
constexpr ub4 STMT_CACHE = 0x40;
constexpr ub4 NTV_SYNTAX = 1;
constexpr ub4 DESCRIBE_ONLY = 0x10;
constexpr ub4 COMMIT_ON_SUCCESS = 0x20;
constexpr ub4 PARSE_ONLY = 0x100;
constexpr ub2 FETCH_NEXT = 0x2;
constexpr ub4 DATA_AT_EXEC = 0x2;
constexpr ub1 ONE_PIECE = 0;
constexpr sb2 IND_NULL = -1;
constexpr sb2 IND_NOTNULL = 0;
constexpr ub1 TEMP_BLOB = 1;
constexpr ub1 TEMP_CLOB = 2;
constexpr ub2 DURATION_SESSION = 10;
constexpr uword NUMBER_UNSIGNED = 0;
constexpr uword NUMBER_SIGNED = 2;
constexpr ub2 NLS_CHARSET_MAXBYTESZ = 91;
constexpr ub4 SERVER_NORMAL = 1;

// character sets and forms
constexpr ub2 CHARSET_AL32UTF8 = 873;
constexpr ub1 SQLCS_IMPLICIT = 1;
constexpr ub1 SQLCS_NCHAR = 2;

// attributes (the number's meaning depends on the handle type)
constexpr ub4 ATTR_DATA_SIZE = 1;
constexpr ub4 ATTR_DATA_TYPE = 2;
constexpr ub4 ATTR_NAME = 4;
constexpr ub4 ATTR_PRECISION = 5;
constexpr ub4 ATTR_SCALE = 6;
constexpr ub4 ATTR_IS_NULL = 7;
constexpr ub4 ATTR_ENV = 5;
constexpr ub4 ATTR_SERVER = 6;
constexpr ub4 ATTR_SESSION = 7;
constexpr ub4 ATTR_TRANS = 8;
constexpr ub4 ATTR_ROW_COUNT = 9;
constexpr ub4 ATTR_PREFETCH_ROWS = 11;
constexpr ub4 ATTR_PREFETCH_MEMORY = 13;
constexpr ub4 ATTR_PARAM_COUNT = 18;
constexpr ub4 ATTR_ROWID = 19;
constexpr ub4 ATTR_USERNAME = 22;
constexpr ub4 ATTR_PASSWORD = 23;
constexpr ub4 ATTR_STMT_TYPE = 24;
constexpr ub4 ATTR_CHARSET_ID = 31;
constexpr ub4 ATTR_CHARSET_FORM = 32;
constexpr ub4 ATTR_MAXDATA_SIZE = 33;
constexpr ub4 ATTR_ROWS_RETURNED = 42;
constexpr ub4 ATTR_LOBEMPTY = 45;
constexpr ub4 ATTR_PARSE_ERROR_OFFSET = 129;
constexpr ub4 ATTR_SERVER_STATUS = 143;
constexpr ub4 ATTR_STATEMENT = 144;
constexpr ub4 ATTR_STMTCACHESIZE = 176;
constexpr ub4 ATTR_ROWS_FETCHED = 197;
constexpr ub4 ATTR_STMT_IS_RETURNING = 218;
constexpr ub4 ATTR_NCHARSET_ID = 262;
constexpr ub4 ATTR_CHAR_USED = 285;
constexpr ub4 ATTR_CHAR_SIZE = 286;
constexpr ub4 ATTR_DRIVER_NAME = 424;
constexpr ub4 ATTR_LOBPREFETCH_LENGTH = 440;
constexpr ub4 ATTR_UB8_ROW_COUNT = 457;
constexpr ub4 ATTR_ERROR_IS_RECOVERABLE = 472;
constexpr ub4 ATTR_TRANSACTION_IN_PROGRESS = 484;
constexpr ub4 ATTR_SQL_ID = 504;
constexpr ub4 ATTR_CALL_TIMEOUT = 531;
constexpr ub4 ATTR_JSON_COL = 534;

// statement types
constexpr ub2 STMT_UNKNOWN = 0;
constexpr ub2 STMT_SELECT = 1;
constexpr ub2 STMT_UPDATE = 2;
constexpr ub2 STMT_DELETE = 3;
constexpr ub2 STMT_INSERT = 4;
constexpr ub2 STMT_CREATE = 5;
constexpr ub2 STMT_DROP = 6;
constexpr ub2 STMT_ALTER = 7;
constexpr ub2 STMT_BEGIN = 8;
constexpr ub2 STMT_DECLARE = 9;
constexpr ub2 STMT_CALL = 10;
constexpr ub2 STMT_MERGE = 16;
constexpr ub2 STMT_ROLLBACK = 17;
constexpr ub2 STMT_COMMIT = 21;

// external data types
constexpr ub2 SQLT_CHR = 1;
constexpr ub2 SQLT_NUM = 2;
constexpr ub2 SQLT_INT = 3;
constexpr ub2 SQLT_FLT = 4;
constexpr ub2 SQLT_STR = 5;
constexpr ub2 SQLT_VNU = 6;
constexpr ub2 SQLT_LNG = 8;
constexpr ub2 SQLT_VCS = 9;
constexpr ub2 SQLT_RID = 11;
constexpr ub2 SQLT_DAT = 12;
constexpr ub2 SQLT_BFLOAT = 21;
constexpr ub2 SQLT_BDOUBLE = 22;
constexpr ub2 SQLT_BIN = 23;
constexpr ub2 SQLT_LBI = 24;
constexpr ub2 SQLT_UIN = 68;
constexpr ub2 SQLT_LVC = 94;
constexpr ub2 SQLT_AFC = 96;
constexpr ub2 SQLT_AVC = 97;
constexpr ub2 SQLT_IBFLOAT = 100;
constexpr ub2 SQLT_IBDOUBLE = 101;
constexpr ub2 SQLT_RDD = 104;
constexpr ub2 SQLT_CLOB = 112;
constexpr ub2 SQLT_BLOB = 113;
constexpr ub2 SQLT_ODT = 156;
constexpr ub2 SQLT_TIMESTAMP = 187;
constexpr ub2 SQLT_TIMESTAMP_TZ = 188;
constexpr ub2 SQLT_TIMESTAMP_LTZ = 232;

// Sizes of the binary formats.
constexpr int kNumberSize = 22; // SQLT_VNU / OCINumber
constexpr int kDateSize = 7;    // SQLT_DAT
constexpr int kOciDateSize = 8; // SQLT_ODT (OCIDate)

// Callback shapes of dynamic binds.
using CallbackInBind = sb4 (*)(void *ictxp, Handle *bindp, ub4 iter, ub4 index, void **bufpp, ub4 *alenp,
                               ub1 *piecep, void **indpp);
using CallbackOutBind = sb4 (*)(void *octxp, Handle *bindp, ub4 iter, ub4 index, void **bufpp, ub4 **alenpp,
                                ub1 *piecep, void **indpp, ub2 **rcodepp);

// The prototypes, as function pointer types. Every function returns sword
// except OCIClientVersion.
using FnClientVersion = void (*)(sword *major, sword *minor, sword *update, sword *patch, sword *portUpdate);
using FnEnvNlsCreate = sword (*)(Handle **envhpp, ub4 mode, void *ctxp, void *(*malocfp)(void *, size_t),
                                 void *(*ralocfp)(void *, void *, size_t), void (*mfreefp)(void *, void *),
                                 size_t xtramemSz, void **usrmempp, ub2 charset, ub2 ncharset);
using FnHandleAlloc = sword (*)(const Handle *parenth, Handle **hndlpp, ub4 type, size_t xtramemSz, void **usrmempp);
using FnHandleFree = sword (*)(Handle *hndlp, ub4 type);
using FnDescriptorAlloc = sword (*)(const Handle *parenth, Handle **descpp, ub4 type, size_t xtramemSz,
                                    void **usrmempp);
using FnDescriptorFree = sword (*)(Handle *descp, ub4 type);
using FnAttrGet = sword (*)(const Handle *trgthndlp, ub4 trghndltyp, void *attributep, ub4 *sizep, ub4 attrtype,
                            Handle *errhp);
using FnAttrSet = sword (*)(Handle *trgthndlp, ub4 trghndltyp, void *attributep, ub4 size, ub4 attrtype,
                            Handle *errhp);
using FnParamGet = sword (*)(const Handle *hndlp, ub4 htype, Handle *errhp, Handle **parmdpp, ub4 pos);
using FnErrorGet = sword (*)(Handle *hndlp, ub4 recordno, OraText *sqlstate, sb4 *errcodep, OraText *bufp,
                             ub4 bufsiz, ub4 type);
using FnServerAttach = sword (*)(Handle *srvhp, Handle *errhp, const OraText *dblink, sb4 dblinkLen, ub4 mode);
using FnServerDetach = sword (*)(Handle *srvhp, Handle *errhp, ub4 mode);
using FnSessionBegin = sword (*)(Handle *svchp, Handle *errhp, Handle *usrhp, ub4 credt, ub4 mode);
using FnSessionEnd = sword (*)(Handle *svchp, Handle *errhp, Handle *usrhp, ub4 mode);
using FnStmtPrepare2 = sword (*)(Handle *svchp, Handle **stmtp, Handle *errhp, const OraText *stmt, ub4 stmtLen,
                                 const OraText *key, ub4 keyLen, ub4 language, ub4 mode);
using FnStmtRelease = sword (*)(Handle *stmtp, Handle *errhp, const OraText *key, ub4 keyLen, ub4 mode);
using FnStmtExecute = sword (*)(Handle *svchp, Handle *stmtp, Handle *errhp, ub4 iters, ub4 rowoff,
                                const Handle *snapIn, Handle *snapOut, ub4 mode);
using FnStmtFetch2 = sword (*)(Handle *stmtp, Handle *errhp, ub4 nrows, ub2 orientation, sb4 fetchOffset, ub4 mode);
using FnBindByName2 = sword (*)(Handle *stmtp, Handle **bindpp, Handle *errhp, const OraText *placeholder,
                                sb4 placehLen, void *valuep, sb8 valueSz, ub2 dty, void *indp, ub4 *alenp,
                                ub2 *rcodep, ub4 maxarrLen, ub4 *curelep, ub4 mode);
using FnBindDynamic = sword (*)(Handle *bindp, Handle *errhp, void *ictxp, CallbackInBind icbfp, void *octxp,
                                CallbackOutBind ocbfp);
using FnDefineByPos2 = sword (*)(Handle *stmtp, Handle **defnpp, Handle *errhp, ub4 position, void *valuep,
                                 sb8 valueSz, ub2 dty, void *indp, ub4 *rlenp, ub2 *rcodep, ub4 mode);
using FnTransCommit = sword (*)(Handle *svchp, Handle *errhp, ub4 flags);
using FnTransRollback = sword (*)(Handle *svchp, Handle *errhp, ub4 flags);
using FnLobRead2 = sword (*)(Handle *svchp, Handle *errhp, Handle *locp, ub8 *byteAmtp, ub8 *charAmtp, ub8 offset,
                             void *bufp, ub8 bufl, ub1 piece, void *ctxp, void *cbfp, ub2 csid, ub1 csfrm);
using FnLobWrite2 = sword (*)(Handle *svchp, Handle *errhp, Handle *locp, ub8 *byteAmtp, ub8 *charAmtp, ub8 offset,
                              void *bufp, ub8 buflen, ub1 piece, void *ctxp, void *cbfp, ub2 csid, ub1 csfrm);
using FnLobGetLength2 = sword (*)(Handle *svchp, Handle *errhp, Handle *locp, ub8 *lenp);
using FnLobTrim2 = sword (*)(Handle *svchp, Handle *errhp, Handle *locp, ub8 newlen);

} // namespace oci
