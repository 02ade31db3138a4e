#include "oracle/engine.h"

#include "oracle/embedded/database.h"
#include "oracle/embedded/session.h"

#include <QDir>

namespace {

bool embeddedServes(const QString &alias) { return !oraembed::databaseFolder(alias).isEmpty(); }

// The Oracle client library engine is not built yet: it serves no alias and
// says so when asked to log on.
bool clientServes(const QString &) { return false; }
QStringList clientAliases() { return {}; }
std::unique_ptr<OraEngineSession> clientConnect(const QString &alias, const QString &, const QString &)
{
    throw EMoxError(QStringLiteral("ORA-12154: TNS:could not resolve the connect identifier specified (\"%1\" is no "
                                   "embedded database in %2, and the Oracle client library engine is not supported "
                                   "in this build)")
                        .arg(alias, QDir::toNativeSeparators(oraembed::databaseRoot())));
}

} // namespace

const std::vector<OraEngineFactory> &oraEngines()
{
    static const std::vector<OraEngineFactory> engines = {
        {QStringLiteral("embedded"), embeddedServes, oraembed::databaseAliases, oraembed::EmbeddedSession::connect},
        {QStringLiteral("client library"), clientServes, clientAliases, clientConnect},
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
