#pragma once
// The run history in orna_util.orna_mox: one row per finished transfer, and
// the read-back of the last successful refresh of each kind.
#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

struct TRunState;
struct TMoxContext;
class TOracleSession;

// Writes one history row (kind, "N" or "D" for errors) with the server's
// time to the minute and the running time of uraKonec, and commits. Does
// nothing when the table cannot be written (p_moxShrani false). Database
// errors reach the caller.
void shranivORNAMOX(TMoxContext &ctx, const QString &vrsta, const QString &napaka);

// Appends, for each kind, the rows at the latest time of a row without
// errors to p_aRefrZadnji. Does nothing when p_moxShrani is false. A second
// call appends further entries after the first ones.
void naloziZadnjeOsvezitve(TMoxContext &ctx);

// Runs a statement on the run-history table with text variables (name,
// value) and commits: the marker rows other parts keep there (triggers
// switched off, refresh locks). Database errors reach the caller.
void izvediNaZgodovini(TOracleSession &seja, const QString &sql,
                       const QList<std::pair<QString, QVariant>> &spremenljivke);

// The time text ("DD.MM.YYYY HH24:MI") of the first loaded entry of that
// kind (compared exactly), or "1.1.1900" when there is none.
QString najdizadnjiRefresh(const TRunState &rs, const QString &vrsta);
