#pragma once
// What the client-library engine and its test double need to know of a
// statement's text without parsing it: its kind, its bind placeholders, the
// targets of a RETURNING ... INTO clause and the first table of a query.
// Quoted texts, quoted names and comments are skipped.
#include <QString>
#include <QStringList>

namespace ocisql {

// The statement type number the client library reports (1 SELECT, 2 UPDATE,
// 3 DELETE, 4 INSERT, 5 CREATE, 6 DROP, 7 ALTER, 8 BEGIN, 9 DECLARE,
// 10 CALL, 16 MERGE, 17 ROLLBACK, 21 COMMIT, 0 anything else).
unsigned short statementType(const QString &sql);

// The placeholder names (":name" without the colon, upper case), each once,
// in the order they first appear. ":=" and ":new"/":old" of trigger bodies
// are only names here too; callers bind what they have declared.
QStringList placeholders(const QString &sql);

// The placeholders after the INTO of a RETURNING (or RETURN) clause of an
// INSERT, UPDATE or DELETE, upper case; empty when there is none.
QStringList returningTargets(const QString &sql);

// True for a query that ends in FOR UPDATE (its rows are locked until the
// transaction ends).
bool isForUpdate(const QString &sql);

// The first table named after the query's first FROM at the outer level
// ("TAVO.AKT" of "select a.rowid from tavo.akt a where ..."), as written.
QString firstTable(const QString &sql);

} // namespace ocisql
