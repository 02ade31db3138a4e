#include "oracle/oci/ociloader.h"

#include "base/moxerror.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <memory>

namespace oci {

namespace {

QStringList libraryNames()
{
#if defined(Q_OS_WIN)
    return {QStringLiteral("oci.dll")};
#elif defined(Q_OS_MACOS)
    const QString base = QStringLiteral("libclntsh.dylib");
#else
    const QString base = QStringLiteral("libclntsh.so");
#endif
#if !defined(Q_OS_WIN)
    QStringList names{base};
    for (const char *v : {"19.1", "18.1", "12.1", "11.1", "20.1", "21.1", "23.1"})
        names << base + u'.' + QLatin1String(v);
    return names;
#endif
}

// Instant Client folders of a usual installation.
QStringList instantClientDirs()
{
    QStringList dirs;
#if !defined(Q_OS_WIN)
    const QDir opt(QStringLiteral("/opt/oracle"));
    for (const QString &d : opt.entryList({QStringLiteral("instantclient*")}, QDir::Dirs, QDir::Name | QDir::Reversed))
        dirs << opt.filePath(d);
    const QDir rpm(QStringLiteral("/usr/lib/oracle"));
    for (const QString &d : rpm.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed))
        dirs << rpm.filePath(d + QStringLiteral("/client64/lib"));
#endif
    return dirs;
}

template <class F> void resolve(QLibrary &lib, F &fn, const char *name)
{
    fn = reinterpret_cast<F>(lib.resolve(name));
    if (!fn)
        throw EMoxError(QStringLiteral("Knjižnica odjemalca Oracle %1 nima funkcije %2.")
                            .arg(QDir::toNativeSeparators(lib.fileName()), QLatin1String(name)));
}

std::unique_ptr<Api> load()
{
    QStringList tried;
    for (const QString &file : libraryCandidates()) {
        // Loaded once and never unloaded: the client library keeps threads
        // and handlers of its own.
        if (file.contains(u'/') && !QFileInfo::exists(file)) {
            tried << QStringLiteral("%1 (ni datoteke)").arg(QDir::toNativeSeparators(file));
            continue;
        }
        auto *lib = new QLibrary(file);
        if (!lib->load()) {
            tried << QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(file), lib->errorString());
            delete lib;
            continue;
        }
        auto a = std::make_unique<Api>();
        a->fileName = file;
        resolve(*lib, a->ClientVersion, "OCIClientVersion");
        resolve(*lib, a->EnvNlsCreate, "OCIEnvNlsCreate");
        resolve(*lib, a->HandleAlloc, "OCIHandleAlloc");
        resolve(*lib, a->HandleFree, "OCIHandleFree");
        resolve(*lib, a->DescriptorAlloc, "OCIDescriptorAlloc");
        resolve(*lib, a->DescriptorFree, "OCIDescriptorFree");
        resolve(*lib, a->AttrGet, "OCIAttrGet");
        resolve(*lib, a->AttrSet, "OCIAttrSet");
        resolve(*lib, a->ParamGet, "OCIParamGet");
        resolve(*lib, a->ErrorGet, "OCIErrorGet");
        resolve(*lib, a->ServerAttach, "OCIServerAttach");
        resolve(*lib, a->ServerDetach, "OCIServerDetach");
        resolve(*lib, a->SessionBegin, "OCISessionBegin");
        resolve(*lib, a->SessionEnd, "OCISessionEnd");
        resolve(*lib, a->StmtPrepare2, "OCIStmtPrepare2");
        resolve(*lib, a->StmtRelease, "OCIStmtRelease");
        resolve(*lib, a->StmtExecute, "OCIStmtExecute");
        resolve(*lib, a->StmtFetch2, "OCIStmtFetch2");
        resolve(*lib, a->BindByName2, "OCIBindByName2");
        resolve(*lib, a->BindDynamic, "OCIBindDynamic");
        resolve(*lib, a->DefineByPos2, "OCIDefineByPos2");
        resolve(*lib, a->TransCommit, "OCITransCommit");
        resolve(*lib, a->TransRollback, "OCITransRollback");
        resolve(*lib, a->LobRead2, "OCILobRead2");
        resolve(*lib, a->LobWrite2, "OCILobWrite2");
        resolve(*lib, a->LobGetLength2, "OCILobGetLength2");
        resolve(*lib, a->LobTrim2, "OCILobTrim2");
        sword major = 0, minor = 0, update = 0, patch = 0, port = 0;
        a->ClientVersion(&major, &minor, &update, &patch, &port);
        if (major < 11)
            throw EMoxError(QStringLiteral("Knjižnica odjemalca Oracle %1 je prestara (različica %2.%3).")
                                .arg(QDir::toNativeSeparators(file))
                                .arg(major)
                                .arg(minor));
        a->versionMajor = major;
        a->versionMinor = minor;
        a->versionUpdate = update;
        return a;
    }
    throw EMoxError(QStringLiteral("Knjižnice odjemalca Oracle ni mogoče naložiti (poskušeno: %1). Namestite "
                                   "odjemalca Oracle (Instant Client) ali pot do knjižnice nastavite v MOX_OCI_LIB.")
                        .arg(tried.join(QStringLiteral("; "))));
}

} // namespace

QString Api::versionText() const
{
    return QStringLiteral("%1.%2.%3").arg(versionMajor).arg(versionMinor).arg(versionUpdate);
}

QStringList libraryCandidates()
{
    const QString explicitFile = qEnvironmentVariable("MOX_OCI_LIB");
    if (!explicitFile.isEmpty())
        return {explicitFile};
    const QStringList names = libraryNames();
    QStringList files = names;
    const QString home = qEnvironmentVariable("ORACLE_HOME");
    QStringList dirs;
    if (!home.isEmpty()) {
#if defined(Q_OS_WIN)
        dirs << QDir(home).filePath(QStringLiteral("bin"));
#else
        dirs << QDir(home).filePath(QStringLiteral("lib"));
#endif
    }
    dirs << instantClientDirs();
    for (const QString &d : dirs)
        files << QDir(d).filePath(names.first());
    return files;
}

const Api &api()
{
    static std::unique_ptr<Api> loaded;
    if (!loaded)
        loaded = load();
    return *loaded;
}

} // namespace oci
