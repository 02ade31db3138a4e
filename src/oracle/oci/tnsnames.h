#pragma once
// The net service names of the Oracle client configuration: the aliases of
// tnsnames.ora in TNS_ADMIN, or else in $ORACLE_HOME/network/admin.
#include <QString>
#include <QStringList>

namespace tnsnames {

// The folder holding the client's tnsnames.ora (may not exist); empty when
// neither TNS_ADMIN nor ORACLE_HOME is set.
QString configDir();

// The aliases a tnsnames.ora text defines, as written, in file order.
// IFILE entries name further files to read; relative ones resolve against
// baseDir. Comments (#) and the descriptions themselves are skipped.
QStringList parse(const QString &text, const QString &baseDir = QString());

// The aliases of the client configuration's tnsnames.ora; empty when there
// is none.
QStringList aliases();

} // namespace tnsnames
