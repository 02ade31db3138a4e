#include "oracle/engine.h"

#include "oracle/embedded/database.h"
#include "oracle/embedded/session.h"
#include "oracle/oci/ociloader.h"
#include "oracle/oci/ocisession.h"
#include "oracle/oci/tnsnames.h"

#include <QDir>

namespace {

// MOX_ENGINE=oci sends every alias to the client library (in tests: to its
// double, which serves the embedded databases).
bool clientForAll() { return qEnvironmentVariable("MOX_ENGINE").compare(QLatin1String("oci"), Qt::CaseInsensitive) == 0; }

bool embeddedServes(const QString &alias) { return !clientForAll() && !oraembed::databaseFolder(alias).isEmpty(); }

// The client library serves every alias that no embedded database claims.
bool clientServes(const QString &) { return true; }

std::unique_ptr<OraEngineSession> clientConnect(const QString &alias, const QString &user, const QString &password)
{
    try {
        oci::api();
    } catch (const EMoxError &e) {
        if (!oraembed::databaseFolder(alias).isEmpty())
            throw; // an embedded database sent to the client library (MOX_ENGINE=oci)
        // without a client library the alias can only have been meant as an
        // embedded database: say both
        throw EMoxError(QStringLiteral("ORA-12154: TNS:could not resolve the connect identifier specified (\"%1\" is no "
                                       "embedded database in %2; %3)")
                            .arg(alias, QDir::toNativeSeparators(oraembed::databaseRoot()), e.message()));
    }
    return ocieng::OciSession::connect(alias, user, password);
}

} // namespace

const std::vector<OraEngineFactory> &oraEngines()
{
    static const std::vector<OraEngineFactory> engines = {
        {QStringLiteral("embedded"), embeddedServes, oraembed::databaseAliases, oraembed::EmbeddedSession::connect},
        {QStringLiteral("client library"), clientServes, tnsnames::aliases, clientConnect},
    };
    return engines;
}

std::unique_ptr<OraEngineSession> oraConnect(const QString &alias, const QString &user, const QString &password)
{
    const auto &engines = oraEngines();
    for (const OraEngineFactory &f : engines)
        if (f.serves(alias))
            return f.connect(alias, user, password);
    // no engine claims the alias: the last one (the client library) reports it
    return engines.back().connect(alias, user, password);
}

QStringList oracleAliasList()
{
    QStringList all;
    for (const OraEngineFactory &f : oraEngines())
        all += f.aliases();
    all.sort();
    all.removeDuplicates();
    return all;
}
