#pragma once
// Finds and loads the Oracle client library at run time and resolves the
// functions this program calls.
//
// Where it looks, in order:
//   - MOX_OCI_LIB, when set: that file only;
//   - the library's names for this platform (libclntsh.so and its versioned
//     names, libclntsh.dylib, oci.dll) through the system's own search
//     (LD_LIBRARY_PATH, ldconfig, PATH ...);
//   - $ORACLE_HOME/lib (bin on Windows);
//   - the usual Instant Client folders (/opt/oracle/instantclient*,
//     /usr/lib/oracle/*/client64/lib).
// When none loads, the error names every file tried and why it failed.
#include "oracle/oci/ocidefs.h"

#include <QString>
#include <QStringList>

namespace oci {

struct Api {
    FnClientVersion ClientVersion = nullptr;
    FnEnvNlsCreate EnvNlsCreate = nullptr;
    FnHandleAlloc HandleAlloc = nullptr;
    FnHandleFree HandleFree = nullptr;
    FnDescriptorAlloc DescriptorAlloc = nullptr;
    FnDescriptorFree DescriptorFree = nullptr;
    FnAttrGet AttrGet = nullptr;
    FnAttrSet AttrSet = nullptr;
    FnParamGet ParamGet = nullptr;
    FnErrorGet ErrorGet = nullptr;
    FnServerAttach ServerAttach = nullptr;
    FnServerDetach ServerDetach = nullptr;
    FnSessionBegin SessionBegin = nullptr;
    FnSessionEnd SessionEnd = nullptr;
    FnStmtPrepare2 StmtPrepare2 = nullptr;
    FnStmtRelease StmtRelease = nullptr;
    FnStmtExecute StmtExecute = nullptr;
    FnStmtFetch2 StmtFetch2 = nullptr;
    FnBindByName2 BindByName2 = nullptr;
    FnBindDynamic BindDynamic = nullptr;
    FnDefineByPos2 DefineByPos2 = nullptr;
    FnTransCommit TransCommit = nullptr;
    FnTransRollback TransRollback = nullptr;
    FnLobRead2 LobRead2 = nullptr;
    FnLobWrite2 LobWrite2 = nullptr;
    FnLobGetLength2 LobGetLength2 = nullptr;
    FnLobTrim2 LobTrim2 = nullptr;

    QString fileName;   // the file that was loaded
    int versionMajor = 0, versionMinor = 0, versionUpdate = 0;
    QString versionText() const; // "19.3.0"
};

// The loaded library; loads it on first use and keeps it for the process.
// Throws EMoxError when it cannot be loaded or lacks a function.
const Api &api();

// The files tried, in order, for the current environment.
QStringList libraryCandidates();

} // namespace oci
