#pragma once
// Reading SQL scripts the way SQL*Plus reads them: a statement ends with ";"
// at the end of a line; an anonymous block or a trigger (text beginning with
// BEGIN, DECLARE or CREATE [OR REPLACE] TRIGGER) ends with a line holding
// only "/". Outside statements, blank lines, "--" comment lines and the
// SQL*Plus commands REM, PROMPT, SET, SPOOL, WHENEVER, SHOW, EXIT and QUIT
// are skipped.
#include <QString>
#include <QStringList>

#include <vector>

namespace oraembed {

struct ScriptStatement {
    QString text;  // without the closing ";" of a plain statement
    int line = 0;  // line of its first character, from 1
};

// Splits the lines of a script. Throws EMoxError naming the line of a
// statement that is not closed at the end of the script.
std::vector<ScriptStatement> splitScript(const QStringList &lines);

} // namespace oraembed
